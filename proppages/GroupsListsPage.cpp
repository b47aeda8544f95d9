#include "proppages/GroupsListsPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "platform/ui/ButtonRow.h"
#include "proppages/PageStrings.h"

namespace qvp {

namespace {

const QString kListItems = QStringLiteral("ListItems");

// Selects `index` clamped to the combo's entries (0 for none remembered).
void SelectClamped(QComboBox* combo, int index) {
  if (combo->count()) combo->setCurrentIndex(std::clamp(index, 0, combo->count() - 1));
}

// The member at the combo's selection.
CExpandableCollectionItem* MemberAt(const CCollectionProperty* collection, const QComboBox* combo) {
  const int at = combo ? combo->currentIndex() : -1;
  return collection && at >= 0 && at < collection->MemberCount() ? &collection->Member(at) : nullptr;
}

bool NotListItems(const CListBoxItem& row) { return row.name != kListItems; }

}  // namespace

HRESULT CQVGroupsAndListsPropPage::OnHelp(LPCOLESTR) {
  PropertyListView* list = itemList_ && itemList_->hasFocus() ? itemList_ : groupList_;
  const CListBoxItem* row = list ? list->CurrentRow() : nullptr;
  return ShowTopic(row ? row->GetHelpContext() : 0);
}

const RowList& CQVGroupsAndListsPropPage::GroupRows() const { return RowsOf(SelectedGroup()); }

const RowList& CQVGroupsAndListsPropPage::ItemRows() const { return RowsOf(SelectedItem()); }

CExpandableCollectionItem* CQVGroupsAndListsPropPage::SelectedGroup() const {
  return MemberAt(groups_.get(), groupCombo_);
}

CExpandableCollectionItem* CQVGroupsAndListsPropPage::SelectedItem() const {
  return MemberAt(ListItemsRow(), itemCombo_);
}

CCollectionProperty* CQVGroupsAndListsPropPage::ListItemsRow() const {
  const CExpandableCollectionItem* group = SelectedGroup();
  return group ? dynamic_cast<CCollectionProperty*>(FindRow(group->rows, kListItems)) : nullptr;
}

PropertyListView* CQVGroupsAndListsPropPage::ListOf(const CListBoxItem& row) const {
  // By the row itself: a group's and an item's rows of one property are the same kind.
  const auto lists = [&](const PropertyListView* list) {
    for (int line = 0; list && line < list->Model().rowCount(); ++line)
      if (list->Model().Row(line) == &row) return true;
    return false;
  };
  return lists(itemList_) ? itemList_ : groupList_;
}

void CQVGroupsAndListsPropPage::BuildDialog(QWidget* dialog) {
  groupCombo_ = new QComboBox(dialog);
  groupCombo_->setObjectName(QStringLiteral("1002"));
  groupList_ = new PropertyListView(*this, dialog, true);
  groupList_->setObjectName(QStringLiteral("1029"));
  addGroup_ = ui::NamedButton(QStringLiteral("A&dd Group"), QStringLiteral("1031"), dialog);
  removeGroup_ = ui::NamedButton(QStringLiteral("&Remove Group"), QStringLiteral("1032"), dialog);
  itemsCaption_ = new QLabel(QStringLiteral("&ListItems for Group 'Mail':"), dialog);
  itemsCaption_->setObjectName(QStringLiteral("1035"));
  itemCombo_ = new QComboBox(dialog);
  itemCombo_->setObjectName(QStringLiteral("1028"));
  itemsCaption_->setBuddy(itemCombo_);
  itemList_ = new PropertyListView(*this, dialog, true);
  itemList_->setObjectName(QStringLiteral("1030"));
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
    if (!ApplyPending()) return;
    ShowGroup();
  });
  QObject::connect(itemCombo_, &QComboBox::activated, dialog, [this](int) {
    if (!ApplyPending()) return;
    ShowItem();
  });
  QObject::connect(addGroup_, &QPushButton::clicked, dialog, [this] { AddGroup(); });
  QObject::connect(removeGroup_, &QPushButton::clicked, dialog, [this] { RemoveGroup(); });
  QObject::connect(addItem_, &QPushButton::clicked, dialog, [this] { AddItem(); });
  QObject::connect(removeItem_, &QPushButton::clicked, dialog, [this] { RemoveItem(); });
  groupCombo_->setFocus();
}

void CQVGroupsAndListsPropPage::DialogGone() {
  ForgetObject();
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
    groupList_->SetRows({}, nullptr);
    itemList_->SetRows({}, nullptr);
  }
  groups_.reset();
}

