#include "reports/mdlGrid.h"

#include <QCoreApplication>
#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>
#include <QFileInfo>

#include "database/DbAccess.h"
#include "database/clsRptColDef.h"
#include "database/clsRptDef.h"
#include "database/store/ReportTables.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/DecimalDigits.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Format.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

namespace reports {
namespace {

bool IsAmountType(const QString& t) {
  return t.size() == 1 && (t[0] == u'U' || t[0] == u'C' || t[0] == u'A');
}

bool IsIntegerType(const QString& t) { return t.size() == 1 && t[0] == u'I'; }

// Every character of `s` as a literal of a number format.
QString Literal(const QString& s) {
  QString out;
  for (QChar c : s) {
    out += u'\\';
    out += c;
  }
  return out;
}

// The typed cell value of a raw value: a number, an integer, a text or null (empty).
QVariant TypedValue(const clsRptColDef& def, const QVariant& raw, GridCellWriter* writer) {
  const QString& t = def.m_sDataType;
  // No value (a column the filler does not know) is an empty cell of any type.
  if (raw.typeId() == QMetaType::QString && raw.toString().isEmpty()) return QString();
  if (IsAmountType(t)) {
    const double v = raw.toDouble();
    return v == 0 ? QVariant() : QVariant(v);
  }
  if (IsIntegerType(t)) return QVariant::fromValue<qlonglong>(gSystem().Minus1ToZero(raw.toInt()));
  if (t == QLatin1String("D")) {
    const QString stored = raw.toString();
    return writer ? writer->DateText(stored)
                  : gSystem().DBDateToDislayDate(stored, QStringLiteral("Short Date"));
  }
  return raw.toString();
}

// Decimals shown by a column format such as "\$##,##0.00;\$\-##,##0.00": the digit
// places after the first decimal point that is not a literal. A column without a
// format shows what it holds: the database's most, 4.
int FormatDecimals(const QString& fmt) {
  if (fmt.isEmpty()) return 4;
  int decimals = 0;
  bool after = false;
  for (qsizetype i = 0; i < fmt.size() && fmt[i] != u';'; ++i) {
    if (fmt[i] == u'\\') {
      ++i;
    } else if (fmt[i] == u'.') {
      after = true;
    } else if (after && (fmt[i] == u'0' || fmt[i] == u'#')) {
      ++decimals;
    }
  }
  return decimals;
}

// The number a cell shows, times 10^decimals: its value rounded as its format rounds
// it (half away from zero on the decimal value). Text cells (written by hand) show none.
// Values near a half are rounded on their exact decimal digits, once per value.
class ShownScaler {
 public:
  explicit ShownScaler(int decimals) : decimals_(decimals) {}

  bool Scaled(const ctl::grid::CellColumn& cells, size_t row, int64_t& scaled) {
    const ctl::grid::CellKind kind = cells.Kind(row);
    if (kind == ctl::grid::CellKind::Int) {
      scaled = cells.IntValue(row);
      for (int d = 0; d < decimals_; ++d) scaled *= 10;
      return true;
    }
    if (kind != ctl::grid::CellKind::Double) return false;
    static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    const double value = cells.DoubleValue(row);
    const double x = value * (decimals_ < 9 ? kPow10[decimals_] : std::pow(10.0, decimals_));
    // Away from a half the binary product rounds as the decimal value does.
    if (const double frac = std::abs(x - std::trunc(x)); std::abs(frac - 0.5) > 1e-6 && std::abs(x) < 1e15) {
      scaled = static_cast<int64_t>(std::round(x));
      return true;
    }
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    Known& known = known_[(bits * 0x9E3779B97F4A7C15ULL) >> (64 - kKnownBits)];
    if (!known.used || known.bits != bits) {
      const std::optional<int64_t> exact =
          rt::DecimalDigits::FromDouble(value).ToScaled(decimals_, rt::Rounding::HalfAwayFromZero);
      known = {bits, exact.value_or(0), exact.has_value(), true};
    }
    scaled = known.scaled;
    return known.exact;
  }

