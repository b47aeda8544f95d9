// The property browser as a host drives it: pages created from the page table, sited,
// given one or two list bars, activated offscreen, edited through the list and applied.

#include "proppages/PropertyBrowserPage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <memory>

#include "platform/automation/ListBarAutomation.h"
#include "platform/com/Enum.h"
#include "platform/com/PageSite.h"
#include "platform/controls/ListBarModel.h"
#include "platform/ui/testing/TestPrompts.h"
#include "proppages/PageTable.h"
#include "tests/proppages/PageHost.h"

namespace qvp {
namespace {

using com::Ref;
using com::Variant;

// One list bar with two groups (the first with two items) and its automation face.
struct Bar {
  explicit Bar(const QString& tag = {}) {
    ctl::ListBarGroup& g = model.Groups().Add(0, QStringLiteral("g1"), QStringLiteral("Files"));
    g.ListItems().Add(0, QStringLiteral("i1"), QStringLiteral("Open"));
    g.ListItems().Add(0, QStringLiteral("i2"), QStringLiteral("Save"));
    model.Groups().Add(0, QStringLiteral("g2"), QStringLiteral("Tools"));
    model.SetCurrentGroup(1);
    model.LargeIcons().Add(QStringLiteral("k"), QImage(16, 16, QImage::Format_RGB32));
    if (!tag.isEmpty()) Put(ctl::kDispidTag, Variant::Text(tag));
  }
  IDispatch* Object() const { return face.Object(); }
  Variant Get(DISPID id) const {
    Variant v;
    EXPECT_EQ(com::GetProperty(Object(), id, v), S_OK);
    return v;
  }
  void Put(DISPID id, const Variant& v) const { ASSERT_EQ(com::PutProperty(Object(), id, v), S_OK); }

  ctl::ListBarModel model;
  ctl::ListBarAutomationHost face{model};
};

struct NoHost final : RowHost {
  void ExpansionChanged(CListBoxItem&) override {}
  void MarkDirty() override { ++dirty; }
  void RunValueDialog(const std::function<void()>& run) override { run(); }
  QWidget* DialogOwner() override { return nullptr; }
  int dirty = 0;
};

// A host frame with one browser page.
class Host {
 public:
  explicit Host(int pageIndex) {
    EXPECT_EQ(PageObjectTable[pageIndex].create(nullptr, IID_IPropertyPage, page_.OutVoid()), S_OK);
    site_ = com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite);
    page_->SetPageSite(site_.get());
  }
  ~Host() {
    if (active_) page_->Deactivate();
    page_->SetObjects(0, nullptr);
    page_->SetPageSite(nullptr);
  }
  HRESULT Show(std::vector<IUnknown*> objects) {
    const HRESULT hr = page_->SetObjects(static_cast<ULONG>(objects.size()), objects.data());
    if (FAILED(hr) || active_) return hr;
    const RECT rect{0, 0, 360, 300};
    active_ = true;
    return page_->Activate(&frame_, &rect, FALSE);
  }
  IPropertyPage* Page() const { return page_.get(); }
  PropertyListView* List() { return frame_.findChild<PropertyListView*>(QStringLiteral("id1000")); }

  // Names as listed, in order.
  QStringList Names() { return test::RowNames(List()); }
  int IndexOf(const QString& name) {
    const int at = static_cast<int>(Names().indexOf(name));
    EXPECT_GE(at, 0) << name.toStdString();
    return at;
  }
  CListBoxItem* Row(const QString& name) { return List()->Model().Row(IndexOf(name)); }
  // The row's default action, as a double click on it runs it.
  void DoubleClick(const QString& name) {
    const QRect r = List()->visualRect(List()->Model().index(IndexOf(name), 0));
    QMouseEvent press(QEvent::MouseButtonDblClick, r.center(), List()->viewport()->mapToGlobal(r.center()),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List()->viewport(), &press);
  }
  void Expand(const QString& name) {
    List()->setCurrentIndex(List()->Model().index(IndexOf(name), 1));
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(List(), &right);
  }
  // Types a text into the in-place editor and commits it with Enter.
  void Type(const QString& name, const QString& text) { test::EditRow(List(), name.toUtf8().constData(), text); }
  // Picks an entry of the drop-down list.
  void Pick(const QString& name, const QString& entry) {
    const QModelIndex at = List()->Model().index(IndexOf(name), 1);
    List()->setCurrentIndex(at);
    List()->edit(at);
    auto* combo = List()->findChild<QComboBox*>(QStringLiteral("id127"));
    ASSERT_NE(combo, nullptr) << name.toStdString();
    const int i = combo->findText(entry);
    ASSERT_GE(i, 0) << entry.toStdString();
    combo->setCurrentIndex(i);
    emit combo->activated(i);
    List()->setFocus();
    List()->closePersistentEditor(at);
    Settle();
  }

