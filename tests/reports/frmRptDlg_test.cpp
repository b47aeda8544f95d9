// The report chooser: the list, run, copy, new and edit through the editor, the command.
#include "reports/frmRptDlg.h"

#include <QLabel>
#include <QPushButton>

#include "database/SampleDatabase.h"
#include "platform/controls/ImageList.h"
#include "platform/controls/ListViewControl.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/UCRptCols.h"
#include "reports/frmReportDef.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

class frmRptDlgTest : public rpttest::ReportsTest {
 protected:
  void TearDown() override {
    gSystem().UnloadAll();
    ReportsTest::TearDown();
  }
  static QStringList Keys(const ctl::ListViewControl& lv) {
    QStringList keys;
    for (int i = 1; i <= lv.ListItems().Count(); ++i) keys << lv.ListItems().Item(i).Key();
    return keys;
  }
  static QString SelectedKey(const ctl::ListViewControl& lv) { return gSystem().LvGetSelectedItemKey(lv); }
  // The text of the item with that key.
  static QString TextOf(const ctl::ListViewControl& lv, const QString& key) {
    return lv.ListItems().Item(key).Text();
  }
};

const char kQuickInventory[] = "1^Quick Inventory^1002~1001~1014~1015~1016~1017^-1~0~0~~0~-1^True~1~True~2~0";

TEST_F(frmRptDlgTest, ListsTheStoredReportsFromId100WithTheirDefaultMarks) {
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("~106"), QLatin1String(kQuickInventory)));
  frmRptDlg dlg;
  dlg.Form_Load();
  EXPECT_EQ(dlg.windowTitle(), "Reports");
  EXPECT_EQ(ui::Tag(&dlg), "REPORTS");
  ctl::ListViewControl& lv = *dlg.lv;
  ASSERT_EQ(lv.ColumnHeaders().Count(), 2);
  EXPECT_EQ(lv.ColumnHeaders().Item(2).Text(), "Type");
  QStringList keys = Keys(lv);
  keys.sort();
  EXPECT_EQ(keys, (QStringList{"N101", "N102", "N103", "N104", "N105", "N106"}));
  EXPECT_EQ(TextOf(lv, QStringLiteral("N106")), "Quick Inventory [default quick inventory report]");
  EXPECT_EQ(lv.ListItems().Item(QStringLiteral("N106")).SubItems(1), "Inventory");
  EXPECT_EQ(TextOf(lv, QStringLiteral("N101")), "Transaction History [default transactions report]");
  EXPECT_FALSE(SelectedKey(lv).isEmpty());
  // Each type has its own icon.
  ASSERT_NE(lv.SmallIcons(), nullptr);
  auto icon = [&](const char* key) {
    return lv.SmallIcons()->ImageOrNone(lv.ListItems().Item(QLatin1String(key)).SmallIcon());
  };
  ASSERT_FALSE(icon("N106").isNull());
  ASSERT_FALSE(icon("N101").isNull());
  EXPECT_EQ(icon("N106").cacheKey(), icon("N102").cacheKey());
  EXPECT_NE(icon("N106").cacheKey(), icon("N101").cacheKey());
}

TEST_F(frmRptDlgTest, EachBuiltInReportRunsFromTheChooserOnAGeneratedDatabase) {
  gDB().CloseDB();
  const QString sample = testenv::NewTempDir(QStringLiteral("sample"));
  ASSERT_EQ(dbsample::WriteSampleDatabase(sample, rt::App::Path(), {30, 300, 5}), QString());
  ASSERT_TRUE(gDB().OpenDB(sample));
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("~106"), QLatin1String(kQuickInventory)));
  frmRptDlg dlg;
  dlg.Form_Load();
  for (int32_t id : {101, 102, 103, 104, 105, 106}) {
    SCOPED_TRACE(id);
    hub->calls.clear();
    ASSERT_TRUE(gSystem().LvSelectItem(*dlg.lv, QStringLiteral("N%1").arg(id)));
    dlg.cmdView->click();
    EXPECT_EQ(hub->calls.filter(QStringLiteral("ShowChild")), QStringList{QStringLiteral("ShowChild(frmRptContainer)")});
    EXPECT_NE(ui::FindByTag(QStringLiteral("~%1").arg(id)), nullptr);
  }
  // The open window of 106 comes forward again.
  hub->calls.clear();
  emit dlg.lv->DblClick();
  EXPECT_TRUE(hub->calls.filter(QStringLiteral("ShowChild")).isEmpty());
  EXPECT_NE(ui::FindByTag(QStringLiteral("~106")), nullptr);
}

TEST_F(frmRptDlgTest, CommandsWithoutASelectionAskForOne) {
  frmRptDlg dlg;
  dlg.Form_Load();
  for (int i = 1; i <= dlg.lv->ListItems().Count(); ++i) dlg.lv->ListItems().Item(i).SetSelected(false);
  for (QPushButton* button : {dlg.cmdView, dlg.cmdEdit, dlg.cmdCopy}) {
    prompts->Expect(QStringLiteral("Please select a report!"));
    button->click();
  }
  EXPECT_TRUE(hub->calls.filter(QStringLiteral("ShowChild")).isEmpty());
}

