#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>

#include "database/store/Codes.h"
#include "exchange/CsvNumber.h"
#include "exchange/ProductCsv.h"
#include "exchange/clsExportProducts.h"
#include "exchange/clsImportData.h"
#include "exchange/ExchangeCommands.h"
#include "platform/runtime/Collection.h"
#include "tests/exchange/ExchangeTestSupport.h"
#include "tests/support/TestEnv.h"

namespace {

using exchangetest::Cur;
using exchangetest::ExchangeTest;
using stocktest::AddTran;

class ExportTest : public ExchangeTest {
 protected:
  int32_t Add(const QString& partNo, const QString& name, const char* cost = "0", const QString& location = {},
              const QString& notes = {}, bool hide = false) {
    clsProd p = stocktest::NewProduct(partNo, name);
    p.curStdCost = Cur(cost);
    p.sNotes = notes;
    p.bHide = hide;
    DATA4* cat = nullptr;
    QString text = location;
    p.nLocation = gDB().CategoryIDLookupOrAdd(text, store::Code(store::ListType::kLocation), cat);
    const int32_t id = stocktest::StoreProduct(p);
    EXPECT_GT(id, 0);
    return id;
  }

  QStringList Export() {
    const QString path = dir + QStringLiteral("/out.csv");
    clsExportProducts exporter;
    exporter.Init(path);
    EXPECT_TRUE(exporter.Export());
    return Lines(path);
  }

  static QStringList Lines(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.takeLast(), QString());  // every line ends with CR LF
    return lines;
  }

  // Checks and imports the file as the product import does; the products saved.
  int32_t Reimport(const QString& path) {
    rt::Collection columns;
    productcsv::SetupColumns(columns);
    clsImportData data;
    QStringList headings;
    QString errors;
    int32_t count = 0;
    EXPECT_TRUE(data.ValidateCols(path, columns, headings, errors)) << errors.toStdString();
    EXPECT_TRUE(data.ValidateRows(path, columns, headings, errors, count)) << errors.toStdString();
    int32_t stopped = 0;
    EXPECT_TRUE(exchange::ImportProductsFromFile(data.File(), headings, count, stopped));
    EXPECT_EQ(stopped, 0);
    return count;
  }

  void SamplesImportAndExportBack();
};

// Ids of five digits keep them all in generated part numbers; numbers are written with
// "." whatever the settings, and read back; texts are quoted where they must be; hidden
// products stay out; a stock below zero is written as 0 (the import's lowest).
TEST_F(ExportTest, WritesTheImportLayoutTheSameUnderEverySettingsAndReadsItBack) {
  for (const char* locale : {"en_US", "de_DE", "fr_FR"}) {
    SCOPED_TRACE(locale);
    dir = OpenNewDatabase();
    const testenv::ScopedLocale settings{QString::fromLatin1(locale)};
    gDB().SetNextID(QStringLiteral("svlprod.dbf"), 9999);
    const int32_t nine = Add(QString(), QStringLiteral("Nine"));
    Add(QString(), QStringLiteral("Ten, Inc."), "1.123");
    const int32_t pipe = Add(QStringLiteral("P-1"), QStringLiteral("Pipe 14\""), "2.5", QStringLiteral("Bin, A"),
                             QStringLiteral("line one\r\nline two"));
    Add(QStringLiteral("H-1"), QStringLiteral("Hidden"), "1", {}, {}, true);
    const int32_t neg = Add(QStringLiteral("NEG"), QStringLiteral("Negative"));
    // Its stock value is beyond the currency range; its units are written all the same.
    const int32_t huge = Add(QStringLiteral("HUGE"), QStringLiteral("Huge"));
    ASSERT_EQ(nine, 9999);
    ASSERT_GT(AddTran(pipe, store::Code(store::TranType::kReceive), "12.5", "1"), 0);
    ASSERT_GT(AddTran(neg, store::Code(store::TranType::kShip), "5", "1"), 0);
    ASSERT_GT(AddTran(huge, store::Code(store::TranType::kReceive), "1000000", "99999999999"), 0);

    EXPECT_EQ(Export(), (QStringList{
                            productcsv::HeadingRow(),
                            "Huge,HUGE,,,1000000,0,0,,,,0,0,,,,,",
                            "Negative,NEG,,,0,0,0,,,,0,0,,,,,",
                            "Nine,G9999,,,0,0,0,,,,0,0,,,,,",
                            "\"Pipe 14\"\"\",P-1,\"Bin, A\",,12.5,0,0,,,,2.5,0,,,,,\"line one",
                            "line two\"",  // the notes' line break, kept inside the quotes
                            "\"Ten, Inc.\",G10000,,,0,0,0,,,,1.123,0,,,,,",
                        }));

    // Read back: every product is updated (its stock untouched), those without a part
    // number through the generated one, which they are still without.
    const size_t transactions = Transactions().size();
    EXPECT_EQ(Reimport(dir + QStringLiteral("/out.csv")), 5);
    EXPECT_EQ(Transactions().size(), transactions);
    QStringList products;
    for (const clsProd& p : Products()) {
      products << p.sProdName + QLatin1Char('|') + p.sPartNo + QLatin1Char('|') + QString::number(p.curStdCost.Raw());
    }
    EXPECT_THAT(products, ::testing::UnorderedElementsAre("Huge|HUGE|0", "Negative|NEG|0", "Nine||0",
                                                          "Pipe 14\"|P-1|25000", "Ten, Inc.||11230"));
    EXPECT_EQ(Product(pipe).sNotes, QStringLiteral("line one\r\nline two"));
  }
}

