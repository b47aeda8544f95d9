// clsSystem: printing grids, list views and message texts; saving message texts.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/controls/GridControl.h"
#include "platform/controls/GridPrint.h"
#include "platform/controls/ListViewControl.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Printers.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "platform/ui/WindowRegistry.h"
#include "services/ProgressSteps.h"
#include "services/clsSystem.h"
#include "services/frmPrinterSelectionDlg.h"
#include "services/frmRptOption.h"

namespace {

constexpr int32_t kGridMargin = 360;      // a quarter of an inch
constexpr int32_t kDefaultMargin = 1000;  // list views and message texts
constexpr int kLvContentWidth = 80;       // characters per line of LVContent

QWidget* MainWindow() { return ui::FindByTag(QStringLiteral("MAINFORM")); }

// frmPrinterSelectionDlg, opened with `orientation` checked when it is given (else
// "Portrait"). On OK the chosen printer and orientation become the current printer's
// and `copies` gets the number of copies. Throws when the printer cannot be made current.
bool ChoosePrinter(int32_t& copies, int orientation) {
  frmPrinterSelectionDlg dlg;
  if (orientation == ui::kLandscape) dlg.optionPageOrientation[1]->setChecked(true);
  ui::RunModal(dlg, MainWindow());
  if (!dlg.OK) return false;
  if (!ui::SetCurrentPrinter(dlg.PrinterIndex)) {
    rt::Raise(ui::kErrPrinter, QStringLiteral("Printer"),
              QStringLiteral("Printer error: the printer is not available"));
  }
  ui::SetCurrentPrinterOrientation(dlg.Portrait ? ui::kPortrait : ui::kLandscape);
  copies = dlg.NumCopies;
  return true;
}

// Keeps the hidden flags of every data row and of column 0 and puts them back when it
// goes out of scope.
class HiddenFlagsKeeper {
 public:
  explicit HiddenFlagsKeeper(ctl::GridControl& grid)
      : grid_(grid), col0Hidden_(grid.Cols() > 0 && grid.ColHidden(0)) {
    hidden_.reserve(static_cast<size_t>(std::max(0, grid.Rows())));
    for (int r = 0; r < grid.Rows(); ++r) hidden_.push_back(grid.RowHidden(r) ? 1 : 0);
  }
  ~HiddenFlagsKeeper() {
    try {
      const int rows = std::min<int>(grid_.Rows(), static_cast<int>(hidden_.size()));
      for (int r = 1; r < rows; ++r) {
        const bool was = hidden_[static_cast<size_t>(r)] != 0;
        if (grid_.RowHidden(r) != was) grid_.setRowHidden(r, was);
      }
      if (grid_.Cols() > 0 && grid_.ColHidden(0) != col0Hidden_) grid_.setColHidden(0, col0Hidden_);
    } catch (...) {
      // The grid refused a row it reported itself: nothing more can be put back.
    }
  }
  HiddenFlagsKeeper(const HiddenFlagsKeeper&) = delete;
  HiddenFlagsKeeper& operator=(const HiddenFlagsKeeper&) = delete;

 private:
  ctl::GridControl& grid_;
  std::vector<char> hidden_;
  bool col0Hidden_;
};

// Margins measured from the paper's edges, and the edges inside them in the
// coordinates of the printable area.
struct Margins {
  double left, top, right, bottom;
};
struct Frame {
  double left, top, right, bottom;
};

// One job on the current printer under the hourglass: `draw` gets the open surface and
// the frame inside the margins and draws every page. True when the job reached its end;
// False when it was cancelled, or after an error, reported with `label` (the job is
// abandoned).
template <class Draw>
bool RunPrintJob(clsSystem& sys, const QString& documentName, const QString& label,
                 const Margins& m, Draw&& draw) {
  std::unique_ptr<ui::PrintSurface> p;
  try {
    ui::ScopedHourglass hourglass;
    p = ui::StartPrintJob({documentName, 0});
    if (!p) return false;
    const double offX = p->PhysicalOffsetX();
    const double offY = p->PhysicalOffsetY();
    draw(*p, Frame{m.left - offX, m.top - offY, p->PageWidth() - m.right - offX,
                   p->PageHeight() - m.bottom - offY});
    p->EndDoc();
    return true;
  } catch (...) {
    rt::TrapError();
    if (p) p->KillDoc();
    sys.ShowError(label);
    return false;
  }
}

// ---- rich text -----------------------------------------------------------------------

QString RtfEscape(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
    if (u == u'\\' || u == u'{' || u == u'}') {
      out += QLatin1Char('\\');
      out += ch;
    } else if (u == u'\t') {
      out += QStringLiteral("\\tab ");
    } else if (u < 0x20) {
      // control characters have no place in the text
    } else if (u < 0x80) {
      out += ch;
    } else {
      out += QStringLiteral("\\u%1?").arg(static_cast<int16_t>(u));
    }
  }
  return out;
}

