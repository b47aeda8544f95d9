#pragma once
// frmScanNewTran: records transactions one scanned or typed part number at a time.
// Each OK looks the part number up (the whole number, as the index keys compare it),
// builds a transaction of one unit with the chosen type and the optional defaults and
// enters it through inventory::AddNewTransaction with the focus on the units. Stays open
// until Cancel.

#include <QDialog>
#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class frmScanNewTran : public QDialog {
  Q_OBJECT
 public:
  explicit frmScanNewTran(QWidget* parent = nullptr);

  int32_t m_nProductID = -1;  // the product Validate found
  int32_t m_udTranType = -1;  // the type of the last OK that passed the checks

  void Init() {}
  bool Validate();
  void SetupLists();
  void SelectFocusPartNo();

  QLabel* lblHeading;
  QLabel* lblPartNo;
  QLineEdit* txtPartNo;
  QLabel* Label1;
  QComboBox* cboType;
  QGroupBox* Frame1;
  QLabel* lblDate;
  QLineEdit* txtDate;
  QToolButton* cmdCalendar;
  QLabel* lblNote;
  QPlainTextEdit* txtNote;
  QLabel* lblCat;
  QComboBox* cboCategory;
  QToolButton* cmdCatTransaction;
  QLabel* lblAcct;
  QComboBox* cboAccount;
  QToolButton* cmdAcctTransaction;
  QLabel* Picture1;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

  // The preference holding the type of the last recorded scan.
  static constexpr char kLastTypePref[] = "scanlasttrantype";

 public slots:
  void cmdOK_Click();
  void cmdCancel_Click();
};
