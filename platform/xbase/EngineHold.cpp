// Holding a table's files while their index is replaced (code4holdTable, hold4...).
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/CdxLock.h"
#include "platform/xbase/DbfHeader.h"
#include "platform/xbase/EngineState.h"
#include "platform/xbase/Number.h"
#include "platform/xbase/TableFiles.h"

using xb::Code;
using xb::File;
using xb::LockManager;
using xb::Status;

struct HOLD4 {
  CODE4* code = nullptr;
  std::unique_ptr<File> dbf;
  std::unique_ptr<File> cdx;  // null when the table has no index file
  std::vector<std::pair<uint64_t, uint64_t>> ids;  // of the files in code->heldFiles
  std::string work;        // the rebuild's work files begin with it
  bool rebuilding = false;  // the hold of a rebuild: its marker and work files end with it
  bool copying = false;     // the marker names a copy not yet finished
  bool lost = false;        // a copy cut short left the index damaged, its source gone

  ~HOLD4() {
    for (const auto& id : ids) code->heldFiles.erase(code->heldFiles.find(id));
  }
  // Has the file to itself by flock; false when another open file holds it.
  bool Own(File& file) {
    if (file.Flock(true) == File::LockResult::kBusy) return false;
    ids.push_back(xb::engine::IdOf(file));
    code->heldFiles.insert(ids.back());
    return true;
  }
  std::string Marker() const { return work + "mrk"; }
};

namespace {

constexpr uint64_t kFileCounter = 8;  // the index file's change counter, big-endian

// A rebuild's marker, beside the table, says what state the held index is in:
//   "hold"                   the index is as it was: whole
//   "copy\n<size>\n<path>"   the whole, synced file at path is being copied over it
//   "lost"                   a copy over it was cut short and its source is gone
// Its changes are written whole or not at all (a synced file renamed over it).
constexpr char kHolding[] = "hold";
constexpr char kCopying[] = "copy";
constexpr char kLost[] = "lost";

struct Marker {
  std::string state;  // empty: no marker
  uint64_t size = 0;
  std::string source;
};

Marker ReadMarker(const std::string& path) {
  Status s;
  const std::unique_ptr<File> f = File::Open(path, File::Mode::kReadOnly, &s);
  Marker m;
  if (!f) return m;
  std::string text(static_cast<size_t>(std::min<uint64_t>(f->Size(), 8192)), '\0');
  if (!f->ReadAt(0, text.data(), text.size())) text.clear();
  const size_t line1 = text.find('\n'), line2 = line1 == std::string::npos ? line1 : text.find('\n', line1 + 1);
  m.state = text.substr(0, line1);
  if (m.state == kCopying && line2 != std::string::npos) {
    m.size = std::strtoull(text.c_str() + line1 + 1, nullptr, 10);
    m.source = text.substr(line2 + 1);
  } else if (m.state != kHolding && m.state != kLost) {
    m.state = kHolding;  // only this engine writes it, whole: an unknown one guards nothing
  }
  return m;
}

Status WriteMarker(const std::string& path, const std::string& text) {
  const std::string temp = xb::TempNameFor(path);
  Status s;
  std::unique_ptr<File> f = File::Create(temp, &s);
  if (!f) return s;
  const bool written = f->WriteAt(0, text.data(), text.size()) && f->Sync();
  f.reset();
  if (!written) {
    xb::RemoveFile(temp);
    return Status::System(Code::kIo, "cannot write " + temp);
  }
  return xb::ReplaceFile(temp, path);
}

// The work files of a rebuild of the table at dbfPath: its path without the extension,
// followed by "_reindex." (T.dbf -> T_reindex.dbf, T_reindex.cdx, T_reindex.mrk, ...).
std::string WorkPrefix(const std::string& dbfPath) {
  const size_t slash = dbfPath.rfind('/'), dot = dbfPath.rfind('.');
  const bool ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (ext ? dbfPath.substr(0, dot) : dbfPath) + "_reindex.";
}

int Locked(CODE4* c, File::LockResult r) {
  if (r == File::LockResult::kOk) return 0;
  return r == File::LockResult::kBusy ? r4locked : c->Fail(e4lock);
}

// Copies `from` over the start of `to`; the counter bytes of the copy are `counter`.
Status CopyOver(const File& from, File& to, uint64_t size, uint32_t counter) {
  std::vector<char> buf(xb::engine::indexCopyPiece);
  for (uint64_t off = 0; off < size; off += buf.size()) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - off));
    if (!from.ReadAt(off, buf.data(), n)) return Status::System(Code::kIo, "cannot read " + from.path());
    if (off == 0 && n >= kFileCounter + 4) xb::PutBE32(reinterpret_cast<uint8_t*>(buf.data()) + kFileCounter, counter);
    if (!to.WriteAt(off, buf.data(), n)) return Status::System(Code::kIo, "cannot write " + to.path());
  }
  return Status::Ok();
}

