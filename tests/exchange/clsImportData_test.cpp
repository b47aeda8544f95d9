#include "exchange/clsImportData.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "exchange/frmImportPreview.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/Collection.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/ui/WaitCursor.h"
#include "services/clsImportColDef.h"
#include "tests/services/ProgressTestSupport.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Def {
  const char* keyword;
  int32_t type;
  bool mustExist;
  bool nullOK;
  int64_t lowRaw = 0;  // currency raw values (x 10000); range checked when high > low
  int64_t highRaw = 0;
  int32_t maxLen = 0;
};

rt::Collection Columns(std::initializer_list<Def> defs) {
  rt::Collection coll;
  for (const Def& d : defs) {
    auto def = std::make_shared<clsImportColDef>();
    def->sKeyword = QString::fromLatin1(d.keyword);
    def->nDataType = d.type;
    def->bMustExist = d.mustExist;
    def->bNullOK = d.nullOK;
    def->bValueRange = d.highRaw > d.lowRaw;
    def->curLowRange = rt::Currency::FromRaw(d.lowRaw);
    def->curHighRange = rt::Currency::FromRaw(d.highRaw);
    def->nMaxLen = d.maxLen;
    coll.Add(QVariant::fromValue(def), def->sKeyword);
  }
  return coll;
}

// The transaction layout: a part number, units 0.1 to 2e9 (needed), an amount 0 to 2e9.
rt::Collection TranColumns() {
  return Columns({{"PARTNUMBER", 0, true, true, 0, 0, 40},
                  {"UNITS", 2, true, false, 1000, 20000000000000},
                  {"AMOUNTPERUNIT", 2, true, true, 0, 20000000000000}});
}

class ImportDataTest : public uitest::ScriptedTest {
 protected:
  void TearDown() override {
    ScriptedTest::TearDown();
    EXPECT_EQ(progresstest::OpenProgressDialog(), nullptr);
    EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  }

  QString Write(const QByteArray& bytes) {
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return file;
  }

  QString file = testenv::NewTempDir() + QStringLiteral("/in.csv");
  clsImportData data;
  QStringList cols;
  QString buf;
};

TEST_F(ImportDataTest, HeadingChecks) {
  const rt::Collection coll =
      Columns({{"NAME", 0, true, false}, {"PART", 0, true, true}, {"NOTE", 0, false, true}});
  const struct {
    const char* name;
    QByteArray heading;
    bool ok;
    const char* messages;
    const char* reason = nullptr;  // set: the path is a folder, and the reason given
  } cases[] = {
      {"any order and letter case", " part , Name ,note", true, ""},
      {"optional column left out", "NAME,PART", true, ""},
      {"missing before unrecognized", "XTRA,NAME,OTHER", false,
       "Required column 'PART' is missing from the first row.\r\n\r\n"
       "Unrecognized column 'XTRA' found on the first row.\r\n\r\n"
       "Unrecognized column 'OTHER' found on the first row.\r\n\r\n"},
      {"quoted heading is unrecognized and its column missing", "\"NAME\",PART", false,
       "Required column 'NAME' is missing from the first row.\r\n\r\n"
       "Unrecognized column '\"NAME\"' found on the first row.\r\n\r\n"},
      {"trailing comma names an empty column", "NAME,PART,", false,
       "Unrecognized column '' found on the first row.\r\n\r\n"},
      {"a column named twice", "NAME,PART,name,Part,NAME", false,
       "Column 'NAME' appears more than once on the first row.\r\n\r\n"
       "Column 'PART' appears more than once on the first row.\r\n\r\n"},
      {"no first line", "", false, nullptr},
      {"a folder", "", false, nullptr, "It is a folder, not a file."},
  };
  const QString folder = testenv::NewTempDir();
  for (const auto& c : cases) {
    clsImportData fresh;
    buf = QStringLiteral("old text");
    const QByteArray bytes = c.heading.isEmpty() ? QByteArray() : c.heading + "\r\nrow";
    const QString path = c.reason != nullptr ? folder : Write(bytes);
    EXPECT_EQ(fresh.ValidateCols(path, coll, cols, buf), c.ok) << c.name;
    const QString why = c.reason != nullptr ? QStringLiteral(". ") + QLatin1String(c.reason) : QString();
    const QString expected = c.messages != nullptr
                                 ? QString::fromLatin1(c.messages)
                                 : QStringLiteral("Unable to read column headers from row 1 of file ") +
                                       path + why + QStringLiteral("\r\n\r\n");
    EXPECT_EQ(buf, expected) << c.name;
  }
}

