// Writing through the call surface: creating tables, appending, changing keys,
// deleting, re-indexing; the files keep the layout other xBase programs write.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/Cdx.h"
#include "platform/xbase/Engine.h"
#include "platform/xbase/File.h"
#include "platform/xbase/Memo.h"
#include "tests/platform/xbase/DecimalCommas.h"
#include "tests/platform/xbase/KillPoints.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace {

using xbtest::Engine;
using xbtest::Text;

const FIELD4INFO kTranFields[] = {
    {"ROWID", 'N', 11, 0}, {"PRODID", 'N', 11, 0}, {"TRANDATE", 'D', 8, 0}, {"TRANTYPE", 'N', 4, 0},
    {"UNITS", 'N', 20, 4}, {"CODE", 'C', 10, 0},   {"NOTES", 'M', 10, 0},   {nullptr, 0, 0, 0},
};
const TAG4INFO kTranTags[] = {
    {"ROWID", "ROWID", nullptr, 0, 0},
    {"PRODID", "PRODID", nullptr, 0, 0},
    {"TRNDT_D", "DTOS( TRANDATE )", nullptr, 0, 1},
    {"CODE", "UPPER(CODE)", "!DELETED()", 0, 0},
    {"PRODDATE", "STR(PRODID,11)+DTOS(TRANDATE)", nullptr, 0, 0},
    {nullptr, nullptr, nullptr, 0, 0},
};

struct Row {
  long rowid = 0, prodid = 0;
  std::string date, code;
  bool deleted = false;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

// Record numbers of the live rows in the order of key(row), equal keys by record
// number (reversed for a descending tag).
template <typename Key>
std::vector<uint32_t> Expected(const std::vector<Row>& rows, Key key, bool descending = false) {
  std::vector<std::pair<decltype(key(rows[0])), uint32_t>> v;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].deleted) v.emplace_back(key(rows[i]), static_cast<uint32_t>(i + 1));
  }
  std::sort(v.begin(), v.end());
  if (descending) std::reverse(v.begin(), v.end());
  std::vector<uint32_t> out;
  for (auto& e : v) out.push_back(e.second);
  return out;
}

std::string gRepaired;  // what the last repair said

class TranTable : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = xbtest::NewDir() + "/tran.dbf";
    d_ = d4create(engine_, path_.c_str(), kTranFields, kTranTags);
    ASSERT_NE(d_, nullptr);
    Fields();
  }
  void TearDown() override {
    if (d_) {
      EXPECT_EQ(d4close(d_), 0);
    }
  }
  void Fields() {
    rowid_ = d4field(d_, "ROWID");
    prodid_ = d4field(d_, "PRODID");
    date_ = d4field(d_, "TRANDATE");
    code_ = d4field(d_, "CODE");
    notes_ = d4field(d_, "NOTES");
  }
  void Reopen() {
    if (d_) {
      ASSERT_EQ(d4close(d_), 0);
    }
    d_ = d4open(engine_, path_.c_str());
    ASSERT_NE(d_, nullptr);
    Fields();
  }
  // The table (closed) opened deny-write and re-indexed; left open.
  void Reindex() {
    code4accessMode(engine_, 1);
    d_ = d4open(engine_, path_.c_str());
    ASSERT_NE(d_, nullptr);
    ASSERT_EQ(d4reindex(d_), 0);
    code4accessMode(engine_, 0);
  }
  // Reopen, with what a repair at the open said in gRepaired.
  void ReopenHearingTheRepair() {
    gRepaired.clear();
    xb::repairHook = [](const std::string&, const std::string& what) { gRepaired = what; };
    Reopen();
    xb::repairHook = nullptr;
  }
  void Assign(const Row& r) {
    f4assignDouble(prodid_, static_cast<double>(r.prodid));
    f4assignNVB(date_, r.date.data(), static_cast<int>(r.date.size()));
    f4assignNVB(code_, r.code.data(), static_cast<int>(r.code.size()));
  }
  void Append(const Row& r) {
    ASSERT_EQ(d4appendStartVB(d_, 0), 0);
    ASSERT_EQ(d4blank(d_), 0);
    f4assignLong(rowid_, r.rowid);
    Assign(r);
    ASSERT_EQ(d4append(d_), 0);
    rows_.push_back(r);
  }
  void Fill(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    for (size_t i = 0; i < n; ++i) {
      Row r;
      r.rowid = static_cast<long>(1000 + rows_.size());
      r.prodid = static_cast<long>(rng() % 25);
      char date[16];
      std::snprintf(date, sizeof date, "20%02u%02u%02u", static_cast<unsigned>(rng() % 30),
                    static_cast<unsigned>(1 + rng() % 12), static_cast<unsigned>(1 + rng() % 28));
      r.date = date;
      const char* codes[] = {"abc", "ABD", "x", "Zeta", "mid", "Mid"};
      r.code = codes[rng() % 6];
      Append(r);
    }
  }
  void Select(const char* tag) {
    TAG4* t = d4tag(d_, tag);
    ASSERT_NE(t, nullptr);
    d4tagSelect(d_, t);
  }
  void ExpectOrders() {
    struct Case {
      const char* tag;
      std::vector<uint32_t> order;
    } cases[] = {
        {"ROWID", Expected(rows_, [](const Row& r) { return r.rowid; })},
        {"PRODID", Expected(rows_, [](const Row& r) { return r.prodid; })},
        {"TRNDT_D", Expected(rows_, [](const Row& r) { return r.date; }, true)},
        {"CODE", Expected(rows_, [](const Row& r) { return Upper(r.code); })},
        {"PRODDATE", Expected(rows_, [](const Row& r) { return std::make_tuple(r.prodid, r.date); })},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.tag);
      Select(c.tag);
      EXPECT_EQ(xbtest::WalkForward(d_), c.order);
      EXPECT_EQ(xbtest::WalkBackward(d_), std::vector<uint32_t>(c.order.rbegin(), c.order.rend()));
    }
  }
  // Closes the table and checks the index file itself: sound, and as many keys as
  // records (live ones for the FOR !DELETED() tag).
  void ExpectSoundIndex() {
    ASSERT_EQ(d4close(d_), 0);
    d_ = nullptr;
    xb::Status s;
    auto index = xb::CdxIndex::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadOnly, &s);
    ASSERT_TRUE(index) << s.message();
    EXPECT_TRUE(index->Check().ok()) << index->Check().message();
    const size_t live = static_cast<size_t>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return !r.deleted; }));
    for (size_t t = 0; t < index->TagCount(); ++t) {
      EXPECT_EQ(index->KeyCount(t), index->Tag(t).name == "CODE" ? live : rows_.size()) << index->Tag(t).name;
    }
    index.reset();
    Reopen();
  }
  void Change(uint32_t recno, const Row& r) {
    d4tagSelect(d_, nullptr);
    ASSERT_EQ(d4top(d_), 0);
    ASSERT_EQ(d4skip(d_, static_cast<long>(recno) - 1), 0);
    ASSERT_EQ(d4lock(d_, d4recNo(d_)), 0);
    Assign(r);
    ASSERT_EQ(d4flush(d_), 0);
    ASSERT_EQ(d4unlock(d_), 0);
    rows_[recno - 1].prodid = r.prodid;
    rows_[recno - 1].date = r.date;
    rows_[recno - 1].code = r.code;
  }
  void Delete(uint32_t recno) {
    d4tagSelect(d_, nullptr);
    ASSERT_EQ(d4top(d_), 0);
    ASSERT_EQ(d4skip(d_, static_cast<long>(recno) - 1), 0);
    ASSERT_EQ(d4lock(d_, recno), 0);
    ASSERT_EQ(d4delete(d_), 0);
    ASSERT_EQ(d4unlock(d_), 0);
    rows_[recno - 1].deleted = true;
  }
  // What another program writing record n leaves (the table closed): a copy of record
  // 1 with this rowid, the count left or raised to n, and the record's key in every tag.
  void WriteCopyOfRecord1(uint32_t n, long rowid, bool counted, Row* row) {
    std::string bytes = xbtest::ReadFile(path_);
    const xbtest::DbfLayout dbf(bytes);
    std::string image = bytes.substr(dbf.At(1), dbf.recordLen);
    image.replace(1, 11, (std::string(11, ' ') + std::to_string(rowid)).substr(std::to_string(rowid).size()));
    bytes = bytes.substr(0, dbf.At(n)) + image + "\x1A";
    if (counted) xb::PutLE32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, n);
    xbtest::WriteFile(path_, bytes);
    *row = rows_[0];
    row->rowid = rowid;
    xb::Status s;
    auto raw = xb::CdxIndex::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadWrite, &s);
    ASSERT_TRUE(raw);
    char prodid[16];
    std::snprintf(prodid, sizeof prodid, "%11ld", row->prodid);
    const std::pair<const char*, std::string> keys[] = {
        {"ROWID", xb::EncodeNumericKey(double(rowid))}, {"PRODID", xb::EncodeNumericKey(double(row->prodid))},
        {"TRNDT_D", row->date}, {"CODE", (Upper(row->code) + "          ").substr(0, 10)},
        {"PRODDATE", prodid + row->date}};
    for (const auto& [tag, key] : keys) ASSERT_TRUE(raw->Insert(size_t(raw->FindTag(tag)), key, n).ok()) << tag;
  }

  Engine engine_;
  std::string path_;
  DATA4* d_ = nullptr;
  FIELD4 *rowid_ = nullptr, *prodid_ = nullptr, *date_ = nullptr, *code_ = nullptr, *notes_ = nullptr;
  std::vector<Row> rows_;
};

