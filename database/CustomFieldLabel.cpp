#include "database/CustomFieldLabel.h"

#include <QLabel>

#include "database/clsDB.h"
#include "platform/ui/DialogLook.h"

void SetCustomFieldLabel(QLabel& lbl, store::CustomField field) {
  QString name = gDB().CustomFieldName(field);
  if (name.isEmpty()) return;
  name = name.left(15);
  if (!name.endsWith(QLatin1Char(':'))) name += QLatin1Char(':');
  lbl.setText(lbl.buddy() != nullptr ? ui::LiteralMnemonicText(name) : name);
}
