#include "platform/registry/Registry.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/HiveStore.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr char kPref[] = "Software\\Dornvale\\Stovrel\\Pref";

using testenv::ScopedEnv;

// Every test works in a registry folder of its own.
class RegistryTest : public ::testing::Test {
 protected:
  QString dir_ = testenv::NewTempDir(QStringLiteral("registry"));
  ScopedEnv env_{"STOVREL_REGISTRY_DIR", dir_};

  HKEY Create(HKEY root, const char* path) {
    HKEY key{};
    EXPECT_EQ(RegCreateKeyA(root, path, &key), ERROR_SUCCESS);
    return key;
  }
  static LONG SetText(HKEY key, const char* name, const std::string& bytes) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
  }
  // The value's bytes; sets `type`; ERROR_* in `rc`.
  static std::string Query(HKEY key, const char* name, DWORD& type, LONG& rc) {
    DWORD size = 0;
    rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return {};
    std::string data(size, '\0');
    rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    return data;
  }
  static std::string Query(HKEY key, const char* name) {
    DWORD type = 0;
    LONG rc = 0;
    return Query(key, name, type, rc);
  }
  QByteArray HiveFile(const char* hive = "HKEY_CURRENT_USER") const {
    QFile f(dir_ + QLatin1Char('/') + QLatin1String(hive) + QStringLiteral(".hive"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypeAndExactByteCount) {
  const HKEY key = Create(HKEY_CURRENT_USER, kPref);
  const DWORD number = 258;
  const std::string binary("\x00\xff\n\"", 4);
  ASSERT_EQ(SetText(key, "top", "1440"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, "withnul", std::string("abc\0", 4)), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, "empty", ""), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "raw", 0, REG_BINARY,
                           reinterpret_cast<const BYTE*>(binary.data()), 4),
            ERROR_SUCCESS);

  struct Expect {
    const char* name;
    DWORD type;
    std::string data;
  };
  const Expect expected[] = {
      {"top", REG_SZ, "1440"},
      {"withnul", REG_SZ, std::string("abc\0", 4)},
      {"empty", REG_SZ, ""},
      {"count", REG_DWORD, std::string("\x02\x01\x00\x00", 4)},
      {"raw", REG_BINARY, binary},
  };
  // Through the handle that wrote them, and through a fresh process reading the file.
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    DWORD type = 0;
    LONG rc = -1;
    EXPECT_EQ(Query(key, e.name, type, rc), e.data);
    EXPECT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(type, e.type);
  }
  const pid_t child = fork();
  if (child == 0) {
    HKEY k{};
    int failures = RegOpenKeyExA(HKEY_CURRENT_USER, kPref, 0, KEY_READ, &k) != ERROR_SUCCESS;
    for (const auto& e : expected) {
      DWORD type = 0;
      LONG rc = -1;
      failures += Query(k, e.name, type, rc) != e.data || type != e.type;
    }
    _exit(failures);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, QueryReportsSizesAndMissingThingsLikeWindows) {
  const HKEY key = Create(HKEY_CURRENT_USER, kPref);
  ASSERT_EQ(SetText(key, "title", "Current inventory"), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "title", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 17u);
  EXPECT_EQ(type, REG_SZ);
  BYTE small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "title", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 17u);
  EXPECT_EQ(RegQueryValueExA(key, "title", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "title", nullptr, nullptr, small, nullptr),
            ERROR_INVALID_PARAMETER);

  EXPECT_EQ(RegQueryValueExA(key, "absent", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  HKEY other{};
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nobody", 0, KEY_READ, &other),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kPref, 0, KEY_READ, &other), ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(key, "title", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetText(HKEY{0x80000002u}, "x", "y"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheCaseFirstWritten) {
  const HKEY key = Create(HKEY_CURRENT_USER, "Software\\Dornvale\\Stovrel\\Pref\\Caf\xe9");
  ASSERT_EQ(SetText(key, "WindowState", "2"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, "WINDOWSTATE", "0"), ERROR_SUCCESS);

  HKEY same{};
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\dornvale\\STOVREL\\pref\\CAF\xc9", 0,
                          KEY_ALL_ACCESS, &same),
            ERROR_SUCCESS);
  EXPECT_EQ(Query(same, "windowstate"), "0");
  const QByteArray file = HiveFile();
  EXPECT_TRUE(file.contains("[Software\\Dornvale\\Stovrel\\Pref\\Caf%e9]")) << file.constData();
  EXPECT_TRUE(file.contains("\"WindowState\"=sz:\"0\"")) << file.constData();
  EXPECT_FALSE(file.contains("WINDOWSTATE"));
  RegCloseKey(same);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DefaultValueOfASubkeyIsStoredWithItsNul) {
  ASSERT_EQ(RegSetValueA(HKEY_CURRENT_USER, "Software\\Dornvale\\Stovrel\\DB", REG_SZ,
                         "/home/u/SVLData", 15),
            ERROR_SUCCESS);
  HKEY key{};
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Dornvale\\Stovrel\\DB", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(Query(key, ""), std::string("/home/u/SVLData\0", 16));
  EXPECT_EQ(Query(key, nullptr), std::string("/home/u/SVLData\0", 16));
  EXPECT_EQ(RegSetValueA(key, "", REG_DWORD, "x", 1), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(RegistryTest, HivesAreFilesInTheRegistryFolder) {
  RegCloseKey(Create(HKEY_CURRENT_USER, kPref));
  RegCloseKey(Create(HKEY_CLASSES_ROOT, "CLSID\\{0}"));
  EXPECT_TRUE(HiveFile("HKEY_CURRENT_USER").contains("[Software\\Dornvale\\Stovrel\\Pref]"));
  EXPECT_TRUE(HiveFile("HKEY_CLASSES_ROOT").contains("[CLSID\\{0}]"));
  EXPECT_FALSE(HiveFile("HKEY_CLASSES_ROOT").contains("Software"));

  // Without STOVREL_REGISTRY_DIR: XDG_CONFIG_HOME (when absolute), else ~/.config.
  const QString home = testenv::NewTempDir(QStringLiteral("home"));
  const ScopedEnv noDir("STOVREL_REGISTRY_DIR", QString());
  const ScopedEnv homeEnv("HOME", home);
  {
    const ScopedEnv xdg("XDG_CONFIG_HOME", home + QStringLiteral("/xdg"));
    EXPECT_EQ(reg::RegistryDir(), home + QStringLiteral("/xdg/Dornvale"));
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\A"));
    EXPECT_TRUE(QFile::exists(home + QStringLiteral("/xdg/Dornvale/HKEY_CURRENT_USER.hive")));
  }
  {
    const ScopedEnv relative("XDG_CONFIG_HOME", QStringLiteral("relative/path"));
    EXPECT_EQ(reg::RegistryDir(), home + QStringLiteral("/.config/Dornvale"));
  }
  const ScopedEnv noXdg("XDG_CONFIG_HOME", QString());
  EXPECT_EQ(reg::RegistryDir(), home + QStringLiteral("/.config/Dornvale"));
  HKEY key{};
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\A", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);  // another folder, another hive
}

TEST_F(RegistryTest, AnOpenHandleSeesLaterWritesOfOtherHandlesAndProcesses) {
  const HKEY reader = Create(HKEY_CURRENT_USER, kPref);
  const HKEY writer = Create(HKEY_CURRENT_USER, "Software\\Dornvale\\Stovrel");
  ASSERT_EQ(RegSetValueA(writer, "Pref", REG_SZ, "one", 3), ERROR_SUCCESS);
  EXPECT_EQ(Query(reader, ""), std::string("one\0", 4));

  const pid_t child = fork();
  if (child == 0) {
    HKEY k{};
    const bool ok = RegOpenKeyExA(HKEY_CURRENT_USER, kPref, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS &&
                    SetText(k, "fromchild", "2") == ERROR_SUCCESS;
    _exit(ok ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Query(reader, "fromchild"), "2");
  EXPECT_EQ(Query(reader, ""), std::string("one\0", 4));  // the child's write kept ours
  RegCloseKey(reader);
  RegCloseKey(writer);
}

TEST_F(RegistryTest, AFailedWriteKeepsTheOldFile) {
  const HKEY key = Create(HKEY_CURRENT_USER, kPref);
  ASSERT_EQ(SetText(key, "top", "1440"), ERROR_SUCCESS);
  const QByteArray before = HiveFile();

  // A child limited to small files cannot write the new hive.
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(SetText(key, "big", std::string(5000, 'x')) == ERROR_CANTWRITE ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  EXPECT_EQ(HiveFile(), before);
  EXPECT_EQ(QDir(dir_).entryList(QDir::Files),
            QStringList({QStringLiteral("HKEY_CURRENT_USER.hive"),
                         QStringLiteral("HKEY_CURRENT_USER.lock")}));
  EXPECT_EQ(Query(key, "top"), "1440");
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "big", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, ProcessesWritingOneKeyAtOnceLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kValuesEach = 60;
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t child = fork();
    if (child == 0) {
      close(start[1]);
      char go = 0;
      if (read(start[0], &go, 1) != 0) _exit(2);  // wait for the pipe to close
      HKEY k{};
      if (RegCreateKeyA(HKEY_CURRENT_USER, kPref, &k) != ERROR_SUCCESS) _exit(3);
      for (int i = 0; i < kValuesEach; ++i) {
        const std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
        if (SetText(k, name.c_str(), std::to_string(p * 1000 + i)) != ERROR_SUCCESS) _exit(4);
      }
      _exit(0);
    }
    ASSERT_GT(child, 0);
    children.push_back(child);
  }
  close(start[0]);
  close(start[1]);  // every child starts now
  for (const pid_t child : children) {
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const HKEY key = Create(HKEY_CURRENT_USER, kPref);
  int found = 0;
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kValuesEach; ++i) {
      const std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
      found += Query(key, name.c_str()) == std::to_string(p * 1000 + i);
    }
  }
  EXPECT_EQ(found, kProcesses * kValuesEach);
  RegCloseKey(key);
}

// The direct sub key names of a key, in enumeration order.
std::vector<std::string> SubKeys(HKEY key) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD size = sizeof name;
    const LONG rc = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(rc, ERROR_SUCCESS);
    if (rc != ERROR_SUCCESS) break;
    EXPECT_EQ(size, std::strlen(name));
    names.emplace_back(name, size);
  }
  return names;
}

TEST_F(RegistryTest, EnumeratesDirectSubKeysOnlyWithTheirCase) {
  const HKEY root = Create(HKEY_CLASSES_ROOT, "CLSID");
  for (const char* path : {"CLSID\\{B}\\InprocServer32", "CLSID\\{a}", "CLSID\\{C}", "Other"})
    RegCloseKey(Create(HKEY_CLASSES_ROOT, path));
  EXPECT_EQ(SubKeys(root), (std::vector<std::string>{"{a}", "{B}", "{C}"}));

  struct Case {
    DWORD buffer;
    LONG rc;
  };
  // "{a}" needs four characters with its NUL.
  for (const Case c : {Case{3, ERROR_MORE_DATA}, Case{4, ERROR_SUCCESS}}) {
    char name[8] = "xxxxxxx";
    DWORD size = c.buffer;
    EXPECT_EQ(RegEnumKeyExA(root, 0, name, &size, nullptr, nullptr, nullptr, nullptr), c.rc);
    if (c.rc == ERROR_SUCCESS) {
      EXPECT_STREQ(name, "{a}");
    }
  }
  DWORD size = 8;
  char name[8];
  EXPECT_EQ(RegEnumKeyExA(root, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumKeyExA(HKEY{12345}, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);
  const HKEY leaf = Create(HKEY_CLASSES_ROOT, "CLSID\\{C}");
  EXPECT_TRUE(SubKeys(leaf).empty());
  RegCloseKey(leaf);
  RegCloseKey(root);
}

TEST_F(RegistryTest, DeletesKeysWithoutSubKeysAndValuesAndReportsWhatItCannot) {
  const HKEY cls = Create(HKEY_CLASSES_ROOT, "CLSID\\{X}");
  const HKEY server = Create(cls, "InprocServer32");
  ASSERT_EQ(SetText(server, "ThreadingModel", "Apartment"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(server, nullptr, "/lib/x.so"), ERROR_SUCCESS);

  struct Case {
    const char* what;
    LONG rc;
    LONG (*call)(HKEY cls, HKEY server);
  };
  const Case cases[] = {
      {"a key with sub keys", ERROR_ACCESS_DENIED,
       [](HKEY c, HKEY) { return RegDeleteKeyA(c, ""); }},
      {"a missing key", ERROR_FILE_NOT_FOUND,
       [](HKEY c, HKEY) { return RegDeleteKeyA(c, "Nope"); }},
      {"a null name", ERROR_INVALID_PARAMETER,
       [](HKEY c, HKEY) { return RegDeleteKeyA(c, nullptr); }},
      {"a hive's root", ERROR_ACCESS_DENIED,
       [](HKEY, HKEY) { return RegDeleteKeyA(HKEY_CLASSES_ROOT, ""); }},
      {"a missing value", ERROR_FILE_NOT_FOUND,
       [](HKEY, HKEY s) { return RegDeleteValueA(s, "Nope"); }},
      {"a value", ERROR_SUCCESS, [](HKEY, HKEY s) { return RegDeleteValueA(s, "threadingmodel"); }},
      {"the default value", ERROR_SUCCESS, [](HKEY, HKEY s) { return RegDeleteValueA(s, nullptr); }},
      {"the default value again", ERROR_FILE_NOT_FOUND,
       [](HKEY, HKEY s) { return RegDeleteValueA(s, ""); }},
      {"the leaf key", ERROR_SUCCESS, [](HKEY c, HKEY) { return RegDeleteKeyA(c, "InprocServer32"); }},
      {"a value of the deleted key", ERROR_KEY_DELETED,
       [](HKEY, HKEY s) { return SetText(s, "x", "y"); }},
      {"the emptied key itself", ERROR_SUCCESS, [](HKEY c, HKEY) { return RegDeleteKeyA(c, ""); }},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(cls, server), c.rc) << c.what;

  HKEY gone{};
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(HiveFile("HKEY_CLASSES_ROOT").contains("{X}"));
  RegCloseKey(server);
  RegCloseKey(cls);
}

}  // namespace
