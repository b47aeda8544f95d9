// The inventory pane on the generated database (bench/BenchDatabase.h: 10,000 products,
// 1,000,000 transactions), report 102 with its stock figures: one Receive of one unit
// for each of 100 marked products, saved as the transaction dialog saves it, and the
// reload of those 100 rows and the totals.

#include <benchmark/benchmark.h>

#include <QPushButton>

#include "bench/BenchDatabase.h"
#include "database/clsRptDef.h"
#include "database/clsTran.h"
#include "platform/controls/GridControl.h"
#include "reports/PaneButtons.h"
#include "reports/UCCurrInv.h"
#include "services/testing/FakeMainWindowHub.h"
#include "services/UCGrid.h"

namespace {

// Saves every entry with one unit, as a confirmed dialog would.
class SavingHub : public FakeMainWindowHub {
 public:
  bool AddNewTransaction(clsTran& t, bool) override {
    t.curUnits = rt::Currency(1);
    DATA4* tb = nullptr;
    return gDB().SaveTran(0, t, tb);
  }
};

void BM_ReceiveHundredMarkedRows(benchmark::State& state) {
  SavingHub hub;
  SetMainWindowHub(&hub);
  clsRptDef def;
  if (!def.LoadExisting(102)) benchdb::Die(QStringLiteral("report 102"));
  reports::UCCurrInv pane;
  pane.resize(1200, 800);
  pane.Init(def);
  UCGrid& grid = *pane.ctlGrid;
  const int rows = grid.grid().Rows();
  if (rows < benchdb::kProducts / 2) benchdb::Die(QStringLiteral("rows missing"));
  for (auto _ : state) {
    state.PauseTiming();
    grid.SelectAll(false);
    for (int k = 0; k < 100; ++k) grid.SelectRow(1 + k * ((rows - 2) / 100), true);
    emit grid.SelectionChanged();
    state.ResumeTiming();
    pane.ctlInvButtons->cmdTranReceive->click();
  }
  state.counters["rows"] = rows;
  SetMainWindowHub(nullptr);
}
BENCHMARK(BM_ReceiveHundredMarkedRows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return benchdb::RunBenchmarks(argc, argv, "/tmp/panes-bench-XXXXXX"); }
