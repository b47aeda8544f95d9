// clsRptDef: storage in the parameter table ("~" & id) and the column catalogue.
#include "database/clsRptDef.h"

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"

namespace {

QString StorageKey(int32_t nRptID) {
  return QStringLiteral("~") + QString::number(nRptID);
}

}  // namespace

bool clsRptDef::LoadExisting(int32_t nRptID, clsDB& db) {
  ResetRptDef();
  m_nRptID = nRptID;
  if (!ReadRptDef(nRptID, m_sRptBuf, db)) {
    ui::MsgBox(QStringLiteral("Unable to read report with ID: ") + QString::number(nRptID),
               ui::vbExclamation);
    return false;
  }
  return ParseRptBuffer();
}

bool clsRptDef::ReadRptDef(int32_t nRptID, QString& sRptBuf, clsDB& db) {
  sRptBuf = db.GetParamValue(StorageKey(nRptID));
  return !sRptBuf.isEmpty();
}

int32_t clsRptDef::WriteRptDef(int32_t nRptID, const QString& sRptBuf, clsDB& db) {
  try {
    int32_t id = nRptID;
    // A locked or failed counter (0 / -1) never becomes an id.
    if (id < 1) id = db.GetNextID(QStringLiteral("rptlastid"), true, 1000);
    if (id < 1) return -1;
    return db.SetParamValue(StorageKey(id), sRptBuf) ? id : -1;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsRptDef_WriteRptDef"));
    return -1;
  }
}

int32_t clsRptDef::SaveRptDef(clsDB& db) {
  const int32_t id = WriteRptDef(m_nRptID, BuildRptBuffer(), db);
  // A stored definition keeps its id when the write fails, so saving it again rewrites
  // its record instead of adding a second one; an unstored one stays without an id.
  if (id > 0 || m_nRptID < 1) m_nRptID = id;
  return id;
}

int32_t clsRptDef::MakeCopy(QString& sNewName, clsDB& db) {
  int32_t result = -1;
  const QString kept = m_sRptName;
  m_sRptName = QStringLiteral("Copy of ") + kept;
  const int32_t newId = WriteRptDef(-1, BuildRptBuffer(), db);
  if (newId > 0) {
    result = newId;
    sNewName = m_sRptName;
  }
  m_sRptName = kept;
  return result;
}

bool clsRptDef::ReadColDefs(clsDB& db) {
  DATA4* hCat = nullptr;
  try {
    dbaccess::ScopedTable cat(hCat, db.RptColTable(), db);
    if (!cat.ok()) return false;
    m_collColumnDefs.Clear();
    for (const QString& col : std::as_const(m_collColumns)) {
      const int32_t id = rt::CLng(col);
      clsRptColDef def;
      DATA4* tbParam = nullptr;
      if (!def.Read(id, hCat, tbParam, QString(), db)) def.m_sDisplayName = QStringLiteral("unknown");
      m_collColumnDefs.Add(def, QStringLiteral("N") + QString::number(id));
    }
    return true;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsRptDef_ReadColDefs"));
    return false;
  }
}
