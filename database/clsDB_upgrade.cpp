// clsDB: the check a folder passes before it counts as open, and the upgrade of older
// folders to the current version: the oldest layout (lastid.dbf, products.dbf,
// trans.dbf) converted in a staging folder and moved into place, then the version
// steps 3 to 4 (clsDB_upgrade_copy.cpp), 5 (built-in reports) and 6 (catalogue).

#include <QDir>
#include <QFile>

#include <cstdio>
#include <utility>

#include "database/BackupMsg.h"
#include "database/DbAccess.h"
#include "database/Schema.h"
#include "database/UpgradeStops.h"
#include "database/clsDB.h"
#include "database/clsDB_upgrade_internal.h"
#include "database/store/Maintenance.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/ScopeGuard.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"

namespace {

dbupgrade::StopHook& Hook() {
  static dbupgrade::StopHook hook;
  return hook;
}

// Staging folder of the oldest-layout conversion, inside the database folder.
constexpr char kStaging[] = "svlupgrade.tmp";
// Written in the staging folder once every file in it is complete.
constexpr char kStagedMark[] = "staged.done";

// The files of the current layout in the order the conversion copies them; true for
// the tables it fills, which always start from the template.
constexpr struct {
  const char* source;
  const char* target;
  bool fresh;
} kConversionFiles[] = {
    {"svlparam.db_", "svlparam.dbf", false}, {"svlparam.cd_", "svlparam.cdx", false},
    {"svlparam.fp_", "svlparam.fpt", false}, {"svlcat.cd_", "svlcat.cdx", false},
    {"svlcat.db_", "svlcat.dbf", false},     {"svlid.cd_", "svlid.cdx", true},
    {"svlid.db_", "svlid.dbf", true},        {"svlprod.db_", "svlprod.dbf", true},
    {"svlprod.cd_", "svlprod.cdx", true},    {"svlprod.fp_", "svlprod.fpt", true},
    {"svltran.db_", "svltran.dbf", true},    {"svltran.cd_", "svltran.cdx", true},
    {"svltran.fp_", "svltran.fpt", true},    {"svluser.db_", "svluser.dbf", false},
    {"svluser.cd_", "svluser.cdx", false},   {"svluser.fp_", "svluser.fpt", false}};

// Old caption key → new key's table and field.
constexpr const char* kCaptionMoves[][3] = {{"PRODUCTS.DBF_PARTNO", "svlprod.dbf", "partno"},
                                            {"PRODUCTS.DBF_LEADTIME", "svlprod.dbf", "location"},
                                            {"PRODUCTS.DBF_CATID", "svlprod.dbf", "groupid"},
                                            {"TRANS.DBF_NOTE", "svltran.dbf", "notes"},
                                            {"TRANS.DBF_SUPID", "svltran.dbf", "catid"}};

QString In(const QString& folder, const char* file) { return dbaccess::FileIn(folder, QLatin1String(file)); }

QString Quoted(const QString& folder) { return QStringLiteral("'") + folder + QStringLiteral("'"); }

void Critical(const QString& text) { ui::MsgBox(text, ui::vbCritical, rt::App::Title()); }

QString RetryAdvice(const QString& folder) {
  return QStringLiteral("Unable to upgrade database. Please reboot your machine and try again. Please make sure no "
                        "other user is accessing ") +
         Quoted(folder);
}

bool IsOldestLayout(const QString& folder) {
  const clsSystem& sys = gSystem();
  if (!sys.FileExists(In(folder, "lastid.dbf"))) return false;
  // A complete staging folder beside lastid.dbf: the conversion stopped while moving its
  // files into place, perhaps after svlid.dbf, and is finished rather than taken for a
  // version-5 folder.
  if (sys.FileExists(In(In(folder, kStaging), kStagedMark))) return true;
  if (sys.FileExists(In(folder, "svlid.dbf"))) return false;
  // New tables beside lastid.dbf without svlid.dbf are left by a conversion that was
  // interrupted while moving its files into place: its staging folder is still there.
  const bool newTables = sys.FileExists(In(folder, "svlprod.dbf")) || sys.FileExists(In(folder, "svltran.dbf"));
  return !newTables || sys.DirExists(In(folder, kStaging));
}

}  // namespace

