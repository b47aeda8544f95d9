// Field access on the current record, and the small text utilities.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/EngineState.h"
#include "platform/xbase/Number.h"

using namespace xb::engine;

namespace {

const char kEmpty[] = "";

char* FieldBytes(FIELD4* f) { return f->data->rec.data() + f->def->offset; }

// Writes text right-aligned into the field; e4overflow (field unchanged) when too long.
int StoreRight(FIELD4* f, const char* text, size_t n) {
  if (n > f->def->len) return f->data->Fail(e4overflow);
  char* p = FieldBytes(f);
  std::memset(p, ' ', f->def->len - n);
  std::memcpy(p + (f->def->len - n), text, n);
  f->data->changed = true;
  return 0;
}

// The FixedText of a whole number of at most 15 digits (ids, counts and codes are most
// numbers stored), written digit by digit; 0 for any other value.
int WholeNumberText(double value, int dec, char* buf, size_t size) {
  // Minus zero ("-0") is left to FixedText.
  const bool whole = value == std::trunc(value) && std::fabs(value) < 1e15 && !(value == 0 && std::signbit(value));
  if (!whole || dec > 64) return 0;
  const auto [end, ec] = std::to_chars(buf, buf + size, static_cast<int64_t>(value));
  if (ec != std::errc()) return 0;
  char* p = end;
  if (dec > 0) {
    *p++ = '.';
    std::memset(p, '0', static_cast<size_t>(dec));
    p += dec;
  }
  return static_cast<int>(p - buf);
}

int StoreNumber(FIELD4* f, double value) {
  if (!std::isfinite(value)) return f->data->Fail(e4parm);
  char buf[400];
  const int dec = f->def->type == 'N' || f->def->type == 'F' ? f->def->dec : 0;
  int n = WholeNumberText(value, dec, buf, sizeof buf);
  if (n == 0) n = xb::FixedText(value, dec, buf, sizeof buf);
  if (n < 0) return f->data->Fail(e4overflow);
  return StoreRight(f, buf, static_cast<size_t>(n));
}

// The block number a memo field's bytes hold (0: none); false when they hold none.
bool MemoBlock(FIELD4* f, uint32_t* block) {
  const char* p = FieldBytes(f);
  *block = 0;
  for (size_t i = 0; i < f->def->len; ++i) {
    if (p[i] == ' ') continue;
    if (p[i] < '0' || p[i] > '9' || *block > 429496728u) return false;
    *block = *block * 10 + static_cast<uint32_t>(p[i] - '0');
  }
  return true;
}

// Does the current record's stored memo hold exactly these bytes? False when it cannot
// be read (it is then written anew).
bool StoredMemoIs(FIELD4* f, const char* bytes, unsigned len) {
  std::string read;
  const std::string* stored = &f->memo;
  if (f->memoLoaded) {
    if (f->memoError != 0) return false;
  } else {
    uint32_t block = 0;
    if (!MemoBlock(f, &block) || !f->data->memo->Read(block, &read).ok()) return false;
    stored = &read;
  }
  return std::string_view(*stored) == std::string_view(bytes ? bytes : "", len);
}

// Loads the current record's memo of a memo field (once per position).
void EnsureMemo(FIELD4* f) {
  if (f->memoLoaded) return;
  f->memoLoaded = true;
  f->memoError = 0;
  f->memo.clear();
  DATA4* d = f->data;
  if (!d->memo || d->eof || d->recno == 0) return;
  uint32_t block = 0;
  if (!MemoBlock(f, &block)) {
    f->memoError = d->Fail(xb::Status::Corrupt(xb::Damage::kMemo, "memo pointer is no block number"), e4data);
    return;
  }
  const xb::Status s = d->memo->Read(block, &f->memo);
  if (!s.ok()) {
    f->memo.clear();
    f->memoError = d->Fail(s, ErrorOf(s, e4read));
  }
}

}  // namespace

FIELD4* d4field(DATA4* d, const char* name) {
  if (!d) return nullptr;
  if (name) {
    const int i = xb::FindField(d->table->fields(), name);
    if (i >= 0) return d->fields[static_cast<size_t>(i)].get();
  }
  d->Fail(e4fieldName);
  return nullptr;
}

