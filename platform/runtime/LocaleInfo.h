#pragma once
// The user's number settings, read from QLocale() (the default locale). Separators
// may be empty (a C-like locale); callers must cope with that.

#include <QLocale>
#include <QString>

namespace rt {

struct LocaleInfo {
  QString decimalSeparator;   // "." in en_US, "," in de_DE
  QString groupSeparator;     // "," in en_US, "." in de_DE; may be empty
  QString currencySymbol;     // "$", "€"; may be empty
  QString negativeSign;       // "-" or the locale's minus
  QString positiveSign;       // "+"

  // The settings of QLocale() at the time of the call.
  static LocaleInfo Current();
  static LocaleInfo Of(const QLocale& locale);
  // The settings of stored text: "." as decimal point, no grouping, no currency symbol.
  static LocaleInfo Stored();
};

}  // namespace rt
