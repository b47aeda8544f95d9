// Stovrel: the program.

#include <cstdio>

#include "platform/runtime/App.h"
#include "platform/ui/Application.h"
#include "services/TrappedSlot.h"
#include "shell/frmMain.h"
#include "shell/mdlSystem.h"

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
  ui::Application app(argc, argv);
  ui::Application::setApplicationName(rt::App::ProductName());
  InstallEventLoopReporter();

  mdlSystem::SingleInstance instance;
  std::unique_ptr<frmMain> main = mdlSystem::Main(instance);
  if (main == nullptr) return 0;
  return app.exec();
}
