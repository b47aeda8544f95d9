// CSV import and export benchmarks: a product file of 100,000 rows (17 columns, quoted
// commas, inch marks, empty cells) checked and previewed as an import does it (heading
// check, row checks, the "Preview Data" dialog filled and closed with Continue), then
// imported into a new, empty database; 100,000 transactions of those products checked
// and previewed, then imported from Continue on; the 100,000 products exported. The
// files lie in a folder of this run, so that runs side by side do not clash.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

#include "bench/ProductFile.h"
#include "bench/QtBench.h"
#include "database/clsDB.h"
#include "exchange/ProductCsv.h"
#include "exchange/clsExportProducts.h"
#include "exchange/clsImportData.h"
#include "exchange/clsImportTransactions.h"
#include "exchange/ExchangeCommands.h"
#include "exchange/frmImportPreview.h"
#include "platform/runtime/Collection.h"
#include "platform/ui/testing/TestPrompts.h"

namespace {

constexpr int kRows = 100'000;

// The folder of this run's files.
QTemporaryDir& WorkDir() {
  static QTemporaryDir dir;
  if (!dir.isValid()) std::abort();
  return dir;
}

QString ProductFile() {
  static const QString path = [] {
    const QString file = WorkDir().filePath(QStringLiteral("products.csv"));
    benchfiles::WriteProductFile(file, kRows);
    return file;
  }();
  return path;
}

void BM_ValidateAndPreview(benchmark::State& state) {
  const QString file = ProductFile();
  rt::Collection coll;
  productcsv::SetupColumns(coll);
  ui::test::ScopedFakeModalRunner runner;
  for (auto _ : state) {
    runner->Then([](QDialog& d) { static_cast<frmImportPreview&>(d).cmdContinue->click(); });
    clsImportData data;
    QStringList cols;
    QString buf;
    int32_t rows = 0;
    bool go = false;
    if (!data.ValidateCols(file, coll, cols, buf) || !data.ValidateRows(file, coll, cols, buf, rows)) {
      state.SkipWithError(buf.left(200).toStdString().c_str());
      break;
    }
    data.PreviewData(file, coll, cols, rows, go);
    if (!go || data.File().Rows().size() != kRows) state.SkipWithError("preview");
  }
}
BENCHMARK(BM_ValidateAndPreview)->Unit(benchmark::kMillisecond)->Iterations(3);

// The parts of it: reading the file, checking its rows, filling the preview grid.
void BM_Read(benchmark::State& state) {
  const QString file = ProductFile();
  for (auto _ : state) {
    CsvFile csv;
    if (!csv.Read(file)) state.SkipWithError("read");
  }
}
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond)->Iterations(3);

// The product file with its heading row checked.
struct HeadingChecked {
  QString file = ProductFile();
  rt::Collection coll;
  clsImportData data;
  QStringList cols;
  QString buf;
  HeadingChecked() {
    productcsv::SetupColumns(coll);
    data.ValidateCols(file, coll, cols, buf);
  }
};

void BM_ValidateRows(benchmark::State& state) {
  HeadingChecked f;
  int32_t rows = 0;
  for (auto _ : state) {
    if (!f.data.ValidateRows(f.file, f.coll, f.cols, f.buf, rows)) state.SkipWithError("rows");
  }
}
BENCHMARK(BM_ValidateRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PreviewGrid(benchmark::State& state) {
  HeadingChecked f;
  for (auto _ : state) {
    frmImportPreview dlg;
    dlg.Init(f.data.File(), f.coll, f.cols, kRows);
  }
}
BENCHMARK(BM_PreviewGrid)->Unit(benchmark::kMillisecond)->Iterations(3);

// A new, empty database for the runs below (kept open between them).
QTemporaryDir& DatabaseDir() {
  static QTemporaryDir dir;
  return dir;
}

void BM_ImportNewProducts(benchmark::State& state) {
  ui::test::ScopedFakePrompts prompts;
  for (auto _ : state) {
    state.PauseTiming();
    if (!gDB().NewDB(DatabaseDir().path())) {
      state.SkipWithError("new database");
      break;
    }
    HeadingChecked f;
    int32_t rows = 0;
    f.data.ValidateRows(f.file, f.coll, f.cols, f.buf, rows);
    int32_t stopped = 0;
    state.ResumeTiming();
    if (!exchange::ImportProductsFromFile(f.data.File(), f.cols, rows, stopped) || rows != kRows) {
      state.SkipWithError("import");
    }
  }
}
BENCHMARK(BM_ImportNewProducts)->Unit(benchmark::kMillisecond)->Iterations(1);

QString TranFile() {
  static const QString path = [] {
    const QString file = WorkDir().filePath(QStringLiteral("transactions.csv"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly)) std::abort();
    f.write("PARTNUMBER,UNITS,AMOUNTPERUNIT\r\n");
    for (int i = 0; i < kRows; ++i) {
      const QString amount = i % 3 == 0 ? QString() : QStringLiteral("%1.5").arg(i % 70);
      f.write(QStringLiteral("pn-%1,%2,%3\r\n").arg(100000 + (i * 7) % kRows).arg(1 + i % 9).arg(amount).toUtf8());
    }
    return file;
  }();
  return path;
}

// The transactions of the products imported above, as Receives, checked (part numbers
// looked up); False with the run marked failed when the checks refuse them.
bool Checked(benchmark::State& state, clsImportTransactions& importer) {
  clsTran tran;
  tran.udTranType = 2;
  importer.Init(TranFile(), tran);
  if (importer.ValidateData()) return true;
  state.SkipWithError(importer.m_ErrorBuf.left(200).toStdString().c_str());
  return false;
}

// The checks and the preview closed with Continue.
void BM_ValidateAndPreviewTransactions(benchmark::State& state) {
  ui::test::ScopedFakePrompts prompts;
  ui::test::ScopedFakeModalRunner runner;
  for (auto _ : state) {
    runner->Then([](QDialog& d) { static_cast<frmImportPreview&>(d).cmdContinue->click(); });
    clsImportTransactions importer;
    if (!Checked(state, importer)) break;
    if (!importer.PreviewData()) state.SkipWithError("preview");
  }
}
BENCHMARK(BM_ValidateAndPreviewTransactions)->Unit(benchmark::kMillisecond)->Iterations(1);

// The import, from Continue to the closing message.
void BM_ImportTransactions(benchmark::State& state) {
  ui::test::ScopedFakePrompts prompts;
  for (auto _ : state) {
    state.PauseTiming();
    clsImportTransactions importer;
    if (!Checked(state, importer)) break;
    state.ResumeTiming();
    if (!importer.DoImport() || importer.Imported() != kRows) state.SkipWithError("import");
  }
}
BENCHMARK(BM_ImportTransactions)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ExportProducts(benchmark::State& state) {
  ui::test::ScopedFakePrompts prompts;
  const QString file = WorkDir().filePath(QStringLiteral("export.csv"));
  for (auto _ : state) {
    clsExportProducts exporter;
    exporter.Init(file);
    if (!exporter.Export()) state.SkipWithError("export");
  }
  QFile::remove(file);
}
BENCHMARK(BM_ExportProducts)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  RunQtBenchmarks(argc, argv);
  gDB().CloseDB();
  return 0;
}
