// Several handles and processes on one index: changes seen through the change
// counter, the index lock, a file replaced by a rebuild, a writer and a reader in
// separate processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "platform/xbase/Cdx.h"
#include "tests/platform/xbase/XbaseTestUtil.h"
#include "tests/platform/xbase/cdx_test_util.h"

namespace {

using cdxtest::Entry;
using cdxtest::Model;
using xb::CdxIndex;
using xb::Code;
using xb::EncodeNumericKey;
using xb::File;

using cdxtest::OpenIndex;

uint32_t CounterOf(const std::string& path, uint32_t header) {
  const std::string bytes = xbtest::ReadFile(path);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(bytes[header + 8 + size_t(i)]);
  return v;
}

TEST(CdxShare, CursorFollowsChangesOfAnotherHandle) {
  const std::string path = cdxtest::NewTwoTagIndex();
  auto a = OpenIndex(path);
  auto b = OpenIndex(path, File::Mode::kReadOnly);
  ASSERT_TRUE(a && b);
  for (uint32_t r = 2; r <= 4000; r += 2) ASSERT_TRUE(a->Insert(0, EncodeNumericKey(r), r).ok());
  auto c = b->NewCursor(0);
  ASSERT_TRUE(c->SeekGE(EncodeNumericKey(1000)));
  EXPECT_EQ(c->RecNo(), 1000u);

  const uint32_t before = CounterOf(path, 0x600);
  ASSERT_TRUE(a->Insert(0, EncodeNumericKey(1001), 1001).ok());
  ASSERT_TRUE(a->Remove(0, EncodeNumericKey(1002), 1002).ok());
  EXPECT_EQ(CounterOf(path, 0x600), before + 2);
  ASSERT_TRUE(c->Next());
  EXPECT_EQ(c->RecNo(), 1001u);
  ASSERT_TRUE(c->Next());
  EXPECT_EQ(c->RecNo(), 1004u);

  // Many inserts around the cursor split the pages it had cached.
  for (uint32_t r = 1005; r < 1400; r += 2) ASSERT_TRUE(a->Insert(0, EncodeNumericKey(r), r).ok());
  ASSERT_TRUE(a->Remove(0, EncodeNumericKey(1004), 1004).ok());  // the cursor's own entry
  ASSERT_TRUE(c->Next());
  EXPECT_EQ(c->RecNo(), 1005u);
  ASSERT_TRUE(c->Prev());
  EXPECT_EQ(c->RecNo(), 1001u);
  for (uint32_t want = 1005; want < 1400; ++want) {  // odd ones new, even ones old
    ASSERT_TRUE(c->Next());
    ASSERT_EQ(c->RecNo(), want);
  }
  EXPECT_EQ(b->KeyCount(0), 2000u + 1 - 2 + 198);
  EXPECT_TRUE(b->Check().ok());
}

// After a few operations a handle reads the tag header through a mapping of its page;
// each change by another handle must still be seen by the very next operation.
TEST(CdxShare, EveryChangeOfAnotherHandleIsSeenByTheNextRead) {
  const std::string path = cdxtest::NewTwoTagIndex();
  auto a = OpenIndex(path);
  auto b = OpenIndex(path, File::Mode::kReadOnly);
  ASSERT_TRUE(a && b);
  auto c = b->NewCursor(0);
  for (uint32_t r = 1; r <= 50; ++r) {
    ASSERT_TRUE(a->Insert(0, EncodeNumericKey(r * 10), r).ok());
    ASSERT_TRUE(c->Last());
    ASSERT_EQ(c->RecNo(), r);
    ASSERT_TRUE(c->SeekGE(EncodeNumericKey(r * 10 - 5)));
    ASSERT_EQ(c->RecNo(), r);
    ASSERT_TRUE(a->Remove(0, EncodeNumericKey(r * 10), r).ok());
    ASSERT_FALSE(c->SeekGE(EncodeNumericKey(r * 10 - 5)));
    ASSERT_TRUE(c->LastStatus().ok());
    ASSERT_TRUE(a->Insert(0, EncodeNumericKey(r * 10), r).ok());
  }
  EXPECT_EQ(b->KeyCount(0), 50u);
}

TEST(CdxShare, LockKeepsOthersOutForABoundedTime) {
  const std::string path = cdxtest::NewTwoTagIndex();
  auto a = OpenIndex(path);
  auto b = OpenIndex(path);
  ASSERT_TRUE(a && b);
  b->SetLockPolicy({3, 1});
  ASSERT_TRUE(a->Insert(0, EncodeNumericKey(1), 1).ok());
  ASSERT_TRUE(a->LockExclusive().ok());
  ASSERT_TRUE(a->LockExclusive().ok());  // nests
  ASSERT_TRUE(a->Insert(0, EncodeNumericKey(2), 2).ok());
  auto c = b->NewCursor(0);
  EXPECT_FALSE(c->First());
  EXPECT_EQ(c->LastStatus().code(), Code::kLocked);
  EXPECT_EQ(b->Insert(0, EncodeNumericKey(3), 3).code(), Code::kLocked);
  a->UnlockExclusive();
  EXPECT_FALSE(c->First());  // still held once
  a->UnlockExclusive();
  ASSERT_TRUE(c->First());
  ASSERT_TRUE(c->Next());
  EXPECT_EQ(c->RecNo(), 2u);  // the change made under the held lock is seen
  EXPECT_TRUE(b->Insert(0, EncodeNumericKey(3), 3).ok());
  EXPECT_EQ(a->KeyCount(0), 3u);

  // A cursor that met the lock keeps its place for the next try.
  ASSERT_TRUE(a->LockExclusive().ok());
  EXPECT_FALSE(c->Next());
  EXPECT_TRUE(c->Valid());
  a->UnlockExclusive();
  ASSERT_TRUE(c->Next());
  EXPECT_EQ(c->RecNo(), 3u);
}

TEST(CdxShare, RebuildSeenByAnotherHandle) {
  const std::string path = cdxtest::NewTwoTagIndex();
  auto a = OpenIndex(path);
  auto b = OpenIndex(path);
  ASSERT_TRUE(a && b);
  for (uint32_t r = 1; r <= 300; ++r) ASSERT_TRUE(a->Insert(0, EncodeNumericKey(r), r).ok());
  auto c = b->NewCursor(0);
  ASSERT_TRUE(c->SeekGE(EncodeNumericKey(150)));
  std::vector<std::vector<xb::KeyEntry>> entries(2);
  for (uint32_t r = 1; r <= 500; ++r) entries[0].push_back({EncodeNumericKey(1000 - r), r});
  ASSERT_TRUE(a->RebuildAll(entries).ok());
  // b still had the old file open; it finds the new one.
  ASSERT_TRUE(c->Next());
  EXPECT_EQ(c->RecNo(), 500u);  // key 500, the first after 150 in the new index
  EXPECT_EQ(b->KeyCount(0), 500u);
  ASSERT_TRUE(b->Insert(0, EncodeNumericKey(0.5), 999).ok());
  EXPECT_EQ(a->KeyCount(0), 501u);
  ASSERT_TRUE(a->Check().ok());
}

// One process inserts and removes while another walks; every walk must be in order
// and every check sound, and at the end the reader sees exactly the writer's entries.
TEST(CdxShare, ReaderInAnotherProcessNeverSeesAHalfDoneChange) {
  const std::string path = cdxtest::NewTwoTagIndex();
  constexpr int kOps = 6000;
  auto model = [] {
    std::vector<Model> m(2);
    std::mt19937 rng(99);
    for (int i = 1; i <= kOps; ++i) {
      const size_t t = rng() % 2;
      const Entry e{t == 0 ? cdxtest::NumKey(rng) : cdxtest::CharKey(rng, 30), uint32_t(i)};
      m[t].insert(e);
      if (i % 4 == 0 && !m[t].empty()) m[t].erase(m[t].begin());
    }
    return m;
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int rc = 0;
    {
      xb::Status s;
      auto ix = CdxIndex::Open(path, File::Mode::kReadWrite, &s);
      std::vector<Model> m(2);
      std::mt19937 rng(99);
      for (int i = 1; ix && i <= kOps && rc == 0; ++i) {
        const size_t t = rng() % 2;
        const Entry e{t == 0 ? cdxtest::NumKey(rng) : cdxtest::CharKey(rng, 30), uint32_t(i)};
        m[t].insert(e);
        for (int tries = 0; (s = ix->Insert(t, e.key, e.recno)).code() == Code::kLocked && tries < 100;) ++tries;
        if (!s.ok()) rc = 2;
        if (i % 4 == 0 && !m[t].empty()) {
          const Entry first = *m[t].begin();
          m[t].erase(m[t].begin());
          for (int tries = 0; (s = ix->Remove(t, first.key, first.recno)).code() == Code::kLocked && tries < 100;) ++tries;
          if (!s.ok()) rc = 3;
        }
      }
      if (!ix) rc = 1;
    }
    _exit(rc);
  }
  auto reader = OpenIndex(path, File::Mode::kReadOnly);
  ASSERT_TRUE(reader);
  int walks = 0, status = 0;
  for (;;) {
    const bool done = waitpid(child, &status, WNOHANG) == child;
    for (size_t t = 0; t < 2; ++t) {
      auto c = reader->NewCursor(t);
      Entry prev{"", 0};
      bool ok = c->First();
      for (; ok; ok = c->Next()) {
        const Entry e{c->Key(), c->RecNo()};
        ASSERT_TRUE(prev.recno == 0 || prev < e) << "walk " << walks;
        prev = e;
      }
      ASSERT_TRUE(c->LastStatus().ok() || c->LastStatus().code() == Code::kLocked) << c->LastStatus().message();
      const xb::Status s = reader->Check();
      ASSERT_TRUE(s.ok() || s.code() == Code::kLocked) << s.message();
    }
    ++walks;
    if (done) break;
  }
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_GT(walks, 1);
  const std::vector<Model> want = model();
  for (size_t t = 0; t < 2; ++t) EXPECT_EQ(cdxtest::WalkAll(*reader, t), cdxtest::Sorted(want[t]));
}

}  // namespace
