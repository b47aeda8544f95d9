#include "platform/registry/Hive.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using reg::Hive;

std::string AllBytes() {
  std::string s;
  for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
  return s;
}

struct StoredValue {
  const char* label;
  std::string key;
  std::string name;
  std::uint32_t type;
  std::string data;
};

TEST(HiveTest, EveryNameAndValueSurvivesTheTextForm) {
  const StoredValue cases[] = {
      {"plain text", "Software\\Dornvale\\Stovrel\\Pref", "top", 1, "1440"},
      {"text with NUL", "Software\\Dornvale\\Stovrel\\DB", "", 1, std::string("C:\\data\0", 8)},
      {"quotes and backslashes", "a", "say \"hi\"\\", 1, "\\\"\\x00\""},
      {"every byte as text", "a", "bytes", 1, AllBytes()},
      {"empty text", "a", "empty", 1, ""},
      {"line breaks in a name", "a", "two\nlines\r", 1, "x\ny"},
      {"dword", "a", "n", 4, std::string("\x02\x01\x00\x00", 4)},
      {"short dword kept raw", "a", "short", 4, std::string("\x02\x01", 2)},
      {"binary", "a", "bin", 3, AllBytes()},
      {"empty binary", "a", "none", 3, ""},
      {"unknown type", "a", "odd", 0x12345, "\xff\x00\x7f"},
      {"named @", "a", "@", 1, "at"},
      {"key names with escapes", "caf\xe9\\100%\\[x]\\tab\tname", "v", 1, "1"},
      {"root value", "", "rootvalue", 1, "r"},
  };
  Hive hive;
  for (const auto& c : cases) hive.CreateKey(c.key).SetValue(c.name, c.type, c.data);
  const std::string text = hive.Serialize("HKEY_CURRENT_USER");
  const Hive back = Hive::Parse(text);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const reg::Key* key = back.FindKey(c.key);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->path, c.key);
    const reg::Value* v = key->FindValue(c.name);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->name, c.name);
    EXPECT_EQ(v->type, c.type);
    EXPECT_EQ(v->data, c.data);
  }
  EXPECT_EQ(back.Serialize("HKEY_CURRENT_USER"), text);
}

TEST(HiveTest, ReadsTheDocumentedFormAndSkipsLinesItCannotRead) {
  const std::string text =
      "; a comment\r\n"
      "\n"
      "[Software\\Dornvale\\Stovrel\\Pref]\n"
      "\"top\"=sz:\"1440\"\r\n"
      "\"broken\"=sz:\"no end\n"
      "\"bad escape\"=sz:\"\\q\"\n"
      "\"count\"=dword:102\n"
      "\"toolong\"=dword:123456789\n"
      "nonsense line\n"
      "\"blob\"=hex(3):01,ff\n"
      "\"badblob\"=hex(3):01ff\n"
      "@=sz:\"C:\\\\data\\x00\"\n"
      "[bad%zzheader]\n"
      "\"lost\"=sz:\"under a bad header\"\n"
      "[Other]\n"
      "\"caf\\xe9\"=sz:\"\\xe9\"\n";
  const Hive hive = Hive::Parse(text);
  const reg::Key* pref = hive.FindKey("software\\DORNVALE\\stovrel\\pref");
  ASSERT_NE(pref, nullptr);
  EXPECT_EQ(pref->path, "Software\\Dornvale\\Stovrel\\Pref");
  ASSERT_EQ(pref->values.size(), 4u);
  EXPECT_EQ(pref->FindValue("TOP")->data, "1440");
  EXPECT_EQ(pref->FindValue("count")->data, std::string("\x02\x01\x00\x00", 4));
  EXPECT_EQ(pref->FindValue("blob")->data, "\x01\xff");
  EXPECT_EQ(pref->FindValue("")->data, std::string("C:\\data\0", 8));
  EXPECT_NE(hive.FindKey("Software\\Dornvale"), nullptr);  // ancestors exist
  EXPECT_EQ(hive.FindKey("bad%zzheader"), nullptr);
  const reg::Key* other = hive.FindKey("other");
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->values.size(), 1u);
  EXPECT_EQ(other->FindValue("CAF\xc9")->data, "\xe9");  // cp1252 letters fold too
}

TEST(HiveTest, PathsAndNamesCompareWithoutCaseAndKeepTheFirstCase) {
  Hive hive;
  hive.CreateKey("Software\\Dornvale");
  reg::Key& key = hive.CreateKey(reg::NormalizePath("\\SOFTWARE\\\\dornvale\\Stovrel\\"));
  EXPECT_EQ(key.path, "Software\\Dornvale\\Stovrel");
  key.SetValue("Top", 1, "1");
  key.SetValue("TOP", 1, "2");
  ASSERT_EQ(key.values.size(), 1u);
  EXPECT_EQ(key.values[0].name, "Top");
  EXPECT_EQ(key.values[0].data, "2");
  EXPECT_TRUE(reg::EqualNoCase("\x8a\x8c\x8e\x9f\xc0\xde", "\x9a\x9c\x9e\xff\xe0\xfe"));
  EXPECT_FALSE(reg::EqualNoCase("\xd7", "\xf7"));  // multiply and divide signs
  EXPECT_FALSE(reg::EqualNoCase("ab", "abc"));
}

}  // namespace
