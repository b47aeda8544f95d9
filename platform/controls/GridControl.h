#pragma once
// GridControl: the grid of every view and report, a QWidget holding a table view
// (GridView) over one table model (GridModel). Rows and columns of typed cells
// (numbers and texts), a fixed heading row (row 0 while FixedRows is 1), fixed and
// frozen leading columns, per-cell colours, bold and alignment, column formats and
// id-to-text column lists, hidden rows and columns, row data and column data, in-place
// editing, a stable sort, and the click, current-cell and edit notifications.
//
// Members carry the names the program's code uses. Indexes count from 0 and include
// the fixed rows and columns; an index outside the grid raises error 381 ("Subscript
// out of range"), a setting outside its values error 380 ("Invalid property value").
// Widths and heights are in twips (ui/Screen.h converts).
//
// Holds a million rows: cells live in compact column stores (GridData), the text shown
// is made when a cell is painted, and the view is told about changes once per
// event-loop turn (or when Redraw is switched back on), never per call. User-interface thread only.

#include <QColor>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <concepts>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "platform/controls/GridData.h"

class QTableView;

namespace ctl {

namespace grid {
class GridModel;
class GridView;
}  // namespace grid

// Settings of Cell().
enum CellPropertySettings {
  flexcpText = 0,
  flexcpAlignment = 2,
  flexcpBackColor = 6,  // 0x00BBGGRR
  flexcpForeColor = 7,  // 0x00BBGGRR
  flexcpFontBold = 13,
  flexcpTextDisplay = 19,  // read-only: the text as shown
};

enum AlignmentSettings {
  flexAlignLeftTop = 0,
  flexAlignLeftCenter = 1,
  flexAlignLeftBottom = 2,
  flexAlignCenterTop = 3,
  flexAlignCenterCenter = 4,
  flexAlignCenterBottom = 5,
  flexAlignRightTop = 6,
  flexAlignRightCenter = 7,
  flexAlignRightBottom = 8,
  flexAlignGeneral = 9,  // numbers right, text left, vertically centred
};

enum SortSettings {
  flexSortNone = 0,
  flexSortGenericAscending = 1,   // numbers as numbers, dates as dates, text ignoring case
  flexSortGenericDescending = 2,
};

enum DataTypeSettings { flexDTEmpty = 0, flexDTDate = grid::GridData::kDateType };

// Editing in place: flexEDKbd starts an edit on a key, flexEDKbdMouse also on a double
// click or a click on the selected cell; BeforeEdit may refuse it.
enum EditableSettings { flexEDNone = 0, flexEDKbd = 1, flexEDKbdMouse = 2 };

enum ClearWhereSettings { flexClearEverywhere = 0, flexClearScrollable = 1, flexClearSelection = 2 };
enum ClearWhatSettings { flexClearEverything = 0, flexClearText = 1, flexClearFormatting = 2 };

// How one cell is to be drawn; what a printer of the grid needs besides the column
// widths and the visible rows and columns.
struct GridCellLook {
  QString text;
  int alignment = flexAlignGeneral;  // resolved: never flexAlignGeneral
  QColor backColor;                  // invalid: the grid's background
  QColor foreColor;                  // invalid: the grid's text colour
  bool bold = false;
};

// A cell's stored contents as ShareCell read them, for other cells of its column.
struct SharedCell {
  uint64_t raw = 0;
  int row = -1;  // -1: nothing read yet
  uint32_t generation = 0;
};

class GridControl : public QWidget {
  Q_OBJECT

 public:
  explicit GridControl(QWidget* parent = nullptr);
  ~GridControl() override;

  // A new grid has 1 row (the heading row), 1 column, FixedRows 1, FixedCols 0.
  // Growing keeps every cell; shrinking drops the last rows or columns.
  int Rows() const { return data_.Rows(); }
  void setRows(int rows);
  int Cols() const { return data_.Cols(); }
  void setCols(int cols);
  int FixedRows() const { return fixedRows_; }
  void setFixedRows(int rows);
  int FixedCols() const { return fixedCols_; }
  void setFixedCols(int cols);
  // Leading columns after the fixed ones that do not scroll sideways.
  int FrozenCols() const { return frozenCols_; }
  void setFrozenCols(int cols);

  // The current cell and the other corner of the selection; shift with a click or a
  // cursor key keeps (Row, Col) and moves (RowSel, ColSel), the view's current cell. A
  // grid gains a current cell at (FixedRows, FixedCols) once it has a data row and a
  // column past the fixed ones, quietly (CurrentPlaced, not RowColChange: a window does
  // not take a grid being filled for a user's move); -1 while it has none, and again
  // when its data rows go.
  int Row() const { return row_; }
  void setRow(int row);
  int Col() const { return col_; }
  void setCol(int col);
  int RowSel() const { return rowSel_; }
  int ColSel() const { return colSel_; }
  // The cell under the mouse at the last press or click (row 0 on the heading, -1
  // outside the cells).
  int MouseRow() const { return mouseRow_; }
  int MouseCol() const { return mouseCol_; }

