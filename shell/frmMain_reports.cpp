// The main window's report commands, forwarded to the reports folder.

#include "reports/frmMain_reports.h"

#include "shell/frmMain.h"

void frmMain::ShowInventory() { reports::ShowInventory(); }
void frmMain::ShowQuickInventory() { reports::ShowQuickInventory(); }
void frmMain::ShowTransactions() { reports::ShowTransactions(); }
void frmMain::CheckCreateReport(int32_t nRptID) { reports::CheckCreateReport(nRptID); }
void frmMain::ShowCustomReport(int32_t nRptID) { reports::ShowCustomReport(nRptID); }
void frmMain::ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                                   const QString& sSearchCaption) {
  reports::ShowFoundProductsRpt(eSearchType, sSearchStr, sSearchCaption);
}
void frmMain::ShowTransactionsForProdRpt(int32_t nProductID) { reports::ShowTransactionsForProdRpt(nProductID); }
void frmMain::ShowRptContainer(const QString& sFormID, clsRptDef& RptDef, bool bCloseOnPropChange) {
  reports::ShowRptContainer(sFormID, RptDef, bCloseOnPropChange);
}
