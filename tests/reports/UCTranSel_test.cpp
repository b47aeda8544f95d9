// The transaction criteria editor: lists, colouring, date ranges from the clock, custom
// dates across locales, the part-number look-up, Reset.
#include "reports/UCTranSel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "database/clsProd.h"
#include "database/clsTranSelCriteria.h"
#include "inventory/frmLookupByPartNo.h"
#include "platform/runtime/Clock.h"
#include "services/frmDateRange.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using rpttest::IsRed;

class UCTranSelTest : public rpttest::ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    category = rpttest::AddCategory(QStringLiteral("Repairs"), store::ListType::kTranCategory);
    account = rpttest::AddCategory(QStringLiteral("Cash"), store::ListType::kTranAccount);
    clsProd p;
    p.sPartNo = QStringLiteral("P-1");
    p.sProdName = QStringLiteral("Hammer");
    store::Table table = gDB().OpenTable(gDB().ProductsTable());
    DATA4* tb = table.get();
    EXPECT_TRUE(p.SaveProduct(tb, nullptr, true));
    table.Close();
    product = p.nProdId;
    ctl.Init();
  }
  void TearDown() override {
    rt::SetClock([] { return testenv::FixedNow(); });
    ReportsTest::TearDown();
  }
  int32_t category = 0, account = 0, product = 0;
  UCTranSel ctl;
};

TEST_F(UCTranSelTest, InitFillsTheListsAndOnlyCategoryAndAccountShowAnEntry) {
  EXPECT_EQ(ctl.cboTrans->count(), 6);
  EXPECT_EQ(ctl.cboTrans->itemText(4), "Allocate");
  EXPECT_EQ(ctl.cboDateRange->count(), 6);
  EXPECT_EQ(ctl.cboProducts->count(), 2);
  for (QComboBox* cbo : {ctl.cboTrans, ctl.cboDateRange, ctl.cboProducts}) EXPECT_EQ(cbo->currentIndex(), -1);
  EXPECT_EQ(ctl.cboCategory->currentText(), "All Categories");
  EXPECT_EQ(ctl.cboAccount->currentText(), "All Accounts");

  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svltran.dbf_catid"), QStringLiteral("Department12")));
  ctl.Init();
  EXPECT_EQ(ctl.cboCategory->currentText(), "All Department");
}

TEST_F(UCTranSelTest, CriteriaShowAndReadBackWithNarrowedListsInRed) {
  struct Case {
    int32_t type, productId, cat, acct;
    int32_t productBack;
  };
  const Case cases[] = {
      {4, product, category, account, product},
      {0, -1, -1, -1, -1},
      {2, 4242, -1, account, -1},  // a product that is gone: no selection, all products
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    UCTranSel ed;
    ed.Init();
    clsTranSelCriteria in;
    in.Init();
    in.m_udTranType = c.type;
    in.m_nProductID = c.productId;
    in.m_nTranCatID = c.cat;
    in.m_nTranAcctID = c.acct;
    int changes = 0;
    QObject::connect(&ed, &UCTranSel::Changed, [&] { ++changes; });
    ed.SetValues(in);
    EXPECT_EQ(changes, 0);  // quiet while loading
    EXPECT_EQ(IsRed(*ed.cboTrans), c.type != 0);
    EXPECT_EQ(IsRed(*ed.cboProducts), c.productBack > 0);
    EXPECT_EQ(IsRed(*ed.cboCategory), c.cat > 0);
    EXPECT_EQ(IsRed(*ed.cboAccount), c.acct > 0);
    clsTranSelCriteria out;
    ed.GetValues(out);
    EXPECT_EQ(out.m_udTranType, c.type);
    EXPECT_EQ(out.m_nProductID, c.productBack);
    EXPECT_EQ(out.m_nTranCatID, c.cat);
    EXPECT_EQ(out.m_nTranAcctID, c.acct);
    EXPECT_EQ(out.m_DtRange, 0);
  }
}

