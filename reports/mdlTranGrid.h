#pragma once
// mdlTranGrid: fills the grid of a transactions report (type 2) with one row per
// transaction that passes the definition's criteria, read through the most selective
// of the store's walks (TranGridWalkFor), and reloads single rows after the pane edited a transaction. The definition's
// ReadColDefs must have run. No state between calls.
//
// The walk moves over the caller's open table through store::TranScan and converts only
// the fields shown; products are read once each. A load runs inside GridLoad (the
// application-modal "Loading Data" dialog with Cancel, events pumped about every 50 ms, no
// second load while one runs). A value that repeats (a date, a type, a product's texts)
// is stored once and later cells share it (GridControl::ShareCell); the grid is sorted
// afterwards.

#include <QString>
#include <cstdint>

class clsRptDef;
namespace ctl {
class GridControl;
}

namespace reports {

// Clears and refills the grid; selects the transaction nSelRowID afterwards when it is
// shown (else row 1). Transactions whose product is missing get no row; one message
// lists them after the walk. False when a table did not open (reported).
bool LoadTranGrid(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nSelRowID);
// Rewrites row nRow from transaction nTranID, whatever the criteria say; nothing when
// the transaction (or its product) is not found.
void ReloadTranRow(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nRow, int32_t nTranID);

// The walk a load takes for the criteria: the product's transactions when one is chosen,
// else the type's when one is (0 or below means every type), else all of them.
enum class TranGridWalk { kOfProduct, kOfType, kAll };
TranGridWalk TranGridWalkFor(int32_t nProductID, int32_t udTranType);

}  // namespace reports
