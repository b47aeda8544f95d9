#include "shell/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QDockWidget>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <vector>

#include "database/SampleDatabase.h"
#include "database/clsDB.h"
#include "exchange/ExchangeSupport.h"
#include "inventory/frmProdList.h"
#include "platform/controls/GridControl.h"
#include "platform/controls/ListBarControl.h"
#include "platform/runtime/App.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/frmRptContainer.h"
#include "reports/frmRptDlg.h"
#include "services/mdlRegistry.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

using shelltest::ShellTest;

class frmMainTest : public ShellTest {};

bool Shown(const frmMain& m, const char* name) { return m.MenuItem(QLatin1String(name))->isVisible(); }
bool Enabled(const frmMain& m, const char* name) { return m.MenuItem(QLatin1String(name))->isEnabled(); }

TEST_F(frmMainTest, LoadGivesCaptionTagAndHub) {
  frmMain& m = Main();
  EXPECT_EQ(m.windowTitle(), QStringLiteral("Stovrel v6.0"));
  EXPECT_EQ(ui::FindByTag(QStringLiteral("MAINFORM")), &m);
  EXPECT_EQ(MainWindowHub(), &m);
  main_.reset();
  EXPECT_EQ(MainWindowHub(), nullptr);
}

TEST_F(frmMainTest, SetUIFollowsWhetherADatabaseIsOpen) {
  struct Case {
    bool open;
  };
  for (const Case c : {Case{false}, Case{true}, Case{false}}) {
    SCOPED_TRACE(c.open);
    QString dir;
    if (c.open) dir = OpenNewDatabase(); else gDB().CloseDB();
    frmMain& m = Main();
    m.SetUI();
    for (const char* top : {"mnuLookup", "mnuTransactions", "mnuProducts", "mnuReports", "mnuConfigure", "mnuWindow"}) {
      EXPECT_EQ(Shown(m, top), c.open) << top;
    }
    for (const char* top : {"mnuFile", "mnuHelp"}) EXPECT_TRUE(Shown(m, top)) << top;
    EXPECT_FALSE(Shown(m, "mnuContext"));
    for (const char* item : {"mnuFileNew", "mnuFileOpen"}) EXPECT_EQ(Enabled(m, item), !c.open) << item;
    for (const char* item : {"mnuFileClose", "mnuReportsExportCurrentProductInventory"}) {
      EXPECT_EQ(Enabled(m, item), c.open) << item;
    }
    for (const char* item : {"mnuHelpBackup", "mnuHelpDBMaintenance", "mnuProductsImportProducts",
                             "mnuTransactionsImportTransactions", "mnuConfigurePreferences"}) {
      EXPECT_TRUE(Enabled(m, item)) << item;
    }
    EXPECT_EQ(!m.SBContainer->isHidden(), c.open);
    EXPECT_EQ(m.StatusBar1->text(),
              c.open ? QStringLiteral("My Current Data Directory: ") + dir
                     : QStringLiteral("Choose File menu to open an existing database or to create a new database"));
  }
}

// While an import or the export runs, neither Close Database nor closing the main
// window takes the database away.
TEST_F(frmMainTest, TheDatabaseStaysOpenWhileAnImportRuns) {
  OpenNewDatabase();
  frmMain& m = Main();
  {
    const exchange::BusyGuard busy;
    m.mnuFileClose_Click();
    EXPECT_TRUE(gDB().IsOpen());
    EXPECT_FALSE(m.close());
    EXPECT_TRUE(gDB().IsOpen());
  }
  m.mnuFileClose_Click();
  EXPECT_FALSE(gDB().IsOpen());
}

