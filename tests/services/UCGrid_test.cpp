#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QDialog>
#include <QTableView>
#include <QToolButton>
#include <cmath>

#include "platform/controls/GridControl.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/Screen.h"
#include "platform/ui/testing/TestPrompts.h"
#include "services/UCGrid.h"
#include "services/mdlRegistry.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class UCGridTest : public uitest::ScriptedTest {
 protected:
  UCGridTest() {
    QObject::connect(&uc, &UCGrid::RefreshClick, [this] { events.push_back(QStringLiteral("Refresh")); });
    QObject::connect(&uc, &UCGrid::PropertiesClick, [this] { events.push_back(QStringLiteral("Properties")); });
    QObject::connect(&uc, &UCGrid::SelectionChanged, [this] { events.push_back(QStringLiteral("SelectionChanged")); });
    QObject::connect(&uc, &UCGrid::HeaderClick, [this](int32_t col) {
      events.push_back(QStringLiteral("HeaderClick %1").arg(col));
    });
    QObject::connect(&uc, &UCGrid::AfterPrint, [this] { events.push_back(QStringLiteral("AfterPrint")); });
  }

  // A report grid: heading, `ids.size()` data rows with those row data, 3 columns.
  void FillRows(const std::vector<int>& ids) {
    ctl::GridControl& g = uc.grid();
    g.setCols(3);
    g.setRows(static_cast<int>(ids.size()) + 1);
    for (size_t i = 0; i < ids.size(); ++i) {
      const int r = static_cast<int>(i) + 1;
      g.setRowData(r, ids[i]);
      g.setTextMatrix(r, 1, QStringLiteral("P%1").arg(r));
    }
  }

  void Show() {
    uc.resize(800, 400);
    uc.show();
    QApplication::processEvents();
  }

  static void Send(QWidget* w, QEvent::Type type, QPoint at) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  // A mouse click on grid cell (row, col); row 0 is the header.
  void ClickCell(int row, int col) {
    QTableView* view = uc.grid().view();
    QWidget* target = view->viewport();
    QPoint at;
    if (row == 0) {
      QHeaderView* header = view->horizontalHeader();
      target = header->viewport();
      at = QPoint(header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2);
    } else {
      at = view->visualRect(view->model()->index(row - 1, col)).center();
    }
    Send(target, QEvent::MouseButtonPress, at);
    Send(target, QEvent::MouseButtonRelease, at);
  }

  std::vector<QString> Marks() const {
    std::vector<QString> out;
    for (int r = 1; r < uc.grid().Rows(); ++r) out.push_back(uc.grid().TextMatrix(r, 0));
    return out;
  }
  int BackColor(int r, int c) const { return uc.grid().Cell(ctl::flexcpBackColor, r, c).toInt(); }

  UCGrid uc;
  std::vector<QString> events;
};

