#pragma once
// Colours as the program stores and passes them: 0x00BBGGRR (red in the low byte).

#include <QColor>
#include <cstdint>

namespace ui {

inline QColor ColorFromBgr(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

inline uint32_t BgrFromColor(const QColor& color) {
  return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
         (static_cast<uint32_t>(color.blue()) << 16);
}

}  // namespace ui
