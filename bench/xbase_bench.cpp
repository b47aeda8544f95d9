// The engine on a database of 10,000 products and 1,000,000 transactions with four
// tags: open-seek-close, seeks, append, rebuild, walks. The database is generated
// once per run in a temporary folder (records written directly, tags by d4reindex).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/xbase/Engine.h"

namespace {

constexpr long kProducts = 10000;
constexpr long kTransactions = 1000000;

const FIELD4INFO kTranFields[] = {
    {"ROWID", 'N', 11, 0},  {"PRODID", 'N', 11, 0}, {"TRANDATE", 'C', 8, 0}, {"TRANTYPE", 'N', 4, 0},
    {"UNITS", 'N', 20, 4},  {"UNITPRC", 'N', 20, 4}, {"NOTES", 'M', 10, 0},   {"CATID", 'N', 11, 0},
    {"SHIPMETHOD", 'N', 11, 0}, {nullptr, 0, 0, 0},
};
const TAG4INFO kTranTags[] = {
    {"ROWID", "ROWID", nullptr, 0, 0},       {"PRODID", "PRODID", nullptr, 0, 0},
    {"TRANTYPE", "TRANTYPE", nullptr, 0, 0}, {"TRNDT_D", "TRANDATE", nullptr, 0, 1},
    {nullptr, nullptr, nullptr, 0, 0},
};

void Die(const char* what) {
  std::fprintf(stderr, "bench set-up failed: %s\n", what);
  std::exit(1);
}

// Writes a field's text right-aligned (numbers) or left-aligned (texts).
void Put(char* rec, size_t& off, size_t len, const std::string& text, bool right) {
  std::memset(rec + off, ' ', len);
  std::memcpy(rec + off + (right ? len - text.size() : 0), text.data(), text.size());
  off += len;
}

struct Database {
  std::string dir, tran, tranCopy;
  std::vector<std::string> dates;  // a date text per transaction, for char seeks

