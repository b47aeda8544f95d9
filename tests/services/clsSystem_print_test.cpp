// Grid printing, the report options and the printer choice.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>

#include "platform/controls/GridControl.h"
#include "platform/controls/GridPrint.h"
#include "platform/runtime/Error.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrinting.h"
#include "services/clsSystem.h"
#include "services/frmPrinterSelectionDlg.h"
#include "services/mdlRegistry.h"
#include "tests/services/ProgressTestSupport.h"
#include "tests/support/TestEnv.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ui::test::Click;
using ui::test::SetChecked;
using ui::test::SetText;

class PrintTest : public uitest::ScriptedTest {
 protected:
  void SetUp() override {
    printers->names = {QStringLiteral("Office Laser")};
    for (const char* name : {"RptPageOrientation", "RptPrintSingleRowOnly", "RptPrintDateTime"})
      mdlRegistry::PrefSaveString(QString::fromLatin1(name), QString());
  }
  void TearDown() override {
    ScriptedTest::TearDown();
    EXPECT_EQ(progresstest::OpenProgressDialog(), nullptr);
  }
  // The printer dialog confirmed with `copies` copies on the printer at `index`.
  void ChoosePrinter(int index = 1, const char* copies = "1") {
    runner->Then(QStringLiteral("frmPrinterSelectionDlg"), [=](QDialog& d) {
      d.findChild<QComboBox*>(QStringLiteral("cboPrinters"))->setCurrentIndex(index);
      ASSERT_TRUE(SetText(d, QStringLiteral("txtNumCopies"), QString::fromLatin1(copies)));
      ASSERT_TRUE(Click(d, QStringLiteral("OKButton")));
    });
  }
  clsSystem& sys = gSystem();
  ui::test::ScopedPrinterSource printers;
};

// ---- printer selection --------------------------------------------------------------

TEST_F(PrintTest, PrinterDialogListsThePrintersWithTheCurrentOneSelected) {
  frmPrinterSelectionDlg first;
  EXPECT_EQ(first.windowTitle(), QStringLiteral("Printer Selection"));
  EXPECT_EQ(first.cboPrinters->count(), 2);
  EXPECT_EQ(first.cboPrinters->currentText(), QStringLiteral("PDF file"));
  EXPECT_EQ(first.txtNumCopies->text(), QStringLiteral("1"));
  EXPECT_TRUE(first.optionPageOrientation[0]->isChecked());
  ASSERT_TRUE(ui::SetCurrentPrinter(0));
  frmPrinterSelectionDlg second;
  EXPECT_EQ(second.cboPrinters->currentText(), QStringLiteral("Office Laser"));
}

