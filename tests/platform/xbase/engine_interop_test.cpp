// Our engine beside another FoxPro-format program on the same files. The other program
// is played by raw system calls on a file description of its own: the lock positions it
// takes, the index change counter it bumps, a table file it shortens.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/Cdx.h"
#include "platform/xbase/Engine.h"
#include "platform/xbase/Memo.h"
#include "tests/platform/xbase/XbaseTestUtil.h"
#include "tests/platform/xbase/cdx_test_util.h"

namespace {

using xb::CdxIndex;
using xb::EncodeNumericKey;
using xb::File;
using xbtest::Engine;

// A file as the other program has it open.
class Raw {
 public:
  explicit Raw(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC)) { EXPECT_GE(fd_, 0) << path; }
  ~Raw() {
    if (fd_ >= 0) ::close(fd_);
  }
  Raw(const Raw&) = delete;
  Raw& operator=(const Raw&) = delete;

  // One attempt (wait = false) or a blocking wait for an exclusive lock.
  bool Lock(off_t start, off_t len, bool wait = false) { return Set(F_WRLCK, start, len, wait); }
  void Unlock(off_t start, off_t len) { Set(F_UNLCK, start, len, false); }
  bool Read(off_t off, void* buf, size_t n) { return ::pread(fd_, buf, n, off) == ssize_t(n); }
  bool Write(off_t off, const void* buf, size_t n) { return ::pwrite(fd_, buf, n, off) == ssize_t(n); }
  uint32_t ReadBE32(off_t off) {
    uint8_t b[4] = {};
    Read(off, b, sizeof b);
    return xb::GetBE32(b);
  }
  uint32_t ReadLE32(off_t off) {
    uint8_t b[4] = {};
    Read(off, b, sizeof b);
    return xb::GetLE32(b);
  }
  void WriteBE32(off_t off, uint32_t v) {
    uint8_t b[4];
    xb::PutBE32(b, v);
    Write(off, b, sizeof b);
  }
  bool Truncate(off_t size) { return ::ftruncate(fd_, size) == 0; }
  bool Flock(int op) { return ::flock(fd_, op | LOCK_NB) == 0; }

 private:
  bool Set(short type, off_t start, off_t len, bool wait) {
    struct flock fl {.l_type = type, .l_whence = SEEK_SET, .l_start = start, .l_len = len, .l_pid = 0};
    return ::fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0;
  }

  int fd_;
};

// ---- memo allocation ----

// The other program's memo write: lock byte 0 of the .fpt, take the next free block
// from the header, write the memo there, advance the header.
uint32_t OtherProgramWritesMemo(Raw& fpt, const std::string& text) {
  constexpr uint32_t kBlock = 64;
  fpt.Lock(0, 1, true);
  const uint32_t next = fpt.ReadBE32(0);
  std::string bytes(8, '\0');
  xb::PutBE32(reinterpret_cast<uint8_t*>(bytes.data()), 1);
  xb::PutBE32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, uint32_t(text.size()));
  bytes += text;
  const uint32_t blocks = uint32_t((bytes.size() + kBlock - 1) / kBlock);
  fpt.Write(off_t(next) * kBlock, bytes.data(), bytes.size());
  fpt.WriteBE32(0, next + blocks);
  fpt.Unlock(0, 1);
  return next;
}