TEST_F(frmMainTest, MenuTreeHasCaptionsAndShortcuts) {
  struct Item {
    const char* name;
    const char* caption;
    QKeySequence shortcut;
  };
  const Item items[] = {
      {"mnuFileNew", "&New Database...", QKeySequence(Qt::CTRL | Qt::Key_N)},
      {"mnuFileOpen", "&Open Database...", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"mnuFileClose", "Close Database", {}},
      {"mnuHelpBackup", "How to backup your data", {}},
      {"mnuFileExit", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_X)},
      {"mnuLookupProducts", "&Products...", QKeySequence(Qt::CTRL | Qt::Key_F)},
      {"mnuTransactionsEnterNewTransaction", "Single &Transaction...", QKeySequence(Qt::Key_F3)},
      {"mnuTransactionsScanNewTransaction", "&Scan Transaction...", QKeySequence(Qt::Key_F8)},
      {"mnuTransactionBatchNewTransaction", "&Batch Transaction...", QKeySequence(Qt::Key_F7)},
      {"mnuTransactionsReceiveOrdered", "Receive previously &ordered...", {}},
      {"mnuTransactionsShipAllocated", "Ship previously &Allocated...", {}},
      {"mnuTransactionsImportTransactions", "Import Transactions...", {}},
      {"mnuProductsNewProduct", "New Product...", QKeySequence(Qt::Key_F2)},
      {"mnuProductsProductList", "Product List", QKeySequence(Qt::CTRL | Qt::Key_L)},
      {"mnuProductsImportProducts", "Import Products...", {}},
      {"mnuReportsQuickInventory", "&Quick Inventory", QKeySequence(Qt::Key_F9)},
      {"mnuReportsInventory", "&Inventory Detail", QKeySequence(Qt::Key_F4)},
      {"mnuReportTransactions", "&Transactions", QKeySequence(Qt::Key_F6)},
      {"mnuReportsAllReports", "All Reports", QKeySequence(Qt::CTRL | Qt::Key_R)},
      {"mnuReportsExportCurrentProductInventory", "Export Current Product Inventory...", {}},
      {"mnuConfigurePreferences", "Preferences...", {}},
      {"mnuWindowTH", "Tile &Horizontally", {}},
      {"mnuWindowTV", "Tile &Vertically", {}},
      {"mnuWindowCascade", "&Cascade", {}},
      {"mnuWindowArrangeIcons", "&Arrange Icons", {}},
      {"mnuWindowCloseAll", "C&lose All", {}},
      {"mnuHelpUserManual", "&Help Topics", QKeySequence(Qt::Key_F1)},
      {"mnuHelpDBMaintenance", "Database Maintenance", {}},
      {"mnuHelpAbout", "&About", {}},
      {"mnuSVLOnline", "&Online version!", {}},
      {"mnuDelete", "Delete", {}},
  };
  frmMain& m = Main();
  for (const Item& i : items) {
    QAction* a = m.MenuItem(QLatin1String(i.name));
    ASSERT_NE(a, nullptr) << i.name;
    EXPECT_EQ(a->text(), QLatin1String(i.caption)) << i.name;
    EXPECT_EQ(a->shortcut(), i.shortcut) << i.name;
  }
  EXPECT_TRUE(m.MenuItem(QStringLiteral("mnuOnlineHelp"))->text().startsWith(QStringLiteral("More Help @")));
}

// Within the menu bar and within each menu no two entries share an access key, so each
// key chooses its entry at once.
TEST_F(frmMainTest, EveryAccessKeyOfAMenuChoosesOneEntry) {
  OpenNewDatabase();
  frmMain& m = Main();
  m.SetUI();
  QList<QMenu*> menus{nullptr};  // the menu bar
  for (QAction* top : m.menuBar()->actions()) menus << top->menu();
  for (QMenu* menu : menus) {
    SCOPED_TRACE(menu == nullptr ? "menu bar" : menu->objectName().toStdString());
    QMetaObject::invokeMethod(menu, "aboutToShow");
    QMap<QChar, QString> taken;
    for (QAction* a : menu == nullptr ? m.menuBar()->actions() : menu->actions()) {
      const QString text = a->text();
      const qsizetype amp = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
      if (a->isSeparator() || amp < 0) continue;
      const QChar key = text.at(amp + 1).toLower();
      EXPECT_FALSE(taken.contains(key)) << text.toStdString() << " and " << taken.value(key).toStdString();
      taken.insert(key, text);
    }
  }
}

