#include "reports/UCTrans.h"

#include "database/clsDB.h"
#include "database/clsRptDef.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "inventory/frmInvAddUpateDel.h"
#include "platform/controls/GridControl.h"
#include "platform/ui/ModalRunner.h"
#include "reports/PaneButtons.h"
#include "reports/mdlGrid.h"
#include "reports/mdlTranGrid.h"
#include "services/MainWindowHub.h"
#include "services/UCGrid.h"

namespace reports {

UCTrans::UCTrans(QWidget* parent) : DataPane(new UCTranButtons, parent) {
  ctlTranButtons = findChild<UCTranButtons*>();
  ConnectCommand(ctlTranButtons, &UCTranButtons::BtnTranEdit,
                 [this] { EditOrDelete(store::Code(store::SaveOper::kUpdate)); },
                 "UCTrans_ctlTranButtons_BtnTranEdit");
  ConnectCommand(ctlTranButtons, &UCTranButtons::BtnTranDelete,
                 [this] { EditOrDelete(store::Code(store::SaveOper::kDelete)); },
                 "UCTrans_ctlTranButtons_BtnTranDelete");
}

void UCTrans::SetUpGrid() {
  ctlGrid->MultipleSelAllowed(false);
  ctlGrid->grid().setColHidden(0, true);
}

bool UCTrans::FillGrid(int32_t nSelRowID) {
  const bool opened = LoadTranGrid(ctlGrid->grid(), *m_RptDef, nSelRowID);
  SetBackgroundForRows();
  return opened;
}

void UCTrans::ShowCriteria() { ctlGrid->TextMsg(m_RptDef->m_udTranSelCriteria.Desc()); }

void UCTrans::SetBackgroundForRows() {
  ctl::GridControl& grd = ctlGrid->grid();
  if (grd.Rows() < 3) return;
  int32_t last = grd.Rows() - 1;
  if (grd.RowData(last).toLongLong() < 1) --last;
  for (int32_t r = 1; r <= last; ++r)
    grd.setCell(ctl::flexcpBackColor, r, 0, r, grd.Cols() - 1, r % 2 == 0 ? kTranEvenRowColor : kTranOddRowColor);
}

void UCTrans::EditOrDelete(int32_t udOper) {
  const int32_t row = ctlGrid->GetCurrentRow();
  const int32_t id = ctlGrid->GetCurrentRowID();
  if (m_RptDef == nullptr || id <= 0) return;
  clsTran tran;
  if (!gDB().GetTran(id, tran, true)) return;
  bool saved = false;
  {
    frmInvAddUpateDel dlg(HubWindow());
    dlg.Init(udOper, tran, -1);
    ui::RunModal(dlg, HubWindow());
    saved = dlg.m_bOK;
  }
  // Also after Cancel the row is shown as stored: the dialog may have shown another
  // user's change.
  ctl::GridControl& grd = ctlGrid->grid();
  if (saved && udOper == store::Code(store::SaveOper::kDelete)) {
    grd.RemoveItem(row);
    ctlGrid->UpdateStatusBarNumSel();
  } else {
    LoadGridComboLists(grd, *m_RptDef);
    ReloadTranRow(grd, *m_RptDef, row, id);
  }
  ShowGridTotals(grd, *m_RptDef);
  SetBackgroundForRows();
}

}  // namespace reports
