#pragma once
// The button rows of the program's dialogs: one spacing, buttons at the start and the end.

#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QString>
#include <initializer_list>
#include <vector>

namespace ui {

// Room between two buttons of a row, in pixels.
inline constexpr int kButtonSpacing = 8;

// A new row layout: `start` left-aligned, `end` right-aligned, in the order given.
inline QHBoxLayout* ButtonRow(std::initializer_list<QWidget*> start,
                              std::initializer_list<QWidget*> end) {
  auto* row = new QHBoxLayout;
  row->setSpacing(kButtonSpacing);
  for (QWidget* button : start) row->addWidget(button);
  row->addStretch();
  for (QWidget* button : end) row->addWidget(button);
  return row;
}

// A window's button bar: items from the left, the end items at the right of the last
// line, wrapping onto further lines where the bar is too narrow for one. Its minimum is
// the least width of three lines (narrow enough for its window to share a band of tiles
// at 800 x 600); its height follows its width.
class WrappingRow : public QLayout {
 public:
  WrappingRow() { setSpacing(kButtonSpacing); }
  ~WrappingRow() override;
  WrappingRow(const WrappingRow&) = delete;
  WrappingRow& operator=(const WrappingRow&) = delete;

  // Items added from here on go to the right-aligned end group.
  void StartEnd() { m_endFrom = static_cast<int>(m_items.size()); }
  // Adds `layout` (owned) as one item.
  void AddLayout(QLayout* layout) {
    addChildLayout(layout);
    addItem(layout);
  }

  void addItem(QLayoutItem* item) override { m_items.push_back(item); }
  int count() const override { return static_cast<int>(m_items.size()); }
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false, nullptr); }
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

 private:
  // Lays the items out in `rect` (moving them when `apply`); returns the height used and
  // sets `lines` to the number of lines.
  int Arrange(const QRect& rect, bool apply, int* lines) const;

  std::vector<QLayoutItem*> m_items;
  int m_endFrom = -1;
};

// A new wrapping bar: `start` left-aligned, `end` right-aligned, in the order given. The
// child windows' bars (Product List, Reports) are these.
inline WrappingRow* WrappingButtonRow(std::initializer_list<QWidget*> start, std::initializer_list<QWidget*> end) {
  auto* row = new WrappingRow;
  for (QWidget* button : start) row->addWidget(button);
  row->StartEnd();
  for (QWidget* button : end) row->addWidget(button);
  return row;
}

// A button named `name` (objectName) that is not a default button.
inline QPushButton* NamedButton(const QString& text, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// Creates `ok` (the default button) and `cancel` on `parent`, named as given (also as
// objectName), and returns them right-aligned in a new row layout.
inline QHBoxLayout* OkCancelRow(QWidget* parent, QPushButton*& ok, const QString& okName,
                                QPushButton*& cancel, const QString& cancelName) {
  ok = new QPushButton(QStringLiteral("OK"), parent);
  ok->setObjectName(okName);
  ok->setDefault(true);
  cancel = NamedButton(QStringLiteral("Cancel"), cancelName, parent);
  return ButtonRow({}, {ok, cancel});
}

}  // namespace ui
