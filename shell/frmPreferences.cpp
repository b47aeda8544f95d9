#include "shell/frmPreferences.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <optional>

#include "database/clsDB.h"
#include "platform/controls/GridControl.h"
#include "platform/controls/NumericEdit.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WaitCursor.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

constexpr int kHelpContext = 1090;
constexpr int kNameColTwips = 2300;
constexpr int kGridRows = 14;

const QString kDecimalsUnits = QStringLiteral("Decimals_Units");
const QString kDecimalsPerUnit = QStringLiteral("Decimals_PerUnit");
const QString kDecimalsAmounts = QStringLiteral("Decimals_Amounts");

// One row of the names grid: its caption and, for a field row, the field whose display
// name it holds.
struct NameRow {
  const char* caption;
  std::optional<store::CustomField> field;
};

// Rows 1 to 13; an empty caption leaves a row blank.
constexpr NameRow kNameRows[] = {
    {"Products & Inventory:", std::nullopt},
    {"  Part Number", store::CustomField::kPartNo},
    {"  Location", store::CustomField::kLocation},
    {"  Group", store::CustomField::kGroup},
    {"  Custom 1", store::CustomField::kCustom1},
    {"  Custom 2", store::CustomField::kCustom2},
    {"  Custom 3", store::CustomField::kCustom3},
    {"  Custom 4", store::CustomField::kCustom4},
    {"", std::nullopt},
    {"Transactions:", std::nullopt},
    {"  Notes", store::CustomField::kTranNotes},
    {"  Category", store::CustomField::kTranCategory},
    {"  Account", store::CustomField::kTranAccount},
};

ctl::NumericEdit* WholeNumberEdit(QWidget* parent, const QString& name, int64_t max) {
  auto* edit = new ctl::NumericEdit(ctl::NumericKind::LongInteger, parent);
  edit->setObjectName(name);
  edit->setRange(0, max);
  edit->setSpin(true);
  return edit;
}

QLabel* NamedLabel(const QString& text, const QString& name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

QPushButton* ResetButton(const QString& name, QWidget* parent) {
  auto* button = new QPushButton(QStringLiteral("Reset"), parent);
  button->setObjectName(name);
  button->setToolTip(QStringLiteral("Revert to original values"));
  button->setAutoDefault(false);
  return button;
}

// The numeric value of a stored parameter as a whole number; 0 when absent or not a
// number (and when it does not fit).
int64_t StoredNumber(const QString& key) {
  const double value = rt::Val(gDB().GetParamValue(key));
  return value >= 0 && value <= 2147483647.0 ? static_cast<int64_t>(rt::RoundHalfEven(value)) : 0;
}

}  // namespace

