#include "exchange/clsImportTransactions.h"

#include <QCoreApplication>
#include <QHash>
#include <QLineEdit>
#include <QPointer>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "database/clsDB.h"
#include "database/store/Codes.h"
#include "database/store/Products.h"
#include "exchange/CsvNumber.h"
#include "exchange/ExchangeSupport.h"
#include "exchange/frmImportTran.h"
#include "exchange/ExchangeCommands.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "services/CsvFile.h"
#include "services/EventPump.h"
#include "services/clsImportColDef.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

namespace {

const QString kPartNumber = QStringLiteral("PARTNUMBER");
const QString kUnits = QStringLiteral("UNITS");
const QString kAmount = QStringLiteral("AMOUNTPERUNIT");

constexpr int64_t kHighest = 2000000000;
// Rows added under one hold of the table's locks; other users get in between batches.
constexpr size_t kBatchRows = 256;

// The standard amount a row of the type takes from its product: cost or price; nullopt
// for another type, which keeps the row's amount.
std::optional<store::AmountType> StdAmountType(int32_t tranType) {
  using store::TranType;
  switch (static_cast<TranType>(tranType)) {
    case TranType::kOnOrder:
    case TranType::kReceive:
    case TranType::kShrinkage: return store::AmountType::kStdCost;
    case TranType::kShip:
    case TranType::kAllocate: return store::AmountType::kStdPrice;
    default: return std::nullopt;
  }
}

// A store failure as the error report of the import's step `label`.
void ShowFailure(const store::Status& status, const QString& label) {
  if (!status.is(store::Failure::kError)) return;
  status.MakePending();
  gSystem().ShowError(label);
}

// The standard cost or price a row of the type takes from its product (the amount as
// it stands for another type); nullopt when the product is gone, or could not be read
// (the error has been shown).
std::optional<rt::Currency> StdAmountOf(const clsTran& t, const ExchangeTables& tables) {
  const std::optional<store::AmountType> type = StdAmountType(t.udTranType);
  if (!type) return t.curUnitPrice;
  const store::Result<rt::Currency> amount = tables.StdAmount(t.nProdId, *type);
  if (amount.ok()) return amount.value;
  ShowFailure(amount.status, QStringLiteral("clsImportTransactions_DoImport"));
  return std::nullopt;
}

QString Unknown(int32_t line, const QString& partNo) {
  return clsImportData::FmtRowNum(line) + QStringLiteral(": Product with part number '") + partNo +
         QStringLiteral("' does not exist.") + gSystem().CRLF(1);
}

}  // namespace

void clsImportTransactions::InitColumns() {
  struct Def {
    const QString& keyword;
    bool nullOK;
    int64_t lowRaw;
  };
  const Def defs[] = {{kPartNumber, false, 0}, {kUnits, false, 1000}, {kAmount, true, 0}};
  for (const Def& d : defs) {
    auto def = std::make_shared<clsImportColDef>();
    def->sKeyword = d.keyword;
    def->nDataType = &d.keyword == &kPartNumber ? 0 : 2;
    def->bMustExist = true;
    def->bNullOK = d.nullOK;
    def->bValueRange = def->nDataType != 0;
    if (def->bValueRange) {
      def->curLowRange = rt::Currency::FromRaw(d.lowRaw);
      def->curHighRange = rt::Currency(kHighest);
    }
    // The width of the products table's part number.
    if (def->nDataType == 0) def->nMaxLen = 40;
    if (&d.keyword == &kUnits) def->sTimesKeyword = kAmount;
    columns_.Add(QVariant::fromValue(def), def->sKeyword);
  }
}

void clsImportTransactions::Init(const QString& sFilename, const clsTran& tran) {
  sFilename_ = sFilename;
  tran_ = tran;
}

QString clsImportTransactions::FailureText() const {
  const clsSystem& sys = gSystem();
  return QStringLiteral("Errors encountered while importing file: '") + sFilename_ + QStringLiteral("'") +
         sys.CRLF(2) + QStringLiteral("No transactions were imported.") + sys.CRLF(2);
}

QString clsImportTransactions::CellOf(const CsvRow& row, const QString& heading) const {
  const qsizetype at = arDataCols_.indexOf(heading, 1);
  return at > 0 ? row.Value(static_cast<int>(at)) : QString();
}

bool clsImportTransactions::ValidateData() {
  m_ErrorBuf.clear();
  try {
    if (!data_.ValidateCols(sFilename_, columns_, arDataCols_, m_ErrorBuf)) return false;
    QCoreApplication::processEvents();
    if (!data_.ValidateRows(sFilename_, columns_, arDataCols_, m_ErrorBuf, nNumRows_)) return false;
    QCoreApplication::processEvents();
    return ValidatePartNumbers();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsImportTransactions_ValidateDataFormat"));
    return false;
  }
}

