#include "database/store/Reports.h"

#include "database/store/Counters.h"
#include "database/store/Fields.h"
#include "database/store/Params.h"
#include "database/store/RowScan.h"
#include "database/store/Seek.h"
#include "platform/xbase/Engine.h"

namespace store {
namespace {

QString Trimmed(DATA4* tb, const char* name) { return TrimmedText(FieldOf(tb, name)); }

bool Flag(DATA4* tb, const char* name) { return Trimmed(tb, name).toUpper() == QLatin1String("T"); }

// The catalogue's current row.
ReportColumn ReadColumn(DATA4* t) {
  ReportColumn c;
  c.id = Long32(FieldOf(t, "rowid"));
  c.reportType = Long32(FieldOf(t, "rpttype"));
  c.name = Trimmed(t, "name");
  c.customNameKey = Trimmed(t, "cusnamekey");
  c.field = Trimmed(t, "fldname");
  c.table = Trimmed(t, "tblname");
  c.dataType = Trimmed(t, "datatype");
  c.canBeTotal = Flag(t, "canbetotal");
  c.requiresStats = Flag(t, "reqprdstat");
  c.listType = Long32(FieldOf(t, "cattypeid"));
  c.alignment = Trimmed(t, "alignment");
  c.order = Long32(FieldOf(t, "order"));
  return c;
}

}  // namespace

QString Reports::Key(int32_t id) { return QStringLiteral("~") + QString::number(id); }

Result<QString> Reports::Read(int32_t id, DATA4* params) const {
  Result<QString> text = Params(session_).Get(Key(id), params);
  if (text.ok() && text.value.isEmpty()) return Status::Of(Failure::kNotFound);
  return text;
}

Result<int32_t> Reports::NewId() const {
  return Counters(session_).Next(QLatin1String(kCounter), true, kFirstId);
}

Status Reports::Write(int32_t id, const QString& text, DATA4* params) const {
  return Params(session_).Set(Key(id), text, params);
}

Result<ReportColumn> Reports::Column(int32_t id, DATA4* catalogue) const {
  return Guarded<Result<ReportColumn>>([&]() -> Result<ReportColumn> {
    Table tb(session_, catalogue, kColumnsFile);
    if (!tb.ok()) return tb.failure();
    DATA4* t = tb.get();
    SelectTag(session_, t, "rowid");
    if (SeekNumber(session_, t, id) != r4success) return Status::Of(Failure::kNotFound);
    return ReadColumn(t);
  });
}

Status Reports::Columns(int32_t reportType, std::vector<ReportColumn>& rows, DATA4* catalogue) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, catalogue, kColumnsFile);
    if (!tb.ok()) return tb.failure();
    DATA4* t = tb.get();
    FIELD4* type = FieldOf(t, "rpttype");
    RowScan scan(session_, t);
    for (bool on = scan.First("order"); on; on = scan.Next()) {
      if (Long32(type) == reportType) rows.push_back(ReadColumn(t));
    }
    return Status::Ok();
  });
}

}  // namespace store
