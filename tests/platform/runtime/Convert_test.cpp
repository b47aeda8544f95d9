#include "platform/runtime/Convert.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/runtime/Error.h"
#include "platform/runtime/LocaleInfo.h"
#include "tests/platform/runtime/ErrorNumber.h"
#include "tests/support/TestEnv.h"

namespace {

struct NumericCase {
  const char* locale;
  const char* text;
  std::optional<double> value;
};

TEST(ConvertTest, ParseNumericFollowsTheLocale) {
  const NumericCase cases[] = {
      {"en_US", "  12  ", 12},         {"en_US", "1,234.5", 1234.5},
      {"en_US", "-1,234.5", -1234.5},  {"en_US", "1234.5-", -1234.5},
      {"en_US", "+7", 7},              {"en_US", "(12.5)", -12.5},
      {"en_US", "$1,000", 1000},       {"en_US", "1,000$", 1000},
      {"en_US", "-$5", -5},            {"en_US", "1.5E3", 1500},
      {"en_US", "2d-1", 0.2},          {"en_US", "&HFF", 255},
      {"en_US", "&O17", 15},           {"en_US", "&HFFFFFFFF", -1},
      {"en_US", ".5", 0.5},            {"en_US", "5.", 5},
      {"en_US", "", std::nullopt},     {"en_US", "   ", std::nullopt},
      {"en_US", "abc", std::nullopt},  {"en_US", "1.2.3", std::nullopt},
      {"en_US", "12abc", std::nullopt}, {"en_US", "--5", std::nullopt},
      {"en_US", "1E", std::nullopt},   {"en_US", "&H", std::nullopt},
      {"en_US", "&HG1", std::nullopt}, {"en_US", "$", std::nullopt},
      {"en_US", ",5", std::nullopt},   {"en_US", "1e999", std::nullopt},
      {"de_DE", "1.234,5", 1234.5},    {"de_DE", "1,5", 1.5},
      {"de_DE", "1.5", 15},            {"de_DE", "-3,25 €", -3.25},
      {"de_DE", "€3", 3},              {"de_DE", "$3", std::nullopt},
      {"C", "1234.5", 1234.5},         {"C", "-0.25", -0.25},
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale loc(QString::fromLatin1(c.locale));
    const auto got = rt::ParseNumeric(QString::fromUtf8(c.text));
    SCOPED_TRACE(std::string(c.locale) + " '" + c.text + "'");
    ASSERT_EQ(got.has_value(), c.value.has_value());
    EXPECT_EQ(rt::IsNumeric(QString::fromUtf8(c.text)), c.value.has_value());
    if (c.value) {
      EXPECT_DOUBLE_EQ(*got, *c.value);
    }
  }
}

TEST(ConvertTest, NumericCTextKeepsEveryDigit) {
  EXPECT_EQ(rt::NumericCText(QStringLiteral("922,337,203,685,477.5807")).value(),
            QStringLiteral("922337203685477.5807"));
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  EXPECT_EQ(rt::NumericCText(QStringLiteral("(1.234,50)")).value(), QStringLiteral("-1234.50"));
}

TEST(ConvertTest, StrictNumericCTextTakesSeparatorsOnlyWhereTheyGroup) {
  const struct {
    const char* locale;
    const char* text;
    const char* ctext;  // nullptr: no number
  } cases[] = {
      {"en_US", "1,500", "1500"},         {"en_US", "12,345,678.5", "12345678.5"},
      {"en_US", "$1,000", "1000"},        {"en_US", "-1,000", "-1000"},
      {"en_US", "1500", "1500"},          {"en_US", "1,5", nullptr},
      {"en_US", "1,5000", nullptr},       {"en_US", "1234,567", nullptr},
      {"en_US", "1,234,56", nullptr},     {"en_US", "1.5", "1.5"},
      {"de_DE", "1.500", "1500"},         {"de_DE", "1.5", nullptr},
      {"de_DE", "1,5", "1.5"},            {"de_DE", "1.234.567,25", "1234567.25"},
      {"fr_FR", "1 500,5", "1500.5"},     {"fr_FR", "1 5", nullptr},
      {"C", "1234.5", "1234.5"},
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale loc(QString::fromLatin1(c.locale));
    const auto got = rt::StrictNumericCText(QString::fromLatin1(c.text), rt::LocaleInfo::Current());
    SCOPED_TRACE(std::string(c.locale) + " '" + c.text + "'");
    ASSERT_EQ(got.has_value(), c.ctext != nullptr);
    if (got) {
      EXPECT_EQ(*got, QLatin1String(c.ctext));
    }
  }
}

// Stored text reads the same under every user's settings: "." as decimal point, no
// grouping, no currency symbol.
TEST(ConvertTest, ParseStoredIgnoresTheLocale) {
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"1234.5", 1234.5}, {" -0.25 ", -0.25},    {"+7", 7},
      {"1.5E3", 1500},    {"&HFF", 255},         {"(2)", -2},
      {"1,5", std::nullopt}, {"1,234.5", std::nullopt}, {"1 500", std::nullopt},
      {"$5", std::nullopt},  {"5 €", std::nullopt},      {"", std::nullopt},
  };
  for (const char* locale : {"en_US", "de_DE", "fr_FR"}) {
    testenv::ScopedLocale loc{QLatin1String(locale)};
    for (const auto& [text, value] : cases) {
      SCOPED_TRACE(std::string(locale) + " '" + text + "'");
      const auto got = rt::ParseStored(QString::fromUtf8(text));
      ASSERT_EQ(got.has_value(), value.has_value());
      if (value) {
        EXPECT_DOUBLE_EQ(*got, *value);
        EXPECT_EQ(rt::CLngStored(QString::fromUtf8(text)), rt::CLng(*value));
      } else {
        EXPECT_EQ(testrt::ErrorNumber([&] { rt::CLngStored(QString::fromUtf8(text)); }), rt::kErrTypeMismatch);
      }
    }
  }
}

