#pragma once
// frmTip: the tip of the day. Reads the tips file beside the program (TIPOFDAY.TXT, one
// tip a line; CR, LF or CR LF; UTF-8, else code page 1252) once when it is created and
// shows one tip at random; Next Tip draws again. The draw is seeded from rt::Now(), so
// tests with the fixed clock draw the same tips on every run. The check box stores at
// once whether tips are wanted at start-up (the value "TipsShowAtStartup": 0 wanted, 1
// not). Create it with new: OK (also Enter and Escape) unloads and deletes the window.
// User-interface thread only.

#include <QDialog>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <cstdint>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

class frmTip : public QDialog {
  Q_OBJECT
 public:
  explicit frmTip(QWidget* parent = nullptr);

  // Reads the tips of `sFile` (every line, empty ones included) and shows one; false
  // (nothing read) when the name is empty or there is no such file.
  bool LoadTips(const QString& sFile);
  // Shows the current tip; with no tips the text stays as it is.
  void DisplayCurrentTip();

  // The tips read, in file order, and the number (from 1) of the one shown.
  const QStringList& Tips() const { return m_colTips; }
  int32_t CurrentTip() const { return m_nCurrentTip; }

  QFrame* Picture1;
  QLabel* Label1;
  QLabel* lblTipText;
  QCheckBox* chkLoadTipsAtStartup;
  QPushButton* cmdNextTip;
  QPushButton* cmdOK;

 public slots:
  void cmdNextTip_Click();
  void cmdOK_Click();
  void chkLoadTipsAtStartup_Click();
  void reject() override;  // Escape presses OK

 private:
  void NextTip();

  QStringList m_colTips;
  int32_t m_nCurrentTip = 0;
  QRandomGenerator m_random;
};
