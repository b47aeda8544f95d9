// Every window the program shows lies inside the screen's available area.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "platform/ui/HelpViewer.h"
#include "platform/ui/Placement.h"
#include "platform/ui/Screen.h"
#include "platform/ui/testing/TestPrompts.h"

namespace {

using ::testing::IsEmpty;

// Shows `window` and tells whether it lies inside `area`.
::testing::AssertionResult ShownInside(QWidget& window, const QRect& area) {
  window.show();
  QApplication::processEvents();
  const QRect frame = window.frameGeometry();
  if (area.contains(frame)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "frame " << frame.x() << "," << frame.y() << " "
                                       << frame.width() << " x " << frame.height();
}

TEST(Placement, ShownWindowsLieInsideTheAvailableArea) {
  struct Screen {
    const char* name;
    ui::ScreenMetrics metrics;
  };
  const Screen screens[] = {
      {"1366 x 768", {1366, 768, 96.0, 96.0, 1366, 768, 0, 0}},
      {"800 x 600", {800, 600, 96.0, 96.0, 800, 600, 0, 0}},
      {"800 x 600, a panel above", {800, 600, 96.0, 96.0, 800, 570, 0, 30}},
  };
  struct Window {
    const char* name;
    std::function<void(QWidget&, const QRect& area)> place;
    bool stays;  // it fits: it keeps the place given
  };
  const Window windows[] = {
      {"larger than the screen", [](QWidget& w, const QRect&) { w.resize(1500, 900); }, false},
      {"off the right and bottom", [](QWidget& w, const QRect&) { w.setGeometry(686, 223, 680, 560); }, false},
      {"off the left and top", [](QWidget& w, const QRect&) { w.setGeometry(-50, -40, 300, 200); }, false},
      {"centred over a window off the screen",
       [](QWidget& w, const QRect&) {
         QWidget owner;
         owner.setGeometry(700, 500, 600, 400);
         w.resize(680, 560);
         ui::PlaceOver(w, &owner);
       },
       false},
      {"inside", [](QWidget& w, const QRect& area) { w.setGeometry(area.x() + 10, area.y() + 20, 300, 200); }, true},
  };
  for (const Screen& s : screens) {
    const ui::ScopedScreen screen(s.metrics);
    const QRect area = ui::AvailableScreenArea();
    for (const Window& w : windows) {
      SCOPED_TRACE(std::string(s.name) + ": " + w.name);
      QDialog dialog;
      QMainWindow plain;
      for (QWidget* window : {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(&plain)}) {
        w.place(*window, area);
        const QRect given = window->geometry();
        EXPECT_TRUE(ShownInside(*window, area)) << window->metaObject()->className();
        if (w.stays) {
          EXPECT_EQ(window->geometry(), given) << window->metaObject()->className();
        }
      }
    }
  }
}

// A window's inside placed so that its frame (the window manager's) lies on the screen.
TEST(Placement, AWindowIsFittedByItsFrame) {
  const QMargins title(4, 24, 4, 4);
  const struct {
    const char* name;
    QMargins frame;
    QRect area, client, placed;
  } cases[] = {
      {"title bar above the screen", title, {0, 0, 1366, 768}, {0, 0, 800, 600}, {4, 24, 800, 600}},
      {"frame past the bottom", title, {0, 0, 1366, 768}, {100, 200, 1000, 600}, {100, 164, 1000, 600}},
      {"frame past the right", title, {0, 0, 800, 600}, {300, 100, 500, 300}, {296, 100, 500, 300}},
      {"under a panel above", title, {0, 30, 800, 570}, {4, 24, 600, 400}, {4, 54, 600, 400}},
      {"frame larger than the screen", title, {0, 0, 800, 600}, {0, 0, 800, 600}, {4, 24, 792, 572}},
      {"frame on the screen", title, {0, 0, 800, 600}, {4, 24, 792, 572}, {4, 24, 792, 572}},
      {"no window manager", {}, {0, 0, 800, 600}, {0, 0, 800, 600}, {0, 0, 800, 600}},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::FittedInside(c.client, c.frame, c.area), c.placed) << c.name;
}

TEST(Placement, HelpAskedForFromADialogOpensOverItOnTheScreen) {
  ui::SetHelpFolder(QStringLiteral(STOVREL_RESOURCES_DIR "/help"));
  ui::test::ScopedFakePrompts prompts;
  const ui::ScopedScreen screen({1366, 768, 96.0, 96.0});
  QDialog editor;
  editor.setGeometry(443, 164, 460, 360);
  editor.setWindowModality(Qt::ApplicationModal);
  editor.show();
  ui::HelpViewer* viewer = ui::ShowHelp(1060);
  ASSERT_NE(viewer, nullptr);
  QApplication::processEvents();
  EXPECT_TRUE(QRect(0, 0, 1366, 768).contains(viewer->frameGeometry()));
  // Centred over the dialog as far as the screen allows (give or take a frame).
  EXPECT_NEAR(viewer->frameGeometry().center().x(), editor.frameGeometry().center().x(), 8);
  ui::CloseHelpViewer();
  ui::SetHelpFolder({});
  EXPECT_THAT(prompts->Unexpected(), IsEmpty());
}

}  // namespace

// Without a window manager nothing activates another window when the active one goes:
// the keyboard would reach none. The owner, else a shown window, takes it; a window shown
// and activated right after keeps it (the hand-off does not take it back).
TEST(Placement, AWindowThatGoesLeavesItsOwnerActive) {
  const struct Case {
    const char* what;
    bool owned, nextShown;
  } cases[] = {{"owned dialog", true, false},
               {"window without owner", false, false},
               {"owned dialog, another shown right after", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget main;
    main.resize(300, 200);
    main.show();
    auto gone = std::make_unique<QDialog>(c.owned ? &main : nullptr);
    gone->show();
    gone->activateWindow();
    for (int i = 0; i < 3 && QApplication::activeWindow() != gone.get(); ++i) QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), gone.get());
    gone->hide();
    QDialog next(&main);
    if (c.nextShown) next.show(), next.activateWindow();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), c.nextShown ? static_cast<QWidget*>(&next) : &main);
    gone.reset();
    main.hide();
    QApplication::processEvents();
  }
}
