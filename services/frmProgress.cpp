#include "services/frmProgress.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/WindowRegistry.h"
#include "services/TrappedSlot.h"

namespace {

constexpr int kMessageWidth = 336;  // the message wraps at this width

}  // namespace

frmProgress::frmProgress(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmProgress"));
  setWindowTitle(QStringLiteral("Progress"));
  setWindowModality(Qt::ApplicationModal);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  lblMsg = ui::PlainLabel(QString(), this);
  lblMsg->setObjectName(QStringLiteral("lblMsg"));
  lblMsg->setWordWrap(true);
  pbar = new QProgressBar(this);
  pbar->setObjectName(QStringLiteral("pbar"));
  pbar->setRange(0, 100);
  pbar->setValue(0);
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel->setCursor(Qt::ArrowCursor);
  cmdCancel->setAutoDefault(false);
  cmdCancel->setVisible(false);
  ConnectClicks(this, {{cmdCancel, &frmProgress::cmdCancel_Click}});

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblMsg);
  layout->addWidget(pbar);
  layout->addLayout(ui::ButtonRow({}, {cmdCancel}));
  lblMsg->setFixedWidth(kMessageWidth);
  ui::FixWindowSize(*this);

  ui::RegisterWindow(this);
}

void frmProgress::Display(const QString& message, bool showBar, bool showCancel) {
  pbar->setVisible(showBar);
  cmdCancel->setVisible(showCancel);
  lblMsg->setText(message);
  m_bCancel = false;
  show();
  raise();
  activateWindow();
  lblMsg->repaint();
}

void frmProgress::SetProgress(int pct) { pbar->setValue(pct); }

void frmProgress::cmdCancel_Click() { m_bCancel = true; }

void frmProgress::reject() {
  if (cmdCancel->isVisible()) cmdCancel->click();
}

void frmProgress::closeEvent(QCloseEvent* event) {
  // QDialog::closeEvent would call reject(), which never hides this window.
  if (event->spontaneous()) {
    event->ignore();
  } else {
    event->accept();
  }
}
