#include "platform/automation/ListBarAutomation.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/com/Enum.h"
#include "platform/com/Memory.h"
#include "platform/com/Picture.h"
#include "platform/controls/ListBarControl.h"
#include "platform/controls/ListBarModel.h"
#include "tests/platform/com/RecordingSink.h"

namespace ctl {
namespace {

using com::Ref;
using com::Variant;

using comtest::RecordingSink;

Ref<IDispatch> Member(IDispatch* object, const QString& name) {
  Variant v;
  EXPECT_EQ(com::GetProperty(object, com::IdOfName(object, name), v), S_OK) << name.toStdString();
  if (v.Type() != VT_DISPATCH) return {};
  return Ref<IDispatch>(v.Get().pdispVal);
}

QString Text(IDispatch* object, const QString& name) {
  Variant v;
  EXPECT_EQ(com::GetProperty(object, com::IdOfName(object, name), v), S_OK) << name.toStdString();
  return v.ToString();
}

HRESULT Call(IDispatch* object, const QString& name, std::vector<Variant> args,
             Variant* result = nullptr) {
  return com::CallMember(object, com::IdOfName(object, name), DISPATCH_METHOD, args, result);
}

// What an enumerator yields, as the members' texts of one property.
std::vector<QString> Enumerate(IDispatch* collection, const QString& property) {
  Variant e;
  EXPECT_EQ(com::GetProperty(collection, DISPID_NEWENUM, e), S_OK);
  std::vector<QString> out;
  if (e.Type() != VT_UNKNOWN) return out;
  auto items = com::QueryAs<IEnumVARIANT>(e.Get().punkVal, IID_IEnumVARIANT);
  com::ForEachItem(items.get(), [&](const VARIANT& item) {
    out.push_back(item.vt == VT_DISPATCH ? Text(item.pdispVal, property) : QString());
    return true;
  });
  return out;
}

class ListBarAutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& work = model_.Groups().Add(0, QStringLiteral("work"), QStringLiteral("Work"));
    work.ListItems().Add(0, QStringLiteral("inbox"), QStringLiteral("Inbox"));
    work.ListItems().Add(0, QStringLiteral("sent"), QStringLiteral("Sent"));
    model_.Groups().Add(0, QStringLiteral("home"), QStringLiteral("Home"));
    model_.Tabs().Add(0, QStringLiteral("t1"), QStringLiteral("First"));
    model_.Tabs().Add(0, QStringLiteral("t2"), QStringLiteral("Second"));
    model_.SetDirty(false);
  }
  IDispatch* Control() { return host_.Object(); }

  // A recording sink advised on the control's notification point (cookie 0 on failure).
  struct Advised {
    Ref<IConnectionPoint> point;
    Ref<IPropertyNotifySink> sink;
    DWORD cookie = 0;
    std::vector<DISPID>& Changed() { return static_cast<RecordingSink*>(sink.get())->changed; }
  };
  Advised Advise() {
    Advised a;
    auto points = com::QueryAs<IConnectionPointContainer>(Control(), IID_IConnectionPointContainer);
    if (points) points->FindConnectionPoint(IID_IPropertyNotifySink, a.point.Out());
    a.sink = com::Create<RecordingSink, IPropertyNotifySink>(IID_IPropertyNotifySink);
    if (a.point && FAILED(a.point->Advise(a.sink.get(), &a.cookie))) a.cookie = 0;
    return a;
  }

  ListBarModel model_;
  ListBarAutomationHost host_{model_};
};

TEST_F(ListBarAutomationTest, TypeInformationListsThePropertiesAndNamesTheHelpFile) {
  Ref<ITypeInfo> info;
  ASSERT_EQ(Control()->GetTypeInfo(0, 0x400, info.Out()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, IID_DListBar);
  EXPECT_EQ(attr->cVars, 11);
  BSTR help = nullptr;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, nullptr, nullptr, nullptr, &help), S_OK);
  EXPECT_EQ(com::ToQString(help), QString::fromUtf16(kListBarHelpFile));
  SysFreeString(help);
  Ref<IUnknown> face;
  EXPECT_EQ(Control()->QueryInterface(IID_DListBar, face.OutVoid()), S_OK);
}

