#pragma once
// The numbered codes of the database layer as named values. The numbers are the
// stored values (table fields, parameters, report definitions) and the numbers the
// facade's callers pass; convert with Code() and the static_cast of a stored number.

#include <cstdint>

namespace store {

// svltran.trantype. Any other stored number reads "Unknown".
enum class TranType : int32_t { kOnOrder = 1, kReceive = 2, kShrinkage = 3, kShip = 4, kAllocate = 5 };

// svlcat.type: the list a category entry belongs to (6 is not used).
enum class ListType : int32_t {
  kProductGroup = 1,
  kTranCategory = 2,
  kLocation = 3,
  kManufacturer = 4,
  kVendor = 5,
  kTranAccount = 7,
};

// The fields whose caption the database may rename (Preferences): products' part
// number, location, group and custom fields, transactions' notes, category and account.
enum class CustomField : int32_t {
  kPartNo,
  kLocation,
  kGroup,
  kCustom1,
  kCustom2,
  kCustom3,
  kCustom4,
  kTranNotes,
  kTranCategory,
  kTranAccount,
};

// What a save does with its record.
enum class SaveOper : int32_t { kAdd = 0, kUpdate = 1, kDelete = 2 };

// How a look-up key is sought: 2 as a number, any other kind as text.
enum class KeyKind : int32_t { kText = 1, kNumber = 2 };

// The report definition types.
enum class ReportType : int32_t { kInventory = 1, kTransactions = 2 };

// Which standard amount of a product.
enum class AmountType : int32_t { kStdCost = 1, kStdPrice = 2 };

// The stock level a product list is limited to.
enum class InvLevel : int32_t { kAll = 0, kAvailable = 1, kOutOfStock = 2, kReorder = 3 };

// What a product search compares the text with.
enum class SearchType : int32_t { kPartNo = 1, kName = 2 };

template <class E>
constexpr int32_t Code(E e) {
  return static_cast<int32_t>(e);
}

}  // namespace store
