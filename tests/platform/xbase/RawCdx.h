#pragma once
// A reader of a compact compound index's bytes that shares no code with the engine's
// tree: what another xBase program finds in the file as it lies. It decodes the pages
// itself, seeks by a plain descent from the root (no walk along the leaves) and walks
// the leaves rightwards from the first one.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace rawcdx {

using Entry = std::pair<std::string, uint32_t>;  // key, record number

class Tag {
 public:
  // The tag whose header lies at `header` in the index bytes; numeric keys are filled
  // with 0x00, character keys with blanks.
  Tag(const std::string& bytes, uint32_t header, bool numeric);

  // The entries that a descent from the root by the separators finds in the leaf it
  // ends on, in order (a descent takes the first child whose separator is not less
  // than the entry sought, else the last child).
  std::vector<Entry> Found(std::string* problem);
  // The entries of a walk from the first leaf along the right links ("" in *problem
  // when it ends well).
  std::vector<Entry> Walk(std::string* problem);
  // "" when the tree is whole: keys in order in every page, every separator exactly
  // its child's greatest entry, leaves at one depth, sibling links at every level
  // matching the order, the walk in order.
  std::string Whole();

 private:
  struct Page {
    bool leaf = false;
    uint32_t left = 0, right = 0;
    std::vector<Entry> entries;
    std::vector<uint32_t> children;
  };
  const Page* Read(uint32_t off, std::string* problem);
  // The entries of the leaves under off that lie in (lo, hi] (hi null: no bound).
  void Collect(uint32_t off, const Entry* lo, const Entry* hi, int depth, std::vector<Entry>* out, std::string* problem);
  // The greatest entry under off, with the structure checks of Whole.
  bool Check(uint32_t off, size_t depth, std::vector<std::vector<uint32_t>>* levels, Entry* last, std::string* problem);

  const std::string& bytes_;
  uint32_t root_ = 0;
  uint16_t keyLen_ = 0;
  char filler_;
  std::map<uint32_t, Page> pages_;
};

// The header offsets of the index's tags by name (upper case); empty when the
// directory cannot be read.
std::map<std::string, uint32_t> TagHeaders(const std::string& bytes);

}  // namespace rawcdx
