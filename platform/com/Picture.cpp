#include "platform/com/Picture.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <optional>

#include "platform/com/Dispatch.h"
#include "platform/com/Font.h"
#include "platform/com/Stream.h"

namespace com {

LONG PixelsToHimetric(LONG pixels) {
  return static_cast<LONG>((static_cast<long long>(pixels) * 2540 + (pixels >= 0 ? 48 : -48)) / 96);
}

LONG HimetricToPixels(LONG himetric) {
  return static_cast<LONG>(
      (static_cast<long long>(himetric) * 96 + (himetric >= 0 ? 1270 : -1270)) / 2540);
}

HMETAFILE MakeMetafile(const QPicture& commands, QRect window) {
  return std::make_shared<const Metafile>(
      Metafile{commands, window.isEmpty() ? commands.boundingRect() : window});
}

bool PlayMetafile(QPainter& painter, const Metafile& metafile, const QRectF& target) {
  const QRect& window = metafile.window;
  if (window.isEmpty() || target.width() == 0 || target.height() == 0) return false;
  painter.save();
  painter.translate(target.topLeft());
  painter.scale(target.width() / window.width(), target.height() / window.height());
  painter.translate(-window.topLeft());
  painter.drawPicture(0, 0, metafile.commands);
  painter.restore();
  return true;
}

Ref<ITypeLib> StandardTypes() {
  {
    TypeLibBuilder b(MakeGuid("7B1E4D20-5C3A-4F61-9B0E-2D6C8A4F1E93"), QStringLiteral("StdTypes"),
                     2, 0);
    b.AddType(TKIND_ALIAS, GUID_NULL, QStringLiteral("OLE_COLOR")).AliasOf(VT_UI4);
    b.AddType(TKIND_DISPATCH, IID_IPictureDisp, QStringLiteral("Picture"))
        .Property(DISPID_PICT_HANDLE, QStringLiteral("Handle"), VT_I4, true)
        .Property(DISPID_PICT_HPAL, QStringLiteral("hPal"), VT_I4, true)
        .Property(DISPID_PICT_TYPE, QStringLiteral("Type"), VT_I2, true)
        .Property(DISPID_PICT_WIDTH, QStringLiteral("Width"), VT_I4, true)
        .Property(DISPID_PICT_HEIGHT, QStringLiteral("Height"), VT_I4, true);
    b.AddType(TKIND_DISPATCH, IID_IFontDisp, QStringLiteral("Font"))
        .Property(DISPID_FONT_NAME, QStringLiteral("Name"), VT_BSTR)
        .Property(DISPID_FONT_SIZE, QStringLiteral("Size"), VT_CY)
        .Property(DISPID_FONT_BOLD, QStringLiteral("Bold"), VT_BOOL)
        .Property(DISPID_FONT_ITALIC, QStringLiteral("Italic"), VT_BOOL)
        .Property(DISPID_FONT_UNDER, QStringLiteral("Underline"), VT_BOOL)
        .Property(DISPID_FONT_STRIKE, QStringLiteral("Strikethrough"), VT_BOOL)
        .Property(DISPID_FONT_WEIGHT, QStringLiteral("Weight"), VT_I2)
        .Property(DISPID_FONT_CHARSET, QStringLiteral("Charset"), VT_I2);
    Ref<ITypeLib> lib;
    b.Build(lib.Out());
    return lib;
  }
}

namespace {

OLE_HANDLE NewHandle() {
  static std::atomic<OLE_HANDLE> next{1};
  OLE_HANDLE h = next.fetch_add(1);
  return h ? h : next.fetch_add(1);
}

class Picture final : public ComObject<IPicture, IDispatch> {
 public:
  // Width and height in HIMETRIC.
  Picture(IUnknown* outer, SHORT type, QImage image, HMETAFILE metafile, LONG width, LONG height)
      : ComObject(outer),
        type_(type),
        image_(std::move(image)),
        metafile_(std::move(metafile)),
        width_(width),
        height_(height),
        handle_(type > PICTYPE_NONE ? NewHandle() : 0) {}

