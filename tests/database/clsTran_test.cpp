// Transactions: the record's defaults, saving (add, update, delete), reading, copying,
// the existence tests and the type names.

#include <signal.h>
#include <unistd.h>
#include <sys/resource.h>

#include <QComboBox>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <functional>
#include <tuple>

#include "platform/xbase/EngineState.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/ProcessTestSupport.h"
#include "tests/database/StockTestSupport.h"

namespace {

using stocktest::AddTran;
using stocktest::Cur;

class TranTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
};

// Every field of a record, in declaration order, to compare records whole.
auto Fields(const clsTran& t) {
  return std::make_tuple(t.nTranID, t.nProdId, t.sDate, t.udTranType, t.curUnits, t.curUnitPrice, t.sNote, t.nCatID,
                         t.nAcctID);
}

// Units × amount must be a currency value, either sign, up to its last digit.
TEST(clsTranRecord, AValueBeyondTheCurrencyRangeDoesNotFit) {
  const struct {
    const char* units;
    const char* amount;
    bool fits;
  } cases[] = {
      {"922337203685477.5807", "1", true},       {"922337203685477.5807", "1.0001", false},
      {"-922337203685477.5807", "1", true},      {"461168601842738.79", "2", true},
      {"461168601842738.7904", "2", false},      {"1000000", "99999999999", false},
      {"2000000000", "500000", false},           {"2000000000", "400000", true},
      {"-1000000", "99999999999", false},        {"0", "922337203685477", true},
  };
  for (const auto& c : cases) EXPECT_EQ(TranValueFits(Cur(c.units), Cur(c.amount)), c.fits) << c.units << " x " << c.amount;
}

TEST(clsTranRecord, ANewRecordHoldsItsDefaults) {
  clsTran t;  // dated the test clock's day
  EXPECT_EQ(Fields(t), std::make_tuple(-1, -1, QStringLiteral("3/15/2026"), -1, rt::Currency(), rt::Currency(),
                                       QString(), -1, -1));
  t.sNote = QStringLiteral("x");
  t.nTranID = 7;
  t.Init();
  EXPECT_EQ(t.nTranID, -1);
  EXPECT_TRUE(t.sNote.isEmpty());
}

TEST_F(TranTest, ANewTransactionGetsTheCounterIdAndReadsBackWhole) {
  clsTran t;
  t.nTranID = 55;  // ignored: a new row always takes the counter's id
  t.nProdId = 1000;
  t.sDate = QStringLiteral("2/28/2026");
  t.udTranType = 2;
  t.curUnits = Cur("12.5");
  t.curUnitPrice = Cur("3.1234");
  t.sNote = QStringLiteral("  first line\r\nsecond line ") + QString(40000, u'n');
  t.nCatID = 1001;
  t.nAcctID = 1002;
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().SaveTran(0, t, tb));
  EXPECT_EQ(tb, nullptr);
  EXPECT_EQ(t.nTranID, 1000);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 1001);

  clsTran back;  // the note whole, its blanks and beyond 32,767 characters
  ASSERT_TRUE(gDB().GetTran(1000, back));
  EXPECT_EQ(Fields(back), Fields(t));
}

TEST_F(TranTest, UpdateRewritesTheRowAndDeleteRemovesIt) {
  const int32_t id = AddTran(1000, 1, "5", "2");
  ASSERT_EQ(id, 1000);
  clsTran t;
  ASSERT_TRUE(gDB().GetTran(id, t));
  t.udTranType = 2;
  t.curUnits = Cur("4");
  t.sDate = QStringLiteral("not a date");
  store::Table table = gDB().OpenTable(gDB().TranTable());  // the caller's open table stays open
  DATA4* tb = table.get();
  ASSERT_TRUE(gDB().SaveTran(1, t, tb));
  ASSERT_NE(tb, nullptr);
  table.Close();
  tb = nullptr;
  clsTran back;
  ASSERT_TRUE(gDB().GetTran(id, back));
  EXPECT_EQ(back.udTranType, 2);
  EXPECT_EQ(back.curUnits, Cur("4"));
  EXPECT_TRUE(back.sDate.isEmpty());  // a text that is no date is stored blank
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 1);

  ASSERT_TRUE(gDB().SaveTran(2, t, tb));
  EXPECT_FALSE(gDB().GetTran(id, back));
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 0);
}

