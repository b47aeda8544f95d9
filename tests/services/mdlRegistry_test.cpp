#include "services/mdlRegistry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <string>

#include "tests/support/TestEnv.h"

namespace {

using namespace mdlRegistry;

constexpr char kDbKey[] = "Software\\Dornvale\\Stovrel\\DB";

// Every test starts with an empty registry folder of its own.
class mdlRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("STOVREL_REGISTRY_DIR", testenv::NewTempDir(QStringLiteral("reg")).toUtf8());
  }
  void TearDown() override { qputenv("STOVREL_REGISTRY_DIR", saved_); }

  // Stores raw bytes of any type in the Pref key, as another program might.
  static void StoreRaw(const char* name, DWORD type, const std::string& bytes) {
    HKEY key{};
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kPrefKey, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void StoreDword(const char* name, DWORD value) {
    StoreRaw(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
  }
  // The stored bytes of a value of `keyPath`; "<absent>" when it cannot be read.
  static std::string ReadRaw(const char* keyPath, const char* name, DWORD* type = nullptr) {
    HKEY key{};
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return "<absent>";
    DWORD size = 0;
    std::string data;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
      data.resize(size);
      RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size);
    } else {
      data = "<absent>";
    }
    RegCloseKey(key);
    return data;
  }

 private:
  QByteArray saved_ = qgetenv("STOVREL_REGISTRY_DIR");
};

TEST_F(mdlRegistryTest, FirstStartReadsZeroAndEmptyAndTheFirstWriteCreatesTheKey) {
  EXPECT_EQ(PrefGetLong(QStringLiteral("top")), 0);
  EXPECT_EQ(PrefGetString(QStringLiteral("ProdSearch")), QString());
  QString value = QStringLiteral("left over");
  EXPECT_FALSE(RegGetString(HKEY_CURRENT_USER, QString::fromLatin1(kDbKey), QString(), value));
  EXPECT_TRUE(value.isEmpty());
  EXPECT_EQ(ReadRaw(kPrefKey, "top"), "<absent>");

  PrefSaveLong(QStringLiteral("top"), 1440);
  EXPECT_EQ(PrefGetLong(QStringLiteral("top")), 1440);
  value = QStringLiteral("left over");
  EXPECT_FALSE(RegGetString(HKEY_CURRENT_USER, QString::fromLatin1(kPrefKey),
                            QStringLiteral("absent"), value));
  EXPECT_TRUE(value.isEmpty());
}

// The same under every user's settings: the stored text has "." as decimal point.
TEST_F(mdlRegistryTest, PrefGetLongReadsNumericTextRoundedHalfToEvenElseZero) {
  const struct {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"12abc", 0},       {"", 0},
      {"abc", 0},         {"2.5", 2},
      {"3.5", 4},         {"-2.5", -2},
      {" 1440 ", 1440},   {"1e3", 1000},
      {"&h102", 258},     {"&HFFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483647.5", 0},  // rounds to 2^31: out of range
      {"1.5", 2},         {"1.234", 1},
      {"99999999999", 0},
  };
  for (const char* locale : {"en_US", "de_DE", "fr_FR"}) {
    testenv::ScopedLocale settings{QLatin1String(locale)};
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(locale) + " " + c.text);
      PrefSaveString(QStringLiteral("n"), QString::fromLatin1(c.text));
      EXPECT_EQ(PrefGetLong(QStringLiteral("n")), c.expected);
    }
  }
}

