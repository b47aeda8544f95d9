#include "database/ProductTables.h"

#include "database/clsDB.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"

namespace dbaccess {

bool ProductTables::Open(clsDB& db) {
  prod = db.OpenTable(db.ProductsTable());
  tran = db.OpenTable(db.TranTable());
  cat = db.OpenTable(db.CategoryTable());
  if (prod.ok() && tran.ok() && cat.ok()) return true;
  const QString crlf = gSystem().CRLF();
  QString msg = QStringLiteral("Unable to open the following table(s):") + gSystem().CRLF(2);
  if (!prod.ok()) msg += QStringLiteral("Products") + crlf;
  if (!tran.ok()) msg += QStringLiteral("Transactions") + crlf;
  if (!cat.ok()) msg += QStringLiteral("Categories") + crlf;
  for (store::Table* tb : {&prod, &tran, &cat}) tb->Close();
  ui::MsgBox(msg, ui::vbCritical);
  return false;
}

}  // namespace dbaccess
