#include "platform/ui/ButtonRow.h"

#include <QWidget>
#include <algorithm>

namespace ui {

WrappingRow::~WrappingRow() {
  for (QLayoutItem* item : m_items) delete item;
}

QLayoutItem* WrappingRow::itemAt(int index) const {
  return index >= 0 && index < count() ? m_items[static_cast<size_t>(index)] : nullptr;
}

QLayoutItem* WrappingRow::takeAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  QLayoutItem* item = m_items[static_cast<size_t>(index)];
  m_items.erase(m_items.begin() + index);
  if (m_endFrom > index) --m_endFrom;
  return item;
}

QSize WrappingRow::sizeHint() const {
  int width = 0;
  int height = 0;
  for (QLayoutItem* item : m_items) {
    if (item->isEmpty()) continue;
    width += (width > 0 ? spacing() : 0) + item->sizeHint().width();
    height = std::max(height, item->sizeHint().height());
  }
  const QMargins m = contentsMargins();
  return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

QSize WrappingRow::minimumSize() const {
  // The narrowest width, no less than the widest item, at which the items take at most three lines.
  int low = 0;
  for (QLayoutItem* item : m_items) low = std::max(low, item->sizeHint().width());
  low += contentsMargins().left() + contentsMargins().right();
  int high = sizeHint().width();
  while (low < high) {
    const int mid = (low + high) / 2;
    int lines = 0;
    Arrange(QRect(0, 0, mid, 0), false, &lines);
    if (lines <= 3) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return QSize(high, Arrange(QRect(0, 0, high, 0), false, nullptr));
}

void WrappingRow::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  Arrange(rect, true, nullptr);
}

int WrappingRow::Arrange(const QRect& rect, bool apply, int* lineCount) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  const int gap = spacing();
  // Lines of shown items; the end group starts a line of its own when it does not fit
  // beside the items before it.
  struct Line {
    std::vector<QLayoutItem*> items;
    int width = 0;
    int height = 0;
    int endFrom = -1;  // index in items where the end group begins
  };
  std::vector<Line> lines(1);
  const auto add = [&](QLayoutItem* item) {
    const QSize size = item->sizeHint();
    Line* line = &lines.back();
    if (!line->items.empty() && line->width + gap + size.width() > area.width()) line = &lines.emplace_back();
    line->width += (line->items.empty() ? 0 : gap) + size.width();
    line->height = std::max(line->height, size.height());
    line->items.push_back(item);
  };
  const int first = m_endFrom < 0 ? count() : m_endFrom;
  for (int i = 0; i < first; ++i) {
    if (!m_items[static_cast<size_t>(i)]->isEmpty()) add(m_items[static_cast<size_t>(i)]);
  }
  int endWidth = 0;
  for (int i = first; i < count(); ++i) {
    QLayoutItem* item = m_items[static_cast<size_t>(i)];
    if (!item->isEmpty()) endWidth += (endWidth > 0 ? gap : 0) + item->sizeHint().width();
  }
  if (endWidth > 0) {
    if (!lines.back().items.empty() && lines.back().width + gap + endWidth > area.width()) lines.emplace_back();
    lines.back().endFrom = static_cast<int>(lines.back().items.size());
    for (int i = first; i < count(); ++i) {
      if (!m_items[static_cast<size_t>(i)]->isEmpty()) add(m_items[static_cast<size_t>(i)]);
    }
  }
  if (lineCount != nullptr) *lineCount = static_cast<int>(lines.size());
  int y = area.top();
  for (const Line& line : lines) {
    int x = area.left();
    for (size_t i = 0; i < line.items.size(); ++i) {
      QLayoutItem* item = line.items[i];
      const QSize size = item->sizeHint();
      // The end group goes to the right edge of the line it starts on.
      if (static_cast<int>(i) == line.endFrom) x = std::max(x, area.right() + 1 - (line.width - (x - area.left())));
      if (apply) item->setGeometry(QRect(QPoint(x, y + (line.height - size.height()) / 2), size));
      x += size.width() + gap;
    }
    y += line.height + gap;
  }
  const QMargins m = contentsMargins();
  return y - gap - area.top() + m.top() + m.bottom();
}

}  // namespace ui
