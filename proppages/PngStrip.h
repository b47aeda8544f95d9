#pragma once
// PNG image strips: images of equal size stacked top to bottom in one PNG image, with
// one text chunk (keyword "KEY") per image carrying the image's key, before and again
// after the image data. Encoding and decoding are libpng's.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "proppages/CPageString.h"
#include "proppages/Dib.h"

namespace qvp {

// Largest PNG width and height read; larger ones are refused.
constexpr uint32_t kMaxPngWidth = 16384;
constexpr uint32_t kMaxPngHeight = 1u << 20;

// Writes the strip (height = keys × image height) as a palette PNG of 1, 4 or 8 bits, a
// truecolour PNG for 24 or one with alpha for 32 (0: chosen from the image, with alpha
// when the image has an alpha channel), through a temporary name renamed into place. The key texts are written before the image data and again after it
// (png_set_text once more before png_write_end, as written texts are marked done).
// False, with any old file kept, when the bitmap or depth is unusable, for more keys
// than rows or than 4096 keys, or when anything fails.
bool SaveDibAsPng(const QString& path, const std::vector<CPageString>& keys, const QImage& strip,
                  const Palette* palette, int bitsPerPixel);

struct PngStrip {
  PackedDib dib;                  // the whole image, 1, 4, 8 or 24 bits
  std::vector<CPageString> keys;  // texts of the text chunks before the image data
};
// Decodes PNG bytes. Interlaced images are refused. Grey images become palette images
// of grey levels, 2-bit ones 4-bit, 16-bit samples are reduced to 8 and alpha channels
// dropped; a PLTE in a truecolour file is ignored. Limits: 8 MB per chunk, 8208 cached
// chunks, no allocation above 32 MB, so a corrupt length cannot ask for gigabytes. libpng
// errors jump back into one function that owns nothing with a destructor; rows are
// appended as decoded, so a truncated file never costs the full image. A warning about
// a text chunk refuses the file, since the keys would shift against the images.
// Nothing on any error.
std::optional<PngStrip> DecodePngStrip(const uint8_t* data, size_t size);

struct PngImage {
  QImage image;
  Palette palette;  // the colour table, or the colour cube for 24 bits
  CPageString key;
};
// The strip cut into its images: count = number of keys (1 without any), height =
// PNG height / count, rows left below the last image dropped. Nothing when there are
// more keys than rows.
std::optional<std::vector<PngImage>> SplitPngStrip(const PngStrip& strip);

// Reads a strip file and hands each image to the sink, top to bottom. False, with
// nothing handed out, when the file cannot be read or decoded.
bool LoadPngIntoImageList(const QString& path, const std::function<void(PngImage&&)>& sink);
// The whole file as one picture; nothing when it cannot be read or decoded.
std::optional<PngImage> LoadPngPicture(const QString& path);

}  // namespace qvp
