#include "platform/com/Registration.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <set>
#include <string>

#include "platform/com/Loader.h"
#include "platform/com/PageSite.h"
#include "tests/platform/com/RegistrySnapshot.h"
#include "tests/support/TestEnv.h"

namespace {

using com::Ref;

constexpr CLSID kClass = com::MakeGuid("3A1D9C52-7E4B-4C1F-8D2A-6B5E0F9C3D71");
const char kClassKey[] = "CLSID\\{3A1D9C52-7E4B-4C1F-8D2A-6B5E0F9C3D71}";

using comtest::Snapshot;

bool Has(const std::set<std::string>& keys, const std::string& line) { return keys.contains(line); }

void Write(const std::string& path, const char* value = "") {
  HKEY key{};
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, path.c_str(), &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(std::strlen(value) + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::string Value(const char* value) { return std::string(value) + '\0'; }

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A registry that already has other classes, libraries and interfaces.
    Write("CLSID\\{00000000-1111-2222-3333-444444444444}", "Other");
    Write("TypeLib\\{00000000-1111-2222-3333-444444444444}\\1.0", "Other library");
    Write("Interface\\{00000000-1111-2222-3333-444444444444}\\TypeLib",
          "{00000000-1111-2222-3333-444444444444}");
  }
  testenv::ScopedEnv env_{"STOVREL_REGISTRY_DIR", testenv::NewTempDir(QStringLiteral("com-reg"))};
};

TEST_F(RegistrationTest, ClassKeysAreRewrittenOrKeptByTheirSubKeys) {
  struct Case {
    const char* what;
    const char* before;  // a sub key present before registration, or null
    bool extraSurvivesRegister;
    bool classKeySurvivesUnregister;
  };
  const Case cases[] = {
      {"a fresh class", nullptr, false, false},
      {"a stale class is rewritten from scratch", "Stale", false, false},
      {"a class with categories keeps its contents", "Implemented Categories", true, false},
      {"a class shared with another server kind", "InprocServer", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.before) Write(std::string(kClassKey) + "\\" + c.before);
    ASSERT_EQ(com::RegisterClass(kClass, QStringLiteral("Sample Object"),
                                 QStringLiteral("/opt/x.so"), true),
              S_OK);
    const auto keys = Snapshot();
    EXPECT_TRUE(Has(keys, std::string("\\") + kClassKey + "=" + Value("Sample Object")));
    EXPECT_TRUE(Has(keys, std::string("\\") + kClassKey + "\\InprocServer32=" + Value("/opt/x.so") +
                              " ThreadingModel=" + Value("Apartment")));
    if (c.before) {
      const bool kept = std::any_of(keys.begin(), keys.end(), [&](const std::string& k) {
        return k.find(std::string(kClassKey) + "\\" + c.before + "=") != std::string::npos;
      });
      EXPECT_EQ(kept, c.extraSurvivesRegister);
    }
    // Registering again without the apartment flag drops the threading model.
    ASSERT_EQ(com::RegisterClass(kClass, QStringLiteral("Sample Object"),
                                 QStringLiteral("/opt/x.so"), false),
              S_OK);
    EXPECT_TRUE(
        Has(Snapshot(), std::string("\\") + kClassKey + "\\InprocServer32=" + Value("/opt/x.so")));

    ASSERT_EQ(com::UnregisterClass(kClass), S_OK);
    HKEY key{};
    const LONG rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &key);
    EXPECT_EQ(rc == ERROR_SUCCESS, c.classKeySurvivesUnregister);
    if (rc == ERROR_SUCCESS) {
      HKEY server{};
      EXPECT_EQ(RegOpenKeyExA(key, "InprocServer32", 0, KEY_READ, &server), ERROR_FILE_NOT_FOUND);
      RegCloseKey(key);
      EXPECT_EQ(com::DeleteKeyTree(HKEY_CLASSES_ROOT, kClassKey), ERROR_SUCCESS);
    }
    EXPECT_EQ(com::UnregisterClass(kClass), S_OK);  // nothing left is no failure
  }
  EXPECT_EQ(com::DeleteKeyTree(HKEY_CLASSES_ROOT, kClassKey), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistrationTest, AServerRegistersAndUnregistersExactlyItsOwnKeys) {
  const auto before = Snapshot();
  com::Module server = com::Module::Load(QStringLiteral(COM_TEST_SERVER));
  ASSERT_TRUE(server.IsLoaded()) << server.Error().toStdString();
  const auto reg = server.Function<com::DllRegisterServerFn>("DllRegisterServer");
  const auto unreg = server.Function<com::DllUnregisterServerFn>("DllUnregisterServer");
  const auto get = server.Function<com::DllGetClassObjectFn>("DllGetClassObject");
  const auto canUnload = server.Function<com::DllCanUnloadNowFn>("DllCanUnloadNow");
  ASSERT_TRUE(reg && unreg && get && canUnload);
  EXPECT_EQ(server.Symbol("BuildLibrary"), nullptr);  // nothing but the entry points

  ASSERT_EQ(reg(), S_OK);
  const auto keys = Snapshot();
  const std::string path = com::ModulePathOf(reinterpret_cast<const void*>(reg)).toStdString();
  EXPECT_EQ(path, QFileInfo(QStringLiteral(COM_TEST_SERVER)).absoluteFilePath().toStdString());
  const std::string lib = "\\TypeLib\\{5C2E8B14-9A3D-4F67-B1C0-2E7D4A6F8B93}\\1.0";
  const std::string iface = "\\Interface\\{6D3F9C25-AB4E-4078-C2D1-3F8E5B7A9CA4}";
  for (const std::string& line :
       {std::string("\\") + kClassKey + "\\InprocServer32=" + Value(path.c_str()) +
            " ThreadingModel=" + Value("Apartment"),
        lib + "=" + Value("Test server types"), lib + "\\0\\win32=" + Value(path.c_str()),
        lib + "\\FLAGS=" + Value("0"), iface + "=" + Value("_TestObject"),
        iface + "\\TypeLib=" + Value("{5C2E8B14-9A3D-4F67-B1C0-2E7D4A6F8B93}")})
    EXPECT_TRUE(Has(keys, line)) << line;

  // Objects and locks keep the module loaded.
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(get(kClass, IID_IClassFactory, nullptr), E_INVALIDARG);
  EXPECT_EQ(get(IID_IDispatch, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  Ref<IClassFactory> factory;
  ASSERT_EQ(get(kClass, IID_IClassFactory, factory.OutVoid()), S_OK);
  Ref<IPropertyPageSite> site;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPageSite, site.OutVoid()), S_OK);
  factory->LockServer(TRUE);
  factory = {};
  EXPECT_EQ(canUnload(), S_FALSE);
  site = {};
  EXPECT_EQ(canUnload(), S_FALSE);
  ASSERT_EQ(get(kClass, IID_IClassFactory, factory.OutVoid()), S_OK);
  factory->LockServer(FALSE);
  factory = {};
  EXPECT_EQ(canUnload(), S_OK);

  ASSERT_EQ(unreg(), S_OK);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(
      UnRegisterTypeLib(com::MakeGuid("5C2E8B14-9A3D-4F67-B1C0-2E7D4A6F8B93"), 1, 0, 0, SYS_WIN32),
      TYPE_E_LIBNOTREGISTERED);
}

TEST_F(RegistrationTest, TheToolCallsTheEntryPointsAndReportsFailures) {
  const auto before = Snapshot();
  struct Case {
    QStringList args;
    int exitCode;
    bool registered;
  };
  const Case cases[] = {
      {{QStringLiteral(COM_TEST_SERVER)}, 0, true},
      {{QStringLiteral("/u"), QStringLiteral(COM_TEST_SERVER)}, 0, false},
      {{QStringLiteral("/s"), QStringLiteral(COM_TEST_SERVER)}, 0, true},
      {{QStringLiteral("-U"), QStringLiteral("/s"), QStringLiteral(COM_TEST_SERVER)}, 0, false},
      {{QStringLiteral("/nowhere/none.so")}, 1, false},
      {{QStringLiteral(REGPAGES_TOOL)}, 1, false},  // loads, but has no entry point
      {{}, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    QProcess tool;
    tool.start(QStringLiteral(REGPAGES_TOOL), c.args);
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), c.exitCode) << tool.readAllStandardError().toStdString();
    const auto keys = Snapshot();
    const bool registered = std::any_of(keys.begin(), keys.end(), [](const std::string& k) {
      return k.find("InprocServer32") != std::string::npos;
    });
    EXPECT_EQ(registered, c.registered);
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST(RegistrationFailure, ARegistryThatCannotBeWrittenIsReportedNotSkipped) {
  const testenv::ScopedEnv env("STOVREL_REGISTRY_DIR", comtest::UnusableRegistryDir());
  // The hive can be neither read nor written there.
  const HRESULT unreadable = com::HresultFromWin32(ERROR_CANTREAD);
  const HRESULT unwritable = com::HresultFromWin32(ERROR_CANTWRITE);
  EXPECT_EQ(com::RegisterClass(kClass, QStringLiteral("Sample Object"), QStringLiteral("/opt/x.so"),
                               true),
            unreadable);

  com::TypeLibBuilder b(com::MakeGuid("5C2E8B14-9A3D-4F67-B1C0-2E7D4A6F8B93"), QStringLiteral("L"),
                        1, 0);
  Ref<ITypeLib> lib;
  ASSERT_EQ(b.Build(lib.Out()), S_OK);
  EXPECT_EQ(RegisterTypeLib(lib.get(), u"/opt/x.so", nullptr), unwritable);

  QProcess tool;
  tool.start(QStringLiteral(REGPAGES_TOOL), {QStringLiteral(COM_TEST_SERVER)});
  ASSERT_TRUE(tool.waitForFinished(60000));
  EXPECT_EQ(tool.exitCode(), 2);
  EXPECT_TRUE(tool.readAllStandardError().contains("0x800703F4"));
}

}  // namespace