TEST_F(ListBarAutomationTest, TheAnimatedPictureAndItsFramesReachTheModel) {
  Variant empty;
  ASSERT_EQ(com::GetProperty(Control(), kDispidAnimatedPicture, empty), S_OK);
  auto none = com::QueryAs<IPicture>(empty.Get().pdispVal, IID_IPicture);
  SHORT type = -1;
  ASSERT_TRUE(none);
  none->get_Type(&type);
  EXPECT_EQ(type, PICTYPE_NONE);

  QImage strip(30, 10, QImage::Format_RGB32);
  strip.fill(qRgb(10, 20, 30));
  PICTDESC desc;
  desc.picType = PICTYPE_BITMAP;
  desc.image = &strip;
  Ref<IDispatch> picture;
  ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.OutVoid()), S_OK);
  EXPECT_EQ(com::PutProperty(Control(), kDispidAnimatedPicture, Variant::Dispatch(picture.get())), S_OK);
  EXPECT_EQ(model_.Picture().size(), QSize(30, 10));
  struct Case {
    Variant value;
    bool taken;
    int frames;
  };
  const Case cases[] = {{Variant::I2(3), true, 3}, {Variant::I2(0), true, 0}, {Variant::I2(-1), false, 0},
                        {Variant::Text(QStringLiteral("x")), false, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(SUCCEEDED(com::PutProperty(Control(), kDispidAnimatedPictureFrames, c.value)), c.taken);
    EXPECT_EQ(model_.PictureFrames(), c.frames);
  }
  EXPECT_EQ(com::PutProperty(Control(), kDispidAnimatedPicture, Variant::I4(5)), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(model_.IsDirty());
}

TEST_F(ListBarAutomationTest, PropertiesReadAndWriteTheModel) {
  Ref<IDispatch> groups = Member(Control(), QStringLiteral("Groups"));
  ASSERT_TRUE(groups);
  Variant group;
  ASSERT_EQ(Call(groups.get(), QStringLiteral("Item"), {Variant::I4(1)}, &group), S_OK);
  IDispatch* work = group.Get().pdispVal;
  Ref<IDispatch> items = Member(work, QStringLiteral("ListItems"));
  Variant item;
  ASSERT_EQ(Call(items.get(), QStringLiteral("Item"), {Variant::Text(QStringLiteral("sent"))},
                 &item),
            S_OK);
  IDispatch* sent = item.Get().pdispVal;
  struct Case {
    IDispatch* object;
    const char* name;
    Variant value;
    HRESULT expected;
    std::function<QString()> inModel;
  };
  const std::vector<Case> cases = {
      {work, "Caption", Variant::Text(QStringLiteral("Office")), S_OK,
       [&] { return model_.Groups().Item(1).Caption(); }},
      {sent, "Caption", Variant::Text(QStringLiteral("Outbox")), S_OK,
       [&] { return model_.FindItem(QStringLiteral("sent"))->Caption(); }},
      {sent, "Text", Variant::I4(42), S_OK,
       [&] { return model_.FindItem(QStringLiteral("sent"))->Text(); }},
      {Control(), "CurrentGroup", Variant::Text(QStringLiteral("2")), S_OK,
       [&] { return QString::number(model_.CurrentGroup()); }},
      // The model's refusal reaches the caller as an exception, the value unchanged.
      {Control(), "CurrentGroup", Variant::I2(9), DISP_E_EXCEPTION,
       [&] { return QString::number(model_.CurrentGroup()); }},
      {work, "Index", Variant::I2(5), DISP_E_MEMBERNOTFOUND,
       [&] { return QString::number(model_.Groups().Item(1).Index()); }},
  };
  const QString expected[] = {"Office", "Outbox", "42", "2", "2", "1"};
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    const DISPID id = com::IdOfName(c.object, QString::fromLatin1(c.name));
    ASSERT_NE(id, DISPID_UNKNOWN);
    const HRESULT hr = com::PutProperty(c.object, id, c.value);
    if (c.expected == DISP_E_MEMBERNOTFOUND)
      EXPECT_TRUE(FAILED(hr));
    else
      EXPECT_EQ(hr, c.expected);
    EXPECT_EQ(c.inModel(), expected[i]);
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(Text(c.object, QString::fromLatin1(c.name)), expected[i]);
    }
  }
  EXPECT_TRUE(model_.IsDirty());
  EXPECT_EQ(Text(sent, QStringLiteral("Index")), QStringLiteral("2"));
}

