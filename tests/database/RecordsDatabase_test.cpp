// The records work on the database object they are given: a second one open on
// another folder gets the product, its beginning inventory and the report
// definition, the run's own database nothing.

#include "database/clsProd.h"
#include "database/clsRptDef.h"
#include "tests/database/DbTestSupport.h"

namespace {

class RecordsDatabaseTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
    const QString dir = testenv::NewTempDir(QStringLiteral("other"));
    ASSERT_TRUE(other.NewDB(dir));
  }
  void TearDown() override {
    other.CloseDB();
    DbTest::TearDown();
  }
  clsDB other;
};

TEST_F(RecordsDatabaseTest, ARecordWritesThroughTheDatabaseItIsGiven) {
  clsProd p;
  p.Init();
  p.sPartNo = QStringLiteral("X-1");
  p.sProdName = QStringLiteral("Widget");
  p.curBeginningInventory = rt::Currency(4);
  store::Table table = other.OpenTable(other.ProductsTable());
  DATA4* tb = table.get();
  ASSERT_NE(tb, nullptr);
  ASSERT_TRUE(p.SaveProduct(tb, nullptr, false, other));
  table.Close();

  clsRptDef rpt;
  rpt.CreateNew(1);
  rpt.SetRptName(QStringLiteral("Mine"));
  const int32_t rptId = rpt.SaveRptDef(other);
  ASSERT_GT(rptId, 0);

  struct Case {
    const char* name;
    clsDB* db;
    bool holds;
  } cases[] = {{"the database given", &other, true}, {"the run's database", &gDB(), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DATA4* none = nullptr;
    clsProd read;
    EXPECT_EQ(read.LookupProduct(1, QStringLiteral("X-1"), none, *c.db) == p.nProdId, c.holds);
    EXPECT_EQ(c.db->ProductHasTransactions(p.nProdId), c.holds);
    clsRptDef loaded;
    if (c.holds) {
      EXPECT_TRUE(loaded.LoadExisting(rptId, *c.db));
      EXPECT_EQ(loaded.RptName(), QStringLiteral("Mine"));
    } else {
      prompts->ExpectContaining(QStringLiteral("Unable to read report with ID: "));
      EXPECT_FALSE(loaded.LoadExisting(rptId, *c.db));
    }
  }
}

}  // namespace
