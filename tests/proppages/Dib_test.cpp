#include "proppages/Dib.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstring>
#include <string>
#include <vector>

#include "tests/proppages/PngTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

DibHeader Header(uint32_t size, uint16_t bits, uint32_t clrUsed) {
  DibHeader h;
  h.size = size;
  h.bitCount = bits;
  h.clrUsed = clrUsed;
  return h;
}

QImage Gradient(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 25, y * 50, 255 - x * y));
  return img;
}

QImage Indexed(int w, int h, int colours) {
  QImage img(w, h, QImage::Format_Indexed8);
  Palette p;
  for (int i = 0; i < colours; ++i) p.append(qRgb(i, 255 - i, (i * 7) % 256));
  img.setColorTable(p);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, static_cast<uint>((x + 3 * y) % colours));
  return img;
}

TEST(Dib, ColourTableSize) {
  struct Case {
    DibHeader header;
    uint32_t colours;
    uint32_t bytes;
  };
  const std::vector<Case> cases = {
      {Header(12, 1, 0), 2, 6},       {Header(12, 4, 0), 16, 48},   {Header(12, 8, 0), 256, 768},
      {Header(12, 24, 0), 0, 0},      {Header(40, 1, 0), 2, 8},     {Header(40, 4, 0), 16, 64},
      {Header(40, 8, 0), 256, 1024},  {Header(40, 8, 17), 17, 68},  {Header(40, 24, 0), 0, 0},
      {Header(40, 24, 3), 3, 12},     {Header(40, 16, 0), 0, 0},    {Header(12, 8, 5), 256, 768},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.header.size << "/" << c.header.bitCount << "/" << c.header.clrUsed);
    EXPECT_EQ(DibNumColors(c.header), c.colours);
    EXPECT_EQ(DibColorTableSize(c.header), c.bytes);
  }
}

TEST(Dib, ReadHeaderFillsImageSizeAndColoursOfAFortyByteHeader) {
  std::vector<uint8_t> block(40, 0);
  DibHeader h;
  h.width = 10;
  h.height = -3;
  h.bitCount = 4;
  WriteDibHeader(h, block.data());
  auto read = ReadDibHeader(block.data(), block.size());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->sizeImage, 8u * 3);
  EXPECT_EQ(read->clrUsed, 16u);
  EXPECT_FALSE(ReadDibHeader(block.data(), 39));
  block[0] = 12;
  read = ReadDibHeader(block.data(), 12);
  ASSERT_TRUE(read) << "a core header needs 12 bytes";
  EXPECT_EQ(read->sizeImage, 0u) << "nothing filled for a core header";
}

TEST(Dib, SegmentedTwentyFourBitBitmapHasTheFileLayout) {
  const PackedDib dib = BitmapToPackedDib(Gradient(10, 5), nullptr, 24);
  DibWriteResult result = DibWriteResult::kNotWritten;
  const auto bytes = DibFileBytes(dib, &result);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(result, DibWriteResult::kWritten);
  ASSERT_EQ(bytes->size(), 214u);
  EXPECT_EQ((*bytes)[0], 'B');
  EXPECT_EQ((*bytes)[1], 'M');
  EXPECT_EQ(U32(*bytes, 2), 214u);
  EXPECT_EQ(U32(*bytes, 6), 0u);
  EXPECT_EQ(U32(*bytes, 10), 54u);
  EXPECT_EQ(U32(*bytes, 14), 40u);
  EXPECT_EQ(U32(*bytes, 14 + 20), 160u);
  // Bottom-up: the first stored row is the image's last, blue-green-red.
  EXPECT_EQ((*bytes)[54], qBlue(Gradient(10, 5).pixel(0, 4)));
  EXPECT_EQ((*bytes)[56], qRed(Gradient(10, 5).pixel(0, 4)));

  const QString path = testenv::NewTempDir() + "/frames.bmp";
  EXPECT_EQ(WriteDibFile(dib, path), DibWriteResult::kWritten);
  EXPECT_EQ(QFile(path).size(), 214);
}

TEST(Dib, StoredImageSizeComesFromTheRowRule) {
  PackedDib dib = BitmapToPackedDib(Indexed(5, 3, 16), nullptr, 4);
  dib[20] = 99;  // a wrong stored image size is replaced
  DibWriteResult result = DibWriteResult::kNotWritten;
  const auto bytes = DibFileBytes(dib, &result);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(U32(*bytes, 14 + 20), 12u);
  EXPECT_EQ(U32(*bytes, 10), 14u + 40 + 64);
  EXPECT_EQ(U32(*bytes, 14 + 32), 0u) << "the header is written as it is";
}

