#include "platform/controls/GridSizing.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

#include "platform/controls/GridData.h"

namespace ctl::grid {
namespace {

AdvanceTable Advances(const QFontMetricsF& fm) {
  AdvanceTable t{};
  for (int u = 0; u < 256; ++u) t[static_cast<size_t>(u)] = static_cast<float>(fm.horizontalAdvance(QChar(u)));
  return t;
}

QFont Bold(QFont f) {
  f.setBold(true);
  return f;
}

// An upper estimate of a text's width: the sum of its characters' advances.
template <typename Units>
float EstimateWidth(qsizetype size, Units unit, const AdvanceTable& table, const QFontMetricsF& fm) {
  float w = 1;  // room for rounding and kerning
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t u = unit(i);
    w += u < 256 ? table[u] : static_cast<float>(fm.horizontalAdvance(QChar(u)));
  }
  return w;
}

bool IsNumber(CellKind kind) { return kind == CellKind::Int || kind == CellKind::Double; }

// Runs scan(begin, end, part) over the row ranges of [0, n) (RowRangeBounds), each
// starting from `blank`; the parts in row order.
template <typename Part, typename Scan>
std::vector<Part> ScanRanges(size_t n, const Part& blank, const Scan& scan) {
  const std::vector<size_t> bounds = RowRangeBounds(n);
  std::vector<Part> parts(bounds.size() - 1, blank);
  ForEachRowRange(bounds, [&](size_t r) { scan(bounds[r], bounds[r + 1], parts[r]); });
  return parts;
}

// Values beyond which (or beyond a quarter of the column's rows) a column is sized row
// by row; counted as the table of distinct values grows, at 2^k + 1 values (k >= 9).
constexpr size_t kDistinctMax = size_t{1} << 15;
bool TooManyDistinct(size_t count, size_t rows) { return count > kDistinctMax || count * 4 > rows; }

// A value of a column's cells seen first at row `at`.
struct Seen {
  uint64_t raw = 0;
  uint32_t at = 0;  // counted from the first row sized, plus one; 0: none
  bool bold = false;
};

// The distinct stored values of a column's cells, by stored bytes and boldness, in a
// table whose order follows from the order they were added in (first seen first).
class DistinctValues {
 public:
  explicit DistinctValues(size_t rows) : rows_(rows), table_(size_t{1} << 10) {}

  // False, for good, once there are too many values to size them one by one.
  bool Add(const Seen& value) {
    if (failed_) return false;
    const size_t mask = table_.size() - 1;
    size_t k = Home(value.raw, value.bold);
    while (table_[k & mask].at != 0 && (table_[k & mask].raw != value.raw || table_[k & mask].bold != value.bold)) ++k;
    Seen& slot = table_[k & mask];
    if (slot.at != 0) return true;
    slot = value;
    if (++count_ * 2 > table_.size()) {
      if (TooManyDistinct(count_, rows_)) {
        failed_ = true;
        return false;
      }
      std::vector<Seen> old(table_.size() * 2);
      old.swap(table_);
      for (const Seen& s : old) {
        if (s.at == 0) continue;
        size_t j = Home(s.raw, s.bold);
        while (table_[j & (table_.size() - 1)].at != 0) ++j;
        table_[j & (table_.size() - 1)] = s;
      }
    }
    return true;
  }
  bool Failed() const { return failed_; }
  size_t Count() const { return count_; }
  // Free entries have `at` 0.
  const std::vector<Seen>& Table() const { return table_; }

 private:
  static size_t Home(uint64_t raw, bool bold) { return ((raw * 0x9E3779B97F4A7C15ULL) >> 40) + (bold ? 1 : 0); }

