// The main window: menus, list bar, status bar, captions and the hub procedures.

#include "shell/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <cmath>
#include <map>

#include "database/clsDB.h"
#include "exchange/ExchangeSupport.h"
#include "platform/controls/ListBarControl.h"
#include "platform/runtime/App.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "services/clsSystem.h"
#include "services/clsWndStartupPos.h"
#include "services/frmCalendar.h"
#include "services/mdlHelper.h"
#include "shell/frmPreferences.h"
#include "shell/frmSplash.h"

namespace {

// The commands that menus and list-bar items reach, by target procedure.
struct Target {
  std::function<void(frmMain&)> run;
};

const std::map<QString, Target>& Targets() {
  static const std::map<QString, Target> kTargets = {
      {"LookupProduct", {[](frmMain& m) { m.LookupProduct(); }}},
      {"NewProductFromMenu", {[](frmMain& m) { m.NewProductFromMenu(); }}},
      {"NewTransaction", {[](frmMain& m) { m.NewTransaction(-1); }}},
      {"ScanNewTransaction", {[](frmMain& m) { m.ScanNewTransaction(); }}},
      {"BatchNewTransaction", {[](frmMain& m) { m.BatchNewTransaction(); }}},
      {"ReceiveOrdered", {[](frmMain& m) { m.ShowOnOrderAllocatedTransactionsDlg(1); }}},
      {"ShipAllocated", {[](frmMain& m) { m.ShowOnOrderAllocatedTransactionsDlg(5); }}},
      {"ImportTransactions", {[](frmMain& m) { m.ImportTransactions(); }}},
      {"ImportProducts", {[](frmMain& m) { m.ImportProducts(); }}},
      {"ShowProdList", {[](frmMain& m) { m.ShowProdList(); }}},
      {"ShowQuickInventory", {[](frmMain& m) { m.ShowQuickInventory(); }}},
      {"ShowInventory", {[](frmMain& m) { m.ShowInventory(); }}},
      {"ShowTransactions", {[](frmMain& m) { m.ShowTransactions(); }}},
      {"ShowAllReports", {[](frmMain& m) { m.ShowAllReports(); }}},
      {"ExportCurrentInventory", {[](frmMain& m) { m.ExportCurrentInventory(); }}},
      {"EditProductCategories", {[](frmMain& m) { m.EditProductCategories(true); }}},
      {"EditProductLocations", {[](frmMain& m) { m.EditProductLocations(true); }}},
      {"EditProductManufacturers", {[](frmMain& m) { m.EditProductManufacturers(true); }}},
      {"EditProductVendors", {[](frmMain& m) { m.EditProductVendors(true); }}},
      {"EditTransactionCategories", {[](frmMain& m) { m.EditTransactionCategories(true); }}},
      {"EditTransactionAccounts", {[](frmMain& m) { m.EditTransactionAccounts(true); }}},
      {"Customizations", {[](frmMain& m) { m.Customizations(0); }}},
      {"HelpCenter", {[](frmMain& m) { m.HelpCenter(); }}},
  };
  return kTargets;
}

const Target* FindTarget(const QString& name) {
  const auto it = Targets().find(name);
  return it == Targets().end() ? nullptr : &it->second;
}

struct ListBarEntry {
  const char* caption;
  const char* key;
  const char* icon;  // freedesktop icon name
};

struct ListBarGroupDef {
  const char* caption;
  std::vector<ListBarEntry> items;
};

const std::vector<ListBarGroupDef>& ListBarGroups() {
  static const std::vector<ListBarGroupDef> kGroups = {
      {"Main",
       {{"Product", "LOOKUPPRODUCT", "system-search"},
        {"New Product", "NEWPRODUCT", "document-new"},
        {"Single Transaction", "NEWTRANSACTION", "list-add"},
        {"Scan Transaction", "SCANNEWTRANSACTION", "scanner"},
        {"Batch Transaction", "BATCHNEWTRANSACTION", "view-list"},
        {"Quick Inventory", "QUICKINVENTORY", "x-office-spreadsheet"},
        {"Inventory Detail", "INVENTORY", "document-properties"},
        {"Transactions", "TRANSACTIONS", "x-office-calendar"},
        {"All Reports", "REPORTS", "document-print"},
        {"Product List", "PRODUCTLIST", "edit-select-all"}}},
      {"Configure",
       {{"Product Groups", "PRODUCTCATEGORIES", "folder"},
        {"Product Locations", "PRODUCTLOCATIONS", "go-home"},
        {"Product Manufacturers", "PRODUCTMANUFACTURERS", "applications-engineering"},
        {"Product Vendors", "PRODUCTVENDORS", "system-users"},
        {"Transaction Categories", "TRANSACTIONCATEGORIES", "list-tag"},
        {"Transaction Accounts", "TRANSACTIONACCOUNTS", "list-account"},
        {"Preferences", "CUSTOMIZATIONS", "preferences-system"}}},
  };
  return kGroups;
}

// List-bar keys and the procedures they run ("MAIN_HELP" is carried by no item).
const std::map<QString, QString>& ListBarTargets() {
  static const std::map<QString, QString> kKeys = {
      {"PRODUCTLIST", "ShowProdList"},
      {"LOOKUPPRODUCT", "LookupProduct"},
      {"NEWPRODUCT", "NewProductFromMenu"},
      {"NEWTRANSACTION", "NewTransaction"},
      {"SCANNEWTRANSACTION", "ScanNewTransaction"},
      {"BATCHNEWTRANSACTION", "BatchNewTransaction"},
      {"CUSTOMIZATIONS", "Customizations"},
      {"MAIN_HELP", "HelpCenter"},
      {"PRODUCTCATEGORIES", "EditProductCategories"},
      {"PRODUCTLOCATIONS", "EditProductLocations"},
      {"PRODUCTMANUFACTURERS", "EditProductManufacturers"},
      {"PRODUCTVENDORS", "EditProductVendors"},
      {"TRANSACTIONCATEGORIES", "EditTransactionCategories"},
      {"TRANSACTIONACCOUNTS", "EditTransactionAccounts"},
      {"REPORTS", "ShowAllReports"},
      {"INVENTORY", "ShowInventory"},
      {"QUICKINVENTORY", "ShowQuickInventory"},
      {"TRANSACTIONS", "ShowTransactions"},
  };
  return kKeys;
}

QString ListBarTarget(const QString& key) {
  const auto it = ListBarTargets().find(key);
  return it == ListBarTargets().end() ? QString() : it->second;
}

const char kTopMenusWhenOpen[][16] = {"mnuLookup", "mnuTransactions", "mnuProducts", "mnuReports",
                                      "mnuConfigure", "mnuWindow"};


// The children that are shown and not minimised, in the order they were opened.
QList<QMdiSubWindow*> ArrangedChildren(QMdiArea& area) {
  QList<QMdiSubWindow*> children;
  for (QMdiSubWindow* child : area.subWindowList()) {
    if (child->isVisible() && !child->isMinimized()) children << child;
  }
  return children;
}

// The size a window had before it was tiled, given back by Cascade.
constexpr char kUntiledSize[] = "untiledSize";

// Horizontally: one full-width row per window, stacked; vertically: side-by-side columns.
void TileChildren(QMdiArea& area, bool horizontally) {
  const QList<QMdiSubWindow*> children = ArrangedChildren(area);
  if (children.isEmpty()) return;
  const QRect room = area.viewport()->rect();
  const int n = static_cast<int>(children.size());
  for (int i = 0; i < n; ++i) {
    children[i]->showNormal();
    if (!children[i]->property(kUntiledSize).isValid()) children[i]->setProperty(kUntiledSize, children[i]->size());
    if (horizontally) {
      const int h = room.height() / n;
      children[i]->setGeometry(0, i * h, room.width(), h);
    } else {
      const int w = room.width() / n;
      children[i]->setGeometry(i * w, 0, w, room.height());
    }
  }
}

// Each window one title bar below and right of the one before, the last on top, at its
// own size (the one it had before a tile, never below what its layout needs) cut to the
// room left. (The frames' own cascade resizes each to its size hint, which is none for
// the report windows.)
void CascadeChildren(QMdiArea& area) {
  const QRect room = area.viewport()->rect();
  int offset = 0;
  for (QMdiSubWindow* child : ArrangedChildren(area)) {
    if (offset > room.height() / 2) offset = 0;
    child->showNormal();
    const QVariant untiled = child->property(kUntiledSize);
    child->setProperty(kUntiledSize, QVariant());
    const QSize own = (untiled.isValid() ? untiled.toSize() : child->size()).expandedTo(child->minimumSizeHint());
    child->setGeometry(QRect(QPoint(offset, offset), own.boundedTo(room.size() - QSize(offset, offset))));
    child->raise();
    offset += child->contentsMargins().top();
  }
}

// Minimised windows in a row along the bottom edge.
void ArrangeIcons(QMdiArea& area) {
  const QRect room = area.viewport()->rect();
  int x = 0;
  for (QMdiSubWindow* child : area.subWindowList()) {
    if (!child->isMinimized()) continue;
    const QSize size = child->size();
    child->move(x, room.height() - size.height());
    x += size.width();
  }
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  ui::SetTag(this, QStringLiteral("MAINFORM"));
  setWindowTitle(QStringLiteral("%1 v%2.%3")
                     .arg(rt::App::ProductName())
                     .arg(rt::App::kMajor)
                     .arg(rt::App::kMinor));
  setWindowIcon(ui::ApplicationIcon());  // its child windows show it too

  mdi = new QMdiArea(this);
  mdi->setObjectName(QStringLiteral("mdi"));
  mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi);

