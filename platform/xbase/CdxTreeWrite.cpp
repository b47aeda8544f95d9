// Changes of one tree: insert with page split, remove with merge of small leaves,
// release of emptied pages to the tag's free list and reuse from it.
#include "platform/xbase/CdxTree.h"

#include <algorithm>
#include <cstring>

namespace xb::cdx {

namespace {
constexpr size_t kUsualDepth = 4;  // levels of a tree of a few million keys

void PutCounter(uint8_t* p, uint32_t v, bool bigEndian) {
  if (bigEndian) PutBE32(p, v);
  else PutLE32(p, v);
}
}  // namespace

Status Tree::WriteFailed() const { return Status::System(Code::kIo, "cannot write " + file_->path()); }

Status Tree::Write(uint32_t page, const std::shared_ptr<Node>& n) {
  uint8_t buf[kPageSize];
  if (!EncodeNode(*n, filler_, buf)) return Corrupt("a page overflowed while being written");
  return WriteEncoded(page, n, buf);
}

// n is the node the cache holds for page: loaded from it, or cached by Allocate.
Status Tree::WriteEncoded(uint32_t page, const std::shared_ptr<Node>& n, const uint8_t* buf) {
  changed_ = true;
  NoteDeferred(page);
  if (n->leaf()) n->image.assign(buf, buf + kPageSize);
  else n->image.clear();
  if (!file_->WriteAt(page, buf, kPageSize)) {
    n->image.clear();
    return WriteFailed();
  }
  return Status::Ok();
}

Status Tree::Allocate(const std::shared_ptr<Node>& node, uint32_t* page) {
  // Held writes take pages past the end: a free page written before the header that
  // unlinks it would break the list on disk.
  if (free_ != kNone && !file_->deferring()) {
    uint8_t link[4];
    if (!PageInFile(free_) || !file_->ReadAt(free_, link, sizeof link)) return Corrupt("the free page list is broken");
    uint32_t next = GetLE32(link);
    if (next == 0) next = kNone;
    if (next != kNone && (!PageInFile(next) || next == free_)) return Corrupt("the free page list is broken");
    *page = free_;
    free_ = next;
    cache_.Put(*page, node);
    changed_ = true;
    return Status::Ok();
  }
  if (allocEnd_ == 0) {
    const uint64_t size = file_->Size();
    if (size < kHeaderSize) return Status(Code::kIo, "cannot read the size of " + file_->path());
    allocEnd_ = (size + kPageSize - 1) / kPageSize * kPageSize;
  }
  if (allocEnd_ > 0xFFFFFFFFull - 2 * kPageSize) return Status(Code::kIo, file_->path() + " is full");
  *page = uint32_t(allocEnd_);
  allocEnd_ += kPageSize;
  if (file_->deferring()) newPages_.push_back(*page);
  cache_.Put(*page, node);
  return Status::Ok();
}

Status Tree::Release(uint32_t page) {
  uint8_t buf[kPageSize] = {};
  PutLE32(buf, free_);
  changed_ = true;
  if (!file_->WriteAt(page, buf, sizeof buf)) return WriteFailed();
  cache_.Erase(page);
  free_ = page;
  return Status::Ok();
}

Status Tree::Relink(uint32_t page, bool setLeft, uint32_t value) {
  std::shared_ptr<Node> n;
  if (Status s = Load(page, &n); !s.ok()) return s;
  (setLeft ? n->left : n->right) = value;
  return Write(page, n);
}

void Tree::NoteDeferred(uint32_t page) {
  if (file_->deferring()) deferredPages_.push_back(page);
}

Status Tree::DeferredOrder(std::vector<uint64_t>* order) {
  std::sort(deferredPages_.begin(), deferredPages_.end());
  deferredPages_.erase(std::unique(deferredPages_.begin(), deferredPages_.end()), deferredPages_.end());
  struct Ranked {
    int height;
    std::string first;  // a leaf's first entry: key, then record number big-endian
    uint32_t page;
  };
  std::vector<Ranked> ranked;
  ranked.reserve(deferredPages_.size());
  for (const uint32_t page : deferredPages_) {
    std::shared_ptr<Node> n;
    if (Status s = Load(page, &n); !s.ok()) return s;
    Ranked r{0, {}, page};
    for (std::shared_ptr<Node> c = n; !c->leaf(); ++r.height) {
      if (r.height > kMaxDepth || c->count() == 0) return Corrupt("child pages form a loop");
      if (Status s = Load(c->children[0], &c); !s.ok()) return s;
    }
    if (r.height == 0 && n->count() > 0) {
      uint8_t recno[4];
      PutBE32(recno, n->recnos[0]);
      r.first.assign(n->keyView(0)).append(reinterpret_cast<const char*>(recno), sizeof recno);
    }
    ranked.push_back(std::move(r));
  }
  deferredPages_.clear();
  newPages_.clear();
  // From the top down, so that a descent from the root finds every entry at every
  // step: a page written routes to pages that hold what it routes to them, either
  // already in their new state or still in their old one, which holds all they held.
  // Leaves go last, in key order: a walk meets old leaves only after the new ones.
  std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
    return a.height != b.height ? a.height > b.height : a.first < b.first;
  });
  order->push_back(header_);
  for (const Ranked& r : ranked) order->push_back(r.page);
  return Status::Ok();
}

