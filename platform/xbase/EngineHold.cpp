// Holding a table's files while their index is replaced (code4holdTable, hold4...).
#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/CdxLock.h"
#include "platform/xbase/DbfHeader.h"
#include "platform/xbase/EngineState.h"
#include "platform/xbase/Number.h"

using xb::Code;
using xb::File;
using xb::LockManager;
using xb::Status;

struct HOLD4 {
  CODE4* code = nullptr;
  std::unique_ptr<File> dbf;
  std::unique_ptr<File> cdx;  // null when the table has no index file
  std::vector<std::pair<uint64_t, uint64_t>> ids;  // of the files in code->heldFiles

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
};

namespace {

constexpr uint64_t kFileCounter = 8;  // the index file's change counter, big-endian

int Locked(CODE4* c, File::LockResult r) {
  if (r == File::LockResult::kOk) return 0;
  return r == File::LockResult::kBusy ? r4locked : c->Fail(e4lock);
}

// Copies `from` over the start of `to`; the counter bytes of the copy are `counter`.
Status CopyOver(const File& from, File& to, uint64_t size, uint32_t counter) {
  std::vector<char> buf(1u << 20);
  for (uint64_t off = 0; off < size; off += buf.size()) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - off));
    if (!from.ReadAt(off, buf.data(), n)) return Status::System(Code::kIo, "cannot read " + from.path());
    if (off == 0 && n >= kFileCounter + 4) xb::PutBE32(reinterpret_cast<uint8_t*>(buf.data()) + kFileCounter, counter);
    if (!to.WriteAt(off, buf.data(), n)) return Status::System(Code::kIo, "cannot write " + to.path());
  }
  return Status::Ok();
}

}  // namespace

int code4holdTable(CODE4* c, const char* dbfPath, const char* cdxPath, HOLD4** hold) {
  if (!c || !dbfPath || !hold) return e4parm;
  *hold = nullptr;
  auto h = std::make_unique<HOLD4>();
  h->code = c;
  Status s;
  h->dbf = File::Open(dbfPath, File::Mode::kReadWrite, &s);
  if (!h->dbf) return c->Fail(s, e4open);
  const int r = Locked(c, xb::LockWithRetry(*h->dbf, LockManager::kFileLockStart, LockManager::kFileLockLen, true,
                                            c->policy()));
  if (r != 0) return r;
  // Another program's exclusive open, or a table any handle (ours too) has open.
  if (!h->Own(*h->dbf)) return r4locked;
  if (cdxPath && *cdxPath) {
    h->cdx = File::Open(cdxPath, File::Mode::kReadWrite, &s);
    if (!h->cdx) return c->Fail(s, e4open);
    if (!h->Own(*h->cdx)) return r4locked;
    s = xb::cdx::LockIndexFile(h->cdx.get(), true, c->policy(), nullptr);
    if (!s.ok()) return s.code() == Code::kLocked ? r4locked : c->Fail(s, e4lock);
  }
  *hold = h.release();
  return 0;
}

int hold4replaceIndex(HOLD4* h, const char* builtPath) {
  if (!h || !h->cdx || !builtPath) return e4parm;
  CODE4* c = h->code;
  Status s;
  const std::unique_ptr<File> built = File::Open(builtPath, File::Mode::kReadOnly, &s);
  if (!built) return c->Fail(s, e4open);
  File& held = *h->cdx;
  const uint64_t oldSize = held.Size();
  const uint64_t newSize = built->Size();
  uint8_t counter[4] = {};
  held.ReadAt(kFileCounter, counter, sizeof counter);
  // The space first: a disk too full for the new index leaves the old one whole.
  if (newSize > oldSize) {
    const int err = held.Reserve(newSize);
    if (err != 0) {
      held.Truncate(oldSize);
      return c->Fail(Status::System(Code::kIo, "cannot write " + held.path(), err), e4write);
    }
  }
  s = CopyOver(*built, held, newSize, xb::GetBE32(counter) + 1);
  if (s.ok() && newSize < oldSize && !held.Truncate(newSize)) s = Status::System(Code::kIo, "cannot write " + held.path());
  if (s.ok() && !held.Sync()) s = Status::System(Code::kIo, "cannot write " + held.path());
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
  if (h->cdx) xb::cdx::UnlockIndexFile(h->cdx.get());
  delete h;
  return 0;
}
