#include "inventory/frmBatchTran.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "platform/controls/NumericEdit.h"
#include "tests/inventory/TranTestSupport.h"

namespace {

using trantest::Cur;
using ui::test::Click;

class frmBatchTranTest : public trantest::TranTest {
 protected:
  static void Row(frmBatchTran& dlg, int i, int32_t product, const char* units) {
    if (product > 0) trantest::SelectId(dlg, QStringLiteral("cboProducts_%1").arg(i), product);
    trantest::SetNumber(dlg, QStringLiteral("fpUnits_%1").arg(i), units);
  }
  // Seven widget rows of type `type`: the first `small` of 10 at 1, the rest of 99999999999999
  // at `cost`; OK is refused naming rows `from` to 7.
  void ExpectOverflowFrom(int type, int small, const char* cost, int from) {
    frmBatchTran dlg;
    trantest::SelectId(dlg, QStringLiteral("cboType"), type);
    for (int i = 0; i < 7; ++i) {
      Row(dlg, i, widget, i < small ? "10" : "99999999999999");
      trantest::SetNumber(dlg, QStringLiteral("fpCost_%1").arg(i), i < small ? "1" : cost);
    }
    QString expected;
    for (int row = from; row <= 7; ++row)
      expected += QStringLiteral("Row %1: ").arg(row) + TranFiguresTooLargeText(QStringLiteral("Widget [W-1]")) + u'\n';
    prompts->Expect(expected);
    ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  }
};

TEST_F(frmBatchTranTest, RowProblemsAreListedInOneMessage) {
  frmBatchTran dlg;
  trantest::SelectId(dlg, QStringLiteral("cboType"), 2);
  prompts->Expect(QStringLiteral("No product quantity has been entered!"));
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  Row(dlg, 1, widget, "0");
  Row(dlg, 2, widget, "1000000");
  trantest::SetNumber(dlg, QStringLiteral("fpCost_2"), "99999999999");
  Row(dlg, 4, -1, "2.5");
  prompts->Expect(QStringLiteral("Row 2: Number of units must specified for Widget [W-1]\n"
                                 "Row 3: Num Units \u00D7 Cost Per Unit is more than the largest value that can be "
                                 "recorded (922,337,203,685,477). Please enter fewer units or a smaller amount per unit.\n"
                                 "Row 5: Number of units (2.50) are specified but no product is selected.\n"));
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Validation error"));
  EXPECT_EQ(prompts->Last().icon, 0);
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 0);
  EXPECT_EQ(dlg.cboProducts[1]->currentIndex() >= 0, true);  // entries kept
}

// Seven rows each in range whose sum is not: the rows from the one that would overflow
// the product's figures are refused by its name.
TEST_F(frmBatchTranTest, RowsThatWouldMakeAProductsFiguresOverflowAreRefusedByName) {
  ASSERT_NO_FATAL_FAILURE(ExpectOverflowFrom(2, 0, "3", 4));
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 0);
  ASSERT_EQ(prompts->Shown().size(), 1);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Validation error"));
}

// Stored figures out of range (10^15 units in stock): the Ship rows that bring them back
// pass, the message names only the rows that would push a figure further out.
TEST_F(frmBatchTranTest, OnlyTheRowsThatPushTheFiguresOutAreNamed) {
  ASSERT_GT(stocktest::AddTran(widget, 2, "900000000000000", "0"), 0);
  ASSERT_GT(stocktest::AddTran(widget, 2, "100000000000000", "0"), 0);
  ASSERT_NO_FATAL_FAILURE(ExpectOverflowFrom(4, 3, "9", 5));
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 2);
}

// A product chosen before the date or the type: the choice is cleared (once) and the
// message shown; with both, the row takes the default amount.
TEST_F(frmBatchTranTest, ChoosingAProductNeedsDateAndType) {
  frmBatchTran dlg;
  dlg.txtDate->setText(QStringLiteral("no date"));
  prompts->Expect(QStringLiteral("Please enter a valid transaction date!"));
  trantest::SelectId(dlg, QStringLiteral("cboProducts_0"), widget);
  EXPECT_EQ(dlg.cboProducts[0]->currentIndex(), -1);
  dlg.txtDate->setText(QStringLiteral("3/3/2026"));
  prompts->Expect(QStringLiteral("Please select transaction type!"));
  trantest::SelectId(dlg, QStringLiteral("cboProducts_0"), widget);
  EXPECT_EQ(dlg.cboProducts[0]->currentIndex(), -1);
  EXPECT_EQ(prompts->Shown().size(), 2);
  const struct {
    int32_t type;
    const char* amount;
    const char* caption;
  } cases[] = {{1, "2", "Cost Per Unit"}, {4, "5", "Price Per Unit"}, {5, "5", "Price Per Unit"}, {3, "5", "Cost Per Unit"}};
  for (const auto& c : cases) {
    trantest::SelectId(dlg, QStringLiteral("cboType"), c.type);
    dlg.cboProducts[0]->setCurrentIndex(-1);
    trantest::SelectId(dlg, QStringLiteral("cboProducts_0"), widget);
    EXPECT_EQ(dlg.fpCost[0]->Value(), Cur(c.amount)) << c.type;
    EXPECT_EQ(dlg.lblCost->text(), QLatin1String(c.caption));
    EXPECT_EQ(dlg.fpCost[7]->isHidden(), c.type == 3);
  }
}

