// Counters: ids handed out once, under the row lock, across processes; part numbers;
// the version row.

#include <QFile>
#include <climits>
#include <optional>
#include <set>
#include <vector>

#include "tests/database/DbTestSupport.h"
#include "tests/database/ProcessTestSupport.h"

namespace {

class CountersTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
};

TEST_F(CountersTest, AMissingCounterGivesItsStartAndKeepsTheNextValue) {
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("rptlastid")), 0);
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("rptlastid"), false, 1000), 1000);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("rptlastid")), 1001);
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("rptlastid"), true, 1000), 1001);
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("rptlastid"), true, 1000), 1002);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("rptlastid")), 1003);
}

TEST_F(CountersTest, AnExistingRowIsUsedWhateverTheStart) {
  gDB().SetNextID(QStringLiteral("svltran.dbf"), 5);
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("svltran.dbf"), true, 1000), 5);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 6);
  gDB().SetNextID(QStringLiteral("svltran.dbf"), 3);  // lower values are allowed
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 3);
}

TEST_F(CountersTest, KeysAreMatchedWhole) {
  gDB().SetNextID(QStringLiteral("svlprod.dbf"), 2000);
  // "svlprod" begins "svlprod.dbf" and "svlprod_partno.dbf"; neither is its row.
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlprod")), 0);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlprod_partno.dbf")), 0);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlprod.dbf")), 2000);
}

TEST_F(CountersTest, TheLastIdCannotBeAdvancedPastTheLimit) {
  gDB().SetNextID(QStringLiteral("svltran.dbf"), INT_MAX);
  prompts->ExpectContaining(QStringLiteral("clsDB_GetNextID"));
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("svltran.dbf"), true, 1000), -1);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Error"));
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), INT_MAX);
  // Without the increment the value is only read.
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("svltran.dbf"), false, 1000), INT_MAX);
}

TEST_F(CountersTest, ALockedRowGivesNothingOutAndIsLeftAlone) {
  FailLocksFast();
  dbtest::OtherUser other(gDB().LastIdTable());
  ASSERT_TRUE(other.LockRow("TBLNAME", QStringLiteral("svlcat.dbf")));
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!"));
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("svlcat.dbf"), true, 1000), 0);
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!"));
  gDB().SetNextID(QStringLiteral("svlcat.dbf"), 50);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlcat.dbf")), 1000);
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to update DB Version!"));
  d4unlock(other.table());
  ASSERT_TRUE(other.LockRow("TBLNAME", QStringLiteral("dbversion")));
  EXPECT_FALSE(gDB().SetDBVer(7));
  EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
}

// Creating a missing counter takes the creation lock (the counters table's first
// record), whether the counter is taken or set, so a copy that is creating one keeps
// every other copy from appending a second row for the same key.
TEST_F(CountersTest, AMissingCounterIsCreatedOnlyUnderTheCreationLock) {
  struct Case {
    const char* name;
    int32_t (*create)(const QString& key);  // the value it gave out or set
    int32_t first, second;                  // results once the lock is gone
  };
  const Case cases[] = {
      {"taken", [](const QString& key) { return gDB().GetNextID(key, true, 700); }, 700, 701},
      {"set",
       [](const QString& key) {
         gDB().SetNextID(key, 900);
         return gDB().QueryNextID(key);
       },
       900, 900},
  };
  FailLocksFast();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString key = QStringLiteral("new.%1").arg(QLatin1String(c.name));
    const int rowsBefore = dbtest::LiveRows(gDB().LastIdTable());
    {
      dbtest::OtherUser other(gDB().LastIdTable());
      ASSERT_EQ(d4lock(other.table(), 1), 0);
      prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!"));
      EXPECT_EQ(c.create(key), 0);
      EXPECT_EQ(dbtest::LiveRows(gDB().LastIdTable()), rowsBefore);
    }
    EXPECT_EQ(c.create(key), c.first);
    EXPECT_EQ(c.create(key), c.second);
    EXPECT_EQ(dbtest::LiveRows(gDB().LastIdTable()), rowsBefore + 1);
  }
}

