#pragma once
// Helpers shared by the upgrade files (clsDB_upgrade*.cpp, clsDB_maint.cpp). Internal
// to database/.

#include <QString>

class clsDB;

namespace dbupgrade {

// Deny-write access mode (1) for the scope; shared (0) again on every way out.
class ScopedAccessMode {
 public:
  explicit ScopedAccessMode(clsDB& db);
  ~ScopedAccessMode();
  ScopedAccessMode(const ScopedAccessMode&) = delete;
  ScopedAccessMode& operator=(const ScopedAccessMode&) = delete;

 private:
  clsDB& db_;
};

// Renames `src` over `dest` in one step (an existing `dest` is replaced).
bool ReplaceFile(const QString& src, const QString& dest);

// The mark the version 3 to 4 rebuild leaves once its new table is complete; it stays
// until the version row reads 4, so an interrupted rebuild is finished, not redone.
QString TranRebuiltMark(const QString& folder);

}  // namespace dbupgrade
