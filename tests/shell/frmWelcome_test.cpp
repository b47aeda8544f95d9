#include "shell/frmWelcome.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/runtime/Clock.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"
#include "shell/frmMain.h"
#include "tests/database/DbTestSupport.h"

namespace {

void ClickLabel(QLabel& label) {
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, label.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&label, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, label.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(&label, &release);
}

class WelcomeTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    mdlRegistry::PrefSaveLong(QStringLiteral("WelcomeShowAtStartup"), 0);
    ui::SetHelpFolder(QStringLiteral(STOVREL_RESOURCES_DIR "/help"));
  }
  void TearDown() override {
    ui::CloseHelpViewer();
    ui::SetHelpFolder(QString());
    DbTest::TearDown();
  }
  ui::test::ScopedFakeShell shell;
};

TEST_F(WelcomeTest, TheDatabaseLineAndVersionFollowTheOpenDatabase) {
  {
    frmWelcome closed;
    EXPECT_EQ(closed.windowTitle(), QStringLiteral("Help Center"));
    EXPECT_EQ(closed.lblWelcome->text(), QStringLiteral("Help Center"));
    EXPECT_EQ(closed.lblDatabase0->text(), QString());
    EXPECT_EQ(closed.txtDatabase->text(), QString());
    EXPECT_EQ(closed.lblVersion->text(), QStringLiteral("Application Version: 6.0  Rev. 2"));
  }
  const QString dir = OpenNewDatabase();
  frmWelcome open;
  EXPECT_EQ(open.lblDatabase0->text(), QStringLiteral("You are accessing Stovrel database located at: "));
  EXPECT_EQ(open.txtDatabase->text(), gDB().DBPath());
  EXPECT_EQ(open.lblVersion->text(), QStringLiteral("Application Version: 6.0  Rev. 2     ( db version 6)"));
}

TEST_F(WelcomeTest, TheDateAndTimeAreRenewedByTheTimerOnly) {
  frmWelcome w;
  EXPECT_EQ(w.lblDateTime->text(), QStringLiteral("Sunday, March 15, 2026 @ 10:30 AM"));
  EXPECT_EQ(w.Timer1->interval(), 45000);
  EXPECT_TRUE(w.Timer1->isActive());
  rt::SetClock([] { return testenv::FixedNow().addSecs(90 * 60); });
  EXPECT_EQ(w.lblDateTime->text(), QStringLiteral("Sunday, March 15, 2026 @ 10:30 AM"));
  ASSERT_TRUE(QMetaObject::invokeMethod(w.Timer1, "timeout"));  // one tick
  EXPECT_EQ(w.lblDateTime->text(), QStringLiteral("Sunday, March 15, 2026 @ 12:00 PM"));
}

TEST_F(WelcomeTest, TheStartupBoxIsStoredWhenTheWindowIsUnloaded) {
  for (const bool check : {true, false}) {
    QPointer<frmWelcome> w = new frmWelcome;
    w->show();
    w->ckDontShowAtStartup->setChecked(check);
    w->cmdCancel->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("WelcomeShowAtStartup")), check ? 1 : 0);
    frmWelcome again;
    EXPECT_EQ(again.ckDontShowAtStartup->isChecked(), check);
  }
  // Closing by the window registry (as when the database is closed) stores it too.
  auto* w = new frmWelcome;
  w->ckDontShowAtStartup->setChecked(true);
  EXPECT_TRUE(ui::Unload(w));
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("WelcomeShowAtStartup")), 1);
}

TEST_F(WelcomeTest, LinksRunTheirActionsAndKeepTheWindowOpen) {
  OpenNewDatabase();
  frmMain main;  // owns the backup advice
  const QString specs = rt::App::Path() + QStringLiteral("/svl_specs.pdf");
  const QString site = gSystem().cDvWebsite();
  const struct {
    const char* link;
    QString shellFile;    // the file or address opened, empty: none
    QString helpPage;     // the help page shown, empty: none
    int backups;
  } cases[] = {
      {"lblBackup", {}, {}, 1},
      {"lblOverview", {}, QStringLiteral("1000.html"), 0},
      {"lblUserMan", {}, QStringLiteral("index.html"), 0},
      {"lblSpecs", specs, {}, 0},
      {"lblDornvale", site, {}, 0},
      {"lblTip", site, {}, 0},
      {"lblTutorial", {}, {}, 0},
  };
  frmWelcome w;
  w.show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    auto* label = w.findChild<QLabel*>(QString::fromLatin1(c.link));
    ASSERT_NE(label, nullptr);
    const qsizetype calls = shell->Calls().size();
    QString advice;
    if (c.backups > 0) ExpectMsg(&advice);
    ClickLabel(*label);
    EXPECT_EQ(advice.isEmpty(), c.backups == 0);
    if (c.backups > 0) {
      EXPECT_TRUE(advice.contains(gDB().DBPath())) << advice.toStdString();
    }
    if (c.shellFile.isEmpty()) {
      EXPECT_EQ(shell->Calls().size(), calls);
    } else {
      ASSERT_EQ(shell->Calls().size(), calls + 1);
      EXPECT_EQ(shell->Calls().back().verb, QStringLiteral("open"));
      EXPECT_EQ(shell->Calls().back().file, c.shellFile);
    }
    ui::HelpViewer* help = ui::OpenHelpViewer();
    if (c.helpPage.isEmpty()) {
      EXPECT_EQ(help, nullptr);
    } else {
      ASSERT_NE(help, nullptr);
      EXPECT_TRUE(help->CurrentPage().endsWith(c.helpPage)) << help->CurrentPage().toStdString();
      ui::CloseHelpViewer();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(w.isVisible());
  }
}

TEST_F(WelcomeTest, AMissingSpecSheetGivesTheLaunchWarningOnly) {
  frmWelcome w;
  shell->Result(2);  // file not found
  const QString specs = rt::App::Path() + QStringLiteral("/svl_specs.pdf");
  prompts->Expect(QStringLiteral("Unable to launch '") + specs +
                  QStringLiteral("'! No application may be associated with this file type."));
  w.lblSpecs_Click();
  EXPECT_EQ(prompts->Shown().size(), 1);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Stovrel"));
}

TEST_F(WelcomeTest, TheBackupLinkNeedsTheMainWindow) {
  frmWelcome w;
  w.lblBackup_Click();  // no main window: nothing to ask
  EXPECT_TRUE(prompts->Shown().isEmpty());
  EXPECT_TRUE(runner->Ran().isEmpty());
}

TEST_F(WelcomeTest, TheBannerSpansTheWindow) {
  frmWelcome w;
  EXPECT_EQ(w.size(), QSize(static_cast<int>(ui::TwipsToPixelsX(6500)), static_cast<int>(ui::TwipsToPixelsY(3510))));
  for (const QSize size : {QSize(500, 300), QSize(800, 400)}) {
    w.resize(size);
    w.show();
    w.layout()->activate();
    EXPECT_EQ(w.lblWelcome->width(), w.contentsRect().width());
  }
}

}  // namespace

