// List-view printing, LVContent, printing and saving message texts.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTextEdit>
#include <cmath>
#include <vector>

#include "platform/controls/ListViewControl.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrinting.h"
#include "platform/ui/WaitCursor.h"
#include "services/clsSystem.h"
#include "services/frmMessage.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PrintListsTest : public uitest::ScriptedTest {
 protected:
  void TearDown() override {
    ScriptedTest::TearDown();
    EXPECT_THAT(dialogs->Unexpected(), IsEmpty());
    EXPECT_EQ(ui::ScreenMousePointer(), ui::vbDefault);
  }
  void ChoosePrinter(const char* copies = "1") {
    runner->Then(QStringLiteral("frmPrinterSelectionDlg"), [=](QDialog& d) {
      ASSERT_TRUE(
          ui::test::SetText(d, QStringLiteral("txtNumCopies"), QString::fromLatin1(copies)));
      ASSERT_TRUE(ui::test::Click(d, QStringLiteral("OKButton")));
    });
  }
  void Columns(const std::vector<double>& widths) {
    lv.ColumnHeaders().Clear();
    int n = 0;
    for (double w : widths) lv.ColumnHeaders().Add(0, {}, QStringLiteral("Col%1").arg(++n), w);
  }
  void Rows(int count, const QString& prefix = QStringLiteral("Item")) {
    for (int i = 1; i <= count; ++i) {
      ctl::ListItem& item = lv.ListItems().Add(0, {}, prefix + QString::number(i));
      for (int c = 1; c < lv.ColumnHeaders().Count(); ++c)
        item.SetSubItems(c, QStringLiteral("s%1").arg(i));
    }
  }
  void SetUp() override { lv.SetView(ctl::lvwReport); }

  clsSystem& sys = gSystem();
  ui::test::ScopedFakeFileDialogs dialogs;
  ui::test::ScopedPrinterSource printers;  // no system printers: "PDF file" only
  ui::test::ScopedRecordingPrintJobs jobs;
  ctl::ListViewControl lv;
  QString dir = testenv::NewTempDir();
};

// Recorded pages: 12240 x 15840 twips, no offsets, 100 twips a character, 200 a line.
// With 1000-twip margins: columns from x 1000, titles at y 1000, rows from y 1400,
// 13840 / 200 = 69.2 lines, so 67 rows a page.
TEST_F(PrintListsTest, ListViewPagesCarryHeadingTitlesRowsAndPageNumber) {
  Columns({3000, 2000});
  Rows(150);
  ASSERT_TRUE(sys.ListViewPrint(lv, 1000, 1000, 1000, 1000, QStringLiteral("Lists")));
  const ui::test::RecordedJob& job = jobs->Last();
  EXPECT_TRUE(job.ended);
  ASSERT_EQ(job.pages, 3);
  const auto at = [&](int page, const QString& text) {
    for (const auto& t : job.texts)
      if (t.page == page && t.text == text) return t;
    ADD_FAILURE() << text.toStdString() << " not on page " << page;
    return ui::test::RecordedText{};
  };
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    const QStringList texts = job.TextsOnPage(page);
    EXPECT_THAT(texts.mid(0, 3), ElementsAre("Lists", "Col1", "Col2"));
    EXPECT_EQ(texts.last(), QString::number(page));
    EXPECT_EQ(at(page, QStringLiteral("Lists")).x, 6120 - 250);
    EXPECT_EQ(at(page, QStringLiteral("Lists")).y, 250);
    EXPECT_TRUE(at(page, QStringLiteral("Col1")).bold);
    EXPECT_EQ(at(page, QStringLiteral("Col2")).x, 4000);
    EXPECT_EQ(at(page, QStringLiteral("Col2")).y, 1000);
    EXPECT_EQ(at(page, QString::number(page)).x, 6120);
    EXPECT_EQ(at(page, QString::number(page)).y, 15840 - 250);
  }
  EXPECT_EQ(at(1, QStringLiteral("Item1")).y, 1400);
  EXPECT_FALSE(at(1, QStringLiteral("Item1")).bold);
  EXPECT_EQ(at(1, QStringLiteral("Item67")).y, 1400 + 66 * 200);
  EXPECT_EQ(at(2, QStringLiteral("Item68")).y, 1400);
  EXPECT_EQ(at(3, QStringLiteral("Item150")).y, 1400 + 15 * 200);
}

