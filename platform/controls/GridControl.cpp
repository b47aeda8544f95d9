#include "platform/controls/GridControl.h"

#include "platform/controls/GridPrint.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <cmath>

#include "platform/controls/GridFormat.h"
#include "platform/controls/GridModel.h"
#include "platform/controls/GridSizing.h"
#include "platform/controls/GridView.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Colors.h"
#include "platform/ui/Screen.h"

namespace ctl {
namespace {

// A colour as toLongLong reads it; an int (a caller's colour constant) without the
// general conversion, which costs more than the setting when rows are styled one by one.
int64_t ColorValue(const QVariant& value) {
  if (value.typeId() == QMetaType::Int) return *static_cast<const int*>(value.constData());
  return value.toLongLong();
}

constexpr int32_t kErrSubscriptOutOfRange = 381;
constexpr int32_t kErrInvalidPropertyValue = 380;

[[noreturn]] void RaiseOutOfRange() {
  rt::Raise(kErrSubscriptOutOfRange, QStringLiteral("GridControl"), QStringLiteral("Subscript out of range"));
}

[[noreturn]] void RaiseInvalidValue() {
  rt::Raise(kErrInvalidPropertyValue, QStringLiteral("GridControl"), QStringLiteral("Invalid property value"));
}

int TwipsToPx(int twips) { return static_cast<int>(std::lround(ui::TwipsToPixelsX(twips))); }
int PxToTwips(double px) { return static_cast<int>(std::lround(ui::PixelsToTwipsX(px))); }

void SetUpView(QTableView* v) {
  v->verticalHeader()->hide();
  v->setSelectionBehavior(QAbstractItemView::SelectRows);
  v->setSelectionMode(QAbstractItemView::SingleSelection);
  v->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  v->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  v->setWordWrap(false);
  v->horizontalHeader()->setSectionsClickable(false);
  v->horizontalHeader()->setMinimumSectionSize(0);  // a column may be as narrow as set
  v->verticalHeader()->setMinimumSectionSize(1);
  v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 6);
  v->horizontalHeader()->setHighlightSections(false);
}

}  // namespace

GridControl::GridControl(QWidget* parent) : QWidget(parent) {
  data_.SetCols(1);
  data_.SetRows(1);
  model_ = new grid::GridModel(*this);
  view_ = new grid::GridView(*this, this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  setFocusProxy(view_);
  SetUpView(view_);
  view_->setModel(model_);

  frozen_ = new grid::GridView(*this, view_);
  SetUpView(frozen_);
  frozen_->setModel(model_);
  frozen_->setSelectionModel(view_->selectionModel());
  frozen_->setFocusPolicy(Qt::NoFocus);
  frozen_->setFrameShape(QFrame::NoFrame);
  frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->viewport()->stackUnder(frozen_);
  view_->SetFrozenView(frozen_);
  frozen_->hide();

  // A hidden overlay's scroll range is not kept up to date: it must not hold the view back.
  connect(frozen_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (frozen_->isVisible()) view_->verticalScrollBar()->setValue(value);
  });
  connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, frozen_->verticalScrollBar(), &QScrollBar::setValue);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) { OnViewCurrentChanged(current); });
  connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int col, int, int size) { OnSectionResized(col, size); });
  for (QWidget* w : {view_->viewport(), frozen_->viewport(), view_->horizontalHeader()->viewport(),
                     frozen_->horizontalHeader()->viewport()})
    w->installEventFilter(this);

  structureDirty_ = true;
  Flush();
}

GridControl::~GridControl() {
  // The views may still ask the model (closing an editor) while they go: let them go
  // while the grid is whole.
  delete view_;
  delete model_;
}

QTableView* GridControl::view() const { return view_; }

// ---- checks -------------------------------------------------------------------------

void GridControl::OutOfRange() { RaiseOutOfRange(); }

// ---- size and layout ----------------------------------------------------------------

