#pragma once
// The progress dialog as the tests see it.

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
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

// Its bar and Cancel button, found by name.
inline QProgressBar& Bar(frmProgress& dlg) { return *dlg.findChild<QProgressBar*>(QStringLiteral("pbar")); }
inline QPushButton& CancelButton(frmProgress& dlg) { return *dlg.findChild<QPushButton*>(QStringLiteral("cmdCancel")); }

// While it lives, presses Cancel of the first progress dialog that the running job
// shows (the first reading `message`, when given), as soon as the job lets events run.
class ScopedCancel {
 public:
  explicit ScopedCancel(const QString& message = QString()) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this, message] {
      frmProgress* dlg = OpenProgressDialog();
      if (dlg == nullptr || !CancelButton(*dlg).isVisible()) return;
      if (!message.isEmpty() && dlg->findChild<QLabel*>(QStringLiteral("lblMsg"))->text() != message) return;
      CancelButton(*dlg).click();
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
