#pragma once
// Copying out of a shared file mapping that another program may shorten (a table packed,
// a backup copied over an open file). Touching a mapped page beyond the file's end raises
// SIGBUS; while CopyFromMapping copies, such a fault inside its source is answered by
// putting a zero page in place of the one faulted, and the copy reports it, so the caller
// gives an error instead of the process dying. Other SIGBUS faults go to the handler
// installed before. Thread-safe; no system call in the usual case.

#include <cstddef>
#include <cstdint>

namespace xb {

// Reads by pread before a file is mapped: a handle opened for one seek never maps.
inline constexpr uint32_t kReadsBeforeMapping = 16;
// Room mapped beyond a file's end, so that growth seldom needs a new mapping.
inline constexpr uint64_t kMapSlack = 16u << 20;

// False when the file no longer backed every source byte: dst holds zeros for those,
// and the mapping now holds zero pages, so the caller must unmap it (it may map the
// file again).
bool CopyFromMapping(void* dst, const void* src, size_t n);

// Copies [off, off + n) out of `map` (mapLen bytes), a mapping of a file known to hold
// `size` bytes (off + n <= both). A file shortened within a page reads as zeros up to
// that page's end instead of faulting, so bytes in the last page known to be in the file
// (and mapped) are not copied (kUseRead: read them by pread), and after the copy a byte
// of that page is touched: when it faults, the file no longer reaches the copy's end
// either (kShortened, with the mapping to be dropped as for CopyFromMapping).
enum class MappedRead { kCopied, kUseRead, kShortened };
MappedRead CopyInsideFile(void* dst, const char* map, uint64_t mapLen, uint64_t off, size_t n, uint64_t size);

}  // namespace xb
