#include "platform/controls/GridData.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <unordered_map>

#include "platform/controls/GridFormat.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Parallel.h"

namespace ctl::grid {

void ComboList::Parse(const QString& source) {
  source_ = source;
  byNumber_.clear();
  byText_.clear();
  for (const QString& entry : source.split(u'|')) {
    if (!entry.startsWith(u'#')) continue;
    const qsizetype semi = entry.indexOf(u';');
    const QString id = entry.mid(1, semi < 0 ? -1 : semi - 1);
    QString text = semi < 0 ? id : entry.mid(semi + 1);
    if (const qsizetype tab = text.indexOf(u'\t'); tab >= 0) text.truncate(tab);
    bool numeric = false;
    const qlonglong n = id.toLongLong(&numeric);
    if (numeric)
      byNumber_.emplace(n, text);
    else
      byText_.insert(id, text);
  }
}

void ComboList::Assign(const std::vector<std::pair<int64_t, QString>>& entries) {
  source_.clear();
  byNumber_.clear();
  byText_.clear();
  for (const auto& [id, text] : entries) byNumber_.insert_or_assign(id, text);
}

const QString* ComboList::Lookup(const CellColumn& cells, size_t row) const {
  switch (cells.Kind(row)) {
    case CellKind::Int: {
      auto it = byNumber_.find(cells.IntValue(row));
      return it == byNumber_.end() ? nullptr : &it->second;
    }
    case CellKind::Double: {
      const double v = cells.DoubleValue(row);
      if (v != static_cast<double>(static_cast<int64_t>(v))) return nullptr;
      auto it = byNumber_.find(static_cast<int64_t>(v));
      return it == byNumber_.end() ? nullptr : &it->second;
    }
    case CellKind::Text: {
      auto it = byText_.constFind(cells.Text(row).ToString());
      return it == byText_.constEnd() ? nullptr : &it.value();
    }
    case CellKind::Empty: break;
  }
  return nullptr;
}

void GridData::SetRows(int rows) {
  const size_t n = static_cast<size_t>(rows);
  for (size_t r = n; r < rowHidden_.size(); ++r) hiddenCount_ -= rowHidden_[r];
  if (source_) {
    const size_t before = rowMap_.size();
    if (n < before) {
      DropRows(n, before);
      ResizeReleasing(rowMap_, n, uint32_t{0});
    }
    for (size_t r = before; r < n; ++r) rowMap_.push_back(RowSource::kNoItem | NewOwnRow());
  } else {
    for (size_t c = 0; c < columns_.size(); ++c) columns_[c].Resize(n, &spares_, info_[c].combo.Maps());
    rowData_.Resize(n, &spares_, true);
  }
  ResizeReleasing(rowHidden_, n, uint8_t{0});
  styles_.ResizeRows(n);
  rowHeights_.erase(rowHeights_.lower_bound(rows), rowHeights_.end());
  DetachIfDone();
}

void GridData::SetCols(int cols) {
  const size_t n = static_cast<size_t>(cols);
  const size_t rows = source_ ? rowData_.Size() : rowHidden_.size();
  if (n < columns_.size()) styles_.TruncateCols(n);
  for (size_t c = n; c < columns_.size(); ++c) columns_[c].GiveRoom(spares_);
  columns_.resize(n);
  info_.resize(n);
  for (size_t c = 0; c < n; ++c) columns_[c].Resize(rows, &spares_, info_[c].combo.Maps());
}

void GridData::AttachSource(std::shared_ptr<const RowSource> source, uint32_t items) {
  if (source_) throw std::logic_error("GridData::AttachSource: the grid has a source");
  const size_t before = rowHidden_.size();
  // Room for the rows added below the items (a totals row) without growing the stores.
  constexpr size_t kRowsAdded = 64;
  const size_t room = before + items + kRowsAdded;
  rowMap_.reserve(room);
  rowHidden_.reserve(room);
  styles_.ReserveRows(room);
  rowMap_.resize(before + items);
  for (size_t r = 0; r < before; ++r) rowMap_[r] = RowSource::kNoItem | static_cast<uint32_t>(r);
  std::iota(rowMap_.begin() + static_cast<ptrdiff_t>(before), rowMap_.end(), 0u);
  source_ = std::move(source);
  sourceWhole_ = true;
  rowHidden_.resize(before + items, 0);
  styles_.ResizeRows(before + items);
}

uint32_t GridData::NewOwnRow() {
  if (!freeOwn_.empty()) {
    const uint32_t own = freeOwn_.back();
    freeOwn_.pop_back();
    return own;
  }
  const size_t own = rowData_.Size();
  for (size_t c = 0; c < columns_.size(); ++c) columns_[c].Resize(own + 1, &spares_, info_[c].combo.Maps());
  rowData_.Resize(own + 1, &spares_, true);
  return static_cast<uint32_t>(own);
}

size_t GridData::OwnRow(int row) {
  size_t own = OwnOf(row);
  if (own != kNotOwn) return own;
  uint32_t& m = rowMap_[static_cast<size_t>(row)];
  const uint32_t item = m;
  own = NewOwnRow();
  for (size_t c = 0; c < columns_.size(); ++c) source_->Fill(static_cast<int>(c), &item, 1, columns_[c], own);
  rowData_.SetInt(own, source_->RowData(item));
  m = RowSource::kNoItem | static_cast<uint32_t>(own);
  sourceWhole_ = false;
  return own;
}

void GridData::DropRow(size_t row) {
  const uint32_t m = rowMap_[row];
  if (!(m & RowSource::kNoItem)) {
    sourceWhole_ = false;
    return;
  }
  const size_t own = m & ~RowSource::kNoItem;
  for (CellColumn& c : columns_) c.SetEmpty(own);
  rowData_.SetEmpty(own);
  freeOwn_.push_back(static_cast<uint32_t>(own));
}

void GridData::DropRows(size_t from, size_t to) {
  for (size_t r = from; r < to; ++r) DropRow(r);
}

void GridData::DetachIfDone() {
  if (!source_) return;
  for (size_t r = 0; r < rowMap_.size(); ++r)
    if (rowMap_[r] != (RowSource::kNoItem | r)) return;
  const size_t n = rowMap_.size();
  for (size_t c = 0; c < columns_.size(); ++c) columns_[c].Resize(n, &spares_, info_[c].combo.Maps());
  rowData_.Resize(n, &spares_, true);
  source_.reset();
  BigVector<uint32_t>().swap(rowMap_);
  freeOwn_ = {};
  sourceWhole_ = false;
}

void GridData::InsertRow(int at) {
  const size_t r = static_cast<size_t>(at);
  if (source_) {
    const uint32_t own = NewOwnRow();
    rowMap_.insert(rowMap_.begin() + at, RowSource::kNoItem | own);
  } else {
    for (CellColumn& c : columns_) c.Insert(r);
    rowData_.Insert(r);
  }
  rowHidden_.insert(rowHidden_.begin() + at, 0);
  styles_.InsertRow(r);
  std::map<int, int> shifted;
  for (auto [row, h] : rowHeights_) shifted.emplace(row >= at ? row + 1 : row, h);
  rowHeights_.swap(shifted);
}

void GridData::RemoveRow(int row) {
  const size_t r = static_cast<size_t>(row);
  if (source_) {
    DropRow(r);
    rowMap_.erase(rowMap_.begin() + row);
  } else {
    for (CellColumn& c : columns_) c.Erase(r);
    rowData_.Erase(r);
  }
  hiddenCount_ -= rowHidden_[r];
  rowHidden_.erase(rowHidden_.begin() + row);
  styles_.EraseRow(r);
  std::map<int, int> shifted;
  for (auto [at, h] : rowHeights_)
    if (at != row) shifted.emplace(at > row ? at - 1 : at, h);
  rowHeights_.swap(shifted);
  DetachIfDone();
}

void GridData::RemoveRows(const std::vector<int>& rows) {
  if (rows.empty()) return;
  if (source_) {
    for (int r : rows) DropRow(static_cast<size_t>(r));
    EraseAt(rowMap_, rows);
  } else {
    for (CellColumn& c : columns_) c.EraseRows(rows);
    rowData_.EraseRows(rows);
  }
  for (int r : rows) hiddenCount_ -= rowHidden_[static_cast<size_t>(r)];
  EraseAt(rowHidden_, rows);
  styles_.EraseRows(rows);
  std::map<int, int> shifted;
  for (auto [at, h] : rowHeights_) {
    const auto below = std::lower_bound(rows.begin(), rows.end(), at);
    if (below == rows.end() || *below != at) shifted.emplace(at - static_cast<int>(below - rows.begin()), h);
  }
  rowHeights_.swap(shifted);
  DetachIfDone();
}

void CopyCell(const CellColumn& from, size_t row, CellColumn& to, size_t at) {
  switch (from.Kind(row)) {
    case CellKind::Empty: to.SetEmpty(at); break;
    case CellKind::Int: to.SetInt(at, from.IntValue(row)); break;
    case CellKind::Double: to.SetDouble(at, from.DoubleValue(row)); break;
    case CellKind::Text: to.SetText(at, from.Text(row).ToString()); break;
  }
}

const CellColumn& GridData::CellOf(int row, int col, size_t* at) const {
  const size_t own = OwnOf(row);
  if (own != kNotOwn) {
    *at = own;
    return Cells(col);
  }
  thread_local CellColumn cell;
  cell.Clear();
  cell.Resize(1);
  const uint32_t item = rowMap_[static_cast<size_t>(row)];
  source_->Fill(col, &item, 1, cell, 0);
  *at = 0;
  return cell;
}

std::shared_ptr<const CellColumn> GridData::ColumnCells(int col, size_t first, size_t n, size_t* base) const {
  if (!source_) {
    *base = first;
    return std::shared_ptr<const CellColumn>(std::shared_ptr<const CellColumn>(), &Cells(col));
  }
  auto cells = std::make_shared<CellColumn>();
  cells->Resize(n);
  const uint32_t* map = rowMap_.data() + first;
  source_->Fill(col, map, n, *cells, 0);
  for (size_t i = 0; i < n; ++i)
    if (!RowSource::IsItem(map[i])) grid::CopyCell(Cells(col), map[i] & ~RowSource::kNoItem, *cells, i);
  *base = 0;
  return cells;
}

void GridData::CopyCell(int from, int row, int col) {
  const size_t to = OwnRow(row);
  const size_t own = OwnOf(from);
  if (own != kNotOwn) {
    Cells(col).CopyCell(own, to);
  } else {
    const uint32_t item = rowMap_[static_cast<size_t>(from)];
    source_->Fill(col, &item, 1, Cells(col), to);
  }
}

bool GridData::SetRaw(int row, int col, uint64_t raw, uint32_t generation, int from) {
  if (from >= 0 && from < Rows() && OwnOf(from) == kNotOwn) return false;
  return Cells(col).SetRaw(OwnRow(row), raw, generation);
}

bool GridData::RawCell(int row, int col, uint64_t* raw, uint32_t* generation) const {
  const size_t own = OwnOf(row);
  if (own == kNotOwn) return false;
  *raw = Cells(col).Raw(own);
  *generation = Cells(col).Generation();
  return true;
}

QString GridData::DisplayText(int row, int col) const {
  size_t r = 0;
  const CellColumn& cells = CellOf(row, col, &r);
  const ColumnInfo& info = Column(col);
  if (info.combo.Maps()) {
    if (const QString* shown = info.combo.Lookup(cells, r)) return *shown;
  }
  if (!info.format.isEmpty()) {
    switch (cells.Kind(r)) {
      case CellKind::Int: return rt::Format(QVariant::fromValue<qlonglong>(cells.IntValue(r)), info.format);
      case CellKind::Double: return rt::Format(cells.DoubleValue(r), info.format);
      case CellKind::Text: return rt::Format(cells.ToString(r), info.format);
      case CellKind::Empty: break;
    }
  }
  return cells.ToString(r);
}

QVariant GridData::RowData(int row) const {
  const size_t r = OwnOf(row);
  if (r == kNotOwn) return QVariant::fromValue<qlonglong>(source_->RowData(rowMap_[static_cast<size_t>(row)]));
  switch (rowData_.Kind(r)) {
    case CellKind::Empty: return {};
    case CellKind::Int: return QVariant::fromValue<qlonglong>(rowData_.IntValue(r));
    case CellKind::Double: return rowData_.DoubleValue(r);
    case CellKind::Text: return rowData_.ToString(r);
  }
  return {};
}

void GridData::SetRowData(int row, const QVariant& value) {
  const size_t r = OwnRow(row);
  switch (value.typeId()) {
    case QMetaType::UnknownType: rowData_.SetEmpty(r); break;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::ULongLong: rowData_.SetInt(r, value.toLongLong()); break;
    case QMetaType::Double:
    case QMetaType::Float: rowData_.SetDouble(r, value.toDouble()); break;
    default: rowData_.SetText(r, value.toString()); break;
  }
}

void GridData::SetRowHidden(int row, bool hidden) {
  uint8_t& flag = rowHidden_[static_cast<size_t>(row)];
  hiddenCount_ += (hidden ? 1 : 0) - flag;
  flag = hidden ? 1 : 0;
}

int GridData::RowHeightTwips(int row) const {
  auto it = rowHeights_.find(row);
  return it == rowHeights_.end() ? -1 : it->second;
}

void GridData::SetRowHeightTwips(int row, int twips) {
  if (twips < 0)
    rowHeights_.erase(row);
  else
    rowHeights_[row] = twips;
}

void GridData::Clear(int r1, int r2, int c1, int c2, bool text, bool styles, bool rowData) {
  if (r1 > r2 || c1 > c2) return;
  if (text) {
    for (int c = c1; c <= c2; ++c)
      for (int r = r1; r <= r2; ++r) Cells(c).SetEmpty(OwnRow(r));
  }
  if (styles) styles_.ClearRange(static_cast<size_t>(r1), static_cast<size_t>(r2), static_cast<size_t>(c1),
                                 static_cast<size_t>(c2));
  if (rowData) {
    for (int r = r1; r <= r2; ++r) rowData_.SetEmpty(OwnRow(r));
  }
}

namespace {

enum KeyClass : uint8_t { kEmptyKey, kNumberKey, kTextKey };

struct SortKey {
  SortKey() {}  // NOLINT: left unset, so that arrays of keys are written once, in parallel
  SortKey(uint64_t b, uint32_t p, uint8_t c) : bits(b), pos(p), cls(c) {}
  uint64_t bits;  // the number's double bits, or the text's folded prefix
  uint32_t pos;   // position in the sorted range
  uint8_t cls;
};

SortKey NumberKey(double v, uint32_t pos) {
  if (std::isnan(v)) v = -std::numeric_limits<double>::infinity();
  return {std::bit_cast<uint64_t>(v), pos, kNumberKey};
}

// The key of text cell `row`, read as a date when `dates` is given, else as a number
// when it is one.
SortKey ReadText(const CellColumn& cells, size_t row, const DateReader* dates, uint32_t pos) {
  const TextRef text = cells.Text(row);
  std::optional<double> v = dates ? dates->Day(text.ToString()) : NumberOfText(text);
  return v ? NumberKey(*v, pos) : SortKey{text.FoldedPrefix(), pos, kTextKey};
}

using OrderKey = std::pair<uint8_t, uint64_t>;

uint64_t HashOf(uint64_t raw) { return raw * 0x9E3779B97F4A7C15ULL; }
uint64_t HashOf(const OrderKey& key) { return (key.second + key.first) * 0x9E3779B97F4A7C15ULL; }

// Keys with a value each, in open addressing with at least twice as many slots as keys.
// A table of fixed room (a worker's: what a worker allocates stays with its thread's
// heap) takes its slots when made and refuses keys beyond; any other grows as keys come:
// few keys stay in the cache.
template <typename Key, typename Value>
class KeyTable {
 public:
  explicit KeyTable(size_t fixedRoom = 0)
      : fixed_(fixedRoom), table_(fixedRoom ? std::bit_ceil(fixedRoom * 2) : size_t{1} << 10) {
    keys_.reserve(fixedRoom);
  }
  size_t Size() const { return keys_.size(); }
  const std::vector<Key>& Keys() const { return keys_; }  // in the order added
  // Adds `key` with `value` (a key there already keeps its value); false when the table's
  // fixed room is full.
  bool Add(const Key& key, const Value& value = Value{}) {
    Slot& slot = Find(key);
    if (slot.used) return true;
    if (fixed_ && keys_.size() == fixed_) return false;
    slot = {key, value, true};
    keys_.push_back(key);
    if (fixed_ || keys_.size() * 2 <= table_.size()) return true;
    std::vector<Slot> old(table_.size() * 2);
    old.swap(table_);
    for (const Slot& s : old)
      if (s.used) Find(s.key) = s;
    return true;
  }
  // The value of a key added.
  Value& operator[](const Key& key) { return Find(key).value; }
  const Value& operator[](const Key& key) const { return const_cast<KeyTable*>(this)->Find(key).value; }

