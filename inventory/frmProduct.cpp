#include "inventory/frmProduct.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "database/CustomFieldLabel.h"
#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/clsTran.h"
#include "database/store/Codes.h"
#include "inventory/ListMgmt.h"
#include "platform/controls/NumericEdit.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

using store::Code;
using store::ListType;

const QString kHiddenNotice = QStringLiteral(
    "Since Hide Product is checked, in the future, this product will not appear on the Current Inventory "
    "window or drop-down product lists.");

QLineEdit* NewText(const QString& name, int maxLength, QWidget* parent) {
  auto* t = new QLineEdit(parent);
  t->setObjectName(name);
  t->setMaxLength(maxLength);
  return t;
}

QComboBox* NewCombo(const QString& name, QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(false);
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  c->setMinimumContentsLength(24);
  return c;
}

QPushButton* ListButton(const QString& name, QWidget* parent) {
  QPushButton* b = ui::NamedButton(QStringLiteral("..."), name, parent);
  b->setToolTip(QStringLiteral("Modify list"));
  b->setFixedWidth(32);
  return b;
}

// The edits accept -9,000,000,000 .. 9,000,000,000.
ctl::NumericEdit* NewNumber(const QString& name, ctl::NumericKind kind, QWidget* parent) {
  auto* n = new ctl::NumericEdit(kind, parent);
  n->setObjectName(name);
  n->setRange(int64_t{-9000000000}, int64_t{9000000000});
  return n;
}

QLabel* Caption(const QString& text, QWidget* parent, const QString& name = {}) {
  QLabel* l = ui::PlainLabel(text, parent);
  if (!name.isEmpty()) l->setObjectName(name);
  return l;
}

// A row of the grid: caption, field, optional button.
void AddRow(QGridLayout& g, QLabel* caption, QWidget* field, QWidget* button = nullptr) {
  const int r = g.rowCount();
  caption->setBuddy(field);
  g.addWidget(caption, r, 0);
  g.addWidget(field, r, 1);
  if (button != nullptr) g.addWidget(button, r, 2);
}

QWidget* Page(QTabWidget& tabs, const QString& title, QGridLayout*& grid) {
  auto* page = new QWidget(&tabs);
  grid = new QGridLayout(page);
  grid->setColumnStretch(1, 1);
  tabs.addTab(page, title);
  return page;
}

}  // namespace