TEST_F(ListBarAutomationTest, CollectionsAddRemoveAndEnumerate) {
  Ref<IDispatch> groups = Member(Control(), QStringLiteral("Groups"));
  Ref<IDispatch> tabs = Member(Control(), QStringLiteral("Tabs"));
  Variant g1;
  ASSERT_EQ(Call(groups.get(), QStringLiteral("Item"), {Variant::I4(1)}, &g1), S_OK);
  Ref<IDispatch> items = Member(g1.Get().pdispVal, QStringLiteral("ListItems"));
  struct Case {
    IDispatch* collection;
    std::vector<QString> before;
    std::vector<QString> afterAdd;
    std::vector<QString> afterRemove;  // position 1 removed
  };
  const Case cases[] = {
      {groups.get(), {"Work", "Home"}, {"Work", "Home", ""}, {"Home", ""}},
      {tabs.get(), {"First", "Second"}, {"First", "Second", ""}, {"Second", ""}},
      {items.get(), {"Inbox", "Sent"}, {"Inbox", "Sent", ""}, {"Sent", ""}},
  };
  // The items collection goes last: removing group 1 before would orphan it.
  for (const Case& c : {cases[2], cases[1], cases[0]}) {
    EXPECT_EQ(Enumerate(c.collection, QStringLiteral("Caption")), c.before);
    Variant added;
    ASSERT_EQ(Call(c.collection, QStringLiteral("InternalAdd"), {Variant::I2(-1)}, &added), S_OK);
    ASSERT_EQ(added.Type(), VT_DISPATCH);
    EXPECT_EQ(Text(added.Get().pdispVal, QStringLiteral("Index")), QStringLiteral("3"));
    EXPECT_EQ(Enumerate(c.collection, QStringLiteral("Caption")), c.afterAdd);
    EXPECT_EQ(Call(c.collection, QStringLiteral("Remove"), {Variant::I2(1)}), S_OK);
    EXPECT_EQ(Enumerate(c.collection, QStringLiteral("Caption")), c.afterRemove);
    EXPECT_EQ(Text(added.Get().pdispVal, QStringLiteral("Index")), QStringLiteral("2"));
    EXPECT_EQ(Call(c.collection, QStringLiteral("Remove"), {Variant::I2(7)}), DISP_E_EXCEPTION);
    Variant count;
    ASSERT_EQ(com::GetProperty(c.collection, com::IdOfName(c.collection, QStringLiteral("Count")),
                               count),
              S_OK);
    EXPECT_EQ(count.ToString(), QStringLiteral("2"));
  }
  // The first group is gone: its list-item collection and member objects refuse calls.
  Variant count;
  EXPECT_EQ(com::GetProperty(items.get(), com::IdOfName(items.get(), QStringLiteral("Count")),
                             count),
            DISP_E_EXCEPTION);
  EXPECT_EQ(com::GetProperty(g1.Get().pdispVal, com::IdOfName(g1.Get().pdispVal,
                                                              QStringLiteral("Caption")),
                             count),
            DISP_E_EXCEPTION);
}

