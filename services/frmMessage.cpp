#include "services/frmMessage.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/runtime/App.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

QLabel* MakeImage(QWidget* parent, const char* name, const QIcon& icon) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setPixmap(icon.pixmap(32, 32));
  label->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  label->hide();
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

frmMessage::frmMessage(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmMessage"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  QStyle* st = style();
  ImageInfo = MakeImage(this, "ImageInfo", st->standardIcon(QStyle::SP_MessageBoxInformation));
  imgWarn = MakeImage(this, "imgWarn", st->standardIcon(QStyle::SP_MessageBoxWarning));
  imageCritical = MakeImage(this, "imageCritical", st->standardIcon(QStyle::SP_MessageBoxCritical));
  imgLocked = MakeImage(this, "imgLocked", ui::ProgramIcon(QStringLiteral("changes-prevent")));

  txtMsg = new QTextEdit(this);
  txtMsg->setObjectName(QStringLiteral("txtMsg"));
  txtMsg->setReadOnly(true);
  txtMsg->setAcceptRichText(false);
  txtMsg->setFont(ui::MapFont(QStringLiteral("Courier New"), 10));
  txtMsg->setLineWrapMode(QTextEdit::WidgetWidth);
  txtMsg->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

  cmdPrint = MakeButton(this, "cmdPrint", QStringLiteral("&Print"));
  cmdSaveAs = MakeButton(this, "cmdSaveAs", QStringLiteral("Save As..."));
  cmdEmail = MakeButton(this, "cmdEmail", QStringLiteral("&Email"));
  cmdClose = MakeButton(this, "cmdClose", QStringLiteral("OK"));
  cmdSaveAs->hide();
  cmdEmail->hide();
  cmdClose->setDefault(true);

  auto* images = new QVBoxLayout;
  for (QLabel* image : {ImageInfo, imgWarn, imageCritical, imgLocked}) images->addWidget(image);
  images->addStretch();
  auto* body = new QHBoxLayout;
  body->addLayout(images);
  body->addWidget(txtMsg, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addLayout(ui::ButtonRow({cmdPrint}, {cmdSaveAs, cmdEmail, cmdClose}));
  ui::FixWindowSize(*this);
  SizeToText();

  // Escape rejects the dialog like any QDialog, which hides it just as OK does.
  ConnectTrapped(cmdClose, &QPushButton::clicked, this, &frmMessage::cmdClose_Click,
                 QStringLiteral("frmMessage_cmdClose_Click"));
  ConnectTrapped(cmdPrint, &QPushButton::clicked, this, &frmMessage::cmdPrint_Click,
                 QStringLiteral("frmMessage_cmdPrint_Click"));
  ConnectTrapped(cmdSaveAs, &QPushButton::clicked, this, &frmMessage::cmdSaveAs_Click,
                 QStringLiteral("frmMessage_cmdSaveAs_Click"));
  ConnectTrapped(cmdEmail, &QPushButton::clicked, this, &frmMessage::cmdEmail_Click,
                 QStringLiteral("frmMessage_cmdEmail_Click"));

  ui::RegisterWindow(this);
  Form_Load();
}

void frmMessage::Form_Load() { setWindowTitle(rt::App::ProductName()); }

void frmMessage::Init(const QString& sMsg, int32_t MsgType, int32_t nHelpTopicID) {
  ui::SetHelpContext(*this, nHelpTopicID >= 1 ? nHelpTopicID : 0);
  txtMsg->setPlainText(sMsg);
  QLabel* const images[] = {ImageInfo, imgWarn, imageCritical, imgLocked};
  for (QLabel* image : images) image->hide();
  if (MsgType >= 1 && MsgType <= 4) images[MsgType - 1]->show();
  SizeToText();
}

void frmMessage::SizeToText() {
  constexpr int kMinChars = 40;
  constexpr int kMaxChars = 80;
  constexpr int kMinLines = 3;
  const QFontMetrics fm(txtMsg->font());
  const int frame = 2 * txtMsg->frameWidth();
  const int margin = 2 * static_cast<int>(txtMsg->document()->documentMargin()) + 2;  // + the cursor
  int longest = 0;
  for (const QString& line : txtMsg->toPlainText().split(QLatin1Char('\n'))) {
    longest = std::max(longest, fm.horizontalAdvance(line));
  }
  // What the window holds besides the text: the image column, the button row, margins.
  QLayout* outer = layout();
  const QMargins m = outer->contentsMargins();
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, txtMsg);
  const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
  const int otherW = m.left() + m.right() + ImageInfo->sizeHint().width() + outer->spacing();
  const int otherH = m.top() + m.bottom() + outer->spacing() + cmdClose->sizeHint().height();
  const QRect area = ui::AvailableScreenArea();
  const int roomW = area.width() - otherW - scrollBar - 16;
  const int roomH = area.height() - otherH - titleBar - 16;

  const int textW = std::min(std::clamp(longest + margin, kMinChars * fm.averageCharWidth() + margin,
                                        kMaxChars * fm.averageCharWidth() + margin),
                             roomW);
  std::unique_ptr<QTextDocument> doc(txtMsg->document()->clone());
  doc->setDefaultFont(txtMsg->font());
  doc->setTextWidth(textW);
  const int textH = static_cast<int>(std::ceil(doc->size().height()));
  const int shownH = std::clamp(textH, kMinLines * fm.lineSpacing() + margin, roomH);
  txtMsg->setFixedSize(textW + frame + (shownH < textH ? scrollBar : 0), shownH + frame);
}

int32_t frmMessage::HelpContextID() const { return ui::HelpContextOf(*this); }

void frmMessage::cmdClose_Click() { accept(); }

// The service procedures trap and report their own errors.
void frmMessage::cmdPrint_Click() {
  gSystem().RTBPrint_GetPrinter(*txtMsg, rt::App::ProductName());
}

void frmMessage::cmdSaveAs_Click() { gSystem().SaveRTB_GetFileName(*txtMsg); }

void frmMessage::cmdEmail_Click() { gSystem().EmailMsg(txtMsg->toPlainText()); }

void frmMessage::PrintMsg(QPrinter& printer) const { txtMsg->document()->print(&printer); }

void frmMessage::CopyMsgToClipboard() const {
  QClipboard* clipboard = QApplication::clipboard();
  clipboard->clear();
  clipboard->setText(txtMsg->toPlainText());
}
