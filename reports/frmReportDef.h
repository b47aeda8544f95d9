#pragma once
// frmReportDef: the modal editor of one stored report definition: title, columns,
// criteria and options, each part edited by its own control; a stored definition can
// be deleted here. The caller creates it, calls InitExisting (or InitNew), runs it with
// ui::RunModal when that succeeded, then reads m_OK or m_udRptDef.RptID().
// OK stores the definition and closes only when the store gave it an id above 0; a
// failed save (-1) keeps the dialog open and the definition's id as it was.

#include <QDialog>
#include <QString>
#include <cstdint>

#include "database/clsRptDef.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class UCInvSel;
class UCRptCols;
class UCRptOptions;
class UCTranSel;

class frmReportDef : public QDialog {
  Q_OBJECT
 public:
  explicit frmReportDef(QWidget* parent = nullptr);

  clsRptDef m_udRptDef;
  bool m_OK = false;  // True after OK stored the definition or Delete removed it

  // Loads the stored definition and shows it; False (after "Unable to read report
  // definition!") when it cannot be read, False without a message for an id below 1.
  bool InitExisting(int32_t nRptID);
  // A new definition of that type (1 inventory, 2 transactions), shown; False.
  bool InitNew(int32_t udRptType);

  QLabel* lblHeading;
  QLabel* lblReportType;
  QLineEdit* txtRptTitle;
  QTabWidget* tabDef;
  UCRptCols* ctlCols;
  UCTranSel* ctlTranSel;
  UCInvSel* ctlInvSel;
  UCRptOptions* ctlRptOptions;
  QLabel* picTran;
  QLabel* picInv;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  QPushButton* cmdDelete;

 public slots:
  void OKButton_Click();
  void CancelButton_Click();
  void cmdDelete_Click();

 private:
  void SetControlValues();
  bool GetControlValues();
  void SetUI();
  void SetTagVariant();
  void SetWindowCaption();
  bool ValidateData();
  bool IsValidReportTitle();

  QString m_sValidationMsg;
};