  size_t rows_;
  std::vector<Seen> table_;
  size_t count_ = 0;
  bool failed_ = false;
};

// The distinct values of a column's cells, by stored bytes and boldness, with the first
// row each is seen at, as ranges of rows scanned at once find them. A value takes its
// entry with one atomic exchange (a free entry holds 0; the value 0 has the last entry
// to itself); a range marks the entries it has seen, so that only a value's first row in
// a range may lower the entry's first row. Fails at as many values as the table of
// distinct values, grown one by one, would fail at.
class SharedValues {
 public:
  // `cells`: the cells that will be added, at most (no more values than that).
  SharedValues(size_t rows, size_t cells, bool mayBeBold) {
    size_t limit = 513;  // the first count at which that table grows
    while (!TooManyDistinct(limit, rows)) limit = (limit - 1) * 2 + 1;
    limit_ = limit;
    // Never full: racing ranges may each add a value past the limit.
    const size_t entries = std::bit_ceil(std::min(limit, cells) + 64);
    shift_ = 64 - std::countr_zero(entries);
    mask_ = entries - 1;
    tables_[0] = Table(entries + 1);
    if (mayBeBold) tables_[1] = Table(entries + 1);
  }

  // The marks of one range: a bit per entry.
  size_t MarkWords() const { return tables_[0].keys.size() / 64 + 1; }

  // Row `at` (plus one) holds `raw`; `marks` are its range's for values of that
  // boldness. False once there are too many values.
  bool Add(uint64_t raw, bool bold, uint32_t at, uint64_t* marks) {
    Table& table = tables_[bold ? 1 : 0];
    const uint64_t key = raw == 0 ? 1 : raw;
    size_t k = raw == 0 ? mask_ + 1 : (raw * 0x9E3779B97F4A7C15ULL) >> shift_;
    for (;;) {
      std::atomic_ref<uint64_t> entry(table.keys[k]);
      uint64_t held = entry.load(std::memory_order_relaxed);
      if (held == 0 && entry.compare_exchange_strong(held, key, std::memory_order_relaxed)) {
        if (count_.fetch_add(1, std::memory_order_relaxed) + 1 >= limit_) Fail();
        break;
      }
      if (held == key) break;
      k = (k + 1) & mask_;
    }
    uint64_t& word = marks[k / 64];
    const uint64_t bit = uint64_t{1} << (k % 64);
    if (!(word & bit)) {
      word |= bit;
      std::atomic_ref<uint32_t> first(table.at[k]);
      uint32_t held = first.load(std::memory_order_relaxed);
      while ((held == 0 || at < held) && !first.compare_exchange_weak(held, at, std::memory_order_relaxed)) {
      }
    }
    return !Failed();
  }
  void Fail() { failed_.store(true, std::memory_order_relaxed); }
  bool Failed() const { return failed_.load(std::memory_order_relaxed); }

  // Once every range is done: the values, first seen first.
  std::vector<Seen> InRowOrder() const {
    std::vector<Seen> values;
    values.reserve(count_);
    for (int bold = 0; bold < 2; ++bold) {
      const Table& table = tables_[bold];
      for (size_t k = 0; k < table.at.size(); ++k)
        if (table.at[k] != 0) values.push_back({k > mask_ ? 0 : table.keys[k], table.at[k], bold == 1});
    }
    std::sort(values.begin(), values.end(), [](const Seen& a, const Seen& b) { return a.at < b.at; });
    return values;
  }

 private:
  struct Table {
    Table() = default;
    explicit Table(size_t entries) : keys(entries), at(entries) {}
    std::vector<uint64_t> keys;
    std::vector<uint32_t> at;  // first row plus one; 0: none
  };
  size_t limit_ = 0;
  int shift_ = 0;
  size_t mask_ = 0;
  Table tables_[2];  // not bold, bold
  std::atomic<size_t> count_{0};
  std::atomic<bool> failed_{false};
};

// Of a column's numbers, the rows of the smallest and the largest, the first of equals;
// NaN taken for neither, unless it is the first number, which then stands for both.
struct Extremes {
  static constexpr size_t kNone = std::numeric_limits<size_t>::max();
  size_t firstAt = kNone;  // the first number's row
  bool firstNaN = false;
  size_t minAt = kNone, maxAt = kNone;
  double lo = 0, hi = 0;
  bool texts = false;  // a text among them

