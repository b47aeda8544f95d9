#include "database/store/Lists.h"

#include <string>

#include "database/store/Fields.h"
#include "database/store/Params.h"
#include "database/store/RowScan.h"
#include "database/store/Seek.h"
#include "platform/runtime/Codepage.h"

namespace store {
namespace {

FIELD4* FieldNamed(DATA4* tb, const QString& name) { return FieldOf(tb, rt::ToCp1252(name).c_str()); }

ProductListRow ListRowOf(const ProductFields& f) {
  return {Long32(f.rowid), TrimmedText(f.partno), TrimmedText(f.prodname)};
}

const char* OrderTag(SearchType t) { return t == SearchType::kPartNo ? "partno" : "prodname"; }

bool AllDigits(const QString& text) {
  for (const QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  }
  return !text.isEmpty();
}

}  // namespace

Status ReadList(const Session& s, DATA4* open, const QString& tablePath, const QString& idField,
                const QString& textField, const QString& typeField, int32_t type, std::vector<ListRow>& rows) {
  return Guarded<Status>([&]() -> Status {
    Table tb(s, open, tablePath);
    if (!tb.ok()) return tb.failure();
    FIELD4* id = FieldNamed(tb.get(), idField);
    FIELD4* text = FieldNamed(tb.get(), textField);
    FIELD4* kind = typeField.isEmpty() ? nullptr : FieldNamed(tb.get(), typeField);
    RowScan scan(s, tb.get());
    for (bool on = scan.First(rt::ToCp1252(textField).c_str()); on; on = scan.Next()) {
      if (kind == nullptr || Long32(kind) == type) rows.push_back({Long32(id), TrimmedText(text)});
    }
    return Status::Ok();
  });
}

Status ReadProducts(const Session& s, DATA4* open, SearchType order, std::vector<ProductListRow>& rows) {
  return Guarded<Status>([&]() -> Status {
    Table tb(s, open, "svlprod.dbf");
    if (!tb.ok()) return tb.failure();
    RowScan scan(s, tb.get());
    bool on = scan.First(OrderTag(order));
    const ProductFields f(tb.get());
    for (; on; on = scan.Next()) {
      if (!f.Hidden()) rows.push_back(ListRowOf(f));
    }
    return Status::Ok();
  });
}

Status ReadProductGrid(const Session& s, DATA4* open, SearchType order, std::vector<ProductGridRow>& rows) {
  return Guarded<Status>([&]() -> Status {
    Table tb(s, open, "svlprod.dbf");
    if (!tb.ok()) return tb.failure();
    RowScan scan(s, tb.get());
    bool on = scan.First(OrderTag(order));
    const ProductFields f(tb.get());
    for (; on; on = scan.Next()) {
      rows.push_back({ListRowOf(f), Long32(f.location), Long32(f.groupid), f.Hidden()});
    }
    return Status::Ok();
  });
}

Status SearchProducts(const Session& s, DATA4* open, SearchType by, const QString& prefix,
                      std::vector<ProductListRow>& rows) {
  return Guarded<Status>([&]() -> Status {
    Table tb(s, open, "svlprod.dbf");
    if (!tb.ok()) return tb.failure();
    // A search, not a look-up: every key that begins with the text (upper case, as the
    // tags are).
    RowScan scan(s, tb.get());
    bool on = scan.FirstWithKey(OrderTag(by), rt::ToCp1252(Upper(prefix.trimmed())));
    if (!on) return Status::Ok();
    const ProductFields f(tb.get());
    for (; on; on = scan.Next()) {
      if (!f.Hidden()) rows.push_back(ListRowOf(f));
    }
    return Status::Ok();
  });
}

Status ReadReportDefs(const Session& s, DATA4* open, bool userDefinedOnly, std::vector<ReportDefRow>& rows) {
  return Guarded<Status>([&]() -> Status {
    Table tb(s, open, Params::kFile);
    if (!tb.ok()) return tb.failure();
    const ParamFields f(tb.get());
    // From the first name beginning with "~" to the end of the tag.
    RowScan scan(s, tb.get());
    for (bool on = scan.FirstFrom("sid", "~"); on; on = scan.Next()) {
      const QString name = TrimmedText(f.sid);
      const QString digits = name.mid(1);
      if (!name.startsWith(QLatin1Char('~')) || !AllDigits(digits)) continue;
      bool inRange = false;
      const int32_t id = digits.toInt(&inRange);
      if (!inRange || (userDefinedOnly && id < 100)) continue;
      rows.push_back({id, Memo(f.value).trimmed()});
    }
    return Status::Ok();
  });
}

}  // namespace store
