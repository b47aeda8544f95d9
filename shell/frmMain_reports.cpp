// The hub's report command (reports/).

#include "reports/frmMain_reports.h"

#include "shell/frmMain.h"

void frmMain::ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                                   const QString& sSearchCaption) {
  reports::ShowFoundProductsRpt(eSearchType, sSearchStr, sSearchCaption);
}