 private:
  struct Slot {
    Key key{};
    Value value{};
    bool used = false;
  };
  Slot& Find(const Key& key) {
    const size_t mask = table_.size() - 1;
    size_t i = HashOf(key) >> (64 - std::countr_zero(table_.size()));
    while (table_[i].used && table_[i].key != key) i = (i + 1) & mask;
    return table_[i];
  }
  size_t fixed_;
  std::vector<Slot> table_;
  std::vector<Key> keys_;
};

// The room of a worker's table of distinct keys: more in one range, and the work is done
// in the caller alone.
constexpr size_t kRangeKeys = 4096;

// The keys of a column's stored texts, each read once, when they are few (dates, names
// that share their copies): read before the rows' keys are made over row ranges, which
// then only look them up. Read-only once Read has returned true.
class TextKeys {
 public:
  // Reads the stored texts of rows [first, first + n) of `cells`; false, reading none,
  // when there are more than kMax, or than kRangeKeys in a range.
  bool Read(const CellColumn& cells, size_t first, size_t n, const DateReader* dates) {
    // Each range's stored texts, with a row that holds each.
    const std::vector<size_t> bounds = RowRangeBounds(n);
    std::vector<KeyTable<uint64_t, Known>> seen;
    for (size_t r = 0; r + 1 < bounds.size(); ++r) seen.emplace_back(kRangeKeys);
    std::atomic<bool> tooMany{false};
    ForEachRowRange(bounds, [&](size_t r) {
      for (size_t i = bounds[r]; i < bounds[r + 1] && !tooMany; ++i)
        if (cells.Kind(first + i) == CellKind::Text && !seen[r].Add(cells.Raw(first + i), {first + i, 0}))
          tooMany = true;
    });
    if (tooMany) return false;
    for (const auto& ranged : seen)
      for (const uint64_t raw : ranged.Keys()) {
        known_.Add(raw, ranged[raw]);
        if (known_.Size() > kMax) return false;
      }
    for (const uint64_t raw : known_.Keys()) {
      Known& k = known_[raw];
      const SortKey key = ReadText(cells, k.first, dates, 0);
      k = {key.bits, key.cls};
    }
    return true;
  }
  SortKey Key(uint64_t raw, uint32_t pos) const {
    const Known& k = known_[raw];
    return {k.first, pos, k.second};
  }