  Database() {
    char tmpl[] = "/tmp/xbase-bench-XXXXXX";
    if (!mkdtemp(tmpl)) Die("mkdtemp");
    dir = tmpl;
    tran = dir + "/svltran.dbf";
    CODE4* c = d4init_v();
    DATA4* d = d4create(c, tran.c_str(), kTranFields, kTranTags);
    if (!d) Die("create");
    d4close(d);
    // Records straight into the file after the empty table's header.
    FILE* f = std::fopen(tran.c_str(), "r+b");
    unsigned char h[32];
    if (!f || std::fread(h, 1, 32, f) != 32) Die("header");
    const size_t headerLen = h[8] | (h[9] << 8), recLen = h[10] | (h[11] << 8);
    std::mt19937 rng(42);
    std::vector<char> rec(recLen);
    std::fseek(f, static_cast<long>(headerLen), SEEK_SET);
    for (long i = 1; i <= kTransactions; ++i) {
      size_t off = 1;
      rec[0] = ' ';
      char date[16];
      std::snprintf(date, sizeof date, "%04u%02u%02u", 2015 + static_cast<unsigned>(rng() % 10),
                    1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28));
      dates.emplace_back(date);
      Put(rec.data(), off, 11, std::to_string(i), true);
      Put(rec.data(), off, 11, std::to_string(1 + rng() % kProducts), true);
      Put(rec.data(), off, 8, date, false);
      Put(rec.data(), off, 4, std::to_string(1 + rng() % 5), true);
      Put(rec.data(), off, 20, std::to_string(rng() % 1000) + ".5000", true);
      Put(rec.data(), off, 20, std::to_string(rng() % 100) + ".2500", true);
      Put(rec.data(), off, 10, "", true);
      Put(rec.data(), off, 11, std::to_string(rng() % 50), true);
      Put(rec.data(), off, 11, std::to_string(rng() % 7), true);
      std::fwrite(rec.data(), 1, recLen, f);
    }
    std::fputc(0x1A, f);
    const uint32_t n = kTransactions;
    unsigned char count[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                              static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
    std::fseek(f, 4, SEEK_SET);
    std::fwrite(count, 1, 4, f);
    std::fclose(f);
    d = d4open(c, tran.c_str());
    if (!d || d4reindex(d) != 0) Die("reindex");
    d4close(d);
    d4initUndo(c);
    // A copy for the append benchmark, so that the others see 1,000,000 records.
    tranCopy = dir + "/copy.dbf";
    for (const char* ext : {"dbf", "cdx", "fpt"}) {
      std::filesystem::copy_file(dir + "/svltran." + ext, dir + "/copy." + ext);
    }
  }
  ~Database() { std::filesystem::remove_all(dir); }
};

Database& Db() {
  static Database db;
  return db;
}

CODE4* Engine() {
  CODE4* c = d4init_v();
  code4accessMode(c, 0);
  code4readOnly(c, 0);
  code4readLock(c, 0);
  code4lockEnforce(c, 1);
  code4lockDelay(c, 100);
  code4lockAttempts(c, 10);
  code4optimizeWrite(c, 0);
  return c;
}

DATA4* OpenWithTag(CODE4* c, const std::string& path, const char* tag) {
  DATA4* d = d4open(c, path.c_str());
  if (!d) Die("open");
  d4tagSelect(d, d4tag(d, tag));
  return d;
}

void BM_OpenSeekClose(benchmark::State& state) {
  const std::string path = Db().tran;
  CODE4* c = Engine();
  std::mt19937 rng(1);
  for (auto _ : state) {
    DATA4* d = OpenWithTag(c, path, "ROWID");
    benchmark::DoNotOptimize(d4seekDouble(d, 1 + rng() % kTransactions));
    d4close(d);
  }
  d4initUndo(c);
}
BENCHMARK(BM_OpenSeekClose)->Unit(benchmark::kMicrosecond);

void BM_SeekNumeric(benchmark::State& state) {
  CODE4* c = Engine();
  DATA4* d = OpenWithTag(c, Db().tran, "ROWID");
  std::mt19937 rng(2);
  for (auto _ : state) {
    if (d4seekDouble(d, 1 + rng() % kTransactions) != 0) state.SkipWithError("not found");
  }
  d4initUndo(c);
}
BENCHMARK(BM_SeekNumeric)->Unit(benchmark::kMicrosecond);

void BM_SeekCharacter(benchmark::State& state) {
  CODE4* c = Engine();
  DATA4* d = OpenWithTag(c, Db().tran, "TRNDT_D");
  const std::vector<std::string>& dates = Db().dates;
  std::mt19937 rng(3);
  for (auto _ : state) {
    if (d4seek(d, dates[rng() % dates.size()].c_str()) != 0) state.SkipWithError("not found");
  }
  d4initUndo(c);
}
BENCHMARK(BM_SeekCharacter)->Unit(benchmark::kMicrosecond);

// Fills a new transaction record of the append benchmarks.
class NewTran {
 public:
  explicit NewTran(DATA4* d)
      : d_(d), rowid_(d4field(d, "ROWID")), prodid_(d4field(d, "PRODID")), date_(d4field(d, "TRANDATE")),
        type_(d4field(d, "TRANTYPE")), units_(d4field(d, "UNITS")) {}
  void Fill(long rowid, std::mt19937& rng, const char* date) {
    d4appendStartVB(d_, 0);
    d4blank(d_);
    f4assignDouble(rowid_, static_cast<double>(rowid));
    f4assignDouble(prodid_, static_cast<double>(1 + rng() % kProducts));
    f4assignNVB(date_, date, 8);
    f4assignDouble(type_, static_cast<double>(1 + rng() % 5));
    f4assignDouble(units_, 12.5);
  }

