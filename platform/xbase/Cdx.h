#pragma once
// Compact compound index files (.cdx): a tag directory and one B+tree per tag, in
// 512-byte pages, byte-compatible with FoxPro-style engines (see docs/xbase.md).
//
// CdxIndex knows keys and record numbers only; computing a record's key from a key
// expression is the table layer's business. Keys are byte strings of exactly the
// tag's key length (character keys blank-padded, numeric keys 8 bytes, see
// EncodeNumericKey) and are kept in ascending byte order, equal keys by record number.
// A descending tag is stored ascending; the caller walks it from the end.
//
// Sharing: every operation takes the index file's lock at byte 0x7FFFFFFE (shared for
// reading a tag, exclusive for changing one; a waiting writer keeps new readers out,
// see CdxLock.h) for its own length, and re-reads pages whose tag change counter, or the
// file's change counter (bytes 8..11, big-endian, the one other programs bump), has
// moved since they were cached; every change bumps the file's counter before its first
// page write (and the tag's, except under a lock held across changes when neither root
// nor free list moves). So
// several handles in one or more processes, ours or other programs', see one
// consistent index. Not thread-safe.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/xbase/File.h"
#include "platform/xbase/LockPolicy.h"
#include "platform/xbase/Status.h"

namespace xb {

enum class KeyType : char { kChar = 'C', kNumeric = 'N' };

struct TagDef {
  std::string name;     // at most 10 characters, stored upper case
  std::string keyExpr;  // the key expression text, as stored in the pool
  std::string forExpr;  // the FOR expression text; empty for none
  KeyType type = KeyType::kChar;
  uint16_t keyLen = 0;  // 8 for numeric keys
  bool descending = false;
  bool unique = false;
};

// 8-byte numeric key: the IEEE double big-endian, sign bit flipped for values >= 0,
// all bits inverted for values < 0, so that byte order is numeric order.
std::string EncodeNumericKey(double value);
double DecodeNumericKey(std::string_view key);

struct KeyEntry {
  std::string key;
  uint32_t recno = 0;
};

// A tag's entries in flat arrays: recnos.size() keys of the tag's key length one after
// the other, and their record numbers.
struct TagEntries {
  std::vector<uint8_t> keys;
  std::vector<uint32_t> recnos;
};

class CdxIndex;

// A position in one tag, in stored (ascending) order. Valid until its index is
// destroyed. After a change by this or another handle the cursor finds its place
// again by its key and record number.
class CdxCursor {
 public:
  virtual ~CdxCursor() = default;
  // First entry whose key, cut to key.size() bytes, is >= key. False when none.
  virtual bool SeekGE(std::string_view key) = 0;
  // First entry whose key, cut to key.size() bytes, is > key. False when none.
  virtual bool SeekGT(std::string_view key) = 0;
  // The entry (key, recno) exactly, or the first one after it. False when none.
  virtual bool SeekEntry(std::string_view key, uint32_t recno) = 0;
  virtual bool First() = 0;
  virtual bool Last() = 0;
  virtual bool Next() = 0;  // false (and not valid) past the last entry
  virtual bool Prev() = 0;  // false (and not valid) before the first entry
  virtual bool Valid() const = 0;
  virtual const std::string& Key() const = 0;
  virtual uint32_t RecNo() const = 0;
  // Why the last operation failed (a corrupt page, a lock that could not be had);
  // ok() when it simply ran off the end.
  virtual const Status& LastStatus() const = 0;
};

// What an engine keeps of the indexes its handles closed: the open file, the tag
// definitions and the cached pages. Opening the same file again takes them over when
// the file's change counter, read through the kept file's mapping, or else its
// first bytes (counter, tag directory, first tag headers), read under the index lock,
// are as they were; every later read checks the counters as an index held open all
// along does. The kept file stays open, so its
// (device, inode) names no other file meanwhile. Not thread-safe.
class CdxShelf {
 public:
  CdxShelf();
  ~CdxShelf();
  CdxShelf(const CdxShelf&) = delete;
  CdxShelf& operator=(const CdxShelf&) = delete;
  struct Entry;
  std::vector<std::unique_ptr<Entry>> entries;  // the most recently closed last
  // Index files found damaged, as they were then: one opened unchanged is not written.
  std::vector<FileStamp> damaged;
  // Index files seen whole (every tag checked, or changed by us only since), as they
  // were when closed: one opened unchanged needs no check before it is written.
  std::vector<FileStamp> whole;
};

class CdxIndex {
 public:
  virtual ~CdxIndex() = default;

