// Damaged tables and memo files fail with a clear error, never a crash.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/xbase/Engine.h"
#include "platform/xbase/Memo.h"
#include "platform/xbase/Table.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace {

using xbtest::Engine;

void PutLE32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(DbfCorrupt, DamagedHeadersAreRefused) {
  const std::string good = xbtest::ReadFile(xbtest::FixtureDir() + "/counters.dbf");
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    int reason = reason4header;
  } cases[] = {
      {"empty file", [](std::string& s) { s.clear(); }},
      {"cut inside the prefix", [](std::string& s) { s.resize(20); }},
      {"cut inside the descriptors", [](std::string& s) { s.resize(60); }},
      {"header longer than the file", [](std::string& s) { s[8] = '\xFF'; s[9] = '\x7F'; }},
      {"header shorter than a prefix", [](std::string& s) { s[8] = 10; s[9] = 0; }},
      {"record count beyond the end", [](std::string& s) { PutLE32(s, 4, 4); }, reason4shortFile},
      {"huge record count", [](std::string& s) { PutLE32(s, 4, 0xFFFFFFFF); }, reason4shortFile},
      {"unknown field type", [](std::string& s) { s[32 + 11] = 'X'; }},
      {"field of length 0", [](std::string& s) { s[32 + 16] = 0; }},
      {"record length that does not add up", [](std::string& s) { s[10] = 40; }},
      {"descriptors without terminator", [](std::string& s) { s[96] = 'Z'; }},
      {"logical field of length 2", [](std::string& s) { s[32 + 11] = 'L'; s[32 + 16] = 2; }},
  };
  Engine engine;
  const std::string dir = xbtest::NewDir();
  for (const Case& c : cases) {
    std::string bytes = good;
    c.damage(bytes);
    const std::string path = dir + "/t.dbf";
    xbtest::WriteFile(path, bytes);
    std::filesystem::copy_file(xbtest::FixtureDir() + "/counters.cdx", dir + "/t.cdx",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(d4open(engine, path.c_str()), nullptr) << c.what;
    EXPECT_LT(code4errorCode(engine, 0), 0) << c.what;
    EXPECT_EQ(code4errorReason(engine), c.reason) << c.what;
    xb::Status s;
    EXPECT_EQ(xb::Table::Open(path, xb::File::Mode::kReadOnly, &s), nullptr) << c.what;
    EXPECT_FALSE(s.message().empty()) << c.what;
  }
}

TEST(DbfCorrupt, MissingCompanionFilesAreRefused) {
  Engine engine;
  struct Case {
    const char* table;
    const char* remove;
  } cases[] = {{"counters", ".cdx"}, {"empty", ".fpt"}, {"empty", ".cdx"}};
  for (const Case& c : cases) {
    const std::string dir = xbtest::NewDir();
    const std::string path = xbtest::CopyFixture(c.table, dir);
    std::filesystem::remove(dir + "/" + c.table + c.remove);
    EXPECT_EQ(d4open(engine, path.c_str()), nullptr) << c.table << c.remove;
    EXPECT_EQ(code4errorCode(engine, 0), e4open);
  }
  EXPECT_EQ(d4open(engine, "/nonexistent/folder/t.dbf"), nullptr);
  EXPECT_EQ(code4errorCode(engine, 0), e4open);
}

TEST(DbfCorrupt, ARecordCountThatGrowsPastTheFileIsAnError) {
  Engine engine;
  const std::string path = xbtest::CopyFixture("counters", xbtest::NewDir());
  DATA4* d = d4open(engine, path.c_str());
  ASSERT_NE(d, nullptr);
  std::string bytes = xbtest::ReadFile(path);
  PutLE32(bytes, 4, 1000);
  xbtest::WriteFile(path, bytes);
  EXPECT_EQ(d4recCountDo(d), e4data);
  EXPECT_EQ(code4errorCode(engine, 0), e4data);
  EXPECT_EQ(d4top(d), 0) << "the records that are there still read";
  EXPECT_LT(d4skip(d, 5), 0);
  d4close(d);
}

