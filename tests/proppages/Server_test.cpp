// The library as a host uses it: loaded with dlopen, registered, its nine pages
// created, sited, given a list bar, activated offscreen and released (deactivated
// first or not), then unloaded and unregistered.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <set>
#include <functional>
#include <string>
#include <thread>

#include "platform/automation/ListBarAutomation.h"
#include "platform/com/Loader.h"
#include "platform/com/PageSite.h"
#include "platform/com/Registration.h"
#include "platform/controls/ListBarModel.h"
#include "proppages/PageTable.h"
#include "tests/platform/com/RegistrySnapshot.h"
#include "tests/proppages/PageTestUtil.h"
#include "tests/support/TestEnv.h"

namespace {

using com::Ref;

std::string Braced(REFGUID guid) { return com::FormatGuid(guid); }

std::string Value(const std::string& text) { return text + '\0'; }

class ServerTest : public ::testing::Test {
 protected:
  // A registry that already holds other classes and libraries.
  void SetUp() override {
    for (const char* path : {"CLSID\\{00000000-1111-2222-3333-444444444444}",
                             "TypeLib\\{00000000-1111-2222-3333-444444444444}\\1.0"}) {
      HKEY key{};
      ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, path, &key), ERROR_SUCCESS);
      RegCloseKey(key);
    }
    ASSERT_TRUE(module.IsLoaded()) << module.Error().toStdString();
    ASSERT_TRUE(getClass && canUnload);
  }
  // A page of class `clsid` from the library's class object, holding its site, editing `object`.
  void OpenPage(REFCLSID clsid, IUnknown* object, IPropertyPage** page) {
    Ref<IClassFactory> factory;
    ASSERT_EQ(getClass(clsid, IID_IClassFactory, factory.OutVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(page)), S_OK);
    ASSERT_EQ((*page)->SetPageSite(com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite).get()), S_OK);
    ASSERT_EQ((*page)->SetObjects(1, &object), S_OK);
  }
  testenv::ScopedEnv env_{"STOVREL_REGISTRY_DIR", testenv::NewTempDir(QStringLiteral("qvp-reg"))};
  com::Module module = com::Module::Load(QStringLiteral(QVPAGES_LIBRARY));
  com::DllGetClassObjectFn getClass = module.Function<com::DllGetClassObjectFn>("DllGetClassObject");
  com::DllCanUnloadNowFn canUnload = module.Function<com::DllCanUnloadNowFn>("DllCanUnloadNow");
};

TEST_F(ServerTest, HostRegistersCreatesActivatesAndUnregistersEveryPage) {
  auto reg = module.Function<com::DllRegisterServerFn>("DllRegisterServer");
  auto unreg = module.Function<com::DllUnregisterServerFn>("DllUnregisterServer");
  ASSERT_TRUE(reg && unreg);

  const auto before = comtest::Snapshot();
  ASSERT_EQ(reg(), S_OK);
  const auto keys = comtest::Snapshot();
  const std::string path = com::ModulePathOf(reinterpret_cast<const void*>(reg)).toStdString();
  for (const qvp::PageEntry& e : qvp::Pages()) {
    const std::string key = "\\CLSID\\" + Braced(e.clsid);
    EXPECT_TRUE(keys.contains(key + "=" + Value(std::string(e.objectName) + " Object"))) << key;
    EXPECT_TRUE(keys.contains(key + "\\InprocServer32=" + Value(path) +
                              " ThreadingModel=" + Value("Apartment")))
        << key;
  }
  const std::string lib = "\\TypeLib\\" + Braced(qvp::kLibidQVProp);
  EXPECT_TRUE(keys.contains(lib + "\\1.0=" + Value("QVProp")));
  EXPECT_TRUE(keys.contains(lib + "\\1.0\\0\\win32=" + Value(path)));

  ctl::ListBarModel model;
  model.Groups().Add(0, QStringLiteral("g"), QStringLiteral("Group"));
  {
    ctl::ListBarAutomationHost control(model);
    // A host deactivates the page before releasing it, or releases it while active:
    // the last Release then ends the page as Deactivate would.
    for (const bool deactivated : {true, false}) {
      for (const qvp::PageEntry& e : qvp::Pages()) {
        SCOPED_TRACE(testing::Message() << e.objectName << (deactivated ? "" : ", released while active"));
        IPropertyPage* page = nullptr;
        ASSERT_NO_FATAL_FAILURE(OpenPage(e.clsid, control.Object(), &page));
        QWidget frame;
        const RECT rect{0, 0, 200, 120};
        ASSERT_EQ(page->Activate(&frame, &rect, FALSE), S_OK);
        EXPECT_EQ(frame.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1);
        EXPECT_EQ(page->Show(SW_SHOW), S_OK);
        EXPECT_EQ(page->IsPageDirty(), S_FALSE);
        EXPECT_EQ(page->Apply(), S_OK);
        if (deactivated) {
          EXPECT_EQ(page->Deactivate(), S_OK);
          EXPECT_TRUE(frame.findChildren<QWidget*>().isEmpty());
          EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
          EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
        }
        EXPECT_EQ(page->Release(), 0u);
        EXPECT_TRUE(frame.findChildren<QWidget*>().isEmpty());
        EXPECT_EQ(canUnload(), S_OK);
      }
    }
  }
  EXPECT_EQ(canUnload(), S_OK);
  ASSERT_EQ(unreg(), S_OK);
  EXPECT_EQ(comtest::Snapshot(), before);
  // Unregistering what is not there is no failure.
  EXPECT_EQ(unreg(), S_OK);
}