double f4double(FIELD4* f) {
  if (!f) return 0;
  const char* p = FieldBytes(f);
  switch (f->def->type) {
    case 'N':
    case 'F': return xb::ParseNumber(p, f->def->len, f->def->dec);
    case 'C': return xb::ParseNumber(p, f->def->len);
    case 'D': return xb::DateDayNumber(p);
    case 'L': return (p[0] == 'T' || p[0] == 't' || p[0] == 'Y' || p[0] == 'y') ? 1 : 0;
    default: return 0;
  }
}

namespace {
// The whole part of a number field's text of at most 15 digits, as ParseNumber reads it
// (truncated); false for the texts left to it (longer, an exponent, a second point). A
// decimal comma ends the whole part as the point does.
bool WholePart(const char* p, size_t len, long* out) {
  size_t i = xb::LeadingSpaces(p, len);
  const bool neg = i < len && p[i] == '-';
  if (i < len && (p[i] == '-' || p[i] == '+')) ++i;
  long v = 0;
  int digits = 0;
  for (; i < len && p[i] >= '0' && p[i] <= '9'; ++i) {
    if (++digits > 15) return false;
    v = v * 10 + (p[i] - '0');
  }
  if (i < len && p[i] == '.')
    for (++i; i < len && p[i] >= '0' && p[i] <= '9'; ++i)
      if (++digits > 15) return false;
  if (i < len && (p[i] == '.' || p[i] == 'e' || p[i] == 'E')) return false;
  *out = neg ? -v : v;
  return true;
}
}  // namespace

long f4long(FIELD4* f) {
  long whole = 0;
  if (f && (f->def->type == 'N' || f->def->type == 'F' || f->def->type == 'C') &&
      WholePart(FieldBytes(f), f->def->len, &whole))
    return whole;
  const double v = std::trunc(f4double(f));
  if (v >= 9.2e18) return 0x7FFFFFFFFFFFFFFFL;
  if (v <= -9.2e18) return -0x7FFFFFFFFFFFFFFFL;
  return static_cast<long>(v);
}

int f4assignLong(FIELD4* f, long value) {
  if (!f) return e4parm;
  int r = CheckWritable(f->data);
  if (r < 0) return r;
  if (f->def->type == 'M' || f->def->type == 'D' || f->def->type == 'L') return f->data->Fail(e4parm);
  if (f->def->type == 'N' || f->def->type == 'F') return StoreNumber(f, static_cast<double>(value));
  char buf[32];
  const char* end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  return StoreRight(f, buf, static_cast<size_t>(end - buf));
}

int f4assignDouble(FIELD4* f, double value) {
  if (!f) return e4parm;
  int r = CheckWritable(f->data);
  if (r < 0) return r;
  if (f->def->type == 'M' || f->def->type == 'D') return f->data->Fail(e4parm);
  if (f->def->type == 'L') {
    FieldBytes(f)[0] = value != 0 ? 'T' : 'F';
    f->data->changed = true;
    return 0;
  }
  return StoreNumber(f, value);
}

int f4assignNVB(FIELD4* f, const char* bytes, int len) {
  if (!f || (!bytes && len > 0)) return e4parm;
  if (f->def->type == 'M') return f4memoAssignN(f, bytes, len < 0 ? 0u : static_cast<unsigned>(len));
  int r = CheckWritable(f->data);
  if (r < 0) return r;
  const size_t n = len < 0 ? 0 : static_cast<size_t>(len);
  char* p = FieldBytes(f);
  switch (f->def->type) {
    case 'N':
    case 'F': {
      // A number given as text is stored as the number, right-aligned.
      size_t i = 0;
      while (i < n && bytes[i] == ' ') ++i;
      if (i == n) {
        std::memset(p, ' ', f->def->len);
        f->data->changed = true;
        return 0;
      }
      return StoreNumber(f, xb::ParseNumber(bytes, n));
    }
    case 'L': {
      const char c = n > 0 ? xb::AsciiUpper(bytes[0]) : ' ';
      p[0] = (c == 'T' || c == 'Y') ? 'T' : (c == 'F' || c == 'N') ? 'F' : ' ';
      break;
    }
    default: {
      const size_t k = n < f->def->len ? n : f->def->len;
      if (k > 0) std::memcpy(p, bytes, k);
      std::memset(p + k, ' ', f->def->len - k);
    }
  }
  f->data->changed = true;
  return 0;
}

