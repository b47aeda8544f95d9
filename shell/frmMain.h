#pragma once
// frmMain: the program's one main window and the hub of the user interface. A menu
// bar and the list bar SB reach every command, the status bar names the open
// database, report windows and the product list open as child windows in its MDI area.
// Its tag is "MAINFORM". While it lives it is the installed MainWindowHub().
//
// Menu and list-bar items reach their commands through one table (frmMain.cpp,
// Targets()).
// User-interface thread only.

#include <QMainWindow>
#include <QString>
#include <functional>

#include "services/MainWindowHub.h"

class QAction;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMenu;
namespace ctl {
class ListBarControl;
}

class frmMain : public QMainWindow, public MainWindowHubInterface {
  Q_OBJECT

 public:
  // The load: caption, menus, list bar, remembered placement, SetUI.
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // Controls, by their names (also their objectNames).
  QMdiArea* mdi = nullptr;
  ctl::ListBarControl* SB = nullptr;
  QDockWidget* SBContainer = nullptr;  // the list bar's container (shown or hidden)
  QLabel* StatusBar1 = nullptr;        // the status bar's first panel

  // A menu entry by its control name ("mnuFileNew", "mnuWindow", ...); a top-level menu
  // is its menu action. Null when there is none.
  QAction* MenuItem(const QString& name) const;

  // Runs the command of a list-bar item's key; a key of no command, or of a command not
  // built yet, does nothing.
  void SB_ItemClick(const QString& key);

  // Database commands of the File and Help menus.
  void mnuFileNew_Click();
  void mnuFileOpen_Click();
  void mnuFileClose_Click();
  void mnuHelpDBMaintenance_Click();
  // Help > About: the splash window in About mode, modally.
  void mnuHelpAbout_Click();

  // ---- MainWindowHubInterface --------------------------------------------------------
  QWidget* Window() override { return this; }
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

 protected:
  // The unload: closes the database (every other window with it), saves the placement.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildListBar();
  QMenu* AddMenu(const QString& name, const QString& caption);
  QAction* AddItem(QMenu* menu, const QString& name, const QString& caption,
                   const QKeySequence& shortcut, std::function<void()> run);
  // An item running a command of the table.
  QAction* AddTarget(QMenu* menu, const QString& name, const QString& caption,
                     const QKeySequence& shortcut, const char* target);
  void SetEnabled(const QString& name, bool enabled);
  void SetVisible(const QString& name, bool visible);
  // The caption of a menu entry without its "&" marks.
  QString MenuCaption(const QString& name) const;
  void EditList(const QString& menuName, const char* tag, int32_t nType,
                const QString& sCrossCheckTablePath1, const char* sCrossCheckCol1, bool bUnload);
  void RebuildWindowList();
  void ActiveChildDelete();

  MainWindowHubInterface* previousHub_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QList<QAction*> windowListActions_;
};
