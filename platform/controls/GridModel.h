#pragma once
// GridModel: the item model through which the views show a GridControl. Model rows
// are the grid's visible rows below the heading row (row 0 is the horizontal header;
// hidden rows are left out of the row mapping, not hidden in the views); model columns
// are the grid's columns. The model keeps the row mapping it last announced, so the
// grid may change between two announcements (Rebuild) without the views ever seeing an
// inconsistent count. Cells out of the grid read as empty.

#include <QAbstractTableModel>
#include <QFont>
#include <utility>
#include <vector>

namespace ctl {
class GridControl;
}

namespace ctl::grid {

// Qt alignment flags of an alignment setting (flexAlign...; not flexAlignGeneral).
Qt::Alignment QtAlignment(int alignment);

class GridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit GridModel(GridControl& grid);

  // Announces the grid's present rows and columns. When only rows from grid row
  // `firstChanged` on changed (and the columns and heading did not), the rows above
  // are kept and the rest removed and inserted, unless that tail is far longer than
  // the rows kept; else the model is reset.
  // True when it reset the model.
  bool Rebuild(int firstChanged = 0);
  // Announces that cell contents or looks changed: everywhere, or in grid rows [r1, r2].
  void Refresh();
  void Refresh(int r1, int r2);

  // Grid row of a model row (-1 when there is none) and back (-1: not shown).
  int GridRow(int modelRow) const;
  int ModelRow(int gridRow) const;
  // The model rows showing grid rows [r1, r2] (first > last when none does).
  std::pair<int, int> ModelRows(int r1, int r2) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  QVariant CellRole(int row, int col, int role) const;
  int ModelRowsBefore(int gridRow) const;
  // Maps the grid's rows from model row `kept` on (the rows above are unchanged).
  void MapFrom(int kept);

  GridControl& grid_;
  int rows_ = 0;  // model rows announced
  int cols_ = 0;
  int offset_ = 0;             // grid row of model row 0 when no row is hidden
  std::vector<int> visible_;  // grid rows of the model rows when some are hidden
  bool mapped_ = false;
};

}  // namespace ctl::grid
