#pragma once
// The button rows of the program's dialogs: one spacing, buttons at the start and the end.

#include <QHBoxLayout>
#include <QPushButton>
#include <QString>
#include <initializer_list>

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
