#include "reports/UCRptCols.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "database/DbAccess.h"
#include "database/store/Reports.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

QPushButton* ArrowButton(QWidget* parent, const QString& text, const QString& name, const QString& tip) {
  QPushButton* button = ui::NamedButton(text, name, parent);
  button->setToolTip(tip);
  return button;
}

QListWidget* ColumnList(QWidget* parent, const QString& name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setMinimumWidth(200);
  return list;
}

}  // namespace

UCRptCols::UCRptCols(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("UCRptCols"));
  lblAvailable = new QLabel(QStringLiteral("Available Columns:"), this);
  lblAvailable->setObjectName(QStringLiteral("lblAvailable"));
  lstAvailableColumns = ColumnList(this, QStringLiteral("lstAvailableColumns"));
  lblSelected = new QLabel(QStringLiteral("Selected Columns:"), this);
  lblSelected->setObjectName(QStringLiteral("lblSelected"));
  lstSelectedColumns = ColumnList(this, QStringLiteral("lstSelectedColumns"));
  cmdAddDisplayCols = ArrowButton(this, QStringLiteral(">>"), QStringLiteral("cmdAddDisplayCols"),
                                  QStringLiteral("Select for Display"));
  cmdAddDisplayAllCols = ArrowButton(this, QStringLiteral(">>>>"), QStringLiteral("cmdAddDisplayAllCols"),
                                     QStringLiteral("Select All for Display"));
  cmdDelDispCol = ArrowButton(this, QStringLiteral("<<"), QStringLiteral("cmdDelDispCol"),
                              QStringLiteral("Remove from Display"));
  cmdAllDelDispCol = ArrowButton(this, QStringLiteral("<<<<"), QStringLiteral("cmdAllDelDispCol"),
                                 QStringLiteral("Remove All from Display"));
  cmdDispColUp = ArrowButton(this, QStringLiteral("Up"), QStringLiteral("cmdDispColUp"),
                             QStringLiteral("Move Up Display Order"));
  cmdDispColDown = ArrowButton(this, QStringLiteral("Down"), QStringLiteral("cmdDispColDown"),
                               QStringLiteral("Move Down in Display Order"));
  auto* tip = new QLabel(
      QStringLiteral("TIP: Display is sorted by the first column in 'Selected Columns' list box"), this);
  tip->setObjectName(QStringLiteral("Label1"));
  tip->setWordWrap(true);

  auto* middle = new QVBoxLayout;
  middle->addStretch();
  for (QPushButton* b : {cmdAddDisplayCols, cmdAddDisplayAllCols, cmdDelDispCol, cmdAllDelDispCol})
    middle->addWidget(b);
  middle->addStretch();
  auto* right = new QVBoxLayout;
  right->addStretch();
  right->addWidget(cmdDispColUp);
  right->addWidget(cmdDispColDown);
  right->addStretch();

  auto* grid = new QGridLayout(this);
  grid->addWidget(lblAvailable, 0, 0);
  grid->addWidget(lblSelected, 0, 2);
  grid->addWidget(lstAvailableColumns, 1, 0);
  grid->addLayout(middle, 1, 1);
  grid->addWidget(lstSelectedColumns, 1, 2);
  grid->addLayout(right, 1, 3);
  grid->addWidget(tip, 2, 0, 1, 4);

  ConnectClicks(this, {{cmdAddDisplayCols, &UCRptCols::cmdAddDisplayCols_Click},
                       {cmdAddDisplayAllCols, &UCRptCols::cmdAddDisplayAllCols_Click},
                       {cmdDelDispCol, &UCRptCols::cmdDelDispCol_Click},
                       {cmdAllDelDispCol, &UCRptCols::cmdAllDelDispCol_Click},
                       {cmdDispColUp, &UCRptCols::cmdDispColUp_Click},
                       {cmdDispColDown, &UCRptCols::cmdDispColDown_Click}});
  ConnectTrapped(lstAvailableColumns, &QListWidget::itemDoubleClicked, this, &UCRptCols::cmdAddDisplayCols_Click,
                 QStringLiteral("UCRptCols_cmdAddDisplayCols_Click"));
  ConnectTrapped(lstSelectedColumns, &QListWidget::itemDoubleClicked, this, &UCRptCols::cmdDelDispCol_Click,
                 QStringLiteral("UCRptCols_cmdDelDispCol_Click"));
}

void UCRptCols::Init(int32_t nRptType) {
  m_nRptType = nRptType;
  LoadAvailableColumns(*lstAvailableColumns);
}

