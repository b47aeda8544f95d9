// Damaged index files: every impossible count, width, offset or loop is reported as
// kCorrupt (or the file refused at open), never a crash or an endless walk.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "platform/xbase/Cdx.h"
#include "tests/platform/xbase/XbaseTestUtil.h"
#include "tests/platform/xbase/cdx_test_util.h"

namespace {

using xb::CdxIndex;
using xb::Code;
using xb::File;

constexpr size_t kTagHeader = 0x600;  // the one tag's header in a file we create

uint32_t Le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(b[at + size_t(i)]);
  return v;
}
uint32_t Be32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | uint8_t(b[at + i]);
  return v;
}
void PutLe32(std::string& b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
}
void PutBe32(std::string& b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[at + 3 - i] = char(v >> (8 * i));
}

// A one-tag index of 1000 numeric keys: a root over 9 leaves.
std::string SoundFile() {
  static const std::string bytes = [] {
    const std::string path = xbtest::NewDir() + "/sound.cdx";
    EXPECT_TRUE(CdxIndex::Create(path, {cdxtest::Def("N", "N", xb::KeyType::kNumeric, 8)}).ok());
    xb::Status s;
    auto ix = CdxIndex::Open(path, File::Mode::kReadWrite, &s);
    std::vector<std::vector<xb::KeyEntry>> e(1);
    for (uint32_t r = 1; r <= 1000; ++r) e[0].push_back({xb::EncodeNumericKey(r), r});
    EXPECT_TRUE(ix->RebuildAll(e).ok());
    return xbtest::ReadFile(path);
  }();
  return bytes;
}

size_t Root(const std::string& b) { return Le32(b, kTagHeader); }
size_t Child(const std::string& b, size_t i) { return Be32(b, Root(b) + 12 + i * 16 + 12); }

// Opens the bytes and uses them every way; the first failure seen.
xb::Status UseAll(const std::string& bytes) {
  const std::string path = xbtest::NewDir() + "/bad.cdx";
  xbtest::WriteFile(path, bytes);
  xb::Status s;
  auto ix = CdxIndex::Open(path, File::Mode::kReadWrite, &s);
  if (!ix) return s;
  std::vector<xb::Status> seen;
  for (size_t t = 0; t < ix->TagCount(); ++t) {
    auto c = ix->NewCursor(t);
    for (bool ok = c->First(); ok;) ok = c->Next();
    seen.push_back(c->LastStatus());
    for (bool ok = c->Last(); ok;) ok = c->Prev();
    seen.push_back(c->LastStatus());
    c->SeekGE(xb::EncodeNumericKey(500));
    seen.push_back(c->LastStatus());
    seen.push_back(ix->Insert(t, xb::EncodeNumericKey(2000), 2000));
    seen.push_back(ix->Remove(t, xb::EncodeNumericKey(3), 3));
  }
  seen.push_back(ix->Check());
  for (const xb::Status& st : seen) {
    if (!st.ok() && st.code() != Code::kNotFound) return st;
  }
  return xb::Status::Ok();
}

TEST(CdxCorrupt, SoundFileIsSound) {
  const std::string b = SoundFile();
  ASSERT_EQ(uint8_t(b[Root(b)]), 1);  // an interior root
  EXPECT_TRUE(UseAll(b).ok()) << UseAll(b).message();
}

// A named change to a sound file's bytes.
struct Case {
  const char* what;
  std::function<void(std::string&)> damage;
};