 private:
  static constexpr size_t kMax = size_t{1} << 14;
  using Known = std::pair<uint64_t, uint8_t>;  // a row holding the text, then its key's bits and class
  KeyTable<uint64_t, Known> known_;
};

// Makes the sort keys of one column, read as dates when `dates` is given; its texts
// looked up in `read` when given, else read (as numbers or dates) once per stored copy,
// through a small cache keyed by the cell's bytes. One maker per thread: its caches are
// its own.
class KeyMaker {
 public:
  KeyMaker(const CellColumn& cells, const DateReader* dates, const TextKeys* read)
      : cells_(cells), dates_(dates), read_(read), cache_(read ? 0 : kSlots) {}

  SortKey Make(size_t row, uint32_t pos) {
    switch (cells_.Kind(row)) {
      case CellKind::Empty: return {0, pos, kEmptyKey};
      case CellKind::Int:
      case CellKind::Double: return NumberKey(cells_.DoubleValue(row), pos);
      case CellKind::Text: break;
    }
    const uint64_t raw = cells_.Raw(row);
    if (read_) return read_->Key(raw, pos);
    Slot& slot = cache_[(raw * 0x9E3779B97F4A7C15ULL) >> (64 - kSlotBits)];
    if (slot.used && slot.raw == raw) return {slot.bits, pos, slot.cls};
    // Dates are slow to read: every stored copy is read once, up to kDatesKept of them.
    if (dates_) {
      if (auto it = seen_.find(raw); it != seen_.end()) {
        slot = {raw, it->second.first, it->second.second, true};
        return {slot.bits, pos, slot.cls};
      }
    }
    const SortKey key = ReadText(cells_, row, dates_, pos);
    slot = {raw, key.bits, key.cls, true};
    if (dates_ && seen_.size() < kDatesKept) seen_.emplace(raw, std::pair{key.bits, key.cls});
    return key;
  }