TEST_F(ListBarAutomationTest, ImageListsAddClearAndEnumerate) {
  Ref<IDispatch> icons = Member(Control(), QStringLiteral("SmallIcons"));
  ASSERT_TRUE(icons);
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::red);
  PICTDESC desc;
  desc.picType = PICTYPE_BITMAP;
  desc.image = &image;
  Ref<IDispatch> picture;
  ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.OutVoid()), S_OK);
  struct Case {
    Variant index;
    Variant key;
    Variant picture;
    HRESULT expected;
  };
  const Case cases[] = {
      {Variant::Missing(), Variant::Text(QStringLiteral("a")), Variant::Dispatch(picture.get()),
       S_OK},
      {Variant::I4(2), Variant::Text(QStringLiteral("b")), Variant::Dispatch(picture.get()), S_OK},
      {Variant::I4(7), Variant::Text(QStringLiteral("c")), Variant::Dispatch(picture.get()),
       DISP_E_BADINDEX},
      {Variant::Missing(), Variant::Text(QStringLiteral("d")), Variant::I4(1), DISP_E_TYPEMISMATCH},
      {Variant::Missing(), Variant::Text(QStringLiteral("a")), Variant::Dispatch(picture.get()),
       DISP_E_EXCEPTION},  // key taken
  };
  for (const Case& c : cases) {
    Variant added;
    EXPECT_EQ(Call(icons.get(), QStringLiteral("Add"), {c.index, c.key, c.picture}, &added),
              c.expected)
        << c.key.ToString().toStdString();
  }
  EXPECT_EQ(Enumerate(icons.get(), QStringLiteral("Key")), (std::vector<QString>{"a", "b"}));
  Variant first;
  ASSERT_EQ(Call(icons.get(), QStringLiteral("Item"), {Variant::I4(1)}, &first), S_OK);
  Ref<IDispatch> back = Member(first.Get().pdispVal, QStringLiteral("Picture"));
  auto pic = com::QueryAs<IPicture>(back.get(), IID_IPicture);
  ASSERT_TRUE(pic);
  QImage pixels;
  ASSERT_EQ(pic->GetImage(&pixels), S_OK);
  EXPECT_EQ(pixels.size(), QSize(16, 16));
  EXPECT_EQ(Call(icons.get(), QStringLiteral("Clear"), {}), S_OK);
  EXPECT_EQ(model_.SmallIcons().Count(), 0);
  Variant key;
  EXPECT_EQ(com::GetProperty(first.Get().pdispVal, kDispidKey, key), DISP_E_EXCEPTION);
}

