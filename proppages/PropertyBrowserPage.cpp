#include "proppages/PropertyBrowserPage.h"

#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/Enum.h"
#include "platform/ui/Prompt.h"
#include "proppages/PageStrings.h"
#include "proppages/PageSupport.h"
#include "proppages/PictureRef.h"

namespace qvp {

namespace {

constexpr LCID kLocale = 0x400;
constexpr IID IID_IExtenderDispatch = com::MakeGuid("40A050A0-3C31-101B-A82E-08002B2B2337");
constexpr DISPID DISPID_HWND = -515;

const char kInvalidValue[] = "Invalid value";
const char kContinueQuestion[] =
    "Do you wish to continue attempting to set this property for other controls?";

// The browser page whose list holds the process's current editing state.
CQVPropertyPage* g_activePage = nullptr;

QString Bstr(BSTR& text) {
  QString s = com::ToQString(text);
  SysFreeString(text);
  text = nullptr;
  return s;
}

QString TypeName(ITypeInfo* type) {
  BSTR name = nullptr;
  if (FAILED(type->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) return {};
  return Bstr(name);
}

int CompareNames(const RowPtr& a, const RowPtr& b) {
  return QString::compare(a->name, b->name, Qt::CaseInsensitive);
}

// The elements of a collection in enumeration order; none when its "_NewEnum" gives no
// enumerator.
std::vector<com::Ref<IDispatch>> Elements(IDispatch* collection) {
  std::vector<com::Ref<IDispatch>> elements;
  com::Variant items;
  if (!collection || FAILED(com::GetProperty(collection, DISPID_NEWENUM, items))) return elements;
  auto enumerator = com::QueryAs<IEnumVARIANT>(
      items.Type() == VT_UNKNOWN || items.Type() == VT_DISPATCH ? items.Get().punkVal : nullptr,
      IID_IEnumVARIANT);
  if (!enumerator) return elements;
  com::ForEachItem(enumerator.get(), [&](const VARIANT& item) {
    IUnknown* o = item.vt == VT_DISPATCH || item.vt == VT_UNKNOWN ? item.punkVal : nullptr;
    if (auto element = com::QueryAs<IDispatch>(o, IID_IDispatch)) elements.push_back(std::move(element));
    return true;
  });
  return elements;
}

}  // namespace

const RowList& RowsOf(const CExpandableCollectionItem* member) {
  static const RowList none;
  return member ? member->rows : none;
}

CListBoxItem* FindRow(const RowList& rows, const QString& name) {
  for (const RowPtr& row : rows)
    if (row->name == name) return row.get();
  return nullptr;
}

std::optional<QString> MemberEntry(const RowList& rows, const char* textRow, const char* empty) {
  const CListBoxItem* index = FindRow(rows, QStringLiteral("Index"));
  if (!index) return std::nullopt;
  const CListBoxItem* text = FindRow(rows, QLatin1String(textRow));
  const QString shown = text && !text->valueText.isEmpty() ? text->valueText : QLatin1String(empty);
  return index->valueText + QStringLiteral(" - ") + shown;
}

namespace {

}  // namespace

// --- category table ---

CategoryTable::CategoryTable() {
  const std::pair<LONG, const char*> standard[] = {
      {-5, "Appearance"}, {-6, "Behavior"}, {-7, "Data"}, {-11, "DDE"},    {-3, "Font"},
      {-8, "List"},       {-2, "Misc"},     {-1, "Nil"},  {-4, "Position"}, {-10, "Scale"},
      {-9, "Text"}};
  for (const auto& [id, name] : standard) entries_[used_++] = {id, QString::fromLatin1(name)};
}

bool CategoryTable::Contains(LONG id) const {
  for (int i = 0; i < used_; ++i)
    if (entries_[i].id == id) return true;
  return false;
}

bool CategoryTable::Add(LONG id, const QString& name) {
  if (Contains(id)) return true;
  if (used_ >= kSize || id == 0) return false;
  entries_[used_++] = {id, name + QLatin1Char(' ')};
  // Only the used slots are sorted: the empty ones stay behind them.
  std::stable_sort(entries_.begin(), entries_.begin() + used_, [](const Entry& a, const Entry& b) {
    return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
  });
  return true;
}

// --- one edited control ---

class CQVPropertyPage::Control {
 public:
  Control(IUnknown* object, IPropertyNotifySink* sink) : object_(object) {
    dispatch_ = com::QueryAs<IDispatch>(object, ctl::IID_DListBar);
    com::Ref<IDispatch> extender;
    if (SUCCEEDED(GetExtendedControl(object, extender.Out())) && extender &&
        com::QueryAs<IUnknown>(extender.get(), IID_IExtenderDispatch))
      extender_ = std::move(extender);
    auto container =
        com::QueryAs<IConnectionPointContainer>(object, IID_IConnectionPointContainer);
    if (container && SUCCEEDED(container->FindConnectionPoint(IID_IPropertyNotifySink,
                                                              point_.Out())) &&
        point_ && FAILED(point_->Advise(sink, &cookie_)))
      point_ = {};
  }
  ~Control() {
    if (point_) point_->Unadvise(cookie_);
  }
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  IUnknown* Object() const { return object_; }
  IDispatch* Dispatch() const { return dispatch_.get(); }
  IDispatch* Extender() const { return extender_.get(); }

