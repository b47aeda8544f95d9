// Long walks in record order over a mapped table.
#include <gtest/gtest.h>

#include <string>

#include "platform/xbase/Engine.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace {

// Records wide enough that a few thousand of them make a table of about 20 MB, more
// than a walk keeps mapped behind itself.
const FIELD4INFO kWideFields[] = {
    {"N", 'N', 10, 0}, {"A", 'C', 250, 0}, {"B", 'C', 250, 0}, {"C", 'C', 250, 0}, {"D", 'C', 250, 0}, {nullptr, 0, 0, 0},
};
constexpr long kRecords = 20000;

std::string Pattern(long n) { return std::string(250, static_cast<char>('a' + n % 26)); }

TEST(EngineWalk, RecordsLeftBehindByALongWalkReadBackUnchanged) {
  xbtest::Engine engine;
  const std::string path = xbtest::NewDir() + "/wide.dbf";
  DATA4* d = d4create(engine, path.c_str(), kWideFields, nullptr);
  ASSERT_NE(d, nullptr);
  FIELD4* n = d4field(d, "N");
  FIELD4* b = d4field(d, "B");
  for (long i = 1; i <= kRecords; ++i) {
    ASSERT_EQ(d4appendStartVB(d, 0), 0);
    ASSERT_EQ(d4blank(d), 0);
    f4assignLong(n, i);
    const std::string text = Pattern(i);
    f4assignNVB(b, text.data(), static_cast<int>(text.size()));
    ASSERT_EQ(d4append(d), 0);
  }
  ASSERT_EQ(d4close(d), 0);

  d = d4open(engine, path.c_str());
  ASSERT_NE(d, nullptr);
  n = d4field(d, "N");
  b = d4field(d, "B");
  // Twice in order (the second walk reads again what the first gave back), then to
  // records far apart, then backwards.
  for (int pass = 0; pass < 2; ++pass) {
    long expected = 0;
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
      ++expected;
      ASSERT_EQ(f4long(n), expected);
      ASSERT_EQ(xbtest::Text(b), Pattern(expected)) << expected;
    }
    EXPECT_EQ(expected, kRecords);
  }
  long at = 1;
  ASSERT_EQ(d4top(d), 0);
  for (long i : {kRecords, 1L, kRecords / 2, 2L, kRecords - 1, 3L}) {
    ASSERT_EQ(d4skip(d, i - at), 0);
    at = i;
    EXPECT_EQ(f4long(n), i);
    EXPECT_EQ(xbtest::Text(b), Pattern(i)) << i;
  }
  ASSERT_EQ(d4skip(d, kRecords - at), 0);
  for (long i = kRecords; i > 97; i -= 97) {
    ASSERT_EQ(d4skip(d, -97), 0);
    ASSERT_EQ(f4long(n), i - 97);
  }
  EXPECT_EQ(d4close(d), 0);
}

}  // namespace
