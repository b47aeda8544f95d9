#include "database/clsRptColDef.h"

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/clsDB.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

namespace {

QString TextField(DATA4* tb, const char* name) {
  return Module1::FieldText(dbaccess::Field(tb, QLatin1String(name))).trimmed();
}

int32_t LongField(DATA4* tb, const char* name) {
  return dbaccess::Long32(dbaccess::Field(tb, QLatin1String(name)));
}

bool FlagField(DATA4* tb, const char* name) {
  return gSystem().DBTF2TrueFalse(TextField(tb, name));
}

}  // namespace

void clsRptColDef::Init() {
  *this = clsRptColDef{};
}

bool clsRptColDef::Read(int32_t nColID, DATA4*& hRptColTable, DATA4*& tbParam,
                        const QString& sPrependDispName, clsDB& db) {
  Init();
  try {
    dbaccess::ScopedTable cat(hRptColTable, db.RptColTable(), db);
    if (!cat.ok()) return false;
    DATA4* tb = cat.get();
    dbaccess::SelectTag(tb, QStringLiteral("rowid"));
    dbaccess::Check(d4top(tb), "d4top");
    if (dbaccess::SeekNumber(tb, nColID) != r4success) return false;

    m_nRowID = nColID;
    m_nRptType = LongField(tb, "rpttype");
    m_sName = TextField(tb, "name");
    m_sCustomNameKey = TextField(tb, "cusnamekey");
    m_sFldName = TextField(tb, "fldname");
    m_sTableName = TextField(tb, "tblname");
    m_sDataType = TextField(tb, "datatype");
    m_bCanBeTotal = FlagField(tb, "canbetotal");
    m_bRequiresProdStats = FlagField(tb, "reqprdstat");
    m_nCatTypeID = LongField(tb, "cattypeid");
    m_sAlignment = TextField(tb, "alignment");
    m_nOrder = LongField(tb, "order");

    if (!m_sCustomNameKey.isEmpty()) m_sCustomName = db.GetParamValue(m_sCustomNameKey, tbParam);
    m_sDisplayName = (m_sCustomName.isEmpty() ? m_sName : m_sCustomName) + sPrependDispName;
    return true;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsRptColDef_Read"));
    return false;
  }
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