 private:
  static constexpr int kSlotBits = 14;
  static constexpr size_t kSlots = size_t{1} << kSlotBits;
  struct Slot {
    uint64_t raw = 0;
    uint64_t bits = 0;
    uint8_t cls = 0;
    bool used = false;
  };
  static constexpr size_t kDatesKept = size_t{1} << 16;

  const CellColumn& cells_;
  const DateReader* dates_;
  const TextKeys* read_;
  std::vector<Slot> cache_;
  std::unordered_map<uint64_t, std::pair<uint64_t, uint8_t>> seen_;  // date cells read
};

// Rows [first, first + n) of `cells` as `combo` shows them: the texts of the ids it maps
// (each stored once), the cells it does not map as they are.
std::shared_ptr<CellColumn> ShownCells(const CellColumn& cells, const ComboList& combo, size_t first, size_t n) {
  auto shown = std::make_shared<CellColumn>();
  shown->Resize(n);
  std::unordered_map<const QString*, size_t> stored;  // a row holding each text
  for (size_t i = 0; i < n; ++i) {
    const size_t row = first + i;
    if (const QString* text = combo.Lookup(cells, row)) {
      const auto [at, added] = stored.try_emplace(text, i);
      if (added)
        shown->SetText(i, *text);
      else
        shown->CopyCell(at->second, i);
      continue;
    }
    switch (cells.Kind(row)) {
      case CellKind::Empty: break;
      case CellKind::Int: shown->SetInt(i, cells.IntValue(row)); break;
      case CellKind::Double: shown->SetDouble(i, cells.DoubleValue(row)); break;
      case CellKind::Text: shown->SetText(i, cells.Text(row).ToString()); break;
    }
  }
  return shown;
}

// The keys of one column, indexed by position, with what their texts need.
struct ColumnKeys {
  BigVector<SortKey> keys;
  std::shared_ptr<const CellColumn> own;  // the cells sorted by, when not the grid's
  const CellColumn* cells = nullptr;
  size_t first = 0;
  size_t textKeys = 0;  // keys of class kTextKey
  bool ranked = false;  // text keys hold ranks: no text needs reading

