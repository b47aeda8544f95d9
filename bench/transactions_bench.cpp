// The transaction windows on a database of 10,000 products: the outstanding picker
// filled with one product's 10,000 open orders, and the chooser with its product list.
// The database is written once per run into a temporary folder.

#include <stdlib.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <cstdio>
#include <cstdlib>

#include "database/SampleDatabase.h"
#include "database/clsDB.h"
#include "database/clsTran.h"
#include "inventory/frmNewTran.h"
#include "inventory/frmSelTransaction.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/App.h"

namespace {

constexpr int32_t kProducts = 10000;
constexpr int32_t kOpenOrders = 10000;
constexpr int32_t kOrderedProduct = 1000;  // the first product id

[[noreturn]] void Die(const char* what) {
  std::fprintf(stderr, "bench set-up failed: %s\n", what);
  std::exit(1);
}

void OpenDatabase() {
  QByteArray folder("/tmp/transactions-bench-XXXXXX");
  if (mkdtemp(folder.data()) == nullptr) Die("mkdtemp");
  const QString dir = QString::fromLocal8Bit(folder);
  if (!dbsample::WriteSampleDatabase(dir, rt::App::Path(), {kProducts, 0, 1}).isEmpty()) Die("sample database");
  if (!gDB().OpenDB(dir)) Die("OpenDB");
  const store::Table table = gDB().OpenTable(gDB().TranTable());
  DATA4* tb = table.get();
  for (int i = 0; i < kOpenOrders; ++i) {
    clsTran t;
    t.nProdId = kOrderedProduct;
    t.udTranType = 1;
    t.curUnits = rt::Currency(1 + i % 50);
    t.curUnitPrice = rt::Currency(2);
    t.sNote = QStringLiteral("order %1").arg(i);
    if (!gDB().SaveTran(0, t, tb)) Die("SaveTran");
  }
}

// Creating the picker and filling it with the product's open orders.
void BM_PickerTenThousandOpenOrders(benchmark::State& state) {
  for (auto _ : state) {
    frmSelTransaction picker;
    picker.Init(kOrderedProduct, 1, QStringLiteral("prompt"));
    if (picker.grd->Rows() != kOpenOrders + 1) state.SkipWithError("wrong row count");
  }
}
BENCHMARK(BM_PickerTenThousandOpenOrders)->Unit(benchmark::kMillisecond);

// The same list for all products (walked by type).
void BM_PickerAllProducts(benchmark::State& state) {
  for (auto _ : state) {
    frmSelTransaction picker;
    picker.Init(-1, 1, QStringLiteral("prompt"));
    if (picker.grd->Rows() != kOpenOrders + 1) state.SkipWithError("wrong row count");
  }
}
BENCHMARK(BM_PickerAllProducts)->Unit(benchmark::kMillisecond);

// Creating the chooser, whose product list holds every product.
void BM_ChooserProductList(benchmark::State& state) {
  for (auto _ : state) {
    frmNewTran chooser;
    if (chooser.cboProducts->count() < kProducts / 2) state.SkipWithError("products missing");
  }
}
BENCHMARK(BM_ChooserProductList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  OpenDatabase();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  gDB().CloseDB();
  return 0;
}
