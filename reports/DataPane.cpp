#include "reports/DataPane.h"

#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>

#include "database/clsRptDef.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/PaneButtons.h"
#include "reports/frmReportDef.h"
#include "reports/mdlGrid.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/UCGrid.h"
#include "services/clsSystem.h"

namespace reports {

DataPane::DataPane(PaneButtons* bar, QWidget* parent)
    : ReportPane(parent), ctlGrid(new UCGrid(this)), m_bar(bar), m_barArea(new QScrollArea(this)) {
  ctlGrid->setObjectName(QStringLiteral("ctlGrid"));
  m_barArea->setFrameShape(QFrame::NoFrame);
  m_barArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_barArea->setWidgetResizable(true);
  m_barArea->setWidget(m_bar);
  m_barArea->setVisible(false);
  setFocusProxy(ctlGrid);
  // The grid takes the focus back, unless the button opened a window now in front.
  ConnectTrapped(
      m_bar, &PaneButtons::ButtonPressed, ctlGrid,
      [this] {
        if (ui::IsInFront(*this)) ctlGrid->FocusOnGrid();
      },
      QStringLiteral("DataPane_m_bar_ButtonPressed"));
  ConnectCommand(ctlGrid, &UCGrid::RefreshClick, [this] { RefreshGrid(); }, "DataPane_ctlGrid_RefreshClick");
  ConnectCommand(ctlGrid, &UCGrid::PropertiesClick, [this] { EditDefinition(); }, "DataPane_ctlGrid_PropertiesClick");
  ctlGrid->SetPrintSettings([this](QString& sTitle, int32_t& nOrientation) {
    Trapped(QStringLiteral("DataPane_ctlGrid_BeforePrint"), [&] {
      if (m_RptDef == nullptr) return;
      sTitle = m_RptDef->RptName();
      nOrientation = m_RptDef->m_udRptOptions.m_udPageOrientation;
    });
  });
  ConnectTrapped(
      ctlGrid, &UCGrid::HeaderClick, this,
      [this](int32_t col) {
        if (m_RptDef == nullptr) return;
        Guarded([this, col] {
          SortGridByColumn(ctlGrid->grid(), col, 0);
          AfterSort();
        });
      },
      QStringLiteral("DataPane_ctlGrid_HeaderClick"));
}

DataPane::~DataPane() { SaveColumnWidths(); }

void DataPane::Init(clsRptDef& RptDef) {
  m_RptDef = &RptDef;
  ctlGrid->setVisible(true);
  ctlGrid->ShowPropertiesButton(RptDef.AllowEditRptDef());
  SetUpGrid();
  LoadData(-1);
}

void DataPane::SetHelpContextID(int32_t nID) { ctlGrid->SetHelpContextID(nID); }

void DataPane::ResizeControl() {
  if (m_RptDef == nullptr) return;
  if (m_RptDef->m_udRptOptions.m_bAllowDataEdit) {
    // Buttons keep their height: a pane shorter than the bar scrolls it.
    const bool scrolls = height() < m_bar->minimumSizeHint().height();
    const int barWidth = m_bar->width() + (scrolls ? m_barArea->verticalScrollBar()->sizeHint().width() : 0);
    const int left = gSystem().NotBelowZeroLong(width() - barWidth);
    ctlGrid->setGeometry(0, 0, left, height());
    m_barArea->setGeometry(left, 0, barWidth, height());
  } else {
    ctlGrid->setGeometry(0, 0, width(), height());
  }
}

void DataPane::SaveColumnWidths() {
  if (m_RptDef != nullptr) ctlGrid->SaveColumnWidths(m_RptDef->RptID());
}

void DataPane::RestoreColumnWidths() {
  if (m_RptDef != nullptr) ctlGrid->RestoreColumnWidths(m_RptDef->RptID());
}

void DataPane::LoadData(int32_t nSelRowID) {
  Guarded([this, nSelRowID] { Load(nSelRowID); });
}

void DataPane::Load(int32_t nSelRowID) {
  if (m_RptDef == nullptr) return;
  ctl::GridControl& grd = ctlGrid->grid();
  grd.setRedraw(false);
  try {
    m_barArea->setVisible(m_RptDef->m_udRptOptions.m_bAllowDataEdit);
    m_RptDef->ReadColDefs();
    if (FillGrid(nSelRowID)) {
      ctlGrid->UpdateStatusBarNumSel();
    } else {
      ctlGrid->UpdateStatusBarNotLoaded();
    }
    RestoreColumnWidths();
    ctlGrid->Panel2Msg({});
    ctlGrid->Label1Msg({});
    ctlGrid->Label2Msg({});
    ShowCriteria();
    ResizeControl();
  } catch (...) {
    rt::TrapError();
  }
  grd.setRedraw(true);
}

void DataPane::RefreshGrid() {
  const int32_t id = ctlGrid->GetCurrentRowID();
  SaveColumnWidths();
  Load(id);
}

void DataPane::EditDefinition() {
  if (m_RptDef == nullptr) return;
  const int32_t id = m_RptDef->RptID();
  bool ok = false;
  {
    frmReportDef dlg(HubWindow());
    dlg.cmdDelete->setVisible(false);
    if (!dlg.InitExisting(id)) return;
    ui::RunModal(dlg, HubWindow());
    ok = dlg.m_OK;
  }
  if (!ok) return;
  m_RptDef->LoadExisting(id);
  RefreshGrid();
  emit ReportDefChanged();
}

QSize DataPane::minimumSizeHint() const {
  QSize least = ctlGrid->minimumSizeHint();
  if (m_RptDef != nullptr && m_RptDef->m_udRptOptions.m_bAllowDataEdit)
    least.rwidth() += m_bar->width() + m_barArea->verticalScrollBar()->sizeHint().width();
  return least;
}

void DataPane::resizeEvent(QResizeEvent* event) {
  ReportPane::resizeEvent(event);
  ResizeControl();
}

}  // namespace reports
