#pragma once
// Device-independent bitmaps of the property pages library, on QImage.
//
// A packed DIB is one block: a 40-byte info header (a 12-byte core header is read
// where noted), its colour table of 4-byte blue-green-red-0 entries, then the pixel
// rows bottom-up, each padded to a multiple of 4 bytes. It is a plain byte vector, so
// every copy has one owner. Pictures the pages hold are QImage values: 1-bit images
// are Format_Mono, 4- and 8-bit ones Format_Indexed8 (a 4-bit image keeps indexes
// below 16), deeper ones Format_RGB32.

#include <QImage>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qvp {

using PackedDib = std::vector<uint8_t>;
using Palette = QList<QRgb>;

constexpr uint32_t kDibHeaderSize = 40;
constexpr uint32_t kDibCoreHeaderSize = 12;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;

// Largest width or height read or written; larger bitmaps are refused as corrupt.
constexpr int32_t kMaxDibDimension = 1 << 20;
// Largest pixel block read or written, in bytes.
constexpr int64_t kMaxDibImageBytes = int64_t{1} << 28;

struct DibHeader {
  uint32_t size = kDibHeaderSize;
  int32_t width = 0;
  int32_t height = 0;  // negative: rows stored top-down
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

// Bytes of one row: ((width × bits + 31) / 32) × 4; 0 for a negative width or depth.
int64_t DibRowBytes(int64_t width, int bitCount);
// Bytes of |height| such rows, INT64_MAX when a header declares more than that.
int64_t DibImageBytes(int64_t width, int bitCount, int64_t height);

// Colour-table entries: a core header has 2, 16 or 256 for 1, 4 or 8 bits; a 40-byte
// header its used-colour count when non-zero, else the same, and 0 for other depths.
uint32_t DibNumColors(const DibHeader& header);
// The table in bytes: 3 per entry under a core header, 4 otherwise.
uint32_t DibColorTableSize(const DibHeader& header);

// The header at the start of a packed DIB (core or at least 40 bytes long). For a
// 40-byte header a zero image size is filled from the row rule and a zero colour
// count from DibNumColors. Nothing when the block is too short for its header.
std::optional<DibHeader> ReadDibHeader(const uint8_t* data, size_t size);
void WriteDibHeader(const DibHeader& header, uint8_t* out);

// The palette of a 40-byte header and its colour table: one entry per colour; for 24
// bits without a table the fixed 256-colour cube; empty otherwise, or when the table
// does not fit in tableBytes.
Palette CreateDibPalette(const DibHeader& header, const uint8_t* table, size_t tableBytes);
Palette CreateDibPalette(const PackedDib& dib);
// The 256-colour cube: entry i = red 32 × (i mod 8), green 32 × ((i / 8) mod 8),
// blue 64 × (i / 64).
Palette ColorCubePalette();
// The palette used when a caller gives none: black and white, the 16 standard
// colours, or the colour cube, for 1, 4 and 8 bits.
Palette DefaultPalette(int bitsPerPixel);

// Bits per pixel for a request of 0: the image's depth mapped as below 2 → 1, up to 4
// → 4, up to 8 → 8, else 24. Other requests are returned as they are.
int ChooseDibDepth(const QImage& image, int requested);

// The image as an indexed image of 2^bits colours (bits 1, 4 or 8): an indexed image
// of at most that many colours keeps its indexes when no palette is given; otherwise
// each pixel takes the nearest colour of the palette (or DefaultPalette). The colour
// table is padded with black to exactly 2^bits entries. Null for other depths.
QImage ToIndexedImage(const QImage& image, int bitsPerPixel, const Palette* palette = nullptr);

// The image as a packed DIB of 1, 4, 8 or 24 bits (0: ChooseDibDepth), uncompressed,
// with 2^bits table colours up to 8 bits and none for 24. Empty for a null image, an
// unsupported depth or a bitmap above the size limits.
PackedDib BitmapToPackedDib(const QImage& image, const Palette* palette, int bitsPerPixel);

// The image as a packed DIB of indexes into the palette (DefaultPalette(8) when none
// is given; at most 256 entries): 4 bits for up to 16 entries, else 8, each pixel the
// index of the nearest palette colour; the table is the palette, its size the used
// colour count. Empty for a null image or one above the size limits.
PackedDib BitmapToPaletteDib(const QImage& image, const Palette* palette);

// The pixels of an uncompressed packed DIB with a 40-byte header and 1, 4, 8, 16, 24
// or 32 bits per pixel. Null when the block does not hold what its header declares.
QImage PackedDibToImage(const PackedDib& dib);

// An 8 × 8 1-bit bitmap whose rows alternate 01010101 (top) and 10101010; colour 0 is
// white and colour 1 black.
QImage MakeHalftoneBitmap();

// .bmp files: a 14-byte file header ("BM", file size, 0, 0, offset of the bits) and the
// packed DIB.
enum class DibWriteResult : uint16_t {
  kWritten = 0,
  kNotWritten = 2,  // the file could not be created or written; an old one is kept
  kNoDib = 3,
  kBadHeader = 4,  // not a 40-byte header, or the block is shorter than it declares
};
// The file's bytes: image bytes are biSizeImage for RLE compression, else the row rule
// × rows, which is also stored as biSizeImage.
std::optional<std::vector<uint8_t>> DibFileBytes(const PackedDib& dib, DibWriteResult* result);
// Writes the file through a temporary name and renames it into place.
DibWriteResult WriteDibFile(const PackedDib& dib, const QString& path);

// The packed DIB of a .bmp file's bytes, with a 40-byte header (core and longer headers
// are converted) and an uncompressed image. Empty for anything else or a short file.
PackedDib ReadDibFile(const uint8_t* data, size_t size);
// The picture of a .bmp file; null when it cannot be read.
QImage LoadBitmapFile(const QString& path);

}  // namespace qvp
