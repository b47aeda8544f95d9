#include "reports/mdlTranGrid.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "database/RptColumnIds.h"
#include "reports/mdlGrid.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using rpttest::AddProd;
using rpttest::AddTran;
using rpttest::Def;

QString TranRecord(int type, int prod, int range = 0, const QString& begin = QStringLiteral("3/15/2026"),
                   const QString& end = QStringLiteral("3/15/2026"),
                   const QString& cols = QStringLiteral("2001~2002~2003~2005~2007")) {
  return QStringLiteral("2^T^%1^%2~%3~-1~-1~%4~%5~%6^True~1~True~2~0")
      .arg(cols)
      .arg(type)
      .arg(prod)
      .arg(range)
      .arg(begin, end);
}

class mdlTranGridTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
  std::vector<int32_t> Load(const QString& record) {
    clsRptDef def = Def(record);
    reports::LoadTranGrid(grd, def, -1);
    std::vector<int32_t> ids = rpttest::RowIds(grd);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  ctl::GridControl grd;
};

TEST(TranGridWalkTest, MostSelectiveWalkAndEveryTypeBelowOne) {
  using W = reports::TranGridWalk;
  struct Case {
    int32_t prod, type;
    W walk;
  };
  const Case cases[] = {{5, 0, W::kOfProduct}, {5, 3, W::kOfProduct}, {0, 3, W::kOfType}, {-1, 5, W::kOfType},
                        {0, 0, W::kAll},       {-1, -1, W::kAll},      {0, -2, W::kAll}};
  for (const Case& c : cases) EXPECT_EQ(reports::TranGridWalkFor(c.prod, c.type), c.walk) << c.prod << "/" << c.type;
}

