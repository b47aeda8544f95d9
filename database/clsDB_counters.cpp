// clsDB: the counters table (record ids, automatic part numbers, database version),
// over store::Counters.

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/store/Counters.h"
#include "platform/ui/Prompt.h"

using store::Failure;

namespace {

const QString kPartNoKey = QStringLiteral("svlprod_partno.dbf");
const QString kProductsKey = QStringLiteral("svlprod.dbf");

}  // namespace

int32_t clsDB::CounterValue(const store::Result<int32_t>& value) {
  if (value.ok()) return value.value;
  dbaccess::Report(value.status, "clsDB_GetNextID", dbaccess::NextIdLockedText());
  return value.status.is(Failure::kLocked) ? 0 : -1;
}

int32_t clsDB::GetNextID(const QString& sTablename, bool bIncrement, int32_t startId) {
  const store::Session session = Session();
  DATA4* counters = BatchCounters();
  return CounterValue(store::Counters(session).Next(sTablename, bIncrement, startId, counters,
                                                    counters != nullptr ? &m_batch.counterRows : nullptr));
}

int32_t clsDB::ReserveIDs(const QString& sTablename, int32_t count, int32_t startId) {
  return CounterValue(TakeIDs(sTablename, count, startId));
}

store::Result<int32_t> clsDB::TakeIDs(const QString& sTablename, int32_t count, int32_t startId) {
  const store::Session session = Session();
  DATA4* counters = BatchCounters();
  return store::Counters(session).Reserve(sTablename, count, startId, counters,
                                          counters != nullptr ? &m_batch.counterRows : nullptr);
}

int32_t clsDB::QueryNextID(const QString& sTablename) {
  const store::Session session = Session();
  const store::Result<int32_t> next = store::Counters(session).Query(sTablename);
  dbaccess::Report(next.status, "clsDB_QueryNextID");
  return next.ok() ? next.value : 0;
}

void clsDB::SetNextID(const QString& sTablename, int32_t nNextID) {
  const store::Session session = Session();
  dbaccess::Report(store::Counters(session).Set(sTablename, nNextID), "clsDB_SetNextID", dbaccess::NextIdLockedText());
}

void clsDB::AssignPartNumber(int32_t nProdId, QString& sPartNo) {
  if (!sPartNo.isEmpty() || nProdId >= 1) return;
  const int32_t n = QueryNextID(kPartNoKey) > 0 ? GetNextID(kPartNoKey, false, 10000)
                                                : GetNextID(kProductsKey, false, 1000);
  // A counter that failed (0 locked, -1 error) gives no part number.
  if (n > 0) sPartNo = QString::number(n);
}

int32_t clsDB::IncrementNextPartNumber() { return GetNextID(kPartNoKey, true, 10000); }

void clsDB::SetNextPartNumber(int32_t nNextPartNo) { SetNextID(kPartNoKey, nNextPartNo); }

int32_t clsDB::QueryNextPartNumber() {
  int32_t n = QueryNextID(kPartNoKey);
  if (n < 1) n = GetNextID(kProductsKey, false, 1000);
  return n;
}

int32_t clsDB::DBVer(const QString& sPath) {
  const store::Session session = Session();
  const store::Result<int32_t> version = store::Counters(session).Version(sPath);
  if (version.ok()) return version.value;
  if (version.status.is(Failure::kNotFound)) {
    ui::MsgBox(QStringLiteral("Unable to get last id for dbversion"), ui::vbCritical);
    return 0;
  }
  dbaccess::Report(version.status, "clsDB_DBVer");
  return -1;
}

bool clsDB::SetDBVer(int32_t nVersion) { return SetDBVerIn(Session(), nVersion); }

bool clsDB::SetDBVerIn(const store::Session& at, int32_t nVersion) {
  const store::Status status = store::Counters(at).SetVersion(nVersion);
  if (status.is(Failure::kNotFound)) {
    ui::MsgBox(QStringLiteral("Unable to set last id for dbversion"), ui::vbCritical);
  }
  dbaccess::Report(status, "clsDB_SetDBVer", QStringLiteral("RECORD LOCKED: Unable to update DB Version!"));
  return status.ok();
}
