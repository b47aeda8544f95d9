#include "reports/UCCurrInv.h"

#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/clsRptDef.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "inventory/ProductCommands.h"
#include "inventory/TranCommands.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/App.h"
#include "platform/ui/Prompt.h"
#include "reports/PaneButtons.h"
#include "reports/ReportCommands.h"
#include "reports/mdlGrid.h"
#include "reports/mdlInventoryGrid.h"
#include "services/UCGrid.h"
#include "services/clsSystem.h"

namespace reports {

namespace {

constexpr int32_t kRefreshColor = 255;  // red, 0x00BBGGRR

// The row now showing product nID: nRow when it still does, else the first that does;
// -1 when none.
int32_t RowOfProduct(const ctl::GridControl& grd, int32_t nRow, int32_t nID) {
  if (nRow > 0 && nRow < grd.Rows() && grd.RowData(nRow).toLongLong() == nID) return nRow;
  for (int32_t r = 1; r < grd.Rows(); ++r)
    if (grd.RowData(r).toLongLong() == nID) return r;
  return -1;
}

}  // namespace

UCCurrInv::UCCurrInv(QWidget* parent) : DataPane(new UCInvButtons, parent) {
  ctlInvButtons = findChild<UCInvButtons*>();
  auto tran = [this](store::TranType type) { return [this, type] { RecordTransactions(store::Code(type)); }; };
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnTranOrder, tran(store::TranType::kOnOrder),
                 "UCCurrInv_ctlInvButtons_BtnTranOrder");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnTranReceive, tran(store::TranType::kReceive),
                 "UCCurrInv_ctlInvButtons_BtnTranReceive");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnTranShrinkage, tran(store::TranType::kShrinkage),
                 "UCCurrInv_ctlInvButtons_BtnTranShrinkage");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnTranAllocate, tran(store::TranType::kAllocate),
                 "UCCurrInv_ctlInvButtons_BtnTranAllocate");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnTranShip, tran(store::TranType::kShip),
                 "UCCurrInv_ctlInvButtons_BtnTranShip");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnProdNew, [this] { ProdNew(); }, "UCCurrInv_ctlInvButtons_BtnProdNew");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnProdEdit, [this] { ProdEdit(); },
                 "UCCurrInv_ctlInvButtons_BtnProdEdit");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnProdDelete, [this] { ProdDelete(); },
                 "UCCurrInv_ctlInvButtons_BtnProdDelete");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnProdSummary, [this] { ProdSummary(); },
                 "UCCurrInv_ctlInvButtons_BtnProdSummary");
  ConnectCommand(ctlInvButtons, &UCInvButtons::BtnProdTran, [this] { ProdTran(); },
                 "UCCurrInv_ctlInvButtons_BtnProdTran");
  ConnectTrapped(
      ctlGrid, &UCGrid::SelectionChanged, this,
      [this] { ctlInvButtons->EnableProdButtons(ctlGrid->SingleRowSelected()); },
      QStringLiteral("UCCurrInv_ctlGrid_SelectionChanged"));
}

void UCCurrInv::SetUpGrid() { ctlGrid->FirstColumnIsSelectionColumn(true); }

bool UCCurrInv::FillGrid(int32_t nSelRowID) {
  const bool opened = LoadInventoryGrid(ctlGrid->grid(), *m_RptDef, nSelRowID);
  // A reload drops the marks: the product commands apply again.
  ctlInvButtons->EnableProdButtons(ctlGrid->SingleRowSelected());
  return opened;
}

void UCCurrInv::ShowCriteria() {
  const clsInvSelCriteria& crit = m_RptDef->m_udInvSelCriteria;
  if (crit.m_udInvLevel == 0) {
    if (crit.m_udIndicate == 2) ctlGrid->Label1Msg(QStringLiteral("Out of Stock Products"), kIndicateForeColor);
    if (crit.m_udIndicate == 1) ctlGrid->Label1Msg(QStringLiteral("Products to Re-Order"), kIndicateForeColor);
  }
  ctlGrid->TextMsg(crit.Desc());
}

void UCCurrInv::AskRefresh(const QString& sMsg, int32_t nSelRowID) {
  if (ui::MsgBox(sMsg, ui::vbYesNo | ui::vbQuestion, rt::App::ProductName()) == ui::vbYes) LoadData(nSelRowID);
}

void UCCurrInv::Indicate2Refresh() {
  const QString msg = QStringLiteral("Data modified. Press REFRESH button!");
  ctlGrid->Panel2Msg(msg);
  ctlGrid->Label2Msg(msg, kRefreshColor);
}

