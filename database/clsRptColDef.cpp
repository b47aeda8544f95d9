#include "database/clsRptColDef.h"

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/store/Reports.h"
#include "platform/runtime/Error.h"

void clsRptColDef::Init() {
  *this = clsRptColDef{};
}

bool clsRptColDef::Read(int32_t nColID, DATA4* hRptColTable, DATA4* tbParam,
                        const QString& sPrependDispName, clsDB& db) {
  Init();
  const store::Session session = db.Session();
  const store::Result<store::ReportColumn> row = store::Reports(session).Column(nColID, hRptColTable);
  dbaccess::Report(row.status, "clsRptColDef_Read");
  if (!row.ok()) return false;
  const store::ReportColumn& c = row.value;
  m_nRowID = c.id;
  m_nRptType = c.reportType;
  m_sName = c.name;
  m_sCustomNameKey = c.customNameKey;
  m_sFldName = c.field;
  m_sTableName = c.table;
  m_sDataType = c.dataType;
  m_bCanBeTotal = c.canBeTotal;
  m_bRequiresProdStats = c.requiresStats;
  m_nCatTypeID = c.listType;
  m_sAlignment = c.alignment;
  m_nOrder = c.order;

  if (!m_sCustomNameKey.isEmpty()) m_sCustomName = db.GetParamValue(m_sCustomNameKey, tbParam);
  m_sDisplayName = (m_sCustomName.isEmpty() ? m_sName : m_sCustomName) + sPrependDispName;
  return true;
}

void clsRptColDefs::Add(const clsRptColDef& def, const QString& key) {
  const QString k = key.toUpper();
  items_.push_back(def);
  keys_.push_back(Exists(k) ? QString() : k);
}

bool clsRptColDefs::Exists(const QString& key) const {
  if (key.isEmpty()) return false;
  const QString k = key.toUpper();
  for (const QString& have : keys_)
    if (have == k) return true;
  return false;
}

const clsRptColDef& clsRptColDefs::Item(int32_t index) const {
  if (index < 1 || index > Count()) rt::Raise(rt::kErrInvalidCall, QStringLiteral("clsRptColDefs"));
  return items_[static_cast<size_t>(index - 1)];
}

clsRptColDef& clsRptColDefs::Item(int32_t index) {
  return const_cast<clsRptColDef&>(std::as_const(*this).Item(index));
}

const clsRptColDef& clsRptColDefs::Item(const QString& key) const {
  const QString k = key.toUpper();
  for (size_t i = 0; !k.isEmpty() && i < keys_.size(); ++i)
    if (keys_[i] == k) return items_[i];
  rt::Raise(rt::kErrInvalidCall, QStringLiteral("clsRptColDefs"));
}
