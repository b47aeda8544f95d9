#include "platform/automation/ListBarAutomation.h"

#include <iterator>
#include <set>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/Enum.h"
#include "platform/com/Memory.h"
#include "platform/com/Picture.h"
#include "platform/controls/ListBarModel.h"
#include "platform/runtime/Error.h"

namespace ctl {

struct ListBarLink {
  ListBarModel* model = nullptr;
  com::Ref<ITypeLib> types;
  std::function<void()> configure;
  // The control object's notification, while it lives.
  std::function<void(DISPID)> notify;
  int cookie = 0;  // the model subscription
  int batch = 0;
  std::set<DISPID> pending;
  // The face's own properties.
  OLE_COLOR backColor = 0x80000005;  // window background
  bool enabled = true;
  LONG appearance = kAppearance3D;
  QString tag;

  void Report(DISPID id) {
    if (batch > 0)
      pending.insert(id);
    else if (notify)
      notify(id);
  }
};

namespace {

using com::Invocation;
using com::Ref;
using com::Variant;
using LinkPtr = std::shared_ptr<ListBarLink>;

constexpr GUID kLibid = com::MakeGuid("3E0C5B7A-61D2-4F8E-9A4B-7C2D1E6F0A35");
constexpr GUID kCollectionIid = com::MakeGuid("3E0C5B7B-61D2-4F8E-9A4B-7C2D1E6F0A35");
constexpr GUID kGroupIid = com::MakeGuid("3E0C5B7C-61D2-4F8E-9A4B-7C2D1E6F0A35");
constexpr GUID kItemIid = com::MakeGuid("3E0C5B7D-61D2-4F8E-9A4B-7C2D1E6F0A35");
constexpr GUID kTabIid = com::MakeGuid("3E0C5B7E-61D2-4F8E-9A4B-7C2D1E6F0A35");
constexpr GUID kImagesIid = com::MakeGuid("3E0C5B7F-61D2-4F8E-9A4B-7C2D1E6F0A35");
constexpr GUID kImageIid = com::MakeGuid("3E0C5B80-61D2-4F8E-9A4B-7C2D1E6F0A35");
constexpr GUID kAppearanceIid = com::MakeGuid("3E0C5B81-61D2-4F8E-9A4B-7C2D1E6F0A35");

const QString kControlType = QStringLiteral("_ListBar");
const QString kCollectionType = QStringLiteral("ListBarCollection");
const QString kGroupType = QStringLiteral("ListBarGroup");
const QString kItemType = QStringLiteral("ListBarItem");
const QString kTabType = QStringLiteral("ListBarTab");
const QString kImagesType = QStringLiteral("ListBarImages");
const QString kImageType = QStringLiteral("ListBarImage");
const QString kColorType = QStringLiteral("OLE_COLOR");
const QString kAppearanceType = QStringLiteral("ListBarAppearance");

constexpr WORD kHiddenMember = FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN;

Ref<ITypeLib> BuildTypes() {
  using com::Param;
  com::TypeLibBuilder b(kLibid, QStringLiteral("ListBar"), 1, 0);
  const QString help = QString::fromUtf16(kListBarHelpFile);
  b.Doc({QStringLiteral("List bar control"), 0, help});
  b.AddType(TKIND_DISPATCH, IID_IPictureDisp, QStringLiteral("Picture"));
  b.AddType(TKIND_DISPATCH, IID_DListBar, kControlType)
      .Doc({QStringLiteral("List bar control"), 0, help})
      .Property(kDispidGroups, QStringLiteral("Groups"), VT_DISPATCH, true)
      .Property(kDispidTabs, QStringLiteral("Tabs"), VT_DISPATCH, true)
      .Property(kDispidLargeIcons, QStringLiteral("LargeIcons"), VT_DISPATCH, true)
      .Property(kDispidSmallIcons, QStringLiteral("SmallIcons"), VT_DISPATCH, true)
      .Property(kDispidCurrentGroup, QStringLiteral("CurrentGroup"), VT_I2)
      .Property(kDispidBackColor, QStringLiteral("BackColor"), com::TypeRef::User(kColorType))
      .Property(kDispidEnabled, QStringLiteral("Enabled"), VT_BOOL)
      .Property(kDispidAppearance, QStringLiteral("Appearance"),
                com::TypeRef::User(kAppearanceType))
      .Property(kDispidTag, QStringLiteral("Tag"), VT_BSTR)
      .Property(kDispidAnimatedPicture, QStringLiteral("Picture"),
                com::TypeRef::User(QStringLiteral("Picture")))
      .Property(kDispidAnimatedPictureFrames, QStringLiteral("PictureFrames"), VT_I2);
  b.AddType(TKIND_ALIAS, GUID_NULL, kColorType).AliasOf(VT_UI4);
  b.AddType(TKIND_ENUM, kAppearanceIid, kAppearanceType)
      .Constant(QStringLiteral("lbFlat"), kAppearanceFlat)
      .Constant(QStringLiteral("lb3D"), kAppearance3D);
  const Param index{QStringLiteral("Index"), VT_VARIANT};
  b.AddType(TKIND_DISPATCH, kCollectionIid, kCollectionType)
      .Property(kDispidCount, QStringLiteral("Count"), VT_I4, true)
      .Function(DISPID_VALUE, QStringLiteral("Item"), INVOKE_FUNC, VT_DISPATCH, {index})
      .Function(DISPID_NEWENUM, QStringLiteral("_NewEnum"), INVOKE_PROPERTYGET, VT_UNKNOWN, {},
                kHiddenMember)
      .Function(kDispidInternalAdd, QStringLiteral("InternalAdd"), INVOKE_FUNC, VT_DISPATCH,
                {Param{QStringLiteral("Index"), VT_I2}})
      .Function(kDispidRemove, QStringLiteral("Remove"), INVOKE_FUNC, VT_VOID,
                {Param{QStringLiteral("Index"), VT_I2}});
  auto entry = [&](REFGUID iid, const QString& name) -> com::TypeBuilder& {
    return b.AddType(TKIND_DISPATCH, iid, name)
        .Property(kDispidIndex, QStringLiteral("Index"), VT_I2, iid != kTabIid)
        .Property(kDispidCaption, QStringLiteral("Caption"), VT_BSTR);
  };
  entry(kGroupIid, kGroupType)
      .Property(kDispidListItems, QStringLiteral("ListItems"), VT_DISPATCH, true);
  entry(kItemIid, kItemType).Property(kDispidText, QStringLiteral("Text"), VT_BSTR);
  entry(kTabIid, kTabType);
  const Param optional{QStringLiteral("Index"), VT_VARIANT, true};
  b.AddType(TKIND_DISPATCH, kImagesIid, kImagesType)
      .Property(kDispidCount, QStringLiteral("Count"), VT_I4, true)
      .Function(DISPID_VALUE, QStringLiteral("Item"), INVOKE_FUNC, VT_DISPATCH, {index})
      .Function(DISPID_NEWENUM, QStringLiteral("_NewEnum"), INVOKE_PROPERTYGET, VT_UNKNOWN, {},
                kHiddenMember)
      .Function(kDispidClear, QStringLiteral("Clear"), INVOKE_FUNC, VT_VOID)
      .Function(kDispidAdd, QStringLiteral("Add"), INVOKE_FUNC, VT_DISPATCH,
                {optional, Param{QStringLiteral("Key"), VT_VARIANT, true},
                 Param{QStringLiteral("Picture"), VT_VARIANT}});
  b.AddType(TKIND_DISPATCH, kImageIid, kImageType)
      .Property(kDispidIndex, QStringLiteral("Index"), VT_I2, true)
      .Property(kDispidKey, QStringLiteral("Key"), VT_BSTR, true)
      .Property(kDispidPicture, QStringLiteral("Picture"), VT_DISPATCH, true);
  Ref<ITypeLib> types;
  b.Build(types.Out());
  return types;
}

// Runs a handler body; the model's errors become their codes with the description.
template <typename Body>
HRESULT Run(const LinkPtr& link, Invocation& call, Body&& body) {
  if (!link->model) return E_UNEXPECTED;
  try {
    return body(*link->model);
  } catch (const rt::VbError& e) {
    call.error = e.description();
    return MakeHresult(0x800A0000u | (static_cast<std::uint32_t>(e.number()) & 0xFFFFu));
  }
}

HRESULT SetResult(Invocation& call, Variant value) {
  if (call.result) *call.result = value.Detach();
  return S_OK;
}

HRESULT ResultObject(Invocation& call, const Ref<IDispatch>& object) {
  if (!object) return E_OUTOFMEMORY;
  return SetResult(call, Variant::Dispatch(object.get()));
}

// An enumerator over count members, made by position (1 .. count).
HRESULT ResultEnum(Invocation& call, int count, const std::function<Ref<IDispatch>(int)>& member) {
  std::vector<Variant> members;
  for (int i = 1; i <= count; ++i) {
    Ref<IDispatch> m = member(i);
    if (!m) return E_OUTOFMEMORY;
    members.push_back(Variant::Dispatch(m.get()));
  }
  Ref<IEnumVARIANT> items = com::EnumVariant::Over(std::move(members));
  if (!items) return E_OUTOFMEMORY;
  return SetResult(call, Variant::Unknown(items.get()));
}

HRESULT ToLong(const VARIANT& value, LONG& out) {
  Variant v;
  const HRESULT hr = VariantChangeType(v.Ptr(), &value, 0, VT_I4);
  if (SUCCEEDED(hr)) out = v.Get().lVal;
  return hr;
}

HRESULT ToText(const VARIANT& value, QString& out) {
  Variant v;
  const HRESULT hr = VariantChangeType(v.Ptr(), &value, 0, VT_BSTR);
  if (SUCCEEDED(hr)) out = com::ToQString(v.Get().bstrVal);
  return hr;
}

bool IsMissing(const VARIANT& value) { return value.vt == VT_ERROR || value.vt == VT_EMPTY; }

// The common base of the face's objects: one dispatcher over a type of the library.
template <typename... Extra>
class FaceObject : public com::ComObject<IDispatch, Extra...> {
 public:
  STOVREL_COM_FORWARD_DISPATCH

