#include "inventory/frmLookupProduct.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "database/store/Codes.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"

namespace {
const QString kPrefSearch = QStringLiteral("ProdSearch");
const QString kPrefSearchType = QStringLiteral("ProdSearchType");
}  // namespace

static_assert(frmLookupProduct::kByPartNo == store::Code(store::SearchType::kPartNo));

frmLookupProduct::frmLookupProduct(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmLookupProduct"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("Lookup Product"));
  ui::SetHelpContext(*this, 1641);
  lblHeading = ui::PlainLabel(QStringLiteral("Lookup Product"), this);
  lblHeading->setObjectName(QStringLiteral("lblHeading"));
  QFont bold = lblHeading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  lblHeading->setFont(bold);
  lstSearchType = new QListWidget(this);
  lstSearchType->setObjectName(QStringLiteral("lstSearchType"));
  lstSearchType->setMaximumHeight(lstSearchType->fontMetrics().height() * 3 + 8);
  QLabel* typeLabel = ui::PlainLabel(QStringLiteral("Select which field to look in:"), this);
  typeLabel->setBuddy(lstSearchType);
  txtProd = new QLineEdit(this);
  txtProd->setObjectName(QStringLiteral("txtProd"));
  QLabel* textLabel = ui::PlainLabel(QStringLiteral("Enter text to look for:"), this);
  textLabel->setBuddy(txtProd);
  cmdClear = ui::NamedButton(QStringLiteral("clear"), QStringLiteral("cmdClear"), this);
  QHBoxLayout* buttons = ui::OkCancelRow(this, OKButton, QStringLiteral("OKButton"), CancelButton,
                                         QStringLiteral("CancelButton"));
  QLabel* tip = ui::PlainLabel(QStringLiteral("Tip: This dialog box can be accessed by pressing CTRL-F"), this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addWidget(typeLabel);
  layout->addWidget(lstSearchType);
  layout->addWidget(textLabel);
  auto* textRow = new QHBoxLayout;
  textRow->addWidget(txtProd, 1);
  textRow->addWidget(cmdClear);
  layout->addLayout(textRow);
  layout->addWidget(tip);
  layout->addLayout(buttons);
  ui::FixWindowSize(*this, sizeHint().expandedTo(QSize(380, 0)));

  connect(cmdClear, &QPushButton::clicked, txtProd, &QLineEdit::clear);
  ConnectClicks(this, {{OKButton, &frmLookupProduct::OKButton_Click},
                       {CancelButton, &frmLookupProduct::CancelButton_Click}});

  clsSystem& sys = gSystem();
  lstSearchType->clear();
  auto add = [this](const QString& text, int32_t id) {
    auto* item = new QListWidgetItem(text, lstSearchType);
    item->setData(Qt::UserRole, id);
  };
  add(QStringLiteral("Product Name"), kByName);
  add(gDB().PartNoDesc(), kByPartNo);
  sys.lbSelectAtID(*lstSearchType, kByName);
  txtProd->setText(mdlRegistry::PrefGetString(kPrefSearch));
  txtProd->setSelection(0, static_cast<int>(txtProd->text().size()));
  sys.lbSelectAtID(*lstSearchType, mdlRegistry::PrefGetLong(kPrefSearchType));
  txtProd->setFocus();
}

void frmLookupProduct::OKButton_Click() {
  if (txtProd->text().trimmed().isEmpty()) {
    ui::MsgBox(QStringLiteral("Enter the text to search for."), ui::vbExclamation);
    return;
  }
  m_bOK = true;
  SaveLastEntries();
  accept();
}

void frmLookupProduct::SaveLastEntries() {
  mdlRegistry::PrefSaveString(kPrefSearch, txtProd->text());
  mdlRegistry::PrefSaveLong(kPrefSearchType, gSystem().lbGetItemID(*lstSearchType));
}

void frmLookupProduct::CancelButton_Click() {
  m_bOK = false;
  reject();
}
