#include "reports/ReportCommands.h"

#include "platform/ui/WindowRegistry.h"
#include "reports/frmRptContainer.h"
#include "services/testing/FakeMainWindowHub.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

class ReportCommandsTest : public rpttest::ReportWindowTest {
 protected:
  static int Windows(const QString& tag) {
    int n = 0;
    for (QWidget* w : ui::LoadedWindows()) n += ui::Tag(w) == tag ? 1 : 0;
    return n;
  }
  static const clsRptDef* Shown(const char* tag) {
    const reports::frmRptContainer* w = Window(tag);
    return w ? w->RptDef() : nullptr;
  }
};

TEST_F(ReportCommandsTest, CheckCreateReportWritesOnlyMissingBuiltIns) {
  clsDB& db = gDB();
  ASSERT_TRUE(db.GetParamValue(QStringLiteral("~106")).isEmpty());
  db.SetParamValue(QStringLiteral("~102"), QStringLiteral("1^Mine^1001^-1~0~0~~0~-1^True~1~True~2~0"));
  db.DeleteParam(QStringLiteral("~101"));
  db.DeleteParam(QStringLiteral("~103"));
  for (int32_t id : {106, 102, 101, 103, 5}) reports::CheckCreateReport(id);
  EXPECT_EQ(db.GetParamValue(QStringLiteral("~106")),
            QStringLiteral("1^Quick Inventory^1002~1001~1014~1015~1016~1017^-1~0~0~~0~-1^True~1~True~2~0"));
  EXPECT_EQ(db.GetParamValue(QStringLiteral("~102")), QStringLiteral("1^Mine^1001^-1~0~0~~0~-1^True~1~True~2~0"));
  EXPECT_EQ(db.GetParamValue(QStringLiteral("~101")),
            QStringLiteral("2^Transaction History^2001~2002~2003~2004~2005~2006~2007~2008~2009~2010^0~-1~-1~-1~0~"
                           "20030216~20030216^True~1~True~2~1"));
  EXPECT_TRUE(db.GetParamValue(QStringLiteral("~103")).isEmpty());
  EXPECT_TRUE(db.GetParamValue(QStringLiteral("~5")).isEmpty());
}

TEST_F(ReportCommandsTest, FixedViewOpensOnceAndComesForward) {
  reports::ShowQuickInventory();
  ASSERT_NE(Shown("~106"), nullptr);
  QWidget* w = ui::FindByTag(QStringLiteral("~106"));
  w->showMinimized();
  reports::ShowQuickInventory();
  EXPECT_EQ(Windows(QStringLiteral("~106")), 1);
  EXPECT_EQ(hub->calls.filter(QStringLiteral("ShowChild")).size(), 1);
  EXPECT_FALSE(w->isMinimized());
}

TEST_F(ReportCommandsTest, TwoSearchesLeaveOneWindowWithTheLatest) {
  reports::ShowFoundProductsRpt(0, QStringLiteral("ab"), QStringLiteral("First search"));
  reports::ShowFoundProductsRpt(1, QStringLiteral("X-"), QStringLiteral("Second search"));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Windows(QStringLiteral("~1")), 1);
  ASSERT_NE(Shown("~1"), nullptr);
  EXPECT_EQ(ui::FindByTag(QStringLiteral("~1"))->windowTitle(), QStringLiteral("Second search"));
  const clsInvSelCriteria& crit = Shown("~1")->m_udInvSelCriteria;
  EXPECT_EQ(crit.m_NameSearchStr, QStringLiteral("X-"));
  EXPECT_EQ(crit.m_udProdSearchByName, 1);
  EXPECT_EQ(crit.m_udIndicate, 2);
  clsRptDef stored;
  ASSERT_TRUE(stored.LoadExisting(1));
  EXPECT_EQ(stored.RptName(), QStringLiteral("Second search"));
}

TEST_F(ReportCommandsTest, ProductTransactionsShowTheLastProduct) {
  const int32_t a = rpttest::AddProd(QStringLiteral("A"), QStringLiteral("PA"));
  const int32_t b = rpttest::AddProd(QStringLiteral("B"), QStringLiteral("PB"));
  reports::ShowTransactionsForProdRpt(a);
  reports::ShowTransactionsForProdRpt(b);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Windows(QStringLiteral("~2")), 1);
  ASSERT_NE(Shown("~2"), nullptr);
  EXPECT_EQ(Shown("~2")->m_udTranSelCriteria.m_nProductID, b);
  EXPECT_EQ(Shown("~2")->RptName(), QStringLiteral("Transactions for a Product"));
}

TEST_F(ReportCommandsTest, MissingDefinitionOpensNothing) {
  gDB().DeleteParam(QStringLiteral("~1"));
  prompts->Expect(QStringLiteral("Unable to read report with ID: 1"));
  reports::ShowFoundProductsRpt(0, QStringLiteral("x"), QStringLiteral("x"));
  EXPECT_EQ(Windows(QStringLiteral("~1")), 0);
  EXPECT_TRUE(hub->calls.filter(QStringLiteral("ShowChild")).isEmpty());
}

}  // namespace
