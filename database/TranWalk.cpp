#include "database/TranWalk.h"

TranWalk::TranWalk(clsDB& db) : db_(db) {
  prod_ = db.OpenTable(db.ProductsTable());
  if (!prod_.ok()) return;
  tran_ = db.OpenTable(db.TranTable());
}

store::TranScan& TranWalk::scan() {
  if (!scan_) scan_.emplace(db_.Session(), tran_.get());
  return *scan_;
}

bool TranWalk::ProductName(int32_t nProdId, QString& sName, QString& sPartNo) {
  return db_.GetProductName(nProdId, sName, sPartNo, prod_.get());
}
