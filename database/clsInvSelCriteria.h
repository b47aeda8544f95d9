#pragma once
// clsInvSelCriteria: which products an inventory report shows (field 4 of a type-1
// report record). A plain record: members are read and written directly.

#include <QString>
#include <cstdint>

class clsInvSelCriteria {
 public:
  int32_t m_nProductGroup = -1;     // list type 1; below 1 = all groups
  int32_t m_nProductLocation = -1;  // list type 3; below 1 = all locations
  int32_t m_udInvLevel = 0;         // InvLevel: 0 all, 1 not zero, 2 out of stock, 3 re-order
  int32_t m_udProdSearchByName = 0; // search field: 0 product name, 1 part number
  QString m_NameSearchStr;          // empty = no search
  int32_t m_udIndicate = 0;         // highlight: 0 none, 1 re-order, 2 out of stock

  void Init();
  // One line (ending in CR LF) per active criterion, with the database's captions;
  // empty when no criterion is active.
  QString Desc() const;
};