// Every menu entry and list-bar key of a command of another folder, with the dialog or
// child window it opens; keys of no command run nothing. The list editors carry the
// list's caption (the database's own name for it) and close the other windows first.
TEST_F(frmMainTest, MenusAndListBarRunTheirCommands) {
  OpenNewDatabase();
  gDB().SetParamValue(gDB().MakeCustomFieldParamName(QStringLiteral("svltran.dbf"), QStringLiteral("catid")),
                      QStringLiteral("Tools & Parts"));
  frmMain& m = Main();
  m.SetUI();
  m.SetCustomMenuLabels();
  struct Case {
    std::vector<const char*> items;  // menu entries (mnu...) or list-bar keys, run in turn
    QString dialog;                  // the dialog run, "" none
    QString tag;                     // the dialog's or child window's tag, "" none
    QString title;                   // the start of the list editor's caption
  };
  const Case cases[] = {
      {{"mnuLookupProducts", "LOOKUPPRODUCT"}, "frmLookupProduct", "", ""},
      {{"mnuProductsNewProduct", "NEWPRODUCT"}, "frmProduct", "", ""},
      {{"mnuTransactionsEnterNewTransaction", "NEWTRANSACTION"}, "frmNewTran", "", ""},
      {{"mnuTransactionsScanNewTransaction", "SCANNEWTRANSACTION"}, "frmScanNewTran", "", ""},
      {{"mnuTransactionBatchNewTransaction", "BATCHNEWTRANSACTION"}, "frmBatchTran", "", ""},
      {{"mnuTransactionsReceiveOrdered"}, "frmSelTransaction", "", "Receive Products On Order"},
      {{"mnuTransactionsShipAllocated"}, "frmSelTransaction", "", "Ship Allocated Products"},
      {{"mnuTransactionsImportTransactions"}, "frmImportTran", "", ""},
      {{"mnuProductsImportProducts"}, "frmImportProducts", "", ""},
      {{"CUSTOMIZATIONS", "mnuConfigurePreferences"}, "frmPreferences", "", ""},
      {{"PRODUCTCATEGORIES"}, "frmEditCategories", "PRODUCTCATEGORIES", "Edit Product Groups"},
      {{"mnuConfigureProductLocations"}, "frmEditCategories", "PRODUCTLOCATIONS", "Edit Product Locations"},
      {{"PRODUCTMANUFACTURERS"}, "frmEditCategories", "PRODUCTMANUFACTURERS", "Edit Product Manufacturers"},
      {{"mnuConfigureProductVendors"}, "frmEditCategories", "PRODUCTVENDORS", "Edit Product Vendors"},
      {{"TRANSACTIONCATEGORIES"}, "frmEditCategories", "TRANSACTIONCATEGORIES", "Edit Transaction Tools & Parts"},
      {{"mnuConfigureTransactionAccounts"}, "frmEditCategories", "TRANSACTIONACCOUNTS", "Edit Transaction Accounts"},
      {{"mnuProductsProductList", "PRODUCTLIST"}, "", "PRODUCTLIST", ""},
      {{"QUICKINVENTORY"}, "", "~106", ""},
      {{"mnuReportsInventory"}, "", "~102", ""},
      {{"TRANSACTIONS"}, "", "~101", ""},
      {{"mnuReportsAllReports"}, "", "REPORTS", ""},
      {{"MAIN_HELP", "customizations", "NOSUCHKEY", ""}, "", "", ""},
  };
  for (const Case& c : cases) for (const char* name : c.items) {
    SCOPED_TRACE(name);
    auto* stray = new QWidget;
    ui::SetTag(stray, QStringLiteral("STRAY"));
    const qsizetype ran = runner->Ran().size();
    QString tag, title;
    if (!c.dialog.isEmpty()) {
      runner->Then(c.dialog, [&](QDialog& d) {
        tag = ui::Tag(&d);
        title = d.windowTitle();
      });
    }
    const QString item = QLatin1String(name);
    if (item.startsWith(QLatin1String("mnu"))) {
      m.MenuItem(item)->trigger();
    } else {
      m.SB_ItemClick(item);
    }
    EXPECT_EQ(runner->Ran().mid(ran), c.dialog.isEmpty() ? QStringList() : QStringList{c.dialog});
    if (c.dialog.isEmpty() && !c.tag.isEmpty()) {
      QWidget* child = ui::FindByTag(c.tag);
      ASSERT_NE(child, nullptr);
      EXPECT_NE(qobject_cast<QMdiSubWindow*>(child->parentWidget()), nullptr);
    } else {
      EXPECT_EQ(tag, c.tag);
    }
    if (!c.title.isEmpty()) {
      EXPECT_TRUE(title.startsWith(c.title)) << title.toStdString();
    }
    if (c.dialog == QLatin1String("frmEditCategories")) {
      EXPECT_EQ(ui::FindByTag(QStringLiteral("STRAY")), nullptr);
    }
    if (ui::FindByTag(QStringLiteral("STRAY")) != nullptr) ui::Unload(stray);
  }
}

TEST_F(frmMainTest, ListBarHasItsGroupsAndItems) {
  struct Group {
    const char* caption;
    QStringList keys;
  };
  const Group groups[] = {
      {"Main", {"LOOKUPPRODUCT", "NEWPRODUCT", "NEWTRANSACTION", "SCANNEWTRANSACTION", "BATCHNEWTRANSACTION",
                "QUICKINVENTORY", "INVENTORY", "TRANSACTIONS", "REPORTS", "PRODUCTLIST"}},
      {"Configure", {"PRODUCTCATEGORIES", "PRODUCTLOCATIONS", "PRODUCTMANUFACTURERS", "PRODUCTVENDORS",
                     "TRANSACTIONCATEGORIES", "TRANSACTIONACCOUNTS", "CUSTOMIZATIONS"}},
  };
  frmMain& m = Main();
  ctl::ListBarModel& model = m.SB->Model();
  ASSERT_EQ(model.Groups().Count(), 2);
  auto* list = m.SB->findChild<QListWidget*>(QStringLiteral("itemList"));
  ASSERT_NE(list, nullptr);
  for (int g = 1; g <= 2; ++g) {
    const Group& want = groups[g - 1];
    EXPECT_EQ(model.Groups().Item(g).Caption(), QLatin1String(want.caption));
    QStringList keys;
    const ctl::ListBarItems& items = model.Groups().Item(g).ListItems();
    for (int i = 1; i <= items.Count(); ++i) keys << items.Item(i).Key();
    EXPECT_EQ(keys, want.keys);
    model.SetCurrentGroup(g);
    ASSERT_EQ(list->count(), items.Count());
    for (int i = 0; i < list->count(); ++i) EXPECT_TRUE(list->item(i)->flags().testFlag(Qt::ItemIsEnabled));
  }
}

