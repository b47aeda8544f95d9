#pragma once
// The run-time error model: an error carries a number, the component that raised
// it (source) and a description; an error of a condition the user can act on (a
// full disk, a damaged file) also carries its advice: what happened and what to do,
// in words. Program procedures throw `VbError` (or let a
// standard exception escape) and, at their trap boundary, copy the error into the
// one pending-error object `Err()` before reporting it with clsSystem::ShowError.
// Single-threaded, like the program: Err() is one object for the user-interface thread.

#include <QString>
#include <cstdint>
#include <exception>
#include <utility>

namespace rt {

// Well-known error numbers of the original platform.
enum ErrNo : int32_t {
  kErrInvalidCall = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,
  kErrDivByZero = 11,
  kErrTypeMismatch = 13,
  kErrFileNotFound = 53,
  kErrFileExists = 58,
  kErrDiskFull = 61,
  kErrPermission = 70,
  kErrPathFileAccess = 75,
  kErrPathNotFound = 76,
  kErrObjectNotSet = 91,
};

class VbError : public std::exception {
 public:
  VbError(int32_t number, QString source, QString description,
          QString helpFile = {}, int32_t helpContext = 0);
  int32_t number() const noexcept { return number_; }
  const QString& source() const noexcept { return source_; }
  const QString& description() const noexcept { return description_; }
  const QString& helpFile() const noexcept { return helpFile_; }
  int32_t helpContext() const noexcept { return helpContext_; }
  // What happened and what to do, for a condition the user can act on: a write the
  // system refused (full disk, file size limit, no permission), a damaged table, index
  // or memo file (store::ErrorAdvice), a copy to a full disk. Empty for the others.
  const QString& advice() const noexcept { return advice_; }
  VbError WithAdvice(QString advice) && {
    advice_ = std::move(advice);
    return std::move(*this);
  }
  const char* what() const noexcept override { return what_.constData(); }

 private:
  int32_t number_;
  QString source_;
  QString description_;
  QString helpFile_;
  int32_t helpContext_;
  QString advice_;
  QByteArray what_;
};

// Standard description of a well-known error number ("Overflow", "Type mismatch", ...).
QString ErrorDescription(int32_t number);

// Throws VbError(number, source, ErrorDescription(number) or description).
[[noreturn]] void Raise(int32_t number, const QString& source = QStringLiteral("Stovrel"),
                        const QString& description = {});

// The pending error. Number() == 0 means no error is pending.
class ErrObject {
 public:
  int32_t Number() const { return number_; }
  const QString& Source() const { return source_; }
  const QString& Description() const { return description_; }
  const QString& HelpFile() const { return helpFile_; }
  int32_t HelpContext() const { return helpContext_; }
  const QString& Advice() const { return advice_; }  // empty: an unexpected error

  void Set(const VbError& e);
  // Sets the error without advice; SetAdvice gives it one.
  void Set(int32_t number, const QString& source, const QString& description,
           const QString& helpFile = {}, int32_t helpContext = 0);
  void SetAdvice(const QString& advice) { advice_ = advice; }
  void Clear();

 private:
  int32_t number_ = 0;
  QString source_;
  QString description_;
  QString helpFile_;
  int32_t helpContext_ = 0;
  QString advice_;
};

ErrObject& Err();

// Call inside a catch block: makes the exception being handled the pending error.
// A VbError is copied as it is; a std::bad_alloc becomes error 7; any other exception
// becomes error 5 with its what() text as description.
void TrapError();

}  // namespace rt
