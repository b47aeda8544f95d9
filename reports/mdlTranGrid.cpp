#include "reports/mdlTranGrid.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <optional>
#include <vector>

#include "database/RptColumnIds.h"
#include "database/clsDB.h"
#include "database/clsRptDef.h"
#include "database/store/ReportTables.h"
#include "database/store/Scans.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/Currency.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/ScopeGuard.h"
#include "platform/ui/Prompt.h"
#include "reports/mdlGrid.h"
#include "services/clsSystem.h"

namespace reports {
namespace {

// Missing products named one per line in the summary message, at most.
constexpr size_t kMissingListed = 20;

// What a transaction row shows of its product.
using ProductInfo = store::ProductLabels;

// The values of the keys met during one load, kept in the table itself (open
// addressing), so that a look-up touches one place. Values move when it grows.
template <class Key, class Value>
class FlatMap {
 public:
  // The value of `key`; `added` tells whether it was just made (value-initialised).
  Value& Find(Key key, bool* added) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    for (size_t i = Slot(key);; i = (i + 1) & (slots_.size() - 1)) {
      Entry& e = slots_[i];
      if (!e.used) {
        e.used = true;
        e.key = key;
        ++count_;
        *added = true;
        return e.value;
      }
      if (e.key == key) {
        *added = false;
        return e.value;
      }
    }
  }

 private:
  struct Entry {
    Key key{};
    bool used = false;
    Value value{};
  };
  // The top bits of the key times the golden ratio: every bit of the key counts.
  size_t Slot(Key key) const { return static_cast<size_t>((static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15ULL) >> shift_); }
  void Grow() {
    std::vector<Entry> old(std::max<size_t>(64, slots_.size() * 2));
    old.swap(slots_);
    shift_ = 64 - std::countr_zero(slots_.size());
    for (Entry& e : old) {
      if (!e.used) continue;
      size_t i = Slot(e.key);
      while (slots_[i].used) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = std::move(e);
    }
  }
  std::vector<Entry> slots_;
  int shift_ = 64;
  size_t count_ = 0;
};

// Small numbers for the keys met during one load, kept in a plain array (ids, days:
// few and close together, so a look-up stays in the cache); other keys in a FlatMap.
template <class Key>
class KeyIndex {
 public:
  static constexpr int kNone = -1;
  // The slot of `key`, whose place in the array is `dense` (-1: none); `added` tells
  // whether it was just made (value kNone).
  int& Find(Key key, int64_t dense, bool* added) {
    if (dense < 0 || dense >= kDenseMax) {
      int& slot = map_.Find(key, added);
      if (*added) slot = kNone;
      return slot;
    }
    const size_t at = static_cast<size_t>(dense);
    if (at >= array_.size()) array_.resize(std::max(at + 1, array_.size() * 2), kUnseen);
    int& slot = array_[at];
    *added = slot == kUnseen;
    if (*added) slot = kNone;
    return slot;
  }

 private:
  static constexpr int64_t kDenseMax = int64_t{1} << 20;
  static constexpr int kUnseen = -2;
  std::vector<int> array_;
  FlatMap<Key, int> map_;
};

// A stored date "YYYYMMDD" (1900 to 2155) as a day number; -1 for any other text.
int64_t DayNumber(uint64_t key) {
  int d[8];
  for (int i = 0; i < 8; ++i) {
    const int c = static_cast<int>((key >> (8 * i)) & 0xFF);
    if (c < '0' || c > '9') return -1;
    d[i] = c - '0';
  }
  const int year = d[0] * 1000 + d[1] * 100 + d[2] * 10 + d[3];
  const int month = d[4] * 10 + d[5];
  const int day = d[6] * 10 + d[7];
  if (year < 1900 || year > 2155 || month < 1 || month > 12 || day < 1 || day > 31) return -1;
  return ((year - 1900) * 12 + month - 1) * 31 + day - 1;
}

bool IsProductColumn(int32_t id) {
  using namespace trancol;
  return id == kProductName || id == kPartNumber || (id >= kLocation && id <= kCustom4);
}

// The products of one load, each read once by its row id (a missing one too), with
// the shared cells of the columns that show them.
class ProductCache {
 public:
  ProductCache(const store::ReportTables& tables, const clsRptDef& def) : scan_(tables.ScanProducts()) {
    slotOf_.assign(static_cast<size_t>(def.m_collColumnDefs.Count()) + 1, -1);
    int k = 0;
    for (const clsRptColDef& c : def.m_collColumnDefs) {
      ++k;
      if (IsProductColumn(c.m_nRowID)) {
        slotOf_[static_cast<size_t>(k)] = stride_++;
        shown_.push_back(c.m_nRowID);
      }
    }
  }
  // The product's index, or -1 when it is missing.
  int Find(int32_t id) {
    bool added = false;
    int& index = index_.Find(id, id, &added);
    if (added) {
      std::optional<ProductInfo> p = Read(id);
      index = p ? static_cast<int>(products_.size()) : -1;
      if (p) products_.push_back(std::move(*p));
      cells_.resize(products_.size() * static_cast<size_t>(stride_));
    }
    return index;
  }
  const ProductInfo& Info(int i) const { return products_[static_cast<size_t>(i)]; }
  // Whether product i's cells are still to be written first (they are all written at
  // its first row shown).
  bool FirstShown(int i) const { return stride_ > 0 && cells_[static_cast<size_t>(i) * static_cast<size_t>(stride_)].row < 0; }
  // The shared cell of product i in grid column k, a product column.
  ctl::SharedCell& Cell(int i, int k) {
    return cells_[static_cast<size_t>(i) * static_cast<size_t>(stride_) + static_cast<size_t>(slotOf_[static_cast<size_t>(k)])];
  }

