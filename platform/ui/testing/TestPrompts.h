#pragma once
// Scripted fakes of the prompt, modal-runner and shell seams, for tests. Each fake
// records what the code under test showed or asked for and answers from a queue.
// Anything unexpected (a prompt or dialog with no scripted answer, a prompt whose text
// differs from the expected one) is recorded in Unexpected() and passed to the
// optional OnUnexpected callback; a test fixture checks that list (or passes
// `[](const QString& s) { ADD_FAILURE() << s.toStdString(); }`).
// The Scoped* classes install a fake for the scope of a test and restore what was
// installed before.

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Shell.h"

class QDialog;
class QWidget;

namespace ui::test {

using UnexpectedHandler = std::function<void(const QString& what)>;

// One prompt as it was shown.
struct ShownPrompt {
  enum class Kind { Message, Input };
  Kind kind = Kind::Message;
  QString text;
  QString title;
  int style = 0;          // the style value as passed
  int buttons = 0;        // ButtonsOf(style)
  int icon = 0;           // IconOf(style)
  int defaultButton = 1;  // DefaultButtonOf(style)
  QString helpFile;
  int helpContext = 0;
  QString defaultText;  // input boxes
};

class FakePrompts : public Prompts {
 public:
  // Queue an answer for the next message box, whatever its text.
  FakePrompts& Answer(int answer);
  // Queue an answer for the next message box, which must read exactly `text`.
  FakePrompts& Expect(const QString& text, int answer = vbOK);
  // Queue an answer for the next message box, whose text must contain `part`.
  FakePrompts& ExpectContaining(const QString& part, int answer = vbOK);
  // Queue the text typed into the next input box.
  FakePrompts& Type(const QString& text);
  // Queue Cancel for the next input box.
  FakePrompts& CancelInput();

  void SetOnUnexpected(UnexpectedHandler handler) { onUnexpected_ = std::move(handler); }
  // Runs as each prompt shows, before it is answered (what the code holds meanwhile).
  void SetOnShown(std::function<void(const ShownPrompt&)> handler) { onShown_ = std::move(handler); }

  const QList<ShownPrompt>& Shown() const { return shown_; }
  const ShownPrompt& Last() const { return shown_.back(); }  // requires Shown() not empty
  QStringList Texts() const;
  const QStringList& Unexpected() const { return unexpected_; }
  // Scripted answers not yet used.
  int Pending() const { return static_cast<int>(queue_.size()); }
  void Clear();

  int MsgBox(const QString& text, int style, const QString& title, const QString& helpFile,
             int helpContext) override;
  InputAnswer InputBox(const QString& prompt, const QString& title,
                       const QString& defaultText) override;

 private:
  enum class Match { Any, Exact, Contains };
  struct Step {
    ShownPrompt::Kind kind;
    Match match;
    QString text;
    int answer;
    InputAnswer input;
  };
  void Report(const QString& what);

  std::deque<Step> queue_;
  QList<ShownPrompt> shown_;
  QStringList unexpected_;
  UnexpectedHandler onUnexpected_;
  std::function<void(const ShownPrompt&)> onShown_;
};

// Runs dialogs through scripts: each script gets the dialog (shown, not blocking) and
// works it like a user (fills named controls, clicks cmdOK, ...). When a script leaves
// the dialog open, the runner closes it as Escape would (reject()).
class FakeModalRunner : public ModalRunner {
 public:
  using Script = std::function<void(QDialog& dialog)>;
  // Queue a script for the next dialog run.
  FakeModalRunner& Then(Script script);
  // Queue a script for the next dialog run, which must have objectName `name`.
  FakeModalRunner& Then(const QString& name, Script script);

  void SetOnUnexpected(UnexpectedHandler handler) { onUnexpected_ = std::move(handler); }

  // objectName of each dialog run (the class name when it has none), in order.
  const QStringList& Ran() const { return ran_; }
  // The owner (parent window) each dialog had while it ran.
  const QList<QPointer<QWidget>>& Owners() const { return owners_; }
  const QStringList& Unexpected() const { return unexpected_; }
  int Pending() const { return static_cast<int>(queue_.size()); }

  int Run(QDialog& dialog) override;

 private:
  struct Step {
    QString name;
    Script script;
  };
  void Report(const QString& what);

  std::deque<Step> queue_;
  QStringList ran_;
  QList<QPointer<QWidget>> owners_;
  QStringList unexpected_;
  UnexpectedHandler onUnexpected_;
};

// One shell call as it was made.
struct ShellCall {
  QString verb;
  QString file;
  QString params;
  QString dir;
  int showCmd = 0;
};

class FakeShell : public Shell {
 public:
  // Queue the result of the next call; when the queue is empty calls answer
  // DefaultResult() (kShellOk unless set).
  FakeShell& Result(int result);
  void SetDefaultResult(int result) { defaultResult_ = result; }
  int DefaultResult() const { return defaultResult_; }

  const QList<ShellCall>& Calls() const { return calls_; }

  int ShellExecute(const QString& verb, const QString& file, const QString& params,
                   const QString& dir, int showCmd) override;

 private:
  std::deque<int> results_;
  QList<ShellCall> calls_;
  int defaultResult_ = kShellOk;
};

// Installers: the fake lives in the installer; operator-> reaches it.
template <class Fake, class Interface, Interface* (*Install)(Interface*)>
class ScopedFake {
 public:
  ScopedFake() : previous_(Install(&fake_)) {}
  ~ScopedFake() { Install(previous_); }
  ScopedFake(const ScopedFake&) = delete;
  ScopedFake& operator=(const ScopedFake&) = delete;
  Fake* operator->() { return &fake_; }
  Fake& operator*() { return fake_; }

 private:
  Fake fake_;
  Interface* previous_;
};

using ScopedFakePrompts = ScopedFake<FakePrompts, Prompts, &SetPrompts>;
using ScopedFakeModalRunner = ScopedFake<FakeModalRunner, ModalRunner, &SetModalRunner>;
using ScopedFakeShell = ScopedFake<FakeShell, Shell, &SetShell>;

// Helpers for dialog scripts. Each finds the control by objectName below `root` and
// returns false when there is none (or it is of another kind / disabled).
bool Click(QWidget& root, const QString& name);                         // a button
bool SetText(QWidget& root, const QString& name, const QString& text);  // line/text edit, combo
bool SetChecked(QWidget& root, const QString& name, bool checked);      // check/radio button
// Types into a line edit (or the edit of a spin box) key by key, over its whole text
// when `replace`, else at its end; '\b' is a Backspace.
bool TypeKeys(QWidget& root, const QString& name, const QString& keys, bool replace = true);
QString TextOf(QWidget& root, const QString& name);  // the shown text of a control

}  // namespace ui::test
