#include "proppages/Dib.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cstring>
#include <cstdlib>

namespace qvp {

namespace {

constexpr size_t kFileHeaderSize = 14;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

bool IsIndexedDepth(int bits) { return bits == 1 || bits == 4 || bits == 8; }

QRgb FromQuad(const uint8_t* q) { return qRgb(q[2], q[1], q[0]); }

}  // namespace

int64_t DibRowBytes(int64_t width, int bitCount) {
  if (width < 0 || bitCount < 0) return 0;
  return (width * bitCount + 31) / 32 * 4;
}

int64_t DibImageBytes(int64_t width, int bitCount, int64_t height) {
  const int64_t row = DibRowBytes(width, bitCount);
  const int64_t rows = height < 0 ? -height : height;
  if (row != 0 && rows > INT64_MAX / row) return INT64_MAX;
  return row * rows;
}

uint32_t DibNumColors(const DibHeader& header) {
  if (header.size != kDibCoreHeaderSize && header.clrUsed != 0) return header.clrUsed;
  switch (header.bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

uint32_t DibColorTableSize(const DibHeader& header) {
  const uint64_t bytes =
      uint64_t{DibNumColors(header)} * (header.size == kDibCoreHeaderSize ? 3 : 4);
  return static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX));
}

std::optional<DibHeader> ReadDibHeader(const uint8_t* data, size_t size) {
  if (!data || size < 4) return std::nullopt;
  DibHeader h;
  h.size = Get32(data);
  if (h.size == kDibCoreHeaderSize) {
    if (size < kDibCoreHeaderSize) return std::nullopt;
    h.width = Get16(data + 4);
    h.height = Get16(data + 6);
    h.planes = Get16(data + 8);
    h.bitCount = Get16(data + 10);
    return h;
  }
  if (h.size < kDibHeaderSize || size < kDibHeaderSize) return std::nullopt;
  h.width = static_cast<int32_t>(Get32(data + 4));
  h.height = static_cast<int32_t>(Get32(data + 8));
  h.planes = Get16(data + 12);
  h.bitCount = Get16(data + 14);
  h.compression = Get32(data + 16);
  h.sizeImage = Get32(data + 20);
  h.xPelsPerMeter = static_cast<int32_t>(Get32(data + 24));
  h.yPelsPerMeter = static_cast<int32_t>(Get32(data + 28));
  h.clrUsed = Get32(data + 32);
  h.clrImportant = Get32(data + 36);
  if (h.size == kDibHeaderSize) {
    if (h.sizeImage == 0) {
      const int64_t bytes = DibImageBytes(h.width, h.bitCount, h.height);
      h.sizeImage = static_cast<uint32_t>(std::min<int64_t>(bytes, UINT32_MAX));
    }
    if (h.clrUsed == 0) h.clrUsed = DibNumColors(h);
  }
  return h;
}

void WriteDibHeader(const DibHeader& h, uint8_t* out) {
  Put32(out, kDibHeaderSize);
  Put32(out + 4, static_cast<uint32_t>(h.width));
  Put32(out + 8, static_cast<uint32_t>(h.height));
  Put16(out + 12, h.planes);
  Put16(out + 14, h.bitCount);
  Put32(out + 16, h.compression);
  Put32(out + 20, h.sizeImage);
  Put32(out + 24, static_cast<uint32_t>(h.xPelsPerMeter));
  Put32(out + 28, static_cast<uint32_t>(h.yPelsPerMeter));
  Put32(out + 32, h.clrUsed);
  Put32(out + 36, h.clrImportant);
}

Palette ColorCubePalette() {
  Palette p;
  p.reserve(256);
  for (int i = 0; i < 256; ++i) p.append(qRgb(32 * (i % 8), 32 * ((i / 8) % 8), 64 * (i / 64)));
  return p;
}

Palette DefaultPalette(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    case 4:
      return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
              qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
              qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
              qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    case 8: return ColorCubePalette();
    default: return {};
  }
}

