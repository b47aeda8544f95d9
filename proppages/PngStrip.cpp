#include "proppages/PngStrip.h"

#include <png.h>

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace qvp {

namespace {

// More keys than this are refused, on writing and reading. libpng keeps at most a
// fixed number of ancillary chunks and drops the rest, which would miscount images;
// the keys come twice in a file, before and after the image data.
constexpr int kMaxPngKeys = 4096;
constexpr int kChunkCacheMax = 2 * kMaxPngKeys + 16;
constexpr png_alloc_size_t kChunkMallocMax = 8u << 20;
// Nothing libpng itself needs (rows, chunk and inflate buffers) comes near this; a
// chunk length from a corrupt file may ask for much more.
constexpr png_alloc_size_t kMaxPngAllocation = 32u << 20;
constexpr qint64 kMaxPngFileBytes = int64_t{1} << 28;

char kKeyword[] = "KEY";

struct ErrorState {
  bool damagedText = false;
};

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
// libpng names the chunk first in its warnings. A text chunk it warns about is dropped
// (no room, no memory, bad keyword), which would shift the keys against the images.
void OnWarning(png_structp png, png_const_charp message) {
  if (!message) return;
  for (const char* text : {"tEXt", "zTXt", "iTXt"})
    if (std::strncmp(message, text, 4) == 0) static_cast<ErrorState*>(png_get_error_ptr(png))->damagedText = true;
}

png_voidp Allocate(png_structp, png_alloc_size_t size) {
  return size > kMaxPngAllocation ? nullptr : std::malloc(size);
}
void Free(png_structp, png_voidp p) { std::free(p); }

// --- writing ---

void WriteToFile(png_structp png, png_bytep data, size_t n) {
  auto* file = static_cast<QSaveFile*>(png_get_io_ptr(png));
  if (file->write(reinterpret_cast<const char*>(data), static_cast<qint64>(n)) != static_cast<qint64>(n))
    png_error(png, "write failed");
}
void FlushFile(png_structp) {}

struct EncodeInput {
  const uint8_t* bits;
  int64_t rowBytes;
  bool topDown;  // rows from the top (RGBA rows), else bottom-up as in a DIB
  DibHeader header;
  png_text* texts;
  int textCount;
  png_color* colours;
  int colourCount;
};

// Runs under libpng's jump buffer, so it holds nothing that needs destroying.
bool EncodeCore(png_structp png, png_infop info, const EncodeInput* in) {
  if (setjmp(png_jmpbuf(png))) return false;
  const DibHeader& h = in->header;
  const bool truecolour = h.bitCount == 24;
  const bool alpha = h.bitCount == 32;
  const int colourType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : truecolour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE;
  png_set_IHDR(png, info, static_cast<png_uint_32>(h.width), static_cast<png_uint_32>(h.height),
               truecolour || alpha ? 8 : h.bitCount, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, in->colours, in->colourCount);
  if (in->textCount > 0) png_set_text(png, info, in->texts, in->textCount);
  png_write_info(png, info);
  if (truecolour) png_set_bgr(png);
  // DIB rows are bottom-up: the last one in memory is the image's top row.
  for (int32_t row = 0; row < h.height; ++row)
    png_write_row(png, in->bits + (in->topDown ? row : h.height - 1 - row) * in->rowBytes);
  // Texts already written are marked so; setting them again writes them after the data.
  if (in->textCount > 0) png_set_text(png, info, in->texts, in->textCount);
  png_write_end(png, info);
  return true;
}

// --- reading ---

struct ReadSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void ReadFromBuffer(png_structp png, png_bytep out, size_t n) {
  auto* src = static_cast<ReadSource*>(png_get_io_ptr(png));
  if (n > src->size - src->pos) png_error(png, "truncated");
  std::memcpy(out, src->data + src->pos, n);
  src->pos += n;
}

struct DecodeState {
  PngStrip strip;
  std::vector<uint8_t> row;  // one decoded row: a byte per index or blue-green-red
};

// Packs one decoded row (a byte per pixel, or three for truecolour) into DIB form.
void PackRow(const uint8_t* row, uint32_t width, int bits, uint8_t* out) {
  if (bits == 24 || bits == 8) {
    std::memcpy(out, row, size_t{width} * (bits / 8));
    return;
  }
  const int perByte = 8 / bits;
  for (uint32_t x = 0; x < width; ++x)
    out[x / perByte] = static_cast<uint8_t>(out[x / perByte] | (row[x] << (8 - bits * (x % perByte + 1))));
}

// Runs under libpng's jump buffer, so it holds nothing that needs destroying.
bool DecodeCore(png_structp png, png_infop info, DecodeState* st) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colourType = 0;
  int interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
  if (interlace != PNG_INTERLACE_NONE) return false;
  if (static_cast<ErrorState*>(png_get_error_ptr(png))->damagedText) return false;

  png_textp texts = nullptr;
  const int textCount = png_get_text(png, info, &texts, nullptr);
  if (textCount > kMaxPngKeys) return false;
  for (int i = 0; i < textCount; ++i) st->strip.keys.emplace_back(texts[i].text ? texts[i].text : "");

  if (bitDepth == 16) png_set_strip_16(png);
  if (colourType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
  if (bitDepth < 8) png_set_packing(png);
  const int sampleBits = std::min(bitDepth, 8);
  const bool truecolour = (colourType & PNG_COLOR_MASK_COLOR) && colourType != PNG_COLOR_TYPE_PALETTE;
  if (truecolour) png_set_bgr(png);
  png_read_update_info(png, info);

  DibHeader h;
  h.width = static_cast<int32_t>(width);
  h.height = static_cast<int32_t>(height);
  h.bitCount = static_cast<uint16_t>(truecolour ? 24 : (sampleBits == 2 ? 4 : sampleBits));
  const size_t decodedBytes = size_t{width} * (truecolour ? 3 : 1);
  if (png_get_rowbytes(png, info) != decodedBytes) return false;
  const int64_t rowBytes = DibRowBytes(width, h.bitCount);
  if (rowBytes * height > kMaxDibImageBytes) return false;
  h.sizeImage = static_cast<uint32_t>(rowBytes * height);
  h.clrUsed = h.clrImportant = DibNumColors(h);

  const uint32_t tableBytes = DibColorTableSize(h);
  PackedDib& dib = st->strip.dib;
  dib.assign(kDibHeaderSize + tableBytes, 0);
  WriteDibHeader(h, dib.data());
  uint8_t* table = dib.data() + kDibHeaderSize;
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp plte = nullptr;
    int plteCount = 0;
    if (png_get_PLTE(png, info, &plte, &plteCount) == 0) return false;
    for (int k = 0; k < std::min<int>(plteCount, static_cast<int>(tableBytes / 4)); ++k) {
      table[4 * k] = plte[k].blue;
      table[4 * k + 1] = plte[k].green;
      table[4 * k + 2] = plte[k].red;
    }
  } else if (!truecolour) {
    const int levels = 1 << sampleBits;
    for (int k = 0; k < levels; ++k) {
      const auto grey = static_cast<uint8_t>(k * 255 / (levels - 1));
      std::memset(table + 4 * k, grey, 3);
    }
  }

  // Rows are appended top-down as they are decoded (so a truncated file never costs
  // the whole image's memory) and turned bottom-up at the end.
  st->row.assign(decodedBytes, 0);
  for (png_uint_32 y = 0; y < height; ++y) {
    png_read_row(png, st->row.data(), nullptr);
    const size_t at = dib.size();
    dib.resize(at + static_cast<size_t>(rowBytes), 0);
    PackRow(st->row.data(), width, h.bitCount, dib.data() + at);
  }
  uint8_t* bits = dib.data() + kDibHeaderSize + tableBytes;
  for (png_uint_32 y = 0; y < height / 2; ++y)
    std::swap_ranges(bits + y * rowBytes, bits + (y + 1) * rowBytes, bits + (height - 1 - y) * rowBytes);
  png_read_end(png, nullptr);
  return true;
}

std::optional<QByteArray> ReadFileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPngFileBytes) return std::nullopt;
  return file.readAll();
}

