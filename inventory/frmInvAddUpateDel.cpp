#include "inventory/frmInvAddUpateDel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "database/clsProductStats.h"
#include "database/store/Codes.h"
#include "inventory/TranEntry.h"
#include "inventory/ProductCommands.h"
#include "platform/controls/NumericEdit.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Prompt.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

using store::TranType;

namespace {

constexpr int32_t kNew = 0;
constexpr int32_t kEdit = 1;
constexpr int32_t kDelete = 2;

ctl::NumericEdit* NamedNumber(const QString& name, ctl::NumericKind kind, int32_t places, QWidget* parent) {
  auto* edit = new ctl::NumericEdit(kind, parent);
  edit->setObjectName(name);
  edit->setFixedPoint(true);
  edit->setDecimalPlaces(places);
  return edit;
}

}  // namespace

frmInvAddUpateDel::frmInvAddUpateDel(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmInvAddUpateDel"));
  setWindowTitle(QStringLiteral("Inventory Transaction"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  lblHeading = inventory::NewHeading({}, this);
  txtDate = inventory::NewLine(QStringLiteral("txtDate"), this);
  cmdCalendar = inventory::NewCalendarButton(this);
  cboType = inventory::NewList(QStringLiteral("cboType"), 24, this);
  txtProduct = inventory::NewNameLine(QStringLiteral("txtProduct"), this);
  cmdSummary = ui::NamedButton(QStringLiteral("Product Summary"), QStringLiteral("cmdSummary"), this);
  fpUnits = NamedNumber(QStringLiteral("fpUnits"), ctl::NumericKind::Double, gDB().DecimalsUnits(), this);
  fpCost = NamedNumber(QStringLiteral("fpCost"), ctl::NumericKind::Currency, gDB().DecimalsPerUnit(), this);
  cboCategory = inventory::NewList(QStringLiteral("cboCategory"), 24, this);
  cmdCatTransaction = inventory::NewListButton(QStringLiteral("cmdCatTransaction"), this);
  cboAccount = inventory::NewList(QStringLiteral("cboAccount"), 24, this);
  cmdAcctTransaction = inventory::NewListButton(QStringLiteral("cmdAcctTransaction"), this);
  txtNote = inventory::NewNote(80, this);
  lblDate = inventory::NewLabel(QStringLiteral("lblDate"), QStringLiteral("Date:"), txtDate, this);
  Label1 = inventory::NewLabel(QStringLiteral("Label1"), QStringLiteral("Transaction Type:"), cboType, this);
  Label2 = inventory::NewLabel(QStringLiteral("Label2"), QStringLiteral("Product:"), txtProduct, this);
  Label3 = inventory::NewLabel(QStringLiteral("Label3"), QStringLiteral("Number of Units:"), fpUnits, this);
  lblCost = inventory::NewLabel(QStringLiteral("lblCost"), QStringLiteral("Cost/Price Per Unit:"), fpCost, this);
  lblCat = inventory::NewLabel(QStringLiteral("lblCat"), QStringLiteral("Category:"), cboCategory, this);
  lblAcct = inventory::NewLabel(QStringLiteral("lblAcct"), QStringLiteral("Account:"), cboAccount, this);
  lblNote = inventory::NewLabel(QStringLiteral("lblNote"), QStringLiteral("Notes:"), txtNote, this);
  QHBoxLayout* buttons =
      ui::OkCancelRow(this, cmdOK, QStringLiteral("cmdOK"), cmdCancel, QStringLiteral("cmdCancel"));

  auto* grid = new QGridLayout;
  int row = 0;
  const auto add = [&](QLabel* label, QWidget* field, QWidget* extra = nullptr) {
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    if (extra) grid->addWidget(extra, row, 2, Qt::AlignLeft);
    ++row;
  };
  add(lblDate, txtDate, cmdCalendar);
  add(Label1, cboType);
  add(Label2, txtProduct, cmdSummary);
  add(Label3, fpUnits);
  add(lblCost, fpCost);
  add(lblCat, cboCategory, cmdCatTransaction);
  add(lblAcct, cboAccount, cmdAcctTransaction);
  grid->addWidget(lblNote, row, 0, Qt::AlignTop);
  grid->addWidget(txtNote, row, 1, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  ui::KeepPlaceWhenHidden(*lblCost);  // Shrinkage hides the cost
  ui::KeepPlaceWhenHidden(*fpCost);
  ui::FixWindowSize(*this);

  new inventory::NoteKeepsEnter(*txtNote, *cmdOK);
  ConnectClicks(this, {{cmdOK, &frmInvAddUpateDel::cmdOK_Click},
                       {cmdCancel, &frmInvAddUpateDel::cmdCancel_Click}});
  ConnectClicks(this, {{cmdSummary, [this] { gDB().ShowProductSummary(ProductId()); }}});
  ConnectClicks(this, &QComboBox::currentIndexChanged, {{cboType, &frmInvAddUpateDel::cboType_Click}});
  inventory::ConnectTranButtons(*this, *cmdCalendar, *txtDate, *cmdCatTransaction, *cboCategory, *cmdAcctTransaction,
                                *cboAccount);
  SetupLists();
}

void frmInvAddUpateDel::SetupLists() {
  gDB().cboTranactionTypes(*cboType);
  cboType->setCurrentIndex(-1);
  inventory::RelabelTranFields(*lblNote, *lblCat, *lblAcct);
}

void frmInvAddUpateDel::Init(int32_t udOper, const clsTran& udTran, int32_t nMaxUnits) {
  m_bOK = false;
  m_nMaxUnits = nMaxUnits;
  m_udOper = udOper;
  m_nTranID = udTran.nTranID;
  m_udTran.loaded = udOper == kNew ? std::nullopt : udTran.loaded;
  // Written back when their combo cannot show them (a list entry no longer there).
  m_udTran.nCatID = udTran.nCatID;
  m_udTran.nAcctID = udTran.nAcctID;
  switch (udOper) {
    case kNew:
    case kEdit:
      lblHeading->setText(udOper == kNew ? QStringLiteral("New Transaction") : QStringLiteral("Edit Transaction"));
      cmdOK->setText(QStringLiteral("OK"));
      cmdOK->setDefault(true);
      break;
    case kDelete:
      lblHeading->setText(QStringLiteral("Delete Transaction"));
      cmdOK->setText(QStringLiteral("DELETE"));
      cmdOK->setDefault(false);
      cmdCancel->setDefault(true);
      cmdCalendar->setEnabled(false);
      for (QWidget* w : std::initializer_list<QWidget*>{txtDate, cboType, txtProduct, fpUnits, fpCost, cboCategory,
                                                        cboAccount, txtNote}) {
        w->setEnabled(false);
      }
      break;
    default:
      break;
  }
  if (!udTran.sDate.isEmpty()) txtDate->setText(udTran.sDate);
  gSystem().cboSelectAtID(*cboType, udTran.udTranType);
  cboType_Click();
  QString name, partNo;
  gDB().GetProductName(udTran.nProdId, name, partNo);
  txtProduct->setText(gDB().MakeProductName(name, partNo));
  txtProduct->setProperty("Tag", QString::number(udTran.nProdId));
  fpUnits->setValue(udTran.curUnits);
  fpCost->setValue(udTran.curUnitPrice);
  txtNote->setPlainText(udTran.sNote);
  inventory::LoadTranList(*cboCategory, store::Code(store::ListType::kTranCategory), udTran.nCatID);
  inventory::LoadTranList(*cboAccount, store::Code(store::ListType::kTranAccount), udTran.nAcctID);
}

void frmInvAddUpateDel::ConvertFrom(int32_t udOutstandingType) {
  m_nConvertFrom = udOutstandingType;
  m_curOutstanding = fpUnits->Value();
  const TranType to = udOutstandingType == store::Code(TranType::kAllocate) ? TranType::kShip : TranType::kReceive;
  gSystem().cboSelectAtID(*cboType, store::Code(to));
  cboType->setEnabled(false);
  txtDate->setText(gSystem().CurrDateShort());
}

void frmInvAddUpateDel::FocusOnQty() {
  // The units field first in the tab order, so it has the focus when the dialog shows;
  // the date after the note.
  setTabOrder(fpUnits, fpCost);
  setTabOrder(txtNote, txtDate);
  fpUnits->setFocus();
}

int32_t frmInvAddUpateDel::ProductId() const { return txtProduct->property("Tag").toString().toInt(); }

void frmInvAddUpateDel::cboType_Click() {
  const int32_t type = gSystem().cboGetItemID(*cboType);
  const bool shrinkage = type == store::Code(TranType::kShrinkage);
  if (shrinkage || m_udOper != kDelete) {
    fpCost->setVisible(!shrinkage);
    lblCost->setVisible(!shrinkage);
  }
  lblCost->setText(inventory::UnitAmountCaption(type) + QLatin1Char(':'));
}

bool frmInvAddUpateDel::Fail(const QString& message, QWidget* focus) {
  ui::MsgBox(message, ui::vbExclamation | ui::vbOKOnly);
  if (focus) gSystem().CtlSetFocus(focus);
  return false;
}

bool frmInvAddUpateDel::Validate() {
  try {
    if (!rt::IsDate(txtDate->text())) return Fail(QStringLiteral("Please enter a valid transaction date!"), txtDate);
    if (ProductId() < 1) {
      return Fail(QStringLiteral("No product is selected. If the Product does not appear in Product field, it may "
                                 "be hidden. See View, Product List Maintenance menu to check whether a product is "
                                 "hidden."),
                  nullptr);
    }
    if (m_udOper == kNew && !inventory::ProductAccessible(ProductId())) return false;
    if (cboType->currentIndex() < 0) return Fail(QStringLiteral("Please select transaction type!"), nullptr);
    rt::Currency units = fpUnits->Value();
    if (m_nConvertFrom > 0 && fpUnits->Rounded(units) == fpUnits->Rounded(m_curOutstanding)) units = m_curOutstanding;
    if (units <= rt::Currency(0)) return Fail(QStringLiteral("Please enter number of units!"), fpUnits);
    if (m_nMaxUnits > 0 && units > rt::Currency(m_nMaxUnits)) {
      return Fail(QStringLiteral("Number of units may not exceed ") + QString::number(m_nMaxUnits) +
                      QStringLiteral(" for this transaction!"),
                  fpUnits);
    }
    const int32_t type = gSystem().cboGetItemID(*cboType);
    if (type != store::Code(TranType::kShrinkage) && !TranValueFits(units, fpCost->Value())) {
      return Fail(TranValueTooLargeText(QStringLiteral("Number of Units"), inventory::UnitAmountCaption(type)), fpUnits);
    }
    if (!gSystem().StoredTextFits({txtNote})) return false;
    m_udTran.nProdId = ProductId();
    m_udTran.nTranID = m_nTranID;
    m_udTran.curUnitPrice = fpCost->Value();
    m_udTran.curUnits = units;
    m_udTran.sDate = txtDate->text();
    m_udTran.sNote = inventory::TranNoteForStore(txtNote->toPlainText());
    m_udTran.udTranType = gSystem().cboGetItemID(*cboType);
    m_udTran.nCatID = gSystem().cboGetItemIDOr(*cboCategory, m_udTran.nCatID);
    m_udTran.nAcctID = gSystem().cboGetItemIDOr(*cboAccount, m_udTran.nAcctID);
    const std::optional<std::vector<size_t>> overflowing = gDB().TranFiguresOverflow({m_udTran});
    if (!overflowing) return false;
    if (!overflowing->empty()) return Fail(TranFiguresTooLargeText(txtProduct->text()), fpUnits);
    return CheckInventoryLevel(m_udTran);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmInvAddUpdateDel_Validate()"));
    return false;
  }
}

bool frmInvAddUpateDel::CheckInventoryLevel(const clsTran& tran) {
  if (tran.nTranID >= 0 || tran.udTranType != store::Code(TranType::kShip) || !gDB().TranCheckInventoryLevelGet()) {
    return true;
  }
  clsProductStats stats;
  stats.Init(tran.nProdId);
  const bool known = gDB().GetProductStats(stats);
  if (known && tran.curUnits <= stats.m_curNumUnitsInStock_Physical) return true;
  const QString text = (known ? QStringLiteral("There are ") + stats.m_curNumUnitsInStock_Physical.ToString() +
                                    QStringLiteral(" units in physical stock. Recording this transaction will result "
                                                   "in negative physical stock.")
                              : StockUnknownText(txtProduct->text())) +
                       QStringLiteral("\n\nDo you still want to record this transaction?");
  return ui::MsgBox(text, ui::vbYesNoCancel | ui::vbDefaultButton2) == ui::vbYes;
}

bool frmInvAddUpateDel::SaveNew() {
  if (!Validate()) return false;
  clsDB& db = gDB();
  bool saved;
  if (m_nTranID > 0) {
    // An earlier OK stored the row but could not read it back: that row is the one to
    // write again, never a second one.
    m_udTran.nTranID = m_nTranID;
    saved = db.SaveTran(store::Code(store::SaveOper::kUpdate), m_udTran);
  } else {
    saved = db.SaveTran(store::Code(store::SaveOper::kAdd), m_udTran);
    if (saved) m_nTranID = m_udTran.nTranID;
  }
  if (!saved || !db.TranStored(m_nTranID)) {
    ui::MsgBox(QStringLiteral("Unable to save transaction. Press OK on the Transaction Dialog Box to retry."),
               ui::vbOKOnly, QStringLiteral("Transaction Failed"));
    return false;
  }
  return true;
}

bool frmInvAddUpateDel::SaveEdit() {
  if (!Validate()) return false;
  if (!gDB().TransactionExists(m_udTran.nTranID)) return false;
  const std::optional<store::TranRow> loaded = m_udTran.loaded;
  const bool saved = m_nConvertFrom > 0 ? gDB().ConvertTran(m_udTran, m_nConvertFrom)
                                        : gDB().SaveTran(store::Code(store::SaveOper::kUpdate), m_udTran);
  if (!saved && m_udTran.loaded != loaded) {
    // The user took another user's change over the entries: show the stored row.
    const int32_t convertFrom = m_nConvertFrom;
    Init(m_udOper, m_udTran, m_nMaxUnits);
    if (convertFrom > 0) ConvertFrom(convertFrom);
  }
  return saved;
}

bool frmInvAddUpateDel::Delete() {
  m_udTran.nTranID = m_nTranID;
  if (!gDB().TransactionExists(m_udTran.nTranID)) return false;
  if (ui::MsgBox(QStringLiteral("Are you sure you want to delete this transaction?"),
                 ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton2) != ui::vbYes) {
    reject();
    return false;
  }
  return gDB().SaveTran(store::Code(store::SaveOper::kDelete), m_udTran);
}

void frmInvAddUpateDel::cmdOK_Click() {
  try {
    switch (m_udOper) {
      case kNew: m_bOK = SaveNew(); break;
      case kEdit: m_bOK = SaveEdit(); break;
      case kDelete: m_bOK = Delete(); break;
      default: m_bOK = false; break;
    }
    if (m_bOK) accept();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmInvAddUpdateDel_cmdOK_Click()"));
  }
}

void frmInvAddUpateDel::cmdCancel_Click() { reject(); }

void frmInvAddUpateDel::reject() {
  m_bOK = false;
  QDialog::reject();
}