 private:
  IUnknown* object_;
  com::Ref<IDispatch> dispatch_;
  com::Ref<IDispatch> extender_;
  com::Ref<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// --- page ---

CQVPropertyPage::CQVPropertyPage(IUnknown* outer, int index, bool categorized)
    : CQVPropPageBase(outer, index), categorized_(categorized) {
  sink_ = NotifyForwarder::Make(this);
}

CQVPropertyPage::~CQVPropertyPage() {
  if (g_activePage == this) g_activePage = nullptr;
  Reset();
  sink_->Detach();
}

void CQVPropertyPage::Reset() {
  ContentGone();
  if (list_) list_->SetRows({}, nullptr);
  headers_.clear();
  rows_.clear();
  controls_.clear();
  builtFor_.clear();
  loaded_ = false;
}

void CQVPropertyPage::BuildDialog(QWidget* dialog) {
  auto* layout = new QVBoxLayout(dialog);
  layout->setContentsMargins(0, 0, 0, 0);
  list_ = new PropertyListView(*this, dialog);
  list_->SetLeftMargin(categorized_ ? list_->IndentStep() + 1 : 0);
  layout->addWidget(list_);
}

bool CQVPropertyPage::DialogProc(UINT message, WPARAM, LPARAM) {
  if (message != kMsgFreeObjects) return false;
  // The dialog goes: rows and controls go with it, so a later activation reads afresh.
  Reset();
  list_ = nullptr;
  if (g_activePage == this) g_activePage = nullptr;
  return true;
}

void CQVPropertyPage::Activated() {
  if (g_activePage == this) return;
  g_activePage = this;
  for (const RowPtr& row : rows_)
    if (auto* p = dynamic_cast<CProperty*>(row.get()); p && p->Refreshes()) p->Refresh();
  if (refreshPending_) {
    refreshPending_ = false;
    OnChanged(DISPID_UNKNOWN);
  }
}

HRESULT CQVPropertyPage::OnNewObjects() {
  std::vector<IUnknown*> objects;
  for (IUnknown* o : Objects())
    if (o) objects.push_back(o);
  if (objects.empty()) {
    Reset();
    return E_FAIL;
  }
  // The same objects again: one object's rows are already built (E_FAIL); several are
  // left as they are (S_FALSE).
  if (objects == builtFor_ && loaded_) return objects.size() == 1 ? E_FAIL : S_FALSE;
  // Other objects, whatever their count: the rows are read again.
  Reset();
  for (IUnknown* o : objects)
    if (!com::QueryAs<IDispatch>(o, ctl::IID_DListBar)) return E_ACCESSDENIED;
  firstObject_ = com::Ref<IUnknown>(objects[0]);
  GetInPlaceFrame();
  for (IUnknown* o : objects) {
    auto control = std::make_unique<Control>(o, sink_.get());
    RowList built;
    AddObjectProperties(control->Dispatch(), built, 0, {}, 0);
    if (control->Extender()) AddExtenderProperties(control->Extender(), built);
    if (controls_.empty()) {
      rows_ = std::move(built);
    } else {
      // Only the properties every control has remain.
      RowList kept;
      for (RowPtr& row : rows_) {
        auto* p = dynamic_cast<CProperty*>(row.get());
        const bool merged = p && std::any_of(built.begin(), built.end(), [&](const RowPtr& b) {
          auto* q = dynamic_cast<CProperty*>(b.get());
          return q && p->MergeWith(*q);
        });
        if (merged) kept.push_back(std::move(row));
      }
      rows_ = std::move(kept);
    }
    controls_.push_back(std::move(control));
  }
  SortRows();
  builtFor_ = objects;
  loaded_ = true;
  g_activePage = this;
  FillList();
  return S_FALSE;
}

void CQVPropertyPage::SortRows() {
  std::stable_sort(rows_.begin(), rows_.end(),
                   [](const RowPtr& a, const RowPtr& b) { return CompareNames(a, b) < 0; });
}

void CQVPropertyPage::AddObjectProperties(IDispatch* object, RowList& out, int level,
                                          const MemberPath& path, int depth) {
  if (!object) return;
  com::Ref<ITypeInfo> type;
  if (FAILED(object->GetTypeInfo(0, kLocale, type.Out())) || !type) return;
  WalkType(type.get(), object, out, level, path, depth, 0);
  if (!helpFileKnown_) {
    BSTR file = nullptr;
    if (SUCCEEDED(type->GetDocumentation(MEMBERID_NIL, nullptr, nullptr, nullptr, &file)) && file) {
      helpFile_ = Bstr(file);
      helpFileKnown_ = true;
    }
  }
}

void CQVPropertyPage::WalkType(ITypeInfo* type, IDispatch* object, RowList& out, int level,
                               const MemberPath& path, int depth, int baseDepth) {
  TYPEATTR* attr = nullptr;
  if (FAILED(type->GetTypeAttr(&attr))) return;
  for (UINT i = 0; i < attr->cImplTypes && baseDepth < kMaxCollectionDepth; ++i) {
    HREFTYPE ref = 0;
    com::Ref<ITypeInfo> base;
    TYPEATTR* baseAttr = nullptr;
    if (FAILED(type->GetRefTypeOfImplType(i, &ref)) || FAILED(type->GetRefTypeInfo(ref, base.Out())) ||
        FAILED(base->GetTypeAttr(&baseAttr)))
      continue;
    const bool plain = baseAttr->guid == IID_IDispatch || baseAttr->guid == IID_IUnknown;
    base->ReleaseTypeAttr(baseAttr);
    if (!plain) WalkType(base.get(), object, out, level, path, depth, baseDepth + 1);
  }
  for (UINT i = 0; i < attr->cVars; ++i) {
    VARDESC* var = nullptr;
    if (FAILED(type->GetVarDesc(i, &var))) continue;
    if (var->memid == DISPID_ABOUTBOX ||
        (var->varkind != VAR_CONST && !(var->wVarFlags & VARFLAG_FHIDDEN)))
      AddMember(type, var->memid, var->elemdescVar.tdesc, !(var->wVarFlags & VARFLAG_FREADONLY),
                object, out, level, path, depth);
    type->ReleaseVarDesc(var);
  }
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(type->GetFuncDesc(i, &f))) continue;
    const bool returnsHresult = f->elemdescFunc.tdesc.vt == VT_HRESULT;
    // A property read takes no argument (the HRESULT form: only its return slot).
    // Methods are never called to read a value.
    const bool readable = f->invkind == INVOKE_PROPERTYGET &&
                          f->cParams == (returnsHresult ? 1 : 0) &&
                          !(f->wFuncFlags & FUNCFLAG_FHIDDEN) && f->memid != DISPID_HWND;
    if (f->memid == DISPID_ABOUTBOX || readable) {
      bool writable = false;
      FUNCDESC* next = nullptr;
      if (i + 1 < attr->cFuncs && SUCCEEDED(type->GetFuncDesc(i + 1, &next))) {
        writable = next->memid == f->memid &&
                   (next->invkind == INVOKE_PROPERTYPUT || next->invkind == INVOKE_PROPERTYPUTREF);
        type->ReleaseFuncDesc(next);
      }
      const TYPEDESC& t = returnsHresult && f->cParams == 1 ? f->lprgelemdescParam[0].tdesc
                                                            : f->elemdescFunc.tdesc;
      AddMember(type, f->memid, t, writable, object, out, level, path, depth);
    }
    type->ReleaseFuncDesc(f);
  }
  type->ReleaseTypeAttr(attr);
}

bool CQVPropertyPage::ReadMemberInfo(ITypeInfo* type, MEMBERID id, IDispatch* object,
                                     CProperty& row) {
  BSTR name = nullptr;
  BSTR file = nullptr;
  DWORD context = 0;
  if (FAILED(type->GetDocumentation(id, &name, nullptr, &context, &file))) return false;
  row.SetName(Bstr(name));
  const QString helpFile = Bstr(file);
  if (!helpFileKnown_ && !helpFile.isEmpty()) {
    helpFile_ = helpFile;
    helpFileKnown_ = true;
  }
  row.helpContext = context;
  if (categorized_) {
    if (auto c = com::QueryAs<ICategorizeProperties>(object, IID_ICategorizeProperties)) {
      LONG category = PROPCAT_Misc;
      if (SUCCEEDED(c->MapPropertyToCategory(id, &category))) {
        row.category = category;
        if (!categories_.Contains(category)) {
          BSTR text = nullptr;
          if (SUCCEEDED(c->GetCategoryName(category, kLocale, &text)))
            categories_.Add(category, Bstr(text));
        }
      }
    }
  }
  return !row.name.isEmpty() && !row.name.startsWith(u'_');
}

void CQVPropertyPage::AddMember(ITypeInfo* type, MEMBERID id, const TYPEDESC& declared,
                                bool writable, IDispatch* object, RowList& out, int level,
                                const MemberPath& path, int depth) {
  if (id == DISPID_ABOUTBOX) {
    if (level == 0) out.push_back(std::make_unique<CAboutBoxProperty>(object));
    return;
  }
  com::Variant value;
  const bool read = ReadProperty(object, id, value);
  const TYPEDESC* t = &declared;
  for (int hops = 0; t->vt == VT_PTR && t->lptdesc && hops < 8; ++hops) t = t->lptdesc;
  RowPtr row;
  auto make = [&](auto* made) { row.reset(made); };
  if (!read) {
    if (t->vt == VT_VARIANT || t->vt == VT_USERDEFINED) row = AddCustomEnumRow(object, id, level);
    if (!row) return;
  } else if (t->vt == VT_USERDEFINED) {
    com::Ref<ITypeInfo> ref;
    TYPEATTR* attr = nullptr;
    if (FAILED(type->GetRefTypeInfo(t->hreftype, ref.Out())) || FAILED(ref->GetTypeAttr(&attr)))
      return;
    const TYPEKIND kind = attr->typekind;
    const QString name = TypeName(ref.get());
    if (kind == TKIND_ENUM) {
      std::vector<CEnumProperty::Entry> entries;
      for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* c = nullptr;
        if (FAILED(ref->GetVarDesc(i, &c))) continue;
        LONG number = 0;
        com::Variant v;
        if (c->lpvarValue && SUCCEEDED(VariantChangeType(v.Ptr(), c->lpvarValue, 0, VT_I4)))
          number = v.Get().lVal;
        BSTR constant = nullptr;
        ref->GetDocumentation(c->memid, &constant, nullptr, nullptr, nullptr);
        entries.push_back({number, QStringLiteral("%1 - %2").arg(number).arg(Bstr(constant))});
        ref->ReleaseVarDesc(c);
      }
      make(new CEnumProperty(id, level, object, false, std::move(entries)));
    } else if (kind == TKIND_DISPATCH) {
      if (name == QLatin1String("Font"))
        make(new CFontProperty(id, level, object, false));
      else if (name == QLatin1String("Picture"))
        make(new CPictureProperty(id, level, object, false));
      else
        row = AddObjectRow(object, id, value, level, path, depth);
    } else if (name == QLatin1String("OLE_COLOR")) {
      make(new CColorProperty(id, level, object, false));
    } else if (name == QLatin1String("OLE_OPTEXCLUSIVE") || name == QLatin1String("OLE_CANCELBOOL") ||
               name == QLatin1String("OLE_ENABLEDEFAULTBOOL")) {
      make(new CBoolProperty(id, level, object, false));
    } else if (name == QLatin1String("IFontDisp")) {
      make(new CFontProperty(id, level, object, false));
    } else if (name == QLatin1String("IPictureDisp")) {
      make(new CPictureProperty(id, level, object, false));
    }
    ref->ReleaseTypeAttr(attr);
  }
  if (!row && read) {
    const VARTYPE vt = t->vt == VT_USERDEFINED ? value.Type() : t->vt;
    if (vt == VT_DISPATCH)
      row = AddObjectRow(object, id, value, level, path, depth);
    else if (vt == VT_BOOL)
      make(new CBoolProperty(id, level, object, false));
    else if (vt == VT_VARIANT && !(row = AddCustomEnumRow(object, id, level)))
      row = AddComboRow(object, id, level);
    if (!row && vt != VT_DISPATCH) {
      if (writable)
        make(new CProperty(id, level, object, false));
      else
        make(new CPropertyRO(id, level, object, false));
    }
  }
  auto* p = dynamic_cast<CProperty*>(row.get());
  if (!p || !ReadMemberInfo(type, id, object, *p)) return;
  p->path = path;
  if (!dynamic_cast<CCustomEnumProperty*>(p) && !dynamic_cast<CCollectionProperty*>(p)) {
    if (value.Type() == VT_EMPTY) value = com::Variant::Text(QString());
    p->vt = t->vt == VT_VARIANT ? static_cast<VARTYPE>(VT_BSTR) : value.Type();
    p->SetValue(value.Get());
  }
  // The members were read before the collection's name was known.
  if (auto* c = dynamic_cast<CCollectionProperty*>(p)) c->NameMembers();
  out.push_back(std::move(row));
}

