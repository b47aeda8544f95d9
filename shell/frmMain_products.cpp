// Hub procedures of the product windows (inventory/).

#include "inventory/frmMain_products.h"
#include "shell/frmMain.h"

int32_t frmMain::AddEditNewProduct(clsProd& ProdInfo) { return inventory::AddEditNewProduct(ProdInfo); }
bool frmMain::DeleteProduct(int32_t nProductID, const QString& sProductName) {
  return inventory::DeleteProduct(nProductID, sProductName);
}
int32_t frmMain::LookupProductByPartNo() { return inventory::LookupProductByPartNo(); }
