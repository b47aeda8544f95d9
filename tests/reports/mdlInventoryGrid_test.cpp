#include "reports/mdlInventoryGrid.h"

#include <QPointer>
#include <QTimer>
#include <iterator>
#include <vector>

#include "database/SampleDatabase.h"
#include "platform/runtime/App.h"
#include "reports/mdlGrid.h"
#include "reports/mdlTranGrid.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using rpttest::AddProd;
using rpttest::AddTran;
using rpttest::Def;

QString InvRecord(int level, int indicate, const QString& cols = QStringLiteral("1001"), int group = -1,
                  const QString& search = {}, int searchBy = 0) {
  return QStringLiteral("1^T^%1^%2~%3~%4~%5~%6~-1^True~1~True~2~0")
      .arg(cols)
      .arg(group)
      .arg(level)
      .arg(searchBy)
      .arg(search)
      .arg(indicate);
}

class mdlInventoryGridTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
  // Loads the report; the names shown, in grid order, and those in blue.
  QStringList Load(const QString& record, QStringList* blue = nullptr) {
    clsRptDef def = Def(record);
    reports::LoadInventoryGrid(grd, def, -1);
    if (blue != nullptr) {
      blue->clear();
      for (int r = 1; r < grd.Rows(); ++r)
        if (grd.Cell(ctl::flexcpForeColor, r, 1).toInt() == reports::kIndicateForeColor) *blue << grd.TextMatrix(r, 1);
    }
    return rpttest::Column(grd, 1);
  }
  ctl::GridControl grd;
};

// A: available 0.5; B: 5 physical, 5 allocated; C: only on order; D: available equal to
// its re-order level 10; E: well stocked; H: hidden.
void AddStockProducts() {
  const int32_t a = AddProd(QStringLiteral("A"), QStringLiteral("PA"));
  AddTran(a, 2, "0.5", "1");
  const int32_t b = AddProd(QStringLiteral("B"), QStringLiteral("PB"));
  AddTran(b, 2, "5", "1");
  AddTran(b, 5, "5", "1");
  const int32_t c = AddProd(QStringLiteral("C"), QStringLiteral("PC"));
  AddTran(c, 1, "3", "1");
  const int32_t d = AddProd(QStringLiteral("D"), QStringLiteral("PD"), "10");
  AddTran(d, 2, "10", "1");
  const int32_t e = AddProd(QStringLiteral("E"), QStringLiteral("PE"), "5");
  AddTran(e, 2, "20", "1");
  AddProd(QStringLiteral("H"), QStringLiteral("PH"), "0", 0, true);
}

TEST_F(mdlInventoryGridTest, LevelsAndIndicationAtTheirBoundaries) {
  AddStockProducts();
  struct Case {
    int level, indicate;
    QStringList shown, blue;
  };
  const Case cases[] = {
      {0, 0, {"A", "B", "C", "D", "E"}, {}},
      {1, 0, {"A", "B", "D", "E"}, {}},         // physical not zero (all allocated stays)
      {2, 0, {"A", "B", "C"}, {}},              // available below 1, so 0.5 is out of stock
      {3, 0, {"B", "C", "D"}, {}},              // available at or below the re-order level
      {0, 2, {"A", "B", "C", "D", "E"}, {"A", "B", "C"}},
      {0, 1, {"A", "B", "C", "D", "E"}, {"B", "C", "D"}},
      {2, 2, {"A", "B", "C"}, {}},              // indication only at level 0
  };
  for (const Case& c : cases) {
    QStringList blue;
    EXPECT_EQ(Load(InvRecord(c.level, c.indicate), &blue), c.shown) << c.level << "/" << c.indicate;
    EXPECT_EQ(blue, c.blue) << c.level << "/" << c.indicate;
  }
}

TEST_F(mdlInventoryGridTest, ReloadedRowLosesAStaleIndication) {
  const int32_t a = AddProd(QStringLiteral("A"), QStringLiteral("PA"));
  AddProd(QStringLiteral("B"), QStringLiteral("PB"));
  QStringList blue;
  clsRptDef def = Def(InvRecord(0, 2));
  Load(InvRecord(0, 2), &blue);
  EXPECT_EQ(blue, (QStringList{"A", "B"}));
  AddTran(a, 2, "10", "1");
  ASSERT_TRUE(reports::ReloadInvRow(grd, def, 1, a));
  EXPECT_NE(grd.Cell(ctl::flexcpForeColor, 1, 1).toInt(), reports::kIndicateForeColor);
  EXPECT_EQ(grd.Cell(ctl::flexcpForeColor, 2, 1).toInt(), reports::kIndicateForeColor);
  EXPECT_FALSE(reports::ReloadInvRow(grd, def, 1, 99999)) << "a product that is gone leaves the row";
  EXPECT_EQ(grd.TextMatrix(1, 1), QStringLiteral("A"));
}

