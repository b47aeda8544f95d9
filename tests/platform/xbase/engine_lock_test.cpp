// Several users of one table: two handles in this process and forked processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/xbase/Cdx.h"
#include "platform/xbase/File.h"
#include "platform/xbase/LockManager.h"
#include "platform/xbase/Engine.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace {

using xbtest::Engine;
using xbtest::Spawn;
using xbtest::Wait;
using namespace std::chrono_literals;

class Counters : public ::testing::Test {
 protected:
  void SetUp() override { path_ = xbtest::CopyFixture("counters", xbtest::NewDir()); }
  DATA4* Open(CODE4* c) {
    DATA4* d = d4open(c, path_.c_str());
    if (d) d4tagSelect(d, d4tag(d, "TBLNAME"));
    return d;
  }
  std::string path_;
};

// Two users of the counters table in this process: two engines, one handle each.
class TwoUsers : public Counters {
 protected:
  void SetUp() override {
    Counters::SetUp();
    da_ = Open(a_);
    db_ = Open(b_);
    ASSERT_TRUE(da_ && db_);
    la_ = d4field(da_, "LASTID");
    lb_ = d4field(db_, "LASTID");
  }
  void TearDown() override {
    if (da_) d4close(da_);
    if (db_) d4close(db_);
  }
  Engine a_, b_;
  DATA4* da_ = nullptr;
  DATA4* db_ = nullptr;
  FIELD4* la_ = nullptr;
  FIELD4* lb_ = nullptr;
};

TEST_F(TwoUsers, AHeldRecordLockGives50ToTheOther) {
  ASSERT_EQ(d4seek(da_, "dbversion"), 0);
  ASSERT_EQ(d4seek(db_, "dbversion"), 0);
  ASSERT_EQ(d4lock(da_, d4recNo(da_)), 0);
  EXPECT_EQ(d4lock(db_, d4recNo(db_)), r4locked);
  EXPECT_EQ(code4errorCode(b_, 0), 0) << "a lock held by another user is no error";
  EXPECT_EQ(d4lock(db_, 1), 0) << "other records stay free";
  EXPECT_EQ(d4unlock(da_), 0);
  EXPECT_EQ(d4lock(db_, d4recNo(db_)), 0);
  EXPECT_EQ(d4lock(da_, d4recNo(da_)), r4locked);
  d4close(db_);
  db_ = nullptr;
  EXPECT_EQ(d4lock(da_, d4recNo(da_)), 0) << "closing releases the locks";
}

TEST_F(TwoUsers, AWritersChangeIsSeenAfterTheOthersLock) {
  ASSERT_EQ(d4seek(da_, "items.dbf"), 0);
  ASSERT_EQ(d4seek(db_, "items.dbf"), 0);
  ASSERT_EQ(d4lock(da_, d4recNo(da_)), 0);
  f4assignLong(la_, f4long(la_) + 1);
  ASSERT_EQ(d4flush(da_), 0);
  ASSERT_EQ(d4unlock(da_), 0);
  EXPECT_EQ(f4long(lb_), 21001) << "the reader's buffer is as it was read";
  ASSERT_EQ(d4lock(db_, d4recNo(db_)), 0);
  EXPECT_EQ(f4long(lb_), 21002);
}

TEST_F(TwoUsers, AnotherUsersAppendsAndChangesAreSeen) {
  d4tagSelect(da_, nullptr);
  for (int i = 0; i < 10; ++i) xbtest::WalkForward(da_);  // enough reads to map the file
  ASSERT_EQ(d4top(da_), 0);
  ASSERT_EQ(d4skip(da_, 2), 0);
  ASSERT_EQ(d4recNo(da_), 3);
  d4appendStartVB(db_, 0);
  d4blank(db_);
  f4assignNVB(d4field(db_, "TBLNAME"), "svlcat.dbf", 10);
  f4assignLong(lb_, 1000);
  ASSERT_EQ(d4append(db_), 0);
  EXPECT_EQ(d4skip(da_, 1), 0) << "walking past the end re-reads the count";
  EXPECT_EQ(d4recNo(da_), 4);
  EXPECT_EQ(f4long(la_), 1000);
  EXPECT_EQ(d4recCountDo(da_), 4);
  d4tagSelect(da_, d4tag(da_, "TBLNAME"));
  EXPECT_EQ(d4seek(da_, "svlcat.dbf"), 0);
  // A change by the other handle is in the next read of the record.
  ASSERT_EQ(d4seek(db_, "orders.dbf"), 0);
  ASSERT_EQ(d4lock(db_, d4recNo(db_)), 0);
  f4assignLong(lb_, 4242);
  ASSERT_EQ(d4unlock(db_), 0);
  ASSERT_EQ(d4seek(da_, "orders.dbf"), 0);
  EXPECT_EQ(f4long(la_), 4242);
}