// The file `from` (newSize bytes) written over the held index in place, its change
// counter moved on, and synced. The space first: a disk too full for it leaves the
// held index as it was (*started false).
int CopyIndex(HOLD4* h, const File& from, uint64_t newSize, bool* started) {
  CODE4* c = h->code;
  File& held = *h->cdx;
  const uint64_t oldSize = held.Size();
  uint8_t counter[4] = {};
  held.ReadAt(kFileCounter, counter, sizeof counter);
  *started = false;
  if (newSize > oldSize) {
    const int err = held.Reserve(newSize);
    if (err != 0) {
      held.Truncate(oldSize);
      return c->Fail(Status::System(Code::kIo, "cannot write " + held.path(), err), e4write);
    }
  }
  *started = true;
  Status s = CopyOver(from, held, newSize, xb::GetBE32(counter) + 1);
  if (s.ok() && newSize < oldSize && !held.Truncate(newSize)) s = Status::System(Code::kIo, "cannot write " + held.path());
  if (s.ok() && !held.Sync()) s = Status::System(Code::kIo, "cannot write " + held.path());
  return s.ok() ? 0 : c->Fail(s, e4write);
}

// What a rebuild cut short left: a copy its marker names is finished from its source
// (when the source is whole), then the other work files are removed. A copy that cannot
// be finished leaves the index damaged: the marker says so, and an open fails with
// e4index (a rebuild goes on: it writes the whole index anew).
int FinishUnderHold(HOLD4* h) {
  CODE4* c = h->code;
  const Marker m = ReadMarker(h->Marker());
  if (m.state.empty() && !h->rebuilding) return 0;
  h->lost = m.state == kLost;
  if (m.state == kCopying && h->cdx) {
    Status s;
    const std::unique_ptr<File> source = File::Open(m.source, File::Mode::kReadOnly, &s);
    bool started = false;
    h->lost = !source || source->Size() != m.size;
    if (!h->lost && CopyIndex(h, *source, m.size, &started) != 0) return c->errorCode;
    // The source goes only once the marker no longer names it.
    s = WriteMarker(h->Marker(), h->lost ? kLost : kHolding);
    if (!s.ok()) return c->Fail(s, e4write);
  }
  xb::RemoveFilesStartingWith(h->work, h->Marker());
  if (h->lost && !h->rebuilding) {
    return c->Fail(Status(Code::kCorrupt, (h->cdx ? h->cdx->path() : h->work) + " was left half rewritten by a re-index cut short"), e4index);
  }
  if (!h->rebuilding) xb::RemoveFile(h->Marker());
  return 0;
}

