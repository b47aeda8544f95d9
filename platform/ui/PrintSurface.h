#pragma once
// PrintSurface: the pages of one print job, as the program's printing procedures draw
// them. Every length is in twips (1/1440 inch); the origin is the top-left corner of
// the printable area, which lies PhysicalOffsetX/Y from the paper's edges. A surface is
// made by ui::StartPrintJob (platform/ui/Printers.h) with its first page open; the
// caller draws, calls NewPage between pages and ends the job with EndDoc (or abandons
// it with KillDoc; a surface destroyed before EndDoc abandons its job).
//
// Production draws on a QPrinter at the printer's own resolution (no painter scaling,
// so point sizes stay right); a rich text is laid out once per document state, on a
// clone whose paint device is the printer. Drawing and ending report failures by
// throwing rt::VbError (482, printer error).
// User-interface thread only.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>

#include "platform/ui/TextSurface.h"

class QPrinter;
class QTextDocument;

namespace ui {

inline constexpr double kTwipsPerInch = 1440.0;
// Page orientation codes.
inline constexpr int kPortrait = 1;
inline constexpr int kLandscape = 2;
// The platform's "printer error".
inline constexpr int kErrPrinter = 482;

class PrintSurface : public TextSurface {
 public:
  // The paper, the printable area on it and the unprintable strips at its left and top.
  virtual double PageWidth() const = 0;
  virtual double PageHeight() const = 0;
  virtual double PrintableWidth() const = 0;
  virtual double PrintableHeight() const = 0;
  virtual double PhysicalOffsetX() const = 0;
  virtual double PhysicalOffsetY() const = 0;
  virtual int Orientation() const = 0;  // kPortrait or kLandscape

  // The current font: a family (mapped through ui::MapFont), a size in points, bold.
  virtual QString FontName() const = 0;
  virtual void SetFontName(const QString& name) = 0;
  virtual double FontSize() const = 0;
  virtual void SetFontSize(double points) = 0;
  virtual bool FontBold() const = 0;
  virtual void SetFontBold(bool bold) = 0;
  // Name, size and bold of `font` at once.
  void SetFont(const QFont& font);

  // Width and height of a text in the current font (the height of one line per line).
  double TextWidth(const QString& text) const override = 0;
  virtual double TextHeight(const QString& text) const = 0;

  // Draws `text` in the current font with its top-left corner at (x, y).
  virtual void DrawText(double x, double y, const QString& text) = 0;
  // Draws `text` inside `rect`, aligned (Qt::Alignment flags) and clipped to it.
  virtual void DrawTextInRect(const QRectF& rect, const QString& text, int alignment,
                              const QColor& color = {}) = 0;
  virtual void FillRect(const QRectF& rect, const QColor& color) = 0;
  // A hairline from (x1, y1) to (x2, y2).
  virtual void DrawLine(double x1, double y1, double x2, double y2) = 0;
  // Lays out `doc` as wide as `rect` and draws, from the line holding character
  // `from`, the whole lines that fit into `rect` (at least one, so every call makes
  // progress). Returns the position of the first character not drawn; the document's
  // text length when everything from `from` on was drawn.
  virtual int RenderText(const QTextDocument& doc, int from, const QRectF& rect) = 0;

  // Ends the page and opens the next one.
  virtual void NewPage() = 0;
  // The open page, from 1.
  virtual int Page() const = 0;
  // Finishes the job (the document is written or spooled).
  virtual void EndDoc() = 0;
  // Abandons the job: nothing is written.
  virtual void KillDoc() = 0;
};

// A surface drawing on a QPrinter (a system printer, or a PDF file written when the job
// ends). `finish`, when given, runs after a successful EndDoc (the PDF printer renames
// its temporary file there) and `abandon` after KillDoc or destruction before EndDoc.
// Throws rt::VbError(kErrPrinter) when the printer cannot begin.
std::unique_ptr<PrintSurface> MakePrinterSurface(std::unique_ptr<QPrinter> printer,
                                                 std::function<void()> finish = {},
                                                 std::function<void()> abandon = {});

}  // namespace ui
