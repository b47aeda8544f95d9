#pragma once
// mdlInventoryGrid: fills the grid of an inventory report (type 1) with one row per
// product that passes the definition's criteria (hidden products never), with the
// stock figures when a filter or a column needs them, colours the indicated rows and
// lets mdlGrid add the totals row and sort. Reloads single rows after the pane changed
// a product. The definition's ReadColDefs must have run. No state between calls.
// A load first collects the products that pass the hidden flag, the search, the group
// and the location, then takes their stock figures in one pass over the transactions
// when more than kBulkStatsMinProducts need them, else product by product. A reloaded
// row loses an earlier indication colour before it is judged again.

#include <QString>
#include <cstdint>

class clsRptDef;
namespace ctl {
class GridControl;
}

namespace reports {

// Rebuilds the grid; selects the product nSelID afterwards when it is shown (else row 1).
// False when a table did not open (reported): without the transactions the products
// show with no figures.
bool LoadInventoryGrid(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nSelID);
// Rewrites row nRow from product nProductID, whatever the criteria say; false (row
// unchanged) when the product is not found.
bool ReloadInvRow(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nRow, int32_t nProductID);

// Case-insensitive substring test of the search text on the part number (search field
// 1) or the name (0); any other field, or a text that is empty after trimming, matches.
bool ProductMatchesSearchText(int32_t udSearchBy, const QString& sSearch, const QString& sName,
                              const QString& sPartNo);

// How the stock figures of a full load are computed: one pass over every transaction,
// one walk per product, or (Auto) the pass when more than kBulkStatsMinProducts
// products need figures.
enum class StatsPath { Auto, Bulk, PerProduct };
inline constexpr int kBulkStatsMinProducts = 200;
bool LoadInventoryGrid(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nSelID, StatsPath path);

}  // namespace reports
