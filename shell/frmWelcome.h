#pragma once
// frmWelcome: the help centre. Says where the open database lives, the program and
// database versions and the date and time (renewed every 45 seconds), and offers links
// to the backup advice (the main window's; nothing without one), the help pages, the
// product sheet (svl_specs.pdf) and the support site. "Don't show at startup" is stored
// when the window is unloaded, in its closeEvent, whatever unloads it (the value
// "WelcomeShowAtStartup": 1 checked, 0 cleared). Create it with new: Cancel (also
// Escape) unloads and deletes the window. User-interface thread only.

#include <QDialog>
#include <QHash>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class frmWelcome : public QDialog {
  Q_OBJECT
 public:
  explicit frmWelcome(QWidget* parent = nullptr);

  QLabel* lblWelcome;
  QLabel* lblDatabase0;
  QLineEdit* txtDatabase;
  QLabel* lblVersion;
  QLabel* lblDateTime;
  QCheckBox* ckDontShowAtStartup;
  QPushButton* cmdCancel;
  QTimer* Timer1;
  // Links: a click runs the action; none closes the window.
  QLabel* lblBackup;
  QLabel* lblOverview;
  QLabel* lblUserMan;
  QLabel* lblSpecs;
  QLabel* lblDornvale;
  QLabel* lblTip;
  QLabel* lblTutorial;

 public slots:
  void Timer1_Timer();
  void cmdCancel_Click();
  void reject() override;  // Escape cancels
  // The backup advice: the main window's "How to backup your data".
  void lblBackup_Click();
  void lblOverview_Click();
  void lblUserMan_Click();
  void lblSpecs_Click();
  void lblDornvale_Click();
  void lblTip_Click();
  void lblTutorial_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* Link(const QString& name, const QString& caption, void (frmWelcome::*action)());

  QHash<QObject*, void (frmWelcome::*)()> m_links;
};
