// Hub procedures of the product windows and the list editor (inventory/).

#include "inventory/frmEditCategories.h"
#include "inventory/frmMain_products.h"
#include "shell/frmMain.h"

void frmMain::ListMgmt(const QString& sTag, const QString& sWinCaption, const QString& lvCaption,
                       const QString& sTablename, const QString& sTablePath, const QString& sRowIDCol,
                       const QString& sStrCol, int32_t nType, const QString& sCrossCheckTablePath1,
                       const QString& sCrossCheckCol1, const QString& sCrossCheckTablePath2,
                       const QString& sCrossCheckCol2, bool bUnload) {
  inventory::ListMgmt(sTag, sWinCaption, lvCaption, sTablename, sTablePath, sRowIDCol, sStrCol, nType,
                      sCrossCheckTablePath1, sCrossCheckCol1, sCrossCheckTablePath2, sCrossCheckCol2, bUnload);
}

void frmMain::ShowProdList() { inventory::ShowProdList(); }
void frmMain::NewProductFromMenu() { inventory::NewProductFromMenu(); }
int32_t frmMain::AddEditNewProduct(clsProd& ProdInfo) { return inventory::AddEditNewProduct(ProdInfo); }
bool frmMain::DeleteProduct(int32_t nProductID, const QString& sProductName) {
  return inventory::DeleteProduct(nProductID, sProductName);
}
void frmMain::LookupProduct() { inventory::LookupProduct(); }
int32_t frmMain::LookupProductByPartNo() { return inventory::LookupProductByPartNo(); }
