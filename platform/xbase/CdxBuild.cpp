#include "platform/xbase/CdxBuild.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <utility>

namespace xb::cdx {

namespace {

constexpr size_t kDirKeyLen = 10;
constexpr size_t kPoolSize = kHeaderSize - 512;

// Writes the pages of one level (links, root flag) and returns their offsets.
std::vector<uint32_t> EmitLevel(std::vector<Node>& level, uint8_t filler, uint64_t base,
                                std::vector<uint8_t>* out) {
  std::vector<uint32_t> pages(level.size());
  const uint64_t first = base + out->size();
  for (size_t j = 0; j < level.size(); ++j) pages[j] = uint32_t(first + j * kPageSize);
  out->resize(out->size() + level.size() * kPageSize);
  uint8_t* dst = out->data() + (first - base);
  for (size_t j = 0; j < level.size(); ++j, dst += kPageSize) {
    Node& n = level[j];
    n.left = j ? pages[j - 1] : kNone;
    n.right = j + 1 < level.size() ? pages[j + 1] : kNone;
    if (level.size() == 1) n.attr |= kAttrRoot;
    EncodeNode(n, filler, dst);
  }
  return pages;
}

void PutHeader(uint8_t* h, uint32_t root, uint32_t counter, uint16_t keyLen, uint8_t options,
               bool descending, const std::string& keyExpr, const std::string& forExpr) {
  std::memset(h, 0, kHeaderSize);
  PutLE32(h, root);
  PutLE32(h + 4, kNone);
  PutLE32(h + 8, counter);
  PutLE16(h + 12, keyLen);
  h[14] = options;
  h[15] = 1;
  PutLE16(h + 16, uint16_t(kHeaderSize));
  PutLE16(h + 18, uint16_t(kPageSize));
  PutLE16(h + 502, descending ? 1 : 0);
  // The pool holds the key expression and the FOR expression, each with its NUL.
  const size_t keyBytes = keyExpr.size() + 1;
  PutLE16(h + 504, uint16_t(keyBytes));
  PutLE16(h + 506, uint16_t(forExpr.size() + 1));
  PutLE16(h + 508, 0);
  PutLE16(h + 510, uint16_t(keyBytes));
  std::memcpy(h + 512, keyExpr.data(), keyExpr.size());
  std::memcpy(h + 512 + keyBytes, forExpr.data(), forExpr.size());
}

bool ValidName(const std::string& name) {
  if (name.empty() || name.size() > kDirKeyLen) return false;
  if (!std::isalpha(static_cast<unsigned char>(name[0])) && name[0] != '_') return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

}  // namespace

uint32_t BuildTree(const SortedEntries& e, uint16_t keyLen, uint8_t filler, uint64_t base, bool room,
                   std::vector<uint8_t>* out) {
  const size_t leafBytes = room ? kPageSize - kPageSize / 8 : kPageSize;
  std::vector<Node> level;
  auto fresh = [&](uint16_t attr) {
    Node n;
    n.attr = attr;
    n.keyLen = keyLen;
    return n;
  };
  Node cur = fresh(kAttrLeaf);
  uint32_t maxRec = 1;
  size_t stored = 0;
  // The entry size of the greatest record number seen last: it seldom changes.
  uint32_t sizedFor = 0;
  size_t entryBytes = 0;
  for (size_t i = 0; i < e.count; ++i) {
    const uint8_t* k = e.keys + i * keyLen;
    const uint32_t r = e.recnos[i];
    size_t s = StoredKeyBytes(cur.count() ? k - keyLen : nullptr, k, keyLen, filler);
    uint32_t mr = std::max(maxRec, r);
    if (mr != sizedFor) {
      sizedFor = mr;
      entryBytes = LeafEntryBytes(keyLen, mr);
    }
    if (cur.count() && kLeafHeader + (cur.count() + 1) * entryBytes + stored + s > leafBytes) {
      level.push_back(std::move(cur));
      cur = fresh(kAttrLeaf);
      s = StoredKeyBytes(nullptr, k, keyLen, filler);
      mr = std::max<uint32_t>(r, 1);
      stored = 0;
    }
    cur.keys.insert(cur.keys.end(), k, k + keyLen);
    cur.recnos.push_back(r);
    maxRec = mr;
    stored += s;
  }
  level.push_back(std::move(cur));

  const size_t cap = room ? std::max<size_t>(2, InteriorCapacity(keyLen) * 7 / 8) : InteriorCapacity(keyLen);
  for (;;) {
    const std::vector<uint32_t> pages = EmitLevel(level, filler, base, out);
    if (level.size() == 1) return pages[0];
    std::vector<Node> up;
    for (size_t j = 0; j < level.size(); ++j) {
      if (j % cap == 0) up.push_back(fresh(0));
      const Node& c = level[j];
      up.back().Insert(up.back().count(), c.key(c.count() - 1), c.recnos.back(), pages[j]);
    }
    level = std::move(up);
  }
}

namespace {

// Keys of at most 8 bytes given in ascending record numbers: a stable radix sort of
// the keys as big-endian words keeps the record order among equal keys. Bytes that
// every key shares take no pass.
Status RadixSort(TagEntries* entries, const TagDef& def) {
  const size_t kl = def.keyLen, n = entries->recnos.size();
  struct Item {
    uint64_t key;
    uint32_t recno;
  };
  // Left uninitialised: every item is written before it is read.
  std::unique_ptr<Item[]> items(new Item[n]), tmp(new Item[n]);
  const uint8_t* k = entries->keys.data();
  for (size_t i = 0; i < n; ++i, k += kl) {
    uint64_t key = 0;
    for (size_t b = 0; b < 8; ++b) key = key << 8 | (b < kl ? k[b] : 0);
    items[i] = {key, entries->recnos[i]};
  }
  for (unsigned shift = 0; shift < 64 && n > 0; shift += 8) {
    size_t count[256] = {};
    for (size_t i = 0; i < n; ++i) ++count[(items[i].key >> shift) & 0xFF];
    if (count[(items[0].key >> shift) & 0xFF] == n) continue;
    size_t at = 0;
    for (size_t& c : count) at += std::exchange(c, at);
    for (size_t i = 0; i < n; ++i) tmp[count[(items[i].key >> shift) & 0xFF]++] = items[i];
    items.swap(tmp);
  }
  tmp.reset();
  // The input's own storage takes the result.
  uint8_t* key = entries->keys.data();
  size_t out = 0;
  for (size_t i = 0; i < n; ++i) {
    if (def.unique && i > 0 && items[i].key == items[i - 1].key) continue;
    for (size_t b = 0; b < kl; ++b) key[out * kl + b] = uint8_t(items[i].key >> (56 - 8 * b));
    entries->recnos[out++] = items[i].recno;
  }
  entries->keys.resize(out * kl);
  entries->recnos.resize(out);
  return Status::Ok();
}

}  // namespace

Status SortEntries(TagEntries* entries, const TagDef& def) {
  const size_t kl = def.keyLen, n = entries->recnos.size();
  if (entries->keys.size() != n * kl) return Status(Code::kInvalid, "a key for tag " + def.name + " has the wrong length");
  bool recnoOrder = true;  // the entries come in ascending record numbers (as a table gives them)
  for (size_t i = 0; i < n; ++i) {
    const uint32_t recno = entries->recnos[i];
    if (recno == 0) return Status(Code::kInvalid, "record number 0 given for tag " + def.name);
    if (i > 0 && recno <= entries->recnos[i - 1]) recnoOrder = false;
  }
  if (recnoOrder && kl <= 8) return RadixSort(entries, def);
  const uint8_t* keys = entries->keys.data();
  // The first 24 key bytes as big-endian words decide most comparisons without
  // touching the keys.
  constexpr size_t kWords = 3;
  struct Item {
    uint64_t head[kWords];
    uint32_t recno;
    uint32_t index;
  };
  std::vector<Item> items;
  items.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    Item it{{}, entries->recnos[i], uint32_t(i)};
    const uint8_t* k = keys + i * kl;
    for (size_t b = 0; b < 8 * kWords; ++b) it.head[b / 8] = it.head[b / 8] << 8 | (b < kl ? k[b] : 0);
    items.push_back(it);
  }
  auto keyCmp = [&](const Item& a, const Item& b) {
    for (size_t w = 0; w < kWords; ++w) {
      if (a.head[w] != b.head[w]) return a.head[w] < b.head[w] ? -1 : 1;
    }
    constexpr size_t kHead = 8 * kWords;
    return kl > kHead ? std::memcmp(keys + a.index * kl + kHead, keys + b.index * kl + kHead, kl - kHead) : 0;
  };
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    const int c = keyCmp(a, b);
    return c != 0 ? c < 0 : a.recno < b.recno;
  });
  TagEntries out;
  out.keys.reserve(items.size() * kl);
  out.recnos.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0 && keyCmp(items[i - 1], items[i]) == 0) {
      if (items[i - 1].recno == items[i].recno) {
        return Status(Code::kInvalid, "an entry is given twice for tag " + def.name);
      }
      if (def.unique) continue;
    }
    const uint8_t* k = keys + size_t(items[i].index) * kl;
    out.keys.insert(out.keys.end(), k, k + kl);
    out.recnos.push_back(items[i].recno);
  }
  *entries = std::move(out);
  return Status::Ok();
}

