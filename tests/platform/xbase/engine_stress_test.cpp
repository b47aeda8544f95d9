// Many processes on one table: readers seeking while writers change keys, memos,
// append and delete; writers killed at random moments. Afterwards every tag must hold
// exactly the keys of the counted records. Each process runs a fixed number of
// operations, so the outcome does not depend on the machine's speed;
// STOVREL_STRESS_ROUNDS multiplies them for a longer run.
// The kill tests repeat their checks hundreds of times: optimised even in a debug build.
#pragma GCC optimize("O2")
#include <gtest/gtest.h>
#include <QString>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "database/Schema.h"
#include "database/Templates.h"
#include "platform/xbase/Bytes.h"
#include "platform/xbase/EngineState.h"
#include "platform/xbase/TableFiles.h"
#include "tests/platform/xbase/KillPoints.h"
#include "tests/platform/xbase/RawCdx.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace {

using xbtest::Engine;
using xbtest::KillAtWrite;
using xbtest::KillPointProblems;
using xbtest::TagsMissRows;
using xbtest::Spawn;
using xbtest::Wait;

const FIELD4INFO kFields[] = {
    {"ROWID", 'N', 11, 0}, {"PRODID", 'N', 11, 0}, {"TRANDATE", 'D', 8, 0}, {"TRANTYPE", 'N', 4, 0},
    {"CODE", 'C', 10, 0},  {"NOTES", 'M', 10, 0},  {nullptr, 0, 0, 0},
};
const TAG4INFO kTags[] = {
    {"ROWID", "ROWID", nullptr, 0, 0},
    {"PRODID", "PRODID", nullptr, 0, 0},
    {"TRANTYPE", "TRANTYPE", nullptr, 0, 0},
    {"TRNDT_D", "DTOS(TRANDATE)", nullptr, 0, 1},
    {"CODE", "UPPER(CODE)", "!DELETED()", 0, 0},
    {nullptr, nullptr, nullptr, 0, 0},
};
constexpr long kProducts = 40;

// The program's lock settings: 10 attempts, 100 ms apart.
class ProgramEngine : public Engine {
 public:
  ProgramEngine() : Engine(10, 100) {}
};

struct Fields {
  explicit Fields(DATA4* d)
      : rowid(d4field(d, "ROWID")), prodid(d4field(d, "PRODID")), date(d4field(d, "TRANDATE")),
        type(d4field(d, "TRANTYPE")), code(d4field(d, "CODE")), notes(d4field(d, "NOTES")) {}
  FIELD4 *rowid, *prodid, *date, *type, *code, *notes;
};

// New key values (and, with memo, sometimes a memo naming the row) for the current buffer.
void AssignKeys(const Fields& f, std::mt19937& rng, long rowid, bool memo = true) {
  f4assignLong(f.prodid, static_cast<long>(rng() % kProducts));
  f4assignLong(f.type, static_cast<long>(1 + rng() % 4));
  char date[16];
  std::snprintf(date, sizeof date, "20%02u%02u%02u", unsigned(20 + rng() % 10), unsigned(1 + rng() % 12),
                unsigned(1 + rng() % 28));
  f4assignNVB(f.date, date, 8);
  const char* codes[] = {"in", "OUT", "adj", "Ret", "move"};
  const char* code = codes[rng() % 5];
  f4assignNVB(f.code, code, static_cast<int>(std::strlen(code)));
  if (memo && rng() % 3 == 0) {
    const std::string memo = "m" + std::to_string(rowid) + "-" + std::to_string(rng() % 100000) +
                             std::string(rng() % 200, 'x');
    f4memoAssignN(f.notes, memo.data(), static_cast<unsigned>(memo.size()));
  }
}

// Starts appending row `rowid` with new keys (d4append stores it).
void NewRow(DATA4* d, const Fields& f, std::mt19937& rng, long rowid, bool memo = true) {
  d4appendStartVB(d, 0), d4blank(d), f4assignLong(f.rowid, rowid);
  AssignKeys(f, rng, rowid, memo);
}

void AssignText(FIELD4* f, const std::string& text) { f4assignNVB(f, text.data(), static_cast<int>(text.size())); }

// A table of `rows` rows, row id i in record i: svltran's fields and tags above, or with
// products svlprod as the program creates it, part numbers and names in mixed case.
std::string MakeTable(long rows, bool memos = true, bool products = false) {
  const std::string path = xbtest::NewDir() + (products ? "/svlprod.dbf" : "/svltran.dbf");
  Engine e;
  DATA4* d = products ? dbtemplates::CreateTable(e, QString::fromStdString(path), *dbschema::FindTable("svlprod"))
                      : d4create(e, path.c_str(), kFields, kTags);
  if (!d || d4lockAppend(d) != 0) return {};
  Fields f(d);
  std::mt19937 rng(1);
  for (long i = 1; i <= rows; ++i) {
    NewRow(d, f, rng, i, memos);
    if (products) {
      AssignText(d4field(d, "PARTNO"), (i % 2 ? "Pn-" : "pN-") + std::to_string(i * 7919 % 10007));
      AssignText(d4field(d, "PRODNAME"), (i % 3 ? "widget " : "Gadget ") + std::to_string(i) + " " +
                                             std::string(20 + i % 60, char('a' + i % 26)));
    }
    if (d4append(d) != 0) return {};
  }
  d4close(d);
  return path;
}

