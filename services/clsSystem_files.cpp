// clsSystem: files, folders and file dialogs.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStorageInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>

#include "platform/controls/ListViewControl.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Format.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "platform/runtime/Strings.h"
#include "services/TextLineReader.h"
#include "services/clsSystem.h"

namespace {

bool IsSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

// Makes a file error the pending error, for the error report.
void SetFileError(int32_t number, const QString& detail) {
  rt::Err().Set(number, rt::App::ProductName(),
                rt::ErrorDescription(number) + QStringLiteral(": ") + detail);
}

// The error number of an operation on `path` that failed: the folder is missing, or
// access was refused, or another file access error.
int32_t FailureNumber(const QString& path) {
  const QFileInfo info(path);
  if (!QFileInfo(info.absolutePath()).isDir()) return rt::kErrPathNotFound;
  if (info.exists() ? !info.isWritable() : !QFileInfo(info.absolutePath()).isWritable()) {
    return rt::kErrPermission;
  }
  return rt::kErrPathFileAccess;
}

// A failed copy: the error number, the system's errno and the path it concerns.
struct CopyResult {
  int32_t number = 0;
  int systemError = 0;
  QString path;
};

// Copies `src` (resolved; empty when missing) to `sDest` through a temporary file
// renamed over it when complete.
CopyResult CopyFile(const QString& src, const QString& sSrc, const QString& sDest) {
  const auto fail = [](int32_t number, int error, const QString& path) {
    return CopyResult{number, error != 0 ? error : EIO, path};
  };
  if (src.isEmpty() || !QFileInfo(src).isFile()) return fail(rt::kErrFileNotFound, ENOENT, sSrc);
  QFile in(src);
  if (!in.open(QIODevice::ReadOnly)) return fail(rt::kErrPermission, errno, sSrc);
  QSaveFile out(sDest);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(FailureNumber(sDest), errno, sDest);
  constexpr qint64 kChunk = 1 << 20;
  bool ok = true;
  while (ok && !in.atEnd()) {
    const QByteArray chunk = in.read(kChunk);
    ok = in.error() == QFileDevice::NoError && out.write(chunk) == chunk.size();
  }
  if (!ok || !out.commit()) {
    const int error = errno;
    out.cancelWriting();
    // A disk without room for the copy is named as full.
    const bool full = error == ENOSPC || error == EDQUOT ||
                      QStorageInfo(QFileInfo(sDest).absolutePath()).bytesAvailable() < in.size();
    return fail(full ? rt::kErrDiskFull : rt::kErrPathFileAccess, full ? ENOSPC : error, sDest);
  }
  QFile::setPermissions(sDest, QFile::permissions(src));
  return {};
}

// True when `path` names an entry of its folder exactly (a dangling link counts).
bool EntryExists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

// The name of the entry of `folder` called `name` apart from letter case (the exact
// name first); the empty text when there is none.
QString FindEntry(const QString& folder, const QString& name) {
  if (EntryExists(QDir(folder).filePath(name))) return name;
  const QStringList entries =
      QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& entry : entries) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
  }
  return {};
}

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return name;
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

ui::FileDialogRequest DialogRequest(bool save, const QString& title, const QString& filter,
                                    const QString& fileName, int32_t flags, QWidget* owner) {
  ui::FileDialogRequest request;
  request.save = save;
  request.title = title;
  request.filter = filter;
  request.fileName = fileName;
  request.flags = flags;
  request.owner = owner;
  return request;
}

}  // namespace

QString clsSystem::MakePath(const QString& sDirPath, const QString& sFile) const {
  if (sDirPath.isEmpty()) return sFile;
  if (IsSeparator(sDirPath.back())) return sDirPath + sFile;
  return sDirPath + QLatin1Char('/') + sFile;
}

QString clsSystem::FileNameOnly(const QString& sPath) const {
  qsizetype cut =
      std::max(sPath.lastIndexOf(QLatin1Char('/')), sPath.lastIndexOf(QLatin1Char('\\')));
  if (cut < 0) cut = sPath.lastIndexOf(QLatin1Char(':'));
  return cut < 0 ? sPath : sPath.mid(cut + 1);
}

QString clsSystem::ResolvePathCase(const QString& sPath) const {
  if (sPath.isEmpty()) return {};
  if (EntryExists(sPath)) return sPath;
  QString current = sPath.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
  for (const QString& part : sPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    QString name = part;
    if (part != QLatin1String(".") && part != QLatin1String("..")) {
      name = FindEntry(current.isEmpty() ? QStringLiteral(".") : current, part);
      if (name.isEmpty()) return {};
    }
    current = JoinPath(current, name);
  }
  return current;
}

