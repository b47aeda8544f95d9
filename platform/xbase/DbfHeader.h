#pragma once
// The .dbf header and field descriptors: parsing what is on disk (checked against the
// file's size, so a corrupt header is an error, never an out-of-range read) and
// building the bytes of a new table's header. Pure functions; no I/O.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/Status.h"

namespace xb {

// One field of a record. offset counts from the start of the record, whose byte 0 is
// the delete flag, so the first field has offset 1.
struct FieldDef {
  std::string name;  // upper case, at most 10 characters
  char type = 'C';   // C, N, L, D or M
  uint8_t len = 0;
  uint8_t dec = 0;
  uint32_t offset = 0;
};

struct DbfHeader {
  static constexpr uint8_t kTypeNoMemo = 0x03;
  static constexpr uint8_t kTypeMemo = 0xF5;
  static constexpr uint8_t kFlagStructuralIndex = 0x01;
  static constexpr uint8_t kCodePage1252 = 0x03;
  static constexpr size_t kPrefixLen = 32;
  static constexpr size_t kDescriptorLen = 32;

  uint8_t type = kTypeNoMemo;
  uint8_t year = 0;  // year - 1900
  uint8_t month = 1;
  uint8_t day = 1;
  uint32_t recordCount = 0;
  uint16_t headerLen = 0;
  uint16_t recordLen = 1;
  uint8_t flags = 0;
  uint8_t codePage = kCodePage1252;
  std::vector<FieldDef> fields;

  bool HasMemoFields() const;
  bool HasStructuralIndex() const { return (flags & kFlagStructuralIndex) != 0; }
  // Byte offset of record n (1-based) in the file.
  uint64_t RecordOffset(uint32_t n) const {
    return headerLen + static_cast<uint64_t>(n - 1) * recordLen;
  }
};

// Field names match without regard to case; -1 when there is none.
int FindField(const std::vector<FieldDef>& fields, std::string_view name);

// Reads the first 32 bytes: fills type, date, count, lengths, flags, code page.
Status ParseDbfPrefix(const uint8_t* bytes, size_t n, DbfHeader* out);
// Parses the whole header (prefix and descriptors, headerLen bytes): lengths that add
// up, known field types.
Status ParseDbfHeader(const uint8_t* bytes, size_t n, DbfHeader* out);
// Checks the record count against the file's size: every counted record inside the
// file (else kShortFile), and at most one whole record beyond the count, which an
// interrupted append leaves (else kUncounted).
Status CheckRecordCount(const DbfHeader& header, uint64_t fileSize);

// Checks a field list for a new table and fills in offsets and the record length.
Status LayoutFields(std::vector<FieldDef>* fields, uint16_t* recordLen);
// The header bytes of a table with these (laid out) fields, as other xBase programs
// write it: prefix, descriptors, 0x0D, one 0x00 byte.
std::string BuildDbfHeader(const DbfHeader& header);

}  // namespace xb
