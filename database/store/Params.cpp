#include "database/store/Params.h"

#include "database/store/Fields.h"
#include "database/store/Seek.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"

namespace store {
namespace {

// Positions on the row of `sid`: 0 when found.
int FindParam(const Session& s, DATA4* tb, const QString& sid) {
  SelectTag(s, tb, "sid");
  return SeekWhole(s, tb, WholeKey(sid, true));
}

}  // namespace

Result<QString> Params::Get(const QString& sid, DATA4* open) const {
  return Guarded<Result<QString>>([&]() -> Result<QString> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (FindParam(session_, tb.get(), sid) != 0) return Status::Of(Failure::kNotFound);
    return Memo(ParamFields(tb.get()).value).trimmed();
  });
}

Status Params::Set(const QString& sid, const QString& value, DATA4* open) const {
  return Guarded<Status>([&]() -> Status {
    if (sid.trimmed().isEmpty()) rt::Raise(rt::kErrInvalidCall);
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    const ParamFields f(tb.get());
    if (FindParam(session_, tb.get(), sid) == 0) {
      return ChangeLocked(session_, tb.get(),
                          [&] { session_.Check(AssignMemo(f.value, value), "f4memoAssignN"); });
    }
    session_.Check(d4appendStartVB(tb.get(), 0), "d4appendStartVB");
    session_.Check(d4blank(tb.get()), "d4blank");
    session_.Check(AssignText(f.sid, Upper(sid.trimmed())), "f4assignNVB");
    session_.Check(AssignMemo(f.value, value), "f4memoAssignN");
    return AppendUnlock(session_, tb.get());
  });
}

Status Params::Delete(const QString& sid, DATA4* open) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (FindParam(session_, tb.get(), sid) != 0) return Status::Of(Failure::kNotFound);
    return ChangeLocked(session_, tb.get(), [&] { session_.Check(d4delete(tb.get()), "d4delete"); });
  });
}

}  // namespace store
