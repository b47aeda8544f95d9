#pragma once
// Helpers for the image tests: PNG files of any kind made directly with libpng, the
// chunk list of a PNG file, and pixel comparison.

#include <png.h>
#include <zlib.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pngtest {

struct PngSpec {
  uint32_t width = 4;
  uint32_t height = 4;
  int bitDepth = 8;
  int colourType = PNG_COLOR_TYPE_RGB;
  int interlace = PNG_INTERLACE_NONE;
  std::vector<png_color> palette;        // PLTE, for any colour type
  std::vector<std::string> textsBefore;  // tEXt chunks before the image data
  std::vector<std::string> textsAfter;
  bool compressTexts = false;            // zTXt instead of tEXt
  // Sample s (0-based, across the row) of row y, masked to the bit depth.
  uint32_t (*sample)(uint32_t y, uint32_t s) = [](uint32_t y, uint32_t s) { return y * 7 + s * 3; };
};

inline int Channels(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
  }
}

inline void Append(png_structp png, png_bytep data, size_t n) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), n);
}
inline void NoFlush(png_structp) {}

inline void SetTexts(png_structp png, png_infop info, const std::vector<std::string>& texts, bool compress,
                     std::vector<png_text>* store) {
  static char keyword[] = "KEY";
  store->assign(texts.size(), png_text{});
  for (size_t i = 0; i < texts.size(); ++i) {
    (*store)[i].compression = compress ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
    (*store)[i].key = keyword;
    (*store)[i].text = const_cast<char*>(texts[i].c_str());
    (*store)[i].text_length = texts[i].size();
  }
  if (!texts.empty()) png_set_text(png, info, store->data(), static_cast<int>(store->size()));
}

// The PNG bytes of the spec; empty when libpng refuses it.
inline std::string MakePng(const PngSpec& spec) {
  std::string out;
  std::vector<png_text> before;
  std::vector<png_text> after;
  const int channels = Channels(spec.colourType);
  const size_t rowBytes = (size_t{spec.width} * channels * spec.bitDepth + 7) / 8;
  std::vector<std::vector<uint8_t>> rows(spec.height, std::vector<uint8_t>(rowBytes, 0));
  const uint32_t mask = spec.bitDepth == 16 ? 0xFFFF : (1u << spec.bitDepth) - 1;
  for (uint32_t y = 0; y < spec.height; ++y) {
    for (uint32_t s = 0; s < spec.width * channels; ++s) {
      const uint32_t v = spec.sample(y, s) & mask;
      if (spec.bitDepth == 16) {
        rows[y][2 * s] = static_cast<uint8_t>(v >> 8);
        rows[y][2 * s + 1] = static_cast<uint8_t>(v);
      } else {
        const size_t bit = size_t{s} * spec.bitDepth;
        rows[y][bit / 8] = static_cast<uint8_t>(rows[y][bit / 8] | (v << (8 - spec.bitDepth - bit % 8)));
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, Append, NoFlush);
  png_set_benign_errors(png, 1);  // lets a test write palette indexes beyond the PLTE
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colourType, spec.interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty())
    png_set_PLTE(png, info, const_cast<png_colorp>(spec.palette.data()), static_cast<int>(spec.palette.size()));
  SetTexts(png, info, spec.textsBefore, spec.compressTexts, &before);
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  SetTexts(png, info, spec.textsAfter, spec.compressTexts, &after);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct Chunk {
  std::string type;
  std::string data;
};

// The chunks of a PNG file in order; empty when the signature is wrong.
inline std::vector<Chunk> Chunks(const std::string& png) {
  std::vector<Chunk> out;
  if (png.size() < 8 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return out;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const auto* p = reinterpret_cast<const uint8_t*>(png.data() + at);
    const size_t len = (size_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    if (at + 12 + len > png.size()) break;
    out.push_back({png.substr(at + 4, 4), png.substr(at + 8, len)});
    at += 12 + len;
  }
  return out;
}

// The PNG with one more chunk (correct CRC) right after IHDR.
inline std::string InsertChunk(const std::string& png, const std::string& type, const std::string& data) {
  const std::string typeAndData = type + data;
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(typeAndData.data()), static_cast<uInt>(typeAndData.size())));
  std::string chunk;
  for (uint32_t v : {static_cast<uint32_t>(data.size())})
    for (int i = 3; i >= 0; --i) chunk += static_cast<char>(v >> (8 * i));
  chunk += typeAndData;
  for (int i = 3; i >= 0; --i) chunk += static_cast<char>(crc >> (8 * i));
  return png.substr(0, 33) + chunk + png.substr(33);
}

inline std::string ReadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray b = f.readAll();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

inline bool WriteFile(const QString& path, const std::string& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) &&
         f.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

// Whether the two images show the same colours at every pixel (formats may differ).
inline bool SamePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (qRgb(qRed(a.pixel(x, y)), qGreen(a.pixel(x, y)), qBlue(a.pixel(x, y))) !=
          qRgb(qRed(b.pixel(x, y)), qGreen(b.pixel(x, y)), qBlue(b.pixel(x, y))))
        return false;
  return true;
}

}  // namespace pngtest
