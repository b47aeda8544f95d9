#include "platform/controls/GridModel.h"

#include <QPalette>
#include <QTableView>
#include <algorithm>
#include <cstdint>

#include "platform/controls/GridControl.h"
#include "platform/controls/GridFormat.h"
#include "platform/ui/Colors.h"

namespace ctl::grid {

Qt::Alignment QtAlignment(int alignment) {
  Qt::Alignment h = Qt::AlignLeft;
  if (alignment >= flexAlignCenterTop && alignment <= flexAlignCenterBottom) h = Qt::AlignHCenter;
  if (alignment >= flexAlignRightTop && alignment <= flexAlignRightBottom) h = Qt::AlignRight;
  Qt::Alignment v = Qt::AlignVCenter;
  if (alignment % 3 == 0) v = Qt::AlignTop;
  if (alignment % 3 == 2) v = Qt::AlignBottom;
  return h | v;
}

GridModel::GridModel(GridControl& grid) : QAbstractTableModel(&grid), grid_(grid) {}

bool GridModel::Rebuild(int firstChanged) {
  const GridData& data = grid_.data_;
  const int offset = grid_.HeaderRows();
  const int kept = offset == offset_ && data.Cols() == cols_ ? ModelRowsBefore(firstChanged) : 0;
  // Counts the rows first: the views see the new ones only inside the insertion.
  int added = 0;
  if (kept > 0)
    for (int r = firstChanged; r < data.Rows(); ++r) added += data.RowHidden(r) ? 0 : 1;
  // The views handle a reset in one step, and removed or inserted rows one by one: a
  // long tail (a row hidden near the top of a million) is cheaper reset.
  constexpr int kTailBeyondKept = 16384;
  if (kept == 0 || static_cast<int64_t>(rows_ - kept) + added > static_cast<int64_t>(kept) + kTailBeyondKept) {
    beginResetModel();
    offset_ = offset;
    cols_ = data.Cols();
    MapFrom(0);
    endResetModel();
    return true;
  }
  if (rows_ > kept) {
    beginRemoveRows({}, kept, rows_ - 1);
    rows_ = kept;
    if (mapped_) visible_.resize(static_cast<size_t>(kept));
    endRemoveRows();
  }
  if (added > 0) {
    beginInsertRows({}, kept, kept + added - 1);
    MapFrom(kept);
    endInsertRows();
  } else {
    MapFrom(kept);
  }
  return false;
}

int GridModel::ModelRowsBefore(int gridRow) const {
  if (gridRow <= offset_) return 0;
  if (!mapped_) return std::min(rows_, gridRow - offset_);
  return static_cast<int>(std::lower_bound(visible_.begin(), visible_.end(), gridRow) - visible_.begin());
}

void GridModel::MapFrom(int kept) {
  const GridData& data = grid_.data_;
  const bool mapped = data.HiddenRowCount() > 0;
  if (!mapped) {
    visible_ = {};
    rows_ = std::max(0, data.Rows() - offset_);
  } else {
    if (!mapped_) {
      visible_.clear();
      for (int m = 0; m < kept; ++m) visible_.push_back(m + offset_);
    }
    visible_.resize(static_cast<size_t>(kept));
    const int from = kept > 0 ? visible_.back() + 1 : offset_;
    for (int r = from; r < data.Rows(); ++r)
      if (!data.RowHidden(r)) visible_.push_back(r);
    rows_ = static_cast<int>(visible_.size());
  }
  mapped_ = mapped;
}

void GridModel::Refresh() {
  if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
  if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
}

void GridModel::Refresh(int r1, int r2) {
  const auto [first, last] = ModelRows(r1, r2);
  if (first <= last && cols_ > 0) emit dataChanged(index(first, 0), index(last, cols_ - 1));
  if (r1 < offset_ && cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
}

int GridModel::GridRow(int modelRow) const {
  if (modelRow < 0 || modelRow >= rows_) return -1;
  const int row = mapped_ ? visible_[static_cast<size_t>(modelRow)] : modelRow + offset_;
  return row < grid_.data_.Rows() ? row : -1;
}

int GridModel::ModelRow(int gridRow) const {
  if (!mapped_) {
    const int m = gridRow - offset_;
    return m >= 0 && m < rows_ ? m : -1;
  }
  auto it = std::lower_bound(visible_.begin(), visible_.end(), gridRow);
  return it != visible_.end() && *it == gridRow ? static_cast<int>(it - visible_.begin()) : -1;
}

std::pair<int, int> GridModel::ModelRows(int r1, int r2) const {
  return {ModelRowsBefore(r1), ModelRowsBefore(r2 + 1) - 1};
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : cols_; }

QVariant GridModel::CellRole(int row, int col, int role) const {
  if (row < 0 || col >= grid_.data_.Cols()) return {};
  switch (role) {
    case Qt::DisplayRole: return grid_.data_.DisplayText(row, col);
    case Qt::EditRole: return grid_.data_.Text(row, col);
    case Qt::TextAlignmentRole: {
      int a = static_cast<int>(QtAlignment(grid_.ResolvedAlignment(row, col)));
      if (grid_.wordWrap_) a |= Qt::TextWordWrap;
      return a;
    }
    case Qt::BackgroundRole: {
      const uint32_t back = grid_.data_.Style(row, col).backColor;
      if (back != kNoColor) return ui::ColorFromBgr(back);
      if (grid_.IsFixed(row, col)) return grid_.palette().color(QPalette::Button);
      return {};
    }
    case Qt::ForegroundRole: {
      const uint32_t fore = grid_.data_.Style(row, col).foreColor;
      return fore == kNoColor ? QVariant() : QVariant(ui::ColorFromBgr(fore));
    }
    case Qt::FontRole: {
      if (grid_.data_.Style(row, col).bold != 1) return {};
      QFont bold = grid_.view()->font();
      bold.setBold(true);
      return bold;
    }
    default: return {};
  }
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  return CellRole(GridRow(index.row()), index.column(), role);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || offset_ == 0 || grid_.data_.Rows() == 0) return {};
  if (role == Qt::BackgroundRole) return {};
  return CellRole(0, section, role);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const int row = GridRow(index.row());
  if (grid_.editable_ != flexEDNone && row >= 0 && !grid_.IsFixed(row, index.column())) f |= Qt::ItemIsEditable;
  return f;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const int row = GridRow(index.row());
  if (role != Qt::EditRole || row < 0 || index.column() >= grid_.data_.Cols()) return false;
  grid_.EditorCommitted(row, index.column(), value.toString());
  return true;
}

}  // namespace ctl::grid
