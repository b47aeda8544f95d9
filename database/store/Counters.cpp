#include "database/store/Counters.h"

#include <algorithm>
#include <limits>

#include "database/store/Fields.h"
#include "database/store/Seek.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"

namespace store {
namespace {

const QString kVersionKey = QStringLiteral("dbversion");
constexpr long kFirstRecord = 1;

// Positions on the row of `key`: 0 when found.
int SeekCounter(const Session& s, DATA4* tb, const QString& key) {
  SelectTag(s, tb, "TBLNAME");
  return SeekWhole(s, tb, WholeKey(key, false));
}

int32_t Plus(int32_t value, int32_t step) {
  if (value > std::numeric_limits<int32_t>::max() - step) rt::Raise(rt::kErrOverflow);
  return value + step;
}

void CheckKey(const QString& key) {
  if (key.trimmed().isEmpty()) rt::Raise(rt::kErrInvalidCall);
}

// The lock of the first record while a counter is created: 0, 50 or no record yet.
int LockCreation(const Session& s, DATA4* tb) {
  const int rc = d4lock(tb, kFirstRecord);
  s.engine().Record(rc);
  if (rc == r4locked || rc == r4entry) return rc;
  return s.Check(rc, "d4lock");
}

// The handle is still on the undeleted row of `key`: an open table asked for the same
// counter again.
bool OnCounter(DATA4* tb, const CounterFields& f, const QString& key) {
  return d4recNo(tb) > 0 && d4deleted(tb) == 0 && TrimmedText(f.tblname) == key.trimmed();
}

// On the row `rows` holds for `key`, when it still is the counter's.
bool AtKnownRow(DATA4* tb, const CounterFields& f, const QString& key, const CounterRows* rows) {
  if (rows == nullptr) return false;
  const auto it = rows->find(key);
  return it != rows->end() && d4go(tb, it->second) == 0 && OnCounter(tb, f, key);
}

enum class Found { kFound, kCreated, kLocked };

// Positions on the row of `key` (kFound) or creates it holding next() under the
// creation lock (kCreated); the key is sought again once the lock is held, as another
// copy may have created the row meanwhile.
template <typename Next>
Found FindOrCreate(const Session& s, DATA4* tb, const CounterFields& f, const QString& key, Next next) {
  if (SeekCounter(s, tb, key) == 0) return Found::kFound;
  if (LockCreation(s, tb) == r4locked) return Found::kLocked;
  if (SeekCounter(s, tb, key) == 0) return Found::kFound;
  s.Check(d4appendStartVB(tb, 0), "d4appendStartVB");
  s.Check(d4blank(tb), "d4blank");
  s.Check(f4assignDouble(f.lastid, next()), "f4assignDouble");
  s.Check(AssignText(f.tblname, key.trimmed()), "f4assignNVB");
  s.Check(d4append(tb), "d4append");
  return FlushUnlock(s, tb) == r4locked ? Found::kLocked : Found::kCreated;
}

}  // namespace

Result<int32_t> Counters::Next(const QString& key, bool increment, int32_t start, DATA4* open,
                               CounterRows* rows) const {
  return Take(key, increment ? 1 : 0, start, open, rows);
}

Result<int32_t> Counters::Reserve(const QString& key, int32_t count, int32_t start, DATA4* open,
                                  CounterRows* rows) const {
  if (count < 1) return Guarded<Result<int32_t>>([]() -> Result<int32_t> { rt::Raise(rt::kErrInvalidCall); });
  return Take(key, count, start, open, rows);
}

Result<int32_t> Counters::Take(const QString& key, int32_t step, int32_t start, DATA4* open,
                               CounterRows* rows) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    CheckKey(key);
    Table tb(session_, open, kFile);
    if (!tb.ok()) return tb.failure();
    return UnlockedOnError(tb.get(), [&]() -> Result<int32_t> {
      const CounterFields f(tb.get());
      // Still on the row, the seek is skipped; the row read again under the lock must
      // then still be the counter's, else it is sought after all.
      for (bool seek = !OnCounter(tb.get(), f, key) && !AtKnownRow(tb.get(), f, key, rows);; seek = true) {
        if (seek) {
          switch (FindOrCreate(session_, tb.get(), f, key, [&] { return Plus(start, std::max(step, 1)); })) {
            case Found::kLocked: return Status::Of(Failure::kLocked);
            case Found::kCreated: return start;
            case Found::kFound: break;
          }
          if (rows != nullptr) (*rows)[key] = d4recNo(tb.get());
        }
        int32_t value = 0;
        bool moved = false;
        const Status st = ChangeLocked(session_, tb.get(), [&] {
          moved = !seek && !OnCounter(tb.get(), f, key);
          if (moved) return;
          value = Long32(f.lastid);
          if (step > 0) session_.Check(f4assignLong(f.lastid, Plus(value, step)), "f4assignLong");
        });
        if (!st.ok()) return st;
        if (!moved) return value;
      }
    });
  });
}

Result<int32_t> Counters::Query(const QString& key) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    Table tb(session_, nullptr, kFile);
    if (!tb.ok()) return tb.failure();
    if (SeekCounter(session_, tb.get(), key) != 0) return Status::Of(Failure::kNotFound);
    return Long32(CounterFields(tb.get()).lastid);
  });
}

Status Counters::Set(const QString& key, int32_t next) const {
  return Guarded<Status>([&]() -> Status {
    CheckKey(key);
    Table tb(session_, nullptr, kFile);
    if (!tb.ok()) return tb.failure();
    const CounterFields f(tb.get());
    switch (FindOrCreate(session_, tb.get(), f, key, [&] { return next; })) {
      case Found::kLocked: return Status::Of(Failure::kLocked);
      case Found::kCreated: return Status::Ok();
      case Found::kFound: break;
    }
    return ChangeLocked(session_, tb.get(), [&] { session_.Check(f4assignLong(f.lastid, next), "f4assignLong"); });
  });
}

Result<int32_t> Counters::Version(const QString& tablePath) const {
  return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
    Table tb(session_, nullptr, tablePath);
    if (!tb.ok()) return tb.failure();
    if (SeekCounter(session_, tb.get(), kVersionKey) != 0) return Status::Of(Failure::kNotFound);
    return Long32(CounterFields(tb.get()).lastid);
  });
}

Status Counters::SetVersion(int32_t version) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, nullptr, kFile);
    if (!tb.ok()) return tb.failure();
    const CounterFields f(tb.get());
    if (SeekCounter(session_, tb.get(), kVersionKey) != 0) return Status::Of(Failure::kNotFound);
    return ChangeLocked(session_, tb.get(), [&] { session_.Check(f4assignLong(f.lastid, version), "f4assignLong"); });
  });
}

}  // namespace store
