#include "inventory/frmBatchTran.h"

#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "database/clsProductStats.h"
#include "database/store/Codes.h"
#include "inventory/TranEntry.h"
#include "platform/controls/NumericEdit.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Format.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Prompt.h"
#include "inventory/ProductCommands.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

using store::TranType;

namespace {

QToolButton* RowButton(const QString& name, const QString& icon, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(ui::ProgramIcon(icon));
  button->setToolTip(tip);
  return button;
}

ctl::NumericEdit* RowNumber(const QString& name, ctl::NumericKind kind, QWidget* parent) {
  auto* edit = new ctl::NumericEdit(kind, parent);
  edit->setObjectName(name);
  edit->setMinimumWidth(90);
  return edit;
}

}  // namespace

frmBatchTran::frmBatchTran(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmBatchTran"));
  setWindowTitle(QStringLiteral("Batch Inventory Transaction"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  lblHeading = inventory::NewHeading({}, this);
  txtDate = inventory::NewLine(QStringLiteral("txtDate"), this);
  cmdCalendar = inventory::NewCalendarButton(this);
  cboType = inventory::NewList(QStringLiteral("cboType"), 0, this);
  cboCategory = inventory::NewList(QStringLiteral("cboCategory"), 20, this);
  cmdCatTransaction = inventory::NewListButton(QStringLiteral("cmdCatTransaction"), this);
  cboAccount = inventory::NewList(QStringLiteral("cboAccount"), 20, this);
  cmdAcctTransaction = inventory::NewListButton(QStringLiteral("cmdAcctTransaction"), this);
  txtNote = inventory::NewNote(56, this);
  lblDate = inventory::NewLabel(QStringLiteral("lblDate"), QStringLiteral("Date:"), txtDate, this);
  Label1 = inventory::NewLabel(QStringLiteral("Label1"), QStringLiteral("Transaction Type:"), cboType, this);
  lblCat = inventory::NewLabel(QStringLiteral("lblCat"), QStringLiteral("Category:"), cboCategory, this);
  lblAcct = inventory::NewLabel(QStringLiteral("lblAcct"), QStringLiteral("Account:"), cboAccount, this);
  lblNote = inventory::NewLabel(QStringLiteral("lblNote"), QStringLiteral("Notes:"), txtNote, this);
  Label2 = inventory::NewLabel(QStringLiteral("Label2"), QStringLiteral("Products"), nullptr, this);
  Label3 = inventory::NewLabel(QStringLiteral("Label3"), QStringLiteral("Num Units"), nullptr, this);
  lblCost = inventory::NewLabel(QStringLiteral("lblCost"), QStringLiteral("Cost/Price Per Unit"), nullptr, this);

  auto* batch = new QGridLayout;
  batch->addWidget(lblDate, 0, 0);
  batch->addWidget(txtDate, 0, 1);
  batch->addWidget(cmdCalendar, 0, 2, Qt::AlignLeft);
  batch->addWidget(Label1, 0, 3);
  batch->addWidget(cboType, 0, 4);
  batch->addWidget(lblCat, 1, 0);
  batch->addWidget(cboCategory, 1, 1);
  batch->addWidget(cmdCatTransaction, 1, 2, Qt::AlignLeft);
  batch->addWidget(lblAcct, 1, 3);
  batch->addWidget(cboAccount, 1, 4);
  batch->addWidget(cmdAcctTransaction, 1, 5, Qt::AlignLeft);
  batch->addWidget(lblNote, 2, 0, Qt::AlignTop);
  batch->addWidget(txtNote, 2, 1, 1, 5);

  auto* rows = new QGridLayout;
  rows->addWidget(Label2, 0, 1);
  rows->addWidget(Label3, 0, 3);
  rows->addWidget(lblCost, 0, 4);
  for (int i = 0; i < kRows; ++i) {
    const QString n = QString::number(i);
    Label4[i] = inventory::NewLabel(QStringLiteral("Label4_") + n, QString::number(i + 1), nullptr, this);
    cboProducts[i] = inventory::NewList(QStringLiteral("cboProducts_") + n, 30, this);
    cmdLookupProduct[i] = RowButton(QStringLiteral("cmdLookupProduct_") + n, QStringLiteral("system-search"),
                                    QStringLiteral("Lookup Product"), this);
    fpUnits[i] = RowNumber(QStringLiteral("fpUnits_") + n, ctl::NumericKind::Double, this);
    fpCost[i] = RowNumber(QStringLiteral("fpCost_") + n, ctl::NumericKind::Currency, this);
    cmdClear[i] = RowButton(QStringLiteral("cmdClear_") + n, QStringLiteral("edit-select-none"),
                            QStringLiteral("Clear Selection"), this);
    rows->addWidget(Label4[i], i + 1, 0);
    rows->addWidget(cboProducts[i], i + 1, 1);
    rows->addWidget(cmdLookupProduct[i], i + 1, 2);
    rows->addWidget(fpUnits[i], i + 1, 3);
    rows->addWidget(fpCost[i], i + 1, 4);
    rows->addWidget(cmdClear[i], i + 1, 5);
    ConnectTrapped(cboProducts[i], &QComboBox::currentIndexChanged, this, [this, i] { cboProducts_Click(i); },
                   QStringLiteral("frmBatchTran_cboProducts_Click"));
    ConnectTrapped(cmdClear[i], &QToolButton::clicked, this, [this, i] { cmdClear_Click(i); },
                   QStringLiteral("frmBatchTran_cmdClear_Click"));
    ConnectTrapped(cmdLookupProduct[i], &QToolButton::clicked, this, [this, i] { cmdLookupProduct_Click(i); },
                   QStringLiteral("frmBatchTran_cmdLookupProduct_Click"));
  }
  rows->setColumnStretch(1, 1);
  QHBoxLayout* buttons =
      ui::OkCancelRow(this, cmdOK, QStringLiteral("cmdOK"), cmdCancel, QStringLiteral("cmdCancel"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addLayout(batch);
  layout->addSpacing(8);
  layout->addLayout(rows);
  layout->addLayout(buttons);
  ui::FixWindowSize(*this);

  new inventory::NoteKeepsEnter(*txtNote, *cmdOK);
  ConnectClicks(this, {{cmdOK, &frmBatchTran::cmdOK_Click},
                       {cmdCancel, &frmBatchTran::cmdCancel_Click}});
  ConnectClicks(this, &QComboBox::currentIndexChanged, {{cboType, &frmBatchTran::cboType_Click}});
  inventory::ConnectTranButtons(*this, *cmdCalendar, *txtDate, *cmdCatTransaction, *cboCategory, *cmdAcctTransaction,
                                *cboAccount);

  m_bOK = false;
  lblHeading->setText(QStringLiteral("New Batch Transaction"));
  SetupLists();
  txtDate->setText(gSystem().CurrDateShort());
  txtNote->setPlainText(rt::Format(QVariant::fromValue(rt::Now()), QStringLiteral("yyyy-mm-dd hh:mm:ss AM/PM")));
  SetProductEntryTabOrder();
}

void frmBatchTran::SetupLists() {
  clsDB& db = gDB();
  for (QComboBox* cbo : cboProducts) {
    const QSignalBlocker quiet(cbo);
    db.cboProducts(*cbo);
    cbo->setCurrentIndex(-1);
  }
  db.cboTranactionTypes(*cboType);
  cboType->setCurrentIndex(-1);
  inventory::RelabelTranFields(*lblNote, *lblCat, *lblAcct);
  inventory::LoadTranList(*cboCategory, store::Code(store::ListType::kTranCategory), -1);
  inventory::LoadTranList(*cboAccount, store::Code(store::ListType::kTranAccount), -1);
}

void frmBatchTran::SetProductEntryTabOrder() {
  const int32_t perUnit = gDB().DecimalsPerUnit();
  const int32_t units = gDB().DecimalsUnits();
  QWidget* previous = txtNote;
  for (int i = 0; i < kRows; ++i) {
    fpCost[i]->setFixedPoint(true);
    fpCost[i]->setDecimalPlaces(perUnit);
    fpUnits[i]->setFixedPoint(true);
    fpUnits[i]->setDecimalPlaces(units);
    for (QWidget* w : std::initializer_list<QWidget*>{cboProducts[i], fpUnits[i], fpCost[i]}) {
      setTabOrder(previous, w);
      previous = w;
    }
  }
}

void frmBatchTran::cboType_Click() {
  const int32_t type = gSystem().cboGetItemID(*cboType);
  const bool shrinkage = type == store::Code(TranType::kShrinkage);
  lblCost->setVisible(!shrinkage);
  for (ctl::NumericEdit* cost : fpCost) cost->setVisible(!shrinkage);
  lblCost->setText(inventory::UnitAmountCaption(type));
}

int32_t frmBatchTran::ProductOf(int i) const { return gSystem().cboGetItemID(*cboProducts[i]); }

void frmBatchTran::cboProducts_Click(int i) {
  const int32_t id = ProductOf(i);
  if (id <= 0) return;
  const QString problem = ValidateDateAndTranType();
  if (!problem.isEmpty()) {
    {
      const QSignalBlocker quiet(cboProducts[i]);
      cboProducts[i]->setCurrentIndex(-1);
    }
    ui::MsgBox(problem, ui::vbOKOnly);
    return;
  }
  fpCost[i]->setValue(inventory::DefaultUnitAmount(id, gSystem().cboGetItemID(*cboType), fpCost[i]->Value()));
}

void frmBatchTran::cmdClear_Click(int i) {
  fpCost[i]->setValue(rt::Currency(0));
  fpUnits[i]->setValue(rt::Currency(0));
  cboProducts[i]->setCurrentIndex(-1);
}

void frmBatchTran::cmdLookupProduct_Click(int i) {
  const int32_t id = inventory::LookupProductByPartNo();
  if (id > 0) gSystem().cboSelectAtID(*cboProducts[i], id);
}

QString frmBatchTran::ValidateDateAndTranType() {
  if (!rt::IsDate(txtDate->text())) {
    gSystem().CtlSetFocus(txtDate);
    return QStringLiteral("Please enter a valid transaction date!");
  }
  if (cboType->currentIndex() < 0) {
    gSystem().CtlSetFocus(cboType);
    return QStringLiteral("Please select transaction type!");
  }
  return {};
}

QString frmBatchTran::ValidateQuantity() {
  QString text;
  bool anyProduct = false;
  const int32_t type = gSystem().cboGetItemID(*cboType);
  const bool priced = type != store::Code(TranType::kShrinkage);
  for (int i = 0; i < kRows; ++i) {
    const QString n = QString::number(i + 1);
    const bool product = cboProducts[i]->currentIndex() >= 0;
    const bool units = fpUnits[i]->Value() > rt::Currency(0);
    anyProduct = anyProduct || product;
    if (product && !units) {
      text += QStringLiteral("Row ") + n + QStringLiteral(": Number of units must specified for ") +
              cboProducts[i]->currentText() + QLatin1Char('\n');
    } else if (product && !inventory::ProductStored(ProductOf(i))) {
      text += QStringLiteral("Row ") + n + QStringLiteral(": ") + cboProducts[i]->currentText() + QStringLiteral(": ") +
              inventory::ProductGoneText() + QLatin1Char('\n');
    } else if (units && !product) {
      text += QStringLiteral("Row ") + n + QStringLiteral(": Number of units (") + fpUnits[i]->Text() +
              QStringLiteral(") are specified but no product is selected.") + QLatin1Char('\n');
    } else if (product && priced && !TranValueFits(fpUnits[i]->Value(), fpCost[i]->Value())) {
      text += QStringLiteral("Row ") + n + QStringLiteral(": ") +
              TranValueTooLargeText(QStringLiteral("Num Units"), inventory::UnitAmountCaption(type)) + QLatin1Char('\n');
    }
  }
  if (text.isEmpty() && !anyProduct) return QStringLiteral("No product quantity has been entered!");
  return text;
}

QString frmBatchTran::ValidateFigures() {
  const std::vector<int> rows = FilledRows();
  const std::optional<std::vector<size_t>> overflowing = gDB().TranFiguresOverflow(GetInput());
  if (!overflowing) return QStringLiteral("The stock figures could not be checked. Nothing has been saved.");
  QString text;
  for (const size_t k : *overflowing) {
    const int i = rows[k];
    text += QStringLiteral("Row ") + QString::number(i + 1) + QStringLiteral(": ") +
            TranFiguresTooLargeText(cboProducts[i]->currentText()) + QLatin1Char('\n');
  }
  return text;
}

QString frmBatchTran::ValidateInventoryLevel() {
  QString text;
  for (int i : FilledRows()) text += CheckProductInventoryLevel(ProductOf(i), cboProducts[i]->currentText(), fpUnits[i]->Value());
  return text;
}

QString frmBatchTran::CheckProductInventoryLevel(int32_t nProductID, const QString& sProductName,
                                                 rt::Currency curUnits) {
  if (gSystem().cboGetItemID(*cboType) != store::Code(TranType::kShip) || !gDB().TranCheckInventoryLevelGet()) {
    return {};
  }
  clsProductStats stats;
  stats.Init(nProductID);
  if (!gDB().GetProductStats(stats)) return StockUnknownText(sProductName) + QLatin1Char('\n');
  if (!(curUnits > stats.m_curNumUnitsInStock_Physical)) return {};
  return QStringLiteral("There are ") + stats.m_curNumUnitsInStock_Physical.ToString() +
         QStringLiteral(" units in physical stock for ") + sProductName +
         QStringLiteral(". Recording this transaction will result in negative physical stock.") + QLatin1Char('\n');
}

std::vector<int> frmBatchTran::FilledRows() const {
  std::vector<int> rows;
  for (int i = 0; i < kRows; ++i) {
    if (ProductOf(i) > 0) rows.push_back(i);
  }
  return rows;
}

std::vector<clsTran> frmBatchTran::GetInput() {
  std::vector<clsTran> trans;
  for (int i : FilledRows()) {
    clsTran t;
    t.nProdId = ProductOf(i);
    t.sDate = txtDate->text();
    t.curUnitPrice = fpCost[i]->Value();
    t.curUnits = fpUnits[i]->Value();
    t.sNote = inventory::TranNoteForStore(txtNote->toPlainText());
    t.udTranType = gSystem().cboGetItemID(*cboType);
    t.nCatID = gSystem().cboGetItemID(*cboCategory);
    t.nAcctID = gSystem().cboGetItemID(*cboAccount);
    trans.push_back(t);
  }
  return trans;
}

void frmBatchTran::SaveRows() {
  const std::vector<int> rows = FilledRows();
  std::vector<clsTran> trans = GetInput();
  QString failed;
  for (size_t k = 0; k < rows.size(); ++k) {
    if (gDB().SaveTran(store::Code(store::SaveOper::kAdd), trans[k])) {
      cmdClear_Click(rows[k]);
    } else {
      failed += QStringLiteral("Row ") + QString::number(rows[k] + 1) + QStringLiteral(": ") +
                cboProducts[rows[k]]->currentText() + QLatin1Char('\n');
    }
  }
  if (failed.isEmpty()) {
    m_bOK = true;
    accept();
    return;
  }
  ui::MsgBox(QStringLiteral("These transactions could not be saved and are still listed:\n") + failed,
             ui::vbExclamation);
}

void frmBatchTran::cmdOK_Click() {
  try {
    m_bOK = false;
    QString problem = ValidateDateAndTranType();
    if (problem.isEmpty()) problem = ValidateQuantity();
    if (problem.isEmpty()) problem = ValidateFigures();
    if (problem.isEmpty()) problem = gSystem().UnstorableText({txtNote});
    if (!problem.isEmpty()) {
      ui::MsgBox(problem, ui::vbOKOnly, QStringLiteral("Validation error"));
      return;
    }
    const QString stock = ValidateInventoryLevel();
    if (!stock.isEmpty() &&
        ui::MsgBox(stock + QStringLiteral("\n\nDo you still want to record this transaction?"),
                   ui::vbYesNoCancel | ui::vbDefaultButton2) != ui::vbYes) {
      return;
    }
    SaveRows();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmBatchTran_cmdOK_Click()"));
  }
}

void frmBatchTran::cmdCancel_Click() { reject(); }

void frmBatchTran::reject() {
  m_bOK = false;
  QDialog::reject();
}
