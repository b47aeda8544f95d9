#include "database/store/Products.h"

#include <string>

#include "database/store/Fields.h"
#include "database/store/Seek.h"
#include "platform/xbase/Engine.h"

namespace store {
namespace {

// Positions on the row of the id: true when found.
bool SeekProduct(const Session& s, DATA4* tb, int32_t id) {
  SelectTag(s, tb, "rowid");
  return SeekNumber(s, tb, id) == 0;
}

}  // namespace

Result<ProductName> Products::Name(int32_t id, DATA4* open) const {
  return Guarded<Result<ProductName>>([&]() -> Result<ProductName> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (!SeekProduct(session_, tb.get(), id)) return Status::Of(Failure::kNotFound);
    return ProductName{Text(FieldOf(tb.get(), "prodname")).trimmed(), Text(FieldOf(tb.get(), "partno")).trimmed()};
  });
}

Result<int32_t> Products::IdByPartNo(const QString& partNo, DATA4* open) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    SelectTag(session_, tb.get(), "partno");
    // The tag is upper case: one whole-value seek finds the text in any case.
    if (SeekWhole(session_, tb.get(), WholeKey(partNo, true)) != 0) return Status::Of(Failure::kNotFound);
    return Long32(FieldOf(tb.get(), "rowid"));
  });
}

Result<bool> Products::PartNoTaken(const QString& partNo, int32_t exceptId, DATA4* open) const {
  return Guarded<Result<bool>>([&]() -> Result<bool> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    FIELD4* rowid = FieldOf(tb.get(), "rowid");
    FIELD4* partno = FieldOf(tb.get(), "partno");
    SelectTag(session_, tb.get(), "partno");
    const std::string key = WholeKey(partNo, true);
    const QString wanted = Upper(partNo.trimmed());
    for (int rc = SeekWhole(session_, tb.get(), key); rc == 0; rc = SeekNextWhole(session_, tb.get(), key)) {
      if (exceptId > 0 && Long32(rowid) == exceptId) continue;
      if (Upper(Text(partno).trimmed()) == wanted) return true;
    }
    return false;
  });
}

Result<rt::Currency> Products::StdAmount(int32_t id, AmountType type, DATA4* open) const {
  return Guarded<Result<rt::Currency>>([&]() -> Result<rt::Currency> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (!SeekProduct(session_, tb.get(), id)) return Status::Of(Failure::kNotFound);
    switch (type) {
      case AmountType::kStdCost: return Amount(FieldOf(tb.get(), "stdcost"));
      case AmountType::kStdPrice: return Amount(FieldOf(tb.get(), "stdprice"));
    }
    return rt::Currency();
  });
}

Status Products::Hide(int32_t id, DATA4* open) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (!SeekProduct(session_, tb.get(), id)) return Status::Of(Failure::kNotFound);
    FIELD4* hide = FieldOf(tb.get(), "hide");
    try {
      return ChangeLocked(session_, tb.get(), [&] { session_.Check(AssignText(hide, QStringLiteral("T")), "f4assignNVB"); });
    } catch (...) {
      d4unlock(tb.get());
      throw;
    }
  });
}

}  // namespace store
