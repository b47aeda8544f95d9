#include "platform/runtime/DecimalDigits.h"

#include <cmath>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace rt {

namespace {

// Removes leading and trailing zeros, adjusting the exponent.
void Normalize(DecimalDigits& d) {
  size_t lead = 0;
  while (lead < d.digits.size() && d.digits[lead] == '0') ++lead;
  d.digits.erase(0, lead);
  d.intDigits -= static_cast<int>(lead);
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) {
    d.intDigits = 0;
    d.negative = false;
  }
}

}  // namespace

DecimalDigits DecimalDigits::FromDouble(double value) {
  DecimalDigits d;
  if (!std::isfinite(value) || value == 0.0) return d;
  d.negative = value < 0;
  // d.dddddddddddddde±XX, independent of the C library's locale
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
  const char* p = buf;
  for (; p != res.ptr && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.digits += *p;
  int exp = 0;
  if (p != res.ptr) std::from_chars(p + (p[1] == '+' ? 2 : 1), res.ptr, exp);
  d.intDigits = exp + 1;
  Normalize(d);
  return d;
}

DecimalDigits DecimalDigits::FromScaled(int64_t value, int scale) {
  DecimalDigits d;
  d.negative = value < 0;
  // Magnitude without overflow for INT64_MIN.
  uint64_t mag = d.negative ? (~static_cast<uint64_t>(value) + 1u) : static_cast<uint64_t>(value);
  d.digits = std::to_string(mag);
  d.intDigits = static_cast<int>(d.digits.size()) - scale;
  Normalize(d);
  return d;
}

std::optional<DecimalDigits> DecimalDigits::FromCText(QStringView text) {
  DecimalDigits d;
  qsizetype i = 0;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) d.negative = text[i++] == u'-';
  bool point = false, any = false;
  int fracDigits = 0;
  for (; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c >= u'0' && c <= u'9') {
      d.digits += static_cast<char>(c.unicode());
      any = true;
      if (point) ++fracDigits;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any) return std::nullopt;
  long exp = 0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) neg = text[i++] == u'-';
    const qsizetype start = i;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
      if (exp < 100000) exp = exp * 10 + (text[i].unicode() - u'0');
    if (i == start) return std::nullopt;
    if (neg) exp = -exp;
  }
  if (i != text.size()) return std::nullopt;
  d.intDigits = static_cast<int>(d.digits.size()) - fracDigits + static_cast<int>(exp);
  Normalize(d);
  return d;
}

DecimalDigits DecimalDigits::Rounded(int decimals, Rounding mode) const {
  DecimalDigits r = *this;
  const long keep = static_cast<long>(intDigits) + decimals;
  if (keep >= static_cast<long>(digits.size())) return r;
  if (keep < 0) return DecimalDigits{};
  const int next = digits[static_cast<size_t>(keep)] - '0';
  bool up = false;
  if (mode == Rounding::HalfAwayFromZero) {
    up = next >= 5;
  } else {
    const bool restNonZero = digits.find_first_not_of('0', static_cast<size_t>(keep) + 1) !=
                             std::string::npos;
    const int prev = keep > 0 ? digits[static_cast<size_t>(keep) - 1] - '0' : 0;
    up = next > 5 || (next == 5 && (restNonZero || prev % 2 == 1));
  }
  r.digits.resize(static_cast<size_t>(keep));
  if (up) {
    long k = keep - 1;
    while (k >= 0 && r.digits[static_cast<size_t>(k)] == '9') r.digits[static_cast<size_t>(k--)] = '0';
    if (k >= 0) {
      ++r.digits[static_cast<size_t>(k)];
    } else {
      r.digits.insert(r.digits.begin(), '1');
      ++r.intDigits;
    }
  }
  Normalize(r);
  if (!r.IsZero()) r.negative = negative;
  return r;
}

std::string DecimalDigits::IntegerPart() const {
  if (intDigits <= 0) return {};
  std::string s = digits.substr(0, static_cast<size_t>(intDigits));
  s.append(static_cast<size_t>(intDigits) - s.size(), '0');
  return s;
}

std::string DecimalDigits::FractionPart(int count) const {
  std::string s;
  for (int k = 0; k < count; ++k) {
    const long idx = static_cast<long>(intDigits) + k;
    s += (idx >= 0 && idx < static_cast<long>(digits.size())) ? digits[static_cast<size_t>(idx)] : '0';
  }
  return s;
}

std::optional<int64_t> DecimalDigits::ToScaled(int scale, Rounding mode) const {
  const DecimalDigits r = Rounded(scale, mode);
  const std::string all = r.IntegerPart() + r.FractionPart(scale);
  unsigned __int128 mag = 0;
  for (char c : all) {
    mag = mag * 10 + static_cast<unsigned>(c - '0');
    if (mag > static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max()) + 1) return std::nullopt;
  }
  if (!r.negative && mag > static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max()))
    return std::nullopt;
  if (r.negative) return static_cast<int64_t>(-static_cast<__int128>(mag));
  return static_cast<int64_t>(mag);
}

double DecimalDigits::ToDouble() const {
  if (IsZero()) return 0.0;
  const std::string text = std::string(negative ? "-0." : "0.") + digits + "e" + std::to_string(intDigits);
  double v = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), v);  // locale-independent
  return v;
}

QString DecimalDigits::GeneralText(const QString& decimalPoint, int significant) const {
  const DecimalDigits r = Rounded(significant - intDigits, Rounding::HalfEven);
  if (r.IsZero()) return QStringLiteral("0");
  QString out = r.negative ? QStringLiteral("-") : QString();
  if (r.intDigits > significant || r.intDigits < -4) {
    out += QChar(r.digits[0]);
    if (r.digits.size() > 1) out += decimalPoint + QString::fromLatin1(r.digits.substr(1));
    const int exp = r.intDigits - 1;
    out += exp < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
    out += QStringLiteral("%1").arg(std::abs(exp), 2, 10, QChar(u'0'));
    return out;
  }
  const std::string ip = r.IntegerPart();
  out += ip.empty() ? QStringLiteral("0") : QString::fromLatin1(ip);
  const int frac = static_cast<int>(r.digits.size()) - r.intDigits;
  if (frac > 0) out += decimalPoint + QString::fromLatin1(r.FractionPart(frac));
  return out;
}

}  // namespace rt
