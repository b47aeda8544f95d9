// The main window: menus, list bar, status bar, captions and the hub procedures.

#include "shell/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <cmath>
#include <vector>

#include "database/clsDB.h"
#include "exchange/ExchangeSupport.h"
#include "exchange/ExchangeCommands.h"
#include "inventory/ListMgmt.h"
#include "inventory/ProductCommands.h"
#include "inventory/TranCommands.h"
#include "platform/controls/ListBarControl.h"
#include "platform/runtime/App.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Placement.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/frmRptDlg.h"
#include "reports/ReportCommands.h"
#include "services/DeletingWindow.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/clsWndStartupPos.h"
#include "services/mdlHelper.h"
#include "shell/TileLayout.h"
#include "shell/frmPreferences.h"
#include "shell/frmSplash.h"

namespace {

// Every command of the menus and the list bar.
enum class Command {
  kFileNew, kFileOpen, kFileClose, kBackupAdvice, kExit,
  kLookupProduct,
  kNewTransaction, kScanNewTransaction, kBatchNewTransaction, kReceiveOrdered, kShipAllocated,
  kImportTransactions,
  kNewProduct, kProductList, kImportProducts,
  kQuickInventory, kInventory, kTransactions, kAllReports, kExportInventory,
  kProductGroups, kProductLocations, kProductManufacturers, kProductVendors,
  kTransactionCategories, kTransactionAccounts, kPreferences,
  kTileHorizontally, kTileVertically, kCascade, kArrangeIcons, kCloseAll,
  kHelpTopics, kOnlineHelp, kDBMaintenance, kAbout, kOnlineVersion,
  kDelete,
};

// The list a list command edits; null for other commands.
const inventory::ListDef* ListOf(Command c) {
  switch (c) {
    case Command::kProductGroups: return &inventory::kProductGroups;
    case Command::kProductLocations: return &inventory::kProductLocations;
    case Command::kProductManufacturers: return &inventory::kProductManufacturers;
    case Command::kProductVendors: return &inventory::kProductVendors;
    case Command::kTransactionCategories: return &inventory::kTransactionCategories;
    case Command::kTransactionAccounts: return &inventory::kTransactionAccounts;
    default: return nullptr;
  }
}

struct MenuEntry {
  const char* name;  // objectName; null for a separator
  const char* caption;
  const char* shortcut;  // QKeySequence text, "" for none
  Command command;
};

struct MenuDef {
  const char* name;
  const char* caption;
  std::vector<MenuEntry> entries;
};

constexpr MenuEntry kSeparator{nullptr, nullptr, nullptr, Command::kExit};  // command unused

// The menu bar. "mnuContext" is never popped up; its entry asks the active child window
// to delete.
const std::vector<MenuDef>& Menus() {
  static const std::vector<MenuDef> kMenus = {
      {"mnuFile", "&File",
       {{"mnuFileNew", "&New Database...", "Ctrl+N", Command::kFileNew},
        {"mnuFileOpen", "&Open Database...", "Ctrl+O", Command::kFileOpen},
        {"mnuFileClose", "Close Database", "", Command::kFileClose},
        kSeparator,
        {"mnuHelpBackup", "How to backup your data", "", Command::kBackupAdvice},
        kSeparator,
        {"mnuFileExit", "E&xit", "Ctrl+X", Command::kExit}}},
      {"mnuLookup", "&Lookup", {{"mnuLookupProducts", "&Products...", "Ctrl+F", Command::kLookupProduct}}},
      {"mnuTransactions", "&Transactions",
       {{"mnuTransactionsEnterNewTransaction", "Single &Transaction...", "F3", Command::kNewTransaction},
        {"mnuTransactionsScanNewTransaction", "&Scan Transaction...", "F8", Command::kScanNewTransaction},
        {"mnuTransactionBatchNewTransaction", "&Batch Transaction...", "F7", Command::kBatchNewTransaction},
        kSeparator,
        {"mnuTransactionsReceiveOrdered", "Receive previously &ordered...", "", Command::kReceiveOrdered},
        {"mnuTransactionsShipAllocated", "Ship previously &Allocated...", "", Command::kShipAllocated},
        kSeparator,
        {"mnuTransactionsImportTransactions", "Import Transactions...", "", Command::kImportTransactions}}},
      {"mnuProducts", "&Products",
       {{"mnuProductsNewProduct", "New Product...", "F2", Command::kNewProduct},
        {"mnuProductsProductList", "Product List", "Ctrl+L", Command::kProductList},
        kSeparator,
        {"mnuProductsImportProducts", "Import Products...", "", Command::kImportProducts}}},
      {"mnuReports", "&Reports",
       {{"mnuReportsQuickInventory", "&Quick Inventory", "F9", Command::kQuickInventory},
        {"mnuReportsInventory", "&Inventory Detail", "F4", Command::kInventory},
        {"mnuReportTransactions", "&Transactions", "F6", Command::kTransactions},
        kSeparator,
        {"mnuReportsAllReports", "All Reports", "Ctrl+R", Command::kAllReports},
        kSeparator,
        {"mnuReportsExportCurrentProductInventory", "Export Current Product Inventory...", "",
         Command::kExportInventory}}},
      {"mnuConfigure", "&Configure",
       {{"mnuConfigureProductGroups", "Product Groups", "", Command::kProductGroups},
        {"mnuConfigureProductLocations", "Product Locations", "", Command::kProductLocations},
        {"mnuProductManufacturers", "Product Manufacturers", "", Command::kProductManufacturers},
        {"mnuConfigureProductVendors", "Product Vendors", "", Command::kProductVendors},
        kSeparator,
        {"mnuConfigureTransactionCategories", "Transaction Categories", "", Command::kTransactionCategories},
        {"mnuConfigureTransactionAccounts", "Transaction Accounts", "", Command::kTransactionAccounts},
        kSeparator,
        {"mnuConfigurePreferences", "Preferences...", "", Command::kPreferences}}},
      {"mnuWindow", "&Window",
       {{"mnuWindowTH", "Tile &Horizontally", "", Command::kTileHorizontally},
        {"mnuWindowTV", "Tile &Vertically", "", Command::kTileVertically},
        {"mnuWindowCascade", "&Cascade", "", Command::kCascade},
        {"mnuWindowArrangeIcons", "&Arrange Icons", "", Command::kArrangeIcons},
        {"mnuWindowCloseAll", "C&lose All", "", Command::kCloseAll}}},  // C is Cascade's
      {"mnuHelp", "&Help",
       {{"mnuHelpUserManual", "&Help Topics", "F1", Command::kHelpTopics},
        {"mnuOnlineHelp", "More Help @ dornvale.com", "", Command::kOnlineHelp},
        kSeparator,
        {"mnuHelpDBMaintenance", "Database Maintenance", "", Command::kDBMaintenance},
        kSeparator,
        {"mnuHelpAbout", "&About", "", Command::kAbout},
        {"mnuSVLOnline", "&Online version!", "", Command::kOnlineVersion}}},
      {"mnuContext", "Context Menu", {{"mnuDelete", "Delete", "", Command::kDelete}}},
  };
  return kMenus;
}

struct ListBarEntry {
  const char* caption;
  const char* key;
  const char* icon;  // freedesktop icon name
  Command command;
};

struct ListBarGroupDef {
  const char* caption;
  std::vector<ListBarEntry> items;
};

const std::vector<ListBarGroupDef>& ListBarGroups() {
  static const std::vector<ListBarGroupDef> kGroups = {
      {"Main",
       {{"Product", "LOOKUPPRODUCT", "system-search", Command::kLookupProduct},
        {"New Product", "NEWPRODUCT", "document-new", Command::kNewProduct},
        {"Single Transaction", "NEWTRANSACTION", "list-add", Command::kNewTransaction},
        {"Scan Transaction", "SCANNEWTRANSACTION", "scanner", Command::kScanNewTransaction},
        {"Batch Transaction", "BATCHNEWTRANSACTION", "view-list", Command::kBatchNewTransaction},
        {"Quick Inventory", "QUICKINVENTORY", "x-office-spreadsheet", Command::kQuickInventory},
        {"Inventory Detail", "INVENTORY", "document-properties", Command::kInventory},
        {"Transactions", "TRANSACTIONS", "x-office-calendar", Command::kTransactions},
        {"All Reports", "REPORTS", "document-print", Command::kAllReports},
        {"Product List", "PRODUCTLIST", "edit-select-all", Command::kProductList}}},
      {"Configure",
       {{"Product Groups", "PRODUCTCATEGORIES", "folder", Command::kProductGroups},
        {"Product Locations", "PRODUCTLOCATIONS", "go-home", Command::kProductLocations},
        {"Product Manufacturers", "PRODUCTMANUFACTURERS", "applications-engineering",
         Command::kProductManufacturers},
        {"Product Vendors", "PRODUCTVENDORS", "system-users", Command::kProductVendors},
        {"Transaction Categories", "TRANSACTIONCATEGORIES", "list-tag", Command::kTransactionCategories},
        {"Transaction Accounts", "TRANSACTIONACCOUNTS", "list-account", Command::kTransactionAccounts},
        {"Preferences", "CUSTOMIZATIONS", "preferences-system", Command::kPreferences}}},
  };
  return kGroups;
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

// Minimised windows in a row along the foot of an area `height` high.
void ArrangeIcons(QMdiArea& area, int height) {
  int x = 0;
  for (QMdiSubWindow* child : area.subWindowList()) {
    if (!child->isMinimized()) continue;
    const QSize size = child->size();
    child->move(x, height - size.height());
    x += size.width();
  }
}

// Horizontally: full-width rows, stacked; vertically: full-height columns side by side;
// in more bands where the windows' minimums do not fit in one. Minimised windows keep a
// row along the foot, clear of the tiles.
void TileChildren(QMdiArea& area, bool horizontally) {
  const QList<QMdiSubWindow*> children = ArrangedChildren(area);
  // The whole area: scroll bars shown for windows outside it go once they are inside.
  QSize room = area.maximumViewportSize();
  int icons = 0;
  for (const QMdiSubWindow* child : area.subWindowList()) {
    if (child->isVisible() && child->isMinimized()) icons = std::max(icons, child->height());
  }
  ArrangeIcons(area, room.height());
  room.setHeight(room.height() - icons);
  // The frames' minimums follow what their children need now (a child that places its
  // controls by hand does not tell when that changes).
  const auto leastOf = [](QMdiSubWindow& c) {
    if (c.widget() != nullptr) c.widget()->updateGeometry();
    if (QLayout* frame = c.layout()) frame->activate();
    return c.minimumSize();
  };
  // A window's minimum can change with its size (a button bar wraps onto more lines):
  // where a tile came out below what its window then needs, tile again with that.
  const int scrollBar = area.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &area);
  for (int pass = 0; pass < 3; ++pass) {
    std::vector<QSize> least;
    for (QMdiSubWindow* c : children) least.push_back(leastOf(*c));
    const std::vector<QRect> tiles = shell::LayOutTiles(room, least, horizontally, scrollBar);
    bool kept = true;
    for (int i = 0; i < children.size(); ++i) {
      QMdiSubWindow& c = *children[i];
      const QRect& tile = tiles[static_cast<size_t>(i)];
      c.showNormal();
      ui::MarkTiled(c);
      c.setGeometry(tile);
      const QSize needs = leastOf(c);
      kept = kept && c.geometry() == tile && needs.width() <= tile.width() && needs.height() <= tile.height();
    }
    if (kept) break;
  }
}

// Each window one title bar below and right of the one before, the last on top and
// active, at its own size (the one it had before a tile, never below what its layout
// needs) cut to the room left. (The frames' own cascade resizes each to its size hint,
// which is none for the report windows.)
void CascadeChildren(QMdiArea& area) {
  const QRect room = area.viewport()->rect();
  int offset = 0;
  const QList<QMdiSubWindow*> children = ArrangedChildren(area);
  for (QMdiSubWindow* child : children) {
    if (offset > room.height() / 2) offset = 0;
    child->showNormal();
    const QSize own = ui::Untiled(*child).expandedTo(child->minimumSizeHint());
    child->setGeometry(QRect(QPoint(offset, offset), own.boundedTo(room.size() - QSize(offset, offset))));
    child->raise();
    offset += child->contentsMargins().top();
  }
  if (!children.isEmpty()) area.setActiveSubWindow(children.last());
}

// After the current child was minimized or closed: the topmost child still shown takes
// over, as its frame is drawn in front (the area would keep, or pass the activation to,
// a minimized one, and its maximized state in the menu bar). `closedOver`: the others in
// the order they had under the active child that closed, bottom first (the area passes
// the activation to the next one opened, which comes forward): that order comes back and
// the one just behind the closed child takes over.
void ActivateTopmostShown(QMdiArea& area, const QList<QPointer<QMdiSubWindow>>& closedOver = {}) {
  QList<QMdiSubWindow*> stack;
  for (const QPointer<QMdiSubWindow>& child : closedOver) {
    if (child) stack << child.data();
  }
  if (closedOver.isEmpty()) {
    if (const QMdiSubWindow* current = area.currentSubWindow(); current != nullptr && !current->isMinimized()) return;
    stack = area.subWindowList(QMdiArea::StackingOrder);
  }
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if ((*it)->isVisible() && !(*it)->isMinimized()) {
      area.setActiveSubWindow(*it);
      break;
    }
  }
  // The activation stacks the child it takes the activation from right under the new one.
  if (!closedOver.isEmpty()) {
    for (QMdiSubWindow* child : stack) child->raise();
  }
}

