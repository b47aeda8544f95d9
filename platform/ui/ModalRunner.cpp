#include "platform/ui/ModalRunner.h"

#include <QDialog>

#include "platform/ui/Seam.h"

namespace ui {
namespace {

class ExecRunner : public ModalRunner {
 public:
  int Run(QDialog& dialog) override { return dialog.exec(); }
};

using RunnerSeam = Seam<ModalRunner, ExecRunner>;

}  // namespace

ModalRunner& CurrentModalRunner() { return RunnerSeam::Current(); }
ModalRunner* SetModalRunner(ModalRunner* runner) { return RunnerSeam::Install(runner); }

int RunModal(QDialog& dialog, QWidget* owner) {
  if (owner != nullptr && dialog.parentWidget() != owner) {
    dialog.setParent(owner, dialog.windowFlags() | Qt::Dialog);
  }
  return CurrentModalRunner().Run(dialog);
}

}  // namespace ui
