// The product record: defaults, saving a new product in one append with its beginning
// inventory, rewriting under the lock, loading, and the look-up by whole value.

#include "database/store/Products.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"

namespace {

using stocktest::Cur;

class ProdTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
    prodTable = gDB().OpenTable(gDB().ProductsTable());
    tbProd = prodTable.get();
    ASSERT_NE(tbProd, nullptr);
  }
  void TearDown() override {
    prodTable.Close();
    DbTest::TearDown();
  }
  // The transactions of a product, read back by id.
  static std::vector<clsTran> TransOf(int32_t prodId) {
    std::vector<clsTran> out;
    for (int32_t id = 1000; id < 1010; ++id) {
      clsTran t;
      if (gDB().GetTran(id, t) && t.nProdId == prodId) out.push_back(t);
    }
    return out;
  }
  store::Table prodTable;
  DATA4* tbProd = nullptr;
};

TEST(clsProdRecord, InitSetsTheIdsToMinusOne) {
  clsProd p;
  EXPECT_EQ(p.nProdId, 0);
  p.sPartNo = QStringLiteral("x");
  p.curStdCost = Cur("1");
  p.Init();
  EXPECT_EQ(p.nProdId, -1);
  EXPECT_EQ(p.nLocation, -1);
  EXPECT_EQ(p.nGroup, -1);
  EXPECT_EQ(p.nManuf, -1);
  EXPECT_EQ(p.nVendor, -1);
  EXPECT_TRUE(p.sPartNo.isEmpty());
  EXPECT_EQ(p.curStdCost, rt::Currency());
  EXPECT_FALSE(p.bHide);
}

TEST_F(ProdTest, ANewProductIsOneRowWithEveryFieldAndItsBeginningInventory) {
  clsProd p = stocktest::SampleProduct();
  p.nProdId = 0;
  p.curBeginningInventory = Cur("12");
  ASSERT_TRUE(p.SaveProduct(tbProd, nullptr, false));
  EXPECT_EQ(p.nProdId, 1000);
  EXPECT_EQ(dbtest::LiveRows(gDB().ProductsTable()), 1);

  clsProd back;
  DATA4* tb = nullptr;
  ASSERT_TRUE(back.LoadProduct(1000, tb));
  EXPECT_EQ(tb, nullptr);
  clsProd expected = p;
  expected.curBeginningInventory = rt::Currency();  // not stored
  EXPECT_EQ(back.sPartNo, expected.sPartNo);
  EXPECT_EQ(back.sProdName, expected.sProdName);
  EXPECT_EQ(back.nLocation, 1001);
  EXPECT_EQ(back.nGroup, 1002);
  EXPECT_EQ(back.curReOrderLevel, Cur("5.5"));
  EXPECT_EQ(back.curReOrderQty, Cur("20"));
  EXPECT_EQ(back.sLeadTime, expected.sLeadTime);
  EXPECT_EQ(back.nManuf, 1003);
  EXPECT_EQ(back.nVendor, 1004);
  EXPECT_EQ(back.curStdCost, Cur("3.5"));
  EXPECT_EQ(back.curStdPrice, Cur("7.25"));
  EXPECT_EQ(back.sCustom1 + back.sCustom2 + back.sCustom3 + back.sCustom4, QStringLiteral("c1c2c3c4"));
  EXPECT_EQ(back.sNotes, expected.sNotes);
  EXPECT_EQ(back.curBeginningInventory, rt::Currency());

  const std::vector<clsTran> trans = TransOf(1000);
  ASSERT_EQ(trans.size(), 1u);
  EXPECT_EQ(trans[0].udTranType, 2);
  EXPECT_EQ(trans[0].curUnits, Cur("12"));
  EXPECT_EQ(trans[0].curUnitPrice, Cur("3.5"));
  EXPECT_EQ(trans[0].nCatID, 0);
  EXPECT_EQ(trans[0].nAcctID, -1);
  EXPECT_EQ(trans[0].sDate, QStringLiteral("3/15/2026"));
  EXPECT_EQ(trans[0].sNote, QStringLiteral("Do not delete! Beginning Inventory recorded when the product was added."));

  // Saving the loaded product again records no second beginning inventory.
  back.sProdName = QStringLiteral("Widget II");
  ASSERT_TRUE(back.SaveProduct(tbProd, nullptr, false));
  EXPECT_EQ(TransOf(1000).size(), 1u);
  EXPECT_EQ(dbtest::LiveRows(gDB().ProductsTable()), 1);
  clsProd again;
  ASSERT_TRUE(again.LoadProduct(1000, tb));
  EXPECT_EQ(again.sProdName, QStringLiteral("Widget II"));
}

