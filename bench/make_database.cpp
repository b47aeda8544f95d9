// make_database <folder> <products> <transactions> [seed] [template folder]
// Writes a database folder of that many products and transactions (through the engine
// and the program's templates) for benchmarks and tests. The template folder defaults
// to this program's folder, where the build puts the templates.

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "database/SampleDatabase.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: make_database <folder> <products> <transactions> [seed] [template folder]\n");
    return 2;
  }
  dbsample::Options options;
  options.products = std::atoi(argv[2]);
  options.transactions = std::atoi(argv[3]);
  if (argc > 4) options.seed = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
  const QString templates = argc > 5 ? QString::fromLocal8Bit(argv[5]) : QCoreApplication::applicationDirPath();
  if (options.products < 0 || options.transactions < 0) {
    std::fprintf(stderr, "make_database: counts must not be negative\n");
    return 2;
  }
  const QString error = dbsample::WriteSampleDatabase(QString::fromLocal8Bit(argv[1]), templates, options);
  if (!error.isEmpty()) {
    std::fprintf(stderr, "make_database: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
