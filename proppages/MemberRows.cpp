#include "proppages/MemberRows.h"

#include <QHeaderView>
#include <algorithm>

#include "platform/com/Enum.h"
#include "platform/com/Memory.h"
#include "platform/com/TypeInfo.h"
#include "platform/runtime/Codepage.h"
#include "platform/ui/Prompt.h"
#include "proppages/PageStrings.h"
#include "proppages/PageSupport.h"

namespace qvp {

namespace {

IDispatch* DispatchOf(const VARIANT& v) { return v.vt == VT_DISPATCH ? v.pdispVal : nullptr; }

void AddRow(IDispatch* object, ITypeInfo* type, MEMBERID id, VARTYPE vt, bool readOnly, MemberRows& rows) {
  com::Variant value;
  if (FAILED(com::GetProperty(object, id, value))) return;
  MemberRow row;
  row.id = id;
  row.vt = vt;
  row.readOnly = readOnly;
  row.object = com::Ref<IDispatch>(object);
  BSTR name = nullptr;
  if (FAILED(type->GetDocumentation(id, &name, nullptr, &row.helpContext, nullptr))) return;
  row.name = com::ToQString(name);
  SysFreeString(name);
  if (IDispatch* collection = DispatchOf(value.Get())) {
    // Objects other than collections are not shown.
    if (com::IdOfName(collection, QStringLiteral("_NewEnum")) != DISPID_NEWENUM) return;
    const auto members = CollectionMembers(collection);
    row.collection = com::Ref<IDispatch>(collection);
    row.count = static_cast<int>(members.size());
    row.readOnly = true;
    row.text = PageTextFormat(2102, row.count);
  } else {
    com::Variant text;
    if (SUCCEEDED(VariantChangeType(text.Ptr(), &value.Get(), 0, VT_BSTR)))
      row.text = com::ToQString(text.Get().bstrVal);
  }
  rows.push_back(std::move(row));
}

void ShowSetError(const MemberRow& row, const QString& reason) {
  ui::MsgBox(QStringLiteral("%1 : %2.").arg(row.name, reason), ui::vbOKOnly | ui::vbCritical,
             PageText(kStrErrorSettingProperty));
}

}  // namespace

MemberRows ReadMemberRows(IDispatch* object) {
  MemberRows rows;
  com::Ref<ITypeInfo> type;
  if (!object || FAILED(object->GetTypeInfo(0, 0x400, type.Out())) || !type) return rows;
  TYPEATTR* attr = nullptr;
  if (FAILED(type->GetTypeAttr(&attr)) || !attr) return rows;
  const TYPEATTR a = *attr;
  type->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < a.cVars; ++i) {
    VARDESC* var = nullptr;
    if (FAILED(type->GetVarDesc(i, &var)) || !var) continue;
    if (var->varkind != VAR_CONST && !(var->wVarFlags & VARFLAG_FHIDDEN))
      AddRow(object, type.get(), var->memid, var->elemdescVar.tdesc.vt, var->wVarFlags & VARFLAG_FREADONLY, rows);
    type->ReleaseVarDesc(var);
  }
  std::stable_sort(rows.begin(), rows.end(), [](const MemberRow& x, const MemberRow& y) {
    return x.name.compare(y.name, Qt::CaseInsensitive) < 0;
  });
  return rows;
}

const MemberRow* FindRow(const MemberRows& rows, const QString& name) {
  for (const MemberRow& r : rows)
    if (r.name == name) return &r;
  return nullptr;
}

std::optional<QString> ComboEntry(const MemberRows& rows, const char* textRow, const char* empty) {
  const MemberRow* index = FindRow(rows, QStringLiteral("Index"));
  if (!index) return std::nullopt;
  const MemberRow* text = FindRow(rows, QLatin1String(textRow));
  const QString shown = text && !text->text.isEmpty() ? text->text : QLatin1String(empty);
  return index->text + QStringLiteral(" - ") + shown;
}