TEST_F(frmMainTest, CustomListNamesRelabelMenusAndListBar) {
  OpenNewDatabase();
  struct Case {
    const char* table;
    const char* field;
    QString name;
    const char* menu;
    const char* key;
    QString caption;
    const char* builtin;  // the caption without a name of the database's own
  };
  const QString twenty = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
  const Case cases[] = {
      // "Transaction " plus the first 13 of 20 characters: 25 in all.
      {"svltran.dbf", "catid", twenty, "mnuConfigureTransactionCategories", "TRANSACTIONCATEGORIES",
       QStringLiteral("Transaction ABCDEFGHIJKLM"), "Transaction Categories"},
      // "&" is part of the name, no mnemonic.
      {"svltran.dbf", "shipmethod", QStringLiteral("Tools & Parts"), "mnuConfigureTransactionAccounts",
       "TRANSACTIONACCOUNTS", QStringLiteral("Transaction Tools & Parts"), "Transaction Accounts"},
      {"svlprod.dbf", "groupid", twenty, "mnuConfigureProductGroups", "PRODUCTCATEGORIES",
       QStringLiteral("Product ABCDEFGHIJKLMNOPQ"), "Product Groups"},
      {"svlprod.dbf", "location", QStringLiteral("Bins"), "mnuConfigureProductLocations",
       "PRODUCTLOCATIONS", QStringLiteral("Product Bins"), "Product Locations"},
  };
  frmMain& m = Main();
  for (const Case& c : cases) {
    gDB().SetParamValue(gDB().MakeCustomFieldParamName(QLatin1String(c.table), QLatin1String(c.field)), c.name);
  }
  m.SetCustomMenuLabels();
  for (const Case& c : cases) {
    EXPECT_EQ(ui::ShownMnemonicText(m.MenuItem(QLatin1String(c.menu))->text()), c.caption) << c.menu;
    EXPECT_EQ(m.SB->Model().FindItem(QLatin1String(c.key))->Caption(), c.caption) << c.key;
  }
  EXPECT_EQ(m.MenuItem(QStringLiteral("mnuProductManufacturers"))->text(), QStringLiteral("Product Manufacturers"));

  // Empty names bring the built-in captions back.
  for (const Case& c : cases) {
    gDB().SetParamValue(gDB().MakeCustomFieldParamName(QLatin1String(c.table), QLatin1String(c.field)), {});
  }
  m.SetCustomMenuLabels();
  for (const Case& c : cases) {
    EXPECT_EQ(m.MenuItem(QLatin1String(c.menu))->text(), QLatin1String(c.builtin));
    EXPECT_EQ(m.SB->Model().FindItem(QLatin1String(c.key))->Caption(), QLatin1String(c.builtin));
  }
}

TEST_F(frmMainTest, PreferencesCloseEveryOtherWindowFirstAndRelabel) {
  OpenNewDatabase();
  frmMain& m = Main();
  QPointer<QDialog> hidden = new QDialog;
  ui::SetTag(hidden, QStringLiteral("HIDDEN"));
  gDB().SetParamValue(gDB().MakeCustomFieldParamName(QStringLiteral("svlprod.dbf"), QStringLiteral("location")),
                      QStringLiteral("Shelves"));
  int tab = -1;
  bool hiddenGoneBefore = false;
  runner->Then(QStringLiteral("frmPreferences"), [&](QDialog& dlg) {
    hiddenGoneBefore = hidden.isNull();
    tab = dlg.findChild<QTabWidget*>(QStringLiteral("TabCtl"))->currentIndex();
    dlg.reject();
  });
  m.SB_ItemClick(QStringLiteral("CUSTOMIZATIONS"));
  EXPECT_TRUE(hiddenGoneBefore);
  EXPECT_EQ(tab, 0);
  // Relabelled even after Cancel: the dialog sets its flag when it loads.
  EXPECT_EQ(m.MenuItem(QStringLiteral("mnuConfigureProductLocations"))->text(), QStringLiteral("Product Shelves"));
  for (QWidget* w : ui::LoadedWindows()) EXPECT_EQ(w, &m) << w->metaObject()->className();
}

TEST_F(frmMainTest, CloseAllAndWindowArrangementKeepChildrenInside) {
  frmMain& m = ShownMainOnNewDatabase({900, 700});
  QList<QPointer<QMdiSubWindow>> subs;
  for (int i = 0; i < 3; ++i) {
    auto* w = new QWidget;
    ui::SetTag(w, QStringLiteral("CHILD"));
    m.ShowChild(*w);
    subs << m.mdi->subWindowList().back();
  }
  // The children show the program's icon.
  const QImage icon = ui::ApplicationIcon().pixmap(16).toImage();
  ASSERT_FALSE(icon.isNull());
  for (auto& s : subs) EXPECT_EQ(s->windowIcon().pixmap(16).toImage(), icon);
  const QRect room = m.mdi->viewport()->rect();
  for (const char* arrange : {"mnuWindowTH", "mnuWindowTV", "mnuWindowCascade"}) {
    m.MenuItem(QLatin1String(arrange))->trigger();
    for (auto& s : subs) EXPECT_TRUE(room.contains(s->geometry().topLeft())) << arrange;
  }
  m.MenuItem(QStringLiteral("mnuWindowTH"))->trigger();
  EXPECT_EQ(subs[0]->width(), room.width());
  m.MenuItem(QStringLiteral("mnuWindowTV"))->trigger();
  EXPECT_EQ(subs[0]->height(), room.height());
  m.MenuItem(QStringLiteral("mnuWindowCloseAll"))->trigger();
  for (auto& s : subs) EXPECT_TRUE(s.isNull());
  EXPECT_EQ(ui::FindByTag(QStringLiteral("MAINFORM")), &m);
}

