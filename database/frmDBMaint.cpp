#include "database/frmDBMaint.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

frmDBMaint::frmDBMaint(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmDBMaint"));
  setWindowTitle(QStringLiteral("Database Maintenance - Reindex Data Files"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  // The dialog's own size, so the list, the labels and the buttons read alike.
  const QFont verdana = ui::MapFont(QStringLiteral("Verdana"), 0);

  lstDataFiles = new QListWidget(this);
  lstDataFiles->setObjectName(QStringLiteral("lstDataFiles"));
  lstDataFiles->setFont(verdana);
  IndexButton = new QPushButton(QStringLiteral("Re-&Index"), this);
  IndexButton->setObjectName(QStringLiteral("IndexButton"));
  IndexButton->setDefault(true);
  CloseButton = new QPushButton(QStringLiteral("Close"), this);
  CloseButton->setObjectName(QStringLiteral("CloseButton"));
  CloseButton->setAutoDefault(false);
  lblWarn = ui::PlainLabel(QString(), this);
  lblWarn->setObjectName(QStringLiteral("lblWarn"));
  lblWarn->setFont(verdana);
  lblWarn->setWordWrap(true);
  lblProgress = ui::PlainLabel(QString(), this);
  lblProgress->setObjectName(QStringLiteral("lblProgress"));
  lblProgress->setFont(verdana);
  lblProgress->setWordWrap(true);
  ConnectClicks(this, {{IndexButton, &frmDBMaint::IndexButton_Click},
                       {CloseButton, &frmDBMaint::CloseButton_Click}});

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblWarn);
  layout->addWidget(lstDataFiles);
  layout->addWidget(lblProgress);
  layout->addLayout(ui::ButtonRow({}, {IndexButton, CloseButton}));
  resize(560, 360);

  const QString lf = gSystem().LF(1);
  lblWarn->setText(QStringLiteral("WARNING: ") + lf +
                   QStringLiteral("1. Backup your Database Files (See File menu for instructions) before performing "
                                  "any maintenance") +
                   lf + QStringLiteral("2. Make sure no one is using the application before performing any maintenance") +
                   gSystem().LF(2) + QStringLiteral("Select a data file and press [Re-Index]"));
}

void frmDBMaint::Filenames(const QList<clsDBFile>& files) {
  lstDataFiles->clear();
  for (const clsDBFile& f : files) lstDataFiles->addItem(f.dataFilePath);
  m_files = files;
}

// The list's current row alone is no pick: the list makes its first row current when it
// gets the focus, with nothing selected.
int frmDBMaint::SelectedRow() const {
  const QList<QListWidgetItem*> selected = lstDataFiles->selectedItems();
  return selected.isEmpty() ? -1 : lstDataFiles->row(selected.front());
}

void frmDBMaint::CloseButton_Click() { hide(); }

void frmDBMaint::IndexButton_Click() {
  if (SelectedRow() < 0) {
    ui::MsgBox(QStringLiteral("Select a data file to re-index!"), ui::vbOKCancel | ui::vbExclamation,
               QStringLiteral("No data file selected"));
    return;
  }
  ReIndexSelected();
}

void frmDBMaint::SetBusy(bool busy, const QString& progress) {
  CloseButton->setEnabled(!busy);
  IndexButton->setEnabled(!busy);
  lblProgress->setText(progress);
  ui::SetScreenMousePointer(busy ? ui::vbHourglass : ui::vbDefault);
  if (busy) repaint();
}

void frmDBMaint::ReIndexSelected() {
  try {
    const QString file = lstDataFiles->item(SelectedRow())->text();
    const QString lf2 = gSystem().LF(2);
    if (ui::MsgBox(QStringLiteral("You are about to Re-Index the following file:") + lf2 + file + lf2 +
                       QStringLiteral("This operation may take several minutes and requires exclusive access to data "
                                      "files. Do you want to continue?"),
                   ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton2,
                   QStringLiteral("Re-Index Data File")) != ui::vbYes) {
      return;
    }
    SetBusy(true, QStringLiteral("Indexing ") + file + QStringLiteral(" ... Please wait..."));
    bool refused = false;
    long corrected = 0;
    const bool ok = ReIndexFile(file, &refused, &corrected);
    SetBusy(false, QString());
    if (ok) {
      QString text = file + QStringLiteral(" has been re-indexed.");
      if (corrected == 1) {
        text += QStringLiteral(" 1 number field written with a decimal comma was corrected.");
      } else if (corrected > 1) {
        text += QStringLiteral(" %1 number fields written with a decimal comma were corrected.").arg(corrected);
      }
      ui::MsgBox(text, ui::vbInformation, QStringLiteral("File Indexed"));
    } else if (!refused) {  // a refusal has said why
      ui::MsgBox(QStringLiteral("Unable to index file: ") + file, ui::vbExclamation,
                 QStringLiteral("File Indexing Failed"));
    }
  } catch (...) {
    SetBusy(false, QString());
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmDBMaint: ") + rt::Err().Description());
  }
}

bool frmDBMaint::ReIndexFile(const QString& file, bool* refused, long* corrected) {
  const int row = SelectedRow();
  if (row < 0 || row >= m_files.size() || m_files[row].dataFilePath != file) return false;
  return gDB().ReIndexFile(m_files[row], refused, corrected);
}

void clsDBUtil::DlgDBMaintenance(QWidget* owner, const QList<clsDBFile>& files) {
  if (!gDB().IsOpen()) {
    ui::MsgBox(QStringLiteral("No database is currently open. See File menu."), ui::vbInformation,
               QStringLiteral("No Database Open"));
    return;
  }
  frmDBMaint dlg;
  dlg.Filenames(files);
  ui::RunModal(dlg, owner);
}
