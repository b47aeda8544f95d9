#include "reports/mdlInventoryGrid.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "database/RptColumnIds.h"
#include "database/clsDB.h"
#include "database/clsProductStats.h"
#include "database/clsRptDef.h"
#include "database/store/ReportTables.h"
#include "database/store/Scans.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/Currency.h"
#include "platform/runtime/Error.h"
#include "reports/mdlGrid.h"
#include "services/clsSystem.h"

namespace reports {
namespace {


// One product as the filler uses it.
struct ProductRow : store::ProductLabels {
  int32_t id = 0;
  QString leadTime, notes;
  rt::Currency reorderLevel, reorderQty, stdCost, stdPrice;
};

bool HasColumn(const clsRptDef& def, int32_t id) {
  for (const clsRptColDef& c : def.m_collColumnDefs)
    if (c.m_nRowID == id) return true;
  return false;
}

// True when a column shows a figure worked out from the transactions' prices; the
// unit counts and the values at the product's own cost or price need none.
bool NeedsPrices(const clsRptDef& def) {
  for (const int32_t id : {invcol::kOnOrderValueActualCost, invcol::kAvgCostPerUnit, invcol::kAvgPricePerUnit,
                           invcol::kStockValueAvgCost, invcol::kStockValueAvgPrice, invcol::kOnOrderValueAvgCost})
    if (HasColumn(def, id)) return true;
  return false;
}

// The texts of a product that a report reads: those of its columns, the name and part
// number also for a search.
struct ShownTexts {
  ShownTexts(const clsRptDef& def, bool searching)
      : name(searching || HasColumn(def, invcol::kProductName)),
        partNo(searching || HasColumn(def, invcol::kPartNumber)),
        leadTime(HasColumn(def, invcol::kLeadTime)),
        notes(HasColumn(def, invcol::kNotes)) {
    for (size_t i = 0; i < custom.size(); ++i) custom[i] = HasColumn(def, invcol::kCustom1 + static_cast<int32_t>(i));
  }
  bool name, partNo, leadTime, notes;
  std::array<bool, 4> custom {};
};

// The current product: its numbers and the texts shown.
ProductRow ReadProduct(const store::ProductView& r, const ShownTexts& shown, GridNotes& notes) {
  ProductRow p;
  p.id = r.Id();
  if (shown.name) p.name = r.Name();
  if (shown.partNo) p.partNo = r.PartNo();
  p.location = r.Location();
  p.group = r.Group();
  p.manuf = r.Manuf();
  p.vendor = r.Vendor();
  for (size_t i = 0; i < p.custom.size(); ++i)
    if (shown.custom[i]) p.custom[i] = r.Custom(i);
  if (shown.leadTime) p.leadTime = r.LeadTime();
  if (shown.notes && r.HasNotes()) p.notes = notes.Text(r);
  p.reorderLevel = r.ReorderLevel();
  p.reorderQty = r.ReorderQty();
  p.stdCost = r.StdCost();
  p.stdPrice = r.StdPrice();
  return p;
}

// Stock figures of single products: from one pass over every transaction, or by a
// walk of the product's own transactions; the unit counts alone where the report shows
// no figure that needs the prices.
class StatsSource {
 public:
  StatsSource(const store::ReportTables& tables, const clsRptDef& def)
      : tables_(tables), unitsOnly_(!NeedsPrices(def)) {}
  void LoadAll() {
    bulk_ = true;
    bulkOk_ = tables_.HasTransactions() && gDB().GetAllProductStats(all_, failed_, tables_, unitsOnly_);
  }
  // False when the figures could not be computed (the record is then all 0), as for
  // every product when the transactions did not open.
  bool Get(int32_t id, clsProductStats& s) {
    s.Init(id);
    if (!tables_.HasTransactions()) return false;
    if (!bulk_) return gDB().GetProductStats(s, tables_, unitsOnly_);
    if (!bulkOk_ || failed_.count(id) != 0) return false;
    if (auto it = all_.find(id); it != all_.end()) s = it->second;
    return true;
  }