// The document as RTF: one font (the document's), its size, bold, italic and
// underline per run of text, a paragraph per block.
QString ToRtf(const QTextDocument& doc) {
  const QFont font = doc.defaultFont();
  const int halfPoints = std::max(2, qRound((font.pointSizeF() > 0 ? font.pointSizeF() : 10) * 2));
  QString rtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern ") +
                RtfEscape(font.family()) + QStringLiteral(";}}\n\\pard\\f0\\fs") +
                QString::number(halfPoints) + QLatin1Char(' ');
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      const QTextCharFormat f = fragment.charFormat();
      QString flags;
      if (f.fontWeight() >= QFont::Bold) flags += QStringLiteral("\\b");
      if (f.fontItalic()) flags += QStringLiteral("\\i");
      if (f.fontUnderline()) flags += QStringLiteral("\\ul");
      const QString text = RtfEscape(fragment.text());
      rtf += flags.isEmpty()
                 ? text
                 : QLatin1Char('{') + flags + QLatin1Char(' ') + text + QLatin1Char('}');
    }
    if (block.next().isValid()) rtf += QStringLiteral("\\par\n");
  }
  rtf += QStringLiteral("\\par\n}\n");
  return rtf;
}

[[noreturn]] void RaiseFileError(int32_t number, const QString& path) {
  rt::Raise(number, rt::App::ProductName(),
            rt::ErrorDescription(number) + QStringLiteral(": ") + QDir::toNativeSeparators(path));
}

// Writes `content` (UTF-8) under exactly `path`, through a temporary file renamed over it.
void WriteDocument(const QString& path, const QString& content) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    RaiseFileError(QFileInfo(QFileInfo(path).absolutePath()).isDir() ? rt::kErrPathFileAccess
                                                                     : rt::kErrPathNotFound,
                   path);
  }
  const QByteArray bytes = content.toUtf8();
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    file.cancelWriting();
    RaiseFileError(rt::kErrPathFileAccess, path);
  }
}

// The rich-text file's name for a document name ending in "doc": the same name ending in
// "rtf", in the letter case of the ending chosen.
QString RtfPathFor(const QString& docPath) {
  const QString ending = docPath.right(3);
  return docPath.left(docPath.size() - 3) +
         (ending == ending.toLower() ? QStringLiteral("rtf") : QStringLiteral("RTF"));
}

// Converts the rich-text file into a word-processor document at `docPath` with the
// office suite's converter; `written` gets the document's path, or stays empty.
void RTFToWord(const QString& rtfPath, const QString& docPath, QString& written) {
  written.clear();
  ui::ScopedHourglass hourglass;
  const QString converter = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (converter.isEmpty()) {
    ui::MsgBox(QStringLiteral("MS Word must be installed to use this option!"), ui::vbInformation,
               rt::App::Title());
    return;
  }
  try {
    // Converted beside the target, so that the result can be renamed over it.
    QTemporaryDir outDir(QFileInfo(docPath).absolutePath() + QStringLiteral("/.convert-XXXXXX"));
    if (!outDir.isValid()) RaiseFileError(rt::kErrPathFileAccess, docPath);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(converter,
                  {QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                   QStringLiteral("doc"), QStringLiteral("--outdir"), outDir.path(), rtfPath});
    if (!process.waitForStarted(30000)) RaiseFileError(rt::kErrFileNotFound, converter);
    if (!process.waitForFinished(300000)) {
      process.kill();
      process.waitForFinished(5000);
      RaiseFileError(rt::kErrPathFileAccess, docPath);
    }
    const QString produced = outDir.path() + QLatin1Char('/') +
                             QFileInfo(rtfPath).completeBaseName() + QStringLiteral(".doc");
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        !QFileInfo(produced).isFile()) {
      RaiseFileError(rt::kErrFileNotFound, produced);
    }
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(produced).toStdString(),
                            QFile::encodeName(docPath).toStdString(), ec);
    if (ec) RaiseFileError(rt::kErrPathFileAccess, docPath);
    written = docPath;
  } catch (...) {
    rt::TrapError();
    ui::SetScreenMousePointer(ui::vbDefault);
    ui::MsgBox(QStringLiteral("Error ") + QString::number(rt::Err().Number()) +
                   QStringLiteral(" encountered in RTFToWord"),
               ui::vbOKOnly, rt::App::Title());
    ui::MsgBox(QStringLiteral("MS Word must be pre-installed to use this option!"),
               ui::vbInformation, rt::App::Title());
  }
}

}  // namespace