frmProduct::frmProduct(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmProduct"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  lblHeading = Caption(QString(), this, QStringLiteral("lblHeading"));
  QFont heading = ui::MapFont(QStringLiteral("Arial Black"), 12);
  heading.setBold(true);
  lblHeading->setFont(heading);
  tabProduct = new QTabWidget(this);
  tabProduct->setObjectName(QStringLiteral("tabProduct"));

  QGridLayout* g = nullptr;
  QWidget* main = Page(*tabProduct, QStringLiteral("Main"), g);
  lblPartNumber = Caption(QStringLiteral("Part Number:"), main, QStringLiteral("lblPartNumber"));
  txtPN = NewText(QStringLiteral("txtPN"), 40, main);
  AddRow(*g, lblPartNumber, txtPN);
  auto* nameCaption = new QWidget(main);
  auto* nameRow = new QHBoxLayout(nameCaption);
  nameRow->setContentsMargins(0, 0, 0, 0);
  QLabel* nameLabel = Caption(QStringLiteral("Name:"), nameCaption);
  nameRow->addWidget(nameLabel);
  QLabel* required = Caption(QStringLiteral("(required)"), nameCaption);
  required->setFont(ui::MapFont(QStringLiteral("Small Fonts"), 7));
  nameRow->addWidget(required);
  nameRow->addStretch();
  txtName = NewText(QStringLiteral("txtName"), 120, main);
  nameLabel->setBuddy(txtName);
  g->addWidget(nameCaption, g->rowCount(), 0);
  g->addWidget(txtName, g->rowCount() - 1, 1, 1, 2);
  lblLocation = Caption(QStringLiteral("Location:"), main, QStringLiteral("lblLocation"));
  cboLocation = NewCombo(QStringLiteral("cboLocation"), main);
  cmdCatProdLocation = ListButton(QStringLiteral("cmdCatProdLocation"), main);
  AddRow(*g, lblLocation, cboLocation, cmdCatProdLocation);
  lblGroup = Caption(QStringLiteral("Group:"), main, QStringLiteral("lblGroup"));
  cboGroup = NewCombo(QStringLiteral("cboGroup"), main);
  cmdCatProdGroup = ListButton(QStringLiteral("cmdCatProdGroup"), main);
  AddRow(*g, lblGroup, cboGroup, cmdCatProdGroup);
  lblBI = Caption(QStringLiteral("Beginning Inventory:"), main, QStringLiteral("lblBI"));
  fpBI = NewNumber(QStringLiteral("fpBI"), ctl::NumericKind::Double, main);
  AddRow(*g, lblBI, fpBI);
  ckHide = new QCheckBox(QStringLiteral("Hide Product"), main);
  ckHide->setObjectName(QStringLiteral("ckHide"));
  ckHide->setToolTip(QStringLiteral("Check here to hide this product from all SVL Lists"));
  g->addWidget(ckHide, g->rowCount(), 1);
  lblMsg = Caption(QString(), main, QStringLiteral("lblMsg"));
  lblMsg->setWordWrap(true);
  lblMsg->setFont(ui::MapFont(QStringLiteral("Small Fonts"), 7));
  g->addWidget(lblMsg, g->rowCount(), 0, 1, 3);
  g->setRowStretch(g->rowCount(), 1);

  QWidget* ordering = Page(*tabProduct, QStringLiteral("Ordering Info"), g);
  fpReorder = NewNumber(QStringLiteral("fpReorder"), ctl::NumericKind::Double, ordering);
  AddRow(*g, Caption(QStringLiteral("Re-order Level:"), ordering), fpReorder);
  fpReorderQty = NewNumber(QStringLiteral("fpReorderQty"), ctl::NumericKind::Double, ordering);
  AddRow(*g, Caption(QStringLiteral("Re-order quantity:"), ordering), fpReorderQty);
  txtLeadTime = NewText(QStringLiteral("txtLeadTime"), 20, ordering);
  AddRow(*g, Caption(QStringLiteral("Lead Time:"), ordering), txtLeadTime);
  cboManuf = NewCombo(QStringLiteral("cboManuf"), ordering);
  cmdCatManuf = ListButton(QStringLiteral("cmdCatManuf"), ordering);
  AddRow(*g, Caption(QStringLiteral("Manufacturer:"), ordering), cboManuf, cmdCatManuf);
  cboVendor = NewCombo(QStringLiteral("cboVendor"), ordering);
  cmdCatVendor = ListButton(QStringLiteral("cmdCatVendor"), ordering);
  AddRow(*g, Caption(QStringLiteral("Vendor:"), ordering), cboVendor, cmdCatVendor);
  fpStdCost = NewNumber(QStringLiteral("fpStdCost"), ctl::NumericKind::Currency, ordering);
  AddRow(*g, Caption(QStringLiteral("Std Unit Cost:"), ordering), fpStdCost);
  fpStdPrice = NewNumber(QStringLiteral("fpStdPrice"), ctl::NumericKind::Currency, ordering);
  AddRow(*g, Caption(QStringLiteral("Std Unit Price:"), ordering), fpStdPrice);
  g->setRowStretch(g->rowCount(), 1);

  QWidget* additional = Page(*tabProduct, QStringLiteral("Additional Info"), g);
  const char* const custCaptions[] = {"Custom 1:", "Custom 2:", "Custom 3 (url):", "Custom 4 (url):"};
  for (int i = 0; i < 4; ++i) {
    lblCust[i] = Caption(QLatin1String(custCaptions[i]), additional, QStringLiteral("lblCust%1").arg(i));
    txtCustom[i] = NewText(QStringLiteral("txtCustom%1").arg(i), 80, additional);
  }
  AddRow(*g, lblCust[0], txtCustom[0]);
  AddRow(*g, lblCust[1], txtCustom[1]);
  cmdCustom3 = ui::NamedButton(QStringLiteral("Go"), QStringLiteral("cmdCustom3"), additional);
  cmdSetCustom3 = ui::NamedButton(QStringLiteral("Set"), QStringLiteral("cmdSetCustom3"), additional);
  cmdCustom4 = ui::NamedButton(QStringLiteral("Go"), QStringLiteral("cmdCustom4"), additional);
  CmdSetCustom4 = ui::NamedButton(QStringLiteral("Set"), QStringLiteral("CmdSetCustom4"), additional);
  for (int i : {2, 3}) {
    auto* box = new QWidget(additional);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(txtCustom[i], 1);
    row->addWidget(i == 2 ? cmdCustom3 : cmdCustom4);
    row->addWidget(i == 2 ? cmdSetCustom3 : CmdSetCustom4);
    AddRow(*g, lblCust[i], box);
    lblCust[i]->setBuddy(txtCustom[i]);
  }
  QLabel* tip = Caption(QStringLiteral("TIP: Names of these fields can be customized. See View, Preferences menu."),
                        additional);
  tip->setWordWrap(true);
  g->addWidget(tip, g->rowCount(), 0, 1, 2);
  g->setRowStretch(g->rowCount(), 1);

  auto* notes = new QWidget(tabProduct);
  auto* notesLayout = new QVBoxLayout(notes);
  // No limit of its own: the memo stores the whole text, whatever its length.
  txtNotes = new QPlainTextEdit(notes);
  txtNotes->setObjectName(QStringLiteral("txtNotes"));
  txtNotes->setAccessibleName(QStringLiteral("Notes"));
  txtNotes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  notesLayout->addWidget(txtNotes);
  tabProduct->addTab(notes, QStringLiteral("Notes"));

  QHBoxLayout* okRow = ui::OkCancelRow(this, OKButton, QStringLiteral("OKButton"), CancelButton,
                                       QStringLiteral("CancelButton"));
  cmdPrint = ui::NamedButton(QStringLiteral("&Product Summary"), QStringLiteral("cmdPrint"), this);
  okRow->insertWidget(0, cmdPrint);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addWidget(tabProduct, 1);
  layout->addLayout(okRow);
  ui::FixWindowSize(*this);  // follows the heading, which names the product

  ConnectClicks(this, {{OKButton, &frmProduct::OKButton_Click},
                       {CancelButton, &frmProduct::CancelButton_Click},
                       {cmdPrint, &frmProduct::cmdPrint_Click}});
  ConnectTrapped(ckHide, &QCheckBox::toggled, this, &frmProduct::ckHide_Click,
                 QStringLiteral("frmProduct_ckHide_Click"));
  ConnectTrapped(tabProduct, &QTabWidget::currentChanged, this, &frmProduct::Tab_Click,
                 QStringLiteral("frmProduct_Tab_Click"));
  ConnectClicks(this, {{cmdCatProdGroup, [this] { EditList(inventory::kProductGroups, *cboGroup); }},
                       {cmdCatProdLocation, [this] { EditList(inventory::kProductLocations, *cboLocation); }},
                       {cmdCatManuf, [this] { EditList(inventory::kProductManufacturers, *cboManuf); }},
                       {cmdCatVendor, [this] { EditList(inventory::kProductVendors, *cboVendor); }},
                       {cmdCustom3, [this] { LaunchCustomField(*txtCustom[2]); }},
                       {cmdCustom4, [this] { LaunchCustomField(*txtCustom[3]); }},
                       {cmdSetCustom3, [this] { BrowseCustomField(*txtCustom[2]); }},
                       {CmdSetCustom4, [this] { BrowseCustomField(*txtCustom[3]); }}});

  Form_Load();
  txtPN->setFocus();
}

