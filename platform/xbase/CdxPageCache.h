#pragma once
// A tree's decoded pages by page offset: an open-addressing table with linear probing,
// a power-of-two number of slots at most 3/4 full and a multiplicative hash of the page
// number, so a look-up is one multiply and nearly always one slot. Erase shifts the rest
// of the probe run back into the hole: no slot is ever marked deleted.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/xbase/CdxPage.h"

namespace xb::cdx {

class PageCache {
 public:
  size_t size() const { return size_; }

  // The node cached for page, or nullptr. The pointer is into the slots: valid only
  // until the next Put, Erase or Clear (any of them may move or free the slots).
  const std::shared_ptr<Node>* Find(uint32_t page) const {
    if (size_ == 0) return nullptr;
    for (size_t i = Home(page);; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (!s.node) return nullptr;
      if (s.page == page) return &s.node;
    }
  }

  void Put(uint32_t page, const std::shared_ptr<Node>& node) {
    if (!node) return Erase(page);
    if ((size_ + 1) * 4 > slots_.size() * 3) Grow();
    for (size_t i = Home(page);; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (!s.node) {
        s.page = page;
        s.node = node;
        ++size_;
        return;
      }
      if (s.page == page) {
        if (s.node != node) s.node = node;
        return;
      }
    }
  }

  void Erase(uint32_t page) {
    if (size_ == 0) return;
    size_t hole = Home(page);
    for (;; hole = (hole + 1) & mask_) {
      if (!slots_[hole].node) return;
      if (slots_[hole].page == page) break;
    }
    // An entry further along the run moves into the hole unless its home slot lies
    // (cyclically) after the hole, where a look-up starting at home would never see it.
    for (size_t j = (hole + 1) & mask_; slots_[j].node; j = (j + 1) & mask_) {
      if (((j - Home(slots_[j].page)) & mask_) >= ((j - hole) & mask_)) {
        slots_[hole] = std::move(slots_[j]);
        hole = j;
      }
    }
    slots_[hole].node.reset();
    --size_;
  }

  // Gives the slots back too: a cache dropped often stays small.
  void Clear() {
    std::vector<Slot>().swap(slots_);
    size_ = 0;
    mask_ = 0;
  }

 private:
  struct Slot {
    uint32_t page = 0;
    std::shared_ptr<Node> node;  // empty slot when null
  };

  // Page offsets are multiples of kPageSize. The hash is of 32 bits whatever the
  // types: shift_ keeps its top bits, the mask keeps the slot in the table.
  size_t Home(uint32_t page) const {
    const uint32_t hash = static_cast<uint32_t>(page / kPageSize) * 0x9E3779B9u;
    return size_t(hash >> shift_) & mask_;
  }

  void Grow() {
    std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
    old.swap(slots_);
    mask_ = slots_.size() - 1;
    shift_ = 32;
    for (size_t n = slots_.size(); n > 1; n >>= 1) --shift_;
    for (Slot& s : old) {
      if (!s.node) continue;
      size_t i = Home(s.page);
      while (slots_[i].node) i = (i + 1) & mask_;
      slots_[i] = std::move(s);
    }
  }

  std::vector<Slot> slots_;
  size_t size_ = 0;
  size_t mask_ = 0;
  unsigned shift_ = 32;
};

}  // namespace xb::cdx