  // Closed editors are deleted, so the next edit finds its own.
  static void Settle() {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

 private:
  Ref<IPropertyPage> page_;
  Ref<IPropertyPageSite> site_;
  QWidget frame_;
  bool active_ = false;
};

TEST(PropertyBrowser, OneControlListsEachReadablePropertyInItsRowKind) {
  Bar bar;
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  EXPECT_EQ(host.Names(), (QStringList{"Appearance", "BackColor", "CurrentGroup", "Enabled",
                                       "Groups", "LargeIcons", "Picture", "PictureFrames",
                                       "SmallIcons", "Tabs", "Tag"}));
  struct Case {
    const char* name;
    const char* kind;
    const char* value;
  };
  const Case cases[] = {
      {"Appearance", "CEnumProperty", "1 - lb3D"},   {"BackColor", "CColorProperty", "&H80000005&"},
      {"CurrentGroup", "CProperty", "1"},            {"Enabled", "CBoolProperty", "True"},
      {"Groups", "CCollectionProperty", ""},         {"Tag", "CProperty", ""},
      {"LargeIcons", "CCollectionProperty", ""},     {"Picture", "CPictureProperty", "(None)"},
      {"PictureFrames", "CProperty", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CListBoxItem* row = host.Row(QString::fromLatin1(c.name));
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->ClassName(), c.kind);
    EXPECT_EQ(row->valueText, QString::fromLatin1(c.value));
  }
  // Reading the properties called no method: the image list still holds its picture.
  EXPECT_EQ(bar.model.LargeIcons().Count(), 1);
  EXPECT_EQ(host.Page()->IsPageDirty(), S_FALSE);
}

TEST(PropertyBrowser, EditsMarkTheRowsAndApplyWritesThem) {
  Bar bar;
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  host.Type(QStringLiteral("Tag"), QStringLiteral("toolbox"));
  host.Type(QStringLiteral("BackColor"), QStringLiteral("255"));
  host.Pick(QStringLiteral("Appearance"), QStringLiteral("0 - lbFlat"));
  host.DoubleClick(QStringLiteral("Enabled"));
  struct Case {
    const char* name;
    const char* shown;
    DISPID id;
    Variant written;
  };
  const Case cases[] = {
      {"Tag", "toolbox", ctl::kDispidTag, Variant::Text(QStringLiteral("toolbox"))},
      {"BackColor", "&H000000FF&", ctl::kDispidBackColor, Variant::UI4(0xFF)},
      {"Appearance", "0 - lbFlat", ctl::kDispidAppearance, Variant::I4(ctl::kAppearanceFlat)},
      {"Enabled", "False", ctl::kDispidEnabled, Variant::Bool(false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(host.Row(QString::fromLatin1(c.name))->modified);
    EXPECT_EQ(host.Row(QString::fromLatin1(c.name))->valueText, QString::fromLatin1(c.shown));
    EXPECT_EQ(host.List()->Model().data(host.List()->Model().index(host.IndexOf(c.name), 0),
                                        Qt::DisplayRole),
              QString::fromLatin1(c.name) + " *");
  }
  EXPECT_EQ(host.Page()->IsPageDirty(), S_OK);
  EXPECT_EQ(host.Page()->Apply(), S_OK);
  EXPECT_EQ(host.Page()->IsPageDirty(), S_FALSE);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bar.Get(c.id).ToString(), c.written.ToString());
    EXPECT_FALSE(host.Row(QString::fromLatin1(c.name))->modified);
  }
  EXPECT_TRUE(bar.model.IsDirty());
}

TEST(PropertyBrowser, CommittingTheShownValueLeavesThePageClean) {
  Bar bar;
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  host.Type(QStringLiteral("BackColor"), QStringLiteral("2147483653"));  // &H80000005&
  host.Type(QStringLiteral("CurrentGroup"), QStringLiteral("1"));
  host.Type(QStringLiteral("Tag"), QString());
  host.Pick(QStringLiteral("Appearance"), QStringLiteral("1 - lb3D"));
  host.Pick(QStringLiteral("Enabled"), QStringLiteral("True"));
  for (const char* name : {"BackColor", "CurrentGroup", "Tag", "Appearance", "Enabled"})
    EXPECT_FALSE(host.Row(QString::fromLatin1(name))->modified) << name;
  EXPECT_EQ(host.Page()->IsPageDirty(), S_FALSE);
}

TEST(PropertyBrowser, ChangeNotificationsUpdateTheRows) {
  Bar bar;
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  bar.Put(ctl::kDispidTag, Variant::Text(QStringLiteral("outside")));
  EXPECT_EQ(host.Row(QStringLiteral("Tag"))->valueText, "outside");
  // A collection change rebuilds the collection's rows; the open rows stay open and
  // the current row is found again.
  host.Expand(QStringLiteral("Groups"));
  host.Expand(QStringLiteral("Groups(1)"));
  host.List()->setCurrentIndex(host.List()->Model().index(host.IndexOf("Caption"), 1));
  bar.model.Groups().Item(1).SetCaption(QStringLiteral("Documents"));
  QApplication::processEvents();
  EXPECT_EQ(host.Row(QStringLiteral("Caption"))->valueText, "Documents");
  EXPECT_EQ(host.List()->CurrentRow()->name, "Caption");
  EXPECT_EQ(host.Page()->IsPageDirty(), S_FALSE);
}

TEST(PropertyBrowser, CollectionsExpandIntoMembersAndTheirProperties) {
  Bar bar;
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  const int rows = static_cast<int>(host.Names().size());
  host.Expand(QStringLiteral("Groups"));
  EXPECT_EQ(host.Names().mid(host.IndexOf("Groups") + 1, 2), (QStringList{"Groups(1)", "Groups(2)"}));
  host.Expand(QStringLiteral("Groups(1)"));
  const int member = host.IndexOf("Groups(1)");
  EXPECT_EQ(host.Names().mid(member + 1, 3), (QStringList{"Index", "Caption", "ListItems"}));
  host.Expand(QStringLiteral("ListItems"));
  EXPECT_EQ(host.Names().mid(host.IndexOf("ListItems") + 1, 2),
            (QStringList{"ListItems(1)", "ListItems(2)"}));
  host.Expand(QStringLiteral("ListItems(2)"));
  EXPECT_EQ(host.Row(QStringLiteral("Text"))->level, 4);
  auto* groups = dynamic_cast<CCollectionProperty*>(host.Row(QStringLiteral("Groups")));
  ASSERT_NE(groups, nullptr);
  // Groups(1), its 3 rows, ListItems(1), ListItems(2) and its 3 rows, Groups(2).
  EXPECT_EQ(groups->CountVisibleRows(), 10);
  // Collapsing and expanding again shows what was open before, counted afresh.
  host.List()->setCurrentIndex(host.List()->Model().index(host.IndexOf("Groups"), 1));
  QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
  QApplication::sendEvent(host.List(), &left);
  EXPECT_EQ(host.Names().size(), rows);
  host.Expand(QStringLiteral("Groups"));
  EXPECT_EQ(host.Names().size(), rows + 10);
}

TEST(PropertyBrowser, AnOpenedRowMovesUpWhenItsRowsDoNotFit) {
  Bar bar;
  for (int i = 0; i < 40; ++i) bar.model.Groups().Add(0, {}, QStringLiteral("G%1").arg(i));
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  host.List()->resize(300, 200);
  EXPECT_EQ(host.List()->rowAt(0), 0);
  host.Expand(QStringLiteral("Groups"));
  EXPECT_EQ(host.List()->rowAt(0), host.IndexOf("Groups"));
  EXPECT_EQ(host.List()->CurrentRow()->name, "Groups");
}

TEST(PropertyBrowser, TwoControlsShareRowsAndEachGetsTheWrites) {
  Bar first(QStringLiteral("one"));
  Bar second(QStringLiteral("two"));
  Host host(0);
  ASSERT_EQ(host.Show({first.Object(), second.Object()}), S_OK);
  auto* tag = dynamic_cast<CProperty*>(host.Row(QStringLiteral("Tag")));
  ASSERT_NE(tag, nullptr);
  EXPECT_TRUE(tag->mixed);
  EXPECT_EQ(host.List()->Model().data(host.List()->Model().index(host.IndexOf("Tag"), 1),
                                      Qt::DisplayRole),
            QString());
  // An empty editor on a mixed row changes nothing.
  host.Type(QStringLiteral("Tag"), QString());
  EXPECT_FALSE(tag->modified);
  host.Type(QStringLiteral("Tag"), QStringLiteral("both"));
  // A member row writes the member's property of the same member of each control.
  host.Expand(QStringLiteral("Groups"));
  host.Expand(QStringLiteral("Groups(2)"));
  host.Type(QStringLiteral("Caption"), QStringLiteral("Extras"));
  EXPECT_EQ(host.Page()->Apply(), S_OK);
  for (const Bar* bar : {&first, &second}) {
    EXPECT_EQ(bar->Get(ctl::kDispidTag).ToString(), "both");
    EXPECT_EQ(bar->model.Groups().Item(2).Caption(), "Extras");
    EXPECT_EQ(bar->model.Groups().Item(1).Caption(), "Files");
    EXPECT_EQ(bar->model.CurrentGroup(), 1);
  }
}

TEST(PropertyBrowser, OtherObjectsOfTheSameCountAreReadAgain) {
  Bar first(QStringLiteral("one"));
  Bar second(QStringLiteral("two"));
  Host host(0);
  ASSERT_EQ(host.Show({first.Object()}), S_OK);
  EXPECT_EQ(host.Row(QStringLiteral("Tag"))->valueText, "one");
  IUnknown* other[] = {second.Object()};
  // Read again: S_FALSE; the same object once more: E_FAIL, the rows kept.
  EXPECT_EQ(host.Page()->SetObjects(1, other), S_FALSE);
  EXPECT_EQ(host.Row(QStringLiteral("Tag"))->valueText, "two");
  EXPECT_EQ(host.Page()->SetObjects(1, other), E_FAIL);
  EXPECT_EQ(host.Row(QStringLiteral("Tag"))->valueText, "two");
  host.Type(QStringLiteral("Tag"), QStringLiteral("changed"));
  EXPECT_EQ(host.Page()->Apply(), S_OK);
  EXPECT_EQ(first.Get(ctl::kDispidTag).ToString(), "one");
  EXPECT_EQ(second.Get(ctl::kDispidTag).ToString(), "changed");
}

TEST(PropertyBrowser, AFailedWriteIsReportedAndTheRowReverts) {
  struct Case {
    const char* typed;
    const char* message;  // the start of it
  };
  // Refused by the control, in its own words; not a number at all.
  const Case cases[] = {{"9", "CurrentGroup : Invalid property value."},
                        {"big", "CurrentGroup : Invalid value."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ui::test::ScopedFakePrompts prompts;
    Bar bar;
    Host host(0);
    ASSERT_EQ(host.Show({bar.Object()}), S_OK);
    host.Type(QStringLiteral("CurrentGroup"), QString::fromLatin1(c.typed));
    prompts->ExpectContaining(QString::fromLatin1(c.message));
    EXPECT_EQ(host.Page()->Apply(), E_FAIL);
    EXPECT_EQ(prompts->Last().title, "Error Setting Property");
    EXPECT_EQ(host.Row(QStringLiteral("CurrentGroup"))->valueText, "1");
    EXPECT_EQ(bar.model.CurrentGroup(), 1);
    // Nothing is left to apply.
    EXPECT_EQ(host.Page()->IsPageDirty(), S_FALSE);
  }
}

TEST(PropertyBrowser, AFailureWithSeveralControlsAsksWhetherToGoOn) {
  struct Case {
    const char* name;
    int answer;
    int prompts;
  };
  const Case cases[] = {{"stop after the first", ui::vbNo, 1}, {"go on", ui::vbYes, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::test::ScopedFakePrompts prompts;
    Bar first;
    Bar second;
    Host host(0);
    ASSERT_EQ(host.Show({first.Object(), second.Object()}), S_OK);
    host.Type(QStringLiteral("CurrentGroup"), QStringLiteral("9"));
    prompts->Answer(c.answer).Answer(c.answer);
    EXPECT_EQ(host.Page()->Apply(), E_FAIL);
    ASSERT_EQ(prompts->Shown().size(), c.prompts);
    EXPECT_TRUE(prompts->Last().text.endsWith(
        "\n\nDo you wish to continue attempting to set this property for other controls?"));
    EXPECT_EQ(prompts->Last().buttons, ui::vbYesNo);
  }
}

TEST(PropertyBrowser, TheButtonOfAColourRowOpensTheColourDialog) {
  ui::test::ScopedFakeModalRunner runner;
  Bar bar;
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  runner->Then(QStringLiteral("107"), [](QDialog& d) {
    auto* list = d.findChild<QListWidget*>(QStringLiteral("1002"));
    const auto red = list->findItems(QStringLiteral("Red"), Qt::MatchExactly);
    ASSERT_EQ(red.size(), 1);
    emit list->itemDoubleClicked(red[0]);
  });
  host.List()->RunButton(host.IndexOf("BackColor"));
  EXPECT_EQ(runner->Ran(), QStringList{"107"});
  EXPECT_EQ(host.Row(QStringLiteral("BackColor"))->valueText, "&H000000FF&");
  EXPECT_EQ(host.Page()->IsPageDirty(), S_OK);
  ASSERT_EQ(host.Page()->Apply(), S_OK);
  EXPECT_EQ(bar.Get(ctl::kDispidBackColor).ToString(), "255");
}

TEST(PropertyBrowser, ObjectsWithoutTheListBarInterfaceAreRefused) {
  auto site = com::Create<com::FakePageSite, IUnknown>(IID_IUnknown);
  Host host(0);
  EXPECT_EQ(host.Show({site.get()}), E_ACCESSDENIED);
  EXPECT_TRUE(host.Names().isEmpty());
}

TEST(PropertyBrowser, CategorizedViewListsRowsUnderHeaders) {
  Bar bar;
  Host host(1);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  EXPECT_EQ(host.Names(), QStringList{"Misc"});
  host.Expand(QStringLiteral("Misc"));
  EXPECT_EQ(host.Names().size(), 12);
  EXPECT_EQ(host.Names()[1], "Appearance");
  EXPECT_EQ(host.List()->LeftMargin(), host.List()->IndentStep() + 1);
  host.Pick(QStringLiteral("Appearance"), QStringLiteral("0 - lbFlat"));
  EXPECT_EQ(host.Page()->Apply(), S_OK);
  EXPECT_EQ(bar.Get(ctl::kDispidAppearance).ToString(), "0");
  // The header stays open across the change notification's refresh.
  EXPECT_EQ(host.Names().size(), 12);
}

TEST(PropertyBrowser, KeysOnTheList) {
  struct Case {
    const char* row;
    Qt::Key key;
    const char* text;
    Qt::KeyboardModifiers modifiers;
    const char* editorText;  // null: no editor opens
    const char* value;
  };
  const Case cases[] = {
      {"Tag", Qt::Key_X, "x", Qt::NoModifier, "x", ""},
      {"Tag", Qt::Key_A, "a", Qt::AltModifier, nullptr, ""},
      {"Enabled", Qt::Key_F, "f", Qt::NoModifier, nullptr, "False"},
      {"Enabled", Qt::Key_Z, "z", Qt::NoModifier, nullptr, "True"},
      {"Appearance", Qt::Key_0, "0", Qt::NoModifier, nullptr, "0 - lbFlat"},
      {"BackColor", Qt::Key_Delete, "", Qt::NoModifier, nullptr, "&H80000005&"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.row) + " " + c.text);
    Bar bar;
    Host host(0);
    ASSERT_EQ(host.Show({bar.Object()}), S_OK);
    host.List()->setCurrentIndex(host.List()->Model().index(host.IndexOf(c.row), 1));
    QKeyEvent key(QEvent::KeyPress, c.key, c.modifiers, QString::fromLatin1(c.text));
    QApplication::sendEvent(host.List(), &key);
    auto* editor = host.List()->findChild<QLineEdit*>(QStringLiteral("id125"));
    if (c.editorText) {
      ASSERT_NE(editor, nullptr);
      EXPECT_EQ(editor->text(), QString::fromLatin1(c.editorText));
    } else {
      EXPECT_EQ(editor, nullptr);
    }
    EXPECT_EQ(host.Row(QString::fromLatin1(c.row))->valueText, QString::fromLatin1(c.value));
  }
}

TEST(PropertyBrowser, ReactivationReadsAgainAndListensAgain) {
  Bar bar;
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  ASSERT_EQ(host.Page()->Deactivate(), S_OK);
  bar.Put(ctl::kDispidTag, Variant::Text(QStringLiteral("meanwhile")));
  QWidget frame;
  const RECT rect{0, 0, 300, 200};
  ASSERT_EQ(host.Page()->Activate(&frame, &rect, FALSE), S_OK);
  auto* list = frame.findChild<PropertyListView*>(QStringLiteral("id1000"));
  ASSERT_NE(list, nullptr);
  auto tag = [&] {
    for (int i = 0; i < list->Model().rowCount(); ++i)
      if (list->Model().Row(i)->name == "Tag") return list->Model().Row(i)->valueText;
    return QStringLiteral("(none)");
  };
  EXPECT_EQ(tag(), "meanwhile");
  bar.Put(ctl::kDispidTag, Variant::Text(QStringLiteral("heard")));
  EXPECT_EQ(tag(), "heard");
}

// An automation object whose "Children" hold one fresh object of the same kind, so the
// nesting never ends by itself.
class Node final : public com::ComObject<IDispatch> {
 public:
  STOVREL_COM_FORWARD_DISPATCH
  Node(IUnknown* outer, Ref<ITypeLib> types, bool collection)
      : ComObject(outer), types_(std::move(types)), collection_(collection) {
    dispatcher_.SetTypeInfo(com::FindTypeInfo(types_.get(), collection ? "Nodes" : "Node"));
    if (collection)
      dispatcher_.Getter(DISPID_NEWENUM, [this] {
        auto child = com::Create<Node, IDispatch>(IID_IDispatch, types_, false);
        return Variant::Unknown(com::EnumVariant::Over({Variant::Dispatch(child.get())}).get());
      });
    else
      dispatcher_.Getter(1, [this] {
        return Variant::Dispatch(com::Create<Node, IDispatch>(IID_IDispatch, types_, true).get());
      });
    for (DISPID id : {2, 3, 4, 6, 7})
      dispatcher_.Getter(id, [] { return Variant::Text(QStringLiteral("v")); });
    dispatcher_.Putter(6, [](const VARIANT&) { return S_OK; });
    dispatcher_.On(5, INVOKE_FUNC, [this](com::Invocation&) {
      ++calls;
      return S_OK;
    });
  }
  int calls = 0;
  static Ref<ITypeLib> Types() {
    com::TypeLibBuilder b(com::MakeGuid("5A0C5B7A-61D2-4F8E-9A4B-7C2D1E6F0A35"), "Nodes", 1, 0);
    b.AddType(TKIND_DISPATCH, ctl::IID_DListBar, "Node")
        .Property(1, "Children", com::TypeRef::User("Nodes"), true)
        .Property(2, "_Secret", VT_BSTR)
        .Property(3, "Hidden", VT_BSTR, false, VARFLAG_FHIDDEN)
        .Function(4, "Indexed", INVOKE_PROPERTYGET, VT_BSTR, {com::Param{"i", VT_I4}})
        .Function(5, "Reset", INVOKE_FUNC, VT_VOID)
        .Function(6, "Shown", INVOKE_PROPERTYGET, VT_BSTR)
        .Function(6, "Shown", INVOKE_PROPERTYPUT, VT_VOID, {com::Param{"v", VT_BSTR}})
        .Function(7, "Fixed", INVOKE_PROPERTYGET, VT_BSTR);
    b.AddType(TKIND_DISPATCH, com::MakeGuid("5A0C5B7B-61D2-4F8E-9A4B-7C2D1E6F0A35"), "Nodes")
        .Function(DISPID_NEWENUM, "_NewEnum", INVOKE_PROPERTYGET, VT_UNKNOWN, {}, FUNCFLAG_FHIDDEN);
    Ref<ITypeLib> types;
    b.Build(types.Out());
    return types;
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IDispatch || (!collection_ && iid == ctl::IID_DListBar)) return Face<IDispatch>();
    return nullptr;
  }

 private:
  Ref<ITypeLib> types_;
  bool collection_;
  com::Dispatcher dispatcher_;
};

TEST(PropertyBrowser, TheTypeWalkListsReadablePropertiesOnly) {
  auto root = com::Create<Node, IDispatch>(IID_IDispatch, Node::Types(), false);
  Host host(0);
  ASSERT_EQ(host.Show({root.get()}), S_OK);
  // No row for a name with "_", a hidden property, an indexed property or a method.
  EXPECT_EQ(host.Names(), (QStringList{"Children", "Fixed", "Shown"}));
  EXPECT_STREQ(host.Row(QStringLiteral("Fixed"))->ClassName(), "CPropertyRO");
  EXPECT_STREQ(host.Row(QStringLiteral("Shown"))->ClassName(), "CProperty");
  // Reading the properties called no method.
  EXPECT_EQ(static_cast<Node*>(root.get())->calls, 0);
}

TEST(PropertyBrowser, NestedCollectionsAreReadToABoundedDepth) {
  auto root = com::Create<Node, IDispatch>(IID_IDispatch, Node::Types(), false);
  Host host(0);
  ASSERT_EQ(host.Show({root.get()}), S_OK);
  int depth = 0;
  auto* children = dynamic_cast<CCollectionProperty*>(host.Row(QStringLiteral("Children")));
  while (children && children->MemberCount() > 0) {
    ++depth;
    const RowList& rows = children->Member(0).rows;
    children = rows.empty() ? nullptr : dynamic_cast<CCollectionProperty*>(rows[0].get());
  }
  EXPECT_EQ(depth, kMaxCollectionDepth);
}

// The container's wrapper around a control: a few extender properties kept here.
class Extender final : public com::ComObject<IDispatch> {
 public:
  STOVREL_COM_FORWARD_DISPATCH
  Extender(IUnknown* outer, Ref<ITypeLib> types) : ComObject(outer), types_(std::move(types)) {
    dispatcher_.SetTypeInfo(com::FindTypeInfo(types_.get(), "Extender"));
    Bind(1, name);
    Bind(2, visible);
    Bind(3, top);
    Bind(4, align);
    Bind(5, index);
  }
  static Ref<ITypeLib> Types() {
    com::TypeLibBuilder b(com::MakeGuid("5A0C5B7C-61D2-4F8E-9A4B-7C2D1E6F0A35"), "Ext", 1, 0);
    b.AddType(TKIND_DISPATCH, com::MakeGuid("5A0C5B7D-61D2-4F8E-9A4B-7C2D1E6F0A35"), "Extender")
        .Property(1, "Name", VT_BSTR)
        .Property(2, "Visible", VT_BOOL)
        .Property(3, "Top", VT_I4)
        .Property(4, "Align", VT_I2)
        .Property(5, "Index", VT_I2);
    Ref<ITypeLib> types;
    b.Build(types.Out());
    return types;
  }
  Variant name = Variant::Text(QStringLiteral("ListBar1"));
  Variant visible = Variant::Bool(true);
  Variant top = Variant::I4(120);
  Variant align = Variant::I2(1);
  Variant index = Variant::I2(-1);

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IDispatch || iid == com::MakeGuid("40A050A0-3C31-101B-A82E-08002B2B2337"))
      return Face<IDispatch>();
    return nullptr;
  }

