#pragma once
// ImportFileDialog: what the two import dialogs share: the heading, the frame with the
// file box and its "&Choose Import File" button, and the buttons Help, Sample File,
// "Validate and &Preview" (default) and Cancel. OK checks the entries (ValidateData),
// shows a failure in the "Validation error" box and stays open, else takes the entries
// (AcceptEntries), sets m_bOK and hides. Cancel hides with m_bOK False, so a caller
// that keeps the dialog shows the same entries next time; closing it from the window
// frame also counts as Cancel but asks to unload it (UnloadRequested). Application-
// modal. A subclass puts its own rows into Fields() and implements cmdHelp_Click.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <optional>

class QCloseEvent;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

struct ImportFileTexts {
  QString caption;       // window caption and heading
  QString frame;         // caption of the file frame
  QString chooseTitle;   // title of the Open dialog
  QString sample;        // the sample's file name in the program folder
  QString sampleSuffix;  // replaces ".tmp" in the name of the temporary copy
};

class ImportFileDialog : public QDialog {
  Q_OBJECT

 public:
  bool m_bOK = false;

  QLabel* lblHeading = nullptr;
  QGroupBox* Frame1 = nullptr;
  QLineEdit* txtImportFile = nullptr;
  QPushButton* cmdChooseFile = nullptr;
  QPushButton* cmdHelp = nullptr;
  QPushButton* cmdSampleFile = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;

  // The empty text when the entries are acceptable, else the message of the first
  // failing check.
  virtual QString ValidateData() { return ValidateFile(); }
  // The file name checks: "Please choose a file to import!" for a name of blanks,
  // "File: '<name>' does not exist!" (focus to cmdChooseFile) for a missing file.
  QString ValidateFile();
  // True once the window frame closed the dialog.
  bool UnloadRequested() const { return unloadRequested_; }
  // Shows the dialog modally over the main window (when there is one).
  void RunOverMainWindow();

 public slots:
  void cmdOK_Click();
  void cmdCancel_Click();
  void cmdChooseFile_Click();
  void cmdSampleFile_Click();
  virtual void cmdHelp_Click() = 0;

 protected:
  ImportFileDialog(const ImportFileTexts& texts, QWidget* parent);
  // Rows between the heading and the file frame.
  QGridLayout* Fields() const { return fields_; }
  // Writes the checked entries where the caller reads them.
  virtual void AcceptEntries() {}
  void closeEvent(QCloseEvent* event) override;

 private:
  ImportFileTexts texts_;
  QGridLayout* fields_ = nullptr;
  bool unloadRequested_ = false;
};

// Runs the dialog kept in `kept` (made when there is none) after `prepare(dialog)`;
// True after OK. A dialog closed from the window frame is unloaded.
template <class Dialog, class Prepare>
bool RunKept(QPointer<Dialog>& kept, Prepare prepare) {
  if (kept.isNull()) kept = new Dialog;
  kept->m_bOK = false;
  prepare(*kept);
  kept->RunOverMainWindow();
  if (kept->m_bOK) return true;
  if (kept->UnloadRequested()) delete kept.data();
  return false;
}

// RunKept, then `check(dialog)` on the entries taken, which gives the check's result or
// nullopt when the user cancelled it: the dialog is then shown again. The check's
// result, the dialog unloaded; nullopt when the dialog was cancelled.
template <class Dialog, class Prepare, class Check>
std::optional<bool> RunKeptChecked(QPointer<Dialog>& kept, Prepare prepare, Check check) {
  for (;;) {
    if (!RunKept(kept, prepare)) return std::nullopt;
    if (const std::optional<bool> result = check(*kept)) {
      delete kept.data();
      return result;
    }
  }
}
