// UCGrid: the report grid with its button bar and status bar.

#include "services/UCGrid.h"

#include <QColor>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/controls/GridControl.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Colors.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Screen.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"

namespace {

constexpr int kBarHeightTwips = 600;
constexpr int kButtonTopTwips = 90;
constexpr int kButtonHeightTwips = 360;
constexpr int kToolWidth = 330;
constexpr int kBarMarginTwips = 45;  // above the first and below the last line of the bar
// Places of the bar's text controls; each grows to its text and pushes the next one right.
constexpr int kPropertiesLeft = 2985, kPropertiesWidth = 1380;
constexpr int kMsgLeft = 4485, kMsgWidth = 2565, kMsgHeight = 450;
constexpr int kLabelLeft = 7200, kLabelHeight = 165;
constexpr int kLabel1Top = 75, kLabel1Width = 1305;
constexpr int kLabel2Top = 300, kLabel2Width = 1845;
constexpr int kMinStoredWidth = 180;  // stored widths must lie strictly between these
constexpr int kMaxStoredWidth = 14400;

int PxX(double twips) { return static_cast<int>(std::lround(ui::TwipsToPixelsX(twips))); }
int PxY(double twips) { return static_cast<int>(std::lround(ui::TwipsToPixelsY(twips))); }

QFont SmallFont() { return ui::MapFont(QStringLiteral("Small Fonts"), 6.75); }

// A button's action, then the focus back on the grid (skipped after an error).
template <class F>
void ButtonAction(UCGrid& uc, F&& action) {
  action();
  uc.FocusOnGrid();
}

}  // namespace

