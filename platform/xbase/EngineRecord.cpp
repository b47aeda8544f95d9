// The current record: loading, writing back (memo, keys, record), locks, append,
// delete, and rebuilding the tags.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/xbase/EngineState.h"
#include "platform/xbase/Number.h"
#include "platform/xbase/TableFiles.h"

using xb::Code;
using xb::File;
using xb::Status;

namespace xb::engine {

namespace {
// A held batch is stored when it has this many rows, or when its first row has been
// held this long, whichever comes first.
constexpr uint32_t kHeldRows = 256;
constexpr std::chrono::milliseconds kHeldTime{200};
}  // namespace

int ErrorOf(const Status& s, int fallback) {
  switch (s.code()) {
    case Code::kOk: return 0;
    case Code::kCorrupt: return e4data;
    case Code::kReadOnly: return e4readOnly;
    case Code::kInvalid: return e4parm;
    case Code::kLocked: return e4lock;
    default: return fallback;
  }
}

void DropMemoCache(DATA4* d) {
  for (FIELD4* f : d->memoFields) {
    f->memoLoaded = false;
    f->memoChanged = false;
    f->memo.clear();
  }
}

void GoEof(DATA4* d) {
  const size_t len = d->table->recordLen();
  std::memset(d->rec.data(), ' ', len);
  std::memcpy(d->orig.data(), d->rec.data(), len);
  d->recno = 0;
  d->eof = true;
  d->appending = false;
  d->changed = false;
  d->cursorSynced = false;
  DropMemoCache(d);
}

int LoadRecord(DATA4* d, uint32_t n, bool ahead) {
  const Status s = !d->countDamage.ok() ? d->countDamage
                   : ahead              ? d->table->ReadAhead(n, d->rec.data())
                                        : d->table->ReadRecord(n, d->rec.data());
  if (!s.ok()) {
    GoEof(d);
    return s.code() == Code::kNotFound ? r4eof : d->Fail(s, ErrorOf(s, e4read));
  }
  std::memcpy(d->orig.data(), d->rec.data(), d->table->recordLen());
  d->recno = n;
  d->eof = false;
  d->appending = false;
  d->changed = false;
  d->cursorSynced = false;
  DropMemoCache(d);
  return 0;
}

bool MayChange(const DATA4* d, uint32_t n) {
  return d->denyWrite || !d->code->lockEnforce || d->locks->HoldsRecord(n);
}

int CheckWritable(DATA4* d) {
  if (d->readOnly) return d->Fail(e4readOnly);
  if (d->appending || d->eof || d->recno == 0) return 0;
  return MayChange(d, d->recno) ? 0 : d->Fail(e4lock);
}

namespace {

// Stores the changed memos in new blocks and their block numbers in the record.
// r4locked when the memo file's lock stays busy (the memos not yet written stay
// pending).
int WriteMemos(DATA4* d) {
  for (FIELD4* f : d->memoFields) {
    if (!f->memoChanged) continue;
    uint32_t block = 0;
    const Status s = d->memo->Write(f->memo, d->code->policy(), &block);
    if (s.code() == Code::kLocked) return r4locked;
    if (!s.ok()) return d->Fail(s, ErrorOf(s, e4write));
    // Right-aligned in the ten bytes of the field; blank for no block.
    char digits[10];
    const size_t n = block == 0 ? 0 : static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, block).ptr - digits);
    char* text = d->rec.data() + f->def->offset;
    std::memset(text, ' ', 10 - n);
    std::memcpy(text + 10 - n, digits, n);
    f->memoChanged = false;
  }
  return 0;
}

// Writes the memos kept back under a held append lock, before any record that points
// to them.
int StoreMemos(DATA4* d) {
  if (!d->memo) return 0;
  const Status s = d->memo->Store();
  return s.ok() ? 0 : d->Fail(s, e4write);
}

// Takes the index lock for a change with the engine's lock policy: 0, r4locked or an
// error.
int LockIndex(DATA4* d) {
  if (!d->index) return 0;
  d->index->SetLockPolicy(d->code->policy());
  const Status s = d->index->LockExclusive();
  if (s.ok()) return 0;
  if (s.code() == Code::kLocked) return r4locked;
  return d->Fail(s.code() == Code::kIo ? e4lock : e4index);
}

