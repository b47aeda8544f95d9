#include "inventory/ProductTables.h"

#include "database/clsDB.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

namespace inventory {

bool ProductTables::Open() {
  clsDB& db = gDB();
  prod = db.OpenTable(db.ProductsTable());
  tran = db.OpenTable(db.TranTable());
  cat = db.OpenTable(db.CategoryTable());
  if (prod != nullptr && tran != nullptr && cat != nullptr) return true;
  const QString crlf = gSystem().CRLF();
  QString msg = QStringLiteral("Unable to open the following table(s):") + gSystem().CRLF(2);
  if (prod == nullptr) msg += QStringLiteral("Products") + crlf;
  if (tran == nullptr) msg += QStringLiteral("Transactions") + crlf;
  if (cat == nullptr) msg += QStringLiteral("Categories") + crlf;
  Close();
  ui::MsgBox(msg, ui::vbCritical);
  return false;
}

void ProductTables::Close() {
  for (DATA4** tb : {&prod, &tran, &cat}) {
    if (*tb != nullptr) d4close(*tb);
    *tb = nullptr;
  }
}

}  // namespace inventory
