// The report definition editor: captions, validation, OK and its failed save, Delete,
// and every criterion through save and reload.
#include "reports/frmReportDef.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "platform/controls/NumericEdit.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/UCInvSel.h"
#include "reports/UCRptCols.h"
#include "reports/UCRptOptions.h"
#include "reports/UCTranSel.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using Click = bool (*)(QWidget&, const QString&);

class frmReportDefTest : public rpttest::ReportsTest {
 protected:
  // A stored inventory definition; its id.
  int32_t StoreInventory(const QString& title) {
    clsRptDef def;
    def.CreateNew(1);
    def.SetRptName(title);
    def.m_collColumns = QStringList{QStringLiteral("1001"), QStringLiteral("1014")};
    return def.SaveRptDef();
  }
};

TEST_F(frmReportDefTest, ANewReportHasTheDefaultTitleInItsCaptionNoTagAndNoDelete) {
  for (int32_t type : {1, 2}) {
    SCOPED_TRACE(type);
    frmReportDef dlg;
    EXPECT_EQ(dlg.windowTitle(), "Report Columns and Selection Criteria");
    EXPECT_EQ(ui::HelpContextOf(dlg), 2017);
    EXPECT_FALSE(dlg.InitNew(type));
    const QString title = dlg.txtRptTitle->text();
    ASSERT_TRUE(title.startsWith(QStringLiteral("Untitled ")));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Report Columns and Selection Criteria: ") + title + "...");
    EXPECT_FALSE(dlg.cmdDelete->isEnabled());
    EXPECT_TRUE(ui::Tag(&dlg).isEmpty());
    EXPECT_EQ(dlg.lblReportType->text(), type == 1 ? "Inventory" : "Transactions");
    EXPECT_EQ(!dlg.ctlInvSel->isHidden(), type == 1);
    EXPECT_EQ(!dlg.ctlTranSel->isHidden(), type == 2);
    EXPECT_EQ(!dlg.picInv->isHidden(), type == 1);
    // Only the criteria control of the type is filled.
    EXPECT_EQ(dlg.ctlTranSel->cboTrans->count() > 0, type == 2);
    EXPECT_EQ(dlg.ctlInvSel->cboInvSelCriteria->count() > 0, type == 1);
  }
}

TEST_F(frmReportDefTest, AStoredReportShowsItsTagDeleteAndAShortenedCaption) {
  const int32_t id = StoreInventory(QStringLiteral("A title that runs on well past thirty characters"));
  frmReportDef dlg;
  ASSERT_TRUE(dlg.InitExisting(id));
  EXPECT_EQ(dlg.windowTitle(), "Report Columns and Selection Criteria: A title that runs on well past...");
  EXPECT_EQ(ui::Tag(&dlg), QStringLiteral("~") + QString::number(id));
  EXPECT_TRUE(dlg.cmdDelete->isEnabled());
  EXPECT_EQ(rpttest::Ids(*dlg.ctlCols->lstSelectedColumns), (QList<int>{1001, 1014}));

  frmReportDef none;
  EXPECT_FALSE(none.InitExisting(0));
  prompts->Expect(QStringLiteral("Unable to read report with ID: 4242"));
  prompts->Expect(QStringLiteral("Unable to read report definition!"));
  EXPECT_FALSE(none.InitExisting(4242));
}