  void Add(size_t i, double v) {
    if (firstAt == kNone) firstAt = i, firstNaN = std::isnan(v);
    if (std::isnan(v)) return;
    if (minAt == kNone || v < lo) lo = v, minAt = i;
    if (maxAt == kNone || v > hi) hi = v, maxAt = i;
  }
  // Those of the rows after this part's.
  void Append(const Extremes& next) {
    texts = texts || next.texts;
    if (firstAt == kNone) firstAt = next.firstAt, firstNaN = next.firstNaN;
    if (next.minAt != kNone && (minAt == kNone || next.lo < lo)) lo = next.lo, minAt = next.minAt;
    if (next.maxAt != kNone && (maxAt == kNone || next.hi > hi)) hi = next.hi, maxAt = next.maxAt;
  }
};

// What a range of a column's rows gave: the entries of distinct values it has seen, or
// its numbers' extremes.
struct ColumnPart {
  std::vector<uint64_t> marks[2];  // not bold, bold
  Extremes extremes;
};

// The widest cell of one column: an upper estimate for every row, cheaply; then exact
// widths from the widest estimate down, round by round, until no estimate left can
// beat the widest text measured or enough texts were measured (the width may then be a
// pixel or so over). A row's number i counts from the first row sized.
class WidestCell {
 public:
  // `cells`: the column's cells by row when not the grid's own; `stands` the rows the
  // cells stand for, when more than the grid's (0: the grid's).
  WidestCell(const GridData& data, int col, int first, const CellFonts& fonts, SizingRoom& room,
             const CellColumn* cells = nullptr, size_t stands = 0)
      : data_(data),
        col_(col),
        first_(first),
        cells_(cells ? *cells : data.Cells(col)),
        info_(data.Column(col)),
        fonts_(fonts),
        estimate_(room.estimate),
        candidates_(room.candidates),
        shared_(room.shared),
        plainColumn_(!info_.combo.Maps() && info_.format.isEmpty()),
        listColumn_(info_.combo.Maps() && info_.format.isEmpty()),
        formattedNumbers_(!info_.combo.Maps() && !info_.format.isEmpty()),
        mayBeBold_(data.Styles().MayBeBold(static_cast<size_t>(col))),
        n_(static_cast<size_t>(std::max(0, data.Rows() - first))),
        minAt_(n_),
        maxAt_(n_),
        lastAt_(n_),
        stands_(std::max(stands, n_)) {
    if (plainColumn_ || listColumn_) values_ = std::make_unique<SharedValues>(stands_, n_, mayBeBold_);
    const QString separator = QLocale().decimalPoint();
    decimalPoint_ = separator.isEmpty() ? u'.' : separator[0].unicode();
  }

  size_t Rows() const { return n_; }

  // What Scan takes for a range.
  ColumnPart BlankPart() const {
    ColumnPart part;
    if (values_) {
      part.marks[0].resize(values_->MarkWords());
      if (mayBeBold_) part.marks[1].resize(values_->MarkWords());
    }
    return part;
  }
  // Rows [begin, end) scanned for what Px needs of them; on any thread.
  void Scan(size_t begin, size_t end, ColumnPart& part) const {
    if (formattedNumbers_) FindExtremes(begin, end, part.extremes);
    if (values_) ScanDistinct(begin, end, part);
  }

  // `parts`: what Scan gave of every row, in row order.
  double Px(const std::vector<ColumnPart>& parts) {
    if (formattedNumbers_) TakeExtremes(parts);
    double distinct = 0;
    if ((plainColumn_ || listColumn_) && DistinctWidest(&distinct)) return distinct;
    EstimateRows();
    double widest = 0;
    float upper = std::numeric_limits<float>::infinity();
    float lower = widestEstimate_ * 0.97f;
    uint32_t round = 0;
    // Each round measures the rows estimated in [lower, upper), then lowers the band.
    while (widestEstimate_ > 0) {
      ListCandidates(lower, upper, ++round);
      for (uint32_t i : candidates_) {
        if (EstimateOf(i) <= widest + kSlack) break;
        if (exactCount_++ == kMeasuredMax) return EstimateOf(i);
        widest = std::max(widest, ExactWidth(i));
      }
      if (widest + kSlack >= lower || lower <= 0) break;
      upper = lower;
      lower = std::max(static_cast<float>(widest), lower * 0.8f);
      if (lower < 1) lower = 0;
    }
    return widest;
  }

