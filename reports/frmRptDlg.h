#pragma once
// frmRptDlg: the "Reports" window (tag "REPORTS"): every stored report definition from
// id 100 on, from which the user runs, edits, copies or creates reports. Running goes
// to the main window (ShowCustomReport); editing and creating through frmReportDef.
// Opened by reports::ShowAllReports as a child of the main window. A reload whose
// report is gone selects the first item.

#include <QWidget>
#include <cstdint>

class QLabel;
class QPushButton;
namespace ctl {
class ListViewControl;
}

class frmRptDlg : public QWidget {
  Q_OBJECT
 public:
  explicit frmRptDlg(QWidget* parent = nullptr);

  // The column headers, then the list.
  void Form_Load();
  void InitCtrls();
  // Reloads the list and selects `nSelRptID` (-1: the item selected before, else the
  // first). Errors: "frmRptDlg_LoadData".
  void LoadData(int32_t nSelRptID);

  ctl::ListViewControl* lv;
  QWidget* BtnBar;
  QPushButton* cmdView;
  QPushButton* cmdEdit;
  QPushButton* cmdCopy;
  QLabel* Label1;
  QPushButton* cmdNewInvRpt;
  QPushButton* cmdNewTranRpt;
  QPushButton* cmdRefresh;
  QPushButton* CancelButton;

 public slots:
  void cmdView_Click();
  void cmdEdit_Click();
  void cmdCopy_Click();
  void cmdNewInvRpt_Click();
  void cmdNewTranRpt_Click();
  void cmdRefresh_Click();
  void CancelButton_Click();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void NewReport(int32_t eRptType);
  static QString MakeItemKey(int32_t nRptID);
  // The id of the selected report; false after "Please select a report!" when none is.
  bool SelectedID(int32_t& nRptID) const;
};

namespace reports {

// Brings the window tagged "REPORTS" forward in its normal state, or opens a new
// frmRptDlg as a child of the main window. Nothing without a main window.
void ShowAllReports();

}  // namespace reports
