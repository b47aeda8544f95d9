#pragma once
// What the image fuzz targets do with one input, shared with the regression test that
// replays saved inputs in the normal suite. Header-only so both builds use it as is.
//
// A "png" input is a PNG file whose chunk CRCs are first made right (so mutations
// reach the chunk readers): decoded, split into its images, and each image packed again. A "bmp" input is a .bmp file, read and written back, and also taken as a
// packed DIB as it stands.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

#include "proppages/Dib.h"
#include "proppages/PngStrip.h"

namespace imgfuzz {

// Touches the first and last pixel so a short image shows.
inline void Touch(const QImage& image) {
  if (image.isNull()) return;
  volatile QRgb sink = image.pixel(0, 0) ^ image.pixel(image.width() - 1, image.height() - 1);
  (void)sink;
}

// Rewrites the CRC of every complete chunk after the signature.
inline std::vector<uint8_t> WithGoodCrcs(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out(data, data + size);
  size_t at = 8;
  while (at + 12 <= out.size()) {
    const size_t len = (size_t{out[at]} << 24) | (out[at + 1] << 16) | (out[at + 2] << 8) | out[at + 3];
    if (len > out.size() - at - 12) break;
    const auto crc = static_cast<uint32_t>(crc32(0, out.data() + at + 4, static_cast<uInt>(len + 4)));
    for (int i = 0; i < 4; ++i) out[at + 8 + len + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    at += 12 + len;
  }
  return out;
}

inline void RunPngInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> png = WithGoodCrcs(data, size);
  const auto strip = qvp::DecodePngStrip(png.data(), png.size());
  if (!strip) return;
  const auto images = qvp::SplitPngStrip(*strip);
  if (!images) return;
  for (const qvp::PngImage& image : *images) {
    Touch(image.image);
    const qvp::PackedDib dib = qvp::BitmapToPackedDib(image.image, &image.palette, 0);
    qvp::DibWriteResult result;
    qvp::DibFileBytes(dib, &result);
  }
}

inline void RunBmpInput(const uint8_t* data, size_t size) {
  const qvp::PackedDib dib = qvp::ReadDibFile(data, size);
  Touch(qvp::PackedDibToImage(dib));
  qvp::CreateDibPalette(dib);
  qvp::DibWriteResult result;
  qvp::DibFileBytes(dib, &result);
  const qvp::PackedDib raw(data, data + size);
  Touch(qvp::PackedDibToImage(raw));
  qvp::CreateDibPalette(raw);
  qvp::DibFileBytes(raw, &result);
}

}  // namespace imgfuzz
