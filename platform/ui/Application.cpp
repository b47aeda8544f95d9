#include "platform/ui/Application.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>
#include <QtDebug>
#include <algorithm>
#include <utility>
#include <vector>

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

// The windows activated, the last one last.
std::vector<QPointer<QWidget>>& Activations() {
  static std::vector<QPointer<QWidget>> windows;
  return windows;
}

QWidget* LastActive() { return Activations().empty() ? nullptr : Activations().back().data(); }

void Activated(QWidget& window) {
  std::vector<QPointer<QWidget>>& all = Activations();
  std::erase_if(all, [&window](const QPointer<QWidget>& w) { return w.isNull() || w == &window; });
  all.emplace_back(&window);
}

// Where a window manager minimizes a maximized window, its state reads "minimized" alone.
constexpr char kStateBeforeMinimized[] = "ui_stateBeforeMinimized";

void StateChanged(QWidget& window, const QWindowStateChangeEvent& event) {
  if (window.isMinimized() && !(event.oldState() & Qt::WindowMinimized))
    window.setProperty(kStateBeforeMinimized, static_cast<int>(event.oldState() & ~Qt::WindowActive));
}

// A window manager may frame a window with no event that says so (it keeps the inside
// where it was asked for): the frame is looked for a while after the window is shown.
constexpr int kFrameLookMs = 100;
constexpr int kFrameLooks = 100;

void LookForFrame(QWidget& window) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;  // no frames
  auto* timer = new QTimer(&window);
  timer->setInterval(kFrameLookMs);
  QObject::connect(timer, &QTimer::timeout, &window, [timer, &window, looks = 0]() mutable {
    if (!KeepFramedInsideAvailableArea(window) || ++looks >= kFrameLooks) timer->deleteLater();
  });
  timer->start();
}

bool IsTopLevelWindow(const QObject* receiver) {
  return receiver != nullptr && receiver->isWidgetType() && static_cast<const QWidget*>(receiver)->isWindow();
}

// The top-level window shown last, and how many have been shown.
QPointer<QWidget>& LastShown() {
  static QPointer<QWidget> window;
  return window;
}
unsigned long long& ShownCount() {
  static unsigned long long count = 0;
  return count;
}

// Without a window manager nothing activates a window when the active one goes, and
// the keyboard reaches none: once the hide is done, the modal window, else a window shown
// since (its activation may still be on its way), else the owner, else a shown main
// window takes the activation, unless another window has it by then.
void ActivateNextAfter(QWidget& gone) {
  QWidget* parent = gone.parentWidget();
  const QPointer<QWidget> owner(parent != nullptr ? parent->window() : nullptr);
  QTimer::singleShot(0, qApp, [owner, shown = ShownCount()] {
    if (QApplication::activeWindow() != nullptr) return;
    QWidget* next = QApplication::activeModalWidget();
    if (next == nullptr && ShownCount() != shown && LastShown() && LastShown()->isVisible()) next = LastShown();
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
    if (event->type() == QEvent::WindowActivate && IsTopLevelWindow(receiver))
      Activated(*static_cast<QWidget*>(receiver));
    if (event->type() == QEvent::WindowStateChange && IsTopLevelWindow(receiver))
      StateChanged(*static_cast<QWidget*>(receiver), *static_cast<QWindowStateChangeEvent*>(event));
    const bool activeGoes = event->type() == QEvent::Hide && receiver != nullptr && receiver == LastActive();
    const QPointer<QObject> alive(receiver);
    const bool handled = QApplication::notify(receiver, event);
    if (shown && alive) {
      auto* widget = static_cast<QWidget*>(receiver);
      if (widget->isWindow()) {
        const Qt::WindowType type = widget->windowType();
        if (type == Qt::Window || type == Qt::Dialog) {
          LastShown() = widget;
          ++ShownCount();
        }
        KeepInsideAvailableArea(*widget);
        if (KeepFramedInsideAvailableArea(*widget)) LookForFrame(*widget);
      }
    }
    const bool placed = event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                        event->type() == QEvent::WindowActivate;
    if (placed && alive && IsTopLevelWindow(receiver)) KeepFramedInsideAvailableArea(*static_cast<QWidget*>(receiver));
    if (activeGoes && alive && QApplication::activeWindow() == nullptr)
      ActivateNextAfter(*static_cast<QWidget*>(receiver));
    return handled;
  } catch (...) {
    rt::TrapError();
    Report(ReceiverLabel(receiver));
    return false;
  }
}

QList<QWidget*> WindowsByActivation() {
  const auto shown = [](const QWidget* w) {
    const Qt::WindowType type = w->windowType();
    return w->isVisible() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop;
  };
  QList<QWidget*> windows;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    const bool active = std::any_of(Activations().begin(), Activations().end(),
                                    [w](const QPointer<QWidget>& a) { return a == w; });
    if (!active && shown(w)) windows << w;
  }
  for (const QPointer<QWidget>& w : Activations()) {
    if (w && w->isWindow() && shown(w)) windows << w.data();
  }
  return windows;
}

void ShowRestored(QWidget& window) {
  if (window.isMinimized()) {
    const QVariant before = window.property(kStateBeforeMinimized);
    const Qt::WindowStates state = before.isValid() ? Qt::WindowStates(before.toInt()) : window.windowState();
    window.setWindowState(state & ~Qt::WindowMinimized);
  }
  window.show();
}

}  // namespace ui
