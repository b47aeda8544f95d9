#include "platform/runtime/Clock.h"

namespace rt {
namespace {
std::function<QDateTime()>& ClockFn() {
  static std::function<QDateTime()> fn;
  return fn;
}
}  // namespace

QDateTime Now() {
  if (ClockFn()) return ClockFn()();
  // Whole seconds straight from the epoch, and one local-time conversion per second:
  // imports ask once a row.
  thread_local qint64 seconds = -1;
  thread_local QDateTime now;
  const qint64 current = QDateTime::currentSecsSinceEpoch();
  if (current != seconds) {
    now = QDateTime::fromSecsSinceEpoch(current);
    seconds = current;
  }
  return now;
}

QDate Today() { return Now().date(); }

void SetClock(std::function<QDateTime()> clock) { ClockFn() = std::move(clock); }

}  // namespace rt
