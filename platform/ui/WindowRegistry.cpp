#include "platform/ui/WindowRegistry.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace ui {
namespace {

constexpr char kTagProperty[] = "stovrelTag";

QList<QPointer<QWidget>>& List() {
  static QList<QPointer<QWidget>> windows;
  return windows;
}

void Prune() {
  List().removeIf([](const QPointer<QWidget>& w) { return w.isNull(); });
}

// The widget that closes and dies with `window`: its MDI sub-window frame, if any.
QWidget* FrameOf(QWidget* window) {
  auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
  return sub != nullptr && sub->widget() == window ? sub : window;
}

// Closes `window`; when it closed, unlists it and returns the widget to delete
// (nullptr when it is already gone). `closed` tells whether it closed.
QWidget* CloseAndUnlist(QWidget* window, bool& closed) {
  closed = false;
  if (window == nullptr) return nullptr;
  QPointer<QWidget> frame(FrameOf(window));
  QPointer<QWidget> self(window);
  if (!frame->close()) return nullptr;
  closed = true;
  List().removeIf([&](const QPointer<QWidget>& w) { return w.isNull() || w == self; });
  return frame.data();
}

}  // namespace

void RegisterWindow(QWidget* window, const QString& tag) {
  if (window == nullptr) return;
  if (!tag.isEmpty()) window->setProperty(kTagProperty, tag);
  if (!IsLoaded(window)) List().append(window);
}

void SetTag(QWidget* window, const QString& tag) {
  if (window == nullptr) return;
  window->setProperty(kTagProperty, tag);
  RegisterWindow(window);
}

QString Tag(const QWidget* window) {
  return window != nullptr ? window->property(kTagProperty).toString() : QString();
}

QList<QWidget*> LoadedWindows() {
  Prune();
  QList<QWidget*> windows;
  windows.reserve(List().size());
  for (const QPointer<QWidget>& w : List()) windows.append(w.data());
  return windows;
}

bool IsLoaded(const QWidget* window) {
  if (window == nullptr) return false;
  for (const QPointer<QWidget>& w : List()) {
    if (w.data() == window) return true;
  }
  return false;
}

QWidget* FindByTag(const QString& tag) {
  if (tag.isEmpty()) return nullptr;
  for (QWidget* w : LoadedWindows()) {
    if (Tag(w) == tag) return w;
  }
  return nullptr;
}

bool IsInFront(const QWidget& widget) {
  for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
    const auto* sub = qobject_cast<const QMdiSubWindow*>(w);
    if (sub != nullptr && sub->mdiArea() != nullptr && sub->mdiArea()->activeSubWindow() != nullptr &&
        sub->mdiArea()->activeSubWindow() != sub)
      return false;
  }
  const QWidget* active = QApplication::activeWindow();
  return active == nullptr || active == widget.window();
}

bool Unload(QWidget* window) {
  bool closed = false;
  delete CloseAndUnlist(window, closed);
  return closed;
}

bool UnloadLater(QWidget* window) {
  bool closed = false;
  if (QWidget* doomed = CloseAndUnlist(window, closed)) doomed->deleteLater();
  return closed;
}

}  // namespace ui