 private:
  static constexpr int kKnownBits = 12;
  struct Known {
    uint64_t bits = 0;
    int64_t scaled = 0;
    bool exact = false;
    bool used = false;
  };
  int decimals_;
  std::vector<Known> known_ = std::vector<Known>(size_t{1} << kKnownBits);
};

int LastDataRow(const ctl::GridControl& grd) {
  const int last = grd.Rows() - 1;
  return grd.RowData(last).toLongLong() > 0 ? last : last - 1;
}

bool g_loading = false;

}  // namespace

GridFormats GridFormats::Read(clsDB& db) {
  return {db.DecimalsUnitsFormat(), db.DecimalsPerUnitFormat(), db.DecimalsAmountsFormat(),
          gSystem().GetCurrencySymbol()};
}

QString GridFormats::ColumnFormat(const QString& t) const {
  if (t == QLatin1String("U")) return units;
  if (t != QLatin1String("C") && t != QLatin1String("A")) return {};
  // The symbol stands before the sign, as "$-5.00".
  const QString& fmt = t == QLatin1String("C") ? perUnit : amounts;
  const QString sym = Literal(currency);
  return sym + fmt + u';' + sym + QStringLiteral("\\-") + fmt;
}

void LoadGridColumns(ctl::GridControl& grd, const clsRptDef& RptDef) {
  try {
    const int32_t n = RptDef.m_collColumnDefs.Count();
    if (n == 0) return;
    grd.setCols(n + 1);
    const GridFormats formats = GridFormats::Read();
    for (int32_t k = 1; k <= n; ++k) {
      const clsRptColDef& def = RptDef.m_collColumnDefs.Item(k);
      grd.setTextMatrix(0, k, def.m_sDisplayName);
      grd.setColData(k, def.m_nRowID);
      grd.setColFormat(k, formats.ColumnFormat(def.m_sDataType));
    }
    LoadGridComboLists(grd, RptDef);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("LoadGridColumns"));
  }
}

void LoadGridComboLists(ctl::GridControl& grd, const clsRptDef& RptDef) {
  clsDB& db = gDB();
  const int32_t n = std::min(RptDef.m_collColumnDefs.Count(), grd.Cols() - 1);
  for (int32_t k = 1; k <= n; ++k) {
    const clsRptColDef& def = RptDef.m_collColumnDefs.Item(k);
    if (def.m_nCatTypeID > 0) {
      grd.setColComboList(k, db.ListComboStr(static_cast<store::ListType>(def.m_nCatTypeID)));
    }
  }
}

void FormatGrid(ctl::GridControl& grd, const clsRptDef& RptDef) {
  try {
    ShowGridTotals(grd, RptDef);
    // The count is of report columns: column 0 (the selection column, hidden in
    // transaction grids) stays with them, and at least one report column scrolls.
    const int32_t freeze = RptDef.m_udRptOptions.m_nNumOfColumns2Freeze;
    grd.setFrozenCols(freeze > 0 && freeze + 1 < grd.Cols() ? freeze + 1 : 0);
    const int32_t n = std::min(RptDef.m_collColumnDefs.Count(), grd.Cols() - 1);
    for (int32_t k = 1; k <= n; ++k) {
      const clsRptColDef& def = RptDef.m_collColumnDefs.Item(k);
      int align = ctl::flexAlignLeftCenter;
      if (def.m_sAlignment == QLatin1String("C")) align = ctl::flexAlignCenterCenter;
      if (def.m_sAlignment == QLatin1String("R")) align = ctl::flexAlignRightCenter;
      grd.setColAlignment(k, align);
      if (def.m_sDataType == QLatin1String("D")) grd.setColDataType(k, ctl::flexDTDate);
    }
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("FormatGrid"));
  }
}

void SortGridByColumn(ctl::GridControl& grd, int32_t nCol, int32_t nOrder) {
  if (nCol < 0 || nCol >= grd.Cols() || grd.Cols() <= 1 || grd.Rows() <= 2) return;
  const int last = LastDataRow(grd);
  if (last <= 1) return;
  grd.Select(1, nCol, last, nCol);
  grd.SortShown(nOrder == 1 ? ctl::flexSortGenericDescending : ctl::flexSortGenericAscending);
  grd.Select(1, nCol);
}

