#include "platform/controls/GridView.h"

#include <QHeaderView>
#include <QInputEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>

#include "platform/controls/GridControl.h"

namespace ctl::grid {

GridView::GridView(GridControl& grid, QWidget* parent) : QTableView(parent), grid_(grid) {
  QHeaderView* rows = verticalHeader();
  disconnect(rows, SIGNAL(sectionCountChanged(int,int)), this, SLOT(rowCountChanged(int,int)));
  connect(rows, &QHeaderView::sectionCountChanged, this, &GridView::OnRowCountChanged);
}

void GridView::OnRowCountChanged(int oldCount, int newCount) {
  if (newCount > oldCount && oldCount > 0 && isVisible() &&
      rowViewportPosition(oldCount) >= viewport()->height()) {
    updateGeometries();
    return;
  }
  rowCountChanged(oldCount, newCount);
}

int GridView::FrozenWidth() const {
  if (!frozen_ || frozen_->isHidden()) return 0;
  int width = 0;
  const int count = std::min(grid_.fixedCols_ + grid_.frozenCols_, grid_.Cols());
  for (int c = 0; c < count; ++c)
    if (!isColumnHidden(c)) width += columnWidth(c);
  return width;
}

int GridView::FrozenCount() const {
  return frozen_ ? std::min(grid_.fixedCols_ + grid_.frozenCols_, grid_.Cols()) : 0;
}

int GridView::SnapAcross(int value, int direction) const {
  // The stops: the values at which a scrollable column starts at the frozen edge.
  const QHeaderView* header = horizontalHeader();
  const int edge = header->sectionPosition(FrozenCount());
  int below = 0;
  int above = -1;
  for (int c = FrozenCount(); c < grid_.Cols(); ++c) {
    if (isColumnHidden(c)) continue;
    const int stop = header->sectionPosition(c) - edge;
    if (stop <= value) below = stop;
    if (stop >= value) {
      above = stop;
      break;
    }
  }
  if (above < 0) return below;
  if (direction > 0) return above;
  if (direction < 0) return below;
  return value - below <= above - value ? below : above;
}

void GridView::UpdateFrozenGeometry() {
  const int count = FrozenCount();
  if (!frozen_) return;
  frozen_->setVisible(count > 0);
  if (count == 0) return;
  frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
  frozen_->setGeometry(verticalHeader()->isVisible() ? verticalHeader()->width() + frameWidth() : frameWidth(),
                       frameWidth(), FrozenWidth(), viewport()->height() + horizontalHeader()->height());
}

bool GridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (state() != EditingState && index.isValid() && (model()->flags(index) & Qt::ItemIsEditable) &&
      (trigger & editTriggers()) && !grid_.AllowEdit(index))
    return false;
  return QTableView::edit(index, trigger, event);
}

QModelIndex GridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (action == MoveHome) horizontalScrollBar()->setValue(0);
  return QTableView::moveCursor(action, modifiers);
}

void GridView::keyboardSearch(const QString& search) {
  if (grid_.Editable() == flexEDNone) QTableView::keyboardSearch(search);
}

QItemSelectionModel::SelectionFlags GridView::selectionCommand(const QModelIndex& index,
                                                                const QEvent* event) const {
  const bool input = event && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress);
  grid_.SetExtending(input && (static_cast<const QInputEvent*>(event)->modifiers() & Qt::ShiftModifier));
  return QTableView::selectionCommand(index, event);
}

void GridView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  const int count = FrozenCount();
  if (index.column() < count) {
    // A frozen cell is always in sight sideways: scroll up or down only.
    const int across = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(across);
    return;
  }
  QTableView::scrollTo(index, hint);
  const int hiddenBy = FrozenWidth() - visualRect(index).left();
  if (count > 0 && hiddenBy > 0) horizontalScrollBar()->setValue(horizontalScrollBar()->value() - hiddenBy);
}

void GridView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  UpdateFrozenGeometry();
}

void GridView::scrollContentsBy(int dx, int dy) {
  QTableView::scrollContentsBy(dx, dy);
  if (dx == 0 || FrozenCount() == 0 || layingOut_) return;
  // Beside frozen columns the view moves a whole column at a time: on the way it went, or
  // to the nearest column while the slider is dragged.
  QScrollBar* across = horizontalScrollBar();
  across->setValue(SnapAcross(across->value(), across->isSliderDown() ? 0 : (dx < 0 ? 1 : -1)));
}

void GridView::updateGeometries() {
  QScrollBar* across = horizontalScrollBar();
  const int before = across->value();
  {
    const QScopedValueRollback layingOut(layingOut_, true);
    QTableView::updateGeometries();
    if (FrozenCount() > 0) {
      // The range ends at the stop that shows the last column whole.
      across->setMaximum(SnapAcross(across->maximum(), 1));
      across->setValue(std::min(SnapAcross(before, -1), across->maximum()));
    }
  }
  UpdateFrozenGeometry();
}

}  // namespace ctl::grid
