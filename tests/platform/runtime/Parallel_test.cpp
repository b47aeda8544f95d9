#include "platform/runtime/Parallel.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/database/ProcessTestSupport.h"

// This program's allocations, through malloc, with a hook a test arms on its own thread:
// run at its n-th allocation from now (an allocation inside the pool's offer).
namespace {
thread_local int allocationsToHook = 0;
thread_local void (*allocationHook)() = nullptr;

void* Allocate(std::size_t size) {
  if (allocationsToHook > 0 && --allocationsToHook == 0) {
    void (*hook)() = allocationHook;
    allocationHook = nullptr;
    if (hook) hook();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// Arms the hook for the second allocation from now: the first is the call's own state,
// the second one only an offer whose queue needs room makes.
// Null disarms it.
void HookTheOffer(void (*hook)()) {
  allocationHook = hook;
  allocationsToHook = hook ? 2 : 0;
}
bool HookRan() { return allocationHook == nullptr; }

// Waits until every pool thread has passed every offer queued before: one range per
// thread, each waiting for all to have begun (bounded: fewer threads only end it late).
void DrainPool() {
  const size_t threads = rt::ParallelThreads();
  std::atomic<size_t> begun = 0;
  rt::ParallelRanges(threads, 1, [&](size_t, size_t) {
    ++begun;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (begun < threads && std::chrono::steady_clock::now() < until) std::this_thread::yield();
  });
}

TEST(ParallelRangesTest, EveryItemIsWorkedOnceInRangesOfAtLeastTheMinimum) {
  struct Case { size_t n, minRange; };
  for (const Case c : {Case{0, 1}, Case{1, 1}, Case{5, 10}, Case{19, 10}, Case{20, 10}, Case{1000, 1},
                       Case{100003, 4096}, Case{7, 0}}) {
    SCOPED_TRACE(testing::Message() << c.n << " items, ranges of " << c.minRange);
    std::vector<std::atomic<int>> seen(c.n);
    std::atomic<size_t> ranges = 0, shortest = c.n;
    rt::ParallelRanges(c.n, c.minRange, [&](size_t begin, size_t end) {
      ASSERT_LT(begin, end);
      for (size_t i = begin; i < end; ++i) ++seen[i];
      ++ranges;
      for (size_t s = shortest; end - begin < s && !shortest.compare_exchange_weak(s, end - begin);) {}
    });
    for (size_t i = 0; i < c.n; ++i) ASSERT_EQ(seen[i], 1) << "item " << i;
    EXPECT_LE(ranges, rt::ParallelThreads());
    if (ranges > 1) { EXPECT_GE(shortest, c.minRange); }
  }
}

TEST(ParallelRangesTest, AFailureReachesTheCallerOnceEveryRangeIsDone) {
  std::atomic<size_t> done = 0;
  EXPECT_THROW(rt::ParallelRanges(1 << 16, 1, [&](size_t begin, size_t end) {
                 done += end - begin;
                 if (begin == 0) throw std::runtime_error("first range");
               }),
               std::runtime_error);
  EXPECT_EQ(done, size_t{1} << 16);
}

// A work that itself splits its range, and calls made from several threads at once,
// each finish their own items: the waiting threads are shared, never waited for.
TEST(ParallelRangesTest, NestedAndConcurrentCallsEachFinishTheirOwnWork) {
  constexpr size_t kOuter = 64, kInner = 1000;
  auto nested = [&] {
    std::vector<std::atomic<int>> seen(kOuter * kInner);
    rt::ParallelRanges(kOuter, 1, [&](size_t begin, size_t end) {
      for (size_t o = begin; o < end; ++o)
        rt::ParallelRanges(kInner, 10, [&](size_t b, size_t e) {
          for (size_t i = b; i < e; ++i) ++seen[o * kInner + i];
        });
    });
    return std::all_of(seen.begin(), seen.end(), [](const std::atomic<int>& s) { return s == 1; });
  };
  std::vector<std::thread> callers;
  std::atomic<int> whole = 0;
  for (int t = 0; t < 3; ++t) callers.emplace_back([&] { for (int round = 0; round < 5; ++round) whole += nested(); });
  for (std::thread& t : callers) t.join();
  EXPECT_EQ(whole, 15);
}

// An offer whose queue cannot grow: the caller does all the work itself, and nothing of
// a call runs after it returned.
TEST(ParallelRangesTest, AnOfferThatCannotBeQueuedLeavesNothingBehind) {
  if (rt::ParallelThreads() < 2) GTEST_SKIP() << "one CPU: no pool";
  struct Call {
    std::vector<std::atomic<int>> seen = std::vector<std::atomic<int>>(1000);
    std::atomic<bool> returned = false;
    std::atomic<int> late = 0;
  };
  DrainPool();
  std::vector<std::unique_ptr<Call>> calls;
  bool hooked = false;
  for (int i = 0; i < 200 && !hooked; ++i) {
    Call& call = *calls.emplace_back(std::make_unique<Call>());
    const std::function<void(size_t, size_t)> work = [&call](size_t begin, size_t end) {
      if (call.returned) ++call.late;
      for (size_t j = begin; j < end; ++j) ++call.seen[j];
    };
    HookTheOffer([] { throw std::bad_alloc(); });
    EXPECT_NO_THROW(rt::ParallelRanges(call.seen.size(), 1, work)) << "call " << i;
    hooked = HookRan();
    HookTheOffer(nullptr);
    call.returned = true;
    for (size_t j = 0; j < call.seen.size(); ++j) ASSERT_EQ(call.seen[j], 1) << "call " << i << ", item " << j;
  }
  ASSERT_TRUE(hooked) << "no offer needed room";
  DrainPool();
  for (const auto& call : calls) EXPECT_EQ(call->late, 0);
}

// A child forked while the pool's lock is held (here by the caller queueing its offer)
// runs its calls itself instead of waiting for that lock for ever.
TEST(ParallelRangesTest, AChildForkedWhileThePoolIsLockedRunsItsCallsItself) {
  if (rt::ParallelThreads() < 2) GTEST_SKIP() << "one CPU: no pool";
  static pid_t child = -1;
  DrainPool();
  bool hooked = false;
  for (int i = 0; i < 200 && !hooked; ++i) {
    HookTheOffer([] {
      child = proctest::Fork([] {
        alarm(60);  // a child left waiting ends
        std::atomic<size_t> done = 0;
        rt::ParallelRanges(1000, 1, [&](size_t begin, size_t end) { done += end - begin; });
        return done == 1000 ? 0 : 1;
      });
    });
    rt::ParallelRanges(1000, 1, [](size_t, size_t) {});
    hooked = HookRan();
    HookTheOffer(nullptr);
  }
  ASSERT_TRUE(hooked) << "no offer needed room";
  EXPECT_EQ(proctest::Wait(child), 0) << "128 + 14: it waited for the lock";
}

// The CPUs of the process's affinity, not of the machine: run again on one CPU.
TEST(ParallelThreadsTest, CountsTheCpusTheProcessMayUse) {
  if (const char* expected = std::getenv("STOVREL_TEST_PARALLEL_THREADS")) {
    EXPECT_EQ(rt::ParallelThreads(), std::stoul(expected));
    std::atomic<size_t> done = 0;
    rt::ParallelRanges(1000, 1, [&](size_t begin, size_t end) { done += end - begin; });
    EXPECT_EQ(done, 1000u);
    return;
  }
  cpu_set_t all, one;
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &all)) {
      CPU_SET(cpu, &one);
      break;
    }
  }
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const pid_t pid = proctest::RunTest("ParallelThreadsTest.CountsTheCpusTheProcessMayUse",
                                      "STOVREL_TEST_PARALLEL_THREADS=1");
  ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
  EXPECT_EQ(proctest::Wait(pid), 0);
  EXPECT_LE(rt::UsableCpus(), static_cast<size_t>(CPU_COUNT(&all)));
}

TEST(ParallelThreadsTest, CpusOfACgroupQuota) {
  struct Case {
    const char* line;
    size_t cpus;
  };
  for (const Case& c : {Case{"max 100000", 0}, Case{"200000 100000", 2}, Case{"150000 100000", 2},
                        Case{"50000 100000", 1}, Case{"100000 0", 0}, Case{"", 0}, Case{"x 100000", 0}}) {
    EXPECT_EQ(rt::CpusOfQuota(c.line), c.cpus) << c.line;
  }
}

}  // namespace
