// clsDB: the paths of the tables, indexes and index templates, and assigning text
// values to fields by type code.

#include <string>

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/clsDB.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

QString clsDB::ProductsTable() const { return DataPath("svlprod.dbf"); }
QString clsDB::ProductsTableIndex() const { return DataPath("svlprod.cdx"); }
QString clsDB::ProductsTableIndexSource() const { return ProgramPath("svlprod.cd_"); }
QString clsDB::TranTable() const { return DataPath("svltran.dbf"); }
QString clsDB::TranTableIndex() const { return DataPath("svltran.cdx"); }
QString clsDB::TranTableIndexSource() const { return ProgramPath("svltran.cd_"); }
QString clsDB::ParamTable() const { return DataPath("svlparam.dbf"); }
QString clsDB::ParamTableIndex() const { return DataPath("svlparam.cdx"); }
QString clsDB::ParamTableIndexSource() const { return ProgramPath("svlparam.cd_"); }
QString clsDB::LastIdTable() const { return DataPath("svlid.dbf"); }
QString clsDB::LastIdTableIndex() const { return DataPath("svlid.cdx"); }
QString clsDB::LastIdTableIndexSource() const { return ProgramPath("svlid.cd_"); }
QString clsDB::CategoryTable() const { return DataPath("svlcat.dbf"); }
QString clsDB::CategoryTableIndex() const { return DataPath("svlcat.cdx"); }
QString clsDB::CategoryTableIndexSource() const { return ProgramPath("svlcat.cd_"); }
QString clsDB::UserTable() const { return DataPath("svluser.dbf"); }
QString clsDB::RptColTable() const { return DataPath("svlrepcols.dbf"); }

QString clsDB::CBDateFormat(const QString& sDate) const { return gSystem().CBDateFormat(sDate); }

void clsDB::AssignValue(FIELD4* fld, const QString& sVal, int32_t udDispDataType) {
  try {
    switch (udDispDataType) {
      case 1:
        dbaccess::Check(*this, Module1::FieldAssignText(fld, sVal), "f4assignNVB");
        break;
      case 2:
      case 9:
        dbaccess::Check(*this, Module1::FieldAssignText(fld, CBDateFormat(sVal)), "f4assignNVB");
        break;
      case 3:
      case 4:
      case 5:
      case 7:
        if (const auto value = rt::ParseStored(sVal)) dbaccess::Check(*this, f4assignDouble(fld, *value), "f4assignDouble");
        break;
      case 6:
        dbaccess::Check(*this, Module1::FieldAssignText(fld, gSystem().Bool2TorF(GetBoolValueFromStr(sVal))), "f4assignNVB");
        break;
      case 8: {
        // Memos are written whole, whatever their length.
        const std::string bytes = rt::ToCp1252(sVal);
        dbaccess::Check(*this, f4memoAssignN(fld, bytes.data(), static_cast<unsigned>(bytes.size())), "f4memoAssignN");
        break;
      }
      default:
        break;
    }
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_AssignValue");
  }
}

void clsDB::ProductsFields_AssignValue(const QString& sFieldName, const QString& sVal, DATA4* tb) {
  static const struct {
    const char* name;
    int32_t type;
  } kTypes[] = {{"rowid", 5}, {"groupid", 5}, {"prodname", 1}, {"partno", 1},
                {"reordlev", 5}, {"hide", 6},  {"location", 5}};
  for (const auto& t : kTypes) {
    if (sFieldName == QLatin1String(t.name)) {
      AssignValue(d4field(tb, t.name), sVal, t.type);
      return;
    }
  }
}
