#include "services/CsvFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <vector>

#include "tests/support/TestEnv.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

QString WriteFile(const QByteArray& bytes) {
  const QString path = testenv::NewTempDir() + QStringLiteral("/in.csv");
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  return path;
}

struct ReadRow {
  int32_t line;
  std::vector<QString> values;
};

std::vector<QString> ValuesOf(const CsvRow& row) {
  std::vector<QString> out;
  for (int i = 1; i <= row.Count(); ++i) out.push_back(row.Value(i));
  return out;
}

TEST(CsvFile, ReadsLinesCellsAndValues) {
  const struct {
    const char* name;
    QByteArray bytes;
    QString heading;
    int32_t linesAfterHeading;
    std::vector<ReadRow> rows;
  } cases[] = {
      {"CR LF", "H\r\na,b\r\nc\r\n", "H", 2, {{2, {"a", "b"}}, {3, {"c"}}}},
      {"lone CR", "H\ra\rb", "H", 2, {{2, {"a"}}, {3, {"b"}}}},
      {"lone LF", "H\na\nb\n", "H", 2, {{2, {"a"}}, {3, {"b"}}}},
      {"mixed ends, blank lines keep line numbers", "H\r\n\n  \ra\r\n", "H", 3, {{4, {"a"}}}},
      {"byte-order mark skipped", "\xEF\xBB\xBFH,I\r\nx,y", "H,I", 1, {{2, {"x", "y"}}}},
      {"UTF-8", "H\r\nGr\xC3\xBC\xC3\x9F", "H", 1, {{2, {QStringLiteral("Gr\u00FC\u00DF")}}}},
      {"code page 1252", "H\r\nM\xFCller \x80", "H", 1, {{2, {QStringLiteral("M\u00FCller \u20AC")}}}},
      {"code page 1252 for every line, those valid as UTF-8 too", "Caf\xC3\xA9\r\n\xC3\xA9\r\nM\xFC", "Caf\u00C3\u00A9",
       2, {{2, {QStringLiteral("\u00C3\u00A9")}}, {3, {QStringLiteral("M\u00FC")}}}},
      {"byte-order mark: UTF-8 throughout", "\xEF\xBB\xBFH\r\nGr\xC3\xBC\xFF", "H", 1,
       {{2, {QStringLiteral("Gr\u00FC\uFFFD")}}}},
      {"byte 0xFE is data",
       "H\r\nA\xFE"
       "1,2",
       "H",
       1,
       {{2, {QStringLiteral("A\u00FE1"), "2"}}}},
      {"quoted comma", "H\r\n\"Smith, Jo\",2", "H", 1, {{2, {"Smith, Jo", "2"}}}},
      {"doubled quotes", "H\r\n\"14\"\" wrench\",\"\"", "H", 1, {{2, {"14\" wrench", ""}}}},
      {"blanks trimmed, kept inside quotes", "H\r\n  a ,\" b \" , c", "H", 1, {{2, {"a", " b ", "c"}}}},
      {"trailing comma adds an empty cell", "H\r\na,b,", "H", 1, {{2, {"a", "b", ""}}}},
      {"lone quote keeps its quote", "H\r\n\",x", "H", 1, {{2, {"\",x"}}}},
      {"value only beginning with a quote", "H\r\n\"ab,c", "H", 1, {{2, {"\"ab,c"}}}},
      {"a quoted value spans lines, CR LF (a blank one too)", "H\r\n\"a,\r\n\r\nb\",c\r\nd", "H", 4,
       {{2, {"a,\r\n\r\nb", "c"}}, {5, {"d"}}}},
      {"a quoted value spans lines, LF", "H\nx,\"a\nb\"\"\"\nd\n", "H", 3, {{2, {"x", "a\nb\""}}, {4, {"d"}}}},
      {"a quoted value spans lines, CR", "H\r\"a\rb\"\rd", "H", 3, {{2, {"a\rb"}}, {4, {"d"}}}},
      {"a quote inside a value ends no value", "H\r\n5\" bolt,x\r\nd", "H", 2, {{2, {"5\" bolt,x"}}, {3, {"d"}}}},
      {"a quote never closed spans nothing", "H\r\n\"a\r\nb", "H", 2, {{2, {"\"a"}}, {3, {"b"}}}},
      {"empty file", "", "", 0, {}},
      {"heading only", "H\r\n", "H", 0, {}},
  };
  for (const auto& c : cases) {
    CsvFile file;
    ASSERT_TRUE(file.Read(WriteFile(c.bytes))) << c.name;
    EXPECT_EQ(file.HasHeading(), !c.bytes.isEmpty()) << c.name;
    EXPECT_EQ(file.HeadingLine(), c.heading) << c.name;
    EXPECT_EQ(file.LinesAfterHeading(), c.linesAfterHeading) << c.name;
    ASSERT_EQ(file.Rows().size(), c.rows.size()) << c.name;
    for (size_t r = 0; r < c.rows.size(); ++r) {
      EXPECT_EQ(file.Rows()[r].Line(), c.rows[r].line) << c.name;
      EXPECT_THAT(ValuesOf(file.Rows()[r]), ElementsAreArray(c.rows[r].values)) << c.name;
    }
  }
}

TEST(CsvFile, HeadingsSplitAtEveryCommaWithoutQuoteRules) {
  EXPECT_THAT(CsvHeadings(QStringLiteral(" partNumber , \"UNITS,X\",")),
              ElementsAre("", "PARTNUMBER", "\"UNITS", "X\"", ""));
  EXPECT_THAT(CsvHeadings(QString()), ElementsAre("", ""));
}

TEST(CsvFile, CellsPastTheEndAreEmpty) {
  const CsvRow row(7, QStringLiteral("a,\"b\""));
  EXPECT_EQ(row.Count(), 2);
  EXPECT_EQ(row.Cell(2), u"\"b\"");
  EXPECT_EQ(row.Value(2), QStringLiteral("b"));
  EXPECT_TRUE(row.Value(3).isEmpty());
  EXPECT_TRUE(row.Cell(0).isEmpty());
}

// The progress callback hears of the whole work and can stop the reading; a stopped
// read keeps nothing and is no error.
TEST(CsvFile, ProgressReachesTheEndOrStopsTheReading) {
  const QString path = WriteFile("H\r\na\r\nb\r\n");
  for (const bool stop : {false, true}) {
    qint64 last = -1;
    qint64 whole = 0;
    CsvFile file;
    EXPECT_EQ(file.Read(path, [&](qint64 done, qint64 total) {
      EXPECT_GE(done, last);
      last = done;
      whole = total;
      return !stop;
    }), !stop);
    EXPECT_EQ(file.Cancelled(), stop);
    EXPECT_TRUE(file.ErrorText().isEmpty());
    EXPECT_EQ(file.Rows().size(), stop ? 0u : 2u);
    EXPECT_EQ(last == whole && whole > 0, !stop);
  }
}

TEST(CsvFile, AFileThatCannotBeOpenedIsRefused) {
  CsvFile file;
  EXPECT_FALSE(file.Read(testenv::NewTempDir() + QStringLiteral("/missing.csv")));
  EXPECT_FALSE(file.ErrorText().isEmpty());
  EXPECT_FALSE(file.HasHeading());
}

}  // namespace