TEST_F(PrintTest, CopiesMustBeAWholeNumberFrom1To999) {
  const struct {
    const char* text;
    int copies;  // 0: refused
  } cases[] = {{"1", 1},    {"999", 999}, {"2.5", 2}, {"3.5", 4}, {" 7 ", 7}, {"0", 0},
               {"1000", 0}, {"abc", 0},   {"", 0},    {"-3", 0},  {"0.4", 0}, {"99999999999", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    frmPrinterSelectionDlg dlg;
    dlg.txtNumCopies->setText(QString::fromLatin1(c.text));
    if (c.copies == 0)
      prompts->Expect(QStringLiteral("Number of copies must be between 1 and 999."));
    EXPECT_EQ(dlg.Validate(), c.copies != 0);
    if (c.copies != 0) {
      EXPECT_EQ(dlg.NumCopies, c.copies);
    }
  }
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Warning"));
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
}

TEST_F(PrintTest, SetPrinterMakesTheChoiceCurrentOrLeavesEverything) {
  int32_t copies = 77;
  runner->Then(QStringLiteral("frmPrinterSelectionDlg"), [](QDialog& d) {
    ASSERT_TRUE(SetText(d, QStringLiteral("txtNumCopies"), QStringLiteral("0")));
    ASSERT_TRUE(Click(d, QStringLiteral("OKButton")));  // refused: the window stays open
    ASSERT_TRUE(d.isVisible());
    ASSERT_TRUE(Click(d, QStringLiteral("CancelButton")));
  });
  prompts->Expect(QStringLiteral("Number of copies must be between 1 and 999."));
  EXPECT_FALSE(sys.SetPrinter(copies));
  EXPECT_EQ(copies, 77);

  runner->Then(QStringLiteral("frmPrinterSelectionDlg"), [](QDialog& d) {
    d.findChild<QComboBox*>(QStringLiteral("cboPrinters"))->setCurrentIndex(0);
    ASSERT_TRUE(SetText(d, QStringLiteral("txtNumCopies"), QStringLiteral("3")));
    ASSERT_TRUE(SetChecked(d, QStringLiteral("optionPageOrientation_1"), true));
    ASSERT_TRUE(Click(d, QStringLiteral("OKButton")));
  });
  EXPECT_TRUE(sys.SetPrinter(copies));
  EXPECT_EQ(copies, 3);
  EXPECT_EQ(ui::CurrentPrinterName(), QStringLiteral("Office Laser"));
  EXPECT_EQ(ui::CurrentPrinterOrientation(), ui::kLandscape);
}

// ---- grid printing ------------------------------------------------------------------

// A grid with a selection column: heading "Sel | Part | Name", rows "P<n>", "Name <n>".
class GridPrintTest : public PrintTest {
 protected:
  void SetUp() override {
    PrintTest::SetUp();
    jobs->metrics = {};
    Fill(6);
  }
  void Fill(int rows) {
    grid.setCols(3);
    grid.setRows(rows + 1);
    const char* heads[] = {"Sel", "Part", "Name"};
    for (int c = 0; c < 3; ++c) {
      grid.setTextMatrix(0, c, QString::fromLatin1(heads[c]));
      grid.setColWidth(c, 1500);
    }
    for (int r = 1; r <= rows; ++r) {
      grid.setTextMatrix(r, 1, QStringLiteral("P%1").arg(r));
      grid.setTextMatrix(r, 2, QStringLiteral("Name %1").arg(r));
    }
  }
  // frmRptOption answered: entire view or selected rows only, title, stamp.
  void Options(bool selectedOnly, const QString& title = QStringLiteral("Stock"),
               bool stamp = false) {
    runner->Then(QStringLiteral("frmRptOption"), [=](QDialog& d) {
      ASSERT_TRUE(SetChecked(
          d, selectedOnly ? QStringLiteral("optWhatToPrint_1") : QStringLiteral("optWhatToPrint_0"),
          true));
      ASSERT_TRUE(SetText(d, QStringLiteral("txtTitle"), title));
      ASSERT_TRUE(SetChecked(d, QStringLiteral("ckDT"), stamp));
      ASSERT_TRUE(Click(d, QStringLiteral("OKButton")));
    });
  }
  // The part numbers printed, over all pages.
  QStringList PrintedParts() {
    QStringList parts;
    for (const QString& t : jobs->Last().AllTexts())
      if (t.size() > 1 && t[0] == QLatin1Char('P') && t[1].isDigit()) parts << t;
    return parts;
  }
  QList<bool> Hidden() const {
    QList<bool> out;
    for (int r = 1; r < grid.Rows(); ++r) out << grid.RowHidden(r);
    return out;
  }
  ui::test::ScopedRecordingPrintJobs jobs;
  ctl::GridControl grid;
};

TEST_F(GridPrintTest, EntireViewRepeatsTheHeadingWithoutTheSelectionColumn) {
  Fill(150);
  grid.setRowHidden(5, true);
  grid.Select(3, 1);
  Options(false, QStringLiteral("Stock list"));
  ChoosePrinter();
  sys.GridPrint(grid, QStringLiteral("Please enter title"), QString(), true, 2);
  ASSERT_EQ(jobs->Count(), 1);
  const ui::test::RecordedJob& job = jobs->Last();
  EXPECT_EQ(job.job.documentName, QStringLiteral("Stock list"));
  EXPECT_EQ(job.orientation, ui::kLandscape);
  EXPECT_TRUE(job.ended);
  ASSERT_GE(job.pages, 3);
  for (int page = 1; page <= job.pages; ++page) {
    const QStringList texts = job.TextsOnPage(page);
    ASSERT_GE(texts.size(), 5);
    EXPECT_THAT(texts.mid(0, 3), ElementsAre("Stock list", "Part", "Name")) << page;
    EXPECT_EQ(texts.last(), QString::number(page));
  }
  QStringList expected;
  for (int r = 1; r <= 150; ++r)
    if (r != 5) expected << QStringLiteral("P%1").arg(r);
  EXPECT_EQ(PrintedParts(), expected);
  EXPECT_THAT(job.AllTexts(), ::testing::Not(::testing::Contains("Sel")));
  EXPECT_FALSE(grid.ColHidden(0));
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("RptPageOrientation")), 2);
}

