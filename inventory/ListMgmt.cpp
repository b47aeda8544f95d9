#include "inventory/ListMgmt.h"

#include "database/clsDB.h"
#include "inventory/frmEditCategories.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/WindowRegistry.h"
#include "services/MainWindowHub.h"
#include "services/clsSystem.h"

namespace inventory {

namespace {
QString ReferringTable(const ListDef& list) {
  return list.productsRefer ? QStringLiteral("svlprod.dbf") : QStringLiteral("svltran.dbf");
}
}  // namespace

QString ListCaption(const ListDef& list) {
  if (list.prefix == nullptr) return QLatin1String(list.caption);
  clsDB& db = gDB();
  const QString name = db.GetParamValue(db.MakeCustomFieldParamName(ReferringTable(list), QLatin1String(list.referringCol)));
  return name.isEmpty() ? QLatin1String(list.caption) : (QLatin1String(list.prefix) + name).left(25);
}

void ListMgmt(const ListDef& list, bool bUnload) {
  if (bUnload) gSystem().UnloadAll(QStringLiteral("MAINFORM"));
  clsDB& db = gDB();
  const QString caption = ListCaption(list);
  frmEditCategories dlg(HubWindow());
  dlg.Init(QStringLiteral("Edit ") + caption, caption, QStringLiteral("svlcat.dbf"), db.CategoryTable(),
           QStringLiteral("rowid"), QStringLiteral("desc"), store::Code(list.type),
           list.productsRefer ? db.ProductsTable() : db.TranTable(), QLatin1String(list.referringCol), {}, {},
           1060);
  ui::SetTag(&dlg, QLatin1String(list.tag));
  ui::RunModal(dlg, HubWindow());
}

}  // namespace inventory
