#pragma once
// The windows the program has loaded: every top-level window and MDI child, in the
// order they were registered, hidden ones included. Each carries a tag text (the main
// window's is "MAINFORM") by which it is found. Windows register themselves when they
// are created (RegisterWindow or SetTag); a window that is destroyed leaves the list
// by itself. User-interface thread only.

#include <QList>
#include <QString>

class QWidget;

namespace ui {

// Adds `window` to the list (once; later calls only change the tag when one is given).
void RegisterWindow(QWidget* window, const QString& tag = {});
// Sets the tag of `window`, registering it when it is not yet listed.
void SetTag(QWidget* window, const QString& tag);
// The tag of `window` (the empty text when it has none).
QString Tag(const QWidget* window);

// Every listed window, in load order.
QList<QWidget*> LoadedWindows();
// True when `window` is listed.
bool IsLoaded(const QWidget* window);
// The first listed window whose tag equals `tag` exactly; nullptr when none (or `tag`
// is empty).
QWidget* FindByTag(const QString& tag);

// True unless another window is in front of the one holding `widget`: another MDI
// child active in its MDI area, or another top-level window active. A command that
// opened a window checks it before taking the focus back.
bool IsInFront(const QWidget& widget);

// Closes `window` (its closeEvent may refuse) and, when it closed, removes it from the
// list and deletes it (an MDI child together with its sub-window frame). Returns false
// when the window refused to close; it then stays listed and alive. Do not call it for
// a window from inside that window's own event handler: use UnloadLater there.
bool Unload(QWidget* window);
// As Unload, but the window is deleted once control returns to the event loop.
bool UnloadLater(QWidget* window);

}  // namespace ui