TEST_F(GridPrintTest, SelectedRowsOnlyPrintsTheMarkedRowsAndRestoresEveryFlag) {
  grid.setTextMatrix(2, 0, QStringLiteral("X"));
  grid.setTextMatrix(4, 0, QStringLiteral("X"));
  grid.setTextMatrix(6, 0, QStringLiteral("X"));
  grid.setRowHidden(6, true);  // hidden before the print: stays hidden
  grid.Select(1, 1);
  const QList<bool> before = Hidden();
  Options(true);
  ChoosePrinter();
  sys.GridPrint(grid, QStringLiteral("T"), QString(), true, 0);
  EXPECT_THAT(PrintedParts(), ElementsAre("P2", "P4"));
  EXPECT_EQ(Hidden(), before);

  // Without a selection column only the current row is printed.
  Options(true);
  ChoosePrinter();
  sys.GridPrint(grid, QStringLiteral("T"), QString(), false, 0);
  EXPECT_THAT(PrintedParts(), ElementsAre("P1"));
  EXPECT_THAT(jobs->Last().AllTexts(), ::testing::Contains("Sel"));  // column 0 is data here
  EXPECT_EQ(Hidden(), before);
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("RptPrintSingleRowOnly")), 1);
}

TEST_F(GridPrintTest, RowFlagsComeBackWhenPrintingFails) {
  Fill(150);
  for (int r = 1; r <= 150; r += 2) grid.setTextMatrix(r, 0, QStringLiteral("X"));
  grid.setRowHidden(2, true);
  grid.Select(1, 1);
  const QList<bool> before = Hidden();
  for (int failure = 0; failure < 3; ++failure) {
    SCOPED_TRACE(failure);
    if (failure == 0) jobs->FailNextStart();
    if (failure == 1) jobs->FailNextAtPage(2);
    if (failure == 2) jobs->FailNextAtEnd();
    Options(true);
    ChoosePrinter();
    EXPECT_THROW(sys.GridPrint(grid, QStringLiteral("T"), QString(), true, 0), rt::VbError);
    EXPECT_EQ(Hidden(), before);
    EXPECT_FALSE(grid.ColHidden(0));
  }
  for (const auto& job : jobs->Jobs()) EXPECT_FALSE(job->ended);
}

TEST_F(GridPrintTest, CancellingTheProgressAbandonsTheJob) {
  Fill(1000);
  grid.setColHidden(0, true);  // hidden by the host: stays hidden
  grid.Select(1, 1);
  Options(false);
  ChoosePrinter(1, "2");
  progresstest::ScopedCancel cancel;
  sys.GridPrint(grid, QStringLiteral("T"), QString(), true, 0);
  EXPECT_TRUE(cancel.Pressed());
  ASSERT_EQ(jobs->Count(), 1);  // no second copy
  EXPECT_TRUE(jobs->Last().killed);
  EXPECT_FALSE(jobs->Last().ended);
  EXPECT_TRUE(grid.ColHidden(0));
  EXPECT_THAT(Hidden(), ::testing::Each(false));
}

TEST_F(GridPrintTest, CancelInEitherWindowPrintsNothing) {
  grid.Select(1, 1);
  runner->Then(QStringLiteral("frmRptOption"),
               [](QDialog& d) { ASSERT_TRUE(Click(d, QStringLiteral("CancelButton"))); });
  sys.GridPrint(grid, QStringLiteral("T"), QString(), true, 0);
  EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("RptPageOrientation")), QString());
  Options(true);
  runner->Then(QStringLiteral("frmPrinterSelectionDlg"),
               [](QDialog& d) { ASSERT_TRUE(Click(d, QStringLiteral("CancelButton"))); });
  sys.GridPrint(grid, QStringLiteral("T"), QString(), true, 0);
  EXPECT_EQ(jobs->Count(), 0);
  EXPECT_THAT(Hidden(), ::testing::Each(false));
}

TEST_F(GridPrintTest, WithoutACurrentDataRowTheEntireViewIsPrinted) {
  mdlRegistry::PrefSaveLong(QStringLiteral("RptPrintSingleRowOnly"), 1);
  grid.Select(0, 1);  // a filled grid starts on its first data row
  ASSERT_EQ(grid.Row(), 0);
  runner->Then(QStringLiteral("frmRptOption"), [](QDialog& d) {
    auto* entire = d.findChild<QRadioButton*>(QStringLiteral("optWhatToPrint_0"));
    auto* selected = d.findChild<QRadioButton*>(QStringLiteral("optWhatToPrint_1"));
    EXPECT_TRUE(entire->isChecked());
    EXPECT_FALSE(entire->isEnabled());
    EXPECT_FALSE(selected->isEnabled());
    ASSERT_TRUE(Click(d, QStringLiteral("OKButton")));
  });
  ChoosePrinter();
  sys.GridPrint(grid, QStringLiteral("T"), QString(), true, 0);
  EXPECT_EQ(PrintedParts().size(), 6);
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("RptPrintSingleRowOnly")), 0);
}

