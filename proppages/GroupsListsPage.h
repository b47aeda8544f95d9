#pragma once
// The Groups/Lists page: edits the two levels of a list bar, its "Groups" collection
// and each group's "ListItems". The user picks a group and sees its properties as
// rows of the property browser, picks one of its list items and sees that item's rows
// in a second list, and adds or removes groups and list items. Changes of the groups
// made elsewhere are picked up. The selected group's rows are listed in "1029" (its
// ListItems row shows "Count: n"); the combo "1028" picks a list item, whose rows are
// listed in "1030". The last group is never removed.

#include <memory>

#include "platform/com/Dispatch.h"
#include "proppages/ControlPage.h"
#include "proppages/PropertyBrowserPage.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace qvp {

class CQVGroupsAndListsPropPage final : public SingleControlPage<CQVPropertyPage> {
 public:
  explicit CQVGroupsAndListsPropPage(IUnknown* outer) : SingleControlPage(outer, 3, false) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVGroupsAndListsPropPage>(outer, iid, out);
  }

  HRESULT OnHelp(LPCOLESTR helpDir) override;
  HRESULT OnPropertyChanged(DISPID id) override;

  // The selected group's rows (its "ListItems" among them) and the selected item's;
  // empty without a selection.
  const RowList& GroupRows() const;
  const RowList& ItemRows() const;

 protected:
  void BuildDialog(QWidget* dialog) override;
  HRESULT OnApply() override;
  void SetControlsEnabled(bool enabled) override;
  void ForgetObject() override;
  bool NothingLoaded() const override { return !groups_; }
  void LoadObject() override { LoadGroups(); }
  PropertyListView* ListOf(const CListBoxItem& row) const override;
  void DialogGone() override;

 private:
  void LoadGroups();
  void FillGroupCombo();
  void ShowGroup();
  void FillItemCombo();
  void ShowItem();
  CExpandableCollectionItem* SelectedGroup() const;
  CExpandableCollectionItem* SelectedItem() const;
  CCollectionProperty* ListItemsRow() const;
  void AddGroup();
  void RemoveGroup();
  void AddItem();
  void RemoveItem();
  void PostReload(bool own);
  void OnReload(bool own);
  void OnPaint();

  std::unique_ptr<CCollectionProperty> groups_;  // one member per group, with its rows
  bool refreshPosted_ = false;
  bool refreshPending_ = false;
  bool ownChange_ = false;

  QComboBox* groupCombo_ = nullptr;
  QComboBox* itemCombo_ = nullptr;
  PropertyListView* groupList_ = nullptr;
  PropertyListView* itemList_ = nullptr;
  QPushButton* addGroup_ = nullptr;
  QPushButton* removeGroup_ = nullptr;
  QPushButton* addItem_ = nullptr;
  QPushButton* removeItem_ = nullptr;
  QLabel* itemsCaption_ = nullptr;
};

}  // namespace qvp