bool clsSystem::DirExists(const QString& sDir) const {
  if (sDir.isEmpty()) return false;
  const QString path = ResolvePathCase(sDir);
  return !path.isEmpty() && QFileInfo(path).isDir();
}

bool clsSystem::CreateDir(const QString& sDirPath, bool bShowErrors) {
  if (sDirPath.isEmpty()) return false;
  if (QDir().mkdir(sDirPath)) return true;
  if (bShowErrors) {
    SetFileError(QFileInfo(sDirPath).exists() ? rt::kErrPathFileAccess : FailureNumber(sDirPath),
                 sDirPath);
    ShowError(QStringLiteral("cls_CreateDir"));
  }
  return false;
}

namespace {

// Deletes the contents of `dir` and then `dir`; false at the first entry that stays.
bool DeleteTree(const QString& dir) {
  QFile::setPermissions(dir, QFile::permissions(dir) | QFileDevice::ReadOwner |
                                 QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  const QFileInfoList entries = QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                        QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo& entry : entries) {
    const QString path = entry.filePath();
    if (entry.isSymLink() || !entry.isDir()) {
      if (!QFile::remove(path)) return false;  // a link goes, never what it points to
    } else if (!DeleteTree(path)) {
      return false;
    }
  }
  return QDir().rmdir(dir);
}

}  // namespace

bool clsSystem::DirDelete(const QString& sDir) {
  const QString trimmed = rt::Trim(sDir);
  if (trimmed.isEmpty() || QDir::isRelativePath(trimmed)) return false;
  if (QDir::cleanPath(trimmed) == QLatin1String("/")) return false;
  const QString dir = QDir::cleanPath(trimmed);
  const QFileInfo info(dir);
  if (info.isSymLink() || !info.isDir()) return false;
  DeleteTree(dir);
  return !QFileInfo::exists(dir);
}

bool clsSystem::FileExists(const QString& txtFilename) const {
  if (txtFilename.isEmpty()) return false;
  const QString name = FileNameOnly(txtFilename);
  if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
    const QString folderText = txtFilename.left(txtFilename.size() - name.size());
    const QString folder = folderText.isEmpty() ? QStringLiteral(".") : ResolvePathCase(folderText);
    if (folder.isEmpty()) return false;
    // Without QDir::CaseSensitive the patterns match whatever the letter case.
    return !QDir(folder, name, QDir::NoSort, QDir::Files | QDir::Hidden | QDir::System)
                .entryList()
                .isEmpty();
  }
  const QString path = ResolvePathCase(txtFilename);
  return !path.isEmpty() && QFileInfo(path).isFile();
}

int32_t clsSystem::FileCopyQuiet(const QString& sSrc, const QString& sDest, int* systemError) {
  const CopyResult r = CopyFile(ResolvePathCase(sSrc), sSrc, sDest);
  if (systemError != nullptr) *systemError = r.systemError;
  return r.number;
}

bool clsSystem::FileCopyFn(const QString& sSrc, const QString& sDest) {
  const CopyResult r = CopyFile(ResolvePathCase(sSrc), sSrc, sDest);
  if (r.number == 0) return true;
  SetFileError(r.number, r.path);
  if (r.number == rt::kErrDiskFull) {
    rt::Err().SetAdvice(QStringLiteral("The disk that holds ") + QDir::toNativeSeparators(QFileInfo(sDest).absolutePath()) +
                        QStringLiteral(" is full: ") + QFileInfo(sDest).fileName() +
                        QStringLiteral(" could not be written.\n\nFree some space on that disk, then try again."));
  }
  ShowError(QStringLiteral("clsSystem_FileCopyFn"));
  return false;
}

bool clsSystem::FileCopyFn_NonExist(const QString& sSrc, const QString& sDest) {
  // Also when the name exists in another letter case: never a second file beside it.
  if (FileExists(sDest)) return true;
  return FileCopyFn(sSrc, sDest);
}

bool clsSystem::FileRename(const QString& sSrc, const QString& sDest) {
  const QString src = ResolvePathCase(sSrc);
  int32_t failure = 0;
  if (src.isEmpty()) {
    failure = rt::kErrFileNotFound;
  } else if (EntryExists(sDest)) {
    failure = rt::kErrFileExists;
  } else if (!QFile::rename(src, sDest)) {
    failure = FailureNumber(sDest);
  }
  if (failure == 0) return true;
  SetFileError(failure, sSrc + QStringLiteral(" -> ") + sDest);
  ShowError(QStringLiteral("clsSystem_FileRename"));
  return false;
}

