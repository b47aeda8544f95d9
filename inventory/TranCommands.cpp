#include "inventory/TranCommands.h"

#include <QComboBox>
#include <QPushButton>
#include <algorithm>
#include <optional>

#include "database/clsDB.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "inventory/TranEntry.h"
#include "inventory/frmBatchTran.h"
#include "inventory/frmInvAddUpateDel.h"
#include "inventory/ProductCommands.h"
#include "inventory/frmNewTran.h"
#include "inventory/frmScanNewTran.h"
#include "inventory/frmSelTransaction.h"
#include "platform/runtime/Format.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "services/MainWindowHub.h"
#include "services/clsSystem.h"

namespace inventory {
namespace {

using store::TranType;

constexpr int32_t kNew = 0;
constexpr int32_t kEdit = 1;

// The outstanding type a new transaction of this type may convert; -1 none.
int32_t OutstandingTypeOf(int32_t udTranType) {
  if (udTranType == store::Code(TranType::kReceive)) return store::Code(TranType::kOnOrder);
  if (udTranType == store::Code(TranType::kShip)) return store::Code(TranType::kAllocate);
  return -1;
}

bool IsOrder(int32_t udOutstandingType) { return udOutstandingType == store::Code(TranType::kOnOrder); }

void TranGoneMsg(int32_t nTranID) {
  ui::MsgBox(QStringLiteral("Unable to get transaction with id: ") + QString::number(nTranID) +
                 QStringLiteral(". Another user may have deleted this transaction."),
             ui::vbExclamation);
}

// The picker for one product; the chosen outstanding id (-1: a new transaction), or
// nullopt when it was cancelled.
std::optional<int32_t> PickOutstanding(int32_t nProdId, int32_t udOutstandingType) {
  if (!gDB().ProductHasATranType(nProdId, udOutstandingType)) return -1;
  const QString prompt =
      IsOrder(udOutstandingType)
          ? QStringLiteral("The following ORDERS are outstanding for this product. If you have received one of the "
                           "orders below, please select an appropriate transaction and press 'Selected On Order "
                           "Transaction' OR press 'New Transaction' if this is a new transaction:")
          : QStringLiteral("The following units are ALLOCATED (but not shipped). If you are shipping one of these "
                           "allocated units, please select an appropriate transaction below and press 'Selected "
                           "Allocate Transaction' OR press 'New Transaction' if this is a new transaction:");
  frmSelTransaction picker;
  picker.Init(nProdId, udOutstandingType, prompt);
  ui::RunModal(picker, HubWindow());
  if (!picker.m_bOK) return std::nullopt;
  return picker.m_SelectedOperation == 1 ? picker.m_nSelectedTranID : -1;
}

// After a partial receipt or shipment: offers to keep the rest outstanding. The units
// are shown with the unit decimals, or with as many as they hold where that is more.
void OfferRemainder(const clsTran& saved, int32_t udOutstandingType, rt::Currency outstandingUnits,
                    const QString& outstandingDate, int32_t unitsPlaces) {
  if (!(saved.curUnits < outstandingUnits)) return;
  const rt::Currency remainder = outstandingUnits - saved.curUnits;
  int32_t places = std::max(unitsPlaces, 0);
  const auto hidden = [&places](rt::Currency c) {  // digits past the places shown
    int64_t unit = 1;
    for (int32_t k = places; k < 4; ++k) unit *= 10;
    return c.Raw() % unit != 0;
  };
  for (const rt::Currency c : {saved.curUnits, outstandingUnits, remainder}) {
    while (places < 4 && hidden(c)) ++places;
  }
  const QString unitsFormat = gDB().NumberFormat(places);
  const auto units = [&](rt::Currency c) { return rt::Format(QVariant::fromValue(c), unitsFormat); };
  const bool order = IsOrder(udOutstandingType);
  const QString text =
      (order ? QStringLiteral("The number of units you RECEIVED (") : QStringLiteral("The number of units you SHIPPED (")) +
      units(saved.curUnits) +
      (order ? QStringLiteral(") are less than the number of units ON ORDER (")
             : QStringLiteral(") are less than the number of units ALLOCATED (")) +
      units(outstandingUnits) +
      (order ? QStringLiteral("). Do you wish to keep the remaining number of units ON ORDER (")
             : QStringLiteral("). Do you wish to keep the remaining number of units ALLOCATED (")) +
      units(remainder) + QStringLiteral(")?");
  if (ui::MsgBox(text, ui::vbYesNo | ui::vbQuestion) == ui::vbYes) {
    gDB().CopyTran(saved, udOutstandingType, remainder, outstandingDate);
  }
}

}  // namespace

void NewTransaction(int32_t nProdId) {
  clsTran tran;
  if (nProdId > 0) tran.nProdId = nProdId;
  AddNewTransaction(tran, false);
}

bool AddNewTransaction(clsTran& udTran, bool scanMode) {
  const int32_t unitsPlaces = gDB().DecimalsUnits();
  if (udTran.nProdId <= 0 || udTran.udTranType <= 0 || udTran.udTranType > 5) {
    frmNewTran chooser;
    gSystem().cboSelectAtID(*chooser.cboProducts, udTran.nProdId);
    ui::RunModal(chooser, HubWindow());
    if (!chooser.m_bOK) return false;
    udTran.nProdId = chooser.m_nProductID;
    udTran.udTranType = chooser.m_udTranType;
  }
  if (!ProductAccessible(udTran.nProdId)) return false;
  const int32_t outstandingType = OutstandingTypeOf(udTran.udTranType);
  int32_t chosenId = -1;
  if (outstandingType > 0) {
    const std::optional<int32_t> picked = PickOutstanding(udTran.nProdId, outstandingType);
    if (!picked) return false;
    chosenId = *picked;
  }
  frmInvAddUpateDel dlg;
  rt::Currency outstandingUnits;
  QString outstandingDate;
  if (chosenId < 0) {
    dlg.cboType->setEnabled(false);
    if (udTran.nProdId > 0) udTran.curUnitPrice = DefaultUnitAmount(udTran.nProdId, udTran.udTranType, udTran.curUnitPrice);
    dlg.Init(kNew, udTran, -1);
  } else {
    if (!gDB().GetTran(chosenId, udTran)) {
      TranGoneMsg(chosenId);
      udTran.Init();
      return false;
    }
    outstandingUnits = udTran.curUnits;
    outstandingDate = udTran.sDate;
    dlg.Init(kEdit, udTran, -1);
    dlg.ConvertFrom(outstandingType);
  }
  if (scanMode) dlg.FocusOnQty();
  ui::RunModal(dlg, HubWindow());
  const bool saved = dlg.m_bOK;
  if (saved && chosenId > 0 && gDB().GetTran(chosenId, udTran)) {
    OfferRemainder(udTran, outstandingType, outstandingUnits, outstandingDate, unitsPlaces);
  }
  return saved;
}

void ShowOnOrderAllocatedTransactionsDlg(int32_t udTranType) {
  if (udTranType != store::Code(TranType::kOnOrder) && udTranType != store::Code(TranType::kAllocate)) {
    ui::MsgBox(QStringLiteral("Unsupported Transaction Type"), ui::vbOKOnly);
    return;
  }
  const bool order = IsOrder(udTranType);
  frmSelTransaction picker;
  picker.Init(-1, udTranType,
              order ? QStringLiteral("The following ORDERS are outstanding. If you have received one of the orders "
                                     "below, please select an appropriate transaction and press 'Selected On Order "
                                     "Transaction':")
                    : QStringLiteral("The following units are ALLOCATED (but not shipped). If you are shipping one "
                                     "of these allocated units, please select an appropriate transaction below and "
                                     "press 'Selected Allocate Transaction':"));
  picker.cmdNewTransaction->hide();
  picker.setWindowTitle(order ? QStringLiteral("Receive Products On Order") : QStringLiteral("Ship Allocated Products"));
  ui::RunModal(picker, HubWindow());
  if (!picker.m_bOK || picker.m_SelectedOperation != 1) return;
  const int32_t id = picker.m_nSelectedTranID;
  clsTran tran;
  if (!gDB().GetTran(id, tran)) {
    TranGoneMsg(id);
    return;
  }
  frmInvAddUpateDel dlg;
  dlg.Init(kEdit, tran, -1);
  dlg.ConvertFrom(udTranType);
  ui::RunModal(dlg, HubWindow());
}

void ScanNewTransaction() {
  gSystem().UnloadAll(QStringLiteral("MAINFORM"));
  frmScanNewTran scan;
  ui::RunModal(scan, HubWindow());
}

void AddBatchTransaction() {
  frmBatchTran batch;
  ui::RunModal(batch, HubWindow());
}

void BatchNewTransaction() { AddBatchTransaction(); }

}  // namespace inventory
