// clsDB: the object's state, the engine, opening one table, opening, creating and
// closing a database folder, the folder checks and the remembered last folder.

#include <QDir>
#include <QFile>
#include <QtDebug>

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/store/Maintenance.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"
#include "services/mdlHelper.h"
#include "services/mdlRegistry.h"

namespace {

constexpr char kLastDBKey[] = "Software\\Dornvale\\Stovrel\\DB";

// The data files of a database, in the order the folder checks list them.
constexpr const char* kDataFiles[] = {
    "svlprod.dbf", "svlprod.cdx", "svlprod.fpt", "svltran.dbf", "svltran.cdx", "svltran.fpt",
    "svluser.dbf", "svluser.cdx", "svluser.fpt", "svlparam.dbf", "svlparam.cdx", "svlparam.fpt",
    "svlid.dbf", "svlid.cdx", "svlcat.dbf", "svlcat.cdx"};

// Template → data file, in the order a new database is copied.
constexpr const char* kNewDBCopies[][2] = {
    {"svlid.cd_", "svlid.cdx"},       {"svlid.db_", "svlid.dbf"},       {"svlprod.cd_", "svlprod.cdx"},
    {"svlprod.db_", "svlprod.dbf"},   {"svlprod.fp_", "svlprod.fpt"},   {"svltran.cd_", "svltran.cdx"},
    {"svltran.db_", "svltran.dbf"},   {"svltran.fp_", "svltran.fpt"},   {"svlcat.cd_", "svlcat.cdx"},
    {"svlcat.db_", "svlcat.dbf"},     {"svlparam.db_", "svlparam.dbf"}, {"svlparam.cd_", "svlparam.cdx"},
    {"svlparam.fp_", "svlparam.fpt"}, {"svluser.db_", "svluser.dbf"},   {"svluser.cd_", "svluser.cdx"},
    {"svluser.fp_", "svluser.fpt"}};

const QString kOpenHelpText = QStringLiteral(
    "If you have not previously created stovrel database, please choose File, New Database... menu or "
    "if you have moved the stovrel database files to another location choose File, Open Database... "
    "menu and select the directory that contains these files.");

QString LF(int n) { return gSystem().LF(n); }

// The data files that exist (wantPresent) or are missing, one name and a line feed each.
QString ListFiles(const QString& sDir, bool wantPresent) {
  QString list;
  for (const char* name : kDataFiles) {
    const bool present = mdlHelper::HlpFileExists(gSystem().MakePath(sDir, QLatin1String(name)));
    if (present == wantPresent) list += QLatin1String(name) + LF(1);
  }
  return list;
}

void CopyTemplate(const QString& src, const QString& dest) {
  if (!QFile::exists(src)) {
    throw rt::VbError(rt::kErrFileNotFound, rt::App::ProductName(),
                      rt::ErrorDescription(rt::kErrFileNotFound) + QStringLiteral(": ") + src);
  }
  QFile in(src);
  if (!in.copy(dest)) {
    throw rt::VbError(rt::kErrPathFileAccess, rt::App::ProductName(),
                      rt::ErrorDescription(rt::kErrPathFileAccess) + QStringLiteral(": ") + dest);
  }
}

}  // namespace

clsDB& gDB() {
  static clsDB db;
  return db;
}

clsDB::~clsDB() { ReleaseEngine(); }

void clsDB::SetLastEngineResult(int rc) { m_engine.Record(rc); }

store::Session clsDB::Session() const { return store::Session(m_engine, m_sDBPath, &dbaccess::FileIn); }

void clsDB::ReleaseEngine() {
  EndBatch();
  if (m_engine.code != nullptr) d4initUndo(m_engine.code);
  // Forget the released engine: a table opened on it later would use freed memory.
  m_engine.code = nullptr;
  m_engine.lastResult = -1;
}

// An existing file is named as it is spelled on disk, so that every operation (the
// engine's too) finds it and nothing writes a second file beside it.
QString clsDB::DataPath(const char* file) const {
  if (!InBatch()) return dbaccess::FileIn(m_sDBPath, QLatin1String(file));
  auto [at, added] = m_batch.paths.try_emplace(file);
  if (added) at->second = dbaccess::FileIn(m_sDBPath, QLatin1String(file));
  return at->second;
}

QString clsDB::ProgramPath(const char* file) const {
  return gSystem().MakePath(rt::App::Path(), QLatin1String(file));
}

store::Table clsDB::OpenTable(const QString& sTablePath) {
  // Also for tables that do not come from DataPath (those of older layouts).
  QString path = gSystem().ResolvePathCase(sTablePath);
  if (path.isEmpty()) path = sTablePath;
  store::Table tb = store::Table::Open(m_engine, path);
  if (!tb.ok()) {
    ui::MsgBox(QStringLiteral("Unable to open: ") + store::NotOpenedText(sTablePath, m_engine.code, tb.failure().code), ui::vbCritical);
  }
  return tb;
}

