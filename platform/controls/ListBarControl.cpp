#include "platform/controls/ListBarControl.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QPixmap>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ctl {

namespace {
constexpr int kKeyRole = Qt::UserRole;
constexpr int kPadding = 4;
}  // namespace

// Large items: the icon centred over the caption; small items: the icon left of
// the caption. Items span the list's width and captions wrap at word boundaries.
class ListBarControl::ItemDelegate : public QStyledItemDelegate {
 public:
  explicit ItemDelegate(QListWidget* list) : QStyledItemDelegate(list), list_(list) {}
  bool large = true;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect rect(0, 0, std::max(1, list_->viewport()->width()), 0);
    const Layout layout = Arrange(option, index, rect);
    const int bottom = std::max(layout.icon.bottom(), layout.caption.bottom()) + 1;
    return {rect.width(), bottom + kPadding};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    opt.icon = QIcon();
    list_->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, list_);  // hover
    const Layout layout = Arrange(option, index, option.rect);
    index.data(Qt::DecorationRole).value<QIcon>().paint(painter, layout.icon);
    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(layout.caption, layout.flags, index.data(Qt::DisplayRole).toString());
    painter->restore();
  }

 private:
  struct Layout {
    QRect icon;
    QRect caption;
    int flags;
  };

  Layout Arrange(const QStyleOptionViewItem& option, const QModelIndex& index,
                 const QRect& rect) const {
    const QSize iconSize = list_->iconSize();
    const QString caption = index.data(Qt::DisplayRole).toString();
    Layout out;
    if (large) {
      out.flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
      out.icon = QRect(rect.left() + (rect.width() - iconSize.width()) / 2, rect.top() + kPadding,
                       iconSize.width(), iconSize.height());
      out.caption = QRect(rect.left() + kPadding, out.icon.bottom() + 1 + kPadding,
                          std::max(1, rect.width() - 2 * kPadding), 0);
    } else {
      out.flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
      const int left = rect.left() + kPadding + iconSize.width() + kPadding;
      out.caption = QRect(left, rect.top() + kPadding,
                          std::max(1, rect.right() + 1 - kPadding - left), 0);
    }
    const QRect bounds = option.fontMetrics.boundingRect(
        QRect(0, 0, out.caption.width(), 1 << 16), out.flags, caption);
    out.caption.setHeight(std::max(bounds.height(), large ? 0 : iconSize.height()));
    if (!large) {
      out.icon = QRect(rect.left() + kPadding,
                       out.caption.top() + (out.caption.height() - iconSize.height()) / 2,
                       iconSize.width(), iconSize.height());
    }
    return out;
  }

  QListWidget* list_;
};

ListBarControl::ListBarControl(QWidget* parent)
    : QWidget(parent),
      layout_(new QVBoxLayout(this)),
      items_(new QListWidget(this)),
      delegate_(new ItemDelegate(items_)) {
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
  items_->setItemDelegate(delegate_);
  connect(items_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const QString key = item->data(kKeyRole).toString();
    emit ItemClick(key);
  });
  cookie_ = model_.Subscribe([this](ListBarProperty property) { OnModelChanged(property); });
  SyncHeaders();
}

ListBarControl::~ListBarControl() { model_.Unsubscribe(cookie_); }

QSize ListBarControl::sizeHint() const { return {140, 360}; }

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
    case ListBarProperty::Picture:
    case ListBarProperty::PictureFrames:
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
  delegate_->large = large;
  items_->setIconSize(QSize(images.ImageWidth(), images.ImageHeight()));

  // Items are updated in place when their number holds, so that a caption changed
  // from inside an item's click does not pull the clicked item away.
  if (items_->count() != list.Count()) {
    items_->clear();
    for (int i = 0; i < list.Count(); ++i) items_->addItem(new QListWidgetItem);
  }
  for (int i = 1; i <= list.Count(); ++i) {
    const ListBarItem& item = list.Item(i);
    QListWidgetItem* row = items_->item(i - 1);
    row->setText(item.Caption());
    row->setToolTip(item.Text());
    row->setData(kKeyRole, item.Key());
    row->setIcon(ItemIcon(item.Icon(), group.View()));
  }
  items_->doItemsLayout();  // the size of every item may have changed with the view
}

}  // namespace ctl
