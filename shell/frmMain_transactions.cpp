// The transaction entry procedures of the hub: inventory/frmMain_transactions.h.

#include "database/clsTran.h"
#include "inventory/frmMain_transactions.h"
#include "shell/frmMain.h"

void frmMain::NewTransaction(int32_t nProdId) { inventory::NewTransaction(nProdId); }
bool frmMain::AddNewTransaction(clsTran& udTran, bool scanMode) { return inventory::AddNewTransaction(udTran, scanMode); }
void frmMain::AddBatchTransaction() { inventory::AddBatchTransaction(); }
void frmMain::BatchNewTransaction() { inventory::BatchNewTransaction(); }
void frmMain::ScanNewTransaction() { inventory::ScanNewTransaction(); }
void frmMain::ShowOnOrderAllocatedTransactionsDlg(int32_t udTranType) {
  inventory::ShowOnOrderAllocatedTransactionsDlg(udTranType);
}
