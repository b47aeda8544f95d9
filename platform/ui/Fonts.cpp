#include "platform/ui/Fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <algorithm>

namespace ui {

namespace {

// Smaller screen fonts are hard to read.
constexpr double kSmallestReadablePoints = 8.0;

}  // namespace

QFont MapFont(const QString& family, double pointSize) {
  const QString key = family.trimmed().toLower();
  QFont font;
  if (key == QLatin1String("courier new") || key == QLatin1String("courier") ||
      key == QLatin1String("fixedsys") || key == QLatin1String("lucida console")) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
  } else if (key == QLatin1String("small fonts")) {
    font = QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont);
    pointSize = std::max(pointSize, kSmallestReadablePoints);
  } else if (key.isEmpty() || key == QLatin1String("ms sans serif") ||
             key == QLatin1String("ms shell dlg") || key == QLatin1String("tahoma") ||
             key == QLatin1String("verdana")) {
    font = QApplication::font();
  } else if (key == QLatin1String("arial black")) {
    // A heavy display face, seldom installed: the application's face at its heaviest.
    font = QApplication::font();
    font.setWeight(QFont::Black);
  } else {
    font = QFont(family);
  }
  if (pointSize > 0) font.setPointSizeF(pointSize);
  return font;
}

}  // namespace ui