// Record number -> memo, of the counted records that have one.
using Memos = std::map<uint32_t, std::string>;

// "" when every counted record's memo names its own row ("m<rowid>-"), and each record
// of `was` holds that memo or its one in `now`: no memo block was handed out twice.
// With all, the memos are put there.
std::string MemosAmiss(const std::string& path, const Memos& was = {}, const Memos& now = {}, Memos* all = nullptr) {
  Engine e;
  code4readOnly(e, 1);
  DATA4* d = d4open(e, path.c_str());
  if (!d) return " cannot open for the memos";
  const Fields f(d);
  d4tagSelect(d, nullptr);
  std::string problem;
  for (int r = d4top(d); r == 0; r = d4skip(d, 1)) {
    const uint32_t n = static_cast<uint32_t>(d4recNo(d));
    const std::string memo(f4memoPtr(f.notes), f4memoLenVB(f.notes));
    const auto old = was.find(n), changed = now.find(n);
    const bool own = old != was.end() ? memo == old->second || (changed != now.end() && memo == changed->second)
                                      : memo.empty() || memo.rfind("m" + std::to_string(f4long(f.rowid)) + "-", 0) == 0;
    if (!own) problem += " memo of record " + std::to_string(n) + " is not its;";
    if (all && !memo.empty()) (*all)[n] = memo;
  }
  d4close(d);
  return problem;
}

// What a table's tags hold beside its counted records.
struct Leftovers {
  uint32_t beyond = 0;  // entries of the first record past the count (an append cut short)
  uint32_t stale = 0;   // entries whose record no longer carries the key (a change cut short)
};

// Compares every tag with every counted record: "" when each tag holds every key of
// the counted records and a walk of each tag through the engine visits exactly the
// live records in key order; else what differs. Entries beyond the count (of the
// first record past it only) and stale entries are counted in *left; without left
// they are differences too.
std::string CompareTags(const std::string& path, Leftovers* left = nullptr) {
  Engine e;
  code4readOnly(e, 1);
  DATA4* d = d4open(e, path.c_str());
  if (!d) return "cannot open";
  const uint32_t count = static_cast<uint32_t>(d4recCountDo(d));
  std::string problem;
  if (const xb::Status s = d->index->Check(); !s.ok()) problem = "check: " + s.message();
  Leftovers seen;
  std::vector<std::string> records(count + 1);
  for (uint32_t n = 1; n <= count; ++n) {
    if (!d->table->ReadRecord(n, d->scratch.data()).ok()) return "record " + std::to_string(n);
    records[n].assign(d->scratch.data(), d->table->recordLen());
  }
  for (auto& t : d->tags) {
    std::multiset<std::pair<std::string, uint32_t>> expected, found;
    std::string key;
    for (uint32_t n = 1; n <= count; ++n) {
      if (t->KeyOf(records[n].data(), &key)) expected.emplace(key, n);
    }
    auto c = d->index->NewCursor(t->index);
    for (bool ok = c->First(); ok; ok = c->Next()) {
      if (c->RecNo() <= count) {
        found.emplace(c->Key(), c->RecNo());
      } else if (c->RecNo() == count + 1) {
        ++seen.beyond;
      } else {
        problem += " tag " + t->name + " has record " + std::to_string(c->RecNo()) + " past the count";
      }
    }
    if (!c->LastStatus().ok()) problem += " walk: " + c->LastStatus().message();
    for (const auto& entry : expected) {
      if (found.count(entry) == 0) problem += " tag " + t->name + " lacks record " + std::to_string(entry.second);
    }
    seen.stale += static_cast<uint32_t>(found.size() - std::min(found.size(), expected.size()));
    // The engine's walk: live records in key order.
    std::vector<uint32_t> order;
    for (const auto& [k, n] : expected) {
      if (records[n][0] != '*') order.push_back(n);
    }
    if (t->descending) std::reverse(order.begin(), order.end());
    d4tagSelect(d, t.get());
    if (xbtest::WalkForward(d) != order) problem += " walk of " + t->name + " differs";
  }
  if (!left && (seen.beyond || seen.stale)) problem += " leftover entries";
  if (left) *left = seen;
  d4close(d);
  return problem + MemosAmiss(path);
}

// Our next write, an append of row id 1 with a memo of its own: "" when it is stored.
std::string NextAppend(const std::string& path) {
  Engine e;
  DATA4* d = d4open(e, path.c_str());
  if (!d) return "cannot open";
  Fields f(d);
  d4appendStartVB(d, 0);
  d4blank(d);
  f4assignLong(f.rowid, 1);
  const std::string memo = "m1-" + std::string(300, 'a');
  f4memoAssignN(f.notes, memo.data(), static_cast<unsigned>(memo.size()));
  const int r = d4append(d);
  d4close(d);
  return r == 0 ? "" : "d4append " + std::to_string(r);
}

