// Hub procedures whose windows are built with their own folders (the product list and
// editor, the transaction entry, the list editor, reports, import and export). Until a
// window lands its procedure does nothing; the menu and list-bar items that reach it
// are disabled (frmMain.cpp, Targets()). Wiring one is its body here and its run entry
// in that table.

#include "services/clsSystem.h"
#include "shell/frmMain.h"

void frmMain::ListMgmt(const QString& /*sTag*/, const QString& /*sWinCaption*/,
                       const QString& /*lvCaption*/, const QString& /*sTablename*/,
                       const QString& /*sTablePath*/, const QString& /*sRowIDCol*/,
                       const QString& /*sStrCol*/, int32_t /*nType*/,
                       const QString& /*sCrossCheckTablePath1*/, const QString& /*sCrossCheckCol1*/,
                       const QString& /*sCrossCheckTablePath2*/, const QString& /*sCrossCheckCol2*/,
                       bool bUnload) {
  if (bUnload) gSystem().UnloadAll(QStringLiteral("MAINFORM"));
}

void frmMain::ShowProdList() {}
void frmMain::NewProductFromMenu() {}
int32_t frmMain::AddEditNewProduct(clsProd& /*ProdInfo*/) { return 0; }
bool frmMain::DeleteProduct(int32_t /*nProductID*/, const QString& /*sProductName*/) { return false; }
void frmMain::LookupProduct() {}
void frmMain::NewTransaction(int32_t /*nProdId*/) {}
bool frmMain::AddNewTransaction(clsTran& /*udTran*/, bool /*scanMode*/) { return false; }
void frmMain::AddBatchTransaction() {}
void frmMain::BatchNewTransaction() {}
void frmMain::ScanNewTransaction() {}
void frmMain::ShowOnOrderAllocatedTransactionsDlg(int32_t /*udTranType*/) {}
void frmMain::ShowAllReports() {}
void frmMain::ImportProducts() {}
void frmMain::ImportTransactions() {}
void frmMain::ExportCurrentInventory() {}
