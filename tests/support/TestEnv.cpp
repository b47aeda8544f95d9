#include "tests/support/TestEnv.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUuid>
#include <clocale>

namespace testenv {

QDateTime FixedNow() { return QDateTime(QDate(2026, 3, 15), QTime(10, 30, 0)); }

QString TempRoot() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/stovrel-test-XXXXXX"));
  return dir.path();
}

QString NewTempDir(const QString& prefix) {
  const QString path = TempRoot() + QLatin1Char('/') + prefix + QLatin1Char('-') +
                       QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
  QDir().mkpath(path);
  return path;
}

ScopedEnv::ScopedEnv(const char* name, const QString& value)
    : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
  if (value.isNull())
    qunsetenv(name);
  else
    qputenv(name, value.toUtf8());
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    qputenv(name_, old_);
  else
    qunsetenv(name_);
}

ScopedLocale::ScopedLocale(const QString& name) : previous_(QLocale()) {
  QLocale::setDefault(QLocale(name));
}

ScopedLocale::~ScopedLocale() { QLocale::setDefault(previous_); }

ProcessLocale::ProcessLocale(const char* name)
    : previous_(std::setlocale(LC_ALL, nullptr)), installed_(std::setlocale(LC_ALL, name) != nullptr) {}

ProcessLocale::~ProcessLocale() { std::setlocale(LC_ALL, previous_.constData()); }

bool ProcessLocale::AllInstalled() {
  for (const char* name : kProcessLocales)
    if (!ProcessLocale(name).installed()) return false;
  return true;
}

}  // namespace testenv
