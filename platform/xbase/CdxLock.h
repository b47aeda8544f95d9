#pragma once
// The lock of an index file. Byte 0x7FFFFFFE of the .cdx is held shared to read and
// exclusively to change. A writer that finds the lock byte busy takes the intent byte
// 0x7FFFFFFF exclusively and keeps it while it waits for the lock byte; readers look
// at the intent byte before every kProbeEvery-th shared lock (and after a busy try)
// and step aside while
// it is held, so a writer gets through under any read load. A busy lock is tried
// again after pauses growing from 20 µs up to 5 ms (never more than the policy's
// delay) until the policy's attempts x delay have passed; a policy of no delay makes
// one attempt. When the index has changed meanwhile (its change counter moved), the
// lock is changing hands rather than held, and the wait starts again, up to the
// policy's attempts times.

#include <cstdint>

#include "platform/xbase/File.h"
#include "platform/xbase/LockPolicy.h"
#include "platform/xbase/Status.h"

namespace xb::cdx {

inline constexpr uint64_t kIndexLockByte = 0x7FFFFFFE;
inline constexpr uint64_t kIndexIntentByte = 0x7FFFFFFF;
inline constexpr uint32_t kProbeEvery = 32;

// Takes the index lock of file; *sharedTaken counts this handle's shared locks (for
// the intent probe). kLocked when it could not be had within the policy's time.
Status LockIndexFile(File* file, bool exclusive, const LockPolicy& policy, uint32_t* sharedTaken);
void UnlockIndexFile(File* file);

}  // namespace xb::cdx
