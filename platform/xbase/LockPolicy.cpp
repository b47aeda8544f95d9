#include "platform/xbase/LockPolicy.h"

#include <chrono>
#include <thread>

namespace xb {

File::LockResult LockWithRetry(File& file, uint64_t start, uint64_t len, bool exclusive,
                               const LockPolicy& policy) {
  const int attempts = policy.attempts < 1 ? 1 : policy.attempts;
  const int delay = policy.delayMs < 0 ? 0 : policy.delayMs;
  for (int i = 0;; ++i) {
    const File::LockResult r = file.Lock(start, len, exclusive);
    if (r != File::LockResult::kBusy || i + 1 >= attempts) return r;
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
}

}  // namespace xb