 private:
  const store::ReportTables& tables_;
  const bool unitsOnly_;
  bool bulk_ = false;
  bool bulkOk_ = false;
  std::unordered_map<int32_t, clsProductStats> all_;
  std::unordered_set<int32_t> failed_;
};

double D(const rt::Currency& c) { return c.ToDouble(); }

// A count times an amount, rounded half to even at the fourth decimal as a currency
// product is; never an overflow.
double D(const rt::Currency& a, const rt::Currency& b) { return rt::ProductToDouble(a, b); }

QVariant CellValue(int32_t colId, const ProductRow& p, const clsProductStats& s) {
  switch (colId) {
    case invcol::kProductName: return p.name;
    case invcol::kPartNumber: return p.partNo;
    case invcol::kLocation: return p.location;
    case invcol::kGroup: return p.group;
    case invcol::kManufacturer: return p.manuf;
    case invcol::kVendor: return p.vendor;
    case invcol::kCustom1:
    case invcol::kCustom2:
    case invcol::kCustom3:
    case invcol::kCustom4: return p.custom[static_cast<size_t>(colId - invcol::kCustom1)];
    case invcol::kReorderLevel: return D(p.reorderLevel);
    case invcol::kReorderQty: return D(p.reorderQty);
    case invcol::kLeadTime: return p.leadTime;
    case invcol::kPhysicalUnits: return D(s.m_curNumUnitsInStock_Physical);
    case invcol::kAllocatedUnits: return D(s.m_curNumUnitsAllocated);
    case invcol::kAvailableUnits: return D(s.m_curNumUnitsInStock_Available);
    case invcol::kUnitsOnOrder: return D(s.m_curNumUnitsOnOrder);
    case invcol::kStdCost: return D(p.stdCost);
    case invcol::kStdPrice: return D(p.stdPrice);
    case invcol::kOnOrderValueActualCost: return D(s.m_curOnOrderCostActual);
    case invcol::kStockValueStdCost: return D(s.m_curNumUnitsInStock_Physical, p.stdCost);
    case invcol::kStockValueStdPrice: return D(s.m_curNumUnitsInStock_Physical, p.stdPrice);
    case invcol::kAvgCostPerUnit: return D(s.m_curAvgCostPerUnit);
    case invcol::kAvgPricePerUnit: return D(s.m_curAvgPricePerUnit);
    case invcol::kStockValueAvgCost: return D(s.m_curStkCostAvg);
    case invcol::kStockValueAvgPrice: return D(s.m_curStkPriceAvg);
    case invcol::kNotes: return p.notes;
    case invcol::kOnOrderValueStdCost: return D(s.m_curNumUnitsOnOrder, p.stdCost);
    case invcol::kOnOrderValueAvgCost: return D(s.m_curNumUnitsOnOrder, s.m_curAvgCostPerUnit);
    default: return QString();
  }
}

void SetInventoryCells(GridCellWriter& w, int row, const ProductRow& p, const clsRptDef& def,
                       const clsProductStats& s) {
  int k = 0;
  for (const clsRptColDef& c : def.m_collColumnDefs) w.Set(row, ++k, c, CellValue(c.m_nRowID, p, s));
}

// Filters, stock figures, the row and its indication; true when the row was written.
// `force` writes the row whatever the group, location and level say.
bool DisplayInventoryRecord(ctl::GridControl& grd, int& row, const ProductRow& p, const clsRptDef& def,
                            StatsSource& stats, bool requiresStats, GridCellWriter& w, bool force) {
  const clsInvSelCriteria& crit = def.m_udInvSelCriteria;
  bool include = true;
  if (crit.m_nProductGroup > 0) include = crit.m_nProductGroup == p.group;
  if (crit.m_nProductLocation > 0 && include) include = crit.m_nProductLocation == p.location;
  if (!include && !force) return false;

  clsProductStats s;
  s.Init(p.id);
  bool computed = false;
  if (crit.m_udIndicate != 0 || crit.m_udInvLevel != 0) computed = stats.Get(p.id, s);
  const bool zeroPhysical = !computed || s.m_curNumUnitsInStock_Physical == rt::Currency();
  const bool outOfStock = computed && s.m_curNumUnitsInStock_Available < rt::Currency(1);
  const bool reorder = computed && s.m_curNumUnitsInStock_Available <= p.reorderLevel;
  switch (crit.m_udInvLevel) {
    case 1: include = computed && !zeroPhysical; break;
    case 2: include = outOfStock; break;
    case 3: include = reorder; break;
    default: break;
  }
  if (!include && !force) return false;
  if (requiresStats && !computed && crit.m_udIndicate == 0 && crit.m_udInvLevel == 0) {
    if (!stats.Get(p.id, s)) s.Init(p.id);
  }

  if (row < 1) row = w.AppendRow();
  grd.setRowData(row, p.id);
  SetInventoryCells(w, row, p, def, s);
  // A reloaded row loses the colour of an earlier indication before it is judged again.
  const int last = grd.Cols() - 1;
  if (last >= 1) grd.setCell(ctl::flexcpForeColor, row, 1, row, last, QVariant::fromValue<qlonglong>(-1));
  if (crit.m_udInvLevel == 0 &&
      ((crit.m_udIndicate == 2 && outOfStock) || (crit.m_udIndicate == 1 && reorder))) {
    StyleGridRow(grd, row, kIndicateForeColor, -1);
  }
  return true;
}

// The walk: the products in name (or part number) order that are not hidden and match
// the search, then their rows. The figures come in one pass when many rows need them.
void LoadInventoryGridRowsHelper(ctl::GridControl& grd, const clsRptDef& def, GridLoad& load,
                                 const store::ReportTables& tables, StatsPath path) {
  try {
    const bool requiresStats = def.RequiresProdStats();
    const clsInvSelCriteria& crit = def.m_udInvSelCriteria;
    const QString search = crit.m_NameSearchStr.toUpper();
    const bool searching = !search.isEmpty();
    const bool byPartNo = searching ? crit.m_udProdSearchByName == 1 : gDB().ProdPartNumberFirstGet();
    const ShownTexts shown(def, searching);

    std::vector<ProductRow> products;
    store::ProductScan scan = tables.ScanProducts();
    products.reserve(static_cast<size_t>(std::max(0L, scan.RecordCount())));
    const store::ProductView& r = scan.row();
    GridNotes notes;
    for (bool more = scan.FirstVisible(byPartNo ? store::SearchType::kPartNo : store::SearchType::kName); more;
         more = scan.NextVisible()) {
      ProductRow p = ReadProduct(r, shown, notes);
      if (!searching || ProductMatchesSearchText(crit.m_udProdSearchByName, search, p.name, p.partNo)) {
        products.push_back(std::move(p));
      }
      if (!load.Continue()) break;
    }
    if (load.Cancelled()) return;

    StatsSource stats(tables, def);
    const bool needsStats = requiresStats || crit.m_udIndicate != 0 || crit.m_udInvLevel != 0;
    const bool bulk = path == StatsPath::Bulk ||
                      (path == StatsPath::Auto && products.size() > static_cast<size_t>(kBulkStatsMinProducts));
    if (needsStats && bulk) stats.LoadAll();
    GridCellWriter w(grd);
    for (const ProductRow& p : products) {
      int row = -1;
      DisplayInventoryRecord(grd, row, p, def, stats, requiresStats, w, false);
      if (!load.Continue()) break;
    }
    if (load.grid() != nullptr) notes.ReportUnreadable(QStringLiteral("products"), gDB().ProductsTable());
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("LoadInventoryGridRowsHelper"));
  }
}

}  // namespace

