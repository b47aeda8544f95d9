#include "platform/com/Picture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <QPicture>

#include "platform/com/Dispatch.h"
#include "platform/com/Font.h"
#include "platform/com/Stream.h"

namespace {

using com::Ref;

// A 4x2 image: the top row red, the bottom row blue, the last column green.
QImage Sample() {
  QImage image(4, 2, QImage::Format_ARGB32);
  image.fill(Qt::red);
  for (int x = 0; x < 4; ++x) image.setPixelColor(x, 1, Qt::blue);
  image.setPixelColor(3, 0, Qt::green);
  image.setPixelColor(3, 1, Qt::green);
  return image;
}

Ref<IPicture> Make(SHORT type, const QImage* image) {
  PICTDESC desc;
  desc.picType = type;
  desc.image = image;
  Ref<IPicture> p;
  EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, p.OutVoid()), S_OK);
  return p;
}

// A recording of a 10 × 10 window at (5, 5): blue, its top-left quadrant red.
HMETAFILE Quadrants() {
  QPicture commands;
  QPainter painter(&commands);
  painter.fillRect(5, 5, 10, 10, QColor(Qt::blue));
  painter.fillRect(5, 5, 5, 5, QColor(Qt::red));
  painter.end();
  return com::MakeMetafile(commands);
}

Ref<IPicture> MakeRecorded(SHORT type, HMETAFILE metafile, LONG xExt = 0, LONG yExt = 0) {
  PICTDESC desc;
  desc.picType = type;
  desc.metafile = std::move(metafile);
  desc.xExt = xExt;
  desc.yExt = yExt;
  Ref<IPicture> p;
  EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, FALSE, p.OutVoid()), S_OK);
  return p;
}

TEST(Picture, CreationChecksTheDescription) {
  const QImage image = Sample();
  const QImage none;
  struct Case {
    const char* what;
    UINT size;
    SHORT type;
    const QImage* image;
    HRESULT hr;
    HMETAFILE metafile{};
    LONG xExt = 0, yExt = 0;
  };
  const HMETAFILE recording = Quadrants();
  const Case cases[] = {
      {"empty", sizeof(PICTDESC), PICTYPE_NONE, nullptr, S_OK},
      {"bitmap", sizeof(PICTDESC), PICTYPE_BITMAP, &image, S_OK},
      {"icon", sizeof(PICTDESC), PICTYPE_ICON, &image, S_OK},
      {"wrong size", 20, PICTYPE_NONE, nullptr, E_INVALIDARG},
      {"bitmap without pixels", sizeof(PICTDESC), PICTYPE_BITMAP, nullptr, E_INVALIDARG},
      {"bitmap with a null image", sizeof(PICTDESC), PICTYPE_BITMAP, &none, E_INVALIDARG},
      {"metafile", sizeof(PICTDESC), PICTYPE_METAFILE, nullptr, S_OK, recording, 1000, 500},
      {"metafile of zero extent", sizeof(PICTDESC), PICTYPE_METAFILE, nullptr, S_OK, recording},
      {"enhanced metafile", sizeof(PICTDESC), PICTYPE_ENHMETAFILE, nullptr, S_OK, recording},
      {"metafile without a recording", sizeof(PICTDESC), PICTYPE_METAFILE, &image, E_INVALIDARG},
      {"enhanced without a recording", sizeof(PICTDESC), PICTYPE_ENHMETAFILE, nullptr, E_INVALIDARG},
      {"metafile of negative extent", sizeof(PICTDESC), PICTYPE_METAFILE, nullptr, E_INVALIDARG, recording, 1000, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PICTDESC desc;
    desc.cbSizeofstruct = c.size;
    desc.picType = c.type;
    desc.image = c.image;
    desc.metafile = c.metafile;
    desc.xExt = c.xExt;
    desc.yExt = c.yExt;
    Ref<IPicture> p;
    ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, p.OutVoid()), c.hr);
    if (FAILED(c.hr)) continue;
    SHORT type = -9;
    OLE_HANDLE handle = 7;
    EXPECT_EQ(p->get_Type(&type), S_OK);
    EXPECT_EQ(type, c.type);
    p->get_Handle(&handle);
    EXPECT_EQ(handle != 0, c.type != PICTYPE_NONE);
  }
  Ref<IPicture> blank;
  ASSERT_EQ(OleCreatePictureIndirect(nullptr, IID_IPicture, TRUE, blank.OutVoid()), S_OK);
  SHORT type = 0;
  blank->get_Type(&type);
  EXPECT_EQ(type, PICTYPE_UNINITIALIZED);
}