void GridControl::setRows(int rows) {
  if (rows < 0) RaiseInvalidValue();
  const int before = data_.Rows();
  data_.SetRows(rows);
  ClampCurrent();
  PlaceCurrent();
  StructureChanged(std::min(before, rows));
}

void GridControl::setRowSource(std::shared_ptr<const grid::RowSource> source, uint32_t items) {
  const int before = data_.Rows();
  data_.AttachSource(std::move(source), items);
  PlaceCurrent();
  StructureChanged(before);
}

void GridControl::setCols(int cols) {
  if (cols < 0) RaiseInvalidValue();
  data_.SetCols(cols);
  ClampCurrent();
  PlaceCurrent();
  StructureChanged();
}

void GridControl::setFixedRows(int rows) {
  if (rows < 0) RaiseInvalidValue();
  fixedRows_ = rows;
  StructureChanged();
}

void GridControl::setFixedCols(int cols) {
  if (cols < 0) RaiseInvalidValue();
  fixedCols_ = cols;
  ViewChanged();
}

void GridControl::setFrozenCols(int cols) {
  if (cols < 0) RaiseInvalidValue();
  frozenCols_ = cols;
  ViewChanged();
}

// ---- current cell and selection -----------------------------------------------------

void GridControl::setRow(int row) {
  CheckRow(row);
  SetCurrent(row, col_, row, col_);
}

void GridControl::setCol(int col) {
  CheckCol(col);
  SetCurrent(row_, col, row_, col);
}

void GridControl::Select(int row, int col, int rowSel, int colSel) {
  CheckCell(row, col);
  if (rowSel < 0) rowSel = row;
  if (colSel < 0) colSel = col;
  CheckCell(rowSel, colSel);
  SetCurrent(row, col, rowSel, colSel);
}

void GridControl::SetCurrent(int row, int col, int rowSel, int colSel) {
  const bool changed = row != row_ || col != col_;
  row_ = row;
  col_ = col;
  rowSel_ = rowSel;
  colSel_ = colSel;
  Schedule();
  if (changed) emit RowColChange();
}

void GridControl::ClampCurrent() {
  auto clamp = [](int v, int count, int fixed) { return v < count ? v : (count > fixed ? count - 1 : -1); };
  const int row = clamp(row_, data_.Rows(), fixedRows_);
  const int col = clamp(col_, data_.Cols(), fixedCols_);
  const int rowSel = row < 0 ? -1 : clamp(rowSel_, data_.Rows(), fixedRows_);
  const int colSel = col < 0 ? -1 : clamp(colSel_, data_.Cols(), fixedCols_);
  if (row != row_ || col != col_ || rowSel != rowSel_ || colSel != colSel_) SetCurrent(row, col, rowSel, colSel);
}

// Quietly: a window reading the grid on RowColChange would see a grid still filling.
void GridControl::PlaceCurrent() {
  if ((row_ >= 0 && col_ >= 0) || data_.Rows() <= fixedRows_ || data_.Cols() <= fixedCols_) return;
  row_ = rowSel_ = fixedRows_;
  col_ = colSel_ = fixedCols_;
  Schedule();
  emit CurrentPlaced();
}

void GridControl::ShowCell(int row, int col) {
  CheckCell(row, col);
  showRow_ = row;
  showCol_ = col;
  Flush();
}

// ---- cells --------------------------------------------------------------------------

QString GridControl::TextMatrix(int row, int col) const {
  CheckCell(row, col);
  return data_.Text(row, col);
}

QVariant GridControl::CellValue(int row, int col) const {
  CheckCell(row, col);
  size_t r = 0;
  const grid::CellColumn& cells = data_.CellOf(row, col, &r);
  switch (cells.Kind(r)) {
    case grid::CellKind::Int: return QVariant::fromValue<qlonglong>(cells.IntValue(r));
    case grid::CellKind::Double: return cells.DoubleValue(r);
    case grid::CellKind::Text: return cells.ToString(r);
    case grid::CellKind::Empty: break;
  }
  return {};
}