Status CheckTagDef(TagDef* def) {
  if (!ValidName(def->name)) return Status(Code::kInvalid, "impossible tag name '" + def->name + "'");
  for (char& c : def->name) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (def->keyLen == 0 || def->keyLen > kMaxKeyLen) {
    return Status(Code::kInvalid, "tag " + def->name + ": key length must be 1 to 240");
  }
  if (def->type == KeyType::kNumeric && def->keyLen != 8) {
    return Status(Code::kInvalid, "tag " + def->name + ": numeric keys are 8 bytes");
  }
  if (def->keyExpr.empty() || def->keyExpr.size() + def->forExpr.size() + 2 > kPoolSize ||
      def->keyExpr.find('\0') != std::string::npos || def->forExpr.find('\0') != std::string::npos) {
    return Status(Code::kInvalid, "tag " + def->name + ": impossible expression");
  }
  return Status::Ok();
}

Status WriteIndexFile(const std::string& path, const std::vector<TagDef>& defs,
                      const std::vector<const SortedTag*>& tags, const std::vector<uint32_t>& counters,
                      uint32_t fileCounter) {
  Status st;
  auto file = File::Create(path, &st);
  if (!file) return st;
  const auto failed = [&] { return Status::System(Code::kIo, "cannot write " + path); };
  // The directory header and its root page (when it fits one page) come first, then
  // each tag's header followed by its pages. A tag is written as soon as it is built,
  // through one buffer.
  std::vector<uint8_t> out;
  size_t largest = 0;
  for (const SortedTag* t : tags) {
    if (t) largest = std::max(largest, (t->keys.size() + 5 * t->recnos.size()) * 9 / 8);
  }
  out.reserve(kHeaderSize + kPageSize + largest);
  uint64_t at = kHeaderSize + kPageSize;
  std::vector<uint32_t> headers;
  for (size_t i = 0; i < defs.size(); ++i) {
    const TagDef& d = defs[i];
    const SortedTag* t = tags[i];
    out.assign(kHeaderSize, 0);
    const SortedEntries e{t ? t->keys.data() : nullptr, t ? t->recnos.data() : nullptr,
                          t ? t->recnos.size() : 0};
    const uint32_t root = BuildTree(e, d.keyLen, FillerFor(d.type), at, true, &out);
    if (at + out.size() > 0xFFFFFFFFull - kPageSize) return Status(Code::kInvalid, "the index would exceed 4 GB");
    const uint8_t options = uint8_t(0x60 | (d.forExpr.empty() ? 0 : 0x08) | (d.unique ? 0x01 : 0));
    PutHeader(out.data(), root, counters[i], d.keyLen, options, d.descending, d.keyExpr, d.forExpr);
    if (!file->WriteAt(at, out.data(), out.size())) return failed();
    headers.push_back(uint32_t(at));
    at += out.size();
  }

  std::vector<size_t> order(defs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return defs[a].name < defs[b].name; });
  SortedTag dir;
  for (size_t i : order) {
    std::string key = defs[i].name;
    key.resize(kDirKeyLen, ' ');
    dir.keys.insert(dir.keys.end(), key.begin(), key.end());
    dir.recnos.push_back(headers[i]);
  }
  const SortedEntries de{dir.keys.data(), dir.recnos.data(), dir.recnos.size()};
  std::vector<uint8_t> dirPages;
  uint32_t dirRoot = BuildTree(de, kDirKeyLen, ' ', kHeaderSize, false, &dirPages);
  out.assign(kHeaderSize + kPageSize, 0);
  if (dirPages.size() == kPageSize) {
    std::memcpy(out.data() + kHeaderSize, dirPages.data(), kPageSize);
  } else {
    dirPages.clear();
    dirRoot = BuildTree(de, kDirKeyLen, ' ', at, false, &dirPages);
    if (!file->WriteAt(at, dirPages.data(), dirPages.size())) return failed();
  }
  PutHeader(out.data(), dirRoot, 0, kDirKeyLen, 0xE0, false, "", "");
  PutBE32(out.data() + 8, fileCounter);
  if (!file->WriteAt(0, out.data(), out.size()) || !file->Sync()) return failed();
  return Status::Ok();
}

}  // namespace xb::cdx