TEST(CdxCorrupt, DamageIsReported) {
  const Case cases[] = {
      {"truncated to the headers", [](std::string& b) { b.resize(0x600 + 1024); }},
      {"truncated inside a leaf", [](std::string& b) { b.resize(Child(b, 3) + 100); }},
      {"shorter than a header", [](std::string& b) { b.resize(700); }},
      {"empty file", [](std::string& b) { b.clear(); }},
      {"not compact", [](std::string& b) { b[14] = 0; }},
      {"key length 0", [](std::string& b) { b[kTagHeader + 12] = 0; }},
      {"key length too big", [](std::string& b) { b[kTagHeader + 12] = char(0xFF); }},
      {"expression beyond the pool", [](std::string& b) { b[kTagHeader + 509] = 2; }},
      {"directory entry beyond the file", [](std::string& b) { PutLe32(b, 0x400 + 24, 0x00FFFF00); }},
      {"root beyond the file", [](std::string& b) { PutLe32(b, kTagHeader, 0x7FFFFE00); }},
      {"root not on a page boundary", [](std::string& b) { PutLe32(b, kTagHeader, Le32(b, kTagHeader) + 3); }},
      {"unknown page attributes", [](std::string& b) { b[Root(b)] = 9; }},
      {"interior key count too big", [](std::string& b) { b[Root(b) + 2] = 100; }},
      {"interior key count 0", [](std::string& b) { b[Root(b) + 2] = 0; }},
      {"child beyond the file", [](std::string& b) { PutBe32(b, Root(b) + 12 + 2 * 16 + 12, 0x01000000); }},
      {"child is the root", [](std::string& b) { PutBe32(b, Root(b) + 12 + 1 * 16 + 12, uint32_t(Root(b))); }},
      {"two entries share a child", [](std::string& b) {
         PutBe32(b, Root(b) + 12 + 1 * 16 + 12, uint32_t(Child(b, 2)));
       }},
      {"leaf key count too big", [](std::string& b) { b[Child(b, 1) + 2] = char(0xF0); }},
      {"leaf entry bytes 0", [](std::string& b) { b[Child(b, 1) + 23] = 0; }},
      {"leaf bit widths too wide", [](std::string& b) { b[Child(b, 1) + 20] = 30; }},
      {"leaf counts beyond the key", [](std::string& b) { b[Child(b, 1) + 24 + 2] = char(0xFF); }},
      {"leaf links to itself", [](std::string& b) { PutLe32(b, Child(b, 1) + 8, uint32_t(Child(b, 1))); }},
      {"leaf links back", [](std::string& b) { PutLe32(b, Child(b, 4) + 8, uint32_t(Child(b, 2))); }},
      {"leaves out of order", [](std::string& b) { std::swap_ranges(&b[Child(b, 2)], &b[Child(b, 2) + 512], &b[Child(b, 5)]); }},
      {"free list into itself", [](std::string& b) {
         PutLe32(b, kTagHeader + 4, uint32_t(b.size()));
         b.append(512, '\0');
         PutLe32(b, b.size() - 512, uint32_t(b.size() - 512));
       }},
  };
  for (const Case& c : cases) {
    std::string b = SoundFile();
    c.damage(b);
    const xb::Status s = UseAll(b);
    EXPECT_EQ(s.code(), Code::kCorrupt) << c.what << ": " << s.message();
  }
}

