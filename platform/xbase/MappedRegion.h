#pragma once
// The one shared read-only mapping of an open file, owned by its File (the OS layer):
// from the file's start to kSlack beyond the size it was mapped at, so that growth
// seldom needs a new mapping, and coherent with every handle's writes (pages past the
// end become readable as the file grows).
//
// Another program may shorten the file (a table packed, a backup copied over it).
// Touching a mapped page wholly beyond the file's end raises SIGBUS; while the region
// copies, such a fault inside its source is answered by putting a zero page in place
// of the one faulted, the copy reports it and the region is dropped, so the caller
// gives an error or reads by pread instead of the process dying. Other SIGBUS faults go
// to the handler installed before. A file shortened within a page reads as zeros up to
// that page's end instead of faulting: Copy leaves that page to pread and touches it
// after each copy.
//
// While reads follow one another, pages more than kKeptBehind behind the last one read
// are given back (they stay in the page cache), in steps of at least kKeptBehind, so a
// walk over a large file does not keep it resident.
// Not thread-safe (the copies' fault handling is).

#include <cstddef>
#include <cstdint>

namespace xb {

class MappedRegion {
 public:
  // Reads by pread before mapping: a handle opened for one seek never maps.
  static constexpr uint32_t kReadsBeforeMapping = 16;
  static constexpr uint64_t kSlack = 16u << 20;
  static constexpr uint64_t kKeptBehind = 1u << 20;
  enum class Read { kCopied, kUseRead, kShortened };

  explicit MappedRegion(int fd) : fd_(fd) {}
  ~MappedRegion() { Drop(); }
  MappedRegion(const MappedRegion&) = delete;
  MappedRegion& operator=(const MappedRegion&) = delete;

  // Counts a read; true from the read after the first kReadsBeforeMapping on, unless
  // the system refused a mapping.
  bool Due();
  bool mapped() const { return map_ != nullptr; }
  bool Covers(uint64_t end) const { return map_ && end <= len_; }
  // Maps [0, size + kSlack) anew; false, for good, when the system refuses.
  bool Map(uint64_t size);
  void Drop();
  // Copies [off, off + n) (Covers it, the file known to hold `size` bytes from it on):
  // kUseRead when it touches the page holding the known end; kShortened when the file
  // no longer reaches the copy's end (the region dropped).
  Read Copy(uint64_t off, void* buf, size_t n, uint64_t size);
  // Copies [off, off + n) (Covers it) whether or not the file is known to hold it: bytes
  // past the end in the file's last page read as zeros. False, the region dropped, when
  // a page faulted.
  bool Peek(uint64_t off, void* buf, size_t n);

 private:
  void ReleaseBehind(uint64_t off, uint64_t end);

  int fd_;
  const char* map_ = nullptr;
  uint64_t len_ = 0;
  uint32_t reads_ = 0;
  bool failed_ = false;
  uint64_t lastEnd_ = 0;   // the end of the last copy
  uint64_t keptFrom_ = 0;  // the start of the pages kept of the run of reads in order
};

}  // namespace xb
