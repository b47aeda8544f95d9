// The program's pictures and the font mapping.

#include "platform/ui/DialogLook.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>

#include "platform/ui/Fonts.h"

namespace {

TEST(DialogLook, EveryButtonPictureIsShipped) {
  const char* names[] = {"x-office-calendar", "view-refresh",     "document-print",
                         "x-office-spreadsheet", "view-autosize-columns", "edit-select-all",
                         "edit-select-none",  "edit-select-invert", "document-properties",
                         "changes-prevent", "go-previous", "go-next", "go-home"};
  for (const char* name : names) {
    const QIcon icon = ui::ProgramIcon(QString::fromLatin1(name));
    EXPECT_FALSE(icon.isNull()) << name;
    EXPECT_FALSE(icon.pixmap(16, 16).isNull()) << name;
  }
}

TEST(Fonts, SmallFontsAreReadableAndDialogFacesUseTheApplicationFont) {
  struct Case {
    const char* family;
    double asked;
    double atLeast;  // points
    bool applicationFamily;
  };
  const Case cases[] = {
      {"Small Fonts", 6.75, 8.0, false},
      {"Verdana", 0, QApplication::font().pointSizeF(), true},
      {"MS Sans Serif", 8, 8.0, true},
  };
  for (const Case& c : cases) {
    const QFont font = ui::MapFont(QString::fromLatin1(c.family), c.asked);
    EXPECT_GE(font.pointSizeF(), c.atLeast) << c.family << " " << c.asked;
    if (c.applicationFamily) {
      EXPECT_EQ(font.family(), QApplication::font().family()) << c.family;
    }
  }
  // A size asked for above the floor is kept.
  EXPECT_EQ(ui::MapFont(QStringLiteral("Small Fonts"), 10.0).pointSizeF(), 10.0);
  EXPECT_EQ(ui::MapFont(QStringLiteral("Verdana"), 0).pointSizeF(), QApplication::font().pointSizeF());
}

// The heavy heading face resolves to an installed face drawn heavy, not a regular one.
TEST(Fonts, TheHeavyHeadingFaceIsDrawnHeavy) {
  const QFont font = ui::MapFont(QStringLiteral("Arial Black"), 12);
  EXPECT_EQ(font.pointSizeF(), 12.0);
  EXPECT_GE(QFontInfo(font).weight(), QFont::Bold);
}

}  // namespace
