#include "platform/xbase/CdxLock.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/xbase/Bytes.h"

namespace xb::cdx {

namespace {

using Clock = std::chrono::steady_clock;

// Waits between tries of one lock until the deadline. A lock that changes hands all
// along is not held by one user: while the index's change counter (bytes 8..11) moves,
// the wait starts again, up to the policy's attempts times.
class Patience {
 public:
  Patience(const LockPolicy& policy, const File* file)
      : file_(file),
        longest_(std::chrono::milliseconds(std::max(policy.delayMs, 0))),
        span_(longest_ * std::max(policy.attempts, 1)),
        deadline_(Clock::now() + span_),
        restarts_(std::max(policy.attempts, 1)) {}
  // False when the time is up; otherwise pauses and answers true.
  bool Pause() {
    if (!waited_) {
      waited_ = true;
      counter_ = Counter();
    }
    const Clock::time_point now = Clock::now();
    if (now >= deadline_ && !Restart(now)) return false;
    std::this_thread::sleep_for(std::min(pause_, longest_));
    pause_ = std::min<std::chrono::microseconds>(pause_ * 2, std::chrono::milliseconds(5));
    return true;
  }

 private:
  uint32_t Counter() const {
    uint8_t b[4];
    return file_->ReadAt(8, b, sizeof b) ? GetBE32(b) : counter_;
  }
  bool Restart(Clock::time_point now) {
    if (restarts_ == 0) return false;
    const uint32_t counter = Counter();
    if (counter == counter_) return false;
    counter_ = counter;
    --restarts_;
    deadline_ = now + span_;
    return true;
  }

  const File* file_;
  std::chrono::microseconds longest_;
  std::chrono::microseconds span_;
  Clock::time_point deadline_;
  int restarts_;
  bool waited_ = false;
  uint32_t counter_ = 0;
  std::chrono::microseconds pause_{20};
};

Status Busy(const File* file) { return Status(Code::kLocked, file->path() + " is locked by another user"); }
Status Refused(const File* file) { return Status(Code::kIo, "cannot lock " + file->path()); }

// Tries one byte until it is had or the patience runs out.
File::LockResult Take(File* file, uint64_t byte, bool exclusive, Patience& patience) {
  for (;;) {
    const File::LockResult r = file->Lock(byte, 1, exclusive);
    if (r != File::LockResult::kBusy || !patience.Pause()) return r;
  }
}

Status Result(File* file, File::LockResult r) {
  if (r == File::LockResult::kOk) return Status::Ok();
  return r == File::LockResult::kBusy ? Busy(file) : Refused(file);
}

}  // namespace

Status LockIndexFile(File* file, bool exclusive, const LockPolicy& policy, uint32_t* sharedTaken) {
  Patience patience(policy, file);
  if (exclusive) {
    const File::LockResult first = file->Lock(kIndexLockByte, 1, true);
    if (first != File::LockResult::kBusy) return Result(file, first);
    // The intent keeps new readers away while the lock byte is awaited.
    const File::LockResult intent = Take(file, kIndexIntentByte, true, patience);
    if (intent != File::LockResult::kOk) return Result(file, intent);
    const File::LockResult r = Take(file, kIndexLockByte, true, patience);
    file->Unlock(kIndexIntentByte, 1);
    return Result(file, r);
  }
  bool probe = (*sharedTaken)++ % kProbeEvery == 0;
  for (;;) {
    if (probe) {
      const File::LockResult intent = file->Probe(kIndexIntentByte, 1, false);
      if (intent == File::LockResult::kError) return Refused(file);
      if (intent == File::LockResult::kBusy) {
        if (!patience.Pause()) return Busy(file);
        continue;
      }
    }
    const File::LockResult r = file->Lock(kIndexLockByte, 1, false);
    if (r != File::LockResult::kBusy) return Result(file, r);
    if (!patience.Pause()) return Busy(file);
    probe = true;
  }
}

void UnlockIndexFile(File* file) { file->Unlock(kIndexLockByte, 1); }

}  // namespace xb::cdx