TEST_F(ListBarAutomationTest, FaceOwnPropertiesAreCheckedStoredAndReported) {
  Advised advised = Advise();
  ASSERT_NE(advised.cookie, 0u);
  Ref<IConnectionPoint>& point = advised.point;
  const DWORD cookie = advised.cookie;
  auto& changed = advised.Changed();
  struct Case {
    const char* name;
    DISPID id;
    Variant initial;
    Variant put;
    HRESULT result;
    Variant after;
  };
  const Case cases[] = {
      {"colour", kDispidBackColor, Variant::UI4(0x80000005), Variant::I4(255), S_OK,
       Variant::UI4(255)},
      {"flag", kDispidEnabled, Variant::Bool(true), Variant::Text(QStringLiteral("False")), S_OK,
       Variant::Bool(false)},
      {"enumeration", kDispidAppearance, Variant::I4(kAppearance3D), Variant::I4(kAppearanceFlat),
       S_OK, Variant::I4(kAppearanceFlat)},
      {"enumeration out of range", kDispidAppearance, Variant::I4(kAppearanceFlat),
       Variant::I4(7), DISP_E_EXCEPTION, Variant::I4(kAppearanceFlat)},
      {"text", kDispidTag, Variant::Text(QString()), Variant::Text(QStringLiteral("t")), S_OK,
       Variant::Text(QStringLiteral("t"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Variant value;
    ASSERT_EQ(com::GetProperty(Control(), c.id, value), S_OK);
    EXPECT_EQ(value.ToString(), c.initial.ToString());
    changed.clear();
    model_.SetDirty(false);
    EXPECT_EQ(com::PutProperty(Control(), c.id, c.put), c.result);
    ASSERT_EQ(com::GetProperty(Control(), c.id, value), S_OK);
    EXPECT_EQ(value.ToString(), c.after.ToString());
    EXPECT_EQ(changed, SUCCEEDED(c.result) ? std::vector<DISPID>{c.id} : std::vector<DISPID>{});
    EXPECT_EQ(model_.IsDirty(), SUCCEEDED(c.result));
  }
  point->Unadvise(cookie);
}

TEST_F(ListBarAutomationTest, ChangesReachAnAdvisedSinkByDispid) {
  Advised advised = Advise();
  ASSERT_NE(advised.cookie, 0u);
  Ref<IConnectionPoint>& point = advised.point;
  const DWORD cookie = advised.cookie;
  auto& changed = advised.Changed();
  Ref<IDispatch> large = Member(Control(), QStringLiteral("LargeIcons"));
  auto batch = com::QueryAs<IListBarImageBatch>(large.get(), IID_IListBarImageBatch);
  ASSERT_TRUE(batch);
  struct Case {
    const char* name;
    std::function<void()> change;
    std::vector<DISPID> expected;
  };
  const std::vector<Case> cases = {
      {"caption", [&] { model_.Groups().Item(2).SetCaption(QStringLiteral("x")); },
       {kDispidGroups}},
      {"item text", [&] { model_.FindItem(QStringLiteral("inbox"))->SetText(QStringLiteral("t")); },
       {kDispidGroups}},
      {"current tab", [&] { model_.SetCurrentTab(2); }, {kDispidCurrentTabChanged}},
      {"tab removed", [&] { model_.Tabs().Remove(1); }, {kDispidTabs, kDispidCurrentTabChanged}},
      {"batched image changes, reported once at the end",
       [&] {
         batch->BeginUpdate();
         model_.LargeIcons().SetBackColor(0xFF);
         model_.LargeIcons().SetImageSize(20, 20);
         EXPECT_TRUE(changed.empty());
         batch->EndUpdate();
       },
       {kDispidLargeIcons}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    changed.clear();
    c.change();
    EXPECT_EQ(changed, c.expected);
  }
  EXPECT_EQ(batch->EndUpdate(), E_UNEXPECTED);
  ASSERT_EQ(point->Unadvise(cookie), S_OK);
  changed.clear();
  model_.Groups().Item(1).SetCaption(QStringLiteral("y"));
  EXPECT_TRUE(changed.empty());
}

TEST_F(ListBarAutomationTest, PrivateInterfacesAnswerForTheirProperties) {
  auto strings = com::QueryAs<IListBarPropertyStrings>(Control(), IID_IListBarPropertyStrings);
  auto custom = com::QueryAs<IListBarCustomEnum>(Control(), IID_IListBarCustomEnum);
  auto tab = com::QueryAs<IListBarCurrentTab>(Control(), IID_IListBarCurrentTab);
  auto lists = com::QueryAs<IListBarImageLists>(Control(), IID_IListBarImageLists);
  ASSERT_TRUE(strings && custom && tab && lists);

  ULONG count = 0;
  LPOLESTR* texts = nullptr;
  ASSERT_EQ(strings->GetPredefinedStrings(kDispidCurrentGroup, &count, &texts), S_OK);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(QString::fromUtf16(texts[1]), QStringLiteral("Home"));
  for (ULONG i = 0; i < count; ++i) CoTaskMemFree(texts[i]);
  CoTaskMemFree(texts);
  EXPECT_EQ(strings->GetPredefinedStrings(kDispidTabs, &count, &texts), E_INVALIDARG);
  const Variant two = Variant::I4(2);
  EXPECT_EQ(strings->SetPredefinedValue(kDispidCurrentGroup, &two.Get()), S_OK);
  LONG value = 0;
  EXPECT_EQ(custom->GetEnumValue(kDispidCurrentGroup, &value), S_OK);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(custom->GetEnumBase(kDispidCurrentGroup, &value), S_OK);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(custom->SetEnumValue(kDispidCurrentGroup, 3), E_INVALIDARG);

  SHORT current = 0;
  EXPECT_EQ(tab->SetCurrentTab(2), S_OK);
  EXPECT_EQ(tab->GetCurrentTab(&current), S_OK);
  EXPECT_EQ(current, 2);
  EXPECT_EQ(tab->SetCurrentTab(0), E_INVALIDARG);

  DISPID ids[4] = {};
  ULONG written = 0;
  EXPECT_EQ(lists->GetImageListIds(1, ids, &written), S_OK);
  EXPECT_EQ(written, 1u);  // never past the caller's capacity
  EXPECT_EQ(lists->GetImageListIds(4, ids, &written), S_OK);
  EXPECT_EQ(written, 2u);
  LONG width = 0;
  EXPECT_EQ(lists->GetImageWidth(ids[1], &width), S_OK);
  EXPECT_EQ(width, model_.SmallIcons().ImageWidth());
  EXPECT_EQ(lists->GetImageWidth(kDispidGroups, &width), E_INVALIDARG);

  auto persist = com::QueryAs<IPersistStreamInit>(Control(), IID_IPersistStreamInit);
  auto ole = com::QueryAs<IOleObject>(Control(), IID_IOleObject);
  ASSERT_TRUE(persist && ole);
  model_.SetDirty(false);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  EXPECT_EQ(ole->DoVerb(kVerbConfigureToolBars, nullptr, nullptr, 0, nullptr, nullptr), E_NOTIMPL);
  host_.SetToolBarConfigurator([&] { model_.SetDirty(true); });
  EXPECT_EQ(ole->DoVerb(kVerbConfigureToolBars, nullptr, nullptr, 0, nullptr, nullptr), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_OK);
}

TEST(ListBarAutomationHost, ObjectsOutlivingTheModelRefuseCalls) {
  Ref<IDispatch> control;
  Ref<IDispatch> groups;
  {
    ListBarModel model;
    model.Groups().Add();
    ListBarAutomationHost host(model);
    control = Ref<IDispatch>(host.Object());
    groups = Member(control.get(), QStringLiteral("Groups"));
  }
  Variant v;
  EXPECT_EQ(com::GetProperty(control.get(), kDispidCurrentGroup, v), DISP_E_EXCEPTION);
  EXPECT_EQ(com::GetProperty(groups.get(), kDispidCount, v), DISP_E_EXCEPTION);
  auto tab = com::QueryAs<IListBarCurrentTab>(control.get(), IID_IListBarCurrentTab);
  SHORT current = 0;
  EXPECT_EQ(tab->GetCurrentTab(&current), E_UNEXPECTED);
}

TEST(ListBarAutomationHost, AHostBesideAControlEditsItsModelAndIsCutOffWithIt) {
  Ref<IDispatch> object;
  {
    ListBarControl control;
    control.Model().Groups().Add(0, QStringLiteral("g"), QStringLiteral("Group"));
    ListBarAutomationHost host(control.Model());
    object = Ref<IDispatch>(host.Object());
    ASSERT_TRUE(object);
    EXPECT_EQ(com::PutProperty(object.get(), kDispidCurrentGroup, Variant::I2(1)), S_OK);
    EXPECT_EQ(control.Model().CurrentGroup(), 1);
  }
  Variant v;
  EXPECT_EQ(com::GetProperty(object.get(), kDispidCurrentGroup, v), DISP_E_EXCEPTION);
}

}  // namespace
}  // namespace ctl
