#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <functional>

#include "platform/controls/GridControl.h"
#include "platform/controls/ListViewControl.h"
#include "platform/runtime/Error.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/ui/WaitCursor.h"
#include "services/clsSystem.h"
#include "services/mdlFolderSelection.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class FilesTest : public uitest::ScriptedTest {
 protected:
  void SetUp() override {
    rt::Err().Clear();
    dir = testenv::NewTempDir(QStringLiteral("files"));
  }
  void TearDown() override {
    rt::Err().Clear();
    ScriptedTest::TearDown();
  }
  QString At(const QString& name) const { return dir + QLatin1Char('/') + name; }

  clsSystem& sys = gSystem();
  QString dir;
};

TEST_F(FilesTest, MakePathPutsOneSeparatorBetweenFolderAndFile) {
  const struct {
    const char* folder;
    const char* file;
    const char* expected;
  } cases[] = {
      {"", "a.dbf", "a.dbf"},
      {"/data", "a.dbf", "/data/a.dbf"},
      {"/data/", "a.dbf", "/data/a.dbf"},
      {"C:", "a.dbf", "C:/a.dbf"},
      {"C:\\data\\", "a.dbf", "C:\\data\\a.dbf"},
      {"/data", "/a.dbf", "/data//a.dbf"},  // nothing is stripped
      {"/data", "", "/data/"},
      {" /data ", "a.dbf", " /data /a.dbf"},  // nor trimmed
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sys.MakePath(QString::fromUtf8(c.folder), QString::fromUtf8(c.file)),
              QString::fromUtf8(c.expected))
        << c.folder << " + " << c.file;
  }
}

TEST_F(FilesTest, FileNameOnlyTakesThePartAfterTheLastSeparator) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"C:\\a\\b.txt", "b.txt"},  {"C:b.txt", "b.txt"}, {"b.txt", "b.txt"},
      {"/home/u/b.txt", "b.txt"}, {"/home/u/", ""},     {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sys.FileNameOnly(QString::fromUtf8(c.path)), QString::fromUtf8(c.expected)) << c.path;
  }
}

TEST_F(FilesTest, NamesAreFoundWhateverTheirLetterCase) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("SVLData")));
  WriteBytes(At(QStringLiteral("SVLData/SVLPROD.DBF")), "x");
  EXPECT_TRUE(sys.FileExists(At(QStringLiteral("svldata/svlprod.dbf"))));
  EXPECT_TRUE(sys.FileExists(At(QStringLiteral("SVLData/SvlProd.Dbf"))));
  EXPECT_TRUE(sys.DirExists(At(QStringLiteral("svldata"))));
  EXPECT_EQ(sys.ResolvePathCase(At(QStringLiteral("svldata/svlprod.dbf"))),
            At(QStringLiteral("SVLData/SVLPROD.DBF")));
  EXPECT_FALSE(sys.FileExists(At(QStringLiteral("svldata/svltran.dbf"))));
  EXPECT_EQ(sys.ResolvePathCase(At(QStringLiteral("nothing/svlprod.dbf"))), QString());

  QString text;
  EXPECT_TRUE(sys.FileRead(text, At(QStringLiteral("svldata/svlprod.dbf"))));
  EXPECT_EQ(text, QStringLiteral("x"));
  // The source of a copy is an existing file too.
  EXPECT_TRUE(
      sys.FileCopyFn(At(QStringLiteral("svldata/svlprod.dbf")), At(QStringLiteral("copy.dbf"))));
  EXPECT_EQ(ReadBytes(At(QStringLiteral("copy.dbf"))), "x");
}

TEST_F(FilesTest, AnExactNameIsPreferredToOneThatDiffersInCase) {
  WriteBytes(At(QStringLiteral("a.txt")), "lower");
  WriteBytes(At(QStringLiteral("A.TXT")), "upper");
  QString text;
  ASSERT_TRUE(sys.FileRead(text, At(QStringLiteral("A.TXT"))));
  EXPECT_EQ(text, QStringLiteral("upper"));
}

