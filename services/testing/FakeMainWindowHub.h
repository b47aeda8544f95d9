#pragma once
// A main window for tests of other windows: records every hub call as text
// ("NewTransaction(12)", "EditTransactionCategories(false)") and answers from fields
// the test sets. ScopedFakeMainWindowHub installs one for a scope and puts the previous
// hub back.

#include <QStringList>

#include "platform/ui/testing/TestPrompts.h"
#include "services/MainWindowHub.h"

class FakeMainWindowHub : public MainWindowHubInterface {
 public:
  // Every call, in order.
  QStringList calls;
  // Answers.
  QWidget* window = nullptr;
  QString shortDate;                // GetShortDateFromPopupCalendar
  int32_t productId = 0;            // AddEditNewProduct
  int32_t lookedUpProductId = 0;    // LookupProductByPartNo
  bool transactionSaved = false;    // AddNewTransaction
  bool productDeleted = false;      // DeleteProduct
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;

  QWidget* Window() override { return window; }
  void SetUI() override;
  void SetStatusBarUI() override;
  void SetCustomMenuLabels() override;
  void SetCustomFieldLabel(QLabel& lbl, const QString& sParam) override;
  QString BackupMsg(const QString& sDBPath) override;
  void mnuHelpBackup_Click() override;
  void Customizations(int32_t nTab) override;
  bool HelpCenter() override;
  QString GetShortDateFromPopupCalendar(const QString& sInitDate) override;
  int32_t ClientAreaWidth() override;
  int32_t ClientAreaHeight() override;
  // Records "ShowChild(<objectName>)" and shows the window top-level; deleted on close.
  void ShowChild(QWidget& child) override;
  void ListMgmt(const QString& sTag, const QString& sWinCaption, const QString& lvCaption,
                const QString& sTablename, const QString& sTablePath, const QString& sRowIDCol,
                const QString& sStrCol, int32_t nType, const QString& sCrossCheckTablePath1,
                const QString& sCrossCheckCol1, const QString& sCrossCheckTablePath2,
                const QString& sCrossCheckCol2, bool bUnload) override;
  void EditProductCategories(bool bUnload) override;
  void EditProductLocations(bool bUnload) override;
  void EditProductManufacturers(bool bUnload) override;
  void EditProductVendors(bool bUnload) override;
  void EditTransactionCategories(bool bUnload) override;
  void EditTransactionAccounts(bool bUnload) override;
  void ShowProdList() override;
  void NewProductFromMenu() override;
  int32_t AddEditNewProduct(clsProd& ProdInfo) override;
  bool DeleteProduct(int32_t nProductID, const QString& sProductName) override;
  void LookupProduct() override;
  int32_t LookupProductByPartNo() override;
  void NewTransaction(int32_t nProdId) override;
  bool AddNewTransaction(clsTran& udTran, bool scanMode) override;
  void AddBatchTransaction() override;
  void BatchNewTransaction() override;
  void ScanNewTransaction() override;
  void ShowOnOrderAllocatedTransactionsDlg(int32_t udTranType) override;
  void ShowAllReports() override;
  void ShowInventory() override;
  void ShowQuickInventory() override;
  void ShowTransactions() override;
  void CheckCreateReport(int32_t nRptID) override;
  void ShowCustomReport(int32_t nRptID) override;
  void ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                            const QString& sSearchCaption) override;
  void ShowTransactionsForProdRpt(int32_t nProductID) override;
  void ShowRptContainer(const QString& sFormID, clsRptDef& RptDef, bool bCloseOnPropChange) override;
  void ImportProducts() override;
  void ImportTransactions() override;
  void ExportCurrentInventory() override;

 private:
  void Record(const char* name, const QStringList& args = {});
};

using ScopedFakeMainWindowHub =
    ui::test::ScopedFake<FakeMainWindowHub, MainWindowHubInterface, &SetMainWindowHub>;
