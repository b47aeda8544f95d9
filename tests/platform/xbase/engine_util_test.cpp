// The surface's small utilities and settings.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "platform/xbase/File.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

#include <cstring>
#include <string>

#include "platform/xbase/Engine.h"

namespace {

TEST(Date4Format, PicturesTakeTheirPartsOfTheDate) {
  struct Case {
    const char* date;
    const char* picture;
    const char* result;
  } cases[] = {
      {"20260309", "MM", "03"},           {"20260309", "DD", "09"},
      {"20260309", "YY", "26"},           {"20260309", "YYYY", "2026"},
      {"20260309", "CCYY", "2026"},       {"20260309", "YYYYMMDD", "20260309"},
      {"20260309", "MM/DD/YYYY", "03/09/2026"}, {"20260309", "DD.MMM.YY", "09.Mar.26"},
      {"", "MM/DD/YY", "  /  /  "},       {"2026xx09", "MM/DD", "  /  "},
      {"19991231", "YYYY-MM-DD", "1999-12-31"},
  };
  for (const Case& c : cases) {
    char out[32];
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(date4format(c.date, out, c.picture), 0);
    EXPECT_STREQ(out, c.result) << c.date << " " << c.picture;
  }
}

TEST(U4ncpy, CopiesAtMostSizeLessOneAndTerminates) {
  char buf[8];
  EXPECT_EQ(u4ncpy(buf, "abc", sizeof buf), 3);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(u4ncpy(buf, "0123456789", sizeof buf), 7);
  EXPECT_STREQ(buf, "0123456");
  EXPECT_EQ(u4ncpy(buf, nullptr, sizeof buf), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(u4ncpy(buf, "abc", 0), 0);
  char mem[4] = {'w', 'x', 'y', 'z'};
  u4memCpy(mem, "ab", 2);
  EXPECT_EQ(std::string(mem, 4), "abyz");
}

TEST(EngineSettings, EachSettingReturnsThePreviousValue) {
  CODE4* c = d4init_v();
  ASSERT_NE(c, nullptr);
  int (*settings[])(CODE4*, int) = {code4accessMode, code4lockEnforce, code4lockDelay, code4lockAttempts,
                                    code4readLock,   code4readOnly,    code4optimizeWrite, code4errTagName};
  for (auto set : settings) {
    const int first = set(c, 7);
    EXPECT_EQ(set(c, first), 7);
  }
  EXPECT_EQ(code4errorCode(c, -5), 0);
  EXPECT_EQ(code4errorCode(c, 0), -5);
  EXPECT_EQ(d4initUndo(c), 0);
}

TEST(EngineSettings, NullHandlesFailWithoutACrash) {
  EXPECT_EQ(d4open(nullptr, "x.dbf"), nullptr);
  EXPECT_EQ(d4close(nullptr), e4parm);
  EXPECT_EQ(d4top(nullptr), e4parm);
  EXPECT_EQ(d4seek(nullptr, "a"), e4parm);
  EXPECT_EQ(d4lock(nullptr, 1), e4parm);
  EXPECT_EQ(d4field(nullptr, "A"), nullptr);
  EXPECT_EQ(f4long(nullptr), 0);
  EXPECT_EQ(f4ptr(nullptr), nullptr);
  EXPECT_EQ(f4memoPtr(nullptr), nullptr);
  EXPECT_EQ(f4assignNVB(nullptr, "a", 1), e4parm);
  EXPECT_EQ(code4accessMode(nullptr, 1), e4parm);
  EXPECT_EQ(d4initUndo(nullptr), e4parm);
}

}  // namespace

// Writes kept back by a file read as if written, and Flush leaves the bytes that
// writing them straight away leaves: random writes of any size and place, some
// beyond the end, some blocks written in an order given.
TEST(DeferredWrites, ReadAndFlushAsIfWrittenAtOnce) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    const std::string dir = xbtest::NewDir();
    xb::Status s;
    auto direct = xb::File::Create(dir + "/direct", &s);
    auto kept = xb::File::Create(dir + "/kept", &s);
    ASSERT_TRUE(direct && kept);
    std::string start(rng() % 4000, 'a');
    ASSERT_TRUE(direct->WriteAt(0, start.data(), start.size()) && kept->WriteAt(0, start.data(), start.size()));
    kept->Defer();
    std::vector<uint64_t> order;
    for (int w = 0; w < 30; ++w) {
      const uint64_t off = rng() % 6000;
      std::string bytes(1 + rng() % 1200, static_cast<char>('b' + w));
      if (w % 7 == 3) order.push_back(off);
      ASSERT_TRUE(direct->WriteAt(off, bytes.data(), bytes.size()) && kept->WriteAt(off, bytes.data(), bytes.size()));
      ASSERT_EQ(kept->Size(), direct->Size());
      const uint64_t at = rng() % 7000;
      std::string a(rng() % 1500, '\0'), b(a.size(), '\0');
      ASSERT_EQ(kept->ReadSome(at, a.data(), a.size()), direct->ReadSome(at, b.data(), b.size()));
      ASSERT_EQ(a, b);
    }
    ASSERT_TRUE(kept->Flush(order));
    EXPECT_FALSE(kept->deferring());
    EXPECT_EQ(xbtest::ReadFile(dir + "/kept"), xbtest::ReadFile(dir + "/direct"));
  }
}

