#pragma once
// mdlFolderSelection: the folder picker (platform/ui/FileDialogs.h) in the form the
// program calls it.

#include <QString>

class QWidget;

namespace mdlFolderSelection {

// Lets the user pick a folder, starting at `sStartFolder` (the home folder when empty),
// with `sTitle` as the prompt; files are shown too when `bIncludeFiles`. The chosen
// folder, or the empty text when the user cancelled. `bNewStyle` is accepted: the
// picker here always lets the user make a new folder.
QString BrowseForFolder(QWidget* hWndOwner, const QString& sStartFolder, const QString& sTitle,
                        bool bIncludeFiles, bool bNewStyle);

}  // namespace mdlFolderSelection
