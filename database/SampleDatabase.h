#pragma once
// A realistic database folder for benchmarks and tests: the templates copied as a new
// database would be, then categories, products and transactions appended through the
// engine (no record locks: nobody else uses the folder while it is written), and the
// counters advanced past the ids used. The same seed gives the same folder.

#include <QString>
#include <cstdint>

namespace dbsample {

struct Options {
  int32_t products = 100;
  int32_t transactions = 1000;
  uint32_t seed = 1;
};

// Writes the database into `folder` (which must hold no data files) from the
// templates in `templateFolder`. Empty result on success, else what went wrong.
QString WriteSampleDatabase(const QString& folder, const QString& templateFolder, const Options& options);

}  // namespace dbsample
