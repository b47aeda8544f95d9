#pragma once
// Where the program's windows go: every window lies inside the screen's available area
// (what panels and task bars leave), also where no window manager keeps it there.
// ui::Application keeps each top-level window inside when it is shown; the helpers
// below place a window before that. User-interface thread only.

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace ui {

// The frame around the top-level `window`: the window manager's once it is known, else
// a title bar and thin borders (none on a platform without frames).
QMargins FrameOf(const QWidget& window);

// `frame` moved, and shrunk where it is larger, so that it lies inside `area`.
QRect InsideArea(const QRect& frame, const QRect& area);

// The inside of a window, `client`, moved and shrunk so that it lies inside `area` with
// `frame` around it.
QRect FittedInside(const QRect& client, const QMargins& frame, const QRect& area);

// Moves and shrinks the top-level `window` (with its frame) into the available area.
// Maximized, full-screen and minimized windows, pop-ups and tool tips are left alone.
void KeepInsideAvailableArea(QWidget& window);

// A window manager frames a window only after it is shown: once the frame of `window`,
// kept inside without it, is known, keeps the window inside once more with it, its frame
// where it was put (the window system may report the window elsewhere for a moment, and
// a frame still smaller than the inside). True while that frame is still awaited.
bool KeepFramedInsideAvailableArea(QWidget& window);

// Centres the top-level `window` over `owner` (the available area when none) and keeps
// it inside the available area.
void PlaceOver(QWidget& window, const QWidget* owner);

// Maximizes `window` with the available area as its normal place, so that a window
// manager that ignores the state (or none at all) still leaves it on the screen.
void MaximizeInsideAvailableArea(QWidget& window);

// A tiled child window's own size (the one it had before it was first tiled) is kept
// apart from the tile's. SizeBeforeTiling: that size, invalid when the window is not
// tiled; Untiled: the window's own size (tiled or not), no longer tiled.
void MarkTiled(QWidget& window);
QSize SizeBeforeTiling(const QWidget& window);
QSize Untiled(QWidget& window);

}  // namespace ui