void FormatGridValue(const clsRptColDef& ColDef, QVariant& vValue, const QString& sUnitsFmt,
                     const QString& sPerUnitFmt, const QString& sAmountsFmt) {
  const QVariant typed = TypedValue(ColDef, vValue, nullptr);
  if (!IsAmountType(ColDef.m_sDataType)) {
    vValue = typed.toString();
    return;
  }
  const GridFormats formats{sUnitsFmt, sPerUnitFmt, sAmountsFmt, gSystem().GetCurrencySymbol()};
  vValue = typed.isNull() ? QString() : rt::Format(typed, formats.ColumnFormat(ColDef.m_sDataType));
}

void StyleGridRow(ctl::GridControl& grd, int32_t nRow, int32_t nForeColor, int32_t nBackColor) {
  const int last = grd.Cols() - 1;
  if (last < 1) return;
  if (nForeColor >= 0) grd.setCell(ctl::flexcpForeColor, nRow, 1, nRow, last, nForeColor);
  if (nBackColor >= 0) grd.setCell(ctl::flexcpBackColor, nRow, 1, nRow, last, nBackColor);
}

void ShowGridTotals(ctl::GridControl& grd, const clsRptDef& RptDef) {
  if (GridHasTotalsRow(grd)) grd.setRows(grd.Rows() - 1);
  if (RptDef.RequiresToBeTotaled() && grd.Rows() > 2) {
    const int totals = grd.Rows();
    grd.setRows(totals + 1);
    grd.setRowData(totals, kTotalsRowData);
    GridCellWriter writer(grd);
    const int32_t n = std::min(RptDef.m_collColumnDefs.Count(), grd.Cols() - 1);
    // The cells are added as shown: each rounded to its column's decimals.
    struct Total {
      int32_t col;
      int decimals;
      int64_t sum;
    };
    std::vector<Total> sums;
    for (int32_t k = 1; k <= n; ++k) {
      const clsRptColDef& def = RptDef.m_collColumnDefs.Item(k);
      if (!def.m_bCanBeTotal) continue;
      sums.push_back({k, FormatDecimals(grd.ColFormat(k)), 0});
    }
    // The data rows over row ranges, each range with its own scalers and sums; integer
    // sums add exactly.
    const ctl::grid::GridData& data = grd.Data();
    const std::vector<size_t> bounds = ctl::grid::RowRangeBounds(static_cast<size_t>(totals - 1));
    std::vector<std::vector<ShownScaler>> shown(bounds.size() - 1);
    for (auto& scalers : shown)
      for (const Total& t : sums) scalers.emplace_back(t.decimals);
    std::vector<std::vector<int64_t>> part(bounds.size() - 1, std::vector<int64_t>(sums.size(), 0));
    // The totalled columns' cells are read a block of rows at a time.
    constexpr size_t kBlock = 4096;
    if (!sums.empty())
      ctl::grid::ForEachRowRange(bounds, [&](size_t range) {
        for (size_t from = bounds[range] + 1; from <= bounds[range + 1]; from += kBlock) {
          const size_t n = std::min(kBlock, bounds[range + 1] + 1 - from);
          for (size_t t = 0; t < sums.size(); ++t) {
            size_t base = 0;
            const std::shared_ptr<const ctl::grid::CellColumn> cells = data.ColumnCells(sums[t].col, from, n, &base);
            for (size_t i = 0; i < n; ++i) {
              int64_t v = 0;
              if (data.RowDataInt(static_cast<int>(from + i)) > 0 && shown[range][t].Scaled(*cells, base + i, v))
                part[range][t] += v;
            }
          }
        }
      });
    for (const auto& ranged : part)
      for (size_t t = 0; t < sums.size(); ++t) sums[t].sum += ranged[t];
    for (const Total& t : sums)
      writer.Set(totals, t.col, RptDef.m_collColumnDefs.Item(t.col),
                 rt::DecimalDigits::FromScaled(t.sum, t.decimals).ToDouble());
    if (grd.Cols() > 1) grd.setCell(ctl::flexcpBackColor, totals, 1, totals, grd.Cols() - 1, kTotalsBackColor);
    // The label goes in the first shown report column without a total: column 0 is
    // hidden in some panes and never printed.
    int32_t label = 0;
    for (int32_t c = 1; c < grd.Cols() && label == 0; ++c) {
      const bool totalled = std::any_of(sums.begin(), sums.end(), [c](const Total& t) { return t.col == c; });
      if (!totalled && !grd.ColHidden(c)) label = c;
    }
    grd.setTextMatrix(totals, label, QStringLiteral("Total:"));
  }
  if (grd.Rows() > 0 && grd.Cols() > 0) {
    grd.setCell(ctl::flexcpFontBold, 0, 0, grd.Rows() - 1, 0, true);
    grd.setCell(ctl::flexcpAlignment, 0, 0, grd.Rows() - 1, 0, ctl::flexAlignCenterCenter);
  }
}

