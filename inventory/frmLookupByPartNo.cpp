#include "inventory/frmLookupByPartNo.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"

frmLookupByPartNo::frmLookupByPartNo(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmLookupByPartNo"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  const QString partNoDesc = gDB().PartNoDesc();
  setWindowTitle(QStringLiteral("Lookup ") + partNoDesc);
  lblPartNo = ui::PlainLabel(ui::LiteralMnemonicText(partNoDesc) + QStringLiteral(":"), this);
  lblPartNo->setObjectName(QStringLiteral("lblPartNo"));
  txtPartNo = new QLineEdit(this);
  txtPartNo->setObjectName(QStringLiteral("txtPartNo"));
  lblPartNo->setBuddy(txtPartNo);
  QHBoxLayout* buttons = ui::OkCancelRow(this, OKButton, QStringLiteral("OKButton"), CancelButton,
                                         QStringLiteral("CancelButton"));
  OKButton->setText(QStringLiteral("Search"));
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(lblPartNo);
  row->addWidget(txtPartNo, 1);
  layout->addLayout(row);
  layout->addLayout(buttons);
  ui::FixWindowSize(*this, sizeHint().expandedTo(QSize(360, 0)));
  ConnectClicks(this, {{OKButton, &frmLookupByPartNo::OKButton_Click},
                       {CancelButton, &frmLookupByPartNo::CancelButton_Click}});
}

void frmLookupByPartNo::OKButton_Click() {
  m_ProductID = gDB().LookUpByPartNo(txtPartNo->text().trimmed());
  if (m_ProductID < 1) {
    m_ProductID = -1;
    ui::MsgBox(QStringLiteral("'") + txtPartNo->text() + QStringLiteral("' not found!"), ui::vbExclamation);
    return;
  }
  m_OK = true;
  accept();
}

void frmLookupByPartNo::CancelButton_Click() {
  m_ProductID = -1;
  m_OK = false;
  reject();
}
