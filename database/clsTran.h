#pragma once
// clsTran: one inventory transaction (one row of svltran) in memory. A plain record:
// every member is public and unchecked; clsDB::SaveTran / GetTran move it to and from
// its row. Creating one runs Init.

#include <QString>
#include <cstdint>
#include <optional>

#include "database/store/Transactions.h"
#include "platform/runtime/Currency.h"

class clsTran {
 public:
  clsTran() { Init(); }

  int32_t nTranID = -1;      // row id; -1 until stored
  int32_t nProdId = -1;      // product row id
  QString sDate;             // short date text
  int32_t udTranType = -1;   // 1 On Order, 2 Receive, 3 Shrinkage, 4 Ship, 5 Allocate
  rt::Currency curUnits;
  rt::Currency curUnitPrice;  // cost per unit (1, 2) or price per unit (4, 5)
  QString sNote;
  int32_t nCatID = -1;       // transaction category (list type 2)
  int32_t nAcctID = -1;      // transaction account (list type 7), stored in shipmethod

  // The row as GetTran read it (or as the last update wrote it); an update asks the
  // user before writing over another user's change made since. None: not read.
  std::optional<store::TranRow> loaded;

  // Ids and type -1, today's short date, zero amounts, empty note, nothing loaded.
  void Init();
};

// True when units × amount per unit is a currency value (at most 922,337,203,685,477
// either way). Every figure made from a row (its value, its product's stock values)
// starts from that product, so an entry whose value does not fit is refused where it
// is entered or imported.
bool TranValueFits(rt::Currency curUnits, rt::Currency curUnitPrice);
// The refusal of such an entry, naming its two fields as the user knows them.
QString TranValueTooLargeText(const QString& sUnitsField, const QString& sAmountField);
// The refusal of an entry that would make its product's stock figures (its running
// totals of units and values) too large to be recorded, naming the product.
QString TranFiguresTooLargeText(const QString& sProduct);
// The stock check's answer when the product's physical stock cannot be worked out.
QString StockUnknownText(const QString& sProduct);