namespace dbupgrade {

void SetStopHook(StopHook hook) { Hook() = std::move(hook); }

bool StopAt(const char* point) { return Hook() && Hook()(point); }

bool ReplaceFile(const QString& src, const QString& dest) {
  return std::rename(QFile::encodeName(src).constData(), QFile::encodeName(dest).constData()) == 0;
}

}  // namespace dbupgrade

QString clsDB::UpgradeMsg(const QString& sDBPath) const {
  const clsSystem& sys = gSystem();
  return Quoted(sDBPath) + QStringLiteral(" contains a database created by a previous version of ") +
         rt::App::Title() +
         QStringLiteral(". To continue you must upgrade the database to the latest version. The upgrade process may "
                        "take a few minutes. Would you like to upgrade the database now?") +
         sys.LF(2) + QStringLiteral("Please make sure:") + sys.CRLF(1) +
         QStringLiteral("- You have ample disk space available (at least 50 MB).") + sys.CRLF(1) +
         QStringLiteral("- NO ONE is accessing this database currently.") + sys.CRLF(1) +
         QStringLiteral("- Please do NOT interrupt the upgrade process once started.");
}

QString clsDB::UpgradeCompleteMsg(const QString& sDBPath) const {
  return QStringLiteral("Database in ") + Quoted(sDBPath) +
         QStringLiteral(" has been successfully upgraded! PLEASE NOTE: The list of data files you need to backup has "
                        "changed (see below).") +
         gSystem().CRLF(2) + BackupMsg(sDBPath, true);
}

bool clsDB::HoldExclusive(const QString& sLockPath, const QString& sDBPath) {
  if (store::HoldSession(Session(), sLockPath, true).ok()) return true;
  Critical(Quoted(sDBPath) +
           QStringLiteral(" is in use by another user. The database can be upgraded only while no one else is "
                          "accessing it."));
  return false;
}

bool clsDB::CheckFilesAndUpgrade(const QString& sDBPath) {
  clsSystem& sys = gSystem();
  if (sys.FileExists(LastIdTable())) {
    sys.FileCopyFn_NonExist(ProgramPath("svlrepcols.dbf"), In(sDBPath, "svlrepcols.dbf"));
    sys.FileCopyFn_NonExist(ProgramPath("svlrepcols.cdx"), In(sDBPath, "svlrepcols.cdx"));
  }
  bool result = false;
  if (IsOldestLayout(sDBPath)) {
    result = UpgradeOldestLayout(sDBPath);
  } else {
    if (!sys.FileExists(LastIdTable())) {
      DirContainsValidData(sDBPath);
      return false;
    }
    const int32_t version = DBVer(LastIdTable());
    // Unreadable (a read-only folder, a damaged file): DBVer has said why.
    if (version < 0) return false;
    if (version < 1) {
      // No version row (DBVer has said so): nothing tells which steps the folder needs.
      Critical(Quoted(sDBPath) +
               QStringLiteral(" holds no database version. The database was not changed and cannot be opened."));
      return false;
    }
    if (version > dbschema::kDbVersion) {
      Critical(Quoted(sDBPath) + QStringLiteral(" contains a database of version %1, made by a later version of ")
                                     .arg(version) +
               rt::App::Title() +
               QStringLiteral(", which opens databases up to version %1. The database was not changed.")
                   .arg(dbschema::kDbVersion));
      return false;
    }
    if (version < dbschema::kDbVersion && !HoldExclusive(LastIdTable(), sDBPath)) return false;
    if (version == 3) {
      if (ui::MsgBox(UpgradeMsg(sDBPath), ui::vbYesNo | ui::vbQuestion,
                     QStringLiteral("DATABASE UPGRADE CONFIRMATION")) != ui::vbYes) {
        return false;
      }
      if (!UpgradeSVLTran3_4(sDBPath) || !SetDBVer(4)) return false;
      sys.DeleteFile(dbupgrade::TranRebuiltMark(sDBPath), false);
    }
    if (!DirContainsValidData(sDBPath)) return false;
    m_nDBVersion = DBVer(LastIdTable());
    result = Upgrade2v5(sDBPath);
  }
  if (result && sys.FileExists(LastIdTable())) result = Upgrade2v6(sDBPath);
  return result;
}