TEST_F(mdlInventoryGridTest, GroupAndSearchSelectProducts) {
  AddProd(QStringLiteral("Crab Shell"), QStringLiteral("X-1"), "0", 7);
  AddProd(QStringLiteral("ABC"), QStringLiteral("Y-2"));
  AddProd(QStringLiteral("Other"), QStringLiteral("ab-3"), "0", 7);
  struct Case {
    int group;
    QString search;
    int by;
    QStringList shown;
  };
  const Case cases[] = {
      {-1, QStringLiteral("ab"), 0, {"ABC", "Crab Shell"}},
      {-1, QStringLiteral("ab"), 1, {"Other"}},
      {-1, QStringLiteral("  "), 0, {"ABC", "Crab Shell", "Other"}},
      {7, {}, 0, {"Crab Shell", "Other"}},
      {7, QStringLiteral("ab"), 0, {"Crab Shell"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Load(InvRecord(0, 0, QStringLiteral("1001"), c.group, c.search, c.by)), c.shown)
        << c.group << " '" << c.search.toStdString() << "' " << c.by;
}

TEST(ProductMatchesSearchTextTest, CaseInsensitiveSubstringOfTheChosenField) {
  struct Case {
    int by;
    const char* search;
    const char* name;
    const char* part;
    bool want;
  };
  const Case cases[] = {
      {0, "ab", "Crab Shell", "Z", true}, {0, "AB", "abc", "Z", true},  {0, "ab", "Cr a b", "ab", false},
      {1, "ab", "ab", "X-1", false},      {1, "x-", "ab", "X-1", true}, {2, "zz", "ab", "X", true},
      {0, "   ", "q", "q", true},         {0, " b", "a b", "", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(reports::ProductMatchesSearchText(c.by, QLatin1String(c.search), QLatin1String(c.name),
                                                QLatin1String(c.part)),
              c.want)
        << c.by << " " << c.search << " " << c.name;
}

// A count times an amount is the currency product (half to even at the fourth
// decimal), also for large counts and beyond the currency range.
TEST_F(mdlInventoryGridTest, ColumnsOfStockFiguresAndValues) {
  struct Case {
    const char *reorderLevel, *stdCost;
    const char *onOrder, *orderPrice, *received, *receivedPrice;
    std::vector<double> want;  // physical, on order, its actual cost and average cost value, average cost,
                               // re-order level, stock and on-order value at standard cost
  };
  const Case cases[] = {
      {"4", "0", "3", "2", "4", "2.5", {4, 3, 6, 7.5, 2.5, 4, 0, 0}},
      {"0", "0.3333", "987654.5", "1", "2500001", "1",
       {2500001, 987654.5, 987654.5, 987654.5, 1, 0, 833250.3333, 329185.2448}},
      {"0", "0", "1000000000", "0", "1", "10000000", {1, 1e9, 0, 1e16, 1e7, 0, 0, 0}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const int32_t p = rpttest::SaveNewProduct([&](clsProd& prod) {
      prod.sProdName = QStringLiteral("P%1").arg(++n);
      prod.curReOrderLevel = rpttest::Cur(c.reorderLevel);
      prod.curStdCost = rpttest::Cur(c.stdCost);
    });
    AddTran(p, 1, c.onOrder, c.orderPrice);
    AddTran(p, 2, c.received, c.receivedPrice);
  }
  clsRptDef def = Def(InvRecord(0, 0, QStringLiteral("1001~1014~1017~1020~1029~1023~1011~1021~1028~9999")));
  reports::LoadInventoryGrid(grd, def, -1);
  ASSERT_EQ(rpttest::RowIds(grd).size(), std::size(cases));
  for (int r = 1; r <= static_cast<int>(std::size(cases)); ++r) {
    const Case& c = cases[r - 1];
    for (size_t k = 0; k < c.want.size(); ++k)
      EXPECT_EQ(grd.CellValue(r, static_cast<int>(k) + 2).toDouble(), c.want[k]) << "row " << r << ", column " << k + 2;
  }
  EXPECT_EQ(grd.TextMatrix(1, 10), QString()) << "an unknown column id gives an empty cell";
}

TEST_F(mdlInventoryGridTest, LongNotesAreCutAndMissingOnesEmpty) {
  AddProd(QStringLiteral("A"), QStringLiteral("PA"), "0", 0, false, QString(300, u'n'));
  AddProd(QStringLiteral("B"), QStringLiteral("PB"));
  EXPECT_EQ(Load(InvRecord(0, 0, QStringLiteral("1001~1027"))), (QStringList{"A", "B"}));
  EXPECT_EQ(grd.TextMatrix(1, 2), QString(255, u'n') + QStringLiteral("..."));
  EXPECT_EQ(grd.TextMatrix(2, 2), QString());
}

// The one-pass figures and the per-product walks fill the same grid, also when one
// product among 300 has figures beyond the currency range: where a column needs its
// amounts, only that product is left without figures, reported once by each load; its
// unit counts alone fit and show.
TEST_F(mdlInventoryGridTest, BulkAndPerProductFiguresAgreeOnAGeneratedDatabase) {
  gDB().CloseDB();
  const QString folder = testenv::NewTempDir(QStringLiteral("sample"));
  ASSERT_EQ(dbsample::WriteSampleDatabase(folder, rt::App::Path(), {300, 6000, 7}), QString());
  ASSERT_TRUE(gDB().OpenDB(folder));
  constexpr int32_t kOverflowing = 1150;
  clsProductStats before;
  before.Init(kOverflowing);
  ASSERT_TRUE(gDB().GetProductStats(before));
  ASSERT_GT(AddTran(kOverflowing, 2, "1000000", "99999999999"), 0);
  const double received = before.m_curNumUnitsInStock_Physical.ToDouble() + 1000000;
  QString every;
  for (int id = 1001; id <= 1029; ++id) every += (every.isEmpty() ? "" : "~") + QString::number(id);
  const struct {
    QString cols;
    bool overflow;  // the product's figures are reported as not fitting
    int physical;   // the column of its physical units
  } cases[] = {{every, true, 14},
               {QStringLiteral("1001~1002~1014~1015~1016~1017~1021~1022~1028"), false, 3}};
  for (const auto& c : cases) {
    for (int level = 0; level <= 3; ++level) {
      SCOPED_TRACE(c.cols.toStdString() + ", level " + std::to_string(level));
      clsRptDef def = Def(InvRecord(level, level == 0 ? 1 : 0, c.cols));
      ctl::GridControl bulk, single;
      if (c.overflow)
        for (int load = 0; load < 2; ++load) prompts->ExpectContaining(QStringLiteral("Overflow"));
      reports::LoadInventoryGrid(bulk, def, -1, reports::StatsPath::Bulk);
      reports::LoadInventoryGrid(single, def, -1, reports::StatsPath::PerProduct);
      ASSERT_EQ(bulk.Rows(), single.Rows());
      ASSERT_GT(bulk.Rows(), level == 0 ? 250 : 1);
      if (level == 0) {
        int row = 1;
        while (row < bulk.Rows() && bulk.RowData(row).toInt() != kOverflowing) ++row;
        ASSERT_LT(row, bulk.Rows());
        EXPECT_EQ(bulk.CellValue(row, c.physical).toDouble(), c.overflow ? 0.0 : received);
      }
      for (int r = 0; r < bulk.Rows(); ++r) {
        EXPECT_EQ(bulk.RowData(r), single.RowData(r)) << r;
        EXPECT_EQ(bulk.Cell(ctl::flexcpForeColor, r, 1), single.Cell(ctl::flexcpForeColor, r, 1)) << r;
        for (int col = 1; col < bulk.Cols(); ++col)
          EXPECT_EQ(bulk.CellValue(r, col), single.CellValue(r, col)) << r << "," << col;
      }
    }
  }
}

// While a load lets events run, a second load does nothing, and a grid that goes away
// ends the first one without its being touched again.
TEST_F(mdlInventoryGridTest, LoadsDoNotNestAndSurviveTheirGrid) {
  for (int i = 0; i < 3; ++i) AddTran(AddProd(QStringLiteral("P%1").arg(i), QStringLiteral("N%1").arg(i)), 2, "1", "1");
  clsRptDef inv = Def(InvRecord(0, 2, QStringLiteral("1001~1014")));
  clsRptDef tran = Def(QStringLiteral("2^T^2001~2005^0~-1~-1~-1~0~~^True~1~True~2~0"));
  for (bool inventory : {true, false}) {
    SCOPED_TRACE(inventory);
    QPointer<ctl::GridControl> grd = new ctl::GridControl;
    ctl::GridControl other;
    other.setCols(3);
    bool nested = false;
    QTimer::singleShot(0, [&] {
      if (inventory)
        reports::LoadInventoryGrid(other, inv, -1);
      else
        reports::LoadTranGrid(other, tran, -1);
      nested = true;
      delete grd.data();
    });
    if (inventory)
      reports::LoadInventoryGrid(*grd, inv, -1);
    else
      reports::LoadTranGrid(*grd, tran, -1);
    EXPECT_TRUE(nested);
    EXPECT_TRUE(grd.isNull());
    EXPECT_EQ(other.Cols(), 3) << "the nested load did nothing";
  }
}

}  // namespace