UCGrid::UCGrid(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("UCGrid"));
  setFocusPolicy(Qt::StrongFocus);

  tbar = new QWidget(this);
  tbar->setObjectName(QStringLiteral("tbar"));

  auto button = [this](const char* name, int left, const char* icon, const QString& tip) {
    auto* b = new QToolButton(tbar);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(ui::ProgramIcon(QString::fromLatin1(icon)));
    b->setToolTip(tip);
    b->setAutoRaise(true);
    m_tools.emplace_back(b, left);
    return b;
  };
  cmdRefresh = button("cmdRefresh", 45, "view-refresh", QStringLiteral("Refresh"));
  cmdPrint = button("cmdPrint", 420, "document-print", QStringLiteral("Print"));
  cmdExportData = button("cmdExportData", 810, "x-office-spreadsheet",
                         QStringLiteral("Save as MS Excel (CSV) file"));
  cmdAutoSizeColumns = button("cmdAutoSizeColumns", 1260, "view-autosize-columns",
                              QStringLiteral("Autosize columns"));
  cmdSelAll = button("cmdSelAll", 1725, "edit-select-all", QStringLiteral("Select All"));
  cmdUnselAll = button("cmdUnselAll", 2100, "edit-select-none", QStringLiteral("De-select All"));
  cmdInvertSel = button("cmdInvertSel", 2475, "edit-select-invert", QStringLiteral("Invert Selection"));

  cmdProperties = new QPushButton(ui::ProgramIcon(QStringLiteral("document-properties")),
                                  QStringLiteral("Modify Report"), tbar);
  cmdProperties->setObjectName(QStringLiteral("cmdProperties"));
  cmdProperties->setToolTip(QStringLiteral("Modify Report Columns and Criteria"));

  txtMsg = new QPlainTextEdit(tbar);
  txtMsg->setObjectName(QStringLiteral("txtMsg"));
  txtMsg->setReadOnly(true);
  txtMsg->setFont(SmallFont());
  txtMsg->setFocusPolicy(Qt::NoFocus);
  txtMsg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  txtMsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  txtMsg->setLineWrapMode(QPlainTextEdit::NoWrap);

  labels = new QWidget(tbar);
  auto label = [this](const char* name, const QString& text, int32_t color) {
    auto* l = new QLabel(text, labels);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(SmallFont());
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, ui::ColorFromBgr(color));
    l->setPalette(p);
    return l;
  };
  lbl1 = label("lbl1", QStringLiteral("Out of Stock product"), 0xC00000);
  lbl2 = label("lbl2", QStringLiteral("Time to Re-Order this product"), 0xFF);

  grd = new ctl::GridControl(this);
  grd->setObjectName(QStringLiteral("grd"));

  sbar = new QStatusBar(this);
  sbar->setObjectName(QStringLiteral("sbar"));
  sbar->setSizeGripEnabled(false);
  for (int i = 0; i < 4; ++i) {
    auto* panel = new QLabel(sbar);
    panel->setObjectName(QStringLiteral("sbarPanel%1").arg(i + 1));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);  // the separators between panels
    sbar->addWidget(panel, i == 1 ? 1 : 0);
    m_panels[static_cast<size_t>(i)] = panel;
  }

  QWidget::setTabOrder(cmdRefresh, cmdPrint);
  QWidget::setTabOrder(cmdPrint, cmdExportData);
  QWidget::setTabOrder(cmdExportData, cmdAutoSizeColumns);
  QWidget::setTabOrder(cmdAutoSizeColumns, cmdSelAll);
  QWidget::setTabOrder(cmdSelAll, cmdUnselAll);
  QWidget::setTabOrder(cmdUnselAll, cmdInvertSel);
  QWidget::setTabOrder(cmdInvertSel, cmdProperties);

  ConnectClicks(this, {{cmdRefresh, &UCGrid::cmdRefresh_Click},
                       {cmdPrint, &UCGrid::cmdPrint_Click},
                       {cmdExportData, &UCGrid::cmdExportData_Click},
                       {cmdAutoSizeColumns, &UCGrid::cmdAutoSizeColumns_Click},
                       {cmdSelAll, &UCGrid::cmdSelAll_Click},
                       {cmdUnselAll, &UCGrid::cmdUnselAll_Click},
                       {cmdInvertSel, &UCGrid::cmdInvertSel_Click},
                       {cmdProperties, &UCGrid::cmdProperties_Click}});
  ConnectClicks(this, &ctl::GridControl::Click, {{grd, &UCGrid::grd_Click}});
  // A width the user sets holds: the column is no longer widened to its values.
  ConnectTrapped(
      grd, &ctl::GridControl::ColumnResizedByUser, this,
      [this](int col) { std::erase_if(m_cutCols, [col](const auto& cut) { return cut.first == col; }); },
      QStringLiteral("UCGrid_grd_ColumnResized"));
  ConnectTrapped(grd, &ctl::GridControl::RowColChange, this, &UCGrid::grd_RowColChange,
                 QStringLiteral("UCGrid_grd_RowColChange"));
  ConnectTrapped(grd, &ctl::GridControl::CurrentPlaced, this, &UCGrid::UpdateStatusBarRowCol,
                 QStringLiteral("UCGrid_UpdateStatusBarRowCol"));

  // Initialisation.
  m_bFirstColIsSelCol = false;
  m_bInitializing = true;
  m_bShowPropertiesBtn = true;
  m_nLastRow = -1;
  grd->setRows(2);
  MultipleSelAllowed(true);
  FormatSelColumn();
  // Wide enough for the bold "Sel" heading in the grid's font.
  grd->AutoSize(0);
  grd->setColWidth(0, std::max(180, grd->ColWidth(0)));
  grd->setRowHeight(0, 640);
  grd->setWordWrap(true);
  UpdateStatusBarRowCol();
  UpdateStatusBarNumSel();
  m_bInitializing = false;
  Resize();
}

UCGrid::~UCGrid() = default;

void UCGrid::ShowPropertiesButton(bool bShow) {
  m_bShowPropertiesBtn = bShow;
  SetPropertiesBtnVisible();
}

void UCGrid::MultipleSelAllowed(bool bAllowed) {
  m_bMultipleSelAllowed = bAllowed;
  SetMultipleSelBtns();
}

void UCGrid::SelectAll(bool bSelect) {
  for (int32_t r = 1; r < grd->Rows(); ++r) SelectRow(r, bSelect);
  UpdateStatusBarNumSel();
  emit SelectionChanged();
}

void UCGrid::InvertSelection() {
  for (int32_t r = 1; r < grd->Rows(); ++r) SelectRow(r, !IsRowSelected(r));
  UpdateStatusBarNumSel();
  emit SelectionChanged();
}

void UCGrid::SelectRow(int32_t nRow, bool bSelect) {
  if (GetRowID(nRow) <= 0) return;
  const int32_t lastCol = grd->Cols() - 1;
  if (bSelect) {
    grd->setTextMatrix(nRow, 0, QStringLiteral("*"));
    if (lastCol >= 1) grd->setCell(ctl::flexcpBackColor, nRow, 1, nRow, lastCol, kMarkedBackColor);
  } else {
    if (lastCol >= 1) grd->setCell(ctl::flexcpBackColor, nRow, 1, nRow, lastCol, kPlainBackColor);
    grd->setTextMatrix(nRow, 0, QString());
  }
}