// A host releasing the Images page from inside its "Error Loading File" box (a missing
// strip): the page finishes its call and goes once the host's event loop runs again.
TEST_F(ServerTest, AHostMayReleaseAPageFromInsideItsMessageBox) {
  const QString missing = testenv::NewTempDir(QStringLiteral("qvp-strip")) + QStringLiteral("/gone.png");
  for (const bool deactivate : {true, false}) {
    SCOPED_TRACE(deactivate ? "deactivated and released" : "released");
    {
      auto control = com::Create<qvp::test::UrlControl, IDispatch>(IID_IDispatch, missing);
      IPropertyPage* page = nullptr;
      ASSERT_NO_FATAL_FAILURE(OpenPage(qvp::PageObjectTable[4].clsid, control.get(), &page));
      QWidget frame;
      QString shown;
      QTimer host;
      QObject::connect(&host, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box) return;
        host.stop();
        shown = box->windowTitle();
        if (deactivate) {
          EXPECT_EQ(page->Deactivate(), S_OK);
        }
        page->Release();
        box->done(1);
      });
      host.start(1);
      const RECT rect{0, 0, 200, 120};
      // A page deactivated while it activated is not active.
      EXPECT_EQ(page->Activate(&frame, &rect, FALSE), deactivate ? E_UNEXPECTED : S_OK);
      EXPECT_EQ(shown, "Error Loading File");
      QApplication::sendPostedEvents();
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      EXPECT_TRUE(frame.findChildren<QWidget*>().isEmpty());
    }
    EXPECT_EQ(canUnload(), S_OK);
  }
}

