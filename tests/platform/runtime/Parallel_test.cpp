#include "platform/runtime/Parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

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

}  // namespace