  // The keys of `cells` rows [first, first + n), made over row ranges.
  void Make(const CellColumn& column, size_t from, size_t n, const DateReader* dates) {
    cells = &column;
    first = from;
    keys.resize(n);
    // Over row ranges when the column's texts can be read once for all of them; else
    // (many distinct texts, or few rows) in the caller alone.
    TextKeys read;
    const bool shared = RowRangeBounds(n).size() > 2 && read.Read(column, first, n, dates);
    std::atomic<size_t> made{0};
    auto make = [&](size_t begin, size_t end) {
      KeyMaker maker(column, dates, shared ? &read : nullptr);
      size_t count = 0;
      for (size_t i = begin; i < end; ++i) {
        keys[i] = maker.Make(first + i, static_cast<uint32_t>(i));
        count += keys[i].cls == kTextKey;
      }
      made += count;
    };
    if (shared)
      ForRowRanges(n, make);
    else
      make(0, n);
    textKeys = made;
  }

  // Three-way comparison; the rows' texts break prefix ties.
  int Compare(const SortKey& a, const SortKey& b) const {
    if (a.cls != b.cls) return a.cls < b.cls ? -1 : 1;
    if (a.cls == kNumberKey) {
      const double x = std::bit_cast<double>(a.bits);
      const double y = std::bit_cast<double>(b.bits);
      return x < y ? -1 : (y < x ? 1 : 0);
    }
    if (a.cls == kTextKey) {
      if (a.bits != b.bits) return a.bits < b.bits ? -1 : 1;
      return ranked ? 0 : cells->Text(first + a.pos).CompareNoCase(cells->Text(first + b.pos));
    }
    return 0;
  }

