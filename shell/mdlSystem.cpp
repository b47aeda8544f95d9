#include "shell/mdlSystem.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <exception>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <unistd.h>

#include "database/clsDB.h"
#include "platform/registry/HiveStore.h"
#include "platform/runtime/App.h"
#include "platform/ui/Activation.h"
#include "platform/ui/Application.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Placement.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"
#include "services/mdlHelper.h"
#include "shell/frmMain.h"

namespace mdlSystem {

namespace {

constexpr char kComeForward[] = "come-forward\n";
constexpr int kSocketWaitMs = 2000;

// Runs one start-up step; an error does not stop the next one.
template <class Step>
void Guarded(Step&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

}  // namespace

QString SingleInstance::DefaultServerName() {
  return rt::App::ProductName() + QLatin1Char('-') + QString::number(::getuid());
}

QStringList SingleInstance::LockFolders() {
  QStringList folders;
  if (const QString temp = QDir::tempPath(); !temp.isEmpty()) folders << temp;  // empty: missing
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(runtime)) folders << runtime;
  folders << reg::RegistryDir();
  folders.removeDuplicates();
  return folders;
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(std::move(serverName)) {}

SingleInstance::~SingleInstance() {
  delete server_;  // the socket goes before the claim is given up
  if (lock_ >= 0) ::close(lock_);
}

namespace {

bool OwnFolder(const QString& folder) {
  struct stat st {};
  return ::stat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid();
}

}  // namespace

SingleInstance::Claimed SingleInstance::Claim() {
  if (lock_ >= 0) return Claimed::kThisCopy;
  const QStringList folders = LockFolders();
  for (const QString& folder : folders) {
    if (folder == folders.back()) QDir().mkpath(folder);  // the settings folder, on a first start
    if (folder != QDir::tempPath() && !OwnFolder(folder)) continue;  // a fallback: the user's own
    const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + name_ + QStringLiteral(".lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) continue;  // not a folder, read-only, full: the next one
    // Held until this object goes; the system gives it up when a copy dies.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      lock_ = fd;
      folder_ = folder;
      return Claimed::kThisCopy;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    if (held) {
      folder_ = folder;
      return Claimed::kOtherCopy;
    }
  }
  return Claimed::kUndetectable;
}

QString SingleInstance::SocketPath() const {
  return folder_.isEmpty() ? name_ : folder_ + QLatin1Char('/') + name_;
}

SingleInstance::Claimed SingleInstance::Listen() {
  if (server_ != nullptr) return Claimed::kThisCopy;
  const Claimed claimed = Claim();
  if (claimed != Claimed::kThisCopy) return claimed;
  QLocalServer::removeServer(SocketPath());  // left by a copy that ended without closing it
  auto* server = new QLocalServer(this);
  server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server->listen(SocketPath())) {
    delete server;  // this copy runs all the same: later ones cannot bring it forward
    return claimed;
  }
  server_ = server;
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->canReadLine() && socket->readLine() == kComeForward) emit ComeForwardRequested();
      });
    }
  });
  return claimed;
}

bool SingleInstance::AskOtherToComeForward() {
  QLocalSocket socket;
  socket.connectToServer(SocketPath());
  if (!socket.waitForConnected(kSocketWaitMs)) return false;
  socket.write(kComeForward);
  const bool sent = socket.waitForBytesWritten(kSocketWaitMs);
  socket.disconnectFromServer();
  return sent;
}

void ComeForward(QWidget& window) {
  ui::ShowRestored(window);
  window.raise();
  // The program's other windows (its dialogs, the help window) come back over it in the
  // order they were last active, the modal one (which alone takes the keyboard) on top:
  // without a window manager nothing else would bring them back.
  QWidget* active = &window;
  for (QWidget* other : ui::WindowsByActivation()) {
    if (other == &window || other->isMinimized()) continue;
    other->raise();
    active = other;
  }
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->raise();
    active = modal;
  }
  ui::ActivateWindow(*active);
}

std::unique_ptr<frmMain> LoadMainWindow() {
  auto main = std::make_unique<frmMain>();
  if (mdlHelper::HlpIsLowRes()) ui::MaximizeInsideAvailableArea(*main);
  return main;
}

std::unique_ptr<frmMain> Main(SingleInstance& instance, int splashMs) {
  QApplication::setWindowIcon(ui::ApplicationIcon());
  switch (instance.Listen()) {
    case SingleInstance::Claimed::kThisCopy: break;
    case SingleInstance::Claimed::kOtherCopy:
      // In front even of the first copy's splash and main window, which may hold the top.
      ui::MsgBox(rt::App::ProductName() + QStringLiteral(" is already running!"),
                 ui::vbExclamation | ui::vbSystemModal, rt::App::Title());
      instance.AskOtherToComeForward();
      return nullptr;
    case SingleInstance::Claimed::kUndetectable:
      ui::MsgBox(rt::App::ProductName() + QStringLiteral(" cannot make its lock file in ") +
                     SingleInstance::LockFolders().join(QStringLiteral(", ")) +
                     QStringLiteral(", so it cannot detect a second copy of itself. Do not start it again "
                                    "while this copy runs."),
                 ui::vbExclamation, rt::App::Title());
      break;
  }

  std::unique_ptr<frmSplash> splash;
  Guarded([&] {
    splash = std::make_unique<frmSplash>(nullptr, splashMs);
    splash->m_bSplashMode = true;
    splash->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    splash->show();
    splash->repaint();
  });

  std::unique_ptr<frmMain> main = LoadMainWindow();
  main->show();
  main->setEnabled(false);
  main->raise();
  if (splash != nullptr) splash->raise();  // also where no window manager keeps it on top
  ConnectTrapped(&instance, &SingleInstance::ComeForwardRequested, main.get(), [w = main.get()] { ComeForward(*w); },
                 QStringLiteral("mdlSystem_ComeForward"));

  // The splash's timer ticks inside this loop; it ends at the first tick in splash mode.
  if (splash != nullptr) {
    QEventLoop wait;
    QObject::connect(splash->Timer1, &QTimer::timeout, &wait, [&] {
      if (splash->m_bOK2Unload) wait.quit();
    });
    if (!splash->m_bOK2Unload) wait.exec();
    splash->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    splash.reset();
  }
  main->setEnabled(true);
  main->raise();
  main->activateWindow();

  Guarded([&] {
    if (gDB().OpenLastDB()) main->SetCustomMenuLabels();
  });
  main->SetUI();
  return main;
}

}  // namespace mdlSystem
