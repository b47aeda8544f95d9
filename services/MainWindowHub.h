#pragma once
// The main window is the hub of the user interface: every window that must reach a
// command of the shell (open the product editor, a report, a list editor, the calendar)
// calls it through this interface, so that windows of earlier folders need not know
// the shell. The shell's frmMain implements it and installs itself while it lives;
// tests install FakeMainWindowHub (services/testing/FakeMainWindowHub.h).
// User-interface thread only.

#include <QString>
#include <cstdint>

class QLabel;
class QWidget;

class MainWindowHubInterface {
 public:
  virtual ~MainWindowHubInterface() = default;

  // ---- The main window's own -----------------------------------------------------------
  // The main window itself: the owner of modal dialogs and the parent of child windows
  // (null in tests without one).
  virtual QWidget* Window() = 0;
  // The room for child windows, twips: the inner width less the list bar's, the height.
  virtual int32_t ClientAreaWidth() = 0;
  virtual int32_t ClientAreaHeight() = 0;
  // Shows `child` (a window with a tag) as a child window of the MDI area, or as a
  // top-level window where there is none; the hub takes ownership.
  virtual void ShowChild(QWidget& child) = 0;
  // The stored name of the parameter `sParam`, cut to 15 characters and ending in ":",
  // becomes the label's text; an empty name leaves the label as it is.
  virtual void SetCustomFieldLabel(QLabel& lbl, const QString& sParam) = 0;
  // The calendar started on sInitDate; the chosen day as short-date text, "" on Cancel.
  virtual QString GetShortDateFromPopupCalendar(const QString& sInitDate) = 0;

  // ---- A command of reports/ that inventory/ starts -----------------------------------
  // The found-products report of a look-up.
  virtual void ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                                    const QString& sSearchCaption) = 0;
};

// The installed hub (not owned); null while none is installed.
MainWindowHubInterface* MainWindowHub();
// Installs `hub` (nullptr removes it) and returns the one installed before.
MainWindowHubInterface* SetMainWindowHub(MainWindowHubInterface* hub);
// The installed hub's window, owner of modal dialogs; null without a hub.
QWidget* HubWindow();
