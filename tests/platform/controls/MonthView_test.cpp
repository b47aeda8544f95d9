#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QLineEdit>
#include <QTableView>

#include "platform/controls/ListViewErrors.h"
#include "platform/controls/MonthViewControl.h"
#include "platform/runtime/Error.h"
#include "tests/platform/controls/ListViewTestSupport.h"

namespace ctl {
namespace {

class MonthViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(400, 300);
    mv = new MonthViewControl(&window);
    other = new QLineEdit(&window);
    mv->setGeometry(0, 0, 300, 250);
    other->setGeometry(0, 260, 100, 30);
    window.show();
    QApplication::processEvents();
    QObject::connect(mv, &MonthViewControl::DateClick, [this](QDate d) { events << "click " + d.toString(Qt::ISODate); });
    QObject::connect(mv, &MonthViewControl::DateDblClick, [this](QDate d) { events << "dblclick " + d.toString(Qt::ISODate); });
    QObject::connect(mv, &MonthViewControl::SelChange, [this](QDate s, QDate e) {
      events << "sel " + s.toString(Qt::ISODate) + " " + e.toString(Qt::ISODate);
    });
  }

  QCalendarWidget* Calendar() { return mv->findChild<QCalendarWidget*>(); }
  QTableView* Grid() { return Calendar()->findChild<QTableView*>(); }
  // The centre of the cell showing a day of the month on show (days 14..22 are
  // never shown for a neighbouring month).
  QPoint DayCell(int day) {
    const QAbstractItemModel* model = Grid()->model();
    for (int r = 0; r < model->rowCount(); ++r)
      for (int c = 0; c < model->columnCount(); ++c)
        if (model->index(r, c).data().toString() == QString::number(day))
          return Grid()->visualRect(model->index(r, c)).center();
    ADD_FAILURE() << "no cell for day " << day;
    return {};
  }

  QWidget window;
  MonthViewControl* mv = nullptr;
  QLineEdit* other = nullptr;
  QStringList events;
};

TEST_F(MonthViewTest, StartsOnTodayAndShowsTheMonthOfItsValue) {
  EXPECT_EQ(mv->Value(), QDate(2026, 3, 15));  // the fixed clock's day
  mv->SetValue(QDate(2025, 12, 31));
  EXPECT_EQ(mv->Value(), QDate(2025, 12, 31));
  EXPECT_EQ(Calendar()->monthShown(), 12);
  EXPECT_EQ(Calendar()->yearShown(), 2025);
  EXPECT_TRUE(events.isEmpty());  // no SelChange for a value set by code
  try {
    mv->SetValue(QDate());
    ADD_FAILURE() << "an invalid date was accepted";
  } catch (const rt::VbError& e) {
    EXPECT_EQ(e.number(), kErrInvalidPropertyValue);
  }
  EXPECT_EQ(mv->Value(), QDate(2025, 12, 31));
}

TEST_F(MonthViewTest, ClickingADaySelectsItAndRaisesDateClick) {
  lvtest::Click(Grid()->viewport(), DayCell(20));
  EXPECT_EQ(mv->Value(), QDate(2026, 3, 20));
  EXPECT_TRUE(events.contains("click 2026-03-20"));
  EXPECT_TRUE(events.contains("sel 2026-03-20 2026-03-20"));
  EXPECT_FALSE(events.join(' ').contains("dblclick"));
}

TEST_F(MonthViewTest, OnlyADoubleClickRaisesDateDblClick) {
  lvtest::DoubleClick(Grid()->viewport(), DayCell(18));
  EXPECT_EQ(events.filter("dblclick"), QStringList({"dblclick 2026-03-18"}));

  events.clear();
  Grid()->setFocus();
  lvtest::Key(Grid(), Qt::Key_Return);  // activates the day, but is no double click
  EXPECT_TRUE(events.filter("dblclick").isEmpty());
}

TEST_F(MonthViewTest, ReportsGainingAndLosingTheFocus) {
  QStringList focus;
  QObject::connect(mv, &MonthViewControl::GotFocus, [&] { focus << "got"; });
  QObject::connect(mv, &MonthViewControl::LostFocus, [&] { focus << "lost"; });
  window.activateWindow();
  QApplication::setActiveWindow(&window);
  other->setFocus();
  QApplication::processEvents();
  focus.clear();
  mv->setFocus();
  QApplication::processEvents();
  other->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(focus, QStringList({"got", "lost"}));
}

}  // namespace
}  // namespace ctl