  // When many rows share few stored texts (names, types), sorts the distinct texts
  // once and gives every text key its rank, so the row sort compares numbers only.
  void RankTexts() {
    if (textKeys < 64) return;
    BigVector<std::pair<uint64_t, uint32_t>> texts;  // cell bytes, position
    texts.reserve(textKeys);
    for (const SortKey& k : keys)
      if (k.cls == kTextKey) texts.emplace_back(cells->Raw(first + k.pos), k.pos);
    std::sort(texts.begin(), texts.end());
    std::vector<size_t> runs;  // start of each run of equal cell bytes
    for (size_t i = 0; i < texts.size(); ++i)
      if (i == 0 || texts[i].first != texts[i - 1].first) runs.push_back(i);
    if (runs.size() * 2 > texts.size()) return;
    std::vector<size_t> byText = runs;
    auto keyOf = [&](size_t run) -> const SortKey& { return keys[texts[run].second]; };
    std::sort(byText.begin(), byText.end(), [&](size_t a, size_t b) { return Compare(keyOf(a), keyOf(b)) < 0; });
    BigVector<uint64_t> rankOf(texts.size());
    uint64_t rank = 0;
    for (size_t j = 0; j < byText.size(); ++j) {
      if (j > 0 && Compare(keyOf(byText[j - 1]), keyOf(byText[j])) != 0) ++rank;
      rankOf[byText[j]] = rank;
    }
    for (size_t r = 0; r < runs.size(); ++r) {
      const size_t end = r + 1 < runs.size() ? runs[r + 1] : texts.size();
      for (size_t i = runs[r]; i < end; ++i) keys[texts[i].second].bits = rankOf[runs[r]];
    }
    ranked = true;
  }
};

// True when the keys alone order the rows: no two texts need their characters read.
bool RadixSortable(const ColumnKeys& k) { return k.ranked || k.textKeys == 0; }

// A number's key as an unsigned number of the same order (-0 and 0 alike).
uint64_t OrderedBits(uint64_t doubleBits) {
  if (doubleBits == uint64_t{1} << 63) doubleBits = 0;
  return doubleBits >> 63 ? ~doubleBits : doubleBits | uint64_t{1} << 63;
}

// The key of `k` as one unsigned number of the sort's order, with its class's place.
std::pair<uint8_t, uint64_t> OrderedKey(const SortKey& k, bool descending) {
  const uint64_t key = k.cls == kNumberKey ? OrderedBits(k.bits) : k.bits;
  return descending ? std::pair{static_cast<uint8_t>(2 - k.cls), ~key} : std::pair{k.cls, key};
}

// As RadixOrder when the keys take few distinct values (dates, types, ranked names): a
// counting sort by each key's rank among them, without a second copy of the keys, over
// row ranges unless `alone` (each range's rows go after those of the ranges before, so
// equal keys keep their order). False, with `keys` and `order` untouched, when there
// are too many.
bool CountingOrder(BigVector<SortKey>& keys, bool descending, uint32_t first, BigVector<uint32_t>& order,
                   bool alone = false) {
  constexpr size_t kMaxDistinct = size_t{1} << 15;
  const std::vector<size_t> bounds = alone ? std::vector<size_t>{0, keys.size()} : RowRangeBounds(keys.size());
  const size_t ranges = bounds.size() - 1;
  std::vector<KeyTable<OrderKey, uint32_t>> seen;
  for (size_t r = 0; r < ranges; ++r) seen.emplace_back(ranges > 1 ? kRangeKeys : 0);
  std::atomic<bool> full{false};
  ForEachRowRange(bounds, [&](size_t r) {
    for (size_t i = bounds[r]; i < bounds[r + 1] && !full; ++i)
      if (!seen[r].Add(OrderedKey(keys[i], descending)) || seen[r].Size() > kMaxDistinct) full = true;
  });
  if (full) return ranges > 1 ? CountingOrder(keys, descending, first, order, true) : false;
  KeyTable<OrderKey, uint32_t> rank;
  for (const auto& t : seen)
    for (const OrderKey& key : t.Keys()) {
      rank.Add(key);
      if (rank.Size() > kMaxDistinct) return false;
    }
  seen = {};
  std::vector<OrderKey> distinct = rank.Keys();
  std::sort(distinct.begin(), distinct.end());
  for (size_t d = 0; d < distinct.size(); ++d) rank[distinct[d]] = static_cast<uint32_t>(d);
  // Each key's bits become its rank; at[r][rank]: the rows of range r of each rank, then
  // the first place they take.
  std::vector<std::vector<uint32_t>> at(ranges, std::vector<uint32_t>(distinct.size(), 0));
  ForEachRowRange(bounds, [&](size_t r) {
    for (size_t i = bounds[r]; i < bounds[r + 1]; ++i) {
      keys[i].bits = rank[OrderedKey(keys[i], descending)];
      ++at[r][keys[i].bits];
    }
  });
  uint32_t place = 0;
  for (size_t d = 0; d < distinct.size(); ++d)
    for (size_t r = 0; r < ranges; ++r) {
      const uint32_t count = at[r][d];
      at[r][d] = place;
      place += count;
    }
  ForEachRowRange(bounds, [&](size_t r) {
    for (size_t i = bounds[r]; i < bounds[r + 1]; ++i) order[at[r][keys[i].bits]++] = first + keys[i].pos;
  });
  return true;
}

// The rows first + position of `keys` in their stable order (classes, then keys; equal
// keys by position), by a least-significant-digit radix sort; `keys` is used up.
void RadixOrder(BigVector<SortKey>& keys, bool descending, uint32_t first, BigVector<uint32_t>& order) {
  if (CountingOrder(keys, descending, first, order)) return;
  const size_t n = keys.size();
  BigVector<SortKey> other(n);
  // The classes first, each in position order: empty, numbers, texts (reversed when
  // descending); `bits` becomes the unsigned key.
  size_t count[3] = {};
  for (const SortKey& k : keys) ++count[k.cls];
  size_t start[3];
  for (size_t c = 0, at = 0; c < 3; ++c) {
    const size_t cls = descending ? 2 - c : c;
    start[cls] = at;
    at += count[cls];
  }
  for (const SortKey& k : keys) {
    uint64_t key = k.cls == kNumberKey ? OrderedBits(k.bits) : k.bits;
    if (descending) key = ~key;
    other[start[k.cls]++] = {key, k.pos, k.cls};
  }
  BigVector<SortKey>* from = &other;
  BigVector<SortKey>* to = &keys;
  // Then by key within each class: one stable pass per byte that is not the same in
  // every key of the class.
  for (int shift = 0; shift < 64; shift += 8) {
    size_t histogram[3][257] = {};
    bool trivial[3] = {};
    bool any = false;
    for (size_t c = 0, begin = 0; c < 3; ++c) {
      const size_t end = begin + count[descending ? 2 - c : c];
      for (size_t i = begin; i < end; ++i) ++histogram[c][(((*from)[i].bits >> shift) & 0xFF) + 1];
      for (size_t d = 1; d <= 256; ++d) trivial[c] = trivial[c] || histogram[c][d] == end - begin;
      any = any || !trivial[c];
      begin = end;
    }
    if (!any) continue;
    for (size_t c = 0, begin = 0; c < 3; ++c) {
      const size_t end = begin + count[descending ? 2 - c : c];
      if (trivial[c]) {
        std::copy(from->begin() + static_cast<ptrdiff_t>(begin), from->begin() + static_cast<ptrdiff_t>(end),
                  to->begin() + static_cast<ptrdiff_t>(begin));
      } else {
        size_t* slot = histogram[c];
        for (size_t d = 1; d <= 256; ++d) slot[d] += slot[d - 1];
        for (size_t i = begin; i < end; ++i) {
          const SortKey& k = (*from)[i];
          (*to)[begin + slot[(k.bits >> shift) & 0xFF]++] = k;
        }
      }
      begin = end;
    }
    std::swap(from, to);
  }
  for (size_t i = 0; i < n; ++i) order[i] = first + (*from)[i].pos;
}

// Whether order[i] is first + i for every i: rows already in order.
bool InPlace(const BigVector<uint32_t>& order, size_t first) {
  std::atomic<bool> moves{false};
  ForRowRanges(order.size(), [&](size_t begin, size_t end) {
    for (size_t i = begin; i < end && !moves; i += 4096) {
      const size_t stop = std::min(end, i + 4096);
      for (size_t j = i; j < stop; ++j)
        if (order[j] != first + j) moves = true;
    }
  });
  return !moves;
}

// The rows first + i of items[0, n), all items of `source`, in the order of the keys of
// their column's entries (RowSource::Entries), equal keys keeping their order: each
// distinct cell's key made once and ranked, then a counting sort by rank, the entries
// read a block at a time. False when the column has no entries; else `order` holds n
// rows.
bool EntryOrder(const RowSource& source, int col, const uint32_t* items, size_t n, const DateReader* dates,
                bool descending, uint32_t first, BigVector<uint32_t>& order) {
  constexpr size_t kBlock = size_t{1} << 14;
  std::vector<uint32_t> entries(std::min(n, kBlock));
  const CellColumn* cells = nullptr;
  // Calls each(i, entry of items[i]) for every i; false when the source has no entries.
  const auto forEach = [&](const auto& each) {
    for (size_t b = 0; b < n; b += kBlock) {
      const size_t count = std::min(kBlock, n - b);
      if (!source.Entries(col, items + b, count, entries.data(), &cells) || cells == nullptr) return false;
      for (size_t i = 0; i < count; ++i)
        if (!each(b + i, entries[i])) return false;
    }
    return true;
  };
  if (n == 0 || !source.Entries(col, items, 1, entries.data(), &cells) || cells == nullptr) return false;
  const size_t m = cells->Size();
  ColumnKeys k;
  k.Make(*cells, 0, m, dates);
  std::vector<uint32_t> byKey(m);
  std::iota(byKey.begin(), byKey.end(), 0u);
  std::stable_sort(byKey.begin(), byKey.end(),
                   [&](uint32_t a, uint32_t b) { return k.Compare(k.keys[a], k.keys[b]) < 0; });
  std::vector<uint32_t> rank(m);
  uint32_t ranks = 0;
  for (size_t j = 0; j < m; ++j) {
    if (j > 0 && k.Compare(k.keys[byKey[j - 1]], k.keys[byKey[j]]) != 0) ++ranks;
    rank[byKey[j]] = ranks;
  }
  if (descending)
    for (uint32_t& r : rank) r = ranks - r;
  std::vector<size_t> at(static_cast<size_t>(ranks) + 2, 0);
  if (!forEach([&](size_t, uint32_t e) { return e < m && (++at[rank[e] + 1], true); })) return false;
  for (size_t r = 1; r < at.size(); ++r) at[r] += at[r - 1];
  order.resize(n);
  return forEach([&](size_t i, uint32_t e) {
    order[at[rank[e]]++] = first + static_cast<uint32_t>(i);
    return true;
  });
}

}  // namespace

void GridData::Sort(int r1, int r2, int c1, int c2, bool descending, bool shown) {
  if (r1 >= r2 || c1 > c2) return;
  const size_t first = static_cast<size_t>(r1);
  const size_t n = static_cast<size_t>(r2 - r1 + 1);
  std::optional<DateReader> reader;
  if (c1 == c2 && SortsByEntries(c1, first, n, shown)) {
    if (Column(c1).dataType == kDateType) reader.emplace();
    BigVector<uint32_t> order;
    if (EntryOrder(*source_, c1, rowMap_.data() + first, n, reader ? &*reader : nullptr, descending,
                   static_cast<uint32_t>(first), order))
      return Reorder(first, n, order);
  }
  std::vector<ColumnKeys> keys(static_cast<size_t>(c2 - c1 + 1));
  for (int c = c1; c <= c2; ++c) {
    ColumnKeys& k = keys[static_cast<size_t>(c - c1)];
    const bool dates = Column(c).dataType == kDateType;
    if (dates && !reader) reader.emplace();
    size_t base = 0;
    k.own = ColumnCells(c, first, n, &base);
    if (shown && Column(c).combo.Maps()) {
      k.own = ShownCells(*k.own, Column(c).combo, base, n);
      base = 0;
    }
    k.Make(*k.own, base, n, dates ? &*reader : nullptr);
    k.RankTexts();
    // Keys that order the rows alone need no cells: a copy made for them goes now.
    if (c1 == c2 && RadixSortable(k)) k.own.reset(), k.cells = nullptr;
  }
  auto ordered = [descending](int cmp, uint32_t a, uint32_t b) {
    if (cmp != 0) return descending ? cmp > 0 : cmp < 0;
    return a < b;  // equal keys keep their order
  };
  BigVector<uint32_t> order(n);
  if (keys.size() == 1 && RadixSortable(keys[0])) {
    RadixOrder(keys[0].keys, descending, static_cast<uint32_t>(first), order);
  } else if (keys.size() == 1) {
    const ColumnKeys& k = keys[0];
    BigVector<SortKey>& sorted = keys[0].keys;
    std::sort(sorted.begin(), sorted.end(),
              [&](const SortKey& a, const SortKey& b) { return ordered(k.Compare(a, b), a.pos, b.pos); });
    for (size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(first) + sorted[i].pos;
  } else {
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      for (const ColumnKeys& k : keys) {
        const int cmp = k.Compare(k.keys[a], k.keys[b]);
        if (cmp != 0) return ordered(cmp, a, b);
      }
      return a < b;
    });
    for (uint32_t& o : order) o += static_cast<uint32_t>(first);
  }
  keys = {};
  Reorder(first, n, order);
}