RowPtr CQVPropertyPage::AddCustomEnumRow(IDispatch* object, DISPID id, int level) {
  IUnknown* first = firstObject_ ? firstObject_.get() : object;
  auto strings = com::QueryAs<ctl::IListBarPropertyStrings>(first, ctl::IID_IListBarPropertyStrings);
  auto enumeration = com::QueryAs<ctl::IListBarCustomEnum>(object, ctl::IID_IListBarCustomEnum);
  if (!strings || !enumeration) return {};
  LONG base = 0;
  if (FAILED(enumeration->GetEnumBase(id, &base))) return {};
  auto row = std::make_unique<CCustomEnumProperty>(id, level, object, false, strings, enumeration,
                                                   base);
  if (!row->RefreshValues()) return {};
  return row;
}

RowPtr CQVPropertyPage::AddComboRow(IDispatch* object, DISPID id, int level) {
  IUnknown* first = firstObject_ ? firstObject_.get() : object;
  auto strings = com::QueryAs<ctl::IListBarPropertyStrings>(first, ctl::IID_IListBarPropertyStrings);
  QStringList suggestions;
  if (!PredefinedStrings(strings.get(), id, suggestions)) return {};
  return std::make_unique<CComboProperty>(id, level, object, false, std::move(suggestions));
}

