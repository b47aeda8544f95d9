#pragma once
// The row copies of the upgrade: the counters, products and transactions of the oldest
// layout into the new tables, and the transactions of a version-3 table into a new
// version-4 one. Each copy appends one new row per old row, in the order of the old
// table's tag, filling the new fields from the old ones as its layout says; the caller
// opens both tables (and keeps them open), makes the folders and moves the files.
//
// Codes are recorded on the session's engine. Failures: kNotFound (a counter the new
// table lacks), kError (a missing field or tag, a value that does not fit, an engine
// error); rows appended before a failure stay.

#include <cstdint>
#include <functional>
#include <span>

#include "database/store/Result.h"
#include "database/store/Session.h"

struct DATA4;

namespace store {

// How a new field is filled from the old row. Ids, codes and transaction types are
// whole numbers; amounts (units, prices, levels) are read as decimals so no fraction
// is lost. A text that becomes a memo loses its padding; every transaction of the
// oldest layout gets the one warehouse it had.
enum class From { kNumber, kDecimal, kText, kMemo, kTextToMemo, kWarehouse };

struct FieldMap {
  const char* to;
  const char* from;  // null for kWarehouse
  From kind;
};

struct RowLayout {
  const char* sourceTag;  // the old table's tag the rows are copied in
  std::span<const FieldMap> fields;
};

extern const RowLayout kOldestProducts;      // products.dbf -> svlprod.dbf
extern const RowLayout kOldestTransactions;  // trans.dbf -> svltran.dbf
extern const RowLayout kTransactions3To4;    // svltran.dbf version 3 -> version 4

// Copies every row of `from` into `to` and flushes `to`. `afterRow` gets the number of
// rows copied so far after each one; when it answers false the copy stops there
// (nothing flushed) and the result is false. True when every row was copied.
Result<bool> CopyRows(const Session& s, const RowLayout& layout, DATA4* from, DATA4* to,
                      const std::function<bool(int32_t copied)>& afterRow);

// Copies the values of the oldest layout's counters (lastid.dbf) into the new counters
// table under their new keys; an old counter that is missing is left at the new
// table's value.
Status CopyOldestCounters(const Session& s, DATA4* from, DATA4* to);

}  // namespace store
