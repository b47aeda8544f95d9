#pragma once
// The tables a writer formatting numbers in a locale with a decimal comma left.

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/support/TestEnv.h"

#include "platform/xbase/DbfHeader.h"

namespace xbtest {

// Puts a comma in the decimal point's place of every number field with decimals of
// every counted record of the table file; the count of fields changed, -1 when the
// file cannot be read or written.
inline int WriteDecimalCommas(const std::string& dbfPath) {
  std::FILE* f = std::fopen(dbfPath.c_str(), "r+b");
  if (f == nullptr) return -1;
  std::string bytes;
  char buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  xb::DbfHeader h;
  int count = -1;
  if (xb::ParseDbfHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &h).ok()) {
    count = 0;
    for (uint32_t n = 1; n <= h.recordCount && h.RecordOffset(n) + h.recordLen <= bytes.size(); ++n) {
      for (const xb::FieldDef& field : h.fields) {
        if ((field.type != 'N' && field.type != 'F') || field.dec == 0) continue;
        char& c = bytes[h.RecordOffset(n) + field.offset + field.len - field.dec - 1];
        if (c == '.') c = ',', ++count;
      }
    }
    if (std::fseek(f, 0, SEEK_SET) != 0 || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) count = -1;
  }
  return std::fclose(f) == 0 ? count : -1;
}

}  // namespace xbtest
