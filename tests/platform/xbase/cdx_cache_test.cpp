// A tree's page cache against a std::map doing the same puts, erases and clears: every
// page finds the node last put for it, through growth and erases inside probe runs that
// wrap past the last slot.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

#include "platform/xbase/CdxPageCache.h"

namespace {

using xb::cdx::kPageSize;
using xb::cdx::Node;
using xb::cdx::PageCache;

TEST(CdxPageCache, FindsWhatAMapHolds) {
  struct Run {
    const char* name;
    uint32_t pages;   // page offsets drawn from kPageSize * (base + [1, pages])
    unsigned put;     // shares of 100: put, erase, the rest only looks up
    unsigned erase;
    unsigned clearEvery;  // 0: never
    uint32_t base = 0;
  };
  const Run runs[] = {
      {"few pages, as many erases as puts", 20, 45, 45, 0},
      {"grows to thousands, then shrinks", 3000, 70, 25, 0},
      {"mostly erases", 300, 30, 65, 0},
      {"cleared now and then", 200, 60, 30, 1500},
      {"offsets up to the last page below 4 GiB", 300, 60, 30, 0, UINT32_MAX / kPageSize - 300},
  };
  for (const Run& run : runs) {
    SCOPED_TRACE(run.name);
    std::mt19937 rng(11);
    PageCache cache;
    std::map<uint32_t, std::shared_ptr<Node>> model;
    const auto check = [&](uint32_t page) {
      const auto it = model.find(page);
      const std::shared_ptr<Node>* found = cache.Find(page);
      ASSERT_EQ(found != nullptr, it != model.end()) << "page " << page;
      if (found) {
        ASSERT_EQ(found->get(), it->second.get()) << "page " << page;
      }
    };
    for (int op = 1; op <= 12000; ++op) {
      const uint32_t page = kPageSize * (run.base + 1 + uint32_t(rng() % run.pages));
      const unsigned what = unsigned(rng() % 100);
      if (what < run.put) {
        auto node = std::make_shared<Node>();
        cache.Put(page, node);
        model[page] = node;
      } else if (what < run.put + run.erase) {
        cache.Erase(page);
        model.erase(page);
      }
      if (run.clearEvery && op % run.clearEvery == 0) {
        cache.Clear();
        model.clear();
      }
      ASSERT_EQ(cache.size(), model.size()) << "op " << op;
      check(page);
      if (op % 50 == 0) {
        for (uint32_t p = 1; p <= run.pages; ++p) check(kPageSize * (run.base + p));
      }
    }
  }
}

}  // namespace
