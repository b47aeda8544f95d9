#pragma once
// Fonts named as on the original platform ("Courier New", "MS Sans Serif", ...)
// mapped to fonts installed here. The one place such names are translated.

#include <QFont>
#include <QString>

namespace ui {

// A font for `family` at `pointSize`: a fixed-pitch family ("Courier New", "Courier")
// maps to the installed fixed-pitch font, "Small Fonts" to the platform's small face at
// 8 points or more, the classic dialog faces ("MS Sans Serif", "Tahoma", "Verdana") to
// the application font, "Arial Black" to the application font at its heaviest weight;
// other names are used as they are, with Qt's fallback. A size of 0 keeps the mapped
// font's own size.
QFont MapFont(const QString& family, double pointSize);

}  // namespace ui
