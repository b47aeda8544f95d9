// Import Products: the dialog, the checks and preview of clsImportData, and the rows
// added or matched and updated as products.

#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/store/Codes.h"
#include "database/store/Products.h"
#include "database/store/Seek.h"
#include "exchange/CsvNumber.h"
#include "exchange/ExchangeSupport.h"
#include "exchange/ProductCsv.h"
#include "exchange/clsImportData.h"
#include "exchange/frmImportProducts.h"
#include "exchange/ExchangeCommands.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Collection.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "services/CsvFile.h"
#include "services/EventPump.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

namespace exchange {
namespace {

// Rows added under one hold of the tables' append locks; other users get in between.
constexpr size_t kHeldRows = 256;

// The columns in the order of productcsv::Keywords().
enum Col {
  kName, kPartNo, kLocation, kGroup, kBeginning, kReorderLevel, kReorderQty, kLeadTime, kManuf,
  kVendor, kStdCost, kStdPrice, kCustom1, kCustom2, kCustom3, kCustom4, kNotes, kNone
};

// The list that a column's texts are entries of; nullopt for a column of no list.
std::optional<store::ListType> ListOf(Col col) {
  switch (col) {
    case kLocation: return store::ListType::kLocation;
    case kGroup: return store::ListType::kProductGroup;
    case kManuf: return store::ListType::kManufacturer;
    case kVendor: return store::ListType::kVendor;
    default: return std::nullopt;
  }
}

// The list entries of one import, found or added: a text is looked up once per list,
// after `letGo` (false: the text is not looked up), as the look-up may show a box. A
// text that could not be recorded is not looked up again.
class ListIds {
 public:
  ListIds(ExchangeTables& tables, std::function<bool()> letGo) : tables_(tables), letGo_(std::move(letGo)) {}

  // The entry of the text, added when missing (-1 for an empty text); False when a
  // text could not be recorded (the failure has been reported).
  bool Get(const QString& value, store::ListType type, int32_t& id) {
    QString text = value.trimmed();
    if (text.isEmpty()) {
      id = -1;
      return true;
    }
    const QString key = QString::number(store::Code(type)) + QLatin1Char('|') + store::Upper(text);
    if (const auto it = known_.find(key); it != known_.end()) {
      id = it->second;
      return true;
    }
    if (failed_.contains(key) || !letGo_()) return false;
    id = tables_.ListIdOrAdd(text, type);
    if (id < 1) {
      failed_.insert(key);
      return false;
    }
    known_.emplace(key, id);
    return true;
  }

  // Looks up the list texts of the row's cells; False at the first that could not be
  // recorded.
  bool Take(const CsvRow& row, const std::vector<Col>& cols) {
    const int n = std::min(row.Count(), static_cast<int>(cols.size()) - 1);
    int32_t id = 0;
    for (int i = 1; i <= n; ++i) {
      const std::optional<store::ListType> type = ListOf(cols[static_cast<size_t>(i)]);
      if (type && !Get(row.Value(i), *type, id)) return false;
    }
    return true;
  }

 private:
  ExchangeTables& tables_;
  std::function<bool()> letGo_;
  std::unordered_map<QString, int32_t> known_;
  std::unordered_set<QString> failed_;
};

rt::Currency Number(const QString& value, const rt::LocaleInfo& loc) {
  return ReadCsvNumber(value, loc).value_or(rt::Currency());
}

// Fills the record from the row's cells; cells missing at the end of a short row leave
// their fields as they are. False when a list entry could not be recorded.
bool ReadRow(const CsvRow& row, const std::vector<Col>& cols, const rt::LocaleInfo& loc, ListIds& lists,
             clsProd& p) {
  using store::ListType;
  const int n = std::min(row.Count(), static_cast<int>(cols.size()) - 1);
  for (int i = 1; i <= n; ++i) {
    if (cols[static_cast<size_t>(i)] == kNone) continue;
    const QString v = row.Value(i);
    switch (cols[static_cast<size_t>(i)]) {
      case kName: p.sProdName = v; break;
      case kPartNo: p.sPartNo = v; break;
      case kLeadTime: p.sLeadTime = v; break;
      case kCustom1: p.sCustom1 = v; break;
      case kCustom2: p.sCustom2 = v; break;
      case kCustom3: p.sCustom3 = v; break;
      case kCustom4: p.sCustom4 = v; break;
      case kNotes: p.sNotes = v; break;
      case kLocation: if (!lists.Get(v, ListType::kLocation, p.nLocation)) return false; break;
      case kGroup: if (!lists.Get(v, ListType::kProductGroup, p.nGroup)) return false; break;
      case kManuf: if (!lists.Get(v, ListType::kManufacturer, p.nManuf)) return false; break;
      case kVendor: if (!lists.Get(v, ListType::kVendor, p.nVendor)) return false; break;
      case kBeginning: p.curBeginningInventory = Number(v, loc); break;
      case kReorderLevel: p.curReOrderLevel = Number(v, loc); break;
      case kReorderQty: p.curReOrderQty = Number(v, loc); break;
      case kStdCost: p.curStdCost = Number(v, loc); break;
      case kStdPrice: p.curStdPrice = Number(v, loc); break;
      case kNone: break;
    }
  }
  return true;
}

// The rows' products: the visible products, found in memory as a seek finds them, and
// the run's new products, added together. The rows other users appended are read each
// time the run takes the append locks, so none is appended between that read and the
// run's own appends: a part number another user added is updated, not added again.
class RunProducts {
 public:
  RunProducts(ExchangeTables& tables, clsDB& db) : tables_(tables), db_(db) {}

