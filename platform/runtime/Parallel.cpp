#include "platform/runtime/Parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace rt {
namespace {

// The ranges of one call, shared with the threads offered them. Ranges are claimed in
// turn, so that a thread that comes late (the machine is busy) finds its range done by
// another, and the caller waits only for ranges begun, never for a thread to come: a
// late thread finds nothing left and goes without touching the caller's work.
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

// Threads kept waiting for ranges, started at the first call: a call wakes them instead
// of starting threads of its own. Never destroyed, as its threads outlive the program's
// static objects. A call's offer may be taken late, or never (the threads are busy, or
// the process was forked): its caller runs what no thread took.
class Pool {
 public:
  static Pool& Get() {
    static Pool* const pool = new Pool(ParallelThreads() - 1);
    return *pool;
  }
  // Offers `ranges` to `threads` of the pool's threads.
  void Offer(const std::shared_ptr<Ranges>& ranges, size_t threads) {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      for (size_t t = 0; t < threads; ++t) offers_.push_back(ranges);
    }
    wake_.notify_all();
  }

 private:
  explicit Pool(size_t threads) {
    for (size_t t = 0; t < threads; ++t) {
      try {
        std::thread([this] { Serve(); }).detach();
      } catch (const std::system_error&) {
        break;  // fewer threads: callers do more themselves
      }
    }
  }
  void Serve() {
    for (;;) {
      std::shared_ptr<Ranges> ranges;
      {
        std::unique_lock<std::mutex> hold(lock_);
        wake_.wait(hold, [this] { return !offers_.empty(); });
        ranges = std::move(offers_.front());
        offers_.pop_front();
      }
      ranges->Run();
    }
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<Ranges>> offers_;
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
  Pool::Get().Offer(ranges, count - 1);
  ranges->Run();
  std::unique_lock<std::mutex> hold(ranges->lock);
  ranges->finished.wait(hold, [&] { return ranges->done == count; });
  if (ranges->failure) std::rethrow_exception(ranges->failure);
}

}  // namespace rt
