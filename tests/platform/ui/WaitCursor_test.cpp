#include "platform/ui/WaitCursor.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>

#include "platform/ui/Fonts.h"

namespace {

TEST(WaitCursor, KeepsOneOverrideCursorWhateverTheCallOrder) {
  ASSERT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  ui::SetScreenMousePointer(ui::vbHourglass);
  ui::SetScreenMousePointer(ui::vbHourglass);
  EXPECT_EQ(ui::ScreenMousePointer(), ui::vbHourglass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  ui::SetScreenMousePointer(ui::vbDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  ui::SetScreenMousePointer(ui::vbDefault);
  EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  {
    ui::ScopedHourglass busy;
    EXPECT_EQ(ui::ScreenMousePointer(), ui::vbHourglass);
  }
  EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Fonts, FixedPitchNamesMapToTheFixedFont) {
  const QFont courier = ui::MapFont(QStringLiteral("Courier New"), 10);
  EXPECT_EQ(courier.pointSizeF(), 10.0);
  EXPECT_TRUE(courier.fixedPitch());
  EXPECT_EQ(courier.styleHint(), QFont::TypeWriter);
  EXPECT_FALSE(ui::MapFont(QStringLiteral("MS Sans Serif"), 8).fixedPitch());
  EXPECT_EQ(ui::MapFont(QStringLiteral("MS Sans Serif"), 8).pointSizeF(), 8.0);
}

}  // namespace
