#pragma once
// frmDateRange: a modal dialog asking for a begin and an end date, each typed or
// picked from frmCalendar. The caller creates it, calls Init, runs it with
// ui::RunModal, reads m_OK and, when True, m_DateBegin and m_DateEnd. OK stays open
// until Validate passes.
// It is not in the window registry, so UnloadAll never deletes it under its caller.

#include <QDateTime>
#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class QToolButton;

class frmDateRange : public QDialog {
  Q_OBJECT
 public:
  explicit frmDateRange(QWidget* parent = nullptr);

  bool m_OK = false;      // True only after a validated OK
  QDateTime m_DateBegin;  // the two dates as read by Validate
  QDateTime m_DateEnd;

  // Each box gets its argument as a short date when it is one, else today.
  void Init(const QString& sBeginDate, const QString& sEndDate);
  // Runs frmCalendar on `sDate`; True and the chosen day in `sDate`, else unchanged.
  bool GetSelDate(QString& sDate);
  // Both boxes hold dates and the begin is not after the end; else a warning and the
  // focus on the box to correct.
  bool Validate();

  QLineEdit* txtDateBegin;
  QToolButton* cmdViewCalBegin;
  QLineEdit* txtDateEnd;
  QToolButton* cmdViewCalEnd;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

 public slots:
  void cmdOK_Click();
  void cmdCancel_Click();
  void cmdViewCalBegin_Click();
  void cmdViewCalEnd_Click();
  void reject() override;  // Escape and the window frame cancel

 private:
  void PickInto(QLineEdit& box, const QString& label);
};
