// Engine results turned into messages: an index that no longer matches its table
// sends the user to the re-index, other errors do not; a change the engine could not
// store for a lock is reported as the record being locked. Engine results are recorded
// on the database object the work is done for.

#include <gtest/gtest.h>

#include <functional>

#include "database/DbAccess.h"
#include "database/clsProd.h"
#include "database/clsRptColDef.h"
#include "database/clsRptDef.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "platform/xbase/Engine.h"
#include "tests/database/DbTestSupport.h"

namespace {

TEST(EngineCodeText, OnlyAnIndexFaultAdvisesTheReindex) {
  struct Case {
    int rc;
    bool advises;
  } cases[] = {{e4index, true}, {e4data, false}, {e4lock, false}, {e4write, false}, {-999, false}};
  for (const Case& c : cases) {
    const QString text = dbaccess::EngineCodeText(c.rc);
    EXPECT_FALSE(text.isEmpty()) << c.rc;
    EXPECT_EQ(text.contains(QStringLiteral("Re-index")), c.advises) << c.rc << ": " << text.toStdString();
  }
}

}  // namespace

namespace {

class DroppedChangeTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
};

// A change the engine kept for a retry (flush answering 50) and then dropped with the
// lock (unlock answering 50) is a locked record, never a saved one.
TEST_F(DroppedChangeTest, AChangeDroppedForALockIsReportedLocked) {
  clsTran tran;
  tran.nProdId = 1000;
  tran.udTranType = 2;
  tran.curUnits = rt::Currency(5);
  tran.sNote = QStringLiteral("first delivery");
  DATA4* none = nullptr;
  ASSERT_TRUE(gDB().SaveTran(0, tran, none));
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("colour"), QStringLiteral("red")));

  auto memoOf = [](QString table) { return table.replace(QStringLiteral(".dbf"), QStringLiteral(".fpt")); };
  // The writes work on the caller's open table: opening one reads its index.
  DATA4* tb = nullptr;
  struct Case {
    const char* name;
    QString table;
    QString lockedText;
    std::function<bool()> write;
    std::function<bool()> unchanged;
  } cases[] = {
      {"parameter", gDB().ParamTable(), QStringLiteral("RECORD LOCKED: Unable to update parameter table!"),
       [&tb] { return gDB().SetParamValue(QStringLiteral("colour"), QStringLiteral("blue"), tb); },
       [] { return gDB().GetParamValue(QStringLiteral("colour")) == QLatin1String("red"); }},
      {"transaction", gDB().TranTable(), QStringLiteral("RECORD LOCKED: Unable to update transaction!"),
       [&tb, &tran] {
         // A new note: a note as stored is not written again, so needs no memo lock.
         clsTran changed = tran;
         changed.curUnits = rt::Currency(9);
         changed.sNote = QStringLiteral("second delivery");
         return gDB().SaveTran(1, changed, tb);
       },
       [&tran] {
         clsTran read;
         return gDB().GetTran(tran.nTranID, read) && read.curUnits == rt::Currency(5);
       }},
  };
  FailLocksFast();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store::Table open = gDB().OpenTable(c.table);
    tb = open.get();
    ASSERT_NE(tb, nullptr);
    {
      // The memo file's block allocation lock, as another user's writer holds it.
      dbtest::HeldByteLock other(memoOf(c.table), 0);
      ASSERT_TRUE(other.held());
      prompts->Expect(c.lockedText, ui::vbOK);
      EXPECT_FALSE(c.write());
      EXPECT_EQ(prompts->Last().style & ui::vbCritical, ui::vbCritical);
    }
    open.Close();
    tb = nullptr;
    EXPECT_TRUE(c.unchanged());
  }
}

}  // namespace

namespace {

class SecondDatabaseTest : public dbtest::DbTest {};

// A record or a facade member working on another database object than the run's
// records the engine's results there, never on gDB().
TEST_F(SecondDatabaseTest, EngineResultsAreRecordedOnTheDatabaseWorkedFor) {
  OpenNewDatabase();
  clsDB other;
  ASSERT_TRUE(other.NewDB(testenv::NewTempDir(QStringLiteral("other"))));
  static constexpr int16_t kUntouched = -77;
  struct Case {
    const char* name;
    std::function<void()> work;
  } cases[] = {
      {"product look-up",
       [&other] {
         DATA4* tb = nullptr;
         clsProd().LookupProduct(store::Code(store::SearchType::kPartNo), QStringLiteral("none"), tb, other);
       }},
      {"column definition",
       [&other] {
         DATA4* cat = nullptr;
         DATA4* par = nullptr;
         clsRptColDef().Read(1002, cat, par, QString(), other);
       }},
      {"report definition", [&other] { clsRptDef().LoadExisting(1, other); }},
      {"field assignment",
       [&other] {
         const store::Table table = other.OpenTable(other.ProductsTable());
         DATA4* tb = table.get();
         ASSERT_NE(tb, nullptr);
         ASSERT_EQ(d4appendStartVB(tb, 0), 0);
         other.SetLastEngineResult(kUntouched);
         other.AssignValue(d4field(tb, "partno"), QStringLiteral("P-1"), 1);
         EXPECT_NE(other.LastEngineResult(), kUntouched);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gDB().SetLastEngineResult(kUntouched);
    c.work();
    EXPECT_EQ(gDB().LastEngineResult(), kUntouched);
  }
}

}  // namespace
