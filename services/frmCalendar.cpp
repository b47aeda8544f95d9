#include "services/frmCalendar.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/controls/MonthViewControl.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Format.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/ModalRunner.h"
#include "services/TrappedSlot.h"

frmCalendar::frmCalendar(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmCalendar"));
  setWindowTitle(QStringLiteral("Calendar"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  Cal = new ctl::MonthViewControl(this);
  Cal->setObjectName(QStringLiteral("Cal"));
  lblCurrdate = ui::PlainLabel(QString(), this);
  lblCurrdate->setObjectName(QStringLiteral("lblCurrdate"));
  lblCurrdate->setAlignment(Qt::AlignCenter);
  cmdToday = new QPushButton(QStringLiteral("Go to Today"), this);
  cmdToday->setObjectName(QStringLiteral("cmdToday"));
  cmdToday->setToolTip(QStringLiteral("Goto today's date"));
  cmdToday->setAutoDefault(false);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setAutoDefault(false);
  OKButton = new QPushButton(QStringLiteral("&Enter Selected Date in Current Row"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Cal);
  layout->addWidget(lblCurrdate);
  layout->addLayout(ui::ButtonRow({cmdToday}, {CancelButton, OKButton}));
  ui::FixWindowSize(*this);

  ConnectClicks(this, {{OKButton, &frmCalendar::OKButton_Click},
                       {CancelButton, &frmCalendar::CancelButton_Click},
                       {cmdToday, &frmCalendar::cmdToday_Click}});
  ConnectTrapped(Cal, &ctl::MonthViewControl::DateClick, this, &frmCalendar::UpdateDateLabel,
                 QStringLiteral("frmCalendar_UpdateDateLabel"));
  ConnectTrapped(Cal, &ctl::MonthViewControl::SelChange, this, &frmCalendar::UpdateDateLabel,
                 QStringLiteral("frmCalendar_UpdateDateLabel"));
  ConnectTrapped(Cal, &ctl::MonthViewControl::DateDblClick, this, &frmCalendar::OKButton_Click,
                 QStringLiteral("frmCalendar_OKButton_Click"));
}

void frmCalendar::UpdateDateLabel() {
  lblCurrdate->setText(rt::Format(Cal->Value(), QStringLiteral("Long Date")));
}

void frmCalendar::Init(const QString& sDate, const QString& sOKText) {
  m_bOK = false;
  OKButton->setText(sOKText);
  const std::optional<QDate> date = rt::ParseDate(sDate);
  Cal->SetValue(date ? *date : rt::Today());
  UpdateDateLabel();
}

void frmCalendar::OKButton_Click() {
  m_sSelShortDate = rt::Format(Cal->Value(), QStringLiteral("Short Date"));
  m_bOK = true;
  accept();
}

void frmCalendar::CancelButton_Click() { reject(); }

void frmCalendar::cmdToday_Click() {
  Cal->SetValue(rt::Today());
  UpdateDateLabel();
}

void frmCalendar::reject() {
  m_bOK = false;
  QDialog::reject();
}

QString GetShortDateFromPopupCalendar(QWidget* owner, const QString& sInitDate) {
  frmCalendar cal(owner);
  cal.Init(sInitDate, QStringLiteral("OK"));
  ui::RunModal(cal, owner);
  return cal.m_bOK ? cal.m_sSelShortDate : QString();
}
