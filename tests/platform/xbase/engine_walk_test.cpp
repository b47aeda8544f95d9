// Long walks in record order over a mapped table.
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <iterator>
#include <string>
#include <utility>

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

// Appends a record with N = i and the text in field B, or in the memo field NOTE.
void AppendNumbered(DATA4* t, long i, const char* field, const std::string& text) {
  ASSERT_EQ(d4appendStartVB(t, 0), 0);
  ASSERT_EQ(d4blank(t), 0);
  f4assignLong(d4field(t, "N"), i);
  FIELD4* f = d4field(t, field);
  if (std::string(field) == "NOTE") {
    f4memoAssignN(f, text.data(), static_cast<unsigned>(text.size()));
  } else {
    f4assignNVB(f, text.data(), static_cast<int>(text.size()));
  }
  ASSERT_EQ(d4append(t), 0);
}

TEST(EngineWalk, AWalkReadingAheadSeesItsOwnWritesAndWhatOthersStoredBeforeItsBlock) {
  xbtest::Engine engine, other;
  const std::string path = xbtest::NewDir() + "/wide.dbf";
  DATA4* d = d4create(engine, path.c_str(), kWideFields, nullptr);
  ASSERT_NE(d, nullptr);
  FIELD4* n = d4field(d, "N");
  FIELD4* b = d4field(d, "B");
  constexpr long kSome = 300;  // a few blocks
  const auto append = [](DATA4* t, long i) { AppendNumbered(t, i, "B", Pattern(i)); };
  for (long i = 1; i <= kSome; ++i) append(d, i);
  DATA4* o = d4open(other, path.c_str());
  ASSERT_NE(o, nullptr);
  const auto change = [](DATA4* t, long recno, long as) {
    ASSERT_EQ(d4go(t, recno), 0);
    ASSERT_EQ(d4lock(t, recno), 0);
    const std::string text = Pattern(as);
    f4assignNVB(d4field(t, "B"), text.data(), static_cast<int>(text.size()));
    ASSERT_EQ(d4flush(t), 0);
    ASSERT_EQ(d4unlock(t), 0);
  };

  EXPECT_EQ(d4readAhead(d, 1), 0);
  ASSERT_EQ(d4top(d), 0);
  ASSERT_EQ(d4skip(d, 1), 0);  // the block from record 2 read
  change(d, 3, 4);             // this handle's own write, inside the block
  change(o, kSome - 50, 7);    // another's, beyond it
  for (long i = 1; i <= 5; ++i) append(o, kSome + i);
  ASSERT_EQ(d4go(d, 2), 0);
  long expected = 2;
  while (d4skip(d, 1) == 0) {
    ++expected;
    ASSERT_EQ(f4long(n), expected);
    const long as = expected == 3 ? 4 : expected == kSome - 50 ? 7 : expected;
    ASSERT_EQ(xbtest::Text(b), Pattern(as)) << expected;
  }
  EXPECT_EQ(expected, kSome + 5) << "the appended records are walked";
  EXPECT_EQ(d4readAhead(d, 0), 1);
  d4close(o);
  EXPECT_EQ(d4close(d), 0);
}

// Notes of lengths that end on, cross and outrun the blocks a walk reads ahead.
std::string Note(long i) {
  static const size_t kLengths[] = {1, 56, 57, 300, 2000, 9000, 0, 70000, 700};
  const size_t len = i == 0 ? 0 : kLengths[static_cast<size_t>(i) % std::size(kLengths)];
  return len == 0 ? std::string() : "<" + std::to_string(i) + ">" + std::string(len, static_cast<char>('a' + i % 26));
}

std::pair<std::string, int> MemoOf(DATA4* d) {
  FIELD4* f = d4field(d, "NOTE");
  const unsigned long len = f4memoLenVB(f);
  return {std::string(f4memoPtr(f), len), f4memoError(f)};
}

TEST(EngineWalk, NotesReadAheadAreWholeAndTheNextWalkReadsTheMemoFileAgain) {
  xbtest::Engine engine;
  const std::string path = xbtest::NewDir() + "/notes.dbf";
  const FIELD4INFO fields[] = {{"N", 'N', 6, 0}, {"NOTE", 'M', 10, 0}, {nullptr, 0, 0, 0}};
  DATA4* d = d4create(engine, path.c_str(), fields, nullptr);
  ASSERT_NE(d, nullptr);
  constexpr long kNotes = 200;
  for (long i = 1; i <= kNotes; ++i) AppendNumbered(d, i, "NOTE", Note(i));
  const std::string fpt = path.substr(0, path.size() - 3) + "fpt";
  const auto walk = [&](long upTo, const std::function<void(long)>& check) {
    EXPECT_EQ(d4readAhead(d, 1), 0);
    long i = 0;
    for (int rc = d4top(d); rc == 0 && i < upTo; rc = d4skip(d, 1)) check(++i);
    EXPECT_EQ(d4readAhead(d, 0), 1);
    return i;
  };
  EXPECT_EQ(walk(kNotes, [&](long i) { EXPECT_EQ(MemoOf(d), std::make_pair(Note(i), 0)) << i; }), kNotes);

  // Another program rewrites a note read ahead in place: the next walk reads its new text.
  walk(3, [&](long i) { EXPECT_EQ(MemoOf(d).first, Note(i)) << i; });
  std::string bytes = xbtest::ReadFile(fpt);
  const size_t at = bytes.find("<2>");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 3] = 'Z';
  xbtest::WriteFile(fpt, bytes);
  std::string changed = Note(2);
  changed[3] = 'Z';
  walk(3, [&](long i) { EXPECT_EQ(MemoOf(d).first, i == 2 ? changed : Note(i)) << i; });

  // The memo file cut to its header during a walk: errors, not a crash, and on the next
  // walk every note is an error.
  walk(kNotes / 2, [&](long i) {
    if (i == 2) {
      ASSERT_EQ(truncate(fpt.c_str(), 512), 0);
    }
    const auto [text, error] = MemoOf(d);
    EXPECT_TRUE(error < 0 || text == (i == 2 ? changed : Note(i))) << i;
  });
  walk(kNotes, [&](long i) {
    EXPECT_EQ(MemoOf(d), std::make_pair(std::string(), Note(i).empty() ? 0 : e4data)) << i;
  });
  EXPECT_EQ(d4close(d), 0);
}

}  // namespace
