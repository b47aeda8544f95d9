#include "reports/CriteriaLists.h"

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QPalette>

namespace reports {

void SetNarrowedColour(QComboBox& cbo) {
  const QColor colour = cbo.currentIndex() >= 1 ? QColor(255, 0, 0) : QColor(0, 0, 0);
  QPalette pal = cbo.palette();
  pal.setColor(QPalette::Text, colour);
  pal.setColor(QPalette::ButtonText, colour);
  pal.setColor(QPalette::WindowText, colour);
  cbo.setPalette(pal);
}

QComboBox* DropDown(QWidget* parent, const QString& name) {
  auto* cbo = new QComboBox(parent);
  cbo->setObjectName(name);
  cbo->setMinimumContentsLength(30);
  return cbo;
}

QLabel* Caption(QWidget* parent, const QString& text, const QString& name) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

void AddItem(QComboBox& cbo, const QString& text, int32_t nID) { cbo.addItem(text, QVariant(nID)); }

}  // namespace reports
