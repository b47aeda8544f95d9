// The product list window on a database of 10,000 products: opening it (created, shown,
// every product read and its rows filled and banded) and sorting it by a column.
//
// The database: bench/BenchDatabase.h, with 10,000 products and a few transactions
// (STOVREL_BENCH_DB names a folder to keep it in).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "bench/BenchDatabase.h"
#include "database/clsDB.h"
#include "inventory/frmProdList.h"
#include "platform/controls/GridControl.h"

namespace {

std::unique_ptr<frmProdList> OpenList() {
  auto list = std::make_unique<frmProdList>();
  list->resize(1000, 600);
  list->show();
  list->Form_Load();
  QApplication::processEvents();
  return list;
}

void BM_ProdListOpenAndFill(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<frmProdList> list = OpenList();
    if (list->grd->Rows() != benchdb::kProducts + 1) state.SkipWithError("not every product listed");
    state.PauseTiming();
    list.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ProdListOpenAndFill)->Unit(benchmark::kMillisecond);

// A heading click, by name and by part number in turn (each finds the other order).
void BM_ProdListSortByColumn(benchmark::State& state) {
  std::unique_ptr<frmProdList> list = OpenList();
  int col = list->PartNoCol();
  for (auto _ : state) {
    list->SortByColumn(col);
    QApplication::processEvents();
    col = col == list->PartNoCol() ? list->NameCol() : list->PartNoCol();
  }
}
BENCHMARK(BM_ProdListSortByColumn)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return benchdb::RunBenchmarks(argc, argv, "/tmp/inventory-bench-XXXXXX", 1000); }
