#include "platform/runtime/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace rt {

size_t ParallelThreads() {
  static const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 16);
  return threads;
}

void ParallelRanges(size_t n, size_t minRange, const std::function<void(size_t begin, size_t end)>& work) {
  minRange = std::max<size_t>(minRange, 1);
  const size_t ranges = std::min(ParallelThreads(), n / minRange);
  if (ranges < 2) {
    if (n > 0) work(0, n);
    return;
  }
  std::exception_ptr failure;
  std::mutex failureLock;
  // Ranges are claimed in turn, so that a thread that starts late (the machine is busy)
  // finds its range done by another rather than keeping the caller waiting.
  std::atomic<size_t> next = 0;
  auto run = [&] {
    for (size_t r; (r = next++) < ranges;) {
      try {
        work(n * r / ranges, n * (r + 1) / ranges);
      } catch (...) {
        const std::lock_guard<std::mutex> hold(failureLock);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> helpers;
  helpers.reserve(ranges - 1);
  for (size_t t = 1; t < ranges; ++t) {
    try {
      helpers.emplace_back(run);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: those running share the ranges
    }
  }
  run();
  for (std::thread& t : helpers) t.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace rt
