#include "database/store/Categories.h"

#include <string>

#include "database/store/Fields.h"
#include "database/store/RowScan.h"
#include "database/store/Seek.h"
#include "platform/runtime/Codepage.h"
#include "platform/xbase/Engine.h"

namespace store {

Result<int32_t> Categories::FindId(const QString& desc, ListType type, DATA4* open) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    const CategoryFields f(tb.get());
    // The same text may stand once in every list: walk its rows to the wanted list.
    RowScan scan(session_, tb.get());
    for (bool on = scan.FirstWithKey("desc", WholeKey(desc, true)); on; on = scan.Next()) {
      if (Long32(f.type) == Code(type)) return Long32(f.rowid);
    }
    return Status::Of(Failure::kNotFound);
  });
}

Status Categories::Add(const QString& desc, ListType type, int32_t id, DATA4* open) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    const CategoryFields f(tb.get());
    session_.Check(d4appendStartVB(tb.get(), 0), "d4appendStartVB");
    session_.Check(d4blank(tb.get()), "d4blank");
    session_.Check(f4assignDouble(f.rowid, id), "f4assignDouble");
    session_.Check(f4assignDouble(f.type, Code(type)), "f4assignDouble");
    session_.Check(AssignText(f.desc, desc), "f4assignNVB");
    return AppendUnlock(session_, tb.get());
  });
}

Result<ListType> Categories::TypeOf(int32_t id, DATA4* open) const {
  return Guarded<Result<ListType>>([&]() -> Result<ListType> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    SelectTag(session_, tb.get(), "rowid");
    if (SeekNumber(session_, tb.get(), id) != 0) return Status::Of(Failure::kNotFound);
    return static_cast<ListType>(Long32(CategoryFields(tb.get()).type));
  });
}

Result<QString> Categories::Text(int32_t id, DATA4* open, const QString& tag, const QString& field) const {
  return Guarded<Result<QString>>([&]() -> Result<QString> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    SelectTag(session_, tb.get(), rt::ToCp1252(tag).c_str());
    if (SeekNumber(session_, tb.get(), id) != 0) return Status::Of(Failure::kNotFound);
    return store::TrimmedText(FieldOf(tb.get(), rt::ToCp1252(field).c_str()));
  });
}

Status Categories::SetText(int32_t id, const QString& desc, DATA4* open, const QString& tag,
                           const QString& field) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    FIELD4* f = FieldOf(tb.get(), rt::ToCp1252(field).c_str());
    SelectTag(session_, tb.get(), rt::ToCp1252(tag).c_str());
    if (SeekNumber(session_, tb.get(), id) != 0) return Status::Of(Failure::kNotFound);
    return ChangeLocked(session_, tb.get(), [&] { session_.Check(AssignText(f, desc), "f4assignNVB"); });
  });
}

}  // namespace store