TEST(Picture, SizesHandlesAndAutomationFace) {
  const QImage image = Sample();
  auto a = Make(PICTYPE_BITMAP, &image);
  auto b = Make(PICTYPE_BITMAP, &image);
  OLE_HANDLE ha = 0, hb = 0;
  a->get_Handle(&ha);
  b->get_Handle(&hb);
  EXPECT_NE(ha, hb);
  LONG w = 0, h = 0;
  a->get_Width(&w);
  a->get_Height(&h);
  EXPECT_EQ(w, 106);  // 4 px at 96 dpi
  EXPECT_EQ(h, 53);
  EXPECT_EQ(com::HimetricToPixels(w), 4);
  EXPECT_EQ(com::HimetricToPixels(2540), 96);

  auto disp = com::QueryAs<IDispatch>(a.get(), IID_IPictureDisp);
  ASSERT_TRUE(disp);
  com::Variant type;
  ASSERT_EQ(com::GetProperty(disp.get(), com::IdOfName(disp.get(), QStringLiteral("Type")), type),
            S_OK);
  EXPECT_EQ(type.Get().iVal, PICTYPE_BITMAP);
  auto back = com::QueryAs<IPicture>(disp.get(), IID_IPicture);
  EXPECT_EQ(back.get(), a.get());
  EXPECT_EQ(com::QueryAs<IDispatch>(a.get(), IID_IDispatch).get(), disp.get());
  // As a plain value a picture is its handle (its value property).
  com::Variant handle = com::Variant::Dispatch(disp.get());
  ASSERT_EQ(handle.ChangeType(VT_I4), S_OK);
  EXPECT_EQ(static_cast<OLE_HANDLE>(handle.Get().lVal), ha);
}

// Readers of a bitmap picture's pixels know palette images: grey levels come as indexes
// of the grey ramp.
TEST(Picture, GreyscaleBitmapsHoldTheGreyRamp) {
  QImage grey(16, 2, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) grey.scanLine(y)[x] = static_cast<uchar>(x * 17 - y);
  QImage held;
  ASSERT_EQ(Make(PICTYPE_BITMAP, &grey)->GetImage(&held), S_OK);
  EXPECT_EQ(held.format(), QImage::Format_Indexed8);
  EXPECT_EQ(held.colorCount(), 256);
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) EXPECT_EQ(held.pixel(x, y), grey.pixel(x, y)) << x << "," << y;
  EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);  // the caller's image is left as it was
}

