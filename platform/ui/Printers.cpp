#include "platform/ui/Printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <system_error>

#include "platform/runtime/Error.h"
#include "platform/ui/FileDialogs.h"

namespace ui {
namespace {

class SystemPrinters : public PrinterSource {
 public:
  QStringList Names() const override { return QPrinterInfo::availablePrinterNames(); }
  QString DefaultName() const override { return QPrinterInfo::defaultPrinterName(); }
};

struct CurrentPrinter {
  QString name;  // empty: not chosen yet
  int orientation = kPortrait;
  QString pdfFolder;  // where the last PDF file went; empty: none yet
};

PrinterSource*& InstalledSource() {
  static PrinterSource* source = nullptr;
  return source;
}

const PrinterSource& Source() {
  static SystemPrinters system;
  return InstalledSource() ? *InstalledSource() : system;
}

CurrentPrinter& Current() {
  static CurrentPrinter current;
  return current;
}

// The PDF file for a job: asked for, written under a temporary name beside it.
std::unique_ptr<PrintSurface> StartPdfJob(std::unique_ptr<QPrinter> printer,
                                          const QString& documentName) {
  FileDialogRequest request;
  request.save = true;
  request.title = QStringLiteral("Print to PDF File");
  request.filter = QStringLiteral("PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*");
  QString proposed = documentName.trimmed();
  proposed.replace(QLatin1Char('/'), QLatin1Char('-'));
  request.fileName = QDir(ProposedFolder(Current().pdfFolder)).filePath(
      (proposed.isEmpty() ? QStringLiteral("document") : proposed) + QStringLiteral(".pdf"));
  request.defaultExt = QStringLiteral("pdf");
  request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  const std::optional<QString> chosen = GetFileName(request);
  if (!chosen || chosen->isEmpty()) return nullptr;

  const QString target = QFileInfo(*chosen).absoluteFilePath();
  Current().pdfFolder = QFileInfo(target).absolutePath();
  QTemporaryFile temp(target + QStringLiteral(".XXXXXX.part"));
  temp.setAutoRemove(false);
  if (!temp.open() || !temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther)) {
    rt::Raise(
        kErrPrinter, QStringLiteral("Printer"),
        QStringLiteral("Printer error: unable to write to ") + QDir::toNativeSeparators(target));
  }
  const QString tempPath = temp.fileName();
  temp.close();
  printer->setOutputFileName(tempPath);
  auto finish = [tempPath, target] {
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(tempPath).toStdString(),
                            QFile::encodeName(target).toStdString(), ec);
    if (ec) {
      QFile::remove(tempPath);
      rt::Raise(rt::kErrPathFileAccess, QStringLiteral("Printer"),
                QStringLiteral("Path/File access error: ") + QDir::toNativeSeparators(target));
    }
  };
  auto abandon = [tempPath] { QFile::remove(tempPath); };
  return MakePrinterSurface(std::move(printer), finish, abandon);
}

[[noreturn]] void Unavailable(const QString& printerName) {
  rt::Raise(kErrPrinter, QStringLiteral("Printer"),
            QStringLiteral("Printer error: ") + printerName + QStringLiteral(" is not available"));
}

class QtPrintJobStarter : public PrintJobStarter {
 public:
  std::unique_ptr<PrintSurface> Start(const PrintJob& job, const QString& printerName,
                                      int orientation) override {
    const bool pdf = printerName == QLatin1String(kPdfPrinterName);
    std::unique_ptr<QPrinter> printer;
    if (pdf) {
      printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      printer->setOutputFormat(QPrinter::PdfFormat);
    } else {
      // A printer that went away must not fall back to another one.
      const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
      if (info.isNull()) Unavailable(printerName);
      printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
      if (!printer->isValid() || printer->printerName() != printerName) Unavailable(printerName);
    }
    printer->setDocName(job.documentName);
    printer->setPageOrientation(orientation == kLandscape ? QPageLayout::Landscape
                                                          : QPageLayout::Portrait);
    if (pdf) return StartPdfJob(std::move(printer), job.documentName);
    return MakePrinterSurface(std::move(printer));
  }
};

PrintJobStarter*& InstalledStarter() {
  static PrintJobStarter* starter = nullptr;
  return starter;
}

}  // namespace

PrinterSource* SetPrinterSource(PrinterSource* source) {
  PrinterSource* previous = InstalledSource();
  InstalledSource() = source;
  Current() = {};
  return previous;
}

QStringList PrinterNames() {
  QStringList names = Source().Names();
  names.removeAll(QString::fromLatin1(kPdfPrinterName));
  names << QString::fromLatin1(kPdfPrinterName);
  return names;
}

QString CurrentPrinterName() {
  const QStringList names = PrinterNames();
  if (!Current().name.isEmpty() && names.contains(Current().name)) return Current().name;
  const QString system = Source().DefaultName();
  if (!system.isEmpty() && names.contains(system)) return system;
  return QString::fromLatin1(kPdfPrinterName);
}

bool SetCurrentPrinter(int index) {
  const QStringList names = PrinterNames();
  if (index < 0 || index >= names.size()) return false;
  Current().name = names.at(index);
  return true;
}

int CurrentPrinterOrientation() { return Current().orientation; }

void SetCurrentPrinterOrientation(int orientation) {
  Current().orientation = orientation == kLandscape ? kLandscape : kPortrait;
}

PrintJobStarter* SetPrintJobStarter(PrintJobStarter* starter) {
  PrintJobStarter* previous = InstalledStarter();
  InstalledStarter() = starter;
  return previous;
}

std::unique_ptr<PrintSurface> StartPrintJob(const PrintJob& job) {
  static QtPrintJobStarter production;
  PrintJobStarter& starter = InstalledStarter() ? *InstalledStarter() : production;
  const int orientation = job.orientation == kPortrait || job.orientation == kLandscape
                              ? job.orientation
                              : CurrentPrinterOrientation();
  return starter.Start(job, CurrentPrinterName(), orientation);
}

}  // namespace ui
