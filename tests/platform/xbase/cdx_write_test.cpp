// Changing indexes: inserts and removes against a model, page reuse, bulk rebuild,
// files we write read back (by us and in the fixture's layout), argument checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "platform/xbase/Cdx.h"
#include "platform/xbase/CdxBuild.h"
#include "platform/xbase/CdxTree.h"
#include "tests/platform/xbase/XbaseTestUtil.h"
#include "tests/platform/xbase/cdx_test_util.h"

namespace {

using cdxtest::Entry;
using cdxtest::Model;
using xb::CdxIndex;
using xb::Code;
using xb::File;
using xb::KeyType;
using xb::TagDef;
using cdxtest::Def;

std::vector<TagDef> ThreeTags() {
  return {Def("NUM", "QTY", KeyType::kNumeric, 8), Def("TEXT", "UPPER(CODE)", KeyType::kChar, 20),
          Def("LONG", "NAME", KeyType::kChar, 100, "!DELETED()", true)};
}

std::unique_ptr<CdxIndex> OpenRW(const std::string& path) {
  xb::Status s;
  auto ix = CdxIndex::Open(path, File::Mode::kReadWrite, &s);
  EXPECT_TRUE(ix) << s.message();
  return ix;
}

std::string KeyFor(size_t tag, std::mt19937& rng) {
  return tag == 0 ? cdxtest::NumKey(rng) : cdxtest::CharKey(rng, tag == 1 ? 20 : 100);
}

enum class Walk { kBoth, kForwards, kNone };

// Walks every tag (both ways, forwards or not at all), counts and checks the index.
template <typename M>
void ExpectMatches(CdxIndex& ix, const std::vector<M>& models, Walk walk = Walk::kBoth) {
  for (size_t t = 0; t < models.size(); ++t) {
    EXPECT_EQ(ix.KeyCount(t), models[t].size());
    if (walk == Walk::kNone) continue;
    ASSERT_EQ(cdxtest::WalkAll(ix, t), cdxtest::Sorted(models[t])) << "tag " << t;
    if (walk == Walk::kForwards) continue;
    std::vector<Entry> back = cdxtest::WalkAll(ix, t, true);
    std::reverse(back.begin(), back.end());
    ASSERT_EQ(back, cdxtest::Sorted(models[t])) << "tag " << t;
  }
  const xb::Status s = ix.Check();
  ASSERT_TRUE(s.ok()) << s.message();
}

// Every leaf of the file holds exactly the bytes a full encoding of its entries gives,
// however the page was last written.
void ExpectLeavesAsEncoded(const std::string& path, const std::vector<TagDef>& defs) {
  xb::Status st;
  auto file = File::Open(path, File::Mode::kReadOnly, &st);
  ASSERT_TRUE(file) << st.message();
  uint64_t gens = 0;
  bool moved = false;
  xb::cdx::Tree dir(file.get(), 0, 10, ' ', &gens);
  dir.SetBigEndianCounter();
  ASSERT_TRUE(dir.Refresh(&moved).ok());
  std::vector<uint32_t> headers;  // in the order of the tags
  xb::cdx::Pos pos;
  for (xb::Status s = dir.First(&pos); pos.valid(); s = dir.Step(&pos, true)) {
    ASSERT_TRUE(s.ok()) << s.message();
    headers.push_back(pos.leaf->recnos[pos.index]);
  }
  std::sort(headers.begin(), headers.end());
  ASSERT_EQ(headers.size(), defs.size());
  for (size_t t = 0; t < defs.size(); ++t) {
    const uint8_t filler = xb::cdx::FillerFor(defs[t].type);
    xb::cdx::Tree tree(file.get(), headers[t], defs[t].keyLen, filler, &gens);
    ASSERT_TRUE(tree.Refresh(&moved).ok());
    size_t leaves = 0;
    for (xb::Status s = tree.First(&pos); pos.valid(); s = tree.Step(&pos, true), ++leaves) {
      ASSERT_TRUE(s.ok()) << s.message();
      uint8_t disk[xb::cdx::kPageSize], encoded[xb::cdx::kPageSize];
      ASSERT_TRUE(tree.ReadPage(pos.page, disk).ok());
      ASSERT_TRUE(xb::cdx::EncodeNode(*pos.leaf, filler, encoded));
      ASSERT_TRUE(std::equal(disk, disk + sizeof disk, encoded)) << "tag " << t << ", page " << pos.page;
      pos.index = pos.leaf->count() - 1;
    }
    EXPECT_GT(leaves, 1u) << "tag " << t;
  }
}

TEST(CdxWrite, RandomChangesFollowTheModel) {
  const std::string path = xbtest::NewDir() + "/t.cdx";
  ASSERT_TRUE(CdxIndex::Create(path, ThreeTags()).ok());
  auto ix = OpenRW(path);
  ASSERT_TRUE(ix);
  std::vector<cdxtest::Bag> models(3);
  std::mt19937 rng(7);
  uint32_t nextRec = 1;
  // Grow to a few thousand entries per tag (multi-level trees), then churn.
  const int batches[][2] = {{4000, 0}, {3000, 1500}, {1000, 3000}, {5000, 2000}, {500, 4500}, {3000, 100}};
  for (const auto& [inserts, removes] : batches) {
    for (int i = 0; i < inserts; ++i) {
      const size_t t = rng() % 3;
      const Entry e{KeyFor(t, rng), nextRec++};
      ASSERT_TRUE(ix->Insert(t, e.key, e.recno).ok());
      models[t].insert(e);
    }
    for (int i = 0; i < removes; ++i) {
      const size_t t = rng() % 3;
      if (models[t].empty()) continue;
      const Entry e = models[t].TakeRandom(rng);
      const xb::Status s = ix->Remove(t, e.key, e.recno);
      ASSERT_TRUE(s.ok()) << s.message();
    }
    ExpectMatches(*ix, models);
    ExpectLeavesAsEncoded(path, ThreeTags());
  }
  // The same index read by a new handle.
  ix.reset();
  auto again = OpenRW(path);
  ASSERT_TRUE(again);
  ExpectMatches(*again, models);
}

TEST(CdxWrite, SequentialAppendsFillPages) {
  const std::string path = xbtest::NewDir() + "/t.cdx";
  ASSERT_TRUE(CdxIndex::Create(path, {Def("ID", "ID", KeyType::kNumeric, 8)}).ok());
  auto ix = OpenRW(path);
  ASSERT_TRUE(ix);
  Model m;
  for (uint32_t r = 1; r <= 20000; ++r) {
    ASSERT_TRUE(ix->Insert(0, xb::EncodeNumericKey(r), r).ok());
    m.insert({xb::EncodeNumericKey(r), r});
  }
  ExpectMatches(*ix, std::vector<Model>{m});
  // About 120 keys in a full leaf: appends leave full pages behind, not half-full ones.
  EXPECT_LT(std::filesystem::file_size(path), 20000u / 100 * 512 + 16 * 1024);
}

TEST(CdxWrite, FreedPagesAreReused) {
  const std::string path = xbtest::NewDir() + "/t.cdx";
  ASSERT_TRUE(CdxIndex::Create(path, ThreeTags()).ok());
  auto ix = OpenRW(path);
  ASSERT_TRUE(ix);
  std::mt19937 rng(11);
  std::vector<Entry> entries;
  for (uint32_t r = 1; r <= 3000; ++r) entries.push_back({KeyFor(1, rng), r});
  uintmax_t size = 0;
  for (int cycle = 0; cycle < 4; ++cycle) {
    for (const Entry& e : entries) ASSERT_TRUE(ix->Insert(1, e.key, e.recno).ok());
    if (cycle == 0) size = std::filesystem::file_size(path);
    EXPECT_EQ(std::filesystem::file_size(path), size) << "cycle " << cycle;
    std::vector<Entry> order = entries;
    std::shuffle(order.begin(), order.end(), rng);
    for (const Entry& e : order) ASSERT_TRUE(ix->Remove(1, e.key, e.recno).ok());
    EXPECT_EQ(ix->KeyCount(1), 0u);
    ASSERT_TRUE(ix->Check().ok()) << ix->Check().message();
  }
  // Removing and putting back a part keeps the file as it is, too.
  for (const Entry& e : entries) ASSERT_TRUE(ix->Insert(1, e.key, e.recno).ok());
  size = std::filesystem::file_size(path);
  for (int cycle = 0; cycle < 5; ++cycle) {
    for (size_t i = 0; i < 500; ++i) ASSERT_TRUE(ix->Remove(1, entries[i].key, entries[i].recno).ok());
    for (size_t i = 0; i < 500; ++i) ASSERT_TRUE(ix->Insert(1, entries[i].key, entries[i].recno).ok());
  }
  EXPECT_LE(std::filesystem::file_size(path), size + 4 * 512);
  ASSERT_TRUE(ix->Check().ok());
}

TEST(CdxWrite, RebuildAllOfManyKeys) {
  const std::string path = xbtest::NewDir() + "/t.cdx";
  ASSERT_TRUE(CdxIndex::Create(path, ThreeTags()).ok());
  auto ix = OpenRW(path);
  ASSERT_TRUE(ix);
  ASSERT_TRUE(ix->Insert(0, xb::EncodeNumericKey(1), 1).ok());  // replaced by the rebuild
  std::mt19937 rng(3);
  std::vector<std::vector<xb::KeyEntry>> entries(3);
  std::vector<Model> models(3);
  for (uint32_t r = 1; r <= 100000; ++r) {
    for (size_t t = 0; t < 3; ++t) {
      if (t > 0 && r % 10 != 0) continue;  // smaller tags (and a FOR clause) beside the big one
      const std::string k = KeyFor(t, rng);
      entries[t].push_back({k, r});
      models[t].insert({k, r});
    }
  }
  ASSERT_TRUE(ix->RebuildAll(entries).ok());
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp" + std::to_string(getpid())));
  ExpectMatches(*ix, models, Walk::kForwards);
  // Writable after the rebuild, and as read by another handle.
  ASSERT_TRUE(ix->Insert(0, xb::EncodeNumericKey(-1e9), 100001).ok());
  models[0].insert({xb::EncodeNumericKey(-1e9), 100001});
  // Each key greater than all moves the greatest entry of every level above its leaf.
  for (uint32_t k = 0; k < 300; ++k) {
    ASSERT_TRUE(ix->Insert(0, xb::EncodeNumericKey(1e9 + k), 100002 + k).ok());
    models[0].insert({xb::EncodeNumericKey(1e9 + k), 100002 + k});
  }
  auto other = OpenRW(path);
  ASSERT_TRUE(other);
  EXPECT_TRUE(other->Check().ok());
  ExpectMatches(*other, models, Walk::kNone);
  EXPECT_EQ(cdxtest::WalkAll(*other, 2), cdxtest::Sorted(models[2]));
  EXPECT_EQ(other->Tag(2).forExpr, "!DELETED()");
  EXPECT_TRUE(other->Tag(2).descending);
}

TEST(CdxWrite, RebuildRejectsBadEntriesAndKeepsTheFile) {
  const std::string path = xbtest::NewDir() + "/t.cdx";
  ASSERT_TRUE(CdxIndex::Create(path, ThreeTags()).ok());
  auto ix = OpenRW(path);
  ASSERT_TRUE(ix);
  ASSERT_TRUE(ix->Insert(1, std::string(20, 'A'), 5).ok());
  const std::string before = xbtest::ReadFile(path);
  using Entries = std::vector<std::vector<xb::KeyEntry>>;
  const Entries bad[] = {
      Entries(2),                                                         // one tag short
      Entries{{}, {{"short", 1}}, {}},                                    // key of wrong length
      Entries{{{xb::EncodeNumericKey(1), 0}}, {}, {}},                    // record number 0
      Entries{{{xb::EncodeNumericKey(1), 4}, {xb::EncodeNumericKey(1), 4}}, {}, {}},  // twice
  };
  for (const Entries& e : bad) EXPECT_EQ(ix->RebuildAll(e).code(), Code::kInvalid);
  EXPECT_EQ(xbtest::ReadFile(path), before);
  EXPECT_EQ(ix->KeyCount(1), 1u);
}

TEST(CdxWrite, ChangesToTheFixtureKeepItSound) {
  const std::string dir = xbtest::NewDir();
  xbtest::CopyFixture("items", dir);
  auto ix = OpenRW(dir + "/items.cdx");
  ASSERT_TRUE(ix);
  // Walks under a lock held throughout (no lock calls per step; that path is read too).
  ASSERT_TRUE(ix->LockExclusive().ok());
  std::vector<cdxtest::Bag> models(ix->TagCount());
  for (size_t t = 0; t < models.size(); ++t) {
    for (const Entry& e : cdxtest::WalkAll(*ix, t)) models[t].insert(e);
  }
  ix->UnlockExclusive();
  std::mt19937 rng(5);
  for (uint32_t r = 20001; r <= 23000; ++r) {
    const size_t t = rng() % models.size();
    std::string key = t == 0 || t == 4 ? cdxtest::NumKey(rng) : cdxtest::CharKey(rng, ix->Tag(t).keyLen);
    if (t == 3) key = std::to_string(19000000 + rng() % 1000000);
    ASSERT_TRUE(ix->Insert(t, key, r).ok());
    models[t].insert({key, r});
    const size_t victim = rng() % models.size();
    const Entry gone = models[victim].TakeRandom(rng);
    ASSERT_TRUE(ix->Remove(victim, gone.key, gone.recno).ok());
  }
  ASSERT_TRUE(ix->LockExclusive().ok());
  ExpectMatches(*ix, models);
  ix->UnlockExclusive();
  ix.reset();
  auto again = OpenRW(dir + "/items.cdx");
  ASSERT_TRUE(again);
  ExpectMatches(*again, models, Walk::kNone);
  EXPECT_EQ(cdxtest::WalkAll(*again, 1), cdxtest::Sorted(models[1]));
}

TEST(CdxWrite, CreateLaysOutPagesAsTheFixture) {
  const std::string path = xbtest::NewDir() + "/empty.cdx";
  ASSERT_TRUE(CdxIndex::Create(path, {Def("rowid", "ROWID", KeyType::kNumeric, 8),
                                      Def("DESC", "UPPER( DESC )", KeyType::kChar, 40)})
                  .ok());
  std::string ours = xbtest::ReadFile(path);
  std::string theirs = xbtest::ReadFile(xbtest::FixtureDir() + "/empty.cdx");
  ASSERT_EQ(ours.size(), theirs.size());
  // Not compared: the free list fields (they write 0, we -1) and four bytes the other
  // engine leaves as its mark in the directory header.
  for (size_t header : {0x000, 0x600, 0xC00}) {
    for (size_t i = 4; i < 8; ++i) ours[header + i] = theirs[header + i] = 0;
  }
  for (size_t i = 20; i < 24; ++i) ours[i] = theirs[i] = 0;
  EXPECT_TRUE(ours == theirs);
  for (size_t i = 0; i < ours.size(); ++i) {
    if (ours[i] != theirs[i]) {
      ADD_FAILURE() << "first difference at " << i;
      break;
    }
  }
  auto ix = OpenRW(path);
  ASSERT_TRUE(ix);
  EXPECT_EQ(ix->Tag(0).name, "ROWID");
  EXPECT_EQ(ix->Tag(0).type, KeyType::kNumeric);
}

TEST(CdxWrite, BadArgumentsAreRefused) {
  const std::string dir = xbtest::NewDir();
  const std::string path = dir + "/t.cdx";
  const std::vector<std::vector<TagDef>> bad = {
      {Def("", "X", KeyType::kChar, 10)},
      {Def("ELEVENCHARS", "X", KeyType::kChar, 10)},
      {Def("A B", "X", KeyType::kChar, 10)},
      {Def("N", "X", KeyType::kNumeric, 4)},
      {Def("N", "X", KeyType::kChar, 0)},
      {Def("N", "X", KeyType::kChar, 241)},
      {Def("N", "", KeyType::kChar, 10)},
      {Def("N", "X", KeyType::kChar, 10), Def("n", "Y", KeyType::kChar, 10)},
      {Def("N", std::string(600, 'X').c_str(), KeyType::kChar, 10)},
  };
  for (const auto& tags : bad) EXPECT_EQ(CdxIndex::Create(path, tags).code(), Code::kInvalid);
  EXPECT_FALSE(std::filesystem::exists(path));

  std::vector<TagDef> tags = ThreeTags();
  tags[1].unique = true;
  ASSERT_TRUE(CdxIndex::Create(path, tags).ok());
  auto ix = OpenRW(path);
  ASSERT_TRUE(ix);
  const std::string k(20, 'K');
  EXPECT_EQ(ix->Insert(1, "short", 1).code(), Code::kInvalid);
  EXPECT_EQ(ix->Insert(1, k, 0).code(), Code::kInvalid);
  EXPECT_EQ(ix->Insert(7, k, 1).code(), Code::kInvalid);
  EXPECT_TRUE(ix->Insert(1, k, 1).ok());
  EXPECT_EQ(ix->Insert(1, k, 2).code(), Code::kInvalid);  // unique tag
  EXPECT_TRUE(ix->Insert(2, std::string(100, 'K'), 1).ok());
  EXPECT_EQ(ix->Insert(2, std::string(100, 'K'), 1).code(), Code::kInvalid);  // entry there already
  EXPECT_EQ(ix->Remove(2, std::string(100, 'K'), 2).code(), Code::kNotFound);
  EXPECT_TRUE(ix->Tag(1).unique);
  EXPECT_EQ(ix->NewCursor(3), nullptr);

  xb::Status s;
  auto ro = CdxIndex::Open(path, File::Mode::kReadOnly, &s);
  ASSERT_TRUE(ro);
  EXPECT_EQ(ro->Insert(1, std::string(20, 'Z'), 9).code(), Code::kReadOnly);
  EXPECT_EQ(ro->LockExclusive().code(), Code::kReadOnly);
  EXPECT_EQ(ro->RebuildAll(std::vector<std::vector<xb::KeyEntry>>(3)).code(), Code::kReadOnly);
  EXPECT_EQ(ro->KeyCount(1), 1u);
}

}  // namespace
