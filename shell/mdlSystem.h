#pragma once
// Start-up of the program: one copy per user, the splash in front while the main window
// loads behind it, then the database that was open last time.
// User-interface thread only.

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "shell/frmSplash.h"

class QLocalServer;
class QWidget;
class frmMain;

namespace mdlSystem {

// Claims the program for this user: an exclusive lock on a file, held for the object's
// life, decides which copy runs; that copy listens on a local server whose socket lies
// beside the lock, and a later copy may ask it to come forward. The lock goes into the
// first of LockFolders() where its file can be opened, so copies of one environment
// meet in the same folder; only a lock held by another copy means another copy runs.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Claimed {
    kThisCopy,     // this copy runs (also where it cannot listen)
    kOtherCopy,    // another copy holds the lock
    kUndetectable  // no folder could hold the lock: another copy cannot be seen
  };

  // The server name of this user's copy.
  static QString DefaultServerName();
  // Where the lock may go, in the order tried: the temporary folder, then folders the
  // user owns: $XDG_RUNTIME_DIR (absolute only) and the settings folder.
  static QStringList LockFolders();
  explicit SingleInstance(QString serverName = DefaultServerName(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // Claims the lock and starts listening (a server left behind by a copy that died is
  // replaced).
  Claimed Listen();
  // Asks the listening copy to come forward; true when the request was delivered.
  bool AskOtherToComeForward();

 signals:
  // A later copy asked this one to bring its main window forward.
  void ComeForwardRequested();

 private:
  Claimed Claim();
  // The socket: beside the lock, else the server's own place in the temporary folder.
  QString SocketPath() const;
  QString name_;
  QString folder_;  // where the lock was taken or found held
  int lock_ = -1;
  QLocalServer* server_ = nullptr;
};

// Brings `window` back from the minimised state (to the state it had before) and to
// the front, with the program's other shown windows over it as they were, the active
// modal window on top and given the keyboard (ui::ActivateWindow: on X without a window
// manager the focus is set at the server's current time, since the toolkit's request,
// stamped with this program's last event, is ignored once the second copy has moved it).
void ComeForward(QWidget& window);

// Creates the main window; maximised on a screen narrower than 800 pixels.
std::unique_ptr<frmMain> LoadMainWindow();

// The start-up. In a second copy: "Stovrel is already running!", the first copy is asked
// to come forward, and the result is null. Where no lock could be made the program runs
// and says so once. That box is system-modal so the first copy's
// topmost splash cannot hide it; where no window manager honours the hint it raises itself
// every half second until answered. Otherwise the splash is shown topmost for
// `splashMs` while the main window loads, disabled, behind it; then the last database is
// opened and the main window (enabled, in front) is returned.
std::unique_ptr<frmMain> Main(SingleInstance& instance, int splashMs = frmSplash::kStartupMs);

}  // namespace mdlSystem
