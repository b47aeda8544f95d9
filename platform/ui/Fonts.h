#pragma once
// Fonts named as on the original platform ("Courier New", "MS Sans Serif", ...)
// mapped to fonts installed here. The one place such names are translated.

#include <QFont>
#include <QString>

namespace ui {

// A font for `family` at `pointSize`: a fixed-pitch family ("Courier New", "Courier")
// maps to the installed fixed-pitch font, the classic dialog faces to the application
// font; other names are used as they are, with Qt's fallback.
QFont MapFont(const QString& family, double pointSize);

}  // namespace ui
