// Stock figures: one product's walk on tag prodid, its rules (negative stock, types
// outside 1..5, rounding of products and averages, overflow), and the one-pass path
// for every product, which must give the same numbers.

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <chrono>
#include <functional>
#include <thread>
#include <unordered_set>

#include "database/SampleDatabase.h"
#include "database/store/Stock.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/ProcessTestSupport.h"
#include "tests/database/StockTestSupport.h"

namespace {

using stocktest::AddTran;
using stocktest::Cur;
using stocktest::Figures;
using stocktest::Stats;

struct Row {
  int32_t type;
  const char* units;
  const char* price;
};

struct StatsCase {
  const char* name;
  std::vector<Row> rows;
  Figures expected;
};

class StatsTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
};

TEST_F(StatsTest, FiguresFollowTheRulesOfEachType) {
  const StatsCase cases[] = {
      {"no rows", {}, {"0", "0", "0", "0", "0", "0", "0", "0", "0"}},
      {"receipts and shrinkage", {{2, "10", "2"}, {2, "10", "4"}, {3, "5", "9"}},
       {"15", "0", "15", "0", "4", "0", "0", "60", "0"}},
      {"shrinkage spreads the cost", {{2, "10", "2"}, {3, "2", "0"}}, {"8", "0", "8", "0", "2.5", "0", "0", "20", "0"}},
      {"more shipped than received", {{2, "5", "2"}, {4, "8", "3"}},
       {"-3", "0", "-3", "0", "2", "3", "0", "-6", "-9"}},
      {"shrinkage beyond receipts keeps the average at 0", {{2, "4", "2"}, {3, "6", "0"}},
       {"-2", "0", "-2", "0", "0", "0", "0", "0", "0"}},
      {"allocation above stock", {{2, "3", "1"}, {5, "5", "7"}}, {"3", "5", "-2", "0", "1", "0", "0", "3", "0"}},
      {"on order counts only on order", {{1, "4", "2.5"}, {1, "1", "1"}},
       {"0", "0", "0", "5", "0", "0", "11", "0", "0"}},
      {"types outside 1 to 5 count nowhere", {{0, "5", "1"}, {6, "5", "1"}, {-1, "5", "1"}, {99, "5", "1"}},
       {"0", "0", "0", "0", "0", "0", "0", "0", "0"}},
      {"average cost rounded to four decimals", {{2, "1", "1"}, {2, "2", "0"}},
       {"3", "0", "3", "0", "0.3333", "0", "0", "0.9999", "0"}},
      {"average halves go to the even neighbour", {{2, "1", "0.0005"}, {2, "1", "0"}, {4, "1", "0.0003"}, {4, "1", "0"}},
       {"0", "0", "0", "0", "0.0002", "0.0002", "0", "0", "0"}},
      {"each product is rounded before it is summed", {{1, "0.5", "0.0001"}, {1, "0.5", "0.0003"}},
       {"0", "0", "0", "1", "0", "0", "0.0002", "0", "0"}},
  };
  int32_t prodId = 2000;
  for (const StatsCase& c : cases) {
    SCOPED_TRACE(c.name);
    ++prodId;
    for (const Row& r : c.rows) ASSERT_GT(AddTran(prodId, r.type, r.units, r.price), 0);
    const clsProductStats s = Stats(prodId);
    const Figures& e = c.expected;
    EXPECT_EQ(s.m_nProductID, prodId);
    stocktest::ExpectFigures(s, e);
  }
}

TEST_F(StatsTest, DeletedRowsAndOtherProductsDoNotCount) {
  AddTran(1000, 2, "10", "1");
  const int32_t gone = AddTran(1000, 2, "5", "1");
  AddTran(1001, 2, "7", "1");
  clsTran t;
  t.nTranID = gone;
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().SaveTran(2, t, tb));
  EXPECT_EQ(Stats(1000).m_curNumUnitsInStock_Physical, Cur("10"));
  // A caller's open table is used and left open.
  store::Table open = gDB().OpenTable(gDB().TranTable());
  tb = open.get();
  clsProductStats s;
  s.Init(1001);
  EXPECT_TRUE(gDB().GetProductStats(s, tb));
  EXPECT_NE(tb, nullptr);
  open.Close();
  EXPECT_EQ(s.m_curNumUnitsInStock_Physical, Cur("7"));
}

