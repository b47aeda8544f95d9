#include "reports/mdlGrid.h"

#include <algorithm>

#include "platform/controls/GridPrint.h"
#include "platform/ui/testing/TestPrinting.h"
#include "services/clsSystem.h"
#include "tests/reports/ReportsTestSupport.h"
#include "tests/support/GridRowSplits.h"

namespace {

using rpttest::Def;

// Name, physical units (totalled) and stock value at standard cost (totalled, money).
const QString kRecord = QStringLiteral("1^T^1001~1014~1021^-1~0~0~~0~-1^True~1~True~2~0");

class mdlGridTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
    for (const char* name : {"Decimals_Units", "Decimals_PerUnit", "Decimals_Amounts"})
      gDB().SetParamValue(QLatin1String(name), QStringLiteral("2"));
    def = Def(kRecord);
    reports::LoadGridColumns(grd, def);
  }
  // Appends data rows of (name, units, amount) raw values.
  void AddRows(const std::vector<std::tuple<QString, double, double>>& rows) {
    reports::GridCellWriter w(grd);
    for (const auto& [name, units, amount] : rows) {
      const int r = grd.Rows();
      grd.setRows(r + 1);
      grd.setRowData(r, r);
      w.Set(r, 1, def.m_collColumnDefs.Item(1), name);
      w.Set(r, 2, def.m_collColumnDefs.Item(2), units);
      w.Set(r, 3, def.m_collColumnDefs.Item(3), amount);
    }
  }
  QString Shown(int row, int col) const { return grd.Cell(ctl::flexcpTextDisplay, row, col).toString(); }

  clsRptDef def;
  ctl::GridControl grd;
};

TEST_F(mdlGridTest, FormatGridValueByDataType) {
  struct Case {
    const char* type;
    QVariant raw;
    const char* locale;
    QString want;
  };
  const Case cases[] = {
      {"S", QStringLiteral(" a "), "en_US", QStringLiteral(" a ")},
      {"I", -1, "en_US", QStringLiteral("0")},
      {"I", 42, "en_US", QStringLiteral("42")},
      {"U", 0.0, "en_US", QString()},
      {"U", 0.25, "en_US", QStringLiteral("0.25")},
      {"U", 1234.5, "de_DE", QStringLiteral("1.234,50")},
      {"C", 1234.5, "en_US", QStringLiteral("$1,234.50")},
      {"A", -5.0, "en_US", QStringLiteral("$-5.00")},
      {"A", 0.0, "en_US", QString()},
      {"D", QStringLiteral("20260315"), "en_US", QStringLiteral("3/15/2026")},
      {"D", QStringLiteral("20260315"), "de_DE", QStringLiteral("15.03.2026")},
      {"X", QStringLiteral("as is"), "en_US", QStringLiteral("as is")},
  };
  for (const Case& c : cases) {
    testenv::ScopedLocale loc(QLatin1String(c.locale));
    clsRptColDef col;
    col.m_sDataType = QLatin1String(c.type);
    QVariant v = c.raw;
    const QString fmt = QStringLiteral("##,##0.00");
    reports::FormatGridValue(col, v, fmt, fmt, fmt);
    EXPECT_EQ(v.toString(), c.want) << c.type << " " << c.raw.toString().toStdString() << " " << c.locale;
  }
}

TEST_F(mdlGridTest, TotalsNeedTwoDataRowsAndAreRebuiltFresh) {
  AddRows({{"a", 1234.5, 10}});
  reports::ShowGridTotals(grd, def);
  EXPECT_FALSE(reports::GridHasTotalsRow(grd));
  EXPECT_EQ(grd.Rows(), 2);

  AddRows({{"b", 2, 0.25}});
  for (int pass = 0; pass < 2; ++pass) {
    reports::ShowGridTotals(grd, def);
    ASSERT_TRUE(reports::GridHasTotalsRow(grd));
    EXPECT_EQ(grd.Rows(), 4) << "exactly one totals row";
    EXPECT_EQ(grd.CellValue(3, 2).toDouble(), 1236.5);
    EXPECT_EQ(grd.CellValue(3, 3).toDouble(), 10.25);
    EXPECT_EQ(grd.Cell(ctl::flexcpBackColor, 3, 1).toInt(), reports::kTotalsBackColor);
    EXPECT_TRUE(grd.Cell(ctl::flexcpFontBold, 0, 0).toBool());
  }
  // A changed cell gives a fresh sum.
  reports::GridCellWriter(grd).Set(1, 2, def.m_collColumnDefs.Item(2), 1.0);
  reports::ShowGridTotals(grd, def);
  EXPECT_EQ(grd.CellValue(3, 2).toDouble(), 3.0);
}