std::string NextAppendLeavesTagsComplete(const std::string& path) {
  if (const std::string failed = NextAppend(path); !failed.empty()) return failed;
  Leftovers left;
  std::string problem = CompareTags(path, &left);
  if (left.beyond) problem += " entries past the count";
  return problem;
}

// Seeks and walks `count` times; 0 when every found row carries the key sought.
int Reader(const std::string& path, long count, unsigned seed) {
  ProgramEngine e;
  DATA4* d = d4open(e, path.c_str());
  if (!d) return 2;
  Fields f(d);
  TAG4* prodid = d4tag(d, "PRODID");
  TAG4* code = d4tag(d, "CODE");
  std::mt19937 rng(seed);
  for (long i = 0; i < count; ++i) {
    const long want = static_cast<long>(rng() % kProducts);
    d4tagSelect(d, prodid);
    int r = d4seek(d, std::to_string(want).c_str());
    if (r < 0 || (r == 0 && f4long(f.prodid) != want)) return 3;
    for (int i = 0; i < 5 && r == 0; ++i) r = d4skip(d, 1);
    if (r < 0) return 4;
    d4tagSelect(d, code);
    r = d4seek(d, "OUT");
    if (r < 0 || (r == 0 && (xbtest::Text(f.code) != "OUT" || d4deleted(d)))) return 5;
  }
  return d4close(d) == 0 ? 0 : 6;
}

// Appends the record `rec` the way another xBase program does, under the append lock
// and the index lock: the header's count C read, the row written at C + 1 over whatever
// lies there, the count set, then its keys inserted by the tree code directly; no note,
// no look at records past the count. With leftovers, an entry a batch cut short left for
// that record may be there already. 0 when stored, 1 when a lock stayed busy.
int OtherAppend(DATA4* d, const std::string& rec, bool leftovers) {
  if (d->locks->LockAppend(d->code->policy()) != xb::File::LockResult::kOk) return 1;
  d->index->SetLockPolicy(d->code->policy());
  if (!d->index->LockExclusive().ok()) return d->locks->UnlockAppend(), 1;
  int r = 0;
  const uint32_t n = d->table->RefreshCount().ok() ? d->table->recordCount() + 1 : 0;
  if (n == 0 || !d->table->file().WriteAt(d->table->header().RecordOffset(n), rec.data(), rec.size()) ||
      !d->table->PublishAppend(n).ok()) {
    r = 4;
  }
  std::string key;
  for (size_t i = 0; r == 0 && i < d->tags.size(); ++i) {
    const TAG4& t = *d->tags[i];
    if (!t.KeyOf(rec.data(), &key)) continue;
    if (const xb::Status s = d->index->Insert(t.index, key, n); !s.ok() && !(leftovers && s.code() == xb::Code::kInvalid)) {
      std::fprintf(stderr, "the other program's insert into %s: %s\n", t.name.c_str(), s.message().c_str());
      r = 5;
    }
  }
  d->index->UnlockExclusive();
  d->locks->UnlockAppend();
  return r;
}

// Deletes counted record n the way another xBase program does, under its record lock
// and the index lock: its keys out of the FOR !DELETED() tags, then its mark; no note.
// 0 when done (or deleted already), 1 when a lock stayed busy.
int OtherDelete(DATA4* d, uint32_t n) {
  if (d->locks->LockRecord(n, d->code->policy()) != xb::File::LockResult::kOk) return 1;
  d->index->SetLockPolicy(d->code->policy());
  if (!d->index->LockExclusive().ok()) return d->locks->UnlockAll(), 1;
  std::string old(d->table->recordLen(), ' '), key, kept;
  int r = d->table->ReadRecord(n, old.data()).ok() ? 0 : 6;
  std::string now = old;
  now[0] = '*';
  for (size_t i = 0; r == 0 && old[0] != '*' && i < d->tags.size(); ++i) {
    const TAG4& t = *d->tags[i];
    if (t.KeyOf(old.data(), &key) && !t.KeyOf(now.data(), &kept) && !d->index->Remove(t.index, key, n).ok()) r = 7;
  }
  if (r == 0 && old[0] != '*' && !d->table->WriteRecord(n, now.data()).ok()) r = 8;
  d->index->UnlockExclusive();
  d->locks->UnlockAll();
  return r;
}

// One write of another program sharing the table: with a rowid, an append of a live row
// like a random counted record with new keys and no memo; else a delete of one. 0 when
// done, 1 when a lock stayed busy.
int OtherWrite(DATA4* d, const Fields& f, std::mt19937& rng, long rowid) {
  if (!d->table->RefreshCount().ok()) return 3;
  const uint32_t n = 1 + static_cast<uint32_t>(rng() % d->table->recordCount());
  if (rowid == 0) return OtherDelete(d, n);
  if (d4go(d, n) != 0) return 4;
  f4assignLong(f.rowid, rowid);
  AssignKeys(f, rng, 0, false);
  std::memset(d->rec.data() + f.notes->def->offset, ' ', f.notes->def->len);
  d->rec[0] = ' ';
  const std::string rec(d->rec.data(), d->table->recordLen());
  d->changed = false;
  return OtherAppend(d, rec, false);
}