Status Tree::WriteHeader() {
  uint8_t h[12];
  PutLE32(h, root_);
  PutLE32(h + 4, free_);
  PutCounter(h + 8, counter_ + 1, bigEndianCounter_);
  if (!file_->WriteAt(header_, h, sizeof h)) return WriteFailed();
  ++counter_;
  diskRoot_ = root_;
  diskFree_ = free_;
  return Status::Ok();
}

Status Tree::Replace(uint32_t root) {
  DropCache();
  allocEnd_ = 0;
  root_ = root;
  free_ = kNone;
  return WriteHeader();
}

Status Tree::BumpCounter() {
  uint8_t c[4];
  PutCounter(c, counter_ + 1, bigEndianCounter_);
  if (!file_->WriteThrough(header_ + 8, c, sizeof c)) return WriteFailed();
  ++counter_;
  return Status::Ok();
}

Status Tree::FinishChange(Status s) {
  allocEnd_ = 0;
  Status h;
  if (changed_) {
    changed_ = false;
    gen_ = ++*gens_;
    if (!held_ || root_ != diskRoot_ || free_ != diskFree_) h = WriteHeader();
  }
  if (!s.ok() || !h.ok()) {
    // Pages in memory may differ from the file now: read everything again next time.
    DropCache();
    loaded_ = false;
  }
  return s.ok() ? h : s;
}

// The node at depth level changed; make each parent's entry for it its greatest entry,
// as far up as the greatest entry changes. The parents are written one after another,
// bottom up; those that follow each other in the file (the upper levels of a rebuilt
// tree) go in one write.
Status Tree::FixSeparators(std::vector<PathStep>& path, size_t level, const Node& changed) {
  std::vector<uint8_t> run;
  uint32_t runStart = 0;
  const auto writeRun = [&] {
    if (run.empty() || file_->WriteAt(runStart, run.data(), run.size())) return Status::Ok();
    return WriteFailed();
  };
  const Node* c = &changed;
  for (size_t i = level; i-- > 0;) {
    if (c->count() == 0) break;
    Node& p = *path[i].node;
    const size_t ci = path[i].child, last = c->count() - 1;
    if (SameEntry(p, ci, *c, last)) break;
    p.SetEntry(ci, c->key(last), c->recnos[last]);
    uint8_t buf[kPageSize];
    if (!EncodeNode(p, filler_, buf)) {
      writeRun();
      return Corrupt("a page overflowed while being written");
    }
    changed_ = true;
    p.image.clear();
    NoteDeferred(path[i].page);
    if (!run.empty() && path[i].page != runStart + run.size()) {
      if (Status s = writeRun(); !s.ok()) return s;
      run.clear();
    }
    if (run.empty()) runStart = path[i].page;
    run.insert(run.end(), buf, buf + kPageSize);
    if (ci + 1 != p.count()) break;
    c = &p;
  }
  return writeRun();
}

