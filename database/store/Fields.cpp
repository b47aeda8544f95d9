#include "database/store/Fields.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "database/store/Session.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Bytes.h"
#include "platform/xbase/Engine.h"
#include "platform/xbase/Number.h"

namespace store {

FIELD4* FieldOf(DATA4* tb, const char* name) {
  FIELD4* f = d4field(tb, name);
  if (f == nullptr) {
    throw rt::VbError(e4fieldName, QStringLiteral("d4field"),
                      EngineCodeText(e4fieldName) + QStringLiteral(": ") + rt::FromCp1252(name));
  }
  return f;
}

QString Text(FIELD4* f) {
  const char* p = f4ptr(f);
  const int n = f4len_v(f);
  if (p == nullptr || n <= 0) return {};
  return rt::FromCp1252(std::string_view(p, static_cast<size_t>(n)));
}

QString TrimmedText(FIELD4* f) {
  const char* p = f4ptr(f);
  const int n = f4len_v(f);
  if (p == nullptr || n <= 0) return {};
  const auto space = [](char b) { return QChar::isSpace(rt::Cp1252Char(static_cast<unsigned char>(b))); };
  const char* begin = p;
  const char* end = p + n;
  while (begin < end && space(*begin)) ++begin;
  while (end > begin && space(end[-1])) --end;
  return rt::FromCp1252(std::string_view(begin, static_cast<size_t>(end - begin)));
}

QString Memo(FIELD4* f) {
  // A note that cannot be read is an error, never an empty note.
  if (const int rc = f4memoError(f); rc < 0) {
    const QString text = QStringLiteral("The note of this row cannot be read. ") +
                         DamageText(e4data, reason4memo);
    throw rt::VbError(rc, QStringLiteral("f4memoPtr"), text).WithAdvice(text);
  }
  const unsigned long n = f4memoLenVB(f);
  const char* p = f4memoPtr(f);
  if (p == nullptr || n == 0) return {};
  return rt::FromCp1252(std::string_view(p, n));
}

bool MemoReadable(FIELD4* f) { return f4memoError(f) >= 0; }

bool HasMemo(FIELD4* f) {
  const char* ref = f4ptr(f);
  const int n = f4len_v(f);
  for (int i = static_cast<int>(xb::LeadingSpaces(ref, static_cast<size_t>(n))); i < n; ++i)
    if (ref[i] != ' ' && ref[i] != '\0' && ref[i] != '0') return true;
  return false;
}

int32_t Long32(FIELD4* f) {
  const long v = f4long(f);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    rt::Raise(rt::kErrOverflow);
  }
  return static_cast<int32_t>(v);
}

namespace {

// The value in ten-thousandths of a number field's plain decimal text ("  -12.3400"):
// at most four decimals and fifteen digits, which the double it reads as gives back
// exactly. Nothing for any other text.
std::optional<int64_t> PlainScaled(const char* p, int n) {
  int i = static_cast<int>(xb::LeadingSpaces(p, static_cast<size_t>(n)));
  const bool negative = i < n && p[i] == '-';
  if (negative) ++i;
  int64_t v = 0;
  int digits = 0, decimals = -1;  // significant digits; -1: no point
  bool any = false;
  for (; i < n && p[i] != ' '; ++i) {
    if (p[i] == '.') {
      if (decimals >= 0) return std::nullopt;
      decimals = 0;
      continue;
    }
    if (p[i] < '0' || p[i] > '9') return std::nullopt;
    if (decimals >= 0 && ++decimals > 4) return std::nullopt;
    any = true;
    if ((v != 0 || p[i] != '0') && ++digits > 15) return std::nullopt;
    v = v * 10 + (p[i] - '0');
  }
  for (; i < n; ++i)
    if (p[i] != ' ') return std::nullopt;
  const int scaleUp = 4 - std::max(decimals, 0);
  if (!any || digits + scaleUp > 18) return std::nullopt;
  for (int d = 0; d < scaleUp; ++d) v *= 10;
  return negative ? -v : v;
}

// PlainScaled of the field's text, a decimal comma (xb::DecimalCommaAt) read as its point.
std::optional<int64_t> FieldScaled(FIELD4* f) {
  const char* p = f4ptr(f);
  const int n = f4len_v(f);
  if (p == nullptr || n <= 0) return std::nullopt;
  if (const size_t at = xb::DecimalCommaAt(p, static_cast<size_t>(n), static_cast<unsigned>(f4decimals(f)));
      at != xb::kNoDecimalComma) {
    std::string text(p, static_cast<size_t>(n));
    text[at] = '.';
    return PlainScaled(text.data(), n);
  }
  return PlainScaled(p, n);
}

}  // namespace

