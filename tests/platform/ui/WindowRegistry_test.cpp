#include "platform/ui/WindowRegistry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Window : public QWidget {
 public:
  explicit Window(bool refuseClose = false) : refuse_(refuseClose) {}
  bool refuse_;

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (refuse_) {
      e->ignore();
    } else {
      e->accept();
    }
  }
};

class WindowRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (QWidget* w : ui::LoadedWindows()) delete w;
  }
};

TEST_F(WindowRegistryTest, ListsWindowsInLoadOrderHiddenOnesIncluded) {
  auto* main = new Window;
  auto* hidden = new Window;
  auto* shown = new Window;
  ui::SetTag(main, QStringLiteral("MAINFORM"));
  ui::RegisterWindow(hidden);
  ui::RegisterWindow(shown, QStringLiteral("RPT1"));
  ui::RegisterWindow(main);  // a second registration keeps place and tag
  shown->show();
  EXPECT_THAT(ui::LoadedWindows(), ElementsAre(main, hidden, shown));
  EXPECT_EQ(ui::Tag(main), QStringLiteral("MAINFORM"));
  EXPECT_EQ(ui::FindByTag(QStringLiteral("RPT1")), shown);
  EXPECT_EQ(ui::FindByTag(QStringLiteral("rpt1")), nullptr);
  EXPECT_EQ(ui::FindByTag(QString()), nullptr);
  delete hidden;  // a destroyed window leaves the list by itself
  EXPECT_THAT(ui::LoadedWindows(), ElementsAre(main, shown));
  EXPECT_FALSE(ui::IsLoaded(hidden));
}

TEST_F(WindowRegistryTest, UnloadClosesAndDeletesUnlessTheWindowRefuses) {
  QPointer<Window> willing(new Window);
  QPointer<Window> stubborn(new Window(/*refuseClose=*/true));
  ui::RegisterWindow(willing);
  ui::RegisterWindow(stubborn);
  stubborn->show();
  EXPECT_TRUE(ui::Unload(willing));
  EXPECT_TRUE(willing.isNull());
  EXPECT_FALSE(ui::Unload(stubborn));
  ASSERT_FALSE(stubborn.isNull());
  EXPECT_TRUE(stubborn->isVisible());
  EXPECT_THAT(ui::LoadedWindows(), ElementsAre(stubborn.data()));
  stubborn->refuse_ = false;
  EXPECT_TRUE(ui::UnloadLater(stubborn));
  EXPECT_THAT(ui::LoadedWindows(), IsEmpty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(stubborn.isNull());
}

TEST_F(WindowRegistryTest, UnloadingAnMdiChildRemovesItsFrame) {
  auto* mainWindow = new QWidget;
  ui::SetTag(mainWindow, QStringLiteral("MAINFORM"));
  auto* area = new QMdiArea(mainWindow);
  auto* child = new Window;
  QPointer<QMdiSubWindow> frame(area->addSubWindow(child));
  ui::SetTag(child, QStringLiteral("PRODLIST"));
  child->hide();
  EXPECT_EQ(ui::FindByTag(QStringLiteral("PRODLIST")), child);
  EXPECT_TRUE(ui::Unload(child));
  EXPECT_TRUE(frame.isNull());
  EXPECT_TRUE(area->subWindowList().isEmpty());
  EXPECT_THAT(ui::LoadedWindows(), ElementsAre(mainWindow));
}

TEST_F(WindowRegistryTest, RefusingMdiChildKeepsItsFrame) {
  QMdiArea area;
  auto* child = new Window(/*refuseClose=*/true);
  QPointer<QMdiSubWindow> frame(area.addSubWindow(child));
  ui::RegisterWindow(child);
  EXPECT_FALSE(ui::Unload(child));
  EXPECT_FALSE(frame.isNull());
  EXPECT_TRUE(ui::IsLoaded(child));
  child->refuse_ = false;
  EXPECT_TRUE(ui::Unload(child));
  EXPECT_TRUE(frame.isNull());
}

}  // namespace
