// Stovrel: start-up.

#include <QApplication>
#include <QCloseEvent>
#include <QMainWindow>
#include <cstdio>

#include "platform/runtime/App.h"
#include "platform/ui/WindowRegistry.h"
#include "services/clsWndStartupPos.h"

namespace {

bool HaveDisplay() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return true;
  return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// The main window until the full one lands: caption, tag and remembered placement.
class MainWindow : public QMainWindow {
 public:
  MainWindow() {
    setWindowTitle(QStringLiteral("%1 v%2.%3")
                       .arg(rt::App::ProductName())
                       .arg(rt::App::kMajor)
                       .arg(rt::App::kMinor));
    ui::SetTag(this, QStringLiteral("MAINFORM"));
    resize(1024, 720);
    clsWndStartupPos().RestorePosition(*this);
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    clsWndStartupPos().SavePosition(*this);
    event->accept();
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "Stovrel is a desktop program and needs a graphical display, but none was "
                 "found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                 "To run it without a screen, start it under a virtual display:\n"
                 "  xvfb-run -a scripts/run\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(rt::App::ProductName());

  MainWindow main;
  main.show();
  return app.exec();
}