bool UCGrid::IsRowSelected(int32_t nRow) const {
  return grd->TextMatrix(nRow, 0) == QLatin1String("*");
}

void UCGrid::SetBackgroundForRows() {
  const int32_t lastCol = grd->Cols() - 1;
  if (lastCol < 1) return;
  for (int32_t r = 1; r <= grd->Rows() - 3; ++r) {
    grd->setCell(ctl::flexcpBackColor, r, 1, r, lastCol,
                 r % 2 == 0 ? kMarkedBackColor : kPlainBackColor);
  }
}

void UCGrid::FormatSelColumn() {
  const int32_t lastRow = grd->Rows() - 1;
  grd->setCell(ctl::flexcpFontBold, 0, 0, lastRow, 0, true);
  grd->setCell(ctl::flexcpAlignment, 0, 0, lastRow, 0, ctl::flexAlignCenterCenter);
}

void UCGrid::Label1Msg(const QString& sMsg, int32_t nForecolor) { SetLabelMsg(*lbl1, sMsg, nForecolor); }

void UCGrid::Label2Msg(const QString& sMsg, int32_t nForecolor) { SetLabelMsg(*lbl2, sMsg, nForecolor); }

void UCGrid::TextMsg(const QString& sMsg) {
  if (sMsg.isEmpty()) {
    txtMsg->setVisible(false);
    Resize();
    return;
  }
  txtMsg->setPlainText(sMsg);
  txtMsg->setVisible(true);
  Resize();
}

void UCGrid::FocusOnGrid() {
  if (grd->isEnabled() && grd->isVisible()) grd->view()->setFocus();
}

bool UCGrid::MultipleRowSelected() const {
  for (int32_t r = 1; r < grd->Rows(); ++r) {
    if (IsRowSelected(r)) return true;
  }
  return false;
}

int32_t UCGrid::NumSelectedRows() const {
  int32_t n = 0;
  for (int32_t r = 1; r < grd->Rows(); ++r) {
    if (IsRowSelected(r)) ++n;
  }
  return n;
}

void UCGrid::GetSelectedRowIDs(std::vector<int32_t>& arIDs, std::vector<int32_t>& arRows) const {
  size_t k = 0;
  for (int32_t r = 1; r < grd->Rows(); ++r) {
    if (!IsRowSelected(r)) continue;
    ++k;
    arIDs.resize(k + 1);
    arRows.resize(k + 1);
    arIDs[k] = GetRowID(r);
    arRows[k] = r;
  }
}

int32_t UCGrid::GetCurrentRow() const { return grd->Row() > 0 ? grd->Row() : -1; }

int32_t UCGrid::GetRowID(int32_t nRow) const {
  if (nRow <= -1 || nRow >= grd->Rows()) return -1;
  bool ok = false;
  const double id = grd->RowData(nRow).toDouble(&ok);
  return ok && std::abs(id) < 2147483648.0 ? static_cast<int32_t>(id) : 0;
}

int32_t UCGrid::GetCurrentRowID() const {
  const int32_t row = GetCurrentRow();
  return row == -1 ? -1 : GetRowID(row);
}

void UCGrid::UpdateStatusBarRowCol() {
  const clsSystem& sys = gSystem();
  // No current cell (an empty report) reads as 0.
  SetPanel(3, QStringLiteral("row: ") + sys.FormatLongWithCommas(std::max(0, grd->Row())));
  SetPanel(4, QStringLiteral("col: ") + sys.FormatLongWithCommas(std::max(0, grd->Col())));
}

void UCGrid::UpdateStatusBarNumSel() {
  const clsSystem& sys = gSystem();
  const int32_t n = NumSelectedRows();
  if (n < 1) {
    const int32_t rows = grd->Rows();
    int32_t count = rows - 1;
    if (rows > 2 && GetRowID(rows - 1) < 1) --count;
    SetPanel(1, sys.FormatLongWithCommas(count) +
                    (count == 1 ? QStringLiteral(" record") : QStringLiteral(" records")));
  } else if (n == 1) {
    SetPanel(1, sys.FormatLongWithCommas(1) + QStringLiteral(" row is currently selected"));
  } else {
    SetPanel(1, sys.FormatLongWithCommas(n) + QStringLiteral(" rows are currently selected"));
  }
}

