#pragma once
// The main of a benchmark of widgets: an offscreen application in the en_US locale
// around one run of the benchmarks named on the command line.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLocale>

inline void RunQtBenchmarks(int& argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QStringLiteral("en_US")));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