TEST_F(TranTest, SavesThatCannotWriteReportFailure) {
  clsTran t;
  DATA4* tb = nullptr;
  t.nTranID = -1;
  EXPECT_FALSE(gDB().SaveTran(1, t, tb));  // update without an id
  t.nTranID = 4242;
  EXPECT_FALSE(gDB().SaveTran(1, t, tb));  // a row that is gone: no message
  EXPECT_FALSE(gDB().SaveTran(7, t, tb));  // no such operation
  clsTran missing;
  missing.nProdId = 99;
  EXPECT_FALSE(gDB().GetTran(4242, missing));
  EXPECT_EQ(missing.nProdId, 99);  // untouched
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 0);
}

// The rows each tag of the transactions table walks; -1 when the index is not sound.
std::vector<int> TagRows() {
  store::Table table = gDB().OpenTable(gDB().TranTable());
  DATA4* tb = table.get();
  if (tb == nullptr) return {-1};
  std::vector<int> rows;
  if (!tb->index->Check().ok()) rows.push_back(-1);
  for (const auto& tag : tb->tags) {
    d4tagSelect(tb, tag.get());
    int n = 0;
    for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) ++n;
    rows.push_back(n);
  }
  return rows;
}

// A write the system refuses (here beyond the process's file size limit; a full disk
// fails the same way) is reported with the system's reason, and leaves the table and
// every tag as they were; the next save works.
TEST_F(TranTest, AWriteTheSystemRefusesIsReportedWithItsReasonAndChangesNothing) {
  for (int i = 0; i < 200; ++i) ASSERT_GT(AddTran(1000 + i % 7, 2, "1", "1"), 0);
  const qint64 size = QFileInfo(gDB().TranTable()).size();
  for (const char* other : {"svltran.cdx", "svltran.fpt", "svlid.dbf", "svlid.cdx"}) {
    ASSERT_LT(QFileInfo(gDB().DBPath() + QLatin1Char('/') + QLatin1String(other)).size(), size) << other;
  }
  const std::vector<int> before = TagRows();
  ASSERT_EQ(before, std::vector<int>(before.size(), 200));

  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit limited = old;
  limited.rlim_cur = static_cast<rlim_t>(size);
  const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  // Said in words, without the engine's call or the procedure.
  prompts->Expect(QStringLiteral("The database could not be written (") + QString::fromLocal8Bit(std::strerror(EFBIG)) +
                  QStringLiteral("): the change was not saved.\n\nThe file has reached the largest size the system "
                                 "allows: ask whoever looks after this computer to raise the limit."));
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const int32_t refused = AddTran(2000, 2, "5", "1");
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(refused, -1);
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 200);
  EXPECT_EQ(TagRows(), before);

  ASSERT_GT(AddTran(2000, 2, "5", "1"), 0);
  EXPECT_EQ(TagRows(), std::vector<int>(before.size(), 201));
}

TEST_F(TranTest, ALockedCounterSavesNothingAndLeavesTheRecordWithoutAnId) {
  FailLocksFast();
  dbtest::OtherUser other(gDB().LastIdTable());
  ASSERT_TRUE(other.LockRow("TBLNAME", QStringLiteral("svltran.dbf")));
  const std::function<bool(clsTran&)> saves[] = {
      [](clsTran& t) {
        DATA4* tb = nullptr;
        return gDB().SaveTran(0, t, tb);
      },
      [](clsTran& t) {
        std::vector<clsTran> batch{t, t};
        const size_t added = gDB().AddTrans(batch, nullptr);
        t = batch[0];
        return added > 0;
      },
  };
  for (const auto& save : saves) {
    prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!"));
    clsTran t;
    t.nProdId = 1000;
    t.udTranType = 2;
    EXPECT_FALSE(save(t));
    EXPECT_EQ(t.nTranID, -1);
    EXPECT_EQ(gDB().LastSaveFailure(), store::Failure::kLocked);
  }
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 0);
}

// Adds `batches` batches of `rows` transactions of product `who`, their units counting
// up: the exit code of the child that does.
int AddBatches(const QString& dir, int32_t who, int batches, int rows) {
  if (!gDB().OpenDB(dir)) return 3;
  code4lockDelay(gDB().CBEngine(), 2);
  code4lockAttempts(gDB().CBEngine(), 5000);
  int units = 0;
  for (int b = 0; b < batches; ++b) {
    std::vector<clsTran> batch(static_cast<size_t>(rows));
    for (clsTran& t : batch) {
      t.nProdId = who;
      t.udTranType = 2;
      t.sDate = QStringLiteral("3/1/2026");
      t.curUnits = rt::Currency(++units);
    }
    if (gDB().AddTrans(batch, nullptr) != batch.size()) return 4;
  }
  return 0;
}

