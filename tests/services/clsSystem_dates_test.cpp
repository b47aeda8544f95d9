#include <gtest/gtest.h>

#include "platform/runtime/Clock.h"
#include "services/clsSystem.h"
#include "tests/support/TestEnv.h"

namespace {

std::string S(const QString& s) { return s.toStdString(); }

void SetToday(int y, int m, int d) {
  rt::SetClock([=] { return QDateTime(QDate(y, m, d), QTime(10, 30)); });
}

TEST(clsSystemDatesTest, StoredDatesShowWithFourDigitYears) {
  struct Case { const char* locale; const char* stored; const char* format; const char* want; };
  const Case cases[] = {
      {"en_US", "20250315", "Short Date", "3/15/2025"},
      {"en_US", "20300101", "Short Date", "1/1/2030"},
      {"en_US", "19250315", "Short Date", "3/15/1925"},
      {"en_US", "19991231", "YYYYMMDD", "19991231"},
      {"en_US", " 20250315 ", "Long Date", "Saturday, March 15, 2025"},
      {"en_US", "20251301", "Short Date", "1/1/2026"},   // month carries into the year
      {"en_US", "20250230", "Short Date", "3/2/2025"},   // day carries into the month
      {"en_US", "", "Short Date", ""},
      {"en_US", "   ", "Short Date", ""},
      {"en_US", "2025AB15", "Short Date", ""},
      {"en_US", "2025031", "Short Date", "3/1/2025"},
      {"en_US", "202503", "Short Date", ""},
      {"en_US", "00000000", "Short Date", ""},
      {"en_US", "-2025031", "Short Date", ""},
      {"de_DE", "20250315", "Short Date", "15.03.2025"},
      {"de_DE", "20300101", "Short Date", "01.01.2030"},
      {"de_DE", "20300101", "Long Date", "Dienstag, 1. Januar 2030"},
      {"C", "20300101", "YYYYMMDD", "20300101"},
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale loc(QString::fromLatin1(c.locale));
    EXPECT_EQ(S(gSystem().DBDateToDislayDate(QString::fromLatin1(c.stored), QString::fromLatin1(c.format))),
              c.want)
        << c.locale << " " << c.stored << " " << c.format;
  }
}

TEST(clsSystemDatesTest, DatesRoundTripThroughTheDisplayForms) {
  const char* stored[] = {"20300101", "20291231", "19991231", "20000229", "20260315", "18991230"};
  for (const char* locale : {"en_US", "de_DE"}) {
    testenv::ScopedLocale loc(QString::fromLatin1(locale));
    for (const char* s : stored) {
      for (const char* format : {"Short Date", "Long Date"}) {
        const QString shown = gSystem().DBDateToDislayDate(QString::fromLatin1(s), QString::fromLatin1(format));
        EXPECT_EQ(S(gSystem().CBDateFormat(shown)), s) << locale << " " << format << " " << S(shown);
      }
    }
  }
}

TEST(clsSystemDatesTest, DateTextsAreReadInTheUserLocale) {
  clsSystem& sys = gSystem();
  EXPECT_EQ(S(sys.CBDateFormat(QStringLiteral("3/15/2026"))), "20260315");
  EXPECT_EQ(S(sys.CBDateFormat(QStringLiteral("2026-03-15"))), "20260315");
  EXPECT_EQ(S(sys.CBDateFormat(QStringLiteral("3/15/2026 2:05 PM"))), "20260315");
  EXPECT_EQ(S(sys.CBDateFormat(QStringLiteral("3/15/26"))), "");  // no two-digit years
  EXPECT_EQ(S(sys.CBDateFormat(QStringLiteral("nonsense"))), "");
  EXPECT_EQ(S(sys.CBTimeFormat(QStringLiteral("2:05 PM"))), "14:05:00");
  EXPECT_EQ(S(sys.CBTimeFormat(QStringLiteral("3/15/2026"))), "00:00:00");
  EXPECT_EQ(S(sys.CBTimeFormat(QStringLiteral("x"))), "");
  EXPECT_EQ(S(sys.DBTimeToDislayTime(QStringLiteral("14:05:09"))), "2:05:09 PM");
  EXPECT_EQ(S(sys.DBTimeToDislayTime(QStringLiteral("00:00:00"))), "12:00:00 AM");
  EXPECT_EQ(S(sys.DBTimeToDislayTime(QStringLiteral("  "))), "");
  EXPECT_EQ(S(sys.DBTimeToDislayTime(QStringLiteral("25:00:00"))), "");
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  EXPECT_EQ(S(sys.CBDateFormat(QStringLiteral("15.03.2026"))), "20260315");
  EXPECT_EQ(S(sys.CBDateFormat(QStringLiteral("3/15/2026"))), "");
}

TEST(clsSystemDatesTest, Str2DateAndCompareDate) {
  clsSystem& sys = gSystem();
  EXPECT_EQ(sys.Str2Date(QStringLiteral("junk")), QDateTime(QDate(1800, 1, 1), QTime(0, 0)));
  EXPECT_EQ(sys.Str2Date(QStringLiteral("1/2/2030")).date(), QDate(2030, 1, 2));
  EXPECT_EQ(sys.CompareDate(QStringLiteral("1/2/2030"), QStringLiteral("12/31/2029")), 1);
  EXPECT_EQ(sys.CompareDate(QStringLiteral("1/2/2030"), QStringLiteral("2030-01-02")), 0);
  EXPECT_EQ(sys.CompareDate(QStringLiteral("junk"), QStringLiteral("1/1/1900")), -1);
}

TEST(clsSystemDatesTest, TodayAndNowTexts) {
  clsSystem& sys = gSystem();  // the clock stands at 2026-03-15 10:30
  EXPECT_EQ(S(sys.ShortDate()), "3/15/2026");
  EXPECT_EQ(S(sys.CurrDateShort()), "3/15/2026");
  EXPECT_EQ(S(sys.LongDate()), "Sunday, March 15, 2026");
  EXPECT_EQ(S(sys.CurrTimeAMPM()), "10:30:00 AM");
  EXPECT_EQ(S(sys.CurrDateTimeShort()), "3/15/2026 @ 10:30:00 AM");
  EXPECT_EQ(S(sys.CurrDateTimeLong()), "Sunday, March 15, 2026 @ 10:30 AM");
  EXPECT_EQ(S(sys.NeutralShortDate()), "Mar-15-26");
  rt::SetClock([] { return QDateTime(QDate(2030, 7, 4), QTime(21, 5, 9)); });
  EXPECT_EQ(S(sys.CurrTimeAMPM()), "9:05:09 PM");
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  EXPECT_EQ(S(sys.ShortDate()), "04.07.2030");
  EXPECT_EQ(S(sys.LongDate()), "Donnerstag, 4. Juli 2030");
}

TEST(clsSystemDatesTest, MonthLengthsAndLeapYears) {
  const struct { int16_t month, year, days; } cases[] = {
      {1, 2026, 31}, {2, 1900, 28}, {2, 2000, 29}, {2, 2004, 29}, {2, 2026, 28}, {4, 2026, 30},
      {12, 2026, 31}, {13, 2026, 30}, {0, 2026, 30}, {-1, 2026, 30},
  };
  for (const auto& c : cases) EXPECT_EQ(gSystem().GetNumDaysInMonth(c.month, c.year), c.days) << c.month << "/" << c.year;
  EXPECT_TRUE(gSystem().IsLeapYear(2400));
  EXPECT_FALSE(gSystem().IsLeapYear(2100));
}

struct RangeCase {
  int y, m, d;
  int32_t code;
  const char* begin;
  const char* end;
};

TEST(clsSystemDatesTest, MakeDateRange) {
  const RangeCase cases[] = {
      {2026, 3, 15, 1, "3/1/2026", "3/31/2026"},
      {2026, 3, 15, 2, "1/1/2026", "12/31/2026"},
      {2026, 3, 15, 11, "2/1/2026", "2/28/2026"},
      {2026, 3, 15, 12, "1/1/2025", "12/31/2025"},
      {2026, 1, 10, 11, "12/1/2025", "12/31/2025"},
      {2024, 3, 1, 11, "2/1/2024", "2/29/2024"},
      {2030, 1, 31, 1, "1/1/2030", "1/31/2030"},
  };
  for (const auto& c : cases) {
    SetToday(c.y, c.m, c.d);
    QString begin, end;
    EXPECT_TRUE(gSystem().MakeDateRange(c.code, begin, end));
    EXPECT_EQ(S(begin), c.begin) << c.code;
    EXPECT_EQ(S(end), c.end) << c.code;
  }
  SetToday(2026, 1, 10);
  for (int32_t code : {0, 3, 5, 10, 13, 100}) {
    QString begin = QStringLiteral("x"), end = QStringLiteral("y");
    EXPECT_FALSE(gSystem().MakeDateRange(code, begin, end)) << code;
    EXPECT_EQ(S(begin), "1/10/2026 @ 10:30:00 AM");
    EXPECT_EQ(begin, end);
  }
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  QString begin, end;
  EXPECT_TRUE(gSystem().MakeDateRange(11, begin, end));
  EXPECT_EQ(S(begin), "01.12.2025");
  EXPECT_EQ(S(end), "31.12.2025");
}

}  // namespace