TEST(OtherProgram, MemoAllocationIsLockedWhereItLocksIt) {
  const std::string path = xbtest::NewDir() + "/m.fpt";
  ASSERT_TRUE(xb::MemoFile::Create(path).ok());
  xb::Status s;
  auto memo = xb::MemoFile::Open(path, File::Mode::kReadWrite, &s);
  ASSERT_TRUE(memo) << s.message();

  // Its lock on byte 0 keeps our allocation out.
  {
    Raw other(path);
    ASSERT_TRUE(other.Lock(0, 1));
    uint32_t block = 0;
    EXPECT_EQ(memo->Write("text", xb::LockPolicy{2, 1}, &block).code(), xb::Code::kLocked);
    other.Unlock(0, 1);
    ASSERT_TRUE(memo->Write("text", xb::LockPolicy{2, 1}, &block).ok());
    EXPECT_TRUE(other.Lock(0, 1)) << "our allocation lets go of the byte";
  }

  // Both allocating at once: no block is handed out twice.
  constexpr int kEach = 1000;
  const std::string blocksFile = path + ".other";
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  const pid_t child = xbtest::Spawn([&] {
    char c;
    if (::read(go[0], &c, 1) != 1) return 2;
    Raw fpt(path);
    std::string list;
    for (int i = 0; i < kEach; ++i) list += std::to_string(OtherProgramWritesMemo(fpt, "other " + std::to_string(i))) + "\n";
    xbtest::WriteFile(blocksFile, list);
    return 0;
  });
  std::vector<uint32_t> ours;
  ASSERT_EQ(::write(go[1], "g", 1), 1);
  for (int i = 0; i < kEach; ++i) {
    uint32_t block = 0;
    ASSERT_TRUE(memo->Write("ours " + std::to_string(i) + std::string(size_t(i % 90), '.'),
                            xb::LockPolicy{100000, 0}, &block)
                    .ok());
    ours.push_back(block);
  }
  ASSERT_EQ(xbtest::Wait(child), 0);
  ::close(go[0]);
  ::close(go[1]);

  std::set<uint32_t> used;
  std::string text;
  for (int i = 0; i < kEach; ++i) {
    EXPECT_TRUE(used.insert(ours[size_t(i)]).second) << "block " << ours[size_t(i)] << " given twice";
    ASSERT_TRUE(memo->Read(ours[size_t(i)], &text).ok());
    EXPECT_EQ(text, "ours " + std::to_string(i) + std::string(size_t(i % 90), '.'));
  }
  std::istringstream theirs(xbtest::ReadFile(blocksFile));
  uint32_t block = 0;
  for (int i = 0; theirs >> block; ++i) {
    EXPECT_TRUE(used.insert(block).second) << "block " << block << " given twice";
    ASSERT_TRUE(memo->Read(block, &text).ok());
    EXPECT_EQ(text, "other " + std::to_string(i));
  }
  EXPECT_EQ(used.size(), size_t(2 * kEach));
}

// ---- index change counter ----

constexpr uint32_t kTagN = 0x600;  // header of tag N

using cdxtest::OpenIndex;

std::vector<uint32_t> RecNos(CdxIndex& ix) {
  std::vector<uint32_t> out;
  for (const cdxtest::Entry& e : cdxtest::WalkAll(ix, 0)) out.push_back(e.recno);
  return out;
}

