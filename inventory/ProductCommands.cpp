#include "inventory/ProductCommands.h"

#include <QListWidget>
#include <QRect>
#include <algorithm>
#include <QLineEdit>

#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/store/Codes.h"
#include "inventory/frmLookupByPartNo.h"
#include "inventory/frmLookupProduct.h"
#include "inventory/frmProdList.h"
#include "inventory/frmProduct.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "services/MainWindowHub.h"
#include "services/clsSystem.h"

namespace inventory {

void NewProductFromMenu() {
  clsProd prod;
  prod.Init();
  AddEditNewProduct(prod);
}

int32_t AddEditNewProduct(clsProd& ProdInfo) {
  int32_t result = -1;
  try {
    clsDB& db = gDB();
    const bool assign = db.ProdAssignPartNumberGet();
    if (assign) db.AssignPartNumber(ProdInfo);
    frmProduct dlg(HubWindow());
    if (!dlg.Init(ProdInfo)) return result;
    ui::RunModal(dlg, HubWindow());
    if (dlg.m_bOK) {
      result = ProdInfo.nProdId;
      if (assign && ProdInfo.sPartNo == QString::number(db.QueryNextPartNumber())) db.IncrementNextPartNumber();
    }
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmMain_AddNewProduct"));
  }
  return result;
}

bool DeleteProduct(int32_t nProductID, const QString& sProductName) {
  if (nProductID <= 0) return false;
  clsDB& db = gDB();
  if (db.ProductHasTransactions(nProductID)) {
    const QString text = QStringLiteral("There are inventory transactions recorded for '") + sProductName +
                         QStringLiteral("'") + gSystem().CR(2) +
                         QStringLiteral("To permanently delete this product, all transactions for this product must be "
                                        "deleted first. To PERMANENTLY DELETE the product AND all its inventory "
                                        "transactions, press YES.");
    if (ui::MsgBox(text, ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton2,
                   QStringLiteral("Permanently Delete Product")) != ui::vbYes) {
      return false;
    }
    return db.DeleteProductTransactions(nProductID) && db.DeleteProduct(nProductID);
  }
  const QString text = QStringLiteral("Are you sure you want to permanently delete product '") + sProductName +
                       QStringLiteral("' from the database?");
  if (ui::MsgBox(text, ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2, QStringLiteral("Delete Product")) !=
      ui::vbYes) {
    return false;
  }
  return db.DeleteProduct(nProductID);
}

bool ProductStored(int32_t nProdId) { return gDB().ProductStored(nProdId); }

QString ProductGoneText() { return QStringLiteral("Record cannot be accessed or it no longer exists!"); }

bool ProductAccessible(int32_t nProdId) {
  if (ProductStored(nProdId)) return true;
  ui::MsgBox(ProductGoneText(), ui::vbExclamation);
  return false;
}

void LookupProduct() {
  frmLookupProduct dlg(HubWindow());
  ui::RunModal(dlg, HubWindow());
  if (!dlg.m_bOK) return;
  const QString typed = dlg.txtProd->text();
  const int32_t searchType = gSystem().lbGetItemID(*dlg.lstSearchType);
  QListWidgetItem* item = dlg.lstSearchType->currentItem();
  const QString caption =
      (item == nullptr ? QString() : item->text()) + QStringLiteral(" '") + typed + QStringLiteral("'");
  if (MainWindowHubInterface* hub = MainWindowHub()) hub->ShowFoundProductsRpt(searchType, typed.toUpper(), caption);
}

int32_t LookupProductByPartNo() {
  frmLookupByPartNo dlg(HubWindow());
  ui::RunModal(dlg, HubWindow());
  return dlg.m_OK ? dlg.m_ProductID : -1;
}

void ShowProdList() {
  const QString tag = QString::fromLatin1(frmProdList::kTag);
  if (gSystem().IsFormLoaded(tag)) {
    gSystem().BringFormToTop(tag, 0);
    return;
  }
  MainWindowHubInterface* hub = MainWindowHub();
  if (hub == nullptr) return;
  auto* list = new frmProdList(nullptr);
  hub->ShowChild(*list);
  // Inside the room of the main window: as tall as it, no wider.
  QWidget* frame = list->parentWidget();
  if (frame != nullptr && frame->parentWidget() != nullptr) {
    const QRect room = frame->parentWidget()->rect();
    frame->setGeometry(room.x(), room.y(), std::min(frame->width(), room.width()), room.height());
  }
  list->Form_Load();
}

}  // namespace inventory