 protected:
  FaceObject(IUnknown* outer, LinkPtr link, const QString& type)
      : com::ComObject<IDispatch, Extra...>(outer), link_(std::move(link)) {
    dispatcher_.SetTypeInfo(com::FindTypeInfo(link_->types.get(), type));
  }
  // Binds a member to a body that runs against the model.
  template <typename Body>
  void Bind(DISPID id, INVOKEKIND kind, Body body) {
    dispatcher_.On(id, kind, [link = link_, body](Invocation& call) {
      return Run(link, call, [&](ListBarModel& model) { return body(model, call); });
    });
  }
  void* FindDispatch(REFIID iid, REFIID own) {
    if (iid == IID_IDispatch || iid == own) return static_cast<IDispatch*>(this);
    return nullptr;
  }

  LinkPtr link_;
  com::Dispatcher dispatcher_;
};

enum class EntryKind { Group, Item, Tab };

// The entry at its address, searched for in the model: null once it is removed.
template <typename T>
T* Locate(const ListBarCollection<T>& entries, const void* address) {
  for (int i = 1; i <= entries.Count(); ++i)
    if (&entries.Item(i) == address) return &entries.Item(i);
  return nullptr;
}

ListBarEntry* LocateEntry(ListBarModel& model, EntryKind kind, const void* address) {
  switch (kind) {
    case EntryKind::Group:
      return Locate(model.Groups(), address);
    case EntryKind::Tab:
      return Locate(model.Tabs(), address);
    case EntryKind::Item:
      for (int g = 1; g <= model.Groups().Count(); ++g)
        if (ListBarItem* item = Locate(model.Groups().Item(g).ListItems(), address)) return item;
      return nullptr;
  }
  return nullptr;
}

Ref<IDispatch> NewCollection(const LinkPtr& link, EntryKind kind, const ListBarGroup* group);

class EntryObject final : public FaceObject<> {
 public:
  EntryObject(IUnknown* outer, LinkPtr link, EntryKind kind, const ListBarEntry* entry)
      : FaceObject(outer, std::move(link),
                   kind == EntryKind::Group  ? kGroupType
                   : kind == EntryKind::Item ? kItemType
                                             : kTabType),
        kind_(kind),
        entry_(entry) {
    BindEntry(kDispidIndex, INVOKE_PROPERTYGET, [](ListBarEntry& e, Invocation& call) {
      return SetResult(call, Variant::I2(static_cast<SHORT>(e.Index())));
    });
    if (kind == EntryKind::Tab) {
      // A new index moves the tab among the tabs.
      BindEntry(kDispidIndex, INVOKE_PROPERTYPUT, [this](ListBarEntry& e, Invocation& call) {
        LONG to = 0;
        const HRESULT hr = ToLong(call.args[0], to);
        if (SUCCEEDED(hr)) link_->model->Tabs().Move(e.Index(), static_cast<int>(to));
        return hr;
      });
    }
    BindEntry(kDispidCaption, INVOKE_PROPERTYGET, [](ListBarEntry& e, Invocation& call) {
      return SetResult(call, Variant::Text(e.Caption()));
    });
    BindEntry(kDispidCaption, INVOKE_PROPERTYPUT, [](ListBarEntry& e, Invocation& call) {
      QString text;
      const HRESULT hr = ToText(call.args[0], text);
      if (SUCCEEDED(hr)) e.SetCaption(text);
      return hr;
    });
    if (kind == EntryKind::Item) {
      BindEntry(kDispidText, INVOKE_PROPERTYGET, [](ListBarEntry& e, Invocation& call) {
        return SetResult(call, Variant::Text(static_cast<ListBarItem&>(e).Text()));
      });
      BindEntry(kDispidText, INVOKE_PROPERTYPUT, [](ListBarEntry& e, Invocation& call) {
        QString text;
        const HRESULT hr = ToText(call.args[0], text);
        if (SUCCEEDED(hr)) static_cast<ListBarItem&>(e).SetText(text);
        return hr;
      });
    }
    if (kind == EntryKind::Group) {
      BindEntry(kDispidListItems, INVOKE_PROPERTYGET, [this](ListBarEntry& e, Invocation& call) {
        return ResultObject(
            call, NewCollection(link_, EntryKind::Item, &static_cast<ListBarGroup&>(e)));
      });
    }
  }

