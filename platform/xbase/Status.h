#pragma once
// Result of an engine operation: a code and, on failure, a message saying why.

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
};

class Status {
 public:
  Status() = default;
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}
  static Status Ok() { return {}; }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace xb
