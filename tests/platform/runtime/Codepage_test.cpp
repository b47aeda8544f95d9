#include "platform/runtime/Codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodepageTest, HighTableMatchesTheCodePage) {
  const std::pair<unsigned char, char16_t> cases[] = {
      {0x80, 0x20AC}, {0x81, 0x0081}, {0x82, 0x201A}, {0x83, 0x0192}, {0x84, 0x201E},
      {0x85, 0x2026}, {0x86, 0x2020}, {0x87, 0x2021}, {0x88, 0x02C6}, {0x89, 0x2030},
      {0x8A, 0x0160}, {0x8B, 0x2039}, {0x8C, 0x0152}, {0x8D, 0x008D}, {0x8E, 0x017D},
      {0x8F, 0x008F}, {0x90, 0x0090}, {0x91, 0x2018}, {0x92, 0x2019}, {0x93, 0x201C},
      {0x94, 0x201D}, {0x95, 0x2022}, {0x96, 0x2013}, {0x97, 0x2014}, {0x98, 0x02DC},
      {0x99, 0x2122}, {0x9A, 0x0161}, {0x9B, 0x203A}, {0x9C, 0x0153}, {0x9D, 0x009D},
      {0x9E, 0x017E}, {0x9F, 0x0178},
  };
  for (const auto& [byte, ch] : cases) {
    EXPECT_EQ(rt::Cp1252Char(byte), ch) << int(byte);
    EXPECT_EQ(rt::Cp1252Code(ch), byte) << int(byte);
  }
}

TEST(CodepageTest, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(rt::ToCp1252(rt::FromCp1252(all)), all);
  EXPECT_EQ(rt::FromCp1252("\xE9t\xE9 \x80"), QString::fromUtf8("été €"));
}

TEST(CodepageTest, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(rt::ToCp1252(QString::fromUtf8("a\u0100b")), "a?b");
  EXPECT_EQ(rt::ToCp1252(QString::fromUtf8("x\U0001F600y")), "x?y");  // one per character
  EXPECT_EQ(rt::ToCp1252(QString(QChar(0x0080))), "?");  // C1 control without a byte
  EXPECT_EQ(rt::ToCp1252(QString()), "");
}

TEST(CodepageTest, FirstCharacterOutsideTheCodePage) {
  EXPECT_EQ(rt::FirstNonCp1252(QString::fromUtf8("été €")), QString());
  EXPECT_EQ(rt::FirstNonCp1252(QString::fromUtf8("Łódź")), QString::fromUtf8("Ł"));
  EXPECT_EQ(rt::FirstNonCp1252(QString::fromUtf8("ok 😀!")), QString::fromUtf8("😀"));
  EXPECT_EQ(rt::FirstNonCp1252(QString()), QString());
}

}  // namespace
