// clsDB: the counters table (record ids, automatic part numbers, database version).
// A counter row holds the NEXT value it gives out and changes only under its lock.

#include <limits>

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/clsDB.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

using dbaccess::Check;
using dbaccess::Field;
using dbaccess::OwnTable;

namespace {

const QString kTagName = QStringLiteral("TBLNAME");
const QString kVersionKey = QStringLiteral("dbversion");
const QString kPartNoKey = QStringLiteral("svlprod_partno.dbf");
const QString kProductsKey = QStringLiteral("svlprod.dbf");
constexpr long kFirstRecord = 1;

// The counters table positioned on the row of `key` (0) or not (the engine's code).
int SeekCounter(DATA4* tb, const QString& key) {
  dbaccess::SelectTag(tb, kTagName);
  return dbaccess::Seek(tb, dbaccess::WholeKey(key, false));
}

int32_t Plus1(int32_t value) {
  if (value == std::numeric_limits<int32_t>::max()) rt::Raise(rt::kErrOverflow);
  return value + 1;
}

void AppendCounter(DATA4* tb, FIELD4* lastid, FIELD4* tblname, const QString& key, int32_t next) {
  Check(d4appendStartVB(tb, 0), "d4appendStartVB");
  Check(d4blank(tb), "d4blank");
  Check(f4assignDouble(lastid, next), "f4assignDouble");
  Check(Module1::FieldAssignText(tblname, key.trimmed()), "f4assignNVB");
  Check(d4append(tb), "d4append");
}

const QString kLockedText = QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!");

// Takes the first record's lock while a missing counter is created, so two copies
// cannot both create (and both hand out) the same counter. 0, 50 or no record (r4entry).
int LockCreation(DATA4* tb) {
  const int rc = d4lock(tb, kFirstRecord);
  gDB().SetLastEngineResult(rc);
  if (rc == r4locked || rc == r4entry) return rc;
  return Check(rc, "d4lock");
}

enum class Counter { kFound, kCreated, kLocked };

// Positions on the counter row of `key` (kFound), or creates it holding next() under
// the creation lock (kCreated). The key is sought again once the lock is held, as
// another copy may have created the row meanwhile. kLocked: the lock was refused (the
// box is shown) and nothing was written.
template <typename Next>
Counter FindOrCreate(DATA4* tb, FIELD4* lastid, const QString& key, Next next) {
  if (SeekCounter(tb, key) == 0) return Counter::kFound;
  if (LockCreation(tb) == r4locked) {
    ui::MsgBox(kLockedText, ui::vbCritical);
    return Counter::kLocked;
  }
  if (SeekCounter(tb, key) == 0) return Counter::kFound;
  AppendCounter(tb, lastid, Field(tb, QStringLiteral("tblname")), key, next());
  dbaccess::FlushUnlock(tb);
  return Counter::kCreated;
}

}  // namespace

int32_t clsDB::GetNextID(const QString& sTablename, bool bIncrement, int32_t startId) {
  try {
    if (sTablename.trimmed().isEmpty()) rt::Raise(rt::kErrInvalidCall);
    OwnTable tb(LastIdTable());
    if (!tb.ok()) return -1;
    FIELD4* lastid = Field(tb.get(), QStringLiteral("lastid"));
    switch (FindOrCreate(tb.get(), lastid, sTablename, [&] { return Plus1(startId); })) {
      case Counter::kLocked:
        return 0;
      case Counter::kCreated:
        return startId;
      case Counter::kFound:
        break;
    }
    int32_t value = 0;
    const bool taken = dbaccess::ChangeLocked(tb.get(), kLockedText, [&] {
      value = dbaccess::Long32(lastid);
      if (bIncrement) Check(f4assignLong(lastid, Plus1(value)), "f4assignLong");
    });
    return taken ? value : 0;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_GetNextID");
    return -1;
  }
}

int32_t clsDB::QueryNextID(const QString& sTablename) {
  try {
    OwnTable tb(LastIdTable());
    if (!tb.ok()) return 0;
    if (SeekCounter(tb.get(), sTablename) != 0) return 0;
    return dbaccess::Long32(Field(tb.get(), QStringLiteral("lastid")));
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_QueryNextID");
    return 0;
  }
}

void clsDB::SetNextID(const QString& sTablename, int32_t nNextID) {
  try {
    if (sTablename.trimmed().isEmpty()) rt::Raise(rt::kErrInvalidCall);
    OwnTable tb(LastIdTable());
    if (!tb.ok()) return;
    FIELD4* lastid = Field(tb.get(), QStringLiteral("lastid"));
    if (FindOrCreate(tb.get(), lastid, sTablename, [&] { return nNextID; }) != Counter::kFound) return;
    dbaccess::ChangeLocked(tb.get(), kLockedText, [&] { Check(f4assignLong(lastid, nNextID), "f4assignLong"); });
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_SetNextID");
  }
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
  try {
    OwnTable tb(sPath);
    if (!tb.ok()) return -1;
    if (SeekCounter(tb.get(), kVersionKey) == 0) {
      return dbaccess::Long32(Field(tb.get(), QStringLiteral("lastid")));
    }
    tb.Close();
    ui::MsgBox(QStringLiteral("Unable to get last id for ") + kVersionKey, ui::vbCritical);
    return -1;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_DBVer");
    return -1;
  }
}

bool clsDB::SetDBVer(int32_t nVersion) {
  try {
    OwnTable tb(LastIdTable());
    if (!tb.ok()) return false;
    FIELD4* lastid = Field(tb.get(), QStringLiteral("lastid"));
    if (SeekCounter(tb.get(), kVersionKey) != 0) {
      tb.Close();
      ui::MsgBox(QStringLiteral("Unable to set last id for ") + kVersionKey, ui::vbCritical);
      return false;
    }
    return dbaccess::ChangeLocked(tb.get(), QStringLiteral("RECORD LOCKED: Unable to update DB Version!"),
                                  [&] { Check(f4assignLong(lastid, nVersion), "f4assignLong"); });
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_SetDBVer");
    return false;
  }
}