TEST_F(GridPrintTest, TitleGetsTheDateAtPrintTimeOnlyAndCopiesAreJobs) {
  grid.Select(1, 1);
  Options(false, QStringLiteral("Products"), true);
  ChoosePrinter(1, "2");
  sys.GridPrint(grid, QStringLiteral("Caption"), QStringLiteral("TitleProdList"), false, 0);
  ASSERT_EQ(jobs->Count(), 2);
  const QString stamped = QStringLiteral("Products - ") + sys.CurrDateTimeShort();
  EXPECT_EQ(jobs->Jobs()[0]->job.documentName, stamped);
  EXPECT_EQ(jobs->Jobs()[1]->job.documentName, stamped);
  EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("TitleProdList")),
            QStringLiteral("Products"));
  // The remembered title replaces the caller's next time.
  runner->Then(QStringLiteral("frmRptOption"), [](QDialog& d) {
    EXPECT_EQ(ui::test::TextOf(d, QStringLiteral("txtTitle")), QStringLiteral("Products"));
  });
  sys.GridPrint(grid, QStringLiteral("Caption"), QStringLiteral("TitleProdList"), false, 0);
  mdlRegistry::PrefSaveString(QStringLiteral("TitleProdList"), QString());
}

TEST_F(GridPrintTest, WideColumnsShrinkToThePageAndEmptyGridsPrintTheHeading) {
  for (int c = 0; c < 3; ++c) grid.setColWidth(c, 10000);
  grid.setColHidden(0, true);
  ctl::GridPrintOptions options;
  options.documentName = QStringLiteral("W");
  ASSERT_TRUE(ctl::PrintGridDocument(grid, options));
  const auto& texts = jobs->Last().texts;
  // Two columns of 10000 over 12240 - 720 twips would print below 6 points at 5760
  // each: they shrink to 6 points and take a page each, both at the left margin.
  const auto part = std::find_if(texts.begin(), texts.end(),
                                 [](const auto& t) { return t.text == QLatin1String("Part"); });
  const auto name = std::find_if(texts.begin(), texts.end(),
                                 [](const auto& t) { return t.text == QLatin1String("Name"); });
  ASSERT_NE(part, texts.end());
  ASSERT_NE(name, texts.end());
  EXPECT_EQ(part->page, 1);
  EXPECT_EQ(name->page, 2);
  EXPECT_NEAR(name->rect.left(), part->rect.left(), 0.01);
  EXPECT_NEAR(part->fontSize, 6, 0.01);
  EXPECT_THAT(jobs->Last().AllTexts(), ::testing::Not(::testing::Contains("Sel")));

  ctl::GridControl empty;
  empty.setColHidden(0, true);
  ASSERT_TRUE(ctl::PrintGridDocument(empty, options));
  EXPECT_EQ(jobs->Last().pages, 1);
  EXPECT_THAT(jobs->Last().AllTexts(), ElementsAre("W", "1"));
}

// The same grid printed to PDF files through the PDF printer.
TEST_F(GridPrintTest, PrintsToPdfInTheOrientationAsked) {
  ui::SetPrintJobStarter(nullptr);  // the real printers; restored by `jobs`
  ui::test::ScopedFakeFileDialogs dialogs;
  const QString dir = testenv::NewTempDir();
  Fill(400);
  grid.Select(1, 1);
  int pages[3] = {};
  for (int orientation : {1, 2}) {
    const QString file = dir + QStringLiteral("/grid%1.pdf").arg(orientation);
    dialogs->Choose(file);
    Options(false);
    ChoosePrinter();  // "PDF file"
    sys.GridPrint(grid, QStringLiteral("T"), QString(), false, orientation);
    const ui::test::PdfFacts pdf = ui::test::ReadPdf(file);
    ASSERT_TRUE(pdf.readable);
    ASSERT_FALSE(pdf.mediaBoxes.isEmpty());
    EXPECT_EQ(pdf.mediaBoxes[0].width() > pdf.mediaBoxes[0].height(), orientation == 2);
    EXPECT_EQ(pdf.title, QStringLiteral("Stock"));
    pages[orientation] = pdf.pages;
  }
  EXPECT_GE(pages[1], 2);
  EXPECT_LT(pages[1], pages[2]);  // a portrait page holds more rows

  Fill(3);
  dialogs->Choose(dir + QStringLiteral("/small.pdf"));
  Options(false);
  ChoosePrinter();
  sys.GridPrint(grid, QStringLiteral("T"), QString(), false, 0);
  EXPECT_EQ(ui::test::ReadPdf(dir + QStringLiteral("/small.pdf")).pages, 1);
  EXPECT_THAT(dialogs->Unexpected(), IsEmpty());
}

}  // namespace