void GridControl::CopyCell(int fromRow, int row, int col) {
  CheckCell(fromRow, col);
  CheckCell(row, col);
  data_.CopyCell(fromRow, row, col);
  CellsChanged(row, row);
}

SharedCell GridControl::ShareCell(int row, int col) const {
  CheckCell(row, col);
  SharedCell shared{0, row, 0};
  data_.RawCell(row, col, &shared.raw, &shared.generation);
  return shared;
}

void GridControl::setSharedCell(int row, int col, const SharedCell& shared) {
  CheckCell(row, col);
  if (!data_.SetRaw(row, col, shared.raw, shared.generation, shared.row)) {
    CheckRow(shared.row);
    data_.CopyCell(shared.row, row, col);
  }
  CellsChanged(row, row);
}

void GridControl::setTextMatrix(int row, int col, const QString& text) {
  CheckCell(row, col);
  data_.SetText(row, col, text);
  CellsChanged(row, row);
}

void GridControl::setTextMatrix(int row, int col, double value) {
  CheckCell(row, col);
  data_.SetDouble(row, col, value);
  CellsChanged(row, row);
}

void GridControl::SetIntCell(int row, int col, int64_t value) {
  CheckCell(row, col);
  data_.SetInt(row, col, value);
  CellsChanged(row, row);
}

int GridControl::ResolvedAlignment(int row, int col) const {
  int a = data_.Style(row, col).alignment;
  if (a < 0) a = data_.Column(col).alignment;
  if (a >= 0 && a != flexAlignGeneral) return a;
  size_t r = 0;
  const grid::CellColumn& cells = data_.CellOf(row, col, &r);
  const grid::ComboList& combo = data_.Column(col).combo;
  if (combo.Maps() && combo.Lookup(cells, r)) return flexAlignLeftCenter;  // shows a text
  switch (cells.Kind(r)) {
    case grid::CellKind::Int:
    case grid::CellKind::Double: return flexAlignRightCenter;
    case grid::CellKind::Text:
      return grid::NumberOfText(cells.Text(r)) ? flexAlignRightCenter : flexAlignLeftCenter;
    case grid::CellKind::Empty: break;
  }
  return flexAlignLeftCenter;
}

QVariant GridControl::Cell(int setting, int row, int col) const {
  if (row < 0) row = row_;
  if (col < 0) col = col_;
  CheckCell(row, col);
  const grid::CellStyle& s = data_.Style(row, col);
  switch (setting) {
    case flexcpText: return data_.Text(row, col);
    case flexcpTextDisplay: return data_.DisplayText(row, col);
    case flexcpAlignment: {
      const int a = s.alignment >= 0 ? s.alignment : data_.Column(col).alignment;
      return a >= 0 ? a : static_cast<int>(flexAlignGeneral);
    }
    case flexcpBackColor:
      return static_cast<int>(s.backColor != grid::kNoColor ? s.backColor
                                                            : ui::BgrFromColor(view_->palette().color(QPalette::Base)));
    case flexcpForeColor:
      return static_cast<int>(s.foreColor != grid::kNoColor ? s.foreColor
                                                            : ui::BgrFromColor(view_->palette().color(QPalette::Text)));
    case flexcpFontBold: return s.bold == 1;
    default: RaiseInvalidValue();
  }
}

void GridControl::setCell(int setting, int row, int col, const QVariant& value) {
  setCell(setting, row, col, row, col, value);
}

