#include "reports/UCRptOptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "database/clsRptOptions.h"
#include "platform/controls/NumericEdit.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "services/clsSystem.h"

namespace {

constexpr int32_t kPortrait = 1;
constexpr int32_t kLandscape = 2;
constexpr int32_t kDescending = 1;

QLabel* Named(QLabel* label, const QString& name) {
  label->setObjectName(name);
  return label;
}

// A frame holding a heading and two option buttons.
QGroupBox* OptionFrame(QWidget* parent, const QString& frameName, const QString& labelName,
                       const QString& heading, std::array<QRadioButton*, 2>& buttons,
                       const QString& buttonName, const QString& first, const QString& second) {
  auto* frame = new QGroupBox(parent);
  frame->setObjectName(frameName);
  auto* layout = new QVBoxLayout(frame);
  layout->addWidget(Named(new QLabel(heading, frame), labelName));
  const QString captions[2] = {first, second};
  for (int i = 0; i < 2; ++i) {
    buttons[i] = new QRadioButton(captions[i], frame);
    buttons[i]->setObjectName(buttonName + QString::number(i));
    layout->addWidget(buttons[i]);
  }
  return frame;
}

}  // namespace

UCRptOptions::UCRptOptions(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("UCRptOptions"));
  ckAllowDataEdit =
      new QCheckBox(QStringLiteral("Allow editing of data (New, Edit.. buttons are shown)"), this);
  ckAllowDataEdit->setObjectName(QStringLiteral("ckAllowDataEdit"));
  fpCols2Freeze = new ctl::NumericEdit(ctl::NumericKind::LongInteger, this);
  fpCols2Freeze->setObjectName(QStringLiteral("fpCols2Freeze"));
  fpCols2Freeze->setRange(int64_t{0}, int64_t{99});

  auto* freeze = new QHBoxLayout;
  freeze->addWidget(Named(new QLabel(QStringLiteral("Freeze first"), this), QStringLiteral("Label4")));
  freeze->addWidget(fpCols2Freeze);
  freeze->addWidget(Named(new QLabel(QStringLiteral("columns"), this), QStringLiteral("Label2")));
  freeze->addStretch();

  auto* frames = new QHBoxLayout;
  frames->addWidget(OptionFrame(this, QStringLiteral("Frame1"), QStringLiteral("Label1"),
                                QStringLiteral("Printed Page Orientation:"), optOrientation,
                                QStringLiteral("optOrientation"), QStringLiteral("Landscape"),
                                QStringLiteral("Potrait")));
  frames->addWidget(OptionFrame(
      this, QStringLiteral("Frame2"), QStringLiteral("Label3"), QStringLiteral("Initial Column Sort Order:"),
      optSort, QStringLiteral("optSort"), QStringLiteral("Ascending"), QStringLiteral("Descending")));
  frames->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ckAllowDataEdit);
  layout->addLayout(freeze);
  layout->addLayout(frames);
  layout->addStretch();

  optOrientation[0]->setChecked(true);
  optSort[0]->setChecked(true);
}

void UCRptOptions::SetValues(const clsRptOptions& o) {
  try {
    ckAllowDataEdit->setChecked(o.m_bAllowDataEdit);
    fpCols2Freeze->setText(QString::number(o.m_nNumOfColumns2Freeze));
    optOrientation[o.m_udPageOrientation == kLandscape ? 0 : 1]->setChecked(true);
    optSort[o.m_udRptColSortOrder == kDescending ? 1 : 0]->setChecked(true);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("UCRptOptions_SetValues"));
  }
}

void UCRptOptions::GetValues(clsRptOptions& o) {
  try {
    o.m_bAllowDataEdit = gSystem().CK2TrueFalse(*ckAllowDataEdit);
    o.m_nNumOfColumns2Freeze = rt::CLng(fpCols2Freeze->Text());
    o.m_udPageOrientation = optOrientation[0]->isChecked() ? kLandscape : kPortrait;
    o.m_udRptColSortOrder = optSort[1]->isChecked() ? kDescending : 0;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("UCRptOptions_GetValues"));
  }
}
