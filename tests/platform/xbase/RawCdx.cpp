// Run hundreds of times by the kill tests: optimised even in a debug build.
#pragma GCC optimize("O2")
#include "tests/platform/xbase/RawCdx.h"

#include <algorithm>

namespace rawcdx {

namespace {

constexpr uint32_t kPage = 512;
constexpr uint32_t kNone = 0xFFFFFFFF;

uint32_t Le(const std::string& b, size_t at, size_t n) {
  uint32_t v = 0;
  for (size_t i = n; i-- > 0;) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

uint32_t Be32(const std::string& b, size_t at) { return __builtin_bswap32(Le(b, at, 4)); }

}  // namespace

Tag::Tag(const std::string& bytes, uint32_t header, bool numeric) : bytes_(bytes), filler_(numeric ? '\0' : ' ') {
  if (uint64_t(header) + 16 > bytes.size()) return;
  root_ = Le(bytes, header, 4);
  keyLen_ = static_cast<uint16_t>(Le(bytes, header + 12, 2));
}

const Tag::Page* Tag::Read(uint32_t off, std::string* problem) {
  if (const auto it = pages_.find(off); it != pages_.end()) return &it->second;
  if (off == kNone || off % kPage != 0 || off < kPage || uint64_t(off) + kPage > bytes_.size() || keyLen_ == 0) {
    *problem += " page " + std::to_string(off) + " lies outside the file;";
    return nullptr;
  }
  Page p;
  const uint32_t attr = Le(bytes_, off, 2), count = Le(bytes_, off + 2, 2);
  p.left = Le(bytes_, off + 4, 4), p.right = Le(bytes_, off + 8, 4), p.leaf = (attr & 2) != 0;
  if (!p.leaf) {
    if (12 + uint64_t(count) * (keyLen_ + 8u) > kPage) {
      *problem += " page " + std::to_string(off) + " holds too many keys;";
      return nullptr;
    }
    for (uint32_t i = 0; i < count; ++i) {
      const size_t at = off + 12 + size_t(i) * (keyLen_ + 8u);
      p.entries.emplace_back(bytes_.substr(at, keyLen_), Be32(bytes_, at + keyLen_));
      p.children.push_back(Be32(bytes_, at + keyLen_ + 4));
    }
  } else {
    const uint32_t recMask = Le(bytes_, off + 14, 4), dupMask = Le(bytes_, off + 18, 1), trailMask = Le(bytes_, off + 19, 1);
    const uint32_t recBits = Le(bytes_, off + 20, 1), dupBits = Le(bytes_, off + 21, 1), entryBytes = Le(bytes_, off + 23, 1);
    size_t keysAt = kPage;  // the key bytes run down from the page's end
    std::string prev;
    for (uint32_t i = 0; i < count; ++i) {
      const size_t at = 24 + size_t(i) * entryBytes;
      if (entryBytes == 0 || entryBytes > 8 || at + entryBytes > keysAt) {
        *problem += " leaf " + std::to_string(off) + " does not decode;";
        return nullptr;
      }
      uint64_t v = 0;
      for (size_t k = entryBytes; k-- > 0;) v = v << 8 | static_cast<uint8_t>(bytes_[off + at + k]);
      const uint32_t recno = uint32_t(v) & recMask;
      const uint32_t dup = uint32_t(v >> recBits) & dupMask, trail = uint32_t(v >> (recBits + dupBits)) & trailMask;
      if (dup + trail > keyLen_ || dup > prev.size() || keysAt < at + entryBytes + (keyLen_ - dup - trail)) {
        *problem += " leaf " + std::to_string(off) + " does not decode;";
        return nullptr;
      }
      const size_t stored = keyLen_ - dup - trail;
      keysAt -= stored;
      std::string key = prev.substr(0, dup) + bytes_.substr(off + keysAt, stored) + std::string(trail, filler_);
      prev = key;
      p.entries.emplace_back(std::move(key), recno);
    }
  }
  return &pages_.emplace(off, std::move(p)).first->second;
}

void Tag::Collect(uint32_t off, const Entry* lo, const Entry* hi, int depth, std::vector<Entry>* out,
                  std::string* problem) {
  const Page* p = Read(off, problem);
  if (!p || depth > 32) return;
  if (p->leaf) {
    for (const Entry& e : p->entries) {
      if ((!lo || *lo < e) && (!hi || !(*hi < e))) out->push_back(e);
    }
    return;
  }
  for (size_t i = 0; i < p->children.size(); ++i) {
    const Entry* childLo = i ? &p->entries[i - 1] : lo;
    const Entry* childHi = i + 1 < p->children.size() ? &p->entries[i] : hi;
    if (childLo && hi && !(*childLo < *hi)) break;
    Collect(p->children[i], childLo && lo && *childLo < *lo ? lo : childLo,
            childHi && hi && *hi < *childHi ? hi : childHi, depth + 1, out, problem);
  }
}

std::vector<Entry> Tag::Found(std::string* problem) {
  std::vector<Entry> out;
  Collect(root_, nullptr, nullptr, 0, &out, problem);
  return out;
}

std::vector<Entry> Tag::Walk(std::string* problem) {
  std::vector<Entry> out;
  uint32_t off = root_;
  const Page* p = nullptr;
  for (int depth = 0; depth < 32; ++depth) {
    if (!(p = Read(off, problem)) || p->leaf) break;
    if (p->children.empty()) return out;
    off = p->children.front();
  }
  for (size_t hops = 0; p && p->leaf && hops <= bytes_.size() / kPage; ++hops) {
    for (const Entry& e : p->entries) {
      if (!out.empty() && !(out.back() < e)) *problem += " walk out of order at record " + std::to_string(e.second) + ";";
      out.push_back(e);
    }
    if (p->right == kNone || p->right == 0) return out;
    p = Read(p->right, problem);
  }
  if (p && !p->leaf) *problem += " a leaf links to a page that is no leaf;";
  return out;
}

bool Tag::Check(uint32_t off, size_t depth, std::vector<std::vector<uint32_t>>* levels, Entry* last,
                std::string* problem) {
  const Page* p = Read(off, problem);
  if (!p || depth > 32) return false;
  if (levels->size() <= depth) levels->resize(depth + 1);
  (*levels)[depth].push_back(off);
  if (!std::is_sorted(p->entries.begin(), p->entries.end()) ||
      std::adjacent_find(p->entries.begin(), p->entries.end()) != p->entries.end()) {
    *problem += " keys out of order in page " + std::to_string(off) + ";";
  }
  if (p->leaf && p->entries.empty() && depth > 0) *problem += " empty leaf " + std::to_string(off) + ";";
  for (size_t i = 0; i < p->children.size(); ++i) {
    Entry childLast;
    if (!Check(p->children[i], depth + 1, levels, &childLast, problem)) return false;
    // Removals leave a separator greater than its child's last entry, as other
    // programs do; one below it hides entries from a descent.
    if (p->entries[i] < childLast) {
      *problem += " separator " + std::to_string(i) + " of page " + std::to_string(off) + " is below its child's last entry;";
    }
  }
  if (!p->entries.empty()) *last = p->entries.back();
  return true;
}

std::string Tag::Whole() {
  std::string problem;
  std::vector<std::vector<uint32_t>> levels;
  Entry last;
  if (!Check(root_, 0, &levels, &last, &problem)) return problem + " the tree cannot be read";
  for (size_t d = 0; d < levels.size(); ++d) {
    const auto& level = levels[d];
    for (size_t j = 0; j < level.size(); ++j) {
      const Page* p = Read(level[j], &problem);
      const uint32_t left = j ? level[j - 1] : kNone, right = j + 1 < level.size() ? level[j + 1] : kNone;
      if (p && (p->left != left || p->right != right)) {
        problem += " sibling links of page " + std::to_string(level[j]) + " are wrong;";
      }
      if (p && p->leaf != (d + 1 == levels.size())) problem += " leaves at different depths;";
    }
  }
  Walk(&problem);
  return problem;
}

std::map<std::string, uint32_t> TagHeaders(const std::string& bytes) {
  std::map<std::string, uint32_t> tags;
  Tag dir(bytes, 0, false);
  std::string problem;
  for (const Entry& e : dir.Walk(&problem)) {
    std::string name = e.first;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    tags[name] = e.second;
  }
  if (!problem.empty()) tags.clear();
  return tags;
}

}  // namespace rawcdx