Palette CreateDibPalette(const DibHeader& header, const uint8_t* table, size_t tableBytes) {
  if (header.size != kDibHeaderSize) return {};
  const uint32_t count = DibNumColors(header);
  if (count == 0) return header.bitCount == 24 ? ColorCubePalette() : Palette{};
  if (!table || count > 256 || tableBytes < size_t{count} * 4) return {};
  Palette p;
  p.reserve(static_cast<qsizetype>(count));
  for (uint32_t i = 0; i < count; ++i) p.append(FromQuad(table + 4 * i));
  return p;
}

Palette CreateDibPalette(const PackedDib& dib) {
  const auto h = ReadDibHeader(dib.data(), dib.size());
  if (!h || h->size != kDibHeaderSize) return {};
  return CreateDibPalette(*h, dib.data() + kDibHeaderSize, dib.size() - kDibHeaderSize);
}

int ChooseDibDepth(const QImage& image, int requested) {
  if (requested != 0) return requested;
  const int depth = image.depth();
  if (depth < 2) return 1;
  if (depth <= 4) return 4;
  if (depth <= 8) return 8;
  return 24;
}

QImage ToIndexedImage(const QImage& image, int bitsPerPixel, const Palette* palette) {
  if (image.isNull() || !IsIndexedDepth(bitsPerPixel)) return {};
  const qsizetype colours = qsizetype{1} << bitsPerPixel;
  QImage out;
  if (!palette && image.colorCount() > 0 && image.colorCount() <= colours) {
    out = image.convertToFormat(QImage::Format_Indexed8);
  } else {
    Palette table = palette ? *palette : DefaultPalette(bitsPerPixel);
    if (table.isEmpty()) table = DefaultPalette(bitsPerPixel);
    if (table.size() > colours) table.resize(colours);
    // Qt returns an image already indexed as it is, so go through truecolour.
    out = image.convertToFormat(QImage::Format_RGB32)
              .convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);
  }
  if (out.isNull()) return {};
  Palette table = out.colorTable();
  while (table.size() < colours) table.append(qRgb(0, 0, 0));
  out.setColorTable(table);
  return out;
}

PackedDib BitmapToPackedDib(const QImage& image, const Palette* palette, int bitsPerPixel) {
  if (image.isNull()) return {};
  const int bits = ChooseDibDepth(image, bitsPerPixel);
  if (!IsIndexedDepth(bits) && bits != 24) return {};
  const int32_t w = image.width();
  const int32_t h = image.height();
  if (w > kMaxDibDimension || h > kMaxDibDimension) return {};
  const int64_t rowBytes = DibRowBytes(w, bits);
  const int64_t imageBytes = rowBytes * h;
  if (imageBytes > kMaxDibImageBytes) return {};

  QImage src = IsIndexedDepth(bits) ? ToIndexedImage(image, bits, palette)
                                    : image.convertToFormat(QImage::Format_RGB32);
  if (src.isNull()) return {};
  DibHeader header;
  header.width = w;
  header.height = h;
  header.bitCount = static_cast<uint16_t>(bits);
  header.sizeImage = static_cast<uint32_t>(imageBytes);
  const uint32_t tableBytes = DibColorTableSize(header);
  PackedDib dib(kDibHeaderSize + tableBytes + static_cast<size_t>(imageBytes), 0);
  WriteDibHeader(header, dib.data());
  uint8_t* table = dib.data() + kDibHeaderSize;
  const Palette colours = src.colorTable();
  for (uint32_t i = 0; i < tableBytes / 4; ++i) {
    const QRgb c = colours[static_cast<qsizetype>(i)];
    table[4 * i] = static_cast<uint8_t>(qBlue(c));
    table[4 * i + 1] = static_cast<uint8_t>(qGreen(c));
    table[4 * i + 2] = static_cast<uint8_t>(qRed(c));
  }
  uint8_t* bitsOut = table + tableBytes;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = bitsOut + (h - 1 - y) * rowBytes;
    const uchar* line = src.constScanLine(y);
    if (bits == 24) {
      const auto* px = reinterpret_cast<const QRgb*>(line);
      for (int32_t x = 0; x < w; ++x) {
        row[3 * x] = static_cast<uint8_t>(qBlue(px[x]));
        row[3 * x + 1] = static_cast<uint8_t>(qGreen(px[x]));
        row[3 * x + 2] = static_cast<uint8_t>(qRed(px[x]));
      }
    } else {
      const int perByte = 8 / bits;
      const int mask = (1 << bits) - 1;
      for (int32_t x = 0; x < w; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        row[x / perByte] = static_cast<uint8_t>(row[x / perByte] | ((line[x] & mask) << shift));
      }
    }
  }
  return dib;
}

