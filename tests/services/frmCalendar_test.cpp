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

namespace {

using ::testing::IsEmpty;

class CalendarTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_THAT(runner->Unexpected(), IsEmpty());
    EXPECT_EQ(runner->Pending(), 0);
  }
  ui::test::ScopedFakeModalRunner runner;
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

// OK, or Enter on a day chosen with the keyboard.
TEST_F(CalendarTest, OkAndEnterChooseTheSelectedDay) {
  for (const bool enter : {false, true}) {
    cal.Init(QStringLiteral("7/4/2026"), QStringLiteral("OK"));
    runner->Then(QStringLiteral("frmCalendar"), [enter](QDialog& d) {
      if (!enter) {
        ASSERT_TRUE(ui::test::Click(d, QStringLiteral("OKButton")));
        return;
      }
      static_cast<frmCalendar&>(d).Cal->setFocus();
      QApplication::processEvents();
      ASSERT_NE(d.focusWidget(), nullptr);
      for (const int key : {int(Qt::Key_Right), int(Qt::Key_Return)}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(d.focusWidget(), &press);
      }
    });
    EXPECT_EQ(ui::RunModal(cal), QDialog::Accepted) << enter;
    EXPECT_TRUE(cal.m_bOK);
    EXPECT_EQ(cal.m_sSelShortDate, enter ? QStringLiteral("7/5/2026") : QStringLiteral("7/4/2026"));
  }
}

TEST_F(CalendarTest, CancelAndEscapeChooseNothing) {
  for (const bool escape : {false, true}) {
    cal.Init(QStringLiteral("7/4/2026"), QStringLiteral("OK"));
    runner->Then([escape](QDialog& d) {
      if (!escape) ui::test::Click(d, QStringLiteral("CancelButton"));
    });
    EXPECT_EQ(ui::RunModal(cal), QDialog::Rejected);
    EXPECT_FALSE(cal.m_bOK);
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

TEST_F(CalendarTest, DoubleClickingADayChoosesIt) {
  cal.Init(QStringLiteral("7/4/2026"), QStringLiteral("OK"));
  runner->Then([](QDialog& d) {
    auto& c = static_cast<frmCalendar&>(d);
    c.Cal->SetValue(QDate(2026, 7, 9));
    emit c.Cal->DateDblClick(QDate(2026, 7, 9));
  });
  EXPECT_EQ(ui::RunModal(cal), QDialog::Accepted);
  EXPECT_TRUE(cal.m_bOK);
  EXPECT_EQ(cal.m_sSelShortDate, QStringLiteral("7/9/2026"));
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
