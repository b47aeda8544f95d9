#include "proppages/CQVPropPageBase.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/ListBarAutomation.h"

#include "platform/com/Memory.h"
#include "platform/com/PageSite.h"
#include "platform/registry/Registry.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/controls/ListBarModel.h"
#include "proppages/PageHelp.h"
#include "proppages/PageStrings.h"
#include "proppages/Pages.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using com::Ref;

// A page that records what the base hands to the virtual operations.
class RecordingPage final : public CQVPropPageBase {
 public:
  explicit RecordingPage(IUnknown* outer) : CQVPropPageBase(outer, 7) {}
  HRESULT OnHelp(LPCOLESTR) override {
    ++helps;
    return S_OK;
  }
  using CQVPropPageBase::MakeDirty;

  std::vector<UINT> messages;
  int newObjects = 0;
  int applies = 0;
  int helps = 0;
  HRESULT applyResult = S_OK;

 protected:
  bool DialogProc(UINT message, WPARAM, LPARAM) override {
    messages.push_back(message);
    return message == kMsgEditProperty;
  }
  HRESULT OnNewObjects() override {
    ++newObjects;
    return S_OK;
  }
  HRESULT OnApply() override {
    ++applies;
    return applyResult;
  }
};

RecordingPage* NewPage(Ref<IPropertyPage2>& ref) {
  ref = com::Create<RecordingPage, IPropertyPage2>(IID_IPropertyPage2);
  return static_cast<RecordingPage*>(ref.get());
}

TEST(PageTable, EveryPageCreatesWithItsOwnIndexAndStrings) {
  struct Case {
    const char* title;
    const char* doc;
    const char* helpFile;
    DWORD context;
  };
  const Case cases[kPageCount] = {
      {"Alphabetic", "Alphabetic properties", "Help_Me_Please.hlp", 100},
      {"Categorized", "Categorized properties", "vb.hlp", 200},
      {"Animation Builder", "Picture Frames Properties", "vb.hlp", 300},
      {"Groups/Lists", "Groups/Lists properties", "vb.hlp", 401},
      {"Images", "Image List properties", "vb.hlp", 500},
      {"PNG Generator", "PNG Generator Utility", "vb.hlp", 600},
      {"Configure ToolBars", "Configure Utility for Toolbars", "vb.hlp", 700},
      {"Tabs", "Tabs properties", "vb.hlp", 800},
      {"Images", "Image List properties", "vb.hlp", 510},
  };
  ASSERT_EQ(PageObjectTable[kPageCount].kind, kKindEnd);
  for (int i = 0; i < kPageCount; ++i) {
    SCOPED_TRACE(i);
    const PageEntry& e = PageObjectTable[i];
    EXPECT_EQ(FindPage(e.clsid), i);
    Ref<IPropertyPage> page;
    ASSERT_EQ(e.create(nullptr, IID_IPropertyPage, page.OutVoid()), S_OK);
    EXPECT_EQ(static_cast<CQVPropPageBase*>(static_cast<IPropertyPage2*>(page.get()))->PageIndex(),
              i);
    PROPPAGEINFO info;
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(QString::fromUtf16(info.pszTitle), QString::fromLatin1(cases[i].title));
    EXPECT_EQ(QString::fromUtf16(info.pszDocString), QString::fromLatin1(cases[i].doc));
    EXPECT_EQ(QString::fromUtf16(info.pszHelpFile), QString::fromLatin1(cases[i].helpFile));
    EXPECT_EQ(info.dwHelpContext, cases[i].context);
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
  }
  EXPECT_FALSE(FindPage(GUID_NULL));
  // The two image-list pages share one display name.
  EXPECT_STREQ(PageObjectTable[4].objectName, PageObjectTable[8].objectName);
}

