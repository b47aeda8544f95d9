#pragma once
// Exclusive use of a database folder, and the rebuild of a table's indexes.
//
// The session lock is one byte of a lock file (the counters table's): every copy that
// has the database open holds it shared, an upgrade or a re-index exclusively, which
// shows that no other copy has the folder open. Tables opened while a DenyWrite is
// alive are opened deny-write (other users may only read them).
//
// Codes are recorded on the session's engine. Failures: kLocked (another copy holds the
// session lock), kNotOpened (the table), kError (an engine error, with its code).

#include <QString>

#include "database/store/Result.h"
#include "database/store/Session.h"

struct HOLD4;

namespace store {

// Takes the session lock on `lockPath` exclusively, or converts it back to shared.
Status HoldSession(const Session& s, const QString& lockPath, bool exclusive);

// Deny-write access mode for the scope; shared again on every way out while the
// engine is still running.
class DenyWrite {
 public:
  explicit DenyWrite(const Session& s);
  ~DenyWrite();
  DenyWrite(const DenyWrite&) = delete;
  DenyWrite& operator=(const DenyWrite&) = delete;

 private:
  Engine& engine_;
};

// A table's files held against every other writer for the scope, by the locks other
// xBase programs honour (code4holdTable): the whole-file range of the table and the
// index lock of `index` (none when empty). Tables this engine opens deny-write on the
// same file (a hard link) work under the hold. status(): kLocked when another user
// holds a record, the table or the index after every attempt.
class HeldTable {
 public:
  HeldTable(const Session& s, const QString& table, const QString& index);
  ~HeldTable();
  HeldTable(const HeldTable&) = delete;
  HeldTable& operator=(const HeldTable&) = delete;

  const Status& status() const { return status_; }
  // Writes the index file `built` over the held index in place.
  Status ReplaceIndex(const QString& built);
  // Rewrites every number field of the held table that holds a decimal comma in its
  // point's place with the point (hold4repairNumbers); the count in *repaired.
  Status RepairNumbers(long* repaired);

 private:
  Engine& engine_;
  HOLD4* hold_ = nullptr;
  Status status_;
};

// Opens the table at `tablePath` and rebuilds every index of its production index
// file from the rows.
Status Reindex(const Session& s, const QString& tablePath);

}  // namespace store
