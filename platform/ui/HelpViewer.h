#pragma once
// The program's help window: the help topics are HTML pages in the help folder
// (<program folder>/help), one page per topic number (<topic>.html) and the contents
// page index.html, shown in one reusable QTextBrowser window. Each page says what its
// window is for and has "How to ..." sections for the common tasks. User-interface
// thread only.

#include <QString>
#include <QWidget>

class QAction;
class QKeyEvent;
class QTextBrowser;

namespace ui {

// The folder that holds the help pages: the one set with SetHelpFolder, else the
// program folder's help/.
QString HelpFolder();
// Moves the help folder (tests point it at the source tree); empty restores the default.
void SetHelpFolder(const QString& folder);

// The page of `topic`: <topic>.html when it exists, else the contents page; the
// contents page for a topic below 1. The empty text when neither page exists.
QString HelpPagePath(int topic);
// The contents page's path (whether or not it exists).
QString HelpContentsPath();

// The help window: Back, Forward and Home in a tool bar, the text with a 12 px margin.
// One instance at a time; it deletes itself when closed.
class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  explicit HelpViewer(QWidget* parent = nullptr);
  // Shows the page at `path` (an HTML file).
  void ShowPage(const QString& path);
  // The file shown (absolute path), the empty text before the first page.
  QString CurrentPage() const;
  QTextBrowser* txtHelp;
  // The tool bar's Back, Forward and Home (the contents page).
  QAction* actBack;
  QAction* actForward;
  QAction* actHome;

 protected:
  void keyPressEvent(QKeyEvent* event) override;  // Escape closes the window
};

// Opens the help window (creating it when none is open) at the page of `topic`
// (contents for 0) and brings it to the front. While a modal dialog is shown the window
// becomes that dialog's (so it takes input) and closes with it. When the help folder has no page to
// show, warns "Unable to launch '<contents page>'! No application may be associated
// with this file type." (exclamation, product name as title) and returns nullptr.
HelpViewer* ShowHelp(int topic = 0);
// Shows `page` in a help window and brings it to the front; while a modal dialog is shown
// the window becomes that dialog's.
void PresentHelp(HelpViewer& viewer, const QString& page);
// The open help window; nullptr when none is open.
HelpViewer* OpenHelpViewer();
// Closes the help window when one is open.
void CloseHelpViewer();

// The help context of a window: the topic F1 opens in it (0 = none; F1 then does nothing).
// Setting one installs (once) a key filter on the window, so F1 anywhere in it, once the
// focused control ignores the key, shows that topic. The filter also claims F1's
// shortcut override, so inside a window under an F1 shortcut (a child of the main
// window) the window's topic wins. Being on the window rather than in RunModal, it
// serves modeless windows too and works under the fake modal runner; a window gets F1
// by setting its context, with no code of its own.
void SetHelpContext(QWidget& window, int topic);
int HelpContextOf(const QWidget& window);

}  // namespace ui
