#pragma once
// The locks of one table handle on its .dbf, at the positions FoxPro-style programs
// use, so other handles (in this or another process) and other xBase programs see them:
//   record n          1 byte at 0x7FFFFFFE - n (exclusive)
//   append / header   1 byte at 0x7FFFFFFE (exclusive, while a record is appended)
//   whole file        0x3FFFFFFF .. 0x7FFFFFFE, every record and the header byte
//                     (exclusive, while the tags are rebuilt)
//   access mode       1 byte at 0x7FFFFFFF, outside the record range: every handle
//                     that may write holds it shared; a deny-write handle holds it
//                     exclusive, so it opens only when no other handle may write, and
//                     no writer opens while it is held
// A deny-write handle also holds the whole-file range for its life: other programs
// know only the record and append positions, and it keeps them from both.
// Locks are open-file-description locks and belong to this handle's open file; they
// go when it is closed. Record locks are remembered so that Unlock releases them all.
// Not thread-safe.

#include <cstdint>
#include <set>

#include "platform/xbase/File.h"
#include "platform/xbase/LockPolicy.h"

namespace xb {

class LockManager {
 public:
  static constexpr uint64_t kBase = 0x7FFFFFFE;
  static constexpr uint64_t kAppendLock = kBase;
  static constexpr uint64_t kFileLockStart = 0x3FFFFFFF;
  static constexpr uint64_t kFileLockLen = kBase - kFileLockStart + 1;
  static constexpr uint64_t kAccessLock = 0x7FFFFFFF;
  static constexpr uint32_t kMaxLockableRecord = static_cast<uint32_t>(kBase - kFileLockStart);

  static constexpr uint64_t RecordLockOffset(uint32_t n) { return kBase - n; }

  explicit LockManager(File* dbf) : file_(dbf) {}
  ~LockManager();
  LockManager(const LockManager&) = delete;
  LockManager& operator=(const LockManager&) = delete;

  // Shared for a writer that shares the table, exclusive for a deny-write handle,
  // which then also keeps the whole-file lock until it is closed (so it fails while
  // anyone holds a record or the append lock). One attempt: a conflicting access mode
  // is a reason not to open. `rangeHeld`: the engine holds the whole-file range of
  // this file already (another name of it, code4holdTable); a deny-write handle works
  // under that lock instead of taking its own.
  File::LockResult AcquireAccess(bool denyWrite, bool rangeHeld = false);

  File::LockResult LockRecord(uint32_t n, const LockPolicy& policy);
  bool HoldsRecord(uint32_t n) const;
  File::LockResult LockAppend(const LockPolicy& policy);
  void UnlockAppend();
  File::LockResult LockFile(const LockPolicy& policy);
  // Releases every record lock, the append lock and the file lock (not the access lock,
  // nor the file lock of a deny-write handle).
  void UnlockAll();
  bool HoldsAny() const { return fileLocked_ || appendLocked_ || !records_.empty(); }

 private:
  File* file_;
  std::set<uint32_t> records_;
  bool appendLocked_ = false;
  bool fileLocked_ = false;
  bool fileHeld_ = false;  // the file lock stays until close (deny-write)
};

}  // namespace xb
