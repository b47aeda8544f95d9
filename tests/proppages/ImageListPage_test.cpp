// The Images page through the test host, over the list bar's image lists.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/TypeInfo.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"
#include "proppages/Pages.h"
#include "proppages/PictureViewer.h"
#include "proppages/PngStrip.h"
#include "tests/proppages/PageHost.h"
#include "tests/proppages/PageTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using test::BitmapFile;
using test::PageHost;
using test::Solid;

class ImageListPageTest : public test::PageTest<CQVImageListPropPage> {
 protected:
  explicit ImageListPageTest(int index = 4) : PageTest(index) {}
  void Activate() {
    ASSERT_EQ(host_.Activate(), S_OK);
    viewer_ = host_.Find<PictureViewer>("1009");
    key_ = host_.Find<QLineEdit>("1037");
    ASSERT_TRUE(viewer_ && key_);
  }
  void Insert(const QString& file) {
    files_->Choose(file);
    Button("1006")->click();
  }
  void InsertColour(const char* name, QRgb colour) { Insert(BitmapFile(Path(name), Solid(32, 32, colour))); }
  // Types a key and presses Enter, as a user would.
  void TypeKey(const QString& key) {
    key_->clear();
    test::TypeText(key_, key);
    test::PressKey(key_, Qt::Key_Return);
  }
  const std::vector<ImageEntry>& Entries() { return Page().Entries(); }
  QString KeyOf(size_t i) { return QString::fromLatin1(Entries()[i].key.Text() ? Entries()[i].key.Text() : ""); }

  PictureViewer* viewer_ = nullptr;
  QLineEdit* key_ = nullptr;
};

TEST_F(ImageListPageTest, AddTwoKeyedImagesSaveThemAsAStripAndApply) {
  Activate();
  auto* combo = host_.Find<QComboBox>("1026");
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), "LargeIcons");
  EXPECT_EQ(combo->itemText(1), "SmallIcons");
  EXPECT_EQ(TextOf("1023"), "Image Size: 32x32  (Note: all inserted images will be scaled to 32x32)");
  EXPECT_FALSE(Button("1007")->isEnabled());
  EXPECT_FALSE(key_->isEnabled());

  InsertColour("red.bmp", qRgb(255, 0, 0));
  TypeKey(QStringLiteral("red"));
  InsertColour("blue.bmp", qRgb(0, 0, 255));
  TypeKey(QStringLiteral("blue"));
  EXPECT_EQ(TextOf("1022"), "2");
  EXPECT_EQ(host_.Find<QLineEdit>("1004")->text(), "2");
  EXPECT_TRUE(host_.Dirty());
  ASSERT_EQ(Entries().size(), 2u);
  EXPECT_EQ(KeyOf(0), "red");
  EXPECT_EQ(KeyOf(1), "blue");

  const QString strip = Path("icons.png");
  files_->Choose(strip);
  Button("1015")->click();
  std::vector<ImageEntry> read;
  ASSERT_TRUE(LoadPngIntoImageList(strip, CImageAddSink::Make(&read).get()));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_STREQ(read[0].key.Text(), "red");
  EXPECT_STREQ(read[1].key.Text(), "blue");
  EXPECT_EQ(PictureImage(read[1].picture.Get()).pixel(16, 16), qRgb(0, 0, 255));

  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_FALSE(host_.Dirty());
  EXPECT_FALSE(ImageListAdding());
  const ctl::ListBarImageList& icons = host_.model.LargeIcons();
  ASSERT_EQ(icons.Count(), 2);
  EXPECT_EQ(icons.Key(1), "red");
  EXPECT_EQ(icons.Key(2), "blue");
  EXPECT_EQ(icons.Picture(1).pixel(3, 3), qRgb(255, 0, 0));
  EXPECT_TRUE(prompts_->Shown().isEmpty());
}

