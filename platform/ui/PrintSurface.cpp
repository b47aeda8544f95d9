#include "platform/ui/PrintSurface.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <vector>

#include "platform/runtime/Error.h"
#include "platform/ui/Fonts.h"

namespace ui {

void PrintSurface::SetFont(const QFont& font) {
  SetFontName(font.family());
  if (font.pointSizeF() > 0) SetFontSize(font.pointSizeF());
  SetFontBold(font.bold());
}

namespace {

[[noreturn]] void PrinterError(const QString& what) {
  rt::Raise(kErrPrinter, QStringLiteral("Printer"), QStringLiteral("Printer error: ") + what);
}

// Draws on a QPrinter. Lengths convert between twips and device pixels at the
// printer's resolution; the painter's origin is the printable area's corner.
class PrinterSurface final : public PrintSurface {
 public:
  PrinterSurface(std::unique_ptr<QPrinter> printer, std::function<void()> finish,
                 std::function<void()> abandon)
      : printer_(std::move(printer)), finish_(std::move(finish)), abandon_(std::move(abandon)) {
    if (!painter_.begin(printer_.get())) {
      active_ = false;
      if (abandon_) abandon_();
      PrinterError(QStringLiteral("the printer could not start"));
    }
    dpi_ = printer_->resolution() > 0 ? printer_->resolution() : 72;
    const QRectF paper = printer_->paperRect(QPrinter::DevicePixel);
    const QRectF page = printer_->pageRect(QPrinter::DevicePixel);
    paper_ = {Twips(paper.width()), Twips(paper.height())};
    printable_ = {Twips(page.width()), Twips(page.height())};
    offset_ = {Twips(page.left() - paper.left()), Twips(page.top() - paper.top())};
    name_ = QApplication::font().family();
    UpdateFont();
  }

  ~PrinterSurface() override {
    if (active_) Abandon();
  }

  double PageWidth() const override { return paper_.width(); }
  double PageHeight() const override { return paper_.height(); }
  double PrintableWidth() const override { return printable_.width(); }
  double PrintableHeight() const override { return printable_.height(); }
  double PhysicalOffsetX() const override { return offset_.x(); }
  double PhysicalOffsetY() const override { return offset_.y(); }
  int Orientation() const override {
    return printer_->pageLayout().orientation() == QPageLayout::Landscape ? kLandscape : kPortrait;
  }

  QString FontName() const override { return name_; }
  void SetFontName(const QString& name) override {
    name_ = name;
    UpdateFont();
  }
  double FontSize() const override { return size_; }
  void SetFontSize(double points) override {
    if (points > 0) size_ = points;
    UpdateFont();
  }
  bool FontBold() const override { return bold_; }
  void SetFontBold(bool bold) override {
    bold_ = bold;
    UpdateFont();
  }

  double TextWidth(const QString& text) const override {
    return Twips(QFontMetricsF(font_, printer_.get()).horizontalAdvance(text));
  }
  double TextHeight(const QString& text) const override {
    const auto lines = std::max<qsizetype>(1, text.count(QLatin1Char('\n')) + 1);
    return Twips(QFontMetricsF(font_, printer_.get()).height()) * static_cast<double>(lines);
  }

  void DrawText(double x, double y, const QString& text) override {
    CheckActive();
    painter_.setFont(font_);
    painter_.setPen(Qt::black);
    const double ascent = QFontMetricsF(font_, printer_.get()).ascent();
    painter_.drawText(QPointF(Px(x), Px(y) + ascent), text);
  }

  void DrawTextInRect(const QRectF& rect, const QString& text, int alignment,
                      const QColor& color) override {
    CheckActive();
    const QRectF r = Px(rect);
    painter_.save();
    painter_.setClipRect(r);
    painter_.setFont(font_);
    painter_.setPen(color.isValid() ? color : QColor(Qt::black));
    painter_.drawText(r, alignment | Qt::TextSingleLine, text);
    painter_.restore();
  }

  void FillRect(const QRectF& rect, const QColor& color) override {
    CheckActive();
    painter_.fillRect(Px(rect), color);
  }

  void DrawLine(double x1, double y1, double x2, double y2) override {
    CheckActive();
    QPen pen(Qt::black);
    pen.setWidth(0);
    painter_.setPen(pen);
    painter_.drawLine(QPointF(Px(x1), Px(y1)), QPointF(Px(x2), Px(y2)));
  }