TEST(PageBase, QueryInterfaceIsSymmetricUnderAggregation) {
  // The outer object answers only IUnknown itself and forwards the page's interfaces.
  struct Outer final : IUnknown {
    IUnknown* inner = nullptr;
    ULONG refs = 1;
    HRESULT QueryInterface(REFIID iid, void** out) override {
      if (iid == IID_IUnknown) {
        *out = this;
        AddRef();
        return S_OK;
      }
      return inner->QueryInterface(iid, out);
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
  } outer;
  ASSERT_EQ(CQVTabsPropPage::Create(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK);
  const IID faces[] = {IID_IPropertyPage, IID_IPropertyPage2, IID_IPropertyNotifySink};
  for (const IID& from : faces) {
    Ref<IUnknown> a;
    ASSERT_EQ(outer.QueryInterface(from, a.OutVoid()), S_OK);
    Ref<IUnknown> identity;
    ASSERT_EQ(a->QueryInterface(IID_IUnknown, identity.OutVoid()), S_OK);
    EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer));
    for (const IID& to : faces) {
      Ref<IUnknown> b;
      EXPECT_EQ(a->QueryInterface(to, b.OutVoid()), S_OK);
    }
    Ref<IUnknown> none;
    EXPECT_EQ(a->QueryInterface(IID_IDispatch, none.OutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(none);
  }
  EXPECT_EQ(outer.refs, 1u);
  outer.inner->Release();
  EXPECT_EQ(com::ObjectTable::Objects(), 0);
  EXPECT_EQ(
      CQVTabsPropPage::Create(&outer, IID_IPropertyPage, reinterpret_cast<void**>(&outer.inner)),
      CLASS_E_NOAGGREGATION);
}

TEST(PageBase, LifecycleReachesThePageOperations) {
  Ref<IPropertyPage2> ref;
  RecordingPage* page = NewPage(ref);
  auto site = com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite);
  ASSERT_EQ(page->SetPageSite(site.get()), S_OK);
  auto other = com::Create<com::FakePageSite, IUnknown>(IID_IUnknown);
  IUnknown* objects[] = {other.get()};
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  EXPECT_EQ(page->newObjects, 0);  // no dialog yet

  QWidget frame;
  const RECT rect{4, 6, 104, 56};
  ASSERT_EQ(page->Activate(&frame, &rect, FALSE), S_OK);
  ASSERT_NE(page->Dialog(), nullptr);
  EXPECT_EQ(page->Dialog()->parentWidget(), &frame);
  EXPECT_EQ(page->Dialog()->geometry(), QRect(4, 6, 100, 50));
  EXPECT_EQ(page->Dialog()->windowTitle(), QStringLiteral("Tabs"));
  EXPECT_EQ(page->newObjects, 1);
  EXPECT_EQ(page->Activate(&frame, &rect, FALSE), E_UNEXPECTED);
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  EXPECT_EQ(page->newObjects, 2);

  page->MakeDirty();
  EXPECT_EQ(page->IsPageDirty(), S_OK);
  auto* fake = static_cast<com::FakePageSite*>(site.get());
  ASSERT_EQ(fake->statusChanges.size(), 1u);
  EXPECT_EQ(fake->statusChanges[0], PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE);
  page->applyResult = E_FAIL;
  EXPECT_EQ(page->Apply(), E_FAIL);
  EXPECT_EQ(page->IsPageDirty(), S_OK);  // a failed apply keeps the changes pending
  page->applyResult = S_OK;
  EXPECT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page->applies, 2);

  EXPECT_EQ(page->EditProperty(3), S_OK);
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(page->Dialog(), nullptr);
  EXPECT_EQ(page->messages, (std::vector<UINT>{1126, 1127}));
  EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
  EXPECT_EQ(page->Move(&rect), E_UNEXPECTED);

  // The base page handles no EditProperty.
  Ref<IPropertyPage2> plain;
  ASSERT_EQ(CQVTabsPropPage::Create(nullptr, IID_IPropertyPage2, plain.OutVoid()), S_OK);
  EXPECT_EQ(plain->EditProperty(3), E_NOTIMPL);
}

