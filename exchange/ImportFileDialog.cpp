#include "exchange/ImportFileDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/runtime/App.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

ImportFileDialog::ImportFileDialog(const ImportFileTexts& texts, QWidget* parent)
    : QDialog(parent), texts_(texts) {
  setWindowTitle(texts.caption);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowModality(Qt::ApplicationModal);

  lblHeading = new QLabel(texts.caption, this);
  lblHeading->setObjectName(QStringLiteral("lblHeading"));
  lblHeading->setFont(ui::MapFont(QStringLiteral("Arial Black"), 12));

  Frame1 = new QGroupBox(texts.frame, this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  txtImportFile = new QLineEdit(Frame1);
  txtImportFile->setObjectName(QStringLiteral("txtImportFile"));
  cmdChooseFile = ui::NamedButton(QStringLiteral("&Choose Import File"), QStringLiteral("cmdChooseFile"), Frame1);
  auto* fileRow = new QHBoxLayout(Frame1);
  fileRow->addWidget(txtImportFile, 1);
  fileRow->addWidget(cmdChooseFile);

  cmdHelp = ui::NamedButton(QStringLiteral("&Help"), QStringLiteral("cmdHelp"), this);
  cmdSampleFile = ui::NamedButton(QStringLiteral("Sample File"), QStringLiteral("cmdSampleFile"), this);
  cmdOK = new QPushButton(QStringLiteral("Validate and &Preview"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdCancel = ui::NamedButton(QStringLiteral("Cancel"), QStringLiteral("cmdCancel"), this);

  fields_ = new QGridLayout;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addLayout(fields_);
  layout->addWidget(Frame1);
  layout->addStretch();
  layout->addLayout(ui::ButtonRow({cmdHelp, cmdSampleFile}, {cmdOK, cmdCancel}));

  ConnectTrapped(cmdOK, &QPushButton::clicked, this, &ImportFileDialog::cmdOK_Click,
                 QStringLiteral("ImportFileDialog_cmdOK_Click"));
  ConnectTrapped(cmdCancel, &QPushButton::clicked, this, &ImportFileDialog::cmdCancel_Click,
                 QStringLiteral("ImportFileDialog_cmdCancel_Click"));
  ConnectTrapped(cmdChooseFile, &QPushButton::clicked, this, &ImportFileDialog::cmdChooseFile_Click,
                 QStringLiteral("ImportFileDialog_cmdChooseFile_Click"));
  ConnectTrapped(cmdSampleFile, &QPushButton::clicked, this, &ImportFileDialog::cmdSampleFile_Click,
                 QStringLiteral("ImportFileDialog_cmdSampleFile_Click"));
  ConnectTrapped(cmdHelp, &QPushButton::clicked, this, &ImportFileDialog::cmdHelp_Click,
                 QStringLiteral("ImportFileDialog_cmdHelp_Click"));
}

QString ImportFileDialog::ValidateFile() {
  const QString name = txtImportFile->text();
  if (name.trimmed().isEmpty()) return QStringLiteral("Please choose a file to import!");
  if (!gSystem().FileExists(name)) {
    gSystem().CtlSetFocus(cmdChooseFile);
    return QStringLiteral("File: '") + name + QStringLiteral("' does not exist!");
  }
  return {};
}

void ImportFileDialog::cmdOK_Click() {
  m_bOK = false;
  const QString message = ValidateData();
  if (!message.isEmpty()) {
    ui::MsgBox(message, ui::vbOKOnly, QStringLiteral("Validation error"));
    return;
  }
  AcceptEntries();
  m_bOK = true;
  accept();
}

void ImportFileDialog::cmdCancel_Click() { reject(); }

void ImportFileDialog::RunOverMainWindow() {
  ui::RunModal(*this, HubWindow());
}

void ImportFileDialog::cmdChooseFile_Click() {
  QString name;
  if (gSystem().GetFilename(name, QStringLiteral("MS Excel Comma Delimited File (*.csv)|*.csv"),
                            ui::OFN_EXPLORER | ui::OFN_LONGNAMES | ui::OFN_HIDEREADONLY | ui::OFN_PATHMUSTEXIST,
                            texts_.chooseTitle, false, this)) {
    txtImportFile->setText(name);
  }
}

void ImportFileDialog::cmdSampleFile_Click() {
  // A copy the user may edit; the sample beside the program stays as shipped.
  clsSystem& sys = gSystem();
  QString target = sys.GetTempFileName();
  target.replace(QStringLiteral(".tmp"), texts_.sampleSuffix);
  sys.FileCopyFn(sys.MakePath(rt::App::Path(), texts_.sample), target);
  sys.LaunchFile(target);
}

void ImportFileDialog::closeEvent(QCloseEvent* event) {
  unloadRequested_ = true;
  m_bOK = false;
  QDialog::closeEvent(event);
}
