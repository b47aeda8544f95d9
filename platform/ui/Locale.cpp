#include "platform/ui/Locale.h"

#include <QByteArray>
#include <QLocale>
#include <cstring>
#include <optional>

#include "platform/runtime/LocaleInfo.h"

namespace ui {
namespace {

std::optional<QString> Value(int type) {
  const QLocale locale;
  const rt::LocaleInfo info = rt::LocaleInfo::Of(locale);
  switch (type) {
    case LOCALE_SDECIMAL:
    case LOCALE_SMONDECIMALSEP:
      return info.decimalSeparator;
    case LOCALE_STHOUSAND:
    case LOCALE_SMONTHOUSANDSEP:
      return info.groupSeparator;
    case LOCALE_SCURRENCY:
      return info.currencySymbol;
    case LOCALE_SSHORTDATE:
      return locale.dateFormat(QLocale::ShortFormat);
    case LOCALE_SLONGDATE:
      return locale.dateFormat(QLocale::LongFormat);
    default:
      return std::nullopt;
  }
}

}  // namespace

LCID GetUserDefaultLCID() { return LOCALE_USER_DEFAULT; }

int GetLocaleInfoA(LCID lcid, int type, char* buffer, int length) {
  if (lcid != 0 && lcid != LOCALE_USER_DEFAULT && lcid != LOCALE_SYSTEM_DEFAULT) return 0;
  if (length < 0 || (length > 0 && buffer == nullptr)) return 0;
  const std::optional<QString> value = Value(type);
  if (!value) return 0;
  const QByteArray bytes = value->toUtf8();
  const int needed = static_cast<int>(bytes.size()) + 1;
  if (length == 0) return needed;
  if (length < needed) return 0;
  std::memcpy(buffer, bytes.constData(), bytes.size());
  buffer[bytes.size()] = '\0';
  return needed;
}

}  // namespace ui
