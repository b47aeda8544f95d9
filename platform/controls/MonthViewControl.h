#pragma once
// The month view: a one-month calendar whose Value is the selected day (today when
// created). It tells its host when the user clicks or double-clicks a day, when
// the user moves the selection, and when it gains or loses the input focus.
// Setting Value from code raises no SelChange. The signals come from inside Qt's
// event handling: their handlers trap their own errors. User-interface thread only.

#include <QDate>
#include <QWidget>

class QCalendarWidget;

namespace ctl {

class MonthViewControl : public QWidget {
  Q_OBJECT

 public:
  explicit MonthViewControl(QWidget* parent = nullptr);

  QDate Value() const;
  // Selects the day and shows its month. An invalid date is refused (error 380).
  void SetValue(const QDate& value);

 signals:
  void DateClick(const QDate& dateClicked);
  // A real double click only; Enter raises none.
  void DateDblClick(const QDate& dateDblClicked);
  // The user moved the selection; code setting Value raises none.
  void SelChange(const QDate& startDate, const QDate& endDate);
  void GotFocus();
  void LostFocus();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnFocusChanged(QWidget* old, QWidget* now);
  bool Owns(const QWidget* widget) const;

  QCalendarWidget* calendar_ = nullptr;
  bool settingValue_ = false;
  bool inDoubleClick_ = false;
};

}  // namespace ctl
