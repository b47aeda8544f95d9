// clsDB: the transactions table (svltran): type names, saving, reading and copying
// one row, and the existence tests.

#include <QComboBox>
#include <string>

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/clsDB.h"
#include "database/clsTran.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

using dbaccess::Check;
using dbaccess::Field;
using dbaccess::ScopedTable;

namespace {

const QString kRowId = QStringLiteral("rowid");

void Number(DATA4* tb, const char* name, double value) {
  Check(f4assignDouble(Field(tb, QLatin1String(name)), value), "f4assignDouble");
}

// Every field but rowid, from the record.
void WriteTranFields(const clsTran& t, DATA4* tb) {
  Number(tb, "prodid", t.nProdId);
  Check(Module1::FieldAssignText(Field(tb, QStringLiteral("trandate")), gSystem().CBDateFormat(t.sDate)),
        "f4assignNVB");
  Number(tb, "trantype", t.udTranType);
  Number(tb, "units", t.curUnits.ToDouble());
  Number(tb, "unitprc", t.curUnitPrice.ToDouble());
  const std::string note = rt::ToCp1252(t.sNote);
  Check(f4memoAssignN(Field(tb, QStringLiteral("notes")), note.data(), static_cast<unsigned>(note.size())),
        "f4memoAssignN");
  Number(tb, "catid", t.nCatID);
  Number(tb, "shipmethod", t.nAcctID);
}

clsTran ReadTran(DATA4* tb) {
  auto lng = [tb](const char* name) { return dbaccess::Long32(Field(tb, QLatin1String(name))); };
  auto amount = [tb](const char* name) {
    return rt::Currency::FromDouble(f4double(Field(tb, QLatin1String(name))));
  };
  clsTran t;
  t.nTranID = lng("rowid");
  t.nProdId = lng("prodid");
  t.sDate = gSystem().DBDateToDislayDate(Module1::FieldText(Field(tb, QStringLiteral("trandate"))),
                                          QStringLiteral("Short Date"));
  t.udTranType = lng("trantype");
  t.curUnits = amount("units");
  t.curUnitPrice = amount("unitprc");
  t.sNote = Module1::MemoText(Field(tb, QStringLiteral("notes"))).trimmed();
  t.nCatID = lng("catid");
  t.nAcctID = lng("shipmethod");
  return t;
}

// The id is taken before the append starts, and handed to the record only once the
// row exists: a failed counter or append saves nothing.
bool AppendTran(clsTran& t, DATA4* tb) {
  const int32_t id = gDB().GetNextID(QStringLiteral("svltran.dbf"), true, 1000);
  if (id < 1) return false;
  Check(d4appendStartVB(tb, 0), "d4appendStartVB");
  Check(d4blank(tb), "d4blank");
  Number(tb, "rowid", id);
  WriteTranFields(t, tb);
  if (Check(d4append(tb), "d4append") != 0) return false;
  t.nTranID = id;
  dbaccess::FlushUnlock(tb);  // the engine keeps a new record locked until then
  return true;
}

bool UpdateTran(const clsTran& t, DATA4* tb) {
  if (dbaccess::SeekNumber(tb, t.nTranID) != 0) return false;
  return dbaccess::ChangeLocked(tb, QStringLiteral("RECORD LOCKED: Unable to update transaction!"),
                                [&] { WriteTranFields(t, tb); });
}

}  // namespace

QString clsDB::GetTranTypeDesc(int32_t udTranType) const {
  switch (udTranType) {
    case 1: return QStringLiteral("On Order");
    case 2: return QStringLiteral("Receive");
    case 3: return QStringLiteral("Shrinkage");
    case 4: return QStringLiteral("Ship");
    case 5: return QStringLiteral("Allocate");
    default: return QStringLiteral("Unknown");
  }
}

void clsDB::cboTranactionTypes(QComboBox& cbo) {
  for (int32_t type : {1, 2, 3, 5, 4}) cbo.addItem(GetTranTypeDesc(type), type);
}

bool clsDB::SaveTran(int32_t udOper, clsTran& udTran, DATA4*& tb_tran) {
  if (udOper == 1 && udTran.nTranID < 1) return false;
  try {
    ScopedTable table(tb_tran, TranTable());
    if (!table.ok()) return false;
    dbaccess::SelectTag(table.get(), kRowId);
    switch (udOper) {
      case 0: return AppendTran(udTran, table.get());
      case 1: return UpdateTran(udTran, table.get());
      case 2: return DeleteRecord(udTran.nTranID, TranTable(), tb_tran, kRowId);
      default: return false;
    }
  } catch (...) {
    // A table this call opened is closed by now; the caller's keeps no lock of ours.
    if (tb_tran != nullptr) d4unlock(tb_tran);
    dbaccess::ReportTrapped("clsDB_SaveTran");
    return false;
  }
}

bool clsDB::GetTran(int32_t nTranID, clsTran& udTran) {
  try {
    dbaccess::OwnTable tb(TranTable());
    if (!tb.ok()) return false;
    dbaccess::SelectTag(tb.get(), kRowId);
    if (dbaccess::SeekNumber(tb.get(), nTranID) != 0) return false;
    udTran = ReadTran(tb.get());
    return true;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_GetTran");
    return false;
  }
}

bool clsDB::CopyTran(const clsTran& udTran, int32_t udType, rt::Currency curUnits, const QString& sPrevDate) {
  clsTran copy;
  copy.nTranID = -1;
  copy.nCatID = udTran.nCatID;
  copy.nAcctID = udTran.nAcctID;
  copy.nProdId = udTran.nProdId;
  copy.curUnitPrice = udTran.curUnitPrice;
  copy.sDate = udTran.sDate;
  if (!gSystem().CBDateFormat(sPrevDate).isEmpty()) copy.sDate = sPrevDate;
  copy.sNote = udTran.sNote;
  copy.curUnits = curUnits;
  copy.udTranType = udType;
  DATA4* tb = nullptr;
  return SaveTran(0, copy, tb);
}

bool clsDB::ProductHasTransactions(int32_t nProdId) {
  try {
    dbaccess::OwnTable tb(TranTable());
    if (!tb.ok()) return false;
    dbaccess::SelectTag(tb.get(), QStringLiteral("prodid"));
    return dbaccess::SeekNumber(tb.get(), nProdId) == 0;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_ProductHasTransactions");
    return false;
  }
}

bool clsDB::TransactionExists(int32_t nTranID) {
  DATA4* tb = nullptr;
  if (RecordExists(2, nTranID, TranTable(), kRowId, kRowId, tb) < 1) {
    RecordNonExistMsg();
    return false;
  }
  return true;
}