std::optional<PngStrip> DecodeFile(const QString& path) {
  const auto bytes = ReadFileBytes(path);
  if (!bytes) return std::nullopt;
  return DecodePngStrip(reinterpret_cast<const uint8_t*>(bytes->constData()),
                        static_cast<size_t>(bytes->size()));
}

}  // namespace

bool SaveDibAsPng(const QString& path, const std::vector<CPageString>& keys, const QImage& strip,
                  const Palette* palette, int bitsPerPixel) {
  if (keys.size() > static_cast<size_t>(kMaxPngKeys) || keys.size() > static_cast<size_t>(strip.height()))
    return false;
  // A chosen depth keeps an alpha channel: red, green, blue and alpha samples.
  const int bits = bitsPerPixel == 0 && strip.hasAlphaChannel() ? 32 : ChooseDibDepth(strip, bitsPerPixel);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  EncodeInput in{};
  PackedDib dib;
  QImage rgba;
  std::vector<png_color> colours;
  if (bits == 32) {
    rgba = strip.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull()) return false;
    in.bits = rgba.constBits();
    in.rowBytes = rgba.bytesPerLine();
    in.topDown = true;
    in.header.width = rgba.width();
    in.header.height = rgba.height();
    in.header.bitCount = 32;
  } else {
    dib = BitmapToPackedDib(strip, palette, bits);
    const auto header = ReadDibHeader(dib.data(), dib.size());
    if (!header) return false;
    const uint32_t tableBytes = DibColorTableSize(*header);
    colours.resize(tableBytes / 4);
    const uint8_t* table = dib.data() + kDibHeaderSize;
    for (size_t k = 0; k < colours.size(); ++k)
      colours[k] = png_color{table[4 * k + 2], table[4 * k + 1], table[4 * k]};
    in.bits = table + tableBytes;
    in.rowBytes = DibRowBytes(header->width, header->bitCount);
    in.header = *header;
  }
  std::vector<png_text> texts(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    const char* key = keys[i].Text();
    texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[i].key = kKeyword;
    texts[i].text = const_cast<char*>(key ? key : "");
    texts[i].text_length = key ? static_cast<size_t>(keys[i].Length()) : 0;
  }

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  ErrorState errors;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info) {
    png_set_write_fn(png, &file, WriteToFile, FlushFile);
    in.texts = texts.data();
    in.textCount = static_cast<int>(texts.size());
    in.colours = colours.data();
    in.colourCount = static_cast<int>(colours.size());
    ok = EncodeCore(png, info, &in);
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return ok && file.commit();
}