// The product list is one child window, brought forward when asked for again.
TEST_F(frmMainTest, ProductListOpensOnceInTheMdiArea) {
  frmMain& m = ShownMainOnNewDatabase();
  m.MenuItem(QStringLiteral("mnuProductsProductList"))->trigger();
  m.SB_ItemClick(QStringLiteral("PRODUCTLIST"));
  ASSERT_EQ(m.mdi->subWindowList().size(), 1);
  QWidget* list = m.mdi->subWindowList().front()->widget();
  EXPECT_EQ(list->objectName(), QStringLiteral("frmProdList"));
  EXPECT_EQ(ui::FindByTag(QStringLiteral("PRODUCTLIST")), list);
}

// Tiled in a small main window, every child lies inside the MDI area at no less than its
// minimum, none covers another, and the controls of each window's button bar neither
// overlap nor leave the bar.
TEST_F(frmMainTest, TilingFitsEveryChildInsideTheArea) {
  const struct {
    QSize main;
    std::vector<const char*> menus;
    int plain;  // windows without a minimum beside them
    bool minimizeOne = false;  // the last plain window minimised before tiling
  } cases[] = {
      {{800, 600}, {"mnuProductsProductList"}, 3},
      {{800, 600}, {"mnuProductsProductList", "mnuReportsAllReports"}, 0},
      {{800, 600}, {"mnuProductsProductList", "mnuReportsAllReports", "mnuReportsQuickInventory"}, 1},
      {{800, 600}, {"mnuProductsProductList", "mnuReportsQuickInventory"}, 0},
      {{800, 600}, {"mnuProductsProductList", "mnuReportsQuickInventory"}, 1, true},
      {{640, 480}, {"mnuProductsProductList", "mnuReportsAllReports"}, 2},
      {{1366, 768}, {"mnuProductsProductList", "mnuReportsQuickInventory", "mnuReportsInventory", "mnuReportTransactions"}, 0},
      {{800, 600}, {"mnuProductsProductList", "mnuReportsQuickInventory", "mnuReportsInventory", "mnuReportTransactions"}, 0},
  };
  frmMain& m = ShownMainOnNewDatabase();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.main.width() << " x " << c.main.height() << ", " << c.menus.size());
    m.resize(c.main);
    QApplication::processEvents();
    for (const char* menu : c.menus) m.MenuItem(QLatin1String(menu))->trigger();
    for (int i = 0; i < c.plain; ++i) {
      auto* plain = new QWidget;
      ui::SetTag(plain, QStringLiteral("CHILD"));
      m.ShowChild(*plain);
      if (c.minimizeOne && i == c.plain - 1) plain->parentWidget()->showMinimized();
    }
    for (const char* arrange : {"mnuWindowTV", "mnuWindowTH"}) {
      SCOPED_TRACE(arrange);
      m.MenuItem(QLatin1String(arrange))->trigger();
      QApplication::processEvents();
      const QRect room = m.mdi->viewport()->rect();
      const QList<QMdiSubWindow*> subs = m.mdi->subWindowList();
      for (QMdiSubWindow* sub : subs) {
        const std::string name = sub->widget()->objectName().toStdString();
        EXPECT_TRUE(room.contains(sub->geometry())) << name;
        EXPECT_GE(sub->widget()->width(), sub->widget()->minimumSizeHint().width()) << name;
        EXPECT_GE(sub->widget()->height(), sub->widget()->minimumSizeHint().height()) << name;
        for (QMdiSubWindow* other : subs) {
          if (other != sub) {
            EXPECT_FALSE(other->geometry().intersects(sub->geometry())) << name;
          }
        }
        for (const char* barName : {"picTB", "BtnBar", "ctlInvButtons", "tbar"}) {
          const QWidget* bar = sub->widget()->findChild<QWidget*>(QLatin1String(barName));
          if (bar == nullptr || !bar->isVisible()) continue;
          // What shows of the bar (a bar taller than its window scrolls).
          const QRect shown = bar->visibleRegion().boundingRect();
          EXPECT_TRUE(sub->widget()->rect().contains(QRect(bar->mapTo(sub->widget(), shown.topLeft()), shown.size())))
              << name;
          QList<QWidget*> controls;
          for (QWidget* w : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->isVisible()) controls << w;
          }
          for (const QWidget* a : controls) {
            EXPECT_TRUE(bar->rect().contains(a->geometry())) << a->objectName().toStdString();
            EXPECT_GE(a->height(), a->minimumSizeHint().height()) << a->objectName().toStdString();
            for (const QWidget* b : controls) {
              if (a != b) {
                EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString() << " " << b->objectName().toStdString();
              }
            }
          }
        }
      }
    }
    m.MenuItem(QStringLiteral("mnuWindowCloseAll"))->trigger();
  }
}

}  // namespace

