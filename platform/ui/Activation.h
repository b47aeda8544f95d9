#pragma once
// Handing the keyboard to a window when the request does not come from the user's own
// input (another copy of the program asked this one to come forward).
// User-interface thread only.

class QWidget;

namespace ui {

// Makes the shown top-level `window` the active one, with the keyboard. On an X server
// without a window manager the focus is set at the server's current time: the toolkit
// stamps its request with this program's last event, which the server ignores once
// another program has moved the focus since.
void ActivateWindow(QWidget& window);

}  // namespace ui