bool GridData::SortsByEntries(int col, size_t first, size_t n, bool shown) const {
  if (!source_ || (shown && Column(col).combo.Maps())) return false;
  for (size_t i = first; i < first + n; ++i)
    if (!RowSource::IsItem(rowMap_[i])) return false;
  return true;
}

void GridData::Reorder(size_t first, size_t n, const BigVector<uint32_t>& order) {
  // Rows already in order (read in the order sorted by) stay where they are.
  if (InPlace(order, first)) return;
  const int r1 = static_cast<int>(first);
  const int r2 = static_cast<int>(first + n - 1);

  PermuteRoom room;
  if (source_) {
    PermuteInto(rowMap_, first, order, room.narrow);
  } else {
    for (CellColumn& c : columns_) c.Permute(first, order, room);
    rowData_.Permute(first, order, room);
  }
  styles_.Permute(first, order, room);
  if (hiddenCount_ > 0) {
    std::vector<uint8_t> old;
    PermuteInto(rowHidden_, first, order, old);
  }
  if (!rowHeights_.empty()) {
    std::map<int, int> moved;
    std::vector<int> newPos(n);
    for (size_t i = 0; i < n; ++i) newPos[order[i] - first] = r1 + static_cast<int>(i);
    for (auto [row, h] : rowHeights_) moved.emplace(row < r1 || row > r2 ? row : newPos[static_cast<size_t>(row - r1)], h);
    rowHeights_.swap(moved);
  }
}

}  // namespace ctl::grid
