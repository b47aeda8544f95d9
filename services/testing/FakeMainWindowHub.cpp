#include "services/testing/FakeMainWindowHub.h"

#include <QWidget>

namespace {
QString B(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }
QString N(int32_t n) { return QString::number(n); }
}  // namespace

void FakeMainWindowHub::Record(const char* name, const QStringList& args) {
  calls << QStringLiteral("%1(%2)").arg(QLatin1String(name), args.join(QStringLiteral(", ")));
}

void FakeMainWindowHub::SetUI() { Record("SetUI"); }
void FakeMainWindowHub::SetStatusBarUI() { Record("SetStatusBarUI"); }
void FakeMainWindowHub::SetCustomMenuLabels() { Record("SetCustomMenuLabels"); }
void FakeMainWindowHub::SetCustomFieldLabel(QLabel&, const QString& sParam) {
  Record("SetCustomFieldLabel", {sParam});
}
QString FakeMainWindowHub::BackupMsg(const QString& sDBPath) {
  Record("BackupMsg", {sDBPath});
  return {};
}
void FakeMainWindowHub::mnuHelpBackup_Click() { Record("mnuHelpBackup_Click"); }
void FakeMainWindowHub::Customizations(int32_t nTab) { Record("Customizations", {N(nTab)}); }
bool FakeMainWindowHub::HelpCenter() {
  Record("HelpCenter");
  return false;
}
QString FakeMainWindowHub::GetShortDateFromPopupCalendar(const QString& sInitDate) {
  Record("GetShortDateFromPopupCalendar", {sInitDate});
  return shortDate;
}
int32_t FakeMainWindowHub::ClientAreaWidth() {
  Record("ClientAreaWidth");
  return clientWidth;
}
int32_t FakeMainWindowHub::ClientAreaHeight() {
  Record("ClientAreaHeight");
  return clientHeight;
}
void FakeMainWindowHub::ShowChild(QWidget& child) {
  Record("ShowChild", {child.objectName()});
  child.setAttribute(Qt::WA_DeleteOnClose);
  child.show();
}
void FakeMainWindowHub::ListMgmt(const QString& sTag, const QString& sWinCaption,
                                 const QString& lvCaption, const QString& sTablename,
                                 const QString& sTablePath, const QString& sRowIDCol,
                                 const QString& sStrCol, int32_t nType,
                                 const QString& sCrossCheckTablePath1, const QString& sCrossCheckCol1,
                                 const QString& sCrossCheckTablePath2, const QString& sCrossCheckCol2,
                                 bool bUnload) {
  Record("ListMgmt", {sTag, sWinCaption, lvCaption, sTablename, sTablePath, sRowIDCol, sStrCol,
                      N(nType), sCrossCheckTablePath1, sCrossCheckCol1, sCrossCheckTablePath2,
                      sCrossCheckCol2, B(bUnload)});
}
void FakeMainWindowHub::EditProductCategories(bool bUnload) { Record("EditProductCategories", {B(bUnload)}); }
void FakeMainWindowHub::EditProductLocations(bool bUnload) { Record("EditProductLocations", {B(bUnload)}); }
void FakeMainWindowHub::EditProductManufacturers(bool bUnload) {
  Record("EditProductManufacturers", {B(bUnload)});
}
void FakeMainWindowHub::EditProductVendors(bool bUnload) { Record("EditProductVendors", {B(bUnload)}); }
void FakeMainWindowHub::EditTransactionCategories(bool bUnload) {
  Record("EditTransactionCategories", {B(bUnload)});
}
void FakeMainWindowHub::EditTransactionAccounts(bool bUnload) {
  Record("EditTransactionAccounts", {B(bUnload)});
}
void FakeMainWindowHub::ShowProdList() { Record("ShowProdList"); }
void FakeMainWindowHub::NewProductFromMenu() { Record("NewProductFromMenu"); }
int32_t FakeMainWindowHub::AddEditNewProduct(clsProd&) {
  Record("AddEditNewProduct");
  return productId;
}
bool FakeMainWindowHub::DeleteProduct(int32_t nProductID, const QString& sProductName) {
  Record("DeleteProduct", {N(nProductID), sProductName});
  return productDeleted;
}
void FakeMainWindowHub::LookupProduct() { Record("LookupProduct"); }
int32_t FakeMainWindowHub::LookupProductByPartNo() {
  Record("LookupProductByPartNo");
  return lookedUpProductId;
}
void FakeMainWindowHub::NewTransaction(int32_t nProdId) { Record("NewTransaction", {N(nProdId)}); }
bool FakeMainWindowHub::AddNewTransaction(clsTran&, bool scanMode) {
  Record("AddNewTransaction", {B(scanMode)});
  return transactionSaved;
}
void FakeMainWindowHub::AddBatchTransaction() { Record("AddBatchTransaction"); }
void FakeMainWindowHub::BatchNewTransaction() { Record("BatchNewTransaction"); }
void FakeMainWindowHub::ScanNewTransaction() { Record("ScanNewTransaction"); }
void FakeMainWindowHub::ShowOnOrderAllocatedTransactionsDlg(int32_t udTranType) {
  Record("ShowOnOrderAllocatedTransactionsDlg", {N(udTranType)});
}
void FakeMainWindowHub::ShowAllReports() { Record("ShowAllReports"); }
void FakeMainWindowHub::ShowInventory() { Record("ShowInventory"); }
void FakeMainWindowHub::ShowQuickInventory() { Record("ShowQuickInventory"); }
void FakeMainWindowHub::ShowTransactions() { Record("ShowTransactions"); }
void FakeMainWindowHub::CheckCreateReport(int32_t nRptID) { Record("CheckCreateReport", {N(nRptID)}); }
void FakeMainWindowHub::ShowCustomReport(int32_t nRptID) { Record("ShowCustomReport", {N(nRptID)}); }
void FakeMainWindowHub::ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                                             const QString& sSearchCaption) {
  Record("ShowFoundProductsRpt", {N(eSearchType), sSearchStr, sSearchCaption});
}
void FakeMainWindowHub::ShowTransactionsForProdRpt(int32_t nProductID) {
  Record("ShowTransactionsForProdRpt", {N(nProductID)});
}
void FakeMainWindowHub::ShowRptContainer(const QString& sFormID, clsRptDef&, bool bCloseOnPropChange) {
  Record("ShowRptContainer", {sFormID, B(bCloseOnPropChange)});
}
void FakeMainWindowHub::ImportProducts() { Record("ImportProducts"); }
void FakeMainWindowHub::ImportTransactions() { Record("ImportTransactions"); }
void FakeMainWindowHub::ExportCurrentInventory() { Record("ExportCurrentInventory"); }
