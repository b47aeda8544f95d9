#pragma once
// The OK / Cancel button row of the program's small dialogs.

#include <QHBoxLayout>
#include <QPushButton>
#include <QString>

namespace ui {

// Creates `ok` (the default button) and `cancel` on `parent`, named as given (also as
// objectName), and returns them right-aligned in a new row layout.
inline QHBoxLayout* OkCancelRow(QWidget* parent, QPushButton*& ok, const QString& okName,
                                QPushButton*& cancel, const QString& cancelName) {
  ok = new QPushButton(QStringLiteral("OK"), parent);
  ok->setObjectName(okName);
  ok->setDefault(true);
  cancel = new QPushButton(QStringLiteral("Cancel"), parent);
  cancel->setObjectName(cancelName);
  cancel->setAutoDefault(false);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace ui
