#pragma once
// mdlGrid: the columns, formats, sorting and totals of a report grid, shared by the
// inventory and transaction grid fillers and the report panes.
//
// Grid conventions: column 0 is the selection column and grid column k shows the k-th
// column of the definition (its ColData is the report column id); row 0 holds the
// headings; a data row's RowData is its record id (above 0); the totals row, when
// there is one, is the last row, with RowData -1000 and "Total:" in its first shown
// report column that has no total (column 0 when there is none).
//
// Cells hold typed values: numbers of unit and money columns as numbers (shown through
// the column's format, so sorting and totals never read display text back), ids as
// integers (shown through the column's list), dates as their short-date text in a date
// column. An exact zero of a unit or money column is an empty cell; any other value is
// shown, even where its format rounds it to 0.
//
// The freeze count is of report columns: column 0 (hidden in transaction grids) is
// frozen with them, and at least one report column scrolls. Totals add the cells as
// shown, each rounded to its column's decimals (at 0 decimals cells showing 1 and 1 total
// 2), in any locale; a transactions report totals units and amounts as plain sums of what
// is shown, whatever the transactions' types. Notes that cannot be read (a damaged memo
// file) show "(cannot be read)", with one message per load saying how many (GridNotes).
// User-interface thread only.

#include <QHash>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>

#include "database/clsDB.h"
#include "platform/controls/GridControl.h"
#include "services/EventPump.h"

class clsRptColDef;
class clsRptDef;
class frmProgress;
namespace store {
class ReportTables;
}
namespace reports {

inline constexpr int32_t kTotalsRowData = -1000;
// Text colour of indicated rows, 0x00BBGGRR (blue).
inline constexpr int32_t kIndicateForeColor = 0xFF0000;
inline constexpr int32_t kTotalsBackColor = 0xC0C0C0;

// The database's three display formats and the user's currency symbol, read once.
struct GridFormats {
  QString units, perUnit, amounts, currency;
  static GridFormats Read(clsDB& db = gDB());
  // The grid column format of a data type: "U" units, "C" money per unit and "A"
  // amounts (both with the currency symbol in front); "" for the other types.
  QString ColumnFormat(const QString& sDataType) const;
};

// Headings, column ids, formats and lists of the definition's columns; nothing when
// it has none. Errors are reported as "LoadGridColumns".
void LoadGridColumns(ctl::GridControl& grd, const clsRptDef& RptDef);
// The id-to-description lists of the category columns.
void LoadGridComboLists(ctl::GridControl& grd, const clsRptDef& RptDef);
// Totals row, frozen columns, alignment and date columns. Errors: "FormatGrid".
void FormatGrid(ctl::GridControl& grd, const clsRptDef& RptDef);
// Stable sort of the data rows (the totals row stays last) by column nCol as shown (a
// category or account by its name, not its id); nOrder 1 descending, else ascending.
// Nothing for a column outside the grid or fewer than two data rows.
void SortGridByColumn(ctl::GridControl& grd, int32_t nCol, int32_t nOrder);
// The display text of one value by the column's data type ("S" unchanged, "I" integer
// with -1 as 0, "U"/"C"/"A" formatted and "" for an exact zero, "D" stored date as a
// short date); the same text a grid cell of that column shows.
void FormatGridValue(const clsRptColDef& ColDef, QVariant& vValue, const QString& sUnitsFmt,
                     const QString& sPerUnitFmt, const QString& sAmountsFmt);
// Text colour (nForeColor) and background (nBackColor) of columns 1 to last of the row;
// -1 leaves that colour unchanged.
void StyleGridRow(ctl::GridControl& grd, int32_t nRow, int32_t nForeColor, int32_t nBackColor);
// Removes the totals row, then adds it again with fresh sums when the definition has a
// column that can be totalled and there are at least two data rows. Column 0 is made
// bold and centred in every row.
void ShowGridTotals(ctl::GridControl& grd, const clsRptDef& RptDef);
bool GridHasTotalsRow(const ctl::GridControl& grd);

// The notes of a grid's rows as their cells show them: trimmed and cut to 255
// characters. A note that cannot be read (its memo file is damaged) shows
// kUnreadableNote and is counted, and ReportUnreadable tells the user once for the
// whole grid.
inline constexpr const char* kUnreadableNote = "(cannot be read)";
class GridNotes {
 public:
  template <class View>
  QString Text(const View& row) {
    if (!row.NotesReadable()) {
      ++unreadable_;
      return QLatin1String(kUnreadableNote);
    }
    return Cut(row.Notes());
  }
  // One message when notes could not be read; `whose` names the rows ("transactions").
  void ReportUnreadable(const QString& whose, const QString& tablePath) const;

