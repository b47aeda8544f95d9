#pragma once
// HiveStore: one registry hive kept in the file <RegistryDir()>/<name>.hive.
//
// Reading gives a cached copy that is re-read whenever the file changed. The store keeps
// the file it last read open, so its inode cannot be reused and an unchanged
// inode/size/mtime/ctime reliably means an unchanged file: reads need no lock. Update
// takes an exclusive flock on <name>.lock (opened per change, so forked processes never
// share it; waiting at most about 10 s), re-reads the file when it changed, applies the
// change and replaces the file atomically, so writers in other processes never lose
// each other's updates. The QSaveFile is opened Unbuffered: buffered, a short write
// (disk full, file size limit) still commits a truncated file in this Qt; the writer
// checks the count, and a failed write leaves the old file in place. A file that exists
// but cannot be read is never overwritten.
// Not thread-safe: the registry call surface serialises access.

#include <QString>
#include <functional>
#include <string>

struct stat;

#include "platform/registry/Hive.h"
#include "platform/registry/Registry.h"

namespace reg {

// The folder of the hive files: $STOVREL_REGISTRY_DIR when set, else
// $XDG_CONFIG_HOME/Dornvale (an absolute XDG path only), else ~/.config/Dornvale. Read
// on every call.
QString RegistryDir();

class HiveStore {
 public:
  // Applies a change to the hive; sets `modified` when there is something to write.
  using Change = std::function<LONG(Hive& hive, bool& modified)>;

  explicit HiveStore(QString name);
  ~HiveStore();
  HiveStore(const HiveStore&) = delete;
  HiveStore& operator=(const HiveStore&) = delete;

  // The current contents; null when the file exists but cannot be read.
  const Hive* Read();
  // The change's own result; ERROR_CANTREAD or ERROR_CANTWRITE when the file could not
  // be locked, read or written (the change is then not kept).
  LONG Update(const Change& change);

 private:
  struct FileId {
    bool exists = false;
    unsigned long long dev = 0, ino = 0;
    long long size = 0, mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
    bool operator==(const FileId&) const = default;
  };

  static FileId IdOf(const struct stat& st);
  // Brings the cache up to date with the file at `path`; false when it cannot be read.
  bool Refresh(const QString& path);
  void Forget();
  QString HivePath() const;

  QString name_;
  QString dir_;  // the folder the cache belongs to
  bool loaded_ = false;
  FileId id_;
  int heldFd_ = -1;
  Hive hive_;
};

}  // namespace reg
