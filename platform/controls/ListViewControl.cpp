#include "platform/controls/ListViewControl.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QTreeView>
#include <algorithm>
#include <functional>

#include "platform/controls/ListViewErrors.h"
#include "platform/ui/Screen.h"

namespace ctl {
namespace {

const QString kSource = QStringLiteral("ListView");

Qt::Alignment QtAlignment(int alignment) {
  switch (alignment) {
    case lvwColumnRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case lvwColumnCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

// Orders items by the text of one column, as the sort and the sorted insert need.
class ItemOrder {
 public:
  ItemOrder(int column, bool descending) : column_(column), descending_(descending) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
  }
  bool operator()(const ListItem& a, const ListItem& b) const {
    const int c = collator_.compare(a.CellText(column_), b.CellText(column_));
    return descending_ ? c > 0 : c < 0;
  }

 private:
  QCollator collator_{QLocale()};
  int column_;
  bool descending_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The one model that both layouts show.

class ListViewControl::Model : public QAbstractTableModel {
 public:
  explicit Model(ListViewControl& lv) : QAbstractTableModel(&lv), lv_(lv) {}

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : lv_.items_.Count();
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : std::max(1, lv_.columns_.Count());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= lv_.items_.Count()) return {};
    const ListItem& item = *lv_.items_.items_[static_cast<size_t>(index.row())];
    switch (role) {
      case Qt::DisplayRole:
      case Qt::EditRole:
        return item.CellText(index.column());
      case Qt::DecorationRole:
        if (index.column() == 0) {
          const bool large = lv_.view_ == lvwIcon;
          const ImageList* images = large ? lv_.icons_.data() : lv_.smallIcons_.data();
          if (images) return images->ImageOrNone(large ? item.Icon() : item.SmallIcon());
        }
        return {};
      case Qt::TextAlignmentRole:
        if (lv_.view_ == lvwReport && index.column() < lv_.columns_.Count())
          return QVariant::fromValue(QtAlignment(lv_.columns_.Item(index.column() + 1).Alignment()));
        return {};
      default:
        return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= lv_.columns_.Count()) return {};
    const ColumnHeader& column = lv_.columns_.Item(section + 1);
    if (role == Qt::DisplayRole) return column.Text();
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(QtAlignment(column.Alignment()));
    return {};
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == 0) f |= Qt::ItemIsEditable;
    return f;
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0 ||
        index.row() >= lv_.items_.Count())
      return false;
    lv_.CommitLabel(*lv_.items_.items_[static_cast<size_t>(index.row())], value.toString());
    return true;
  }

  void BeginInsert(int row) { beginInsertRows({}, row, row); }
  void EndInsert() { endInsertRows(); }
  void BeginRemove(int first, int last) { beginRemoveRows({}, first, last); }
  void EndRemove() { endRemoveRows(); }
  void BeginReset() { beginResetModel(); }
  void EndReset() { endResetModel(); }
  void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); }
  void AllChanged() {
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  }
  void HeaderChanged() { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); }

  // Runs reorder (which permutes and renumbers the items) as one layout change,
  // so the views' selection and current item follow their items.
  void Reorder(const std::function<void()>& reorder) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<const ListItem*> owners;
    owners.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& i : before)
      owners.push_back(i.row() < rowCount() ? lv_.items_.items_[static_cast<size_t>(i.row())].get()
                                            : nullptr);
    reorder();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
      const ListItem* owner = owners[static_cast<size_t>(i)];
      after.push_back(owner ? index(owner->Index() - 1, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  }

 private:
  ListViewControl& lv_;
};

// A layout's view; reports clicks anywhere in it to the control.
template <class Base>
class ListViewControl::ItemView : public Base {
 public:
  explicit ItemView(ListViewControl& owner) : Base(&owner), owner_(owner) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    Base::mouseReleaseEvent(event);  // a click on an item raises ItemClick in here
    emit owner_.Click();
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    Base::mouseDoubleClickEvent(event);
    emit owner_.DblClick();
  }

 private:
  ListViewControl& owner_;
};

// ---------------------------------------------------------------------------
// ListItem

