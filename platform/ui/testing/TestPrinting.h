#pragma once
// Fakes of the printer seams, for tests: a fixed list of system printers, print jobs
// recorded on surfaces with simple fixed metrics (each character one width, each line
// one height), and a reader of the facts a PDF file states plainly (page count, page
// sizes, title). Scoped* installers restore what was installed before.

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "platform/ui/Printers.h"
#include "platform/ui/testing/TestPrompts.h"

namespace ui::test {

class FakePrinterSource : public PrinterSource {
 public:
  QStringList names;
  QString defaultName;
  QStringList Names() const override { return names; }
  QString DefaultName() const override { return defaultName; }
};
// Installing a source also forgets the current printer, so each test starts afresh.
using ScopedPrinterSource = ScopedFake<FakePrinterSource, PrinterSource, &SetPrinterSource>;

// The metrics of a recording surface, in twips. Printable area = page less the offset
// on every side; landscape swaps the page's width and height.
struct RecordingMetrics {
  double pageWidth = 12240;   // 8.5 in
  double pageHeight = 15840;  // 11 in
  double offset = 0;
  double charWidth = 100;  // every character, whatever the font
  double lineHeight = 200;
};

struct RecordedText {
  int page = 1;
  double x = 0;  // DrawText: the top-left corner; DrawTextInRect: rect's corner
  double y = 0;
  QString text;
  bool bold = false;
  QString fontName;
  double fontSize = 0;
  QRectF rect;  // DrawTextInRect only
  int alignment = 0;
};

struct RecordedJob {
  PrintJob job;
  QString printer;
  int orientation = 0;
  int pages = 0;        // pages begun
  bool ended = false;   // EndDoc succeeded
  bool killed = false;  // abandoned
  std::vector<RecordedText> texts;

  // The texts drawn on `page`, in order.
  QStringList TextsOnPage(int page) const;
  // Every text drawn, in order.
  QStringList AllTexts() const;
};

// Starts recorded jobs. Failures are scripted for the next job: at its start, when it
// begins page `n` (NewPage), or at its end.
class RecordingPrintJobs : public PrintJobStarter {
 public:
  RecordingMetrics metrics;

  RecordingPrintJobs& CancelNext();     // the next Start returns nullptr
  RecordingPrintJobs& FailNextStart();  // throws kErrPrinter
  RecordingPrintJobs& FailNextAtPage(int page);
  RecordingPrintJobs& FailNextAtEnd();

  const std::vector<std::shared_ptr<RecordedJob>>& Jobs() const { return jobs_; }
  const RecordedJob& Last() const { return *jobs_.back(); }  // requires Jobs() not empty
  int Count() const { return static_cast<int>(jobs_.size()); }

  std::unique_ptr<PrintSurface> Start(const PrintJob& job, const QString& printerName,
                                      int orientation) override;

 private:
  enum class Failure { None, Cancel, Start, Page, End };
  Failure failure_ = Failure::None;
  int failPage_ = 0;
  std::vector<std::shared_ptr<RecordedJob>> jobs_;
};
using ScopedRecordingPrintJobs =
    ScopedFake<RecordingPrintJobs, PrintJobStarter, &SetPrintJobStarter>;

// What a PDF file says in plain text.
struct PdfFacts {
  bool readable = false;     // the file exists and starts like a PDF
  int pages = 0;             // page objects
  QList<QSizeF> mediaBoxes;  // each page's size in points, in file order
  QString title;             // the document information's title
};
PdfFacts ReadPdf(const QString& path);

}  // namespace ui::test
