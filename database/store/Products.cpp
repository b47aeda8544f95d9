#include "database/store/Products.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "database/store/Fields.h"
#include "database/store/RowScan.h"
#include "database/store/Seek.h"
#include "platform/runtime/Codepage.h"
#include "platform/xbase/Engine.h"

namespace store {
namespace {

// Positions on the row of the id: true when found.
bool SeekProduct(const Session& s, DATA4* tb, int32_t id) {
  SelectTag(s, tb, "rowid");
  return SeekNumber(s, tb, id) == 0;
}

void Assign(const Session& s, FIELD4* f, const QString& value) { s.Check(AssignText(f, value), "f4assignNVB"); }

void Assign(const Session& s, FIELD4* f, double value) { s.Check(f4assignDouble(f, value), "f4assignDouble"); }

void WriteFields(const Session& s, const ProductFields& f, const ProductRecord& r) {
  Assign(s, f.partno, r.partNo);
  Assign(s, f.prodname, r.name);
  Assign(s, f.location, r.location);
  Assign(s, f.groupid, r.group);
  Assign(s, f.hide, r.hidden ? QStringLiteral("T") : QStringLiteral("F"));
  Assign(s, f.reordlev, r.reorderLevel.ToDouble());
  Assign(s, f.reordqty, r.reorderQty.ToDouble());
  Assign(s, f.leadtime, r.leadTime);
  Assign(s, f.manuf, r.manuf);
  Assign(s, f.vendor, r.vendor);
  Assign(s, f.stdcost, r.stdCost.ToDouble());
  Assign(s, f.stdprice, r.stdPrice.ToDouble());
  Assign(s, f.custom[0], r.custom1);
  Assign(s, f.custom[1], r.custom2);
  Assign(s, f.custom[2], r.custom3);
  Assign(s, f.custom[3], r.custom4);
  s.Check(AssignMemo(f.notes, r.notes), "f4memoAssignN");
}

ProductRecord Read(const ProductFields& f) {
  ProductRecord r;
  r.partNo = TrimmedText(f.partno);
  r.name = TrimmedText(f.prodname);
  r.location = Long32(f.location);
  r.group = Long32(f.groupid);
  r.hidden = f.Hidden();
  r.reorderLevel = Amount(f.reordlev);
  r.reorderQty = Amount(f.reordqty);
  r.leadTime = TrimmedText(f.leadtime);
  r.manuf = Long32(f.manuf);
  r.vendor = Long32(f.vendor);
  r.stdCost = Amount(f.stdcost);
  r.stdPrice = Amount(f.stdprice);
  r.custom1 = TrimmedText(f.custom[0]);
  r.custom2 = TrimmedText(f.custom[1]);
  r.custom3 = TrimmedText(f.custom[2]);
  r.custom4 = TrimmedText(f.custom[3]);
  r.notes = Memo(f.notes);
  return r;
}

// The key under which a look-up finds a stored text (blank-padded as the field holds
// it). A look-up seeks the trimmed text in the tag, whose key keeps what the field
// holds but its padding: an empty text, or one with blanks around it, is never found.
std::optional<QString> FoundAs(QString stored) {
  qsizetype end = stored.size();
  while (end > 0 && stored[end - 1] == QLatin1Char(' ')) --end;
  stored.truncate(end);
  if (stored.isEmpty() || stored != stored.trimmed()) return std::nullopt;
  return Upper(stored);
}

// The text as a character field of the width holds it.
QString AsStored(const QString& text, size_t width) {
  std::string bytes = rt::ToCp1252(text);
  if (bytes.size() > width) bytes.resize(width);
  return rt::FromCp1252(bytes);
}

}  // namespace

int32_t ProductKeys::Find(SearchType by, const QString& text) const {
  const Index& index = by == SearchType::kPartNo ? byPartNo_ : byName_;
  const auto at = index.find(Products::PartNoKey(text));
  return at != index.end() && at->second.size() == 1 ? at->second.front() : -1;
}

void ProductKeys::Set(int32_t id, const QString& partNo, const QString& name, bool hidden) {
  if (hidden) {
    Remove(id);
    return;
  }
  SetKeys(id, {FoundAs(AsStored(partNo, partNoWidth_)), FoundAs(AsStored(name, nameWidth_))});
}

void ProductKeys::Remove(int32_t id) {
  const auto at = of_.find(id);
  if (at == of_.end()) return;
  const auto unlist = [id](Index& index, const std::optional<QString>& key) {
    const auto listed = key ? index.find(*key) : index.end();
    if (listed == index.end()) return;
    std::erase(listed->second, id);
    if (listed->second.empty()) index.erase(listed);
  };
  unlist(byPartNo_, at->second.partNo);
  unlist(byName_, at->second.name);
  of_.erase(at);
}

bool ProductKeys::WithoutPartNo(int32_t id) const {
  const auto at = of_.find(id);
  return at != of_.end() && !at->second.partNo;
}

void ProductKeys::SetKeys(int32_t id, Keys keys) {
  if (const auto at = of_.find(id); at != of_.end() && at->second == keys) return;
  Remove(id);
  if (keys.partNo) byPartNo_[*keys.partNo].push_back(id);
  if (keys.name) byName_[*keys.name].push_back(id);
  of_.emplace(id, std::move(keys));
}

Result<ProductRecord> Products::Get(int32_t id, DATA4* open) const {
  return Guarded<Result<ProductRecord>>([&]() -> Result<ProductRecord> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (!SeekProduct(session_, tb.get(), id)) return Status::Of(Failure::kNotFound);
    return Read(ProductFields(tb.get()));
  });
}

