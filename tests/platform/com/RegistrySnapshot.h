#pragma once
// Registry helpers for registration tests: a snapshot of every key below
// HKEY_CLASSES_ROOT with its default value (and ThreadingModel), as "path=value"
// lines, and a registry folder that cannot be used.

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <set>
#include <string>

#include "platform/registry/Registry.h"
#include "tests/support/TestEnv.h"

namespace comtest {

// Every key below HKEY_CLASSES_ROOT with its default value, as "path=value" lines.
inline void Walk(HKEY key, const std::string& path, std::set<std::string>& out) {
  char value[512];
  DWORD size = sizeof value;
  DWORD type = 0;
  std::string line = path + "=";
  if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
      ERROR_SUCCESS)
    line += std::string(value, size);
  size = sizeof value;
  if (RegQueryValueExA(key, "ThreadingModel", nullptr, &type, reinterpret_cast<BYTE*>(value),
                       &size) == ERROR_SUCCESS)
    line += " ThreadingModel=" + std::string(value, size);
  out.insert(line);
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD n = sizeof name;
    if (RegEnumKeyExA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child{};
    ASSERT_EQ(RegOpenKeyExA(key, name, 0, KEY_READ, &child), ERROR_SUCCESS);
    Walk(child, path + "\\" + name, out);
    RegCloseKey(child);
  }
}

inline std::set<std::string> Snapshot() {
  std::set<std::string> out;
  Walk(HKEY_CLASSES_ROOT, "", out);
  return out;
}

// A registry folder that cannot be made, since a file stands in its way: the hive can
// be neither read nor written there.
inline QString UnusableRegistryDir() {
  const QString blocker = testenv::NewTempDir(QStringLiteral("reg")) + QStringLiteral("/file");
  QFile f(blocker);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  return blocker;
}

}  // namespace comtest