  HRESULT get_Handle(OLE_HANDLE* handle) override { return PutOut(handle, handle_); }
  HRESULT get_hPal(OLE_HANDLE* palette) override { return PutOut(palette, OLE_HANDLE{0}); }
  HRESULT get_Type(SHORT* type) override { return PutOut(type, type_); }
  HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) override { return PutOut(width, width_); }
  HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) override { return PutOut(height, height_); }
  HRESULT Render(QPainter* dc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                 OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                 const QRect* bounds) override;
  HRESULT get_KeepOriginalFormat(BOOL* keep) override { return PutOut(keep, keep_); }
  HRESULT put_KeepOriginalFormat(BOOL keep) override {
    keep_ = keep ? TRUE : FALSE;
    return S_OK;
  }
  HRESULT PictureChanged() override { return S_OK; }
  HRESULT SaveAsFile(IStream* stream, BOOL saveMemCopy, LONG* size) override;
  HRESULT get_Attributes(DWORD* attributes) override {
    if (metafile_) return PutOut(attributes, PICTURE_SCALABLE | PICTURE_TRANSPARENT);
    return PutOut(attributes, type_ == PICTYPE_ICON ? PICTURE_TRANSPARENT : DWORD{0});
  }
  HRESULT GetImage(QImage* image) override {
    if (!image) return E_POINTER;
    *image = image_;
    return S_OK;
  }
  HRESULT GetMetafile(HMETAFILE* metafile) override {
    if (!metafile) return E_POINTER;
    *metafile = metafile_;
    return S_OK;
  }
  HRESULT GetTypeInfoCount(UINT* count) override { return Dispatch().GetTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override {
    return Dispatch().GetTypeInfo(index, lcid, out);
  }
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return Dispatch().GetIDsOfNames(iid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override {
    return Dispatch().Invoke(id, iid, lcid, flags, params, result, excep, argErr);
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IPicture) return Face<IPicture>();
    if (iid == IID_IPictureDisp || iid == IID_IDispatch) return Face<IDispatch>();
    return nullptr;
  }

 private:
  SHORT type_;
  QImage image_;
  HMETAFILE metafile_;
  LONG width_;
  LONG height_;
  OLE_HANDLE handle_;
  BOOL keep_ = TRUE;
  std::optional<Dispatcher> dispatcher_;  // made when first asked: most pictures never are

  Dispatcher& Dispatch() {
    if (!dispatcher_) {
      Dispatcher& d = dispatcher_.emplace(FindTypeInfo(StandardTypes().get(), QStringLiteral("Picture")));
      d.Getter(DISPID_PICT_HANDLE, [this] { return Variant::I4(static_cast<LONG>(handle_)); });
      d.Getter(DISPID_PICT_HPAL, [] { return Variant::I4(0); });
      d.Getter(DISPID_PICT_TYPE, [this] { return Variant::I2(type_); });
      d.Getter(DISPID_PICT_WIDTH, [this] { return Variant::I4(width_); });
      d.Getter(DISPID_PICT_HEIGHT, [this] { return Variant::I4(height_); });
    }
    return *dispatcher_;
  }
};

HRESULT Picture::Render(QPainter* dc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                        OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                        const QRect*) {
  if (!dc) return E_INVALIDARG;
  if (cx == 0 || cy == 0 || cxSrc == 0 || cySrc == 0) return E_INVALIDARG;
  if (metafile_) {
    // The whole picture spans HIMETRIC (0, 0)-(width, height), y upward; its corners
    // land where the source-to-destination mapping puts them.
    const auto toX = [&](double h) { return x + (h - xSrc) * cx / cxSrc; };
    const auto toY = [&](double h) { return y + (h - ySrc) * cy / cySrc; };
    const QRectF whole(QPointF(toX(0), toY(height_)), QPointF(toX(width_), toY(0)));
    dc->save();
    dc->setClipRect(QRectF(QPointF(x, y), QPointF(x + cx, y + cy)).normalized(), Qt::IntersectClip);
    PlayMetafile(*dc, *metafile_, whole);
    dc->restore();
    return S_OK;
  }
  if (image_.isNull()) return S_OK;
  // Source edges in pixels from the image's top-left corner.
  const double left = HimetricToPixels(xSrc);
  const double right = HimetricToPixels(xSrc + cxSrc);
  const double top = image_.height() - HimetricToPixels(ySrc);
  const double bottom = image_.height() - HimetricToPixels(ySrc + cySrc);
  const bool flipX = (right < left) != (cx < 0);
  const bool flipY = (bottom < top) != (cy < 0);
  const QRectF source = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
  const QRectF target = QRectF(QPointF(x, y), QPointF(x + cx, y + cy)).normalized();
  const QImage part = image_.copy(source.toAlignedRect()).mirrored(flipX, flipY);
  dc->drawImage(target, part);
  return S_OK;
}

HRESULT Picture::SaveAsFile(IStream* stream, BOOL, LONG* size) {
  return Guarded([&]() -> HRESULT {
    if (size) *size = 0;
    if (!stream) return E_POINTER;
    if (type_ <= PICTYPE_NONE || metafile_) return E_FAIL;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, type_ == PICTYPE_ICON ? "ico" : "bmp");
    if (!writer.write(image_)) return E_FAIL;
    ULONG written = 0;
    const HRESULT hr = stream->Write(bytes.constData(), static_cast<ULONG>(bytes.size()), &written);
    if (FAILED(hr)) return hr;
    if (size) *size = static_cast<LONG>(written);
    return S_OK;
  });
}

