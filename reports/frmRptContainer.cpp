#include "reports/frmRptContainer.h"

#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <cmath>

#include "database/clsRptDef.h"
#include "platform/runtime/App.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Placement.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/UCCurrInv.h"
#include "reports/UCTrans.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"

namespace reports {
namespace {

constexpr int32_t kHelpContext = 2000;

int32_t Twips(double px, bool horizontal) {
  return static_cast<int32_t>(std::lround(horizontal ? ui::PixelsToTwipsX(px) : ui::PixelsToTwipsY(px)));
}
int Px(int32_t twips, bool horizontal) {
  return static_cast<int>(std::lround(horizontal ? ui::TwipsToPixelsX(twips) : ui::TwipsToPixelsY(twips)));
}

}  // namespace

SavedPlace ClampPlace(const SavedPlace& saved, int32_t clientWidth, int32_t clientHeight) {
  const clsSystem& sys = gSystem();
  SavedPlace p;
  p.width = sys.NotBelowMinVal(sys.NotAboveMaxVal(saved.width, clientWidth), kMinPlaceTwips);
  p.height = sys.NotBelowMinVal(sys.NotAboveMaxVal(saved.height, clientHeight), kMinPlaceTwips);
  // Moved in so that the window ends inside the client area (a smaller screen since).
  p.left = sys.NotBelowZeroLong(std::min(saved.left, clientWidth - p.width));
  p.top = sys.NotBelowZeroLong(std::min(saved.top, clientHeight - p.height));
  return p;
}

frmRptContainer::frmRptContainer(QWidget* parent)
    : QWidget(parent),
      ctlCurrentInv(new UCCurrInv(this)),
      ctlTrans(new UCTrans(this)),
      cmdCancel(new QPushButton(QStringLiteral("Cancel"), this)) {
  setObjectName(QStringLiteral("frmRptContainer"));
  ctlCurrentInv->setObjectName(QStringLiteral("ctlCurrentInv"));
  ctlTrans->setObjectName(QStringLiteral("ctlTrans"));
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  // The panes cover the client area; Cancel answers Escape.
  cmdCancel->setVisible(false);
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  esc->setContext(Qt::WidgetWithChildrenShortcut);
  ConnectTrapped(esc, &QShortcut::activated, this, &frmRptContainer::cmdCancel_Click,
                 QStringLiteral("frmRptContainer_cmdCancel_Click"));
  ConnectClicks(this, {{cmdCancel, &frmRptContainer::cmdCancel_Click}});
  ui::SetHelpContext(*this, kHelpContext);
  for (ReportPane* pane : {ctlCurrentInv, ctlTrans}) {
    pane->setVisible(false);
    pane->SetHelpContextID(kHelpContext);
    ConnectTrapped(pane, &ReportPane::ReportDefChanged, this, &frmRptContainer::OnReportDefChanged,
                   QStringLiteral("frmRptContainer_OnReportDefChanged"));
  }
  resize(Px(9000, true), Px(6000, false));
}

frmRptContainer::~frmRptContainer() {
  // The panes hold the definition: they go first.
  delete ctlCurrentInv;
  delete ctlTrans;
}

void frmRptContainer::Init(const QString& sFormID, const clsRptDef& RptDef) {
  ui::SetTag(this, sFormID);
  m_bCloseOnPropertiesChange = false;
  m_RptDef = std::make_unique<clsRptDef>(RptDef);
  SetWindowCaption();
  // The saved place is applied when the window is first shown, to its frame then.
  m_bPlaced = false;
  switch (m_RptDef->RptType()) {
    case 1:
      ctlCurrentInv->Init(*m_RptDef);
      ctlCurrentInv->setVisible(true);
      break;
    case 2:
      ctlTrans->Init(*m_RptDef);
      ctlTrans->setVisible(true);
      break;
    default:
      ui::MsgBox(QStringLiteral("Unspecified report type!"), ui::vbCritical, rt::App::ProductName());
      break;
  }
  updateGeometry();  // the frame takes the pane's minimum
  ResizeControl();
}

void frmRptContainer::SetWindowCaption() {
  if (m_RptDef) setWindowTitle(m_RptDef->RptName());
}

ReportPane* frmRptContainer::ActivePane() const {
  if (!m_RptDef) return nullptr;
  switch (m_RptDef->RptType()) {
    case 1: return ctlCurrentInv;
    case 2: return ctlTrans;
    default: return nullptr;
  }
}

QSize frmRptContainer::minimumSizeHint() const {
  if (const ReportPane* pane = ActivePane()) return pane->minimumSizeHint();
  return QWidget::minimumSizeHint();
}

void frmRptContainer::ResizeControl() {
  if (ReportPane* pane = ActivePane()) pane->setGeometry(0, 0, width(), height());
}

QWidget& frmRptContainer::Frame() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return *sub;
  return *this;
}