// A child window opened from the menus keeps the size it gives itself instead of
// shrinking to its size hint (for a report window, a bare title bar).
TEST_F(frmMainTest, ChildWindowsOpenAtTheirOwnSize) {
  frmMain& m = ShownMainOnNewDatabase();
  // The size a new window of the kind gives itself, grown to what its layout needs.
  const auto own = [](const QWidget& w) { return w.size().expandedTo(w.minimumSizeHint()); };
  const struct {
    const char* menu;
    const char* tag;
    QSize own;
    bool ownHeight;  // the product list is made as tall as the MDI area
  } cases[] = {
      {"mnuProductsProductList", "PRODUCTLIST", own(frmProdList()), false},
      {"mnuReportsQuickInventory", "~106", own(reports::frmRptContainer()), true},
      {"mnuReportsAllReports", "REPORTS", own(frmRptDlg()), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.menu);
    m.MenuItem(QLatin1String(c.menu))->trigger();
    QWidget* w = ui::FindByTag(QLatin1String(c.tag));
    ASSERT_NE(w, nullptr);
    ASSERT_NE(qobject_cast<QMdiSubWindow*>(w->parentWidget()), nullptr);
    EXPECT_EQ(w->width(), c.own.width());
    if (c.ownHeight) {
      EXPECT_EQ(w->height(), c.own.height());
    }
    // Each new window opens inside the room, a title bar below and right of the last.
    const QWidget* frame = w->parentWidget();
    EXPECT_TRUE(m.mdi->viewport()->rect().contains(frame->geometry()));
    const int n = static_cast<int>(m.mdi->subWindowList().size()) - 1;
    EXPECT_EQ(frame->pos(), QPoint(n, n) * frame->contentsMargins().top());
  }
}

// A user's steps through report windows. After each: the title names the active child and its buttons show in
// the menu bar only while it is maximized and shown; the active child is in front and marked in the Window menu;
// no child is smaller than its minimum or saved smaller; every child shown normal lies inside the area.
TEST_F(frmMainTest, WindowStatesStayConsistentThroughEveryStep) {
  const std::pair<const char*, const char*> kReports[] = {  // menu item, tag (~N: report N)
      {"mnuReportsQuickInventory", "~106"}, {"mnuReportsInventory", "~102"},
      {"mnuReportTransactions", "~101"},    {"mnuProductsProductList", "PRODUCTLIST"}};
  // Steps on the child kReports[digit]: max, min, restore, menu (chosen from the Window menu), close, open (from
  // its menu), end (its grid clicked and End pressed); TV, TH and Cascade arrange them all from the Window menu.
  const std::pair<const char*, const char*> cases[] = {
      {"maximized, then minimized; reopened maximized, minimized, closed",
       "max2 min2 max2 close2 open2 min2 close2 open2"},
      {"tiled, maximized, minimized", "TV max1 min1 menu1 restore1"},
      {"maximized, another chosen from the Window menu, minimized", "max0 menu2 min2 min1 min0"},
      {"minimized ones brought back from the Window menu", "min0 min1 menu0 TH menu1"},
      {"the grid clicked and End pressed, tiled and cascaded", "end2 TV end1 Cascade end0 close0 open0"},
      {"brought forward from the menus in every state",
       "open0 min0 open0 max1 open2 end2 min2 open2 close2 restore1 open1"},
      {"reopened maximized among tiled ones, then minimized",
       "TV max1 close1 open1 min1 menu0 restore1 max0 close0 open0 menu1 min1 close1"},
      {"reopened maximized beside others, another opened, then tiled", "close2 open3 max1 close1 open1 open2 TV"},
      {"arranged while one is maximized and one minimized", "min0 max1 TH restore0 max2 Cascade min2 TV end1 close1"},
  };
  frmMain& m = ShownMainOnNewDatabase();
  gDB().CloseDB();
  const QString sample = testenv::NewTempDir(QStringLiteral("sample"));
  ASSERT_EQ(dbsample::WriteSampleDatabase(sample, rt::App::Path(), {30, 300, 5}), QString());
  ASSERT_TRUE(gDB().OpenDB(sample));
  QApplication::setActiveWindow(&m);
  const QString mainTitle = m.windowTitle();
  QMenu* windowMenu = m.findChild<QMenu*>(QStringLiteral("mnuWindow"));
  const QRegularExpression known(QStringLiteral("^((max|min|restore|menu|close|open|end)[0-3]|TV|TH|Cascade)$"));
  for (const auto& [what, steps] : cases) {
    SCOPED_TRACE(what);
    for (int i = 0; i < 3; ++i) m.MenuItem(QLatin1String(kReports[i].first))->trigger();
    int n = 0;
    for (const QString& step : QString::fromLatin1(steps).split(u' ')) {
      SCOPED_TRACE(testing::Message() << "step " << ++n << ", " << step.toStdString());
      ASSERT_TRUE(known.match(step).hasMatch());
      const int child = step.back().isDigit() ? step.back().digitValue() : 0;  // arrangements: any shown
      const QString act = step.back().isDigit() ? step.chopped(1) : step;
      QWidget* report = ui::FindByTag(QLatin1String(kReports[child].second));
      QMdiSubWindow* sub = report == nullptr ? nullptr : qobject_cast<QMdiSubWindow*>(report->parentWidget());
      ASSERT_TRUE(sub != nullptr || act == u"open");
      if (act == u"max") sub->showMaximized();
      if (act == u"min") sub->showMinimized();
      if (act == u"restore") sub->showNormal();
      if (act == u"open") m.MenuItem(QLatin1String(kReports[child].first))->trigger();
      if (!step.back().isDigit()) m.MenuItem(QStringLiteral("mnuWindow") + act)->trigger();
      if (act == u"menu") {
        QMetaObject::invokeMethod(windowMenu, "aboutToShow");
        for (QAction* a : windowMenu->actions()) if (a->text().endsWith(sub->windowTitle())) a->trigger();
      }
      if (act == u"close") {
        const QSize least = sub->widget()->minimumSizeHint();  // whatever the frame's state
        sub->close();
        const QString prefix = QStringLiteral("^%1_").arg(QLatin1String(kReports[child].second + 1));
        EXPECT_GE(std::lround(ui::TwipsToPixelsX(mdlRegistry::PrefGetLong(prefix + "width"))), least.width());
        EXPECT_GE(std::lround(ui::TwipsToPixelsY(mdlRegistry::PrefGetLong(prefix + "height"))), least.height());
      }
      if (act == u"end") {
        QTableView* view = sub->widget()->findChild<ctl::GridControl*>()->view();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(2, 2)).center());
        QTest::keyClick(view, Qt::Key_End);
      }
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed windows go
      QApplication::processEvents();
      QMdiSubWindow* active = m.mdi->activeSubWindow();
      const bool maximizedShown = active != nullptr && active->isMaximized() && !active->isMinimized();
      EXPECT_EQ(m.windowTitle() != mainTitle, maximizedShown) << m.windowTitle().toStdString();
      EXPECT_TRUE(!maximizedShown || m.windowTitle().contains(active->windowTitle()));
      const QWidget* buttons = m.menuBar()->cornerWidget(Qt::TopRightCorner);
      EXPECT_EQ(buttons != nullptr && buttons->isVisibleTo(&m), maximizedShown);
      QMetaObject::invokeMethod(windowMenu, "aboutToShow");
      for (const QAction* a : windowMenu->actions()) {
        EXPECT_EQ(a->isChecked(), active != nullptr && a->text().endsWith(active->windowTitle()))
            << a->text().toStdString();
      }
      QMdiSubWindow* front = nullptr;  // the topmost child shown
      const QRect room = m.mdi->viewport()->rect();
      for (QMdiSubWindow* s : m.mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (s->isMinimized()) continue;
        const std::string name = s->windowTitle().toStdString();
        if (s->isVisible()) front = s;
        EXPECT_GE(s->widget()->width(), s->widget()->minimumSizeHint().width()) << name;
        EXPECT_GE(s->widget()->height(), s->widget()->minimumSizeHint().height()) << name;
        EXPECT_TRUE(s->isMaximized() ? s->geometry() == room : room.contains(s->geometry())) << name;
      }
      EXPECT_TRUE(front == nullptr || front == active) << "the active child shown, in front";
    }
    m.MenuItem(QStringLiteral("mnuWindowCloseAll"))->trigger();
    QApplication::processEvents();
  }
}