RowPtr CQVPropertyPage::AddObjectRow(IDispatch* object, DISPID id, const com::Variant& value,
                                     int level, const MemberPath& path, int depth) {
  if (value.Type() != VT_DISPATCH || !value.Get().pdispVal) return {};
  IDispatch* collection = value.Get().pdispVal;
  if (com::IdOfName(collection, QStringLiteral("_NewEnum")) != DISPID_NEWENUM) return {};
  auto row = std::make_unique<CCollectionProperty>(com::Ref<IDispatch>(collection), id, level,
                                                   object, false);
  if (depth >= kMaxCollectionDepth) return row;
  for (com::Ref<IDispatch>& element : Elements(collection)) {
    CExpandableCollectionItem& member = row->AddMember();
    member.object = std::move(element);
    MemberPath inner = path;
    inner.push_back({id, member.GetMemberIndex()});
    AddObjectProperties(member.object.get(), member.rows, level + 2, inner, depth + 1);
  }
  return row;
}

std::unique_ptr<CCollectionProperty> CQVPropertyPage::ReadCollection(IDispatch* control,
                                                                      const QString& name) {
  const DISPID id = com::IdOfName(control, name);
  com::Variant value;
  if (id == DISPID_UNKNOWN || !ReadProperty(control, id, value)) return {};
  RowPtr row = AddObjectRow(control, id, value, 0, {}, 0);
  auto* collection = dynamic_cast<CCollectionProperty*>(row.get());
  if (!collection) return {};
  row.release();
  std::unique_ptr<CCollectionProperty> owned(collection);
  owned->SetName(name);
  owned->NameMembers();
  for (int m = 0; m < owned->MemberCount(); ++m) ReadMemberRows(owned->Member(m));
  return owned;
}

