#pragma once
// The tables of one report load: the products and the transactions, opened together for
// the load and closed with it. The report fillers read them through their scans and the
// stock figures; nothing outside the store holds the tables. Failures as the stores give
// them: kNotOpened (the table's path), kError.

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "database/store/Codes.h"
#include "database/store/Products.h"
#include "database/store/Result.h"
#include "database/store/Scans.h"
#include "database/store/Session.h"
#include "database/store/Stock.h"
#include "database/store/StockFigures.h"

namespace store {

class ReportTables {
 public:
  // Opens the products table, then, when it opened, the transactions table.
  explicit ReportTables(const Session& session);

  bool HasProducts() const { return products_.ok(); }
  bool HasTransactions() const { return transactions_.ok(); }
  // Why a table is not open (the products first); ok when both are.
  const Status& failure() const { return products_.ok() ? transactions_.failure() : products_.failure(); }

  // Walks of the open tables; each scan is valid while this object lives.
  ProductScan ScanProducts() const { return ProductScan(session_, products_.get()); }
  TranScan ScanTransactions() const { return TranScan(session_, transactions_.get()); }
  // Every visible product with its id, as Products::ForEachVisible.
  Status ForEachVisible(SearchType order, const std::function<bool(int32_t, const ProductRecord&)>& take) const;
  // The stock figures on the open transactions, as Stock gives them.
  Status ProductStats(StockFigures& stats, Stock::Figures which) const;
  Status AllProductStats(std::unordered_map<int32_t, StockFigures>& stats, std::unordered_set<int32_t>& failed,
                         Stock::Figures which) const;

 private:
  Session session_;
  Table products_;
  Table transactions_;
};

}  // namespace store