void UCGrid::UpdateStatusBarNotLoaded() {
  SetPanel(1, QStringLiteral("Incomplete: a data file cannot be opened"));
}

QString UCGrid::ColumnWidthKey(int32_t nGridID, int32_t nCol) const {
  return QStringLiteral("~%1_%2").arg(nGridID).arg(grd->ColData(nCol).toLongLong());
}

void UCGrid::SaveColumnWidths(int32_t nGridID) {
  for (int32_t c = 0; c < grd->Cols(); ++c) {
    if (grd->ColData(c).toDouble() > 0) mdlRegistry::PrefSaveLong(ColumnWidthKey(nGridID, c), grd->ColWidth(c));
  }
}

void UCGrid::RestoreColumnWidths(int32_t nGridID) {
  m_cutCols.clear();
  std::vector<int> need;  // every column's, measured at the first stored width
  for (int32_t c = 0; c < grd->Cols(); ++c) {
    if (grd->ColData(c).toDouble() <= 0) continue;
    int32_t w = mdlRegistry::PrefGetLong(ColumnWidthKey(nGridID, c));
    if (w <= kMinStoredWidth || w >= kMaxStoredWidth) continue;
    if (need.empty()) need = grd->ValuesWidths();
    // A column of formatted numbers is never narrower than its widest value; other
    // columns grow to theirs where the grid has room.
    if (!grd->ColFormat(c).isEmpty()) {
      w = std::max(w, need[static_cast<size_t>(c)]);
    } else if (need[static_cast<size_t>(c)] > w && !grd->ColHidden(c)) {
      m_cutCols.push_back({c, need[static_cast<size_t>(c)]});
    }
    grd->setColWidth(c, w);
  }
  WidenCutColumns(need);
}

void UCGrid::WidenCutColumns(std::vector<int> valuesWidths) {
  if (m_cutCols.empty()) return;
  if (valuesWidths.size() != static_cast<size_t>(grd->Cols())) valuesWidths = grd->ValuesWidths();
  const QTableView& view = *grd->view();
  // The grid's own width: its view follows it only once its layout has run.
  const int freePx = grd->width() - 2 * view.frameWidth() - view.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  int32_t room = static_cast<int32_t>(ui::PixelsToTwipsX(freePx));
  const auto isCut = [this](int32_t c) {
    return std::any_of(m_cutCols.begin(), m_cutCols.end(), [c](const auto& cut) { return cut.first == c; });
  };
  // What columns wider than their values could give up, keeping their values whole.
  std::vector<std::pair<int32_t, int32_t>> spare;
  for (int32_t c = 0; c < grd->Cols(); ++c) {
    if (grd->ColHidden(c)) continue;
    room -= grd->ColWidth(c);
    const int values = valuesWidths[static_cast<size_t>(c)];
    if (grd->ColData(c).toDouble() > 0 && !isCut(c) && grd->ColWidth(c) > values)
      spare.emplace_back(c, grd->ColWidth(c) - std::max(values, kMinStoredWidth));
  }
  // Dates first, so that they keep their year before a text keeps its end; then left to
  // right. A column that now shows its values is done.
  std::stable_partition(m_cutCols.begin(), m_cutCols.end(), [this](const auto& cut) {
    return cut.first < grd->Cols() && grd->ColDataType(cut.first) == ctl::flexDTDate;
  });
  for (auto it = m_cutCols.begin(); it != m_cutCols.end();) {
    if (it->first >= grd->Cols()) {
      it = m_cutCols.erase(it);
      continue;
    }
    const int32_t want = it->second - grd->ColWidth(it->first);
    int32_t add = std::min(want, std::max(room, 0));
    room -= add;
    for (auto& [col, more] : spare) {
      const int32_t take = std::min(more, want - add);
      if (take <= 0) continue;
      grd->setColWidth(col, grd->ColWidth(col) - take);
      more -= take;
      add += take;
    }
    if (add > 0) grd->setColWidth(it->first, grd->ColWidth(it->first) + add);
    it = add >= want ? m_cutCols.erase(it) : std::next(it);
  }
}

void UCGrid::Panel2Msg(const QString& sMsg) { SetPanel(2, sMsg); }

