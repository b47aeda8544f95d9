#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "platform/com/Memory.h"
#include "proppages/CPageString.h"

namespace qvp {
namespace {

// A BSTR copy of the text, taken and freed: what a caller of AllocSysString sees.
std::u16string Wide(const CPageString& s) {
  BSTR copy = s.AllocSysString();
  EXPECT_NE(copy, nullptr);
  std::u16string out(com::View(copy));
  SysFreeString(copy);
  return out;
}

// The text as a comparable value: nullopt for a string without text.
std::optional<std::string> TextOf(const CPageString& s) {
  if (!s.Text()) return std::nullopt;
  EXPECT_EQ(static_cast<size_t>(s.Length()), std::strlen(s.Text()));
  return std::string(s.Text());
}

TEST(CPageString, ConstructionAndAssignment) {
  struct Case {
    const char* name;
    std::function<CPageString()> make;
    std::optional<std::string> expected;
  };
  const CPageString abc("abc");
  const CPageString emptyText("");
  const std::vector<Case> cases = {
      {"default", [] { return CPageString(); }, std::nullopt},
      {"from text", [] { return CPageString("abc"); }, "abc"},
      {"from null text", [] { return CPageString(static_cast<const char*>(nullptr)); },
       std::nullopt},
      {"from empty text", [] { return CPageString(""); }, ""},
      {"copy", [&] { return CPageString(abc); }, "abc"},
      {"copy of an empty text holds none", [&] { return CPageString(emptyText); }, std::nullopt},
      {"from wide", [] { return CPageString(u"Gr\u00f6\u00dfe \u20ac5"); }, "Gr\xf6\xdf" "e \x80" "5"},
      {"wide outside the code page", [] { return CPageString(u"\u03a9mega"); }, "?mega"},
      {"from empty wide", [] { return CPageString(u""); }, std::nullopt},
      {"from null wide", [] { return CPageString(static_cast<const char16_t*>(nullptr)); },
       std::nullopt},
      {"assign text over text",
       [] {
         CPageString s("old");
         s = "new";
         return s;
       },
       "new"},
      {"assign null",
       [] {
         CPageString s("old");
         s = static_cast<const char*>(nullptr);
         return s;
       },
       std::nullopt},
      {"assign its own tail",
       [] {
         CPageString s("abcdef");
         s = s.Text() + 3;
         return s;
       },
       "def"},
      {"assign wide",
       [] {
         CPageString s("old");
         s = u"Tabs";
         return s;
       },
       "Tabs"},
      {"assign itself",
       [] {
         CPageString s("same");
         const CPageString& alias = s;
         s = alias;
         return s;
       },
       "same"},
      {"append to nothing",
       [] {
         CPageString s;
         s += "abc";
         return s;
       },
       "abc"},
      {"append text and string",
       [&] {
         CPageString s("x");
         s += "y";
         s += abc;
         return s;
       },
       "xyabc"},
      {"append nothing keeps no text",
       [&] {
         CPageString s;
         s += "";
         s += static_cast<const char*>(nullptr);
         s += emptyText;
         return s;
       },
       std::nullopt},
      {"append itself",
       [] {
         CPageString s("ab");
         s += s;
         return s;
       },
       "abab"},
      {"emptied", [] {
         CPageString s("abc");
         s.Empty();
         return s;
       },
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextOf(c.make()), c.expected);
  }
}

TEST(CPageString, Compare) {
  struct Case {
    const char* self;  // null: never assigned
    const char* other;
    int expected;
  };
  const std::vector<Case> cases = {
      {nullptr, "", -1},       {nullptr, nullptr, 0},  {"", nullptr, 1},
      {"abc", nullptr, 1},     {"", "", 0},            {"abc", "abc", 0},
      {"abc", "abd", -1},      {"abd", "abc", 1},      {"ab", "abc", -1},
      // The locale's order, not the bytes': capitals do not all sort first.
      {"apple", "Banana", -1}, {"Banana", "apple", 1},
      // Case-sensitive.
      {"abc", "ABC", -1},      {"ABC", "abc", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.self ? c.self : "(none)") + " vs " + (c.other ? c.other : "(null)"));
    EXPECT_EQ(CPageString(c.self).Compare(c.other), c.expected);
  }
  EXPECT_EQ(ComparePageText(nullptr, "a"), -1);
  EXPECT_EQ(ComparePageText("a", nullptr), -1);
}

TEST(CPageString, LeftAndRight) {
  struct Case {
    const char* text;
    int n;
    std::optional<std::string> left;
    std::optional<std::string> right;
  };
  const std::vector<Case> cases = {
      {"abcdef", 3, "abc", "def"}, {"abc", 10, "abc", "abc"},  {"abc", 3, "abc", "abc"},
      {"abc", 0, "", ""},          {"abc", -1, "abc", "abc"},  {"abc", -2147483647 - 1, "abc", "abc"},
      {nullptr, 2, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text ? c.text : "(none)") + " " + std::to_string(c.n));
    const CPageString s(c.text);
    EXPECT_EQ(TextOf(s.Left(c.n)), c.left);
    EXPECT_EQ(TextOf(s.Right(c.n)), c.right);
  }
}

