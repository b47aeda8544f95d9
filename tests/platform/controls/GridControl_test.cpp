#include "platform/controls/GridControl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "platform/runtime/Error.h"
#include "platform/ui/Screen.h"
#include "tests/support/GridRowSplits.h"
#include "tests/support/TestEnv.h"

namespace ctl {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class GridControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetScreen(std::make_unique<ui::FixedScreen>(ui::ScreenMetrics{1024, 768, 96.0, 96.0}));
  }
  void TearDown() override { ui::SetScreen(nullptr); }

  // Lets the grid pass its batched changes to the view.
  static void Settle() { QApplication::processEvents(); }

  std::vector<QString> Column(const GridControl& g, int col) {
    std::vector<QString> out;
    for (int r = 0; r < g.Rows(); ++r) out.push_back(g.TextMatrix(r, col));
    return out;
  }

  void Fill(GridControl& g, const std::vector<std::vector<QString>>& rows) {
    g.setRows(static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c) g.setTextMatrix(static_cast<int>(r), static_cast<int>(c), rows[r][c]);
  }
};

TEST_F(GridControlTest, NewGridIsOneHeadingRowAndOneColumn) {
  GridControl g;
  EXPECT_EQ(g.Rows(), 1);
  EXPECT_EQ(g.Cols(), 1);
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_EQ(g.FixedCols(), 0);
  EXPECT_EQ(g.Row(), -1);
  EXPECT_EQ(g.view()->model()->rowCount(), 0);
}

TEST_F(GridControlTest, GrowingAndShrinkingKeepsTheRemainingCells) {
  GridControl g;
  g.setCols(3);
  g.setRows(4);
  g.setTextMatrix(1, 2, QStringLiteral("keep"));
  g.setTextMatrix(3, 0, QStringLiteral("drop"));
  g.setRowData(1, 17);
  g.setCell(flexcpBackColor, 1, 2, 0x00C0FFFF);
  g.setRows(2);
  g.setCols(5);
  EXPECT_EQ(g.TextMatrix(1, 2), "keep");
  EXPECT_EQ(g.RowData(1).toInt(), 17);
  EXPECT_EQ(g.Cell(flexcpBackColor, 1, 2).toInt(), 0x00C0FFFF);
  g.setRows(4);
  EXPECT_EQ(g.TextMatrix(3, 0), "") << "a dropped row comes back empty";
  EXPECT_EQ(g.TextMatrix(1, 4), "");
  g.setCols(2);
  g.setCols(3);
  EXPECT_EQ(g.TextMatrix(1, 2), "") << "a dropped column comes back empty";
  EXPECT_NE(g.Cell(flexcpBackColor, 1, 2).toInt(), 0x00C0FFFF) << "and without its styles";
}

TEST_F(GridControlTest, TextMatrixGivesBackWhatWasWritten) {
  const QString longText(70000, u'x');
  const std::vector<QString> texts = {
      "",    "a",    "abc", "abcd",   "12",   "-5",     "0",    "007",        "-0",
      "+3",  "1.50", "1e3", "Yes",    "h\u00e9llo wide", "\u65e5\u672c\u8a9e\u30c6\u30ad\u30b9\u30c8",
      "123456789012345678", "99999999999999", "-99999999999999", "1,234.50", "  padded  ", longText};
  GridControl g;
  g.setRows(static_cast<int>(texts.size()));
  for (size_t i = 0; i < texts.size(); ++i) g.setTextMatrix(static_cast<int>(i), 0, texts[i]);
  EXPECT_THAT(Column(g, 0), ElementsAreArray(texts));
}

TEST_F(GridControlTest, NumbersAreWrittenAsCStrShowsThem) {
  GridControl g;
  g.setRows(5);
  g.setTextMatrix(0, 0, 42);
  g.setTextMatrix(1, 0, 2.5);
  g.setTextMatrix(2, 0, int64_t{1} << 60);
  g.setTextMatrix(3, 0, -7LL);
  g.setTextMatrix(4, 0, 0.1 + 0.2);
  EXPECT_THAT(Column(g, 0), ElementsAre("42", "2.5", "1152921504606846976", "-7", "0.3"));
}

TEST_F(GridControlTest, RewritingCellsManyTimesKeepsEveryText) {
  GridControl g;
  g.setRows(200);
  for (int round = 0; round < 60; ++round)
    for (int r = 0; r < 200; ++r)
      g.setTextMatrix(r, 0, QStringLiteral("round %1 row %2 %3").arg(round).arg(r).arg(QString(200, u'z')));
  for (int r = 0; r < 200; ++r)
    ASSERT_EQ(g.TextMatrix(r, 0), QStringLiteral("round 59 row %1 %2").arg(r).arg(QString(200, u'z')));
}

TEST_F(GridControlTest, HeadingRowIsTheHeaderAndDataRowsFollow) {
  GridControl g;
  g.setCols(2);
  Fill(g, {{"Name", "Qty"}, {"Bolt", "5"}, {"Nut", "7"}});
  Settle();
  QAbstractItemModel* m = g.view()->model();
  EXPECT_EQ(m->rowCount(), 2);
  EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), "Qty");
  EXPECT_EQ(m->index(0, 0).data().toString(), "Bolt");
  g.setFixedRows(0);
  Settle();
  EXPECT_EQ(m->rowCount(), 3);
  EXPECT_EQ(m->index(0, 0).data().toString(), "Name");
}

TEST_F(GridControlTest, RemoveItemMovesEverythingOfTheRowsBelow) {
  GridControl g;
  g.setCols(2);
  Fill(g, {{"h", "h"}, {"a", "1"}, {"b", "2"}, {"c", "3"}});
  for (int r = 1; r < 4; ++r) g.setRowData(r, r * 10);
  g.setRowHidden(3, true);
  g.setCell(flexcpFontBold, 3, 0, true);
  g.RemoveItem(2);
  EXPECT_EQ(g.Rows(), 3);
  EXPECT_THAT(Column(g, 0), ElementsAre("h", "a", "c"));
  EXPECT_EQ(g.RowData(2).toInt(), 30);
  EXPECT_TRUE(g.RowHidden(2));
  EXPECT_TRUE(g.Cell(flexcpFontBold, 2, 0).toBool());
  EXPECT_FALSE(g.Cell(flexcpFontBold, 1, 0).toBool());
}

TEST_F(GridControlTest, RemovingTheCurrentLastRowMovesTheCurrentCellUp) {
  GridControl g;
  g.setRows(3);
  g.Select(2, 0);
  g.RemoveItem(2);
  EXPECT_EQ(g.Row(), 1);
  g.RemoveItem(1);
  EXPECT_EQ(g.Row(), -1) << "only the heading row is left";
}

TEST_F(GridControlTest, AddItemSplitsAtTabs) {
  GridControl g;
  g.setCols(3);
  g.AddItem(QStringLiteral("a\tb\tc\textra"));
  g.AddItem(QStringLiteral("first"), 1);
  g.AddItem(QStringLiteral("\t\tlast"));
  EXPECT_EQ(g.Rows(), 4);
  EXPECT_THAT(Column(g, 0), ElementsAre("", "first", "a", ""));
  EXPECT_THAT(Column(g, 2), ElementsAre("", "", "c", "last"));
  EXPECT_THROW(g.AddItem(QStringLiteral("x"), 9), rt::VbError);
}

TEST_F(GridControlTest, HiddenRowsAndColumnsLeaveTheView) {
  GridControl g;
  g.setCols(3);
  Fill(g, {{"h", "h", "h"}, {"a", "", ""}, {"b", "", ""}, {"c", "", ""}});
  g.setRowHidden(2, true);
  g.setColHidden(1, true);
  Settle();
  QAbstractItemModel* m = g.view()->model();
  ASSERT_EQ(m->rowCount(), 2);
  EXPECT_EQ(m->index(1, 0).data().toString(), "c");
  EXPECT_TRUE(g.view()->isColumnHidden(1));
  EXPECT_TRUE(g.ColHidden(1));
  EXPECT_EQ(g.TextMatrix(2, 0), "b") << "hidden rows keep their cells";
  g.setRowHidden(2, false);
  Settle();
  EXPECT_EQ(m->rowCount(), 3);
}

