// A product's life on a real database, driven through the windows: created, edited and
// hidden in the editor, found through both look-up dialogs, deleted from the list.

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>

#include "inventory/frmLookupByPartNo.h"
#include "inventory/frmLookupProduct.h"
#include "inventory/ProductCommands.h"
#include "inventory/frmProdList.h"
#include "platform/controls/GridControl.h"
#include "platform/controls/NumericEdit.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/WindowRegistry.h"
#include "tests/inventory/ProdTestSupport.h"

namespace {

using ui::test::Click;
using ui::test::SetChecked;
using ui::test::SetText;
using ui::test::TextOf;

class ProductEndToEndTest : public prodtest::ProdTest {};

template <class T>
T* Child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QLatin1String(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

TEST_F(ProductEndToEndTest, CreateEditHideFindDelete) {
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("Decimals_PerUnit"), QStringLiteral("2")));
  const int32_t shelf = AddCategory(QStringLiteral("Shelf A"), 3);
  const int32_t tools = AddCategory(QStringLiteral("Tools"), 1);

  runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) {
    ASSERT_NE(d.focusWidget(), nullptr);
    EXPECT_EQ(d.focusWidget()->objectName(), QStringLiteral("txtPN"));  // typing starts in the first field
    SetText(d, QStringLiteral("txtName"), QStringLiteral("Claw hammer"));
    SetText(d, QStringLiteral("txtPN"), QStringLiteral("CH-1"));
    gSystem().cboSelectAtID(*Child<QComboBox>(d, "cboLocation"), shelf);
    gSystem().cboSelectAtID(*Child<QComboBox>(d, "cboGroup"), tools);
    Child<ctl::NumericEdit>(d, "fpBI")->setValue(rt::Currency(5));
    Child<ctl::NumericEdit>(d, "fpStdCost")->setValue(rt::Currency::FromDouble(7.25));
    Child<QPlainTextEdit>(d, "txtNotes")->setPlainText(QStringLiteral("Steel head.\nWooden handle."));
    Click(d, QStringLiteral("OKButton"));
  });
  clsProd created;
  created.Init();
  const int32_t id = inventory::AddEditNewProduct(created);
  ASSERT_GT(id, 0);
  clsProd stored = Load(id);
  EXPECT_EQ(stored.sProdName, QStringLiteral("Claw hammer"));
  EXPECT_EQ(stored.nLocation, shelf);
  EXPECT_EQ(stored.nGroup, tools);
  EXPECT_EQ(stored.curStdCost, rt::Currency::FromDouble(7.25));
  EXPECT_EQ(stored.sNotes, QStringLiteral("Steel head.\nWooden handle."));
  EXPECT_TRUE(gDB().ProductHasTransactions(id));

  prompts->ExpectContaining(QStringLiteral("Since Hide Product is checked"));
  runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) {
    EXPECT_EQ(TextOf(d, QStringLiteral("txtName")), QStringLiteral("Claw hammer"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Edit 'Claw hammer'"));
    SetText(d, QStringLiteral("txtLeadTime"), QStringLiteral("2 weeks"));
    SetChecked(d, QStringLiteral("ckHide"), true);
    Click(d, QStringLiteral("OKButton"));
  });
  clsProd edited;
  edited.nProdId = id;
  EXPECT_EQ(inventory::AddEditNewProduct(edited), id);
  stored = Load(id);
  EXPECT_TRUE(stored.bHide);
  EXPECT_EQ(stored.sLeadTime, QStringLiteral("2 weeks"));
  EXPECT_EQ(stored.sPartNo, QStringLiteral("CH-1"));

  // The part-number look-up finds the hidden product.
  runner->Then(QStringLiteral("frmLookupByPartNo"), [](QDialog& d) {
    SetText(d, QStringLiteral("txtPartNo"), QStringLiteral(" ch-1"));
    Click(d, QStringLiteral("OKButton"));
  });
  frmLookupByPartNo byPartNo;
  ui::RunModal(byPartNo);
  EXPECT_TRUE(byPartNo.m_OK);
  EXPECT_EQ(byPartNo.m_ProductID, id);

  // The product look-up hands its search to the found-products report.
  runner->Then(QStringLiteral("frmLookupProduct"), [](QDialog& d) {
    gSystem().lbSelectAtID(*d.findChild<QListWidget*>(QStringLiteral("lstSearchType")), frmLookupProduct::kByName);
    SetText(d, QStringLiteral("txtProd"), QStringLiteral("claw hammer"));
    Click(d, QStringLiteral("OKButton"));
  });
  inventory::LookupProduct();
  EXPECT_EQ(hub->calls.last(), QStringLiteral("ShowFoundProductsRpt(0, CLAW HAMMER, Product Name 'claw hammer')"));

  // The list shows it hidden, with its location, and deletes it with its transactions.
  inventory::ShowProdList();
  auto* list = qobject_cast<frmProdList*>(ui::FindByTag(QStringLiteral("PRODUCTLIST")));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->grd->Rows(), 2);
  EXPECT_EQ(list->grd->TextMatrix(1, frmProdList::kColHide), QStringLiteral("Yes"));
  EXPECT_EQ(list->grd->Cell(ctl::flexcpTextDisplay, 1, frmProdList::kColLocation).toString(), QStringLiteral("Shelf A"));
  prompts->ExpectContaining(QStringLiteral("There are inventory transactions recorded for 'Claw hammer'"), ui::vbYes);
  Click(*list, QStringLiteral("cmdDel"));
  EXPECT_EQ(list->grd->Rows(), 1);
  EXPECT_FALSE(Stored(id));
  EXPECT_FALSE(gDB().ProductHasTransactions(id));
}

}  // namespace
