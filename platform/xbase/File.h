#pragma once
// The OS layer of the engine: one open file with positioned reads and writes and
// Linux open-file-description byte-range locks (F_OFD_SETLK). Two File objects on
// the same path conflict like two processes, also inside one process.
// Not thread-safe; owned by one table, memo or index object.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/xbase/Status.h"

namespace xb {

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
  uint64_t Size() const;  // 0 when it cannot be read
  bool Truncate(uint64_t size);
  bool Sync();

  // Non-blocking lock of [start, start + len); a shared or exclusive lock.
  LockResult Lock(uint64_t start, uint64_t len, bool exclusive);
  bool Unlock(uint64_t start, uint64_t len);
  // Could such a lock be had now? kBusy when another handle holds a conflicting one;
  // takes nothing.
  LockResult Probe(uint64_t start, uint64_t len, bool exclusive) const;

  const std::string& path() const { return path_; }
  bool writable() const { return mode_ == Mode::kReadWrite; }
  int fd() const { return fd_; }

 private:
  File(int fd, std::string path, Mode mode) : fd_(fd), path_(std::move(path)), mode_(mode) {}
  int fd_;
  std::string path_;
  Mode mode_;
};

// Counts the forks that led to this process. A descriptor kept from before a fork is
// shared with the other process, and so are its locks: it is not to be reused after one.
uint64_t ForkGeneration();

}  // namespace xb
