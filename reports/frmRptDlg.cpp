#include "reports/frmRptDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "database/clsRptDef.h"
#include "database/store/Codes.h"
#include "platform/controls/ImageList.h"
#include "platform/controls/ListViewControl.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/ReportCommands.h"
#include "reports/frmReportDef.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

const QString kTag = QStringLiteral("REPORTS");

QPushButton* BarButton(QWidget* bar, const QString& text, const QString& name, const QString& tip = {}) {
  QPushButton* button = ui::NamedButton(text, name, bar);
  if (!tip.isEmpty()) button->setToolTip(tip);
  return button;
}

}  // namespace

namespace reports {

void ShowAllReports() {
  clsSystem& sys = gSystem();
  if (sys.IsFormLoaded(kTag)) {
    sys.BringFormToTop(kTag, 0);
    return;
  }
  MainWindowHubInterface* hub = MainWindowHub();
  if (hub == nullptr) return;
  auto* dlg = new frmRptDlg;
  dlg->Form_Load();
  hub->ShowChild(*dlg);
}

}  // namespace reports

frmRptDlg::frmRptDlg(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmRptDlg"));
  setWindowTitle(QStringLiteral("Reports"));
  ui::SetTag(this, kTag);

  lv = new ctl::ListViewControl(this);
  lv->setObjectName(QStringLiteral("lv"));
  lv->SetView(ctl::lvwReport);
  // The type icons of the list: 1 inventory, 2 transactions reports.
  auto* images = new ctl::ImageList(this);
  images->setObjectName(QStringLiteral("ImgLst"));
  images->Add(QStringLiteral("INVENTORY"), ui::ProgramIcon(QStringLiteral("x-office-spreadsheet")));
  images->Add(QStringLiteral("TRANSACTIONS"), ui::ProgramIcon(QStringLiteral("x-office-calendar")));
  lv->SetIcons(images);
  lv->SetSmallIcons(images);
  BtnBar = new QWidget(this);
  BtnBar->setObjectName(QStringLiteral("BtnBar"));
  cmdView = BarButton(BtnBar, QStringLiteral("&Run Report"), QStringLiteral("cmdView"),
                      QStringLiteral("View report"));
  cmdEdit = BarButton(BtnBar, QStringLiteral("&Edit Report"), QStringLiteral("cmdEdit"),
                      QStringLiteral("Edit report properties"));
  cmdCopy = BarButton(BtnBar, QStringLiteral("&Copy Report"), QStringLiteral("cmdCopy"),
                      QStringLiteral("Make a copy of report "));
  Label1 = new QLabel(QStringLiteral("New:"), BtnBar);
  Label1->setObjectName(QStringLiteral("Label1"));
  cmdNewInvRpt = BarButton(BtnBar, QStringLiteral("&Inventory Report"), QStringLiteral("cmdNewInvRpt"),
                           QStringLiteral("Create new report"));
  cmdNewTranRpt = BarButton(BtnBar, QStringLiteral("&Transaction Report"), QStringLiteral("cmdNewTranRpt"),
                            QStringLiteral("Create new report"));
  cmdRefresh = BarButton(BtnBar, QStringLiteral("R&efresh"), QStringLiteral("cmdRefresh"));
  CancelButton = BarButton(BtnBar, QStringLiteral("Close"), QStringLiteral("CancelButton"));

  Label1->setContentsMargins(ui::kButtonSpacing, 0, 0, 0);  // set apart from the buttons before it
  BtnBar->setLayout(ui::WrappingButtonRow({cmdView, cmdEdit, cmdCopy, Label1, cmdNewInvRpt, cmdNewTranRpt},
                                          {cmdRefresh, CancelButton}));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lv, 1);
  layout->addWidget(BtnBar);
  resize(760, 420);

  ConnectTrapped(lv, &ctl::ListViewControl::DblClick, this, &frmRptDlg::cmdView_Click,
                 QStringLiteral("frmRptDlg_cmdView_Click"));
  ConnectClicks(this, {{cmdView, &frmRptDlg::cmdView_Click},
                       {cmdEdit, &frmRptDlg::cmdEdit_Click},
                       {cmdCopy, &frmRptDlg::cmdCopy_Click},
                       {cmdNewInvRpt, &frmRptDlg::cmdNewInvRpt_Click},
                       {cmdNewTranRpt, &frmRptDlg::cmdNewTranRpt_Click},
                       {cmdRefresh, &frmRptDlg::cmdRefresh_Click},
                       {CancelButton, &frmRptDlg::CancelButton_Click}});
  ConnectTrapped(
      lv, &ctl::ListViewControl::ColumnClick, this,
      [this](ctl::ColumnHeader* column) {
        if (column != nullptr) gSystem().LVSort(*lv, *column);
      },
      QStringLiteral("frmRptDlg_lv_ColumnClick"));
}

