#include "platform/ui/Application.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QtDebug>
#include <utility>

#include "platform/runtime/Error.h"
#include "platform/ui/Placement.h"
#include "platform/ui/SingleLine.h"

namespace ui {

namespace {

Application::ErrorReporter& Reporter() {
  static Application::ErrorReporter reporter;
  return reporter;
}

QString ReceiverLabel(const QObject* receiver) {
  if (receiver == nullptr) return QStringLiteral("Application_Event");
  const QString name = receiver->objectName();
  return (name.isEmpty() ? QString::fromLatin1(receiver->metaObject()->className()) : name) +
         QStringLiteral("_Event");
}

void Report(const QString& label) {
  const rt::ErrObject& err = rt::Err();
  try {
    if (Reporter()) {
      Reporter()(label);
      return;
    }
  } catch (...) {
    // A reporter that fails still leaves the error in the log below.
  }
  qCritical().noquote() << "Error #" << err.Number() << "from" << err.Source() << ":"
                        << err.Description() << "in" << label;
}

// The window last activated.
QPointer<QWidget>& LastActive() {
  static QPointer<QWidget> window;
  return window;
}

// Without a window manager nothing activates a window when the active one goes, and
// the keyboard reaches none: once the hide is done, the modal window, else the owner,
// else a shown main window takes the activation, unless another window has it by then.
void ActivateNextAfter(QWidget& gone) {
  QWidget* parent = gone.parentWidget();
  const QPointer<QWidget> owner(parent != nullptr ? parent->window() : nullptr);
  QTimer::singleShot(0, qApp, [owner] {
    if (QApplication::activeWindow() != nullptr) return;
    QWidget* next = QApplication::activeModalWidget();
    if (next == nullptr && owner && owner->isVisible()) next = owner;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (next == nullptr && w->isVisible() && w->windowType() == Qt::Window) next = w;
    }
    if (next != nullptr) next->activateWindow();
  });
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) { InstallSingleLineRule(*this); }

Application::ErrorReporter Application::SetErrorReporter(ErrorReporter reporter) {
  return std::exchange(Reporter(), std::move(reporter));
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    const bool shown = event->type() == QEvent::Show && !event->spontaneous() &&
                       receiver != nullptr && receiver->isWidgetType();
    if (event->type() == QEvent::WindowActivate && receiver != nullptr && receiver->isWidgetType() &&
        static_cast<QWidget*>(receiver)->isWindow())
      LastActive() = static_cast<QWidget*>(receiver);
    const bool activeGoes = event->type() == QEvent::Hide && receiver != nullptr && receiver == LastActive();
    const QPointer<QObject> alive(receiver);
    const bool handled = QApplication::notify(receiver, event);
    if (shown && alive) {
      auto* widget = static_cast<QWidget*>(receiver);
      if (widget->isWindow()) KeepInsideAvailableArea(*widget);
    }
    if (activeGoes && alive && QApplication::activeWindow() == nullptr)
      ActivateNextAfter(*static_cast<QWidget*>(receiver));
    return handled;
  } catch (...) {
    rt::TrapError();
    Report(ReceiverLabel(receiver));
    return false;
  }
}

}  // namespace ui
