#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QLabel>

#include "platform/ui/Screen.h"
#include "platform/ui/testing/TestPrompts.h"
#include "tests/support/TestEnv.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(QtNameFiltersTest, ClassicFiltersBecomeQtFilters) {
  const struct {
    const char* classic;
    QStringList expected;
  } cases[] = {
      {"MS Excel Comma Delimited File (*.csv)|*.csv", {"MS Excel Comma Delimited File (*.csv)"}},
      {"CSV Files (*.csv)|*.csv|All Files (*.*)|*.*", {"CSV Files (*.csv)", "All Files (*)"}},
      {"MS Word (*.doc)|*.doc|Rich Text Format (*.rtf)|*.rtf|Text Document (*.txt)|*.txt",
       {"MS Word (*.doc)", "Rich Text Format (*.rtf)", "Text Document (*.txt)"}},
      {"Text|*.txt;*.log", {"Text (*.txt *.log)"}},
      {"*.*", {"*.* (*)"}},  // a lone pattern describes itself
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::QtNameFilters(QString::fromLatin1(c.classic)), c.expected) << c.classic;
  }
}

class QtFileDialogsTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_THAT(runner->Unexpected(), IsEmpty()); }
  ui::test::ScopedFakeModalRunner runner;
  QString dir = testenv::NewTempDir(QStringLiteral("dlg"));
};

TEST_F(QtFileDialogsTest, SaveDialogCarriesTheRequestAndReturnsTheChoice) {
  const QString target = dir + QStringLiteral("/report");
  runner->Then([&](QDialog& d) {
    auto& fd = static_cast<QFileDialog&>(d);
    EXPECT_EQ(fd.windowTitle(), QStringLiteral("Save As"));
    EXPECT_EQ(fd.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(fd.nameFilters(), QStringList{QStringLiteral("Rich Text Format (*.rtf)")});
    EXPECT_EQ(fd.defaultSuffix(), QStringLiteral("rtf"));
    EXPECT_FALSE(fd.testOption(QFileDialog::DontConfirmOverwrite));
    fd.selectFile(target);
    d.accept();  // QFileDialog::accept, through the public base
  });
  ui::FileDialogRequest request;
  request.save = true;
  request.title = QStringLiteral("Save As");
  request.filter = QStringLiteral("Rich Text Format (*.rtf)|*.rtf");
  request.defaultExt = QStringLiteral("rtf");
  request.fileName = QStringLiteral("Untitled 1");
  request.flags = ui::OFN_OVERWRITEPROMPT | ui::OFN_HIDEREADONLY | ui::OFN_PATHMUSTEXIST;
  EXPECT_EQ(ui::GetFileName(request), std::optional<QString>(target + QStringLiteral(".rtf")));
}

TEST_F(QtFileDialogsTest, OpenDialogWantsAnExistingFileOnlyWhenTheFlagSaysSo) {
  const QString existing = dir + QStringLiteral("/in.csv");
  QFile(existing).open(QIODevice::WriteOnly);
  for (const int flags : {0x281804, 0x280804}) {
    runner->Then([&](QDialog& d) {
      auto& fd = static_cast<QFileDialog&>(d);
      EXPECT_EQ(fd.acceptMode(), QFileDialog::AcceptOpen);
      EXPECT_EQ(fd.fileMode(),
                flags & ui::OFN_FILEMUSTEXIST ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
      fd.selectFile(existing);
      d.accept();  // QFileDialog::accept, through the public base
    });
    ui::FileDialogRequest request;
    request.flags = flags;
    request.filter = QStringLiteral("MS Excel Comma Delimited File (*.csv)|*.csv");
    EXPECT_EQ(ui::GetFileName(request), std::optional<QString>(existing));
  }
  runner->Then([](QDialog& d) { d.reject(); });
  EXPECT_EQ(ui::GetFileName({}), std::nullopt);
}

// The picker starts at the given folder with its prompt above the folders, fits a small
// screen, and hands back what its file view chose.
TEST_F(QtFileDialogsTest, FolderPickerStartsAtTheGivenFolder) {
  const ui::ScopedScreen screen({.widthPx = 800, .heightPx = 600});
  const QString prompt = QStringLiteral(
      "EXISTING DATABASE: Please select the Directory where your existing database files are located, then press OK");
  for (const bool choose : {true, false}) {
    runner->Then([&](QDialog& d) {
      auto* fd = d.findChild<QFileDialog*>();
      ASSERT_NE(fd, nullptr);
      EXPECT_EQ(fd->fileMode(), QFileDialog::Directory);
      EXPECT_TRUE(fd->testOption(QFileDialog::ShowDirsOnly));
      EXPECT_EQ(fd->directory().absolutePath(), dir);
      EXPECT_NE(fd->labelText(QFileDialog::LookIn), prompt);
      auto* label = d.findChild<QLabel*>(QStringLiteral("lblPrompt"));
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(label->text(), prompt);
      EXPECT_LE(label->geometry().bottom(), fd->geometry().top());
      EXPECT_LE(d.frameGeometry().width(), 800);
      EXPECT_LE(d.frameGeometry().height(), 600);
      if (!choose) return;
      fd->selectFile(dir);
      QMetaObject::invokeMethod(fd, "accept");  // its own OK
    });
    ui::FolderRequest request;
    request.startFolder = dir;
    request.title = prompt;
    EXPECT_EQ(ui::GetFolder(request), choose ? std::optional<QString>(dir) : std::nullopt) << choose;
  }
}

TEST(FakeFileDialogsTest, AnswersFromItsQueueAndReportsUnscriptedDialogs) {
  ui::test::ScopedFakeFileDialogs fake;
  fake->Choose(QStringLiteral("/a.csv"));
  EXPECT_EQ(ui::GetFileName({}), std::optional<QString>(QStringLiteral("/a.csv")));
  EXPECT_EQ(ui::GetFolder({}), std::nullopt);
  EXPECT_EQ(fake->Unexpected().size(), 1);
}

}  // namespace
