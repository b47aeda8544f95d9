#pragma once
// Helpers shared by the upgrade files (clsDB_upgrade*.cpp, clsDB_maint.cpp). Internal
// to database/.

#include <QString>

namespace dbupgrade {

// Renames `src` over `dest` in one step (an existing `dest` is replaced).
bool ReplaceFile(const QString& src, const QString& dest);

// The mark the version 3 to 4 rebuild leaves once its new table is complete; it stays
// until the version row reads 4, so an interrupted rebuild is finished, not redone.
QString TranRebuiltMark(const QString& folder);

}  // namespace dbupgrade
