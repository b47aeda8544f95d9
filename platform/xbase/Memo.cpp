#include "platform/xbase/Memo.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/xbase/Bytes.h"

namespace xb {

namespace {
constexpr uint32_t kBlockHeaderLen = 8;
// The first read of a memo: its block header and the text of most memos.
constexpr size_t kFirstRead = 512;
// The block a walk's memos are read in while read-ahead is on.
constexpr size_t kAheadBytes = 64 * 1024;
}

std::unique_ptr<MemoFile> MemoFile::Open(const std::string& path, File::Mode mode, Status* status) {
  std::unique_ptr<File> f = File::Open(path, mode, status);
  if (!f) return nullptr;
  uint8_t h[8];
  if (!f->ReadAt(0, h, sizeof h)) {
    *status = Status::Corrupt(Damage::kMemo, path + ": memo header is truncated");
    return nullptr;
  }
  const uint16_t bs = GetBE16(h + 6);
  if (bs == 0) {
    *status = Status::Corrupt(Damage::kMemo, path + ": memo block size is 0");
    return nullptr;
  }
  *status = Status::Ok();
  return std::unique_ptr<MemoFile>(new MemoFile(std::move(f), bs));
}

Status MemoFile::Create(const std::string& path, uint16_t blockSize) {
  if (blockSize == 0) return {Code::kInvalid, "memo block size is 0"};
  Status s;
  std::unique_ptr<File> f = File::Create(path, &s);
  if (!f) return s;
  std::vector<uint8_t> h(kHeaderLen, 0);
  PutBE32(h.data(), (kHeaderLen + blockSize - 1) / blockSize);
  PutBE16(h.data() + 6, blockSize);
  if (!f->WriteAt(0, h.data(), h.size())) return Status::System(Code::kIo, "cannot write " + path);
  return Status::Ok();
}

Status MemoFile::Locate(uint32_t block, uint64_t* dataOff, uint32_t* len) const {
  if (block < FirstBlock()) return Status::Corrupt(Damage::kMemo, file_->path() + ": memo pointer into the header");
  const uint64_t off = static_cast<uint64_t>(block) * blockSize_;
  const uint64_t size = file_->Size();
  uint8_t h[kBlockHeaderLen];
  if (off + kBlockHeaderLen > size || !file_->ReadAt(off, h, sizeof h)) {
    return Status::Corrupt(Damage::kMemo, file_->path() + ": memo pointer past the end of the file");
  }
  const uint32_t n = GetBE32(h + 4);
  if (n > size - off - kBlockHeaderLen) {
    return Status::Corrupt(Damage::kMemo, file_->path() + ": memo length runs past the end of the file");
  }
  *dataOff = off + kBlockHeaderLen;
  *len = n;
  return Status::Ok();
}

Status MemoFile::Length(uint32_t block, uint32_t* len) const {
  *len = 0;
  if (block == 0) return Status::Ok();
  uint64_t off = 0;
  return Locate(block, &off, len);
}

Status MemoFile::Read(uint32_t block, std::string* out) const {
  out->clear();
  if (block == 0) return Status::Ok();
  if (block < FirstBlock()) return Status::Corrupt(Damage::kMemo, file_->path() + ": memo pointer into the header");
  // One read serves the block header and a short memo; only a longer one is checked
  // against the file's size and read on.
  const uint64_t off = static_cast<uint64_t>(block) * blockSize_;
  if (aheadOn_ && ReadBuffered(off, out)) return Status::Ok();
  uint8_t first[kFirstRead];
  const long long got = file_->ReadSome(off, first, sizeof first);
  if (got < 0) return Status::System(Code::kIo, "cannot read " + file_->path());
  if (got < static_cast<long long>(kBlockHeaderLen)) {
    return Status::Corrupt(Damage::kMemo, file_->path() + ": memo pointer past the end of the file");
  }
  const uint32_t n = GetBE32(first + 4);
  const size_t have = static_cast<size_t>(got) - kBlockHeaderLen;
  const char* data = reinterpret_cast<const char*>(first + kBlockHeaderLen);
  if (n <= have) {
    out->assign(data, n);
    return Status::Ok();
  }
  const uint64_t size = got < static_cast<long long>(sizeof first) ? off + static_cast<uint64_t>(got) : file_->Size();
  if (size < off + kBlockHeaderLen || n > size - off - kBlockHeaderLen) {
    return Status::Corrupt(Damage::kMemo, file_->path() + ": memo length runs past the end of the file");
  }
  out->resize(n);
  std::memcpy(out->data(), data, have);
  if (!file_->ReadAt(off + static_cast<uint64_t>(got), out->data() + have, n - have)) {
    out->clear();
    return {Code::kIo, "cannot read " + file_->path()};
  }
  return Status::Ok();
}

// A memo wholly inside the read-ahead block, which is read anew from off when it does not
// hold it; false leaves the memo (a long one, one past the end of the file) to the plain read.
bool MemoFile::ReadBuffered(uint64_t off, std::string* out) const {
  const auto fromBlock = [&] {
    if (aheadLen_ == 0 || off < aheadOff_ || off - aheadOff_ + kBlockHeaderLen > aheadLen_) return false;
    const size_t at = static_cast<size_t>(off - aheadOff_);
    const uint32_t n = GetBE32(ahead_.data() + at + 4);
    if (n > aheadLen_ - at - kBlockHeaderLen) return false;
    out->assign(reinterpret_cast<const char*>(ahead_.data() + at + kBlockHeaderLen), n);
    return true;
  };
  if (fromBlock()) return true;
  if (aheadLen_ != 0 && aheadOff_ == off) return false;
  ahead_.resize(kAheadBytes);
  const long long got = file_->ReadSome(off, ahead_.data(), ahead_.size());
  aheadOff_ = off;
  aheadLen_ = got < 0 ? 0 : static_cast<size_t>(got);
  return fromBlock();
}

void MemoFile::DropAhead() const {
  aheadLen_ = 0;
  std::vector<uint8_t>().swap(ahead_);
}

void MemoFile::ReadAhead(bool on) {
  aheadOn_ = on;
  DropAhead();
}

Status MemoFile::Lock(const LockPolicy& policy) {
  const File::LockResult lr = LockWithRetry(*file_, kAllocLock, 1, true, policy);
  if (lr == File::LockResult::kOk) return Status::Ok();
  return {lr == File::LockResult::kBusy ? Code::kLocked : Code::kIo, "cannot lock the memo file " + file_->path()};
}

Status MemoFile::ReadNext(uint32_t* next) const {
  uint8_t h[4];
  if (!file_->ReadAt(0, h, sizeof h)) return Status::Corrupt(Damage::kMemo, file_->path() + ": memo header is truncated");
  *next = std::max(GetBE32(h), FirstBlock());
  return Status::Ok();
}

Status MemoFile::Hold(const LockPolicy& policy) {
  if (held_) return Status::Ok();
  if (!file_->writable()) return {Code::kReadOnly, file_->path() + " is open read-only"};
  if (Status s = Lock(policy); !s.ok()) return s;
  held_ = true;
  heldNext_ = 0;
  return Status::Ok();
}

Status MemoFile::Store() {
  if (file_->Flush()) return Status::Ok();
  heldNext_ = 0;  // read again from the header on disk
  return Status::System(Code::kIo, "cannot write " + file_->path());
}

void MemoFile::Release() {
  if (!held_) return;
  file_->Discard();
  file_->Unlock(kAllocLock, 1);
  held_ = false;
  heldNext_ = 0;
}

Status MemoFile::Write(std::string_view data, const LockPolicy& policy, uint32_t* block) {
  *block = 0;
  DropAhead();
  if (data.empty()) return Status::Ok();
  if (!file_->writable()) return {Code::kReadOnly, file_->path() + " is open read-only"};
  if (data.size() > 0xFFFFFFFFu - kBlockHeaderLen - blockSize_) return {Code::kInvalid, "memo is too long"};
  if (!held_) {
    if (Status s = Lock(policy); !s.ok()) return s;
  } else {
    file_->Defer();
  }
  uint32_t next = held_ ? heldNext_ : 0;
  Status result = next != 0 ? Status::Ok() : ReadNext(&next);
  const uint64_t blocks = (kBlockHeaderLen + data.size() + blockSize_ - 1) / blockSize_;
  if (result.ok() && next + blocks > 0xFFFFFFFFull) result = {Code::kInvalid, file_->path() + " is full"};
  if (result.ok()) {
    std::string buf(static_cast<size_t>(blocks * blockSize_), '\0');
    auto* b = reinterpret_cast<uint8_t*>(buf.data());
    PutBE32(b, kTypeText);
    PutBE32(b + 4, static_cast<uint32_t>(data.size()));
    std::memcpy(b + kBlockHeaderLen, data.data(), data.size());
    uint8_t nh[4];
    PutBE32(nh, static_cast<uint32_t>(next + blocks));
    if (!file_->WriteAt(static_cast<uint64_t>(next) * blockSize_, buf.data(), buf.size()) ||
        !file_->WriteAt(0, nh, sizeof nh)) {
      result = Status::System(Code::kIo, "cannot write " + file_->path());
    } else {
      *block = next;
    }
  }
  // Held, the next free block is known for the next write; after a failure it is read again.
  heldNext_ = held_ && result.ok() ? static_cast<uint32_t>(next + blocks) : 0;
  if (!held_) file_->Unlock(kAllocLock, 1);
  return result;
}

}  // namespace xb
