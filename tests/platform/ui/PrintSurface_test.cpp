#include "platform/ui/PrintSurface.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextDocument>

#include "platform/runtime/Error.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/Printers.h"
#include "platform/ui/testing/TestPrinting.h"
#include "tests/support/TestEnv.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PrintersTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_THAT(dialogs->Unexpected(), IsEmpty()); }
  ui::test::ScopedPrinterSource printers;
  ui::test::ScopedFakeFileDialogs dialogs;
  QString dir = testenv::NewTempDir();
};

TEST_F(PrintersTest, ListEndsWithThePdfPrinterAndTheCurrentOneIsRemembered) {
  printers->names = {QStringLiteral("Laser A"), QStringLiteral("PDF file"),
                     QStringLiteral("Ink B")};
  printers->defaultName = QStringLiteral("Ink B");
  EXPECT_THAT(ui::PrinterNames(), ElementsAre("Laser A", "Ink B", "PDF file"));
  EXPECT_EQ(ui::CurrentPrinterName(), QStringLiteral("Ink B"));
  EXPECT_TRUE(ui::SetCurrentPrinter(0));
  EXPECT_EQ(ui::CurrentPrinterName(), QStringLiteral("Laser A"));
  EXPECT_FALSE(ui::SetCurrentPrinter(3));
  EXPECT_FALSE(ui::SetCurrentPrinter(-1));
  EXPECT_EQ(ui::CurrentPrinterName(), QStringLiteral("Laser A"));
  // A chosen printer that went away gives way to the default.
  printers->names = {QStringLiteral("Ink B")};
  EXPECT_EQ(ui::CurrentPrinterName(), QStringLiteral("Ink B"));
  printers->names.clear();
  printers->defaultName.clear();
  EXPECT_THAT(ui::PrinterNames(), ElementsAre("PDF file"));
  EXPECT_EQ(ui::CurrentPrinterName(), QStringLiteral("PDF file"));
}

TEST_F(PrintersTest, PdfJobWritesTheChosenFileWithItsPagesOrientationAndTitle) {
  for (int orientation : {ui::kPortrait, ui::kLandscape}) {
    SCOPED_TRACE(orientation);
    const QString file = dir + QStringLiteral("/out%1.pdf").arg(orientation);
    dialogs->Choose(file);
    auto surface = ui::StartPrintJob({QStringLiteral("Stock – list"), orientation});
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->Orientation(), orientation);
    EXPECT_EQ(surface->PageWidth() > surface->PageHeight(), orientation == ui::kLandscape);
    EXPECT_GT(surface->PrintableWidth(), 0);
    EXPECT_LE(surface->PrintableWidth() + surface->PhysicalOffsetX(), surface->PageWidth());
    for (int page = 1; page <= 3; ++page) {
      EXPECT_EQ(surface->Page(), page);
      surface->DrawText(100, 100, QStringLiteral("page %1").arg(page));
      if (page < 3) surface->NewPage();
    }
    EXPECT_FALSE(QFile::exists(file));  // written only when the job ends
    surface->EndDoc();
    const ui::test::PdfFacts pdf = ui::test::ReadPdf(file);
    ASSERT_TRUE(pdf.readable);
    EXPECT_EQ(pdf.pages, 3);
    ASSERT_EQ(pdf.mediaBoxes.size(), 3);
    EXPECT_EQ(pdf.mediaBoxes[0].width() > pdf.mediaBoxes[0].height(),
              orientation == ui::kLandscape);
    EXPECT_EQ(pdf.title, QStringLiteral("Stock – list"));
  }
  {
    const ui::FileDialogRequest& r = dialogs->FileRequests().first();
    EXPECT_TRUE(r.save);
    EXPECT_EQ(QFileInfo(r.fileName).fileName(), QStringLiteral("Stock – list.pdf"));
    EXPECT_EQ(r.defaultExt, QStringLiteral("pdf"));
  }
  EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 2);  // no temporary files left
}

TEST_F(PrintersTest, PdfFileIsProposedOutsideTheWorkingFolder) {
  // The working folder is the database's: a stray file there would sit among the tables.
  const QString working = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(testenv::NewTempDir(QStringLiteral("db"))));
  const QString other = testenv::NewTempDir(QStringLiteral("pdfs"));
  const struct {
    QString chosen;    // the file the user picks; empty: Cancel
    QString proposed;  // the folder proposed; empty: not the working folder
  } cases[] = {
      {QString(), QString()},  // the user's documents
      {other + QStringLiteral("/a.pdf"), QString()},
      {dir + QStringLiteral("/b.pdf"), other},  // then where the last file went
      {QString(), dir},
      {QString(), dir},  // a cancelled dialog changes nothing
  };
  for (const auto& c : cases) {
    if (c.chosen.isEmpty()) {
      dialogs->Cancel();
    } else {
      dialogs->Choose(c.chosen);
    }
    auto surface = ui::StartPrintJob({QStringLiteral("Stock"), ui::kPortrait});
    const QFileInfo proposed(dialogs->FileRequests().last().fileName);
    SCOPED_TRACE(proposed.filePath().toStdString());
    EXPECT_TRUE(proposed.isAbsolute());
    EXPECT_EQ(proposed.fileName(), QStringLiteral("Stock.pdf"));
    if (c.proposed.isEmpty()) {
      EXPECT_NE(proposed.absolutePath(), QDir::currentPath());
    } else {
      EXPECT_EQ(proposed.absolutePath(), QFileInfo(c.proposed).absoluteFilePath());
    }
    if (surface) surface->EndDoc();
  }
  QDir::setCurrent(working);
}