void UnlockIndex(DATA4* d) {
  if (d->index) d->index->UnlockExclusive();
}

// One entry to remove from or insert into a tag.
struct KeyOp {
  size_t tag;
  std::string key;
};

// What brings every tag from the old record's keys to the new one's.
struct KeyChanges {
  std::vector<KeyOp> removals, insertions;
  bool empty() const { return removals.empty() && insertions.empty(); }
};

KeyChanges KeyOps(DATA4* d, const char* oldRec, const char* newRec) {
  KeyChanges c;
  c.insertions.reserve(d->tags.size());
  std::string oldKey, newKey;
  for (auto& t : d->tags) {
    const bool oldIn = oldRec && t->KeyOf(oldRec, &oldKey);
    const bool newIn = t->KeyOf(newRec, &newKey);
    if (oldIn == newIn && (!oldIn || oldKey == newKey)) continue;
    if (oldIn) c.removals.push_back({t->index, oldKey});
    if (newIn) c.insertions.push_back({t->index, newKey});
  }
  return c;
}

// A unique tag may lack a record's key: an equal key of another record holds its place.
bool MayLack(DATA4* d, size_t tag) { return d->index->Tag(tag).unique; }

// Is every one of the entries for record n in its tag?
bool KeysPresent(DATA4* d, const std::vector<KeyOp>& ops, uint32_t n) {
  for (const KeyOp& op : ops) {
    if (MayLack(d, op.tag)) continue;
    auto c = d->index->NewCursor(op.tag);
    if (!c->SeekEntry(op.key, n) || c->RecNo() != n || c->Key() != op.key) return false;
  }
  return true;
}

// Is every entry to remove in its tag? A missing one means the index does not match
// the table (another program, damage): e4index, and nothing is changed.
int CheckRemovals(DATA4* d, const std::vector<KeyOp>& removals, uint32_t n) {
  return KeysPresent(d, removals, n) ? 0 : d->Fail(e4index);
}

void RemoveInserted(DATA4* d, const std::vector<KeyOp>& inserted, uint32_t n) {
  for (const KeyOp& op : inserted) d->index->Remove(op.tag, op.key, n);
}

// Inserts the new entries of record n: all or none. *inserted gets those that were
// not there yet (an entry left by a change cut short may already be).
int InsertKeys(DATA4* d, const std::vector<KeyOp>& insertions, uint32_t n, std::vector<KeyOp>* inserted) {
  inserted->reserve(inserted->size() + insertions.size());
  for (const KeyOp& op : insertions) {
    const Status s = d->index->Insert(op.tag, op.key, n);
    if (s.ok()) {
      inserted->push_back(op);
    } else if (s.code() != Code::kInvalid || d->index->Tag(op.tag).unique) {
      RemoveInserted(d, *inserted, n);
      inserted->clear();
      // A page the system would not write (a full disk) leaves the index sound.
      return s.code() == Code::kIo ? d->Fail(s, e4write) : d->Fail(e4index);
    }
  }
  return 0;
}

int RemoveKeys(DATA4* d, const std::vector<KeyOp>& removals, uint32_t n) {
  int r = 0;
  for (const KeyOp& op : removals) {
    const Status s = d->index->Remove(op.tag, op.key, n);
    if (!s.ok() && !(s.code() == Code::kNotFound && MayLack(d, op.tag))) r = d->Fail(e4index);
  }
  return r;
}

// Removes the keys a record marked deleted beyond the count may have (an append or
// batch cut short; its bytes tell which, entries that are not there are no fault): of
// both marks, as FOR clauses may depend on it.
int DropLeftoverKeys(DATA4* d, uint32_t n, const char* bytes) {
  char* rec = d->scratch.data();
  std::memcpy(rec, bytes, d->table->recordLen());
  std::string key;
  for (const char mark : {' ', '*'}) {
    rec[0] = mark;
    for (auto& t : d->tags) {
      if (!t->KeyOf(rec, &key)) continue;
      const Status s = d->index->Remove(t->index, key, n);
      if (!s.ok() && s.code() != Code::kNotFound) return d->Fail(e4index);
    }
  }
  return 0;
}

