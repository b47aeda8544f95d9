#pragma once
// frmCalendar: a modal month calendar that returns the chosen day as short-date text.
// The caller creates it, calls Init, runs it with ui::RunModal, reads m_bOK and
// m_sSelShortDate. Double-clicking a day chooses it.
// It is not in the window registry, so UnloadAll never deletes it under its caller.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
namespace ctl {
class MonthViewControl;
}

class frmCalendar : public QDialog {
  Q_OBJECT
 public:
  explicit frmCalendar(QWidget* parent = nullptr);

  bool m_bOK = false;       // True after OK, False after Cancel
  QString m_sSelShortDate;  // the chosen day formatted "Short Date", set by OK

  // The label shows the selected day formatted "Long Date".
  void UpdateDateLabel();
  // Starts on `sDate` when it is a date (else today) with `sOKText` on the OK button.
  void Init(const QString& sDate, const QString& sOKText);

  ctl::MonthViewControl* Cal;
  QLabel* lblCurrdate;
  QPushButton* cmdToday;
  QPushButton* CancelButton;
  QPushButton* OKButton;

 public slots:
  void OKButton_Click();
  void CancelButton_Click();
  void cmdToday_Click();
  void reject() override;  // Escape and the window frame cancel
};

// The calendar started on sInitDate, run modally on `owner`: the chosen day as
// short-date text, "" on Cancel.
QString GetShortDateFromPopupCalendar(QWidget* owner, const QString& sInitDate);
