#pragma once
// Single rows of the products table (svlprod) by row id or part number. Part numbers
// are found whole, trimmed, without regard to case (tag partno is upper case); hidden
// products count for these look-ups. A product is hidden when its flag reads "T".
//
// Each call works on the caller's open table when `open` is given (left open, with no
// lock of the call left on it, also after a failure), else opens and closes the table
// itself. Failures: kNotFound, kLocked, kNotOpened, kError.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "database/store/Codes.h"
#include "database/store/Result.h"
#include "database/store/Session.h"
#include "database/store/Transactions.h"
#include "platform/runtime/Currency.h"

struct DATA4;

namespace store {

// The shapes of a product row, one per purpose (the scans' view of the current record,
// ProductView, is in Scans.h):

// What names a product: a pick list's or a search's row, a message's product.
struct ProductListRow {
  int32_t id = 0;
  QString partNo;  // trimmed
  QString name;    // trimmed
};

// A row of the product list window: the name with the columns it shows, hidden
// products included.
struct ProductGridRow : ProductListRow {
  int32_t location = 0;
  int32_t group = 0;
  bool hidden = false;
};

// What an edit reads and writes back (and an export lists): every stored field of a
// product row but its id; texts trimmed when read.
struct ProductRecord {
  QString partNo, name, leadTime, custom1, custom2, custom3, custom4, notes;
  int32_t location = -1, group = -1, manuf = -1, vendor = -1;
  bool hidden = false;
  rt::Currency reorderLevel, reorderQty, stdCost, stdPrice;

  bool operator==(const ProductRecord&) const = default;
};

// A visible product as a part number look-up finds it: its id, -1 where two or more
// visible products share the part number.
struct PartNoEntry {
  int32_t id = -1;
  rt::Currency stdCost, stdPrice;
};

// The visible products by PartNoKey of their part numbers.
using PartNoMap = std::unordered_map<QString, PartNoEntry>;

// The visible products by part number and by name, in memory, for a run of look-ups
// that find what a seek on the partno or prodname tag finds: the one visible product
// whose part number or name, as stored, reads the text trimmed, in any case.
// Products::ReadAppended takes in the rows appended to the table; the caller records
// its own changes of existing rows (Set, Remove). Other users' changes of rows already
// read are not seen.
class ProductKeys {
 public:
  // The id; -1 for none, several or a blank text.
  int32_t Find(SearchType by, const QString& text) const;
  // The product's part number and name as written to its row (a hidden product is
  // found by neither); replaces what the id had.
  void Set(int32_t id, const QString& partNo, const QString& name, bool hidden);
  void Remove(int32_t id);
  // True for a visible product known to have no part number.
  bool WithoutPartNo(int32_t id) const;

 private:
  friend class Products;
  using Index = std::unordered_map<QString, std::vector<int32_t>>;
  struct Keys {
    std::optional<QString> partNo, name;
    bool operator==(const Keys&) const = default;
  };
  void SetKeys(int32_t id, Keys keys);

  Index byPartNo_, byName_;
  std::unordered_map<int32_t, Keys> of_;
  long records_ = 0;  // the records of the table read so far
  size_t partNoWidth_ = SIZE_MAX, nameWidth_ = SIZE_MAX;
};

class Products {
 public:
  explicit Products(Session session) : session_(std::move(session)) {}

  // The id, part number and name of the product of the id.
  Result<ProductListRow> Name(int32_t id, DATA4* open = nullptr) const;
  // The row id of the product with the part number.
  Result<int32_t> IdByPartNo(const QString& partNo, DATA4* open = nullptr) const;
  // True when a product other than `exceptId` has the part number.
  Result<bool> PartNoTaken(const QString& partNo, int32_t exceptId, DATA4* open = nullptr) const;
  // The standard cost or price; 0 for any other amount type.
  Result<rt::Currency> StdAmount(int32_t id, AmountType type, DATA4* open = nullptr) const;
  // Every visible product by part number in one pass over the table, for many
  // look-ups: the entry of PartNoKey(text) is the product a look-up of the text finds
  // (the one visible product whose part number, left as stored, reads the text
  // trimmed, in any case).
  Result<PartNoMap> VisibleByPartNo(DATA4* open = nullptr) const;
  static QString PartNoKey(const QString& partNo);
  // Takes the visible products of the rows appended since the last call on `keys`
  // (every row on the first) into it.
  Status ReadAppended(ProductKeys& keys, DATA4* open = nullptr) const;
  // Sets the hidden flag under the row's lock.
  Status Hide(int32_t id, DATA4* open = nullptr) const;

  Result<ProductRecord> Get(int32_t id, DATA4* open = nullptr) const;
  // Hands every visible product with its id to `take`, in part-number or name order
  // (SearchType), in one pass over the table; `take` returns False to stop.
  Status ForEachVisible(SearchType order, const std::function<bool(int32_t, const ProductRecord&)>& take,
                        DATA4* open = nullptr) const;
  // Appends the rows under ids from `firstId` on (taken from the svlprod.dbf counter
  // beforehand), under one hold of the append lock (AppendHeld); *appended counts the
  // rows stored, from the first.
  Status AppendAll(const std::vector<ProductRecord>& rows, int32_t firstId, size_t* appended,
                   DATA4* open = nullptr) const;
  // Appends the rows as AppendAll does, each with the Receive of its beginning
  // inventory: receipts[k] (ids from firstTranId on, set once stored) belongs to
  // rows[receiptOf[k]], in order (`openTran`: the transactions table). The Receives
  // are stored first, then the products, both under one hold of the products' append
  // lock: a writer stopped at any moment leaves no product without its Receive, at most
  // Receives whose product was never stored (RemoveOrphanReceives takes them away).
  // *appended counts the products stored, from the first; the Receives of the others
  // are deleted again. Both tables' append holds are given up, a caller's included.
  // The first failure is the result.
  Status AppendWithReceipts(const std::vector<ProductRecord>& rows, int32_t firstId, std::vector<TranRow>& receipts,
                            const std::vector<size_t>& receiptOf, int32_t firstTranId, size_t* appended,
                            DATA4* open = nullptr, DATA4* openTran = nullptr) const;
  // Deletes every beginning-inventory Receive (kBeginningNote) whose product is not
  // stored, each checked again under its lock while no product is being added (the
  // products' append lock held); *removed counts them. kLocked when another user is
  // adding products (nothing is deleted then).
  Status RemoveOrphanReceives(size_t* removed, DATA4* open = nullptr, DATA4* openTran = nullptr) const;
  // Rewrites the row of the id under its lock when the stored row, as locked, is still
  // the visible product `keys` knows under the id, with the part number and name read
  // (and, with `loaded`, equals it): else nothing is written, `keys` takes the stored
  // row in (a hidden or deleted one leaves it) and the result is kChanged (kNotFound
  // for a row no longer there).
  Status UpdateKnown(int32_t id, const ProductRecord& row, ProductKeys& keys, const ProductRecord* loaded = nullptr,
                     DATA4* open = nullptr) const;
  // Rewrites the row of the id under its lock. With `loaded` (the row as the caller read
  // it): kChanged when the stored row, once locked, differs from it; after the write
  // `loaded` holds the row as now stored.
  Status Update(int32_t id, const ProductRecord& row, DATA4* open = nullptr, ProductRecord* loaded = nullptr) const;

  static constexpr char kFile[] = "svlprod.dbf";
  // The note of the Receive that records a new product's beginning inventory.
  static constexpr char kBeginningNote[] = "Do not delete! Beginning Inventory recorded when the product was added.";

 private:
  Session session_;
};

}  // namespace store