TEST_F(GridControlTest, RowDataAndColDataKeepNumbersAndTexts) {
  GridControl g;
  g.setRows(4);
  g.setCols(2);
  g.setRowData(1, 1234567);
  g.setRowData(2, QStringLiteral("svlprod.dbf_partno"));
  g.setRowData(3, -1000);
  g.setColData(1, 2003);
  EXPECT_EQ(g.RowData(1).toInt(), 1234567);
  EXPECT_EQ(g.RowData(2).toString(), "svlprod.dbf_partno");
  EXPECT_EQ(g.RowData(3).toInt(), -1000);
  EXPECT_FALSE(g.RowData(0).isValid()) << "no row data reads as empty";
  EXPECT_EQ(g.ColData(1).toInt(), 2003);
  g.setRowData(1, QVariant());
  EXPECT_FALSE(g.RowData(1).isValid());
}

TEST_F(GridControlTest, ComboListShowsTheTextOfTheStoredKey) {
  GridControl g;
  g.setCols(2);
  Fill(g, {{"h", "Location"}, {"", "2"}, {"", "0"}, {"", "9"}, {"", "W"}});
  g.setColComboList(1, QStringLiteral("#0; |#1;Warehouse|#2;Shop floor|#W;West"));
  EXPECT_EQ(g.ColComboList(1), "#0; |#1;Warehouse|#2;Shop floor|#W;West");
  struct Case {
    int row;
    QString stored, shown;
  };
  for (const Case& c : {Case{1, "2", "Shop floor"}, Case{2, "0", " "}, Case{3, "9", "9"}, Case{4, "W", "West"}}) {
    EXPECT_EQ(g.TextMatrix(c.row, 1), c.stored);
    EXPECT_EQ(g.Cell(flexcpTextDisplay, c.row, 1).toString(), c.shown) << c.row;
  }
  g.setColComboList(1, QStringLiteral("a|b|c"));
  EXPECT_EQ(g.Cell(flexcpTextDisplay, 1, 1).toString(), "2") << "a plain list maps nothing";
}

struct FormatCase {
  const char* locale;
  QString format;
  QVariant value;  // a number, or a text that may read as one
  QString shown;
};

// A column's format shows numbers, and texts that read as numbers in the user's locale,
// in that locale; other texts as they are. The stored value is unchanged.
TEST_F(GridControlTest, ColumnFormatsInTheUsersLocale) {
  const std::vector<FormatCase> cases = {
      {"en_US", "#,##0", 1234.5, "1,235"},
      {"en_US", "##,##0.0000", -2.25, "-2.2500"},
      {"en_US", "0.0%", 0.125, "12.5%"},
      {"en_US", "$#,##0.00;($#,##0.00)", -5, "($5.00)"},
      {"en_US", "#,##0.00;;\"nil\"", 0, "nil"},
      {"en_US", "#.##", 0.5, ".5"},
      {"en_US", "##,##0", 1234567890, "1,234,567,890"},
      {"en_US", "##,##0.00", 1234.5, "1,234.50"},
      {"en_US", "##,##0.00", QStringLiteral("987654"), "987,654.00"},
      {"en_US", "##,##0.00", QStringLiteral("Total"), "Total"},
      {"en_US", "##,##0.00", -0.004, "0.00"},
      {"en_US", "##,##0.00", QStringLiteral("1,234.567"), "1,234.57"},
      {"de_DE", "##,##0.00", 1234.5, "1.234,50"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.format.toStdString() + " " + c.locale + " " + c.value.toString().toStdString());
    testenv::ScopedLocale locale(QString::fromLatin1(c.locale));
    GridControl g;
    g.setCols(2);
    g.setRows(2);
    if (c.value.typeId() == QMetaType::QString)
      g.setTextMatrix(1, 0, c.value.toString());
    else
      g.setTextMatrix(1, 0, c.value.toDouble());
    const QString stored = g.TextMatrix(1, 0);
    g.setColFormat(0, c.format);
    EXPECT_EQ(g.ColFormat(0), c.format);
    EXPECT_EQ(g.Cell(flexcpTextDisplay, 1, 0).toString(), c.shown);
    EXPECT_EQ(g.TextMatrix(1, 0), stored) << "the stored value is unchanged";
    EXPECT_EQ(g.Cell(flexcpTextDisplay, 1, 1).toString(), "") << "no format, no value";
  }
}

TEST_F(GridControlTest, CellSettingsApplyToARangeAndReadBackPerCell) {
  GridControl g;
  g.setCols(4);
  g.setRows(5);
  g.setCell(flexcpBackColor, 1, 1, 3, 3, 0x00C0E0FF);
  g.setCell(flexcpForeColor, 2, 0, 2, 3, 0x00FF0000);
  g.setCell(flexcpFontBold, 0, 0, 4, 0, true);
  g.setCell(flexcpAlignment, 0, 0, 4, 0, flexAlignCenterCenter);
  g.setCell(flexcpText, 4, 1, 4, 3, QStringLiteral("*"));
  EXPECT_EQ(g.Cell(flexcpBackColor, 3, 3).toInt(), 0x00C0E0FF);
  EXPECT_EQ(g.Cell(flexcpBackColor, 4, 3).toInt(), 0x00FFFFFF) << "outside: the grid's white";
  EXPECT_EQ(g.Cell(flexcpForeColor, 2, 3).toInt(), 0x00FF0000);
  EXPECT_TRUE(g.Cell(flexcpFontBold, 4, 0).toBool());
  EXPECT_FALSE(g.Cell(flexcpFontBold, 4, 1).toBool());
  EXPECT_EQ(g.Cell(flexcpAlignment, 3, 0).toInt(), flexAlignCenterCenter);
  EXPECT_EQ(g.TextMatrix(4, 2), "*");
  const GridCellLook look = g.CellLook(2, 1);
  EXPECT_EQ(look.backColor, QColor(0xFF, 0xE0, 0xC0)) << "0x00BBGGRR";
  EXPECT_EQ(look.foreColor, QColor(0, 0, 0xFF));
  EXPECT_THROW(g.setCell(flexcpTextDisplay, 1, 1, QStringLiteral("x")), rt::VbError);
}

TEST_F(GridControlTest, GeneralAlignmentPutsNumbersRight) {
  GridControl g;
  g.setCols(3);
  g.setRows(2);
  g.setTextMatrix(1, 0, 5);
  g.setTextMatrix(1, 1, QStringLiteral("$1,234.50"));
  g.setTextMatrix(1, 2, QStringLiteral("Bolt"));
  EXPECT_EQ(g.CellLook(1, 0).alignment, flexAlignRightCenter);
  EXPECT_EQ(g.CellLook(1, 1).alignment, flexAlignRightCenter);
  EXPECT_EQ(g.CellLook(1, 2).alignment, flexAlignLeftCenter);
  g.setColAlignment(0, flexAlignLeftCenter);
  EXPECT_EQ(g.ColAlignment(0), flexAlignLeftCenter);
  EXPECT_EQ(g.CellLook(1, 0).alignment, flexAlignLeftCenter);
}

TEST_F(GridControlTest, ClearSelectionEmptiesOnlyTheSelectedCells) {
  GridControl g;
  g.setCols(2);
  Fill(g, {{"h", "h"}, {"a", "1"}, {"b", "2"}, {"c", "3"}});
  g.setRowData(1, 5);
  g.Select(1, 0, 2, 1);
  g.Clear(flexClearSelection, flexClearText);
  EXPECT_THAT(Column(g, 0), ElementsAre("h", "", "", "c"));
  EXPECT_THAT(Column(g, 1), ElementsAre("h", "", "", "3"));
  EXPECT_EQ(g.RowData(1).toInt(), 5);
  g.setCell(flexcpBackColor, 3, 0, 0x000000FF);
  g.Clear(flexClearEverywhere, flexClearFormatting);
  EXPECT_EQ(g.TextMatrix(3, 0), "c");
  EXPECT_NE(g.Cell(flexcpBackColor, 3, 0).toInt(), 0x000000FF);
  g.Clear();
  EXPECT_THAT(Column(g, 0), ElementsAre("", "", "", ""));
  EXPECT_FALSE(g.RowData(1).isValid());
  EXPECT_EQ(g.Rows(), 4) << "clearing keeps the rows";
}

