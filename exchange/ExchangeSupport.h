#pragma once
// Pieces the imports and the export share: the busy mark that keeps the database open
// while one of them runs, the tables they hold for a whole run, and the closing and
// failure boxes.

#include <QString>
#include <cstdint>

#include "database/ExchangeTables.h"

namespace exchange {

// True while an import or the export runs: the shell then refuses Close Database and
// exit, and a second import or export does not start.
bool Busy();

// Marks an import or the export as running for its scope. Acquired() is False when
// one was running already; nothing is marked then.
class BusyGuard {
 public:
  BusyGuard();
  ~BusyGuard();
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;
  bool Acquired() const { return acquired_; }

 private:
  bool acquired_;
};

// Opens the table for the run. When it does not open, the database has shown "Unable
// to open: " and the path, and then the critical box `failure` (titled with the product
// name) is shown.
bool HoldTable(ExchangeTables& tables, ExchangeTables::Which table, const QString& failure);

// Opens the transactions, products and categories tables a product import or the
// export holds, in that order, as HoldTable does; false at the first that does not open.
bool HoldProductRun(ExchangeTables& tables);

// The progress of a run at `line` of a file of `lines` lines after the heading, as a
// whole percentage.
int32_t ProgressPercent(int32_t line, int32_t lines);

// An information box titled with the product name.
void Inform(const QString& text);

}  // namespace exchange
