// The Animation Builder page through the test host, over the list bar's animated
// picture, and its choice of properties on a control of its own.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/Dispatch.h"
#include "platform/com/TypeInfo.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"
#include "proppages/Pages.h"
#include "proppages/PictureViewer.h"
#include "tests/proppages/PageHost.h"
#include "tests/proppages/PageTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using test::BitmapFile;
using test::PageHost;
using test::Solid;
using ui::test::Click;
using ui::test::ScopedFakeModalRunner;

constexpr int kAnimationPage = 2;
const QRgb kColours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0),
                         qRgb(0, 255, 255)};

// A strip of frames of 10 x 8 pixels in the colours given.
QImage Strip(int frames) {
  QImage strip(10 * frames, 8, QImage::Format_RGB32);
  for (int i = 0; i < frames; ++i)
    for (int x = 0; x < 10; ++x)
      for (int y = 0; y < 8; ++y) strip.setPixel(i * 10 + x, y, kColours[i % 5]);
  return strip;
}

class AnimationPageTest : public test::PageTest<CQVCustPictPropPage> {
 protected:
  AnimationPageTest() : PageTest(kAnimationPage) {}
  void Activate() {
    ASSERT_EQ(host_.Activate(), S_OK);
    viewer_ = host_.Find<PictureViewer>("1009");
    ASSERT_TRUE(viewer_);
  }
  // Imports a segmented bitmap, answering the frame count dialog with `count`.
  void Import(PageHost& host, const QImage& bitmap, const QString& count) {
    files_->Choose(BitmapFile(Path(QStringLiteral("seg.bmp")), bitmap));
    runner_->Then(QStringLiteral("126"), [count](QDialog& d) {
      EXPECT_EQ(ui::test::TextOf(d, QStringLiteral("1024")), "seg.bmp");
      ui::test::SetText(d, QStringLiteral("1019"), count);
      Click(d, QStringLiteral("1"));
    });
    host.Find<QPushButton>("1014")->click();
  }
  const CQVCustPictPropPage::Row& Row() { return Page().Rows().at(0); }

  ScopedFakeModalRunner runner_;
  PictureViewer* viewer_ = nullptr;
};

TEST_F(AnimationPageTest, BuildFiveFramesExportThemAndApply) {
  Activate();
  auto* combo = host_.Find<QComboBox>("1003");
  ASSERT_EQ(combo->count(), 1);
  EXPECT_EQ(combo->itemText(0), "Picture");
  EXPECT_FALSE(Button("1007")->isEnabled());
  EXPECT_FALSE(Button("1015")->isEnabled());

  QStringList files;
  for (int i = 0; i < 5; ++i)
    files << BitmapFile(Path(QStringLiteral("f%1.bmp").arg(i)), Solid(10, 8, kColours[i]));
  // The first 100 bytes of a bitmap file: refused with the load error, the others go in.
  QFile whole(files[4]);
  ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
  const QString cut = Path(QStringLiteral("cut.bmp"));
  QFile part(cut);
  ASSERT_TRUE(part.open(QIODevice::WriteOnly));
  part.write(whole.read(100));
  part.close();
  files_->Choose(files[0]);
  Button("1006")->click();
  // Several files in one dialog.
  files_->ChooseFiles({files[1], files[2], cut, files[3], files[4]});
  prompts_->Expect(cut);
  Button("1006")->click();
  EXPECT_EQ(prompts_->Last().title, "Error Loading File");
  EXPECT_EQ(viewer_->Count(), 5);
  EXPECT_EQ(viewer_->Current(), 4);
  EXPECT_EQ(TextOf("1022"), "5");
  EXPECT_EQ(host_.Find<QLineEdit>("1004")->text(), "5");
  EXPECT_EQ(TextOf("1023"), "Frame Size: 10x8  (Note: frame size is based on size of frame #1)");
  EXPECT_TRUE(host_.Dirty());
  EXPECT_FALSE(Button("1017")->isEnabled());  // the last frame is selected

  const QString out = Path(QStringLiteral("anim.bmp"));
  files_->Choose(out);
  Button("1015")->click();
  EXPECT_EQ(files_->FileRequests().back().title, "Save Segmented Bitmap As");
  const QImage written = LoadBitmapFile(out);
  ASSERT_EQ(written.size(), QSize(50, 8));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(written.pixel(i * 10 + 5, 4), kColours[i]) << i;

  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_FALSE(host_.Dirty());
  EXPECT_EQ(host_.model.PictureFrames(), 5);
  ASSERT_EQ(host_.model.Picture().size(), QSize(50, 8));
  EXPECT_EQ(host_.model.Picture().pixel(35, 4), kColours[3]);
  EXPECT_EQ(prompts_->Shown().size(), 1);
}