TEST(ConvertTest, ValReadsTheLeadingNumberWithAPoint) {
  const std::pair<const char*, double> cases[] = {
      {"123abc", 123},   {"  1 2 3", 123}, {"1,234", 1},     {"-4.5x", -4.5},
      {"\t\n7", 7},      {"abc", 0},       {"", 0},          {"1.5e2", 150},
      {"1.5e", 1.5},     {"&HFF", 255},    {"&HFFFF", -1},   {"&H10000", 65536},
      {"&O10", 8},       {".5", 0.5},      {"1.2.3", 1.2},   {"+3", 3},
  };
  for (const auto& [text, want] : cases) EXPECT_DOUBLE_EQ(rt::Val(QString::fromLatin1(text)), want) << text;
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  EXPECT_DOUBLE_EQ(rt::Val(QStringLiteral("1,5")), 1);
  EXPECT_DOUBLE_EQ(rt::Val(QStringLiteral("1.5")), 1.5);
}

TEST(ConvertTest, RoundingConversionsRoundHalvesToEven) {
  const std::pair<double, int32_t> cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3},
  };
  for (const auto& [v, want] : cases) {
    EXPECT_EQ(rt::CLng(v), want) << v;
    EXPECT_EQ(rt::CInt(v), want) << v;
    EXPECT_EQ(rt::RoundHalfEven(v), want) << v;
  }
}

TEST(ConvertTest, RangeChecksRaiseOverflow) {
  EXPECT_EQ(rt::CInt(32767.4), 32767);
  EXPECT_EQ(rt::CInt(-32768.5), -32768);
  EXPECT_EQ(testrt::ErrorNumber([] { rt::CInt(32767.5); }), rt::kErrOverflow);
  EXPECT_EQ(testrt::ErrorNumber([] { rt::CInt(-32768.6); }), rt::kErrOverflow);
  EXPECT_EQ(rt::CLng(2147483647.4), 2147483647);
  EXPECT_EQ(testrt::ErrorNumber([] { rt::CLng(2147483647.5); }), rt::kErrOverflow);
  EXPECT_EQ(testrt::ErrorNumber([] { rt::CLng(std::nan("")); }), rt::kErrOverflow);
  EXPECT_EQ(testrt::ErrorNumber([] { rt::CLng(QStringLiteral("x")); }), rt::kErrTypeMismatch);
  EXPECT_EQ(testrt::ErrorNumber([] { rt::CDbl(QString()); }), rt::kErrTypeMismatch);
  EXPECT_EQ(rt::CLng(QStringLiteral("1,234.5")), 1234);
  EXPECT_EQ(rt::CInt(QStringLiteral(" 2.5 ")), 2);
}

TEST(ConvertTest, TextOfNumbers) {
  EXPECT_EQ(rt::CStr(1.5), QStringLiteral("1.5"));
  EXPECT_EQ(rt::CStr(0.1 + 0.2), QStringLiteral("0.3"));
  EXPECT_EQ(rt::CStr(-12.0), QStringLiteral("-12"));
  EXPECT_EQ(rt::CStr(1e20), QStringLiteral("1E+20"));
  EXPECT_EQ(rt::Str(7.25), QStringLiteral(" 7.25"));
  EXPECT_EQ(rt::Str(-7.25), QStringLiteral("-7.25"));
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  EXPECT_EQ(rt::CStr(1.5), QStringLiteral("1,5"));
  EXPECT_EQ(rt::Str(1.5), QStringLiteral(" 1.5"));
}

}  // namespace
