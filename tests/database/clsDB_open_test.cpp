// Creating, opening and closing a database folder; the folder checks; the remembered
// last folder.

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "tests/database/DbTestSupport.h"
#include "tests/database/ProcessTestSupport.h"

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

const QStringList kDataFiles = {
    "svlprod.dbf", "svlprod.cdx", "svlprod.fpt", "svltran.dbf", "svltran.cdx", "svltran.fpt",
    "svluser.dbf", "svluser.cdx", "svluser.fpt", "svlparam.dbf", "svlparam.cdx", "svlparam.fpt",
    "svlid.dbf", "svlid.cdx", "svlcat.dbf", "svlcat.cdx"};

class OpenTest : public dbtest::DbTest {};

TEST_F(OpenTest, NewDatabaseHasTheDataFilesAndTheCatalogueOpensAndIsRemembered) {
  const QString dir = OpenNewDatabase();
  EXPECT_TRUE(gDB().IsOpen());
  EXPECT_EQ(gDB().DBPath(), dir);
  EXPECT_NE(gDB().CBEngine(), nullptr);
  EXPECT_EQ(gDB().DBVersionInUse(), 6);
  QStringList expected = kDataFiles;
  expected << "svlrepcols.dbf" << "svlrepcols.cdx";
  expected.sort();
  EXPECT_THAT(QDir(dir).entryList(QDir::Files, QDir::Name), ElementsAreArray(expected));
  EXPECT_EQ(gDB().GetLastDBDir(), dir);
  EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
}

