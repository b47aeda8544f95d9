// clsDB: rebuilding one table's index. The table is opened under a second name (hard
// links to its .dbf and .fpt, no copy of the rows; a copy where the file system has no
// hard links) beside a fresh copy of the index template, the engine rebuilds that
// index from the rows, and the result is renamed over the table's index. The old index
// is first copied aside under its name followed by a tick count; it stays in place
// until that rename, so a failure leaves it as it was.

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <utility>

#include <unistd.h>

#include "database/DbAccess.h"
#include "database/UpgradeStops.h"
#include "database/clsDB.h"
#include "database/clsDB_upgrade_internal.h"
#include "database/store/Maintenance.h"
#include "platform/runtime/App.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"

namespace {

dbupgrade::LinkHook& Hook() {
  static dbupgrade::LinkHook hook;
  return hook;
}

// 0 or the errno of the failed link.
int Link(const QString& existing, const QString& link) {
  if (Hook()) {
    if (const int err = Hook()()) return err;
  }
  return ::link(QFile::encodeName(existing).constData(), QFile::encodeName(link).constData()) == 0 ? 0 : errno;
}

// The file under a second name: a hard link, or a copy where the file system refuses
// hard links (FAT, exFAT, many network shares; *copied is then set). The folder is held
// exclusively and opened deny-write meanwhile, so the copy cannot fall behind the table.
bool LinkOrCopy(const QString& existing, const QString& second, bool* copied = nullptr) {
  const int err = Link(existing, second);
  if (err == 0) return true;
  const bool noHardLinks =
      err == EPERM || err == EXDEV || err == ENOTSUP || err == EOPNOTSUPP || err == EMLINK || err == ENOSYS;
  if (copied != nullptr) *copied = noHardLinks;
  return noHardLinks && gSystem().FileCopyFn(existing, second);
}

// The record count the rebuild set in a copy of the table (bytes 4..7 of the header),
// written into the table itself.
bool CopyRecordCount(const QString& copy, const QString& table) {
  QFile from(copy);
  QFile to(table);
  if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::ReadWrite)) return false;
  from.seek(4);
  const QByteArray count = from.read(4);
  to.seek(4);
  if (to.read(4) == count) return true;
  return count.size() == 4 && to.seek(4) && to.write(count) == 4;
}

// Milliseconds since the system started, in 32 bits.
uint32_t TickCount() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

// The old index copied to its name followed by the tick count (the next free count
// when two rebuilds fall in the same millisecond).
bool SetAside(const QString& index) {
  uint32_t stamp = TickCount();
  while (QFileInfo::exists(index + QString::number(stamp))) ++stamp;
  return gSystem().FileCopyFn(index, index + QString::number(stamp));
}

}  // namespace

void dbupgrade::SetLinkHook(LinkHook hook) { Hook() = std::move(hook); }

bool clsDB::ReIndexFile(const clsDBFile& file, bool* refused) {
  if (refused != nullptr) *refused = false;
  if (!m_bIsOpen || m_engine.code == nullptr) return false;
  clsSystem& sys = gSystem();
  const store::Session session = Session();
  const QString lockPath = LastIdTable();
  if (!store::HoldSession(session, lockPath, true).ok()) {
    ui::MsgBox(QStringLiteral("The database is in use by another user. Re-indexing requires exclusive access to the "
                              "data files: make sure no one else is using the application."),
               ui::vbExclamation, rt::App::Title());
    if (refused != nullptr) *refused = true;
    return false;
  }
  // A folder made on another system may spell the names in capitals.
  auto resolved = [](const QString& path) {
    const QFileInfo given(path);
    return dbaccess::FileIn(given.path(), given.fileName());
  };
  const QFileInfo table(resolved(file.dataFilePath));
  const QString work = table.absolutePath() + QLatin1Char('/') + table.completeBaseName() + QStringLiteral("_reindex");
  const QString workTable = work + QStringLiteral(".dbf");
  const QString workMemo = work + QStringLiteral(".fpt");
  const QString workIndex = work + QStringLiteral(".cdx");
  const QString memo =
      resolved(table.absolutePath() + QLatin1Char('/') + table.completeBaseName() + QStringLiteral(".fpt"));
  const QString index = resolved(file.indexFilePath);
  auto cleanUp = [&] {
    for (const QString& f : {workTable, workMemo, workIndex}) QFile::remove(f);
  };
  bool ok = false;
  {
    const store::DenyWrite denyWrite(session);
    cleanUp();
    bool copied = false;
    if ((!QFile::exists(index) || SetAside(index)) && LinkOrCopy(table.filePath(), workTable, &copied) &&
        (!QFile::exists(memo) || LinkOrCopy(memo, workMemo)) && sys.FileCopyFn(file.cleanIndexPath, workIndex)) {
      // The rebuild also repairs the record count, in the table when it is a copy.
      ok = store::Reindex(session, workTable).ok() && (!copied || CopyRecordCount(workTable, table.filePath()));
    }
    ok = ok && dbupgrade::ReplaceFile(workIndex, index);
    cleanUp();
  }
  // Back to the shared hold every open copy has.
  store::HoldSession(session, lockPath, false);
  return ok;
}
