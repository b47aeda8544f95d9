#include "reports/UCTranSel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

#include "database/CustomFieldLabel.h"
#include "database/clsDB.h"
#include "database/clsTranSelCriteria.h"
#include "database/store/Codes.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Format.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/ModalRunner.h"
#include "inventory/ProductCommands.h"
#include "reports/CriteriaLists.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/frmDateRange.h"

namespace reports {

std::optional<QDate> ReadRangeDate(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  static const QRegularExpression stored(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
  if (const QRegularExpressionMatch m = stored.match(t); m.hasMatch()) {
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return rt::IsDateInRange(d) ? std::optional<QDate>(d) : std::nullopt;
  }
  if (const std::optional<QDate> d = rt::ParseDate(t)) return d;
  static const QRegularExpression numeric(QStringLiteral("^(\\d{1,4})[/.\\- ](\\d{1,2})[/.\\- ](\\d{1,4})$"));
  const QRegularExpressionMatch m = numeric.match(t);
  if (!m.hasMatch()) return std::nullopt;
  const int a = m.captured(1).toInt(), b = m.captured(2).toInt(), c = m.captured(3).toInt();
  const bool yearFirst = m.captured(1).size() == 4;
  const QDate candidates[] = {yearFirst ? QDate(a, b, c) : QDate(c, b, a),
                              yearFirst ? QDate() : QDate(c, a, b)};
  for (const QDate& d : candidates)
    if (rt::IsDateInRange(d)) return d;
  return std::nullopt;
}

QString WriteRangeDate(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

}  // namespace reports

namespace {

using reports::Caption;
using reports::DropDown;

constexpr int32_t kCustomRange = 100;

struct RangeEntry {
  const char* text;
  int32_t code;
};
constexpr RangeEntry kRanges[] = {{"All Dates", 0},   {"This Month", 1}, {"This Year", 2},
                                  {"Last Month", 11}, {"Last Year", 12}, {"Custom...", kCustomRange}};

// A held text as the user's short date when it reads as a date; else unchanged.
QString ShortDateText(const QString& text) {
  const std::optional<QDate> d = reports::ReadRangeDate(text);
  return d ? rt::Format(*d, QStringLiteral("Short Date")) : text;
}

// A held text in the stored form when it reads as a date; else unchanged.
QString StoredDateText(const QString& text) {
  const std::optional<QDate> d = reports::ReadRangeDate(text);
  return d ? reports::WriteRangeDate(*d) : text;
}

}  // namespace

UCTranSel::UCTranSel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("UCTranSel"));
  cboTrans = DropDown(this, QStringLiteral("cboTrans"));
  cboProducts = DropDown(this, QStringLiteral("cboProducts"));
  cmdLookupProduct = new QToolButton(this);
  cmdLookupProduct->setObjectName(QStringLiteral("cmdLookupProduct"));
  cmdLookupProduct->setIcon(ui::ProgramIcon(QStringLiteral("system-search")));
  cmdLookupProduct->setToolTip(QStringLiteral("Scan or Enter"));
  cboDateRange = DropDown(this, QStringLiteral("cboDateRange"));
  lblTranCat = Caption(this, QStringLiteral("Category:"), QStringLiteral("lblTranCat"));
  cboCategory = DropDown(this, QStringLiteral("cboCategory"));
  lblTranAcct = Caption(this, QStringLiteral("Account:"), QStringLiteral("lblTranAcct"));
  cboAccount = DropDown(this, QStringLiteral("cboAccount"));
  cmdReset = ui::NamedButton(QStringLiteral("Reset"), QStringLiteral("cmdReset"), this);

  auto* grid = new QGridLayout;
  grid->addWidget(Caption(this, QStringLiteral("Transaction Type:"), QStringLiteral("Label1")), 0, 0);
  grid->addWidget(cboTrans, 0, 1);
  grid->addWidget(Caption(this, QStringLiteral("Product:"), QStringLiteral("Label2")), 1, 0);
  grid->addWidget(cboProducts, 1, 1);
  grid->addWidget(cmdLookupProduct, 1, 2);
  grid->addWidget(Caption(this, QStringLiteral("Date:"), QStringLiteral("Label3")), 2, 0);
  grid->addWidget(cboDateRange, 2, 1);
  grid->addWidget(lblTranCat, 3, 0);
  grid->addWidget(cboCategory, 3, 1);
  grid->addWidget(lblTranAcct, 4, 0);
  grid->addWidget(cboAccount, 4, 1);
  grid->addWidget(cmdReset, 5, 1, Qt::AlignRight);
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  QLabel* tip1 =
      Caption(this,
              QStringLiteral("TIP: Choose appropriate values from the drop-down boxes above to view "
                             "desired transactions"),
              QStringLiteral("Label6"));
  tip1->setWordWrap(true);
  layout->addWidget(tip1);
  layout->addWidget(
      Caption(this, QStringLiteral("TIP: Choose a type to view Total row"), QStringLiteral("Label4")));
  layout->addStretch();

  ConnectClicks(this, &QComboBox::currentIndexChanged, {{cboTrans, &UCTranSel::cboTrans_Click},
                                                        {cboProducts, &UCTranSel::cboProducts_Click},
                                                        {cboCategory, &UCTranSel::cboCategory_Click},
                                                        {cboAccount, &UCTranSel::cboAccount_Click},
                                                        {cboDateRange, &UCTranSel::cboDateRange_Click}});
  ConnectClicks(this, {{cmdLookupProduct, &UCTranSel::cmdLookupProduct_Click},
                       {cmdReset, &UCTranSel::cmdReset_Click}});
}

