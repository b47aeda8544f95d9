// Engine start and settings, the session lock, opening, creating and closing tables.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/EngineState.h"
#include "platform/xbase/TableFiles.h"

using xb::Code;
using xb::File;
using xb::Status;

namespace {

constexpr uint64_t kSessionLock = 0x80000000ull;

int Set(CODE4* c, int CODE4::*member, int value) {
  if (!c) return e4parm;
  const int old = c->*member;
  c->*member = value;
  return old;
}

// Compiles the tag definitions of the open index against the table's fields.
int CompileTags(DATA4* d) {
  for (size_t i = 0; i < d->index->TagCount(); ++i) {
    const xb::TagDef& def = d->index->Tag(i);
    auto t = std::make_unique<TAG4>();
    t->data = d;
    t->index = i;
    t->name = def.name;
    t->keyLen = def.keyLen;
    t->descending = def.descending;
    Status s;
    t->key = xb::Expression::Compile(def.keyExpr, d->table->fields(), &s);
    if (t->key && !def.forExpr.empty()) {
      t->filter = xb::Expression::Compile(def.forExpr, d->table->fields(), &s);
      if (t->filter && t->filter->type() != xb::Expression::Type::kLogical) t->filter.reset();
    }
    if (!t->key || (!def.forExpr.empty() && !t->filter)) return e4expr;
    // The index file does not say whether keys are numbers; the field types do.
    const bool numeric = t->key->type() == xb::Expression::Type::kNumeric ||
                         t->key->type() == xb::Expression::Type::kDate;
    if (def.keyLen == 0 || (numeric && def.keyLen != 8)) return e4expr;
    t->type = numeric ? xb::KeyType::kNumeric : xb::KeyType::kChar;
    d->index->SetKeyType(i, t->type);
    t->cursor = d->index->NewCursor(i);
    if (!t->cursor) return e4index;
    d->tags.push_back(std::move(t));
  }
  return 0;
}

constexpr size_t kParkedMemos = 4;

// The memo file of a table: one a closed handle of this engine left open, when the
// file at the path is still that one, unchanged; else opened and its header read.
std::unique_ptr<xb::MemoFile> OpenMemo(DATA4* d, const std::string& path, File::Mode mode, Status* s) {
  auto& shelf = d->code->memoShelf;
  xb::FileStamp st;
  if (!shelf.empty() && xb::FileStamp::At(path, &st)) {
    const auto it = std::find_if(shelf.begin(), shelf.end(), [&](const xb::engine::ParkedMemo& p) {
      return p.path == path && p.readOnly == d->readOnly && p.stamp == st;
    });
    if (it != shelf.end()) {
      std::unique_ptr<xb::MemoFile> memo = std::move(it->memo);
      d->memoStamp = it->stamp;
      shelf.erase(it);
      return memo;
    }
  }
  std::unique_ptr<xb::MemoFile> memo = xb::MemoFile::Open(path, mode, s);
  // A stamp taken within its times' clock tick would vouch for nothing: not kept then.
  if (memo && memo->file().Stamp(&st) && st.Settled()) d->memoStamp = st;
  return memo;
}

void ParkMemo(DATA4* d) {
  if (!d->memo || d->memoStamp.ino == 0 || d->memoStamp.forks != xb::ForkGeneration()) return;
  d->memo->file().Unflock();  // closed: other programs may have the file to themselves
  auto& shelf = d->code->memoShelf;
  std::erase_if(shelf, [&](const xb::engine::ParkedMemo& p) { return p.stamp.dev == d->memoStamp.dev && p.stamp.ino == d->memoStamp.ino; });
  if (shelf.size() >= kParkedMemos) shelf.erase(shelf.begin());
  d->memo->ReadAhead(false);
  shelf.push_back({d->memo->file().path(), d->readOnly, d->memoStamp, std::move(d->memo)});
}

// A handle holds each of its table's files by flock while it is open: shared, or
// exclusive for a deny-write handle. `lock` takes it; true when taken, not needed
// (the engine has the file to itself) or refused to a read-only handle, which may
// read beside an exclusive user as beside a deny-write handle.
template <typename Lock>
bool HoldOpen(DATA4* d, bool owned, Lock lock) {
  return owned || lock(d->denyWrite) != File::LockResult::kBusy || d->readOnly;
}

bool Owned(const CODE4* c, const std::string& path) {
  xb::FileStamp st;
  return !c->heldFiles.empty() && xb::FileStamp::At(path, &st) && c->heldFiles.count({st.dev, st.ino}) != 0;
}

void ReleaseTable(DATA4* d) {
  if (d->code) d->code->tables.erase(d);
  delete d;
}

}  // namespace

