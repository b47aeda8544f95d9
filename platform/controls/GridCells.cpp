#include "platform/controls/GridCells.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/runtime/Convert.h"

namespace ctl::grid {
namespace {

// A cell is a double unless its top 13 bits are all set (a negative quiet NaN, which
// no stored double has: NaNs are stored as the positive quiet NaN). Then bits 48..50
// are the tag and bits 0..47 the payload.
constexpr uint64_t kBox = kCellBox;
constexpr uint64_t kPayloadMask = 0x0000'FFFF'FFFF'FFFFULL;
constexpr uint64_t kCanonicalNaN = 0x7FF8'0000'0000'0000ULL;

enum Tag : uint64_t {
  kEmpty = 0,
  kInt = 1,
  kInline1 = 2,  // kInline1 + n - 1: n units in the cell
  kInline3 = 4,
  kLatin1 = 5,  // payload: offset << 16 | length
  kUtf16 = 6,
  kLong = 7,  // payload: index into long_
};

static_assert(kLatin1 == 5 && kUtf16 > kLatin1 && kLong > kLatin1, "Release: stored texts have tags from 5");

constexpr int64_t kIntMax = (int64_t{1} << 47) - 1;
constexpr int64_t kIntMin = -(int64_t{1} << 47);
constexpr size_t kPooledMax = 0xFFFF;
// The cache of recent texts grows with the column: a quarter of its rows, within limits.
constexpr size_t kRecentMin = 1 << 10;
constexpr size_t kRecentMax = 1 << 15;
constexpr uint32_t kJudgeEvery = 1 << 14;  // lookups between two verdicts on sharing
constexpr uint32_t kSampleEvery = 16;

size_t RecentSlotsFor(size_t rows) { return std::clamp(std::bit_ceil(rows / 4 + 1), kRecentMin, kRecentMax); }
constexpr size_t kCompactMin = size_t{1} << 20;

constexpr uint64_t Box(uint64_t tag, uint64_t payload) { return kBox | (tag << 48) | (payload & kPayloadMask); }
constexpr bool IsBoxed(uint64_t cell) { return (cell & kBox) == kBox; }
constexpr uint64_t TagOf(uint64_t cell) { return (cell >> 48) & 0x7; }
constexpr uint64_t PayloadOf(uint64_t cell) { return cell & kPayloadMask; }
static_assert(kEmptyCell == Box(kEmpty, 0));

bool IsPooled(uint64_t cell) {
  return IsBoxed(cell) && (TagOf(cell) == kLatin1 || TagOf(cell) == kUtf16);
}

// A canonical integer text within 48 bits: optional '-', no leading zero, not "-0".
bool CanonicalInt(QStringView text, int64_t* value) {
  qsizetype i = 0;
  const bool negative = !text.isEmpty() && text[0] == u'-';
  if (negative) i = 1;
  const qsizetype digits = text.size() - i;
  if (digits < 1 || digits > 14) return false;
  if (text[i] == u'0' && (digits > 1 || negative)) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    const char16_t ch = text[i].unicode();
    if (ch < u'0' || ch > u'9') return false;
    v = v * 10 + (ch - u'0');
  }
  *value = negative ? -v : v;
  return true;
}

// FNV-1a over the units; `latin1` tells whether every unit is below 256.
bool SameText(const TextRef& ref, QStringView text) {
  if (ref.size != text.size()) return false;
  const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
  if (ref.latin1) {
    for (qsizetype i = 0; i < ref.size; ++i)
      if (static_cast<unsigned char>(ref.latin1[i]) != units[i]) return false;
    return true;
  }
  return std::equal(ref.utf16, ref.utf16 + ref.size, units);
}

uint64_t Hash(QStringView text, bool* latin1) {
  uint64_t h = 1469598103934665603ULL;
  char16_t all = 0;
  for (QChar ch : text) {
    all |= ch.unicode();
    h = (h ^ ch.unicode()) * 1099511628211ULL;
  }
  *latin1 = all < 256;
  return h;
}

}  // namespace

TextRef& TextRef::operator=(const TextRef& other) {
  std::memcpy(inlineUnits, other.inlineUnits, sizeof inlineUnits);
  latin1 = other.latin1;
  size = other.size;
  utf16 = other.utf16 == other.inlineUnits ? inlineUnits : other.utf16;
  return *this;
}