// ---- grids ------------------------------------------------------------------------------

void clsSystem::GridPrint(ctl::GridControl& grid, const QString& sRptTitle,
                          const QString& sTitleKey, bool firstColIsSelectionCol,
                          int32_t eOrientation) {
  const int curRow = grid.Row();
  frmRptOption options;
  options.txtTitle->setText(sRptTitle);
  options.RestoreRptTitle(sTitleKey);
  if (curRow < 1) {
    options.optWhatToPrint[0]->setChecked(true);
    for (QRadioButton* option : options.optWhatToPrint) option->setEnabled(false);
  }
  if (eOrientation != 0) options.SetPageOrientation(eOrientation);
  ui::RunModal(options, MainWindow());
  if (!options.m_bOK) return;
  QCoreApplication::processEvents();

  QString title = options.txtTitle->text();
  if (options.m_nDTStamp == 1) title += QStringLiteral(" - ") + CurrDateTimeShort();
  int32_t copies = 0;
  if (!ChoosePrinter(copies, options.m_nOrientation)) return;

  HiddenFlagsKeeper keeper(grid);
  // The selection column is not printed.
  if (firstColIsSelectionCol && grid.Cols() > 0) grid.setColHidden(0, true);
  if (options.m_nRowOnly != 0) {
    for (int r = 1; r < grid.Rows(); ++r) {
      if (!firstColIsSelectionCol || grid.TextMatrix(r, 0).isEmpty()) grid.setRowHidden(r, true);
    }
    if (!firstColIsSelectionCol && curRow >= 1 && curRow < grid.Rows()) {
      grid.setRowHidden(curRow, false);
    }
  }
  ProgressSteps progress(rt::App::ProductName(),
                         QStringLiteral("Printing ") + title + QStringLiteral(". Please wait..."));
  ctl::GridPrintOptions print;
  print.documentName = title;
  print.orientation = ui::CurrentPrinterOrientation();
  print.marginLeft = print.marginRight = kGridMargin;
  print.marginTop = print.marginBottom = kGridMargin;
  print.progress = [&progress](int done, int total) { return progress.Step(done, total); };
  ctl::PrintGridDocument(grid, print, copies);
}

bool clsSystem::SetPrinter(int32_t& nNumCopies) {
  try {
    return ChoosePrinter(nNumCopies, 0);
  } catch (...) {
    rt::TrapError();
    ShowError(QStringLiteral("SetPrinter"));
    return false;
  }
}

// ---- list views -------------------------------------------------------------------------

void clsSystem::ListViewPrint_GetPrinter(const ctl::ListViewControl& lv, const QString& sHeading,
                                         const QVariant& /*bPrintPageNo*/) {
  int32_t copies = 0;
  if (!SetPrinter(copies)) return;
  bool printed = false;
  for (int32_t copy = 0; copy < std::max<int32_t>(1, copies); ++copy) {
    printed =
        ListViewPrint(lv, kDefaultMargin, kDefaultMargin, kDefaultMargin, kDefaultMargin, sHeading);
  }
  if (printed) {
    ui::MsgBox(QStringLiteral("Document sent to the printer."), ui::vbOKOnly,
               QStringLiteral("Document Print"));
  }
}

