#include "platform/xbase/CdxTree.h"

#include <algorithm>
#include <unordered_set>

namespace xb::cdx {

namespace {

constexpr size_t kCacheLimit = 16384;  // pages per tree (about 16 MB); beyond it the cache starts over

bool Passes(const Node& n, size_t i, const Target& t) {
  const int c = CompareKeys(n.key(i), t.key, std::min<size_t>(t.len, n.keyLen));
  if (c != 0) return c > 0;
  return !t.after && n.recnos[i] >= t.recno;
}

size_t LowerBound(const Node& n, const Target& t) {
  size_t lo = 0, hi = n.count();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (Passes(n, mid, t)) hi = mid;
    else lo = mid + 1;
  }
  return lo;
}

}  // namespace

Status Tree::Corrupt(const std::string& why) const {
  return Status(Code::kCorrupt, file_->path() + ": " + why);
}

bool Tree::PageInFile(uint32_t page) const {
  return page != kNone && page >= kPageSize && page % kPageSize == 0;
}

Status Tree::Refresh(bool* moved) {
  uint8_t h[12];
  // The header lies inside the file (checked at open) and we never shorten an index
  // file; another program that does faults the mapping, and pread then reports it.
  // Writes kept back by the file are not in the mapping.
  const bool mapped = !file_->HoldsBack(header_) && file_->PeekMapped(header_, h, sizeof h);
  if (!mapped && !file_->ReadAt(header_, h, sizeof h)) return Corrupt("tag header cannot be read");
  Adopt(h, moved);
  return Status::Ok();
}

void Tree::Adopt(const uint8_t* h, bool* moved) {
  const uint32_t root = GetLE32(h), counter = bigEndianCounter_ ? GetBE32(h + 8) : GetLE32(h + 8);
  *moved = !loaded_ || counter != counter_ || root != root_;
  if (*moved) {
    DropCache();
    loaded_ = true;
    counter_ = counter;
    root_ = root;
  } else if (cache_.size() > kCacheLimit) {
    cache_.Clear();
  }
  free_ = GetLE32(h + 4);
  if (free_ == 0) free_ = kNone;
  diskRoot_ = root_;
  diskFree_ = free_;
}

bool Tree::PeekCounter(uint32_t* counter) const {
  uint8_t c[4];
  if (!file_->PeekMapped(header_ + 8, c, sizeof c)) return false;
  *counter = bigEndianCounter_ ? GetBE32(c) : GetLE32(c);
  return true;
}

void Tree::SetFiller(uint8_t filler) {
  if (filler == filler_) return;
  filler_ = filler;
  DropCache();
}

void Tree::DropCache() {
  cache_.Clear();
  gen_ = ++*gens_;
}

Status Tree::Fetch(uint32_t page, const std::shared_ptr<Node>** out) {
  if ((*out = cache_.Find(page))) return Status::Ok();
  if (cacheOnly_) return Status(Code::kStale, file_->path() + ": page " + std::to_string(page) + " is not cached");
  uint8_t buf[kPageSize];
  if (Status s = ReadPage(page, buf); !s.ok()) return s;
  std::shared_ptr<Node> n;
  if (Status s = Decode(page, buf, &n); !s.ok()) return s;
  *out = cache_.Find(page);
  return Status::Ok();
}

Status Tree::Load(uint32_t page, std::shared_ptr<Node>* out) {
  const std::shared_ptr<Node>* n;
  if (Status s = Fetch(page, &n); !s.ok()) return s;
  *out = *n;
  return Status::Ok();
}

Status Tree::ReadPage(uint32_t page, uint8_t* buf) const {
  if (!PageInFile(page)) return Corrupt("page offset " + std::to_string(page) + " is impossible");
  if (!file_->ReadAt(page, buf, kPageSize)) {
    return Corrupt("page " + std::to_string(page) + " lies beyond the end of the file");
  }
  return Status::Ok();
}

Status Tree::Decode(uint32_t page, const uint8_t* buf, std::shared_ptr<Node>* out) {
  if (Status s = DecodePage(page, buf, out); !s.ok()) return s;
  cache_.Put(page, *out);
  return Status::Ok();
}

Status Tree::LoadPassing(uint32_t page, std::shared_ptr<Node>* out) {
  if (const std::shared_ptr<Node>* n = cache_.Find(page)) {
    *out = *n;
    return Status::Ok();
  }
  if (cacheOnly_) return Status(Code::kStale, file_->path() + ": page " + std::to_string(page) + " is not cached");
  uint8_t buf[kPageSize];
  if (Status s = ReadPage(page, buf); !s.ok()) return s;
  return DecodePage(page, buf, out);
}