 private:
  void Bind(DISPID id, Variant& slot) {
    dispatcher_.Getter(id, [&slot] { return slot; });
    dispatcher_.Putter(id, [&slot](const VARIANT& v) { return VariantCopy(slot.Out(), &v); });
  }
  Ref<ITypeLib> types_;
  com::Dispatcher dispatcher_;
};

// A site that hands out the extender.
class ExtenderSite final : public com::ComObject<IOleClientSite, IOleControlSite> {
 public:
  ExtenderSite(IUnknown* outer, IDispatch* extender) : ComObject(outer), extender_(extender) {}
  HRESULT GetExtendedControl(IDispatch** out) override {
    *out = com::Ref<IDispatch>(extender_.get()).Detach();
    return S_OK;
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IOleClientSite) return Face<IOleClientSite>();
    if (iid == IID_IOleControlSite) return Face<IOleControlSite>();
    return nullptr;
  }

 private:
  Ref<IDispatch> extender_;
};

// A list bar placed in a container: its own IOleObject gives the container's site; every
// other interface is the list bar's.
class Placed final : public com::ComObject<IOleObject> {
 public:
  Placed(IUnknown* outer, IDispatch* control, IOleClientSite* site)
      : ComObject(outer), control_(control), site_(site) {}
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IOleObject || iid == IID_IUnknown) return ComObject::QueryInterface(iid, out);
    return control_->QueryInterface(iid, out);
  }
  HRESULT GetClientSite(IOleClientSite** out) override {
    *out = com::Ref<IOleClientSite>(site_.get()).Detach();
    return S_OK;
  }
  HRESULT DoVerb(LONG, MSG*, IUnknown*, LONG, HWND, const RECT*) override { return E_NOTIMPL; }

 protected:
  void* FindInterface(REFIID iid) override { return iid == IID_IOleObject ? Face<IOleObject>() : nullptr; }

 private:
  Ref<IDispatch> control_;
  Ref<IOleClientSite> site_;
};