bool clsImportTransactions::ValidatePartNumbers() {
  m_ErrorBuf.clear();
  cancelled_ = false;
  clsSystem& sys = gSystem();
  QPointer<frmProgress> dlg;
  try {
    const auto removeDlg = sys.WaitDlgRemoveOnExit(dlg);
    sys.WaitDlgShow(dlg, QStringLiteral("Import Data"), QStringLiteral("Validating Part Numbers. Please wait..."),
                    true, true);
    const clsDB::Batch batch(gDB());
    ExchangeTables tables;
    if (!exchange::HoldTable(tables, ExchangeTables::Which::kProducts, QStringLiteral("Unable to open Products table!"))) {
      return false;
    }
    bool ok = true;
    EventPump pump;
    const rt::LocaleInfo loc = rt::LocaleInfo::Current();
    const int32_t lines = nNumRows_;
    std::vector<clsTran> entries;  // the rows to import, each at its file line
    std::vector<int32_t> entryLines;
    entries.reserve(data_.File().Rows().size());
    entryLines.reserve(data_.File().Rows().size());
    // Each part number is looked up once, each product's standard amount read once.
    QHash<QString, int32_t> productOf;
    std::unordered_map<int32_t, std::optional<rt::Currency>> stdAmountOf;
    for (const CsvRow& row : data_.File().Rows()) {
      if (pump.Due()) {
        sys.WaitDlgUpdate(dlg, exchange::ProgressPercent(row.Line(), lines));
        QCoreApplication::processEvents();
        if (!dlg.isNull() && dlg->Cancelled()) {
          cancelled_ = true;
          return false;
        }
      }
      const QString partNo = CellOf(row, kPartNumber);
      clsTran t = tran_;
      t.nTranID = -1;
      auto known = productOf.find(partNo);
      if (known == productOf.end()) known = productOf.insert(partNo, tables.FindProduct(store::SearchType::kPartNo, partNo.toUpper()));
      t.nProdId = *known;
      if (t.nProdId < 1) {
        ok = false;
        m_ErrorBuf += Unknown(row.Line(), partNo);
        continue;
      }
      // A row without an amount takes its product's: units times that must fit too.
      t.curUnits = ReadCsvNumber(CellOf(row, kUnits), loc).value_or(rt::Currency());
      t.curUnitPrice = ReadCsvNumber(CellOf(row, kAmount), loc).value_or(rt::Currency());
      if (t.curUnitPrice <= rt::Currency()) {
        auto stored = stdAmountOf.find(t.nProdId);
        if (stored == stdAmountOf.end()) stored = stdAmountOf.emplace(t.nProdId, StdAmountOf(t, tables)).first;
        const std::optional<rt::Currency>& amount = stored->second;
        if (!amount) continue;
        t.curUnitPrice = *amount;
        if (!TranValueFits(t.curUnits, t.curUnitPrice)) {
          ok = false;
          m_ErrorBuf += clsImportData::FmtRowNum(row.Line()) + QStringLiteral(": ") +
                        TranValueTooLargeText(kUnits, QStringLiteral("the product's standard amount")) + sys.CRLF(1);
          continue;
        }
      }
      entries.push_back(std::move(t));
      entryLines.push_back(row.Line());
    }
    nNumRows_ = static_cast<int32_t>(data_.File().Rows().size());
    // The rows together must leave each product's figures within range.
    const std::optional<std::vector<size_t>> overflowing = gDB().TranFiguresOverflow(entries);
    if (!overflowing) return false;
    for (const size_t k : *overflowing) {
      QString name, partNo;
      tables.ProductName(entries[k].nProdId, name, partNo);
      m_ErrorBuf += clsImportData::FmtRowNum(entryLines[k]) + QStringLiteral(": ") +
                    TranFiguresTooLargeText(gDB().MakeProductName(name, partNo)) + sys.CRLF(1);
    }
    return ok && overflowing->empty();
  } catch (...) {
    rt::TrapError();
    sys.ShowError(QStringLiteral("clsImportTransactions_ValidatePartNumbers"));
    return false;
  }
}

bool clsImportTransactions::PreviewData() {
  bool bContinue = false;
  data_.PreviewData(sFilename_, columns_, arDataCols_, nNumRows_, bContinue);
  return bContinue;
}