// Each child opens the database itself (its own engine, so its own locks) and writes
// the ids it was given to a file, inside a batch when asked: its exit code.
int TakeIds(const QString& dir, const QString& out, int n, bool batch) {
  if (!gDB().OpenDB(dir)) return 3;
  code4lockDelay(gDB().CBEngine(), 2);
  code4lockAttempts(gDB().CBEngine(), 2000);
  QFile f(out);
  if (!f.open(QIODevice::WriteOnly)) return 4;
  std::optional<clsDB::Batch> held;
  if (batch) held.emplace(gDB());
  const int32_t fresh = gDB().GetNextID(QStringLiteral("new.counter"), true, 500);
  f.write(QByteArray::number(fresh) + '\n');
  for (int i = 0; i < n; ++i) {
    const int32_t id = gDB().GetNextID(QStringLiteral("svltran.dbf"), true, 1000);
    f.write(QByteArray::number(id) + '\n');
  }
  f.close();
  return 0;
}

TEST_F(CountersTest, TwoProcessesTakingIdsGetDistinctOnes) {
  const QString dir = gDB().DBPath();
  gDB().CloseDB();
  const struct {
    const char* name;
    bool batch[2];
  } cases[] = {{"no batch", {false, false}}, {"one batch", {true, false}}, {"two batches", {true, true}}};
  int32_t first = 1000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString outs[2] = {dir + "/ids-a.txt", dir + "/ids-b.txt"};
    ASSERT_THAT(proctest::RunTogether({[&] { return TakeIds(dir, outs[0], 1000, c.batch[0]); },
                                       [&] { return TakeIds(dir, outs[1], 1000, c.batch[1]); }}),
                ::testing::Each(0));
    std::set<int32_t> fresh, ids;
    for (const QString& out : outs) {
      QFile f(out);
      ASSERT_TRUE(f.open(QIODevice::ReadOnly));
      const QList<QByteArray> lines = f.readAll().split('\n');
      ASSERT_EQ(lines.size(), 1002);  // the new counter, 1000 ids, the final empty line
      fresh.insert(lines[0].toInt());
      for (int i = 1; i <= 1000; ++i) ids.insert(lines[i].toInt());
    }
    // The new counter is made once: the second process finds the first one's row.
    EXPECT_EQ(fresh.size(), 2u);
    EXPECT_EQ(ids.size(), 2000u);
    EXPECT_EQ(*ids.begin(), first);
    EXPECT_EQ(*ids.rbegin(), first + 1999);
    first += 2000;
  }
  EXPECT_EQ(first, 7000);
  ASSERT_TRUE(gDB().OpenDB(dir));
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 7000);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("new.counter")), 506);
}