  StatusBar1 = new QLabel(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(StatusBar1, 1);

  BuildMenus();
  BuildListBar();

  resize(1024, 720);
  clsWndStartupPos().RestorePosition(*this);
  previousHub_ = SetMainWindowHub(this);
  SetUI();
}

frmMain::~frmMain() {
  if (MainWindowHub() == this) SetMainWindowHub(previousHub_);
}

// ---- Menus -----------------------------------------------------------------------------

QMenu* frmMain::AddMenu(const QString& name, const QString& caption) {
  QMenu* menu = menuBar()->addMenu(caption);
  menu->setObjectName(name);
  menu->menuAction()->setObjectName(name);
  return menu;
}

QAction* frmMain::AddItem(QMenu* menu, const QString& name, const QString& caption,
                          const QKeySequence& shortcut, std::function<void()> run) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  action->setShortcut(shortcut);
  if (run) connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
  return action;
}

QAction* frmMain::AddTarget(QMenu* menu, const QString& name, const QString& caption,
                            const QKeySequence& shortcut, const char* target) {
  const QString targetName = QLatin1String(target);
  return AddItem(menu, name, caption, shortcut, [this, targetName] {
    if (const Target* t = FindTarget(targetName); t != nullptr && t->run) t->run(*this);
  });
}