 private:
  static QString Cut(const QString& note);
  int unreadable_ = 0;
};

// Cell `at` of `cells` as GridCellWriter::Set writes a grid's cell from the raw value.
void SetGridCell(ctl::grid::CellColumn& cells, size_t at, const clsRptColDef& ColDef, const QVariant& vRaw);

// Writes the values of report cells as typed cells, and appends rows in blocks (the
// grid has exactly the rows written once Finish has run, or the writer has ended).
// Made once per load or reloaded row.
class GridCellWriter {
 public:
  explicit GridCellWriter(ctl::GridControl& grd);
  ~GridCellWriter() { Finish(); }
  GridCellWriter(const GridCellWriter&) = delete;
  GridCellWriter& operator=(const GridCellWriter&) = delete;

  // Cell (nRow, nCol) from the raw value of a column of that definition: numbers for
  // "U", "C", "A" (empty for an exact zero), integers for "I" (-1 as 0), short-date text
  // for "D" (stored "YYYYMMDD"), text otherwise; an empty text stays empty.
  void Set(int nRow, int nCol, const clsRptColDef& ColDef, const QVariant& vRaw);
  // As Set for a value that repeats (a product's name, a date): the first cell written
  // for it is remembered in `firstRow` and later ones share its stored copy; `raw` gives
  // the value when it is needed.
  template <class Raw>
  void SetShared(int nRow, int nCol, const clsRptColDef& ColDef, int& firstRow, Raw&& raw) {
    if (firstRow > 0) {
      Copy(firstRow, nRow, nCol);
    } else {
      Set(nRow, nCol, ColDef, raw());
      firstRow = nRow;
    }
  }
  // The same, remembering the first cell as its stored contents, so that later cells
  // take them without reading that cell again.
  template <class Raw>
  void SetShared(int nRow, int nCol, const clsRptColDef& ColDef, ctl::SharedCell& shared, Raw&& raw) {
    if (shared.row > 0) {
      Share(shared, nRow, nCol);
    } else {
      Set(nRow, nCol, ColDef, raw());
      shared = Shared(nRow, nCol);
    }
  }
  // As Set for a raw text, without the QVariant where the text is written as it is.
  void SetText(int nRow, int nCol, const clsRptColDef& ColDef, const QString& sRaw);
  // As Set for a raw number or whole number, without the QVariant.
  void SetNumber(int nRow, int nCol, const clsRptColDef& ColDef, double vRaw);
  void SetInteger(int nRow, int nCol, const clsRptColDef& ColDef, int32_t nRaw);
  // The short-date text of a stored date (cached).
  const QString& DateText(const QString& sStored);
  // The index of a new last row.
  int AppendRow();
  // Makes room for `nRows` more rows at once (when about that many will be appended).
  void Reserve(int nRows);
  // Drops the rows reserved but not appended.
  void Finish();

 private:
  void Copy(int nFromRow, int nRow, int nCol);
  void Share(const ctl::SharedCell& shared, int nRow, int nCol);
  ctl::SharedCell Shared(int nRow, int nCol) const;

  ctl::GridControl& grd_;
  QPointer<ctl::GridControl> alive_;  // the grid may go while events run
  QHash<QString, QString> dates_;
  int used_ = -1;  // rows in use while appending; -1 before the first append
};

// One grid load: the "Loading Data" progress dialog with Cancel, shown for the load's
// lifetime, and a guard against a second load starting while events are pumped. The
// grid is held through a guarded pointer.
class GridLoad {
 public:
  explicit GridLoad(ctl::GridControl& grd);
  ~GridLoad();
  GridLoad(const GridLoad&) = delete;
  GridLoad& operator=(const GridLoad&) = delete;

  // False when another load is running (this one must do nothing).
  bool Started() const { return started_; }
  // Lets pending events run about every 50 ms; false once the user pressed Cancel or
  // the grid is gone.
  bool Continue();
  bool Cancelled() const;
  ctl::GridControl* grid() const { return grid_.data(); }

 private:
  QPointer<ctl::GridControl> grid_;
  QPointer<frmProgress> dlg_;
  EventPump pump_;
  uint32_t calls_ = 0;
  bool started_ = false;
};

// A full load: the grid cut to its heading and rebuilt with the definition's columns,
// `loadRows` appending the data rows (unless Cancel came first), then totals, formats,
// the sort by column 1 in the definition's order, row 1 or the row of nSelID (1 or more)
// selected and every column sized to its contents. Errors are reported as `sErrorLabel`.
// Nothing happens while another load runs.
void LoadReportGrid(ctl::GridControl& grd, const clsRptDef& RptDef, int32_t nSelID,
                    const std::function<void(GridLoad&)>& loadRows, const QString& sErrorLabel);
// Opens the products table and then the transactions table, runs `work` when both are
// open (or, withoutTran, when the products are: the transactions then not open) and
// closes them again (an open failure has been reported by then). True when both opened.
bool WithReportTables(const std::function<void(const store::ReportTables& tables)>& work, bool withoutTran = false);

}  // namespace reports