 private:
  // Only the fields a column shows.
  std::optional<ProductInfo> Read(int32_t id) {
    if (!scan_.Find(id)) return std::nullopt;
    const store::ProductView& row = scan_.row();
    ProductInfo p;
    for (int32_t colId : shown_) {
      switch (colId) {
        case trancol::kProductName: p.name = row.Name(); break;
        case trancol::kPartNumber: p.partNo = row.PartNo(); break;
        case trancol::kLocation: p.location = row.Location(); break;
        case trancol::kGroup: p.group = row.Group(); break;
        case trancol::kManufacturer: p.manuf = row.Manuf(); break;
        case trancol::kVendor: p.vendor = row.Vendor(); break;
        default: {
          const size_t i = static_cast<size_t>(colId - trancol::kCustom1);
          p.custom[i] = row.Custom(i);
        }
      }
    }
    return p;
  }

  store::ProductScan scan_;
  std::vector<int> slotOf_;  // per grid column: its place among the product columns
  std::vector<int32_t> shown_;  // the product columns' ids
  int stride_ = 0;           // product columns
  KeyIndex<int32_t> index_;
  std::vector<ProductInfo> products_;
  std::vector<ctl::SharedCell> cells_;  // per product, per product column
};

struct MissingProduct {
  int32_t tranId, prodId;
};

// What a transaction's row shows, read from its record.
struct TranRow {
  int32_t tranId = 0;
  int32_t type = 0;
  int32_t catId = 0;
  int32_t shipMethod = 0;
  int product = -1;  // in the ProductCache
  int date = -1;     // in the dates met
  int note = -1;     // in the notes read since the last write; -1: none
  double units = 0, price = 0, extended = 0;
};

// One load or reload: the tables, their fields, the cell writers and what was skipped.
// A load reads its rows in batches and writes each batch column by column, the columns
// on several threads: the cells that later ones share (a product's, a date's, a type's
// first) are written as their rows are read, so that a batch's writes only share them.
class TranPlacer {
 public:
  TranPlacer(ctl::GridControl& grd, const clsRptDef& def, const store::ReportTables& tables,
             const store::TranView& tran)
      : grd_(grd), def_(def), t_(tran), products_(tables, def),
        writer_(grd) {
    for (int32_t t = 0; t <= 5; ++t) typeDesc_[static_cast<size_t>(t)] = gDB().GetTranTypeDesc(t);
    int k = 0;
    for (const clsRptColDef& c : def.m_collColumnDefs) {
      withNotes_ = withNotes_ || c.m_nRowID == trancol::kNotes;
      withNumbers_ = withNumbers_ || (c.m_nRowID >= trancol::kUnits && c.m_nRowID <= trancol::kExtendedAmount);
      withExtended_ = withExtended_ || c.m_nRowID == trancol::kExtendedAmount;
      withCategory_ = withCategory_ || c.m_nRowID == trancol::kCategory;
      withAccount_ = withAccount_ || c.m_nRowID == trancol::kAccount;
      columns_.push_back(++k);
      colDefs_.push_back(&c);
      colWriters_.push_back(std::make_unique<GridCellWriter>(grd));
    }
    const clsTranSelCriteria& crit = def.m_udTranSelCriteria;
    if (crit.m_DtRange > 0) {
      dateBegin_ = crit.dbDateBegin();
      dateEnd_ = crit.dbDateEnd();
    }
  }

