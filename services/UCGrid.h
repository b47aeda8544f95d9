#pragma once
// UCGrid: the grid of the report panes. One grid (`grd`) under a button bar (`tbar`:
// refresh, print, export, autosize, select all / none / invert, modify report, a
// message box and two labels) and over a four-panel status bar (`sbar`: record or
// selection count, the host's text, current row, current column).
//
// Grid conventions the host keeps when filling `grid()`: row 0 is the header row and
// column 0 the selection column; a data row's RowData is its record id (a row whose
// id is not above 0 cannot be marked); a column's ColData is its report column id
// (only columns with an id above 0 have their width remembered). A marked row holds
// "*" in column 0 and a light-yellow background. The control never reads the
// database: it raises its events to the host.
//
// Named children are members with matching objectNames; the status panels are QLabels
// "sbarPanel1".."4" (PanelText(n)); events are Qt signals. Write-only settings are plain
// setters named as the settings (MultipleSelAllowed(false)). Every button and grid
// handler traps errors ("UCGrid_<handler>"), so none crosses the event loop. Focusing a
// grid without a current cell makes one, which raises SelectionChanged once. F1 on the
// grid opens SetHelpContextID's topic. User-interface thread only.

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolButton;
namespace ctl {
class GridControl;
}

class UCGrid : public QWidget {
  Q_OBJECT

 public:
  // Row backgrounds (0x00BBGGRR): marked rows and even bands / unmarked rows.
  static constexpr int32_t kMarkedBackColor = 0xC0FFFF;
  static constexpr int32_t kPlainBackColor = 0xFFFFFF;

  explicit UCGrid(QWidget* parent = nullptr);
  ~UCGrid() override;

  // Write-only settings.
  // Handed to printing, which then leaves column 0 out.
  void FirstColumnIsSelectionColumn(bool bValue) { m_bFirstColIsSelCol = bValue; }
  void ShowPropertiesButton(bool bShow);
  // Marks can be toggled by clicking column 0; shows the three selection buttons.
  void MultipleSelAllowed(bool bAllowed);
  // Asked before printing, with "Please enter title" and orientation 2 (landscape); the
  // host may change both. None: printed so.
  using PrintSettings = std::function<void(QString& sTitle, int32_t& nOrientation)>;
  void SetPrintSettings(PrintSettings provider) { m_printSettings = std::move(provider); }

  // Marks (or unmarks) rows 1 to Rows - 1, recounts, raises SelectionChanged.
  void SelectAll(bool bSelect);
  void InvertSelection();
  // Marks or unmarks one row whose row data is above 0; no count, no event.
  void SelectRow(int32_t nRow, bool bSelect);
  bool IsRowSelected(int32_t nRow) const;
  // Bands rows 1 to Rows - 3: even rows light yellow, odd rows white.
  void SetBackgroundForRows();
  // Column 0 bold and centred.
  void FormatSelColumn();
  // A non-empty text shows the label in that colour (0x00BBGGRR); the empty text hides
  // it and keeps its caption and colour.
  void Label1Msg(const QString& sMsg, int32_t nForecolor = 0);
  void Label2Msg(const QString& sMsg, int32_t nForecolor = 0);
  // A non-empty text shows txtMsg with it; the empty text hides txtMsg.
  void TextMsg(const QString& sMsg);
  void FocusOnGrid();
  // True when any row 1..Rows - 1 is marked / when none is.
  bool MultipleRowSelected() const;
  bool SingleRowSelected() const { return !MultipleRowSelected(); }
  int32_t NumSelectedRows() const;
  // For the k-th marked row (k from 1): arIDs[k] its row data, arRows[k] its row.
  // Entry 0 is not filled; both arrays stay as they came when no row is marked.
  void GetSelectedRowIDs(std::vector<int32_t>& arIDs, std::vector<int32_t>& arRows) const;
  // The current row when above 0, else -1.
  int32_t GetCurrentRow() const;
  // The row data of a row of the grid; -1 outside the rows.
  int32_t GetRowID(int32_t nRow) const;
  int32_t GetCurrentRowID() const;
  // Panels 3 and 4: "row: n", "col: n".
  void UpdateStatusBarRowCol();
  // Panel 1: "n records" (a last row without an id is not counted) or "n rows are
  // currently selected".
  void UpdateStatusBarNumSel();
  // Panel 1 after a load that could not open a data file: the grid is not the data.
  void UpdateStatusBarNotLoaded();
  ctl::GridControl& grid() const { return *grd; }
  // Column widths under the per-user preference "~<grid id>_<column id>".
  void SaveColumnWidths(int32_t nGridID);
  // Applies stored widths above 180 and below 14400 twips; a column of formatted
  // numbers stays as wide as its widest value, other columns grow to theirs as far as
  // the grid's free width allows (now and when the grid grows).
  void RestoreColumnWidths(int32_t nGridID);
  void Panel2Msg(const QString& sMsg);
  void SetMultipleSelBtns();
  // F1 on the grid opens this help topic (0: none).
  void SetHelpContextID(int32_t nID);
  int32_t HelpContextID() const;