TEST_F(frmReportDefTest, TitlesThatCannotBeStoredAreRefused) {
  struct Case {
    const char* title;
    const char* line;  // "" = accepted
  };
  const Case cases[] = {
      {"", "  - REPORT TITLE must be entered."},
      {"   ", "  - REPORT TITLE must be entered."},
      {"A^B", "  - REPORT TITLE cannot contain ^ or ~ characters."},
      {"A~B", "  - REPORT TITLE cannot contain ^ or ~ characters."},
      {"Stock \u0141\u00f3d\u017a",
       "  - The character \"\u0141\" in REPORT TITLE cannot be stored. Please remove or replace it."},
      {"  Stock  ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    frmReportDef dlg;
    dlg.InitNew(1);
    dlg.ctlCols->SetValues({QStringLiteral("1001")});
    dlg.txtRptTitle->setText(QString::fromUtf8(c.title));
    QString shown;
    if (*c.line != '\0') ExpectMsg(&shown);
    dlg.OKButton->click();
    if (*c.line != '\0') {
      EXPECT_EQ(shown.toStdString(), (QStringLiteral("Please correct the following data entry fields:\n\n") +
                                      QString::fromUtf8(c.line) + QStringLiteral("\n\n"))
                                         .toStdString());
      EXPECT_FALSE(dlg.m_OK);
      EXPECT_EQ(dlg.m_udRptDef.RptID(), -1);
    } else {
      EXPECT_TRUE(dlg.m_OK);
      clsRptDef back;
      ASSERT_TRUE(back.LoadExisting(dlg.m_udRptDef.RptID()));
      EXPECT_EQ(back.RptName(), "Stock");
    }
  }
}

TEST_F(frmReportDefTest, NoColumnsCannotBeStored) {
  frmReportDef dlg;
  dlg.InitNew(2);
  prompts->Expect(QStringLiteral("At least one column must be selected for display!"));
  dlg.OKButton->click();
  EXPECT_FALSE(dlg.m_OK);
  EXPECT_EQ(dlg.m_udRptDef.RptID(), -1);
}

// A failed save answers -1; that is no stored id, so the dialog stays open and the
// definition keeps the id it had.
TEST_F(frmReportDefTest, OkAfterAFailedSaveStaysOpenWithTheOldId) {
  const int32_t id = StoreInventory(QStringLiteral("Stock"));
  frmReportDef dlg;
  ASSERT_TRUE(dlg.InitExisting(id));
  dlg.setVisible(true);
  FailLocksFast();
  {
    dbtest::OtherUser other(gDB().ParamTable());
    ASSERT_TRUE(other.LockRow("sid", QStringLiteral("~") + QString::number(id)));
    dlg.txtRptTitle->setText(QStringLiteral("Stock, renamed"));
    prompts->ExpectContaining(QStringLiteral("RECORD LOCKED: "));
    dlg.OKButton->click();
    EXPECT_FALSE(dlg.m_OK);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.m_udRptDef.RptID(), id);
    EXPECT_TRUE(gDB().GetParamValue(QStringLiteral("~-1")).isEmpty());
  }
  dlg.OKButton->click();  // the lock is gone: the same record is rewritten
  EXPECT_TRUE(dlg.m_OK);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.m_udRptDef.RptID(), id);
  clsRptDef back;
  ASSERT_TRUE(back.LoadExisting(id));
  EXPECT_EQ(back.RptName(), "Stock, renamed");
}

TEST_F(frmReportDefTest, DeleteAsksQuotingTheCaptionAndRemovesOnlyOnYes) {
  const int32_t id = StoreInventory(QStringLiteral("Stock"));
  const QString key = QStringLiteral("~") + QString::number(id);
  for (int answer : {ui::vbNo, ui::vbCancel, ui::vbYes}) {
    SCOPED_TRACE(answer);
    frmReportDef dlg;
    ASSERT_TRUE(dlg.InitExisting(id));
    prompts->Expect(
        QStringLiteral(
            "Are you sure you want to *DELETE*  'Report Columns and Selection Criteria: Stock...'?"),
        answer);
    dlg.cmdDelete->click();
    EXPECT_EQ(prompts->Last().title, "DELETE Confirmation");
    EXPECT_EQ(prompts->Last().defaultButton, 2);
    EXPECT_EQ(dlg.m_OK, answer == ui::vbYes);
    EXPECT_EQ(gDB().GetParamValue(key).isEmpty(), answer == ui::vbYes);
  }
}

