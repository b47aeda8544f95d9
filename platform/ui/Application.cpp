#include "platform/ui/Application.h"

#include <QPointer>
#include <QWidget>
#include <QtDebug>
#include <utility>

#include "platform/runtime/Error.h"
#include "platform/ui/Placement.h"

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

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

Application::ErrorReporter Application::SetErrorReporter(ErrorReporter reporter) {
  return std::exchange(Reporter(), std::move(reporter));
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    const bool shown = event->type() == QEvent::Show && !event->spontaneous() &&
                       receiver != nullptr && receiver->isWidgetType();
    const QPointer<QObject> alive(receiver);
    const bool handled = QApplication::notify(receiver, event);
    if (shown && alive) {
      auto* widget = static_cast<QWidget*>(receiver);
      if (widget->isWindow()) KeepInsideAvailableArea(*widget);
    }
    return handled;
  } catch (...) {
    rt::TrapError();
    Report(ReceiverLabel(receiver));
    return false;
  }
}

}  // namespace ui