struct SortCase {
  const char* name;
  int order;
  int dataType;
  std::vector<QString> values;  // rows 1.. of column 0; row data = position
  std::vector<QString> expected;
};

class GridSortTest : public GridControlTest, public ::testing::WithParamInterface<std::tuple<SortCase, size_t>> {
  grid::ScopedParallelRowsMin split_{std::get<1>(GetParam())};
};

TEST_P(GridSortTest, SortsDataRowsByTheSelectedColumn) {
  const SortCase& c = std::get<0>(GetParam());
  GridControl g;
  g.setRows(static_cast<int>(c.values.size()) + 1);
  g.setTextMatrix(0, 0, QStringLiteral("Heading"));
  for (size_t i = 0; i < c.values.size(); ++i) g.setTextMatrix(static_cast<int>(i) + 1, 0, c.values[i]);
  g.setColDataType(0, c.dataType);
  g.Select(1, 0);
  g.setSort(c.order);
  std::vector<QString> expected = {QStringLiteral("Heading")};
  expected.insert(expected.end(), c.expected.begin(), c.expected.end());
  EXPECT_THAT(Column(g, 0), ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Orders, GridSortTest,
    ::testing::Combine(::testing::Values(
        SortCase{"NumbersByValue", flexSortGenericAscending, 0, {"10", "9", "-2", "1.5", "100"}, {"-2", "1.5", "9", "10", "100"}},
        SortCase{"FormattedNumbersByValue", flexSortGenericAscending, 0,
                 {"$1,234.50", "2", "$99.00"}, {"2", "$99.00", "$1,234.50"}},
        SortCase{"TextIgnoringCase", flexSortGenericAscending, 0, {"pear", "Apple", "banana", "apple2"},
                 {"Apple", "apple2", "banana", "pear"}},
        SortCase{"EmptyThenNumbersThenText", flexSortGenericAscending, 0, {"b", "", "3", "a", "1"}, {"", "1", "3", "a", "b"}},
        SortCase{"Descending", flexSortGenericDescending, 0, {"b", "", "3", "a", "1"}, {"b", "a", "3", "1", ""}},
        SortCase{"DatesAsDates", flexSortGenericAscending, flexDTDate, {"3/15/2026", "12/1/2025", "1/2/2026"},
                 {"12/1/2025", "1/2/2026", "3/15/2026"}},
        SortCase{"DatesInEveryForm", flexSortGenericAscending, flexDTDate,
                 {"2026-01-01", "3/15/26", "", "not a date", "12/31/1999", "2/30/2026"},
                 {"", "12/31/1999", "2026-01-01", "2/30/2026", "3/15/26", "not a date"}},
        SortCase{"DatesWithMonthNames", flexSortGenericAscending, flexDTDate,
                 {"7 Apr 2023", "Apr 6, 2023", "31 Feb 2023", "15 mar 2023", "2023-04-06", "Fri 7 Apr 2023"},
                 {"15 mar 2023", "Apr 6, 2023", "2023-04-06", "7 Apr 2023", "Fri 7 Apr 2023", "31 Feb 2023"}},
        SortCase{"DatesAsTextWithoutTheDateType", flexSortGenericAscending, 0, {"3/15/2026", "12/1/2025", "1/2/2026"},
                 {"1/2/2026", "12/1/2025", "3/15/2026"}},
        SortCase{"AlreadyInOrder", flexSortGenericAscending, flexDTDate, {"", "12/1/2025", "1/2/2026", "1/2/2026", "n/a"},
                 {"", "12/1/2025", "1/2/2026", "1/2/2026", "n/a"}},
        SortCase{"LongTextsSharingAPrefix", flexSortGenericAscending, 0, {"abcdZ", "ABCDa", "abcd", "abcE"},
                 {"abcd", "ABCDa", "abcdZ", "abcE"}}), testenv::GridRowSplits()),
    [](const auto& info) { return std::get<0>(info.param).name + ("_" + testenv::GridRowSplitName(std::get<1>(info.param))); });

TEST_F(GridControlTest, SortIsStableInBothDirections) {
  GridControl g;
  g.setCols(2);
  Fill(g, {{"k", "id"}, {"B", "1"}, {"a", "2"}, {"b", "3"}, {"A", "4"}, {"b", "5"}});
  g.Select(1, 0);
  g.setSort(flexSortGenericAscending);
  EXPECT_THAT(Column(g, 1), ElementsAre("id", "2", "4", "1", "3", "5"));
  g.Select(1, 0);
  g.setSort(flexSortGenericDescending);
  EXPECT_THAT(Column(g, 1), ElementsAre("id", "1", "3", "5", "2", "4"));
}

TEST_F(GridControlTest, SortOfManyRepeatedTextsIsStableAcrossCase) {
  const QString words[] = {"apple", "Banana", "APPLE", "cherry", "banana", "Apple"};
  GridControl g;
  g.setCols(2);
  g.setRows(301);
  for (int r = 1; r <= 300; ++r) {
    g.setTextMatrix(r, 0, words[r % 6]);
    g.setTextMatrix(r, 1, r);
  }
  g.Select(1, 0);
  g.setSort(flexSortGenericAscending);
  int previousId = 0;
  QString previousWord;
  for (int r = 1; r <= 300; ++r) {
    const QString word = g.TextMatrix(r, 0).toLower();
    const int id = g.TextMatrix(r, 1).toInt();
    if (word == previousWord) {
      EXPECT_GT(id, previousId) << "row " << r << " keeps the order of equal texts";
    }
    EXPECT_GE(word, previousWord) << r;
    previousWord = word;
    previousId = id;
  }
  EXPECT_EQ(g.TextMatrix(1, 0), "APPLE") << "row 2, the first of the apples";
  EXPECT_EQ(g.TextMatrix(300, 0), "cherry");
}

// Many rows of empty cells, numbers (both zeros, negatives, repeats) and a few texts
// that repeat, in both orders: the order the sort rule gives, equal keys by row. Numbers
// from a few values, and from more distinct values than a counting sort takes; in the
// caller alone and split over row ranges.
TEST_F(GridControlTest, SortOfManyTypedCellsFollowsTheRuleAndIsStable) {
  struct Value {
    int kind;  // 0 empty, 1 number, 2 text
    double number;
    QString text;
  };
  const QString words[] = {QStringLiteral("pear"), QStringLiteral("Apple"), QStringLiteral("apple")};
  for (const auto& [count, rowsMin] : {std::pair<int, size_t>{400, grid::kParallelRowsMin}, {90000, grid::kParallelRowsMin},
                                       {400, 7}, {90000, 5000}}) {
    const grid::ScopedParallelRowsMin split(rowsMin);
    std::vector<Value> values;
    for (int i = 0; i < count; ++i) {
      const uint32_t x = static_cast<uint32_t>(i) * 2654435761u >> 7;
      switch (x % 5) {
        case 0: values.push_back({0, 0, {}}); break;
        case 1: values.push_back({2, 0, words[x % 3]}); break;
        case 2: values.push_back({1, x % 2 ? 0.0 : -0.0, {}}); break;
        default: {
          const int v = count < 1000 ? static_cast<int>(x % 41) - 20 : i - count / 2;  // few or all distinct
          values.push_back({1, static_cast<double>(v) / 4, {}});
          break;
        }
      }
    }
    auto before = [](const Value& a, const Value& b) {
      if (a.kind != b.kind) return a.kind < b.kind;
      if (a.kind == 1) return a.number < b.number;
      return a.kind == 2 && a.text.compare(b.text, Qt::CaseInsensitive) < 0;
    };
    for (const bool descending : {false, true}) {
      GridControl g;
      g.setCols(2);
      g.setRows(static_cast<int>(values.size()) + 1);
      for (size_t i = 0; i < values.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        if (values[i].kind == 1) g.setTextMatrix(r, 0, values[i].number);
        if (values[i].kind == 2) g.setTextMatrix(r, 0, values[i].text);
        g.setTextMatrix(r, 1, r);
      }
      std::vector<size_t> expected(values.size());
      for (size_t i = 0; i < expected.size(); ++i) expected[i] = i;
      std::stable_sort(expected.begin(), expected.end(), [&](size_t a, size_t b) {
        return descending ? before(values[b], values[a]) : before(values[a], values[b]);
      });
      g.Select(1, 0);
      g.setSort(descending ? flexSortGenericDescending : flexSortGenericAscending);
      for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(g.TextMatrix(static_cast<int>(i) + 1, 1).toInt(), static_cast<int>(expected[i]) + 1)
            << count << "/" << rowsMin << (descending ? " descending, " : " ascending, ") << "row " << i + 1;
    }
  }
}

using GridSplitTest = testenv::GridRowSplitTest<GridControlTest>;
INSTANTIATE_TEST_SUITE_P(RowSplits, GridSplitTest, testenv::GridRowSplits(), testenv::GridRowSplitTestName);

// Every store of a row moves with it; rows outside the range stay.
TEST_P(GridSplitTest, SortOfASelectedRangeLeavesTheOtherRows) {
  GridControl g;
  g.setCols(4);
  Fill(g, {{"h", "", "", ""}, {"3", "c", "30", "0.3"}, {"1", "a", "10", "0.1"}, {"2", "b", "20", "0.2"}, {"Total:", "", "", ""}});
  for (int r = 1; r <= 3; ++r) g.setRowData(r, g.TextMatrix(r, 0).toInt() * 100);
  g.setRowData(4, -1000);
  g.setCell(flexcpBackColor, 1, 1, 0x00C0FFFF);
  g.setRowHidden(1, true);
  g.Select(1, 0, 3, 0);
  g.setSort(flexSortGenericAscending);
  EXPECT_THAT(Column(g, 0), ElementsAre("h", "1", "2", "3", "Total:"));
  EXPECT_THAT(Column(g, 1), ElementsAre("", "a", "b", "c", ""));
  EXPECT_THAT(Column(g, 2), ElementsAre("", "10", "20", "30", ""));
  EXPECT_THAT(Column(g, 3), ElementsAre("", "0.1", "0.2", "0.3", ""));
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(g.RowData(r).toInt(), r * 100) << r;
  EXPECT_EQ(g.RowData(4).toInt(), -1000);
  EXPECT_TRUE(g.RowHidden(3)) << "the hidden flag travels with its row";
  EXPECT_FALSE(g.RowHidden(1));
  EXPECT_EQ(g.Cell(flexcpBackColor, 3, 1).toInt(), 0x00C0FFFF) << "and so do the styles";
}

// A list column sorts by its stored ids; SortShown by the texts shown (an id the list
// does not map by its own value, before the texts).
TEST_F(GridControlTest, SortByAComboColumnUsesTheStoredIdsOrTheTextsShown) {
  struct Case {
    bool shown;
    int order;
    std::vector<QString> want;
  };
  for (const Case& c : {Case{false, flexSortGenericAscending, {"Group", "1", "2", "3", "9"}},
                        Case{true, flexSortGenericAscending, {"Group", "9", "2", "3", "1"}},
                        Case{true, flexSortGenericDescending, {"Group", "1", "3", "2", "9"}}}) {
    GridControl g;
    g.setCols(1);
    Fill(g, {{"Group"}, {"2"}, {"1"}, {"9"}, {"3"}});
    g.setColComboList(0, QStringLiteral("#1;Zinc|#2;Aluminium|#3;brass"));
    g.Select(1, 0);
    if (c.shown)
      g.SortShown(c.order);
    else
      g.setSort(c.order);
    EXPECT_EQ(Column(g, 0), c.want) << c.shown << " " << c.order;
  }
}

TEST_F(GridControlTest, ColWidthIsInTwips) {
  GridControl g;
  g.setCols(2);
  g.setColWidth(0, 2300);
  g.setColWidth(1, 1000);
  Settle();
  EXPECT_EQ(g.ColWidth(0), 2300);
  EXPECT_EQ(g.ColWidth(1), 1000) << "what was set reads back, whatever the pixels";
  EXPECT_EQ(g.view()->columnWidth(0), 153);  // 2300 twips at 15 twips a pixel
  EXPECT_EQ(g.view()->columnWidth(1), 67);
  g.view()->horizontalHeader()->resizeSection(1, 40);
  EXPECT_EQ(g.ColWidth(1), 600) << "a width the user drags reads back in twips";
}

TEST_F(GridControlTest, AutoSizeFitsTheWidestText) {
  GridControl g;
  g.setCols(2);
  g.setRows(1000);
  g.setTextMatrix(0, 0, QStringLiteral("N"));
  for (int r = 1; r < 1000; ++r) g.setTextMatrix(r, 0, QStringLiteral("item %1").arg(r));
  g.setTextMatrix(500, 0, QStringLiteral("a much longer product name than the others"));
  g.setTextMatrix(0, 1, QStringLiteral("A long heading text"));
  g.AutoSize(0, 1);
  const QFontMetrics fm(g.view()->font());
  const int widest = fm.horizontalAdvance(QStringLiteral("a much longer product name than the others"));
  const int col0 = static_cast<int>(ui::TwipsToPixelsX(g.ColWidth(0)));
  EXPECT_GE(col0, widest);
  EXPECT_LE(col0, widest + 20);
  EXPECT_GE(static_cast<int>(ui::TwipsToPixelsX(g.ColWidth(1))),
            fm.horizontalAdvance(QStringLiteral("A long heading text")));
}

TEST_F(GridControlTest, RedrawOffHoldsBackTheView) {
  GridControl g;
  g.setRedraw(false);
  g.setRows(50);
  Settle();
  EXPECT_EQ(g.view()->model()->rowCount(), 0);
  g.setRedraw(true);
  EXPECT_EQ(g.view()->model()->rowCount(), 49);
}

TEST_F(GridControlTest, IndexesOutsideTheGridRaise381) {
  GridControl g;
  g.setRows(2);
  g.setCols(2);
  for (auto call : std::vector<std::function<void()>>{
           [&] { g.TextMatrix(2, 0); }, [&] { g.setTextMatrix(0, 2, QString()); }, [&] { g.RowData(-1); },
           [&] { g.Cell(flexcpText, 5, 0); }, [&] { g.RemoveItem(2); }, [&] { g.Select(0, 3); },
           [&] { g.ColWidth(2); }}) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const rt::VbError& e) {
      EXPECT_EQ(e.number(), 381);
    }
  }
}