void frmProduct::FillCombo(QComboBox& cbo, int32_t nListType, int32_t nSelectID) {
  gDB().LoadListCombo(cbo, static_cast<ListType>(nListType), true, true, nSelectID);
}

void frmProduct::Form_Load() {
  lblMsg->clear();
  FillCombo(*cboLocation, Code(ListType::kLocation), -1);
  FillCombo(*cboGroup, Code(ListType::kProductGroup), -1);
  FillCombo(*cboManuf, Code(ListType::kManufacturer), -1);
  FillCombo(*cboVendor, Code(ListType::kVendor), -1);
  using store::CustomField;
  const std::pair<QLabel*, CustomField> labels[] = {
      {lblPartNumber, CustomField::kPartNo}, {lblLocation, CustomField::kLocation}, {lblGroup, CustomField::kGroup},
      {lblCust[0], CustomField::kCustom1},   {lblCust[1], CustomField::kCustom2},   {lblCust[2], CustomField::kCustom3},
      {lblCust[3], CustomField::kCustom4}};
  for (const auto& [label, field] : labels) SetCustomFieldLabel(*label, field);
  for (ctl::NumericEdit* n : {fpBI, fpReorder, fpReorderQty, fpStdCost, fpStdPrice}) n->setFixedPoint(true);
  fpBI->setDecimalPlaces(gDB().DecimalsUnits());
  fpReorder->setDecimalPlaces(0);
  fpReorderQty->setDecimalPlaces(0);
  fpStdCost->setDecimalPlaces(gDB().DecimalsPerUnit());
  fpStdPrice->setDecimalPlaces(gDB().DecimalsPerUnit());
}

