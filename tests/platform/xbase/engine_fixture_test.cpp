// Reading the fixtures written by another xBase engine, through the call surface.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/xbase/Engine.h"
#include "platform/xbase/Number.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace {

using xbtest::Engine;
using xbtest::Items;
using xbtest::ItemTags;
using xbtest::Text;

class ItemsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    code4readOnly(engine_, 1);
    d_ = d4open(engine_, (xbtest::FixtureDir() + "/items.dbf").c_str());
    ASSERT_NE(d_, nullptr);
  }
  void TearDown() override {
    if (d_) {
      EXPECT_EQ(d4close(d_), 0);
    }
  }
  void Select(const char* tag) {
    TAG4* t = d4tag(d_, tag);
    ASSERT_NE(t, nullptr) << tag;
    d4tagSelect(d_, t);
  }
  // The listed walk of a tag as the surface yields it: deleted records left out.
  static std::vector<uint32_t> LiveOrder(const std::string& tag) {
    std::vector<uint32_t> out;
    for (uint32_t n : ItemTags().at(tag).order) {
      if (!Items()[n - 1].deleted) out.push_back(n);
    }
    return out;
  }

  Engine engine_;
  DATA4* d_ = nullptr;
};

TEST_F(ItemsFixture, EveryFieldOfEveryRecordMatchesTheListing) {
  FIELD4* id = d4field(d_, "id");
  FIELD4* code = d4field(d_, "Code");
  FIELD4* name = d4field(d_, "NAME");
  FIELD4* qty = d4field(d_, "qty");
  FIELD4* ddate = d4field(d_, "ddate");
  FIELD4* kind = d4field(d_, "kind");
  FIELD4* flag = d4field(d_, "flag");
  FIELD4* note = d4field(d_, "note");
  ASSERT_TRUE(id && code && name && qty && ddate && kind && flag && note);
  EXPECT_EQ(d4recCountDo(d_), 20000);
  size_t seen = 0;
  for (int r = d4top(d_); r == 0; r = d4skip(d_, 1)) {
    const xbtest::ItemRow& row = Items()[seen++];
    ASSERT_EQ(d4recNo(d_), row.recno);
    EXPECT_EQ(d4deleted(d_) == 1, row.deleted) << row.recno;
    EXPECT_EQ(std::to_string(f4long(id)), row.id);
    EXPECT_EQ(Text(code), row.code);
    EXPECT_EQ(Text(name), row.name);
    char buf[32];
    const int n = xb::FixedText(f4double(qty), 4, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), row.qty) << row.recno;
    EXPECT_EQ(Text(ddate), row.ddate);
    EXPECT_EQ(std::to_string(f4long(kind)), row.kind);
    EXPECT_EQ(Text(flag), row.flag);
    ASSERT_EQ(f4memoLenVB(note), row.noteLen) << row.recno;
    std::string head(f4memoPtr(note), row.noteLen < 20 ? row.noteLen : 20);
    for (char& c : head) c = c == ',' ? ';' : c;
    EXPECT_EQ(head, row.noteHead) << row.recno;
  }
  EXPECT_EQ(seen, 20000u);
  EXPECT_EQ(f4memoLenVB(note), 0u) << "at end of file the buffer is blank";
}

TEST_F(ItemsFixture, TheLongMemoReadsWhole) {
  FIELD4* note = d4field(d_, "NOTE");
  ASSERT_EQ(d4top(d_), 0);
  ASSERT_EQ(d4skip(d_, 776), 0);
  ASSERT_EQ(d4recNo(d_), 777);
  std::string expected;
  while (expected.size() < 40000) expected += "0123456789";
  EXPECT_EQ(std::string(f4memoPtr(note), f4memoLenVB(note)), expected);
}

TEST_F(ItemsFixture, EveryTagWalksInListedOrderBothWays) {
  for (const auto& [name, listing] : ItemTags()) {
    SCOPED_TRACE(name);
    Select(name.c_str());
    const std::vector<uint32_t> expected = LiveOrder(name);
    if (listing.hasFor) {
      EXPECT_EQ(expected.size(), listing.keys) << "a FOR !DELETED() tag lists no deleted record";
    }
    EXPECT_EQ(xbtest::WalkForward(d_), expected);
    EXPECT_EQ(xbtest::WalkBackward(d_), std::vector<uint32_t>(expected.rbegin(), expected.rend()));
  }
}

TEST_F(ItemsFixture, NumericSeeksMatchExactly) {
  Select("ID");
  struct Case {
    const char* text;
    int result;
    long recno;
  } cases[] = {
      {"1005", 0, 5},        {" 1005 ", 0, 5},  {"10000", 0, 9000}, {"1000", r4after, 1},
      {"1097", r4after, 98}, {"21000", 0, 20000}, {"21001", r4eof, 20001}, {"abc", r4eof, 20001},
      {"1005.5", r4after, 6},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(d4seek(d_, c.text), c.result) << c.text;
    EXPECT_EQ(d4recNo(d_), c.recno) << c.text;
  }
  EXPECT_EQ(d4seekDouble(d_, 1234), 0);
  EXPECT_EQ(d4recNo(d_), 234);
  EXPECT_NE(d4seekDouble(d_, 1194), 0) << "record 194 is deleted";
}

