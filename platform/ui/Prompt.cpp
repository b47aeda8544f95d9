#include "platform/ui/Prompt.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/runtime/App.h"
#include "platform/ui/Seam.h"

namespace ui {

int ButtonsOf(int style) {
  const int buttons = style & 0x7;
  return buttons <= vbRetryCancel ? buttons : vbOKOnly;
}

int IconOf(int style) {
  const int icon = style & 0x70;
  return icon <= vbInformation ? icon : 0;
}

int DefaultButtonOf(int style) {
  const int wanted = ((style & 0xF00) >> 8) + 1;
  const int count = static_cast<int>(AnswersOf(style).size());
  return wanted <= count ? wanted : 1;
}

QList<int> AnswersOf(int style) {
  switch (ButtonsOf(style)) {
    case vbOKCancel:
      return {vbOK, vbCancel};
    case vbAbortRetryIgnore:
      return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel:
      return {vbYes, vbNo, vbCancel};
    case vbYesNo:
      return {vbYes, vbNo};
    case vbRetryCancel:
      return {vbRetry, vbCancel};
    default:
      return {vbOK};
  }
}

int EscapeAnswerOf(int style) {
  const QList<int> answers = AnswersOf(style);
  if (answers.contains(vbCancel)) return vbCancel;
  if (answers == QList<int>{vbOK}) return vbOK;
  return 0;
}

namespace {

QMessageBox::Icon QtIcon(int icon) {
  switch (icon) {
    case vbCritical:
      return QMessageBox::Critical;
    case vbQuestion:
      return QMessageBox::Question;
    case vbExclamation:
      return QMessageBox::Warning;
    case vbInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButton QtButton(int answer) {
  switch (answer) {
    case vbOK:
      return QMessageBox::Ok;
    case vbCancel:
      return QMessageBox::Cancel;
    case vbAbort:
      return QMessageBox::Abort;
    case vbRetry:
      return QMessageBox::Retry;
    case vbIgnore:
      return QMessageBox::Ignore;
    case vbYes:
      return QMessageBox::Yes;
    default:
      return QMessageBox::No;
  }
}

// Shows the boxes modally, owned by the active window.
class DesktopPrompts : public Prompts {
 public:
  int MsgBox(const QString& text, int style, const QString& title, const QString&, int) override {
    // Texts break lines with CR LF or a lone CR; the label wants LF.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QtIcon(IconOf(style)), title, shown, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const QList<int> answers = AnswersOf(style);
    QList<QAbstractButton*> buttons;
    for (int answer : answers) buttons.append(box.addButton(QtButton(answer)));
    box.setDefaultButton(static_cast<QPushButton*>(buttons[DefaultButtonOf(style) - 1]));
    const int escape = EscapeAnswerOf(style);
    if (escape != 0) box.setEscapeButton(buttons[answers.indexOf(escape)]);
    box.exec();
    const int clicked = static_cast<int>(buttons.indexOf(box.clickedButton()));
    if (clicked >= 0) return answers[clicked];
    return escape != 0 ? escape : answers.front();
  }

  InputAnswer InputBox(const QString& prompt, const QString& title,
                       const QString& defaultText) override {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                               QLineEdit::Normal, defaultText, &ok);
    return ok ? InputAnswer{text, false} : InputAnswer{QString(), true};
  }
};

using PromptsSeam = Seam<Prompts, DesktopPrompts>;

QString ResolveTitle(const QString& title) {
  return title.isEmpty() ? rt::App::ProductName() : title;
}

}  // namespace

Prompts& CurrentPrompts() { return PromptsSeam::Current(); }
Prompts* SetPrompts(Prompts* prompts) { return PromptsSeam::Install(prompts); }

int MsgBox(const QString& text, int style, const QString& title, const QString& helpFile,
           int helpContext) {
  return CurrentPrompts().MsgBox(text, style, ResolveTitle(title), helpFile, helpContext);
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
  return InputBoxEx(prompt, title, defaultText).text;
}

InputAnswer InputBoxEx(const QString& prompt, const QString& title, const QString& defaultText) {
  InputAnswer answer = CurrentPrompts().InputBox(prompt, ResolveTitle(title), defaultText);
  if (answer.cancelled) answer.text.clear();
  return answer;
}

}  // namespace ui
