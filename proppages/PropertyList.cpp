#include "proppages/PropertyList.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionButton>

#include "platform/ui/Colors.h"
#include "proppages/PictureUtil.h"

namespace qvp {

namespace {

const QColor kModifiedColor(255, 0, 0);
const QColor kGridColor(192, 192, 192);
constexpr int kBoxSize = 9;

bool IsHeader(const CListBoxItem& row) { return dynamic_cast<const CExpandableItem*>(&row); }

bool IsGreyed(const CListBoxItem& row) {
  const auto* p = dynamic_cast<const CProperty*>(&row);
  return p && p->IsReadOnly();
}

bool IsMixed(const CListBoxItem& row) {
  const auto* p = dynamic_cast<const CProperty*>(&row);
  return p && p->mixed && !row.modified;
}

// Rows whose value is typed or picked in place.
bool IsEditable(const CListBoxItem& row) {
  const auto* p = dynamic_cast<const CProperty*>(&row);
  if (!p || p->IsReadOnly() || row.expandable) return false;
  return !row.fixedText || row.hasDropDown;
}

// The value that leaves an editor, cut at the limit of the control it came from.
QString EditorText(QWidget* editor) {
  if (auto* combo = qobject_cast<QComboBox*>(editor))
    return CutText(combo->currentText(), combo->isEditable() ? kEditorTextMax : kDropDownTextMax);
  if (auto* line = qobject_cast<QLineEdit*>(editor)) return CutText(line->text(), kEditorTextMax);
  return {};
}

}  // namespace

// --- model ---

PropertyListModel::PropertyListModel(PropertyListHost& host, QObject* parent)
    : QAbstractTableModel(parent), host_(host) {}

void PropertyListModel::SetRows(std::vector<CListBoxItem*> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

CListBoxItem* PropertyListModel::Row(int index) const {
  return index >= 0 && index < static_cast<int>(rows_.size()) ? rows_[index] : nullptr;
}

int PropertyListModel::Find(const CListBoxItem* row) const {
  if (!row) return -1;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i] == row) return static_cast<int>(i);
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i]->IsSame(*row)) return static_cast<int>(i);
  return -1;
}

void PropertyListModel::RowUpdated(const CListBoxItem* row) {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i] == row)
      emit dataChanged(index(static_cast<int>(i), kName), index(static_cast<int>(i), kValue));
}

int PropertyListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PropertyListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant PropertyListModel::data(const QModelIndex& index, int role) const {
  const CListBoxItem* row = Row(index.row());
  if (!row) return {};
  if (index.column() == kName) {
    if (role == Qt::DisplayRole) return row->modified ? row->name + QStringLiteral(" *") : row->name;
    return {};
  }
  switch (role) {
    case Qt::DisplayRole:
      return IsMixed(*row) ? QString() : row->valueText;
    case Qt::EditRole:
      return IsMixed(*row) ? QString() : row->valueText;
    case Qt::ForegroundRole:
      if (row->modified) return kModifiedColor;
      if (IsGreyed(*row)) return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
      return {};
    default:
      return {};
  }
}

Qt::ItemFlags PropertyListModel::flags(const QModelIndex& index) const {
  const CListBoxItem* row = Row(index.row());
  if (!row) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == kValue && IsEditable(*row)) f |= Qt::ItemIsEditable;
  return f;
}

bool PropertyListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  CListBoxItem* row = Row(index.row());
  if (!row || index.column() != kValue || (role != Qt::EditRole && role != Qt::UserRole))
    return false;
  const int limit = role == Qt::UserRole ? kDropDownTextMax : kEditorTextMax;
  if (!row->SetText(CutText(value.toString(), limit))) return false;
  emit dataChanged(this->index(index.row(), kName), index);
  host_.RowChanged(*row);
  return true;
}

// --- view ---