TEST_F(mdlGridTest, TotalsLabelIsInTheFirstShownColumnWithoutATotal) {
  // Column 0 is hidden by the transaction panes and never printed; 2 and 3 are totalled.
  struct Case {
    std::vector<int> hidden;
    int label;
  };
  const Case cases[] = {{{}, 1}, {{0}, 1}, {{0, 1}, 0}};
  AddRows({{"a", 1, 2}, {"b", 3, 4}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    for (int col = 0; col < grd.Cols(); ++col)
      grd.setColHidden(col, std::find(c.hidden.begin(), c.hidden.end(), col) != c.hidden.end());
    reports::ShowGridTotals(grd, def);
    for (int col = 0; col < grd.Cols(); ++col)
      EXPECT_EQ(grd.TextMatrix(3, col) == QStringLiteral("Total:"), col == c.label) << col;
    if (c.label == 0) continue;
    // Printed without column 0, the label is on the page.
    ui::test::ScopedPrinterSource printers;
    ui::test::ScopedRecordingPrintJobs jobs;
    printers->names = {QStringLiteral("Office Laser")};
    printers->defaultName = printers->names[0];
    grd.setColHidden(0, true);
    ASSERT_TRUE(ctl::PrintGridDocument(grd, ctl::GridPrintOptions{}));
    EXPECT_TRUE(jobs->Last().TextsOnPage(1).contains(QStringLiteral("Total:")));
  }
}

TEST_F(mdlGridTest, TotalsInGermanSumTheValuesNotTheirText) {
  testenv::ScopedLocale loc(QStringLiteral("de_DE"));
  reports::LoadGridColumns(grd, def);
  AddRows({{"a", 1234.5, 1234.5}, {"b", 2, 2}, {"c", 0.25, 0}});
  for (int pass = 0; pass < 2; ++pass) reports::ShowGridTotals(grd, def);
  ASSERT_EQ(grd.Rows(), 5);
  EXPECT_EQ(Shown(1, 2), QStringLiteral("1.234,50"));
  EXPECT_EQ(Shown(3, 2), QStringLiteral("0,25")) << "an exact zero only is blank";
  EXPECT_EQ(Shown(3, 3), QString());
  EXPECT_EQ(grd.CellValue(4, 2).toDouble(), 1236.75);
  EXPECT_EQ(Shown(4, 2), QStringLiteral("1.236,75"));
  EXPECT_EQ(Shown(4, 3), gSystem().GetCurrencySymbol() + QStringLiteral("1.236,50"));
  gDB().SetParamValue(QStringLiteral("Decimals_Units"), QStringLiteral("0"));
  reports::LoadGridColumns(grd, def);
  EXPECT_EQ(Shown(3, 2), QStringLiteral("0")) << "a small value is not blanked by its rounding";
  EXPECT_EQ(Shown(4, 2), QStringLiteral("1.237"));
}

using mdlGridSplitTest = testenv::GridRowSplitTest<mdlGridTest>;
INSTANTIATE_TEST_SUITE_P(RowSplits, mdlGridSplitTest, testenv::GridRowSplits(), testenv::GridRowSplitTestName);

TEST_P(mdlGridSplitTest, TotalsAddTheCellsAsShown) {
  struct Case {
    const char* locale;
    const char* decimals;
    std::vector<double> units;
    QString total;  // units column
  };
  const Case cases[] = {
      {"en_US", "0", {0.6, 0.6, 2.5}, QStringLiteral("5")},  // 1 + 1 + 3, not 3.7
      {"en_US", "2", {1.006, 1.006, -0.004}, QStringLiteral("2.02")},
      {"de_DE", "2", {1.006, 1.006, 1000}, QStringLiteral("1.002,02")},  // decimals kept
      {"de_DE", "1", {-0.05, -0.05}, QStringLiteral("-0,2")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale + std::string(" ") + c.decimals);
    testenv::ScopedLocale loc(QLatin1String(c.locale));
    gDB().SetParamValue(QStringLiteral("Decimals_Units"), QLatin1String(c.decimals));
    grd.setRows(1);
    reports::LoadGridColumns(grd, def);
    for (double u : c.units) AddRows({{"x", u, 0}});
    reports::ShowGridTotals(grd, def);
    ASSERT_TRUE(reports::GridHasTotalsRow(grd));
    EXPECT_EQ(Shown(grd.Rows() - 1, 2), c.total);
  }
}

TEST_F(mdlGridTest, ZeroTotalIsShownEmpty) {
  AddRows({{"a", 0, 0}, {"b", 0, 0}});
  reports::ShowGridTotals(grd, def);
  ASSERT_TRUE(reports::GridHasTotalsRow(grd));
  EXPECT_EQ(Shown(3, 2), QString());
}

TEST_F(mdlGridTest, SortKeepsTheTotalsRowLast) {
  AddRows({{"b", 2, 0}, {"c", 30, 0}, {"a", 100, 0}});
  reports::ShowGridTotals(grd, def);
  struct Case {
    int col, order;
    QStringList names;
  };
  const Case cases[] = {
      {1, 0, {"a", "b", "c"}},
      {2, 1, {"a", "c", "b"}},
      {2, 0, {"b", "c", "a"}},
  };
  for (const Case& c : cases) {
    reports::SortGridByColumn(grd, c.col, c.order);
    EXPECT_EQ(rpttest::Column(grd, 1), c.names) << c.col << "/" << c.order;
    EXPECT_TRUE(reports::GridHasTotalsRow(grd));
    EXPECT_EQ(grd.CellValue(4, 2).toDouble(), 132.0);
  }
  // Out of range columns leave the order alone.
  reports::SortGridByColumn(grd, 4, 1);
  reports::SortGridByColumn(grd, -1, 1);
  EXPECT_EQ(rpttest::Column(grd, 1), (QStringList{"b", "c", "a"}));
}

TEST_F(mdlGridTest, FormatGridAlignsAndFreezes) {
  clsRptDef d = Def(QStringLiteral("1^T^1001~1014~2001~1003^-1~0~0~~0~-1^True~5~True~2~0"));
  reports::LoadGridColumns(grd, d);
  d.m_collColumnDefs.Item(1).m_sAlignment = QStringLiteral("r");
  reports::FormatGrid(grd, d);
  EXPECT_EQ(grd.FrozenCols(), 0) << "freezing every column freezes none";
  EXPECT_EQ(grd.ColAlignment(1), ctl::flexAlignLeftCenter) << "only upper-case C and R count";
  EXPECT_EQ(grd.ColAlignment(2), ctl::flexAlignRightCenter);
  EXPECT_EQ(grd.ColAlignment(3), ctl::flexAlignCenterCenter);
  EXPECT_EQ(grd.ColDataType(3), ctl::flexDTDate);
  EXPECT_EQ(grd.ColDataType(2), ctl::flexDTEmpty);
  d.m_udRptOptions.m_nNumOfColumns2Freeze = 2;
  reports::FormatGrid(grd, d);
  EXPECT_EQ(grd.FrozenCols(), 3) << "the selection column and two report columns";
  d.m_udRptOptions.m_nNumOfColumns2Freeze = 4;
  reports::FormatGrid(grd, d);
  EXPECT_EQ(grd.FrozenCols(), 0) << "one report column at least scrolls";
  d.m_udRptOptions.m_nNumOfColumns2Freeze = 2;
  reports::FormatGrid(grd, d);
  EXPECT_EQ(grd.ColData(4).toInt(), 1003);
  EXPECT_TRUE(grd.ColComboList(4).startsWith(QStringLiteral("#0; ")));
}

TEST_F(mdlGridTest, StyleGridRowLeavesMinusOneAlone) {
  AddRows({{"a", 1, 1}});
  reports::StyleGridRow(grd, 1, 0x0000FF, 0x00FF00);
  reports::StyleGridRow(grd, 1, -1, 0xABCDEF);
  EXPECT_EQ(grd.Cell(ctl::flexcpForeColor, 1, 3).toInt(), 0x0000FF);
  EXPECT_EQ(grd.Cell(ctl::flexcpBackColor, 1, 1).toInt(), 0xABCDEF);
  EXPECT_NE(grd.Cell(ctl::flexcpForeColor, 1, 0).toInt(), 0x0000FF) << "column 0 is not styled";
}

}  // namespace
