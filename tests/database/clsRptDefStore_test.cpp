// Report definitions in the parameter table: load, save, copy.
#include "database/clsRptDef.h"
#include "tests/database/DbTestSupport.h"

namespace {

class RptDefStoreTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
};

TEST_F(RptDefStoreTest, BuiltInDefinitionsLoadFromANewDatabase) {
  const std::pair<int32_t, const char*> builtIns[] = {
      {1, "Found Products"},
      {2, "Transactions for a Product"},
      {101, "Transaction History"},
      {102, "Inventory of All Products"},
      {103, "Out of Stock Products only (zero available units)"},
      {104, "Re-Order Products only (at or below re-order level)"},
      {105, "All EXCEPT products with zero available units"}};
  for (const auto& [id, title] : builtIns) {
    SCOPED_TRACE(id);
    clsRptDef def;
    ASSERT_TRUE(def.LoadExisting(id));
    EXPECT_EQ(def.RptID(), id);
    EXPECT_EQ(def.RptName(), QString::fromLatin1(title));
  }
}

TEST_F(RptDefStoreTest, SaveTakesAnIdOnceAndKeepsIt) {
  clsRptDef def;
  def.CreateNew(1);
  def.SetRptName(QStringLiteral("Stock ^ ~ check"));
  def.m_collColumns = {"1002", "1014"};
  def.m_udInvSelCriteria.m_nProductLocation = 8;
  EXPECT_EQ(def.SaveRptDef(), 1000);
  EXPECT_EQ(def.RptID(), 1000);
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("~1000")),
            "1^Stock &hat; &tilda; check^1002~1014^-1~0~0~~0~8^True~1~True~2~0");
  def.m_udRptOptions.m_udRptColSortOrder = 1;
  EXPECT_EQ(def.SaveRptDef(), 1000);

  clsRptDef back;
  ASSERT_TRUE(back.LoadExisting(1000));
  EXPECT_EQ(back.RptName(), "Stock ^ ~ check");
  EXPECT_EQ(back.m_collColumns, QStringList({"1002", "1014"}));
  EXPECT_EQ(back.m_udInvSelCriteria.m_nProductLocation, 8);
  EXPECT_EQ(back.m_udRptOptions.m_udRptColSortOrder, 1);

  clsRptDef second;
  second.CreateNew(2);
  EXPECT_EQ(second.SaveRptDef(), 1001);
}

TEST_F(RptDefStoreTest, MakeCopyStoresANewDefinitionAndLeavesThisOne) {
  clsRptDef def;
  def.CreateNew(1);
  def.SetRptName(QStringLiteral("Stock"));
  ASSERT_EQ(def.SaveRptDef(), 1000);
  QString newName = QStringLiteral("unchanged");
  EXPECT_EQ(def.MakeCopy(newName), 1001);
  EXPECT_EQ(newName, "Copy of Stock");
  EXPECT_EQ(def.RptName(), "Stock");
  EXPECT_EQ(def.RptID(), 1000);
  clsRptDef copy;
  ASSERT_TRUE(copy.LoadExisting(1001));
  EXPECT_EQ(copy.RptName(), "Copy of Stock");
}

TEST_F(RptDefStoreTest, ALockedCounterNeverBecomesAnId) {
  ASSERT_EQ(gDB().GetNextID(QStringLiteral("rptlastid"), true, 1000), 1000);
  FailLocksFast();
  dbtest::OtherUser other(gDB().LastIdTable());
  ASSERT_TRUE(other.LockRow("tblname", QStringLiteral("RPTLASTID")) ||
              other.LockRow("tblname", QStringLiteral("rptlastid")));
  prompts->ExpectContaining(QStringLiteral("RECORD LOCKED: "));
  clsRptDef def;
  def.CreateNew(1);
  EXPECT_EQ(def.SaveRptDef(), -1);
  EXPECT_EQ(def.RptID(), -1);
  EXPECT_TRUE(gDB().GetParamValue(QStringLiteral("~0")).isEmpty());
  QString newName = QStringLiteral("kept");
  prompts->ExpectContaining(QStringLiteral("RECORD LOCKED: "));
  EXPECT_EQ(def.MakeCopy(newName), -1);
  EXPECT_EQ(newName, "kept");
}

TEST_F(RptDefStoreTest, AFailedSaveOfAStoredDefinitionKeepsItsRecordAndId) {
  clsRptDef def;
  def.CreateNew(1);
  def.SetRptName(QStringLiteral("Stock"));
  ASSERT_EQ(def.SaveRptDef(), 1000);
  FailLocksFast();
  {
    dbtest::OtherUser other(gDB().ParamTable());
    ASSERT_TRUE(other.LockRow("sid", QStringLiteral("~1000")));
    prompts->ExpectContaining(QStringLiteral("RECORD LOCKED: "));
    def.SetRptName(QStringLiteral("Stock, renamed"));
    EXPECT_EQ(def.SaveRptDef(), -1);
    EXPECT_EQ(def.RptID(), 1000);
  }
  // Saved again once the lock is gone: the same record, no copy under a new id.
  EXPECT_EQ(def.SaveRptDef(), 1000);
  EXPECT_TRUE(gDB().GetParamValue(QStringLiteral("~1001")).isEmpty());
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("rptlastid"), false, 1000), 1001);
  clsRptDef back;
  ASSERT_TRUE(back.LoadExisting(1000));
  EXPECT_EQ(back.RptName(), "Stock, renamed");
}

TEST_F(RptDefStoreTest, MissingRecordIsReported) {
  prompts->Expect(QStringLiteral("Unable to read report with ID: 4242"));
  clsRptDef def;
  EXPECT_FALSE(def.LoadExisting(4242));
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_EQ(def.RptID(), 4242);
}

}  // namespace