TEST_F(UCGridTest, StartsWithItsControlsAndOneEmptyRecordRow) {
  ctl::GridControl& g = uc.grid();
  EXPECT_EQ(g.Rows(), 2);
  EXPECT_EQ(g.TextMatrix(0, 0), QStringLiteral("Sel"));
  // The selection column fits its bold heading.
  QFont bold = g.view()->font();
  bold.setBold(true);
  EXPECT_GT(g.ColWidth(0),
            ui::PixelsToTwipsX(QFontMetrics(bold).horizontalAdvance(QStringLiteral("Sel"))));
  EXPECT_EQ(g.RowHeight(0), 640);
  EXPECT_TRUE(g.WordWrap());
  EXPECT_TRUE(g.Cell(ctl::flexcpFontBold, 1, 0).toBool());
  EXPECT_EQ(g.Cell(ctl::flexcpAlignment, 0, 0).toInt(), ctl::flexAlignCenterCenter);
  EXPECT_EQ(uc.PanelText(1), QStringLiteral("1 record"));
  EXPECT_TRUE(uc.PanelText(3).startsWith(QStringLiteral("row: ")));
  EXPECT_TRUE(uc.PanelText(4).startsWith(QStringLiteral("col: ")));
  for (const char* name : {"tbar", "cmdRefresh", "cmdPrint", "cmdExportData", "cmdAutoSizeColumns",
                           "cmdSelAll", "cmdUnselAll", "cmdInvertSel", "cmdProperties", "txtMsg",
                           "lbl1", "lbl2", "grd", "sbar"}) {
    EXPECT_NE(uc.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
  }
  EXPECT_EQ(uc.cmdExportData->toolTip(), QStringLiteral("Save as MS Excel (CSV) file"));
  EXPECT_EQ(uc.cmdProperties->text(), QStringLiteral("Modify Report"));
  EXPECT_EQ(uc.cmdProperties->toolTip(), QStringLiteral("Modify Report Columns and Criteria"));
  EXPECT_EQ(uc.cmdRefresh->nextInFocusChain(), uc.cmdPrint);
}

TEST_F(UCGridTest, ButtonsRaiseTheirEvents) {
  FillRows({5, 6});
  Show();
  uc.grid().Select(1, 1);  // focusing a grid without a current cell would make one
  events.clear();
  uc.cmdRefresh->click();
  uc.cmdProperties->click();
  uc.cmdSelAll->click();
  EXPECT_THAT(events, ElementsAre("Refresh", "Properties", "SelectionChanged"));
  EXPECT_THAT(Marks(), ElementsAre("*", "*"));
  uc.cmdInvertSel->click();
  EXPECT_THAT(Marks(), ElementsAre("", ""));
  uc.cmdSelAll->click();
  uc.cmdUnselAll->click();
  EXPECT_THAT(Marks(), ElementsAre("", ""));
  EXPECT_EQ(events.size(), 6u);
}

TEST_F(UCGridTest, ClickingTheSelectionColumnTogglesTheMark) {
  FillRows({5, 0, 7});
  Show();
  ClickCell(1, 0);
  EXPECT_THAT(Marks(), ElementsAre("*", "", ""));
  EXPECT_EQ(BackColor(1, 1), UCGrid::kMarkedBackColor);
  EXPECT_EQ(BackColor(1, 2), UCGrid::kMarkedBackColor);
  EXPECT_EQ(uc.PanelText(1), QStringLiteral("1 row is currently selected"));
  EXPECT_EQ(events.back(), QStringLiteral("SelectionChanged"));

  events.clear();
  ClickCell(2, 0);  // row data 0: cannot be marked, still recounted and signalled
  EXPECT_THAT(Marks(), ElementsAre("*", "", ""));
  EXPECT_EQ(events.back(), QStringLiteral("SelectionChanged"));

  ClickCell(1, 0);
  EXPECT_THAT(Marks(), ElementsAre("", "", ""));
  EXPECT_EQ(BackColor(1, 1), UCGrid::kPlainBackColor);

  uc.MultipleSelAllowed(false);
  EXPECT_EQ(uc.grid().TextMatrix(0, 0), QString());
  EXPECT_FALSE(uc.cmdSelAll->isVisible());
  events.clear();
  ClickCell(3, 0);
  EXPECT_THAT(Marks(), ElementsAre("", "", ""));
  EXPECT_EQ(events.back(), QStringLiteral("SelectionChanged"));
}

TEST_F(UCGridTest, HeaderClicksNeedMoreThanOneDataRow) {
  FillRows({5});
  Show();
  ClickCell(0, 2);
  EXPECT_THAT(events, IsEmpty());
  FillRows({5, 6});
  QApplication::processEvents();
  ClickCell(0, 2);
  EXPECT_EQ(events.back(), QStringLiteral("HeaderClick 2"));
}

TEST_F(UCGridTest, ARowChangeSignalsOnceAndUpdatesThePanels) {
  FillRows({5, 6, 7});
  uc.grid().Select(2, 1);
  EXPECT_THAT(events, ElementsAre("SelectionChanged"));
  uc.grid().Select(2, 2);  // same row
  EXPECT_THAT(events, ElementsAre("SelectionChanged"));
  EXPECT_EQ(uc.PanelText(3), QStringLiteral("row: 2"));
  EXPECT_EQ(uc.PanelText(4), QStringLiteral("col: 2"));
  EXPECT_EQ(uc.GetCurrentRow(), 2);
  EXPECT_EQ(uc.GetCurrentRowID(), 6);
  uc.grid().Select(0, 0);
  EXPECT_EQ(uc.GetCurrentRow(), -1);
  EXPECT_EQ(uc.GetCurrentRowID(), -1);
  EXPECT_EQ(uc.GetRowID(-1), -1);
  EXPECT_EQ(uc.GetRowID(4), -1);
  EXPECT_EQ(uc.GetRowID(3), 7);
}

TEST_F(UCGridTest, ARefilledGridShowsItsFirstRowInThePanelsQuietly) {
  FillRows({5, 6, 7});
  uc.grid().setRows(1);
  EXPECT_EQ(uc.PanelText(3), QStringLiteral("row: 0"));  // no current row
  events.clear();
  FillRows({8, 9});
  EXPECT_EQ(uc.PanelText(3), QStringLiteral("row: 1"));
  EXPECT_EQ(uc.PanelText(4), QStringLiteral("col: 0"));
  EXPECT_EQ(uc.GetCurrentRowID(), 8);
  EXPECT_THAT(events, IsEmpty());
}

TEST_F(UCGridTest, StatusPanelCountsRecordsOrMarks) {
  const struct {
    int rows;
    int lastId;
    int marked;
    const char* text;
  } cases[] = {
      {1, 0, 0, "0 records"},
      {2, 5, 0, "1 record"},
      {2, 0, 0, "1 record"},  // with two rows the last one always counts
      {1236, -1000, 0, "1,234 records"},
      {1236, 9, 0, "1,235 records"},
      {10, 9, 1, "1 row is currently selected"},
      {10, 9, 3, "3 rows are currently selected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<int> ids(static_cast<size_t>(c.rows - 1), 1);
    if (!ids.empty()) ids.back() = c.lastId;
    FillRows(ids);
    for (int r = 1; r <= c.marked; ++r) uc.SelectRow(r, true);
    uc.UpdateStatusBarNumSel();
    EXPECT_EQ(uc.PanelText(1), QString::fromLatin1(c.text));
    EXPECT_EQ(uc.NumSelectedRows(), c.marked);
    EXPECT_EQ(uc.MultipleRowSelected(), c.marked > 0);
    EXPECT_EQ(uc.SingleRowSelected(), c.marked == 0);
  }
}

TEST_F(UCGridTest, GetSelectedRowIDsListsTheMarkedRowsFromOne) {
  FillRows({11, 12, 13, 14, 15, 16, 17, 18, 19});
  std::vector<int32_t> ids{-5};
  std::vector<int32_t> rows{-5};
  uc.GetSelectedRowIDs(ids, rows);
  EXPECT_THAT(ids, ElementsAre(-5));  // nothing marked: left as they came
  for (int r : {2, 5, 9}) uc.SelectRow(r, true);
  uc.GetSelectedRowIDs(ids, rows);
  EXPECT_THAT(ids, ElementsAre(-5, 12, 15, 19));
  EXPECT_THAT(rows, ElementsAre(-5, 2, 5, 9));
}

TEST_F(UCGridTest, SetBackgroundForRowsLeavesTheLastTwoRows) {
  FillRows({1, 2, 3, 4, 5});
  for (int r = 1; r <= 5; ++r) uc.grid().setCell(ctl::flexcpBackColor, r, 1, r, 2, 0x123456);
  uc.SetBackgroundForRows();
  EXPECT_EQ(BackColor(1, 1), UCGrid::kPlainBackColor);
  EXPECT_EQ(BackColor(2, 2), UCGrid::kMarkedBackColor);
  EXPECT_EQ(BackColor(3, 1), UCGrid::kPlainBackColor);
  EXPECT_EQ(BackColor(4, 1), 0x123456);
  EXPECT_EQ(BackColor(5, 1), 0x123456);
}

TEST_F(UCGridTest, ColumnWidthsAreSavedPerGridAndRestoredWithinBounds) {
  FillRows({1});
  ctl::GridControl& g = uc.grid();
  g.setCols(6);
  for (int c = 1; c <= 5; ++c) {
    g.setColData(c, c + 6);  // column ids 7..11
    g.setColWidth(c, 1000);
  }
  g.setColWidth(1, 2345);
  uc.SaveColumnWidths(101);
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("~101_7")), 2345);
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("~101_0")), 0);  // column 0 has no id

  const int stored[] = {180, 181, 14399, 14400};
  for (int i = 0; i < 4; ++i) mdlRegistry::PrefSaveLong(QStringLiteral("~102_%1").arg(8 + i), stored[i]);
  uc.RestoreColumnWidths(102);
  EXPECT_EQ(g.ColWidth(1), 2345);  // no stored value
  EXPECT_EQ(g.ColWidth(2), 1000);
  EXPECT_EQ(g.ColWidth(3), 181);
  EXPECT_EQ(g.ColWidth(4), 14399);
  EXPECT_EQ(g.ColWidth(5), 1000);
}

