#pragma once
// The backup advice of a database folder, shown by the main window's File menu and
// after a new database is made, and appended to the upgrade's completion notice. Plain
// text; changes nothing.

#include <QString>

// "BACKING UP, COPYING OR MOVING YOUR DATABASE", why and where to copy, the folder
// `sDBPath` (a placeholder line when no database is open and it is empty), the 16 data
// files of a database one per line, and how to back up and restore them together.
QString BackupMsg(const QString& sDBPath, bool bIsOpen);
