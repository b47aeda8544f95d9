#include "database/store/Maintenance.h"

#include <QFile>

#include "platform/xbase/Engine.h"

namespace store {

Status HoldSession(const Session& s, const QString& lockPath, bool exclusive) {
  return Guarded<Status>([&] {
    const int rc = code4sessionLock(s.code(), QFile::encodeName(lockPath).constData(), exclusive ? 1 : 0);
    return s.Check(rc, "code4sessionLock") == 0 ? Status::Ok() : Status::Of(Failure::kLocked);
  });
}

DenyWrite::DenyWrite(const Session& s) : engine_(s.engine()) { engine_.Record(code4accessMode(engine_.code, 1)); }

DenyWrite::~DenyWrite() {
  if (engine_.code != nullptr) engine_.Record(code4accessMode(engine_.code, 0));
}

namespace {

// A locked result as kLocked; a failure as kError with the system's reason.
Status Outcome(const Session& s, int rc, const char* call) {
  if (rc == r4locked) return Status::Of(Failure::kLocked);
  return s.Check(rc, call) == 0 ? Status::Ok() : Status{Failure::kError, rc, QLatin1String(call), EngineCodeText(rc)};
}

}  // namespace

HeldTable::HeldTable(const Session& s, const QString& table, const QString& index) : engine_(s.engine()) {
  status_ = Guarded<Status>([&] {
    return Outcome(s, code4holdTable(s.code(), QFile::encodeName(table).constData(),
                                     QFile::encodeName(index).constData(), &hold_),
                   "code4holdTable");
  });
}

HeldTable::~HeldTable() {
  if (hold_ != nullptr) hold4release(hold_);
}

Status HeldTable::ReplaceIndex(const QString& built) {
  const Session s(engine_, QString());
  return Guarded<Status>(
      [&] { return Outcome(s, hold4replaceIndex(hold_, QFile::encodeName(built).constData()), "hold4replaceIndex"); });
}

Status HeldTable::RepairNumbers(long* repaired) {
  const Session s(engine_, QString());
  return Guarded<Status>([&] { return Outcome(s, hold4repairNumbers(hold_, repaired), "hold4repairNumbers"); });
}

Status Reindex(const Session& s, const QString& tablePath) {
  return Guarded<Status>([&] {
    const Table tb(s, nullptr, tablePath);
    if (!tb.ok()) return tb.failure();
    return Outcome(s, d4reindex(tb.get()), "d4reindex");
  });
}

}  // namespace store
