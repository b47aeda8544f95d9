#include "platform/ui/SingleLine.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <algorithm>

namespace ui {

namespace {

bool IsLineBreak(QChar c) {
  return c == u'\n' || c == u'\r' || c == QChar(0x85) || c == QChar(0x2028) || c == QChar(0x2029);
}

// Attaches the validator to each line edit that has none when it is polished.
class SingleLineRule : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Polish) {
      if (auto* edit = qobject_cast<QLineEdit*>(watched); edit != nullptr && edit->validator() == nullptr)
        edit->setValidator(new SingleLineValidator(edit));
    }
    return false;
  }
};

}  // namespace

QString LineBreaksAsSpaces(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (!IsLineBreak(c)) {
      out += c;
      continue;
    }
    if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
    out += u' ';
  }
  return out;
}

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const {
  if (std::none_of(input.cbegin(), input.cend(), IsLineBreak)) return Acceptable;
  // The cursor stays behind the same character.
  const QString before = LineBreaksAsSpaces(input.left(pos));
  input = before + LineBreaksAsSpaces(input.mid(pos));
  pos = static_cast<int>(before.size());
  return Acceptable;
}

void InstallSingleLineRule(QApplication& app) { app.installEventFilter(new SingleLineRule(&app)); }

}  // namespace ui
