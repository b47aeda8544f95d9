#include "platform/controls/GridPrint.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/controls/GridControl.h"
#include "platform/ui/Printers.h"
#include "platform/ui/TestPrinting.h"

namespace ctl {
namespace {

using ::testing::ElementsAre;

// The fake surface: every character 100 twips wide, every line 200 high.
class GridPrintingTest : public ::testing::Test {
 protected:
  GridPrintingTest() {
    jobs->metrics = {};
    printers->names = {QStringLiteral("Office Laser")};
    printers->defaultName = printers->names[0];
  }

  // The top of each drawing of `text`, by page.
  std::vector<std::pair<int, double>> Tops(const QString& text) {
    std::vector<std::pair<int, double>> out;
    for (const ui::test::RecordedText& t : jobs->Last().texts)
      if (t.text == text) out.emplace_back(t.page, t.y);
    return out;
  }

  ui::test::ScopedPrinterSource printers;
  ui::test::ScopedRecordingPrintJobs jobs;
};

TEST_F(GridPrintingTest, RowsAreAsTallAsTheirWrappedTexts) {
  // Column 0 is 1200 twips: 1110 for the text, 11 characters a line.
  struct Case {
    bool wordWrap;
    std::vector<QString> dataLines;  // the long data cell as printed
    double secondRowBelowFirst;      // twips from data row 1 to data row 2
  };
  const Case cases[] = {
      {false, {QStringLiteral("Hex bolts M8 zinc plated")}, 260},
      {true, {QStringLiteral("Hex bolts"), QStringLiteral("M8 zinc"), QStringLiteral("plated")}, 660},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wordWrap);
    GridControl g;
    g.setCols(2);
    g.setRows(60);
    g.setColWidth(0, 1200);
    g.setColWidth(1, 1200);
    g.setWordWrap(c.wordWrap);
    g.setTextMatrix(0, 0, QStringLiteral("Physical Units In Stock"));
    g.setTextMatrix(0, 1, QStringLiteral("Part"));
    g.setTextMatrix(1, 0, QStringLiteral("Hex bolts M8 zinc plated"));
    for (int r = 1; r < 60; ++r) g.setTextMatrix(r, 1, QStringLiteral("P%1").arg(r));
    GridPrintOptions options;
    options.documentName = QStringLiteral("Inventory");
    ASSERT_TRUE(PrintGridDocument(g, options));
    ASSERT_GE(jobs->Last().pages, 2);

    // The heading wraps on every page, the data row only with WordWrap.
    for (int page = 1; page <= 2; ++page) {
      const QStringList texts = jobs->Last().TextsOnPage(page);
      EXPECT_EQ(texts.mid(1, 4), QStringList({"Physical", "Units In", "Stock", "Part"})) << page;
    }
    const auto physical = Tops(QStringLiteral("Physical"));
    const auto stock = Tops(QStringLiteral("Stock"));
    ASSERT_EQ(stock.size(), physical.size());
    EXPECT_DOUBLE_EQ(stock[0].second - physical[0].second, 400);
    const auto p1 = Tops(QStringLiteral("P1"));
    ASSERT_EQ(p1.size(), 1u);
    EXPECT_GE(p1[0].second, stock[0].second + 200) << "the first data row starts below the heading";
    for (const QString& line : c.dataLines) EXPECT_EQ(Tops(line).size(), 1u) << line.toStdString();
    const auto p2 = Tops(QStringLiteral("P2"));
    ASSERT_EQ(p2.size(), 1u);
    EXPECT_DOUBLE_EQ(p2[0].second - p1[0].second, c.secondRowBelowFirst);
  }
}

TEST_F(GridPrintingTest, ProgressCountsPrintedRowsAndStopsTheJob) {
  GridControl g;
  g.setRows(6);
  for (int r = 1; r < 6; ++r) g.setTextMatrix(r, 0, QStringLiteral("R%1").arg(r));
  g.setRowHidden(2, true);
  struct Case {
    int stopAfter;  // 0: never
    bool printed;
    std::vector<std::pair<int, int>> calls;
  };
  const Case cases[] = {
      {0, true, {{1, 4}, {2, 4}, {3, 4}, {4, 4}}},
      {2, false, {{1, 4}, {2, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stopAfter);
    std::vector<std::pair<int, int>> calls;
    GridPrintOptions options;
    options.progress = [&](int done, int total) {
      calls.emplace_back(done, total);
      return done != c.stopAfter;
    };
    EXPECT_EQ(PrintGridDocument(g, options, 2), c.printed);
    EXPECT_EQ(calls.size(), c.calls.size() * (c.printed ? 2 : 1)) << "a stop ends every copy";
    calls.resize(c.calls.size());
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(jobs->Last().ended, c.printed);
    EXPECT_EQ(jobs->Last().killed, !c.printed);
  }
  EXPECT_THAT(jobs->Last().AllTexts(), ElementsAre("R1", "R3")) << "nothing after the stop";
}

}  // namespace
}  // namespace ctl
