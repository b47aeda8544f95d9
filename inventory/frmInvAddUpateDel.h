#pragma once
// frmInvAddUpateDel: the modal dialog that enters (mode 0), edits (1) or deletes (2)
// one transaction. The caller creates it, calls Init (and ConvertFrom or FocusOnQty
// when needed), runs it with ui::RunModal, reads m_bOK. A failed rule, a failed save
// or a failed existence check keeps the dialog open with its entries.

#include <QDialog>
#include <QString>
#include <cstdint>

#include "database/clsTran.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
namespace ctl {
class NumericEdit;
}

class frmInvAddUpateDel : public QDialog {
  Q_OBJECT
 public:
  explicit frmInvAddUpateDel(QWidget* parent = nullptr);

  clsTran m_udTran;        // the entry as Validate took it; the new row id after a save
  int32_t m_nMaxUnits = 0;  // above 0: the most units allowed
  bool m_bOK = false;       // True after a successful save or delete

  // Shows udTran (only its row id is kept) in mode udOper.
  void Init(int32_t udOper, const clsTran& udTran, int32_t nMaxUnits);
  // The shown outstanding transaction (On Order or Allocate) becomes its Receive or
  // Ship: the type fixed, the date today. The save rewrites the row only while it still
  // has its outstanding type. Units equal to the outstanding ones at the field's decimal
  // places convert the whole of them (a hidden 0.0037 is never left behind); the
  // remainder question shows the three figures with the unit decimals, or with as many
  // as they hold where that is more.
  void ConvertFrom(int32_t udOutstandingType);
  // The units field takes the focus first.
  void FocusOnQty();
  bool Validate();
  void SetupLists();

  QLabel* lblHeading;
  QLabel* lblDate;
  QLineEdit* txtDate;
  QToolButton* cmdCalendar;
  QLabel* Label1;
  QComboBox* cboType;
  QLabel* Label2;
  QLineEdit* txtProduct;
  QPushButton* cmdSummary;
  QLabel* Label3;
  ctl::NumericEdit* fpUnits;
  QLabel* lblCost;
  ctl::NumericEdit* fpCost;
  QLabel* lblCat;
  QComboBox* cboCategory;
  QToolButton* cmdCatTransaction;
  QLabel* lblAcct;
  QComboBox* cboAccount;
  QToolButton* cmdAcctTransaction;
  QLabel* lblNote;
  QPlainTextEdit* txtNote;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

 public slots:
  void cmdOK_Click();
  void cmdCancel_Click();
  void cboType_Click();
  void reject() override;

 private:
  bool CheckInventoryLevel(const clsTran& tran);
  bool SaveNew();
  bool SaveEdit();
  bool Delete();
  bool Fail(const QString& message, QWidget* focus);
  int32_t ProductId() const;

  int32_t m_udOper = 0;
  int32_t m_nTranID = -1;
  int32_t m_nConvertFrom = -1;  // the outstanding type being converted; -1 none
  rt::Currency m_curOutstanding;  // the units of the transaction being converted
};
