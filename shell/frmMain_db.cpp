// The main window's database commands: new, open, close, backup advice, maintenance.

#include "database/BackupMsg.h"
#include "database/clsDB.h"
#include "database/frmDBMaint.h"
#include "exchange/ExchangeSupport.h"
#include "platform/runtime/App.h"
#include "services/clsSystem.h"
#include "services/mdlFolderSelection.h"
#include "shell/frmMain.h"

namespace {

// The folder picker of the database commands, starting at the default folder.
QString PickFolder(QWidget* owner, const QString& prompt) {
  return mdlFolderSelection::BrowseForFolder(owner, gDB().DBDefaultPath(), prompt, false, true);
}

}  // namespace

QString frmMain::BackupMsg(const QString& sDBPath) { return ::BackupMsg(sDBPath, gDB().IsOpen()); }

void frmMain::mnuHelpBackup_Click() { gSystem().ShowMsg(BackupMsg(gDB().DBPath()), 1, 1610); }

void frmMain::mnuFileNew_Click() {
  clsSystem& sys = gSystem();
  const QString P = rt::App::ProductName();
  sys.ShowMsg(
      QStringLiteral("You are about to create a NEW ") + P +
          QStringLiteral(" Database. Next, you will be prompted to select a directory where your database "
                         "will be stored.") +
          sys.CRLF(2) +
          QStringLiteral("LOCAL DATABASE: If you are creating the new database for your exclusive use, you "
                         "may want to create the database on your local machine. You may want to start "
                         "WINDOWS EXPLORER now and create a new folder for the database on your local "
                         "drive. Note the location of this new folder for the next step.") +
          sys.CRLF(2) +
          QStringLiteral("SHARED/NETWORK DATABASE: If you would like to share the new database with other "
                         "users on your Local Area Network, you may want to create this database on a File "
                         "Server or a Shared Network Directory that is accessible by other users. While you "
                         "are creating the new database, please note the network directory location of the "
                         "new database. Other users will need to select this network directory location "
                         "when they choose File, Open Database... from their machines."),
      1, -1);
  sys.CreateDir(gDB().DBDefaultPath());
  const QString folder = PickFolder(
      this, QStringLiteral("NEW DATABASE: Please select the Directory where you want to store the new "
                           "Stovrel database:"));
  if (folder.isEmpty()) return;
  if (gDB().NewDB(folder)) {
    sys.ShowMsg(QStringLiteral("New Stovrel Database has been created! Please carefully read the message "
                               "below and press OK to open the new database.") +
                    sys.LF(2) + BackupMsg(gDB().DBPath()),
                1, -1);
    Customizations(1);
    HelpCenter();
  }
  SetUI();
}

void frmMain::mnuFileOpen_Click() {
  const QString folder = PickFolder(
      this, QStringLiteral("EXISTING DATABASE: Please select the Directory that contains an existing "
                           "Stovrel database:"));
  if (folder.isEmpty()) return;
  if (gDB().OpenDB(folder)) SetCustomMenuLabels();
  SetUI();
}

void frmMain::mnuFileClose_Click() {
  if (exchange::Busy()) return;  // an import or export still uses the database
  gDB().CloseDB();
  SetUI();
}

void frmMain::mnuHelpDBMaintenance_Click() {
  gSystem().UnloadAll(QStringLiteral("MAINFORM"));
  clsDBUtil::DlgDBMaintenance(this, gDB().DataFilePaths());
}
