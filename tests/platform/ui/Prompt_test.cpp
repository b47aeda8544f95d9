#include "platform/ui/Prompt.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/ui/testing/TestPrompts.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ui::test::ScopedFakePrompts;

struct StyleCase {
  int style;
  int buttons;
  int icon;
  int defaultButton;
  QList<int> answers;
  int escape;
};

TEST(PromptStyle, DecodesButtonsIconAndDefault) {
  // clang-format off
  const StyleCase cases[] = {
      {ui::vbOKOnly, ui::vbOKOnly, 0, 1, {ui::vbOK}, ui::vbOK},
      {ui::vbOKCancel | ui::vbQuestion, ui::vbOKCancel, ui::vbQuestion, 1,
       {ui::vbOK, ui::vbCancel}, ui::vbCancel},
      {ui::vbAbortRetryIgnore | ui::vbCritical | ui::vbDefaultButton3, ui::vbAbortRetryIgnore,
       ui::vbCritical, 3, {ui::vbAbort, ui::vbRetry, ui::vbIgnore}, 0},
      {ui::vbYesNoCancel | ui::vbExclamation | ui::vbDefaultButton2, ui::vbYesNoCancel,
       ui::vbExclamation, 2, {ui::vbYes, ui::vbNo, ui::vbCancel}, ui::vbCancel},
      {ui::vbYesNo | ui::vbInformation | ui::vbDefaultButton2, ui::vbYesNo, ui::vbInformation, 2,
       {ui::vbYes, ui::vbNo}, 0},
      {ui::vbRetryCancel, ui::vbRetryCancel, 0, 1, {ui::vbRetry, ui::vbCancel}, ui::vbCancel},
      // A third default button on a two-button box falls back to the first.
      {ui::vbYesNo | ui::vbDefaultButton3, ui::vbYesNo, 0, 1, {ui::vbYes, ui::vbNo}, 0},
      // Unknown button values read as OK only.
      {7, ui::vbOKOnly, 0, 1, {ui::vbOK}, ui::vbOK},
  };
  // clang-format on
  for (const StyleCase& c : cases) {
    SCOPED_TRACE(c.style);
    EXPECT_EQ(ui::ButtonsOf(c.style), c.buttons);
    EXPECT_EQ(ui::IconOf(c.style), c.icon);
    EXPECT_EQ(ui::DefaultButtonOf(c.style), c.defaultButton);
    EXPECT_EQ(ui::AnswersOf(c.style), c.answers);
    EXPECT_EQ(ui::EscapeAnswerOf(c.style), c.escape);
  }
}

TEST(Prompt, EmptyTitleBecomesProductName) {
  ScopedFakePrompts prompts;
  prompts->Answer(ui::vbOK).Answer(ui::vbYes);
  ui::MsgBox(QStringLiteral("Saved."));
  EXPECT_EQ(ui::MsgBox(QStringLiteral("Delete?"), ui::vbYesNo | ui::vbQuestion,
                       QStringLiteral("Confirm")),
            ui::vbYes);
  ASSERT_EQ(prompts->Shown().size(), 2);
  EXPECT_EQ(prompts->Shown()[0].title, QStringLiteral("Stovrel"));
  EXPECT_EQ(prompts->Shown()[1].title, QStringLiteral("Confirm"));
  EXPECT_EQ(prompts->Shown()[1].icon, ui::vbQuestion);
  EXPECT_EQ(prompts->Shown()[1].buttons, ui::vbYesNo);
  EXPECT_THAT(prompts->Unexpected(), IsEmpty());
}

TEST(Prompt, InputBoxTellsCancelFromEmptyEntry) {
  ScopedFakePrompts prompts;
  prompts->Type(QString()).CancelInput().Type(QStringLiteral("A-100"));
  const ui::InputAnswer empty = ui::InputBoxEx(QStringLiteral("Part number:"));
  const ui::InputAnswer cancelled = ui::InputBoxEx(QStringLiteral("Part number:"));
  EXPECT_EQ(ui::InputBox(QStringLiteral("Part number:"), {}, QStringLiteral("A-")),
            QStringLiteral("A-100"));
  EXPECT_FALSE(empty.cancelled);
  EXPECT_TRUE(empty.text.isEmpty());
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_TRUE(cancelled.text.isEmpty());
  EXPECT_EQ(prompts->Last().defaultText, QStringLiteral("A-"));
  EXPECT_EQ(prompts->Last().kind, ui::test::ShownPrompt::Kind::Input);
}

TEST(FakePrompts, RecordsUnexpectedPromptsAndAnswersTheDefaultButton) {
  ScopedFakePrompts prompts;
  QStringList reported;
  prompts->SetOnUnexpected([&](const QString& what) { reported.append(what); });
  EXPECT_EQ(ui::MsgBox(QStringLiteral("Continue?"), ui::vbYesNo | ui::vbDefaultButton2), ui::vbNo);
  EXPECT_TRUE(ui::InputBoxEx(QStringLiteral("Name:")).cancelled);
  ASSERT_EQ(prompts->Unexpected().size(), 2);
  EXPECT_EQ(reported, prompts->Unexpected());
  EXPECT_TRUE(prompts->Unexpected()[0].contains(QStringLiteral("Continue?")));
}

TEST(FakePrompts, ChecksExpectedTextsAndAnswers) {
  ScopedFakePrompts prompts;
  prompts->Expect(QStringLiteral("Saved."))
      .ExpectContaining(QStringLiteral("RECORD LOCKED: "))
      .Expect(QStringLiteral("Quit?"), ui::vbRetry)
      .Type(QStringLiteral("typed"));
  ui::MsgBox(QStringLiteral("Saved!"));                                    // wrong text
  ui::MsgBox(QStringLiteral("RECORD LOCKED: product 7"), ui::vbCritical);  // matches
  ui::MsgBox(QStringLiteral("Quit?"), ui::vbYesNo);                        // not a button
  ui::MsgBox(QStringLiteral("Where is my input box?"));                    // input queued
  EXPECT_EQ(prompts->Unexpected().size(), 3);
  EXPECT_EQ(prompts->Pending(), 1);
  EXPECT_THAT(prompts->Texts(),
              ElementsAre(QStringLiteral("Saved!"), QStringLiteral("RECORD LOCKED: product 7"),
                          QStringLiteral("Quit?"), QStringLiteral("Where is my input box?")));
}

TEST(FakePrompts, InstallersNestAndRestore) {
  ui::Prompts* production = &ui::CurrentPrompts();
  {
    ScopedFakePrompts outer;
    {
      ScopedFakePrompts inner;
      inner->Answer(ui::vbOK);
      ui::MsgBox(QStringLiteral("inner"));
      EXPECT_EQ(inner->Shown().size(), 1);
    }
    outer->Answer(ui::vbOK);
    ui::MsgBox(QStringLiteral("outer"));
    EXPECT_EQ(outer->Shown().size(), 1);
    EXPECT_THAT(outer->Unexpected(), IsEmpty());
  }
  EXPECT_EQ(&ui::CurrentPrompts(), production);
}

}  // namespace