// Calls each(n, record) for records 1..count, read in blocks of about 1 MiB.
template <typename Each>
Status ForEachRecord(DATA4* d, uint32_t count, Each each) {
  const size_t len = d->table->recordLen();
  const uint32_t chunk = static_cast<uint32_t>(std::max<size_t>(1, (1u << 20) / len));
  std::vector<char> buf(static_cast<size_t>(std::min(chunk, std::max<uint32_t>(count, 1))) * len);
  for (uint32_t first = 1; first <= count; first += chunk) {
    const uint32_t n = std::min(chunk, count - first + 1);
    if (!d->table->file().ReadAt(d->table->header().RecordOffset(first), buf.data(), static_cast<size_t>(n) * len)) {
      return Status(Code::kCorrupt, d->table->path() + ": records are cut short");
    }
    for (uint32_t i = 0; i < n; ++i) each(first + i, buf.data() + static_cast<size_t>(i) * len);
  }
  return Status::Ok();
}

// The entries of `tags` for records 1..count.
Status GatherEntries(DATA4* d, uint32_t count, const std::vector<TAG4*>& tags, std::vector<xb::TagEntries>* entries) {
  entries->assign(tags.size(), {});
  for (size_t t = 0; t < tags.size(); ++t) {
    (*entries)[t].keys.reserve(size_t(count) * tags[t]->keyLen);
    (*entries)[t].recnos.reserve(count);
  }
  return ForEachRecord(d, count, [&](uint32_t n, const char* rec) {
    for (size_t t = 0; t < tags.size(); ++t) {
      if (!tags[t]->KeyOf(rec, &d->key)) continue;
      (*entries)[t].keys.insert((*entries)[t].keys.end(), d->key.begin(), d->key.end());
      (*entries)[t].recnos.push_back(n);
    }
  });
}

}  // namespace

// Builds every tag the cut left unsound (a split stopped between its writes) anew from
// the counted records.
int RebuildUnsoundTags(DATA4* d) {
  std::vector<TAG4*> unsound;
  for (auto& t : d->tags) {
    if (!d->index->CheckTag(t->index, true).ok()) unsound.push_back(t.get());
  }
  if (unsound.empty()) return 0;
  // A live record just past the count is an append stopped after all its keys were
  // written, counted by the next append (TakeOverLeftovers): its keys stay.
  uint32_t upTo = d->table->recordCount();
  char mark = '*';
  if (d->table->WholeBeyondCount() > 0 && d->table->file().ReadAt(d->table->header().RecordOffset(upTo + 1), &mark, 1) &&
      mark != '*') {
    ++upTo;
  }
  std::vector<xb::TagEntries> entries;
  Status s = GatherEntries(d, upTo, unsound, &entries);
  for (size_t i = 0; s.ok() && i < unsound.size(); ++i) s = d->index->RebuildTag(unsound[i]->index, std::move(entries[i]));
  return s.ok() ? 0 : d->Fail(s, s.code() == Code::kIo ? e4write : e4index);
}

// Before the first write into an index this engine has not seen whole since it last
// changed: every tag checked whole (pages, order, separators, links), and its key count
// against the records (every counted one, or for a tag with a FOR clause those it
// holds). Damage is reported with the re-index advice, and nothing is written.
int CheckIndexBeforeWrite(DATA4* d) {
  if (!d->index || d->index->SeenWhole()) return 0;
  std::vector<uint64_t> keys;
  Status s = d->index->CheckWhole(&keys);
  if (s.ok()) s = d->table->RefreshCount();
  const uint32_t count = d->table->recordCount();
  // Records past the count (an append cut short) are put right by the write that follows.
  if (s.ok() && d->table->WholeBeyondCount() == 0) {
    std::vector<uint64_t> expected(keys.size(), count);
    bool filtered = false;
    for (auto& t : d->tags) {
      if (t->filter) expected[t->index] = 0, filtered = true;
    }
    if (filtered) {
      s = ForEachRecord(d, count, [&](uint32_t, const char* rec) {
        for (auto& t : d->tags) {
          if (t->filter && t->filter->EvalBool(rec)) ++expected[t->index];
        }
      });
    }
    for (auto& t : d->tags) {
      if (!s.ok() || d->index->Tag(t->index).unique || keys[t->index] == expected[t->index]) continue;
      s = Status(Code::kCorrupt, xb::CompanionPath(d->table->path(), "cdx") + ": tag " + t->name + " has " +
                                     std::to_string(keys[t->index]) + " keys for " +
                                     std::to_string(expected[t->index]) + " records");
    }
  }
  if (!s.ok()) return d->Fail(s, s.code() == Code::kIo ? e4read : e4index);
  d->index->MarkSeenWhole();
  return 0;
}

