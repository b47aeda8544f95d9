#include "proppages/PictureUtil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <map>
#include <vector>

#include "platform/ui/Colors.h"
#include "tests/proppages/PageTestUtil.h"
#include "tests/proppages/PngTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using pngtest::SamePixels;
constexpr auto Filled = test::Solid;

// Three frames of 30 × 4, each one colour: red, green, blue.
QImage ThreeFrames() {
  QImage img(90, 4, QImage::Format_RGB32);
  for (int x = 0; x < 90; ++x)
    for (int y = 0; y < 4; ++y)
      img.setPixel(x, y, x < 30 ? qRgb(255, 0, 0) : (x < 60 ? qRgb(0, 255, 0) : qRgb(0, 0, 255)));
  return img;
}

TEST(PictureUtil, TranslateOleColor) {
  const std::map<uint32_t, ColorRef> system = {{5, 0xFFFFFF}, {16, 0x808080}, {2, 0x112233}, {26, 0x00AA00}};
  const SysColorLookup full = [&](uint32_t i) -> std::optional<ColorRef> {
    const auto it = system.find(i);
    return it == system.end() ? std::nullopt : std::optional<ColorRef>(it->second);
  };
  const SysColorLookup without26 = [&](uint32_t i) { return i == 26 ? std::nullopt : full(i); };
  struct Case {
    uint32_t ole;
    const SysColorLookup* lookup;
    ColorRef expected;
  };
  const std::vector<Case> cases = {
      {0x000000FF, &full, 0x0000FF},      {0x00123456, &full, 0x123456},   {0x80000005, &full, 0xFFFFFF},
      {0x8000001A, &full, 0x00AA00},      {0x8000001A, &without26, 0xFF0000},
      {0x80000015, &full, 0x808080},      // unknown 21: the button shadow
      {0x8000001B, &full, 0x112233},      // unknown 27: the active caption
      {0x8000001F, &full, 0},             {0x80000007, &full, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateOleColor(c.ole, *c.lookup), c.expected) << std::hex << c.ole;

  const QColor window = QGuiApplication::palette().color(QPalette::Active, QPalette::Base);
  EXPECT_EQ(TranslateOleColor(0x80000005), ui::BgrFromColor(window));
  EXPECT_FALSE(SystemColor(25));
  EXPECT_FALSE(SystemColor(31));
}

TEST(PictureUtil, HimetricAndFileNames) {
  EXPECT_EQ(HimetricToPixels(2540, 96), 96);
  EXPECT_EQ(HimetricToPixels(1, 96), 0);
  EXPECT_EQ(HimetricToPixels(27, 96), 1);
  EXPECT_EQ(HimetricToPixels(1270, 120), 60);
  struct Case {
    const char* name;
    bool png;
  };
  for (const Case& c : std::vector<Case>{{"a.png", true}, {"A.PNG", true}, {"dir.x/b.Png", true},
                                         {"a.png.bak", false}, {"png", false}, {"a.pn", false},
                                         {"a.", false}, {"", false}})
    EXPECT_EQ(IsPngFileName(QString::fromLatin1(c.name)), c.png) << c.name;
}

TEST(PictureUtil, FrameRects) {
  struct Case {
    QSize size;
    int index;
    int count;
    bool vertical;
    std::optional<QRect> expected;
  };
  const std::vector<Case> cases = {
      {{90, 4}, 2, 3, false, QRect(60, 0, 30, 4)},
      {{90, 4}, 0, 1, false, QRect(0, 0, 90, 4)},
      {{92, 4}, 2, 3, false, QRect(60, 0, 30, 4)},  // remainder columns belong to no frame
      {{90, 4}, 3, 3, false, std::nullopt},          // index equal to the count
      {{90, 4}, 4, 3, false, std::nullopt},
      {{90, 4}, -1, 3, false, std::nullopt},
      {{90, 4}, 0, 0, false, std::nullopt},
      {{90, 4}, 0, -2, false, std::nullopt},
      {{90, 4}, 0, 91, false, std::nullopt},          // frames narrower than a pixel
      {{90, 4}, 89, 90, false, QRect(89, 0, 1, 4)},
      {{0, 0}, 0, 1, false, std::nullopt},            // empty picture
      {{4, 90}, 1, 3, true, QRect(0, 30, 4, 30)},
      {{4, 90}, 0, 5, false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size.width() << "x" << c.size.height() << " " << c.index << "/" << c.count);
    EXPECT_EQ(FrameRect(c.size, c.index, c.count, c.vertical), c.expected);
  }
}

TEST(PictureUtil, SegmentedBitmapsSplitJoinAndExport) {
  struct Case {
    const char* name;
    QImage bitmap;
    int count;
    SegmentedImport result;
    int frameWidth;
  };
  const std::vector<Case> cases = {
      {"20 pixels as 10 frames", Filled(20, 3, qRgb(1, 2, 3)), 10, SegmentedImport::kOk, 2},
      {"20 pixels as 11 frames", Filled(20, 3, qRgb(1, 2, 3)), 11, SegmentedImport::kTooManyFrames, 0},
      {"23 pixels as 5 frames", Filled(23, 3, qRgb(1, 2, 3)), 5, SegmentedImport::kOk, 4},
      {"no frames", Filled(20, 3, qRgb(1, 2, 3)), 0, SegmentedImport::kBadCount, 0},
      {"negative count", Filled(20, 3, qRgb(1, 2, 3)), -3, SegmentedImport::kBadCount, 0},
      {"no picture", QImage(), 1, SegmentedImport::kUnreadable, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<QImage> frames(1);
    EXPECT_EQ(ImportSegmentedBitmap(c.bitmap, c.count, &frames), c.result);
    EXPECT_EQ(frames.size(), c.result == SegmentedImport::kOk ? static_cast<size_t>(c.count) : 0u);
    for (const QImage& f : frames) EXPECT_EQ(f.size(), QSize(c.frameWidth, 3));
  }

  const std::vector<QImage> frames = SplitFrames(ThreeFrames(), 3);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[1].pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_TRUE(SamePixels(JoinFrames(frames, qRgb(9, 9, 9)), ThreeFrames()));
  // Later frames are scaled into the first one's cell.
  const QImage joined = JoinFrames({Filled(2, 5, qRgb(1, 1, 1)), Filled(7, 9, qRgb(2, 2, 2))}, 0);
  EXPECT_EQ(joined.size(), QSize(4, 5));
  EXPECT_EQ(joined.pixel(3, 4), qRgb(2, 2, 2));
  EXPECT_TRUE(JoinFrames({}, 0).isNull());
  EXPECT_TRUE(JoinFrames({QImage(), Filled(1, 1, 0)}, 0).isNull());
  EXPECT_TRUE(SplitFrames(QImage(), 1).empty());

  // Five frames of 2 × 5 export as a 10 × 5 24-bit file of 214 bytes and read back.
  std::vector<QImage> five;
  for (int i = 0; i < 5; ++i) five.push_back(Filled(2, 5, qRgb(40 * i, 10, 200 - i)));
  const QString path = testenv::NewTempDir() + "/anim.bmp";
  ASSERT_EQ(ExportSegmentedBitmap(JoinFrames(five, 0), nullptr, path), DibWriteResult::kWritten);
  EXPECT_EQ(QFile(path).size(), 214);
  std::vector<QImage> back;
  ASSERT_EQ(ImportSegmentedBitmap(LoadBitmapFile(path), 5, &back), SegmentedImport::kOk);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(SamePixels(back[i], five[i])) << i;
}

TEST(PictureUtil, RegionsOfNonKeyPixels) {
  const QRgb key = qRgb(255, 0, 255);
  // 6 × 4: rows 0-1 have a key column at x 2, rows 2-3 are all key but x 5.
  QImage rgb = Filled(6, 4, qRgb(0, 0, 0));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      if ((y < 2 && x == 2) || (y >= 2 && x != 5)) rgb.setPixel(x, y, key);
  QImage indexed(3, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(1, 1, 1), key, key});  // the second key entry is not transparent
  indexed.setPixel(0, 0, 1);
  indexed.setPixel(1, 0, 2);
  indexed.setPixel(2, 0, 0);
  QImage noKeyEntry = indexed;
  noKeyEntry.setColorTable({qRgb(1, 1, 1), qRgb(2, 2, 2), qRgb(3, 3, 3)});

  struct Case {
    const char* name;
    QImage picture;
    std::optional<QSize> size;
    int index;
    int count;
    bool cornerKey;
    std::vector<QRect> rects;
  };
  const std::vector<Case> cases = {
      {"runs merged down", rgb, std::nullopt, 0, 1, false,
       {QRect(0, 0, 2, 2), QRect(3, 0, 3, 2), QRect(5, 2, 1, 2)}},
      {"all key", Filled(4, 4, key), std::nullopt, 0, 1, false, {}},
      {"first key index only", indexed, std::nullopt, 0, 1, false, {QRect(1, 0, 2, 1)}},
      {"no key entry", noKeyEntry, std::nullopt, 0, 1, false, {QRect(0, 0, 3, 1)}},
      {"corner key", rgb, std::nullopt, 0, 1, true, {QRect(0, 0, 2, 2), QRect(3, 0, 3, 2), QRect(5, 2, 1, 2)}},
      {"second of three frames", rgb, std::nullopt, 1, 3, false, {QRect(1, 0, 1, 2)}},
      {"scaled", Filled(2, 2, qRgb(0, 0, 0)), QSize(5, 3), 0, 1, false, {QRect(0, 0, 5, 3)}},
      {"index out of range", rgb, std::nullopt, 3, 3, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QRegion region = CreateRegionFromBitmap(c.picture, key, c.size, c.index, c.count, false, c.cornerKey);
    QRegion expected;
    for (const QRect& r : c.rects) expected += r;
    EXPECT_EQ(region, expected);
  }
}

TEST(PictureUtil, DrawPictureEx) {
  const QRgb back = qRgb(10, 20, 30);
  const QRgb key = qRgb(0, 255, 0);
  struct Case {
    const char* name;
    DrawPictureArgs args;
    bool drawn;
    std::vector<std::pair<QPoint, QRgb>> pixels;
  };
  auto args = [](int index, bool transparent, int style) {
    DrawPictureArgs a;
    a.item = QRect(5, 5, 40, 10);
    a.frameIndex = index;
    a.frameCount = 3;
    a.transparent = transparent;
    a.key = qRgb(0, 255, 0);
    a.style = style;
    return a;
  };
  DrawPictureArgs stretched = args(2, false, 0);
  stretched.useDest = true;
  stretched.dest = QRect(0, 0, 60, 8);
  stretched.inset = QPoint(1, 1);
  QRegion cache;
  DrawPictureArgs withRegion = args(1, true, 0);
  withRegion.cachedRegion = &cache;
  const std::vector<Case> cases = {
      {"frame 2 at its own size", args(2, false, 0), true,
       {{{5, 5}, qRgb(0, 0, 255)}, {{34, 8}, qRgb(0, 0, 255)}, {{35, 5}, back}}},
      {"index equal to the count", args(3, false, 0), false, {{{5, 5}, back}}},
      {"index beyond the count", args(4, false, 0), false, {{{5, 5}, back}}},
      {"stretched with inset", stretched, true, {{{1, 1}, qRgb(0, 0, 255)}, {{60, 8}, qRgb(0, 0, 255)}}},
      {"key shows the background", args(1, true, 0), true, {{{5, 6}, back}, {{5, 5}, qRgb(0, 0, 0)}}},
      {"opaque key colour is drawn", args(1, false, 0), true, {{{5, 6}, key}}},
      {"key clipped by a region", withRegion, true, {{{5, 6}, back}, {{5, 5}, qRgb(0, 0, 0)}}},
      {"inverted item", args(0, false, 2), true, {{{5, 5}, qRgb(0, 255, 255)}, {{40, 5}, qRgb(245, 235, 225)}}},
      {"inverted, key spared", args(1, true, 2), true, {{{5, 6}, back}, {{5, 5}, qRgb(255, 255, 255)}}},
      {"disabled checkerboard", args(0, false, 1), true, {{{5, 5}, qRgb(255, 0, 0)}, {{6, 5}, qRgb(255, 255, 255)}}},
      {"disabled, key spared", args(1, true, 1), true, {{{6, 7}, back}, {{6, 5}, qRgb(255, 255, 255)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QImage target = Filled(70, 20, back);
    QImage strip = ThreeFrames();
    for (int x = 30; x < 60; ++x) strip.setPixel(x, 0, qRgb(0, 0, 0));  // frame 1: key but its top row
    {
      QPainter painter(&target);
      EXPECT_EQ(DrawPictureEx(painter, strip, c.args), c.drawn);
    }
    for (const auto& [at, colour] : c.pixels)
      EXPECT_EQ(target.pixel(at), colour) << at.x() << "," << at.y();
  }
  EXPECT_EQ(cache, QRegion(QRect(0, 0, 30, 1))) << "the region was cached";
  QImage target = Filled(4, 4, back);
  QPainter painter(&target);
  EXPECT_FALSE(DrawPictureEx(painter, QImage(), args(0, false, 0)));
}

}  // namespace
}  // namespace qvp
