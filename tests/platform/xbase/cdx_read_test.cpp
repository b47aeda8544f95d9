// Reading index files written by another engine: the fixtures' tags, walks and seeks.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/xbase/Cdx.h"
#include "tests/platform/xbase/XbaseTestUtil.h"
#include "tests/platform/xbase/cdx_test_util.h"

namespace {

using xb::CdxIndex;
using xb::EncodeNumericKey;
using xb::File;
using xb::KeyType;
using cdxtest::Entry;
using cdxtest::WalkAll;

std::unique_ptr<CdxIndex> OpenFixture(const std::string& name) {
  xb::Status s;
  auto ix = CdxIndex::Open(xbtest::FixtureDir() + "/" + name, File::Mode::kReadOnly, &s);
  EXPECT_TRUE(ix) << s.message();
  return ix;
}

std::vector<uint32_t> RecNos(const std::vector<Entry>& v) {
  std::vector<uint32_t> r;
  for (const Entry& e : v) r.push_back(e.recno);
  return r;
}

TEST(CdxRead, ItemsTagDefinitions) {
  auto ix = OpenFixture("items.cdx");
  ASSERT_TRUE(ix);
  struct Want {
    const char* name;
    const char* expr;
    const char* forExpr;
    bool descending;
    KeyType type;
    uint16_t keyLen;
  };
  const Want want[] = {
      {"ID", "ID", "", false, KeyType::kNumeric, 8},
      {"CODE", "UPPER( CODE )", "", false, KeyType::kChar, 20},
      {"NAME", "UPPER( NAME )", "!Deleted()", false, KeyType::kChar, 60},
      {"DDATE_D", "DDATE", "", true, KeyType::kChar, 8},
      {"KIND", "KIND", "", false, KeyType::kNumeric, 8},
  };
  ASSERT_EQ(ix->TagCount(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const xb::TagDef& d = ix->Tag(i);
    EXPECT_EQ(d.name, want[i].name);
    EXPECT_EQ(d.keyExpr, want[i].expr) << d.name;
    EXPECT_EQ(d.forExpr, want[i].forExpr) << d.name;
    EXPECT_EQ(d.descending, want[i].descending) << d.name;
    EXPECT_EQ(d.type, want[i].type) << d.name;
    EXPECT_EQ(d.keyLen, want[i].keyLen) << d.name;
    EXPECT_FALSE(d.unique);
    EXPECT_EQ(ix->FindTag(d.name), int(i));
  }
  EXPECT_EQ(ix->FindTag("ddate_d"), 3);
  EXPECT_EQ(ix->FindTag("Code"), 1);
  EXPECT_EQ(ix->FindTag("NOPE"), -1);
  EXPECT_TRUE(ix->Check().ok()) << ix->Check().message();
}

TEST(CdxRead, ItemsTagsWalkAsListed) {
  auto ix = OpenFixture("items.cdx");
  ASSERT_TRUE(ix);
  for (size_t t = 0; t < ix->TagCount(); ++t) {
    const xb::TagDef& d = ix->Tag(t);
    const xbtest::TagListing& listing = xbtest::ItemTags().at(d.name);
    ASSERT_EQ(listing.descending, d.descending);
    // Stored order is ascending; a descending tag is walked from the end.
    std::vector<Entry> fwd = WalkAll(*ix, t), back = WalkAll(*ix, t, true);
    EXPECT_TRUE(std::is_sorted(fwd.begin(), fwd.end())) << d.name;
    std::vector<uint32_t> natural = RecNos(d.descending ? back : fwd);
    std::vector<uint32_t> reverse = RecNos(d.descending ? fwd : back);
    std::reverse(reverse.begin(), reverse.end());
    EXPECT_EQ(natural, listing.order) << d.name;
    EXPECT_EQ(reverse, listing.order) << d.name;
    EXPECT_EQ(ix->KeyCount(t), listing.keys) << d.name;
    EXPECT_EQ(fwd.size(), listing.keys) << d.name;
  }
}

TEST(CdxRead, ItemsKeysMatchTheRecords) {
  auto ix = OpenFixture("items.cdx");
  ASSERT_TRUE(ix);
  const auto& items = xbtest::Items();
  for (const Entry& e : WalkAll(*ix, size_t(ix->FindTag("ID")))) {
    EXPECT_EQ(xb::DecodeNumericKey(e.key), 1000.0 + e.recno);
  }
  for (const Entry& e : WalkAll(*ix, size_t(ix->FindTag("CODE")))) {
    std::string code = items[e.recno - 1].code;
    for (char& ch : code) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    code.resize(20, ' ');
    ASSERT_EQ(e.key, code) << e.recno;
  }
  for (const Entry& e : WalkAll(*ix, size_t(ix->FindTag("KIND")))) {
    ASSERT_EQ(xb::DecodeNumericKey(e.key), double(e.recno % 5 + 1)) << e.recno;
  }
}

TEST(CdxRead, SeeksAgreeWithTheWalk) {
  auto ix = OpenFixture("items.cdx");
  ASSERT_TRUE(ix);
  struct Probe {
    const char* tag;
    std::string key;
  };
  const Probe probes[] = {
      {"CODE", "C0001"}, {"CODE", "C"}, {"CODE", "C030009"}, {"CODE", "D"}, {"CODE", ""},
      {"CODE", "C015"},  {"NAME", "WASHER"}, {"NAME", "BEARING BEARING 25"}, {"NAME", "A"},
      {"NAME", "ZZZ"},   {"DDATE_D", "2005"}, {"DDATE_D", "20050223"}, {"ID", EncodeNumericKey(1777)},
      {"ID", EncodeNumericKey(1777.5)}, {"ID", EncodeNumericKey(-5)}, {"ID", EncodeNumericKey(99999)},
      {"KIND", EncodeNumericKey(3)}, {"KIND", EncodeNumericKey(5)},
  };
  std::map<std::string, std::vector<Entry>> walks;
  for (const Probe& p : probes) {
    const size_t tag = size_t(ix->FindTag(p.tag));
    if (!walks.count(p.tag)) walks[p.tag] = WalkAll(*ix, tag);
    const std::vector<Entry>& all = walks[p.tag];
    auto cut = [&](const Entry& e) { return e.key.substr(0, p.key.size()); };
    const auto ge = std::find_if(all.begin(), all.end(), [&](const Entry& e) { return cut(e) >= p.key; });
    const auto gt = std::find_if(all.begin(), all.end(), [&](const Entry& e) { return cut(e) > p.key; });
    auto c = ix->NewCursor(tag);
    ASSERT_EQ(c->SeekGE(p.key), ge != all.end()) << p.tag << " " << p.key;
    if (ge != all.end()) {
      EXPECT_EQ(c->Key(), ge->key);
      EXPECT_EQ(c->RecNo(), ge->recno);
      // The walk goes on from the found entry.
      ASSERT_EQ(c->Next(), ge + 1 != all.end());
      if (ge + 1 != all.end()) {
        EXPECT_EQ(c->RecNo(), (ge + 1)->recno);
      }
    }
    ASSERT_EQ(c->SeekGT(p.key), gt != all.end()) << p.tag << " " << p.key;
    if (gt != all.end()) {
      EXPECT_EQ(c->RecNo(), gt->recno);
    }
    if (gt != all.begin() && gt != all.end()) {
      ASSERT_TRUE(c->Prev());
      EXPECT_EQ(c->RecNo(), (gt - 1)->recno);
    }
  }
}

TEST(CdxRead, ExactNumericSeeksAndEntries) {
  auto ix = OpenFixture("items.cdx");
  ASSERT_TRUE(ix);
  auto id = ix->NewCursor(size_t(ix->FindTag("ID")));
  ASSERT_TRUE(id->SeekGE(EncodeNumericKey(1777)));
  EXPECT_EQ(id->RecNo(), 777u);
  auto kind = ix->NewCursor(size_t(ix->FindTag("KIND")));
  ASSERT_TRUE(kind->SeekGE(EncodeNumericKey(3)));
  EXPECT_EQ(kind->RecNo(), 2u);  // kind 3 is record i with i % 5 == 2
  ASSERT_TRUE(kind->SeekGT(EncodeNumericKey(3)));
  EXPECT_EQ(kind->RecNo(), 3u);
  ASSERT_TRUE(kind->SeekEntry(EncodeNumericKey(3), 9998));
  EXPECT_EQ(kind->RecNo(), 10002u);  // the next record of kind 3 after 9997
  EXPECT_FALSE(kind->SeekGT(EncodeNumericKey(5)));
  EXPECT_TRUE(kind->LastStatus().ok());
  auto name = ix->NewCursor(size_t(ix->FindTag("NAME")));
  ASSERT_TRUE(name->SeekEntry("BEARING BEARING 25", 15525));
  EXPECT_EQ(name->RecNo(), 15525u);
}

TEST(CdxRead, EmptyAndCounters) {
  auto empty = OpenFixture("empty.cdx");
  ASSERT_TRUE(empty);
  ASSERT_EQ(empty->TagCount(), 2u);
  EXPECT_EQ(empty->Tag(0).name, "ROWID");
  EXPECT_EQ(empty->Tag(0).type, KeyType::kNumeric);
  EXPECT_EQ(empty->Tag(1).name, "DESC");
  EXPECT_EQ(empty->Tag(1).keyExpr, "UPPER( DESC )");
  EXPECT_EQ(empty->Tag(1).keyLen, 40);
  for (size_t t = 0; t < 2; ++t) {
    auto c = empty->NewCursor(t);
    EXPECT_FALSE(c->First());
    EXPECT_FALSE(c->Last());
    EXPECT_FALSE(c->SeekGE(""));
    EXPECT_TRUE(c->LastStatus().ok());
    EXPECT_EQ(empty->KeyCount(t), 0u);
  }
  EXPECT_TRUE(empty->Check().ok());

  auto counters = OpenFixture("counters.cdx");
  ASSERT_TRUE(counters);
  ASSERT_EQ(counters->TagCount(), 1u);
  EXPECT_EQ(counters->Tag(0).keyExpr, "TBLNAME");
  EXPECT_EQ(counters->Tag(0).type, KeyType::kChar);
  const std::vector<Entry> all = WalkAll(*counters, 0);
  ASSERT_EQ(all.size(), 3u);
  auto pad = [](std::string s) { return s.resize(30, ' '), s; };
  EXPECT_EQ(all[0], (Entry{pad("dbversion"), 3}));
  EXPECT_EQ(all[1], (Entry{pad("items.dbf"), 2}));
  EXPECT_EQ(all[2], (Entry{pad("orders.dbf"), 1}));
  auto c = counters->NewCursor(0);
  ASSERT_TRUE(c->SeekGE("ITEMS"));  // machine collation: upper case sorts first
  EXPECT_EQ(c->RecNo(), 3u);
  ASSERT_TRUE(c->SeekGE("items"));
  EXPECT_EQ(c->RecNo(), 2u);
}

TEST(CdxRead, OpenFailures) {
  xb::Status s;
  EXPECT_FALSE(CdxIndex::Open(xbtest::FixtureDir() + "/missing.cdx", File::Mode::kReadOnly, &s));
  EXPECT_EQ(s.code(), xb::Code::kNotFound);
  // A table is no index.
  EXPECT_FALSE(CdxIndex::Open(xbtest::FixtureDir() + "/items.dbf", File::Mode::kReadOnly, &s));
  EXPECT_EQ(s.code(), xb::Code::kCorrupt);
}

}  // namespace