TEST_F(mdlRegistryTest, DwordValuesOfOtherProgramsReadAsTheSameNumber) {
  const struct {
    DWORD stored;
    int32_t expected;
    const char* text;
  } cases[] = {
      {258, 258, "&h00000102"},
      {0x00010002, 65538, "&h00010002"},  // a NUL byte inside the number
      {0, 0, "&h00000000"},
      {0xFFFFFFFF, -1, "&hFFFFFFFF"},
      {0x80000000, -2147483647 - 1, "&h80000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    StoreDword("RptPageOrientation", c.stored);
    EXPECT_EQ(PrefGetLong(QStringLiteral("rptpageorientation")), c.expected);
    EXPECT_EQ(PrefGetString(QStringLiteral("RptPageOrientation")), QLatin1String(c.text));
  }
}

TEST_F(mdlRegistryTest, TextIsWrittenWithoutNulAndReadWithOrWithoutOne) {
  PrefSaveString(QStringLiteral("TitleProdList"), QStringLiteral("Products"));
  PrefSaveLong(QStringLiteral("width"), -1440);
  DWORD type = 0;
  EXPECT_EQ(ReadRaw(kPrefKey, "TitleProdList", &type), "Products");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(ReadRaw(kPrefKey, "width"), "-1440");

  const struct {
    std::string stored;
    QString expected;
  } cases[] = {
      {std::string("abc\0", 4), QStringLiteral("abc")},
      {std::string("abc\0def\0", 8), QStringLiteral("abc")},
      {std::string("\0", 1), QString()},
      {std::string("ab\0c", 4), QString::fromLatin1("ab\0c", 4)},  // kept whole: no NUL at the end
      {std::string(), QString()},
  };
  for (const auto& c : cases) {
    StoreRaw("t", REG_SZ, c.stored);
    EXPECT_EQ(PrefGetString(QStringLiteral("t")), c.expected);
  }
}

TEST_F(mdlRegistryTest, TextIsStoredInCodePage1252AndLongValuesReadWhole) {
  PrefSaveString(QStringLiteral("ProdSearch"), QStringLiteral(u"Crème €5 \u6F22"));
  EXPECT_EQ(ReadRaw(kPrefKey, "ProdSearch"), "Cr\xe8me \x80" "5 ?");
  EXPECT_EQ(PrefGetString(QStringLiteral("ProdSearch")), QStringLiteral(u"Crème €5 ?"));

  QString longText;
  for (int i = 0; i < 500; ++i) longText += QStringLiteral("%1,").arg(i % 10, 9, 10, QLatin1Char('0'));
  ASSERT_EQ(longText.size(), 5000);
  PrefSaveString(QStringLiteral("TitleCurrInvRpt"), longText);
  EXPECT_EQ(PrefGetString(QStringLiteral("TitleCurrInvRpt")), longText);
}

TEST_F(mdlRegistryTest, TheDatabaseFolderIsTheDefaultValueOfItsKey) {
  const QString folder = QStringLiteral("/home/u/SVLData");
  EXPECT_TRUE(RegSaveString(QString::fromLatin1(kDbKey), folder, QString()));
  QString value;
  EXPECT_TRUE(RegGetString(HKEY_CURRENT_USER, QString::fromLatin1(kDbKey), QString(), value));
  EXPECT_EQ(value, folder);
  EXPECT_EQ(ReadRaw(kDbKey, ""), std::string("/home/u/SVLData\0", 16));

  EXPECT_TRUE(RegSaveString(QString::fromLatin1(kDbKey), QString(), QString()));
  EXPECT_TRUE(RegGetString(HKEY_CURRENT_USER, QString::fromLatin1(kDbKey), QString(), value));
  EXPECT_EQ(value, QString());
}

TEST_F(mdlRegistryTest, OtherValueTypesLeaveTheCallersTextAndWriteFailuresReportFalse) {
  StoreRaw("blob", REG_BINARY, "\x01\x02");
  QString value = QStringLiteral("unchanged");
  EXPECT_TRUE(RegGetString(HKEY_CURRENT_USER, QString::fromLatin1(kPrefKey), QStringLiteral("blob"),
                           value));
  EXPECT_EQ(value, QStringLiteral("unchanged"));
  EXPECT_EQ(PrefGetString(QStringLiteral("blob")), QString());

  // A registry folder that cannot be made: a file stands in its way.
  const QString blocker = testenv::NewTempDir(QStringLiteral("reg")) + QStringLiteral("/file");
  {
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  qputenv("STOVREL_REGISTRY_DIR", blocker.toUtf8());
  EXPECT_FALSE(RegSaveString(QString::fromLatin1(kPrefKey), QStringLiteral("1"), QStringLiteral("x")));
  PrefSaveLong(QStringLiteral("x"), 1);  // ignored, no error
  EXPECT_EQ(PrefGetLong(QStringLiteral("x")), 0);
}

TEST(StrPadToLength, PadsOrCutsToTheLength) {
  const struct {
    const char* text;
    int16_t length;
    const char* fill;
    int32_t side;
    const char* expected;
  } cases[] = {
      {"ab", 4, "x", 2, "abxx"},   {"ab", 4, "x", 1, "xxab"},  {"ab", 4, "x", 0, "xxab"},
      {"ab", 4, "x", 7, "xxab"},   {"ab", 4, "yz", 2, "abyy"}, {"abcdef", 4, "x", 2, "abcd"},
      {"abcd", 4, "x", 1, "abcd"}, {"ab", 0, "x", 2, ""},      {"ab", -3, "x", 2, ""},
      {"", 3, "0", 1, "000"},      {"ab", 4, "", 2, "ab"},     {"abcdef", 4, "", 2, "abcd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " " << c.length << " " << c.fill << " " << c.side);
    EXPECT_EQ(StrPadToLength(QString::fromLatin1(c.text), c.length, QString::fromLatin1(c.fill),
                             c.side),
              QString::fromLatin1(c.expected));
  }
}

TEST(StrUpToChar, ReturnsTheTextBeforeTheStopAndCutsTheStop) {
  const struct {
    const char* text;
    const char* stop;
    const char* expected;
    const char* stopAfter;
  } cases[] = {
      {"abc=def=g", "=", "abc", "="}, {"abc=def", "=xyz", "abc", "="}, {"abc", "=", "abc", "="},
      {"=abc", "=", "", "="},         {"abc", "", "abc", ""},          {"", "=", "", "="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    QString stop = QString::fromLatin1(c.stop);
    EXPECT_EQ(StrUpToChar(QString::fromLatin1(c.text), stop), QString::fromLatin1(c.expected));
    EXPECT_EQ(stop, QString::fromLatin1(c.stopAfter));
  }
}

}  // namespace
