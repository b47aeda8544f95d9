#include "platform/xbase/LockManager.h"

#include "platform/xbase/Bytes.h"

namespace xb {

LockManager::~LockManager() { UnlockAll(); }

File::LockResult LockManager::AcquireAccess(bool denyWrite, bool rangeHeld) {
  File::LockResult r = file_->Lock(kAccessLock, 1, denyWrite);
  if (r != File::LockResult::kOk || !denyWrite) return r;
  if (!rangeHeld) r = file_->Lock(kFileLockStart, kFileLockLen, true);
  if (r != File::LockResult::kOk) {
    file_->Unlock(kAccessLock, 1);
    return r;
  }
  fileLocked_ = fileHeld_ = true;
  return r;
}

File::LockResult LockManager::LockRecord(uint32_t n, const LockPolicy& policy) {
  if (n == 0 || n > kMaxLockableRecord) return File::LockResult::kError;
  if (HoldsRecord(n)) return File::LockResult::kOk;
  const File::LockResult r = LockWithRetry(*file_, RecordLockOffset(n), 1, true, policy);
  // Appended records come in rising order: the hint places them without a search.
  if (r == File::LockResult::kOk) records_.emplace_hint(records_.end(), n);
  return r;
}

bool LockManager::HoldsRecord(uint32_t n) const {
  if (fileLocked_) return true;
  if (records_.empty() || n > *records_.rbegin()) return false;
  return n == *records_.rbegin() || records_.count(n) != 0;
}

File::LockResult LockManager::LockAppend(const LockPolicy& policy) {
  if (appendLocked_ || fileLocked_) return File::LockResult::kOk;
  // Each append another user completes moves the record count.
  const auto count = [this] {
    uint8_t b[4];
    return file_->ReadAt(4, b, sizeof b) ? GetLE32(b) : 0u;
  };
  const File::LockResult r = LockWithRetry(*file_, kAppendLock, 1, true, policy, count);
  if (r == File::LockResult::kOk) appendLocked_ = true;
  return r;
}

void LockManager::UnlockAppend() {
  if (!appendLocked_) return;
  if (!fileLocked_) file_->Unlock(kAppendLock, 1);
  appendLocked_ = false;
}

File::LockResult LockManager::LockFile(const LockPolicy& policy) {
  if (fileLocked_) return File::LockResult::kOk;
  // Converts any record or append lock of this handle inside the range as well.
  const File::LockResult r = LockWithRetry(*file_, kFileLockStart, kFileLockLen, true, policy);
  if (r == File::LockResult::kOk) fileLocked_ = true;
  return r;
}

void LockManager::UnlockAll() {
  // A deny-write handle keeps its file lock; its record and append locks lie inside it.
  if (fileLocked_ && !fileHeld_) {
    file_->Unlock(kFileLockStart, kFileLockLen);
  } else if (!fileLocked_) {
    for (uint32_t n : records_) file_->Unlock(RecordLockOffset(n), 1);
    if (appendLocked_) file_->Unlock(kAppendLock, 1);
  }
  records_.clear();
  appendLocked_ = false;
  fileLocked_ = fileHeld_;
}

}  // namespace xb