// A whole row beyond the count (a save stopped before raising it) is left out until
// the next save of any product counts it, and is never written over.
TEST_F(StatsTest, ARowStoredBeyondTheCountIsCountedByTheNextSave) {
  const QString dir = OpenNewDatabase();
  ASSERT_GT(AddTran(3001, 4, "6", "1"), 0);
  const int32_t ship = AddTran(3001, 4, "80", "1");
  ASSERT_GT(ship, 0);
  QFile dbf(dir + QStringLiteral("/svltran.dbf"));
  ASSERT_TRUE(dbf.open(QIODevice::ReadWrite));
  ASSERT_TRUE(dbf.seek(4));
  QByteArray count = dbf.read(4);
  count[0] = static_cast<char>(count[0] - 1);  // fewer than 256 rows
  ASSERT_TRUE(dbf.seek(4) && dbf.write(count) == 4);
  dbf.close();
  EXPECT_EQ(Stats(3001).m_curNumUnitsInStock_Physical, Cur("-6"));
  ASSERT_GT(AddTran(3002, 2, "1", "1"), 0);
  EXPECT_EQ(Stats(3001).m_curNumUnitsInStock_Physical, Cur("-86"));
  EXPECT_EQ(Stats(3002).m_curNumUnitsInStock_Physical, Cur("1"));
}

TEST_F(StatsTest, FiguresBeyondTheCurrencyRangeAreAFailureNotAWrap) {
  const int32_t anvil = stocktest::AddProduct(QStringLiteral("A-1"), QStringLiteral("Anvil"));
  const int32_t bolt = stocktest::AddProduct(QStringLiteral("B-2"), QStringLiteral("Bolt"));
  AddTran(anvil, 2, "900000000000000", "1");
  AddTran(anvil, 2, "900000000000000", "1");
  AddTran(bolt, 1, "900000000000000", "900000000000000");  // its value alone is far out of range
  // Each report names the product.
  for (const auto& [id, name] : {std::pair(anvil, "Anvil [A-1]"), std::pair(bolt, "Bolt [B-2]")}) {
    prompts->ExpectContaining(QStringLiteral("Overflow: the stock figures of ") + QLatin1String(name));
    clsProductStats s;
    s.Init(id);
    DATA4* tb = nullptr;
    EXPECT_FALSE(gDB().GetProductStats(s, tb));
    EXPECT_EQ(s, [id] {
      clsProductStats fresh;
      fresh.Init(id);
      return fresh;
    }());
    rt::Err().Clear();
  }
  // The one pass fails these products alone, with one report; counting units only,
  // Bolt fits (its units on order do, their cost does not).
  AddTran(1002, 2, "3", "2");
  for (const bool unitsOnly : {false, true}) {
    SCOPED_TRACE(unitsOnly);
    prompts->ExpectContaining(unitsOnly ? QStringLiteral("of Anvil [A-1] are") : QStringLiteral("of Anvil [A-1], Bolt [B-2] are"));
    std::unordered_map<int32_t, clsProductStats> all;
    std::unordered_set<int32_t> failed;
    DATA4* tb = nullptr;
    EXPECT_TRUE(gDB().GetAllProductStats(all, failed, tb, unitsOnly));
    const std::unordered_set<int32_t> expected = unitsOnly ? std::unordered_set<int32_t>{anvil} : std::unordered_set<int32_t>{anvil, bolt};
    EXPECT_EQ(failed, expected);
    EXPECT_EQ(all.count(anvil), 0u);
    EXPECT_EQ(all.count(bolt), unitsOnly ? 1u : 0u);
    if (unitsOnly) {
      EXPECT_EQ(all[bolt].m_curNumUnitsOnOrder, Cur("900000000000000"));
    }
    EXPECT_EQ(all[1002].m_curNumUnitsInStock_Physical, Cur("3"));
    EXPECT_EQ(all[1002].m_curStkCostAvg, unitsOnly ? Cur("0") : Cur("6"));
    rt::Err().Clear();
  }
}