namespace {

// What an append or batch cut short left beyond the count (under the append and index
// locks, the count just read). A live record there is an append stopped after its
// record was made live: with all its keys in it is counted, never written over;
// without them it is damage. Records marked deleted are taken over by the appends to
// come: every tag the cut left unsound is built anew, their keys go, and they are
// blanked (still marked deleted).
int TakeOverLeftovers(DATA4* d) {
  const uint32_t count = d->table->recordCount(), beyond = d->table->WholeBeyondCount();
  if (beyond == 0) return 0;
  const size_t len = d->table->recordLen();
  std::string left(size_t(beyond) * len, '\0');
  const uint64_t first = d->table->header().RecordOffset(count + 1);
  if (!d->table->file().ReadAt(first, left.data(), left.size())) {
    return d->Fail(Status::System(Code::kIo, "cannot read " + d->table->path()), e4read);
  }
  if (left[0] != '*') {
    // Not all marked deleted: the only record beyond the count (CheckBeyondCount).
    if (!KeysPresent(d, KeyOps(d, nullptr, left.data()).insertions, count + 1)) {
      return d->Fail(Status::Corrupt(xb::Damage::kUncounted, d->table->path() + ": a live record beyond the count lacks keys"),
                     e4data);
    }
    const Status s = d->table->PublishAppend(count + 1);
    return s.ok() ? 0 : d->Fail(s, ErrorOf(s, e4write));
  }
  // Records taken over before are blank: nothing of them is in the index.
  const std::string blank = "*" + std::string(len - 1, ' ');
  std::string blanks;
  for (uint32_t m = 0; m < beyond; ++m) blanks += blank;
  if (left == blanks) return 0;
  if (const int r = RebuildUnsoundTags(d); r != 0) return r;
  for (uint32_t m = beyond; m > 0; --m) {
    if (const int r = DropLeftoverKeys(d, count + m, left.data() + (m - 1) * len); r != 0) return r;
  }
  // So that the appends to come need not look at them again.
  if (!d->table->file().WriteAt(first, blanks.data(), blanks.size())) {
    return d->Fail(Status::System(Code::kIo, "cannot write " + d->table->path()), e4write);
  }
  return 0;
}

// Runs op's index changes as one held run (CdxIndex::FlushBatch: every state between
// two of its page writes readable); 0 or op's error code, the run dropped then.
template <typename Op>
int HeldRun(DATA4* d, Op op) {
  d->index->BeginBatch();
  int r = op();
  if (r == 0) {
    const Status s = d->index->FlushBatch();
    if (!s.ok()) r = d->Fail(s, ErrorOf(s, e4write));
  }
  if (r != 0) d->index->DropBatch();
  return r;
}

// Writes the current record's change c (under the held index lock when it moves a
// key), in an order that leaves every reader right wherever it is cut short: the new
// keys, the record, then the old keys go, each key run in the order of held writes.
// In between a tag holds both; readers pass over an entry whose record does not carry
// its key, and the recovery note names the record for the next writer to tidy.
int StoreChange(DATA4* d, const KeyChanges& c) {
  const uint32_t n = d->recno;
  std::vector<KeyOp> inserted;
  int r = CheckRemovals(d, c.removals, n);
  if (r == 0 && !c.insertions.empty()) r = HeldRun(d, [&] { return InsertKeys(d, c.insertions, n, &inserted); });
  if (r != 0) return r;
  const Status s = d->table->WriteRecord(n, d->rec.data());
  if (!s.ok()) {
    if (!inserted.empty()) {
      HeldRun(d, [&] {
        RemoveInserted(d, inserted, n);
        return 0;
      });
    }
    return d->Fail(s, ErrorOf(s, e4write));
  }
  if (c.removals.empty()) return 0;
  return HeldRun(d, [&] { return RemoveKeys(d, c.removals, n); });
}

// Appends the buffer under the held append and index locks: the record beyond the
// count marked deleted, its keys, the record with its own mark, then the count. Cut
// short at any point, it leaves at most that one record past the count, live only
// once all its keys are in (then counted by the next append, else taken over): a
// program that reads past the count sees the row whole or not at all, one that trusts
// the count does not see it. The keys' pages are written in an order that keeps every
// tag readable between any two writes (CdxIndex::FlushBatch).
int StoreAppend(DATA4* d, uint32_t* n) {
  // A row copied from one with a decimal comma gets the point.
  xb::RepairDecimalCommas(d->rec.data(), d->table->fields());
  Status s;
  // Under a held append lock the count this handle last read or wrote is the stored one.
  if (!d->appendHeld || !d->countCurrent) {
    s = d->table->RefreshCount();
    // Records beyond the count are an interrupted append (one record) or batch (all
    // marked deleted), taken over here; others are damage, never written over.
    if (s.ok()) s = d->table->CheckBeyondCount();
    if (!s.ok()) return d->Fail(s, ErrorOf(s, e4read));
  }
  if (d->index && d->table->heldCount() == 0) {
    // A note is looked at only when another's change came in between (no system call
    // for an append otherwise).
    int r = RepairFromNote(d, d->noteDue || d->index->TakeCounterMoved());
    if (r == 0) r = CheckIndexBeforeWrite(d);
    if (r == 0) r = TakeOverLeftovers(d);
    if (r != 0) return r;
  }
  *n = d->table->recordCount() + d->table->heldCount() + 1;
  if (*n == 0) return d->Fail(Status(Code::kInvalid, d->table->path() + " is full"), e4write);
  const KeyChanges c = d->index ? KeyOps(d, nullptr, d->rec.data()) : KeyChanges{};
  if (d->appendHeld) {
    // Kept until WriteHeldAppends: the keys in the index's memory, the record here.
    if (d->index) d->index->BeginBatch();
    std::vector<KeyOp> inserted;
    if (const int r = InsertKeys(d, c.insertions, *n, &inserted); r != 0) return r;
    d->table->Hold(d->rec.data());
    if (d->table->heldCount() == 1) d->heldSince = std::chrono::steady_clock::now();
    // Held no longer than that: other programs wait for the index meanwhile.
    if (d->table->heldCount() >= kHeldRows || std::chrono::steady_clock::now() - d->heldSince >= kHeldTime) {
      return WriteHeldAppends(d);
    }
    return 0;
  }
  // The note names the record and its bytes: cut short, the next writer removes the
  // entries they gave that the record no longer carries, also once another program
  // has counted the record and written its own row over it.
  if (d->index) {
    const std::string bytes(d->rec.data(), d->table->recordLen());
    if (const int r = WriteNote(d, d->table->recordCount(), {{*n, {}, bytes}}); r != 0) return r;
  }
  // A failure is reported to the caller, not finished by the next writer: the note goes.
  const auto failed = [d](int r) {
    ClearNote(d);
    return r;
  };
  const char mark = d->rec[0];
  d->rec[0] = '*';
  s = d->table->StageAppend(d->rec.data(), n);
  d->rec[0] = mark;
  if (!s.ok()) return failed(d->Fail(s, ErrorOf(s, e4write)));
  std::vector<KeyOp> inserted;
  if (d->index) {
    d->index->BeginBatch();
    int r = InsertKeys(d, c.insertions, *n, &inserted);
    if (r == 0) s = d->index->FlushBatch();
    if (r == 0 && !s.ok()) r = d->Fail(s, ErrorOf(s, e4write));
    if (r != 0) {
      d->index->DropBatch();
      return failed(r);
    }
  }
  if (mark != '*') s = d->table->StageAppend(d->rec.data(), n);
  if (s.ok()) s = d->table->PublishAppend(*n);
  // The note stays: a note of a finished append is told from one cut short by the record
  // it names (Finished in EngineNote.cpp), and cleared by the next reader or at close.
  if (s.ok()) return 0;
  RemoveInserted(d, inserted, *n);
  return failed(d->Fail(s, ErrorOf(s, e4write)));
}

void Committed(DATA4* d, uint32_t n) {
  const size_t len = d->table->recordLen();
  std::memcpy(d->orig.data(), d->rec.data(), len);
  d->recno = n;
  d->eof = false;
  d->appending = false;
  d->changed = false;
  d->cursorSynced = false;
}

// Drops the current record's changes that were not written: the stored record is
// current again.
void DropChanges(DATA4* d) {
  std::memcpy(d->rec.data(), d->orig.data(), d->table->recordLen());
  d->changed = false;
  DropMemoCache(d);
}

}  // namespace

