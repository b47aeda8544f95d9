#include "platform/xbase/MappedRegion.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstring>

namespace xb {

namespace {

// The source of the copy this thread is making, and the faults met inside it.
thread_local const char* volatile tFrom = nullptr;
thread_local const char* volatile tTo = nullptr;
thread_local volatile unsigned tFaults = 0;
const uintptr_t gPageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
struct sigaction gPrevious {};

void OnBusError(int sig, siginfo_t* info, void* context) {
  const char* at = static_cast<const char*>(info->si_addr);
  if (at >= tFrom && at < tTo) {
    const uintptr_t page = reinterpret_cast<uintptr_t>(at) & ~(gPageSize - 1);
    if (::mmap(reinterpret_cast<void*>(page), gPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      tFaults = tFaults + 1;
      return;  // the copy goes on, reading zeros
    }
  }
  // Not a copy of ours: what was installed before decides.
  if (gPrevious.sa_flags & SA_SIGINFO) {
    if (gPrevious.sa_sigaction) gPrevious.sa_sigaction(sig, info, context);
    return;
  }
  if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
    gPrevious.sa_handler(sig);
    return;
  }
  // The default action: returning re-runs the faulting access, which now ends the process.
  std::signal(SIGBUS, SIG_DFL);
}

bool InstallHandler() {
  struct sigaction sa {};
  sa.sa_sigaction = OnBusError;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  return ::sigaction(SIGBUS, &sa, &gPrevious) == 0;
}

// False when the file no longer backed every source byte: dst holds zeros for those,
// and the mapping holds zero pages now.
bool CopyFromMapping(void* dst, const void* src, size_t n) {
  static const bool installed = InstallHandler();
  (void)installed;
  const unsigned faults = tFaults;
  tFrom = static_cast<const char*>(src);
  tTo = static_cast<const char*>(src) + n;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(dst, src, n);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  tFrom = nullptr;
  tTo = nullptr;
  return tFaults == faults;
}

}  // namespace

bool MappedRegion::Due() {
  if (failed_) return false;
  if (reads_ > kReadsBeforeMapping) return true;
  return ++reads_ > kReadsBeforeMapping;
}

bool MappedRegion::Map(uint64_t size) {
  Drop();
  const uint64_t len = size + kSlack;
  void* p = ::mmap(nullptr, len, PROT_READ, MAP_SHARED, fd_, 0);
  if (p == MAP_FAILED) {
    failed_ = true;
    return false;
  }
  map_ = static_cast<const char*>(p);
  len_ = len;
  return true;
}

void MappedRegion::Drop() {
  if (map_) ::munmap(const_cast<char*>(map_), len_);
  map_ = nullptr;
  len_ = 0;
}

MappedRegion::Read MappedRegion::Copy(uint64_t off, void* buf, size_t n, uint64_t size) {
  const uint64_t page = gPageSize;
  const uint64_t last = std::min(size, len_);
  const uint64_t lastPage = last == 0 ? 0 : (last - 1) / page * page;
  if (off + n > lastPage) return Read::kUseRead;
  char probe;
  if (!CopyFromMapping(buf, map_ + off, n) || !CopyFromMapping(&probe, map_ + lastPage, 1)) {
    Drop();
    return Read::kShortened;
  }
  ReleaseBehind(off, off + n);
  return Read::kCopied;
}

bool MappedRegion::Peek(uint64_t off, void* buf, size_t n) {
  if (CopyFromMapping(buf, map_ + off, n)) return true;
  Drop();
  return false;
}

void MappedRegion::ReleaseBehind(uint64_t off, uint64_t end) {
  const bool inOrder = off == lastEnd_ && off >= keptFrom_;
  lastEnd_ = end;
  if (!inOrder) {
    keptFrom_ = off;
    return;
  }
  if (off - keptFrom_ < 2 * kKeptBehind) return;
  const uint64_t page = gPageSize;
  const uint64_t begin = (keptFrom_ + page - 1) / page * page;
  const uint64_t stop = (off - kKeptBehind) / page * page;
  if (stop > begin) ::madvise(const_cast<char*>(map_) + begin, stop - begin, MADV_DONTNEED);
  keptFrom_ = stop;
}

}  // namespace xb
