#include "exchange/frmImportTran.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "database/clsDB.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "inventory/ListMgmt.h"
#include "inventory/TranEntry.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Format.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/frmCalendar.h"

frmImportTran::frmImportTran(QWidget* parent)
    : ImportFileDialog({QStringLiteral("Import Inventory Transactions"),
                        QStringLiteral("File containing inventory transactions"),
                        QStringLiteral("Open Transaction Import file"),
                        QStringLiteral("Sample Transactions Import.csv"),
                        QStringLiteral(" - Transactions import.csv")},
                       parent) {
  setObjectName(QStringLiteral("frmImportTran"));
  auto named = [](QWidget* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
  };
  lblDate = new QLabel(QStringLiteral("Date:"), this);
  named(lblDate, "lblDate");
  txtDate = new QLineEdit(this);
  named(txtDate, "txtDate");
  cmdCalendar = new QToolButton(this);
  named(cmdCalendar, "cmdCalendar");
  cmdCalendar->setIcon(ui::ProgramIcon(QStringLiteral("x-office-calendar")));
  cmdCalendar->setToolTip(QStringLiteral("View calendar"));
  Label1 = new QLabel(QStringLiteral("Transaction Type:"), this);
  named(Label1, "Label1");
  QFont big = Label1->font();
  big.setPointSize(12);
  cboType = new QComboBox(this);
  named(cboType, "cboType");
  cboType->setFont(big);
  big.setBold(true);
  Label1->setFont(big);
  lblCat = new QLabel(QStringLiteral("Category:"), this);
  named(lblCat, "lblCat");
  cboCategory = new QComboBox(this);
  named(cboCategory, "cboCategory");
  cmdCatTransaction = ui::NamedButton(QStringLiteral("..."), QStringLiteral("cmdCatTransaction"), this);
  cmdCatTransaction->setToolTip(QStringLiteral("Modify list"));
  lblAcct = new QLabel(QStringLiteral("Account:"), this);
  named(lblAcct, "lblAcct");
  cboAccount = new QComboBox(this);
  named(cboAccount, "cboAccount");
  cmdAcctTransaction = ui::NamedButton(QStringLiteral("..."), QStringLiteral("cmdAcctTransaction"), this);
  cmdAcctTransaction->setToolTip(QStringLiteral("Modify list"));
  lblNote = new QLabel(QStringLiteral("Notes:"), this);
  named(lblNote, "lblNote");
  txtNote = new QPlainTextEdit(this);
  named(txtNote, "txtNote");
  lblNote->setBuddy(txtNote);
  txtNote->setTabChangesFocus(true);
  txtNote->setFixedHeight(72);
  for (QPushButton* b : {cmdCatTransaction, cmdAcctTransaction}) b->setFixedWidth(32);

  QGridLayout* g = Fields();
  auto* dateRow = new QHBoxLayout;
  dateRow->addWidget(txtDate);
  dateRow->addWidget(cmdCalendar);
  dateRow->addStretch();
  g->addWidget(lblDate, 0, 0);
  g->addLayout(dateRow, 0, 1, 1, 2);
  g->addWidget(Label1, 1, 0);
  g->addWidget(cboType, 1, 1);
  g->addWidget(lblCat, 2, 0);
  g->addWidget(cboCategory, 2, 1);
  g->addWidget(cmdCatTransaction, 2, 2);
  g->addWidget(lblAcct, 3, 0);
  g->addWidget(cboAccount, 3, 1);
  g->addWidget(cmdAcctTransaction, 3, 2);
  g->addWidget(lblNote, 4, 0, Qt::AlignTop);
  g->addWidget(txtNote, 4, 1, 1, 2);
  g->setColumnStretch(1, 1);

  QWidget* order[] = {txtDate,  cboType,           cboCategory,        cboAccount, txtNote,
                      cmdCalendar, cmdCatTransaction, cmdAcctTransaction, cmdOK,      cmdCancel,
                      txtImportFile, cmdChooseFile,   cmdHelp,            cmdSampleFile};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  resize(560, sizeHint().height());

  ConnectTrapped(cmdCalendar, &QToolButton::clicked, this, &frmImportTran::cmdCalendar_Click,
                 QStringLiteral("frmImportTran_cmdCalendar_Click"));
  ConnectClicks(this, {{cmdCatTransaction, &frmImportTran::cmdCatTransaction_Click},
                       {cmdAcctTransaction, &frmImportTran::cmdAcctTransaction_Click}});

  SetupLists();
  txtDate->setText(gSystem().CurrDateShort());
  txtNote->setPlainText(rt::Format(rt::Now(), QStringLiteral("yyyy-mm-dd hh:mm:ss AM/PM")));
}

