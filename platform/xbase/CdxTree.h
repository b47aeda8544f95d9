#pragma once
// One B+tree of a compact index: a tag, or the tag directory. Reads pages through a
// cache that is dropped when the tag header's change counter or root moves; positions,
// seeks and steps over the leaf chain; inserts and removes with page split, release of
// emptied pages to the tag's free list and reuse from it (while the file holds writes
// back, a removal only writes the leaf, and detaches an emptied page unreleased). The caller holds the index
// lock (shared to read, exclusive to change) around every call.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/xbase/CdxPage.h"
#include "platform/xbase/CdxPageCache.h"
#include "platform/xbase/File.h"
#include "platform/xbase/Status.h"

namespace xb::cdx {

inline constexpr int kMaxDepth = 32;  // deeper trees are loops

// A leaf entry: the page, the decoded leaf and the index inside it.
struct Pos {
  std::shared_ptr<Node> leaf;
  uint32_t page = kNone;
  size_t index = 0;
  bool valid() const { return leaf != nullptr; }
  void reset() { leaf.reset(); page = kNone; index = 0; }
};

// What a seek looks for: the first entry whose key cut to len bytes is > key, or
// (when !after) >= key and, for equal cut keys, with a record number >= recno.
struct Target {
  const uint8_t* key;
  size_t len;
  uint32_t recno;
  bool after;
};

class Tree {
 public:
  Tree(File* file, uint32_t headerOff, uint16_t keyLen, uint8_t filler, uint64_t* generations)
      : file_(file), header_(headerOff), keyLen_(keyLen), filler_(filler), gens_(generations) {}
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  // Moves the tree to another index object on the same file (kept by a CdxShelf).
  void Rebind(File* file, uint64_t* generations) {
    file_ = file;
    gens_ = generations;
  }
  size_t cachedPages() const { return cache_.size(); }

  uint16_t keyLen() const { return keyLen_; }
  uint8_t filler() const { return filler_; }
  uint32_t headerOffset() const { return header_; }
  uint32_t counter() const { return counter_; }
  uint32_t root() const { return root_; }
  bool loaded() const { return loaded_; }
  // Changes whenever cached pages or positions of this tree stop being valid.
  uint64_t generation() const { return gen_; }

  // Reads the header's root, free list and change counter; drops the cache when the
  // counter or root moved. *moved tells whether it did. Once the file is mapped the
  // header is read through the mapping (no system call).
  Status Refresh(bool* moved);
  // The same from the header's first 12 bytes, already read by the caller.
  void Adopt(const uint8_t* header, bool* moved);
  // The change counter as the file holds it now, read through the file's mapping;
  // false while the file is not mapped.
  bool PeekCounter(uint32_t* counter) const;
  // While set, only cached pages are read: a page not cached is kStale.
  void SetCacheOnly(bool on) { cacheOnly_ = on; }
  void SetFiller(uint8_t filler);
  void DropCache();
  // Drops the cache and the header as read: the next use reads both again.
  void Forget() {
    DropCache();
    loaded_ = false;
  }
  // The directory's counter (bytes 8..11 of the file) counts the changes of every tag
  // and is kept big-endian, as other programs keep it; tag counters are little-endian.
  void SetBigEndianCounter() { bigEndianCounter_ = true; }
  // Writes counter + 1 into the header (those four bytes only, at once, also while the
  // file holds writes back). A change made by this handle itself: the cache stays valid.
  Status BumpCounter();
  // Points the header at the tree whose root is page root (written already), with no
  // free pages; the pages of the old tree are left unused.
  Status Replace(uint32_t root);

  Status Seek(const Target& t, Pos* pos);  // pos not valid when there is no such entry
  Status First(Pos* pos);
  Status Last(Pos* pos);
  Status Step(Pos* pos, bool forward);  // pos not valid past either end

  // Exactly keyLen() bytes of key. kInvalid for an entry already there (or, with unique,
  // a key already there); kNotFound for removing an entry that is not there.
  Status Insert(const uint8_t* key, uint32_t recno, bool unique);
  Status Remove(const uint8_t* key, uint32_t recno);

  // While the caller holds the lock across several changes, a change that moves
  // neither root nor free list writes no header: the file's counter, bumped once when
  // the lock is let go, tells every reader of it.
  void SetHeld(bool held) { held_ = held; }

  // The offsets of the pages this tree changed while the file held its writes back,
  // in the order that keeps every state between the writes readable (the tag header
  // first); forgets them.
  Status DeferredOrder(std::vector<uint64_t>* order);
  void ForgetDeferred() {
    deferredPages_.clear();
    newPages_.clear();
  }

  Status Count(uint64_t* n);
  // Walks the whole tree: order, separators, levels, sibling links, free list. A
  // separator may be greater than its child's greatest entry (as removals by other
  // programs leave it), unless exact.
  Status Check(uint64_t* n, bool exact = false);

