// clsDB: database parameters (svlparam): named text values, the captions and settings
// built on them. Names are stored in upper case and found whole, without regard to
// case; when several rows carry a name, the first in tag order is the one used.

#include <string>

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/clsDB.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

using dbaccess::Check;
using dbaccess::Field;
using dbaccess::ScopedTable;

namespace {

const QString kProducts = QStringLiteral("svlprod.dbf");

// Positions the parameter table on the row of `sid`: 0 when found.
int FindParam(DATA4* tb, const QString& sid) {
  dbaccess::SelectTag(tb, QStringLiteral("sid"));
  return dbaccess::Seek(tb, dbaccess::WholeKey(sid, true));
}

void AssignMemo(FIELD4* f, const QString& text) {
  const std::string bytes = rt::ToCp1252(text);
  Check(f4memoAssignN(f, bytes.data(), static_cast<unsigned>(bytes.size())), "f4memoAssignN");
}


}  // namespace

QString clsDB::GetParamValue(const QString& sid, DATA4*& tbParam) {
  try {
    ScopedTable tb(tbParam, ParamTable());
    if (!tb.ok() || FindParam(tb.get(), sid) != 0) return {};
    return Module1::MemoText(Field(tb.get(), QStringLiteral("value"))).trimmed();
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_GetParamValue");
    return {};
  }
}

QString clsDB::GetParamValue(const QString& sid) {
  DATA4* tb = nullptr;
  return GetParamValue(sid, tb);
}

bool clsDB::SetParamValue(const QString& sid, const QString& sValue, DATA4*& tbParam) {
  try {
    if (sid.trimmed().isEmpty()) rt::Raise(rt::kErrInvalidCall);
    ScopedTable tb(tbParam, ParamTable());
    if (!tb.ok()) return false;
    FIELD4* value = Field(tb.get(), QStringLiteral("value"));
    if (FindParam(tb.get(), sid) == 0) {
      return dbaccess::ChangeLocked(tb.get(), QStringLiteral("RECORD LOCKED: Unable to update parameter table!"),
                                    [&] { AssignMemo(value, sValue); });
    }
    Check(d4appendStartVB(tb.get(), 0), "d4appendStartVB");
    Check(d4blank(tb.get()), "d4blank");
    Check(Module1::FieldAssignText(Field(tb.get(), QStringLiteral("sid")), dbaccess::Upper(sid.trimmed())), "f4assignNVB");
    AssignMemo(value, sValue);
    if (Check(d4append(tb.get()), "d4append") != 0) return false;
    dbaccess::FlushUnlock(tb.get());
    return true;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_SetParamValue");
    return false;
  }
}

bool clsDB::SetParamValue(const QString& sid, const QString& sValue) {
  DATA4* tb = nullptr;
  return SetParamValue(sid, sValue, tb);
}

bool clsDB::DeleteParam(const QString& sid, DATA4*& tbParam) {
  try {
    ScopedTable tb(tbParam, ParamTable());
    if (!tb.ok() || FindParam(tb.get(), sid) != 0) return false;
    return dbaccess::ChangeLocked(tb.get(), QStringLiteral("RECORD LOCKED: Unable to delete record!"),
                                  [&] { Check(d4delete(tb.get()), "d4delete"); });
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_DeleteParam");
    return false;
  }
}

bool clsDB::DeleteParam(const QString& sid) {
  DATA4* tb = nullptr;
  return DeleteParam(sid, tb);
}

QString clsDB::MakeCustomFieldParamName(const QString& sTableFile, const QString& sFieldName) const {
  return sTableFile + QStringLiteral("_") + sFieldName;
}

QString clsDB::MakeHideFieldParamName(const QString& sTableFile, const QString& sFieldName) const {
  return MakeCustomFieldParamName(sTableFile, sFieldName) + QStringLiteral("_Hide");
}

QString clsDB::Caption(const char* table, const char* field, const char* defaultCaption) {
  const QString value = GetParamValue(MakeCustomFieldParamName(QLatin1String(table), QLatin1String(field)));
  return value.isEmpty() ? QString::fromLatin1(defaultCaption) : value;
}

QString clsDB::PartNoDesc() { return Caption("svlprod.dbf", "partno", "Part Number"); }
QString clsDB::LocationDesc() { return Caption("svlprod.dbf", "location", "Location"); }
QString clsDB::ProdGroupDesc() { return Caption("svlprod.dbf", "groupid", "Group"); }
QString clsDB::ProdCustom1Desc() { return Cust1Desc(); }
QString clsDB::Cust1Desc() { return Caption("svlprod.dbf", "custom1", "Custom 1"); }
QString clsDB::Cust2Desc() { return Caption("svlprod.dbf", "custom2", "Custom 2"); }
QString clsDB::Cust3Desc() { return Caption("svlprod.dbf", "custom3", "Custom 3"); }
QString clsDB::Cust4Desc() { return Caption("svlprod.dbf", "custom4", "Custom 4"); }
QString clsDB::TranCatDesc() { return Caption("svltran.dbf", "catid", "Category"); }
QString clsDB::TranAcctDesc() { return Caption("svltran.dbf", "shipmethod", "Account"); }

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
  switch (udLevel) {
    case 0: return QStringLiteral("All");
    case 1: return QStringLiteral("All EXCEPT products with zero available units");
    case 2: return QStringLiteral("Out of Stock Products only (zero available units)");
    case 3: return QStringLiteral("Re-Order Products only (at or below re-order level)");
    default: return {};
  }
}

void clsDB::CheckParamTable(const QString& sDBPath) {
  clsSystem& sys = gSystem();
  if (sys.FileExists(sys.MakePath(sDBPath, QStringLiteral("svlparam.dbf")))) return;
  const char* const kCopies[][2] = {
      {"svlparam.db_", "svlparam.dbf"}, {"svlparam.cd_", "svlparam.cdx"}, {"svlparam.fp_", "svlparam.fpt"}};
  for (const auto& c : kCopies) sys.FileCopyFn(ProgramPath(c[0]), sys.MakePath(sDBPath, QLatin1String(c[1])));
}
