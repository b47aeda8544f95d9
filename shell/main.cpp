// Stovrel: start-up.

#include <QApplication>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>

#include "platform/runtime/App.h"

namespace {

bool HaveDisplay() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return true;
  return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

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

  QMainWindow main;
  main.setWindowTitle(QStringLiteral("%1 v%2.%3")
                          .arg(rt::App::ProductName())
                          .arg(rt::App::kMajor)
                          .arg(rt::App::kMinor));
  main.resize(1024, 720);
  main.show();
  return app.exec();
}