TEST_F(ImportDataTest, HeadingsAreUpperCasedIntoTheColumnList) {
  ASSERT_TRUE(data.ValidateCols(Write(" partnumber ,Units,amountPerUnit\r\n"), TranColumns(), cols, buf));
  EXPECT_THAT(cols, ElementsAre("", "PARTNUMBER", "UNITS", "AMOUNTPERUNIT"));
  int32_t rows = -1;
  EXPECT_TRUE(data.ValidateRows(file, TranColumns(), cols, buf, rows));
  EXPECT_EQ(rows, 0);
  EXPECT_TRUE(buf.isEmpty()) << buf.toStdString();
}

TEST_F(ImportDataTest, RowChecksAtTheirBoundaries) {
  const rt::Collection coll = Columns({{"TEXT", 0, true, false, 0, 0, 5},
                                       {"NUM", 1, true, true, 1000, 20000000000000},
                                       {"FLAG", 3, true, true},
                                       {"DAY", 4, true, true},
                                       {"FREE", 9, true, true}});
  const QStringList headings{QString(), "TEXT", "NUM", "FLAG", "DAY", "FREE"};
  const struct {
    const char* line;
    const char* messages;  // "" when the row passes
  } cases[] = {
      {"abcde,0.1,Y,3/15/2026,anything", ""},
      {"abcde,2000000000,N,2026-03-15", ""},  // fewer cells: the rest empty, and optional
      {"a", ""},
      {"\"a,b\",\"1,500\"", ""},  // one grouped number, read as 1500
      {"abcdef",
       "Row 9: The value [abcdef] entered for column TEXT must not be longer than 5 characters.\r\n"},
      {",5", "Row 9: A value must be entered for column TEXT.\r\n"},
      {"\"\",5", "Row 9: A value must be entered for column TEXT.\r\n"},
      {"a,0.09", "Row 9: The value [0.09] entered for column NUM must be between 0.1 and 2000000000.\r\n"},
      {"a,2000000000.01",
       "Row 9: The value [2000000000.01] entered for column NUM must be between 0.1 and 2000000000.\r\n"},
      {"a,1e30", "Row 9: The value [1e30] entered for column NUM must be between 0.1 and 2000000000.\r\n"},
      {"a,-1", "Row 9: The value [-1] entered for column NUM must be between 0.1 and 2000000000.\r\n"},
      {"a,\"1,5\"", "Row 9: The value [1,5] entered for column NUM must be numeric.\r\n"},
      {"a,12abc", "Row 9: The value [12abc] entered for column NUM must be numeric.\r\n"},
      {"a,1,y", "Row 9: The value [y] entered for column FLAG must be either 'Y' or 'N'.\r\n"},
      {"a,1,Y,3/15/26", "Row 9: The value [3/15/26] entered for column DAY must be a valid date.\r\n"},
      {"a,1,Y,3/15/0026", "Row 9: The value [3/15/0026] entered for column DAY must be a valid date.\r\n"},
      {",x,maybe",
       "Row 9: A value must be entered for column TEXT.\r\n"
       "Row 9: The value [x] entered for column NUM must be numeric.\r\n"
       "Row 9: The value [maybe] entered for column FLAG must be either 'Y' or 'N'.\r\n"},
      {"a,1,Y,3/15/2026,x,",
       "Row 9: Missing data. Number of entries on this row do NOT equal the number of columns on the "
       "first row. LINE CONTENT: a,1,Y,3/15/2026,x,\r\n\r\n"},
      {"   ", ""},
  };
  for (const auto& c : cases) {
    QString out;
    const bool passes = *c.messages == '\0';
    EXPECT_EQ(data.ValidateARow(9, QString::fromLatin1(c.line), coll, headings, out), passes) << c.line;
    EXPECT_EQ(out, QString::fromLatin1(c.messages)) << c.line;
  }
}

