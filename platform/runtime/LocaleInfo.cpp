#include "platform/runtime/LocaleInfo.h"

namespace rt {

LocaleInfo LocaleInfo::Of(const QLocale& locale) {
  LocaleInfo info;
  info.decimalSeparator = locale.decimalPoint();
  info.groupSeparator = locale.groupSeparator();
  info.currencySymbol = locale.currencySymbol(QLocale::CurrencySymbol);
  info.negativeSign = locale.negativeSign();
  info.positiveSign = locale.positiveSign();
  if (info.decimalSeparator.isEmpty()) info.decimalSeparator = QStringLiteral(".");
  return info;
}

LocaleInfo LocaleInfo::Current() { return Of(QLocale()); }

LocaleInfo LocaleInfo::Stored() {
  LocaleInfo info;
  info.decimalSeparator = QStringLiteral(".");
  info.negativeSign = QStringLiteral("-");
  info.positiveSign = QStringLiteral("+");
  return info;
}

}  // namespace rt