bool UCCurrInv::DeleteProduct(int32_t nProductID, const QString& sProductName) {
  return inventory::DeleteProduct(nProductID, sProductName);
}

void UCCurrInv::ReloadRows(const std::vector<int32_t>& arIDs, const std::vector<int32_t>& arRows) {
  ctl::GridControl& grd = ctlGrid->grid();
  LoadGridComboLists(grd, *m_RptDef);
  for (size_t i = 1; i < arIDs.size() && i < arRows.size(); ++i) {
    const int32_t row = RowOfProduct(grd, arRows[i], arIDs[i]);
    if (row > 0) ReloadInvRow(grd, *m_RptDef, row, arIDs[i]);
  }
  ShowGridTotals(grd, *m_RptDef);
}

void UCCurrInv::RecordTransactions(int32_t udTranType) {
  if (m_RptDef == nullptr) return;
  std::vector<int32_t> ids;
  std::vector<int32_t> rows;
  if (ctlGrid->MultipleRowSelected()) {
    ctlGrid->GetSelectedRowIDs(ids, rows);
  } else if (ctlGrid->GetCurrentRowID() >= 1) {
    ids = {0, ctlGrid->GetCurrentRowID()};
    rows = {0, ctlGrid->GetCurrentRow()};
  } else {
    return;
  }
  // One record for the run: date, note, category and account carry over from one
  // product to the next; the product, the amounts and the row id are set for each.
  clsTran tran;
  bool changed = false;
  for (size_t i = 1; i < ids.size(); ++i) {
    tran.nTranID = -1;
    tran.nProdId = ids[i];
    tran.udTranType = udTranType;
    tran.curUnits = rt::Currency();
    tran.curUnitPrice = rt::Currency();
    if (inventory::AddNewTransaction(tran, false)) {
      changed = true;
    } else if (i + 1 < ids.size() &&
               ui::MsgBox(QStringLiteral("Do you wish to continue to record transactions for the rest of the "
                                         "selected products?"),
                          ui::vbYesNo | ui::vbQuestion, rt::App::Title()) == ui::vbNo) {
      break;
    }
  }
  if (changed) ReloadRows(ids, rows);
}

void UCCurrInv::ProdNew() {
  if (m_RptDef == nullptr) return;
  clsProd prod;
  prod.Init();
  const int32_t id = inventory::AddEditNewProduct(prod);
  if (id <= 0) return;
  ctl::GridControl& grd = ctlGrid->grid();
  const int32_t row = GridHasTotalsRow(grd) ? grd.Rows() - 1 : grd.Rows();
  grd.AddItem(QString(), row);
  grd.setRowData(row, id);
  ReloadRows({0, id}, {0, row});
  gSystem().GridSelectRowAtID(grd, id);
  ctlGrid->UpdateStatusBarNumSel();
}

void UCCurrInv::ProdEdit() {
  const int32_t row = ctlGrid->GetCurrentRow();
  const int32_t id = ctlGrid->GetCurrentRowID();
  if (m_RptDef == nullptr || id <= 0) return;
  if (!inventory::ProductAccessible(id)) return;
  clsProd prod;
  prod.Init();
  prod.nProdId = id;
  // Also after Cancel the row is shown as stored: the editor may have shown another
  // user's change.
  inventory::AddEditNewProduct(prod);
  ReloadRows({0, id}, {0, row});
}

void UCCurrInv::ProdDelete() {
  const int32_t row = ctlGrid->GetCurrentRow();
  const int32_t id = ctlGrid->GetCurrentRowID();
  if (m_RptDef == nullptr || id < 1) return;
  // The product's own name, whatever column the report shows first.
  if (!DeleteProduct(id, gDB().GetProductName2(id))) return;
  ctl::GridControl& grd = ctlGrid->grid();
  const int32_t at = RowOfProduct(grd, row, id);
  if (at > 0) grd.RemoveItem(at);
  ShowGridTotals(grd, *m_RptDef);
  ctlGrid->UpdateStatusBarNumSel();
}

void UCCurrInv::ProdSummary() {
  const int32_t id = ctlGrid->GetCurrentRowID();
  if (id > 0) gDB().ShowProductSummary(id);
}

void UCCurrInv::ProdTran() {
  const int32_t id = ctlGrid->GetCurrentRowID();
  if (id > 0) ShowTransactionsForProdRpt(id);
}

}  // namespace reports
