#include "platform/ui/Application.h"

#include <QtDebug>
#include <utility>

#include "platform/runtime/Error.h"

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
    return QApplication::notify(receiver, event);
  } catch (...) {
    rt::TrapError();
    Report(ReceiverLabel(receiver));
    return false;
  }
}

}  // namespace ui