TEST_F(PrintListsTest, WideColumnsShrinkAlikeAndTextsNeverRunOver) {
  Columns({8000, 12480});
  Rows(2, QString(60, QLatin1Char('w')));
  ASSERT_TRUE(sys.ListViewPrint(lv, 1000, 1000, 1000, 1000, QString()));
  const ui::test::RecordedJob& job = jobs->Last();
  EXPECT_EQ(job.TextsOnPage(1).first(), QStringLiteral("Col1"));  // no heading line
  EXPECT_EQ(job.texts[0].y, 1000);
  EXPECT_EQ(job.texts[1].x, 1000 + 4000);  // half of each: 4000 and 6240, ending at 11240
  for (const auto& t : job.texts) {
    if (!t.text.startsWith(QLatin1Char('w'))) continue;
    EXPECT_TRUE(t.text.endsWith(QStringLiteral(".."))) << t.text.toStdString();
    EXPECT_LE(t.x + 100 * t.text.size(), t.x < 5000 ? 5000 : 11240);
  }
}

TEST_F(PrintListsTest, ListViewEdgeCases) {
  // An empty list: one page with heading, titles and page number.
  Columns({1000, 1000});
  ASSERT_TRUE(sys.ListViewPrint(lv, 1000, 1000, 1000, 1000, QStringLiteral("H")));
  EXPECT_THAT(jobs->Last().AllTexts(), ElementsAre("H", "Col1", "Col2", "1"));
  // Rows per page below 1: one row a page.
  Rows(3);
  ASSERT_TRUE(sys.ListViewPrint(lv, 1000, 7800, 1000, 7800, QString()));
  EXPECT_EQ(jobs->Last().pages, 3);
  // Zero-width columns and margins wider than the page: nothing runs over, no failure.
  Columns({0, 0});
  ASSERT_TRUE(sys.ListViewPrint(lv, 9000, 1000, 9000, 1000, QString()));
  for (const auto& t : jobs->Last().texts) EXPECT_TRUE(t.text.isEmpty() || t.text == "1");
  // Another layout: refused silently.
  lv.SetView(ctl::lvwList);
  const int count = jobs->Count();
  EXPECT_FALSE(sys.ListViewPrint(lv, 1000, 1000, 1000, 1000, QString()));
  EXPECT_EQ(jobs->Count(), count);
  // A cancelled job prints nothing and reports nothing.
  lv.SetView(ctl::lvwReport);
  jobs->CancelNext();
  EXPECT_FALSE(sys.ListViewPrint(lv, 1000, 1000, 1000, 1000, QString()));
  EXPECT_EQ(jobs->Count(), count);
}

TEST_F(PrintListsTest, ListViewFailuresAreReportedAndTheJobAbandoned) {
  Columns({1000});
  Rows(150);
  jobs->FailNextAtPage(2);
  prompts->ExpectContaining(QStringLiteral("ListViewPrint"));
  EXPECT_FALSE(sys.ListViewPrint(lv, 1000, 1000, 1000, 1000, QString()));
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  EXPECT_TRUE(jobs->Last().killed);
  EXPECT_FALSE(jobs->Last().ended);
}

TEST_F(PrintListsTest, ListViewCopiesAreJobsWithOneConfirmation) {
  Columns({1000});
  Rows(2);
  ChoosePrinter("2");
  prompts->Expect(QStringLiteral("Document sent to the printer."));
  sys.ListViewPrint_GetPrinter(lv, QStringLiteral("H"));
  EXPECT_EQ(jobs->Count(), 2);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Document Print"));
  EXPECT_EQ(prompts->Last().icon, 0);
  // Cancelled: nothing; the last copy failing: no confirmation.
  runner->Then([](QDialog& d) { ASSERT_TRUE(ui::test::Click(d, QStringLiteral("CancelButton"))); });
  sys.ListViewPrint_GetPrinter(lv, QStringLiteral("H"));
  EXPECT_EQ(jobs->Count(), 2);
  ChoosePrinter();
  jobs->FailNextAtEnd();
  prompts->ExpectContaining(QStringLiteral("ListViewPrint"));
  sys.ListViewPrint_GetPrinter(lv, QStringLiteral("H"));
}

