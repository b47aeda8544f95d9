#include "reports/UCInvSel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "database/clsDB.h"
#include "database/clsInvSelCriteria.h"
#include "database/store/Codes.h"
#include "platform/ui/ButtonRow.h"
#include "reports/CriteriaLists.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

using reports::Caption;
using reports::DropDown;

// Indicate codes of the three option buttons, in button order.
constexpr int32_t kIndicateCodes[3] = {1, 2, 0};

// "All " & caption, then the entries of the list type, the "all" entry selected.
void LoadCategoryList(QComboBox& cbo, const QString& caption, store::ListType type) {
  cbo.clear();
  reports::AddItem(cbo, QStringLiteral("All ") + caption, -1);
  gDB().LoadListCombo(cbo, type, false, false, -1);
  gSystem().cboSelectAtID(cbo, -1);
}

}  // namespace

UCInvSel::UCInvSel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("UCInvSel"));
  lblProdGroup = Caption(this, QStringLiteral("Product Group:"), QStringLiteral("lblProdGroup"));
  cboProdGroup = DropDown(this, QStringLiteral("cboProdGroup"));
  cboLocation = DropDown(this, QStringLiteral("cboLocation"));
  cboInvSelCriteria = DropDown(this, QStringLiteral("cboInvSelCriteria"));
  txtSearchStr = new QLineEdit(this);
  txtSearchStr->setObjectName(QStringLiteral("txtSearchStr"));
  cmdClear = ui::NamedButton(QStringLiteral("clear"), QStringLiteral("cmdClear"), this);
  lstSearchType = new QListWidget(this);
  lstSearchType->setObjectName(QStringLiteral("lstSearchType"));
  lstSearchType->setMaximumHeight(48);
  frmOptInd = new QGroupBox(QStringLiteral("Indicate"), this);
  frmOptInd->setObjectName(QStringLiteral("frmOptInd"));
  const QString captions[3] = {QStringLiteral("Products to Re-Order"),
                               QStringLiteral("Out of Stock Products"), QStringLiteral("None")};
  auto* indicate = new QVBoxLayout(frmOptInd);
  for (int i = 0; i < 3; ++i) {
    optIndicate[i] = new QRadioButton(captions[i], frmOptInd);
    optIndicate[i]->setObjectName(QStringLiteral("optIndicate") + QString::number(i));
    indicate->addWidget(optIndicate[i]);
  }
  optIndicate[2]->setChecked(true);
  cmdReset = ui::NamedButton(QStringLiteral("Reset"), QStringLiteral("cmdReset"), this);

  auto* grid = new QGridLayout;
  grid->addWidget(lblProdGroup, 0, 0);
  grid->addWidget(cboProdGroup, 0, 1, 1, 2);
  grid->addWidget(Caption(this, QStringLiteral("Location:"), QStringLiteral("Label5")), 1, 0);
  grid->addWidget(cboLocation, 1, 1, 1, 2);
  grid->addWidget(Caption(this, QStringLiteral("Inventory Level:"), QStringLiteral("Label3")), 2, 0);
  grid->addWidget(cboInvSelCriteria, 2, 1, 1, 2);
  grid->addWidget(Caption(this, QStringLiteral("Enter the text to search for:"), QStringLiteral("Label2")), 3,
                  0);
  grid->addWidget(txtSearchStr, 3, 1);
  grid->addWidget(cmdClear, 3, 2);
  grid->addWidget(lstSearchType, 4, 1, 1, 2);
  grid->addWidget(
      Caption(this, QStringLiteral("Tip: Leave blank for all products"), QStringLiteral("Label4")), 5, 1, 1,
      2);
  grid->setColumnStretch(1, 1);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(frmOptInd);
  bottom->addStretch();
  bottom->addWidget(cmdReset, 0, Qt::AlignBottom);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      Caption(this, QStringLiteral("Show only products as follows:"), QStringLiteral("Label1")));
  layout->addLayout(grid);
  layout->addLayout(bottom);
  layout->addStretch();

  ConnectClicks(this, &QComboBox::currentIndexChanged, {{cboInvSelCriteria, &UCInvSel::cboInvSelCriteria_Click},
                                                        {cboProdGroup, &UCInvSel::cboProdGroup_Click},
                                                        {cboLocation, &UCInvSel::cboLocation_Click}});
  ConnectClicks(this, {{cmdClear, &UCInvSel::cmdClear_Click},
                       {cmdReset, &UCInvSel::cmdReset_Click}});
}

