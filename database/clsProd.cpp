#include "database/clsProd.h"

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/ProductRow.h"
#include "platform/runtime/Codepage.h"
#include "database/clsDB.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

using dbaccess::Check;
using dbaccess::Field;

namespace {

const QString kRowId = QStringLiteral("rowid");

void Text(DATA4* tb, const char* name, const QString& value) {
  Check(Module1::FieldAssignText(Field(tb, QLatin1String(name)), value), "f4assignNVB");
}

void Number(DATA4* tb, const char* name, double value) {
  Check(f4assignDouble(Field(tb, QLatin1String(name)), value), "f4assignDouble");
}

rt::Currency Amount(DATA4* tb, const char* name) {
  return rt::Currency::FromDouble(f4double(Field(tb, QLatin1String(name))));
}

void WriteFields(const clsProd& p, DATA4* tb) {
  Text(tb, "partno", p.sPartNo);
  Text(tb, "prodname", p.sProdName);
  Number(tb, "location", p.nLocation);
  Number(tb, "groupid", p.nGroup);
  Text(tb, "hide", gSystem().Bool2TorF(p.bHide));
  Number(tb, "reordlev", p.curReOrderLevel.ToDouble());
  Number(tb, "reordqty", p.curReOrderQty.ToDouble());
  Text(tb, "leadtime", p.sLeadTime);
  Number(tb, "manuf", p.nManuf);
  Number(tb, "vendor", p.nVendor);
  Number(tb, "stdcost", p.curStdCost.ToDouble());
  Number(tb, "stdprice", p.curStdPrice.ToDouble());
  Text(tb, "custom1", p.sCustom1);
  Text(tb, "custom2", p.sCustom2);
  Text(tb, "custom3", p.sCustom3);
  Text(tb, "custom4", p.sCustom4);
  const std::string notes = rt::ToCp1252(p.sNotes);
  Check(f4memoAssignN(Field(tb, QStringLiteral("notes")), notes.data(), static_cast<unsigned>(notes.size())),
        "f4memoAssignN");
}

void ReadFields(clsProd& p, DATA4* tb) {
  p.sPartNo = prodrow::Text(tb, "partno");
  p.sProdName = prodrow::Text(tb, "prodname");
  p.nLocation = prodrow::Long(tb, "location");
  p.nGroup = prodrow::Long(tb, "groupid");
  p.bHide = prodrow::IsHidden(tb);
  p.curReOrderLevel = Amount(tb, "reordlev");
  p.curReOrderQty = Amount(tb, "reordqty");
  p.sLeadTime = prodrow::Text(tb, "leadtime");
  p.nManuf = prodrow::Long(tb, "manuf");
  p.nVendor = prodrow::Long(tb, "vendor");
  p.curStdCost = Amount(tb, "stdcost");
  p.curStdPrice = Amount(tb, "stdprice");
  p.sCustom1 = prodrow::Text(tb, "custom1");
  p.sCustom2 = prodrow::Text(tb, "custom2");
  p.sCustom3 = prodrow::Text(tb, "custom3");
  p.sCustom4 = prodrow::Text(tb, "custom4");
  p.sNotes = Module1::MemoText(Field(tb, QStringLiteral("notes"))).trimmed();
}

void RecordBeginningInventory(const clsProd& p, DATA4* tbTran, clsDB& db) {
  clsTran tran;
  tran.nTranID = -1;
  tran.nProdId = p.nProdId;
  tran.nCatID = 0;
  tran.curUnitPrice = p.curStdCost;
  tran.curUnits = p.curBeginningInventory;
  tran.udTranType = store::Code(store::TranType::kReceive);
  tran.sNote = QStringLiteral("Do not delete! Beginning Inventory recorded when the product was added.");
  db.SaveTran(store::Code(store::SaveOper::kAdd), tran, tbTran);
}

}  // namespace

void clsProd::Init() {
  *this = clsProd{};
  nProdId = -1;
  nLocation = -1;
  nGroup = -1;
  nManuf = -1;
  nVendor = -1;
}

