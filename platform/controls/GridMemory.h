#pragma once
// HugeAllocator: the allocator of the grid's large arrays (cells, text pools, sort
// keys). Blocks of 2 MiB and more are mapped on their own, so that they go back to the
// system when freed, and aligned to 2 MiB, where a system that gives huge pages unasked
// can place them, with their pages made when mapped; smaller blocks come from operator
// new. Huge pages are not asked for:
// the system clears one from memory it has seldom touched (on a virtual machine,
// memory the host must first supply), which costs a fill more than the faults of the
// ordinary pages it has just freed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <utility>
#include <vector>

namespace ctl::grid {

void* AllocateLarge(size_t bytes);
void FreeLarge(void* block, size_t bytes);
// How many large blocks the process has mapped so far.
size_t LargeBlocksMapped();

template <typename T>
struct HugeAllocator {
  using value_type = T;
  HugeAllocator() = default;
  template <typename U>
  HugeAllocator(const HugeAllocator<U>&) noexcept {}  // NOLINT(google-explicit-constructor)
  T* allocate(size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const HugeAllocator<U>&) const noexcept {
    return true;
  }
};

// Gives the heap's free pages back to the system when it goes: a member declared before
// a grid's data, so that a closed grid returns what its load took from the heap.
struct ReturnFreedHeap {
  // From the first grid on, heap blocks of 128 KiB and more are mapped on their own and
  // go back to the system when freed: left to itself the heap raises that bound once
  // such a block is freed, and keeps the working tables of later passes.
  ReturnFreedHeap();
  ReturnFreedHeap(const ReturnFreedHeap&) = delete;
  ReturnFreedHeap& operator=(const ReturnFreedHeap&) = delete;
  ~ReturnFreedHeap();
};

template <typename T>
using BigVector = std::vector<T, HugeAllocator<T>>;

// The large blocks of cells a grid let go of while it is cut down for a reload, offered
// to its columns as they grow again: a reload reuses the pages of the load before
// instead of mapping fresh ones, which the kernel clears. The owner releases them once
// the reload has had its chance.
class SpareBlocks {
 public:
  // Takes the room of `block` (leaving it empty) when it is large enough to be worth it.
  void Keep(BigVector<uint64_t>& block);
  // Hands `block` the smallest kept room that holds `n` elements without wasting most of
  // it; false when none does.
  bool Take(size_t n, BigVector<uint64_t>& block);
  void Release() { blocks_ = {}; }

 private:
  std::vector<BigVector<uint64_t>> blocks_;
};

// Resizes `v` to `n` elements (new ones `value`); cut to under a quarter of its room, it
// gives the room back, so that a grid emptied before a reload does not hold both loads.
template <typename Vector, typename T>
void ResizeReleasing(Vector& v, size_t n, const T& value) {
  v.resize(n, value);
  if (n < v.capacity() / 4) v.shrink_to_fit();
}

// Passes over a grid's rows are split into consecutive ranges of at least
// kParallelRowsMin rows, at most one per core, worked at once; fewer rows are worked in
// the caller alone.
inline constexpr size_t kParallelRowsMin = 65536;
// Sets the rows a range holds at least for its lifetime: tests reach the split with
// small grids.
class ScopedParallelRowsMin {
 public:
  explicit ScopedParallelRowsMin(size_t rows);
  ~ScopedParallelRowsMin();
  ScopedParallelRowsMin(const ScopedParallelRowsMin&) = delete;
  ScopedParallelRowsMin& operator=(const ScopedParallelRowsMin&) = delete;

 private:
  size_t previous_;
};
// work(begin, end) over [0, n) as above: it may write its own range of shared arrays
// and must only read anything else. What a worker allocates stays with its thread's
// heap: what a work needs beyond its stack is made by the caller (see RowRangeBounds).
void ForRowRanges(size_t n, const std::function<void(size_t begin, size_t end)>& work);
// The same ranges, numbered: range r is [bounds[r], bounds[r + 1]), so that the caller
// can make what each range needs before work(r) runs for each at once.
std::vector<size_t> RowRangeBounds(size_t n);
void ForEachRowRange(const std::vector<size_t>& bounds, const std::function<void(size_t range)>& work);

// Working room of a reordering of rows, handed from one array to the next: each array
// reordered is built in the room of its type, which then holds the old array.
struct PermuteRoom {
  BigVector<uint64_t> wide;
  BigVector<uint32_t> narrow;
};

// Reorders v's elements [first, first + order.size()): new v[first + i] is old
// v[order[i]]. Built over row ranges in `room` (resized to v's size), which leaves with
// the old elements: working room for the next array of the same type.
template <typename Vector, typename Order>
void PermuteInto(Vector& v, size_t first, const Order& order, Vector& room) {
  const auto end = static_cast<ptrdiff_t>(first + order.size());
  room.resize(v.size());
  std::copy(v.begin(), v.begin() + static_cast<ptrdiff_t>(first), room.begin());
  std::copy(v.begin() + end, v.end(), room.begin() + end);
  const auto* from = v.data();
  auto* to = room.data() + first;
  ForRowRanges(order.size(), [&](size_t begin, size_t stop) {
    for (size_t i = begin; i < stop; ++i) to[i] = from[order[i]];
  });
  v.swap(room);
}

// Removes the elements at `positions` (ascending, distinct, in range) in one pass.
template <typename Vector>
void EraseAt(Vector& v, const std::vector<int>& positions) {
  if (positions.empty()) return;
  size_t out = static_cast<size_t>(positions.front());
  size_t next = 0;
  for (size_t in = out; in < v.size(); ++in) {
    if (next < positions.size() && in == static_cast<size_t>(positions[next])) {
      ++next;
      continue;
    }
    v[out++] = std::move(v[in]);
  }
  v.resize(out);
}

}  // namespace ctl::grid