// An entry is refused when its product's running totals, with the stored rows and the
// entries before it, would not fit; whatever the size of the entry itself.
TEST_F(StatsTest, EntriesThatWouldMakeTheFiguresOverflowAreFound) {
  // product: 0 or 1; replacesStored: an edit of the first stored row.
  struct Entry { int product; Row row; bool replacesStored = false; };
  // stored: rows of product 0.
  const struct { const char* name; std::vector<Row> stored; std::vector<Entry> entries; std::vector<size_t> refused; } cases[] = {
      {"seven rows at 3 of 99,999,999,999,999 units", {}, std::vector<Entry>(7, Entry{0, {2, "99999999999999", "3"}}), {3, 4, 5, 6}},
      {"one receipt onto stored receipts", {{2, "500000000000000", "0"}}, {{0, {2, "500000000000000", "0"}}}, {0}},
      {"one shipment onto stored shipments' value", {{4, "300000000000000", "2"}}, {{0, {4, "200000000000000", "2"}}}, {0}},
      {"a small shipment making the stock's value at average price too large", {{2, "100000000000", "0"}}, {{0, {4, "1", "100000"}}}, {0}},
      {"an edit takes the place of its stored row", {{2, "500000000000000", "1"}}, {{0, {2, "600000000000000", "1"}, true}}, {}},
      {"products are summed apart", {}, {{0, {2, "500000000000000", "0"}}, {1, {2, "500000000000000", "0"}},
       {0, {2, "500000000000000", "0"}}, {1, {2, "400000000000000", "0"}}}, {2}},
      {"a refused entry does not count for the ones after it", {},
       {{0, {2, "900000000000000", "1"}}, {0, {2, "100000000000000", "1"}}, {0, {2, "20000000000000", "1"}}}, {1}},
      {"stored figures out of range: only what brings them back is taken", {{2, "900000000000000", "1"}, {2, "100000000000000", "0"}},
       {{0, {2, "1", "0"}}, {0, {4, "100000000000000", "1"}}}, {0}},
      {"stored figures out of range: what moves them towards the range is taken", {{2, "900000000000000", "1"}, {2, "100000000000000", "0"}},
       {{0, {4, "10", "5"}}, {0, {3, "10", "0"}}, {0, {2, "10", "0"}}, {0, {1, "10", "1"}}, {0, {5, "100000000000000", "0"}}}, {2}},
      {"stored figures out of range: an edit to fewer units is taken", {{2, "900000000000000", "0"}, {2, "200000000000000", "0"}},
       {{0, {2, "850000000000000", "0"}, true}}, {}},
      {"stored figures out of range: an edit to more units is refused", {{2, "900000000000000", "0"}, {2, "200000000000000", "0"}},
       {{0, {2, "920000000000000", "0"}, true}}, {0}},
  };
  int32_t prodId = 3000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    prodId += 2;
    int32_t first = -1;
    for (const Row& r : c.stored) {
      if (const int32_t id = AddTran(prodId, r.type, r.units, r.price); first < 0) first = id;
    }
    std::vector<clsTran> entries;
    std::vector<store::TranRow> rows;  // the same, for one pass over the table
    for (const Entry& e : c.entries) {
      clsTran& t = entries.emplace_back();
      store::TranRow& r = rows.emplace_back();
      t.nTranID = r.id = e.replacesStored ? first : -1;
      t.nProdId = r.prodId = prodId + e.product;
      t.udTranType = e.row.type;
      r.type = static_cast<store::TranType>(e.row.type);
      t.curUnits = r.units = Cur(e.row.units);
      t.curUnitPrice = r.unitPrice = Cur(e.row.price);
    }
    DATA4* tb = nullptr;
    EXPECT_EQ(gDB().TranFiguresOverflow(entries, tb), std::optional(c.refused));
    EXPECT_EQ(tb, nullptr);
    const auto onePass = store::Stock(gDB().Session()).Overflowing(rows, nullptr, 0);
    ASSERT_TRUE(onePass.ok());
    EXPECT_EQ(onePass.value, c.refused);
  }
}

TEST_F(StatsTest, OnePassForEveryProductGivesTheFiguresOfEachWalk) {
  const QString dir = gDB().DBPath();
  gDB().CloseDB();
  const QString sample = testenv::NewTempDir(QStringLiteral("sample"));
  ASSERT_EQ(dbsample::WriteSampleDatabase(sample, rt::App::Path(), {40, 2500, 11}), QString());
  ASSERT_TRUE(gDB().OpenDB(sample));
  // What the generator does not make: odd types, deleted rows, products without rows,
  // rows of ids no product has.
  AddTran(1003, 0, "5", "1");
  AddTran(1004, 9, "5", "1");
  AddTran(7777, 2, "3", "1.5");
  DATA4* tb = nullptr;
  for (int32_t id : {1000, 1500, 2000, 3000}) {
    clsTran t;
    t.nTranID = id;
    ASSERT_TRUE(gDB().SaveTran(2, t, tb));
  }
  ASSERT_TRUE(gDB().DeleteProductTransactions(1039));

  std::unordered_map<int32_t, clsProductStats> all;
  std::unordered_set<int32_t> failed{424242};
  all[424242].Init(424242);  // entries of an earlier call do not stay
  ASSERT_TRUE(gDB().GetAllProductStats(all, failed, tb));
  EXPECT_TRUE(failed.empty());
  EXPECT_EQ(tb, nullptr);
  EXPECT_EQ(all.count(424242), 0u);
  EXPECT_EQ(all.count(1039), 0u);
  ASSERT_EQ(all.count(7777), 1u);
  size_t compared = 0;
  store::Table open = gDB().OpenTable(gDB().TranTable());
  tb = open.get();
  for (int32_t id = 1000; id < 1040; ++id) {
    clsProductStats one;
    one.Init(id);
    ASSERT_TRUE(gDB().GetProductStats(one, tb));
    const auto it = all.find(id);
    clsProductStats fromPass;
    fromPass.Init(id);
    if (it != all.end()) {
      fromPass = it->second;
      ++compared;
    }
    EXPECT_EQ(one, fromPass) << id;
  }
  open.Close();
  EXPECT_EQ(compared, 39u);
  EXPECT_EQ(all.size(), 40u);  // 39 products and id 7777
}

}  // namespace

