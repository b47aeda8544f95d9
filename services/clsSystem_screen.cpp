// clsSystem: screen measures and shell launching.

#include "platform/runtime/App.h"
#include "platform/runtime/Convert.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Shell.h"
#include "services/clsSystem.h"
#include "services/mdlHelper.h"

namespace {

void WarnUnless(int shellResult, const QString& text) {
  if (!ui::ShellSucceeded(shellResult)) {
    ui::MsgBox(text, ui::vbExclamation | ui::vbOKOnly, rt::App::ProductName());
  }
}

QString NoApplicationMessage(const QString& name) {
  return QStringLiteral("Unable to launch '") + name +
         QStringLiteral("'! No application may be associated with this file type.");
}

}  // namespace

int16_t clsSystem::ScreenWidthPix() const { return mdlHelper::HlpScreenWidthPix(); }

int16_t clsSystem::ScreenHeightPix() const {
  const double twips = rt::RoundHalfEven(ui::ScreenHeightTwips());
  return rt::CInt(twips * (1.0 / ui::TwipsPerPixelY()));
}

bool clsSystem::IsLowRes() const { return ScreenWidthPix() < 800; }

double clsSystem::Pix2TwipsX(int32_t nNumPix) const { return ui::PixelsToTwipsX(nNumPix); }
double clsSystem::Pix2TwipsY(int32_t nNumPix) const { return ui::PixelsToTwipsY(nNumPix); }
double clsSystem::Twips2PixX(int32_t nTwips) const { return ui::TwipsToPixelsX(nTwips); }
double clsSystem::Twips2PixY(int32_t nTwips) const { return ui::TwipsToPixelsY(nTwips); }

QString clsSystem::cDvWebsite() const { return QStringLiteral("https://www.dornvale.com/"); }

void clsSystem::ShowFolder(const QString& sFolder) {
  WarnUnless(mdlHelper::ShellOpen(sFolder),
             QStringLiteral("Unable to open folder '") + sFolder + QLatin1Char('\''));
}

void clsSystem::GotoWebsite(const QString& sWebSite) {
  WarnUnless(mdlHelper::ShellOpen(sWebSite), NoApplicationMessage(sWebSite));
}

void clsSystem::LaunchFile(const QString& sFilepath, const QString& sShowName,
                           const QString& cmdLineParams) {
  WarnUnless(mdlHelper::ShellOpen(sFilepath, cmdLineParams),
             NoApplicationMessage(sShowName.isEmpty() ? sFilepath : sShowName));
}

void clsSystem::SendEmail(const QString& sEmailAddress) {
  mdlHelper::ShellOpen(QStringLiteral("mailto:") + sEmailAddress);
}

void clsSystem::GotoDVWebsite() { GotoWebsite(cDvWebsite()); }