// A positioning call holds the index lock only while it runs: right after each one
// another user can take it exclusively, and its change is seen by the next call.
TEST_F(TwoUsers, PositioningLeavesTheIndexUnlocked) {
  xb::Status s;
  auto cdx = xb::File::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadWrite, &s);
  ASSERT_TRUE(cdx) << s.message();
  auto free = [&] {
    if (cdx->Lock(0x7FFFFFFE, 1, true) != xb::File::LockResult::kOk) return false;
    cdx->Unlock(0x7FFFFFFE, 1);
    return true;
  };
  ASSERT_EQ(d4top(da_), 0);
  EXPECT_TRUE(free()) << "d4top";
  ASSERT_EQ(d4skip(da_, 2), 0);
  EXPECT_TRUE(free()) << "d4skip";
  ASSERT_EQ(d4seek(da_, "items.dbf"), 0);
  EXPECT_TRUE(free()) << "d4seek";
  EXPECT_EQ(d4seekNext(da_, "items.dbf"), r4after);
  EXPECT_TRUE(free()) << "d4seekNext";
  EXPECT_EQ(d4skip(da_, -1), 0);
  EXPECT_TRUE(free()) << "d4skip back";
  d4appendStartVB(db_, 0);
  d4blank(db_);
  f4assignNVB(d4field(db_, "TBLNAME"), "items.dbf", 9);
  ASSERT_EQ(d4append(db_), 0);
  ASSERT_EQ(d4seek(da_, "items.dbf"), 0);
  EXPECT_EQ(d4seekNext(da_, "items.dbf"), 0) << "the other user's new key";
  EXPECT_TRUE(free());
}

// While another user holds the index, a change that moves no key is still written; one
// that moves a key is refused (50) and dropped with the lock.
TEST_F(TwoUsers, OnlyAChangeThatMovesAKeyNeedsTheIndex) {
  xb::Status s;
  auto cdx = xb::File::Open(path_.substr(0, path_.size() - 3) + "cdx", xb::File::Mode::kReadWrite, &s);
  ASSERT_TRUE(cdx) << s.message();
  struct Case {
    const char* field;
    const char* text;
    int flushed;
  } cases[] = {{"LASTID", nullptr, 0}, {"TBLNAME", "renamed.dbf", r4locked}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    ASSERT_EQ(d4seek(da_, "items.dbf"), 0);
    ASSERT_EQ(d4lock(da_, d4recNo(da_)), 0);
    ASSERT_EQ(cdx->Lock(0x7FFFFFFE, 1, true), xb::File::LockResult::kOk);
    if (c.text) {
      f4assignNVB(d4field(da_, c.field), c.text, static_cast<int>(std::strlen(c.text)));
    } else {
      f4assignLong(la_, 777);
    }
    EXPECT_EQ(d4flush(da_), c.flushed);
    d4unlock(da_);
    cdx->Unlock(0x7FFFFFFE, 1);
  }
  ASSERT_EQ(d4seek(db_, "items.dbf"), 0);
  EXPECT_EQ(f4long(lb_), 777);
  EXPECT_NE(d4seek(db_, "renamed.dbf"), 0);
}

// d4go reaches a record by number in any order; d4appendUnlock leaves the new record
// (and every other lock of the handle) free for the other user.
TEST_F(TwoUsers, GoByNumberAndAppendUnlocked) {
  ASSERT_EQ(d4seek(da_, "items.dbf"), 0);
  const long items = d4recNo(da_);
  ASSERT_EQ(d4top(da_), 0);
  EXPECT_EQ(d4go(da_, items), 0);
  EXPECT_EQ(f4long(la_), 21001);
  EXPECT_EQ(d4go(da_, d4recCountDo(da_) + 1), r4entry);
  EXPECT_EQ(d4go(da_, 0), r4entry);
  ASSERT_EQ(d4lock(da_, items), 0);
  d4appendStartVB(da_, 0);
  d4blank(da_);
  f4assignNVB(d4field(da_, "TBLNAME"), "new.dbf", 7);
  ASSERT_EQ(d4appendUnlock(da_), 0);
  const long added = d4recNo(da_);
  EXPECT_EQ(d4lock(db_, added), 0) << "the new record";
  EXPECT_EQ(d4lock(db_, items), 0) << "the record locked before";
  EXPECT_EQ(d4seek(db_, "new.dbf"), 0);
  EXPECT_EQ(d4recNo(db_), added);
}

