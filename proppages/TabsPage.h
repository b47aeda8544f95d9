#pragma once
// The Tabs page: edits the tabs of one list bar, its "Tabs" collection. The user picks a
// tab in the combo box (or steps through the tabs with the arrows), edits its
// properties as the browser's rows in its list, and adds or removes tabs. The page
// follows the control's current tab and rebuilds when the collection changes. The
// combo lists "<Index> - <Caption>" ("(No Caption)" without one); the selected tab's rows
// are listed in "2201", and a tab's Index row is writable and moves the tab.

#include <memory>

#include "platform/com/Dispatch.h"
#include "platform/com/ListBarInterfaces.h"
#include "proppages/ControlPage.h"
#include "proppages/PropertyBrowserPage.h"

class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace qvp {

class CQVTabsPropPage final : public SingleControlPage<CQVPropertyPage> {
 public:
  explicit CQVTabsPropPage(IUnknown* outer) : SingleControlPage(outer, 7, false) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVTabsPropPage>(outer, iid, out);
  }

  HRESULT OnHelp(LPCOLESTR helpDir) override;
  HRESULT OnPropertyChanged(DISPID id) override;

  // The arrows' state as last set: 0 both enabled, 1 left disabled, 2 right disabled,
  // 3 both disabled; -1 before the first.
  int ArrowsState() const { return arrows_; }
  // The selected tab's rows; empty without one.
  const RowList& TabRows() const;

 protected:
  void BuildDialog(QWidget* dialog) override;
  HRESULT OnApply() override;
  void SetControlsEnabled(bool enabled) override;
  void ShowNoObject() override { currentTab_ = {}; }
  void ForgetObject() override;
  bool NothingLoaded() const override { return !tabs_; }
  PropertyListView* ListOf(const CListBoxItem&) const override { return list_; }
  void LoadObject() override;
  void DialogGone() override;

 private:
  void Rebuild();
  void FillCombo();
  void ShowSelected();
  void SetControlTab();
  void UpdateArrows();
  void Step(int by);
  void AddTab();
  void RemoveTab();
  void PostRebuild(bool own);
  void OnRebuild(bool own);
  void OnPaint();
  CExpandableCollectionItem* Selected() const;

  com::Ref<ctl::IListBarCurrentTab> currentTab_;
  std::unique_ptr<CCollectionProperty> tabs_;  // one member per tab, with its rows
  bool changePending_ = false;
  bool refreshPending_ = false;
  bool editingCollection_ = false;
  bool ownTabChange_ = false;
  int arrows_ = -1;

  QComboBox* combo_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* remove_ = nullptr;
  PropertyListView* list_ = nullptr;
  QToolButton* left_ = nullptr;
  QToolButton* right_ = nullptr;
};

}  // namespace qvp
