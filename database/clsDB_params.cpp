// clsDB: database parameters (svlparam): named text values, the captions and settings
// built on them. Names are stored in upper case and found whole, without regard to
// case; when several rows carry a name, the first in tag order is the one used.

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/store/Codes.h"
#include "database/store/Params.h"
#include "platform/runtime/Convert.h"
#include "services/clsSystem.h"


namespace {

const QString kProducts = QStringLiteral("svlprod.dbf");

// The table and field a renamable field's caption parameter is named after.
struct FieldOf {
  const char* table;
  const char* field;
};

FieldOf Of(store::CustomField field) {
  using store::CustomField;
  switch (field) {
    case CustomField::kPartNo: return {"svlprod.dbf", "partno"};
    case CustomField::kLocation: return {"svlprod.dbf", "location"};
    case CustomField::kGroup: return {"svlprod.dbf", "groupid"};
    case CustomField::kCustom1: return {"svlprod.dbf", "custom1"};
    case CustomField::kCustom2: return {"svlprod.dbf", "custom2"};
    case CustomField::kCustom3: return {"svlprod.dbf", "custom3"};
    case CustomField::kCustom4: return {"svlprod.dbf", "custom4"};
    case CustomField::kTranNotes: return {"svltran.dbf", "notes"};
    case CustomField::kTranCategory: return {"svltran.dbf", "catid"};
    case CustomField::kTranAccount: return {"svltran.dbf", "shipmethod"};
  }
  return {"", ""};
}

}  // namespace

// The facade opens the table (its open-failure box) and hands it to the store.
QString clsDB::GetParamValue(const QString& sid, DATA4* tbParam) { return GetParamValueIn(Session(), sid, tbParam); }

QString clsDB::GetParamValueIn(const store::Session& at, const QString& sid, DATA4* tbParam) {
  const store::Table tb = dbaccess::UseTable(tbParam, at.PathOf(QLatin1String(store::Params::kFile)), *this);
  if (!tb.ok()) return {};
  const store::Result<QString> value = store::Params(at).Get(sid, tb.get());
  dbaccess::Report(value.status, "clsDB_GetParamValue");
  return value.value;
}

QString clsDB::GetParamValue(const QString& sid) {
  return GetParamValue(sid, nullptr);
}

bool clsDB::SetParamValue(const QString& sid, const QString& sValue, DATA4* tbParam) {
  return SetParamValueIn(Session(), sid, sValue, tbParam);
}

bool clsDB::SetParamValueIn(const store::Session& at, const QString& sid, const QString& sValue, DATA4* tbParam) {
  const store::Params params(at);
  if (sid.trimmed().isEmpty()) {  // refused before any table is opened
    dbaccess::Report(params.Set(sid, sValue), "clsDB_SetParamValue");
    return false;
  }
  const store::Table tb = dbaccess::UseTable(tbParam, at.PathOf(QLatin1String(store::Params::kFile)), *this);
  if (!tb.ok()) return false;
  const store::Status status = params.Set(sid, sValue, tb.get());
  dbaccess::Report(status, "clsDB_SetParamValue", dbaccess::ParamLockedText());
  return status.ok();
}

bool clsDB::SetParamValue(const QString& sid, const QString& sValue) {
  return SetParamValue(sid, sValue, nullptr);
}

bool clsDB::DeleteParam(const QString& sid, DATA4* tbParam) {
  const store::Table tb = dbaccess::UseTable(tbParam, ParamTable(), *this);
  if (!tb.ok()) return false;
  const store::Session session = Session();
  const store::Status status = store::Params(session).Delete(sid, tb.get());
  dbaccess::Report(status, "clsDB_DeleteParam", QStringLiteral("RECORD LOCKED: Unable to delete record!"));
  return status.ok();
}

bool clsDB::DeleteParam(const QString& sid) {
  return DeleteParam(sid, nullptr);
}

QString clsDB::MakeCustomFieldParamName(const QString& sTableFile, const QString& sFieldName) const {
  return sTableFile + QStringLiteral("_") + sFieldName;
}

QString clsDB::MakeHideFieldParamName(const QString& sTableFile, const QString& sFieldName) const {
  return MakeCustomFieldParamName(sTableFile, sFieldName) + QStringLiteral("_Hide");
}

QString clsDB::CustomFieldName(store::CustomField field) {
  const FieldOf f = Of(field);
  return GetParamValue(MakeCustomFieldParamName(QLatin1String(f.table), QLatin1String(f.field)));
}

bool clsDB::SetCustomFieldName(store::CustomField field, const QString& sName) {
  const FieldOf f = Of(field);
  return SetParamValue(MakeCustomFieldParamName(QLatin1String(f.table), QLatin1String(f.field)), sName);
}

QString clsDB::Caption(store::CustomField field, const char* defaultCaption) {
  const QString value = CustomFieldName(field);
  return value.isEmpty() ? QString::fromLatin1(defaultCaption) : value;
}

