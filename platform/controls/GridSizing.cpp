#include "platform/controls/GridSizing.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/controls/GridData.h"
#include "platform/runtime/Parallel.h"

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

// Runs scan(begin, end, part) over consecutive ranges of [0, n), on several threads when
// there are at least twice `rangeRows`; the parts, starting from `blank`, in row order.
template <typename Part, typename Scan>
std::vector<Part> ScanRanges(size_t n, size_t rangeRows, const Part& blank, const Scan& scan) {
  std::vector<std::pair<size_t, Part>> parts(rt::ParallelThreads(), {0, blank});
  std::atomic<size_t> used{0};
  rt::ParallelRanges(n, rangeRows, [&](size_t begin, size_t end) {
    auto& [first, part] = parts[used++];
    first = begin;
    scan(begin, end, part);
  });
  parts.erase(parts.begin() + static_cast<ptrdiff_t>(used.load()), parts.end());
  std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Part> inOrder;
  inOrder.reserve(parts.size());
  for (auto& part : parts) inOrder.push_back(std::move(part.second));
  return inOrder;
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

// The values of a range of a column's cells that are not empty, each with the row it is
// first seen at, in that order; probed by the cell's eight bytes alone (an empty cell's
// marking a free entry), bold cells apart.
class RangeValues {
 public:
  explicit RangeValues(size_t rows) : rows_(rows) {}

  // False once there are too many values in the range, and so in the column.
  bool Add(uint64_t raw, bool bold, uint32_t at) {
    if (!(bold ? boldKeys_ : keys_).Insert(raw)) return true;
    firsts_.push_back({raw, at, bold});
    const size_t count = firsts_.size();
    if (count > 512 && std::has_single_bit(count - 1) && TooManyDistinct(count, rows_)) failed_ = true;
    return !failed_;
  }
  void Fail() { failed_ = true; }
  bool Failed() const { return failed_; }
  const std::vector<Seen>& Firsts() const { return firsts_; }

 private:
  class Keys {
   public:
    // False when `raw` is in already.
    bool Insert(uint64_t raw) {
      if (keys_.empty()) Grow();
      size_t k = (raw * 0x9E3779B97F4A7C15ULL) >> shift_;
      const size_t mask = keys_.size() - 1;
      while (keys_[k] != kEmptyCell) {
        if (keys_[k] == raw) return false;
        k = (k + 1) & mask;
      }
      keys_[k] = raw;
      if (++count_ * 2 > keys_.size()) Grow();
      return true;
    }

   private:
    void Grow() {
      std::vector<uint64_t> old(keys_.empty() ? size_t{1} << 6 : keys_.size() * 2, kEmptyCell);
      old.swap(keys_);
      shift_ = 64 - std::countr_zero(keys_.size());
      count_ = 0;
      for (uint64_t raw : old)
        if (raw != kEmptyCell) Insert(raw);
    }
    std::vector<uint64_t> keys_;
    int shift_ = 64;
    size_t count_ = 0;
  };

  size_t rows_;
  Keys keys_, boldKeys_;
  std::vector<Seen> firsts_;
  bool failed_ = false;
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

// What a range of a column's rows gave: its distinct values, or its numbers' extremes.
struct ColumnPart {
  explicit ColumnPart(size_t rows) : values(rows) {}
  RangeValues values;
  Extremes extremes;
};

// The widest cell of one column: an upper estimate for every row, cheaply; then exact
// widths from the widest estimate down, round by round, until no estimate left can
// beat the widest text measured or enough texts were measured (the width may then be a
// pixel or so over). A row's number i counts from the first row sized.
class WidestCell {
 public:
  WidestCell(const GridData& data, int col, int first, const CellFonts& fonts, SizingRoom& room)
      : data_(data),
        col_(col),
        first_(first),
        cells_(data.Cells(col)),
        info_(data.Column(col)),
        fonts_(fonts),
        estimate_(room.estimate),
        candidates_(room.candidates),
        plainColumn_(!info_.combo.Maps() && info_.format.isEmpty()),
        listColumn_(info_.combo.Maps() && info_.format.isEmpty()),
        formattedNumbers_(!info_.combo.Maps() && !info_.format.isEmpty()),
        mayBeBold_(data.Styles().MayBeBold(static_cast<size_t>(col))),
        n_(static_cast<size_t>(std::max(0, data.Rows() - first))),
        minAt_(n_),
        maxAt_(n_),
        lastAt_(n_) {
    const QString separator = QLocale().decimalPoint();
    decimalPoint_ = separator.isEmpty() ? u'.' : separator[0].unicode();
  }

  size_t Rows() const { return n_; }

  // Rows [begin, end) scanned for what Px needs of them; on any thread.
  void Scan(size_t begin, size_t end, ColumnPart& part) const {
    if (formattedNumbers_) FindExtremes(begin, end, part.extremes);
    if (plainColumn_ || listColumn_) ScanDistinct(begin, end, part.values);
  }

  // `parts`: what Scan gave of every row, in row order.
  double Px(const std::vector<ColumnPart>& parts) {
    if (formattedNumbers_) TakeExtremes(parts);
    double distinct = 0;
    if ((plainColumn_ || listColumn_) && DistinctWidest(parts, &distinct)) return distinct;
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
  // The widths of the cells that share one stored text (names, dates of a report) or
  // one listed id, by stored bytes and boldness: estimated and measured once.
  struct Shared {
    uint64_t raw = 0;
    float width = -1;
    double exact = -1;    // measured
    uint32_t listed = 0;  // the round that made one of its rows a candidate
  };

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
  bool DistinctWidest(const std::vector<ColumnPart>& parts, double* widest) {
    // The table the rows added one by one would give.
    DistinctValues values(n_);
    for (const ColumnPart& part : parts) {
      if (part.values.Failed()) return false;
      for (const Seen& s : part.values.Firsts())
        if (!values.Add(s)) return false;
    }
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

  // The stored values of rows [begin, end) into `values`; failed, when a cell is a
  // number of a plain column or there are too many values.
  void ScanDistinct(size_t begin, size_t end, RangeValues& values) const {
    for (size_t i = begin; i < end; ++i) {
      const size_t row = RowOf(i);
      const CellKind kind = cells_.Kind(row);
      if (kind == CellKind::Empty) continue;  // shows nothing
      if (plainColumn_ && kind != CellKind::Text) return values.Fail();
      if (!values.Add(cells_.Raw(row), IsBold(i), static_cast<uint32_t>(i + 1))) return;
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
    shared_.assign(size_t{2} << 12, Shared{});
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
  uint64_t lastRaw_ = 0;
  bool lastBold_ = false;
  std::vector<Shared> shared_;
  QHash<QString, double> measured_, measuredBold_;
};

}  // namespace

CellFonts::CellFonts(const QFont& font)
    : plain(font), bold(Bold(font)), plainTable(Advances(plain)), boldTable(Advances(bold)) {}

std::vector<double> WidestCellsPx(const GridData& data, int col1, int col2, int firstRow, const CellFonts& fonts,
                                  SizingRoom& room) {
  std::vector<WidestCell> columns;
  columns.reserve(static_cast<size_t>(std::max(0, col2 - col1 + 1)));
  for (int c = col1; c <= col2; ++c) columns.emplace_back(data, c, firstRow, fonts, room);
  if (columns.empty()) return {};
  // Every column's rows in one pass over the threads, a range of rows at a time.
  const size_t rows = columns.front().Rows();
  std::vector<std::vector<ColumnPart>> ranges =
      ScanRanges(rows, room.rangeRows, std::vector<ColumnPart>(columns.size(), ColumnPart(rows)),
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

}  // namespace ctl::grid