TEST_F(AnimationPageTest, SegmentedImportChecksTheFrameCount) {
  struct Case {
    const char* name;
    int width;
    const char* count;
    const char* message;  // null: imported
    int frames;
  };
  const Case cases[] = {
      {"ten frames of two pixels", 20, "10", nullptr, 10},
      {"eleven frames", 20, "11", "This segmented bitmap does not contain that many frames.", 0},
      {"one frame", 20, "1", nullptr, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageHost host(kAnimationPage);
    ASSERT_EQ(host.Activate(), S_OK);
    if (c.message) prompts_->Expect(QString::fromLatin1(c.message));
    Import(host, Solid(c.width, 4, qRgb(1, 2, 3)), QString::fromLatin1(c.count));
    EXPECT_EQ(host.Find<PictureViewer>("1009")->Count(), c.frames);
    EXPECT_EQ(host.Dirty(), c.frames > 0);
    // Titled by the library, not by whichever program hosts it.
    if (c.message) {
      EXPECT_EQ(prompts_->Last().title, "QVProp");
    }
  }
}

TEST_F(AnimationPageTest, FrameCountDialogRefusesNumbersBelowOne) {
  for (const char* typed : {"0", "-2", "abc", ""}) {
    SCOPED_TRACE(typed);
    prompts_->Expect(QStringLiteral("Number of frames must be greater than zero."));
    runner_->Then(QStringLiteral("126"), [&](QDialog& d) {
      ui::test::SetText(d, QStringLiteral("1019"), QString::fromLatin1(typed));
      Click(d, QStringLiteral("1"));
      EXPECT_TRUE(d.isVisible());  // still open
      EXPECT_EQ(prompts_->Last().title, "Invalid Number of Frames");
      Click(d, QStringLiteral("2"));
    });
    EXPECT_FALSE(AskFrameCount(QStringLiteral("/x/strip.bmp"), nullptr));
  }
  runner_->Then([](QDialog& d) {
    ui::test::SetText(d, QStringLiteral("1019"), QStringLiteral("4"));
    Click(d, QStringLiteral("1"));
  });
  EXPECT_EQ(AskFrameCount(QStringLiteral("/x/strip.bmp"), nullptr), 4);
}

TEST_F(AnimationPageTest, OnlyBitmapsCanBeImported) {
  Activate();
  QImage icon = Solid(16, 16, qRgb(9, 9, 9));
  const QString path = Path(QStringLiteral("seg.ico"));
  ASSERT_TRUE(icon.save(path, "ICO"));
  files_->Choose(path);
  runner_->Then([](QDialog& d) {
    ui::test::SetText(d, QStringLiteral("1019"), QStringLiteral("2"));
    Click(d, QStringLiteral("1"));
  });
  prompts_->Expect(QStringLiteral("Only bitmaps can be imported."));
  Button("1014")->click();
  EXPECT_EQ(viewer_->Count(), 0);
  EXPECT_FALSE(host_.Dirty());
}

// Frame counts the picture cannot have are dropped to 0 when the property is shown.
TEST_F(AnimationPageTest, TheControlsFrameCountIsCheckedAgainstThePicture) {
  struct Case {
    const char* name;
    int width;
    int frames;
    int shown;
    bool dirty;
  };
  const Case cases[] = {
      {"three frames, remainder columns dropped", 20, 3, 3, false},
      {"no frames", 20, 0, 0, false},
      {"more frames than pixels", 20, 21, 0, true},
      {"no picture", 0, 4, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageHost host(kAnimationPage);
    if (c.width) host.model.SetPicture(Strip(5).copy(0, 0, c.width, 8));
    host.model.SetPictureFrames(c.frames);
    ASSERT_EQ(host.Activate(), S_OK);
    auto* viewer = host.frame.findChild<PictureViewer*>(QStringLiteral("1009"));
    EXPECT_EQ(viewer->Count(), c.shown);
    if (c.shown) {
      EXPECT_EQ(GetPictureSizePixels(viewer->Item(0).Get()), QSize(c.width / c.frames, 8));
    }
    EXPECT_EQ(host.Dirty(), c.dirty);
    EXPECT_EQ(host.page->Apply(), S_OK);
    EXPECT_EQ(host.model.PictureFrames(), c.shown);
  }
}

TEST_F(AnimationPageTest, RemovingAndShiftingRebuildTheComposite) {
  host_.model.SetPicture(Strip(3));
  host_.model.SetPictureFrames(3);
  Activate();
  ASSERT_EQ(viewer_->Count(), 3);
  EXPECT_EQ(viewer_->Current(), 0);
  EXPECT_FALSE(Button("1016")->isEnabled());
  EXPECT_TRUE(Button("1017")->isEnabled());
  Button("1017")->click();  // red moves right
  EXPECT_EQ(viewer_->Current(), 1);
  EXPECT_EQ(PictureImage(Row().picture.Get()).pixel(5, 4), kColours[1]);
  EXPECT_EQ(PictureImage(Row().picture.Get()).pixel(15, 4), kColours[0]);
  viewer_->SetCurrent(2);
  Button("1007")->click();  // the last one: the new last is selected
  EXPECT_EQ(viewer_->Current(), 1);
  EXPECT_EQ(TextOf("1022"), "2");
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(host_.model.PictureFrames(), 2);
  EXPECT_EQ(host_.model.Picture().size(), QSize(20, 8));
  EXPECT_EQ(host_.model.Picture().pixel(15, 4), kColours[0]);

  Button("1007")->click();
  Button("1007")->click();
  EXPECT_EQ(viewer_->Count(), 0);
  EXPECT_EQ(Row().type, PICTYPE_NONE);
  EXPECT_FALSE(Button("1007")->isEnabled());
  EXPECT_EQ(host_.Find<QLineEdit>("1004")->text(), "0");
  // An empty picture has no bitmap to export.
  files_->Choose(Path(QStringLiteral("none.bmp")));
  Button("1015")->setEnabled(true);
  Button("1015")->click();
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("none.bmp"))));
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(host_.model.PictureFrames(), 0);
  EXPECT_TRUE(host_.model.Picture().isNull());
}