Status Tree::SplitAndWrite(std::vector<PathStep>& path, size_t level, uint32_t page,
                           const std::shared_ptr<Node>& node, bool leftHeavy) {
  Node& n = *node;
  const size_t k = n.leaf() ? LeafSplitPoint(n, filler_, leftHeavy)
                            : (leftHeavy ? n.count() - 1 : n.count() / 2);
  if (k == 0 || k >= n.count()) return Corrupt("a page cannot be split");
  auto right = std::make_shared<Node>();
  right->attr = uint16_t(n.attr & ~kAttrRoot);
  right->keyLen = keyLen_;
  n.MoveTail(k, right.get());
  uint32_t rightPage;
  if (Status s = Allocate(right, &rightPage); !s.ok()) return s;
  // Held writes leave a page that is on disk as it is: its first half goes to a new
  // page too, and the parent's one write routes to both halves in place of it. A
  // descent then meets the page whole, or both halves; never a separator that a half
  // left behind (other programs refuse those), nor entries it cannot reach.
  const uint32_t old = page;
  if (file_->deferring() && std::find(newPages_.begin(), newPages_.end(), page) == newPages_.end()) {
    if (Status s = Allocate(node, &page); !s.ok()) return s;
    cache_.Erase(old);
    // Changed earlier in this batch: it goes out as it was.
    if (!file_->KeepDisk(old, kPageSize)) return WriteFailed();
    if (n.left != kNone) {
      if (Status s = Relink(n.left, false, page); !s.ok()) return s;
    }
  }
  right->left = page;
  right->right = n.right;
  if (n.right != kNone) {
    if (Status s = Relink(n.right, true, rightPage); !s.ok()) return s;
  }
  n.right = rightPage;
  n.attr = uint16_t(n.attr & ~kAttrRoot);
  if (Status s = Write(page, node); !s.ok()) return s;
  if (Status s = Write(rightPage, right); !s.ok()) return s;

  if (level == 0) {  // the root split: a new root above the two halves
    auto root = std::make_shared<Node>();
    root->attr = kAttrRoot;
    root->keyLen = keyLen_;
    root->Insert(0, n.key(n.count() - 1), n.recnos.back(), page);
    root->Insert(1, right->key(right->count() - 1), right->recnos.back(), rightPage);
    uint32_t rootPage;
    if (Status s = Allocate(root, &rootPage); !s.ok()) return s;
    if (Status s = Write(rootPage, root); !s.ok()) return s;
    root_ = rootPage;
    return Status::Ok();
  }
  PathStep& up = path[level - 1];
  Node& p = *up.node;
  p.SetEntry(up.child, n.key(n.count() - 1), n.recnos.back());
  p.children[up.child] = page;
  p.Insert(up.child + 1, right->key(right->count() - 1), right->recnos.back(), rightPage);
  const bool atEnd = up.child + 2 == p.count();
  if (p.count() > InteriorCapacity(keyLen_)) return SplitAndWrite(path, level - 1, up.page, up.node, atEnd);
  if (Status s = Write(up.page, up.node); !s.ok()) return s;
  return FixSeparators(path, level - 1, p);
}

Status Tree::Insert(const uint8_t* key, uint32_t recno, bool unique) {
  if (unique) {
    Pos p;
    if (Status s = Seek({key, keyLen_, 0, false}, &p); !s.ok()) return s;
    if (p.valid() && std::memcmp(p.leaf->key(p.index), key, keyLen_) == 0) {
      return Status(Code::kInvalid, "the key is already in the unique tag");
    }
  }
  std::vector<PathStep> path;
  path.reserve(kUsualDepth);
  Pos leaf;
  if (Status s = Descend({key, keyLen_, recno, false}, &path, &leaf); !s.ok()) return s;
  Node& n = *leaf.leaf;
  if (leaf.index < n.count() && CompareEntry(n, leaf.index, key, recno) == 0) {
    return Status(Code::kInvalid, "the entry is already in the tag");
  }
  // The page as last written, if known, gives the bytes of the entries that stay as they were.
  std::vector<uint8_t> before;
  before.swap(n.image);
  n.Insert(leaf.index, key, recno, 0);
  const bool atEnd = leaf.index + 1 == n.count();
  Status s;
  // Encoding fails exactly when the entries do not fit one page.
  uint8_t buf[kPageSize];
  const bool fits = (before.size() == kPageSize && EncodeLeafInsert(n, leaf.index, before.data(), filler_, buf)) ||
                    EncodeNode(n, filler_, buf);
  n.image.swap(before);  // its storage, for the page written next
  n.image.clear();
  if (fits) {
    s = WriteEncoded(leaf.page, leaf.leaf, buf);
    if (s.ok()) s = FixSeparators(path, path.size(), n);
  } else {
    s = SplitAndWrite(path, path.size(), leaf.page, leaf.leaf, atEnd);
  }
  return FinishChange(s);
}

Status Tree::LinkPast(const Node& n) {
  if (n.left != kNone) {
    if (Status s = Relink(n.left, false, n.right); !s.ok()) return s;
  }
  if (n.right == kNone) return Status::Ok();
  return Relink(n.right, true, n.left);
}

Status Tree::Unlink(uint32_t page, const Node& n) {
  if (Status s = LinkPast(n); !s.ok()) return s;
  return Release(page);
}

