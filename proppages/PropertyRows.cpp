#include "proppages/PropertyRows.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <cstring>

#include "proppages/ColorDialog.h"
#include "proppages/FontDialog.h"
#include "proppages/PictureDialog.h"

namespace qvp {

namespace {

constexpr LCID kLocale = 0x400;

const QString kTrue = QStringLiteral("True");
const QString kFalse = QStringLiteral("False");

HRESULT Copy(com::Variant& out, const VARIANT& value) { return VariantCopy(out.Out(), &value); }

IUnknown* ObjectOf(const VARIANT& value) {
  if (value.vt == VT_DISPATCH) return value.pdispVal;
  if (value.vt == VT_UNKNOWN) return value.punkVal;
  return nullptr;
}

bool ToLong(const VARIANT& value, LONG& out) {
  com::Variant v;
  if (FAILED(VariantChangeType(v.Ptr(), &value, 0, VT_I4))) return false;
  out = v.Get().lVal;
  return true;
}


}  // namespace

bool ReadProperty(IDispatch* object, DISPID id, com::Variant& value) {
  return object && com::GetProperty(object, id, value) == S_OK;
}

QString CutText(const QString& text, int max) {
  if (text.size() <= max) return text;
  int n = max;
  if (n > 0 && text[n - 1].isHighSurrogate()) --n;
  return text.left(n);
}

bool CListBoxItem::IsSame(const CListBoxItem& other) const {
  return std::strcmp(ClassName(), other.ClassName()) == 0 && name == other.name;
}

// --- CProperty ---

CProperty::CProperty(DISPID id, int rowLevel, IDispatch* object, bool refresh)
    : dispid_(id), object_(object), refresh_(refresh) {
  level = rowLevel;
}

bool CProperty::TextOf(const VARIANT& value, QString& text) {
  com::Variant v;
  if (value.vt == VT_EMPTY) {
    text.clear();
    return true;
  }
  if (FAILED(VariantChangeType(v.Ptr(), &value, 0, VT_BSTR))) return false;
  text = com::ToQString(v.Get().bstrVal);
  return true;
}

void CProperty::Revert() {
  // Through the row's own kind: the text (and colour or entry) a read value shows.
  const com::Variant value = remembered_;
  SetValue(value.Get());
}

void CProperty::ShowRemembered() {
  QString text;
  if (TextOf(remembered_.Get(), text)) valueText = text;
  LONG number = 0;
  if (IsIndexRow() && ToLong(remembered_.Get(), number) && number < 0) valueText.clear();
  modified = false;
}

void CProperty::SetValue(const VARIANT& value) {
  Copy(remembered_, value);
  mixed = false;
  ShowRemembered();
}

bool CProperty::SetText(const QString& text) {
  if (readOnly_) return false;
  if (text.isEmpty()) {
    if (mixed || valueText.isEmpty()) return false;
  } else if (text == valueText && !mixed) {
    return false;
  }
  valueText = text;
  mixed = false;
  modified = true;
  return true;
}

HRESULT CProperty::GetValue(com::Variant& out) const {
  QString text = valueText;
  if (IsIndexRow()) {
    if (text.trimmed().isEmpty())
      text = QStringLiteral("-1");
    else if (text == QLatin1String("-1"))
      text = QStringLiteral("-2");
  }
  com::Variant value = com::Variant::Text(text);
  const HRESULT hr = value.ChangeType(vt);
  if (FAILED(hr)) return hr;
  out = std::move(value);
  return S_OK;
}

bool CProperty::MergeWith(const CProperty& other) {
  if (dispid_ != other.dispid_ || category != other.category ||
      std::strcmp(ClassName(), other.ClassName()) != 0 || name != other.name)
    return false;
  if (valueText != other.valueText) mixed = true;
  return true;
}

void CProperty::CollectPending(std::vector<CProperty*>& pending) {
  if (!modified) return;
  pending.push_back(this);
  modified = false;
}

bool CProperty::Refresh() {
  com::Variant value;
  if (!ReadProperty(object_, dispid_, value)) return false;
  SetValue(value.Get());
  return true;
}

bool CProperty::IsSame(const CListBoxItem& other) const {
  if (std::strcmp(ClassName(), other.ClassName()) != 0) return false;
  const auto& o = static_cast<const CProperty&>(other);
  if (dispid_ != o.dispid_ || name != o.name || path.size() != o.path.size()) return false;
  for (size_t i = 0; i < path.size(); ++i)
    if (path[i].collection != o.path[i].collection || path[i].index != o.path[i].index)
      return false;
  return true;
}

CPropertyRO::CPropertyRO(DISPID id, int rowLevel, IDispatch* object, bool refresh)
    : CProperty(id, rowLevel, object, refresh) {
  readOnly_ = true;
}

CPropertyWithButton::CPropertyWithButton(DISPID id, int rowLevel, IDispatch* object, bool refresh)
    : CProperty(id, rowLevel, object, refresh) {
  hasButton = true;
}

// --- About ---

CAboutBoxProperty::CAboutBoxProperty(IDispatch* object)
    : CPropertyWithButton(DISPID_ABOUTBOX, 0, object, false) {
  fixedText = true;
  SetName(QStringLiteral("(About)"));
}

void CAboutBoxProperty::DoDefault(RowHost& host) {
  if (!object_) return;
  QPointer<QWidget> active = QApplication::activeWindow();
  IDispatch* object = object_;
  RunDialog(host, [object] { com::CallMember(object, DISPID_ABOUTBOX, DISPATCH_METHOD, {}); });
  if (active) active->activateWindow();
}

bool CAboutBoxProperty::PressButton(RowHost& host) {
  DoDefault(host);
  return false;
}

// --- Boolean ---

CBoolProperty::CBoolProperty(DISPID id, int rowLevel, IDispatch* object, bool refresh)
    : CPropertyWithButton(id, rowLevel, object, refresh) {
  hasDropDown = true;
  fixedText = true;
}

void CBoolProperty::SetValue(const VARIANT& value) {
  Copy(remembered_, value);
  com::Variant b;
  const bool on = SUCCEEDED(VariantChangeType(b.Ptr(), &value, 0, VT_BOOL)) && b.Get().boolVal;
  valueText = on ? kTrue : kFalse;
  mixed = false;
  modified = false;
}

HRESULT CBoolProperty::GetValue(com::Variant& out) const {
  out = com::Variant::Bool(valueText.startsWith(u'T'));
  return S_OK;
}

void CBoolProperty::DoDefault(RowHost&) { SetText(valueText.startsWith(u'T') ? kFalse : kTrue); }

bool CBoolProperty::SetText(const QString& text) {
  if (text != kTrue && text != kFalse) return false;
  if (text == valueText && !mixed) return false;
  valueText = text;
  mixed = false;
  modified = true;
  return true;
}

QStringList CBoolProperty::Entries() const { return {kTrue, kFalse}; }

// --- Enumeration ---

CEnumProperty::CEnumProperty(DISPID id, int rowLevel, IDispatch* object, bool refresh,
                             std::vector<Entry> entries)
    : CPropertyWithButton(id, rowLevel, object, refresh), entries_(std::move(entries)) {
  hasDropDown = true;
  fixedText = true;
}

void CEnumProperty::Select(int position) {
  current_ = position;
  valueText = entries_[position].text;
}

void CEnumProperty::SetValue(const VARIANT& value) {
  Copy(remembered_, value);
  mixed = false;
  modified = false;
  LONG number = 0;
  if (!ToLong(value, number)) return;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].value == number) return Select(static_cast<int>(i));
}