TEST(PageBase, CallerSizesAndPointersAreChecked) {
  Ref<IPropertyPage2> ref;
  RecordingPage* page = NewPage(ref);
  auto object = com::Create<com::FakePageSite, IUnknown>(IID_IUnknown);
  IUnknown* withNull[] = {object.get(), nullptr};
  const RECT inverted{10, 10, 5, 20};
  struct Case {
    const char* name;
    std::function<HRESULT()> call;
    HRESULT expected;
  };
  const std::vector<Case> cases = {
      {"objects without an array", [&] { return page->SetObjects(2, nullptr); }, E_POINTER},
      {"a null object", [&] { return page->SetObjects(2, withNull); }, E_POINTER},
      {"too many objects", [&] { return page->SetObjects(kMaxObjects + 1, withNull); },
       E_INVALIDARG},
      {"no rectangle", [&] { return page->Activate(nullptr, nullptr, FALSE); }, E_POINTER},
      {"inverted rectangle", [&] { return page->Activate(nullptr, &inverted, FALSE); },
       E_INVALIDARG},
      {"no page info", [&] { return page->GetPageInfo(nullptr); }, E_POINTER},
      {"no message", [&] { return page->TranslateAccelerator(nullptr); }, E_POINTER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.call(), c.expected);
  }
  EXPECT_EQ(page->Dialog(), nullptr);
  EXPECT_EQ(object->AddRef(), 2u);  // the refused calls took no reference
  object->Release();
}

TEST(PageBase, F1ShowsThePagesHelpAndOtherKeysPassOn) {
  Ref<IPropertyPage2> ref;
  RecordingPage* page = NewPage(ref);
  struct Case {
    UINT message;
    WPARAM key;
    HRESULT expected;
    int helps;
  };
  const Case cases[] = {
      {WM_KEYDOWN, VK_F1, S_OK, 1},
      {WM_KEYDOWN, 0x41, S_FALSE, 1},
      {WM_KEYDOWN + 1, VK_F1, S_FALSE, 1},  // a key release is no request for help
  };
  for (const Case& c : cases) {
    MSG msg{nullptr, c.message, c.key, 0};
    EXPECT_EQ(page->TranslateAccelerator(&msg), c.expected);
    EXPECT_EQ(page->helps, c.helps);
  }
}

// The host side of an edited object: a frame that records EnableModeless, reached
// through the object's client site.
class Frame final : public com::ComObject<IOleInPlaceFrame> {
 public:
  explicit Frame(IUnknown* outer) : ComObject(outer) {}
  HRESULT EnableModeless(BOOL enable) override {
    calls.push_back(enable);
    return S_OK;
  }
  std::vector<BOOL> calls;

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow ? Face<IOleInPlaceFrame>()
                                                                        : nullptr;
  }
};

class Site final : public com::ComObject<IOleClientSite, IOleInPlaceSiteWindowless> {
 public:
  Site(IUnknown* outer, IOleInPlaceFrame* frame, bool windowless)
      : ComObject(outer), frame_(frame), windowless_(windowless) {}
  HRESULT GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT*, RECT*,
                           OLEINPLACEFRAMEINFO*) override {
    *document = frame_.get();  // a document window the caller must release
    if (*document) (*document)->AddRef();
    *frame = frame_.get();
    if (*frame) (*frame)->AddRef();
    return frame_ ? S_OK : E_FAIL;
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IOleClientSite) return Face<IOleClientSite>();
    if (windowless_ && iid == IID_IOleInPlaceSiteWindowless)
      return Face<IOleInPlaceSiteWindowless>();
    return nullptr;
  }

 private:
  com::Ref<IOleInPlaceFrame> frame_;
  bool windowless_;
};

class Embedded final : public com::ComObject<IOleObject> {
 public:
  Embedded(IUnknown* outer, IOleClientSite* site) : ComObject(outer), site_(site) {}
  HRESULT GetClientSite(IOleClientSite** site) override {
    *site = site_.get();
    if (*site) (*site)->AddRef();
    return site_ ? S_OK : E_FAIL;
  }
  HRESULT DoVerb(LONG, MSG*, IUnknown*, LONG, HWND, const RECT*) override { return E_NOTIMPL; }

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IOleObject ? Face<IOleObject>() : nullptr;
  }

 private:
  com::Ref<IOleClientSite> site_;
};

// A page whose frame handling a test drives.
class ModalPage final : public CQVPropPageBase {
 public:
  explicit ModalPage(IUnknown* outer) : CQVPropPageBase(outer, 3) {}
  void Edit(IUnknown* object) {
    firstObject_ = Ref<IUnknown>(object);
    GetInPlaceFrame();
  }
  using CQVPropPageBase::EnableModeless;
  using CQVPropPageBase::InPlaceFrame;
};

