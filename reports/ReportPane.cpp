#include "reports/ReportPane.h"

#include <QResizeEvent>

#include "database/clsRptDef.h"
#include "database/store/Codes.h"
#include "platform/controls/GridControl.h"
#include "reports/UCCurrInv.h"
#include "reports/UCTrans.h"
#include "reports/mdlGrid.h"
#include "reports/mdlInventoryGrid.h"
#include "reports/mdlTranGrid.h"
#include "services/UCGrid.h"

namespace reports {

GridReportPane::GridReportPane(QWidget* parent) : ReportPane(parent), ctlGrid(new UCGrid(this)) {
  ctlGrid->setObjectName(QStringLiteral("ctlGrid"));
  connect(ctlGrid, &UCGrid::RefreshClick, this, &GridReportPane::OnRefresh);
  connect(ctlGrid, &UCGrid::HeaderClick, this, [this](int32_t& nCol) {
    if (m_RptDef != nullptr) SortGridByColumn(ctlGrid->grid(), nCol, 0);
  });
  connect(ctlGrid, &UCGrid::BeforePrint, this, [this](QString& sTitle, int32_t& nOrientation) {
    if (m_RptDef == nullptr) return;
    sTitle = m_RptDef->RptName();
    nOrientation = m_RptDef->m_udRptOptions.m_udPageOrientation;
  });
}

GridReportPane::~GridReportPane() { SaveColumnWidths(); }

void GridReportPane::Init(clsRptDef& RptDef) {
  m_RptDef = &RptDef;
  ctlGrid->setVisible(true);
  // The definition editor is not reachable from this pane.
  ctlGrid->ShowPropertiesButton(false);
  ctlGrid->FirstColumnIsSelectionColumn(true);
  LoadData(-1);
}

void GridReportPane::SetHelpContextID(int32_t nID) { ctlGrid->SetHelpContextID(nID); }

void GridReportPane::LoadData(int32_t nSelID) {
  if (m_RptDef == nullptr) return;
  ctl::GridControl& grd = ctlGrid->grid();
  grd.setRedraw(false);
  m_RptDef->ReadColDefs();
  if (m_RptDef->RptType() == 2) {
    LoadTranGrid(grd, *m_RptDef, nSelID);
    ctlGrid->TextMsg(m_RptDef->m_udTranSelCriteria.Desc());
  } else {
    LoadInventoryGrid(grd, *m_RptDef, nSelID);
    ctlGrid->TextMsg(m_RptDef->m_udInvSelCriteria.Desc());
  }
  ctlGrid->UpdateStatusBarNumSel();
  ctlGrid->RestoreColumnWidths(m_RptDef->RptID());
  ctlGrid->Panel2Msg({});
  ctlGrid->Label1Msg({});
  ctlGrid->Label2Msg({});
  // The meaning of the blue rows.
  const clsInvSelCriteria& inv = m_RptDef->m_udInvSelCriteria;
  if (m_RptDef->RptType() != 2 && inv.m_udInvLevel == 0) {
    if (inv.m_udIndicate == 2) ctlGrid->Label1Msg(QStringLiteral("Out of Stock Products"), kIndicateForeColor);
    if (inv.m_udIndicate == 1) ctlGrid->Label1Msg(QStringLiteral("Products to Re-Order"), kIndicateForeColor);
  }
  grd.setRedraw(true);
}

void GridReportPane::OnRefresh() {
  const int32_t id = ctlGrid->GetCurrentRowID();
  SaveColumnWidths();
  LoadData(id);
}

void GridReportPane::SaveColumnWidths() {
  if (m_RptDef != nullptr) ctlGrid->SaveColumnWidths(m_RptDef->RptID());
}

void GridReportPane::resizeEvent(QResizeEvent* event) {
  ReportPane::resizeEvent(event);
  ctlGrid->setGeometry(0, 0, width(), height());
}

ReportPane* NewReportPane(int32_t nRptType, QWidget* parent) {
  switch (nRptType) {
    case store::Code(store::ReportType::kInventory): return new UCCurrInv(parent);
    case store::Code(store::ReportType::kTransactions): return new UCTrans(parent);
    default: return new GridReportPane(parent);
  }
}

}  // namespace reports