Status Products::ForEachVisible(SearchType order, const std::function<bool(int32_t, const ProductRecord&)>& take,
                                DATA4* open) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    RowScan scan(session_, tb.get());
    bool on = scan.First(order == SearchType::kPartNo ? "partno" : "prodname");
    const ProductFields f(tb.get());
    for (; on; on = scan.Next()) {
      if (!f.Hidden() && !take(Long32(f.rowid), Read(f))) break;
    }
    return Status::Ok();
  });
}

Status Products::AppendAll(const std::vector<ProductRecord>& rows, int32_t firstId, size_t* appended,
                           DATA4* open) const {
  *appended = 0;
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    const ProductFields f(tb.get());
    return AppendHeld(
        session_, tb.get(), rows.size(),
        [&](size_t i) {
          Assign(session_, f.rowid, firstId + static_cast<int32_t>(i));
          WriteFields(session_, f, rows[i]);
        },
        appended);
  });
}

Status Products::AppendWithReceipts(const std::vector<ProductRecord>& rows, int32_t firstId,
                                    std::vector<TranRow>& receipts, const std::vector<size_t>& receiptOf,
                                    int32_t firstTranId, size_t* appended, DATA4* open, DATA4* openTran) const {
  *appended = 0;
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    Table tran(session_, openTran, Transactions::kFile);
    if (!tran.ok()) return tran.failure();
    const ProductFields f(tb.get());
    if (Status held = HoldAppends(session_, tb.get()); !held.ok()) return held;
    const Transactions transactions(session_);
    const Status received = receipts.empty() ? Status::Ok() : transactions.AppendAll(receipts, firstTranId, tran.get());
    size_t stored = 0;
    while (stored < receipts.size() && receipts[stored].id >= firstTranId) ++stored;
    // Only the products before the first whose Receive is missing follow.
    const size_t count = stored < receipts.size() ? receiptOf[stored] : rows.size();
    const Status added = Guarded<Status>([&] {
      if (count == 0) return ReleaseAppends(session_, tb.get());
      return AppendHeld(
          session_, tb.get(), count,
          [&](size_t i) {
            Assign(session_, f.rowid, firstId + static_cast<int32_t>(i));
            WriteFields(session_, f, rows[i]);
          },
          appended);
    });
    // A Receive whose delete fails stays an orphan until RemoveOrphanReceives.
    for (size_t k = 0; k < stored; ++k) {
      if (receiptOf[k] < *appended) continue;
      transactions.DeleteIf(receipts[k].id, [](const TranRow&) { return true; }, tran.get());
      receipts[k].id = -1;
    }
    // No hold is left, the caller's included: a failure is reported with none held.
    const Status released = ReleaseAppends(session_, tran.get());
    return !received.ok() ? received : !added.ok() ? added : released;
  });
}

Status Products::RemoveOrphanReceives(size_t* removed, DATA4* open, DATA4* openTran) const {
  *removed = 0;
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    Table tran(session_, openTran, Transactions::kFile);
    if (!tran.ok()) return tran.failure();
    // One pass over each table finds the candidates, without any lock.
    std::unordered_set<int32_t> products;
    {
      RowScan scan(session_, tb.get());
      FIELD4* rowid = FieldOf(tb.get(), "rowid");
      for (bool on = scan.FirstInRecordOrder(RowScan::Read::kBlocks); on; on = scan.Next()) {
        products.insert(Long32(rowid));
      }
    }
    std::vector<int32_t> orphans;
    {
      RowScan scan(session_, tran.get());
      const TranFields f(tran.get());
      for (bool on = scan.FirstInRecordOrder(RowScan::Read::kBlocks); on; on = scan.Next()) {
        if (Long32(f.trantype) == Code(TranType::kReceive) && !products.contains(Long32(f.prodid))) {
          orphans.push_back(Long32(f.rowid));
        }
      }
    }
    if (orphans.empty()) return Status::Ok();
    // A writer holds the products' append lock from storing its Receives until its
    // products are stored: under it, a Receive without its product has none to come.
    if (Status held = HoldAppends(session_, tb.get()); !held.ok()) return held;
    const Transactions transactions(session_);
    const QString note = QLatin1String(kBeginningNote);
    Status status = Guarded<Status>([&] {
      for (const int32_t id : orphans) {
        const Status gone = transactions.DeleteIf(
            id,
            [&](const TranRow& r) {
              return r.type == TranType::kReceive && r.note.trimmed() == note && !SeekProduct(session_, tb.get(), r.prodId);
            },
            tran.get());
        if (gone.ok()) ++*removed;
        if (!gone.ok() && !gone.is(Failure::kChanged) && !gone.is(Failure::kNotFound)) return gone;
      }
      return Status::Ok();
    });
    const Status released = ReleaseAppends(session_, tb.get());
    return status.ok() ? released : status;
  });
}

