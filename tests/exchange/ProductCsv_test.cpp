#include "exchange/ProductCsv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>

#include "database/Schema.h"
#include "exchange/CsvNumber.h"
#include "exchange/clsImportData.h"
#include "platform/runtime/Collection.h"
#include "platform/ui/testing/TestPrompts.h"
#include "services/clsImportColDef.h"
#include "tests/support/TestEnv.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const clsImportColDef& Def(const rt::Collection& coll, const char* keyword) {
  return *ImportColDefOf(coll.Item(QString::fromLatin1(keyword)));
}

TEST(ProductCsv, SeventeenRequiredColumnsInTableOrder) {
  rt::Collection coll;
  productcsv::SetupColumns(coll);
  ASSERT_EQ(coll.Count(), 17);
  EXPECT_EQ(productcsv::HeadingRow(),
            QStringLiteral("PRODUCTNAME,PARTNUMBER,LOCATION,GROUP,BEGINNINGINVENTORY,REORDERLEVEL,"
                           "REORDERQUANTITY,LEADTIME,MANUFACTURER,VENDOR,STDUNITCOST,STDUNITPRICE,"
                           "CUSTOM1,CUSTOM2,CUSTOM3,CUSTOM4,NOTES"));
  for (int32_t i = 1; i <= coll.Count(); ++i) {
    const clsImportColDef& def = *ImportColDefOf(coll.Item(i));
    EXPECT_EQ(def.sKeyword, productcsv::Keywords()[i - 1]);
    EXPECT_TRUE(def.bMustExist) << def.sKeyword.toStdString();
    EXPECT_EQ(def.bNullOK, def.sKeyword != QLatin1String("PRODUCTNAME")) << def.sKeyword.toStdString();
    const bool number = def.nDataType == 1 || def.nDataType == 2;
    EXPECT_EQ(def.bValueRange, number) << def.sKeyword.toStdString();
    if (number) {
      EXPECT_EQ(def.curLowRange, rt::Currency(0));
      EXPECT_EQ(def.curHighRange, rt::Currency(2000000000));
    }
  }
  EXPECT_EQ(Def(coll, "REORDERLEVEL").nDataType, 1);
  EXPECT_EQ(Def(coll, "STDUNITPRICE").nDataType, 2);
}

TEST(ProductCsv, TextLimitsAreTheWidthsOfTheStoredFields) {
  rt::Collection coll;
  productcsv::SetupColumns(coll);
  const int desc = dbschema::FindTable("svlcat")->FindField("desc")->len;
  const dbschema::Table& prod = *dbschema::FindTable("svlprod");
  const struct {
    const char* keyword;
    int width;
  } cases[] = {{"PRODUCTNAME", prod.FindField("prodname")->len},
               {"PARTNUMBER", prod.FindField("partno")->len},
               {"LEADTIME", prod.FindField("leadtime")->len},
               {"CUSTOM1", prod.FindField("custom1")->len},
               {"CUSTOM4", prod.FindField("custom4")->len},
               {"LOCATION", desc},
               {"GROUP", desc},
               {"MANUFACTURER", desc},
               {"VENDOR", desc},
               {"NOTES", 0}};
  for (const auto& c : cases) EXPECT_EQ(Def(coll, c.keyword).nMaxLen, c.width) << c.keyword;
}

TEST(ProductCsv, FieldsAreWrittenAsTheyReadBack) {
  const struct {
    QString text;
    QString field;
  } texts[] = {
      {"Bolt", "Bolt"},
      {"Smith, Jo", "\"Smith, Jo\""},
      {"14\" wrench", "\"14\"\" wrench\""},
      {"\"\"", "\"\"\"\"\"\""},
      {"", ""},
      {"one\r\ntwo", "\"one\r\ntwo\""},
      {"one\ntwo \"2\"\r", "\"one\ntwo \"\"2\"\"\r\""},
  };
  for (const auto& t : texts) {
    EXPECT_EQ(productcsv::TextField(t.text), t.field) << t.text.toStdString();
    EXPECT_EQ(CsvRow(2, t.field + QStringLiteral(",x")).Value(1), t.text) << t.text.toStdString();
  }
}