TEST_F(ProdTest, NoBeginningInventoryWhenSuppressedOrNotAboveZero) {
  const struct {
    const char* units;
    bool ignore;
  } cases[] = {{"0", false}, {"-3", false}, {"4", true}};
  for (const auto& c : cases) {
    clsProd p = stocktest::SampleProduct();
    p.curBeginningInventory = Cur(c.units);
    ASSERT_TRUE(p.SaveProduct(tbProd, nullptr, c.ignore));
    EXPECT_TRUE(TransOf(p.nProdId).empty()) << c.units;
  }
}

TEST_F(ProdTest, AFailedCounterAddsNoProductAndNoTransaction) {
  FailLocksFast();
  dbtest::OtherUser other(gDB().LastIdTable());
  ASSERT_TRUE(other.LockRow("TBLNAME", QStringLiteral("svlprod.dbf")));
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!"));
  clsProd p = stocktest::SampleProduct();
  p.curBeginningInventory = Cur("5");
  EXPECT_FALSE(p.SaveProduct(tbProd, nullptr, false));
  EXPECT_EQ(p.nProdId, -1);
  EXPECT_EQ(dbtest::LiveRows(gDB().ProductsTable()), 0);
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 0);
}

TEST_F(ProdTest, ARowAnotherUserHoldsOrThatIsGoneIsNotRewritten) {
  clsProd p = stocktest::SampleProduct();
  ASSERT_TRUE(p.SaveProduct(tbProd, nullptr, true));
  FailLocksFast();
  {
    dbtest::OtherUser other(gDB().ProductsTable());
    ASSERT_TRUE(other.LockRow("partno", QStringLiteral("A-100")));
    prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to update product record!"));
    clsProd edit = p;
    edit.sProdName = QStringLiteral("Changed");
    edit.curBeginningInventory = Cur("3");
    EXPECT_FALSE(edit.SaveProduct(tbProd, nullptr, false));
    EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  }
  EXPECT_TRUE(TransOf(p.nProdId).empty());  // nothing written, so nothing received
  clsProd back;
  DATA4* tb = nullptr;
  ASSERT_TRUE(back.LoadProduct(p.nProdId, tb));
  EXPECT_EQ(back.sProdName, QStringLiteral("Widget"));

  prompts->Expect(QStringLiteral("Product ID not found. Unable to update product record!"));
  clsProd gone = stocktest::SampleProduct();
  gone.nProdId = 4711;
  EXPECT_FALSE(gone.SaveProduct(tbProd, nullptr, false));
  prompts->ExpectContaining(QStringLiteral("clsProd_SaveProduct"));
  EXPECT_FALSE(gone.SaveProduct(nullptr, nullptr, false));  // the products table is required
  rt::Err().Clear();
}

TEST_F(ProdTest, LoadFindsRowsByIdAndReadsTheHiddenFlagLoosely) {
  EXPECT_FALSE(clsProd().LoadProduct(0, tbProd));  // no message
  prompts->Expect(QStringLiteral("Product ID not found. Unable to read product record!"));
  clsProd p;
  p.sPartNo = QStringLiteral("keep");
  EXPECT_FALSE(p.LoadProduct(5000, tbProd));
  EXPECT_EQ(p.sPartNo, QStringLiteral("keep"));
  const struct {
    const char* stored;
    bool hidden;
  } flags[] = {{"t", true}, {"T", true}, {"F", false}, {"", false}, {"x", false}};
  int32_t id = 3000;
  for (const auto& f : flags) {
    dbtest::AppendRow(gDB().ProductsTable(),
                      {"rowid", QString::number(++id), "partno", "H", "hide", QLatin1String(f.stored)});
    clsProd q;
    DATA4* tb = nullptr;
    ASSERT_TRUE(q.LoadProduct(id, tb)) << f.stored;
    EXPECT_EQ(q.bHide, f.hidden) << f.stored;
  }
}

