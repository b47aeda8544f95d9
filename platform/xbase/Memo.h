#pragma once
// An .fpt memo file: a 512-byte header (big-endian next free block and block size)
// and memos that start on block boundaries, each an 8-byte block header (type, length)
// and its bytes. Reads check every pointer and length against the file's size, so a
// corrupt pointer is an error, never a read past the end. A write always goes to fresh
// blocks at the end (under the memo allocation lock, with the next free block re-read
// from disk), so a reader holding an old pointer still reads the old memo whole.
// Not thread-safe; owned by one table handle.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/File.h"
#include "platform/xbase/LockPolicy.h"
#include "platform/xbase/Status.h"

namespace xb {

class MemoFile {
 public:
  static constexpr uint16_t kDefaultBlockSize = 64;
  static constexpr uint32_t kHeaderLen = 512;
  // Byte of the .fpt locked exclusively while blocks are allocated: the first byte of
  // the header (the next free block), where other FoxPro-format programs lock it.
  static constexpr uint64_t kAllocLock = 0;
  static constexpr uint32_t kTypeText = 1;

  static std::unique_ptr<MemoFile> Open(const std::string& path, File::Mode mode, Status* status);
  // Writes an empty memo file (header only).
  static Status Create(const std::string& path, uint16_t blockSize = kDefaultBlockSize);

  uint16_t blockSize() const { return blockSize_; }
  File& file() { return *file_; }

  // The memo starting at block; block 0 is "no memo" and reads as empty.
  Status Read(uint32_t block, std::string* out) const;
  Status Length(uint32_t block, uint32_t* len) const;
  // Stores data in new blocks; *block is the first one, 0 for empty data.
  Status Write(std::string_view data, const LockPolicy& policy, uint32_t* block);
  // Holds the allocation lock across the writes that follow until Release: they then
  // neither lock nor read the next free block again (it is known under the lock), and
  // are kept in memory until Store writes them, the blocks before the header that
  // counts them (a writer stopped in between leaves blocks no record points to).
  // Release drops what was not stored: no record points to it yet.
  Status Hold(const LockPolicy& policy);
  Status Store();
  void Release();
  // While on, Read serves memos from a block read ahead of them (a walk's notes lie in
  // order); turning it off drops the block, so the next walk reads the file afresh.
  void ReadAhead(bool on);

 private:
  MemoFile(std::unique_ptr<File> file, uint16_t blockSize) : file_(std::move(file)), blockSize_(blockSize) {}
  Status Locate(uint32_t block, uint64_t* dataOff, uint32_t* len) const;
  uint32_t FirstBlock() const { return (kHeaderLen + blockSize_ - 1) / blockSize_; }
  bool ReadBuffered(uint64_t off, std::string* out) const;
  void DropAhead() const;

  Status Lock(const LockPolicy& policy);
  Status ReadNext(uint32_t* next) const;

  std::unique_ptr<File> file_;
  uint16_t blockSize_;
  bool held_ = false;
  uint32_t heldNext_ = 0;  // under held_: the next free block, 0 when to be read
  bool aheadOn_ = false;
  mutable uint64_t aheadOff_ = 0;       // file offset of the read-ahead block
  mutable size_t aheadLen_ = 0;         // its bytes read (0: none)
  mutable std::vector<uint8_t> ahead_;  // its buffer
};

}  // namespace xb
