#pragma once
// The database of the database-layer benchmarks: 10,000 products and 1,000,000
// transactions, generated once per run into a temporary folder, or kept in the folder
// named by STOVREL_BENCH_DB (generated there when it holds no database yet and reused
// by later runs), then opened through gDB(). Exits the process when that fails.

#include <stdlib.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

#include "database/SampleDatabase.h"
#include "database/clsDB.h"
#include "platform/runtime/App.h"

namespace benchdb {

inline constexpr int32_t kProducts = 10000;
inline constexpr int32_t kTransactions = 1000000;
inline constexpr int32_t kFirstProduct = 1000;

[[noreturn]] inline void Die(const QString& what) {
  std::fprintf(stderr, "bench set-up failed: %s\n", what.toLocal8Bit().constData());
  std::exit(1);
}

// A new folder in the temporary folder; `pattern` is a mkdtemp pattern such as
// "/window-bench-home-XXXXXX".
inline QString TempDir(const char* pattern) {
  QByteArray tmpl = QDir::tempPath().toLocal8Bit() + pattern;
  if (mkdtemp(tmpl.data()) == nullptr) Die(QStringLiteral("mkdtemp"));
  return QString::fromLocal8Bit(tmpl);
}

// `tempPattern` is a mkdtemp pattern such as "/tmp/database-bench-XXXXXX"; a benchmark
// that needs only the products may ask for fewer transactions.
inline void OpenSampleDatabase(const char* tempPattern, int32_t transactions = kTransactions) {
  QString folder = qEnvironmentVariable("STOVREL_BENCH_DB");
  if (folder.isEmpty()) {
    QByteArray tmpl(tempPattern);
    if (mkdtemp(tmpl.data()) == nullptr) Die(QStringLiteral("mkdtemp"));
    folder = QString::fromLocal8Bit(tmpl);
  }
  if (!QFile::exists(QDir(folder).filePath(QStringLiteral("svltran.dbf")))) {
    std::fprintf(stderr, "writing the sample database into %s ...\n", folder.toLocal8Bit().constData());
    const QString error = dbsample::WriteSampleDatabase(folder, rt::App::Path(), {kProducts, transactions, 1});
    if (!error.isEmpty()) Die(error);
  }
  if (!gDB().OpenDB(folder)) Die(QStringLiteral("OpenDB ") + folder);
}

// The main of a database-layer benchmark: offscreen Qt, the sample database, the runs.
inline int RunBenchmarks(int argc, char** argv, const char* tempPattern, int32_t transactions = kTransactions) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  OpenSampleDatabase(tempPattern, transactions);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  gDB().CloseDB();
  return 0;
}

}  // namespace benchdb