void frmMain::BuildMenus() {
  QMenu* file = AddMenu(QStringLiteral("mnuFile"), QStringLiteral("&File"));
  AddItem(file, QStringLiteral("mnuFileNew"), QStringLiteral("&New Database..."),
          QKeySequence(Qt::CTRL | Qt::Key_N), [this] { mnuFileNew_Click(); });
  AddItem(file, QStringLiteral("mnuFileOpen"), QStringLiteral("&Open Database..."),
          QKeySequence(Qt::CTRL | Qt::Key_O), [this] { mnuFileOpen_Click(); });
  AddItem(file, QStringLiteral("mnuFileClose"), QStringLiteral("Close Database"), {},
          [this] { mnuFileClose_Click(); });
  file->addSeparator();
  AddItem(file, QStringLiteral("mnuHelpBackup"), QStringLiteral("How to backup your data"), {},
          [this] { mnuHelpBackup_Click(); });
  file->addSeparator();
  AddItem(file, QStringLiteral("mnuFileExit"), QStringLiteral("E&xit"),
          QKeySequence(Qt::CTRL | Qt::Key_X), [this] { close(); });

  QMenu* lookup = AddMenu(QStringLiteral("mnuLookup"), QStringLiteral("&Lookup"));
  AddTarget(lookup, QStringLiteral("mnuLookupProducts"), QStringLiteral("&Products..."),
            QKeySequence(Qt::CTRL | Qt::Key_F), "LookupProduct");

  QMenu* tran = AddMenu(QStringLiteral("mnuTransactions"), QStringLiteral("&Transactions"));
  AddTarget(tran, QStringLiteral("mnuTransactionsEnterNewTransaction"),
            QStringLiteral("Single &Transaction..."), QKeySequence(Qt::Key_F3), "NewTransaction");
  AddTarget(tran, QStringLiteral("mnuTransactionsScanNewTransaction"),
            QStringLiteral("&Scan Transaction..."), QKeySequence(Qt::Key_F8), "ScanNewTransaction");
  AddTarget(tran, QStringLiteral("mnuTransactionBatchNewTransaction"),
            QStringLiteral("&Batch Transaction..."), QKeySequence(Qt::Key_F7), "BatchNewTransaction");
  tran->addSeparator();
  AddTarget(tran, QStringLiteral("mnuTransactionsReceiveOrdered"),
            QStringLiteral("Receive previously &ordered..."), {}, "ReceiveOrdered");
  AddTarget(tran, QStringLiteral("mnuTransactionsShipAllocated"),
            QStringLiteral("Ship previously &Allocated..."), {}, "ShipAllocated");
  tran->addSeparator();
  AddTarget(tran, QStringLiteral("mnuTransactionsImportTransactions"),
            QStringLiteral("Import Transactions..."), {}, "ImportTransactions");

  QMenu* prod = AddMenu(QStringLiteral("mnuProducts"), QStringLiteral("&Products"));
  AddTarget(prod, QStringLiteral("mnuProductsNewProduct"), QStringLiteral("New Product..."),
            QKeySequence(Qt::Key_F2), "NewProductFromMenu");
  AddTarget(prod, QStringLiteral("mnuProductsProductList"), QStringLiteral("Product List"),
            QKeySequence(Qt::CTRL | Qt::Key_L), "ShowProdList");
  prod->addSeparator();
  AddTarget(prod, QStringLiteral("mnuProductsImportProducts"), QStringLiteral("Import Products..."),
            {}, "ImportProducts");

  QMenu* rep = AddMenu(QStringLiteral("mnuReports"), QStringLiteral("&Reports"));
  AddTarget(rep, QStringLiteral("mnuReportsQuickInventory"), QStringLiteral("&Quick Inventory"),
            QKeySequence(Qt::Key_F9), "ShowQuickInventory");
  AddTarget(rep, QStringLiteral("mnuReportsInventory"), QStringLiteral("&Inventory Detail"),
            QKeySequence(Qt::Key_F4), "ShowInventory");
  AddTarget(rep, QStringLiteral("mnuReportTransactions"), QStringLiteral("&Transactions"),
            QKeySequence(Qt::Key_F6), "ShowTransactions");
  rep->addSeparator();
  AddTarget(rep, QStringLiteral("mnuReportsAllReports"), QStringLiteral("All Reports"),
            QKeySequence(Qt::CTRL | Qt::Key_R), "ShowAllReports");
  rep->addSeparator();
  AddTarget(rep, QStringLiteral("mnuReportsExportCurrentProductInventory"),
            QStringLiteral("Export Current Product Inventory..."), {}, "ExportCurrentInventory");

  QMenu* conf = AddMenu(QStringLiteral("mnuConfigure"), QStringLiteral("&Configure"));
  AddTarget(conf, QStringLiteral("mnuConfigureProductGroups"), QStringLiteral("Product Groups"), {},
            "EditProductCategories");
  AddTarget(conf, QStringLiteral("mnuConfigureProductLocations"), QStringLiteral("Product Locations"),
            {}, "EditProductLocations");
  AddTarget(conf, QStringLiteral("mnuProductManufacturers"), QStringLiteral("Product Manufacturers"),
            {}, "EditProductManufacturers");
  AddTarget(conf, QStringLiteral("mnuConfigureProductVendors"), QStringLiteral("Product Vendors"), {},
            "EditProductVendors");
  conf->addSeparator();
  AddTarget(conf, QStringLiteral("mnuConfigureTransactionCategories"),
            QStringLiteral("Transaction Categories"), {}, "EditTransactionCategories");
  AddTarget(conf, QStringLiteral("mnuConfigureTransactionAccounts"),
            QStringLiteral("Transaction Accounts"), {}, "EditTransactionAccounts");
  conf->addSeparator();
  AddTarget(conf, QStringLiteral("mnuConfigurePreferences"), QStringLiteral("Preferences..."), {},
            "Customizations");

  windowMenu_ = AddMenu(QStringLiteral("mnuWindow"), QStringLiteral("&Window"));
  AddItem(windowMenu_, QStringLiteral("mnuWindowTH"), QStringLiteral("Tile &Horizontally"), {},
          [this] { TileChildren(*mdi, true); });
  AddItem(windowMenu_, QStringLiteral("mnuWindowTV"), QStringLiteral("Tile &Vertically"), {},
          [this] { TileChildren(*mdi, false); });
  AddItem(windowMenu_, QStringLiteral("mnuWindowCascade"), QStringLiteral("&Cascade"), {},
          [this] { CascadeChildren(*mdi); });
  AddItem(windowMenu_, QStringLiteral("mnuWindowArrangeIcons"), QStringLiteral("&Arrange Icons"), {},
          [this] { ArrangeIcons(*mdi); });
  AddItem(windowMenu_, QStringLiteral("mnuWindowCloseAll"), QStringLiteral("&Close All"), {},
          [] { gSystem().UnloadAll(QStringLiteral("MAINFORM")); });
  connect(windowMenu_, &QMenu::aboutToShow, this, &frmMain::RebuildWindowList);

  QMenu* help = AddMenu(QStringLiteral("mnuHelp"), QStringLiteral("&Help"));
  AddItem(help, QStringLiteral("mnuHelpUserManual"), QStringLiteral("&Help Topics"),
          QKeySequence(Qt::Key_F1), [] { gSystem().ShowHelpContents(); });
  AddItem(help, QStringLiteral("mnuOnlineHelp"), QStringLiteral("More Help @ dornvale.com"), {},
          [] { mdlHelper::HlpShellOpen(gSystem().cDvWebsite() + QStringLiteral("stovrel/tutorials/")); });
  help->addSeparator();
  AddItem(help, QStringLiteral("mnuHelpDBMaintenance"), QStringLiteral("Database Maintenance"), {},
          [this] { mnuHelpDBMaintenance_Click(); });
  help->addSeparator();
  AddItem(help, QStringLiteral("mnuHelpAbout"), QStringLiteral("&About"), {},
          [this] { mnuHelpAbout_Click(); });
  AddItem(help, QStringLiteral("mnuSVLOnline"), QStringLiteral("&Online version!"), {},
          [] { mdlHelper::HlpShellOpen(gSystem().cDvWebsite() + QStringLiteral("stovrel/online/")); });

  // Never popped up; its entry asks the active child window to delete.
  QMenu* context = AddMenu(QStringLiteral("mnuContext"), QStringLiteral("Context Menu"));
  AddItem(context, QStringLiteral("mnuDelete"), QStringLiteral("Delete"), {},
          [this] { ActiveChildDelete(); });
  context->menuAction()->setVisible(false);
}