 protected:
  void* FindInterface(REFIID iid) override {
    return FindDispatch(iid, kind_ == EntryKind::Group  ? kGroupIid
                             : kind_ == EntryKind::Item ? kItemIid
                                                        : kTabIid);
  }

 private:
  template <typename Body>
  void BindEntry(DISPID id, INVOKEKIND invoke, Body body) {
    Bind(id, invoke, [this, body](ListBarModel& model, Invocation& call) {
      ListBarEntry* e = LocateEntry(model, kind_, entry_);
      return e ? body(*e, call) : E_UNEXPECTED;
    });
  }

  EntryKind kind_;
  const ListBarEntry* entry_;
};

Ref<IDispatch> NewEntry(const LinkPtr& link, EntryKind kind, const ListBarEntry& entry) {
  return com::Create<EntryObject, IDispatch>(IID_IDispatch, link, kind, &entry);
}

// "Groups", "Tabs" or one group's "ListItems".
class CollectionObject final : public FaceObject<> {
 public:
  CollectionObject(IUnknown* outer, LinkPtr link, EntryKind kind, const ListBarGroup* group)
      : FaceObject(outer, std::move(link), kCollectionType), kind_(kind), group_(group) {
    BindList(kDispidCount, INVOKE_PROPERTYGET, [](const Entries& list, Invocation& call) {
      return SetResult(call, Variant::I4(list.Count()));
    });
    BindList(DISPID_VALUE, INVOKE_FUNC, [](const Entries& list, Invocation& call) {
      return ResultObject(call, list.At(call.args[0]));
    });
    BindList(DISPID_NEWENUM, INVOKE_PROPERTYGET, [](const Entries& list, Invocation& call) {
      return ResultEnum(call, list.Count(), [&](int i) { return list.Member(i); });
    });
    BindList(kDispidInternalAdd, INVOKE_FUNC, [](const Entries& list, Invocation& call) {
      LONG at = 0;
      const HRESULT hr = ToLong(call.args[0], at);
      if (FAILED(hr)) return hr;
      return ResultObject(call, list.Add(at < 0 ? 0 : at));
    });
    BindList(kDispidRemove, INVOKE_FUNC, [](const Entries& list, Invocation& call) {
      LONG at = 0;
      const HRESULT hr = ToLong(call.args[0], at);
      if (SUCCEEDED(hr)) list.Remove(at);
      return hr;
    });
  }

