#pragma once
// Printing a grid: the visible columns at their widths, each cell's display text
// (clipped to its cell), alignment, colours and bold, the heading rows repeated at the
// top of every page under the document name, rows that are hidden left out, at least
// one data row on every page, and the page number at the foot of every page. Heading
// rows, and data rows when the grid wraps words, are as tall as their texts wrapped at
// line breaks and spaces, and inside a word longer than a line; a text without blanks
// (a number) is never split: its column is at least as wide. Columns too wide together
// for the space inside the margins shrink with their text down to 6 points; past that
// they are spread over further pages (all rows of one set of columns, then the next),
// each set led by the fixed and frozen columns when they leave room for another. The
// grid is read through VisibleCols, ColWidth, RowHidden, FixedRows, FixedCols,
// FrozenCols, WordWrap, CellLook and its view's font.
// User-interface thread only.

#include <QString>
#include <functional>

namespace ui {
class PrintSurface;
}

namespace ctl {

class GridControl;

struct GridPrintOptions {
  QString documentName;  // the job's name, printed at the top of every page
  int orientation = 0;   // ui::kPortrait or ui::kLandscape; 0: the current printer's
  // Margins in twips, measured from the paper's edges.
  double marginLeft = 360;
  double marginTop = 360;
  double marginRight = 360;
  double marginBottom = 360;
  // Called after each printed data row with the rows done and the total (the visible
  // data rows times the sets of pages); false stops the printing (the job is abandoned).
  std::function<bool(int done, int total)> progress;
};

// Lays the grid out on `surface`, from its open page on, adding pages as needed; the
// job is not ended. False when `progress` stopped it. Throws what the surface throws.
bool PrintGrid(const GridControl& grid, ui::PrintSurface& surface, const GridPrintOptions& options);

// Prints `copies` copies (at least one), each as a print job of its own on the current
// printer. False when the user cancelled a job or `progress` stopped one (that job is
// abandoned; nothing more is printed). A printer
// failure abandons the job and throws rt::VbError.
bool PrintGridDocument(const GridControl& grid, const GridPrintOptions& options, int copies = 1);

}  // namespace ctl
