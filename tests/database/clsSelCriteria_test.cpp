// Selection criteria: defaults, date ranges, descriptions.
#include "database/clsInvSelCriteria.h"
#include "database/clsTranSelCriteria.h"
#include "platform/runtime/Clock.h"
#include "tests/database/DbTestSupport.h"

namespace {

void SetToday(int y, int m, int d) {
  rt::SetClock([=] { return QDateTime(QDate(y, m, d), QTime(9, 0)); });
}

TEST(TranSelCriteria, InitGivesAllAndToday) {
  clsTranSelCriteria c;
  c.m_udTranType = 3;
  c.m_nProductID = 7;
  c.SetDate(100, QStringLiteral("1/1/2020"), QStringLiteral("1/2/2020"));
  c.Init();
  EXPECT_EQ(c.m_udTranType, 0);
  EXPECT_EQ(c.m_nProductID, -1);
  EXPECT_EQ(c.m_nTranCatID, -1);
  EXPECT_EQ(c.m_nTranAcctID, -1);
  EXPECT_EQ(c.m_DtRange, 0);
  EXPECT_EQ(c.DateBegin(), "3/15/2026");
  EXPECT_EQ(c.DateEnd(), "3/15/2026");
  EXPECT_EQ(c.dbDateBegin(), "20260315");
}

struct RangeCase {
  int y, m, d;  // today
  int32_t code;
  const char* begin;
  const char* end;
};

TEST(TranSelCriteria, SetDateWorksOutRelativeRangesForToday) {
  const RangeCase cases[] = {
      {2026, 3, 15, 1, "3/1/2026", "3/31/2026"},    {2026, 3, 15, 2, "1/1/2026", "12/31/2026"},
      {2026, 3, 15, 11, "2/1/2026", "2/28/2026"},   {2026, 3, 15, 12, "1/1/2025", "12/31/2025"},
      {2026, 1, 10, 11, "12/1/2025", "12/31/2025"}, {2024, 3, 1, 11, "2/1/2024", "2/29/2024"},
  };
  for (const RangeCase& rc : cases) {
    SCOPED_TRACE(testing::Message() << rc.y << "-" << rc.m << " code " << rc.code);
    SetToday(rc.y, rc.m, rc.d);
    clsTranSelCriteria c;
    QString begin = QStringLiteral("1/1/2001"), end = QStringLiteral("1/31/2001");
    c.SetDate(rc.code, begin, end);
    EXPECT_EQ(c.m_DtRange, rc.code);
    EXPECT_EQ(c.DateBegin(), QString::fromLatin1(rc.begin));
    EXPECT_EQ(c.DateEnd(), QString::fromLatin1(rc.end));
    EXPECT_EQ(begin, "1/1/2001");  // the caller's texts are not changed
  }
}

TEST(TranSelCriteria, OtherCodesHoldTheTextsAsGiven) {
  for (int32_t code : {0, 100, 5, -1}) {
    SCOPED_TRACE(code);
    clsTranSelCriteria c;
    c.SetDate(code, QStringLiteral("20030216"), QStringLiteral("x"));
    EXPECT_EQ(c.m_DtRange, code);
    EXPECT_EQ(c.DateBegin(), "20030216");
    EXPECT_EQ(c.DateEnd(), "x");
    EXPECT_EQ(c.dbDateEnd(), "");  // not a date
  }
  clsTranSelCriteria c;
  c.SetDate(100, QStringLiteral("2/16/2003"), QStringLiteral("12/31/2003"));
  EXPECT_EQ(c.dbDateBegin(), "20030216");
  EXPECT_EQ(c.dbDateEnd(), "20031231");
}

class SelCriteriaDescTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
  int32_t AddCategory(const char* desc, int32_t type) {
    const store::Table table = gDB().OpenTable(gDB().CategoryTable());
    DATA4* tb = table.get();
    const int32_t id = gDB().AddCategory(QString::fromLatin1(desc), type, tb);
    return id;
  }
};

TEST_F(SelCriteriaDescTest, InventoryCriteriaOneLineEach) {
  clsInvSelCriteria c;
  c.Init();
  EXPECT_EQ(c.Desc(), "");

  c.m_NameSearchStr = QStringLiteral("ab");
  c.m_udProdSearchByName = 1;
  EXPECT_EQ(c.Desc(), "Part Number=ab...\r\n");
  c.m_udProdSearchByName = 0;
  EXPECT_EQ(c.Desc(), "Product Name=ab...\r\n");
  c.m_udProdSearchByName = 2;
  EXPECT_EQ(c.Desc(), "");

  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svlprod.dbf_partno"), QStringLiteral("SKU")));
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svlprod.dbf_location"), QStringLiteral("Bin")));
  const int32_t group = AddCategory("Tools", 1);
  const int32_t loc = AddCategory("Shed", 3);
  ASSERT_GT(group, 0);
  c.m_udProdSearchByName = 1;
  c.m_udInvLevel = 2;
  c.m_nProductGroup = group;
  c.m_nProductLocation = loc;
  EXPECT_EQ(c.Desc(),
            "SKU=ab...\r\n"
            "Inventory Level=Out of Stock Products only (zero available units)\r\n"
            "Group=Tools\r\n"
            "Bin=Shed\r\n");
  c.m_nProductGroup = 99999;  // no such entry: an empty name
  c.m_nProductLocation = 0;
  c.m_NameSearchStr.clear();
  c.m_udInvLevel = 0;
  EXPECT_EQ(c.Desc(), "Group=\r\n");
}

TEST_F(SelCriteriaDescTest, TransactionCriteriaOneLineEach) {
  clsTranSelCriteria c;
  c.Init();
  EXPECT_EQ(c.Desc(), "");

  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "1200", "prodname", "Widget", "partno", "W-1"});
  c.m_nProductID = 1200;
  c.m_udTranType = 4;
  EXPECT_EQ(c.Desc(), "Product=" + gDB().GetProductName2(1200) + "\r\nTransaction Type=Ship\r\n");
  EXPECT_TRUE(gDB().GetProductName2(1200).contains("Widget"));

  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svltran.dbf_shipmethod"), QStringLiteral("Carrier")));
  c.Init();
  c.SetDate(100, QStringLiteral("2/1/2026"), QStringLiteral("2/9/2026"));
  c.m_nTranCatID = AddCategory("Sales", 2);
  c.m_nTranAcctID = AddCategory("Post", 7);
  EXPECT_EQ(c.Desc(),
            "Date Range =2/1/2026 to 2/9/2026\r\n"
            "Category=Sales\r\n"
            "Carrier=Post\r\n");

  // A custom range held as ISO dates (as the criteria editor hands them back) is
  // described in the user's format.
  for (const auto& [locale, want] : {std::pair{"en_US", "Date Range =11/27/2026 to 12/2/2026\r\n"},
                                     std::pair{"de_DE", "Date Range =27.11.2026 to 02.12.2026\r\n"}}) {
    testenv::ScopedLocale loc{QLatin1String(locale)};
    c.Init();
    c.SetDate(100, QStringLiteral("2026-11-27"), QStringLiteral("2026-12-02"));
    EXPECT_EQ(c.Desc(), want) << locale;
  }

  // A relative range shows the period of the day it is described, not the one it was set on.
  c.Init();
  c.SetDate(1, QString(), QString());
  SetToday(2026, 7, 4);
  EXPECT_EQ(c.Desc(), "Date Range =7/1/2026 to 7/31/2026\r\n");
  EXPECT_EQ(c.DateBegin(), "7/1/2026");
}

}  // namespace