TEST(Dib, WritingReportsFailureAndKeepsTheOldFile) {
  struct Case {
    const char* name;
    PackedDib dib;
    bool intoMissingFolder;
    DibWriteResult expected;
  };
  const PackedDib good = BitmapToPackedDib(Gradient(4, 4), nullptr, 24);
  PackedDib core = good;
  core[0] = 12;
  PackedDib v5 = good;
  v5[0] = 124;
  const PackedDib shortBlock(good.begin(), good.end() - 1);
  const std::vector<Case> cases = {
      {"no DIB", {}, false, DibWriteResult::kNoDib},
      {"core header", core, false, DibWriteResult::kBadHeader},
      {"longer header", v5, false, DibWriteResult::kBadHeader},
      {"block shorter than its rows", shortBlock, false, DibWriteResult::kBadHeader},
      {"folder does not exist", good, true, DibWriteResult::kNotWritten},
  };
  const QString dir = testenv::NewTempDir();
  const QString path = dir + "/old.bmp";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(pngtest::WriteFile(path, "old"));
    EXPECT_EQ(WriteDibFile(c.dib, c.intoMissingFolder ? dir + "/missing/x.bmp" : path), c.expected);
    EXPECT_EQ(pngtest::ReadFile(path), "old");
  }
  EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{"old.bmp"});
}

TEST(Dib, BitmapFilesRoundTripAtEachDepth) {
  struct Case {
    const char* name;
    QImage image;
    int bits;
  };
  QImage mono(13, 3, QImage::Format_Mono);
  mono.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 13; ++x) mono.setPixel(x, y, (x * y + x) % 2);
  const std::vector<Case> cases = {
      {"1 bit", mono, 1},
      {"4 bits", Indexed(7, 4, 16), 4},
      {"8 bits", Indexed(9, 5, 256), 8},
      {"24 bits", Gradient(7, 3), 24},
      {"chosen", Indexed(3, 3, 100), 0},
  };
  const QString path = testenv::NewTempDir() + "/r.bmp";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(WriteDibFile(BitmapToPackedDib(c.image, nullptr, c.bits), path), DibWriteResult::kWritten);
    const QImage back = LoadBitmapFile(path);
    EXPECT_TRUE(pngtest::SamePixels(back, c.image));
  }
}

