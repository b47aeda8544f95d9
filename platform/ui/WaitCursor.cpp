#include "platform/ui/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace ui {
namespace {
MousePointer& State() {
  static MousePointer pointer = vbDefault;
  return pointer;
}
}  // namespace

MousePointer ScreenMousePointer() { return State(); }

void SetScreenMousePointer(MousePointer pointer) {
  if (pointer != vbHourglass) pointer = vbDefault;
  if (pointer == State()) return;
  State() = pointer;
  // At most one override cursor of ours is on the stack at any time.
  if (pointer == vbHourglass) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

}  // namespace ui