void CQVPropertyPage::ReadMemberRows(CExpandableCollectionItem& member) {
  member.rows.clear();
  AddObjectProperties(member.object.get(), member.rows, 0, {}, 1);
  std::stable_sort(member.rows.begin(), member.rows.end(),
                   [](const RowPtr& a, const RowPtr& b) { return CompareNames(a, b) < 0; });
  for (const RowPtr& row : member.rows)
    if (auto* c = dynamic_cast<CCollectionProperty*>(row.get()))
      c->valueText = PageTextFormat(2102, c->MemberCount());
}

bool CQVPropertyPage::AppendLastMember(CCollectionProperty& collection) {
  std::vector<com::Ref<IDispatch>> elements = Elements(collection.Collection());
  if (static_cast<int>(elements.size()) <= collection.MemberCount()) return false;
  CExpandableCollectionItem& member = collection.AddMember();
  member.object = std::move(elements.back());
  ReadMemberRows(member);
  return true;
}

void CQVPropertyPage::ShowMemberRows(PropertyListView& list, CExpandableCollectionItem* member,
                                     bool (*keep)(const CListBoxItem&)) {
  // The rows shown so far stay until the list has let go of them.
  RowList shown;
  std::vector<CListBoxItem*> rows;
  if (member) {
    shown.swap(member->rows);
    ReadMemberRows(*member);
    for (const RowPtr& row : member->rows)
      if (!keep || keep(*row)) rows.push_back(row.get());
  }
  list.SetRows(std::move(rows), list.CurrentRow());
}