TEST_F(frmReportDefTest, EveryInventoryCriterionAndOptionRoundTripsThroughSaveAndReload) {
  const int32_t group = rpttest::AddCategory(QStringLiteral("Tools"), store::ListType::kProductGroup);
  const int32_t location = rpttest::AddCategory(QStringLiteral("Shelf A"), store::ListType::kLocation);
  frmReportDef dlg;
  dlg.InitNew(1);
  dlg.txtRptTitle->setText(QStringLiteral("Tools on shelf A"));
  dlg.ctlCols->SetValues({QStringLiteral("1016"), QStringLiteral("1002")});
  gSystem().cboSelectAtID(*dlg.ctlInvSel->cboProdGroup, group);
  gSystem().cboSelectAtID(*dlg.ctlInvSel->cboLocation, location);
  gSystem().cboSelectAtID(*dlg.ctlInvSel->cboInvSelCriteria, 3);
  gSystem().lbSelectAtID(*dlg.ctlInvSel->lstSearchType, 1);
  dlg.ctlInvSel->txtSearchStr->setText(QStringLiteral("a^b~c"));
  dlg.ctlInvSel->optIndicate[1]->setChecked(true);
  dlg.ctlRptOptions->ckAllowDataEdit->setChecked(false);
  dlg.ctlRptOptions->fpCols2Freeze->setText(QStringLiteral("3"));
  dlg.ctlRptOptions->optOrientation[1]->setChecked(true);
  dlg.ctlRptOptions->optSort[1]->setChecked(true);
  dlg.OKButton->click();
  ASSERT_TRUE(dlg.m_OK);

  clsRptDef back;
  ASSERT_TRUE(back.LoadExisting(dlg.m_udRptDef.RptID()));
  EXPECT_EQ(back.RptName(), "Tools on shelf A");
  EXPECT_EQ(back.m_collColumns, (QStringList{"1016", "1002"}));
  const clsInvSelCriteria& c = back.m_udInvSelCriteria;
  EXPECT_EQ(c.m_nProductGroup, group);
  EXPECT_EQ(c.m_nProductLocation, location);
  EXPECT_EQ(c.m_udInvLevel, 3);
  EXPECT_EQ(c.m_udProdSearchByName, 1);
  EXPECT_EQ(c.m_NameSearchStr, "a^b~c");
  EXPECT_EQ(c.m_udIndicate, 2);
  const clsRptOptions& o = back.m_udRptOptions;
  EXPECT_FALSE(o.m_bAllowDataEdit);
  EXPECT_EQ(o.m_nNumOfColumns2Freeze, 3);
  EXPECT_EQ(o.m_udPageOrientation, 1);
  EXPECT_EQ(o.m_udRptColSortOrder, 1);

  // Shown again as stored.
  frmReportDef again;
  ASSERT_TRUE(again.InitExisting(back.RptID()));
  clsInvSelCriteria shown;
  again.ctlInvSel->GetValues(shown);
  EXPECT_EQ(shown.m_nProductGroup, group);
  EXPECT_EQ(shown.m_udIndicate, 2);
  EXPECT_FALSE(again.ctlInvSel->frmOptInd->isEnabled());
}

TEST_F(frmReportDefTest, EveryTransactionCriterionRoundTripsThroughSaveAndReload) {
  const int32_t category = rpttest::AddCategory(QStringLiteral("Repairs"), store::ListType::kTranCategory);
  const int32_t account = rpttest::AddCategory(QStringLiteral("Cash"), store::ListType::kTranAccount);
  struct Case {
    int32_t type, cat, acct, range;
    const char* begin;
    const char* end;
  };
  const Case cases[] = {
      {5, category, account, 100, "2003-02-16", "2003-03-01"},
      {1, -1, account, 11, "", ""},
      {0, category, -1, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    frmReportDef dlg;
    dlg.InitNew(2);
    dlg.txtRptTitle->setText(QStringLiteral("Moves"));
    dlg.ctlCols->SetValues({QStringLiteral("2001")});
    clsTranSelCriteria in;
    in.Init();
    in.m_udTranType = c.type;
    in.m_nTranCatID = c.cat;
    in.m_nTranAcctID = c.acct;
    in.SetDate(c.range, QLatin1String(c.begin), QLatin1String(c.end));
    dlg.ctlTranSel->SetValues(in);
    dlg.OKButton->click();
    ASSERT_TRUE(dlg.m_OK);

    clsRptDef back;
    ASSERT_TRUE(back.LoadExisting(dlg.m_udRptDef.RptID()));
    const clsTranSelCriteria& out = back.m_udTranSelCriteria;
    EXPECT_EQ(out.m_udTranType, c.type);
    EXPECT_EQ(out.m_nProductID, -1);
    EXPECT_EQ(out.m_nTranCatID, c.cat);
    EXPECT_EQ(out.m_nTranAcctID, c.acct);
    EXPECT_EQ(out.m_DtRange, c.range);
    if (c.range == 100) {
      EXPECT_EQ(out.dbDateBegin(), "20030216");
      EXPECT_EQ(out.dbDateEnd(), "20030301");
    }
    if (c.range == 11) {
      EXPECT_EQ(out.dbDateBegin(), "20260201");  // last month of the fixed clock
    }
  }
}

}  // namespace