bool clsDB::UpgradeOldestLayout(const QString& sDBPath) {
  clsSystem& sys = gSystem();
  const QString lastId = In(sDBPath, "lastid.dbf");
  if (DBVer(lastId) < 1) {
    Critical(Quoted(sDBPath) + QStringLiteral(" does not contain ") + rt::App::Title() +
             QStringLiteral(" database files!"));
    return false;
  }
  if (!HoldExclusive(lastId, sDBPath)) return false;
  if (ui::MsgBox(UpgradeMsg(sDBPath), ui::vbYesNo | ui::vbQuestion, QStringLiteral("DATABASE UPGRADE CONFIRMATION")) !=
      ui::vbYes) {
    return false;
  }

  // The new files are made in the staging folder and moved into the database folder
  // only when every step has succeeded. A staging folder without its mark is begun
  // again; one with the mark is complete and only its moves are finished, so a table
  // whose files were partly moved gets the rest of its own files, never a new copy
  // made from the half-moved one.
  const QString staging = In(sDBPath, kStaging);
  const QString staged = In(staging, kStagedMark);
  if (!sys.FileExists(staged)) {
    if (!StageOldestLayout(sDBPath, staging)) return false;
    QFile mark(staged);
    if (!mark.open(QIODevice::WriteOnly)) {
      Critical(RetryAdvice(sDBPath) + QStringLiteral("."));
      sys.DirDelete(staging);
      return false;
    }
    mark.close();
  }
  if (dbupgrade::StopAt("oldest:staged")) return false;

  // Into place: svlid.dbf last, since it makes the folder a current-layout one. A file
  // no longer in the staging folder was moved by an interrupted run. A file already in
  // the folder is replaced under its own spelling.
  auto moveIn = [&](const char* file) {
    const QString from = In(staging, file);
    if (!sys.FileExists(from) || dbupgrade::ReplaceFile(from, In(sDBPath, file))) return true;
    Critical(RetryAdvice(sDBPath) + QStringLiteral("."));
    return false;
  };
  for (const auto& f : kConversionFiles) {
    if (QLatin1String(f.target).startsWith(QLatin1String("svlid."))) continue;
    if (!moveIn(f.target)) return false;
    if (dbupgrade::StopAt("oldest:moving")) return false;
  }
  for (const char* f : {"svlid.cdx", "svlid.dbf"}) {
    if (!moveIn(f)) return false;
    if (dbupgrade::StopAt("oldest:moving")) return false;
  }
  for (int i = 0; i <= 23; ++i) mdlRegistry::PrefSaveString(QStringLiteral("C%1").arg(i), QString());
  sys.FileRename(lastId, In(sDBPath, "lastid.dbf.upg"));
  sys.DirDelete(staging);
  m_nDBVersion = DBVer(LastIdTable());
  sys.ShowMsg(UpgradeCompleteMsg(sDBPath), 1, -1);
  return true;
}