TEST(PageBase, TheHostFrameIsKeptAndMadeModelessAroundDialogs) {
  {
    auto frame = com::Create<Frame, IOleInPlaceFrame>(IID_IOleInPlaceFrame);
    auto other = com::Create<Frame, IOleInPlaceFrame>(IID_IOleInPlaceFrame);
    auto object = [](IOleInPlaceFrame* f, bool windowless) {
      auto site = com::Create<Site, IOleClientSite>(IID_IOleClientSite, f, windowless);
      return com::Create<Embedded, IUnknown>(IID_IUnknown, site.get());
    };
    auto page = com::Create<ModalPage, IPropertyPage2>(IID_IPropertyPage2);
    auto* modal = static_cast<ModalPage*>(page.get());
    modal->EnableModeless(true);  // no frame yet: nothing happens

    modal->Edit(object(frame.get(), true).get());
    EXPECT_EQ(modal->InPlaceFrame(), frame.get());
    // Every failing step keeps the frame held.
    const struct {
      const char* name;
      Ref<IUnknown> object;
    } failing[] = {
        {"no embedded object", com::Create<Frame, IUnknown>(IID_IUnknown)},
        {"a site that is not windowless", object(other.get(), false)},
        {"no window context", object(nullptr, true)},
    };
    for (const auto& f : failing) {
      SCOPED_TRACE(f.name);
      modal->Edit(f.object.get());
      EXPECT_EQ(modal->InPlaceFrame(), frame.get());
    }
    QWidget window;
    window.show();
    window.activateWindow();
    modal->EnableModeless(true);
    modal->EnableModeless(false);
    EXPECT_EQ(static_cast<Frame*>(frame.get())->calls, (std::vector<BOOL>{FALSE, TRUE}));
    EXPECT_TRUE(static_cast<Frame*>(other.get())->calls.empty());
  }
  // Every intermediate interface was released, and the page released the frame.
  EXPECT_EQ(com::ObjectTable::Objects(), 0);
}

// From inside the "Help is not installed" box, a host releasing the page ends it once the
// event loop runs again; a page only deactivated hides at once and can activate again.
TEST(PageBase, AHostMayEndAPageFromInsideItsBox) {
  ui::test::ScopedFakePrompts prompts;
  const QString noHelp = testenv::NewTempDir(QStringLiteral("qvp-nohelp"));
  SetLibraryHelpFolder(noHelp);
  ctl::ListBarModel model;
  model.Groups().Add(0, QStringLiteral("g"), QStringLiteral("Group"));
  ctl::ListBarAutomationHost control(model);
  IUnknown* edited[] = {control.Object()};
  const RECT rect{0, 0, kChildPageSize.cx, kChildPageSize.cy};
  // What the control makes once for the first page to ask stays out of the count.
  {
    QWidget frame;
    Ref<IPropertyPage2> page;
    ASSERT_EQ(PageObjectTable[0].create(nullptr, IID_IPropertyPage2, page.OutVoid()), S_OK);
    page->SetObjects(1, edited);
    page->Activate(&frame, &rect, FALSE);
  }
  const long objects = com::ObjectTable::Objects();
  const struct {
    const char* host;
    bool deactivate;
    bool release;
  } hosts[] = {{"deactivates and releases", true, true}, {"releases", false, true}, {"deactivates", true, false}};
  for (int index = 0; index < kPageCount; ++index) {
    for (const auto& h : hosts) {
      SCOPED_TRACE(testing::Message() << "page " << index << ", the host " << h.host);
      QWidget frame;
      IPropertyPage2* page = nullptr;
      ASSERT_EQ(PageObjectTable[index].create(nullptr, IID_IPropertyPage2, reinterpret_cast<void**>(&page)), S_OK);
      ASSERT_EQ(page->SetObjects(1, edited), S_OK);
      ASSERT_EQ(page->Activate(&frame, &rect, FALSE), S_OK);
      QPointer<QWidget> dialog = frame.findChild<QWidget*>();
      // The host's code runs once from inside the box, as from the box's event loop.
      prompts->Answer(ui::vbOK);
      bool ran = false;
      prompts->SetOnShown([&](const ui::test::ShownPrompt&) {
        if (std::exchange(ran, true)) return;
        if (h.deactivate) {
          EXPECT_EQ(page->Deactivate(), S_OK);
          EXPECT_TRUE(dialog && dialog->isHidden());
          EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
        }
        if (h.release) page->Release();
      });
      MSG f1{nullptr, WM_KEYDOWN, VK_F1, 0};
      EXPECT_EQ(page->TranslateAccelerator(&f1), S_OK);
      ASSERT_FALSE(prompts->Shown().isEmpty());
      const QString shown = prompts->Last().text;
      EXPECT_TRUE(shown.startsWith(QStringLiteral("QVProp Help is not installed beside the library"))) << shown.toStdString();
      EXPECT_TRUE(shown.contains(noHelp)) << shown.toStdString();
      QApplication::sendPostedEvents();
      EXPECT_TRUE(dialog.isNull());
      EXPECT_TRUE(frame.findChildren<QWidget*>().isEmpty());
      if (!h.release) {
        EXPECT_EQ(page->Activate(&frame, &rect, FALSE), S_OK);
        EXPECT_EQ(frame.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1);
        page->Release();
      }
      EXPECT_EQ(com::ObjectTable::Objects(), objects);
    }
  }
  SetLibraryHelpFolder({});
}

