// Deleting products, the look-up dialogs and the look-up command.

#include "inventory/ProductCommands.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "inventory/frmLookupByPartNo.h"
#include "inventory/frmLookupProduct.h"
#include "services/mdlRegistry.h"
#include "tests/inventory/ProdTestSupport.h"

namespace {

using prodtest::ProdTest;
using ui::test::Click;
using ui::test::SetText;
using ui::test::TextOf;

class ProductCommandsTest : public ProdTest {};

TEST_F(ProductCommandsTest, DeleteAsksAndDeletesTransactionsFirst) {
  const QString withTran =
      QStringLiteral("There are inventory transactions recorded for 'Bolt'\r\rTo permanently delete this product, all "
                     "transactions for this product must be deleted first. To PERMANENTLY DELETE the product AND all "
                     "its inventory transactions, press YES.");
  const QString plain = QStringLiteral("Are you sure you want to permanently delete product 'Bolt' from the database?");
  struct Case {
    bool transactions;
    int answer;
    bool deleted;
  };
  const Case cases[] = {
      {true, ui::vbYes, true},  {true, ui::vbNo, false}, {true, ui::vbCancel, false},
      {false, ui::vbYes, true}, {false, ui::vbNo, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.transactions << "/" << c.answer);
    const int32_t id = AddProduct(QStringLiteral("Bolt"), QStringLiteral("B"));
    if (c.transactions) {
      AddReceive(id, 3);
      AddReceive(id, 4);
    }
    prompts->Clear();
    prompts->Expect(c.transactions ? withTran : plain, c.answer);
    EXPECT_EQ(inventory::DeleteProduct(id, QStringLiteral("Bolt")), c.deleted);
    const ui::test::ShownPrompt& shown = prompts->Last();
    EXPECT_EQ(shown.title, c.transactions ? QStringLiteral("Permanently Delete Product") : QStringLiteral("Delete Product"));
    EXPECT_EQ(shown.buttons, c.transactions ? ui::vbYesNoCancel : ui::vbYesNo);
    EXPECT_EQ(shown.defaultButton, 2);
    EXPECT_EQ(Stored(id), !c.deleted);
    EXPECT_EQ(gDB().ProductHasTransactions(id), c.transactions && !c.deleted);
  }
  EXPECT_FALSE(inventory::DeleteProduct(0, QStringLiteral("none")));
  EXPECT_EQ(prompts->Shown().size(), 1);
}

TEST_F(ProductCommandsTest, LookupByPartNoFindsTheWholeTrimmedNumber) {
  const int32_t hidden = AddProduct(QStringLiteral("Hidden"), QStringLiteral("HX-10"), true);
  AddProduct(QStringLiteral("Longer"), QStringLiteral("HX-100"));
  struct Case {
    const char* typed;
    int32_t found;  // -1: not found
  };
  const Case cases[] = {
      {"  hx-10 ", hidden},  // blanks cut, any case, hidden included
      {"HX-1", -1},          // never a prefix
      {"HX", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    frmLookupByPartNo dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Lookup Part Number"));
    EXPECT_EQ(dlg.lblPartNo->text(), QStringLiteral("Part Number:"));
    dlg.txtPartNo->setText(QLatin1String(c.typed));
    if (c.found < 0) prompts->Expect(QStringLiteral("'") + QLatin1String(c.typed) + QStringLiteral("' not found!"));
    dlg.OKButton_Click();
    EXPECT_EQ(dlg.m_ProductID, c.found);
    EXPECT_EQ(dlg.m_OK, c.found > 0);
    if (c.found < 0) {
      dlg.CancelButton_Click();
      EXPECT_EQ(dlg.m_ProductID, -1);
      EXPECT_FALSE(dlg.m_OK);
    }
  }
  // The hub's look-up hands back the product found, -1 when cancelled.
  runner->Then(QStringLiteral("frmLookupByPartNo"), [](QDialog& d) {
    SetText(d, QStringLiteral("txtPartNo"), QStringLiteral("hx-10"));
    Click(d, QStringLiteral("OKButton"));
  });
  EXPECT_EQ(inventory::LookupProductByPartNo(), hidden);
  runner->Then(QStringLiteral("frmLookupByPartNo"), [](QDialog& d) { Click(d, QStringLiteral("CancelButton")); });
  EXPECT_EQ(inventory::LookupProductByPartNo(), -1);
}

TEST_F(ProductCommandsTest, LookupProductRemembersTheLastSearch) {
  // First opening: the name field, no text.
  {
    frmLookupProduct dlg;
    EXPECT_EQ(gSystem().lbGetItemID(*dlg.lstSearchType), frmLookupProduct::kByName);
    EXPECT_TRUE(dlg.txtProd->text().isEmpty());
    // A blank text is refused and not remembered.
    dlg.txtProd->setText(QStringLiteral("   "));
    prompts->Expect(QStringLiteral("Enter the text to search for."));
    dlg.OKButton_Click();
    EXPECT_FALSE(dlg.m_bOK);
  }
  EXPECT_TRUE(mdlRegistry::PrefGetString(QStringLiteral("ProdSearch")).isEmpty());

  runner->Then(QStringLiteral("frmLookupProduct"), [](QDialog& d) {
    auto* list = d.findChild<QListWidget*>(QStringLiteral("lstSearchType"));
    gSystem().lbSelectAtID(*list, frmLookupProduct::kByPartNo);
    SetText(d, QStringLiteral("txtProd"), QStringLiteral("abc"));
    Click(d, QStringLiteral("OKButton"));
  });
  inventory::LookupProduct();
  EXPECT_EQ(hub->calls.last(), QStringLiteral("ShowFoundProductsRpt(1, ABC, Part Number 'abc')"));

  {
    // Opened again: the text box has the focus, the remembered text selected.
    frmLookupProduct dlg;
    dlg.show();
    QApplication::processEvents();
    EXPECT_EQ(dlg.focusWidget(), dlg.txtProd);
    EXPECT_EQ(dlg.txtProd->text(), QStringLiteral("abc"));
    EXPECT_EQ(dlg.txtProd->selectedText(), QStringLiteral("abc"));
    EXPECT_EQ(gSystem().lbGetItemID(*dlg.lstSearchType), frmLookupProduct::kByPartNo);
  }
  // An unknown field falls back to the name.
  mdlRegistry::PrefSaveLong(QStringLiteral("ProdSearchType"), 7);
  {
    frmLookupProduct dlg;
    EXPECT_EQ(gSystem().lbGetItemID(*dlg.lstSearchType), frmLookupProduct::kByName);
  }
  // Cancel reports nothing.
  const qsizetype calls = hub->calls.size();
  runner->Then(QStringLiteral("frmLookupProduct"), [](QDialog& d) { Click(d, QStringLiteral("CancelButton")); });
  inventory::LookupProduct();
  EXPECT_EQ(hub->calls.size(), calls);
}

TEST_F(ProductCommandsTest, ShowProdListOpensOneWindow) {
  inventory::ShowProdList();
  inventory::ShowProdList();
  EXPECT_EQ(hub->calls.filter(QStringLiteral("ShowChild")), QStringList{QStringLiteral("ShowChild(frmProdList)")});
  EXPECT_TRUE(gSystem().IsFormLoaded(QStringLiteral("PRODUCTLIST")));
}

}  // namespace
