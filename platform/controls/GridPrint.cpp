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

// One page after another: document name, heading rows, then data rows while they fit.
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
    lineHeight_ = std::max(0.0, s_.TextHeight(QStringLiteral("Wg")));
    rowHeight_ = lineHeight_ + kRowPadding;
    // The foot line holds the page number.
    bodyBottom_ = std::max(top_, bottom_ - lineHeight_ - kRowPadding);
    LayOutColumns();
  }

  // False when the progress callback stopped the printing.
  bool Print() {
    const int fixed = std::min(grid_.FixedRows(), grid_.Rows());
    for (int r = 0; r < fixed; ++r)
      if (!grid_.RowHidden(r)) headings_.push_back(LayOutRow(r, true));
    int total = 0;
    for (int r = fixed; r < grid_.Rows(); ++r) total += grid_.RowHidden(r) ? 0 : 1;
    double y = StartPage();
    bool rowOnPage = false;
    int done = 0;
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
    return true;
  }

 private:
  void LayOutColumns() {
    double total = 0;
    for (int c : grid_.VisibleCols()) total += std::max(0, grid_.ColWidth(c));
    const double available = right_ - left_;
    const double scale = total > available && total > 0 ? available / total : 1.0;
    double x = left_;
    for (int c : grid_.VisibleCols()) {
      const double w = std::max(0, grid_.ColWidth(c)) * scale;
      columns_.push_back({c, x, w});
      x += w;
    }
    tableRight_ = x;
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
      s_.SetFontBold(true);
      const double x = left_ + std::max(0.0, (right_ - left_ - s_.TextWidth(title_)) / 2);
      s_.DrawText(x, y, title_);
      s_.SetFontBold(false);
      y += lineHeight_ + rowHeight_ / 2;
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
    const QString number = QString::number(s_.Page());
    const double x = left_ + std::max(0.0, (right_ - left_ - s_.TextWidth(number)) / 2);
    s_.DrawText(x, bottom_ - lineHeight_, number);
  }

  const GridControl& grid_;
  ui::PrintSurface& s_;
  QString title_;
  const std::function<bool(int, int)>& progress_;
  double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0, bodyBottom_ = 0;
  double lineHeight_ = 0, rowHeight_ = 0, tableRight_ = 0;
  std::vector<Column> columns_;
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
