// The Configure ToolBars and PNG Generator pages through the test host.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <map>
#include <set>

#include "platform/com/Memory.h"
#include "platform/com/Object.h"
#include "platform/com/Stream.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/testing/TestPrompts.h"
#include "proppages/Dib.h"
#include "proppages/PageSupport.h"
#include "proppages/Pages.h"
#include "proppages/PictureRef.h"
#include "proppages/PngStrip.h"
#include "tests/proppages/PageHost.h"
#include "tests/proppages/PngTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using test::PageHost;

constexpr int kConfigPage = 6;
constexpr int kPngPage = 5;

// A control that answers IOleObject but keeps no dirty state of its own.
class VerbOnlyControl final : public com::ComObject<IOleObject> {
 public:
  explicit VerbOnlyControl(IUnknown* outer) : ComObject(outer) {}
  HRESULT GetClientSite(IOleClientSite** site) override {
    if (site) *site = nullptr;
    return E_NOTIMPL;
  }
  HRESULT DoVerb(LONG verb, MSG*, IUnknown*, LONG, HWND, const RECT*) override {
    verbs.push_back(verb);
    return S_OK;
  }
  std::vector<LONG> verbs;

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IOleObject ? Face<IOleObject>() : nullptr;
  }
};

TEST(ConfigToolBarsPage, ConfigureRunsVerbTenAndTakesTheControlsDirtyFlag) {
  enum class Edited { kControl, kVerbOnly, kNothing };  // kVerbOnly: answers no IPersistStreamInit
  struct Case {
    const char* name;
    bool controlChanges;
    Edited edited;
    bool dirty;
  };
  const Case cases[] = {
      {"configuration changed the control", true, Edited::kControl, true},
      {"configuration changed nothing", false, Edited::kControl, false},
      {"control without a dirty flag", true, Edited::kVerbOnly, false},
      {"no object: the button does nothing", true, Edited::kNothing, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageHost host(kConfigPage);
    int configured = 0;
    host.control->SetToolBarConfigurator([&] {
      ++configured;
      if (c.controlChanges) host.model.Tabs().Add(0, {}, QStringLiteral("Configured"));
    });
    host.model.SetDirty(false);
    auto verbOnly = com::Create<VerbOnlyControl, IOleObject>(IID_IOleObject);
    if (c.edited == Edited::kNothing) {
      const RECT rect{0, 0, 300, 200};
      ASSERT_EQ(host.page->Activate(&host.frame, &rect, FALSE), S_OK);
    } else {
      ASSERT_EQ(host.Activate(c.edited == Edited::kVerbOnly ? verbOnly.get() : nullptr), S_OK);
    }
    auto* button = host.Find<QPushButton>("1043");
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), "&Configure...");
    button->click();
    EXPECT_EQ(static_cast<VerbOnlyControl*>(verbOnly.get())->verbs,
              c.edited == Edited::kVerbOnly ? std::vector<LONG>{10} : std::vector<LONG>{});
    EXPECT_EQ(configured, c.edited == Edited::kControl ? 1 : 0);
    EXPECT_EQ(host.Dirty(), c.dirty);
    if (c.edited == Edited::kNothing) continue;
    EXPECT_EQ(host.page->Apply(), S_OK);
    if (c.controlChanges && c.edited == Edited::kControl) {
      ASSERT_EQ(host.model.Tabs().Count(), 1);
      EXPECT_EQ(host.model.Tabs().Item(1).Caption(), "Configured");
    }
  }
}

