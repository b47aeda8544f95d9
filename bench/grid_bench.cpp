// Grid benchmarks: a transaction history of 1,000,000 rows x 10 columns (dates, type
// and product texts, amounts, notes, ids) filled, sorted by a number and by a text
// column, and sized to its contents; rows removed in one pass; a shown grid filled row
// by row while the event loop runs. Peak memory is printed at the end.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "bench/QtBench.h"
#include "platform/controls/GridControl.h"

namespace {

constexpr int kRows = 1'000'000;
constexpr int kCols = 10;

// "VmHWM" or "VmRSS" of this process, in MiB.
double StatusMiB(const char* field) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n')) {
    if (line.startsWith(field)) return line.mid(static_cast<int>(qstrlen(field)) + 1).trimmed().split(' ')[0].toDouble() / 1024;
  }
  return 0;
}

struct Pools {
  QStringList dates, types, names, parts;
  Pools() {
    for (int d = 0; d < 3000; ++d) {
      const QDate date = QDate(2018, 1, 1).addDays(d);
      dates << QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year());
    }
    types << "On Order" << "Receive" << "Shrinkage" << "Ship" << "Allocate";
    for (int p = 0; p < 10000; ++p) {
      names << QStringLiteral("Product %1 %2").arg(QChar(u'A' + p % 26)).arg(p * 37 % 10007);
      parts << QStringLiteral("PN-%1").arg(100000 + p, 6, 10, QChar(u'0'));
    }
  }
};

void SetUpHistory(ctl::GridControl& g) {
  g.setCols(kCols);
  for (int c = 0; c < kCols; ++c) g.setTextMatrix(0, c, QStringLiteral("Column %1").arg(c));
  g.setColDataType(0, ctl::flexDTDate);
}

void WriteHistoryRow(ctl::GridControl& g, int r, uint32_t x) {
  static const Pools pools;
  const int product = static_cast<int>(x % 10000);
  const double units = static_cast<double>(x % 500) / 4;
  const double price = static_cast<double>((x >> 9) % 100000) / 100;
  g.setTextMatrix(r, 0, pools.dates[static_cast<int>((x >> 3) % 3000)]);
  g.setTextMatrix(r, 1, pools.types[static_cast<int>((x >> 5) % 5)]);
  g.setTextMatrix(r, 2, pools.names[product]);
  g.setTextMatrix(r, 3, pools.parts[product]);
  g.setTextMatrix(r, 4, units);
  g.setTextMatrix(r, 5, price);
  g.setTextMatrix(r, 6, units * price);
  g.setTextMatrix(r, 7, QStringLiteral("Batch note ") + QString::number(r));
  g.setTextMatrix(r, 8, static_cast<int>(x % 40));
  g.setTextMatrix(r, 9, static_cast<int>((x >> 7) % 12));
  g.setRowData(r, r);
}

void FillHistory(ctl::GridControl& g) {
  std::mt19937 rng(42);
  g.setRedraw(false);
  SetUpHistory(g);
  g.setRows(kRows + 1);
  for (int r = 1; r <= kRows; ++r) WriteHistoryRow(g, r, rng());
  g.setRedraw(true);
}

// grid_MiB: what the first filled grid added to the resident memory (later ones reuse
// the memory the previous grid gave back).
void BM_Fill(benchmark::State& state) {
  double gridMiB = 0;
  for (auto _ : state) {
    auto g = std::make_unique<ctl::GridControl>();
    const double before = StatusMiB("VmRSS:");
    FillHistory(*g);
    state.PauseTiming();
    gridMiB = std::max(gridMiB, StatusMiB("VmRSS:") - before);
    state.counters["grid_MiB"] = gridMiB;
    g.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Fill)->Unit(benchmark::kMillisecond)->Iterations(3);

// A shown grid grown one row at a time, as the import preview and the report fillers
// do. First arg 0: redraw off during the fill; 1: events pumped every 50 ms; 2: events
// pumped every 100 rows. Second arg: the rows.
void BM_FillShownRowByRow(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const int rows = static_cast<int>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    auto g = std::make_unique<ctl::GridControl>();
    g->resize(1000, 600);
    g->show();
    SetUpHistory(*g);
    QApplication::processEvents();
    std::mt19937 rng(42);
    state.ResumeTiming();
    if (mode == 0) g->setRedraw(false);
    QElapsedTimer sincePump, pumping;
    sincePump.start();
    int64_t pumpNs = 0;
    int pumps = 0;
    for (int r = 1; r <= rows; ++r) {
      g->setRows(r + 1);
      WriteHistoryRow(*g, r, rng());
      if ((mode == 1 && r % 64 == 0 && sincePump.elapsed() >= 50) || (mode == 2 && r % 100 == 0)) {
        pumping.start();
        QApplication::processEvents();
        pumpNs += pumping.nsecsElapsed();
        ++pumps;
        sincePump.restart();
      }
    }
    g->setRedraw(true);
    QApplication::processEvents();
    state.PauseTiming();
    state.counters["pumps"] = pumps;
    state.counters["pump_ms"] = static_cast<double>(pumpNs) / 1e6;
    g.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FillShownRowByRow)
    ->Args({0, kRows})
    ->Args({1, kRows})
    ->Args({0, 200'000})
    ->Args({2, 200'000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Sorts by column `col`; before each timed sort the rows are put back in random order.
void SortBench(benchmark::State& state, int col) {
  ctl::GridControl g;
  FillHistory(g);
  for (auto _ : state) {
    state.PauseTiming();
    g.Select(1, 8);
    g.setSort(ctl::flexSortGenericAscending);  // scrambles the order of `col`
    state.ResumeTiming();
    g.Select(1, col);
    g.setSort(ctl::flexSortGenericAscending);
    g.setRedraw(true);
  }
}

void BM_SortNumber(benchmark::State& state) { SortBench(state, 6); }
void BM_SortText(benchmark::State& state) { SortBench(state, 2); }
void BM_SortDate(benchmark::State& state) { SortBench(state, 0); }
BENCHMARK(BM_SortNumber)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SortText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SortDate)->Unit(benchmark::kMillisecond)->Iterations(3);

// Removes 10,000 rows spread over the million in one call, as GrdRemoveHiddenRows does.
void BM_RemoveItems(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ctl::GridControl g;
    FillHistory(g);
    std::vector<int> hidden;
    for (int r = 50; r <= kRows; r += 100) hidden.push_back(r);
    state.ResumeTiming();
    g.RemoveItems(hidden);
    state.PauseTiming();
    if (g.Rows() != kRows + 1 - static_cast<int>(hidden.size())) state.SkipWithError("rows left");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RemoveItems)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AutoSizeAll(benchmark::State& state) {
  ctl::GridControl g;
  FillHistory(g);
  for (auto _ : state) g.AutoSize(0, kCols - 1);
}
BENCHMARK(BM_AutoSizeAll)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  RunQtBenchmarks(argc, argv);
  std::printf("peak memory (VmHWM): %.1f MiB\n", StatusMiB("VmHWM:"));
  return 0;
}
