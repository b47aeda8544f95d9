#pragma once
// ParallelRanges: splits [0, n) into consecutive ranges of at least `minRange` items, at
// most one per core, and runs work(begin, end) on each: the calling thread and, for each
// further range, one of a pool of waiting threads take them in turn; returns once every
// range is done (not waiting for a thread that has not come: it finds nothing to do). Ranges never overlap, so
// work may write its own range of shared arrays without locks; what else it touches it
// must only read. An exception thrown by work is rethrown here once all have finished
// (the first one, when several threw). Below two ranges' worth, in a forked child, or
// when the offer to the pool cannot be queued, it runs in the caller.

#include <cstddef>
#include <functional>
#include <string_view>

namespace rt {

void ParallelRanges(size_t n, size_t minRange, const std::function<void(size_t begin, size_t end)>& work);

// The threads ParallelRanges uses at most, the caller's included: the CPUs the process
// may use (UsableCpus), at most 16.
size_t ParallelThreads();

// The CPUs the process may run on now (its affinity) and may keep busy (its cgroup's
// CPU quota, when there is one); at least 1.
size_t UsableCpus();

// The CPUs a cgroup "cpu.max" line ("<quota> <period>", or "max <period>") allows, a
// part of one counting whole; 0 when it sets no quota or cannot be read.
size_t CpusOfQuota(std::string_view cpuMax);

}  // namespace rt
