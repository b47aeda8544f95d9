#pragma once
// frmLookupProduct: asks for a search text and the field to look in (item data 0 the
// product name, 1 the part number). The last confirmed entries are remembered per user
// ("ProdSearch", "ProdSearchType") and offered again, the text fully selected.

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class frmLookupProduct : public QDialog {
  Q_OBJECT
 public:
  // The search field codes (list item data).
  static constexpr int32_t kByName = 0;
  static constexpr int32_t kByPartNo = 1;

  explicit frmLookupProduct(QWidget* parent = nullptr);

  bool m_bOK = false;

  QLabel* lblHeading;
  QListWidget* lstSearchType;
  QLineEdit* txtProd;
  QPushButton* cmdClear;
  QPushButton* OKButton;
  QPushButton* CancelButton;

 public slots:
  void OKButton_Click();
  void CancelButton_Click();

 private:
  void SaveLastEntries();
};