QString TextRef::ToString() const {
  if (latin1) return QString::fromLatin1(latin1, size);
  return QString(reinterpret_cast<const QChar*>(utf16), size);
}

char16_t TextRef::Unit(qsizetype i) const {
  return latin1 ? static_cast<unsigned char>(latin1[i]) : utf16[i];
}

namespace {
const std::array<char16_t, 256> kLatin1Fold = [] {
  std::array<char16_t, 256> t{};
  for (int u = 0; u < 256; ++u) t[static_cast<size_t>(u)] = QChar(static_cast<char16_t>(u)).toCaseFolded().unicode();
  return t;
}();

char16_t FoldCase(char16_t unit) {
  return unit < 256 ? kLatin1Fold[unit] : QChar(unit).toCaseFolded().unicode();
}
}  // namespace

int TextRef::CompareNoCase(const TextRef& other) const {
  const qsizetype n = std::min(size, other.size);
  if (latin1 && other.latin1) {
    for (qsizetype i = 0; i < n; ++i) {
      const unsigned char x = static_cast<unsigned char>(latin1[i]);
      const unsigned char y = static_cast<unsigned char>(other.latin1[i]);
      if (x == y) continue;
      const char16_t a = kLatin1Fold[x];
      const char16_t b = kLatin1Fold[y];
      if (a != b) return a < b ? -1 : 1;
    }
    return size == other.size ? 0 : (size < other.size ? -1 : 1);
  }
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t a = FoldCase(Unit(i));
    const char16_t b = FoldCase(other.Unit(i));
    if (a != b) return a < b ? -1 : 1;
  }
  return size == other.size ? 0 : (size < other.size ? -1 : 1);
}

uint64_t TextRef::FoldedPrefix() const {
  uint64_t key = 0;
  for (qsizetype i = 0; i < 4; ++i) key = (key << 16) | (i < size ? FoldCase(Unit(i)) : 0);
  return key;
}

void CellColumn::Resize(size_t rows, SpareBlocks* spares, bool ids) {
  if (spares) spares_ = spares;
  if (rows > size_ && !aside_.empty() && !ids) Widen();
  size_ = rows;
  // A column whose cells were all emptied (a heading cleared) grows without room.
  if (rows > cells_.size() && std::all_of(cells_.begin(), cells_.end(), [](uint64_t c) { return c == kEmptyCell; })) {
    if (spares) spares->Keep(cells_);
    BigVector<uint64_t>().swap(cells_);
  }
  if (rows > narrow_.size() && std::all_of(narrow_.begin(), narrow_.end(), [](uint32_t c) { return c == kNarrowEmpty; }))
    BigVector<uint32_t>().swap(narrow_);
  if (!narrow_.empty()) {
    DropAside(rows, narrow_.size(), 0);
    ResizeReleasing(narrow_, rows, kNarrowEmpty);
  }
  if (cells_.empty()) return;
  for (size_t r = rows; r < cells_.size(); ++r) Release(cells_[r]);
  if (spares && rows < cells_.capacity() / 4) {
    BigVector<uint64_t> kept(cells_.begin(), cells_.begin() + static_cast<ptrdiff_t>(rows));
    cells_.swap(kept);
    spares->Keep(kept);
  } else if (spares && rows > cells_.capacity()) {
    BigVector<uint64_t> room;
    if (spares->Take(rows, room)) {
      room.assign(cells_.begin(), cells_.end());
      cells_.swap(room);
    }
  }
  ResizeReleasing(cells_, rows, kEmptyCell);
  MaybeCompact();
}

void CellColumn::GiveRoom(SpareBlocks& spares) {
  for (uint64_t cell : cells_) Release(cell);
  DropAside(0, size_, 0);
  spares.Keep(cells_);
  BigVector<uint64_t>().swap(cells_);
  BigVector<uint32_t>().swap(narrow_);
  size_ = 0;
}

void CellColumn::Insert(size_t row) {
  ++size_;
  if (!narrow_.empty()) {
    narrow_.insert(narrow_.begin() + static_cast<ptrdiff_t>(row), kNarrowEmpty);
    DropAside(row, row, 1);
  }
  if (!cells_.empty()) cells_.insert(cells_.begin() + static_cast<ptrdiff_t>(row), kEmptyCell);
}