TEST_F(ImportDataTest, NumbersReadAsTheUsersSettingsSay) {
  {
    // "1,500" is one number, 1500, for the numeric test and the range alike.
    const rt::Collection upTo1000 = Columns({{"QTY", 1, true, true, 0, 10000000}});
    QString out;
    EXPECT_FALSE(data.ValidateARow(2, QStringLiteral("\"1,500\""), upTo1000, {QString(), "QTY"}, out));
    EXPECT_EQ(out, QStringLiteral(
                       "Row 2: The value [1,500] entered for column QTY must be between 0 and 1000.\r\n"));
  }
  testenv::ScopedLocale german(QStringLiteral("de_DE"));
  const rt::Collection coll = TranColumns();
  const QStringList headings{QString(), "PARTNUMBER", "UNITS", "AMOUNTPERUNIT"};
  QString out;
  EXPECT_TRUE(data.ValidateARow(2, QStringLiteral("A,\"1,5\",\"1.500\""), coll, headings, out))
      << out.toStdString();
  // A plain number with "." reads as the export writes it.
  EXPECT_TRUE(data.ValidateARow(3, QStringLiteral("A,1.5"), coll, headings, out)) << out.toStdString();
  EXPECT_FALSE(data.ValidateARow(3, QStringLiteral("A,1.2.3"), coll, headings, out));
  EXPECT_EQ(out, QStringLiteral("Row 3: The value [1.2.3] entered for column UNITS must be numeric.\r\n"));
  out.clear();
  EXPECT_FALSE(data.ValidateARow(4, QStringLiteral("A,\"0,09\""), coll, headings, out));
  EXPECT_EQ(out,
            QStringLiteral(
                "Row 4: The value [0,09] entered for column UNITS must be between 0,1 and 2000000000.\r\n"));
}

// A file of `bad` failing rows among good ones, a blank line first.
QByteArray FileWithFailingRows(int bad) {
  QByteArray bytes = "PARTNUMBER,UNITS,AMOUNTPERUNIT\r\n\r\n";
  for (int i = 1; i <= bad; ++i) bytes += "P" + QByteArray::number(i) + ",1,2\r\nX,0,1\r\n";
  bytes += "LAST,0,0\r\n";
  return bytes;
}

TEST_F(ImportDataTest, StopsAfterTheFiftyFirstFailingRow) {
  // `bad` failing rows and a failing last row: 50 failing rows are all read; the 51st
  // adds its message and the abort line, and nothing after it is read.
  const struct {
    int bad;
    int32_t abortLine;  // 0: no abort
  } cases[] = {{49, 0}, {50, 103}, {51, 104}};
  for (const auto& c : cases) {
    clsImportData fresh;
    QString out;
    int32_t rows = 0;
    const rt::Collection coll = TranColumns();
    ASSERT_TRUE(fresh.ValidateCols(Write(FileWithFailingRows(c.bad)), coll, cols, out));
    EXPECT_FALSE(fresh.ValidateRows(file, coll, cols, out, rows));
    EXPECT_EQ(out.count(QStringLiteral("entered for column UNITS must be between")), std::min(c.bad + 1, 51))
        << c.bad;
    const QString abort = QStringLiteral("MORE THAN 50 ERRORS ENCOUNTERED. ABORTING...\r\n\r\n");
    if (c.abortLine == 0) {
      EXPECT_FALSE(out.contains(abort)) << c.bad;
      EXPECT_TRUE(out.contains(QStringLiteral("Row %1: ").arg(2 * c.bad + 3))) << c.bad;
      EXPECT_EQ(rows, 2 * c.bad + 2);
    } else {
      EXPECT_TRUE(
          out.endsWith(QStringLiteral("Row %1: The value [0] entered for column UNITS must be between "
                                      "0.1 and 2000000000.\r\n")
                           .arg(c.abortLine) +
                       abort))
          << c.bad;
      EXPECT_FALSE(out.contains(QStringLiteral("Row %1: ").arg(c.abortLine + 1))) << c.bad;
      EXPECT_EQ(rows, c.abortLine - 1);
    }
  }
}

