#include "proppages/PngStrip.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <string>
#include <vector>

#include "tests/proppages/PngTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using pngtest::Chunks;
using pngtest::MakePng;
using pngtest::PngSpec;
using pngtest::SamePixels;

std::string KeyOf(const CPageString& s) { return s.Text() ? s.Text() : ""; }

std::optional<PngStrip> Decode(const std::string& bytes) {
  return DecodePngStrip(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

Palette Ramp(int n) {
  Palette p;
  for (int i = 0; i < n; ++i) p.append(qRgb((i * 37) % 256, (i * 91) % 256, 255 - i % 256));
  return p;
}

// A strip of `images` images of 6 × 5 pixels in the given kind.
QImage MakeStrip(QImage::Format format, int colours, int images) {
  QImage img(6, 5 * images, format);
  if (colours > 0) img.setColorTable(Ramp(colours));
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      if (colours > 0)
        img.setPixel(x, y, static_cast<uint>((x * 5 + y * 3) % colours));
      else
        img.setPixel(x, y, qRgb(x * 40, y * 15, (x * y * 9) % 256));
    }
  return img;
}

TEST(PngStrip, RoundTripKeepsPixelsAndKeys) {
  struct Case {
    const char* name;
    QImage strip;
    int requested;
    int fileBitDepth;
    int fileColourType;
  };
  const std::vector<Case> cases = {
      {"1-bit palette", MakeStrip(QImage::Format_Mono, 2, 3), 1, 1, PNG_COLOR_TYPE_PALETTE},
      {"4-bit palette", MakeStrip(QImage::Format_Indexed8, 16, 3), 4, 4, PNG_COLOR_TYPE_PALETTE},
      {"8-bit palette", MakeStrip(QImage::Format_Indexed8, 256, 3), 8, 8, PNG_COLOR_TYPE_PALETTE},
      {"24-bit truecolour", MakeStrip(QImage::Format_RGB32, 0, 3), 24, 8, PNG_COLOR_TYPE_RGB},
      {"chosen from a 1-bit image", MakeStrip(QImage::Format_Mono, 2, 3), 0, 1, PNG_COLOR_TYPE_PALETTE},
      {"chosen from an 8-bit image", MakeStrip(QImage::Format_Indexed8, 200, 3), 0, 8, PNG_COLOR_TYPE_PALETTE},
      {"chosen from a truecolour image", MakeStrip(QImage::Format_RGB32, 0, 3), 0, 8, PNG_COLOR_TYPE_RGB},
  };
  const std::vector<CPageString> keys = {"first", "", "\xe9t\xe9 3"};
  const QString dir = testenv::NewTempDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir + "/strip.png";
    ASSERT_TRUE(SaveDibAsPng(path, keys, c.strip, nullptr, c.requested));
    const std::string bytes = pngtest::ReadFile(path);
    const auto chunks = Chunks(bytes);
    ASSERT_FALSE(chunks.empty());
    const auto* ihdr = reinterpret_cast<const uint8_t*>(chunks[0].data.data());
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ((ihdr[0] << 24) | (ihdr[1] << 16) | (ihdr[2] << 8) | ihdr[3], 6);
    EXPECT_EQ((ihdr[4] << 24) | (ihdr[5] << 16) | (ihdr[6] << 8) | ihdr[7], 15);
    EXPECT_EQ(ihdr[8], c.fileBitDepth);
    EXPECT_EQ(ihdr[9], c.fileColourType);
    EXPECT_EQ(ihdr[12], 0) << "not interlaced";

    std::vector<PngImage> images;
    ASSERT_TRUE(LoadPngIntoImageList(path, [&](PngImage&& i) { images.push_back(std::move(i)); }));
    ASSERT_EQ(images.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(KeyOf(images[i].key), KeyOf(keys[i])) << i;
      EXPECT_TRUE(SamePixels(images[i].image, c.strip.copy(0, 5 * i, 6, 5))) << i;
    }
    const auto picture = LoadPngPicture(path);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(SamePixels(picture->image, c.strip));
    EXPECT_EQ(picture->palette.size(), c.fileColourType == PNG_COLOR_TYPE_RGB ? 256 : 1 << c.fileBitDepth);
  }
}

TEST(PngStrip, FileHoldsHeaderPaletteKeysDataKeysEnd) {
  const QString path = testenv::NewTempDir() + "/list.png";
  const QImage strip = MakeStrip(QImage::Format_Indexed8, 16, 3);
  ASSERT_TRUE(SaveDibAsPng(path, {"a", "bb", ""}, strip, nullptr, 4));
  const auto chunks = Chunks(pngtest::ReadFile(path));
  std::vector<std::string> types;
  for (const auto& c : chunks)
    if (types.empty() || c.type != "IDAT" || types.back() != "IDAT") types.push_back(c.type);
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "PLTE", "tEXt", "tEXt", "tEXt", "IDAT", "tEXt", "tEXt",
                                             "tEXt", "IEND"}));
  ASSERT_EQ(chunks[1].data.size(), 16u * 3);
  EXPECT_EQ(static_cast<uint8_t>(chunks[1].data[3 * 5]), qRed(strip.color(5)));
  EXPECT_EQ(static_cast<uint8_t>(chunks[1].data[3 * 5 + 2]), qBlue(strip.color(5)));
  const std::vector<std::string> texts = {std::string("KEY\0a", 5), std::string("KEY\0bb", 6),
                                          std::string("KEY\0", 4)};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(chunks[2 + i].data, texts[i]);
    EXPECT_EQ(chunks[chunks.size() - 4 + i].data, texts[i]);
  }
}

