#include "database/store/Records.h"

#include <cmath>
#include <limits>

#include "database/store/Fields.h"
#include "database/store/RowScan.h"
#include "database/store/Seek.h"
#include "platform/xbase/Engine.h"

namespace store {

namespace {

// Walks the undeleted rows in record order until `match` holds.
template <class Match>
bool AnyRow(const Session& s, DATA4* tb, Match match) {
  RowScan scan(s, tb);
  for (bool on = scan.FirstInRecordOrder(); on; on = scan.Next()) {
    if (match()) return true;
  }
  return false;
}

}  // namespace

Result<int32_t> Records::Find(DATA4* tb, const char* tag, double key, const char* resultField) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    SelectTag(session_, tb, tag);
    if (SeekNumber(session_, tb, key) != 0) return Status::Of(Failure::kNotFound);
    return Long32(FieldOf(tb, resultField));
  });
}

Result<int32_t> Records::Find(DATA4* tb, const char* tag, const QString& key, const char* resultField) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    SelectTag(session_, tb, tag);
    if (SeekWhole(session_, tb, WholeKey(key, false)) != 0) return Status::Of(Failure::kNotFound);
    return Long32(FieldOf(tb, resultField));
  });
}

Result<bool> Records::Holds(DATA4* tb, const char* field, std::optional<double> number) const {
  return Guarded<Result<bool>>([&]() -> Result<bool> {
    FIELD4* f = FieldOf(tb, field);
    if (!number.has_value()) return false;
    return AnyRow(session_, tb, [&] { return f4double(f) == *number; });
  });
}

Result<bool> Records::Holds(DATA4* tb, const char* field, const QString& text) const {
  return Guarded<Result<bool>>([&]() -> Result<bool> {
    FIELD4* f = FieldOf(tb, field);
    const QString wanted = text.trimmed();
    if (wanted.isEmpty()) return false;
    return AnyRow(session_, tb, [&] { return TrimmedText(f) == wanted; });
  });
}

Result<bool> Records::Refers(DATA4* tb, const char* field, int32_t id) const {
  return Guarded<Result<bool>>([&]() -> Result<bool> {
    const int errTagName = code4errTagName(session_.code(), 0);
    TAG4* tag = d4tag(tb, field);
    code4errTagName(session_.code(), errTagName);
    if (tag == nullptr) return Holds(tb, field, static_cast<double>(id));
    session_.Check(d4tagSelect(tb, tag), "d4tagSelect");
    return SeekNumber(session_, tb, id) == 0;
  });
}

Result<std::unordered_set<int32_t>> Records::Values(DATA4* tb, const char* field) const {
  return Guarded<Result<std::unordered_set<int32_t>>>([&]() -> Result<std::unordered_set<int32_t>> {
    FIELD4* f = FieldOf(tb, field);
    std::unordered_set<int32_t> values;
    AnyRow(session_, tb, [&] {
      const double v = f4double(f);
      if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max() &&
          std::trunc(v) == v) {
        values.insert(static_cast<int32_t>(v));
      }
      return false;
    });
    return values;
  });
}

Result<int32_t> Records::Count(DATA4* tb, const char* tag, const std::function<void()>& pulse) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    RowScan scan(session_, tb);
    int32_t n = 0;
    for (bool on = scan.First(tag); on; on = scan.Next()) {
      if (++n % 10000 == 0 && pulse) pulse();
    }
    return n;
  });
}

Result<int32_t> Records::CountFast(DATA4* tb, const char* tag) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    SelectTag(session_, tb, tag);
    return static_cast<int32_t>(session_.Check(static_cast<int>(d4recCountDo(tb)), "d4recCountDo"));
  });
}

Status Records::Delete(DATA4* tb, const char* tag, int32_t id) const {
  return Guarded<Status>([&]() -> Status {
    SelectTag(session_, tb, tag);
    if (SeekNumber(session_, tb, id) != 0) return Status::Ok();  // nothing to delete
    return ChangeLocked(session_, tb, [&] { session_.Check(d4delete(tb), "d4delete"); });
  });
}

}  // namespace store