Status Tree::DecodePage(uint32_t page, const uint8_t* buf, std::shared_ptr<Node>* out) {
  auto node = std::make_shared<Node>();
  std::string why;
  if (!DecodeNode(buf, keyLen_, filler_, node.get(), &why)) {
    return Corrupt("page " + std::to_string(page) + ": " + why);
  }
  // Every page it links to lies inside the file.
  uint32_t furthest = 0;
  for (const uint32_t link : {node->left, node->right}) {
    if (link != kNone) furthest = std::max(furthest, link);
  }
  for (const uint32_t child : node->children) furthest = std::max(furthest, child);
  if (furthest != 0 && !file_->Holds(uint64_t(furthest) + kPageSize)) {
    return Corrupt("page " + std::to_string(page) + " links to a page beyond the end of the file");
  }
  *out = std::move(node);
  return Status::Ok();
}

Status Tree::Descend(const Target& t, std::vector<PathStep>* path, Pos* leaf) {
  uint32_t page = root_;
  // The page descended from and its separator for this child: no entry of the child
  // may pass the separator (it may be greater than them all).
  std::shared_ptr<Node> parent;
  uint32_t parentPage = 0;
  size_t separator = 0;
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) return Corrupt("child pages form a loop");
    const std::shared_ptr<Node>* n;
    if (Status s = Fetch(page, &n); !s.ok()) return s;
    const Node& node = **n;
    if (parent && node.count() &&
        CompareEntry(node, node.count() - 1, parent->key(separator), parent->recnos[separator]) > 0) {
      return Corrupt("separator " + std::to_string(separator) + " of page " + std::to_string(parentPage) +
                     " disagrees with its child");
    }
    const size_t i = LowerBound(node, t);
    if (node.leaf()) {
      *leaf = Pos{*n, page, i};
      return Status::Ok();
    }
    const size_t c = std::min(i, node.count() - 1);
    const uint32_t child = node.children[c];
    if (path) {
      for (const PathStep& p : *path) {
        if (p.page == page) return Corrupt("child pages form a loop");
      }
      path->push_back({page, *n, c});
    }
    parent = *n;
    parentPage = page;
    separator = c;
    page = child;
  }
}

Status Tree::Seek(const Target& t, Pos* pos) {
  if (Status s = Descend(t, nullptr, pos); !s.ok()) return s;
  if (pos->index < pos->leaf->count()) return Status::Ok();
  // Past the end of this leaf: the entry wanted, if any, is further along the chain
  // (separators of pages written elsewhere may be greater than their page's keys).
  pos->index = pos->leaf->count() ? pos->leaf->count() - 1 : 0;
  for (;;) {
    if (Status s = Step(pos, true); !s.ok() || !pos->valid()) return s;
    if (Passes(*pos->leaf, pos->index, t)) return Status::Ok();
  }
}

Status Tree::First(Pos* pos) {
  const uint8_t none = 0;
  if (Status s = Seek({&none, 0, 0, false}, pos); !s.ok()) return s;
  return Status::Ok();
}

Status Tree::Last(Pos* pos) {
  uint32_t page = root_;
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) return Corrupt("child pages form a loop");
    const std::shared_ptr<Node>* n;
    if (Status s = Fetch(page, &n); !s.ok()) return s;
    if ((*n)->leaf()) {
      const size_t count = (*n)->count();
      *pos = Pos{*n, page, count ? count - 1 : 0};
      if (count) return Status::Ok();
      return Step(pos, false);
    }
    page = (*n)->children.back();
  }
}