int f4memoAssignN(FIELD4* f, const char* bytes, unsigned len) {
  if (!f || (!bytes && len > 0)) return e4parm;
  if (f->def->type != 'M') return f4assignNVB(f, bytes, static_cast<int>(len > 0x7FFFFFFF ? 0x7FFFFFFF : len));
  int r = CheckWritable(f->data);
  if (r < 0) return r;
  DATA4* d = f->data;
  if (!d->memo) return d->Fail(e4open);
  // A stored record's memo given the bytes it holds keeps its blocks: nothing to write.
  if (!d->appending && !d->eof && d->recno != 0 && !f->memoChanged && StoredMemoIs(f, bytes, len)) return 0;
  f->memo.assign(bytes ? bytes : kEmpty, len);
  f->memoLoaded = true;
  f->memoError = 0;
  f->memoChanged = true;
  f->data->changed = true;
  return 0;
}

unsigned long f4memoLenVB(FIELD4* f) {
  if (!f) return 0;
  if (f->def->type != 'M') return f->def->len;
  EnsureMemo(f);
  return f->memo.size();
}

const char* f4memoPtr(FIELD4* f) {
  if (!f) return nullptr;
  if (f->def->type != 'M') return FieldBytes(f);
  EnsureMemo(f);
  return f->memo.c_str();
}

int f4memoError(FIELD4* f) {
  if (!f || f->def->type != 'M') return 0;
  EnsureMemo(f);
  return f->memoError;
}

char* f4ptr(FIELD4* f) { return f ? FieldBytes(f) : nullptr; }
int f4len_v(FIELD4* f) { return f ? f->def->len : 0; }
int f4decimals(FIELD4* f) { return f && (f->def->type == 'N' || f->def->type == 'F') ? f->def->dec : 0; }
const char* f4name(FIELD4* f) { return f ? f->def->name.c_str() : nullptr; }

int date4format(const char* date, char* result, const char* picture) {
  if (!result || !picture) return e4parm;
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char d[8];
  const size_t dlen = date ? strnlen(date, 8) : 0;
  std::memset(d, ' ', sizeof d);
  if (dlen > 0) std::memcpy(d, date, dlen);
  bool valid = true;
  for (char c : d) valid = valid && c >= '0' && c <= '9';
  const size_t plen = std::strlen(picture);
  size_t i = 0;
  while (i < plen) {
    const char c = xb::AsciiUpper(picture[i]);
    size_t run = 1;
    while (i + run < plen && xb::AsciiUpper(picture[i + run]) == c) ++run;
    char* out = result + i;
    if (c == 'Y' || c == 'C') {
      // C and Y together make the year: CCYY or YYYY four digits, YY the last two.
      size_t total = run;
      if (c == 'C') {
        while (i + total < plen && xb::AsciiUpper(picture[i + total]) == 'Y') ++total;
      }
      for (size_t k = 0; k < total; ++k) {
        const size_t src = total >= 4 ? (k < 4 ? k : 4) : 4 - total + k;
        out[k] = (valid && src < 4) ? d[src] : ' ';
      }
      run = total;
    } else if (c == 'M' && run >= 3) {
      const int m = valid ? (d[4] - '0') * 10 + (d[5] - '0') : 0;
      for (size_t k = 0; k < run; ++k) out[k] = (m >= 1 && m <= 12 && k < 3) ? kMonths[m - 1][k] : ' ';
    } else if (c == 'M' || c == 'D') {
      const size_t at = c == 'M' ? 4 : 6;
      for (size_t k = 0; k < run; ++k) out[k] = (valid && k < 2) ? d[at + k] : ' ';
    } else {
      std::memcpy(out, picture + i, run);
    }
    i += run;
  }
  result[plen] = '\0';
  return 0;
}

int u4ncpy(char* dest, const char* src, unsigned size) {
  if (!dest || size == 0) return 0;
  const size_t n = src ? strnlen(src, size - 1) : 0;
  if (n > 0) std::memcpy(dest, src, n);
  dest[n] = '\0';
  return static_cast<int>(n);
}

void u4memCpy(void* dest, const void* src, unsigned len) {
  if (dest && src && len > 0) std::memmove(dest, src, len);
}
