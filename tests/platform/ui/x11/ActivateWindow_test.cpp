// The keyboard hand-off on a real X server without a window manager: an Xvfb of the
// test's own (the test is skipped where Xvfb is not installed).

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <cstdlib>
#include <xcb/xcb.h>

#include "platform/ui/Activation.h"
#include "tests/platform/ui/x11/Xvfb.h"

namespace {

constexpr int kSettleMs = 30000;  // a bound for a stuck server, not a speed expected

xcb_window_t FocusOf(xcb_connection_t* c) {
  xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
  const xcb_window_t focus = reply != nullptr ? reply->focus : xcb_window_t{XCB_NONE};
  std::free(reply);
  return focus;
}

// After another program took the keyboard, with its own events later than this
// program's last, the window asked for still gets it.
TEST(ActivateWindowTest, TakesTheKeyboardBackFromAnotherProgram) {
  const x11test::Xvfb xvfb("800x600");
  const std::string& display = xvfb.Name();
  if (display == ":") GTEST_SKIP() << "Xvfb is not installed";
  qputenv("DISPLAY", display.c_str());
  qputenv("QT_QPA_PLATFORM", "xcb");
  qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");  // none on this display
  int argc = 1;
  char name[] = "x11_tests", *argv[] = {name, nullptr};
  QApplication app(argc, argv);

  xcb_connection_t* other = xcb_connect(display.c_str(), nullptr);
  ASSERT_EQ(xcb_connection_has_error(other), 0);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(other)).data;  // the server's only one

  // Whether the other program's window closes: the focus goes back to the screen, as
  // when a box is answered.
  for (const bool otherWindowCloses : {false, true}) {
    SCOPED_TRACE(otherWindowCloses ? "its window closed" : "another program's window has it");
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
    xcb_create_window(other, XCB_COPY_FROM_PARENT, taker, screen->root, 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(other, taker);
    xcb_set_input_focus(other, XCB_INPUT_FOCUS_PARENT, taker, XCB_CURRENT_TIME);
    if (otherWindowCloses) xcb_destroy_window(other, taker);
    ASSERT_EQ(FocusOf(other), otherWindowCloses ? screen->root : taker);

    ui::ActivateWindow(window);
    EXPECT_EQ(FocusOf(other), static_cast<xcb_window_t>(window.winId()));
    if (!otherWindowCloses) xcb_destroy_window(other, taker);
  }
  xcb_disconnect(other);
}

}  // namespace