PropertyListView::PropertyListView(PropertyListHost& host, QWidget* parent, bool halfDivider)
    : QTableView(parent),
      host_(host),
      model_(new PropertyListModel(host, this)),
      halfDivider_(halfDivider) {
  setObjectName(QStringLiteral("id1000"));
  setModel(model_);
  setItemDelegate(new PropertyRowDelegate(*this));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setStretchLastSection(true);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(ItemHeight());
  setShowGrid(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWordWrap(false);
}

int PropertyListView::ItemHeight() const { return fontMetrics().height() + 4; }

int PropertyListView::IndentStep() const { return ItemHeight() - ItemHeight() / 5; }

void PropertyListView::SetLeftMargin(int margin) {
  leftMargin_ = margin;
  viewport()->update();
}

void PropertyListView::SetRows(std::vector<CListBoxItem*> rows, const CListBoxItem* keep) {
  const int top = rowAt(0);
  model_->SetRows(std::move(rows));
  int at = model_->Find(keep);
  if (at < 0 && model_->rowCount() > 0) at = 0;
  if (at >= 0) {
    setCurrentIndex(model_->index(at, PropertyListModel::kValue));
    if (top > 0) scrollTo(model_->index(std::min(top, model_->rowCount() - 1), 0),
                          QAbstractItemView::PositionAtTop);
    scrollTo(currentIndex());
  }
}

CListBoxItem* PropertyListView::CurrentRow() const {
  return currentIndex().isValid() ? model_->Row(currentIndex().row()) : nullptr;
}

bool PropertyListView::SelectRow(const CListBoxItem* row) {
  const int at = model_->Find(row);
  if (at < 0) return false;
  setCurrentIndex(model_->index(at, PropertyListModel::kValue));
  return true;
}

QRect PropertyListView::ButtonIn(const QRect& r) {
  return QRect(r.right() - r.height() + 1, r.top(), r.height(), r.height());
}

QRect PropertyListView::ExpanderIn(const QRect& r, const CListBoxItem& item) const {
  const int step = IndentStep();
  const int x = IsHeader(item) ? r.left() + step / 4
                               : r.left() + item.level * step + leftMargin_ + step / 4 - 1;
  return QRect(x, r.top() + (r.height() - kBoxSize) / 2, kBoxSize, kBoxSize);
}

QRect PropertyListView::ButtonRect(int row) const {
  return ButtonIn(visualRect(model_->index(row, PropertyListModel::kValue)));
}

QRect PropertyListView::ExpanderRect(int row) const {
  const CListBoxItem* item = model_->Row(row);
  if (!item) return {};
  return ExpanderIn(visualRect(model_->index(row, PropertyListModel::kName)), *item);
}

void PropertyListView::RunDefault(CListBoxItem& row) {
  const QString before = row.valueText;
  const bool wasModified = row.modified;
  const Watch alive = row.Watched();
  row.DoDefault(host_);
  // DoDefault of an expandable row may have rebuilt the list, `row` living on; a dialog
  // it ran may have let the host delete it.
  if (alive.Gone()) return;
  if (row.valueText != before || row.modified != wasModified) {
    model_->RowUpdated(&row);
    host_.RowChanged(row);
  }
}

void PropertyListView::RunButton(int at) {
  CListBoxItem* row = model_->Row(at);
  if (!row || !row->hasButton) return;
  setCurrentIndex(model_->index(at, PropertyListModel::kValue));
  if (row->hasDropDown) {
    edit(currentIndex());
    if (auto* combo = findChild<QComboBox*>(QStringLiteral("id127"))) combo->showPopup();
    return;
  }
  setFocus();
  if (row->PressButton(host_)) {
    model_->RowUpdated(row);
    host_.RowChanged(*row);
  }
}

bool PropertyListView::TypeAhead(CListBoxItem& row, const QString& text) {
  for (const QString& entry : row.Entries())
    if (entry.startsWith(text, Qt::CaseInsensitive)) {
      if (row.SetText(entry)) {
        model_->RowUpdated(&row);
        host_.RowChanged(row);
      }
      return true;
    }
  return false;
}

void PropertyListView::keyPressEvent(QKeyEvent* event) {
  CListBoxItem* row = CurrentRow();
  const int key = event->key();
  const bool alt = event->modifiers() & Qt::AltModifier;
  if (!row || state() == QAbstractItemView::EditingState) return QTableView::keyPressEvent(event);
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (row->expandable) return RunDefault(*row);
      if (model_->flags(currentIndex()) & Qt::ItemIsEditable) edit(currentIndex());
      return;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (row->expandable && row->IsExpanded() == (key == Qt::Key_Left)) return RunDefault(*row);
      return;
    case Qt::Key_F4:
      return row->hasButton ? RunButton(currentIndex().row()) : RunDefault(*row);
    case Qt::Key_Down:
    case Qt::Key_Up:
      if (alt) return row->hasButton ? RunButton(currentIndex().row()) : RunDefault(*row);
      return QTableView::keyPressEvent(event);
    case Qt::Key_Delete:
      if (dynamic_cast<CPictureProperty*>(row) && row->SetText(QString())) {
        model_->RowUpdated(row);
        host_.RowChanged(*row);
      }
      return;
    default:
      break;
  }
  const QString text = event->text();
  const bool printable = !text.isEmpty() && text[0].isPrint() &&
                         !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
  if (printable && row->fixedText) {
    // Letters on rows whose value is not typed pick from the entries, or do nothing.
    if (row->hasDropDown) TypeAhead(*row, text);
    return;
  }
  if (alt) return event->ignore();  // mnemonics belong to the dialog
  QTableView::keyPressEvent(event);
}

