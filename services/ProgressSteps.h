#pragma once
// The progress dialog of a long grid job (export, printing) with its Cancel: shown at
// the first step, updated and given the event loop as the job goes, removed when the
// object goes out of scope. User-interface thread only.

#include <QPointer>
#include <QString>
#include <cstdint>

class frmProgress;

class ProgressSteps {
 public:
  ProgressSteps(QString title, QString message);
  ~ProgressSteps();
  ProgressSteps(const ProgressSteps&) = delete;
  ProgressSteps& operator=(const ProgressSteps&) = delete;

  // `done` of `total` steps: shows the dialog at the first call and, every hundred
  // steps, the percentage, and lets pending events run. False once Cancel was pressed.
  bool Step(int64_t done, int64_t total);

 private:
  QString title_;
  QString message_;
  QPointer<frmProgress> dlg_;
  bool shown_ = false;
  int64_t pumpedAt_ = 0;
};