HRESULT CEnumProperty::GetValue(com::Variant& out) const {
  if (current_ < 0) return Copy(out, remembered_.Get());
  com::Variant value = com::Variant::I4(entries_[current_].value);
  if (vt != VT_I4 && vt != VT_EMPTY) {
    const HRESULT hr = value.ChangeType(vt);
    if (FAILED(hr)) return hr;
  }
  out = std::move(value);
  return S_OK;
}

void CEnumProperty::DoDefault(RowHost&) {
  if (entries_.empty()) return;
  const int next = current_ + 1 >= static_cast<int>(entries_.size()) ? 0 : current_ + 1;
  SetText(entries_[next].text);
}

bool CEnumProperty::SetText(const QString& text) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].text != text) continue;
    if (static_cast<int>(i) == current_ && !mixed) return false;
    Select(static_cast<int>(i));
    mixed = false;
    modified = true;
    return true;
  }
  return false;
}

bool CEnumProperty::MergeWith(const CProperty& other) {
  const auto* o = dynamic_cast<const CEnumProperty*>(&other);
  if (!o || o->entries_.size() != entries_.size()) return false;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].value != o->entries_[i].value || entries_[i].text != o->entries_[i].text)
      return false;
  return CProperty::MergeWith(other);
}

QStringList CEnumProperty::Entries() const {
  QStringList texts;
  for (const Entry& e : entries_) texts << e.text;
  return texts;
}