std::optional<PngStrip> DecodePngStrip(const uint8_t* data, size_t size) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return std::nullopt;
  ErrorState errors;
  png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &errors, OnError, OnWarning, nullptr,
                                             Allocate, Free);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  DecodeState state;
  ReadSource source{data, size, 0};
  if (info) {
    png_set_user_limits(png, kMaxPngWidth, kMaxPngHeight);
    png_set_chunk_cache_max(png, kChunkCacheMax);
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    png_set_read_fn(png, &source, ReadFromBuffer);
    try {
      ok = DecodeCore(png, info, &state);
    } catch (const std::bad_alloc&) {
      ok = false;  // no room for the rows: refused like any other failure
    }
  }
  png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
  if (!ok) return std::nullopt;
  return std::move(state.strip);
}

std::optional<std::vector<PngImage>> SplitPngStrip(const PngStrip& strip) {
  const QImage whole = PackedDibToImage(strip.dib);
  if (whole.isNull()) return std::nullopt;
  const size_t count = std::max<size_t>(strip.keys.size(), 1);
  if (count > static_cast<size_t>(whole.height())) return std::nullopt;
  const int height = whole.height() / static_cast<int>(count);
  const Palette palette = CreateDibPalette(strip.dib);
  std::vector<PngImage> images;
  images.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    images.push_back(PngImage{whole.copy(0, static_cast<int>(i) * height, whole.width(), height), palette,
                              strip.keys.empty() ? CPageString() : strip.keys[i]});
  }
  return images;
}

bool LoadPngIntoImageList(const QString& path, const std::function<void(PngImage&&)>& sink) {
  const auto strip = DecodeFile(path);
  if (!strip) return false;
  auto images = SplitPngStrip(*strip);
  if (!images) return false;
  for (PngImage& image : *images) sink(std::move(image));
  return true;
}

std::optional<PngImage> LoadPngPicture(const QString& path) {
  const auto strip = DecodeFile(path);
  if (!strip) return std::nullopt;
  QImage image = PackedDibToImage(strip->dib);
  if (image.isNull()) return std::nullopt;
  return PngImage{std::move(image), CreateDibPalette(strip->dib), CPageString()};
}

}  // namespace qvp
