#include "inventory/frmProdList.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <vector>

#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/store/Codes.h"
#include "inventory/ProductCommands.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WaitCursor.h"
#include "platform/ui/WindowRegistry.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

QPushButton* StripButton(const QString& text, const QString& name, const QString& tip, QWidget* parent) {
  QPushButton* b = ui::NamedButton(text, name, parent);
  if (!tip.isEmpty()) b->setToolTip(tip);
  return b;
}

void SelectProductFirst() { ui::MsgBox(QStringLiteral("Select a Product first!"), ui::vbExclamation); }

}  // namespace

frmProdList::frmProdList(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmProdList"));
  setWindowTitle(QStringLiteral("Product List Maintenance"));
  grd = new ctl::GridControl(this);
  grd->setObjectName(QStringLiteral("grd"));
  picTB = new QWidget(this);
  picTB->setObjectName(QStringLiteral("picTB"));
  cmdNewProduct = StripButton(QStringLiteral("&New "), QStringLiteral("cmdNewProduct"),
                              QStringLiteral("Add New Product"), picTB);
  cmdEdit = StripButton(QStringLiteral("&Edit"), QStringLiteral("cmdEdit"), QStringLiteral("Edit Selected Product"),
                        picTB);
  cmdDel = StripButton(QStringLiteral("&Delete"), QStringLiteral("cmdDel"), QStringLiteral("Delete Selected Product"),
                       picTB);
  cmdPrint = StripButton(QStringLiteral("&Print"), QStringLiteral("cmdPrint"), {}, picTB);
  cmdExport = StripButton(QStringLiteral("&Save As"), QStringLiteral("cmdExport"), {}, picTB);
  cmdRefresh = StripButton(QStringLiteral("&Refresh"), QStringLiteral("cmdRefresh"), {}, picTB);
  cmdClose = StripButton(QStringLiteral("&Close"), QStringLiteral("cmdClose"), {}, picTB);
  const QFont small = ui::MapFont(QStringLiteral("Small Fonts"), 7);
  lblNumProds = ui::PlainLabel(QString(), picTB);
  lblNumProds->setObjectName(QStringLiteral("lblNumProds"));
  lblNumProds->setFont(small);
  QLabel* tip = ui::PlainLabel(QStringLiteral("TIP: Click on column header to sort"), picTB);
  tip->setFont(small);
  for (QLabel* l : {lblNumProds, tip}) l->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
  auto* info = new QVBoxLayout;
  info->setSpacing(0);
  info->addWidget(lblNumProds);
  info->addWidget(tip);
  ui::WrappingRow* strip = ui::WrappingButtonRow({cmdNewProduct, cmdEdit, cmdDel, cmdPrint, cmdExport, cmdRefresh}, {});
  strip->AddLayout(info);
  strip->StartEnd();
  strip->addWidget(cmdClose);
  strip->setContentsMargins(4, 4, 4, 4);
  picTB->setLayout(strip);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(grd, 1);
  layout->addWidget(picTB);
  resize(std::max(760, picTB->sizeHint().width()), 420);  // the bar on one line

  ConnectClicks(this, {{cmdNewProduct, &frmProdList::cmdNewProduct_Click},
                       {cmdEdit, &frmProdList::cmdEdit_Click},
                       {cmdDel, &frmProdList::cmdDel_Click},
                       {cmdPrint, &frmProdList::cmdPrint_Click},
                       {cmdExport, &frmProdList::cmdExport_Click},
                       {cmdRefresh, &frmProdList::cmdRefresh_Click},
                       {cmdClose, &frmProdList::cmdClose_Click}});
  ConnectTrapped(grd, &ctl::GridControl::Click, this, &frmProdList::grd_Click,
                 QStringLiteral("frmProdList_grd_Click"));
  ConnectTrapped(grd, &ctl::GridControl::DblClick, this, &frmProdList::grd_DblClick,
                 QStringLiteral("frmProdList_grd_DblClick"));
}

