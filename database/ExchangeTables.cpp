#include "database/ExchangeTables.h"

#include "database/DbAccess.h"
#include "database/clsProd.h"

ExchangeTables::ExchangeTables(clsDB& db) : db_(db) {}

bool ExchangeTables::Open(Which table) {
  switch (table) {
    case Which::kProducts: prod_ = db_.OpenTable(db_.ProductsTable()); return prod_.ok();
    case Which::kTransactions: tran_ = db_.OpenTable(db_.TranTable()); return tran_.ok();
    case Which::kCategories: cat_ = db_.OpenTable(db_.CategoryTable()); return cat_.ok();
  }
  return false;
}

int32_t ExchangeTables::FindProduct(store::SearchType by, const QString& text) {
  // The look-up reads no member of the record.
  return clsProd{}.LookupProduct(store::Code(by), text, prod_.get(), db_);
}

store::Status ExchangeTables::ReadAppended(store::ProductKeys& keys) {
  return store::Products(db_.Session()).ReadAppended(keys, prod_.get());
}

store::Status ExchangeTables::LoadProduct(clsProd& p, int32_t id) {
  const store::Result<store::ProductRecord> row = store::Products(db_.Session()).Get(id, prod_.get());
  if (row.ok()) p.Take(id, row.value);
  if (!row.status.is(store::Failure::kNotFound)) dbaccess::Report(row.status, "clsProd_LoadProduct");
  return row.status;
}

store::Status ExchangeTables::UpdateKnown(const clsProd& p, store::ProductKeys& keys) {
  const store::Status status = store::Products(db_.Session())
                                   .UpdateKnown(p.nProdId, p.Record(), keys, p.loaded ? &*p.loaded : nullptr, prod_.get());
  if (!status.is(store::Failure::kChanged) && !status.is(store::Failure::kNotFound)) {
    dbaccess::Report(status, "clsProd_SaveProduct", clsProd::LockedText());
  }
  return status;
}

size_t ExchangeTables::AddProducts(std::vector<clsProd>& products) {
  return clsProd::AddProducts(products, prod_.get(), tran_.get(), false, db_, false);
}

size_t ExchangeTables::RemoveOrphanReceives() {
  size_t removed = 0;
  const store::Status status =
      store::Products(db_.Session()).RemoveOrphanReceives(&removed, prod_.get(), tran_.get());
  if (!status.is(store::Failure::kLocked)) dbaccess::Report(status, "clsProd_SaveProduct");
  return removed;
}

bool ExchangeTables::ProductName(int32_t id, QString& name, QString& partNo) {
  return db_.GetProductName(id, name, partNo, prod_.get());
}

store::Result<rt::Currency> ExchangeTables::StdAmount(int32_t id, store::AmountType type) const {
  return store::Products(db_.Session()).StdAmount(id, type, prod_.get());
}

store::Result<store::PartNoMap> ExchangeTables::VisibleByPartNo() const {
  return store::Products(db_.Session()).VisibleByPartNo(prod_.get());
}

store::Status ExchangeTables::ForEachVisibleProduct(
    store::SearchType order, const std::function<bool(int32_t, const store::ProductRecord&)>& take) const {
  return store::Products(db_.Session()).ForEachVisible(order, take, prod_.get());
}

int32_t ExchangeTables::ListIdOrAdd(const QString& text, store::ListType type) {
  QString desc = text;
  return db_.CategoryIDLookupOrAdd(desc, store::Code(type), cat_.get());
}

store::Status ExchangeTables::AllListEntries(std::vector<store::ListRow>& rows) const {
  return store::ReadList(db_.Session(), cat_.get(), db_.CategoryTable(), QStringLiteral("rowid"),
                         QStringLiteral("desc"), {}, 0, rows);
}

size_t ExchangeTables::AddTrans(std::vector<clsTran>& trans) { return db_.AddTrans(trans, tran_.get()); }

bool ExchangeTables::StockUnits(std::unordered_map<int32_t, clsProductStats>& stats,
                                std::unordered_set<int32_t>& failed) {
  return db_.GetAllProductStats(stats, failed, tran_.get(), true);
}

store::Status ExchangeTables::HoldAppends() {
  const store::Session session = db_.Session();
  return store::Guarded<store::Status>([&] {
    store::Status held = store::HoldAppends(session, prod_.get());
    if (held.ok()) held = store::HoldAppends(session, tran_.get());
    if (!held.ok()) store::ReleaseAppends(session, prod_.get());
    return held;
  });
}

store::Status ExchangeTables::ReleaseAppends() {
  const store::Session session = db_.Session();
  const auto release = [&](DATA4* tb) {
    return store::Guarded<store::Status>([&] { return store::ReleaseAppends(session, tb); });
  };
  const store::Status prod = release(prod_.get());
  const store::Status tran = release(tran_.get());
  return prod.ok() ? tran : prod;
}
