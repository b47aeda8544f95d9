#include "services/frmCalendar.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "platform/controls/MonthViewControl.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/testing/TestPrompts.h"
#include "tests/services/ScriptedTest.h"

namespace {


class CalendarTest : public uitest::ScriptedTest {
 protected:
  frmCalendar cal;
};

TEST_F(CalendarTest, InitStartsOnTheDateOrToday) {
  const struct {
    const char* given;
    QDate expected;
  } cases[] = {{"7/4/2026", QDate(2026, 7, 4)},
               {"", QDate(2026, 3, 15)},
               {"not a date", QDate(2026, 3, 15)}};
  for (const auto& c : cases) {
    cal.Init(QString::fromLatin1(c.given), QStringLiteral("OK"));
    EXPECT_EQ(cal.Cal->Value(), c.expected) << c.given;
    EXPECT_EQ(cal.lblCurrdate->text(),
              QLocale().toString(c.expected, QStringLiteral("dddd, MMMM d, yyyy")));
    EXPECT_EQ(cal.OKButton->text(), QStringLiteral("OK"));
    EXPECT_FALSE(cal.m_bOK);
  }
}

// Cancel or Escape choose nothing; OK, Enter on a day chosen with the keyboard, or a
// double-click on a day choose that day.
TEST_F(CalendarTest, EachWayOfClosingChoosesTheRightDay) {
  const auto click = [](const char* button) {
    return [button](QDialog& d) { ASSERT_TRUE(ui::test::Click(d, QString::fromLatin1(button))); };
  };
  const auto enter = [](QDialog& d) {
    static_cast<frmCalendar&>(d).Cal->setFocus();
    QApplication::processEvents();
    ASSERT_NE(d.focusWidget(), nullptr);
    for (const int key : {int(Qt::Key_Right), int(Qt::Key_Return)}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(d.focusWidget(), &press);
    }
  };
  const auto doubleClick = [](QDialog& d) {
    auto& c = static_cast<frmCalendar&>(d);
    c.Cal->SetValue(QDate(2026, 7, 9));
    emit c.Cal->DateDblClick(QDate(2026, 7, 9));
  };
  const struct {
    const char* how;
    ui::test::FakeModalRunner::Script act;
    const char* chosen;  // nullptr: nothing chosen, the dialog is rejected
  } cases[] = {{"cancel", click("CancelButton"), nullptr}, {"escape", [](QDialog&) {}, nullptr},
               {"ok", click("OKButton"), "7/4/2026"},      {"enter", enter, "7/5/2026"},
               {"double click", doubleClick, "7/9/2026"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    cal.Init(QStringLiteral("7/4/2026"), QStringLiteral("OK"));
    runner->Then(QStringLiteral("frmCalendar"), c.act);
    EXPECT_EQ(ui::RunModal(cal), c.chosen ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(cal.m_bOK, c.chosen != nullptr);
    if (c.chosen) {
      EXPECT_EQ(cal.m_sSelShortDate, QString::fromLatin1(c.chosen));
    }
  }
}

// The pop-up form: the day chosen, nothing after Cancel; run on its owner.
TEST_F(CalendarTest, PopupGivesTheChosenDayOrNothing) {
  QWidget owner;
  for (const bool ok : {true, false}) {
    runner->Then(QStringLiteral("frmCalendar"), [ok](QDialog& d) {
      ui::test::Click(d, ok ? QStringLiteral("OKButton") : QStringLiteral("CancelButton"));
    });
    EXPECT_EQ(GetShortDateFromPopupCalendar(&owner, QStringLiteral("3/15/2026")),
              ok ? QStringLiteral("3/15/2026") : QString());
    EXPECT_EQ(runner->Owners().back(), &owner);
  }
}

TEST_F(CalendarTest, TheLabelFollowsClicksSelectionAndToday) {
  cal.Init(QStringLiteral("7/4/2026"), QStringLiteral("OK"));
  cal.Cal->SetValue(QDate(2026, 8, 1));
  emit cal.Cal->DateClick(QDate(2026, 8, 1));
  EXPECT_EQ(cal.lblCurrdate->text(), QStringLiteral("Saturday, August 1, 2026"));
  cal.Cal->SetValue(QDate(2026, 8, 3));
  emit cal.Cal->SelChange(QDate(2026, 8, 3), QDate(2026, 8, 3));
  EXPECT_EQ(cal.lblCurrdate->text(), QStringLiteral("Monday, August 3, 2026"));
  cal.cmdToday->click();
  EXPECT_EQ(cal.Cal->Value(), QDate(2026, 3, 15));
  EXPECT_EQ(cal.lblCurrdate->text(), QStringLiteral("Sunday, March 15, 2026"));
}

}  // namespace