void frmProdList::Form_Load() {
  ui::SetTag(this, QString::fromLatin1(kTag));
  const bool partNoFirst = gDB().ProdPartNumberFirstGet();
  m_nPartNoCol = partNoFirst ? 0 : 1;
  m_nNameCol = partNoFirst ? 1 : 0;
  InitCtrl();
  Form_Resize();
  LoadData();
}

void frmProdList::InitCtrl() {
  clsDB& db = gDB();
  grd->setCols(5);
  grd->setRows(1);
  grd->setFixedRows(1);
  grd->setFixedCols(0);
  grd->setTextMatrix(0, m_nNameCol, QStringLiteral("Product Name"));
  grd->setTextMatrix(0, m_nPartNoCol, db.PartNoDesc());
  grd->setTextMatrix(0, kColLocation, db.LocationDesc());
  grd->setTextMatrix(0, kColGroup, db.ProdGroupDesc());
  grd->setTextMatrix(0, kColHide, QStringLiteral("Hide?"));
  grd->setColAlignment(m_nNameCol, ctl::flexAlignLeftCenter);
  grd->setColAlignment(m_nPartNoCol, ctl::flexAlignLeftCenter);
  grd->setColAlignment(kColHide, ctl::flexAlignCenterCenter);
  grd->setCell(ctl::flexcpFontBold, 0, 0, 0, grd->Cols() - 1, true);
  grd->setEditable(ctl::flexEDNone);
}

void frmProdList::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void frmProdList::Form_Resize() {
  if (grd->Cols() < 5) return;
  const auto w = static_cast<double>(gSystem().NotBelowZeroLong(
      static_cast<int32_t>(std::lround(ui::PixelsToTwipsX(grd->width())))));
  auto width = [](double twips) { return static_cast<int>(std::max(0.0, std::trunc(twips))); };
  grd->setColWidth(m_nNameCol, width(0.3 * w));
  grd->setColWidth(m_nPartNoCol, width(0.3 * w));
  grd->setColWidth(kColLocation, width(0.15 * w));
  grd->setColWidth(kColGroup, width(0.15 * w));
  grd->setColWidth(kColHide, width(0.1 * w - 100));
}

void frmProdList::LoadData() {
  clsSystem& sys = gSystem();
  try {
    ui::ScopedHourglass hourglass;
    m_nSelProdID = -1000;
    const int32_t row = grd->Row();
    if (row >= 1 && row <= grd->Rows() - 1) m_nSelProdID = grd->RowData(row).toInt();
    std::vector<store::ProductGridRow> products;
    // A table that cannot be opened keeps the rows shown.
    if (!gDB().LoadProductGrid(products) && products.empty()) {
      return;
    }
    LoadQVComboList();
    grd->setRedraw(false);
    grd->setRows(1);
    grd->setRows(static_cast<int>(products.size()) + 1);
    int r = 1;
    for (const store::ProductGridRow& p : products) WriteRow(r++, p);
    SetBackgroundForRows();
    grd->setRedraw(true);
    if (m_nSelProdID > 0) {
      sys.GridSelectRowAtID(*grd, m_nSelProdID);
    } else {
      sys.GridSelectRow(*grd, 1);
    }
    FocusOnGrid();
  } catch (...) {
    rt::TrapError();
    grd->setRedraw(true);
    sys.ShowError(QStringLiteral("frmProdList_LoadData"));
  }
}

void frmProdList::LoadQVComboList() {
  grd->setColComboMap(kColGroup, gDB().ListComboMap(store::ListType::kProductGroup));
  grd->setColComboMap(kColLocation, gDB().ListComboMap(store::ListType::kLocation));
}

void frmProdList::UpdateRowData(const clsProd& prod, int32_t row) {
  if (row <= 0 || row >= grd->Rows()) return;
  WriteRow(row, {prod.nProdId, prod.sPartNo, prod.sProdName, prod.nLocation, prod.nGroup, prod.bHide});
}

