#pragma once
// The list view: a list of items, each with a text, an optional unique key,
// sub-items (one per further column), icons and a selection flag, shown either as
// a report (a table with column headers) or as icons. Items and columns are
// numbered from 1. Both layouts are views over one model and share one selection.
//
// The items hold the selection: ListItem::Selected is always what the user sees,
// and it follows an item through sorting, insertion and removal. A ListItem or
// ColumnHeader reference stays valid until that item or column is removed or the
// collection cleared. Failures (bad index, unknown or duplicate key, bad property
// value) throw rt::VbError with the numbers of ListViewErrors.h. The signals are
// raised from inside Qt's event handling: their handlers trap their own errors.
// User-interface thread only.

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/controls/ImageList.h"

class QAbstractItemView;
class QItemSelection;
class QItemSelectionModel;
class QListView;
class QStackedLayout;
class QTreeView;

namespace ctl {

// View.
inline constexpr int lvwIcon = 0;
inline constexpr int lvwSmallIcon = 1;
inline constexpr int lvwList = 2;
inline constexpr int lvwReport = 3;
// SortOrder.
inline constexpr int lvwAscending = 0;
inline constexpr int lvwDescending = 1;
// ColumnHeader alignment.
inline constexpr int lvwColumnLeft = 0;
inline constexpr int lvwColumnRight = 1;
inline constexpr int lvwColumnCenter = 2;
// LabelEdit.
inline constexpr int lvwAutomatic = 0;
inline constexpr int lvwManual = 1;

// Width of a column added without a width, in twips.
inline constexpr double kDefaultColumnWidth = 1440.0;

class ListViewControl;

class ListItem {
 public:
  ListItem(const ListItem&) = delete;
  ListItem& operator=(const ListItem&) = delete;

  int Index() const { return index_; }  // 1-based position in the list
  const QString& Key() const { return key_; }
  const QString& Text() const { return text_; }
  void SetText(const QString& text);
  // Sub-item n (1-based) is the text of column n + 1. Reading a sub-item never set
  // gives "". n must lie in 1 .. ColumnHeaders().Count() - 1 (error 380 otherwise).
  QString SubItems(int n) const;
  void SetSubItems(int n, const QString& text);
  // The text shown in 0-based column c: the item text for 0, sub-item c after it;
  // "" for a sub-item never set or a column out of range.
  QString CellText(int column) const;
  bool Selected() const { return selected_; }
  void SetSelected(bool selected);
  // Image indexes (1-based) into the view's Icons and SmallIcons lists; 0 = none.
  // An index the list does not hold draws no image.
  int Icon() const { return icon_; }
  void SetIcon(int index);
  int SmallIcon() const { return smallIcon_; }
  void SetSmallIcon(int index);
  const QVariant& Tag() const { return tag_; }
  void SetTag(const QVariant& tag) { tag_ = tag; }
  // Scrolls the list so that the item can be seen.
  void EnsureVisible();

 private:
  friend class ListItemCollection;
  friend class ListViewControl;
  ListItem(ListViewControl& owner, QString key, QString text, int icon, int smallIcon);
  void Changed();

  ListViewControl& owner_;
  int index_ = 0;
  QString key_;
  QString text_;
  QStringList subItems_;
  int icon_ = 0;
  int smallIcon_ = 0;
  QVariant tag_;
  bool selected_ = false;
};

class ListItemCollection {
 public:
  // Adds an item at a 1-based position (0 = at the end; 1 .. Count() + 1, error
  // 35600 otherwise) and returns it. A non-empty key must be unique among the items
  // (error 35602). While the view is Sorted the item goes to its sorted place (after
  // equal ones). A new item is not selected.
  ListItem& Add(int index = 0, const QString& key = {}, const QString& text = {},
                int icon = 0, int smallIcon = 0);
  int Count() const { return static_cast<int>(items_.size()); }
  // By 1-based index (error 35600) or key (error 35601, also for the empty key).
  ListItem& Item(int index) const;
  ListItem& Item(const QString& key) const;
  void Remove(int index);
  void Remove(const QString& key);
  void Clear();

 private:
  friend class ListViewControl;
  friend class ListItem;
  explicit ListItemCollection(ListViewControl& owner) : owner_(owner) {}
  ListItem* Find(const QString& key) const;
  void RemoveAt(int row);
  void Renumber(int fromRow);
  bool Contains(const ListItem* item) const;

  ListViewControl& owner_;
  std::vector<std::unique_ptr<ListItem>> items_;  // in display order
  QHash<QString, ListItem*> keys_;               // items with a non-empty key
};

class ColumnHeader {
 public:
  ColumnHeader(const ColumnHeader&) = delete;
  ColumnHeader& operator=(const ColumnHeader&) = delete;

  int Index() const { return index_; }  // 1-based; column 1 shows the item text
  const QString& Key() const { return key_; }
  const QString& Text() const { return text_; }
  void SetText(const QString& text);
  // Width in twips. What was set reads back unchanged; a width the user drags
  // reads back converted from pixels. Negative widths are refused (error 380).
  double Width() const { return width_; }
  void SetWidth(double twips);
  int Alignment() const { return alignment_; }
  void SetAlignment(int alignment);  // lvwColumnLeft, lvwColumnRight, lvwColumnCenter

 private:
  friend class ColumnHeaderCollection;
  friend class ListViewControl;
  ColumnHeader(ListViewControl& owner, QString key, QString text);

