#include "database/clsProd.h"

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/ProductTables.h"
#include "platform/runtime/Codepage.h"
#include "database/clsDB.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "database/store/Fields.h"
#include "database/store/Products.h"
#include "database/store/RowScan.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"


namespace {

store::ProductRecord RecordOf(const clsProd& p) {
  store::ProductRecord r;
  r.partNo = p.sPartNo;
  r.name = p.sProdName;
  r.location = p.nLocation;
  r.group = p.nGroup;
  r.hidden = p.bHide;
  r.reorderLevel = p.curReOrderLevel;
  r.reorderQty = p.curReOrderQty;
  r.leadTime = p.sLeadTime;
  r.manuf = p.nManuf;
  r.vendor = p.nVendor;
  r.stdCost = p.curStdCost;
  r.stdPrice = p.curStdPrice;
  r.custom1 = p.sCustom1;
  r.custom2 = p.sCustom2;
  r.custom3 = p.sCustom3;
  r.custom4 = p.sCustom4;
  r.notes = p.sNotes;
  return r;
}

void TakeRecord(clsProd& p, const store::ProductRecord& r) {
  p.sPartNo = r.partNo;
  p.sProdName = r.name;
  p.nLocation = r.location;
  p.nGroup = r.group;
  p.bHide = r.hidden;
  p.curReOrderLevel = r.reorderLevel;
  p.curReOrderQty = r.reorderQty;
  p.sLeadTime = r.leadTime;
  p.nManuf = r.manuf;
  p.nVendor = r.vendor;
  p.curStdCost = r.stdCost;
  p.curStdPrice = r.stdPrice;
  p.sCustom1 = r.custom1;
  p.sCustom2 = r.custom2;
  p.sCustom3 = r.custom3;
  p.sCustom4 = r.custom4;
  p.sNotes = r.notes;
}

bool RecordBeginningInventory(const clsProd& p, DATA4* tbTran, clsDB& db) {
  clsTran tran;
  tran.nTranID = -1;
  tran.nProdId = p.nProdId;
  tran.nCatID = 0;
  tran.curUnitPrice = p.curStdCost;
  tran.curUnits = p.curBeginningInventory;
  tran.udTranType = store::Code(store::TranType::kReceive);
  tran.sNote = QStringLiteral("Do not delete! Beginning Inventory recorded when the product was added.");
  return db.SaveTran(store::Code(store::SaveOper::kAdd), tran, tbTran);
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
  db.NoteSave(store::Failure::kError);
  if (tbProd == nullptr) {
    try {
      rt::Raise(rt::kErrInvalidCall);
    } catch (...) {
      dbaccess::ReportTrapped("clsProd_SaveProduct");
      return false;
    }
  }
  const store::Session session = db.Session();
  const store::Products products(session);
  const QString locked = QStringLiteral("RECORD LOCKED: Unable to update product record!");
  store::Status status;
  const bool added = nProdId < 1;
  if (added) {
    // A counter that failed has shown its message; nothing is appended.
    const int32_t id = db.GetNextID(QStringLiteral("svlprod.dbf"), true, 1000);
    if (id < 1) {
      if (id == 0) db.NoteSave(store::Failure::kLocked);
      return false;
    }
    status = products.Append(RecordOf(*this), id, tbProd);
    if (status.ok()) nProdId = id;
  } else {
    const store::ProductRecord row = RecordOf(*this);
    status = dbaccess::SaveAsking(
        loaded, QStringLiteral("product"),
        [&](store::ProductRecord* loadedRow) { return products.Update(nProdId, row, tbProd, loadedRow); },
        [&] { return products.Get(nProdId, tbProd); },
        [&](const store::ProductRecord& r) { return db.MakeProductName(r.name, r.partNo); },
        [&](const store::ProductRecord& r) { TakeRecord(*this, r); });
    if (status.is(store::Failure::kNotFound)) {
      ui::MsgBox(QStringLiteral("Product ID not found. Unable to update product record!"), ui::vbCritical);
    }
  }
  db.NoteSave(status.failure);
  dbaccess::Report(status, "clsProd_SaveProduct", locked);
  if (!status.ok()) return false;
  if (ignoreBI || curBeginningInventory <= rt::Currency() || nProdId < 1) return true;
  if (RecordBeginningInventory(*this, tbTran, db)) return true;
  // The Receive failed (reported by SaveTran). A product added now is taken back, so no
  // copy ever keeps it without its beginning inventory; a retry adds both again.
  if (added && db.DeleteRecord(nProdId, db.ProductsTable(), tbProd, QStringLiteral("rowid"))) nProdId = -1;
  return false;
}

bool clsProd::LoadProduct(int32_t nProdIDPass, DATA4* tbProd, clsDB& db) {
  if (nProdIDPass < 1) return false;
  store::Result<store::ProductRecord> row;
  {
    const store::Table tb = dbaccess::UseTable(tbProd, db.ProductsTable(), db);
    if (!tb.ok()) return false;
    const store::Session session = db.Session();
    row = store::Products(session).Get(nProdIDPass, tb.get());
  }
  if (row.status.is(store::Failure::kNotFound)) {
    ui::MsgBox(QStringLiteral("Product ID not found. Unable to read product record!"), ui::vbCritical);
  }
  dbaccess::Report(row.status, "clsProd_LoadProduct");
  if (!row.ok()) return false;
  Init();
  nProdId = nProdIDPass;
  TakeRecord(*this, row.value);
  loaded = row.value;
  return true;
}

int32_t clsProd::LookupProduct(int32_t eSearchType, const QString& sSearchStr, DATA4* tb, clsDB& db) {
  if (sSearchStr.trimmed().isEmpty()) return -1;
  try {
    const store::Table table = dbaccess::UseTable(tb, db.ProductsTable(), db);
    if (!table.ok()) return 0;
    const char* key = eSearchType == store::Code(store::SearchType::kPartNo) ? "partno" : "prodname";
    const QString wanted = dbaccess::Upper(sSearchStr.trimmed());
    DATA4* t = table.get();
    int32_t found = -1;
    int count = 0;
    // The fields are looked up only when a key matches.
    store::RowScan scan(db.Session(), t);
    for (bool on = scan.FirstWithKey(key, dbaccess::WholeKey(sSearchStr, true)); on; on = scan.Next()) {
      if (store::ProductHidden(store::FieldOf(t, "hide"))) continue;
      if (dbaccess::Upper(store::TrimmedText(store::FieldOf(t, key))) != wanted) continue;
      found = store::Long32(store::FieldOf(t, "rowid"));
      ++count;
    }
    return count == 1 ? found : -1;
  } catch (...) {
    dbaccess::ReportTrapped("clsProd_LookupProduct");
    return 0;
  }
}

bool clsProd::LoadForEdit(int32_t nProdIDPass, clsDB& db) {
  dbaccess::ProductTables tables;
  return tables.Open(db) && LoadProduct(nProdIDPass, tables.prod.get(), db);
}

bool clsProd::SaveEdited(clsDB& db) {
  dbaccess::ProductTables tables;
  return tables.Open(db) && SaveProduct(tables.prod.get(), tables.tran.get(), false, db);
}
