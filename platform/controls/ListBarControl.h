#pragma once
// The list bar: its groups shown as stacked header buttons with one group open at a
// time, the open group's list items below its header as large or small icons.
// Clicking a header opens that group and raises GroupClick with the group's key;
// clicking an item raises ItemClick with the item's key. The content lives in the
// plain model Model(); the widget follows every change of it. Items are drawn by its
// own delegate: a large item centres its icon over a wrapped caption, a small one puts
// it beside. An item's icon index is looked up in the image list of its group's view,
// then in the other. Items update in place while their number holds, so relabelling
// from inside a click is safe. Tabs are kept in the model only; the widget draws none.
// The signals are raised
// from inside Qt's event handling: their handlers trap their own errors.
// User-interface thread only.
//
// Children by objectName: the headers "groupHeader1", "groupHeader2", ... (1-based
// group position) and the item list "itemList".

#include <QString>
#include <QWidget>
#include <vector>

#include "platform/controls/ListBarModel.h"

class QListWidget;
class QToolButton;
class QVBoxLayout;

namespace ctl {

class ListBarControl : public QWidget {
  Q_OBJECT

 public:
  explicit ListBarControl(QWidget* parent = nullptr);
  ~ListBarControl() override;

  ListBarModel& Model() { return model_; }
  const ListBarModel& Model() const { return model_; }

  // Whether the configuration changed since the last SetDirty(false).
  bool IsDirty() const { return model_.IsDirty(); }
  void SetDirty(bool dirty) { model_.SetDirty(dirty); }

  QSize sizeHint() const override;

 signals:
  void ItemClick(const QString& key);
  void GroupClick(const QString& key);

 private:
  void OnModelChanged(ListBarProperty property);
  void SyncHeaders();
  void SyncItems();
  void HeaderClicked(QToolButton* header);
  QIcon ItemIcon(int index, ListBarView view) const;

  ListBarModel model_;
  int cookie_ = 0;
  QVBoxLayout* layout_;
  std::vector<QToolButton*> headers_;
  QListWidget* items_;
  class ItemDelegate;
  ItemDelegate* delegate_;
};

}  // namespace ctl
