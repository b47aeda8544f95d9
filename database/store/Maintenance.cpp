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

Status Reindex(const Session& s, const QString& tablePath) {
  return Guarded<Status>([&] {
    const Table tb(s, nullptr, tablePath);
    if (!tb.ok()) return tb.failure();
    const int rc = s.Check(d4reindex(tb.get()), "d4reindex");
    return rc == 0 ? Status::Ok() : Status{Failure::kError, rc, QStringLiteral("d4reindex"), EngineCodeText(rc)};
  });
}

}  // namespace store
