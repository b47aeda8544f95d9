#include "services/clsWndStartupPos.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QWidget>
#include <memory>

#include "platform/ui/Screen.h"
#include "services/mdlRegistry.h"
#include "tests/support/TestEnv.h"

namespace {

using mdlRegistry::PrefGetLong;
using mdlRegistry::PrefSaveLong;

// A 1024 x 768 screen at 96 DPI: 15 twips a pixel, 15360 x 11520 twips.
class clsWndStartupPosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testenv::NewTempDir(QStringLiteral("reg"));
    qputenv("STOVREL_REGISTRY_DIR", dir_.toUtf8());
    ui::SetScreen(std::make_unique<ui::FixedScreen>(ui::ScreenMetrics{1024, 768, 96.0, 96.0}));
  }
  void TearDown() override {
    ui::SetScreen(nullptr);
    qputenv("STOVREL_REGISTRY_DIR", saved_);
  }

  static void Store(int32_t left, int32_t top, int32_t width, int32_t height, int32_t state) {
    PrefSaveLong(QStringLiteral("left"), left);
    PrefSaveLong(QStringLiteral("top"), top);
    PrefSaveLong(QStringLiteral("width"), width);
    PrefSaveLong(QStringLiteral("height"), height);
    PrefSaveLong(QStringLiteral("windowstate"), state);
  }

  QString dir_;
  clsWndStartupPos pos_;

 private:
  QByteArray saved_ = qgetenv("STOVREL_REGISTRY_DIR");
};

TEST_F(clsWndStartupPosTest, AFirstStartOpensMaximised) {
  QWidget window;
  pos_.RestorePosition(window);
  EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
}

TEST_F(clsWndStartupPosTest, RestoreAcceptsPlacementsOnTheScreenAndMaximisesTheRest) {
  const struct {
    const char* label;
    int32_t left, top, width, height, state;
    bool maximised;
  } cases[] = {
      {"on the screen", 1500, 750, 9000, 6000, 0, false},
      {"left at the screen width", 15360, 0, 9000, 6000, 0, false},
      {"top at the screen height", 0, 11520, 9000, 6000, 0, false},
      {"stored state 1 restores normally", 1500, 750, 9000, 6000, 1, false},
      {"left beyond the screen", 15361, 0, 9000, 6000, 0, true},
      {"top beyond the screen", 0, 11521, 9000, 6000, 0, true},
      {"negative left", -15, 0, 9000, 6000, 0, true},
      {"negative top", 0, -1, 9000, 6000, 0, true},
      {"zero width", 0, 0, 0, 6000, 0, true},
      {"zero height", 0, 0, 9000, 0, 0, true},
      {"stored maximised", 1500, 750, 9000, 6000, 2, true},
      {"nearly as large as the screen", 0, 0, 15000, 11000, 0, false},
      {"taller than the screen", 0, 0, 9000, 11535, 0, true},
      {"wider than the screen", 0, 0, 15375, 6000, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Store(c.left, c.top, c.width, c.height, c.state);
    QWidget window;
    window.move(7, 7);
    window.resize(70, 70);
    if (!c.maximised) window.setWindowState(Qt::WindowMaximized);  // must become normal
    pos_.RestorePosition(window);
    EXPECT_EQ(bool(window.windowState() & Qt::WindowMaximized), c.maximised);
    if (c.maximised) {
      // Its normal place is the screen, so that it fits where the state is not honoured.
      EXPECT_EQ(window.geometry(), QRect(0, 0, 1024, 768));
    } else {
      EXPECT_EQ(window.pos(), QPoint(c.left / 15, c.top / 15));
      EXPECT_EQ(window.size(), QSize(c.width / 15, c.height / 15));
    }
  }
}

TEST_F(clsWndStartupPosTest, SaveStoresTwipsAndStateAndAMinimisedWindowNothing) {
  QWidget window;
  window.setWindowState(Qt::WindowMinimized);
  pos_.SavePosition(window);
  EXPECT_TRUE(QDir(dir_).entryList(QDir::Files).isEmpty());  // not even the key

  window.setWindowState(Qt::WindowNoState);
  window.move(100, 50);
  window.resize(600, 400);
  pos_.SavePosition(window);
  EXPECT_EQ(PrefGetLong(QStringLiteral("left")), 1500);
  EXPECT_EQ(PrefGetLong(QStringLiteral("top")), 750);
  EXPECT_EQ(PrefGetLong(QStringLiteral("width")), 9000);
  EXPECT_EQ(PrefGetLong(QStringLiteral("height")), 6000);
  EXPECT_EQ(pos_.GetValueLong(QStringLiteral("windowstate")), 0);

  window.setWindowState(Qt::WindowMaximized);
  pos_.SavePosition(window);
  EXPECT_EQ(pos_.GetValueLong(QStringLiteral("windowstate")), 2);

  window.setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
  window.move(300, 300);
  pos_.SavePosition(window);
  EXPECT_EQ(pos_.GetValueLong(QStringLiteral("windowstate")), 2);
  EXPECT_EQ(PrefGetLong(QStringLiteral("left")), 1500);
}

TEST_F(clsWndStartupPosTest, SaveKeepsOnlyPlacesOnTheScreen) {
  const struct {
    QRect window;  // pixels
    QRect saved;   // pixels
  } cases[] = {
      {{-15, -300, 600, 400}, {0, 0, 600, 400}},    // a title bar above the screen
      {{900, 700, 600, 400}, {424, 368, 600, 400}},  // past the right and bottom edges
      {{-50, 10, 1100, 400}, {0, 10, 1024, 400}},    // wider than the screen
  };
  for (const auto& c : cases) {
    QWidget window;
    window.setGeometry(c.window);
    pos_.SavePosition(window);
    const QRect saved(PrefGetLong(QStringLiteral("left")) / 15, PrefGetLong(QStringLiteral("top")) / 15,
                      PrefGetLong(QStringLiteral("width")) / 15, PrefGetLong(QStringLiteral("height")) / 15);
    EXPECT_EQ(saved, c.saved) << c.window.x() << "," << c.window.y();
  }
}

TEST_F(clsWndStartupPosTest, APlacementSurvivesSaveAndRestoreAtAnotherDpi) {
  ui::SetScreen(std::make_unique<ui::FixedScreen>(ui::ScreenMetrics{1920, 1080, 120.0, 144.0}));
  QWidget first;
  first.move(33, 41);
  first.resize(801, 599);
  pos_.SavePosition(first);
  EXPECT_EQ(PrefGetLong(QStringLiteral("left")), 33 * 12);
  EXPECT_EQ(PrefGetLong(QStringLiteral("top")), 41 * 10);

  QWidget second;
  pos_.RestorePosition(second);
  EXPECT_FALSE(second.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(second.pos(), first.pos());
  EXPECT_EQ(second.size(), first.size());
}

}  // namespace
