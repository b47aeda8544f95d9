#pragma once
// Hive: the keys and values of one registry hive in memory, and their text form.
// Names are code page 1252 byte strings; keys and values are found without regard
// to case and keep the case they were first written with. Not thread-safe.
//
// Text form (one hive per file):
//   ; comment lines and blank lines are ignored
//   [Software\Dornvale\Stovrel\Pref]   one section per key, full path from the hive root
//   "top"=sz:"1440"                    REG_SZ: the bytes exactly, NUL written as \x00
//   @=sz:"C:\\data\x00"                @ is the default (unnamed) value
//   "count"=dword:00000102             REG_DWORD of 4 bytes, hexadecimal
//   "blob"=hex(3):01,ff                any other type (or a DWORD not of 4 bytes)
// Inside quotes, \\ and \" stand for themselves and \xHH for any byte outside
// printable ASCII. In section headers \ separates keys and %HH stands for '%' and
// for bytes outside printable ASCII. The type number of hex(N) is decimal.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace reg {

struct Value {
  std::string name;  // empty for the default value
  std::uint32_t type = 0;
  std::string data;  // the stored bytes
};

struct Key {
  std::string path;  // components joined by '\', as first written; "" for the root
  std::vector<Value> values;

  const Value* FindValue(std::string_view name) const;
  // Sets a value, keeping the name's first-written case when it exists.
  void SetValue(std::string_view name, std::uint32_t type, std::string data);
  // Removes a value; false when there is none of that name.
  bool DeleteValue(std::string_view name);
};

// The path's components joined by single backslashes; empty components are dropped.
std::string NormalizePath(std::string_view path);
// Case-folded form of a code page 1252 text.
std::string Fold(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);

class Hive {
 public:
  Hive();

  // The key at a normalized path ("" is the root, which always exists); null if none.
  const Key* FindKey(std::string_view path) const;
  Key* FindKey(std::string_view path);
  // The key at a normalized path, created with every missing ancestor.
  Key& CreateKey(std::string_view path);
  // The names (as first written) of the direct sub keys of a normalized path, in
  // case-folded order.
  std::vector<std::string> SubKeyNames(std::string_view path) const;
  // Removes the key at a normalized path, which must have no sub keys; false for the
  // root, a missing key or one with sub keys.
  bool DeleteKey(std::string_view path);

  std::string Serialize(std::string_view hiveName) const;
  // Reads the text form; lines that cannot be read are skipped.
  static Hive Parse(std::string_view text);

 private:
  std::map<std::string, Key> keys_;  // by folded path
};

}  // namespace reg
