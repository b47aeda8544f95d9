#include "exchange/CsvNumber.h"

#include <cmath>
#include <limits>

#include "platform/runtime/Convert.h"
#include "platform/runtime/DecimalDigits.h"

namespace {

// Below the largest currency value by a margin that the four-decimal rounding cannot cross.
constexpr double kCurrencyLimit = 9.2e14;

// The C-form text of a plain number (an optional "-", digits, at most one `point`
// followed by digits), which every reading takes alike; nullopt for any other text.
std::optional<QString> PlainCText(const QString& text, QChar point) {
  const qsizetype n = text.size();
  qsizetype i = n > 0 && text[0] == u'-' ? 1 : 0;
  const qsizetype start = i;
  qsizetype pointAt = -1;
  for (; i < n; ++i) {
    if (text[i] >= u'0' && text[i] <= u'9') continue;
    if (text[i] != point || pointAt >= 0) return std::nullopt;
    pointAt = i;
  }
  if (start == n || pointAt == start || pointAt == n - 1) return std::nullopt;
  if (pointAt < 0 || point == u'.') return text;
  QString c = text;
  c[pointAt] = u'.';
  return c;
}

// The value of a plain number (as PlainCText) short enough to need neither rounding nor
// the range check: at most 14 digits before `point` and 4 after it. nullopt for any
// other text.
std::optional<rt::Currency> ShortPlainNumber(const QString& text, QChar point) {
  const qsizetype n = text.size();
  qsizetype i = n > 0 && text[0] == u'-' ? 1 : 0;
  const bool negative = i == 1;
  int64_t whole = 0;
  int64_t fraction = 0;
  int wholeDigits = 0;
  int decimals = -1;  // none before the point is seen
  for (; i < n; ++i) {
    const char16_t c = text[i].unicode();
    if (c >= u'0' && c <= u'9') {
      if (decimals < 0) {
        if (++wholeDigits > 14) return std::nullopt;
        whole = whole * 10 + (c - u'0');
      } else {
        if (++decimals > 4) return std::nullopt;
        fraction = fraction * 10 + (c - u'0');
      }
    } else if (c == point.unicode() && decimals < 0 && wholeDigits > 0) {
      decimals = 0;
    } else {
      return std::nullopt;
    }
  }
  if (wholeDigits == 0 || decimals == 0) return std::nullopt;
  for (int d = std::max(decimals, 0); d < 4; ++d) fraction *= 10;
  const int64_t raw = whole * 10000 + fraction;
  return rt::Currency::FromRaw(negative ? -raw : raw);
}

}  // namespace

std::optional<rt::Currency> ReadCsvNumber(const QString& text, const rt::LocaleInfo& loc) {
  if (const std::optional<rt::Currency> value = ShortPlainNumber(text, u'.')) return value;
  std::optional<QString> number = PlainCText(text, u'.');
  const QChar point = loc.decimalSeparator.size() == 1 ? loc.decimalSeparator[0] : QChar(u'.');
  if (!number && point != u'.') {
    if (const std::optional<rt::Currency> value = ShortPlainNumber(text, point)) return value;
    number = PlainCText(text, point);
  }
  if (!number) number = rt::StrictNumericCText(text, loc);
  if (!number) return std::nullopt;
  const double approx = number->toDouble();
  if (!std::isfinite(approx) || std::fabs(approx) >= kCurrencyLimit) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    return rt::Currency::FromRaw(approx < 0 ? -kMax : kMax);
  }
  return rt::Currency::FromCText(*number);
}

QString WriteCsvNumber(rt::Currency value) {
  // The general text of 19 significant digits: every currency value has no more than
  // that, so it is the number itself, without the trailing zeros of its fraction.
  const int64_t raw = value.Raw();
  const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  QString text = raw < 0 ? QStringLiteral("-") : QString();
  text += QString::number(magnitude / 10000);
  uint64_t fraction = magnitude % 10000;
  if (fraction == 0) return text;
  int digits = 4;
  for (; fraction % 10 == 0; fraction /= 10) --digits;
  return text + QLatin1Char('.') + QStringLiteral("%1").arg(fraction, digits, 10, QLatin1Char('0'));
}