CComboProperty::CComboProperty(DISPID id, int rowLevel, IDispatch* object, bool refresh,
                               QStringList suggestions)
    : CEnumProperty(id, rowLevel, object, refresh, {}) {
  fixedText = false;
  for (int i = 0; i < suggestions.size(); ++i) entries_.push_back({i, suggestions[i]});
}

void CComboProperty::DoDefault(RowHost&) {
  if (entries_.empty()) return;
  const QString text = CutText(valueText, kComboTextMax);
  int found = -1;
  for (size_t i = 0; i < entries_.size() && !text.isEmpty(); ++i)
    if (entries_[i].text.startsWith(text, Qt::CaseInsensitive)) {
      found = static_cast<int>(i);
      break;
    }
  const int next = found < 0 || found + 1 >= static_cast<int>(entries_.size()) ? 0 : found + 1;
  if (next != found) CProperty::SetText(entries_[next].text);
}

// --- Custom enumeration ---

CCustomEnumProperty::CCustomEnumProperty(DISPID id, int rowLevel, IDispatch* object, bool refresh,
                                         com::Ref<ctl::IListBarPropertyStrings> strings,
                                         com::Ref<ctl::IListBarCustomEnum> enumeration, LONG base)
    : CEnumProperty(id, rowLevel, object, refresh, {}),
      strings_(std::move(strings)),
      enumeration_(std::move(enumeration)),
      base_(base) {}

bool PredefinedStrings(ctl::IListBarPropertyStrings* strings, DISPID id, QStringList& out) {
  ULONG count = 0;
  LPOLESTR* texts = nullptr;
  if (!strings || FAILED(strings->GetPredefinedStrings(id, &count, &texts))) return false;
  out.clear();
  for (ULONG i = 0; i < count; ++i) {
    out << (texts[i] ? QString::fromUtf16(texts[i]) : QString());
    CoTaskMemFree(texts[i]);
  }
  CoTaskMemFree(texts);
  return true;
}

bool CCustomEnumProperty::RefreshValues() {
  QStringList texts;
  if (!PredefinedStrings(strings_.get(), dispid_, texts)) return false;
  std::vector<Entry> entries;
  for (int i = 0; i < texts.size(); ++i) {
    const LONG value = base_ + i;
    entries.push_back({value, QStringLiteral("%1 - %2").arg(value).arg(texts[i])});
  }
  entries_ = std::move(entries);
  current_ = -1;
  valueText.clear();
  LONG value = 0;
  if (!enumeration_ || FAILED(enumeration_->GetEnumValue(dispid_, &value))) return false;
  vt = VT_I4;
  SetValue(com::Variant::I4(value).Get());
  return true;
}

