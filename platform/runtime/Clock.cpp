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
  QDateTime now = QDateTime::currentDateTime();
  return now.addMSecs(-now.time().msec());
}

QDate Today() { return Now().date(); }

void SetClock(std::function<QDateTime()> clock) { ClockFn() = std::move(clock); }

}  // namespace rt