bool clsDB::OpenDB(const QString& sDBPath) {
  gSystem().UnloadAll(QStringLiteral("MAINFORM"));
  m_sDBPath = sDBPath;
  // An engine still running (a database opened twice) is released first, tables and all.
  if (m_engine.code != nullptr) {
    ReleaseEngine();
    m_bIsOpen = false;
  }
  // The engine's repairs of what a writer stopped part-way left go to the log.
  xb::repairHook = [](const std::string& table, const std::string& what) {
    qWarning().noquote() << QString::fromStdString(table) + QStringLiteral(": ") + QString::fromStdString(what);
  };
  m_engine.code = d4init_v();
  if (m_engine.code == nullptr) {
    ui::MsgBox(QStringLiteral("CODE4 could NOT be initialized!"), ui::vbCritical);
    return false;
  }
  SetLastEngineResult(code4accessMode(m_engine.code, 0));
  SetLastEngineResult(code4readOnly(m_engine.code, 0));
  SetLastEngineResult(code4readLock(m_engine.code, 0));
  SetLastEngineResult(code4lockEnforce(m_engine.code, 1));
  SetLastEngineResult(code4lockDelay(m_engine.code, 100));
  SetLastEngineResult(code4lockAttempts(m_engine.code, 10));
  SetLastEngineResult(code4optimizeWrite(m_engine.code, 0));

  bool ok = CheckFilesAndUpgrade(sDBPath);
  if (ok) {
    // Every copy holds the session lock shared; an upgrade or re-index holds it
    // exclusively, so no copy opens the folder meanwhile.
    const store::Status held = store::HoldSession(Session(), LastIdTable(), false);
    if (held.is(store::Failure::kLocked)) {
      ui::MsgBox(QStringLiteral("Unable to open: ") + sDBPath +
                     QStringLiteral("\n\nThe database is in use for maintenance (re-indexing or upgrading) by "
                                    "another user. Please try again when it is finished."),
                 ui::vbCritical);
      ok = false;
    } else if (!held.ok()) {
      dbaccess::Report(held, "clsDB_OpenDB");
      ok = false;
    }
  }
  if (!ok) {
    ReleaseEngine();
    return false;
  }
  SetLastDBDir(m_sDBPath);
  m_bIsOpen = true;
  return true;
}

bool clsDB::CloseDB() {
  if (!m_bIsOpen) return false;
  gSystem().UnloadAll(QStringLiteral("MAINFORM"));
  m_bIsOpen = false;
  m_sDBPath.clear();
  ReleaseEngine();
  return false;
}

bool clsDB::NewDB(const QString& sDBPath) {
  try {
    if (!DirIsClean(sDBPath)) return false;
    for (const auto& copy : kNewDBCopies) {
      CopyTemplate(ProgramPath(copy[0]), gSystem().MakePath(sDBPath, QLatin1String(copy[1])));
    }
    return OpenDB(sDBPath);
  } catch (...) {
    rt::TrapError();
    m_bIsOpen = false;
    const rt::ErrObject& e = rt::Err();
    ui::MsgBox(QStringLiteral("Error # ") + QStringLiteral(" %1").arg(e.Number()) +
                   QStringLiteral(" was generated by ") + e.Source() + QStringLiteral("\r") + e.Description(),
               ui::vbCritical, QStringLiteral("Error"), e.HelpFile(), e.HelpContext());
    return false;
  }
}

bool clsDB::OpenLastDB() {
  const QString sDir = GetLastDBDir();
  if (sDir.isEmpty()) return false;
  if (mdlHelper::HlpDirExists(sDir)) return OpenDB(sDir);
  gSystem().ShowMsg(QStringLiteral("OPEN FAILED!") + LF(2) + QStringLiteral("Directory '") + sDir +
                        QStringLiteral("' does not exist!") + LF(2) + kOpenHelpText,
                    3, -1);
  return false;
}

bool clsDB::DirContainsValidData(const QString& sDir) {
  try {
    const QString missing = ListFiles(sDir, false);
    if (missing.isEmpty()) return true;
    gSystem().ShowMsg(QStringLiteral("OPEN FAILED!") + LF(2) +
                          QStringLiteral("The following data files are missing from the directory '") + sDir +
                          QStringLiteral("':") + LF(2) + missing + LF(1) + kOpenHelpText,
                      3, -1);
    return false;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_DirContainsValidData");
    return false;
  }
}

bool clsDB::DirIsClean(const QString& sDir) {
  const QString present = ListFiles(sDir, true);
  if (present.isEmpty()) return true;
  gSystem().ShowMsg(QStringLiteral("NEW DATABASE CREATION FAILED!") + LF(2) +
                        QStringLiteral("The following data files already exist in the directory '") + sDir +
                        QStringLiteral("':") + LF(2) + present + LF(1) +
                        QStringLiteral("Please select a directory that does not already contain stovrel "
                                       "database or choose File, Open Database... menu to open an existing "
                                       "database."),
                    3, -1);
  return false;
}

void clsDB::SetLastDBDir(const QString& sDir) {
  mdlRegistry::RegSaveString(QLatin1String(kLastDBKey), sDir, QString());
}

QString clsDB::GetLastDBDir() const {
  QString value;
  if (!mdlRegistry::RegGetString(HKEY_CURRENT_USER, QLatin1String(kLastDBKey), QString(), value)) return {};
  return value;
}

void clsDB::ClearLastDBDir() { SetLastDBDir(QString()); }

QString clsDB::DBDefaultPath() const { return QDir::homePath() + QStringLiteral("/SVLData"); }

QList<clsDBFile> clsDB::DataFilePaths() const {
  auto make = [](const QString& table, const QString& index, const QString& source) {
    clsDBFile f;
    f.dataFilePath = table;
    f.indexFilePath = index;
    f.cleanIndexPath = source;
    return f;
  };
  return {make(CategoryTable(), CategoryTableIndex(), CategoryTableIndexSource()),
          make(LastIdTable(), LastIdTableIndex(), LastIdTableIndexSource()),
          make(ParamTable(), ParamTableIndex(), ParamTableIndexSource()),
          make(ProductsTable(), ProductsTableIndex(), ProductsTableIndexSource()),
          make(TranTable(), TranTableIndex(), TranTableIndexSource())};
}