TEST_F(ImportDataTest, CancelFailsTheRowCheckWithoutAMessage) {
  QByteArray bytes = "PARTNUMBER,UNITS,AMOUNTPERUNIT\r\n";
  for (int i = 0; i < 500; ++i) bytes += "P,1,1\r\n";
  const rt::Collection coll = TranColumns();
  ASSERT_TRUE(data.ValidateCols(Write(bytes), coll, cols, buf));
  int32_t rows = 0;
  {
    progresstest::ScopedCancel cancel;
    EXPECT_FALSE(data.ValidateRows(file, coll, cols, buf, rows));
    EXPECT_TRUE(cancel.Pressed());
  }
  EXPECT_TRUE(buf.isEmpty()) << buf.toStdString();
  EXPECT_LT(rows, 500);
}

TEST_F(ImportDataTest, TheFileIsReadOnce) {
  const rt::Collection coll = TranColumns();
  ASSERT_TRUE(data.ValidateCols(Write("PARTNUMBER,UNITS,AMOUNTPERUNIT\r\nA,1,2\r\n"), coll, cols, buf));
  Write("PARTNUMBER,UNITS,AMOUNTPERUNIT\r\nA,0,2\r\n");  // changed after the heading check
  int32_t rows = 0;
  EXPECT_TRUE(data.ValidateRows(file, coll, cols, buf, rows)) << buf.toStdString();
  ASSERT_EQ(data.File().Rows().size(), 1u);
  EXPECT_EQ(data.File().Rows()[0].Value(2), QStringLiteral("1"));
}

TEST_F(ImportDataTest, PreviewShowsTheRowsAndReportsTheChoice) {
  const rt::Collection coll = TranColumns();
  ASSERT_TRUE(data.ValidateCols(Write("units,PARTNUMBER,AMOUNTPERUNIT\r\n2,\"A,1\",\r\n\r\n3,B\r\n"), coll,
                                cols, buf));
  int32_t rows = 0;
  ASSERT_TRUE(data.ValidateRows(file, coll, cols, buf, rows));
  runner->Then(QStringLiteral("frmImportPreview"), [](QDialog& d) {
    auto& dlg = static_cast<frmImportPreview&>(d);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Preview Data"));
    EXPECT_EQ(dlg.Label1->text(), QStringLiteral("You are about to import the following data. Press Continue "
                                                 "to proceed or press Cancel to quit..."));
    EXPECT_EQ(dlg.cmdContinue->text(), QStringLiteral("C&ontinue"));
    EXPECT_EQ(dlg.cmdCancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(dlg.windowModality(), Qt::ApplicationModal);
    const ctl::GridControl& g = *dlg.grd;
    ASSERT_EQ(g.Rows(), 3);
    ASSERT_EQ(g.Cols(), 4);
    EXPECT_EQ(g.TextMatrix(0, 0), QStringLiteral("Row"));
    EXPECT_EQ(g.TextMatrix(0, 1), QStringLiteral("UNITS"));
    EXPECT_EQ(g.TextMatrix(1, 2), QStringLiteral("A,1"));
    EXPECT_EQ(g.TextMatrix(2, 0), QStringLiteral("3"));
    EXPECT_EQ(g.TextMatrix(2, 2), QStringLiteral("B"));
    EXPECT_GT(g.ColWidth(2), 0);
    dlg.cmdContinue->click();
  });
  runner->Then(QStringLiteral("frmImportPreview"),
               [](QDialog& d) { static_cast<frmImportPreview&>(d).cmdCancel->click(); });
  runner->Then(QStringLiteral("frmImportPreview"), [](QDialog&) {});  // closed as Escape does
  const bool expected[] = {true, false, false};
  for (const bool choice : expected) {
    bool go = !choice;
    EXPECT_TRUE(data.PreviewData(file, coll, cols, rows, go));
    EXPECT_EQ(go, choice);
  }
  EXPECT_EQ(runner->Pending(), 0);
  EXPECT_THAT(runner->Unexpected(), IsEmpty());
}

}  // namespace