// A host calling from a thread of its own is refused at every entry point of the class
// object and of a page; the page is left as it was.
TEST_F(ServerTest, CallsFromAnotherThreadAreRefused) {
  ctl::ListBarModel model;
  ctl::ListBarAutomationHost control(model);
  {
    Ref<IClassFactory> factory;
    ASSERT_EQ(getClass(qvp::PageObjectTable[7].clsid, IID_IClassFactory, factory.OutVoid()), S_OK);
    Ref<IPropertyPage2> page;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage2, page.OutVoid()), S_OK);
    auto site = com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite);
    QWidget frame;
    const RECT rect{0, 0, 200, 120};
    IUnknown* objects[] = {control.Object()};
    MSG msg{nullptr, WM_KEYDOWN, VK_F1, 0};
    PROPPAGEINFO info;
    auto sink = com::QueryAs<IPropertyNotifySink>(page.get(), IID_IPropertyNotifySink);
    const struct {
      const char* call;
      std::function<HRESULT()> run;
    } calls[] = {
        {"CreateInstance",
         [&] {
           Ref<IPropertyPage> other;
           return factory->CreateInstance(nullptr, IID_IPropertyPage, other.OutVoid());
         }},
        {"SetPageSite", [&] { return page->SetPageSite(site.get()); }},
        {"SetObjects", [&] { return page->SetObjects(1, objects); }},
        {"Activate", [&] { return page->Activate(&frame, &rect, FALSE); }},
        {"Deactivate", [&] { return page->Deactivate(); }},
        {"GetPageInfo", [&] { return page->GetPageInfo(&info); }},
        {"Show", [&] { return page->Show(SW_SHOW); }},
        {"Move", [&] { return page->Move(&rect); }},
        {"IsPageDirty", [&] { return page->IsPageDirty(); }},
        {"Apply", [&] { return page->Apply(); }},
        {"Help", [&] { return page->Help(nullptr); }},
        {"TranslateAccelerator", [&] { return page->TranslateAccelerator(&msg); }},
        {"EditProperty", [&] { return page->EditProperty(1); }},
        {"OnChanged", [&] { return sink->OnChanged(1); }},
        {"OnRequestEdit", [&] { return sink->OnRequestEdit(1); }},
    };
    for (const auto& c : calls) {
      SCOPED_TRACE(c.call);
      HRESULT hr = S_OK;
      std::thread([&] { hr = c.run(); }).join();
      EXPECT_EQ(hr, RPC_E_WRONG_THREAD);
    }
    EXPECT_TRUE(frame.findChildren<QWidget*>().isEmpty());
    // On the user-interface thread the same page works.
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    EXPECT_EQ(page->Activate(&frame, &rect, FALSE), S_OK);
    EXPECT_EQ(page->Deactivate(), S_OK);
  }
  EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(ServerTest, ClassObjectRequestsAreChecked) {
  const CLSID tabs = qvp::PageObjectTable[7].clsid;
  struct Case {
    const char* name;
    CLSID clsid;
    IID iid;
    bool nullOut;
    HRESULT expected;
  };
  const Case cases[] = {
      {"unknown class", com::MakeGuid("11111111-2222-3333-4444-555555555555"), IID_IClassFactory,
       false, CLASS_E_CLASSNOTAVAILABLE},
      {"null out pointer", tabs, IID_IClassFactory, true, E_INVALIDARG},
      {"interface the factory lacks", tabs, IID_IDispatch, false, E_NOINTERFACE},
      {"factory", tabs, IID_IClassFactory, false, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClass(c.clsid, c.iid, c.nullOut ? nullptr : &out), c.expected);
    if (c.expected == S_OK) {
      ASSERT_NE(out, nullptr);
      auto* factory = static_cast<IClassFactory*>(out);
      // A locked server cannot unload; the lock and the factory both count.
      EXPECT_EQ(canUnload(), S_FALSE);
      factory->LockServer(TRUE);
      factory->Release();
      EXPECT_EQ(canUnload(), S_FALSE);
      ASSERT_EQ(getClass(c.clsid, IID_IClassFactory, &out), S_OK);
      static_cast<IClassFactory*>(out)->LockServer(FALSE);
      static_cast<IClassFactory*>(out)->Release();
    } else if (!c.nullOut) {
      EXPECT_EQ(out, nullptr);
    }
  }
  EXPECT_EQ(canUnload(), S_OK);
}

// The host unloads the library after the help window of a released page was opened,
// then quits: nothing of the library may be left to run.
TEST(ServerUnload, NothingOfTheLibraryOutlivesIt) {
  for (const QStringList& args : {QStringList{QStringLiteral("unload"), QStringLiteral(QVPAGES_LIBRARY)},
                                  QStringList{QStringLiteral("unload"), QStringLiteral(QVPAGES_LIBRARY),
                                              QStringLiteral("ignore")}}) {
    SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
    QProcess host;
    host.setProcessChannelMode(QProcess::ForwardedChannels);
    host.start(QStringLiteral(QVPAGES_HOST), args);
    ASSERT_TRUE(host.waitForFinished(120000));
    EXPECT_EQ(host.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(host.exitCode(), 0);
  }
}

// Null class or interface ids are refused, not read.
TEST(ServerFailure, NullIdsAreRefused) {
  com::Module module = com::Module::Load(QStringLiteral(QVPAGES_LIBRARY));
  ASSERT_TRUE(module.IsLoaded());
  using ByAddress = HRESULT (*)(const CLSID*, const IID*, void**);
  auto getClass = module.Function<ByAddress>("DllGetClassObject");
  const CLSID tabs = qvp::PageObjectTable[7].clsid;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClass(nullptr, &IID_IClassFactory, &out), E_INVALIDARG);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClass(&tabs, nullptr, &out), E_POINTER);
  EXPECT_EQ(getClass(nullptr, nullptr, nullptr), E_INVALIDARG);
}

TEST(ServerFailure, RegistryFailuresAreReportedByBothEntryPoints) {
  const testenv::ScopedEnv env("STOVREL_REGISTRY_DIR", comtest::UnusableRegistryDir());
  com::Module module = com::Module::Load(QStringLiteral(QVPAGES_LIBRARY));
  ASSERT_TRUE(module.IsLoaded());
  const HRESULT unreadable = com::HresultFromWin32(ERROR_CANTREAD);
  EXPECT_EQ(module.Function<com::DllRegisterServerFn>("DllRegisterServer")(), unreadable);
  EXPECT_EQ(module.Function<com::DllUnregisterServerFn>("DllUnregisterServer")(), unreadable);
}

}  // namespace
