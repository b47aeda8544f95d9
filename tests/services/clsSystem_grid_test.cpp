#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/controls/GridControl.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/ui/WaitCursor.h"
#include "services/clsSystem.h"
#include "tests/services/ProgressTestSupport.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Every export starts with the UTF-8 byte-order mark.
const QByteArray kBom("\xEF\xBB\xBF");

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// A grid of texts, row 0 first.
void Fill(ctl::GridControl& g, const std::vector<std::vector<QString>>& rows) {
  g.setRows(static_cast<int>(rows.size()));
  g.setCols(static_cast<int>(rows.front().size()));
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      g.setTextMatrix(static_cast<int>(r), static_cast<int>(c), rows[r][c]);
    }
  }
}

class SaveGridTest : public uitest::ScriptedTest {
 protected:
  void TearDown() override {
    ScriptedTest::TearDown();
    EXPECT_THAT(dialogs->Unexpected(), IsEmpty());
    EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
    EXPECT_EQ(progresstest::OpenProgressDialog(), nullptr);
  }

  // Exports the whole grid to a new file, answering No to the closing question.
  QByteArray Export(ctl::GridControl& g) {
    dialogs->Choose(file);
    prompts->Answer(ui::vbNo);
    gSystem().SaveGrid(g, 0, 0, g.Rows() - 1, g.Cols() - 1);
    return ReadAll(file);
  }

  // The line each single-cell row of `texts` (under the heading "H") gives.
  QList<QByteArray> ExportCells(const QStringList& texts) {
    ctl::GridControl g;
    g.setRows(static_cast<int>(texts.size()) + 1);
    g.setTextMatrix(0, 0, QStringLiteral("H"));
    for (int i = 0; i < texts.size(); ++i) g.setTextMatrix(i + 1, 0, texts[i]);
    QByteArray bytes = Export(g);
    EXPECT_TRUE(bytes.startsWith(kBom));
    bytes.remove(0, kBom.size());
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines) {
      EXPECT_TRUE(line.endsWith('\r'));
      line.chop(1);
    }
    EXPECT_EQ(lines.takeFirst(), "\"H\"");
    return lines;
  }

  ui::test::ScopedFakeFileDialogs dialogs;
  ui::test::ScopedFakeShell shell;
  QString dir = testenv::NewTempDir();
  QString file = dir + QStringLiteral("/out.csv");
};

struct FieldCase {
  const char* cell;
  const char* field;
};

TEST_F(SaveGridTest, EachCellTextGivesItsField) {
  const FieldCase cases[] = {
      {"Widget", "\"Widget\""},
      {"", "\"\""},
      {"a,b", "\"a,b\""},
      {"\"word\"", "\"\"\"word\"\"\""},
      {"tRuE", "\"Yes\""},
      {"FALSE", "\"No\""},
      {"true ", "\"true \""},
      {"Trueish", "\"Trueish\""},
      {"1234.50", "1234.5"},
      {"-0.50", "-0.5"},
      {"+7", "7"},
      {"0", "0"},
      {"-0", "0"},
      {"12.", "12"},
      {".5", "0.5"},
      {"0.000123", "0.000123"},
      {"123456789012345", "123456789012345"},
      // Commas, the currency symbol and blanks around are cleaned off: one column of
      // amounts gives numbers only, below 1,000 and above.
      {"999.99", "999.99"},
      {"1,000.00", "1000"},
      {"1,234.50", "1234.5"},
      {"$1,234.50", "1234.5"},
      {"-$7.25", "-7.25"},
      {"12,34", "1234"},
      {"$12", "12"},
      {" 5 ", "5"},
      {"1,234,567,890,123,45", "123456789012345"},
      {"5-", "-5"},  // negative forms the locale reads
      {"(1,234.50)", "-1234.5"},
      // Texts that a spreadsheet would change, or that hold more than a number, stay
      // texts exactly as shown.
      {"00042", "\"00042\""},
      {"0042.5", "\"0042.5\""},
      {"$0042", "\"$0042\""},
      {"1234567890123456", "\"1234567890123456\""},
      {"1,234,567,890,123,456", "\"1,234,567,890,123,456\""},
      {"0.1234567890123456", "\"0.1234567890123456\""},
      {"1e5", "\"1e5\""},
      {"&H10", "\"&H10\""},
      {"1.2.3", "\"1.2.3\""},
      {"12/09/2026", "\"12/09/2026\""},
      {"-", "\"-\""},
      {".", "\".\""},
      {",", "\",\""},
      {"$", "\"$\""},
      {"Gr\xC3\xB6\xC3\x9F" "e", "\"Gr\xC3\xB6\xC3\x9F" "e\""},
  };
  QStringList texts;
  for (const FieldCase& c : cases) texts << QString::fromUtf8(c.cell);
  const QList<QByteArray> lines = ExportCells(texts);
  ASSERT_EQ(lines.size(), static_cast<qsizetype>(std::size(cases)));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(lines[static_cast<qsizetype>(i)], QByteArray(cases[i].field)) << cases[i].cell;
  }
}