QAction* frmMain::MenuItem(const QString& name) const {
  for (QAction* action : findChildren<QAction*>(name)) {
    if (action->objectName() == name) return action;
  }
  return nullptr;
}

void frmMain::SetEnabled(const QString& name, bool enabled) {
  QAction* action = MenuItem(name);
  if (action == nullptr) return;
  action->setEnabled(enabled);
}

void frmMain::SetVisible(const QString& name, bool visible) {
  if (QAction* action = MenuItem(name)) action->setVisible(visible);
}

QString frmMain::MenuCaption(const QString& name) const {
  QAction* action = MenuItem(name);
  return action == nullptr ? QString() : ui::ShownMnemonicText(action->text());
}

void frmMain::RebuildWindowList() {
  for (QAction* action : windowListActions_) {
    windowMenu_->removeAction(action);
    action->deleteLater();
  }
  windowListActions_.clear();
  const QList<QMdiSubWindow*> children = mdi->subWindowList();
  if (children.isEmpty()) return;
  windowListActions_ << windowMenu_->addSeparator();
  int n = 0;
  for (QMdiSubWindow* child : children) {
    QAction* action = windowMenu_->addAction(
        QStringLiteral("&%1 %2").arg(++n).arg(ui::LiteralMnemonicText(child->windowTitle())));
    action->setCheckable(true);
    action->setChecked(child == mdi->activeSubWindow());
    connect(action, &QAction::triggered, this, [this, child] { mdi->setActiveSubWindow(child); });
    windowListActions_ << action;
  }
}