void GridControl::setCell(int setting, int row1, int col1, int row2, int col2, const QVariant& value) {
  if (row1 < 0) row1 = row_;
  if (col1 < 0) col1 = col_;
  if (row2 < 0) row2 = row1;
  if (col2 < 0) col2 = col1;
  CheckCell(row1, col1);
  CheckCell(row2, col2);
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  const size_t r1 = static_cast<size_t>(row1), r2 = static_cast<size_t>(row2);
  const size_t c1 = static_cast<size_t>(col1), c2 = static_cast<size_t>(col2);
  grid::GridStyles& styles = data_.Styles();
  switch (setting) {
    case flexcpText: {
      const QString text = value.toString();
      for (int c = col1; c <= col2; ++c)
        for (int r = row1; r <= row2; ++r) data_.SetText(r, c, text);
      break;
    }
    case flexcpAlignment: {
      const int a = value.toInt();
      if (a < flexAlignLeftTop || a > flexAlignGeneral) RaiseInvalidValue();
      styles.Set(r1, r2, c1, c2, grid::StyleField::Alignment, static_cast<uint32_t>(a));
      break;
    }
    case flexcpBackColor:
      styles.Set(r1, r2, c1, c2, grid::StyleField::BackColor, static_cast<uint32_t>(ColorValue(value)));
      break;
    case flexcpForeColor:
      styles.Set(r1, r2, c1, c2, grid::StyleField::ForeColor, static_cast<uint32_t>(ColorValue(value)));
      break;
    case flexcpFontBold: styles.Set(r1, r2, c1, c2, grid::StyleField::Bold, value.toBool() ? 1 : 0); break;
    default: RaiseInvalidValue();  // flexcpTextDisplay is read-only
  }
  CellsChanged(row1, row2);
}

GridCellLook GridControl::CellLook(int row, int col) const {
  CheckCell(row, col);
  const grid::CellStyle& s = data_.Style(row, col);
  GridCellLook look;
  look.text = data_.DisplayText(row, col);
  look.alignment = ResolvedAlignment(row, col);
  if (s.backColor != grid::kNoColor) look.backColor = ui::ColorFromBgr(s.backColor);
  if (s.foreColor != grid::kNoColor) look.foreColor = ui::ColorFromBgr(s.foreColor);
  look.bold = s.bold == 1;
  return look;
}

std::vector<int> GridControl::VisibleCols() const {
  std::vector<int> cols;
  for (int c = 0; c < data_.Cols(); ++c)
    if (!data_.Column(c).hidden && ColWidth(c) > 0) cols.push_back(c);
  return cols;
}

// ---- column and row settings --------------------------------------------------------

template <typename T>
T GridControl::ColumnValue(int col, T grid::ColumnInfo::*field) const {
  CheckCol(col);
  return data_.Column(col).*field;
}

template <typename T>
void GridControl::SetColumnValue(int col, T grid::ColumnInfo::*field, const T& value) {
  CheckCol(col);
  data_.Column(col).*field = value;
  ViewChanged();
}

QString GridControl::ColFormat(int col) const { return ColumnValue(col, &grid::ColumnInfo::format); }

void GridControl::setColFormat(int col, const QString& format) {
  SetColumnValue(col, &grid::ColumnInfo::format, format);
}

QString GridControl::ColComboList(int col) const {
  CheckCol(col);
  return data_.Column(col).combo.Source();
}

void GridControl::setColComboList(int col, const QString& list) {
  CheckCol(col);
  data_.Column(col).combo.Parse(list);
  ViewChanged();
}

void GridControl::setColComboMap(int col, const std::vector<std::pair<int64_t, QString>>& entries) {
  CheckCol(col);
  data_.Column(col).combo.Assign(entries);
  ViewChanged();
}

bool GridControl::ColHasComboList(int col) const {
  CheckCol(col);
  const grid::ComboList& combo = data_.Column(col).combo;
  return combo.Maps() || !combo.Source().isEmpty();
}

int GridControl::ColAlignment(int col) const {
  CheckCol(col);
  const int a = data_.Column(col).alignment;
  return a < 0 ? static_cast<int>(flexAlignGeneral) : a;
}

void GridControl::setColAlignment(int col, int alignment) {
  CheckCol(col);
  if (alignment < flexAlignLeftTop || alignment > flexAlignGeneral) RaiseInvalidValue();
  SetColumnValue(col, &grid::ColumnInfo::alignment, alignment);
}

