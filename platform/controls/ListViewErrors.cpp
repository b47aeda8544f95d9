#include "platform/controls/ListViewErrors.h"

#include "platform/runtime/Error.h"

namespace ctl {

void RaiseInvalidPropertyValue(const QString& source) {
  rt::Raise(kErrInvalidPropertyValue, source, QStringLiteral("Invalid property value"));
}

void RaiseIndexOutOfBounds(const QString& source) {
  rt::Raise(kErrIndexOutOfBounds, source, QStringLiteral("Index out of bounds"));
}

void RaiseElementNotFound(const QString& source) {
  rt::Raise(kErrElementNotFound, source, QStringLiteral("Element not found"));
}

void RaiseKeyNotUnique(const QString& source) {
  rt::Raise(kErrKeyNotUnique, source, QStringLiteral("Key is not unique in collection"));
}

}  // namespace ctl
