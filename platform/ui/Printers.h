#pragma once
// The printers the program can print on and the current printer. The list is the
// system's printers, in the platform's order, followed by the "PDF file" printer, so
// printing works on a machine without printers. The current printer is remembered for
// the run (at first the system's default printer, else "PDF file"). A job on the PDF
// printer asks for the file through ui::GetFileName when it starts (proposed in the
// user's documents folder, or the folder of the run's last PDF file; never the working
// folder, which is the database's) and writes <target>.XXXXXX.part, renamed over the
// target when the job ends and removed when it is abandoned.
//
// Jobs start through the installed PrintJobStarter and the system printers come from
// the installed PrinterSource; tests install fakes (platform/ui/testing/TestPrinting.h).
// User-interface thread only.

#include <QString>
#include <QStringList>
#include <memory>

#include "platform/ui/PrintSurface.h"

namespace ui {

inline constexpr char kPdfPrinterName[] = "PDF file";

// The system's printers.
class PrinterSource {
 public:
  virtual ~PrinterSource() = default;
  virtual QStringList Names() const = 0;    // in the platform's order
  virtual QString DefaultName() const = 0;  // empty when there is none
};
// Installs `source` (not owned; nullptr restores the system's); returns the previous
// one, or nullptr when that was the system's. The current printer is forgotten.
PrinterSource* SetPrinterSource(PrinterSource* source);

// The system's printers, then "PDF file".
QStringList PrinterNames();
// The current printer: the one last chosen while it is still in the list, else the
// system's default printer, else "PDF file".
QString CurrentPrinterName();
// Makes entry `index` of PrinterNames() the current printer; false (nothing changes)
// when there is no such entry.
bool SetCurrentPrinter(int index);
// The orientation jobs on the current printer get unless they ask for one.
int CurrentPrinterOrientation();
void SetCurrentPrinterOrientation(int orientation);  // kPortrait or kLandscape

struct PrintJob {
  QString documentName;
  int orientation = 0;  // kPortrait, kLandscape; 0: the current printer's
};

class PrintJobStarter {
 public:
  virtual ~PrintJobStarter() = default;
  // A job on `printerName` in `orientation` (resolved, never 0), with page 1 open;
  // nullptr when the user cancelled. Throws rt::VbError(kErrPrinter) on failure.
  virtual std::unique_ptr<PrintSurface> Start(const PrintJob& job, const QString& printerName,
                                              int orientation) = 0;
};
// Installs `starter` (not owned; nullptr restores production); returns the previous
// one, or nullptr when that was production.
PrintJobStarter* SetPrintJobStarter(PrintJobStarter* starter);

// Starts a job on the current printer; nullptr when the user cancelled (did not choose
// the PDF file to write). Throws rt::VbError(kErrPrinter) when the printer cannot start.
std::unique_ptr<PrintSurface> StartPrintJob(const PrintJob& job);

}  // namespace ui
