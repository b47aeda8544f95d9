#pragma once
// The main window's transaction entry commands: one transaction (with the chooser of
// product and type when either is missing, and the outstanding On Order or Allocate
// transactions a Receive or Ship may convert), the receipt or shipment of an
// outstanding transaction, the scan window and the batch window, called by the shell's
// menus and by the windows.

#include <cstdint>

class clsTran;

namespace inventory {

// A new transaction, of the product when nProdId is above 0.
void NewTransaction(int32_t nProdId);
// Enters udTran (asking for a missing product or type); true when the transaction
// dialog saved. A converted outstanding transaction is read back into udTran; when it
// can no longer be read, udTran is a fresh record again.
bool AddNewTransaction(clsTran& udTran, bool scanMode = false);
// 1 receives an outstanding On Order transaction, 5 ships an outstanding Allocate one.
void ShowOnOrderAllocatedTransactionsDlg(int32_t udTranType);
// The scan window, after every window but the main window was closed.
void ScanNewTransaction();
// The batch window.
void AddBatchTransaction();
void BatchNewTransaction();

}  // namespace inventory
