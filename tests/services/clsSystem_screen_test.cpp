#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/ui/Screen.h"
#include "platform/ui/testing/TestPrompts.h"
#include "services/clsSystem.h"
#include "services/mdlHelper.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::IsEmpty;

ui::ScreenMetrics Metrics(int width, int height, double dpi = 96.0) {
  return {width, height, dpi, dpi};
}

TEST(clsSystemScreen, LowResolutionBelow800Pixels) {
  const struct {
    int width;
    bool low;
  } cases[] = {{640, true}, {799, true}, {800, false}, {1024, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    ui::ScopedScreen screen(Metrics(c.width, 600));
    EXPECT_EQ(gSystem().ScreenWidthPix(), c.width);
    EXPECT_EQ(gSystem().IsLowRes(), c.low);
    EXPECT_EQ(mdlHelper::HlpScreenWidthPix(), c.width);
    EXPECT_EQ(mdlHelper::HlpIsLowRes(), c.low);
  }
}

TEST(clsSystemScreen, PixelsAndTwipsAtTwoResolutions) {
  {
    ui::ScopedScreen screen(Metrics(1280, 1024));
    EXPECT_EQ(gSystem().ScreenHeightPix(), 1024);
    EXPECT_DOUBLE_EQ(gSystem().Pix2TwipsX(10), 150.0);
    EXPECT_DOUBLE_EQ(gSystem().Pix2TwipsY(3), 45.0);
    EXPECT_DOUBLE_EQ(gSystem().Twips2PixX(100), 100.0 / 15.0);  // not rounded
    EXPECT_DOUBLE_EQ(gSystem().Twips2PixY(1440), 96.0);
  }
  {
    ui::ScopedScreen screen({1000, 750, 120.0, 144.0});
    EXPECT_EQ(gSystem().ScreenWidthPix(), 1000);
    EXPECT_EQ(gSystem().ScreenHeightPix(), 750);
    EXPECT_DOUBLE_EQ(gSystem().Pix2TwipsX(10), 120.0);
    EXPECT_DOUBLE_EQ(gSystem().Pix2TwipsY(10), 100.0);
    EXPECT_DOUBLE_EQ(gSystem().Twips2PixY(1440), 144.0);
  }
}

TEST(clsSystemScreen, Constants) {
  EXPECT_EQ(gSystem().cMinResWidth(), 640);
  EXPECT_EQ(gSystem().cMinResHeight(), 480);
  EXPECT_TRUE(gSystem().cDvWebsite().startsWith(QStringLiteral("https://")));
}

class ShellLaunchTest : public uitest::ScriptedTest {
 protected:
  ui::test::ScopedFakeShell shell;
};

TEST_F(ShellLaunchTest, LaunchFileOpensWithParameters) {
  gSystem().LaunchFile(QStringLiteral("/data/help/index.html"), QStringLiteral("Help"),
                       QStringLiteral("-topic 12"));
  ASSERT_EQ(shell->Calls().size(), 1);
  const ui::test::ShellCall& call = shell->Calls()[0];
  EXPECT_EQ(call.verb, QStringLiteral("open"));
  EXPECT_EQ(call.file, QStringLiteral("/data/help/index.html"));
  EXPECT_EQ(call.params, QStringLiteral("-topic 12"));
  EXPECT_EQ(call.dir, QString());
  EXPECT_EQ(call.showCmd, ui::SW_SHOWNORMAL);
  EXPECT_THAT(prompts->Shown(), IsEmpty());
}

TEST_F(ShellLaunchTest, LaunchFailureNamesTheShownNameOrThePath) {
  shell->SetDefaultResult(ui::kShellNoAssociation);
  prompts
      ->Expect(QStringLiteral("Unable to launch '/tmp/export.xyz'! No application may be "
                              "associated with this file type."))
      .Expect(QStringLiteral("Unable to launch 'the exported grid'! No application may be "
                             "associated with this file type."));
  gSystem().LaunchFile(QStringLiteral("/tmp/export.xyz"));
  gSystem().LaunchFile(QStringLiteral("/tmp/export.xyz"), QStringLiteral("the exported grid"));
  ASSERT_EQ(prompts->Shown().size(), 2);
  for (const ui::test::ShownPrompt& shown : prompts->Shown()) {
    EXPECT_EQ(shown.icon, ui::vbExclamation);
    EXPECT_EQ(shown.buttons, ui::vbOKOnly);
    EXPECT_EQ(shown.title, QStringLiteral("Stovrel"));
  }
}

TEST_F(ShellLaunchTest, ResultsFrom0To32FailAndFrom33Succeed) {
  // 32 and below fail, 33 and above succeed.
  shell->Result(32).Result(33).Result(0);
  prompts->ExpectContaining(QStringLiteral("'a.csv'")).ExpectContaining(QStringLiteral("'c.csv'"));
  for (const char* file : {"a.csv", "b.csv", "c.csv"})
    gSystem().LaunchFile(QString::fromLatin1(file));
  EXPECT_EQ(prompts->Shown().size(), 2);
}

TEST_F(ShellLaunchTest, FolderAndWebsiteFailures) {
  shell->SetDefaultResult(ui::kShellFileNotFound);
  prompts->Expect(QStringLiteral("Unable to open folder '/home/u/SVLData'"))
      .Expect(QStringLiteral("Unable to launch 'https://www.dornvale.com/'! No application may "
                             "be associated with this file type."));
  gSystem().ShowFolder(QStringLiteral("/home/u/SVLData"));
  gSystem().GotoDVWebsite();
  ASSERT_EQ(shell->Calls().size(), 2);
  EXPECT_EQ(shell->Calls()[1].file, gSystem().cDvWebsite());
  EXPECT_EQ(prompts->Shown()[0].icon, ui::vbExclamation);
}

TEST_F(ShellLaunchTest, EmailAndHelperOpenShowNothingOnFailure) {
  shell->SetDefaultResult(ui::kShellNoAssociation);
  gSystem().SendEmail(QStringLiteral("sales@example.com"));
  mdlHelper::HlpShellOpen(QStringLiteral("/tmp/x.pdf"));
  ASSERT_EQ(shell->Calls().size(), 2);
  EXPECT_EQ(shell->Calls()[0].file, QStringLiteral("mailto:sales@example.com"));
  EXPECT_EQ(shell->Calls()[1].file, QStringLiteral("/tmp/x.pdf"));
  EXPECT_THAT(prompts->Shown(), IsEmpty());
}

}  // namespace
