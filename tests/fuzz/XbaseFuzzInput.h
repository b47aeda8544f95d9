#pragma once
// What the fuzz targets do with one input, shared with the regression test that
// replays saved inputs in the normal suite. Header-only so both builds use it as is.
//
// A "dbf" input is a table followed by its memo file: [4 bytes little-endian length of
// the table part][table bytes][memo bytes]. The structural-index flag is cleared (the
// index reader has its own tests). A "memo" input is a memo file read at every block
// number its first bytes name.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/xbase/Engine.h"
#include "platform/xbase/Expression.h"
#include "platform/xbase/Memo.h"
#include "platform/xbase/Table.h"

namespace xbfuzz {

// A folder for the inputs' files, made once per process.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/xbase-fuzz-XXXXXX";
    return std::string(mkdtemp(tmpl) ? tmpl : "/tmp");
  }();
  return dir;
}

inline void WriteAll(const std::string& path, const uint8_t* data, size_t n) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  if (n > 0) std::fwrite(data, 1, n, f);
  std::fclose(f);
}

// Opens the table read-only and reads every field and memo of every record.
inline void RunDbfInput(const uint8_t* data, size_t size, const std::string& dir) {
  if (size < 4) return;
  size_t tableLen = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<size_t>(data[3]) << 24);
  data += 4;
  size -= 4;
  if (tableLen > size) tableLen = size;
  std::string table(reinterpret_cast<const char*>(data), tableLen);
  if (table.size() > 28) table[28] = static_cast<char>(table[28] & ~1);
  const std::string dbf = dir + "/fuzz.dbf";
  WriteAll(dbf, reinterpret_cast<const uint8_t*>(table.data()), table.size());
  WriteAll(dir + "/fuzz.fpt", data + tableLen, size - tableLen);
  CODE4* c = d4init_v();
  code4readOnly(c, 1);
  xb::Status status;
  std::vector<std::string> names;
  if (auto t = xb::Table::Open(dbf, xb::File::Mode::kReadOnly, &status)) {
    for (const xb::FieldDef& f : t->fields()) names.push_back(f.name);
  }
  if (DATA4* d = d4open(c, dbf.c_str())) {
    d4recCountDo(d);
    int rows = 0;
    for (int r = d4top(d); r == 0 && rows < 5000; r = d4skip(d, 1), ++rows) {
      for (const std::string& name : names) {
        FIELD4* f = d4field(d, name.c_str());
        if (!f) continue;
        f4long(f);
        f4double(f);
        volatile char sink = 0;
        const char* p = f4ptr(f);
        for (int i = 0; i < f4len_v(f); ++i) sink = static_cast<char>(sink ^ p[i]);
        const unsigned long n = f4memoLenVB(f);
        const char* m = f4memoPtr(f);
        if (m && n > 0) sink = static_cast<char>(sink ^ m[n - 1]);
        (void)sink;
      }
      d4deleted(d);
    }
    d4skip(d, -1);
    d4close(d);
  }
  d4initUndo(c);
}

// Reads the memo at each block number given by the first 32 bytes (8 numbers).
inline void RunMemoInput(const uint8_t* data, size_t size, const std::string& dir) {
  if (size < 32) return;
  const std::string path = dir + "/fuzz-memo.fpt";
  WriteAll(path, data + 32, size - 32);
  xb::Status s;
  auto memo = xb::MemoFile::Open(path, xb::File::Mode::kReadOnly, &s);
  if (!memo) return;
  for (int i = 0; i < 8; ++i) {
    const uint32_t block = (static_cast<uint32_t>(data[4 * i]) << 24) | (data[4 * i + 1] << 16) |
                           (data[4 * i + 2] << 8) | data[4 * i + 3];
    std::string out;
    uint32_t len = 0;
    memo->Length(block, &len);
    memo->Read(block, &out);
  }
}

// Compiles the input as a key or FOR expression over a fixed table and evaluates it.
inline void RunExpressionInput(const uint8_t* data, size_t size) {
  static const std::vector<xb::FieldDef> fields = [] {
    std::vector<xb::FieldDef> f = {{"CODE", 'C', 6, 0, 1}, {"QTY", 'N', 8, 2, 7}, {"WHEN", 'D', 8, 0, 15},
                                   {"OK", 'L', 1, 0, 23}};
    return f;
  }();
  static const std::string record = std::string(" ") + "abc   " + "  -12.50" + "20240229" + "T";
  xb::Status s;
  auto e = xb::Expression::Compile(std::string_view(reinterpret_cast<const char*>(data), size), fields, &s);
  if (!e) return;
  std::string out;
  e->EvalChar(record.data(), &out);
  e->EvalNumber(record.data());
  e->EvalBool(record.data());
}

}  // namespace xbfuzz