// A number the import refuses is written as stored, and its product named.
TEST_F(ExportTest, NamesTheProductsWhoseNumbersTheImportRefuses) {
  const struct {
    const char* part;
    const char* stock;
    const char* reorderLevel;
    const char* price;
  } cases[] = {
      {"AT-MOST", "2000000000", "2000000000", "0"},
      {"OVER", "2000000000.0001", "0", "0"},
      {"TWO", "0", "2500000000", "-1"},
  };
  for (const auto& c : cases) {
    clsProd p = stocktest::NewProduct(QLatin1String(c.part), QLatin1String(c.part));
    p.curReOrderLevel = Cur(c.reorderLevel);
    p.curStdPrice = Cur(c.price);
    const int32_t id = stocktest::StoreProduct(p);
    ASSERT_GT(id, 0);
    if (Cur(c.stock) > rt::Currency()) {
      ASSERT_GT(AddTran(id, store::Code(store::TranType::kReceive), c.stock, "1"), 0);
    }
  }
  prompts->Expect(QStringLiteral("The product import takes numbers from 0 to 2000000000 only. These products were "
                                 "written with a number outside that range, so importing the file will refuse it "
                                 "until their rows are changed:\nOVER [OVER]: BEGINNINGINVENTORY\n"
                                 "TWO [TWO]: REORDERLEVEL, STDUNITPRICE"));
  EXPECT_EQ(Export().mid(1), (QStringList{"AT-MOST,AT-MOST,,,2000000000,2000000000,0,,,,0,0,,,,,",
                                          "OVER,OVER,,,2000000000.0001,0,0,,,,0,0,,,,,",
                                          "TWO,TWO,,,0,2500000000,0,,,,0,-1,,,,,"}));
}

TEST_F(ExportTest, FollowsThePartNumberOrderWhenPartNumbersComeFirst) {
  Add(QStringLiteral("Z-1"), QStringLiteral("Alpha"));
  Add(QStringLiteral("A-1"), QStringLiteral("Zulu"));
  const struct {
    bool partNoFirst;
    QStringList names;
  } cases[] = {{false, {"Alpha", "Zulu"}}, {true, {"Zulu", "Alpha"}}};
  for (const auto& c : cases) {
    gDB().ProdPartNumberFirstSet(c.partNoFirst);
    QStringList names;
    for (const QString& line : Export().mid(1)) names << line.section(QLatin1Char(','), 0, 0);
    EXPECT_EQ(names, c.names);
  }
}

// A target that may not be written is refused with the reason, and an old file kept.
TEST_F(ExportTest, ATargetThatMayNotBeWrittenIsRefusedWithItsReason) {
  Add(QStringLiteral("A"), QStringLiteral("A"));
  const QString locked = Write(QStringLiteral("locked.csv"), "old");
  QFile::setPermissions(locked, QFileDevice::ReadOwner);
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("folder.csv")));
  const struct {
    QString path;
    QString reason;
  } cases[] = {
      {locked, QStringLiteral("The file is read-only.")},
      {dir + QStringLiteral("/folder.csv"), QStringLiteral("It is a folder, not a file.")},
      {dir + QStringLiteral("/gone/out.csv"), QStringLiteral("The folder ") + dir + QStringLiteral("/gone does not exist.")},
  };
  for (const auto& c : cases) {
    prompts->Expect(QStringLiteral("Unable to write to : ") + c.path + QStringLiteral(". ") + c.reason);
    clsExportProducts exporter;
    exporter.Init(c.path);
    EXPECT_FALSE(exporter.Export());
  }
  QFile f(locked);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("old"));
}

