#include "platform/runtime/Parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace rt {
namespace {

// The ranges of one call, shared with its threads. Ranges are claimed in turn, so that
// a thread that starts late (the machine is busy) finds its range done by another, and
// the caller waits only for ranges begun, never for a thread to start: a late thread
// finds nothing left and ends without touching the caller's work.
struct Ranges {
  std::atomic<size_t> next = 0;
  size_t n = 0, count = 0;
  const std::function<void(size_t, size_t)>* work = nullptr;  // valid until every range is done
  std::mutex lock;
  std::condition_variable finished;
  size_t done = 0;
  std::exception_ptr failure;  // the first

  void Run() {
    for (size_t r; (r = next++) < count;) {
      std::exception_ptr thrown;
      try {
        (*work)(n * r / count, n * (r + 1) / count);
      } catch (...) {
        thrown = std::current_exception();
      }
      const std::lock_guard<std::mutex> hold(lock);
      if (thrown && !failure) failure = thrown;
      if (++done == count) finished.notify_all();
    }
  }
};

}  // namespace

size_t ParallelThreads() {
  static const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 16);
  return threads;
}

void ParallelRanges(size_t n, size_t minRange, const std::function<void(size_t begin, size_t end)>& work) {
  minRange = std::max<size_t>(minRange, 1);
  const size_t count = std::min(ParallelThreads(), n / minRange);
  if (count < 2) {
    if (n > 0) work(0, n);
    return;
  }
  auto ranges = std::make_shared<Ranges>();
  ranges->n = n;
  ranges->count = count;
  ranges->work = &work;
  for (size_t t = 1; t < count; ++t) {
    try {
      std::thread([ranges] { ranges->Run(); }).detach();
    } catch (const std::system_error&) {
      break;  // no more threads to be had: those running share the ranges
    }
  }
  ranges->Run();
  std::unique_lock<std::mutex> hold(ranges->lock);
  ranges->finished.wait(hold, [&] { return ranges->done == count; });
  if (ranges->failure) std::rethrow_exception(ranges->failure);
}

}  // namespace rt
