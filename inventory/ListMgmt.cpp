#include "inventory/ListMgmt.h"

#include "database/clsDB.h"
#include "inventory/frmEditCategories.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/WindowRegistry.h"
#include "services/MainWindowHub.h"
#include "services/clsSystem.h"

namespace inventory {

QString ListCaption(const ListDef& list) {
  if (list.prefix == nullptr) return QLatin1String(list.caption);
  const QString name = gDB().ListName(list.type);
  return name.isEmpty() ? QLatin1String(list.caption) : (QLatin1String(list.prefix) + name).left(25);
}

void ListMgmt(const ListDef& list, bool bUnload) {
  if (bUnload) gSystem().UnloadAll(QStringLiteral("MAINFORM"));
  const QString caption = ListCaption(list);
  frmEditCategories dlg(HubWindow());
  dlg.Init(QStringLiteral("Edit ") + caption, caption, list.type, 1060);
  ui::SetTag(&dlg, QLatin1String(list.tag));
  ui::RunModal(dlg, HubWindow());
}

}  // namespace inventory