TEST_F(ImageListPageTest, KeysMustBeUniqueAndNotNumbers) {
  Activate();
  InsertColour("a.bmp", qRgb(1, 2, 3));
  TypeKey(QStringLiteral("taken"));
  InsertColour("b.bmp", qRgb(4, 5, 6));
  struct Case {
    const char* key;
    const char* message;  // null: accepted
    const char* caption;
  };
  const Case cases[] = {
      {"12abc", "Keys cannot be numbers.", "Invalid Key"},
      {"-7", "Keys cannot be numbers.", "Invalid Key"},
      {"taken", "Keys must be unique.", "Duplicate Key"},
      {"Taken", nullptr, nullptr},
      {"abc", nullptr, nullptr},
      {"0", nullptr, nullptr},
      {"", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const int shown = static_cast<int>(prompts_->Shown().size());
    if (c.message) prompts_->Expect(QString::fromLatin1(c.message));
    TypeKey(QString::fromLatin1(c.key));
    if (c.message) {
      ASSERT_EQ(prompts_->Shown().size(), shown + 1);
      EXPECT_EQ(prompts_->Last().title, c.caption);
      EXPECT_TRUE(key_->text().isEmpty());  // Enter clears the edit after a message
      EXPECT_NE(KeyOf(1), c.key);
    } else {
      EXPECT_EQ(prompts_->Shown().size(), shown);
      EXPECT_EQ(KeyOf(1), c.key);
    }
  }
  // Two images without keys do not clash.
  viewer_->SetCurrent(0);
  TypeKey(QString());
  EXPECT_EQ(KeyOf(0), "");
  EXPECT_EQ(KeyOf(1), "");
}

TEST_F(ImageListPageTest, ImportGivesAKeyAlreadyUsedAnEmptyKeyAndRemovingTheLastDisables) {
  Activate();
  InsertColour("a.bmp", qRgb(9, 9, 9));
  TypeKey(QStringLiteral("one"));
  // A strip of two images keyed "one" and "two".
  const QImage strip = Solid(32, 64, qRgb(0, 200, 0));
  const QString file = Path("strip.png");
  ASSERT_TRUE(SaveDibAsPng(file, {CPageString("one"), CPageString("two")}, strip, nullptr, 24));
  files_->Choose(file);
  Button("1014")->click();
  EXPECT_EQ(files_->FileRequests().back().title, "Enter Image Filename");
  ASSERT_EQ(Entries().size(), 3u);
  EXPECT_EQ(KeyOf(0), "one");
  EXPECT_EQ(KeyOf(1), "");
  EXPECT_EQ(KeyOf(2), "two");

  // A file that is no strip: the load error with its name; nothing inserted.
  const QString junk = Path("junk.png");
  QFile f(junk);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("junk");
  f.close();
  prompts_->Expect(junk);
  files_->Choose(junk);
  Button("1014")->click();
  EXPECT_EQ(prompts_->Last().title, "Error Loading File");
  EXPECT_EQ(Entries().size(), 3u);

  // Several picture files at once, inserted in order after the selected image.
  files_->ChooseFiles({BitmapFile(Path("c.bmp"), Solid(32, 32, qRgb(1, 2, 3))),
                       BitmapFile(Path("d.bmp"), Solid(32, 32, qRgb(4, 5, 6)))});
  Button("1006")->click();
  ASSERT_EQ(Entries().size(), 5u);
  EXPECT_EQ(PictureImage(Entries()[3].picture.Get()).pixel(0, 0), qRgb(1, 2, 3));
  EXPECT_EQ(PictureImage(Entries()[4].picture.Get()).pixel(0, 0), qRgb(4, 5, 6));

  for (int i = 0; i < 5; ++i) Button("1007")->click();
  EXPECT_TRUE(Entries().empty());
  EXPECT_EQ(TextOf("1022"), "0");
  EXPECT_EQ(host_.Find<QLineEdit>("1004")->text(), "0");
  for (const char* id : {"1007", "1015"}) EXPECT_FALSE(Button(id)->isEnabled()) << id;
  EXPECT_FALSE(key_->isEnabled());
}

TEST_F(ImageListPageTest, ApplyingAnEmptyListClearsTheControlAndTheAddingFlag) {
  host_.model.SmallIcons().Add(QStringLiteral("old"), Solid(16, 16, qRgb(1, 1, 1)));
  Activate();
  auto* combo = host_.Find<QComboBox>("1026");
  combo->setCurrentIndex(1);
  emit combo->activated(1);
  ASSERT_EQ(Entries().size(), 1u);
  EXPECT_EQ(KeyOf(0), "old");
  Button("1007")->click();
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(host_.model.SmallIcons().Count(), 0);
  EXPECT_FALSE(ImageListAdding());
}

TEST_F(ImageListPageTest, ShiftButtonsMoveTheSelectedImage) {
  Activate();
  InsertColour("a.bmp", qRgb(255, 0, 0));
  TypeKey(QStringLiteral("a"));
  InsertColour("b.bmp", qRgb(0, 255, 0));
  TypeKey(QStringLiteral("b"));
  EXPECT_TRUE(Button("1016")->isEnabled());
  EXPECT_FALSE(Button("1017")->isEnabled());
  Button("1016")->click();
  EXPECT_EQ(KeyOf(0), "b");
  EXPECT_EQ(viewer_->Current(), 0);
  EXPECT_FALSE(Button("1016")->isEnabled());
  EXPECT_EQ(key_->text(), "b");
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(host_.model.LargeIcons().Key(1), "b");
  EXPECT_EQ(host_.model.LargeIcons().Picture(1).pixel(1, 1), qRgb(0, 255, 0));
}

class ImageListPage2Test : public ImageListPageTest {
 protected:
  ImageListPage2Test() : ImageListPageTest(8) {}
};

TEST_F(ImageListPage2Test, TheSecondVariantHasNoShiftButtons) {
  Activate();
  EXPECT_FALSE(Button("1016"));
  EXPECT_FALSE(Button("1017"));
  EXPECT_EQ(Button("1006")->text(), "I&nsert Image...");
  EXPECT_EQ(Button("1007")->text(), "&Remove Image");
  InsertColour("a.bmp", qRgb(255, 0, 0));
  InsertColour("b.bmp", qRgb(0, 255, 0));
  Button("1007")->click();
  EXPECT_EQ(Entries().size(), 1u);
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(host_.model.LargeIcons().Count(), 1);
}

}  // namespace
}  // namespace qvp