TEST_F(UCGridTest, RestoredColumnsShowTheirWidestValueWhereTheGridHasRoom) {
  // Stored widths cut a date, a text and a number; the grid is `width` pixels wide.
  struct Case {
    int width;
    bool dateWhole, textWhole;  // the number is always whole
    int dragText;  // pixels the user then drags the text column's edge (0: none)
  };
  const Case cases[] = {{1000, true, true, 0}, {260, true, false, 0}, {120, false, false, 0}, {260, true, false, 20}};
  Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    FillRows({1, 2});
    ctl::GridControl& g = uc.grid();
    g.setCols(4);
    g.setColFormat(3, QStringLiteral("#,##0.00"));
    g.setTextMatrix(1, 1, QStringLiteral("20 May 2026"));
    g.setTextMatrix(2, 2, QStringLiteral("Steel Bearing 40 mm sealed"));
    g.setTextMatrix(1, 3, 1234567.5);
    for (int col = 1; col <= 3; ++col) {
      g.setColData(col, col);
      g.setColWidth(col, 300);
      mdlRegistry::PrefSaveLong(QStringLiteral("~103_%1").arg(col), 300);
    }
    uc.resize(c.width, 300);
    uc.RestoreColumnWidths(103);
    EXPECT_EQ(g.ColWidth(1) >= g.ValuesWidth(1), c.dateWhole);
    EXPECT_EQ(g.ColWidth(2) >= g.ValuesWidth(2), c.textWhole);
    EXPECT_GE(g.ColWidth(3), g.ValuesWidth(3));
    EXPECT_GE(g.ColWidth(2), 300);
    int dragged = 0;
    if (c.dragText != 0) {
      QApplication::processEvents();
      QHeaderView& header = *g.view()->horizontalHeader();
      const QPoint edge(header.sectionViewportPosition(2) + header.sectionSize(2) - 1, header.height() / 2);
      Send(header.viewport(), QEvent::MouseButtonPress, edge);
      Send(header.viewport(), QEvent::MouseMove, edge + QPoint(c.dragText, 0));
      Send(header.viewport(), QEvent::MouseButtonRelease, edge + QPoint(c.dragText, 0));
      dragged = g.ColWidth(2);
      ASSERT_LT(dragged, g.ValuesWidth(2));
    }
    // A grid grown wide enough shows every value whole, but for a width the user set.
    uc.resize(1000, 300);
    for (int col = 1; col <= 3; ++col) {
      if (col == 2 && dragged > 0) {
        EXPECT_EQ(g.ColWidth(col), dragged);
      } else {
        EXPECT_GE(g.ColWidth(col), g.ValuesWidth(col)) << col;
      }
    }
  }
}