TEST(PropertyBrowser, ExtenderPropertiesAreListedAndWrittenToTheExtender) {
  Bar bar;
  auto extender = com::Create<Extender, IDispatch>(IID_IDispatch, Extender::Types());
  auto site = com::Create<ExtenderSite, IOleClientSite>(IID_IOleClientSite, extender.get());
  auto placed = com::Create<Placed, IOleObject>(IID_IOleObject, bar.Object(), site.get());
  auto* ext = static_cast<Extender*>(extender.get());
  struct Case {
    const char* name;
    const char* kind;
    const char* value;
    LONG category;
  };
  const Case cases[] = {{"(Name)", "CProperty", "ListBar1", PROPCAT_Misc},
                        {"Visible", "CBoolProperty", "True", PROPCAT_Behavior},
                        {"Top", "CProperty", "120", PROPCAT_Position},
                        {"Align", "CEnumProperty", "1 - AlignTop", PROPCAT_Position},
                        {"Index", "CProperty", "", PROPCAT_Misc}};
  Host host(0);
  ASSERT_EQ(host.Show({placed.get()}), S_OK);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* row = dynamic_cast<CProperty*>(host.Row(QString::fromLatin1(c.name)));
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->ClassName(), c.kind);
    EXPECT_EQ(row->valueText, QString::fromLatin1(c.value));
    EXPECT_EQ(row->GetCategory(), c.category);
    EXPECT_TRUE(row->Refreshes());
  }
  // "(Name)" sorts by its shown text.
  EXPECT_EQ(host.Names().first(), "(Name)");
  host.Type(QStringLiteral("(Name)"), QStringLiteral("Bar2"));
  host.Pick(QStringLiteral("Align"), QStringLiteral("3 - AlignLeft"));
  ASSERT_EQ(host.Page()->Apply(), S_OK);
  EXPECT_EQ(ext->name.ToString(), "Bar2");
  EXPECT_EQ(ext->align.ToString(), "3");
  EXPECT_EQ(ext->align.Type(), VT_I2);
  EXPECT_EQ(bar.Get(ctl::kDispidTag).ToString(), "");
}

