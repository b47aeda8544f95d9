#include "inventory/frmScanNewTran.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "services/clsSystem.h"
#include "services/mdlRegistry.h"
#include "tests/inventory/TranTestSupport.h"

namespace {

using ui::test::Click;
using ui::test::SetText;

class frmScanNewTranTest : public trantest::TranTest {};

// What one OK does with the typed part number: a whole match (any case, surrounding
// blanks dropped) enters one unit; anything else asks or refuses.
TEST_F(frmScanNewTranTest, PartNumbersMatchWhole) {
  const int32_t longer = AddProductWithAmounts(QStringLiteral("123"), QStringLiteral("Long"), "1", "1");
  const struct {
    const char* typed;
    const char* message;  // "" none: entered
    int32_t product;
  } cases[] = {
      {" 123 ", "", longer},
      {"12", "'12' not found! Would you like to add this product?", -1},
      {"g-2", "", gadget},
      {"   ", "Please enter Part Number!", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const qsizetype ran = runner->Ran().size();
    if (!*c.message) runner->Then(QStringLiteral("frmInvAddUpateDel"), {});
    frmScanNewTran scan;
    ASSERT_TRUE(SetText(scan, QStringLiteral("txtPartNo"), QLatin1String(c.typed)));
    if (*c.message) prompts->Expect(QLatin1String(c.message), c.product == -1 && QLatin1String(c.typed).trimmed().isEmpty() ? ui::vbOK : ui::vbNo);
    ASSERT_TRUE(Click(scan, QStringLiteral("cmdOK")));
    EXPECT_EQ(runner->Ran().mid(ran), *c.message ? QStringList() : QStringList{QStringLiteral("frmInvAddUpateDel")});
    if (!*c.message) {
      EXPECT_EQ(scan.m_nProductID, c.product);
    }
  }
}

TEST_F(frmScanNewTranTest, UnknownPartNumberOpensTheProductEditor) {
  QString partNo;
  runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) { partNo = ui::test::TextOf(d, QStringLiteral("txtPN")); });
  frmScanNewTran scan;
  ASSERT_TRUE(SetText(scan, QStringLiteral("txtPartNo"), QStringLiteral(" NEW-9 ")));
  prompts->Expect(QStringLiteral("' NEW-9 ' not found! Would you like to add this product?"), ui::vbYes);
  ASSERT_TRUE(Click(scan, QStringLiteral("cmdOK")));
  EXPECT_EQ(partNo, QStringLiteral("NEW-9"));
  EXPECT_EQ(runner->Ran(), QStringList{QStringLiteral("frmProduct")});
}

// After a recorded transaction the part number is selected for the next scan; after a
// cancelled one everything stays as it was. Cancel closes the window.
TEST_F(frmScanNewTranTest, ARecordedScanSelectsThePartNumber) {
  for (const bool saved : {true, false}) {
    frmScanNewTran scan;
    ASSERT_TRUE(SetText(scan, QStringLiteral("txtPartNo"), QStringLiteral("W-1")));
    ASSERT_TRUE(SetText(scan, QStringLiteral("txtNote"), QStringLiteral("pallet 4")));
    scan.txtPartNo->deselect();
    runner->Then(QStringLiteral("frmInvAddUpateDel"), [saved](QDialog& d) {
      if (saved) Click(d, QStringLiteral("cmdOK"));
    });
    ASSERT_TRUE(Click(scan, QStringLiteral("cmdOK")));
    EXPECT_EQ(scan.txtPartNo->selectedText(), saved ? QStringLiteral("W-1") : QString()) << saved;
    EXPECT_EQ(scan.txtPartNo->text(), QStringLiteral("W-1"));
    EXPECT_EQ(scan.txtNote->toPlainText(), QStringLiteral("pallet 4"));
    ASSERT_TRUE(Click(scan, QStringLiteral("cmdCancel")));
    EXPECT_EQ(scan.result(), QDialog::Rejected);
  }
}

TEST_F(frmScanNewTranTest, TheLastRecordedTypeIsPreselected) {
  {
    frmScanNewTran first;
    EXPECT_EQ(gSystem().cboGetItemID(*first.cboType), 2);
    trantest::SelectId(first, QStringLiteral("cboType"), 4);
    ASSERT_TRUE(SetText(first, QStringLiteral("txtPartNo"), QStringLiteral("W-1")));
    runner->Then(QStringLiteral("frmInvAddUpateDel"), {});
    ASSERT_TRUE(Click(first, QStringLiteral("cmdOK")));
  }
  EXPECT_EQ(mdlRegistry::PrefGetLong(QLatin1String(frmScanNewTran::kLastTypePref)), 4);
  frmScanNewTran next;
  EXPECT_EQ(gSystem().cboGetItemID(*next.cboType), 4);
}

}  // namespace
