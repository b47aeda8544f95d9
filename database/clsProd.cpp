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

// The Receive that records a new product's beginning inventory.
clsTran BeginningInventory(const clsProd& p) {
  clsTran tran;
  tran.nTranID = -1;
  tran.nProdId = p.nProdId;
  tran.nCatID = 0;
  tran.curUnitPrice = p.curStdCost;
  tran.curUnits = p.curBeginningInventory;
  tran.udTranType = store::Code(store::TranType::kReceive);
  tran.sNote = QLatin1String(store::Products::kBeginningNote);
  return tran;
}

const QString kLockedText = QStringLiteral("RECORD LOCKED: Unable to update product record!");

}  // namespace

store::ProductRecord clsProd::Record() const { return RecordOf(*this); }

QString clsProd::LockedText() { return kLockedText; }

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
  if (nProdId < 1) return AddProducts(std::span(this, 1), tbProd, tbTran, ignoreBI, db) == 1;
  const store::Session session = db.Session();
  const store::Products products(session);
  const store::ProductRecord row = RecordOf(*this);
  const store::Status status = dbaccess::SaveAsking(
      loaded, QStringLiteral("product"),
      [&](store::ProductRecord* loadedRow) { return products.Update(nProdId, row, tbProd, loadedRow); },
      [&] { return products.Get(nProdId, tbProd); },
      [&](const store::ProductRecord& r) { return db.MakeProductName(r.name, r.partNo); },
      [&](const store::ProductRecord& r) { TakeRecord(*this, r); });
  if (status.is(store::Failure::kNotFound)) {
    ui::MsgBox(QStringLiteral("Product ID not found. Unable to update product record!"), ui::vbCritical);
  }
  db.NoteSave(status.failure);
  dbaccess::Report(status, "clsProd_SaveProduct", kLockedText);
  if (!status.ok()) return false;
  if (ignoreBI || curBeginningInventory <= rt::Currency()) return true;
  std::vector<clsTran> receipt{BeginningInventory(*this)};
  return db.AddTrans(receipt, tbTran) == 1;
}

size_t clsProd::AddProducts(std::span<clsProd> products, DATA4* tbProd, DATA4* tbTran, bool ignoreBI, clsDB& db,
                            bool tellLocked) {
  db.NoteSave(store::Failure::kError);
  if (products.empty()) return 0;
  // The ids are taken first. When a counter fails nothing is appended, and its message
  // shows once the holds of the append locks are given up, as after an append.
  const store::Result<int32_t> first =
      db.TakeIDs(QLatin1String(store::Products::kFile), static_cast<int32_t>(products.size()), 1000);
  std::vector<clsTran> receipts;
  std::vector<size_t> receiptOf;
  for (size_t i = 0; i < products.size() && first.ok() && !ignoreBI; ++i) {
    products[i].nProdId = first.value + static_cast<int32_t>(i);
    if (products[i].curBeginningInventory <= rt::Currency()) continue;
    receipts.push_back(BeginningInventory(products[i]));
    receiptOf.push_back(i);
  }
  const store::Result<int32_t> firstTran =
      receipts.empty() || !first.ok()
          ? first
          : db.TakeIDs(QLatin1String(store::Transactions::kCounter), static_cast<int32_t>(receipts.size()),
                       store::Transactions::kFirstId);
  for (clsProd& p : products) p.nProdId = -1;
  if (!firstTran.ok()) {
    for (DATA4* tb : {tbProd, tbTran}) {
      if (tb != nullptr) store::DropLocks(tb);
    }
    if (clsDB::CounterValue(firstTran) == 0) db.NoteSave(store::Failure::kLocked);
    return 0;
  }
  std::vector<store::ProductRecord> rows;
  rows.reserve(products.size());
  for (const clsProd& p : products) rows.push_back(RecordOf(p));
  std::vector<store::TranRow> receiptRows = db.TranRows(receipts);
  const store::Session session = db.Session();
  size_t appended = 0;
  const store::Status status =
      store::Products(session).AppendWithReceipts(rows, first.value, receiptRows, receiptOf, firstTran.value, &appended,
                                                  tbProd, tbTran);
  for (size_t i = 0; i < appended; ++i) products[i].nProdId = first.value + static_cast<int32_t>(i);
  // Reported once every lock is given up.
  db.NoteSave(status.failure);
  if (tellLocked || !status.is(store::Failure::kLocked)) dbaccess::Report(status, "clsProd_SaveProduct", kLockedText);
  return appended;
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
  Take(nProdIDPass, row.value);
  return true;
}

void clsProd::Take(int32_t id, const store::ProductRecord& row) {
  Init();
  nProdId = id;
  TakeRecord(*this, row);
  loaded = row;
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
