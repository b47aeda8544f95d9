// The inventory pane on the generated database (bench/BenchDatabase.h: 10,000 products,
// 1,000,000 transactions), report 102 with its stock figures: one Receive of one unit
// for each of 100 marked products, entered through the transaction dialog, and the
// reload of those 100 rows and the totals.

#include <benchmark/benchmark.h>

#include <QPushButton>

#include "bench/BenchDatabase.h"
#include "database/clsRptDef.h"
#include "inventory/frmInvAddUpateDel.h"
#include "inventory/frmSelTransaction.h"
#include "platform/controls/GridControl.h"
#include "platform/controls/NumericEdit.h"
#include "platform/ui/ModalRunner.h"
#include "reports/PaneButtons.h"
#include "reports/UCCurrInv.h"
#include "services/UCGrid.h"

namespace {

// The user of the transaction entry: a new transaction rather than an outstanding one,
// saved with one unit.
class SavingRunner : public ui::ModalRunner {
 public:
  int Run(QDialog& dialog) override {
    if (auto* picker = qobject_cast<frmSelTransaction*>(&dialog)) {
      picker->cmdNewTransaction_Click();
    } else if (auto* entry = qobject_cast<frmInvAddUpateDel*>(&dialog)) {
      entry->fpUnits->setValue(rt::Currency(1));
      entry->cmdOK_Click();
    }
    return dialog.result();
  }
};

void BM_ReceiveHundredMarkedRows(benchmark::State& state) {
  SavingRunner runner;
  ui::SetModalRunner(&runner);
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
  ui::SetModalRunner(nullptr);
}
BENCHMARK(BM_ReceiveHundredMarkedRows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return benchdb::RunBenchmarks(argc, argv, "/tmp/panes-bench-XXXXXX"); }