void ReleaseAppendHold(DATA4* d) {
  if (!d->appendHeld) return;
  if (d->memo) d->memo->Release();
  UnlockIndex(d);
  d->appendHeld = false;
}

int WriteHeldAppends(DATA4* d) {
  const uint32_t held = d->table->heldCount();
  if (held == 0) return 0;
  // Their memos first (no record points to them yet), then the order of a single
  // append, for all of them at once: the records marked deleted, the keys, the count,
  // then the records with their own marks. Cut short before the count, the next append
  // takes the records over; after it, the note tells the next writer to give them their
  // marks.
  Status s = d->memo ? d->memo->Store() : Status::Ok();
  const uint32_t count = d->table->recordCount();
  std::vector<NoteRecord> records;
  if (s.ok() && d->index) {
    records.resize(held);
    for (uint32_t i = 0; i < held; ++i) {
      records[i].recno = d->table->heldFirst() + i;
      records[i].now.assign(d->table->heldRecord(i), d->table->recordLen());
    }
    if (const int r = WriteNote(d, count, records); r != 0) {
      d->table->DropHeld();
      d->index->DropBatch();
      d->countCurrent = false;
      return r;
    }
  }
  if (s.ok()) s = d->table->WriteHeld(true);
  if (s.ok() && d->index) s = d->index->FlushBatch();
  bool counted = false;
  if (s.ok()) s = d->table->PublishHeld();
  if (s.ok()) {
    counted = true;
    s = d->table->WriteHeld(false);
  }
  d->table->DropHeld();
  if (s.ok()) {
    ClearNote(d);
    return 0;
  }
  if (d->index && !counted) d->index->DropBatch();
  d->countCurrent = false;
  if (counted && d->index) {
    // Counted with their keys, the records are stored once their marks are written:
    // now, if the disk allows.
    if (RepairFromNote(d, true) == 0) return 0;
    // Else the failure stands, and so must the rows: they stay counted, marked
    // deleted, and their keys leave the tags that hold live rows only (now, or at the
    // next write, which would otherwise make them live).
    for (NoteRecord& r : records) r.now[0] = '*';
    if (WriteNote(d, count, records) == 0) RepairFromNote(d, true);
  }
  return d->Fail(s, ErrorOf(s, e4write));
}

