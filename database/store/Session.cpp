#include "database/store/Session.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"

namespace store {

QString EngineCodeText(int rc) {
  switch (rc) {
    case e4parm: return QStringLiteral("Invalid engine call");
    case e4open: return QStringLiteral("File cannot be opened");
    case e4access: return QStringLiteral("File is in use");
    case e4create: return QStringLiteral("File cannot be created");
    case e4read: return QStringLiteral("Read error");
    case e4write: return QStringLiteral("Write error");
    case e4data: return QStringLiteral("Table or memo file is corrupt");
    // The index no longer matches its table: only a rebuild repairs it.
    case e4index:
      return QStringLiteral("Index is corrupt or cannot be changed. Re-index the table (Database Maintenance) to repair it");
    case e4lock: return QStringLiteral("Record is not locked");
    case e4readOnly: return QStringLiteral("Table is read-only");
    case e4overflow: return QStringLiteral("Value does not fit its field");
    case e4fieldName: return QStringLiteral("Unknown field name");
    case e4tagName: return QStringLiteral("Unknown tag name");
    case e4expr: return QStringLiteral("Unsupported index expression");
    default: return QStringLiteral("Engine error");
  }
}

void Engine::Record(int rc) { lastResult = static_cast<int16_t>(rc < -32768 ? -32768 : rc > 32767 ? 32767 : rc); }

QString Session::PathOf(const QString& file) const {
  if (resolve_ != nullptr) return resolve_(folder_, file);
  if (folder_.isEmpty() || folder_.endsWith(QLatin1Char('/'))) return folder_ + file;
  return folder_ + QLatin1Char('/') + file;
}

int Session::Check(int rc, const char* call) const { return store::Check(*engine_, rc, call); }

QString SystemReason(CODE4* code) {
  const int error = code != nullptr ? code4errorSystem(code) : 0;
  return error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : QString();
}

QString DamageText(int rc, int reason) {
  const QString reindex = QStringLiteral("Re-index the table (Help, Database Maintenance) to repair it.");
  const QString restore = QStringLiteral("Restore the file from a backup.");
  // A tag expression the engine cannot read is one damaged: the program's own tables have only its own.
  if (rc == e4index || rc == e4expr) return QStringLiteral("The table's index file (.cdx) is damaged.\n\n") + reindex;
  if (rc != e4data) return {};
  switch (reason) {
    case reason4header: return QStringLiteral("The table's header is damaged.\n\n") + restore;
    case reason4shortFile:
      return QStringLiteral("The table file ends before the last record its header counts: the file was cut "
                            "short or its record count is wrong.\n\n") +
             reindex;
    case reason4uncounted:
      return QStringLiteral("The table file holds records beyond the record count in its header.\n\n") + reindex;
    case reason4memo:
      return QStringLiteral("The table's memo file (.fpt), which holds its notes, is damaged: a note lies "
                            "outside the file.\n\n") +
             restore;
    default: return {};
  }
}

QString NotOpenedText(const QString& path, CODE4* code, int rc) {
  const int error = code != nullptr ? code4errorSystem(code) : 0;
  if (error != 0 && error != ENOENT) return path + QStringLiteral("\n\n") + SystemReason(code);
  // A missing file needs no more words than its path.
  const QString damage = error == 0 ? DamageText(rc, code != nullptr ? code4errorReason(code) : reason4none) : QString();
  return damage.isEmpty() ? path : path + QStringLiteral("\n\n") + damage;
}

QString ErrorAdvice(int rc, CODE4* code) {
  const QString damage = DamageText(rc, code != nullptr ? code4errorReason(code) : reason4none);
  if (!damage.isEmpty()) return QStringLiteral("A file of the database is damaged. ") + damage;
  const int error = code != nullptr ? code4errorSystem(code) : 0;
  if (error == 0 || (rc != e4write && rc != e4create)) return {};
  QString todo;
  switch (error) {
    case ENOSPC:
    case EDQUOT: todo = QStringLiteral("Free some space on the disk that holds the database, then try again."); break;
    case EFBIG:
      todo = QStringLiteral("The file has reached the largest size the system allows: ask whoever looks after this "
                            "computer to raise the limit.");
      break;
    case EACCES:
    case EPERM:
    case EROFS: todo = QStringLiteral("Make sure you may write to the database folder, then try again."); break;
    default: todo = QStringLiteral("Check the disk that holds the database, then try again."); break;
  }
  return QStringLiteral("The database could not be written (") + QString::fromLocal8Bit(std::strerror(error)) +
         QStringLiteral("): the change was not saved.\n\n") + todo;
}

int Check(Engine& engine, int rc, const char* call) {
  engine.Record(rc);
  if (rc < 0) {
    QString reason = SystemReason(engine.code);
    if (rc == e4data && engine.code != nullptr) reason = DamageText(rc, code4errorReason(engine.code));
    throw rt::VbError(rc, QLatin1String(call),
                      EngineCodeText(rc) + QStringLiteral(" (%1)").arg(rc) +
                          (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason))
        .WithAdvice(ErrorAdvice(rc, engine.code));
  }
  return rc;
}

Table::Table(const Session& session, DATA4* open, const QString& path) : tb_(open) {
  if (tb_ == nullptr) *this = Open(session.engine(), path);
}

Table::Table(const Session& session, DATA4* open, const char* file) : tb_(open) {
  if (tb_ == nullptr) *this = Open(session.engine(), session.PathOf(QLatin1String(file)));
}

Table::Table(Table&& other) noexcept
    : engine_(other.engine_),
      tb_(std::exchange(other.tb_, nullptr)),
      owned_(std::exchange(other.owned_, false)),
      failure_(std::move(other.failure_)) {}

Table& Table::operator=(Table&& other) noexcept {
  if (this != &other) {
    Close();
    engine_ = other.engine_;
    tb_ = std::exchange(other.tb_, nullptr);
    owned_ = std::exchange(other.owned_, false);
    failure_ = std::move(other.failure_);
  }
  return *this;
}

Table Table::Open(Engine& engine, const QString& path) {
  Table t;
  t.engine_ = &engine;
  CODE4* c = engine.code;
  t.tb_ = c != nullptr ? d4open(c, QFile::encodeName(path).constData()) : nullptr;
  t.owned_ = t.tb_ != nullptr;
  if (t.tb_ == nullptr) {
    const int code = c != nullptr ? code4errorCode(c, 0) : e4parm;
    engine.Record(code);
    t.failure_ = {Failure::kNotOpened, code, QStringLiteral("d4open"), NotOpenedText(path, c, code)};
  }
  return t;
}

Table Table::Borrow(DATA4* open) {
  Table t;
  t.tb_ = open;
  return t;
}

void Table::Close() {
  // A released engine has closed its tables already.
  if (owned_ && engine_->code != nullptr) engine_->Record(d4close(tb_));
  tb_ = nullptr;
  owned_ = false;
}

int LockCurrent(const Session& s, DATA4* tb) {
  const int rc = d4lock(tb, d4recNo(tb));
  s.engine().Record(rc);
  if (rc == r4locked) return rc;
  return s.Check(rc, "d4lock");
}

int FlushUnlock(const Session& s, DATA4* tb) {
  // A flush refused for a lock keeps the change for a retry; the unlock tries once
  // more and drops it when that fails too.
  const int flushed = s.Check(d4flush(tb), "d4flush");
  const int unlocked = s.Check(d4unlock(tb), "d4unlock");
  return flushed == r4locked && unlocked == r4locked ? r4locked : 0;
}

Status AppendUnlock(const Session& s, DATA4* tb) {
  const int rc = s.Check(d4appendUnlock(tb), "d4append");
  if (rc == 0) return Status::Ok();
  return Status::Of(rc == r4locked ? Failure::kLocked : Failure::kNotStored);
}

void DropLocks(DATA4* tb) { d4unlock(tb); }

Status ChangeLockedIf(const Session& s, DATA4* tb, const std::function<bool()>& unchanged,
                      const std::function<void()>& change) {
  if (LockCurrent(s, tb) == r4locked) return Status::Of(Failure::kLocked);
  if (!unchanged()) {
    s.Check(d4unlock(tb), "d4unlock");
    return Status::Of(Failure::kChanged);
  }
  change();
  if (FlushUnlock(s, tb) == r4locked) return Status::Of(Failure::kLocked);
  return Status::Ok();
}

Status ChangeLocked(const Session& s, DATA4* tb, const std::function<void()>& change) {
  return ChangeLockedIf(s, tb, [] { return true; }, change);
}

Status HoldAppends(const Session& s, DATA4* tb) {
  return s.Check(d4lockAppend(tb), "d4lockAppend") == 0 ? Status::Ok() : Status::Of(Failure::kLocked);
}

Status ReleaseAppends(const Session& s, DATA4* tb) {
  // The unlock stores the rows of the hold not stored yet: when it fails, none of those is.
  return s.Check(d4unlock(tb), "d4unlock") == 0 ? Status::Ok() : Status::Of(Failure::kNotStored);
}

Status AppendHeld(const Session& s, DATA4* tb, size_t count, const std::function<void(size_t)>& fill,
                  size_t* appended) {
  *appended = 0;
  if (Status held = HoldAppends(s, tb); !held.ok()) return held;
  // The engine stores the held rows in batches, one inside the append that reaches its
  // bound, and a failed store loses its batch: the rows stored are those counted from
  // the first one's record on, once reading the count has stored the rest (under the
  // hold, so no other copy's rows are among them).
  size_t added = 0;
  long firstRecord = 0;
  // The engine's code when the last store failed, else 0.
  const auto countStored = [&] {
    long records = d4recCountDo(tb);
    const int failed = records < 0 ? static_cast<int>(records) : 0;
    if (failed != 0) records = d4recCountDo(tb);
    *appended = added == 0 || records < firstRecord ? 0 : std::min(added, static_cast<size_t>(records - firstRecord + 1));
    return failed;
  };
  Status result;
  try {
    for (; added < count; ++added) {
      s.Check(d4appendStartVB(tb, 0), "d4appendStartVB");
      s.Check(d4blank(tb), "d4blank");
      fill(added);
      if (result = AppendUnlock(s, tb); !result.ok()) break;
      if (added == 0) firstRecord = d4recNo(tb);
    }
  } catch (...) {
    countStored();
    d4unlock(tb);
    throw;
  }
  const int failed = countStored();
  const int released = d4unlock(tb);
  if (s.Check(failed != 0 ? failed : released, "d4unlock") != 0) return Status::Of(Failure::kNotStored);
  return result;
}

}  // namespace store