// Appends under a held append lock (a batch): the other user can neither append nor
// change the index until the holder unlocks or closes, then finds every row.
// Held rows are stored together, when the holder unlocks or makes another call.
TEST_F(TwoUsers, AHeldAppendLockKeepsTheOtherOutUntilUnlock) {
  FIELD4* na = d4field(da_, "TBLNAME");
  FIELD4* nb = d4field(db_, "TBLNAME");
  auto append = [](DATA4* d, FIELD4* name, const char* text) {
    d4appendStartVB(d, 0), d4blank(d), f4assignNVB(name, text, static_cast<int>(std::strlen(text)));
    return d4appendUnlock(d);
  };
  const long before = d4recCountDo(da_);
  ASSERT_EQ(d4lockAppend(da_), 0);
  ASSERT_EQ(append(da_, na, "batch1.dbf"), 0);
  ASSERT_EQ(append(da_, na, "batch2.dbf"), 0);
  EXPECT_EQ(append(db_, nb, "other.dbf"), r4locked);
  // The rows are stored all at once by d4unlock, or by another call on their handle.
  EXPECT_EQ(d4recCountDo(db_), before);
  EXPECT_NE(d4seek(db_, "batch1.dbf"), 0);
  EXPECT_EQ(d4seek(da_, "batch1.dbf"), 0);
  EXPECT_EQ(d4recCountDo(db_), before + 2);
  ASSERT_EQ(append(da_, na, "batch4.dbf"), 0);
  ASSERT_EQ(d4unlock(da_), 0);
  ASSERT_EQ(append(db_, nb, "other.dbf"), 0);
  EXPECT_EQ(d4recCountDo(db_), before + 4);
  EXPECT_EQ(d4seek(db_, "batch4.dbf"), 0);
  EXPECT_EQ(d4lock(db_, d4recNo(db_)), 0) << "rows of a batch stay unlocked";
  EXPECT_EQ(d4seek(da_, "other.dbf"), 0);
  // A close ends the hold as well.
  ASSERT_EQ(d4lockAppend(da_), 0);
  ASSERT_EQ(append(da_, na, "batch3.dbf"), 0);
  EXPECT_EQ(append(db_, nb, "other2.dbf"), r4locked);
  ASSERT_EQ(d4close(da_), 0);
  da_ = nullptr;
  ASSERT_EQ(append(db_, nb, "other2.dbf"), 0);
  for (const char* name : {"batch1.dbf", "batch3.dbf", "other2.dbf"}) EXPECT_EQ(d4seek(db_, name), 0) << name;
  EXPECT_EQ(d4recCountDo(db_), before + 6);
}

TEST_F(Counters, TwoProcessesIncrementingUnderTheLockLoseNothing) {
  constexpr int kPerProcess = 1000;
  auto worker = [this]() {
    Engine e(10, 1);
    DATA4* d = Open(e);
    if (!d || d4seek(d, "dbversion") != 0) return 2;
    FIELD4* last = d4field(d, "LASTID");
    for (int i = 0; i < kPerProcess; ++i) {
      int r = r4locked;
      for (int tries = 0; r == r4locked && tries < 10000; ++tries) r = d4lock(d, d4recNo(d));
      if (r != 0) return 3;
      if (f4assignLong(last, f4long(last) + 1) != 0 || d4flush(d) != 0 || d4unlock(d) != 0) return 4;
    }
    return d4close(d) == 0 ? 0 : 5;
  };
  const pid_t p1 = Spawn(worker);
  const pid_t p2 = Spawn(worker);
  EXPECT_EQ(Wait(p1), 0);
  EXPECT_EQ(Wait(p2), 0);
  Engine e;
  DATA4* d = Open(e);
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d4seek(d, "dbversion"), 0);
  EXPECT_EQ(f4long(d4field(d, "LASTID")), 6 + 2 * kPerProcess);
  d4close(d);
}