// A write whose lock stays busy (r4locked) keeps its change: tried again, as a user
// answers the program's retry box, up to 100 times.
int Retried(int (*write)(DATA4*), DATA4* d) {
  int r = write(d);
  for (int i = 0; i < 100 && r == r4locked; ++i) r = write(d);
  return r;
}

// Makes `count` attempts to change keys and memos of locked records, append or delete;
// as another program (other), half appends and half deletes (OtherWrite). Writes its
// count of operations done to out; 0 when no write failed.
int Writer(const std::string& path, long count, unsigned seed, long rowBase, int out, bool other = false) {
  ProgramEngine e;
  DATA4* d = d4open(e, path.c_str());
  if (!d) return 2;
  Fields f(d);
  std::mt19937 rng(seed);
  long ops = 0, appended = 0;
  for (long attempt = 0; attempt < count; ++attempt) {
    const unsigned what = rng() % 10;
    if (other) {
      const int r = OtherWrite(d, f, rng, what < 5 ? rowBase + ++appended : 0);
      if (r > 1) return 10 + r;
      ops += r == 0;
      continue;
    }
    if (what < 2) {
      NewRow(d, f, rng, rowBase + ++appended);
      if (Retried(d4append, d) != 0) return 3;
    } else {
      const long count = d4recCountDo(d);
      const long n = 1 + static_cast<long>(rng() % static_cast<unsigned>(count));
      d4tagSelect(d, nullptr);
      if (d4top(d) != 0 || d4skip(d, n - 1) != 0) return 4;
      const int lr = d4lock(d, n);
      if (lr == r4locked) continue;
      if (lr != 0) return 5;
      if (what == 9) {
        if (d4delete(d) != 0) return 6;
      } else {
        AssignKeys(f, rng, f4long(f.rowid));
      }
      if (const int fr = Retried(d4flush, d); fr != 0) {
        std::fprintf(stderr, "d4flush %d record %ld\n", fr, n);
        return 7;
      }
    }
    if (d4unlock(d) != 0) return 8;
    ++ops;
  }
  if (write(out, &ops, sizeof ops) != sizeof ops) return 9;
  return d4close(d) == 0 ? 0 : 10;
}

long StressRounds() {
  const char* env = std::getenv("STOVREL_STRESS_ROUNDS");
  const long rounds = env ? std::atol(env) : 1;
  return rounds > 0 ? rounds : 1;
}

struct Mix {
  int readers, writers, others;  // others: Writer as another program
};

TEST(EngineStress, ReadersAndWritersLeaveEveryTagComplete) {
  const long readerOps = 1500 * StressRounds(), writerOps = 400 * StressRounds();
  for (const Mix& mix : {Mix{6, 1, 0}, Mix{2, 4, 0}, Mix{2, 3, 1}}) {
    SCOPED_TRACE(std::to_string(mix.readers) + " readers, " + std::to_string(mix.writers) + " writers, " +
                 std::to_string(mix.others) + " other programs");
    const std::string path = MakeTable(1000);
    ASSERT_FALSE(path.empty());
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    std::vector<pid_t> kids;
    for (int i = 0; i < mix.readers; ++i) kids.push_back(Spawn([&, i] { return Reader(path, readerOps, 100u + unsigned(i)); }));
    for (int i = 0; i < mix.writers; ++i) {
      kids.push_back(Spawn([&, i] { return Writer(path, writerOps, 200u + unsigned(i), 1000000L * (i + 1), pipefd[1]); }));
    }
    for (int i = 0; i < mix.others; ++i) {
      kids.push_back(Spawn([&, i] { return Writer(path, writerOps, 300u + unsigned(i), 100000000L * (i + 1), pipefd[1], true); }));
    }
    close(pipefd[1]);
    for (pid_t k : kids) EXPECT_EQ(Wait(k), 0);
    long total = 0, ops = 0;
    while (read(pipefd[0], &ops, sizeof ops) == sizeof ops) total += ops;
    close(pipefd[0]);
    EXPECT_GT(total, 0);
    EXPECT_EQ(CompareTags(path), "");
    const std::string bytes = xbtest::ReadFile(path);
    const xbtest::DbfLayout dbf(bytes);
    size_t live = 0;
    for (uint32_t n = 1; n <= dbf.count; ++n) live += bytes[dbf.At(n)] != '*';
    std::printf("[stress] %ld writes: %u rows, %zu live\n", total, unsigned(dbf.count), live);
  }
}

