// Hub procedures of the report windows (reports/).

#include "reports/frmMain_reports.h"

#include "shell/frmMain.h"

void frmMain::ShowCustomReport(int32_t nRptID) { reports::ShowCustomReport(nRptID); }
void frmMain::ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                                   const QString& sSearchCaption) {
  reports::ShowFoundProductsRpt(eSearchType, sSearchStr, sSearchCaption);
}
void frmMain::ShowTransactionsForProdRpt(int32_t nProductID) { reports::ShowTransactionsForProdRpt(nProductID); }
