#pragma once
// A session of the store layer: the engine handle and the database folder the stores
// work on, with no global state. A second session on the same engine for another
// folder (At) lets an upgrade work in its staging folder while the first one keeps
// the database folder. Sessions are small values; the Engine they point at must
// outlive them. Stores hold their session by value.
//
// Engine calls made through a session record their code as the engine's last result;
// Check turns a negative code into an error (rt::VbError, number = the code), which a
// store's Guarded turns into a kError status. 50 (locked) is a result, never an error.

#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "database/store/Result.h"

struct CODE4;
struct DATA4;

namespace store {

// The running engine and the code of its last recorded call (-1: none yet).
struct Engine {
  CODE4* code = nullptr;
  int16_t lastResult = -1;
  // Records a code, saturated to 16 bits.
  void Record(int rc);
};

// Records the code on the engine; throws for a negative one.
int Check(Engine& engine, int rc, const char* call);

// Resolves the name of a database file in a folder (for instance to its spelling on
// disk); null joins folder and name.
using PathResolver = QString (*)(const QString& folder, const QString& file);

class Session {
 public:
  Session(Engine& engine, QString folder, PathResolver resolve = nullptr)
      : engine_(&engine), folder_(std::move(folder)), resolve_(resolve) {}

  Engine& engine() const { return *engine_; }
  CODE4* code() const { return engine_->code; }
  const QString& folder() const { return folder_; }
  // The path of a database file of the folder, through the resolver.
  QString PathOf(const QString& file) const;
  // The same engine on another folder.
  Session At(const QString& folder) const { return Session(*engine_, folder, resolve_); }

  // Records the code; throws for a negative one.
  int Check(int rc, const char* call) const;

 private:
  Engine* engine_;
  QString folder_;
  PathResolver resolve_;
};

// The one table handle: the caller's open table (used and left open) or a table
// opened here and closed with this object, its close code recorded on the engine.
// Move-only; a moved-from handle holds nothing.
class Table {
 public:
  Table() = default;
  // The caller's handle, or the table at `path` opened on the session's engine.
  Table(const Session& session, DATA4* open, const QString& path);
  // The same for a file of the session's folder, its path resolved only when opened.
  Table(const Session& session, DATA4* open, const char* file);
  ~Table() { Close(); }
  Table(Table&& other) noexcept;
  Table& operator=(Table&& other) noexcept;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // The one place tables are opened: `path` on the engine, owned by the handle. Not
  // ok() when it does not open, the engine's code recorded.
  static Table Open(Engine& engine, const QString& path);
  // A handle the caller keeps open (null: nothing).
  static Table Borrow(DATA4* open);

  bool ok() const { return tb_ != nullptr; }
  DATA4* get() const { return tb_; }
  // Why the table is not open: kNotOpened, the path and the engine's code.
  const Status& failure() const { return failure_; }
  // Closes a table this handle opened, recording the code (once the engine is released
  // its tables are closed already); a borrowed one is only let go.
  void Close();

 private:
  Engine* engine_ = nullptr;
  DATA4* tb_ = nullptr;
  bool owned_ = false;
  Status failure_;
};

// Text form of an engine return code, for error descriptions.
QString EngineCodeText(int rc);
// The operating system's reason for the engine's last error ("No space left on
// device"); empty when the system gave none.
QString SystemReason(CODE4* code);
// What an engine error (e4data with its code4errorReason, e4index) found damaged and
// what to do about it; empty for any other error.
QString DamageText(int rc, int reason);
// What the user reads about an engine error that the user can act on (a write the
// system refused, a damaged file): what happened and what to do; empty for any other.
QString ErrorAdvice(int rc, CODE4* code);
// A table that did not open (the engine's code rc), as "Unable to open: " names it: the
// path, then the system's reason (unless the file is simply missing) or else what is
// damaged and what to do.
QString NotOpenedText(const QString& path, CODE4* code, int rc);

// Locks the current record: 0, or 50 when another user holds it (errors throw).
int LockCurrent(const Session& s, DATA4* tb);
// Flushes the change and unlocks: 0, or 50 when the change could not be written and
// was dropped with the lock (the record counts as locked, nothing was saved).
int FlushUnlock(const Session& s, DATA4* tb);

// Appends the new record and unlocks (d4appendUnlock): kLocked when another user held
// the table's append lock, kNotStored when the engine refused the row otherwise.
Status AppendUnlock(const Session& s, DATA4* tb);
// Appends `count` new records under one hold of the table's append lock (other copies
// wait meanwhile): fill(i) fills the buffer of the i-th after d4appendStartVB and
// d4blank. The locks are given up at the end, also after a failure or a throw, and
// the rows are stored then (some already on the way, in the engine's batches);
// *appended counts the records stored, from the first, also after a failure or a
// throw. Failures as AppendUnlock's; kNotStored when rows could not be written.
Status AppendHeld(const Session& s, DATA4* tb, size_t count, const std::function<void(size_t)>& fill,
                  size_t* appended);

// Holds the table's append lock (d4lockAppend), with its memo and index locks, for the
// appends that follow, which then take no lock of their own: kLocked when another user
// holds it. The engine keeps the hold until the table's next unlock (ReleaseAppends);
// a write that unlocks the table (a changed record, AppendHeld) ends it as well.
Status HoldAppends(const Session& s, DATA4* tb);
// Gives up the table's locks and stores the rows appended under its hold that the
// engine has not stored yet: kNotStored when they could not be written (none of them
// is stored then).
Status ReleaseAppends(const Session& s, DATA4* tb);

// Gives up the table's locks after a failed write; the engine's code is not recorded.
void DropLocks(DATA4* tb);

// Runs a write; when it throws, the record lock it may hold is given up first.
template <class Write>
auto UnlockedOnError(DATA4* tb, Write write) -> decltype(write()) {
  try {
    return write();
  } catch (...) {
    DropLocks(tb);
    throw;
  }
}

// Locks the current record and, when `unchanged` holds for the record as locked (read
// again), runs `change`, flushes and unlocks; else unlocks and gives kChanged.
Status ChangeLockedIf(const Session& s, DATA4* tb, const std::function<bool()>& unchanged,
                      const std::function<void()>& change);

// Locks the current record, runs `change`, flushes and unlocks. kLocked when another
// user holds the record or the change was dropped for a lock.
Status ChangeLocked(const Session& s, DATA4* tb, const std::function<void()>& change);

}  // namespace store
