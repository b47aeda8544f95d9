#pragma once
// The backup advice of a database folder, shown by the main window's File menu and
// appended to the upgrade's completion notice. Plain text; changes nothing.

#include <QString>

// "BACKING UP, COPYING OR MOVING YOUR DATABASE", then `sText` (when not empty), the
// data folder (a placeholder line when `sDataFolder` is empty) and the 16 data files
// of a database, one per line.
QString BackupMsg(const QString& sDataFolder, const QString& sText = {});