uint32_t LittleEndian(const QByteArray& bytes, qsizetype at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

uint32_t BigEndian(const QByteArray& bytes, qsizetype at, int width) {
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// The chunks walked by their lengths up to the end of the closing one.
bool HoldsWholePng(const QByteArray& bytes) {
  const auto size = static_cast<uint64_t>(bytes.size());
  uint64_t at = 8;
  while (at + 12 <= size) {
    const uint64_t length = BigEndian(bytes, static_cast<qsizetype>(at), 4);
    if (length > size - at - 12) return false;
    if (bytes.mid(static_cast<qsizetype>(at) + 4, 4) == "IEND") return true;
    at += 12 + length;
  }
  return false;
}

// The segments walked by their lengths, each scan through its coded data, up to the
// end-of-image marker.
bool HoldsWholeJpeg(const QByteArray& bytes) {
  const qsizetype size = bytes.size();
  const auto byte = [&](qsizetype at) { return static_cast<uint8_t>(bytes[at]); };
  if (size < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return false;
  qsizetype at = 2;
  while (at + 1 < size) {
    if (byte(at) != 0xFF) return false;
    const uint8_t marker = byte(at + 1);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9) return true;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (at + 4 > size) return false;
    at += 2 + BigEndian(bytes, at + 2, 2);
    if (at > size) return false;
    if (marker != 0xDA) continue;
    // Coded data ends at the first marker other than a stuffed zero or a restart.
    for (; at + 1 < size; ++at) {
      const uint8_t next = byte(at + 1);
      if (byte(at) == 0xFF && next != 0 && next != 0xFF && (next < 0xD0 || next > 0xD7)) break;
    }
  }
  return false;
}

// The blocks walked up to the trailer, with at least one image on the way.
bool HoldsWholeGif(const QByteArray& bytes) {
  const qsizetype size = bytes.size();
  const auto byte = [&](qsizetype at) { return static_cast<uint8_t>(bytes[at]); };
  const auto table = [](uint8_t flags) { return flags & 0x80 ? qsizetype{3} << ((flags & 7) + 1) : 0; };
  // Data sub-blocks: a length byte and as many bytes, until a zero length.
  const auto skipBlocks = [&](qsizetype at) -> qsizetype {
    while (at < size && byte(at) != 0) at += 1 + byte(at);
    return at < size ? at + 1 : -1;
  };
  if (size < 13) return false;
  qsizetype at = 13 + table(byte(10));
  bool image = false;
  while (at >= 0 && at < size) {
    switch (byte(at)) {
      case 0x3B:
        return image;
      case 0x21:
        at = skipBlocks(at + 2);
        break;
      case 0x2C:
        if (at + 10 > size) return false;
        at += 10 + table(byte(at + 9)) + 1;  // descriptor, local table, code size
        at = skipBlocks(at);
        image = true;
        break;
      default:
        return false;
    }
  }
  return false;
}

// Run-length coded bits from `at`: the codes walked up to the end-of-bitmap code (the
// reader decodes up to it, whatever size the header declares).
bool HoldsWholeRle(const QByteArray& bytes, uint64_t at, bool fourBit) {
  const auto size = static_cast<uint64_t>(bytes.size());
  while (at + 2 <= size) {
    const auto count = static_cast<uint8_t>(bytes[static_cast<qsizetype>(at)]);
    const auto code = static_cast<uint8_t>(bytes[static_cast<qsizetype>(at) + 1]);
    at += 2;
    if (count > 0 || code == 0) continue;  // a run, or the end of a line
    if (code == 1) return true;
    if (code == 2) {  // a move: two bytes follow
      at += 2;
      continue;
    }
    const uint64_t data = fourBit ? (code + 1) / 2 : code;  // literal pixels, padded to words
    at += (data + 1) / 2 * 2;
  }
  return false;
}

// Whether the bytes hold all the data their headers declare. The image reader fills
// what a short file lacks with whatever memory holds, so a truncated file is refused
// here before it is decoded.
bool HoldsWholeImage(const QByteArray& bytes, const QByteArray& format) {
  const auto size = static_cast<uint64_t>(bytes.size());
  if (format == "bmp") {
    if (size < 26) return false;
    const uint32_t headerSize = LittleEndian(bytes, 14, 4);
    const uint64_t offBits = LittleEndian(bytes, 10, 4);
    if (headerSize < 12 || 14 + uint64_t{headerSize} > size || offBits > size) return false;
    int64_t width = 0;
    int64_t height = 0;
    uint32_t bits = 0;
    uint32_t compression = 0;
    uint64_t sizeImage = 0;
    if (headerSize == 12) {
      width = LittleEndian(bytes, 18, 2);
      height = LittleEndian(bytes, 20, 2);
      bits = LittleEndian(bytes, 24, 2);
    } else {
      if (headerSize < 40) return false;
      width = static_cast<int32_t>(LittleEndian(bytes, 18, 4));
      height = static_cast<int32_t>(LittleEndian(bytes, 22, 4));
      bits = LittleEndian(bytes, 28, 2);
      compression = LittleEndian(bytes, 30, 4);
      sizeImage = LittleEndian(bytes, 34, 4);
    }
    if (width <= 0 || height == 0 || bits == 0) return false;
    // The reader takes the bits after the colour table (and masks) when the declared
    // offset points into them.
    uint64_t table = 0;
    if (bits <= 8) {
      const uint64_t used = headerSize == 12 ? 0 : LittleEndian(bytes, 46, 4);
      table = (used ? used : uint64_t{1} << bits) * (headerSize == 12 ? 3 : 4);
    } else if (headerSize == 40 && compression == 3) {
      table = 12;
    }
    const uint64_t start = std::max(offBits, 14 + uint64_t{headerSize} + table);
    if (start > size) return false;
    if (compression == 1 || compression == 2) return HoldsWholeRle(bytes, start, compression == 2);
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    // Embedded data: the declared size of the bits; else whole rows.
    const uint64_t need = compression == 0 || compression == 3 || compression == 6
                              ? (static_cast<uint64_t>(width) * bits + 31) / 32 * 4 * rows
                              : sizeImage;
    return need > 0 && need <= size - start;
  }
  if (format == "ico" || format == "cur") {
    if (size < 6) return false;
    const uint32_t count = LittleEndian(bytes, 4, 2);
    if (count == 0 || 6 + uint64_t{count} * 16 > size) return false;
    for (uint32_t i = 0; i < count; ++i) {
      const qsizetype entry = 6 + static_cast<qsizetype>(i) * 16;
      const uint64_t length = LittleEndian(bytes, entry + 8, 4);
      const uint64_t offset = LittleEndian(bytes, entry + 12, 4);
      if (length == 0 || offset > size || length > size - offset) return false;
    }
    return true;
  }
  if (format == "png") return HoldsWholePng(bytes);
  if (format == "jpeg" || format == "jpg") return HoldsWholeJpeg(bytes);
  if (format == "gif") return HoldsWholeGif(bytes);
  // Nothing else is offered to open: a format without a check is refused.
  return false;
}

// The checked format whose signature the bytes start with, or nothing.
QByteArray SignatureFormat(const QByteArray& bytes) {
  if (bytes.startsWith("BM")) return "bmp";
  if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return "png";
  if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) return "gif";
  if (bytes.startsWith("\xff\xd8\xff")) return "jpeg";
  if (bytes.startsWith(QByteArray("\0\0\1\0", 4)) || bytes.startsWith(QByteArray("\0\0\2\0", 4))) return "ico";
  return {};
}

// An 8-bit palette image with a short colour table would pass for a 4-bit one (pictures
// tell their depth by the table's size): its table is filled up to 256 entries. GIF
// pictures become such 8-bit images, their colours (transparency included) kept.
void KeepSourceDepth(QImage& image, const QByteArray& bytes, const QByteArray& format) {
  // A GIF picture holds at most 256 colours: an 8-bit palette bitmap, whatever true-colour
  // form the reader gave.
  if (format == "gif" && image.depth() == 32) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    QList<QRgb> table;
    QHash<QRgb, int> index;
    for (int y = 0; y < argb.height(); ++y) {
      const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      uchar* out = indexed.scanLine(y);
      for (int x = 0; x < argb.width(); ++x) {
        auto at = index.find(in[x]);
        if (at == index.end()) {
          if (table.size() == 256) return;
          at = index.insert(in[x], static_cast<int>(table.size()));
          table.append(in[x]);
        }
        out[x] = static_cast<uchar>(*at);
      }
    }
    indexed.setColorTable(table);
    image = std::move(indexed);
  }
  if (image.format() != QImage::Format_Indexed8 || image.colorCount() >= 256) return;
  uint32_t bits = format == "gif" ? 8 : 0;
  if (format == "bmp")
    bits = LittleEndian(bytes, 14, 4) == 12 ? LittleEndian(bytes, 24, 2) : LittleEndian(bytes, 28, 2);
  else if (format == "png" && static_cast<uint8_t>(bytes[25]) == 3)  // palette colour type
    bits = static_cast<uint8_t>(bytes[24]);
  if (bits != 8) return;
  QList<QRgb> table = image.colorTable();
  table.resize(256, qRgb(0, 0, 0));
  image.setColorTable(table);
}