TEST_F(ItemsFixture, CharacterSeeksMatchThePrefixOfTheKey) {
  Select("CODE");
  FIELD4* code = d4field(d_, "CODE");
  // Record 10's code is stored in lower case; the tag holds it upper-cased.
  const std::string tenth = Items()[9].code;
  std::string upper = tenth;
  for (char& c : upper) c = static_cast<char>(toupper(c));
  ASSERT_EQ(d4seek(d_, upper.c_str()), 0);
  EXPECT_EQ(d4recNo(d_), 10);
  EXPECT_EQ(Text(code), tenth);
  EXPECT_NE(d4seek(d_, tenth.c_str()), 0) << "the key is upper case";
  // A longer text than the key is cut to the key's length.
  const std::string longText = upper + std::string(40, ' ') + "tail";
  EXPECT_EQ(d4seek(d_, longText.c_str()), 0);
  EXPECT_EQ(d4recNo(d_), 10);
  EXPECT_NE(d4seek(d_, "X"), 0);
}

TEST_F(ItemsFixture, SeekNextWalksARunOfEqualKeys) {
  struct Case {
    const char* tag;
    std::string key;
    bool (*match)(const xbtest::ItemRow&, const std::string&);
  } cases[] = {
      {"KIND", "3", [](const xbtest::ItemRow& r, const std::string& k) { return r.kind == k; }},
      {"NAME", "WASHER", [](const xbtest::ItemRow& r, const std::string& k) {
         std::string u = r.name;
         for (char& c : u) c = static_cast<char>(toupper(c));
         return u.rfind(k, 0) == 0;
       }},
      {"DDATE_D", "2003", [](const xbtest::ItemRow& r, const std::string& k) { return r.ddate.rfind(k, 0) == 0; }},
      {"ID", "1500", [](const xbtest::ItemRow& r, const std::string& k) { return r.id == k; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    Select(c.tag);
    std::vector<uint32_t> expected;
    for (uint32_t n : LiveOrder(c.tag)) {
      if (c.match(Items()[n - 1], c.key)) expected.push_back(n);
    }
    ASSERT_FALSE(expected.empty());
    std::vector<uint32_t> got;
    for (int r = d4seek(d_, c.key.c_str()); r == 0; r = d4seekNext(d_, c.key.c_str())) {
      got.push_back(static_cast<uint32_t>(d4recNo(d_)));
    }
    EXPECT_EQ(got, expected);
  }
}

TEST_F(ItemsFixture, SeekNextOffTheKeyBehavesAsASeek) {
  Select("KIND");
  ASSERT_EQ(d4seek(d_, "2"), 0);
  ASSERT_EQ(d4seekNext(d_, "4"), 0);
  FIELD4* kind = d4field(d_, "KIND");
  EXPECT_EQ(f4long(kind), 4);
  EXPECT_EQ(d4recNo(d_), 3) << "the first live record of kind 4";
}

TEST_F(ItemsFixture, MissingTagsAndFieldsAreNullWithAnError) {
  EXPECT_EQ(d4tag(d_, "NOPE"), nullptr);
  EXPECT_EQ(code4errorCode(engine_, 0), e4tagName);
  code4errTagName(engine_, 0);
  EXPECT_EQ(d4tag(d_, "NOPE"), nullptr);
  EXPECT_EQ(code4errorCode(engine_, 0), 0);
  EXPECT_NE(d4tag(d_, "ddate_d"), nullptr);
  EXPECT_EQ(d4field(d_, "NOPE"), nullptr);
  EXPECT_EQ(code4errorCode(engine_, 0), e4fieldName);
  EXPECT_EQ(code4errorCode(engine_, 0), 0) << "clearing returns the cleared code once";
}

TEST(CountersFixture, ReadsTheThreeRowsByTag) {
  Engine engine;
  code4readOnly(engine, 1);
  DATA4* d = d4open(engine, (xbtest::FixtureDir() + "/counters.dbf").c_str());
  ASSERT_NE(d, nullptr);
  d4tagSelect(d, d4tag(d, "TBLNAME"));
  FIELD4* lastid = d4field(d, "LASTID");
  struct Case {
    const char* key;
    long value;
  } cases[] = {{"orders.dbf", 1000}, {"items.dbf", 21001}, {"dbversion", 6}};
  for (const Case& c : cases) {
    ASSERT_EQ(d4seek(d, c.key), 0) << c.key;
    EXPECT_EQ(f4long(lastid), c.value);
  }
  EXPECT_NE(d4seek(d, "ITEMS.DBF"), 0) << "the tag keeps the case as stored";
  EXPECT_EQ(xbtest::WalkForward(d), (std::vector<uint32_t>{3, 2, 1}));
  d4close(d);
}

TEST(EmptyFixture, HasNoRecords) {
  Engine engine;
  code4readOnly(engine, 1);
  DATA4* d = d4open(engine, (xbtest::FixtureDir() + "/empty.dbf").c_str());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d4recCountDo(d), 0);
  EXPECT_EQ(d4top(d), r4eof);
  d4tagSelect(d, d4tag(d, "DESC"));
  EXPECT_EQ(d4top(d), r4eof);
  EXPECT_EQ(d4seek(d, "A"), r4eof);
  EXPECT_EQ(d4skip(d, 1), r4eof);
  d4close(d);
}

}  // namespace