QString frmRptContainer::PrefPrefix() const {
  return QStringLiteral("^%1").arg(m_RptDef ? m_RptDef->RptID() : -1);
}

void frmRptContainer::RestorePosition() {
  if (!m_RptDef) return;
  const QString prefix = PrefPrefix();
  QWidget& frame = Frame();
  if (mdlRegistry::PrefGetLong(prefix + QStringLiteral("_maximized")) == 2) {
    frame.setWindowState(frame.windowState() | Qt::WindowMaximized);
    return;
  }
  if (mdlRegistry::PrefGetLong(prefix + QStringLiteral("_clientarea")) <= 0) return;
  const SavedPlace saved{mdlRegistry::PrefGetLong(prefix + QStringLiteral("_left")),
                         mdlRegistry::PrefGetLong(prefix + QStringLiteral("_top")),
                         mdlRegistry::PrefGetLong(prefix + QStringLiteral("_width")),
                         mdlRegistry::PrefGetLong(prefix + QStringLiteral("_height"))};
  MainWindowHubInterface* hub = MainWindowHub();
  const int32_t clientW = hub ? hub->ClientAreaWidth() : Twips(frame.screen()->availableSize().width(), true);
  const int32_t clientH = hub ? hub->ClientAreaHeight() : Twips(frame.screen()->availableSize().height(), false);
  const SavedPlace p = ClampPlace(saved, clientW, clientH);
  const QRect place(Px(p.left, true), Px(p.top, false), Px(p.width, true), Px(p.height, false));
  // A window shown maximized (another child is) or minimized takes its place once it
  // is shown normal.
  if (frame.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) {
    m_pendingPlace = place;
    m_normalPlace = place;
    return;
  }
  frame.move(place.topLeft());
  frame.resize(place.size());
}

bool frmRptContainer::eventFilter(QObject* watched, QEvent* event) {
  QWidget& frame = Frame();
  const bool normal = !(frame.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
  if (watched == &frame && (event->type() == QEvent::Move || event->type() == QEvent::Resize) && normal &&
      !m_pendingPlace)
    m_normalPlace = QRect(frame.pos(), frame.size());
  return QWidget::eventFilter(watched, event);
}

void frmRptContainer::SavePosition() {
  if (!m_RptDef) return;
  const QString prefix = PrefPrefix();
  QWidget& frame = Frame();
  const int32_t state = frame.isMaximized() ? 2 : (frame.isMinimized() ? 1 : 0);
  // The place of the window shown normal, however it is shown now, at its own size
  // rather than a tile's.
  QRect place = state == 0 || m_normalPlace.isNull() ? QRect(frame.pos(), frame.size()) : m_normalPlace;
  if (const QSize own = ui::SizeBeforeTiling(frame); own.isValid()) place.setSize(own);
  place.setSize(place.size().expandedTo(frame.minimumSizeHint()));  // never a degenerate size
  mdlRegistry::PrefSaveLong(prefix + QStringLiteral("_maximized"), state);
  mdlRegistry::PrefSaveLong(prefix + QStringLiteral("_left"), Twips(place.x(), true));
  mdlRegistry::PrefSaveLong(prefix + QStringLiteral("_top"), Twips(place.y(), false));
  mdlRegistry::PrefSaveLong(prefix + QStringLiteral("_width"), Twips(place.width(), true));
  mdlRegistry::PrefSaveLong(prefix + QStringLiteral("_height"), Twips(place.height(), false));
  mdlRegistry::PrefSaveLong(prefix + QStringLiteral("_clientarea"), 1);
}

void frmRptContainer::cmdCancel_Click() { ui::UnloadLater(this); }

void frmRptContainer::OnReportDefChanged() {
  SetWindowCaption();
  if (m_bCloseOnPropertiesChange) ui::UnloadLater(this);
}

void frmRptContainer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ResizeControl();
}

void frmRptContainer::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The frame (an MDI sub-window) exists only once the window is shown.
  if (!m_bPlaced) {
    m_bPlaced = true;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
      frame->installEventFilter(this);
      // Once the frame has left the maximized or minimized state (a place set while it
      // handles the change would put it back).
      connect(frame, &QMdiSubWindow::windowStateChanged, this, [this, frame](Qt::WindowStates, Qt::WindowStates now) {
        if ((now & (Qt::WindowMaximized | Qt::WindowMinimized)) || !m_pendingPlace) return;
        const QRect place = *m_pendingPlace;
        m_pendingPlace.reset();
        frame->move(place.topLeft());
        frame->resize(place.size());
      });
    }
    m_normalPlace = QRect(Frame().pos(), Frame().size());
    RestorePosition();
  }
}

void frmRptContainer::closeEvent(QCloseEvent* event) {
  SavePosition();
  QWidget::closeEvent(event);
}

}  // namespace reports
