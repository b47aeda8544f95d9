// clsDB: procedures on single rows of the products table (svlprod): display names,
// the product combo box, look-ups, the duplicate part-number test, standard amounts,
// hiding and deleting, deleting a product's transactions, the list-view search.

#include <QComboBox>
#include <string>
#include <vector>

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/ProductRow.h"
#include "database/clsDB.h"
#include "database/store/Lists.h"
#include "platform/controls/ListViewControl.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

using dbaccess::Check;
using dbaccess::Field;
using dbaccess::OwnTable;
using dbaccess::ScopedTable;

namespace {

const QString kRowId = QStringLiteral("rowid");
const QString kPartNo = QStringLiteral("partno");

// The products table positioned on the row of the id (true) or not.
bool SeekProduct(DATA4* tb, int32_t nProdId) {
  dbaccess::SelectTag(tb, kRowId);
  return dbaccess::SeekNumber(tb, nProdId) == 0;
}

}  // namespace

QString clsDB::MakeProductName2(const QString& sName, const QString& sPartNo, bool bPartNoFirst) const {
  return bPartNoFirst ? sPartNo + QStringLiteral(" [") + sName + QStringLiteral("]")
                      : sName + QStringLiteral(" [") + sPartNo + QStringLiteral("]");
}

QString clsDB::MakeProductName(const QString& sName, const QString& sPartNo) {
  return MakeProductName2(sName, sPartNo, ProdPartNumberFirstGet());
}

bool clsDB::GetProductName(int32_t nProdId, QString& sName, QString& sPartNo, DATA4*& tb_prod) {
  try {
    ScopedTable table(tb_prod, ProductsTable(), *this);
    if (!table.ok() || !SeekProduct(table.get(), nProdId)) return false;
    sName = prodrow::Text(table.get(), "prodname");
    sPartNo = prodrow::Text(table.get(), "partno");
    return true;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_GetProductName");
    return false;
  }
}

QString clsDB::GetProductName2(int32_t nProdId) {
  QString name, partNo;
  DATA4* tb = nullptr;
  return GetProductName(nProdId, name, partNo, tb) ? MakeProductName(name, partNo) : QString();
}

void clsDB::cboProducts(QComboBox& cbo) {
  const bool partNoFirst = ProdPartNumberFirstGet();
  std::vector<store::ProductListRow> rows;
  store::Status status;
  {
    OwnTable tb(ProductsTable(), *this);
    if (!tb.ok()) return;
    using store::SearchType;
    status = store::ReadProducts(Session(), tb.get(), partNoFirst ? SearchType::kPartNo : SearchType::kName, rows);
  }
  for (const store::ProductListRow& row : rows) cbo.addItem(MakeProductName2(row.name, row.partNo, partNoFirst), row.id);
  dbaccess::Report(status, "clsDB_cboProducts");
}

int32_t clsDB::LookUpByPartNo(const QString& sPartNo, DATA4*& tb_prod) {
  try {
    ScopedTable table(tb_prod, ProductsTable(), *this);
    if (!table.ok()) return -1;
    dbaccess::SelectTag(table.get(), kPartNo);
    // The tag is upper case: one whole-value seek finds the text in any case.
    if (dbaccess::Seek(table.get(), dbaccess::WholeKey(sPartNo, true)) != 0) return -1;
    return prodrow::Long(table.get(), "rowid");
  } catch (...) {
    dbaccess::ReportTrapped("cls_DB_LookUpByPartNo");
    return -1;
  }
}

bool clsDB::ProductPNExists(const QString& sPartNo, int32_t nThisProdID, DATA4*& tb_prod) {
  try {
    ScopedTable table(tb_prod, ProductsTable(), *this);
    if (!table.ok()) return false;
    DATA4* tb = table.get();
    dbaccess::SelectTag(tb, kPartNo);
    const std::string key = dbaccess::WholeKey(sPartNo, true);
    const QString wanted = dbaccess::Upper(sPartNo.trimmed());
    for (int rc = dbaccess::Seek(tb, key); rc == 0; rc = dbaccess::SeekNext(tb, key)) {
      if (nThisProdID > 0 && prodrow::Long(tb, "rowid") == nThisProdID) continue;
      if (dbaccess::Upper(prodrow::Text(tb, "partno")) == wanted) return true;
    }
    return false;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_ProductPNExists");
    return false;
  }
}