// Each page has a topic of its own, shipped with the library, under the context its
// GetPageInfo names; F1 on a page without a current row opens it, and Home goes to the
// library's contents. The utility pages keep the control's help file.
TEST(PageHelp, F1OpensEachPagesTopic) {
  const QDir shipped(QFileInfo(QStringLiteral(QVPAGES_LIBRARY)).dir().filePath(QStringLiteral("help")));
  const QString folder = testenv::NewTempDir(QStringLiteral("qvp-help"));
  std::set<DWORD> contexts;
  for (int page = 0; page < kPageCount; ++page) {
    const DWORD context = PageObjectTable[page].helpContext;
    EXPECT_TRUE(contexts.insert(context).second) << page;
    const QString name = QStringLiteral("%1.html").arg(context);
    EXPECT_TRUE(QFileInfo(shipped.filePath(name)).isFile()) << name.toStdString();
    ASSERT_TRUE(QFile::copy(shipped.filePath(name), folder + QLatin1Char('/') + name));
  }
  ASSERT_TRUE(
      QFile::copy(shipped.filePath(QStringLiteral("index.html")), folder + QStringLiteral("/index.html")));
  SetLibraryHelpFolder(folder);
  for (int page = 0; page < kPageCount; ++page) {
    SCOPED_TRACE(page);
    const QString topic = QStringLiteral("/%1.html").arg(PageObjectTable[page].helpContext);
    PageHost host(page);
    ASSERT_EQ(host.Activate(), S_OK);
    if (auto* list = host.frame.findChild<PropertyListView*>()) list->setCurrentIndex({});
    // Forwarded by the host, or pressed on one of the page's own controls.
    MSG f1{nullptr, WM_KEYDOWN, VK_F1, 0};
    QWidget* control = host.frame.findChild<QComboBox*>();
    if (!control) control = host.frame.findChild<QPushButton*>();
    for (const bool forwarded : {true, false}) {
      if (forwarded) {
        EXPECT_EQ(host.page->TranslateAccelerator(&f1), S_OK);
      } else {
        if (!control) continue;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(control, &press);
        EXPECT_TRUE(press.isAccepted());
      }
      auto* viewer = qobject_cast<ui::HelpViewer*>(LibraryHelpWindow());
      ASSERT_TRUE(viewer) << forwarded;
      EXPECT_EQ(viewer->CurrentPage().toStdString(), (folder + topic).toStdString());
      EXPECT_EQ(viewer->windowTitle(), QStringLiteral("QVProp Help"));
      viewer->actHome->trigger();
      EXPECT_EQ(viewer->CurrentPage().toStdString(), (folder + QStringLiteral("/index.html")).toStdString());
      CloseLibraryHelp();
    }
    auto* base = static_cast<CQVPropPageBase*>(host.page.get());
    if (page == kConfigPage) {
      EXPECT_STREQ(static_cast<CQVConfigToolBarsPropPage*>(base)->HelpFile().Text(), "svl_v6_help.chm");
    } else if (page == kPngPage) {
      EXPECT_STREQ(static_cast<CQVPNGGeneratorPropPage*>(base)->HelpFile().Text(), "svl_v6_help.chm");
    }
  }
  SetLibraryHelpFolder({});
}

TEST(PageInfo, PagesWithContentsGiveTheChildPageSize) {
  for (int i = 0; i < kPageCount; ++i) {
    SCOPED_TRACE(i);
    com::Ref<IPropertyPage> page;
    ASSERT_EQ(PageObjectTable[i].create(nullptr, IID_IPropertyPage, page.OutVoid()), S_OK);
    PROPPAGEINFO info;
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    const SIZE expected = i < 2 ? kDefaultPageSize : kChildPageSize;  // the browser pages come later
    EXPECT_EQ(info.size.cx, expected.cx);
    EXPECT_EQ(info.size.cy, expected.cy);
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
  }
}

// The pages that edit a list bar load it again after a new activation, and answer a
// repeated hand-over of the same object with E_FAIL.
TEST(ControlPages, ReactivationReloadsAndARepeatIsRefused) {
  struct Case {
    int page;
    const char* combo;
  };
  for (const Case& c : {Case{2, "1003"}, Case{3, "1002"}, Case{4, "1026"}, Case{7, "2200"}, Case{8, "1026"}}) {
    SCOPED_TRACE(c.page);
    PageHost host(c.page);
    host.model.Groups().Add(0, {}, QStringLiteral("G"));
    host.model.Tabs().Add(0, {}, QStringLiteral("T"));
    for (int round = 0; round < 2; ++round) {
      ASSERT_EQ(host.Activate(), S_OK);
      auto* combo = host.frame.findChild<QComboBox*>(QLatin1String(c.combo));
      ASSERT_TRUE(combo);
      EXPECT_GT(combo->count(), 0);
      EXPECT_TRUE(combo->isEnabled());
      IUnknown* same[] = {host.control->Object()};
      EXPECT_EQ(host.page->SetObjects(1, same), E_FAIL);
      EXPECT_EQ(host.page->Deactivate(), S_OK);
    }
    // Changes after the page went are not its business any more.
    host.model.Groups().Add(0, {}, QStringLiteral("H"));
    host.model.Tabs().Add(0, {}, QStringLiteral("U"));
  }
}