TEST(PngStrip, SavingRefusesWhatItCannotWriteAndKeepsTheOldFile) {
  struct Case {
    const char* name;
    QString path;
    std::vector<CPageString> keys;
    QImage strip;
    int bits;
  };
  const QString dir = testenv::NewTempDir();
  const QString existing = dir + "/old.png";
  const QImage good = MakeStrip(QImage::Format_RGB32, 0, 2);
  const std::vector<Case> cases = {
      {"null image", existing, {"a"}, QImage(), 24},
      {"unsupported depth", existing, {"a"}, good, 16},
      {"more keys than rows", existing, std::vector<CPageString>(11, "k"), good, 24},
      {"folder does not exist", dir + "/missing/new.png", {"a"}, good, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(pngtest::WriteFile(existing, "old contents"));
    EXPECT_FALSE(SaveDibAsPng(c.path, c.keys, c.strip, nullptr, c.bits));
    EXPECT_EQ(pngtest::ReadFile(existing), "old contents");
    EXPECT_FALSE(QFile::exists(c.path) && c.path != existing);
  }
  EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{"old.png"}) << "no temporary file left";
}

TEST(PngStrip, GivenPaletteMapsTruecolourToNearestEntries) {
  QImage img(2, 1, QImage::Format_RGB32);
  img.setPixel(0, 0, qRgb(250, 10, 10));
  img.setPixel(1, 0, qRgb(5, 5, 240));
  const Palette palette = {qRgb(0, 0, 255), qRgb(255, 0, 0)};
  const QString path = testenv::NewTempDir() + "/p.png";
  ASSERT_TRUE(SaveDibAsPng(path, {"x"}, img, &palette, 1));
  const auto picture = LoadPngPicture(path);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(picture->image.pixel(1, 0), qRgb(0, 0, 255));
  EXPECT_EQ(picture->palette, palette);
}