 protected:
  void* FindInterface(REFIID iid) override { return FindDispatch(iid, kCollectionIid); }

 private:
  // The collection as it is now in the model.
  struct Entries {
    const LinkPtr& link;
    EntryKind kind;
    ListBarModel& model;
    ListBarGroup* group;

    // Calls f with the collection itself.
    template <typename F>
    decltype(auto) On(F f) const {
      switch (kind) {
        case EntryKind::Group:
          return f(model.Groups());
        case EntryKind::Tab:
          return f(model.Tabs());
        case EntryKind::Item:
          break;
      }
      return f(group->ListItems());
    }
    int Count() const {
      return On([](const auto& list) { return list.Count(); });
    }
    template <typename Which>
    const ListBarEntry& Entry(const Which& which) const {
      return On([&](const auto& list) -> const ListBarEntry& { return list.Item(which); });
    }
    Ref<IDispatch> Member(int index) const { return NewEntry(link, kind, Entry(index)); }
    // By 1-based position, or by key when given text.
    Ref<IDispatch> At(const VARIANT& which) const {
      if (which.vt == VT_BSTR) return NewEntry(link, kind, Entry(com::ToQString(which.bstrVal)));
      LONG index = 0;  // not a number: position 0, which the model refuses
      ToLong(which, index);
      return Member(index);
    }
    Ref<IDispatch> Add(int at) const {
      return On([&](auto& list) { return NewEntry(link, kind, list.Add(at)); });
    }
    void Remove(int index) const {
      On([&](auto& list) { list.Remove(index); });
    }
  };

  template <typename Body>
  void BindList(DISPID id, INVOKEKIND invoke, Body body) {
    Bind(id, invoke, [this, body](ListBarModel& model, Invocation& call) {
      ListBarGroup* group = nullptr;
      if (kind_ == EntryKind::Item) {
        group = Locate(model.Groups(), group_);
        if (!group) return E_UNEXPECTED;
      }
      return body(Entries{link_, kind_, model, group}, call);
    });
  }