ListItem::ListItem(ListViewControl& owner, QString key, QString text, int icon, int smallIcon)
    : owner_(owner), key_(std::move(key)), text_(std::move(text)), icon_(icon), smallIcon_(smallIcon) {}

void ListItem::Changed() { owner_.ItemChanged(*this); }

void ListItem::SetText(const QString& text) {
  text_ = text;
  Changed();
}

QString ListItem::CellText(int column) const {
  if (column == 0) return text_;
  return column > 0 && column <= subItems_.size() ? subItems_[column - 1] : QString();
}

QString ListItem::SubItems(int n) const {
  if (n < 1 || n >= owner_.columns_.Count()) RaiseInvalidPropertyValue(kSource);
  return CellText(n);
}

void ListItem::SetSubItems(int n, const QString& text) {
  if (n < 1 || n >= owner_.columns_.Count()) RaiseInvalidPropertyValue(kSource);
  while (subItems_.size() < n) subItems_.push_back(QString());
  subItems_[n - 1] = text;
  Changed();
}

void ListItem::SetSelected(bool selected) { owner_.SelectItem(*this, selected); }

void ListItem::SetIcon(int index) {
  icon_ = index;
  Changed();
}

void ListItem::SetSmallIcon(int index) {
  smallIcon_ = index;
  Changed();
}

void ListItem::EnsureVisible() {
  owner_.ActiveView()->scrollTo(owner_.model_->index(index_ - 1, 0));
}

// ---------------------------------------------------------------------------
// ListItemCollection

ListItem& ListItemCollection::Add(int index, const QString& key, const QString& text, int icon,
                                  int smallIcon) {
  if (index < 0 || index > Count() + 1) RaiseIndexOutOfBounds(kSource);
  if (!key.isEmpty() && keys_.contains(key)) RaiseKeyNotUnique(kSource);
  std::unique_ptr<ListItem> item(new ListItem(owner_, key, text, icon, smallIcon));
  const int row = owner_.sorted_ ? owner_.SortedInsertRow(*item) : (index == 0 ? Count() : index - 1);
  owner_.model_->BeginInsert(row);
  ListItem* added = item.get();
  items_.insert(items_.begin() + row, std::move(item));
  if (!key.isEmpty()) keys_.insert(key, added);
  Renumber(row);
  owner_.model_->EndInsert();
  return *added;
}

ListItem& ListItemCollection::Item(int index) const {
  if (index < 1 || index > Count()) RaiseIndexOutOfBounds(kSource);
  return *items_[static_cast<size_t>(index - 1)];
}

ListItem& ListItemCollection::Item(const QString& key) const {
  ListItem* item = Find(key);
  if (!item) RaiseElementNotFound(kSource);
  return *item;
}

ListItem* ListItemCollection::Find(const QString& key) const {
  return key.isEmpty() ? nullptr : keys_.value(key, nullptr);
}

void ListItemCollection::Remove(int index) { RemoveAt(Item(index).Index() - 1); }

void ListItemCollection::Remove(const QString& key) { RemoveAt(Item(key).Index() - 1); }

void ListItemCollection::RemoveAt(int row) {
  owner_.model_->BeginRemove(row, row);
  keys_.remove(items_[static_cast<size_t>(row)]->Key());
  items_.erase(items_.begin() + row);
  Renumber(row);
  owner_.model_->EndRemove();
}

void ListItemCollection::Clear() {
  if (items_.empty()) return;
  owner_.model_->BeginRemove(0, Count() - 1);
  keys_.clear();
  items_.clear();
  owner_.model_->EndRemove();
}

void ListItemCollection::Renumber(int fromRow) {
  for (size_t i = static_cast<size_t>(fromRow); i < items_.size(); ++i)
    items_[i]->index_ = static_cast<int>(i) + 1;
}

bool ListItemCollection::Contains(const ListItem* item) const {
  return std::any_of(items_.begin(), items_.end(), [item](const auto& p) { return p.get() == item; });
}

// ---------------------------------------------------------------------------
// ColumnHeader and ColumnHeaderCollection

ColumnHeader::ColumnHeader(ListViewControl& owner, QString key, QString text)
    : owner_(owner), key_(std::move(key)), text_(std::move(text)) {}

