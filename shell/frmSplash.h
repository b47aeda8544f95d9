#pragma once
// frmSplash: one window in two modes. As the start-up splash (m_bSplashMode set after
// creation) it ignores clicks and keys, and its timer sets m_bOK2Unload once its
// interval has passed; start-up waits for that flag and then closes it. As the About
// box (the mode it is created in) it is run modally and any key or a click on one of
// its texts closes it. Both show the product, version and platform, and the open
// database's folder and version while one is open.

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QTimer;

class frmSplash : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kStartupMs = 3000;
  // `intervalMs` is the timer's interval (tests pass a short one).
  explicit frmSplash(QWidget* parent = nullptr, int intervalMs = kStartupMs);

  bool m_bSplashMode = false;
  bool m_bOK2Unload = false;
  // Closes the window unless it is the start-up splash.
  void SmartUnload();

  QFrame* Frame1;
  QLabel* imgLogo;
  QLabel* lblProductName;
  QLabel* lblCompany;
  QLabel* lblCopyright;
  QLabel* lblVersion;
  QLabel* lblPlatform;
  QLabel* lblDataDir;
  QLineEdit* txtDataDir;
  QLabel* lblDbVer;
  QLabel* lblWebsite;
  QTimer* Timer1;

  // The maker's page that lblWebsite opens.
  static QString WebsiteAddress();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Timer1_Timer();
};