void CQVPropertyPage::AddExtenderProperties(IDispatch* extender, RowList& out) {
  static const char* const kNames[] = {
      "Top",     "Left",     "Height",        "Width",         "Name",        "Visible",
      "Default", "Cancel",   "Index",         "TabStop",       "TabIndex",    "Tag",
      "Align",   "DragIcon", "DragMode",      "HelpContextID", "Negotiate",   "ToolTipText",
      "WhatsThisHelpID",     "CausesValidation"};
  for (const char* n : kNames) {
    const QString name = QString::fromLatin1(n);
    const QString shown = name == QLatin1String("Name") ? QStringLiteral("(Name)") : name;
    if (std::any_of(out.begin(), out.end(), [&](const RowPtr& r) { return r->name == shown; }))
      continue;
    const DISPID id = com::IdOfName(extender, name);
    com::Variant value;
    if (id == DISPID_UNKNOWN || !ReadProperty(extender, id, value)) continue;
    std::unique_ptr<CProperty> row;
    LONG category = PROPCAT_Misc;
    if (value.Type() == VT_BOOL) {
      row = std::make_unique<CBoolProperty>(id, 0, extender, true);
      category = name == QLatin1String("Negotiate") ? PROPCAT_Position : PROPCAT_Behavior;
    } else if (name == QLatin1String("Align")) {
      row = std::make_unique<CEnumProperty>(
          id, 0, extender, true,
          std::vector<CEnumProperty::Entry>{{0, QStringLiteral("0 - AlignNone")},
                                            {1, QStringLiteral("1 - AlignTop")},
                                            {2, QStringLiteral("2 - AlignBottom")},
                                            {3, QStringLiteral("3 - AlignLeft")},
                                            {4, QStringLiteral("4 - AlignRight")}});
      category = PROPCAT_Position;
    } else if (name == QLatin1String("DragMode")) {
      row = std::make_unique<CEnumProperty>(
          id, 0, extender, true,
          std::vector<CEnumProperty::Entry>{{0, QStringLiteral("0 - Manual")},
                                            {1, QStringLiteral("1 - Automatic")}});
      category = PROPCAT_Behavior;
    } else if (name == QLatin1String("DragIcon")) {
      row = std::make_unique<CPictureProperty>(id, 0, extender, true);
      category = PROPCAT_Behavior;
    } else {
      if (value.Type() == VT_EMPTY) value = com::Variant::Text(QString());
      com::Variant text;
      if (FAILED(VariantChangeType(text.Ptr(), &value.Get(), 0, VT_BSTR))) continue;
      row = std::make_unique<CProperty>(id, 0, extender, true);
      if (name == QLatin1String("Top") || name == QLatin1String("Left") ||
          name == QLatin1String("Width") || name == QLatin1String("Height"))
        category = PROPCAT_Position;
      else if (name == QLatin1String("TabIndex"))
        category = PROPCAT_Behavior;
    }
    row->SetName(shown);
    row->category = category;
    row->vt = value.Type();
    row->SetValue(value.Get());
    out.push_back(std::move(row));
  }
}

std::vector<CListBoxItem*> CQVPropertyPage::VisibleRows() const {
  std::vector<CListBoxItem*> shown;
  auto add = [&](CListBoxItem* row) {
    shown.push_back(row);
    if (row->IsExpanded()) row->AppendVisible(shown);
  };
  if (!categorized_) {
    for (const RowPtr& row : rows_) add(row.get());
    return shown;
  }
  for (const RowPtr& h : headers_) {
    auto* header = static_cast<CExpandableItem*>(h.get());
    shown.push_back(header);
    if (!header->expanded) continue;
    for (const RowPtr& row : rows_)
      if (auto* p = dynamic_cast<CProperty*>(row.get()); p && p->GetCategory() == header->category)
        add(row.get());
  }
  return shown;
}

void CQVPropertyPage::FillList() {
  if (categorized_) {
    // Headers are made again for the categories in use; expanded ones stay expanded.
    std::set<LONG> expanded;
    for (const RowPtr& h : headers_)
      if (h->IsExpanded()) expanded.insert(static_cast<CExpandableItem*>(h.get())->category);
    RowList headers;
    for (const CategoryTable::Entry& e : categories_.Entries()) {
      if (e.id == 0) continue;
      const bool used = std::any_of(rows_.begin(), rows_.end(), [&](const RowPtr& r) {
        auto* p = dynamic_cast<CProperty*>(r.get());
        return p && p->GetCategory() == e.id;
      });
      if (!used) continue;
      auto header = std::make_unique<CExpandableItem>(e.id);
      header->SetName(e.name);
      header->expanded = expanded.count(e.id) > 0;
      headers.push_back(std::move(header));
    }
    if (list_) list_->SetRows({}, nullptr);
    headers_ = std::move(headers);
  }
  if (!list_) return;
  list_->SetRows(VisibleRows(), nullptr);
}

void CQVPropertyPage::ExpansionChanged(CListBoxItem& row) {
  if (!list_) return;
  list_->SetRows(VisibleRows(), &row);
  if (!row.IsExpanded()) return;
  // Show as much of what opened as fits, and the opened row itself.
  const PropertyListModel& model = list_->Model();
  const int at = model.Find(&row);
  int below = 0;
  if (dynamic_cast<CExpandableItem*>(&row)) {
    while (at + below + 1 < model.rowCount() &&
           !dynamic_cast<CExpandableItem*>(model.Row(at + below + 1)))
      ++below;
  } else {
    std::vector<CListBoxItem*> shown;
    row.AppendVisible(shown);
    below = static_cast<int>(shown.size());
  }
  list_->scrollTo(model.index(std::min(at + below, model.rowCount() - 1), 0));
  const QRect opened = list_->visualRect(model.index(at, 0));
  if (!list_->viewport()->rect().contains(opened))
    list_->scrollTo(model.index(at, 0), QAbstractItemView::PositionAtTop);
}

void CQVPropertyPage::RowChanged(CListBoxItem& row) {
  Activated();
  if (row.modified) MakeDirty();
}

HRESULT CQVPropertyPage::OnHelp(LPCOLESTR) {
  const CListBoxItem* row = list_ ? list_->CurrentRow() : nullptr;
  return ShowTopic(row ? row->GetHelpContext() : 0);
}

