#pragma once
// Running a dialog modally. Every modal dialog of the program is shown with
// ui::RunModal, which forwards to the installed ModalRunner: production calls
// QDialog::exec(); tests install a scripted fake (platform/ui/testing/TestPrompts.h) that
// hands the dialog to a script which fills and clicks its named controls.
// User-interface thread only.

class QDialog;
class QWidget;

namespace ui {

class ModalRunner {
 public:
  virtual ~ModalRunner() = default;
  // Shows `dialog` modally and returns when it is closed (hidden); the result is
  // the dialog's result code (QDialog::Accepted / Rejected or the value given to done()).
  virtual int Run(QDialog& dialog) = 0;
};

// The installed runner (production unless a test installed another).
ModalRunner& CurrentModalRunner();
// Installs `runner` (not owned; nullptr restores production); returns the previous
// one, or nullptr when that was production.
ModalRunner* SetModalRunner(ModalRunner* runner);

// Shows `dialog` modally through the installed runner. When `owner` is given the
// dialog becomes its child window (centred on it, kept above it) first.
int RunModal(QDialog& dialog, QWidget* owner = nullptr);

}  // namespace ui
