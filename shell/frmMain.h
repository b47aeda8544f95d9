#pragma once
// frmMain: the program's one main window and the hub of the user interface. A menu
// bar and the list bar SB reach every command, the status bar names the open
// database, report windows and the product list open as child windows in its MDI area.
// Its tag is "MAINFORM". While it lives it is the installed MainWindowHub().
//
// Menus and list bar are tables in frmMain.cpp (Menus(), ListBarGroups()) whose entries
// carry their control name or key, caption and a Command; one switch (Run) runs a
// command, so a misspelt command fails the build. A list-bar key no entry carries does
// nothing (compared case-sensitively); Delete asks the active child through
// services/DeletingWindow.h. Menu entries are QActions named after their menu controls
// (a top-level menu is its menu action); SetUI hides top-level menus through them. The
// list bar sits in a title-less fixed dock, SBContainer.
//
// Child windows: a child's frame keeps the minimum its layout needs. Tile Horizontally
// stacks full-width rows, Tile Vertically puts full-height columns side by side; where
// the minimums do not fit one band the windows go, in order, into the fewest bands that
// fit (shell::LayOutTiles), else into the fewest bands of the other direction that fit;
// only where neither does the area scroll. Minimised windows keep a row along the
// foot, clear of the tiles. Each child is asked for its minimum afresh before tiling (report windows place
// their panes by hand). The active child is the one drawn in front: after a minimize, a
// close or a cascade the topmost child still shown (the one just behind) is activated, and
// a minimised child chosen from the Window menu is restored first. Ctrl+F4 closes the
// child the focus is in.
//
// Unloading the main window ends the program: once its close is accepted it closes every
// other visible top-level window and quits, so nothing keeps the process (and its
// one-copy lock) alive. User-interface thread only.

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "services/MainWindowHub.h"

class QAction;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
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

  // The preferences dialog on tab nTab (0 field names, 1 products), after every other
  // window was closed; the list captions follow what it stored.
  void Customizations(int32_t nTab);
  // Does nothing; false.
  bool HelpCenter();
  // The backup advice naming the folder (a placeholder line when it is empty), and the
  // advice for the open database shown.
  QString BackupMsg(const QString& sDBPath);
  void mnuHelpBackup_Click();
  // Menus, list bar and status bar follow whether a database is open.
  void SetUI();
  void SetStatusBarUI();
  // The lists' captions in the menus and the list bar (inventory/ListMgmt.h).
  void SetCustomMenuLabels();

  // ---- MainWindowHubInterface --------------------------------------------------------
  QWidget* Window() override { return this; }
  // The MDI area's size in twips (the list bar left out).
  int32_t ClientAreaWidth() override;
  int32_t ClientAreaHeight() override;
  void ShowChild(QWidget& child) override;
  void ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                            const QString& sSearchCaption) override;

 protected:
  // The unload: closes the database (every other window with it), saves the placement.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildListBar();
  void SetEnabled(const QString& name, bool enabled);
  void SetVisible(const QString& name, bool visible);
  void RebuildWindowList();

  MainWindowHubInterface* previousHub_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QList<QAction*> windowListActions_;
  QList<QPointer<QMdiSubWindow>> stackBehindClosing_;  // the active child closing: the others, bottom first
};
