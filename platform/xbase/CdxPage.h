#pragma once
// One 512-byte page of a compact index, decoded: an interior node (full keys, record
// numbers, child pages) or a leaf (full keys and record numbers, unpacked from the
// compressed entries). Decode checks every count, width and offset against the page
// and says why it is impossible; Encode writes the page as other engines lay it out.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/Bytes.h"

namespace xb::cdx {

inline constexpr uint32_t kPageSize = 512;
inline constexpr uint32_t kHeaderSize = 1024;
inline constexpr uint32_t kNone = 0xFFFFFFFF;
inline constexpr uint16_t kMaxKeyLen = 240;
inline constexpr size_t kLeafHeader = 24;  // bytes before a leaf's packed entries

inline constexpr uint16_t kAttrRoot = 1;
inline constexpr uint16_t kAttrLeaf = 2;

struct Node {
  uint16_t attr = 0;
  uint32_t left = kNone;
  uint32_t right = kNone;
  uint16_t keyLen = 0;
  std::vector<uint8_t> keys;        // count() * keyLen bytes, full keys
  std::vector<uint32_t> recnos;     // one per key
  std::vector<uint32_t> children;   // interior nodes only, one per key
  // A leaf's page as this handle last wrote it; empty when not known. Every change of
  // the entries below empties it.
  std::vector<uint8_t> image;

  bool leaf() const { return (attr & kAttrLeaf) != 0; }
  size_t count() const { return recnos.size(); }
  const uint8_t* key(size_t i) const { return keys.data() + i * keyLen; }
  std::string_view keyView(size_t i) const {
    return {reinterpret_cast<const char*>(key(i)), keyLen};
  }

  void Insert(size_t i, const uint8_t* k, uint32_t recno, uint32_t child);
  void Erase(size_t i);
  void SetEntry(size_t i, const uint8_t* k, uint32_t recno);
  // Moves the entries [from, count()) to the end of dst.
  void MoveTail(size_t from, Node* dst);
};

// The sign memcmp gives (unsigned bytes), eight bytes at a time: most keys are eight
// bytes (numbers, dates) and a call to memcmp costs more than the comparison.
inline int CompareKeys(const uint8_t* a, const uint8_t* b, size_t len) {
  for (; len >= 8; a += 8, b += 8, len -= 8) {
    uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
      }
      return x < y ? -1 : 1;
    }
  }
  for (; len > 0; ++a, ++b, --len) {
    if (*a != *b) return *a < *b ? -1 : 1;
  }
  return 0;
}

// Compares entry i of n with (key, recno) in index order.
inline int CompareEntry(const Node& n, size_t i, const uint8_t* key, uint32_t recno) {
  const int c = CompareKeys(n.key(i), key, n.keyLen);
  if (c != 0) return c;
  return n.recnos[i] < recno ? -1 : (n.recnos[i] > recno ? 1 : 0);
}

inline bool SameEntry(const Node& a, size_t i, const Node& b, size_t j) {
  return a.recnos[i] == b.recnos[j] && std::memcmp(a.key(i), b.key(j), a.keyLen) == 0;
}

// Decodes a page read at some offset; false with *why set when it is impossible.
// checkOrder: entries out of order are impossible too (keys decoded with another
// filler than the tag's may compare out of order).
bool DecodeNode(const uint8_t* page, uint16_t keyLen, uint8_t filler, Node* out,
                std::string* why, bool checkOrder = true);

// Bytes a leaf of these entries needs, or > kPageSize when they do not fit.
size_t LeafBytes(const Node& n, size_t from, size_t to, uint8_t filler);
// Maximum number of entries an interior node holds for this key length.
inline size_t InteriorCapacity(uint16_t keyLen) { return (kPageSize - 12) / (keyLen + 8u); }

// Writes n as a page; false when the entries do not fit in one page.
bool EncodeNode(const Node& n, uint8_t filler, uint8_t* page);

// The page EncodeNode writes for leaf n, built from before, the page EncodeNode wrote
// for n without its entry i: the entries around i are packed anew, the others copied.
// False when they do not fit or the record number needs wider entries (EncodeNode then
// tells which).
bool EncodeLeafInsert(const Node& n, size_t i, const uint8_t* before, uint8_t filler, uint8_t* page);

// Bytes of one packed leaf entry when the page's greatest record number is maxRecno.
size_t LeafEntryBytes(uint16_t keyLen, uint32_t maxRecno);
// Key bytes a leaf stores for key after prev (nullptr for a page's first key).
size_t StoredKeyBytes(const uint8_t* prev, const uint8_t* key, uint16_t keyLen, uint8_t filler);
// Where to split an overfull leaf: entries [0, k) stay, [k, count) move to a new page.
// leftHeavy fills the left page as far as it goes (appends at the end); 0 when impossible.
size_t LeafSplitPoint(const Node& n, uint8_t filler, bool leftHeavy);

}  // namespace xb::cdx
