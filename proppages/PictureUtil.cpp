#include "proppages/PictureUtil.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <array>

#include "platform/ui/Colors.h"

namespace qvp {

namespace {

constexpr uint32_t kSystemColorBit = 0x80000000u;
constexpr uint32_t kBtnShadow = 16, kBtnHighlight = 20, kWindowText = 8, kWindow = 5,
                   kActiveCaption = 2, kInactiveCaption = 3;

int ScreenDpi(bool vertical) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 96;
  return static_cast<int>(vertical ? screen->logicalDotsPerInchY() : screen->logicalDotsPerInchX());
}

// The key index of an indexed image: the first table entry of the key colour, or -1.
int KeyIndex(const QImage& image, QRgb key) {
  const Palette table = image.colorTable();
  for (qsizetype i = 0; i < table.size(); ++i)
    if ((table[i] & 0xFFFFFF) == (key & 0xFFFFFF)) return static_cast<int>(i);
  return -1;
}

// Tells key pixels of one image: by index for indexed images, else by colour.
class KeyTest {
 public:
  KeyTest(const QImage& image, QRgb key, bool cornerKey) : image_(image), indexed_(image.colorCount() > 0) {
    if (cornerKey) {
      key_ = indexed_ ? static_cast<uint>(image.pixelIndex(0, image.height() - 1))
                      : image.pixel(0, image.height() - 1) & 0xFFFFFF;
      active_ = true;
    } else if (indexed_) {
      const int index = KeyIndex(image, key);
      active_ = index >= 0;
      key_ = static_cast<uint>(index);
    } else {
      key_ = key & 0xFFFFFF;
      active_ = true;
    }
  }
  bool IsKey(int x, int y) const {
    if (!active_) return false;
    return indexed_ ? static_cast<uint>(image_.pixelIndex(x, y)) == key_ : (image_.pixel(x, y) & 0xFFFFFF) == key_;
  }