  ListViewControl& owner_;
  int index_ = 0;
  QString key_;
  QString text_;
  double width_ = kDefaultColumnWidth;
  int alignment_ = lvwColumnLeft;
};

class ColumnHeaderCollection {
 public:
  // Adds a column at a 1-based position (0 = at the end) and returns it.
  ColumnHeader& Add(int index = 0, const QString& key = {}, const QString& text = {},
                    double width = kDefaultColumnWidth, int alignment = lvwColumnLeft);
  int Count() const { return static_cast<int>(columns_.size()); }
  ColumnHeader& Item(int index) const;  // 1-based (error 35600)
  void Clear();

 private:
  friend class ListViewControl;
  explicit ColumnHeaderCollection(ListViewControl& owner) : owner_(owner) {}

  ListViewControl& owner_;
  std::vector<std::unique_ptr<ColumnHeader>> columns_;
};

class ListViewControl : public QWidget {
  Q_OBJECT

 public:
  explicit ListViewControl(QWidget* parent = nullptr);
  ~ListViewControl() override;

  ListItemCollection& ListItems() { return items_; }
  const ListItemCollection& ListItems() const { return items_; }
  ColumnHeaderCollection& ColumnHeaders() { return columns_; }
  const ColumnHeaderCollection& ColumnHeaders() const { return columns_; }

  int View() const { return view_; }
  void SetView(int view);  // lvwIcon .. lvwReport (error 380 otherwise)

  // While Sorted, the items are kept in order of the SortKey column (0 = the item
  // text, n = sub-item n), compared as text, case-insensitively, by a QCollator of the
  // user's locale ("10" before "9"); equal texts keep their order. Changing any of the
  // three re-sorts; changing an item's text does not.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  int SortKey() const { return sortKey_; }
  void SetSortKey(int sortKey);  // >= 0 (error 380 otherwise)
  int SortOrder() const { return sortOrder_; }
  void SetSortOrder(int sortOrder);  // lvwAscending or lvwDescending (error 380)

  // Several items may be selected only when MultiSelect is True.
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool multiSelect);

  // lvwAutomatic: the user edits an item's text by clicking it again once it is
  // selected, or with F2; lvwManual (the default here): only StartLabelEdit does.
  int LabelEdit() const { return labelEdit_; }
  void SetLabelEdit(int labelEdit);
  // Starts editing the text of the SelectedItem; nothing when there is none.
  void StartLabelEdit();
  // Decides the text of an item the user finished editing, before the item changes:
  // the text it takes, or nothing to keep the old one. Called directly, once per edit;
  // with no hook the item takes what was typed. The hook may remove items or clear the
  // list.
  using LabelEditHook = std::function<std::optional<QString>(const QString& newString)>;
  void SetAfterLabelEdit(LabelEditHook hook) { afterLabelEdit_ = std::move(hook); }

  // Image lists for the icon layout (Icons) and the other layouts (SmallIcons).
  // Not owned; a list that is destroyed counts as none.
  ImageList* Icons() const { return icons_; }
  void SetIcons(ImageList* images);
  ImageList* SmallIcons() const { return smallIcons_; }
  void SetSmallIcons(ImageList* images);

  // The selected item that has the focus, else the first selected item; nullptr
  // when no item is selected.
  ListItem* SelectedItem() const;

 signals:
  // A mouse click on an item, then Click (which also comes for a click on no item).
  void ItemClick(ctl::ListItem* item);
  void Click();
  void DblClick();
  // The user changed the selection (mouse or keyboard).
  void SelectionChanged();
  void ColumnClick(ctl::ColumnHeader* column);

 private:
  class Model;
  template <class Base>
  class ItemView;
  friend class ListItem;
  friend class ListItemCollection;
  friend class ColumnHeader;
  friend class ColumnHeaderCollection;

  QAbstractItemView* ActiveView() const;
  std::array<QAbstractItemView*, 2> Views() const;  // report and icon layouts
  void ItemChanged(const ListItem& item);
  void SelectItem(ListItem& item, bool selected);
  void PushSelection();
  void OnViewSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void ColumnsChanged();
  void ApplyColumnWidth(const ColumnHeader& column);
  void OnSectionResized(int logical, int newSize);
  void Sort();
  int SortedInsertRow(const ListItem& item) const;
  void CommitLabel(ListItem& item, const QString& text);
  void ApplyViewMode();
  void ApplyEditTriggers();
  void WatchImages(QPointer<ImageList>& role, ImageList* images, const ImageList* otherRole);
  void ImagesChanged();

  ListItemCollection items_{*this};
  ColumnHeaderCollection columns_{*this};
  int view_ = lvwIcon;
  bool sorted_ = false;
  int sortKey_ = 0;
  int sortOrder_ = lvwAscending;
  bool multiSelect_ = false;
  int labelEdit_ = lvwManual;
  LabelEditHook afterLabelEdit_;
  QPointer<ImageList> icons_;
  QPointer<ImageList> smallIcons_;

  Model* model_ = nullptr;
  QItemSelectionModel* selection_ = nullptr;
  QTreeView* report_ = nullptr;
  QListView* icon_ = nullptr;
  QStackedLayout* stack_ = nullptr;
  bool pushing_ = false;  // the control itself changes the view's selection or widths
};

}  // namespace ctl