TEST(Picture, RendersUprightWithTheBottomUpSourceAndFlippedOtherwise) {
  const QImage image = Sample();
  auto p = Make(PICTYPE_BITMAP, &image);
  LONG w = 0, h = 0;
  p->get_Width(&w);
  p->get_Height(&h);
  struct Case {
    const char* what;
    LONG ySrc, cySrc;
    QColor top;
  };
  const Case cases[] = {
      {"upright", h, -h, Qt::red},
      {"upside down", 0, h, Qt::blue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QImage target(8, 4, QImage::Format_ARGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    ASSERT_EQ(p->Render(&painter, 0, 0, 8, 4, 0, c.ySrc, w, c.cySrc, nullptr), S_OK);
    painter.end();
    EXPECT_EQ(target.pixelColor(0, 0), c.top);
    EXPECT_EQ(target.pixelColor(7, 0), QColor(Qt::green));
  }
  EXPECT_EQ(p->Render(nullptr, 0, 0, 8, 4, 0, h, w, -h, nullptr), E_INVALIDARG);
}

TEST(Picture, SavesAndLoadsThroughStreams) {
  const QImage image = Sample();
  for (SHORT type : {PICTYPE_BITMAP, PICTYPE_ICON}) {
    SCOPED_TRACE(type);
    auto p = Make(type, &image);
    auto stream = com::MemoryStream::Over();
    LONG size = 0;
    ASSERT_EQ(p->SaveAsFile(stream.get(), TRUE, &size), S_OK);
    EXPECT_GT(size, 0);
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    Ref<IPicture> loaded;
    ASSERT_EQ(OleLoadPicture(stream.get(), size, FALSE, IID_IPicture, loaded.OutVoid()), S_OK);
    SHORT loadedType = 0;
    loaded->get_Type(&loadedType);
    EXPECT_EQ(loadedType, type);
    QImage pixels;
    loaded->GetImage(&pixels);
    EXPECT_EQ(pixels.size(), image.size());
    EXPECT_EQ(pixels.pixelColor(0, 1), QColor(Qt::blue));
  }
  auto junk = com::MemoryStream::Over("not a picture");
  Ref<IPicture> none;
  EXPECT_EQ(OleLoadPicture(junk.get(), 0, FALSE, IID_IPicture, none.OutVoid()),
            CTL_E_INVALIDPICTURE);
  junk->Seek(0, STREAM_SEEK_SET, nullptr);
  // A size beyond what the stream holds is refused, not read past.
  EXPECT_EQ(OleLoadPicture(junk.get(), 1000, FALSE, IID_IPicture, none.OutVoid()),
            CTL_E_INVALIDPICTURE);
  junk->Seek(0, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(OleLoadPicture(junk.get(), 0x7FFFFFFF, FALSE, IID_IPicture, none.OutVoid()),
            CTL_E_INVALIDPICTURE);
  EXPECT_EQ(OleLoadPicture(junk.get(), -1, FALSE, IID_IPicture, none.OutVoid()), E_INVALIDARG);
  auto empty = Make(PICTYPE_NONE, nullptr);
  EXPECT_EQ(empty->SaveAsFile(junk.get(), TRUE, nullptr), E_FAIL);
}

TEST(Picture, MetafilePicturesOverRecordings) {
  const HMETAFILE recording = Quadrants();
  ASSERT_EQ(recording->window, QRect(5, 5, 10, 10));  // from the commands' bounds
  struct Case {
    const char* what;
    SHORT type;
    LONG xExt, yExt;
    LONG width, height;  // HIMETRIC
  };
  const Case cases[] = {
      {"metafile: the extent is its size", PICTYPE_METAFILE, 1000, 500, 1000, 500},
      {"enhanced: its window is its size", PICTYPE_ENHMETAFILE, 1, 1, 265, 265},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto p = MakeRecorded(c.type, recording, c.xExt, c.yExt);
    ASSERT_TRUE(p);
    LONG w = -1, h = -1;
    DWORD attributes = 0;
    p->get_Width(&w);
    p->get_Height(&h);
    p->get_Attributes(&attributes);
    EXPECT_EQ(w, c.width);
    EXPECT_EQ(h, c.height);
    EXPECT_EQ(attributes, PICTURE_SCALABLE | PICTURE_TRANSPARENT);
    HMETAFILE back;
    ASSERT_EQ(p->GetMetafile(&back), S_OK);
    EXPECT_EQ(back, recording);
    QImage pixels(1, 1, QImage::Format_RGB32);
    p->GetImage(&pixels);
    EXPECT_TRUE(pixels.isNull());
    auto stream = com::MemoryStream::Over();
    EXPECT_EQ(p->SaveAsFile(stream.get(), TRUE, nullptr), E_FAIL);  // no metafile encoder
  }
}

TEST(Picture, MetafileRendersItsWindowIntoTheDestination) {
  auto p = MakeRecorded(PICTYPE_METAFILE, Quadrants(), 2000, 1000);
  ASSERT_TRUE(p);
  struct Case {
    const char* what;
    LONG x, y, cx, cy;
    LONG xSrc, ySrc, cxSrc, cySrc;
    QPoint red, blue;  // a pixel of each colour afterwards
    QPoint white;      // a pixel left alone
  };
  const Case cases[] = {
      {"upright, scaled", 2, 4, 20, 10, 0, 1000, 2000, -1000, {11, 8}, {12, 8}, {1, 1}},
      {"upside down", 2, 4, 20, 10, 0, 0, 2000, 1000, {11, 9}, {11, 8}, {22, 4}},
      {"left half only, clipped to the destination", 0, 0, 10, 10, 0, 1000, 1000, -1000, {9, 4}, {9, 5},
       {10, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QImage target(24, 16, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    ASSERT_EQ(p->Render(&painter, c.x, c.y, c.cx, c.cy, c.xSrc, c.ySrc, c.cxSrc, c.cySrc, nullptr), S_OK);
    EXPECT_TRUE(painter.transform().isIdentity());
    EXPECT_FALSE(painter.hasClipping());
    painter.end();
    EXPECT_EQ(target.pixelColor(c.red), QColor(Qt::red));
    EXPECT_EQ(target.pixelColor(c.blue), QColor(Qt::blue));
    EXPECT_EQ(target.pixelColor(c.white), QColor(Qt::white));
  }
}

// Every cut of a whole picture file is refused; the whole file loads.
TEST(Picture, TruncatedFilesAreRefused) {
  QImage wide(64, 32, QImage::Format_RGB32);
  wide.fill(Qt::darkCyan);
  QImage indexed = Sample().convertToFormat(QImage::Format_Indexed8);
  indexed.setColorCount(16);
  const struct {
    const char* format;
    QImage image;
  } kinds[] = {{"bmp", wide}, {"bmp", indexed}, {"ico", Sample()}, {"png", wide}};
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.format);
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(kind.image.save(&buffer, kind.format));
    std::vector<qsizetype> cuts;
    for (qsizetype cut = 1; cut < file.size(); cut += cut < 200 ? 1 : 97) cuts.push_back(cut);
    cuts.push_back(file.size() - 1);
    cuts.push_back(file.size());
    for (const qsizetype cut : cuts) {
      const bool whole = cut == file.size();
      auto stream = com::MemoryStream::Over(file.left(cut));
      Ref<IPicture> p;
      EXPECT_EQ(OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, p.OutVoid()),
                whole ? S_OK : CTL_E_INVALIDPICTURE)
          << cut << " of " << file.size();
      EXPECT_EQ(static_cast<bool>(p), whole);
    }
  }
}

TEST(Picture, MetafileFilesAreNotDecoded) {
  // The first bytes of a placeable metafile and of an enhanced metafile header.
  const QByteArray placeable("\xD7\xCD\xC6\x9A\x00\x00\x00\x00\x00\x00\x10\x00\x10\x00\x60\x00", 16);
  QByteArray enhanced(88, '\0');
  enhanced[0] = 1;
  enhanced.replace(40, 4, QByteArray(" EMF", 4));
  for (const QByteArray& bytes : {placeable, enhanced}) {
    auto stream = com::MemoryStream::Over(bytes);
    Ref<IPicture> p;
    EXPECT_EQ(OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, p.OutVoid()), CTL_E_INVALIDPICTURE);
    EXPECT_FALSE(p);
  }
}

Ref<IFont> MakeFont(const char16_t* name, LONGLONG size) {
  FONTDESC desc;
  desc.lpstrName = name;
  desc.cySize.int64 = size;
  Ref<IFont> f;
  OleCreateFontIndirect(&desc, IID_IFont, f.OutVoid());
  return f;
}

TEST(Font, ValidatesAndMapsToQFont) {
  EXPECT_FALSE(MakeFont(u"", 80000));
  EXPECT_FALSE(MakeFont(u"Sans", 0));
  FONTDESC wrong;
  wrong.cbSizeofstruct = 4;
  void* out = nullptr;
  EXPECT_EQ(OleCreateFontIndirect(&wrong, IID_IFont, &out), E_INVALIDARG);

  auto f = MakeFont(u"Sans", 97500);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->put_Bold(TRUE), S_OK);
  EXPECT_EQ(f->put_Italic(TRUE), S_OK);
  EXPECT_EQ(f->put_Weight(0), E_INVALIDARG);
  CY bad{-1};
  EXPECT_EQ(f->put_Size(bad), E_INVALIDARG);
  SHORT weight = 0;
  f->get_Weight(&weight);
  EXPECT_EQ(weight, 700);
  QFont q;
  ASSERT_EQ(f->GetFont(&q), S_OK);
  EXPECT_EQ(q.family(), QStringLiteral("Sans"));
  EXPECT_DOUBLE_EQ(q.pointSizeF(), 9.75);
  EXPECT_EQ(q.weight(), QFont::Bold);
  EXPECT_TRUE(q.italic());

  Ref<IFont> copy;
  ASSERT_EQ(f->Clone(copy.Out()), S_OK);
  EXPECT_EQ(f->IsEqual(copy.get()), S_OK);
  copy->put_Underline(TRUE);
  EXPECT_EQ(f->IsEqual(copy.get()), S_FALSE);

  // The automation face converts what it is given to the property's type.
  auto disp = com::QueryAs<IDispatch>(f.get(), IID_IFontDisp);
  ASSERT_TRUE(disp);
  EXPECT_EQ(com::PutProperty(disp.get(), DISPID_FONT_SIZE, com::Variant::Text(u"12")), S_OK);
  com::Variant size;
  ASSERT_EQ(com::GetProperty(disp.get(), DISPID_FONT_SIZE, size), S_OK);
  EXPECT_EQ(size.Get().cyVal.int64, 120000);
  EXPECT_EQ(com::PutProperty(disp.get(), DISPID_FONT_NAME, com::Variant::Text(u"")),
            DISP_E_EXCEPTION);
  com::Variant bold;
  ASSERT_EQ(com::GetProperty(disp.get(), com::IdOfName(disp.get(), QStringLiteral("Bold")), bold),
            S_OK);
  EXPECT_EQ(bold.Get().boolVal, VARIANT_TRUE);
}

}  // namespace