rt::Currency clsDB::ProductStdUnitAmt(int32_t nProdId, int32_t udAmtType, DATA4*& tb_prod) {
  if (nProdId < 1) return {};
  try {
    ScopedTable table(tb_prod, ProductsTable(), *this);
    if (!table.ok() || !SeekProduct(table.get(), nProdId)) return {};
    using store::AmountType;
    const char* field = udAmtType == store::Code(AmountType::kStdCost)    ? "stdcost"
                        : udAmtType == store::Code(AmountType::kStdPrice) ? "stdprice"
                                                                          : nullptr;
    if (field == nullptr) return {};
    return rt::Currency::FromDouble(f4double(Field(table.get(), QLatin1String(field))));
  } catch (...) {
    // The plain error box: no procedure line.
    rt::TrapError();
    const rt::ErrObject& err = rt::Err();
    const QString number = (err.Number() < 0 ? QString() : QStringLiteral(" ")) + QString::number(err.Number());
    ui::MsgBox(QStringLiteral("Error # ") + number + QStringLiteral(" was generated by ") + err.Source() +
                   gSystem().CR() + err.Description(),
               ui::vbCritical, QStringLiteral("Error"));
    return {};
  }
}

bool clsDB::ProductExists(int32_t nProdId) {
  DATA4* tb = nullptr;
  if (RecordExists(2, nProdId, ProductsTable(), kRowId, kRowId, tb) < 1) {
    RecordNonExistMsg();
    return false;
  }
  return true;
}

bool clsDB::HideProduct(int32_t nProdId, DATA4*& tb_prod) {
  try {
    ScopedTable table(tb_prod, ProductsTable(), *this);
    if (!table.ok()) return false;
    DATA4* tb = table.get();
    if (!SeekProduct(tb, nProdId)) {
      table.Close();
      ui::MsgBox(QStringLiteral("Product ID not found. Unable to update product record!"), ui::vbCritical);
      return false;
    }
    return dbaccess::ChangeLocked(tb, QStringLiteral("RECORD LOCKED: Unable to update product record!"), [&] {
      Check(Module1::FieldAssignText(Field(tb, QStringLiteral("hide")), gSystem().Bool2TorF(true)), "f4assignNVB");
    });
  } catch (...) {
    if (tb_prod != nullptr) d4unlock(tb_prod);
    dbaccess::ReportTrapped("clsDB_HideProduct");
    return false;
  }
}

bool clsDB::DeleteProduct(int32_t nProdId) {
  DATA4* tb = nullptr;
  return DeleteRecord(nProdId, ProductsTable(), tb, kRowId);
}

bool clsDB::DeleteProductTransactions(int32_t nProdId) {
  try {
    OwnTable tb(TranTable(), *this);
    if (!tb.ok()) return false;
    dbaccess::SelectTag(tb.get(), QStringLiteral("prodid"));
    const QString locked = QStringLiteral("RECORD LOCKED: Unable to Delete from ") + TranTable() +
                           QStringLiteral("(prodid=%1) !").arg(nProdId);
    int refusals = 0;
    while (true) {
      Check(d4top(tb.get()), "d4top");
      // Deleted rows leave the tag, so the next seek finds the next row of the product.
      if (dbaccess::SeekNumber(tb.get(), nProdId) != 0) return true;
      if (dbaccess::LockCurrent(tb.get()) == r4locked) {
        // Another user holds the row after the engine's attempts: Retry a bounded
        // number of times; the last refusal only tells.
        const bool last = ++refusals >= kDeleteTranAttempts;
        const int answer = ui::MsgBox(locked, ui::vbCritical | (last ? ui::vbOKOnly : ui::vbRetryCancel));
        if (last || answer != ui::vbRetry) return false;
        continue;
      }
      Check(d4delete(tb.get()), "d4delete");
      dbaccess::FlushUnlock(tb.get());
    }
  } catch (...) {
    dbaccess::ReportTrapped("DeleteProductTransactions");
    return false;
  }
}

void clsDB::LookupProducts(ctl::ListViewControl& lv, int32_t nSearchType, const QString& sSearch,
                           DATA4*& tb_prod) {
  using store::SearchType;
  store::Status status;
  {
    dbaccess::WaitCursor wait;
    ScopedTable table(tb_prod, ProductsTable(), *this);
    if (!table.ok()) return;
    const auto by = static_cast<SearchType>(nSearchType) == SearchType::kPartNo ? SearchType::kPartNo : SearchType::kName;
    lv.ListItems().Clear();
    std::vector<store::ProductListRow> rows;
    status = store::SearchProducts(Session(), table.get(), by, sSearch, rows);
    for (const store::ProductListRow& row : rows) {
      const bool byPartNo = by == SearchType::kPartNo;
      ctl::ListItem& item = lv.ListItems().Add(0, QStringLiteral("N%1").arg(row.id), byPartNo ? row.partNo : row.name);
      item.SetSubItems(1, byPartNo ? row.name : row.partNo);
    }
  }
  dbaccess::Report(status, "clsDB_LookupProducts");
}