TEST_F(GridControlTest, SelectMovesTheCurrentCellAndSignalsOnce) {
  GridControl g;
  g.setCols(3);
  g.setRows(10);
  int changes = 0;
  QObject::connect(&g, &GridControl::RowColChange, [&] { ++changes; });
  g.Select(4, 2);
  g.Select(4, 2);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(g.Row(), 4);
  EXPECT_EQ(g.Col(), 2);
  Settle();
  EXPECT_EQ(g.view()->currentIndex().row(), 3) << "model rows start below the heading";
  g.setRow(6);
  EXPECT_EQ(changes, 2);
}

// The grid rows the model should show: those below the heading that are not hidden.
std::vector<int> ShownRows(const GridControl& g) {
  std::vector<int> rows;
  for (int r = 1; r < g.Rows(); ++r)
    if (!g.RowHidden(r)) rows.push_back(r);
  return rows;
}

TEST_F(GridControlTest, RowChangesOnAShownGridAreAnnouncedWithoutAReset) {
  struct Case {
    const char* name;
    std::function<void(GridControl&)> change;
  };
  const Case cases[] = {
      {"AddItem at the end", [](GridControl& g) { for (int i = 0; i < 3; ++i) g.AddItem(QStringLiteral("new %1").arg(i)); }},
      {"Rows grown", [](GridControl& g) { g.setRows(g.Rows() + 40); g.setTextMatrix(g.Rows() - 1, 0, QStringLiteral("last")); }},
      {"Rows grown beside frozen columns", [](GridControl& g) { g.setFrozenCols(1); g.setRows(g.Rows() + 40); }},
      {"Rows shrunk", [](GridControl& g) { g.setRows(5); }},
      {"AddItem in the middle", [](GridControl& g) { g.AddItem(QStringLiteral("inserted"), 4); }},
      {"a row hidden", [](GridControl& g) { g.setRowHidden(7, true); }},
      {"hidden rows removed", [](GridControl& g) { g.RemoveItems({9, 3, 9}); }},
      {"appended then removed", [](GridControl& g) { g.AddItem(QStringLiteral("x")); g.RemoveItem(2); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GridControl g;
    g.setCols(2);
    g.setRows(12);
    for (int r = 1; r < 12; ++r) g.setTextMatrix(r, 0, QStringLiteral("row %1").arg(r));
    g.setRowHidden(3, true);
    g.resize(400, 300);
    g.show();
    Settle();
    QAbstractItemModel* m = g.view()->model();
    int resets = 0;
    QObject::connect(m, &QAbstractItemModel::modelAboutToBeReset, [&] { ++resets; });
    c.change(g);
    Settle();
    EXPECT_EQ(resets, 0);
    const std::vector<int> shown = ShownRows(g);
    ASSERT_EQ(m->rowCount(), static_cast<int>(shown.size()));
    EXPECT_EQ(g.view()->verticalHeader()->count(), m->rowCount());
    for (size_t i = 0; i < shown.size(); ++i)
      EXPECT_EQ(m->data(m->index(static_cast<int>(i), 0)).toString(), g.TextMatrix(shown[i], 0)) << i;
    // The view's layout took the new rows in: the last one can be scrolled into sight.
    const QModelIndex last = m->index(m->rowCount() - 1, 0);
    g.view()->scrollTo(last);
    Settle();
    EXPECT_TRUE(g.view()->viewport()->rect().intersects(g.view()->visualRect(last)));
  }
}

TEST_F(GridControlTest, ACellChangeAnnouncesOnlyItsRows) {
  GridControl g;
  g.setCols(3);
  g.setRows(100);
  g.resize(400, 300);
  g.show();
  Settle();
  std::vector<std::pair<int, int>> changed;  // first and last model row
  QObject::connect(g.view()->model(), &QAbstractItemModel::dataChanged,
                   [&](const QModelIndex& a, const QModelIndex& b) { changed.emplace_back(a.row(), b.row()); });
  g.setTextMatrix(40, 1, QStringLiteral("x"));
  g.setCell(flexcpBackColor, 42, 0, 45, 2, 255);
  Settle();
  EXPECT_THAT(changed, ElementsAre(std::make_pair(39, 44)));
}

TEST_F(GridControlTest, AFilledGridStartsOnItsFirstDataCellQuietly) {
  struct Case {
    const char* name;
    std::function<void(GridControl&)> fill;
    int row, col;
  };
  const Case cases[] = {
      {"Rows set", [](GridControl& g) { g.setRows(5); }, 1, 0},
      {"AddItem", [](GridControl& g) { g.AddItem(QStringLiteral("a\tb")); }, 1, 0},
      {"fixed column", [](GridControl& g) { g.setFixedCols(1); g.setRows(3); }, 1, 1},
      {"only fixed columns", [](GridControl& g) { g.setFixedCols(2); g.setRows(3); }, -1, -1},
      {"heading only", [](GridControl& g) { g.setRows(1); }, -1, -1},
      {"emptied and filled again", [](GridControl& g) { g.setRows(5); g.Select(3, 1); g.setRows(1); g.setRows(4); }, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GridControl g;
    g.setCols(2);
    int changes = 0;
    QObject::connect(&g, &GridControl::RowColChange, [&] { ++changes; });
    c.fill(g);
    const int byCode = changes;
    Settle();
    EXPECT_EQ(g.Row(), c.row);
    EXPECT_EQ(g.Col(), c.col);
    EXPECT_EQ(g.RowSel(), c.row);
    EXPECT_EQ(changes, byCode) << "placing the current cell raises no RowColChange";
    EXPECT_EQ(g.view()->currentIndex().row(), c.row < 0 ? -1 : c.row - 1);
  }
}

TEST_F(GridControlTest, SelectHighlightsEveryRowOfTheRange) {
  struct Case {
    int row, col, rowSel, colSel;
    std::vector<int> modelRows;
  };
  const Case cases[] = {
      {2, 0, 4, 1, {1, 2, 3}},
      {5, 1, 3, 0, {2, 3, 4}},  // either corner first
      {6, 0, 8, 0, {5, 6}},     // hidden row 7 is not shown
      {2, 1, -1, -1, {1}},
  };
  GridControl g;
  g.setCols(2);
  g.setRows(10);
  g.setRowHidden(7, true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    g.Select(c.row, c.col, c.rowSel, c.colSel);
    Settle();
    std::vector<int> selected;
    for (const QModelIndex& i : g.view()->selectionModel()->selectedRows()) selected.push_back(i.row());
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, c.modelRows);
    EXPECT_EQ(g.Row(), c.row);
    EXPECT_EQ(g.RowSel(), c.rowSel < 0 ? c.row : c.rowSel);
  }
}

// Mouse input on a shown grid.
class GridMouseTest : public GridControlTest {
 protected:
  void SetUp() override {
    GridControlTest::SetUp();
    g.setCols(3);
    g.setRows(6);
    g.setTextMatrix(0, 1, QStringLiteral("Qty"));
    g.resize(500, 300);
    g.show();
    Settle();
    QObject::connect(&g, &GridControl::Click, [this] { events.push_back(QStringLiteral("Click %1,%2").arg(g.MouseRow()).arg(g.MouseCol())); });
    QObject::connect(&g, &GridControl::DblClick, [this] { events.push_back(QStringLiteral("DblClick")); });
    QObject::connect(&g, &GridControl::RowColChange, [this] { events.push_back(QStringLiteral("RowColChange %1,%2").arg(g.Row()).arg(g.Col())); });
  }

  static void Send(QWidget* w, QEvent::Type type, QPoint at) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  void ClickAt(QWidget* w, QPoint at) {
    Send(w, QEvent::MouseButtonPress, at);
    Send(w, QEvent::MouseButtonRelease, at);
  }

  GridControl g;
  std::vector<QString> events;
};

TEST_F(GridMouseTest, ClickOnACellMakesItCurrentThenClicks) {
  const QRect cell = g.view()->visualRect(g.view()->model()->index(2, 1));  // grid row 3
  ClickAt(g.view()->viewport(), cell.center());
  EXPECT_THAT(events, ElementsAre("RowColChange 3,1", "Click 3,1"));
}

TEST_F(GridMouseTest, ClickOnTheHeaderIsAClickOnRowZero) {
  QHeaderView* header = g.view()->horizontalHeader();
  const QPoint at(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
  ClickAt(header->viewport(), at);
  EXPECT_THAT(events, ElementsAre("Click 0,1"));
}

TEST_F(GridMouseTest, DoubleClickIsSignalled) {
  const QPoint at = g.view()->visualRect(g.view()->model()->index(0, 0)).center();
  ClickAt(g.view()->viewport(), at);
  Send(g.view()->viewport(), QEvent::MouseButtonDblClick, at);
  EXPECT_EQ(events.back(), "DblClick");
}

TEST_F(GridMouseTest, ClickBelowTheLastRowHasNoMouseRow) {
  ClickAt(g.view()->viewport(), QPoint(10, g.view()->viewport()->height() - 2));
  EXPECT_THAT(events, ElementsAre("Click -1,0"));
}

TEST_F(GridMouseTest, ShowCellScrollsTheRowIntoView) {
  g.setRows(5000);
  g.Select(4000, 0);
  g.ShowCell(4000, 0);
  const QRect cell = g.view()->visualRect(g.view()->model()->index(3999, 0));
  EXPECT_TRUE(g.view()->viewport()->rect().intersects(cell));
}

TEST_F(GridMouseTest, FrozenColumnsStayInAnOverlay) {
  g.setFrozenCols(1);
  Settle();
  QList<QTableView*> overlays = g.view()->findChildren<QTableView*>();
  ASSERT_EQ(overlays.size(), 1);
  QTableView* frozen = overlays[0];
  EXPECT_TRUE(frozen->isVisible());
  EXPECT_FALSE(frozen->isColumnHidden(0));
  EXPECT_TRUE(frozen->isColumnHidden(1));
  ClickAt(frozen->viewport(), frozen->visualRect(frozen->model()->index(1, 0)).center());
  EXPECT_THAT(events, ElementsAre("RowColChange 2,0", "Click 2,0"));

  // However the view is scrolled sideways, the first column shown beside the frozen ones
  // starts at their edge (no sliver of a column, no gap), and the last one can be shown whole.
  g.setCols(8);
  QTableView* view = g.view();
  QScrollBar* across = view->horizontalScrollBar();
  auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) { QKeyEvent e(QEvent::KeyPress, k, m); QApplication::sendEvent(view, &e); };
  const struct {
    const char* name;
    std::function<void()> act;
    int shows;  // 1: the last column whole; -1: back at the first columns
  } cases[] = {
      {"scroll bar to 30", [&] { across->setValue(30); }, 0},
      {"scroll bar to 130", [&] { across->setValue(130); }, 0},
      {"slider dragged", [&] { across->setSliderDown(true); across->setSliderPosition(170); across->setSliderDown(false); }, 0},
      {"arrow of the scroll bar", [&] { across->triggerAction(QAbstractSlider::SliderSingleStepAdd); }, 0},
      {"wheel", [&] {
         QWheelEvent e({50, 50}, view->viewport()->mapToGlobal(QPointF(50, 50)), {}, {-120, 0}, {}, {}, {}, false);
         QApplication::sendEvent(view->viewport(), &e);
       }, 0},
      {"Right", [&] { for (int i = 0; i < 5; ++i) key(Qt::Key_Right); }, 0},
      {"End", [&] { key(Qt::Key_End); }, 1},
      {"ctrl+End", [&] { key(Qt::Key_End, Qt::ControlModifier); }, 1},
      {"End then Left", [&] { key(Qt::Key_End); for (int i = 0; i < 4; ++i) key(Qt::Key_Left); }, 0},
      {"End then Home", [&] { key(Qt::Key_End); key(Qt::Key_Home); }, -1},
      {"cell shown", [&] { g.ShowCell(2, 6); }, 0},
      {"far right", [&] { across->setValue(across->maximum()); }, 1},
      {"wider at the far right", [&] { across->setValue(across->maximum()); Settle(); g.resize(590, 300); }, 1},
      {"narrower", [&] { across->setValue(130); Settle(); g.resize(430, 300); }, 0},
      {"column widened", [&] { across->setValue(130); Settle(); g.setColWidth(3, 2600); }, 0},
  };
  for (const auto& c : cases) {
    g.resize(500, 300);
    for (int col = 0; col < 8; ++col) g.setColWidth(col, col % 3 == 2 ? 2200 : 1500);
    g.Select(1, 1);
    Settle();
    across->setValue(0);
    c.act();
    Settle();
    const int edge = view->columnWidth(0);
    EXPECT_EQ(frozen->width(), edge) << c.name;
    int first = 1;
    while (first < 7 && view->columnViewportPosition(first) + view->columnWidth(first) <= edge) ++first;
    EXPECT_EQ(view->visualRect(view->model()->index(0, first)).left(), edge) << c.name;
    const int right = view->columnViewportPosition(7) + view->columnWidth(7);
    if (c.shows == 1) { EXPECT_LE(right, view->viewport()->width()) << c.name; }
    if (c.shows == -1) { EXPECT_EQ(across->value(), 0) << c.name; }
  }
}

TEST_F(GridMouseTest, ShiftClickAndShiftArrowExtendTheSelection) {
  auto cellAt = [&](int gridRow) { return g.view()->visualRect(g.view()->model()->index(gridRow - 1, 1)).center(); };
  auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers) {
    QKeyEvent e(QEvent::KeyPress, k, modifiers);
    QApplication::sendEvent(g.view(), &e);
    Settle();
  };
  auto selected = [&] {
    std::vector<int> rows;
    for (const QModelIndex& i : g.view()->selectionModel()->selectedRows()) rows.push_back(i.row() + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
  };
  ClickAt(g.view()->viewport(), cellAt(2));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(cellAt(4)), g.view()->viewport()->mapToGlobal(QPointF(cellAt(4))),
                    Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(g.view()->viewport(), &press);
  Settle();
  EXPECT_EQ(g.Row(), 2);
  EXPECT_EQ(g.RowSel(), 4);
  EXPECT_THAT(selected(), ElementsAre(2, 3, 4));
  key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(g.Row(), 2);
  EXPECT_EQ(g.RowSel(), 5);
  EXPECT_THAT(selected(), ElementsAre(2, 3, 4, 5));
  key(Qt::Key_Up, Qt::NoModifier);  // a plain move from the moved corner: one row again
  EXPECT_EQ(g.Row(), 4);
  EXPECT_EQ(g.RowSel(), 4);
  EXPECT_THAT(selected(), ElementsAre(4));
  EXPECT_THAT(events, ElementsAre("RowColChange 2,1", "Click 2,1", "RowColChange 4,1"));
}

TEST_F(GridControlTest, EditingAsksBeforeAndTellsAfter) {
  GridControl g;
  g.setCols(2);
  Fill(g, {{"Internal Name", "Custom Display Name"}, {"  Part Number", ""}, {"Transactions:", ""}});
  g.setRowData(1, QStringLiteral("svlprod.dbf_partno"));
  g.setEditable(flexEDKbdMouse);
  QObject::connect(&g, &GridControl::BeforeEdit, [&](int row, int col, bool* cancel) {
    *cancel = col == 0 || !g.RowData(row).isValid();
  });
  std::vector<std::pair<int, int>> edited;
  QObject::connect(&g, &GridControl::AfterEdit, [&](int row, int col) { edited.emplace_back(row, col); });
  g.resize(400, 200);
  g.show();
  Settle();
  QTableView* v = g.view();
  QAbstractItemModel* m = v->model();
  auto editors = [&] { return v->viewport()->findChildren<QLineEdit*>().size(); };
  v->edit(m->index(1, 1));  // grid row 2 carries no row data
  EXPECT_EQ(editors(), 0);
  v->edit(m->index(0, 0));
  EXPECT_EQ(editors(), 0);
  v->edit(m->index(0, 1));
  EXPECT_EQ(editors(), 1);
  ASSERT_TRUE(m->setData(m->index(0, 1), QStringLiteral("SKU")));
  EXPECT_EQ(g.TextMatrix(1, 1), "SKU");
  EXPECT_THAT(edited, ElementsAre(std::make_pair(1, 1)));
}

TEST_F(GridControlTest, HundredThousandRowsFillAndSort) {
  constexpr int kRows = 100000;
  GridControl g;
  g.setRedraw(false);
  g.setCols(3);
  g.setRows(kRows + 1);
  for (int r = 1; r <= kRows; ++r) {
    const int key = static_cast<int>((static_cast<int64_t>(r) * 7919) % kRows);
    g.setTextMatrix(r, 0, key);
    g.setTextMatrix(r, 1, QStringLiteral("name %1").arg(key % 1000));
    g.setTextMatrix(r, 2, key * 0.5);
    g.setRowData(r, r);
  }
  g.Select(1, 0);
  g.setSort(flexSortGenericDescending);
  g.setRedraw(true);
  for (int r = 1; r <= kRows; ++r) {
    const int key = kRows - r;
    ASSERT_EQ(g.TextMatrix(r, 0), QString::number(key)) << r;
    ASSERT_EQ(g.TextMatrix(r, 1), QStringLiteral("name %1").arg(key % 1000));
    ASSERT_EQ(g.RowData(r).toInt() * 7919 % kRows, key);
  }
  g.Select(1, 1);
  g.setSort(flexSortGenericAscending);
  QString previous;
  for (int r = 1; r <= kRows; ++r) {
    const QString t = g.TextMatrix(r, 1);
    ASSERT_LE(previous.compare(t, Qt::CaseInsensitive), 0) << r;
    previous = t;
  }
  EXPECT_EQ(g.view()->model()->rowCount(), kRows);
}

// Items whose cells are given as columns: item i's cell of column c is cell i of
// column c. Its sizing cells are each distinct text and id, and of the column of
// numbers the smallest and the largest. The columns `entryCols` also give their
// distinct cells (by kind and text) as entries.
class ColumnsSource : public grid::RowSource {
 public:
  ColumnsSource(std::vector<grid::CellColumn> columns, std::vector<int64_t> ids, int numbersCol,
                const std::set<int>& entryCols = {})
      : columns_(std::move(columns)), ids_(std::move(ids)), numbersCol_(numbersCol) {
    for (const int col : entryCols) {
      const grid::CellColumn& cells = columns_[static_cast<size_t>(col)];
      Distinct& d = distinct_[col];
      std::map<std::pair<int, QString>, uint32_t> seen;
      for (size_t i = 0; i < cells.Size(); ++i) {
        const auto [at, added] =
            seen.try_emplace({static_cast<int>(cells.Kind(i)), cells.ToString(i)}, static_cast<uint32_t>(seen.size()));
        if (added) {
          d.cells.Resize(seen.size());
          grid::CopyCell(cells, i, d.cells, at->second);
        }
        d.entryOf.push_back(at->second);
      }
    }
  }
  bool Entries(int col, const uint32_t* items, size_t n, uint32_t* entries,
               const grid::CellColumn** cells) const override {
    const auto it = distinct_.find(col);
    if (it == distinct_.end()) return false;
    for (size_t i = 0; i < n; ++i) entries[i] = it->second.entryOf[items[i]];
    *cells = &it->second.cells;
    return true;
  }
  void Fill(int col, const uint32_t* items, size_t n, grid::CellColumn& out, size_t at) const override {
    for (size_t i = 0; i < n; ++i) {
      if (!IsItem(items[i])) continue;
      if (static_cast<size_t>(col) < columns_.size())
        grid::CopyCell(columns_[static_cast<size_t>(col)], items[i], out, at + i);
      else
        out.SetEmpty(at + i);
    }
  }
  int64_t RowData(uint32_t item) const override { return ids_[item]; }
  bool WidthCells(int col, grid::CellColumn& out, bool* extremes) const override {
    if (static_cast<size_t>(col) >= columns_.size()) return true;
    const grid::CellColumn& cells = columns_[static_cast<size_t>(col)];
    *extremes = col == numbersCol_;
    std::vector<size_t> kept;
    if (*extremes) {
      size_t lo = 0, hi = 0;
      for (size_t i = 1; i < cells.Size(); ++i) {
        if (cells.DoubleValue(i) < cells.DoubleValue(lo)) lo = i;
        if (cells.DoubleValue(i) > cells.DoubleValue(hi)) hi = i;
      }
      kept = {lo, hi};
    } else {
      std::set<QString> seen;
      for (size_t i = 0; i < cells.Size(); ++i)
        if (seen.insert(cells.ToString(i)).second) kept.push_back(i);
    }
    out.Resize(kept.size());
    for (size_t i = 0; i < kept.size(); ++i) grid::CopyCell(cells, kept[i], out, i);
    return true;
  }

 private:
  struct Distinct {
    grid::CellColumn cells;
    std::vector<uint32_t> entryOf;  // by item
  };
  std::vector<grid::CellColumn> columns_;
  std::vector<int64_t> ids_;
  int numbersCol_;
  std::map<int, Distinct> distinct_;
};

struct SourceCase {
  const char* name;
  std::function<void(GridControl&)> change;  // done to both grids
};

// A grid whose data rows come from a source reads, sorts, sizes and takes edits as the
// same grid holding those cells itself.
TEST_F(GridControlTest, RowsFromASourceBehaveAsTheSameCellsHeld) {
  constexpr int kItems = 300;
  // Names (some differing in case alone), ids shown through a list, formatted numbers,
  // notes, dates (some blank or not dates); the names, ids and dates also as entries.
  constexpr int kCols = 5;
  auto setUp = [](GridControl& g) {
    g.setCols(kCols);
    g.setRows(1);
    for (int c = 0; c < kCols; ++c) g.setTextMatrix(0, c, QStringLiteral("Heading %1").arg(c));
    g.setColComboMap(1, {{1, QStringLiteral("Zeta")}, {2, QStringLiteral("alpha")}, {3, QStringLiteral("Mid length")}});
    g.setColFormat(2, QStringLiteral("#,##0.00"));
    g.setColDataType(4, flexDTDate);
  };
  auto value = [](int i, int c) -> QVariant {
    switch (c) {
      case 0: {
        const QString name = QStringLiteral("Name %1").arg((i * 7) % 23);
        return i % 5 == 0 ? name.toLower() : name;
      }
      case 1: return qlonglong{1 + (i * 5) % 3};
      case 2: return ((i * 37) % 101 - 50) * 1.25;
      case 3: return i % 9 == 0 ? QVariant(QStringLiteral("a note on item %1").arg(i)) : QVariant();
      default: {
        if (i % 17 == 0) return QVariant();
        if (i % 29 == 0) return QStringLiteral("no date %1").arg(i % 3);
        return QDate(2020 + i % 4, 1 + (i * 5) % 12, 1 + (i * 11) % 28).toString(QStringLiteral("yyyyMMdd"));
      }
    }
  };
  auto sortBy = [](GridControl& g, int c1, int c2, int order) {
    g.Select(1, c1, g.Rows() - 1, c2);
    g.setSort(order);
  };
  const std::vector<SourceCase> cases = {
      {"as loaded", [](GridControl&) {}},
      {"sorted by names", [&](GridControl& g) { sortBy(g, 0, 0, flexSortGenericAscending); }},
      {"sorted by names, descending", [&](GridControl& g) { sortBy(g, 0, 0, flexSortGenericDescending); }},
      {"sorted by dates", [&](GridControl& g) { sortBy(g, 4, 4, flexSortGenericAscending); }},
      {"sorted by dates, descending", [&](GridControl& g) { sortBy(g, 4, 4, flexSortGenericDescending); }},
      {"sorted by listed ids", [&](GridControl& g) { sortBy(g, 1, 1, flexSortGenericDescending); }},
      {"part of the rows sorted by dates", [&](GridControl& g) {
         g.Select(40, 4, 200, 4);
         g.setSort(flexSortGenericAscending);
       }},
      {"a row hidden, then sorted by dates twice",
       [&](GridControl& g) {
         g.setRowHidden(7, true);
         sortBy(g, 4, 4, flexSortGenericDescending);
         sortBy(g, 0, 0, flexSortGenericAscending);
       }},
      {"sorted by the texts a list shows",
       [](GridControl& g) {
         g.Select(1, 1, g.Rows() - 1, 1);
         g.SortShown(flexSortGenericDescending);
       }},
      {"sorted by two columns", [&](GridControl& g) { sortBy(g, 1, 2, flexSortGenericAscending); }},
      {"a row rewritten, then sorted",
       [&](GridControl& g) {
         g.setTextMatrix(5, 0, QStringLiteral("A rewritten name, longer than any other"));
         g.setRowData(5, 9999);
         sortBy(g, 0, 0, flexSortGenericDescending);
       }},
      {"rows removed and added",
       [](GridControl& g) {
         g.RemoveItem(3);
         g.RemoveItems({10, 20, 21});
         g.AddItem(QStringLiteral("Added\t2\t7.5"), 4);
       }},
      {"a totals row added and taken away again",
       [](GridControl& g) {
         g.setRows(g.Rows() + 1);
         g.setTextMatrix(g.Rows() - 1, 2, 12345.5);
         g.setCell(flexcpFontBold, g.Rows() - 1, 0, g.Rows() - 1, kCols - 1, true);
         g.setRows(g.Rows() - 1);
         g.setRows(g.Rows() + 1);
         g.setTextMatrix(g.Rows() - 1, 0, QStringLiteral("Total:"));
       }},
      {"cells copied from item rows",
       [](GridControl& g) {
         g.CopyCell(7, 2, 0);
         g.setSharedCell(3, 1, g.ShareCell(8, 1));
         g.setSharedCell(4, 3, g.ShareCell(9, 3));
       }},
      {"rows hidden and cleared",
       [](GridControl& g) {
         g.setRowHidden(2, true);
         g.Select(6, 0, 8, kCols - 1);
         g.Clear(flexClearSelection, flexClearText);
       }},
      {"cut back to the heading and refilled",
       [](GridControl& g) {
         g.setRows(1);
         g.setRows(3);
         g.setTextMatrix(2, 0, QStringLiteral("after"));
       }},
  };
  for (const SourceCase& sc : cases) {
    SCOPED_TRACE(sc.name);
    GridControl held, sourced;
    setUp(held);
    setUp(sourced);
    std::vector<grid::CellColumn> columns(kCols);
    std::vector<int64_t> ids;
    held.setRows(1 + kItems);
    for (auto& col : columns) col.Resize(kItems);
    for (int i = 0; i < kItems; ++i) {
      const size_t at = static_cast<size_t>(i);
      ids.push_back(1000 + i);
      held.setRowData(1 + i, ids.back());
      for (int c = 0; c < kCols; ++c) {
        const QVariant v = value(i, c);
        grid::CellColumn& col = columns[static_cast<size_t>(c)];
        if (v.typeId() == QMetaType::Double) {
          held.setTextMatrix(1 + i, c, v.toDouble());
          col.SetDouble(at, v.toDouble());
        } else if (v.typeId() == QMetaType::LongLong) {
          held.setTextMatrix(1 + i, c, v.toLongLong());
          col.SetInt(at, v.toLongLong());
        } else if (v.isValid()) {
          held.setTextMatrix(1 + i, c, v.toString());
          col.SetText(at, v.toString());
        }
      }
    }
    sourced.setRowSource(std::make_shared<ColumnsSource>(std::move(columns), ids, 2, std::set<int>{0, 1, 4}), kItems);
    sc.change(held);
    sc.change(sourced);
    ASSERT_EQ(sourced.Rows(), held.Rows());
    for (int r = 0; r < held.Rows(); ++r) {
      EXPECT_EQ(sourced.RowData(r), held.RowData(r)) << "row " << r;
      EXPECT_EQ(sourced.RowHidden(r), held.RowHidden(r)) << "row " << r;
      for (int c = 0; c < kCols; ++c) {
        EXPECT_EQ(sourced.TextMatrix(r, c), held.TextMatrix(r, c)) << "cell " << r << "," << c;
        EXPECT_EQ(sourced.CellValue(r, c), held.CellValue(r, c)) << "cell " << r << "," << c;
        const GridCellLook a = sourced.CellLook(r, c), b = held.CellLook(r, c);
        EXPECT_EQ(a.text, b.text) << "cell " << r << "," << c;
        EXPECT_EQ(a.alignment, b.alignment) << "cell " << r << "," << c;
      }
    }
    EXPECT_EQ(sourced.ValuesWidths(), held.ValuesWidths());
  }
}

}  // namespace
}  // namespace ctl

