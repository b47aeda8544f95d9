// Product row procedures: display names, the combo box, look-ups by whole part number,
// the duplicate test, standard amounts, hiding and deleting (also against a row that
// another process holds), and the list-view search.

#include <QComboBox>

#include "platform/controls/ListViewControl.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"

namespace {

using stocktest::AddProduct;
using stocktest::AddTran;
using stocktest::Cur;

class ProductsTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
    widget = AddProduct(QStringLiteral("A-100"), QStringLiteral("Widget"));
    gadget = AddProduct(QStringLiteral("B-7"), QStringLiteral("Gadget"));
    hidden = AddProduct(QStringLiteral("A-1000"), QStringLiteral("Old widget"), true);
    blank = AddProduct(QString(), QStringLiteral("Loose part"));
  }
  QString LockedText(int32_t id) const {
    return QStringLiteral("RECORD LOCKED: Unable to Delete from ") + gDB().TranTable() +
           QStringLiteral("(prodid=%1) !").arg(id);
  }
  int32_t widget = 0, gadget = 0, hidden = 0, blank = 0;
};

TEST_F(ProductsTest, DisplayNamesPutThePartNumberInBracketsEvenWhenEmpty) {
  EXPECT_EQ(gDB().MakeProductName2("Widget", "A-100", false), QStringLiteral("Widget [A-100]"));
  EXPECT_EQ(gDB().MakeProductName2("Widget", "A-100", true), QStringLiteral("A-100 [Widget]"));
  EXPECT_EQ(gDB().MakeProductName2("Loose", "", false), QStringLiteral("Loose []"));
  EXPECT_EQ(gDB().MakeProductName2("Loose", "", true), QStringLiteral(" [Loose]"));
  EXPECT_EQ(gDB().GetProductName2(widget), QStringLiteral("Widget [A-100]"));
  EXPECT_EQ(gDB().GetProductName2(9999), QString());
  QString name = QStringLiteral("kept"), partNo = QStringLiteral("kept");
  DATA4* tb = nullptr;
  EXPECT_FALSE(gDB().GetProductName(9999, name, partNo, tb));
  EXPECT_EQ(name + partNo, QStringLiteral("keptkept"));
  EXPECT_TRUE(gDB().GetProductName(hidden, name, partNo, tb));
  EXPECT_EQ(name + "|" + partNo, QStringLiteral("Old widget|A-1000"));
}

TEST_F(ProductsTest, TheComboListsVisibleProductsInTheDatabasesOrder) {
  QComboBox cbo;
  gDB().cboProducts(cbo);
  QStringList texts;
  for (int i = 0; i < cbo.count(); ++i) texts << cbo.itemText(i);
  EXPECT_EQ(texts, (QStringList{"Gadget [B-7]", "Loose part []", "Widget [A-100]"}));
  EXPECT_EQ(cbo.itemData(0).toInt(), gadget);
  ASSERT_TRUE(gDB().ProdPartNumberFirstSet(true));
  cbo.clear();
  gDB().cboProducts(cbo);
  texts.clear();
  for (int i = 0; i < cbo.count(); ++i) texts << cbo.itemText(i);
  EXPECT_EQ(texts, (QStringList{" [Loose part]", "A-100 [Widget]", "B-7 [Gadget]"}));
}

TEST_F(ProductsTest, PartNumberLookupsGoByTheWholeValueInAnyCase) {
  DATA4* tb = nullptr;
  EXPECT_EQ(gDB().LookUpByPartNo("a-100", tb), widget);
  EXPECT_EQ(gDB().LookUpByPartNo(" A-100 ", tb), widget);
  EXPECT_EQ(gDB().LookUpByPartNo("A-1000", tb), hidden);  // hidden products are found
  EXPECT_EQ(gDB().LookUpByPartNo("A-10", tb), -1);         // a prefix is no match
  EXPECT_EQ(gDB().LookUpByPartNo("", tb), -1);
  EXPECT_EQ(tb, nullptr);

  EXPECT_TRUE(gDB().ProductPNExists("A-100", 0, tb));
  EXPECT_TRUE(gDB().ProductPNExists("A-100", -1, tb));
  EXPECT_FALSE(gDB().ProductPNExists("A-100", widget, tb));  // its own row
  EXPECT_TRUE(gDB().ProductPNExists("A-100", gadget, tb));
  EXPECT_TRUE(gDB().ProductPNExists("a-1000", 0, tb));
  EXPECT_FALSE(gDB().ProductPNExists("A-10", 0, tb));
  EXPECT_FALSE(gDB().ProductPNExists("", 0, tb));
  AddProduct(QStringLiteral("a-100"), QStringLiteral("Twin"));
  EXPECT_TRUE(gDB().ProductPNExists("A-100", widget, tb));  // the twin counts
}

TEST_F(ProductsTest, StandardAmountsByKind) {
  clsProd p;
  DATA4* tb = nullptr;
  ASSERT_TRUE(p.LoadProduct(hidden, tb));
  p.curStdCost = Cur("1.25");
  p.curStdPrice = Cur("2.5");
  store::Table open = gDB().OpenTable(gDB().ProductsTable());
  tb = open.get();
  ASSERT_TRUE(p.SaveProduct(tb, nullptr, true));
  EXPECT_EQ(gDB().ProductStdUnitAmt(hidden, 1, tb), Cur("1.25"));
  EXPECT_EQ(gDB().ProductStdUnitAmt(hidden, 2, tb), Cur("2.5"));
  EXPECT_EQ(gDB().ProductStdUnitAmt(hidden, 3, tb), rt::Currency());
  EXPECT_EQ(gDB().ProductStdUnitAmt(9999, 1, tb), rt::Currency());
  open.Close();
  DATA4* none = nullptr;
  EXPECT_EQ(gDB().ProductStdUnitAmt(0, 1, none), rt::Currency());
  EXPECT_EQ(none, nullptr);
  EXPECT_TRUE(gDB().ProductExists(widget));
  QString text;
  ExpectMsg(&text);
  EXPECT_FALSE(gDB().ProductExists(9999));
}

