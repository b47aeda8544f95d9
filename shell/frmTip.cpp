#include "shell/frmTip.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/runtime/App.h"
#include "platform/runtime/Clock.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "services/TextLineReader.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"

namespace {

const QString kTipsFile = QStringLiteral("TIPOFDAY.TXT");
const QString kShowPref = QStringLiteral("TipsShowAtStartup");
constexpr int kWidthTwips = 5535;
constexpr int kHeightTwips = 3800;

}  // namespace

frmTip::frmTip(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmTip"));
  setWindowTitle(QStringLiteral("Tip of the Day"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  const QIcon bulb = style()->standardIcon(QStyle::SP_MessageBoxInformation);
  setWindowIcon(bulb);
  ui::RegisterWindow(this);

  Picture1 = new QFrame(this);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setFrameShape(QFrame::StyledPanel);
  Picture1->setAutoFillBackground(true);
  QPalette white = Picture1->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  Picture1->setPalette(white);
  auto* picture = new QLabel(Picture1);
  picture->setPixmap(bulb.pixmap(32, 32));
  picture->setAlignment(Qt::AlignTop);
  Label1 = ui::PlainLabel(QStringLiteral("Did you know..."), Picture1);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont heading = Label1->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.3);
  Label1->setFont(heading);
  lblTipText = ui::PlainLabel(QString(), Picture1);
  lblTipText->setObjectName(QStringLiteral("lblTipText"));
  lblTipText->setWordWrap(true);
  lblTipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* text = new QVBoxLayout;
  text->addWidget(Label1);
  text->addWidget(lblTipText, 1);
  auto* inside = new QHBoxLayout(Picture1);
  inside->addWidget(picture, 0, Qt::AlignTop);
  inside->addLayout(text, 1);

  chkLoadTipsAtStartup = new QCheckBox(QStringLiteral("&Show Tips at Startup"), this);
  chkLoadTipsAtStartup->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
  cmdNextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
  cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
  cmdNextTip->setAutoDefault(false);
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Picture1, 1);
  layout->addLayout(ui::ButtonRow({chkLoadTipsAtStartup}, {cmdNextTip, cmdOK}));

  ConnectClicks(this, {{cmdNextTip, &frmTip::cmdNextTip_Click},
                       {cmdOK, &frmTip::cmdOK_Click},
                       {chkLoadTipsAtStartup, &frmTip::chkLoadTipsAtStartup_Click}});

  // Loading.
  chkLoadTipsAtStartup->setChecked(mdlRegistry::PrefGetLong(kShowPref) != 1);
  m_random.seed(static_cast<quint32>(rt::Now().toMSecsSinceEpoch()));
  clsSystem& sys = gSystem();
  if (!LoadTips(sys.MakePath(rt::App::Path(), kTipsFile))) {
    lblTipText->setText(QStringLiteral("That the ") + kTipsFile + QStringLiteral(" file was not found? ") +
                        sys.CRLF(2) + QStringLiteral("Create a text file named ") + kTipsFile +
                        QStringLiteral(" using NotePad with 1 tip per line. ") +
                        QStringLiteral("Then place it in the same directory as the application. "));
  }
  resize(static_cast<int>(ui::TwipsToPixelsX(kWidthTwips)), static_cast<int>(ui::TwipsToPixelsY(kHeightTwips)));
}

bool frmTip::LoadTips(const QString& sFile) {
  clsSystem& sys = gSystem();
  if (sFile.isEmpty() || !sys.FileExists(sFile)) return false;
  QFile file(sys.ResolvePathCase(sFile));
  if (!file.open(QIODevice::ReadOnly)) return false;
  TextLineReader reader(file);
  TextEncoding encoding;
  QList<QByteArray> lines;
  for (QByteArray line; reader.Next(line);) {
    encoding.Note(line);
    lines.append(line);
  }
  for (const QByteArray& line : lines) {
    QString tip = encoding.Decode(line);
    if (m_colTips.isEmpty() && tip.startsWith(QChar(0xFEFF))) tip.remove(0, 1);
    m_colTips.append(tip);
  }
  NextTip();
  return true;
}

void frmTip::NextTip() {
  const auto count = static_cast<int32_t>(m_colTips.size());
  m_nCurrentTip = static_cast<int32_t>(m_random.generateDouble() * count + 1);
  DisplayCurrentTip();
}

void frmTip::DisplayCurrentTip() {
  if (m_colTips.isEmpty()) return;
  lblTipText->setText(m_colTips.at(m_nCurrentTip - 1));
}

void frmTip::cmdNextTip_Click() { NextTip(); }

void frmTip::cmdOK_Click() { ui::UnloadLater(this); }

void frmTip::reject() { cmdOK_Click(); }

void frmTip::chkLoadTipsAtStartup_Click() {
  mdlRegistry::PrefSaveLong(kShowPref, chkLoadTipsAtStartup->isChecked() ? 0 : 1);
}