HRESULT CCustomEnumProperty::Apply(IUnknown* control) const {
  if (current_ < 0) return E_FAIL;
  auto target = com::QueryAs<ctl::IListBarCustomEnum>(control, ctl::IID_IListBarCustomEnum);
  if (!target) return E_NOINTERFACE;
  return target->SetEnumValue(dispid_, entries_[current_].value);
}

// --- Colour ---

QString CColorProperty::FormatColor(OLE_COLOR color) {
  return QStringLiteral("&H%1&").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

bool CColorProperty::ParseColor(const QString& typed, OLE_COLOR& color) {
  const QString text = typed.isEmpty() ? QStringLiteral("0") : typed.trimmed();
  bool ok = false;
  if (text.startsWith(u'&')) {
    if (!text.startsWith(QLatin1String("&H"))) return false;
    QString digits = text.mid(2);
    if (digits.endsWith(u'&')) digits.chop(1);
    if (digits.isEmpty() || digits.size() > 8) return false;
    color = digits.toUInt(&ok, 16);
    return ok;
  }
  const qlonglong number = text.toLongLong(&ok);
  if (!ok || number < INT32_MIN || number > UINT32_MAX) return false;
  color = static_cast<OLE_COLOR>(number);
  return true;
}

void CColorProperty::SetValue(const VARIANT& value) {
  Copy(remembered_, value);
  LONG number = 0;
  com::Variant u;
  if (SUCCEEDED(VariantChangeType(u.Ptr(), &value, 0, VT_UI4)))
    color_ = u.Get().ulVal;
  else if (ToLong(value, number))
    color_ = static_cast<OLE_COLOR>(number);
  valueText = FormatColor(color_);
  mixed = false;
  modified = false;
}

HRESULT CColorProperty::GetValue(com::Variant& out) const {
  OLE_COLOR color = 0;
  if (!ParseColor(valueText, color)) return DISP_E_TYPEMISMATCH;
  // Colours are 32 bits either way: a signed type takes the same bits.
  com::Variant value = vt == VT_I4 ? com::Variant::I4(static_cast<LONG>(color))
                                   : com::Variant::UI4(color);
  if (vt != VT_I4 && vt != VT_UI4) {
    const HRESULT hr = value.ChangeType(vt);
    if (FAILED(hr)) return hr;
  }
  out = std::move(value);
  return S_OK;
}

bool CColorProperty::SetText(const QString& text) {
  OLE_COLOR color = 0;
  if (!ParseColor(text, color)) return false;
  const QString formatted = FormatColor(color);
  if (formatted == valueText && !mixed) return false;
  color_ = color;
  valueText = formatted;
  mixed = false;
  modified = true;
  return true;
}

bool CColorProperty::PressButton(RowHost& host) {
  CColorDialog dialog;
  dialog.color = color_;
  int result = 0;
  if (!RunDialog(host, [&] { result = dialog.Run(host.DialogOwner()); })) return false;
  return result == 1 && SetText(FormatColor(dialog.color));
}

// --- Pictures ---

CPictureProperty::CPictureProperty(DISPID id, int rowLevel, IDispatch* object, bool refresh)
    : CPropertyWithButton(id, rowLevel, object, refresh) {
  fixedText = true;
}

QString CPictureProperty::TextOfType(SHORT type) {
  switch (type) {
    case PICTYPE_BITMAP:
      return QStringLiteral("(Bitmap)");
    case PICTYPE_METAFILE:
      return QStringLiteral("(Metafile)");
    case PICTYPE_ICON:
      return QStringLiteral("(Icon)");
    case PICTYPE_ENHMETAFILE:
      return QStringLiteral("(EMetafile)");
    default:
      return QStringLiteral("(None)");
  }
}

void CPictureProperty::Take(com::Ref<IPicture> picture) {
  picture_ = std::move(picture);
  SHORT type = PICTYPE_NONE;
  if (picture_) picture_->get_Type(&type);
  valueText = TextOfType(type);
}

void CPictureProperty::SetValue(const VARIANT& value) {
  Copy(remembered_, value);
  Take(com::QueryAs<IPicture>(ObjectOf(value), IID_IPicture));
  mixed = false;
  modified = false;
}

HRESULT CPictureProperty::GetValue(com::Variant& out) const {
  auto disp = com::QueryAs<IDispatch>(picture_.get(), IID_IPictureDisp);
  out = com::Variant::Dispatch(disp.get());
  return S_OK;
}

bool CPictureProperty::SetText(const QString& text) {
  if (!text.isEmpty()) return false;
  SHORT type = PICTYPE_NONE;
  if (!picture_ || FAILED(picture_->get_Type(&type)) || type == PICTYPE_NONE) return false;
  PICTDESC desc;
  com::Ref<IPicture> empty;
  if (FAILED(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, empty.OutVoid()))) return false;
  Take(std::move(empty));
  modified = true;
  return true;
}