QString GridNotes::Cut(const QString& note) {
  constexpr int32_t kNotesMaxLen = 255;
  return gSystem().StrTruncate(note, kNotesMaxLen);
}

void GridNotes::ReportUnreadable(const QString& whose, const QString& tablePath) const {
  if (unreadable_ == 0) return;
  QString memo = QFileInfo(tablePath).fileName();
  memo = memo.left(memo.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".fpt");
  const QString count = unreadable_ == 1 ? QStringLiteral("The note of 1 of the %1 shown cannot be read").arg(whose)
                                         : QStringLiteral("The notes of %1 of the %2 shown cannot be read")
                                               .arg(unreadable_)
                                               .arg(whose);
  ui::MsgBox(count + QStringLiteral(": the file that holds the notes (") + memo +
                 QStringLiteral(") is damaged. Those notes show as \"") + QLatin1String(kUnreadableNote) +
                 QStringLiteral("\"; everything else shown is as stored.\n\nTo get the notes back, restore ") + memo +
                 QStringLiteral(" from a backup."),
             ui::vbExclamation);
}

bool GridHasTotalsRow(const ctl::GridControl& grd) {
  return grd.Rows() >= 2 && grd.RowData(grd.Rows() - 1).toLongLong() == kTotalsRowData;
}

void GridCellWriter::Set(int nRow, int nCol, const clsRptColDef& ColDef, const QVariant& vRaw) {
  const QVariant v = TypedValue(ColDef, vRaw, this);
  switch (v.typeId()) {
    case QMetaType::Double: grd_.setTextMatrix(nRow, nCol, v.toDouble()); break;
    case QMetaType::LongLong: grd_.setTextMatrix(nRow, nCol, v.toLongLong()); break;
    default: grd_.setTextMatrix(nRow, nCol, v.toString()); break;
  }
}

void SetGridCell(ctl::grid::CellColumn& cells, size_t at, const clsRptColDef& ColDef, const QVariant& vRaw) {
  const QVariant v = TypedValue(ColDef, vRaw, nullptr);
  switch (v.typeId()) {
    case QMetaType::Double: cells.SetDouble(at, v.toDouble()); break;
    case QMetaType::LongLong: cells.SetInt(at, v.toLongLong()); break;
    default: cells.SetText(at, v.toString()); break;
  }
}

void GridCellWriter::SetText(int nRow, int nCol, const clsRptColDef& ColDef, const QString& sRaw) {
  const QString& t = ColDef.m_sDataType;
  if (sRaw.isEmpty() || !(IsAmountType(t) || t == QLatin1String("I") || t == QLatin1String("D")))
    grd_.setTextMatrix(nRow, nCol, sRaw);
  else
    Set(nRow, nCol, ColDef, sRaw);
}

void GridCellWriter::SetNumber(int nRow, int nCol, const clsRptColDef& ColDef, double vRaw) {
  if (!IsAmountType(ColDef.m_sDataType)) {
    Set(nRow, nCol, ColDef, vRaw);
  } else if (vRaw == 0) {
    grd_.setTextMatrix(nRow, nCol, QString());
  } else {
    grd_.setTextMatrix(nRow, nCol, vRaw);
  }
}

