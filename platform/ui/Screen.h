#pragma once
// Screen metrics and the one pixel/twips conversion of the program
// (twips = pixels x 1440 / logical DPI). Production reads the primary screen;
// tests install a fixed screen with SetScreen.

#include <QRect>
#include <memory>

namespace ui {

struct ScreenMetrics {
  int widthPx = 1024;
  int heightPx = 768;
  double logicalDpiX = 96.0;
  double logicalDpiY = 96.0;
  // The part not taken by panels and task bars; 0 means the whole screen.
  int availableWidthPx = 0;
  int availableHeightPx = 0;
  // Where the available part starts (a panel along the top or left moves it).
  int availableLeftPx = 0;
  int availableTopPx = 0;
};

class Screen {
 public:
  virtual ~Screen() = default;
  virtual ScreenMetrics Metrics() const = 0;
};

// The installed screen (the primary screen unless a test installed another).
const Screen& CurrentScreen();
// Installs a screen; nullptr restores the primary screen.
void SetScreen(std::unique_ptr<Screen> screen);

// A screen with fixed metrics, for tests.
class FixedScreen : public Screen {
 public:
  explicit FixedScreen(ScreenMetrics m) : m_(m) {}
  ScreenMetrics Metrics() const override { return m_; }

 private:
  ScreenMetrics m_;
};

// Installs a FixedScreen for the lifetime of the object, then the primary screen again.
class ScopedScreen {
 public:
  explicit ScopedScreen(ScreenMetrics m) { SetScreen(std::make_unique<FixedScreen>(m)); }
  ~ScopedScreen() { SetScreen(nullptr); }
  ScopedScreen(const ScopedScreen&) = delete;
  ScopedScreen& operator=(const ScopedScreen&) = delete;
};

// The available part of the installed screen, in pixels.
int AvailableScreenWidth();
int AvailableScreenHeight();
// The available part as a rectangle in screen coordinates.
QRect AvailableScreenArea();

double TwipsPerPixelX();
double TwipsPerPixelY();
double PixelsToTwipsX(double px);
double PixelsToTwipsY(double px);
double TwipsToPixelsX(double twips);
double TwipsToPixelsY(double twips);
double ScreenWidthTwips();
double ScreenHeightTwips();

}  // namespace ui
