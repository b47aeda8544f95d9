#pragma once
// The tables an import or the export holds for its whole run, and the typed calls it
// makes on them: products found, loaded and saved, list entries found or added,
// transactions added, stock counted. Each table is opened by Open (the database shows
// "Unable to open: " and the path when it does not open) and closed when the object
// goes. User-interface thread only.

#include <QString>
#include <cstdint>
#include <functional>
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
  // the first); a failure is not reported.
  store::Status ReadAppended(store::ProductKeys& keys);
  // Reads the product into the record as clsProd::LoadProduct does; kNotFound (not
  // reported) when its row is no longer there, another failure reported.
  store::Status LoadProduct(clsProd& p, int32_t id);
  // Rewrites the product p.nProdId as store::Products::UpdateKnown does (compared with
  // p.loaded when the record was loaded). A failure other than kChanged and kNotFound
  // is reported, a locked row as clsProd::SaveProduct reports it.
  store::Status UpdateKnown(const clsProd& p, store::ProductKeys& keys);
  // Adds new products with their beginning inventories as clsProd::AddProducts does (no
  // hold of the append locks left); a table locked by another user is not reported
  // (LastSaveFailure says so).
  size_t AddProducts(std::vector<clsProd>& products);
  // Deletes the beginning-inventory Receives left without their product by an add cut
  // short (store::Products::RemoveOrphanReceives; the transactions table open too): how
  // many. None while another user adds products; a failure is reported.
  size_t RemoveOrphanReceives();
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

  // Holds the products' and transactions' append locks (both open), the engine keeping
  // the hold until a write of the table or ReleaseAppends: rows appended meanwhile take
  // no locks of their own. kLocked when another user holds one (none is held then).
  store::Status HoldAppends();
  // Gives both holds up, storing what was appended under them: kNotStored when that
  // could not be written.
  store::Status ReleaseAppends();

 private:
  clsDB& db_;
  store::Table prod_;
  store::Table tran_;
  store::Table cat_;
};
