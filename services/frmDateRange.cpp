#include "services/frmDateRange.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Format.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/frmCalendar.h"

namespace {

QToolButton* CalendarButton(QWidget* parent, const QString& name, const QString& tip) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(ui::ProgramIcon(QStringLiteral("x-office-calendar")));
  button->setToolTip(tip);
  return button;
}

QString ShortDate(const QVariant& date) { return rt::Format(date, QStringLiteral("Short Date")); }

}  // namespace

frmDateRange::frmDateRange(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmDateRange"));
  setWindowTitle(QStringLiteral("Enter Date Range"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  txtDateBegin = new QLineEdit(this);
  txtDateBegin->setObjectName(QStringLiteral("txtDateBegin"));
  cmdViewCalBegin = CalendarButton(this, QStringLiteral("cmdViewCalBegin"),
                                   QStringLiteral("Begin Date: View Calendar"));
  txtDateEnd = new QLineEdit(this);
  txtDateEnd->setObjectName(QStringLiteral("txtDateEnd"));
  cmdViewCalEnd = CalendarButton(this, QStringLiteral("cmdViewCalEnd"),
                                 QStringLiteral("End Date: View Calendar"));
  QHBoxLayout* buttons =
      ui::OkCancelRow(this, cmdOK, QStringLiteral("cmdOK"), cmdCancel, QStringLiteral("cmdCancel"));

  auto* fields = new QGridLayout;
  const auto addRow = [&](int row, const QString& caption, QLineEdit* box, QToolButton* button) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(box);
    fields->addWidget(label, row, 0);
    fields->addWidget(box, row, 1);
    fields->addWidget(button, row, 2);
  };
  addRow(0, QStringLiteral("Begin Date:"), txtDateBegin, cmdViewCalBegin);
  addRow(1, QStringLiteral("End Date:"), txtDateEnd, cmdViewCalEnd);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  ui::FixWindowSize(*this);

  ConnectClicks(this, {{cmdOK, &frmDateRange::cmdOK_Click},
                       {cmdCancel, &frmDateRange::cmdCancel_Click},
                       {cmdViewCalBegin, &frmDateRange::cmdViewCalBegin_Click},
                       {cmdViewCalEnd, &frmDateRange::cmdViewCalEnd_Click}});
}

void frmDateRange::Init(const QString& sBeginDate, const QString& sEndDate) {
  m_OK = false;
  const auto boxText = [](const QString& text) {
    const std::optional<QDate> date = rt::ParseDate(text);
    return ShortDate(date ? *date : rt::Today());
  };
  txtDateBegin->setText(boxText(sBeginDate));
  txtDateEnd->setText(boxText(sEndDate));
  gSystem().CtlSetFocus(txtDateBegin);
}

bool frmDateRange::GetSelDate(QString& sDate) {
  frmCalendar calendar;
  calendar.Init(sDate, QStringLiteral("Enter Selected Date"));
  ui::RunModal(calendar, this);
  if (!calendar.m_bOK) return false;
  sDate = calendar.m_sSelShortDate;
  return true;
}

bool frmDateRange::Validate() {
  const auto fail = [](const QString& message, QLineEdit* box) {
    ui::MsgBox(message, ui::vbExclamation);
    gSystem().CtlSetFocus(box);
    return false;
  };
  const std::optional<QDate> begin = rt::ParseDate(txtDateBegin->text());
  if (!begin) return fail(QStringLiteral("Begin date is invalid!"), txtDateBegin);
  const std::optional<QDate> end = rt::ParseDate(txtDateEnd->text());
  if (!end) return fail(QStringLiteral("End date is invalid!"), txtDateEnd);
  m_DateBegin = QDateTime(*begin, QTime(0, 0));
  m_DateEnd = QDateTime(*end, QTime(0, 0));
  if (m_DateBegin <= m_DateEnd) return true;
  return fail(QStringLiteral("Begin date must be before or same as End date!"), txtDateEnd);
}

void frmDateRange::cmdOK_Click() {
  if (!Validate()) return;
  m_OK = true;
  accept();
}

void frmDateRange::cmdCancel_Click() { reject(); }

void frmDateRange::reject() {
  m_OK = false;
  QDialog::reject();
}

void frmDateRange::PickInto(QLineEdit& box, const QString& label) {
  try {
    QString date = box.text();
    if (GetSelDate(date)) box.setText(date);
    gSystem().CtlSetFocus(&box);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(label);
  }
}

void frmDateRange::cmdViewCalBegin_Click() {
  PickInto(*txtDateBegin, QStringLiteral("frmDateRange_cmdViewCalBegin_Click"));
}

void frmDateRange::cmdViewCalEnd_Click() {
  PickInto(*txtDateEnd, QStringLiteral("frmDateRange_cmdViewCalEnd_Click"));
}
