#include "platform/xbase/Cdx.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/xbase/CdxBuild.h"
#include "platform/xbase/CdxLock.h"
#include "platform/xbase/CdxTree.h"

namespace xb {

using namespace cdx;

std::string EncodeNumericKey(double value) {
  if (value == 0) value = 0;  // -0 sorts as 0
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bits = (bits >> 63) ? ~bits : bits ^ (uint64_t(1) << 63);
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[size_t(i)] = char(uint8_t(bits >> (56 - 8 * i)));
  return key;
}

double DecodeNumericKey(std::string_view key) {
  uint64_t bits = 0;
  for (size_t i = 0; i < 8; ++i) bits = bits << 8 | (i < key.size() ? uint8_t(key[i]) : 0);
  bits = (bits >> 63) ? bits ^ (uint64_t(1) << 63) : ~bits;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

namespace {

bool IsBareName(std::string_view expr) {
  while (!expr.empty() && expr.front() == ' ') expr.remove_prefix(1);
  while (!expr.empty() && expr.back() == ' ') expr.remove_suffix(1);
  if (expr.empty() || std::isdigit(static_cast<unsigned char>(expr[0]))) return false;
  return std::all_of(expr.begin(), expr.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

std::string PoolString(const uint8_t* header, size_t startAt, size_t lenAt, bool* ok) {
  const size_t start = GetLE16(header + startAt), len = GetLE16(header + lenAt);
  if (start + len > kHeaderSize - 512) {
    *ok = false;
    return {};
  }
  const char* p = reinterpret_cast<const char*>(header + 512 + start);
  return std::string(p, strnlen(p, len));
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

class Index;

// The file's first bytes: the directory header, its root and usually the first tag
// headers. Shorter when the file is.
Status ReadHead(File* file, std::vector<uint8_t>* head) {
  head->resize(4 * kHeaderSize);
  const long long got = file->ReadSome(0, head->data(), head->size());
  if (got < static_cast<long long>(kHeaderSize + kPageSize)) {
    return Status(Code::kCorrupt, file->path() + " is too short for an index");
  }
  head->resize(size_t(got));
  return Status::Ok();
}

// Tree caches larger than this are dropped when an index is put on the shelf.
constexpr size_t kShelvedPages = 4096;
// Indexes a shelf keeps.
constexpr size_t kShelfEntries = 4;

class Cursor final : public CdxCursor {
 public:
  Cursor(Index* index, size_t tag) : index_(index), tag_(tag) {}
  bool SeekGE(std::string_view key) override;
  bool SeekGT(std::string_view key) override;
  bool SeekEntry(std::string_view key, uint32_t recno) override;
  bool First() override;
  bool Last() override;
  bool Next() override { return Move(true); }
  bool Prev() override { return Move(false); }
  bool Valid() const override { return valid_; }
  const std::string& Key() const override { return key_; }
  uint32_t RecNo() const override { return recno_; }
  const Status& LastStatus() const override { return status_; }

 private:
  template <typename Op>
  bool Run(Op op);
  bool Seek(std::string_view key, bool after, uint32_t recno, bool pad);
  bool Move(bool forward);
  bool Settle(Tree& tree, const Status& s);

  Index* index_;
  size_t tag_;
  Pos pos_;
  uint64_t gen_ = 0;
  bool valid_ = false;
  std::string key_;
  uint32_t recno_ = 0;
  Status status_;
};

class Index final : public CdxIndex {
 public:
  Index(std::string path, File::Mode mode, std::unique_ptr<File> file, bool detectTypes, CdxShelf* shelf)
      : path_(std::move(path)), mode_(mode), file_(std::move(file)), detectTypes_(detectTypes), shelf_(shelf) {}
  ~Index() override {
    while (depth_ > 0) Release();  // a lock left held: write its counters, let go
    RememberWhole();
    Shelve();
  }

  // Reads the tags, or takes over a shelved index of the same file (may be null)
  // when the file, whose stamp is `now`, is as it was.
  Status Load(std::unique_ptr<CdxShelf::Entry> shelved, const FileStamp& now);

  size_t TagCount() const override { return defs_.size(); }
  const TagDef& Tag(size_t i) const override { return defs_.at(i); }
  int FindTag(std::string_view name) const override {
    for (size_t i = 0; i < defs_.size(); ++i) {
      if (SameName(defs_[i].name, name)) return int(i);
    }
    return -1;
  }
  void SetKeyType(size_t tag, KeyType type) override {
    if (tag >= defs_.size()) return;
    defs_[tag].type = type;
    trees_[tag]->SetFiller(FillerFor(type));
  }
  std::unique_ptr<CdxCursor> NewCursor(size_t tag) override {
    if (tag >= defs_.size()) return nullptr;
    return std::make_unique<Cursor>(this, tag);
  }
  Status Insert(size_t tag, std::string_view key, uint32_t recno) override { return Change(tag, key, recno, true); }
  Status Remove(size_t tag, std::string_view key, uint32_t recno) override { return Change(tag, key, recno, false); }
  Status RebuildAll(std::vector<TagEntries> entries) override;
  uint64_t KeyCount(size_t tag) override;
  Status Check() override;
  Status CheckTag(size_t tag, bool exact) override { return CheckTag(tag, exact, nullptr); }
  bool SeenWhole() const override { return dir_ && wholeAt_ >= 0 && wholeAt_ == int64_t(dir_->counter()); }
  Status CheckWhole(std::vector<uint64_t>* keys) override;
  void MarkSeenWhole() override { wholeAt_ = dir_ && !damaged_ ? int64_t(dir_->counter()) : -1; }
  Status RebuildTag(size_t tag, TagEntries entries) override;
  Status LockExclusive() override {
    if (!file_->writable()) return Status(Code::kReadOnly, path_ + " is open read-only");
    return Acquire(true);
  }
  void UnlockExclusive() override {
    if (depth_ > 0) Release();
  }
  Status LockShared() override { return Acquire(false); }
  void UnlockShared() override { UnlockExclusive(); }
  bool ReadCached() override;
  bool TakeCounterMoved() override { return std::exchange(counterMoved_, false); }
  void SetLockPolicy(const LockPolicy& policy) override { policy_ = policy; }
  File::LockResult HoldFile(bool exclusive) override {
    const File::LockResult r = file_->Flock(exclusive);
    if (r == File::LockResult::kOk) fileHold_ = exclusive ? kHeldExclusive : kHeldShared;
    return r;
  }
  void BeginBatch() override {
    if (depth_ > 0 && exclusive_) file_->Defer();
  }
  Status FlushBatch() override;
  void DropBatch() override;
  void SetIdentity(dev_t dev, ino_t ino) {
    dev_ = dev;
    ino_ = ino;
  }

  // One tag operation: the lock held and the tag's cache checked against the file.
  Status Begin(size_t tag, bool exclusive);
  // Passes s on; a damaged page or header in it marks the index damaged: nothing is
  // written into it from then on, by this handle or any other of the engine's that
  // opens the file unchanged.
  Status Seen(Status s);
  void SetDamaged() { damaged_ = true; }
  // The index opened is one the shelf saw whole.
  void SetSeenWhole() { wholeAt_ = dir_ ? int64_t(dir_->counter()) : -1; }
  void End() { Release(); }
  Tree& tree(size_t tag) { return *trees_[tag]; }
  const TagDef& def(size_t tag) const { return defs_[tag]; }

 private:
  Status Acquire(bool exclusive);
  void Release();
  Status CheckTag(size_t tag, bool exact, uint64_t* keys);
  // Leaves the file's stamp on the shelf as seen whole, when it is.
  void RememberWhole();
  int64_t wholeAt_ = -1;  // the file's change counter when last seen whole; -1: not
  // Bytes 8..11 of the file count the changes of any tag (other programs bump only
  // those): when they moved since this handle last looked, every cached page may be
  // stale. Called with the lock just taken.
  Status CheckFileCounter();
  // Bumps them once for the changes made under the lock held now.
  Status BumpFileCounter();
  // Before the first write under the lock held now: bumps them, so that a writer
  // stopped between its writes leaves them moved and no handle trusts pages it cached
  // before (nor writes them back). Release then bumps them no more. MarkBeforeWrite
  // has it done before the next page write that reaches the file.
  Status MarkChange();
  void MarkBeforeWrite() {
    if (!bumped_) file_->BeforeNextWrite([this] { return MarkChange().ok(); });
  }
  Status Change(size_t tag, std::string_view key, uint32_t recno, bool insert);
  Status CheckTags(std::vector<uint64_t>* keys = nullptr);
  bool Replaced() const;
  Status Reopen();
  // Reads the directory and tag headers of file (its first bytes in head) into
  // dirs/defs/trees; with detectTypes also the roots of tags that may be numeric.
  Status ReadTags(File* file, const std::vector<uint8_t>& head, bool detectTypes, std::vector<TagDef>* defs,
                  std::vector<std::unique_ptr<Tree>>* trees, std::unique_ptr<Tree>* dir);
  // Takes over what a closed index of this file left.
  void Unshelve(CdxShelf::Entry* e);
  void Shelve();

  std::string path_;
  File::Mode mode_;
  std::unique_ptr<File> file_;
  bool detectTypes_;  // read roots at open to tell numeric tags from character ones
  std::vector<TagDef> defs_;
  std::vector<std::unique_ptr<Tree>> trees_;
  std::unique_ptr<Tree> dir_;
  uint64_t gens_ = 0;
  int depth_ = 0;
  bool exclusive_ = false;
  bool cached_ = false;              // held by ReadCached, without the lock
  bool fileChanged_ = false;         // a tag changed under the lock held now
  bool bumped_ = false;              // the file's counter moved under the lock held now
  bool counterMoved_ = false;        // another's change seen since TakeCounterMoved
  uint64_t epoch_ = 0;               // counts lock acquisitions
  LockPolicy policy_;
  uint32_t sharedTaken_ = 0;         // shared locks taken, for the writer-intent probe
  std::vector<uint64_t> checkedIn_;  // the epoch in which each tag was last checked
  // The file's change counter when each tag's header was last read or written by this
  // handle (-1: not since it was opened anew); ReadCached trusts a tag only while the
  // file's counter still has that value.
  std::vector<int64_t> checkedAt_;
  std::vector<uint64_t> flushOrder_;  // FlushBatch's page order, its room kept
  CdxShelf* shelf_;
  // The file's change counter as read at open; -1 when what the handle holds no
  // longer derives from that read (a reopen), or without a shelf.
  int64_t openedAt_ = -1;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  uint64_t forks_ = ForkGeneration();  // when the file was opened: after a fork it is shared
  enum { kNotHeld, kHeldShared, kHeldExclusive } fileHold_ = kNotHeld;  // HoldFile
  bool damaged_ = false;
};

}  // namespace

Status Index::Seen(Status s) {
  if (s.code() != Code::kCorrupt || damaged_) return s;
  damaged_ = true;
  wholeAt_ = -1;
  FileStamp stamp;
  if (shelf_ && file_->Stamp(&stamp)) {
    auto& damaged = shelf_->damaged;
    if (damaged.size() >= kShelfEntries) damaged.erase(damaged.begin());
    damaged.push_back(stamp);
  }
  return s;
}

struct CdxShelf::Entry {
  std::string path;
  File::Mode mode;
  dev_t dev;
  ino_t ino;
  std::unique_ptr<File> file;
  int64_t openedAt;
  std::vector<TagDef> defs;
  std::vector<std::unique_ptr<Tree>> trees;
  std::unique_ptr<Tree> dir;
  std::vector<int64_t> checkedAt;
  FileStamp stamp;  // the file when it was kept
  uint64_t gens;
  uint32_t sharedTaken;
  uint64_t forks;  // ForkGeneration() when it was kept
};

CdxShelf::CdxShelf() = default;
CdxShelf::~CdxShelf() = default;

namespace {

// ---- Index ----

Status Index::Acquire(bool exclusive) {
  if (depth_ > 0) {
    if (exclusive && !exclusive_) return Status(Code::kInvalid, "the index is held shared");
    ++depth_;
    return Status::Ok();
  }
  if (Status s = LockIndexFile(file_.get(), exclusive, policy_, &sharedTaken_); !s.ok()) return s;
  depth_ = 1;
  exclusive_ = exclusive;
  bumped_ = false;
  ++epoch_;
  if (Status s = CheckFileCounter(); !s.ok()) {
    Release();
    return s;
  }
  return Status::Ok();
}

Status Index::CheckFileCounter() {
  if (!dir_) return Status::Ok();  // still opening
  bool moved = false;
  if (Status s = dir_->Refresh(&moved); !s.ok() || !moved) return s;
  counterMoved_ = true;
  for (auto& t : trees_) t->DropCache();
  return Replaced() ? Reopen() : Status::Ok();
}

Status Index::BumpFileCounter() {
  if (!fileChanged_) return Status::Ok();
  fileChanged_ = false;
  if (bumped_) return Status::Ok();
  const int64_t before = dir_->counter();
  const Status s = dir_->BumpCounter();
  // Tags checked before are as current after a change of this handle's own.
  if (s.ok()) std::replace(checkedAt_.begin(), checkedAt_.end(), before, int64_t(dir_->counter()));
  if (s.ok() && wholeAt_ == before) wholeAt_ = dir_->counter();
  return s;
}

Status Index::MarkChange() {
  if (bumped_) return Status::Ok();
  fileChanged_ = true;
  const Status s = BumpFileCounter();
  bumped_ = s.ok();
  return s;
}

bool Index::ReadCached() {
  uint32_t counter = 0;
  if (depth_ > 0 || !dir_ || !dir_->PeekCounter(&counter) || counter != dir_->counter()) return false;
  depth_ = 1;
  exclusive_ = false;
  cached_ = true;
  for (auto& t : trees_) t->SetCacheOnly(true);
  return true;
}

Status Index::FlushBatch() {
  if (!file_->deferring()) return Status::Ok();
  std::vector<uint64_t>& order = flushOrder_;
  order.clear();
  Status s;
  for (auto& t : trees_) {
    if (s.ok()) s = t->DeferredOrder(&order);
  }
  if (s.ok() && file_->Flush(order)) return Status::Ok();
  if (s.ok()) s = Status::System(Code::kIo, "cannot write " + path_);
  DropBatch();
  return s;
}

void Index::DropBatch() {
  file_->Discard();
  for (auto& t : trees_) {
    t->ForgetDeferred();
    t->Forget();
  }
  if (dir_) dir_->Forget();
}

void Index::Release() {
  if (depth_ == 0) return;
  // The file's counter tells of the changes made under a lock held across operations.
  if (depth_ == 1 && exclusive_) {
    FlushBatch();
    BumpFileCounter();
  }
  if (--depth_ > 0) return;
  file_->BeforeNextWrite(nullptr);
  if (!cached_) {
    UnlockIndexFile(file_.get());
    return;
  }
  cached_ = false;
  for (auto& t : trees_) t->SetCacheOnly(false);
}

// A rebuild renames a new file over the path; the old one, still open here, has no
// name left. The look also takes the file's size anew for the mapped page reads.
bool Index::Replaced() const {
  struct stat st {};
  return file_->Stat(&st) && st.st_nlink == 0;
}

Status Index::Begin(size_t tag, bool exclusive) {
  if (tag >= trees_.size()) return Status(Code::kInvalid, "no tag " + std::to_string(tag));
  if (exclusive && !file_->writable()) return Status(Code::kReadOnly, path_ + " is open read-only");
  if (Status s = Acquire(exclusive); !s.ok()) return s;
  if (cached_) {
    if (checkedAt_[tag] == dir_->counter() && trees_[tag]->loaded()) return Status::Ok();
    Release();
    return Status(Code::kStale, path_ + ": tag " + defs_[tag].name + " is not checked since the last change");
  }
  // Under a lock held across operations nobody else can change the file.
  if (depth_ > 1 && checkedIn_[tag] == epoch_ && trees_[tag]->loaded()) return Status::Ok();
  bool moved = false;
  Status s = trees_[tag]->Refresh(&moved);
  if (s.ok() && moved && Replaced()) {
    s = Reopen();
    if (s.ok()) s = trees_[tag]->Refresh(&moved);
  }
  if (!s.ok()) {
    Release();
    return s;
  }
  checkedIn_[tag] = epoch_;
  checkedAt_[tag] = dir_->counter();
  return Status::Ok();
}

Status Index::ReadTags(File* file, const std::vector<uint8_t>& head, bool detectTypes, std::vector<TagDef>* defs,
                       std::vector<std::unique_ptr<Tree>>* trees, std::unique_ptr<Tree>* dir) {
  // The file's size matters only for tag headers beyond its first bytes.
  uint64_t size = head.size() < 4 * kHeaderSize ? head.size() : 0;
  auto readAt = [&](uint64_t off, uint8_t* buf, size_t n) {
    if (off + n > head.size()) return file->ReadAt(off, buf, n);
    std::memcpy(buf, head.data() + off, n);
    return true;
  };
  uint8_t h[kHeaderSize];
  readAt(0, h, sizeof h);
  const uint16_t dirKeyLen = GetLE16(h + 12);
  if ((h[14] & 0x20) == 0 || dirKeyLen == 0 || dirKeyLen > kMaxKeyLen) {
    return Status(Code::kCorrupt, file->path() + " is not a compact compound index");
  }
  *dir = std::make_unique<Tree>(file, 0, dirKeyLen, ' ', &gens_);
  (*dir)->SetBigEndianCounter();
  bool moved;
  (*dir)->Adopt(h, &moved);
  const uint32_t dirRoot = (*dir)->root();
  if ((*dir)->PageInFile(dirRoot) && uint64_t(dirRoot) + kPageSize <= head.size()) {
    std::shared_ptr<Node> root;
    if (Status s = (*dir)->Decode(dirRoot, head.data() + dirRoot, &root); !s.ok()) return s;
  }

  std::vector<std::pair<uint32_t, std::string>> tags;  // header offset, name
  Pos pos;
  Status s = (*dir)->First(&pos);
  for (; s.ok() && pos.valid(); s = (*dir)->Step(&pos, true)) {
    const uint32_t off = pos.leaf->recnos[pos.index];
    std::string name(pos.leaf->keyView(pos.index));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    if (uint64_t(off) + kHeaderSize > head.size() && size == 0) size = file->Size();
    if (off < kHeaderSize || off % kPageSize != 0 || uint64_t(off) + kHeaderSize > std::max<uint64_t>(size, head.size()) ||
        name.empty()) {
      return Status(Code::kCorrupt, file->path() + ": the tag directory is damaged");
    }
    tags.emplace_back(off, std::move(name));
  }
  if (!s.ok()) return s;
  std::sort(tags.begin(), tags.end());
  for (size_t i = 1; i < tags.size(); ++i) {
    if (tags[i].first == tags[i - 1].first) return Status(Code::kCorrupt, file->path() + ": two tags share a header");
  }

  for (const auto& [off, name] : tags) {
    if (!readAt(off, h, sizeof h)) return Status(Code::kCorrupt, file->path() + ": tag header cannot be read");
    TagDef d;
    d.name = name;
    d.keyLen = GetLE16(h + 12);
    bool ok = (h[14] & 0x20) != 0 && d.keyLen > 0 && d.keyLen <= kMaxKeyLen;
    d.keyExpr = PoolString(h, 508, 510, &ok);
    d.forExpr = PoolString(h, 504, 506, &ok);
    if (!ok) return Status(Code::kCorrupt, file->path() + ": tag " + name + " has an impossible header");
    d.descending = GetLE16(h + 502) != 0;
    d.unique = (h[14] & 0x01) != 0;
    auto tree = std::make_unique<Tree>(file, off, d.keyLen, ' ', &gens_);
    tree->Adopt(h, &moved);
    d.type = KeyType::kChar;
    if (detectTypes && d.keyLen == 8 && IsBareName(d.keyExpr)) {
      // Character keys of an 8-byte field are printable text; numeric keys are not.
      uint8_t raw[kPageSize];
      std::shared_ptr<Node> root;
      if (Status ls = tree->ReadPage(tree->root(), raw); !ls.ok()) return ls;
      // Decoded with the character filler while the type is not known.
      Node keys;
      std::string why;
      if (!DecodeNode(raw, d.keyLen, ' ', &keys, &why, false)) {
        return Status(Code::kCorrupt, file->path() + ": page " + std::to_string(tree->root()) + ": " + why);
      }
      const bool text = keys.count() > 0 && std::all_of(keys.keys.begin(), keys.keys.end(),
                                                        [](uint8_t b) { return b >= 0x20 && b < 0x7F; });
      if (!text) {
        d.type = KeyType::kNumeric;
        tree->SetFiller(FillerFor(d.type));
      }
      // The root stays cached, decoded with the tag's filler.
      if (Status ls = tree->Decode(tree->root(), raw, &root); !ls.ok()) return ls;
    }
    defs->push_back(std::move(d));
    trees->push_back(std::move(tree));
  }
  return Status::Ok();
}

Status Index::Load(std::unique_ptr<CdxShelf::Entry> shelved, const FileStamp& now) {
  // Nobody wrote the file since it was kept (another program working exclusively
  // changes keys without moving the counter): the kept state stands, as for an index
  // held open.
  if (shelved && shelved->stamp == now) {
    Unshelve(shelved.get());
    checkedIn_.assign(defs_.size(), 0);
    return Status::Ok();
  }
  if (Status s = Acquire(false); !s.ok()) return s;
  std::vector<uint8_t> head;
  Status s = ReadHead(file_.get(), &head);
  if (s.ok()) {
    s = ReadTags(file_.get(), head, detectTypes_, &defs_, &trees_, &dir_);
    // The tag headers were read under the lock, at the counter read with them.
    checkedAt_.assign(defs_.size(), dir_ ? int64_t(dir_->counter()) : -1);
    if (s.ok() && shelf_) openedAt_ = dir_->counter();
  }
  Release();
  checkedIn_.assign(defs_.size(), 0);
  return s;
}

void Index::Unshelve(CdxShelf::Entry* e) {
  openedAt_ = e->openedAt;
  defs_ = std::move(e->defs);
  trees_ = std::move(e->trees);
  dir_ = std::move(e->dir);
  checkedAt_ = std::move(e->checkedAt);
  gens_ = e->gens;  // generations go on rising: no cursor mistakes a drop for its own state
  sharedTaken_ = e->sharedTaken;
  dir_->Rebind(file_.get(), &gens_);
  for (auto& t : trees_) t->Rebind(file_.get(), &gens_);
}

// Leaves the file, definitions and pages for the next open of this file, when they
// are still those read at open (no change seen since) and the file's stamp tells every
// later write. A change completed meanwhile moved the file's counter, which the next
// use checks as for an index held open; one made in exclusive use (the counter kept)
// can begin only once the flock is given up, after the stamp.
void Index::Shelve() {
  if (!shelf_ || openedAt_ < 0 || !dir_ || openedAt_ != dir_->counter() || forks_ != ForkGeneration()) return;
  FileStamp stamp;
  if (!file_->Stamp(&stamp) || !stamp.Settled()) return;
  if (fileHold_ != kNotHeld) file_->Unflock();
  auto e = std::make_unique<CdxShelf::Entry>();
  e->stamp = stamp;
  e->path = path_;
  e->mode = mode_;
  e->dev = dev_;
  e->ino = ino_;
  for (auto& t : trees_) {
    if (t->cachedPages() > kShelvedPages) t->DropCache();
  }
  e->openedAt = openedAt_;
  e->defs = std::move(defs_);
  e->trees = std::move(trees_);
  e->dir = std::move(dir_);
  e->checkedAt = std::move(checkedAt_);
  e->gens = gens_;
  e->sharedTaken = sharedTaken_;
  e->forks = forks_;
  e->file = std::move(file_);
  auto& entries = shelf_->entries;
  std::erase_if(entries, [&](const auto& x) { return x->dev == e->dev && x->ino == e->ino; });
  if (entries.size() >= kShelfEntries) entries.erase(entries.begin());
  entries.push_back(std::move(e));
}

// The file on disk was replaced (rebuilt by another handle): open the new one, keep
// the lock held, and carry the tag definitions (and their key types) over.
Status Index::Reopen() {
  Status s;
  auto file = File::Open(path_, mode_, &s);
  if (!file) return s;
  file->MapReads();
  // The flock goes over to the new file (a reader may go on without it, as at open).
  if (fileHold_ != kNotHeld) file->Flock(fileHold_ == kHeldExclusive);
  if (depth_ > 0) {
    if (Status ls = LockIndexFile(file.get(), exclusive_, policy_, &sharedTaken_); !ls.ok()) return ls;
  }
  std::vector<TagDef> defs;
  std::vector<std::unique_ptr<Tree>> trees;
  std::unique_ptr<Tree> dir;
  // The tags keep the types they have; the new roots need not be read for them.
  std::vector<uint8_t> head;
  if (Status rs = ReadHead(file.get(), &head); !rs.ok()) return rs;
  if (Status rs = ReadTags(file.get(), head, false, &defs, &trees, &dir); !rs.ok()) return rs;
  if (defs.size() != defs_.size()) return Status(Code::kCorrupt, path_ + " was replaced by an index of other tags");
  for (size_t i = 0; i < defs.size(); ++i) {
    if (!SameName(defs[i].name, defs_[i].name) || defs[i].keyLen != defs_[i].keyLen) {
      return Status(Code::kCorrupt, path_ + " was replaced by an index of other tags");
    }
    trees[i]->SetFiller(FillerFor(defs_[i].type));
  }
  file_ = std::move(file);  // closing the old file drops the lock held on it
  openedAt_ = -1;
  damaged_ = false;
  wholeAt_ = -1;
  trees_ = std::move(trees);
  dir_ = std::move(dir);
  checkedIn_.assign(defs_.size(), 0);
  checkedAt_.assign(defs_.size(), -1);
  return Status::Ok();
}

Status Index::Change(size_t tag, std::string_view key, uint32_t recno, bool insert) {
  if (tag >= defs_.size()) return Status(Code::kInvalid, "no tag " + std::to_string(tag));
  if (key.size() != defs_[tag].keyLen) {
    return Status(Code::kInvalid, "key for tag " + defs_[tag].name + " must be " +
                                      std::to_string(defs_[tag].keyLen) + " bytes");
  }
  if (recno == 0) return Status(Code::kInvalid, "record number 0");
  if (damaged_) return Status(Code::kCorrupt, path_ + " is damaged: nothing is written into it until it is rebuilt");
  if (Status s = Seen(Begin(tag, true)); !s.ok()) return s;
  MarkBeforeWrite();
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  trees_[tag]->SetHeld(depth_ > 1);
  const uint64_t before = trees_[tag]->generation();
  Status s = insert ? trees_[tag]->Insert(k, recno, defs_[tag].unique) : trees_[tag]->Remove(k, recno);
  if (trees_[tag]->generation() != before) fileChanged_ = true;  // pages written (or in doubt)
  if (depth_ == 1) {
    const Status b = BumpFileCounter();
    if (s.ok()) s = b;
  }
  End();
  return Seen(s);
}

uint64_t Index::KeyCount(size_t tag) {
  if (!Begin(tag, false).ok()) return 0;
  uint64_t n = 0;
  const Status s = trees_[tag]->Count(&n);
  End();
  return s.ok() ? n : 0;
}

Status Index::Check() { return Seen(CheckTags()); }

Status Index::CheckTags(std::vector<uint64_t>* keys) {
  if (Status s = Acquire(false); !s.ok()) return s;
  bool moved;
  uint64_t tags = 0;
  Status s = dir_->Refresh(&moved);
  if (s.ok()) s = dir_->Check(&tags);
  Release();
  if (!s.ok()) return s;
  if (tags != defs_.size()) return Status(Code::kCorrupt, path_ + ": the tag directory changed");
  if (keys) keys->assign(defs_.size(), 0);
  for (size_t t = 0; t < defs_.size(); ++t) {
    if (Status s = CheckTag(t, false, keys ? &(*keys)[t] : nullptr); !s.ok()) return s;
  }
  return Status::Ok();
}

Status Index::CheckTag(size_t tag, bool exact, uint64_t* keys) {
  if (Status s = Begin(tag, false); !s.ok()) return s;
  // Each level's sibling links are checked against the pages met in key order: the
  // leaf chain is theirs, with the keys counted.
  uint64_t checked = 0;
  const Status s = trees_[tag]->Check(&checked, exact);
  End();
  if (keys) *keys = checked;
  return s;
}

Status Index::CheckWhole(std::vector<uint64_t>* keys) { return Seen(CheckTags(keys)); }

void Index::RememberWhole() {
  uint32_t counter = 0;
  FileStamp stamp;
  if (!shelf_ || !SeenWhole() || !dir_->PeekCounter(&counter) || counter != dir_->counter() ||
      !file_->Stamp(&stamp) || !stamp.Settled()) {
    return;
  }
  auto& whole = shelf_->whole;
  std::erase_if(whole, [&](const FileStamp& w) { return w.dev == stamp.dev && w.ino == stamp.ino; });
  if (whole.size() >= kShelfEntries) whole.erase(whole.begin());
  whole.push_back(stamp);
}

Status Index::RebuildTag(size_t tag, TagEntries entries) {
  if (tag >= defs_.size()) return Status(Code::kInvalid, "no tag " + std::to_string(tag));
  if (Status s = SortEntries(&entries, defs_[tag]); !s.ok()) return s;
  if (Status s = Begin(tag, true); !s.ok()) return s;
  MarkBeforeWrite();
  Tree& t = *trees_[tag];
  const uint64_t base = (file_->Size() + kPageSize - 1) / kPageSize * kPageSize;
  std::vector<uint8_t> pages;
  const uint32_t root = BuildTree({entries.keys.data(), entries.recnos.data(), entries.recnos.size()},
                                  defs_[tag].keyLen, t.filler(), base, true, &pages);
  // Nothing refers to the new pages until the header does.
  Status s = file_->WriteAt(base, pages.data(), pages.size()) ? t.Replace(root)
                                                               : Status::System(Code::kIo, "cannot write " + path_);
  fileChanged_ = true;
  if (depth_ == 1) {
    const Status b = BumpFileCounter();
    if (s.ok()) s = b;
  }
  End();
  return s;
}

Status Index::RebuildAll(std::vector<TagEntries> entries) {
  if (entries.size() != defs_.size()) return Status(Code::kInvalid, "RebuildAll needs entries for every tag");
  if (!file_->writable()) return Status(Code::kReadOnly, path_ + " is open read-only");
  std::vector<Status> results(defs_.size());
  {
    std::vector<std::thread> workers;
    for (size_t t = 0; t < defs_.size(); ++t) {
      workers.emplace_back([&, t] { results[t] = SortEntries(&entries[t], defs_[t]); });
    }
    for (auto& w : workers) w.join();
  }
  for (const Status& r : results) {
    if (!r.ok()) return r;
  }
  const std::vector<SortedTag>& sorted = entries;

  if (Status s = Acquire(true); !s.ok()) return s;
  std::vector<uint32_t> counters;
  std::vector<const SortedTag*> tags;
  Status s;
  for (size_t t = 0; t < defs_.size(); ++t) {
    // A damaged old file is no obstacle: its contents are not used.
    bool moved;
    counters.push_back(trees_[t]->Refresh(&moved).ok() ? trees_[t]->counter() + 1 : 1);
    tags.push_back(&sorted[t]);
  }
  const std::string temp = TempNameFor(path_);
  if (s.ok()) s = WriteIndexFile(temp, defs_, tags, counters, dir_->counter() + 1);
  // Handles still on the old file see its counters move, then find it replaced.
  for (size_t t = 0; t < defs_.size() && s.ok(); ++t) {
    uint8_t c[4];
    PutLE32(c, counters[t]);
    if (!file_->WriteAt(trees_[t]->headerOffset() + 8, c, sizeof c)) s = Status::System(Code::kIo, "cannot write " + path_);
  }
  if (s.ok()) s = dir_->BumpCounter();
  if (s.ok()) {
    s = ReplaceFile(temp, path_);
  } else {
    RemoveFile(temp);
  }
  if (s.ok()) s = Reopen();
  Release();
  return s;
}

// ---- Cursor ----

template <typename Op>
bool Cursor::Run(Op op) {
  status_ = index_->Seen(index_->Begin(tag_, false));
  if (!status_.ok()) return false;  // the position stays for a later try
  Tree& tree = index_->tree(tag_);
  const Status s = op(tree);
  index_->End();
  return Settle(tree, s);
}

bool Cursor::Settle(Tree& tree, const Status& s) {
  status_ = index_->Seen(s);
  valid_ = s.ok() && pos_.valid();
  if (!valid_) {
    pos_.reset();
    return false;
  }
  key_.assign(pos_.leaf->keyView(pos_.index));
  recno_ = pos_.leaf->recnos[pos_.index];
  gen_ = tree.generation();
  return true;
}

bool Cursor::Seek(std::string_view key, bool after, uint32_t recno, bool pad) {
  return Run([&](Tree& tree) {
    std::string k(key.substr(0, tree.keyLen()));
    if (pad) k.resize(tree.keyLen(), char(tree.filler()));
    return tree.Seek({reinterpret_cast<const uint8_t*>(k.data()), k.size(), recno, after}, &pos_);
  });
}

bool Cursor::SeekGE(std::string_view key) { return Seek(key, false, 0, false); }
bool Cursor::SeekGT(std::string_view key) { return Seek(key, true, 0, false); }
bool Cursor::SeekEntry(std::string_view key, uint32_t recno) { return Seek(key, false, recno, true); }
bool Cursor::First() {
  return Run([&](Tree& tree) { return tree.First(&pos_); });
}
bool Cursor::Last() {
  return Run([&](Tree& tree) { return tree.Last(&pos_); });
}

bool Cursor::Move(bool forward) {
  if (!valid_) {
    status_ = Status::Ok();
    return false;
  }
  return Run([&](Tree& tree) {
    if (tree.generation() == gen_) return tree.Step(&pos_, forward);
    // The tag changed since the cursor was placed: find (key, recno) again.
    const std::string k = key_;
    if (Status s = tree.Seek({reinterpret_cast<const uint8_t*>(k.data()), k.size(), recno_, false}, &pos_);
        !s.ok()) {
      return s;
    }
    if (!pos_.valid()) return forward ? Status::Ok() : tree.Last(&pos_);
    const bool same = CompareEntry(*pos_.leaf, pos_.index, reinterpret_cast<const uint8_t*>(k.data()), recno_) == 0;
    if (forward && !same) return Status::Ok();
    return tree.Step(&pos_, forward);
  });
}

}  // namespace

Status CdxIndex::RebuildAll(const std::vector<std::vector<KeyEntry>>& entries) {
  if (entries.size() != TagCount()) return Status(Code::kInvalid, "RebuildAll needs entries for every tag");
  std::vector<TagEntries> flat(entries.size());
  for (size_t t = 0; t < entries.size(); ++t) {
    const size_t keyLen = Tag(t).keyLen;
    flat[t].keys.reserve(entries[t].size() * keyLen);
    for (const KeyEntry& e : entries[t]) {
      if (e.key.size() != keyLen) {
        return Status(Code::kInvalid, "a key for tag " + Tag(t).name + " has the wrong length");
      }
      flat[t].keys.insert(flat[t].keys.end(), e.key.begin(), e.key.end());
      flat[t].recnos.push_back(e.recno);
    }
  }
  return RebuildAll(std::move(flat));
}

std::unique_ptr<CdxIndex> CdxIndex::Open(const std::string& path, File::Mode mode, Status* status,
                                         bool detectTypes, const LockPolicy& policy, CdxShelf* shelf) {
  if (detectTypes) shelf = nullptr;
  // A shelved index of the file the path names now: its file serves, still open.
  std::unique_ptr<CdxShelf::Entry> shelved;
  FileStamp st;
  bool damaged = false;
  if (shelf && (!shelf->entries.empty() || !shelf->damaged.empty() || !shelf->whole.empty()) &&
      FileStamp::At(path, &st)) {
    damaged = std::find(shelf->damaged.begin(), shelf->damaged.end(), st) != shelf->damaged.end();
    auto& entries = shelf->entries;
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
      return e->dev == st.dev && e->ino == st.ino && e->mode == mode && e->path == path &&
             e->forks == ForkGeneration();
    });
    if (it != entries.end()) {
      shelved = std::move(*it);
      entries.erase(it);
    }
  }
  Status s;
  auto file = shelved ? std::move(shelved->file) : File::Open(path, mode, &s);
  if (file && shelf && !shelved && !file->Stamp(&st)) shelf = nullptr;
  if (file) {
    file->MapReads();
    auto index = std::make_unique<Index>(path, mode, std::move(file), detectTypes, shelf);
    index->SetLockPolicy(policy);
    if (shelf) index->SetIdentity(st.dev, st.ino);
    if (damaged) index->SetDamaged();
    s = index->Load(std::move(shelved), st);
    if (s.ok()) {
      if (shelf && !damaged && std::find(shelf->whole.begin(), shelf->whole.end(), st) != shelf->whole.end()) {
        index->SetSeenWhole();
      }
      if (status) *status = s;
      return index;
    }
  }
  if (status) *status = s;
  return nullptr;
}

Status CdxIndex::Create(const std::string& path, const std::vector<TagDef>& tags) {
  std::vector<TagDef> defs = tags;
  for (size_t i = 0; i < defs.size(); ++i) {
    if (Status s = CheckTagDef(&defs[i]); !s.ok()) return s;
    for (size_t j = 0; j < i; ++j) {
      if (defs[j].name == defs[i].name) return Status(Code::kInvalid, "two tags named " + defs[i].name);
    }
  }
  const std::string temp = TempNameFor(path);
  Status s = WriteIndexFile(temp, defs, std::vector<const SortedTag*>(defs.size(), nullptr),
                            std::vector<uint32_t>(defs.size(), 0));
  if (!s.ok()) {
    RemoveFile(temp);
    return s;
  }
  return ReplaceFile(temp, path);
}

}  // namespace xb