bool clsSystem::ListViewPrint(const ctl::ListViewControl& lv, int32_t LeftMarginWidth,
                              int32_t TopMarginHeight, int32_t RightMarginWidth,
                              int32_t BottomMarginHeight, const QString& sHeading) {
  if (lv.View() != ctl::lvwReport) return false;
  const Margins margins{double(LeftMarginWidth), double(TopMarginHeight), double(RightMarginWidth),
                        double(BottomMarginHeight)};
  return RunPrintJob(
      *this, sHeading, QStringLiteral("ListViewPrint"), margins,
      [&](ui::PrintSurface& p, const Frame& frame) {
        const auto [left, top, right, bottom] = frame;
        const double available = std::max(0.0, right - left);
        p.SetFont(lv.font());
        p.SetFontBold(false);

        const ctl::ColumnHeaderCollection& headers = lv.ColumnHeaders();
        double total = 0;
        for (int c = 1; c <= headers.Count(); ++c) total += std::max(0.0, headers.Item(c).Width());
        std::vector<double> widths;
        for (int c = 1; c <= headers.Count(); ++c) {
          const double w = std::max(0.0, headers.Item(c).Width());
          widths.push_back(rt::RoundHalfEven(total > available ? w / total * available : w));
        }
        // A text cut to its column; nothing when even the cut text would run over.
        const auto fitted = [&](const QString& text, double width) {
          const QString s = TrimTextToFit(p, text, width);
          return p.TextWidth(s) <= width ? s : QString();
        };

        const ctl::ListItemCollection& items = lv.ListItems();
        int next = 1;  // the first item not printed yet
        for (;;) {
          const double lineHeight = std::max(0.0, p.TextHeight(QStringLiteral("WMX")));
          const double rowsPerPage =
              lineHeight > 0 ? rt::RoundHalfEven((bottom - top) / lineHeight) - 2 : 0;
          if (!sHeading.isEmpty()) {
            const double x = std::max(0.0, p.PrintableWidth() / 2 - p.TextWidth(sHeading) / 2);
            p.DrawText(x, TopMarginHeight / 4.0, sHeading);
          }
          p.SetFontBold(true);
          double x = left;
          for (int c = 1; c <= headers.Count(); ++c) {
            const double w = widths[static_cast<size_t>(c - 1)];
            p.DrawText(x, top, fitted(headers.Item(c).Text(), w));
            x += w;
          }
          p.SetFontBold(false);
          double y = top + 2 * lineHeight;
          for (int onPage = 0; next <= items.Count();) {
            const ctl::ListItem& item = items.Item(next++);
            x = left;
            for (int c = 1; c <= headers.Count(); ++c) {
              const double w = widths[static_cast<size_t>(c - 1)];
              p.DrawText(x, y, fitted(item.CellText(c - 1), w));
              x += w;
            }
            y += lineHeight;
            if (++onPage >= rowsPerPage) break;
          }
          p.DrawText(p.PrintableWidth() / 2, p.PrintableHeight() - BottomMarginHeight / 4.0,
                     QString::number(p.Page()));
          if (next > items.Count()) break;
          p.NewPage();
        }
      });
}

QString clsSystem::LVContent(const ctl::ListViewControl& lv) {
  if (lv.View() != ctl::lvwReport) return {};
  ui::ScopedHourglass hourglass;
  const ctl::ColumnHeaderCollection& headers = lv.ColumnHeaders();
  double total = 0;
  for (int c = 1; c <= headers.Count(); ++c) total += std::max(0.0, headers.Item(c).Width());
  std::vector<int32_t> chars;
  for (int c = 1; c <= headers.Count(); ++c) {
    const double w = std::max(0.0, headers.Item(c).Width());
    chars.push_back(total > 0 ? static_cast<int32_t>(rt::RoundHalfEven(w / total * kLvContentWidth))
                              : 0);
  }
  // A text brought to its column: nChars - 1 characters, never more.
  const auto cell = [&](const QString& text, int32_t nChars) {
    return nChars > 0 ? PadOrTruncate(text, nChars).left(nChars - 1) : QString();
  };
  QString out;
  for (int c = 1; c <= headers.Count(); ++c) out += cell(headers.Item(c).Text(), chars[c - 1]);
  out += CRLF(1) + QString(kLvContentWidth, QLatin1Char('-')) + CRLF(1);
  const ctl::ListItemCollection& items = lv.ListItems();
  for (int i = 1; i <= items.Count(); ++i) {
    const ctl::ListItem& item = items.Item(i);
    for (int c = 1; c <= headers.Count(); ++c) out += cell(item.CellText(c - 1), chars[c - 1]);
    out += CRLF(1);
  }
  return out;
}

