// clsDB: the row copies of the upgrade. The oldest layout's counters, products and
// transactions go into the new tables of the staging folder; the version 3 to 4
// rebuild writes the transactions into a new table beside the old one and renames
// both into place (svltran.* becomes svltran_3.*).

#include <QCoreApplication>
#include <QFile>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <string>

#include "database/DbAccess.h"
#include "database/UpgradeStops.h"
#include "database/clsDB.h"
#include "database/clsDB_upgrade_internal.h"
#include "database/store/Counters.h"
#include "database/store/Maintenance.h"
#include "database/store/Transactions.h"
#include "database/store/Upgrade.h"
#include "platform/runtime/App.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

using dbaccess::FileIn;

namespace {

constexpr const char* kTranExts[] = {"dbf", "cdx", "fpt"};

struct RowCopy {
  QString oldPath;
  QString newPath;
  const store::RowLayout& layout;
  const char* caption;
  const char* errorLabel;
};

// The store's row copy under the progress window.
bool CopyRows(clsDB& db, const RowCopy& c) {
  clsSystem& sys = gSystem();
  QPointer<frmProgress> frm;
  try {
    store::Result<bool> copied;
    {
      const auto removeDlg = sys.WaitDlgRemoveOnExit(frm);
      sys.WaitDlgShow(frm, QStringLiteral("Upgrading Database"), QLatin1String(c.caption), true, false);
      sys.WaitDlgUpdate(frm, 0);
      const int32_t total = db.GetRecCount(c.oldPath, QLatin1String(c.layout.sourceTag));
      const store::Table oldTb = db.OpenTable(c.oldPath);
      const store::Table newTb = db.OpenTable(c.newPath);
      if (total < 0 || !oldTb.ok() || !newTb.ok()) return false;
      const store::Session session = db.Session();
      copied = store::CopyRows(session, c.layout, oldTb.get(), newTb.get(), [&](int32_t rows) {
        if (rows % 2 == 0 && total > 0) {
          sys.WaitDlgUpdate(frm, static_cast<int32_t>(std::lround(100.0 * rows / total)));
        }
        if (rows % 512 == 0) QCoreApplication::processEvents();
        return !dbupgrade::StopAt("copy:row");
      });
    }
    dbaccess::Report(copied.status, c.errorLabel);
    return copied.ok() && copied.value;
  } catch (...) {
    dbaccess::ReportTrapped(c.errorLabel);
    return false;
  }
}

// Renames over the target; a failure is shown and stops the step.
bool MoveOver(const QString& src, const QString& dest) {
  if (dbupgrade::ReplaceFile(src, dest)) return true;
  ui::MsgBox(QStringLiteral("Unable to rename ") + src + QStringLiteral(" to ") + dest, ui::vbCritical,
             rt::App::Title());
  return false;
}

// A new table must start empty.
bool NewTableEmpty(clsDB& db, const QString& path, const char* text) {
  if (db.GetRecCount(path, QStringLiteral("rowid")) <= 0) return true;
  ui::MsgBox(QLatin1String(text), ui::vbCritical, rt::App::Title());
  return false;
}

}  // namespace

QString dbupgrade::TranRebuiltMark(const QString& folder) { return FileIn(folder, QStringLiteral("svltran_4.done")); }

bool clsDB::UpgCopyLastIDs_PreDB30(const QString& sDBPath) { return UpgCopyLastIDsIn(Session(), sDBPath); }

bool clsDB::UpgCopyLastIDsIn(const store::Session& at, const QString& sDBPath) {
  try {
    std::optional<ui::ScopedHourglass> hourglass(std::in_place);
    const store::Table oldTb = OpenTable(FileIn(sDBPath, QStringLiteral("lastid.dbf")));
    const store::Table newTb = OpenTable(at.PathOf(QLatin1String(store::Counters::kFile)));
    if (!oldTb.ok() || !newTb.ok()) {
      return false;
    }
    const store::Status copied = store::CopyOldestCounters(at, oldTb.get(), newTb.get());
    hourglass.reset();
    dbaccess::Report(copied, "clsDB_UpgCopyLastIDs");
    return copied.ok();
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_UpgCopyLastIDs");
    return false;
  }
}

bool clsDB::UpgCopyProducts_PreDB30(const QString& sDBPath) { return UpgCopyProductsIn(Session(), sDBPath); }

bool clsDB::UpgCopyProductsIn(const store::Session& at, const QString& sDBPath) {
  const QString products = at.PathOf(QStringLiteral("svlprod.dbf"));
  if (!NewTableEmpty(*this, products, "New products table (svlprod.dbf) already contains data!")) return false;
  return CopyRows(*this, {FileIn(sDBPath, QStringLiteral("products.dbf")), products, store::kOldestProducts,
                          "Copying Product records...", "clsDB_UpgCopyProducts"});
}

bool clsDB::UpgCopyTran_PreDB30(const QString& sDBPath) { return UpgCopyTranIn(Session(), sDBPath); }