  // Tests and places the current record at `row`, at once.
  void Display(int row, bool ignoreCriteria) {
    TranRow r;
    if (!Read(ignoreCriteria, &r)) return;
    grd_.setRowData(row, r.tranId);
    WriteFirstCells(row, r);
    for (int k : columns_) WriteCell(row, k, r, writer_, false);
    notes_.clear();
  }

  // Tests the current record and, when it passes, appends its row; its cells are
  // written with the batch's.
  void Append(bool ignoreCriteria) {
    TranRow r;
    if (!Read(ignoreCriteria, &r)) return;
    const int row = writer_.AppendRow();
    grd_.setRowData(row, r.tranId);
    WriteFirstCells(row, r);
    batch_.emplace_back(row, r);
    if (batch_.size() == kBatchRows) WriteBatch();
  }

  // Writes the cells of the rows appended since the last write.
  void WriteBatch() {
    if (batch_.empty()) return;
    const rt::ScopeGuard done([this] {
      batch_.clear();
      notes_.clear();
    });
    grd_.WriteColumns(batch_.front().first, batch_.back().first, columns_, [this](int k) {
      GridCellWriter& writer = *colWriters_[static_cast<size_t>(k - 1)];
      for (const auto& [row, r] : batch_) WriteCell(row, k, r, writer, true);
    });
  }

  // The grid keeps exactly the rows placed.
  void Finish() { writer_.Finish(); }
  void Reserve(int nRows) { writer_.Reserve(nRows); }

  // One message for the notes that could not be read.
  void ReportUnreadable() const { noteReader_.ReportUnreadable(QStringLiteral("transactions"), gDB().TranTable()); }

  // One message for every transaction left out for its missing product.
  void ReportMissing() const {
    if (missing_.empty()) return;
    auto line = [](const MissingProduct& m) {
      return QStringLiteral("Transaction Id: %1 has an invalid Product Id: %2").arg(m.tranId).arg(m.prodId);
    };
    QString text;
    if (missing_.size() == 1) {
      text = line(missing_.front()) + QStringLiteral(" . Omitting this transaction from display.");
    } else {
      text = QStringLiteral("%1 transactions have an invalid Product Id. Omitting these transactions from display.")
                 .arg(missing_.size());
      for (size_t i = 0; i < missing_.size() && i < kMissingListed; ++i) text += gSystem().CRLF() + line(missing_[i]);
      if (missing_.size() > kMissingListed) text += gSystem().CRLF() + QStringLiteral("...");
    }
    ui::MsgBox(text, ui::vbOKOnly);
  }

 private:
  // Rows read before their cells are written: enough that the threads pay.
  static constexpr size_t kBatchRows = ctl::grid::kRowsPerThread;

  struct DateInfo {
    QString text;          // trimmed
    ctl::SharedCell cell;  // the cell that first showed it
  };
  int DateOf(uint64_t key) {
    bool added = false;
    int& index = dateIndex_.Find(key, DayNumber(key), &added);
    if (added) {
      index = static_cast<int>(dates_.size());
      dates_.push_back({store::TranView::DateText(key), {}});
    }
    return index;
  }

  // The current record's row; false when the criteria leave it out or its product is
  // missing (noted).
  bool Read(bool ignoreCriteria, TranRow* r) {
    r->tranId = t_.Id();
    const int32_t prodId = t_.ProdId();
    r->type = t_.Type();
    r->date = DateOf(t_.DateKey());
    if (!ignoreCriteria && !Passes(prodId, r->type, dates_[static_cast<size_t>(r->date)].text)) return false;
    r->product = products_.Find(prodId);
    if (r->product < 0) {
      missing_.push_back({r->tranId, prodId});
      return false;
    }
    if (withNumbers_) {
      if (withExtended_) {
        rt::Currency units, price;
        r->units = t_.Units(&units);
        r->price = t_.UnitPrice(&price);
        // Units times price as currency, exact to the fourth decimal.
        r->extended = rt::ProductToDouble(units, price);
      } else {
        r->units = t_.Units();
        r->price = t_.UnitPrice();
      }
    }
    if (withCategory_) r->catId = t_.CatId();
    if (withAccount_) r->shipMethod = t_.ShipMethod();
    // Most transactions have no note: no value is built.
    if (withNotes_ && t_.HasNotes()) {
      r->note = static_cast<int>(notes_.size());
      notes_.push_back(noteReader_.Text(t_));
    }
    return true;
  }

