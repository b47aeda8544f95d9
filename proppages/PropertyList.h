#pragma once
// The property list window: a two-column name|value list over rows (PropertyRows.h),
// drawn by its delegate with a grey grid, the name column left of the divider and the
// value column right of it. The current row's value is edited in place: an edit box
// ("id125") for typed rows, a drop-down list ("id127") for rows with fixed entries, and
// the button square at the right edge for rows with a value dialog. Keys: F1 help,
// Enter edits or expands, Left/Right collapse/expand, F4 or Alt+Down opens the
// drop-down or the dialog, a letter on a drop-down row picks the first entry that
// begins with it, a letter on a typed row starts editing with it, Delete clears a
// picture. A double click outside the button square runs the row's default action.
// The list is "id1000". UI thread only.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <vector>

#include "proppages/PropertyRows.h"

namespace qvp {

// What the list asks of the page that owns it.
class PropertyListHost : public RowHost {
 public:
  // A row's value changed in the list.
  virtual void RowChanged(CListBoxItem& row) = 0;
  // The list was shown or got the focus.
  virtual void ListActivated() = 0;
};

class PropertyListModel final : public QAbstractTableModel {
 public:
  enum Column { kName = 0, kValue = 1 };

  PropertyListModel(PropertyListHost& host, QObject* parent);

  void SetRows(std::vector<CListBoxItem*> rows);
  CListBoxItem* Row(int index) const;
  // The position of a row, or of the row that IsSame as it; -1 when not listed.
  int Find(const CListBoxItem* row) const;
  void RowUpdated(const CListBoxItem* row);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // A committed editor (role Qt::EditRole) or drop-down choice (Qt::UserRole) text.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  PropertyListHost& host_;
  std::vector<CListBoxItem*> rows_;
};

class PropertyListView final : public QTableView {
 public:
  // halfDivider: the divider at half the width instead of two fifths.
  PropertyListView(PropertyListHost& host, QWidget* parent, bool halfDivider = false);

  // Lists the rows; the row that IsSame as `keep` (or the first) becomes current.
  void SetRows(std::vector<CListBoxItem*> rows, const CListBoxItem* keep);
  CListBoxItem* CurrentRow() const;
  bool SelectRow(const CListBoxItem* row);
  void RowUpdated(const CListBoxItem* row) { model_->RowUpdated(row); }
  PropertyListModel& Model() const { return *model_; }

  // Process-wide x offset of the names: indent step + 1 in the categorized view.
  void SetLeftMargin(int margin);
  int LeftMargin() const { return leftMargin_; }
  int ItemHeight() const;
  int IndentStep() const;
  int Divider() const { return columnWidth(0); }
  // The button square and the expander box of a listed row, in viewport coordinates.
  QRect ButtonRect(int row) const;
  QRect ExpanderRect(int row) const;
  // The same from the row's value or name cell.
  static QRect ButtonIn(const QRect& valueCell);
  QRect ExpanderIn(const QRect& nameCell, const CListBoxItem& row) const;

  // The row's default action; the page hears of a changed value.
  void RunDefault(CListBoxItem& row);
  // The value button: opens the drop-down, or the row's dialog.
  void RunButton(int row);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void showEvent(QShowEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  bool TypeAhead(CListBoxItem& row, const QString& text);

  PropertyListHost& host_;
  PropertyListModel* model_;
  bool halfDivider_;
  int leftMargin_ = 0;
};

// Draws the rows and makes their in-place editors.
class PropertyRowDelegate final : public QStyledItemDelegate {
 public:
  explicit PropertyRowDelegate(PropertyListView& view);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

 private:
  void PaintName(QPainter& p, const QStyleOptionViewItem& option, const CListBoxItem& row) const;
  void PaintValue(QPainter& p, const QStyleOptionViewItem& option, const CListBoxItem& row) const;
  PropertyListView& view_;
};

}  // namespace qvp