// --- rows on their own ---

TEST(PropertyRows, CustomEnumerationReadsAndWritesThroughTheControl) {
  Bar bar;
  auto strings = com::QueryAs<ctl::IListBarPropertyStrings>(bar.Object(),
                                                           ctl::IID_IListBarPropertyStrings);
  auto enumeration = com::QueryAs<ctl::IListBarCustomEnum>(bar.Object(), ctl::IID_IListBarCustomEnum);
  CCustomEnumProperty row(ctl::kDispidCurrentGroup, 0, bar.Object(), false, strings, enumeration, 1);
  ASSERT_TRUE(row.RefreshValues());
  EXPECT_EQ(row.Entries(), (QStringList{"1 - Files", "2 - Tools"}));
  EXPECT_EQ(row.valueText, "1 - Files");
  EXPECT_TRUE(row.SetText(QStringLiteral("2 - Tools")));
  EXPECT_EQ(row.Apply(bar.Object()), S_OK);
  EXPECT_EQ(bar.model.CurrentGroup(), 2);
  EXPECT_FALSE(row.MergeWith(row));
}

TEST(PropertyRows, ComboRowsStepThroughTheirSuggestions) {
  CComboProperty row(1, 0, nullptr, false, {QStringLiteral("Red"), QStringLiteral("Green")});
  row.vt = VT_BSTR;
  row.SetValue(Variant::Text(QString()).Get());
  NoHost host;
  const char* expected[] = {"Red", "Green", "Red"};
  for (const char* text : expected) {
    row.DoDefault(host);
    EXPECT_EQ(row.valueText, QString::fromLatin1(text));
  }
  EXPECT_TRUE(row.SetText(QStringLiteral("Blue")));  // free text is allowed
  EXPECT_FALSE(row.MergeWith(row));
}