TEST_F(SaveGridTest, WritesTheWholeGridByteForByte) {
  ctl::GridControl g;
  Fill(g, {{"Sel", "Part No", "Name", "Units"},
           {"*", "00042", "Bolt, \"large\"", "12"},
           {"", "", "", ""},
           {"", "A-1", "Nut", "-3.25"}});
  g.setTextMatrix(1, 3, int64_t{12});  // a number cell
  g.setRowHidden(2, true);             // hidden rows and columns are written too
  g.setColHidden(2, true);
  EXPECT_EQ(Export(g),
            kBom +
            "\"Sel\",\"Part No\",\"Name\",\"Units\"\r\n"
            "\"*\",\"00042\",\"Bolt, \"\"large\"\"\",12\r\n"
            "\"\",\"\",\"\",\"\"\r\n"
            "\"\",\"A-1\",\"Nut\",-3.25\r\n");
}

TEST_F(SaveGridTest, FormattedAndListColumnsGiveTheTextShown) {
  ctl::GridControl g;
  Fill(g, {{"Cost", "Qty", "Colour", "Code", "Bin"}, {"", "", "", "", ""}});
  g.setTextMatrix(1, 0, 1234.5);
  g.setColFormat(0, QStringLiteral("$#,##0.00"));
  g.setTextMatrix(1, 1, 3.0);
  g.setColFormat(1, QStringLiteral("0.00"));
  g.setTextMatrix(1, 2, int64_t{2});
  g.setColComboList(2, QStringLiteral("#1;Red|#2;Blue"));
  g.setTextMatrix(1, 3, int64_t{7});  // plain column: the stored value
  g.setTextMatrix(1, 4, int64_t{9});  // a map given as pairs: its text, whatever it holds
  g.setColComboMap(4, {{0, QStringLiteral(" ")}, {9, QStringLiteral("A|B; #3")}});
  EXPECT_EQ(Export(g), kBom + "\"Cost\",\"Qty\",\"Colour\",\"Code\",\"Bin\"\r\n1234.5,3,\"Blue\",7,\"A|B; #3\"\r\n");
}

TEST_F(SaveGridTest, UnderAGermanLocaleNumbersAreWrittenWithAPoint) {
  testenv::ScopedLocale german(QStringLiteral("de_DE"));
  ctl::GridControl g;
  Fill(g, {{"A", "B", "C", "D", "E", "F", "G", "H"},
           {"", "1.234", "1.234,50", "12,5", "-3", "1234.5", "10.12.2026", "0042"}});
  g.setTextMatrix(1, 0, 1234.5);  // shown "1234,5"
  ASSERT_EQ(g.TextMatrix(1, 0), QStringLiteral("1234,5"));
  EXPECT_EQ(Export(g), kBom +
                           "\"A\",\"B\",\"C\",\"D\",\"E\",\"F\",\"G\",\"H\"\r\n"
                           "1234.5,1234,1234.5,12.5,-3,\"1234.5\",\"10.12.2026\",\"0042\"\r\n");
}

TEST_F(SaveGridTest, WritesOnlyTheCellsOfTheRangeThatExist) {
  ctl::GridControl g;
  Fill(g, {{"a", "b", "c"}, {"1", "2", "3"}, {"4", "5", "6"}});
  dialogs->Choose(file);
  prompts->Answer(ui::vbNo);
  gSystem().SaveGrid(g, 1, 1, 7, 9);
  EXPECT_EQ(ReadAll(file), kBom + "2,3\r\n5,6\r\n");
}

