#include "shell/frmWelcome.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "platform/runtime/App.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/Colors.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"
#include "shell/frmMain.h"

namespace {

const QString kShowPref = QStringLiteral("WelcomeShowAtStartup");
const QString kCaption = QStringLiteral("Help Center");
constexpr int kWidthTwips = 6500;
constexpr int kHeightTwips = 3510;
constexpr int kTimerMs = 45000;
constexpr int kOverviewTopic = 1000;
constexpr uint32_t kLinkColour = 0x00C00000;  // 0x00BBGGRR

}  // namespace

frmWelcome::frmWelcome(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmWelcome"));
  setWindowTitle(kCaption);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  ui::RegisterWindow(this);

  lblWelcome = ui::PlainLabel(kCaption, this);
  lblWelcome->setObjectName(QStringLiteral("lblWelcome"));
  QFont banner = ui::MapFont(QStringLiteral("Verdana"), 0);
  banner.setPointSizeF(banner.pointSizeF() * 1.6);
  banner.setBold(true);
  lblWelcome->setFont(banner);
  lblWelcome->setAutoFillBackground(true);
  QPalette band = lblWelcome->palette();
  band.setColor(QPalette::Window, ui::ColorFromBgr(kLinkColour));
  band.setColor(QPalette::WindowText, Qt::white);
  lblWelcome->setPalette(band);
  lblWelcome->setContentsMargins(10, 6, 10, 6);

  lblDatabase0 = ui::PlainLabel(QString(), this);
  lblDatabase0->setObjectName(QStringLiteral("lblDatabase0"));
  txtDatabase = new QLineEdit(this);
  txtDatabase->setObjectName(QStringLiteral("txtDatabase"));
  txtDatabase->setReadOnly(true);
  lblVersion = ui::PlainLabel(QString(), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblDateTime = ui::PlainLabel(QString(), this);
  lblDateTime->setObjectName(QStringLiteral("lblDateTime"));

  lblBackup = Link(QStringLiteral("lblBackup"), QStringLiteral("Backup your data everyday!"),
                   &frmWelcome::lblBackup_Click);
  lblOverview = Link(QStringLiteral("lblOverview"), QStringLiteral("Product Overview"),
                     &frmWelcome::lblOverview_Click);
  lblUserMan = Link(QStringLiteral("lblUserMan"), QStringLiteral("User Manual"), &frmWelcome::lblUserMan_Click);
  lblSpecs = Link(QStringLiteral("lblSpecs"), QStringLiteral("Spec Sheet (pdf)"), &frmWelcome::lblSpecs_Click);
  lblDornvale = Link(QStringLiteral("lblDornvale"), QStringLiteral("SVL Support"), &frmWelcome::lblDornvale_Click);
  lblTip = Link(QStringLiteral("lblTip"), QStringLiteral("Tip of the day"), &frmWelcome::lblTip_Click);
  lblTutorial = Link(QStringLiteral("lblTutorial"), QStringLiteral("Tutorial"), &frmWelcome::lblTutorial_Click);

  ckDontShowAtStartup = new QCheckBox(QStringLiteral("Don't show at startup"), this);
  ckDontShowAtStartup->setObjectName(QStringLiteral("ckDontShowAtStartup"));
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kTimerMs);

  auto* links = new QGridLayout;
  links->setHorizontalSpacing(16);
  links->addWidget(lblBackup, 0, 0, 1, 2);
  links->addWidget(lblOverview, 0, 2);
  links->addWidget(lblUserMan, 0, 3);
  links->addWidget(lblSpecs, 1, 0);
  links->addWidget(lblDornvale, 1, 1);
  links->addWidget(lblTip, 1, 2);
  links->addWidget(lblTutorial, 1, 3);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(10, 6, 10, 10);
  body->addWidget(lblDatabase0);
  body->addWidget(txtDatabase);
  body->addWidget(lblVersion);
  body->addWidget(lblDateTime);
  body->addStretch();
  body->addLayout(links);
  body->addSpacing(6);
  body->addLayout(ui::ButtonRow({ckDontShowAtStartup}, {cmdCancel}));

  // The banner spans the whole inside width, whatever the window's size.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lblWelcome);
  layout->addLayout(body, 1);

  ConnectClicks(this, {{cmdCancel, &frmWelcome::cmdCancel_Click}});
  ConnectTrapped(Timer1, &QTimer::timeout, this, &frmWelcome::Timer1_Timer, QStringLiteral("frmWelcome_Timer1_Timer"));

  // Loading.
  if (gDB().IsOpen()) {
    lblDatabase0->setText(QStringLiteral("You are accessing ") + rt::App::ProductName() +
                          QStringLiteral(" database located at: "));
    txtDatabase->setText(gDB().DBPath());
  }
  QString version = QStringLiteral("Application Version: %1.%2  Rev. %3")
                        .arg(rt::App::kMajor)
                        .arg(rt::App::kMinor)
                        .arg(rt::App::kRevision);
  if (gDB().IsOpen()) {
    version += QStringLiteral("     ( db version %1)").arg(gDB().DBVer());
  }
  lblVersion->setText(version);
  ckDontShowAtStartup->setChecked(mdlRegistry::PrefGetLong(kShowPref) == 1);
  resize(static_cast<int>(ui::TwipsToPixelsX(kWidthTwips)), static_cast<int>(ui::TwipsToPixelsY(kHeightTwips)));
  Timer1_Timer();
  Timer1->start();
}

QLabel* frmWelcome::Link(const QString& name, const QString& caption, void (frmWelcome::*action)()) {
  QLabel* label = ui::PlainLabel(caption, this);
  label->setObjectName(name);
  QPalette blue = label->palette();
  blue.setColor(QPalette::WindowText, ui::ColorFromBgr(kLinkColour));
  label->setPalette(blue);
  QFont underlined = label->font();
  underlined.setUnderline(true);
  label->setFont(underlined);
  label->setCursor(Qt::PointingHandCursor);
  label->installEventFilter(this);
  m_links.insert(label, action);
  return label;
}

bool frmWelcome::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto action = m_links.value(watched);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (action != nullptr && mouse->button() == Qt::LeftButton) {
      (this->*action)();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void frmWelcome::Timer1_Timer() { lblDateTime->setText(gSystem().CurrDateTimeLong()); }

void frmWelcome::cmdCancel_Click() { ui::UnloadLater(this); }

void frmWelcome::reject() { cmdCancel_Click(); }

void frmWelcome::closeEvent(QCloseEvent* event) {
  mdlRegistry::PrefSaveLong(kShowPref, ckDontShowAtStartup->isChecked() ? 1 : 0);
  QDialog::closeEvent(event);
}

void frmWelcome::lblBackup_Click() {
  // The main window owns the backup advice; without one there is nothing to advise on.
  if (auto* main = dynamic_cast<frmMain*>(MainWindowHub())) main->mnuHelpBackup_Click();
}

void frmWelcome::lblOverview_Click() { gSystem().ShowHelpTopic(kOverviewTopic); }

void frmWelcome::lblUserMan_Click() { gSystem().ShowHelpContents(); }

void frmWelcome::lblSpecs_Click() {
  clsSystem& sys = gSystem();
  sys.LaunchFile(sys.MakePath(rt::App::Path(), QStringLiteral("svl_specs.pdf")), QString(), QString());
}

void frmWelcome::lblDornvale_Click() { gSystem().GotoWebsite(gSystem().cDvWebsite()); }

void frmWelcome::lblTip_Click() { gSystem().GotoWebsite(gSystem().cDvWebsite()); }

void frmWelcome::lblTutorial_Click() {}