  // The cell as stored (a listed id, a number unformatted), as the sort reads it;
  // Cell(flexcpTextDisplay) and CellLook give the text shown.
  QString TextMatrix(int row, int col) const;
  // The cell as stored: a number (qlonglong or double), a text, or null when empty.
  QVariant CellValue(int row, int col) const;
  // What the grid holds, for passes over many cells (several threads may read it).
  const grid::GridData& Data() const { return data_; }
  void setTextMatrix(int row, int col, const QString& text);
  // A number, shown as CStr writes it.
  void setTextMatrix(int row, int col, double value);
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  void setTextMatrix(int row, int col, T value) {
    SetIntCell(row, col, static_cast<int64_t>(value));
  }

  // Appends the items [0, items) of `source` as rows (grid::GridData::AttachSource): for a
  // filler whose rows are a table's records. Cutting the rows back to those before
  // lets the source go.
  void setRowSource(std::shared_ptr<const grid::RowSource> source, uint32_t items);
  const std::shared_ptr<const grid::RowSource>& rowSource() const { return data_.SharedSource(); }

  // Cell (row, col) takes the contents of cell (fromRow, col), sharing its stored copy:
  // for a filler that writes the same text many times.
  void CopyCell(int fromRow, int row, int col);
  // The same without reading cell (fromRow, col) again: `shared` comes from
  // ShareCell(fromRow, col), and that cell must be unchanged since.
  SharedCell ShareCell(int row, int col) const;
  void setSharedCell(int row, int col, const SharedCell& shared);

  // Reads one setting of a cell (-1: the current row or column).
  QVariant Cell(int setting, int row = -1, int col = -1) const;
  // Writes one setting over the cells [row1, row2] x [col1, col2].
  void setCell(int setting, int row1, int col1, int row2, int col2, const QVariant& value);
  void setCell(int setting, int row, int col, const QVariant& value);

  QString ColFormat(int col) const;
  void setColFormat(int col, const QString& format);
  QString ColComboList(int col) const;
  void setColComboList(int col, const QString& list);
  // An id-to-text list given as pairs, so that no text needs the list syntax.
  void setColComboMap(int col, const std::vector<std::pair<int64_t, QString>>& entries);
  // True when the column shows texts of a list (either form) in place of its cells.
  bool ColHasComboList(int col) const;
  int ColAlignment(int col) const;
  void setColAlignment(int col, int alignment);
  int ColDataType(int col) const;
  void setColDataType(int col, int type);
  QVariant ColData(int col) const;
  void setColData(int col, const QVariant& value);
  QVariant RowData(int row) const;
  // The row's data as RowData(row).toLongLong() gives it.
  int64_t RowDataInt(int row) const;
  void setRowData(int row, const QVariant& value);
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  void setRowData(int row, T value) {
    CheckRow(row);
    data_.SetRowData(row, static_cast<int64_t>(value));
  }
  bool RowHidden(int row) const;
  void setRowHidden(int row, bool hidden);
  bool ColHidden(int col) const;
  void setColHidden(int col, bool hidden);
  // A width set reads back unchanged; one the user dragged, from its pixels.
  int ColWidth(int col) const;  // twips
  void setColWidth(int col, int twips);
  int RowHeight(int row) const;  // twips
  void setRowHeight(int row, int twips);
  bool WordWrap() const { return wordWrap_; }
  void setWordWrap(bool wrap);
  int Editable() const { return editable_; }
  void setEditable(int mode);
  // False holds back every screen update, even the batched one; True shows the grid as
  // it now is, at once.
  bool Redraw() const { return redraw_; }
  void setRedraw(bool redraw);

  // Sizes columns [col1, col2] (col2 -1: col1 only) to their widest text, measured as
  // grid::WidestCellsPx does.
  void AutoSize(int col1, int col2 = -1);
  // The width in twips the widest cell of column `col` below the heading row needs, as
  // AutoSize measures it; 0 when those cells are all empty.
  int ValuesWidth(int col) const;
  // ValuesWidth of every column, in one pass over the rows.
  std::vector<int> ValuesWidths() const;
  // Adds a row at `index` (-1: at the end) with tab-separated texts from column 0.
  void AddItem(const QString& item, int index = -1);
  void RemoveItem(int index);
  // Removes the rows `rows` (any order; repeats count once) in one pass.
  void RemoveItems(std::vector<int> rows);
  void Clear(int where = flexClearEverywhere, int what = flexClearEverything);
  // Makes (row, col) the current cell and (rowSel, colSel) (-1: the same) the other
  // corner of the selection; rows row..rowSel are highlighted.
  void Select(int row, int col, int rowSel = -1, int colSel = -1);
  void ShowCell(int row, int col);
  // Sorts the selected rows (all scrollable rows when one row is selected) by the
  // selected columns, left to right, in GridData::Sort's order. Equal keys keep their
  // order.
  void setSort(int order);
  // As setSort, but the columns whose lists map ids to texts sort by the texts shown.
  void SortShown(int order);

