// clsSystem: wait cursor, progress dialog, help and version.

#include <QCoreApplication>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/runtime/App.h"
#include "platform/runtime/Error.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/WaitCursor.h"
#include "platform/ui/WindowRegistry.h"
#include "services/ProgressSteps.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

QString clsSystem::GetVersionString() const {
  return QStringLiteral("%1.%2").arg(rt::App::kMajor).arg(rt::App::kMinor);
}

QString clsSystem::GetAppTitle() const {
  return rt::App::ProductName() + QStringLiteral(" - v") + GetVersionString();
}

void clsSystem::WaitDlgShow(QPointer<frmProgress>& frm, const QString& sTitle,
                            const QString& sCaption, bool bShowProgressBar, bool bShowCancel) {
  ui::SetScreenMousePointer(ui::vbHourglass);
  frm = new frmProgress;
  frm->setWindowTitle(sTitle);
  frm->Display(sCaption, bShowProgressBar, bShowCancel);
}

void clsSystem::WaitDlgUpdate(frmProgress* frm, int32_t nPctDone) {
  if (frm == nullptr || nPctDone < 0 || nPctDone > 100) return;
  frm->SetProgress(nPctDone);
}

void clsSystem::WaitDlgRemove(QPointer<frmProgress>& frm) {
  if (!frm.isNull() && !ui::Unload(frm.data())) delete frm.data();
  frm = nullptr;
  ui::SetScreenMousePointer(ui::vbDefault);
}

void clsSystem::WaitDlgTest() {
  QPointer<frmProgress> frm;
  try {
    const auto removeDlg = WaitDlgRemoveOnExit(frm);
    WaitDlgShow(frm, rt::App::ProductName(), QStringLiteral("Preparing Report. Please wait..."),
                true, false);
    constexpr int kSteps = 100000;
    for (int i = 1; i <= kSteps; ++i) {
      WaitDlgUpdate(frm, static_cast<int32_t>(std::lround(100.0 * i / kSteps)));
      QCoreApplication::processEvents();
    }
  } catch (...) {
    rt::TrapError();
    ShowError(QStringLiteral("clsSystem"));
  }
}

ProgressSteps::ProgressSteps(QString title, QString message)
    : title_(std::move(title)), message_(std::move(message)) {}

ProgressSteps::~ProgressSteps() {
  if (shown_) gSystem().WaitDlgRemove(dlg_);
}

bool ProgressSteps::Step(int64_t done, int64_t total) {
  constexpr int64_t kStride = 100;
  clsSystem& sys = gSystem();
  if (!shown_) {
    shown_ = true;
    sys.WaitDlgShow(dlg_, title_, message_, true, true);
  } else if (std::abs(done - pumpedAt_) < kStride) {
    return dlg_.isNull() || !dlg_->Cancelled();
  }
  pumpedAt_ = done;
  if (total > 0) sys.WaitDlgUpdate(dlg_, static_cast<int32_t>(done * 100 / total));
  QCoreApplication::processEvents();
  return dlg_.isNull() || !dlg_->Cancelled();
}

QString clsSystem::HelpFilename() const { return ui::HelpContentsPath(); }

bool clsSystem::ShowHelpContents() {
  ui::ShowHelp(0);
  return false;
}

bool clsSystem::ShowHelpTopic(int32_t nTopicID) {
  ui::ShowHelp(nTopicID);
  return false;
}

bool clsSystem::ShowHelpTopicPopup(int32_t nTopicID) { return ShowHelpTopic(nTopicID); }

bool clsSystem::KeyPressedCtrlE(int16_t KeyCode, int16_t Shift) const {
  constexpr int16_t kCtrlMask = 2;
  constexpr int16_t kKeyE = 69;
  return (Shift & kCtrlMask) != 0 && KeyCode == kKeyE;
}
