#include <gtest/gtest.h>

#include <QCheckBox>

#include "platform/runtime/Collection.h"
#include "platform/runtime/Currency.h"
#include "platform/ui/TextSurface.h"
#include "services/clsSystem.h"
#include "tests/support/TestEnv.h"

namespace {

std::string S(const QString& s) { return s.toStdString(); }

// The three-step split every CSV reader of the program uses.
QStringList SplitCsv(const QString& line) {
  clsSystem& sys = gSystem();
  QStringList fields;
  sys.StrParse2Array(sys.StrReplaceChar(line, QStringLiteral(","), sys.CSVDelimiter(), false),
                     fields, sys.CSVDelimiter(), false);
  QStringList out;
  for (qsizetype i = 1; i < fields.size(); ++i) out << sys.CSVField_GetValue(fields[i]);
  return out;
}

TEST(clsSystemTextTest, CsvLinesSplitInThreeSteps) {
  const std::pair<const char*, QStringList> cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {"\"x, y\",2", {"x, y", "2"}},
      {" \" padded \" , 3 ", {" padded ", "3"}},
      {"\"say \"\"hi\"\"\",z", {"say \"hi\"", "z"}},
      {"\"\",b", {"", "b"}},
      {"a,b,", {"a", "b", ""}},
      {"", {""}},
      {",", {"", ""}},
      {"\",x", {"\",x"}},                 // unbalanced quote: the rest is one field
      {"ab\"\"cd,e", {"ab\"\"cd", "e"}},  // doubled quotes in an unquoted field stay
      {"caf\u00e9,\u00fe", {"caf\u00e9", "", ""}},  // a real byte 254 splits too
  };
  for (const auto& [line, want] : cases) {
    SCOPED_TRACE(line);
    EXPECT_EQ(SplitCsv(QString::fromUtf8(line)), want);
  }
}

TEST(clsSystemTextTest, CsvFieldValue) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"\"", ""},     {"\"", "\""},         {"\"a\"\"b\"", "a\"b"}, {"  \" in \"  ", " in "},
      {"\"abc", "\"abc"}, {"abc\"", "abc\""}, {"plain", "plain"},     {"\"\"\"\"", "\""},
  };
  for (const auto& [field, want] : cases)
    EXPECT_EQ(S(gSystem().CSVField_GetValue(QString::fromUtf8(field))), want) << field;
}

TEST(clsSystemTextTest, StrReplaceCharRespectsQuotes) {
  clsSystem& sys = gSystem();
  const QString line = QStringLiteral("1,\"a,b\",2");
  EXPECT_EQ(S(sys.StrReplaceChar(line, QStringLiteral(","), QStringLiteral(";"), false)), "1;\"a,b\";2");
  EXPECT_EQ(S(sys.StrReplaceChar(line, QStringLiteral(","), QStringLiteral(";"), true)), "1;\"a;b\";2");
  EXPECT_EQ(S(sys.StrReplaceChar(line, QStringLiteral(","), QString(), false)), "1\"a,b\"2");
  EXPECT_EQ(S(sys.StrReplaceChar(line, QStringLiteral(",\""), QStringLiteral(";"), false)), S(line));
}

TEST(clsSystemTextTest, StrParse2ArrayFillsEntriesFromOne) {
  clsSystem& sys = gSystem();
  QStringList a{QStringLiteral("keep"), QStringLiteral("old1"), QStringLiteral("old2"),
                QStringLiteral("old3")};
  sys.StrParse2Array(QStringLiteral(" a , b "), a, QStringLiteral(","), false);
  EXPECT_EQ(a, (QStringList{"keep", "a", "b"}));
  sys.StrParse2Array(QStringLiteral("a,b,"), a, QStringLiteral(","), true);
  EXPECT_EQ(a, (QStringList{"keep", "A", "B", ""}));
  QStringList e;
  sys.StrParse2Array(QString(), e, QStringLiteral(","), false);
  EXPECT_EQ(e, (QStringList{"", ""}));
  sys.StrParse2Array(QStringLiteral("x,y"), e, QString(), false);
  EXPECT_EQ(e, (QStringList{"", "x,y"}));

  int32_t pos = -7;
  const QStringList arr{"a", "b", "c", "b"};
  EXPECT_FALSE(sys.StrExistsInArray(QStringLiteral("a"), arr, pos));  // entry 0 not searched
  EXPECT_EQ(pos, -7);
  EXPECT_TRUE(sys.StrExistsInArray(QStringLiteral("b"), arr, pos));
  EXPECT_EQ(pos, 1);
}

