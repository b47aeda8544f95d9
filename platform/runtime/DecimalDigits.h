#pragma once
// A number as decimal digits: the exact form that rounding to a number of decimals,
// Currency conversion and Format work on, so that they round the decimal value the
// user sees rather than its nearest binary double (1.005 formats as 1.01 at two places).
// value = (negative ? -1 : 1) * 0.d1d2d3... * 10^intDigits; digits carry no leading or
// trailing zeros, and zero has no digits.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace rt {

enum class Rounding { HalfEven, HalfAwayFromZero };

struct DecimalDigits {
  bool negative = false;
  std::string digits;  // '0'..'9'
  int intDigits = 0;   // digits before the decimal point (may be <= 0 or > digits.size())

  bool IsZero() const { return digits.empty(); }

  // A finite double read with 15 significant digits (the precision it is shown with).
  static DecimalDigits FromDouble(double value);
  // A 64-bit integer divided by 10^scale, exactly.
  static DecimalDigits FromScaled(int64_t value, int scale);
  // C-form text: optional sign, digits with at most one '.', optional e/E exponent.
  static std::optional<DecimalDigits> FromCText(QStringView text);

  // Rounded to `decimals` places after the point.
  DecimalDigits Rounded(int decimals, Rounding mode) const;
  // The digits before the point ("" for none) and `count` digits after it (zero-padded).
  std::string IntegerPart() const;
  std::string FractionPart(int count) const;
  // value * 10^scale as int64 after rounding to `scale` decimals; nullopt on overflow.
  std::optional<int64_t> ToScaled(int scale, Rounding mode) const;
  double ToDouble() const;

  // Shortest general form with up to `significant` digits (15: as CStr shows a
  // double): no grouping, `decimalPoint` between the parts, "E+n" / "E-n" exponents
  // below 1E-5 and from 10^significant.
  QString GeneralText(const QString& decimalPoint, int significant = 15) const;
};

}  // namespace rt