com::Ref<IPicture> MakePicture(SHORT type, const QImage& image) {
  PICTDESC desc;
  desc.picType = type;
  desc.image = &image;
  com::Ref<IPicture> picture;
  EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, picture.OutVoid()), S_OK);
  return picture;
}

QImage Filled(int w, int h, QImage::Format format, QRgb colour) {
  QImage image(w, h, format);
  if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono) {
    const int n = format == QImage::Format_Mono ? 2 : 256;
    QList<QRgb> table(n, qRgb(0, 0, 0));
    table[1] = colour;
    image.setColorTable(table);
    image.fill(1);
  } else {
    image.fill(colour);
  }
  return image;
}

// A 40 x 20 GIF of 64 colours (a 6-bit colour table), its codes kept at 7 bits by a
// clear code every 60 pixels.
QByteArray Gif64() {
  QByteArray gif("GIF89a");
  const auto put16 = [&](int v) { gif.append(static_cast<char>(v & 0xff)).append(static_cast<char>(v >> 8)); };
  put16(40);
  put16(20);
  gif.append(static_cast<char>(0xD5)).append('\0').append('\0');
  for (int i = 0; i < 64; ++i)
    gif.append(static_cast<char>(i * 4)).append(static_cast<char>(255 - i * 4)).append(static_cast<char>(i * 16 % 256));
  gif.append(',');
  put16(0);
  put16(0);
  put16(40);
  put16(20);
  gif.append('\0').append(static_cast<char>(6));
  QByteArray codes;
  uint32_t acc = 0;
  int bits = 0;
  const auto put = [&](int code) {
    acc |= static_cast<uint32_t>(code) << bits;
    for (bits += 7; bits >= 8; bits -= 8, acc >>= 8) codes.append(static_cast<char>(acc & 0xff));
  };
  for (int p = 0; p < 40 * 20; ++p) {
    if (p % 60 == 0) put(64);
    put((p % 40 + p / 40 * 3) % 64);
  }
  put(65);
  if (bits > 0) codes.append(static_cast<char>(acc & 0xff));
  for (qsizetype at = 0; at < codes.size(); at += 255) {
    const QByteArray block = codes.mid(at, 255);
    gif.append(static_cast<char>(block.size())).append(block);
  }
  return gif.append('\0').append(';');
}

TEST(PngGeneratorPage, StatusLineGivesSizeAndColourCount) {
  struct Case {
    const char* name;
    SHORT type;
    QImage::Format format;
    const char* line;
    QByteArray file;  // loaded as a picture file instead
  };
  const Case cases[] = {
      {"24-bit bitmap", PICTYPE_BITMAP, QImage::Format_RGB888, "Image: 40 x 20 x 16 Million", {}},
      {"32-bit bitmap", PICTYPE_BITMAP, QImage::Format_RGB32, "Image: 40 x 20 x 16 Million", {}},
      {"8-bit bitmap", PICTYPE_BITMAP, QImage::Format_Indexed8, "Image: 40 x 20 x 256", {}},
      {"1-bit bitmap", PICTYPE_BITMAP, QImage::Format_Mono, "Image: 40 x 20 x 2", {}},
      {"icon", PICTYPE_ICON, QImage::Format_ARGB32, "Image: 40 x 20 x 16", {}},
      // A GIF picture is an 8-bit bitmap.
      {"64-colour GIF", PICTYPE_BITMAP, QImage::Format_Invalid, "Image: 40 x 20 x 256", Gif64()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    com::Ref<IPicture> picture;
    if (c.file.isEmpty()) {
      picture = MakePicture(c.type, Filled(40, 20, c.format, qRgb(9, 9, 9)));
    } else {
      const com::Ref<IStream> stream = com::MemoryStream::Over(c.file);
      ASSERT_EQ(OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, picture.OutVoid()), S_OK);
    }
    EXPECT_EQ(PictureStatusLine(picture.get()), c.line);
  }
  EXPECT_EQ(PictureStatusLine(nullptr), "Image: 0 x 0 x 16 Million");
}