void frmRptDlg::Form_Load() {
  InitCtrls();
  LoadData(-1);
}

void frmRptDlg::InitCtrls() {
  lv->ColumnHeaders().Clear();
  lv->ColumnHeaders().Add(0, {}, QStringLiteral("Title"));
  lv->ColumnHeaders().Add(0, {}, QStringLiteral("Type"));
}

QString frmRptDlg::MakeItemKey(int32_t nRptID) {
  return nRptID > 0 ? QStringLiteral("N") + QString::number(nRptID) : QString();
}

void frmRptDlg::LoadData(int32_t nSelRptID) {
  try {
    gDB().LvLoadReports(*lv, MakeItemKey(nSelRptID), true, true);
    // The report to select may be gone (deleted meanwhile): the first one then.
    if (!gSystem().LvIsItemSelected(*lv)) gSystem().LvSelectFirstItem(*lv);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmRptDlg_LoadData"));
  }
}

bool frmRptDlg::SelectedID(int32_t& nRptID) const {
  const clsSystem& sys = gSystem();
  if (!sys.LvIsItemSelected(*lv)) {
    ui::MsgBox(QStringLiteral("Please select a report!"), ui::vbExclamation);
    return false;
  }
  nRptID = rt::CLng(sys.LvGetSelectedItemKey(*lv).mid(1));
  return true;
}

void frmRptDlg::cmdView_Click() {
  int32_t id = 0;
  if (!SelectedID(id)) return;
  reports::ShowCustomReport(id);
}

void frmRptDlg::cmdEdit_Click() {
  int32_t id = 0;
  if (!SelectedID(id)) return;
  {
    frmReportDef dlg;
    if (dlg.InitExisting(id)) ui::RunModal(dlg, HubWindow());
  }
  LoadData(id);
}

void frmRptDlg::NewReport(int32_t eRptType) {
  int32_t id = -1;
  {
    frmReportDef dlg;
    dlg.InitNew(eRptType);
    ui::RunModal(dlg, HubWindow());
    id = dlg.m_udRptDef.RptID();
  }
  if (id >= 1) LoadData(id);
}

void frmRptDlg::cmdNewInvRpt_Click() { NewReport(store::Code(store::ReportType::kInventory)); }
void frmRptDlg::cmdNewTranRpt_Click() { NewReport(store::Code(store::ReportType::kTransactions)); }

void frmRptDlg::cmdCopy_Click() {
  int32_t id = 0;
  if (!SelectedID(id)) return;
  clsRptDef def;
  if (!def.LoadExisting(id)) {
    ui::MsgBox(QStringLiteral("Unable to make copy of the report!"), ui::vbExclamation);
    return;
  }
  QString newName;
  LoadData(def.MakeCopy(newName));
}

void frmRptDlg::cmdRefresh_Click() { LoadData(-1); }

void frmRptDlg::CancelButton_Click() { ui::UnloadLater(this); }

void frmRptDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (lv->ColumnHeaders().Count() < 2) return;
  const clsSystem& sys = gSystem();
  const double width = ui::PixelsToTwipsX(lv->width());
  lv->ColumnHeaders().Item(1).SetWidth(width * 0.8);
  lv->ColumnHeaders().Item(2).SetWidth(sys.NotBelowZeroLong(static_cast<int32_t>(width * 0.2 - 100)));
}
