#pragma once
// A .dbf table file: its header and field list, reading and writing whole records.
// Record reads are checked against the record count, which is re-read from the header
// when a record beyond the cached count is asked for (another handle may have
// appended). Records and the count are read through the file's mapping once it is made
// (File::CopyMapped, File::PeekMapped: no system call per record); whenever the count is
// re-read, the file's size is taken anew, unless the mapping shows the end-of-file mark
// right after the counted records. The engine never shortens a table file while it is
// open, and a file another program shortened beneath the mapping gives an error (kIo),
// not a crash. The table layer takes no locks itself: the caller holds the record lock
// for WriteRecord and the append lock for Append (see LockManager).
// Not thread-safe; owned by one table handle.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/xbase/DbfHeader.h"
#include "platform/xbase/File.h"
#include "platform/xbase/Status.h"

namespace xb {

class Table {
 public:
  static constexpr uint8_t kEofMark = 0x1A;

  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // A record count that does not match the file (CheckRecordCount) fails the open;
  // given countDamage, it is reported there instead and the table opens (for a repair).
  static std::unique_ptr<Table> Open(const std::string& path, File::Mode mode, Status* status,
                                     Status* countDamage = nullptr);
  // Writes a new empty table (replacing any file of that name). The fields are laid
  // out here; the type byte says whether there is a memo file, flags say whether there
  // is a structural index.
  static Status Create(const std::string& path, std::vector<FieldDef> fields, bool structuralIndex);

  const DbfHeader& header() const { return header_; }
  const std::vector<FieldDef>& fields() const { return header_.fields; }
  uint16_t recordLen() const { return header_.recordLen; }
  uint32_t recordCount() const { return header_.recordCount; }
  File& file() { return *file_; }
  const std::string& path() const { return file_->path(); }

  // Re-reads the record count from the header; an error when it runs past the file.
  Status RefreshCount();
  // After RefreshCount: kUncounted when more than one whole record lies beyond the
  // count and not all of them are marked deleted (what a batch cut short leaves).
  Status CheckBeyondCount();
  // After RefreshCount: the whole records beyond the count.
  uint32_t WholeBeyondCount() const;
  // Sets the count to the whole records the file holds (the caller holds the file lock).
  Status RepairCount();
  // Reads record n (1-based) into buf (recordLen bytes). kNotFound beyond the last record.
  Status ReadRecord(uint32_t n, char* buf);
  // Reads record n as ReadRecord does, from a block of the counted records from n on,
  // read by one system call and kept for the next calls (never through the mapping):
  // a record is as stored when its block was read. WriteRecord and StageAppend drop it.
  Status ReadAhead(uint32_t n, char* buf);
  void DropAhead();
  Status WriteRecord(uint32_t n, const char* buf);
  // An append in two steps, so that a record is counted only once its keys are in.
  // StageAppend writes buf after the last counted record (the caller has re-read the
  // count under the append lock), with the end-of-file mark after it; *n is its
  // number. Readers do not see it yet.
  // PublishAppend then writes n as the count and today's date into the header.
  // The caller holds the append lock across both.
  Status StageAppend(const char* buf, uint32_t* n);
  Status PublishAppend(uint32_t n);
  // A batch of appends kept in memory: Hold gives buf the number after the count and
  // the records held before. WriteHeld writes them all in one go, each marked deleted
  // or as it is, with the end-of-file mark after them; PublishHeld then counts them
  // (as PublishAppend) and DropHeld forgets them.
  uint32_t Hold(const char* buf);
  uint32_t heldCount() const { return static_cast<uint32_t>(held_.size() / header_.recordLen); }
  // The number of the first record held, and the bytes of the ith (0-based).
  uint32_t heldFirst() const { return heldFirst_; }
  const char* heldRecord(uint32_t i) const { return held_.data() + size_t(i) * header_.recordLen; }
  Status WriteHeld(bool asDeleted);
  Status PublishHeld() { return PublishAppend(heldFirst_ + heldCount() - 1); }
  void DropHeld() { held_.clear(); }
  // Writes today's date into the header (after a change).
  Status TouchDate();

 private:
  Table(std::unique_ptr<File> file, DbfHeader header) : file_(std::move(file)), header_(std::move(header)) {}
  bool LastInFile(uint32_t first, uint32_t records) const;

  std::unique_ptr<File> file_;
  DbfHeader header_;
  bool dateTouched_ = false;
  uint64_t knownSize_ = 0;   // the file's size as last seen or written, or as its end mark shows
  uint32_t aheadFirst_ = 0;  // the first record of the read-ahead block (0: none)
  std::vector<char> ahead_;  // its records
  std::vector<char> held_;   // the records of Hold, from record heldFirst_ on
  uint32_t heldFirst_ = 0;
};

// Today's date as the header stores it: year - 1900, month, day.
void TodayYmd(uint8_t ymd[3]);

}  // namespace xb
