#pragma once
// The tables an import or the export holds for its whole run, and the typed calls it
// makes on them: products found, loaded and saved, list entries found or added,
// transactions added, stock counted. Each table is opened by Open (the database shows
// "Unable to open: " and the path when it does not open) and closed when the object
// goes. User-interface thread only.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "database/clsDB.h"
#include "database/store/Lists.h"
#include "database/store/Products.h"

class clsProd;

class ExchangeTables {
 public:
  enum class Which { kProducts, kTransactions, kCategories };

  explicit ExchangeTables(clsDB& db = gDB());
  ExchangeTables(const ExchangeTables&) = delete;
  ExchangeTables& operator=(const ExchangeTables&) = delete;

  bool Open(Which table);

  // Products (the products table open). The one visible product whose part number or
  // name is the text (trimmed, any case): -1 for none or several, 0 after a failure.
  int32_t FindProduct(store::SearchType by, const QString& text);
  // Takes the visible products appended since the last call into `keys` (every one on
  // the first); false after the failure has been reported.
  bool ReadAppended(store::ProductKeys& keys);
  bool LoadProduct(clsProd& p, int32_t id);
  // Saves as clsProd::SaveProduct does (the transactions table open too).
  bool SaveProduct(clsProd& p, bool ignoreBI);
  // Adds new products with their beginning inventories as clsProd::AddProducts does.
  size_t AddProducts(std::vector<clsProd>& products);
  bool ProductName(int32_t id, QString& name, QString& partNo);
  store::Result<rt::Currency> StdAmount(int32_t id, store::AmountType type) const;
  store::Result<store::PartNoMap> VisibleByPartNo() const;
  store::Status ForEachVisibleProduct(store::SearchType order,
                                      const std::function<bool(int32_t, const store::ProductRecord&)>& take) const;

  // List entries (the categories table open). The entry of the text in the list, added
  // when missing; -1 for an empty text, below 1 when it could not be recorded.
  int32_t ListIdOrAdd(const QString& text, store::ListType type);
  // The entries of every list.
  store::Status AllListEntries(std::vector<store::ListRow>& rows) const;

  // Transactions (the transactions table open): as clsDB::AddTrans and
  // clsDB::GetAllProductStats.
  size_t AddTrans(std::vector<clsTran>& trans);
  bool StockUnits(std::unordered_map<int32_t, clsProductStats>& stats, std::unordered_set<int32_t>& failed);

  // Holds the products' and transactions' append locks until released (both open);
  // rows saved meanwhile append without taking them each time.
  void HoldAppends();
  void ReleaseAppends();

 private:
  clsDB& db_;
  store::Table prod_;
  store::Table tran_;
  store::Table cat_;
  std::optional<store::AppendHold> appends_;
};