TEST_F(FilesTest, FilesAndFoldersAreToldApart) {
  WriteBytes(At(QStringLiteral("plain.txt")), "x");
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("sub")));
  EXPECT_FALSE(sys.DirExists(At(QStringLiteral("plain.txt"))));
  EXPECT_TRUE(sys.DirExists(At(QStringLiteral("sub"))));
  EXPECT_FALSE(sys.FileExists(At(QStringLiteral("sub"))));
  EXPECT_TRUE(sys.FileExists(At(QStringLiteral("plain.txt"))));
  EXPECT_FALSE(sys.FileExists(QString()));
  EXPECT_FALSE(sys.DirExists(QString()));
  // A pattern counts when any file matches.
  EXPECT_TRUE(sys.FileExists(At(QStringLiteral("*.TXT"))));
  EXPECT_TRUE(sys.FileExists(At(QStringLiteral("pl?in.*"))));
  EXPECT_FALSE(sys.FileExists(At(QStringLiteral("*.dbf"))));
  EXPECT_FALSE(sys.FileExists(At(QStringLiteral("su*"))));  // only a folder matches
}

TEST_F(FilesTest, CreateDirMakesOneFolder) {
  EXPECT_TRUE(sys.CreateDir(At(QStringLiteral("new"))));
  EXPECT_TRUE(sys.DirExists(At(QStringLiteral("new"))));
  EXPECT_FALSE(sys.CreateDir(At(QStringLiteral("new"))));  // exists: quietly False
  EXPECT_FALSE(sys.CreateDir(QString()));
  prompts->ExpectContaining(QStringLiteral("cls_CreateDir"));
  EXPECT_FALSE(sys.CreateDir(At(QStringLiteral("missing/child")), true));
}

TEST_F(FilesTest, DirDeleteRemovesATreeButNeverWhatALinkPointsTo) {
  const QString outside = testenv::NewTempDir(QStringLiteral("outside"));
  WriteBytes(outside + QStringLiteral("/keep.txt"), "keep");
  const QString tree = At(QStringLiteral("tree"));
  ASSERT_TRUE(QDir().mkpath(tree + QStringLiteral("/a/b")));
  WriteBytes(tree + QStringLiteral("/top.txt"), "1");
  WriteBytes(tree + QStringLiteral("/a/b/.hidden"), "2");
  WriteBytes(tree + QStringLiteral("/a/ro.txt"), "3");
  QFile::setPermissions(tree + QStringLiteral("/a/ro.txt"), QFileDevice::ReadOwner);
  ASSERT_TRUE(QFile::link(outside, tree + QStringLiteral("/a/link")));

  EXPECT_TRUE(sys.DirDelete(tree));
  EXPECT_FALSE(QFileInfo::exists(tree));
  EXPECT_EQ(ReadBytes(outside + QStringLiteral("/keep.txt")), "keep");
  EXPECT_FALSE(sys.DirDelete(tree));  // already gone
}

TEST_F(FilesTest, DirDeleteRefusesDangerousPaths) {
  const QString outside = testenv::NewTempDir(QStringLiteral("target"));
  WriteBytes(outside + QStringLiteral("/keep.txt"), "keep");
  ASSERT_TRUE(QFile::link(outside, At(QStringLiteral("link"))));
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("Keep")));
  WriteBytes(At(QStringLiteral("Keep/keep.txt")), "keep");
  for (const QString& path : {QString(), QStringLiteral("   "), QStringLiteral("relative/dir"),
                              QStringLiteral("."), QStringLiteral("/"), QStringLiteral("//"),
                              QStringLiteral("/tmp/.."), At(QStringLiteral("link")),
                              At(QStringLiteral("keep"))}) {  // names "Keep" apart from case
    EXPECT_FALSE(sys.DirDelete(path)) << path.toStdString();
  }
  EXPECT_EQ(ReadBytes(outside + QStringLiteral("/keep.txt")), "keep");
  EXPECT_EQ(ReadBytes(At(QStringLiteral("Keep/keep.txt"))), "keep");
  EXPECT_TRUE(QFileInfo(At(QStringLiteral("link"))).isSymLink());
}

TEST_F(FilesTest, RenameNeverReplacesAnExistingFile) {
  WriteBytes(At(QStringLiteral("src.dbf")), "new");
  WriteBytes(At(QStringLiteral("dest.dbf")), "old");
  prompts->ExpectContaining(QStringLiteral("clsSystem_FileRename"));
  EXPECT_FALSE(sys.FileRename(At(QStringLiteral("src.dbf")), At(QStringLiteral("dest.dbf"))));
  EXPECT_EQ(ReadBytes(At(QStringLiteral("dest.dbf"))), "old");
  EXPECT_EQ(ReadBytes(At(QStringLiteral("src.dbf"))), "new");
  EXPECT_THAT(prompts->Last().text.toStdString(), HasSubstr("File already exists"));

  EXPECT_TRUE(sys.FileRename(At(QStringLiteral("SRC.DBF")), At(QStringLiteral("moved.dbf"))));
  EXPECT_EQ(ReadBytes(At(QStringLiteral("moved.dbf"))), "new");
  EXPECT_FALSE(QFileInfo::exists(At(QStringLiteral("src.dbf"))));

  prompts->ExpectContaining(QStringLiteral("clsSystem_FileRename"));
  EXPECT_FALSE(sys.FileRename(At(QStringLiteral("none.dbf")), At(QStringLiteral("x.dbf"))));
}