// A greyscale image as an 8-bit palette image of the grey ramp, the form bitmap pictures
// have: every reader of a picture's pixels knows palette images, not grey ones.
QImage AsBitmapImage(QImage image) {
  if (image.format() != QImage::Format_Grayscale8) return image;
  QList<QRgb> greys(256);
  for (int i = 0; i < 256; ++i) greys[i] = qRgb(i, i, i);
  image.reinterpretAsFormat(QImage::Format_Indexed8);
  image.setColorTable(greys);
  return image;
}

}  // namespace

}  // namespace com

HRESULT OleCreatePictureIndirect(const PICTDESC* desc, REFIID iid, BOOL, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  SHORT type = PICTYPE_UNINITIALIZED;
  QImage image;
  HMETAFILE metafile;
  LONG width = 0;
  LONG height = 0;
  if (desc) {
    if (desc->cbSizeofstruct != sizeof(PICTDESC)) return E_INVALIDARG;
    type = desc->picType;
    switch (type) {
      case PICTYPE_NONE:
        break;
      case PICTYPE_BITMAP:
      case PICTYPE_ICON:
        if (!desc->image || desc->image->isNull()) return E_INVALIDARG;
        image = type == PICTYPE_BITMAP ? com::AsBitmapImage(*desc->image) : *desc->image;
        width = com::PixelsToHimetric(image.width());
        height = com::PixelsToHimetric(image.height());
        break;
      case PICTYPE_METAFILE:
        if (!desc->metafile || desc->xExt < 0 || desc->yExt < 0) return E_INVALIDARG;
        metafile = desc->metafile;
        width = desc->xExt;
        height = desc->yExt;
        break;
      case PICTYPE_ENHMETAFILE:
        if (!desc->metafile) return E_INVALIDARG;
        metafile = desc->metafile;
        width = com::PixelsToHimetric(metafile->window.width());
        height = com::PixelsToHimetric(metafile->window.height());
        break;
      default:
        return E_INVALIDARG;
    }
  }
  return com::Guarded([&] {
    return com::CreateAs<com::Picture>(nullptr, iid, out, type, std::move(image), std::move(metafile),
                                       width, height);
  });
}

