#include "platform/ui/Placement.h"

#include <QGuiApplication>
#include <QStyle>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <optional>

#include "platform/ui/Screen.h"

namespace ui {
namespace {

bool Placeable(const QWidget& window) {
  if (!window.isWindow()) return false;
  const Qt::WindowType type = window.windowType();
  if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop) return false;
  return (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) == 0;
}

// The window manager's frame around `window` as the window system has it now
// (QWidget keeps what it had at the window's last move or resize); none while it is not
// known. While the manager frames the window, the frame may for a moment be smaller
// than the inside (at the screen's corner): not known yet either.
std::optional<QMargins> KnownFrame(const QWidget& window) {
  const QWindow* handle = window.windowHandle();
  if (handle == nullptr) return std::nullopt;
  const QMargins m = handle->frameMargins();
  if (m.isNull() || m.left() < 0 || m.top() < 0 || m.right() < 0 || m.bottom() < 0) return std::nullopt;
  return m;
}

}  // namespace

QMargins FrameOf(const QWidget& window) {
  if (const std::optional<QMargins> known = KnownFrame(window)) return *known;
  if (window.isVisible() || QGuiApplication::platformName() == QLatin1String("offscreen")) return {};
  const int border = 4;
  const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
  return QMargins(border, title + border, border, border);
}

QRect InsideArea(const QRect& frame, const QRect& area) {
  QRect r(frame.topLeft(), frame.size().boundedTo(area.size()));
  r.moveLeft(std::clamp(r.left(), area.left(), area.right() + 1 - r.width()));
  r.moveTop(std::clamp(r.top(), area.top(), area.bottom() + 1 - r.height()));
  return r;
}

QRect FittedInside(const QRect& client, const QMargins& frame, const QRect& area) {
  return InsideArea(client.marginsAdded(frame), area).marginsRemoved(frame);
}

namespace {
constexpr char kFrameUnknown[] = "ui_frameUnknown";
}  // namespace

namespace {

// Moves and shrinks `window` so that its inside goes to `client` fitted inside the
// available area with `frame` around it.
void PlaceFitted(QWidget& window, const QRect& client, const QMargins& frame) {
  const QRect placed = FittedInside(client, frame, AvailableScreenArea());
  if (placed == window.geometry()) return;
  if (placed.size() != window.size()) window.resize(placed.size());
  // By the inside's way: the widget's own idea of its frame may be an old one.
  window.move(window.pos() + placed.topLeft() - window.geometry().topLeft());
}

}  // namespace

void KeepInsideAvailableArea(QWidget& window) {
  window.setProperty(kFrameUnknown, QVariant());
  if (!Placeable(window)) return;
  PlaceFitted(window, window.geometry(), FrameOf(window));
  // Shown before the frame is known: where the frame was put (the inside, without it),
  // for the refit by the frame.
  if (!KnownFrame(window)) window.setProperty(kFrameUnknown, window.geometry().topLeft());
}

bool KeepFramedInsideAvailableArea(QWidget& window) {
  const QVariant put = window.property(kFrameUnknown);
  if (!put.isValid()) return false;
  if (!KnownFrame(window)) return true;
  window.setProperty(kFrameUnknown, QVariant());
  if (!Placeable(window)) return false;
  // Right after framing, the window system may still report the inside where the frame
  // began (at the screen's corner): the place the frame was put counts.
  const QMargins frame = FrameOf(window);
  PlaceFitted(window, QRect(put.toPoint() + QPoint(frame.left(), frame.top()), window.size()), frame);
  return false;
}

void PlaceOver(QWidget& window, const QWidget* owner) {
  const QRect over = owner != nullptr ? owner->window()->frameGeometry() : AvailableScreenArea();
  QRect outer = window.geometry().marginsAdded(FrameOf(window));
  outer.moveCenter(over.center());
  window.move(outer.topLeft());
  KeepInsideAvailableArea(window);
}

void MaximizeInsideAvailableArea(QWidget& window) {
  window.setWindowState(window.windowState() & ~(Qt::WindowMinimized | Qt::WindowFullScreen |
                                                 Qt::WindowMaximized));
  // A window manager that maximizes puts its frame around; without one there is none.
  window.setGeometry(AvailableScreenArea());
  window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

namespace {
constexpr char kUntiledSize[] = "ui_untiledSize";
}  // namespace

void MarkTiled(QWidget& window) {
  if (!window.property(kUntiledSize).isValid()) window.setProperty(kUntiledSize, window.size());
}

QSize SizeBeforeTiling(const QWidget& window) { return window.property(kUntiledSize).toSize(); }

QSize Untiled(QWidget& window) {
  const QSize before = SizeBeforeTiling(window);
  window.setProperty(kUntiledSize, QVariant());
  return before.isValid() ? before : window.size();
}

}  // namespace ui
