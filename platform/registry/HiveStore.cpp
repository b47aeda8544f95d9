#include "platform/registry/HiveStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QSaveFile>
#include <cerrno>
#include <chrono>
#include <thread>

namespace reg {

namespace {

// A lock is held only for one read-modify-write of a small file; wait at most 10 s.
constexpr int kLockAttempts = 10000;
constexpr auto kLockPause = std::chrono::milliseconds(1);

// Holds the exclusive advisory lock on a lock file; opened per update, so a forked
// child never shares the lock's open file description with its parent.
class LockFile {
 public:
  explicit LockFile(const QString& path) {
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
      if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
        return;
      }
      if (errno != EWOULDBLOCK && errno != EINTR) return;
      std::this_thread::sleep_for(kLockPause);
    }
  }
  ~LockFile() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;
  bool locked() const { return locked_; }

 private:
  int fd_ = -1;
  bool locked_ = false;
};

bool ReadAll(int fd, std::string& out) {
  out.clear();
  char buf[16384];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buf, static_cast<size_t>(n));
  }
}

}  // namespace

QString RegistryDir() {
  const QString dir = qEnvironmentVariable("STOVREL_REGISTRY_DIR");
  if (!dir.isEmpty()) return dir;
  const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  const QString base = !config.isEmpty() && QDir::isAbsolutePath(config)
                           ? config
                           : QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/Dornvale");
}

HiveStore::FileId HiveStore::IdOf(const struct stat& st) {
  return FileId{true,
                static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino),
                static_cast<long long>(st.st_size),
                static_cast<long long>(st.st_mtim.tv_sec),
                static_cast<long long>(st.st_mtim.tv_nsec),
                static_cast<long long>(st.st_ctim.tv_sec),
                static_cast<long long>(st.st_ctim.tv_nsec)};
}

HiveStore::HiveStore(QString name) : name_(std::move(name)) {}

HiveStore::~HiveStore() { Forget(); }

void HiveStore::Forget() {
  if (heldFd_ >= 0) ::close(heldFd_);
  heldFd_ = -1;
  loaded_ = false;
  id_ = FileId{};
  hive_ = Hive();
}

bool HiveStore::Refresh(const QString& path) {
  const QByteArray file = QFile::encodeName(path);
  struct stat st {};
  if (::stat(file.constData(), &st) != 0) {
    if (errno != ENOENT) return false;
    if (!loaded_ || id_.exists) {
      Forget();
      loaded_ = true;
    }
    return true;
  }
  if (loaded_ && id_ == IdOf(st)) return true;

  const int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
  std::string text;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !ReadAll(fd, text)) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  Forget();
  hive_ = Hive::Parse(text);
  heldFd_ = fd;
  id_ = IdOf(st);
  loaded_ = true;
  return true;
}

QString HiveStore::HivePath() const {
  return dir_ + QLatin1Char('/') + name_ + QStringLiteral(".hive");
}

const Hive* HiveStore::Read() {
  const QString dir = RegistryDir();
  if (dir != dir_) {
    Forget();
    dir_ = dir;
  }
  return Refresh(HivePath()) ? &hive_ : nullptr;
}

LONG HiveStore::Update(const Change& change) {
  const QString dir = RegistryDir();
  if (!QDir().mkpath(dir)) return ERROR_CANTWRITE;
  const LockFile lock(dir + QLatin1Char('/') + name_ + QStringLiteral(".lock"));
  if (!lock.locked()) return ERROR_CANTWRITE;
  if (!Read()) return ERROR_CANTREAD;

  Hive next = hive_;
  bool modified = false;
  const LONG rc = change(next, modified);
  if (rc != ERROR_SUCCESS || !modified) return rc;

  const QString path = HivePath();
  const std::string text = next.Serialize(name_.toStdString());
  // Unbuffered, so a short write (disk full, file size limit) shows in write()'s
  // result; a buffered QSaveFile can commit a truncated file.
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
      out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !out.commit())
    return ERROR_CANTWRITE;

  // Still under the lock: the file on disk is the one just written. Holding it open
  // keeps the cache valid; if it cannot be opened, the next call re-reads.
  Forget();
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0) {
    heldFd_ = fd;
    id_ = IdOf(st);
    hive_ = std::move(next);
    loaded_ = true;
  } else if (fd >= 0) {
    ::close(fd);
  }
  return ERROR_SUCCESS;
}

}  // namespace reg
