#include "reports/ReportCommands.h"

#include "database/Schema.h"
#include "database/clsDB.h"
#include "database/clsRptDef.h"
#include "reports/frmRptContainer.h"
#include "services/MainWindowHub.h"
#include "services/clsSystem.h"

namespace reports {
namespace {

constexpr int32_t kFoundProducts = 1;
constexpr int32_t kTransactionsForProduct = 2;
constexpr int32_t kTransactionHistory = 101;
constexpr int32_t kInventoryOfAllProducts = 102;
constexpr int32_t kQuickInventory = 106;
// Out-of-stock products highlighted in a search result.
constexpr int32_t kIndicateOutOfStock = 2;

QString FormID(int32_t nRptID) { return QStringLiteral("~%1").arg(nRptID); }

void ShowFixedView(int32_t nRptID) {
  CheckCreateReport(nRptID);
  ShowCustomReport(nRptID);
}

}  // namespace

QString BuiltInReportRecord(int32_t nRptID) {
  if (nRptID == kQuickInventory)
    return QStringLiteral("1^Quick Inventory^1002~1001~1014~1015~1016~1017^-1~0~0~~0~-1^True~1~True~2~0");
  if (nRptID != kTransactionHistory && nRptID != kInventoryOfAllProducts) return {};
  // The database templates carry the same records.
  const QString key = FormID(nRptID);
  for (const dbschema::ParamRow& row : dbschema::TemplateParams())
    if (key == QLatin1String(row.sid)) return QString::fromLatin1(row.value);
  return {};
}

void ShowQuickInventory() { ShowFixedView(kQuickInventory); }
void ShowInventory() { ShowFixedView(kInventoryOfAllProducts); }
void ShowTransactions() { ShowFixedView(kTransactionHistory); }

void CheckCreateReport(int32_t nRptID) {
  const QString record = BuiltInReportRecord(nRptID);
  if (record.isEmpty()) return;
  clsDB& db = gDB();
  if (db.GetParamValue(FormID(nRptID)).isEmpty()) db.SetParamValue(FormID(nRptID), record);
}

void ShowCustomReport(int32_t nRptID) {
  clsRptDef def;
  if (!def.LoadExisting(nRptID)) return;
  ShowRptContainer(FormID(nRptID), def, false);
}

void ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr, const QString& sSearchCaption) {
  clsRptDef def;
  if (!def.LoadExisting(kFoundProducts)) return;
  gSystem().UnloadForm(FormID(kFoundProducts));
  clsInvSelCriteria& crit = def.m_udInvSelCriteria;
  crit.Init();
  def.SetRptName(sSearchCaption);
  crit.m_NameSearchStr = sSearchStr;
  crit.m_udProdSearchByName = eSearchType;
  crit.m_udIndicate = kIndicateOutOfStock;
  def.SaveRptDef();
  ShowRptContainer(FormID(kFoundProducts), def, false);
}

void ShowTransactionsForProdRpt(int32_t nProductID) {
  clsRptDef def;
  if (!def.LoadExisting(kTransactionsForProduct)) return;
  gSystem().UnloadForm(FormID(kTransactionsForProduct));
  def.m_udTranSelCriteria.Init();
  def.SetRptName(QStringLiteral("Transactions for a Product"));
  def.m_udTranSelCriteria.m_nProductID = nProductID;
  def.SaveRptDef();
  ShowRptContainer(FormID(kTransactionsForProduct), def, false);
}

void ShowRptContainer(const QString& sFormID, const clsRptDef& RptDef, bool bCloseOnPropChange) {
  clsSystem& sys = gSystem();
  if (sys.IsFormLoaded(sFormID)) {
    sys.BringFormToTop(sFormID, 0);
    return;
  }
  MainWindowHubInterface* hub = MainWindowHub();
  if (hub == nullptr) return;
  auto* frm = new frmRptContainer;
  frm->Init(sFormID, RptDef);
  frm->m_bCloseOnPropertiesChange = bCloseOnPropChange;
  hub->ShowChild(*frm);
}

}  // namespace reports
