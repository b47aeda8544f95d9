#include "platform/runtime/Currency.h"

#include <cmath>
#include <limits>

#include "platform/runtime/Convert.h"
#include "platform/runtime/DecimalDigits.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/LocaleInfo.h"

namespace rt {

namespace {

constexpr __int128 kMin = std::numeric_limits<int64_t>::min();
constexpr __int128 kMax = std::numeric_limits<int64_t>::max();

int64_t Checked(__int128 v) {
  if (v < kMin || v > kMax) Raise(kErrOverflow);
  return static_cast<int64_t>(v);
}

// num / den rounded half to even; den != 0.
template <class Int>
Int DivideHalfEven(Int num, Int den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  Int q = num / den;
  const Int r = num % den;  // same sign as num
  const Int twice = (r < 0 ? -r : r) * 2;
  if (twice > den || (twice == den && (q % 2 != 0))) q += (num < 0 ? -1 : 1);
  return q;
}

Currency FromDigits(const DecimalDigits& d) {
  const auto raw = d.ToScaled(4, Rounding::HalfEven);
  if (!raw) Raise(kErrOverflow);
  return Currency::FromRaw(*raw);
}

}  // namespace

int64_t Currency::ScaleUnits(int64_t units) { return Checked(static_cast<__int128>(units) * kScale); }

Currency Currency::FromDouble(double value) {
  if (!std::isfinite(value)) Raise(kErrOverflow);
  return FromDigits(DecimalDigits::FromDouble(value));
}

Currency Currency::FromCText(const QString& text) {
  const auto d = DecimalDigits::FromCText(text);
  if (!d) Raise(kErrTypeMismatch);
  return FromDigits(*d);
}

double Currency::ToDouble() const { return static_cast<double>(raw_) / kScale; }

QString Currency::ToString() const {
  return DecimalDigits::FromScaled(raw_, 4).GeneralText(LocaleInfo::Current().decimalSeparator, 19);
}

Currency Currency::operator-() const { return FromRaw(Checked(-static_cast<__int128>(raw_))); }

Currency& Currency::operator+=(Currency other) {
  raw_ = Checked(static_cast<__int128>(raw_) + other.raw_);
  return *this;
}

Currency& Currency::operator-=(Currency other) {
  raw_ = Checked(static_cast<__int128>(raw_) - other.raw_);
  return *this;
}

Currency& Currency::operator*=(Currency other) {
  raw_ = Checked(DivideHalfEven<__int128>(static_cast<__int128>(raw_) * other.raw_, kScale));
  return *this;
}

Currency& Currency::operator/=(Currency other) {
  if (other.raw_ == 0) Raise(kErrDivByZero);
  raw_ = Checked(DivideHalfEven<__int128>(static_cast<__int128>(raw_) * kScale, other.raw_));
  return *this;
}

Currency CCur(const QString& text) {
  const auto plain = NumericCText(text);
  if (!plain) Raise(kErrTypeMismatch);
  return Currency::FromCText(*plain);
}

Currency CCur(double value) { return Currency::FromDouble(value); }

double ProductToDouble(Currency a, Currency b) {
  // In 64 bits where the product fits (no 128-bit division).
  if (int64_t product = 0; !__builtin_mul_overflow(a.Raw(), b.Raw(), &product) && product != kMin)
    return static_cast<double>(DivideHalfEven<int64_t>(product, Currency::kScale)) / Currency::kScale;
  return static_cast<double>(DivideHalfEven<__int128>(static_cast<__int128>(a.Raw()) * b.Raw(), Currency::kScale)) /
         Currency::kScale;
}

}  // namespace rt
