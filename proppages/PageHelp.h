#pragma once
// The library's own help window and message-box title. Help pages are the HTML files of
// the help folder beside the library (<library folder>/help, copied there by the build:
// <topic>.html and the contents page index.html), shown in a ui::HelpViewer titled
// "QVProp Help" whose Home is the library's index.html. Each page has a topic of its
// own, the help context of its page-table entry (100 Alphabetic, 200 Categorized, 300
// Animation Builder, 401 Groups/Lists, 500 and 510 the Images pages, 600 PNG Generator,
// 700 Configure ToolBars, 800 Tabs). Message boxes without a caption of their own are
// titled "QVProp" too, never by the hosting program. The window is the library's: while
// it lives the library cannot be unloaded, and the routine that deletes it at the
// toolkit's shutdown is registered only for its life, so nothing of the library is left
// behind once it closes.

#include <QString>

#include "platform/com/Types.h"

class QWidget;

namespace qvp {

// The title of the library's message boxes and help window: "QVProp".
QString LibraryTitle();
// <folder of the library>/help, or the folder set with SetLibraryHelpFolder.
QString LibraryHelpFolder();
// Moves the help folder (tests); empty restores the default.
void SetLibraryHelpFolder(const QString& folder);

// Opens help topic `context` (the contents page for 0 or a topic without a page) in the
// library's help window: S_OK when shown; E_FAIL, after a warning that the help is not
// installed beside the library (naming the topic's page), when there is no page to show.
HRESULT ShowPageHelp(DWORD context);

// The library's help window while it exists.
QWidget* LibraryHelpWindow();
// Deletes the help window now when one exists.
void CloseLibraryHelp();

}  // namespace qvp