TEST_F(Counters, DenyWriteRefusesASecondWriter) {
  Engine a, b;
  code4accessMode(a, 1);
  DATA4* exclusive = d4open(a, path_.c_str());
  ASSERT_NE(exclusive, nullptr);
  EXPECT_EQ(d4open(b, path_.c_str()), nullptr);
  EXPECT_EQ(code4errorCode(b, 0), e4access);
  EXPECT_EQ(d4open(a, path_.c_str()), nullptr) << "a second deny-write handle is a writer too";
  code4readOnly(b, 1);
  DATA4* reader = d4open(b, path_.c_str());
  EXPECT_NE(reader, nullptr) << "others may still read";
  d4close(reader);
  d4close(exclusive);
  code4readOnly(b, 0);
  DATA4* shared = d4open(b, path_.c_str());
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(d4open(a, path_.c_str()), nullptr) << "deny-write needs no other writer";
  d4close(shared);
}

TEST_F(Counters, DenyWriteHoldsAcrossProcesses) {
  Engine a;
  code4accessMode(a, 1);
  DATA4* exclusive = d4open(a, path_.c_str());
  ASSERT_NE(exclusive, nullptr);
  const pid_t child = Spawn([this]() {
    Engine e;
    DATA4* d = d4open(e, path_.c_str());
    return d == nullptr ? 0 : 1;
  });
  EXPECT_EQ(Wait(child), 0);
  d4close(exclusive);
}

TEST_F(Counters, TheSessionLockRefusesAnExclusiveUserWhileAnotherIsOpen) {
  Engine a, b;
  ASSERT_EQ(code4sessionLock(a, path_.c_str(), 0), 0);
  ASSERT_EQ(code4sessionLock(b, path_.c_str(), 0), 0) << "many copies share it";
  EXPECT_EQ(code4sessionLock(b, path_.c_str(), 1), r4locked) << "no re-index while another copy is open";
  const pid_t child = Spawn([this]() {
    Engine e;
    return code4sessionLock(e, path_.c_str(), 1) == r4locked ? 0 : 1;
  });
  EXPECT_EQ(Wait(child), 0);
  ASSERT_EQ(code4sessionUnlock(a), 0);
  EXPECT_EQ(code4sessionLock(b, path_.c_str(), 1), 0) << "the upgrade converts the copy's own lock";
  EXPECT_EQ(code4sessionLock(a, path_.c_str(), 0), r4locked) << "nobody opens during the re-index";
  // The session byte is outside every lock a table handle takes.
  DATA4* d = Open(b);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d4lock(d, 1), 0);
  d4close(d);
  EXPECT_EQ(code4sessionLock(b, path_.c_str(), 0), 0);
  EXPECT_EQ(code4sessionLock(a, path_.c_str(), 0), 0);
}