com::Ref<IDispatch> CQVPropertyPage::TargetOf(const CProperty& row, const Control& control) const {
  if (controls_.size() == 1) return com::Ref<IDispatch>(row.GetObject());
  if (row.Refreshes()) return com::Ref<IDispatch>(control.Extender());
  // The same member of this control: its collection, then the element at that position.
  com::Ref<IDispatch> target(control.Dispatch());
  for (const MemberStep& step : row.path) {
    com::Variant collection;
    if (!target || FAILED(com::GetProperty(target.get(), step.collection, collection)) ||
        collection.Type() != VT_DISPATCH)
      return {};
    const com::Variant args[] = {com::Variant::I4(step.index + 1)};
    com::Variant element;
    if (FAILED(com::CallMember(collection.Get().pdispVal, DISPID_VALUE,
                               DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &element)) ||
        element.Type() != VT_DISPATCH)
      return {};
    target = com::Ref<IDispatch>(element.Get().pdispVal);
  }
  return target;
}

bool CQVPropertyPage::ReportWriteFailure(const CProperty& row, const Control* control) {
  QString text = WriteFailureText(row.name);
  QString title = QString::fromLatin1(PageStringText(kStrErrorSettingProperty));
  if (!control || controls_.size() == 1) {
    Modal([&] { ui::MsgBox(text, ui::vbOKOnly | ui::vbCritical, title); });
    return false;
  }
  if (IDispatch* extender = control->Extender()) {
    com::Variant name;
    com::Variant index;
    if (SUCCEEDED(com::GetProperty(extender, com::IdOfName(extender, QStringLiteral("Name")), name))) {
      QString shown = name.ToString();
      if (SUCCEEDED(com::GetProperty(extender, com::IdOfName(extender, QStringLiteral("Index")),
                                     index)) &&
          index.ToString() != QLatin1String("-1"))
        shown += QStringLiteral("(%1)").arg(index.ToString());
      title += QStringLiteral(" (%1)").arg(shown);
    }
  }
  text += QStringLiteral("\n\n") + QString::fromLatin1(kContinueQuestion);
  return Modal([&] { return ui::MsgBox(text, ui::vbYesNo | ui::vbCritical, title); }) == ui::vbNo;
}

HRESULT CQVPropertyPage::ApplyRow(CProperty& row) {
  // The error boxes let the host read the rows again (new objects, a rebuilt
  // collection): a row that went meanwhile is neither written nor reverted, and the
  // writes' controls went with it.
  const Watch alive = row.Watched();
  const QString title = QString::fromLatin1(PageStringText(kStrErrorSettingProperty));
  const QPointer<PropertyListView> list = ListOf(row);
  com::Variant value;
  if (FAILED(row.GetValue(value))) {
    const QString text = QStringLiteral("%1 : %2.").arg(row.name, QLatin1String(kInvalidValue));
    if (!ModalFor(alive, [&] { ui::MsgBox(text, ui::vbOKOnly | ui::vbCritical, title); })) return E_FAIL;
    row.Revert();
    if (list) {
      list->SelectRow(&row);
      list->RowUpdated(&row);
    }
    return E_FAIL;
  }
  // One write per edited control; a page without controls of its own writes once to
  // the row's object.
  struct Write {
    IUnknown* control;
    com::Ref<IDispatch> target;
    const Control* owner;
  };
  std::vector<Write> writes;
  if (controls_.empty()) writes.push_back({firstObject_.get(), com::Ref<IDispatch>(row.GetObject()), nullptr});
  for (const auto& control : controls_)
    writes.push_back({control->Object(), TargetOf(row, *control), control.get()});
  HRESULT result = S_OK;
  for (const Write& w : writes) {
    // Every write gets its own copy of the value.
    com::Variant arg = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = arg.Ptr();
    params.rgdispidNamedArgs = &named;
    params.cArgs = 1;
    params.cNamedArgs = 1;
    EXCEPINFO* info = FreshExceptionInfo();
    HRESULT hr = E_FAIL;
    if (auto* custom = dynamic_cast<CCustomEnumProperty*>(&row)) {
      if (w.control) hr = custom->Apply(w.control);
    } else if (w.target) {
      hr = w.target->Invoke(row.GetDispid(), GUID_NULL, kLocale, DISPATCH_PROPERTYPUT, &params,
                            nullptr, info, nullptr);
    }
    if (FAILED(hr)) {
      result = E_FAIL;
      const bool stop = ReportWriteFailure(row, w.owner);
      if (alive.Gone()) return E_FAIL;
      if (writes.size() == 1) {
        row.Revert();
        if (list) list->RowUpdated(&row);
      }
      if (stop) break;
    }
  }
  row.SetModified(false);
  if (FAILED(result) && list) list->SelectRow(&row);
  return result;
}

