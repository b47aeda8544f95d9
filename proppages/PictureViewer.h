#pragma once
// The picture viewer of the frame and image pages: pictures side by side in cells,
// eight cells per visible width, with a horizontal scroll bar. Each cell is filled with
// the menu colour (icons with the viewer's back colour) and shows its picture scaled
// into the cell less 8 pixels on each side; the selected cell is raised. A click
// selects; Delete asks the page to remove the selection. Named "1009".

#include <QAbstractScrollArea>
#include <functional>
#include <vector>

#include "proppages/PictureRef.h"

namespace qvp {

class PictureViewer final : public QAbstractScrollArea {
 public:
  static constexpr int kColumns = 8;

  explicit PictureViewer(QWidget* parent);

  int Count() const { return static_cast<int>(items_.size()); }
  const CPictureRef& Item(int index) const { return items_[static_cast<size_t>(index)]; }
  // Inserts at 0 .. Count(); the selection stays on its picture.
  void Insert(int index, const CPictureRef& picture);
  // Removes one picture; a removed selection leaves none.
  void Remove(int index);
  // Moves a picture to another position; the selection follows it.
  void Move(int from, int to);
  void Clear();

  // The selected position, or -1.
  int Current() const { return current_; }
  // Selects a position (-1 for none) and scrolls it into view.
  void SetCurrent(int index);
  void ScrollToStart();
  void SetIconBackground(QRgb colour);
  // Called with the old and the new selection after each change of the selection.
  std::function<void(int previous, int current)> onCurrentChanged;
  std::function<void()> onDelete;

  // The cell of a position in viewport coordinates.
  QRect CellRect(int index) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int ColumnWidth() const;
  void UpdateScrollBar();

  std::vector<CPictureRef> items_;
  int current_ = -1;
  QRgb iconBackground_;
};

}  // namespace qvp