bool CPictureProperty::PressButton(RowHost& host) {
  CPictureDialog dialog(picture_.get());
  int result = 0;
  if (!RunDialog(host, [&] { result = dialog.Run(host.DialogOwner()); })) return false;
  if (result != 1 || dialog.Picture().Get() == picture_.get()) return false;
  Take(com::Ref<IPicture>(dialog.Picture().Get()));
  modified = true;
  return true;
}

// --- Fonts ---

CFontProperty::CFontProperty(DISPID id, int rowLevel, IDispatch* object, bool refresh)
    : CPropertyWithButton(id, rowLevel, object, refresh) {
  fixedText = true;
}

QString CFontProperty::FormatFontText(const QFont& font) {
  const int points = qRound(font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75);
  QString text = QStringLiteral("%1, %2").arg(font.family()).arg(points);
  if (font.weight() >= QFont::Bold) text += QStringLiteral(", Bold");
  if (font.italic()) text += QStringLiteral(", Italic");
  if (font.underline()) text += QStringLiteral(", Underline");
  if (font.strikeOut()) text += QStringLiteral(", Strikethrough");
  return text;
}

void CFontProperty::SetValue(const VARIANT& value) {
  Copy(remembered_, value);
  held_ = com::QueryAs<IFont>(ObjectOf(value), IID_IFont);
  if (held_) held_->GetFont(&font_);
  valueText = held_ ? FormatFontText(font_) : QString();
  mixed = false;
  modified = false;
}

HRESULT CFontProperty::GetValue(com::Variant& out) const {
  com::Ref<IFont> copy;
  if (held_) {
    const HRESULT hr = held_->Clone(copy.Out());
    if (FAILED(hr)) return hr;
  } else {
    FONTDESC desc;
    const std::u16string face = font_.family().toStdU16String();
    desc.lpstrName = face.c_str();
    desc.cySize.int64 = 10 * 10000;
    const HRESULT hr = OleCreateFontIndirect(&desc, IID_IFont, copy.OutVoid());
    if (FAILED(hr)) return hr;
  }
  copy->put_Bold(font_.weight() >= QFont::Bold);
  copy->put_Italic(font_.italic());
  copy->put_Underline(font_.underline());
  copy->put_Strikethrough(font_.strikeOut());
  BSTR face = SysAllocString(reinterpret_cast<const char16_t*>(font_.family().utf16()));
  copy->put_Name(face);
  SysFreeString(face);
  if (font_.pointSizeF() > 0) {
    CY size;
    size.int64 = qRound64(font_.pointSizeF() * 10000);
    copy->put_Size(size);
  }
  auto disp = com::QueryAs<IDispatch>(copy.get(), IID_IFontDisp);
  if (!disp) return E_NOINTERFACE;
  out = com::Variant::Dispatch(disp.get());
  return S_OK;
}