// Closing the active child activates the one just behind it in the stacking order, after a
// cascade and after other children were brought forward, however it is closed (its close
// button, or Ctrl+F4 with the focus in its grid).
TEST_F(frmMainTest, ClosingTheActiveChildActivatesTheOneBehindIt) {
  frmMain& m = ShownMainOnNewDatabase();
  QApplication::setActiveWindow(&m);
  const char* const opened[] = {"mnuProductsProductList", "mnuReportsQuickInventory", "mnuReportsInventory",
                                "mnuReportTransactions"};
  struct Case {
    const char* what;
    std::vector<int> forward;  // children (by the order opened) brought forward in turn
    bool byKey;
  };
  const Case cases[] = {
      {"after Cascade", {}, false},
      {"after Cascade, by Ctrl+F4", {}, true},
      {"the first one brought forward", {0}, false},
      {"the third, then the first brought forward", {2, 0}, false},
      {"the second brought forward, by Ctrl+F4", {1}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QApplication::setActiveWindow(&m);
    for (const char* menu : opened) m.MenuItem(QLatin1String(menu))->trigger();
    m.MenuItem(QStringLiteral("mnuWindowCascade"))->trigger();
    const QList<QMdiSubWindow*> subs = m.mdi->subWindowList();
    ASSERT_EQ(subs.size(), std::size(opened));
    for (int i : c.forward) m.mdi->setActiveSubWindow(subs[i]);
    const QList<QMdiSubWindow*> stack = m.mdi->subWindowList(QMdiArea::StackingOrder);
    QMdiSubWindow* top = stack.back();
    ASSERT_EQ(m.mdi->activeSubWindow(), top);
    const QPointer<QMdiSubWindow> closing(top);
    if (c.byKey) {
      auto* grid = top->widget()->findChild<ctl::GridControl*>();
      ASSERT_NE(grid, nullptr);
      grid->view()->setFocus();
      QTest::keyClick(grid->view(), Qt::Key_F4, Qt::ControlModifier);
    } else {
      top->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_TRUE(closing.isNull());
    // (the current one: the platform here may leave no top-level window active once a child went)
    EXPECT_EQ(m.mdi->currentSubWindow(), stack[stack.size() - 2])
        << (m.mdi->currentSubWindow() == nullptr ? "none" : m.mdi->currentSubWindow()->windowTitle().toStdString());
    QList<QMdiSubWindow*> behind = stack;
    behind.removeLast();
    EXPECT_EQ(m.mdi->subWindowList(QMdiArea::StackingOrder), behind) << "the others keep their order";
    m.MenuItem(QStringLiteral("mnuWindowCloseAll"))->trigger();
    QApplication::processEvents();
  }
}

// Cascade staggers the windows by a title bar each and keeps their sizes (a report
// window has no size hint to fall back on); after a tile it gives back the sizes the
// windows had before.
TEST_F(frmMainTest, CascadeStaggersTheWindowsAtTheirOwnSize) {
  frmMain& m = ShownMainOnNewDatabase();
  m.MenuItem(QStringLiteral("mnuReportsQuickInventory"))->trigger();
  m.MenuItem(QStringLiteral("mnuReportsInventory"))->trigger();
  auto* plain = new QWidget;
  plain->resize(300, 200);
  m.ShowChild(*plain);
  const QList<QMdiSubWindow*> subs = m.mdi->subWindowList();
  ASSERT_EQ(subs.size(), 3);
  QList<QSize> sizes;
  for (QMdiSubWindow* sub : subs) {
    sub->move(200, 150);
    sizes << sub->size();
  }
  m.MenuItem(QStringLiteral("mnuWindowTV"))->trigger();
  m.MenuItem(QStringLiteral("mnuWindowCascade"))->trigger();
  for (int i = 0; i < subs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(subs[i]->size(), sizes[i]);
    const int step = i * subs[0]->contentsMargins().top();
    EXPECT_EQ(subs[i]->pos(), QPoint(step, step));
  }
}

// A report opened from the menu is a child window of the MDI area; its frame's place
// is kept per report and restored when it opens again.
TEST_F(frmMainTest, ReportWindowIsAChildThatKeepsItsPlace) {
  frmMain& m = ShownMainOnNewDatabase();
  // The report's frame, null unless the window is a child of the MDI area.
  const auto open = [&]() -> QMdiSubWindow* {
    m.MenuItem(QStringLiteral("mnuReportsInventory"))->trigger();
    QWidget* w = ui::FindByTag(QStringLiteral("~102"));
    return w == nullptr ? nullptr : qobject_cast<QMdiSubWindow*>(w->parentWidget());
  };
  QMdiSubWindow* sub = open();
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->windowTitle(), QStringLiteral("Inventory of All Products"));
  sub->setGeometry(20, 10, 500, 400);
  ASSERT_TRUE(ui::Unload(sub->widget()));
  sub = open();
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->geometry(), QRect(20, 10, 500, 400));
  open();
  EXPECT_EQ(m.mdi->subWindowList().size(), 1) << "a second request brings the same window forward";
  // Closed while tiled, it comes back at its own size, not the tile's.
  EXPECT_EQ(sub->geometry(), QRect(20, 10, 500, 400)) << "brought forward as it was";
  m.ShowChild(*new QWidget);
  m.MenuItem(QStringLiteral("mnuWindowTV"))->trigger();
  ASSERT_NE(sub->size(), QSize(500, 400));
  ASSERT_TRUE(ui::Unload(sub->widget()));
  sub = open();
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->size(), QSize(500, 400));
}

