// The database layer on a database of 10,000 products and 1,000,000 transactions:
// one product's stock figures, every product's figures in one pass (and, for
// comparison, product by product), and saving a new transaction.
//
// The database: bench/BenchDatabase.h (STOVREL_BENCH_DB names a folder to keep it in;
// the SaveTran benchmarks append rows to it).

#include <benchmark/benchmark.h>

#include <unordered_map>
#include <unordered_set>

#include "bench/BenchDatabase.h"
#include "database/clsDB.h"
#include "database/clsProductStats.h"
#include "database/clsTran.h"
#include "database/store/Products.h"
#include "platform/xbase/Engine.h"

namespace {

using benchdb::kFirstProduct;
using benchdb::kProducts;

// One product's figures; the call opens and closes the transactions table.
void BM_GetProductStats(benchmark::State& state) {
  int32_t id = kFirstProduct;
  for (auto _ : state) {
    clsProductStats s;
    s.Init(id);
    DATA4* tb = nullptr;
    if (!gDB().GetProductStats(s, tb)) state.SkipWithError("GetProductStats failed");
    benchmark::DoNotOptimize(s);
    id = kFirstProduct + (id - kFirstProduct + 7919) % kProducts;
  }
}
BENCHMARK(BM_GetProductStats)->Unit(benchmark::kMicrosecond);

// For comparison: opening and closing the transactions table alone.
void BM_OpenCloseTranTable(benchmark::State& state) {
  const QString path = gDB().TranTable();
  for (auto _ : state) {
    if (!gDB().OpenTable(path).ok()) state.SkipWithError("OpenTable failed");
  }
}
BENCHMARK(BM_OpenCloseTranTable)->Unit(benchmark::kMicrosecond);

// The same on the caller's open table, as a grid walking many products does.
void BM_GetProductStatsOpenTable(benchmark::State& state) {
  const store::Table table = gDB().OpenTable(gDB().TranTable());
  DATA4* tb = table.get();
  int32_t id = kFirstProduct;
  for (auto _ : state) {
    clsProductStats s;
    s.Init(id);
    if (!gDB().GetProductStats(s, tb)) state.SkipWithError("GetProductStats failed");
    benchmark::DoNotOptimize(s);
    id = kFirstProduct + (id - kFirstProduct + 7919) % kProducts;
  }
}
BENCHMARK(BM_GetProductStatsOpenTable)->Unit(benchmark::kMicrosecond);

// Every product's figures in one sequential pass: all of them (0) or the unit counts alone (1).
void BM_GetAllProductStats(benchmark::State& state) {
  size_t products = 0;
  for (auto _ : state) {
    std::unordered_map<int32_t, clsProductStats> all;
    std::unordered_set<int32_t> failed;
    DATA4* tb = nullptr;
    if (!gDB().GetAllProductStats(all, failed, tb, state.range(0) != 0))
      state.SkipWithError("GetAllProductStats failed");
    products = all.size();
    benchmark::DoNotOptimize(all);
  }
  state.counters["products"] = static_cast<double>(products);
}
BENCHMARK(BM_GetAllProductStats)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// For comparison: every product's figures walked product by product on tag prodid.
void BM_GetProductStatsEveryProduct(benchmark::State& state) {
  const store::Table table = gDB().OpenTable(gDB().TranTable());
  DATA4* tb = table.get();
  for (auto _ : state) {
    for (int32_t id = kFirstProduct; id < kFirstProduct + kProducts; ++id) {
      clsProductStats s;
      s.Init(id);
      gDB().GetProductStats(s, tb);
      benchmark::DoNotOptimize(s);
    }
  }
}
BENCHMARK(BM_GetProductStatsEveryProduct)->Unit(benchmark::kMillisecond)->Iterations(1);

// The check a product import makes first: beginning-inventory Receives without their
// product (none here), one pass over each table.
void BM_RemoveOrphanReceives(benchmark::State& state) {
  for (auto _ : state) {
    size_t removed = 0;
    if (!store::Products(gDB().Session()).RemoveOrphanReceives(&removed).ok()) state.SkipWithError("failed");
    benchmark::DoNotOptimize(removed);
  }
}
BENCHMARK(BM_RemoveOrphanReceives)->Unit(benchmark::kMillisecond)->Iterations(3);

clsTran NewTran() {
  clsTran t;
  t.nProdId = kFirstProduct + 17;
  t.udTranType = 2;
  t.curUnits = rt::Currency(3);
  t.curUnitPrice = rt::Currency(2);
  t.nCatID = 0;
  t.nAcctID = 0;
  return t;
}

// A new transaction as the dialog saves it: the call opens and closes the table.
void BM_SaveTranNew(benchmark::State& state) {
  for (auto _ : state) {
    clsTran t = NewTran();
    DATA4* tb = nullptr;
    if (!gDB().SaveTran(0, t, tb)) state.SkipWithError("SaveTran failed");
  }
}
BENCHMARK(BM_SaveTranNew)->Unit(benchmark::kMicrosecond);

// A new transaction on the caller's open table, as batch entry and import save.
void BM_SaveTranNewOpenTable(benchmark::State& state) {
  const store::Table table = gDB().OpenTable(gDB().TranTable());
  DATA4* tb = table.get();
  for (auto _ : state) {
    clsTran t = NewTran();
    if (!gDB().SaveTran(0, t, tb)) state.SkipWithError("SaveTran failed");
  }
}
BENCHMARK(BM_SaveTranNewOpenTable)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return benchdb::RunBenchmarks(argc, argv, "/tmp/database-bench-XXXXXX"); }