TEST_F(PrintersTest, AbandonedOrCancelledPdfJobsWriteNothing) {
  dialogs->Cancel();
  EXPECT_EQ(ui::StartPrintJob({QStringLiteral("x"), 0}), nullptr);

  const QString file = dir + QStringLiteral("/keep.pdf");
  QFile old(file);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old");
  old.close();
  dialogs->Choose(file).Choose(file);
  auto killed = ui::StartPrintJob({QStringLiteral("x"), 0});
  ASSERT_NE(killed, nullptr);
  killed->DrawText(0, 0, QStringLiteral("a"));
  killed->KillDoc();
  EXPECT_THROW(killed->DrawText(0, 0, QStringLiteral("b")), rt::VbError);
  ui::StartPrintJob({QStringLiteral("y"), 0})->DrawText(0, 0, QStringLiteral("c"));  // dropped
  QFile check(file);
  ASSERT_TRUE(check.open(QIODevice::ReadOnly));
  EXPECT_EQ(check.readAll(), QByteArray("old"));
  EXPECT_THAT(QDir(dir).entryList(QDir::Files), ElementsAre("keep.pdf"));
}

TEST_F(PrintersTest, AMissingSystemPrinterFailsWithPrinterError) {
  printers->names = {QStringLiteral("No Such Printer 42")};
  ASSERT_TRUE(ui::SetCurrentPrinter(0));
  try {
    ui::StartPrintJob({QStringLiteral("x"), 0});
    ADD_FAILURE() << "no error";
  } catch (const rt::VbError& e) {
    EXPECT_EQ(e.number(), ui::kErrPrinter);
  }
}

class PdfSurfaceTest : public PrintersTest {
 protected:
  void SetUp() override {
    dialogs->Choose(dir + QStringLiteral("/m.pdf"));
    surface = ui::StartPrintJob({QStringLiteral("m"), ui::kPortrait});
    ASSERT_NE(surface, nullptr);
  }
  std::unique_ptr<ui::PrintSurface> surface;
};

TEST_F(PdfSurfaceTest, MeasuresInTwipsInTheCurrentFont) {
  // A4 is 595 points (20 twips each) wide.
  EXPECT_NEAR(surface->PageWidth(), 595 * 20, 1);
  surface->SetFont(QFont(QStringLiteral("DejaVu Sans"), 10));
  const double w = surface->TextWidth(QStringLiteral("W"));
  EXPECT_GT(w, 0);
  EXPECT_NEAR(surface->TextWidth(QStringLiteral("WW")), 2 * w, 1);
  const double h = surface->TextHeight(QStringLiteral("x"));
  EXPECT_GT(h, 150);  // a 10-point line is 200 twips and a little
  EXPECT_NEAR(surface->TextHeight(QStringLiteral("x\ny")), 2 * h, 0.01);
  surface->SetFontSize(20);
  EXPECT_NEAR(surface->TextWidth(QStringLiteral("W")), 2 * w, 2);
  surface->SetFontSize(10);
  surface->SetFontBold(true);
  EXPECT_TRUE(surface->FontBold());
  EXPECT_GE(surface->TextWidth(QStringLiteral("W")), w);
}

TEST_F(PdfSurfaceTest, RenderTextDrawsWholeLinesAndAlwaysMovesOn) {
  QTextDocument doc;
  QStringList lines;
  for (int i = 1; i <= 100; ++i) lines << QStringLiteral("line %1").arg(i);
  doc.setPlainText(lines.join(QLatin1Char('\n')));
  const int length = doc.characterCount() - 1;
  const double lineHeight = surface->TextHeight(QStringLiteral("x"));
  const QRectF tenLines(500, 500, 8000, lineHeight * 10.5);
  std::vector<int> starts;
  for (int from = 0; from < length;) {
    const int next = surface->RenderText(doc, from, tenLines);
    ASSERT_GT(next, from);
    starts.push_back(next);
    from = next;
  }
  EXPECT_EQ(starts.back(), length);
  ASSERT_GE(starts.size(), 2u);
  // Page breaks fall at the start of a line.
  EXPECT_EQ(doc.findBlock(starts[0]).position(), starts[0]);
  EXPECT_NEAR(static_cast<double>(starts.size()), 10, 2);

  // Too small for one line: one line anyway.
  EXPECT_EQ(surface->RenderText(doc, 0, QRectF(0, 0, 8000, 1)),
            doc.findBlockByNumber(1).position());
  QTextDocument empty;
  EXPECT_EQ(surface->RenderText(empty, 0, tenLines), 0);
  surface->EndDoc();
  EXPECT_EQ(ui::test::ReadPdf(dir + QStringLiteral("/m.pdf")).pages, 1);
}

}  // namespace
