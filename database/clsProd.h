#pragma once
// clsProd: the product a window or an import works on (one row of svlprod in memory),
// with its save, load and look-up; it reads and writes through store::ProductRecord.
// Members are public and unchecked. A new record holds 0, "" and false (id 0 also
// counts as not stored); Init sets the ids to -1.
//
// Table handles: SaveProduct needs the caller's open products table; LoadProduct and
// LookupProduct take a DATA4* that, when null, makes them open and close the table
// themselves. Failures are reported through clsSystem::ShowError as
// "clsProd_<procedure>". User-interface thread only.
//
// The database object the record works on is passed in (by default the one of the
// run); the record reaches for no global of its own.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

#include "database/clsDB.h"
#include "database/store/Products.h"
#include "platform/runtime/Currency.h"

struct DATA4;

class clsProd {
 public:
  int32_t nProdId = 0;  // row id; below 1: not stored yet
  QString sPartNo;
  QString sProdName;
  int32_t nLocation = 0;  // list type 3
  int32_t nGroup = 0;     // list type 1
  rt::Currency curBeginningInventory;  // units received when the product is added; not stored
  bool bHide = false;
  rt::Currency curReOrderLevel;
  rt::Currency curReOrderQty;
  QString sLeadTime;
  int32_t nManuf = 0;   // list type 4
  int32_t nVendor = 0;  // list type 5
  rt::Currency curStdCost;
  rt::Currency curStdPrice;
  QString sCustom1;
  QString sCustom2;
  QString sCustom3;
  QString sCustom4;
  QString sNotes;

  // The row as LoadProduct read it (or as the last update wrote it); an update asks
  // the user before writing over another user's change made since. None: not read.
  std::optional<store::ProductRecord> loaded;

  void Init();
  // The record of the stored row of the id, as LoadProduct reads it.
  void Take(int32_t id, const store::ProductRecord& row);
  // The stored fields of the record, as a save writes them.
  store::ProductRecord Record() const;
  // "RECORD LOCKED: Unable to update product record!"
  static QString LockedText();

  // Adds the row (nProdId below 1: as AddProducts adds one, with the Receive of its
  // beginning inventory, both stored or neither; its new id then held in nProdId) or
  // rewrites the row of nProdId under its lock. True when the row was written.
  // Another user's change since the load is written over only when the user says so;
  // else the record is reloaded from the stored row (see `loaded`) and the result is
  // false. After a rewritten row, a beginning inventory above 0 is recorded as a
  // Receive (unless ignoreBI) through clsDB::AddTrans with tbTran (null: AddTrans opens
  // the table); false when that Receive was not saved (the row stays rewritten).
  bool SaveProduct(DATA4* tbProd, DATA4* tbTran, bool ignoreBI, clsDB& db = gDB());
  // Adds the products as SaveProduct adds one, together: their ids, and those of the
  // Receives of their beginning inventories, taken at once from the counters (in
  // order), then each product stored with its Receive or neither
  // (store::Products::AppendWithReceipts). The count of products, from the first,
  // that are stored; the others are not (nProdId below 1). No lock of the tables is
  // left, the caller's holds of their append locks included, also when a counter
  // failed; a failure is reported once they are given up, a table locked by another
  // user only when `tellLocked`.
  static size_t AddProducts(std::span<clsProd> products, DATA4* tbProd, DATA4* tbTran, bool ignoreBI,
                            clsDB& db = gDB(), bool tellLocked = true);
  // Fills the record from the row of nProdIDPass; false (no message) for an id below 1,
  // false after the not-found box for a missing row.
  bool LoadProduct(int32_t nProdIDPass, DATA4* tbProd, clsDB& db = gDB());
  // The product editor's load and save (SaveProduct with its beginning inventory):
  // the products, transactions and categories tables are opened together for the call;
  // false after "Unable to open the following table(s):" naming each that did not open.
  bool LoadForEdit(int32_t nProdIDPass, clsDB& db = gDB());
  bool SaveEdited(clsDB& db = gDB());
  // The id of the one visible product whose part number (eSearchType 1) or name (any
  // other value) equals the text as a whole, trimmed and without regard to case; -1
  // for none, several or a blank text; 0 when the table cannot be opened.
  int32_t LookupProduct(int32_t eSearchType, const QString& sSearchStr, DATA4* tb, clsDB& db = gDB());
};