bool frmProduct::Init(clsProd& ProdInfo) {
  m_prod = &ProdInfo;
  if (ProdInfo.nProdId > 0 && !ProdInfo.LoadForEdit(ProdInfo.nProdId)) return false;
  SetControls();
  return true;
}

void frmProduct::SetControls() {
  clsSystem& sys = gSystem();
  try {
    const clsProd& p = *m_prod;
    m_bLoading = true;
    txtPN->setText(p.sPartNo);
    txtName->setText(p.sProdName);
    sys.cboSelectAtID(*cboLocation, p.nLocation);
    sys.cboSelectAtID(*cboGroup, p.nGroup);
    ckHide->setChecked(p.bHide);
    const bool isNew = p.nProdId < 1;
    QString heading = QStringLiteral("New Product");
    if (!isNew) {
      heading = QStringLiteral("Edit '") + p.sProdName.left(40) +
                (p.sProdName.size() > 40 ? QStringLiteral("...") : QString()) + QStringLiteral("'");
    }
    lblHeading->setText(heading);
    cmdPrint->setVisible(!isNew);
    fpBI->setVisible(isNew);
    lblBI->setVisible(isNew);
    setWindowTitle(heading);
    fpReorder->setValue(p.curReOrderLevel);
    fpReorderQty->setValue(p.curReOrderQty);
    txtLeadTime->setText(p.sLeadTime);
    sys.cboSelectAtID(*cboManuf, p.nManuf);
    sys.cboSelectAtID(*cboVendor, p.nVendor);
    fpStdCost->setValue(p.curStdCost);
    fpStdPrice->setValue(p.curStdPrice);
    txtCustom[0]->setText(p.sCustom1);
    txtCustom[1]->setText(p.sCustom2);
    txtCustom[2]->setText(p.sCustom3);
    txtCustom[3]->setText(p.sCustom4);
    txtNotes->setPlainText(p.sNotes);
    m_bLoading = false;
  } catch (...) {
    m_bLoading = false;
    rt::TrapError();
    sys.ShowError(QStringLiteral("frmProduct_SetControls"));
  }
}

bool frmProduct::Validate() {
  try {
    if (txtName->text().trimmed().isEmpty()) {
      ui::MsgBox(QStringLiteral("Product Name is required!"), ui::vbExclamation);
      return false;
    }
    if (!gSystem().StoredTextFits({txtPN, txtName, txtLeadTime, txtCustom[0], txtCustom[1], txtCustom[2],
                                   txtCustom[3], txtNotes})) {
      return false;
    }
    // The beginning inventory is recorded as a Receive at the standard cost.
    if (!TranValueFits(fpBI->Value(), fpStdCost->Value())) {
      ui::MsgBox(TranValueTooLargeText(QStringLiteral("Beginning Inventory"), QStringLiteral("Std Unit Cost")),
                 ui::vbExclamation);
      gSystem().CtlSetFocus(fpBI);
      return false;
    }
    const QString partNo = txtPN->text().trimmed();
    if (!partNo.isEmpty()) {
      if (gDB().ProductPNExists(partNo.toUpper(), m_prod->nProdId)) {
        const QString p = gDB().PartNoDesc();
        const QString text = QStringLiteral("DUPLICATE ") + p + QStringLiteral(": ") + QStringLiteral("A product with this ") +
                             p + QStringLiteral(" already exists. Do you still wish to save this information?");
        if (ui::MsgBox(text, ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton2) != ui::vbYes) return false;
      }
    }
    return true;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmProduct_Validate"));
    return false;
  }
}