void GridCellWriter::SetInteger(int nRow, int nCol, const clsRptColDef& ColDef, int32_t nRaw) {
  if (IsIntegerType(ColDef.m_sDataType))
    grd_.setTextMatrix(nRow, nCol, static_cast<int64_t>(gSystem().Minus1ToZero(nRaw)));
  else if (IsAmountType(ColDef.m_sDataType))
    SetNumber(nRow, nCol, ColDef, nRaw);
  else
    Set(nRow, nCol, ColDef, nRaw);
}

GridCellWriter::GridCellWriter(ctl::GridControl& grd) : grd_(grd), alive_(&grd) {}

void GridCellWriter::Copy(int nFromRow, int nRow, int nCol) { grd_.CopyCell(nFromRow, nRow, nCol); }

void GridCellWriter::Share(const ctl::SharedCell& shared, int nRow, int nCol) { grd_.setSharedCell(nRow, nCol, shared); }

ctl::SharedCell GridCellWriter::Shared(int nRow, int nCol) const { return grd_.ShareCell(nRow, nCol); }

int GridCellWriter::AppendRow() {
  if (used_ < 0) used_ = grd_.Rows();
  if (used_ >= grd_.Rows()) grd_.setRows(used_ + std::clamp(used_ / 4, 1, 16384));
  return used_++;
}

void GridCellWriter::Reserve(int nRows) {
  if (used_ < 0) used_ = grd_.Rows();
  // One row more, dropped by Finish: the totals row added after the load then fits in
  // the room made, instead of every column growing again.
  if (nRows > 0 && used_ + nRows + 1 > grd_.Rows()) grd_.setRows(used_ + nRows + 1);
}

void GridCellWriter::Finish() {
  if (used_ >= 0 && !alive_.isNull() && used_ < grd_.Rows()) grd_.setRows(used_);
  used_ = -1;
}

const QString& GridCellWriter::DateText(const QString& sStored) {
  auto it = dates_.constFind(sStored);
  if (it == dates_.constEnd())
    it = dates_.insert(sStored, gSystem().DBDateToDislayDate(sStored, QStringLiteral("Short Date")));
  return it.value();
}

GridLoad::GridLoad(ctl::GridControl& grd) : grid_(&grd) {
  if (g_loading) return;
  g_loading = started_ = true;
  gSystem().WaitDlgShow(dlg_, QStringLiteral("Loading Data"), QStringLiteral("Please wait..."), false, true);
}

GridLoad::~GridLoad() {
  if (!started_) return;
  gSystem().WaitDlgRemove(dlg_);
  g_loading = false;
}

bool GridLoad::Continue() {
  // The clock is read once every few rows.
  if ((calls_++ & 31) == 0 && pump_.Due()) QCoreApplication::processEvents();
  return !Cancelled();
}

void LoadReportGrid(ctl::GridControl& grd, const clsRptDef& RptDef, int32_t nSelID,
                    const std::function<void(GridLoad&)>& loadRows, const QString& sErrorLabel) {
  GridLoad load(grd);
  if (!load.Started()) return;
  try {
    grd.setRows(1);
    grd.setCols(1);
    grd.setFrozenCols(0);
    LoadGridColumns(grd, RptDef);
    if (load.Cancelled()) return;
    loadRows(load);
    if (load.grid() == nullptr) return;
    FormatGrid(grd, RptDef);
    SortGridByColumn(grd, 1, RptDef.m_udRptOptions.m_udRptColSortOrder);
    clsSystem& sys = gSystem();
    sys.GridSelectRow(grd, 1);
    if (nSelID > 0) sys.GridSelectRowAtID(grd, nSelID);
    grd.AutoSize(0, grd.Cols() - 1);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(sErrorLabel);
  }
}

bool WithReportTables(const std::function<void(const store::ReportTables& tables)>& work, bool withoutTran) {
  const store::ReportTables tables(gDB().Session());
  dbaccess::Report(tables.failure(), "WithReportTables");
  if (tables.HasTransactions() || (withoutTran && tables.HasProducts())) work(tables);
  return tables.HasTransactions();
}

bool GridLoad::Cancelled() const { return grid_.isNull() || (!dlg_.isNull() && dlg_->Cancelled()); }

}  // namespace reports