TEST(PropertyRows, RemovingAMemberRenumbersTheLaterOnes) {
  Bar bar;
  for (int i = 1; i <= 4; ++i) bar.model.Tabs().Add(0, {}, QStringLiteral("Tab %1").arg(i));
  Host host(0);
  ASSERT_EQ(host.Show({bar.Object()}), S_OK);
  auto* tabs = dynamic_cast<CCollectionProperty*>(host.Row(QStringLiteral("Tabs")));
  ASSERT_NE(tabs, nullptr);
  NoHost rows;
  EXPECT_FALSE(tabs->RemoveItem(rows, 5));
  ASSERT_TRUE(tabs->RemoveItem(rows, 2));
  EXPECT_EQ(rows.dirty, 1);
  EXPECT_EQ(bar.model.Tabs().Count(), 3);
  ASSERT_EQ(tabs->MemberCount(), 3);
  for (int m = 0; m < 3; ++m) {
    const CExpandableCollectionItem& member = tabs->Member(m);
    EXPECT_EQ(member.name, QStringLiteral("Tabs(%1)").arg(m + 1));
    EXPECT_EQ(member.rows[0]->name, "Index");
    EXPECT_EQ(member.rows[0]->valueText, QString::number(m + 1));
    EXPECT_EQ(member.rows[1]->valueText, QStringLiteral("Tab %1").arg(m == 0 ? 1 : m + 2));
  }
}

