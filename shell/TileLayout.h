#pragma once
// Where tiling puts the MDI area's child windows: plain geometry, no widgets.

#include <QRect>
#include <QSize>
#include <vector>

namespace shell {

// The tiles of windows whose frames need at least `least` (both in the windows' order)
// in an area of `room`. Horizontally the windows are rows one below the other,
// vertically columns side by side. Where one band of them cannot give each window its
// minimum, they go into the fewest bands that can (columns of rows, or rows of
// columns), the fewest windows in the fullest band, the earlier bands the fuller; where
// no bands of that direction can, the bands of the other direction that can; only
// where even a band per window cannot, the tiles run past the room and leave
// `scrollBar` pixels for the area's scroll bar. A window needing more than an even
// share gets what it needs, the others share the rest; no tile overlaps another.
std::vector<QRect> LayOutTiles(QSize room, const std::vector<QSize>& least, bool horizontally, int scrollBar);

}  // namespace shell
