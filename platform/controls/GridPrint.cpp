#include "platform/controls/GridPrint.h"

#include <QTableView>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <vector>

#include "platform/controls/GridControl.h"
#include "platform/ui/PrintSurface.h"
#include "platform/ui/Printers.h"

namespace ctl {
namespace {

constexpr double kCellPadding = 45;  // twips between a cell's edge and its text
constexpr double kRowPadding = 60;   // twips added to the text height of a row
const QColor kHeadingBack(0xE8, 0xE8, 0xE8);

int QtAlignment(int flexAlignment) {
  const int a = std::clamp(flexAlignment, 0, 8);
  static constexpr int horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  static constexpr int vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
  return horizontal[a / 3] | vertical[a % 3];
}

struct Column {
  int col;
  double x;      // left edge
  double width;  // printed width
};

// The lines of `text` within `width`: at its line breaks, between words, and inside
// a word wider than a line.
QStringList WrapLines(const ui::PrintSurface& s, const QString& text, double width) {
  QStringList lines;
  for (QString paragraph : text.split(u'\n')) {
    paragraph.remove(u'\r');
    if (s.TextWidth(paragraph) <= width) {
      lines << paragraph;
      continue;
    }
    QString line;
    for (QString word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
      const QString joined = line.isEmpty() ? word : line + u' ' + word;
      if (s.TextWidth(joined) <= width) {
        line = joined;
        continue;
      }
      if (!line.isEmpty()) lines << line;
      while (word.size() > 1 && s.TextWidth(word) > width) {
        qsizetype fit = 1;
        while (fit + 1 < word.size() && s.TextWidth(word.left(fit + 1)) <= width) ++fit;
        lines << word.left(fit);
        word.remove(0, fit);
      }
      line = word;
    }
    lines << line;
  }
  return lines;
}

// A row ready to print: each printed column's look and text lines, and its height.
struct RowLayout {
  std::vector<GridCellLook> looks;
  std::vector<QStringList> lines;
  double height = 0;
};

// A text that is never split across lines: one without blanks (a number, a date, a code).
bool Unbreakable(const QString& text) {
  for (QChar c : text)
    if (c.isSpace()) return false;
  return !text.isEmpty();
}

// One page after another: document name, heading rows, then data rows while they fit.
// Columns wider than the page are shrunk together with their text down to a readable
// size; past it they are spread over further pages, each repeating the frozen columns,
// all rows of one set of columns before the next. A column is never narrower than its
// widest text without blanks, so that no number is split.
class GridPager {
 public:
  GridPager(const GridControl& grid, ui::PrintSurface& surface, const GridPrintOptions& o)
      : grid_(grid), s_(surface), title_(o.documentName), progress_(o.progress) {
    left_ = o.marginLeft - s_.PhysicalOffsetX();
    top_ = o.marginTop - s_.PhysicalOffsetY();
    right_ = std::max(left_, s_.PageWidth() - o.marginRight - s_.PhysicalOffsetX());
    bottom_ = std::max(top_, s_.PageHeight() - o.marginBottom - s_.PhysicalOffsetY());
    s_.SetFont(grid_.view()->font());
    s_.SetFontBold(false);
    baseSize_ = s_.FontSize();
    baseLineHeight_ = std::max(0.0, s_.TextHeight(QStringLiteral("Wg")));
    // The foot line holds the page number.
    bodyBottom_ = std::max(top_, bottom_ - baseLineHeight_ - kRowPadding);
    LayOutColumns();
  }

  // False when the progress callback stopped the printing.
  bool Print() {
    const int fixed = std::min(grid_.FixedRows(), grid_.Rows());
    int rows = 0;
    for (int r = fixed; r < grid_.Rows(); ++r) rows += grid_.RowHidden(r) ? 0 : 1;
    const int total = rows * static_cast<int>(std::max<size_t>(1, bands_.size()));
    int done = 0;
    for (size_t band = 0; band < std::max<size_t>(1, bands_.size()); ++band) {
      columns_ = band < bands_.size() ? bands_[band] : std::vector<Column>{};
      tableRight_ = columns_.empty() ? left_ : columns_.back().x + columns_.back().width;
      headings_.clear();
      for (int r = 0; r < fixed; ++r)
        if (!grid_.RowHidden(r)) headings_.push_back(LayOutRow(r, true));
      if (band > 0) s_.NewPage();
      double y = StartPage();
      bool rowOnPage = false;
      for (int r = fixed; r < grid_.Rows(); ++r) {
        if (grid_.RowHidden(r)) continue;
        const RowLayout row = LayOutRow(r, grid_.WordWrap());
        if (rowOnPage && y + row.height > bodyBottom_) {
          EndPage();
          s_.NewPage();
          y = StartPage();
          rowOnPage = false;
        }
        y = PrintRow(row, y, false);
        rowOnPage = true;
        if (progress_ && !progress_(++done, total)) return false;
      }
      EndPage();
    }
    return true;
  }