  EntryKind kind_;
  const ListBarGroup* group_;
};

Ref<IDispatch> NewCollection(const LinkPtr& link, EntryKind kind, const ListBarGroup* group) {
  return com::Create<CollectionObject, IDispatch>(IID_IDispatch, link, kind, group);
}

ListBarImageList& ImagesOf(ListBarModel& model, DISPID id) {
  return id == kDispidLargeIcons ? model.LargeIcons() : model.SmallIcons();
}

// One picture of an image list, by position.
class ImageObject final : public FaceObject<> {
 public:
  ImageObject(IUnknown* outer, LinkPtr link, DISPID list, int index)
      : FaceObject(outer, std::move(link), kImageType) {
    auto bind = [&](DISPID id, auto body) {
      Bind(id, INVOKE_PROPERTYGET, [list, index, body](ListBarModel& model, Invocation& call) {
        ListBarImageList& images = ImagesOf(model, list);
        return index <= images.Count() ? body(images, index, call) : E_UNEXPECTED;
      });
    };
    bind(kDispidIndex, [](ListBarImageList&, int i, Invocation& call) {
      return SetResult(call, Variant::I2(static_cast<SHORT>(i)));
    });
    bind(kDispidKey, [](ListBarImageList& images, int i, Invocation& call) {
      return SetResult(call, Variant::Text(images.Key(i)));
    });
    bind(kDispidPicture, [](ListBarImageList& images, int i, Invocation& call) {
      PICTDESC desc;
      desc.picType = PICTYPE_BITMAP;
      desc.image = &images.Picture(i);
      Ref<IDispatch> picture;
      const HRESULT hr = OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.OutVoid());
      if (FAILED(hr)) return hr;
      return SetResult(call, Variant::Dispatch(picture.get()));
    });
  }

 protected:
  void* FindInterface(REFIID iid) override { return FindDispatch(iid, kImageIid); }
};

Ref<IDispatch> NewImage(const LinkPtr& link, DISPID list, int index) {
  return com::Create<ImageObject, IDispatch>(IID_IDispatch, link, list, index);
}

// The pixels of a picture argument; false when it is no picture.
bool PictureImage(const VARIANT& value, QImage& image) {
  IUnknown* object = value.vt == VT_DISPATCH  ? value.pdispVal
                     : value.vt == VT_UNKNOWN ? value.punkVal
                                              : nullptr;
  Ref<IPicture> picture = com::QueryAs<IPicture>(object, IID_IPicture);
  return picture && SUCCEEDED(picture->GetImage(&image));
}

class ImagesObject final : public FaceObject<IListBarImageBatch> {
 public:
  ImagesObject(IUnknown* outer, LinkPtr link, DISPID list)
      : FaceObject(outer, std::move(link), kImagesType) {
    auto bind = [&](DISPID id, auto body) {
      Bind(id, INVOKE_FUNC, [list, body](ListBarModel& model, Invocation& call) {
        return body(ImagesOf(model, list), list, call);
      });
    };
    bind(kDispidCount, [](ListBarImageList& images, DISPID, Invocation& call) {
      return SetResult(call, Variant::I4(images.Count()));
    });
    bind(DISPID_VALUE, [this](ListBarImageList& images, DISPID id, Invocation& call) {
      LONG index = 0;
      if (call.args[0].vt == VT_BSTR)
        index = images.Find(com::ToQString(call.args[0].bstrVal));
      else if (const HRESULT hr = ToLong(call.args[0], index); FAILED(hr))
        return hr;
      if (index < 1 || index > images.Count()) return DISP_E_BADINDEX;
      return ResultObject(call, NewImage(link_, id, index));
    });
    bind(DISPID_NEWENUM, [this](ListBarImageList& images, DISPID id, Invocation& call) {
      return ResultEnum(call, images.Count(), [&](int i) { return NewImage(link_, id, i); });
    });
    bind(kDispidClear, [](ListBarImageList& images, DISPID, Invocation&) {
      images.Clear();
      return S_OK;
    });
    bind(kDispidAdd, [this](ListBarImageList& images, DISPID id, Invocation& call) {
      // Pictures are appended: a given index must be the next position.
      if (!IsMissing(call.args[0])) {
        LONG index = 0;
        if (FAILED(ToLong(call.args[0], index)) || index != images.Count() + 1)
          return DISP_E_BADINDEX;
      }
      QString key;
      if (!IsMissing(call.args[1]) && FAILED(ToText(call.args[1], key))) return DISP_E_TYPEMISMATCH;
      QImage image;
      if (!PictureImage(call.args[2], image)) return DISP_E_TYPEMISMATCH;
      return ResultObject(call, NewImage(link_, id, images.Add(key, image)));
    });
  }

  HRESULT BeginUpdate() override {
    if (!link_->model) return E_UNEXPECTED;
    ++link_->batch;
    return S_OK;
  }
  HRESULT EndUpdate() override {
    if (!link_->model || link_->batch == 0) return E_UNEXPECTED;
    if (--link_->batch == 0) {
      std::set<DISPID> pending;
      pending.swap(link_->pending);
      for (DISPID id : pending) link_->Report(id);
    }
    return S_OK;
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IListBarImageBatch) return Face<IListBarImageBatch>();
    return FindDispatch(iid, kImagesIid);
  }
};