// Kinds the writer never produces are turned into DIB depths without reading past a buffer.
TEST(PngStrip, ReaderNormalisesOtherKinds) {
  struct Case {
    const char* name;
    PngSpec spec;
    int dibBits;
    QRgb pixel10;  // expected colour at x 1, y 0
  };
  auto spec = [](int depth, int type, uint32_t (*sample)(uint32_t, uint32_t)) {
    PngSpec s;
    s.bitDepth = depth;
    s.colourType = type;
    s.sample = sample;
    return s;
  };
  auto ones = [](uint32_t, uint32_t s) { return s % 2 == 1 ? 0xFFFFFFFFu : 0u; };
  auto ramp = [](uint32_t, uint32_t s) { return s; };
  auto rgb16 = [](uint32_t, uint32_t s) { return s % 3 == 0 ? 0xFF00u : (s % 3 == 1 ? 0x8000u : 0x00FFu); };
  auto rgba = [](uint32_t, uint32_t s) { return s % 4 == 0 ? 200u : (s % 4 == 3 ? 0u : 10u * (s % 4)); };
  PngSpec palette2 = spec(2, PNG_COLOR_TYPE_PALETTE, ramp);
  palette2.palette = {{0, 0, 0}, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  PngSpec shortPalette = spec(8, PNG_COLOR_TYPE_PALETTE, ramp);
  shortPalette.palette = {{0, 0, 0}};  // index 1 has no entry: black
  PngSpec truecolourPlte = spec(8, PNG_COLOR_TYPE_RGB, ramp);
  truecolourPlte.palette = std::vector<png_color>(256, png_color{1, 2, 3});
  const std::vector<Case> cases = {
      {"1-bit grey", spec(1, PNG_COLOR_TYPE_GRAY, ones), 1, qRgb(255, 255, 255)},
      {"2-bit grey", spec(2, PNG_COLOR_TYPE_GRAY, ramp), 4, qRgb(85, 85, 85)},
      {"4-bit grey", spec(4, PNG_COLOR_TYPE_GRAY, ramp), 4, qRgb(17, 17, 17)},
      {"8-bit grey", spec(8, PNG_COLOR_TYPE_GRAY, ramp), 8, qRgb(1, 1, 1)},
      {"16-bit grey", spec(16, PNG_COLOR_TYPE_GRAY, ones), 8, qRgb(255, 255, 255)},
      {"grey with alpha", spec(8, PNG_COLOR_TYPE_GRAY_ALPHA, ramp), 8, qRgb(2, 2, 2)},
      {"2-bit palette", palette2, 4, qRgb(10, 20, 30)},
      {"palette shorter than the indexes", shortPalette, 8, qRgb(0, 0, 0)},
      {"16-bit truecolour", spec(16, PNG_COLOR_TYPE_RGB, rgb16), 24, qRgb(255, 128, 0)},
      {"truecolour with alpha", spec(8, PNG_COLOR_TYPE_RGB_ALPHA, rgba), 24, qRgb(200, 10, 20)},
      {"truecolour with a PLTE", truecolourPlte, 24, qRgb(3, 4, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = MakePng(c.spec);
    ASSERT_FALSE(bytes.empty());
    const auto strip = Decode(bytes);
    ASSERT_TRUE(strip);
    const auto header = ReadDibHeader(strip->dib.data(), strip->dib.size());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->bitCount, c.dibBits);
    EXPECT_EQ(strip->dib.size(), 40 + DibColorTableSize(*header) + header->sizeImage);
    const QImage image = PackedDibToImage(strip->dib);
    ASSERT_EQ(image.size(), QSize(4, 4));
    EXPECT_EQ(image.pixel(1, 0), c.pixel10);
  }
}

TEST(PngStrip, ReaderRefusesBadInput) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  PngSpec interlaced;
  interlaced.interlace = PNG_INTERLACE_ADAM7;
  PngSpec wide;
  wide.width = kMaxPngWidth + 1;
  wide.height = 1;
  const std::string good = MakePng(PngSpec{});
  PngSpec keyed;
  keyed.textsBefore = {"a", "b"};
  PngSpec tooManyKeys;
  tooManyKeys.height = 5000;
  tooManyKeys.width = 1;
  tooManyKeys.textsBefore = std::vector<std::string>(4097, "k");
  std::string badCrc = good;
  badCrc[good.size() - 20] = static_cast<char>(badCrc[good.size() - 20] ^ 0x40);
  const std::vector<Case> cases = {
      {"empty", ""},
      {"not a PNG", "GIF89a............"},
      {"signature only", good.substr(0, 8)},
      {"truncated in the header", good.substr(0, 20)},
      {"truncated in the image data", good.substr(0, good.size() - 30)},
      {"corrupt image data", badCrc},
      {"interlaced", MakePng(interlaced)},
      {"wider than the limit", MakePng(wide)},
      // libpng drops a text chunk it cannot read, which would shift the keys.
      {"text chunk of an unknown compression", pngtest::InsertChunk(MakePng(keyed), "zTXt", std::string("KEY\0\x05xx", 7))},
      {"text chunk without keyword", pngtest::InsertChunk(MakePng(keyed), "zTXt", std::string("\0\0x", 3))},
      {"more keys than the limit", MakePng(tooManyKeys)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.name == std::string("empty") || !c.bytes.empty());
    EXPECT_FALSE(Decode(c.bytes));
  }
  EXPECT_TRUE(Decode(good)) << "the unmodified file reads";
}

TEST(PngStrip, SplitCountsOnlyTextsBeforeTheImageData) {
  struct Case {
    const char* name;
    uint32_t height;
    std::vector<std::string> before;
    std::vector<std::string> after;
    bool compress;
    std::vector<std::string> keys;  // empty: refused
    int imageHeight;
  };
  const std::vector<Case> cases = {
      {"five keys, 52 rows", 52, {"a", "b", "c", "d", "e"}, {"a", "b", "c", "d", "e"}, false,
       {"a", "b", "c", "d", "e"}, 10},
      {"no texts", 8, {}, {}, false, {""}, 8},
      {"texts only after the data", 8, {}, {"x", "y"}, false, {""}, 8},
      {"compressed texts", 4, {"\x01\xff zip", ""}, {}, true, {"\x01\xff zip", ""}, 2},
      {"more texts than rows", 2, {"a", "b", "c"}, {}, false, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PngSpec spec;
    spec.height = c.height;
    spec.textsBefore = c.before;
    spec.textsAfter = c.after;
    spec.compressTexts = c.compress;
    const auto strip = Decode(MakePng(spec));
    ASSERT_TRUE(strip);
    const auto images = SplitPngStrip(*strip);
    if (c.keys.empty()) {
      EXPECT_FALSE(images);
      continue;
    }
    ASSERT_TRUE(images);
    ASSERT_EQ(images->size(), c.keys.size());
    for (size_t i = 0; i < c.keys.size(); ++i) {
      EXPECT_EQ(KeyOf((*images)[i].key), c.keys[i]);
      EXPECT_EQ((*images)[i].image.size(), QSize(4, c.imageHeight));
    }
  }
}

TEST(PngStrip, MissingOrUnreadableFilesHandOutNothing) {
  const QString dir = testenv::NewTempDir();
  ASSERT_TRUE(pngtest::WriteFile(dir + "/junk.png", "not a png at all"));
  for (const QString& path : {dir + "/none.png", dir + "/junk.png", dir}) {
    SCOPED_TRACE(path.toStdString());
    int handed = 0;
    EXPECT_FALSE(LoadPngIntoImageList(path, [&](PngImage&&) { ++handed; }));
    EXPECT_EQ(handed, 0);
    EXPECT_FALSE(LoadPngPicture(path));
  }
}

}  // namespace
}  // namespace qvp