void frmMain::ActiveChildDelete() {
  if (QMdiSubWindow* child = mdi->activeSubWindow(); child != nullptr && child->widget() != nullptr) {
    QMetaObject::invokeMethod(child->widget(), "Delete");
  }
}

// ---- List bar --------------------------------------------------------------------------

void frmMain::BuildListBar() {
  SBContainer = new QDockWidget(this);
  SBContainer->setObjectName(QStringLiteral("SBContainer"));
  SBContainer->setFeatures(QDockWidget::NoDockWidgetFeatures);
  SBContainer->setTitleBarWidget(new QWidget(SBContainer));
  SB = new ctl::ListBarControl(SBContainer);
  SB->setObjectName(QStringLiteral("SB"));
  SBContainer->setWidget(SB);
  addDockWidget(Qt::LeftDockWidgetArea, SBContainer);

  ctl::ListBarModel& model = SB->Model();
  model.LargeIcons().SetImageSize(32, 32);
  for (const ListBarGroupDef& g : ListBarGroups()) {
    ctl::ListBarGroup& group = model.Groups().Add(0, {}, QLatin1String(g.caption));
    for (const ListBarEntry& e : g.items) {
      const int icon = model.LargeIcons().Add(
          QLatin1String(e.key), ui::ProgramIcon(QLatin1String(e.icon)).pixmap(32, 32).toImage());
      group.ListItems().Add(0, QLatin1String(e.key), QLatin1String(e.caption), icon);
    }
  }
  model.SetCurrentGroup(1);
  connect(SB, &ctl::ListBarControl::ItemClick, this, &frmMain::SB_ItemClick);
}