bool IsImageList(DISPID id) { return id == kDispidLargeIcons || id == kDispidSmallIcons; }

class ControlObject final
    : public FaceObject<IConnectionPointContainer, IListBarPropertyStrings, IListBarCustomEnum,
                        IListBarCurrentTab, IListBarImageLists, IOleObject, IPersistStreamInit> {
 public:
  ControlObject(IUnknown* outer, LinkPtr link) : FaceObject(outer, std::move(link), kControlType) {
    points_.Add(IID_IPropertyNotifySink);
    link_->notify = [this](DISPID id) { points_.NotifyChanged(id); };
    auto object = [&](DISPID id, auto make) {
      Bind(id, INVOKE_PROPERTYGET, [this, make](ListBarModel&, Invocation& call) {
        return ResultObject(call, make(link_));
      });
    };
    object(kDispidGroups,
           [](const LinkPtr& l) { return NewCollection(l, EntryKind::Group, nullptr); });
    object(kDispidTabs, [](const LinkPtr& l) { return NewCollection(l, EntryKind::Tab, nullptr); });
    for (DISPID id : {kDispidLargeIcons, kDispidSmallIcons})
      object(id, [id](const LinkPtr& l) {
        return com::Create<ImagesObject, IDispatch>(IID_IDispatch, l, id);
      });
    Bind(kDispidCurrentGroup, INVOKE_PROPERTYGET, [](ListBarModel& model, Invocation& call) {
      return SetResult(call, Variant::I2(static_cast<SHORT>(model.CurrentGroup())));
    });
    Bind(kDispidCurrentGroup, INVOKE_PROPERTYPUT, [](ListBarModel& model, Invocation& call) {
      LONG index = 0;
      const HRESULT hr = ToLong(call.args[0], index);
      if (SUCCEEDED(hr)) model.SetCurrentGroup(index);
      return hr;
    });
    BindOwn(kDispidBackColor, [](ListBarLink& l) { return Variant::UI4(l.backColor); },
            [](ListBarLink& l, const VARIANT& v) {
              LONG color = 0;
              const HRESULT hr = ToLong(v, color);
              if (SUCCEEDED(hr)) l.backColor = static_cast<OLE_COLOR>(color);
              return hr;
            });
    BindOwn(kDispidEnabled, [](ListBarLink& l) { return Variant::Bool(l.enabled); },
            [](ListBarLink& l, const VARIANT& v) {
              Variant b;
              const HRESULT hr = VariantChangeType(b.Ptr(), &v, 0, VT_BOOL);
              if (SUCCEEDED(hr)) l.enabled = b.Get().boolVal != VARIANT_FALSE;
              return hr;
            });
    BindOwn(kDispidAppearance, [](ListBarLink& l) { return Variant::I4(l.appearance); },
            [](ListBarLink& l, const VARIANT& v) {
              LONG value = 0;
              const HRESULT hr = ToLong(v, value);
              if (FAILED(hr)) return hr;
              if (value != kAppearanceFlat && value != kAppearance3D) return E_INVALIDARG;
              l.appearance = value;
              return S_OK;
            });
    BindOwn(kDispidTag, [](ListBarLink& l) { return Variant::Text(l.tag); },
            [](ListBarLink& l, const VARIANT& v) { return ToText(v, l.tag); });
    Bind(kDispidAnimatedPicture, INVOKE_PROPERTYGET, [](ListBarModel& model, Invocation& call) {
      PICTDESC desc;
      desc.picType = model.Picture().isNull() ? PICTYPE_NONE : PICTYPE_BITMAP;
      desc.image = &model.Picture();
      Ref<IDispatch> picture;
      const HRESULT hr = OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.OutVoid());
      if (FAILED(hr)) return hr;
      return SetResult(call, Variant::Dispatch(picture.get()));
    });
    Bind(kDispidAnimatedPicture, INVOKE_PROPERTYPUT, [](ListBarModel& model, Invocation& call) {
      QImage image;
      if (!PictureImage(call.args[0], image)) return DISP_E_TYPEMISMATCH;
      model.SetPicture(image);
      return S_OK;
    });
    Bind(kDispidAnimatedPictureFrames, INVOKE_PROPERTYGET, [](ListBarModel& model, Invocation& call) {
      return SetResult(call, Variant::I2(static_cast<SHORT>(model.PictureFrames())));
    });
    Bind(kDispidAnimatedPictureFrames, INVOKE_PROPERTYPUT, [](ListBarModel& model, Invocation& call) {
      LONG frames = 0;
      const HRESULT hr = ToLong(call.args[0], frames);
      if (SUCCEEDED(hr)) model.SetPictureFrames(frames);
      return hr;
    });
  }
  ~ControlObject() override { link_->notify = nullptr; }

  // IConnectionPointContainer
  HRESULT EnumConnectionPoints(void** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    return points_.FindConnectionPoint(iid, out);
  }

  // IListBarPropertyStrings
  HRESULT GetPredefinedStrings(DISPID id, ULONG* count, LPOLESTR** strings) override {
    if (!count || !strings) return E_POINTER;
    *count = 0;
    *strings = nullptr;
    return WithGroups(id, [&](ListBarModel& model) -> HRESULT {
      const ListBarGroups& groups = model.Groups();
      const auto n = static_cast<std::size_t>(groups.Count());
      auto* texts = static_cast<LPOLESTR*>(CoTaskMemAlloc(sizeof(LPOLESTR) * (n ? n : 1)));
      if (!texts) return E_OUTOFMEMORY;
      for (std::size_t i = 0; i < n; ++i) {
        texts[i] = com::AllocTaskString(groups.Item(static_cast<int>(i) + 1).Caption());
        if (!texts[i]) {
          for (std::size_t j = 0; j < i; ++j) CoTaskMemFree(texts[j]);
          CoTaskMemFree(texts);
          return E_OUTOFMEMORY;
        }
      }
      *count = static_cast<ULONG>(n);
      *strings = texts;
      return S_OK;
    });
  }
  HRESULT GetPredefinedValue(DISPID id, VARIANT* value) override {
    if (!value) return E_POINTER;
    return WithGroups(id, [&](ListBarModel& model) {
      *value = Variant::I4(model.CurrentGroup()).Detach();
      return S_OK;
    });
  }
  HRESULT SetPredefinedValue(DISPID id, const VARIANT* value) override {
    if (!value) return E_POINTER;
    LONG index = 0;
    const HRESULT hr = ToLong(*value, index);
    if (FAILED(hr)) return hr;
    return SetEnumValue(id, index);
  }

  // IListBarCustomEnum
  HRESULT GetEnumCount(DISPID id, LONG* count) override {
    if (!count) return E_POINTER;
    return WithGroups(id, [&](ListBarModel& model) {
      return com::PutOut(count, model.Groups().Count());
    });
  }
  HRESULT GetEnumValue(DISPID id, LONG* value) override {
    if (!value) return E_POINTER;
    return WithGroups(id, [&](ListBarModel& model) {
      return com::PutOut(value, model.CurrentGroup());
    });
  }
  HRESULT SetEnumValue(DISPID id, LONG value) override {
    return WithGroups(id, [&](ListBarModel& model) {
      if (value < 1 || value > model.Groups().Count()) return E_INVALIDARG;
      model.SetCurrentGroup(value);
      return S_OK;
    });
  }
  HRESULT GetEnumBase(DISPID id, LONG* base) override {
    if (!base) return E_POINTER;
    return WithGroups(id, [&](ListBarModel&) { return com::PutOut(base, 1); });
  }

  // IListBarCurrentTab
  HRESULT GetCurrentTab(SHORT* tab) override {
    if (!tab) return E_POINTER;
    return WithModel([&](ListBarModel& model) { return com::PutOut(tab, model.CurrentTab()); });
  }
  HRESULT SetCurrentTab(SHORT tab) override {
    return WithModel([&](ListBarModel& model) {
      if (tab < 1 || tab > model.Tabs().Count()) return E_INVALIDARG;
      model.SetCurrentTab(tab);
      return S_OK;
    });
  }

  // IListBarImageLists
  HRESULT GetImageListCount(ULONG* count) override {
    return WithModel([&](ListBarModel&) { return com::PutOut(count, 2); });
  }
  HRESULT GetImageListIds(ULONG capacity, DISPID* ids, ULONG* written) override {
    if (!written || (capacity && !ids)) return E_POINTER;
    return WithModel([&](ListBarModel&) {
      const DISPID all[] = {kDispidLargeIcons, kDispidSmallIcons};
      ULONG n = 0;
      for (; n < capacity && n < std::size(all); ++n) ids[n] = all[n];
      *written = n;
      return S_OK;
    });
  }
  HRESULT GetFixedSize(DISPID id, VARIANT_BOOL* fixed) override {
    return WithImages(id, fixed, [](const ListBarImageList& l) {
      return l.FixedSize() ? VARIANT_TRUE : VARIANT_FALSE;
    });
  }
  HRESULT GetImageWidth(DISPID id, LONG* width) override {
    return WithImages(id, width, [](const ListBarImageList& l) { return l.ImageWidth(); });
  }
  HRESULT GetImageHeight(DISPID id, LONG* height) override {
    return WithImages(id, height, [](const ListBarImageList& l) { return l.ImageHeight(); });
  }
  HRESULT GetBackColor(DISPID id, OLE_COLOR* color) override {
    return WithImages(id, color, [](const ListBarImageList& l) { return l.BackColor(); });
  }

  // IOleObject
  // The control is not embedded in a container here: it has no site.
  HRESULT GetClientSite(IOleClientSite** site) override {
    if (site) *site = nullptr;
    return E_NOTIMPL;
  }
  HRESULT DoVerb(LONG verb, MSG*, IUnknown*, LONG, HWND, const RECT*) override {
    return WithModel([&](ListBarModel&) {
      if (verb != kVerbConfigureToolBars || !link_->configure) return E_NOTIMPL;
      link_->configure();
      return S_OK;
    });
  }

  // IPersistStreamInit
  HRESULT GetClassID(CLSID* clsid) override {
    if (clsid) *clsid = GUID_NULL;
    return E_NOTIMPL;
  }
  HRESULT IsDirty() override {
    return WithModel([&](ListBarModel& model) { return model.IsDirty() ? S_OK : S_FALSE; });
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IConnectionPointContainer) return Face<IConnectionPointContainer>();
    if (iid == IID_IListBarPropertyStrings) return Face<IListBarPropertyStrings>();
    if (iid == IID_IListBarCustomEnum) return Face<IListBarCustomEnum>();
    if (iid == IID_IListBarCurrentTab) return Face<IListBarCurrentTab>();
    if (iid == IID_IListBarImageLists) return Face<IListBarImageLists>();
    if (iid == IID_IOleObject) return Face<IOleObject>();
    if (iid == IID_IPersist || iid == IID_IPersistStreamInit) return Face<IPersistStreamInit>();
    return FindDispatch(iid, IID_DListBar);
  }

 private:
  template <typename Body>
  HRESULT WithModel(Body body) {
    return com::Guarded([&]() -> HRESULT {
      if (!link_->model) return E_UNEXPECTED;
      try {
        return body(*link_->model);
      } catch (const rt::VbError&) {
        return E_INVALIDARG;
      }
    });
  }
  template <typename Body>
  HRESULT WithGroups(DISPID id, Body body) {
    if (id != kDispidCurrentGroup) return E_INVALIDARG;
    return WithModel(body);
  }
  template <typename T, typename Get>
  HRESULT WithImages(DISPID id, T* out, Get get) {
    if (!out) return E_POINTER;
    if (!IsImageList(id)) return E_INVALIDARG;
    return WithModel([&](ListBarModel& model) {
      return com::PutOut(out, get(ImagesOf(model, id)));
    });
  }

  // A property the face keeps itself; a change marks the bar dirty and is reported.
  template <typename Get, typename Put>
  void BindOwn(DISPID id, Get get, Put put) {
    Bind(id, INVOKE_PROPERTYGET, [this, get](ListBarModel&, Invocation& call) {
      return SetResult(call, get(*link_));
    });
    Bind(id, INVOKE_PROPERTYPUT, [this, id, put](ListBarModel& model, Invocation& call) {
      const HRESULT hr = put(*link_, call.args[0]);
      if (FAILED(hr)) {
        call.error = QStringLiteral("Invalid property value");
        return hr;
      }
      model.SetDirty(true);
      link_->Report(id);
      return S_OK;
    });
  }

  com::ConnectionPoints points_{this};
};

