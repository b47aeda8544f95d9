#pragma once
// UCCurrInv: the pane of an inventory report (type 1): the report grid, filled by the
// inventory grid filler, and on its right the bar of transaction and product commands.
// Transaction commands act on the marked rows (or the current row when none is marked)
// and reload exactly those rows; product commands act on the current row and are
// disabled while any row is marked.

#include <QString>
#include <cstdint>
#include <vector>

#include "reports/DataPane.h"

namespace reports {

class UCInvButtons;

class UCCurrInv : public DataPane {
  Q_OBJECT

 public:
  explicit UCCurrInv(QWidget* parent = nullptr);

  // Asks sMsg (Yes / No); Yes reloads the grid and selects nSelRowID.
  void AskRefresh(const QString& sMsg, int32_t nSelRowID);
  // Tells the user in the status bar and in red that the grid is out of date.
  void Indicate2Refresh();
  // inventory::DeleteProduct (it asks first); true when the product was deleted.
  bool DeleteProduct(int32_t nProductID, const QString& sProductName);

  UCInvButtons* ctlInvButtons;

 protected:
  void SetUpGrid() override;
  bool FillGrid(int32_t nSelRowID) override;
  void ShowCriteria() override;

 private:
  // Reloads row arRows[i] from product arIDs[i], i from 1, then the totals.
  void ReloadRows(const std::vector<int32_t>& arIDs, const std::vector<int32_t>& arRows);
  void RecordTransactions(int32_t udTranType);
  void ProdNew();
  void ProdEdit();
  void ProdDelete();
  void ProdSummary();
  void ProdTran();
};

}  // namespace reports
