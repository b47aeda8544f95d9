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

#include "database/store/Codes.h"
#include "database/store/Result.h"
#include "database/store/Session.h"
#include "platform/runtime/Currency.h"

struct DATA4;

namespace store {

struct ProductName {
  QString name;    // trimmed
  QString partNo;  // trimmed
};

class Products {
 public:
  explicit Products(const Session& session) : session_(session) {}

  Result<ProductName> Name(int32_t id, DATA4* open = nullptr) const;
  // The row id of the product with the part number.
  Result<int32_t> IdByPartNo(const QString& partNo, DATA4* open = nullptr) const;
  // True when a product other than `exceptId` has the part number.
  Result<bool> PartNoTaken(const QString& partNo, int32_t exceptId, DATA4* open = nullptr) const;
  // The standard cost or price; 0 for any other amount type.
  Result<rt::Currency> StdAmount(int32_t id, AmountType type, DATA4* open = nullptr) const;
  // Sets the hidden flag under the row's lock.
  Status Hide(int32_t id, DATA4* open = nullptr) const;

  static constexpr char kFile[] = "svlprod.dbf";

 private:
  const Session& session_;
};

}  // namespace store
