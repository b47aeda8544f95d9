// The recovery note beside a table (<table>.pnd): what a key change, delete, recall,
// append or held batch is about to write, written whole before its first write and its
// magic zeroed after its last (the file is emptied at close). A single append's is left
// (its record tells it finished), to spare every append a write. A writer stopped in
// between leaves it; the next writer of the table (of this engine, also after another
// program wrote meanwhile) finishes or undoes what it names.
//
// Nothing here is synced: a killed process leaves its writes in the system's cache,
// where every later reader finds them in the order they were made, and the table's
// and index's own writes are not synced either. A note that lost its tail (a machine
// that stopped mid-write) fails its length or checksum and is ignored: nothing was
// written after it before it was whole.
//
// Layout, little-endian: magic (8 bytes), the whole note's length (4), the table's
// record count before the operation (4), the record length (4), the number of records
// (4); per record its number (4), 1 when its old bytes follow (1), the old bytes, the
// new bytes; then a checksum (4, FNV-1a of everything before it).
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/EngineState.h"
#include "platform/xbase/TableFiles.h"

using xb::Code;
using xb::File;
using xb::Status;

namespace xb {
void (*repairHook)(const std::string& tablePath, const std::string& what) = nullptr;
}  // namespace xb

namespace xb::engine {

namespace {

constexpr char kMagic[8] = {'X', 'B', 'N', 'O', 'T', 'E', '0', '1'};
constexpr size_t kHead = sizeof kMagic + 16;

uint32_t Checksum(const uint8_t* p, size_t n) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

struct Note {
  uint32_t count = 0;
  std::vector<NoteRecord> records;
};

std::string NotePath(const DATA4* d) { return xb::CompanionPath(d->table->path(), "pnd"); }

// Opens the note file when it exists (or, with create, makes it); false when there is none.
bool OpenNote(DATA4* d, bool create) {
  if (d->note) return true;
  Status s;
  d->note = File::Open(NotePath(d), File::Mode::kReadWrite, &s);
  if (!d->note && create) d->note = File::Create(NotePath(d), &s);
  return d->note != nullptr;
}

// The note as the file holds it: false when it is empty, cut short or not a note.
bool ReadNote(DATA4* d, Note* note) {
  if (!OpenNote(d, false)) return false;
  std::vector<uint8_t> bytes(4096);
  const long long got = d->note->ReadSome(0, bytes.data(), bytes.size());
  if (got < static_cast<long long>(kHead + 4) || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
  const uint32_t length = GetLE32(bytes.data() + 8);
  if (length < kHead + 4) return false;
  if (length > bytes.size()) {
    bytes.resize(length);
    if (!d->note->ReadAt(0, bytes.data(), length)) return false;
  } else if (static_cast<long long>(length) > got) {
    return false;
  }
  if (Checksum(bytes.data(), length - 4) != GetLE32(bytes.data() + length - 4)) return false;
  note->count = GetLE32(bytes.data() + 12);
  const size_t len = GetLE32(bytes.data() + 16), n = GetLE32(bytes.data() + 20);
  if (len != d->table->recordLen()) return false;
  size_t at = kHead;
  for (size_t i = 0; i < n; ++i) {
    if (at + 5 + len > length - 4) return false;
    NoteRecord r;
    r.recno = GetLE32(bytes.data() + at);
    const bool old = bytes[at + 4] != 0;
    at += 5;
    if (old) {
      if (at + 2 * len > length - 4) return false;
      r.old.assign(reinterpret_cast<const char*>(bytes.data() + at), len);
      at += len;
    }
    r.now.assign(reinterpret_cast<const char*>(bytes.data() + at), len);
    at += len;
    note->records.push_back(std::move(r));
  }
  return at == length - 4;
}

int IndexFailure(DATA4* d, const Status& s) { return d->Fail(s, s.code() == Code::kIo ? e4write : e4index); }

// Entry (tag, key) of record n.
using Entry = std::pair<size_t, std::string>;

// The entries a record's bytes give, under both delete marks (FOR clauses may depend on it).
void EntriesOf(DATA4* d, const std::string& bytes, std::set<Entry>* out) {
  if (bytes.empty()) return;
  std::string rec = bytes, key;
  for (const char mark : {' ', '*'}) {
    rec[0] = mark;
    for (auto& t : d->tags) {
      if (t->KeyOf(rec.data(), &key)) out->emplace(t->index, key);
    }
  }
}

bool HasEntry(DATA4* d, const Entry& e, uint32_t n) {
  auto c = d->index->NewCursor(e.first);
  return c->SeekEntry(e.second, n) && c->RecNo() == n && c->Key() == e.second;
}

// Puts every record the note names right: a held batch cut after its count gets the
// marks it was to have; every tag not whole is built anew; then each named record's
// entries are those of its bytes as they stand (counted, or live past the count).
int Repair(DATA4* d, const Note& note) {
  if (Status s = d->table->RefreshCount(); !s.ok()) return d->Fail(s, ErrorOf(s, e4read));
  const uint32_t count = d->table->recordCount();
  const size_t len = d->table->recordLen();
  std::vector<std::string> current(note.records.size());
  int marked = 0;
  for (size_t i = 0; i < note.records.size(); ++i) {
    const NoteRecord& r = note.records[i];
    std::string& cur = current[i];
    cur.resize(len);
    const uint64_t off = d->table->header().RecordOffset(r.recno);
    if (r.recno == 0 || !d->table->file().ReadAt(off, cur.data(), len)) {
      cur.clear();
      continue;
    }
    // A new record counted but still marked deleted: the batch's last write was lost.
    if (r.old.empty() && r.recno <= count && cur[0] == '*' && r.now[0] != '*' &&
        cur.compare(1, len - 1, r.now, 1, len - 1) == 0) {
      if (!d->table->file().WriteAt(off, r.now.data(), 1)) {
        return d->Fail(Status::System(Code::kIo, "cannot write " + d->table->path()), e4write);
      }
      cur[0] = r.now[0];
      ++marked;
    }
  }
  if (marked) d->table->DropAhead();
  if (const int r = RebuildUnsoundTags(d); r != 0) return r;
  std::vector<std::pair<Entry, uint32_t>> removals, insertions;
  for (size_t i = 0; i < note.records.size(); ++i) {
    const NoteRecord& r = note.records[i];
    const std::string& cur = current[i];
    std::set<Entry> named, keep;
    EntriesOf(d, r.old, &named);
    EntriesOf(d, r.now, &named);
    const bool counted = !cur.empty() && r.recno <= count;
    if (counted || (!cur.empty() && cur[0] != '*')) {
      std::string key;
      for (auto& t : d->tags) {
        if (t->KeyOf(cur.data(), &key)) keep.emplace(t->index, key);
      }
    }
    for (const Entry& e : named) {
      if (keep.count(e) == 0) removals.push_back({e, r.recno});
    }
    if (!counted) continue;
    for (const Entry& e : keep) {
      if (!d->index->Tag(e.first).unique && !HasEntry(d, e, r.recno)) insertions.push_back({e, r.recno});
    }
  }
  // In two held runs, as a key change writes them: the entries to add, then those to go.
  for (const bool insert : {true, false}) {
    const auto& ops = insert ? insertions : removals;
    if (ops.empty()) continue;
    d->index->BeginBatch();
    for (const auto& [e, n] : ops) {
      const Status s = insert ? d->index->Insert(e.first, e.second, n) : d->index->Remove(e.first, e.second, n);
      if (!s.ok() && s.code() != (insert ? Code::kInvalid : Code::kNotFound)) {
        d->index->DropBatch();
        return IndexFailure(d, s);
      }
    }
    if (Status s = d->index->FlushBatch(); !s.ok()) return IndexFailure(d, s);
  }
  if (xb::repairHook) {
    std::string what = "finished an operation cut short on " + std::to_string(note.records.size()) + " record(s)";
    if (marked) what += ", " + std::to_string(marked) + " stored record(s) made live";
    if (!removals.empty()) what += ", " + std::to_string(removals.size()) + " stale index entries removed";
    if (!insertions.empty()) what += ", " + std::to_string(insertions.size()) + " index entries added";
    xb::repairHook(d->table->path(), what);
  }
  return 0;
}

// A single append's note left by an append that was finished (a note is not cleared
// after an append, to spare it a write): its record counted and holding its bytes.
// Marked deleted, the bytes are those the append writes first, so such a note is not
// taken for finished.
bool Finished(DATA4* d, const Note& note) {
  if (note.records.size() != 1 || !note.records[0].old.empty() || note.records[0].now[0] == '*') return false;
  const NoteRecord& r = note.records[0];
  if (!d->table->RefreshCount().ok() || r.recno == 0 || r.recno > d->table->recordCount()) return false;
  std::string cur(d->table->recordLen(), '\0');
  return d->table->file().ReadAt(d->table->header().RecordOffset(r.recno), cur.data(), cur.size()) && cur == r.now;
}

}  // namespace

int WriteNote(DATA4* d, uint32_t count, const std::vector<NoteRecord>& records) {
  const size_t len = d->table->recordLen();
  std::vector<uint8_t> bytes(kHead);
  std::memcpy(bytes.data(), kMagic, sizeof kMagic);
  PutLE32(bytes.data() + 12, count);
  PutLE32(bytes.data() + 16, static_cast<uint32_t>(len));
  PutLE32(bytes.data() + 20, static_cast<uint32_t>(records.size()));
  for (const NoteRecord& r : records) {
    uint8_t head[5];
    PutLE32(head, r.recno);
    head[4] = r.old.empty() ? 0 : 1;
    bytes.insert(bytes.end(), head, head + sizeof head);
    bytes.insert(bytes.end(), r.old.begin(), r.old.end());
    bytes.insert(bytes.end(), r.now.begin(), r.now.end());
  }
  PutLE32(bytes.data() + 8, static_cast<uint32_t>(bytes.size() + 4));
  uint8_t sum[4];
  PutLE32(sum, Checksum(bytes.data(), bytes.size()));
  bytes.insert(bytes.end(), sum, sum + sizeof sum);
  if (!OpenNote(d, true) || !d->note->WriteAt(0, bytes.data(), bytes.size())) {
    return d->Fail(Status::System(Code::kIo, "cannot write " + NotePath(d)), e4write);
  }
  d->noteWritten = true;
  return 0;
}

void ClearNote(DATA4* d) {
  if (!d->noteWritten || !d->note) return;
  // Its magic overwritten, which costs the system far less than emptying the file (at
  // every append); CloseNote empties it. Left as it is when this fails: the next
  // writer repairs what is already whole.
  static constexpr uint8_t kSpent[sizeof kMagic] = {};
  if (d->note->WriteAt(0, kSpent, sizeof kSpent)) d->noteWritten = false, d->noteSpent = true;
}

void CloseNote(DATA4* d) {
  if ((!d->noteSpent && !d->noteWritten) || !d->note || !d->index) return;
  d->noteSpent = d->noteWritten = false;
  d->index->SetLockPolicy(xb::LockPolicy{1, 0});
  // Another writer's note is written under the index lock: one there now is whole, and
  // emptied when it is done with or a finished append's.
  if (d->index->LockExclusive().ok()) {
    Note note;
    if (!ReadNote(d, &note) || Finished(d, note)) d->note->Truncate(0);
    d->index->UnlockExclusive();
  }
  d->index->SetLockPolicy(d->code->policy());
}

int RepairFromNote(DATA4* d, bool look) {
  if (!look || !d->index) return 0;
  d->noteDue = false;
  Note note;
  if (!ReadNote(d, &note)) return 0;
  if (Finished(d, note)) {
    d->noteWritten = true;
    ClearNote(d);
    return 0;
  }
  if (const int r = Repair(d, note); r != 0) {
    d->noteDue = true;
    return r;
  }
  d->noteWritten = true;
  ClearNote(d);
  return 0;
}

void RepairAtOpen(DATA4* d) {
  if (d->readOnly || !d->index || !OpenNote(d, false)) return;
  uint8_t magic[sizeof kMagic];
  const long long got = d->note->ReadSome(0, magic, sizeof magic);
  if (got <= 0) return;
  if (got < static_cast<long long>(sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0) {
    d->noteSpent = true;  // a note done with, emptied at close
    return;
  }
  d->noteDue = true;
  if (d->locks->LockAppend(xb::LockPolicy{1, 0}) != File::LockResult::kOk) return;
  d->index->SetLockPolicy(xb::LockPolicy{1, 0});
  // A repair that fails now is tried again at the next write; the open stands.
  const int error = d->code->errorCode, systemError = d->code->systemError, reason = d->code->reason;
  if (d->index->LockExclusive().ok()) {
    RepairFromNote(d, true);
    d->index->UnlockExclusive();
  }
  d->code->errorCode = error;
  d->code->systemError = systemError;
  d->code->reason = reason;
  d->index->SetLockPolicy(d->code->policy());
  d->locks->UnlockAppend();
}

}  // namespace xb::engine
