#include "platform/runtime/Currency.h"

#include <gtest/gtest.h>

#include <QVariant>
#include <limits>

#include "platform/runtime/Error.h"
#include "tests/platform/runtime/ErrorNumber.h"
#include "tests/support/TestEnv.h"

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using rt::Currency;

using testrt::ErrorNumber;

TEST(CurrencyTest, FromDoubleRoundsTheFourthDecimalHalfToEven) {
  const std::pair<double, int64_t> cases[] = {
      {1.23455, 12346},  {1.23445, 12344}, {-1.23455, -12346}, {0.00005, 0},
      {0.00015, 2},      {2.5, 25000},     {1.005, 10050},     {0.1 + 0.2, 3000},
      {123456789.1234, 1234567891234},
  };
  for (const auto& [v, raw] : cases) EXPECT_EQ(Currency::FromDouble(v).Raw(), raw) << v;
}

TEST(CurrencyTest, ArithmeticIsExact) {
  const Currency a = Currency::FromCText(QStringLiteral("0.1"));
  const Currency b = Currency::FromCText(QStringLiteral("0.2"));
  EXPECT_EQ(a + b, Currency::FromCText(QStringLiteral("0.3")));
  EXPECT_EQ((b - a).Raw(), 1000);
  EXPECT_EQ((Currency(3) * Currency::FromDouble(2.5)).Raw(), 75000);
  // 0.0001 * 0.5 = 0.00005 rounds to even (0); 0.0003 * 0.5 = 0.00015 rounds to 0.0002.
  EXPECT_EQ((Currency::FromRaw(1) * Currency::FromDouble(0.5)).Raw(), 0);
  EXPECT_EQ((Currency::FromRaw(3) * Currency::FromDouble(0.5)).Raw(), 2);
  EXPECT_EQ((Currency(10) / Currency(3)).Raw(), 33333);
  EXPECT_EQ((Currency(-2) / Currency(3)).Raw(), -6667);
  // A product beyond 64 bits before rescaling still works.
  const Currency big = Currency::FromCText(QStringLiteral("900000000000"));
  EXPECT_EQ((big * Currency::FromDouble(0.001)).Raw(), 9000000000 * 10000 / 10);
  EXPECT_LT(Currency(1), Currency(2));
  EXPECT_EQ(Currency(7).ToDouble(), 7.0);
}

// A product of amounts rounds half to even at the fourth decimal, in 64 bits or beyond.
TEST(CurrencyTest, ProductToDoubleRoundsTheFourthDecimalHalfToEven) {
  const int64_t max = std::numeric_limits<int64_t>::max();
  const struct {
    int64_t a, b;
    double product;
  } cases[] = {
      {1, 5000, 0.0},                                        // 0.0001 * 0.5
      {3, 5000, 0.0002},                                     // 0.0003 * 0.5
      {-3, 5000, -0.0002},
      {25000, 12345, 3.0862},                                // 2.5 * 1.2345 = 3.08625
      {-25000, 12345, -3.0862},
      {25000, 12347, 3.0868},                                // 3.08675
      {3037000499, 3037000499, 922337203092625.0 / 10000},  // the widest that fits 64 bits
      {max, 10000, static_cast<double>(max) / 10000},        // beyond 64 bits before rescaling
      {max, 20000, 18446744073709551614.0 / 10000},
      {int64_t{1} << 62, 3, 1383505805528216.0 / 10000},
      {std::numeric_limits<int64_t>::min(), 1, -922337203685478.0 / 10000},
      {std::numeric_limits<int64_t>::min(), -1, 922337203685478.0 / 10000},
  };
  for (const auto& c : cases)
    EXPECT_EQ(rt::ProductToDouble(Currency::FromRaw(c.a), Currency::FromRaw(c.b)), c.product) << c.a << " * " << c.b;
}

TEST(CurrencyTest, OverflowAndDivisionByZeroRaise) {
  const Currency max = Currency::FromRaw(std::numeric_limits<int64_t>::max());
  const Currency min = Currency::FromRaw(std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ErrorNumber([&] { (void)(max + Currency::FromRaw(1)); }), rt::kErrOverflow);
  EXPECT_EQ(ErrorNumber([&] { (void)(min - Currency::FromRaw(1)); }), rt::kErrOverflow);
  EXPECT_EQ(ErrorNumber([&] { (void)-min; }), rt::kErrOverflow);
  EXPECT_EQ(ErrorNumber([&] { (void)(max * Currency(2)); }), rt::kErrOverflow);
  EXPECT_EQ(ErrorNumber([&] { (void)(Currency(1) / Currency()); }), rt::kErrDivByZero);
  EXPECT_EQ(ErrorNumber([] { (void)Currency::FromDouble(1e15); }), rt::kErrOverflow);
  EXPECT_EQ(ErrorNumber([] { (void)Currency::FromDouble(std::numeric_limits<double>::infinity()); }),
            rt::kErrOverflow);
  EXPECT_EQ(ErrorNumber([] { (void)Currency(std::numeric_limits<int64_t>::max() / 1000); }),
            rt::kErrOverflow);
  EXPECT_EQ(rt::CCur(QStringLiteral("-922,337,203,685,477.5808")), min);
  EXPECT_EQ(rt::CCur(QStringLiteral("922337203685477.5807")), max);
  EXPECT_EQ(ErrorNumber([] { rt::CCur(QStringLiteral("922337203685477.5808")); }), rt::kErrOverflow);
}

TEST(CurrencyTest, TextReadsInTheUserLocale) {
  struct Case { const char* locale; const char* text; int64_t raw; };
  const Case cases[] = {
      {"en_US", "$1,234.56", 12345600}, {"en_US", "(2.00005)", -20000},
      {"en_US", "2.00015", 20002},      {"de_DE", "1.234,56 €", 12345600},
      {"de_DE", "-0,5", -5000},         {"C", "12.5", 125000},
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale loc(QString::fromLatin1(c.locale));
    EXPECT_EQ(rt::CCur(QString::fromUtf8(c.text)).Raw(), c.raw) << c.locale << " " << c.text;
  }
  EXPECT_EQ(ErrorNumber([] { rt::CCur(QStringLiteral("abc")); }), rt::kErrTypeMismatch);
}

TEST(CurrencyTest, ToStringDropsTrailingZeros) {
  EXPECT_EQ(Currency::FromDouble(12.5).ToString(), QStringLiteral("12.5"));
  EXPECT_EQ(Currency(-3).ToString(), QStringLiteral("-3"));
  EXPECT_EQ(Currency::FromRaw(std::numeric_limits<int64_t>::min()).ToString(),
            QStringLiteral("-922337203685477.5808"));
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  EXPECT_EQ(Currency::FromRaw(1).ToString(), QStringLiteral("0,0001"));
  EXPECT_EQ(QVariant::fromValue(Currency(2)).value<Currency>(), Currency(2));
}

}  // namespace
