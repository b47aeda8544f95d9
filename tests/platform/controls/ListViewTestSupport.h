#pragma once
// Mouse and keyboard input sent straight to widgets, and the error number an
// operation raises, for the list-view, list-bar and month-view tests.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <functional>

#include "platform/runtime/Error.h"

namespace lvtest {

// The number of the rt::VbError that f raises, or 0 when it raises none.
inline int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const rt::VbError& e) {
    return e.number();
  }
  return 0;
}

inline void SendMouse(QWidget* target, QEvent::Type type, QPoint pos) {
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
  QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), Qt::LeftButton, held,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

inline void Click(QWidget* target, QPoint pos) {
  SendMouse(target, QEvent::MouseButtonPress, pos);
  SendMouse(target, QEvent::MouseButtonRelease, pos);
}

inline void DoubleClick(QWidget* target, QPoint pos) {
  Click(target, pos);
  SendMouse(target, QEvent::MouseButtonDblClick, pos);
  SendMouse(target, QEvent::MouseButtonRelease, pos);
}

inline void Key(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

}  // namespace lvtest
