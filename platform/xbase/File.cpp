#include "platform/xbase/File.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <ctime>


namespace xb {

void (*writeHook)(const std::string& path) = nullptr;

namespace {
std::atomic<uint64_t> forks{0};
void Forked() { forks.fetch_add(1, std::memory_order_relaxed); }
}  // namespace

uint64_t ForkGeneration() {
  static const bool registered = ::pthread_atfork(nullptr, nullptr, Forked) == 0;
  (void)registered;
  return forks.load(std::memory_order_relaxed);
}

FileStamp FileStamp::Of(const struct stat& st) {
  const auto ns = [](const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
  return {uint64_t(st.st_dev), uint64_t(st.st_ino), uint64_t(st.st_size), ns(st.st_mtim), ns(st.st_ctim),
          ForkGeneration()};
}

bool FileStamp::Settled() const {
  // File times come from the coarse clock (or a finer one): every later write is
  // stamped at least its present value.
  timespec now {};
  if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0) return false;
  return std::max(mtime, ctime) < int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool FileStamp::At(const std::string& path, FileStamp* stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  *stamp = Of(st);
  return true;
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

bool File::SizeAnew() const {
  struct stat st {};
  return Stat(&st);
}

bool File::Reach(uint64_t end, uint64_t known) const {
  if (map_.Covers(end)) return true;
  if (map_.mapped() && end > known) return false;
  return SizeAnew() && map_.Map(knownSize_) && map_.Covers(end);
}

File::MappedRead File::CopyMapped(uint64_t off, void* buf, size_t n, uint64_t size) const {
  if (!map_.Due() || !Reach(off + n, std::max(size, knownSize_))) return MappedRead::kUseRead;
  const uint64_t known = std::max(size, knownSize_);
  if (off + n > known) return MappedRead::kUseRead;
  const MappedRead r = map_.Copy(off, buf, n, known);
  if (r == MappedRead::kShortened) SizeAnew();
  if (r == MappedRead::kCopied) knownSize_ = std::max<uint64_t>(knownSize_, off + n);
  return r;
}

bool File::PeekMapped(uint64_t off, void* buf, size_t n) const {
  if (!map_.Due() || !Reach(off + n, knownSize_)) return false;
  if (map_.Peek(off, buf, n)) return true;
  SizeAnew();  // shortened by another program
  return false;
}

std::unique_ptr<File> File::Open(const std::string& path, Mode mode, Status* status) {
  const int flags = (mode == Mode::kReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    if (status) {
      *status = errno == EISDIR ? Status(Code::kInvalid, path + " is a folder")
                                : Status::System(errno == ENOENT ? Code::kNotFound : Code::kIo, "cannot open " + path);
    }
    return nullptr;
  }
  // A folder opens for reading only (for writing, open fails with EISDIR).
  struct stat st {};
  if (mode == Mode::kReadOnly && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    if (status) *status = Status(Code::kInvalid, path + " is a folder");
    return nullptr;
  }
  if (status) *status = Status::Ok();
  return std::unique_ptr<File>(new File(fd, path, mode));
}

std::unique_ptr<File> File::Create(const std::string& path, Status* status) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (status) *status = Status::System(Code::kIo, "cannot create " + path);
    return nullptr;
  }
  if (status) *status = Status::Ok();
  return std::unique_ptr<File>(new File(fd, path, Mode::kReadWrite));
}

bool File::ReadAt(uint64_t off, void* buf, size_t n) const {
  return ReadSome(off, buf, n) == static_cast<long long>(n);
}

long long File::ReadDisk(uint64_t off, void* buf, size_t n) const {
  if (mapReads_ && CopyMapped(off, buf, n, 0) == MappedRead::kCopied) return FoundOnDisk(off, n);
  size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < n) {
    const ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(off + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return FoundOnDisk(off, done);
}

long long File::FoundOnDisk(uint64_t off, size_t n) const {
  if (n == 0) return 0;  // nothing there: a read at or past the end
  knownSize_ = std::max<uint64_t>(knownSize_, off + n);
  // Read while writes are kept back: bytes on disk, which Flush must not take for fresh.
  if (deferred_) deferred_->diskSize = std::max(deferred_->diskSize, knownSize_);
  return static_cast<long long>(n);
}

long long File::ReadSome(uint64_t off, void* buf, size_t n) const {
  const long long got = ReadDisk(off, buf, n);
  if (!deferred_ || got < 0) return got;
  const Deferred& d = *deferred_;
  const uint64_t end = std::min<uint64_t>(off + n, std::max<uint64_t>(off + uint64_t(got), d.end));
  auto* p = static_cast<uint8_t*>(buf);
  if (end > off + uint64_t(got)) std::memset(p + got, 0, end - off - uint64_t(got));
  for (uint64_t b = off / kBlock * kBlock; b < end; b += kBlock) {
    const size_t i = d.Find(b);
    if (i == kNoBlock) continue;
    const uint64_t from = std::max(off, b), to = std::min(end, b + kBlock);
    std::memcpy(p + (from - off), d.blocks.data() + i * kBlock + (from - b), to - from);
  }
  return static_cast<long long>(end - off);
}

bool File::WriteDisk(uint64_t off, const void* buf, size_t n) {
  if (beforeWrite_ && !std::exchange(beforeWrite_, nullptr)()) return false;
  size_t done = 0;
  const auto* p = static_cast<const char*>(buf);
  while (done < n) {
    const ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(off + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(r);
  }
  knownSize_ = std::max<uint64_t>(knownSize_, off + n);
  if (writeHook) writeHook(path_);
  return true;
}

bool File::WriteAt(uint64_t off, const void* buf, size_t n) {
  if (!deferred_) return WriteDisk(off, buf, n);
  const auto* p = static_cast<const uint8_t*>(buf);
  for (uint64_t b = off / kBlock * kBlock; b < off + n; b += kBlock) {
    const uint64_t from = std::max(off, b), to = std::min<uint64_t>(off + n, b + kBlock);
    uint8_t* block = DeferredBlock(b, from == b && to == b + kBlock);
    if (!block) return false;
    std::memcpy(block + (from - b), p + (from - off), to - from);
  }
  deferred_->end = std::max<uint64_t>(deferred_->end, off + n);
  return true;
}

bool File::WriteThrough(uint64_t off, const void* buf, size_t n) {
  if (deferred_) {
    const auto* p = static_cast<const uint8_t*>(buf);
    for (uint64_t b = off / kBlock * kBlock; b < off + n; b += kBlock) {
      const size_t i = deferred_->Find(b);
      if (i == kNoBlock) continue;
      const uint64_t from = std::max(off, b), to = std::min<uint64_t>(off + n, b + kBlock);
      std::memcpy(deferred_->blocks.data() + i * kBlock + (from - b), p + (from - off), to - from);
    }
  }
  return WriteDisk(off, buf, n);
}

bool File::KeepDisk(uint64_t off, size_t n) {
  if (!deferred_) return true;
  for (uint64_t b = off / kBlock * kBlock; b < off + n; b += kBlock) {
    const size_t i = deferred_->Find(b);
    if (i == kNoBlock) continue;
    uint8_t* p = deferred_->blocks.data() + i * kBlock;
    const long long got = ReadDisk(b, p, kBlock);
    if (got < 0) return false;
    std::memset(p + got, 0, kBlock - size_t(got));
  }
  return true;
}

size_t File::Deferred::Find(uint64_t block) const {
  if (order.size() > kFew) {
    const auto it = at.find(block);
    return it == at.end() ? kNoBlock : it->second;
  }
  const auto it = std::find(order.begin(), order.end(), block);
  return it == order.end() ? kNoBlock : size_t(it - order.begin());
}

void File::Deferred::Add(uint64_t block) {
  order.push_back(block);
  if (order.size() <= kFew) return;
  if (at.empty()) {
    for (size_t i = 0; i < order.size(); ++i) at.emplace(order[i], i);
  } else {
    at.emplace(block, order.size() - 1);
  }
}

// The deferred copy of the block at offset b, made from the file unless the write
// covers it whole (zeros past the file's end).
uint8_t* File::DeferredBlock(uint64_t b, bool whole) {
  Deferred& d = *deferred_;
  if (const size_t i = d.Find(b); i != kNoBlock) return d.blocks.data() + i * kBlock;
  const size_t i = d.order.size();
  d.blocks.resize((i + 1) * kBlock);
  uint8_t* block = d.blocks.data() + i * kBlock;
  if (!whole) {
    const long long got = ReadDisk(b, block, kBlock);
    if (got < 0) {
      d.blocks.resize(i * kBlock);
      return nullptr;
    }
    std::memset(block + got, 0, kBlock - size_t(got));
  }
  d.Add(b);
  return block;
}

void File::Defer() {
  if (deferred_) return;
  deferred_ = spare_ ? std::move(spare_) : std::make_unique<Deferred>();
  // The size known, without a system call: it covers every byte read or written
  // through this object, and reads from now on raise it (FoundOnDisk), so a block
  // beyond it that is written is one nothing read here refers to. Another program may
  // have grown the file since: DeferredBlock reads such a block when it is written in part.
  deferred_->diskSize = knownSize_ != 0 ? knownSize_ : Size();
}

void File::Recycle(std::unique_ptr<Deferred> d) {
  constexpr size_t kKept = 64 * kBlock;  // what a batch of a few rows changes
  if (!d || d->blocks.capacity() > kKept) return;
  d->end = 0;
  d->at.clear();
  d->order.clear();
  d->blocks.clear();
  spare_ = std::move(d);
}

bool File::Flush(const std::vector<uint64_t>& order) {
  if (!deferred_) return true;
  std::unique_ptr<Deferred> d = std::move(deferred_);
  std::vector<uint8_t>& done = d->written;
  done.assign(d->order.size(), 0);
  // The block at index i; the last block ends where the furthest write did.
  const auto length = [&](uint64_t b) { return size_t(std::min<uint64_t>(kBlock, std::max(d->end, d->diskSize) - b)); };
  std::vector<size_t> fresh;
  for (size_t i = 0; i < d->order.size(); ++i) {
    if (d->order[i] >= d->diskSize) fresh.push_back(i);
  }
  std::sort(fresh.begin(), fresh.end(), [&](size_t a, size_t b) { return d->order[a] < d->order[b]; });
  // Runs of adjacent fresh blocks go in one write.
  std::vector<uint8_t> run;
  for (size_t k = 0; k < fresh.size();) {
    const uint64_t start = d->order[fresh[k]];
    run.clear();
    do {
      const uint8_t* block = d->blocks.data() + fresh[k] * kBlock;
      run.insert(run.end(), block, block + kBlock);
      done[fresh[k]] = true;
      ++k;
    } while (k < fresh.size() && d->order[fresh[k]] == start + run.size());
    const size_t len = run.size() - kBlock + length(start + run.size() - kBlock);
    if (!WriteDisk(start, run.data(), len)) return false;
  }
  const auto write = [&](size_t i) {
    if (done[i]) return true;
    done[i] = true;
    return WriteDisk(d->order[i], d->blocks.data() + i * kBlock, length(d->order[i]));
  };
  for (const uint64_t b : order) {
    const size_t i = d->Find(b / kBlock * kBlock);
    if (i != kNoBlock && !write(i)) return false;
  }
  for (size_t i = 0; i < d->order.size(); ++i) {
    if (!write(i)) return false;
  }
  Recycle(std::move(d));
  return true;
}

bool File::Stat(struct stat* st) const {
  if (::fstat(fd_, st) != 0) return false;
  knownSize_ = static_cast<uint64_t>(st->st_size);
  return true;
}

bool File::Stamp(FileStamp* stamp) const {
  struct stat st {};
  if (!Stat(&st)) return false;
  *stamp = FileStamp::Of(st);
  return true;
}

uint64_t File::Size() const {
  struct stat st {};
  if (!Stat(&st)) return 0;
  const auto size = static_cast<uint64_t>(st.st_size);
  return deferred_ ? std::max(size, deferred_->end) : size;
}

bool File::Truncate(uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return false;
  knownSize_ = size;
  return true;
}

int File::Reserve(uint64_t size) {
  const int err = ::posix_fallocate(fd_, 0, static_cast<off_t>(size));
  if (err == 0) knownSize_ = std::max(knownSize_, size);
  return err;
}

bool File::Sync() { return ::fdatasync(fd_) == 0; }

namespace {
struct flock Range(short type, uint64_t start, uint64_t len) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(start);
  fl.l_len = static_cast<off_t>(len);
  return fl;
}
}  // namespace

File::LockResult File::Lock(uint64_t start, uint64_t len, bool exclusive) {
  struct flock fl = Range(exclusive ? F_WRLCK : F_RDLCK, start, len);
  // A shared lock needs a readable descriptor, an exclusive one a writable descriptor.
  if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return LockResult::kOk;
  if (errno == EAGAIN || errno == EACCES) return LockResult::kBusy;
  return LockResult::kError;
}

File::LockResult File::Probe(uint64_t start, uint64_t len, bool exclusive) const {
  struct flock fl = Range(exclusive ? F_WRLCK : F_RDLCK, start, len);
  if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return LockResult::kError;
  return fl.l_type == F_UNLCK ? LockResult::kOk : LockResult::kBusy;
}

File::LockResult File::Flock(bool exclusive) {
  if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return LockResult::kOk;
  return errno == EWOULDBLOCK ? LockResult::kBusy : LockResult::kError;
}

void File::Unflock() { ::flock(fd_, LOCK_UN); }

bool File::Unlock(uint64_t start, uint64_t len) {
  struct flock fl = Range(F_UNLCK, start, len);
  return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0;
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

void RemoveFilesStartingWith(const std::string& prefix, const std::string& keep) {
  const size_t slash = prefix.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
  const std::string start = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d)) {
    if (std::strncmp(e->d_name, start.c_str(), start.size()) == 0) names.emplace_back(e->d_name);
  }
  ::closedir(d);
  for (const std::string& name : names) {
    const std::string path = slash == std::string::npos ? name : dir + name;
    if (path != keep) RemoveFile(path);
  }
}

Status ReplaceFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    const Status s = Status::System(Code::kIo, "cannot rename " + from + " to " + to);
    RemoveFile(from);
    return s;
  }
  const size_t slash = to.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : to.substr(0, slash));
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return Status::Ok();
}

std::string TempNameFor(const std::string& path) {
  return path + ".tmp" + std::to_string(::getpid());
}

}  // namespace xb
