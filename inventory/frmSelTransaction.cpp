#include "inventory/frmSelTransaction.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <unordered_map>

#include "database/TranWalk.h"
#include "database/clsDB.h"
#include "database/store/Codes.h"
#include "database/store/Scans.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Format.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WaitCursor.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

using store::TranType;

namespace {

enum Col { kNum, kDate, kType, kProduct, kUnits, kCost, kNotes, kCategory, kCols };

struct ColumnSpec {
  const char* header;
  int width;  // twips
  int alignment;
};

constexpr ColumnSpec kColumns[kCols] = {
    {"", 360, ctl::flexAlignLeftCenter},         {"Date", 1100, ctl::flexAlignLeftCenter},
    {"Type", 1000, ctl::flexAlignLeftCenter},    {"Product", 2000, ctl::flexAlignLeftCenter},
    {"Units", 1000, ctl::flexAlignRightCenter},   {"Cost", 1000, ctl::flexAlignRightCenter},
    {"Notes", 1500, ctl::flexAlignLeftCenter},   {"Category", 1500, ctl::flexAlignLeftCenter},
};

}  // namespace

frmSelTransaction::frmSelTransaction(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSelTransaction"));
  setWindowTitle(QStringLiteral("Edit Selected Transaction or Record New Transaction"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  lblMsg = ui::PlainLabel(QString(), this);
  lblMsg->setObjectName(QStringLiteral("lblMsg"));
  lblMsg->setWordWrap(true);
  grd = new ctl::GridControl(this);
  grd->setObjectName(QStringLiteral("grd"));
  grd->setMinimumHeight(260);
  cmdEditSelTran = ui::NamedButton(QStringLiteral("&Selected Transaction"), QStringLiteral("cmdEditSelTran"), this);
  cmdNewTransaction = ui::NamedButton(QStringLiteral("New &Transaction"), QStringLiteral("cmdNewTransaction"), this);
  cmdCancel = ui::NamedButton(QStringLiteral("&Cancel"), QStringLiteral("cmdCancel"), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblMsg);
  layout->addWidget(grd, 1);
  layout->addLayout(ui::ButtonRow({cmdEditSelTran, cmdNewTransaction}, {cmdCancel}));
  ConnectTrapped(grd, &ctl::GridControl::Click, this, &frmSelTransaction::grd_Click,
                 QStringLiteral("frmSelTransaction_grd_Click"));
  ConnectClicks(this, {{cmdEditSelTran, &frmSelTransaction::cmdEditSelTran_Click},
                       {cmdNewTransaction, &frmSelTransaction::cmdNewTransaction_Click},
                       {cmdCancel, &frmSelTransaction::cmdCancel_Click}});
  m_bOK = false;
  SetupGrid();
  m_sUnitsFormat = gDB().DecimalsUnitsFormat();
  m_sPerUnitFormat = gDB().DecimalsPerUnitFormat();
}

void frmSelTransaction::SetupGrid() {
  grd->setCols(kCols);
  grd->setRows(1);
  grd->setFixedRows(1);
  grd->setFixedCols(1);
  for (int c = 0; c < kCols; ++c) {
    grd->setTextMatrix(0, c, QLatin1String(kColumns[c].header));
    grd->setColWidth(c, kColumns[c].width);
    grd->setColAlignment(c, kColumns[c].alignment);
  }
  grd->setCell(ctl::flexcpFontBold, 0, 0, 0, kCols - 1, true);
  if (gDB().IsOpen()) {
    grd->setColComboList(kCategory, gDB().ListComboStr(store::ListType::kTranCategory));
  }
}

void frmSelTransaction::Init(int32_t nProductID, int32_t udTranType, const QString& sPrompt) {
  m_nProductID = nProductID;
  m_udTranType = udTranType;
  if (udTranType == store::Code(TranType::kOnOrder)) {
    cmdEditSelTran->setText(QStringLiteral("&Selected 'On Order' Transaction"));
  } else if (udTranType == store::Code(TranType::kAllocate)) {
    cmdEditSelTran->setText(QStringLiteral("&Selected 'Allocate' Transaction"));
  }
  lblMsg->setText(sPrompt);
  LoadData();
}

void frmSelTransaction::LoadData() {
  if (m_nProductID < 1) {
    LoadDataForALLProducts();
  } else {
    LoadDataForAProduct();
  }
}

void frmSelTransaction::LoadDataForAProduct() { Load(false); }
void frmSelTransaction::LoadDataForALLProducts() { Load(true); }

void frmSelTransaction::Load(bool allProducts) {
  const ui::ScopedHourglass hourglass;
  grd->setRows(1);
  clsDB& db = gDB();
  if (!db.IsOpen()) return;
  TranWalk walk(db);
  if (!walk.ok()) return;
  try {
    store::TranScan& scan = walk.scan();
    const store::TranView& t = scan.row();
    // Texts already made, by what they were made from: rows repeat products, dates and
    // amounts, and making each text anew would cost most of the load.
    std::unordered_map<int32_t, QString> names;
    QHash<uint64_t, QString> dates;
    QHash<int64_t, QString> units, costs;
    const auto text = [](auto& made, const auto& key, const auto& make) -> const QString& {
      auto it = made.find(key);
      if (it == made.end()) it = made.insert(key, make());
      return *it;
    };
    grd->setRedraw(false);
    using By = store::TranScan::ByNumber;
    bool more = allProducts ? scan.FirstWithNumber(By::kType, m_udTranType)
                            : scan.FirstWithNumber(By::kProduct, m_nProductID);
    for (; more; more = scan.Next()) {
      if (t.Type() != m_udTranType) continue;
      const int32_t prodId = t.ProdId();
      auto name = names.find(prodId);
      if (name == names.end()) {
        QString sName, sPartNo;
        walk.ProductName(prodId, sName, sPartNo);
        name = names.emplace(prodId, db.MakeProductName(sName, sPartNo)).first;
      }
      const int row = grd->Rows();
      grd->setRows(row + 1);
      grd->setTextMatrix(row, kProduct, name->second);
      grd->setTextMatrix(row, kDate, text(dates, t.DateKey(), [&] {
        return gSystem().DBDateToDislayDate(t.Date(), QStringLiteral("Short Date"));
      }));
      grd->setTextMatrix(row, kType, db.GetTranTypeDesc(t.Type()));
      const rt::Currency amount = t.UnitsAmount();
      grd->setTextMatrix(row, kUnits, text(units, amount.Raw(), [&] {
        return rt::Format(QVariant::fromValue(amount), m_sUnitsFormat);
      }));
      const rt::Currency cost = t.UnitPriceAmount();
      grd->setTextMatrix(row, kCost, text(costs, cost.Raw(), [&] {
        return gSystem().FormatNonZero(cost, m_sPerUnitFormat);
      }));
      grd->setTextMatrix(row, kNotes, gSystem().StrTruncate(t.Notes(), 80));
      grd->setTextMatrix(row, kCategory, gSystem().Minus1ToZero(t.CatId()));
      grd->setRowData(row, t.Id());
    }
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmSelTransaction_LoadData"));
  }
  ShowRowNums();
  FitColumns();
  grd->setRedraw(true);
}

// The row numbers and the short columns fit their widest text, the product column too
// up to half the screen; no column gets narrower than its own width. The grid is as wide
// as its columns as far as the screen has room, and scrolls sideways beyond.
void frmSelTransaction::FitColumns() {
  const auto fit = [this](int col, int maxTwips) {
    grd->AutoSize(col);
    const int own = kColumns[col].width;
    grd->setColWidth(col, std::clamp(grd->ColWidth(col), own, std::max(maxTwips, own)));
  };
  for (const int col : {kNum, kDate, kType, kUnits, kCost}) fit(col, std::numeric_limits<int>::max());
  constexpr int kChromePx = 80;  // the dialog's frame and margins, the grid's scroll bar
  const int roomPx = ui::AvailableScreenWidth() - kChromePx;
  fit(kProduct, static_cast<int>(ui::PixelsToTwipsX(roomPx / 2)));
  int total = 0;
  for (int col = 0; col < kCols; ++col) total += grd->ColWidth(col);
  grd->setMinimumWidth(std::min(static_cast<int>(ui::TwipsToPixelsX(total)) + 24, roomPx));
}

void frmSelTransaction::ShowRowNums() {
  for (int r = 1; r < grd->Rows(); ++r) grd->setTextMatrix(r, kNum, QString::number(r));
}

void frmSelTransaction::grd_Click() {
  if (grd->Rows() < 2 || grd->MouseRow() != 0) return;
  const int col = grd->MouseCol();
  if (col < 0 || col >= kCols) return;
  grd->Select(1, col);
  if (col == kDate) {
    LoadData();
    return;
  }
  // One row selected: the sort takes every row, and only the first is highlighted after.
  grd->setSort(ctl::flexSortGenericAscending);
}

void frmSelTransaction::cmdEditSelTran_Click() {
  if (grd->Rows() < 2 || grd->Row() < 1) {
    ui::MsgBox(QStringLiteral("Please select a transaction first!"), ui::vbExclamation);
    return;
  }
  m_SelectedOperation = 1;
  m_bOK = true;
  m_nSelectedTranID = grd->RowData(std::min(grd->Row(), grd->RowSel())).toInt();
  accept();
}

void frmSelTransaction::cmdNewTransaction_Click() {
  m_SelectedOperation = 0;
  m_bOK = true;
  accept();
}

void frmSelTransaction::cmdCancel_Click() { reject(); }

void frmSelTransaction::reject() {
  m_bOK = false;
  QDialog::reject();
}