TEST_F(PrintListsTest, ListViewPrintsToPdfPageByPage) {
  ui::SetPrintJobStarter(nullptr);
  Columns({2000, 2000});
  // The rows a page holds, from the PDF printer's own metrics.
  dialogs->Choose(dir + QStringLiteral("/probe.pdf"));
  double rowsPerPage = 0;
  {
    auto probe = ui::StartPrintJob({QStringLiteral("probe"), 0});
    ASSERT_NE(probe, nullptr);
    probe->SetFont(lv.font());
    const double height = probe->PageHeight() - 2000;
    rowsPerPage = std::round(height / probe->TextHeight(QStringLiteral("WMX"))) - 2;
    probe->KillDoc();
  }
  ASSERT_GT(rowsPerPage, 10);
  const struct {
    int rows;
    int pages;
  } cases[] = {{0, 1},
               {static_cast<int>(rowsPerPage), 1},
               {static_cast<int>(rowsPerPage) + 1, 2},
               {static_cast<int>(rowsPerPage) * 2 + 1, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    lv.ListItems().Clear();
    Rows(c.rows);
    const QString file = dir + QStringLiteral("/lv%1.pdf").arg(c.rows);
    dialogs->Choose(file);
    ASSERT_TRUE(sys.ListViewPrint(lv, 1000, 1000, 1000, 1000, QStringLiteral("Locations")));
    const ui::test::PdfFacts pdf = ui::test::ReadPdf(file);
    EXPECT_EQ(pdf.pages, c.pages);
    EXPECT_EQ(pdf.title, QStringLiteral("Locations"));
  }
}

TEST_F(PrintListsTest, LVContentIs80CharactersWide) {
  Columns({1000, 3000});
  lv.ColumnHeaders().Item(1).SetText(QStringLiteral("Name"));
  lv.ListItems().Add(0, {}, QStringLiteral("Bolt")).SetSubItems(1, QString(70, QLatin1Char('x')));
  const QString text = sys.LVContent(lv);
  const QStringList lines = text.split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0],
            QStringLiteral("Name").leftJustified(19) + QStringLiteral("Col2").leftJustified(59));
  EXPECT_EQ(lines[1], QString(80, QLatin1Char('-')));
  EXPECT_EQ(lines[2], QStringLiteral("Bolt").leftJustified(19) + QString(56, QLatin1Char('x')) +
                          QStringLiteral(".. "));
  EXPECT_EQ(lines[3], QString());

  const struct {
    std::vector<double> widths;
    int lineLength;
  } narrow[] = {{{250, 250, 9500}, 1 + 1 + 75}, {{10, 10, 9980}, 79}, {{0, 0}, 0}, {{}, 0}};
  for (const auto& c : narrow) {
    Columns(c.widths);
    lv.ListItems().Clear();
    Rows(2, QStringLiteral("LongItemText"));
    const QStringList rows = sys.LVContent(lv).split(QStringLiteral("\r\n"));
    ASSERT_EQ(rows.size(), 5);
    for (int i : {0, 2, 3}) EXPECT_EQ(rows[i].size(), c.lineLength) << rows[i].toStdString();
  }
  lv.SetView(ctl::lvwIcon);
  EXPECT_EQ(sys.LVContent(lv), QString());
}

// ---- message texts ------------------------------------------------------------------

class MessageTextTest : public PrintListsTest {
 protected:
  void SetText(int lines) {
    QStringList all;
    for (int i = 1; i <= lines; ++i) all << QStringLiteral("line %1").arg(i);
    rtb.setPlainText(all.join(QLatin1Char('\n')));
  }
  QTextEdit rtb;
};

// 13840 twips between the margins hold 69 recorded lines.
TEST_F(MessageTextTest, RTBPrintPaginatesWithPageNumberAndHeading) {
  SetText(100);
  sys.RTBPrint(rtb, 1000, 1000, 1000, 1000, QStringLiteral("Stovrel"));
  const ui::test::RecordedJob& job = jobs->Last();
  ASSERT_EQ(job.pages, 2);
  EXPECT_TRUE(job.ended);
  for (int page : {1, 2}) {
    const QStringList texts = job.TextsOnPage(page);
    EXPECT_EQ(texts[0], QStringLiteral(" %1").arg(page));
    EXPECT_EQ(texts[1], QStringLiteral("Stovrel"));
  }
  EXPECT_EQ(job.texts[0].x, 6120);
  EXPECT_EQ(job.texts[0].y, 15840 - 250);
  EXPECT_EQ(job.texts[1].x, 6120 - 350);
  EXPECT_EQ(job.texts[1].y, 250);
  EXPECT_EQ(job.TextsOnPage(1)[2], QStringLiteral("line 1"));
  EXPECT_EQ(job.TextsOnPage(1).last(), QStringLiteral("line 69"));
  EXPECT_EQ(job.TextsOnPage(2)[2], QStringLiteral("line 70"));
  EXPECT_EQ(job.TextsOnPage(2).last(), QStringLiteral("line 100"));
}

