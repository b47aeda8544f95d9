#include "platform/ui/Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {
namespace {

class PrimaryScreen : public Screen {
 public:
  ScreenMetrics Metrics() const override {
    ScreenMetrics m;
    if (QScreen* s = QGuiApplication::primaryScreen()) {
      m.widthPx = s->geometry().width();
      m.heightPx = s->geometry().height();
      m.availableWidthPx = s->availableGeometry().width();
      m.availableHeightPx = s->availableGeometry().height();
      m.availableLeftPx = s->availableGeometry().x();
      m.availableTopPx = s->availableGeometry().y();
      m.logicalDpiX = s->logicalDotsPerInchX() > 0 ? s->logicalDotsPerInchX() : 96.0;
      m.logicalDpiY = s->logicalDotsPerInchY() > 0 ? s->logicalDotsPerInchY() : 96.0;
    }
    return m;
  }
};

std::unique_ptr<Screen>& Installed() {
  static std::unique_ptr<Screen> screen;
  return screen;
}

}  // namespace

const Screen& CurrentScreen() {
  static PrimaryScreen primary;
  return Installed() ? *Installed() : primary;
}

void SetScreen(std::unique_ptr<Screen> screen) { Installed() = std::move(screen); }

int AvailableScreenWidth() {
  const ScreenMetrics m = CurrentScreen().Metrics();
  return m.availableWidthPx > 0 ? m.availableWidthPx : m.widthPx;
}

int AvailableScreenHeight() {
  const ScreenMetrics m = CurrentScreen().Metrics();
  return m.availableHeightPx > 0 ? m.availableHeightPx : m.heightPx;
}

QRect AvailableScreenArea() {
  const ScreenMetrics m = CurrentScreen().Metrics();
  return QRect(m.availableLeftPx, m.availableTopPx, AvailableScreenWidth(), AvailableScreenHeight());
}

double TwipsPerPixelX() { return 1440.0 / CurrentScreen().Metrics().logicalDpiX; }
double TwipsPerPixelY() { return 1440.0 / CurrentScreen().Metrics().logicalDpiY; }
double PixelsToTwipsX(double px) { return px * TwipsPerPixelX(); }
double PixelsToTwipsY(double px) { return px * TwipsPerPixelY(); }
double TwipsToPixelsX(double twips) { return twips / TwipsPerPixelX(); }
double TwipsToPixelsY(double twips) { return twips / TwipsPerPixelY(); }
double ScreenWidthTwips() { return PixelsToTwipsX(CurrentScreen().Metrics().widthPx); }
double ScreenHeightTwips() { return PixelsToTwipsY(CurrentScreen().Metrics().heightPx); }

}  // namespace ui
