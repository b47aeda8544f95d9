#pragma once
// Results of the stores: a Status that says why an operation did nothing (the record
// another user holds, no such row, a table that does not open, an engine or run-time
// error with its number, source and description), and Result<T> for a value. Stores
// never show anything: the caller decides what the user reads.

#include <QString>
#include <cstdint>
#include <utility>

namespace store {

enum class Failure {
  kNone,
  kLocked,     // another user holds the record or the append lock (engine code 50); nothing written
  kNotFound,   // no row with the key
  kNotOpened,  // the table did not open; description = NotOpenedText (the path), code = the engine's
  kNotStored,  // the engine refused the new row without an error (d4append above 0)
  kChanged,    // another user changed the row since the caller read it; nothing was written
  kError,      // an engine error or a run-time error: code, source, description
};

struct Status {
  Status() = default;
  Status(Failure f, int32_t c, QString src, QString desc, QString adv = {})
      : failure(f), code(c), source(std::move(src)), description(std::move(desc)), advice(std::move(adv)) {}

  Failure failure = Failure::kNone;
  int32_t code = 0;
  QString source;
  QString description;
  QString advice;  // of a kError the user can act on (rt::ErrObject::Advice)

  bool ok() const { return failure == Failure::kNone; }
  bool is(Failure f) const { return failure == f; }

  static Status Ok() { return {}; }
  static Status Of(Failure f) { return {f, 0, {}, {}}; }
  // Inside a catch block: the exception being handled as a kError status.
  static Status FromException();
  // Makes a kError the pending error (rt::Err()).
  void MakePending() const;
};

template <class T>
struct Result {
  Status status;
  T value{};

  Result() = default;
  Result(T v) : value(std::move(v)) {}  // NOLINT: a value is a success
  Result(Status s) : status(std::move(s)) {}  // NOLINT: a status is a failure

  bool ok() const { return status.ok(); }
};

// Runs `body` (returning a Status or a Result) and turns anything it throws into a
// kError status.
template <class R, class Body>
R Guarded(Body&& body) {
  try {
    return body();
  } catch (...) {
    return R(Status::FromException());
  }
}

}  // namespace store
