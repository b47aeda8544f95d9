#include "platform/ui/DialogLook.h"

#include <QFileInfo>
#include <QLayout>
#include <QWidget>

namespace ui {

void FixWindowSize(QWidget& window, QSize size) {
  if (size.isValid()) {
    window.setFixedSize(size);
  } else if (QLayout* layout = window.layout()) {
    layout->setSizeConstraint(QLayout::SetFixedSize);
  } else {
    window.setFixedSize(window.sizeHint());
  }
  window.setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
}

void KeepPlaceWhenHidden(QWidget& widget) {
  QSizePolicy policy = widget.sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget.setSizePolicy(policy);
}

QIcon ProgramIcon(const QString& name) {
  const QString shipped = QStringLiteral(":/icons/%1.png").arg(name);
  if (QFileInfo::exists(shipped)) return QIcon(shipped);
  return QIcon::fromTheme(name);
}

QIcon ApplicationIcon() { return QIcon(QStringLiteral(":/icons/stovrel.png")); }

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  return label;
}

QString LiteralMnemonicText(const QString& text) {
  QString caption = text;
  return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString ShownMnemonicText(const QString& caption) {
  QString shown;
  shown.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && ++i == caption.size()) break;
    shown += caption[i];
  }
  return shown;
}

}  // namespace ui