bool ProductMatchesSearchText(int32_t udSearchBy, const QString& sSearch, const QString& sName,
                              const QString& sPartNo) {
  if (sSearch.trimmed().isEmpty()) return true;
  if (udSearchBy != 0 && udSearchBy != 1) return true;
  const QString& field = udSearchBy == 1 ? sPartNo : sName;
  return field.toUpper().contains(sSearch.toUpper());
}

bool LoadInventoryGrid(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nSelID) {
  return LoadInventoryGrid(grd, RptDef, nSelID, StatsPath::Auto);
}

bool LoadInventoryGrid(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nSelID, StatsPath path) {
  bool opened = true;
  LoadReportGrid(
      grd, RptDef, nSelID,
      [&](GridLoad& load) {
        // Products whose figures cannot be computed still show at level 0.
        opened = WithReportTables(
            [&](const store::ReportTables& tables) { LoadInventoryGridRowsHelper(grd, RptDef, load, tables, path); },
            true);
      },
      QStringLiteral("LoadInventoryGrid"));
  return opened;
}

bool ReloadInvRow(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nRow, int32_t nProductID) {
  bool written = false;
  WithReportTables([&](const store::ReportTables& tables) {
    try {
      store::ProductScan scan = tables.ScanProducts();
      if (!scan.Find(nProductID)) return;
      StatsSource stats(tables, RptDef);
      GridCellWriter w(grd);
      int row = nRow;
      const store::ProductView& r = scan.row();
      GridNotes notes;
      const ProductRow p = ReadProduct(r, ShownTexts(RptDef, false), notes);
      written = DisplayInventoryRecord(grd, row, p, RptDef, stats, RptDef.RequiresProdStats(), w, true);
      notes.ReportUnreadable(QStringLiteral("products"), gDB().ProductsTable());
    } catch (...) {
      rt::TrapError();
      gSystem().ShowError(QStringLiteral("ReloadInvRow"));
    }
  });
  return written;
}

}  // namespace reports