int FlushRecord(DATA4* d) {
  if (!d->changed || d->appending) return 0;
  if (d->eof || d->recno == 0) {
    // A buffer that is no stored record has nowhere to go but d4append.
    d->changed = false;
    return 0;
  }
  if (d->readOnly || !MayChange(d, d->recno)) {
    // Changes that may not be written are dropped, so the error does not stick.
    DropChanges(d);
    return d->Fail(d->readOnly ? e4readOnly : e4lock);
  }
  int r = WriteHeldAppends(d);
  if (r == 0) r = WriteMemos(d);
  if (r == 0) r = StoreMemos(d);
  // A number left with a decimal comma is written with its point: the same number.
  xb::RepairDecimalCommas(d->rec.data(), d->table->fields());
  // A change that moves no key leaves the index alone, unlocked; a record whose bytes
  // are as stored moves none.
  const bool same = std::memcmp(d->orig.data(), d->rec.data(), d->table->recordLen()) == 0;
  const KeyChanges c = d->index && !same ? KeyOps(d, d->orig.data(), d->rec.data()) : KeyChanges{};
  if (r == 0 && !c.empty()) {
    r = LockIndex(d);
    if (r == 0) {
      d->index->TakeCounterMoved();
      r = RepairFromNote(d, true);
      if (r == 0) r = CheckIndexBeforeWrite(d);
      const size_t len = d->table->recordLen();
      if (r == 0) r = WriteNote(d, d->table->recordCount(), {{d->recno, std::string(d->orig.data(), len), std::string(d->rec.data(), len)}});
      if (r == 0) r = StoreChange(d, c);
      if (r == 0) ClearNote(d);
      UnlockIndex(d);
    }
  } else if (r == 0) {
    r = StoreChange(d, c);
  }
  if (r == 0) {
    Committed(d, d->recno);
  } else if (r != r4locked) {
    // Nothing of the change was stored; it is dropped and the error says so. A busy
    // lock keeps it for the caller's retry.
    DropChanges(d);
  }
  return r;
}

}  // namespace xb::engine

