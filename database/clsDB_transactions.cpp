// clsDB: the transactions table (svltran): type names, saving, reading and copying
// one row, and the existence tests.

#include <QComboBox>

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/clsTran.h"
#include "database/store/Stock.h"
#include "database/store/Transactions.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"


namespace {

const QString kRowId = QStringLiteral("rowid");
const QString kUpdateLocked = QStringLiteral("RECORD LOCKED: Unable to update transaction!");

// The record as the store's row, its date in the stored form given.
store::TranRow RowOf(const clsTran& t, const QString& storedDate) {
  store::TranRow r;
  r.id = t.nTranID;
  r.prodId = t.nProdId;
  r.date = storedDate;
  r.type = static_cast<store::TranType>(t.udTranType);
  r.units = t.curUnits;
  r.unitPrice = t.curUnitPrice;
  r.note = t.sNote;
  r.catId = t.nCatID;
  r.acctId = t.nAcctID;
  return r;
}

clsTran TranOf(const store::TranRow& r) {
  clsTran t;
  t.nTranID = r.id;
  t.nProdId = r.prodId;
  t.sDate = gSystem().DBDateToDislayDate(r.date, QStringLiteral("Short Date"));
  t.udTranType = store::Code(r.type);
  t.curUnits = r.units;
  t.curUnitPrice = r.unitPrice;
  t.sNote = r.note;
  t.nCatID = r.catId;
  t.nAcctID = r.acctId;
  t.loaded = r;
  return t;
}

// Writes an edit of the record through `write`, asking the user about another user's
// change since the record was read; No reloads the record.
template <class Write>
store::Status SaveEdit(clsDB& db, clsTran& udTran, const store::Transactions& transactions, DATA4* tb, Write write) {
  return dbaccess::SaveAsking(
      udTran.loaded, QStringLiteral("transaction"), write, [&] { return transactions.Get(udTran.nTranID, tb); },
      [&](const store::TranRow& r) {
        return db.GetTranTypeDesc(store::Code(r.type)) + QStringLiteral(" of ") + db.GetProductName2(r.prodId);
      },
      [&](const store::TranRow& r) { udTran = TranOf(r); });
}

}  // namespace

std::optional<std::vector<size_t>> clsDB::TranFiguresOverflow(const std::vector<clsTran>& entries, DATA4* tb_tran) {
  const store::Table table = dbaccess::UseTable(tb_tran, TranTable(), *this);
  if (!table.ok()) return std::nullopt;
  std::vector<store::TranRow> rows;
  rows.reserve(entries.size());
  for (const clsTran& t : entries) rows.push_back(RowOf(t, {}));
  const store::Session session = Session();
  const store::Result<std::vector<size_t>> refused = store::Stock(session).Overflowing(rows, table.get());
  dbaccess::Report(refused.status, "clsDB_TranFiguresOverflow");
  if (!refused.ok()) return std::nullopt;
  return refused.value;
}

QString clsDB::GetTranTypeDesc(int32_t udTranType) const {
  using store::TranType;
  switch (static_cast<TranType>(udTranType)) {
    case TranType::kOnOrder: return QStringLiteral("On Order");
    case TranType::kReceive: return QStringLiteral("Receive");
    case TranType::kShrinkage: return QStringLiteral("Shrinkage");
    case TranType::kShip: return QStringLiteral("Ship");
    case TranType::kAllocate: return QStringLiteral("Allocate");
  }
  return QStringLiteral("Unknown");
}

void clsDB::cboTranactionTypes(QComboBox& cbo) {
  using store::TranType;
  for (TranType type : {TranType::kOnOrder, TranType::kReceive, TranType::kShrinkage, TranType::kAllocate, TranType::kShip}) {
    cbo.addItem(GetTranTypeDesc(store::Code(type)), store::Code(type));
  }
}

bool clsDB::SaveTran(int32_t udOper, clsTran& udTran, DATA4* tb_tran) {
  using store::SaveOper;
  const auto oper = static_cast<SaveOper>(udOper);
  NoteSave(store::Failure::kError);
  if (oper == SaveOper::kUpdate && udTran.nTranID < 1) return false;
  const store::Table table = dbaccess::UseTable(tb_tran, TranTable(), *this);
  if (!table.ok()) return false;
  const store::Session session = Session();
  const store::Transactions transactions(session);
  store::TranRow row = RowOf(udTran, StoredTranDate(udTran.sDate));
  store::Status status;
  switch (oper) {
    case SaveOper::kAdd: {
      // The id is taken first and handed to the record only once the row exists: a
      // failed counter or append saves nothing.
      const int32_t id = GetNextID(QLatin1String(store::Transactions::kCounter), true, store::Transactions::kFirstId);
      if (id < 1) {
        if (id == 0) NoteSave(store::Failure::kLocked);
        return false;
      }
      status = transactions.Append(row, id, table.get());
      if (status.ok()) udTran.nTranID = row.id;
      break;
    }
    case SaveOper::kUpdate:
      status = SaveEdit(*this, udTran, transactions, table.get(),
                        [&](store::TranRow* loaded) { return transactions.Update(row, table.get(), loaded); });
      break;
    case SaveOper::kDelete:
      return DeleteRecord(udTran.nTranID, TranTable(), table.get(), kRowId);
    default:
      return false;
  }
  NoteSave(status.failure);
  dbaccess::Report(status, "clsDB_SaveTran", kUpdateLocked);
  return status.ok();
}

