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
  // Whole seconds straight from the epoch: one local-time conversion (taking the current
  // time and then dropping its milliseconds costs three, and imports ask once a row).
  return QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
}

QDate Today() { return Now().date(); }

void SetClock(std::function<QDateTime()> clock) { ClockFn() = std::move(clock); }

}  // namespace rt