PackedDib BitmapToPaletteDib(const QImage& image, const Palette* palette) {
  Palette table = palette && !palette->isEmpty() ? *palette : DefaultPalette(8);
  if (table.size() > 256) table.resize(256);
  const int bits = table.size() <= 16 ? 4 : 8;
  PackedDib dib = BitmapToPackedDib(image, &table, bits);
  if (dib.empty()) return {};
  // The table was padded to 2^bits entries: keep the palette's own.
  auto header = ReadDibHeader(dib.data(), dib.size());
  if (!header) return {};
  const auto tableBegin = dib.begin() + kDibHeaderSize;
  dib.erase(tableBegin + 4 * table.size(), tableBegin + 4 * (qsizetype{1} << bits));
  header->clrUsed = static_cast<uint32_t>(table.size());
  WriteDibHeader(*header, dib.data());
  return dib;
}

QImage PackedDibToImage(const PackedDib& dib) {
  const auto h = ReadDibHeader(dib.data(), dib.size());
  if (!h || h->size != kDibHeaderSize || h->compression != kBiRgb) return {};
  const int bits = h->bitCount;
  if (!IsIndexedDepth(bits) && bits != 16 && bits != 24 && bits != 32) return {};
  const int64_t height = std::abs(int64_t{h->height});
  if (h->width <= 0 || height == 0 || h->width > kMaxDibDimension || height > kMaxDibDimension)
    return {};
  const int64_t rowBytes = DibRowBytes(h->width, bits);
  const uint64_t tableBytes = DibColorTableSize(*h);
  if (rowBytes * height > kMaxDibImageBytes ||
      kDibHeaderSize + tableBytes + static_cast<uint64_t>(rowBytes * height) > dib.size())
    return {};
  const uint8_t* table = dib.data() + kDibHeaderSize;
  const uint8_t* pixels = table + tableBytes;
  const int w = h->width;
  const bool topDown = h->height < 0;

  QImage out(w, static_cast<int>(height),
             bits == 1 ? QImage::Format_Mono
                       : (IsIndexedDepth(bits) ? QImage::Format_Indexed8 : QImage::Format_RGB32));
  if (out.isNull()) return {};
  if (IsIndexedDepth(bits)) {
    // Indexes beyond the table show black rather than reading past it.
    Palette colours;
    const uint32_t count = std::min<uint32_t>(DibNumColors(*h), 256);
    for (uint32_t i = 0; i < count; ++i) colours.append(FromQuad(table + 4 * i));
    while (colours.size() < (qsizetype{1} << bits)) colours.append(qRgb(0, 0, 0));
    if (colours.size() > (qsizetype{1} << bits)) colours.resize(qsizetype{1} << bits);
    out.setColorTable(colours);
  }
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + (topDown ? y : height - 1 - y) * rowBytes;
    uchar* line = out.scanLine(static_cast<int>(y));
    if (bits == 1) {
      std::memcpy(line, row, static_cast<size_t>((w + 7) / 8));
    } else if (IsIndexedDepth(bits)) {
      const int perByte = 8 / bits;
      const int mask = (1 << bits) - 1;
      for (int x = 0; x < w; ++x)
        line[x] = static_cast<uchar>((row[x / perByte] >> (8 - bits * (x % perByte + 1))) & mask);
    } else {
      auto* px = reinterpret_cast<QRgb*>(line);
      for (int x = 0; x < w; ++x) {
        if (bits == 16) {
          const uint16_t v = Get16(row + 2 * x);
          px[x] = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
        } else {
          const uint8_t* p = row + x * (bits / 8);
          px[x] = qRgb(p[2], p[1], p[0]);
        }
      }
    }
  }
  return out;
}

QImage MakeHalftoneBitmap() {
  QImage out(8, 8, QImage::Format_Mono);
  out.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < 8; ++y) *out.scanLine(y) = (y % 2 == 0) ? 0x55 : 0xAA;
  return out;
}

