// clsRptDef: storage in the parameter table ("~" & id) and the column catalogue.
#include "database/clsRptDef.h"

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/store/Reports.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"

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

// Failures read as those of the parameter and counter members of clsDB, which stored
// the definitions before they had a store of their own.
bool clsRptDef::ReadRptDef(int32_t nRptID, QString& sRptBuf, clsDB& db) {
  const store::Session session = db.Session();
  const store::Result<QString> text = store::Reports(session).Read(nRptID);
  dbaccess::Report(text.status, "clsDB_GetParamValue");
  sRptBuf = text.value;
  return text.ok();
}

int32_t clsRptDef::WriteRptDef(int32_t nRptID, const QString& sRptBuf, clsDB& db) {
  try {
    const store::Session session = db.Session();
    const store::Reports reports(session);
    int32_t id = nRptID;
    if (id < 1) {
      const store::Result<int32_t> next = reports.NewId();
      dbaccess::Report(next.status, "clsDB_GetNextID", dbaccess::NextIdLockedText());
      // A locked or failed counter never becomes an id.
      if (!next.ok() || next.value < 1) return -1;
      id = next.value;
    }
    const store::Status stored = reports.Write(id, sRptBuf);
    dbaccess::Report(stored, "clsDB_SetParamValue", dbaccess::ParamLockedText());
    return stored.ok() ? id : -1;
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
  try {
    const store::Table cat = db.OpenTable(db.RptColTable());
    if (!cat.ok()) return false;
    m_collColumnDefs.Clear();
    for (const QString& col : std::as_const(m_collColumns)) {
      const int32_t id = rt::CLngStored(col);
      clsRptColDef def;
      if (!def.Read(id, cat.get(), nullptr, QString(), db)) def.m_sDisplayName = QStringLiteral("unknown");
      m_collColumnDefs.Add(def, QStringLiteral("N") + QString::number(id));
    }
    return true;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsRptDef_ReadColDefs"));
    return false;
  }
}
