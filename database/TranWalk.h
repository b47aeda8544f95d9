#pragma once
// A walk of the transactions table for a window that lists transactions with the names
// of their products: the object opens the products and the transactions table (in that
// order, stopping at the first that does not open, after its "Unable to open: " box)
// and closes them when it goes. User-interface thread only.

#include <QString>
#include <cstdint>
#include <optional>

#include "database/clsDB.h"
#include "database/store/Scans.h"

class TranWalk {
 public:
  explicit TranWalk(clsDB& db = gDB());
  TranWalk(const TranWalk&) = delete;
  TranWalk& operator=(const TranWalk&) = delete;

  // Whether both tables opened.
  bool ok() const { return tran_.ok(); }
  // The scan of the transactions, made on first use (only while ok(); its field
  // look-ups throw as the scan's do).
  store::TranScan& scan();
  // The product's name and part number (clsDB::GetProductName on the walk's table).
  bool ProductName(int32_t nProdId, QString& sName, QString& sPartNo);

 private:
  clsDB& db_;
  store::Table prod_;
  store::Table tran_;
  std::optional<store::TranScan> scan_;
};