  // Holds the tables' append locks (the engine keeps them until Add or Release) and
  // reads the products appended since the last call; nothing more while they are held,
  // as no other user appends meanwhile. False when either failed (a lock held by
  // another user is noted for the closing message, any other failure reported with the
  // locks given up).
  bool Hold() {
    if (held_) return true;
    if (!Noted(tables_.HoldAppends())) return false;
    held_ = true;
    if (Current()) return true;
    Release();
    return false;
  }
  bool Held() const { return held_; }
  // Reads the products other users appended since the last call, unless the locks are
  // held; false when that failed (reported).
  bool Current() {
    if (held_ && read_) return true;
    const store::Status read = tables_.ReadAppended(known_);
    read_ = held_ && read.ok();
    if (read.ok()) return true;
    dbaccess::Report(read, "clsProd_LookupProduct");
    return false;
  }
  // Lets other users in; false when what was appended under the hold was not stored.
  bool Release() {
    if (!held_) return true;
    held_ = read_ = false;
    return Noted(tables_.ReleaseAppends());
  }

  // The product the row updates: the one visible product with the row's part number,
  // or, for a row without one, with the row's name; -1 (a new product) otherwise. A
  // product of the run not added yet is added first (0 when that failed, or when the
  // products could not be read). A part number no product has that is the export's
  // stand-in for a product without one ("G" and its id) is that product: the row
  // leaves it without a part number.
  int32_t Matching(clsProd& p) {
    const bool byPartNo = !p.sPartNo.trimmed().isEmpty();
    const store::SearchType by = byPartNo ? store::SearchType::kPartNo : store::SearchType::kName;
    const QString text = (byPartNo ? p.sPartNo : p.sProdName).trimmed().toUpper();
    int32_t id = known_.Find(by, text);
    if (id < -1) {
      if (!Add() || !Hold()) return 0;
      id = known_.Find(by, text);
    }
    if (id != -1 || !byPartNo) return id;
    static const QRegularExpression standIn(QStringLiteral("^G(\\d{1,9})$"));
    const QRegularExpressionMatch m = standIn.match(text);
    if (m.hasMatch() && known_.WithoutPartNo(m.captured(1).toInt())) {
      id = m.captured(1).toInt();
      p.sPartNo.clear();
    }
    return id;
  }

  // A product no longer stored.
  void Forget(int32_t id) { known_.Remove(id); }

  // A new product of the row, added with the others at the next Add.
  void Later(const clsProd& p, int32_t line) {
    known_.Set(Pending(added_.size()), p.sPartNo, p.sProdName, p.bHide);
    added_.push_back(p);
    lines_.push_back(line);
  }

  // Rewrites the existing product of the row, unless another user changed it since the
  // run read it (kChanged, kNotFound: the run now knows it as stored). Another failure
  // has been reported.
  store::Status Update(const clsProd& p) {
    const store::Status status = tables_.UpdateKnown(p, known_);
    if (status.ok()) known_.Set(p.nProdId, p.sPartNo, p.sProdName, p.bHide);
    db_.NoteSave(status.failure);
    return status;
  }

  // Adds the new products of the run; false when one could not be stored: the import
  // stops at its row (Stopped), the products of the rows before it stored.
  // The tables' append locks are given up.
  bool Add() {
    if (added_.empty()) return stopped_ == 0;
    held_ = read_ = false;
    const size_t stored = tables_.AddProducts(added_);
    stored_ += static_cast<int32_t>(stored);
    if (stored < added_.size()) stopped_ = lines_[stored];
    for (size_t i = 0; i < added_.size(); ++i) known_.Remove(Pending(i));
    added_.clear();
    lines_.clear();
    return stopped_ == 0;
  }