// Written with only the decimals needed and "." whatever the settings, and read back
// alike under every settings.
TEST(CsvNumber, WrittenTheSameUnderEverySettingsAndReadBack) {
  const struct {
    const char* locale;
    int64_t raw;
    const char* text;
  } cases[] = {{"en_US", 0, "0"},
               {"en_US", 10000, "1"},
               {"en_US", 125000, "12.5"},
               {"en_US", 1, "0.0001"},
               {"en_US", -35000, "-3.5"},
               {"en_US", -5000, "-0.5"},
               {"en_US", 20000000000000, "2000000000"},
               {"en_US", 123456789012345678, "12345678901234.5678"},
               {"en_US", std::numeric_limits<int64_t>::max(), "922337203685477.5807"},
               {"en_US", std::numeric_limits<int64_t>::min() + 1, "-922337203685477.5807"},
               {"fr_FR", 125000, "12.5"},
               {"fr_FR", 15000000, "1500"},
               {"de_DE", 125000, "12.5"},
               {"de_DE", 11230, "1.123"},
               {"de_DE", 15000000, "1500"},
               {"de_DE", -5000, "-0.5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + c.text);
    testenv::ScopedLocale settings(QLatin1String(c.locale));
    const QString field = productcsv::NumberField(rt::Currency::FromRaw(c.raw));
    EXPECT_EQ(field, QLatin1String(c.text));
    for (const char* reader : {"en_US", "de_DE", "fr_FR"}) {
      testenv::ScopedLocale readerSettings{QLatin1String(reader)};
      EXPECT_EQ(ReadCsvNumber(CsvFieldValue(field), rt::LocaleInfo::Current())->Raw(), c.raw) << reader;
    }
  }
}

TEST(CsvNumber, ReadAsTheUsersSettingsSay) {
  const struct {
    const char* locale;
    const char* text;
    std::optional<int64_t> raw;
  } cases[] = {
      {"en_US", "12.5", 125000},
      {"en_US", " 7 ", 70000},
      {"en_US", "1,500", 15000000},
      {"en_US", "1,5", std::nullopt},
      {"en_US", "1500,0", std::nullopt},
      {"en_US", "1,500.25", 15002500},
      {"en_US", "-2", -20000},
      {"en_US", "1e3", 10000000},
      {"en_US", "0.00005", 0},
      {"en_US", "0.00015", 2},
      {"en_US", "abc", std::nullopt},
      {"en_US", "", std::nullopt},
      {"en_US", ".5", 5000},
      {"en_US", "5.", 50000},
      {"en_US", "-", std::nullopt},
      {"en_US", "-.5", -5000},
      {"en_US", "00042", 420000},
      {"en_US", "-0", 0},
      {"en_US", "-0.0001", -1},
      {"en_US", "99999999999999.9999", 999999999999999999},
      {"en_US", "123456789012345.5", 1234567890123455000},
      {"en_US", "1.23456", 12346},
      {"en_US", "1.2.3", std::nullopt},
      {"en_US", "1-2", std::nullopt},
      {"de_DE", "1,5", 15000},
      {"de_DE", "1.500", 15000},  // a plain number is read as the export writes it
      {"de_DE", "1.5", 15000},
      {"de_DE", "1.500,5", 15005000},
      {"de_DE", "1.500.000", 15000000000},
      {"de_DE", "-0,0001", -1},
      {"fr_FR", "1,5", 15000},
      {"fr_FR", "1.5", 15000},  // "." means nothing else there
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale locale(QString::fromLatin1(c.locale));
    const std::optional<rt::Currency> value =
        ReadCsvNumber(QString::fromLatin1(c.text), rt::LocaleInfo::Current());
    ASSERT_EQ(value.has_value(), c.raw.has_value()) << c.locale << " " << c.text;
    if (value) {
      EXPECT_EQ(value->Raw(), *c.raw) << c.locale << " " << c.text;
    }
  }
}

TEST(CsvNumber, BeyondTheCurrencyRangeReadsAsItsEnd) {
  const rt::LocaleInfo loc = rt::LocaleInfo::Current();
  EXPECT_EQ(ReadCsvNumber(QStringLiteral("1e30"), loc)->Raw(), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(ReadCsvNumber(QStringLiteral("-1e30"), loc)->Raw(), -std::numeric_limits<int64_t>::max());
}

class CsvWriterTest : public ::testing::Test {
 protected:
  QString dir = testenv::NewTempDir();
  QString path = dir + QStringLiteral("/out.csv");
};

TEST_F(CsvWriterTest, WritesThroughATemporaryFileAndRenames) {
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
  }
  {
    CsvWriter writer(path);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.WriteLine(productcsv::HeadingRow()));
    ASSERT_TRUE(writer.WriteRow({QStringLiteral("M\u00FCller"), productcsv::NumberField(rt::Currency(3))}));
    QFile now(path);
    ASSERT_TRUE(now.open(QIODevice::ReadOnly));
    EXPECT_EQ(now.readAll(), QByteArray("old"));  // unchanged until Commit
  }
  EXPECT_EQ(QDir(dir).entryList(QDir::Files),
            QStringList{QStringLiteral("out.csv")});  // abandoned: no leftovers
  CsvWriter writer(path);
  ASSERT_TRUE(writer.Open());
  ASSERT_TRUE(writer.WriteRow({QStringLiteral("M\u00FCller"), QStringLiteral("3")}));
  ASSERT_TRUE(writer.Commit());
  QFile done(path);
  ASSERT_TRUE(done.open(QIODevice::ReadOnly));
  EXPECT_EQ(done.readAll(), QByteArray("\xEF\xBB\xBFM\xC3\xBCller,3\r\n"));
  EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("out.csv")});
}