namespace qvp {
namespace {

using test::UrlControl;

class UrlPropertyTest : public ImageListPageTest {
 protected:
  void ActivateWith(const QString& url) {
    control_ = com::Create<UrlControl, IDispatch>(IID_IDispatch, url);
    ASSERT_EQ(host_.Activate(control_.get()), S_OK);
    viewer_ = host_.Find<PictureViewer>("1009");
    key_ = host_.Find<QLineEdit>("1037");
  }
  // A strip file of `count` 8 x 8 images keyed k1, k2, ...
  QString StripFile(const char* name, int count) {
    std::vector<CPageString> keys;
    for (int i = 1; i <= count; ++i) keys.emplace_back(QStringLiteral("k%1").arg(i).toLatin1().constData());
    const QString path = Path(name);
    EXPECT_TRUE(SaveDibAsPng(path, keys, Solid(8, 8 * count, qRgb(0, 0, 200)), nullptr, 24));
    return path;
  }
  static size_t ImagesIn(const QString& path) {
    std::vector<ImageEntry> read;
    return LoadPngIntoImageList(path, CImageAddSink::Make(&read).get()) ? read.size() : 0;
  }
  com::Ref<IDispatch> control_;
};

TEST_F(UrlPropertyTest, ALocalStripIsShownAndSavedBackToItsPath) {
  struct Case {
    const char* name;
    bool fileUrl;
  };
  for (const Case& c : {Case{"plain path", false}, Case{"file address", true}}) {
    SCOPED_TRACE(c.name);
    const QString strip = StripFile("local.png", 3);
    PageHost host(4);
    const QString url = c.fileUrl ? QUrl::fromLocalFile(strip).toString() : strip;
    auto control = com::Create<UrlControl, IDispatch>(IID_IDispatch, url);
    ASSERT_EQ(host.Activate(control.get()), S_OK);
    EXPECT_FALSE(host.Find<QLabel>("1040")->isHidden());
    EXPECT_EQ(host.Find<QLineEdit>("1042")->text(), url);
    EXPECT_EQ(host.Find<QLabel>("1022")->text(), "3");
    EXPECT_EQ(host.Find<QLabel>("1023")->text(),
              "Image Size: 8x8  (Note: all inserted images will be scaled to 8x8)");
    host.Find<QPushButton>("1007")->click();
    EXPECT_EQ(host.page->Apply(), S_OK);
    EXPECT_EQ(ImagesIn(strip), 2u);
    EXPECT_TRUE(files_->FileRequests().isEmpty());
  }
}

TEST_F(UrlPropertyTest, ARemoteStripCannotBeLoadedAndSavingAsksForAFileOnce) {
  const QString url = QStringLiteral("http://example.invalid/icons.png");
  prompts_->Expect(url);
  ActivateWith(url);
  EXPECT_EQ(prompts_->Last().title, "Error Loading File");
  EXPECT_EQ(TextOf("1022"), "0");
  // Importing from an address goes through the download, which has no network here.
  const QString remoteImport = QStringLiteral("http://example.invalid/more.png");
  prompts_->Expect(remoteImport);
  files_->Choose(remoteImport);
  Button("1014")->click();
  EXPECT_TRUE(Entries().empty());

  InsertColour("a.bmp", qRgb(1, 2, 3));
  const QString saved = Path("saved.png");
  files_->Choose(saved);
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(ImagesIn(saved), 1u);
  InsertColour("b.bmp", qRgb(4, 5, 6));
  const int asked = static_cast<int>(files_->FileRequests().size());
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(files_->FileRequests().size(), asked);
  EXPECT_EQ(ImagesIn(saved), 2u);
}

TEST_F(UrlPropertyTest, AStripThatCannotBeWrittenIsReportedAndThePageStaysDirty) {
  // The strip is not there yet: the load error at the start.
  prompts_->Expect(Path("missing-folder/strip.png"));
  ActivateWith(Path("missing-folder/strip.png"));
  InsertColour("a.bmp", qRgb(1, 2, 3));
  prompts_->Expect(Path("missing-folder/strip.png"));
  EXPECT_EQ(host_.page->Apply(), E_FAIL);
  EXPECT_EQ(prompts_->Last().title, "Error Saving File");
  EXPECT_TRUE(host_.Dirty());
}

}  // namespace
}  // namespace qvp