TEST_F(FilesTest, CopyReplacesTheTargetInPlace) {
  WriteBytes(At(QStringLiteral("svlrepcols.db_")), "template");
  WriteBytes(At(QStringLiteral("svlrepcols.dbf")), "old");
  EXPECT_TRUE(
      sys.FileCopyFn(At(QStringLiteral("SVLREPCOLS.DB_")), At(QStringLiteral("svlrepcols.dbf"))));
  EXPECT_EQ(ReadBytes(At(QStringLiteral("svlrepcols.dbf"))), "template");
  EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 2);  // no temporary file left

  WriteBytes(At(QStringLiteral("other.dbf")), "mine");
  EXPECT_TRUE(sys.FileCopyFn_NonExist(At(QStringLiteral("svlrepcols.db_")),
                                      At(QStringLiteral("OTHER.dbf"))));
  EXPECT_EQ(ReadBytes(At(QStringLiteral("other.dbf"))), "mine");

  prompts->ExpectContaining(QStringLiteral("clsSystem_FileCopyFn"));
  EXPECT_FALSE(sys.FileCopyFn(At(QStringLiteral("missing.db_")), At(QStringLiteral("x.dbf"))));
  EXPECT_FALSE(QFileInfo::exists(At(QStringLiteral("x.dbf"))));
}

TEST_F(FilesTest, DeleteFileRefusesPatternsAndAcceptsMissingFiles) {
  WriteBytes(At(QStringLiteral("a.txt")), "x");
  EXPECT_FALSE(sys.DeleteFile(At(QStringLiteral("*.txt")), true));
  EXPECT_TRUE(QFileInfo::exists(At(QStringLiteral("a.txt"))));
  EXPECT_TRUE(sys.DeleteFile(At(QStringLiteral("missing.txt")), true));
  EXPECT_TRUE(sys.DeleteFile(At(QStringLiteral("a.txt")), true));
  EXPECT_FALSE(QFileInfo::exists(At(QStringLiteral("a.txt"))));
}

TEST_F(FilesTest, FileReadOnlyFollowsTheOwnersWritePermission) {
  WriteBytes(At(QStringLiteral("ro.txt")), "x");
  WriteBytes(At(QStringLiteral("rw.txt")), "x");
  QFile::setPermissions(At(QStringLiteral("ro.txt")),
                        QFileDevice::ReadOwner | QFileDevice::ReadGroup);
  EXPECT_TRUE(sys.FileReadOnly(At(QStringLiteral("RO.TXT"))));
  EXPECT_FALSE(sys.FileReadOnly(At(QStringLiteral("rw.txt"))));
  EXPECT_FALSE(sys.FileReadOnly(At(QStringLiteral("missing.txt"))));
}

TEST_F(FilesTest, WriteToFileReplacesTheWholeContent) {
  const QString path = At(QStringLiteral("note.txt"));
  WriteBytes(path, "a much longer old content");
  EXPECT_TRUE(sys.WriteToFile(QStringLiteral("Grüße"), path, true));
  EXPECT_EQ(ReadBytes(path), QStringLiteral("Grüße").toUtf8());
  EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("note.txt")});
  EXPECT_TRUE(sys.WriteToFile(QString(), At(QStringLiteral("new.txt")), true));
  EXPECT_EQ(ReadBytes(At(QStringLiteral("new.txt"))), QByteArray());
}

TEST_F(FilesTest, WriteToFileThatCannotBeWrittenWarnsOnlyWhenAsked) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("folder")));
  const QString target = At(QStringLiteral("folder"));
  prompts->Expect(QStringLiteral("Unable to write to : ") + target + QStringLiteral(". It is a folder, not a file."));
  EXPECT_FALSE(sys.WriteToFile(QStringLiteral("x"), target, true));
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_FALSE(sys.WriteToFile(QStringLiteral("x"), At(QStringLiteral("no/such/file.txt")), false));
  EXPECT_TRUE(QFileInfo(target).isDir());
}

