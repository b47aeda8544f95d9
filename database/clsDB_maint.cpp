// clsDB: rebuilding one table's index. The table is opened under a second name (hard
// links to its .dbf and .fpt, no copy of the rows; a copy where the file system has no
// hard links) beside a fresh copy of the index template, the engine rebuilds that
// index from the rows, and the result is written over the table's index in place. The
// old index is first copied aside under its name followed by a tick count; it stays
// as it was until that write, so a failure leaves it as it was. Just before it, the
// number fields a writer left with a decimal comma get their point, in the table
// itself (the same numbers, read alike before and after). Other xBase programs
// know nothing of the session lock and the access byte: from the copy aside through
// the write, the table and its index are held by the locks they honour. The hold
// owns the work files (<table>_reindex.*): it removes them, and a marker beside them
// lets the next open or re-index finish a write over the index that was cut short.

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdint>
#include <cstring>
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
#include "platform/xbase/Engine.h"
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

// A copy through clsSystem that shows nothing while the files are held: the reason of
// a failure goes to *systemError, for the one box after the locks are given up.
bool Copy(const QString& from, const QString& to, int* systemError) {
  return gSystem().FileCopyQuiet(from, to, systemError) == 0;
}

// The file under a second name: a hard link, or a copy where the file system refuses
// hard links (FAT, exFAT, many network shares; *copied is then set). The table is held
// meanwhile, so the copy cannot fall behind it. Another failure's reason goes to *systemError.
bool LinkOrCopy(const QString& existing, const QString& second, int* systemError, bool* copied = nullptr) {
  const int err = Link(existing, second);
  if (err == 0) return true;
  const bool noHardLinks =
      err == EPERM || err == EXDEV || err == ENOTSUP || err == EOPNOTSUPP || err == EMLINK || err == ENOSYS;
  if (copied != nullptr) *copied = noHardLinks;
  if (!noHardLinks) *systemError = err;
  return noHardLinks && !dbupgrade::StopAt("reindex:copy") && Copy(existing, second, systemError);
}

// The box of a failed re-index that knows the system's reason: a full disk names its
// folder and what to do.
void ShowFailure(const QString& table, const QString& folder, int systemError) {
  QString text = QStringLiteral("Unable to index file: ") + table + QStringLiteral("\n\n");
  if (systemError == ENOSPC || systemError == EDQUOT) {
    text += QStringLiteral("The disk holding ") + folder +
            QStringLiteral(" is full. Free some space on it and run the re-index again. The table and its index "
                           "have not been changed.");
  } else {
    text += QString::fromLocal8Bit(std::strerror(systemError)) +
            QStringLiteral(". The table and its index have not been changed.");
  }
  ui::MsgBox(text, ui::vbExclamation, QStringLiteral("File Indexing Failed"));
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
bool SetAside(const QString& index, int* systemError) {
  uint32_t stamp = TickCount();
  while (QFileInfo::exists(index + QString::number(stamp))) ++stamp;
  return Copy(index, index + QString::number(stamp), systemError);
}

}  // namespace

void dbupgrade::SetLinkHook(LinkHook hook) { Hook() = std::move(hook); }

bool clsDB::ReIndexFile(const clsDBFile& file, bool* refused, long* corrected) {
  if (refused != nullptr) *refused = false;
  if (corrected != nullptr) *corrected = 0;
  if (!m_bIsOpen || m_engine.code == nullptr) return false;
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
  const bool hasIndex = QFile::exists(index);
  bool ok = false;
  bool inUse = false;
  int systemError = 0;
  {
    const store::DenyWrite denyWrite(session);
    bool copied = false;
    store::HeldTable held(session, table.filePath(), hasIndex ? index : QString());
    inUse = held.status().failure == store::Failure::kLocked;
    if (held.status().ok() && (!hasIndex || (!dbupgrade::StopAt("reindex:setaside") && SetAside(index, &systemError))) &&
        LinkOrCopy(table.filePath(), workTable, &systemError, &copied) &&
        (!QFile::exists(memo) || LinkOrCopy(memo, workMemo, &systemError)) &&
        !dbupgrade::StopAt("reindex:template") && Copy(file.cleanIndexPath, workIndex, &systemError) &&
        !dbupgrade::StopAt("reindex:rebuild")) {
      const store::Status rebuilt = store::Reindex(session, workTable);
      // An engine error carries the system's reason.
      if (rebuilt.code < 0) systemError = code4errorSystem(m_engine.code);
      // The rebuild also repairs the record count, in the table when it is a copy.
      const bool counted = !rebuilt.ok() || !copied || CopyRecordCount(workTable, table.filePath());
      if (!counted) systemError = errno != 0 ? errno : EIO;
      // Numbers left with a decimal comma get their point in the held table itself (a
      // copy of it would not carry them back); their keys are the same either way.
      store::Status numbers;
      if (rebuilt.ok() && counted) {
        long repaired = 0;
        numbers = held.RepairNumbers(&repaired);
        if (numbers.code < 0) systemError = code4errorSystem(m_engine.code);
        if (corrected != nullptr) *corrected = repaired;
      }
      if (rebuilt.ok() && counted && numbers.ok() && !dbupgrade::StopAt("reindex:swap")) {
        if (hasIndex) {
          const store::Status swapped = held.ReplaceIndex(workIndex);
          ok = swapped.ok();
          if (swapped.code < 0) systemError = code4errorSystem(m_engine.code);
        } else {
          ok = dbupgrade::ReplaceFile(workIndex, index);
          if (!ok) systemError = errno;
        }
      }
    }
  }
  // Back to the shared hold every open copy has.
  store::HoldSession(session, lockPath, false);
  if (inUse) {
    ui::MsgBox(table.filePath() +
                   QStringLiteral(" is in use by another program: a record or the whole table is locked. Re-indexing "
                                  "requires exclusive access to the data files: make sure no one else is using them, "
                                  "then try again."),
               ui::vbExclamation, rt::App::Title());
  } else if (!ok && systemError != 0) {
    ShowFailure(file.dataFilePath, table.absolutePath(), systemError);
  }
  if (refused != nullptr) *refused = inUse || (!ok && systemError != 0);
  return ok;
}