TEST_F(MessageTextTest, RTBPrintEdgeCases) {
  rtb.clear();
  sys.RTBPrint(rtb, 1000, 1000, 1000, 1000, QString());
  EXPECT_EQ(jobs->Last().pages, 1);
  EXPECT_THAT(jobs->Last().AllTexts(), ElementsAre(" 1", ""));
  SetText(1);
  const QString wide(200, QLatin1Char('H'));
  sys.RTBPrint(rtb, 1000, 1000, 1000, 1000, wide);
  EXPECT_EQ(jobs->Last().texts[1].text, wide);
  EXPECT_EQ(jobs->Last().texts[1].x, 0);

  jobs->FailNextStart();
  prompts->ExpectContaining(QStringLiteral("RTBPrint"));
  sys.RTBPrint(rtb, 1000, 1000, 1000, 1000, QString());
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);

  ChoosePrinter("3");
  sys.RTBPrint_GetPrinter(rtb, QStringLiteral("Stovrel"));
  EXPECT_EQ(jobs->Count(), 5);
}

TEST_F(MessageTextTest, RTBPrintToPdf) {
  ui::SetPrintJobStarter(nullptr);
  for (int lines : {1, 300}) {
    SetText(lines);
    const QString file = dir + QStringLiteral("/m%1.pdf").arg(lines);
    dialogs->Choose(file);
    sys.RTBPrint(rtb, 1000, 1000, 1000, 1000, QStringLiteral("Stovrel"));
    const ui::test::PdfFacts pdf = ui::test::ReadPdf(file);
    if (lines == 1) {
      EXPECT_EQ(pdf.pages, 1);
    } else {
      EXPECT_GE(pdf.pages, 3);
    }
  }
}

TEST_F(MessageTextTest, SaveRTBChoosesTheFormatByTheEnding) {
  rtb.setPlainText(QStringLiteral("Total {x} \\ caf\u00e9\nsecond line"));
  for (const char* name : {"a.rtf", "b.RTF", "c.Rtf"}) {
    const QString path = dir + QLatin1Char('/') + QString::fromLatin1(name);
    sys.SaveRTB(rtb, path);
    const QByteArray rtf = ReadAll(path);
    EXPECT_THAT(rtf.toStdString(), StartsWith("{\\rtf1\\ansi"));
    EXPECT_THAT(rtf.toStdString(), HasSubstr("Total \\{x\\} \\\\ caf\\u233?\\par\nsecond line"));
  }
  for (const char* name : {"n.txt", "n.text", "ab"}) {
    const QString path = dir + QLatin1Char('/') + QString::fromLatin1(name);
    sys.SaveRTB(rtb, path);
    EXPECT_EQ(QString::fromUtf8(ReadAll(path)), rtb.toPlainText()) << name;
  }
  const int files = static_cast<int>(QDir(dir).entryList(QDir::Files).size());
  sys.SaveRTB(rtb, QString());
  EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), files);
}

TEST_F(MessageTextTest, SaveRTBKeepsTheNameChosenAndReportsFailures) {
  rtb.setPlainText(QStringLiteral("new"));
  QFile upper(dir + QStringLiteral("/NOTES.RTF"));
  ASSERT_TRUE(upper.open(QIODevice::WriteOnly));
  upper.write("old");
  upper.close();
  sys.SaveRTB(rtb, dir + QStringLiteral("/notes.rtf"));
  EXPECT_EQ(ReadAll(dir + QStringLiteral("/NOTES.RTF")), QByteArray("old"));
  EXPECT_THAT(ReadAll(dir + QStringLiteral("/notes.rtf")).toStdString(), HasSubstr("new"));

  prompts->ExpectContaining(QStringLiteral("clsSystem_SaveRTB"));
  sys.SaveRTB(rtb, dir + QStringLiteral("/missing/x.txt"));
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  EXPECT_THAT(prompts->Last().text.toStdString(), HasSubstr("x.txt"));
}