void CellColumn::Erase(size_t row) {
  --size_;
  if (!narrow_.empty()) {
    DropAside(row, row + 1, -1);
    narrow_.erase(narrow_.begin() + static_cast<ptrdiff_t>(row));
  }
  if (cells_.empty()) return;
  Release(cells_[row]);
  cells_.erase(cells_.begin() + static_cast<ptrdiff_t>(row));
}

void CellColumn::EraseRows(const std::vector<int>& rows) {
  size_ -= rows.size();
  if (!narrow_.empty()) {
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) DropAside(static_cast<size_t>(*r), static_cast<size_t>(*r) + 1, -1);
    EraseAt(narrow_, rows);
  }
  if (cells_.empty()) return;
  for (int r : rows) Release(cells_[static_cast<size_t>(r)]);
  EraseAt(cells_, rows);
  MaybeCompact();
}

void CellColumn::Put(size_t row, uint64_t cell) {
  if (cells_.empty()) {
    const int64_t value = static_cast<int64_t>(cell << 16) >> 16;
    const bool narrow = cell == kEmptyCell || ((cell & ~kPayload) == kIntCell && value > INT32_MIN + 1 && value <= INT32_MAX);
    if (narrow_.empty() && cell == kEmptyCell) return;
    const bool aside = !narrow_.empty() && narrow_[row] == kNarrowAside;
    if (narrow || aside || aside_.size() < kAsideMax) {
      if (narrow_.empty()) narrow_.assign(size_, kNarrowEmpty);
      if (aside) DropAside(row, row + 1, 0);
      if (narrow) {
        narrow_[row] = cell == kEmptyCell ? kNarrowEmpty : static_cast<uint32_t>(static_cast<int32_t>(value));
      } else {
        narrow_[row] = kNarrowAside;
        aside_.insert(std::lower_bound(aside_.begin(), aside_.end(), std::pair{row, uint64_t{0}}), {row, cell});
      }
      return;
    }
    Widen();
  }
  Release(cells_[row]);
  cells_[row] = cell;
}

void CellColumn::Widen() {
  if (spares_) spares_->Take(size_, cells_);
  if (narrow_.empty()) {
    cells_.assign(size_, kEmptyCell);
    return;
  }
  cells_.resize(size_);
  for (size_t r = 0; r < size_; ++r) cells_[r] = Widened(narrow_[r]);
  for (const auto& [row, cell] : aside_) cells_[row] = cell;
  BigVector<uint32_t>().swap(narrow_);
  aside_.clear();
}

std::vector<std::pair<size_t, uint64_t>>::const_iterator CellColumn::Aside(size_t row) const {
  return std::lower_bound(aside_.begin(), aside_.end(), std::pair{row, uint64_t{0}});
}

void CellColumn::DropAside(size_t from, size_t end, ptrdiff_t shift) {
  auto first = std::lower_bound(aside_.begin(), aside_.end(), std::pair{from, uint64_t{0}});
  auto last = std::lower_bound(first, aside_.end(), std::pair{end, uint64_t{0}});
  for (auto it = first; it != last; ++it) Release(it->second);
  for (auto it = aside_.erase(first, last); it != aside_.end(); ++it) it->first = static_cast<size_t>(static_cast<ptrdiff_t>(it->first) + shift);
}

void CellColumn::Clear() {
  std::fill(cells_.begin(), cells_.end(), kEmptyCell);
  BigVector<uint32_t>().swap(narrow_);
  aside_.clear();
  BigVector<char>().swap(latin1_);
  BigVector<char16_t>().swap(utf16_);
  std::vector<QString>().swap(long_);
  std::vector<Recent>().swap(recent_);
  garbage_ = 0;
  ++generation_;
  sharing_ = true;
  lookups_ = hits_ = 0;
}

void CellColumn::SetText(size_t row, QStringView text) {
  int64_t v = 0;
  uint64_t cell;
  if (text.isEmpty())
    cell = kEmptyCell;
  else if (CanonicalInt(text, &v))
    cell = Box(kInt, static_cast<uint64_t>(v));
  else
    cell = EncodeText(text);
  Put(row, cell);
  MaybeCompact();
}

