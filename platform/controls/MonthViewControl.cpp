#include "platform/controls/MonthViewControl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "platform/controls/ListViewErrors.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"

namespace ctl {

MonthViewControl::MonthViewControl(QWidget* parent) : QWidget(parent) {
  calendar_ = new QCalendarWidget(this);
  calendar_->setObjectName(QStringLiteral("Calendar"));
  calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  calendar_->setDateRange(QDate(rt::kFirstYear, 1, 1), QDate(rt::kLastYear, 12, 31));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(calendar_);
  setFocusProxy(calendar_);
  SetValue(rt::Today());

  connect(calendar_, &QCalendarWidget::clicked, this, &MonthViewControl::DateClick);
  connect(calendar_, &QCalendarWidget::activated, this, [this](QDate date) {
    // activated also comes for Enter; only a double click is DateDblClick.
    if (inDoubleClick_) emit DateDblClick(date);
  });
  connect(calendar_, &QCalendarWidget::selectionChanged, this, [this] {
    if (!settingValue_) emit SelChange(Value(), Value());
  });
  connect(qApp, &QApplication::focusChanged, this, &MonthViewControl::OnFocusChanged);

  // The day grid is the calendar's item view; its double clicks and its Enter are watched.
  for (QAbstractItemView* view : calendar_->findChildren<QAbstractItemView*>()) {
    view->viewport()->installEventFilter(this);
    view->installEventFilter(this);
  }
}

QDate MonthViewControl::Value() const { return calendar_->selectedDate(); }

void MonthViewControl::SetValue(const QDate& value) {
  if (!value.isValid() || value < calendar_->minimumDate() || value > calendar_->maximumDate())
    RaiseInvalidPropertyValue(QStringLiteral("MonthView"));
  settingValue_ = true;
  calendar_->setSelectedDate(value);
  calendar_->setCurrentPage(value.year(), value.month());
  settingValue_ = false;
}

bool MonthViewControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && !inDoubleClick_) {
    // Let the grid handle the double click now, so that the activated() it raises
    // is known to come from it.
    inDoubleClick_ = true;
    QCoreApplication::sendEvent(watched, event);
    inDoubleClick_ = false;
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // Enter is the window's (its default button), not the grid's.
      event->ignore();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool MonthViewControl::Owns(const QWidget* widget) const {
  return widget && (widget == this || isAncestorOf(widget));
}

void MonthViewControl::OnFocusChanged(QWidget* old, QWidget* now) {
  const bool had = Owns(old);
  const bool has = Owns(now);
  if (has && !had) emit GotFocus();
  if (had && !has) emit LostFocus();
}

}  // namespace ctl
