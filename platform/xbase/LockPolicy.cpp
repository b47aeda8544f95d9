#include "platform/xbase/LockPolicy.h"

#include <chrono>
#include <thread>

namespace xb {

File::LockResult LockWithRetry(File& file, uint64_t start, uint64_t len, bool exclusive,
                               const LockPolicy& policy, const std::function<uint32_t()>& progress) {
  const int attempts = policy.attempts < 1 ? 1 : policy.attempts;
  const int delay = policy.delayMs < 0 ? 0 : policy.delayMs;
  int rounds = attempts;
  uint32_t seen = 0;
  for (int i = 0;; ++i) {
    const File::LockResult r = file.Lock(start, len, exclusive);
    if (r != File::LockResult::kBusy) return r;
    if (i == 0 && progress) seen = progress();
    if (i + 1 >= attempts) {
      if (!progress || rounds-- == 0) return r;
      const uint32_t now = progress();
      if (now == seen) return r;
      seen = now;
      i = 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
}

}  // namespace xb
