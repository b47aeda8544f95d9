#include "platform/xbase/Number.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace xb {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Length(std::to_chars_result r, const char* buf) {
  return r.ec == std::errc() ? static_cast<int>(r.ptr - buf) : -1;
}

// The C library's reading of a long number or one with an exponent (correctly rounded),
// without its locale: a value beyond the double range is infinite, one below it 0.
double ReadLong(const char* first, const char* last) {
  double v = 0;
  const std::from_chars_result r = std::from_chars(first, last, v);
  if (r.ec == std::errc::result_out_of_range) {
    const char* e = first;
    while (e < r.ptr && *e != 'e' && *e != 'E') ++e;
    const bool tiny = e + 1 < r.ptr && e[1] == '-';
    v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return v;
}

}  // namespace

int FixedText(double value, int dec, char* buf, size_t size) {
  return Length(std::to_chars(buf, buf + size, value, std::chars_format::fixed, dec), buf);
}

int GeneralText(double value, int precision, char* buf, size_t size) {
  return Length(std::to_chars(buf, buf + size, value, std::chars_format::general, precision), buf);
}

size_t DecimalCommaAt(const char* p, size_t len, unsigned dec) {
  if (dec == 0 || len < dec + 2) return kNoDecimalComma;
  const size_t at = len - dec - 1;
  if (p[at] != ',') return kNoDecimalComma;
  for (size_t i = at + 1; i < len; ++i)
    if (!IsDigit(p[i])) return kNoDecimalComma;
  size_t i = 0;
  while (i < at && p[i] == ' ') ++i;
  if (i < at && p[i] == '-') ++i;
  if (i == at) return kNoDecimalComma;
  for (; i < at; ++i)
    if (!IsDigit(p[i])) return kNoDecimalComma;
  return at;
}

size_t RepairDecimalCommas(char* record, const std::vector<FieldDef>& fields) {
  size_t repaired = 0;
  for (const FieldDef& f : fields) {
    if (f.type != 'N' && f.type != 'F') continue;
    char* p = record + f.offset;
    if (const size_t at = DecimalCommaAt(p, f.len, f.dec); at != kNoDecimalComma) {
      p[at] = '.';
      ++repaired;
    }
  }
  return repaired;
}

double ParseNumber(const char* t, size_t len, unsigned dec) {
  if (const size_t at = DecimalCommaAt(t, len, dec); at != kNoDecimalComma) {
    char copy[256];
    if (len <= sizeof copy) {
      std::memcpy(copy, t, len);
      copy[at] = '.';
      return ParseNumber(copy, len);
    }
  }
  size_t i = 0;
  while (i < len && t[i] == ' ') ++i;
  bool neg = false;
  if (i < len && (t[i] == '-' || t[i] == '+')) {
    neg = t[i] == '-';
    ++i;
  }
  uint64_t mant = 0;
  int digits = 0, scale = 0;
  bool point = false;
  const size_t start = i;
  for (; i < len; ++i) {
    const char c = t[i];
    if (IsDigit(c)) {
      if (digits >= 15 || scale >= 19) break;
      mant = mant * 10 + static_cast<uint64_t>(c - '0');
      if (mant != 0) ++digits;
      if (point) ++scale;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  const bool plain = i == len || t[i] == ' ';
  if (!plain && (IsDigit(t[i]) || t[i] == 'e' || t[i] == 'E')) {
    // More digits than fit exactly, or an exponent.
    const double v = ReadLong(t + start, t + len);
    return neg ? -v : v;
  }
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                      1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
  double v = static_cast<double>(mant);
  if (scale > 0) v /= kPow10[scale];
  return neg ? -v : v;
}

}  // namespace xb
