#pragma once
// frmNewTran: the modal chooser of the product and type of a new single transaction.
// The caller creates it, may preselect a product in cboProducts, runs it with
// ui::RunModal and reads m_bOK, m_nProductID and m_udTranType. Stores nothing.

#include <QDialog>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

class frmNewTran : public QDialog {
  Q_OBJECT
 public:
  explicit frmNewTran(QWidget* parent = nullptr);

  bool m_bOK = false;
  int32_t m_nProductID = -1;
  int32_t m_udTranType = -1;

  void Init();
  bool Validate();
  void SetupLists();

  QLabel* lblHeading;
  QLabel* Label2;
  QComboBox* cboProducts;
  QToolButton* cmdLookup;
  QLabel* Label1;
  QComboBox* cboType;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

 public slots:
  void cmdLookup_Click();
  void cmdOK_Click();
  void cmdCancel_Click();
  void reject() override;
};
