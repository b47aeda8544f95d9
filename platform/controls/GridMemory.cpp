#include "platform/controls/GridMemory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace ctl::grid {
namespace {
constexpr size_t kLarge = size_t{4} << 20;
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

void* AllocateLarge(size_t bytes) {
  if (bytes < kLarge) return ::operator new(bytes);
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, rounded);
  if (!block) throw std::bad_alloc();
  madvise(block, rounded, MADV_HUGEPAGE);
  return block;
}

void FreeLarge(void* block, size_t bytes) {
  if (bytes < kLarge)
    ::operator delete(block);
  else
    std::free(block);
}

}  // namespace ctl::grid
