#include "shell/frmTip.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSet>

#include "platform/runtime/App.h"
#include "platform/ui/Screen.h"
#include "services/mdlRegistry.h"
#include "tests/support/TestEnv.h"

namespace {

const QString kNotFound = QStringLiteral(
    "That the TIPOFDAY.TXT file was not found? \r\n\r\nCreate a text file named TIPOFDAY.TXT using "
    "NotePad with 1 tip per line. Then place it in the same directory as the application. ");

class TipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testenv::NewTempDir(QStringLiteral("tips"));
    rt::App::SetPath(folder_);
    mdlRegistry::PrefSaveLong(QStringLiteral("TipsShowAtStartup"), 0);
  }
  void TearDown() override { rt::App::SetPath(QString()); }

  void WriteTips(const QByteArray& bytes, const QString& name = QStringLiteral("TIPOFDAY.TXT")) {
    QFile file(folder_ + QLatin1Char('/') + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  // The texts shown over `draws` clicks of Next Tip.
  static QSet<QString> Drawn(frmTip& tip, int draws) {
    QSet<QString> shown{tip.lblTipText->text()};
    for (int i = 0; i < draws; ++i) {
      tip.cmdNextTip->click();
      shown.insert(tip.lblTipText->text());
    }
    return shown;
  }

  QString folder_;
};

TEST_F(TipTest, TheTipsFileIsReadLineByLine) {
  const struct {
    const char* name;
    const char* bytes;  // nullptr: no file
    QStringList tips;
    QSet<QString> drawn;
  } cases[] = {
      {"missing", nullptr, {}, {kNotFound}},
      {"empty", "", {}, {QString()}},
      {"one line", "Press F2.\r\n", {QStringLiteral("Press F2.")}, {QStringLiteral("Press F2.")}},
      {"blank lines are tips", "A\n\nB", {QStringLiteral("A"), QString(), QStringLiteral("B")},
       {QStringLiteral("A"), QString(), QStringLiteral("B")}},
      {"line ends of every kind", "A\rB\r\nC\n", {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
       {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}},
      {"code page text", "Caf\xe9 tip", {QStringLiteral("Caf\u00e9 tip")}, {QStringLiteral("Caf\u00e9 tip")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(folder_ + QStringLiteral("/TIPOFDAY.TXT"));
    if (c.bytes != nullptr) WriteTips(QByteArray(c.bytes));
    frmTip tip;
    EXPECT_EQ(tip.Tips(), c.tips);
    EXPECT_EQ(Drawn(tip, 60), c.drawn);
    if (!c.tips.isEmpty()) {
      EXPECT_GE(tip.CurrentTip(), 1);
      EXPECT_LE(tip.CurrentTip(), c.tips.size());
    }
  }
}

TEST_F(TipTest, LoadTipsNeedsAnExistingFile) {
  frmTip tip;
  EXPECT_FALSE(tip.LoadTips(QString()));
  EXPECT_FALSE(tip.LoadTips(folder_ + QStringLiteral("/none.txt")));
  EXPECT_EQ(tip.lblTipText->text(), kNotFound);
  WriteTips("Only tip", QStringLiteral("tips.txt"));
  EXPECT_TRUE(tip.LoadTips(folder_ + QStringLiteral("/TIPS.TXT")));  // names in any case
  EXPECT_EQ(tip.lblTipText->text(), QStringLiteral("Only tip"));
}

TEST_F(TipTest, TheShippedTipsAreShortAndNotBlank) {
  rt::App::SetPath(QStringLiteral(STOVREL_RESOURCES_DIR));
  frmTip tip;
  EXPECT_GE(tip.Tips().size(), 24);
  for (const QString& t : tip.Tips()) {
    EXPECT_FALSE(t.trimmed().isEmpty());
    EXPECT_LE(t.size(), 160) << t.toStdString();
  }
}

TEST_F(TipTest, TheStartupBoxIsStoredWhenClicked) {
  const struct {
    int stored;
    bool checked;
  } cases[] = {{0, true}, {1, false}, {7, true}};
  for (const auto& c : cases) {
    mdlRegistry::PrefSaveLong(QStringLiteral("TipsShowAtStartup"), c.stored);
    frmTip tip;
    EXPECT_EQ(tip.chkLoadTipsAtStartup->isChecked(), c.checked) << c.stored;
  }
  frmTip tip;
  tip.chkLoadTipsAtStartup->click();  // cleared: no tips at start-up
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("TipsShowAtStartup")), 1);
  frmTip again;
  EXPECT_FALSE(again.chkLoadTipsAtStartup->isChecked());
  again.chkLoadTipsAtStartup->click();
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("TipsShowAtStartup")), 0);
}

TEST_F(TipTest, OkAndEscapeUnloadTheWindow) {
  for (const bool escape : {false, true}) {
    QPointer<frmTip> tip = new frmTip;
    EXPECT_EQ(tip->windowTitle(), QStringLiteral("Tip of the Day"));
    EXPECT_EQ(tip->width(), static_cast<int>(ui::TwipsToPixelsX(5535)));
    EXPECT_TRUE(tip->cmdOK->isDefault());
    tip->show();
    if (escape) {
      tip->reject();
    } else {
      tip->cmdOK->click();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tip.isNull()) << escape;
  }
}

}  // namespace