TEST(OtherProgram, IndexChangesCountedOnlyInTheFileHeaderAreSeen) {
  struct Case {
    const char* what;
    std::function<void(CdxIndex&)> change;
    std::vector<uint32_t> after;  // tag N's record numbers
  };
  const Case cases[] = {
      {"an insert", [](CdxIndex& ix) { ASSERT_TRUE(ix.Insert(0, EncodeNumericKey(25), 99).ok()); }, {10, 20, 99, 30, 40}},
      {"a removal", [](CdxIndex& ix) { ASSERT_TRUE(ix.Remove(0, EncodeNumericKey(20), 20).ok()); }, {10, 30, 40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = cdxtest::NewTwoTagIndex();
    auto ours = OpenIndex(path);
    auto other = OpenIndex(path);
    ASSERT_TRUE(ours && other);
    for (uint32_t r : {10u, 20u, 30u, 40u}) ASSERT_TRUE(ours->Insert(0, EncodeNumericKey(r), r).ok());
    ASSERT_EQ(RecNos(*ours), (std::vector<uint32_t>{10, 20, 30, 40}));  // pages cached
    auto cursor = ours->NewCursor(0);
    ASSERT_TRUE(cursor->SeekGE(EncodeNumericKey(10)));

    // The other program writes the pages and bumps bytes 8..11 only: the tag header
    // keeps the counter it had.
    Raw raw(path);
    uint8_t tagCounter[4];
    ASSERT_TRUE(raw.Read(kTagN + 8, tagCounter, sizeof tagCounter));
    const uint32_t fileCounter = raw.ReadBE32(8);
    c.change(*other);
    ASSERT_TRUE(raw.Write(kTagN + 8, tagCounter, sizeof tagCounter));
    raw.WriteBE32(8, fileCounter + 1);

    EXPECT_EQ(RecNos(*ours), c.after);
    ASSERT_TRUE(cursor->Next());
    EXPECT_EQ(cursor->RecNo(), c.after[1]) << "the cursor finds its place in the new pages";
    EXPECT_TRUE(ours->Check().ok());
  }
}

// Tag headers: a change under a lock held across changes (an append's keys) writes
// the header of a tag only when it moves its root or free list.
TEST(OtherProgram, EveryIndexChangeOfOursBumpsTheFileCounter) {
  struct Case {
    const char* what;
    std::function<void(CdxIndex&)> change;
    uint32_t bumps;
    uint32_t tagBumps;  // of tag N's header counter
  };
  const Case cases[] = {
      {"an insert", [](CdxIndex& ix) { ASSERT_TRUE(ix.Insert(1, std::string(30, 'k'), 7).ok()); }, 1, 0},
      {"a removal", [](CdxIndex& ix) { ASSERT_TRUE(ix.Remove(0, EncodeNumericKey(1), 1).ok()); }, 1, 1},
      {"three changes under one lock",
       [](CdxIndex& ix) {
         ASSERT_TRUE(ix.LockExclusive().ok());
         ASSERT_TRUE(ix.Insert(0, EncodeNumericKey(5), 5).ok());
         ASSERT_TRUE(ix.Insert(1, std::string(30, 'x'), 5).ok());
         ASSERT_TRUE(ix.Remove(0, EncodeNumericKey(2), 2).ok());
         ix.UnlockExclusive();
       },
       1, 0},
      {"a removal of an entry that is not there", [](CdxIndex& ix) { ix.Remove(0, EncodeNumericKey(77), 77); }, 0, 0},
      {"a rebuild",
       [](CdxIndex& ix) { ASSERT_TRUE(ix.RebuildAll(std::vector<std::vector<xb::KeyEntry>>(2)).ok()); }, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = cdxtest::NewTwoTagIndex();
    auto ix = OpenIndex(path);
    ASSERT_TRUE(ix);
    ASSERT_TRUE(ix->Insert(0, EncodeNumericKey(1), 1).ok());
    ASSERT_TRUE(ix->Insert(0, EncodeNumericKey(2), 2).ok());
    const uint32_t before = Raw(path).ReadBE32(8);
    EXPECT_EQ(before, 2u) << "one per change";
    const uint32_t tagBefore = Raw(path).ReadLE32(kTagN + 8);
    c.change(*ix);
    EXPECT_EQ(Raw(path).ReadBE32(8), before + c.bumps);
    EXPECT_EQ(Raw(path).ReadLE32(kTagN + 8), tagBefore + c.tagBumps);
  }
}

// ---- deny-write ----

constexpr off_t kAppendByte = 0x7FFFFFFE;
constexpr off_t RecordByte(off_t n) { return kAppendByte - n; }

struct LockAt {
  const char* what;
  off_t at;
};
const LockAt kOtherProgramsLocks[] = {{"record 1", RecordByte(1)}, {"record 3", RecordByte(3)}, {"append", kAppendByte}};

TEST(OtherProgram, ADenyWriteHandleKeepsItsRecordAndAppendLocksOut) {
  const std::string path = xbtest::CopyFixture("counters", xbtest::NewDir());
  Engine e;
  code4accessMode(e, 1);
  DATA4* d = d4open(e, path.c_str());
  ASSERT_NE(d, nullptr);
  Raw other(path);
  auto othersKeptOut = [&](const char* after) {
    for (const LockAt& l : kOtherProgramsLocks) EXPECT_FALSE(other.Lock(l.at, 1)) << l.what << " after " << after;
  };
  othersKeptOut("open");
  ASSERT_EQ(d4lock(d, 1), 0);
  ASSERT_EQ(d4unlock(d), 0);
  othersKeptOut("d4lock, d4unlock");
  ASSERT_EQ(d4appendStartVB(d, 0), 0);
  f4assignNVB(d4field(d, "TBLNAME"), "new", 3);
  ASSERT_EQ(d4append(d), 0);
  ASSERT_EQ(d4unlock(d), 0);
  othersKeptOut("d4append, d4unlock");
  ASSERT_EQ(d4reindex(d), 0);
  othersKeptOut("d4reindex");
  ASSERT_EQ(d4close(d), 0);
  for (const LockAt& l : kOtherProgramsLocks) EXPECT_TRUE(other.Lock(l.at, 1)) << l.what << " after close";
}

TEST(OtherProgram, DenyWriteDoesNotOpenWhileItHoldsARecordOrTheAppendLock) {
  const std::string path = xbtest::CopyFixture("counters", xbtest::NewDir());
  for (const LockAt& l : kOtherProgramsLocks) {
    SCOPED_TRACE(l.what);
    Raw other(path);
    ASSERT_TRUE(other.Lock(l.at, 1));
    Engine deny, shared;
    code4accessMode(deny, 1);
    EXPECT_EQ(d4open(deny, path.c_str()), nullptr);
    EXPECT_EQ(code4errorCode(deny, 0), e4access);
    DATA4* s = d4open(shared, path.c_str());
    EXPECT_NE(s, nullptr) << "sharing with it is fine";
    d4close(s);
    other.Unlock(l.at, 1);
    DATA4* d = d4open(deny, path.c_str());
    EXPECT_NE(d, nullptr);
    d4close(d);
  }
}

// ---- a closed table changed by another program ----

// The other program (a deny-write engine in another process) changes the table and puts
// the index's change counter back: on reopening we see every change and write no stale page.
TEST(OtherProgram, AClosedTableItChangedIsReadAfreshAndNothingStaleIsWritten) {
  struct Case {
    const char* what;
    long id;  // the row the other program changes (by ID), or the ID it appends
    std::function<int(DATA4*)> change;
    long seekId, foundRecno;  // then found by our engine (recno 0: not found)
  };
  const Case cases[] = {
      {"append", 99001,
       [](DATA4* d) {
         d4appendStartVB(d, 0), d4blank(d), f4assignLong(d4field(d, "ID"), 99001);
         f4assignNVB(d4field(d, "NAME"), "Appended", 8);
         return d4append(d);
       },
       99001, 20001},
      {"delete", 1500, [](DATA4* d) { return d4delete(d); }, 1500, 0},
      {"key change", 1700, [](DATA4* d) { return f4assignLong(d4field(d, "ID"), 99002); }, 99002, 700},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = xbtest::CopyFixture("items", xbtest::NewDir());
    const std::string cdx = path.substr(0, path.size() - 3) + "cdx";
    xbtest::LetTheFileClockTick();
    Engine ours;
    DATA4* d = d4open(ours, path.c_str());
    ASSERT_NE(d, nullptr);
    for (const char* tag : {"ID", "CODE", "NAME", "DDATE_D", "KIND"}) {
      d4tagSelect(d, d4tag(d, tag));
      ASSERT_EQ(d4top(d), 0);
    }
    d4tagSelect(d, d4tag(d, "ID"));
    for (long id = 1001; id <= 21000; id += 50) d4seekDouble(d, double(id));
    ASSERT_EQ(d4close(d), 0);

    const pid_t other = xbtest::Spawn([&] {
      Raw index(cdx);
      const uint32_t counter = index.ReadBE32(8);
      Engine e;
      code4accessMode(e, 1);
      DATA4* x = d4open(e, path.c_str());
      if (!x) return 1;
      d4tagSelect(x, d4tag(x, "ID"));
      if (c.id < 99000 && d4seekDouble(x, double(c.id)) != 0) return 2;
      if (c.change(x) != 0 || d4close(x) != 0) return 3;
      index.WriteBE32(8, counter);
      return 0;
    });
    ASSERT_EQ(xbtest::Wait(other), 0);

    d = d4open(ours, path.c_str());
    ASSERT_NE(d, nullptr);
    d4tagSelect(d, d4tag(d, "ID"));
    const int found = d4seekDouble(d, double(c.seekId));
    EXPECT_EQ(found == 0 ? d4recNo(d) : 0, c.foundRecno);
    // Our next change goes into the pages the other program changed.
    d4appendStartVB(d, 0), d4blank(d), f4assignLong(d4field(d, "ID"), c.seekId);
    const std::string name = c.foundRecno == 0 ? xbtest::Items()[size_t(c.id - 1001)].name : "Ours";
    f4assignNVB(d4field(d, "NAME"), name.data(), int(name.size()));
    ASSERT_EQ(d4append(d), 0);
    ASSERT_EQ(d4close(d), 0);

    Engine fresh;
    code4readOnly(fresh, 1);
    d = d4open(fresh, path.c_str());
    ASSERT_NE(d, nullptr);
    const long count = d4recCountDo(d);
    long live = 0;
    for (int r = d4top(d); r == 0; r = d4skip(d, 1)) live += d4deleted(d) ? 0 : 1;
    d4close(d);
    xb::Status s;
    auto ix = CdxIndex::Open(cdx, File::Mode::kReadOnly, &s);
    ASSERT_TRUE(ix) << s.message();
    EXPECT_TRUE(ix->Check().ok());
    for (size_t t = 0; t < ix->TagCount(); ++t) {
      EXPECT_EQ(ix->KeyCount(t), uint64_t(ix->Tag(t).forExpr.empty() ? count : live)) << ix->Tag(t).name;
    }
  }
}

// While a handle of ours has a table open, another program can have none of its files to
// itself, and once closed it can; a deny-write handle (also after re-index) and a hold
// have them to themselves. While the other program has one, we neither open to write nor
// hold, but may read.
TEST(OtherProgram, NeitherOfUsHasATableToItselfWhileTheOtherHasItOpen) {
  struct Case {
    const char* what;
    int accessMode, readOnly;
    bool othersMayShare;
  };
  const Case cases[] = {{"shared", 0, 0, true}, {"read-only", 0, 1, true}, {"deny-write", 1, 0, false}};
  const std::string path = xbtest::CopyFixture("items", xbtest::NewDir());
  const std::string base = path.substr(0, path.size() - 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Engine ours;
    code4accessMode(ours, c.accessMode);
    code4readOnly(ours, c.readOnly);
    DATA4* d = d4open(ours, path.c_str());
    ASSERT_NE(d, nullptr);
    if (c.accessMode == 1) { ASSERT_EQ(d4reindex(d), 0); }  // the new index file is held too
    for (const char* ext : {"dbf", "cdx", "fpt"}) {
      EXPECT_FALSE(Raw(base + ext).Flock(LOCK_EX)) << ext;
      EXPECT_EQ(Raw(base + ext).Flock(LOCK_SH), c.othersMayShare) << ext;
    }
    ASSERT_EQ(d4close(d), 0);
    for (const char* ext : {"dbf", "cdx", "fpt"}) EXPECT_TRUE(Raw(base + ext).Flock(LOCK_EX)) << ext;
  }
  Engine ours;
  HOLD4* hold = nullptr;
  ASSERT_EQ(code4holdTable(ours, path.c_str(), (base + "cdx").c_str(), &hold), 0);
  for (const char* ext : {"dbf", "cdx"}) EXPECT_FALSE(Raw(base + ext).Flock(LOCK_SH)) << ext;
  hold4release(hold);
  for (const char* ext : {"dbf", "cdx", "fpt"}) {
    SCOPED_TRACE(ext);
    Raw other(base + ext);
    ASSERT_TRUE(other.Flock(LOCK_EX));
    EXPECT_EQ(d4open(ours, path.c_str()), nullptr);
    EXPECT_EQ(code4errorCode(ours, 0), e4access);
    if (std::string(ext) != "fpt") {
      EXPECT_EQ(code4holdTable(ours, path.c_str(), (base + "cdx").c_str(), &hold), r4locked);
    }
    code4readOnly(ours, 1);
    DATA4* reader = d4open(ours, path.c_str());
    EXPECT_NE(reader, nullptr);
    d4close(reader);
    code4readOnly(ours, 0);
  }
}

// ---- a table shortened under an open handle ----

TEST(OtherProgram, ATableShortenedUnderAnOpenHandleGivesErrorsNotACrash) {
  struct Case {
    const char* what;
    std::function<off_t(off_t headerLen, off_t recordLen)> size;
  };
  const Case sizes[] = {
      {"emptied", [](off_t, off_t) { return off_t(0); }},
      {"header only", [](off_t h, off_t) { return h; }},
      {"half the records", [](off_t h, off_t r) { return h + 10000 * r; }},
      {"cut inside the next record", [](off_t h, off_t r) { return h + 15000 * r + 3; }},
  };
  struct Op {
    const char* what;
    std::function<long(DATA4*)> run;
  };
  const Op ops[] = {
      {"skip in record order", [](DATA4* d) { return long(d4skip(d, 1)); }},
      {"skip in record order, reading ahead", [](DATA4* d) {
         d4readAhead(d, 1);
         return long(d4skip(d, 1));
       }},
      {"seek by tag", [](DATA4* d) {
         d4tagSelect(d, d4tag(d, "ID"));
         return long(d4seekDouble(d, 1000 + 15500));
       }},
      {"count", [](DATA4* d) { return d4recCountDo(d); }},
      {"append", [](DATA4* d) {
         d4appendStartVB(d, 0);
         d4blank(d);
         return long(d4append(d));
       }},
  };
  const std::string dir = xbtest::NewDir();
  for (const Case& c : sizes) {
    for (const Op& op : ops) {
      SCOPED_TRACE(std::string(c.what) + ", " + op.what);
      const std::string path = xbtest::CopyFixture("items", dir);
      Engine e;
      DATA4* d = d4open(e, path.c_str());
      ASSERT_NE(d, nullptr);
      ASSERT_EQ(d4top(d), 0);
      for (int i = 0; i < 20; ++i) ASSERT_EQ(d4skip(d, 1), 0);  // past the reads before mapping
      ASSERT_EQ(d4skip(d, 15000 - 21), 0);
      const std::string whole = xbtest::ReadFile(path);
      const xbtest::DbfLayout dbf(whole);
      Raw other(path);
      ASSERT_TRUE(other.Truncate(c.size(off_t(dbf.headerLen), off_t(dbf.recordLen))));
      EXPECT_LT(op.run(d), 0);
      // The file written back whole (a backup restored): the handle reads it again.
      ASSERT_TRUE(other.Write(0, whole.data(), whole.size()));
      d4tagSelect(d, nullptr);
      ASSERT_EQ(d4top(d), 0);
      ASSERT_EQ(d4skip(d, 15000 - 1), 0);
      EXPECT_EQ(f4long(d4field(d, "ID")), 1000 + 15000);
      d4close(d);
    }
  }
}

TEST(OtherProgram, AnIndexShortenedUnderAnOpenHandleGivesErrorsNotACrash) {
  for (const off_t size : {off_t(0), off_t(1024)}) {
    SCOPED_TRACE(size);
    const std::string path = cdxtest::NewTwoTagIndex();
    auto ix = OpenIndex(path);
    ASSERT_TRUE(ix);
    for (uint32_t r = 1; r <= 10; ++r) ASSERT_TRUE(ix->Insert(0, EncodeNumericKey(r), r).ok());  // header mapped
    ASSERT_TRUE(Raw(path).Truncate(size));
    auto cursor = ix->NewCursor(0);
    EXPECT_FALSE(cursor->First());
    EXPECT_EQ(cursor->LastStatus().code(), xb::Code::kCorrupt);
  }
}

}  // namespace