// Two handles in one process: each row one appends is found at once by the other
// through three tags, for long enough that both read the index through its mapping.
TEST(EngineStress, AnotherHandlesAppendsAreFoundAtOnce) {
  const std::string path = MakeTable(300);
  Engine ea, eb;
  DATA4* a = d4open(ea, path.c_str());
  DATA4* b = d4open(eb, path.c_str());
  ASSERT_TRUE(a && b);
  const Fields fa(a), fb(b);
  struct Tag {
    TAG4* tag;
    FIELD4 *written, *found;
  } tags[] = {{d4tag(b, "ROWID"), fa.rowid, fb.rowid},
              {d4tag(b, "PRODID"), fa.prodid, fb.prodid},
              {d4tag(b, "TRNDT_D"), fa.date, fb.date}};
  auto text = [](FIELD4* f) {
    const std::string t = xbtest::Text(f);
    return t.substr(std::min(t.find_first_not_of(' '), t.size()));
  };
  std::mt19937 rng(9);
  for (long id = 301; id <= 1300; ++id) {
    NewRow(a, fa, rng, id);
    ASSERT_EQ(d4append(a), 0);
    for (const Tag& t : tags) {
      d4tagSelect(b, t.tag);
      ASSERT_EQ(d4seek(b, text(t.written).c_str()), 0) << id;
      EXPECT_EQ(text(t.found), text(t.written)) << id;
    }
  }
  d4close(a);
  d4close(b);
  EXPECT_EQ(CompareTags(path), "");
}

// Writers appending and changing keys, killed at random moments: every tag agrees
// with the counted records, or the index reports its damage and a re-index repairs it.
TEST(EngineStress, WritersKilledAtRandomLeaveNoMisreadState) {
  const std::string path = MakeTable(300);
  ASSERT_FALSE(path.empty());
  std::mt19937 rng(42);
  int repaired = 0, leftovers = 0;
  uint32_t stale = 0;
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<pid_t> kids;
    // Writers that would run far longer than the moment they are killed at.
    for (int i = 0; i < 3; ++i) {
      kids.push_back(Spawn([&, i] { return Writer(path, 10000000L, 1000u * unsigned(round) + unsigned(i), 1000000L * (10 * round + i + 1), -1); }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 60));
    for (pid_t k : kids) kill(k, SIGKILL);
    for (pid_t k : kids) EXPECT_EQ(Wait(k), 128 + SIGKILL);
    Leftovers left;
    const std::string problem = CompareTags(path, &left);
    leftovers += left.beyond != 0;
    stale += left.stale;
    if (!problem.empty()) {
      // A write cut short (a split's links) is finished by the next open, from its
      // note; what is not shows as damage.
      Engine e;
      DATA4* d = d4open(e, path.c_str());
      ASSERT_NE(d, nullptr);
      const bool damaged = !d->index->Check().ok();
      d4close(d);
      if (!damaged) {
        Leftovers after;
        EXPECT_EQ(CompareTags(path, &after), "") << "undetected: " << problem;
        continue;
      }
      code4accessMode(e, 1);
      d = d4open(e, path.c_str());
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(d4reindex(d), 0);
      d4close(d);
      ++repaired;
      ASSERT_EQ(CompareTags(path), "");
    }
  }
  EXPECT_EQ(NextAppendLeavesTagsComplete(path), "");
  std::printf("[kill] 20 rounds: %d repaired by a re-index, %d left an append cut short, %u stale entries passed over\n",
              repaired, leftovers, stale);
}

// What a program that takes a table's file as it lies sees: "" when the file holds at
// most one whole record past the header's count, or more all marked deleted, and every
// stored row, and every live record past the count, is found by its keys (TagsMissRows).
std::string LiveRowsLackingKeys(const std::string& path) {
  const std::string bytes = xbtest::ReadFile(path);
  const xbtest::DbfLayout dbf(bytes);
  const size_t count = dbf.count, whole = dbf.Whole(bytes.size());
  std::string problem;
  for (size_t n = count + 1u; whole > count + 1u && n <= whole; ++n) {
    if (bytes[dbf.At(n)] != '*') problem += " live record " + std::to_string(n) + " past the count;";
  }
  return problem + TagsMissRows(path, false);
}

// The rows whose ids the writer noted in `noted` (a file of longs) that a reader of the
// table does not find through the ROWID tag, with their memos; "" when all are there.
std::string RowsMissing(const std::string& path, int noted) {
  std::vector<long> ids(static_cast<size_t>(::lseek(noted, 0, SEEK_END)) / sizeof(long));
  if (::pread(noted, ids.data(), ids.size() * sizeof(long), 0) != static_cast<ssize_t>(ids.size() * sizeof(long))) {
    return "cannot read the noted ids";
  }
  Engine e;
  DATA4* d = d4open(e, path.c_str());
  if (!d) return "cannot open";
  Fields f(d);
  d4tagSelect(d, d4tag(d, "ROWID"));
  std::string problem;
  for (const long id : ids) {
    const std::string memo = "m" + std::to_string(id) + "-";
    if (d4seekDouble(d, static_cast<double>(id)) != 0 || f4long(f.rowid) != id ||
        std::string(f4memoPtr(f.notes), f4memoLenVB(f.notes)) != memo) {
      problem += " row " + std::to_string(id);
    }
  }
  d4close(d);
  return problem;
}