TEST_F(ProdTest, LookupMatchesOneVisibleProductByItsWholeValue) {
  const store::Session session = gDB().Session();
  const store::Products products(session);
  store::ProductKeys keys;
  // Keys held in memory for many look-ups: the products appended since each read are
  // taken in; a write is recorded as its row will hold it.
  ASSERT_TRUE(products.ReadAppended(keys, tbProd).ok());
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2001", "partno", "pad-1   ", "prodname", "Bolt"});
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2002", "partno", "DUP", "prodname", "Nut"});
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2003", "partno", "dup", "prodname", "Nut 2"});
  ASSERT_TRUE(products.ReadAppended(keys, tbProd).ok());
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2004", "partno", "SECRET", "prodname", "Bolts", "hide", "T"});
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2005", "partno", "PAD-10", "prodname", "Washer"});
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2006", "partno", "  LEAD", "prodname", "Lead"});
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2007", "partno", "HV", "prodname", "Old", "hide", "T"});
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2008", "partno", "hv", "prodname", "New"});
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2009", "partno", "GONE", "prodname", "Gone"});
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2010", "partno", "Gone", "prodname", "Kept"});
  ASSERT_TRUE(gDB().DeleteRecord(2009, gDB().ProductsTable(), tbProd, QStringLiteral("rowid")));
  const std::string long40(40, 'L');
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2011", "partno", QString::fromStdString(long40)});
  const std::string long41 = long40 + "X";
  ASSERT_TRUE(products.ReadAppended(keys, tbProd).ok());
  const auto written = [&](int32_t id, const QString& partNo, const QString& name, bool hidden) {
    keys.Set(id, partNo, name, hidden);
    dbtest::AppendRow(gDB().ProductsTable(), {"rowid", QString::number(id), "partno", partNo, "prodname", name,
                                              "hide", hidden ? "T" : "F"});
  };
  keys.Set(2012, QStringLiteral("MOVED"), QStringLiteral("Moved"), false);
  written(2012, QStringLiteral(" moved"), QStringLiteral("Moved away"), false);
  written(2013, QStringLiteral("UNSEEN"), QStringLiteral("Unseen"), true);
  written(2014, QStringLiteral("TAKEN-BACK"), QStringLiteral("Taken back"), false);
  keys.Remove(2014);
  ASSERT_TRUE(gDB().DeleteRecord(2014, gDB().ProductsTable(), tbProd, QStringLiteral("rowid")));
  const std::string cut36 = "CUT-" + std::string(36, 'C'), cut40 = cut36 + "CCCC";  // stored cut to 40
  written(2015, QString::fromStdString(cut40), QStringLiteral("Cut"), false);
  written(2016, QStringLiteral("\u03A9-1"), QStringLiteral("Omega"), false);
  // The map of every visible part number finds what a look-up finds.
  const store::Result<store::PartNoMap> map = products.VisibleByPartNo(tbProd);
  ASSERT_TRUE(map.ok());
  const struct {
    int32_t type;
    const char* text;
    int32_t expected;
  } cases[] = {
      {1, "PAD-1", 2001},  {1, " pad-1 ", 2001}, {1, "PAD", -1},     {1, "dup", -1},     {1, "SECRET", -1},
      {1, "", -1},         {1, "   ", -1},      {0, "bolt", 2001},  {0, "BOLTS", -1},   {0, "Washer", 2005},
      {7, "nut", 2002},    {1, "PAD-10", 2005}, {1, "NOPE", -1},    {1, "LEAD", -1},    {1, "  LEAD", -1},
      {1, "Hv", 2008},     {1, "gone", 2010},   {1, long40.c_str(), 2011}, {1, long41.c_str(), -1},
      {1, "moved", -1},    {0, "moved away", 2012}, {0, "moved", -1}, {1, "unseen", -1},
      {0, "unseen", -1},   {1, "taken-back", -1}, {1, cut36.c_str(), 2015}, {1, cut40.c_str(), -1},
      {1, "?-1", 2016},    {1, "\u03A9-1", 2016},
  };
  DATA4* tb = nullptr;
  for (const auto& c : cases) {
    const QString text = QString::fromUtf8(c.text);
    EXPECT_EQ(clsProd().LookupProduct(c.type, text, tb), c.expected) << c.type << " " << c.text;
    EXPECT_EQ(tb, nullptr);
    const store::SearchType by = c.type == 1 ? store::SearchType::kPartNo : store::SearchType::kName;
    EXPECT_EQ(keys.Find(by, text), c.expected) << c.type << " " << c.text;
    if (c.type != 1) continue;
    const auto at = map.value.find(store::Products::PartNoKey(text));
    EXPECT_EQ(at == map.value.end() ? -1 : at->second.id, c.expected) << c.text;
  }
}

}  // namespace
