#pragma once
// Picture objects of the property pages library: a holder of one picture reference,
// the sink that collects the images of a PNG strip, pictures from files, streams and
// addresses, and the picture forms of the drawing and conversion helpers.

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <optional>
#include <vector>

#include "platform/com/Picture.h"
#include "proppages/CPageString.h"
#include "proppages/Dib.h"
#include "proppages/PictureUtil.h"

namespace qvp {

// Holds one IPicture reference, or none. Copies share the picture (each holds its own
// reference), so the picture is freed once, by the last holder. Every create or attach
// first lets go of the held picture. The pixels given to a create are copied: the
// picture owns its own. A recording given to a create is shared: it stays valid for the
// caller, and the last holder frees it.
class CPictureRef {
 public:
  CPictureRef() = default;
  explicit CPictureRef(IPicture* picture) : picture_(picture) {}

  void Release() { picture_ = {}; }
  // A bitmap picture of the image; false (holding nothing) for a null image.
  bool CreateFromBitmap(const QImage& bitmap);
  // A metafile picture of the recording with the extent (HIMETRIC) as its size; false
  // (holding nothing) without a recording or for a negative extent. `own` has no effect:
  // the recording is shared either way.
  bool CreateFromMetafile(const HMETAFILE& metafile, LONG xExt, LONG yExt, bool own);
  // An icon picture of the image; false (holding nothing) for a null image.
  bool CreateFromIcon(const QImage& icon);
  // An empty picture (type none).
  bool CreateEmpty();
  // Takes the object's IPicture; false (holding nothing) when it has none.
  bool Attach(IUnknown* object);

  IPicture* Get() const { return picture_.get(); }
  explicit operator bool() const { return static_cast<bool>(picture_); }
  // The automation face, with a reference for the caller; null when empty.
  com::Ref<IPictureDisp> GetPictureDisp() const;
  // The picture's type; PICTYPE_UNINITIALIZED when nothing is held.
  SHORT GetType() const;

 private:
  bool Create(const PICTDESC& desc);

  com::Ref<IPicture> picture_;
};

// The picture's type; PICTYPE_UNINITIALIZED for null.
SHORT PictureType(IPicture* picture);
// The picture's pixels; null for no picture or an empty one.
QImage PictureImage(IPicture* picture);

// The picture's HIMETRIC size in screen pixels; nothing without a picture or a size.
std::optional<QSize> GetPictureSizePixels(IPicture* picture);

// Reads the whole file into a memory stream: E_ACCESSDENIED when it cannot be opened,
// E_OUTOFMEMORY when its bytes do not fit in memory, E_FAIL for a failed or short read.
// The out stream stays null on failure.
HRESULT LoadFileToStream(const QString& path, IStream** out);

// The extender a container wraps around `control`: the control's IOleObject, its
// client site, the site's IOleControlSite and its GetExtendedControl. Every interface
// obtained on the way is released; the first failure is returned.
HRESULT GetExtendedControl(IUnknown* control, IDispatch** extender);

// A picture from a file: a PNG file name through the strip reader, anything else
// through a stream and OleLoadPicture. The failing code, or E_FAIL for an unreadable
// PNG file; `out` is left alone on failure.
HRESULT LoadPictureFile(const QString& path, CPictureRef& out);

// The local file of an address: a local path or a file:// address of an existing file.
// There is no download here, so any other address fails with E_UNEXPECTED, as when the
// download library is missing; a local file that does not exist gives E_FAIL.
HRESULT DownloadUrlToCacheFile(const QString& address, QString* localFile);
// The local path an address names: a file:// address's path or a plain path; nothing
// for a network address.
std::optional<QString> LocalPathOfAddress(const QString& address);

// The picture drawn on a bitmap of its pixel size filled with the background colour;
// null for no picture, an empty one, or one without a size.
QImage PictureToBitmap(IPicture* picture, OLE_COLOR background);

// A bitmap picture whose pixels are mapped to the nearest colours of its palette,
// into `out`; false for other pictures and for bitmaps without a palette.
bool RenderPictureToBitmap(IPicture* picture, CPictureRef& out);

// DrawPictureEx for picture objects: bitmaps as frames of their strip; icons and
// metafiles at the position and size (their own pixel size without useDest), a metafile
// scaled to fill it; enhanced metafiles into the destination rectangle. The painter's
// state is restored. Other non-empty types count as drawn. False without a picture, for
// an empty one, or when a metafile has nothing to fill.
bool DrawPictureEx(QPainter& painter, IPicture* picture, const DrawPictureArgs& args);

// CreateRegionFromBitmap of a picture object: a bitmap's own pixels, other pictures
// first drawn on the button-face colour.
QRegion CreateRegionFromBitmap(IPicture* picture, OLE_COLOR key, std::optional<QSize> size,
                               int frameIndex, int frameCount, bool vertical, bool cornerKey);

// One image of an image list: its picture and key.
struct ImageEntry {
  CPictureRef picture;
  CPageString key;
};

// The callback of the image sink.
struct IImageAddSink : IUnknown {
  // Appends a picture of the bitmap with the key; E_FAIL without a target list,
  // E_INVALIDARG without a bitmap, E_OUTOFMEMORY when no picture can be made.
  virtual HRESULT AddImage(const QImage* bitmap, const Palette* palette, const char* key) = 0;

 protected:
  ~IImageAddSink() = default;
};

inline constexpr IID IID_IImageAddSink = com::MakeGuid("0F18709C-2950-40C7-A224-05B7C3C2FD3D");

// Collects images into a list the caller owns (null: none, every add fails).
class CImageAddSink final : public com::ComObject<IImageAddSink> {
 public:
  CImageAddSink(IUnknown* outer, std::vector<ImageEntry>* target) : ComObject(outer), target_(target) {}
  static com::Ref<IImageAddSink> Make(std::vector<ImageEntry>* target);

  HRESULT AddImage(const QImage* bitmap, const Palette* palette, const char* key) override;

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  std::vector<ImageEntry>* target_;
};

// Reads a strip file and hands each image to the sink, top to bottom; false when the
// file cannot be read or decoded, or the sink refuses an image.
bool LoadPngIntoImageList(const QString& path, IImageAddSink* sink);

}  // namespace qvp
