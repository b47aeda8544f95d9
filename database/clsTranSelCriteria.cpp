#include "database/clsTranSelCriteria.h"

#include "database/clsDB.h"
#include "platform/runtime/Error.h"
#include "services/clsSystem.h"

void clsTranSelCriteria::Init() {
  m_udTranType = 0;
  m_nProductID = -1;
  m_nTranCatID = -1;
  m_nTranAcctID = -1;
  m_DtRange = 0;
  m_sDateBegin = m_sDateEnd = gSystem().CurrDateShort();
}

bool clsTranSelCriteria::IsRelativeRange(int32_t code) {
  return code == 1 || code == 2 || code == 11 || code == 12;
}

void clsTranSelCriteria::SetDate(int32_t DtRange, const QString& sCustomDateBegin,
                                 const QString& sCustomDateEnd) {
  try {
    m_DtRange = DtRange;
    m_sDateBegin = sCustomDateBegin;
    m_sDateEnd = sCustomDateEnd;
    if (IsRelativeRange(DtRange)) gSystem().MakeDateRange(DtRange, m_sDateBegin, m_sDateEnd);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsTranSelCriteria_SetDate"));
  }
}

QString clsTranSelCriteria::dbDateBegin() const {
  return gSystem().CBDateFormat(m_sDateBegin);
}

QString clsTranSelCriteria::dbDateEnd() const {
  return gSystem().CBDateFormat(m_sDateEnd);
}

namespace {

// A held date in the user's short date format; a text that is no date as it is.
QString ShownDate(const QString& sDate) {
  const clsSystem& sys = gSystem();
  const QString shown = sys.DBDateToDislayDate(sys.CBDateFormat(sDate), QStringLiteral("Short Date"));
  return shown.isEmpty() ? sDate : shown;
}

}  // namespace

QString clsTranSelCriteria::Desc() {
  clsDB& db = gDB();
  const QString eol = gSystem().CRLF();
  QString s;
  if (m_nProductID > 0) s += QStringLiteral("Product=") + db.GetProductName2(m_nProductID) + eol;
  if (m_udTranType != 0)
    s += QStringLiteral("Transaction Type=") + db.GetTranTypeDesc(m_udTranType) + eol;
  if (m_DtRange != 0) {
    if (IsRelativeRange(m_DtRange)) gSystem().MakeDateRange(m_DtRange, m_sDateBegin, m_sDateEnd);
    s += QStringLiteral("Date Range =") + ShownDate(m_sDateBegin) + QStringLiteral(" to ") + ShownDate(m_sDateEnd) + eol;
  }
  DATA4* tbCat = nullptr;
  if (m_nTranCatID > 0)
    s += db.TranCatDesc() + QStringLiteral("=") + db.GetCategoryDesc(m_nTranCatID, tbCat) + eol;
  if (m_nTranAcctID > 0)
    s += db.TranAcctDesc() + QStringLiteral("=") + db.GetCategoryDesc(m_nTranAcctID, tbCat) + eol;
  return s;
}