// Writers killed after each write of an append, one after the other on one table
// (each taking over what the last one left): every live row keeps all its keys, the
// rows stored before the kill are all counted, and the next append leaves every tag
// complete. A batch (rows appended under d4lockAppend, stored by d4unlock) is killed
// after each write of any of its rows and of its storing, also with a batch stored
// before it.
TEST(EngineStress, AppendKilledAfterAnyWriteLeavesNoLiveRowWithoutKeys) {
  struct Case {
    const char* name;
    int rows;
    bool batch;
  };
  for (const Case& c : {Case{"one append", 1, false}, Case{"a batch", 4, true}}) {
    SCOPED_TRACE(c.name);
    const std::string path = MakeTable(20);
    ASSERT_FALSE(path.empty());
    int status = 0;
    for (int writes = 1; writes < 200 * c.rows; ++writes) {
      SCOPED_TRACE("killed after write " + std::to_string(writes));
      const int noted = ::open(xbtest::NewDir().append("/done").c_str(), O_CREAT | O_RDWR, 0600);
      ASSERT_GE(noted, 0);
      status = Wait(Spawn([&] {
        ProgramEngine e;
        DATA4* d = d4open(e, path.c_str());
        if (!d) return 2;
        Fields f(d);
        std::mt19937 rng(static_cast<unsigned>(writes));
        if (c.batch && d4lockAppend(d) != 0) return 3;
        KillAtWrite(writes);
        std::vector<long> added;
        for (int i = 0; i < c.rows; ++i) {
          const long id = 5000 + writes * 10 + i;
          NewRow(d, f, rng, id);
          const std::string memo = "m" + std::to_string(id) + "-";
          f4memoAssignN(f.notes, memo.data(), static_cast<unsigned>(memo.size()));
          if (const int r = d4appendUnlock(d); r != 0) return r;
          added.push_back(id);
          if (c.batch && i == c.rows / 2 - 1 && d4unlock(d) + d4lockAppend(d) != 0) return 5;
          if (c.batch && i < c.rows - 1 && i != c.rows / 2 - 1) continue;
          if (c.batch && i == c.rows - 1 && d4unlock(d) != 0) return 6;
          // Each row stored is noted, so the parent knows what must be there.
          for (const long a : added) {
            if (::write(noted, &a, sizeof a) != sizeof a) return 4;
          }
          added.clear();
        }
        return d4close(d);
      }));
      EXPECT_EQ(LiveRowsLackingKeys(path), "");
      EXPECT_EQ(RowsMissing(path, noted), "");
      ::close(noted);
      if (status != 128 + SIGKILL) break;
    }
    ASSERT_EQ(status, 0);
    EXPECT_EQ(NextAppendLeavesTagsComplete(path), "");
    EXPECT_EQ(LiveRowsLackingKeys(path), "");
  }
}

