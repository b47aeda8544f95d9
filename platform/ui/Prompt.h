#pragma once
// Message boxes and input boxes. Every prompt of the program goes through
// ui::MsgBox / ui::InputBox, which forward to the installed Prompts implementation:
// production shows the boxes of NewMessageBox / NewInputBox modally, tests install a
// scripted fake (platform/ui/testing/TestPrompts.h). The style argument and the answers
// use the classic numeric constants below (ui::vbYesNo | ui::vbQuestion, ui::vbYes).
// User-interface thread only.

#include <QString>
#include <memory>

class QDialog;
class QWidget;

namespace ui {

// Buttons (style & 0x7).
inline constexpr int vbOKOnly = 0;
inline constexpr int vbOKCancel = 1;
inline constexpr int vbAbortRetryIgnore = 2;
inline constexpr int vbYesNoCancel = 3;
inline constexpr int vbYesNo = 4;
inline constexpr int vbRetryCancel = 5;
// Icon (style & 0x70).
inline constexpr int vbCritical = 16;
inline constexpr int vbQuestion = 32;
inline constexpr int vbExclamation = 48;
inline constexpr int vbInformation = 64;
// Default button (style & 0xF00); the first button when none is given.
inline constexpr int vbDefaultButton1 = 0;
inline constexpr int vbDefaultButton2 = 256;
inline constexpr int vbDefaultButton3 = 512;
// The box stays in front of every other window, also those of other programs
// (style & 0x1000).
inline constexpr int vbSystemModal = 4096;

// Answers.
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;
inline constexpr int vbAbort = 3;
inline constexpr int vbRetry = 4;
inline constexpr int vbIgnore = 5;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

// The parts of a style value.
int ButtonsOf(int style);        // vbOKOnly .. vbRetryCancel (unknown values read as vbOKOnly)
int IconOf(int style);           // 0, vbCritical, vbQuestion, vbExclamation or vbInformation
int DefaultButtonOf(int style);  // 1, 2 or 3, limited to the number of buttons
// The answers of the buttons of a style, left to right ({vbYes, vbNo} for vbYesNo).
QList<int> AnswersOf(int style);
// The answer given when the user dismisses the box (Escape or the close button):
// vbCancel when the box has Cancel, vbOK for vbOKOnly; 0 for boxes that cannot be
// dismissed (vbYesNo, vbAbortRetryIgnore).
int EscapeAnswerOf(int style);

// The answer of an input box: the text typed, or cancelled (text then empty).
struct InputAnswer {
  QString text;
  bool cancelled = false;
};

// A way of showing prompts. Titles arrive resolved: an empty title has already been
// replaced by the product name.
class Prompts {
 public:
  virtual ~Prompts() = default;
  virtual int MsgBox(const QString& text, int style, const QString& title, const QString& helpFile,
                     int helpContext) = 0;
  virtual InputAnswer InputBox(const QString& prompt, const QString& title,
                               const QString& defaultText) = 0;
};

// The installed implementation (production unless a test installed another).
Prompts& CurrentPrompts();
// Installs `prompts` (not owned; nullptr restores production) and returns the one
// installed before, or nullptr when that was production.
Prompts* SetPrompts(Prompts* prompts);

// The production boxes, built but not shown (so tests can measure them). The message
// box shows `text` as plain text, wrapped at about 80 average characters (wider, up to
// the screen's width, for a word such as a path that cannot wrap) and scrolled inside a
// box no taller than the screen's available height less a title bar; Escape and the
// close button give EscapeAnswerOf(style), and a box without one stays open. Its result
// is the answer of the button pressed (0 before). F1 in it shows `helpContext` (when 1 or
// more). A vbSystemModal box stays on top (raising itself again where no window manager
// keeps it there). The input box is a QInputDialog whose labels show plain text.
std::unique_ptr<QDialog> NewMessageBox(const QString& text, int style, const QString& title,
                                       int helpContext, QWidget* parent = nullptr);
std::unique_ptr<QDialog> NewInputBox(const QString& prompt, const QString& title,
                                     const QString& defaultText, QWidget* parent = nullptr);

// Shows a message box and returns the answer (vbOK, vbYes, ...). An empty title
// becomes the product name.
int MsgBox(const QString& text, int style = vbOKOnly, const QString& title = {},
           const QString& helpFile = {}, int helpContext = 0);
// Shows an input box; the empty text on Cancel. An empty title becomes the product name.
QString InputBox(const QString& prompt, const QString& title = {}, const QString& defaultText = {});
// The same, telling Cancel apart from an empty entry.
InputAnswer InputBoxEx(const QString& prompt, const QString& title = {},
                       const QString& defaultText = {});

}  // namespace ui
