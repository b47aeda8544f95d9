#include "reports/frmReportDef.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QTabWidget>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "database/store/Codes.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/UCInvSel.h"
#include "reports/UCRptCols.h"
#include "reports/UCRptOptions.h"
#include "reports/UCTranSel.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

const QString kCaption = QStringLiteral("Report Columns and Selection Criteria");
constexpr int kHelpTopic = 2017;
constexpr int kTitleShown = 30;
constexpr int32_t kInventory = store::Code(store::ReportType::kInventory);
constexpr int32_t kTransactions = store::Code(store::ReportType::kTransactions);

QLabel* Picture(QWidget* parent, const QString& name, const QString& icon) {
  auto* pic = new QLabel(parent);
  pic->setObjectName(name);
  pic->setPixmap(ui::ProgramIcon(icon).pixmap(32, 32));
  pic->setVisible(false);
  return pic;
}

}  // namespace

frmReportDef::frmReportDef(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmReportDef"));
  setWindowTitle(kCaption);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  ui::SetHelpContext(*this, kHelpTopic);

  lblHeading = new QLabel(this);
  lblHeading->setObjectName(QStringLiteral("lblHeading"));
  QFont headingFont = lblHeading->font();
  headingFont.setBold(true);
  lblHeading->setFont(headingFont);
  auto* typeCaption = new QLabel(QStringLiteral("Type:"), this);
  typeCaption->setObjectName(QStringLiteral("Label8"));
  lblReportType = new QLabel(this);
  lblReportType->setObjectName(QStringLiteral("lblReportType"));
  picTran = Picture(this, QStringLiteral("picTran"), QStringLiteral("view-list"));
  picInv = Picture(this, QStringLiteral("picInv"), QStringLiteral("x-office-spreadsheet"));

  auto* titleFrame = new QGroupBox(QStringLiteral("Title"), this);
  titleFrame->setObjectName(QStringLiteral("Frame2"));
  txtRptTitle = new QLineEdit(titleFrame);
  txtRptTitle->setObjectName(QStringLiteral("txtRptTitle"));
  (new QVBoxLayout(titleFrame))->addWidget(txtRptTitle);

  tabDef = new QTabWidget(this);
  tabDef->setObjectName(QStringLiteral("tabDef"));
  ctlCols = new UCRptCols(tabDef);
  ctlCols->setObjectName(QStringLiteral("ctlCols"));
  auto* criteria = new QWidget(tabDef);
  auto* criteriaStack = new QStackedLayout(criteria);
  criteriaStack->setStackingMode(QStackedLayout::StackAll);
  ctlTranSel = new UCTranSel(criteria);
  ctlTranSel->setObjectName(QStringLiteral("ctlTranSel"));
  ctlInvSel = new UCInvSel(criteria);
  ctlInvSel->setObjectName(QStringLiteral("ctlInvSel"));
  criteriaStack->addWidget(ctlTranSel);
  criteriaStack->addWidget(ctlInvSel);
  ctlTranSel->setVisible(false);
  ctlInvSel->setVisible(false);
  ctlRptOptions = new UCRptOptions(tabDef);
  ctlRptOptions->setObjectName(QStringLiteral("ctlRptOptions"));
  tabDef->addTab(ctlCols, QStringLiteral("Columns"));
  tabDef->addTab(criteria, QStringLiteral("Criteria"));
  tabDef->addTab(ctlRptOptions, QStringLiteral("Options"));

  cmdDelete = ui::NamedButton(QStringLiteral("&Delete"), QStringLiteral("cmdDelete"), this);
  QHBoxLayout* buttons = ui::OkCancelRow(this, OKButton, QStringLiteral("OKButton"), CancelButton,
                                         QStringLiteral("CancelButton"));
  buttons->insertWidget(0, cmdDelete);

  auto* head = new QGridLayout;
  head->addWidget(lblHeading, 0, 0, 1, 2);
  head->addWidget(typeCaption, 1, 0);
  head->addWidget(lblReportType, 1, 1);
  head->setColumnStretch(1, 1);
  head->addWidget(picTran, 0, 2, 2, 1);
  head->addWidget(picInv, 0, 2, 2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(titleFrame);
  layout->addWidget(tabDef, 1);
  layout->addLayout(buttons);
  resize(640, 520);

  ConnectClicks(this, {{OKButton, &frmReportDef::OKButton_Click},
                       {CancelButton, &frmReportDef::CancelButton_Click},
                       {cmdDelete, &frmReportDef::cmdDelete_Click}});
}

bool frmReportDef::InitExisting(int32_t nRptID) {
  if (nRptID <= 0) return false;
  if (!m_udRptDef.LoadExisting(nRptID)) {
    ui::MsgBox(QStringLiteral("Unable to read report definition!"), ui::vbExclamation);
    return false;
  }
  SetControlValues();
  return true;
}

bool frmReportDef::InitNew(int32_t udRptType) {
  m_udRptDef.CreateNew(udRptType);
  SetControlValues();
  return false;
}

void frmReportDef::SetControlValues() {
  ui::ScopedHourglass hourglass;
  try {
    txtRptTitle->setText(m_udRptDef.RptName());
    lblReportType->setText(m_udRptDef.RptTypeDesc());
    ctlCols->Init(m_udRptDef.RptType());
    ctlCols->SetValues(m_udRptDef.m_collColumns);
    if (m_udRptDef.RptType() == kTransactions) {
      ctlTranSel->Init();
      ctlTranSel->SetValues(m_udRptDef.m_udTranSelCriteria);
      ctlTranSel->setVisible(true);
      picTran->setVisible(true);
    } else if (m_udRptDef.RptType() == kInventory) {
      ctlInvSel->Init();
      ctlInvSel->SetValues(m_udRptDef.m_udInvSelCriteria);
      ctlInvSel->setVisible(true);
      picInv->setVisible(true);
    }
    ctlRptOptions->SetValues(m_udRptDef.m_udRptOptions);
    lblHeading->setText(kCaption);
    SetUI();
    if (m_udRptDef.RptID() > 0) SetTagVariant();
    SetWindowCaption();
  } catch (...) {
    rt::TrapError();
    rt::Err().Clear();
  }
}

bool frmReportDef::GetControlValues() {
  ui::ScopedHourglass hourglass;
  try {
    m_udRptDef.SetRptName(txtRptTitle->text().trimmed());
    ctlCols->GetValues(m_udRptDef.m_collColumns);
    if (m_udRptDef.RptType() == kTransactions) {
      ctlTranSel->GetValues(m_udRptDef.m_udTranSelCriteria);
    } else if (m_udRptDef.RptType() == kInventory) {
      ctlInvSel->GetValues(m_udRptDef.m_udInvSelCriteria);
    }
    ctlRptOptions->GetValues(m_udRptDef.m_udRptOptions);
    return true;
  } catch (...) {
    rt::TrapError();
    rt::Err().Clear();
    return false;
  }
}

void frmReportDef::SetUI() { cmdDelete->setEnabled(m_udRptDef.RptID() >= 1); }

void frmReportDef::SetTagVariant() {
  ui::SetTag(this, QStringLiteral("~") + QString::number(m_udRptDef.RptID()));
}

void frmReportDef::SetWindowCaption() {
  QString s;
  if (!txtRptTitle->text().trimmed().isEmpty())
    s = txtRptTitle->text().left(kTitleShown) + QStringLiteral("...");
  if (s.isEmpty()) s = QStringLiteral("New");
  setWindowTitle(kCaption + QStringLiteral(": ") + s);
}

bool frmReportDef::IsValidReportTitle() {
  const QString title = txtRptTitle->text();
  const QString gap = gSystem().CRLF(2);
  if (title.trimmed().isEmpty()) {
    m_sValidationMsg += QStringLiteral("  - REPORT TITLE must be entered.") + gap;
    return false;
  }
  if (title.contains(QLatin1Char('^')) || title.contains(QLatin1Char('~'))) {
    m_sValidationMsg += QStringLiteral("  - REPORT TITLE cannot contain ^ or ~ characters.") + gap;
    return false;
  }
  if (const QString unstorable = gSystem().UnstorableText(title, QStringLiteral("REPORT TITLE")); !unstorable.isEmpty()) {
    m_sValidationMsg += QStringLiteral("  - ") + unstorable + gap;
    return false;
  }
  return true;
}

bool frmReportDef::ValidateData() {
  m_sValidationMsg = QStringLiteral("Please correct the following data entry fields:") + gSystem().CRLF(2);
  if (!IsValidReportTitle()) {
    gSystem().ShowMsg(m_sValidationMsg, 2, -1);
    return false;
  }
  // Every control is asked, also after one refused.
  const bool tranOk = ctlTranSel->Validate();
  const bool colsOk = ctlCols->Validate();
  const bool optionsOk = ctlRptOptions->Validate();
  return tranOk && colsOk && optionsOk;
}

void frmReportDef::OKButton_Click() {
  if (!ValidateData()) return;
  if (!GetControlValues()) return;
  // Only a stored definition (an id above 0) closes the dialog; a failed save (-1,
  // already reported) keeps it open with the definition's old id.
  if (m_udRptDef.SaveRptDef() > 0) {
    m_OK = true;
    accept();
  }
}

void frmReportDef::CancelButton_Click() {
  m_OK = false;
  reject();
}

void frmReportDef::cmdDelete_Click() {
  const QString prompt =
      QStringLiteral("Are you sure you want to *DELETE*  '") + windowTitle() + QStringLiteral("'?");
  if (ui::MsgBox(prompt, ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton2,
                 QStringLiteral("DELETE Confirmation")) != ui::vbYes)
    return;
  if (gDB().DeleteParam(m_udRptDef.RptDBID())) {
    m_OK = true;
    accept();
  } else {
    ui::MsgBox(QStringLiteral("Unable to delete the report!"), ui::vbExclamation);
  }
}
