#include "platform/ui/testing/TestPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace ui::test {

// ---- FakePrompts --------------------------------------------------------------------

FakePrompts& FakePrompts::Answer(int answer) {
  queue_.push_back({ShownPrompt::Kind::Message, Match::Any, {}, answer, {}});
  return *this;
}

FakePrompts& FakePrompts::Expect(const QString& text, int answer) {
  queue_.push_back({ShownPrompt::Kind::Message, Match::Exact, text, answer, {}});
  return *this;
}

FakePrompts& FakePrompts::ExpectContaining(const QString& part, int answer) {
  queue_.push_back({ShownPrompt::Kind::Message, Match::Contains, part, answer, {}});
  return *this;
}

FakePrompts& FakePrompts::Type(const QString& text) {
  queue_.push_back({ShownPrompt::Kind::Input, Match::Any, {}, 0, {text, false}});
  return *this;
}

FakePrompts& FakePrompts::CancelInput() {
  queue_.push_back({ShownPrompt::Kind::Input, Match::Any, {}, 0, {{}, true}});
  return *this;
}

QStringList FakePrompts::Texts() const {
  QStringList texts;
  for (const ShownPrompt& p : shown_) texts.append(p.text);
  return texts;
}

void FakePrompts::Clear() {
  queue_.clear();
  shown_.clear();
  unexpected_.clear();
}

void FakePrompts::Report(const QString& what) {
  unexpected_.append(what);
  if (onUnexpected_) onUnexpected_(what);
}

int FakePrompts::MsgBox(const QString& text, int style, const QString& title,
                        const QString& helpFile, int helpContext) {
  ShownPrompt shown;
  shown.kind = ShownPrompt::Kind::Message;
  shown.text = text;
  shown.title = title;
  shown.style = style;
  shown.buttons = ButtonsOf(style);
  shown.icon = IconOf(style);
  shown.defaultButton = DefaultButtonOf(style);
  shown.helpFile = helpFile;
  shown.helpContext = helpContext;
  shown_.append(shown);
  if (onShown_) onShown_(shown);

  const QList<int> answers = AnswersOf(style);
  const int fallback = answers[shown.defaultButton - 1];
  if (queue_.empty() || queue_.front().kind != ShownPrompt::Kind::Message) {
    Report(QStringLiteral("unexpected message box: \"%1\"").arg(text));
    return fallback;
  }
  const Step step = queue_.front();
  queue_.pop_front();
  const bool matches = step.match == Match::Any ||
                       (step.match == Match::Exact && text == step.text) ||
                       (step.match == Match::Contains && text.contains(step.text));
  if (!matches) {
    Report(
        QStringLiteral("message box \"%1\" shown where \"%2\" was expected").arg(text, step.text));
  }
  if (!answers.contains(step.answer)) {
    Report(QStringLiteral("answer %1 is not a button of message box \"%2\"")
               .arg(step.answer)
               .arg(text));
  }
  return step.answer;
}

InputAnswer FakePrompts::InputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) {
  ShownPrompt shown;
  shown.kind = ShownPrompt::Kind::Input;
  shown.text = prompt;
  shown.title = title;
  shown.defaultText = defaultText;
  shown_.append(shown);
  if (onShown_) onShown_(shown);
  if (queue_.empty() || queue_.front().kind != ShownPrompt::Kind::Input) {
    Report(QStringLiteral("unexpected input box: \"%1\"").arg(prompt));
    return {{}, true};
  }
  const InputAnswer answer = queue_.front().input;
  queue_.pop_front();
  return answer;
}

// ---- FakeModalRunner ----------------------------------------------------------------

FakeModalRunner& FakeModalRunner::Then(Script script) {
  queue_.push_back({{}, std::move(script)});
  return *this;
}

FakeModalRunner& FakeModalRunner::Then(const QString& name, Script script) {
  queue_.push_back({name, std::move(script)});
  return *this;
}

void FakeModalRunner::Report(const QString& what) {
  unexpected_.append(what);
  if (onUnexpected_) onUnexpected_(what);
}

int FakeModalRunner::Run(QDialog& dialog) {
  const QString name = dialog.objectName().isEmpty()
                           ? QString::fromLatin1(dialog.metaObject()->className())
                           : dialog.objectName();
  ran_.append(name);
  owners_.append(QPointer<QWidget>(dialog.parentWidget()));
  dialog.setResult(QDialog::Rejected);
  QPointer<QDialog> guard(&dialog);
  if (queue_.empty()) {
    Report(QStringLiteral("unexpected dialog: %1").arg(name));
  } else {
    const Step step = queue_.front();
    queue_.pop_front();
    if (!step.name.isEmpty() && step.name != name) {
      Report(QStringLiteral("dialog %1 run where %2 was expected").arg(name, step.name));
    }
    dialog.show();
    if (step.script) step.script(dialog);
  }
  if (guard.isNull()) return QDialog::Rejected;
  if (guard->isVisible()) guard->reject();
  return guard->result();
}

// ---- FakeShell ----------------------------------------------------------------------

FakeShell& FakeShell::Result(int result) {
  results_.push_back(result);
  return *this;
}

int FakeShell::ShellExecute(const QString& verb, const QString& file, const QString& params,
                            const QString& dir, int showCmd) {
  calls_.append({verb, file, params, dir, showCmd});
  if (results_.empty()) return defaultResult_;
  const int result = results_.front();
  results_.pop_front();
  return result;
}

// ---- Script helpers -----------------------------------------------------------------

bool Click(QWidget& root, const QString& name) {
  auto* button = root.findChild<QAbstractButton*>(name);
  if (button == nullptr || !button->isEnabled()) return false;
  button->click();
  return true;
}

bool SetText(QWidget& root, const QString& name, const QString& text) {
  QWidget* w = root.findChild<QWidget*>(name);
  if (w == nullptr || !w->isEnabled()) return false;
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    plain->setPlainText(text);
  } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
    rich->setPlainText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->isEditable()) {
      combo->setEditText(text);
    } else {
      const int row = combo->findText(text);
      if (row < 0) return false;
      combo->setCurrentIndex(row);
    }
  } else {
    return false;
  }
  return true;
}

bool TypeKeys(QWidget& root, const QString& name, const QString& keys, bool replace) {
  QWidget* w = root.findChild<QWidget*>(name);
  if (w == nullptr || !w->isEnabled()) return false;
  auto* edit = qobject_cast<QLineEdit*>(w);
  if (edit == nullptr) edit = w->findChild<QLineEdit*>();
  if (edit == nullptr) return false;
  if (replace) {
    edit->selectAll();
  } else {
    edit->end(false);
  }
  for (const QChar ch : keys) {
    const int key = ch == u'\b' ? int(Qt::Key_Backspace) : int(ch.toUpper().unicode());
    const QString text = ch == u'\b' ? QString() : QString(ch);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &release);
  }
  return true;
}

bool SetChecked(QWidget& root, const QString& name, bool checked) {
  auto* button = root.findChild<QAbstractButton*>(name);
  if (button == nullptr || !button->isEnabled() || !button->isCheckable()) return false;
  if (button->isChecked() != checked) button->click();
  return button->isChecked() == checked;
}

QString TextOf(QWidget& root, const QString& name) {
  QWidget* w = root.findChild<QWidget*>(name);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* rich = qobject_cast<QTextEdit*>(w)) return rich->toPlainText();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  return {};
}

}  // namespace ui::test
