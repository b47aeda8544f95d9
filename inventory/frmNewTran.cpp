#include "inventory/frmNewTran.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "inventory/TranEntry.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Prompt.h"
#include "inventory/ProductCommands.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

frmNewTran::frmNewTran(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmNewTran"));
  setWindowTitle(QStringLiteral("New Inventory Transaction"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  lblHeading = inventory::NewHeading(QStringLiteral("New Transaction"), this);
  cboProducts = inventory::NewList(QStringLiteral("cboProducts"), 32, this);
  cmdLookup = new QToolButton(this);
  cmdLookup->setObjectName(QStringLiteral("cmdLookup"));
  cmdLookup->setIcon(ui::ProgramIcon(QStringLiteral("system-search")));
  cboType = inventory::NewList(QStringLiteral("cboType"), 0, this);
  Label2 = inventory::NewLabel(QStringLiteral("Label2"), QStringLiteral("Product:"), cboProducts, this);
  Label1 = inventory::NewLabel(QStringLiteral("Label1"), QStringLiteral("Transaction Type:"), cboType, this);
  QHBoxLayout* buttons =
      ui::OkCancelRow(this, cmdOK, QStringLiteral("cmdOK"), cmdCancel, QStringLiteral("cmdCancel"));
  auto* grid = new QGridLayout;
  grid->addWidget(Label2, 0, 0);
  grid->addWidget(cboProducts, 0, 1);
  grid->addWidget(cmdLookup, 0, 2);
  grid->addWidget(Label1, 1, 0);
  grid->addWidget(cboType, 1, 1, Qt::AlignLeft);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  ui::FixWindowSize(*this);
  ConnectClicks(this, {{cmdLookup, &frmNewTran::cmdLookup_Click},
                       {cmdOK, &frmNewTran::cmdOK_Click},
                       {cmdCancel, &frmNewTran::cmdCancel_Click}});
  SetupLists();
  Init();
}

void frmNewTran::Init() { m_bOK = false; }

void frmNewTran::SetupLists() {
  gDB().cboProducts(*cboProducts);
  cboProducts->setCurrentIndex(-1);
  gDB().cboTranactionTypes(*cboType);
  cboType->setCurrentIndex(-1);
  cmdLookup->setToolTip(QStringLiteral("Lookup by ") + gDB().PartNoDesc());
}

void frmNewTran::cmdLookup_Click() {
  const int32_t id = inventory::LookupProductByPartNo();
  if (id > 0) gSystem().cboSelectAtID(*cboProducts, id);
}

bool frmNewTran::Validate() {
  const auto fail = [](const QString& message, QWidget* focus) {
    ui::MsgBox(message, ui::vbExclamation);
    gSystem().CtlSetFocus(focus);
    return false;
  };
  if (cboProducts->currentIndex() < 0) return fail(QStringLiteral("Please select a product!"), cboProducts);
  if (cboType->currentIndex() < 0) return fail(QStringLiteral("Please select transaction type!"), cboType);
  return true;
}

void frmNewTran::cmdOK_Click() {
  if (!Validate()) return;
  m_nProductID = gSystem().cboGetItemID(*cboProducts);
  m_udTranType = gSystem().cboGetItemID(*cboType);
  m_bOK = true;
  accept();
}

void frmNewTran::cmdCancel_Click() { reject(); }

void frmNewTran::reject() {
  m_bOK = false;
  QDialog::reject();
}