bool clsSystem::FileReadOnly(const QString& sFile) const {
  const QString path = ResolvePathCase(sFile);
  if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
  return !(QFile::permissions(path) & QFileDevice::WriteOwner);
}

bool clsSystem::GetFilenameOpen(QString& FileName, const QString& sFilter, const QString& sDlgTitle,
                                QWidget* hWnd) {
  return GetFilename(FileName, sFilter, 0x281804, sDlgTitle, false, hWnd);
}

bool clsSystem::GetFilenameSaveAs(QString& FileName, const QString& sFilter,
                                  const QString& sDlgTitle, QWidget* hWnd) {
  return GetFilename(FileName, sFilter, 0x280806, sDlgTitle, true, hWnd);
}

QString clsSystem::TempFolderPath() const { return AddTrailingBackslash(QDir::tempPath()); }

// The separator here is "/"; a text already ending in "/" or "\" is kept.
QString clsSystem::AddTrailingBackslash(const QString& sPath) const {
  if (sPath.isEmpty()) return QStringLiteral("/");
  return IsSeparator(sPath.back()) ? sPath : sPath + QLatin1Char('/');
}

QString clsSystem::GetTempFileName() {
  const QString folder = TempFolderPath();
  QString prefix = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().left(3);
  if (prefix.isEmpty()) prefix = rt::App::ProductName().left(3).toLower();
  // Like the platform: <prefix><4 hex digits>.tmp, trying numbers until one is free.
  constexpr quint32 kNumbers = 0xFFFF;
  const quint32 start = QRandomGenerator::global()->bounded(kNumbers);
  for (quint32 i = 0; i < kNumbers; ++i) {
    const quint32 number = (start + i) % kNumbers + 1;
    const QString path = folder + prefix +
                         QStringLiteral("%1").arg(number, 4, 16, QLatin1Char('0')).toUpper() +
                         QStringLiteral(".tmp");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return path;
    if (!QFileInfo(folder).isDir()) break;
  }
  return {};
}

bool clsSystem::GetFilename(QString& FileName, const QString& sFilter, int32_t nFlags,
                            const QString& sDlgTitle, bool bShowSave, QWidget* hWnd) {
  try {
    const std::optional<QString> chosen =
        ui::GetFileName(DialogRequest(bShowSave, sDlgTitle, sFilter, FileName, nFlags, hWnd));
    if (!chosen) return false;
    FileName = *chosen;
    return true;
  } catch (...) {
    rt::TrapError();
    ShowError(QStringLiteral("clsSystem_GetFilename"));
    ui::MsgBox(QStringLiteral("Unable to create File Open/Save dialog box."), ui::vbCritical);
    return false;
  }
}

QString clsSystem::WriteRefusal(const QString& sFile, const QString& failure) const {
  const QFileInfo target(sFile);
  const QFileInfo folder(target.absolutePath());
  QString reason = failure;
  if (sFile.isEmpty()) {
    reason = QStringLiteral("No file name was given.");
  } else if (target.isDir()) {
    reason = QStringLiteral("It is a folder, not a file.");
  } else if (target.exists() && (!target.isWritable() || FileReadOnly(sFile))) {
    reason = QStringLiteral("The file is read-only.");
  } else if (!folder.isDir()) {
    reason = QStringLiteral("The folder ") + folder.filePath() + QStringLiteral(" does not exist.");
  } else if (!folder.isWritable()) {
    reason = QStringLiteral("The folder ") + folder.filePath() + QStringLiteral(" does not allow new files.");
  }
  if (reason.isEmpty()) return {};
  if (!reason.endsWith(u'.')) reason += u'.';
  return QStringLiteral("Unable to write to : ") + sFile + QStringLiteral(". ") + reason;
}

bool clsSystem::WriteToFile(const QString& sBuf, const QString& sFile, bool bDisplayError) {
  QSaveFile file(sFile);
  QString refusal = WriteRefusal(sFile);
  if (refusal.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    refusal = WriteRefusal(sFile, file.errorString());
  }
  if (!refusal.isEmpty()) {
    if (bDisplayError) ui::MsgBox(refusal, ui::vbExclamation);
    return false;
  }
  const QByteArray bytes = sBuf.toUtf8();
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    file.cancelWriting();
    SetFileError(rt::kErrPathFileAccess, sFile);
    ShowError(QStringLiteral("clsSystem_WriteToFile"));
    return false;
  }
  return true;
}