// The hold of code4holdTable under `policy`; a rebuild's hold marks the table for the
// next open (or hold) until it ends.
int HoldTable(CODE4* c, const char* dbfPath, const char* cdxPath, const xb::LockPolicy& policy, bool rebuilding,
              HOLD4** hold) {
  *hold = nullptr;
  auto h = std::make_unique<HOLD4>();
  h->code = c;
  h->work = WorkPrefix(dbfPath);
  h->rebuilding = rebuilding;
  Status s;
  h->dbf = File::Open(dbfPath, File::Mode::kReadWrite, &s);
  if (!h->dbf) return c->Fail(s, e4open);
  const int r =
      Locked(c, xb::LockWithRetry(*h->dbf, LockManager::kFileLockStart, LockManager::kFileLockLen, true, policy));
  if (r != 0) return r;
  // Another program's exclusive open, or a table any handle (ours too) has open.
  if (!h->Own(*h->dbf)) return r4locked;
  if (cdxPath && *cdxPath) {
    h->cdx = File::Open(cdxPath, File::Mode::kReadWrite, &s);
    if (!h->cdx) return c->Fail(s, e4open);
    if (!h->Own(*h->cdx)) return r4locked;
    s = xb::cdx::LockIndexFile(h->cdx.get(), true, policy, nullptr);
    if (!s.ok()) return s.code() == Code::kLocked ? r4locked : c->Fail(s, e4lock);
  }
  if (const int finished = FinishUnderHold(h.get()); finished != 0) return finished;
  // Made before anything else of the rebuild, so that it finds whatever is left; empty
  // (cut short) it reads as kHolding. A marker saying the index is lost stays until a
  // copy has replaced the index.
  if (rebuilding && !h->lost) {
    std::unique_ptr<File> marker = File::Create(h->Marker(), &s);
    if (!marker || !marker->WriteAt(0, kHolding, std::strlen(kHolding)) || !marker->Sync()) {
      return c->Fail(marker ? Status::System(Code::kIo, "cannot write " + h->Marker()) : s, e4write);
    }
  }
  *hold = h.release();
  return 0;
}

}  // namespace

size_t xb::engine::indexCopyPiece = 1u << 20;

int code4holdTable(CODE4* c, const char* dbfPath, const char* cdxPath, HOLD4** hold) {
  if (!c || !dbfPath || !hold) return e4parm;
  return HoldTable(c, dbfPath, cdxPath, c->policy(), true, hold);
}

int xb::engine::FinishCutRebuild(CODE4* c, const std::string& dbfPath) {
  const std::string marker = WorkPrefix(dbfPath) + "mrk";
  xb::FileStamp st;
  if (!xb::FileStamp::At(marker, &st)) return 0;
  const std::string cdx = xb::CompanionPath(dbfPath, "cdx");
  HOLD4* h = nullptr;
  const int r = c->readOnly ? r4locked
                            : HoldTable(c, dbfPath.c_str(), xb::FileStamp::At(cdx, &st) ? cdx.c_str() : nullptr,
                                        {1, 0}, false, &h);
  if (r == 0) return hold4release(h);
  if (r != r4locked) return r;
  // Busy: a rebuild under way (or a copy another open is finishing). Only a copy begun
  // leaves the index unreadable meanwhile.
  if (ReadMarker(marker).state == kHolding) return 0;
  return c->Fail(Status(Code::kCorrupt, cdx + " is being rewritten by a re-index, or was left half rewritten by one"),
                 e4index);
}

int hold4replaceIndex(HOLD4* h, const char* builtPath) {
  if (!h || !h->cdx || !builtPath) return e4parm;
  CODE4* c = h->code;
  Status s;
  const std::unique_ptr<File> built = File::Open(builtPath, File::Mode::kReadWrite, &s);
  if (!built) return c->Fail(s, e4open);
  const uint64_t newSize = built->Size();
  // The new index whole on disk, and the marker naming it, before the held one is touched.
  if (!built->Sync()) return c->Fail(Status::System(Code::kIo, "cannot write " + built->path()), e4write);
  s = WriteMarker(h->Marker(), std::string(kCopying) + "\n" + std::to_string(newSize) + "\n" + builtPath);
  if (!s.ok()) return c->Fail(s, e4write);
  h->copying = true;
  bool started = false;
  const int r = CopyIndex(h, *built, newSize, &started);
  // Not started (no space): the index is as it was. Cut short: the next open finishes it.
  h->copying = r != 0 && started;
  if (r == 0) h->lost = false;
  if (!h->copying) s = WriteMarker(h->Marker(), h->lost ? kLost : kHolding);
  if (r != 0) return r;
  return s.ok() ? 0 : c->Fail(s, e4write);
}