TEST_F(UCTranSelTest, RelativeRangesAreWorkedOutFromTheProgramClock) {
  rt::SetClock([] { return QDateTime(QDate(2024, 1, 10), QTime(9, 0)); });
  struct Case {
    const char* range;
    int32_t code;
    QDate begin, end;
  };
  const Case cases[] = {{"This Month", 1, {2024, 1, 1}, {2024, 1, 31}},
                        {"This Year", 2, {2024, 1, 1}, {2024, 12, 31}},
                        {"Last Month", 11, {2023, 12, 1}, {2023, 12, 31}},
                        {"Last Year", 12, {2023, 1, 1}, {2023, 12, 31}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    ASSERT_TRUE(ui::test::SetText(ctl, QStringLiteral("cboDateRange"), QLatin1String(c.range)));
    EXPECT_TRUE(IsRed(*ctl.cboDateRange));
    clsTranSelCriteria out;
    ctl.GetValues(out);
    EXPECT_EQ(out.m_DtRange, c.code);
    EXPECT_EQ(reports::ReadRangeDate(out.DateBegin()), c.begin);
    EXPECT_EQ(reports::ReadRangeDate(out.DateEnd()), c.end);
  }
}

TEST_F(UCTranSelTest, RangeDatesOfAnyLocaleAreReadAndWrittenLocaleIndependent) {
  struct Case {
    const char* text;
    std::optional<QDate> date;
  };
  const Case cases[] = {
      {"2/16/2003", QDate(2003, 2, 16)},   // this user's short date
      {"16.02.2003", QDate(2003, 2, 16)},  // day first
      {"16/02/2003", QDate(2003, 2, 16)},
      {"2003-02-16", QDate(2003, 2, 16)},  // the written form
      {"20030216", QDate(2003, 2, 16)},    // the built-in records' form
      {"20031316", std::nullopt},
      {"x", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(reports::ReadRangeDate(QLatin1String(c.text)), c.date) << c.text;

  // A custom range written here reads back to the same days under another locale.
  clsTranSelCriteria in;
  in.Init();
  in.SetDate(100, QStringLiteral("2/16/2003"), QStringLiteral("3/1/2003"));
  ctl.SetValues(in);
  clsTranSelCriteria out;
  ctl.GetValues(out);
  EXPECT_EQ(out.m_DtRange, 100);
  EXPECT_EQ(out.DateBegin(), "2003-02-16");
  EXPECT_EQ(out.DateEnd(), "2003-03-01");
  testenv::ScopedLocale german(QStringLiteral("de_DE"));
  EXPECT_EQ(out.dbDateBegin(), "20030216");
  EXPECT_EQ(out.dbDateEnd(), "20030301");
}

TEST_F(UCTranSelTest, CustomAsksForTheDatesAndACancelKeepsThePreviousOnes) {
  clsTranSelCriteria in;
  in.Init();
  in.SetDate(100, QStringLiteral("2003-02-16"), QStringLiteral("2003-03-01"));
  ctl.SetValues(in);
  ASSERT_TRUE(ui::test::SetText(ctl, QStringLiteral("cboDateRange"), QStringLiteral("All Dates")));
  runner->Then(QStringLiteral("frmDateRange"), [](QDialog& d) {
    EXPECT_EQ(ui::test::TextOf(d, QStringLiteral("txtDateBegin")), "2/16/2003");
    d.reject();
  });
  ASSERT_TRUE(ui::test::SetText(ctl, QStringLiteral("cboDateRange"), QStringLiteral("Custom...")));
  EXPECT_EQ(ctl.DateBeginText(), "2/16/2003");

  ASSERT_TRUE(ui::test::SetText(ctl, QStringLiteral("cboDateRange"), QStringLiteral("All Dates")));
  runner->Then(QStringLiteral("frmDateRange"), [](QDialog& d) {
    ui::test::SetText(d, QStringLiteral("txtDateBegin"), QStringLiteral("1/5/2025"));
    ui::test::SetText(d, QStringLiteral("txtDateEnd"), QStringLiteral("1/20/2025"));
    ui::test::Click(d, QStringLiteral("cmdOK"));
  });
  ASSERT_TRUE(ui::test::SetText(ctl, QStringLiteral("cboDateRange"), QStringLiteral("Custom...")));
  clsTranSelCriteria out;
  ctl.GetValues(out);
  EXPECT_EQ(out.DateBegin(), "2025-01-05");
  EXPECT_EQ(out.DateEnd(), "2025-01-20");
}

TEST_F(UCTranSelTest, LookupSelectsTheProductFoundAndResetGoesBackToAll) {
  runner->Then(QStringLiteral("frmLookupByPartNo"), [&](QDialog& d) {
    auto& lookup = static_cast<frmLookupByPartNo&>(d);
    lookup.m_OK = true;
    lookup.m_ProductID = product;
  });
  ctl.cmdLookupProduct->click();
  EXPECT_EQ(gSystem().cboGetItemID(*ctl.cboProducts), product);
  EXPECT_TRUE(IsRed(*ctl.cboProducts));
  runner->Then(QStringLiteral("frmLookupByPartNo"), {});  // cancelled
  ctl.cmdLookupProduct->click();
  EXPECT_EQ(gSystem().cboGetItemID(*ctl.cboProducts), product);

  ASSERT_TRUE(ui::test::SetText(ctl, QStringLiteral("cboTrans"), QStringLiteral("Ship")));
  int changes = 0;
  QObject::connect(&ctl, &UCTranSel::Changed, [&] { ++changes; });
  ctl.cmdReset->click();
  EXPECT_EQ(changes, 1);
  for (QComboBox* cbo : {ctl.cboTrans, ctl.cboProducts, ctl.cboDateRange, ctl.cboCategory, ctl.cboAccount}) {
    EXPECT_EQ(cbo->currentIndex(), 0) << cbo->objectName().toStdString();
    EXPECT_FALSE(IsRed(*cbo));
  }
}

}  // namespace
