#include "platform/ui/testing/TestPrinting.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <utility>

#include "platform/runtime/Error.h"

namespace ui::test {
namespace {

[[noreturn]] void Fail(const char* what) {
  rt::Raise(kErrPrinter, QStringLiteral("Printer"), QString::fromLatin1(what));
}

class RecordingSurface final : public PrintSurface {
 public:
  RecordingSurface(std::shared_ptr<RecordedJob> job, const RecordingMetrics& m, int failPage,
                   bool failEnd)
      : job_(std::move(job)), m_(m), failPage_(failPage), failEnd_(failEnd) {
    if (job_->orientation == kLandscape) std::swap(m_.pageWidth, m_.pageHeight);
    job_->pages = 1;
  }
  ~RecordingSurface() override {
    if (!done_) job_->killed = true;
  }

  double PageWidth() const override { return m_.pageWidth; }
  double PageHeight() const override { return m_.pageHeight; }
  double PrintableWidth() const override { return m_.pageWidth - 2 * m_.offset; }
  double PrintableHeight() const override { return m_.pageHeight - 2 * m_.offset; }
  double PhysicalOffsetX() const override { return m_.offset; }
  double PhysicalOffsetY() const override { return m_.offset; }
  int Orientation() const override { return job_->orientation; }

  QString FontName() const override { return name_; }
  void SetFontName(const QString& name) override { name_ = name; }
  double FontSize() const override { return size_; }
  void SetFontSize(double points) override {
    if (points > 0) size_ = points;
  }
  bool FontBold() const override { return bold_; }
  void SetFontBold(bool bold) override { bold_ = bold; }

  double TextWidth(const QString& text) const override {
    return m_.charWidth * static_cast<double>(text.size());
  }
  double TextHeight(const QString& text) const override {
    return m_.lineHeight * static_cast<double>(text.count(QLatin1Char('\n')) + 1);
  }

  void DrawText(double x, double y, const QString& text) override { Record(x, y, text, {}, 0); }
  void DrawTextInRect(const QRectF& rect, const QString& text, int alignment,
                      const QColor&) override {
    Record(rect.left(), rect.top(), text, rect, alignment);
  }
  void FillRect(const QRectF&, const QColor&) override { CheckOpen(); }
  void DrawLine(double, double, double, double) override { CheckOpen(); }

  // Each block of the document is one line.
  int RenderText(const QTextDocument& doc, int from, const QRectF& rect) override {
    CheckOpen();
    const int length = std::max(0, doc.characterCount() - 1);
    QTextBlock block = doc.findBlock(from);
    if (!block.isValid()) return length;
    double y = rect.top();
    do {
      Record(rect.left(), y, block.text(), {}, 0);
      y += m_.lineHeight;
      block = block.next();
    } while (block.isValid() && y + m_.lineHeight <= rect.bottom());
    return block.isValid() ? block.position() : length;
  }

  void NewPage() override {
    CheckOpen();
    if (failPage_ == job_->pages + 1) Fail("page failed");
    ++job_->pages;
  }
  int Page() const override { return job_->pages; }
  void EndDoc() override {
    CheckOpen();
    done_ = true;
    if (failEnd_) {
      job_->killed = true;
      Fail("end failed");
    }
    job_->ended = true;
  }
  void KillDoc() override {
    if (done_) return;
    done_ = true;
    job_->killed = true;
  }

 private:
  void CheckOpen() const {
    if (done_) Fail("the document has ended");
  }
  void Record(double x, double y, const QString& text, const QRectF& rect, int alignment) {
    CheckOpen();
    job_->texts.push_back({job_->pages, x, y, text, bold_, name_, size_, rect, alignment});
  }