void UCGrid::SetMultipleSelBtns() {
  cmdSelAll->setVisible(m_bMultipleSelAllowed);
  cmdUnselAll->setVisible(m_bMultipleSelAllowed);
  cmdInvertSel->setVisible(m_bMultipleSelAllowed);
  grd->setTextMatrix(0, 0, QString());
  if (m_bMultipleSelAllowed) grd->setTextMatrix(0, 0, QStringLiteral("Sel"));
}

void UCGrid::SetHelpContextID(int32_t nID) { ui::SetHelpContext(*this, nID); }

int32_t UCGrid::HelpContextID() const { return ui::HelpContextOf(*this); }

QString UCGrid::PanelText(int nPanel) const {
  if (nPanel < 1 || nPanel > 4) return {};
  return m_panels[static_cast<size_t>(nPanel - 1)]->text();
}

void UCGrid::SetPanel(int nPanel, const QString& sText) {
  QLabel* panel = m_panels[static_cast<size_t>(nPanel - 1)];
  panel->setTextFormat(Qt::PlainText);
  panel->setText(sText);
}

void UCGrid::SetLabelMsg(QLabel& lbl, const QString& sMsg, int32_t nForecolor) {
  if (sMsg.isEmpty()) {
    lbl.setVisible(false);
    Resize();
    return;
  }
  lbl.setTextFormat(Qt::PlainText);
  lbl.setText(sMsg);
  QPalette p = lbl.palette();
  p.setColor(QPalette::WindowText, ui::ColorFromBgr(nForecolor));
  lbl.setPalette(p);
  lbl.setVisible(true);
  Resize();
}

void UCGrid::SetPropertiesBtnVisible() { cmdProperties->setVisible(m_bShowPropertiesBtn); }

// The criteria box as large as its lines (never below its default size).
QSize UCGrid::MsgSize() const {
  const QFontMetrics fm(txtMsg->font());
  int widest = 0;
  const QStringList lines = txtMsg->toPlainText().split(u'\n');
  for (const QString& line : lines) widest = std::max(widest, fm.horizontalAdvance(line));
  const QMargins frame = txtMsg->contentsMargins();
  const int margin = 2 * static_cast<int>(std::ceil(txtMsg->document()->documentMargin()));
  const int width = widest + margin + frame.left() + frame.right() + 2;
  const int height = static_cast<int>(lines.size()) * fm.lineSpacing() + margin + frame.top() + frame.bottom();
  return {std::max(PxX(kMsgWidth), width), std::max(PxY(kMsgHeight), height)};
}

QSize UCGrid::PropertiesSize() const {
  const QSize button = cmdProperties->sizeHint();
  return {std::max(PxX(kPropertiesWidth), button.width()), std::max(PxY(kButtonHeightTwips), button.height())};
}

QSize UCGrid::minimumSizeHint() const {
  // The bar wraps down to its widest control; a few rows of the grid below its first line.
  int widest = PxX(kToolWidth);
  if (!cmdProperties->isHidden()) widest = std::max(widest, PropertiesSize().width());
  if (!labels->isHidden()) widest = std::max(widest, labels->width());
  const int bar = PxX(2 * kBarMarginTwips) + widest;
  const int rows = PxY(grd->RowHeight(0)) + 3 * fontMetrics().height();
  return {std::max(bar, sbar->minimumSizeHint().width()), PxY(kBarHeightTwips) + rows + sbar->sizeHint().height()};
}

