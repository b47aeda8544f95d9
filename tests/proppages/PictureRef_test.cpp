#include "proppages/PictureRef.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPicture>
#include <QUrl>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/PropertyPage.h"
#include "platform/com/Stream.h"
#include "proppages/PngStrip.h"
#include "tests/proppages/PageTestUtil.h"
#include "tests/proppages/PngTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using pngtest::SamePixels;
constexpr auto Filled = test::Solid;

QString WriteBytes(const QString& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir + QLatin1Char('/') + name;
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

std::string KeyOf(const CPageString& s) { return s.Text() ? s.Text() : ""; }

TEST(PictureRef, OneOwnerOrSharedOwnership) {
  const long before = com::ObjectTable::Objects();
  {
    CPictureRef a;
    EXPECT_EQ(a.GetType(), PICTYPE_UNINITIALIZED);
    EXPECT_FALSE(a.GetPictureDisp());
    ASSERT_TRUE(a.CreateFromBitmap(Filled(4, 3, qRgb(1, 2, 3))));
    EXPECT_EQ(a.GetType(), PICTYPE_BITMAP);
    CPictureRef b = a;  // shared: both hold the same object
    EXPECT_EQ(a.Get(), b.Get());
    a.Release();
    EXPECT_FALSE(a);
    EXPECT_EQ(b.GetType(), PICTYPE_BITMAP);  // still alive for the other holder
    CPictureRef c;
    ASSERT_TRUE(c.Attach(b.GetPictureDisp().get()));
    EXPECT_EQ(c.Get(), b.Get());
    // Every create or attach lets go of what was held.
    ASSERT_TRUE(b.CreateFromIcon(Filled(2, 2, qRgb(0, 0, 0))));
    EXPECT_EQ(b.GetType(), PICTYPE_ICON);
    EXPECT_EQ(c.GetType(), PICTYPE_BITMAP);
    ASSERT_TRUE(c.CreateEmpty());
    EXPECT_EQ(c.GetType(), PICTYPE_NONE);
    EXPECT_FALSE(c.CreateFromBitmap(QImage()));
    EXPECT_FALSE(c);
    const com::Ref<IStream> stream = com::MemoryStream::Over();
    EXPECT_FALSE(c.Attach(stream.get()));
    EXPECT_FALSE(c.Attach(nullptr));
  }
  EXPECT_EQ(com::ObjectTable::Objects(), before);
}

TEST(PictureRef, LoadFileToStream) {
  const QString dir = testenv::NewTempDir(QStringLiteral("stream"));
  struct Case {
    QString path;
    HRESULT hr;
    QByteArray bytes;
  };
  const std::vector<Case> cases = {
      {WriteBytes(dir, QStringLiteral("a.bin"), QByteArray("abc\0def", 7)), S_OK, QByteArray("abc\0def", 7)},
      {WriteBytes(dir, QStringLiteral("empty.bin"), {}), S_OK, {}},
      {dir + QStringLiteral("/missing.bin"), E_ACCESSDENIED, {}},
  };
  for (const Case& c : cases) {
    IStream* raw = reinterpret_cast<IStream*>(1);
    EXPECT_EQ(LoadFileToStream(c.path, &raw), c.hr) << c.path.toStdString();
    const com::Ref<IStream> stream = com::Ref<IStream>::Adopt(raw);
    if (FAILED(c.hr)) {
      EXPECT_EQ(raw, nullptr);
      continue;
    }
    QByteArray read;
    ASSERT_EQ(com::ReadRest(stream.get(), read), S_OK);
    EXPECT_EQ(read, c.bytes);
  }
  EXPECT_EQ(LoadFileToStream(dir, nullptr), E_POINTER);
}

TEST(PictureRef, LoadPictureFile) {
  const QString dir = testenv::NewTempDir(QStringLiteral("load"));
  const QImage image = Filled(5, 3, qRgb(200, 10, 20));
  const QString png = dir + QStringLiteral("/a.PNG");
  ASSERT_TRUE(SaveDibAsPng(png, {CPageString("k")}, image, nullptr, 24));
  struct Case {
    QString path;
    HRESULT hr;
  };
  const std::vector<Case> cases = {
      {test::BitmapFile(dir + QStringLiteral("/a.bmp"), image), S_OK},
      {png, S_OK},
      {WriteBytes(dir, QStringLiteral("bad.png"), "not a png"), E_FAIL},
      {WriteBytes(dir, QStringLiteral("bad.bmp"), "not a bitmap"), CTL_E_INVALIDPICTURE},
      {dir + QStringLiteral("/missing.bmp"), E_ACCESSDENIED},
  };
  for (const Case& c : cases) {
    CPictureRef picture;
    ASSERT_TRUE(picture.CreateEmpty());
    IPicture* before = picture.Get();
    EXPECT_EQ(LoadPictureFile(c.path, picture), c.hr) << c.path.toStdString();
    if (FAILED(c.hr)) {
      EXPECT_EQ(picture.Get(), before);  // left alone
      continue;
    }
    EXPECT_EQ(picture.GetType(), PICTYPE_BITMAP);
    EXPECT_TRUE(SamePixels(PictureImage(picture.Get()), image));
  }
}

TEST(PictureRef, AddressesAreLocalFilesOnly) {
  const QString dir = testenv::NewTempDir(QStringLiteral("url"));
  const QString file = WriteBytes(dir, QStringLiteral("strip.png"), "x");
  struct Case {
    QString address;
    HRESULT hr;
    QString local;
  };
  const std::vector<Case> cases = {
      {file, S_OK, file},
      {QUrl::fromLocalFile(file).toString(), S_OK, file},
      {QStringLiteral("http://example.invalid/strip.png"), E_UNEXPECTED, {}},
      {QStringLiteral("https://example.invalid/strip.png"), E_UNEXPECTED, {}},
      {QStringLiteral("ftp://example.invalid/strip.png"), E_UNEXPECTED, {}},
      {dir + QStringLiteral("/missing.png"), E_FAIL, {}},
      {dir, E_FAIL, {}},
      {QString(), E_FAIL, {}},
  };
  for (const Case& c : cases) {
    QString local = QStringLiteral("stale");
    EXPECT_EQ(DownloadUrlToCacheFile(c.address, &local), c.hr) << c.address.toStdString();
    EXPECT_EQ(local, c.local) << c.address.toStdString();
  }
  EXPECT_EQ(DownloadUrlToCacheFile(file, nullptr), E_POINTER);
}

TEST(PictureRef, SizesAndBitmapsOfPictures) {
  CPictureRef bitmap, icon, empty;
  QImage image = Filled(200, 100, qRgb(0, 0, 255));
  image.setPixel(0, 0, qRgb(255, 0, 0));
  ASSERT_TRUE(bitmap.CreateFromBitmap(image));
  ASSERT_TRUE(icon.CreateFromIcon(Filled(8, 6, qRgb(0, 255, 0))));
  ASSERT_TRUE(empty.CreateEmpty());

  EXPECT_EQ(GetPictureSizePixels(bitmap.Get()), QSize(200, 100));
  EXPECT_EQ(GetPictureSizePixels(empty.Get()), QSize(0, 0));
  EXPECT_EQ(GetPictureSizePixels(nullptr), std::nullopt);

  // Empty pictures give no bitmap (and never a division by their zero size).
  EXPECT_TRUE(PictureToBitmap(nullptr, 0).isNull());
  EXPECT_TRUE(PictureToBitmap(empty.Get(), 0).isNull());
  EXPECT_TRUE(SamePixels(PictureToBitmap(bitmap.Get(), 0xFFFFFF), image));
  EXPECT_TRUE(SamePixels(PictureToBitmap(icon.Get(), 0xFFFFFF), Filled(8, 6, qRgb(0, 255, 0))));
}

TEST(PictureRef, RenderPictureToBitmap) {
  QImage indexed(4, 2, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
  indexed.fill(1);
  indexed.setPixel(0, 0, 0);
  CPictureRef palettePicture, rgb, icon;
  ASSERT_TRUE(palettePicture.CreateFromBitmap(indexed));
  ASSERT_TRUE(rgb.CreateFromBitmap(Filled(2, 2, qRgb(9, 9, 9))));
  ASSERT_TRUE(icon.CreateFromIcon(indexed));
  struct Case {
    IPicture* picture;
    bool rendered;
  };
  const std::vector<Case> cases = {{palettePicture.Get(), true}, {rgb.Get(), false}, {icon.Get(), false},
                                   {nullptr, false}};
  for (const Case& c : cases) {
    CPictureRef out;
    EXPECT_EQ(RenderPictureToBitmap(c.picture, out), c.rendered);
    EXPECT_EQ(static_cast<bool>(out), c.rendered);
    if (c.rendered) {
      EXPECT_NE(out.Get(), c.picture);
      EXPECT_TRUE(SamePixels(PictureImage(out.Get()), indexed));
    }
  }
}

TEST(PictureRef, BitmapToPaletteDib) {
  QImage image(3, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(250, 5, 5));
  image.setPixel(1, 0, qRgb(5, 5, 250));
  image.setPixel(2, 0, qRgb(240, 240, 240));
  Palette two = {qRgb(255, 0, 0), qRgb(0, 0, 255)};
  Palette twenty(20, qRgb(0, 0, 255));
  twenty[7] = qRgb(255, 0, 0);
  Palette many(300, qRgb(0, 0, 255));
  many[299] = qRgb(255, 0, 0);  // past the 256 kept
  struct Case {
    const Palette* palette;
    int bits;
    uint32_t used;
    QRgb first;  // the nearest colour to the first pixel
  };
  const std::vector<Case> cases = {{&two, 4, 2, qRgb(255, 0, 0)},
                                   {&twenty, 8, 20, qRgb(255, 0, 0)},
                                   {&many, 8, 256, qRgb(0, 0, 255)},
                                   {nullptr, 8, 256, qRgb(224, 0, 0)}};  // the colour cube
  for (const Case& c : cases) {
    const PackedDib dib = BitmapToPaletteDib(image, c.palette);
    const auto header = ReadDibHeader(dib.data(), dib.size());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->bitCount, c.bits);
    EXPECT_EQ(header->clrUsed, c.used);
    EXPECT_EQ(dib.size(), kDibHeaderSize + 4 * c.used + 4);  // one padded row
    EXPECT_EQ(PackedDibToImage(dib).pixel(0, 0), c.first);
  }
  // Pixels are indexes of the nearest palette colour.
  const PackedDib dib = BitmapToPaletteDib(image, &two);
  EXPECT_EQ(dib[kDibHeaderSize + 8], 0x01);  // pixels 0 and 1: indexes 0, 1
  EXPECT_TRUE(BitmapToPaletteDib(QImage(), &two).empty());
}

TEST(PictureRef, DrawingPictureObjects) {
  CPictureRef strip, icon, empty;
  QImage frames(6, 2, QImage::Format_RGB32);
  for (int x = 0; x < 6; ++x)
    for (int y = 0; y < 2; ++y) frames.setPixel(x, y, x < 3 ? qRgb(255, 0, 0) : qRgb(0, 255, 0));
  ASSERT_TRUE(strip.CreateFromBitmap(frames));
  ASSERT_TRUE(icon.CreateFromIcon(Filled(3, 3, qRgb(0, 0, 255))));
  ASSERT_TRUE(empty.CreateEmpty());
  struct Case {
    IPicture* picture;
    int frameIndex;
    bool drawn;
    QRgb atOrigin;  // the pixel at the item's corner afterwards
  };
  const QRgb white = qRgb(255, 255, 255);
  const std::vector<Case> cases = {
      {strip.Get(), 1, true, qRgb(0, 255, 0)}, {strip.Get(), 2, false, white}, {icon.Get(), 0, true, qRgb(0, 0, 255)},
      {empty.Get(), 0, false, white},          {nullptr, 0, false, white},
  };
  for (const Case& c : cases) {
    QImage target = Filled(10, 10, white);
    QPainter painter(&target);
    DrawPictureArgs args;
    args.item = QRect(2, 2, 8, 8);
    args.frameIndex = c.frameIndex;
    args.frameCount = 2;
    EXPECT_EQ(DrawPictureEx(painter, c.picture, args), c.drawn);
    painter.end();
    EXPECT_EQ(target.pixel(2, 2), c.atOrigin);
  }
  // Regions: a picture all of the key colour has none; one other pixel gives it.
  QImage keyed = Filled(4, 4, qRgb(255, 0, 255));
  CPictureRef allKey;
  ASSERT_TRUE(allKey.CreateFromBitmap(keyed));
  EXPECT_TRUE(CreateRegionFromBitmap(allKey.Get(), 0xFF00FF, std::nullopt, 0, 1, false, false).isEmpty());
  keyed.setPixel(1, 2, qRgb(0, 0, 0));
  CPictureRef onePixel;
  ASSERT_TRUE(onePixel.CreateFromBitmap(keyed));
  EXPECT_EQ(CreateRegionFromBitmap(onePixel.Get(), 0xFF00FF, std::nullopt, 0, 1, false, false),
            QRegion(1, 2, 1, 1));
  EXPECT_TRUE(CreateRegionFromBitmap(empty.Get(), 0xFF00FF, std::nullopt, 0, 1, false, false).isEmpty());
}

// A 10 × 10 recording: blue, with its top-left quadrant red; it sets a pen of its own.
HMETAFILE Quadrants() {
  QPicture commands;
  QPainter painter(&commands);
  painter.setPen(QPen(QColor(0, 255, 0), 5));
  painter.fillRect(0, 0, 10, 10, QColor(0, 0, 255));
  painter.fillRect(0, 0, 5, 5, QColor(255, 0, 0));
  painter.end();
  return com::MakeMetafile(commands, QRect(0, 0, 10, 10));
}

// The rectangle of the pixels that are not white.
QRect Painted(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
  return box;
}

TEST(PictureRef, MetafilesLandScaledAtThePosition) {
  // 529 × 265 HIMETRIC at 96 dpi is 20 × 10 pixels.
  CPictureRef metafile, enhanced;
  ASSERT_TRUE(metafile.CreateFromMetafile(Quadrants(), 529, 265, true));
  ASSERT_EQ(GetPictureSizePixels(metafile.Get()), QSize(20, 10));
  PICTDESC desc;
  desc.picType = PICTYPE_ENHMETAFILE;
  desc.metafile = Quadrants();
  com::Ref<IPicture> emf;
  ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, emf.OutVoid()), S_OK);
  ASSERT_TRUE(enhanced.Attach(emf.get()));
  struct Case {
    const char* what;
    IPicture* picture;
    bool useDest;
    QRect painted;  // where the recording lands; its top-left quarter is red
  };
  const Case cases[] = {
      {"own pixel size at item + inset", metafile.Get(), false, QRect(4, 5, 20, 10)},
      {"stretched to the destination", metafile.Get(), true, QRect(11, 13, 30, 20)},
      {"enhanced without useDest: the destination", enhanced.Get(), false, QRect(10, 12, 30, 20)},
      {"enhanced with useDest: the destination", enhanced.Get(), true, QRect(10, 12, 30, 20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QImage target = Filled(48, 48, qRgb(255, 255, 255));
    QPainter painter(&target);
    const QPen pen(QColor(1, 2, 3), 3);
    painter.setPen(pen);
    painter.setClipRect(0, 0, 47, 47);
    DrawPictureArgs args;
    args.item = QRect(3, 4, 40, 40);
    args.dest = QRect(10, 12, 30, 20);
    args.inset = QPoint(1, 1);
    args.useDest = c.useDest;
    EXPECT_TRUE(DrawPictureEx(painter, c.picture, args));
    // The painter comes back as it was given.
    EXPECT_TRUE(painter.transform().isIdentity());
    EXPECT_EQ(painter.pen(), pen);
    EXPECT_EQ(painter.clipBoundingRect(), QRectF(0, 0, 47, 47));
    painter.end();
    EXPECT_EQ(Painted(target), c.painted);
    const QRect& r = c.painted;
    EXPECT_EQ(target.pixel(r.left(), r.top()), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(r.left() + r.width() / 2 - 1, r.top() + r.height() / 2 - 1), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(r.left() + r.width() / 2, r.top()), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(r.right(), r.bottom()), qRgb(0, 0, 255));
  }
  // Nothing to fill: a zero extent, or an enhanced metafile without a destination.
  CPictureRef flat;
  ASSERT_TRUE(flat.CreateFromMetafile(Quadrants(), 0, 265, true));
  QImage target = Filled(8, 8, qRgb(255, 255, 255));
  QPainter painter(&target);
  DrawPictureArgs args;
  args.item = QRect(0, 0, 8, 8);
  EXPECT_FALSE(DrawPictureEx(painter, flat.Get(), args));
  EXPECT_FALSE(DrawPictureEx(painter, enhanced.Get(), args));
  painter.end();
  EXPECT_TRUE(Painted(target).isEmpty());
  // Bitmaps of metafile pictures: the recording played at the picture's size.
  const QImage bitmap = PictureToBitmap(metafile.Get(), 0xFFFFFF);
  ASSERT_EQ(bitmap.size(), QSize(20, 10));
  EXPECT_EQ(bitmap.pixel(9, 4), qRgb(255, 0, 0));
  EXPECT_EQ(bitmap.pixel(10, 4), qRgb(0, 0, 255));
  EXPECT_EQ(CreateRegionFromBitmap(metafile.Get(), 0xFF0000, std::nullopt, 0, 1, false, false),
            QRegion(0, 0, 10, 5));
}

TEST(PictureRef, MetafileRecordingsAreSharedNotLeaked) {
  const long before = com::ObjectTable::Objects();
  struct Case {
    const char* what;
    bool own;
    bool callerKeeps;  // the caller holds on to its handle after the create
  };
  const Case cases[] = {
      {"owned, handle dropped", true, false},
      {"owned, handle kept", true, true},
      {"not owned, handle kept", false, true},
      {"not owned, handle dropped", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HMETAFILE handle = Quadrants();
    const std::weak_ptr<const Metafile> watch = handle;
    CPictureRef picture;
    ASSERT_TRUE(picture.CreateFromMetafile(handle, 529, 265, c.own));
    if (!c.callerKeeps) handle.reset();
    // A second holder made from the same recording, as frames are.
    HMETAFILE same;
    ASSERT_EQ(picture.Get()->GetMetafile(&same), S_OK);
    EXPECT_EQ(same.get(), watch.lock().get());
    CPictureRef frame;
    ASSERT_TRUE(frame.CreateFromMetafile(same, 529, 265, false));
    same.reset();
    picture.Release();
    EXPECT_FALSE(watch.expired());  // the frame still plays it
    EXPECT_EQ(PictureToBitmap(frame.Get(), 0xFFFFFF).pixel(0, 0), qRgb(255, 0, 0));
    frame.Release();
    EXPECT_EQ(watch.expired(), !c.callerKeeps);
    handle.reset();
    EXPECT_TRUE(watch.expired());
  }
  CPictureRef none;
  EXPECT_FALSE(none.CreateFromMetafile(nullptr, 529, 265, true));
  EXPECT_FALSE(none.CreateFromMetafile(Quadrants(), -1, 265, true));
  EXPECT_FALSE(none);
  EXPECT_EQ(com::ObjectTable::Objects(), before);
}

TEST(PictureRef, ImageSinkCollectsTheStrip) {
  const long before = com::ObjectTable::Objects();
  {
    std::vector<ImageEntry> images;
    const com::Ref<IImageAddSink> sink = CImageAddSink::Make(&images);
    ASSERT_TRUE(sink);
    struct Iface {
      IID iid;
      HRESULT hr;
    };
    for (const Iface& c : std::vector<Iface>{{IID_IUnknown, S_OK}, {IID_IImageAddSink, S_OK},
                                             {IID_IDispatch, E_NOINTERFACE}, {IID_IPicture, E_NOINTERFACE}}) {
      com::Ref<IUnknown> face;
      EXPECT_EQ(sink->QueryInterface(c.iid, face.OutVoid()), c.hr);
      EXPECT_EQ(static_cast<bool>(face), c.hr == S_OK);
    }
    const QImage bitmap = Filled(2, 2, qRgb(1, 1, 1));
    const QImage null;
    const com::Ref<IImageAddSink> noTarget = CImageAddSink::Make(nullptr);
    struct Add {
      IImageAddSink* sink;
      const QImage* bitmap;
      HRESULT hr;
    };
    for (const Add& c : std::vector<Add>{{noTarget.get(), &bitmap, E_FAIL},
                                         {sink.get(), nullptr, E_INVALIDARG},
                                         {sink.get(), &null, E_INVALIDARG},
                                         {sink.get(), &bitmap, S_OK}})
      EXPECT_EQ(c.sink->AddImage(c.bitmap, nullptr, "one"), c.hr);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(KeyOf(images[0].key), "one");

    // Three 16 × 16 images of a strip, with their keys, after the one already there.
    const QString dir = testenv::NewTempDir(QStringLiteral("sink"));
    QImage strip(16, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 16; ++x) strip.setPixel(x, y, qRgb(y / 16 * 100, x * 10, 0));
    const QString path = dir + QStringLiteral("/strip.png");
    ASSERT_TRUE(SaveDibAsPng(path, {CPageString("a"), CPageString("b"), CPageString("")}, strip, nullptr, 24));
    ASSERT_TRUE(LoadPngIntoImageList(path, sink.get()));
    ASSERT_EQ(images.size(), 4u);
    const std::vector<std::string> keys = {"one", "a", "b", ""};
    for (size_t i = 0; i < images.size(); ++i) EXPECT_EQ(KeyOf(images[i].key), keys[i]);
    EXPECT_TRUE(SamePixels(PictureImage(images[3].picture.Get()), strip.copy(0, 32, 16, 16)));
    EXPECT_FALSE(LoadPngIntoImageList(dir + QStringLiteral("/missing.png"), sink.get()));
    EXPECT_FALSE(LoadPngIntoImageList(path, noTarget.get()));
    EXPECT_FALSE(LoadPngIntoImageList(path, nullptr));
  }
  EXPECT_EQ(com::ObjectTable::Objects(), before);
}

namespace extender {

// A container's site: answers IOleControlSite when told to, and its extender.
class Site final : public com::ComObject<IOleClientSite, IOleControlSite> {
 public:
  Site(IUnknown* outer, bool controlSite, HRESULT answer, IDispatch* extender)
      : ComObject(outer), controlSite_(controlSite), answer_(answer), extender_(extender) {}
  HRESULT GetExtendedControl(IDispatch** out) override {
    if (FAILED(answer_)) return answer_;
    extender_->AddRef();
    *out = extender_;
    return S_OK;
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IOleClientSite) return Face<IOleClientSite>();
    if (iid == IID_IOleControlSite && controlSite_) return Face<IOleControlSite>();
    return nullptr;
  }

 private:
  bool controlSite_;
  HRESULT answer_;
  IDispatch* extender_;
};

// An embedded control with (or without) a client site.
class Control final : public com::ComObject<IOleObject> {
 public:
  Control(IUnknown* outer, bool oleObject, IOleClientSite* site)
      : ComObject(outer), oleObject_(oleObject), site_(site) {}
  HRESULT GetClientSite(IOleClientSite** out) override {
    *out = site_.get();
    if (*out) (*out)->AddRef();
    return S_OK;
  }
  HRESULT DoVerb(LONG, MSG*, IUnknown*, LONG, HWND, const RECT*) override { return E_NOTIMPL; }

 protected:
  void* FindInterface(REFIID iid) override { return iid == IID_IOleObject && oleObject_ ? Face<IOleObject>() : nullptr; }

 private:
  bool oleObject_;
  com::Ref<IOleClientSite> site_;
};

}  // namespace extender

TEST(PictureRef, GetExtendedControlWalksObjectSiteAndControlSite) {
  struct Case {
    const char* name;
    bool oleObject, hasSite, controlSite;
    HRESULT siteAnswer, expected;
  };
  const Case cases[] = {
      {"the extender", true, true, true, S_OK, S_OK},
      {"no embedded object", false, true, true, S_OK, E_NOINTERFACE},
      {"no client site", true, false, true, S_OK, E_FAIL},
      {"a site that is no control site", true, true, false, S_OK, E_NOINTERFACE},
      {"the site's own failure", true, true, true, E_NOTIMPL, E_NOTIMPL},
  };
  const long before = com::ObjectTable::Objects();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      CPictureRef wrapped;
      ASSERT_TRUE(wrapped.CreateFromBitmap(QImage(2, 2, QImage::Format_RGB32)));
      com::Ref<IPictureDisp> disp = wrapped.GetPictureDisp();
      com::Ref<IOleClientSite> site;
      if (c.hasSite) {
        site = com::Create<extender::Site, IOleClientSite>(IID_IOleClientSite, c.controlSite, c.siteAnswer,
                                                           static_cast<IDispatch*>(disp.get()));
      }
      com::Ref<IUnknown> control =
          com::Create<extender::Control, IUnknown>(IID_IUnknown, c.oleObject, site.get());
      IDispatch* got = reinterpret_cast<IDispatch*>(1);
      EXPECT_EQ(GetExtendedControl(control.get(), &got), c.expected);
      if (c.expected == S_OK) {
        EXPECT_EQ(got, static_cast<IDispatch*>(disp.get()));
        got->Release();
      } else {
        EXPECT_EQ(got, nullptr);
      }
    }
    EXPECT_EQ(com::ObjectTable::Objects(), before);
  }
  EXPECT_EQ(GetExtendedControl(nullptr, nullptr), E_POINTER);
}

}  // namespace
}  // namespace qvp
