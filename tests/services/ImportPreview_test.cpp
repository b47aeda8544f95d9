#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "platform/controls/GridControl.h"
#include "platform/runtime/Collection.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/ui/WaitCursor.h"
#include "services/clsImportColDef.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"
#include "tests/services/ProgressTestSupport.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

rt::Collection Definitions(const QStringList& keywords) {
  rt::Collection coll;
  for (const QString& k : keywords) {
    auto def = std::make_shared<clsImportColDef>();
    def->sKeyword = k;
    coll.Add(QVariant::fromValue(def), k);
  }
  return coll;
}

std::vector<QString> Row(const ctl::GridControl& g, int r) {
  std::vector<QString> out;
  for (int c = 0; c < g.Cols(); ++c) out.push_back(g.TextMatrix(r, c));
  return out;
}

using progresstest::CancelButton;
using progresstest::OpenProgressDialog;

class ImportPreviewTest : public uitest::ScriptedTest {
 protected:
  void TearDown() override {
    ScriptedTest::TearDown();
    EXPECT_EQ(OpenProgressDialog(), nullptr);
    EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  }

  bool Load(const QByteArray& bytes, const QStringList& headings, int32_t nNumRows = 10) {
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    return gSystem().ImportLoadPreviewGrid(g, file, coll, QStringList{QString()} + headings, nNumRows);
  }

  rt::Collection coll = Definitions({QStringLiteral("PARTNUMBER"), QStringLiteral("UNITS")});
  ctl::GridControl g;
  QString file = testenv::NewTempDir() + QStringLiteral("/in.csv");
};

TEST(ImportIsColumnRelevant, ComparesKeywordsExactly) {
  rt::Collection coll = Definitions({QStringLiteral("PARTNUMBER"), QStringLiteral("UNITS")});
  coll.Add(QStringLiteral("NOTE"));  // not a definition: never matches
  const struct {
    const char* name;
    bool relevant;
  } cases[] = {{"PARTNUMBER", true}, {"UNITS", true},        {"partnumber", false},
               {"UNITS ", false},    {"NOTE", false},        {"", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(gSystem().ImportIsColumnRelevant(QString::fromLatin1(c.name), coll), c.relevant) << c.name;
  }
  EXPECT_FALSE(gSystem().ImportIsColumnRelevant(QStringLiteral("UNITS"), rt::Collection()));
}

TEST_F(ImportPreviewTest, ShowsTheRelevantColumnsOfEveryDataLine) {
  ASSERT_TRUE(Load("PARTNUMBER,NAME,UNITS\r\n"
                   "A-1,Bolt,5\r\n"
                   "\r\n"
                   "   \r\n"
                   "\"B,2\",\"Nut\",\"say \"\"hi\"\"\"\r\n"
                   "C-3\r\n"
                   "D-4,x,1,extra\r\n"
                   "E-5,\"\",\"\"",
                   {"PARTNUMBER", "NAME", "UNITS"}));
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_EQ(g.FixedCols(), 1);
  ASSERT_EQ(g.Rows(), 6);
  EXPECT_THAT(Row(g, 0), ElementsAre("Row", "PARTNUMBER", "UNITS"));
  EXPECT_THAT(Row(g, 1), ElementsAre("1", "A-1", "5"));
  EXPECT_THAT(Row(g, 2), ElementsAre("4", "B,2", "say \"hi\""));  // blank lines still count
  EXPECT_THAT(Row(g, 3), ElementsAre("5", "C-3", ""));            // fewer fields
  EXPECT_THAT(Row(g, 4), ElementsAre("6", "", ""));               // more fields than headings
  EXPECT_THAT(Row(g, 5), ElementsAre("7", "E-5", ""));
  for (int r = 0; r < g.Rows(); ++r) {
    EXPECT_EQ(g.Cell(ctl::flexcpAlignment, r, 0).toInt(), ctl::flexAlignLeftCenter);
  }
}

TEST_F(ImportPreviewTest, AFileOfHeadingsAloneGivesTheHeadingRow) {
  ASSERT_TRUE(Load("partnumber,UNITS\n", {"partnumber", "UNITS"}));
  EXPECT_EQ(g.Rows(), 1);
  EXPECT_THAT(Row(g, 0), ElementsAre("Row", "UNITS"));  // headings compare exactly
}

TEST_F(ImportPreviewTest, ReadsEveryLineEndAndEncoding) {
  // CR-only and LF-only line ends, a code page 1252 file, and the character 254 inside
  // a field, which is data and splits nothing.
  ASSERT_TRUE(Load("PARTNUMBER,UNITS\rA\xFE" "1,2\nM\xFC" "ller,3\r\nGr\xFC\xDF,4", {"PARTNUMBER", "UNITS"}));
  ASSERT_EQ(g.Rows(), 4);
  EXPECT_THAT(Row(g, 1), ElementsAre("1", QStringLiteral("A\u00FE1"), "2"));
  EXPECT_THAT(Row(g, 2), ElementsAre("2", QStringLiteral("M\u00FCller"), "3"));
  EXPECT_THAT(Row(g, 3), ElementsAre("3", QStringLiteral("Gr\u00FC\u00DF"), "4"));
}

TEST_F(ImportPreviewTest, CancelStopsLoadingWhenEventsNextRun) {
  QByteArray bytes = "PARTNUMBER\r\n";
  for (int i = 1; i <= 300; ++i) bytes += "P" + QByteArray::number(i) + "\r\n";
  QTimer::singleShot(0, [] {
    frmProgress* dlg = OpenProgressDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Import Data Preview"));
    EXPECT_EQ(ui::test::TextOf(*dlg, QStringLiteral("lblMsg")),
              QStringLiteral("Preparing preview of data. If you don't care to see a preview of "
                             "the entire file, you may press cancel to continue"));
    EXPECT_TRUE(CancelButton(*dlg).isVisible());
    CancelButton(*dlg).click();
  });
  EXPECT_TRUE(Load(bytes, {"PARTNUMBER"}, 301));
  // Events first run after the first data line, where the click is seen.
  ASSERT_EQ(g.Rows(), 2);
  EXPECT_THAT(Row(g, 1), ElementsAre("1", "P1"));
}

TEST_F(ImportPreviewTest, AFileThatCannotBeReadIsReported) {
  prompts->ExpectContaining(QStringLiteral("clsSystem_ImportLoadPreviewGrid"));
  EXPECT_FALSE(gSystem().ImportLoadPreviewGrid(g, file + QStringLiteral(".missing"), coll,
                                               {QString(), QStringLiteral("UNITS")}, 5));
  EXPECT_THAT(Row(g, 0), ElementsAre("Row", "UNITS"));  // what was set up stays
}

}  // namespace
