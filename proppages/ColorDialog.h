#pragma once
// The colour dialog "Edit Color" of colour rows: a colour set (standard or system
// colours) in combo box 1001, its colours as swatches in list box 1002 sorted by
// label, with "<Custom...>" first, and button 1003 for the custom colour chooser
// (QColorDialog, run through the modal runner). Controls carry their ids as objectName;
// the dialog is "107". A swatch entry is kSwatchHeight high, or the font's height where
// that is taller, so labels are never cut. The 16 CustomColors() are copied into the
// chooser's table and back out of it.

#include <QString>
#include <array>
#include <vector>

#include "platform/com/Types.h"
#include "proppages/PictureUtil.h"

class QWidget;

namespace qvp {

struct ColorEntry {
  const char* label;
  OLE_COLOR color;
};

// The sets in combo order: "Standard Colors", then "Windows System Colors".
struct ColorSet {
  const char* name;
  std::vector<ColorEntry> entries;  // without "<Custom...>"
};
const std::array<ColorSet, 2>& ColorSets();

// The custom colours of the chooser, shared by every colour dialog; all white at load.
std::array<ColorRef, 16>& CustomColors();

class CColorDialog {
 public:
  static constexpr int kSwatchWidth = 16;
  static constexpr int kSwatchHeight = 16;

  CColorDialog() = default;
  virtual ~CColorDialog() = default;
  CColorDialog(const CColorDialog&) = delete;
  CColorDialog& operator=(const CColorDialog&) = delete;

  // Shows the dialog modally over `owner`: 1 with `color` holding the choice (OK), 0
  // with it unchanged (Cancel).
  int Run(QWidget* owner);

  OLE_COLOR color = 0;  // the input and, after OK, the result

 private:
  class Window;
};

}  // namespace qvp
