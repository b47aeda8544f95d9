#include "proppages/FontDialog.h"

#include <QFontDialog>

#include "platform/ui/ModalRunner.h"

namespace qvp {

std::optional<QFont> ChooseFont(const QFont& initial, QWidget* owner) {
  QFontDialog dialog(initial, owner);
  dialog.setObjectName(QStringLiteral("182"));
  dialog.setWindowTitle(QStringLiteral("Font"));
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  if (ui::RunModal(dialog, owner) != QDialog::Accepted) return std::nullopt;
  return dialog.currentFont();
}

}  // namespace qvp