TEST_F(SaveGridTest, AsksForTheFileAndOffersToOpenIt) {
  ctl::GridControl g;
  Fill(g, {{"x"}});
  for (const int answer : {ui::vbYes, ui::vbNo, ui::vbCancel}) {
    SCOPED_TRACE(answer);
    dialogs->Choose(file);
    prompts->Expect(file + QStringLiteral(" has been saved. Would you like to open this file now?"),
                    answer);
    gSystem().SaveGrid(g, 0, 0, 0, 0);
    const ui::test::ShownPrompt& shown = prompts->Last();
    EXPECT_EQ(shown.icon, ui::vbQuestion);
    EXPECT_EQ(shown.buttons, ui::vbYesNoCancel);
    EXPECT_EQ(shown.defaultButton, 2);
    EXPECT_EQ(shown.title, QStringLiteral("Stovrel"));
  }
  ASSERT_EQ(shell->Calls().size(), 1);
  EXPECT_EQ(shell->Calls()[0].file, file);

  const ui::FileDialogRequest& request = dialogs->FileRequests().front();
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.title, QStringLiteral("Save As..."));
  EXPECT_EQ(request.filter, QStringLiteral("MS Excel Comma Delimited File (*.csv)|*.csv"));
  EXPECT_EQ(request.flags, 0x280806);
}

// The dialog proposes the folder of the last export, else the user's own folder; never
// the folder the program was started from.
TEST_F(SaveGridTest, ProposesTheLastExportFolderNeverTheStartFolder) {
  ctl::GridControl g;
  Fill(g, {{"x"}});
  const QString started = testenv::NewTempDir(QStringLiteral("start"));
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(started));
  const QString other = testenv::NewTempDir(QStringLiteral("other"));
  const QString home = ui::ProposedFolder(QString());
  for (const QString& target : {other + QStringLiteral("/b.csv"), file}) {
    dialogs->Choose(target);
    prompts->Answer(ui::vbNo);
    gSystem().SaveGrid(g, 0, 0, 0, 0);
  }
  ASSERT_TRUE(QDir(dir).removeRecursively());
  dialogs->Cancel();
  gSystem().SaveGrid(g, 0, 0, 0, 0);  // the last export's folder is gone
  QDir::setCurrent(before);
  QStringList proposed;
  for (const ui::FileDialogRequest& request : dialogs->FileRequests()) proposed.append(request.fileName);
  ASSERT_EQ(proposed.size(), 3);
  EXPECT_EQ(proposed.mid(1), (QStringList{other + u'/', home + u'/'}));
  EXPECT_NE(home, started);
  EXPECT_FALSE(proposed.front().isEmpty());
}

TEST_F(SaveGridTest, CancellingTheDialogWritesAndAsksNothing) {
  ctl::GridControl g;
  dialogs->Cancel();
  gSystem().SaveGrid(g, 0, 0, 0, 0);
  EXPECT_FALSE(QFileInfo::exists(file));
  EXPECT_THAT(prompts->Shown(), IsEmpty());
}

TEST_F(SaveGridTest, ReplacesAnExistingFileWhole) {
  WriteAll(file, QByteArray(1000, 'x'));
  ctl::GridControl g;
  Fill(g, {{"new"}});
  EXPECT_EQ(Export(g), kBom + "\"new\"\r\n");
}

TEST_F(SaveGridTest, CancellingTheProgressKeepsTheOldFile) {
  WriteAll(file, "old");
  ctl::GridControl g;
  g.setRows(1000);
  g.setCols(2);
  dialogs->Choose(file);
  progresstest::ScopedCancel cancel;
  gSystem().SaveGrid(g, 0, 0, g.Rows() - 1, g.Cols() - 1);
  EXPECT_TRUE(cancel.Pressed());
  EXPECT_EQ(ReadAll(file), "old");
  EXPECT_THAT(QDir(dir).entryList(QDir::Files), ElementsAre("out.csv"));  // no temporary left
  EXPECT_THAT(prompts->Shown(), IsEmpty());                                // no closing question
}

TEST_F(SaveGridTest, AFileThatMayNotBeWrittenIsLeftAsItWas) {
  WriteAll(file, "old");
  QFile::setPermissions(file, QFile::ReadOwner);
  ctl::GridControl g;
  dialogs->Choose(file);
  prompts->Expect(QStringLiteral("Unable to write to : ") + file + QStringLiteral(". The file is read-only."));
  gSystem().SaveGrid(g, 0, 0, 0, 0);
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_EQ(prompts->Shown().size(), 1);  // no closing question
  QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(ReadAll(file), "old");
}

