#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTextBrowser>
#include <stdexcept>

#include "platform/ui/HelpViewer.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/ui/WaitCursor.h"
#include "platform/ui/WindowRegistry.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"
#include "tests/services/ProgressTestSupport.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::EndsWith;
using progresstest::Bar;
using progresstest::CancelButton;

class ProgressDialogTest : public uitest::ScriptedTest {
 protected:
  void TearDown() override {
    gSystem().WaitDlgRemove(frm);
    ScriptedTest::TearDown();
  }
  QPointer<frmProgress> frm;
};

TEST_F(ProgressDialogTest, ShowsAnApplicationModalDialogWithTheHourglass) {
  gSystem().WaitDlgShow(frm, QStringLiteral("Import Data"),
                        QStringLiteral("Validating Data. Please wait..."), false, true);
  ASSERT_FALSE(frm.isNull());
  EXPECT_EQ(ui::ScreenMousePointer(), ui::vbHourglass);
  EXPECT_TRUE(frm->isVisible());
  EXPECT_EQ(frm->windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(QApplication::activeModalWidget(), frm.data());
  EXPECT_EQ(frm->windowTitle(), QStringLiteral("Import Data"));
  EXPECT_EQ(ui::test::TextOf(*frm, QStringLiteral("lblMsg")), QStringLiteral("Validating Data. Please wait..."));
  EXPECT_FALSE(Bar(*frm).isVisible());
  EXPECT_TRUE(CancelButton(*frm).isVisible());
  EXPECT_FALSE(frm->Cancelled());
  EXPECT_TRUE(ui::IsLoaded(frm));
}

TEST_F(ProgressDialogTest, UpdateTakesOnlyPercentagesFrom0To100) {
  gSystem().WaitDlgShow(frm, QStringLiteral("Upgrading Database"), QStringLiteral("svlprod"), true,
                        false);
  const struct {
    int32_t pct;
    int expected;
  } cases[] = {{40, 40}, {-1, 40}, {0, 0}, {101, 0}, {100, 100}, {-100, 100}, {57, 57}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pct);
    gSystem().WaitDlgUpdate(frm, c.pct);
    EXPECT_EQ(Bar(*frm).value(), c.expected);
  }
}

TEST_F(ProgressDialogTest, CancelSetsTheStopRequestAndKeepsTheDialogOpen) {
  gSystem().WaitDlgShow(frm, QStringLiteral("Loading Data"), QStringLiteral("Please wait..."),
                        false, true);
  CancelButton(*frm).click();
  EXPECT_TRUE(frm->Cancelled());
  EXPECT_TRUE(frm->isVisible());
  CancelButton(*frm).click();  // pressing again changes nothing
  gSystem().WaitDlgUpdate(frm, 50);
  EXPECT_TRUE(frm->Cancelled());
  EXPECT_TRUE(frm->isVisible());
}

TEST_F(ProgressDialogTest, EscapePressesCancelOnlyWhenItIsShown) {
  for (const bool showCancel : {false, true}) {
    SCOPED_TRACE(showCancel);
    gSystem().WaitDlgShow(frm, QStringLiteral("t"), QStringLiteral("m"), true, showCancel);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(frm, &escape);
    EXPECT_EQ(frm->Cancelled(), showCancel);
    EXPECT_TRUE(frm->isVisible());
    gSystem().WaitDlgRemove(frm);
  }
}

TEST_F(ProgressDialogTest, RemoveUnloadsTheDialogAndLaterUpdatesDoNothing) {
  gSystem().WaitDlgShow(frm, QStringLiteral("t"), QStringLiteral("m"), true, true);
  QPointer<frmProgress> copy = frm;
  gSystem().WaitDlgRemove(frm);
  EXPECT_TRUE(frm.isNull());
  EXPECT_TRUE(copy.isNull());  // the window is gone, not just hidden
  EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  gSystem().WaitDlgUpdate(copy, 50);
  gSystem().WaitDlgRemove(copy);  // a second removal is harmless
  EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
}

