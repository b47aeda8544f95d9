#pragma once
// The run-time errors that the list-view family of controls (list view, image
// list, month view) and the list bar raise, with the numbers and texts callers expect.

#include <QString>
#include <cstdint>

namespace ctl {

inline constexpr int32_t kErrInvalidPropertyValue = 380;
inline constexpr int32_t kErrIndexOutOfBounds = 35600;
inline constexpr int32_t kErrElementNotFound = 35601;
inline constexpr int32_t kErrKeyNotUnique = 35602;

[[noreturn]] void RaiseInvalidPropertyValue(const QString& source);
[[noreturn]] void RaiseIndexOutOfBounds(const QString& source);
[[noreturn]] void RaiseElementNotFound(const QString& source);
[[noreturn]] void RaiseKeyNotUnique(const QString& source);

}  // namespace ctl