 private:
  static constexpr double kMinPoints = 6;  // the smallest printed text

  // The grid's own font size for the title and page number, while it lives.
  struct BaseFont {
    explicit BaseFont(GridPager& p) : s(p.s_), rows(p.s_.FontSize()) {
      if (p.baseSize_ > 0) s.SetFontSize(p.baseSize_);
    }
    ~BaseFont() {
      if (rows > 0) s.SetFontSize(rows);
    }
    ui::PrintSurface& s;
    double rows;
  };

  // Each column's width at the current font: its screen width times `scale`, but at
  // least its widest unbreakable text.
  std::vector<double> Widths(const std::vector<int>& cols, double scale) {
    std::vector<double> widths;
    const int first = std::min(grid_.FixedRows(), grid_.Rows());
    for (int c : cols) {
      double w = std::max(0, grid_.ColWidth(c)) * scale;
      if (w > 0) {
        double widest = 0;
        for (int r = first; r < grid_.Rows(); ++r) {
          if (grid_.RowHidden(r)) continue;
          const GridCellLook look = grid_.CellLook(r, c);
          if (!Unbreakable(look.text)) continue;
          s_.SetFontBold(look.bold);
          widest = std::max(widest, s_.TextWidth(look.text));
        }
        s_.SetFontBold(false);
        if (widest > 0) w = std::max(w, widest + 2 * kCellPadding);
      }
      widths.push_back(w);
    }
    return widths;
  }

  void LayOutColumns() {
    const std::vector<int> cols = grid_.VisibleCols();
    const double available = right_ - left_;
    auto sum = [](const std::vector<double>& v) {
      double t = 0;
      for (double w : v) t += w;
      return t;
    };
    // Shrink the columns and their text alike, to the page or to the smallest size.
    std::vector<double> widths = Widths(cols, 1.0);
    double scale = 1.0;
    if (const double total = sum(widths); total > available && total > 0 && baseSize_ > 0) {
      scale = std::max(available / total, std::min(1.0, kMinPoints / baseSize_));
      s_.SetFontSize(baseSize_ * scale);
      widths = Widths(cols, scale);
    }
    lineHeight_ = std::max(0.0, s_.TextHeight(QStringLiteral("Wg")));
    rowHeight_ = lineHeight_ + kRowPadding;

    // The leading frozen columns are repeated when they leave room for another column.
    const int repeatBelow = grid_.FixedCols() + grid_.FrozenCols();
    size_t repeated = 0;
    double repeatedWidth = 0;
    while (repeated < cols.size() && cols[repeated] < repeatBelow) repeatedWidth += widths[repeated++];
    double widestOther = 0;
    for (size_t i = repeated; i < cols.size(); ++i) widestOther = std::max(widestOther, widths[i]);
    if (repeatedWidth + widestOther > available) repeated = 0, repeatedWidth = 0;

    size_t next = repeated;
    do {
      std::vector<Column> band;
      double x = left_;
      auto add = [&](size_t i, double room) {
        const double w = std::min(widths[i], std::max(0.0, room));
        band.push_back({cols[i], x, w});
        x += w;
      };
      for (size_t i = 0; i < repeated; ++i) add(i, widths[i]);
      // At least one column on every page, cut to the page when it is wider.
      if (next < cols.size()) add(next++, right_ - x);
      for (; next < cols.size() && x + widths[next] <= right_ + 0.5; ++next) add(next, widths[next]);
      bands_.push_back(std::move(band));
    } while (next < cols.size());
  }

  static double Padding(const Column& c) { return std::min(kCellPadding, c.width / 2); }

  RowLayout LayOutRow(int row, bool wrap) {
    RowLayout layout;
    layout.height = rowHeight_;
    for (const Column& c : columns_) {
      GridCellLook look = grid_.CellLook(row, c.col);
      QStringList lines;
      if (wrap && !look.text.isEmpty()) {
        s_.SetFontBold(look.bold);
        lines = WrapLines(s_, look.text, c.width - 2 * Padding(c));
        layout.height = std::max(layout.height, static_cast<double>(lines.size()) * lineHeight_ + kRowPadding);
      }
      layout.looks.push_back(std::move(look));
      layout.lines.push_back(std::move(lines));
    }
    s_.SetFontBold(false);
    return layout;
  }