bool clsDB::StageOldestLayout(const QString& sDBPath, const QString& staging) {
  clsSystem& sys = gSystem();
  const QString lastId = In(sDBPath, "lastid.dbf");
  if (sys.DirExists(staging)) sys.DirDelete(staging);
  sys.CreateDir(staging, true);
  // A failed step leaves nothing of the staging folder.
  rt::ScopeGuard discard([&] { sys.DirDelete(staging); });
  for (const auto& f : kConversionFiles) {
    const QString existing = In(sDBPath, f.target);
    const QString source = !f.fresh && sys.FileExists(existing) ? existing : ProgramPath(f.source);
    sys.FileCopyFn(source, In(staging, f.target));
  }
  if (!DirContainsValidData(staging)) {
    Critical(RetryAdvice(sDBPath) + QStringLiteral(" and all existing data files are NOT marked Read-Only."));
    return false;
  }
  // Every step works on a second session for the staging folder; DBPath stays.
  const store::Session at = Session().At(staging);
  const store::DenyWrite denyWrite(at);
  for (const char* file : {"svlid.dbf", "svlprod.dbf", "svltran.dbf", "svlparam.dbf"}) {
    if (!TableOpenCloseTest(at.PathOf(QLatin1String(file)))) return false;
  }
  if (!TableOpenCloseTest(lastId)) return false;
  // Once the steps write, a failure also deletes the staged counters table.
  rt::ScopeGuard forgetCounters([&] { DeleteLastIdTableIn(at); });
  DATA4* params = nullptr;  // each step opens and closes the parameter table
  if (!SetParamValueIn(at, QStringLiteral("Decimals_PerUnit"), QStringLiteral("2"), params)) {
    sys.ShowMsg(QStringLiteral("Unable to write record to svlparam.dbf. ") + RetryAdvice(sDBPath) +
                    QStringLiteral(" and all existing data files are NOT marked Read-Only."),
                3, -1);
    return false;
  }
  bool moved = true;
  for (const auto& m : kCaptionMoves) {
    const QString value = GetParamValueIn(at, QLatin1String(m[0]), params);
    moved = SetParamValueIn(at, MakeCustomFieldParamName(QLatin1String(m[1]), QLatin1String(m[2])), value, params) &&
            moved;
  }
  if (!moved) return false;
  const std::pair<bool (clsDB::*)(const store::Session&, const QString&), const char*> copies[] = {
      {&clsDB::UpgCopyLastIDsIn, "svlid.dbf"},
      {&clsDB::UpgCopyProductsIn, "svlprod.dbf"},
      {&clsDB::UpgCopyTranIn, "svltran.dbf"}};
  for (const auto& [copy, table] : copies) {
    if (!(this->*copy)(at, sDBPath)) {
      sys.ShowMsg(QStringLiteral("Unable to write record to ") + QLatin1String(table) + QStringLiteral(". ") +
                      RetryAdvice(sDBPath) + QStringLiteral("."),
                  3, -1);
      return false;
    }
  }
  if (!WriteBuiltInReports(at) || !SetDBVerIn(at, 5)) return false;
  forgetCounters.Dismiss();
  discard.Dismiss();
  return true;
}

bool clsDB::TableOpenCloseTest(const QString& sTablePath) {
  const store::Table tb = OpenTable(sTablePath);
  if (tb.ok()) return true;
  gSystem().ShowMsg(QStringLiteral("Unable to open ") + sTablePath, 3, -1);
  return false;
}

void clsDB::DeleteLastIdTable() { DeleteLastIdTableIn(Session()); }

void clsDB::DeleteLastIdTableIn(const store::Session& at) {
  gSystem().DeleteFile(at.PathOf(QStringLiteral("svlid.dbf")), false);
  gSystem().DeleteFile(at.PathOf(QStringLiteral("svlid.cdx")), false);
}

bool clsDB::WriteBuiltInReports(const store::Session& at) {
  bool ok = true;
  for (const auto& row : dbschema::TemplateParams()) {
    ok = SetParamValueIn(at, QString::fromLatin1(row.sid), QString::fromLatin1(row.value), nullptr) && ok;
  }
  return ok;
}

bool clsDB::Upgrade2v5(const QString&) {
  try {
    m_nDBVersion = DBVer(LastIdTable());
    if (m_nDBVersion >= 5) return true;
    if (!WriteBuiltInReports(Session()) || !SetDBVer(5)) return false;
    m_nDBVersion = DBVer(LastIdTable());
    return true;
  } catch (...) {
    rt::Err().Clear();
    return false;
  }
}

bool clsDB::Upgrade2v6(const QString& sDBPath) {
  m_nDBVersion = DBVer(LastIdTable());
  if (m_nDBVersion >= 6) return true;
  // Each copy replaces the file through a temporary file renamed over it.
  clsSystem& sys = gSystem();
  if (!sys.FileCopyFn(ProgramPath("svlrepcols.dbf"), In(sDBPath, "svlrepcols.dbf")) ||
      !sys.FileCopyFn(ProgramPath("svlrepcols.cdx"), In(sDBPath, "svlrepcols.cdx")) || !SetDBVer(6)) {
    return false;
  }
  m_nDBVersion = DBVer(LastIdTable());
  return true;
}
