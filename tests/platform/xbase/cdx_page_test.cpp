// Leaf pages: a page built from the one written before an insert is the page a full
// encoding writes, for every position, key shape and record-number width.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/xbase/CdxPage.h"

namespace {

using xb::cdx::EncodeLeafInsert;
using xb::cdx::EncodeNode;
using xb::cdx::kAttrLeaf;
using xb::cdx::kAttrRoot;
using xb::cdx::kPageSize;
using xb::cdx::Node;

struct Shape {
  const char* name;
  uint16_t keyLen;
  uint8_t filler;
  int alphabet;         // distinct key bytes
  uint32_t maxRecno;    // record numbers drawn from 1..maxRecno
};

// Keys share prefixes and end in filler runs of every length, so that duplicate and
// trailing counts take all their values, including a whole key of filler.
std::string RandomKey(std::mt19937& rng, const Shape& s) {
  std::string k(s.keyLen, char(s.filler));
  const size_t used = rng() % (s.keyLen + 1u);
  for (size_t i = 0; i < used; ++i) k[i] = char('A' + rng() % unsigned(s.alphabet));
  return k;
}

TEST(CdxPage, LeafInsertBuildsThePageAFullEncodingWrites) {
  const Shape shapes[] = {
      {"numeric", 8, 0x00, 3, 300},      {"short text", 10, ' ', 2, 70000},
      {"long text", 40, ' ', 4, 5000},   {"longest", 240, ' ', 2, 20},
      {"wide recnos", 11, ' ', 3, 0xFFFFFFFFu},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    std::mt19937 rng(7);
    size_t incremental = 0;
    for (int round = 0; round < 40; ++round) {
      Node n;
      n.attr = round % 2 ? kAttrLeaf : kAttrLeaf | kAttrRoot;
      n.keyLen = shape.keyLen;
      n.left = round % 3 ? 512u * uint32_t(round) : xb::cdx::kNone;
      uint8_t page[kPageSize], full[kPageSize], built[kPageSize];
      ASSERT_TRUE(EncodeNode(n, shape.filler, page));
      for (;;) {
        const std::string key = RandomKey(rng, shape);
        // Appends at the end (ascending record numbers) as often as anywhere else.
        const uint32_t recno = round % 4 == 0 ? uint32_t(n.count() + 1) : 1 + uint32_t(rng() % shape.maxRecno);
        const auto* k = reinterpret_cast<const uint8_t*>(key.data());
        size_t i = 0;
        while (i < n.count() && xb::cdx::CompareEntry(n, i, k, recno) < 0) ++i;
        if (i < n.count() && xb::cdx::CompareEntry(n, i, k, recno) == 0) continue;
        n.Insert(i, k, recno, 0);
        const bool fits = EncodeNode(n, shape.filler, full);
        if (EncodeLeafInsert(n, i, page, shape.filler, built)) {
          ++incremental;
          ASSERT_TRUE(fits) << "entry " << i << " of " << n.count();
          ASSERT_TRUE(std::equal(built, built + kPageSize, full)) << "entry " << i << " of " << n.count();
        }
        if (!fits) break;
        std::copy(full, full + kPageSize, page);
      }
    }
    EXPECT_GT(incremental, 100u);  // the shortcut was taken, not only the fallback
  }
}

// Keys order as memcmp orders them (unsigned bytes) at every length and first difference.
TEST(CdxPage, KeysCompareAsBytes) {
  const uint8_t pairs[][2] = {{'A', 'B'}, {0x00, 0xFF}, {0x7F, 0x80}, {0x01, 0x00}, {0xFE, 0x7E}};
  for (size_t len = 0; len <= 25; ++len) {
    for (size_t at = 0; at <= len; ++at) {  // at == len: equal keys
      for (const auto& pr : pairs) {
        uint8_t a[25] = {}, b[25] = {};
        for (size_t i = 0; i < len; ++i) a[i] = b[i] = uint8_t(0x20 + 37 * i);
        if (at < len) {
          a[at] = pr[0];
          b[at] = pr[1];
          // Bytes after the first difference pull the other way.
          for (size_t i = at + 1; i < len; ++i) a[i] = uint8_t(pr[0] < pr[1] ? 0xFF : 0x00), b[i] = uint8_t(~a[i]);
        }
        const int want = std::memcmp(a, b, len), got = xb::cdx::CompareKeys(a, b, len);
        EXPECT_EQ((got > 0) - (got < 0), (want > 0) - (want < 0)) << "length " << len << ", difference at " << at;
      }
    }
  }
}

}  // namespace