// Appended one by one, or in batches under d4lockAppend (pages split and written once
// at the unlock).
TEST_F(TranTable, AppendedRecordsReadBackInEveryTag) {
  for (const size_t batch : {size_t{0}, size_t{700}}) {
    SCOPED_TRACE(batch);
    TearDown(), rows_.clear(), SetUp();
    for (size_t added = 0; added < 1400; added += batch ? batch : 1400) {
      EXPECT_EQ(batch ? d4lockAppend(d_) : 0, 0);
      Fill(batch ? batch : 1400, static_cast<unsigned>(1 + added));
      EXPECT_EQ(batch ? d4unlock(d_) : 0, 0);
    }
    EXPECT_EQ(d4recCountDo(d_), 1400);
    ExpectOrders();
    ExpectSoundIndex();
    ExpectOrders();
  }
}

TEST_F(TranTable, ChangedKeysAndDeletesKeepEveryTagSortedAndComplete) {
  Fill(300, 2);
  std::mt19937 rng(7);
  for (int i = 0; i < 60; ++i) {
    Row r;
    r.prodid = static_cast<long>(rng() % 25);
    r.date = "2031" + std::to_string(10 + rng() % 3) + "1" + std::to_string(rng() % 10);
    r.code = i % 2 ? "new" : "NEW";
    Change(1 + rng() % 300, r);
  }
  for (uint32_t n = 5; n <= 300; n += 7) Delete(n);
  ExpectOrders();
  ExpectSoundIndex();
  ExpectOrders();
}

TEST_F(TranTable, MovingOffAChangedRecordWritesIt) {
  Fill(3, 3);
  Select("ROWID");
  ASSERT_EQ(d4seekDouble(d_, 1001), 0);
  ASSERT_EQ(d4lock(d_, d4recNo(d_)), 0);
  f4assignLong(prodid_, 77);
  ASSERT_EQ(d4skip(d_, 1), 0);
  Reopen();
  Select("PRODID");
  ASSERT_EQ(d4seek(d_, "77"), 0);
  EXPECT_EQ(d4recNo(d_), 2);
}

TEST_F(TranTable, ReindexRebuildsAnIndexThatDoesNotMatchTheData) {
  Fill(200, 4);
  Delete(10);
  ASSERT_EQ(d4close(d_), 0);
  // An index with the same definitions and no keys in place of the table's own,
  // as the maintenance does with the index template.
  Engine other;
  const std::string spare = xbtest::NewDir() + "/tran.dbf";
  DATA4* empty = d4create(other, spare.c_str(), kTranFields, kTranTags);
  ASSERT_NE(empty, nullptr);
  d4close(empty);
  std::filesystem::copy_file(spare.substr(0, spare.size() - 3) + "cdx", path_.substr(0, path_.size() - 3) + "cdx",
                             std::filesystem::copy_options::overwrite_existing);
  code4accessMode(engine_, 1);
  d_ = d4open(engine_, path_.c_str());
  ASSERT_NE(d_, nullptr);
  Fields();
  Select("ROWID");
  EXPECT_EQ(d4top(d_), r4eof);
  EXPECT_EQ(d4reindex(d_), 0);
  code4accessMode(engine_, 0);
  ExpectOrders();
  ExpectSoundIndex();
}

// Appended one by one, or under d4lockAppend: then the memos are kept back until the
// batch is stored (the memo file untouched by the first append), and stored with it.
TEST_F(TranTable, MemosOfAnyLengthRoundTrip) {
  for (const bool held : {false, true}) {
    SCOPED_TRACE(held);
    TearDown(), rows_.clear(), SetUp();
    const std::string fpt = path_.substr(0, path_.size() - 3) + "fpt";
    const auto before = std::filesystem::file_size(fpt);
    if (held) {
      ASSERT_EQ(d4lockAppend(d_), 0);
    }
    const size_t lengths[] = {1, 0, 63, 64, 40000, 1000000};
    std::vector<std::string> memos;
    for (size_t len : lengths) {
      std::string m(len, 'x');
      for (size_t i = 0; i < len; ++i) m[i] = static_cast<char>('a' + (i * 7 + len) % 26);
      memos.push_back(m);
      ASSERT_EQ(d4appendStartVB(d_, 0), 0);
      d4blank(d_);
      ASSERT_EQ(f4memoAssignN(notes_, m.data(), static_cast<unsigned>(m.size())), 0);
      ASSERT_EQ(d4append(d_), 0);
      if (memos.size() == 1) {
        EXPECT_EQ(std::filesystem::file_size(fpt) == before, held);
      }
    }
    if (held) {
      ASSERT_EQ(d4unlock(d_), 0);
    }
    Reopen();
    size_t i = 0;
    for (int r = d4top(d_); r == 0; r = d4skip(d_, 1), ++i) {
      ASSERT_EQ(f4memoLenVB(notes_), memos[i].size());
      EXPECT_EQ(std::string(f4memoPtr(notes_), f4memoLenVB(notes_)), memos[i]);
      EXPECT_EQ(Text(notes_).empty(), memos[i].empty()) << "an empty memo has no block";
    }
    EXPECT_EQ(i, memos.size());
    // Rewriting a memo, shorter and then longer, keeps the other memos; the same bytes
    // again keep its blocks.
    ASSERT_EQ(d4top(d_), 0);
    ASSERT_EQ(d4skip(d_, 4), 0);
    ASSERT_EQ(d4lock(d_, 5), 0);
    f4memoAssignN(notes_, "short", 5);
    ASSERT_EQ(d4unlock(d_), 0);
    ASSERT_EQ(d4skip(d_, -1), 0);
    EXPECT_EQ(std::string(f4memoPtr(notes_), f4memoLenVB(notes_)), memos[3]);
    const std::string block = Text(notes_);
    const auto size = std::filesystem::file_size(fpt);
    ASSERT_EQ(d4lock(d_, 4), 0);
    f4memoAssignN(notes_, memos[3].data(), static_cast<unsigned>(memos[3].size()));
    ASSERT_EQ(d4unlock(d_), 0);
    EXPECT_EQ(Text(notes_), block);
    EXPECT_EQ(std::filesystem::file_size(fpt), size);
    ASSERT_EQ(d4skip(d_, 1), 0);
    EXPECT_STREQ(f4memoPtr(notes_), "short");
  }
}

TEST_F(TranTable, AppendStartCopiesMemosOnlyWhenAsked) {
  ASSERT_EQ(d4appendStartVB(d_, 0), 0);
  d4blank(d_);
  f4memoAssignN(notes_, "first", 5);
  ASSERT_EQ(d4append(d_), 0);
  ASSERT_EQ(d4appendStartVB(d_, 1), 0);
  ASSERT_EQ(d4append(d_), 0);
  ASSERT_EQ(d4appendStartVB(d_, 0), 0);
  ASSERT_EQ(d4append(d_), 0);
  ASSERT_EQ(d4top(d_), 0);
  const char* expected[] = {"first", "first", ""};
  for (const char* e : expected) {
    EXPECT_STREQ(f4memoPtr(notes_), e) << d4recNo(d_);
    d4skip(d_, 1);
  }
}

