#include "platform/controls/GridMemory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "platform/runtime/Parallel.h"

namespace ctl::grid {
namespace {
constexpr size_t kLarge = size_t{2} << 20;
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kPage = 4096;

std::atomic<size_t> g_mapped{0};
std::atomic<size_t> g_parallelRowsMin{kParallelRowsMin};

size_t Rounded(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }
}  // namespace

// Large blocks are mapped and unmapped directly: freed, they go back to the system at
// once. From the heap they would raise its mapping threshold, later blocks would come
// from the heap's own pages, and a reloaded or closed grid would keep their memory.
void* AllocateLarge(size_t bytes) {
  if (bytes < kLarge) return ::operator new(bytes);
  const size_t size = Rounded(bytes);
  // 2 MiB more, so that the block can start on a 2 MiB boundary.
  void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  ++g_mapped;
  const auto first = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t start = (first + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
  if (start > first) munmap(raw, start - first);
  const uintptr_t end = first + size + kHugePage;
  if (end > start + size) munmap(reinterpret_cast<void*>(start + size), end - (start + size));
  // The pages the block holds, made at once: faulted in one by one they cost many times
  // more (on a virtual machine above all). Where the system cannot, they come as touched.
  madvise(reinterpret_cast<void*>(start), (bytes + kPage - 1) / kPage * kPage, MADV_POPULATE_WRITE);
  return reinterpret_cast<void*>(start);
}

size_t LargeBlocksMapped() { return g_mapped; }

void FreeLarge(void* block, size_t bytes) {
  if (bytes < kLarge)
    ::operator delete(block);
  else
    munmap(block, Rounded(bytes));
}

void SpareBlocks::Keep(BigVector<uint64_t>& block) {
  if (block.capacity() * sizeof(uint64_t) < kLarge) return;
  block.clear();
  blocks_.push_back(std::move(block));
  block = {};
}

bool SpareBlocks::Take(size_t n, BigVector<uint64_t>& block) {
  auto best = blocks_.end();
  for (auto it = blocks_.begin(); it != blocks_.end(); ++it)
    if (it->capacity() >= n && it->capacity() / 4 <= n && (best == blocks_.end() || it->capacity() < best->capacity()))
      best = it;
  if (best == blocks_.end()) return false;
  block.swap(*best);
  blocks_.erase(best);
  return true;
}

ScopedParallelRowsMin::ScopedParallelRowsMin(size_t rows) : previous_(g_parallelRowsMin.exchange(rows)) {}

ScopedParallelRowsMin::~ScopedParallelRowsMin() { g_parallelRowsMin = previous_; }

void ForRowRanges(size_t n, const std::function<void(size_t begin, size_t end)>& work) {
  if (n == 0) return;
  const std::vector<size_t> bounds = RowRangeBounds(n);
  ForEachRowRange(bounds, [&](size_t r) { work(bounds[r], bounds[r + 1]); });
}

std::vector<size_t> RowRangeBounds(size_t n) {
  const size_t ranges = std::clamp<size_t>(n / g_parallelRowsMin, 1, rt::ParallelThreads());
  std::vector<size_t> bounds(ranges + 1);
  for (size_t r = 0; r <= ranges; ++r) bounds[r] = n * r / ranges;
  return bounds;
}

void ForEachRowRange(const std::vector<size_t>& bounds, const std::function<void(size_t range)>& work) {
  rt::ParallelRanges(bounds.size() - 1, 1, [&](size_t begin, size_t end) {
    for (size_t r = begin; r < end; ++r) work(r);
  });
}

ReturnFreedHeap::ReturnFreedHeap() { mallopt(M_MMAP_THRESHOLD, 128 * 1024); }

ReturnFreedHeap::~ReturnFreedHeap() { malloc_trim(0); }

}  // namespace ctl::grid
