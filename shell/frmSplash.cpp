#include "shell/frmSplash.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "platform/runtime/App.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/Screen.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/mdlHelper.h"

frmSplash::frmSplash(QWidget* parent, int intervalMs)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::Tool) {
  setObjectName(QStringLiteral("frmSplash"));
  Frame1 = new QFrame(this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Frame1->setFrameShape(QFrame::StyledPanel);
  Frame1->installEventFilter(this);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 8, 8, 8);
  outer->addWidget(Frame1);

  auto label = [this](const char* name, QWidget* parent) {
    QLabel* l = ui::PlainLabel({}, parent);
    l->setObjectName(QLatin1String(name));
    l->installEventFilter(this);
    return l;
  };
  imgLogo = label("imgLogo", Frame1);
  imgLogo->setPixmap(ui::ApplicationIcon().pixmap(64, 64));
  lblProductName = label("lblProductName", Frame1);
  lblCompany = label("lblCompany", Frame1);
  lblCopyright = label("lblCopyright", Frame1);
  lblVersion = label("lblVersion", Frame1);
  lblPlatform = label("lblPlatform", Frame1);
  lblDataDir = label("lblDataDir", Frame1);
  lblDataDir->setText(QStringLiteral("My Current Data Directory:"));
  lblDataDir->removeEventFilter(this);
  txtDataDir = new QLineEdit(Frame1);
  txtDataDir->setObjectName(QStringLiteral("txtDataDir"));
  txtDataDir->setReadOnly(true);
  txtDataDir->setFocusPolicy(Qt::NoFocus);  // keys go to the window
  lblDbVer = label("lblDbVer", Frame1);
  lblDbVer->removeEventFilter(this);
  lblWebsite = label("lblWebsite", Frame1);
  lblWebsite->setText(WebsiteAddress());
  lblWebsite->setCursor(Qt::PointingHandCursor);
  QFont link = lblWebsite->font();
  link.setUnderline(true);
  lblWebsite->setFont(link);
  lblWebsite->setStyleSheet(QStringLiteral("color: palette(link);"));

  QFont verdana = ui::MapFont(QStringLiteral("Verdana"), 0);
  for (QLabel* l : {lblCompany, lblCopyright, lblVersion, lblPlatform, lblWebsite}) {
    QFont f = verdana;
    f.setUnderline(l->font().underline());
    l->setFont(f);
  }
  QFont big = verdana;
  big.setPointSizeF(big.pointSizeF() * 2.2);
  big.setBold(true);
  lblProductName->setFont(big);

  auto* grid = new QGridLayout(Frame1);
  grid->setContentsMargins(16, 16, 16, 16);
  grid->setHorizontalSpacing(16);
  grid->addWidget(imgLogo, 0, 0, 3, 1, Qt::AlignTop);
  grid->addWidget(lblProductName, 0, 1);
  grid->addWidget(lblVersion, 1, 1);
  grid->addWidget(lblPlatform, 2, 1);
  grid->setRowMinimumHeight(3, 12);
  grid->addWidget(lblCompany, 4, 1);
  grid->addWidget(lblCopyright, 5, 1);
  grid->addWidget(lblWebsite, 6, 1);
  grid->setRowStretch(7, 1);
  grid->addWidget(lblDataDir, 8, 1);
  grid->addWidget(txtDataDir, 9, 1);
  grid->addWidget(lblDbVer, 10, 1);
  grid->setColumnStretch(1, 1);

  // Loading: the texts, then both flags cleared.
  lblVersion->setText(QStringLiteral("Version %1.%2  Rev. %3")
                          .arg(rt::App::kMajor)
                          .arg(rt::App::kMinor)
                          .arg(rt::App::kRevision));
  lblProductName->setText(rt::App::ProductName());
  lblCompany->setText(QStringLiteral("Dornvale"));
  lblCopyright->setText(QStringLiteral("Copyright (C) Dornvale. All rights reserved."));
  lblPlatform->setText(QStringLiteral("Linux"));
  const bool open = gDB().IsOpen();
  lblDataDir->setVisible(open);
  txtDataDir->setVisible(open);
  lblDbVer->setVisible(open);
  if (open) {
    txtDataDir->setText(gDB().DBPath());
    lblDbVer->setText(QStringLiteral("DB version: ") + QString::number(gDB().DBVer()));
  }
  m_bSplashMode = false;
  m_bOK2Unload = false;

  ui::FixWindowSize(*this, QSize(static_cast<int>(ui::TwipsToPixelsX(6735)),
                                 static_cast<int>(ui::TwipsToPixelsY(4590))));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(intervalMs);
  ConnectTrapped(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer, QStringLiteral("frmSplash_Timer1_Timer"));
  Timer1->start();
}

QString frmSplash::WebsiteAddress() { return gSystem().cDvWebsite(); }

void frmSplash::Timer1_Timer() {
  if (m_bSplashMode) m_bOK2Unload = true;
}

void frmSplash::SmartUnload() {
  if (!m_bSplashMode) done(QDialog::Accepted);
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
  event->accept();
  SmartUnload();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    if (watched == lblWebsite) {
      if (!m_bSplashMode) mdlHelper::HlpShellOpen(WebsiteAddress());
    } else {
      SmartUnload();
    }
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