void ColumnHeader::SetText(const QString& text) {
  text_ = text;
  owner_.model_->HeaderChanged();
}

void ColumnHeader::SetWidth(double twips) {
  if (!(twips >= 0)) RaiseInvalidPropertyValue(kSource);
  width_ = twips;
  owner_.ApplyColumnWidth(*this);
}

void ColumnHeader::SetAlignment(int alignment) {
  if (alignment < lvwColumnLeft || alignment > lvwColumnCenter) RaiseInvalidPropertyValue(kSource);
  alignment_ = alignment;
  owner_.model_->HeaderChanged();
  owner_.model_->AllChanged();
}

ColumnHeader& ColumnHeaderCollection::Add(int index, const QString& key, const QString& text,
                                          double width, int alignment) {
  if (index < 0 || index > Count() + 1) RaiseIndexOutOfBounds(kSource);
  if (!(width >= 0) || alignment < lvwColumnLeft || alignment > lvwColumnCenter)
    RaiseInvalidPropertyValue(kSource);
  std::unique_ptr<ColumnHeader> column(new ColumnHeader(owner_, key, text));
  column->width_ = width;
  column->alignment_ = alignment;
  const size_t pos = index == 0 ? columns_.size() : static_cast<size_t>(index - 1);
  ColumnHeader& added = *column;
  columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(column));
  for (size_t i = pos; i < columns_.size(); ++i) columns_[i]->index_ = static_cast<int>(i) + 1;
  owner_.ColumnsChanged();
  return added;
}

ColumnHeader& ColumnHeaderCollection::Item(int index) const {
  if (index < 1 || index > Count()) RaiseIndexOutOfBounds(kSource);
  return *columns_[static_cast<size_t>(index - 1)];
}

void ColumnHeaderCollection::Clear() {
  columns_.clear();
  owner_.ColumnsChanged();
}

// ---------------------------------------------------------------------------
// ListViewControl

ListViewControl::ListViewControl(QWidget* parent) : QWidget(parent) {
  model_ = new Model(*this);
  selection_ = new QItemSelectionModel(model_, this);

  auto* report = new ItemView<QTreeView>(*this);
  report->setObjectName(QStringLiteral("ReportView"));
  report->setRootIsDecorated(false);
  report->setItemsExpandable(false);
  report->setUniformRowHeights(true);
  report->setAllColumnsShowFocus(true);
  report->setModel(model_);
  report->header()->setStretchLastSection(false);
  report->header()->setMinimumSectionSize(0);
  report->header()->setSectionsClickable(true);
  report->header()->setSectionsMovable(false);
  report_ = report;

  auto* icon = new ItemView<QListView>(*this);
  icon->setObjectName(QStringLiteral("IconView"));
  icon->setModel(model_);
  icon_ = icon;

  for (QAbstractItemView* view : Views()) {
    view->setSelectionModel(selection_);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
      if (index.isValid() && index.row() < items_.Count())
        emit ItemClick(items_.items_[static_cast<size_t>(index.row())].get());
    });
  }
  connect(selection_, &QItemSelectionModel::selectionChanged, this,
          &ListViewControl::OnViewSelectionChanged);
  connect(report_->header(), &QHeaderView::sectionResized, this,
          [this](int logical, int, int newSize) { OnSectionResized(logical, newSize); });
  connect(report_->header(), &QHeaderView::sectionClicked, this, [this](int logical) {
    if (logical >= 0 && logical < columns_.Count())
      emit ColumnClick(&columns_.Item(logical + 1));
  });

  stack_ = new QStackedLayout(this);
  stack_->setContentsMargins(0, 0, 0, 0);
  stack_->addWidget(report_);
  stack_->addWidget(icon_);
  setFocusProxy(icon_);
  ApplyViewMode();
  ApplyEditTriggers();
  SetMultiSelect(false);
}

ListViewControl::~ListViewControl() {
  // The views and the model read the items: they go before the items do.
  delete report_;
  delete icon_;
  delete selection_;
  delete model_;
}

std::array<QAbstractItemView*, 2> ListViewControl::Views() const { return {report_, icon_}; }

