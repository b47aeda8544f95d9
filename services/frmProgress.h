#pragma once
// frmProgress: the progress dialog of a long operation, shown by
// clsSystem::WaitDlgShow and removed by clsSystem::WaitDlgRemove. While it is shown it
// is application-modal, so only its own Cancel button takes input: the user can
// neither close the database nor start the operation again meanwhile. It never closes
// itself; the running operation reads Cancelled() and removes it.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class frmProgress : public QDialog {
  Q_OBJECT
 public:
  explicit frmProgress(QWidget* parent = nullptr);

  // Shows the window on top of the others reading `message`, with or without its bar
  // and Cancel button, and clears the stop request.
  void Display(const QString& message, bool showBar, bool showCancel);
  // Moves the bar (range 0 to 100).
  void SetProgress(int pct);
  // The stop request: true once the user pressed Cancel.
  bool Cancelled() const { return m_bCancel; }

 public slots:
  void cmdCancel_Click();
  // Escape presses Cancel when it is shown; the window stays open.
  void reject() override;

 protected:
  // The window frame's close button is ignored; the operation removes the window.
  void closeEvent(QCloseEvent* event) override;

 private:
  bool m_bCancel = false;
  QLabel* lblMsg;
  QProgressBar* pbar;
  QPushButton* cmdCancel;  // hidden unless the operation offers Cancel
};
