#pragma once
// The OS layer of the engine: one open file with positioned reads and writes, its one
// read mapping (MappedRegion), and Linux open-file-description byte-range locks
// (F_OFD_SETLK). Two File objects on the same path conflict like two processes, also
// inside one process. No layer above makes a system call on a file.
// Not thread-safe; owned by one table, memo or index object.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/xbase/MappedRegion.h"
#include "platform/xbase/Status.h"

namespace xb {

struct FileStamp;

class File {
 public:
  enum class Mode { kReadOnly, kReadWrite };
  enum class LockResult { kOk, kBusy, kError };

  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file. nullptr with *status set on failure.
  static std::unique_ptr<File> Open(const std::string& path, Mode mode, Status* status);
  // Creates (or truncates) a file for reading and writing.
  static std::unique_ptr<File> Create(const std::string& path, Status* status);

  // Reads exactly n bytes at off; false when the file is shorter or the read failed.
  bool ReadAt(uint64_t off, void* buf, size_t n) const;
  // Reads up to n bytes at off; the count read (0 at or past the end, -1 on error).
  long long ReadSome(uint64_t off, void* buf, size_t n) const;
  bool WriteAt(uint64_t off, const void* buf, size_t n);
  // f is called before the next write that reaches the file (the system's write), once;
  // false from it fails that write. Null: none.
  void BeforeNextWrite(std::function<bool()> f) { beforeWrite_ = std::move(f); }
  // Writes to the file now, also while writes are held back (Defer), keeping a held
  // copy of those bytes up to date.
  bool WriteThrough(uint64_t off, const void* buf, size_t n);
  uint64_t Size() const;  // 0 when it cannot be read
  // Does the file reach `end`? Asks the system only beyond the size known.
  bool Holds(uint64_t end) const { return end <= knownSize_ || end <= Size(); }
  // fstat of the file; false when it fails. The size it gives serves the mapped reads.
  bool Stat(struct stat* st) const;
  bool Stamp(FileStamp* stamp) const;
  bool Truncate(uint64_t size);
  // Allocates the file's blocks up to size (growing it to that): 0, or the error number.
  int Reserve(uint64_t size);
  bool Sync();

  // Writes from Defer on are kept in memory, in blocks of kBlock bytes, until Flush
  // writes them (false when a write failed; the rest are dropped) or Discard drops
  // them; reads and Size see them meanwhile. Flush writes the blocks beyond the size known
  // when deferring began first (nothing read here can refer to them yet), then the
  // blocks at the offsets of `order` in that order, then the others in the order they
  // were first changed.
  static constexpr size_t kBlock = 512;
  void Defer();
  bool deferring() const { return deferred_ != nullptr; }
  // Does a write kept back cover the block holding off?
  bool HoldsBack(uint64_t off) const { return deferred_ && deferred_->Find(off / kBlock * kBlock) != kNoBlock; }
  bool Flush(const std::vector<uint64_t>& order = {});
  void Discard() { Recycle(std::move(deferred_)); }
  // The blocks of [off, off + n) kept back take the bytes on disk again: Flush writes
  // them as they are. False when they cannot be read.
  bool KeepDisk(uint64_t off, size_t n);

  // From now on ReadAt and ReadSome copy bytes the file is known to hold out of the
  // mapping (CopyMapped) instead of by pread. Known: the size seen by the last Stat (or
  // Size), raised by this object's own writes and reads. A file shortened by another
  // handle is seen at the next Stat, or when a copy faults (the mapping is then dropped
  // and the read made by pread).
  void MapReads() { mapReads_ = true; }
  // Reads through the mapping, without the bytes kept back by Defer; each counts
  // towards MappedRegion::kReadsBeforeMapping. CopyMapped copies [off, off + n) of a
  // file known to hold size bytes (the caller may know more than this object, from the
  // bytes' content): kUseRead to read them by pread instead, kShortened when the file
  // no longer reaches them. PeekMapped copies bytes whose value tells whether they lie
  // inside (past the end in the last page they read as zeros); false to read them by
  // pread. Once mapped, neither makes a system call.
  using MappedRead = MappedRegion::Read;
  MappedRead CopyMapped(uint64_t off, void* buf, size_t n, uint64_t size) const;
  bool PeekMapped(uint64_t off, void* buf, size_t n) const;