TEST(CPageString, FormatNeverCutsTheOutput) {
  struct Case {
    const char* name;
    std::function<bool(CPageString&)> format;
    std::string expected;
  };
  const std::string longText(1000, 'x');
  const std::vector<Case> cases = {
      {"text and number", [](CPageString& s) { return s.Format("%s(%d)", "Tabs", 2); },
       "Tabs(2)"},
      {"percent sign", [](CPageString& s) { return s.Format("100%%"); }, "100%"},
      {"star width", [](CPageString& s) { return s.Format("[%*d]", 5, 42); }, "[   42]"},
      {"star precision", [](CPageString& s) { return s.Format("%.*s", 3, "abcdef"); }, "abc"},
      {"alternate hex", [](CPageString& s) { return s.Format("%#x", 255u); }, "0xff"},
      {"character", [](CPageString& s) { return s.Format("%c%c", 'o', 'k'); }, "ok"},
      {"long", [](CPageString& s) { return s.Format("%ld", -2147483648L); }, "-2147483648"},
      {"wide number field", [](CPageString& s) { return s.Format("%300d", 7); },
       std::string(299, ' ') + "7"},
      {"huge double", [](CPageString& s) { return s.Format("%f", 1e300); },
       std::to_string(1e300)},
      {"long text", [&](CPageString& s) { return s.Format("<%s>", longText.c_str()); },
       "<" + longText + ">"},
      {"empty result", [](CPageString& s) { return s.Format("%s", ""); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPageString s("previous");
    ASSERT_TRUE(c.format(s));
    EXPECT_EQ(TextOf(s), c.expected);
    EXPECT_EQ(Wide(s).size(), c.expected.size());
  }
  CPageString kept("previous");
  const char* noFormat = nullptr;
  EXPECT_FALSE(kept.Format(noFormat));
  EXPECT_EQ(TextOf(kept), "previous");
}

TEST(CPageString, WideCopyFollowsTheText) {
  struct Case {
    const char* name;
    std::function<void(CPageString&)> change;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {"never assigned", [](CPageString&) {}, u""},
      {"code page text", [](CPageString& s) { s = "Gr\xf6\xdf" "e \x80"; }, u"Gr\u00f6\u00dfe \u20ac"},
      {"kept from wide", [](CPageString& s) { s = u"Bild \u00e9t\u00e9"; }, u"Bild \u00e9t\u00e9"},
      // Appending after the wide copy was built must not hand out the old copy.
      {"appended after use",
       [](CPageString& s) {
         s = u"Tabs";
         (void)Wide(s);
         s += "(2)";
       },
       u"Tabs(2)"},
      {"formatted after use",
       [](CPageString& s) {
         s = "a";
         (void)Wide(s);
         s.Format("%d", 12);
       },
       u"12"},
      {"emptied after use",
       [](CPageString& s) {
         s = "a";
         (void)Wide(s);
         s.Empty();
       },
       u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPageString s;
    c.change(s);
    EXPECT_EQ(Wide(s), c.expected);
    EXPECT_EQ(Wide(s), c.expected);  // a second copy alike
  }
}

}  // namespace
}  // namespace qvp