TEST_F(mdlTranGridTest, EachTagPathFindsItsTransactions) {
  const int32_t p1 = AddProd(QStringLiteral("One"), QStringLiteral("P1"));
  const int32_t p2 = AddProd(QStringLiteral("Two"), QStringLiteral("P2"));
  const int32_t p3 = AddProd(QStringLiteral("None"), QStringLiteral("P3"));
  const int32_t t1 = AddTran(p1, 2, "5", "1");
  const int32_t t2 = AddTran(p1, 4, "2", "3");
  const int32_t t3 = AddTran(p2, 2, "7", "1");
  const int32_t t4 = AddTran(p2, 5, "1", "3");
  struct Case {
    int type, prod;
    std::vector<int32_t> ids;
  };
  const std::vector<Case> cases = {
      {0, p1, {t1, t2}}, {4, p1, {t2}},           {0, -1, {t1, t2, t3, t4}}, {-1, -1, {t1, t2, t3, t4}},
      {2, -1, {t1, t3}}, {5, -1, {t4}},           {3, -1, {}},               {0, p3, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Load(TranRecord(c.type, c.prod)), c.ids) << c.type << "/" << c.prod;
}

TEST_F(mdlTranGridTest, CellsAndDateRangeBounds) {
  const int32_t p = AddProd(QStringLiteral("Widget"), QStringLiteral("W1"));
  const int32_t before = AddTran(p, 2, "1", "1", QStringLiteral("3/9/2026"));
  const int32_t first = AddTran(p, 2, "2", "1.5", QStringLiteral("3/10/2026"));
  const int32_t last = AddTran(p, 4, "3", "2", QStringLiteral("3/20/2026"));
  const int32_t after = AddTran(p, 4, "4", "2", QStringLiteral("3/21/2026"));
  EXPECT_EQ(Load(TranRecord(0, -1, 100, QStringLiteral("3/10/2026"), QStringLiteral("3/20/2026"))),
            (std::vector<int32_t>{first, last}));
  EXPECT_EQ(Load(TranRecord(0, -1, 0, QStringLiteral("3/10/2026"), QStringLiteral("3/10/2026"))),
            (std::vector<int32_t>{before, first, last, after}))
      << "date range 0 shows every date";
  // Sorted descending on the date: the latest first, then the totals row.
  clsRptDef def = Def(QStringLiteral("2^T^2001~2002~2003~2005~2007^0~-1~-1~-1~0~x~x^True~1~True~2~1"));
  reports::LoadTranGrid(grd, def, first);
  ASSERT_EQ(grd.Rows(), 6);
  EXPECT_EQ(rpttest::Column(grd, 1),
            (QStringList{"3/21/2026", "3/20/2026", "3/10/2026", "3/9/2026"}));
  EXPECT_EQ(grd.TextMatrix(1, 2), QStringLiteral("Ship"));
  EXPECT_EQ(grd.TextMatrix(1, 3), QStringLiteral("Widget"));
  EXPECT_EQ(grd.CellValue(3, 5).toDouble(), 3.0);
  EXPECT_TRUE(reports::GridHasTotalsRow(grd));
  EXPECT_EQ(grd.CellValue(5, 4).toDouble(), 10.0) << "units of every type add up as shown";
  EXPECT_EQ(grd.Row(), 3) << "the transaction asked for is selected";
}

// Many products and dates, each shown on several rows: every row shows its own
// transaction's values and its own product's texts.
TEST_F(mdlTranGridTest, EveryRowShowsItsOwnTransactionAndProduct) {
  struct Expected {
    QString date, type, name, partNo;
    double units, price;
  };
  std::vector<std::pair<QString, QString>> products;
  std::vector<int32_t> prodIds;
  for (int i = 0; i < 40; ++i) {
    products.emplace_back(QStringLiteral("Product %1").arg(i), QStringLiteral("PN-%1").arg(i * 7));
    prodIds.push_back(AddProd(products.back().first, products.back().second));
  }
  std::map<int32_t, Expected> byTran;
  for (int i = 0; i < 120; ++i) {
    const size_t p = static_cast<size_t>(i * 13 % 40);
    const int type = i % 5 + 1;
    const QDate day = QDate(2026, 1, 1).addDays(i * 7 % 60);
    const QString date = QStringLiteral("%1/%2/%3").arg(day.month()).arg(day.day()).arg(day.year());
    const std::string units = std::to_string(i % 7 + 1), price = std::to_string(i % 5) + ".5";
    const int32_t id = AddTran(prodIds[p], type, units.c_str(), price.c_str(), date);
    ASSERT_GT(id, 0);
    byTran[id] = {date, gDB().GetTranTypeDesc(type), products[p].first, products[p].second,
                  static_cast<double>(i % 7 + 1), i % 5 + 0.5};
  }
  Load(TranRecord(0, -1, 0, {}, {}, QStringLiteral("2001~2002~2003~2004~2005~2006~2007")));
  ASSERT_EQ(grd.Rows(), 122);
  for (int r = 1; r <= 120; ++r) {
    const auto it = byTran.find(grd.RowData(r).toInt());
    ASSERT_NE(it, byTran.end()) << r;
    const Expected& e = it->second;
    EXPECT_EQ(grd.TextMatrix(r, 1), e.date) << r;
    EXPECT_EQ(grd.TextMatrix(r, 2), e.type) << r;
    EXPECT_EQ(grd.TextMatrix(r, 3), e.name) << r;
    EXPECT_EQ(grd.TextMatrix(r, 4), e.partNo) << r;
    EXPECT_EQ(grd.CellValue(r, 5).toDouble(), e.units) << r;
    EXPECT_EQ(grd.CellValue(r, 6).toDouble(), e.price) << r;
    EXPECT_EQ(grd.CellValue(r, 7).toDouble(), e.units * e.price) << r;
  }
}

// Units times the amount per unit as currency: exact at the fourth decimal where the
// double product is not.
TEST_F(mdlTranGridTest, ExtendedAmountIsTheCurrencyProduct) {
  struct Case {
    const char *units, *price;
    double want;
  };
  const Case cases[] = {{"2500001", "0.3333", 833250.3333}, {"3", "1.5", 4.5}, {"0.5", "0.0003", 0.0002}};
  const int32_t p = AddProd(QStringLiteral("X"), QStringLiteral("X1"));
  std::map<int32_t, double> want;
  for (const Case& c : cases) want[AddTran(p, 2, c.units, c.price, QStringLiteral("3/1/2026"))] = c.want;
  Load(TranRecord(0, -1, 0, {}, {}, QStringLiteral("2005~2006~2007")));
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(grd.CellValue(r, 3).toDouble(), want.at(grd.RowData(r).toInt())) << r;
}

TEST_F(mdlTranGridTest, LongNoteIsCutAndOtherColumnsAreEmpty) {
  const int32_t p = AddProd(QStringLiteral("N"), QStringLiteral("N1"));
  const int32_t noted = AddTran(p, 2, "1", "1", QStringLiteral("3/1/2026"), QString(300, u'n'));
  const int32_t plain = AddTran(p, 2, "1", "1", QStringLiteral("3/2/2026"));
  Load(TranRecord(0, -1, 0, {}, {}, QStringLiteral("2008~1003")));
  ASSERT_EQ(grd.Rows(), 3);
  for (int r = 1; r <= 2; ++r) {
    const bool isNoted = grd.RowData(r).toInt() == noted;
    EXPECT_TRUE(isNoted || grd.RowData(r).toInt() == plain);
    EXPECT_EQ(grd.TextMatrix(r, 1), isNoted ? QString(255, u'n') + QStringLiteral("...") : QString());
    EXPECT_EQ(grd.TextMatrix(r, 2), QString());
  }
}

// A damaged memo file: every row is shown, the notes that cannot be read are marked,
// and one message says how many and what to do.
TEST_F(mdlTranGridTest, NotesThatCannotBeReadAreMarkedWithOneMessage) {
  const int32_t p = AddProd(QStringLiteral("N"), QStringLiteral("N1"));
  const int32_t kept = AddTran(p, 2, "1", "1", QStringLiteral("3/1/2026"), QStringLiteral("kept"));
  const QString memo = QString(gDB().TranTable()).replace(QStringLiteral(".dbf"), QStringLiteral(".fpt"));
  const qint64 whole = QFileInfo(memo).size();
  std::vector<int32_t> damaged;
  for (int i = 0; i < 3; ++i) damaged.push_back(AddTran(p, 2, "1", "1", QStringLiteral("3/2/2026"), QString(200, u'd')));
  const int32_t plain = AddTran(p, 2, "1", "1", QStringLiteral("3/3/2026"));
  {
    QFile f(memo);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(whole));
    f.write(QByteArray(f.size() - whole, '\xff'));  // the later notes' blocks overwritten
  }
  prompts->ExpectContaining(QStringLiteral("The notes of 3 of the transactions shown cannot be read"));
  std::vector<int32_t> all = damaged;
  all.insert(all.end(), {kept, plain});
  std::sort(all.begin(), all.end());
  EXPECT_EQ(Load(TranRecord(0, -1, 0, {}, {}, QStringLiteral("2008~2005"))), all);
  ASSERT_EQ(prompts->Shown().size(), 1);
  EXPECT_TRUE(prompts->Last().text.contains(QStringLiteral("restore svltran.fpt from a backup")));
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  for (int r = 1; r < grd.Rows(); ++r) {
    const int32_t id = grd.RowData(r).toInt();
    if (id <= 0) continue;  // the totals row
    const QString note = id == kept ? QStringLiteral("kept") : id == plain ? QString() : QStringLiteral("(cannot be read)");
    EXPECT_EQ(grd.TextMatrix(r, 1), note) << id;
    EXPECT_EQ(grd.CellValue(r, 2).toDouble(), 1.0) << id;
  }
}

