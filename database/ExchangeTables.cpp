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

bool ExchangeTables::ReadAppended(store::ProductKeys& keys) {
  const store::Status status = store::Products(db_.Session()).ReadAppended(keys, prod_.get());
  dbaccess::Report(status, "clsProd_LookupProduct");
  return status.ok();
}

bool ExchangeTables::LoadProduct(clsProd& p, int32_t id) { return p.LoadProduct(id, prod_.get(), db_); }

bool ExchangeTables::SaveProduct(clsProd& p, bool ignoreBI) {
  return p.SaveProduct(prod_.get(), tran_.get(), ignoreBI, db_);
}

size_t ExchangeTables::AddProducts(std::vector<clsProd>& products) {
  return clsProd::AddProducts(products, prod_.get(), tran_.get(), false, db_);
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

void ExchangeTables::HoldAppends() {
  if (!appends_) appends_.emplace(std::vector<DATA4*>{prod_.get(), tran_.get()});
  appends_->Take();
}

void ExchangeTables::ReleaseAppends() {
  if (appends_) appends_->Release();
}
