// The report chooser command.

#include "reports/frmMain_chooser.h"
#include "shell/frmMain.h"

void frmMain::ShowAllReports() { reports::ShowAllReports(); }