// A control with several picture-typed and other properties: only a picture whose
// name begins with "Picture" and whose frames property can be read is offered.
com::TypeLibBuilder PictureTypes() {
  com::TypeLibBuilder b(com::MakeGuid("5A1D0C3E-0000-4000-8000-000000000001"), QStringLiteral("Pics"), 1, 0);
  b.AddType(TKIND_DISPATCH, IID_IPictureDisp, QStringLiteral("Picture"));
  const auto picture = com::TypeRef::User(QStringLiteral("Picture"));
  b.AddType(TKIND_DISPATCH, ctl::IID_DListBar, QStringLiteral("Pics"))
      .Property(1, QStringLiteral("PictureWalk"), picture)
      .Property(2, QStringLiteral("PictureWalkFrames"), VT_I2)
      .Property(3, QStringLiteral("PictureStill"), picture)
      .Property(4, QStringLiteral("LogoFrames"), VT_I2)
      .Property(5, QStringLiteral("Logo"), picture)
      .Property(6, QStringLiteral("PictureCount"), VT_I4)
      .Property(7, QStringLiteral("PictureCountFrames"), VT_I2)
      .Property(8, QStringLiteral("PictureHidden"), picture, false, VARFLAG_FHIDDEN)
      .Property(9, QStringLiteral("PictureHiddenFrames"), VT_I2)
      .Function(10, QStringLiteral("AboutBox"), INVOKE_FUNC, VT_EMPTY)
      .Function(11, QStringLiteral("PictureMade"), INVOKE_FUNC, picture)
      .Property(12, QStringLiteral("PictureMadeFrames"), VT_I2);
  return b;
}

