#include "platform/ui/HelpViewer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTextDocument>
#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>

#include "platform/ui/Prompt.h"
#include "platform/ui/testing/TestPrompts.h"
#include "tests/support/TestEnv.h"

namespace {

using ::testing::EndsWith;
using ::testing::IsEmpty;

void Press(QWidget& target, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &press);
}

class HelpViewerTest : public ::testing::Test {
 protected:
  void SetUp() override { ui::SetHelpFolder(QStringLiteral(STOVREL_RESOURCES_DIR "/help")); }
  void TearDown() override {
    ui::CloseHelpViewer();
    ui::SetHelpFolder({});
    EXPECT_THAT(prompts->Unexpected(), IsEmpty());
  }
  ui::test::ScopedFakePrompts prompts;
};

TEST_F(HelpViewerTest, EveryTopicTheProgramUsesHasItsOwnPage) {
  for (const int topic : {1000, 1060, 1080, 1090, 1610, 1641, 2000, 2017}) {
    const QString page = ui::HelpPagePath(topic);
    EXPECT_THAT(page.toStdString(), EndsWith("/help/" + std::to_string(topic) + ".html"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << topic;
    EXPECT_TRUE(file.readAll().contains("<h1>")) << topic;
  }
}

TEST_F(HelpViewerTest, UnknownAndMissingTopicsFallBackToTheContents) {
  for (const int topic : {0, -1, 1, 4242}) {
    EXPECT_THAT(ui::HelpPagePath(topic).toStdString(), EndsWith("/help/index.html")) << topic;
  }
  EXPECT_THAT(ui::HelpContentsPath().toStdString(), EndsWith("/help/index.html"));
}

TEST_F(HelpViewerTest, OneWindowIsReusedForEveryTopic) {
  ui::HelpViewer* first = ui::ShowHelp(1610);
  ASSERT_NE(first, nullptr);
  EXPECT_THAT(first->CurrentPage().toStdString(), EndsWith("/help/1610.html"));
  EXPECT_TRUE(first->txtHelp->toPlainText().contains(QStringLiteral("svluser.fpt")));
  EXPECT_EQ(ui::ShowHelp(0), first);
  EXPECT_THAT(first->CurrentPage().toStdString(), EndsWith("/help/index.html"));
  ui::CloseHelpViewer();
  EXPECT_EQ(ui::OpenHelpViewer(), nullptr);
  EXPECT_NE(ui::ShowHelp(1000), nullptr);
}

TEST_F(HelpViewerTest, TheContentsLinksToEveryTopicPage) {
  QFile index(ui::HelpContentsPath());
  ASSERT_TRUE(index.open(QIODevice::ReadOnly));
  const QByteArray html = index.readAll();
  for (const char* page : {"1000.html", "1060.html", "1080.html", "1090.html", "1610.html",
                           "1641.html", "2000.html", "2017.html"}) {
    EXPECT_TRUE(html.contains(QByteArray("href=\"") + page + "\"")) << page;
  }
}

TEST_F(HelpViewerTest, WithoutPagesItWarnsAndOpensNothing) {
  const QString empty = testenv::NewTempDir(QStringLiteral("nohelp"));
  ui::SetHelpFolder(empty);
  prompts->Expect(QStringLiteral("Unable to launch '") + empty +
                  QStringLiteral("/index.html'! No application may be associated with this file "
                                 "type."));
  EXPECT_EQ(ui::ShowHelp(1000), nullptr);
  EXPECT_EQ(ui::OpenHelpViewer(), nullptr);
  ASSERT_EQ(prompts->Shown().size(), 1);
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
}

TEST_F(HelpViewerTest, HelpAskedForFromAModalDialogBelongsToIt) {
  auto* dialog = new QDialog;
  dialog->setModal(true);
  dialog->show();
  ASSERT_EQ(QApplication::activeModalWidget(), dialog);
  QPointer<ui::HelpViewer> viewer = ui::ShowHelp(1090);
  ASSERT_FALSE(viewer.isNull());
  EXPECT_EQ(viewer->parentWidget(), dialog);
  EXPECT_TRUE(viewer->isWindow());
  delete dialog;
  EXPECT_TRUE(viewer.isNull());
  viewer = ui::ShowHelp(1090);  // a new, top-level window
  ASSERT_FALSE(viewer.isNull());
  EXPECT_EQ(viewer->parentWidget(), nullptr);
}

TEST_F(HelpViewerTest, BackForwardHomeAndEscape) {
  QPointer<ui::HelpViewer> viewer = ui::ShowHelp(1610);
  ASSERT_FALSE(viewer.isNull());
  EXPECT_FALSE(viewer->actBack->isEnabled());
  viewer->ShowPage(ui::HelpPagePath(2000));
  struct Step {
    QAction* action;
    const char* page;
    bool back;
    bool forward;
  };
  const Step steps[] = {{viewer->actBack, "/help/1610.html", false, true},
                        {viewer->actForward, "/help/2000.html", true, false},
                        {viewer->actHome, "/help/index.html", true, false},
                        {viewer->actBack, "/help/2000.html", true, true}};
  for (const Step& step : steps) {
    step.action->trigger();
    EXPECT_THAT(viewer->CurrentPage().toStdString(), EndsWith(step.page));
    EXPECT_EQ(viewer->actBack->isEnabled(), step.back) << step.page;
    EXPECT_EQ(viewer->actForward->isEnabled(), step.forward) << step.page;
  }
  EXPECT_GT(viewer->txtHelp->document()->documentMargin(), 4);
  Press(*viewer->txtHelp, Qt::Key_Escape);
  EXPECT_TRUE(viewer.isNull() || !viewer->isVisible());
}

TEST_F(HelpViewerTest, EveryPageSaysWhatItsWindowIsForAndHowToUseIt) {
  for (const int topic : {1000, 1060, 1080, 1090, 1610, 1641, 2000, 2017}) {
    QFile file(ui::HelpPagePath(topic));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << topic;
    const QString html = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(html.contains(QStringLiteral("<h2>How to"))) << topic;
    EXPECT_TRUE(html.contains(QStringLiteral("href=\"index.html\""))) << topic;
  }
}

TEST_F(HelpViewerTest, F1InAMessageBoxOpensItsTopic) {
  struct Case {
    int helpContext;
    const char* page;  // nullptr: no help window
  };
  const Case cases[] = {{1090, "/help/1090.html"}, {0, nullptr}, {-3, nullptr}};
  for (const Case& c : cases) {
    const std::unique_ptr<QDialog> box =
        ui::NewMessageBox(QStringLiteral("Error # 53"), ui::vbCritical, QStringLiteral("Error"), c.helpContext);
    box->show();
    Press(*box->findChild<QPushButton*>(), Qt::Key_F1);
    if (c.page == nullptr) {
      EXPECT_EQ(ui::OpenHelpViewer(), nullptr) << c.helpContext;
    } else {
      ASSERT_NE(ui::OpenHelpViewer(), nullptr) << c.helpContext;
      EXPECT_THAT(ui::OpenHelpViewer()->CurrentPage().toStdString(), EndsWith(c.page));
      EXPECT_TRUE(box->isVisible());
    }
    ui::CloseHelpViewer();
  }
}

TEST_F(HelpViewerTest, AWindowsContextCanChangeAndIsWiredOnce) {
  QDialog dialog;
  auto* child = new QPushButton(QStringLiteral("OK"), &dialog);
  ui::SetHelpContext(dialog, 1000);
  ui::SetHelpContext(dialog, 2017);
  EXPECT_EQ(ui::HelpContextOf(dialog), 2017);
  EXPECT_EQ(dialog.findChildren<QObject*>(QStringLiteral("helpKeyFilter")).size(), 1);
  dialog.show();
  Press(*child, Qt::Key_F1);
  ASSERT_NE(ui::OpenHelpViewer(), nullptr);
  EXPECT_THAT(ui::OpenHelpViewer()->CurrentPage().toStdString(), EndsWith("/help/2017.html"));
}

TEST_F(HelpViewerTest, TheDefaultFolderIsBesideTheProgram) {
  ui::SetHelpFolder({});
  EXPECT_THAT(ui::HelpFolder().toStdString(), EndsWith("/help"));
}

}  // namespace
