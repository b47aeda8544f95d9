#pragma once
// The main window as the windows of earlier folders see it: what only the main window
// can do (own modal dialogs, place child windows in its MDI area and give its room) and
// the one command of a later folder that an earlier one starts (the found-products
// report of inventory's look-up). Every other command is called directly in its folder.
// The shell's frmMain implements it and installs itself while it lives; tests install
// FakeMainWindowHub (services/testing/FakeMainWindowHub.h).
// User-interface thread only.

#include <QString>
#include <cstdint>

class QWidget;

class MainWindowHubInterface {
 public:
  virtual ~MainWindowHubInterface() = default;

  // The main window itself: the owner of modal dialogs and the parent of child windows
  // (null in tests without one).
  virtual QWidget* Window() = 0;
  // The room for child windows, twips: the inner width less the list bar's, the height.
  virtual int32_t ClientAreaWidth() = 0;
  virtual int32_t ClientAreaHeight() = 0;
  // Shows `child` (a window with a tag) as a child window of the MDI area, or as a
  // top-level window where there is none; the hub takes ownership.
  virtual void ShowChild(QWidget& child) = 0;

  // The found-products report of a look-up (reports/, started from inventory/).
  virtual void ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                                    const QString& sSearchCaption) = 0;
};

// The installed hub (not owned); null while none is installed.
MainWindowHubInterface* MainWindowHub();
// Installs `hub` (nullptr removes it) and returns the one installed before.
MainWindowHubInterface* SetMainWindowHub(MainWindowHubInterface* hub);
// The installed hub's window, owner of modal dialogs; null without a hub.
QWidget* HubWindow();