std::pair<uint64_t, uint64_t> xb::engine::IdOf(const File& file) {
  xb::FileStamp st;
  if (!file.Stamp(&st)) return {0, 0};
  return {st.dev, st.ino};
}

bool xb::engine::HeldByEngine(const CODE4* c, const File& file) {
  return !c->heldFiles.empty() && c->heldFiles.count(IdOf(file)) != 0;
}

int hold4repairNumbers(HOLD4* h, long* repaired) {
  if (!h || !repaired) return e4parm;
  *repaired = 0;
  CODE4* c = h->code;
  File& dbf = *h->dbf;
  xb::DbfHeader header;
  std::vector<uint8_t> head(32);
  Status s = dbf.ReadAt(0, head.data(), head.size()) ? xb::ParseDbfPrefix(head.data(), head.size(), &header)
                                                      : Status::System(Code::kIo, "cannot read " + dbf.path());
  if (s.ok()) {
    head.resize(header.headerLen);
    s = dbf.ReadAt(0, head.data(), head.size()) ? xb::ParseDbfHeader(head.data(), head.size(), &header)
                                                : Status::System(Code::kIo, "cannot read " + dbf.path());
  }
  if (!s.ok()) return c->Fail(s, s.code() == Code::kCorrupt ? e4data : e4read);
  const bool decimals = std::any_of(header.fields.begin(), header.fields.end(), [](const xb::FieldDef& f) {
    return (f.type == 'N' || f.type == 'F') && f.dec > 0;
  });
  if (!decimals) return 0;
  // The counted records the file holds whole, a block of them at a time.
  const uint64_t size = dbf.Size();
  const uint64_t whole = size > header.headerLen ? (size - header.headerLen) / header.recordLen : 0;
  const uint64_t count = std::min<uint64_t>(header.recordCount, whole);
  const uint64_t perBlock = std::max<uint64_t>(1, (1u << 20) / header.recordLen);
  std::vector<char> block;
  for (uint64_t first = 1; first <= count; first += perBlock) {
    const uint64_t n = std::min(perBlock, count - first + 1);
    block.resize(static_cast<size_t>(n * header.recordLen));
    const uint64_t at = header.RecordOffset(static_cast<uint32_t>(first));
    if (!dbf.ReadAt(at, block.data(), block.size()))
      return c->Fail(Status::System(Code::kIo, "cannot read " + dbf.path()), e4read);
    for (uint64_t k = 0; k < n; ++k) {
      char* rec = block.data() + k * header.recordLen;
      const size_t changed = xb::RepairDecimalCommas(rec, header.fields);
      if (changed == 0) continue;
      if (!dbf.WriteAt(at + k * header.recordLen, rec, header.recordLen))
        return c->Fail(Status::System(Code::kIo, "cannot write " + dbf.path()), e4write);
      *repaired += static_cast<long>(changed);
    }
  }
  return 0;
}

int hold4release(HOLD4* h) {
  if (!h) return e4parm;
  // A copy cut short keeps its source and marker for the next open to finish.
  if (h->rebuilding && !h->copying) {
    xb::RemoveFilesStartingWith(h->work, h->Marker());
    if (!h->lost) xb::RemoveFile(h->Marker());
  }
  if (h->cdx) xb::cdx::UnlockIndexFile(h->cdx.get());
  delete h;
  return 0;
}
