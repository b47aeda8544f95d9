#include "proppages/GroupsListsPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "platform/ui/ButtonRow.h"
#include "proppages/PageStrings.h"

namespace qvp {

namespace {

constexpr DWORD kDefaultHelp = 401;
const QString kListItems = QStringLiteral("ListItems");

// Selects `index` clamped to the combo's entries (0 for none remembered).
void SelectClamped(QComboBox* combo, int index) {
  if (combo->count()) combo->setCurrentIndex(std::clamp(index, 0, combo->count() - 1));
}

}  // namespace

HRESULT CQVGroupsAndListsPropPage::Help(LPCOLESTR) {
  MemberList* list = itemList_ && itemList_->hasFocus() ? itemList_ : groupList_;
  const MemberRow* row = list ? list->CurrentRow() : nullptr;
  return ShowPageHelp(row ? row->helpContext : kDefaultHelp);
}

void CQVGroupsAndListsPropPage::BuildDialog(QWidget* dialog) {
  groupCombo_ = new QComboBox(dialog);
  groupCombo_->setObjectName(QStringLiteral("1002"));
  groupList_ = new MemberList("1029", dialog);
  addGroup_ = ui::NamedButton(QStringLiteral("A&dd Group"), QStringLiteral("1031"), dialog);
  removeGroup_ = ui::NamedButton(QStringLiteral("&Remove Group"), QStringLiteral("1032"), dialog);
  itemsCaption_ = new QLabel(QStringLiteral("&ListItems for Group 'Mail':"), dialog);
  itemsCaption_->setObjectName(QStringLiteral("1035"));
  itemCombo_ = new QComboBox(dialog);
  itemCombo_->setObjectName(QStringLiteral("1028"));
  itemsCaption_->setBuddy(itemCombo_);
  itemList_ = new MemberList("1030", dialog);
  addItem_ = ui::NamedButton(QStringLiteral("Add &Item"), QStringLiteral("1033"), dialog);
  removeItem_ = ui::NamedButton(QStringLiteral("R&emove Item"), QStringLiteral("1034"), dialog);
  auto* groupLabel = new QLabel(QStringLiteral("&Group:"), dialog);
  groupLabel->setBuddy(groupCombo_);

  auto* layout = new QGridLayout(dialog);
  layout->addWidget(groupLabel, 0, 0, 1, 2);
  layout->addWidget(itemsCaption_, 0, 2, 1, 2);
  layout->addWidget(groupCombo_, 1, 0, 1, 2);
  layout->addWidget(itemCombo_, 1, 2, 1, 2);
  layout->addWidget(groupList_, 2, 0, 1, 2);
  layout->addWidget(itemList_, 2, 2, 1, 2);
  layout->addWidget(addGroup_, 3, 0);
  layout->addWidget(removeGroup_, 3, 1);
  layout->addWidget(addItem_, 3, 2);
  layout->addWidget(removeItem_, 3, 3);
  layout->setRowStretch(2, 1);

  WatchPaint(dialog, [this] { OnPaint(); });
  QObject::connect(groupCombo_, &QComboBox::activated, dialog, [this](int) {
    ApplyPending();
    ShowGroup();
  });
  QObject::connect(itemCombo_, &QComboBox::activated, dialog, [this](int) {
    ApplyPending();
    ShowItem();
  });
  QObject::connect(addGroup_, &QPushButton::clicked, dialog, [this] { AddGroup(); });
  QObject::connect(removeGroup_, &QPushButton::clicked, dialog, [this] { RemoveGroup(); });
  QObject::connect(addItem_, &QPushButton::clicked, dialog, [this] { AddItem(); });
  QObject::connect(removeItem_, &QPushButton::clicked, dialog, [this] { RemoveItem(); });
  groupList_->onEdited = [this](MemberRow&) { MakeDirty(); };
  itemList_->onEdited = [this](MemberRow&) { MakeDirty(); };
  groupCombo_->setFocus();
}

void CQVGroupsAndListsPropPage::DialogGone() {
  groupRows_.clear();
  itemRows_.clear();
  groups_ = {};
  groupCombo_ = nullptr;
  groupList_ = itemList_ = nullptr;
}

void CQVGroupsAndListsPropPage::SetControlsEnabled(bool enabled) {
  if (!groupCombo_) return;
  for (QWidget* w : std::initializer_list<QWidget*>{groupCombo_, itemCombo_, addGroup_, removeGroup_, addItem_,
                                                    removeItem_, groupList_, itemList_})
    w->setEnabled(enabled);
}

void CQVGroupsAndListsPropPage::ForgetObject() {
  if (groupList_) {
    groupList_->Show(nullptr);
    itemList_->Show(nullptr);
  }
  groupRows_.clear();
  itemRows_.clear();
  groupMembers_.clear();
  itemMembers_.clear();
  groups_ = {};
}

void CQVGroupsAndListsPropPage::LoadGroups() {
  groups_ = {};
  com::Variant groups;
  const DISPID id = com::IdOfName(control_.get(), QStringLiteral("Groups"));
  if (id != DISPID_UNKNOWN && SUCCEEDED(com::GetProperty(control_.get(), id, groups)) &&
      groups.Get().vt == VT_DISPATCH)
    groups_ = com::Ref<IDispatch>(groups.Get().pdispVal);
  groupMembers_ = CollectionMembers(groups_.get());
  FillGroupCombo();
  ShowGroup();
}

void CQVGroupsAndListsPropPage::FillGroupCombo() {
  const int remembered = groupCombo_->currentIndex();
  groupCombo_->clear();
  for (const auto& member : groupMembers_)
    if (auto entry = ComboEntry(ReadMemberRows(member.get()), "Caption", "(No Caption)"))
      groupCombo_->addItem(*entry);
  const bool any = !groupMembers_.empty();
  itemCombo_->setEnabled(any);
  removeItem_->setEnabled(any);
  SelectClamped(groupCombo_, remembered);
  // The last group is never removed.
  removeGroup_->setEnabled(groupMembers_.size() >= 2);
}

MemberRow* CQVGroupsAndListsPropPage::ListItemsRow() {
  for (MemberRow& r : groupRows_)
    if (r.name == kListItems && r.collection) return &r;
  return nullptr;
}

void CQVGroupsAndListsPropPage::ShowGroup() {
  const int at = groupCombo_->currentIndex();
  itemsCaption_->setText(PageTextFormat(2101, QByteArray::number(at + 1).constData()));
  groupRows_ = at >= 0 && at < static_cast<int>(groupMembers_.size())
                   ? ReadMemberRows(groupMembers_[static_cast<size_t>(at)].get())
                   : MemberRows();
  groupList_->Show(&groupRows_, [](const MemberRow& r) { return r.name != kListItems; });
  FillItemCombo();
}

void CQVGroupsAndListsPropPage::FillItemCombo() {
  const int remembered = itemCombo_->currentIndex();
  itemCombo_->clear();
  MemberRow* items = ListItemsRow();
  itemMembers_ = items ? CollectionMembers(items->collection.get()) : std::vector<com::Ref<IDispatch>>();
  for (const auto& member : itemMembers_)
    if (auto entry = ComboEntry(ReadMemberRows(member.get()), "Text", "(No Text)")) itemCombo_->addItem(*entry);
  SelectClamped(itemCombo_, remembered);
  const bool any = !itemMembers_.empty();
  itemCombo_->setEnabled(any);
  removeItem_->setEnabled(any);
  ShowItem();
}

void CQVGroupsAndListsPropPage::ShowItem() {
  const int at = itemCombo_->currentIndex();
  itemRows_ = at >= 0 && at < static_cast<int>(itemMembers_.size())
                  ? ReadMemberRows(itemMembers_[static_cast<size_t>(at)].get())
                  : MemberRows();
  itemList_->Show(&itemRows_);
}

void CQVGroupsAndListsPropPage::AddGroup() {
  ApplyPending();
  ownChange_ = true;
  if (groups_ && SUCCEEDED(CollectionAdd(groups_.get(), FreshExceptionInfo()))) {
    groupMembers_ = CollectionMembers(groups_.get());
    FillGroupCombo();
    groupCombo_->setCurrentIndex(groupCombo_->count() - 1);
    ShowGroup();
    MakeDirty();
  }
  ownChange_ = false;
}

void CQVGroupsAndListsPropPage::RemoveGroup() {
  ApplyPending();
  const int at = groupCombo_->currentIndex();
  if (groupMembers_.size() < 2 || at < 0) return;
  ownChange_ = true;
  if (SUCCEEDED(CollectionRemove(groups_.get(), at + 1, FreshExceptionInfo()))) {
    groupMembers_ = CollectionMembers(groups_.get());
    FillGroupCombo();
    SelectClamped(groupCombo_, at);
    ShowGroup();
    if (groupMembers_.size() == 1) groupList_->setFocus();
    MakeDirty();
  }
  ownChange_ = false;
}

void CQVGroupsAndListsPropPage::AddItem() {
  ApplyPending();
  MemberRow* items = ListItemsRow();
  if (!items) return;
  ownChange_ = true;
  if (SUCCEEDED(CollectionAdd(items->collection.get(), FreshExceptionInfo()))) {
    FillItemCombo();
    itemCombo_->setCurrentIndex(itemCombo_->count() - 1);
    ShowItem();
    MakeDirty();
  }
  ownChange_ = false;
}

void CQVGroupsAndListsPropPage::RemoveItem() {
  ApplyPending();
  MemberRow* items = ListItemsRow();
  const int at = itemCombo_->currentIndex();
  if (!items || at < 0) return;
  ownChange_ = true;
  if (SUCCEEDED(CollectionRemove(items->collection.get(), at + 1, FreshExceptionInfo()))) {
    FillItemCombo();
    if (itemMembers_.empty()) {
      groupList_->setFocus();
    } else {
      SelectClamped(itemCombo_, at);
      ShowItem();
    }
    MakeDirty();
  }
  ownChange_ = false;
}

HRESULT CQVGroupsAndListsPropPage::OnApply() {
  const bool wasApplying = applying_;
  applying_ = true;
  HRESULT hr = S_OK;
  for (auto [rows, list] : {std::pair{&groupRows_, groupList_}, std::pair{&itemRows_, itemList_}}) {
    for (MemberRow& row : *rows) {
      if (!row.modified || SUCCEEDED(WriteRow(row, FreshExceptionInfo()))) continue;
      if (list) list->SelectRow(&row);
      hr = E_FAIL;
      break;
    }
    if (FAILED(hr)) break;
  }
  applying_ = wasApplying;
  if (Dialog()) Dialog()->update();
  return hr;
}

void CQVGroupsAndListsPropPage::PostReload(bool own) {
  if (!Dialog()) return;
  refreshPosted_ = true;
  QMetaObject::invokeMethod(Dialog(), [this, own] { OnReload(own); }, Qt::QueuedConnection);
}

void CQVGroupsAndListsPropPage::OnReload(bool own) {
  if (!refreshPosted_ || !groupCombo_) return;
  refreshPosted_ = false;
  const int remembered = groupCombo_->currentIndex();
  LoadGroups();
  if (own) {
    SelectClamped(groupCombo_, remembered);
    ShowGroup();
  }
}

void CQVGroupsAndListsPropPage::OnPaint() {
  if (!refreshPending_ || !groupCombo_) return;
  refreshPending_ = false;
  LoadGroups();
}

HRESULT CQVGroupsAndListsPropPage::OnChanged(DISPID id) {
  if (!groupCombo_ || id != com::IdOfName(control_.get(), QStringLiteral("Groups"))) return S_OK;
  if (applying_ || ownChange_) {
    if (!ownChange_) PostReload(true);
    return S_OK;
  }
  if (!IsActive()) {
    refreshPending_ = true;
    return S_OK;
  }
  PostReload(false);
  return S_OK;
}

}  // namespace qvp
