#include "platform/controls/GridData.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QFile>
#include <cstdio>
#include <functional>

#include "platform/controls/GridSizing.h"
#include "tests/support/GridRowSplits.h"

namespace ctl::grid {
namespace {

// Resident memory of the process in MiB.
double ResidentMiB() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
  return 0;
}

// The VmFlags of the mapping that holds `p` (" rd wr mr ... "); empty when none does.
QByteArray VmFlagsOf(const void* p) {
  QFile f(QStringLiteral("/proc/self/smaps"));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const auto at = reinterpret_cast<uintptr_t>(p);
  bool inside = false;
  for (const QByteArray& line : f.readAll().split('\n')) {
    unsigned long long start = 0, end = 0;  // a mapping's first line: "start-end perms ..."
    if (std::sscanf(line.constData(), "%llx-%llx ", &start, &end) == 2) inside = start <= at && at < end;
    else if (inside && line.startsWith("VmFlags:")) return ' ' + line.mid(8).trimmed() + ' ';
  }
  return {};
}

// A reloaded or closed million-row grid must not keep the memory of its old arrays.
TEST(GridMemoryTest, LargeArraysGoBackToTheSystemWhenFreed) {
  for (int round = 0; round < 3; ++round) {
    const double before = ResidentMiB();
    {
      BigVector<uint64_t> cells(size_t{6} << 20, 1);  // 48 MiB, touched
      EXPECT_EQ(reinterpret_cast<uintptr_t>(cells.data()) % (size_t{2} << 20), 0u);
      EXPECT_GT(ResidentMiB(), before + 40) << "round " << round;
    }
    EXPECT_LT(ResidentMiB(), before + 8) << "round " << round;
  }
}

// The per-row arrays of a million-row grid (sort order, widths, styles: four bytes a
// row) are mapped too, in ordinary pages (huge ones not asked for: clearing them made
// fills slow); small ones come from the heap.
TEST(GridMemoryTest, ArraysOfTwoMiBAndMoreAreMapped) {
  const std::pair<size_t, bool> cases[] = {
      {size_t{1} << 20, false}, {(size_t{2} << 20) - 4, false}, {size_t{2} << 20, true}, {4000000, true}};
  for (const auto& [bytes, mapped] : cases) {
    const size_t before = LargeBlocksMapped();
    BigVector<uint32_t> rows(bytes / sizeof(uint32_t));
    EXPECT_EQ(LargeBlocksMapped(), before + (mapped ? 1 : 0)) << bytes;
    if (!mapped) continue;
    const QByteArray flags = VmFlagsOf(rows.data());
    ASSERT_FALSE(flags.isEmpty()) << bytes;
    EXPECT_FALSE(flags.contains(" hg ")) << bytes << ": " << flags.constData();
  }
}

TEST(CellColumnTest, StoresEachTextInTheCheapestForm) {
  struct Case {
    QString text;
    CellKind kind;
  };
  const Case cases[] = {{"", CellKind::Empty},          {"0", CellKind::Int},
                        {"-12", CellKind::Int},         {"99999999999999", CellKind::Int},
                        {"999999999999999", CellKind::Text},  // beyond 48 bits
                        {"012", CellKind::Text},        {"-0", CellKind::Text},
                        {"1.5", CellKind::Text},        {"*", CellKind::Text}};
  CellColumn c;
  c.Resize(std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    c.SetText(i, cases[i].text);
    EXPECT_EQ(c.Kind(i), cases[i].kind) << cases[i].text.toStdString();
    EXPECT_EQ(c.ToString(i), cases[i].text);
  }
}

TEST(CellColumnTest, RepeatedTextsShareOneCopy) {
  CellColumn c;
  c.Resize(3);
  c.SetText(0, u"Receive stock");
  c.SetText(1, u"Receive stock");
  c.SetText(2, u"Receive Stock");
  EXPECT_EQ(c.Raw(0), c.Raw(1));
  EXPECT_NE(c.Raw(0), c.Raw(2));
}

TEST(CellColumnTest, NaNIsStoredAsANumber) {
  CellColumn c;
  c.Resize(1);
  c.SetDouble(0, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(c.Kind(0), CellKind::Double);
}

// A column holds no room until a cell that is not empty is written; then four bytes a
// cell while all but a few cells are empty or 32-bit integers, else eight.
TEST(CellColumnTest, RoomComesWithTheFirstWrittenCell) {
  constexpr size_t kRows = 600000;
  using K = CellKind;
  struct Case {
    const char* what;
    std::function<void(CellColumn&)> edit;
    int bytesPerCell;
    K kind7 = K::Empty;  // of row 7
    size_t rows = kRows;
  };
  const auto reverse = [](CellColumn& c) {  // rows 1.. in reverse order
    BigVector<uint32_t> order(kRows - 1);
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(kRows - 1 - i);
    PermuteRoom room;
    c.Permute(1, order, room);
  };
  const Case cases[] = {
      {"sized only", [](CellColumn&) {}, 0},
      {"emptied", [](CellColumn& c) { c.SetEmpty(7); c.SetText(8, u""); c.CopyCell(1, 2); }, 0},
      {"rows added and removed", [](CellColumn& c) { c.Insert(3); c.Erase(0); c.EraseRows({1, 5}); }, 0, K::Empty, kRows - 2},
      {"reordered", reverse, 0},
      {"a heading cleared before growing",
       [](CellColumn& c) { c.Resize(1); c.SetText(0, u"Sel"); c.SetEmpty(0); c.Resize(kRows); }, 0},
      {"ids", [](CellColumn& c) { c.SetInt(7, 42); c.SetInt(9, -2147483647); c.SetInt(10, 2147483647); }, 4, K::Int},
      {"ids moved", [&](CellColumn& c) { c.SetInt(kRows - 7, 42); c.SetInt(kRows - 9, -5); reverse(c); }, 4, K::Int},
      {"an integer beyond 32 bits", [](CellColumn& c) { c.SetInt(9, 1); c.SetInt(7, int64_t{1} << 31); }, 4, K::Int},
      {"the lowest 32-bit integers", [](CellColumn& c) { c.SetInt(7, INT32_MIN); c.SetInt(9, INT32_MIN + 1); }, 4, K::Int},
      {"a heading grown with the column", [](CellColumn& c) { c.Resize(1); c.SetText(0, u"Date"); c.Resize(kRows); }, 8},
      {"a list column's heading grown with it",
       [](CellColumn& c) { c.Resize(1); c.SetText(0, u"Category"); c.Resize(kRows, nullptr, true); c.SetInt(7, 3); }, 4, K::Int},
      {"a number", [](CellColumn& c) { c.SetDouble(7, 0.5); }, 4, K::Double},
      {"a text", [](CellColumn& c) { c.SetText(7, u"forty-two"); }, 4, K::Text},
      {"many texts",
       [](CellColumn& c) { for (size_t r = 1000; r < 1100; ++r) c.SetText(r, u"text"); c.SetText(7, u"forty-two"); }, 8, K::Text},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    SpareBlocks spares;
    CellColumn c;
    c.Resize(kRows, &spares);
    k.edit(c);
    EXPECT_EQ(c.Size(), k.rows);
    EXPECT_EQ(c.CellBytes(), k.rows * static_cast<size_t>(k.bytesPerCell));
    for (size_t r : {size_t{1}, size_t{6}, size_t{8}, k.rows - 1}) EXPECT_EQ(c.Kind(r), K::Empty) << r;
    EXPECT_EQ(c.Kind(7), k.kind7);
  }
  // Values read back as written, before and after the column widens.
  CellColumn c;
  c.Resize(4);
  c.SetInt(0, -2147483647);
  c.SetInt(1, 2147483647);
  c.SetInt(3, -1);
  c.Insert(2);
  c.Erase(0);
  c.EraseRows({0});  // rows: empty, empty, -1
  c.Insert(0);       // rows: empty, empty, empty, -1
  c.SetInt(0, 2147483647);
  EXPECT_EQ(c.Size(), 4u);
  EXPECT_LE(c.CellBytes(), 8 * sizeof(uint32_t));
  c.SetText(2, u"aside");
  c.SetInt(1, INT32_MIN);
  for (bool wide : {false, true}) {
    if (wide) {
      c.Resize(100);
      for (size_t r = 4; r < 100; ++r) c.SetDouble(r, 0.5);
    }
    EXPECT_EQ(c.IntValue(0), 2147483647);
    EXPECT_EQ(c.IntValue(1), INT32_MIN);
    EXPECT_EQ(c.ToString(2), QStringLiteral("aside"));
    EXPECT_EQ(c.ToString(3), QStringLiteral("-1"));
  }
  EXPECT_EQ(c.CellBytes(), 100 * sizeof(uint64_t));
}

// Arrays of 4 MiB and more come from the huge-page allocator.
TEST(GridDataTest, LargeGridSortsAndShrinks) {
  constexpr int kRows = 600000;
  GridData d;
  d.SetCols(2);
  d.SetRows(kRows);
  for (int r = 0; r < kRows; ++r) {
    d.Cells(0).SetInt(static_cast<size_t>(r), kRows - r);
    d.Cells(1).SetDouble(static_cast<size_t>(r), r + 0.5);
    d.SetRowData(r, r);
  }
  d.Styles().Set(0, kRows - 1, 1, 1, StyleField::BackColor, 0x00C0FFFF);
  d.Sort(0, kRows - 1, 0, 0, false);
  for (int r = 0; r < kRows; r += 997) {
    ASSERT_EQ(d.Cells(0).IntValue(static_cast<size_t>(r)), r + 1);
    ASSERT_EQ(d.RowData(r).toInt(), kRows - r - 1);
    ASSERT_EQ(d.Cells(1).DoubleValue(static_cast<size_t>(r)), kRows - r - 0.5);
  }
  EXPECT_EQ(d.Style(kRows - 1, 1).backColor, 0x00C0FFFFu);
  // Cut before a reload, the grid gives back the room of its rows once the reload had
  // its chance to reuse it.
  const double full = ResidentMiB();
  d.SetRows(10);
  d.ReleaseSpareRoom();
  EXPECT_LT(ResidentMiB(), full - 10);
  EXPECT_EQ(d.Rows(), 10);
  EXPECT_EQ(d.Cells(0).IntValue(9), 10);
  d.SetRows(12);
  EXPECT_EQ(d.Cells(0).Kind(11), CellKind::Empty);
  EXPECT_EQ(d.Style(11, 1).backColor, kNoColor);
  EXPECT_EQ(d.Style(9, 1).backColor, 0x00C0FFFFu);
}

// A grid emptied and filled again (a Refresh) takes the room of its old columns instead
// of mapping new; nothing of the old cells shows.
TEST(GridDataTest, ReloadReusesTheRoomOfTheLoadBefore) {
  constexpr int kRows = 500000;  // the rows' style array below the mapped size
  GridData d;
  auto load = [&](int cols, int written) {
    d.SetRows(1);
    d.SetCols(1);
    d.SetCols(cols);
    d.SetRows(kRows);
    for (int c = 0; c < written; ++c)
      for (int r = 1; r < kRows; ++r) d.Cells(c).SetDouble(static_cast<size_t>(r), r + c + 0.5);
  };
  load(3, 3);
  const size_t mapped = LargeBlocksMapped();
  load(3, 1);
  EXPECT_EQ(LargeBlocksMapped(), mapped);
  for (int r = 1; r < kRows; r += 4999) {
    ASSERT_EQ(d.Cells(0).DoubleValue(static_cast<size_t>(r)), r + 0.5);
    ASSERT_EQ(d.Cells(1).Kind(static_cast<size_t>(r)), CellKind::Empty);
    ASSERT_EQ(d.Cells(2).Kind(static_cast<size_t>(r)), CellKind::Empty);
  }
  load(2, 2);  // a column fewer: its room stays spare until released
  EXPECT_EQ(LargeBlocksMapped(), mapped);
  d.ReleaseSpareRoom();
  load(3, 3);
  EXPECT_GT(LargeBlocksMapped(), mapped);
}

// The width sizing finds is that of the widest shown text, measured row by row, however
// the cells repeat, are bold, are numbers of a formatted column or are kerned; where
// more texts estimate alike than are measured, it may be a pixel or two over, never under.
TEST(GridSizingTest, WidestCellIsTheWidestShownText) {
  struct Case {
    const char* name;
    QString format;
    std::vector<QString> texts;  // rows 1..; "*" in front: bold; "=" in front: a double
    double over = 0;             // pixels the width may exceed the widest text
    QString combo = {};          // the column's list
  };
  const QString wide = QStringLiteral("WWWWWWWW");
  // `n` part numbers of one length, the i-th the (i * step % kinds)-th; the one at `longer` a digit longer.
  const auto partNumbers = [](int n, int step, int kinds, int longer = -1) {
    std::vector<QString> t;
    for (int i = 0; i < n; ++i) t.push_back(QStringLiteral("PN-%1").arg(i == longer ? 1000000 : 100000 + i * step % kinds));
    return t;
  };
  const std::vector<Case> cases = {
      {"runs, a bold one inside", {}, {"ab", "ab", wide, wide, "*" + wide, wide, "ab"}},
      {"runs of numbers", {}, {"12.5", "12.5", "-7", "-7", "100000.25", "100000.25"}},
      {"equal numbers, formatted", QStringLiteral("#,##0.00"), {"5", "5", "5"}},
      {"extremes side by side", QStringLiteral("#,##0.00"), {"1", "-99999", "999999", "3"}},
      {"a text among formatted numbers", QStringLiteral("#,##0.00"), {"1", "n/a text", "1", "2"}},
      {"empty cells", QStringLiteral("#,##0.00"), {"", "", "4", ""}},
      // Kerned tight, the first text is estimated widest but measures narrower.
      {"a kerned text estimated wider", {}, {"AVAV", "nmm"}},
      {"many repeated texts estimated alike", {}, partNumbers(300, 1, 100), 2},
      {"many texts estimated alike, none repeated", {}, partNumbers(600, 1, 600), 2},
      {"more repeated texts than fit a first table", {}, partNumbers(2400, 7, 600), 2},
      {"listed ids, one stored as the double 0", {}, {"1", "2", "=0", "2", "1"}, 0, "#0;Nought, the widest|#1;One|#2;Two"},
      {"one wider among texts estimated alike", {}, partNumbers(300, 1, 100, 150), 2},
  };
  const QFont font = QApplication::font();
  const CellFonts fonts(font);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GridData d;
    d.SetCols(1);
    d.SetRows(static_cast<int>(c.texts.size()) + 1);
    d.Column(0).format = c.format;
    d.Column(0).combo.Parse(c.combo);
    double expected = 0;
    for (size_t i = 0; i < c.texts.size(); ++i) {
      const int row = static_cast<int>(i) + 1;
      const bool bold = c.texts[i].startsWith(u'*');
      if (c.texts[i].startsWith(u'=')) d.Cells(0).SetDouble(static_cast<size_t>(row), c.texts[i].mid(1).toDouble());
      else d.SetText(row, 0, bold ? c.texts[i].mid(1) : c.texts[i]);
      if (bold) d.Styles().Set(static_cast<size_t>(row), static_cast<size_t>(row), 0, 0, StyleField::Bold, 1);
      const QString shown = d.DisplayText(row, 0);
      if (!shown.isEmpty()) expected = std::max(expected, fonts.Metrics(bold).horizontalAdvance(shown));
    }
    SizingRoom room;
    const double px = WidestCellsPx(d, 0, 0, 1, fonts, room)[0];
    EXPECT_GE(px, expected);
    EXPECT_LE(px, expected + c.over);
    const ScopedParallelRowsMin split(1);  // the rows scanned in as many ranges as there are threads
    EXPECT_EQ(WidestCellsPx(d, 0, 0, 1, fonts, room)[0], px);
  }
}

TEST(GridDataTest, RemoveRowsKeepsEveryStoreOfTheRowsLeftInStep) {
  struct Case {
    std::vector<int> remove;
    std::vector<QString> left;  // column 0 of the rows left
  };
  const Case cases[] = {
      {{}, {"r0", "r1", "r2", "r3", "r4", "r5"}},
      {{1, 3, 4}, {"r0", "r2", "r5"}},
      {{0, 5}, {"r1", "r2", "r3", "r4"}},  // the first and the last
      {{0, 1, 2, 3, 4, 5}, {}},
  };
  for (const Case& c : cases) {
    GridData d;
    d.SetCols(2);
    d.SetRows(6);
    for (int r = 0; r < 6; ++r) {
      d.SetText(r, 0, QStringLiteral("r%1").arg(r));
      d.SetText(r, 1, QStringLiteral("a longer text of row %1").arg(r));
      d.SetRowData(r, r * 10);
      d.SetRowHidden(r, r % 2 == 1);
      d.SetRowHeightTwips(r, 300 + r);
      d.Styles().Set(static_cast<size_t>(r), static_cast<size_t>(r), 0, 0, StyleField::BackColor, static_cast<uint32_t>(r));
    }
    d.RemoveRows(c.remove);
    ASSERT_EQ(d.Rows(), static_cast<int>(c.left.size()));
    int hidden = 0;
    for (int r = 0; r < d.Rows(); ++r) {
      EXPECT_EQ(d.Text(r, 0), c.left[static_cast<size_t>(r)]);
      const int was = c.left[static_cast<size_t>(r)].mid(1).toInt();
      EXPECT_EQ(d.Text(r, 1), QStringLiteral("a longer text of row %1").arg(was));
      EXPECT_EQ(d.RowData(r).toInt(), was * 10);
      EXPECT_EQ(d.RowHidden(r), was % 2 == 1);
      EXPECT_EQ(d.RowHeightTwips(r), 300 + was);
      EXPECT_EQ(d.Style(r, 0).backColor, static_cast<uint32_t>(was));
      hidden += was % 2;
    }
    EXPECT_EQ(d.HiddenRowCount(), hidden);
    EXPECT_EQ(static_cast<int>(d.RowHeights().size()), d.Rows());
  }
}

// More distinct dates than the sort's first cache holds, each stored once and shared by
// several rows: every row sorts by its date, also over ranges of few rows (few dates
// each) and of many (too many for a range's table).
using GridDataSplitTest = testenv::GridRowSplitTest<::testing::Test>;
INSTANTIATE_TEST_SUITE_P(RowSplits, GridDataSplitTest, testenv::GridRowSplits({kParallelRowsMin, 4096, 30000}),
                         testenv::GridRowSplitTestName);

TEST_P(GridDataSplitTest, ManySharedDatesSortAsDates) {
  constexpr int kDates = 20000, kCopies = 3;
  GridData d;
  d.SetCols(2);
  d.SetRows(kDates * kCopies + 1);
  d.Column(0).dataType = GridData::kDateType;
  const QDate first(2000, 1, 1);
  for (int i = 0; i < kDates; ++i) {
    const int day = (i * 7919) % kDates;  // shuffled
    const int row = 1 + i * kCopies;
    d.SetText(row, 0, first.addDays(day).toString(QStringLiteral("M/d/yyyy")));
    d.Cells(1).SetInt(static_cast<size_t>(row), day);
    for (int c = 1; c < kCopies; ++c) {
      d.Cells(0).CopyCell(static_cast<size_t>(row), static_cast<size_t>(row + c));
      d.Cells(1).SetInt(static_cast<size_t>(row + c), day);
    }
  }
  d.Sort(1, d.Rows() - 1, 0, 0, false);
  for (int r = 1; r < d.Rows(); ++r) ASSERT_EQ(d.Cells(1).IntValue(static_cast<size_t>(r)), (r - 1) / kCopies) << r;
}

// Rows styled one at a time (banding), then over ranges, cleared and styled again.
TEST(GridStylesTest, RowByRowAndRangeEditsCombine) {
  constexpr size_t kRows = 40;
  GridStyles s;
  s.ResizeRows(kRows);
  for (size_t r = 0; r < kRows; ++r) s.Set(r, r, 0, 3, StyleField::BackColor, r % 2 ? 0x111111u : 0x222222u);
  s.Set(0, kRows - 1, 1, 1, StyleField::Bold, 1);
  s.Set(5, 9, 2, 2, StyleField::BackColor, 0x333333);
  s.ClearRange(20, 29, 0, 1);
  for (size_t r = 0; r < kRows; ++r) s.Set(r, r, 3, 3, StyleField::ForeColor, static_cast<uint32_t>(r));  // more than remembered
  for (size_t r = 0; r < kRows; ++r) {
    const uint32_t band = r % 2 ? 0x111111u : 0x222222u;
    const bool cleared = r >= 20 && r <= 29;
    EXPECT_EQ(s.Style(r, 0).backColor, cleared ? kNoColor : band) << r;
    EXPECT_EQ(s.Style(r, 1).bold, cleared ? -1 : 1) << r;
    EXPECT_EQ(s.Style(r, 2).backColor, r >= 5 && r <= 9 ? 0x333333u : band) << r;
    EXPECT_EQ(s.Style(r, 3).bold, -1) << r;
    EXPECT_EQ(s.Style(r, 3).foreColor, r) << r;
    EXPECT_EQ(s.Style(r, 4).backColor, kNoColor) << r;
  }
  s.ClearAll();
  s.Set(0, 0, 0, 0, StyleField::ForeColor, 7);
  s.Set(1, 1, 0, 3, StyleField::BackColor, 0x222222u);
  EXPECT_EQ(s.Style(0, 0).foreColor, 7u);
  EXPECT_EQ(s.Style(0, 0).backColor, kNoColor);
  EXPECT_EQ(s.Style(1, 3).backColor, 0x222222u);
  EXPECT_EQ(s.Style(1, 0).foreColor, kNoColor);
}

}  // namespace
}  // namespace ctl::grid