TEST_F(SaveGridTest, AFolderThatCannotBeWrittenGivesTheWarning) {
  const QString missing = dir + QStringLiteral("/no/such/folder/out.csv");
  ctl::GridControl g;
  dialogs->Choose(missing);
  prompts->ExpectContaining(QStringLiteral("Unable to write to : ") + missing);
  gSystem().SaveGrid(g, 0, 0, 0, 0);
  EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(SaveGridTest, AnErrorIsReportedAndKeepsTheOldFile) {
  WriteAll(file, "old");
  ctl::GridControl g;
  Fill(g, {{"a"}});
  dialogs->Choose(file);
  prompts->ExpectContaining(QStringLiteral("clsSystem_SaveGrid"));
  gSystem().SaveGrid(g, -1, 0, 0, 0);  // row -1: the grid refuses the cell
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  EXPECT_EQ(ReadAll(file), "old");
  EXPECT_THAT(QDir(dir).entryList(QDir::Files), ElementsAre("out.csv"));  // no temporary left
}

// ---- Selection helpers -------------------------------------------------------------

class GridHelpersTest : public ::testing::Test {
 protected:
  GridHelpersTest() {
    Fill(g, {{"Part", "Name"},
             {"A-100", "Hex Bolt"},
             {"B-200", "bolt cutter"},
             {"C-300", " Washer "},
             {"D-400", "Nut"}});
  }
  ctl::GridControl g;
};

TEST_F(GridHelpersTest, GridSelectRowSelectsOnlyExistingRows) {
  gSystem().GridSelectRow(g, 2);
  EXPECT_EQ(g.Row(), 2);
  EXPECT_EQ(g.Col(), 0);
  gSystem().GridSelectRow(g, -1);
  gSystem().GridSelectRow(g, g.Rows());
  EXPECT_EQ(g.Row(), 2);
  gSystem().GridSelectRow(g, 0);
  EXPECT_EQ(g.Row(), 0);
}

TEST_F(GridHelpersTest, GridSelectRowAtIDFindsTheFirstRowWithTheID) {
  g.setRowData(1, 11);
  g.setRowData(2, 7);
  g.setRowData(3, QStringLiteral("7"));
  g.setRowData(4, 7.0);
  gSystem().GridSelectRowAtID(g, 7);
  EXPECT_EQ(g.Row(), 2);
  gSystem().GridSelectRowAtID(g, 99);
  EXPECT_EQ(g.Row(), 2);
}

TEST_F(GridHelpersTest, GridFindSearchesFromTheCurrentRow) {
  struct Case {
    int from;
    const char* find;
    bool whole, matchCase, up;
    bool found;
    int row, col;
  };
  const Case cases[] = {
      {1, "bolt", false, false, false, true, 2, 1},    // the current row is skipped
      {0, "bolt", false, false, false, true, 1, 1},
      {0, "bolt", false, true, false, true, 2, 1},
      {0, "washer", true, false, false, true, 3, 1},   // blanks cut on both sides
      {0, "wash", true, false, false, false, 0, 0},
      {3, "a-100", false, false, true, true, 1, 0},
      {1, "Part", false, false, true, false, 1, 0},    // upward never reaches row 0
      {4, "bolt", false, false, false, false, 4, 0},   // no wrap-around
      {2, "", false, false, false, true, 3, 0},        // the empty text matches at once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.find);
    g.Select(c.from, 0);
    EXPECT_EQ(gSystem().GridFind(g, QString::fromLatin1(c.find), c.whole, c.matchCase, c.up), c.found);
    EXPECT_EQ(g.Row(), c.found ? c.row : c.from);
    EXPECT_EQ(g.Col(), c.col);
  }
}

TEST_F(GridHelpersTest, GrdRemoveHiddenRowsRemovesEveryHiddenRowButTheHeading) {
  g.setRowHidden(0, true);
  g.setRowHidden(2, true);
  g.setRowHidden(3, true);
  g.setRowHidden(4, true);  // the last row
  gSystem().GrdRemoveHiddenRows(g);
  ASSERT_EQ(g.Rows(), 2);
  EXPECT_EQ(g.TextMatrix(0, 0), QStringLiteral("Part"));
  EXPECT_EQ(g.TextMatrix(1, 0), QStringLiteral("A-100"));
}

}  // namespace