bool CFontProperty::PressButton(RowHost& host) {
  std::optional<QFont> chosen;
  const QFont start = font_;
  if (!RunDialog(host, [&] { chosen = ChooseFont(start, host.DialogOwner()); }) || !chosen) return false;
  const QString text = FormatFontText(*chosen);
  const bool changed = chosen->family() != font_.family() ||
                       chosen->weight() != font_.weight() || chosen->italic() != font_.italic() ||
                       chosen->underline() != font_.underline() ||
                       chosen->strikeOut() != font_.strikeOut() ||
                       chosen->pointSizeF() != font_.pointSizeF();
  if (!changed) return false;
  font_ = *chosen;
  valueText = text;
  modified = true;
  return true;
}

// --- Headers and collections ---

CExpandableItem::CExpandableItem(LONG categoryId) : category(categoryId) { expandable = true; }

void CExpandableItem::DoDefault(RowHost& host) {
  expanded = !expanded;
  host.ExpansionChanged(*this);
}

bool CExpandableItem::IsSame(const CListBoxItem& other) const {
  const auto* o = dynamic_cast<const CExpandableItem*>(&other);
  return o && o->category == category;
}

CExpandableCollectionItem::CExpandableCollectionItem(CCollectionProperty& owner, int index)
    : owner_(owner), index_(index) {
  expandable = true;
  level = owner.level + 1;
}

void CExpandableCollectionItem::DoDefault(RowHost& host) {
  expanded = !expanded;
  host.ExpansionChanged(*this);
}

bool CExpandableCollectionItem::IsSame(const CListBoxItem& other) const {
  const auto* o = dynamic_cast<const CExpandableCollectionItem*>(&other);
  return o && o->index_ == index_ && o->owner_.IsSame(owner_);
}

void CExpandableCollectionItem::AppendVisible(std::vector<CListBoxItem*>& out) const {
  for (const RowPtr& row : rows) {
    out.push_back(row.get());
    if (row->IsExpanded()) row->AppendVisible(out);
  }
}

CCollectionProperty::CCollectionProperty(com::Ref<IDispatch> collection, DISPID id, int rowLevel,
                                         IDispatch* object, bool refresh)
    : CProperty(id, rowLevel, object, refresh), collection_(std::move(collection)) {
  expandable = true;
  readOnly_ = true;
}

void CCollectionProperty::DoDefault(RowHost& host) {
  expanded = !expanded;
  host.ExpansionChanged(*this);
}

bool CCollectionProperty::Refresh() {
  bool ok = true;
  for (const auto& member : members_)
    for (const RowPtr& row : member->rows)
      if (auto* p = dynamic_cast<CProperty*>(row.get())) ok = p->Refresh() && ok;
  modified = false;
  return ok;
}

bool CCollectionProperty::IsSame(const CListBoxItem& other) const {
  const auto* o = dynamic_cast<const CCollectionProperty*>(&other);
  return o && o->dispid_ == dispid_ && o->path.size() == path.size() && o->name == name;
}

void CCollectionProperty::CollectPending(std::vector<CProperty*>& pending) {
  CProperty::CollectPending(pending);
  for (const auto& member : members_)
    for (const RowPtr& row : member->rows)
      if (auto* p = dynamic_cast<CProperty*>(row.get())) p->CollectPending(pending);
}

void CCollectionProperty::AppendVisible(std::vector<CListBoxItem*>& out) const {
  for (const auto& member : members_) {
    out.push_back(member.get());
    if (member->expanded) member->AppendVisible(out);
  }
}

CExpandableCollectionItem& CCollectionProperty::AddMember() {
  members_.push_back(
      std::make_unique<CExpandableCollectionItem>(*this, static_cast<int>(members_.size())));
  NameMembers();
  return *members_.back();
}

