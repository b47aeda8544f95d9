#pragma once
// The main window's report commands: the three fixed views, a stored report by id, the
// product search result and the transactions of one product, each shown in its own
// report window (tag "~" & report id), which a second request brings to the front.

#include <QString>
#include <cstdint>

class clsRptDef;

namespace reports {

// CheckCreateReport(106 / 102 / 101), then ShowCustomReport of that id.
void ShowQuickInventory();
void ShowInventory();
void ShowTransactions();
// Writes the built-in definition 101, 102 or 106 when the database has none under its
// key; a stored record (or any other id) is left alone.
void CheckCreateReport(int32_t nRptID);
// Loads the stored definition and shows it ("Unable to read report with ID: " when
// there is none).
void ShowCustomReport(int32_t nRptID);
// Rewrites definition 1 with the search and shows it in a new "~1" window.
void ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr, const QString& sSearchCaption);
// Rewrites definition 2 for the product and shows it in a new "~2" window.
void ShowTransactionsForProdRpt(int32_t nProductID);
// Brings the window tagged sFormID to the front in its normal state, or opens a new
// report window on a copy of the definition as a child of the main window.
void ShowRptContainer(const QString& sFormID, const clsRptDef& RptDef, bool bCloseOnPropChange);

// The record text of a built-in definition written by CheckCreateReport; "" for others.
QString BuiltInReportRecord(int32_t nRptID);

}  // namespace reports
