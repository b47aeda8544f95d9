#pragma once
// frmBatchTran: up to eight new transactions of one type, date, category, account and
// note, one row per product with its units and unit cost or price. OK checks the batch,
// warns about shipments beyond the physical stock and appends one transaction per
// filled row. Rows whose save failed stay in the dialog, which then stays open, and are
// named in one message; the saved rows are cleared.

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "database/clsTran.h"
#include "platform/runtime/Currency.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
namespace ctl {
class NumericEdit;
}

class frmBatchTran : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kRows = 8;

  explicit frmBatchTran(QWidget* parent = nullptr);

  bool m_bOK = false;  // True once the whole batch was saved

  void SetupLists();
  void SetProductEntryTabOrder();
  // Each returns "" when all is well, else the text to show.
  QString ValidateDateAndTranType();
  QString ValidateQuantity();
  // The rows that would make their product's stock figures too large, with the rows
  // before them and the product's stored transactions.
  QString ValidateFigures();
  QString ValidateInventoryLevel();
  // One new transaction per row with a product, in row order.
  std::vector<clsTran> GetInput();

  QLabel* lblHeading;
  QLabel* lblDate;
  QLineEdit* txtDate;
  QToolButton* cmdCalendar;
  QLabel* Label1;
  QComboBox* cboType;
  QLabel* lblCat;
  QComboBox* cboCategory;
  QToolButton* cmdCatTransaction;
  QLabel* lblAcct;
  QComboBox* cboAccount;
  QToolButton* cmdAcctTransaction;
  QLabel* lblNote;
  QPlainTextEdit* txtNote;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* lblCost;
  std::array<QLabel*, kRows> Label4;
  std::array<QComboBox*, kRows> cboProducts;
  std::array<QToolButton*, kRows> cmdLookupProduct;
  std::array<ctl::NumericEdit*, kRows> fpUnits;
  std::array<ctl::NumericEdit*, kRows> fpCost;
  std::array<QToolButton*, kRows> cmdClear;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

 public slots:
  void cmdOK_Click();
  void cmdCancel_Click();
  void cboType_Click();
  void cboProducts_Click(int i);
  void cmdClear_Click(int i);
  void cmdLookupProduct_Click(int i);
  void reject() override;

 private:
  QString CheckProductInventoryLevel(int32_t nProductID, const QString& sProductName, rt::Currency curUnits);
  // The rows with a product, in order (the rows GetInput turns into transactions).
  std::vector<int> FilledRows() const;
  int32_t ProductOf(int i) const;
  void SaveRows();
};
