#pragma once
// What the image fuzz targets do with one input, shared with the regression test that
// replays saved inputs in the normal suite. Header-only so both builds use it as is.
//
// A "png" input is a PNG file whose chunk CRCs are first made right (so mutations
// reach the chunk readers): decoded, split into its images, and each image packed
// again. A "bmp" input is a .bmp file, read and written back, taken as a packed DIB as
// it stands, and loaded as a picture file (.bmp, .gif, .jpg, .png, .ico and .cur, the
// kinds the pages open). Whatever a reader accepts is written out whole and cut short
// again: no cut may be accepted. Each Run function answers false when one was.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "platform/com/Picture.h"
#include "platform/com/Stream.h"
#include "proppages/Dib.h"
#include "proppages/PngStrip.h"

namespace imgfuzz {

// Touches the first and last pixel so a short image shows.
inline void Touch(const QImage& image) {
  if (image.isNull()) return;
  volatile QRgb sink = image.pixel(0, 0) ^ image.pixel(image.width() - 1, image.height() - 1);
  (void)sink;
}

// Same format, size, colour table and pixel bytes (QImage's own comparison looks up
// indexes past the table).
inline bool SameImage(const QImage& a, const QImage& b) {
  if (a.format() != b.format() || a.size() != b.size() || a.colorTable() != b.colorTable()) return false;
  const auto bytes = static_cast<size_t>((a.width() * a.depth() + 7) / 8);
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), bytes) != 0) return false;
  return true;
}

// A run-length bitmap may leave pixels unset (a delta, an early end), and the reader
// leaves those undefined: of such a file only the format, size and colour table are
// compared.
inline bool IsRunLengthBmp(const QByteArray& file) {
  return file.size() >= 34 && file.startsWith("BM") && (file[30] == 1 || file[30] == 2) && file[31] == 0 &&
         file[32] == 0 && file[33] == 0;
}

inline bool SameShape(const QImage& a, const QImage& b) {
  return a.format() == b.format() && a.size() == b.size() && a.colorTable() == b.colorTable();
}

// Saved files up to this size are cut at every length.
inline constexpr size_t kCutEveryLengthUpTo = 2048;

// Where a whole file is cut: at every length when it is small, else its last byte gone,
// its second half gone, and only its first 100 bytes.
inline std::vector<size_t> Cuts(size_t size) {
  std::vector<size_t> cuts;
  if (size <= kCutEveryLengthUpTo) {
    for (size_t cut = 1; cut < size; ++cut) cuts.push_back(cut);
    return cuts;
  }
  for (size_t cut : {size - 1, size / 2, size_t{100}})
    if (cut > 0 && cut < size) cuts.push_back(cut);
  return cuts;
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

// The bytes up to the end of the first IEND chunk, where the reader stops, walking the
// chunks by their lengths; empty when no such chunk ends inside the bytes.
inline std::vector<uint8_t> UpToIend(const std::vector<uint8_t>& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const size_t len = (size_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    if (len > png.size() - at - 12) break;
    const auto end = static_cast<std::ptrdiff_t>(at + 12 + len);
    if (std::equal(png.begin() + static_cast<std::ptrdiff_t>(at) + 4,
                   png.begin() + static_cast<std::ptrdiff_t>(at) + 8, "IEND"))
      return {png.begin(), png.begin() + end};
    at += 12 + len;
  }
  return {};
}

inline bool RunPngInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> png = WithGoodCrcs(data, size);
  const auto strip = qvp::DecodePngStrip(png.data(), png.size());
  if (!strip) return true;
  if (const auto images = qvp::SplitPngStrip(*strip)) {
    for (const qvp::PngImage& image : *images) {
      Touch(image.image);
      const qvp::PackedDib dib = qvp::BitmapToPackedDib(image.image, &image.palette, 0);
      qvp::DibWriteResult result;
      qvp::DibFileBytes(dib, &result);
    }
  }
  // The file as far as its end chunk, cut short.
  const std::vector<uint8_t> whole = UpToIend(png);
  for (size_t cut : Cuts(whole.size()))
    if (qvp::DecodePngStrip(whole.data(), cut)) return false;
  return true;
}

// A picture file as the pages load one: no cut of it may load as anything but the
// whole file's image (bytes past the file's end may go), and its saved form cut short
// must not load.
inline bool RunPictureInput(const uint8_t* data, size_t size) {
  const auto load = [](const QByteArray& bytes, QImage* image) {
    auto stream = com::MemoryStream::Over(bytes);
    com::Ref<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, picture.OutVoid()))) return picture;
    picture->GetImage(image);
    return picture;
  };
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QImage image;
  const com::Ref<IPicture> picture = load(input, &image);
  if (!picture) return true;
  Touch(image);
  const bool unsetPixels = IsRunLengthBmp(input);
  for (qsizetype cut = 0; cut < input.size(); ++cut) {
    QImage part;
    if (load(input.left(cut), &part) && !(unsetPixels ? SameShape(part, image) : SameImage(part, image))) return false;
  }
  auto saved = com::MemoryStream::Over();
  LONG length = 0;
  if (FAILED(picture->SaveAsFile(saved.get(), TRUE, &length))) return true;
  QByteArray whole;
  saved->Seek(0, STREAM_SEEK_SET, nullptr);
  if (FAILED(com::ReadRest(saved.get(), whole))) return true;
  for (size_t cut : Cuts(static_cast<size_t>(whole.size())))
    if (load(whole.left(static_cast<qsizetype>(cut)), nullptr)) return false;
  return true;
}

inline bool RunBmpInput(const uint8_t* data, size_t size) {
  const qvp::PackedDib dib = qvp::ReadDibFile(data, size);
  Touch(qvp::PackedDibToImage(dib));
  qvp::CreateDibPalette(dib);
  qvp::DibWriteResult result;
  if (const auto file = qvp::DibFileBytes(dib, &result); file && !dib.empty()) {
    for (size_t cut : Cuts(file->size()))
      if (!qvp::ReadDibFile(file->data(), cut).empty()) return false;
  }
  const qvp::PackedDib raw(data, data + size);
  Touch(qvp::PackedDibToImage(raw));
  qvp::CreateDibPalette(raw);
  qvp::DibFileBytes(raw, &result);
  return RunPictureInput(data, size);
}

}  // namespace imgfuzz
