#include "services/clsWndStartupPos.h"

#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/runtime/Convert.h"
#include "platform/ui/Placement.h"
#include "platform/ui/Screen.h"
#include "services/mdlRegistry.h"

namespace {

constexpr int32_t kStateNormal = 0;
constexpr int32_t kStateMaximized = 2;

int32_t WholeTwips(double twips) {
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(rt::RoundHalfEven(twips), lo, hi));
}

int Pixels(double px) { return static_cast<int>(std::lround(px)); }

}  // namespace

void clsWndStartupPos::SavePosition(QWidget& FormObj) {
  const Qt::WindowStates state = FormObj.windowState();
  if (state & Qt::WindowMinimized) return;
  // Only a place on the screen is kept: a frame partly off it is moved (and shrunk) in.
  const QRect outer = FormObj.geometry().marginsAdded(ui::FrameOf(FormObj));
  const QRect inside = ui::InsideArea(outer, ui::AvailableScreenArea());
  const QSize client = FormObj.size() - (outer.size() - inside.size());
  SetValueLong(QStringLiteral("top"), WholeTwips(ui::PixelsToTwipsY(inside.y())));
  SetValueLong(QStringLiteral("left"), WholeTwips(ui::PixelsToTwipsX(inside.x())));
  SetValueLong(QStringLiteral("width"), WholeTwips(ui::PixelsToTwipsX(client.width())));
  SetValueLong(QStringLiteral("height"), WholeTwips(ui::PixelsToTwipsY(client.height())));
  SetValueLong(QStringLiteral("windowstate"),
               state & Qt::WindowMaximized ? kStateMaximized : kStateNormal);
}

void clsWndStartupPos::RestorePosition(QWidget& FormObj) {
  const int32_t top = GetValueLong(QStringLiteral("top"));
  const int32_t left = GetValueLong(QStringLiteral("left"));
  const int32_t width = GetValueLong(QStringLiteral("width"));
  const int32_t height = GetValueLong(QStringLiteral("height"));
  const int32_t state = GetValueLong(QStringLiteral("windowstate"));

  if (state == kStateMaximized || width < 1 || height < 1 || left < 0 || top < 0 ||
      left > ui::ScreenWidthTwips() || top > ui::ScreenHeightTwips()) {
    ui::MaximizeInsideAvailableArea(FormObj);
    return;
  }
  const QSize size(Pixels(ui::TwipsToPixelsX(width)), Pixels(ui::TwipsToPixelsY(height)));
  // A window whose frame does not fit in the screen's free area uses all of it.
  const QSize outer = size.grownBy(ui::FrameOf(FormObj));
  const QSize room = ui::AvailableScreenArea().size();
  if (outer.width() > room.width() || outer.height() > room.height()) {
    ui::MaximizeInsideAvailableArea(FormObj);
    return;
  }
  FormObj.move(Pixels(ui::TwipsToPixelsX(left)), Pixels(ui::TwipsToPixelsY(top)));
  FormObj.resize(size);
  FormObj.setWindowState(FormObj.windowState() &
                         ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

int32_t clsWndStartupPos::GetValueLong(const QString& valueName) {
  return mdlRegistry::PrefGetLong(valueName);
}

bool clsWndStartupPos::SetValueLong(const QString& valueName, int32_t value) {
  return mdlRegistry::RegSaveString(QString::fromLatin1(mdlRegistry::kPrefKey),
                                    QString::number(value), valueName);
}