QAbstractItemView* ListViewControl::ActiveView() const {
  return view_ == lvwReport ? static_cast<QAbstractItemView*>(report_) : icon_;
}

void ListViewControl::SetView(int view) {
  if (view < lvwIcon || view > lvwReport) RaiseInvalidPropertyValue(kSource);
  view_ = view;
  ApplyViewMode();
  model_->AllChanged();
}

void ListViewControl::ApplyViewMode() {
  if (view_ == lvwIcon) {
    icon_->setViewMode(QListView::IconMode);
    icon_->setIconSize(QSize(32, 32));
  } else {
    icon_->setViewMode(QListView::ListMode);
    icon_->setIconSize(QSize(16, 16));
    icon_->setFlow(view_ == lvwList ? QListView::TopToBottom : QListView::LeftToRight);
  }
  icon_->setWrapping(true);
  icon_->setMovement(QListView::Static);
  icon_->setResizeMode(QListView::Adjust);
  QAbstractItemView* active = ActiveView();
  stack_->setCurrentWidget(active);
  setFocusProxy(active);
}

void ListViewControl::SetSorted(bool sorted) {
  sorted_ = sorted;
  Sort();
}

void ListViewControl::SetSortKey(int sortKey) {
  if (sortKey < 0) RaiseInvalidPropertyValue(kSource);
  sortKey_ = sortKey;
  Sort();
}

void ListViewControl::SetSortOrder(int sortOrder) {
  if (sortOrder != lvwAscending && sortOrder != lvwDescending) RaiseInvalidPropertyValue(kSource);
  sortOrder_ = sortOrder;
  Sort();
}

void ListViewControl::Sort() {
  if (!sorted_ || items_.Count() < 2) return;
  const ItemOrder less(sortKey_, sortOrder_ == lvwDescending);
  model_->Reorder([&] {
    std::stable_sort(items_.items_.begin(), items_.items_.end(),
                     [&less](const auto& a, const auto& b) { return less(*a, *b); });
    items_.Renumber(0);
  });
}

int ListViewControl::SortedInsertRow(const ListItem& item) const {
  const ItemOrder less(sortKey_, sortOrder_ == lvwDescending);
  // After every item that does not order after the new one: equal texts keep the
  // order in which they were added.
  const auto pos = std::upper_bound(items_.items_.begin(), items_.items_.end(), item,
                                    [&less](const ListItem& a, const auto& b) { return less(a, *b); });
  return static_cast<int>(pos - items_.items_.begin());
}

void ListViewControl::SetMultiSelect(bool multiSelect) {
  multiSelect_ = multiSelect;
  const auto mode = multiSelect ? QAbstractItemView::ExtendedSelection
                                : QAbstractItemView::SingleSelection;
  for (QAbstractItemView* view : Views()) view->setSelectionMode(mode);
  if (!multiSelect) {
    ListItem* keep = SelectedItem();
    for (const auto& item : items_.items_) item->selected_ = item.get() == keep;
    PushSelection();
  }
}

void ListViewControl::SetLabelEdit(int labelEdit) {
  if (labelEdit != lvwAutomatic && labelEdit != lvwManual) RaiseInvalidPropertyValue(kSource);
  labelEdit_ = labelEdit;
  ApplyEditTriggers();
}

void ListViewControl::ApplyEditTriggers() {
  const auto triggers = labelEdit_ == lvwAutomatic
                            ? QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                            : QAbstractItemView::NoEditTriggers;
  for (QAbstractItemView* view : Views()) view->setEditTriggers(triggers);
}

void ListViewControl::StartLabelEdit() {
  ListItem* item = SelectedItem();
  if (!item) return;
  const QModelIndex index = model_->index(item->Index() - 1, 0);
  pushing_ = true;
  selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  pushing_ = false;
  ActiveView()->edit(index);
}

void ListViewControl::CommitLabel(ListItem& item, const QString& text) {
  ListItem* edited = &item;
  const std::optional<QString> taken = afterLabelEdit_ ? afterLabelEdit_(text) : text;
  // The hook may have removed the item or cleared the list.
  if (taken && items_.Contains(edited)) edited->SetText(*taken);
}

