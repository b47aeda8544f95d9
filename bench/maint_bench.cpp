// Rebuilding indexes on a database of 10,000 products and 1,000,000 transactions:
// clsDB::ReIndexFile of the transactions table (four tags) and of the products table,
// each from the template into a temporary file renamed over the old index.
//
// The database: bench/BenchDatabase.h.

#include <benchmark/benchmark.h>


#include "bench/BenchDatabase.h"
#include "database/clsDB.h"

namespace {

void ReIndex(benchmark::State& state, int table) {
  const clsDBFile file = gDB().DataFilePaths()[table];
  for (auto _ : state) {
    if (!gDB().ReIndexFile(file)) state.SkipWithError("ReIndexFile failed");
  }
}

void BM_ReIndexTransactions(benchmark::State& state) { ReIndex(state, 4); }
BENCHMARK(BM_ReIndexTransactions)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReIndexProducts(benchmark::State& state) { ReIndex(state, 3); }
BENCHMARK(BM_ReIndexProducts)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) { return benchdb::RunBenchmarks(argc, argv, "/tmp/maint-bench-XXXXXX"); }