// Each page is checked as it is read: a damaged one is reported, and nothing is then
// written into the file by this handle nor by another on the same shelf.
TEST(CdxCorrupt, PagesAreCheckedAsReadAndADamagedIndexIsNotWritten) {
  const Case cases[] = {
      {"interior keys out of order", [](std::string& b) {
         std::swap_ranges(&b[Root(b) + 12 + 16], &b[Root(b) + 12 + 32], &b[Root(b) + 12 + 32]);
       }},
      {"leaf keys out of order", [](std::string& b) { b[Child(b, 0) + 510] = char(0xFF); }},  // key 1 made the greatest
      {"separators below their children's keys", [](std::string& b) {
         const size_t first = Root(b) + 12, last = first + 8 * 16;  // separators 0 and 8 of 9
         b.replace(first, 8, xb::EncodeNumericKey(1));
         b.replace(last, 8, b, last - 16, 8);  // separator 7's key, with a greater record number
         PutBe32(b, last + 8, Be32(b, last - 16 + 8) + 1);
       }},
      {"child not on a page boundary", [](std::string& b) { PutBe32(b, Root(b) + 12 + 12, uint32_t(Child(b, 0) + 3)); }},
      {"leaf link not on a page boundary", [](std::string& b) { PutLe32(b, Child(b, 0) + 8, uint32_t(Child(b, 1) + 3)); }},
      {"leaf link beyond the file", [](std::string& b) { PutLe32(b, Child(b, 0) + 8, uint32_t(b.size())); }},
      {"random blocks", [](std::string& b) {
         std::mt19937 rng(47);
         for (int i = 0; i < 3; ++i) {
           const size_t first = kTagHeader + 1024;  // the tag's pages
           const size_t page = first + 512 * (rng() % ((b.size() - first) / 512));
           for (size_t j = 0; j < 512; ++j) b[page + j] = char(rng());
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string b = SoundFile();
    c.damage(b);
    const std::string path = xbtest::NewDir() + "/bad.cdx";
    xbtest::WriteFile(path, b);
    xb::CdxShelf shelf;
    xb::Status s;
    auto ix = CdxIndex::Open(path, File::Mode::kReadWrite, &s, false, {}, &shelf);
    ASSERT_TRUE(ix) << s.message();
    ix->SetKeyType(0, xb::KeyType::kNumeric);
    auto cursor = ix->NewCursor(0);
    for (bool ok = cursor->First(); ok;) ok = cursor->Next();
    EXPECT_EQ(cursor->LastStatus().code(), Code::kCorrupt);
    EXPECT_EQ(ix->Insert(0, xb::EncodeNumericKey(2000), 2000).code(), Code::kCorrupt);
    auto other = CdxIndex::Open(path, File::Mode::kReadWrite, &s, false, {}, &shelf);
    ASSERT_TRUE(other) << s.message();
    other->SetKeyType(0, xb::KeyType::kNumeric);
    EXPECT_EQ(other->Insert(0, xb::EncodeNumericKey(2000), 2000).code(), Code::kCorrupt);
    EXPECT_EQ(xbtest::ReadFile(path), b) << "nothing written";
  }
}

TEST(CdxCorrupt, RebuildRepairsADamagedIndex) {
  const std::string path = xbtest::NewDir() + "/r.cdx";
  std::string b = SoundFile();
  xbtest::WriteFile(path, b);
  xb::Status s;
  auto ix = CdxIndex::Open(path, File::Mode::kReadWrite, &s);
  ASSERT_TRUE(ix);
  b[Child(b, 2) + 2] = char(0xF0);  // damaged behind the handle's back
  PutLe32(b, kTagHeader + 8, 77);    // with its counter moved
  xbtest::WriteFile(path, b);
  EXPECT_EQ(ix->Check().code(), Code::kCorrupt);
  std::vector<std::vector<xb::KeyEntry>> e(1);
  for (uint32_t r = 1; r <= 300; ++r) e[0].push_back({xb::EncodeNumericKey(r), r});
  ASSERT_TRUE(ix->RebuildAll(e).ok());
  EXPECT_TRUE(ix->Check().ok());
  EXPECT_EQ(ix->KeyCount(0), 300u);
}

// Inputs the fuzzer found troublesome once; each must now fail cleanly or work.
TEST(CdxCorrupt, FuzzFindingsStayFixed) {
  const std::filesystem::path dir = xbtest::FixtureDir() + "/fuzz";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no findings kept";
  for (const auto& f : std::filesystem::directory_iterator(dir)) {
    if (f.path().filename().string().rfind("cdx-", 0) != 0) continue;
    const xb::Status s = UseAll(xbtest::ReadFile(f.path().string()));
    EXPECT_TRUE(s.ok() || s.code() == Code::kCorrupt || s.code() == Code::kInvalid) << f.path() << ": " << s.message();
  }
}

}  // namespace