DISPID DispidOf(ListBarProperty property) {
  switch (property) {
    case ListBarProperty::Groups:
    case ListBarProperty::ListItems:
      return kDispidGroups;
    case ListBarProperty::Tabs:
      return kDispidTabs;
    case ListBarProperty::LargeIcons:
      return kDispidLargeIcons;
    case ListBarProperty::SmallIcons:
      return kDispidSmallIcons;
    case ListBarProperty::CurrentGroup:
      return kDispidCurrentGroup;
    case ListBarProperty::CurrentTab:
      return kDispidCurrentTabChanged;
    case ListBarProperty::Picture:
      return kDispidAnimatedPicture;
    case ListBarProperty::PictureFrames:
      return kDispidAnimatedPictureFrames;
  }
  return DISPID_UNKNOWN;
}

}  // namespace

ListBarAutomationHost::ListBarAutomationHost(ListBarModel& model)
    : link_(std::make_shared<ListBarLink>()) {
  link_->model = &model;
  link_->types = BuildTypes();
  link_->cookie = model.Subscribe(
      [link = link_.get()](ListBarProperty property) { link->Report(DispidOf(property)); });
  object_ = com::Create<ControlObject, IDispatch>(IID_IDispatch, link_);
}

ListBarAutomationHost::~ListBarAutomationHost() { Detach(); }

void ListBarAutomationHost::SetToolBarConfigurator(std::function<void()> configure) {
  link_->configure = std::move(configure);
}

void ListBarAutomationHost::Detach() {
  if (!link_->model) return;
  link_->model->Unsubscribe(link_->cookie);
  link_->model = nullptr;
  link_->configure = nullptr;
}

}  // namespace ctl
