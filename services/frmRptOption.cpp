#include "services/frmRptOption.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "services/TrappedSlot.h"
#include "services/mdlRegistry.h"

namespace {

const QString kOrientationPref = QStringLiteral("RptPageOrientation");
const QString kRowOnlyPref = QStringLiteral("RptPrintSingleRowOnly");
const QString kDateTimePref = QStringLiteral("RptPrintDateTime");

// Two option buttons of one control array ("name_0", "name_1") in a frame.
QGroupBox* OptionFrame(QWidget* parent, const QString& title, const QString& name,
                       const QString& first, const QString& second,
                       std::array<QRadioButton*, 2>& buttons) {
  auto* frame = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(frame);
  const QString texts[] = {first, second};
  for (int i = 0; i < 2; ++i) {
    buttons[i] = new QRadioButton(texts[i], frame);
    buttons[i]->setObjectName(name + QStringLiteral("_%1").arg(i));
    layout->addWidget(buttons[i]);
  }
  return frame;
}

// The width of a line edit that shows `chars` average characters: the text, the frame
// and the text margins, as QLineEdit::sizeHint counts them.
int WidthForChars(const QLineEdit& box, int chars) {
  return box.fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('n'))) +
         2 * box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
}

}  // namespace

frmRptOption::frmRptOption(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmRptOption"));
  setWindowTitle(QStringLiteral("Report Options"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  QGroupBox* what = OptionFrame(this, QStringLiteral("What to print?"),
                                QStringLiteral("optWhatToPrint"), QStringLiteral("Entire View"),
                                QStringLiteral("Selected row only"), optWhatToPrint);
  auto* titleFrame = new QGroupBox(QStringLiteral("Report Title"), this);
  txtTitle = new QLineEdit(titleFrame);
  txtTitle->setObjectName(QStringLiteral("txtTitle"));
  txtTitle->setMinimumWidth(WidthForChars(*txtTitle, kTitleChars));
  ckDT = new QCheckBox(QStringLiteral("Append Print Date/Time"), titleFrame);
  ckDT->setObjectName(QStringLiteral("ckDT"));
  auto* titleLayout = new QVBoxLayout(titleFrame);
  titleLayout->addWidget(txtTitle);
  titleLayout->addWidget(ckDT);
  QGroupBox* orientation = OptionFrame(
      this, QStringLiteral("Printed Page Orientation:"), QStringLiteral("optOrientation"),
      QStringLiteral("Landscape"), QStringLiteral("Portrait"), optOrientation);

  QHBoxLayout* buttons = ui::OkCancelRow(this, OKButton, QStringLiteral("OKButton"), CancelButton,
                                         QStringLiteral("CancelButton"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(what);
  layout->addWidget(titleFrame);
  layout->addWidget(orientation);
  layout->addLayout(buttons);
  ui::FixWindowSize(*this);

  ConnectClicks(this, {{OKButton, &frmRptOption::OKButton_Click},
                       {CancelButton, &frmRptOption::CancelButton_Click}});
  Form_Load();
}

void frmRptOption::Form_Load() {
  m_bOK = false;
  m_nOrientation = mdlRegistry::PrefGetLong(kOrientationPref);
  SetPageOrientation(m_nOrientation);
  m_nRowOnly = mdlRegistry::PrefGetLong(kRowOnlyPref);
  optWhatToPrint[m_nRowOnly == 1 ? 1 : 0]->setChecked(true);
  m_nDTStamp = mdlRegistry::PrefGetLong(kDateTimePref);
  ckDT->setChecked(m_nDTStamp == 1);
}

void frmRptOption::RestoreRptTitle(const QString& sTitleKey) {
  m_sTitleKey = sTitleKey;
  if (m_sTitleKey.isEmpty()) return;
  const QString title = mdlRegistry::PrefGetString(m_sTitleKey);
  if (!title.isEmpty()) txtTitle->setText(title);
}

void frmRptOption::SetPageOrientation(int32_t eOrientation) {
  optOrientation[eOrientation == 1 ? 1 : 0]->setChecked(true);
}

void frmRptOption::OKButton_Click() {
  m_bOK = true;
  m_nOrientation = optOrientation[0]->isChecked() ? 2 : 1;
  mdlRegistry::PrefSaveLong(kOrientationPref, m_nOrientation);
  m_nRowOnly = optWhatToPrint[0]->isChecked() ? 0 : 1;
  mdlRegistry::PrefSaveLong(kRowOnlyPref, m_nRowOnly);
  if (!m_sTitleKey.isEmpty()) mdlRegistry::PrefSaveString(m_sTitleKey, txtTitle->text());
  m_nDTStamp = ckDT->isChecked() ? 1 : 0;
  mdlRegistry::PrefSaveLong(kDateTimePref, m_nDTStamp);
  accept();
}

void frmRptOption::CancelButton_Click() { reject(); }

void frmRptOption::reject() {
  m_bOK = false;
  QDialog::reject();
}