 private:
  // Estimates run at most a pixel or so over the exact width; a row within that of the
  // widest so far is not measured.
  static constexpr double kSlack = 1.5;
  // Texts measured exactly per column, at most: past them, the widest estimate left
  // (never below its text's width) stands for the column, as when many texts of one
  // length estimate alike.
  static constexpr size_t kMeasuredMax = 32;
  using Shared = SharedWidth;

  size_t RowOf(size_t i) const { return static_cast<size_t>(first_) + i; }
  bool IsBold(size_t i) const { return mayBeBold_ && data_.Style(first_ + static_cast<int>(i), col_).bold == 1; }
  QString TextOf(size_t i) const {
    const int row = first_ + static_cast<int>(i);
    return plainColumn_ ? cells_.ToString(static_cast<size_t>(row)) : data_.DisplayText(row, col_);
  }

  // A column whose every shown text follows from its cell's stored bytes (texts of a
  // plain column, ids of a listed one), as report columns repeating names, dates and
  // ids are: each distinct stored value is estimated and measured once, widest estimate
  // first, until no estimate left exceeds the widest text measured. False, for the
  // row-by-row way, when a cell is a number of a plain column or the values hardly
  // repeat.
  bool DistinctWidest(double* widest) {
    if (values_->Failed()) return false;
    // The table the rows added one by one would give.
    DistinctValues values(stands_);
    for (const Seen& s : values_->InRowOrder())
      if (!values.Add(s)) return false;
    const std::vector<Seen>& table = values.Table();
    const size_t count = values.Count();
    std::vector<std::pair<float, const Seen*>> byEstimate;
    byEstimate.reserve(count);
    for (const Seen& s : table) {
      if (s.at == 0) continue;
      const size_t i = s.at - 1;
      float w;
      if (plainColumn_) {
        const TextRef ref = cells_.Text(RowOf(i));
        w = EstimateWidth(ref.size, [&](qsizetype k) { return ref.Unit(k); }, fonts_.Table(s.bold),
                          fonts_.Metrics(s.bold));
      } else {
        w = EstimateText(TextOf(i), s.bold);
      }
      if (w > 0) byEstimate.emplace_back(w, &s);
    }
    std::sort(byEstimate.begin(), byEstimate.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    *widest = 0;
    size_t measured = 0;
    for (const auto& [estimate, s] : byEstimate) {
      if (estimate <= *widest) break;
      if (measured++ == kMeasuredMax) {
        *widest = estimate;
        break;
      }
      *widest = std::max(*widest, Measured(TextOf(s->at - 1), s->bold));
    }
    return true;
  }

  // The stored values of rows [begin, end) into the values; failed, when a cell is a
  // number of a plain column or there are too many values.
  void ScanDistinct(size_t begin, size_t end, ColumnPart& part) const {
    for (size_t i = begin; i < end; ++i) {
      const size_t row = RowOf(i);
      const CellKind kind = cells_.Kind(row);
      if (kind == CellKind::Empty) continue;  // shows nothing
      if (plainColumn_ && kind != CellKind::Text) return values_->Fail();
      const bool bold = IsBold(i);
      if (!values_->Add(cells_.Raw(row), bold, static_cast<uint32_t>(i + 1), part.marks[bold ? 1 : 0].data())) return;
    }
  }

  // In a column of formatted numbers (no list) the longest texts are those of the
  // largest and the smallest number, the digits taken as equally wide: only those two
  // numbers are formatted and measured, whatever the rows.
  void FindExtremes(size_t begin, size_t end, Extremes& part) const {
    for (size_t i = begin; i < end; ++i) {
      const CellKind kind = cells_.Kind(RowOf(i));
      part.texts = part.texts || kind == CellKind::Text;
      if (IsNumber(kind)) part.Add(i, cells_.DoubleValue(RowOf(i)));
    }
  }
  void TakeExtremes(const std::vector<ColumnPart>& parts) {
    Extremes all;
    for (const ColumnPart& part : parts) all.Append(part.extremes);
    texts_ = all.texts;
    if (all.firstNaN) all.minAt = all.maxAt = all.firstAt;  // nothing compares below or above it
    if (all.minAt != Extremes::kNone) minAt_ = all.minAt, maxAt_ = all.maxAt;
  }
  bool Skipped(size_t i, CellKind kind) const {
    return formattedNumbers_ && IsNumber(kind) && i != minAt_ && i != maxAt_;
  }

  // The entry of a cell whose text follows from its stored bytes, else null.
  Shared* SharedOf(size_t row, CellKind kind, bool bold) {
    if (!((plainColumn_ && kind == CellKind::Text) || (listColumn_ && kind != CellKind::Empty))) return nullptr;
    return &shared_[((cells_.Raw(row) * 0x9E3779B97F4A7C15ULL) >> 52) * 2 + (bold ? 1 : 0)];
  }
  // The entry that holds row i's own estimate, else null.
  Shared* SharedEstimate(size_t i, bool bold) {
    const size_t row = RowOf(i);
    Shared* shared = SharedOf(row, cells_.Kind(row), bold);
    return shared && shared->raw == cells_.Raw(row) && shared->width >= 0 ? shared : nullptr;
  }

  // Numbers and empty cells only: just the extremes have a width, and only they are
  // estimated and listed.
  bool OnlyExtremes() const { return formattedNumbers_ && !texts_; }
  // Row i's estimate; with only the extremes estimated, kept apart from the rows'.
  float& EstimateOf(size_t i) { return OnlyExtremes() ? extremeEstimate_[i == maxAt_ ? 1 : 0] : estimate_[i]; }

  void EstimateRows() {
    shared_.assign(size_t{2} << 12, Shared{});  // the room's: made once per sizing
    if (OnlyExtremes()) {
      for (size_t i : {minAt_, maxAt_})
        if (i < n_) Estimate(i);
    } else {
      estimate_.resize(n_);
      for (size_t i = 0; i < n_; ++i) Estimate(i);
    }
  }
  void Estimate(size_t i) {
    const size_t row = RowOf(i);
    const bool bold = IsBold(i);
    const CellKind kind = cells_.Kind(row);
    float w = 0;
    const uint64_t raw = cells_.Raw(row);
    if (Skipped(i, kind)) {
      // bounded by the extremes
    } else if (lastAt_ + 1 == i && raw == lastRaw_ && bold == lastBold_ && kind != CellKind::Empty) {
      w = EstimateOf(i - 1);  // the cell above holds the same (sorted columns repeat it)
    } else if (Shared* shared = SharedOf(row, kind, bold)) {
      w = EstimateShared(*shared, i, bold);
    } else if (plainColumn_ && kind != CellKind::Empty) {
      w = EstimateNumber(row, kind, bold);
    } else if (kind != CellKind::Empty || !plainColumn_) {
      w = EstimateText(TextOf(i), bold);
    }
    EstimateOf(i) = w;
    widestEstimate_ = std::max(widestEstimate_, w);
    lastAt_ = Skipped(i, kind) ? n_ : i;
    lastRaw_ = raw;
    lastBold_ = bold;
  }
  float EstimateShared(Shared& known, size_t i, bool bold) {
    const size_t row = RowOf(i);
    const uint64_t raw = cells_.Raw(row);
    if (known.width >= 0 && known.raw == raw) return known.width;
    float w;
    if (plainColumn_) {
      const TextRef ref = cells_.Text(row);
      w = EstimateWidth(ref.size, [&](qsizetype k) { return ref.Unit(k); }, fonts_.Table(bold), fonts_.Metrics(bold));
    } else {
      w = EstimateText(TextOf(i), bold);
    }
    known = {raw, w};
    return w;
  }
  // A number of a plain column: the characters CStr writes, '.' standing for the
  // decimal separator.
  float EstimateNumber(size_t row, CellKind kind, bool bold) const {
    char buf[32];
    const auto end = kind == CellKind::Int
                         ? std::to_chars(buf, buf + sizeof buf, cells_.IntValue(row)).ptr
                         : std::to_chars(buf, buf + sizeof buf, cells_.DoubleValue(row), std::chars_format::general, 15).ptr;
    return EstimateWidth(end - buf, [&](qsizetype k) { return buf[k] == '.' ? decimalPoint_ : char16_t(buf[k]); },
                         fonts_.Table(bold), fonts_.Metrics(bold));
  }
  float EstimateText(const QString& s, bool bold) const {
    if (s.isEmpty()) return 0;
    return EstimateWidth(s.size(), [&](qsizetype k) { return s[k].unicode(); }, fonts_.Table(bold), fonts_.Metrics(bold));
  }

  // The rows whose estimates lie in [lower, upper), widest estimate first; of the rows
  // sharing a stored text or id, one stands for them all.
  void ListCandidates(float lower, float upper, uint32_t round) {
    candidates_.clear();
    const size_t extremes[] = {minAt_, maxAt_ == minAt_ ? n_ : maxAt_};
    const size_t* const only = OnlyExtremes() ? extremes : nullptr;
    for (size_t k = 0, end = only ? 2 : n_; k < end; ++k) {
      const size_t i = only ? only[k] : k;
      if (i >= n_) continue;
      const float estimate = EstimateOf(i);
      if (!(estimate > 0 && estimate >= lower && estimate < upper)) continue;
      if (Shared* shared = SharedEstimate(i, IsBold(i))) {
        if (shared->listed == round) continue;
        shared->listed = round;
      }
      candidates_.push_back(static_cast<uint32_t>(i));
    }
    std::sort(candidates_.begin(), candidates_.end(), [&](uint32_t a, uint32_t b) { return EstimateOf(a) > EstimateOf(b); });
  }

  // Row i's text measured; a stored text or id measured before is not made into a
  // text again.
  double ExactWidth(size_t i) {
    const bool bold = IsBold(i);
    Shared* shared = SharedEstimate(i, bold);
    if (shared && shared->exact >= 0) return shared->exact;
    const double w = Measured(TextOf(i), bold);
    if (shared) shared->exact = w;
    return w;
  }
  double Measured(const QString& text, bool bold) {
    auto& known = bold ? measuredBold_ : measured_;
    auto it = known.constFind(text);
    if (it == known.constEnd()) it = known.insert(text, fonts_.Metrics(bold).horizontalAdvance(text));
    return it.value();
  }

  const GridData& data_;
  const int col_;
  const int first_;
  const CellColumn& cells_;
  const ColumnInfo& info_;
  const CellFonts& fonts_;
  BigVector<float>& estimate_;
  BigVector<uint32_t>& candidates_;
  std::vector<Shared>& shared_;
  const bool plainColumn_;
  const bool listColumn_;
  const bool formattedNumbers_;
  const bool mayBeBold_;
  const size_t n_;
  char16_t decimalPoint_ = u'.';
  size_t minAt_;       // formatted numbers: the rows of the smallest and the largest
  size_t maxAt_;
  bool texts_ = false;  // formatted numbers: a text among them
  float extremeEstimate_[2] = {};  // of the smallest and the largest number
  float widestEstimate_ = 0;
  size_t exactCount_ = 0;  // texts measured exactly
  size_t lastAt_ = 0;  // the row estimated last (n_: none to reuse)
  size_t stands_;      // the rows the cells stand for
  uint64_t lastRaw_ = 0;
  bool lastBold_ = false;
  std::unique_ptr<SharedValues> values_;  // of a column whose texts follow from the stored bytes
  QHash<QString, double> measured_, measuredBold_;
};

}  // namespace

CellFonts::CellFonts(const QFont& font)
    : plain(font), bold(Bold(font)), plainTable(Advances(plain)), boldTable(Advances(bold)) {}

namespace {

// Every column's rows in one pass over the threads, a range of rows at a time.
std::vector<double> Widest(std::vector<WidestCell>& columns) {
  if (columns.empty()) return {};
  const size_t rows = columns.front().Rows();
  std::vector<ColumnPart> blank;
  blank.reserve(columns.size());
  for (const WidestCell& column : columns) blank.push_back(column.BlankPart());
  std::vector<std::vector<ColumnPart>> ranges =
      ScanRanges(rows, blank,
                 [&](size_t begin, size_t end, std::vector<ColumnPart>& parts) {
                   for (size_t c = 0; c < columns.size(); ++c) columns[c].Scan(begin, end, parts[c]);
                 });
  std::vector<double> px;
  px.reserve(columns.size());
  for (size_t c = 0; c < columns.size(); ++c) {
    std::vector<ColumnPart> parts;
    parts.reserve(ranges.size());
    for (std::vector<ColumnPart>& range : ranges) parts.push_back(std::move(range[c]));
    px.push_back(columns[c].Px(parts));
  }
  return px;
}

// Column `col` of a grid with a source, from row `firstRow` down: over the cells that
// stand for its items (RowSource::WidthCells) and its own rows when the source has them
// and they size alike (none of the items' cells bold; extremes only of formatted
// numbers), else over a copy of the whole column.
// `own`: the grid's own rows from firstRow down.
double WidestWithSource(const GridData& data, int col, int firstRow, const std::vector<int>& own,
                        const CellFonts& fonts, SizingRoom& room) {
  const ColumnInfo& info = data.Column(col);
  const size_t first = static_cast<size_t>(std::min(firstRow, data.Rows()));
  const size_t rows = static_cast<size_t>(data.Rows()) - first;
  // The standing cells go straight into a grid of their own, the own rows below them.
  GridData grid;
  grid.SetCols(1);
  grid.Column(0) = info;
  CellColumn& cells = grid.Cells(0);
  bool extremes = false;
  const bool standIn = data.ShowsWholeSource() && data.Source()->WidthCells(col, cells, &extremes) &&
                       (cells.Size() == 0 || !data.Styles().MayBeBold(static_cast<size_t>(col))) &&
                       (!extremes || (!info.format.isEmpty() && !info.combo.Maps()));
  if (!standIn) {
    size_t base = 0;
    const std::shared_ptr<const CellColumn> all = data.ColumnCells(col, 0, static_cast<size_t>(data.Rows()), &base);
    std::vector<WidestCell> one;
    one.emplace_back(data, col, firstRow, fonts, room, all.get());
    return Widest(one).front();
  }
  const size_t n = cells.Size();
  grid.SetRows(static_cast<int>(n + own.size()));
  for (size_t j = 0; j < own.size(); ++j) {
    size_t at = 0;
    const CellColumn& from = data.CellOf(own[j], col, &at);
    CopyCell(from, at, cells, n + j);
    if (data.Style(own[j], col).bold == 1) grid.Styles().Set(n + j, n + j, 0, 0, StyleField::Bold, 1);
  }
  std::vector<WidestCell> one;
  one.emplace_back(grid, 0, 0, fonts, room, nullptr, rows);
  return Widest(one).front();
}

}  // namespace

std::vector<double> WidestCellsPx(const GridData& data, int col1, int col2, int firstRow, const CellFonts& fonts,
                                  SizingRoom& room) {
  if (data.Source()) {
    std::vector<int> own;
    for (int r = std::max(firstRow, 0); r < data.Rows(); ++r)
      if (data.ItemOf(r) == RowSource::kNoItem) own.push_back(r);
    std::vector<double> px;
    for (int c = col1; c <= col2; ++c) px.push_back(WidestWithSource(data, c, firstRow, own, fonts, room));
    return px;
  }
  std::vector<WidestCell> columns;
  columns.reserve(static_cast<size_t>(std::max(0, col2 - col1 + 1)));
  for (int c = col1; c <= col2; ++c) columns.emplace_back(data, c, firstRow, fonts, room);
  return Widest(columns);
}

}  // namespace ctl::grid