void frmMain::SB_ItemClick(const QString& key) {
  if (const Target* t = FindTarget(ListBarTarget(key)); t != nullptr && t->run) t->run(*this);
}


// ---- State and captions -------------------------------------------------------------------

void frmMain::SetUI() {
  const bool open = gDB().IsOpen();
  for (const char* name : kTopMenusWhenOpen) SetVisible(QLatin1String(name), open);
  SetEnabled(QStringLiteral("mnuFileNew"), !open);
  SetEnabled(QStringLiteral("mnuFileOpen"), !open);
  SetEnabled(QStringLiteral("mnuFileClose"), open);
  SetEnabled(QStringLiteral("mnuReportsExportCurrentProductInventory"), open);
  SBContainer->setVisible(open);
  SetStatusBarUI();
}

void frmMain::SetStatusBarUI() {
  StatusBar1->setText(gDB().IsOpen()
                          ? QStringLiteral("My Current Data Directory: ") + gDB().DBPath()
                          : QStringLiteral("Choose File menu to open an existing database or to "
                                           "create a new database"));
}

void frmMain::SetCustomMenuLabels() {
  clsDB& db = gDB();
  const QString location = db.GetParamValue(db.MakeCustomFieldParamName(QStringLiteral("svlprod.dbf"), QStringLiteral("location")));
  const QString group = db.GetParamValue(db.MakeCustomFieldParamName(QStringLiteral("svlprod.dbf"), QStringLiteral("groupid")));
  const QString category = db.GetParamValue(db.MakeCustomFieldParamName(QStringLiteral("svltran.dbf"), QStringLiteral("catid")));
  const QString account = db.GetParamValue(db.MakeCustomFieldParamName(QStringLiteral("svltran.dbf"), QStringLiteral("shipmethod")));
  struct Label {
    const QString& name;
    const char* prefix;
    const char* fallback;
    const char* menu;
    const char* key;
  };
  const Label labels[] = {
      {category, "Transaction ", "Transaction Categories", "mnuConfigureTransactionCategories", "TRANSACTIONCATEGORIES"},
      {account, "Transaction ", "Transaction Accounts", "mnuConfigureTransactionAccounts", "TRANSACTIONACCOUNTS"},
      {group, "Product ", "Product Groups", "mnuConfigureProductGroups", "PRODUCTCATEGORIES"},
      {location, "Product ", "Product Locations", "mnuConfigureProductLocations", "PRODUCTLOCATIONS"},
  };
  for (const Label& l : labels) {
    const QString caption =
        l.name.isEmpty() ? QLatin1String(l.fallback) : (QLatin1String(l.prefix) + l.name).left(25);
    if (QAction* item = MenuItem(QLatin1String(l.menu))) item->setText(ui::LiteralMnemonicText(caption));
    if (ctl::ListBarItem* bar = SB->Model().FindItem(QLatin1String(l.key))) bar->SetCaption(caption);
  }
}

