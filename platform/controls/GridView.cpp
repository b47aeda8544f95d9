#include "platform/controls/GridView.h"

#include <QHeaderView>
#include <QInputEvent>
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

void GridView::UpdateFrozenGeometry() {
  if (!frozen_) return;
  const int count = std::min(grid_.fixedCols_ + grid_.frozenCols_, grid_.Cols());
  frozen_->setVisible(count > 0);
  if (count == 0) return;
  frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
  // A scrolled column partly under the frozen ones is covered whole: a sliver of it
  // beside them would read as a cell of its own.
  const int frozenWidth = FrozenWidth();
  int covered = frozenWidth;
  for (int c = count; c < grid_.Cols(); ++c) {
    if (isColumnHidden(c)) continue;
    const int left = columnViewportPosition(c);
    const int right = left + columnWidth(c);
    if (left < frozenWidth && right > frozenWidth) covered = right;
    if (right >= frozenWidth) break;
  }
  frozen_->setGeometry(verticalHeader()->isVisible() ? verticalHeader()->width() + frameWidth() : frameWidth(),
                       frameWidth(), std::max(frozenWidth, std::min(covered, viewport()->width())),
                       viewport()->height() + horizontalHeader()->height());
}

bool GridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (state() != EditingState && index.isValid() && (model()->flags(index) & Qt::ItemIsEditable) &&
      (trigger & editTriggers()) && !grid_.AllowEdit(index))
    return false;
  return QTableView::edit(index, trigger, event);
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
  const int count = frozen_ ? std::min(grid_.fixedCols_ + grid_.frozenCols_, grid_.Cols()) : 0;
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
  if (dx != 0) UpdateFrozenGeometry();
}

void GridView::updateGeometries() {
  QTableView::updateGeometries();
  UpdateFrozenGeometry();
}

}  // namespace ctl::grid
