#include "platform/controls/ListBarControl.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QPixmap>
#include <QResizeEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ctl {

namespace {
constexpr int kKeyRole = Qt::UserRole;
// Lines of caption under a large icon.
constexpr int kLargeCaptionLines = 2;
constexpr int kLargeItemPadding = 10;
}  // namespace

ListBarControl::ListBarControl(QWidget* parent)
    : QWidget(parent), layout_(new QVBoxLayout(this)), items_(new QListWidget(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  items_->setObjectName(QStringLiteral("itemList"));
  items_->setSelectionMode(QAbstractItemView::NoSelection);
  items_->setFocusPolicy(Qt::NoFocus);
  items_->setMovement(QListView::Static);
  items_->setResizeMode(QListView::Adjust);
  items_->setFlow(QListView::TopToBottom);
  items_->setWrapping(false);
  items_->setWordWrap(true);
  items_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  items_->setVisible(false);
  connect(items_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const QString key = item->data(kKeyRole).toString();
    emit ItemClick(key);
  });
  cookie_ = model_.Subscribe([this](ListBarProperty property) { OnModelChanged(property); });
  SyncHeaders();
}

ListBarControl::~ListBarControl() { model_.Unsubscribe(cookie_); }

QSize ListBarControl::sizeHint() const { return {140, 360}; }

void ListBarControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SyncGrid();
}

void ListBarControl::OnModelChanged(ListBarProperty property) {
  switch (property) {
    case ListBarProperty::Groups:
    case ListBarProperty::CurrentGroup:
      SyncHeaders();
      SyncItems();
      break;
    case ListBarProperty::ListItems:
    case ListBarProperty::LargeIcons:
    case ListBarProperty::SmallIcons:
      SyncItems();
      break;
    case ListBarProperty::Tabs:
    case ListBarProperty::CurrentTab:
      break;
  }
}

void ListBarControl::SyncHeaders() {
  const auto count = static_cast<size_t>(model_.Groups().Count());
  while (headers_.size() > count) {
    QToolButton* gone = headers_.back();
    headers_.pop_back();
    layout_->removeWidget(gone);
    gone->hide();
    gone->deleteLater();  // it may be the button whose click is being handled
  }
  while (headers_.size() < count) {
    auto* header = new QToolButton(this);
    header->setObjectName(QStringLiteral("groupHeader%1").arg(headers_.size() + 1));
    header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    header->setToolButtonStyle(Qt::ToolButtonTextOnly);
    header->setCheckable(true);
    header->setFocusPolicy(Qt::NoFocus);
    connect(header, &QToolButton::clicked, this, [this, header] { HeaderClicked(header); });
    headers_.push_back(header);
  }

  while (layout_->count() > 0) delete layout_->takeAt(0);  // the widgets stay
  const int current = model_.CurrentGroup();
  for (size_t i = 0; i < headers_.size(); ++i) {
    const int index = static_cast<int>(i + 1);
    headers_[i]->setText(model_.Groups().Item(index).Caption());
    headers_[i]->setChecked(index == current);
    headers_[i]->show();
    layout_->addWidget(headers_[i]);
    if (index == current) layout_->addWidget(items_, 1);
  }
  items_->setVisible(current > 0);
  if (current == 0) layout_->addStretch(1);
}

void ListBarControl::HeaderClicked(QToolButton* header) {
  const auto found = std::find(headers_.begin(), headers_.end(), header);
  if (found == headers_.end()) return;
  const int index = static_cast<int>(found - headers_.begin()) + 1;
  const QString key = model_.Groups().Item(index).Key();
  model_.SetCurrentGroup(index);
  SyncHeaders();  // keeps a repeated click on the open header checked
  emit GroupClick(key);
}

QIcon ListBarControl::ItemIcon(int index, ListBarView view) const {
  const ListBarImageList& wanted =
      view == ListBarView::LargeIcons ? model_.LargeIcons() : model_.SmallIcons();
  const ListBarImageList& other =
      view == ListBarView::LargeIcons ? model_.SmallIcons() : model_.LargeIcons();
  for (const ListBarImageList* list : {&wanted, &other}) {
    if (index >= 1 && index <= list->Count()) return QIcon(QPixmap::fromImage(list->Picture(index)));
  }
  return {};
}

void ListBarControl::SyncItems() {
  const int current = model_.CurrentGroup();
  if (current == 0) {
    items_->clear();
    return;
  }
  const ListBarGroup& group = model_.Groups().Item(current);
  const ListBarItems& list = group.ListItems();
  const bool large = group.View() == ListBarView::LargeIcons;
  const ListBarImageList& images = large ? model_.LargeIcons() : model_.SmallIcons();
  items_->setViewMode(large ? QListView::IconMode : QListView::ListMode);
  items_->setFlow(QListView::TopToBottom);
  items_->setWrapping(false);
  items_->setMovement(QListView::Static);
  items_->setSpacing(large ? 0 : 2);
  items_->setIconSize(QSize(images.ImageWidth(), images.ImageHeight()));

  // Items are updated in place when their number holds, so that a caption changed
  // from inside an item's click does not pull the clicked item away.
  if (items_->count() != list.Count()) {
    items_->clear();
    for (int i = 0; i < list.Count(); ++i) items_->addItem(new QListWidgetItem);
  }
  const Qt::Alignment align = large ? Qt::AlignHCenter | Qt::AlignTop
                                    : Qt::AlignLeft | Qt::AlignVCenter;
  for (int i = 1; i <= list.Count(); ++i) {
    const ListBarItem& item = list.Item(i);
    QListWidgetItem* row = items_->item(i - 1);
    row->setText(item.Caption());
    row->setToolTip(item.Text());
    row->setData(kKeyRole, item.Key());
    row->setIcon(ItemIcon(item.Icon(), group.View()));
    row->setTextAlignment(align);
  }
  SyncGrid();
}

void ListBarControl::SyncGrid() {
  const int current = model_.CurrentGroup();
  if (current == 0 || model_.Groups().Item(current).View() != ListBarView::LargeIcons) {
    items_->setGridSize(QSize());
    return;
  }
  const int lineHeight = QFontMetrics(items_->font()).lineSpacing();
  const int height =
      model_.LargeIcons().ImageHeight() + kLargeCaptionLines * lineHeight + kLargeItemPadding;
  items_->setGridSize(QSize(std::max(1, items_->viewport()->width() - 2), height));
}

}  // namespace ctl