void frmMain::SetCustomFieldLabel(QLabel& lbl, const QString& sParam) {
  QString name = gDB().GetParamValue(sParam);
  if (name.isEmpty()) return;
  name = name.left(15);
  if (!name.endsWith(QLatin1Char(':'))) name += QLatin1Char(':');
  lbl.setText(lbl.buddy() != nullptr ? ui::LiteralMnemonicText(name) : name);
}

void frmMain::Customizations(int32_t nTab) {
  gSystem().UnloadAll(QStringLiteral("MAINFORM"));
  auto* dlg = new frmPreferences(this);
  ui::RegisterWindow(dlg);
  dlg->TabCtl->setCurrentIndex(static_cast<int16_t>(nTab));
  ui::RunModal(*dlg, this);
  if (dlg->Updated) SetCustomMenuLabels();
  ui::Unload(dlg);
}

bool frmMain::HelpCenter() { return false; }

QString frmMain::GetShortDateFromPopupCalendar(const QString& sInitDate) {
  QString result;
  frmCalendar cal(this);
  cal.Init(sInitDate, QStringLiteral("OK"));
  ui::RunModal(cal, this);
  if (cal.m_bOK) result = cal.m_sSelShortDate;
  return result;
}

int32_t frmMain::ClientAreaWidth() {
  return static_cast<int32_t>(std::lround(ui::PixelsToTwipsX(mdi->width())));
}

