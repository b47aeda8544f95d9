// Single-line fields hold one line, however the text arrives.

#include "platform/ui/SingleLine.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWidget>

namespace {

TEST(SingleLine, EveryLineBreakBecomesOneSpaceInEveryWayTextArrives) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* edit = new QLineEdit(&window);
  auto* combo = new QComboBox(&window);
  combo->setEditable(true);
  layout->addWidget(edit);
  layout->addWidget(combo);
  window.show();
  struct Case {
    QString in;
    QString out;
  };
  const Case cases[] = {
      {QStringLiteral("LB\n1"), QStringLiteral("LB 1")},
      {QStringLiteral("Line\r\nBreak"), QStringLiteral("Line Break")},
      {QStringLiteral("two\rlines\n"), QStringLiteral("two lines ")},
      {QStringLiteral("a\n\nb"), QStringLiteral("a  b")},
      {QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b") + QChar(0x2029) + QChar(0x85), QStringLiteral("a b  ")},
      {QStringLiteral("plain text"), QStringLiteral("plain text")},
  };
  using Way = void (*)(QLineEdit&, const QString&);
  const std::pair<const char*, Way> ways[] = {
      {"paste",
       [](QLineEdit& e, const QString& t) {
         QApplication::clipboard()->setText(t);
         e.clear();
         e.paste();
       }},
      {"typed", [](QLineEdit& e, const QString& t) { e.clear(), e.insert(t); }},
      {"set", [](QLineEdit& e, const QString& t) { e.setText(t); }},
  };
  for (QLineEdit* field : {edit, combo->lineEdit()}) {
    for (const auto& [way, put] : ways) {
      for (const Case& c : cases) {
        put(*field, c.in);
        EXPECT_EQ(field->text(), c.out) << way << " " << c.in.toStdString();
      }
    }
  }
  // The cursor stays after what was pasted.
  edit->setText(QStringLiteral("[]"));
  edit->setCursorPosition(1);
  QApplication::clipboard()->setText(QStringLiteral("x\r\ny"));
  edit->paste();
  EXPECT_EQ(edit->text(), QStringLiteral("[x y]"));
  EXPECT_EQ(edit->cursorPosition(), 4);
  // Fields with a rule of their own keep it.
  QSpinBox spin;
  spin.show();
  EXPECT_EQ(dynamic_cast<const ui::SingleLineValidator*>(spin.findChild<QLineEdit*>()->validator()), nullptr);
}

}  // namespace