void PropertyListView::mousePressEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->pos());
  if (at.isValid() && event->button() == Qt::LeftButton) {
    CListBoxItem* row = model_->Row(at.row());
    if (row && row->expandable && ExpanderRect(at.row()).adjusted(-2, -2, 2, 2).contains(event->pos())) {
      setCurrentIndex(model_->index(at.row(), PropertyListModel::kValue));
      return RunDefault(*row);
    }
    if (row && row->hasButton && ButtonRect(at.row()).contains(event->pos()))
      return RunButton(at.row());
  }
  QTableView::mousePressEvent(event);
}

void PropertyListView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->pos());
  CListBoxItem* row = at.isValid() ? model_->Row(at.row()) : nullptr;
  if (!row || (row->hasButton && ButtonRect(at.row()).contains(event->pos()))) return;
  if (row->fixedText || row->expandable || dynamic_cast<CComboProperty*>(row)) return RunDefault(*row);
  if (model_->flags(at.siblingAtColumn(PropertyListModel::kValue)) & Qt::ItemIsEditable)
    edit(at.siblingAtColumn(PropertyListModel::kValue));
}

void PropertyListView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  const int width = viewport()->width();
  setColumnWidth(0, halfDivider_ ? width / 2 : 2 * width / 5);
}

void PropertyListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (current.isValid() && current.column() != PropertyListModel::kValue)
    setCurrentIndex(current.siblingAtColumn(PropertyListModel::kValue));
}

void PropertyListView::showEvent(QShowEvent* event) {
  QTableView::showEvent(event);
  host_.ListActivated();
}

void PropertyListView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  host_.ListActivated();
}

// --- delegate ---

PropertyRowDelegate::PropertyRowDelegate(PropertyListView& view)
    : QStyledItemDelegate(&view), view_(view) {}

QSize PropertyRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return QSize(option.rect.width(), view_.ItemHeight());
}

void PropertyRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  const CListBoxItem* row = view_.Model().Row(index.row());
  if (!row) return;
  painter->save();
  painter->fillRect(option.rect, option.palette.color(QPalette::Base));
  painter->setPen(option.palette.color(QPalette::Text));
  if (index.column() == PropertyListModel::kName)
    PaintName(*painter, option, *row);
  else
    PaintValue(*painter, option, *row);
  painter->setPen(kGridColor);
  const QRect& r = option.rect;
  painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  if (index.column() == PropertyListModel::kName) painter->drawLine(r.right(), r.top(), r.right(), r.bottom());
  painter->restore();
}

