// The main window's import and export commands.

#include "exchange/frmMain_exchange.h"
#include "shell/frmMain.h"

void frmMain::ImportProducts() { exchange::ImportProducts(); }
void frmMain::ImportTransactions() { exchange::ImportTransactions(); }
void frmMain::ExportCurrentInventory() { exchange::ExportCurrentInventory(); }