TEST_F(OpenTest, NewDatabaseRefusesAFolderHoldingDataFilesListingThoseInOrder) {
  const QString dir = testenv::NewTempDir();
  for (const char* name : {"svlcat.cdx", "svlprod.dbf", "svlrepcols.dbf"}) {
    QFile f(QDir(dir).filePath(QLatin1String(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QString text;
  ExpectMsg(&text);
  EXPECT_FALSE(gDB().NewDB(dir));
  EXPECT_EQ(text, QStringLiteral("NEW DATABASE CREATION FAILED!\n\nThe following data files already exist in the "
                                 "directory '") +
                      dir +
                      QStringLiteral("':\n\nsvlprod.dbf\nsvlcat.cdx\n\nPlease select a directory that does not "
                                     "already contain stovrel database or choose File, Open Database... menu to "
                                     "open an existing database."));
  EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 3);
  EXPECT_FALSE(gDB().IsOpen());
}

// A folder made on another system holds the files under upper-case names.
TEST_F(OpenTest, UpperCaseDataFilesAreOpenedAndNotDuplicatedByNewDB) {
  const QString dir = OpenNewDatabase();
  dbtest::AppendRow(gDB().ProductsTable(), {"rowid", "2001", "partno", "B-1", "prodname", "Bolt"});
  gDB().CloseDB();
  QDir folder(dir);
  for (const QString& name : folder.entryList(QDir::Files)) ASSERT_TRUE(folder.rename(name, name.toUpper()));
  const QStringList upper = folder.entryList(QDir::Files, QDir::Name);

  QString text;
  ExpectMsg(&text);
  EXPECT_FALSE(gDB().NewDB(dir));
  EXPECT_THAT(text.toStdString(), HasSubstr(("already exist in the directory '" + dir + "':\n\n" +
                                             kDataFiles.join('\n') + "\n\n")
                                                .toStdString()));
  EXPECT_EQ(folder.entryList(QDir::Files, QDir::Name), upper);

  ASSERT_TRUE(gDB().OpenDB(dir));
  EXPECT_EQ(dbtest::LiveRows(gDB().ProductsTable()), 1);
  EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
  EXPECT_EQ(gDB().ProductsTable(), dir + QStringLiteral("/SVLPROD.DBF"));
  EXPECT_EQ(folder.entryList(QDir::Files, QDir::Name), upper);  // nothing added beside them
}

TEST_F(OpenTest, AFolderMissingOneFileIsRefusedAndKeepsItsPath) {
  const QString dir = OpenNewDatabase();
  gDB().CloseDB();
  ASSERT_TRUE(QFile::remove(QDir(dir).filePath(QStringLiteral("svluser.fpt"))));
  QString text;
  ExpectMsg(&text);
  EXPECT_FALSE(gDB().OpenDB(dir));
  EXPECT_EQ(text, QStringLiteral("OPEN FAILED!\n\nThe following data files are missing from the directory '") + dir +
                      QStringLiteral("':\n\nsvluser.fpt\n\nIf you have not previously created stovrel database, "
                                     "please choose File, New Database... menu or if you have moved the stovrel "
                                     "database files to another location choose File, Open Database... menu and "
                                     "select the directory that contains these files."));
  EXPECT_FALSE(gDB().IsOpen());
  EXPECT_EQ(gDB().DBPath(), dir);
  EXPECT_EQ(gDB().CBEngine(), nullptr);
  EXPECT_EQ(gDB().LastEngineResult(), -1);
  // Closing a closed database changes nothing.
  EXPECT_FALSE(gDB().CloseDB());
  EXPECT_EQ(gDB().DBPath(), dir);
}

TEST_F(OpenTest, TheCatalogueIsNeitherRequiredNorReportedButRestoredOnOpen) {
  const QString dir = OpenNewDatabase();
  gDB().CloseDB();
  ASSERT_TRUE(QFile::remove(QDir(dir).filePath(QStringLiteral("svlrepcols.dbf"))));
  EXPECT_TRUE(gDB().DirContainsValidData(dir));
  EXPECT_TRUE(gDB().OpenDB(dir));
  EXPECT_TRUE(QFile::exists(QDir(dir).filePath(QStringLiteral("svlrepcols.dbf"))));
}

TEST_F(OpenTest, LastFolderIsReopenedAndAMissingOneIsReportedAndKept) {
  gDB().ClearLastDBDir();
  EXPECT_FALSE(gDB().OpenLastDB());  // nothing remembered: no message

  const QString dir = OpenNewDatabase();
  gDB().CloseDB();
  EXPECT_FALSE(gDB().IsOpen());
  EXPECT_TRUE(gDB().DBPath().isEmpty());
  EXPECT_TRUE(gDB().OpenLastDB());
  EXPECT_EQ(gDB().DBPath(), dir);
  gDB().CloseDB();

  const QString gone = dir + QStringLiteral("-moved");
  gDB().SetLastDBDir(gone);
  QString text;
  ExpectMsg(&text);
  EXPECT_FALSE(gDB().OpenLastDB());
  EXPECT_THAT(text.toStdString(), HasSubstr(("OPEN FAILED!\n\nDirectory '" + gone + "' does not exist!\n\n").toStdString()));
  EXPECT_EQ(gDB().GetLastDBDir(), gone);
}

TEST_F(OpenTest, OpenTableOfAMissingFileShowsOneBoxAndTheNextOpenWorks) {
  OpenNewDatabase();
  const QString missing = gDB().DBPath() + QStringLiteral("/nothere.dbf");
  prompts->Expect(QStringLiteral("Unable to open: ") + missing);
  EXPECT_FALSE(gDB().OpenTable(missing).ok());
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  const store::Table table = gDB().OpenTable(gDB().ProductsTable());
  DATA4* tb = table.get();
  ASSERT_NE(tb, nullptr);
}

// A folder the user may only read: one box names the file and the system's reason,
// and no second one claims the folder holds no version. Root may write anyway, so
// the open runs as an ordinary user in a child process.
TEST_F(OpenTest, AReadOnlyFolderIsNamedInOneBoxWithTheSystemsReason) {
  const QString dir = OpenNewDatabase();
  const QString version = gDB().LastIdTable();
  gDB().CloseDB();
  for (const QString& name : QDir(dir).entryList(QDir::Files)) {
    ASSERT_EQ(chmod(QFile::encodeName(dir + QLatin1Char('/') + name).constData(), 0444), 0);
  }
  for (const QString& folder : {testenv::TempRoot(), dir}) {
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
  }
  proctest::Child child([&](int, int out) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
    prompts->ExpectContaining(QStringLiteral("Unable to open: "));
    const bool opened = gDB().OpenDB(dir);
    const QByteArray shown = prompts->Texts().join(QStringLiteral("|")).toUtf8();
    if (write(out, shown.constData(), static_cast<size_t>(shown.size())) != shown.size()) return 3;
    return opened ? 4 : 0;
  });
  const std::string shown = child.ReceiveAll();
  const int code = child.Finish();
  for (const QString& folder : {testenv::TempRoot(), dir}) chmod(QFile::encodeName(folder).constData(), 0755);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(QString::fromStdString(shown), QStringLiteral("Unable to open: ") + version + QStringLiteral("\n\n") +
                                           QString::fromLocal8Bit(std::strerror(EACCES)));
}

TEST_F(OpenTest, NewDatabaseWithATemplateMissingShowsTheErrorAndKeepsTheCopies) {
  const QString programDir = testenv::NewTempDir(QStringLiteral("prog"));
  for (const char* name : {"svlid.cd_", "svlid.db_", "svlprod.cd_"}) {
    ASSERT_TRUE(QFile::copy(rt::App::Path() + QLatin1Char('/') + QLatin1String(name),
                            programDir + QLatin1Char('/') + QLatin1String(name)));
  }
  rt::App::SetPath(programDir);
  const QString dir = testenv::NewTempDir();
  prompts->ExpectContaining(QStringLiteral(" was generated by "));
  EXPECT_FALSE(gDB().NewDB(dir));
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Error"));
  EXPECT_THAT(prompts->Last().text.toStdString(), HasSubstr("Error #  53 was generated by Stovrel\r"));
  EXPECT_THAT(QDir(dir).entryList(QDir::Files), ElementsAreArray({"svlid.cdx", "svlid.dbf", "svlprod.cdx"}));
  EXPECT_FALSE(gDB().IsOpen());
}

TEST_F(OpenTest, ADatabaseOfAnotherVersionIsRefused) {
  const QString dir = OpenNewDatabase();
  ASSERT_TRUE(gDB().SetDBVer(7));
  gDB().CloseDB();
  prompts->ExpectContaining(QStringLiteral("version 7"));
  EXPECT_FALSE(gDB().OpenDB(dir));
  EXPECT_FALSE(gDB().IsOpen());
}

TEST_F(OpenTest, PathsAndDataFilesFollowTheFolders) {
  OpenNewDatabase();
  rt::App::SetPath(QStringLiteral("/opt/stovrel"));
  const QString db = gDB().DBPath();
  const QList<clsDBFile> files = gDB().DataFilePaths();
  ASSERT_EQ(files.size(), 5);
  const char* tables[] = {"svlcat", "svlid", "svlparam", "svlprod", "svltran"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(files[i].dataFilePath, db + "/" + tables[i] + ".dbf");
    EXPECT_EQ(files[i].indexFilePath, db + "/" + tables[i] + ".cdx");
    EXPECT_EQ(files[i].cleanIndexPath, QStringLiteral("/opt/stovrel/") + tables[i] + ".cd_");
    EXPECT_TRUE(files[i].cleanDataPath.isEmpty());
  }
  EXPECT_EQ(gDB().RptColTable(), db + "/svlrepcols.dbf");
  EXPECT_EQ(gDB().DBDefaultPath(), QDir::homePath() + QStringLiteral("/SVLData"));
}

}  // namespace