// Reads through the mapping see this handle's writes (kept back or not) and another
// handle's writes, growth and shortening, and never bytes beyond the file's end; peeks
// read past the end as zeros in the file's last page and fail beyond it.
TEST(MappedReads, SeeEveryWriteAndNothingBeyondTheEnd) {
  constexpr uint64_t kSize = 65536 - 300, kFar = 40u << 20;  // the last system page partly in the file
  using Change = std::function<void(xb::File & mine, xb::File & other)>;
  struct Read {
    uint64_t off;
    size_t n;
    std::string want;  // its bytes, shorter where the file ends; for a peek, empty when it fails
    bool peek = false;
  };
  const std::vector<std::pair<Change, std::vector<Read>>> cases = {
      {[](xb::File& mine, xb::File&) { mine.WriteAt(1000, "own", 3); }, {{998, 7, "aaownaa"}}},
      {[](xb::File&, xb::File& other) { other.WriteAt(5000, "other", 5); }, {{5000, 5, "other"}}},
      {[](xb::File& mine, xb::File&) { mine.Defer(), mine.WriteAt(2000, "kept", 4); }, {{1998, 8, "aakeptaa"}}},
      {[](xb::File&, xb::File&) {}, {{kSize - 2, 20, "aa"}, {kSize, 512, ""}, {kSize - 2, 4, std::string("aa\0\0", 4), true}}},
      {[](xb::File&, xb::File& other) { other.WriteAt(kFar, "far", 3); },
       {{kFar, 3, "far"}, {kFar - 1, 9, std::string(1, '\0') + "far"}, {kSize - 2, 2, "aa"}}},
      {[](xb::File&, xb::File& other) { other.Truncate(8192); }, {{20000, 512, ""}, {8190, 4, "aa"}, {100, 2, "aa"}}},
      {[](xb::File& mine, xb::File& other) {
         struct stat st {};
         other.Truncate(8300), mine.Stat(&st);
       },
       {{8298, 20, "aa"}, {8400, 50, ""}}},
      // Shortened without this handle asking for the size: within the last system page
      // and well below it.
      {[](xb::File&, xb::File& other) { other.Truncate(kSize - 600); }, {{kSize - 602, 20, "aa"}, {kSize - 500, 4, ""}}},
      {[](xb::File&, xb::File& other) { other.Truncate(8300); }, {{8298, 20, "aa"}, {8400, 4, ""}, {100, 2, "aa"}}},
      {[](xb::File&, xb::File& other) { other.Truncate(8300); },
       {{20000, 4, "", true}, {8298, 4, std::string("aa\0\0", 4), true}, {100, 2, "aa", true}, {8298, 20, "aa"}}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string path = xbtest::NewDir() + "/mapped";
    xbtest::WriteFile(path, std::string(kSize, 'a'));
    xb::Status s;
    auto mine = xb::File::Open(path, xb::File::Mode::kReadWrite, &s);
    auto other = xb::File::Open(path, xb::File::Mode::kReadWrite, &s);
    ASSERT_TRUE(mine && other);
    mine->MapReads();
    char page[512];
    for (uint64_t off = 0; off + sizeof page <= kSize; off += sizeof page) ASSERT_TRUE(mine->ReadAt(off, page, sizeof page));
    ASSERT_NE(xbtest::ReadFile("/proc/self/maps").find(path), std::string::npos);
    cases[i].first(*mine, *other);
    for (const Read& r : cases[i].second) {
      std::string got(r.n, 'z');
      const long long read = r.peek ? mine->PeekMapped(r.off, got.data(), r.n) : mine->ReadSome(r.off, got.data(), r.n);
      ASSERT_EQ(read, r.peek ? !r.want.empty() : static_cast<long long>(r.want.size())) << r.off;
      EXPECT_EQ(got.substr(0, r.want.size()), r.want) << r.off;
    }
  }
}

// Reads in order keep only the last pages of the mapping resident, whatever the step.
TEST(MappedReads, PagesFarBehindReadsInOrderAreGivenBack) {
  constexpr uint64_t kSize = 8u << 20;
  for (const size_t step : {size_t(512), size_t(3000)}) {
    SCOPED_TRACE(step);
    const std::string path = xbtest::NewDir() + "/walked";
    xbtest::WriteFile(path, std::string(kSize, 'a'));
    auto file = xb::File::Open(path, xb::File::Mode::kReadOnly, nullptr);
    ASSERT_TRUE(file);
    file->MapReads();
    std::string buf(step, '\0');
    for (uint64_t off = 0; off + step <= kSize; off += step) ASSERT_TRUE(file->ReadAt(off, buf.data(), step));
    // The mapping's resident size, as the kernel reports it (npos when the mapping is not listed).
    const std::string maps = xbtest::ReadFile("/proc/self/smaps");
    const size_t rss = maps.find("\nRss:", maps.find(path));
    ASSERT_NE(rss, std::string::npos);
    EXPECT_LE(std::stoull(maps.substr(rss + 5)), 3u << 10) << "kB resident";
  }
}

namespace {
std::string gWatched;
std::vector<size_t> gChanged;  // per write, the last 512-byte block whose bytes changed
void NoteChangedBlock(const std::string& path) {
  const std::string now = xbtest::ReadFile(path);
  size_t b = (now.size() + 511) / 512;
  while (b > 0 && now.compare((b - 1) * 512, 512, gWatched, std::min((b - 1) * 512, gWatched.size()), 512) == 0) --b;
  gChanged.push_back(b - 1);
  gWatched = now;
}
}  // namespace

// Blocks another handle added after this one last knew the size, read and then changed
// while writes are kept back, are flushed in their given order, not first as fresh ones.
TEST(DeferredWrites, BlocksAnotherHandleAddedKeepTheirOrder) {
  const std::string path = xbtest::NewDir() + "/grown";
  xbtest::WriteFile(path, std::string(4 * 512, 'a'));
  xb::Status s;
  auto mine = xb::File::Open(path, xb::File::Mode::kReadWrite, &s);
  auto other = xb::File::Open(path, xb::File::Mode::kReadWrite, &s);
  ASSERT_TRUE(mine && other);
  char block[512];
  ASSERT_TRUE(mine->ReadAt(0, block, sizeof block));
  const std::string grown(4 * 512, 'o');
  ASSERT_TRUE(other->WriteAt(4 * 512, grown.data(), grown.size()));
  mine->Defer();
  ASSERT_TRUE(mine->ReadAt(6 * 512, block, sizeof block));
  const std::string b(512, 'b'), c(512, 'c'), d(512, 'd');
  ASSERT_TRUE(mine->WriteAt(6 * 512, b.data(), 512) && mine->WriteAt(2 * 512, c.data(), 512) &&
              mine->WriteAt(9 * 512, d.data(), 512));
  gWatched = xbtest::ReadFile(path), gChanged.clear();
  xb::writeHook = NoteChangedBlock;
  const bool flushed = mine->Flush({2 * 512, 6 * 512});
  xb::writeHook = nullptr;
  ASSERT_TRUE(flushed);
  EXPECT_EQ(gChanged, (std::vector<size_t>{9, 2, 6}));
}