// Word-processor documents come from the converter found on PATH.
class SaveDocTest : public MessageTextTest {
 protected:
  void SetUp() override {
    MessageTextTest::SetUp();
    path_ = qgetenv("PATH");
    bin_ = testenv::NewTempDir(QStringLiteral("bin"));
    qputenv("PATH", bin_.toUtf8());
    rtb.setPlainText(QStringLiteral("report"));
  }
  void TearDown() override {
    qputenv("PATH", path_);
    MessageTextTest::TearDown();
  }
  void Converter(const char* body) {
    QFile script(bin_ + QStringLiteral("/soffice"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QByteArray("#!/bin/sh\n") + body + "\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
  QByteArray path_;
  QString bin_;
};

TEST_F(SaveDocTest, WithoutTheConverterTheRichTextStaysAndTheUserIsTold) {
  prompts->Expect(QStringLiteral("MS Word must be installed to use this option!"));
  sys.SaveRTB(rtb, dir + QStringLiteral("/r.doc"));
  EXPECT_EQ(prompts->Last().icon, ui::vbInformation);
  EXPECT_THAT(QDir(dir).entryList(QDir::Files), ElementsAre("r.rtf"));
}

TEST_F(SaveDocTest, TheConvertedDocumentGetsTheNameChosen) {
  // --headless --convert-to doc --outdir DIR FILE: DIR/<name>.doc
  Converter("n=${6##*/}; /bin/cp \"$6\" \"$5/${n%.*}.doc\"");
  const QString doc = dir + QStringLiteral("/Report.DOC");
  prompts->Expect(doc + QStringLiteral(" has been saved as MS Word document."));
  sys.SaveRTB(rtb, doc);
  EXPECT_EQ(prompts->Last().icon, ui::vbInformation);
  EXPECT_THAT(QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
              ElementsAre("Report.DOC", "Report.RTF"));
  EXPECT_EQ(ReadAll(doc), ReadAll(dir + QStringLiteral("/Report.RTF")));
}

TEST_F(SaveDocTest, AFailedConversionIsReportedAndWritesNoDocument) {
  Converter("exit 3");
  prompts->Expect(QStringLiteral("Error 53 encountered in RTFToWord"));
  prompts->Expect(QStringLiteral("MS Word must be pre-installed to use this option!"));
  sys.SaveRTB(rtb, dir + QStringLiteral("/f.doc"));
  EXPECT_THAT(QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
              ElementsAre("f.rtf"));
}

TEST_F(MessageTextTest, SaveAsProposesTheNextUntitledDocument) {
  dialogs->Cancel();
  sys.SaveRTB_GetFileName(rtb);
  dialogs->Choose(dir + QStringLiteral("/saved.txt"));
  sys.SaveRTB_GetFileName(rtb);
  ASSERT_EQ(dialogs->FileRequests().size(), 2);
  const ui::FileDialogRequest& r = dialogs->FileRequests()[0];
  EXPECT_EQ(r.title, QStringLiteral("Save As"));
  EXPECT_EQ(r.defaultExt, QStringLiteral("rtf"));
  EXPECT_THAT(r.filter.toStdString(), StartsWith("MS Word (*.doc)|*.doc|Rich Text Format"));
  ASSERT_TRUE(r.fileName.startsWith(QStringLiteral("Untitled ")));
  const int n = r.fileName.mid(9).toInt();
  EXPECT_GE(n, 1);
  EXPECT_EQ(dialogs->FileRequests()[1].fileName, QStringLiteral("Untitled %1").arg(n + 1));
  EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/saved.txt")));
}

TEST_F(MessageTextTest, MessageWindowButtons) {
  frmMessage form;
  form.Init(QStringLiteral("Message body"), 1, 0);
  prompts->Expect(QStringLiteral("EmailMsg"));
  form.cmdEmail->click();
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Stovrel"));

  dialogs->Choose(dir + QStringLiteral("/msg.txt"));
  form.cmdSaveAs->click();
  EXPECT_EQ(ReadAll(dir + QStringLiteral("/msg.txt")), QByteArray("Message body"));

  ChoosePrinter();
  form.cmdPrint->click();
  ASSERT_EQ(jobs->Count(), 1);
  EXPECT_EQ(jobs->Last().job.documentName, QStringLiteral("Stovrel"));
  EXPECT_THAT(jobs->Last().AllTexts(), ElementsAre(" 1", "Stovrel", "Message body"));
}

}  // namespace