CODE4* d4init_v() { return new CODE4(); }

int d4initUndo(CODE4* c) {
  if (!c) return e4parm;
  int result = 0;
  while (!c->tables.empty()) {
    const int r = d4close(*c->tables.begin());
    if (r < 0 && result == 0) result = r;
  }
  delete c;
  return result;
}

int code4accessMode(CODE4* c, int mode) { return Set(c, &CODE4::accessMode, mode); }
int code4lockEnforce(CODE4* c, int on) { return Set(c, &CODE4::lockEnforce, on); }
int code4lockDelay(CODE4* c, int ms) { return Set(c, &CODE4::lockDelay, ms); }
int code4lockAttempts(CODE4* c, int n) { return Set(c, &CODE4::lockAttempts, n); }
int code4readLock(CODE4* c, int on) { return Set(c, &CODE4::readLock, on); }
int code4readOnly(CODE4* c, int on) { return Set(c, &CODE4::readOnly, on); }
int code4optimizeWrite(CODE4* c, int on) { return Set(c, &CODE4::optimizeWrite, on); }
int code4errorCode(CODE4* c, int code) { return Set(c, &CODE4::errorCode, code); }
int code4errorSystem(CODE4* c) { return c ? c->systemError : 0; }
int code4errTagName(CODE4* c, int on) { return Set(c, &CODE4::errTagName, on); }
int code4errorReason(CODE4* c) { return c ? c->reason : reason4none; }

int code4sessionLock(CODE4* c, const char* path, int exclusive) {
  if (!c || !path) return c ? c->Fail(e4parm) : e4parm;
  if (c->session && c->sessionPath != path) code4sessionUnlock(c);
  if (!c->session) {
    Status s;
    c->session = File::Open(path, File::Mode::kReadWrite, &s);
    if (!c->session && !exclusive) c->session = File::Open(path, File::Mode::kReadOnly, &s);
    if (!c->session) return c->Fail(s, e4open);
    c->sessionPath = path;
    c->sessionExclusive = false;
  }
  if (exclusive && !c->session->writable()) return c->Fail(e4readOnly);
  const bool wantExclusive = exclusive != 0;
  const File::LockResult r = xb::LockWithRetry(*c->session, kSessionLock, 1, wantExclusive, c->policy());
  if (r == File::LockResult::kOk) {
    c->sessionExclusive = wantExclusive;
    return 0;
  }
  if (r == File::LockResult::kBusy) return r4locked;
  return c->Fail(e4lock);
}

int code4sessionUnlock(CODE4* c) {
  if (!c) return e4parm;
  if (c->session) c->session->Unlock(kSessionLock, 1);
  c->session.reset();
  c->sessionPath.clear();
  c->sessionExclusive = false;
  return 0;
}