TEST(PropertyRows, EnumerationsFindTheirEntryByValue) {
  CEnumProperty row(1, 0, nullptr, false,
                    {{0, QStringLiteral("0 - None")}, {4, QStringLiteral("4 - Some")},
                     {8, QStringLiteral("8 - All")}});
  row.vt = VT_I2;
  struct Step {
    const char* action;
    LONG input;
    const char* text;
    LONG written;
  };
  const Step steps[] = {{"set", 8, "8 - All", 8}, {"step", 0, "0 - None", 0},
                        {"step", 0, "4 - Some", 4}, {"set", 3, "4 - Some", 4}};
  NoHost host;
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.action) + " " + std::to_string(s.input));
    if (std::string(s.action) == "set")
      row.SetValue(Variant::I4(s.input).Get());
    else
      row.DoDefault(host);
    EXPECT_EQ(row.valueText, QString::fromLatin1(s.text));
    Variant out;
    ASSERT_EQ(row.GetValue(out), S_OK);
    EXPECT_EQ(out.Type(), VT_I2);
    EXPECT_EQ(out.Get().iVal, s.written);
  }
}

// A refused write reverts a row to what its kind shows for the remembered value.
TEST(PropertyRows, RevertShowsTheRememberedValueInTheRowsOwnKind) {
  CEnumProperty month(1, 0, nullptr, false,
                      {{2, QStringLiteral("2 - monFebruary")}, {3, QStringLiteral("3 - monMarch")}});
  CColorProperty colour(2, 0, nullptr, false);
  CBoolProperty flag(3, 0, nullptr, false);
  struct Case {
    CProperty* row;
    Variant value;
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {{&month, Variant::I4(3), "2 - monFebruary", "3 - monMarch"},
                        {&colour, Variant::I4(33023), "&H000000FF&", "&H000080FF&"},
                        {&flag, Variant::Bool(true), "False", "True"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    c.row->SetValue(c.value.Get());
    ASSERT_TRUE(c.row->SetText(QString::fromLatin1(c.typed)));
    c.row->Revert();
    EXPECT_EQ(c.row->valueText, QString::fromLatin1(c.shown));
    EXPECT_FALSE(c.row->modified);
  }
  EXPECT_EQ(month.Current(), 1);
  EXPECT_EQ(colour.Color(), 33023u);
}

TEST(PropertyRows, TypedColoursAndIndexTexts) {
  struct ColorCase {
    const char* typed;
    bool taken;
    const char* shown;
  };
  const ColorCase colors[] = {{"255", true, "&H000000FF&"},      {"&HFF&", true, "&H000000FF&"},
                              {"16711680", true, "&H00FF0000&"}, {"&hFF&", false, "&H00000000&"},
                              {"blue", false, "&H00000000&"},    {"", false, "&H00000000&"}};
  for (const ColorCase& c : colors) {
    SCOPED_TRACE(c.typed);
    CColorProperty row(1, 0, nullptr, false);
    row.vt = VT_I4;
    row.SetValue(Variant::I4(0).Get());
    EXPECT_EQ(row.SetText(QString::fromLatin1(c.typed)), c.taken);
    EXPECT_EQ(row.valueText, QString::fromLatin1(c.shown));
  }
  // A system colour goes back to a signed property with its bits.
  CColorProperty system(1, 0, nullptr, false);
  system.vt = VT_I4;
  system.SetValue(Variant::UI4(0x8000000F).Get());
  Variant out;
  ASSERT_EQ(system.GetValue(out), S_OK);
  EXPECT_EQ(static_cast<ULONG>(out.Get().lVal), 0x8000000Fu);

  struct IndexCase {
    const char* text;
    SHORT written;
  };
  const IndexCase indexes[] = {{"", -1}, {"   ", -1}, {"-1", -2}, {"3", 3}};
  for (const IndexCase& c : indexes) {
    SCOPED_TRACE(c.text);
    CProperty row(11, 0, nullptr, false);
    row.SetName(QStringLiteral("Index"));
    row.vt = VT_I2;
    row.valueText = QString::fromLatin1(c.text);
    Variant v;
    ASSERT_EQ(row.GetValue(v), S_OK);
    EXPECT_EQ(v.Get().iVal, c.written);
  }
}

TEST(PropertyRows, TextsAreCutWithoutSplittingACharacter) {
  const QString clef = QString::fromUtf16(u"\U0001D11E");  // two UTF-16 units
  struct Case {
    QString text;
    int max;
    int length;
  };
  const Case cases[] = {{QString(600, u'a'), kEditorTextMax, 512},
                        {QString(127, u'a') + clef, kDropDownTextMax, 127},
                        {QString(126, u'a') + clef, kDropDownTextMax, 128},
                        {QStringLiteral("short"), kComboTextMax, 5}};
  for (const Case& c : cases) EXPECT_EQ(CutText(c.text, c.max).size(), c.length) << c.max;
}

TEST(PropertyRows, FontValuesLeaveAsCopies) {
  FONTDESC desc;
  desc.lpstrName = u"Arial";
  desc.cySize.int64 = 12 * 10000;
  Ref<IDispatch> font;
  ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, font.OutVoid()), S_OK);
  CFontProperty row(1, 0, nullptr, false);
  row.SetValue(Variant::Dispatch(font.get()).Get());
  EXPECT_EQ(row.valueText, "Arial, 12");
  Variant a;
  Variant b;
  ASSERT_EQ(row.GetValue(a), S_OK);
  ASSERT_EQ(row.GetValue(b), S_OK);
  EXPECT_NE(a.Get().pdispVal, font.get());
  EXPECT_NE(a.Get().pdispVal, b.Get().pdispVal);
}

TEST(PropertyRows, CategoryTableKeepsEmptySlotsLastAndDropsOverflow) {
  CategoryTable table;
  for (int i = 0; i < 20; ++i)
    EXPECT_TRUE(table.Add(100 + i, QStringLiteral("Custom%1").arg(19 - i, 2, 10, QLatin1Char('0'))));
  EXPECT_FALSE(table.Add(200, QStringLiteral("Late")));
  EXPECT_FALSE(table.Contains(200));
  const auto& e = table.Entries();
  for (size_t i = 1; i < e.size(); ++i)
    EXPECT_LE(QString::compare(e[i - 1].name, e[i].name, Qt::CaseInsensitive), 0) << i;
  EXPECT_EQ(e[0].name, "Appearance");

  CategoryTable sparse;
  ASSERT_TRUE(sparse.Add(100, QStringLiteral("Aardvark")));
  EXPECT_EQ(sparse.Entries()[0].name, "Aardvark ");
  EXPECT_EQ(sparse.Entries()[12].id, 0);
}

}  // namespace
}  // namespace qvp