TEST_F(mdlTranGridTest, TransactionsOfMissingProductsGiveOneMessage) {
  const int32_t p = AddProd(QStringLiteral("Here"), QStringLiteral("H1"));
  const int32_t kept = AddTran(p, 2, "1", "1");
  const int32_t lost1 = AddTran(9001, 2, "1", "1");
  const int32_t lost2 = AddTran(9002, 4, "1", "1");
  prompts->ExpectContaining(QStringLiteral("2 transactions have an invalid Product Id"));
  EXPECT_EQ(Load(TranRecord(0, -1)), (std::vector<int32_t>{kept}));
  ASSERT_EQ(prompts->Shown().size(), 1);
  EXPECT_TRUE(prompts->Last().text.contains(QStringLiteral("Transaction Id: %1 has an invalid Product Id: 9001").arg(lost1)));
  EXPECT_TRUE(prompts->Last().text.contains(QStringLiteral("Transaction Id: %1 has an invalid Product Id: 9002").arg(lost2)));

  prompts->Clear();
  prompts->Expect(QStringLiteral("Transaction Id: %1 has an invalid Product Id: 9002 . Omitting this transaction from display.")
                      .arg(lost2));
  Load(TranRecord(4, -1));
}

TEST_F(mdlTranGridTest, ReloadedRowIgnoresTheCriteria) {
  const int32_t p = AddProd(QStringLiteral("R"), QStringLiteral("R1"));
  const int32_t t = AddTran(p, 2, "1", "1");
  clsRptDef def = Def(TranRecord(2, -1));
  reports::LoadTranGrid(grd, def, -1);
  ASSERT_EQ(grd.Rows(), 2);
  clsTran tran;
  ASSERT_TRUE(gDB().GetTran(t, tran));
  tran.udTranType = 4;
  tran.curUnits = rpttest::Cur("9");
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().SaveTran(1, tran, tb));
  reports::ReloadTranRow(grd, def, 1, t);
  EXPECT_EQ(grd.TextMatrix(1, 2), QStringLiteral("Ship"));
  EXPECT_EQ(grd.CellValue(1, 4).toDouble(), 9.0);
  reports::ReloadTranRow(grd, def, 1, 424242);
  EXPECT_EQ(grd.TextMatrix(1, 2), QStringLiteral("Ship")) << "a missing transaction changes nothing";
}

