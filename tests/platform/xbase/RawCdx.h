#pragma once
// A reader of index bytes sharing no code with the engine's tree: what another xBase
// program finds in the file as it lies (descent from the root; walk along the leaves).

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
  // The tag with its header at `header`; numeric keys filled with 0x00, others with blanks.
  Tag(const std::string& bytes, uint32_t header, bool numeric);

  // The entries a descent by the separators finds, in order.
  std::vector<Entry> Found(std::string* problem);
  // The entries of a walk from the first leaf along the right links.
  std::vector<Entry> Walk(std::string* problem);
  // "" when the tree is whole: pages in order, separators at least their child's greatest entry,
  // leaves at one depth, sibling links matching the order.
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

// The header offsets of the tags by name; empty when the directory cannot be read.
std::map<std::string, uint32_t> TagHeaders(const std::string& bytes);

}  // namespace rawcdx
