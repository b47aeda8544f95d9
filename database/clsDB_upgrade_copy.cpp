// clsDB: the row copies of the upgrade. The oldest layout's counters, products and
// transactions go into the new tables of the staging folder; the version 3 to 4
// rebuild writes the transactions into a new table beside the old one and renames
// both into place (svltran.* becomes svltran_3.*).

#include <QCoreApplication>
#include <QFile>
#include <QPointer>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <optional>
#include <utility>

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

// The version 3 to 4 rebuild of the transactions table in one folder. The new table
// is staged under svltran_new from the program's templates and filled beside the old
// one, marked built, then swapped in: the old files renamed to svltran_3, the new ones
// to svltran. A run meets what an interrupted one left and finishes it.
class TranRebuild {
 public:
  using Templates = std::array<QString, std::size(kTranExts)>;  // in the order of kTranExts

  TranRebuild(clsDB& db, const QString& folder, Templates templates)
      : db_(db), sys_(gSystem()), folder_(folder), templates_(std::move(templates)),
        mark_(dbupgrade::TranRebuiltMark(folder)) {}

  // The new table is complete (only the swap may be left).
  bool Built() const { return sys_.FileExists(mark_); }
  // An earlier attempt renamed the version-3 table to svltran_3 (some of its files).
  bool Interrupted() const {
    return std::any_of(std::begin(kTranExts), std::end(kTranExts), [&](const char* ext) { return Exists("svltran_3", ext); });
  }
  // After an interruption: svltran_3's renames are finished, never made over an
  // existing file; the files under svltran must be empty templates. Then the rows come
  // from svltran_3 (`source`).
  bool Resume(QString& source) {
    for (const char* ext : kTranExts) {
      if (Exists("svltran_3", ext) || !Exists("svltran", ext)) continue;
      if (!sys_.FileRename(File("svltran", ext), File("svltran_3", ext))) return false;
    }
    if (!AllExist("svltran_3")) {
      ui::MsgBox(QStringLiteral("svltran_3.xxx does not exist (svltran.dbf: UpgradeSVLTran3_4()) already contains "
                                "data!"),
                 ui::vbCritical);
      return false;
    }
    for (size_t e = 0; e < std::size(kTranExts); ++e) sys_.FileCopyFn_NonExist(templates_[e], File("svltran", kTranExts[e]));
    if (!AllExist("svltran")) return TemplatesMissing();
    // Rows of a copy that failed part-way are not replaced; the record count does not
    // depend on an index that may not belong to the table.
    const int32_t rows = db_.GetRecCountFast(db_.TranTable(), QStringLiteral("rowid"));
    if (rows > 0) {
      ui::MsgBox(QStringLiteral("New transactions table (svltran.dbf: UpgradeSVLTran3_4()) already contains data!"),
                 ui::vbCritical);
    }
    if (rows != 0) return false;
    source = File("svltran_3", "dbf");
    return true;
  }
  // Fresh template files under svltran_new.
  bool Stage() {
    for (size_t e = 0; e < std::size(kTranExts); ++e) {
      sys_.DeleteFile(File("svltran_new", kTranExts[e]), false);
      sys_.FileCopyFn(templates_[e], File("svltran_new", kTranExts[e]));
    }
    return AllExist("svltran_new") || TemplatesMissing();
  }
  // The rows of `source` into svltran_new; a failed copy is rolled back.
  bool Copy(const QString& source) {
    if (CopyRows(db_, {source, File("svltran_new", "dbf"), store::kTransactions3To4, "Copying Transactions records...",
                       "clsDB_UpgradeSVLTran3_4"})) {
      return true;
    }
    RollBack();
    return false;
  }
  bool MarkBuilt() {
    QFile done(mark_);
    if (!done.open(QIODevice::WriteOnly)) {
      ui::MsgBox(QStringLiteral("Unable to write to : ") + mark_, ui::vbCritical);
      return false;
    }
    done.close();
    return true;
  }
  // Into place, each file once: the old one to svltran_3 unless that name is taken
  // (the file under svltran is then a template left by an earlier attempt), the new
  // one over svltran. The new table is named in lower case whatever the old one's
  // spelling, so that its three files match even after an interrupted run; a template
  // left in another case is removed first, never kept beside it.
  bool Swap() {
    for (const char* ext : kTranExts) {
      const QString built = File("svltran_new", ext);
      if (!sys_.FileExists(built)) continue;
      const QString current = File("svltran", ext);
      const QString target = sys_.MakePath(folder_, Name("svltran", ext));
      if (sys_.FileExists(current)) {
        if (!Exists("svltran_3", ext)) {
          if (!MoveOver(current, File("svltran_3", ext))) return false;
        } else if (current != target && !sys_.DeleteFile(current, true)) {
          return false;
        }
      }
      if (dbupgrade::StopAt("tran34:moving")) return false;
      if (!MoveOver(built, target)) return false;
    }
    return true;
  }

 private:
  static QString Name(const char* base, const char* ext) {
    return QLatin1String(base) + QLatin1Char('.') + QLatin1String(ext);
  }
  QString File(const char* base, const char* ext) const { return FileIn(folder_, Name(base, ext)); }
  bool Exists(const char* base, const char* ext) const { return sys_.FileExists(File(base, ext)); }
  bool AllExist(const char* base) const {
    return std::all_of(std::begin(kTranExts), std::end(kTranExts), [&](const char* ext) { return Exists(base, ext); });
  }
  static bool TemplatesMissing() {
    ui::MsgBox(QStringLiteral("svltran.xxx does not exist (svltran.dbf: UpgradeSVLTran3_4())!"), ui::vbCritical);
    return false;
  }
  void RollBack() {
    for (const char* ext : kTranExts) sys_.DeleteFile(File("svltran_new", ext), false);
  }

  clsDB& db_;
  clsSystem& sys_;
  const QString folder_;
  const Templates templates_;
  const QString mark_;  // left once the new table is complete
};

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
  try {
    const store::DenyWrite denyWrite{Session()};
    TranRebuild rebuild(*this, sDBPath,
                        {ProgramPath("svltran.db_"), ProgramPath("svltran.cd_"), ProgramPath("svltran.fp_")});
    if (!rebuild.Built()) {
      // Built from the start: the new table beside the old one, which stays as it is.
      QString source = TranTable();
      if (rebuild.Interrupted() && !rebuild.Resume(source)) return false;
      if (!TableOpenCloseTest(source) || !rebuild.Stage() || !rebuild.Copy(source) || !rebuild.MarkBuilt()) {
        return false;
      }
      if (dbupgrade::StopAt("tran34:built")) return false;
    }
    return rebuild.Swap();
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_UpgradeSVLTran3_4");
    return false;
  }
}
