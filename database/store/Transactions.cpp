#include "database/store/Transactions.h"

#include <QScopeGuard>

#include "database/store/Fields.h"
#include "database/store/Seek.h"
#include "platform/xbase/Engine.h"

namespace store {
namespace {

// Every field but rowid, from the row.
void WriteFields(const Session& s, const TranFields& f, const TranRow& r) {
  s.Check(f4assignDouble(f.prodid, r.prodId), "f4assignDouble");
  s.Check(AssignText(f.trandate, r.date), "f4assignNVB");
  s.Check(f4assignDouble(f.trantype, Code(r.type)), "f4assignDouble");
  s.Check(f4assignDouble(f.units, r.units.ToDouble()), "f4assignDouble");
  s.Check(f4assignDouble(f.unitprc, r.unitPrice.ToDouble()), "f4assignDouble");
  s.Check(AssignMemo(f.notes, r.note), "f4memoAssignN");
  s.Check(f4assignDouble(f.catid, r.catId), "f4assignDouble");
  s.Check(f4assignDouble(f.shipmethod, r.acctId), "f4assignDouble");
}

TranRow ReadFields(const TranFields& f) {
  TranRow r;
  r.id = Long32(f.rowid);
  r.prodId = Long32(f.prodid);
  r.date = Text(f.trandate);
  r.type = static_cast<TranType>(Long32(f.trantype));
  r.units = Amount(f.units);
  r.unitPrice = Amount(f.unitprc);
  r.note = Memo(f.notes);
  r.catId = Long32(f.catid);
  r.acctId = Long32(f.shipmethod);
  return r;
}

// Writes the row; `loaded`, when given, then holds the row as stored.
void WriteRead(const Session& s, const TranFields& f, const TranRow& r, TranRow* loaded) {
  WriteFields(s, f, r);
  if (loaded != nullptr) *loaded = ReadFields(f);
}

}  // namespace

Status Transactions::Write(DATA4* open, const std::function<Status(DATA4*, const TranFields&)>& write) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    return UnlockedOnError(tb.get(), [&]() -> Status {
      SelectTag(session_, tb.get(), "rowid");
      return write(tb.get(), TranFields(tb.get()));
    });
  });
}

Status Transactions::Append(TranRow& row, int32_t id, DATA4* open) const {
  return Write(open, [&](DATA4* tb, const TranFields& f) -> Status {
    session_.Check(d4appendStartVB(tb, 0), "d4appendStartVB");
    session_.Check(d4blank(tb), "d4blank");
    session_.Check(f4assignDouble(f.rowid, id), "f4assignDouble");
    WriteFields(session_, f, row);
    if (const Status added = AppendUnlock(session_, tb); !added.ok()) return added;
    row.id = id;
    return Status::Ok();
  });
}

Status Transactions::AppendAll(std::vector<TranRow>& rows, int32_t firstId, DATA4* open) const {
  return Write(open, [&](DATA4* tb, const TranFields& f) -> Status {
    size_t appended = 0;
    // The rows stored get their ids, also when a later one throws.
    const auto setIds = qScopeGuard([&] {
      for (size_t i = 0; i < appended; ++i) rows[i].id = firstId + static_cast<int32_t>(i);
    });
    return AppendHeld(
        session_, tb, rows.size(),
        [&](size_t i) {
          session_.Check(f4assignDouble(f.rowid, firstId + static_cast<int32_t>(i)), "f4assignDouble");
          WriteFields(session_, f, rows[i]);
        },
        &appended);
  });
}

Status Transactions::Update(const TranRow& row, DATA4* open, TranRow* loaded) const {
  return Write(open, [&](DATA4* tb, const TranFields& f) -> Status {
    if (SeekNumber(session_, tb, row.id) != 0) return Status::Of(Failure::kNotFound);
    return ChangeLockedIf(
        session_, tb, [&] { return loaded == nullptr || ReadFields(f) == *loaded; },
        [&] { WriteRead(session_, f, row, loaded); });
  });
}

Status Transactions::Convert(const TranRow& row, TranType from, DATA4* open, TranRow* loaded) const {
  return Write(open, [&](DATA4* tb, const TranFields& f) -> Status {
    if (SeekNumber(session_, tb, row.id) != 0) return Status::Of(Failure::kNotFound);
    // Locking reads the record again: its type is the one stored now.
    if (LockCurrent(session_, tb) == r4locked) return Status::Of(Failure::kLocked);
    const bool gone = d4deleted(tb) != 0 || Long32(f.trantype) != Code(from);
    if (gone || (loaded != nullptr && ReadFields(f) != *loaded)) {
      session_.Check(d4unlock(tb), "d4unlock");
      return Status::Of(gone ? Failure::kNotFound : Failure::kChanged);
    }
    WriteRead(session_, f, row, loaded);
    return FlushUnlock(session_, tb) == r4locked ? Status::Of(Failure::kLocked) : Status::Ok();
  });
}

Result<TranRow> Transactions::Get(int32_t id, DATA4* open) const {
  return Guarded<Result<TranRow>>([&]() -> Result<TranRow> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    SelectTag(session_, tb.get(), "rowid");
    if (SeekNumber(session_, tb.get(), id) != 0) return Status::Of(Failure::kNotFound);
    return ReadFields(TranFields(tb.get()));
  });
}

Status Transactions::DeleteOfProduct(int32_t prodId, DATA4* open) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    SelectTag(session_, tb.get(), "prodid");
    while (true) {
      session_.Check(d4top(tb.get()), "d4top");
      // Deleted rows leave the tag, so the next seek finds the next row of the product.
      if (SeekNumber(session_, tb.get(), prodId) != 0) return Status::Ok();
      const Status deleted = ChangeLocked(session_, tb.get(), [&] { session_.Check(d4delete(tb.get()), "d4delete"); });
      if (!deleted.ok()) return deleted;
    }
  });
}

Status Transactions::DeleteIf(int32_t id, const std::function<bool(const TranRow&)>& still, DATA4* open) const {
  return Write(open, [&](DATA4* tb, const TranFields& f) -> Status {
    if (SeekNumber(session_, tb, id) != 0) return Status::Of(Failure::kNotFound);
    return ChangeLockedIf(
        session_, tb, [&] { return still(ReadFields(f)); }, [&] { session_.Check(d4delete(tb), "d4delete"); });
  });
}

Result<bool> Transactions::ProductHasTransactions(int32_t prodId, DATA4* open) const {
  return Guarded<Result<bool>>([&]() -> Result<bool> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    SelectTag(session_, tb.get(), "prodid");
    return SeekNumber(session_, tb.get(), prodId) == 0;
  });
}

}  // namespace store