// Two copies adding in batches, each under its hold of the table's locks: every row is
// stored once under its own id, each copy's ids rise in the order of its rows, and
// every tag finds every row.
TEST_F(TranTest, TwoCopiesAddingInBatchesKeepEveryRow) {
  const QString dir = gDB().DBPath();
  gDB().CloseDB();
  constexpr int kBatches = 6, kRows = 70;
  ASSERT_THAT(proctest::RunTogether({[&] { return AddBatches(dir, 1, kBatches, kRows); },
                                     [&] { return AddBatches(dir, 2, kBatches, kRows); }}),
              ::testing::Each(0));
  ASSERT_TRUE(gDB().OpenDB(dir));
  constexpr int kAll = 2 * kBatches * kRows;
  for (const int n : TagRows()) EXPECT_EQ(n, kAll);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 1000 + kAll);
  int last[2] = {0, 0};
  for (int32_t id = 1000; id < 1000 + kAll; ++id) {
    clsTran t;
    ASSERT_TRUE(gDB().GetTran(id, t)) << id;
    ASSERT_TRUE(t.nProdId == 1 || t.nProdId == 2) << id;
    EXPECT_EQ(t.curUnits, rt::Currency(++last[t.nProdId - 1])) << id;
  }
}

TEST_F(TranTest, AnUpdateOfARowAnotherUserHoldsChangesNothing) {
  const int32_t id = AddTran(1000, 2, "10", "2");
  FailLocksFast();
  dbtest::OtherUser other(gDB().TranTable());
  d4tagSelect(other.table(), d4tag(other.table(), "rowid"));
  ASSERT_EQ(d4seekDouble(other.table(), id), 0);
  ASSERT_EQ(d4lock(other.table(), d4recNo(other.table())), 0);
  clsTran t;
  ASSERT_TRUE(gDB().GetTran(id, t));
  t.curUnits = Cur("99");
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to update transaction!"));
  DATA4* tb = nullptr;
  EXPECT_FALSE(gDB().SaveTran(1, t, tb));
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  clsTran back;
  ASSERT_TRUE(gDB().GetTran(id, back));
  EXPECT_EQ(back.curUnits, Cur("10"));
}

// Two editors of one product or transaction: after another user's change the second
// save asks; Yes writes its entries whole, No takes the stored row into the record. Saves
// with no change in between (also an editor's own second save) ask nothing.
TEST_F(TranTest, ASaveAfterAnotherUsersChangeAsksToOverwriteOrReload) {
  store::Table prodTable = gDB().OpenTable(gDB().ProductsTable());
  DATA4* tbProd = prodTable.get();
  ASSERT_NE(tbProd, nullptr);
  DATA4* tbTran = nullptr;
  auto check = [&](auto proto, auto add, auto load, auto save, auto editFirst, auto editSecond, const QString& table,
                   const char* column, int value, const QString& prompt, auto expect) {
    for (const bool yes : {true, false}) {
      SCOPED_TRACE(yes);
      const int32_t id = add();
      auto first = proto, second = proto, stored = proto;
      ASSERT_TRUE(load(id, first) && load(id, second));
      editFirst(first);
      ASSERT_TRUE(save(first) && save(first));  // the second save asks nothing
      ASSERT_TRUE(dbtest::OtherUser(table).SetNumber(id, column, value));
      editSecond(second);
      prompts->ExpectContaining(prompt, yes ? ui::vbYes : ui::vbNo);
      EXPECT_EQ(save(second), yes);
      ASSERT_TRUE(load(id, stored));
      expect(stored, second, yes, id);
      EXPECT_TRUE(save(second));
    }
  };
  check(
      clsProd(), [&] { clsProd p = stocktest::SampleProduct(); return p.SaveProduct(tbProd, nullptr, true) ? p.nProdId : -1; },
      [&](int32_t id, clsProd& p) { return p.LoadProduct(id, tbProd); },
      [&](clsProd& p) { return p.SaveProduct(tbProd, nullptr, true); },
      [](clsProd& p) { p.sNotes = QStringLiteral("  kept  "); },
      [](clsProd& p) { p.sNotes = QStringLiteral("kept"), p.curStdPrice = Cur("9"); }, gDB().ProductsTable(), "reordlev",
      11, QStringLiteral("Another user has changed this product (Widget [A-100])"),
      [](const clsProd& stored, const clsProd& second, bool yes, int32_t) {
        EXPECT_EQ(std::pair(stored.curReOrderLevel, stored.curStdPrice), std::pair(Cur(yes ? "5.5" : "11"), Cur(yes ? "9" : "7.25")));
        EXPECT_EQ(std::pair(second.curReOrderLevel, second.curStdPrice), std::pair(stored.curReOrderLevel, stored.curStdPrice));
      });
  check(
      clsTran(), [&] { return tbTran = nullptr, AddTran(1000, 2, "10", "2"); },
      [](int32_t id, clsTran& t) { return gDB().GetTran(id, t); },
      [&](clsTran& t) { return gDB().SaveTran(1, t, tbTran); },
      [](clsTran& t) { t.sNote = QStringLiteral("counted"); }, [](clsTran& t) { t.curUnits = Cur("60"); },
      gDB().TranTable(), "units", 50, QStringLiteral("Another user has changed this transaction"),
      [](const clsTran& stored, const clsTran& second, bool yes, int32_t id) {
        EXPECT_EQ(Fields(stored), std::make_tuple(id, 1000, QStringLiteral("3/1/2026"), 2, Cur(yes ? "60" : "50"), Cur("2"),
                                                  yes ? QString() : QStringLiteral("counted"), -1, -1));
        EXPECT_EQ(Fields(second), Fields(stored));  // written, or reloaded
      });
}

