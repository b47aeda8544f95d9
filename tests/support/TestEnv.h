#pragma once
// The environment every test runs in: offscreen Qt, en_US locale, a fixed clock,
// and the registry and data folders inside one temporary directory per test process.

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace testenv {

// 2026-03-15 10:30:00 local time, the clock every test starts with.
QDateTime FixedNow();

// The per-process temporary root (removed when the process ends).
QString TempRoot();
// A new empty folder below TempRoot().
QString NewTempDir(const QString& prefix = QStringLiteral("t"));

// Sets an environment variable (a null value unsets it) for the lifetime of the object,
// then restores the old state.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QString& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

// Sets QLocale::setDefault for the lifetime of the object, then restores en_US.
class ScopedLocale {
 public:
  explicit ScopedLocale(const QString& name);
  ~ScopedLocale();
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  QLocale previous_;
};

// C and the locales users run the program in whose decimal mark is a comma.
inline constexpr const char* kProcessLocales[] = {"C", "de_DE.UTF-8", "fr_FR.UTF-8"};

// The C library's locale (setlocale LC_ALL, which printf, strtod and iostreams follow)
// set to `name` for the lifetime of the object, then put back.
class ProcessLocale {
 public:
  explicit ProcessLocale(const char* name);
  ~ProcessLocale();
  ProcessLocale(const ProcessLocale&) = delete;
  ProcessLocale& operator=(const ProcessLocale&) = delete;
  // Whether the C library has the locale (it is generated on the machine).
  bool installed() const { return installed_; }
  // Is every one of kProcessLocales installed?
  static bool AllInstalled();

 private:
  QByteArray previous_;
  bool installed_;
};

// A user's session in the locale `name` ("C", "de_DE.UTF-8", ...) for the lifetime of the
// object: the C library's locale (setlocale LC_ALL, what printf, strtod and iostreams
// follow) and QLocale::setDefault (what the user types and sees). Both are restored after.
class ScopedUserLocale {
 public:
  explicit ScopedUserLocale(const char* name) : qt_(QString::fromLatin1(name)), c_(name) {}
  bool ok() const { return c_.installed(); }

 private:
  ScopedLocale qt_;
  ProcessLocale c_;
};

}  // namespace testenv
