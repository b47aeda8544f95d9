// The keyboard hand-off on a real X server without a window manager: an Xvfb of the
// test's own (the test is skipped where Xvfb is not installed).

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include "platform/ui/Activation.h"

extern char** environ;

namespace {

constexpr int kSettleMs = 30000;  // a bound for a stuck server, not a speed expected

// An Xvfb on a free display, ended with the object.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int ready[2];
    if (::pipe(ready) != 0) return;
    const std::string fd = std::to_string(ready[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "800x600x24", nullptr};
    if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    // The number of the display, written once the server takes connections.
    std::string number;
    char c = 0;
    while (pid_ > 0 && ::read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(ready[0]);
    if (!number.empty()) name_ = ':' + number;
  }
  ~VirtualDisplay() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

xcb_window_t FocusOf(xcb_connection_t* c) {
  xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
  const xcb_window_t focus = reply != nullptr ? reply->focus : xcb_window_t{XCB_NONE};
  std::free(reply);
  return focus;
}

// After another program took the keyboard, with its own events later than this
// program's last, the window asked for still gets it.
TEST(ActivateWindowTest, TakesTheKeyboardBackFromAnotherProgram) {
  const VirtualDisplay display;
  if (display.Name().empty()) GTEST_SKIP() << "Xvfb is not installed";
  qputenv("DISPLAY", display.Name().c_str());
  qputenv("QT_QPA_PLATFORM", "xcb");
  qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");  // none on this display
  int argc = 1;
  char name[] = "x11_tests";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);

  int screenNumber = 0;
  xcb_connection_t* other = xcb_connect(display.Name().c_str(), &screenNumber);
  ASSERT_EQ(xcb_connection_has_error(other), 0);
  xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(other));
  for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screen);

  struct Case {
    const char* what;
    bool otherWindowCloses;  // the focus goes back to the screen, as when a box is answered
  };
  for (const Case c : {Case{"another program's window has it", false}, Case{"its window closed", true}}) {
    SCOPED_TRACE(c.what);
    QWidget window;
    window.setGeometry(100, 100, 200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kSettleMs));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, kSettleMs));

    // The other program acts later than any event this one has seen: the server's clock
    // counts milliseconds.
    QThread::msleep(20);
    const xcb_window_t taker = xcb_generate_id(other);
    xcb_create_window(other, XCB_COPY_FROM_PARENT, taker, screen.data->root, 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen.data->root_visual, 0, nullptr);
    xcb_map_window(other, taker);
    xcb_set_input_focus(other, XCB_INPUT_FOCUS_PARENT, taker, XCB_CURRENT_TIME);
    if (c.otherWindowCloses) xcb_destroy_window(other, taker);
    ASSERT_EQ(FocusOf(other), c.otherWindowCloses ? screen.data->root : taker);

    ui::ActivateWindow(window);
    EXPECT_EQ(FocusOf(other), static_cast<xcb_window_t>(window.winId()));
    if (!c.otherWindowCloses) xcb_destroy_window(other, taker);
  }
  xcb_disconnect(other);
}

}  // namespace