int GridControl::ColDataType(int col) const { return ColumnValue(col, &grid::ColumnInfo::dataType); }

void GridControl::setColDataType(int col, int type) { SetColumnValue(col, &grid::ColumnInfo::dataType, type); }

QVariant GridControl::ColData(int col) const { return ColumnValue(col, &grid::ColumnInfo::data); }

void GridControl::setColData(int col, const QVariant& value) { SetColumnValue(col, &grid::ColumnInfo::data, value); }

QVariant GridControl::RowData(int row) const {
  CheckRow(row);
  return data_.RowData(row);
}

int64_t GridControl::RowDataInt(int row) const {
  CheckRow(row);
  return data_.RowDataInt(row);
}

void GridControl::setRowData(int row, const QVariant& value) {
  CheckRow(row);
  data_.SetRowData(row, value);
}

bool GridControl::RowHidden(int row) const {
  CheckRow(row);
  return data_.RowHidden(row);
}

void GridControl::setRowHidden(int row, bool hidden) {
  CheckRow(row);
  if (data_.RowHidden(row) == hidden) return;
  data_.SetRowHidden(row, hidden);
  StructureChanged(row);
}

bool GridControl::ColHidden(int col) const { return ColumnValue(col, &grid::ColumnInfo::hidden); }

void GridControl::setColHidden(int col, bool hidden) { SetColumnValue(col, &grid::ColumnInfo::hidden, hidden); }

int GridControl::DefaultColWidthPx() const { return view_->horizontalHeader()->defaultSectionSize(); }

int GridControl::ColWidth(int col) const {
  CheckCol(col);
  const int twips = data_.Column(col).widthTwips;
  return twips >= 0 ? twips : PxToTwips(DefaultColWidthPx());
}

void GridControl::setColWidth(int col, int twips) {
  SetColumnValue(col, &grid::ColumnInfo::widthTwips, twips < 0 ? -1 : twips);
}

int GridControl::RowHeight(int row) const {
  CheckRow(row);
  const int twips = data_.RowHeightTwips(row);
  if (twips >= 0) return twips;
  const int px = row < HeaderRows() ? view_->horizontalHeader()->height() : view_->verticalHeader()->defaultSectionSize();
  return static_cast<int>(std::lround(ui::PixelsToTwipsY(px)));
}

void GridControl::setRowHeight(int row, int twips) {
  CheckRow(row);
  data_.SetRowHeightTwips(row, twips);
  ViewChanged();
}

void GridControl::setWordWrap(bool wrap) {
  wordWrap_ = wrap;
  view_->setWordWrap(wrap);
  frozen_->setWordWrap(wrap);
  ViewChanged();
}

void GridControl::setEditable(int mode) {
  if (mode < flexEDNone || mode > flexEDKbdMouse) RaiseInvalidValue();
  editable_ = mode;
  QAbstractItemView::EditTriggers triggers = QAbstractItemView::NoEditTriggers;
  if (mode != flexEDNone) triggers = QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;
  if (mode == flexEDKbdMouse) triggers |= QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked;
  view_->setEditTriggers(triggers);
  frozen_->setEditTriggers(triggers);
  ViewChanged();
}

void GridControl::setRedraw(bool redraw) {
  redraw_ = redraw;
  if (redraw) Flush();
}

// ---- rows ---------------------------------------------------------------------------

void GridControl::AddItem(const QString& item, int index) {
  const int at = index < 0 ? data_.Rows() : index;
  if (at > data_.Rows()) RaiseOutOfRange();
  data_.InsertRow(at);
  const QStringList fields = item.split(u'\t');
  const int n = std::min(static_cast<int>(fields.size()), data_.Cols());
  for (int c = 0; c < n; ++c) data_.SetText(at, c, fields[c]);
  PlaceCurrent();
  StructureChanged(at);
}

void GridControl::RemoveItem(int index) {
  CheckRow(index);
  data_.RemoveRow(index);
  ClampCurrent();
  StructureChanged(index);
}

