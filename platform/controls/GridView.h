#pragma once
// GridView: the table view of a GridControl. The main view may carry a second view
// over its left edge that shows the fixed and frozen columns, scrolls with it up and
// down but not sideways, and shares its model and selection. Beside it the main view
// scrolls sideways a whole column at a time, so the first column shown starts at the
// overlay's edge; its scroll range reaches the stop that shows the last column whole.
// Both views ask the grid
// before an edit starts. Shift with a click or a cursor key extends the selection.

#include <QTableView>

namespace ctl {
class GridControl;
}

namespace ctl::grid {

class GridView : public QTableView {
  Q_OBJECT

 public:
  GridView(GridControl& grid, QWidget* parent);

  // The main view's overlay for the leading columns (hidden when there are none).
  void SetFrozenView(GridView* frozen) { frozen_ = frozen; }
  void UpdateFrozenGeometry();
  // Lays out headers and scroll bars for the model now (Qt does it later by itself).
  void SyncGeometries() { updateGeometries(); }
  int FrozenWidth() const;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  // Type-to-search, in grids the user cannot edit only: in an editable grid a search
  // would move to another row and the next key would edit a row the user did not pick.
  void keyboardSearch(const QString& search) override;

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  // Tells the grid whether a move of the current cell extends the selection.
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
  // Home also brings back the first scrollable columns (a frozen cell never scrolls the
  // view sideways by itself).
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void updateGeometries() override;

 private:
  // Rows added below the visible part only move the scroll bar: no relayout, no repaint.
  void OnRowCountChanged(int oldCount, int newCount);
  int FrozenCount() const;
  // The horizontal scroll value nearest to value at which a scrollable column starts at
  // the frozen edge: at or above it (direction > 0), at or below it (< 0), or either.
  int SnapAcross(int value, int direction) const;

  GridControl& grid_;
  GridView* frozen_ = nullptr;
  bool layingOut_ = false;
};

}  // namespace ctl::grid
