#include "shell/mdlSystem.h"

#include <QApplication>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <exception>
#include <unistd.h>

#include "database/clsDB.h"
#include "platform/runtime/App.h"
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

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::OtherAnswers() const {
  QLocalSocket probe;
  probe.connectToServer(name_);
  const bool answered = probe.waitForConnected(kSocketWaitMs);
  probe.abort();
  return answered;
}

bool SingleInstance::Listen() {
  if (server_ != nullptr) return true;
  // Asked first: a server started with access options replaces a socket of the same name.
  if (OtherAnswers()) return false;
  QLocalServer::removeServer(name_);  // left by a copy that ended without closing it
  auto* server = new QLocalServer(this);
  server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server->listen(name_)) {
    delete server;
    return false;
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
  return true;
}

bool SingleInstance::AskOtherToComeForward() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kSocketWaitMs)) return false;
  socket.write(kComeForward);
  const bool sent = socket.waitForBytesWritten(kSocketWaitMs);
  socket.disconnectFromServer();
  return sent;
}

void ComeForward(QWidget& window) {
  if (window.isMinimized()) window.showNormal();
  window.show();
  window.raise();
  window.activateWindow();
}

std::unique_ptr<frmMain> LoadMainWindow() {
  auto main = std::make_unique<frmMain>();
  if (mdlHelper::HlpIsLowRes()) ui::MaximizeInsideAvailableArea(*main);
  return main;
}

std::unique_ptr<frmMain> Main(SingleInstance& instance, int splashMs) {
  QApplication::setWindowIcon(ui::ApplicationIcon());
  if (!instance.Listen()) {
    // In front even of the first copy's splash and main window, which may hold the top.
    ui::MsgBox(rt::App::ProductName() + QStringLiteral(" is already running!"),
               ui::vbExclamation | ui::vbSystemModal, rt::App::Title());
    instance.AskOtherToComeForward();
    return nullptr;
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