// Writes that fail half-way (the file size limit is hit) leave the old file as it was,
// whether the text is larger than any buffer or small enough to be buffered.
TEST_F(FilesTest, AFailedWriteKeepsTheOldContent) {
  const QString path = At(QStringLiteral("settings.txt"));
  WriteBytes(path, "old content");
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  for (const int size : {100000, 5000}) {
    SCOPED_TRACE(size);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    prompts->ExpectContaining(QStringLiteral("clsSystem_WriteToFile"));
    const bool written = sys.WriteToFile(QString(size, QLatin1Char('x')), path, true);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), "old content");
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("settings.txt")});
  }
  // A copy that fails the same way keeps the old target.
  WriteBytes(At(QStringLiteral("big.bin")), QByteArray(5000, 'y'));
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  prompts->ExpectContaining(QStringLiteral("clsSystem_FileCopyFn"));
  const bool copied = sys.FileCopyFn(At(QStringLiteral("big.bin")), path);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(copied);
  EXPECT_EQ(ReadBytes(path), "old content");
}

TEST_F(FilesTest, FileReadRowNumEndsLinesAtCrLfAndCrLf) {
  const struct {
    const char* name;
    QByteArray bytes;
  } files[] = {
      {"lf", QByteArray("  first  \nsecond\n\nfourth\n")},
      {"crlf", QByteArray("  first  \r\nsecond\r\n\r\nfourth\r\n")},
      {"cr", QByteArray("  first  \rsecond\r\rfourth\r")},
      {"mixed", QByteArray("  first  \r\nsecond\r\n\rfourth")},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const QString path = At(QString::fromLatin1(f.name));
    WriteBytes(path, f.bytes);
    const struct {
      int32_t row;
      bool found;
      const char* line;
    } rows[] = {{0, false, ""},      {1, true, "first"}, {2, true, "second"}, {3, true, ""},
                {4, true, "fourth"}, {5, false, ""},     {-1, false, ""}};
    for (const auto& r : rows) {
      QString line = QStringLiteral("unchanged");
      EXPECT_EQ(sys.FileReadRowNum(path, r.row, line), r.found) << r.row;
      EXPECT_EQ(line, r.found ? QString::fromLatin1(r.line) : QStringLiteral("unchanged")) << r.row;
    }
    EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  }
}

TEST_F(FilesTest, FileReadRowNumDecodesUtf8OrCodePage1252) {
  WriteBytes(At(QStringLiteral("utf8.csv")), "\xEF\xBB\xBFPARTNUMBER,NAME\nA1,Caf\xC3\xA9\n");
  WriteBytes(At(QStringLiteral("ansi.csv")), "PARTNUMBER\nA1,Caf\xE9 \x80\nB\xC3\xA9\n");
  QString line;
  ASSERT_TRUE(sys.FileReadRowNum(At(QStringLiteral("utf8.csv")), 1, line));
  EXPECT_EQ(line, QStringLiteral("PARTNUMBER,NAME"));
  ASSERT_TRUE(sys.FileReadRowNum(At(QStringLiteral("utf8.csv")), 2, line));
  EXPECT_EQ(line, QStringLiteral("A1,Café"));
  ASSERT_TRUE(sys.FileReadRowNum(At(QStringLiteral("ansi.csv")), 2, line));
  EXPECT_EQ(line, QStringLiteral("A1,Café €"));
  ASSERT_TRUE(sys.FileReadRowNum(At(QStringLiteral("ansi.csv")), 3, line));  // valid UTF-8 alone
  EXPECT_EQ(line, QStringLiteral("BÃ©"));
  EXPECT_FALSE(sys.FileReadRowNum(At(QStringLiteral("missing.csv")), 1, line));
  EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
}

TEST_F(FilesTest, FileReadReadsTheWholeFile) {
  WriteBytes(At(QStringLiteral("a.txt")), "line 1\r\nline 2 \xE9");
  QString text = QStringLiteral("unchanged");
  ASSERT_TRUE(sys.FileRead(text, At(QStringLiteral("a.txt"))));
  EXPECT_EQ(text, QStringLiteral("line 1\r\nline 2 é"));
  rt::Err().Set(5, QStringLiteral("x"), QStringLiteral("stale"));  // not reported again
  EXPECT_FALSE(sys.FileRead(text, At(QStringLiteral("missing.txt"))));
  EXPECT_EQ(text, QStringLiteral("line 1\r\nline 2 é"));
}