std::optional<std::vector<uint8_t>> DibFileBytes(const PackedDib& dib, DibWriteResult* result) {
  auto fail = [result](DibWriteResult r) {
    *result = r;
    return std::nullopt;
  };
  if (dib.empty()) return fail(DibWriteResult::kNoDib);
  const auto h = ReadDibHeader(dib.data(), dib.size());
  if (!h || h->size != kDibHeaderSize) return fail(DibWriteResult::kBadHeader);
  const DibHeader& header = *h;
  const uint64_t tableBytes = DibColorTableSize(header);
  // The stored image size, or the row rule's, which then becomes the stored one.
  uint64_t imageBytes = Get32(dib.data() + 20);
  if (header.compression != kBiRle8 && header.compression != kBiRle4)
    imageBytes = static_cast<uint64_t>(DibImageBytes(header.width, header.bitCount, header.height));
  const uint64_t dibBytes = kDibHeaderSize + tableBytes + imageBytes;
  if (dibBytes > dib.size() || kFileHeaderSize + dibBytes > UINT32_MAX)
    return fail(DibWriteResult::kBadHeader);
  std::vector<uint8_t> out(kFileHeaderSize + dibBytes);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out.data() + 2, static_cast<uint32_t>(out.size()));
  Put32(out.data() + 10, static_cast<uint32_t>(kFileHeaderSize + kDibHeaderSize + tableBytes));
  std::memcpy(out.data() + kFileHeaderSize, dib.data(), static_cast<size_t>(dibBytes));
  Put32(out.data() + kFileHeaderSize + 20, static_cast<uint32_t>(imageBytes));
  *result = DibWriteResult::kWritten;
  return out;
}

DibWriteResult WriteDibFile(const PackedDib& dib, const QString& path) {
  DibWriteResult result = DibWriteResult::kNotWritten;
  const auto bytes = DibFileBytes(dib, &result);
  if (!bytes) return result;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return DibWriteResult::kNotWritten;
  const auto n = static_cast<qint64>(bytes->size());
  if (file.write(reinterpret_cast<const char*>(bytes->data()), n) != n || !file.commit())
    return DibWriteResult::kNotWritten;
  return DibWriteResult::kWritten;
}

PackedDib ReadDibFile(const uint8_t* data, size_t size) {
  if (!data || size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return {};
  const uint64_t offBits = Get32(data + 10);
  const auto h = ReadDibHeader(data + kFileHeaderSize, size - kFileHeaderSize);
  if (!h || h->compression != kBiRgb) return {};
  const bool core = h->size == kDibCoreHeaderSize;
  const uint32_t count = DibNumColors(*h);
  if (count > 256 && IsIndexedDepth(h->bitCount)) return {};
  const uint64_t tableStart = kFileHeaderSize + uint64_t{h->size};
  const uint64_t tableBytes = DibColorTableSize(*h);
  if (tableStart + tableBytes > size || offBits < tableStart + tableBytes) return {};
  const int64_t rows = std::abs(int64_t{h->height});
  const int64_t imageBytes = DibImageBytes(h->width, h->bitCount, rows);
  if (h->width <= 0 || rows == 0 || h->width > kMaxDibDimension || rows > kMaxDibDimension ||
      imageBytes > kMaxDibImageBytes || offBits + static_cast<uint64_t>(imageBytes) > size)
    return {};

  DibHeader header = *h;
  header.size = kDibHeaderSize;
  header.sizeImage = static_cast<uint32_t>(imageBytes);
  header.clrUsed = count;
  PackedDib dib(kDibHeaderSize + size_t{count} * 4 + static_cast<size_t>(imageBytes), 0);
  WriteDibHeader(header, dib.data());
  const uint8_t* table = data + tableStart;
  const size_t entry = core ? 3 : 4;
  for (uint32_t i = 0; i < count; ++i)
    std::memcpy(dib.data() + kDibHeaderSize + 4 * i, table + entry * i, 3);
  std::memcpy(dib.data() + kDibHeaderSize + size_t{count} * 4, data + offBits,
              static_cast<size_t>(imageBytes));
  return dib;
}

QImage LoadBitmapFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxDibImageBytes + (int64_t{1} << 20))
    return {};
  const QByteArray bytes = file.readAll();
  return PackedDibToImage(
      ReadDibFile(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())));
}

}  // namespace qvp
