#include "services/mdlWinAPI.h"

#include <QByteArray>

namespace mdlWinAPI {

QString GetLocaleString(ui::LCID locale, int type) {
  const int needed = ui::GetLocaleInfoA(locale, type, nullptr, 0);
  if (needed <= 0) return {};
  QByteArray buffer(needed, ' ');
  const int written = ui::GetLocaleInfoA(locale, type, buffer.data(), needed);
  if (written <= 0) return {};
  return QString::fromUtf8(buffer.constData(), written - 1);
}

QString GetUserCurrencySymbol() {
  return GetLocaleString(ui::GetUserDefaultLCID(), ui::LOCALE_SCURRENCY);
}

QString GetUserMonThousandSep() {
  return GetLocaleString(ui::GetUserDefaultLCID(), ui::LOCALE_SMONTHOUSANDSEP);
}

}  // namespace mdlWinAPI
