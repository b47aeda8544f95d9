#pragma once
// GridData: everything a grid holds, without any widget: the cells (one CellColumn per
// column), the per-row data (a CellColumn too), hidden flags (a byte a row) and
// heights, the sparse cell styles and the column settings. Columns with an id-to-text
// list and the row data grow as columns of ids (CellColumn::Resize). Row and column
// indexes are checked by the caller (GridControl). Sorting reorders rows through one
// permutation applied to every per-row store. Not thread-safe.

#include <QHash>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <map>
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

struct ColumnInfo {
  int widthTwips = -1;  // -1: the default width
  bool hidden = false;
  int alignment = -1;  // -1: general (numbers right, text left)
  int dataType = 0;    // 0 generic; flexDTDate sorts as dates
  QString format;
  ComboList combo;
  QVariant data;
};

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

  CellColumn& Cells(int col) { return columns_[static_cast<size_t>(col)]; }
  const CellColumn& Cells(int col) const { return columns_[static_cast<size_t>(col)]; }
  QString Text(int row, int col) const { return Cells(col).ToString(static_cast<size_t>(row)); }
  void SetText(int row, int col, QStringView text) { Cells(col).SetText(static_cast<size_t>(row), text); }
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
    const size_t r = static_cast<size_t>(row);
    return rowData_.Kind(r) == CellKind::Int ? rowData_.IntValue(r) : RowData(row).toLongLong();
  }
  void SetRowData(int row, const QVariant& value);
  void SetRowData(int row, int64_t value) { rowData_.SetInt(static_cast<size_t>(row), value); }
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
  void Sort(int r1, int r2, int c1, int c2, bool descending, bool shown = false);

 private:
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