std::vector<com::Ref<IDispatch>> CollectionMembers(IDispatch* collection) {
  std::vector<com::Ref<IDispatch>> members;
  if (!collection || com::IdOfName(collection, QStringLiteral("_NewEnum")) != DISPID_NEWENUM) return members;
  com::Variant value;
  if (FAILED(com::GetProperty(collection, DISPID_NEWENUM, value))) return members;
  const VARIANT& v = value.Get();
  auto items = com::QueryAs<IEnumVARIANT>(v.vt == VT_UNKNOWN ? v.punkVal : DispatchOf(v), IID_IEnumVARIANT);
  if (!items) return members;
  com::ForEachItem(items.get(), [&](const VARIANT& member) {
    if (IDispatch* d = DispatchOf(member)) members.emplace_back(d);
    return true;
  });
  return members;
}

HRESULT CollectionAdd(IDispatch* collection, EXCEPINFO* excep) {
  const com::Variant at = com::Variant::I2(-1);
  return com::CallMember(collection, com::IdOfName(collection, QStringLiteral("InternalAdd")), DISPATCH_METHOD,
                         {&at, 1}, nullptr, excep);
}

HRESULT CollectionRemove(IDispatch* collection, int position, EXCEPINFO* excep) {
  const com::Variant at = com::Variant::I2(static_cast<SHORT>(position));
  return com::CallMember(collection, com::IdOfName(collection, QStringLiteral("Remove")), DISPATCH_METHOD,
                         {&at, 1}, nullptr, excep);
}

HRESULT WriteRow(MemberRow& row, EXCEPINFO* excep) {
  const com::Variant text = com::Variant::Text(row.text);
  com::Variant value;
  const VARTYPE vt = row.vt == VT_VARIANT || row.vt == VT_EMPTY ? static_cast<VARTYPE>(VT_BSTR) : row.vt;
  if (FAILED(VariantChangeType(value.Ptr(), &text.Get(), 0, vt))) {
    ShowSetError(row, PageText(1010));
    return E_FAIL;
  }
  if (FAILED(com::CallMember(row.object.get(), row.id, DISPATCH_PROPERTYPUT, {&value, 1}, nullptr, excep))) {
    if (excep && excep->bstrDescription && *excep->bstrDescription)
      ShowSetError(row, com::ToQString(excep->bstrDescription));
    else
      ui::MsgBox(PageTextFormat(2100, rt::ToCp1252(row.name).c_str()), ui::vbOKOnly | ui::vbCritical,
                 PageText(kStrErrorSettingProperty));
    return E_FAIL;
  }
  row.modified = false;
  return S_OK;
}

MemberList::MemberList(const char* id, QWidget* parent) : QTableWidget(0, 2, parent) {
  setObjectName(QLatin1String(id));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  setStyleSheet(QStringLiteral("QTableWidget { gridline-color: #c8c8c8; }"));
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (filling_ || item->column() != 1) return;
    MemberRow* row = RowAt(item->row());
    if (!row || row->text == item->text()) return;
    row->text = item->text();
    row->modified = true;
    if (onEdited) onEdited(*row);
  });
}

void MemberList::Show(MemberRows* rows, const std::function<bool(const MemberRow&)>& keep) {
  const int previous = currentRow();
  filling_ = true;
  setUpdatesEnabled(false);
  shown_.clear();
  setRowCount(0);
  if (rows)
    for (MemberRow& r : *rows)
      if (!keep || keep(r)) shown_.push_back(&r);
  setRowCount(static_cast<int>(shown_.size()));
  for (int i = 0; i < rowCount(); ++i) {
    const MemberRow& r = *shown_[static_cast<size_t>(i)];
    auto* name = new QTableWidgetItem(r.name);
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    auto* value = new QTableWidgetItem(r.text);
    value->setFlags(r.readOnly ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                               : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    setItem(i, 0, name);
    setItem(i, 1, value);
  }
  if (rowCount()) setCurrentCell(std::clamp(previous, 0, rowCount() - 1), 1);
  setUpdatesEnabled(true);
  filling_ = false;
}

MemberRow* MemberList::RowAt(int line) const {
  return line >= 0 && line < static_cast<int>(shown_.size()) ? shown_[static_cast<size_t>(line)] : nullptr;
}

void MemberList::SelectRow(const MemberRow* row) {
  for (size_t i = 0; i < shown_.size(); ++i)
    if (shown_[i] == row) setCurrentCell(static_cast<int>(i), 1);
}

void MemberList::resizeEvent(QResizeEvent* event) {
  QTableWidget::resizeEvent(event);
  const int half = viewport()->width() / 2;
  setColumnWidth(0, half);
  setColumnWidth(1, viewport()->width() - half);
}

}  // namespace qvp