class PngGeneratorTest : public test::PageTest<CQVPropPageBase> {
 protected:
  PngGeneratorTest() : PageTest(kPngPage) {}
  void SetUp() override {
    ASSERT_EQ(host_.Activate(), S_OK);
    save_ = host_.Find<QPushButton>("1039");
    ASSERT_TRUE(save_);
  }
  // A .bmp file of a w x h picture of one colour, written at `bits` per pixel.
  QString Bitmap(const char* name, int w, int h, QRgb colour, int bits) {
    const QString path = Path(name);
    EXPECT_EQ(WriteDibFile(BitmapToPackedDib(Filled(w, h, QImage::Format_RGB32, colour), nullptr, bits), path),
              DibWriteResult::kWritten);
    return path;
  }
  // A 24-bit .bmp file of a red picture twice as wide as high.
  QString WideBitmap() { return Bitmap("wide.bmp", 60, 30, qRgb(255, 0, 0), 24); }
  void SaveAs(const QString& path) {
    files_->Choose(path);
    save_->click();
  }
  void Browse(const QString& path) {
    files_->Choose(path);
    host_.Find<QPushButton>("1012")->click();
  }
  QString Status() { return host_.Find<QLabel>("1023")->text(); }

  QPushButton* save_ = nullptr;
};

TEST_F(PngGeneratorTest, LoadPreviewAndSaveAsPng) {
  EXPECT_FALSE(save_->isEnabled());
  Browse(WideBitmap());
  EXPECT_TRUE(save_->isEnabled());
  EXPECT_EQ(Status(), "Image: 60 x 30 x 16 Million");
  EXPECT_EQ(files_->FileRequests().back().title, "Select Picture");

  // Drawn full width and centred vertically in a square preview.
  QWidget* preview = host_.Find("1011");
  ASSERT_TRUE(preview);
  preview->setFixedSize(104, 104);
  const QImage shot = preview->grab().toImage();
  const int mid = shot.width() / 2;
  EXPECT_EQ(shot.pixel(mid, shot.height() / 2), qRgb(255, 0, 0));
  EXPECT_EQ(shot.pixel(4, shot.height() / 2), qRgb(255, 0, 0));
  EXPECT_NE(shot.pixel(mid, 10), qRgb(255, 0, 0));
  EXPECT_NE(shot.pixel(mid, shot.height() - 10), qRgb(255, 0, 0));

  const QString out = Path("out.png");
  SaveAs(out);
  EXPECT_EQ(files_->FileRequests().back().title, "Save Images As");
  EXPECT_TRUE(files_->FileRequests().back().save);
  const auto picture = LoadPngPicture(out);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->image.size(), QSize(60, 30));
  EXPECT_EQ(picture->image.pixel(5, 5), qRgb(255, 0, 0));
  EXPECT_TRUE(prompts_->Shown().isEmpty());
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_FALSE(host_.Dirty());
}

// A palette bitmap is shown and written at its own depth with as many palette entries,
// whatever number of colours its table declares.
TEST_F(PngGeneratorTest, PaletteBitmapsKeepTheirDepth) {
  const struct {
    int bits;
    uint32_t used;  // colours in the file's table, 0 for all
    const char* status;
  } cases[] = {
      {1, 0, "Image: 16 x 8 x 2"},   {4, 0, "Image: 16 x 8 x 16"},   {4, 12, "Image: 16 x 8 x 16"},
      {8, 0, "Image: 16 x 8 x 256"}, {8, 12, "Image: 16 x 8 x 256"}, {8, 16, "Image: 16 x 8 x 256"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.used << " colours");
    PackedDib dib = BitmapToPackedDib(Filled(16, 8, QImage::Format_RGB32, qRgb(0, 0, 0)), nullptr, c.bits);
    if (c.used) {
      const auto table = dib.begin() + 40;
      dib.erase(table + 4 * c.used, table + 4 * (1 << c.bits));
      for (int i = 0; i < 4; ++i) dib[32 + i] = static_cast<uint8_t>(c.used >> (8 * i));
    }
    const QString in = Path("palette.bmp");
    ASSERT_EQ(WriteDibFile(dib, in), DibWriteResult::kWritten);
    Browse(in);
    EXPECT_EQ(Status(), c.status);
    const QString out = Path("palette.png");
    SaveAs(out);
    QFile png(out);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    const QByteArray bytes = png.readAll();
    ASSERT_GT(bytes.size(), 33);
    EXPECT_EQ(bytes[24], c.bits);  // IHDR bit depth
    EXPECT_EQ(bytes[25], 3);       // palette colour type
    const qsizetype plte = bytes.indexOf("PLTE");
    ASSERT_GT(plte, 4);
    const int entries = ((uchar(bytes[plte - 2]) << 8) | uchar(bytes[plte - 1])) / 3;
    EXPECT_EQ(entries, 1 << c.bits);
  }
  EXPECT_TRUE(prompts_->Shown().isEmpty());
}