void UCTranSel::FillCategoryList(QComboBox& cbo, const QString& sDefault, store::ListType type) {
  clsDB& db = gDB();
  cbo.clear();
  const QString name = db.ListName(type);
  reports::AddItem(cbo, name.trimmed().isEmpty() ? sDefault : QStringLiteral("All ") + name.left(10), -1);
  db.LoadListCombo(cbo, type, false, false, -1);
}

void UCTranSel::Init() {
  m_bLoading = false;
  try {
    clsDB& db = gDB();
    SetCustomFieldLabel(*lblTranCat, store::CustomField::kTranCategory);
    SetCustomFieldLabel(*lblTranAcct, store::CustomField::kTranAccount);
    cboTrans->clear();
    reports::AddItem(*cboTrans, QStringLiteral("All Types"), 0);
    db.cboTranactionTypes(*cboTrans);
    cboTrans->setCurrentIndex(-1);

    cboDateRange->clear();
    for (const RangeEntry& r : kRanges) reports::AddItem(*cboDateRange, QLatin1String(r.text), r.code);
    cboDateRange->setCurrentIndex(-1);

    cboProducts->clear();
    reports::AddItem(*cboProducts, QStringLiteral("All Products"), -1);
    db.cboProducts(*cboProducts);
    cboProducts->setCurrentIndex(-1);

    FillCategoryList(*cboCategory, QStringLiteral("All Categories"), store::ListType::kTranCategory);
    FillCategoryList(*cboAccount, QStringLiteral("All Accounts"), store::ListType::kTranAccount);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("UCTranSel_Init"));
  }
}

void UCTranSel::SetValues(const clsTranSelCriteria& c) {
  m_bLoading = true;
  try {
    clsSystem& sys = gSystem();
    sys.cboSelectAtID(*cboTrans, c.m_udTranType);
    sys.cboSelectAtID(*cboDateRange, c.m_DtRange);
    m_sDateBegin = ShortDateText(c.DateBegin());
    m_sDateEnd = ShortDateText(c.DateEnd());
    sys.cboSelectAtID(*cboProducts, c.m_nProductID);
    sys.cboSelectAtID(*cboCategory, c.m_nTranCatID);
    sys.cboSelectAtID(*cboAccount, c.m_nTranAcctID);
    SetCboBkgnd();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("UCTranSel_SetValues"));
  }
  m_bLoading = false;
}

void UCTranSel::GetValues(clsTranSelCriteria& c) {
  try {
    const clsSystem& sys = gSystem();
    c.m_udTranType = sys.cboGetItemID(*cboTrans);
    const int32_t code = sys.cboGetItemID(*cboDateRange);
    if (code != 0 && code != kCustomRange) sys.MakeDateRange(code, m_sDateBegin, m_sDateEnd);
    c.SetDate(code, StoredDateText(m_sDateBegin), StoredDateText(m_sDateEnd));
    c.m_nProductID = sys.cboGetItemID(*cboProducts);
    c.m_nTranCatID = sys.cboGetItemID(*cboCategory);
    c.m_nTranAcctID = sys.cboGetItemID(*cboAccount);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("UCTranSel_GetValues"));
  }
}

void UCTranSel::SetCboBkgnd() {
  for (QComboBox* cbo : {cboTrans, cboDateRange, cboProducts, cboCategory, cboAccount})
    reports::SetNarrowedColour(*cbo);
}

bool UCTranSel::PromptCustomDateRange() {
  bool ok = false;
  try {
    frmDateRange dlg;
    dlg.Init(m_sDateBegin, m_sDateEnd);
    ui::RunModal(dlg, HubWindow());
    if (dlg.m_OK) {
      m_sDateBegin = rt::Format(dlg.m_DateBegin, QStringLiteral("Short Date"));
      m_sDateEnd = rt::Format(dlg.m_DateEnd, QStringLiteral("Short Date"));
      ok = true;
    }
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("UCTranSel_PromptCustomDateRange"));
  }
  return ok;
}

void UCTranSel::ListChanged() {
  if (m_bLoading) return;
  SetCboBkgnd();
  emit Changed();
}

void UCTranSel::cboTrans_Click() { ListChanged(); }
void UCTranSel::cboProducts_Click() { ListChanged(); }
void UCTranSel::cboCategory_Click() { ListChanged(); }
void UCTranSel::cboAccount_Click() { ListChanged(); }

void UCTranSel::cboDateRange_Click() {
  if (m_bLoading) return;
  if (gSystem().cboGetItemID(*cboDateRange) == kCustomRange) PromptCustomDateRange();
  ListChanged();
}

void UCTranSel::cmdLookupProduct_Click() {
  const int32_t id = inventory::LookupProductByPartNo();
  if (id > 0) gSystem().cboSelectAtID(*cboProducts, id);
}

void UCTranSel::cmdReset_Click() {
  m_bLoading = true;
  for (QComboBox* cbo : {cboTrans, cboProducts, cboDateRange, cboCategory, cboAccount})
    cbo->setCurrentIndex(0);
  SetCboBkgnd();
  m_bLoading = false;
  emit Changed();
}
