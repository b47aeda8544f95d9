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
#include <span>
#include <string>
#include <vector>

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/UpgradeStops.h"
#include "database/clsDB.h"
#include "database/clsDB_upgrade_internal.h"
#include "database/store/Counters.h"
#include "database/store/Transactions.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Codepage.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

using dbaccess::Check;
using dbaccess::Field;
using dbaccess::FileIn;
using dbaccess::OwnTable;

namespace {

// How a new field is filled from the old row. Ids, codes and transaction types are
// whole numbers; amounts (units, prices, levels) are read as decimals so no fraction
// is lost.
enum class From { kNumber, kDecimal, kText, kMemo, kTextToMemo, kWarehouse };

struct FieldMap {
  const char* to;
  const char* from;
  From kind;
};

constexpr FieldMap kProductMap[] = {{"rowid", "prodid", From::kNumber},     {"groupid", "catid", From::kNumber},
                                    {"prodname", "prodname", From::kText},  {"partno", "partno", From::kText},
                                    {"reordlev", "reordlev", From::kDecimal}, {"location", "leadtime", From::kNumber}};

constexpr FieldMap kTranMap[] = {{"rowid", "tranid", From::kNumber},    {"prodid", "prodid", From::kNumber},
                                 {"trandate", "trandate", From::kText}, {"trantype", "trantype", From::kNumber},
                                 {"units", "units", From::kDecimal},    {"unitprc", "unitprc", From::kDecimal},
                                 {"whseid", nullptr, From::kWarehouse}, {"notes", "note", From::kTextToMemo},
                                 {"catid", "supid", From::kNumber}};

constexpr FieldMap kTran34Map[] = {{"rowid", "rowid", From::kNumber},       {"prodid", "prodid", From::kNumber},
                                   {"catid", "catid", From::kNumber},       {"shipmethod", "shipmethod", From::kNumber},
                                   {"trandate", "trandate", From::kText},   {"trantype", "trantype", From::kNumber},
                                   {"units", "units", From::kDecimal},      {"unitprc", "unitprc", From::kDecimal},
                                   {"notes", "notes", From::kMemo}};

// The warehouse every transaction of the oldest layout is given.
constexpr long kOldestWarehouse = 50;

constexpr const char* kTranExts[] = {"dbf", "cdx", "fpt"};

// Old counter key → new key.
constexpr const char* kCounterMoves[][2] = {
    {"trans.dbf", "svltran.dbf"}, {"products.dbf", "svlprod.dbf"}, {"svlcat.dbf", "svlcat.dbf"}};

void AssignMemo(FIELD4* to, const QString& text) {
  const std::string bytes = rt::ToCp1252(text);
  Check(f4memoAssignN(to, bytes.data(), static_cast<unsigned>(bytes.size())), "f4memoAssignN");
}

// Fills one new field; errors throw (a value that does not fit stops the copy).
void Assign(FIELD4* to, FIELD4* from, From kind) {
  switch (kind) {
    case From::kNumber:
      Check(f4assignLong(to, dbaccess::Long32(from)), "f4assignLong");
      break;
    case From::kDecimal:
      Check(f4assignDouble(to, f4double(from)), "f4assignDouble");
      break;
    case From::kText:
      Check(Module1::FieldAssignText(to, Module1::FieldText(from)), "f4assignNVB");
      break;
    case From::kMemo:
      AssignMemo(to, Module1::MemoText(from));
      break;
    case From::kTextToMemo: {
      // A text field is padded to its width; the memo keeps the text without the padding.
      QString text = Module1::FieldText(from);
      while (text.endsWith(QLatin1Char(' '))) text.chop(1);
      AssignMemo(to, text);
      break;
    }
    case From::kWarehouse:
      Check(f4assignLong(to, kOldestWarehouse), "f4assignLong");
      break;
  }
}

struct RowCopy {
  QString oldPath;
  const char* oldTag;
  QString newPath;
  std::span<const FieldMap> map;
  const char* caption;
  const char* errorLabel;
};

// Appends one new row per old row, in the old tag's order, under the progress window.
bool CopyRows(clsDB& db, const RowCopy& c) {
  clsSystem& sys = gSystem();
  QPointer<frmProgress> frm;
  try {
    sys.WaitDlgShow(frm, QStringLiteral("Upgrading Database"), QLatin1String(c.caption), true, false);
    sys.WaitDlgUpdate(frm, 0);
    const int32_t total = db.GetRecCount(c.oldPath, QLatin1String(c.oldTag));
    OwnTable oldTb(c.oldPath, db);
    OwnTable newTb(c.newPath, db);
    if (total < 0 || !oldTb.ok() || !newTb.ok()) {
      sys.WaitDlgRemove(frm);
      return false;
    }
    dbaccess::SelectTag(oldTb.get(), QLatin1String(c.oldTag));
    std::vector<std::pair<FIELD4*, FIELD4*>> fields;
    for (const FieldMap& m : c.map) {
      fields.emplace_back(Field(newTb.get(), QLatin1String(m.to)),
                          m.from != nullptr ? Field(oldTb.get(), QLatin1String(m.from)) : nullptr);
    }
    int32_t copied = 0;
    for (int rc = Check(d4top(oldTb.get()), "d4top"); rc == 0; rc = Check(d4skip(oldTb.get(), 1), "d4skip")) {
      Check(d4blank(newTb.get()), "d4blank");
      for (size_t i = 0; i < fields.size(); ++i) Assign(fields[i].first, fields[i].second, c.map[i].kind);
      Check(d4append(newTb.get()), "d4append");
      sys.IncL(copied);
      if (copied % 2 == 0 && total > 0) {
        sys.WaitDlgUpdate(frm, static_cast<int32_t>(std::lround(100.0 * copied / total)));
      }
      if (copied % 512 == 0) QCoreApplication::processEvents();
      if (dbupgrade::StopAt("copy:row")) {
        sys.WaitDlgRemove(frm);
        return false;
      }
    }
    Check(d4flush(newTb.get()), "d4flush");
    sys.WaitDlgRemove(frm);
    return true;
  } catch (...) {
    sys.WaitDlgRemove(frm);
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
  clsSystem& sys = gSystem();
  sys.WaitStart();
  try {
    OwnTable oldTb(FileIn(sDBPath, QStringLiteral("lastid.dbf")), *this);
    OwnTable newTb(at.PathOf(QLatin1String(store::Counters::kFile)), *this);
    if (!oldTb.ok() || !newTb.ok()) {
      sys.WaitEnd();
      return false;
    }
    FIELD4* oldId = Field(oldTb.get(), QStringLiteral("lastid"));
    FIELD4* newId = Field(newTb.get(), QStringLiteral("lastid"));
    dbaccess::SelectTag(oldTb.get(), QStringLiteral("tblname"));
    dbaccess::SelectTag(newTb.get(), QStringLiteral("tblname"));
    bool ok = true;
    for (const auto& move : kCounterMoves) {
      if (dbaccess::Seek(oldTb.get(), dbaccess::WholeKey(QLatin1String(move[0]), false)) != 0) continue;
      if (dbaccess::Seek(newTb.get(), dbaccess::WholeKey(QLatin1String(move[1]), false)) != 0) {
        ok = false;
        break;
      }
      Check(f4assignLong(newId, dbaccess::Long32(oldId)), "f4assignLong");
    }
    Check(d4flush(newTb.get()), "d4flush");
    sys.WaitEnd();
    return ok;
  } catch (...) {
    sys.WaitEnd();
    dbaccess::ReportTrapped("clsDB_UpgCopyLastIDs");
    return false;
  }
}

bool clsDB::UpgCopyProducts_PreDB30(const QString& sDBPath) { return UpgCopyProductsIn(Session(), sDBPath); }

bool clsDB::UpgCopyProductsIn(const store::Session& at, const QString& sDBPath) {
  const QString products = at.PathOf(QStringLiteral("svlprod.dbf"));
  if (!NewTableEmpty(*this, products, "New products table (svlprod.dbf) already contains data!")) return false;
  return CopyRows(*this, {FileIn(sDBPath, QStringLiteral("products.dbf")), "prodid", products, kProductMap,
                          "Copying Product records...", "clsDB_UpgCopyProducts"});
}

bool clsDB::UpgCopyTran_PreDB30(const QString& sDBPath) { return UpgCopyTranIn(Session(), sDBPath); }

bool clsDB::UpgCopyTranIn(const store::Session& at, const QString& sDBPath) {
  const QString transactions = at.PathOf(QLatin1String(store::Transactions::kFile));
  if (!NewTableEmpty(*this, transactions, "New transactions table (svltran.dbf) already contains data!")) return false;
  return CopyRows(*this, {FileIn(sDBPath, QStringLiteral("trans.dbf")), "tranid", transactions, kTranMap,
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
    dbupgrade::ScopedAccessMode denyWrite(*this);
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
      if (!CopyRows(*this, {source, "rowid", file("svltran_new", "dbf"), kTran34Map, "Copying Transactions records...",
                            "clsDB_UpgradeSVLTran3_4"})) {
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