void PropertyRowDelegate::PaintName(QPainter& p, const QStyleOptionViewItem& option,
                                    const CListBoxItem& row) const {
  const QRect& r = option.rect;
  const int step = view_.IndentStep();
  const bool header = IsHeader(row);
  const int x = header ? r.left() + step + 1 : r.left() + (row.level + 1) * step + view_.LeftMargin() + 1;
  QFont font = option.font;
  if (header) font.setBold(true);
  p.setFont(font);
  const bool selected = option.state & QStyle::State_Selected;
  const QRect nameRect(x, r.top(), std::max(0, r.right() - x), r.height() - 1);
  if (selected) {
    const bool focus = view_.hasFocus() || view_.isAncestorOf(QApplication::focusWidget());
    const QPalette::ColorGroup group = focus ? QPalette::Active : QPalette::Inactive;
    p.fillRect(nameRect, option.palette.color(group, QPalette::Highlight));
    p.setPen(option.palette.color(group, QPalette::HighlightedText));
  }
  const QString text = row.modified ? row.name + QStringLiteral(" *") : row.name;
  p.drawText(nameRect.adjusted(1, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
             option.fontMetrics.elidedText(text, Qt::ElideRight, nameRect.width() - 1));
  if (row.expandable) {
    const QRect box = view_.ExpanderIn(r, row);
    p.setPen(Qt::black);
    p.setBrush(option.palette.color(QPalette::Base));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    const int midY = box.top() + box.height() / 2;
    const int midX = box.left() + box.width() / 2;
    p.drawLine(box.left() + 2, midY, box.right() - 2, midY);
    if (!row.IsExpanded()) p.drawLine(midX, box.top() + 2, midX, box.bottom() - 2);
  }
}

void PropertyRowDelegate::PaintValue(QPainter& p, const QStyleOptionViewItem& option,
                                     const CListBoxItem& row) const {
  const QRect& r = option.rect;
  const int step = view_.IndentStep();
  int x = r.left() + 2;
  int right = r.right();
  if (row.hasButton) right -= r.height();
  if (const auto* color = dynamic_cast<const CColorProperty*>(&row); color && !IsMixed(row)) {
    const QRect swatch(r.left() + 2, r.top() + 2, step - 2, r.height() - 5);
    p.fillRect(swatch, ui::ColorFromBgr(TranslateOleColor(color->Color())));
    p.setPen(Qt::black);
    p.drawRect(swatch);
    x = r.left() + step + 2;
  }
  QColor textColor = option.palette.color(QPalette::Text);
  if (row.modified)
    textColor = kModifiedColor;
  else if (IsGreyed(row) || row.expandable)
    textColor = option.palette.color(QPalette::Disabled, QPalette::Text);
  if (!IsMixed(row) && !row.valueText.isEmpty()) {
    p.setFont(option.font);
    p.setPen(textColor);
    const QRect textRect(x, r.top(), std::max(0, right - x), r.height() - 1);
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
               option.fontMetrics.elidedText(row.valueText, Qt::ElideRight, textRect.width()));
  }
  if (row.hasButton) {
    QStyleOptionButton button;
    button.rect = PropertyListView::ButtonIn(r);
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    button.palette = option.palette;
    QStyle* style = view_.style();
    style->drawControl(QStyle::CE_PushButtonBevel, &button, &p, &view_);
    if (row.hasDropDown) {
      QStyleOption arrow = button;
      arrow.rect = button.rect.adjusted(3, 3, -3, -3);
      style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &p, &view_);
    } else {
      p.setPen(option.palette.color(QPalette::ButtonText));
      p.drawText(button.rect, Qt::AlignCenter, QStringLiteral("..."));
    }
  }
}

QWidget* PropertyRowDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                           const QModelIndex& index) const {
  const CListBoxItem* row = view_.Model().Row(index.row());
  if (!row || !IsEditable(*row)) return nullptr;
  if (row->hasDropDown) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("id127"));
    combo->setEditable(!row->fixedText);
    combo->setFrame(false);
    combo->addItems(row->Entries());
    if (combo->isEditable()) {
      combo->lineEdit()->setObjectName(QStringLiteral("id125"));
      combo->lineEdit()->setMaxLength(kEditorTextMax);
    }
    // A choice in the list commits at once, as a drop-down choice does.
    connect(combo, &QComboBox::activated, combo, [this, combo]() {
      auto* self = const_cast<PropertyRowDelegate*>(this);
      emit self->commitData(combo);
    });
    return combo;
  }
  auto* line = new QLineEdit(parent);
  line->setObjectName(QStringLiteral("id125"));
  line->setFrame(false);
  line->setMaxLength(kEditorTextMax);
  return line;
}

void PropertyRowDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const QString text = index.data(Qt::EditRole).toString();
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    const int at = combo->findText(text);
    if (combo->isEditable())
      combo->setEditText(text);
    else if (at >= 0)
      combo->setCurrentIndex(at);
    return;
  }
  if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    line->setText(text);
    line->selectAll();
  }
}

void PropertyRowDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                       const QModelIndex& index) const {
  auto* combo = qobject_cast<QComboBox*>(editor);
  const int role = combo && !combo->isEditable() ? Qt::UserRole : Qt::EditRole;
  model->setData(index, EditorText(editor), role);
}

void PropertyRowDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                               const QModelIndex& index) const {
  const CListBoxItem* row = view_.Model().Row(index.row());
  QRect r = option.rect.adjusted(1, 0, 0, -1);
  if (row && row->hasButton && !qobject_cast<QComboBox*>(editor)) r.setRight(r.right() - r.height() - 1);
  if (row && dynamic_cast<const CColorProperty*>(row)) r.setLeft(r.left() + view_.IndentStep() + 1);
  editor->setGeometry(r);
}

}  // namespace qvp
