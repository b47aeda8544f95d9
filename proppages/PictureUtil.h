#pragma once
// Picture helpers of the property pages library on QImage: OLE colours and HIMETRIC
// lengths, frames of a picture strip (segmented bitmaps: equal frames side by side),
// transparency by a key colour, regions of non-key pixels, and frame drawing.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "proppages/Dib.h"

namespace qvp {

// A colour as 0x00BBGGRR.
using ColorRef = uint32_t;

// The system colours the pages fill with, as OLE colours.
inline constexpr uint32_t kOleMenuColor = 0x80000004;
inline constexpr uint32_t kOleButtonFace = 0x8000000F;

// The colour of a system colour index, nothing for an index the system does not know.
using SysColorLookup = std::function<std::optional<ColorRef>(uint32_t index)>;
// System colours from the application's palette (indexes 0 to 30 except 25).
std::optional<ColorRef> SystemColor(uint32_t index);
// A value without the high bit unchanged; otherwise the system colour of the low 24
// bits, with fallbacks for indexes the system does not know (26 is blue), else 0.
ColorRef TranslateOleColor(uint32_t oleColor, const SysColorLookup& lookup = SystemColor);

// (length × pixels per inch + 1270) / 2540; the X and Y forms use the screen's
// resolution, read once.
int HimetricToPixels(int64_t length, int pixelsPerInch);
int HimetricToPixelsX(int64_t length);
int HimetricToPixelsY(int64_t length);

// Whether the text after the file name's last dot is "PNG" in any case.
bool IsPngFileName(const QString& fileName);

// Frame `index` of `count` equal frames side by side (stacked when vertical) in a
// picture of the given size; frames share the width (height) rounded down, the
// remainder is never part of a frame. Nothing for a count below 1 or above the width
// (height), or an index outside 0 to count − 1.
std::optional<QRect> FrameRect(QSize size, int index, int count, bool vertical = false);
// All frames of a segmented bitmap; empty when FrameRect refuses the count.
std::vector<QImage> SplitFrames(const QImage& strip, int count);
// The frames side by side, each drawn scaled into a cell of the first frame's size on
// the background; null without frames or with an empty first frame.
QImage JoinFrames(const std::vector<QImage>& frames, QRgb background);

enum class SegmentedImport { kOk, kUnreadable, kBadCount, kTooManyFrames };
// Cuts a bitmap read from a segmented bitmap file into `count` frames: the count must
// be at least 1 and at most half the width (two pixels per frame).
SegmentedImport ImportSegmentedBitmap(const QImage& bitmap, int count, std::vector<QImage>* frames);
// Writes the composite of the frames as a segmented bitmap file of the image's depth.
DibWriteResult ExportSegmentedBitmap(const QImage& composite, const Palette* palette, const QString& path);

// A 1-bit mask of the image: 1 where the pixel has the key colour, else 0.
QImage MakeKeyMask(const QImage& image, QRgb key);

// The region of a frame's non-key pixels: rows from the top, each maximal run of
// non-key pixels one rectangle, identical runs of consecutive rows merged. Indexed
// images compare indexes: the key is the first table entry with the key colour (none:
// nothing is transparent). With cornerKey the key is the bottom-left pixel instead.
// The frame is scaled to `size` when one is given. Empty when every pixel is key or
// the frame is refused.
QRegion CreateRegionFromBitmap(const QImage& picture, QRgb key, std::optional<QSize> size, int frameIndex,
                               int frameCount, bool vertical, bool cornerKey);

struct DrawPictureArgs {
  QRect item;                // the item's rectangle
  QRect dest;                // used with useDest
  QPoint inset;              // added to the position
  bool useDest = false;      // stretch to dest, else draw at frame size in item
  bool clip = false;         // clip to the destination
  bool transparent = false;  // pixels of the key colour show the background
  QRgb key = 0;
  int style = 0;             // 0 normal, 1 disabled (checkerboard of white), 2 inverted
  int frameIndex = 0;
  int frameCount = 1;
  bool vertical = false;
  QRegion* cachedRegion = nullptr;  // with transparent: the drawing is clipped to it
  QPoint regionOrigin;
  bool cornerKey = false;
};
// Draws one frame of the picture; false when nothing was drawn (no picture, or a frame
// the strip does not have).
bool DrawPictureEx(QPainter& painter, const QImage& picture, const DrawPictureArgs& args);

}  // namespace qvp
