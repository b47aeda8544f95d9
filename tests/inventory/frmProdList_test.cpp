// The product list window.

#include "inventory/frmProdList.h"

#include <QFile>
#include <QLabel>
#include <QPointer>

#include "platform/controls/GridControl.h"
#include "platform/ui/Screen.h"
#include "tests/database/StockTestSupport.h"
#include "tests/inventory/ProdTestSupport.h"

namespace {

using prodtest::ProdTest;

class frmProdListTest : public ProdTest {
 protected:
  // The window is the registry's: the fixture's UnloadAll deletes it.
  frmProdList& Open() {
    delete list_;
    list_ = new frmProdList;
    list_->resize(800, 400);
    list_->Form_Load();
    return *list_;
  }
  static QStringList Column(const frmProdList& w, int col) {
    QStringList texts;
    for (int r = 1; r < w.grd->Rows(); ++r) texts << w.grd->Cell(ctl::flexcpTextDisplay, r, col).toString();
    return texts;
  }
  QPointer<frmProdList> list_;
};

TEST_F(frmProdListTest, ListsEveryProductInTheDatabasesOrder) {
  const int32_t bins = AddCategory(QStringLiteral("Bins | shelf; row #2"), 3);  // list syntax in the text
  const int32_t tools = AddCategory(QStringLiteral("Tools"), 1);
  AddProduct(QStringLiteral("Zinc plate"), QStringLiteral("A-2"), true, bins, tools);
  AddProduct(QStringLiteral("Anvil"), QStringLiteral("B-1"), false, -1, 0);
  struct Case {
    bool partNoFirst;
    QStringList col0;
    QStringList col1;
  };
  const Case cases[] = {
      {false, {"Anvil", "Zinc plate"}, {"B-1", "A-2"}},
      {true, {"A-2", "B-1"}, {"Zinc plate", "Anvil"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.partNoFirst);
    ASSERT_TRUE(gDB().ProdPartNumberFirstSet(c.partNoFirst));
    frmProdList& w = Open();
    EXPECT_EQ(w.grd->TextMatrix(0, 0), c.partNoFirst ? QStringLiteral("Part Number") : QStringLiteral("Product Name"));
    EXPECT_EQ(Column(w, 0), c.col0);
    EXPECT_EQ(Column(w, 1), c.col1);
    const int zinc = c.partNoFirst ? 1 : 2;
    EXPECT_EQ(w.grd->Cell(ctl::flexcpTextDisplay, zinc, frmProdList::kColLocation).toString(),
              QStringLiteral("Bins | shelf; row #2"));
    EXPECT_EQ(w.grd->Cell(ctl::flexcpTextDisplay, zinc, frmProdList::kColGroup).toString(), QStringLiteral("Tools"));
    EXPECT_EQ(w.grd->TextMatrix(zinc, frmProdList::kColHide), QStringLiteral("Yes"));
    // No location or group: blank cells.
    EXPECT_EQ(w.grd->Cell(ctl::flexcpTextDisplay, 3 - zinc, frmProdList::kColLocation).toString().trimmed(), QString());
    EXPECT_EQ(w.grd->Cell(ctl::flexcpTextDisplay, 3 - zinc, frmProdList::kColGroup).toString().trimmed(), QString());
    EXPECT_EQ(w.lblNumProds->text(), QStringLiteral("2 product(s)"));
    EXPECT_EQ(w.grd->Cell(ctl::flexcpBackColor, 1, 4).toInt(), frmProdList::kPlainColor);
    EXPECT_EQ(w.grd->Cell(ctl::flexcpBackColor, 2, 0).toInt(), frmProdList::kBandColor);
  }
}

TEST_F(frmProdListTest, AnEmptyListHasItsHeadingOnly) {
  frmProdList& w = Open();
  EXPECT_EQ(w.grd->Rows(), 1);
  EXPECT_EQ(w.lblNumProds->text(), QStringLiteral("0 product(s)"));
  w.cmdEdit_Click();
  EXPECT_TRUE(runner->Ran().isEmpty());
  prompts->Expect(QStringLiteral("Select a Product first!"));
  w.cmdDel_Click();
}

TEST_F(frmProdListTest, RefreshKeepsTheCurrentProductAndSortingUsesStoredIds) {
  const int32_t b = AddCategory(QStringLiteral("Aaa"), 3);  // the higher id shows first by text
  const int32_t a = AddCategory(QStringLiteral("Zzz"), 3);
  ASSERT_LT(b, a);
  AddProduct(QStringLiteral("One"), QStringLiteral("1"), false, a);
  const int32_t two = AddProduct(QStringLiteral("Two"), QStringLiteral("2"), false, b);
  AddProduct(QStringLiteral("Three"), QStringLiteral("3"));
  frmProdList& w = Open();
  gSystem().GridSelectRowAtID(*w.grd, two);
  AddProduct(QStringLiteral("Alpha"), QStringLiteral("0"));  // comes first after the reload
  w.cmdRefresh_Click();
  EXPECT_EQ(w.grd->RowData(w.grd->Row()).toInt(), two);
  EXPECT_EQ(w.grd->Rows(), 5);

  // A products table that does not open keeps the rows shown.
  const QString products = gDB().ProductsTable();
  ASSERT_TRUE(QFile::rename(products, products + QStringLiteral(".away")));
  prompts->Expect(QStringLiteral("Unable to open: ") + products);
  w.cmdRefresh_Click();
  EXPECT_EQ(w.grd->Rows(), 5);
  ASSERT_TRUE(QFile::rename(products + QStringLiteral(".away"), products));

  // A click on the location heading sorts by the stored ids.
  w.SortByColumn(frmProdList::kColLocation);
  EXPECT_EQ(Column(w, frmProdList::kColLocation).mid(2),
            (QStringList{QStringLiteral("Aaa"), QStringLiteral("Zzz")}));
  EXPECT_EQ(w.grd->Cell(ctl::flexcpBackColor, 4, 0).toInt(), frmProdList::kBandColor);
}

TEST_F(frmProdListTest, ColumnWidthsNeverGoBelowZero) {
  frmProdList& w = Open();
  w.grd->resize(10, 100);  // 150 twips: the last column's 0.1 x W - 100 is below 0
  w.Form_Resize();
  for (int c = 0; c < w.grd->Cols(); ++c) EXPECT_GE(w.grd->ColWidth(c), 0) << c;
  EXPECT_EQ(w.grd->ColWidth(frmProdList::kColHide), 0);
}

TEST_F(frmProdListTest, NewAndEditRunTheProductEditor) {
  const int32_t id = AddProduct(QStringLiteral("Nail"), QStringLiteral("N"));
  frmProdList& w = Open();
  runner->Then(QStringLiteral("frmProduct"), [](QDialog& d) { ui::test::Click(d, QStringLiteral("CancelButton")); });
  w.cmdNewProduct_Click();
  EXPECT_EQ(w.grd->Rows(), 2);  // cancelled: nothing added
  runner->Then(QStringLiteral("frmProduct"), [](QDialog& d) {
    ui::test::SetText(d, QStringLiteral("txtName"), QStringLiteral("Screw"));
    ui::test::SetText(d, QStringLiteral("txtPN"), QStringLiteral("S"));
    ui::test::Click(d, QStringLiteral("OKButton"));
  });
  w.cmdNewProduct_Click();
  EXPECT_EQ(w.grd->Rows(), 3);
  EXPECT_EQ(w.grd->Row(), 2);
  EXPECT_GT(w.grd->RowData(2).toInt(), id);
  EXPECT_EQ(w.lblNumProds->text(), QStringLiteral("2 product(s)"));

  gSystem().GridSelectRow(*w.grd, 1);
  runner->Then(QStringLiteral("frmProduct"), [](QDialog& d) { ui::test::Click(d, QStringLiteral("CancelButton")); });
  w.cmdEdit_Click();
  ASSERT_TRUE(gDB().DeleteProduct(id));
  prompts->Expect(QStringLiteral("Record cannot be accessed or it no longer exists!"));
  const qsizetype ran = runner->Ran().size();
  w.cmdEdit_Click();
  EXPECT_EQ(runner->Ran().size(), ran);
}

// Another user renamed the product while the editor had it: after No and Cancel the
// list shows the stored name, not the one typed.
TEST_F(frmProdListTest, CancelAfterAnAnswerToAnotherUsersChangeShowsTheStoredRow) {
  const int32_t id = AddProduct(QStringLiteral("Nail"), QStringLiteral("N"));
  frmProdList& w = Open();
  gSystem().GridSelectRow(*w.grd, 1);
  runner->Then(QStringLiteral("frmProduct"), stocktest::RenamedThenNoAndCancel(id, QStringLiteral("Nail, steel"), *prompts));
  w.cmdEdit_Click();
  EXPECT_TRUE(Column(w, w.NameCol()).contains(QStringLiteral("Nail, steel")));
}

TEST_F(frmProdListTest, DeleteRemovesTheRowOnlyWhenTheProductWasDeleted) {
  const int32_t with = AddProduct(QStringLiteral("Bolt"), QStringLiteral("B"));
  AddReceive(with, 2);
  AddProduct(QStringLiteral("Cog"), QStringLiteral("C"));
  frmProdList& w = Open();
  struct Case {
    int row;
    const char* question;
    int answer;
    int rowsAfter;
  };
  const Case cases[] = {
      {1, "There are inventory transactions recorded for 'Bolt'", ui::vbCancel, 3},
      {1, "There are inventory transactions recorded for 'Bolt'", ui::vbNo, 3},
      {2, "Are you sure you want to permanently delete product 'Cog' from the database?", ui::vbNo, 3},
      {2, "Are you sure you want to permanently delete product 'Cog' from the database?", ui::vbYes, 2},
      {1, "There are inventory transactions recorded for 'Bolt'", ui::vbYes, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.question);
    gSystem().GridSelectRow(*w.grd, c.row);
    prompts->ExpectContaining(QLatin1String(c.question), c.answer);
    w.cmdDel_Click();
    EXPECT_EQ(w.grd->Rows(), c.rowsAfter);
  }
  EXPECT_FALSE(gDB().ProductHasTransactions(with));
  EXPECT_EQ(w.lblNumProds->text(), QStringLiteral("0 product(s)"));
}

}  // namespace