void UCInvSel::Init() {
  clsDB& db = gDB();
  const QString group = db.ProdGroupDesc();
  lblProdGroup->setText(QStringLiteral("Product ") + group + QStringLiteral(":"));
  LoadCategoryList(*cboProdGroup, group, store::ListType::kProductGroup);
  LoadCategoryList(*cboLocation, db.LocationDesc(), store::ListType::kLocation);

  cboInvSelCriteria->clear();
  for (int32_t level = 0; level <= 3; ++level)
    reports::AddItem(*cboInvSelCriteria, db.InvLevelDesc(level), level);
  gSystem().cboSelectAtID(*cboInvSelCriteria, 0);

  lstSearchType->clear();
  const QString searchTypes[2] = {QStringLiteral("Product Name"), db.PartNoDesc()};
  for (int32_t id = 0; id < 2; ++id) {
    auto* item = new QListWidgetItem(searchTypes[id], lstSearchType);
    item->setData(Qt::UserRole, id);
  }
  gSystem().lbSelectAtID(*lstSearchType, 0);
}

void UCInvSel::SetValues(const clsInvSelCriteria& c) {
  clsSystem& sys = gSystem();
  sys.cboSelectAtID(*cboProdGroup, c.m_nProductGroup);
  sys.cboSelectAtID(*cboLocation, c.m_nProductLocation);
  sys.cboSelectAtID(*cboInvSelCriteria, c.m_udInvLevel);
  // The level's handler decides whether "Indicate" is available; it runs here also
  // when the selection did not change.
  cboInvSelCriteria_Click();
  sys.lbSelectAtID(*lstSearchType, c.m_udProdSearchByName);
  txtSearchStr->setText(c.m_NameSearchStr);
  for (int i = 0; i < 3; ++i)
    if (kIndicateCodes[i] == c.m_udIndicate) optIndicate[i]->setChecked(true);
  SetCboBkgnd();
}

void UCInvSel::GetValues(clsInvSelCriteria& c) const {
  const clsSystem& sys = gSystem();
  c.m_nProductGroup = sys.cboGetItemID(*cboProdGroup);
  c.m_nProductLocation = sys.cboGetItemID(*cboLocation);
  c.m_udInvLevel = sys.cboGetItemID(*cboInvSelCriteria);
  c.m_udProdSearchByName = sys.lbGetItemID(*lstSearchType);
  c.m_NameSearchStr = txtSearchStr->text();
  c.m_udIndicate = 0;
  for (int i = 0; i < 2; ++i)
    if (optIndicate[i]->isChecked()) {
      c.m_udIndicate = kIndicateCodes[i];
      break;
    }
}

void UCInvSel::SetCboBkgnd() {
  for (QComboBox* cbo : {cboProdGroup, cboLocation, cboInvSelCriteria}) reports::SetNarrowedColour(*cbo);
}

void UCInvSel::cboInvSelCriteria_Click() {
  if (cboInvSelCriteria->currentIndex() >= 0)
    frmOptInd->setEnabled(gSystem().cboGetItemID(*cboInvSelCriteria) == store::Code(store::InvLevel::kAll));
  SetCboBkgnd();
}

void UCInvSel::cboProdGroup_Click() { SetCboBkgnd(); }
void UCInvSel::cboLocation_Click() { SetCboBkgnd(); }
void UCInvSel::cmdClear_Click() { txtSearchStr->clear(); }

void UCInvSel::cmdReset_Click() {
  cboProdGroup->setCurrentIndex(0);
  cboInvSelCriteria->setCurrentIndex(0);
  cmdClear_Click();
  SetCboBkgnd();
}
