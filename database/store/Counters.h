#pragma once
// The counters table (svlid): named counters that hold the NEXT value they give out
// (record ids, automatic part numbers) and the database version row. A row changes
// only under its lock; a missing counter is created under the lock of the first
// record, so two copies cannot both create and hand out the same counter.
//
// Next works on the caller's open table when `open` is given (left open, with no lock
// of the call left on it, also after a failure), else opens and closes the table; an
// open table is as safe for other copies as a fresh one, as the row is read again
// once locked. With `rows` it also keeps the record number of each counter it found
// on that table and goes there before seeking (a row that no longer holds the
// counter is sought after all).
//
// Keys are matched whole ("svlprod" is not "svlprod.dbf"). Failures: kLocked (the
// row, or the creation lock, is held by another user; nothing was handed out or
// written), kNotFound, kNotOpened, kError (an empty key is error 5).

#include <QString>
#include <cstdint>
#include <unordered_map>

#include "database/store/Result.h"
#include "database/store/Session.h"

namespace store {

// Record numbers of counters on one open counters table, by key.
using CounterRows = std::unordered_map<QString, long>;

class Counters {
 public:
  explicit Counters(Session session) : session_(std::move(session)) {}

  // The counter's next value, advanced when `increment`; a missing counter is created
  // holding start + 1 and gives `start`.
  Result<int32_t> Next(const QString& key, bool increment, int32_t start, DATA4* open = nullptr,
                       CounterRows* rows = nullptr) const;
  // `count` (> 0) values at once, given out as Next would one after the other: the first
  // of them. Values reserved but not used stay unused.
  Result<int32_t> Reserve(const QString& key, int32_t count, int32_t start, DATA4* open = nullptr,
                          CounterRows* rows = nullptr) const;
  // The next value without changing it; kNotFound when there is no such counter.
  Result<int32_t> Query(const QString& key) const;
  // Sets the next value (lower values too); a missing counter is created with it.
  Status Set(const QString& key, int32_t next) const;
  // The "dbversion" row of the counters table at `tablePath` (another folder's or an
  // older layout's table too); kNotFound without the row.
  Result<int32_t> Version(const QString& tablePath) const;
  Status SetVersion(int32_t version) const;

  static constexpr char kFile[] = "svlid.dbf";

 private:
  Result<int32_t> Take(const QString& key, int32_t step, int32_t start, DATA4* open, CounterRows* rows) const;

  Session session_;
};

}  // namespace store