rt::Currency Amount(FIELD4* f) {
  if (const std::optional<int64_t> raw = FieldScaled(f)) return rt::Currency::FromRaw(*raw);
  return rt::Currency::FromDouble(f4double(f));
}

double NumberAndAmount(FIELD4* f, rt::Currency* amount) {
  // A plain text of up to 2^53 ten-thousandths: its digits over 10^decimals and the
  // amount over 10^4 are the same quotient of exact doubles, rounded alike. Zero is
  // left to f4double for its sign.
  if (const std::optional<int64_t> raw = FieldScaled(f);
      raw && *raw != 0 && *raw <= (int64_t{1} << 53) && *raw >= -(int64_t{1} << 53)) {
    *amount = rt::Currency::FromRaw(*raw);
    return static_cast<double>(*raw) / rt::Currency::kScale;
  }
  const double v = f4double(f);
  *amount = Amount(f);
  return v;
}

int AssignText(FIELD4* f, const QString& text) {
  const std::string bytes = rt::ToCp1252(text);
  if (bytes.size() > 0x7FFFFFFFu) return e4overflow;
  return f4assignNVB(f, bytes.data(), static_cast<int>(bytes.size()));
}

int AssignMemo(FIELD4* f, const QString& text) {
  const std::string bytes = rt::ToCp1252(text);
  if (bytes.size() > 0xFFFFFFFFu) return e4overflow;
  return f4memoAssignN(f, bytes.data(), static_cast<unsigned>(bytes.size()));
}

CounterFields::CounterFields(DATA4* tb) : tblname(FieldOf(tb, "tblname")), lastid(FieldOf(tb, "lastid")) {}

ParamFields::ParamFields(DATA4* tb) : sid(FieldOf(tb, "sid")), value(FieldOf(tb, "value")) {}

CategoryFields::CategoryFields(DATA4* tb)
    : rowid(FieldOf(tb, "rowid")), desc(FieldOf(tb, "desc")), type(FieldOf(tb, "type")) {}

ProductFields::ProductFields(DATA4* tb)
    : rowid(FieldOf(tb, "rowid")),
      partno(FieldOf(tb, "partno")),
      prodname(FieldOf(tb, "prodname")),
      location(FieldOf(tb, "location")),
      groupid(FieldOf(tb, "groupid")),
      hide(FieldOf(tb, "hide")),
      reordlev(FieldOf(tb, "reordlev")),
      reordqty(FieldOf(tb, "reordqty")),
      leadtime(FieldOf(tb, "leadtime")),
      manuf(FieldOf(tb, "manuf")),
      vendor(FieldOf(tb, "vendor")),
      stdcost(FieldOf(tb, "stdcost")),
      stdprice(FieldOf(tb, "stdprice")),
      custom{FieldOf(tb, "custom1"), FieldOf(tb, "custom2"), FieldOf(tb, "custom3"), FieldOf(tb, "custom4")},
      notes(FieldOf(tb, "notes")) {}

bool ProductHidden(FIELD4* hide) { return TrimmedText(hide).toUpper() == QLatin1String("T"); }

TranFields::TranFields(DATA4* tb)
    : rowid(FieldOf(tb, "rowid")),
      prodid(FieldOf(tb, "prodid")),
      trandate(FieldOf(tb, "trandate")),
      trantype(FieldOf(tb, "trantype")),
      units(FieldOf(tb, "units")),
      unitprc(FieldOf(tb, "unitprc")),
      notes(FieldOf(tb, "notes")),
      catid(FieldOf(tb, "catid")),
      shipmethod(FieldOf(tb, "shipmethod")) {}

}  // namespace store