class MemoCorrupt : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = xbtest::NewDir() + "/m.dbf";
    const FIELD4INFO fields[] = {{"ID", 'N', 5, 0}, {"NOTE", 'M', 10, 0}, {nullptr, 0, 0, 0}};
    DATA4* d = d4create(engine_, path_.c_str(), fields, nullptr);
    ASSERT_NE(d, nullptr);
    d4appendStartVB(d, 0);
    d4blank(d);
    f4memoAssignN(d4field(d, "NOTE"), "hello memo", 10);
    ASSERT_EQ(d4append(d), 0);
    d4close(d);
    fpt_ = path_.substr(0, path_.size() - 3) + "fpt";
  }
  // The memo of record 1 after damage: its text and the error its read gave (the same
  // as the engine's, whose reason is then the memo's).
  std::pair<std::string, int> ReadBack() {
    DATA4* d = d4open(engine_, path_.c_str());
    if (!d) return {"<no open>", code4errorCode(engine_, 0)};
    FIELD4* note = d4field(d, "NOTE");
    d4top(d);
    const unsigned long len = f4memoLenVB(note);
    std::string text(f4memoPtr(note), len);
    const int error = f4memoError(note);
    d4close(d);
    EXPECT_EQ(code4errorCode(engine_, 0), error);
    EXPECT_EQ(code4errorReason(engine_), error != 0 ? reason4memo : reason4none);
    return {text, error};
  }
  void SetPointer(const char* text) {
    std::string bytes = xbtest::ReadFile(path_);
    const size_t at = bytes.size() - 1 - 10;  // the last record's memo field
    std::memcpy(&bytes[at], text, 10);
    xbtest::WriteFile(path_, bytes);
  }

  Engine engine_;
  std::string path_, fpt_;
};

TEST_F(MemoCorrupt, SoundMemoReads) { EXPECT_EQ(ReadBack(), std::make_pair(std::string("hello memo"), 0)); }

TEST_F(MemoCorrupt, PointersAndLengthsOutsideTheFileAreErrors) {
  struct Case {
    const char* what;
    std::function<void()> damage;
  } cases[] = {
      {"pointer past the end", [this] { SetPointer("    999999"); }},
      {"pointer into the header", [this] { SetPointer("         1"); }},
      {"pointer that is no number", [this] { SetPointer("     12x45"); }},
      {"pointer beyond 32 bits", [this] { SetPointer("9999999999"); }},
      {"length past the end", [this] {
         std::string m = xbtest::ReadFile(fpt_);
         m[512 + 4] = '\x7F';
         xbtest::WriteFile(fpt_, m);
       }},
  };
  for (const Case& c : cases) {
    SetUp();
    c.damage();
    EXPECT_EQ(ReadBack(), std::make_pair(std::string(), e4data)) << c.what;
  }
}

TEST_F(MemoCorrupt, AMemoFileWithoutAHeaderIsRefused) {
  for (const std::string& bytes : {std::string(), std::string(7, '\0'), std::string(512, '\0')}) {
    xbtest::WriteFile(fpt_, bytes);
    EXPECT_EQ(d4open(engine_, path_.c_str()), nullptr) << bytes.size();
    EXPECT_LT(code4errorCode(engine_, 0), 0);
  }
}

TEST(MemoFile, WritesGoToFreshBlocksAndAdvanceTheHeader) {
  const std::string path = xbtest::NewDir() + "/x.fpt";
  ASSERT_TRUE(xb::MemoFile::Create(path).ok());
  xb::Status s;
  auto memo = xb::MemoFile::Open(path, xb::File::Mode::kReadWrite, &s);
  ASSERT_TRUE(memo) << s.message();
  struct Case {
    size_t len;
    uint32_t block;
  } cases[] = {{0, 0}, {1, 8}, {56, 9}, {57, 10}, {1000, 12}, {504, 28}, {505, 36}, {3, 45}};
  for (const Case& c : cases) {
    const std::string text(c.len, static_cast<char>('a' + c.len % 26));
    uint32_t block = 99;
    ASSERT_TRUE(memo->Write(text, {}, &block).ok());
    EXPECT_EQ(block, c.block) << c.len;
    std::string back;
    ASSERT_TRUE(memo->Read(block, &back).ok());
    EXPECT_EQ(back, text);
  }
  EXPECT_EQ(memo->file().Size(), 46u * 64u) << "the last memo fills its block";
}

}  // namespace
