#include "services/mdlHelper.h"

#include <QComboBox>

#include "platform/runtime/Convert.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Shell.h"
#include "services/clsSystem.h"

namespace mdlHelper {

int ShellOpen(const QString& target, const QString& params) {
  return ui::ShellExecute(QStringLiteral("open"), target, params, QString(), ui::SW_SHOWNORMAL);
}

void HlpShellOpen(const QString& target) { ShellOpen(target); }

bool HlpFileExists(const QString& path) { return gSystem().FileExists(path); }

bool HlpDirExists(const QString& path) { return gSystem().DirExists(path); }

int16_t HlpNotBelowZero(int16_t value) { return value < 0 ? int16_t{0} : value; }

void HlpCboSelectAtID(QComboBox* cbo, int32_t id) {
  if (cbo == nullptr) return;
  for (int row = 0; row < cbo->count(); ++row) {
    if (cbo->itemData(row).toInt() == id) {
      cbo->setCurrentIndex(row);
      return;
    }
  }
}

int32_t HlpCboGetItemID(const QComboBox* cbo) {
  if (cbo == nullptr || cbo->currentIndex() < 0) return -1;
  return cbo->itemData(cbo->currentIndex()).toInt();
}

int16_t HlpScreenWidthPix() {
  const double twips = rt::RoundHalfEven(ui::ScreenWidthTwips());
  return rt::CInt(twips * (1.0 / ui::TwipsPerPixelX()));
}

bool HlpIsLowRes() { return HlpScreenWidthPix() < 800; }

}  // namespace mdlHelper
