#pragma once
// frmLookupByPartNo: finds the one product with a typed part number (hidden products
// included, the whole number, any case) and hands its id back. A part number that
// matches nothing keeps the dialog open for another try.

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

class frmLookupByPartNo : public QDialog {
  Q_OBJECT
 public:
  explicit frmLookupByPartNo(QWidget* parent = nullptr);

  int32_t m_ProductID = -1;  // the product found; -1 when none
  bool m_OK = false;

  QLabel* lblPartNo;
  QLineEdit* txtPartNo;
  QPushButton* OKButton;
  QPushButton* CancelButton;

 public slots:
  void OKButton_Click();
  void CancelButton_Click();
};