int32_t frmMain::ClientAreaHeight() {
  return static_cast<int32_t>(std::lround(ui::PixelsToTwipsY(mdi->height())));
}

void frmMain::ShowChild(QWidget& child) {
  // The frame would shrink the child to its size hint (a bare title bar for the report
  // windows, which place their panes by hand): it keeps the size the child gave itself.
  // A place the child restores when shown still wins.
  const QSize own = child.testAttribute(Qt::WA_Resized) ? child.size() : QSize();
  QMdiSubWindow* sub = mdi->addSubWindow(&child);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  if (own.isValid()) sub->resize(own.grownBy(sub->contentsMargins()));
  // A new child goes one title bar below and right of the one before, inside the room.
  const QRect room = mdi->viewport()->rect();
  const int step = sub->contentsMargins().top() * (static_cast<int>(mdi->subWindowList().size()) - 1);
  const int offset = step > room.height() / 2 ? 0 : step;
  sub->setGeometry(QRect(QPoint(offset, offset), sub->size().boundedTo(room.size() - QSize(offset, offset))));
  sub->show();
  mdi->setActiveSubWindow(sub);
}

// ---- List editors ----------------------------------------------------------------------

void frmMain::EditList(const QString& menuName, const char* tag, int32_t nType,
                       const QString& sCrossCheckTablePath1, const char* sCrossCheckCol1,
                       bool bUnload) {
  const QString caption = MenuCaption(menuName);
  ListMgmt(QLatin1String(tag), QStringLiteral("Edit ") + caption, caption, QStringLiteral("svlcat.dbf"),
           gDB().CategoryTable(), QStringLiteral("rowid"), QStringLiteral("desc"), nType,
           sCrossCheckTablePath1, QLatin1String(sCrossCheckCol1), {}, {}, bUnload);
}

void frmMain::EditProductCategories(bool bUnload) {
  EditList(QStringLiteral("mnuConfigureProductGroups"), "PRODUCTCATEGORIES", 1, gDB().ProductsTable(),
           "groupid", bUnload);
}
void frmMain::EditProductLocations(bool bUnload) {
  EditList(QStringLiteral("mnuConfigureProductLocations"), "PRODUCTLOCATIONS", 3, gDB().ProductsTable(),
           "location", bUnload);
}
void frmMain::EditProductManufacturers(bool bUnload) {
  EditList(QStringLiteral("mnuProductManufacturers"), "PRODUCTMANUFACTURERS", 4, gDB().ProductsTable(),
           "manuf", bUnload);
}
void frmMain::EditProductVendors(bool bUnload) {
  EditList(QStringLiteral("mnuConfigureProductVendors"), "PRODUCTVENDORS", 5, gDB().ProductsTable(),
           "vendor", bUnload);
}
void frmMain::EditTransactionCategories(bool bUnload) {
  EditList(QStringLiteral("mnuConfigureTransactionCategories"), "TRANSACTIONCATEGORIES", 2,
           gDB().TranTable(), "catid", bUnload);
}
void frmMain::EditTransactionAccounts(bool bUnload) {
  EditList(QStringLiteral("mnuConfigureTransactionAccounts"), "TRANSACTIONACCOUNTS", 7,
           gDB().TranTable(), "shipmethod", bUnload);
}

// ---- About and unload ------------------------------------------------------------------

void frmMain::mnuHelpAbout_Click() {
  frmSplash about(this);
  ui::RunModal(about, this);
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (exchange::Busy()) {  // an import or export still uses the database
    event->ignore();
    return;
  }
  gDB().CloseDB();
  clsWndStartupPos().SavePosition(*this);
  event->accept();
  // The program ends with its main window: no other top-level window (the help window, a
  // modeless dialog) keeps it running.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != this && window->isVisible()) window->close();
  }
  QCoreApplication::quit();
}