int UCGrid::LayOutBar() {
  // The tool buttons, the Properties button, the criteria box and the two labels, each
  // right of the one before; one that would pass the right edge starts a line below
  // (unless it is the first of its line).
  const int gap = PxX(kMsgLeft - kPropertiesLeft - kPropertiesWidth);
  int lineTop = 0, lineBottom = PxY(kButtonTopTwips + kButtonHeightTwips), x = 0;
  bool first = true;  // the first line keeps the places of the design
  bool lineEmpty = true;
  auto place = [&](QWidget& w, int left, int top, QSize size, int gapAfter) {
    if (w.isHidden()) return;
    left = first ? std::max(left, x) : x;
    if (left + size.width() > width() && !lineEmpty) {
      first = false;
      lineTop = lineBottom;
      left = PxX(kBarMarginTwips);
    }
    w.setGeometry(left, lineTop + top, size.width(), size.height());
    x = left + size.width() + gapAfter;
    lineEmpty = false;
    lineBottom = std::max(lineBottom, w.geometry().bottom() + 1);
  };
  for (const auto& [tool, left] : m_tools)
    place(*tool, PxX(left), PxY(kButtonTopTwips), {PxX(kToolWidth), PxY(kButtonHeightTwips)}, 0);
  place(*cmdProperties, PxX(kPropertiesLeft), PxY(kButtonTopTwips), PropertiesSize(), gap);
  place(*txtMsg, PxX(kMsgLeft), PxY(kBarMarginTwips), MsgSize(), gap);
  // The labels one above the other, as one block.
  auto labelSize = [](const QLabel& l, int widthTwips) {
    const QSize text = l.sizeHint();
    return QSize(std::max(PxX(widthTwips), text.width()), std::max(PxY(kLabelHeight), text.height()));
  };
  const QSize size1 = labelSize(*lbl1, kLabel1Width), size2 = labelSize(*lbl2, kLabel2Width);
  const int top2 = std::max(PxY(kLabel2Top), PxY(kLabel1Top) + size1.height());
  labels->setHidden(lbl1->isHidden() && lbl2->isHidden());
  place(*labels, PxX(kLabelLeft), PxY(kLabel1Top),
        {std::max(size1.width(), size2.width()), top2 + size2.height() - PxY(kLabel1Top)}, gap);
  lbl1->setGeometry(0, 0, size1.width(), size1.height());
  lbl2->setGeometry(0, top2 - PxY(kLabel1Top), size2.width(), size2.height());
  return std::max(PxY(kBarHeightTwips), lineBottom + PxY(kBarMarginTwips));
}

void UCGrid::Resize() {
  const int barHeight = LayOutBar();
  tbar->setGeometry(0, 0, width(), barHeight);
  const int statusHeight = sbar->sizeHint().height();
  sbar->setGeometry(0, height() - statusHeight, width(), statusHeight);
  grd->setGeometry(0, barHeight, width(),
                   gSystem().NotBelowZeroLong(height() - barHeight - statusHeight));
  WidenCutColumns();
}

void UCGrid::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Resize();
}

void UCGrid::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  FocusOnGrid();
}

// ---- Handlers ----------------------------------------------------------------------

void UCGrid::cmdRefresh_Click() {
  ButtonAction(*this, [this] { emit RefreshClick(); });
}

void UCGrid::cmdPrint_Click() {
  ButtonAction(*this, [this] {
    QString sTitle = QStringLiteral("Please enter title");
    int32_t nOrientation = 2;
    if (m_printSettings) m_printSettings(sTitle, nOrientation);
    gSystem().GridPrint(*grd, sTitle, QString(), m_bFirstColIsSelCol, nOrientation);
    emit AfterPrint();
  });
}

void UCGrid::cmdExportData_Click() {
  ButtonAction(*this, [this] { gSystem().SaveGrid(*grd, 0, 0, grd->Rows() - 1, grd->Cols() - 1); });
}

void UCGrid::cmdAutoSizeColumns_Click() {
  ButtonAction(*this, [this] {
    m_cutCols.clear();
    grd->AutoSize(0, grd->Cols() - 1);
  });
}

void UCGrid::cmdSelAll_Click() {
  ButtonAction(*this, [this] { SelectAll(true); });
}

void UCGrid::cmdUnselAll_Click() {
  ButtonAction(*this, [this] { SelectAll(false); });
}

void UCGrid::cmdInvertSel_Click() {
  ButtonAction(*this, [this] { InvertSelection(); });
}

void UCGrid::cmdProperties_Click() {
  ButtonAction(*this, [this] { emit PropertiesClick(); });
}

void UCGrid::grd_Click() {
  if (m_bInitializing) return;
  const int32_t mr = grd->MouseRow();
  int32_t mc = grd->MouseCol();
  if (mr > 0 && mc == 0) {
    if (m_bMultipleSelAllowed) SelectRow(mr, !IsRowSelected(mr));
    UpdateStatusBarNumSel();
    emit SelectionChanged();
  } else if (mr == 0 && grd->Rows() > 2) {
    emit HeaderClick(mc);
  }
}

void UCGrid::grd_RowColChange() {
  if (grd->Row() != m_nLastRow) emit SelectionChanged();
  m_nLastRow = grd->Row();
  UpdateStatusBarRowCol();
}
