#pragma once
// Pictures: IPicture and its automation face IPictureDisp. A picture is empty
// (PICTYPE_NONE), a bitmap or an icon over a QImage, or a metafile or enhanced metafile
// over a recording (Metafile). Sizes are in HIMETRIC (0.01 mm) at 96 pixels per inch.
// Each non-empty picture has a handle of its own (a process-unique number, never 0), so
// two holders can tell whether they hold the same picture. The device context of Render
// is a QPainter, whose state Render leaves as it was. UI thread only.
//
// A bitmap picture holds a 1-bit, 8-bit palette or true-colour QImage; a greyscale image
// becomes an 8-bit palette image of the grey ramp, so readers of its pixels never take
// grey levels for indexes. A metafile picture renders its whole window where the
// source-to-destination mapping puts the picture (a partial source is clipped, a flipped
// one mirrors); GetMetafile gives the recording, GetImage a null image, its attributes
// are scalable and transparent. There is no metafile encoder or decoder: SaveAsFile of a
// metafile fails (E_FAIL) and OleLoadPicture answers CTL_E_INVALIDPICTURE for .wmf and
// .emf bytes. A picture's dispatch face (the standard "Picture" type) is built when first
// asked.

#include <QImage>
#include <QPicture>
#include <QRect>
#include <memory>

#include "platform/com/Object.h"

struct ITypeLib;
class QPainter;

// A metafile: recorded painter commands and the window (logical rectangle) they were
// recorded to fill. Playing maps the window onto the target. Shared: every holder keeps
// the recording alive, the last one frees it.
struct Metafile {
  QPicture commands;
  QRect window;
};
using HMETAFILE = std::shared_ptr<const Metafile>;

using OLE_HANDLE = UINT;
using OLE_XPOS_HIMETRIC = LONG;
using OLE_YPOS_HIMETRIC = LONG;
using OLE_XSIZE_HIMETRIC = LONG;
using OLE_YSIZE_HIMETRIC = LONG;

inline constexpr SHORT PICTYPE_UNINITIALIZED = -1;
inline constexpr SHORT PICTYPE_NONE = 0;
inline constexpr SHORT PICTYPE_BITMAP = 1;
inline constexpr SHORT PICTYPE_METAFILE = 2;
inline constexpr SHORT PICTYPE_ICON = 3;
inline constexpr SHORT PICTYPE_ENHMETAFILE = 4;

inline constexpr DWORD PICTURE_SCALABLE = 0x1;
inline constexpr DWORD PICTURE_TRANSPARENT = 0x2;

// Automation ids of the picture's properties.
inline constexpr DISPID DISPID_PICT_HANDLE = 0;
inline constexpr DISPID DISPID_PICT_HPAL = 2;
inline constexpr DISPID DISPID_PICT_TYPE = 3;
inline constexpr DISPID DISPID_PICT_WIDTH = 4;
inline constexpr DISPID DISPID_PICT_HEIGHT = 5;

struct IPicture : IUnknown {
  virtual HRESULT get_Handle(OLE_HANDLE* handle) = 0;
  virtual HRESULT get_hPal(OLE_HANDLE* palette) = 0;  // always 0: pictures are true colour
  virtual HRESULT get_Type(SHORT* type) = 0;
  virtual HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) = 0;
  virtual HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) = 0;
  // Draws the source rectangle (HIMETRIC, y measured upward from the bottom edge, so
  // (0, height, width, -height) is the upright picture) into the destination pixels.
  virtual HRESULT Render(QPainter* dc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                         OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                         const QRect* bounds) = 0;
  virtual HRESULT get_KeepOriginalFormat(BOOL* keep) = 0;
  virtual HRESULT put_KeepOriginalFormat(BOOL keep) = 0;
  virtual HRESULT PictureChanged() = 0;
  // Writes the picture as a BMP (bitmap) or ICO (icon) file; *size gets the byte count.
  // E_FAIL for empty and metafile pictures (there is no metafile encoder).
  virtual HRESULT SaveAsFile(IStream* stream, BOOL saveMemCopy, LONG* size) = 0;
  virtual HRESULT get_Attributes(DWORD* attributes) = 0;
  // In place of a device handle: a copy of the picture's pixels (null for empty and
  // metafile pictures).
  virtual HRESULT GetImage(QImage* image) = 0;
  // The recording of a metafile or enhanced-metafile picture; null for other types.
  virtual HRESULT GetMetafile(HMETAFILE* metafile) = 0;

 protected:
  ~IPicture() = default;
};

using IPictureDisp = IDispatch;

// A picture description: picType and, for a bitmap or icon, the pixels (copied); for a
// metafile the recording and its extent (HIMETRIC, the picture's size); for an enhanced
// metafile the recording alone (its window, in pixels, gives the size).
struct PICTDESC {
  UINT cbSizeofstruct = sizeof(PICTDESC);
  SHORT picType = PICTYPE_NONE;
  const QImage* image = nullptr;
  HMETAFILE metafile;
  LONG xExt = 0;
  LONG yExt = 0;
};

// A new picture; null desc gives an uninitialised one. E_INVALIDARG for a wrong
// cbSizeofstruct, an unknown type, a bitmap or icon without pixels, or a metafile
// without a recording or with a negative extent. `own` has no effect: pixels are copied
// and recordings shared.
HRESULT OleCreatePictureIndirect(const PICTDESC* desc, REFIID iid, BOOL own, void** out);
// Reads a picture file (BMP, ICO, PNG, GIF, JPEG) of `size` bytes from the stream's
// position (0: to its end). CTL_E_INVALIDPICTURE when the bytes are no picture or
// fewer than their headers declare (a truncated file), E_INVALIDARG for a negative size.
HRESULT OleLoadPicture(IStream* stream, LONG size, BOOL runMode, REFIID iid, void** out);

namespace com {

LONG PixelsToHimetric(LONG pixels);
LONG HimetricToPixels(LONG himetric);

// A recording with its window; an empty window is taken from the commands' bounds.
HMETAFILE MakeMetafile(const QPicture& commands, QRect window = {});
// Plays the recording with its window mapped onto `target` (device units; a negative
// width or height mirrors), the painter's state saved and restored. False, drawing
// nothing, for a recording without a window or a target without an area.
bool PlayMetafile(QPainter& painter, const Metafile& metafile, const QRectF& target);

// The library of the standard automation types: the alias OLE_COLOR (VT_UI4) and the
// dispinterfaces Picture and Font. A new library per call: no object outlives its users
// (a kept one would stop the module from unloading).
Ref<ITypeLib> StandardTypes();

}  // namespace com