// The command: the Save As dialog proposes "All Products"; Yes opens the file.
TEST_F(ExportTest, TheCommandOffersToOpenTheFile) {
  const QString path = dir + QStringLiteral("/All Products.csv");
  const struct {
    int answer;
    int launches;
  } cases[] = {{ui::vbYes, 1}, {ui::vbNo, 0}, {ui::vbCancel, 0}};
  for (const auto& c : cases) {
    files->Choose(path);
    prompts->Expect(path + QStringLiteral(" has been saved. Would you like to open this file now?"), c.answer);
    const int before = static_cast<int>(shell->Calls().size());
    exchange::ExportCurrentInventory();
    EXPECT_EQ(static_cast<int>(shell->Calls().size()) - before, c.launches);
    EXPECT_EQ(prompts->Last().defaultButton, 3);
    EXPECT_EQ(Lines(path), QStringList{productcsv::HeadingRow()});
  }
  ASSERT_FALSE(files->FileRequests().isEmpty());
  const ui::FileDialogRequest& asked = files->FileRequests().front();
  EXPECT_TRUE(asked.save);
  EXPECT_EQ(asked.title, QStringLiteral("Save As"));
  EXPECT_TRUE(asked.fileName.endsWith(QStringLiteral("All Products")));
  EXPECT_EQ(shell->Calls().front().file, path);
  files->Cancel();
  exchange::ExportCurrentInventory();  // cancelled: nothing asked
}

QString Sample(const char* name) { return QStringLiteral(STOVREL_RESOURCES_DIR "/") + QString::fromLatin1(name); }

// The shipped samples import into a new database under every settings, and the products
// export back to the same rows (empty number cells come back as 0); that export imports
// into another new database as the same products.
TEST_F(ExportTest, TheSamplesImportIntoANewDatabaseAndExportBack) {
  for (const char* locale : {"en_US", "de_DE", "fr_FR"}) {
    SCOPED_TRACE(locale);
    dir = OpenNewDatabase();
    const testenv::ScopedLocale settings{QString::fromLatin1(locale)};
    SamplesImportAndExportBack();
  }
}

void ExportTest::SamplesImportAndExportBack() {
  ChooseInDialog(QStringLiteral("frmImportProducts"), Sample("Sample Product Import.csv"));
  Preview(true);
  prompts->Expect(
      QStringLiteral("Imported 5 Products! These products will now appear on the 'Current Inventory' screen."));
  exchange::ImportProducts();
  EXPECT_EQ(Transactions().size(), 4u);  // the four rows with a beginning inventory

  CsvFile sample;
  ASSERT_TRUE(sample.Read(Sample("Sample Product Import.csv")));
  CsvFile exported;
  Export();
  ASSERT_TRUE(exported.Read(dir + QStringLiteral("/out.csv")));
  EXPECT_EQ(CsvHeadings(exported.HeadingLine()), CsvHeadings(sample.HeadingLine()));
  const rt::LocaleInfo loc = rt::LocaleInfo::Current();
  const auto rowsOf = [&](const CsvFile& f) {
    QStringList rows;
    for (const CsvRow& row : f.Rows()) {
      QStringList values;
      for (int i = 1; i <= 17; ++i) {
        const QString v = row.Value(i);
        const bool number = i == 5 || i == 6 || i == 7 || i == 11 || i == 12;
        values << (number ? ReadCsvNumber(v, loc).value_or(rt::Currency()).ToString() : v);
      }
      rows << values.join(QLatin1Char('|'));
    }
    return rows;
  };
  EXPECT_THAT(rowsOf(exported), ::testing::UnorderedElementsAreArray(rowsOf(sample)));

  ChooseInDialog(QStringLiteral("frmImportTran"), Sample("Sample Transactions Import.csv"), QStringLiteral("Receive"));
  Preview(true);
  prompts->Expect(QStringLiteral("Imported 5 Transactions! These transactions can be viewed from Reports | "
                                 "Transactions menu."));
  exchange::ImportTransactions();
  EXPECT_EQ(Transactions().size(), 9u);

  // The export imported into another new database: the same products, stock included.
  const QStringList before = Export();
  const QString file = dir + QStringLiteral("/all.csv");
  ASSERT_TRUE(QFile::rename(dir + QStringLiteral("/out.csv"), file));
  OpenNewDatabase();
  EXPECT_EQ(Reimport(file), 5);
  EXPECT_EQ(Export(), before);
}

}  // namespace