using store::CustomField;
QString clsDB::PartNoDesc() { return Caption(CustomField::kPartNo, "Part Number"); }
QString clsDB::LocationDesc() { return Caption(CustomField::kLocation, "Location"); }
QString clsDB::ProdGroupDesc() { return Caption(CustomField::kGroup, "Group"); }
QString clsDB::ProdCustom1Desc() { return Cust1Desc(); }
QString clsDB::Cust1Desc() { return Caption(CustomField::kCustom1, "Custom 1"); }
QString clsDB::Cust2Desc() { return Caption(CustomField::kCustom2, "Custom 2"); }
QString clsDB::Cust3Desc() { return Caption(CustomField::kCustom3, "Custom 3"); }
QString clsDB::Cust4Desc() { return Caption(CustomField::kCustom4, "Custom 4"); }
QString clsDB::TranCatDesc() { return Caption(CustomField::kTranCategory, "Category"); }
QString clsDB::TranAcctDesc() { return Caption(CustomField::kTranAccount, "Account"); }

bool clsDB::HideCurrInvColumn(const QString& sFieldName) {
  if (sFieldName.isEmpty()) return false;
  return GetParamValue(MakeHideFieldParamName(kProducts, sFieldName)) == QLatin1String("1");
}

int32_t clsDB::Decimals(const char* name) {
  // The leading number of the text, rounded half to even, kept within 0 .. 4.
  const double places = rt::RoundHalfEven(rt::Val(GetParamValue(QLatin1String(name))));
  if (!(places > 0)) return 0;
  return places > 4 ? 4 : static_cast<int32_t>(places);
}

int32_t clsDB::DecimalsUnits() { return Decimals("Decimals_Units"); }
int32_t clsDB::DecimalsPerUnit() { return Decimals("Decimals_PerUnit"); }
int32_t clsDB::DecimalsAmounts() { return Decimals("Decimals_Amounts"); }

QString clsDB::NumberFormat(int32_t places) const {
  QString format = QStringLiteral("##,##0");
  if (places > 0) format += QStringLiteral(".") + QString(places, QLatin1Char('0'));
  return format;
}

QString clsDB::DecimalsUnitsFormat() { return NumberFormat(DecimalsUnits()); }
QString clsDB::DecimalsPerUnitFormat() { return NumberFormat(DecimalsPerUnit()); }
QString clsDB::DecimalsAmountsFormat() { return NumberFormat(DecimalsAmounts()); }

bool clsDB::ProdPartNumberFirstGet() { return GetParamValue(QStringLiteral("Order_ProdName_PartNo")) == QLatin1String("1"); }

bool clsDB::ProdAssignPartNumberGet() {
  return GetParamValue(QStringLiteral("AutoAssign_PartNo")) == QLatin1String("AutoAssign_PartNo");
}

bool clsDB::TranCheckInventoryLevelGet() { return GetParamValue(QStringLiteral("Tran_CheckInvLevel")) == QLatin1String("1"); }

bool clsDB::ProdPartNumberFirstSet(bool bOn) {
  return SetParamValue(QStringLiteral("Order_ProdName_PartNo"), bOn ? QStringLiteral("1") : QString());
}

bool clsDB::ProdAssignPartNumberSet(bool bOn) {
  return SetParamValue(QStringLiteral("AutoAssign_PartNo"), bOn ? QStringLiteral("AutoAssign_PartNo") : QString());
}

bool clsDB::TranCheckInventoryLevelSet(bool bOn) {
  return SetParamValue(QStringLiteral("Tran_CheckInvLevel"), bOn ? QStringLiteral("1") : QString());
}

QString clsDB::InvLevelDesc(int32_t udLevel) const {
  using store::InvLevel;
  switch (static_cast<InvLevel>(udLevel)) {
    case InvLevel::kAll: return QStringLiteral("All");
    case InvLevel::kAvailable: return QStringLiteral("All EXCEPT products with zero available units");
    case InvLevel::kOutOfStock: return QStringLiteral("Out of Stock Products only (zero available units)");
    case InvLevel::kReorder: return QStringLiteral("Re-Order Products only (at or below re-order level)");
  }
  return {};
}

void clsDB::CheckParamTable(const QString& sDBPath) {
  clsSystem& sys = gSystem();
  if (sys.FileExists(sys.MakePath(sDBPath, QStringLiteral("svlparam.dbf")))) return;
  const char* const kCopies[][2] = {
      {"svlparam.db_", "svlparam.dbf"}, {"svlparam.cd_", "svlparam.cdx"}, {"svlparam.fp_", "svlparam.fpt"}};
  for (const auto& c : kCopies) sys.FileCopyFn(ProgramPath(c[0]), sys.MakePath(sDBPath, QLatin1String(c[1])));
}
