#include "platform/ui/Locale.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include "tests/support/TestEnv.h"

namespace {

// The value through the two-call size-query convention.
QString Query(int type) {
  const ui::LCID lcid = ui::GetUserDefaultLCID();
  const int needed = ui::GetLocaleInfoA(lcid, type, nullptr, 0);
  if (needed <= 0) return QStringLiteral("<none>");
  QByteArray buffer(needed, 'x');
  const int written = ui::GetLocaleInfoA(lcid, type, buffer.data(), needed);
  EXPECT_EQ(written, needed);
  EXPECT_EQ(buffer.at(needed - 1), '\0');
  return QString::fromUtf8(buffer.constData(), written - 1);
}

TEST(Locale, AnswersFromTheDefaultLocale) {
  struct Case {
    const char* locale;
    QString currency;
    QString monThousands;
    QString decimal;
  };
  const Case cases[] = {
      {"en_US", QStringLiteral("$"), QStringLiteral(","), QStringLiteral(".")},
      {"de_DE", QStringLiteral("€"), QStringLiteral("."), QStringLiteral(",")},
      {"C", QString(), QStringLiteral(","), QStringLiteral(".")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    testenv::ScopedLocale locale(QString::fromLatin1(c.locale));
    EXPECT_EQ(Query(ui::LOCALE_SCURRENCY), c.currency);
    EXPECT_EQ(Query(ui::LOCALE_SMONTHOUSANDSEP), c.monThousands);
    EXPECT_EQ(Query(ui::LOCALE_STHOUSAND), c.monThousands);
    EXPECT_EQ(Query(ui::LOCALE_SDECIMAL), c.decimal);
  }
}

TEST(Locale, SizeQueryCountsBytesAndTheNul) {
  testenv::ScopedLocale locale(QStringLiteral("de_DE"));
  // The euro sign is three bytes.
  EXPECT_EQ(ui::GetLocaleInfoA(ui::LOCALE_USER_DEFAULT, ui::LOCALE_SCURRENCY, nullptr, 0), 4);
  char small[3] = {'a', 'b', 'c'};
  EXPECT_EQ(ui::GetLocaleInfoA(ui::LOCALE_USER_DEFAULT, ui::LOCALE_SCURRENCY, small, 3), 0);
  EXPECT_EQ(small[0], 'a');
}

TEST(Locale, RejectsUnknownLocalesAndTypes) {
  char buffer[16];
  EXPECT_EQ(ui::GetLocaleInfoA(0x0409, ui::LOCALE_SCURRENCY, buffer, sizeof buffer), 0);
  EXPECT_EQ(ui::GetLocaleInfoA(ui::LOCALE_USER_DEFAULT, 9999, buffer, sizeof buffer), 0);
  EXPECT_EQ(ui::GetLocaleInfoA(ui::LOCALE_USER_DEFAULT, ui::LOCALE_SCURRENCY, nullptr, 5), 0);
}

}  // namespace