Status Tree::Step(Pos* pos, bool forward) {
  if (!pos->valid()) return Status::Ok();
  const Node& n = *pos->leaf;
  if (forward && pos->index + 1 < n.count()) {
    ++pos->index;
    return Status::Ok();
  }
  if (!forward && pos->index > 0 && pos->index < n.count()) {
    --pos->index;
    return Status::Ok();
  }
  // Cross to the neighbouring leaf that has keys; it must continue the order.
  const bool haveRef = pos->index < n.count();
  std::string refKey;
  uint32_t refRecno = 0;
  if (haveRef) {
    refKey.assign(n.keyView(pos->index));
    refRecno = n.recnos[pos->index];
  }
  std::shared_ptr<Node> cur = pos->leaf;
  uint32_t page = pos->page;
  uint64_t limit = 0;  // read when a step passes over empty leaves
  for (uint64_t hops = 0;; ++hops) {
    uint32_t next = forward ? cur->right : cur->left;
    if (next == kNone) {
      pos->reset();
      return Status::Ok();
    }
    if (hops == 1) limit = file_->Size() / kPageSize + 1;
    if (hops > limit) return Corrupt("leaf pages form a loop");
    std::shared_ptr<Node> nn;
    if (Status s = Load(next, &nn); !s.ok()) return s;
    if (!nn->leaf()) return Corrupt("a leaf's neighbour is not a leaf");
    bool holdsOurs = false;  // nn is the old state of the page `page` was split off
    if ((forward ? nn->left : nn->right) != page) {
      if (Status s = MendStep(page, *cur, forward, &next, &nn, &holdsOurs); !s.ok()) return s;
    }
    if (holdsOurs && haveRef) {
      // Its entries from ours on were passed already.
      const Target t{reinterpret_cast<const uint8_t*>(refKey.data()), keyLen_, refRecno, false};
      const size_t below = LowerBound(*nn, t);
      if (below > 0) {
        *pos = Pos{std::move(nn), next, below - 1};
        return Status::Ok();
      }
    } else if (nn->count() > 0) {
      const size_t idx = forward ? 0 : nn->count() - 1;
      if (haveRef) {
        const int c = CompareEntry(*nn, idx, reinterpret_cast<const uint8_t*>(refKey.data()), refRecno);
        if (forward ? c <= 0 : c >= 0) return Corrupt("leaf pages out of order");
      }
      *pos = Pos{std::move(nn), next, idx};
      return Status::Ok();
    }
    cur = std::move(nn);
    page = next;
  }
}

// Another neighbour link than the one expected is what a change cut short between the
// writes of a split leaves (its pages are written from the root down, the leaves from
// left to right): a leaf right of the new pages still links back to the page split,
// or the page split is still in its old state (linking past the new pages and holding
// their entries too). Anything else is damage.
Status Tree::MendStep(uint32_t page, const Node& cur, bool forward, uint32_t* next, std::shared_ptr<Node>* nn,
                      bool* holdsOurs) {
  const uint64_t limit = file_->Size() / kPageSize + 1;
  // Walks from `from` rightwards until stop(page, node) holds: that page in *last (and
  // its node in *at); false when it never does.
  const auto walkRight = [&](uint32_t from, const auto& stop, uint32_t* last, std::shared_ptr<Node>* at) {
    uint32_t p = from;
    for (uint64_t hops = 0; p != kNone && hops <= limit; ++hops) {
      std::shared_ptr<Node> n;
      if (Status s = Load(p, &n); !s.ok() || !n->leaf()) return false;
      if (stop(p, *n)) {
        *last = p;
        if (at) *at = std::move(n);
        return true;
      }
      p = n->right;
    }
    return false;
  };
  // A split that copied its page: the neighbours of the page copied are relinked to the
  // copies one after the other, so the page linking back to ours may be the page copied
  // (or its copy, when ours is the page copied): it leads to the same next page, and
  // both it and ours are reached from the same page behind.
  const auto copied = [&] {
    const uint32_t other = forward ? (*nn)->left : (*nn)->right;
    std::shared_ptr<Node> o;
    if (other == kNone || !Load(other, &o).ok() || !o->leaf() || (forward ? o->right : o->left) != *next) return false;
    std::unordered_set<uint32_t> behind;
    for (uint64_t hops = 0; hops <= limit; ++hops) {
      const uint32_t b = forward ? o->left : o->right;
      behind.insert(b);
      if (b == kNone || !Load(b, &o).ok()) break;
    }
    std::shared_ptr<Node> c;
    for (uint32_t p = page, hops = 0; hops <= limit; ++hops) {
      if (!Load(p, &c).ok()) return false;
      p = forward ? c->left : c->right;
      if (behind.count(p)) return true;
      if (p == kNone) return false;
    }
    return false;
  };
  uint32_t found = kNone;
  if (forward) {
    const uint32_t back = (*nn)->left;
    // The page split lies left of ours, and its new pages lead to ours.
    if (walkRight(back, [&](uint32_t p, const Node&) { return p == page; }, &found, nullptr)) return Status::Ok();
    // Ours is a new page of a split whose page still links past it to the next one.
    uint32_t p = cur.left;
    for (uint64_t hops = 0; p != kNone && hops <= limit; ++hops) {
      std::shared_ptr<Node> n;
      if (Status s = Load(p, &n); !s.ok()) return s;
      if (p == back) {
        if (n->right == *next) return Status::Ok();
        break;
      }
      p = n->left;
    }
    return copied() ? Status::Ok() : Corrupt("leaf links disagree");
  }
  // The page split (left) leads through its new pages to ours: step to the last of them.
  if (walkRight(*next, [&](uint32_t, const Node& n) { return n.right == page; }, &found, nn)) {
    *next = found;
    return Status::Ok();
  }
  // Ours is a new page of a split whose page, still in its old state, links past ours
  // (or to no page, when it was the last).
  const uint32_t past = (*nn)->right;
  if (past == kNone ? walkRight(page, [](uint32_t, const Node& n) { return n.right == kNone; }, &found, nullptr)
                    : walkRight(page, [&](uint32_t p, const Node&) { return p == past; }, &found, nullptr)) {
    *holdsOurs = true;
    return Status::Ok();
  }
  return copied() ? Status::Ok() : Corrupt("leaf links disagree");
}