TEST_F(FilesTest, TemporaryFilesAreNewEmptyAndEndInTmp) {
  const QByteArray previous = qgetenv("TMPDIR");
  qputenv("TMPDIR", dir.toUtf8());
  const QString first = sys.GetTempFileName();
  const QString second = sys.GetTempFileName();
  qputenv("TMPDIR", previous);
  EXPECT_THAT(first.toStdString(), StartsWith(dir.toStdString() + "/"));
  EXPECT_TRUE(first.endsWith(QStringLiteral(".tmp")));
  EXPECT_NE(first, second);
  for (const QString& path : {first, second}) {
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).size(), 0);
  }
  // Callers derive their own file name from it.
  EXPECT_TRUE(QString(first)
                  .replace(QStringLiteral(".tmp"), QStringLiteral(" - Product import.csv"))
                  .endsWith(QStringLiteral(" - Product import.csv")));
}

TEST_F(FilesTest, FileListShowsNameSizeTypeAndTime) {
  const struct {
    const char* name;
    qint64 bytes;
    const char* size;
  } files[] = {{"Empty.TXT", 0, "1 KB"},    {"b1023.txt", 1023, "1 KB"},
               {"c1024.txt", 1024, "1 KB"}, {"d1536.txt", 1536, "2 KB"},
               {"e3072.txt", 3072, "3 KB"}, {"f1m.bin", 1048576, "1,024 KB"}};
  for (const auto& f : files) WriteBytes(At(QString::fromLatin1(f.name)), QByteArray(f.bytes, 'x'));
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("Sub")));
  const QDateTime stamp(QDate(2026, 3, 2), QTime(14, 5, 59));
  {
    QFile file(At(QStringLiteral("b1023.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
  }
  ctl::ListViewControl lv;
  lv.SetView(ctl::lvwReport);
  for (int i = 0; i < 4; ++i) lv.ColumnHeaders().Add();
  lv.ListItems().Add(0, {}, QStringLiteral("stale row"));

  sys.LvGetFileList(lv, dir);
  EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  ASSERT_EQ(lv.ListItems().Count(), 7);  // the folder is listed like a file
  QMap<QString, const ctl::ListItem*> rows;
  for (int i = 1; i <= lv.ListItems().Count(); ++i)
    rows[lv.ListItems().Item(i).Text()] = &lv.ListItems().Item(i);
  for (const auto& f : files) {
    const QString name = QString::fromLatin1(f.name).toLower();
    ASSERT_TRUE(rows.contains(name)) << f.name;
    EXPECT_EQ(rows[name]->SubItems(1), QString::fromLatin1(f.size)) << f.name;
    EXPECT_EQ(rows[name]->SubItems(2), rows[name]->SubItems(2).toLower());
  }
  EXPECT_TRUE(rows.contains(QStringLiteral("sub")));
  EXPECT_EQ(rows[QStringLiteral("b1023.txt")]->SubItems(3), QStringLiteral("3/2/2026 2:05 PM"));
  EXPECT_FALSE(rows[QStringLiteral("b1023.txt")]->SubItems(2).isEmpty());

  sys.LvGetFileList(lv, QString());  // an empty folder text leaves the list alone
  EXPECT_EQ(lv.ListItems().Count(), 7);
}

class FileDialogTest : public FilesTest {
 protected:
  ui::test::ScopedFakeFileDialogs dialogs;
};

TEST_F(FileDialogTest, GetFilenameHandsBackTheChosenPath) {
  dialogs->Choose(QStringLiteral("/home/u/products.csv"));
  QString name = QStringLiteral("All Products");
  EXPECT_TRUE(sys.GetFilenameSaveAs(
      name, QStringLiteral("Comma Separated Value File (*.csv)|*.csv"), QStringLiteral("Save As")));
  EXPECT_EQ(name, QStringLiteral("/home/u/products.csv"));
  ASSERT_EQ(dialogs->FileRequests().size(), 1);
  const ui::FileDialogRequest& r = dialogs->FileRequests().first();
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.flags, 0x280806);
  EXPECT_EQ(r.fileName, QStringLiteral("All Products"));
  EXPECT_EQ(r.title, QStringLiteral("Save As"));
  EXPECT_EQ(r.filter, QStringLiteral("Comma Separated Value File (*.csv)|*.csv"));
}

TEST_F(FileDialogTest, CancelLeavesTheNameAndShowsNothing) {
  dialogs->Cancel().Cancel().Cancel();
  QString name = QStringLiteral("start.csv");
  EXPECT_FALSE(sys.GetFilename(name, QStringLiteral("MS Excel Comma Delimited File (*.csv)|*.csv"),
                               0x280804, QStringLiteral("Open Product Import file")));
  EXPECT_EQ(name, QStringLiteral("start.csv"));
  EXPECT_FALSE(sys.GetFilenameOpen(name, QStringLiteral("*.*"), QStringLiteral("Open")));
  EXPECT_EQ(dialogs->FileRequests().last().flags, 0x281804);
  EXPECT_FALSE(dialogs->FileRequests().last().save);
  EXPECT_EQ(
      sys.GetSaveFileName(QStringLiteral("Save As"), QStringLiteral("Text Document (*.txt)|*.txt"),
                          QStringLiteral("rtf"), QStringLiteral("Untitled 1")),
      QString());
  EXPECT_EQ(dialogs->FileRequests().last().defaultExt, QStringLiteral("rtf"));
  EXPECT_EQ(dialogs->FileRequests().last().flags, 0x806);
  EXPECT_THAT(prompts->Shown(), IsEmpty());
  EXPECT_THAT(dialogs->Unexpected(), IsEmpty());
}

// A target named by the caller (a name the user chose) is used exactly: beside an
// existing OUT.CSV, "out.csv" is another file, written, copied or renamed to as a new
// one; deleting it deletes nothing; the Save As of a grid writes and opens it.
TEST_F(FileDialogTest, ATargetDifferingOnlyInLetterCaseIsAnotherFile) {
  ui::test::ScopedFakeShell shell;
  using Run = std::function<bool(const QString& src, const QString& target)>;
  const struct {
    const char* what;
    Run run;
    const char* written;  // in the new file; nullptr: no new file
  } cases[] = {
      {"WriteToFile",
       [&](const QString&, const QString& t) {
         return sys.WriteToFile(QStringLiteral("new"), t, true);
       },
       "new"},
      {"FileCopyFn", [&](const QString& src, const QString& t) { return sys.FileCopyFn(src, t); },
       "new"},
      {"FileRename", [&](const QString& src, const QString& t) { return sys.FileRename(src, t); },
       "new"},
      {"DeleteFile", [&](const QString&, const QString& t) { return sys.DeleteFile(t, true); },
       nullptr},
      {"SaveGrid",
       [&](const QString&, const QString& t) {
         ctl::GridControl g;
         g.setTextMatrix(0, 0, QStringLiteral("new"));
         dialogs->Choose(t);
         prompts->Answer(ui::vbYes);  // open the file now
         sys.SaveGrid(g, 0, 0, 0, 0);
         return !shell->Calls().isEmpty() && shell->Calls().last().file == t;
       },
       "\"new\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString folder = At(QLatin1String(c.what));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString src = folder + QStringLiteral("/src.txt");
    const QString old = folder + QStringLiteral("/OUT.CSV");
    const QString target = folder + QStringLiteral("/out.csv");
    WriteBytes(src, "new");
    WriteBytes(old, "old");
    EXPECT_TRUE(c.run(src, target));
    EXPECT_EQ(ReadBytes(old), "old");
    if (c.written != nullptr) {
      EXPECT_THAT(ReadBytes(target).toStdString(), HasSubstr(c.written));
    } else {
      EXPECT_FALSE(QFileInfo::exists(target));
    }
  }
}

TEST_F(FileDialogTest, BrowseForFolderAsksForAFolder) {
  dialogs->Choose(QStringLiteral("/home/u/SVLData")).Cancel();
  const QString title = QStringLiteral(
      "NEW DATABASE: Please select the Directory where you want to store the new Stovrel "
      "database:");
  EXPECT_EQ(
      mdlFolderSelection::BrowseForFolder(nullptr, QStringLiteral("/home/u"), title, false, true),
      QStringLiteral("/home/u/SVLData"));
  EXPECT_EQ(mdlFolderSelection::BrowseForFolder(nullptr, QString(), title, true, false), QString());
  ASSERT_EQ(dialogs->FolderRequests().size(), 2);
  EXPECT_EQ(dialogs->FolderRequests()[0].startFolder, QStringLiteral("/home/u"));
  EXPECT_EQ(dialogs->FolderRequests()[0].title, title);
  EXPECT_FALSE(dialogs->FolderRequests()[0].includeFiles);
  EXPECT_TRUE(dialogs->FolderRequests()[1].includeFiles);
}

}  // namespace