void ListViewControl::SetIcons(ImageList* images) { WatchImages(icons_, images, smallIcons_); }

void ListViewControl::SetSmallIcons(ImageList* images) { WatchImages(smallIcons_, images, icons_); }

void ListViewControl::WatchImages(QPointer<ImageList>& role, ImageList* images,
                                  const ImageList* otherRole) {
  if (role && role != otherRole && role != images) disconnect(role, nullptr, this, nullptr);
  if (images && images != role && images != otherRole) {
    connect(images, &ImageList::Changed, this, &ListViewControl::ImagesChanged);
    connect(images, &QObject::destroyed, this, &ListViewControl::ImagesChanged);
  }
  role = images;
  ImagesChanged();
}

void ListViewControl::ImagesChanged() { model_->AllChanged(); }

ListItem* ListViewControl::SelectedItem() const {
  const QModelIndex current = selection_->currentIndex();
  if (current.isValid() && current.row() < items_.Count()) {
    ListItem* item = items_.items_[static_cast<size_t>(current.row())].get();
    if (item->selected_) return item;
  }
  for (const auto& item : items_.items_)
    if (item->selected_) return item.get();
  return nullptr;
}

void ListViewControl::ItemChanged(const ListItem& item) { model_->RowChanged(item.Index() - 1); }

void ListViewControl::SelectItem(ListItem& item, bool selected) {
  const int row = item.Index() - 1;
  const QItemSelection rowSelection(model_->index(row, 0),
                                    model_->index(row, model_->columnCount() - 1));
  pushing_ = true;
  if (selected && !multiSelect_) {
    for (const auto& other : items_.items_) other->selected_ = false;
    selection_->select(rowSelection, QItemSelectionModel::ClearAndSelect);
  } else {
    selection_->select(rowSelection, selected ? QItemSelectionModel::Select
                                              : QItemSelectionModel::Deselect);
  }
  item.selected_ = selected;
  if (selected) selection_->setCurrentIndex(rowSelection.first().topLeft(), QItemSelectionModel::NoUpdate);
  pushing_ = false;
}

void ListViewControl::PushSelection() {
  QItemSelection all;
  const int last = model_->columnCount() - 1;
  const int n = items_.Count();
  for (int row = 0; row < n;) {
    if (!items_.items_[static_cast<size_t>(row)]->selected_) {
      ++row;
      continue;
    }
    int end = row;
    while (end + 1 < n && items_.items_[static_cast<size_t>(end + 1)]->selected_) ++end;
    all.select(model_->index(row, 0), model_->index(end, last));
    row = end + 1;
  }
  pushing_ = true;
  selection_->select(all, QItemSelectionModel::ClearAndSelect);
  pushing_ = false;
}

void ListViewControl::OnViewSelectionChanged(const QItemSelection& selected,
                                             const QItemSelection& deselected) {
  if (pushing_) return;
  const int n = items_.Count();
  for (const QItemSelection* ranges : {&deselected, &selected}) {
    for (const QItemSelectionRange& range : *ranges) {
      for (int row = std::max(0, range.top()); row <= range.bottom() && row < n; ++row)
        items_.items_[static_cast<size_t>(row)]->selected_ =
            selection_->isSelected(model_->index(row, 0));
    }
  }
  emit SelectionChanged();
}

void ListViewControl::ColumnsChanged() {
  pushing_ = true;
  model_->BeginReset();
  model_->EndReset();
  for (const auto& column : columns_.columns_) ApplyColumnWidth(*column);
  pushing_ = false;
  PushSelection();
}

void ListViewControl::ApplyColumnWidth(const ColumnHeader& column) {
  const bool wasPushing = pushing_;
  pushing_ = true;
  report_->header()->resizeSection(column.Index() - 1, qRound(ui::TwipsToPixelsX(column.Width())));
  pushing_ = wasPushing;
}

void ListViewControl::OnSectionResized(int logical, int newSize) {
  if (pushing_ || logical < 0 || logical >= columns_.Count()) return;
  columns_.columns_[static_cast<size_t>(logical)]->width_ = ui::PixelsToTwipsX(newSize);
}

}  // namespace ctl