  double StartPage() {
    double y = top_;
    if (!title_.isEmpty()) {
      BaseFont base(*this);
      s_.SetFontBold(true);
      const double x = left_ + std::max(0.0, (right_ - left_ - s_.TextWidth(title_)) / 2);
      s_.DrawText(x, y, title_);
      s_.SetFontBold(false);
      y += baseLineHeight_ + (baseLineHeight_ + kRowPadding) / 2;
    }
    for (const RowLayout& heading : headings_) y = PrintRow(heading, y, true);
    return y;
  }

  double PrintRow(const RowLayout& row, double y, bool heading) {
    if (columns_.empty()) return y;
    const double height = row.height;
    s_.DrawLine(left_, y, tableRight_, y);
    for (size_t i = 0; i < columns_.size(); ++i) {
      const Column& c = columns_[i];
      const GridCellLook& look = row.looks[i];
      const QRectF cell(c.x, y, c.width, height);
      if (look.backColor.isValid()) {
        s_.FillRect(cell, look.backColor);
      } else if (heading) {
        s_.FillRect(cell, kHeadingBack);
      }
      s_.DrawLine(c.x, y, c.x, y + height);
      if (look.text.isEmpty()) continue;
      s_.SetFontBold(look.bold);
      const double pad = Padding(c);
      const QRectF inner = cell.adjusted(pad, 0, -pad, 0);
      const QStringList& lines = row.lines[i];
      if (lines.size() <= 1) {
        s_.DrawTextInRect(inner, look.text, QtAlignment(look.alignment), look.foreColor);
        continue;
      }
      // A block of lines, placed as the alignment says, each line aligned across.
      const double block = static_cast<double>(lines.size()) * lineHeight_;
      const int vertical = std::clamp(look.alignment, 0, 8) % 3;
      double top = y + kRowPadding / 2;
      if (vertical == 1) top = y + (height - block) / 2;
      if (vertical == 2) top = y + height - kRowPadding / 2 - block;
      const int across = QtAlignment(look.alignment) & Qt::AlignHorizontal_Mask;
      for (const QString& line : lines) {
        s_.DrawTextInRect(QRectF(inner.left(), top, inner.width(), lineHeight_), line, across | Qt::AlignVCenter,
                          look.foreColor);
        top += lineHeight_;
      }
    }
    s_.SetFontBold(false);
    s_.DrawLine(tableRight_, y, tableRight_, y + height);
    const double next = y + height;
    s_.DrawLine(left_, next, tableRight_, next);
    return next;
  }

  void EndPage() {
    BaseFont base(*this);
    const QString number = QString::number(s_.Page());
    const double x = left_ + std::max(0.0, (right_ - left_ - s_.TextWidth(number)) / 2);
    s_.DrawText(x, bottom_ - baseLineHeight_, number);
  }

  const GridControl& grid_;
  ui::PrintSurface& s_;
  QString title_;
  const std::function<bool(int, int)>& progress_;
  double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0, bodyBottom_ = 0;
  double baseSize_ = 0, baseLineHeight_ = 0;  // the grid's font
  double lineHeight_ = 0, rowHeight_ = 0, tableRight_ = 0;  // the printed rows' font
  std::vector<std::vector<Column>> bands_;  // the columns of each set of pages
  std::vector<Column> columns_;             // the set being printed
  std::vector<RowLayout> headings_;
};

}  // namespace

bool PrintGrid(const GridControl& grid, ui::PrintSurface& surface,
               const GridPrintOptions& options) {
  return GridPager(grid, surface, options).Print();
}

bool PrintGridDocument(const GridControl& grid, const GridPrintOptions& options, int copies) {
  for (int copy = 0; copy < std::max(1, copies); ++copy) {
    std::unique_ptr<ui::PrintSurface> surface =
        ui::StartPrintJob({options.documentName, options.orientation});
    if (!surface) return false;
    bool printed = false;
    try {
      printed = PrintGrid(grid, *surface, options);
      if (printed) surface->EndDoc();
    } catch (...) {
      surface->KillDoc();
      throw;
    }
    if (!printed) {
      surface->KillDoc();
      return false;
    }
  }
  return true;
}

}  // namespace ctl
