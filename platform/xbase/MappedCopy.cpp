#include "platform/xbase/MappedCopy.h"

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
uintptr_t gPageSize = 4096;
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
  gPageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  struct sigaction sa {};
  sa.sa_sigaction = OnBusError;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  return ::sigaction(SIGBUS, &sa, &gPrevious) == 0;
}

}  // namespace

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

MappedRead CopyInsideFile(void* dst, const char* map, uint64_t mapLen, uint64_t off, size_t n, uint64_t size) {
  static const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
  const uint64_t last = std::min(size, mapLen);
  const uint64_t lastPage = last == 0 ? 0 : (last - 1) / page * page;
  if (off + n > lastPage) return MappedRead::kUseRead;
  char probe;
  if (!CopyFromMapping(dst, map + off, n) || !CopyFromMapping(&probe, map + lastPage, 1)) return MappedRead::kShortened;
  return MappedRead::kCopied;
}

}  // namespace xb
