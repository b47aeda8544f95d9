#include "services/mdlFolderSelection.h"

#include "platform/ui/FileDialogs.h"

namespace mdlFolderSelection {

QString BrowseForFolder(QWidget* hWndOwner, const QString& sStartFolder, const QString& sTitle,
                        bool bIncludeFiles, bool /*bNewStyle*/) {
  return ui::GetFolder({.title = sTitle,
                        .startFolder = sStartFolder,
                        .includeFiles = bIncludeFiles,
                        .owner = hWndOwner})
      .value_or(QString());
}

}  // namespace mdlFolderSelection
