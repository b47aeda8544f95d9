#include "database/store/Fields.h"

#include <limits>
#include <string>
#include <string_view>

#include "database/store/Session.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"

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

QString Memo(FIELD4* f) {
  const unsigned long n = f4memoLenVB(f);
  const char* p = f4memoPtr(f);
  if (p == nullptr || n == 0) return {};
  return rt::FromCp1252(std::string_view(p, n));
}

int32_t Long32(FIELD4* f) {
  const long v = f4long(f);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    rt::Raise(rt::kErrOverflow);
  }
  return static_cast<int32_t>(v);
}

rt::Currency Amount(FIELD4* f) { return rt::Currency::FromDouble(f4double(f)); }

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
