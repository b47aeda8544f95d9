// clsDB: stock figures derived from the transactions table, over store::Stock.

#include <QStringList>
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/store/ReportTables.h"
#include "database/store/Stock.h"
#include "platform/runtime/Error.h"

namespace {

// The Overflow error of products whose figures do not fit, naming them.
store::Status OverflowOf(clsDB& db, std::vector<int32_t> ids) {
  std::sort(ids.begin(), ids.end());
  QStringList names;
  for (const int32_t id : ids) {
    const QString name = db.GetProductName2(id);
    names << (name.isEmpty() ? QStringLiteral("the product with id ") + QString::number(id) : name);
  }
  return {store::Failure::kError, rt::kErrOverflow, QStringLiteral("Stovrel"),
          rt::ErrorDescription(rt::kErrOverflow) + QStringLiteral(": the stock figures of ") +
              names.join(QStringLiteral(", ")) +
              QStringLiteral(" are too large to be worked out. Please correct the units or amounts of the "
                             "transactions that made them so large.")};
}

// A product's figures as computed: an Overflow names the product.
bool ReportProductStats(clsDB& db, const store::Status& status, int32_t id) {
  const bool overflow = status.is(store::Failure::kError) && status.code == rt::kErrOverflow;
  dbaccess::Report(overflow ? OverflowOf(db, {id}) : status, "clsDB_GetProductStats");
  return status.ok();
}

// Every product's figures as computed: the products whose figures fail are reported
// once, as a product's own walk reports it.
bool ReportAllProductStats(clsDB& db, const store::Status& status, const std::unordered_set<int32_t>& failed) {
  dbaccess::Report(status, "clsDB_GetAllProductStats");
  if (!failed.empty()) dbaccess::Report(OverflowOf(db, {failed.begin(), failed.end()}), "clsDB_GetAllProductStats");
  return status.ok();
}

store::Stock::Figures FiguresOf(bool unitsOnly) {
  return unitsOnly ? store::Stock::Figures::kUnits : store::Stock::Figures::kAll;
}

}  // namespace

bool clsDB::GetProductStats(clsProductStats& udProductStats, DATA4* tb_tran) {
  const store::Table table = dbaccess::UseTable(tb_tran, TranTable(), *this);
  if (!table.ok()) return false;
  const store::Session session = Session();
  return ReportProductStats(*this, store::Stock(session).ProductStats(udProductStats, table.get()),
                            udProductStats.m_nProductID);
}

bool clsDB::GetProductStats(clsProductStats& udProductStats, const store::ReportTables& tables, bool unitsOnly) {
  return ReportProductStats(*this, tables.ProductStats(udProductStats, FiguresOf(unitsOnly)),
                            udProductStats.m_nProductID);
}

bool clsDB::GetAllProductStats(std::unordered_map<int32_t, clsProductStats>& stats, std::unordered_set<int32_t>& failed,
                               DATA4* tb_tran, bool unitsOnly) {
  stats.clear();
  failed.clear();
  const store::Table table = dbaccess::UseTable(tb_tran, TranTable(), *this);
  if (!table.ok()) return false;
  const store::Session session = Session();
  return ReportAllProductStats(
      *this, store::Stock(session).AllProductStats(stats, failed, table.get(), FiguresOf(unitsOnly)), failed);
}

bool clsDB::GetAllProductStats(std::unordered_map<int32_t, clsProductStats>& stats, std::unordered_set<int32_t>& failed,
                               const store::ReportTables& tables, bool unitsOnly) {
  stats.clear();
  failed.clear();
  return ReportAllProductStats(*this, tables.AllProductStats(stats, failed, FiguresOf(unitsOnly)), failed);
}

bool clsDB::ProductHasATranType(int32_t nProdId, int32_t udTranType, DATA4* tb_tran) {
  const store::Table table = dbaccess::UseTable(tb_tran, TranTable(), *this);
  if (!table.ok()) return false;
  const store::Session session = Session();
  const store::Result<bool> has = store::Stock(session).ProductHasTranType(nProdId, udTranType, table.get());
  dbaccess::Report(has.status, "clsDB_ProductHasATranType");
  return has.ok() && has.value;
}
