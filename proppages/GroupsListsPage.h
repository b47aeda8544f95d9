#pragma once
// The Groups/Lists page: edits the two levels of a list bar, its "Groups" collection
// and each group's "ListItems". The user picks a group and sees its properties as
// name|value rows, picks one of its list items and sees that item's rows, and adds or
// removes groups and list items. Changes of the groups made elsewhere are picked up.

#include <vector>

#include "platform/com/Dispatch.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/MemberRows.h"
#include "proppages/PageSupport.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace qvp {

class CQVGroupsAndListsPropPage final : public CQVPropPageBase {
 public:
  explicit CQVGroupsAndListsPropPage(IUnknown* outer) : CQVPropPageBase(outer, 3) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVGroupsAndListsPropPage>(outer, iid, out);
  }

  HRESULT Help(LPCOLESTR helpDir) override;
  HRESULT OnChanged(DISPID id) override;

  const MemberRows& GroupRows() const { return groupRows_; }
  const MemberRows& ItemRows() const { return itemRows_; }

 protected:
  void BuildDialog(QWidget* dialog) override;
  HRESULT OnNewObjects() override;
  HRESULT OnApply() override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ResetObject();
  void SetControlsEnabled(bool enabled);
  bool IsActive() const;
  void ApplyPending();
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

  com::Ref<IDispatch> control_;
  SinkConnection sink_;
  com::Ref<IDispatch> groups_;
  std::vector<com::Ref<IDispatch>> groupMembers_;
  MemberRows groupRows_;  // the selected group's, with its "ListItems" row
  std::vector<com::Ref<IDispatch>> itemMembers_;
  MemberRows itemRows_;  // the selected list item's
  bool refreshPosted_ = false;
  bool refreshPending_ = false;
  bool ownChange_ = false;
  bool applying_ = false;

  QComboBox* groupCombo_ = nullptr;
  QComboBox* itemCombo_ = nullptr;
  RowList* groupList_ = nullptr;
  RowList* itemList_ = nullptr;
  QPushButton* addGroup_ = nullptr;
  QPushButton* removeGroup_ = nullptr;
  QPushButton* addItem_ = nullptr;
  QPushButton* removeItem_ = nullptr;
  QLabel* itemsCaption_ = nullptr;
};

}  // namespace qvp
