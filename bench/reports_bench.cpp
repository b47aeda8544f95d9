// Report grid benchmarks on the generated database (bench/BenchDatabase.h: 10,000
// products, 1,000,000 transactions): the inventory view with stock figures for every
// product, by the one-pass figures and by the per-product walk; the whole transaction
// history; and the grid control filled with 1,000,000 x 10 typed cells. Each prints
// the peak memory of the process (VmHWM) as a counter: run one benchmark per process
// (--benchmark_filter) for a clean peak.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QLocale>
#include <vector>

#include "bench/BenchDatabase.h"
#include "database/clsRptDef.h"
#include "platform/controls/GridControl.h"
#include "reports/mdlInventoryGrid.h"
#include "reports/mdlTranGrid.h"

namespace {

double PeakMiB() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
  return 0;
}

clsRptDef Loaded(int32_t id) {
  clsRptDef def;
  if (!def.LoadExisting(id) || !def.ReadColDefs()) benchdb::Die(QStringLiteral("report %1").arg(id));
  return def;
}

void InventoryView(benchmark::State& state, reports::StatsPath path) {
  clsRptDef def = Loaded(102);  // every product, 29 columns, stock figures, indication
  for (auto _ : state) {
    ctl::GridControl grd;
    grd.setRedraw(false);
    reports::LoadInventoryGrid(grd, def, -1, path);
    if (grd.Rows() < benchdb::kProducts / 2) state.SkipWithError("rows missing");
    state.counters["rows"] = grd.Rows();
  }
  state.counters["peak_MiB"] = PeakMiB();
}
void BM_InventoryViewOnePass(benchmark::State& state) { InventoryView(state, reports::StatsPath::Auto); }
void BM_InventoryViewPerProduct(benchmark::State& state) { InventoryView(state, reports::StatsPath::PerProduct); }
BENCHMARK(BM_InventoryViewOnePass)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InventoryViewPerProduct)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TransactionHistory(benchmark::State& state) {
  clsRptDef def = Loaded(101);  // every transaction, 10 columns, sorted by date
  for (auto _ : state) {
    ctl::GridControl grd;
    grd.setRedraw(false);
    reports::LoadTranGrid(grd, def, -1);
    if (grd.Rows() < benchdb::kTransactions) state.SkipWithError("rows missing");
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_TransactionHistory)->Unit(benchmark::kMillisecond)->Iterations(1);

// 1,000,000 rows of 10 typed cells as the transaction filler writes them: room for the
// rows made at once (it knows the table's row count), numbers and ids as numbers, a text that repeats (date, type, product) shared with
// the cell that first held it.
void BM_GridFillTyped(benchmark::State& state) {
  constexpr int kRows = 1'000'000;
  const QString types[] = {QStringLiteral("Receive"), QStringLiteral("Ship"), QStringLiteral("Allocate")};
  QStringList names;
  for (int p = 0; p < 10000; ++p) names << QStringLiteral("Product %1").arg(p);
  QStringList dates;
  for (int d = 0; d < 3000; ++d) dates << QStringLiteral("%1/%2/20%3").arg(d % 12 + 1).arg(d % 28 + 1).arg(d % 30 + 10);
  for (auto _ : state) {
    ctl::GridControl grd;
    grd.setRedraw(false);
    grd.setCols(11);
    std::vector<int> firstDate(3000, 0), firstType(3, 0), firstName(10000, 0);
    auto text = [&](int r, int col, std::vector<int>& first, size_t i, const QString& s) {
      if (first[i] > 0) {
        grd.CopyCell(first[i], r, col);
      } else {
        first[i] = r;
        grd.setTextMatrix(r, col, s);
      }
    };
    grd.setRows(kRows + 1);
    for (int r = 1; r <= kRows; ++r) {
      const uint32_t x = static_cast<uint32_t>(r) * 2654435761u;
      grd.setRowData(r, r);
      text(r, 1, firstDate, x % 3000, dates[static_cast<qsizetype>(x % 3000)]);
      text(r, 2, firstType, x % 3, types[x % 3]);
      text(r, 3, firstName, x % 10000, names[static_cast<qsizetype>(x % 10000)]);
      grd.setTextMatrix(r, 4, static_cast<double>(x % 500) / 4);
      grd.setTextMatrix(r, 5, static_cast<double>(x % 9000) / 100);
      grd.setTextMatrix(r, 6, static_cast<double>(x % 700) * 1.25);
      grd.setTextMatrix(r, 7, static_cast<int64_t>(x % 40));
      grd.setTextMatrix(r, 8, static_cast<int64_t>(x % 7));
      grd.setTextMatrix(r, 9, static_cast<int64_t>(x % 90));
      grd.setTextMatrix(r, 10, static_cast<int64_t>(x % 5));
    }
    benchmark::DoNotOptimize(grd.Rows());
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_GridFillTyped)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  // The user's locale of the tests: dates in the short form the grid reads quickly.
  QLocale::setDefault(QLocale(QStringLiteral("en_US")));
  return benchdb::RunBenchmarks(argc, argv, "/tmp/reports-bench-XXXXXX");
}
