// The database commands of the main window.

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTabWidget>

#include "platform/controls/ListBarControl.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/WindowRegistry.h"
#include "services/clsSystem.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

using shelltest::ShellTest;

class DatabaseCommandsTest : public ShellTest {
 protected:
  QString DefaultFolder() const { return QDir::homePath() + QStringLiteral("/SVLData"); }
};

// A text as the message window shows it (its text box keeps one line break of CR LF).
QString AsShown(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

const char kPlaceholder[] = "[SVL data directory will be specified here once you create/open a SVL Database]";

TEST_F(DatabaseCommandsTest, BackupAdviceNamesTheFolderAndTheSixteenFiles) {
  frmMain& m = Main();
  const QString none = m.BackupMsg(QString());
  EXPECT_TRUE(none.startsWith(QStringLiteral("BACKING UP, COPYING OR MOVING YOUR DATABASE\r\n\r\nIn order to "
                                             "safekeep your Stovrel database")));
  EXPECT_TRUE(none.contains(QStringLiteral("directory:\r\n\r\n") + QLatin1String(kPlaceholder) +
                            QStringLiteral("\r\n\r\nto a removable media")));
  EXPECT_TRUE(none.contains(QStringLiteral(
      "Stovrel database consists of the following 16 files:\r\n\r\n"
      "  svlcat.dbf\r\n  svlcat.cdx\r\n  svlid.dbf\r\n  svlid.cdx\r\n  svlparam.dbf\r\n  svlparam.cdx\r\n"
      "  svlparam.fpt\r\n  svlprod.dbf\r\n  svlprod.cdx\r\n  svlprod.fpt\r\n  svltran.dbf\r\n  svltran.cdx\r\n"
      "  svltran.fpt\r\n  svluser.dbf\r\n  svluser.cdx\r\n  svluser.fpt\r\n\r\nAll these files must exist")));
  EXPECT_TRUE(none.endsWith(QStringLiteral("advice on how to protect your Stovrel data.\r\n")));

  const QString dir = OpenNewDatabase();
  const QString open = m.BackupMsg(gDB().DBPath());
  EXPECT_FALSE(open.contains(QLatin1String(kPlaceholder)));
  EXPECT_TRUE(open.contains(QStringLiteral("directory:\r\n\r\n") + dir + QStringLiteral("\r\n\r\nto a removable")));

  QString shown;
  ExpectMsg(&shown);
  m.MenuItem(QStringLiteral("mnuHelpBackup"))->trigger();
  EXPECT_EQ(shown, AsShown(open));
}

TEST_F(DatabaseCommandsTest, NewDatabaseCreatesOpensAndShowsProductPreferences) {
  frmMain& m = Main();
  const QString dir = testenv::NewTempDir(QStringLiteral("newdb"));
  QString intro, created;
  ExpectMsg(&intro);
  folders->Choose(dir);
  ExpectMsg(&created);
  int tab = -1;
  runner->Then(QStringLiteral("frmPreferences"), [&](QDialog& dlg) {
    tab = dlg.findChild<QTabWidget*>(QStringLiteral("TabCtl"))->currentIndex();
    dlg.reject();
  });
  m.MenuItem(QStringLiteral("mnuFileNew"))->trigger();

  EXPECT_TRUE(intro.startsWith(QStringLiteral("You are about to create a NEW Stovrel Database.")));
  ASSERT_EQ(folders->FolderRequests().size(), 1);
  EXPECT_EQ(folders->FolderRequests()[0].startFolder, DefaultFolder());
  EXPECT_EQ(folders->FolderRequests()[0].title,
            QStringLiteral("NEW DATABASE: Please select the Directory where you want to store the new Stovrel database:"));
  EXPECT_EQ(created, AsShown(QStringLiteral("New Stovrel Database has been created! Please carefully read the "
                                            "message below and press OK to open the new database.\n\n") +
                             m.BackupMsg(dir)));
  EXPECT_EQ(tab, 1);
  EXPECT_TRUE(gDB().IsOpen());
  EXPECT_EQ(gDB().DBPath(), dir);
  EXPECT_FALSE(m.MenuItem(QStringLiteral("mnuFileNew"))->isEnabled());
  EXPECT_TRUE(m.MenuItem(QStringLiteral("mnuFileClose"))->isEnabled());
}

TEST_F(DatabaseCommandsTest, NewDatabaseCancelledOrRefusedLeavesItClosed) {
  frmMain& m = Main();
  // Cancelled: the default folder is made all the same, nothing else happens.
  ExpectMsg();
  folders->Cancel();
  m.mnuFileNew_Click();
  EXPECT_TRUE(QDir(DefaultFolder()).exists());
  EXPECT_FALSE(gDB().IsOpen());

  // A folder that holds a database already: refused by the database layer.
  const QString dir = OpenNewDatabase();
  gDB().CloseDB();
  QString refusal;
  ExpectMsg();
  folders->Choose(dir);
  ExpectMsg(&refusal);
  m.mnuFileNew_Click();
  EXPECT_TRUE(refusal.startsWith(QStringLiteral("NEW DATABASE CREATION FAILED!")));
  EXPECT_FALSE(gDB().IsOpen());
  EXPECT_TRUE(m.MenuItem(QStringLiteral("mnuFileNew"))->isEnabled());
  EXPECT_TRUE(m.SBContainer->isHidden());
}

TEST_F(DatabaseCommandsTest, OpenRelabelsAndCloseKeepsTheCaptions) {
  const QString dir = OpenNewDatabase();
  gDB().SetParamValue(gDB().MakeCustomFieldParamName(QStringLiteral("svlprod.dbf"), QStringLiteral("groupid")),
                      QStringLiteral("Families"));
  gDB().CloseDB();
  frmMain& m = Main();

  folders->Cancel();
  m.mnuFileOpen_Click();
  EXPECT_FALSE(gDB().IsOpen());

  folders->Choose(dir);
  m.MenuItem(QStringLiteral("mnuFileOpen"))->trigger();
  EXPECT_TRUE(gDB().IsOpen());
  EXPECT_EQ(folders->FolderRequests().back().title,
            QStringLiteral("EXISTING DATABASE: Please select the Directory that contains an existing Stovrel database:"));
  EXPECT_EQ(m.MenuItem(QStringLiteral("mnuConfigureProductGroups"))->text(), QStringLiteral("Product Families"));
  EXPECT_EQ(m.SB->Model().FindItem(QStringLiteral("PRODUCTCATEGORIES"))->Caption(), QStringLiteral("Product Families"));
  EXPECT_FALSE(m.SBContainer->isHidden());

  m.MenuItem(QStringLiteral("mnuFileClose"))->trigger();
  EXPECT_FALSE(gDB().IsOpen());
  EXPECT_TRUE(m.SBContainer->isHidden());
  EXPECT_EQ(m.MenuItem(QStringLiteral("mnuConfigureProductGroups"))->text(), QStringLiteral("Product Families"));
}

// Closing or changing the database unloads every window but the main one, hidden
// dialogs and child windows included, so that none shows lists of the old database.
TEST_F(DatabaseCommandsTest, EveryOtherWindowIsUnloadedWhenTheDatabaseChanges) {
  const QString first = OpenNewDatabase();
  gDB().CloseDB();
  const QString second = OpenNewDatabase();
  gDB().CloseDB();
  frmMain& m = Main();

  struct Case {
    const char* what;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"close", [&] { m.mnuFileClose_Click(); }},
      {"open", [&] {
         gDB().CloseDB();
         folders->Choose(second);
         m.mnuFileOpen_Click();
       }},
      {"maintenance", [&] {
         runner->Then(QStringLiteral("frmDBMaint"), [](QDialog& dlg) { dlg.reject(); });
         m.mnuHelpDBMaintenance_Click();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!gDB().IsOpen()) {
      ASSERT_TRUE(gDB().OpenDB(first));
    }
    QPointer<QDialog> hidden = new QDialog;
    ui::SetTag(hidden, QStringLiteral("PRODUCTCATEGORIES"));
    hidden->hide();
    auto* child = new QWidget;
    ui::SetTag(child, QStringLiteral("PRODUCTLIST"));
    QPointer<QMdiSubWindow> sub = m.mdi->addSubWindow(child);
    QPointer<QWidget> childAlive = child;
    c.change();
    EXPECT_TRUE(hidden.isNull());
    EXPECT_TRUE(childAlive.isNull());
    EXPECT_TRUE(sub.isNull());
    EXPECT_EQ(ui::LoadedWindows(), QList<QWidget*>{&m});
  }
}

TEST_F(DatabaseCommandsTest, MaintenanceWithoutADatabaseOnlySaysSo) {
  frmMain& m = Main();
  QPointer<QDialog> hidden = new QDialog;
  ui::SetTag(hidden, QStringLiteral("X"));
  prompts->Expect(QStringLiteral("No database is currently open. See File menu."));
  m.MenuItem(QStringLiteral("mnuHelpDBMaintenance"))->trigger();
  EXPECT_TRUE(hidden.isNull());
  EXPECT_EQ(prompts->Last().title, QStringLiteral("No Database Open"));
}

// File > Exit ends the program: the database closes and no top-level window is left
// (the help window included) to keep it running.
TEST_F(DatabaseCommandsTest, ClosingTheMainWindowClosesTheDatabaseAndOtherWindows) {
  OpenNewDatabase();
  frmMain& m = Main();
  m.show();
  QPointer<QDialog> hidden = new QDialog;
  ui::SetTag(hidden, QStringLiteral("X"));
  ui::SetHelpFolder(QStringLiteral(STOVREL_RESOURCES_DIR "/help"));
  QPointer<ui::HelpViewer> help = ui::ShowHelp(1000);
  ASSERT_FALSE(help.isNull());
  m.MenuItem(QStringLiteral("mnuFileExit"))->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ui::SetHelpFolder({});
  EXPECT_FALSE(m.isVisible());
  EXPECT_FALSE(gDB().IsOpen());
  EXPECT_TRUE(hidden.isNull());
  EXPECT_TRUE(help.isNull());
  for (QWidget* window : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();
  }
}

}  // namespace