void CellColumn::SetInt(size_t row, int64_t value) {
  if (value < kIntMin || value > kIntMax) {
    SetText(row, QString::number(value));
    return;
  }
  Put(row, Box(kInt, static_cast<uint64_t>(value)));
}

void CellColumn::SetDouble(size_t row, double value) {
  Put(row, std::isnan(value) ? kCanonicalNaN : std::bit_cast<uint64_t>(value));
}

void CellColumn::CopyCell(size_t from, size_t row) {
  if (from == row) return;
  const uint64_t cell = Raw(from);
  if (IsBoxed(cell) && TagOf(cell) == kLong) {
    const QString text = long_[PayloadOf(cell)];
    SetText(row, text);
    return;
  }
  Put(row, cell);
}

bool CellColumn::SetRaw(size_t row, uint64_t raw, uint32_t generation) {
  if (generation != generation_ || (IsBoxed(raw) && TagOf(raw) == kLong)) return false;
  Put(row, raw);
  return true;
}

void CellColumn::SetEmpty(size_t row) { Put(row, kEmptyCell); }

TextRef CellColumn::Text(size_t row, bool* isText) const {
  const bool text = Kind(row) == CellKind::Text;
  if (isText) *isText = text;
  return text ? RefOf(Raw(row)) : TextRef();
}

TextRef CellColumn::RefOf(uint64_t cell) const {
  TextRef ref;
  const uint64_t tag = TagOf(cell);
  const uint64_t payload = PayloadOf(cell);
  if (tag >= kInline1 && tag <= kInline3) {
    ref.size = static_cast<qsizetype>(tag - kInline1 + 1);
    for (qsizetype i = 0; i < ref.size; ++i) ref.inlineUnits[i] = static_cast<char16_t>(payload >> (16 * i));
    ref.utf16 = ref.inlineUnits;
  } else if (tag == kLatin1) {
    ref.latin1 = latin1_.data() + (payload >> 16);
    ref.size = static_cast<qsizetype>(payload & 0xFFFF);
  } else if (tag == kUtf16) {
    ref.utf16 = utf16_.data() + (payload >> 16);
    ref.size = static_cast<qsizetype>(payload & 0xFFFF);
  } else {
    const QString& s = long_[payload];
    ref.utf16 = reinterpret_cast<const char16_t*>(s.utf16());
    ref.size = s.size();
  }
  return ref;
}

QString CellColumn::ToString(size_t row) const {
  switch (Kind(row)) {
    case CellKind::Empty: return {};
    case CellKind::Int: return QString::number(IntValue(row));
    case CellKind::Double: return rt::CStr(DoubleValue(row));
    case CellKind::Text: return Text(row).ToString();
  }
  return {};
}

void CellColumn::Permute(size_t first, const BigVector<uint32_t>& order, PermuteRoom& room) {
  // A range of one value (a column left empty) stays as it is.
  if (!narrow_.empty()) {
    const auto from = narrow_.begin() + static_cast<ptrdiff_t>(first);
    const auto to = from + static_cast<ptrdiff_t>(order.size());
    if (std::adjacent_find(from, to, std::not_equal_to<>()) == to && (from == to || *from != kNarrowAside)) return;
    PermuteInto(narrow_, first, order, room.narrow);
    if (aside_.empty()) return;
    // The cells kept aside in the range move with their rows.
    std::vector<std::pair<size_t, uint64_t>> aside;
    for (size_t i = 0; i < order.size(); ++i)
      if (narrow_[first + i] == kNarrowAside) aside.emplace_back(first + i, Aside(order[i])->second);
    std::erase_if(aside_, [&](const auto& a) { return a.first >= first && a.first < first + order.size(); });
    aside_.insert(aside_.end(), aside.begin(), aside.end());
    std::sort(aside_.begin(), aside_.end());
    return;
  }
  if (cells_.empty()) return;
  const auto begin = cells_.begin() + static_cast<ptrdiff_t>(first);
  const auto end = begin + static_cast<ptrdiff_t>(order.size());
  if (std::adjacent_find(begin, end, std::not_equal_to<>()) == end) return;
  PermuteInto(cells_, first, order, room.wide);
}

