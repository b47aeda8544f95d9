#include "platform/runtime/Error.h"

#include <new>

namespace rt {

VbError::VbError(int32_t number, QString source, QString description, QString helpFile,
                 int32_t helpContext)
    : number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      helpFile_(std::move(helpFile)),
      helpContext_(helpContext),
      what_(description_.toUtf8()) {}

QString ErrorDescription(int32_t number) {
  switch (number) {
    case kErrInvalidCall: return QStringLiteral("Invalid procedure call or argument");
    case kErrOverflow: return QStringLiteral("Overflow");
    case kErrOutOfMemory: return QStringLiteral("Out of memory");
    case kErrSubscript: return QStringLiteral("Subscript out of range");
    case kErrDivByZero: return QStringLiteral("Division by zero");
    case kErrTypeMismatch: return QStringLiteral("Type mismatch");
    case kErrFileNotFound: return QStringLiteral("File not found");
    case kErrFileExists: return QStringLiteral("File already exists");
    case kErrDiskFull: return QStringLiteral("Disk full");
    case kErrPermission: return QStringLiteral("Permission denied");
    case kErrPathFileAccess: return QStringLiteral("Path/File access error");
    case kErrPathNotFound: return QStringLiteral("Path not found");
    case kErrObjectNotSet: return QStringLiteral("Object variable or With block variable not set");
    default: return QStringLiteral("Application-defined or object-defined error");
  }
}

void Raise(int32_t number, const QString& source, const QString& description) {
  throw VbError(number, source, description.isEmpty() ? ErrorDescription(number) : description);
}

void ErrObject::Set(const VbError& e) {
  Set(e.number(), e.source(), e.description(), e.helpFile(), e.helpContext());
  advice_ = e.advice();
}

void ErrObject::Set(int32_t number, const QString& source, const QString& description,
                    const QString& helpFile, int32_t helpContext) {
  number_ = number;
  source_ = source;
  description_ = description;
  helpFile_ = helpFile;
  helpContext_ = helpContext;
  advice_.clear();
}

void ErrObject::Clear() { *this = ErrObject(); }

ErrObject& Err() {
  static ErrObject err;
  return err;
}

void TrapError() {
  try {
    throw;
  } catch (const VbError& e) {
    Err().Set(e);
  } catch (const std::bad_alloc&) {
    Err().Set(kErrOutOfMemory, QStringLiteral("Stovrel"), ErrorDescription(kErrOutOfMemory));
  } catch (const std::exception& e) {
    Err().Set(kErrInvalidCall, QStringLiteral("Stovrel"), QString::fromUtf8(e.what()));
  } catch (...) {
    Err().Set(kErrInvalidCall, QStringLiteral("Stovrel"), ErrorDescription(kErrInvalidCall));
  }
}

}  // namespace rt
