#include "platform/controls/GridPrint.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "platform/controls/GridControl.h"
#include "platform/ui/Printers.h"
#include "platform/ui/testing/TestPrinting.h"
#include "tests/support/TestEnv.h"

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

// A word of a PDF as pdftotext reads it back: its page (from 1), text and box (points).
struct PdfWord {
  int page;
  QString text;
  double height;
};

std::vector<PdfWord> PdfWords(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  EXPECT_TRUE(p.waitForFinished(60000)) << "pdftotext (poppler-utils) runs";
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  static const QRegularExpression tag(QStringLiteral(
      R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
  std::vector<PdfWord> words;
  int page = 0;
  for (auto it = tag.globalMatch(out); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (m.captured(0).startsWith(QLatin1String("<page"))) {
      ++page;
      continue;
    }
    words.push_back({page, QTextDocumentFragment::fromHtml(m.captured(5)).toPlainText(),
                     m.captured(4).toDouble() - m.captured(2).toDouble()});
  }
  return words;
}

TEST(GridPrintPdfTest, WideGridsKeepEveryNumberWholeAndReadable) {
  // A part-number column, frozen, then money columns as narrow as a user left them.
  struct Case {
    int columns;
    bool oneSetOfPages;
  };
  const QString dir = testenv::NewTempDir(QStringLiteral("gridpdf"));
  const QLocale en(QLocale::English, QLocale::UnitedStates);
  for (const Case& c : {Case{12, true}, Case{29, false}}) {
    SCOPED_TRACE(c.columns);
    GridControl g;
    g.setCols(c.columns);
    g.setRows(41);
    g.setFrozenCols(1);
    g.setWordWrap(true);
    g.setTextMatrix(0, 0, QStringLiteral("Part Number"));
    g.setColWidth(0, 1100);
    std::map<QString, int> cells;  // each value and the times it must be printed
    for (int col = 1; col < c.columns; ++col) {
      g.setTextMatrix(0, col, QStringLiteral("Stock Value %1").arg(col));
      g.setColWidth(col, 700);
      g.setColAlignment(col, flexAlignRightCenter);
    }
    for (int r = 1; r < g.Rows(); ++r) {
      g.setTextMatrix(r, 0, QStringLiteral("P-%1").arg(r, 4, 10, QLatin1Char('0')));
      for (int col = 1; col < c.columns; ++col) {
        const QString value = u'$' + en.toString(1000.0 * r + col + 0.25, 'f', 2);
        g.setTextMatrix(r, col, value);
        cells[value] = 1;
      }
    }
    const QString file = dir + QStringLiteral("/grid%1.pdf").arg(c.columns);
    {
      auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(file);
      printer->setPageSize(QPageSize(QPageSize::Letter));
      printer->setPageOrientation(QPageLayout::Landscape);
      std::unique_ptr<ui::PrintSurface> surface = ui::MakePrinterSurface(std::move(printer));
      GridPrintOptions options;
      options.documentName = QStringLiteral("Inventory Detail");
      ASSERT_TRUE(PrintGrid(g, *surface, options));
      surface->EndDoc();
    }
    const std::vector<PdfWord> words = PdfWords(file);
    ASSERT_FALSE(words.empty());
    std::set<int> pagesWithFirstPart;
    for (const PdfWord& w : words) {
      if (w.text == QLatin1String("P-0001")) pagesWithFirstPart.insert(w.page);
      auto it = cells.find(w.text);
      if (it == cells.end()) continue;
      --it->second;
      EXPECT_GE(w.height, 5.0) << w.text.toStdString() << " is printed readably";
    }
    for (const auto& [value, missing] : cells) EXPECT_EQ(missing, 0) << value.toStdString() << " printed whole, once";
    if (c.oneSetOfPages) {
      EXPECT_EQ(pagesWithFirstPart.size(), 1u);
    } else {
      EXPECT_GT(pagesWithFirstPart.size(), 1u) << "the frozen column heads every set of pages";
    }
  }
}

}  // namespace
}  // namespace ctl