TEST_F(ProductsTest, HideAndDelete) {
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().HideProduct(widget, tb));
  EXPECT_EQ(clsProd().LookupProduct(1, "A-100", tb), -1);
  prompts->Expect(QStringLiteral("Product ID not found. Unable to update product record!"));
  EXPECT_FALSE(gDB().HideProduct(9999, tb));
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);

  AddTran(gadget, 2, "1", "1");
  EXPECT_TRUE(gDB().DeleteProduct(gadget));
  EXPECT_EQ(gDB().LookUpByPartNo("B-7", tb), -1);
  EXPECT_TRUE(gDB().ProductHasTransactions(gadget));  // left for DeleteProductTransactions
  EXPECT_TRUE(gDB().DeleteProductTransactions(gadget));
  EXPECT_FALSE(gDB().ProductHasTransactions(gadget));
  EXPECT_TRUE(gDB().DeleteProductTransactions(gadget));  // none left: true, nothing changed
}

TEST_F(ProductsTest, HidingARowAnotherProcessHoldsFails) {
  FailLocksFast();
  stocktest::LockHolder holder(gDB().ProductsTable(), "rowid", widget);
  ASSERT_TRUE(holder.locked());
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to update product record!"));
  DATA4* tb = nullptr;
  EXPECT_FALSE(gDB().HideProduct(widget, tb));
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  holder.Release();
  clsProd p;
  ASSERT_TRUE(p.LoadProduct(widget, tb));
  EXPECT_FALSE(p.bHide);
}

TEST_F(ProductsTest, DeletingTransactionsGivesUpOnAHeldRowAfterBoundedRetries) {
  for (int i = 0; i < 3; ++i) AddTran(widget, 2, "1", "1");
  const int32_t held = AddTran(widget, 4, "1", "1");
  FailLocksFast();
  stocktest::LockHolder holder(gDB().TranTable(), "rowid", held);
  ASSERT_TRUE(holder.locked());
  for (int i = 1; i < clsDB::kDeleteTranAttempts; ++i) prompts->Expect(LockedText(widget), ui::vbRetry);
  prompts->Expect(LockedText(widget), ui::vbOK);
  EXPECT_FALSE(gDB().DeleteProductTransactions(widget));
  ASSERT_EQ(prompts->Shown().size(), static_cast<qsizetype>(clsDB::kDeleteTranAttempts));
  EXPECT_EQ(prompts->Shown().front().buttons, ui::vbRetryCancel);
  EXPECT_EQ(prompts->Shown().back().buttons, ui::vbOKOnly);
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 1);  // only the held row is left

  prompts->Expect(LockedText(widget), ui::vbCancel);
  EXPECT_FALSE(gDB().DeleteProductTransactions(widget));
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 1);
}

TEST_F(ProductsTest, DeletingTransactionsGoesOnOnceTheRowIsReleased) {
  AddTran(widget, 2, "1", "1");
  const int32_t held = AddTran(widget, 2, "1", "1");
  AddTran(gadget, 2, "1", "1");
  FailLocksFast();
  stocktest::LockHolder holder(gDB().TranTable(), "rowid", held);
  ASSERT_TRUE(holder.locked());
  // The box is answered with Retry once the other process let go of its lock.
  prompts->Expect(LockedText(widget), ui::vbRetry);
  prompts->SetOnShown([&](const ui::test::ShownPrompt&) { holder.Release(); });
  EXPECT_TRUE(gDB().DeleteProductTransactions(widget));
  prompts->SetOnShown(nullptr);
  EXPECT_EQ(prompts->Shown().size(), 1);
  EXPECT_FALSE(gDB().ProductHasTransactions(widget));
  EXPECT_TRUE(gDB().ProductHasTransactions(gadget));
}

TEST_F(ProductsTest, TheListViewSearchListsVisibleProductsBeginningWithTheText) {
  ctl::ListViewControl lv;
  lv.ColumnHeaders().Add();
  lv.ColumnHeaders().Add();
  DATA4* tb = nullptr;
  auto items = [&lv] {
    QStringList out;
    for (int i = 1; i <= lv.ListItems().Count(); ++i) {
      out << lv.ListItems().Item(i).Key() + "=" + lv.ListItems().Item(i).Text() + "/" +
                 lv.ListItems().Item(i).SubItems(1);
    }
    return out;
  };
  gDB().LookupProducts(lv, 1, "a-1", tb);
  EXPECT_EQ(items(), (QStringList{QStringLiteral("N%1=A-100/Widget").arg(widget)}));  // A-1000 is hidden
  gDB().LookupProducts(lv, 0, " wid", tb);
  EXPECT_EQ(items(), (QStringList{QStringLiteral("N%1=Widget/A-100").arg(widget)}));
  gDB().LookupProducts(lv, 0, "", tb);
  EXPECT_TRUE(items().isEmpty());
  EXPECT_EQ(tb, nullptr);
}

}  // namespace