// Asks the active child window to delete, where it can.
void ActiveChildDelete(QMdiArea& area) {
  if (QMdiSubWindow* child = area.activeSubWindow(); child != nullptr) {
    if (auto* deleting = dynamic_cast<DeletingWindow*>(child->widget())) deleting->Delete();
  }
}

void Run(frmMain& m, Command c) {
  switch (c) {
    case Command::kFileNew: m.mnuFileNew_Click(); break;
    case Command::kFileOpen: m.mnuFileOpen_Click(); break;
    case Command::kFileClose: m.mnuFileClose_Click(); break;
    case Command::kBackupAdvice: m.mnuHelpBackup_Click(); break;
    case Command::kExit: m.close(); break;
    case Command::kLookupProduct: inventory::LookupProduct(); break;
    case Command::kNewTransaction: inventory::NewTransaction(-1); break;
    case Command::kScanNewTransaction: inventory::ScanNewTransaction(); break;
    case Command::kBatchNewTransaction: inventory::BatchNewTransaction(); break;
    case Command::kReceiveOrdered: inventory::ShowOnOrderAllocatedTransactionsDlg(1); break;
    case Command::kShipAllocated: inventory::ShowOnOrderAllocatedTransactionsDlg(5); break;
    case Command::kImportTransactions: exchange::ImportTransactions(); break;
    case Command::kNewProduct: inventory::NewProductFromMenu(); break;
    case Command::kProductList: inventory::ShowProdList(); break;
    case Command::kImportProducts: exchange::ImportProducts(); break;
    case Command::kQuickInventory: reports::ShowQuickInventory(); break;
    case Command::kInventory: reports::ShowInventory(); break;
    case Command::kTransactions: reports::ShowTransactions(); break;
    case Command::kAllReports: reports::ShowAllReports(); break;
    case Command::kExportInventory: exchange::ExportCurrentInventory(); break;
    case Command::kProductGroups:
    case Command::kProductLocations:
    case Command::kProductManufacturers:
    case Command::kProductVendors:
    case Command::kTransactionCategories:
    case Command::kTransactionAccounts: inventory::ListMgmt(*ListOf(c), true); break;
    case Command::kPreferences: m.Customizations(0); break;
    case Command::kTileHorizontally: TileChildren(*m.mdi, true); break;
    case Command::kTileVertically: TileChildren(*m.mdi, false); break;
    case Command::kCascade: CascadeChildren(*m.mdi); break;
    case Command::kArrangeIcons: ArrangeIcons(*m.mdi, m.mdi->viewport()->height()); break;
    case Command::kCloseAll: gSystem().UnloadAll(QStringLiteral("MAINFORM")); break;
    case Command::kHelpTopics: gSystem().ShowHelpContents(); break;
    case Command::kOnlineHelp:
      mdlHelper::HlpShellOpen(gSystem().cDvWebsite() + QStringLiteral("stovrel/tutorials/"));
      break;
    case Command::kDBMaintenance: m.mnuHelpDBMaintenance_Click(); break;
    case Command::kAbout: m.mnuHelpAbout_Click(); break;
    case Command::kOnlineVersion:
      mdlHelper::HlpShellOpen(gSystem().cDvWebsite() + QStringLiteral("stovrel/online/"));
      break;
    case Command::kDelete: ActiveChildDelete(*m.mdi); break;
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

void frmMain::BuildMenus() {
  for (const MenuDef& def : Menus()) {
    QMenu* menu = menuBar()->addMenu(QLatin1String(def.caption));
    menu->setObjectName(QLatin1String(def.name));
    menu->menuAction()->setObjectName(QLatin1String(def.name));
    for (const MenuEntry& e : def.entries) {
      if (e.name == nullptr) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(QLatin1String(e.caption));
      action->setObjectName(QLatin1String(e.name));
      action->setShortcut(QKeySequence(QLatin1String(e.shortcut)));
      ConnectTrapped(action, &QAction::triggered, this, [this, c = e.command] { Run(*this, c); },
                     QStringLiteral("frmMain_") + QLatin1String(e.name) + QStringLiteral("_Click"));
    }
  }
  windowMenu_ = findChild<QMenu*>(QStringLiteral("mnuWindow"));
  ConnectTrapped(windowMenu_, &QMenu::aboutToShow, this, &frmMain::RebuildWindowList,
                 QStringLiteral("frmMain_RebuildWindowList"));
  MenuItem(QStringLiteral("mnuContext"))->setVisible(false);
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
    ConnectTrapped(
        action, &QAction::triggered, this,
        [this, child] {
          if (child->isMinimized()) child->showNormal();
          mdi->setActiveSubWindow(child);
        },
                   QStringLiteral("frmMain_mnuWindowList_Click"));
    windowListActions_ << action;
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
  ConnectTrapped(SB, &ctl::ListBarControl::ItemClick, this, &frmMain::SB_ItemClick,
                 QStringLiteral("frmMain_SB_ItemClick"));
}

void frmMain::SB_ItemClick(const QString& key) {
  for (const ListBarGroupDef& g : ListBarGroups()) {
    for (const ListBarEntry& e : g.items) {
      if (key == QLatin1String(e.key)) Run(*this, e.command);
    }
  }
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
  for (const MenuDef& def : Menus()) {
    for (const MenuEntry& e : def.entries) {
      if (const inventory::ListDef* list = ListOf(e.command); list != nullptr && e.name != nullptr) {
        const QString caption = inventory::ListCaption(*list);
        MenuItem(QLatin1String(e.name))->setText(ui::LiteralMnemonicText(caption));
        SB->Model().FindItem(QLatin1String(list->tag))->SetCaption(caption);
      }
    }
  }
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
  sub->installEventFilter(this);
  // The frame's Close (the platform's close keys; Ctrl+F4 everywhere) reaches it only
  // through its menu, shown or in the menu bar while maximized: it also closes the child
  // while the focus is anywhere inside it.
  const QList<QKeySequence> closeKeys = QKeySequence::keyBindings(QKeySequence::Close);
  for (QAction* action : sub->systemMenu()->actions()) {
    if (action->shortcuts().isEmpty() || action->shortcuts() != closeKeys) continue;
    if (const QKeySequence ctrlF4(Qt::CTRL | Qt::Key_F4); !closeKeys.contains(ctrlF4))
      action->setShortcuts(closeKeys + QList<QKeySequence>{ctrlF4});
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    sub->addAction(action);
  }
  // The frame never gets smaller than its child's layout needs (tiled, cascaded or dragged).
  if (QLayout* frame = sub->layout()) frame->setSizeConstraint(QLayout::SetMinimumSize);
  if (own.isValid()) sub->resize(own.grownBy(sub->contentsMargins()));
  // A new child goes one title bar below and right of the one before, inside the room.
  const QRect room = mdi->viewport()->rect();
  const int step = sub->contentsMargins().top() * (static_cast<int>(mdi->subWindowList().size()) - 1);
  const int offset = step > room.height() / 2 ? 0 : step;
  sub->setGeometry(QRect(QPoint(offset, offset), sub->size().boundedTo(room.size() - QSize(offset, offset))));
  sub->show();
  mdi->setActiveSubWindow(sub);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  // Seen before the child's own close: the order behind the active child, which the focus
  // leaving it upsets (the next one opened takes the activation and comes forward).
  if (event->type() == QEvent::Close) {
    stackBehindClosing_.clear();
    if (watched == mdi->activeSubWindow()) {
      for (QMdiSubWindow* child : mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (child != watched) stackBehindClosing_ << child;
      }
    }
  }
  // A child minimized or closed: once the area has finished with it.
  const bool minimized = event->type() == QEvent::WindowStateChange &&
                         (static_cast<QWidget*>(watched)->windowState() & Qt::WindowMinimized) &&
                         !(static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized);
  if (minimized || event->type() == QEvent::Hide) {
    QList<QPointer<QMdiSubWindow>> behind;
    if (event->type() == QEvent::Hide) behind.swap(stackBehindClosing_);
    QTimer::singleShot(0, mdi, [area = mdi, behind] { ActivateTopmostShown(*area, behind); });
  }
  return QMainWindow::eventFilter(watched, event);
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

void frmMain::ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                                   const QString& sSearchCaption) {
  reports::ShowFoundProductsRpt(eSearchType, sSearchStr, sSearchCaption);
}