TEST(clsSystemTextTest, Padding) {
  clsSystem& sys = gSystem();
  struct Case { const char* s; int16_t width; const char* fill; int32_t type; const char* want; };
  const Case cases[] = {
      {"123", 2, "0", 1, "12"}, {"7", 2, "0", 1, "07"},   {"7", 3, "xy", 2, "7xx"},
      {"abc", 3, "0", 1, "abc"}, {"ab", 5, "", 1, "ab"},  {"ab", 0, "0", 1, ""},
      {"ab", -3, "0", 1, ""},   {"", 2, " ", 9, "  "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(S(sys.PadChar(QString::fromLatin1(c.s), c.width, QString::fromLatin1(c.fill), c.type)), c.want)
        << c.s << " " << c.width << " '" << c.fill << "'";
  EXPECT_EQ(S(sys.PrePad2Zeros(QStringLiteral("7"))), "07");
  EXPECT_EQ(S(sys.PadZeros(QStringLiteral("5"), 4, 1)), "0005");
  EXPECT_EQ(S(sys.PadSpaces(QStringLiteral("5"), 3, 2)), "5  ");
  EXPECT_EQ(S(sys.PadOrTruncate(QStringLiteral("abcdef"), 5)), "a.. ");
  EXPECT_EQ(S(sys.PadOrTruncate(QStringLiteral("abcd"), 5)), "abcd");
  EXPECT_EQ(S(sys.PadOrTruncate(QStringLiteral("ab"), 5)), "ab  ");
  EXPECT_EQ(S(sys.PadOrTruncate(QStringLiteral("abcdef"), 2)), ".. ");
  EXPECT_EQ(S(sys.StrTruncate(QStringLiteral("abcdefghij"), 4)), "abcd...");
  EXPECT_EQ(S(sys.StrTruncate(QStringLiteral("abcd"), 4)), "abcd");
}

class FixedWidth : public ui::TextSurface {
 public:
  double TextWidth(const QString& text) const override { return 10.0 * text.size(); }
};

TEST(clsSystemTextTest, TrimTextToFit) {
  const FixedWidth surface;
  clsSystem& sys = gSystem();
  EXPECT_EQ(S(sys.TrimTextToFit(surface, QString(), 50)), "");
  EXPECT_EQ(S(sys.TrimTextToFit(surface, QStringLiteral("abcd"), 50)), "abcd");
  // 10 characters are 100 wide; cut to 4 (width 40 < 50), then 4 more, then "..".
  EXPECT_EQ(S(sys.TrimTextToFit(surface, QStringLiteral("abcdefghij"), 50)), "..");
  EXPECT_EQ(S(sys.TrimTextToFit(surface, QStringLiteral("abcdefghij"), 95)), "abcde..");
  EXPECT_EQ(S(sys.TrimTextToFit(surface, QStringLiteral("abcdefghij"), 0)), "..");
}

TEST(clsSystemTextTest, Str2IntReadsTheLeadingNumberAndClamps) {
  const std::pair<const char*, int16_t> cases[] = {
      {"12", 12},        {"1,234", 1},      {"2.5", 2},     {"3.5", 4},    {"-2.5", -2},
      {"abc", 0},        {"", 0},           {"99999", 32767}, {"-99999", -32768},
      {"32767.4", 32767}, {"1e10", 32767},  {" 7 ", 7},     {"&H10", 16},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(gSystem().Str2Int(QString::fromLatin1(text)), want) << text;
  EXPECT_EQ(gSystem().CompareInt(QStringLiteral("10"), QStringLiteral("9")), 1);
  EXPECT_EQ(gSystem().CompareInt(QStringLiteral("x"), QStringLiteral("0")), 0);
  EXPECT_EQ(gSystem().CompareInt(QStringLiteral("-1"), QStringLiteral("0")), -1);
  EXPECT_EQ(gSystem().CompareStrNoCase(QStringLiteral("abc"), QStringLiteral("ABC")), 0);
  EXPECT_EQ(gSystem().CompareStrNoCase(QStringLiteral("abd"), QStringLiteral("ABC")), 1);
  EXPECT_EQ(gSystem().CompareStrNoCase(QStringLiteral("a"), QStringLiteral("B")), -1);
}

TEST(clsSystemTextTest, CountsWithCommasInEveryLocale) {
  struct Case { const char* locale; QVariant value; const char* want; };
  const Case cases[] = {
      {"en_US", 0, "0"},           {"en_US", 1234567, "1,234,567"}, {"en_US", QString("1234"), "1,234"},
      {"en_US", QString("x"), "0"}, {"en_US", QVariant(), "0"},     {"en_US", -1234.4, "-1,234"},
      {"en_US", QVariant::fromValue(rt::Currency(2500)), "2,500"},
      {"en_US", QVariant::fromValue(rt::Currency()), "0"},
      {"de_DE", 1234567, "1.234.567"}, {"de_DE", QString("1.234"), "1.234"},
      {"de_DE", 0.0, "0"},          {"C", 1234567, "1,234,567"},
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale loc(QString::fromLatin1(c.locale));
    EXPECT_EQ(S(gSystem().CommafyNoDec(c.value)), c.want) << c.locale << " " << S(c.value.toString());
  }
  EXPECT_EQ(S(gSystem().FormatLongWithCommas(0)), "0");
  EXPECT_EQ(S(gSystem().FormatLongWithCommas(-2147483647)), "-2,147,483,647");
  testenv::ScopedLocale de(QStringLiteral("de_DE"));
  EXPECT_EQ(S(gSystem().FormatLongWithCommas(12345)), "12.345");
}

TEST(clsSystemTextTest, ZeroToNullStrBlanksOnlyAnExactZero) {
  struct Case { const char* locale; const char* text; const char* prefix; const char* want; };
  const Case cases[] = {
      {"en_US", "0", "", ""},        {"en_US", "0.00", "$", ""},     {"en_US", "0.25", "", "0.25"},
      {"en_US", "0.0001", "$", "$0.0001"}, {"en_US", "12", "$", "$12"}, {"en_US", "1,234.50", "", "1,234.50"},
      {"en_US", "abc", "$", ""},     {"en_US", "", "", ""},          {"en_US", "-0.5", "", "-0.5"},
      {"de_DE", "0,25", "", "0,25"}, {"de_DE", "0,00", "", ""},
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale loc(QString::fromLatin1(c.locale));
    EXPECT_EQ(S(gSystem().ZeroToNullStr(QString::fromLatin1(c.text), QString::fromLatin1(c.prefix))), c.want)
        << c.locale << " " << c.text;
  }
}

TEST(clsSystemTextTest, LocaleSymbolsAndCleaning) {
  EXPECT_EQ(S(gSystem().GetCurrencySymbol()), "$");
  EXPECT_EQ(S(gSystem().NumCleanStr(QStringLiteral("$1,234.50"))), "1234.50");
  {
    testenv::ScopedLocale de(QStringLiteral("de_DE"));
    EXPECT_EQ(S(gSystem().GetCurrencySymbol()), "€");
    EXPECT_EQ(S(gSystem().NumCleanStr(QString::fromUtf8("1.234,50€"))), "1234,50");
  }
  testenv::ScopedLocale c(QStringLiteral("C"));
  EXPECT_EQ(S(gSystem().NumCleanStr(QStringLiteral("1,234.50"))), "1234.50");
}

TEST(clsSystemTextTest, HexText) {
  clsSystem& sys = gSystem();
  EXPECT_EQ(S(sys.StringToHexStr(QStringLiteral("abc"))), "616263");
  EXPECT_EQ(S(sys.StringToHexStr(QString::fromUtf8("\n\u00e9\u20ac"))), "0AE980");
  EXPECT_EQ(S(sys.HexStrToString(QStringLiteral("616263"))), "abc");
  EXPECT_EQ(S(sys.HexStrToString(QStringLiteral("E980"))), "\u00e9\u20ac");
  EXPECT_EQ(S(sys.HexStrToString(QStringLiteral("41zz42"))), "AB");
  EXPECT_EQ(S(sys.HexStrToString(QStringLiteral("414"))), "A\x04");
  EXPECT_EQ(S(sys.HexStrToString(QStringLiteral("-1"))), "");
}

TEST(clsSystemTextTest, CleaningAndCutting) {
  clsSystem& sys = gSystem();
  EXPECT_EQ(S(sys.QuoteStr(QStringLiteral("a"), true)), "'a'");
  EXPECT_EQ(S(sys.QuoteStr(QStringLiteral("a"), false)), "\"a\"");
  EXPECT_EQ(S(sys.RemoveChar(QStringLiteral("a-b-c"), QStringLiteral("-"))), "abc");
  EXPECT_EQ(S(sys.RemoveChar(QStringLiteral("a-b-c"), QStringLiteral("-b"))), "a-b-c");
  EXPECT_EQ(S(sys.RemoveLastChar(QStringLiteral("abc,"), QStringLiteral(","))), "abc");
  EXPECT_EQ(S(sys.RemoveLastChar(QStringLiteral("abc"), QStringLiteral(","))), "abc");
  EXPECT_EQ(S(sys.RemoveLastChar(QStringLiteral("abc"), QString())), "ab");
  EXPECT_EQ(S(sys.RemoveLastChar(QString(), QString())), "");
  EXPECT_EQ(S(sys.RemoveSurroundingQuote(QStringLiteral("\"x\""))), "x");
  EXPECT_EQ(S(sys.RemoveSurroundingQuote(QStringLiteral("\""))), "\"");
  EXPECT_EQ(S(sys.RemoveSurroundingQuote(QStringLiteral("\"x"))), "\"x");
  EXPECT_EQ(S(sys.StrGetTextTilChar(QStringLiteral("key=value"), QStringLiteral("=x"))), "key");
  EXPECT_EQ(S(sys.StrGetTextTilChar(QStringLiteral("key"), QStringLiteral("="))), "key");
  QString withNul = QStringLiteral("ab");
  withNul += QChar(u'\0');
  withNul += QStringLiteral("cd");
  EXPECT_EQ(S(sys.StrTrimNull(withNul)), "ab");
  EXPECT_EQ(S(withNul), "ab");
  EXPECT_EQ(S(sys.RemoveCRLF(QStringLiteral("a\r\nb\nc\rd"))), "a    b  c  d");
  EXPECT_EQ(sys.CharCountInStr(QStringLiteral("a,b,,c"), QStringLiteral(",")), 3);
  EXPECT_EQ(sys.CharCountInStr(QStringLiteral("a,b"), QStringLiteral(",b")), 0);
}

TEST(clsSystemTextTest, CharacterClassesAndAddresses) {
  clsSystem& sys = gSystem();
  const struct { const char* s; bool digits, alpha, alnum; } cases[] = {
      {"", true, true, true},       {"0129", true, false, true}, {"aZ", false, true, true},
      {"a1", false, false, true},   {"a 1", false, false, false}, {"\u00e9", false, false, false},
  };
  for (const auto& c : cases) {
    const QString s = QString::fromUtf8(c.s);
    EXPECT_EQ(sys.StrDigitsOnly(s), c.digits) << c.s;
    EXPECT_EQ(sys.StrAlphaOnly(s), c.alpha) << c.s;
    EXPECT_EQ(sys.StrAlphaDigitOnly(s), c.alnum) << c.s;
  }
  const std::pair<const char*, bool> mails[] = {
      {"a@b.com", true}, {"ab.com", true}, {"a@b@c", false}, {"a@", false}, {"a b@c", false}, {"", true},
  };
  for (const auto& [m, ok] : mails) EXPECT_EQ(sys.EmailAddressIsValid(QString::fromLatin1(m)), ok) << m;
}

TEST(clsSystemTextTest, NamesAndFlags) {
  clsSystem& sys = gSystem();
  const QString f = QStringLiteral("Ann"), l = QStringLiteral("Lee"), e;
  EXPECT_EQ(S(sys.MakeFullName(f, l)), "Lee, Ann");
  EXPECT_EQ(S(sys.MakeFullName(f, e)), "Ann");
  EXPECT_EQ(S(sys.MakeFullName(e, l)), "Lee");
  EXPECT_EQ(S(sys.MakeFullName(e, e)), "");
  EXPECT_EQ(S(sys.MakeFullNameNoComma(f, l)), "Ann Lee");
  EXPECT_EQ(S(sys.MakeFullNameNoComma(e, l)), "Lee");
  EXPECT_LE(sys.GetLocalComputerName().size(), 255);

  EXPECT_TRUE(sys.DBTF2TrueFalse(QStringLiteral("t")));
  EXPECT_FALSE(sys.DBTF2TrueFalse(QStringLiteral("TRUE")));
  EXPECT_FALSE(sys.DBTF2TrueFalse(QVariant()));
  EXPECT_TRUE(sys.Str2Bool(QStringLiteral("True")));
  EXPECT_FALSE(sys.Str2Bool(QStringLiteral("true")));
  QCheckBox ck;
  ck.setTristate(true);
  const std::pair<Qt::CheckState, bool> states[] = {
      {Qt::Checked, true}, {Qt::Unchecked, false}, {Qt::PartiallyChecked, false}};
  for (const auto& [state, want] : states) {
    ck.setCheckState(state);
    EXPECT_EQ(sys.CK2TrueFalse(ck), want) << state;
  }
}

TEST(clsSystemTextTest, CollectionHelpers) {
  clsSystem& sys = gSystem();
  rt::Collection c;
  c.Add(1, QStringLiteral("a"));
  c.Add(2, QStringLiteral("b"));
  sys.CollSetValueAtExistingKey(c, 20, QStringLiteral("B"));
  EXPECT_EQ(c.Item(QStringLiteral("b")).toInt(), 20);
  sys.CollSetValueAtExistingKey(c, 30, QStringLiteral("z"));  // absent: nothing added
  EXPECT_EQ(c.Count(), 2);
  sys.CollectionClear(c);
  EXPECT_EQ(c.Count(), 0);
}

TEST(clsSystemTextTest, DocumentNumbersCount) {
  clsSystem sys;
  EXPECT_EQ(sys.NextDocNum(), 1);
  EXPECT_EQ(sys.NextDocNum(), 2);
}

}  // namespace