TEST_F(frmRptDlgTest, CopySelectsTheCopy) {
  clsRptDef def;
  def.CreateNew(1);
  def.SetRptName(QStringLiteral("Stock"));
  def.m_collColumns = QStringList{QStringLiteral("1001")};
  const int32_t id = def.SaveRptDef();
  frmRptDlg dlg;
  dlg.Form_Load();
  ASSERT_TRUE(gSystem().LvSelectItem(*dlg.lv, QStringLiteral("N%1").arg(id)));
  dlg.cmdCopy->click();
  const QString copy = SelectedKey(*dlg.lv);
  ASSERT_NE(copy, QStringLiteral("N%1").arg(id));
  EXPECT_EQ(TextOf(*dlg.lv, copy), "Copy of Stock");
  EXPECT_EQ(TextOf(*dlg.lv, QStringLiteral("N%1").arg(id)), "Stock");
}

TEST_F(frmRptDlgTest, NewReportsAreListedWhenStoredAndACancelChangesNothing) {
  frmRptDlg dlg;
  dlg.Form_Load();
  ASSERT_TRUE(gSystem().LvSelectItem(*dlg.lv, QStringLiteral("N103")));
  const QStringList before = Keys(*dlg.lv);
  runner->Then(QStringLiteral("frmReportDef"),
               [](QDialog& d) { ui::test::Click(d, QStringLiteral("CancelButton")); });
  dlg.cmdNewInvRpt->click();
  EXPECT_EQ(Keys(*dlg.lv), before);
  EXPECT_EQ(SelectedKey(*dlg.lv), "N103");

  runner->Then(QStringLiteral("frmReportDef"), [](QDialog& d) {
    auto& ed = static_cast<frmReportDef&>(d);
    EXPECT_EQ(ed.lblReportType->text(), "Transactions");
    ed.ctlCols->SetValues({QStringLiteral("2001")});
    ui::test::SetText(d, QStringLiteral("txtRptTitle"), QStringLiteral("Shipments"));
    ui::test::Click(d, QStringLiteral("OKButton"));
  });
  dlg.cmdNewTranRpt->click();
  EXPECT_EQ(SelectedKey(*dlg.lv), "N1000");
  EXPECT_EQ(TextOf(*dlg.lv, QStringLiteral("N1000")), "Shipments");
  EXPECT_EQ(dlg.lv->ListItems().Item(QStringLiteral("N1000")).SubItems(1), "Transactions");
}

TEST_F(frmRptDlgTest, EditShowsTheNewTitleAndKeepsTheReportSelected) {
  frmRptDlg dlg;
  dlg.Form_Load();
  ASSERT_TRUE(gSystem().LvSelectItem(*dlg.lv, QStringLiteral("N104")));
  runner->Then(QStringLiteral("frmReportDef"), [](QDialog& d) {
    ui::test::SetText(d, QStringLiteral("txtRptTitle"), QStringLiteral("Re-order list"));
    ui::test::Click(d, QStringLiteral("OKButton"));
  });
  dlg.cmdEdit->click();
  EXPECT_EQ(SelectedKey(*dlg.lv), "N104");
  EXPECT_EQ(TextOf(*dlg.lv, QStringLiteral("N104")), "Re-order list");
}

TEST_F(frmRptDlgTest, RefreshKeepsTheSelectionOrFallsBackToTheFirstItem) {
  frmRptDlg dlg;
  dlg.Form_Load();
  ASSERT_TRUE(gSystem().LvSelectItem(*dlg.lv, QStringLiteral("N104")));
  dlg.cmdRefresh->click();
  EXPECT_EQ(SelectedKey(*dlg.lv), "N104");
  ASSERT_TRUE(gDB().DeleteParam(QStringLiteral("~104")));  // another user deletes it
  dlg.cmdRefresh->click();
  EXPECT_FALSE(Keys(*dlg.lv).contains(QStringLiteral("N104")));
  EXPECT_EQ(SelectedKey(*dlg.lv), dlg.lv->ListItems().Item(1).Key());
}

TEST_F(frmRptDlgTest, ShowAllReportsOpensOneWindowAndFrontsItAfterwards) {
  reports::ShowAllReports();
  EXPECT_EQ(hub->calls, QStringList{QStringLiteral("ShowChild(frmRptDlg)")});
  QWidget* first = ui::FindByTag(QStringLiteral("REPORTS"));
  ASSERT_NE(first, nullptr);
  reports::ShowAllReports();
  EXPECT_EQ(hub->calls.size(), 1);
  EXPECT_EQ(ui::FindByTag(QStringLiteral("REPORTS")), first);
}

}  // namespace
