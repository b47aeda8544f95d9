#include "database/store/ReportTables.h"

namespace store {

ReportTables::ReportTables(const Session& session)
    : session_(session), products_(session, nullptr, store::Products::kFile) {
  if (products_.ok()) transactions_ = Table(session, nullptr, Transactions::kFile);
}

Status ReportTables::ForEachVisible(SearchType order,
                                    const std::function<bool(int32_t, const ProductRecord&)>& take) const {
  if (!products_.ok()) return products_.failure();
  return store::Products(session_).ForEachVisible(order, take, products_.get());
}

Status ReportTables::ProductStats(StockFigures& stats, Stock::Figures which) const {
  if (!transactions_.ok()) return failure();
  return Stock(session_).ProductStats(stats, transactions_.get(), which);
}

Status ReportTables::AllProductStats(std::unordered_map<int32_t, StockFigures>& stats,
                                     std::unordered_set<int32_t>& failed, Stock::Figures which) const {
  if (!transactions_.ok()) return failure();
  return Stock(session_).AllProductStats(stats, failed, transactions_.get(), which);
}

}  // namespace store