// Short of room, a date keeps its year before a text keeps its end; a column stored wider
// than its values gives up the difference for the others.
TEST_F(UCGridTest, RestoredDatesComeFirstAndWideColumnsMakeRoom) {
  struct Case {
    bool spareInNumber;  // the number column stored wide enough for the others' needs
    bool textWhole;
  };
  Show();
  for (const Case c : {Case{false, false}, Case{true, true}}) {
    SCOPED_TRACE(c.spareInNumber);
    FillRows({1, 2});
    ctl::GridControl& g = uc.grid();
    g.setCols(4);
    g.setTextMatrix(1, 1, QStringLiteral("Spare Spring Assembly for the large press"));
    g.setTextMatrix(2, 2, QStringLiteral("27 May 2026"));
    g.setColDataType(2, ctl::flexDTDate);
    g.setTextMatrix(1, 3, QStringLiteral("12"));
    const int32_t cut = 300;
    const int32_t text = g.ValuesWidth(1), date = g.ValuesWidth(2), number = std::max(g.ValuesWidth(3), 300);
    const int32_t stored[] = {cut, cut, c.spareInNumber ? number + (text - cut) + (date - cut) : number};
    for (int col = 1; col <= 3; ++col) {
      g.setColData(col, col);
      mdlRegistry::PrefSaveLong(QStringLiteral("~104_%1").arg(col), stored[col - 1]);
    }
    // Room for the stored widths and the date's need, not for the text's.
    const int32_t used = g.ColWidth(0) + cut + cut + stored[2] + (c.spareInNumber ? 0 : date - cut);
    const QTableView& view = *g.view();
    uc.resize(static_cast<int>(std::ceil(ui::TwipsToPixelsX(used))) + 2 * view.frameWidth() +
                  view.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 1,
              300);
    uc.RestoreColumnWidths(104);
    EXPECT_GE(g.ColWidth(2), date);
    EXPECT_EQ(g.ColWidth(1) >= text, c.textWhole);
    EXPECT_GE(g.ColWidth(3), g.ValuesWidth(3));
  }
}