TEST_F(ProgressDialogTest, TheGuardRemovesTheDialogBeforeTheTrapReports) {
  QPointer<frmProgress> shown;
  for (const bool fail : {false, true}) {
    SCOPED_TRACE(fail);
    bool trapped = false;
    try {
      const auto removeDlg = gSystem().WaitDlgRemoveOnExit(frm);
      gSystem().WaitDlgShow(frm, QStringLiteral("t"), QStringLiteral("m"), true, false);
      shown = frm;
      if (fail) throw std::runtime_error("work failed");
    } catch (const std::runtime_error&) {
      trapped = true;
      EXPECT_TRUE(shown.isNull());
      EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
    }
    EXPECT_EQ(trapped, fail);
    EXPECT_TRUE(frm.isNull());
    EXPECT_TRUE(shown.isNull());
  }
}

TEST_F(ProgressDialogTest, TwoOperationsHoldTheirOwnDialogs) {
  QPointer<frmProgress> other;
  gSystem().WaitDlgShow(frm, QStringLiteral("a"), QStringLiteral("a"), true, true);
  gSystem().WaitDlgShow(other, QStringLiteral("b"), QStringLiteral("b"), true, true);
  CancelButton(*other).click();
  EXPECT_FALSE(frm->Cancelled());
  gSystem().WaitDlgRemove(other);
  EXPECT_FALSE(frm.isNull());
}

TEST(VersionTest, VersionAndTitleTexts) {
  EXPECT_EQ(gSystem().GetVersionString(), QStringLiteral("6.0"));
  EXPECT_EQ(gSystem().GetAppTitle(), QStringLiteral("Stovrel - v6.0"));
}

TEST(KeyPressedCtrlETest, CtrlBitWithKeyE) {
  const struct {
    int16_t key;
    int16_t shift;
    bool expected;
  } cases[] = {
      {69, 2, true},   // Ctrl+E
      {69, 3, true},   // Ctrl+Shift+E
      {69, 6, true},   // Ctrl+Alt+E
      {69, 0, false},  // E
      {69, 4, false},  // Alt+E
      {69, 1, false},  // Shift+E
      {70, 2, false},  // Ctrl+F
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gSystem().KeyPressedCtrlE(c.key, c.shift), c.expected) << c.key << " " << c.shift;
  }
}

// The help members open the program's help window at the page of the topic.
TEST(HelpTest, TopicsAndContentsOpenTheirPageInTheOneHelpWindow) {
  ui::SetHelpFolder(QStringLiteral(STOVREL_RESOURCES_DIR "/help"));
  EXPECT_FALSE(gSystem().ShowHelpTopic(1000));
  ui::HelpViewer* viewer = ui::OpenHelpViewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_THAT(viewer->CurrentPage().toStdString(), EndsWith("/help/1000.html"));
  EXPECT_FALSE(gSystem().ShowHelpTopicPopup(1090));
  EXPECT_EQ(ui::OpenHelpViewer(), viewer);
  EXPECT_THAT(viewer->CurrentPage().toStdString(), EndsWith("/help/1090.html"));
  EXPECT_FALSE(gSystem().ShowHelpTopic(4242));  // no page of its own
  EXPECT_THAT(viewer->CurrentPage().toStdString(), EndsWith("/help/index.html"));
  EXPECT_FALSE(gSystem().ShowHelpTopic(1060));
  EXPECT_FALSE(gSystem().ShowHelpContents());
  EXPECT_THAT(viewer->CurrentPage().toStdString(), EndsWith("/help/index.html"));
  EXPECT_FALSE(viewer->txtHelp->toPlainText().isEmpty());
  EXPECT_EQ(gSystem().HelpFilename(), ui::HelpContentsPath());
  ui::CloseHelpViewer();
  ui::SetHelpFolder({});
}

}  // namespace