Status Tree::Count(uint64_t* n) {
  *n = 0;
  Pos pos;
  if (Status s = First(&pos); !s.ok()) return s;
  while (pos.valid()) {
    *n += pos.leaf->count() - pos.index;
    pos.index = pos.leaf->count() - 1;
    if (Status s = Step(&pos, true); !s.ok()) return s;
  }
  return Status::Ok();
}

struct Tree::Bound {
  std::shared_ptr<Node> node;
  size_t index = 0;
};

Status Tree::CheckNode(uint32_t page, int depth, CheckState* st, Bound* lo, Bound* hi) {
  if (depth > kMaxDepth) return Corrupt("child pages form a loop");
  if (!st->seen.insert(page).second) return Corrupt("page " + std::to_string(page) + " is used twice");
  std::shared_ptr<Node> n;
  if (Status s = LoadPassing(page, &n); !s.ok()) return s;
  if (((n->attr & kAttrRoot) != 0) != (depth == 0)) return Corrupt("page " + std::to_string(page) + " has a wrong root flag");
  if (st->levels.size() <= size_t(depth)) st->levels.resize(size_t(depth) + 1);
  st->levels[size_t(depth)].push_back({page, n->left, n->right});
  for (size_t i = 1; i < n->count(); ++i) {
    if (CompareEntry(*n, i - 1, n->key(i), n->recnos[i]) >= 0) {
      return Corrupt("keys out of order in page " + std::to_string(page));
    }
  }
  *lo = *hi = Bound{};
  if (n->leaf()) {
    if (st->leafDepth < 0) st->leafDepth = depth;
    if (st->leafDepth != depth) return Corrupt("leaves at different depths");
    st->count += n->count();
    if (n->count()) *lo = Bound{n, 0}, *hi = Bound{n, n->count() - 1};
    return Status::Ok();
  }
  for (size_t i = 0; i < n->count(); ++i) {
    Bound clo, chi;
    if (Status s = CheckNode(n->children[i], depth + 1, st, &clo, &chi); !s.ok()) return s;
    if (!chi.node) continue;
    const int c = CompareEntry(*chi.node, chi.index, n->key(i), n->recnos[i]);
    if (c > 0 || (st->exact && c != 0) ||
        (i > 0 && CompareEntry(*clo.node, clo.index, n->key(i - 1), n->recnos[i - 1]) <= 0)) {
      return Corrupt("separator " + std::to_string(i) + " of page " + std::to_string(page) + " disagrees with its child");
    }
    if (!lo->node) *lo = clo;
    *hi = chi;
  }
  return Status::Ok();
}

Status Tree::Check(uint64_t* count, bool exact) {
  CheckState st;
  st.exact = exact;
  Bound lo, hi;
  if (Status s = CheckNode(root_, 0, &st, &lo, &hi); !s.ok()) return s;
  for (const auto& level : st.levels) {
    for (size_t j = 0; j < level.size(); ++j) {
      if (level[j].left != (j ? level[j - 1].page : kNone) || level[j].right != (j + 1 < level.size() ? level[j + 1].page : kNone)) {
        return Corrupt("sibling links of page " + std::to_string(level[j].page) + " are wrong");
      }
    }
  }
  const uint64_t limit = file_->Size() / kPageSize;
  uint64_t hops = 0;
  for (uint32_t f = free_; f != kNone; ++hops) {
    uint8_t link[4];
    if (hops > limit || !PageInFile(f) || !st.seen.insert(f).second || !file_->ReadAt(f, link, sizeof link)) {
      return Corrupt("the free page list is broken");
    }
    f = GetLE32(link);
    if (f == 0) f = kNone;
  }
  *count = st.count;
  return Status::Ok();
}

}  // namespace xb::cdx