HRESULT OleLoadPicture(IStream* stream, LONG size, BOOL, REFIID iid, void** out) {
  return com::Guarded([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!stream) return E_POINTER;
    if (size < 0) return E_INVALIDARG;
    QByteArray bytes;
    if (size == 0) {
      const HRESULT hr = com::ReadRest(stream, bytes);
      if (FAILED(hr)) return hr;
    } else {
      const HRESULT hr = com::ReadAtMost(stream, size, bytes);
      if (FAILED(hr)) return hr;
      if (bytes.size() != size) return CTL_E_INVALIDPICTURE;
    }
    // Short bytes of a checked format are refused before a reader probes them: no reader
    // would take them for another checked format, and unchecked ones are refused anyway.
    if (const QByteArray signature = com::SignatureFormat(bytes);
        !signature.isEmpty() && !com::HoldsWholeImage(bytes, signature))
      return CTL_E_INVALIDPICTURE;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (!com::HoldsWholeImage(bytes, format)) return CTL_E_INVALIDPICTURE;
    const bool icon = format == "ico";
    QImage image = reader.read();
    if (image.isNull()) return CTL_E_INVALIDPICTURE;
    com::KeepSourceDepth(image, bytes, format);
    PICTDESC desc;
    desc.picType = icon ? PICTYPE_ICON : PICTYPE_BITMAP;
    desc.image = &image;
    return OleCreatePictureIndirect(&desc, iid, TRUE, out);
  });
}
