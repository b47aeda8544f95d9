#include <gtest/gtest.h>

#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFontDialog>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <vector>

#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"
#include "proppages/ColorDialog.h"
#include "proppages/FontDialog.h"
#include "proppages/PictureDialog.h"
#include "proppages/PngStrip.h"
#include "tests/proppages/PageTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using ui::test::Click;
using ui::test::ScopedFakeFileDialogs;
using ui::test::ScopedFakeModalRunner;
using ui::test::ScopedFakePrompts;

QListWidget* ListOf(QDialog& d) { return d.findChild<QListWidget*>(QStringLiteral("1002")); }
QComboBox* SetsOf(QDialog& d) { return d.findChild<QComboBox*>(QStringLiteral("1001")); }
QString Selected(QDialog& d) { return ListOf(d)->currentItem()->text(); }
OLE_COLOR SelectedColor(QDialog& d) { return ListOf(d)->currentItem()->data(Qt::UserRole).toUInt(); }

void DoubleClick(QDialog& d, const QString& label) {
  const auto items = ListOf(d)->findItems(label, Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1) << label.toStdString();
  emit ListOf(d)->itemDoubleClicked(items[0]);
}

void ResetCustomColors() { CustomColors().fill(0xFFFFFF); }

TEST(ColorDialog, SetsAndSelections) {
  struct Case {
    const char* name;
    OLE_COLOR input;
    std::function<void(QDialog&)> script;
    int result;
    OLE_COLOR output;
  };
  const std::vector<Case> cases = {
      {"system colour in the standard set, then the system set", 0x8000000F,
       [](QDialog& d) {
         EXPECT_EQ(SetsOf(d)->currentText(), "Standard Colors");
         EXPECT_EQ(Selected(d), "<Custom...>");
         EXPECT_EQ(SelectedColor(d), 0x8000000Fu);
         SetsOf(d)->setCurrentIndex(1);
         EXPECT_EQ(Selected(d), "Button Face");
         EXPECT_EQ(ListOf(d)->row(ListOf(d)->currentItem()) > 0, true);
         Click(d, QStringLiteral("1"));
       },
       1, 0x8000000F},
      {"unknown system colour", 0x80000019,
       [](QDialog& d) {
         SetsOf(d)->setCurrentIndex(1);
         EXPECT_EQ(Selected(d), "Unrecogized System Color");
         EXPECT_EQ(SelectedColor(d), 0x80000019u);
         EXPECT_EQ(ListOf(d)->item(0)->text(), "<Custom...>");
         Click(d, QStringLiteral("1"));
       },
       1, 0x80000019},
      {"double-click on Red", 0x000000,
       [](QDialog& d) {
         EXPECT_EQ(Selected(d), "Black");
         DoubleClick(d, QStringLiteral("Red"));
       },
       1, 0x0000FF},
      {"plain colour not in the set", 0x123456,
       [](QDialog& d) {
         EXPECT_EQ(Selected(d), "<Custom...>");
         EXPECT_EQ(SelectedColor(d), 0x123456u);
         Click(d, QStringLiteral("1"));
       },
       1, 0x123456},
      {"choice then Cancel", 0x0000FF,
       [](QDialog& d) {
         EXPECT_EQ(Selected(d), "Red");
         ListOf(d)->setCurrentItem(ListOf(d)->findItems(QStringLiteral("Blue"), Qt::MatchExactly)[0]);
         Click(d, QStringLiteral("2"));
       },
       0, 0x0000FF},
      {"choice then OK", 0x0000FF,
       [](QDialog& d) {
         ListOf(d)->setCurrentItem(ListOf(d)->findItems(QStringLiteral("Dark Cyan"), Qt::MatchExactly)[0]);
         Click(d, QStringLiteral("1"));
       },
       1, 0x808000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedFakeModalRunner runner;
    runner->SetOnUnexpected([](const QString& s) { ADD_FAILURE() << s.toStdString(); });
    runner->Then(QStringLiteral("107"), [&](QDialog& d) {
      EXPECT_EQ(d.windowTitle(), "Edit Color");
      ASSERT_EQ(SetsOf(d)->count(), 2);
      EXPECT_EQ(SetsOf(d)->itemText(1), "Windows System Colors");
      c.script(d);
    });
    CColorDialog dialog;
    dialog.color = c.input;
    EXPECT_EQ(dialog.Run(nullptr), c.result);
    EXPECT_EQ(dialog.color, c.output);
    EXPECT_EQ(runner->Pending(), 0);
  }
}

TEST(ColorDialog, ListsEverySetSortedWithCustomFirst) {
  for (int set = 0; set < 2; ++set) {
    ScopedFakeModalRunner runner;
    runner->Then([&](QDialog& d) {
      SetsOf(d)->setCurrentIndex(set);
      QListWidget* list = ListOf(d);
      ASSERT_EQ(list->count(), static_cast<int>(ColorSets()[static_cast<size_t>(set)].entries.size()) + 1);
      EXPECT_EQ(list->item(0)->text(), "<Custom...>");
      for (int row = 2; row < list->count(); ++row) EXPECT_LT(list->item(row - 1)->text(), list->item(row)->text());
    });
    CColorDialog dialog;
    EXPECT_EQ(dialog.Run(nullptr), 0);
  }
  EXPECT_EQ(ColorSets()[0].entries.size(), 16u);
  EXPECT_EQ(ColorSets()[1].entries.size(), 26u);
}

TEST(ColorDialog, CustomColourChooser) {
  struct Case {
    const char* name;
    bool tableFull;
    bool fromButton;  // else by double-clicking "<Custom...>"
    bool chooserOk;
    int customSlot;  // where the start colour 0x123456 is stored; -1: not stored
  };
  const std::vector<Case> cases = {
      {"stored in the first white slot, chosen", false, true, true, 0},
      {"stored by double-click, chooser cancelled", false, false, false, 0},
      {"table full: not stored", true, true, true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetCustomColors();
    if (c.tableFull)
      for (size_t i = 0; i < 16; ++i) CustomColors()[i] = static_cast<ColorRef>(i + 1);
    ScopedFakeModalRunner runner;
    runner->SetOnUnexpected([](const QString& s) { ADD_FAILURE() << s.toStdString(); });
    runner->Then(QStringLiteral("107"), [&](QDialog& d) {
      if (c.fromButton)
        Click(d, QStringLiteral("1003"));
      else
        DoubleClick(d, QStringLiteral("<Custom...>"));
      EXPECT_EQ(Selected(d), "<Custom...>");
      EXPECT_EQ(SelectedColor(d), c.chooserOk ? 0x030201u : 0x123456u);
      Click(d, QStringLiteral("1"));
    });
    runner->Then(QStringLiteral("QColorDialog"), [&](QDialog& d) {
      auto& chooser = static_cast<QColorDialog&>(d);
      EXPECT_EQ(chooser.currentColor(), QColor(0x56, 0x34, 0x12));
      if (c.customSlot >= 0) {
        EXPECT_EQ(QColorDialog::customColor(c.customSlot), QColor(0x56, 0x34, 0x12));
      }
      chooser.setCurrentColor(QColor(1, 2, 3));
      if (c.chooserOk) chooser.accept();
    });
    CColorDialog dialog;
    dialog.color = 0x123456;
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(dialog.color, c.chooserOk ? 0x030201u : 0x123456u);
    const auto& table = CustomColors();
    const bool stored = std::find(table.begin(), table.end(), 0x123456u) != table.end();
    EXPECT_EQ(stored, c.customSlot >= 0);
    if (c.customSlot >= 0) {
      EXPECT_EQ(table[static_cast<size_t>(c.customSlot)], 0x123456u);
    }
  }
  ResetCustomColors();
}

TEST(PictureDialog, PreviewKeepsTheAspectRatio) {
  struct Case {
    QRect rect;
    long width, height;
    QRect fit;
  };
  const std::vector<Case> cases = {
      {QRect(0, 0, 100, 100), 200, 100, QRect(0, 25, 100, 50)},  // full width, centred vertically
      {QRect(10, 10, 100, 100), 100, 200, QRect(35, 10, 50, 100)},
      {QRect(0, 0, 160, 80), 2000, 1000, QRect(0, 0, 160, 80)},  // same ratio
      {QRect(0, 0, 100, 100), 0, 100, QRect(0, 0, 100, 100)},    // empty pictures: nothing to divide by
      {QRect(0, 0, 100, 100), 100, 0, QRect(0, 0, 100, 100)},
      {QRect(0, 0, 100, 100), 1, 100000, QRect(0, 0, 100, 100)},  // aspect rounds to 0
      {QRect(0, 0, 0, 0), 100, 100, QRect(0, 0, 0, 0)},
      {QRect(0, 0, 100, 100), 2000000000, 1, QRect(0, 50, 100, 0)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FitPictureRect(c.rect, c.width, c.height), c.fit) << c.width << " x " << c.height;
}

constexpr auto Filled = test::Solid;
bool ClearEnabled(QDialog& d) { return d.findChild<QPushButton*>(QStringLiteral("1013"))->isEnabled(); }

TEST(PictureDialog, ClearOkAndCancel) {
  CPictureRef bitmap, empty;
  ASSERT_TRUE(bitmap.CreateFromBitmap(Filled(20, 10, qRgb(0, 0, 255))));
  ASSERT_TRUE(empty.CreateEmpty());
  struct Case {
    const char* name;
    IPicture* input;
    bool clearAtStart;
    bool clickClear;
    bool ok;
    SHORT resultType;  // after the run
  };
  const std::vector<Case> cases = {
      {"bitmap, cleared, OK", bitmap.Get(), true, true, true, PICTYPE_NONE},
      {"bitmap, cleared, Cancel", bitmap.Get(), true, true, false, PICTYPE_UNINITIALIZED},
      {"bitmap, OK", bitmap.Get(), true, false, true, PICTYPE_BITMAP},
      {"empty picture", empty.Get(), false, true, true, PICTYPE_NONE},
      {"no picture, cleared", nullptr, true, true, true, PICTYPE_NONE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedFakeModalRunner runner;
    runner->SetOnUnexpected([](const QString& s) { ADD_FAILURE() << s.toStdString(); });
    runner->Then(QStringLiteral("112"), [&](QDialog& d) {
      EXPECT_EQ(d.windowTitle(), "Load Picture");
      EXPECT_EQ(ClearEnabled(d), c.clearAtStart);
      if (c.clickClear) {
        d.findChild<QPushButton*>(QStringLiteral("1013"))->click();
        EXPECT_FALSE(ClearEnabled(d));
        EXPECT_TRUE(d.findChild<QPushButton*>(QStringLiteral("1012"))->hasFocus() || !d.isActiveWindow());
      }
      Click(d, c.ok ? QStringLiteral("1") : QStringLiteral("2"));
    });
    CPictureDialog dialog(c.input);
    EXPECT_EQ(dialog.Run(nullptr), c.ok ? 1 : 0);
    EXPECT_EQ(dialog.Picture().GetType(), c.resultType);
    if (c.ok && !c.clickClear) {
      EXPECT_EQ(dialog.Picture().Get(), c.input);
    }
  }
  // The caller's pictures are untouched by the dialogs' references.
  EXPECT_EQ(bitmap.GetType(), PICTYPE_BITMAP);
  EXPECT_EQ(empty.GetType(), PICTYPE_NONE);
}

TEST(PictureDialog, Browse) {
  const QString dir = testenv::NewTempDir(QStringLiteral("browse"));
  const QString bmp = dir + QStringLiteral("/blue.bmp");
  ASSERT_EQ(WriteDibFile(BitmapToPackedDib(Filled(4, 2, qRgb(0, 0, 255)), nullptr, 24), bmp),
            DibWriteResult::kWritten);
  const QString png = dir + QStringLiteral("/red.png");
  ASSERT_TRUE(SaveDibAsPng(png, {}, Filled(3, 3, qRgb(255, 0, 0)), nullptr, 24));
  const auto write = [&](const QString& name, const QByteArray& bytes) {
    QFile f(dir + QLatin1Char('/') + name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  };
  const QString badBmp = write(QStringLiteral("bad.bmp"), "junk");
  const QString badPng = write(QStringLiteral("bad.PNG"), "junk");
  struct Case {
    std::optional<QString> chosen;  // nothing: the file dialog is cancelled
    SHORT type;                     // of the dialog's picture afterwards
    QSize size;
    bool message;
  };
  const std::vector<Case> cases = {
      {bmp, PICTYPE_BITMAP, QSize(4, 2), false},
      {png, PICTYPE_BITMAP, QSize(3, 3), false},
      {badBmp, PICTYPE_NONE, QSize(0, 0), true},
      {badPng, PICTYPE_NONE, QSize(0, 0), false},  // an unreadable PNG file says nothing
      {dir + QStringLiteral("/missing.bmp"), PICTYPE_NONE, QSize(0, 0), true},
      {std::nullopt, PICTYPE_NONE, QSize(0, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen.value_or(QStringLiteral("cancelled")).toStdString());
    ScopedFakeModalRunner runner;
    ScopedFakeFileDialogs files;
    ScopedFakePrompts prompts;
    prompts->SetOnUnexpected([](const QString& s) { ADD_FAILURE() << s.toStdString(); });
    if (c.chosen)
      files->Choose(*c.chosen);
    else
      files->Cancel();
    if (c.message) prompts->Expect(*c.chosen);
    runner->Then(QStringLiteral("112"), [&](QDialog& d) {
      EXPECT_FALSE(ClearEnabled(d));
      Click(d, QStringLiteral("1012"));
      EXPECT_EQ(ClearEnabled(d), c.type != PICTYPE_NONE);
      Click(d, QStringLiteral("1"));
    });
    CPictureRef start;
    ASSERT_TRUE(start.CreateEmpty());
    CPictureDialog dialog(start.Get());
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(dialog.Picture().GetType(), c.type);
    EXPECT_EQ(GetPictureSizePixels(dialog.Picture().Get()), c.size);
    ASSERT_EQ(files->FileRequests().size(), 1);
    const ui::FileDialogRequest& request = files->FileRequests()[0];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.title, "Browse Picture");
    EXPECT_EQ(request.defaultExt, "bmp");
    EXPECT_EQ(request.flags, ui::OFN_HIDEREADONLY | ui::OFN_PATHMUSTEXIST | ui::OFN_FILEMUSTEXIST |
                                 ui::OFN_LONGNAMES | ui::OFN_EXPLORER);
    ASSERT_EQ(prompts->Shown().size(), c.message ? 1 : 0);
    if (c.message) {
      EXPECT_EQ(prompts->Last().title, "Error Loading File");
      EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
    }
  }
}

TEST(FontDialog, ChosenFontOrNothing) {
  QFont start(QStringLiteral("Sans Serif"), 10);
  start.setUnderline(true);
  struct Case {
    bool ok;
  };
  for (const Case& c : std::vector<Case>{{true}, {false}}) {
    ScopedFakeModalRunner runner;
    runner->SetOnUnexpected([](const QString& s) { ADD_FAILURE() << s.toStdString(); });
    runner->Then(QStringLiteral("182"), [&](QDialog& d) {
      auto& chooser = static_cast<QFontDialog&>(d);
      EXPECT_EQ(d.windowTitle(), "Font");
      EXPECT_TRUE(chooser.currentFont().underline());
      QFont chosen = chooser.currentFont();
      chosen.setPointSize(14);
      chosen.setStrikeOut(true);
      chooser.setCurrentFont(chosen);
      if (c.ok) chooser.accept();
    });
    const auto font = ChooseFont(start, nullptr);
    ASSERT_EQ(font.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ(font->pointSize(), 14);
      EXPECT_TRUE(font->strikeOut());
    }
  }
}

}  // namespace
}  // namespace qvp
