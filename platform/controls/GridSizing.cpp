#include "platform/controls/GridSizing.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <charconv>
#include <limits>

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
        lastAt_(n_),
        shared_(size_t{2} << 12) {
    const QString separator = QLocale().decimalPoint();
    decimalPoint_ = separator.isEmpty() ? u'.' : separator[0].unicode();
  }

  double Px() {
    if (formattedNumbers_) FindExtremes();
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
        if (estimate_[i] <= widest + kSlack) break;
        if (exactCount_++ == kMeasuredMax) return estimate_[i];
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
  // Distinct values beyond which (or beyond a quarter of the rows) a column is sized
  // row by row.
  static constexpr size_t kDistinctMax = size_t{1} << 15;

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
  bool DistinctWidest(double* widest) {
    struct Seen {
      uint64_t raw = 0;
      uint32_t at = 0;  // its first row, counted from first_, plus one; 0: free
      bool bold = false;
    };
    std::vector<Seen> table(size_t{1} << 10);
    auto home = [](uint64_t raw, bool bold) { return ((raw * 0x9E3779B97F4A7C15ULL) >> 40) + (bold ? 1 : 0); };
    size_t count = 0;
    uint64_t lastRaw = 0;
    bool lastBold = false, haveLast = false;
    for (size_t i = 0; i < n_; ++i) {
      const size_t row = RowOf(i);
      const CellKind kind = cells_.Kind(row);
      if (kind == CellKind::Empty) continue;  // shows nothing
      if (plainColumn_ && kind != CellKind::Text) return false;
      const uint64_t raw = cells_.Raw(row);
      const bool bold = IsBold(i);
      if (haveLast && raw == lastRaw && bold == lastBold) continue;
      lastRaw = raw, lastBold = bold, haveLast = true;
      const size_t mask = table.size() - 1;
      size_t k = home(raw, bold);
      while (table[k & mask].at != 0 && (table[k & mask].raw != raw || table[k & mask].bold != bold)) ++k;
      Seen& slot = table[k & mask];
      if (slot.at != 0) continue;
      slot = {raw, static_cast<uint32_t>(i + 1), bold};
      if (++count * 2 > table.size()) {
        if (count > kDistinctMax || count * 4 > n_) return false;
        std::vector<Seen> old(table.size() * 2);
        old.swap(table);
        for (const Seen& s : old) {
          if (s.at == 0) continue;
          size_t j = home(s.raw, s.bold);
          while (table[j & (table.size() - 1)].at != 0) ++j;
          table[j & (table.size() - 1)] = s;
        }
      }
    }
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

  // In a column of formatted numbers (no list) the longest texts are those of the
  // largest and the smallest number, the digits taken as equally wide: only those two
  // numbers are formatted and measured, whatever the rows.
  void FindExtremes() {
    double lo = 0, hi = 0;
    for (size_t i = 0; i < n_; ++i) {
      const CellKind kind = cells_.Kind(RowOf(i));
      texts_ = texts_ || kind == CellKind::Text;
      if (!IsNumber(kind)) continue;
      const double v = cells_.DoubleValue(RowOf(i));
      if (minAt_ == n_ || v < lo) lo = v, minAt_ = i;
      if (maxAt_ == n_ || v > hi) hi = v, maxAt_ = i;
    }
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

  void EstimateRows() {
    estimate_.resize(n_);
    if (OnlyExtremes()) {
      for (size_t i : {minAt_, maxAt_})
        if (i < n_) Estimate(i);
    } else {
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
      w = estimate_[i - 1];  // the cell above holds the same (sorted columns repeat it)
    } else if (Shared* shared = SharedOf(row, kind, bold)) {
      w = EstimateShared(*shared, i, bold);
    } else if (plainColumn_ && kind != CellKind::Empty) {
      w = EstimateNumber(row, kind, bold);
    } else if (kind != CellKind::Empty || !plainColumn_) {
      w = EstimateText(TextOf(i), bold);
    }
    estimate_[i] = w;
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
      if (!(estimate_[i] > 0 && estimate_[i] >= lower && estimate_[i] < upper)) continue;
      if (Shared* shared = SharedEstimate(i, IsBold(i))) {
        if (shared->listed == round) continue;
        shared->listed = round;
      }
      candidates_.push_back(static_cast<uint32_t>(i));
    }
    std::sort(candidates_.begin(), candidates_.end(), [&](uint32_t a, uint32_t b) { return estimate_[a] > estimate_[b]; });
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

double WidestCellPx(const GridData& data, int col, int firstRow, const CellFonts& fonts, SizingRoom& room) {
  return WidestCell(data, col, firstRow, fonts, room).Px();
}

}  // namespace ctl::grid
