#pragma once
// Sizing a column to its contents: the width of a column's widest cell text. Texts are
// estimated from per-character advances and only those that could be the widest are
// measured exactly: in a column of repeating texts or listed ids once per distinct
// stored value, of formatted numbers just the largest and the smallest, in other
// columns row by row.

#include <QFont>
#include <QFontMetricsF>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/controls/GridMemory.h"

namespace ctl::grid {

class GridData;

// The advances of the first 256 characters.
using AdvanceTable = std::array<float, 256>;

// The fonts of the cells and the advances that bound a text's width from above.
struct CellFonts {
  explicit CellFonts(const QFont& font);
  const QFontMetricsF& Metrics(bool isBold) const { return isBold ? bold : plain; }
  const AdvanceTable& Table(bool isBold) const { return isBold ? boldTable : plainTable; }

  QFontMetricsF plain;
  QFontMetricsF bold;
  AdvanceTable plainTable;
  AdvanceTable boldTable;
};

// The widths of the cells that share one stored text (names, dates of a report) or one
// listed id, by stored bytes and boldness: estimated and measured once.
struct SharedWidth {
  uint64_t raw = 0;
  float width = -1;
  double exact = -1;    // measured
  uint32_t listed = 0;  // the round that made one of its rows a candidate
};

// The working room of sizing columns: an estimate per row, the rows to measure, the
// shared widths. Kept between the columns of one sizing.
struct SizingRoom {
  BigVector<float> estimate;
  BigVector<uint32_t> candidates;
  std::vector<SharedWidth> shared;
};

// The widest display texts of columns [col1, col2] from row `firstRow` down, in pixels;
// 0 for a column whose cells are all empty. Where many texts estimate alike it may be a
// pixel or so over, never under. Large grids are scanned on several threads; the fonts
// are used on the calling thread alone.
std::vector<double> WidestCellsPx(const GridData& data, int col1, int col2, int firstRow, const CellFonts& fonts,
                                  SizingRoom& room);

}  // namespace ctl::grid
