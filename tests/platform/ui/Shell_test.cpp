#include "platform/ui/Shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/ui/testing/TestPrompts.h"
#include "tests/support/TestEnv.h"

namespace {

TEST(Shell, ProductionReportsMissingTargetsAsFailures) {
  const QString dir = testenv::NewTempDir();
  struct Case {
    QString file;
    int expected;
  };
  const Case cases[] = {
      {QString(), ui::kShellFileNotFound},
      {QStringLiteral("   "), ui::kShellFileNotFound},
      {dir + QStringLiteral("/missing.csv"), ui::kShellFileNotFound},
      {dir + QStringLiteral("/no/such/folder/file.csv"), ui::kShellPathNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    const int result = ui::ShellExecute(QStringLiteral("open"), c.file);
    EXPECT_EQ(result, c.expected);
    EXPECT_FALSE(ui::ShellSucceeded(result));
  }
}

TEST(Shell, ProductionStartsAnExecutableWithItsParameters) {
  EXPECT_TRUE(
      ui::ShellSucceeded(ui::ShellExecute(QStringLiteral("open"), QStringLiteral("/bin/true"),
                                          QStringLiteral("--some \"quoted arg\""))));
}

TEST(FakeShell, RecordsCallsAndAnswersScriptedResults) {
  ui::test::ScopedFakeShell shell;
  shell->Result(ui::kShellNoAssociation);
  EXPECT_EQ(ui::ShellExecute(QStringLiteral("open"), QStringLiteral("/tmp/a.csv")),
            ui::kShellNoAssociation);
  EXPECT_EQ(ui::ShellExecute(QStringLiteral("open"), QStringLiteral("mailto:x@y.z"),
                             QStringLiteral("-p"), QStringLiteral("/tmp"), ui::SW_HIDE),
            ui::kShellOk);
  shell->SetDefaultResult(ui::kShellAccessDenied);
  EXPECT_EQ(ui::ShellExecute(QStringLiteral("open"), QStringLiteral("x")), ui::kShellAccessDenied);
  ASSERT_EQ(shell->Calls().size(), 3);
  const ui::test::ShellCall& second = shell->Calls()[1];
  EXPECT_EQ(second.file, QStringLiteral("mailto:x@y.z"));
  EXPECT_EQ(second.params, QStringLiteral("-p"));
  EXPECT_EQ(second.dir, QStringLiteral("/tmp"));
  EXPECT_EQ(second.showCmd, ui::SW_HIDE);
  EXPECT_EQ(shell->Calls()[0].showCmd, ui::SW_SHOWNORMAL);
}

}  // namespace
