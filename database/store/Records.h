#pragma once
// Look-ups and deletes on any table, by row key. The caller opens the table and hands
// it in (it stays open). Number keys are sought with d4seekDouble; text keys whole, as
// Seek.h describes. Failures: kNotFound (no such row), kLocked (another user holds the
// row; nothing deleted), kError (an unknown tag or field, an engine error).

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>

#include "database/store/Result.h"
#include "database/store/Session.h"

struct DATA4;

namespace store {

class Records {
 public:
  explicit Records(Session session) : session_(std::move(session)) {}

  // The whole-number value of `resultField` in the row the tag finds for the key.
  Result<int32_t> Find(DATA4* tb, const char* tag, double key, const char* resultField) const;
  Result<int32_t> Find(DATA4* tb, const char* tag, const QString& key, const char* resultField) const;
  // Whether an undeleted row holds the number (or the trimmed text) in `field`, in
  // record order without a tag. No key (none, or an empty text) finds nothing.
  Result<bool> Holds(DATA4* tb, const char* field, std::optional<double> number) const;
  Result<bool> Holds(DATA4* tb, const char* field, const QString& text) const;
  // Whether a row refers to the id through `field`: by the tag of that name where the
  // table has one, else by reading every row.
  Result<bool> Refers(DATA4* tb, const char* field, int32_t id) const;
  // Every whole number the undeleted rows hold in `field`, in one pass in record order.
  Result<std::unordered_set<int32_t>> Values(DATA4* tb, const char* field) const;
  // The rows the tag holds, counted by walking it; `pulse` runs every 10000 rows.
  Result<int32_t> Count(DATA4* tb, const char* tag, const std::function<void()>& pulse = {}) const;
  // The table's record count (deleted rows included) without walking it.
  Result<int32_t> CountFast(DATA4* tb, const char* tag) const;
  // Deletes the row the numeric tag finds for the id; none found is done too.
  Status Delete(DATA4* tb, const char* tag, int32_t id) const;

 private:
  Session session_;
};

}  // namespace store
