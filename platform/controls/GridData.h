#pragma once
// GridData: everything a grid holds, without any widget: the cells (one CellColumn per
// column), the per-row data (a CellColumn too), hidden flags (a byte a row) and
// heights, the sparse cell styles and the column settings. Columns with an id-to-text
// list and the row data grow as columns of ids (CellColumn::Resize). Row and column
// indexes are checked by the caller (GridControl). Sorting reorders rows through one
// permutation applied to every per-row store. Not thread-safe.
//
// Rows may come from a RowSource instead: each such row names an item of the source,
// whose cells and row data the source makes when they are read. The grid then maps
// every row to an item or to a row of its own cells (the heading, a totals row, rows
// added); writing a cell or the row data of an item's row first copies the item's cells
// into a row of its own (the row's override). Sorting reorders the map.

#include <QHash>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/controls/GridCells.h"
#include "platform/controls/GridStyles.h"

namespace ctl::grid {

// A column's drop-down list: "#id;text|#id;text" maps stored ids to shown texts;
// "a|b|c" lists plain choices and maps nothing.
class ComboList {
 public:
  void Parse(const QString& source);
  // Maps the ids to the texts as given (texts may hold '|', ';' or '#'); no source.
  void Assign(const std::vector<std::pair<int64_t, QString>>& entries);
  const QString& Source() const { return source_; }
  bool Maps() const { return !byNumber_.empty() || !byText_.isEmpty(); }
  // The text shown for cell `row` of `cells`, or nullptr when the list has none.
  const QString* Lookup(const CellColumn& cells, size_t row) const;

 private:
  QString source_;
  std::unordered_map<int64_t, QString> byNumber_;
  QHash<QString, QString> byText_;
};

// The rows of a grid that it does not store itself: items (the records of a table, say)
// whose cells are made when they are read. Read-only once attached, and safe to read
// from several threads at once.
class RowSource {
 public:
  static constexpr uint32_t kNoItem = 0x8000'0000u;

  virtual ~RowSource() = default;
  // False for an entry that names no item (kNoItem set: a row of the grid's own).
  static bool IsItem(uint32_t entry) { return (entry & kNoItem) == 0; }

  // Writes column `col`'s cells of items[0, n) to cells [at, at + n) of `out`, as the
  // grid's own cells would hold them, skipping entries that name no item; `out` belongs
  // to the caller's thread.
  virtual void Fill(int col, const uint32_t* items, size_t n, CellColumn& out, size_t at) const = 0;
  virtual int64_t RowData(uint32_t item) const = 0;
  // Cells standing for the column's cells of every item in sizing: each distinct value
  // they hold or, when `*extremes` is set, of a column holding numbers alone, the
  // smallest and the largest. False when the source has none at hand.
  virtual bool WidthCells(int col, CellColumn& out, bool* extremes) const {
    (void)col, (void)out, (void)extremes;
    return false;
  }
  // For a column whose cells are each one of a few cells (dates, types, names): those
  // cells in `*cells` (as Fill writes them) and, for items[i], the index of its cell
  // there in entries[i]. False when the column is not of that kind. Sorting uses it.
  virtual bool Entries(int col, const uint32_t* items, size_t n, uint32_t* entries, const CellColumn** cells) const {
    (void)col, (void)items, (void)n, (void)entries, (void)cells;
    return false;
  }
};

struct ColumnInfo {
  int widthTwips = -1;  // -1: the default width
  bool hidden = false;
  int alignment = -1;  // -1: general (numbers right, text left)
  int dataType = 0;    // 0 generic; flexDTDate sorts as dates
  QString format;
  ComboList combo;
  QVariant data;
};

// Cell `at` of `to` takes the contents of cell `row` of `from`, another column.
void CopyCell(const CellColumn& from, size_t row, CellColumn& to, size_t at);

class GridData {
 public:
  static constexpr int kDateType = 7;

  GridData() = default;
  GridData(const GridData&) = delete;  // the columns take room from this grid's spares
  GridData& operator=(const GridData&) = delete;

  int Rows() const { return static_cast<int>(rowHidden_.size()); }
  int Cols() const { return static_cast<int>(columns_.size()); }
  // Room let go of by cutting rows or columns is kept for the columns' next growth
  // until ReleaseSpareRoom, so that a grid emptied and reloaded reuses its pages.
  void SetRows(int rows);
  void SetCols(int cols);
  void ReleaseSpareRoom() { spares_.Release(); }
  void InsertRow(int at);
  void RemoveRow(int row);
  // Removes the rows `rows` (ascending, distinct) in one pass over each store.
  void RemoveRows(const std::vector<int>& rows);

  // Appends the items [0, items) of `source` as rows, in that order.
  void AttachSource(std::shared_ptr<const RowSource> source, uint32_t items);
  const RowSource* Source() const { return source_.get(); }
  const std::shared_ptr<const RowSource>& SharedSource() const { return source_; }
  // True while the grid shows every item of its source once, none of them overridden.
  bool ShowsWholeSource() const { return source_ && sourceWhole_; }
  // The item of row `row`, or RowSource::kNoItem for a row of the grid's own cells.
  uint32_t ItemOf(int row) const {
    if (rowMap_.empty()) return RowSource::kNoItem;
    const uint32_t m = rowMap_[static_cast<size_t>(row)];
    return m & RowSource::kNoItem ? RowSource::kNoItem : m;
  }