TEST_F(TranTest, CopyAppendsTheRemainderDatedAsTheOutstandingRow) {
  clsTran received;
  received.nProdId = 1000;
  received.udTranType = 2;
  received.curUnits = Cur("6");
  received.curUnitPrice = Cur("2.5");
  received.sNote = QStringLiteral("partial");
  received.nCatID = 1003;
  received.nAcctID = 1004;
  received.sDate = QStringLiteral("3/15/2026");
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().SaveTran(0, received, tb));
  const clsTran before = received;

  ASSERT_TRUE(gDB().CopyTran(received, 1, Cur("4"), QStringLiteral("1/10/2026")));
  ASSERT_TRUE(gDB().CopyTran(received, 5, Cur("1"), QStringLiteral("never")));
  EXPECT_EQ(received.nTranID, before.nTranID);  // the original is not changed
  clsTran copy;
  ASSERT_TRUE(gDB().GetTran(before.nTranID + 1, copy));
  EXPECT_EQ(Fields(copy), std::make_tuple(before.nTranID + 1, 1000, QStringLiteral("1/10/2026"), 1, Cur("4"),
                                          Cur("2.5"), QStringLiteral("partial"), 1003, 1004));
  ASSERT_TRUE(gDB().GetTran(before.nTranID + 2, copy));
  EXPECT_EQ(copy.udTranType, 5);
  EXPECT_EQ(copy.sDate, QStringLiteral("3/15/2026"));  // not a date: the original's
}

TEST_F(TranTest, ExistenceTestsFollowTheProductsRows) {
  AddTran(1000, 1, "1", "1");
  AddTran(1000, 5, "1", "1");
  AddTran(1001, 2, "1", "1");
  DATA4* tb = nullptr;
  const struct {
    int32_t product, type;
    bool has;
  } cases[] = {{1000, 5, true}, {1000, 1, true}, {1000, 2, false}, {1002, 2, false}};
  for (const auto& c : cases) EXPECT_EQ(gDB().ProductHasATranType(c.product, c.type, tb), c.has) << c.product << "/" << c.type;
  EXPECT_EQ(tb, nullptr);
  EXPECT_TRUE(gDB().ProductHasTransactions(1001));
  EXPECT_FALSE(gDB().ProductHasTransactions(1002));
  EXPECT_TRUE(gDB().TransactionExists(1000));
  QString text;
  ExpectMsg(&text);
  EXPECT_FALSE(gDB().TransactionExists(5000));
  EXPECT_EQ(text, QStringLiteral("Record no longer exists or is inaccessible! Another user may have deleted this record."));
}

TEST_F(TranTest, TypeNamesAndTheTypeListPutAllocateBeforeShip) {
  const char* names[] = {"Unknown", "On Order", "Receive", "Shrinkage", "Ship", "Allocate", "Unknown"};
  for (int32_t type = 0; type <= 6; ++type) EXPECT_EQ(gDB().GetTranTypeDesc(type), QLatin1String(names[type]));
  QComboBox cbo;
  cbo.addItem(QStringLiteral("kept"), 0);
  gDB().cboTranactionTypes(cbo);
  ASSERT_EQ(cbo.count(), 6);
  const int32_t codes[] = {0, 1, 2, 3, 5, 4};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(cbo.itemData(i).toInt(), codes[i]) << i;
  EXPECT_EQ(cbo.itemText(4), QStringLiteral("Allocate"));
}

}  // namespace