TEST_F(TranTable, LockEnforcementRefusesChangesWithoutTheLock) {
  Fill(2, 5);
  ASSERT_EQ(d4unlock(d_), 0) << "appended records stay locked until here";
  ASSERT_EQ(d4top(d_), 0);
  EXPECT_EQ(f4assignLong(prodid_, 5), e4lock);
  EXPECT_EQ(d4delete(d_), e4lock);
  EXPECT_EQ(code4errorCode(engine_, 0), e4lock);
  EXPECT_EQ(d4skip(d_, 1), 0) << "the refused change does not stick";
  code4lockEnforce(engine_, 0);
  ASSERT_EQ(d4top(d_), 0);
  EXPECT_EQ(f4assignLong(prodid_, 5), 0);
  EXPECT_EQ(d4flush(d_), 0);
  EXPECT_EQ(f4long(prodid_), 5);
}

TEST(AppendWithoutStart, TheBufferBecomesANewRecordInEitherAccessMode) {
  const FIELD4INFO fields[] = {{"ROWID", 'N', 11, 0}, {"NAME", 'C', 8, 0}, {"NOTES", 'M', 10, 0}, {nullptr, 0, 0, 0}};
  const TAG4INFO tags[] = {{"ROWID", "ROWID", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    Engine engine;
    const std::string path = xbtest::NewDir() + "/copy.dbf";
    DATA4* d = d4create(engine, path.c_str(), fields, tags);
    ASSERT_NE(d, nullptr);
    d4close(d);
    code4accessMode(engine, mode);
    d = d4open(engine, path.c_str());
    ASSERT_NE(d, nullptr);
    FIELD4* rowid = d4field(d, "ROWID");
    FIELD4* name = d4field(d, "NAME");
    FIELD4* notes = d4field(d, "NOTES");
    // Blank, fill and append, again and again, with no append start: the copy loop.
    for (int i = 1; i <= 5; ++i) {
      const std::string text = "n" + std::to_string(i);
      ASSERT_EQ(d4blank(d), 0);
      f4assignLong(rowid, i);
      f4assignNVB(name, text.data(), static_cast<int>(text.size()));
      if (i % 2) f4memoAssignN(notes, text.data(), static_cast<unsigned>(text.size()));
      ASSERT_EQ(d4append(d), 0);
    }
    ASSERT_EQ(d4flush(d), 0);
    ASSERT_EQ(d4close(d), 0);
    code4accessMode(engine, 0);
    d = d4open(engine, path.c_str());
    ASSERT_NE(d, nullptr);
    d4tagSelect(d, d4tag(d, "ROWID"));
    rowid = d4field(d, "ROWID");
    name = d4field(d, "NAME");
    notes = d4field(d, "NOTES");
    long expected = 1;
    for (int r = d4top(d); r == 0; r = d4skip(d, 1), ++expected) {
      const std::string text = "n" + std::to_string(expected);
      EXPECT_EQ(d4recNo(d), expected);
      EXPECT_EQ(f4long(rowid), expected);
      EXPECT_EQ(Text(name), text);
      EXPECT_EQ(std::string(f4memoPtr(notes)), expected % 2 ? text : "");
    }
    EXPECT_EQ(expected, 6);
    d4close(d);
  }
}

// The stored form is the same in every locale: "." and no grouping, rounded as the C
// locale's printf rounds.
TEST_F(TranTable, AssignmentsStoreTheFieldForm) {
  if (!testenv::ProcessLocale::AllInstalled()) GTEST_SKIP() << "de_DE.UTF-8 or fr_FR.UTF-8 is not installed";
  ASSERT_EQ(d4appendStartVB(d_, 0), 0);
  d4blank(d_);
  FIELD4* units = d4field(d_, "UNITS");
  FIELD4* type = d4field(d_, "TRANTYPE");
  struct Case {
    FIELD4* field;
    int (*assign)(FIELD4*);
    int result;
    std::string stored;
  } cases[] = {
      {units, [](FIELD4* f) { return f4assignDouble(f, 7); }, 0, "              7.0000"},
      {units, [](FIELD4* f) { return f4assignDouble(f, -3); }, 0, "             -3.0000"},
      {units, [](FIELD4* f) { return f4assignDouble(f, 0.0); }, 0, "              0.0000"},
      {units, [](FIELD4* f) { return f4assignDouble(f, -0.0); }, 0, "             -0.0000"},
      {units, [](FIELD4* f) { return f4assignDouble(f, 999999999999999); }, 0, "999999999999999.0000"},
      {units, [](FIELD4* f) { return f4assignDouble(f, 1e15); }, e4overflow, "999999999999999.0000"},
      {units, [](FIELD4* f) { return f4assignDouble(f, -49.875); }, 0, "            -49.8750"},
      {units, [](FIELD4* f) { return f4assignDouble(f, 12.4); }, 0, "             12.4000"},
      {units, [](FIELD4* f) { return f4assignDouble(f, 1513.31); }, 0, "           1513.3100"},
      {units, [](FIELD4* f) { return f4assignDouble(f, 0.00005); }, 0, "              0.0001"},
      {units, [](FIELD4* f) { return f4assignDouble(f, 0.00015); }, 0, "              0.0001"},
      {units, [](FIELD4* f) { return f4assignDouble(f, -49.87505); }, 0, "            -49.8751"},
      {units, [](FIELD4* f) { return f4assignNVB(f, "  925.0912", 10); }, 0, "            925.0912"},
      {units, [](FIELD4* f) { return f4assignDouble(f, 1.23456); }, 0, "              1.2346"},
      {type, [](FIELD4* f) { return f4assignLong(f, -12); }, 0, " -12"},
      {type, [](FIELD4* f) { return f4assignLong(f, 5); }, 0, "   5"},
      {type, [](FIELD4* f) { return f4assignNVB(f, " 12", 3); }, 0, "  12"},
      {type, [](FIELD4* f) { return f4assignDouble(f, 12345); }, e4overflow, "  12"},
      {type, [](FIELD4* f) { return f4assignDouble(f, 2.5); }, 0, "   2"},
      {type, [](FIELD4* f) { return f4assignDouble(f, 3.5); }, 0, "   4"},
      {type, [](FIELD4* f) { return f4assignDouble(f, -0.5); }, 0, "  -0"},
      {type, [](FIELD4* f) { return f4assignLong(f, 1234); }, 0, "1234"},
      {type, [](FIELD4* f) { return f4assignNVB(f, "   ", 3); }, 0, "    "},
      {code_, [](FIELD4* f) { return f4assignNVB(f, "abc", 3); }, 0, "abc       "},
      {code_, [](FIELD4* f) { return f4assignNVB(f, "0123456789AB", 12); }, 0, "0123456789"},
      {date_, [](FIELD4* f) { return f4assignNVB(f, "20260309", 8); }, 0, "20260309"},
  };
  for (const char* locale : testenv::kProcessLocales) {
    const testenv::ProcessLocale l(locale);
    for (const Case& c : cases) {
      EXPECT_EQ(c.assign(c.field), c.result) << c.stored << " " << locale;
      EXPECT_EQ(std::string(f4ptr(c.field), static_cast<size_t>(f4len_v(c.field))), c.stored) << locale;
    }
    EXPECT_DOUBLE_EQ(f4double(units), 1.2346) << locale;
    EXPECT_EQ(f4long(type), 0);
  }
  EXPECT_STREQ(f4name(units), "UNITS");
  ASSERT_EQ(d4append(d_), 0);
}

TEST(NumberText, WholeNumbersAreTheStoredTextTruncated) {
  Engine engine;
  const FIELD4INFO fields[] = {{"T", 'C', 24, 0}, {nullptr, 0, 0, 0}};
  DATA4* d = d4create(engine, (xbtest::NewDir() + "/n.dbf").c_str(), fields, nullptr);
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d4appendStartVB(d, 0), 0);
  FIELD4* t = d4field(d, "T");
  struct Case {
    std::string text;
    long value;
  } cases[] = {
      {"  12.9999", 12},
      {"        5", 5},                    // spaces looked at eight at a time
      {"       -8.5", -8},
      {"                       9", 9},
      {"-49.875", -49},
      {"-0.5", 0},
      {"+7", 7},
      {"999999999999999", 999999999999999},
      {"99999999999999.9999", 100000000000000},  // past 15 digits: as the double rounds it
      {"12345678901234567", 12345678901234568},
      {"1e3", 1000},
      {"1.5e1", 15},
      {"99999999999999999999", 0x7FFFFFFFFFFFFFFFL},
      {"12ab", 12},
      {"1.2.3", 1},
      {"  3 4", 3},
      {"", 0},
      {"-", 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(f4assignNVB(t, c.text.data(), static_cast<int>(c.text.size())), 0) << c.text;
    EXPECT_EQ(f4long(t), c.value) << c.text;
  }
  d4close(d);
}

// A table made in any locale holds the bytes of one made in C, tables and keys alike,
// and STR() keys, numeric keys and d4seekDouble on a character tag find the same rows.
TEST(StoredNumbers, KeysAndSeeksAreTheSameInEveryLocale) {
  if (!testenv::ProcessLocale::AllInstalled()) GTEST_SKIP() << "de_DE.UTF-8 or fr_FR.UTF-8 is not installed";
  const FIELD4INFO fields[] = {{"QTY", 'N', 10, 2}, {"TXT", 'C', 12, 0}, {nullptr, 0, 0, 0}};
  const TAG4INFO tags[] = {{"S", "STR(QTY,10,2)", nullptr, 0, 0},
                           {"Q", "QTY", nullptr, 0, 0},
                           {"T", "TXT", nullptr, 0, 0},
                           {nullptr, nullptr, nullptr, 0, 0}};
  struct Case {
    double value;
    const char* text;  // in TXT, as d4seekDouble seeks it
    const char* str;   // STR(QTY,10,2)
  } cases[] = {{12.5, "12.5", "     12.50"},       {-0.25, "-0.25", "     -0.25"}, {1513.31, "1513.31", "   1513.31"},
               {0.75, "0.75", "      0.75"},    {1234567.89, "1234567.89", "1234567.89"}, {-7, "-7", "     -7.00"}};
  std::string dbfInC, cdxInC;
  for (const char* locale : testenv::kProcessLocales) {
    SCOPED_TRACE(locale);
    const testenv::ProcessLocale l(locale);
    Engine engine;
    const std::string path = xbtest::NewDir() + "/q.dbf";
    DATA4* d = d4create(engine, path.c_str(), fields, tags);
    ASSERT_NE(d, nullptr);
    for (const Case& c : cases) {
      ASSERT_EQ(d4appendStartVB(d, 0), 0);
      ASSERT_EQ(f4assignDouble(d4field(d, "QTY"), c.value), 0);
      ASSERT_EQ(f4assignNVB(d4field(d, "TXT"), c.text, static_cast<int>(std::strlen(c.text))), 0);
      ASSERT_EQ(d4append(d), 0);
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
      const long recno = static_cast<long>(i + 1);
      d4tagSelect(d, d4tag(d, "S"));
      EXPECT_EQ(d4seek(d, cases[i].str), 0) << cases[i].str;
      EXPECT_EQ(d4recNo(d), recno);
      for (const char* tag : {"Q", "T"}) {
        d4tagSelect(d, d4tag(d, tag));
        EXPECT_EQ(d4seekDouble(d, cases[i].value), 0) << tag << " " << cases[i].text;
        EXPECT_EQ(d4recNo(d), recno);
      }
    }
    ASSERT_EQ(d4close(d), 0);
    const std::string dbf = xbtest::ReadFile(path).substr(4);  // past the date of last update
    const std::string cdx = xbtest::ReadFile(path.substr(0, path.size() - 3) + "cdx");
    if (dbfInC.empty()) {
      dbfInC = dbf, cdxInC = cdx;
    } else {
      EXPECT_EQ(dbf, dbfInC);
      EXPECT_EQ(cdx, cdxInC);
    }
  }
}

// A number field holding a comma in its point's place (as the engine wrote it in a
// locale with a decimal comma) reads as the number it was meant to be, in its keys too;
// the next save of its row writes the point and leaves every other byte, and a hold
// gives every other such field its point. A grouping comma is no decimal comma.
TEST(StoredNumbers, ADecimalCommaReadsAsThePointUntilASaveOrARepairWritesIt) {
  if (!testenv::ProcessLocale::AllInstalled()) GTEST_SKIP() << "de_DE.UTF-8 or fr_FR.UTF-8 is not installed";
  const FIELD4INFO fields[] = {
      {"ID", 'N', 6, 0}, {"QTY", 'N', 10, 4}, {"PRICE", 'N', 12, 2}, {"CODE", 'C', 4, 0}, {nullptr, 0, 0, 0}};
  const TAG4INFO tags[] = {
      {"Q", "QTY", nullptr, 0, 0}, {"S", "STR(PRICE,12,2)", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
  struct Case {
    double qty, price;
    long whole;       // f4long of QTY
    const char* str;  // STR(PRICE,12,2)
  } cases[] = {{12.4, 1513.31, 12, "     1513.31"},
               {-0.5, 925.09, 0, "      925.09"},
               {26.4567, -12.3, 26, "      -12.30"},
               {1234.5, 7, 1, "        7.00"}};
  Engine engine;
  const std::string path = xbtest::NewDir() + "/c.dbf";
  DATA4* d = d4create(engine, path.c_str(), fields, tags);
  ASSERT_NE(d, nullptr);
  for (const Case& c : cases) {
    ASSERT_EQ(d4appendStartVB(d, 0), 0);
    f4assignDouble(d4field(d, "QTY"), c.qty);
    f4assignDouble(d4field(d, "PRICE"), c.price);
    ASSERT_EQ(d4append(d), 0);
  }
  ASSERT_EQ(d4close(d), 0);
  const std::string asWritten = xbtest::ReadFile(path);
  ASSERT_EQ(xbtest::WriteDecimalCommas(path), 8);
  const xbtest::DbfLayout layout(asWritten);
  std::string bytes = xbtest::ReadFile(path);
  bytes.replace(layout.At(4) + 7, 10, "1,234,5000");  // row 4's QTY: grouped, not repaired
  xbtest::WriteFile(path, bytes);
  std::string expected = asWritten;
  expected.replace(layout.At(4) + 7, 10, "1,234,5000");

  for (const char* locale : testenv::kProcessLocales) {
    SCOPED_TRACE(locale);
    const testenv::ProcessLocale l(locale);
    d = d4open(engine, path.c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4reindex(d), 0);
    for (size_t i = 0; i < std::size(cases); ++i) {
      ASSERT_EQ(d4go(d, static_cast<long>(i + 1)), 0);
      EXPECT_DOUBLE_EQ(f4double(d4field(d, "QTY")), i == 3 ? 1 : cases[i].qty) << i;
      EXPECT_DOUBLE_EQ(f4double(d4field(d, "PRICE")), cases[i].price) << i;
      EXPECT_EQ(f4long(d4field(d, "QTY")), cases[i].whole) << i;
      d4tagSelect(d, d4tag(d, "S"));
      EXPECT_EQ(d4seek(d, cases[i].str), 0) << cases[i].str;
      EXPECT_EQ(d4recNo(d), static_cast<long>(i + 1));
      d4tagSelect(d, d4tag(d, "Q"));
      EXPECT_EQ(d4seekDouble(d, i == 3 ? 1 : cases[i].qty), 0);
      EXPECT_EQ(d4recNo(d), static_cast<long>(i + 1));
      d4tagSelect(d, nullptr);
    }
    ASSERT_EQ(d4close(d), 0);
  }

  // A save of row 1 that changes only its code; an append of row 2's buffer.
  d = d4open(engine, path.c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d4go(d, 1), 0);
  ASSERT_EQ(d4lock(d, 1), 0);
  ASSERT_EQ(f4assignNVB(d4field(d, "CODE"), "z", 1), 0);
  ASSERT_EQ(d4flush(d), 0);
  ASSERT_EQ(d4go(d, 2), 0);
  ASSERT_EQ(d4append(d), 0);
  d4tagSelect(d, d4tag(d, "Q"));
  EXPECT_EQ(d4seekDouble(d, 12.4), 0);
  EXPECT_EQ(d4recNo(d), 1);
  ASSERT_EQ(d4close(d), 0);
  bytes = xbtest::ReadFile(path);
  ASSERT_EQ(bytes.size(), asWritten.size() + layout.recordLen);
  EXPECT_EQ(bytes.substr(layout.At(1), layout.recordLen),
            asWritten.substr(layout.At(1), layout.recordLen - 4) + "z   ");
  EXPECT_EQ(bytes.substr(layout.At(5), layout.recordLen), asWritten.substr(layout.At(2), layout.recordLen));
  EXPECT_NE(bytes.substr(layout.At(2), layout.recordLen), asWritten.substr(layout.At(2), layout.recordLen));

  HOLD4* hold = nullptr;
  ASSERT_EQ(code4holdTable(engine, path.c_str(), nullptr, &hold), 0);
  long repaired = -1;
  EXPECT_EQ(hold4repairNumbers(hold, &repaired), 0);
  EXPECT_EQ(repaired, 5);  // rows 2 to 4; the grouped QTY stays
  EXPECT_EQ(hold4repairNumbers(hold, &repaired), 0);
  EXPECT_EQ(repaired, 0);
  hold4release(hold);
  bytes = xbtest::ReadFile(path);
  expected.replace(layout.At(1) + layout.recordLen - 4, 4, "z   ");
  EXPECT_EQ(bytes.substr(layout.headerLen, 4 * layout.recordLen), expected.substr(layout.headerLen, 4 * layout.recordLen));
}

// The bytes other xBase programs write for the same fields (the fixtures), apart from
// the date of last update and the code page mark, which we set to 1252.
void ExpectSameLayout(const std::string& ours, const std::string& theirs) {
  ASSERT_EQ(ours.size(), theirs.size());
  for (size_t i = 0; i < ours.size(); ++i) {
    if ((i >= 1 && i <= 3) || i == 29) continue;
    EXPECT_EQ(static_cast<unsigned char>(ours[i]), static_cast<unsigned char>(theirs[i])) << "byte " << i;
  }
  EXPECT_EQ(ours[29], 0x03);
}

TEST(TableLayout, ANewTableHasTheLayoutOfTheFixtures) {
  Engine engine;
  const std::string dir = xbtest::NewDir();
  const FIELD4INFO emptyFields[] = {{"ROWID", 'N', 11, 0}, {"desc", 'C', 40, 0}, {"VALUE", 'M', 10, 0}, {nullptr, 0, 0, 0}};
  const TAG4INFO emptyTags[] = {{"ROWID", "ROWID", nullptr, 0, 0}, {"DESC", "UPPER( DESC )", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
  DATA4* d = d4create(engine, (dir + "/empty.dbf").c_str(), emptyFields, emptyTags);
  ASSERT_NE(d, nullptr);
  d4close(d);
  ExpectSameLayout(xbtest::ReadFile(dir + "/empty.dbf"), xbtest::ReadFile(xbtest::FixtureDir() + "/empty.dbf"));

  const FIELD4INFO counterFields[] = {{"TBLNAME", 'C', 30, 0}, {"LASTID", 'N', 11, 0}, {nullptr, 0, 0, 0}};
  const TAG4INFO counterTags[] = {{"TBLNAME", "TBLNAME", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
  d = d4create(engine, (dir + "/counters.dbf").c_str(), counterFields, counterTags);
  ASSERT_NE(d, nullptr);
  FIELD4* name = d4field(d, "TBLNAME");
  FIELD4* last = d4field(d, "LASTID");
  const std::pair<const char*, long> rows[] = {{"orders.dbf", 1000}, {"items.dbf", 21001}, {"dbversion", 6}};
  for (const auto& [key, value] : rows) {
    d4appendStartVB(d, 0);
    d4blank(d);
    f4assignNVB(name, key, static_cast<int>(std::string(key).size()));
    f4assignLong(last, value);
    ASSERT_EQ(d4append(d), 0);
  }
  d4close(d);
  ExpectSameLayout(xbtest::ReadFile(dir + "/counters.dbf"), xbtest::ReadFile(xbtest::FixtureDir() + "/counters.dbf"));
}

TEST(TableLayout, BadDefinitionsAreRefused) {
  Engine engine;
  const std::string dir = xbtest::NewDir();
  const FIELD4INFO good[] = {{"A", 'C', 5, 0}, {nullptr, 0, 0, 0}};
  const FIELD4INFO badType[] = {{"A", 'X', 5, 0}, {nullptr, 0, 0, 0}};
  const FIELD4INFO twice[] = {{"A", 'C', 5, 0}, {"a", 'C', 5, 0}, {nullptr, 0, 0, 0}};
  const FIELD4INFO longName[] = {{"ABCDEFGHIJK", 'C', 5, 0}, {nullptr, 0, 0, 0}};
  const TAG4INFO badExpr[] = {{"T", "UPPER(B)", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
  const TAG4INFO badFor[] = {{"T", "A", "A", 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
  struct Case {
    const FIELD4INFO* fields;
    const TAG4INFO* tags;
  } cases[] = {{badType, nullptr}, {twice, nullptr}, {longName, nullptr}, {good, badExpr}, {good, badFor}};
  for (const Case& c : cases) {
    EXPECT_EQ(d4create(engine, (dir + "/t.dbf").c_str(), c.fields, c.tags), nullptr);
    EXPECT_LT(code4errorCode(engine, 0), 0);
  }
}

}  // namespace

namespace {

TEST(ReadOnlyHandle, RefusesEveryWrite) {
  Engine engine;
  code4readOnly(engine, 1);
  const std::string path = xbtest::CopyFixture("counters", xbtest::NewDir());
  const std::string before = xbtest::ReadFile(path);
  DATA4* d = d4open(engine, path.c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d4top(d), 0);
  FIELD4* last = d4field(d, "LASTID");
  EXPECT_EQ(f4assignLong(last, 5), e4readOnly);
  EXPECT_EQ(d4delete(d), e4readOnly);
  EXPECT_EQ(d4appendStartVB(d, 0), e4readOnly);
  EXPECT_EQ(d4append(d), e4readOnly);
  EXPECT_EQ(d4reindex(d), e4readOnly);
  EXPECT_EQ(f4long(last), 1000);
  EXPECT_EQ(d4close(d), 0);
  EXPECT_EQ(xbtest::ReadFile(path), before);
}

}  // namespace

namespace {

// Another user holding the memo file's allocation lock or the index lock past every
// attempt: the write answers r4locked, stores nothing another user could see, keeps
// the change for the retry, and the retry stores it whole.
TEST_F(TranTable, ABusyLockStoresNothingAndTheRetryStoresTheChange) {
  Fill(3, 8);
  ASSERT_EQ(d4unlock(d_), 0);
  const std::string base = path_.substr(0, path_.size() - 3);
  struct Case {
    const char* what;
    std::string file;
    uint64_t byte;
    bool append;
  } cases[] = {
      {"memo lock, change", base + "fpt", xb::MemoFile::kAllocLock, false},
      {"memo lock, append", base + "fpt", xb::MemoFile::kAllocLock, true},
      {"index lock, change", base + "cdx", 0x7FFFFFFE, false},
      {"index lock, append", base + "cdx", 0x7FFFFFFE, true},
  };
  long prodid = 500;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ++prodid;
    Select("ROWID");
    ASSERT_EQ(d4top(d_), 0);
    if (c.append) {
      ASSERT_EQ(d4appendStartVB(d_, 0), 0);
      f4assignLong(rowid_, 9000 + prodid);
    } else {
      ASSERT_EQ(d4lock(d_, d4recNo(d_)), 0);
    }
    f4assignLong(prodid_, prodid);
    f4memoAssignN(notes_, "kept", 4);
    Engine other;
    DATA4* o = d4open(other, path_.c_str());
    ASSERT_NE(o, nullptr);
    xb::Status s;
    auto holder = xb::File::Open(c.file, xb::File::Mode::kReadWrite, &s);
    ASSERT_TRUE(holder) << s.message();
    ASSERT_EQ(holder->Lock(c.byte, 1, true), xb::File::LockResult::kOk);
    EXPECT_EQ(c.append ? d4append(d_) : d4flush(d_), r4locked);
    EXPECT_EQ(code4errorCode(engine_, 0), 0) << "a busy lock is no error";
    {
      // Record order needs no index lock.
      FIELD4* p = d4field(o, "PRODID");
      for (int r = d4top(o); r == 0; r = d4skip(o, 1)) EXPECT_NE(f4long(p), prodid) << "nothing of the change is stored";
      EXPECT_EQ(d4recCountDo(o), static_cast<long>(rows_.size()));
      d4close(o);
    }
    holder->Unlock(c.byte, 1);
    EXPECT_EQ(c.append ? d4append(d_) : d4flush(d_), 0) << "the retry writes the kept change";
    ASSERT_EQ(d4unlock(d_), 0);
    if (c.append) rows_.push_back({9000 + prodid, prodid, rows_[0].date, rows_[0].code});
    Select("PRODID");
    ASSERT_EQ(d4seekDouble(d_, static_cast<double>(prodid)), 0);
    EXPECT_STREQ(f4memoPtr(notes_), "kept");
    if (!c.append) rows_[static_cast<size_t>(d4recNo(d_)) - 1].prodid = prodid;
  }
  ExpectSoundIndex();
}

// d4unlock and d4close cannot keep a change they could not write: they drop it and
// say so.
TEST_F(TranTable, UnlockAndCloseSayWhenTheyDropAChange) {
  Fill(2, 9);
  ASSERT_EQ(d4unlock(d_), 0);
  Engine other;
  DATA4* o = d4open(other, path_.c_str());
  ASSERT_NE(o, nullptr);
  xb::Status s;
  auto holder = xb::File::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadWrite, &s);
  ASSERT_TRUE(holder);
  ASSERT_EQ(holder->Lock(0x7FFFFFFE, 1, true), xb::File::LockResult::kOk);
  for (bool close : {false, true}) {
    SCOPED_TRACE(close ? "d4close" : "d4unlock");
    ASSERT_EQ(d4top(d_), 0);
    ASSERT_EQ(d4lock(d_, 1), 0);
    f4assignLong(prodid_, 77);
    EXPECT_EQ(close ? d4close(d_) : d4unlock(d_), r4locked);
    if (close) d_ = nullptr;
    EXPECT_EQ(d4lock(o, 1), 0) << "the locks went";
    EXPECT_EQ(d4unlock(o), 0);
  }
  d4close(o);
  holder.reset();
  Reopen();
  Select("PRODID");
  EXPECT_EQ(d4seek(d_, "77"), r4eof);
}

// An index that lacks a key it should hold (a change cut short by another program, a
// damaged file): changing the record reports e4index and changes nothing; the
// re-index repairs it and the change goes through.
TEST_F(TranTable, AKeyMissingFromItsTagIsAnIndexError) {
  Fill(20, 10);
  ASSERT_EQ(d4unlock(d_), 0);
  Select("ROWID");
  ASSERT_EQ(d4seekDouble(d_, 1004), 0);
  const uint32_t n = static_cast<uint32_t>(d4recNo(d_));
  {
    xb::Status s;
    auto raw = xb::CdxIndex::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadWrite, &s);
    ASSERT_TRUE(raw);
    const int tag = raw->FindTag("PRODID");
    ASSERT_TRUE(raw->Remove(size_t(tag), xb::EncodeNumericKey(static_cast<double>(rows_[n - 1].prodid)), n).ok());
  }
  const std::string before = xbtest::ReadFile(path_);
  ASSERT_EQ(d4lock(d_, n), 0);
  f4assignLong(prodid_, 99);
  EXPECT_EQ(d4flush(d_), e4index);
  EXPECT_EQ(xbtest::ReadFile(path_), before) << "the record is not stored";
  Select("PRODID");
  EXPECT_EQ(d4seek(d_, "99"), r4eof) << "no key was added";
  ASSERT_EQ(d4unlock(d_), 0);
  ASSERT_EQ(d4close(d_), 0);
  Reindex();
  Reopen();
  Change(n, {0, 99, rows_[n - 1].date, rows_[n - 1].code});
  ExpectOrders();
  ExpectSoundIndex();
}

// One block of the index overwritten with random bytes, at 20 places in turn: the next
// save (an append, or a change of a row's keys) checks every tag whole first, refuses
// with e4index and writes nothing; a save that goes through leaves the index whole.
TEST_F(TranTable, IndexDamageIsFoundBeforeTheFirstSaveWritesIntoIt) {
  Fill(1400, 31);
  // Built anew, so that every page of the index is in use.
  ASSERT_EQ(d4close(d_), 0);
  Reindex();
  ASSERT_EQ(d4close(d_), 0);
  d_ = nullptr;
  const std::string cdx = path_.substr(0, path_.size() - 3) + "cdx";
  const std::string table = xbtest::ReadFile(path_), index = xbtest::ReadFile(cdx);
  std::mt19937 rng(7);
  int refused = 0;
  for (int place = 0; place < 20; ++place) {
    SCOPED_TRACE("place " + std::to_string(place));
    std::string damaged = index;
    const size_t block = 512 * (3 + rng() % (index.size() / 512 - 3));  // past the file and directory headers
    for (size_t i = 0; i < 512; ++i) damaged[block + i] = char(rng());
    for (const bool append : {true, false}) {
      xbtest::WriteFile(path_, table);
      xbtest::WriteFile(cdx, damaged);
      Engine e;
      DATA4* d = d4open(e, path_.c_str());
      if (!d) {
        const int error = code4errorCode(e, 0);
        // A tag header's expression made garbage reads as one not supported.
        EXPECT_TRUE(error == e4index || error == e4data || error == e4expr) << error;
        ++refused;
        continue;
      }
      int r;
      if (append) {
        r = d4appendStartVB(d, 0);
        if (r == 0) f4assignLong(d4field(d, "ROWID"), 99999), r = d4append(d);
      } else {
        r = d4go(d, 700);
        if (r == 0) r = d4lock(d, 700);
        if (r == 0) f4assignLong(d4field(d, "PRODID"), 99), r = d4flush(d);
      }
      d4close(d);
      if (r != 0) {
        EXPECT_EQ(r, e4index);
        EXPECT_EQ(xbtest::ReadFile(path_), table) << "nothing written";
        EXPECT_EQ(xbtest::ReadFile(cdx), damaged) << "nothing written";
        ++refused;
        continue;
      }
      xb::Status st;
      auto raw = xb::CdxIndex::Open(cdx, xb::File::Mode::kReadOnly, &st);
      ASSERT_TRUE(raw) << st.message();
      EXPECT_TRUE(raw->Check().ok()) << raw->Check().message();
    }
  }
  EXPECT_EQ(refused, 40);
}

// An append cut short leaves its record beyond the count, marked deleted until all its
// keys are in: readers pass over it and the next append takes it over. A live one there
// with keys missing is damage, refused without writing anything.
TEST_F(TranTable, AnAppendCutShortIsInvisibleAndTakenOver) {
  for (const char mark : {'*', ' '}) {
    SCOPED_TRACE(mark == '*' ? "marked deleted" : "live");
    TearDown(), rows_.clear(), SetUp();
    Fill(5, 11);
    ASSERT_EQ(d4unlock(d_), 0);
    const std::string bytes = xbtest::ReadFile(path_);
    const xbtest::DbfLayout dbf(bytes);
    // Record 6 written with two of its keys, the count still 5: a copy of record 1 with rowid 7777.
    std::string image = bytes.substr(dbf.At(1), dbf.recordLen);
    image.replace(1, 11, "       7777");
    image[0] = mark;
    xbtest::WriteFile(path_, bytes.substr(0, dbf.At(6)) + image + "\x1A");
    {
      xb::Status s;
      auto raw = xb::CdxIndex::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadWrite, &s);
      ASSERT_TRUE(raw);
      ASSERT_TRUE(raw->Insert(size_t(raw->FindTag("ROWID")), xb::EncodeNumericKey(7777), 6).ok());
      ASSERT_TRUE(raw->Insert(size_t(raw->FindTag("PRODID")), xb::EncodeNumericKey(double(rows_[0].prodid)), 6).ok());
    }
    Reopen();
    Select("ROWID");
    EXPECT_EQ(d4seekDouble(d_, 7777), r4eof) << "entries beyond the count are passed over";
    if (mark == ' ') {
      const std::string before = xbtest::ReadFile(path_);
      ASSERT_EQ(d4appendStartVB(d_, 0), 0);
      f4assignLong(rowid_, 8888);
      EXPECT_EQ(d4append(d_), e4data);
      EXPECT_EQ(code4errorReason(engine_), reason4uncounted);
      EXPECT_EQ(xbtest::ReadFile(path_), before) << "nothing was written";
      continue;
    }
    Fill(1, 12);
    ExpectOrders();
    ExpectSoundIndex();
  }
}


// An append stopped after its record was made live, before its count: the record
// past the count has all its keys. A repair that builds a tag anew (here the CODE tag,
// whose separators deletes left above their children) keeps that record's keys, so
// that the next append counts it instead of refusing the table as damaged.
TEST_F(TranTable, ARebuildDuringARepairKeepsTheKeysOfALiveRecordPastTheCount) {
  Fill(1400, 21);
  for (uint32_t n = 3; n <= 1400; n += 3) Delete(n);
  ASSERT_EQ(d4close(d_), 0);
  d_ = nullptr;
  {
    xb::Status s;
    auto raw = xb::CdxIndex::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadOnly, &s);
    ASSERT_TRUE(raw);
    ASSERT_FALSE(raw->CheckTag(size_t(raw->FindTag("CODE")), true).ok()) << "a separator above its child";
  }
  // Record 1401 with every key, the count still 1400.
  Row other;
  WriteCopyOfRecord1(1401, 7777, false, &other);
  // A key change killed once its note is written: the next open repairs from it.
  const int status = xbtest::Wait(xbtest::Spawn([&] {
    Engine e;
    DATA4* d = d4open(e, path_.c_str());
    if (!d || d4top(d) != 0 || d4lock(d, 1) != 0) return 2;
    f4assignLong(d4field(d, "PRODID"), 24);
    xbtest::KillAtWrite(1);
    return d4flush(d) == 0 ? 0 : 3;
  }));
  ASSERT_EQ(status, 128 + SIGKILL);
  Reopen();
  rows_.push_back(other);
  Fill(1, 22);
  EXPECT_EQ(d4recCountDo(d_), 1402);
  ExpectOrders();
  ExpectSoundIndex();
}

// An append killed among its key writes leaves entries of its record beyond the count;
// another program then counts that record and writes its own row over it, with its
// keys. Our next open removes the entries the killed row left, says so, and every tag
// holds exactly the counted rows.
TEST_F(TranTable, AnAppendKilledAmongItsKeysIsTidiedAfterAnotherProgramWritesOverIt) {
  for (const int writes : {4, 6, 8}) {
    SCOPED_TRACE("killed after write " + std::to_string(writes));
    TearDown(), rows_.clear(), SetUp();
    Fill(5, 13);
    ASSERT_EQ(d4close(d_), 0);
    d_ = nullptr;
    const int status = xbtest::Wait(xbtest::Spawn([&] {
      Engine e;
      DATA4* d = d4open(e, path_.c_str());
      if (!d || d4appendStartVB(d, 0) != 0) return 2;
      f4assignLong(d4field(d, "ROWID"), 7777);
      f4assignLong(d4field(d, "PRODID"), 24);
      f4assignNVB(d4field(d, "TRANDATE"), "20291231", 8);
      f4assignNVB(d4field(d, "CODE"), "killed", 6);
      xbtest::KillAtWrite(writes);
      return d4append(d) == 0 ? 0 : 3;
    }));
    ASSERT_EQ(status, 128 + SIGKILL);
    // The other program: a copy of record 1 with rowid 8888 as record 6, counted, then its keys.
    ASSERT_EQ(xbtest::DbfLayout(xbtest::ReadFile(path_)).count, 5u);
    Row other;
    WriteCopyOfRecord1(6, 8888, true, &other);
    rows_.push_back(other);
    ReopenHearingTheRepair();
    EXPECT_NE(gRepaired.find("stale index entries removed"), std::string::npos) << gRepaired;
    ExpectOrders();
    ExpectSoundIndex();
    ASSERT_EQ(d4close(d_), 0);
    d_ = nullptr;
    EXPECT_EQ(xbtest::ReadFile(path_.substr(0, path_.size() - 3) + "pnd"), "") << "the note is emptied at close";
    SetUp();
  }
}

// Makes every later write to the file fail as a lost share would (the descriptors that
// name it become read-only ones).
void RefuseWrites(const std::string& path) {
  const auto target = std::filesystem::canonical(path);
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (std::filesystem::read_symlink(e.path(), ec) != target || ec) continue;
    const int ro = open(path.c_str(), O_RDONLY);
    ASSERT_GE(ro, 0);
    dup2(ro, std::stoi(e.path().filename().string()));
    close(ro);
  }
}

struct Refusal {
  std::vector<std::string> files;  // refused from the table's first write after an index write (the count)
  bool indexWritten = false, done = false;
} gRefusal;

// A batch whose count is written but not its records' live marks reports the failure,
// and its rows stay unstored: counted, deleted, without keys in the FOR !DELETED() tag,
// also after the next open and write, whether the keys went at once or at that open.
TEST_F(TranTable, ABatchFailingAfterItsCountStaysUnstored) {
  for (const bool indexRefused : {false, true}) {
    SCOPED_TRACE(indexRefused ? "table and index refused" : "table refused");
    TearDown(), rows_.clear(), SetUp();
    Fill(5, 17);
    const std::string cdx = path_.substr(0, path_.size() - 3) + "cdx";
    gRefusal = {{path_}};
    if (indexRefused) gRefusal.files.push_back(cdx);
    ASSERT_EQ(d4lockAppend(d_), 0);
    Fill(3, 18);
    xb::writeHook = [](const std::string& p) {
      if (gRefusal.done) return;
      if (p.ends_with(".cdx")) gRefusal.indexWritten = true;
      if (!p.ends_with(".dbf") || !gRefusal.indexWritten) return;
      gRefusal.done = true;
      for (const std::string& f : gRefusal.files) RefuseWrites(f);
    };
    EXPECT_EQ(d4unlock(d_), e4write);
    xb::writeHook = nullptr;
    ASSERT_TRUE(gRefusal.done);
    d4close(d_);
    d_ = nullptr;
    EXPECT_EQ(xbtest::DbfLayout(xbtest::ReadFile(path_)).count, 8u) << "the count was written";
    for (size_t i = 5; i < 8; ++i) rows_[i].deleted = true;
    ReopenHearingTheRepair();
    EXPECT_EQ(gRepaired.find("made live"), std::string::npos) << gRepaired;
    ExpectOrders();
    ExpectSoundIndex();
    Fill(1, 19);
    ExpectOrders();
    ExpectSoundIndex();
  }
}

// Another user's seeks answer from the index pages it has cached, without the index
// lock, only while the index has not changed since; otherwise they need the lock (held
// here by a writer, so they fail) and never answer from stale pages or skip a record
// that a change under way has written ahead of its keys.
TEST_F(TranTable, SeeksReadCachedPagesOnlyWhileTheIndexIsUnchanged) {
  Fill(1500, 14);
  ASSERT_EQ(d4unlock(d_), 0);
  std::map<std::string, uint32_t> first;  // date -> record a descending seek finds
  for (size_t i = 0; i < rows_.size(); ++i) first[rows_[i].date] = static_cast<uint32_t>(i + 1);
  std::vector<std::string> dates;
  for (const auto& [date, recno] : first) dates.push_back(date);
  const xbtest::DbfLayout layout(xbtest::ReadFile(path_));
  const size_t changed = 8;  // a date read before the writer took the lock (the last case changes it)
  struct Case {
    const char* what;
    std::function<void(xb::File& cdx, xb::File& dbf)> write;  // under the writer's lock
    bool cachedAnswer;         // may dates read before answer from the cache?
    bool changedDateAnswers;   // may dates[changed]?
    bool reopened = false;     // the reader closes the table and opens it again meanwhile
  };
  // Another program's change: the file's change counter moves.
  const auto completedChange = [](xb::File& cdx, xb::File&) {
    uint8_t c[4];
    ASSERT_TRUE(cdx.ReadAt(8, c, sizeof c));
    ++c[3];
    ASSERT_TRUE(cdx.WriteAt(8, c, sizeof c));
  };
  const Case cases[] = {
      {"nothing written", [](xb::File&, xb::File&) {}, true, true},
      {"a change completed by another program", completedChange, false, false},
      // The engine keeps a closed table's cached pages for its next open.
      {"nothing written, the table opened again", [](xb::File&, xb::File&) {}, true, true, true},
      {"a change completed, the table opened again", completedChange, false, false, true},
      {"a record written ahead of its keys",
       [&](xb::File&, xb::File& dbf) {
         ASSERT_TRUE(dbf.WriteAt(layout.At(first[dates[changed]]) + 23, "19990101", 8));
       },
       true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    xbtest::LetTheFileClockTick();
    Engine engine;
    DATA4* r = d4open(engine, path_.c_str());
    ASSERT_NE(r, nullptr);
    d4tagSelect(r, d4tag(r, "TRNDT_D"));
    std::set<std::string> read;  // every 8th of the first dates and the last: their pages get cached
    for (size_t i = 0; i < dates.size() / 8; i += 8) read.insert(dates[i]);
    read.insert(dates.back());
    for (const std::string& date : read) ASSERT_EQ(d4seek(r, date.c_str()), 0);
    xb::Status s;
    auto cdx = xb::File::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadWrite, &s);
    auto dbf = xb::File::Open(path_, xb::File::Mode::kReadWrite, &s);
    ASSERT_TRUE(cdx && dbf);
    ASSERT_EQ(cdx->Lock(0x7FFFFFFE, 1, true), xb::File::LockResult::kOk);
    c.write(*cdx, *dbf);
    if (c.reopened) {
      xbtest::LetTheFileClockTick();  // the last write a tick older than the close: the index is kept
      EXPECT_EQ(d4close(r), 0);
      // Opening takes the index the engine kept; a change completed since its pages were
      // read moved the file's counter, which sends the seeks to the lock.
      r = d4open(engine, path_.c_str());
      ASSERT_NE(r, nullptr);
      d4tagSelect(r, d4tag(r, "TRNDT_D"));
    }
    for (size_t i = 0; i < dates.size() / 4; i += 4) {
      SCOPED_TRACE(dates[i]);
      const int rc = d4seek(r, dates[i].c_str());
      if (rc == 0) {
        EXPECT_EQ(d4recNo(r), first[dates[i]]);
      } else {
        EXPECT_LT(rc, 0);
      }
      if (read.count(dates[i])) {
        EXPECT_EQ(rc == 0, i == changed ? c.changedDateAnswers : c.cachedAnswer);
      }
    }
    cdx->Unlock(0x7FFFFFFE, 1);
    EXPECT_EQ(d4close(r), 0);
  }
}

}  // namespace

namespace {

// The index lock is waited for as long as the engine's attempts and delay say: another
// process holding it keeps out a writer that tries once; one that may wait a minute
// gets it once the holder lets go a moment later.
TEST_F(TranTable, TheIndexLockWaitsAsTheSettingsSay) {
  Fill(2, 13);
  ASSERT_EQ(d4unlock(d_), 0);
  const std::string cdx = path_.substr(0, path_.size() - 3) + "cdx";
  struct Case {
    int attempts, delayMs, result;
  } cases[] = {{1, 0, r4locked}, {600, 100, 0}};
  long prodid = 600;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attempts);
    code4lockAttempts(engine_, c.attempts);
    code4lockDelay(engine_, c.delayMs);
    ASSERT_EQ(d4top(d_), 0);
    ASSERT_EQ(d4lock(d_, 1), 0);
    f4assignLong(prodid_, ++prodid);
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const bool waits = c.result == 0;
    const pid_t child = fork();
    if (child == 0) {
      xb::Status s;
      auto f = xb::File::Open(cdx, xb::File::Mode::kReadWrite, &s);
      const char b = f && f->Lock(0x7FFFFFFE, 1, true) == xb::File::LockResult::kOk ? 'y' : 'n';
      if (write(ready[1], &b, 1) != 1) _exit(2);
      // Held until the parent has been refused, or a moment into its wait.
      char go = 0;
      if (waits) {
        usleep(300 * 1000);
      } else if (read(release[0], &go, 1) != 1) {
        _exit(3);
      }
      _exit(0);
    }
    char b = 0;
    ASSERT_EQ(read(ready[0], &b, 1), 1);
    ASSERT_EQ(b, 'y');
    EXPECT_EQ(d4flush(d_), c.result);
    ASSERT_EQ(write(release[1], "x", 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
    EXPECT_EQ(d4flush(d_), 0) << "kept for the retry when it was refused";
    ASSERT_EQ(d4unlock(d_), 0);
    rows_[0].prodid = prodid;
  }
  ExpectOrders();
}

// Sets the header's record count of the table at `path` after cutting `cut` bytes from
// its end; returns the bytes written.
std::string WriteCount(const std::string& path, uint32_t count, size_t cut = 0, bool deleteBeyond = false) {
  std::string bytes = xbtest::ReadFile(path);
  bytes.resize(bytes.size() - cut);
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>(count >> (8 * i));
  const xbtest::DbfLayout dbf(bytes);
  for (size_t at = dbf.At(count + 1); deleteBeyond && at + dbf.recordLen <= bytes.size(); at += dbf.recordLen) {
    bytes[at] = '*';
  }
  xbtest::WriteFile(path, bytes);
  return bytes;
}

// A header whose count does not match the file: one whole record beyond it is an append
// cut short (live, with all its keys, it is counted by the next append), and so are more
// all marked deleted (a batch), taken over by the next append with all their keys gone;
// more with a live one, or a count past the end, is damage
// that opens, reads and appends refuse without writing anything, until a re-index
// counts the whole records the file holds. While another program holds the append
// lock, records beyond the count are its append in progress, not damage.
TEST_F(TranTable, ACountThatDoesNotMatchTheFileIsRefusedUntilAReindexRepairsIt) {
  struct Case {
    const char* what;
    uint32_t count;  // the header's count; the file holds 45 records
    size_t cut;      // bytes cut from the end of the file
    int reason;      // reason4none: not damage
    size_t whole;    // the records a re-index counts
    bool appending = false;  // another program holds the append lock for a first open
    bool deleteBeyond = false;  // the records beyond the count are marked deleted
  } cases[] = {
      {"understated by 5, those beyond deleted", 40, 0, reason4none, 45, false, true},
      {"understated by 1", 44, 0, reason4none, 45}, {"understated by 5", 40, 0, reason4uncounted, 45},
      {"raised past the file", 50, 0, reason4shortFile, 45}, {"cut inside the last record", 45, 10, reason4shortFile, 44},
      {"understated by 2 during another's append", 43, 0, reason4uncounted, 45, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown(), rows_.clear(), SetUp();
    Fill(45, 21);
    ASSERT_EQ(d4unlock(d_), 0);
    const std::string bytes = WriteCount(path_, c.count, c.cut, c.deleteBeyond);
    Engine other;
    if (c.appending) {
      xb::Status s;
      auto writer = xb::File::Open(path_, xb::File::Mode::kReadWrite, &s);
      ASSERT_TRUE(writer);
      ASSERT_EQ(writer->Lock(0x7FFFFFFE, 1, true), xb::File::LockResult::kOk);
      DATA4* opened = d4open(other, path_.c_str());
      EXPECT_NE(opened, nullptr) << "an append in progress is no damage";
      d4close(opened);
    }
    DATA4* opened = d4open(other, path_.c_str());
    Row added{7777, 3, "20260101", "new"};
    if (c.reason == reason4none) {
      ASSERT_NE(opened, nullptr);
      d4close(opened), Append(added);
      if (!c.deleteBeyond) {
        EXPECT_EQ(d4recNo(d_), 46) << "a live record with all its keys beyond the count is counted";
        EXPECT_EQ(d4recCountDo(d_), 46);
        ExpectOrders(), ExpectSoundIndex();
        continue;
      }
      EXPECT_EQ(d4recNo(d_), c.count + 1) << "the records beyond the count are taken over";
      rows_.erase(rows_.begin() + c.count, rows_.begin() + 45);
      ExpectOrders(), ExpectSoundIndex();
      continue;
    }
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(code4errorCode(other, 0), e4data);
    EXPECT_EQ(code4errorReason(other), c.reason);
    ASSERT_EQ(d4appendStartVB(d_, 0), 0);
    f4assignLong(rowid_, added.rowid);
    EXPECT_EQ(d4append(d_), e4data) << "a handle opened before refuses to append";
    EXPECT_EQ(xbtest::ReadFile(path_), bytes) << "nothing was written";

    ASSERT_EQ(d4close(d_), 0);
    code4accessMode(engine_, 1);
    d_ = d4open(engine_, path_.c_str());
    ASSERT_NE(d_, nullptr) << "a deny-write handle opens, for the re-index";
    Fields();
    EXPECT_EQ(d4top(d_), e4data) << "but reads nothing";
    EXPECT_EQ(d4reindex(d_), 0);
    code4accessMode(engine_, 0);
    EXPECT_EQ(d4recCountDo(d_), static_cast<long>(c.whole));
    rows_.resize(c.whole);
    ExpectOrders();
    ExpectSoundIndex();
  }
}

}  // namespace
