#include "inventory/frmSelTransaction.h"

#include <QPushButton>
#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

#include "platform/ui/Screen.h"
#include "tests/inventory/TranTestSupport.h"

namespace {

using ui::test::Click;

class frmSelTransactionTest : public trantest::TranTest {
 protected:
  static QStringList Column(const ctl::GridControl& grd, int col) {
    QStringList cells;
    for (int r = 1; r < grd.Rows(); ++r) cells << grd.Cell(ctl::flexcpTextDisplay, r, col).toString();
    return cells;
  }
  // A click on the heading of the column, as the mouse gives it.
  static void ClickHeader(ctl::GridControl& grd, int col) {
    QHeaderView* header = grd.view()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(type, QPointF(at), header->viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(header->viewport(), &e);
    }
    QApplication::processEvents();
  }
};

TEST_F(frmSelTransactionTest, ListsTheOutstandingRowsOfOneOrEveryProduct) {
  store::Table catsTable = gDB().OpenTable(gDB().CategoryTable());
  DATA4* cats = catsTable.get();
  QString paint = QStringLiteral("Paint");
  const int32_t cat = gDB().CategoryIDLookupOrAdd(paint, 2, cats);
  catsTable.Close();
  const QString longNote(90, QLatin1Char('n'));
  const int32_t a = stocktest::AddTran(widget, 1, "10", "2", QStringLiteral("3/1/2026"), longNote);
  stocktest::AddTran(widget, 2, "5", "2");
  const int32_t b = stocktest::AddTran(gadget, 1, "1.5", "0");
  stocktest::AddTran(gadget, 5, "3", "7");
  clsTran withCat = Stored(b);
  withCat.nCatID = cat;
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().SaveTran(1, withCat, tb));
  const struct {
    int32_t product;
    int32_t type;
    QList<int32_t> ids;
    const char* button;
  } cases[] = {{widget, 1, {a}, "&Selected 'On Order' Transaction"},
               {-1, 1, {a, b}, "&Selected 'On Order' Transaction"},
               {0, 5, {b + 1}, "&Selected 'Allocate' Transaction"},
               {widget, 5, {}, "&Selected 'Allocate' Transaction"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.product << "/" << c.type);
    frmSelTransaction dlg;
    dlg.Init(c.product, c.type, QStringLiteral("prompt"));
    QList<int32_t> ids;
    for (int r = 1; r < dlg.grd->Rows(); ++r) ids << dlg.grd->RowData(r).toInt();
    EXPECT_EQ(ids, c.ids);
    EXPECT_EQ(dlg.cmdEditSelTran->text(), QLatin1String(c.button));
    EXPECT_EQ(dlg.lblMsg->text(), QStringLiteral("prompt"));
  }
  frmSelTransaction all;
  all.Init(-1, 1, {});
  EXPECT_EQ(Column(*all.grd, 0), (QStringList{"1", "2"}));
  EXPECT_EQ(Column(*all.grd, 1), (QStringList{"3/1/2026", "3/1/2026"}));
  EXPECT_EQ(Column(*all.grd, 2), (QStringList{"On Order", "On Order"}));
  EXPECT_EQ(Column(*all.grd, 3), (QStringList{"Widget [W-1]", "Gadget [G-2]"}));
  EXPECT_EQ(Column(*all.grd, 4), (QStringList{"10.00", "1.50"}));
  EXPECT_EQ(Column(*all.grd, 5), (QStringList{"2.00", ""}));
  EXPECT_EQ(Column(*all.grd, 6), (QStringList{QString(80, QLatin1Char('n')) + "...", ""}));
  EXPECT_EQ(Column(*all.grd, 7), (QStringList{" ", "Paint"}));  // id 0 shows the blank entry
}

TEST_F(frmSelTransactionTest, UnitsHeaderSortsByValueAndDateHeaderReloads) {
  const int32_t screw =
      AddProductWithAmounts(QStringLiteral("SC-8"), QStringLiteral("Stainless steel hex socket cap screw M8 x 40"), "1", "1");
  const int32_t nine = stocktest::AddTran(screw, 1, "9", "1");
  const int32_t hundred = stocktest::AddTran(screw, 1, "100", "1");
  const int32_t ten = stocktest::AddTran(screw, 1, "10", "1");
  frmSelTransaction dlg;
  dlg.Init(screw, 1, {});
  dlg.show();
  QApplication::processEvents();
  // The columns show their texts whole.
  for (const int col : {1, 3}) {
    const QString text = dlg.grd->TextMatrix(1, col);
    EXPECT_GE(ui::TwipsToPixelsX(dlg.grd->ColWidth(col)), dlg.grd->view()->fontMetrics().horizontalAdvance(text))
        << text.toStdString();
  }
  const auto order = [&] {
    QList<int32_t> ids;
    for (int r = 1; r < dlg.grd->Rows(); ++r) ids << dlg.grd->RowData(r).toInt();
    return ids;
  };
  ClickHeader(*dlg.grd, 4);
  EXPECT_EQ(order(), (QList<int32_t>{nine, ten, hundred}));  // as text "10" would come before "9
  EXPECT_EQ(dlg.grd->RowSel(), dlg.grd->Row());  // one row highlighted, not all"
  EXPECT_EQ(Column(*dlg.grd, 0), (QStringList{"1", "3", "2"}));  // row numbers travel with their rows
  ClickHeader(*dlg.grd, 1);
  EXPECT_EQ(order(), (QList<int32_t>{nine, hundred, ten}));
  EXPECT_EQ(Column(*dlg.grd, 0), (QStringList{"1", "2", "3"}));
}

// The results of each way out, on a fresh picker and on one used before.
TEST_F(frmSelTransactionTest, EachCommandSetsItsResults) {
  const int32_t a = stocktest::AddTran(widget, 1, "10", "2");
  frmSelTransaction dlg;
  dlg.Init(widget, 1, {});
  dlg.grd->Select(1, 1);
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdEditSelTran")));
  EXPECT_TRUE(dlg.m_bOK);
  EXPECT_EQ(dlg.m_SelectedOperation, 1);
  EXPECT_EQ(dlg.m_nSelectedTranID, a);
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdCancel")));
  EXPECT_FALSE(dlg.m_bOK);
  EXPECT_EQ(dlg.m_SelectedOperation, 1);  // only m_bOK tells a cancel
  EXPECT_EQ(dlg.m_nSelectedTranID, a);
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdNewTransaction")));
  EXPECT_TRUE(dlg.m_bOK);
  EXPECT_EQ(dlg.m_SelectedOperation, 0);
  dlg.reject();  // the window's close box
  EXPECT_FALSE(dlg.m_bOK);

  frmSelTransaction empty;
  empty.Init(gadget, 1, {});
  prompts->Expect(QStringLiteral("Please select a transaction first!"));
  ASSERT_TRUE(Click(empty, QStringLiteral("cmdEditSelTran")));
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_FALSE(empty.m_bOK);
}

}  // namespace