bool clsImportTransactions::DoImport() {
  m_ErrorBuf.clear();
  imported_ = 0;
  clsSystem& sys = gSystem();
  clsDB& db = gDB();
  QPointer<frmProgress> dlg;
  try {
    const auto removeDlg = sys.WaitDlgRemoveOnExit(dlg);
    sys.WaitDlgShow(dlg, QStringLiteral("Import Data"), QStringLiteral("Importing transactions. Please wait..."),
                    true, false);
    const clsDB::Batch batch(db);
    ExchangeTables tables(db);
    using Which = ExchangeTables::Which;
    if (!exchange::HoldTable(tables, Which::kProducts, QStringLiteral("Unable to open Products table!")) ||
        !exchange::HoldTable(tables, Which::kTransactions, QStringLiteral("Unable to open Transactions table!"))) {
      return false;
    }
    // The products as they stand now, read once: a product changed by another user
    // since the check is seen as changed.
    const store::Result<store::PartNoMap> products = tables.VisibleByPartNo();
    if (!products.ok()) {
      ShowFailure(products.status, QStringLiteral("clsImportTransactions_DoImport"));
      return false;
    }
    const std::optional<store::AmountType> stdType = StdAmountType(tran_.udTranType);
    const rt::LocaleInfo loc = rt::LocaleInfo::Current();
    // Rows are added in batches; each row keeps its line and the length the list of
    // rows not imported had before it, so a batch that stops at a row reports as the
    // row-by-row import did: that row's failure after the rows before it.
    std::vector<clsTran> pending;
    std::vector<std::pair<int32_t, qsizetype>> pendingAt;
    const auto addPending = [&]() {
      const size_t added = tables.AddTrans(pending);
      imported_ += static_cast<int32_t>(added);
      const bool all = added == pending.size();
      if (!all) {
        m_ErrorBuf.truncate(pendingAt[added].second);
        m_ErrorBuf += clsImportData::FmtRowNum(pendingAt[added].first) +
                      QStringLiteral(": The transaction could not be saved; the import stopped here, so "
                                     "neither this row nor the rows after it were imported.") +
                      (db.LastSaveFailure() == store::Failure::kLocked
                           ? QStringLiteral(" The table was in use by another user: import this row and the rows "
                                            "after it again in a moment.")
                           : QString()) +
                      sys.CRLF(1);
      }
      pending.clear();
      pendingAt.clear();
      return all;
    };
    EventPump pump;
    for (const CsvRow& row : data_.File().Rows()) {
      if (pump.Due()) {
        sys.WaitDlgUpdate(dlg, exchange::ProgressPercent(row.Line(), nNumRows_));
        QCoreApplication::processEvents();
      }
      // Every row starts from the dialog's record: a short row never takes the values
      // of the row before it.
      clsTran t = tran_;
      t.nTranID = -1;
      const QString partNo = CellOf(row, kPartNumber);
      const std::optional<rt::Currency> units = ReadCsvNumber(CellOf(row, kUnits), loc);
      if (!units) {
        m_ErrorBuf += clsImportData::FmtRowNum(row.Line()) +
                      QStringLiteral(": A value must be entered for column UNITS.") + sys.CRLF(1);
        continue;
      }
      t.curUnits = *units;
      t.curUnitPrice = ReadCsvNumber(CellOf(row, kAmount), loc).value_or(rt::Currency());
      // A product changed by another user since the check: the row is left out.
      const auto found = products.value.find(store::Products::PartNoKey(partNo));
      if (found == products.value.end() || found->second.id < 1) {
        m_ErrorBuf += Unknown(row.Line(), partNo);
        continue;
      }
      const store::PartNoEntry& product = found->second;
      t.nProdId = product.id;
      // No amount, or none above 0: the product's standard cost or price.
      if (t.curUnitPrice <= rt::Currency() && stdType) {
        t.curUnitPrice = *stdType == store::AmountType::kStdCost ? product.stdCost : product.stdPrice;
      }
      pending.push_back(std::move(t));
      pendingAt.emplace_back(row.Line(), m_ErrorBuf.size());
      if (pending.size() == kBatchRows && !addPending()) break;
    }
    if (!pending.empty()) addPending();
  } catch (...) {
    rt::TrapError();
    sys.ShowError(QStringLiteral("clsImportTransactions_DoImport"));
    return false;
  }
  const QString done = QStringLiteral("Imported ") + QString::number(imported_);
  const QString where = QStringLiteral(" Transactions! These transactions can be viewed from Reports | Transactions menu.");
  if (m_ErrorBuf.isEmpty()) {
    exchange::Inform(done + where);
  } else {
    sys.ShowMsg(done + QStringLiteral(" of ") + QString::number(nNumRows_) + where + sys.CRLF(2) +
                    QStringLiteral("These rows were not imported:") + sys.CRLF(2) + m_ErrorBuf,
                2, -1);
  }
  return true;
}

namespace exchange {

void ImportTransactions() {
  const BusyGuard busy;
  if (!busy.Acquired() || !gDB().IsOpen()) return;
  // Kept after Cancel, so the next import shows the same entries.
  static QPointer<frmImportTran> kept;
  try {
    std::optional<clsImportTransactions> importer;
    clsTran tran;
    const std::optional<bool> checked = RunKeptChecked(
        kept,
        [&](frmImportTran& dlg) {
          dlg.Init(tran);
          dlg.RefreshLists();
        },
        [&](frmImportTran& dlg) -> std::optional<bool> {
          dlg.m_Tran = nullptr;
          importer.emplace();
          importer->Init(dlg.txtImportFile->text(), tran);
          const bool ok = importer->ValidateData();
          if (!ok && importer->Cancelled()) return std::nullopt;
          return ok;
        });
    if (!kept.isNull()) kept->m_Tran = nullptr;
    if (!checked) return;
    if (!*checked) {
      gSystem().ShowMsg(importer->FailureText() + importer->m_ErrorBuf, 3, -1);
      return;
    }
    if (!importer->PreviewData()) {
      Inform(QStringLiteral("Import cancelled by the user!"));
      return;
    }
    importer->DoImport();
  } catch (...) {
    rt::TrapError();
    delete kept.data();
    gSystem().ShowError(QStringLiteral("ImportTransactions()"));
  }
}

}  // namespace exchange
