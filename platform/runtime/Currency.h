#pragma once
// Currency: a fixed-point amount with four decimals held as a 64-bit integer scaled by
// 10000 (range -922337203685477.5808 .. 922337203685477.5807). Arithmetic is exact
// (128-bit intermediates); results out of range throw VbError(kErrOverflow), division
// by zero VbError(kErrDivByZero). Conversions from double and text round the decimal
// value half to even at the fourth decimal. A value type; thread-compatible.

#include <QMetaType>
#include <QString>
#include <compare>
#include <concepts>
#include <cstdint>

namespace rt {

class Currency {
 public:
  constexpr Currency() = default;
  // Whole units: Currency(5) is 5.0000. Doubles go through FromDouble (rounding).
  template <std::integral T>
  explicit Currency(T units) : raw_(ScaleUnits(static_cast<int64_t>(units))) {}
  template <std::floating_point T>
  explicit Currency(T) = delete;

  static constexpr int64_t kScale = 10000;
  static constexpr Currency FromRaw(int64_t raw) {
    Currency c;
    c.raw_ = raw;
    return c;
  }
  static Currency FromDouble(double value);
  // C-form text ("-12.34", "1e3"), as NumericCText gives; throws on bad text.
  static Currency FromCText(const QString& text);

  constexpr int64_t Raw() const { return raw_; }
  double ToDouble() const;
  // Up to four decimals without trailing zeros, the locale's decimal separator (CStr).
  QString ToString() const;

  Currency operator-() const;
  Currency& operator+=(Currency other);
  Currency& operator-=(Currency other);
  Currency& operator*=(Currency other);
  Currency& operator/=(Currency other);
  friend Currency operator+(Currency a, Currency b) { return a += b; }
  friend Currency operator-(Currency a, Currency b) { return a -= b; }
  friend Currency operator*(Currency a, Currency b) { return a *= b; }
  friend Currency operator/(Currency a, Currency b) { return a /= b; }

  friend constexpr bool operator==(Currency a, Currency b) = default;
  friend constexpr auto operator<=>(Currency a, Currency b) = default;

 private:
  static int64_t ScaleUnits(int64_t units);
  int64_t raw_ = 0;
};

// The text as a currency value, read like CDbl in the user's locale but keeping every
// digit (through NumericCText), so the extreme values read exactly;
// VbError(kErrTypeMismatch) when not numeric, VbError(kErrOverflow) out of range.
Currency CCur(const QString& text);
Currency CCur(double value);

// a x b rounded half to even at the fourth decimal, as a * b is, as a double (what
// (a * b).ToDouble() gives); also beyond the currency range, where a * b overflows.
double ProductToDouble(Currency a, Currency b);

}  // namespace rt

Q_DECLARE_METATYPE(rt::Currency)
