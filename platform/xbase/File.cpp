#include "platform/xbase/File.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace xb {

namespace {
std::atomic<uint64_t> forks{0};
void Forked() { forks.fetch_add(1, std::memory_order_relaxed); }
}  // namespace

uint64_t ForkGeneration() {
  static const bool registered = ::pthread_atfork(nullptr, nullptr, Forked) == 0;
  (void)registered;
  return forks.load(std::memory_order_relaxed);
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
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

long long File::ReadSome(uint64_t off, void* buf, size_t n) const {
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
  return static_cast<long long>(done);
}

bool File::WriteAt(uint64_t off, const void* buf, size_t n) {
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
  return true;
}

uint64_t File::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

bool File::Truncate(uint64_t size) { return ::ftruncate(fd_, static_cast<off_t>(size)) == 0; }

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

bool File::Unlock(uint64_t start, uint64_t len) {
  struct flock fl = Range(F_UNLCK, start, len);
  return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0;
}

}  // namespace xb