// F1, pressed as a user does (through the shortcuts), opens the topic of the window it
// is pressed in; where the window has none, the Help menu's F1 opens the contents.
TEST_F(frmMainTest, F1OpensTheTopicOfTheWindowItIsPressedIn) {
  frmMain& m = ShownMainOnNewDatabase();
  ui::SetHelpFolder(QStringLiteral(STOVREL_RESOURCES_DIR "/help"));
  QApplication::setActiveWindow(&m);
  const auto quickInventory = [&] {
    m.MenuItem(QStringLiteral("mnuReportsQuickInventory"))->trigger();
    return ui::FindByTag(QStringLiteral("~106"));
  };
  struct Case {
    const char* what;
    std::function<QWidget*()> open;  // the widget with the focus
    const char* page;
  };
  const Case cases[] = {
      {"main window", [&]() -> QWidget* { return m.mdi; }, "/help/index.html"},
      {"report grid",
       [&]() -> QWidget* {
         QWidget* report = quickInventory();
         return report == nullptr ? nullptr : report->findChild<ctl::GridControl*>()->view();
       },
       "/help/2000.html"},
      {"report window", quickInventory, "/help/2000.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget* focus = c.open();
    ASSERT_NE(focus, nullptr);
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_F1);
    ui::HelpViewer* help = ui::OpenHelpViewer();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->CurrentPage().endsWith(QLatin1String(c.page))) << help->CurrentPage().toStdString();
    ui::CloseHelpViewer();
  }
  ui::SetHelpFolder({});
}