TEST_F(UCGridTest, MessagesShowAndHideTheirControls) {
  Show();
  uc.TextMsg(QStringLiteral("Filtered"));
  EXPECT_TRUE(uc.txtMsg->isVisible());
  EXPECT_EQ(uc.txtMsg->toPlainText(), QStringLiteral("Filtered"));
  uc.TextMsg(QString());
  EXPECT_FALSE(uc.txtMsg->isVisible());
  EXPECT_EQ(uc.txtMsg->toPlainText(), QStringLiteral("Filtered"));

  uc.Label1Msg(QStringLiteral("Out of stock"), 0x0000FF);
  EXPECT_TRUE(uc.lbl1->isVisible());
  EXPECT_EQ(uc.lbl1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  uc.Label1Msg(QString());
  EXPECT_FALSE(uc.lbl1->isVisible());
  EXPECT_EQ(uc.lbl1->text(), QStringLiteral("Out of stock"));
  EXPECT_EQ(uc.lbl1->palette().color(QPalette::WindowText), QColor(255, 0, 0));

  uc.Panel2Msg(QStringLiteral("Group: Bolts"));
  EXPECT_EQ(uc.PanelText(2), QStringLiteral("Group: Bolts"));
  uc.ShowPropertiesButton(false);
  EXPECT_FALSE(uc.cmdProperties->isVisible());
}

TEST_F(UCGridTest, ResizePutsTheGridBetweenTheBars) {
  Show();
  const QRect grid = uc.grd->geometry();
  EXPECT_EQ(grid.top(), uc.tbar->height());
  EXPECT_EQ(grid.width(), uc.width());
  EXPECT_EQ(grid.bottom() + 1, uc.sbar->geometry().top());
  uc.resize(800, 10);  // too small for the grid: height 0, never negative
  QApplication::processEvents();
  EXPECT_EQ(uc.grd->height(), 0);
}

TEST_F(UCGridTest, TheBarShowsEveryTextWholeAndTheStatusPanelsAreFramed) {
  Show();
  const QString longText = QStringLiteral("Time to Re-Order this product, and a longer note");
  uc.Label1Msg(QStringLiteral("Out of Stock product"), 0xC00000);
  uc.Label2Msg(longText, 0xFF);
  const struct {
    QWidget* w;
    QString text;
    int extra;  // room the control needs beside its text
  } controls[] = {
      {uc.cmdProperties, uc.cmdProperties->text(), uc.cmdProperties->iconSize().width()},
      {uc.lbl1, uc.lbl1->text(), 0},
      {uc.lbl2, longText, 0},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_GE(c.w->width(), c.w->fontMetrics().horizontalAdvance(c.text) + c.extra);
    EXPECT_GE(c.w->height(), c.w->fontMetrics().height());
    EXPECT_LE(c.w->geometry().bottom(), uc.tbar->height());
  }
  // Side by side without overlapping, in the order of the bar; on a narrow bar what
  // does not fit goes on a line below, still whole. The criteria box shows every line.
  uc.TextMsg(QStringLiteral("Product=Hex bolts M8 zinc plated (HB-8)\r\nTransaction Type=Receive\r\n"
                            "Date Range =11/27/2026 to 12/2/2026\r\nCategory=Sales"));
  for (const int width : {1200, 800, 420}) {
    SCOPED_TRACE(width);
    uc.resize(width, 400);
    QApplication::processEvents();
    auto in = [&](QWidget* w) { return QRect(w->mapTo(uc.tbar, QPoint(0, 0)), w->size()); };
    const QRect bar(0, 0, uc.width(), uc.tbar->height());
    const QRect msg = in(uc.txtMsg), props = in(uc.cmdProperties), one = in(uc.lbl1), two = in(uc.lbl2);
    for (const QRect& r : {msg, props, one, two}) EXPECT_TRUE(bar.contains(r)) << r.x() << "," << r.y();
    EXPECT_FALSE(msg.intersects(props));
    EXPECT_FALSE(msg.intersects(one) || msg.intersects(two));
    EXPECT_TRUE(msg.x() > props.right() || msg.y() > props.bottom());
    EXPECT_TRUE(one.x() > msg.right() || one.y() > msg.bottom());
    EXPECT_GT(two.y(), one.bottom());
    const QFontMetrics fm(uc.txtMsg->font());
    EXPECT_GE(uc.txtMsg->viewport()->height(), 4 * fm.lineSpacing());
    EXPECT_GE(uc.txtMsg->viewport()->width(), fm.horizontalAdvance(QStringLiteral("Product=Hex bolts M8 zinc plated (HB-8)")));
    EXPECT_EQ(uc.grd->y(), uc.tbar->height());
  }

  // Narrower than the first line of the design: the buttons wrap too, each whole.
  uc.TextMsg(QString());
  uc.Label1Msg(QString());
  uc.Label2Msg(QString());
  for (const int width : {300, 150}) {
    SCOPED_TRACE(width);
    uc.resize(width, 400);
    QApplication::processEvents();
    QList<QWidget*> shown;
    for (QWidget* w : uc.tbar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (w->isVisible()) shown << w;
    }
    EXPECT_EQ(shown.size(), 8);  // seven tool buttons and Modify Report
    for (const QWidget* a : shown) {
      EXPECT_TRUE(uc.tbar->rect().contains(a->geometry())) << a->objectName().toStdString();
      for (const QWidget* b : shown) {
        if (a != b) { EXPECT_FALSE(a->geometry().intersects(b->geometry())) << a->objectName().toStdString(); }
      }
    }
  }

  for (int i = 1; i <= 4; ++i) {
    const auto* panel = uc.sbar->findChild<QLabel*>(QStringLiteral("sbarPanel%1").arg(i));
    ASSERT_NE(panel, nullptr);
    EXPECT_NE(panel->frameShape(), QFrame::NoFrame) << i;
  }
}

TEST_F(UCGridTest, ExportWritesTheWholeGridWithTheSelectionColumn) {
  ui::test::ScopedFakeShell shell;
  ui::test::ScopedFakeFileDialogs dialogs;
  const QString file = testenv::NewTempDir() + QStringLiteral("/g.csv");
  FillRows({5, 6});
  uc.grid().setTextMatrix(0, 1, QStringLiteral("Part"));
  uc.SelectRow(2, true);
  dialogs->Choose(file);
  prompts->Answer(ui::vbNo);
  uc.cmdExportData->click();
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "\xEF\xBB\xBF\"Sel\",\"Part\",\"\"\r\n\"\",\"P1\",\"\"\r\n\"*\",\"P2\",\"\"\r\n");
}

TEST_F(UCGridTest, PrintLetsTheHostSetTitleAndOrientation) {
  QString seenTitle;
  int32_t seenOrientation = 0;
  uc.SetPrintSettings([&](QString& title, int32_t& orientation) {
    seenTitle = title;
    seenOrientation = orientation;
    title = QStringLiteral("Current Inventory");
    orientation = 1;
  });
  QString dialogTitle;
  runner->Then([&](QDialog& dlg) { dialogTitle = ui::test::TextOf(dlg, QStringLiteral("txtTitle")); });
  uc.cmdPrint->click();  // the print options dialog is cancelled
  EXPECT_EQ(seenTitle, QStringLiteral("Please enter title"));
  EXPECT_EQ(seenOrientation, 2);
  EXPECT_EQ(runner->Ran().size(), 1);
  EXPECT_EQ(dialogTitle, QStringLiteral("Current Inventory"));
  EXPECT_EQ(events.back(), QStringLiteral("AfterPrint"));
}

}  // namespace
