#pragma once
// frmImportTran: the "Import Inventory Transactions" dialog. The user enters what every
// imported transaction shares (date, type, category, account, note) and names the CSV
// file; OK checks the entries (ValidateData) and writes them into the record given to
// Init (GetTranValues). The caller keeps the dialog after Cancel, so the next import
// shows the same entries.

#include "database/store/Codes.h"
#include "exchange/ImportFileDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class clsTran;

class frmImportTran : public ImportFileDialog {
  Q_OBJECT

 public:
  explicit frmImportTran(QWidget* parent = nullptr);

  // The record OK fills; not owned.
  clsTran* m_Tran = nullptr;

  void Init(clsTran& tran) { m_Tran = &tran; }
  // Before each showing: category and account lists read from another database than
  // the open one are read again, with nothing selected.
  void RefreshLists();
  // The five types, the captions of the category, account and note fields, and the
  // category and account lists.
  void SetupLists();
  // The first failing check: the date, the type, then the file.
  QString ValidateData() override;
  void GetTranValues();

  QLabel* lblDate = nullptr;
  QLineEdit* txtDate = nullptr;
  QToolButton* cmdCalendar = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* cboType = nullptr;
  QLabel* lblCat = nullptr;
  QComboBox* cboCategory = nullptr;
  QPushButton* cmdCatTransaction = nullptr;
  QLabel* lblAcct = nullptr;
  QComboBox* cboAccount = nullptr;
  QPushButton* cmdAcctTransaction = nullptr;
  QLabel* lblNote = nullptr;
  QPlainTextEdit* txtNote = nullptr;

  // The longest note stored.
  static constexpr int kMaxNote = 35535;

 public slots:
  void cmdHelp_Click() override;
  void cmdCalendar_Click();
  void cmdCatTransaction_Click();
  void cmdAcctTransaction_Click();

 protected:
  void AcceptEntries() override { GetTranValues(); }

 private:
  // Fills the list of that type with an empty first entry, selecting `id`.
  void LoadList(QComboBox& cbo, store::ListType type, int32_t id);
  // After the list editor: the list reloaded, its selection kept where it still exists.
  void ReloadList(QComboBox& cbo, store::ListType type);

  QString listsOf_;  // the database folder the lists were read from
};