namespace {

// Another program's exclusive change of svltran in another process, the index's change
// counter put back afterwards. 0 when made.
int OtherProgramChanges(const std::function<int(DATA4*)>& change) {
  const QByteArray path = QFile::encodeName(gDB().TranTable());
  const QByteArray cdx = QFile::encodeName(gDB().TranTableIndex());
  return proctest::Wait(proctest::Fork([&] {
    const int fd = open(cdx.constData(), O_RDWR);
    char counter[4];
    if (fd < 0 || pread(fd, counter, 4, 8) != 4) return 2;
    CODE4* c = d4init_v();
    code4accessMode(c, 1);
    DATA4* d = d4open(c, path.constData());
    if (d == nullptr) return 3;
    d4tagSelect(d, d4tag(d, "ROWID"));
    if (change(d) != 0 || d4close(d) != 0) return 4;
    return pwrite(fd, counter, 4, 8) == 4 ? 0 : 5;
  }));
}

// The next figures, reads and saves see every such change and write nothing over it.
TEST_F(StatsTest, AnotherProgramsChangesWhileTheTableIsClosedAreSeenAndKept) {
  const int32_t first = AddTran(1000, 2, "10", "1");
  AddTran(1000, 2, "10", "1");
  const int32_t elsewhere = AddTran(1001, 2, "7", "1");
  struct Case {
    const char* what;
    std::function<int(DATA4*)> change;
    const char* physical;  // product 1000's, after the change
  };
  const Case cases[] = {
      {"append",
       [](DATA4* d) {
         d4appendStartVB(d, 0);
         d4blank(d);
         f4assignLong(d4field(d, "ROWID"), 9001);
         f4assignLong(d4field(d, "PRODID"), 1000);
         f4assignLong(d4field(d, "TRANTYPE"), 2);
         f4assignDouble(d4field(d, "UNITS"), 5);
         f4assignNVB(d4field(d, "TRANDATE"), "20260301", 8);
         return d4append(d);
       },
       "25"},
      {"delete", [&](DATA4* d) { return d4seekDouble(d, first) != 0 ? -1 : d4delete(d); }, "15"},
      {"product changed",
       [&](DATA4* d) {
         return d4seekDouble(d, elsewhere) != 0 ? -1 : f4assignLong(d4field(d, "PRODID"), 1000);
       },
       "22"},
  };
  rt::Currency ours;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // file times of the next writes move on
    Stats(1000);
    ASSERT_EQ(OtherProgramChanges(c.change), 0);
    rt::Currency want = Cur(c.physical);
    want += ours;
    EXPECT_EQ(Stats(1000).m_curNumUnitsInStock_Physical, want);
    ASSERT_GT(AddTran(1000, 2, "1", "1"), 0);
    ours += Cur("1");
    want += Cur("1");
    EXPECT_EQ(Stats(1000).m_curNumUnitsInStock_Physical, want);
  }
  clsTran t;
  ASSERT_TRUE(gDB().GetTran(9001, t));
  EXPECT_EQ(t.nProdId, 1000);
  EXPECT_EQ(Stats(1001).m_curNumUnitsInStock_Physical, Cur("0"));
  // The deleted row only is passed over.
  const int live = dbtest::LiveRows(gDB().TranTable());
  EXPECT_EQ(dbtest::RowsPerTag(gDB().TranTable(), {"ROWID", "PRODID", "TRANTYPE", "TRNDT_D"}),
            std::vector<int>(4, live));
}

}  // namespace