TEST(PageMessages, LoadedMessagesAreFilledInOnce) {
  struct Case {
    UINT id;
    std::initializer_list<const char*> args;
    const char* expected;
    bool found;
  };
  const Case cases[] = {
      {kStrErrorLoadingFile, {}, "Error Loading File", true},
      {kMsgVersionValueMissing,
       {"1", "Base", "|1"},
       "Version 1 of Base has no value \"|1\".",
       true},
      {kMsgVersionValueMissing, {"1"}, "Version 1 of |2 has no value \"|3\".", true},
      {9999, {"x"}, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    CPageString text("old");
    EXPECT_EQ(LoadPageMessage(c.id, text, c.args), c.found);
    EXPECT_STREQ(text.Text(), c.expected);
  }
}

TEST(PageMessages, LoadErrorsShowTheirTextUnderTheLoadingCaption) {
  ui::test::ScopedFakePrompts prompts;
  prompts->Expect(QStringLiteral("Cannot read \u00e9t\u00e9.png"));
  ShowLoadErrorBox(CPageString("Cannot read \xe9t\xe9.png"));
  ASSERT_EQ(prompts->Shown().size(), 1);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Error Loading File"));
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  EXPECT_TRUE(prompts->Unexpected().isEmpty());
}

TEST(PageMessages, VersionKeyStringsAreReadOrReported) {
  testenv::ScopedEnv env{"STOVREL_REGISTRY_DIR", testenv::NewTempDir(QStringLiteral("qvp-ver"))};
  CPageString value;
  CPageString error;
  EXPECT_EQ(ReadVersionKeyString("HelpFileDir", value, &error), E_FAIL);
  EXPECT_STREQ(error.Text(), PageStringText(kMsgVersionKeyMissing));

  HKEY key{};
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Quorvane.PropertyPages\\Version1", &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ReadVersionKeyString("HelpFileDir", value, &error), E_FAIL);
  EXPECT_STREQ(error.Text(),
               "Version 1 of Quorvane.PropertyPages has no value \"HelpFileDir\".");
  EXPECT_EQ(ReadVersionKeyString("HelpFileDir", value), E_FAIL);

  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Quorvane.PropertyPages\\Version1\\HelpFileDir", &key),
            ERROR_SUCCESS);
  // A value longer than the 260 bytes read is refused, not cut.
  const std::string dir(300, 'd');
  ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                           static_cast<DWORD>(dir.size() + 1)),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadVersionKeyString("HelpFileDir", value), E_FAIL);
  const char shortDir[] = "/opt/help";
  ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(shortDir),
                           sizeof shortDir),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ReadVersionKeyString("HelpFileDir", value), S_OK);
  EXPECT_STREQ(value.Text(), "/opt/help");
}

}  // namespace
}  // namespace qvp
