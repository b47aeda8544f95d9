#pragma once
// The program's clock. Everything that reads "now" or "today" asks here, so tests
// can fix the time. Not thread-safe (the program has one user-interface thread).

#include <QDateTime>
#include <functional>

namespace rt {

QDateTime Now();  // local date and time, seconds precision
QDate Today();

// Installs a clock; an empty function restores the system clock.
void SetClock(std::function<QDateTime()> clock);

}  // namespace rt