QByteArray Fixture(const char* name) {
  QFile file(QStringLiteral(STOVREL_FIXTURES_DIR "/proppages/fuzz/") + QLatin1String(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  return file.readAll();
}

QByteArray Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format)) << format;
  return bytes;
}

// A .bmp file of a pattern of all the palette's colours, at `bits` per pixel.
QByteArray PaletteBitmap(int bits) {
  QList<QRgb> palette;
  for (int i = 0; i < (1 << bits); ++i) palette.append(qRgb((i * 53 + 17) % 256, (i * 97 + 5) % 256, (i * 29 + 200) % 256));
  QImage image(24, 12, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, palette[(x + 7 * y) % palette.size()]);
  DibWriteResult result;
  std::optional<std::vector<uint8_t>> file = DibFileBytes(BitmapToPackedDib(image, &palette, bits), &result);
  EXPECT_TRUE(file);
  return file ? QByteArray(reinterpret_cast<const char*>(file->data()), static_cast<qsizetype>(file->size())) : QByteArray();
}

QImage GreyRamp() {
  QImage image(40, 20, QImage::Format_Grayscale8);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.scanLine(y)[x] = static_cast<uchar>(x * 6 + y);
  return image;
}

QImage ColourRamp(QImage::Format format) {
  QImage image(40, 20, format);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 6, y * 12, (x * y) % 256));
  return image;
}

// The ramp with an alpha that runs from clear to opaque.
QImage AlphaRamp() {
  QImage image(40, 20, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgba(x * 6, y * 12, (x * y) % 256, (x * 13 + y * 7) % 256));
  return image;
}

// A 32-bit .bmp file of the image with its alpha: a version-4 header whose masks name
// the alpha byte.
QByteArray AlphaBitmap(const QImage& image) {
  QByteArray bytes;
  const auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.append(static_cast<char>((v >> (8 * i)) & 0xff));
  };
  const auto pixels = static_cast<uint32_t>(image.width() * image.height() * 4);
  bytes.append("BM");
  put(14 + 108 + pixels, 4);
  put(0, 4);
  put(14 + 108, 4);
  put(108, 4);
  put(static_cast<uint32_t>(image.width()), 4);
  put(static_cast<uint32_t>(image.height()), 4);
  put(1, 2);
  put(32, 2);
  put(3, 4);  // bit fields
  put(pixels, 4);
  put(2835, 4);
  put(2835, 4);
  put(0, 4);
  put(0, 4);
  for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) put(mask, 4);
  put(0x73524742, 4);  // sRGB
  for (int i = 0; i < 12; ++i) put(0, 4);
  for (int y = image.height() - 1; y >= 0; --y)
    for (int x = 0; x < image.width(); ++x) put(image.pixel(x, y), 4);
  return bytes;
}