void frmProdList::WriteRow(int32_t row, const store::ProductGridRow& p) {
  const clsSystem& sys = gSystem();
  grd->setRowData(row, p.id);
  grd->setTextMatrix(row, m_nNameCol, p.name);
  grd->setTextMatrix(row, m_nPartNoCol, p.partNo);
  grd->setTextMatrix(row, kColLocation, sys.Minus1ToZero(p.location));
  grd->setTextMatrix(row, kColGroup, sys.Minus1ToZero(p.group));
  grd->setTextMatrix(row, kColHide, p.hidden ? QStringLiteral("Yes") : QString());
}

void frmProdList::SetBackgroundForRows() {
  const int last = grd->Cols() - 1;
  const int rows = grd->Rows();
  if (rows > 1) {
    grd->setCell(ctl::flexcpBackColor, 1, 0, rows - 1, last, kPlainColor);
    for (int r = 2; r < rows; r += 2) grd->setCell(ctl::flexcpBackColor, r, 0, r, last, kBandColor);
  }
  lblNumProds->setText(QString::number(rows - 1) + QStringLiteral(" product(s)"));
}

void frmProdList::FocusOnGrid() { gSystem().CtlSetFocus(grd); }

bool frmProdList::CurrentRowIsProduct() const { return grd->Row() >= 1 && grd->Row() <= grd->Rows() - 1; }

void frmProdList::cmdNewProduct_Click() {
  clsProd prod;
  prod.Init();
  if (inventory::AddEditNewProduct(prod) > 0) {
    const int row = grd->Rows();
    grd->setRows(row + 1);
    UpdateRowData(prod, row);
    gSystem().GridSelectRow(*grd, row);
    LoadQVComboList();
  }
  SetBackgroundForRows();
  FocusOnGrid();
}

void frmProdList::cmdEdit_Click() {
  if (CurrentRowIsProduct()) {
    const int row = grd->Row();
    const int32_t id = grd->RowData(row).toInt();
    if (id < 1) {
      SelectProductFirst();
    } else if (inventory::ProductAccessible(id)) {
      clsProd prod;
      prod.nProdId = id;
      const bool saved = inventory::AddEditNewProduct(prod) > 0;
      // Also after Cancel the row is shown as stored: the editor may have shown another
      // user's change.
      clsProd stored;
      if (inventory::ProductStored(id) && stored.LoadProduct(id, nullptr)) UpdateRowData(stored, row);
      if (saved) {
        gSystem().GridSelectRow(*grd, row);
        LoadQVComboList();
      }
    }
  }
  FocusOnGrid();
}

void frmProdList::cmdDel_Click() { DeleteProduct(); }

void frmProdList::DeleteProduct() {
  const int row = grd->Row();
  if (row <= 0 || row >= grd->Rows() || grd->RowData(row).toInt() < 1) {
    SelectProductFirst();
  } else if (inventory::DeleteProduct(grd->RowData(row).toInt(), grd->TextMatrix(row, m_nNameCol))) {
    grd->RemoveItem(row);
    SetBackgroundForRows();
  }
  FocusOnGrid();
}

void frmProdList::grd_Click() {
  if (grd->MouseRow() == 0) SortByColumn(grd->MouseCol());
}

void frmProdList::SortByColumn(int32_t col) {
  try {
    if (col < 0 || col > grd->Cols() - 1 || grd->Rows() < 2) return;
    grd->Select(1, col);
    grd->setSort(ctl::flexSortGenericAscending);
    SetBackgroundForRows();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmProdList_grd_Click"));
  }
}

void frmProdList::grd_DblClick() {
  const int row = grd->MouseRow();
  if (row >= 1 && row <= grd->Rows() - 1) cmdEdit_Click();
}

void frmProdList::cmdPrint_Click() {
  gSystem().GridPrint(*grd, windowTitle(), QStringLiteral("TitleProdList"), false, 0);
  FocusOnGrid();
}

void frmProdList::cmdExport_Click() {
  gSystem().SaveGrid(*grd, 0, 0, grd->Rows() - 1, grd->Cols() - 1);
  FocusOnGrid();
}

void frmProdList::cmdRefresh_Click() { LoadData(); }

void frmProdList::cmdClose_Click() { ui::UnloadLater(this); }