// Inside a batch every id is written at once, so a reader and a writer without one see
// it; a row another user holds gives nothing out, as without a batch; closing the
// database ends the batch.
TEST_F(CountersTest, ABatchTakesIdsAsWithoutOne) {
  const QString tran = QStringLiteral("svltran.dbf");
  const QString prod = QStringLiteral("svlprod.dbf");
  {
    const clsDB::Batch batch(gDB());
    EXPECT_TRUE(gDB().InBatch());
    EXPECT_EQ(gDB().GetNextID(tran, true, 1000), 1000);
    EXPECT_EQ(gDB().GetNextID(prod, true, 1000), 1000);
    EXPECT_EQ(gDB().GetNextID(tran, true, 1000), 1001);
    {
      const clsDB::Batch nested(gDB());
      EXPECT_EQ(gDB().GetNextID(tran, true, 1000), 1002);
    }
    EXPECT_TRUE(gDB().InBatch());
    EXPECT_EQ(gDB().QueryNextID(tran), 1003);
    gDB().SetNextID(tran, 5000);  // another handle, as another copy would
    EXPECT_EQ(gDB().GetNextID(tran, true, 1000), 5000);
    EXPECT_EQ(gDB().GetNextID(QStringLiteral("batch.counter"), true, 70), 70);
    EXPECT_EQ(gDB().GetNextID(QStringLiteral("batch.counter"), true, 70), 71);
    // The row the batch found the counter in now holds another: it is sought again.
    ASSERT_TRUE(dbtest::OtherUser(gDB().LastIdTable()).ChangeRow("TBLNAME", prod, [](DATA4* tb) {
      return f4assignNVB(d4field(tb, "TBLNAME"), "moved.dbf", 9);
    }));
    gDB().SetNextID(prod, 9000);
    EXPECT_EQ(gDB().GetNextID(prod, true, 1000), 9000);
    EXPECT_EQ(gDB().QueryNextID(QStringLiteral("moved.dbf")), 1001);

    FailLocksFast();
    dbtest::OtherUser other(gDB().LastIdTable());
    ASSERT_TRUE(other.LockRow("TBLNAME", tran));
    prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!"));
    EXPECT_EQ(gDB().GetNextID(tran, true, 1000), 0);
    ASSERT_EQ(d4unlock(other.table()), 0);
    EXPECT_EQ(gDB().GetNextID(tran, true, 1000), 5001);
  }
  EXPECT_FALSE(gDB().InBatch());
  EXPECT_EQ(gDB().QueryNextID(tran), 5002);
  EXPECT_EQ(gDB().QueryNextID(prod), 9001);

  const QString dir = gDB().DBPath();
  {
    const clsDB::Batch batch(gDB());
    EXPECT_EQ(gDB().GetNextID(tran, true, 1000), 5002);
    gDB().CloseDB();
    EXPECT_FALSE(gDB().InBatch());
  }
  ASSERT_TRUE(gDB().OpenDB(dir));
  EXPECT_EQ(gDB().QueryNextID(tran), 5003);
}

struct PartNoCase {
  int32_t prodId;
  const char* partNo;
  const char* expected;
};

TEST_F(CountersTest, PartNumbersComeFromTheirCounterOrTheNextProductId) {
  EXPECT_EQ(gDB().QueryNextPartNumber(), 1000);  // no part-number counter: next product id
  const PartNoCase before[] = {{-1, "", "1000"}, {0, "", "1000"}, {-1, "A-7", "A-7"}, {1, "", ""}};
  for (const PartNoCase& c : before) {
    struct {
      int32_t nProdId;
      QString sPartNo;
    } prod{c.prodId, QLatin1String(c.partNo)};
    gDB().AssignPartNumber(prod);
    EXPECT_EQ(prod.sPartNo, QLatin1String(c.expected)) << c.prodId << " " << c.partNo;
  }
  gDB().SetNextPartNumber(20000);
  EXPECT_EQ(gDB().QueryNextPartNumber(), 20000);
  QString partNo;
  gDB().AssignPartNumber(-1, partNo);
  EXPECT_EQ(partNo, QStringLiteral("20000"));
  EXPECT_EQ(gDB().IncrementNextPartNumber(), 20000);
  EXPECT_EQ(gDB().QueryNextPartNumber(), 20001);
}

TEST_F(CountersTest, AMissingVersionRowIsReportedAndNotCreated) {
  store::Table table = gDB().OpenTable(gDB().LastIdTable());
  DATA4* tb = table.get();
  ASSERT_NE(tb, nullptr);
  d4tagSelect(tb, d4tag(tb, "TBLNAME"));
  ASSERT_EQ(d4seek(tb, "dbversion"), 0);
  ASSERT_EQ(d4lock(tb, d4recNo(tb)), 0);
  ASSERT_EQ(d4delete(tb), 0);
  table.Close();
  prompts->Expect(QStringLiteral("Unable to set last id for dbversion"));
  EXPECT_FALSE(gDB().SetDBVer(6));
  prompts->Expect(QStringLiteral("Unable to get last id for dbversion"));
  EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 0);  // -1 only for a table that cannot be read
}

}  // namespace
