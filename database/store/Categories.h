#pragma once
// The category table (svlcat): the entries of the lists products and transactions
// refer to (ListType), one row per entry: row id, text, list. The same text may stand
// once in every list. Texts are found whole, trimmed, without regard to case.
//
// Each call works on the caller's open table when `open` is given (left open), else
// opens and closes the table itself. Failures: kNotFound, kNotStored (the engine
// refused the new row), kLocked (the new row could not be unlocked), kNotOpened,
// kError.

#include <QString>
#include <cstdint>

#include "database/store/Codes.h"
#include "database/store/Result.h"
#include "database/store/Session.h"

struct DATA4;

namespace store {

class Categories {
 public:
  explicit Categories(Session session) : session_(std::move(session)) {}

  // The row id of the list's entry with the text.
  Result<int32_t> FindId(const QString& desc, ListType type, DATA4* open = nullptr) const;
  // Appends the entry under `id` (taken from the svlcat.dbf counter beforehand).
  Status Add(const QString& desc, ListType type, int32_t id, DATA4* open = nullptr) const;
  // The list of the entry with the id.
  Result<ListType> TypeOf(int32_t id, DATA4* open = nullptr) const;
  // A text field of the row the numeric tag finds for the id (the entry's text).
  Result<QString> Text(int32_t id, DATA4* open = nullptr, const QString& tag = QStringLiteral("rowid"),
                       const QString& field = QStringLiteral("desc")) const;

  // Rewrites the text of the entry the numeric tag finds for the id, under its lock.
  Status SetText(int32_t id, const QString& desc, DATA4* open = nullptr, const QString& tag = QStringLiteral("rowid"),
                 const QString& field = QStringLiteral("desc")) const;

  static constexpr char kFile[] = "svlcat.dbf";
  static constexpr char kCounter[] = "svlcat.dbf";
  static constexpr int32_t kFirstId = 1000;

 private:
  Session session_;
};

}  // namespace store
