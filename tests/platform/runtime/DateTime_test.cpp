#include "platform/runtime/DateTime.h"

#include <gtest/gtest.h>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Error.h"
#include "tests/platform/runtime/ErrorNumber.h"
#include "tests/support/TestEnv.h"

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

TEST(DateTimeTest, NamedPatternsHaveFourDigitYears) {
  EXPECT_EQ(rt::ShortDatePattern(), QStringLiteral("M/d/yyyy"));
  EXPECT_EQ(rt::LongDatePattern(), QStringLiteral("dddd, MMMM d, yyyy"));
  EXPECT_EQ(rt::DateSeparator(), QStringLiteral("/"));
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  EXPECT_EQ(rt::ShortDatePattern(), QStringLiteral("dd.MM.yyyy"));
  EXPECT_EQ(rt::LongDatePattern(), QStringLiteral("dddd, d. MMMM yyyy"));
  EXPECT_EQ(rt::DateSeparator(), QStringLiteral("."));
}

struct ParseCase {
  const char* locale;
  const char* text;
  QDateTime want;  // invalid: not a date or time; on ZeroDate(): a time alone
};

TEST(DateTimeTest, ParsesTheUsersFormats) {
  const QDate d(2026, 3, 15);
  const QDateTime midnight(d, QTime(0, 0));
  const ParseCase cases[] = {
      {"en_US", "3/15/2026", midnight},
      {"en_US", " 03/15/2026 ", midnight},
      {"en_US", "3-15-2026", midnight},
      {"en_US", "2026-03-15", midnight},
      {"en_US", "Sunday, March 15, 2026", midnight},
      {"en_US", "March 15, 2026", midnight},
      {"en_US", "15 Mar 2026", midnight},
      {"en_US", "3/15/2026 2:05 PM", QDateTime(d, QTime(14, 5))},
      {"en_US", "3/15/2026 12:00:01 AM", QDateTime(d, QTime(0, 0, 1))},
      {"en_US", "2026-03-15 23:59:59", QDateTime(d, QTime(23, 59, 59))},
      {"en_US", "10:30:15", QDateTime(rt::ZeroDate(), QTime(10, 30, 15))},
      {"en_US", "7 pm", QDateTime(rt::ZeroDate(), QTime(19, 0))},
      {"en_US", "12:30 PM", QDateTime(rt::ZeroDate(), QTime(12, 30))},
      {"en_US", "10:30", QDateTime(rt::ZeroDate(), QTime(10, 30))},
      {"en_US", "1/1/2030", QDateTime(QDate(2030, 1, 1), QTime(0, 0))},
      {"en_US", "3/15/26", {}},      // two-digit years are refused
      {"en_US", "15/3/2026", {}},
      {"en_US", "2/30/2026", {}},
      {"en_US", "3/15", {}},
      {"en_US", "2/31/2026", {}},
      {"en_US", "March 2026", {}},
      {"en_US", "3/15/2026 10", {}},
      {"en_US", "15 10:30", {}},
      {"en_US", "", {}},
      {"en_US", "hello", {}},
      {"en_US", "25:00", {}},
      {"en_US", "13:00 PM", {}},
      {"en_US", "10", {}},
      {"en_US", "3/15/2026 x", {}},
      // Years the views show (four digits, 0100 to 9999) and no others.
      {"en_US", "1/2/0026", {}},
      {"en_US", "0026-01-02", {}},
      {"en_US", "January 2, 0026", {}},
      {"en_US", "1/2/0026 10:30", {}},
      {"en_US", "12/31/0099", {}},
      {"en_US", "1/1/0100", QDateTime(QDate(100, 1, 1), QTime(0, 0))},
      {"en_US", "12/31/9999", QDateTime(QDate(9999, 12, 31), QTime(0, 0))},
      {"de_DE", "15.03.2026", midnight},
      {"de_DE", "15.3.2026", midnight},
      {"de_DE", "2026-03-15", midnight},
      {"de_DE", "Sonntag, 15. März 2026", midnight},
      {"de_DE", "15.03.2026 14:05", QDateTime(d, QTime(14, 5))},
      {"de_DE", "3/15/2026", {}},
      {"de_DE", "15.03.26", {}},
      {"de_DE", "31.02.2026", {}},
      {"de_DE", "02.01.0026", {}},
      {"de_DE", "10:30", QDateTime(rt::ZeroDate(), QTime(10, 30))},
      {"C", "2026-03-15", midnight},
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale loc(QString::fromLatin1(c.locale));
    const QString text = QString::fromUtf8(c.text);
    const auto got = rt::ParseDateTime(text);
    SCOPED_TRACE(std::string(c.locale) + " '" + c.text + "'");
    // A date check wants a day, month and year: a time alone is not a date.
    const bool isDate = c.want.isValid() && c.want.date() != rt::ZeroDate();
    EXPECT_EQ(rt::IsDate(text), isDate);
    EXPECT_EQ(rt::ParseDate(text), isDate ? std::optional<QDate>(c.want.date()) : std::nullopt);
    ASSERT_EQ(got.has_value(), c.want.isValid());
    if (got) {
      EXPECT_EQ(*got, c.want);
    }
  }
}