DATA4* d4open(CODE4* c, const char* path) {
  if (!c) return nullptr;
  if (!path || !*path) {
    c->Fail(e4parm);
    return nullptr;
  }
  if (xb::engine::FinishCutRebuild(c, path) != 0) return nullptr;
  auto d = std::make_unique<DATA4>();
  d->code = c;
  d->readOnly = c->readOnly != 0;
  d->denyWrite = !d->readOnly && c->accessMode != 0;
  const File::Mode mode = d->readOnly ? File::Mode::kReadOnly : File::Mode::kReadWrite;
  Status s;
  Status counted;
  d->table = xb::Table::Open(path, mode, &s, &counted);
  if (!d->table) {
    c->Fail(s, s.code() == Code::kCorrupt ? e4data : e4open);
    return nullptr;
  }
  // Taken before the index is opened: another program that has the table to itself
  // (and changes the index without moving its counter) has left it once this is held.
  File& dbf = d->table->file();
  if (!HoldOpen(d.get(), Owned(c, path), [&](bool exclusive) { return dbf.Flock(exclusive); })) {
    c->Fail(e4access);
    return nullptr;
  }
  d->locks = std::make_unique<xb::LockManager>(&d->table->file());
  if (!d->readOnly && d->locks->AcquireAccess(c->accessMode != 0, xb::engine::HeldByEngine(c, d->table->file())) !=
                          File::LockResult::kOk) {
    c->Fail(e4access);
    return nullptr;
  }
  // Records beyond the count while another program holds the append lock are its
  // append in progress.
  if (counted.damage() == xb::Damage::kUncounted &&
      d->table->file().Probe(xb::LockManager::kAppendLock, 1, true) == File::LockResult::kBusy) {
    counted = Status::Ok();
  }
  // A deny-write handle opens a table whose count is wrong, for d4reindex to repair.
  if (!counted.ok()) {
    if (!d->denyWrite) {
      c->Fail(counted, e4data);
      return nullptr;
    }
    d->countDamage = counted;
  }
  const xb::DbfHeader& h = d->table->header();
  if (h.HasMemoFields()) {
    const std::string memoPath = xb::CompanionPath(path, "fpt");
    d->memo = OpenMemo(d.get(), memoPath, mode, &s);
    if (!d->memo) {
      c->Fail(s, s.code() == Code::kCorrupt ? e4data : e4open);
      return nullptr;
    }
    File& fpt = d->memo->file();
    if (!HoldOpen(d.get(), Owned(c, memoPath), [&](bool exclusive) { return fpt.Flock(exclusive); })) {
      c->Fail(e4access);
      return nullptr;
    }
  }
  if (h.HasStructuralIndex()) {
    // The field types tell the key types (CompileTags). The index lock is awaited as
    // patiently as the engine's other locks.
    const std::string cdxPath = xb::CompanionPath(path, "cdx");
    d->index = xb::CdxIndex::Open(cdxPath, mode, &s, false, c->policy(), c->indexShelf.get());
    if (!d->index) {
      c->Fail(s, s.code() == Code::kNotFound ? e4open : e4index);
      return nullptr;
    }
    if (!HoldOpen(d.get(), Owned(c, cdxPath), [&](bool exclusive) { return d->index->HoldFile(exclusive); })) {
      c->Fail(e4access);
      return nullptr;
    }
    const int r = CompileTags(d.get());
    if (r != 0) {
      c->Fail(r);
      return nullptr;
    }
  }
  const size_t len = d->table->recordLen();
  d->rec.assign(len + 1, ' ');
  d->rec[len] = '\0';
  d->orig = d->rec;
  d->scratch = d->rec;
  for (const xb::FieldDef& f : d->table->fields()) {
    auto fh = std::make_unique<FIELD4>();
    fh->data = d.get();
    fh->def = &f;
    if (f.type == 'M') d->memoFields.push_back(fh.get());
    d->fields.push_back(std::move(fh));
  }
  // What a writer stopped part-way left, finished now when nobody is writing.
  xb::engine::RepairAtOpen(d.get());
  // Not on a record until the caller positions: open reads the header only.
  DATA4* result = d.release();
  c->tables.insert(result);
  return result;
}

DATA4* d4create(CODE4* c, const char* path, const FIELD4INFO* fields, const TAG4INFO* tags) {
  if (!c) return nullptr;
  if (!path || !fields) {
    c->Fail(e4parm);
    return nullptr;
  }
  std::vector<xb::FieldDef> defs;
  for (const FIELD4INFO* f = fields; f->name; ++f) {
    xb::FieldDef def;
    def.name = f->name;
    def.type = static_cast<char>(f->type);
    def.len = static_cast<uint8_t>(f->len < 0 || f->len > 255 ? 0 : f->len);
    def.dec = static_cast<uint8_t>(f->dec < 0 || f->dec > 255 ? 0 : f->dec);
    defs.push_back(std::move(def));
  }
  std::vector<xb::TagSpec> specs;
  for (const TAG4INFO* t = tags; t && t->name; ++t) {
    specs.push_back({t->name, t->expression ? t->expression : "", t->filter ? t->filter : "",
                     t->unique != 0, t->descending != 0});
  }
  const Status s = xb::CreateTableFiles(path, defs, specs);
  if (!s.ok()) {
    c->Fail(s, s.code() == Code::kInvalid ? e4parm : e4create);
    return nullptr;
  }
  return d4open(c, path);
}

int d4close(DATA4* d) {
  if (!d) return e4parm;
  // A change that could not be written (r4locked) is dropped; the result says so.
  const int held = xb::engine::WriteHeldAppends(d);
  const int flushed = xb::engine::FlushRecord(d);
  const int result = held != 0 ? held : flushed;
  xb::engine::ReleaseAppendHold(d);
  if (d->locks) d->locks->UnlockAll();
  xb::engine::CloseNote(d);
  ParkMemo(d);
  ReleaseTable(d);
  return result;
}