void GridControl::RemoveItems(std::vector<int> rows) {
  if (rows.empty()) return;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  CheckRow(rows.front());
  CheckRow(rows.back());
  data_.RemoveRows(rows);
  ClampCurrent();
  StructureChanged(rows.front());
}

void GridControl::Clear(int where, int what) {
  if (data_.Rows() == 0 || data_.Cols() == 0) return;
  int r1 = 0, r2 = data_.Rows() - 1, c1 = 0, c2 = data_.Cols() - 1;
  switch (where) {
    case flexClearEverywhere: break;
    case flexClearScrollable:
      r1 = fixedRows_;
      c1 = fixedCols_;
      break;
    case flexClearSelection:
      if (row_ < 0 || col_ < 0) return;
      r1 = std::min(row_, rowSel_);
      r2 = std::max(row_, rowSel_);
      c1 = std::min(col_, colSel_);
      c2 = std::max(col_, colSel_);
      break;
    default: RaiseInvalidValue();
  }
  if (what < flexClearEverything || what > flexClearFormatting) RaiseInvalidValue();
  const bool text = what != flexClearFormatting;
  const bool styles = what != flexClearText;
  data_.Clear(r1, r2, c1, c2, text, styles, where == flexClearEverywhere && what == flexClearEverything);
  ViewChanged();
}

void GridControl::setSort(int order) { Sort(order, false); }

void GridControl::SortShown(int order) { Sort(order, true); }

void GridControl::Sort(int order, bool shown) {
  if (order == flexSortNone) return;
  if (order != flexSortGenericAscending && order != flexSortGenericDescending) RaiseInvalidValue();
  if (col_ < 0) return;
  int r1 = std::min(row_, rowSel_);
  int r2 = std::max(row_, rowSel_);
  if (r1 == r2) {
    r1 = fixedRows_;
    r2 = data_.Rows() - 1;
  }
  r1 = std::max(r1, fixedRows_);
  const int c1 = std::min(col_, colSel_);
  const int c2 = std::max(col_, colSel_);
  data_.Sort(r1, r2, c1, c2, order == flexSortGenericDescending, shown);
  StructureChanged(r1);
}

// ---- sizing to contents -------------------------------------------------------------

double GridControl::CellMarginPx() const {
  return 2 * (view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1) + 2;
}

int GridControl::ValuesWidth(int col) const {
  CheckCol(col);
  return ValuesWidths(col, col).front();
}

std::vector<int> GridControl::ValuesWidths() const { return Cols() > 0 ? ValuesWidths(0, Cols() - 1) : std::vector<int>{}; }

std::vector<int> GridControl::ValuesWidths(int col1, int col2) const {
  grid::SizingRoom room;
  const std::vector<double> widest = grid::WidestCellsPx(data_, col1, col2, HeaderRows(), grid::CellFonts(view_->font()), room);
  std::vector<int> twips;
  for (double px : widest) twips.push_back(px > 0 ? PxToTwips(std::ceil(px + CellMarginPx())) : 0);
  return twips;
}

void GridControl::AutoSize(int col1, int col2) {
  if (col2 < 0) col2 = col1;
  if (col1 > col2) std::swap(col1, col2);
  CheckCol(col1);
  CheckCol(col2);
  const grid::CellFonts fonts(view_->font());
  QStyle* style = view_->style();
  const double cellMargin = CellMarginPx();
  const double headerMargin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view_->horizontalHeader()) + 4;
  const int first = HeaderRows();
  grid::SizingRoom room;
  const std::vector<double> widths = grid::WidestCellsPx(data_, col1, col2, first, fonts, room);
  for (int c = col1; c <= col2; ++c) {
    const double widest = widths[static_cast<size_t>(c - col1)];
    double px = widest > 0 ? widest + cellMargin : 0;
    if (first > 0) {
      const QString heading = data_.DisplayText(0, c);
      const bool bold = data_.Style(0, c).bold == 1;
      if (!heading.isEmpty()) px = std::max(px, fonts.Metrics(bold).horizontalAdvance(heading) + headerMargin);
    }
    data_.Column(c).widthTwips = PxToTwips(std::ceil(px));
  }
  ViewChanged();
}

