#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "proppages/PageMessages.h"

namespace qvp {
namespace {

TEST(SubstituteMessageArgs, ReplacesEachPlaceholderOnceInOnePass) {
  struct Case {
    const char* name;
    const char* text;
    std::initializer_list<const char*> args;
    const char* expected;  // null: the string still holds no text
  };
  const std::initializer_list<Case> cases = {
      {"one argument for two placeholders", "|1 and |2", {"a"}, "a and |2"},
      {"only the first occurrence", "|1|1", {"x"}, "x|1"},
      {"placeholders out of order", "|2 before |1", {"one", "two"}, "two before one"},
      {"argument holding a later placeholder", "|1, |2", {"|2", "B"}, "|2, B"},
      {"argument holding its own placeholder", "<|1>", {"|1"}, "<|1>"},
      {"null ends the arguments", "|1 |2 |3", {"a", nullptr, "c"}, "a |2 |3"},
      {"empty argument", "Key: |1.", {""}, "Key: ."},
      {"no placeholder", "Nothing to do", {"a"}, "Nothing to do"},
      {"bar without digit", "a|b ||1", {"x"}, "a|b |x"},
      {"no arguments", "|1", {}, "|1"},
      {"nine arguments",
       "|9|8|7|6|5|4|3|2|1",
       {"1", "2", "3", "4", "5", "6", "7", "8", "9"},
       "987654321"},
      {"a tenth argument is not used", "|1|0", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
       "1|0"},
      {"version key message", "Version |1 of |2 has no value |3",
       {"1", "Quorvane.PropertyPages", "HelpFileDir"},
       "Version 1 of Quorvane.PropertyPages has no value HelpFileDir"},
      {"empty text", "", {"a"}, ""},
      {"no text", nullptr, {"a"}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPageString text(c.text);
    SubstituteMessageArgs(text, c.args);
    if (!c.expected) {
      EXPECT_EQ(text.Text(), nullptr);
    } else {
      ASSERT_NE(text.Text(), nullptr);
      EXPECT_EQ(std::string(text.Text()), c.expected);
    }
  }
}

}  // namespace
}  // namespace qvp