  int RenderText(const QTextDocument& doc, int from, const QRectF& rect) override {
    CheckActive();
    const QRectF r = Px(rect);
    Layout(doc, std::max(1.0, r.width()));
    const int length = std::max(0, doc.characterCount() - 1);
    if (lines_.empty()) return length;
    // The line holding `from`: the last one starting at or before it.
    auto first = std::upper_bound(lines_.begin(), lines_.end(), from,
                                  [](int pos, const Line& l) { return pos < l.start; });
    if (first != lines_.begin()) --first;
    const double top = first->top;
    auto end = first;
    while (end != lines_.end() && end->bottom - top <= r.height()) ++end;
    if (end == first) ++end;
    const double bottom = (end - 1)->bottom;

    painter_.save();
    painter_.translate(r.left(), r.top() - top);
    const QRectF shown(0, top, r.width(), bottom - top);
    painter_.setClipRect(shown);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = shown;
    context.palette.setColor(QPalette::Text, Qt::black);
    laidOut_->documentLayout()->draw(&painter_, context);
    painter_.restore();
    return end == lines_.end() ? length : end->start;
  }

  void NewPage() override {
    CheckActive();
    if (!printer_->newPage()) PrinterError(QStringLiteral("a new page could not be started"));
    ++page_;
  }
  int Page() const override { return page_; }

  void EndDoc() override {
    CheckActive();
    active_ = false;
    laidOut_.reset();
    if (!painter_.end() || printer_->printerState() == QPrinter::Error) {
      if (abandon_) abandon_();
      PrinterError(QStringLiteral("the document could not be finished"));
    }
    if (finish_) finish_();
  }

  void KillDoc() override {
    if (active_) Abandon();
  }

 private:
  struct Line {
    int start;
    double top;
    double bottom;
  };

  double Twips(double px) const { return px * kTwipsPerInch / dpi_; }
  double Px(double twips) const { return twips * dpi_ / kTwipsPerInch; }
  QRectF Px(const QRectF& r) const {
    return {Px(r.left()), Px(r.top()), std::max(0.0, Px(r.width())), std::max(0.0, Px(r.height()))};
  }

  void CheckActive() const {
    if (!active_) PrinterError(QStringLiteral("the document has ended"));
  }

  void UpdateFont() {
    font_ = MapFont(name_, size_);
    font_.setBold(bold_);
  }

  void Abandon() {
    active_ = false;
    laidOut_.reset();
    printer_->abort();
    if (painter_.isActive()) painter_.end();
    if (abandon_) abandon_();
  }

  // Lays out a copy of `doc` for this printer at `widthPx`, once per document state.
  void Layout(const QTextDocument& doc, double widthPx) {
    if (laidOut_ && source_ == &doc && revision_ == doc.revision() && widthPx_ == widthPx) return;
    laidOut_.reset(doc.clone());
    laidOut_->documentLayout()->setPaintDevice(printer_.get());
    laidOut_->setDocumentMargin(0);
    laidOut_->setTextWidth(widthPx);
    source_ = &doc;
    revision_ = doc.revision();
    widthPx_ = widthPx;
    lines_.clear();
    QAbstractTextDocumentLayout* layout = laidOut_->documentLayout();
    layout->documentSize();  // lays out every block
    for (QTextBlock block = laidOut_->begin(); block.isValid(); block = block.next()) {
      const QTextLayout* text = block.layout();
      const double blockTop = layout->blockBoundingRect(block).top();
      for (int i = 0; text && i < text->lineCount(); ++i) {
        const QTextLine line = text->lineAt(i);
        const double top = blockTop + line.y();
        lines_.push_back({block.position() + line.textStart(), top, top + line.height()});
      }
    }
  }

  std::unique_ptr<QPrinter> printer_;
  std::function<void()> finish_;
  std::function<void()> abandon_;
  QPainter painter_;
  bool active_ = true;
  int page_ = 1;
  int dpi_ = 72;
  QSizeF paper_;
  QSizeF printable_;
  QPointF offset_;
  QString name_;
  double size_ = 10.0;
  bool bold_ = false;
  QFont font_;

  std::unique_ptr<QTextDocument> laidOut_;
  const QTextDocument* source_ = nullptr;
  int revision_ = -1;
  double widthPx_ = 0;
  std::vector<Line> lines_;
};

}  // namespace

std::unique_ptr<PrintSurface> MakePrinterSurface(std::unique_ptr<QPrinter> printer,
                                                 std::function<void()> finish,
                                                 std::function<void()> abandon) {
  return std::make_unique<PrinterSurface>(std::move(printer), std::move(finish),
                                          std::move(abandon));
}

}  // namespace ui
