#include "platform/ui/Prompt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/runtime/App.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Screen.h"
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

QStyle::StandardPixmap IconPixmap(int icon) {
  switch (icon) {
    case vbCritical:
      return QStyle::SP_MessageBoxCritical;
    case vbQuestion:
      return QStyle::SP_MessageBoxQuestion;
    case vbExclamation:
      return QStyle::SP_MessageBoxWarning;
    default:
      return QStyle::SP_MessageBoxInformation;
  }
}

QDialogButtonBox::StandardButton QtButton(int answer) {
  switch (answer) {
    case vbOK:
      return QDialogButtonBox::Ok;
    case vbCancel:
      return QDialogButtonBox::Cancel;
    case vbAbort:
      return QDialogButtonBox::Abort;
    case vbRetry:
      return QDialogButtonBox::Retry;
    case vbIgnore:
      return QDialogButtonBox::Ignore;
    case vbYes:
      return QDialogButtonBox::Yes;
    default:
      return QDialogButtonBox::No;
  }
}

// Texts break lines with CR LF or a lone CR; the label wants LF.
QString WithLineFeeds(const QString& text) {
  QString shown = text;
  return shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

constexpr int kTextGap = 6;
constexpr int kKeepOnTopMs = 500;

// The message box: icon, the text in a scroll area, the buttons of the style. Escape
// and the close button give the style's escape answer; boxes without one stay open.
class MessageBoxDialog : public QDialog {
 public:
  MessageBoxDialog(const QString& text, int style, const QString& title, QWidget* parent)
      : QDialog(parent), escape_(EscapeAnswerOf(style)), takesKeyboard_((style & vbSystemModal) != 0) {
    setObjectName(QStringLiteral("MessageBox"));
    setWindowTitle(title);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("lblIcon"));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    if (IconOf(style) != 0) {
      const int size = this->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
      icon->setPixmap(this->style()->standardIcon(IconPixmap(IconOf(style))).pixmap(size, size));
    } else {
      icon->hide();
    }
    auto* label = PlainLabel(WithLineFeeds(text), nullptr);
    label->setObjectName(QStringLiteral("lblText"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setContentsMargins(0, 0, kTextGap, 0);  // keeps the text off the scroll bar
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrText"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(label);
    scroll->viewport()->setAutoFillBackground(false);
    label->setAutoFillBackground(false);

    auto* buttons = new QDialogButtonBox(this);
    const QList<int> answers = AnswersOf(style);
    QList<QPushButton*> pushButtons;
    for (int answer : answers) {
      QPushButton* b = buttons->addButton(QtButton(answer));
      connect(b, &QPushButton::clicked, this, [this, answer] { done(answer); });
      pushButtons.append(b);
    }
    QPushButton* def = pushButtons[DefaultButtonOf(style) - 1];
    def->setDefault(true);

    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addWidget(scroll);
    body->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);

    // The text wraps at a readable width, widened for a word (a path) that cannot wrap;
    // what does not fit on the screen scrolls.
    const QFontMetrics fm(label->font());
    int longestLine = 0;
    int longestWord = 0;
    for (const QString& line : label->text().split(QLatin1Char('\n'))) {
      longestLine = std::max(longestLine, fm.horizontalAdvance(line));
      for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        longestWord = std::max(longestWord, fm.horizontalAdvance(word));
      }
    }
    const int screenRoom = AvailableScreenWidth() - 160;
    const int maxWidth = std::max({240, std::min(80 * fm.averageCharWidth(), screenRoom),
                                   std::min(longestWord + 2 + kTextGap, screenRoom)});
    const int textWidth = std::clamp(longestLine + 2 + kTextGap, 12 * fm.averageCharWidth(), maxWidth);
    const int textHeight = label->heightForWidth(textWidth);
    label->setFixedSize(textWidth, textHeight);
    const int scrollBar = this->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int titleBar = this->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QMargins m = layout->contentsMargins();
    const int chrome = m.top() + m.bottom() + layout->spacing() + buttons->sizeHint().height();
    const int maxHeight = AvailableScreenHeight() - titleBar - 8;
    const int shownHeight = std::max(fm.height(), std::min(textHeight, maxHeight - chrome));
    scroll->setFixedSize(textWidth + (shownHeight < textHeight ? scrollBar : 0), shownHeight);
    // Never narrower than its title (bold in most frames) beside the frame's buttons.
    QFont titleFont = font();
    titleFont.setBold(true);
    layout->addStrut(std::min(QFontMetrics(titleFont).horizontalAdvance(title) + 4 * titleBar, screenRoom));
    // As large as its contents, no more: a window manager then adds no resize handle.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    def->setFocus();
  }

  void reject() override {
    if (escape_ != 0) done(escape_);
  }

 protected:
  // A box in front of every program's windows also takes the keyboard from them, where
  // no window manager gives it to a new window.
  void showEvent(QShowEvent* event) override {
    QDialog::showEvent(event);
    if (takesKeyboard_) activateWindow();
  }

  void closeEvent(QCloseEvent* event) override {
    if (escape_ == 0) {
      event->ignore();
    } else {
      QDialog::closeEvent(event);
    }
  }

 private:
  int escape_;
  bool takesKeyboard_;
};

// Shows the boxes modally, owned by the active window.
class DesktopPrompts : public Prompts {
 public:
  int MsgBox(const QString& text, int style, const QString& title, const QString&,
             int helpContext) override {
    const std::unique_ptr<QDialog> box =
        NewMessageBox(text, style, title, helpContext, QApplication::activeWindow());
    box->exec();
    // A box closed some other way (its owner went away) answers as Escape would.
    if (box->result() != 0) return box->result();
    const int escape = EscapeAnswerOf(style);
    return escape != 0 ? escape : AnswersOf(style).front();
  }

  InputAnswer InputBox(const QString& prompt, const QString& title,
                       const QString& defaultText) override {
    const std::unique_ptr<QDialog> box =
        NewInputBox(prompt, title, defaultText, QApplication::activeWindow());
    if (box->exec() != QDialog::Accepted) return InputAnswer{QString(), true};
    return InputAnswer{static_cast<QInputDialog&>(*box).textValue(), false};
  }
};

using PromptsSeam = Seam<Prompts, DesktopPrompts>;

QString ResolveTitle(const QString& title) {
  return title.isEmpty() ? rt::App::ProductName() : title;
}

}  // namespace

std::unique_ptr<QDialog> NewMessageBox(const QString& text, int style, const QString& title,
                                       int helpContext, QWidget* parent) {
  auto box = std::make_unique<MessageBoxDialog>(text, style, title, parent);
  SetHelpContext(*box, helpContext);
  if ((style & vbSystemModal) != 0) {
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    // Without a window manager the hint does nothing: the box raises itself again
    // over windows another program brings up, until it is answered.
    auto* onTop = new QTimer(box.get());
    onTop->setObjectName(QStringLiteral("tmrKeepOnTop"));
    onTop->setInterval(kKeepOnTopMs);
    QObject::connect(onTop, &QTimer::timeout, box.get(), &QWidget::raise);
    onTop->start();
  }
  return box;
}

std::unique_ptr<QDialog> NewInputBox(const QString& prompt, const QString& title,
                                     const QString& defaultText, QWidget* parent) {
  auto box = std::make_unique<QInputDialog>(parent);
  box->setWindowTitle(title);
  box->setLabelText(WithLineFeeds(prompt));
  box->setTextValue(defaultText);
  for (QLabel* label : box->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
  return box;
}

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
