// The current record: loading, writing back (memo, keys, record), locks, append,
// delete, and rebuilding the tags.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/xbase/EngineState.h"

using xb::Code;
using xb::File;
using xb::Status;

namespace xb::engine {

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

int LoadRecord(DATA4* d, uint32_t n) {
  const Status s = d->table->ReadRecord(n, d->rec.data());
  if (!s.ok()) {
    GoEof(d);
    return s.code() == Code::kNotFound ? r4eof : d->Fail(ErrorOf(s, e4read));
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
int WriteMemos(DATA4* d) {
  for (FIELD4* f : d->memoFields) {
    if (!f->memoChanged) continue;
    uint32_t block = 0;
    const Status s = d->memo->Write(f->memo, d->code->policy(), &block);
    if (!s.ok()) return d->Fail(ErrorOf(s, e4write));
    char text[16];
    if (block == 0) {
      std::memset(text, ' ', 10);
    } else {
      std::snprintf(text, sizeof text, "%10u", block);
    }
    std::memcpy(d->rec.data() + f->def->offset, text, 10);
    f->memoChanged = false;
  }
  return 0;
}

// Brings every tag from the old record's keys to the new one's.
int UpdateKeys(DATA4* d, const char* oldRec, const char* newRec, uint32_t n) {
  if (!d->index) return 0;
  Status s = d->index->LockExclusive();
  if (!s.ok()) return d->Fail(s.code() == Code::kLocked ? e4lock : e4index);
  std::string oldKey, newKey;
  int result = 0;
  for (auto& t : d->tags) {
    const bool oldIn = oldRec && t->KeyOf(oldRec, &oldKey);
    const bool newIn = t->KeyOf(newRec, &newKey);
    if (oldIn == newIn && (!oldIn || oldKey == newKey)) continue;
    if (oldIn) {
      s = d->index->Remove(t->index, oldKey, n);
      // A key that was never there (an index that did not match the data) is no fault.
      if (!s.ok() && s.code() != Code::kNotFound) result = e4index;
    }
    if (newIn) {
      s = d->index->Insert(t->index, newKey, n);
      if (!s.ok()) result = e4index;
    }
  }
  d->index->UnlockExclusive();
  return result < 0 ? d->Fail(result) : 0;
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

}  // namespace

int FlushRecord(DATA4* d) {
  if (!d->changed || d->appending) return 0;
  if (d->eof || d->recno == 0) {
    // A buffer that is no stored record has nowhere to go but d4append.
    d->changed = false;
    return 0;
  }
  if (d->readOnly || !MayChange(d, d->recno)) {
    // Changes that may not be written are dropped, so the error does not stick.
    std::memcpy(d->rec.data(), d->orig.data(), d->table->recordLen());
    d->changed = false;
    DropMemoCache(d);
    return d->Fail(d->readOnly ? e4readOnly : e4lock);
  }
  int r = WriteMemos(d);
  if (r < 0) return r;
  const Status s = d->table->WriteRecord(d->recno, d->rec.data());
  if (!s.ok()) return d->Fail(ErrorOf(s, e4write));
  r = UpdateKeys(d, d->orig.data(), d->rec.data(), d->recno);
  Committed(d, d->recno);
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
  const Status s = d->table->RefreshCount();
  if (!s.ok()) return d->Fail(ErrorOf(s, e4read));
  return d->table->recordCount();
}

int d4lock(DATA4* d, long recno) {
  if (!d) return e4parm;
  if (recno < 1 || recno > static_cast<long>(xb::LockManager::kMaxLockableRecord)) return r4entry;
  const auto n = static_cast<uint32_t>(recno);
  if (n > d->table->recordCount()) {
    const Status s = d->table->RefreshCount();
    if (!s.ok()) return d->Fail(ErrorOf(s, e4read));
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
  const int r = FlushRecord(d);
  d->locks->UnlockAll();
  return r < 0 ? r : 0;
}

int d4flush(DATA4* d) {
  if (!d) return e4parm;
  return FlushRecord(d);
}

int d4appendStartVB(DATA4* d, int useMemoEntries) {
  if (!d) return e4parm;
  int r = FlushRecord(d);
  if (r < 0) return r;
  if (d->readOnly) return d->Fail(e4readOnly);
  for (FIELD4* f : d->memoFields) {
    if (useMemoEntries && !d->eof) {
      f4memoLenVB(f);  // loads the current memo, to be copied into new blocks
    } else {
      f->memo.clear();
      f->memoLoaded = true;
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
    f->memoChanged = true;
  }
  d->changed = true;
  return 0;
}

int d4append(DATA4* d) {
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
  int r = WriteMemos(d);
  uint32_t n = 0;
  if (r == 0) {
    const Status s = d->table->Append(d->rec.data(), &n);
    if (!s.ok()) r = d->Fail(ErrorOf(s, e4write));
  }
  if (r == 0) {
    // The new record stays locked by this handle (until d4unlock or d4close), so it
    // may still be changed under lock enforcement.
    if (!d->denyWrite) d->locks->LockRecord(n, xb::LockPolicy{1, 0});
    r = UpdateKeys(d, nullptr, d->rec.data(), n);
    Committed(d, n);
  }
  d->locks->UnlockAppend();
  return r;
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
  int r = FlushRecord(d);
  if (r < 0) return r;
  if (d->readOnly) return d->Fail(e4readOnly);
  if (!d->index) return 0;
  const File::LockResult lr = d->locks->LockFile(d->code->policy());
  if (lr == File::LockResult::kBusy) return r4locked;
  if (lr != File::LockResult::kOk) return d->Fail(e4lock);
  Status s = d->table->RefreshCount();
  const uint32_t count = d->table->recordCount();
  const size_t len = d->table->recordLen();
  std::vector<xb::TagEntries> entries(d->tags.size());
  for (size_t t = 0; t < entries.size(); ++t) {
    entries[t].keys.reserve(size_t(count) * d->tags[t]->keyLen);
    entries[t].recnos.reserve(count);
  }
  const uint32_t chunk = static_cast<uint32_t>(std::max<size_t>(1, (1u << 20) / len));
  std::vector<char> buf(static_cast<size_t>(chunk) * len);
  for (uint32_t first = 1; s.ok() && first <= count; first += chunk) {
    const uint32_t n = std::min(chunk, count - first + 1);
    if (!d->table->file().ReadAt(d->table->header().RecordOffset(first), buf.data(), static_cast<size_t>(n) * len)) {
      s = Status(Code::kCorrupt, d->table->path() + ": records are cut short");
      break;
    }
    for (uint32_t i = 0; i < n; ++i) {
      const char* rec = buf.data() + static_cast<size_t>(i) * len;
      for (size_t t = 0; t < d->tags.size(); ++t) {
        if (d->tags[t]->KeyOf(rec, &d->key)) {
          entries[t].keys.insert(entries[t].keys.end(), d->key.begin(), d->key.end());
          entries[t].recnos.push_back(first + i);
        }
      }
    }
  }
  if (s.ok()) {
    s = d->index->RebuildAll(std::move(entries));
    if (s.ok()) {
      r = 0;
    } else {
      r = s.code() == Code::kLocked ? r4locked : d->Fail(e4index);
    }
  } else {
    r = d->Fail(ErrorOf(s, e4read));
  }
  d->locks->UnlockAll();
  if (r != 0) return r;
  d->cursorSynced = false;
  r = d4top(d);
  return r < 0 ? r : 0;
}