using namespace xb::engine;

bool TAG4::KeyOf(const char* record, std::string* out) const {
  if (filter && !filter->EvalBool(record)) return false;
  if (type == xb::KeyType::kNumeric) {
    *out = xb::EncodeNumericKey(key->EvalNumber(record));
  } else {
    out->clear();
    key->EvalChar(record, out);
    out->resize(keyLen, ' ');
  }
  return true;
}

long d4recNo(DATA4* d) {
  if (!d) return e4parm;
  if (d->appending) return 0;
  if (d->eof) return static_cast<long>(d->table->recordCount()) + 1;
  return d->recno;
}

long d4recCountDo(DATA4* d) {
  if (!d) return e4parm;
  if (const int r = WriteHeldAppends(d); r != 0) return r;
  const Status s = d->table->RefreshCount();
  if (!s.ok()) return d->Fail(s, ErrorOf(s, e4read));
  return d->table->recordCount();
}

int d4lock(DATA4* d, long recno) {
  if (!d) return e4parm;
  if (recno < 1 || recno > static_cast<long>(xb::LockManager::kMaxLockableRecord)) return r4entry;
  if (const int r = WriteHeldAppends(d); r != 0) return r;
  const auto n = static_cast<uint32_t>(recno);
  if (n > d->table->recordCount()) {
    const Status s = d->table->RefreshCount();
    if (!s.ok()) return d->Fail(s, ErrorOf(s, e4read));
    if (n > d->table->recordCount()) return r4entry;
  }
  if (!d->denyWrite) {
    const File::LockResult r = d->locks->LockRecord(n, d->code->policy());
    if (r == File::LockResult::kBusy) return r4locked;
    if (r != File::LockResult::kOk) return d->Fail(e4lock);
  }
  // Another user may have changed the record before we had the lock.
  if (n == d->recno && !d->eof && !d->appending && !d->changed) return LoadRecord(d, n);
  return 0;
}

int d4unlock(DATA4* d) {
  if (!d) return e4parm;
  // A change that could not be written (r4locked) is dropped with the locks.
  const int held = WriteHeldAppends(d);
  const int r = FlushRecord(d);
  if (r != 0) DropChanges(d);
  ReleaseAppendHold(d);
  d->locks->UnlockAll();
  return held != 0 ? held : r;
}

int d4flush(DATA4* d) {
  if (!d) return e4parm;
  return FlushRecord(d);
}

int d4appendStartVB(DATA4* d, int useMemoEntries) {
  if (!d) return e4parm;
  int r = FlushRecord(d);
  if (r != 0) return r;
  if (d->readOnly) return d->Fail(e4readOnly);
  for (FIELD4* f : d->memoFields) {
    if (useMemoEntries && !d->eof) {
      f4memoLenVB(f);  // loads the current memo, to be copied into new blocks
    } else {
      f->memo.clear();
      f->memoLoaded = true;
      f->memoError = 0;
    }
    f->memoChanged = true;
  }
  d->rec[0] = ' ';
  d->appending = true;
  d->changed = true;
  d->eof = false;
  d->recno = 0;
  d->cursorSynced = false;
  return 0;
}

int d4blank(DATA4* d) {
  if (!d) return e4parm;
  const int r = CheckWritable(d);
  if (r < 0) return r;
  std::memset(d->rec.data() + 1, ' ', d->table->recordLen() - 1u);
  for (FIELD4* f : d->memoFields) {
    f->memo.clear();
    f->memoLoaded = true;
    f->memoError = 0;
    f->memoChanged = true;
  }
  d->changed = true;
  return 0;
}