// Rows made from the records when read show exactly what a row written cell by cell
// shows: every column of transactions of each type, with and without notes, zero and
// negative amounts; the columns sized alike either way.
TEST_F(mdlTranGridTest, AReloadedRowShowsWhatTheLoadShowed) {
  const int32_t full = rpttest::SaveNewProduct([](clsProd& p) {
    p.sProdName = QStringLiteral("A product with a rather long name");
    p.sPartNo = QStringLiteral("PN-1");
    p.nLocation = 3;
    p.nGroup = -1;
    p.sCustom1 = QStringLiteral("custom text");
  });
  const int32_t bare = AddProd(QStringLiteral("Bare"), QStringLiteral("B"));
  struct Tran {
    int32_t prod;
    int type;
    const char *units, *price;
    QString date, note;
  };
  const std::vector<Tran> trans = {
      {full, 1, "5", "1.25", QStringLiteral("3/1/2026"), QStringLiteral("a note")},
      {bare, 2, "0", "3", QStringLiteral("3/1/2026"), {}},
      {full, 3, "-2.5", "0", QStringLiteral("12/31/2025"), {}},
      {bare, 4, "1000000", "0.0001", QStringLiteral("1/2/2026"), QStringLiteral("another, longer note than the first")},
      {full, 5, "7", "-4", QStringLiteral("3/1/2026"), {}},
  };
  for (const Tran& t : trans) ASSERT_GT(AddTran(t.prod, t.type, t.units, t.price, t.date, t.note), 0);
  QStringList cols;
  for (int32_t id = trancol::kDate; id <= trancol::kCustom4; ++id) cols << QString::number(id);
  clsRptDef def = Def(TranRecord(0, -1, 0, {}, {}, cols.join(u'~')));
  reports::LoadTranGrid(grd, def, -1);
  ASSERT_EQ(grd.Rows(), 2 + static_cast<int>(trans.size()));
  auto cells = [&] {
    std::vector<QVariant> out;
    for (int r = 0; r < grd.Rows(); ++r)
      for (int c = 0; c < grd.Cols(); ++c)
        out.insert(out.end(), {grd.TextMatrix(r, c), grd.CellValue(r, c), grd.Cell(ctl::flexcpTextDisplay, r, c)});
    return out;
  };
  const std::vector<QVariant> loaded = cells();
  const std::vector<int> widths = grd.ValuesWidths();
  for (int r = 1; r <= static_cast<int>(trans.size()); ++r)
    reports::ReloadTranRow(grd, def, r, static_cast<int32_t>(grd.RowDataInt(r)));
  EXPECT_EQ(cells(), loaded);
  EXPECT_EQ(grd.ValuesWidths(), widths);
}

// A sort by a column of dates, types or product texts orders the rows made from the
// records exactly as it orders the same rows written cell by cell (each reloaded),
// ties keeping their order, either way up.
TEST_F(mdlTranGridTest, SortedLoadedRowsMatchRowsWrittenCellByCell) {
  const int32_t prods[] = {AddProd(QStringLiteral("beta"), QStringLiteral("B-2")),
                           AddProd(QStringLiteral("Alpha"), QStringLiteral("a-1")),
                           AddProd(QStringLiteral("BETA"), QStringLiteral("B-2"))};
  const QString dates[] = {QStringLiteral("3/1/2026"), QStringLiteral("12/31/2025"), QStringLiteral("1/2/2026")};
  constexpr int kTrans = 24;
  for (int i = 0; i < kTrans; ++i)
    ASSERT_GT(AddTran(prods[i * 5 % 3], i % 5 + 1, "1", "2", dates[i * 7 % 3]), 0);
  QStringList cols;
  for (int32_t id : {trancol::kDate, trancol::kType, trancol::kProductName, trancol::kPartNumber})
    cols << QString::number(id);
  clsRptDef def = Def(TranRecord(0, -1, 0, {}, {}, cols.join(u'~')));
  auto sortedIds = [&](int col, int order, bool written) {
    reports::LoadTranGrid(grd, def, -1);
    if (written)
      for (int r = 1; r <= kTrans; ++r) reports::ReloadTranRow(grd, def, r, static_cast<int32_t>(grd.RowDataInt(r)));
    grd.Select(1, col, kTrans, col);
    grd.setSort(order);
    std::vector<int64_t> ids;
    for (int r = 1; r <= kTrans; ++r) ids.push_back(grd.RowDataInt(r));
    return ids;
  };
  for (int col = 1; col <= 4; ++col)
    for (const int order : {ctl::flexSortGenericAscending, ctl::flexSortGenericDescending})
      EXPECT_EQ(sortedIds(col, order, false), sortedIds(col, order, true)) << "column " << col << ", order " << order;
}

}  // namespace
