#pragma once
// The program's application object: a QApplication whose event delivery is the last
// trap. An exception that escapes an event handler or a slot is made the pending error
// (rt::Err()) and handed to the installed reporter with a label naming the receiver;
// the event loop goes on. Without a reporter the error is written to the log.
// Every top-level window it shows is kept inside the screen's available area, and once
// more when the window manager's frame around it becomes known (platform/ui/Placement.h);
// it remembers the order in which windows were last active and the state each window
// had before it was minimized; and every single-line field holds one line
// (platform/ui/SingleLine.h).

#include <QApplication>
#include <QList>
#include <QString>
#include <functional>

namespace ui {

class Application : public QApplication {
 public:
  // Called with the pending error set; `label` names the receiver ("<name>_Event").
  using ErrorReporter = std::function<void(const QString& label)>;

  Application(int& argc, char** argv);

  // Installs the reporter (empty: the log); returns the previous one.
  static ErrorReporter SetErrorReporter(ErrorReporter reporter);

  bool notify(QObject* receiver, QEvent* event) override;
};

// The shown top-level windows (no pop-ups or tool tips), those never active first, then
// in the order they were last active: the one active last is last.
QList<QWidget*> WindowsByActivation();

// Shows the top-level `window` in the state it had before it was minimized (normal,
// maximized or full screen), where it is minimized; otherwise shows it as it is.
void ShowRestored(QWidget& window);

}  // namespace ui
