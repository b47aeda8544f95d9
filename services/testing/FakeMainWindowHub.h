#pragma once
// A main window for tests of other windows: records every hub call as text
// ("ShowCustomReport(106)", "AddBatchTransaction()") and answers from fields
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
  int32_t ClientAreaWidth() override;
  int32_t ClientAreaHeight() override;
  // Records "ShowChild(<objectName>)" and shows the window top-level; deleted on close.
  void ShowChild(QWidget& child) override;
  void SetCustomFieldLabel(QLabel& lbl, const QString& sParam) override;
  QString GetShortDateFromPopupCalendar(const QString& sInitDate) override;
  int32_t AddEditNewProduct(clsProd& ProdInfo) override;
  bool DeleteProduct(int32_t nProductID, const QString& sProductName) override;
  int32_t LookupProductByPartNo() override;
  bool AddNewTransaction(clsTran& udTran, bool scanMode) override;
  void AddBatchTransaction() override;
  void ShowCustomReport(int32_t nRptID) override;
  void ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                            const QString& sSearchCaption) override;
  void ShowTransactionsForProdRpt(int32_t nProductID) override;

 private:
  void Record(const char* name, const QStringList& args = {});
};

using ScopedFakeMainWindowHub =
    ui::test::ScopedFake<FakeMainWindowHub, MainWindowHubInterface, &SetMainWindowHub>;