namespace {

// d4append; keepLocked: the new record stays locked by this handle.
int Append(DATA4* d, bool keepLocked) {
  if (!d) return e4parm;
  if (d->readOnly) return d->Fail(e4readOnly);
  if (!d->appending) {
    // The buffer as it stands becomes the new record; the record it was read from
    // keeps its stored contents, and its memos are copied into new blocks.
    for (FIELD4* f : d->memoFields) {
      if (!f->memoChanged) f4memoLenVB(f);
      f->memoChanged = true;
    }
    d->rec[0] = ' ';
    d->appending = true;
    d->changed = true;
    d->cursorSynced = false;
  }
  const File::LockResult lr = d->locks->LockAppend(d->code->policy());
  if (lr == File::LockResult::kBusy) return r4locked;
  if (lr != File::LockResult::kOk) return d->Fail(e4lock);
  // Until it is stored the new record stays pending: a failed d4append may be retried.
  int r = WriteMemos(d);
  if (r == 0) r = LockIndex(d);
  uint32_t n = 0;
  if (r == 0) {
    r = StoreAppend(d, &n);
    UnlockIndex(d);
  }
  d->countCurrent = r == 0;
  if (r == 0) {
    // Kept locked until d4unlock or d4close, it may still be changed under lock
    // enforcement.
    if (keepLocked && !d->denyWrite) d->locks->LockRecord(n, xb::LockPolicy{1, 0});
    Committed(d, n);
  }
  if (!d->appendHeld) d->locks->UnlockAppend();
  return r;
}

}  // namespace

int d4append(DATA4* d) { return Append(d, true); }

int d4appendUnlock(DATA4* d) {
  const int r = Append(d, false);
  if (r == 0 && !d->appendHeld) d->locks->UnlockAll();
  return r;
}

int d4lockAppend(DATA4* d) {
  if (!d) return e4parm;
  if (d->readOnly) return d->Fail(e4readOnly);
  if (d->appendHeld) return 0;
  const File::LockResult lr = d->locks->LockAppend(d->code->policy());
  if (lr == File::LockResult::kBusy) return r4locked;
  if (lr != File::LockResult::kOk) return d->Fail(e4lock);
  int r = LockIndex(d);
  if (r == 0 && d->memo) {
    const Status s = d->memo->Hold(d->code->policy());
    if (!s.ok()) {
      UnlockIndex(d);
      r = s.code() == Code::kLocked ? r4locked : d->Fail(s, e4lock);
    }
  }
  if (r != 0) {
    d->locks->UnlockAppend();
    return r;
  }
  d->appendHeld = true;
  d->countCurrent = false;
  return 0;
}

int d4delete(DATA4* d) {
  if (!d) return e4parm;
  const int r = CheckWritable(d);
  if (r < 0) return r;
  if (d->rec[0] != '*') {
    d->rec[0] = '*';
    d->changed = true;
  }
  return 0;
}

int d4deleted(DATA4* d) { return d && d->rec[0] == '*' ? 1 : 0; }

int d4reindex(DATA4* d) {
  if (!d) return e4parm;
  int r = WriteHeldAppends(d);
  if (r == 0) r = FlushRecord(d);
  if (r != 0) return r;
  if (d->readOnly) return d->Fail(e4readOnly);
  if (!d->index) return 0;
  ReleaseAppendHold(d);
  const File::LockResult lr = d->locks->LockFile(d->code->policy());
  if (lr == File::LockResult::kBusy) return r4locked;
  if (lr != File::LockResult::kOk) return d->Fail(e4lock);
  // A held batch cut after its count gets its marks first; the tags are built anew anyway.
  if (LockIndex(d) == 0) {
    RepairFromNote(d, true);
    UnlockIndex(d);
  }
  // No append is under way: every whole record in the file counts.
  Status s = d->table->RepairCount();
  if (s.ok()) d->countDamage = Status::Ok();
  std::vector<TAG4*> tags;
  for (auto& t : d->tags) tags.push_back(t.get());
  std::vector<xb::TagEntries> entries;
  if (s.ok()) s = GatherEntries(d, d->table->recordCount(), tags, &entries);
  if (s.ok()) {
    s = d->index->RebuildAll(std::move(entries));
    if (s.ok()) {
      r = 0;
    } else {
      // A file the system would not write (a full disk) is e4write with its reason.
      r = s.code() == Code::kLocked ? r4locked : d->Fail(s, s.code() == Code::kIo ? e4write : e4index);
    }
  } else {
    r = d->Fail(s, ErrorOf(s, e4read));
  }
  d->locks->UnlockAll();
  if (r != 0) return r;
  d->cursorSynced = false;
  r = d4top(d);
  return r < 0 ? r : 0;
}