  std::shared_ptr<RecordedJob> job_;
  RecordingMetrics m_;
  int failPage_;
  bool failEnd_;
  bool done_ = false;
  QString name_ = QStringLiteral("Default");
  double size_ = 10;
  bool bold_ = false;
};

// A PDF literal string "(...)" from `pos` (just after the parenthesis).
QByteArray PdfLiteral(const QByteArray& data, qsizetype pos) {
  QByteArray out;
  int depth = 0;
  for (qsizetype i = pos; i < data.size(); ++i) {
    const char c = data.at(i);
    if (c == '\\' && i + 1 < data.size()) {
      const char e = data.at(++i);
      if (e >= '0' && e <= '7') {
        int value = 0;
        for (int k = 0; k < 3 && i < data.size() && data.at(i) >= '0' && data.at(i) <= '7'; ++k)
          value = value * 8 + (data.at(i++) - '0');
        --i;
        out += static_cast<char>(value);
      } else {
        static const QByteArray from = "nrtbf", to = "\n\r\t\b\f";
        const qsizetype k = from.indexOf(e);
        out += k >= 0 ? to.at(k) : e;
      }
    } else if (c == '(') {
      ++depth;
      out += c;
    } else if (c == ')') {
      if (depth-- == 0) break;
      out += c;
    } else {
      out += c;
    }
  }
  return out;
}

QString PdfText(const QByteArray& raw) {
  if (raw.startsWith("\xFE\xFF")) {
    QString s;
    for (qsizetype i = 2; i + 1 < raw.size(); i += 2)
      s += QChar(static_cast<char16_t>((static_cast<uchar>(raw[i]) << 8) |
                                       static_cast<uchar>(raw[i + 1])));
    return s;
  }
  return QString::fromLatin1(raw);
}

}  // namespace

QStringList RecordedJob::TextsOnPage(int page) const {
  QStringList out;
  for (const RecordedText& t : texts)
    if (t.page == page) out << t.text;
  return out;
}

QStringList RecordedJob::AllTexts() const {
  QStringList out;
  for (const RecordedText& t : texts) out << t.text;
  return out;
}

RecordingPrintJobs& RecordingPrintJobs::CancelNext() {
  failure_ = Failure::Cancel;
  return *this;
}
RecordingPrintJobs& RecordingPrintJobs::FailNextStart() {
  failure_ = Failure::Start;
  return *this;
}
RecordingPrintJobs& RecordingPrintJobs::FailNextAtPage(int page) {
  failure_ = Failure::Page;
  failPage_ = page;
  return *this;
}
RecordingPrintJobs& RecordingPrintJobs::FailNextAtEnd() {
  failure_ = Failure::End;
  return *this;
}

std::unique_ptr<PrintSurface> RecordingPrintJobs::Start(const PrintJob& job,
                                                        const QString& printerName,
                                                        int orientation) {
  const Failure failure = std::exchange(failure_, Failure::None);
  if (failure == Failure::Cancel) return nullptr;
  if (failure == Failure::Start) Fail("start failed");
  auto recorded = std::make_shared<RecordedJob>();
  recorded->job = job;
  recorded->printer = printerName;
  recorded->orientation = orientation;
  jobs_.push_back(recorded);
  return std::make_unique<RecordingSurface>(
      recorded, metrics, failure == Failure::Page ? failPage_ : 0, failure == Failure::End);
}

PdfFacts ReadPdf(const QString& path) {
  PdfFacts facts;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return facts;
  const QByteArray data = file.readAll();
  facts.readable = data.startsWith("%PDF-");
  if (!facts.readable) return facts;
  const QString text = QString::fromLatin1(data);
  static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![A-Za-z])"));
  for (auto it = page.globalMatch(text); it.hasNext(); it.next()) ++facts.pages;
  static const QRegularExpression box(QStringLiteral(
      "/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]"));
  for (auto it = box.globalMatch(text); it.hasNext();) {
    const auto m = it.next();
    facts.mediaBoxes << QSizeF(m.captured(3).toDouble() - m.captured(1).toDouble(),
                               m.captured(4).toDouble() - m.captured(2).toDouble());
  }
  const qsizetype title = data.indexOf("/Title (");
  if (title >= 0) facts.title = PdfText(PdfLiteral(data, title + 8));
  return facts;
}

}  // namespace ui::test