  bool Passes(int32_t prodId, int32_t type, const QString& date) const {
    const clsTranSelCriteria& crit = def_.m_udTranSelCriteria;
    if (crit.m_nProductID > 0 && crit.m_nProductID != prodId) return false;
    if (crit.m_udTranType > 0 && crit.m_udTranType != type) return false;
    if (crit.m_nTranCatID > 0 && crit.m_nTranCatID != t_.CatId()) return false;
    if (crit.m_nTranAcctID > 0 && crit.m_nTranAcctID != t_.ShipMethod()) return false;
    if (crit.m_DtRange > 0 && (date < dateBegin_ || date > dateEnd_)) return false;
    return true;
  }

  // The shared cell column k of row r shows, if any.
  ctl::SharedCell* SharedOf(int k, const TranRow& r) {
    const int32_t id = colDefs_[static_cast<size_t>(k - 1)]->m_nRowID;
    if (id == trancol::kDate) return &dates_[static_cast<size_t>(r.date)].cell;
    if (id == trancol::kType) return r.type >= 0 && r.type <= 5 ? &typeCell_[static_cast<size_t>(r.type)] : nullptr;
    return IsProductColumn(id) ? &products_.Cell(r.product, k) : nullptr;
  }

  // Writes the cells of row `row` that a date, type or product shows first.
  void WriteFirstCells(int row, const TranRow& r) {
    const bool firstType = r.type >= 0 && r.type <= 5 && typeCell_[static_cast<size_t>(r.type)].row < 0;
    if (!firstType && dates_[static_cast<size_t>(r.date)].cell.row >= 0 && !products_.FirstShown(r.product)) return;
    for (int k : columns_) {
      ctl::SharedCell* shared = SharedOf(k, r);
      if (shared == nullptr || shared->row >= 0) continue;
      const clsRptColDef& c = *colDefs_[static_cast<size_t>(k - 1)];
      writer_.SetShared(row, k, c, *shared, [&] { return Value(c.m_nRowID, r); });
    }
  }

  // Writes cell (row, k) of row r but a first cell WriteFirstCells wrote; `appended`:
  // the row's cells are empty. Reads only what a load's reading has settled, so the
  // columns of a batch can be written at once.
  void WriteCell(int row, int k, const TranRow& r, GridCellWriter& writer, bool appended) {
    const clsRptColDef& c = *colDefs_[static_cast<size_t>(k - 1)];
    switch (c.m_nRowID) {
      case trancol::kUnits: writer.SetNumber(row, k, c, r.units); return;
      case trancol::kAmountPerUnit: writer.SetNumber(row, k, c, r.price); return;
      case trancol::kExtendedAmount: writer.SetNumber(row, k, c, r.extended); return;
      case trancol::kNotes:
        if (r.note >= 0)
          writer.SetText(row, k, c, notes_[static_cast<size_t>(r.note)]);
        else if (!appended)
          grd_.setTextMatrix(row, k, QString());
        return;
      case trancol::kCategory: writer.SetInteger(row, k, c, r.catId); return;
      case trancol::kAccount: writer.SetInteger(row, k, c, r.shipMethod); return;
      default: break;
    }
    // Values that repeat are stored once: by date, type or product.
    if (const ctl::SharedCell* shared = SharedOf(k, r)) {
      if (shared->row != row) writer.Share(*shared, row, k);
    } else {
      writer.Set(row, k, c, Value(c.m_nRowID, r));
    }
  }

  QVariant Value(int32_t colId, const TranRow& r) const {
    const ProductInfo& p = products_.Info(r.product);
    switch (colId) {
      case trancol::kDate: return dates_[static_cast<size_t>(r.date)].text;
      case trancol::kType: return r.type >= 1 && r.type <= 5 ? typeDesc_[static_cast<size_t>(r.type)] : typeDesc_[0];
      case trancol::kProductName: return p.name;
      case trancol::kPartNumber: return p.partNo;
      case trancol::kLocation: return p.location;
      case trancol::kGroup: return p.group;
      case trancol::kManufacturer: return p.manuf;
      case trancol::kVendor: return p.vendor;
      case trancol::kCustom1:
      case trancol::kCustom2:
      case trancol::kCustom3:
      case trancol::kCustom4: return p.custom[static_cast<size_t>(colId - trancol::kCustom1)];
      default: return QString();
    }
  }

