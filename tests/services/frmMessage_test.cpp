#include "services/frmMessage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

#include "platform/ui/HelpViewer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/ui/WaitCursor.h"
#include "platform/ui/WindowRegistry.h"
#include "services/clsSystem.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The name of the one image showing, or the empty text.
QString VisibleImage(const QWidget& form) {
  QString visible;
  for (const char* name : {"ImageInfo", "imgWarn", "imageCritical", "imgLocked"}) {
    auto* image = form.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(image, nullptr) << name;
    if (image != nullptr && !image->isHidden()) {
      EXPECT_TRUE(visible.isEmpty()) << "two images shown";
      visible = QString::fromLatin1(name);
    }
  }
  return visible;
}

TEST(frmMessage, InitShowsTheImageOfTheKind) {
  const struct {
    int32_t kind;
    const char* image;
  } cases[] = {{0, ""},          {1, "ImageInfo"}, {2, "imgWarn"}, {3, "imageCritical"},
               {4, "imgLocked"}, {5, ""},          {-1, ""}};
  frmMessage form;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    form.Init(QStringLiteral("text"), c.kind, 0);
    EXPECT_EQ(VisibleImage(form), QString::fromLatin1(c.image));
  }
}

TEST(frmMessage, HelpContextOnlyForTopicsFromOne) {
  const struct {
    int32_t topic;
    int32_t context;
  } cases[] = {{0, 0}, {-1, 0}, {1, 1}, {2050, 2050}};
  frmMessage form;
  for (const auto& c : cases) {
    form.Init(QStringLiteral("x"), 1, c.topic);
    EXPECT_EQ(form.HelpContextID(), c.context) << c.topic;
  }
}

TEST(frmMessage, ShowsPlainTextInAFixedPitchFontWithPrintAndOk) {
  frmMessage form;
  form.Init(QStringLiteral("<b>Line 1</b>\r\nLine 2"), 1, 0);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Stovrel"));
  EXPECT_EQ(form.txtMsg->toPlainText(), QStringLiteral("<b>Line 1</b>\nLine 2"));
  EXPECT_TRUE(form.txtMsg->isReadOnly());
  EXPECT_TRUE(form.txtMsg->font().fixedPitch());
  EXPECT_EQ(form.txtMsg->font().pointSizeF(), 10.0);
  EXPECT_EQ(form.cmdPrint->text(), QStringLiteral("&Print"));
  EXPECT_EQ(form.cmdClose->text(), QStringLiteral("OK"));
  EXPECT_TRUE(form.cmdClose->isDefault());
  EXPECT_EQ(form.cmdSaveAs->text(), QStringLiteral("Save As..."));
  EXPECT_EQ(form.cmdEmail->text(), QStringLiteral("&Email"));
  EXPECT_FALSE(form.cmdPrint->isHidden());
  EXPECT_FALSE(form.cmdClose->isHidden());
  EXPECT_TRUE(form.cmdSaveAs->isHidden());
  EXPECT_TRUE(form.cmdEmail->isHidden());
}

TEST(frmMessage, WrapsProseAtTheWindowWidth) {
  const QString sentence = QStringLiteral("The transactions of this product were posted to the journal. ");
  const QString texts[] = {sentence.repeated(12), sentence.repeated(4) + QStringLiteral("\r\n\r\n") +
                                                      sentence.repeated(9)};
  for (const QString& text : texts) {
    frmMessage form;
    form.Init(text, 1, 0);
    form.show();
    EXPECT_EQ(form.txtMsg->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(form.txtMsg->document()->size().height(), 3 * form.txtMsg->fontMetrics().height());
  }
}

TEST(frmMessage, SizesToItsTextWithinTheScreen) {
  const QString record = QStringLiteral(
      "Record no longer exists or is inaccessible! Another user may have deleted this record.");
  QStringList lines;
  for (int i = 1; i <= 200; ++i) lines << QStringLiteral("Line %1 of the import log").arg(i);
  const struct {
    const char* name;
    QString text;
    int maxHeight;  // the window's, 0: the screen's available height
    bool scrolls;
  } cases[] = {
      {"two lines", record, 180, false},
      {"a paragraph", QStringLiteral("The transactions were posted to the journal. ").repeated(12), 300, false},
      {"a long log", lines.join(QStringLiteral("\r\n")), 0, true},
  };
  for (const QSize screen : {QSize(1366, 768), QSize(800, 600)}) {
    const ui::ScopedScreen fixed({screen.width(), screen.height()});
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << " on " << screen.height());
      frmMessage form;
      form.Init(c.text, 3, 0);
      form.show();
      QApplication::processEvents();
      EXPECT_LE(form.frameGeometry().height(), c.maxHeight > 0 ? c.maxHeight : screen.height());
      EXPECT_LT(form.width(), screen.width());
      EXPECT_EQ(form.txtMsg->verticalScrollBar()->maximum() > 0, c.scrolls);
      EXPECT_EQ(form.txtMsg->horizontalScrollBar()->maximum(), 0);
      EXPECT_FALSE(form.cmdClose->visibleRegion().isEmpty());
    }
  }
}

