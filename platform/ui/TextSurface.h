#pragma once
// TextSurface: anything that can measure the width of a text as it would draw it (a
// printer page, a window), in its own units. clsSystem::TrimTextToFit cuts texts to
// a width through it.

#include <QString>

namespace ui {

class TextSurface {
 public:
  virtual ~TextSurface() = default;
  virtual double TextWidth(const QString& text) const = 0;
};

}  // namespace ui