void UCRptCols::LoadAvailableColumns(QListWidget& list) {
  try {
    std::vector<store::ReportColumn> columns;
    const store::Status read = store::Reports(gDB().Session()).Columns(m_nRptType, columns);
    // A catalogue that does not open leaves the list as it was.
    if (read.is(store::Failure::kNotOpened)) {
      dbaccess::Report(read, "UCRptCols_LoadAvailableColumns");
      return;
    }
    list.clear();
    for (const store::ReportColumn& c : columns) {
      QString caption = c.name;
      if (!c.customNameKey.isEmpty()) {
        const QString custom = gDB().GetParamValue(c.customNameKey);
        if (!custom.isEmpty()) caption = custom;
      }
      auto* item = new QListWidgetItem(caption, &list);
      item->setData(Qt::UserRole, c.id);
    }
    dbaccess::Report(read, "UCRptCols_LoadAvailableColumns");
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("UCRptCols_LoadAvailableColumns"));
  }
}

void UCRptCols::AddToSelected(int32_t nColID) {
  clsSystem& sys = gSystem();
  // lbGetPosForID answers 0 also when no row carries the id: a column that is not
  // available is skipped rather than copied from the first row.
  const int pos = sys.lbGetPosForID(*lstAvailableColumns, nColID);
  QListWidgetItem* from = lstAvailableColumns->item(pos);
  if (from == nullptr || from->data(Qt::UserRole).toInt() != nColID) return;
  auto* item = new QListWidgetItem(from->text(), lstSelectedColumns);
  item->setData(Qt::UserRole, nColID);
  sys.LBRemoveItemWithID(*lstAvailableColumns, nColID);
  sys.lbSelectAtID(*lstSelectedColumns, nColID);
}

void UCRptCols::RemoveSelectedFromAvailable() {
  for (int i = 0; i < lstSelectedColumns->count(); ++i)
    gSystem().LBRemoveItemWithID(*lstAvailableColumns,
                                 lstSelectedColumns->item(i)->data(Qt::UserRole).toInt());
}

void UCRptCols::cmdAddDisplayCols_Click() {
  if (lstAvailableColumns->currentRow() < 0) {
    ui::MsgBox(QStringLiteral("Select an 'Available Column' first!"), ui::vbExclamation);
    return;
  }
  AddToSelected(gSystem().lbGetItemID(*lstAvailableColumns));
}

void UCRptCols::cmdDelDispCol_Click() {
  if (lstSelectedColumns->currentRow() < 0) {
    ui::MsgBox(QStringLiteral("Select a 'Selected Column' first!"), ui::vbExclamation);
    return;
  }
  clsSystem& sys = gSystem();
  const int32_t id = sys.lbGetItemID(*lstSelectedColumns);
  sys.LBRemoveCurSelected(*lstSelectedColumns);
  LoadAvailableColumns(*lstAvailableColumns);
  RemoveSelectedFromAvailable();
  sys.lbSelectAtID(*lstAvailableColumns, id);
}

void UCRptCols::cmdAddDisplayAllCols_Click() {
  lstAvailableColumns->clear();
  LoadAvailableColumns(*lstSelectedColumns);
}

void UCRptCols::cmdAllDelDispCol_Click() {
  lstSelectedColumns->clear();
  LoadAvailableColumns(*lstAvailableColumns);
}

void UCRptCols::MoveSelected(int32_t nStep) {
  const int32_t row = lstSelectedColumns->currentRow();
  if (row >= 0) gSystem().LBSwapItems(*lstSelectedColumns, row, row + nStep);
  gSystem().CtlSetFocus(lstSelectedColumns);
}

void UCRptCols::cmdDispColUp_Click() { MoveSelected(-1); }
void UCRptCols::cmdDispColDown_Click() { MoveSelected(1); }

bool UCRptCols::Validate() {
  if (lstSelectedColumns->count() > 0) return true;
  ui::MsgBox(QStringLiteral("At least one column must be selected for display!"), ui::vbExclamation);
  return false;
}

void UCRptCols::SetValues(const QStringList& collColumns) {
  for (const QString& id : collColumns) AddToSelected(rt::CLngStored(id));
}

void UCRptCols::GetValues(QStringList& collColumns) const {
  collColumns.clear();
  for (int i = 0; i < lstSelectedColumns->count(); ++i)
    collColumns.append(QString::number(lstSelectedColumns->item(i)->data(Qt::UserRole).toInt()));
}
