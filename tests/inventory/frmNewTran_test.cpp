#include "inventory/frmNewTran.h"

#include "inventory/frmLookupByPartNo.h"

#include <QComboBox>
#include <QToolButton>

#include "tests/inventory/TranTestSupport.h"

namespace {

using ui::test::Click;

class frmNewTranTest : public trantest::TranTest {};

// The look-up by part number selects what it found, unless the product is not listed.
TEST_F(frmNewTranTest, LookupSelectsOnlyListedProducts) {
  const int32_t hidden = stocktest::AddProduct(QStringLiteral("H-9"), QStringLiteral("Hidden"), true);
  const struct {
    int32_t found;
    int32_t selected;
  } cases[] = {{gadget, gadget}, {hidden, widget}, {0, widget}};
  for (const auto& c : cases) {
    frmNewTran dlg;
    EXPECT_EQ(dlg.cmdLookup->toolTip(), QStringLiteral("Lookup by Part Number"));
    trantest::SelectId(dlg, QStringLiteral("cboProducts"), widget);
    runner->Then(QStringLiteral("frmLookupByPartNo"), [&](QDialog& d) {
      auto& lookup = static_cast<frmLookupByPartNo&>(d);
      lookup.m_OK = true;
      lookup.m_ProductID = c.found;
    });
    ASSERT_TRUE(Click(dlg, QStringLiteral("cmdLookup")));
    EXPECT_EQ(gSystem().cboGetItemID(*dlg.cboProducts), c.selected) << c.found;
  }
  frmNewTran dlg;
  EXPECT_EQ(dlg.cboProducts->findData(hidden), -1);
}

TEST_F(frmNewTranTest, OkReturnsTheChoiceAndCancelDoesNot) {
  for (const bool ok : {true, false}) {
    frmNewTran dlg;
    trantest::SelectId(dlg, QStringLiteral("cboProducts"), gadget);
    trantest::SelectId(dlg, QStringLiteral("cboType"), 5);
    ASSERT_TRUE(Click(dlg, ok ? QStringLiteral("cmdOK") : QStringLiteral("cmdCancel")));
    EXPECT_EQ(dlg.m_bOK, ok);
    if (ok) {
      EXPECT_EQ(dlg.m_nProductID, gadget);
      EXPECT_EQ(dlg.m_udTranType, 5);
    }
  }
}

}  // namespace