// The counter runs out after the first row: that row is stored and cleared, the second
// stays in the dialog, which stays open, and the message names it.
TEST_F(frmBatchTranTest, RowsWhoseSaveFailedStayAndAreNamed) {
  gDB().SetNextID(QStringLiteral("svltran.dbf"), 2147483646);
  frmBatchTran dlg;
  trantest::SelectId(dlg, QStringLiteral("cboType"), 2);
  Row(dlg, 0, widget, "3");
  Row(dlg, 2, gadget, "4");
  prompts->ExpectContaining(QStringLiteral("clsDB_GetNextID"));
  prompts->Expect(QStringLiteral("These transactions could not be saved and are still listed:\nRow 3: Gadget [G-2]\n"));
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  EXPECT_FALSE(dlg.m_bOK);
  EXPECT_NE(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.cboProducts[0]->currentIndex(), -1);
  EXPECT_EQ(gSystem().cboGetItemID(*dlg.cboProducts[2]), gadget);
  EXPECT_EQ(dlg.fpUnits[2]->Value(), Cur("4"));
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 1);
  EXPECT_EQ(Stats(widget).m_curNumUnitsInStock_Physical, Cur("3"));
}

// Each Ship row against the physical stock on its own units, compared as amounts.
TEST_F(frmBatchTranTest, ShipRowsAreCheckedAgainstPhysicalStock) {
  ASSERT_TRUE(gDB().TranCheckInventoryLevelSet(true));
  int n = 0;
  const struct {
    const char* first;
    const char* second;  // "" no second row
    int answer;          // 0: no question
    int saved;
  } cases[] = {{"5", "5", 0, 2}, {"5.4", "", ui::vbYes, 1}, {"6", "", ui::vbNo, 0}, {"6", "", ui::vbCancel, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    const int32_t product = AddProductWithAmounts(QStringLiteral("S-%1").arg(++n), QStringLiteral("Stock"), "1", "1");
    ASSERT_GT(stocktest::AddTran(product, 2, "5", "2"), 0);
    const int rowsBefore = dbtest::LiveRows(gDB().TranTable());
    frmBatchTran dlg;
    trantest::SelectId(dlg, QStringLiteral("cboType"), 4);
    Row(dlg, 0, product, c.first);
    if (*c.second) Row(dlg, 1, product, c.second);
    if (c.answer) {
      prompts->Expect(QStringLiteral("There are 5 units in physical stock for Stock [S-") + QString::number(n) + QStringLiteral("]. Recording this transaction "
                                     "will result in negative physical stock.\n\n\nDo you still want to record this "
                                     "transaction?"),
                      c.answer);
    }
    ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), rowsBefore + c.saved);
    EXPECT_EQ(dlg.m_bOK, c.saved > 0);
  }
}

// Stock that cannot be worked out is never taken as enough: the batch asks.
TEST_F(frmBatchTranTest, AShipWhoseStockCannotBeWorkedOutAsks) {
  ASSERT_TRUE(gDB().TranCheckInventoryLevelSet(true));
  ASSERT_GT(stocktest::AddTran(widget, 2, "900000000000000", "0"), 0);
  ASSERT_GT(stocktest::AddTran(widget, 2, "100000000000000", "0"), 0);  // physical stock beyond any figure
  const int rowsBefore = dbtest::LiveRows(gDB().TranTable());
  frmBatchTran dlg;
  trantest::SelectId(dlg, QStringLiteral("cboType"), 4);
  Row(dlg, 0, widget, "99999999999999");
  trantest::SetNumber(dlg, QStringLiteral("fpCost_0"), "0");
  prompts->ExpectContaining(QStringLiteral("Overflow: the stock figures of Widget [W-1]"));
  prompts->Expect(StockUnknownText(QStringLiteral("Widget [W-1]")) +
                      QStringLiteral("\n\n\nDo you still want to record this transaction?"),
                  ui::vbNo);
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  EXPECT_FALSE(dlg.m_bOK);
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), rowsBefore);
  rt::Err().Clear();
}

TEST_F(frmBatchTranTest, CancelStoresNothing) {
  frmBatchTran dlg;
  EXPECT_EQ(dlg.lblHeading->text(), QStringLiteral("New Batch Transaction"));
  EXPECT_EQ(dlg.txtDate->text(), gSystem().CurrDateShort());
  trantest::SelectId(dlg, QStringLiteral("cboType"), 2);
  Row(dlg, 0, widget, "3");
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdCancel")));
  EXPECT_FALSE(dlg.m_bOK);
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 0);
}

}  // namespace
