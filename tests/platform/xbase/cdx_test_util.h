#pragma once
// Helpers of the index tests: an in-memory model of a tag and full walks of a tag.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/xbase/Cdx.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace cdxtest {

struct Entry {
  std::string key;
  uint32_t recno;
  bool operator<(const Entry& o) const { return key != o.key ? key < o.key : recno < o.recno; }
  bool operator==(const Entry& o) const { return key == o.key && recno == o.recno; }
};
using Model = std::set<Entry>;

inline xb::TagDef Def(const char* name, const char* expr, xb::KeyType type, uint16_t len,
                      const char* forExpr = "", bool descending = false) {
  xb::TagDef d;
  d.name = name;
  d.keyExpr = expr;
  d.forExpr = forExpr;
  d.type = type;
  d.keyLen = len;
  d.descending = descending;
  return d;
}

inline std::vector<Entry> WalkAll(xb::CdxIndex& ix, size_t tag, bool backwards = false) {
  std::vector<Entry> out;
  auto c = ix.NewCursor(tag);
  for (bool ok = backwards ? c->Last() : c->First(); ok; ok = backwards ? c->Prev() : c->Next()) {
    out.push_back({c->Key(), c->RecNo()});
  }
  EXPECT_TRUE(c->LastStatus().ok()) << c->LastStatus().message();
  EXPECT_FALSE(c->Valid());
  return out;
}

// A model that also gives up a random entry quickly.
class Bag {
 public:
  void insert(const Entry& e) {
    if (set_.insert(e).second) list_.push_back(e);
  }
  Entry TakeRandom(std::mt19937& rng) {
    const size_t i = rng() % list_.size();
    const Entry e = list_[i];
    list_[i] = list_.back();
    list_.pop_back();
    set_.erase(e);
    return e;
  }
  bool empty() const { return list_.empty(); }
  size_t size() const { return list_.size(); }
  const Model& sorted() const { return set_; }

 private:
  Model set_;
  std::vector<Entry> list_;
};

inline std::vector<Entry> Sorted(const Model& m) { return {m.begin(), m.end()}; }
inline std::vector<Entry> Sorted(const Bag& b) { return Sorted(b.sorted()); }

// A character key of the given length: a short text from a small alphabet (so that
// keys repeat and share prefixes), blank-padded.
inline std::string CharKey(std::mt19937& rng, size_t len) {
  static const char kChars[] = "ABCD 0123";
  std::string k;
  const size_t n = 1 + rng() % std::min<size_t>(len, 12);
  for (size_t i = 0; i < n; ++i) k += kChars[rng() % (sizeof kChars - 1)];
  k.resize(len, ' ');
  return k;
}

// A new index in a new folder with a numeric tag N (8 bytes, header at 0x600) and a
// character tag C (30 bytes).
inline std::string NewTwoTagIndex() {
  const std::string path = xbtest::NewDir() + "/s.cdx";
  EXPECT_TRUE(xb::CdxIndex::Create(path, {Def("N", "N", xb::KeyType::kNumeric, 8), Def("C", "C", xb::KeyType::kChar, 30)})
                  .ok());
  return path;
}

inline std::unique_ptr<xb::CdxIndex> OpenIndex(const std::string& path,
                                               xb::File::Mode mode = xb::File::Mode::kReadWrite) {
  xb::Status s;
  auto ix = xb::CdxIndex::Open(path, mode, &s);
  EXPECT_TRUE(ix) << s.message();
  return ix;
}

inline std::string NumKey(std::mt19937& rng) {
  return xb::EncodeNumericKey(double(int(rng() % 20001) - 10000) / 4);
}

}  // namespace cdxtest