TEST_F(CsvWriterTest, AFolderThatCannotBeWrittenFailsTheOpen) {
  CsvWriter writer(dir + QStringLiteral("/missing/out.csv"));
  EXPECT_FALSE(writer.Open());
  EXPECT_FALSE(writer.ErrorText().isEmpty());
}

// The file names beside the program.
QString Sample(const char* name) {
  return QStringLiteral(STOVREL_RESOURCES_DIR "/") + QString::fromLatin1(name);
}

TEST(SampleFiles, BothValidateCleanly) {
  ui::test::ScopedFakePrompts prompts;
  rt::Collection products;
  productcsv::SetupColumns(products);
  rt::Collection trans;
  for (const char* keyword : {"PARTNUMBER", "UNITS", "AMOUNTPERUNIT"}) {
    auto def = std::make_shared<clsImportColDef>();
    def->sKeyword = QString::fromLatin1(keyword);
    def->nDataType = def->sKeyword == QLatin1String("PARTNUMBER") ? 0 : 2;
    def->bMustExist = true;
    def->bNullOK = def->sKeyword != QLatin1String("UNITS");
    def->bValueRange = def->nDataType == 2;
    def->curLowRange =
        def->sKeyword == QLatin1String("UNITS") ? rt::Currency::FromRaw(1000) : rt::Currency(0);
    def->curHighRange = rt::Currency(2000000000);
    trans.Add(QVariant::fromValue(def), def->sKeyword);
  }
  const struct {
    const char* file;
    const rt::Collection& coll;
  } cases[] = {{"Sample Product Import.csv", products}, {"Sample Transactions Import.csv", trans}};
  QStringList productParts;
  for (const auto& c : cases) {
    clsImportData data;
    QStringList cols;
    QString buf;
    int32_t rows = 0;
    ASSERT_TRUE(data.ValidateCols(Sample(c.file), c.coll, cols, buf)) << buf.toStdString();
    ASSERT_TRUE(data.ValidateRows(Sample(c.file), c.coll, cols, buf, rows)) << buf.toStdString();
    EXPECT_EQ(data.File().Rows().size(), 5u) << c.file;
    const int part = static_cast<int>(cols.indexOf(QStringLiteral("PARTNUMBER")));
    for (const CsvRow& row : data.File().Rows()) {
      if (&c.coll == &products) {
        EXPECT_EQ(row.Count(), 17) << row.Text().toStdString();
        productParts << row.Value(part);
      } else {
        EXPECT_TRUE(productParts.contains(row.Value(part))) << row.Text().toStdString();
      }
    }
  }
  // The rows show what a sample should: a quoted comma, an inch mark, empty cells.
  QFile f(Sample("Sample Product Import.csv"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_TRUE(bytes.contains(", Inc.\""));
  EXPECT_TRUE(bytes.contains("14\"\"\""));
  EXPECT_TRUE(bytes.contains(",,"));
  EXPECT_THAT(prompts->Unexpected(), IsEmpty());
}

}  // namespace
