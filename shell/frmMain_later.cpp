// Hub procedures whose windows are built with their own folders (the product list and
// editor, the transaction entry, the list editor, reports, import and export). Until a
// window lands its procedure does nothing; the menu and list-bar items that reach it
// are disabled (frmMain.cpp, Targets()). Wiring one is its body here and its run entry
// in that table.

#include "shell/frmMain.h"

void frmMain::ShowInventory() {}
void frmMain::ShowQuickInventory() {}
void frmMain::ShowTransactions() {}
void frmMain::CheckCreateReport(int32_t /*nRptID*/) {}
void frmMain::ShowCustomReport(int32_t /*nRptID*/) {}
void frmMain::ShowFoundProductsRpt(int32_t /*eSearchType*/, const QString& /*sSearchStr*/,
                                   const QString& /*sSearchCaption*/) {}
void frmMain::ShowTransactionsForProdRpt(int32_t /*nProductID*/) {}
void frmMain::ShowRptContainer(const QString& /*sFormID*/, clsRptDef& /*RptDef*/,
                               bool /*bCloseOnPropChange*/) {}