 private:
  DATA4* d_;
  FIELD4 *rowid_, *prodid_, *date_, *type_, *units_;
};

void BM_AppendFourTags(benchmark::State& state) {
  CODE4* c = Engine();
  DATA4* d = d4open(c, Db().tranCopy.c_str());
  if (!d) Die("open copy");
  NewTran tran(d);
  std::mt19937 rng(4);
  long next = kTransactions + 1;
  for (auto _ : state) {
    tran.Fill(next++, rng, Db().dates[rng() % Db().dates.size()].c_str());
    if (d4append(d) != 0) state.SkipWithError("append failed");
    d4flush(d);
  }
  d4initUndo(c);
}
BENCHMARK(BM_AppendFourTags)->Unit(benchmark::kMicrosecond);

// The way an import writes: batches of 256 rows, each batch under one hold of the
// locks (d4lockAppend ... d4unlock).
void BM_AppendFourTagsBatches(benchmark::State& state) {
  CODE4* c = Engine();
  DATA4* d = d4open(c, Db().tranCopy.c_str());
  if (!d) Die("open copy");
  NewTran tran(d);
  std::mt19937 rng(6);
  long next = 2 * kTransactions + 1;
  int inBatch = 0;
  for (auto _ : state) {
    if (inBatch == 0 && d4lockAppend(d) != 0) state.SkipWithError("lock failed");
    tran.Fill(next++, rng, Db().dates[rng() % Db().dates.size()].c_str());
    if (d4appendUnlock(d) != 0) state.SkipWithError("append failed");
    if (++inBatch == 256) {
      d4unlock(d);
      inBatch = 0;
    }
  }
  d4unlock(d);
  d4initUndo(c);
}
BENCHMARK(BM_AppendFourTagsBatches)->Unit(benchmark::kMicrosecond);

// A key change: a random transaction locked, its product id changed, flushed, unlocked.
void BM_ChangeProductId(benchmark::State& state) {
  CODE4* c = Engine();
  DATA4* d = d4open(c, Db().tranCopy.c_str());
  if (!d) Die("open copy");
  FIELD4* prodid = d4field(d, "PRODID");
  std::mt19937 rng(8);
  for (auto _ : state) {
    const long n = 1 + static_cast<long>(rng() % kTransactions);
    if (d4go(d, n) != 0 || d4lock(d, n) != 0) state.SkipWithError("lock failed");
    f4assignLong(prodid, 1 + static_cast<long>(rng() % kProducts));
    if (d4flush(d) != 0) state.SkipWithError("flush failed");
    d4unlock(d);
  }
  d4initUndo(c);
}
BENCHMARK(BM_ChangeProductId)->Unit(benchmark::kMicrosecond);

// A new, empty table, each row appended, flushed and unlocked on its own.
void BM_AppendUnlockNewTable(benchmark::State& state) {
  char tmpl[] = "/tmp/xbase-bench-new-XXXXXX";
  if (!mkdtemp(tmpl)) Die("mkdtemp");
  const std::string dir = tmpl;
  CODE4* c = Engine();
  DATA4* d = d4create(c, (dir + "/newtran.dbf").c_str(), kTranFields, kTranTags);
  if (!d) Die("create new");
  NewTran tran(d);
  std::mt19937 rng(5);
  long next = 1;
  for (auto _ : state) {
    char dt[16];
    std::snprintf(dt, sizeof dt, "%04u%02u%02u", 2015 + static_cast<unsigned>(rng() % 10),
                  1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28));
    tran.Fill(next++, rng, dt);
    if (d4append(d) != 0) state.SkipWithError("append failed");
    d4flush(d);
    d4unlock(d);
  }
  d4initUndo(c);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_AppendUnlockNewTable)->Unit(benchmark::kMicrosecond)->Iterations(100000);

void BM_RebuildFourTags(benchmark::State& state) {
  CODE4* c = Engine();
  code4accessMode(c, 1);
  DATA4* d = d4open(c, Db().tran.c_str());
  if (!d) Die("open deny-write");
  for (auto _ : state) {
    if (d4reindex(d) != 0) state.SkipWithError("reindex failed");
  }
  d4initUndo(c);
}
BENCHMARK(BM_RebuildFourTags)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WalkEveryProductsTransactions(benchmark::State& state) {
  CODE4* c = Engine();
  DATA4* d = OpenWithTag(c, Db().tran, "PRODID");
  FIELD4* units = d4field(d, "UNITS");
  FIELD4* type = d4field(d, "TRANTYPE");
  long rows = 0;
  for (auto _ : state) {
    double sum = 0;
    rows = 0;
    char key[16];
    for (long p = 1; p <= kProducts; ++p) {
      std::snprintf(key, sizeof key, "%ld", p);
      for (int r = d4seekDouble(d, static_cast<double>(p)); r == 0; r = d4seekNext(d, key)) {
        sum += f4double(units) * (f4long(type) == 4 ? -1 : 1);
        ++rows;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["rows"] = static_cast<double>(rows);
  d4initUndo(c);
}
BENCHMARK(BM_WalkEveryProductsTransactions)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SequentialScan(benchmark::State& state) {
  CODE4* c = Engine();
  DATA4* d = d4open(c, Db().tran.c_str());
  FIELD4* units = d4field(d, "UNITS");
  long rows = 0;
  for (auto _ : state) {
    double sum = 0;
    rows = 0;
    for (int r = d4top(d); r == 0; r = d4skip(d, 1)) {
      sum += f4double(units);
      ++rows;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["rows"] = static_cast<double>(rows);
  d4initUndo(c);
}
BENCHMARK(BM_SequentialScan)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