Status Products::Update(int32_t id, const ProductRecord& row, DATA4* open, ProductRecord* loaded) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (!SeekProduct(session_, tb.get(), id)) return Status::Of(Failure::kNotFound);
    const ProductFields f(tb.get());
    return UnlockedOnError(tb.get(), [&] {
      return ChangeLockedIf(
          session_, tb.get(), [&] { return loaded == nullptr || Read(f) == *loaded; },
          [&] {
            WriteFields(session_, f, row);
            if (loaded != nullptr) *loaded = Read(f);
          });
    });
  });
}

Status Products::UpdateKnown(int32_t id, const ProductRecord& row, ProductKeys& keys, const ProductRecord* loaded,
                             DATA4* open) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (!SeekProduct(session_, tb.get(), id)) {
      keys.Remove(id);
      return Status::Of(Failure::kNotFound);
    }
    const ProductFields f(tb.get());
    const auto known = [&] {
      const auto at = keys.of_.find(id);
      const ProductKeys::Keys now{FoundAs(Text(f.partno)), FoundAs(Text(f.prodname))};
      const bool gone = d4deleted(tb.get()) != 0 || f.Hidden();
      if (!gone && at != keys.of_.end() && at->second == now && (loaded == nullptr || Read(f) == *loaded)) return true;
      if (gone) {
        keys.Remove(id);
      } else {
        keys.SetKeys(id, now);
      }
      return false;
    };
    return UnlockedOnError(tb.get(), [&] {
      return ChangeLockedIf(session_, tb.get(), known, [&] { WriteFields(session_, f, row); });
    });
  });
}

Result<ProductListRow> Products::Name(int32_t id, DATA4* open) const {
  return Guarded<Result<ProductListRow>>([&]() -> Result<ProductListRow> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    if (!SeekProduct(session_, tb.get(), id)) return Status::Of(Failure::kNotFound);
    return ProductListRow{id, TrimmedText(FieldOf(tb.get(), "partno")), TrimmedText(FieldOf(tb.get(), "prodname"))};
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
    const QString wanted = Upper(partNo.trimmed());
    RowScan scan(session_, tb.get());
    for (bool on = scan.FirstWithKey("partno", WholeKey(partNo, true)); on; on = scan.Next()) {
      if (exceptId > 0 && Long32(rowid) == exceptId) continue;
      if (Upper(TrimmedText(partno)) == wanted) return true;
    }
    return false;
  });
}

QString Products::PartNoKey(const QString& partNo) { return Upper(partNo.trimmed()); }

Result<PartNoMap> Products::VisibleByPartNo(DATA4* open) const {
  return Guarded<Result<PartNoMap>>([&]() -> Result<PartNoMap> {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    FIELD4* rowid = FieldOf(tb.get(), "rowid");
    FIELD4* partno = FieldOf(tb.get(), "partno");
    FIELD4* hide = FieldOf(tb.get(), "hide");
    FIELD4* stdcost = FieldOf(tb.get(), "stdcost");
    FIELD4* stdprice = FieldOf(tb.get(), "stdprice");
    PartNoMap map;
    // Record order: no index page is read; deleted rows are passed over as a seek does.
    RowScan scan(session_, tb.get());
    for (bool on = scan.FirstInRecordOrder(); on; on = scan.Next()) {
      if (ProductHidden(hide)) continue;
      const std::optional<QString> key = FoundAs(Text(partno));
      if (!key) continue;
      const auto [at, added] = map.try_emplace(*key);
      if (!added) {
        at->second.id = -1;
        continue;
      }
      at->second = PartNoEntry{Long32(rowid), Amount(stdcost), Amount(stdprice)};
    }
    return map;
  });
}

Status Products::ReadAppended(ProductKeys& keys, DATA4* open) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    RowScan scan(session_, tb.get());
    const long records = scan.RecordCount();
    if (records <= keys.records_ && keys.partNoWidth_ != SIZE_MAX) return Status::Ok();
    const ProductFields f(tb.get());
    keys.partNoWidth_ = static_cast<size_t>(f4len_v(f.partno));
    keys.nameWidth_ = static_cast<size_t>(f4len_v(f.prodname));
    for (bool on = scan.FirstInRecordOrder(RowScan::Read::kBlocks, keys.records_ + 1); on; on = scan.Next()) {
      if (f.Hidden()) {
        keys.Remove(Long32(f.rowid));
      } else {
        keys.SetKeys(Long32(f.rowid), {FoundAs(Text(f.partno)), FoundAs(Text(f.prodname))});
      }
    }
    keys.records_ = std::max(keys.records_, records);
    return Status::Ok();
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
