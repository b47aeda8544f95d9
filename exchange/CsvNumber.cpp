#include "exchange/CsvNumber.h"

#include <cmath>
#include <limits>

#include "platform/runtime/Convert.h"
#include "platform/runtime/DecimalDigits.h"

namespace {

// Below the largest currency value by a margin that the four-decimal rounding cannot cross.
constexpr double kCurrencyLimit = 9.2e14;

}  // namespace

std::optional<rt::Currency> ReadCsvNumber(const QString& text, const rt::LocaleInfo& loc) {
  std::optional<QString> number = rt::StrictNumericCText(text, loc);
  if (!number && loc.decimalSeparator != QLatin1String(".") && loc.groupSeparator != QLatin1String(".")) {
    rt::LocaleInfo point = loc;
    point.decimalSeparator = QStringLiteral(".");
    number = rt::StrictNumericCText(text, point);
  }
  if (!number) return std::nullopt;
  const double approx = number->toDouble();
  if (!std::isfinite(approx) || std::fabs(approx) >= kCurrencyLimit) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    return rt::Currency::FromRaw(approx < 0 ? -kMax : kMax);
  }
  return rt::Currency::FromCText(*number);
}

QString WriteCsvNumber(rt::Currency value) {
  return rt::DecimalDigits::FromScaled(value.Raw(), 4).GeneralText(QStringLiteral("."), 19);
}
