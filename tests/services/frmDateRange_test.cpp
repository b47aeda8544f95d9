#include "services/frmDateRange.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "platform/controls/MonthViewControl.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/testing/TestPrompts.h"
#include "services/frmCalendar.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DateRangeTest : public uitest::ScriptedTest {
 protected:
  frmDateRange dlg;
};

TEST_F(DateRangeTest, InitShowsDatesOrToday) {
  const struct {
    const char* given;
    const char* shown;
  } cases[] = {
      {"", "3/15/2026"},
      {"   ", "3/15/2026"},
      {"abc", "3/15/2026"},
      {"2/29/2026", "3/15/2026"},
      {"1/5/2026", "1/5/2026"},
      {"2026-07-04", "7/4/2026"},
      {" 12/31/2025 ", "12/31/2025"},
  };
  for (const auto& c : cases) {
    dlg.Init(QString::fromLatin1(c.given), QString::fromLatin1(c.given));
    EXPECT_EQ(dlg.txtDateBegin->text(), QString::fromLatin1(c.shown)) << c.given;
    EXPECT_EQ(dlg.txtDateEnd->text(), QString::fromLatin1(c.shown)) << c.given;
    EXPECT_FALSE(dlg.m_OK);
  }
}

TEST_F(DateRangeTest, ShortDatesFollowTheLocale) {
  testenv::ScopedLocale german(QStringLiteral("de_DE"));
  dlg.Init(QStringLiteral("24.12.2025"), QString());
  EXPECT_EQ(dlg.txtDateBegin->text(), QStringLiteral("24.12.2025"));
  EXPECT_EQ(dlg.txtDateEnd->text(), QStringLiteral("15.03.2026"));
}

TEST_F(DateRangeTest, OkAcceptsAValidRangeAndSameDay) {
  for (const char* end : {"3/1/2026", "3/31/2026"}) {
    dlg.Init(QStringLiteral("3/1/2026"), QString::fromLatin1(end));
    runner->Then(QStringLiteral("frmDateRange"),
                 [](QDialog& d) { ASSERT_TRUE(ui::test::Click(d, QStringLiteral("cmdOK"))); });
    EXPECT_EQ(ui::RunModal(dlg), QDialog::Accepted);
    EXPECT_TRUE(dlg.m_OK);
    EXPECT_EQ(dlg.m_DateBegin.date(), QDate(2026, 3, 1));
    EXPECT_EQ(dlg.m_DateEnd.date(),
              QDate::fromString(QString::fromLatin1(end), QStringLiteral("M/d/yyyy")));
  }
  EXPECT_THAT(prompts->Shown(), IsEmpty());
}

TEST_F(DateRangeTest, EachFailingRuleWarnsAndFocusesItsBox) {
  const struct {
    const char* begin;
    const char* end;
    const char* message;
    const char* focus;
  } cases[] = {
      {"abc", "3/1/2026", "Begin date is invalid!", "txtDateBegin"},
      {"", "", "Begin date is invalid!", "txtDateBegin"},
      {"3/1/2026", "3/32/2026", "End date is invalid!", "txtDateEnd"},
      {"3/2/2026", "3/1/2026", "Begin date must be before or same as End date!", "txtDateEnd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    dlg.Init(QString(), QString());
    prompts->Expect(QString::fromLatin1(c.message));
    runner->Then([&](QDialog& d) {
      ui::test::SetText(d, QStringLiteral("txtDateBegin"), QString::fromLatin1(c.begin));
      ui::test::SetText(d, QStringLiteral("txtDateEnd"), QString::fromLatin1(c.end));
      dlg.cmdOK->setFocus();
      dlg.cmdOK->click();
      EXPECT_TRUE(d.isVisible());  // stays open
      ASSERT_NE(d.focusWidget(), nullptr);
      EXPECT_EQ(d.focusWidget()->objectName(), QString::fromLatin1(c.focus));
      EXPECT_FALSE(dlg.m_OK);
    });
    EXPECT_EQ(ui::RunModal(dlg), QDialog::Rejected);  // the runner closed it as Escape would
    EXPECT_FALSE(dlg.m_OK);
    EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
    EXPECT_EQ(prompts->Last().title, QStringLiteral("Stovrel"));
    EXPECT_EQ(prompts->Last().buttons, ui::vbOKOnly);
  }
}

TEST_F(DateRangeTest, CancelLeavesOkFalse) {
  dlg.Init(QString(), QString());
  runner->Then([](QDialog& d) { ui::test::Click(d, QStringLiteral("cmdCancel")); });
  EXPECT_EQ(ui::RunModal(dlg), QDialog::Rejected);
  EXPECT_FALSE(dlg.m_OK);
}

TEST_F(DateRangeTest, CalendarButtonsFillTheirBoxOnlyWhenADayIsChosen) {
  dlg.Init(QStringLiteral("3/1/2026"), QStringLiteral("3/10/2026"));
  runner->Then(QStringLiteral("frmCalendar"), [](QDialog& d) {
    auto& cal = static_cast<frmCalendar&>(d);
    EXPECT_EQ(cal.Cal->Value(), QDate(2026, 3, 10));  // opened on the box's date
    EXPECT_EQ(cal.OKButton->text(), QStringLiteral("Enter Selected Date"));
    cal.Cal->SetValue(QDate(2026, 4, 2));
    cal.OKButton->click();
  });
  dlg.cmdViewCalEnd->click();
  EXPECT_EQ(dlg.txtDateEnd->text(), QStringLiteral("4/2/2026"));

  runner->Then(QStringLiteral("frmCalendar"), [](QDialog& d) {
    static_cast<frmCalendar&>(d).Cal->SetValue(QDate(2020, 1, 1));
    ui::test::Click(d, QStringLiteral("CancelButton"));
  });
  dlg.cmdViewCalBegin->click();
  EXPECT_EQ(dlg.txtDateBegin->text(), QStringLiteral("3/1/2026"));
  EXPECT_THAT(runner->Owners(), ElementsAre(&dlg, &dlg));  // owned by the date-range dialog
}

}  // namespace