// The node at depth level (not the root) has no entries left: drop its entry from the
// parent, and the parent's in turn when it empties. Freed, with the separators above
// fixed; or, with detach, its neighbours only linked past it: the page is neither
// written nor given to the free list, so a reader that reached it before the parent's
// write finds its old entries and links there (unused until the index is rebuilt).
Status Tree::DropEmpty(std::vector<PathStep>& path, size_t level, uint32_t page, const Node& n, bool detach) {
  if (Status s = detach ? LinkPast(n) : Unlink(page, n); !s.ok()) return s;
  if (detach) cache_.Erase(page);
  PathStep& up = path[level - 1];
  Node& p = *up.node;
  p.Erase(up.child);
  if (p.count() == 0) {
    if (level - 1 > 0) return DropEmpty(path, level - 1, up.page, p, detach);
    p.attr = kAttrRoot | kAttrLeaf;  // the tree is empty: the root is an empty leaf
    p.children.clear();
    return Write(up.page, up.node);
  }
  if (Status s = Write(up.page, up.node); !s.ok() || detach) return s;
  return FixSeparators(path, level - 1, p);
}

// Joins a small leaf with its right neighbour under the same parent when both fit one page.
Status Tree::MergeRight(std::vector<PathStep>& path, const Pos& leaf) {
  PathStep& up = path.back();
  Node& p = *up.node;
  if (up.child + 1 >= p.count()) return Status::Ok();
  const uint32_t rightPage = p.children[up.child + 1];
  std::shared_ptr<Node> right;
  if (Status s = Load(rightPage, &right); !s.ok()) return s;
  if (!right->leaf() || right->left != leaf.page) return Corrupt("leaf links disagree");
  Node joined = *leaf.leaf;
  Node tail = *right;
  tail.MoveTail(0, &joined);
  if (LeafBytes(joined, 0, joined.count(), filler_) > kPageSize) return Status::Ok();
  joined.right = right->right;
  *leaf.leaf = std::move(joined);
  if (Status s = Unlink(rightPage, *right); !s.ok()) return s;
  // Unlink pointed the left neighbour (this leaf) past the freed page in the cache
  // copy; keep the merged entries and that link.
  leaf.leaf->right = right->right;
  p.Erase(up.child + 1);
  const Node& n = *leaf.leaf;
  p.SetEntry(up.child, n.key(n.count() - 1), n.recnos.back());
  if (Status s = Write(leaf.page, leaf.leaf); !s.ok()) return s;
  if (Status s = Write(up.page, up.node); !s.ok()) return s;
  return FixSeparators(path, path.size() - 1, p);
}

Status Tree::CollapseRoot() {
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) return Corrupt("child pages form a loop");
    std::shared_ptr<Node> root;
    if (Status s = Load(root_, &root); !s.ok()) return s;
    if (root->leaf() || root->count() != 1) return Status::Ok();
    const uint32_t childPage = root->children[0];
    std::shared_ptr<Node> child;
    if (Status s = Load(childPage, &child); !s.ok()) return s;
    child->attr |= kAttrRoot;
    child->left = child->right = kNone;
    if (Status s = Write(childPage, child); !s.ok()) return s;
    if (Status s = Release(root_); !s.ok()) return s;
    root_ = childPage;
  }
}

Status Tree::Remove(const uint8_t* key, uint32_t recno) {
  std::vector<PathStep> path;
  path.reserve(kUsualDepth);
  Pos leaf;
  if (Status s = Descend({key, keyLen_, recno, false}, &path, &leaf); !s.ok()) return s;
  Node& n = *leaf.leaf;
  if (leaf.index >= n.count() || CompareEntry(n, leaf.index, key, recno) != 0) {
    return Status(Code::kNotFound, "the entry is not in the tag");
  }
  n.Erase(leaf.index);
  Status s;
  if (file_->deferring()) {
    // Held writes go out top down (DeferredOrder): a separator lowered in the parent
    // before its leaf is written would route past entries the leaf still holds, and a
    // merge or a released page would be written over while pages on disk still lead
    // there. So the separators stay as they are (greater than their child's greatest
    // entry, as other programs leave them), nothing is merged, and an emptied page is
    // only detached.
    s = n.count() == 0 && !path.empty() ? DropEmpty(path, path.size(), leaf.page, n, true) : Write(leaf.page, leaf.leaf);
    return FinishChange(s);
  }
  if (n.count() == 0 && !path.empty()) {
    s = DropEmpty(path, path.size(), leaf.page, n, false);
  } else {
    s = Write(leaf.page, leaf.leaf);
    if (s.ok()) s = FixSeparators(path, path.size(), n);
    if (s.ok() && !path.empty() && LeafBytes(n, 0, n.count(), filler_) <= kPageSize / 3) {
      s = MergeRight(path, leaf);
    }
  }
  if (s.ok()) s = CollapseRoot();
  return FinishChange(s);
}

}  // namespace xb::cdx