  int32_t Stored() const { return stored_; }
  int32_t Stopped() const { return stopped_; }

 private:
  // The id under which a product not added yet is found: below -1.
  static int32_t Pending(size_t i) { return -2 - static_cast<int32_t>(i); }

  bool Noted(const store::Status& status) {
    if (status.ok()) return true;
    db_.NoteSave(status.failure);
    if (!status.is(store::Failure::kLocked)) dbaccess::Report(status, "frmMain_ImportProductsFromFile");
    return false;
  }

  ExchangeTables& tables_;
  clsDB& db_;
  store::ProductKeys known_;
  std::vector<clsProd> added_;
  std::vector<int32_t> lines_;  // each new product's line
  int32_t stored_ = 0;          // new products stored
  int32_t stopped_ = 0;
  bool held_ = false;  // the append locks
  bool read_ = false;  // what was appended before they were taken
};

}  // namespace

bool ImportProductsFromFile(const CsvFile& file, const QStringList& headings, int32_t& count,
                            int32_t& stoppedRow, size_t* removed) {
  const int32_t lines = count;
  count = 0;
  stoppedRow = 0;
  clsSystem& sys = gSystem();
  clsDB& db = gDB();
  QPointer<frmProgress> dlg;
  try {
    const auto removeDlg = sys.WaitDlgRemoveOnExit(dlg);
    sys.WaitDlgShow(dlg, QStringLiteral("Import Data"), QStringLiteral("Integrating data. Please wait..."), true, false);
    const clsDB::Batch batch(db);
    ExchangeTables tables(db);
    if (!HoldProductRun(tables)) return false;
    const size_t orphans = tables.RemoveOrphanReceives();
    if (removed != nullptr) *removed = orphans;
    std::vector<Col> cols(static_cast<size_t>(std::max<qsizetype>(headings.size(), 1)), kNone);
    for (qsizetype i = 1; i < headings.size(); ++i) {
      const qsizetype at = productcsv::Keywords().indexOf(headings[i]);
      if (at >= 0) cols[static_cast<size_t>(i)] = static_cast<Col>(at);
    }
    const int columns = static_cast<int>(cols.size()) - 1;
    const rt::LocaleInfo loc = rt::LocaleInfo::Current();
    EventPump pump;
    clsProd p;
    RunProducts products(tables, db);
    // A list text met for the first time is looked up (or added) with the locks given
    // up, the new products of the rows before added first: its failure may show a box.
    ListIds lists(tables, [&] { return products.Add() && products.Release(); });
    int32_t updated = 0;
    enum class Outcome { kLater, kUpdated, kFailed };
    // A row whose product another user changed meanwhile is matched again, a bounded
    // number of times.
    constexpr int kMatches = 4;
    const auto importRow = [&](const CsvRow& row) {
      for (int match = 1; match <= kMatches; ++match) {
        p.Init();
        // The row's list entries are known first. A row of an existing product is matched
        // with the locks as they are; a new product's only under them, so that no other
        // user adds it meanwhile.
        if (!ReadRow(row, cols, loc, lists, p) || !products.Current()) break;
        int32_t id = products.Matching(p);
        if (id == -1 && !products.Held()) {
          if (!products.Hold()) break;
          id = products.Matching(p);
        }
        if (id < 0) {
          products.Later(p, row.Line());
          return Outcome::kLater;
        }
        // A short row changes only the fields it has cells for: the missing ones keep
        // what the product holds. An existing product keeps its stock: no beginning
        // inventory for it. The locks are given up before the product is read or written.
        const bool noPartNo = p.sPartNo.isEmpty();
        if (id == 0 || !products.Add() || !products.Release()) break;
        if (row.Count() < columns) {
          const store::Status read = tables.LoadProduct(p, id);
          if (read.is(store::Failure::kNotFound)) {
            products.Forget(id);
            continue;
          }
          if (!read.ok() || !ReadRow(row, cols, loc, lists, p)) break;
        }
        if (noPartNo) p.sPartNo.clear();
        p.nProdId = id;
        const store::Status status = products.Update(p);
        if (status.ok()) return Outcome::kUpdated;
        if (!status.is(store::Failure::kChanged) && !status.is(store::Failure::kNotFound)) break;
      }
      return Outcome::kFailed;
    };
    // New rows are appended under a hold of the tables' append locks, given up now and
    // then for other users. The list texts of the rows up to the next such break are
    // looked up before it, with the locks given up, so that no new text cuts the hold
    // short; the first that cannot be recorded stops the look-ahead, its row then fails.
    const std::vector<CsvRow>& rows = file.Rows();
    size_t listed = 0;  // the rows whose list texts are known
    const auto listAhead = [&](size_t from) {
      for (const size_t to = std::min(rows.size(), from + kHeldRows); listed < to; ++listed) {
        if (!lists.Take(rows[listed], cols)) {
          listed = rows.size();
          break;
        }
      }
    };
    listAhead(0);
    size_t heldRows = 0;
    for (size_t at = 0; at < rows.size(); ++at) {
      const CsvRow& row = rows[at];
      if (pump.Due() || ++heldRows == kHeldRows) {
        if (!products.Add() || !products.Release()) {
          stoppedRow = products.Stopped() != 0 ? products.Stopped() : row.Line();
          break;
        }
        heldRows = 0;
        listAhead(at);
        sys.WaitDlgUpdate(dlg, ProgressPercent(row.Line(), lines));
        QCoreApplication::processEvents();
      }
      const Outcome outcome = importRow(row);
      if (outcome == Outcome::kFailed) {
        if (products.Add()) stoppedRow = row.Line();
        break;
      }
      if (outcome == Outcome::kUpdated) ++updated;
    }
    products.Add();
    products.Release();
    if (stoppedRow == 0) stoppedRow = products.Stopped();
    count = updated + products.Stored();
  } catch (...) {
    rt::TrapError();
    sys.ShowError(QStringLiteral("frmMain_ImportProductsFromFile"));
    return false;
  }
  return true;
}

void ImportProducts() {
  if (Busy()) return;
  gSystem().UnloadAll(QStringLiteral("MAINFORM"));
  ImportProductsHelper();
}

void ImportProductsHelper() {
  const BusyGuard busy;
  if (!busy.Acquired() || !gDB().IsOpen()) return;
  clsSystem& sys = gSystem();
  // Kept after Cancel, so the next import shows the same file name.
  static QPointer<frmImportProducts> kept;
  try {
    rt::Collection columns;
    productcsv::SetupColumns(columns);
    bool bContinue = true;
    QStringList headings;
    QString errors;
    int32_t count = 0;
    int32_t stoppedRow = 0;
    size_t removed = 0;
    QString path;
    std::optional<clsImportData> data;
    // Cancel while the file is read or checked shows the dialog again.
    const std::optional<bool> checked = RunKeptChecked(kept, [](frmImportProducts&) {}, [&](frmImportProducts& dlg) {
      path = dlg.txtImportFile->text();
      QCoreApplication::processEvents();
      data.emplace();
      const bool passed = data->ValidateCols(path, columns, headings, errors) &&
                          data->ValidateRows(path, columns, headings, errors, count);
      return !passed && data->Cancelled() ? std::nullopt : std::optional<bool>(passed);
    });
    if (!checked) return;
    bool ok = *checked;
    QCoreApplication::processEvents();
    if (ok) {
      data->PreviewData(path, columns, headings, count, bContinue);
      if (bContinue) ok = ImportProductsFromFile(data->File(), headings, count, stoppedRow, &removed);
    }
    const QString n = QString::number(count);
    const QString repaired =
        removed == 0 ? QString()
                     : QStringLiteral(" %1 beginning inventory Receive(s) left without their product by an import that "
                                      "was cut short were removed.")
                           .arg(removed);
    if (!bContinue) {
      Inform(QStringLiteral("Import cancelled by the user!"));
    } else if (ok && stoppedRow == 0) {
      Inform(QStringLiteral("Imported ") + n +
             QStringLiteral(" Products! These products will now appear on the 'Current Inventory' screen.") + repaired);
    } else if (ok) {
      ui::MsgBox(QStringLiteral("Imported ") + n + QStringLiteral(" of ") +
                     QString::number(data->File().Rows().size()) + QStringLiteral(" Products! Row ") +
                     QString::number(stoppedRow) +
                     QStringLiteral(" could not be saved, so the import stopped there: that row and the rows "
                                    "after it were not imported.") +
                     (gDB().LastSaveFailure() == store::Failure::kLocked
                          ? QStringLiteral(" The table was in use by another user: try the import again in a moment.")
                          : QString()) +
                     repaired,
                 ui::vbExclamation, rt::App::ProductName());
    } else {
      sys.ShowMsg(QStringLiteral("IMPORT FAILED FROM FILE ") + path + QStringLiteral("!") + sys.CRLF(2) + errors, 3, -1);
    }
  } catch (...) {
    rt::TrapError();
    delete kept.data();
    sys.ShowError(QStringLiteral("ImportProductsHelper()"));
  }
}

}  // namespace exchange
