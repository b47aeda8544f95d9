#pragma once
// The font dialog of font rows: the platform's font chooser (QFontDialog, run through
// the modal runner) titled "Font", named "182", started from the row's font with its
// effects (strikeout, underline).

#include <QFont>
#include <optional>

class QWidget;

namespace qvp {

// The chosen font after OK; nothing after Cancel.
std::optional<QFont> ChooseFont(const QFont& initial, QWidget* owner);

}  // namespace qvp