// ---- screen updates -----------------------------------------------------------------

void GridControl::StructureChanged(int fromRow) {
  structureDirty_ = true;
  changedFrom_ = std::min(changedFrom_, fromRow);
  Schedule();
}

void GridControl::ViewChanged() {
  viewDirty_ = true;
  Schedule();
}

void GridControl::Schedule() {
  if (scheduled_ || !redraw_) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (scheduled_) Flush();
      },
      Qt::QueuedConnection);
}

void GridControl::Flush() {
  scheduled_ = false;
  data_.ReleaseSpareRoom();  // a reload has taken what it reuses by now
  if (!redraw_) return;
  syncing_ = true;
  if (structureDirty_) {
    structureDirty_ = false;
    if (model_->Rebuild(changedFrom_)) {
      viewDirty_ = true;
    } else {
      ApplyRowHeights();  // rows added keep the heights set for them
      cellsLast_ = std::min(cellsLast_, changedFrom_ - 1);  // rows inserted are read afresh
    }
    changedFrom_ = std::numeric_limits<int>::max();
    view_->SyncGeometries();
  }
  if (viewDirty_) {
    viewDirty_ = false;
    ApplyColumns();
    ApplyRowHeights();
    model_->Refresh();
  } else if (cellsFirst_ <= cellsLast_) {
    model_->Refresh(cellsFirst_, cellsLast_);
  }
  cellsFirst_ = std::numeric_limits<int>::max();
  cellsLast_ = -1;
  ApplyCurrent();
  syncing_ = false;
}

void GridControl::ApplyColumns() {
  const bool header = HeaderRows() > 0;
  view_->horizontalHeader()->setVisible(header);
  frozen_->horizontalHeader()->setVisible(header);
  const int frozenCount = std::min(fixedCols_ + frozenCols_, data_.Cols());
  const int defaultPx = DefaultColWidthPx();
  for (int c = 0; c < data_.Cols(); ++c) {
    const grid::ColumnInfo& info = data_.Column(c);
    const int px = info.widthTwips < 0 ? defaultPx : TwipsToPx(info.widthTwips);
    view_->setColumnHidden(c, info.hidden);
    frozen_->setColumnHidden(c, info.hidden || c >= frozenCount);
    view_->setColumnWidth(c, px);
    frozen_->setColumnWidth(c, px);
  }
  view_->UpdateFrozenGeometry();
}

void GridControl::ApplyRowHeights() {
  const int header = HeaderRows() > 0 ? data_.RowHeightTwips(0) : -1;
  for (QHeaderView* h : {view_->horizontalHeader(), frozen_->horizontalHeader()}) {
    if (header >= 0) {
      h->setFixedHeight(static_cast<int>(std::lround(ui::TwipsToPixelsY(header))));
    } else {
      h->setMinimumHeight(0);
      h->setMaximumHeight(QWIDGETSIZE_MAX);
    }
  }
  for (auto [row, twips] : data_.RowHeights()) {
    const int m = model_->ModelRow(row);
    if (m < 0) continue;
    const int px = static_cast<int>(std::lround(ui::TwipsToPixelsY(twips)));
    view_->setRowHeight(m, px);
    frozen_->setRowHeight(m, px);
  }
  view_->UpdateFrozenGeometry();
}