int CCollectionProperty::ExpandedMembers() const {
  int n = 0;
  for (const auto& member : members_) n += member->expanded ? 1 : 0;
  return n;
}

int CCollectionProperty::CountVisibleRows() const {
  std::vector<CListBoxItem*> rows;
  AppendVisible(rows);
  return static_cast<int>(rows.size());
}

bool CCollectionProperty::ContainsRow(const CListBoxItem& row) const {
  for (const auto& member : members_) {
    if (member.get() == &row) return true;
    for (const RowPtr& r : member->rows) {
      if (r.get() == &row) return true;
      if (auto* c = dynamic_cast<const CCollectionProperty*>(r.get()); c && c->ContainsRow(row))
        return true;
    }
  }
  return false;
}

void CCollectionProperty::NameMembers() {
  const int first = name == QLatin1String("Panes") ? 0 : 1;
  for (size_t i = 0; i < members_.size(); ++i) {
    CExpandableCollectionItem& m = *members_[i];
    m.index_ = static_cast<int>(i);
    m.SetName(QStringLiteral("%1(%2)").arg(name).arg(static_cast<int>(i) + first));
  }
}

bool CallCollectionMethod(IDispatch* collection, const QString& name, SHORT argument) {
  if (!collection) return false;
  const DISPID id = com::IdOfName(collection, name);
  if (id == DISPID_UNKNOWN) return false;
  com::Ref<ITypeInfo> info;
  if (FAILED(collection->GetTypeInfo(0, kLocale, info.Out())) || !info) return false;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return false;
  bool plain = false;
  for (UINT i = 0; i < attr->cFuncs && !plain; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(info->GetFuncDesc(i, &f))) continue;
    plain = f->memid == id && f->invkind == INVOKE_FUNC && f->cParams == 1 && f->cParamsOpt == 0;
    info->ReleaseFuncDesc(f);
  }
  info->ReleaseTypeAttr(attr);
  if (!plain) return false;
  const com::Variant args[] = {com::Variant::I2(argument)};
  return SUCCEEDED(com::CallMember(collection, id, DISPATCH_METHOD, args));
}

bool CCollectionProperty::AddItem(RowHost& host) {
  if (!CallCollectionMethod(collection_.get(), QStringLiteral("InternalAdd"), -1)) return false;
  host.MarkDirty();
  return true;
}

namespace {

// Sets the element position of every row below a member whose path passes through
// the collection at `depth`.
void RenumberPaths(RowList& rows, size_t depth, int index) {
  for (RowPtr& row : rows) {
    auto* p = dynamic_cast<CProperty*>(row.get());
    if (!p) continue;
    if (p->path.size() > depth) p->path[depth].index = index;
    if (auto* c = dynamic_cast<CCollectionProperty*>(p))
      for (int m = 0; m < c->MemberCount(); ++m) RenumberPaths(c->Member(m).rows, depth, index);
  }
}

}  // namespace

bool CCollectionProperty::RemoveItem(RowHost& host, int index) {
  if (index < 1 || index > MemberCount()) return false;
  if (!CallCollectionMethod(collection_.get(), QStringLiteral("Remove"),
                            static_cast<SHORT>(index)))
    return false;
  members_.erase(members_.begin() + (index - 1));
  NameMembers();
  const size_t depth = path.size();
  for (int m = index - 1; m < MemberCount(); ++m) {
    CExpandableCollectionItem& member = *members_[m];
    RenumberPaths(member.rows, depth, m);
    // An element without an "Index" row keeps no position of its own to renumber.
    for (RowPtr& row : member.rows)
      if (auto* p = dynamic_cast<CProperty*>(row.get()); p && p->name == QLatin1String("Index"))
        p->SetValue(com::Variant::I2(static_cast<SHORT>(m + 1)).Get());
  }
  host.MarkDirty();
  return true;
}

}  // namespace qvp