// A control with several picture-typed and other properties: only a picture whose
// name begins with "Picture" and whose frames property can be read is offered.
class PictureControl final : public test::TestControl<> {
 public:
  // `walk`: the picture of "PictureWalk" (none when null) and its frame count.
  PictureControl(IUnknown* outer, QImage walk = {}, SHORT walkFrames = 0)
      : TestControl(outer, PictureTypes(), QStringLiteral("Pics")), walk_(std::move(walk)) {
    for (DISPID id : {1, 3, 5, 8})
      dispatcher_.Getter(id, [this, id] {
        PICTDESC desc;
        desc.picType = id == 1 && !walk_.isNull() ? PICTYPE_BITMAP : PICTYPE_NONE;
        desc.image = &walk_;
        com::Ref<IDispatch> p;
        OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, p.OutVoid());
        return com::Variant::Dispatch(p.get());
      });
    dispatcher_.Getter(2, [walkFrames] { return com::Variant::I2(walkFrames); });
    for (DISPID id : {4, 6, 7, 9, 12}) dispatcher_.Getter(id, [] { return com::Variant::I2(0); });
    for (DISPID id : {10, 11})
      dispatcher_.On(id, INVOKE_FUNC, [this](com::Invocation&) {
        ++methodCalls;
        return S_OK;
      });
  }
  int methodCalls = 0;

 private:
  QImage walk_;
};

TEST(AnimationPageProperties, ANegativeFrameCountShowsNoFrames) {
  auto control = com::Create<PictureControl, IDispatch>(IID_IDispatch, Solid(20, 8, qRgb(5, 5, 5)), SHORT{-3});
  PageHost host(kAnimationPage);
  ASSERT_EQ(host.Activate(control.get()), S_OK);
  EXPECT_EQ(host.Find<PictureViewer>("1009")->Count(), 0);
  EXPECT_EQ(host.Find<QLabel>("1022")->text(), "0");
  EXPECT_TRUE(host.Dirty());
  EXPECT_EQ(host.Find<QLabel>("1023")->text(), "Frame Size: 0x0  (Note: frame size is based on size of frame #1)");
}

TEST(AnimationPageProperties, OnlyFramedPicturePropertiesAreListed) {
  auto control = com::Create<PictureControl, IDispatch>(IID_IDispatch);
  {
    PageHost host(kAnimationPage);
    ASSERT_EQ(host.Activate(control.get()), S_OK);
    auto* combo = host.Find<QComboBox>("1003");
    ASSERT_EQ(combo->count(), 1);
    EXPECT_EQ(combo->itemText(0), "PictureWalk");
    // Methods, with or without a picture result, are never called to read a value.
    EXPECT_EQ(static_cast<PictureControl*>(control.get())->methodCalls, 0);
  }
  // Objects without the list-bar interface are refused.
  PageHost other(kAnimationPage);
  auto site = com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite);
  EXPECT_EQ(other.Activate(site.get()), E_ACCESSDENIED);
  EXPECT_FALSE(other.Find<QComboBox>("1003")->isEnabled());
}

}  // namespace
}  // namespace qvp
