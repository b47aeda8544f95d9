// frmReport: the out-of-stock, current-inventory and re-order product lists.
#include "reports/frmReport.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/clsProductStats.h"
#include "database/store/Codes.h"
#include "database/store/Lists.h"
#include "database/store/Products.h"
#include "database/store/ReportTables.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Format.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/Colors.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/WindowRegistry.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"

namespace {

constexpr int kHeaderHeightTwips = 720;
constexpr int kFigureWidthTwips = 1000;  // columns 7 to 11 after an autosize
constexpr int32_t kAllGroups = 0;
constexpr int32_t kFilterColor = 255;  // 0x00BBGGRR: red
const QString kGroupPref = QStringLiteral("RptProdCategory");

QString Formatted(rt::Currency value, const QString& format) {
  return rt::Format(QVariant::fromValue(value), format);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

frmReport::frmReport(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmReport"));

  QVFilter = new QWidget(this);
  QVFilter->setObjectName(QStringLiteral("QVFilter"));
  lblGroup = new QLabel(QVFilter);
  lblGroup->setObjectName(QStringLiteral("lblGroup"));
  lblGroup->setTextFormat(Qt::PlainText);
  cboGroup = new QComboBox(QVFilter);
  cboGroup->setObjectName(QStringLiteral("cboGroup"));
  cboGroup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  cboGroup->setMinimumContentsLength(20);
  lblGroup->setBuddy(cboGroup);
  auto* filter = new QHBoxLayout(QVFilter);
  filter->addWidget(lblGroup);
  filter->addWidget(cboGroup);
  filter->addStretch(1);

  grd = new ctl::GridControl(this);
  grd->setObjectName(QStringLiteral("grd"));

  BtnBar = new QWidget(this);
  BtnBar->setObjectName(QStringLiteral("BtnBar"));
  cmdRefresh = Button(BtnBar, "cmdRefresh", QStringLiteral("&Refresh"));
  cmdAutosize = Button(BtnBar, "cmdAutosize", QStringLiteral("&Autosize"));
  cmdPrint = Button(BtnBar, "cmdPrint", QStringLiteral("&Print"));
  cmdExport = Button(BtnBar, "cmdExport", QStringLiteral("&Export"));
  cmdClose = Button(BtnBar, "cmdClose", QStringLiteral("&Close"));
  auto* buttons = ui::ButtonRow({cmdRefresh, cmdAutosize, cmdPrint, cmdExport}, {cmdClose});
  buttons->setContentsMargins(6, 6, 6, 6);
  BtnBar->setLayout(buttons);

  // The filter on top, the buttons at the foot, the grid in between, all full width.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(QVFilter);
  layout->addWidget(grd, 1);
  layout->addWidget(BtnBar);
  resize(960, 560);

  ConnectClicks(this, &QComboBox::currentIndexChanged, {{cboGroup, &frmReport::cboGroup_Click}});
  ConnectClicks(this, {{cmdRefresh, &frmReport::cmdRefresh_Click},
                       {cmdAutosize, &frmReport::cmdAutosize_Click},
                       {cmdPrint, &frmReport::cmdPrint_Click},
                       {cmdExport, &frmReport::cmdExport_Click},
                       {cmdClose, &frmReport::cmdClose_Click}});
  ConnectClicks(this, &ctl::GridControl::Click, {{grd, &frmReport::grd_Click}});

  // Form_Load.
  if (gDB().ProdPartNumberFirstGet()) std::swap(m_nColProdName, m_nColPartNo);
  ui::RegisterWindow(this);
}

frmReport::~frmReport() = default;

void frmReport::Init(int32_t nKind) {
  m_nKind = nKind;
  LoadData();
}

QString frmReport::Caption() const {
  QString caption;
  switch (m_nKind) {
    case kOutOfStock: caption = QStringLiteral("Out of Stock Products (zero available units)"); break;
    case kCurrentInventory: caption = QStringLiteral("Current Inventory"); break;
    case kReorder: caption = QStringLiteral("Re-Order Products (at or below re-order level)"); break;
    default: break;
  }
  return caption + QStringLiteral(" Report");
}

void frmReport::LoadData() {
  m_bLoading = true;
  Trapped("frmReport_LoadData", [this] {
    const int32_t selectID = grd->Row() >= 1 ? static_cast<int32_t>(grd->RowData(grd->Row()).toDouble()) : -1;
    m_sUnitsFormat = gDB().DecimalsUnitsFormat();
    ui::SetTag(this, QStringLiteral("RPT%1").arg(m_nKind));
    setWindowTitle(Caption());

    grd->setRedraw(false);
    SetupGrid();
    LoadQVComboLists();
    FillGroupList();
    LoadRows();
    RemoveRowsOutsideKind();

    if (selectID > 0) {
      gSystem().GridSelectRowAtID(*grd, selectID);
    } else {
      gSystem().GridSelectRow(*grd, 1);
    }
    SetBackgroundForRows();
    AutosizeColumns();
  });
  grd->setRedraw(true);
  m_bLoading = false;
}

void frmReport::SetupGrid() {
  grd->setRows(1);
  grd->setCols(kNumCols);
  grd->setFixedRows(1);
  grd->setFixedCols(0);
  grd->setRowHeight(0, kHeaderHeightTwips);
  grd->setWordWrap(true);
  grd->setEditable(ctl::flexEDNone);
  grd->setColAlignment(kColRowNum, ctl::flexAlignCenterCenter);
  for (int32_t c = kColReorderLevel; c <= kColOnOrder; ++c) grd->setColAlignment(c, ctl::flexAlignRightCenter);

  grd->setTextMatrix(0, kColRowNum, QString());
  grd->setTextMatrix(0, m_nColProdName, QStringLiteral("Product Name"));
  grd->setTextMatrix(0, m_nColPartNo, gDB().PartNoDesc());
  grd->setTextMatrix(0, kColLocation, gDB().LocationDesc());
  grd->setTextMatrix(0, kColGroup, gDB().ProdGroupDesc());
  grd->setTextMatrix(0, kColManuf, QStringLiteral("Manufacturer"));
  grd->setTextMatrix(0, kColVendor, QStringLiteral("Vendor"));
  grd->setTextMatrix(0, kColReorderLevel, QStringLiteral("Re-Order Level"));
  grd->setTextMatrix(0, kColPhysical, QStringLiteral("Physical Units In Stock"));
  grd->setTextMatrix(0, kColAllocated, QStringLiteral("Allocated Units"));
  grd->setTextMatrix(0, kColAvailable, QStringLiteral("Avail. Units In Stock"));
  grd->setTextMatrix(0, kColOnOrder, QStringLiteral("Units On Order"));
}

void frmReport::LoadQVComboLists() {
  m_locations.clear();
  m_groups.clear();
  m_manufs.clear();
  m_vendors.clear();
  m_groupRows.clear();
  if (!gDB().IsOpen()) return;
  const auto read = [&](store::ListType type, ListTexts& texts, std::vector<store::ListRow>* keep) {
    std::vector<store::ListRow> rows;
    if (!gDB().ListEntries(type, rows)) return false;
    for (const store::ListRow& row : rows) texts.emplace(row.id, row.text);
    if (keep != nullptr) *keep = std::move(rows);
    return true;
  };
  read(store::ListType::kLocation, m_locations, nullptr) && read(store::ListType::kProductGroup, m_groups, &m_groupRows) &&
      read(store::ListType::kManufacturer, m_manufs, nullptr) && read(store::ListType::kVendor, m_vendors, nullptr);
}

void frmReport::FillGroupList() {
  cboGroup->clear();
  cboGroup->addItem(QStringLiteral("All Groups"), kAllGroups);
  for (const store::ListRow& row : m_groupRows) cboGroup->addItem(row.text, row.id);
  cboGroup->setCurrentIndex(0);
  gSystem().cboSelectAtID(*cboGroup, mdlRegistry::PrefGetLong(kGroupPref));
  lblGroup->setText(ui::LiteralMnemonicText(gDB().ProdGroupDesc()) + QStringLiteral(":"));
  SetCboBkgnd();
}

void frmReport::LoadRows() {
  if (!gDB().IsOpen()) return;
  const store::ReportTables tables(gDB().Session());
  if (!tables.HasTransactions()) {
    dbaccess::Report(tables.failure(), "frmReport_LoadData");
    return;
  }

  // Visible products in the order the database lists them.
  const store::SearchType order = gDB().ProdPartNumberFirstGet() ? store::SearchType::kPartNo : store::SearchType::kName;
  const int32_t group = gSystem().cboGetItemID(*cboGroup);
  std::vector<std::pair<int32_t, store::ProductRecord>> products;
  const store::Status status = tables.ForEachVisible(order, [&](int32_t id, const store::ProductRecord& r) {
    if (group < 1 || r.group == group) products.emplace_back(id, r);
    return true;
  });
  if (!status.ok()) {
    dbaccess::Report(status, "frmReport_LoadData");
    return;
  }

  std::unordered_map<int32_t, clsProductStats> stats;
  std::unordered_set<int32_t> failed;
  // Without the figures the kinds cannot be told apart: no rows rather than wrong ones.
  // A product whose figures fail is listed without them.
  if (!gDB().GetAllProductStats(stats, failed, tables, true)) return;

  grd->setRows(1 + static_cast<int>(products.size()));
  for (size_t i = 0; i < products.size(); ++i) {
    const int32_t r = static_cast<int32_t>(i) + 1;
    const auto& [id, product] = products[i];
    grd->setRowData(r, id);
    DisplayProductDetails(r, product);
    clsProductStats figures;
    figures.Init(id);
    if (const auto it = stats.find(id); it != stats.end()) figures = it->second;
    ShowStats(r, figures);
  }
}

void frmReport::DisplayProductDetails(int32_t nRow, const store::ProductRecord& prod) {
  grd->setTextMatrix(nRow, m_nColProdName, prod.name);
  grd->setTextMatrix(nRow, m_nColPartNo, prod.partNo);
  grd->setTextMatrix(nRow, kColLocation, ListText(m_locations, prod.location));
  grd->setTextMatrix(nRow, kColGroup, ListText(m_groups, prod.group));
  grd->setTextMatrix(nRow, kColManuf, ListText(m_manufs, prod.manuf));
  grd->setTextMatrix(nRow, kColVendor, ListText(m_vendors, prod.vendor));
  grd->setTextMatrix(nRow, kColReorderLevel, Formatted(prod.reorderLevel, m_sUnitsFormat));
}

QString frmReport::ListText(const ListTexts& texts, int32_t nID) const {
  const auto it = texts.find(gSystem().Minus1ToZero(nID));
  return it == texts.end() ? QString() : it->second;
}

void frmReport::SetProductStats(const clsProductStats& stats) {
  const int32_t row = GetProdRowNum(stats.m_nProductID);
  if (row >= 0) ShowStats(row, stats);
}

void frmReport::ShowStats(int32_t nRow, const clsProductStats& stats) {
  const auto units = [this](rt::Currency value) {
    return gSystem().FormatNonZero(value, m_sUnitsFormat);
  };
  grd->setTextMatrix(nRow, kColOnOrder, units(stats.m_curNumUnitsOnOrder));
  grd->setTextMatrix(nRow, kColPhysical, units(stats.m_curNumUnitsInStock_Physical));
  grd->setTextMatrix(nRow, kColAllocated, units(stats.m_curNumUnitsAllocated));
  grd->setTextMatrix(nRow, kColAvailable, units(stats.m_curNumUnitsInStock_Available));
}

int32_t frmReport::GetProdRowNum(int32_t nProdID) const {
  for (int32_t r = 0; r < grd->Rows(); ++r) {
    if (grd->RowData(r).toDouble() == nProdID) return r;
  }
  return -1;
}

double frmReport::CellValue(int32_t nRow, int32_t nCol) const {
  return rt::ParseNumeric(gSystem().NumCleanStr(grd->TextMatrix(nRow, nCol))).value_or(0.0);
}

void frmReport::RemoveRowsOutsideKind() {
  if (m_nKind != kOutOfStock && m_nKind != kReorder) return;
  for (int32_t r = 1; r < grd->Rows(); ++r) {
    const double available = CellValue(r, kColAvailable);
    // Out of stock: less than one unit available, whatever the re-order level.
    const bool hide = m_nKind == kOutOfStock
                          ? available >= 1
                          : rt::IsNumeric(gSystem().NumCleanStr(grd->TextMatrix(r, kColReorderLevel))) &&
                                available > CellValue(r, kColReorderLevel);
    grd->setRowHidden(r, hide);
  }
  gSystem().GrdRemoveHiddenRows(*grd);
}

void frmReport::SetBackgroundForRows() {
  const int32_t lastCol = grd->Cols() - 1;
  if (grd->Rows() > 1) grd->setCell(ctl::flexcpFontBold, 1, kColRowNum, grd->Rows() - 1, kColRowNum, true);
  for (int32_t r = 1; r < grd->Rows(); ++r) {
    grd->setTextMatrix(r, kColRowNum, r);
    if (lastCol >= 1) grd->setCell(ctl::flexcpBackColor, r, 1, r, lastCol, r % 2 == 0 ? kEvenRowColor : kOddRowColor);
  }
}

void frmReport::SetCboBkgnd() {
  const bool filtered = gSystem().cboGetItemID(*cboGroup) > kAllGroups;
  QPalette pal = cboGroup->palette();
  pal.setColor(QPalette::Text, filtered ? ui::ColorFromBgr(kFilterColor) : palette().color(QPalette::Text));
  pal.setColor(QPalette::ButtonText, filtered ? ui::ColorFromBgr(kFilterColor) : palette().color(QPalette::ButtonText));
  cboGroup->setPalette(pal);
}

void frmReport::AutosizeColumns() {
  grd->AutoSize(0, grd->Cols() - 1);
  for (int32_t c = kColReorderLevel; c <= kColOnOrder; ++c) grd->setColWidth(c, kFigureWidthTwips);
}

void frmReport::FocusOnGrid() {
  if (grd->isEnabled() && grd->isVisible()) grd->view()->setFocus();
}

void frmReport::PrintData() {
  QString key;
  if (m_nKind == kCurrentInventory) key = QStringLiteral("TitleCurrInvRpt");
  if (m_nKind == kOutOfStock) key = QStringLiteral("TitleOutOfStockRpt");
  gSystem().GridPrint(*grd, windowTitle(), key, false, 0);
}

void frmReport::ExportData() { gSystem().SaveGrid(*grd, 0, 1, grd->Rows() - 1, grd->Cols() - 1); }

void frmReport::cboGroup_Click() {
  if (m_bLoading) return;
  mdlRegistry::PrefSaveLong(kGroupPref, gSystem().cboGetItemID(*cboGroup));
  LoadData();
  SetCboBkgnd();
  FocusOnGrid();
}

void frmReport::cmdRefresh_Click() {
  LoadData();
  FocusOnGrid();
}

void frmReport::cmdAutosize_Click() {
  Trapped("frmReport_cmdAutosize_Click", [this] { AutosizeColumns(); });
  FocusOnGrid();
}

void frmReport::cmdPrint_Click() {
  Trapped("frmReport_cmdPrint_Click", [this] { PrintData(); });
  FocusOnGrid();
}

void frmReport::cmdExport_Click() {
  Trapped("frmReport_cmdExport_Click", [this] { ExportData(); });
  FocusOnGrid();
}

void frmReport::cmdClose_Click() { ui::UnloadLater(this); }

void frmReport::grd_Click() {
  const int32_t col = grd->MouseCol();
  if (grd->MouseRow() != 0 || col < 0 || grd->Rows() < 2) return;
  const int32_t current = grd->Row() >= 1 ? static_cast<int32_t>(grd->RowData(grd->Row()).toDouble()) : -1;
  grd->Select(1, col, grd->Rows() - 1, col);
  grd->setSort(ctl::flexSortGenericAscending);
  SetBackgroundForRows();
  if (current > 0) {
    gSystem().GridSelectRowAtID(*grd, current);
  } else {
    gSystem().GridSelectRow(*grd, 1);
  }
}
