#include "proppages/PictureRef.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <new>

#include "platform/com/PropertyPage.h"
#include "platform/com/Stream.h"
#include "platform/ui/Colors.h"
#include "proppages/PngStrip.h"

namespace qvp {

bool CPictureRef::Create(const PICTDESC& desc) {
  Release();
  return SUCCEEDED(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, picture_.OutVoid()));
}

namespace {

PICTDESC ImageDesc(SHORT type, const QImage* image) {
  PICTDESC desc;
  desc.picType = type;
  desc.image = image;
  return desc;
}

}  // namespace

bool CPictureRef::CreateFromBitmap(const QImage& bitmap) { return Create(ImageDesc(PICTYPE_BITMAP, &bitmap)); }
bool CPictureRef::CreateFromIcon(const QImage& icon) { return Create(ImageDesc(PICTYPE_ICON, &icon)); }
bool CPictureRef::CreateEmpty() { return Create(ImageDesc(PICTYPE_NONE, nullptr)); }

bool CPictureRef::CreateFromMetafile(const HMETAFILE& metafile, LONG xExt, LONG yExt, bool own) {
  PICTDESC desc;
  desc.picType = PICTYPE_METAFILE;
  desc.metafile = metafile;
  desc.xExt = xExt;
  desc.yExt = yExt;
  Release();
  return SUCCEEDED(OleCreatePictureIndirect(&desc, IID_IPicture, own, picture_.OutVoid()));
}

bool CPictureRef::Attach(IUnknown* object) {
  picture_ = com::QueryAs<IPicture>(object, IID_IPicture);
  return static_cast<bool>(picture_);
}

HRESULT GetExtendedControl(IUnknown* control, IDispatch** extender) {
  if (!extender) return E_POINTER;
  *extender = nullptr;
  if (!control) return E_POINTER;
  com::Ref<IOleObject> object;
  if (const HRESULT hr = control->QueryInterface(IID_IOleObject, object.OutVoid()); FAILED(hr)) return hr;
  com::Ref<IOleClientSite> site;
  if (const HRESULT hr = object->GetClientSite(site.Out()); FAILED(hr)) return hr;
  if (!site) return E_FAIL;
  com::Ref<IOleControlSite> controlSite;
  if (const HRESULT hr = site->QueryInterface(IID_IOleControlSite, controlSite.OutVoid()); FAILED(hr)) return hr;
  return controlSite->GetExtendedControl(extender);
}

com::Ref<IPictureDisp> CPictureRef::GetPictureDisp() const {
  return com::QueryAs<IPictureDisp>(picture_.get(), IID_IPictureDisp);
}

SHORT CPictureRef::GetType() const { return PictureType(picture_.get()); }

SHORT PictureType(IPicture* picture) {
  SHORT type = PICTYPE_UNINITIALIZED;
  if (!picture || FAILED(picture->get_Type(&type))) return PICTYPE_UNINITIALIZED;
  return type;
}

QImage PictureImage(IPicture* picture) {
  QImage image;
  if (PictureType(picture) <= PICTYPE_NONE || FAILED(picture->GetImage(&image))) return {};
  return image;
}

std::optional<QSize> GetPictureSizePixels(IPicture* picture) {
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  if (!picture || FAILED(picture->get_Width(&width)) || FAILED(picture->get_Height(&height))) return std::nullopt;
  return QSize(HimetricToPixelsX(width), HimetricToPixelsY(height));
}

HRESULT LoadFileToStream(const QString& path, IStream** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return E_ACCESSDENIED;
  const qint64 size = file.size();
  QByteArray bytes;
  try {
    bytes.resize(static_cast<qsizetype>(size));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (file.read(bytes.data(), size) != size) return E_FAIL;
  return com::Guarded([&]() -> HRESULT {
    com::Ref<IStream> stream = com::MemoryStream::Over(bytes);
    if (!stream) return E_OUTOFMEMORY;
    *out = stream.Detach();
    return S_OK;
  });
}

HRESULT LoadPictureFile(const QString& path, CPictureRef& out) {
  if (IsPngFileName(path)) {
    const auto png = LoadPngPicture(path);
    CPictureRef picture;
    if (!png || !picture.CreateFromBitmap(png->image)) return E_FAIL;
    out = picture;
    return S_OK;
  }
  com::Ref<IStream> stream;
  HRESULT hr = LoadFileToStream(path, stream.Out());
  if (FAILED(hr)) return hr;
  com::Ref<IPicture> picture;
  hr = OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, picture.OutVoid());
  if (FAILED(hr)) return hr;
  out = CPictureRef(picture.get());
  return S_OK;
}

std::optional<QString> LocalPathOfAddress(const QString& address) {
  const QUrl url(address);
  if (url.isLocalFile()) return url.toLocalFile();
  // A network address: nothing here downloads.
  if (url.scheme().size() > 1 || address.contains(QLatin1String("://"))) return std::nullopt;
  return address;
}

