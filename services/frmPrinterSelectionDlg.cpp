#include "services/frmPrinterSelectionDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/runtime/Convert.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Printers.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"

frmPrinterSelectionDlg::frmPrinterSelectionDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmPrinterSelectionDlg"));
  setWindowTitle(QStringLiteral("Printer Selection"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  cboPrinters = new QComboBox(this);
  cboPrinters->setObjectName(QStringLiteral("cboPrinters"));
  txtNumCopies = new QLineEdit(QStringLiteral("1"), this);
  txtNumCopies->setObjectName(QStringLiteral("txtNumCopies"));
  auto* orientation = new QWidget(this);
  auto* orientationLayout = new QHBoxLayout(orientation);
  orientationLayout->setContentsMargins(0, 0, 0, 0);
  const QString texts[] = {QStringLiteral("Portrait"), QStringLiteral("Landscape")};
  for (int i = 0; i < 2; ++i) {
    optionPageOrientation[i] = new QRadioButton(texts[i], orientation);
    optionPageOrientation[i]->setObjectName(QStringLiteral("optionPageOrientation_%1").arg(i));
    orientationLayout->addWidget(optionPageOrientation[i]);
  }
  QHBoxLayout* buttons = ui::OkCancelRow(this, OKButton, QStringLiteral("OKButton"), CancelButton,
                                         QStringLiteral("CancelButton"));

  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Printer:"), cboPrinters);
  fields->addRow(QStringLiteral("Number of Copies:"), txtNumCopies);
  fields->addRow(QStringLiteral("Page Orientation:"), orientation);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  ui::FixWindowSize(*this);

  ConnectClicks(this, {{OKButton, &frmPrinterSelectionDlg::OKButton_Click},
                       {CancelButton, &frmPrinterSelectionDlg::CancelButton_Click}});
  Form_Load();
}

void frmPrinterSelectionDlg::Form_Load() {
  OK = false;
  Portrait = true;
  NumCopies = 1;
  optionPageOrientation[0]->setChecked(true);
  cboPrinters->clear();
  const QStringList names = ui::PrinterNames();
  cboPrinters->addItems(names);
  cboPrinters->setCurrentIndex(std::max<qsizetype>(0, names.indexOf(ui::CurrentPrinterName())));
}

bool frmPrinterSelectionDlg::Validate() {
  const auto warn = [](const QString& text) {
    ui::MsgBox(text, ui::vbExclamation, QStringLiteral("Warning"));
    return false;
  };
  Portrait = optionPageOrientation[0]->isChecked();
  PrinterIndex = static_cast<int16_t>(cboPrinters->currentIndex());
  if (PrinterIndex < 0) return warn(QStringLiteral("Select a printer."));
  const std::optional<double> copies = rt::ParseNumeric(txtNumCopies->text());
  const double rounded = copies ? rt::RoundHalfEven(*copies) : 0.0;
  if (!(rounded >= 1 && rounded <= 999)) {
    NumCopies = 0;
    return warn(QStringLiteral("Number of copies must be between 1 and 999."));
  }
  NumCopies = static_cast<int16_t>(rounded);
  return true;
}

void frmPrinterSelectionDlg::OKButton_Click() {
  if (!Validate()) return;
  OK = true;
  accept();
}

void frmPrinterSelectionDlg::CancelButton_Click() { reject(); }

void frmPrinterSelectionDlg::reject() {
  OK = false;
  QDialog::reject();
}
