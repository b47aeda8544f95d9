#pragma once
// The progress dialog as the tests see it.

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "services/frmProgress.h"

namespace progresstest {

// The progress dialog shown now, if any.
inline frmProgress* OpenProgressDialog() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dlg = qobject_cast<frmProgress*>(w); dlg != nullptr && dlg->isVisible()) return dlg;
  }
  return nullptr;
}

// While it lives, presses Cancel of the first progress dialog that the running job
// shows, as soon as the job lets events run.
class ScopedCancel {
 public:
  ScopedCancel() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      frmProgress* dlg = OpenProgressDialog();
      if (dlg == nullptr || !dlg->cmdCancel->isVisible()) return;
      dlg->cmdCancel->click();
      pressed_ = true;
      timer_.stop();
    });
    timer_.start();
  }
  bool Pressed() const { return pressed_; }

 private:
  QTimer timer_;
  bool pressed_ = false;
};

}  // namespace progresstest