// ---- message texts ----------------------------------------------------------------------

void clsSystem::EmailMsg(const QString& /*sMsg*/) {
  ui::MsgBox(QStringLiteral("EmailMsg"), ui::vbOKOnly, rt::App::Title());
}

void clsSystem::RTBPrint(const QTextEdit& rtb, int32_t LeftMarginWidth, double TopMarginHeight,
                         double RightMarginWidth, double BottomMarginHeight,
                         const QString& sHeading) {
  const Margins margins{double(LeftMarginWidth), TopMarginHeight, RightMarginWidth,
                        BottomMarginHeight};
  RunPrintJob(*this, sHeading, QStringLiteral("RTBPrint"), margins,
              [&](ui::PrintSurface& p, const Frame& frame) {
                const QRectF area(frame.left, frame.top, std::max(0.0, frame.right - frame.left),
                                  std::max(0.0, frame.bottom - frame.top));
                const QTextDocument& doc = *rtb.document();
                const int length = std::max(0, doc.characterCount() - 1);
                for (int from = 0;;) {
                  p.DrawText(p.PrintableWidth() / 2, p.PrintableHeight() - BottomMarginHeight / 4,
                             QLatin1Char(' ') + QString::number(p.Page()));
                  if (!sHeading.isEmpty()) {
                    const double x =
                        std::max(0.0, p.PrintableWidth() / 2 - p.TextWidth(sHeading) / 2);
                    p.DrawText(rt::RoundHalfEven(x), TopMarginHeight / 4, sHeading);
                  }
                  const int next = p.RenderText(doc, from, area);
                  if (next >= length || next <= from) break;
                  from = next;
                  p.NewPage();
                }
              });
}

void clsSystem::RTBPrint_GetPrinter(const QTextEdit& rtb, const QString& sHeading) {
  int32_t copies = 0;
  if (!SetPrinter(copies)) return;
  QCoreApplication::processEvents();
  for (int32_t copy = 0; copy < copies; ++copy) {
    RTBPrint(rtb, kDefaultMargin, kDefaultMargin, kDefaultMargin, kDefaultMargin, sHeading);
  }
}

void clsSystem::SaveRTB_GetFileName(const QTextEdit& rtb) {
  try {
    const QString proposed = QStringLiteral("Untitled ") + QString::number(NextDocNum());
    const QString path =
        GetSaveFileName(QStringLiteral("Save As"),
                        QStringLiteral("MS Word (*.doc)|*.doc|Rich Text Format (*.rtf)|*.rtf|"
                                       "Text Document (*.txt)|*.txt|All Files (*.*)|*.*"),
                        QStringLiteral("rtf"), proposed);
    if (!path.isEmpty()) SaveRTB(rtb, path);
  } catch (...) {
    rt::TrapError();
    ui::SetScreenMousePointer(ui::vbDefault);
    ShowError(QStringLiteral("clsSystem_SaveRTB_GetFileName"));
  }
}

void clsSystem::SaveRTB(const QTextEdit& rtb, const QString& sFilename) {
  if (sFilename.isEmpty()) return;
  try {
    const QString ending = sFilename.right(3).toUpper();
    if (ending == QLatin1String("RTF")) {
      WriteDocument(sFilename, ToRtf(*rtb.document()));
    } else if (ending == QLatin1String("DOC")) {
      const QString rtfPath = RtfPathFor(sFilename);
      WriteDocument(rtfPath, ToRtf(*rtb.document()));
      QString written;
      RTFToWord(rtfPath, sFilename, written);
      if (!written.isEmpty()) {
        ui::MsgBox(QDir::toNativeSeparators(written) +
                       QStringLiteral(" has been saved as MS Word document."),
                   ui::vbInformation, rt::App::ProductName());
      }
    } else {
      WriteDocument(sFilename, rtb.toPlainText());
    }
  } catch (...) {
    rt::TrapError();
    ui::SetScreenMousePointer(ui::vbDefault);
    ShowError(QStringLiteral("clsSystem_SaveRTB"));
  }
}