  Status Load(uint32_t page, std::shared_ptr<Node>* out);
  // Whether page is a possible page offset (aligned, past the first page).
  bool PageInFile(uint32_t page) const;
  // Load in two halves: the page's kPageSize bytes, then their decoding (with the
  // current filler) into the cache.
  Status ReadPage(uint32_t page, uint8_t* buf) const;
  Status Decode(uint32_t page, const uint8_t* buf, std::shared_ptr<Node>* out);
  // Decode's checks, without caching the node.
  Status DecodePage(uint32_t page, const uint8_t* buf, std::shared_ptr<Node>* out);
  // Load without adding the page to the cache (a walk of every page).
  Status LoadPassing(uint32_t page, std::shared_ptr<Node>* out);

 private:
  struct PathStep {
    uint32_t page;
    std::shared_ptr<Node> node;
    size_t child;
  };
  struct Bound;
  struct CheckState {
    std::unordered_set<uint32_t> seen;
    struct Links {
      uint32_t page, left, right;
    };
    std::vector<std::vector<Links>> levels;  // pages of each depth, in key order
    int leafDepth = -1;
    uint64_t count = 0;
    bool exact = false;
  };

  Status Corrupt(const std::string& why) const;
  Status WriteFailed() const;  // a write of the file failed (errno kept)
  // The cached node of page, read and decoded first when not cached; *out is valid
  // until the cache next changes.
  Status Fetch(uint32_t page, const std::shared_ptr<Node>** out);
  Status Descend(const Target& t, std::vector<PathStep>* path, Pos* leaf);
  // A step from page (node cur) reached *nn at *next, whose link back is not page: ok
  // when it is a split cut short between its writes (*next and *nn then the page to
  // step to; *holdsOurs when that page still holds the entries of ours).
  Status MendStep(uint32_t page, const Node& cur, bool forward, uint32_t* next, std::shared_ptr<Node>* nn,
                  bool* holdsOurs);
  Status Write(uint32_t page, const std::shared_ptr<Node>& n);
  void NoteDeferred(uint32_t page);  // a page written while the file holds writes back
  // Writes n's page, already encoded into buf (kPageSize bytes).
  Status WriteEncoded(uint32_t page, const std::shared_ptr<Node>& n, const uint8_t* buf);
  // A page for a new node, cached as that page's node from now on.
  Status Allocate(const std::shared_ptr<Node>& node, uint32_t* page);
  Status Release(uint32_t page);
  Status Relink(uint32_t page, bool setLeft, uint32_t value);
  // Links n's neighbours to each other, past n.
  Status LinkPast(const Node& n);
  Status Unlink(uint32_t page, const Node& n);
  Status SplitAndWrite(std::vector<PathStep>& path, size_t level, uint32_t page,
                       const std::shared_ptr<Node>& node, bool leftHeavy);
  Status FixSeparators(std::vector<PathStep>& path, size_t level, const Node& changed);
  Status DropEmpty(std::vector<PathStep>& path, size_t level, uint32_t page, const Node& n, bool detach);
  Status MergeRight(std::vector<PathStep>& path, const Pos& leaf);
  Status CollapseRoot();
  Status WriteHeader();
  Status FinishChange(Status s);
  Status CheckNode(uint32_t page, int depth, CheckState* st, Bound* lo, Bound* hi);

  File* file_;
  uint32_t header_;
  uint16_t keyLen_;
  uint8_t filler_;
  uint64_t* gens_;  // the index's generation source, shared by its trees
  uint64_t gen_ = 0;
  bool loaded_ = false;
  uint32_t root_ = kNone, free_ = kNone, counter_ = 0;
  uint64_t allocEnd_ = 0;  // next page to append during one change; 0 = not known yet
  bool changed_ = false;   // a page was written during this change
  bool held_ = false;
  bool cacheOnly_ = false;
  bool bigEndianCounter_ = false;
  uint32_t diskRoot_ = kNone, diskFree_ = kNone;  // as the header on disk says
  std::vector<uint32_t> deferredPages_;
  std::vector<uint32_t> newPages_;  // taken while the file holds writes back
  PageCache cache_;
};

// Bulk build: appends the pages of a tree holding these sorted entries to out, whose
// first byte lies at file offset base. Returns the root page. With room, pages are
// filled to 7/8 only, so that inserts after a rebuild seldom split a page.
struct SortedEntries {
  const uint8_t* keys;  // count * keyLen bytes
  const uint32_t* recnos;
  size_t count;
};
uint32_t BuildTree(const SortedEntries& e, uint16_t keyLen, uint8_t filler, uint64_t base, bool room,
                   std::vector<uint8_t>* out);

}  // namespace xb::cdx