std::vector<store::TranRow> clsDB::TranRows(const std::vector<clsTran>& trans) const {
  std::vector<store::TranRow> rows;
  rows.reserve(trans.size());
  for (const clsTran& t : trans) rows.push_back(RowOf(t, StoredTranDate(t.sDate)));
  return rows;
}

size_t clsDB::AddTrans(std::vector<clsTran>& trans, DATA4* tb_tran) {
  NoteSave(store::Failure::kError);
  if (trans.empty()) return 0;
  const store::Table table = dbaccess::UseTable(tb_tran, TranTable(), *this);
  if (!table.ok()) return 0;
  std::vector<store::TranRow> rows = TranRows(trans);
  // The ids are taken first and handed to the records only once the rows exist.
  const int32_t first = ReserveIDs(QLatin1String(store::Transactions::kCounter), static_cast<int32_t>(rows.size()),
                                   store::Transactions::kFirstId);
  if (first < 1) {
    if (first == 0) NoteSave(store::Failure::kLocked);
    return 0;
  }
  const store::Session session = Session();
  const store::Status status = store::Transactions(session).AppendAll(rows, first, table.get());
  size_t added = 0;
  for (; added < rows.size() && rows[added].id >= first; ++added) trans[added].nTranID = rows[added].id;
  NoteSave(status.failure);
  dbaccess::Report(status, "clsDB_SaveTran", kUpdateLocked);
  return added;
}

bool clsDB::ConvertTran(clsTran& udTran, int32_t udFromType) {
  if (udTran.nTranID < 1) return false;
  const store::Table tb = OpenTable(TranTable());
  if (!tb.ok()) return false;
  const store::Session session = Session();
  const store::Transactions transactions(session);
  const store::TranRow row = RowOf(udTran, StoredTranDate(udTran.sDate));
  const store::Status status = SaveEdit(*this, udTran, transactions, tb.get(), [&](store::TranRow* loaded) {
    return transactions.Convert(row, static_cast<store::TranType>(udFromType), tb.get(), loaded);
  });
  if (status.is(store::Failure::kNotFound)) ui::MsgBox(QLatin1String(kConvertGoneMsg), ui::vbExclamation);
  dbaccess::Report(status, "clsDB_SaveTran", kUpdateLocked);
  return status.ok();
}

bool clsDB::GetTran(int32_t nTranID, clsTran& udTran, bool bSayMissing) {
  const store::Table tb = OpenTable(TranTable());
  if (!tb.ok()) return false;
  const store::Session session = Session();
  const store::Result<store::TranRow> row = store::Transactions(session).Get(nTranID, tb.get());
  dbaccess::Report(row.status, "clsDB_GetTran");
  if (bSayMissing && row.status.is(store::Failure::kNotFound)) RecordNonExistMsg();
  if (!row.ok()) return false;
  udTran = TranOf(row.value);
  return true;
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
  return SaveTran(store::Code(store::SaveOper::kAdd), copy, nullptr);
}

bool clsDB::ProductHasTransactions(int32_t nProdId) {
  const store::Table tb = OpenTable(TranTable());
  if (!tb.ok()) return false;
  const store::Session session = Session();
  const store::Result<bool> has = store::Transactions(session).ProductHasTransactions(nProdId, tb.get());
  dbaccess::Report(has.status, "clsDB_ProductHasTransactions");
  return has.ok() && has.value;
}

bool clsDB::TranStored(int32_t nTranID) {
  return nTranID > 0 &&
         RecordExists(store::Code(store::KeyKind::kNumber), nTranID, TranTable(), kRowId, kRowId, nullptr) == nTranID;
}

bool clsDB::TransactionExists(int32_t nTranID) {
  if (RecordExists(store::Code(store::KeyKind::kNumber), nTranID, TranTable(), kRowId, kRowId, nullptr) < 1) {
    RecordNonExistMsg();
    return false;
  }
  return true;
}