// Another user keeps a lock busy for 1.5 s: held by one user, or changing hands. A
// copy that opens the table or appends meanwhile waits as its lock settings allow:
// the attempts x delay in all while one user holds the lock, longer while the lock
// changes hands (another user gets its work done in between).
TEST_F(Counters, OpenAndAppendWaitAsTheLockSettingsAllowWhileOthersWrite) {
  const std::string cdx = path_.substr(0, path_.size() - 3) + "cdx";
  auto opener = [this](int attempts) -> std::function<int()> {
    return [this, attempts] { Engine e(attempts, 100); DATA4* d = d4open(e, path_.c_str()); return d && d4close(d) == 0 ? 0 : 2; };
  };
  auto appender = [this] {
    Engine e(10, 100);
    DATA4* d = d4open(e, path_.c_str());
    if (!d) return 2;
    d4appendStartVB(d, 0), d4blank(d), f4assignNVB(d4field(d, "TBLNAME"), "waited", 6);
    const int r = d4append(d);
    return d4close(d) == 0 && r == 0 ? 0 : 3;
  };
  Engine w(10, 100);
  DATA4* writer = d4open(w, path_.c_str());
  ASSERT_NE(writer, nullptr);
  FIELD4* name = d4field(writer, "TBLNAME");
  xb::Status s;
  struct Case {
    const char* what;
    bool table;     // a byte of the .dbf (given up for the other user's appends), else of the .cdx
    uint64_t byte;  // held by another user throughout
    std::function<int()> child;
    std::function<void(int)> round;  // every 10 ms; the other user's work
  };
  const Case cases[] = {
      {"index lock held, 10 s allowed", false, 0x7FFFFFFE, opener(100), [](int) {}},
      {"index changing hands under a waiting writer", false, 0x7FFFFFFF, opener(10),
       [&](int i) {
         ASSERT_EQ(d4go(writer, 1), 0);
         ASSERT_EQ(d4lock(writer, 1), 0);
         const std::string key = "k" + std::to_string(i);
         f4assignNVB(name, key.data(), static_cast<int>(key.size()));
         ASSERT_EQ(d4unlock(writer), 0);
       }},
      {"append lock changing hands", true, xb::LockManager::kAppendLock, appender,
       [&](int) {
         d4appendStartVB(writer, 0), d4blank(writer), f4assignNVB(name, "other", 5);
         ASSERT_EQ(d4appendUnlock(writer), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The child starts once the byte is held (by a file it has not inherited).
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = Spawn([&] {
      char b = 0;
      return read(go[0], &b, 1) == 1 ? c.child() : 9;
    });
    auto held = xb::File::Open(c.table ? path_ : cdx, xb::File::Mode::kReadWrite, &s);
    ASSERT_TRUE(held);
    ASSERT_EQ(held->Lock(c.byte, 1, true), xb::File::LockResult::kOk);
    ASSERT_EQ(write(go[1], "g", 1), 1);
    close(go[0]), close(go[1]);
    for (int i = 0; i < 150; ++i) {
      if (c.table) held->Unlock(c.byte, 1);
      c.round(i);
      // The child may take the byte in between: wait for it as another user would.
      for (int tries = 0; c.table && held->Lock(c.byte, 1, true) != xb::File::LockResult::kOk; ++tries) {
        ASSERT_LT(tries, 10000);
        std::this_thread::sleep_for(1ms);
      }
      std::this_thread::sleep_for(10ms);
    }
    held.reset();
    EXPECT_EQ(Wait(child), 0);
  }
  d4close(writer);
}

TEST(ConcurrentAppend, TwoProcessesAppendIntoOneTable) {
  const FIELD4INFO fields[] = {{"ROWID", 'N', 11, 0}, {"WHO", 'C', 4, 0}, {"NOTE", 'M', 10, 0}, {nullptr, 0, 0, 0}};
  const TAG4INFO tags[] = {{"ROWID", "ROWID", nullptr, 0, 0}, {"WHO", "UPPER(WHO)", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
  const std::string path = xbtest::NewDir() + "/log.dbf";
  {
    Engine e;
    DATA4* d = d4create(e, path.c_str(), fields, tags);
    ASSERT_NE(d, nullptr);
    d4close(d);
  }
  constexpr int kEach = 200;
  auto writer = [&path](int who) {
    return [&path, who]() {
      Engine e(1000, 1);
      DATA4* d = d4open(e, path.c_str());
      if (!d) return 2;
      FIELD4* rowid = d4field(d, "ROWID");
      FIELD4* w = d4field(d, "WHO");
      FIELD4* note = d4field(d, "NOTE");
      const std::string tag = who == 1 ? "one" : "two";
      for (int i = 0; i < kEach; ++i) {
        d4appendStartVB(d, 0);
        d4blank(d);
        f4assignLong(rowid, who * 100000 + i);
        f4assignNVB(w, tag.data(), 3);
        const std::string text = tag + std::to_string(i);
        f4memoAssignN(note, text.data(), static_cast<unsigned>(text.size()));
        if (d4append(d) != 0) return 3;
      }
      return d4close(d) == 0 ? 0 : 4;
    };
  };
  const pid_t p1 = Spawn(writer(1));
  const pid_t p2 = Spawn(writer(2));
  EXPECT_EQ(Wait(p1), 0);
  EXPECT_EQ(Wait(p2), 0);
  Engine e;
  DATA4* d = d4open(e, path.c_str());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d4recCountDo(d), 2 * kEach);
  d4tagSelect(d, d4tag(d, "ROWID"));
  FIELD4* rowid = d4field(d, "ROWID");
  FIELD4* note = d4field(d, "NOTE");
  std::set<long> seen;
  long previous = -1;
  for (int r = d4top(d); r == 0; r = d4skip(d, 1)) {
    const long id = f4long(rowid);
    EXPECT_GT(id, previous);
    previous = id;
    seen.insert(id);
    const std::string expected = (id >= 200000 ? "two" : "one") + std::to_string(id % 100000);
    EXPECT_EQ(std::string(f4memoPtr(note), f4memoLenVB(note)), expected);
  }
  EXPECT_EQ(seen.size(), 2u * kEach);
  d4close(d);
  xb::Status s;
  auto index = xb::CdxIndex::Open(path.substr(0, path.size() - 3) + "cdx", xb::File::Mode::kReadOnly, &s);
  ASSERT_TRUE(index);
  EXPECT_TRUE(index->Check().ok());
}

}  // namespace