TEST(DateTimeTest, CDateRaisesTypeMismatch) {
  EXPECT_EQ(testrt::ErrorNumber([] { rt::CDate(QStringLiteral("not a date")); }), rt::kErrTypeMismatch);
  EXPECT_EQ(rt::CDate(QStringLiteral("1/2/2025")).date(), QDate(2025, 1, 2));
}

TEST(DateTimeTest, DateSerialCarries) {
  const struct { int y, m, d; QDate want; } cases[] = {
      {2026, 3, 15, QDate(2026, 3, 15)}, {2026, 13, 1, QDate(2027, 1, 1)},
      {2026, 1, 32, QDate(2026, 2, 1)},  {2026, 3, 0, QDate(2026, 2, 28)},
      {2026, 0, 1, QDate(2025, 12, 1)},  {2024, 2, 30, QDate(2024, 3, 1)},
      {2026, -1, 1, QDate(2025, 11, 1)}, {2030, 1, 1, QDate(2030, 1, 1)},
      {2026, 25, 1, QDate(2028, 1, 1)},  {0, 1, 1, QDate()},
      {9999, 12, 32, QDate()},
  };
  for (const auto& c : cases) EXPECT_EQ(rt::DateSerial(c.y, c.m, c.d), c.want) << c.y << "-" << c.m << "-" << c.d;
}

TEST(DateTimeTest, FromSerialCountsFromTheZeroDate) {
  EXPECT_EQ(rt::FromSerial(0), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
  EXPECT_EQ(rt::FromSerial(46096.5), QDateTime(QDate(2026, 3, 15), QTime(12, 0)));
  EXPECT_FALSE(rt::FromSerial(1e300).isValid());
}

}  // namespace

// The system clock: local time in whole seconds, between the moments read around it.
TEST(ClockTest, SystemClockGivesLocalTimeInWholeSeconds) {
  rt::SetClock({});
  const qint64 before = QDateTime::currentSecsSinceEpoch();
  const QDateTime now = rt::Now();
  const QDateTime again = rt::Now();  // mostly within the same second: the kept conversion
  const qint64 after = QDateTime::currentSecsSinceEpoch();
  rt::SetClock([] { return testenv::FixedNow(); });
  EXPECT_EQ(now.timeSpec(), Qt::LocalTime);
  EXPECT_EQ(now.time().msec(), 0);
  EXPECT_GE(now.toSecsSinceEpoch(), before);
  EXPECT_LE(again.toSecsSinceEpoch(), after);
  EXPECT_GE(again, now);
  EXPECT_EQ(again.timeSpec(), Qt::LocalTime);
  EXPECT_EQ(rt::Now(), testenv::FixedNow());
}
