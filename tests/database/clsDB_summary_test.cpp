// The product summary: its exact text with and without transactions, captions from the
// report column catalogue (custom captions, cut to 35 characters), and its failures.

#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"

namespace {

using stocktest::AddTran;
using stocktest::Cur;

// One summary line: the label in 35 characters, the value, the breaks.
QString L(const QString& label, const QString& value, int breaks = 1) {
  return label.leftJustified(35, u' ', true) + value + QStringLiteral("\r\n").repeated(breaks);
}

class SummaryTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
    ASSERT_TRUE(gDB().SetParamValue("Decimals_PerUnit", "2"));
    ASSERT_TRUE(gDB().SetParamValue("Decimals_Amounts", "2"));
    store::Table catTable = gDB().OpenTable(gDB().CategoryTable());
    DATA4* cat = catTable.get();
    const int32_t shelf = gDB().AddCategory("Shelf 1", 3, cat);
    const int32_t tools = gDB().AddCategory("Tools", 1, cat);
    catTable.Close();
    clsProd p = stocktest::SampleProduct();
    p.nLocation = shelf;
    p.nGroup = tools;
    p.nManuf = 0;
    p.nVendor = -1;
    id = stocktest::StoreProduct(p);
    ASSERT_GT(id, 0);
  }
  QString Summary() {
    QString text;
    ExpectMsg(&text);
    gDB().ShowProductSummary(id);
    return text;
  }
  // The message window shows line breaks as paragraphs.
  static QString Shown(const QString& s) { return QString(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }
  static QString Head() {
    return QStringLiteral("PRODUCT SUMMARY\r\n---------------\r\n\r\n") + L("Product Name:", "Widget") +
           L("Part Number:", "A-100", 2);
  }
  static QString Tail(const QString& custom1Label = QStringLiteral("Custom 1:")) {
    return L("Std Cost:", "3.50") + L("Std Price:", "7.25", 2) + L("Location:", "Shelf 1") + L("Group:", "Tools", 2) +
           L("Manufacturer:", "") + L("Vendor:", "", 2) + L(custom1Label, "c1") + L("Custom 2:", "c2") +
           L("Custom 3:", "c3") + L("Custom 4:", "c4", 2) + L("Re-Order Level:", "5.5") + L("Re-Order Qty:", "20") +
           L("Lead Time:", "2 weeks", 2) + L("Notes:", "") + QStringLiteral("line one\r\nline two\r\n");
  }
  // The stock block: each figure under the caption of the column that holds it.
  static QString Stock(const QStringList& values) {
    static const struct {
      const char* label;
      int breaks;
    } kLines[] = {{"Allocated Units:", 1},        {"Available Units:", 1},           {"Units On Order:", 1},
                  {"On Order Value (Actual Cost):", 2}, {"On Order Value (Std Cost):", 1}, {"On Order Value (Avg Cost):", 1},
                  {"Stock Value (Std Cost):", 2}, {"Stock Value (Avg Cost):", 1},    {"Stock Value (Std Price):", 2},
                  {"Stock Value (Avg Price):", 1}, {"Avg Cost/Unit:", 2},            {"Avg Price/Unit:", 1},
                  {"Physical Units:", 2}};
    QString out;
    for (int i = 0; i < 13; ++i) out += L(QLatin1String(kLines[i].label), values.value(i), kLines[i].breaks);
    return out;
  }
  int32_t id = 0;
};

TEST_F(SummaryTest, AProductWithoutTransactionsShowsEmptyFiguresAndZeroAverages) {
  EXPECT_EQ(Summary(), Shown(Head() + Stock({"", "", "", "", "", "", "", "", "", "", "0.00", "0.00", ""}) + Tail()));
  EXPECT_EQ(runner->Ran().last(), QStringLiteral("frmMessage"));
}

TEST_F(SummaryTest, FiguresStandUnderTheirOwnCaptions) {
  AddTran(id, 2, "10", "2");
  AddTran(id, 4, "4", "5");
  AddTran(id, 5, "3", "5");
  AddTran(id, 1, "6", "2.25");
  AddTran(id, 3, "1", "0");
  // A caption longer than the label field is cut; the value follows at once.
  ASSERT_TRUE(gDB().SetParamValue("svlprod.dbf_custom1", "Colour of the protective outer coating"));
  const QString text = Summary();
  EXPECT_EQ(text, Shown(Head() +
                        Stock({"3", "2", "6", "13.50", "21.00", "13.33", "17.50", "11.11", "36.25", "25.00", "2.22",
                               "5.00", "5"}) +
                        Tail("Colour of the protective outer coat")));
  EXPECT_TRUE(text.contains(QStringLiteral("Colour of the protective outer coatc1\n")));
}

TEST_F(SummaryTest, NegativeStockKeepsItsSign) {
  AddTran(id, 4, "3", "5");
  const QString text = Summary();
  EXPECT_TRUE(text.contains(Shown(L("Physical Units:", "-3", 2)))) << text.toStdString();
  EXPECT_TRUE(text.contains(Shown(L("Stock Value (Std Cost):", "-10.50", 2)))) << text.toStdString();
}

// Only an exact 0 is blank: a figure whose text rounds to 0 still shows.
TEST_F(SummaryTest, FiguresThatRoundToZeroAreShown) {
  ASSERT_TRUE(gDB().SetParamValue("Decimals_Units", "0"));
  AddTran(id, 2, "0.25", "0.0004");
  const QString text = Summary();
  EXPECT_TRUE(text.contains(Shown(L("Physical Units:", "0", 2)))) << text.toStdString();
  EXPECT_TRUE(text.contains(Shown(L("Stock Value (Avg Cost):", "0.00")))) << text.toStdString();
  EXPECT_TRUE(text.contains(Shown(L("Units On Order:", "")))) << text.toStdString();
}

TEST_F(SummaryTest, WithoutTheTransactionsTableTheStockBlockIsOneErrorLine) {
  const QString path = gDB().TranTable();
  ASSERT_TRUE(QFile::rename(path, path + ".away"));
  prompts->Expect(QStringLiteral("Unable to open: ") + path);
  const QString text = Summary();
  ASSERT_TRUE(QFile::rename(path + ".away", path));
  EXPECT_EQ(text, Shown(Head() + QStringLiteral("ERROR: Unable to get Product statistics!\r\n\r\n") + Tail()));
}

TEST_F(SummaryTest, AProductThatCannotBeReadShowsOnlyTheMessage) {
  prompts->Expect(QStringLiteral("Product ID not found. Unable to read product record!"));
  prompts->Expect(QStringLiteral("Unable to read product information!"));
  gDB().ShowProductSummary(9999);
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  prompts->Expect(QStringLiteral("Unable to read product information!"));
  gDB().ShowProductSummary(0);
  EXPECT_TRUE(runner->Ran().isEmpty());
}

}  // namespace