  // Non-blocking lock of [start, start + len); a shared or exclusive lock.
  LockResult Lock(uint64_t start, uint64_t len, bool exclusive);
  bool Unlock(uint64_t start, uint64_t len);
  // Could such a lock be had now? kBusy when another handle holds a conflicting one;
  // takes nothing.
  LockResult Probe(uint64_t start, uint64_t len, bool exclusive) const;

  // flock(2) of the whole file: the lock other xBase programs take, shared to open a
  // file and exclusive to have it to themselves (their exclusive open, pack, zap and
  // re-index). It belongs to this open file; one attempt.
  LockResult Flock(bool exclusive);
  void Unflock();

  const std::string& path() const { return path_; }
  bool writable() const { return mode_ == Mode::kReadWrite; }

 private:
  static constexpr size_t kNoBlock = ~size_t(0);
  struct Deferred {
    // A few blocks are found by a look along order, more through the map.
    static constexpr size_t kFew = 16;
    uint64_t diskSize = 0;  // the bytes known on disk: the size known at Defer, grown by reads
    uint64_t end = 0;       // the end of the furthest deferred write
    std::unordered_map<uint64_t, size_t> at;  // block offset -> index in blocks, past kFew
    std::vector<uint64_t> order;               // block offsets, first changed first
    std::vector<uint8_t> blocks;
    std::vector<uint8_t> written;              // Flush's marks, by index
    size_t Find(uint64_t block) const;         // its index, or kNoBlock
    void Add(uint64_t block);
  };

  File(int fd, std::string path, Mode mode) : fd_(fd), path_(std::move(path)), mode_(mode), map_(fd) {}
  long long ReadDisk(uint64_t off, void* buf, size_t n) const;
  // n bytes at off were read from disk: the sizes known grow to cover them; returns n.
  long long FoundOnDisk(uint64_t off, size_t n) const;
  // Is [0, end) mapped? Maps the file anew, at the size it has now, when there is no
  // mapping, or when the file is known to hold `known` bytes, past the mapping's end.
  bool Reach(uint64_t end, uint64_t known) const;
  bool SizeAnew() const;  // Stat for the size alone
  bool WriteDisk(uint64_t off, const void* buf, size_t n);
  uint8_t* DeferredBlock(uint64_t block, bool whole);
  // Keeps a small deferral's room for the next one (an append's few pages each time).
  void Recycle(std::unique_ptr<Deferred> d);

  int fd_;
  std::string path_;
  Mode mode_;
  std::unique_ptr<Deferred> deferred_, spare_;
  std::function<bool()> beforeWrite_;
  bool mapReads_ = false;
  mutable MappedRegion map_;        // kept up by the const reads
  mutable uint64_t knownSize_ = 0;  // the file holds at least this many bytes
};

// A file's identity, size, modification and change times, and the fork generation it
// was taken in. A file held open keeps its inode, so an equal stamp taken later says
// that nobody resized or wrote the file meanwhile (and that no fork shares the
// descriptor since), provided the clock had ticked past both times when the first was
// taken (Settled): a write within the same tick may leave the times as they were.
struct FileStamp {
  uint64_t dev = 0, ino = 0, size = 0;
  int64_t mtime = 0, ctime = 0;  // nanoseconds
  uint64_t forks = 0;
  static FileStamp Of(const struct stat& st);
  // The stamp of the file a path names now; false when there is none.
  static bool At(const std::string& path, FileStamp* stamp);
  bool Settled() const;
  bool operator==(const FileStamp&) const = default;
};

// Renames from over to and syncs the folder; removes from when that fails.
Status ReplaceFile(const std::string& from, const std::string& to);
// Removes the file a path names, if any (a temporary file given up).
void RemoveFile(const std::string& path);
// Removes every file of the folder whose name begins with `prefix` but `keep`;
// prefix and keep are paths in that folder.
void RemoveFilesStartingWith(const std::string& prefix, const std::string& keep);
// A temporary name beside path, unique to this process.
std::string TempNameFor(const std::string& path);

// Called with the file's path after each write that reached it (tests stop a writer
// there). Null in the program.
extern void (*writeHook)(const std::string& path);

// Counts the forks that led to this process. A descriptor kept from before a fork is
// shared with the other process, and so are its locks: it is not to be reused after one.
uint64_t ForkGeneration();

}  // namespace xb