  ctl::GridControl& grd_;
  const clsRptDef& def_;
  const store::TranView& t_;
  ProductCache products_;
  GridCellWriter writer_;
  std::vector<int> columns_;                    // 1..n
  std::vector<const clsRptColDef*> colDefs_;    // of column k at k - 1
  std::vector<std::unique_ptr<GridCellWriter>> colWriters_;  // of column k at k - 1: a batch's
  std::array<QString, 6> typeDesc_;  // [0]: "Unknown"
  bool withNotes_ = false;
  bool withNumbers_ = false;  // units and price are read for each row
  bool withExtended_ = false;
  bool withCategory_ = false, withAccount_ = false;  // read only when shown
  QString dateBegin_, dateEnd_;
  std::vector<MissingProduct> missing_;
  GridNotes noteReader_;
  std::vector<QString> notes_;  // read since the last write
  std::vector<std::pair<int, TranRow>> batch_;  // rows appended but not written
  KeyIndex<uint64_t> dateIndex_;
  std::vector<DateInfo> dates_;
  std::array<ctl::SharedCell, 6> typeCell_{};  // per type: the cell that first showed its text
};

void LoadTranGridRowsHelper(ctl::GridControl& grd, const clsRptDef& def, GridLoad& load,
                            const store::ReportTables& tables) {
  try {
    const clsTranSelCriteria& crit = def.m_udTranSelCriteria;
    const TranGridWalk walk = TranGridWalkFor(crit.m_nProductID, crit.m_udTranType);
    store::TranScan scan = tables.ScanTransactions();
    TranPlacer placer(grd, def, tables, scan.row());
    // Without a filter every row is shown: room for them all at once.
    if (walk == TranGridWalk::kAll && crit.m_nTranCatID <= 0 && crit.m_nTranAcctID <= 0 && crit.m_DtRange <= 0)
      placer.Reserve(static_cast<int>(scan.RecordCount()));
    // Every transaction is read in record order (the grid is sorted afterwards, and the
    // index would add a lock per row); a product's or a type's through its tag.
    const bool first = walk == TranGridWalk::kOfProduct ? scan.OfProduct(crit.m_nProductID)
                       : walk == TranGridWalk::kOfType  ? scan.OfType(crit.m_udTranType)
                                                        : scan.All();
    for (bool more = first; more; more = scan.Next()) {
      try {
        placer.Append(false);
      } catch (...) {
        rt::TrapError();
        gSystem().ShowError(QStringLiteral("DisplayTranRecord"));
      }
      if (!load.Continue()) break;
    }
    if (load.grid() == nullptr) return;
    placer.WriteBatch();
    placer.Finish();
    placer.ReportMissing();
    placer.ReportUnreadable();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("LoadTranGridRowsHelper"));
  }
}

}  // namespace

TranGridWalk TranGridWalkFor(int32_t nProductID, int32_t udTranType) {
  if (nProductID > 0) return TranGridWalk::kOfProduct;
  if (udTranType > 0) return TranGridWalk::kOfType;
  return TranGridWalk::kAll;
}

bool LoadTranGrid(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nSelRowID) {
  bool opened = true;
  LoadReportGrid(
      grd, RptDef, nSelRowID,
      [&](GridLoad& load) {
        opened = WithReportTables(
            [&](const store::ReportTables& tables) { LoadTranGridRowsHelper(grd, RptDef, load, tables); });
      },
      QStringLiteral("LoadTranGrid"));
  return opened;
}

void ReloadTranRow(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nRow, int32_t nTranID) {
  WithReportTables([&](const store::ReportTables& tables) {
    try {
      store::TranScan scan = tables.ScanTransactions();
      if (!scan.Find(nTranID)) return;
      TranPlacer placer(grd, RptDef, tables, scan.row());
      placer.Display(nRow, true);
      placer.ReportMissing();
      placer.ReportUnreadable();
    } catch (...) {
      rt::TrapError();
      gSystem().ShowError(QStringLiteral("ReloadTranRow"));
    }
  });
}

}  // namespace reports