  // Opens an existing index; nullptr with *status on failure (missing, corrupt, its
  // lock busy for longer than policy allows; the policy stays for later locks).
  // A caller that sets every tag's key type itself (SetKeyType) passes
  // detectTypes = false: the tags' root pages are then not read at open. With a
  // shelf (and detectTypes = false) the index takes over what a closed index of the
  // same file left there, and leaves its own there when it is destroyed.
  static std::unique_ptr<CdxIndex> Open(const std::string& path, File::Mode mode, Status* status,
                                        bool detectTypes = true, const LockPolicy& policy = {},
                                        CdxShelf* shelf = nullptr);
  // Writes a new index with the given (empty) tags, replacing any file of that name.
  static Status Create(const std::string& path, const std::vector<TagDef>& tags);

  virtual size_t TagCount() const = 0;
  virtual const TagDef& Tag(size_t i) const = 0;
  // Index of the tag of that name, without regard to case; -1 when there is none.
  virtual int FindTag(std::string_view name) const = 0;
  // The file does not record key types. Open takes a tag as numeric when its key is
  // 8 bytes, its expression a bare field name and its root holds a key byte outside
  // printable ASCII (an empty such tag counts as numeric); the table layer, which
  // knows the field types, sets the type here. It decides the filler byte of keys.
  virtual void SetKeyType(size_t tag, KeyType type) = 0;

  virtual std::unique_ptr<CdxCursor> NewCursor(size_t tag) = 0;

  // Changes of one tag. key must be exactly the tag's key length.
  virtual Status Insert(size_t tag, std::string_view key, uint32_t recno) = 0;
  virtual Status Remove(size_t tag, std::string_view key, uint32_t recno) = 0;

  // Replaces the contents of every tag with the given entries (any order; they are
  // sorted here), keeping the tag definitions. The new index is written to a temporary
  // file beside the old one and renamed over it; on failure the old file stays.
  // entries.size() must equal TagCount(). Entries given in ascending record numbers
  // (as a table's records give them) sort fastest.
  virtual Status RebuildAll(std::vector<TagEntries> entries) = 0;
  // The same from separate entries (converted to the flat form).
  Status RebuildAll(const std::vector<std::vector<KeyEntry>>& entries);

  // Number of keys in a tag (a full walk; for checks and tests).
  virtual uint64_t KeyCount(size_t tag) = 0;
  // Walks every tag and checks order, counts and page links; ok() when sound.
  virtual Status Check() = 0;
  // Check of one tag; exact: every separator is its child's greatest entry.
  virtual Status CheckTag(size_t tag, bool exact) = 0;
  // Under the lock: whether the file is as this engine last saw it whole (its change
  // counter moved since by this handle's own changes only, or the file's stamp at open
  // one the shelf saw whole).
  virtual bool SeenWhole() const = 0;
  // Check() of every tag, with each tag's key count in keys; MarkSeenWhole once the
  // caller has found those counts right too.
  virtual Status CheckWhole(std::vector<uint64_t>* keys) = 0;
  virtual void MarkSeenWhole() = 0;
  // Writes a tree of the entries (any order) past the file's end, then points the tag's
  // header at it: stopped between the two, the tag keeps its old tree. The old tree's
  // pages and the free list are left unused.
  virtual Status RebuildTag(size_t tag, TagEntries entries) = 0;

  // Holds the index lock across several operations (an append with four tags); nests.
  virtual Status LockExclusive() = 0;
  virtual void UnlockExclusive() = 0;
  // The same shared, for reads only (the steps of one seek or skip); nests, also
  // inside an exclusive hold. A change while only this is held fails.
  virtual Status LockShared() = 0;
  virtual void UnlockShared() = 0;
  // Starts reads without the lock, from cached pages only, ended by UnlockShared. Only
  // when the file's change counter, read through the file's mapping, has not
  // moved since the cache was last checked (no other handle or program has completed
  // a change since). Meanwhile an operation that needs a page or tag header not cached
  // fails with kStale: the caller then repeats its read under LockShared.
  virtual bool ReadCached() = 0;
  // Whether the file's change counter was found moved by another handle or program
  // (when a lock was taken) since the last call.
  virtual bool TakeCounterMoved() = 0;
  // Holds the file's flock (File::Flock) for as long as the index is open, also on a
  // file a rebuild puts in its place; a closed index left on a shelf gives it up.
  virtual File::LockResult HoldFile(bool exclusive) = 0;
  // How long a busy index lock is waited for: attempts x delay in all (see CdxLock.h).
  virtual void SetLockPolicy(const LockPolicy& policy) = 0;
  // Under a held exclusive lock: the changes from BeginBatch on are kept in memory
  // (seen by this handle) until FlushBatch writes each changed page once, in an order
  // in which every state between two writes is readable: the pages nothing refers to
  // yet, then per tag its header and its pages from the root down, the leaves last in
  // key order (a descent finds every entry the tag held; a walk along the leaves finds
  // them too, passing a neighbour link not yet written). DropBatch forgets them with
  // every cached page. Giving up the lock flushes.
  virtual void BeginBatch() = 0;
  virtual Status FlushBatch() = 0;
  virtual void DropBatch() = 0;
};

}  // namespace xb
