#pragma once
// The six pick lists and their editor: each list is one constant (its tag, built-in
// caption and list type); ListCaption gives the caption the database's own name for
// the list makes of it, the one the menus, the list bar and the editor show.
// User-interface thread only.

#include <QString>

#include "database/store/Codes.h"

namespace inventory {

struct ListDef {
  const char* tag;      // the editor's tag and the list-bar key
  const char* caption;  // the built-in caption
  // The caption's first word before a name of the database's own ("Product "), or null
  // where the list has no such name.
  const char* prefix;
  store::ListType type;
};

inline constexpr ListDef kProductGroups{"PRODUCTCATEGORIES", "Product Groups", "Product ",
                                        store::ListType::kProductGroup};
inline constexpr ListDef kProductLocations{"PRODUCTLOCATIONS", "Product Locations", "Product ",
                                           store::ListType::kLocation};
inline constexpr ListDef kProductManufacturers{"PRODUCTMANUFACTURERS", "Product Manufacturers", nullptr,
                                               store::ListType::kManufacturer};
inline constexpr ListDef kProductVendors{"PRODUCTVENDORS", "Product Vendors", nullptr, store::ListType::kVendor};
inline constexpr ListDef kTransactionCategories{"TRANSACTIONCATEGORIES", "Transaction Categories",
                                                "Transaction ", store::ListType::kTranCategory};
inline constexpr ListDef kTransactionAccounts{"TRANSACTIONACCOUNTS", "Transaction Accounts", "Transaction ",
                                              store::ListType::kTranAccount};

// The built-in caption, or the prefix and the name the open database stores for the
// list, cut to 25 characters.
QString ListCaption(const ListDef& list);

// Opens the list editor ("Edit " and the caption) modally on the hub's window, tagged
// with the list's tag; bUnload closes every other window first.
void ListMgmt(const ListDef& list, bool bUnload);

}  // namespace inventory
