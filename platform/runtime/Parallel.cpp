#include "platform/runtime/Parallel.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <exception>
#include <fstream>
#include <memory>
#include <mutex>
#include <new>
#include <string>
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
// static objects. A call's offer may be taken late, or never (the threads are busy): its
// caller runs what no thread took. A forked child has none of the threads, and the
// pool's lock may have been held by one of them at the fork: it offers nothing there.
class Pool {
 public:
  static Pool& Get() {
    static Pool* const pool = new Pool(ParallelThreads() - 1);
    return *pool;
  }
  // Offers `ranges` to `threads` of the pool's threads: one entry, queued whole or (the
  // queue's room cannot grow) not at all; false in a forked child.
  bool Offer(const std::shared_ptr<Ranges>& ranges, size_t threads) {
    if (getpid() != creator_) return false;
    {
      const std::lock_guard<std::mutex> hold(lock_);
      offers_.push_back({ranges, threads});
    }
    wake_.notify_all();
    return true;
  }

 private:
  struct Offered {
    std::shared_ptr<Ranges> ranges;
    size_t takers;  // threads still to take it
  };

  explicit Pool(size_t threads) : creator_(getpid()) {
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
        Offered& front = offers_.front();
        ranges = front.ranges;
        if (--front.takers == 0) offers_.pop_front();
      }
      ranges->Run();
    }
  }

  const pid_t creator_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Offered> offers_;
};

// The CPUs the cgroup's quota (cgroup v2 cpu.max of the process's group and those above
// it) lets the process use; 0: no quota.
size_t CgroupCpus() {
  std::ifstream groups("/proc/self/cgroup");
  std::string line, path;
  while (std::getline(groups, line)) {
    if (line.rfind("0::", 0) == 0) path = line.substr(3);
  }
  if (path.empty()) return 0;
  size_t least = 0;
  for (;;) {
    std::ifstream max("/sys/fs/cgroup" + path + "/cpu.max");
    if (std::getline(max, line)) {
      const size_t cpus = CpusOfQuota(line);
      if (cpus > 0 && (least == 0 || cpus < least)) least = cpus;
    }
    if (path.empty() || path == "/") break;
    path.resize(path.rfind('/'));
  }
  return least;
}

}  // namespace

size_t CpusOfQuota(std::string_view cpuMax) {
  const size_t space = cpuMax.find(' ');
  if (space == std::string_view::npos) return 0;
  uint64_t quota = 0, period = 0;
  const std::string_view q = cpuMax.substr(0, space), p = cpuMax.substr(space + 1);
  if (std::from_chars(q.data(), q.data() + q.size(), quota).ec != std::errc{} || quota == 0) return 0;
  const auto read = std::from_chars(p.data(), p.data() + p.size(), period);
  if (read.ec != std::errc{} || period == 0) return 0;
  return static_cast<size_t>(std::max<uint64_t>(1, (quota + period - 1) / period));
}

size_t UsableCpus() {
  size_t cpus = std::thread::hardware_concurrency();
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) cpus = static_cast<size_t>(CPU_COUNT(&set));
  if (const size_t quota = CgroupCpus(); quota > 0) cpus = std::min(cpus, quota);
  return std::max<size_t>(cpus, 1);
}

size_t ParallelThreads() {
  static const size_t threads = std::clamp<size_t>(UsableCpus(), 1, 16);
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
  bool offered = false;
  try {
    offered = Pool::Get().Offer(ranges, count - 1);
  } catch (const std::bad_alloc&) {
    // Nothing was queued: this thread runs every range.
  }
  if (!offered) {
    work(0, n);
    return;
  }
  ranges->Run();
  std::unique_lock<std::mutex> hold(ranges->lock);
  ranges->finished.wait(hold, [&] { return ranges->done == count; });
  if (ranges->failure) std::rethrow_exception(ranges->failure);
}

}  // namespace rt