  // For printing: the columns to print (not hidden, width above 0) and a cell's look.
  std::vector<int> VisibleCols() const;
  GridCellLook CellLook(int row, int col) const;
  // Prints the grid as one job on the current printer (rows not hidden, the heading row
  // on every page); margins in twips. The caller shows any printer dialog first.
  // False when the job was cancelled or failed.
  bool PrintGrid(const QString& docName, int orientation, double marginLeft, double marginTop,
                 double marginRight, double marginBottom) const;

  // The table view inside (focus, help id, tests).
  QTableView* view() const;

 signals:
  // A left-button release that did not end a column resize (MouseRow, MouseCol: where).
  void Click();
  void DblClick();
  // The current cell changed (by the user or by code).
  void RowColChange();
  // The grid gave itself its first current cell (see Row()); no RowColChange.
  void CurrentPlaced();
  // An edit of (row, col) is about to start; set *cancel to refuse it.
  void BeforeEdit(int row, int col, bool* cancel);
  void AfterEdit(int row, int col);
  // The user set a column's width (dragging its header's edge).
  void ColumnResizedByUser(int col);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class grid::GridModel;
  friend class grid::GridView;

  void Sort(int order, bool shown);
  void CheckCell(int row, int col) const {
    CheckRow(row);
    CheckCol(col);
  }
  template <typename T>
  T ColumnValue(int col, T grid::ColumnInfo::*field) const;
  template <typename T>
  void SetColumnValue(int col, T grid::ColumnInfo::*field, const T& value);
  void CheckRow(int row) const {
    if (row < 0 || row >= data_.Rows()) OutOfRange();
  }
  void CheckCol(int col) const {
    if (col < 0 || col >= data_.Cols()) OutOfRange();
  }
  [[noreturn]] static void OutOfRange();
  void SetIntCell(int row, int col, int64_t value);
  int HeaderRows() const { return fixedRows_ >= 1 && data_.Rows() >= 1 ? 1 : 0; }
  bool IsFixed(int row, int col) const { return row < fixedRows_ || col < fixedCols_; }
  int ResolvedAlignment(int row, int col) const;
  void SetCurrent(int row, int col, int rowSel, int colSel);
  void ClampCurrent();
  void PlaceCurrent();

  // Screen updates, batched: a change marks what it touched, and one queued Flush per
  // event-loop turn tells the model (a mouse press and ShowCell flush at once). Row
  // changes name the first grid row they touch; the rows above it are announced as
  // kept. Cell writes announce just their rows.
  void StructureChanged(int fromRow = 0);
  void ViewChanged();
  // Cell contents or looks of rows [row1, row2] changed.
  void CellsChanged(int row1, int row2) {
    cellsFirst_ = std::min(cellsFirst_, row1);
    cellsLast_ = std::max(cellsLast_, row2);
    if (!scheduled_ && redraw_) Schedule();
  }
  void Schedule();
  void Flush();
  void ApplyColumns();
  void ApplyRowHeights();
  void ApplyCurrent();
  void UpdateFrozen();
  void OnViewCurrentChanged(const QModelIndex& current);
  // The view's next move of its current cell extends the selection (shift held).
  void SetExtending(bool extending) { extending_ = extending; }
  void OnSectionResized(int col, int newSize);
  bool AllowEdit(const QModelIndex& index);
  void EditorCommitted(int row, int col, const QString& text);
  void TrackMouse(QObject* watched, const QPoint& pos);
  int DefaultColWidthPx() const;
  double CellMarginPx() const;  // around a cell's text, both sides
  std::vector<int> ValuesWidths(int col1, int col2) const;

  grid::ReturnFreedHeap returnHeap_;  // before the data: runs once the data is freed
  grid::GridData data_;
  int fixedRows_ = 1;
  int fixedCols_ = 0;
  int frozenCols_ = 0;
  int row_ = -1;
  int col_ = -1;
  int rowSel_ = -1;
  int colSel_ = -1;
  int mouseRow_ = -1;
  int mouseCol_ = -1;
  bool wordWrap_ = false;
  int editable_ = flexEDNone;
  bool redraw_ = true;

  bool structureDirty_ = false;
  bool viewDirty_ = false;
  bool scheduled_ = false;
  bool syncing_ = false;
  bool resizedDuringPress_ = false;
  bool extending_ = false;
  int changedFrom_ = std::numeric_limits<int>::max();
  int cellsFirst_ = std::numeric_limits<int>::max();
  int cellsLast_ = -1;
  int showRow_ = -1;
  int showCol_ = -1;

  grid::GridModel* model_ = nullptr;
  grid::GridView* view_ = nullptr;
  grid::GridView* frozen_ = nullptr;
};

}  // namespace ctl