  // The grid's own cells: indexed by row while the grid has no source.
  CellColumn& Cells(int col) { return columns_[static_cast<size_t>(col)]; }
  const CellColumn& Cells(int col) const { return columns_[static_cast<size_t>(col)]; }
  // The column holding cell (row, col), with the cell's index there in `*at`: the grid's
  // own, or for an item's row a copy of the cell made now, valid until the calling
  // thread's next call.
  const CellColumn& CellOf(int row, int col, size_t* at) const;
  // Rows [first, first + n) of column `col` as cells [base, base + n) of the column
  // returned: the grid's own, or with a source a copy made now (base 0).
  std::shared_ptr<const CellColumn> ColumnCells(int col, size_t first, size_t n, size_t* base) const;
  QString Text(int row, int col) const {
    size_t at = 0;
    return CellOf(row, col, &at).ToString(at);
  }
  void SetText(int row, int col, QStringView text) { Cells(col).SetText(OwnRow(row), text); }
  void SetInt(int row, int col, int64_t value) { Cells(col).SetInt(OwnRow(row), value); }
  void SetDouble(int row, int col, double value) { Cells(col).SetDouble(OwnRow(row), value); }
  // Cell (row, col) takes the contents of cell (from, col) (CellColumn::CopyCell).
  void CopyCell(int from, int row, int col);
  // Cell (row, col) takes `raw`, read from cell (from, col) while the column's generation
  // was `generation` (CellColumn::SetRaw); false, changing nothing, when that fails or
  // row `from` is an item's (then CopyCell does it).
  bool SetRaw(int row, int col, uint64_t raw, uint32_t generation, int from);
  // The cell's stored bytes and the column's generation, for SetRaw; false for an item's
  // row.
  bool RawCell(int row, int col, uint64_t* raw, uint32_t* generation) const;
  // The text as shown: the column list's text for a stored id, else a number in the
  // column's format, else the text as stored.
  QString DisplayText(int row, int col) const;

  const CellStyle& Style(int row, int col) const {
    return styles_.Style(static_cast<size_t>(row), static_cast<size_t>(col));
  }
  GridStyles& Styles() { return styles_; }
  const GridStyles& Styles() const { return styles_; }

  QVariant RowData(int row) const;
  // The row's data as an integer (as RowData(row).toLongLong(), without a variant for
  // the usual stored integer).
  int64_t RowDataInt(int row) const {
    const size_t r = OwnOf(row);
    if (r == kNotOwn) return source_->RowData(rowMap_[static_cast<size_t>(row)]);
    return rowData_.Kind(r) == CellKind::Int ? rowData_.IntValue(r) : RowData(row).toLongLong();
  }
  void SetRowData(int row, const QVariant& value);
  void SetRowData(int row, int64_t value) { rowData_.SetInt(OwnRow(row), value); }
  bool RowHidden(int row) const { return rowHidden_[static_cast<size_t>(row)] != 0; }
  void SetRowHidden(int row, bool hidden);
  int HiddenRowCount() const { return hiddenCount_; }
  int RowHeightTwips(int row) const;  // -1: default
  void SetRowHeightTwips(int row, int twips);
  const std::map<int, int>& RowHeights() const { return rowHeights_; }

  ColumnInfo& Column(int col) { return info_[static_cast<size_t>(col)]; }
  const ColumnInfo& Column(int col) const { return info_[static_cast<size_t>(col)]; }

  // Clears cell texts and/or styles of [r1, r2] x [c1, c2]; row data of whole rows.
  void Clear(int r1, int r2, int c1, int c2, bool text, bool styles, bool rowData);

  // Stable sort of rows [r1, r2] by the key columns [c1, c2] in order: empty cells
  // first, then numbers (cells holding numbers, texts that read as numbers in the
  // user's locale, dates in date columns) by value, then other texts without regard to
  // case. A key column's texts, when at least 64 of them share at most half as many
  // stored copies, are ranked once, so that rows compare numbers. One key column whose
  // texts (if any) are ranked sorts by a radix sort (a counting sort with up to 2^15
  // distinct keys); other keys by comparisons. With `shown`, a key column whose list maps
  // ids to texts sorts by the texts shown (a cell the list does not map, by its own).
  // Rows that are all items of a source whose column has Entries sort by the keys of
  // those few cells alone, in the same order.
  void Sort(int r1, int r2, int c1, int c2, bool descending, bool shown = false);

 private:
  static constexpr size_t kNotOwn = ~size_t{0};
  // The row of the grid's own cells holding row `row`, or kNotOwn for an item's row.
  size_t OwnOf(int row) const {
    if (rowMap_.empty()) return static_cast<size_t>(row);
    const uint32_t m = rowMap_[static_cast<size_t>(row)];
    return m & RowSource::kNoItem ? m & ~RowSource::kNoItem : kNotOwn;
  }
  // The same, making an item's row one of the grid's own first (its override).
  size_t OwnRow(int row);
  // A new row of the grid's own cells, empty.
  uint32_t NewOwnRow();
  // Gives up the own rows of rows [from, to) (cut or removed).
  void DropRows(size_t from, size_t to);
  void DropRow(size_t row);
  // Whether rows [first, first + n) all name items, sorted by column `col` through the
  // source's entries.
  bool SortsByEntries(int col, size_t first, size_t n, bool shown) const;
  // Rows [first, first + n) take the rows order[0, n) held.
  void Reorder(size_t first, size_t n, const BigVector<uint32_t>& order);
  // Back to cells indexed by row once no row names an item and the own rows are in order.
  void DetachIfDone();

  std::shared_ptr<const RowSource> source_;
  BigVector<uint32_t> rowMap_;        // with a source: per row, its item or kNoItem | own row
  std::vector<uint32_t> freeOwn_;     // own rows no row uses
  bool sourceWhole_ = false;
  std::vector<CellColumn> columns_;
  std::vector<ColumnInfo> info_;
  CellColumn rowData_;
  std::vector<uint8_t> rowHidden_;
  int hiddenCount_ = 0;
  std::map<int, int> rowHeights_;
  GridStyles styles_;
  SpareBlocks spares_;
};

}  // namespace ctl::grid
