// Key and FOR expressions: the subset the templates use, matched without regard to
// case and spaces.
#include "platform/xbase/Expression.h"
#include "platform/xbase/Number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/platform/xbase/DecimalCommas.h"

namespace {

using xb::Expression;

std::vector<xb::FieldDef> Fields() {
  std::vector<xb::FieldDef> f = {
      {"CODE", 'C', 6, 0, 0}, {"QTY", 'N', 8, 2, 0}, {"WHEN", 'D', 8, 0, 0}, {"OK", 'L', 1, 0, 0}, {"TXT", 'C', 8, 0, 0}, {"NOTE", 'M', 10, 0, 0},
  };
  uint32_t off = 1;
  for (auto& x : f) {
    x.offset = off;
    off += x.len;
  }
  return f;
}

// delete flag, CODE, QTY, WHEN, OK, TXT, NOTE
const std::string kRecord = std::string(" ") + "abc\xe9" "  " + "  -12.50" + "20240229" + "T" + "20231231" + "          ";
const std::string kDeleted = "*" + kRecord.substr(1);

TEST(ExpressionTest, CharacterExpressionsEvaluate) {
  struct Case {
    const char* text;
    std::string value;
    size_t length;
  } cases[] = {
      {"CODE", "abc\xe9" "  ", 6},
      {"upper( code )", "ABC\xc9" "  ", 6},
      {"UPPER(CODE)", "ABC\xc9" "  ", 6},
      {"DTOS(WHEN)", "20240229", 8},
      {"dtos( txt )", "20231231", 8},
      {"STR(QTY)", "       -13", 10},
      {"STR( QTY , 8 , 2 )", "  -12.50", 8},
      {"STR(QTY,2)", "**", 2},
      {"CODE+DTOS(WHEN)", "abc\xe9" "  20240229", 14},
      {"STR(QTY,5)+UPPER(CODE) + 'x'", "  -13ABC\xc9" "  x", 12},
      {"OK", "T", 1},
      {"(CODE)", "abc\xe9" "  ", 6},
  };
  for (const Case& c : cases) {
    xb::Status s;
    auto e = Expression::Compile(c.text, Fields(), &s);
    ASSERT_TRUE(e) << c.text << ": " << s.message();
    std::string out;
    e->EvalChar(kRecord.data(), &out);
    EXPECT_EQ(out, c.value) << c.text;
    EXPECT_EQ(e->length(), c.length) << c.text;
  }
}

TEST(ExpressionTest, NumbersDatesAndLogicalsEvaluate) {
  xb::Status s;
  auto qty = Expression::Compile(" qty ", Fields(), &s);
  ASSERT_TRUE(qty);
  EXPECT_EQ(qty->type(), Expression::Type::kNumeric);
  EXPECT_DOUBLE_EQ(qty->EvalNumber(kRecord.data()), -12.5);
  auto sum = Expression::Compile("QTY+QTY", Fields(), &s);
  ASSERT_TRUE(sum);
  EXPECT_DOUBLE_EQ(sum->EvalNumber(kRecord.data()), -25);
  auto when = Expression::Compile("WHEN", Fields(), &s);
  ASSERT_TRUE(when);
  EXPECT_EQ(when->type(), Expression::Type::kDate);
  EXPECT_DOUBLE_EQ(when->EvalNumber(kRecord.data()), 2460370);  // the day number of 2024-02-29
  struct Case {
    const char* text;
    bool live, deleted;
  } cases[] = {{"!Deleted()", true, false}, {"DELETED()", false, true}, {".NOT. deleted( )", true, false},
               {"!!DELETED()", false, true}, {"OK", true, true}};
  for (const Case& c : cases) {
    auto e = Expression::Compile(c.text, Fields(), &s);
    ASSERT_TRUE(e) << c.text << ": " << s.message();
    EXPECT_EQ(e->type(), Expression::Type::kLogical);
    EXPECT_EQ(e->EvalBool(kRecord.data()), c.live) << c.text;
    EXPECT_EQ(e->EvalBool(kDeleted.data()), c.deleted) << c.text;
  }
}

TEST(ExpressionTest, TextsOutsideTheSubsetDoNotCompile) {
  const char* cases[] = {"",          "NOPE",       "UPPER(QTY)",  "STR(CODE)",   "CODE+QTY",   "LOWER(CODE)",
                         "UPPER(CODE", "CODE CODE",  "!CODE",       "NOTE",        "DTOS(QTY)",  "'open",
                         "STR(QTY,)",  "STR(QTY,2,2)", "CODE+",    "DELETED(1)",
                         "STR(QTY,999)"};
  for (const char* text : cases) {
    xb::Status s;
    EXPECT_EQ(Expression::Compile(text, Fields(), &s), nullptr) << text;
    EXPECT_FALSE(s.ok()) << text;
  }
}

TEST(ExpressionTest, HugeOrDeeplyNestedTextsAreRefused) {
  std::string deep(100000, '(');
  std::string nots(100000, '!');
  std::string chain = "CODE";
  for (int i = 0; i < 50000; ++i) chain += "+CODE";
  std::string nested = "UPPER(CODE)";
  for (int i = 0; i < 20; ++i) nested = "(" + nested + ")";
  for (const std::string& text : {deep, nots + "OK", chain}) {
    xb::Status s;
    EXPECT_EQ(Expression::Compile(text, Fields(), &s), nullptr);
    EXPECT_FALSE(s.ok());
  }
  xb::Status s;
  EXPECT_NE(Expression::Compile(nested, Fields(), &s), nullptr) << "reasonable nesting still compiles";
}

// A number field of `dec` decimals reads a comma in its point's place (as a writer in a
// locale with a decimal comma left it) as the point; any other comma ends the number.
TEST(ExpressionTest, NumberTextsParseLikeTheStoredForm) {
  struct Case {
    const char* text;
    double value;
    unsigned dec = 0;
  } cases[] = {{"", 0},          {"     ", 0},  {"  12", 12},          {"-49.8750", -49.875},   {"  1.5  ", 1.5},
               {"+3", 3},        {"12ab", 12},   {"0.0001", 0.0001},    {"123456789012345678", 123456789012345678.0},
               {"1e3", 1000},    {"-", 0},       {"0.30000000000000004", 0.30000000000000004},
               {".5e1", 5},      {"1e999", HUGE_VAL}, {"-1e999", -HUGE_VAL}, {"1e-999", 0},
               {"1234567890123456,5", 1234567890123456},
               {"   12,4000", 12.4, 4}, {"  -12,4000", -12.4, 4}, {"1513,3100", 1513.31, 4}, {"   -0,5000", -0.5, 4},
               {"12345678901234567,8", 12345678901234567.8, 1}, {"   12,4000", 12, 0}, {"   12,4000", 12, 3},
               {"  1,234.50", 1, 2}, {"  1,234,50", 1, 2}, {"  1,234567", 1, 4}, {"     ,4000", 0, 4},
               {"  +1,5000", 1, 4}, {"12,4000   ", 12, 4}, {"  12,40x0", 12, 4}, {"1 2,4000", 1, 4}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(xb::ParseNumber(c.text, std::char_traits<char>::length(c.text), c.dec), c.value)
        << c.text << " " << c.dec;
  }
  EXPECT_EQ(xb::ParseNumber("0.1", 3), 0.1) << "exactly the nearest double";
  EXPECT_EQ(xb::DateDayNumber("        "), 0);
  EXPECT_EQ(xb::DateDayNumber("20241301"), 0);
  EXPECT_EQ(xb::DateDayNumber("20000101") + 1, xb::DateDayNumber("20000102"));
}

// Numbers are written as the C locale's printf writes them, digit for digit and
// rounded alike (half to even on the binary value), whatever the process's locale.
TEST(ExpressionTest, NumberTextsAreWhatTheCLocalesPrintfWrites) {
  if (!testenv::ProcessLocale::AllInstalled()) GTEST_SKIP() << "de_DE.UTF-8 or fr_FR.UTF-8 is not installed";
  std::vector<double> values = {0.125, 0.375, 2.5,   3.5,    -2.5,   0.5,     -0.5,     -0.0,    0.0,     1e15,
                                1e16,  1e22,  1e300, -1e300, 1e-300, 0.00005, 0.00015,  1.005,   2.675,   12.4,
                                1513.31, 925.0912, 0.1 + 0.2, 9007199254740993.0, 123456789012.3456, 4.35,
                                1.7976931348623157e308, 5e-324, 999999999999999.95};
  std::mt19937_64 random(55);
  for (int i = 0; i < 2000; ++i) {
    values.push_back(static_cast<double>(static_cast<int64_t>(random() % 2000000001) - 1000000000) /
                     std::pow(10.0, static_cast<int>(random() % 7)));
  }
  for (int i = 0; i < 500; ++i) {
    uint64_t bits = random();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) values.push_back(v);
  }
  struct Printed {
    std::string fixed[6], general;
  };
  std::vector<Printed> expected(values.size());
  const int decs[6] = {0, 1, 2, 4, 10, 20};
  {
    const testenv::ProcessLocale c("C");
    std::vector<char> buf(400);
    for (size_t i = 0; i < values.size(); ++i) {
      for (int k = 0; k < 6; ++k) {
        const int n = std::snprintf(buf.data(), buf.size(), "%.*f", decs[k], values[i]);
        expected[i].fixed[k] = n > 0 && n < static_cast<int>(buf.size()) ? std::string(buf.data(), n) : "";
      }
      expected[i].general.assign(buf.data(), std::snprintf(buf.data(), buf.size(), "%.15g", values[i]));
    }
  }
  for (const char* locale : testenv::kProcessLocales) {
    const testenv::ProcessLocale l(locale);
    char buf[400];
    for (size_t i = 0; i < values.size(); ++i) {
      for (int k = 0; k < 6; ++k) {
        const int n = xb::FixedText(values[i], decs[k], buf, sizeof buf);
        EXPECT_EQ(n < 0 ? std::string() : std::string(buf, n), expected[i].fixed[k]) << locale << " " << decs[k];
      }
      const int n = xb::GeneralText(values[i], 15, buf, sizeof buf);
      EXPECT_EQ(std::string(buf, n), expected[i].general) << locale;
    }
  }
}

}  // namespace
