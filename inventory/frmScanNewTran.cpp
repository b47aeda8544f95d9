#include "inventory/frmScanNewTran.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "database/CustomFieldLabel.h"
#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "inventory/TranEntry.h"
#include "inventory/ProductCommands.h"
#include "inventory/TranCommands.h"
#include "platform/runtime/DateTime.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"

frmScanNewTran::frmScanNewTran(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmScanNewTran"));
  setWindowTitle(QStringLiteral("Scan New Inventory Transaction"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  lblHeading = inventory::NewHeading(QStringLiteral("Scan New Transaction"), this);
  Picture1 = new QLabel(this);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setPixmap(ui::ProgramIcon(QStringLiteral("scanner")).pixmap(48, 48));
  txtPartNo = inventory::NewLine(QStringLiteral("txtPartNo"), this);
  cboType = inventory::NewList(QStringLiteral("cboType"), 0, this);
  lblPartNo = inventory::NewLabel(QStringLiteral("lblPartNo"), QStringLiteral("Part Number:"), txtPartNo, this);
  Label1 = inventory::NewLabel(QStringLiteral("Label1"), QStringLiteral("Transaction Type:"), cboType, this);

  Frame1 = new QGroupBox(QStringLiteral("Transaction Defaults (Optional)"), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  txtDate = inventory::NewLine(QStringLiteral("txtDate"), Frame1);
  cmdCalendar = inventory::NewCalendarButton(Frame1);
  txtNote = inventory::NewNote(60, Frame1);
  cboCategory = inventory::NewList(QStringLiteral("cboCategory"), 24, Frame1);
  cmdCatTransaction = inventory::NewListButton(QStringLiteral("cmdCatTransaction"), Frame1);
  cboAccount = inventory::NewList(QStringLiteral("cboAccount"), 24, Frame1);
  cmdAcctTransaction = inventory::NewListButton(QStringLiteral("cmdAcctTransaction"), Frame1);
  lblDate = inventory::NewLabel(QStringLiteral("lblDate"), QStringLiteral("Date:"), txtDate, Frame1);
  lblNote = inventory::NewLabel(QStringLiteral("lblNote"), QStringLiteral("Notes:"), txtNote, Frame1);
  lblCat = inventory::NewLabel(QStringLiteral("lblCat"), QStringLiteral("Category:"), cboCategory, Frame1);
  lblAcct = inventory::NewLabel(QStringLiteral("lblAcct"), QStringLiteral("Account:"), cboAccount, Frame1);
  auto* defaults = new QGridLayout(Frame1);
  defaults->addWidget(lblDate, 0, 0);
  defaults->addWidget(txtDate, 0, 1);
  defaults->addWidget(cmdCalendar, 0, 2, Qt::AlignLeft);
  defaults->addWidget(lblCat, 1, 0);
  defaults->addWidget(cboCategory, 1, 1);
  defaults->addWidget(cmdCatTransaction, 1, 2, Qt::AlignLeft);
  defaults->addWidget(lblAcct, 2, 0);
  defaults->addWidget(cboAccount, 2, 1);
  defaults->addWidget(cmdAcctTransaction, 2, 2, Qt::AlignLeft);
  defaults->addWidget(lblNote, 3, 0, Qt::AlignTop);
  defaults->addWidget(txtNote, 3, 1, 1, 2);

  QHBoxLayout* buttons =
      ui::OkCancelRow(this, cmdOK, QStringLiteral("cmdOK"), cmdCancel, QStringLiteral("cmdCancel"));
  auto* top = new QGridLayout;
  top->addWidget(Picture1, 0, 0, 2, 1, Qt::AlignTop);
  top->addWidget(lblPartNo, 0, 1);
  top->addWidget(txtPartNo, 0, 2);
  top->addWidget(Label1, 1, 1);
  top->addWidget(cboType, 1, 2);
  top->setColumnStretch(2, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addLayout(top);
  layout->addWidget(Frame1);
  layout->addLayout(buttons);
  ui::FixWindowSize(*this);

  new inventory::NoteKeepsEnter(*txtNote, *cmdOK);
  ConnectClicks(this, {{cmdOK, &frmScanNewTran::cmdOK_Click},
                       {cmdCancel, &frmScanNewTran::cmdCancel_Click}});
  inventory::ConnectTranButtons(*this, *cmdCalendar, *txtDate, *cmdCatTransaction, *cboCategory, *cmdAcctTransaction,
                                *cboAccount);

  SetCustomFieldLabel(*lblPartNo, store::CustomField::kPartNo);
  SetupLists();
}

void frmScanNewTran::SetupLists() {
  gDB().cboTranactionTypes(*cboType);
  gSystem().cboSelectAtID(*cboType, store::Code(store::TranType::kReceive));
  gSystem().cboSelectAtID(*cboType, mdlRegistry::PrefGetLong(QLatin1String(kLastTypePref)));
  inventory::LoadTranList(*cboCategory, store::Code(store::ListType::kTranCategory), -1);
  inventory::LoadTranList(*cboAccount, store::Code(store::ListType::kTranAccount), -1);
  inventory::RelabelTranFields(*lblNote, *lblCat, *lblAcct);
}

bool frmScanNewTran::Validate() {
  const QString partNo = txtPartNo->text().trimmed();
  if (partNo.isEmpty()) {
    ui::MsgBox(QStringLiteral("Please enter ") + gDB().PartNoDesc() + QStringLiteral("!"), ui::vbExclamation);
    gSystem().CtlSetFocus(txtPartNo);
    return false;
  }
  if (cboType->currentIndex() < 0) {
    ui::MsgBox(QStringLiteral("Please select transaction type!"), ui::vbExclamation);
    gSystem().CtlSetFocus(cboType);
    return false;
  }
  if (!gSystem().StoredTextFits({txtNote})) return false;
  m_nProductID = gDB().LookUpByPartNo(partNo);
  if (m_nProductID >= 1) return true;
  if (ui::MsgBox(QStringLiteral("'") + txtPartNo->text() +
                     QStringLiteral("' not found! Would you like to add this product?"),
                 ui::vbYesNoCancel | ui::vbQuestion) == ui::vbYes) {
    clsProd prod;
    prod.Init();
    prod.sPartNo = partNo;
    inventory::AddEditNewProduct(prod);
  }
  return false;
}

void frmScanNewTran::cmdOK_Click() {
  if (!Validate()) {
    SelectFocusPartNo();
    return;
  }
  m_udTranType = gSystem().cboGetItemID(*cboType);
  mdlRegistry::PrefSaveLong(QLatin1String(kLastTypePref), m_udTranType);
  clsTran tran;
  tran.nProdId = m_nProductID;
  tran.udTranType = m_udTranType;
  tran.nAcctID = gSystem().cboGetItemID(*cboAccount);
  tran.nCatID = gSystem().cboGetItemID(*cboCategory);
  tran.sNote = inventory::TranNoteForStore(txtNote->toPlainText());
  if (rt::IsDate(txtDate->text())) tran.sDate = txtDate->text();
  tran.curUnits = rt::Currency(1);
  if (inventory::AddNewTransaction(tran, true)) SelectFocusPartNo();
}

void frmScanNewTran::SelectFocusPartNo() {
  txtPartNo->setSelection(0, static_cast<int>(txtPartNo->text().size()));
  gSystem().CtlSetFocus(txtPartNo);
}

void frmScanNewTran::cmdCancel_Click() { reject(); }