HRESULT DownloadUrlToCacheFile(const QString& address, QString* localFile) {
  if (!localFile) return E_POINTER;
  localFile->clear();
  const auto path = LocalPathOfAddress(address);
  if (!path) return E_UNEXPECTED;
  if (path->isEmpty() || !QFileInfo(*path).isFile()) return E_FAIL;
  *localFile = *path;
  return S_OK;
}

QImage PictureToBitmap(IPicture* picture, OLE_COLOR background) {
  if (PictureType(picture) <= PICTYPE_NONE) return {};
  const auto size = GetPictureSizePixels(picture);
  if (!size || size->isEmpty()) return {};
  QImage bitmap(*size, QImage::Format_RGB32);
  if (bitmap.isNull()) return {};
  bitmap.fill(ui::ColorFromBgr(TranslateOleColor(background)).rgb());
  QPainter painter(&bitmap);
  DrawPictureArgs args;
  args.item = QRect(QPoint(0, 0), *size);
  args.dest = args.item;  // where an enhanced metafile is played
  args.clip = true;
  DrawPictureEx(painter, picture, args);
  return bitmap;
}

bool RenderPictureToBitmap(IPicture* picture, CPictureRef& out) {
  if (PictureType(picture) != PICTYPE_BITMAP) return false;
  const QImage image = PictureImage(picture);
  const Palette palette = image.colorTable();
  if (image.isNull() || palette.isEmpty()) return false;
  const QImage mapped = PackedDibToImage(BitmapToPaletteDib(image, &palette));
  CPictureRef rendered;
  if (mapped.isNull() || !rendered.CreateFromBitmap(mapped)) return false;
  out = rendered;
  return true;
}

bool DrawPictureEx(QPainter& painter, IPicture* picture, const DrawPictureArgs& args) {
  const SHORT type = PictureType(picture);
  if (type <= PICTYPE_NONE) return false;
  if (type == PICTYPE_BITMAP) return DrawPictureEx(painter, PictureImage(picture), args);
  const bool recorded = type == PICTYPE_METAFILE || type == PICTYPE_ENHMETAFILE;
  if (type != PICTYPE_ICON && !recorded) return true;
  HMETAFILE metafile;
  if (recorded && (FAILED(picture->GetMetafile(&metafile)) || !metafile)) return false;
  const QImage icon = PictureImage(picture);
  // The position of the item (or destination) plus the inset; the destination's size
  // with useDest, else the picture's own. An enhanced metafile fills the destination.
  const QRect& place = args.useDest ? args.dest : args.item;
  const QSize ownSize = recorded ? GetPictureSizePixels(picture).value_or(QSize()) : icon.size();
  const QRect target = type == PICTYPE_ENHMETAFILE
                           ? args.dest
                           : QRect(place.topLeft() + args.inset, args.useDest ? args.dest.size() : ownSize);
  painter.save();
  if (args.clip) painter.setClipRect(target, Qt::IntersectClip);
  bool drawn = true;
  if (recorded) drawn = com::PlayMetafile(painter, *metafile, target);
  else painter.drawImage(target, icon);
  painter.restore();
  return drawn;
}

QRegion CreateRegionFromBitmap(IPicture* picture, OLE_COLOR key, std::optional<QSize> size, int frameIndex,
                               int frameCount, bool vertical, bool cornerKey) {
  const QImage bitmap =
      PictureType(picture) == PICTYPE_BITMAP ? PictureImage(picture) : PictureToBitmap(picture, kOleButtonFace);
  return CreateRegionFromBitmap(bitmap, ui::ColorFromBgr(TranslateOleColor(key)).rgb(), size, frameIndex, frameCount,
                                vertical, cornerKey);
}

com::Ref<IImageAddSink> CImageAddSink::Make(std::vector<ImageEntry>* target) {
  return com::Create<CImageAddSink, IImageAddSink>(IID_IImageAddSink, target);
}

void* CImageAddSink::FindInterface(REFIID iid) {
  return iid == IID_IImageAddSink ? Face<IImageAddSink>() : nullptr;
}

HRESULT CImageAddSink::AddImage(const QImage* bitmap, const Palette*, const char* key) {
  return com::Guarded([&]() -> HRESULT {
    if (!target_) return E_FAIL;
    if (!bitmap || bitmap->isNull()) return E_INVALIDARG;
    // The bitmap carries its colour table; pictures hold no palette of their own.
    ImageEntry entry;
    if (!entry.picture.CreateFromBitmap(*bitmap)) return E_OUTOFMEMORY;
    entry.key = key;
    target_->push_back(std::move(entry));
    return S_OK;
  });
}

bool LoadPngIntoImageList(const QString& path, IImageAddSink* sink) {
  if (!sink) return false;
  bool accepted = true;
  const bool read = LoadPngIntoImageList(path, [&](PngImage&& image) {
    if (accepted) accepted = SUCCEEDED(sink->AddImage(&image.image, &image.palette, image.key.Text()));
  });
  return read && accepted;
}

}  // namespace qvp