namespace {

TEST(GridControlTypedTest, CellValueGivesTheStoredKind) {
  ctl::GridControl g;
  g.setRows(2);
  g.setCols(5);
  g.setTextMatrix(1, 0, 2.5);
  g.setTextMatrix(1, 1, int64_t{-7});
  g.setTextMatrix(1, 2, QStringLiteral("text"));
  g.setTextMatrix(1, 3, QStringLiteral("12"));  // a canonical integer text is a number
  EXPECT_EQ(g.CellValue(1, 0), QVariant(2.5));
  EXPECT_EQ(g.CellValue(1, 1), QVariant::fromValue<qlonglong>(-7));
  EXPECT_EQ(g.CellValue(1, 2), QVariant(QStringLiteral("text")));
  EXPECT_EQ(g.CellValue(1, 3), QVariant::fromValue<qlonglong>(12));
  EXPECT_FALSE(g.CellValue(1, 4).isValid());
}

TEST(GridControlTypedTest, CopiedCellsKeepTheirTextWhenTheSourceChanges) {
  const QString texts[] = {QStringLiteral("ab"), QStringLiteral("a longer text"), QString(70000, u'x'),
                           QStringLiteral("Grüße"), QString()};
  for (const QString& t : texts) {
    ctl::GridControl g;
    g.setRows(4);
    g.setTextMatrix(1, 0, t);
    g.CopyCell(1, 2, 0);
    g.CopyCell(1, 3, 0);
    g.setTextMatrix(1, 0, QStringLiteral("other"));
    for (int i = 0; i < 200; ++i) g.setTextMatrix(1, 0, QStringLiteral("churn %1").arg(i));  // compaction
    EXPECT_EQ(g.TextMatrix(2, 0), t) << t.size();
    EXPECT_EQ(g.TextMatrix(3, 0), t) << t.size();
  }
}

// A cell taking a shared cell shows the text of the cell it was read from, also when
// the column's stored texts have moved in between.
TEST(GridControlTypedTest, SharedCellsKeepTheirTextWhenStoredTextsMove) {
  const QString texts[] = {QStringLiteral("ab"), QStringLiteral("a longer text"), QString(70000, u'x'),
                           QStringLiteral("Grüße"), QString()};
  for (const bool churn : {false, true}) {
    for (const QString& t : texts) {
      ctl::GridControl g;
      g.setRows(5);
      g.setTextMatrix(1, 0, t);
      const ctl::SharedCell shared = g.ShareCell(1, 0);
      g.setSharedCell(2, 0, shared);
      if (churn) {
        for (int i = 0; i < 300; ++i) g.setTextMatrix(4, 0, QString(5000, QChar(u'a' + i % 26)));  // compaction
      }
      g.setSharedCell(3, 0, shared);
      g.setTextMatrix(1, 0, QStringLiteral("other"));
      EXPECT_EQ(g.TextMatrix(2, 0), t) << t.size() << (churn ? " after compaction" : "");
      EXPECT_EQ(g.TextMatrix(3, 0), t) << t.size() << (churn ? " after compaction" : "");
    }
  }
}

// Copies what column 0 shows into column 1 as plain text and sizes both: they must match.
void ExpectSizedLikeItsTexts(ctl::GridControl& g, const char* kind) {
  SCOPED_TRACE(kind);
  for (int r = 1; r < g.Rows(); ++r) g.setTextMatrix(r, 1, g.Cell(ctl::flexcpTextDisplay, r, 0).toString());
  g.AutoSize(0, 1);
  EXPECT_EQ(g.ColWidth(0), g.ColWidth(1));
  EXPECT_GT(g.ColWidth(0), 0);
  EXPECT_EQ(g.ValuesWidths(), (std::vector<int>{g.ValuesWidth(0), g.ValuesWidth(1)})) << "one pass, as column by column";
}

// A column of listed ids, or of formatted numbers (sized by measuring only its
// extremes), is as wide as the same texts written plainly.
TEST(GridControlTypedTest, ListedIdsAndFormattedNumbersSizeLikeTheirTexts) {
  ctl::GridControl ids;
  ids.setRows(41);
  ids.setCols(2);
  ids.setColComboList(0, QStringLiteral("#1;Zinc|#2;Aluminium oxide|#3;Tin"));
  for (int r = 1; r < ids.Rows(); ++r) ids.setTextMatrix(r, 0, r % 4);  // 0 has no text in the list
  ExpectSizedLikeItsTexts(ids, "listed ids");
  ctl::GridControl numbers;
  const double values[] = {1, 12345.5, -3, 0.25, 999.99, -4321};
  numbers.setRows(static_cast<int>(std::size(values)) + 1);
  numbers.setCols(2);
  numbers.setColFormat(0, QStringLiteral("$##,##0.00"));
  for (int r = 1; r < numbers.Rows(); ++r) numbers.setTextMatrix(r, 0, values[r - 1]);
  ExpectSizedLikeItsTexts(numbers, "formatted numbers");
}

}  // namespace