void CQVGroupsAndListsPropPage::LoadGroups() {
  // The listed rows go only after both lists have been refilled.
  const std::unique_ptr<CCollectionProperty> shown = std::move(groups_);
  groups_ = ReadCollection(control_.get(), QStringLiteral("Groups"));
  FillGroupCombo();
  ShowGroup();
}

void CQVGroupsAndListsPropPage::FillGroupCombo() {
  const int remembered = groupCombo_->currentIndex();
  groupCombo_->clear();
  const int count = groups_ ? groups_->MemberCount() : 0;
  for (int m = 0; m < count; ++m)
    if (auto entry = MemberEntry(groups_->Member(m).rows, "Caption", "(No Caption)")) groupCombo_->addItem(*entry);
  itemCombo_->setEnabled(count > 0);
  removeItem_->setEnabled(count > 0);
  SelectClamped(groupCombo_, remembered);
  // The last group is never removed.
  removeGroup_->setEnabled(count >= 2);
}

void CQVGroupsAndListsPropPage::ShowGroup() {
  const int at = groupCombo_->currentIndex();
  itemsCaption_->setText(PageTextFormat(2101, QByteArray::number(at + 1).constData()));
  // Reading the group again makes new list items: the item list lets go of the old.
  itemList_->SetRows({}, nullptr);
  ShowMemberRows(*groupList_, SelectedGroup(), NotListItems);
  FillItemCombo();
}

void CQVGroupsAndListsPropPage::FillItemCombo() {
  const int remembered = itemCombo_->currentIndex();
  itemCombo_->clear();
  const CCollectionProperty* items = ListItemsRow();
  const int count = items ? items->MemberCount() : 0;
  for (int m = 0; m < count; ++m)
    if (auto entry = MemberEntry(items->Member(m).rows, "Text", "(No Text)")) itemCombo_->addItem(*entry);
  SelectClamped(itemCombo_, remembered);
  itemCombo_->setEnabled(count > 0);
  removeItem_->setEnabled(count > 0);
  ShowItem();
}

void CQVGroupsAndListsPropPage::ShowItem() { ShowMemberRows(*itemList_, SelectedItem()); }

void CQVGroupsAndListsPropPage::AddGroup() {
  if (!ApplyPending()) return;
  ownChange_ = true;
  if (groups_ && groups_->AddItem(*this) && AppendLastMember(*groups_)) {
    FillGroupCombo();
    groupCombo_->setCurrentIndex(groupCombo_->count() - 1);
    ShowGroup();
  }
  ownChange_ = false;
}

void CQVGroupsAndListsPropPage::RemoveGroup() {
  if (!ApplyPending()) return;
  const int at = groupCombo_->currentIndex();
  if (!groups_ || groups_->MemberCount() < 2 || at < 0) return;
  ownChange_ = true;
  // The group's rows go with it: both lists let go of them first.
  itemList_->SetRows({}, nullptr);
  groupList_->SetRows({}, nullptr);
  if (groups_->RemoveItem(*this, at + 1)) {
    FillGroupCombo();
    SelectClamped(groupCombo_, at);
    ShowGroup();
    if (groups_->MemberCount() == 1) groupList_->setFocus();
  } else {
    ShowGroup();
  }
  ownChange_ = false;
}

void CQVGroupsAndListsPropPage::AddItem() {
  if (!ApplyPending()) return;
  CCollectionProperty* items = ListItemsRow();
  if (!items) return;
  ownChange_ = true;
  if (items->AddItem(*this) && AppendLastMember(*items)) {
    FillItemCombo();
    itemCombo_->setCurrentIndex(itemCombo_->count() - 1);
    ShowItem();
  }
  ownChange_ = false;
}

void CQVGroupsAndListsPropPage::RemoveItem() {
  if (!ApplyPending()) return;
  CCollectionProperty* items = ListItemsRow();
  const int at = itemCombo_->currentIndex();
  if (!items || at < 0) return;
  ownChange_ = true;
  itemList_->SetRows({}, nullptr);
  if (items->RemoveItem(*this, at + 1)) {
    FillItemCombo();
    if (items->MemberCount() == 0) {
      groupList_->setFocus();
    } else {
      SelectClamped(itemCombo_, at);
      ShowItem();
    }
  } else {
    ShowItem();
  }
  ownChange_ = false;
}

HRESULT CQVGroupsAndListsPropPage::OnApply() {
  const bool wasApplying = applying_;
  applying_ = true;
  // A group's rows hold its list items' rows.
  std::vector<CProperty*> pending;
  for (int m = 0; groups_ && m < groups_->MemberCount(); ++m) CollectPending(groups_->Member(m).rows, pending);
  const HRESULT hr = WritePending(std::move(pending));
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

HRESULT CQVGroupsAndListsPropPage::OnPropertyChanged(DISPID id) {
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