bool clsProd::SaveProduct(DATA4* tbProd, DATA4* tbTran, bool ignoreBI, clsDB& db) {
  bool written = false;
  try {
    if (tbProd == nullptr) rt::Raise(rt::kErrInvalidCall);
    if (nProdId < 1) {
      // A counter that failed has shown its message; nothing is appended.
      const int32_t id = db.GetNextID(QStringLiteral("svlprod.dbf"), true, 1000);
      if (id < 1) return false;
      Check(d4appendStartVB(tbProd, 0), "d4appendStartVB");
      Check(d4blank(tbProd), "d4blank");
      Number(tbProd, "rowid", id);
      WriteFields(*this, tbProd);
      if (Check(d4append(tbProd), "d4append") != 0) return false;
      nProdId = id;
      dbaccess::FlushUnlock(tbProd);  // the engine keeps a new record locked until then
      written = true;
    } else {
      dbaccess::SelectTag(tbProd, kRowId);
      if (dbaccess::SeekNumber(tbProd, nProdId) != 0) {
        ui::MsgBox(QStringLiteral("Product ID not found. Unable to update product record!"), ui::vbCritical);
        return false;
      }
      written = dbaccess::ChangeLocked(tbProd, QStringLiteral("RECORD LOCKED: Unable to update product record!"),
                                       [&] { WriteFields(*this, tbProd); });
    }
  } catch (...) {
    if (tbProd != nullptr) d4unlock(tbProd);
    dbaccess::ReportTrapped("clsProd_SaveProduct");
    return false;
  }
  if (written && !ignoreBI && curBeginningInventory > rt::Currency() && nProdId > 0) {
    RecordBeginningInventory(*this, tbTran, db);
  }
  return written;
}

bool clsProd::LoadProduct(int32_t nProdIDPass, DATA4*& tbProd, clsDB& db) {
  if (nProdIDPass < 1) return false;
  try {
    dbaccess::ScopedTable tb(tbProd, db.ProductsTable(), db);
    if (!tb.ok()) return false;
    dbaccess::SelectTag(tb.get(), kRowId);
    if (dbaccess::SeekNumber(tb.get(), nProdIDPass) != 0) {
      tb.Close();
      ui::MsgBox(QStringLiteral("Product ID not found. Unable to read product record!"), ui::vbCritical);
      return false;
    }
    clsProd loaded;
    loaded.Init();
    loaded.nProdId = nProdIDPass;
    ReadFields(loaded, tb.get());
    *this = loaded;
    return true;
  } catch (...) {
    dbaccess::ReportTrapped("clsProd_LoadProduct");
    return false;
  }
}

int32_t clsProd::LookupProduct(int32_t eSearchType, const QString& sSearchStr, DATA4*& tb, clsDB& db) {
  if (sSearchStr.trimmed().isEmpty()) return -1;
  try {
    dbaccess::ScopedTable table(tb, db.ProductsTable(), db);
    if (!table.ok()) return 0;
    const char* key = eSearchType == store::Code(store::SearchType::kPartNo) ? "partno" : "prodname";
    dbaccess::SelectTag(table.get(), QLatin1String(key));
    const std::string whole = dbaccess::WholeKey(sSearchStr, true);
    const QString wanted = dbaccess::Upper(sSearchStr.trimmed());
    int32_t found = -1;
    int count = 0;
    for (int rc = dbaccess::Seek(table.get(), whole); rc == 0; rc = dbaccess::SeekNext(table.get(), whole)) {
      if (prodrow::IsHidden(table.get())) continue;
      if (dbaccess::Upper(prodrow::Text(table.get(), key)) != wanted) continue;
      found = prodrow::Long(table.get(), "rowid");
      ++count;
    }
    return count == 1 ? found : -1;
  } catch (...) {
    dbaccess::ReportTrapped("clsProd_LookupProduct");
    return 0;
  }
}