bool clsSystem::DeleteFile(const QString& sFile, bool bDisplayError) {
  if (sFile.contains(QLatin1Char('*'))) return false;
  if (!EntryExists(sFile)) return true;
  if (QFile::remove(sFile)) return true;
  if (bDisplayError) {
    SetFileError(QFileInfo(sFile).isDir() ? rt::kErrPathFileAccess : FailureNumber(sFile), sFile);
    ShowError(QStringLiteral("clsSystem_DeleteFile"));
  }
  return false;
}

QString clsSystem::GetSaveFileName(const QString& sTitle, const QString& sFilter,
                                   const QString& sDefaultExt, const QString& FileName) {
  ui::FileDialogRequest request = DialogRequest(true, sTitle, sFilter, FileName, 0x806, nullptr);
  request.defaultExt = sDefaultExt;
  return ui::GetFileName(request).value_or(QString());
}

bool clsSystem::FileReadRowNum(const QString& sFilePath, int32_t nRowNum, QString& sLine) {
  ui::ScopedHourglass hourglass;
  if (nRowNum < 1) return false;
  const QString path = ResolvePathCase(sFilePath);
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return false;
  TextLineReader reader(file);
  TextEncoding encoding;
  QByteArray line;
  QByteArray found;
  int32_t row = 0;
  // Every line is read: the whole file decides the encoding.
  while (reader.Next(line)) {
    encoding.Note(line);
    if (++row == nRowNum) found = row == 1 && line.startsWith("\xEF\xBB\xBF") ? line.mid(3) : line;
  }
  if (row < nRowNum) return false;
  sLine = rt::Trim(encoding.Decode(found));
  return true;
}

bool clsSystem::FileRead(QString& txtDocBuf, const QString& txtDocPath) {
  const QString path = ResolvePathCase(txtDocPath);
  if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    SetFileError(rt::kErrPermission, txtDocPath);
    ShowError(QStringLiteral("clsSystem_FileRead"));
    return false;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    SetFileError(rt::kErrPathFileAccess, txtDocPath);
    ShowError(QStringLiteral("clsSystem_FileRead"));
    return false;
  }
  txtDocBuf = DecodeTextBytes(bytes);
  return true;
}

// kb = bytes / 1024: "#,###,###" + " KB" from 1 KB on, "1 KB" below.
QString clsSystem::FileSizeKBText(qint64 nBytes) const {
  const double kb = static_cast<double>(nBytes) / 1024.0;
  if (kb < 1) return QStringLiteral("1 KB");
  return rt::Format(kb, QStringLiteral("#,###,###")) + QStringLiteral(" KB");
}

QString clsSystem::FileTimeToDisplay(const QDateTime& fileTime) const {
  if (!fileTime.isValid()) return {};
  const QDateTime local = fileTime.toLocalTime();
  return rt::Format(local, QStringLiteral("Short Date")) + QLatin1Char(' ') +
         rt::Format(local, QStringLiteral("h:mm AMPM"));
}

void clsSystem::LvAddFileItem(ctl::ListViewControl& lv, const QFileInfo& entry,
                              const QString& sFolder) {
  const QString name = entry.fileName();
  if (name == QLatin1String(".") || name == QLatin1String("..")) return;
  static const QMimeDatabase mimeTypes;
  const QString typeName = mimeTypes.mimeTypeForFile(MakePath(sFolder, name)).comment();
  ctl::ListItem& item = lv.ListItems().Add(0, QString(), name.toLower());
  item.SetSubItems(1, FileSizeKBText(entry.size()));
  item.SetSubItems(2, typeName.toLower());
  item.SetSubItems(3, FileTimeToDisplay(entry.lastModified()));
}

void clsSystem::LvGetFileList(ctl::ListViewControl& lv, const QString& sFolder) {
  ui::ScopedHourglass hourglass;
  try {
    if (sFolder.isEmpty()) return;
    lv.ListItems().Clear();
    const QString folder = ResolvePathCase(sFolder);
    if (folder.isEmpty()) return;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    constexpr int kBatch = 20;
    int added = 0;
    for (const QFileInfo& entry : entries) {
      LvAddFileItem(lv, entry, folder);
      if (++added == kBatch) {
        lv.repaint();
        QCoreApplication::processEvents();
        added = 0;
      }
    }
  } catch (...) {
    rt::TrapError();
    ShowError(QStringLiteral("clsSystem_lvGetFileList"));
  }
}