void frmProduct::WriteBack() {
  clsSystem& sys = gSystem();
  clsProd& p = *m_prod;
  p.sPartNo = txtPN->text().trimmed();
  p.sProdName = txtName->text().trimmed();
  p.nLocation = sys.cboGetItemIDOr(*cboLocation, p.nLocation);
  p.nGroup = sys.cboGetItemIDOr(*cboGroup, p.nGroup);
  // Read also while hidden: an existing product's edit keeps 0, so no second
  // beginning inventory is recorded.
  p.curBeginningInventory = fpBI->Value();
  p.bHide = sys.CK2TrueFalse(*ckHide);
  p.curReOrderLevel = fpReorder->Value();
  p.curReOrderQty = fpReorderQty->Value();
  p.sLeadTime = txtLeadTime->text();
  p.nManuf = sys.cboGetItemIDOr(*cboManuf, p.nManuf);
  p.nVendor = sys.cboGetItemIDOr(*cboVendor, p.nVendor);
  p.curStdCost = fpStdCost->Value();
  p.curStdPrice = fpStdPrice->Value();
  p.sCustom1 = txtCustom[0]->text();
  p.sCustom2 = txtCustom[1]->text();
  p.sCustom3 = txtCustom[2]->text();
  p.sCustom4 = txtCustom[3]->text();
  p.sNotes = txtNotes->toPlainText();
}

void frmProduct::OKButton_Click() {
  try {
    if (!Validate()) return;
    WriteBack();
    const std::optional<store::ProductRecord> loaded = m_prod->loaded;
    const bool saved = m_prod->SaveEdited();
    // The failure has been reported; the entries stay for another try or Cancel, unless
    // the user took another user's change instead.
    if (!saved && m_prod->loaded != loaded) SetControls();
    if (!saved) return;
    m_bOK = true;
    accept();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmProduct_OKButton_Click"));
  }
}

void frmProduct::CancelButton_Click() {
  m_bOK = false;
  reject();
}

void frmProduct::ckHide_Click() {
  lblMsg->clear();
  if (!ckHide->isChecked()) return;
  lblMsg->setText(kHiddenNotice);
  if (m_bLoading) return;
  ui::MsgBox(kHiddenNotice + gSystem().LF(2) +
                 QStringLiteral("You can manage all products including hidden products from the Product List "
                                "Maintenance Window (see View, Product List Maintenance menu)."),
             ui::vbInformation, QStringLiteral("Product is now hidden"));
}

void frmProduct::EditList(const inventory::ListDef& list, QComboBox& cbo) {
  inventory::ListMgmt(list, false);
  FillCombo(cbo, Code(list.type), gSystem().cboGetItemID(cbo));
  gSystem().CtlSetFocus(&cbo);
}

// The whole text is one target, an address or a file: never split into a program and
// its arguments.
void frmProduct::LaunchCustomField(QLineEdit& txt) {
  const QString target = txt.text().trimmed();
  if (!target.isEmpty()) {
    gSystem().LaunchFile(target, QString(), QString());
    return;
  }
  const int answer = ui::MsgBox(
      QStringLiteral("You may enter a URL or a path to a document or an executable in this field that will launch "
                     "when Go is pressed.") +
          gSystem().LF(2) + QStringLiteral("Do you want to browse for a file now?"),
      ui::vbYesNoCancel | ui::vbQuestion);
  if (answer == ui::vbYes) BrowseCustomField(txt);
}

void frmProduct::BrowseCustomField(QLineEdit& txt) {
  QString file;
  const int flags = ui::OFN_HIDEREADONLY | ui::OFN_PATHMUSTEXIST | ui::OFN_FILEMUSTEXIST | ui::OFN_EXPLORER |
                    ui::OFN_LONGNAMES;
  if (gSystem().GetFilename(file, QStringLiteral("*.*"), flags, QStringLiteral("Open"), false, this)) {
    txt.setText(file);
  }
}

void frmProduct::cmdPrint_Click() {
  if (m_prod != nullptr && m_prod->nProdId > 0) gDB().ShowProductSummary(m_prod->nProdId);
}

void frmProduct::Tab_Click(int index) {
  // Enter in the notes is a new line, never OK.
  if (index == 3) OKButton->setDefault(false);
}