TEST(frmMessage, PrintsAndCopiesTheText) {
  frmMessage form;
  form.Init(QStringLiteral("Stock report\r\nAll fine"), 1, 0);
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString pdf = testenv::NewTempDir() + QStringLiteral("/msg.pdf");
  printer.setOutputFileName(pdf);
  form.PrintMsg(printer);
  EXPECT_GT(QFileInfo(pdf).size(), 0);

  form.CopyMsgToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Stock report\nAll fine"));
}

class ShowMsgTest : public uitest::ScriptedTest {
 protected:
  void TearDown() override {
    ScriptedTest::TearDown();
    for (QWidget* w : ui::LoadedWindows()) delete w;
  }
};

TEST_F(ShowMsgTest, ShowsTheWindowModallyOwnedByTheMainWindowThenUnloadsIt) {
  auto* mainForm = new QWidget;
  ui::SetTag(mainForm, QStringLiteral("MAINFORM"));
  ui::SetScreenMousePointer(ui::vbHourglass);
  bool ran = false;
  runner->Then(QStringLiteral("frmMessage"), [&](QDialog& dlg) {
    ran = true;
    EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
    EXPECT_TRUE(ui::IsLoaded(&dlg));
    EXPECT_EQ(VisibleImage(dlg), QStringLiteral("imageCritical"));
    EXPECT_EQ(ui::test::TextOf(dlg, QStringLiteral("txtMsg")), QStringLiteral("Disk full"));
    EXPECT_EQ(static_cast<frmMessage&>(dlg).HelpContextID(), 0);
    EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("cmdClose")));
    EXPECT_FALSE(dlg.isVisible());
  });
  gSystem().ShowMsg(QStringLiteral("Disk full"), 3, -1);
  EXPECT_TRUE(ran);
  ASSERT_EQ(runner->Owners().size(), 1);
  EXPECT_EQ(runner->Owners()[0].data(), mainForm);
  EXPECT_THAT(ui::LoadedWindows(), ElementsAre(mainForm));
}

TEST_F(ShowMsgTest, F1OpensTheTopicOfTheMessage) {
  ui::SetHelpFolder(QStringLiteral(STOVREL_RESOURCES_DIR "/help"));
  for (const int topic : {1610, 0}) {
    runner->Then(QStringLiteral("frmMessage"), [](QDialog& dlg) {
      QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
      QApplication::sendEvent(static_cast<frmMessage&>(dlg).txtMsg, &f1);
    });
    gSystem().ShowMsg(QStringLiteral("Back up first"), 1, topic);
    if (topic == 0) {
      EXPECT_EQ(ui::OpenHelpViewer(), nullptr);
    } else {
      ASSERT_NE(ui::OpenHelpViewer(), nullptr);
      EXPECT_TRUE(ui::OpenHelpViewer()->CurrentPage().endsWith(QStringLiteral("/help/1610.html")));
    }
    ui::CloseHelpViewer();
  }
  ui::SetHelpFolder({});
}

TEST_F(ShowMsgTest, EscapeClosesItAndNoMainWindowIsNeeded) {
  runner->Then([](QDialog& dlg) {
    EXPECT_EQ(VisibleImage(dlg), QString());
    dlg.reject();
  });
  gSystem().ShowMsg(QStringLiteral("Nothing to show"), 0, 12);
  ASSERT_EQ(runner->Owners().size(), 1);
  EXPECT_EQ(runner->Owners()[0].data(), nullptr);
  EXPECT_THAT(ui::LoadedWindows(), IsEmpty());
}

}  // namespace
