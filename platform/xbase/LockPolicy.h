#pragma once
// How hard the engine tries for a lock another handle holds: a bounded number of
// attempts with a pause between them. The pause is in milliseconds, so the program's
// settings (10 attempts, 100) wait about one second in all before giving up.

#include <cstdint>
#include <functional>

#include "platform/xbase/File.h"

namespace xb {

struct LockPolicy {
  int attempts = 10;  // values below 1 count as 1: every retry loop is bounded
  int delayMs = 100;  // pause between attempts; values below 0 count as 0
};

// Tries the lock up to policy.attempts times. kBusy when another handle still holds a
// conflicting lock after the last attempt. progress, when given, reads a value that
// moves whenever a holder of the lock got its work done (the append lock: the record
// count): a lock that changed hands meanwhile is not held by one user, so it is tried
// for another round of attempts, up to policy.attempts rounds.
File::LockResult LockWithRetry(File& file, uint64_t start, uint64_t len, bool exclusive,
                               const LockPolicy& policy, const std::function<uint32_t()>& progress = nullptr);

}  // namespace xb