// A saved file shows every pixel of its source, whatever kind of picture file it was,
// alpha included where the source has an alpha channel; an icon (drawn on the menu
// colour) and palette pictures (no transparency chunk) show their opaque pixels.
TEST_F(PngGeneratorTest, SavedFilesShowTheirSourcePixelForPixel) {
  const struct {
    const char* name;
    QByteArray bytes;
    bool everyPixel;
  } cases[] = {
      {"1-bit.bmp", PaletteBitmap(1), true},
      {"4-bit.bmp", PaletteBitmap(4), true},
      {"8-bit.bmp", PaletteBitmap(8), true},
      {"grey.png", Encoded(GreyRamp(), "PNG"), true},
      {"grey.jpg", Encoded(GreyRamp(), "JPEG"), true},
      {"24-bit.bmp", Encoded(ColourRamp(QImage::Format_RGB32), "BMP"), true},
      {"32-bit.png", Encoded(ColourRamp(QImage::Format_ARGB32), "PNG"), true},
      {"32-bit alpha.bmp", AlphaBitmap(AlphaRamp()), true},
      {"rgba.png", Encoded(AlphaRamp(), "PNG"), true},
      {"colour.jpg", Encoded(ColourRamp(QImage::Format_RGB32), "JPEG"), true},
      {"picture.gif", Fixture("bmp-seed-gif"), false},
      {"64-colour.gif", Gif64(), true},
      {"picture.ico", Fixture("bmp-seed-icon"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(pngtest::WriteFile(Path(c.name), c.bytes.toStdString()));
    Browse(Path(c.name));
    const QString out = Path("saved.png");
    SaveAs(out);
    const QImage source = QImage::fromData(c.bytes).convertToFormat(QImage::Format_ARGB32);
    const QImage saved = QImage(out).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(source.isNull());
    ASSERT_EQ(saved.size(), source.size());
    int differing = 0;
    for (int y = 0; y < source.height(); ++y)
      for (int x = 0; x < source.width(); ++x)
        if ((c.everyPixel || qAlpha(source.pixel(x, y)) == 255) && saved.pixel(x, y) != source.pixel(x, y))
          ++differing;
    EXPECT_EQ(differing, 0);
  }
  EXPECT_TRUE(prompts_->Shown().isEmpty());
}

// A file of every kind "All Picture Files" names loads.
TEST(PictureFilters, EveryOfferedKindOpens) {
  const QString dir = testenv::NewTempDir(QStringLiteral("qvp-kinds"));
  const std::map<QString, QByteArray> samples = {
      {QStringLiteral("bmp"), PaletteBitmap(8)},          {QStringLiteral("png"), Encoded(GreyRamp(), "PNG")},
      {QStringLiteral("jpg"), Encoded(GreyRamp(), "JPEG")}, {QStringLiteral("jpeg"), Encoded(GreyRamp(), "JPEG")},
      {QStringLiteral("gif"), Fixture("bmp-seed-gif")},
      {QStringLiteral("ico"), Fixture("bmp-seed-icon")},    {QStringLiteral("cur"), Fixture("bmp-seed-cursor")},
  };
  for (const UINT filter : {2012u, 2022u}) {
    const QStringList parts = PageText(filter).split(QLatin1Char('|'));
    ASSERT_GT(parts.size(), 1);
    ASSERT_EQ(parts[0], "All Picture Files");
    for (const QString& pattern : parts[1].split(QLatin1Char(';'))) {
      SCOPED_TRACE(testing::Message() << filter << " " << pattern.toStdString());
      const QString extension = pattern.mid(2);
      ASSERT_TRUE(samples.contains(extension));
      const QString path = dir + QStringLiteral("/sample.") + extension;
      ASSERT_TRUE(pngtest::WriteFile(path, samples.at(extension).toStdString()));
      CPictureRef picture;
      EXPECT_EQ(LoadPictureFile(path, picture), S_OK);
    }
  }
}

TEST_F(PngGeneratorTest, CancelledOrUnreadableFilesKeepThePicture) {
  Browse(WideBitmap());
  const std::string before = Status().toStdString();
  files_->Cancel();
  host_.Find<QPushButton>("1012")->click();
  EXPECT_EQ(Status().toStdString(), before);
  EXPECT_TRUE(prompts_->Shown().isEmpty());

  // No picture, and the first 100 bytes of a bitmap file: the load error.
  QFile whole(WideBitmap());
  ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
  const QByteArray cut = whole.read(100);
  for (const auto& [name, bytes] : {std::pair{"junk.gif", QByteArray("not a picture")},
                                    std::pair{"cut.bmp", cut}}) {
    const QString bad = Path(name);
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    prompts_->Expect(bad);
    Browse(bad);
    EXPECT_EQ(prompts_->Last().title, "Error Loading File");
    EXPECT_EQ(Status().toStdString(), before);
  }
  // A file that cannot be read at all shows nothing.
  Browse(Path("missing.bmp"));
  EXPECT_EQ(prompts_->Shown().size(), 2);
  EXPECT_TRUE(save_->isEnabled());
}

TEST_F(PngGeneratorTest, AFailedSaveIsReportedAndKeepsTheOldFile) {
  Browse(WideBitmap());
  const QString blocked = Path("no-such-folder/out.png");
  prompts_->Expect(blocked);
  SaveAs(blocked);
  ASSERT_EQ(prompts_->Shown().size(), 1);
  EXPECT_EQ(prompts_->Last().title, "Error Saving File");
  EXPECT_FALSE(QFile::exists(blocked));
}

}  // namespace
}  // namespace qvp
