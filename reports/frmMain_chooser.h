#pragma once
// The main window's command that opens the report chooser.

namespace reports {

// Brings the window tagged "REPORTS" forward in its normal state, or opens a new
// frmRptDlg as a child of the main window. Nothing without a main window.
void ShowAllReports();

}  // namespace reports
