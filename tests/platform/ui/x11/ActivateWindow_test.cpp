// The keyboard hand-off on a real X server without a window manager: an Xvfb of the
// test's own.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QThread>
#include <QWidget>

#include "platform/ui/Activation.h"
#include "tests/platform/ui/x11/Xvfb.h"

namespace {

constexpr int kSettleMs = 30000;  // a bound for a stuck server, not a speed expected

// After another program took the keyboard, with its own events later than this
// program's last, the window asked for still gets it.
TEST(ActivateWindowTest, TakesTheKeyboardBackFromAnotherProgram) {
  if (const char* tool = x11test::Missing({"Xvfb"})) GTEST_SKIP() << tool << " is not installed";
  const x11test::Xvfb xvfb("800x600");
  ASSERT_NE(xvfb.Name(), ":") << "Xvfb did not start";
  qputenv("DISPLAY", xvfb.Name().c_str());
  qputenv("QT_QPA_PLATFORM", "xcb");
  qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");  // none on this display
  int argc = 1;
  char name[] = "x11_tests", *argv[] = {name, nullptr};
  QApplication app(argc, argv);

  const x11test::Display display(xvfb.Name());
  ASSERT_TRUE(display.Open());
  xcb_connection_t* other = display.Connection();
  const xcb_screen_t& screen = display.Screen();

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
    xcb_create_window(other, XCB_COPY_FROM_PARENT, taker, screen.root, 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen.root_visual, 0, nullptr);
    xcb_map_window(other, taker);
    xcb_set_input_focus(other, XCB_INPUT_FOCUS_PARENT, taker, XCB_CURRENT_TIME);
    if (otherWindowCloses) xcb_destroy_window(other, taker);
    ASSERT_EQ(display.Focus(), otherWindowCloses ? screen.root : taker);

    ui::ActivateWindow(window);
    EXPECT_EQ(display.Focus(), static_cast<xcb_window_t>(window.winId()));
    if (!otherWindowCloses) xcb_destroy_window(other, taker);
  }
}

}  // namespace
