// Positioning: tag selection, top, skip, seeks. A tag walk visits the stored
// (ascending) order, or its reverse for a descending tag, and passes over records
// marked deleted; record order visits every record.
#include <cmath>
#include <cstring>
#include <string>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/EngineState.h"
#include "platform/xbase/Number.h"

using xb::Code;
using xb::Status;
using namespace xb::engine;

namespace {

constexpr int kRanOff = 1;
// A read from cached index pages met what only the index lock settles.
constexpr int kNeedLock = 1000;

// Does the result r end the steps (an error, or the lock is needed)?
bool Stops(int r) { return r < 0 || r == kNeedLock; }

bool CurFirst(TAG4* t) { return t->descending ? t->cursor->Last() : t->cursor->First(); }
bool CurLast(TAG4* t) { return t->descending ? t->cursor->First() : t->cursor->Last(); }
bool CurNext(TAG4* t) { return t->descending ? t->cursor->Prev() : t->cursor->Next(); }
bool CurPrev(TAG4* t) { return t->descending ? t->cursor->Next() : t->cursor->Prev(); }

// kRanOff when the cursor simply ran off its end, kNeedLock when it read cached pages
// and needs more, else the index error.
int CursorEnd(DATA4* d, TAG4* t) {
  const Status& s = t->cursor->LastStatus();
  if (s.ok()) return kRanOff;
  return s.code() == Code::kStale ? kNeedLock : d->Fail(e4index);
}

// From the cursor's entry, moves in walk direction to the first entry whose record is
// live and makes that record current. 0, kRanOff, or an error.
int Settle(DATA4* d, TAG4* t, bool forward) {
  xb::CdxCursor& c = *t->cursor;
  const size_t len = d->table->recordLen();
  while (c.Valid()) {
    const uint32_t n = c.RecNo();
    const Status s = d->table->ReadRecord(n, d->scratch.data());
    // An entry whose record does not carry its key (left by a change cut short) is
    // passed over like a deleted record.
    if (s.ok() && d->scratch[0] != '*' && t->KeyOf(d->scratch.data(), &d->key) && d->key == c.Key()) {
      std::memcpy(d->rec.data(), d->scratch.data(), len);
      std::memcpy(d->orig.data(), d->scratch.data(), len);
      d->recno = n;
      d->eof = false;
      d->cursorSynced = true;
      DropMemoCache(d);
      return 0;
    }
    // Without the index lock, a live record that does not carry the entry's key, or one
    // beyond the count, may be a change under way: only the lock tells.
    if (d->cachedRead && (s.ok() ? d->scratch[0] != '*' : s.code() == Code::kNotFound)) return kNeedLock;
    // A key whose record is not (yet) in the table is passed over like a deleted one.
    if (!s.ok() && s.code() != Code::kNotFound) return d->Fail(s, ErrorOf(s, e4read));
    if (!(forward ? CurNext(t) : CurPrev(t))) break;
  }
  return CursorEnd(d, t);
}

bool Matches(const TAG4* t, const std::string& key) {
  const std::string& k = t->cursor->Key();
  return k.size() >= key.size() && k.compare(0, key.size(), key) == 0;
}

// The current record's key in the tag, as if the tag had no FOR clause.
void RawKey(DATA4* d, TAG4* t, std::string* out) {
  if (t->type == xb::KeyType::kNumeric) {
    *out = xb::EncodeNumericKey(t->key->EvalNumber(d->rec.data()));
  } else {
    out->clear();
    t->key->EvalChar(d->rec.data(), out);
    out->resize(t->keyLen, ' ');
  }
}

int TopOfTag(DATA4* d, TAG4* t) {
  if (!CurFirst(t)) {
    const int r = CursorEnd(d, t);
    if (Stops(r)) return r;
    GoEof(d);
    return r4eof;
  }
  const int r = Settle(d, t, true);
  if (r == kRanOff) {
    GoEof(d);
    return r4eof;
  }
  return r;
}

// Moves the cursor to the entry after (or before) the current record in walk order
// and settles there. 0, kRanOff or an error.
int StepFromCurrent(DATA4* d, TAG4* t, bool forward) {
  xb::CdxCursor& c = *t->cursor;
  bool moved;
  if (d->cursorSynced && c.Valid()) {
    moved = forward ? CurNext(t) : CurPrev(t);
  } else {
    RawKey(d, t, &d->key);
    const bool valid = c.SeekEntry(d->key, d->recno);
    if (!valid && !c.LastStatus().ok()) return CursorEnd(d, t);
    const bool exact = valid && c.RecNo() == d->recno && c.Key() == d->key;
    if (forward != t->descending) {  // towards greater keys
      moved = exact ? c.Next() : valid;
    } else {
      moved = valid ? c.Prev() : c.Last();
    }
  }
  if (!moved) return CursorEnd(d, t);
  return Settle(d, t, forward);
}

int SeekKey(DATA4* d, TAG4* t, const std::string& key) {
  xb::CdxCursor& c = *t->cursor;
  bool ok;
  if (t->descending) {
    // No key beyond it: the last entry, unless the seek itself failed.
    ok = c.SeekGT(key) ? c.Prev() : c.LastStatus().ok() && c.Last();
  } else {
    ok = c.SeekGE(key);
  }
  int r = ok ? Settle(d, t, true) : CursorEnd(d, t);
  if (r == kRanOff) {
    GoEof(d);
    return r4eof;
  }
  if (Stops(r)) return r;
  return Matches(t, key) ? 0 : r4after;
}

// A number written as text: optional blanks and sign, digits with at most one point.
bool ParseNumericText(const char* text, double* value) {
  const size_t len = std::strlen(text);
  size_t i = 0, digits = 0;
  while (i < len && text[i] == ' ') ++i;
  const size_t start = i;
  if (i < len && (text[i] == '-' || text[i] == '+')) ++i;
  bool point = false;
  for (; i < len; ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  const size_t end = i;
  while (i < len && text[i] == ' ') ++i;
  if (digits == 0 || i != len) return false;
  *value = xb::ParseNumber(text + start, end - start);
  return true;
}

// The seek key for a text: cut to the key length for a character tag; the number or
// date it holds for a numeric tag (false when it holds none).
bool KeyFromText(const TAG4* t, const char* text, std::string* out) {
  if (t->type == xb::KeyType::kChar) {
    const size_t n = std::strlen(text);
    out->assign(text, n < t->keyLen ? n : t->keyLen);
    return true;
  }
  double v = 0;
  if (t->key->type() == xb::Expression::Type::kDate) {
    if (std::strlen(text) != 8 || (v = xb::DateDayNumber(text)) == 0) return false;
  } else if (!ParseNumericText(text, &v)) {
    return false;
  }
  *out = xb::EncodeNumericKey(v);
  return true;
}

// Writes a changed record before a move; the move does not happen when that fails
// (a busy lock keeps the change for a retry).
int Begin(DATA4* d) {
  if (!d) return e4parm;
  const int r = WriteHeldAppends(d);
  return r != 0 ? r : FlushRecord(d);
}

// Holds the index lock shared for the cursor steps of one positioning call, so that
// they take one lock and check the tag's counter once. When the lock cannot be had
// each step tries on its own (and reports the failure).
class IndexReadHold {
 public:
  explicit IndexReadHold(DATA4* d) : index_(d && d->selected ? d->index.get() : nullptr) {
    if (!index_) return;
    index_->SetLockPolicy(d->code->policy());
    if (!index_->LockShared().ok()) index_ = nullptr;
  }
  ~IndexReadHold() {
    if (index_) index_->UnlockShared();
  }
  IndexReadHold(const IndexReadHold&) = delete;
  IndexReadHold& operator=(const IndexReadHold&) = delete;

 private:
  xb::CdxIndex* index_;
};

// Runs the steps of a positioning call: first, when `cached` allows and the index has
// not changed since its cached pages were checked, from those pages without the index
// lock; when that meets what only the lock settles (kNeedLock, the handle left as it
// was), again under the shared lock.
template <typename Steps>
int Positioned(DATA4* d, bool cached, Steps steps) {
  if (cached && d->selected && d->index->ReadCached()) {
    d->cachedRead = true;
    const int r = steps();
    d->cachedRead = false;
    d->index->UnlockShared();
    if (r != kNeedLock) return r;
    d->cursorSynced = false;  // the cursor may have moved: its place is found from the record
  }
  const IndexReadHold hold(d);
  return steps();
}

int Top(DATA4* d) {
  d->appending = false;
  if (d->selected) return TopOfTag(d, d->selected);
  if (d->table->recordCount() == 0) {
    const Status s = d->table->RefreshCount();
    if (!s.ok()) return d->Fail(s, ErrorOf(s, e4read));
  }
  if (d->table->recordCount() == 0) {
    GoEof(d);
    return r4eof;
  }
  return LoadRecord(d, 1);
}

int Skip(DATA4* d, long n) {
  int r = 0;
  if (d->appending) return d->Fail(e4parm);
  if (!d->eof && d->recno == 0) {
    // Not yet on a record: the walk starts at the top.
    r = Top(d);
    if (r != 0) return r;
    if (n <= 0) return n < 0 ? r4bof : 0;
    --n;
  }
  const bool forward = n >= 0;
  long steps = n < 0 ? -n : n;
  if (steps == 0) return d->eof ? r4eof : 0;
  if (!d->selected) {
    uint32_t base = d->eof ? d->table->recordCount() + 1 : d->recno;
    if (base == 0) base = 1;
    const long long target = static_cast<long long>(base) + n;
    if (target < 1) {
      r = Top(d);
      return r == 0 ? r4bof : r;
    }
    if (target > d->table->recordCount()) {
      const Status s = d->table->RefreshCount();
      if (!s.ok()) return d->Fail(s, ErrorOf(s, e4read));
      if (target > d->table->recordCount()) {
        GoEof(d);
        return r4eof;
      }
    }
    return LoadRecord(d, static_cast<uint32_t>(target), d->readAhead && forward);
  }
  TAG4* t = d->selected;
  if (d->eof || d->recno == 0) {
    if (forward) return r4eof;
    // From the end of file, one step back is the last record in walk order.
    if (!CurLast(t)) {
      r = CursorEnd(d, t);
      if (Stops(r)) return r;
      GoEof(d);
      return r4bof;
    }
    r = Settle(d, t, false);
    if (r == kRanOff) {
      GoEof(d);
      return r4bof;
    }
    if (Stops(r)) return r;
    --steps;
  }
  for (; steps > 0; --steps) {
    r = StepFromCurrent(d, t, forward);
    if (r == kRanOff) {
      if (forward) {
        GoEof(d);
        return r4eof;
      }
      r = TopOfTag(d, t);
      return r == 0 ? r4bof : r;
    }
    if (Stops(r)) return r;
  }
  return 0;
}

int SeekNext(DATA4* d, const char* text) {
  if (!d->selected || !text) return d->Fail(e4parm);
  TAG4* t = d->selected;
  std::string key;
  if (!KeyFromText(t, text, &key)) {
    GoEof(d);
    return r4eof;
  }
  if (d->appending || d->eof || d->recno == 0) return SeekKey(d, t, key);
  RawKey(d, t, &d->key);
  if (d->key.compare(0, key.size(), key) != 0) return SeekKey(d, t, key);
  const int r = StepFromCurrent(d, t, true);
  if (r == kRanOff) {
    GoEof(d);
    return r4eof;
  }
  if (Stops(r)) return r;
  return Matches(t, key) ? 0 : r4after;
}

}  // namespace

TAG4* d4tag(DATA4* d, const char* name) {
  if (!d) return nullptr;
  if (name) {
    std::string_view n(name);
    while (!n.empty() && n.front() == ' ') n.remove_prefix(1);
    while (!n.empty() && n.back() == ' ') n.remove_suffix(1);
    for (auto& t : d->tags) {
      if (xb::EqualsNoCase(t->name, n)) return t.get();
    }
  }
  if (d->code->errTagName) d->Fail(e4tagName);
  return nullptr;
}

int d4tagSelect(DATA4* d, TAG4* tag) {
  if (!d || (tag && tag->data != d)) return e4parm;
  d->selected = tag;
  d->cursorSynced = false;
  return 0;
}

int d4top(DATA4* d) {
  const int r = Begin(d);
  if (r != 0) return r;
  return Positioned(d, true, [d] { return Top(d); });
}

int d4go(DATA4* d, long recno) {
  const int r = Begin(d);
  if (r != 0) return r;
  d->appending = false;
  if (recno < 1 || recno > static_cast<long>(UINT32_MAX)) return r4entry;
  const int loaded = LoadRecord(d, static_cast<uint32_t>(recno));
  return loaded == r4eof ? r4entry : loaded;
}

int d4skip(DATA4* d, long n) {
  const int r = Begin(d);
  if (r != 0) return r;
  // One step from a record (a walk's step) may be read from cached pages.
  const bool oneStep = (n == 1 || n == -1) && !d->appending && !d->eof && d->recno != 0;
  return Positioned(d, oneStep, [d, n] { return Skip(d, n); });
}

int d4readAhead(DATA4* d, int on) {
  if (!d) return e4parm;
  const int was = d->readAhead ? 1 : 0;
  d->readAhead = on != 0;
  if (!d->readAhead) d->table->DropAhead();
  if (d->memo) d->memo->ReadAhead(d->readAhead);
  return was;
}

int d4seek(DATA4* d, const char* text) {
  const int r = Begin(d);
  if (r != 0) return r;
  return Positioned(d, true, [d, text] {
    if (!d->selected || !text) return d->Fail(e4parm);
    d->appending = false;
    std::string key;
    if (!KeyFromText(d->selected, text, &key)) {
      GoEof(d);
      return r4eof;
    }
    return SeekKey(d, d->selected, key);
  });
}

int d4seekDouble(DATA4* d, double value) {
  if (!d) return e4parm;
  if (d->selected && d->selected->type == xb::KeyType::kChar) {
    char buf[64];
    const int n = xb::GeneralText(value, 15, buf, sizeof buf - 1);
    buf[n < 0 ? 0 : n] = '\0';
    return d4seek(d, buf);
  }
  const int r = Begin(d);
  if (r != 0) return r;
  return Positioned(d, true, [d, value] {
    if (!d->selected || !std::isfinite(value)) return d->Fail(e4parm);
    d->appending = false;
    return SeekKey(d, d->selected, xb::EncodeNumericKey(value));
  });
}

int d4seekNext(DATA4* d, const char* text) {
  const int r = Begin(d);
  if (r != 0) return r;
  return Positioned(d, true, [d, text] { return SeekNext(d, text); });
}