frmPreferences::frmPreferences(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmPreferences"));
  setWindowTitle(QStringLiteral("Preferences"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowIcon(ui::ProgramIcon(QStringLiteral("preferences-system")));

  TabCtl = new QTabWidget(this);
  TabCtl->setObjectName(QStringLiteral("TabCtl"));

  // Field names.
  auto* names = new QWidget(TabCtl);
  grdCustom = new ctl::GridControl(names);
  grdCustom->setObjectName(QStringLiteral("grdCustom"));
  cmdResetNames = ResetButton(QStringLiteral("cmdResetNames"), names);
  lblMsg = ui::PlainLabel(
      QStringLiteral("TIP: This screen allows you to customize field names & column headings."), names);
  lblMsg->setObjectName(QStringLiteral("lblMsg"));
  lblMsg->setWordWrap(true);
  auto* namesLayout = new QVBoxLayout(names);
  namesLayout->addWidget(grdCustom, 1);
  auto* namesFoot = new QHBoxLayout;
  namesFoot->addWidget(lblMsg, 1);
  namesFoot->addWidget(cmdResetNames, 0, Qt::AlignTop);
  namesLayout->addLayout(namesFoot);
  TabCtl->addTab(names, QStringLiteral("&Customize Field Names"));

  // Products.
  auto* products = new QWidget(TabCtl);
  Frame1 = new QGroupBox(QStringLiteral("Number of Decimal Places"), products);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Label4 = NamedLabel(QStringLiteral("Units:"), QStringLiteral("Label4"), Frame1);
  fpUnitDec = WholeNumberEdit(Frame1, QStringLiteral("fpUnitDec"), 4);
  Label1 = NamedLabel(QStringLiteral("Per Unit Cost/Price:"), QStringLiteral("Label1"), Frame1);
  fpPerUnitDec = WholeNumberEdit(Frame1, QStringLiteral("fpPerUnitDec"), 4);
  Label2 = NamedLabel(QStringLiteral("Amount:"), QStringLiteral("Label2"), Frame1);
  fpAmtDec = WholeNumberEdit(Frame1, QStringLiteral("fpAmtDec"), 4);
  auto* decimals = new QGridLayout(Frame1);
  const std::pair<QLabel*, ctl::NumericEdit*> decimalRows[] = {
      {Label4, fpUnitDec}, {Label1, fpPerUnitDec}, {Label2, fpAmtDec}};
  for (int r = 0; r < 3; ++r) {
    decimalRows[r].first->setBuddy(decimalRows[r].second);
    decimals->addWidget(decimalRows[r].first, r, 0);
    decimals->addWidget(decimalRows[r].second, r, 1);
  }
  decimals->setColumnStretch(2, 1);

  Frame2 = new QGroupBox(QStringLiteral("Other Options"), products);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  const QString optionTexts[] = {QStringLiteral("Product Name first"), QStringLiteral("Part Name First")};
  for (int i = 0; i < 2; ++i) {
    optProductDisplay[i] = new QRadioButton(optionTexts[i], Frame2);
    optProductDisplay[i]->setObjectName(QStringLiteral("optProductDisplay_%1").arg(i));
  }
  ckAutoAssignPN = new QCheckBox(QStringLiteral("Auto-Assign Part Numbers"), Frame2);
  ckAutoAssignPN->setObjectName(QStringLiteral("ckAutoAssignPN"));
  LabelNextPartNumber = NamedLabel(QStringLiteral("Next Part Number:"),
                                   QStringLiteral("LabelNextPartNumber"), Frame2);
  fpNextPartNumber = WholeNumberEdit(Frame2, QStringLiteral("fpNextPartNumber"), 2000000000);
  LabelNextPartNumber->setBuddy(fpNextPartNumber);
  auto* other = new QVBoxLayout(Frame2);
  other->addWidget(optProductDisplay[0]);
  other->addWidget(optProductDisplay[1]);
  other->addWidget(ckAutoAssignPN);
  auto* nextRow = new QHBoxLayout;
  nextRow->addSpacing(20);
  nextRow->addWidget(LabelNextPartNumber);
  nextRow->addWidget(fpNextPartNumber);
  nextRow->addStretch();
  other->addLayout(nextRow);

  cmdResetDataFormat = ResetButton(QStringLiteral("cmdResetDataFormat"), products);
  auto* productsLayout = new QVBoxLayout(products);
  productsLayout->addWidget(Frame1);
  productsLayout->addWidget(Frame2);
  productsLayout->addStretch();
  productsLayout->addLayout(ui::ButtonRow({}, {cmdResetDataFormat}));
  TabCtl->addTab(products, QStringLiteral("&Products"));

  // Transactions.
  auto* transactions = new QWidget(TabCtl);
  ckCheckInventoryLevel =
      new QCheckBox(QStringLiteral("Check physical inventory level before shipping product"), transactions);
  ckCheckInventoryLevel->setObjectName(QStringLiteral("ckCheckInventoryLevel"));
  auto* transactionsLayout = new QVBoxLayout(transactions);
  transactionsLayout->addWidget(ckCheckInventoryLevel);
  transactionsLayout->addStretch();
  TabCtl->addTab(transactions, QStringLiteral("&Transactions"));

  QHBoxLayout* buttons =
      ui::OkCancelRow(this, OKButton, QStringLiteral("OKButton"), CancelButton, QStringLiteral("CancelButton"));
  cmdApply = new QPushButton(QStringLiteral("Apply"), this);
  cmdApply->setObjectName(QStringLiteral("cmdApply"));
  cmdApply->setAutoDefault(false);
  buttons->addWidget(cmdApply);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TabCtl);
  layout->addLayout(buttons);

  ConnectClicks(this, {{OKButton, &frmPreferences::OKButton_Click},
                       {cmdApply, &frmPreferences::cmdApply_Click},
                       {CancelButton, &frmPreferences::CancelButton_Click},
                       {cmdResetDataFormat, &frmPreferences::cmdResetDataFormat_Click},
                       {cmdResetNames, &frmPreferences::cmdResetNames_Click}});
  ConnectTrapped(ckAutoAssignPN, &QCheckBox::toggled, this, &frmPreferences::EnableNextPartNumber,
                 QStringLiteral("frmPreferences_EnableNextPartNumber"));
  ConnectTrapped(grdCustom, &ctl::GridControl::BeforeEdit, this, &frmPreferences::grdCustom_BeforeEdit,
                 QStringLiteral("frmPreferences_grdCustom_BeforeEdit"));

  ui::SetHelpContext(*this, kHelpContext);
  Updated = true;
  LoadData();
  // The grid shows both columns and every row without scrolling.
  const int colsPx = static_cast<int>(ui::TwipsToPixelsX(2 * kNameColTwips));
  QTableView* view = grdCustom->view();
  const int rowsPx = view->horizontalHeader()->sizeHint().height() +
                     (kGridRows - 1) * view->verticalHeader()->defaultSectionSize();
  grdCustom->setMinimumSize(colsPx + 2 * view->frameWidth() + 2, rowsPx + 2 * view->frameWidth() + 2);
  ui::FixWindowSize(*this);
}

void frmPreferences::InitControls() {
  clsSystem& sys = gSystem();
  const QString partNo = ui::LiteralMnemonicText(gDB().PartNoDesc());
  optProductDisplay[0]->setText(QStringLiteral("Display Product Name first and then ") + partNo);
  optProductDisplay[1]->setText(QStringLiteral("Display ") + partNo + QStringLiteral(" first and then Product Name"));
  optProductDisplay[gDB().ProdPartNumberFirstGet() ? 1 : 0]->setChecked(true);
  ckAutoAssignPN->setChecked(sys.TrueFalse2ZeroOne(gDB().ProdAssignPartNumberGet()) == 1);
  ckCheckInventoryLevel->setChecked(sys.TrueFalse2ZeroOne(gDB().TranCheckInventoryLevelGet()) == 1);
  fpNextPartNumber->setLongValue(gDB().QueryNextPartNumber());
  m_nNextPartNumberShown = static_cast<int32_t>(fpNextPartNumber->LongValue());

  grdCustom->Clear();
  grdCustom->setCols(2);
  grdCustom->setEditable(ctl::flexEDKbdMouse);
  grdCustom->setTextMatrix(0, 0, QStringLiteral("Internal Name"));
  grdCustom->setTextMatrix(0, 1, QStringLiteral("Custom Display Name"));
  grdCustom->setColWidth(0, kNameColTwips);
  grdCustom->setColWidth(1, kNameColTwips);
  grdCustom->setColAlignment(1, ctl::flexAlignLeftCenter);
  grdCustom->setCell(ctl::flexcpFontBold, 0, 0, 0, grdCustom->Cols() - 1, true);
}

void frmPreferences::LoadData() {
  clsSystem& sys = gSystem();
  try {
    ui::ScopedHourglass hourglass;
    InitControls();
    int32_t row = 0;
    grdCustom->setRows(kGridRows);
    for (const NameRow& r : kNameRows) {
      sys.IncL(row);
      grdCustom->setTextMatrix(row, 0, QString::fromLatin1(r.caption));
      grdCustom->setTextMatrix(row, 1, QString());
      grdCustom->setRowData(row, r.field ? QVariant(store::Code(*r.field)) : QVariant());
    }
    grdCustom->setRows(row + 1);
    for (int32_t r = 0; r < grdCustom->Rows(); ++r) {
      if (HasKey(r)) grdCustom->setTextMatrix(r, 1, gDB().CustomFieldName(FieldOf(r)));
    }
    sys.GridSelectRow(*grdCustom, 1);
    fpUnitDec->setLongValue(StoredNumber(kDecimalsUnits));
    fpPerUnitDec->setLongValue(StoredNumber(kDecimalsPerUnit));
    fpAmtDec->setLongValue(StoredNumber(kDecimalsAmounts));
    EnableNextPartNumber();
  } catch (...) {
    rt::TrapError();
    sys.ShowError(QStringLiteral("frmPreferences_LoadData"));
  }
}

void frmPreferences::SaveData() {
  clsSystem& sys = gSystem();
  try {
    ui::ScopedHourglass hourglass;
    for (int32_t r = 0; r < grdCustom->Rows(); ++r) {
      if (HasKey(r)) gDB().SetCustomFieldName(FieldOf(r), grdCustom->TextMatrix(r, 1));
    }
    gDB().SetParamValue(kDecimalsUnits, fpUnitDec->Text());
    gDB().SetParamValue(kDecimalsPerUnit, fpPerUnitDec->Text());
    gDB().SetParamValue(kDecimalsAmounts, fpAmtDec->Text());
    gDB().ProdPartNumberFirstSet(optProductDisplay[1]->isChecked());
    gDB().ProdAssignPartNumberSet(sys.CK2TrueFalse(*ckAutoAssignPN));
    // Writing back the number as loaded would set back a counter that another copy
    // advanced meanwhile, and part numbers would be handed out twice.
    const auto next = static_cast<int32_t>(fpNextPartNumber->LongValue());
    if (next != m_nNextPartNumberShown) {
      gDB().SetNextPartNumber(next);
      m_nNextPartNumberShown = next;
    }
    gDB().TranCheckInventoryLevelSet(sys.CK2TrueFalse(*ckCheckInventoryLevel));
  } catch (...) {
    rt::TrapError();
    sys.ShowError(QStringLiteral("frmPreferences_SaveData"));
  }
}

void frmPreferences::EnableNextPartNumber() {
  const bool on = ckAutoAssignPN->checkState() != Qt::Unchecked;
  fpNextPartNumber->setEnabled(on);
  LabelNextPartNumber->setEnabled(on);
}

bool frmPreferences::CustomNamesFit() {
  clsSystem& sys = gSystem();
  for (int32_t r = 0; r < grdCustom->Rows(); ++r) {
    if (!HasKey(r)) continue;
    if (!sys.StoredTextFits(grdCustom->TextMatrix(r, 1),
                            QStringLiteral("the Custom Display Name of ") + grdCustom->TextMatrix(r, 0))) {
      sys.GridSelectRow(*grdCustom, r);
      return false;
    }
  }
  return true;
}

void frmPreferences::OKButton_Click() {
  if (!CustomNamesFit()) return;
  SaveData();
  Updated = true;
  accept();
}

void frmPreferences::cmdApply_Click() {
  if (!CustomNamesFit()) return;
  Updated = true;
  SaveData();
}

void frmPreferences::CancelButton_Click() { reject(); }

void frmPreferences::cmdResetDataFormat_Click() {
  const ui::ScopedHourglass hourglass;
  fpUnitDec->setLongValue(0);
  fpPerUnitDec->setLongValue(2);
  fpAmtDec->setLongValue(0);
  optProductDisplay[0]->setChecked(true);
  ckAutoAssignPN->setChecked(false);
}

void frmPreferences::cmdResetNames_Click() {
  const ui::ScopedHourglass hourglass;
  for (int32_t r = 0; r < grdCustom->Rows(); ++r) {
    if (HasKey(r)) grdCustom->setTextMatrix(r, 1, QString());
  }
}

void frmPreferences::grdCustom_BeforeEdit(int row, int col, bool* cancel) {
  if (col == 0 || !HasKey(row)) *cancel = true;
}

bool frmPreferences::HasKey(int row) const { return grdCustom->RowData(row).isValid(); }

store::CustomField frmPreferences::FieldOf(int row) const {
  return static_cast<store::CustomField>(grdCustom->RowData(row).toInt());
}
