#include "platform/controls/GridPrint.h"

#include <QTableView>
#include <algorithm>
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

  // False when `progress` cancelled the job.
  bool Print() {
    const int fixed = std::min(grid_.FixedRows(), grid_.Rows());
    double y = StartPage(fixed);
    bool rowOnPage = false;
    for (int r = fixed; r < grid_.Rows(); ++r) {
      if (progress_ && !progress_(r + 1, grid_.Rows())) return false;
      if (grid_.RowHidden(r)) continue;
      if (rowOnPage && y + rowHeight_ > bodyBottom_) {
        EndPage();
        s_.NewPage();
        y = StartPage(fixed);
        rowOnPage = false;
      }
      y = PrintRow(r, y, false);
      rowOnPage = true;
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

  double StartPage(int fixedRows) {
    double y = top_;
    if (!title_.isEmpty()) {
      s_.SetFontBold(true);
      const double x = left_ + std::max(0.0, (right_ - left_ - s_.TextWidth(title_)) / 2);
      s_.DrawText(x, y, title_);
      s_.SetFontBold(false);
      y += lineHeight_ + rowHeight_ / 2;
    }
    for (int r = 0; r < fixedRows; ++r)
      if (!grid_.RowHidden(r)) y = PrintRow(r, y, true);
    return y;
  }

  double PrintRow(int row, double y, bool heading) {
    if (columns_.empty()) return y;
    s_.DrawLine(left_, y, tableRight_, y);
    for (const Column& c : columns_) {
      const GridCellLook look = grid_.CellLook(row, c.col);
      const QRectF cell(c.x, y, c.width, rowHeight_);
      if (look.backColor.isValid()) {
        s_.FillRect(cell, look.backColor);
      } else if (heading) {
        s_.FillRect(cell, kHeadingBack);
      }
      s_.DrawLine(c.x, y, c.x, y + rowHeight_);
      if (!look.text.isEmpty()) {
        s_.SetFontBold(look.bold);
        const double pad = std::min(kCellPadding, c.width / 2);
        s_.DrawTextInRect(cell.adjusted(pad, 0, -pad, 0), look.text, QtAlignment(look.alignment),
                          look.foreColor);
      }
    }
    s_.SetFontBold(false);
    s_.DrawLine(tableRight_, y, tableRight_, y + rowHeight_);
    const double next = y + rowHeight_;
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
};

}  // namespace

void PrintGrid(const GridControl& grid, ui::PrintSurface& surface,
               const GridPrintOptions& options) {
  GridPager(grid, surface, options).Print();
}

bool PrintGridDocument(const GridControl& grid, const GridPrintOptions& options, int copies) {
  for (int copy = 0; copy < std::max(1, copies); ++copy) {
    std::unique_ptr<ui::PrintSurface> surface =
        ui::StartPrintJob({options.documentName, options.orientation});
    if (!surface) return false;
    try {
      if (!GridPager(grid, *surface, options).Print()) {
        surface->KillDoc();
        return false;
      }
      surface->EndDoc();
    } catch (...) {
      surface->KillDoc();
      throw;
    }
  }
  return true;
}

}  // namespace ctl