uint64_t CellColumn::EncodeText(QStringView text) {
  const size_t n = static_cast<size_t>(text.size());
  if (n <= 3) {
    uint64_t payload = 0;
    for (size_t i = 0; i < n; ++i) payload |= uint64_t{text[static_cast<qsizetype>(i)].unicode()} << (16 * i);
    return Box(kInline1 + n - 1, payload);
  }
  if (n > kPooledMax) {
    long_.emplace_back(text.toString());
    return Box(kLong, long_.size() - 1);
  }
  if (const size_t wanted = RecentSlotsFor(size_); recent_.size() < wanted) recent_.assign(wanted, Recent{});
  bool latin1 = false;
  const uint64_t hash = Hash(text, &latin1);
  // A column whose texts hardly repeat (notes) stops looking them up, but samples one
  // text in kSampleEvery to notice when they start repeating.
  const bool lookUp = sharing_ || ++sampleCount_ % kSampleEvery == 0;
  const size_t slotIndex = hash & (recent_.size() - 1);
  if (lookUp) {
    // Two slots per hash: a text seen lately is found in one of them.
    bool found = false;
    uint64_t cell = 0;
    for (size_t i : {slotIndex, slotIndex ^ 1}) {
      const Recent& known = recent_[i];
      if (known.hash == hash && IsPooled(known.cell) && SameText(RefOf(known.cell), text)) {
        found = true;
        cell = known.cell;
        break;
      }
    }
    ++lookups_;
    hits_ += found ? 1 : 0;
    if (lookups_ == kJudgeEvery) {
      sharing_ = hits_ * 10 >= lookups_;  // at least one text in ten seen lately
      lookups_ = hits_ = 0;
    }
    if (found) return cell;
  }
  // The newest text takes the first slot; the one it displaces moves to the second.
  if (lookUp) recent_[slotIndex ^ 1] = recent_[slotIndex];
  uint64_t cell;
  if (latin1) {
    const size_t offset = latin1_.size();
    latin1_.resize(offset + n);
    for (size_t i = 0; i < n; ++i) latin1_[offset + i] = static_cast<char>(text[static_cast<qsizetype>(i)].unicode());
    cell = Box(kLatin1, (uint64_t{offset} << 16) | n);
  } else {
    const size_t offset = utf16_.size();
    utf16_.insert(utf16_.end(), reinterpret_cast<const char16_t*>(text.utf16()),
                  reinterpret_cast<const char16_t*>(text.utf16()) + n);
    cell = Box(kUtf16, (uint64_t{offset} << 16) | n);
  }
  if (lookUp) recent_[slotIndex] = {cell, hash};
  return cell;
}

void CellColumn::ReleaseStored(uint64_t cell) {
  if (IsPooled(cell)) {
    garbage_ += PayloadOf(cell) & 0xFFFF;
  } else if (TagOf(cell) == kLong) {
    long_[PayloadOf(cell)] = QString();
  }
}

// Rewrites the pools with the texts still referenced once the dead part is large.
void CellColumn::MaybeCompact() {
  const size_t pooled = latin1_.size() + utf16_.size();
  if (garbage_ < kCompactMin || garbage_ * 2 < pooled) return;
  BigVector<char> oldLatin1;
  BigVector<char16_t> oldUtf16;
  oldLatin1.swap(latin1_);
  oldUtf16.swap(utf16_);
  recent_.assign(RecentSlotsFor(size_), Recent{});
  garbage_ = 0;
  ++generation_;
  auto rewrite = [&](uint64_t& cell) {
    if (!IsPooled(cell)) return;
    const uint64_t payload = PayloadOf(cell);
    const size_t offset = payload >> 16;
    const qsizetype n = static_cast<qsizetype>(payload & 0xFFFF);
    if (TagOf(cell) == kLatin1)
      cell = EncodeText(QString::fromLatin1(oldLatin1.data() + offset, n));
    else
      cell = EncodeText(QStringView(oldUtf16.data() + offset, n));
  };
  for (uint64_t& cell : cells_) rewrite(cell);
  for (auto& kept : aside_) rewrite(kept.second);
  latin1_.shrink_to_fit();
  utf16_.shrink_to_fit();
}

}  // namespace ctl::grid