// A .bmp file made by hand: file header, info header of headerSize, table, rows.
std::string BmpFile(uint32_t headerSize, int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                    uint32_t colours, size_t tableEntry, size_t imageBytes, int32_t offDelta = 0) {
  std::string f(14 + headerSize + colours * tableEntry + imageBytes, '\0');
  auto put = [&f](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f[at + i] = static_cast<char>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put(2, static_cast<uint32_t>(f.size()), 4);
  put(10, static_cast<uint32_t>(14 + headerSize + colours * tableEntry + offDelta), 4);
  put(14, headerSize, 4);
  if (headerSize == 12) {
    put(18, static_cast<uint32_t>(w), 2);
    put(20, static_cast<uint32_t>(h), 2);
    put(22, 1, 2);
    put(24, bits, 2);
  } else {
    put(18, static_cast<uint32_t>(w), 4);
    put(22, static_cast<uint32_t>(h), 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(30, compression, 4);
    put(46, headerSize == 12 ? 0 : (colours == 256 || bits > 8 ? 0 : colours), 4);
  }
  for (uint32_t i = 0; i < colours; ++i) f[14 + headerSize + i * tableEntry + 2] = static_cast<char>(i);
  for (size_t i = 0; i < imageBytes; ++i) f[f.size() - imageBytes + i] = static_cast<char>(i % 251);
  return f;
}

TEST(Dib, ReadingBitmapFilesChecksEveryBound) {
  struct Case {
    const char* name;
    std::string file;
    bool reads;
    QRgb pixel10;  // at x 1, y 0 when read
  };
  const std::vector<Case> cases = {
      {"8-bit", BmpFile(40, 4, 2, 8, 0, 256, 4, 8), true, qRgb(5, 0, 0)},
      {"core header, 8-bit", BmpFile(12, 4, 2, 8, 0, 256, 3, 8), true, qRgb(5, 0, 0)},
      {"longer header", BmpFile(124, 4, 2, 24, 0, 0, 4, 24), true, qRgb(17, 16, 15)},
      {"top-down", BmpFile(40, 4, -2, 24, 0, 0, 4, 24), true, qRgb(5, 4, 3)},
      {"two used colours, indexes beyond", BmpFile(40, 4, 1, 8, 0, 2, 4, 4), true, qRgb(1, 0, 0)},
      {"16-bit", BmpFile(40, 2, 1, 16, 0, 0, 4, 4), true, qRgb(0, 197, 16)},
      {"rows cut short", BmpFile(40, 4, 2, 8, 0, 256, 4, 7), false, 0},
      {"bits start inside the table", BmpFile(40, 4, 2, 8, 0, 256, 4, 8, -4), false, 0},
      {"bits start past the end", BmpFile(40, 4, 2, 8, 0, 256, 4, 8, 100), false, 0},
      {"run-length encoded", BmpFile(40, 4, 2, 8, 1, 256, 4, 8), false, 0},
      {"zero width", BmpFile(40, 0, 2, 24, 0, 0, 4, 0), false, 0},
      {"huge height", BmpFile(40, 1, 0x7FFFFFFF, 24, 0, 0, 4, 16), false, 0},
      {"most negative height", BmpFile(40, 1, INT32_MIN, 24, 0, 0, 4, 16), false, 0},
      {"unknown depth", BmpFile(40, 4, 2, 7, 0, 0, 4, 16), false, 0},
      {"header cut short", BmpFile(40, 4, 2, 8, 0, 256, 4, 8).substr(0, 30), false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PackedDib dib = ReadDibFile(reinterpret_cast<const uint8_t*>(c.file.data()), c.file.size());
    const QImage image = PackedDibToImage(dib);
    EXPECT_EQ(!image.isNull(), c.reads);
    if (c.reads && !image.isNull()) {
      EXPECT_EQ(dib[0], 40) << "packed with a 40-byte header";
      EXPECT_EQ(image.pixel(1, 0), c.pixel10);
    }
  }
}

TEST(Dib, PalettesFromHeaders) {
  const PackedDib indexed = BitmapToPackedDib(Indexed(2, 2, 16), nullptr, 4);
  const Palette p = CreateDibPalette(indexed);
  ASSERT_EQ(p.size(), 16);
  EXPECT_EQ(p[3], qRgb(3, 252, 21));
  const Palette cube = CreateDibPalette(BitmapToPackedDib(Gradient(2, 2), nullptr, 24));
  ASSERT_EQ(cube.size(), 256);
  EXPECT_EQ(cube[0], qRgb(0, 0, 0));
  EXPECT_EQ(cube[9], qRgb(32, 32, 0));
  EXPECT_EQ(cube[255], qRgb(224, 224, 192));
  PackedDib core = indexed;
  core[0] = 12;
  EXPECT_TRUE(CreateDibPalette(core).isEmpty()) << "only 40-byte headers";
  const PackedDib cut(indexed.begin(), indexed.begin() + 50);
  EXPECT_TRUE(CreateDibPalette(cut).isEmpty()) << "a table past the block";
}

TEST(Dib, DepthsAndConversionsRefuseWhatTheyCannotHold) {
  EXPECT_TRUE(BitmapToPackedDib(QImage(), nullptr, 24).empty());
  EXPECT_TRUE(BitmapToPackedDib(Gradient(2, 2), nullptr, 16).empty());
  EXPECT_TRUE(BitmapToPackedDib(Gradient(2, 2), nullptr, 2).empty());
  EXPECT_EQ(ChooseDibDepth(QImage(1, 1, QImage::Format_Mono), 0), 1);
  EXPECT_EQ(ChooseDibDepth(QImage(1, 1, QImage::Format_Indexed8), 0), 8);
  EXPECT_EQ(ChooseDibDepth(QImage(1, 1, QImage::Format_RGB16), 0), 24);
  EXPECT_EQ(ChooseDibDepth(QImage(1, 1, QImage::Format_RGB32), 4), 4);
  const QImage four = ToIndexedImage(Indexed(4, 4, 200), 4);
  EXPECT_EQ(four.colorCount(), 16) << "too many colours: mapped onto the default 16";
  EXPECT_TRUE(ToIndexedImage(Gradient(2, 2), 3).isNull());
}

TEST(Dib, HalftoneRowsAlternate) {
  const QImage h = MakeHalftoneBitmap();
  ASSERT_EQ(h.size(), QSize(8, 8));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(h.pixel(x, y), (x + y) % 2 == 1 ? qRgb(0, 0, 0) : qRgb(255, 255, 255)) << x << "," << y;
}

}  // namespace
}  // namespace qvp