 private:
  const QImage& image_;
  bool indexed_;
  bool active_ = false;
  uint key_ = 0;
};

// The frame as its own image, scaled to size when one is given; null when refused.
QImage FrameImage(const QImage& picture, int index, int count, bool vertical, std::optional<QSize> size) {
  if (picture.isNull()) return {};
  const auto rect = FrameRect(picture.size(), index, count, vertical);
  if (!rect) return {};
  QImage frame = picture.copy(*rect);
  if (size && size->isValid() && !size->isEmpty() && *size != frame.size())
    frame = frame.scaled(*size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  return frame;
}

}  // namespace

std::optional<ColorRef> SystemColor(uint32_t index) {
  using R = QPalette::ColorRole;
  constexpr int kUnknown = -1;
  constexpr int kDisabledText = -2;
  constexpr int kDisabledWindowText = -3;
  static constexpr std::array<int, 31> kRoles = {
      R::Button,      R::Window,          R::Highlight, R::Mid,         R::Window,
      R::Base,        R::WindowText,      R::WindowText, R::Text,       R::HighlightedText,
      R::Button,      R::Button,          R::Dark,      R::Highlight,   R::HighlightedText,
      R::Button,      R::Dark,            kDisabledText, R::ButtonText, kDisabledWindowText,
      R::Light,       R::Shadow,          R::Midlight,  R::ToolTipText, R::ToolTipBase,
      kUnknown,       R::Link,            R::Highlight, R::Mid,         R::Highlight,
      R::Window};
  if (index >= kRoles.size() || kRoles[index] == kUnknown) return std::nullopt;
  const QPalette palette = QGuiApplication::palette();
  const int role = kRoles[index];
  QColor c;
  if (role == kDisabledText)
    c = palette.color(QPalette::Disabled, QPalette::Text);
  else if (role == kDisabledWindowText)
    c = palette.color(QPalette::Disabled, QPalette::WindowText);
  else
    c = palette.color(QPalette::Active, static_cast<QPalette::ColorRole>(role));
  return ui::BgrFromColor(c);
}

ColorRef TranslateOleColor(uint32_t oleColor, const SysColorLookup& lookup) {
  if (!(oleColor & kSystemColorBit)) return oleColor;
  const uint32_t index = oleColor & 0xFFFFFF;
  if (const auto c = lookup(index)) return *c;
  uint32_t fallback = 0;
  switch (index) {
    case 21: fallback = kBtnShadow; break;
    case 22: fallback = kBtnHighlight; break;
    case 23: fallback = kWindowText; break;
    case 24: fallback = kWindow; break;
    case 26: return 0xFF0000;
    case 27: fallback = kActiveCaption; break;
    case 28: fallback = kInactiveCaption; break;
    default: return 0;
  }
  return lookup(fallback).value_or(0);
}

int HimetricToPixels(int64_t length, int pixelsPerInch) {
  return static_cast<int>((length * pixelsPerInch + 1270) / 2540);
}

int HimetricToPixelsX(int64_t length) {
  static const int dpi = ScreenDpi(false);
  return HimetricToPixels(length, dpi);
}

int HimetricToPixelsY(int64_t length) {
  static const int dpi = ScreenDpi(true);
  return HimetricToPixels(length, dpi);
}

bool IsPngFileName(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 && fileName.mid(dot + 1).compare(QLatin1String("PNG"), Qt::CaseInsensitive) == 0;
}

std::optional<QRect> FrameRect(QSize size, int index, int count, bool vertical) {
  const int length = vertical ? size.height() : size.width();
  if (count < 1 || count > length || index < 0 || index >= count) return std::nullopt;
  const int frame = length / count;
  if (vertical) return QRect(0, index * frame, size.width(), frame);
  return QRect(index * frame, 0, frame, size.height());
}

std::vector<QImage> SplitFrames(const QImage& strip, int count) {
  std::vector<QImage> frames;
  if (strip.isNull() || !FrameRect(strip.size(), 0, count)) return frames;
  for (int i = 0; i < count; ++i) frames.push_back(strip.copy(*FrameRect(strip.size(), i, count)));
  return frames;
}

QImage JoinFrames(const std::vector<QImage>& frames, QRgb background) {
  if (frames.empty() || frames.front().isNull()) return {};
  const QSize cell = frames.front().size();
  QImage out(cell.width() * static_cast<int>(frames.size()), cell.height(), QImage::Format_RGB32);
  if (out.isNull()) return {};
  out.fill(background);
  QPainter painter(&out);
  for (size_t i = 0; i < frames.size(); ++i)
    if (!frames[i].isNull())
      painter.drawImage(QRect(QPoint(static_cast<int>(i) * cell.width(), 0), cell), frames[i]);
  return out;
}

SegmentedImport ImportSegmentedBitmap(const QImage& bitmap, int count, std::vector<QImage>* frames) {
  frames->clear();
  if (bitmap.isNull()) return SegmentedImport::kUnreadable;
  if (count < 1) return SegmentedImport::kBadCount;
  if (bitmap.width() / 2 < count) return SegmentedImport::kTooManyFrames;
  *frames = SplitFrames(bitmap, count);
  return SegmentedImport::kOk;
}

DibWriteResult ExportSegmentedBitmap(const QImage& composite, const Palette* palette, const QString& path) {
  return WriteDibFile(BitmapToPackedDib(composite, palette, 0), path);
}

QImage MakeKeyMask(const QImage& image, QRgb key) {
  if (image.isNull()) return {};
  QImage mask(image.size(), QImage::Format_Mono);
  mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mask.fill(0);
  const KeyTest test(image, key, false);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (test.IsKey(x, y)) mask.setPixel(x, y, 1);
  return mask;
}

QRegion CreateRegionFromBitmap(const QImage& picture, QRgb key, std::optional<QSize> size, int frameIndex,
                               int frameCount, bool vertical, bool cornerKey) {
  const QImage frame = FrameImage(picture, frameIndex, frameCount, vertical, size);
  if (frame.isNull()) return {};
  const KeyTest test(frame, key, cornerKey);
  std::vector<QRect> rects;
  size_t previousStart = 0;  // the previous row's runs are rects[previousStart, end)
  size_t previousCount = 0;
  for (int y = 0; y < frame.height(); ++y) {
    const size_t start = rects.size();
    for (int x = 0; x < frame.width();) {
      if (test.IsKey(x, y)) {
        ++x;
        continue;
      }
      const int left = x;
      while (x < frame.width() && !test.IsKey(x, y)) ++x;
      rects.emplace_back(left, y, x - left, 1);
    }
    const size_t count = rects.size() - start;
    bool same = count > 0 && count == previousCount;
    for (size_t i = 0; same && i < count; ++i)
      same = rects[start + i].left() == rects[previousStart + i].left() &&
             rects[start + i].right() == rects[previousStart + i].right();
    if (same) {
      rects.resize(start);
      for (size_t i = 0; i < count; ++i) rects[previousStart + i].setBottom(y);
    } else {
      previousStart = start;
      previousCount = count;
    }
  }
  QRegion region;
  region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

bool DrawPictureEx(QPainter& painter, const QImage& picture, const DrawPictureArgs& a) {
  if (picture.isNull()) return false;
  const auto frameRect = FrameRect(picture.size(), a.frameIndex, a.frameCount, a.vertical);
  if (!frameRect) return false;
  const QRect& place = a.useDest ? a.dest : a.item;
  const QRect target(place.topLeft() + a.inset, a.useDest ? a.dest.size() : frameRect->size());
  if (target.isEmpty()) return false;

  painter.save();
  if (a.clip) painter.setClipRect(target, Qt::IntersectClip);
  const bool useRegion = a.transparent && a.cachedRegion;
  if (useRegion) {
    if (a.cachedRegion->isEmpty())
      *a.cachedRegion =
          CreateRegionFromBitmap(picture, a.key, a.useDest ? std::optional<QSize>(target.size()) : std::nullopt,
                                 a.frameIndex, a.frameCount, a.vertical, a.cornerKey);
    painter.setClipRegion(a.cachedRegion->translated(target.topLeft() - a.regionOrigin), Qt::IntersectClip);
  }

  const QImage scaled = picture.copy(*frameRect).scaled(target.size());
  const bool masked = a.transparent && !a.cachedRegion;
  const QImage mask = masked ? MakeKeyMask(scaled, a.key) : QImage();
  QImage cell = scaled.convertToFormat(QImage::Format_ARGB32);
  static const QImage halftone = MakeHalftoneBitmap();
  for (int y = 0; y < cell.height(); ++y) {
    auto* px = reinterpret_cast<QRgb*>(cell.scanLine(y));
    for (int x = 0; x < cell.width(); ++x) {
      const bool key = masked && mask.pixelIndex(x, y) == 1;
      if (key) {
        px[x] = 0;
        continue;
      }
      if (masked && a.style == 2) px[x] = qRgb(255 - qRed(px[x]), 255 - qGreen(px[x]), 255 - qBlue(px[x]));
      // The halftone's black pixels turn the picture white.
      if (a.style == 1 && halftone.pixelIndex(x % 8, y % 8) == 1) px[x] = qRgb(255, 255, 255);
    }
  }
  painter.drawImage(target, cell);
  if (!masked && a.style == 2) {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(a.item, Qt::white);
  }
  painter.restore();
  return true;
}

}  // namespace qvp