void CQVPropertyPage::CollectPending(const RowList& rows, std::vector<CProperty*>& pending) {
  for (const RowPtr& row : rows)
    if (auto* p = dynamic_cast<CProperty*>(row.get())) p->CollectPending(pending);
}

HRESULT CQVPropertyPage::WritePending(std::vector<CProperty*> pending) {
  std::stable_sort(pending.begin(), pending.end(),
                   [](const CProperty* a, const CProperty* b) { return a->GetDispid() < b->GetDispid(); });
  // A write's error box may let the rows after it go.
  std::vector<Watch> alive;
  for (const CProperty* row : pending) alive.push_back(row->Watched());
  const bool wasApplying = applying_;
  applying_ = true;
  HRESULT result = S_OK;
  for (size_t i = 0; i < pending.size(); ++i)
    if (!alive[i].Gone())
      if (const HRESULT hr = ApplyRow(*pending[i]); FAILED(hr)) result = hr;
  applying_ = wasApplying;
  return result;
}

HRESULT CQVPropertyPage::OnApply() {
  const bool nested = applying_;
  std::vector<CProperty*> pending;
  CollectPending(rows_, pending);
  const HRESULT result = WritePending(std::move(pending));
  if (nested) return result;
  std::set<DISPID> changed;
  changed.swap(changedDuringApply_);
  for (DISPID id : changed) OnChanged(id);
  if (list_) list_->viewport()->update();
  return result;
}

void CQVPropertyPage::RebuildCollection(DISPID id) {
  if (controls_.empty()) return;
  IDispatch* control = controls_.front()->Dispatch();
  for (RowPtr& row : rows_) {
    auto* old = dynamic_cast<CCollectionProperty*>(row.get());
    com::Variant value;
    if (!old || old->GetDispid() != id || !ReadProperty(control, id, value)) continue;
    RowPtr fresh = AddObjectRow(control, id, value, old->level, old->path, 0);
    auto* c = dynamic_cast<CCollectionProperty*>(fresh.get());
    if (!c) return;
    c->SetName(old->name);
    c->NameMembers();
    c->helpContext = old->helpContext;
    c->category = old->category;
    c->expanded = old->expanded;
    // Members that were open stay open.
    for (int m = 0; m < std::min(old->MemberCount(), c->MemberCount()); ++m)
      c->Member(m).expanded = old->Member(m).expanded;
    // The current row is found again by identity before the old rows go.
    CListBoxItem* current = list_ ? list_->CurrentRow() : nullptr;
    RowPtr gone = std::move(row);
    row = std::move(fresh);
    if (list_) list_->SetRows(VisibleRows(), current);
    return;
  }
}

HRESULT CQVPropertyPage::OnPropertyChanged(DISPID id) {
  if (applying_) {
    changedDuringApply_.insert(id);
    return S_OK;
  }
  if (refreshPending_) return S_OK;
  for (const RowPtr& row : rows_) {
    auto* p = dynamic_cast<CProperty*>(row.get());
    if (!p || (id != DISPID_UNKNOWN && p->GetDispid() != id)) continue;
    if (dynamic_cast<CCollectionProperty*>(p)) {
      if (g_activePage == this && Dialog()) {
        const DISPID which = p->GetDispid();
        QTimer::singleShot(0, Dialog(), [this, which] { RebuildCollection(which); });
      } else {
        refreshPending_ = true;
      }
      if (id != DISPID_UNKNOWN) return S_OK;
      continue;
    }
    if (auto* custom = dynamic_cast<CCustomEnumProperty*>(p)) {
      custom->RefreshValues();
      if (list_) list_->RowUpdated(p);
      if (id != DISPID_UNKNOWN) return S_OK;
      continue;
    }
    // With several controls the row shows one value, or none when they differ.
    com::Variant first;
    QString firstText;
    bool differs = false;
    bool read = false;
    for (const auto& control : controls_) {
      com::Variant value;
      IDispatch* source = p->Refreshes() ? control->Extender() : control->Dispatch();
      if (!ReadProperty(source, p->GetDispid(), value)) break;
      p->SetValue(value.Get());
      if (!read) {
        first = value;
        firstText = p->valueText;
        read = true;
      } else if (p->valueText != firstText) {
        differs = true;
      }
    }
    if (read) {
      p->SetValue(first.Get());
      p->mixed = differs;
    }
    if (list_) list_->RowUpdated(p);
  }
  return S_OK;
}

HRESULT CQVPropertyPage::OnPropertyRequestEdit(DISPID id) {
  // The members' pending rows are written before the collection changes elsewhere.
  std::vector<CProperty*> pending;
  for (const RowPtr& row : rows_) {
    auto* c = dynamic_cast<CCollectionProperty*>(row.get());
    if (!c || c->GetDispid() != id) continue;
    for (int m = 0; m < c->MemberCount(); ++m) CollectPending(c->Member(m).rows, pending);
  }
  WritePending(std::move(pending));
  return S_OK;
}

}  // namespace qvp
