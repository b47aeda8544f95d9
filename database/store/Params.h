#pragma once
// The parameter table (svlparam): named text values. Names are stored in upper case
// and found whole, trimmed, without regard to case; when several rows carry a name,
// the first in tag order is the one used. Values are memos, read whole and trimmed.
//
// Each call works on the caller's open table when `open` is given (left open), else
// opens and closes the table itself. Failures: kNotFound (no such name), kLocked (the
// row is held by another user; nothing written), kNotStored (the engine refused the
// new row), kNotOpened, kError (an empty name to Set is error 5).

#include <QString>

#include "database/store/Result.h"
#include "database/store/Session.h"

struct DATA4;

namespace store {

class Params {
 public:
  explicit Params(Session session) : session_(std::move(session)) {}

  Result<QString> Get(const QString& sid, DATA4* open = nullptr) const;
  // Updates the row of the name, or appends one.
  Status Set(const QString& sid, const QString& value, DATA4* open = nullptr) const;
  Status Delete(const QString& sid, DATA4* open = nullptr) const;

  static constexpr char kFile[] = "svlparam.dbf";

 private:
  Session session_;
};

}  // namespace store