void frmImportTran::LoadList(QComboBox& cbo, store::ListType type, int32_t id) {
  gDB().LoadListCombo(cbo, type, true, true, id);
  // Nothing selected unless the entry is there (a combo selects its first entry itself).
  cbo.setCurrentIndex(cbo.findData(id));
}

void frmImportTran::SetupLists() {
  clsDB& db = gDB();
  db.cboTranactionTypes(*cboType);
  cboType->setCurrentIndex(-1);
  inventory::RelabelTranFields(*lblNote, *lblCat, *lblAcct);
  RefreshLists();
}

void frmImportTran::RefreshLists() {
  if (!listsOf_.isNull() && listsOf_ == gDB().DBPath()) return;
  listsOf_ = gDB().DBPath();
  LoadList(*cboCategory, store::ListType::kTranCategory, -1);
  LoadList(*cboAccount, store::ListType::kTranAccount, -1);
}

QString frmImportTran::ValidateData() {
  clsSystem& sys = gSystem();
  if (!rt::IsDate(txtDate->text())) {
    sys.CtlSetFocus(txtDate);
    return QStringLiteral("Please enter a valid transaction date!");
  }
  if (cboType->currentIndex() < 0) {
    sys.CtlSetFocus(cboType);
    return QStringLiteral("Please select transaction type!");
  }
  if (QString problem = sys.UnstorableText({txtNote}); !problem.isEmpty()) return problem;
  return ValidateFile();
}

void frmImportTran::GetTranValues() {
  if (m_Tran == nullptr) return;
  const clsSystem& sys = gSystem();
  m_Tran->sDate = txtDate->text();
  m_Tran->nProdId = -1;
  m_Tran->curUnitPrice = rt::Currency();
  m_Tran->curUnits = rt::Currency();
  m_Tran->sNote = txtNote->toPlainText().left(kMaxNote);
  m_Tran->udTranType = sys.cboGetItemID(*cboType);
  m_Tran->nCatID = sys.cboGetItemID(*cboCategory);
  m_Tran->nAcctID = sys.cboGetItemID(*cboAccount);
}

void frmImportTran::cmdCalendar_Click() {
  const QString date = GetShortDateFromPopupCalendar(HubWindow(), txtDate->text());
  if (!date.isEmpty()) txtDate->setText(date);
}

void frmImportTran::ReloadList(QComboBox& cbo, store::ListType type) {
  LoadList(cbo, type, gSystem().cboGetItemID(cbo));
  gSystem().CtlSetFocus(&cbo);
}

void frmImportTran::cmdCatTransaction_Click() {
  inventory::ListMgmt(inventory::kTransactionCategories, false);
  ReloadList(*cboCategory, store::ListType::kTranCategory);
}

void frmImportTran::cmdAcctTransaction_Click() {
  inventory::ListMgmt(inventory::kTransactionAccounts, false);
  ReloadList(*cboAccount, store::ListType::kTranAccount);
}

void frmImportTran::cmdHelp_Click() {
  const clsSystem& sys = gSystem();
  const QString text =
      QStringLiteral("IMPORT TRANSACTIONS") + sys.CRLF(2) + rt::App::ProductName() +
      QStringLiteral(" allows you to import inventory transactions.") + sys.CRLF(2) +
      QStringLiteral("The import file must be formatted as a Comma Separated Value file, usually prepared in MS "
                     "Excel and Saved, As 'CSV (Comma Delimited)' file.") +
      sys.CRLF(2) +
      QStringLiteral("The first row (Row 1) of the import file must contain column headings. The required column "
                     "headings are as follows (each heading should appear in a separate column in MS Excel):") +
      sys.CRLF(2) + QStringLiteral("PARTNUMBER") + sys.CRLF(1) + QStringLiteral("UNITS") + sys.CRLF(1) +
      QStringLiteral("AMOUNTPERUNIT") + sys.CRLF(2) + QStringLiteral("The first row must contain contain headings.") +
      sys.CRLF(2) + QStringLiteral("Data for each transaction should appear starting from Row 2. ") + sys.CRLF(2) +
      QStringLiteral("For each row, ") + QStringLiteral("PARTNUMBER") + QStringLiteral(" & ") +
      QStringLiteral("UNITS") +
      QStringLiteral(" must be specified. We recommend preparing this file in MS Excel and saving as 'CSV (Comma "
                     "Delimited)' file.") +
      sys.CRLF(2);
  gSystem().ShowMsg(text, 1, -1);
}