void GridControl::ApplyCurrent() {
  // The view's current cell is the corner the user moves (RowSel, ColSel); the rows
  // Row..RowSel are selected.
  QModelIndex cursor;
  QItemSelection selection;
  const int cols = model_->columnCount();
  if (row_ >= 0 && col_ >= 0 && cols > 0) {
    const auto [first, last] = model_->ModelRows(std::min(row_, rowSel_), std::max(row_, rowSel_));
    if (first <= last) selection.select(model_->index(first, 0), model_->index(last, cols - 1));
    const int m = model_->ModelRow(rowSel_);
    const int fallback = model_->ModelRow(row_);
    if (m >= 0 && colSel_ < cols)
      cursor = model_->index(m, colSel_);
    else if (fallback >= 0 && col_ < cols)
      cursor = model_->index(fallback, col_);
  }
  QItemSelectionModel* sm = view_->selectionModel();
  if (sm->currentIndex() != cursor) sm->setCurrentIndex(cursor, QItemSelectionModel::NoUpdate);
  if (sm->selection() != selection) sm->select(selection, QItemSelectionModel::ClearAndSelect);
  if (showRow_ >= 0) {
    const int m = model_->ModelRow(showRow_);
    if (m >= 0 && showCol_ < model_->columnCount()) view_->scrollTo(model_->index(m, showCol_));
    showRow_ = showCol_ = -1;
  }
}

void GridControl::OnViewCurrentChanged(const QModelIndex& current) {
  if (syncing_ || !current.isValid()) return;
  const int row = model_->GridRow(current.row());
  const bool extend = extending_ && row_ >= 0 && col_ >= 0;
  extending_ = false;
  if (row < 0) return;
  if (extend)
    SetCurrent(row_, col_, row, current.column());
  else
    SetCurrent(row, current.column(), row, current.column());
}

void GridControl::OnSectionResized(int col, int newSize) {
  if (syncing_ || col >= data_.Cols()) return;
  resizedDuringPress_ = true;
  data_.Column(col).widthTwips = PxToTwips(newSize);
  frozen_->setColumnWidth(col, newSize);
  view_->UpdateFrozenGeometry();
  emit ColumnResizedByUser(col);
}

bool GridControl::AllowEdit(const QModelIndex& index) {
  const int row = model_->GridRow(index.row());
  if (row < 0) return false;
  bool cancel = false;
  emit BeforeEdit(row, index.column(), &cancel);
  return !cancel;
}

void GridControl::EditorCommitted(int row, int col, const QString& text) {
  data_.SetText(row, col, text);
  CellsChanged(row, row);
  emit AfterEdit(row, col);
}

// ---- mouse --------------------------------------------------------------------------

void GridControl::TrackMouse(QObject* watched, const QPoint& pos) {
  for (QTableView* v : {static_cast<QTableView*>(view_), static_cast<QTableView*>(frozen_)}) {
    if (watched == v->horizontalHeader()->viewport()) {
      mouseRow_ = HeaderRows() > 0 ? 0 : -1;
      mouseCol_ = v->horizontalHeader()->logicalIndexAt(pos.x());
      return;
    }
    if (watched == v->viewport()) {
      const QModelIndex index = v->indexAt(pos);
      mouseRow_ = index.isValid() ? model_->GridRow(index.row()) : -1;
      mouseCol_ = index.isValid() ? index.column() : v->columnAt(pos.x());
      return;
    }
  }
}

bool GridControl::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (scheduled_) Flush();
      resizedDuringPress_ = false;
      TrackMouse(watched, static_cast<QMouseEvent*>(event)->position().toPoint());
      break;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !resizedDuringPress_) emit Click();
      break;
    case QEvent::MouseButtonDblClick:
      TrackMouse(watched, static_cast<QMouseEvent*>(event)->position().toPoint());
      emit DblClick();
      break;
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}

bool GridControl::PrintGrid(const QString& docName, int orientation, double marginLeft,
                            double marginTop, double marginRight, double marginBottom) const {
  GridPrintOptions options;
  options.documentName = docName;
  options.orientation = orientation;
  options.marginLeft = marginLeft;
  options.marginTop = marginTop;
  options.marginRight = marginRight;
  options.marginBottom = marginBottom;
  return PrintGridDocument(*this, options);
}

}  // namespace ctl
