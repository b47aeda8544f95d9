#include "platform/xbase/CdxPage.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace xb::cdx {

namespace {

int BitsFor(uint32_t v) {
  int bits = 1;
  while (bits < 32 && (v >> bits) != 0) ++bits;
  return bits;
}

// Field widths of a leaf: duplicate and trailing counts wide enough for the key length,
// the record number taking the rest of the smallest entry (at least 3 bytes) that holds
// the greatest record number of the page.
struct LeafLayout {
  int recBits, countBits, bytes;
};

LeafLayout LayoutFor(uint16_t keyLen, uint32_t maxRecno) {
  const int countBits = BitsFor(keyLen);
  const int need = BitsFor(maxRecno) + 2 * countBits;
  const int bytes = std::max(3, (need + 7) / 8);
  return {std::min(32, bytes * 8 - 2 * countBits), countBits, bytes};
}

uint64_t Word(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

constexpr bool kLittle = std::endian::native == std::endian::little;

// Equal bytes at the start / the end of the 8 bytes that gave x = word ^ other.
size_t LeadingEqual(uint64_t x) { return size_t(kLittle ? std::countr_zero(x) : std::countl_zero(x)) / 8; }
size_t TrailingEqual(uint64_t x) { return size_t(kLittle ? std::countl_zero(x) : std::countr_zero(x)) / 8; }

// Both compare eight bytes at a time, then byte by byte.
size_t Trailing(const uint8_t* key, uint16_t keyLen, uint8_t filler) {
  const uint64_t fill = 0x0101010101010101ull * filler;
  size_t t = 0;
  for (; t + 8 <= keyLen; t += 8) {
    const uint64_t x = Word(key + keyLen - t - 8) ^ fill;
    if (x != 0) return t + TrailingEqual(x);
  }
  while (t < keyLen && key[keyLen - 1 - t] == filler) ++t;
  return t;
}

size_t Shared(const uint8_t* a, const uint8_t* b, size_t limit) {
  size_t d = 0;
  for (; d + 8 <= limit; d += 8) {
    const uint64_t x = Word(a + d) ^ Word(b + d);
    if (x != 0) return d + LeadingEqual(x);
  }
  while (d < limit && a[d] == b[d]) ++d;
  return d;
}

// Key bytes stored for entry i (not taken from the previous key nor cut as filler).
size_t StoredBytes(const Node& n, size_t first, size_t i, uint8_t filler, size_t* dupOut,
                   size_t* trailOut) {
  const size_t trail = Trailing(n.key(i), n.keyLen, filler);
  const size_t dup = i == first ? 0 : Shared(n.key(i - 1), n.key(i), n.keyLen - trail);
  if (dupOut) *dupOut = dup;
  if (trailOut) *trailOut = trail;
  return n.keyLen - dup - trail;
}

bool Fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

// A page link: none, or a page boundary past the file's first page.
bool PlausibleLink(uint32_t page) { return page == kNone || (page >= kPageSize && page % kPageSize == 0); }

// A key of eight bytes as the number whose order is theirs.
uint64_t KeyWord(const uint8_t* k) {
  uint64_t w;
  std::memcpy(&w, k, 8);
  if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
  return w;
}

// Entries in index order: (key, record number) never falls.
bool InOrder(const Node& n) {
  if (n.keyLen == 8) {
    // Most keys (numbers, dates): one comparison of words each, as every page read
    // is checked.
    const uint8_t* k = n.keys.data();
    const uint32_t* r = n.recnos.data();
    for (size_t i = 1, count = n.count(); i < count; ++i) {
      const uint64_t a = KeyWord(k + (i - 1) * 8), b = KeyWord(k + i * 8);
      if (a > b || (a == b && r[i - 1] > r[i])) return false;
    }
    return true;
  }
  for (size_t i = 1; i < n.count(); ++i) {
    const int c = CompareKeys(n.key(i - 1), n.key(i), n.keyLen);
    if (c > 0 || (c == 0 && n.recnos[i - 1] > n.recnos[i])) return false;
  }
  return true;
}

}  // namespace

void Node::Insert(size_t i, const uint8_t* k, uint32_t recno, uint32_t child) {
  image.clear();
  keys.insert(keys.begin() + std::ptrdiff_t(i * keyLen), k, k + keyLen);
  recnos.insert(recnos.begin() + std::ptrdiff_t(i), recno);
  if (!leaf()) children.insert(children.begin() + std::ptrdiff_t(i), child);
}

void Node::Erase(size_t i) {
  image.clear();
  const auto at = keys.begin() + std::ptrdiff_t(i * keyLen);
  keys.erase(at, at + keyLen);
  recnos.erase(recnos.begin() + std::ptrdiff_t(i));
  if (!leaf()) children.erase(children.begin() + std::ptrdiff_t(i));
}

void Node::SetEntry(size_t i, const uint8_t* k, uint32_t recno) {
  image.clear();
  std::memcpy(keys.data() + i * keyLen, k, keyLen);
  recnos[i] = recno;
}

void Node::MoveTail(size_t from, Node* dst) {
  image.clear();
  dst->image.clear();
  dst->keys.insert(dst->keys.end(), keys.begin() + std::ptrdiff_t(from * keyLen), keys.end());
  dst->recnos.insert(dst->recnos.end(), recnos.begin() + std::ptrdiff_t(from), recnos.end());
  keys.resize(from * keyLen);
  recnos.resize(from);
  if (!leaf()) {
    dst->children.insert(dst->children.end(), children.begin() + std::ptrdiff_t(from),
                         children.end());
    children.resize(from);
  }
}

bool DecodeNode(const uint8_t* page, uint16_t keyLen, uint8_t filler, Node* out,
                std::string* why, bool checkOrder) {
  out->attr = GetLE16(page);
  const size_t n = GetLE16(page + 2);
  out->left = GetLE32(page + 4);
  out->right = GetLE32(page + 8);
  out->keyLen = keyLen;
  out->keys.clear();
  out->recnos.clear();
  out->children.clear();
  out->image.clear();
  if (out->attr > 3) return Fail(why, "page has unknown attributes");
  if (!PlausibleLink(out->left) || !PlausibleLink(out->right)) return Fail(why, "page has impossible sibling links");

  if (!out->leaf()) {
    if (n == 0 || n > InteriorCapacity(keyLen)) return Fail(why, "interior page has impossible key count");
    out->keys.resize(n * keyLen);
    out->recnos.resize(n);
    out->children.resize(n);
    const uint8_t* e = page + 12;
    for (size_t i = 0; i < n; ++i, e += keyLen + 8) {
      std::memcpy(out->keys.data() + i * keyLen, e, keyLen);
      out->recnos[i] = GetBE32(e + keyLen);
      out->children[i] = GetBE32(e + keyLen + 4);
      if (out->children[i] == kNone || !PlausibleLink(out->children[i])) {
        return Fail(why, "interior page has an impossible child");
      }
    }
    return !checkOrder || InOrder(*out) || Fail(why, "interior page has keys out of order");
  }

  const uint32_t recMask = GetLE32(page + 14);
  const uint8_t dupMask = page[18], trailMask = page[19];
  const int recBits = page[20], dupBits = page[21], trailBits = page[22], bytes = page[23];
  if (bytes < 1 || bytes > 8 || recBits > 32 || dupBits > 8 || trailBits > 8 ||
      recBits + dupBits + trailBits > bytes * 8) {
    return Fail(why, "leaf page has impossible bit widths");
  }
  if (n * size_t(bytes) > kPageSize - kLeafHeader) return Fail(why, "leaf page has impossible key count");
  out->keys.resize(n * keyLen);
  out->recnos.resize(n);

  size_t pos = kPageSize;
  const size_t floor = kLeafHeader + n * size_t(bytes);
  const uint8_t* e = page + kLeafHeader;
  uint8_t* dst = out->keys.data();
  for (size_t i = 0; i < n; ++i, e += bytes, dst += keyLen) {
    uint64_t v = 0;
    for (int b = bytes - 1; b >= 0; --b) v = v << 8 | e[b];
    const size_t dup = size_t(v >> recBits) & dupMask;
    const size_t trail = size_t(v >> (recBits + dupBits)) & trailMask;
    out->recnos[i] = uint32_t(v) & recMask;
    if (dup + trail > keyLen || (i == 0 && dup != 0)) return Fail(why, "leaf entry has impossible counts");
    const size_t stored = keyLen - dup - trail;
    if (pos < floor + stored) return Fail(why, "leaf keys overlap their entries");
    pos -= stored;
    if (dup) std::memcpy(dst, dst - keyLen, dup);
    std::memcpy(dst + dup, page + pos, stored);
    std::memset(dst + dup + stored, filler, trail);
  }
  return !checkOrder || InOrder(*out) || Fail(why, "leaf page has keys out of order");
}

namespace {

uint64_t GetEntry(const uint8_t* e, int bytes) {
  uint64_t v = 0;
  for (int b = bytes - 1; b >= 0; --b) v = v << 8 | e[b];
  return v;
}

void PutEntry(uint8_t* e, int bytes, uint64_t v) {
  for (int b = 0; b < bytes; ++b) e[b] = uint8_t(v >> (8 * b));
}

}  // namespace

bool EncodeLeafInsert(const Node& n, size_t i, const uint8_t* before, uint8_t filler, uint8_t* page) {
  const size_t count = n.count(), kl = n.keyLen;
  if (!n.leaf() || count < 2 || i >= count || GetLE16(before + 2) != count - 1) return false;
  const LeafLayout lay = LayoutFor(n.keyLen, std::max<uint32_t>(n.recnos[i], 1));
  const int bytes = before[23], countBits = before[21];
  if (countBits != lay.countBits || bytes < lay.bytes || before[20] != std::min(32, bytes * 8 - 2 * countBits)) {
    return false;
  }
  const int recBits = before[20];
  const size_t oldCount = count - 1, oldFloor = kLeafHeader + oldCount * size_t(bytes);
  const size_t oldPos = oldFloor + GetLE16(before + 12);
  if (oldFloor > kPageSize || oldPos > kPageSize) return false;
  // Stored key bytes of one old entry, from its counts.
  const uint8_t dupMask = before[18], trailMask = before[19];
  auto oldStored = [&](size_t j) {
    const uint64_t v = GetEntry(before + kLeafHeader + j * size_t(bytes), bytes);
    return kl - std::min(kl, (size_t(v >> recBits) & dupMask) + (size_t(v >> (recBits + countBits)) & trailMask));
  };
  // top: key bytes of the entries before i, packed from the page's end; moved: the old
  // key bytes of the entries after the one that follows the new entry.
  size_t top = 0;
  if (i <= oldCount / 2) {
    for (size_t j = 0; j < i; ++j) top += oldStored(j);
  } else {
    size_t below = 0;
    for (size_t j = i; j < oldCount; ++j) below += oldStored(j);
    if (below > kPageSize - oldPos) return false;
    top = kPageSize - oldPos - below;
  }
  const size_t nextOld = i < oldCount ? oldStored(i) : 0;
  if (top + nextOld > kPageSize - oldPos) return false;
  const size_t moved = kPageSize - oldPos - top - nextOld;

  size_t dup[2] = {}, trail[2] = {}, stored[2] = {};
  const size_t changed = i + 1 < count ? 2 : 1;
  for (size_t c = 0; c < changed; ++c) stored[c] = StoredBytes(n, 0, i + c, filler, &dup[c], &trail[c]);
  const size_t floor = kLeafHeader + count * size_t(bytes);
  if (floor + top + stored[0] + stored[1] + moved > kPageSize) return false;

  std::memset(page, 0, kPageSize);
  PutLE16(page, n.attr);
  PutLE16(page + 2, uint16_t(count));
  PutLE32(page + 4, n.left);
  PutLE32(page + 8, n.right);
  std::memcpy(page + 14, before + 14, kLeafHeader - 14);  // masks and widths
  std::memcpy(page + kLeafHeader, before + kLeafHeader, i * size_t(bytes));
  for (size_t c = 0; c < changed; ++c) {
    PutEntry(page + kLeafHeader + (i + c) * size_t(bytes), bytes,
             uint64_t(n.recnos[i + c]) | uint64_t(dup[c]) << recBits | uint64_t(trail[c]) << (recBits + countBits));
  }
  if (changed == 2) {
    std::memcpy(page + kLeafHeader + (i + 2) * size_t(bytes), before + kLeafHeader + (i + 1) * size_t(bytes),
                (oldCount - i - 1) * size_t(bytes));
  }
  size_t pos = kPageSize - top;
  std::memcpy(page + pos, before + pos, top);
  for (size_t c = 0; c < changed; ++c) {
    pos -= stored[c];
    std::memcpy(page + pos, n.key(i + c) + dup[c], stored[c]);
  }
  pos -= moved;
  std::memcpy(page + pos, before + oldPos, moved);
  PutLE16(page + 12, uint16_t(pos - floor));
  return true;
}

size_t LeafEntryBytes(uint16_t keyLen, uint32_t maxRecno) {
  return size_t(LayoutFor(keyLen, std::max<uint32_t>(maxRecno, 1)).bytes);
}

size_t StoredKeyBytes(const uint8_t* prev, const uint8_t* key, uint16_t keyLen, uint8_t filler) {
  const size_t trail = Trailing(key, keyLen, filler);
  return keyLen - trail - (prev ? Shared(prev, key, keyLen - trail) : 0);
}

size_t LeafSplitPoint(const Node& n, uint8_t filler, bool leftHeavy) {
  const size_t count = n.count();
  if (count < 2) return 0;
  uint32_t maxRec = 1;
  for (uint32_t r : n.recnos) maxRec = std::max(maxRec, r);
  const size_t bytes = LeafEntryBytes(n.keyLen, maxRec);
  // prefix[i]: stored bytes of entries [0, i) packed after each other.
  std::vector<size_t> prefix(count + 1, 0);
  for (size_t i = 0; i < count; ++i) {
    prefix[i + 1] = prefix[i] + StoredKeyBytes(i ? n.key(i - 1) : nullptr, n.key(i), n.keyLen, filler);
  }
  size_t best = 0, bestGap = SIZE_MAX;
  for (size_t k = 1; k < count; ++k) {
    const size_t left = kLeafHeader + k * bytes + prefix[k];
    const size_t right = kLeafHeader + (count - k) * bytes +
                         StoredKeyBytes(nullptr, n.key(k), n.keyLen, filler) + prefix[count] - prefix[k + 1];
    if (left > kPageSize || right > kPageSize) continue;
    const size_t gap = leftHeavy ? kPageSize - left : (left > right ? left - right : right - left);
    if (gap < bestGap) {
      bestGap = gap;
      best = k;
    }
  }
  return best;
}

size_t LeafBytes(const Node& n, size_t from, size_t to, uint8_t filler) {
  uint32_t maxRec = 1;
  size_t keyBytes = 0;
  for (size_t i = from; i < to; ++i) {
    maxRec = std::max(maxRec, n.recnos[i]);
    keyBytes += StoredBytes(n, from, i, filler, nullptr, nullptr);
  }
  return kLeafHeader + (to - from) * size_t(LayoutFor(n.keyLen, maxRec).bytes) + keyBytes;
}

bool EncodeNode(const Node& n, uint8_t filler, uint8_t* page) {
  std::memset(page, 0, kPageSize);
  PutLE16(page, n.attr);
  PutLE16(page + 2, uint16_t(n.count()));
  PutLE32(page + 4, n.left);
  PutLE32(page + 8, n.right);

  if (!n.leaf()) {
    if (n.count() > InteriorCapacity(n.keyLen)) return false;
    uint8_t* e = page + 12;
    for (size_t i = 0; i < n.count(); ++i, e += n.keyLen + 8) {
      std::memcpy(e, n.key(i), n.keyLen);
      PutBE32(e + n.keyLen, n.recnos[i]);
      PutBE32(e + n.keyLen + 4, n.children[i]);
    }
    return true;
  }

  uint32_t maxRec = 1;
  for (uint32_t r : n.recnos) maxRec = std::max(maxRec, r);
  const LeafLayout lay = LayoutFor(n.keyLen, maxRec);
  const size_t floor = kLeafHeader + n.count() * size_t(lay.bytes);
  if (floor > kPageSize) return false;
  size_t pos = kPageSize;
  uint8_t* e = page + kLeafHeader;
  for (size_t i = 0; i < n.count(); ++i, e += lay.bytes) {
    size_t dup = 0, trail = 0;
    const size_t stored = StoredBytes(n, 0, i, filler, &dup, &trail);
    if (pos < floor + stored) return false;
    pos -= stored;
    std::memcpy(page + pos, n.key(i) + dup, stored);
    const uint64_t v = uint64_t(n.recnos[i]) | uint64_t(dup) << lay.recBits |
                       uint64_t(trail) << (lay.recBits + lay.countBits);
    for (int b = 0; b < lay.bytes; ++b) e[b] = uint8_t(v >> (8 * b));
  }
  PutLE16(page + 12, uint16_t(pos - floor));
  const uint32_t recMask = lay.recBits >= 32 ? 0xFFFFFFFFu : (1u << lay.recBits) - 1;
  PutLE32(page + 14, recMask);
  page[18] = page[19] = uint8_t((1u << lay.countBits) - 1);
  page[20] = uint8_t(lay.recBits);
  page[21] = page[22] = uint8_t(lay.countBits);
  page[23] = uint8_t(lay.bytes);
  return true;
}

}  // namespace xb::cdx
