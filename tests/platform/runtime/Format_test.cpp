#include "platform/runtime/Format.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include "platform/runtime/Currency.h"
#include "tests/support/TestEnv.h"

namespace {

struct Case {
  const char* locale;
  QVariant value;
  const char* pattern;
  const char* want;
};

void Check(const Case& c) {
  testenv::ScopedLocale loc(QString::fromLatin1(c.locale));
  const QString got = rt::Format(c.value, QString::fromUtf8(c.pattern));
  EXPECT_EQ(got.toStdString(), c.want)
      << c.locale << " " << c.value.toString().toStdString() << " '" << c.pattern << "'";
}

TEST(FormatTest, NumberPatterns) {
  const Case cases[] = {
      {"en_US", 1234567, "##,##0", "1,234,567"},
      {"en_US", 0, "##,##0", "0"},
      {"en_US", 12, "##,##0", "12"},
      {"en_US", -1234, "##,##0", "-1,234"},
      {"en_US", 1234.5, "##,##0.00", "1,234.50"},
      {"en_US", 0.125, "##,##0.00", "0.13"},        // half away from zero
      {"en_US", -0.125, "##,##0.00", "-0.13"},
      {"en_US", 1.005, "0.00", "1.01"},             // the decimal value, not the binary one
      {"en_US", 2.5, "0", "3"},
      {"en_US", -2.5, "0", "-3"},
      {"en_US", -0.001, "0.00", "0.00"},            // no sign on a value that rounds to 0
      {"en_US", 0, "#,###", ""},
      {"en_US", 1234567, "#,###", "1,234,567"},
      {"en_US", 999.6, "#,###,###", "1,000"},
      {"en_US", 0.5, "#.##", ".5"},
      {"en_US", 1, "#.##", "1."},
      {"en_US", 1.2, "0.0#", "1.2"},
      {"en_US", 1.234, "0.0#", "1.23"},
      {"en_US", 7, "000", "007"},
      {"en_US", 12345, "0", "12345"},
      {"en_US", 5, "$#,##0.00", "$5.00"},
      {"en_US", -5, "$#,##0.00", "-$5.00"},
      {"en_US", 3, "0 \"units\"", "3 units"},
      {"en_US", 0.256, "0.0%", "25.6%"},
      {"en_US", -3, "0;(0)", "(3)"},
      {"en_US", 0, "0;(0);\"none\"", "none"},
      {"en_US", 4, "0;(0);\"none\"", "4"},
      {"en_US", QString("1234.5"), "##,##0.00", "1,234.50"},
      {"en_US", QString("abc"), "##,##0", "abc"},
      {"en_US", QString("1/1/1900"), "0", "2"},  // a date as its serial
      {"en_US", QVariant::fromValue(rt::Currency::FromRaw(123456789)), "##,##0.0000", "12,345.6789"},
      {"en_US", QVariant::fromValue(rt::Currency::FromRaw(25)), "0.000", "0.003"},
      {"en_US", 1234.5, "Standard", "1,234.50"},
      {"en_US", 1234.5, "Fixed", "1234.50"},
      {"en_US", 1234.5, "General Number", "1234.5"},
      {"en_US", 1234.5, "Currency", "$1,234.50"},
      {"en_US", 1234.5, "", "1234.5"},
      {"en_US", true, "", "True"},
      {"de_DE", 1234567, "##,##0", "1.234.567"},
      {"de_DE", 1234.5, "##,##0.00", "1.234,50"},
      {"de_DE", 1234.5, "Fixed", "1234,50"},
      {"de_DE", QString("1.234,5"), "##,##0.00", "1.234,50"},
      {"de_DE", 1234.5, "", "1234,5"},
      {"de_DE", 1234.5, "Currency", "1.234,50\u00A0€"},
      {"C", 1234567, "##,##0", "1,234,567"},
      {"C", 1234.5, "0.00", "1234.50"},
  };
  for (const auto& c : cases) Check(c);
}

TEST(FormatTest, DatePatterns) {
  const QDateTime morning(QDate(2026, 3, 5), QTime(9, 7, 3));
  const QDateTime evening(QDate(2030, 12, 31), QTime(21, 45, 0));
  const QDate date(2026, 3, 15);
  const Case cases[] = {
      {"en_US", date, "Short Date", "3/15/2026"},
      {"en_US", date, "Long Date", "Sunday, March 15, 2026"},
      {"en_US", QDate(2030, 1, 1), "Short Date", "1/1/2030"},
      {"en_US", date, "YYYYMMDD", "20260315"},
      {"en_US", date, "yyyymmdd", "20260315"},
      {"en_US", date, "MM", "03"},
      {"en_US", date, "DD", "15"},
      {"en_US", date, "YY", "26"},
      {"en_US", date, "MMM-DD-YY", "Mar-15-26"},
      {"en_US", date, "mmmm d, yyyy", "March 15, 2026"},
      {"en_US", date, "ddd dddd", "Sun Sunday"},
      {"en_US", date, "mm/dd/yyyy", "03/15/2026"},
      {"en_US", date, "y q w", "74 1 1"},
      {"en_US", morning, "hh:mm:ss", "09:07:03"},
      {"en_US", evening, "hh:mm:ss", "21:45:00"},
      {"en_US", morning, "h:mm:ss AMPM", "9:07:03 AM"},
      {"en_US", evening, "h:mm AMPM", "9:45 PM"},
      {"en_US", QDateTime(date, QTime(0, 5)), "h:mm AMPM", "12:05 AM"},
      {"en_US", QDateTime(date, QTime(12, 5)), "h:mm am/pm", "12:05 pm"},
      {"en_US", evening, "h:mm A/P", "9:45 P"},
      {"en_US", evening, "yyyy-mm-dd hh:mm:ss AM/PM", "2030-12-31 09:45:00 PM"},
      {"en_US", evening, "hh:nn", "21:45"},
      {"en_US", evening, "Short Time", "21:45"},
      {"en_US", evening, "\"at\" h\\h", "at 21h"},
      {"en_US", QTime(8, 30), "Short Time", "08:30"},
      {"en_US", QString("3/15/2026"), "YYYYMMDD", "20260315"},
      {"en_US", QString("3/15/2026 2:05 PM"), "hh:mm:ss", "14:05:00"},
      {"en_US", QString("junk"), "YYYYMMDD", "junk"},
      {"en_US", 46096, "Short Date", "3/15/2026"},
      {"en_US", QDateTime(date, QTime(0, 0)), "", "3/15/2026"},
      {"en_US", morning, "General Date", "3/5/2026 9:07:03 AM"},
      {"de_DE", date, "Short Date", "15.03.2026"},
      {"de_DE", date, "Long Date", "Sonntag, 15. März 2026"},
      {"de_DE", date, "mm/dd/yyyy", "03.15.2026"},
      {"de_DE", date, "MMM-DD-YY", "März-15-26"},
      {"de_DE", QString("15.03.2026"), "YYYYMMDD", "20260315"},
      {"de_DE", evening, "hh:mm:ss", "21:45:00"},
      {"C", date, "YYYYMMDD", "20260315"},
  };
  for (const auto& c : cases) Check(c);
}

TEST(FormatTest, EmptyValuesGiveEmptyText) {
  EXPECT_EQ(rt::Format(QVariant(), QStringLiteral("##,##0")), QString());
  EXPECT_EQ(rt::Format(QString(), QStringLiteral("YYYYMMDD")), QString());
  EXPECT_EQ(rt::Format(QStringLiteral("text")), QStringLiteral("text"));
}

}  // namespace
