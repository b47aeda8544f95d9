#include "services/frmDirSel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>

#include "platform/ui/ModalRunner.h"
#include "platform/ui/testing/TestPrompts.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {


class DirSelTest : public uitest::ScriptedTest {
 protected:
  void SetUp() override {
    root = testenv::NewTempDir(QStringLiteral("dirsel"));
    for (const char* sub : {"beta", "Alpha", "gamma/deep"}) {
      QDir().mkpath(root + QLatin1Char('/') + QString::fromLatin1(sub));
    }
  }
  QString root;
  frmDirSel dlg;
};

TEST_F(DirSelTest, ListsTheAncestorsTheOpenFolderAndItsSubFolders) {
  dlg.Init(root);
  EXPECT_EQ(dlg.DriveLB->currentText(), QStringLiteral("/"));
  EXPECT_EQ(dlg.DirSel->Path(), root);
  const int open = dlg.DirSel->currentRow();
  EXPECT_EQ(dlg.DirSel->List(0), QStringLiteral("/"));
  EXPECT_EQ(dlg.DirSel->List(open), root);
  EXPECT_EQ(dlg.DirSel->List(open + 1), root + QStringLiteral("/Alpha"));
  EXPECT_EQ(dlg.DirSel->List(open + 2), root + QStringLiteral("/beta"));
  EXPECT_EQ(dlg.DirSel->List(open + 3), root + QStringLiteral("/gamma"));
  EXPECT_EQ(dlg.DirSel->count(), open + 4);
  EXPECT_EQ(dlg.DirSel->List(open + 4), QString());
}

TEST_F(DirSelTest, OkTakesTheHighlightedOrElseTheOpenFolder) {
  dlg.Init(root);
  runner->Then(QStringLiteral("frmDirSel"),
               [](QDialog& d) { ui::test::Click(d, QStringLiteral("cmdOK")); });
  EXPECT_EQ(ui::RunModal(dlg), QDialog::Accepted);
  EXPECT_TRUE(dlg.m_OK);
  EXPECT_EQ(dlg.m_sDir, root);

  const int gamma = dlg.DirSel->currentRow() + 3;
  emit dlg.DirSel->itemDoubleClicked(dlg.DirSel->item(gamma));  // opens gamma
  EXPECT_EQ(dlg.DirSel->Path(), root + QStringLiteral("/gamma"));
  dlg.DirSel->setCurrentRow(dlg.DirSel->count() - 1);  // highlights deep
  runner->Then([](QDialog& d) { ui::test::Click(d, QStringLiteral("cmdOK")); });
  ui::RunModal(dlg);
  EXPECT_EQ(dlg.m_sDir, root + QStringLiteral("/gamma/deep"));
}

TEST_F(DirSelTest, CancelAndUnreadableFolders) {
  dlg.Init(root + QStringLiteral("/missing"));
  EXPECT_NE(dlg.DirSel->Path(), root + QStringLiteral("/missing"));
  runner->Then([](QDialog& d) { ui::test::Click(d, QStringLiteral("cmdCancel")); });
  EXPECT_EQ(ui::RunModal(dlg), QDialog::Rejected);
  EXPECT_FALSE(dlg.m_OK);
}

}  // namespace
