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

// Opens the table at `tablePath` and rebuilds every index of its production index
// file from the rows.
Status Reindex(const Session& s, const QString& tablePath);

}  // namespace store
