#include "proppages/PictureViewer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

#include "platform/ui/Colors.h"
#include "proppages/PictureDialog.h"

namespace qvp {

namespace {
constexpr int kPictureInset = 8;
constexpr int kFocusInset = 4;
constexpr int kEdge = 2;
}  // namespace

PictureViewer::PictureViewer(QWidget* parent)
    : QAbstractScrollArea(parent), iconBackground_(ui::ColorFromBgr(TranslateOleColor(kOleButtonFace)).rgb()) {
  setObjectName(QStringLiteral("1009"));
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  horizontalScrollBar()->setSingleStep(1);
  setMinimumHeight(80);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
          [this] { viewport()->update(); });
}

void PictureViewer::Insert(int index, const CPictureRef& picture) {
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, picture);
  if (current_ >= index) ++current_;
  UpdateScrollBar();
  viewport()->update();
}

void PictureViewer::Remove(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  const int previous = current_;
  if (current_ == index)
    current_ = -1;
  else if (current_ > index)
    --current_;
  UpdateScrollBar();
  viewport()->update();
  if (previous == index && onCurrentChanged) onCurrentChanged(-1, -1);
}

void PictureViewer::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  CPictureRef moved = items_[static_cast<size_t>(from)];
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, moved);
  if (current_ == from) current_ = to;
  viewport()->update();
}

void PictureViewer::Clear() {
  items_.clear();
  current_ = -1;
  UpdateScrollBar();
  viewport()->update();
}

void PictureViewer::SetCurrent(int index) {
  if (index < -1 || index >= Count()) index = -1;
  const int previous = current_;
  current_ = index;
  if (index >= 0) {
    QScrollBar* bar = horizontalScrollBar();
    if (index < bar->value()) bar->setValue(index);
    if (index >= bar->value() + kColumns) bar->setValue(index - kColumns + 1);
  }
  viewport()->update();
  if (onCurrentChanged) onCurrentChanged(previous, current_);
}

void PictureViewer::ScrollToStart() { horizontalScrollBar()->setValue(0); }

void PictureViewer::SetIconBackground(QRgb colour) {
  iconBackground_ = colour;
  viewport()->update();
}

int PictureViewer::ColumnWidth() const { return std::max(1, viewport()->width() / kColumns); }

QRect PictureViewer::CellRect(int index) const {
  const int w = ColumnWidth();
  return QRect((index - horizontalScrollBar()->value()) * w, 0, w, viewport()->height());
}

void PictureViewer::UpdateScrollBar() {
  horizontalScrollBar()->setRange(0, std::max(0, Count() - kColumns));
  horizontalScrollBar()->setPageStep(kColumns);
}

void PictureViewer::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QColor menu = ui::ColorFromBgr(TranslateOleColor(kOleMenuColor));
  painter.fillRect(viewport()->rect(), menu);
  for (int i = horizontalScrollBar()->value(); i < Count(); ++i) {
    QRect cell = CellRect(i);
    if (cell.left() >= viewport()->width()) break;
    const CPictureRef& picture = items_[static_cast<size_t>(i)];
    const QRect inner = cell.adjusted(kPictureInset, kPictureInset, -kPictureInset, -kPictureInset);
    if (picture.GetType() == PICTYPE_ICON) painter.fillRect(inner, QColor(iconBackground_));
    if (!inner.isEmpty()) {
      // Scaled into the cell in the picture's own proportions.
      const QSize size = GetPictureSizePixels(picture.Get()).value_or(inner.size());
      DrawPictureArgs args;
      args.item = FitPictureRect(inner, size.width(), size.height());
      args.dest = args.item;
      args.useDest = true;
      DrawPictureEx(painter, picture.Get(), args);
    }
    if (i == current_) {
      qDrawShadePanel(&painter, cell, palette(), false, kEdge);
      if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = cell.adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
      }
    }
  }
}

void PictureViewer::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBar();
}

void PictureViewer::mousePressEvent(QMouseEvent* event) {
  const int index = horizontalScrollBar()->value() + event->position().toPoint().x() / ColumnWidth();
  if (index < Count()) SetCurrent(index);
}

void PictureViewer::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Delete:
      if (current_ >= 0 && onDelete) onDelete();
      return;
    case Qt::Key_Left:
      if (current_ > 0) SetCurrent(current_ - 1);
      return;
    case Qt::Key_Right:
      if (current_ + 1 < Count()) SetCurrent(current_ + 1);
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

}  // namespace qvp