bool clsDB::UpgCopyTranIn(const store::Session& at, const QString& sDBPath) {
  const QString transactions = at.PathOf(QLatin1String(store::Transactions::kFile));
  if (!NewTableEmpty(*this, transactions, "New transactions table (svltran.dbf) already contains data!")) return false;
  return CopyRows(*this, {FileIn(sDBPath, QStringLiteral("trans.dbf")), transactions, store::kOldestTransactions,
                          "Copying Transactions records...", "clsDB_UpgCopyTran"});
}

bool clsDB::UpgradeSVLTran3_4(const QString& sDBPath) {
  clsSystem& sys = gSystem();
  auto name = [](const char* base, const char* ext) {
    return QLatin1String(base) + QLatin1Char('.') + QLatin1String(ext);
  };
  auto file = [&](const char* base, const char* ext) { return FileIn(sDBPath, name(base, ext)); };
  auto templateOf = [&](const char* ext) {
    const std::string source = std::string("svltran.") + ext[0] + ext[1] + "_";  // svltran.db_ ...
    return ProgramPath(source.c_str());
  };
  auto allExist = [&](const char* base) {
    return std::all_of(std::begin(kTranExts), std::end(kTranExts),
                       [&](const char* ext) { return sys.FileExists(file(base, ext)); });
  };
  auto templatesMissing = [] {
    ui::MsgBox(QStringLiteral("svltran.xxx does not exist (svltran.dbf: UpgradeSVLTran3_4())!"), ui::vbCritical);
    return false;
  };
  try {
    const store::DenyWrite denyWrite{Session()};
    const QString mark = dbupgrade::TranRebuiltMark(sDBPath);
    if (!sys.FileExists(mark)) {
      // An earlier attempt may have renamed the version-3 table to svltran_3 and put
      // empty template files under svltran: then the rows come from svltran_3, whose
      // renames are finished first and never made over an existing file.
      QString source = TranTable();
      if (std::any_of(std::begin(kTranExts), std::end(kTranExts),
                      [&](const char* ext) { return sys.FileExists(file("svltran_3", ext)); })) {
        for (const char* ext : kTranExts) {
          if (sys.FileExists(file("svltran_3", ext)) || !sys.FileExists(file("svltran", ext))) continue;
          if (!sys.FileRename(file("svltran", ext), file("svltran_3", ext))) return false;
        }
        if (!allExist("svltran_3")) {
          ui::MsgBox(QStringLiteral("svltran_3.xxx does not exist (svltran.dbf: UpgradeSVLTran3_4()) already contains "
                                    "data!"),
                     ui::vbCritical);
          return false;
        }
        for (const char* ext : kTranExts) sys.FileCopyFn_NonExist(templateOf(ext), file("svltran", ext));
        if (!allExist("svltran")) return templatesMissing();
        // Rows of a copy that failed part-way are not replaced; the record count does
        // not depend on an index that may not belong to the table.
        const int32_t rows = GetRecCountFast(TranTable(), QStringLiteral("rowid"));
        if (rows > 0) {
          ui::MsgBox(QStringLiteral("New transactions table (svltran.dbf: UpgradeSVLTran3_4()) already contains data!"),
                     ui::vbCritical);
        }
        if (rows != 0) return false;
        source = file("svltran_3", "dbf");
      }
      // Built from the start: the new table beside the old one, which stays as it is.
      if (!TableOpenCloseTest(source)) return false;
      for (const char* ext : kTranExts) {
        sys.DeleteFile(file("svltran_new", ext), false);
        sys.FileCopyFn(templateOf(ext), file("svltran_new", ext));
      }
      if (!allExist("svltran_new")) return templatesMissing();
      if (!CopyRows(*this, {source, file("svltran_new", "dbf"), store::kTransactions3To4,
                            "Copying Transactions records...", "clsDB_UpgradeSVLTran3_4"})) {
        for (const char* ext : kTranExts) sys.DeleteFile(file("svltran_new", ext), false);
        return false;
      }
      QFile done(mark);
      if (!done.open(QIODevice::WriteOnly)) {
        ui::MsgBox(QStringLiteral("Unable to write to : ") + mark, ui::vbCritical);
        return false;
      }
      done.close();
      if (dbupgrade::StopAt("tran34:built")) return false;
    }
    // Into place, each file once: the old one to svltran_3 unless that name is taken
    // (the file under svltran is then a template left by an earlier attempt), the new
    // one over svltran. The new table is named in lower case whatever the old one's
    // spelling, so that its three files match even after an interrupted run; a
    // template left in another case is removed first, never kept beside it.
    for (const char* ext : kTranExts) {
      const QString built = file("svltran_new", ext);
      if (!sys.FileExists(built)) continue;
      const QString current = file("svltran", ext);
      const QString target = sys.MakePath(sDBPath, name("svltran", ext));
      if (sys.FileExists(current)) {
        if (!sys.FileExists(file("svltran_3", ext))) {
          if (!MoveOver(current, file("svltran_3", ext))) return false;
        } else if (current != target && !sys.DeleteFile(current, true)) {
          return false;
        }
      }
      if (dbupgrade::StopAt("tran34:moving")) return false;
      if (!MoveOver(built, target)) return false;
    }
    return true;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_UpgradeSVLTran3_4");
    return false;
  }
}
