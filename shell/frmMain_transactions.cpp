// Hub procedures of the transaction entry (inventory/frmMain_transactions.h).

#include "database/clsTran.h"
#include "inventory/frmMain_transactions.h"
#include "shell/frmMain.h"

bool frmMain::AddNewTransaction(clsTran& udTran, bool scanMode) { return inventory::AddNewTransaction(udTran, scanMode); }
void frmMain::AddBatchTransaction() { inventory::AddBatchTransaction(); }