// A batch held by d4lockAppend is stored once it has 256 rows, or by the first append
// 0.2 s or more after its first row: another handle counts them before the unlock. On a
// slow machine the time may store part of the 256 first and hold the rest: at most 255
// rows are ever held.
TEST(EngineStress, AHeldBatchIsStoredAt256RowsOrAfterAFractionOfASecond) {
  struct Case {
    const char* what;
    int rows, pauseMs;  // pause before the last row
    int seenAtLeast;    // rows of the batch the other handle counts before the unlock
  } cases[] = {{"256 rows", 256, 0, 1}, {"two rows 0.25 s apart", 2, 250, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = MakeTable(10, false);
    Engine writer, reader;
    DATA4* d = d4open(writer, path.c_str());
    DATA4* other = d4open(reader, path.c_str());
    ASSERT_TRUE(d && other);
    ASSERT_EQ(d4lockAppend(d), 0);
    Fields f(d);
    std::mt19937 rng(3);
    for (int i = 1; i <= c.rows; ++i) {
      if (i == c.rows) std::this_thread::sleep_for(std::chrono::milliseconds(c.pauseMs));
      NewRow(d, f, rng, 10 + i, false);
      ASSERT_EQ(d4append(d), 0);
    }
    EXPECT_GE(d4recCountDo(other), 10 + c.seenAtLeast);
    EXPECT_EQ(d4unlock(d), 0);
    EXPECT_EQ(d4recCountDo(other), 10 + c.rows);
    d4close(other), d4close(d);
    EXPECT_EQ(CompareTags(path), "");
  }
}

// " a note is left" when the table's recovery note is not empty.
std::string NoteLeft(const std::string& path) {
  return xbtest::ReadFile(xb::CompanionPath(path, "pnd")).empty() ? "" : " a note is left;";
}

// Appends row `rowid` the way another xBase program does (OtherAppend), after our
// open of the table.
int OtherProgramAppends(const std::string& path, long rowid) {
  // Our open would finish what a note names: the note is put aside meanwhile.
  const std::string note = xb::CompanionPath(path, "pnd"), aside = note + ".aside";
  const bool hidden = std::rename(note.c_str(), aside.c_str()) == 0;
  Engine e;
  DATA4* d = d4open(e, path.c_str());
  if (hidden) std::rename(aside.c_str(), note.c_str());
  if (!d || d4go(d, 1) != 0) return 2;
  f4assignLong(d4field(d, "ROWID"), rowid);
  f4assignLong(d4field(d, "PRODID"), 7);
  const std::string rec(d->rec.data(), d->table->recordLen());
  d->changed = false;
  if (const int r = OtherAppend(d, rec, true); r != 0) return r;
  return d4close(d) == 0 ? 0 : 6;
}

// A process with the table open from before the kill (its pages cached): once told by
// `go`, it appends one row with a memo, our next write.
pid_t OpenAllAlong(const std::string& path, int ready, int go) {
  return Spawn([=] {
    ProgramEngine e;
    DATA4* d = d4open(e, path.c_str());
    if (!d) return 2;
    for (auto& t : d->tags) {
      d4tagSelect(d, t.get());
      if (d4top(d) != 0 || d4skip(d, 5) != 0) return 3;
    }
    char c = 1;
    if (::write(ready, &c, 1) != 1 || ::read(go, &c, 1) != 1) return 4;
    Fields f(d);
    NewRow(d, f, *std::make_unique<std::mt19937>(5), 99999, false);
    const std::string memo = "m99999-" + std::string(200, 'b');
    f4memoAssignN(f.notes, memo.data(), static_cast<unsigned>(memo.size()));
    if (d4append(d) != 0) return 5;
    return d4close(d) == 0 ? 0 : 6;
  });
}

// A table the kill runs start from.
struct Start {
  std::string dbf;  // file name
  uint32_t rows = 0;
  xbtest::Files files;
  Memos memos;
};

// The memo a kill run writes for row n: its old one's owner and `len` letters.
std::string NewMemo(uint32_t n, size_t len) { return "m" + std::to_string(n) + "-" + std::string(len, 'n'); }

// The table at `path` as a start, with `deleted` marked deleted and, with memos, a memo
// of 100 to 300 letters on every fifth row from row 2.
Start StartOf(const std::string& path, const std::vector<uint32_t>& deleted, bool memos) {
  Start s;
  Engine e;
  DATA4* d = d4open(e, path.c_str());
  if (!d) return s;
  const Fields f(d);
  const uint32_t rows = static_cast<uint32_t>(d4recCountDo(d));
  for (uint32_t n = 2; memos && n <= rows; n += 5) {
    const std::string memo = "m" + std::to_string(n) + "-" + std::string(100 + n % 200, 'o');
    if (d4go(d, n) + d4lock(d, n) + f4memoAssignN(f.notes, memo.data(), unsigned(memo.size())) + d4flush(d) + d4unlock(d)) return s;
  }
  for (const uint32_t n : deleted) {
    if (d4go(d, n) + d4lock(d, n) + d4delete(d) + d4unlock(d) != 0) return s;
  }
  d4close(d);
  if (!MemosAmiss(path, {}, {}, &s.memos).empty()) return s;
  s.dbf = std::filesystem::path(path).filename().string();
  s.files = xbtest::SaveFiles(std::filesystem::path(path).parent_path().string());
  s.rows = rows;
  return s;
}

// Key changes of each tagged field of svltran and svlprod, memo rewrites, deletes,
// recalls, an append and held batches of 256 rows, each killed after every one of its
// writes in turn (on a fresh copy). After the kill, both readers find every row by its
// key in every tag, the only entries that are not their record's are of records the
// operation changes, and every memo is its row's old or new one (the new one once the
// writer has ended by itself). Then our next write (by a handle opened anew, or by one
// open all along after another program appended at the count + 1) leaves every tag
// whole, every row found, no memo block handed out twice and no note.
TEST(EngineStress, ChangesKilledAfterAnyWriteLeaveEveryTagWholeAfterOurNextWrite) {
  std::vector<uint32_t> spread, deleted, neighbours;
  for (uint32_t i = 0; i < 6; ++i) spread.push_back(37 + 150 * i), deleted.push_back(500 + 7 * i);
  for (uint32_t n = 301; n <= 340; ++n) neighbours.push_back(n);
  const Start base = StartOf(MakeTable(1000, false), deleted, true), large = StartOf(MakeTable(5000, false), {}, false),
              products = StartOf(MakeTable(1000, false, true), deleted, true);
  ASSERT_TRUE(base.rows && large.rows && products.rows);
  using Change = std::function<void(DATA4*, const Fields&, uint32_t)>;
  struct Case {
    const char* what;
    const Start* start;
    const std::vector<uint32_t>* records;  // null: `appended` new rows, held when more than one
    Change change;
    uint32_t appended = 0;
    size_t memoLen = 0;  // the records' memos rewritten to NewMemo(n, memoLen) instead of a change
  };
  const Change rowid = [](DATA4*, const Fields& f, uint32_t n) { f4assignLong(f.rowid, 900000 + n); };
  const Case cases[] = {
      {"product id", &base, &spread, [](DATA4*, const Fields& f, uint32_t n) { f4assignLong(f.prodid, 100 + n % 7); }},
      {"date", &base, &spread, [](DATA4*, const Fields& f, uint32_t n) {
         const std::string date = "20310" + std::to_string(1 + n % 9) + "1" + std::to_string(n % 10);
         f4assignNVB(f.date, date.data(), 8);
       }},
      {"type", &base, &spread, [](DATA4*, const Fields& f, uint32_t) { f4assignLong(f.type, 9); }},
      {"code (upper case, live rows only)", &base, &spread,
       [](DATA4*, const Fields& f, uint32_t n) { AssignText(f.code, "zz" + std::to_string(n)); }},
      {"row id of 40 neighbours", &base, &neighbours, rowid},
      {"delete", &base, &spread, [](DATA4* d, const Fields&, uint32_t) { d4delete(d); }},
      {"recall", &base, &deleted, [](DATA4* d, const Fields&, uint32_t) { d->rec[0] = ' ', d->changed = true; }},
      {"memo rewritten longer", &base, &spread, nullptr, 0, 1000},
      {"memo rewritten shorter", &base, &spread, nullptr, 0, 3},
      {"a held batch of 256", &base, nullptr, nullptr, 256},
      {"an append into 5,000 rows", &large, nullptr, nullptr, 1},
      {"a held batch of 256 into 5,000 rows", &large, nullptr, nullptr, 256},
      {"product part number", &products, &spread,
       [](DATA4* d, const Fields&, uint32_t n) { AssignText(d4field(d, "PARTNO"), "pn-" + std::to_string(n) + "-B"); }},
      {"product name", &products, &spread, [](DATA4* d, const Fields&, uint32_t n) {
         AssignText(d4field(d, "PRODNAME"), (n % 2 ? "a renamed " : "Z renamed ") + std::to_string(n));
       }},
      {"product row id of 40 neighbours", &products, &neighbours, rowid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const uint32_t rows = c.start->rows;
    std::set<uint32_t> named;
    Memos rewritten;
    for (const uint32_t n : c.records ? *c.records : std::vector<uint32_t>{}) {
      named.insert(n);
      if (c.memoLen) rewritten[n] = NewMemo(n, c.memoLen);
    }
    for (uint32_t n = rows + 1; n <= rows + c.appended; ++n) named.insert(n);
    Memos stored = c.start->memos;  // once the writer has ended by itself
    for (const auto& [n, memo] : rewritten) stored[n] = memo;
    EXPECT_EQ(KillPointProblems(c.start->files, [&](const std::string& dir, int writes, bool* done) {
      const std::string path = dir + "/" + c.start->dbf;
      int ready[2], go[2];
      if (::pipe(ready) != 0 || ::pipe(go) != 0) return std::string(" no pipe");
      const pid_t along = OpenAllAlong(path, ready[1], go[0]);
      char byte = 0;
      if (::read(ready[0], &byte, 1) != 1) return std::string(" the handle open all along did not open");
      const int status = Wait(Spawn([&] {
        ProgramEngine e;
        DATA4* d = d4open(e, path.c_str());
        if (!d || (c.appended > 1 && d4lockAppend(d) != 0)) return 2;
        Fields f(d);
        std::mt19937 rng(7);
        KillAtWrite(writes);
        for (uint32_t i = 1; i <= c.appended; ++i) {
          NewRow(d, f, rng, long(rows + i), false);
          if (d4append(d) != 0) return 3;
        }
        if (c.appended > 1 && d4unlock(d) != 0) return 4;
        for (const uint32_t n : c.records ? *c.records : std::vector<uint32_t>{}) {
          if (d4go(d, n) != 0 || d4lock(d, n) != 0) return 5;
          if (c.memoLen) {
            f4memoAssignN(f.notes, rewritten[n].data(), static_cast<unsigned>(rewritten[n].size()));
          } else {
            c.change(d, f, n);
          }
          if (d4flush(d) != 0 || d4unlock(d) != 0) return 6;
        }
        return d4close(d) == 0 ? 0 : 7;
      }));
      *done = status != 128 + SIGKILL;
      std::string problem;
      if (status != 0 && *done) problem += " the writer ended with " + std::to_string(status);
      const Memos& was = *done ? stored : c.start->memos;
      problem += TagsMissRows(path, *done, *done ? nullptr : &named) + MemosAmiss(path, was, *done ? stored : rewritten);
      if (*done) problem += NoteLeft(path);
      const auto whole = [&](const char* after) {
        const std::string next = TagsMissRows(path, true) + NoteLeft(path) + MemosAmiss(path, was, *done ? stored : rewritten);
        if (!next.empty()) problem += std::string(" after ") + after + ":" + next;
      };
      const xbtest::Files killed = xbtest::SaveFiles(dir);
      // Another program appends first, then the handle open all along.
      if (const int other = Wait(Spawn([&] { return OtherProgramAppends(path, 88888); })); other != 0) {
        problem += " the other program's append ended with " + std::to_string(other);
      }
      if (::write(go[1], &byte, 1) != 1 || Wait(along) != 0) problem += " the append of the handle open all along failed";
      for (const int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
      whole("another program's append and ours");
      // Our next write by a handle opened anew.
      std::filesystem::remove_all(dir), std::filesystem::create_directory(dir);
      xbtest::WriteFiles(dir, killed);
      problem += NextAppend(path);
      whole("our next append");
      return problem;
    }), "");
  }
}

}  // namespace