  // Lays out the bar, the grid and the status bar for the control's size; the bar's
  // button and labels are as wide as their texts need.
  void Resize();

  // The text of status bar panel 1..4.
  QString PanelText(int nPanel) const;
  // Room for the bar wrapped at its widest control, and a few rows.
  QSize minimumSizeHint() const override;

  QWidget* tbar;
  QToolButton* cmdRefresh;
  QToolButton* cmdPrint;
  QToolButton* cmdExportData;
  QToolButton* cmdAutoSizeColumns;
  QToolButton* cmdSelAll;
  QToolButton* cmdUnselAll;
  QToolButton* cmdInvertSel;
  QPushButton* cmdProperties;
  QPlainTextEdit* txtMsg;
  QWidget* labels;  // holds lbl1 above lbl2
  QLabel* lbl1;
  QLabel* lbl2;
  ctl::GridControl* grd;
  QStatusBar* sbar;

 signals:
  void RefreshClick();
  void PropertiesClick();
  void AfterPrint();
  void SelectionChanged();
  // A click on the header row of a grid with more than two rows.
  void HeaderClick(int32_t nCol);

 public slots:
  void cmdRefresh_Click();
  void cmdPrint_Click();
  void cmdExportData_Click();
  void cmdAutoSizeColumns_Click();
  void cmdSelAll_Click();
  void cmdUnselAll_Click();
  void cmdInvertSel_Click();
  void cmdProperties_Click();
  void grd_Click();
  void grd_RowColChange();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void SetLabelMsg(QLabel& lbl, const QString& sMsg, int32_t nForecolor);
  void SetPropertiesBtnVisible();
  // Places the bar's texts at their sizes; the bar's height they need.
  QSize MsgSize() const;
  QSize PropertiesSize() const;
  int LayOutBar();
  void SetPanel(int nPanel, const QString& sText);
  QString ColumnWidthKey(int32_t nGridID, int32_t nCol) const;
  // Widens the columns of m_cutCols into the grid's free width, left to right;
  // `valuesWidths` holds every column's ValuesWidth when known (else it is measured).
  void WidenCutColumns(std::vector<int> valuesWidths = {});

  bool m_bFirstColIsSelCol = false;
  PrintSettings m_printSettings;
  bool m_bShowPropertiesBtn = true;
  bool m_bMultipleSelAllowed = true;
  bool m_bInitializing = true;
  int32_t m_nLastRow = -1;
  // Restored columns narrower than their values: (column, width the values need).
  std::vector<std::pair<int32_t, int32_t>> m_cutCols;
  std::array<QLabel*, 4> m_panels{};
  // The tool buttons with their left edges (twips) in the bar's first line.
  std::vector<std::pair<QToolButton*, int>> m_tools;
};
