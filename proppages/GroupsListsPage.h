#pragma once
// The Groups/Lists page: edits the two levels of a list bar, its "Groups" collection
// and each group's "ListItems". The user picks a group and sees its properties as
// name|value rows, picks one of its list items and sees that item's rows, and adds or
// removes groups and list items. Changes of the groups made elsewhere are picked up.

#include <vector>

#include "platform/com/Dispatch.h"
#include "proppages/ControlPage.h"
#include "proppages/MemberRows.h"
#include "proppages/PageSupport.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace qvp {

class CQVGroupsAndListsPropPage final : public CQVControlPage {
 public:
  explicit CQVGroupsAndListsPropPage(IUnknown* outer) : CQVControlPage(outer, 3) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVGroupsAndListsPropPage>(outer, iid, out);
  }

  HRESULT Help(LPCOLESTR helpDir) override;
  HRESULT OnChanged(DISPID id) override;

  const MemberRows& GroupRows() const { return groupRows_; }
  const MemberRows& ItemRows() const { return itemRows_; }

 protected:
  void BuildDialog(QWidget* dialog) override;
  HRESULT OnApply() override;
  void SetControlsEnabled(bool enabled) override;
  void ForgetObject() override;
  bool NothingLoaded() const override { return !groups_; }
  void LoadObject() override { LoadGroups(); }
  void DialogGone() override;

 private:
  void LoadGroups();
  void FillGroupCombo();
  void ShowGroup();
  void FillItemCombo();
  void ShowItem();
  MemberRow* ListItemsRow();
  void AddGroup();
  void RemoveGroup();
  void AddItem();
  void RemoveItem();
  void PostReload(bool own);
  void OnReload(bool own);
  void OnPaint();

  com::Ref<IDispatch> groups_;
  std::vector<com::Ref<IDispatch>> groupMembers_;
  MemberRows groupRows_;  // the selected group's, with its "ListItems" row
  std::vector<com::Ref<IDispatch>> itemMembers_;
  MemberRows itemRows_;  // the selected list item's
  bool refreshPosted_ = false;
  bool refreshPending_ = false;
  bool ownChange_ = false;

  QComboBox* groupCombo_ = nullptr;
  QComboBox* itemCombo_ = nullptr;
  MemberList* groupList_ = nullptr;
  MemberList* itemList_ = nullptr;
  QPushButton* addGroup_ = nullptr;
  QPushButton* removeGroup_ = nullptr;
  QPushButton* addItem_ = nullptr;
  QPushButton* removeItem_ = nullptr;
  QLabel* itemsCaption_ = nullptr;
};

}  // namespace qvp
