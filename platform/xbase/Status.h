#pragma once
// Result of an engine operation: a code and, on failure, a message saying why; a
// failure the operating system reported also keeps its error number (errno).

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace xb {

enum class Code {
  kOk = 0,
  kNotFound,   // file, tag, field or key not found
  kCorrupt,    // a file's bytes make no sense (bad header, impossible page)
  kIo,         // the operating system refused a read, write or rename
  kLocked,     // another handle holds a conflicting lock
  kReadOnly,   // a write on a handle opened read-only or deny-write by another
  kInvalid,    // the caller's arguments make no sense
  kStale,      // a read without the index lock needs more than the cache holds: repeat it locked
};

// What a kCorrupt failure found wrong, for the caller to explain (kNone: not said).
enum class Damage {
  kNone,
  kHeader,     // the table's header makes no sense
  kShortFile,  // the table file ends before the records its header counts
  kUncounted,  // whole records lie beyond the header's count (more than an append leaves)
  kMemo,       // a memo pointer, length or the memo file's header makes no sense
};

class Status {
 public:
  Status() = default;
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}
  static Status Ok() { return {}; }
  static Status Corrupt(Damage damage, std::string message) {
    Status s(Code::kCorrupt, std::move(message));
    s.damage_ = damage;
    return s;
  }

  // A failure of the system call just made: `what` and the system's reason; errno is
  // read here, so nothing may run between the call and this.
  static Status System(Code code, const std::string& what, int error = errno) {
    Status s(code, what + ": " + std::strerror(error));
    s.systemError_ = error;
    return s;
  }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  // The operating system's error number behind the failure; 0 when none.
  int systemError() const { return systemError_; }
  Damage damage() const { return damage_; }

 private:
  Code code_ = Code::kOk;
  std::string message_;
  int systemError_ = 0;
  Damage damage_ = Damage::kNone;
};

}  // namespace xb
