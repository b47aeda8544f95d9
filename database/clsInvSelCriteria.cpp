#include "database/clsInvSelCriteria.h"

#include "database/clsDB.h"
#include "services/clsSystem.h"

void clsInvSelCriteria::Init() {
  *this = clsInvSelCriteria{};
}

QString clsInvSelCriteria::Desc() const {
  clsDB& db = gDB();
  const QString eol = gSystem().CRLF();
  QString s;
  if (!m_NameSearchStr.isEmpty()) {
    if (m_udProdSearchByName == 1)
      s += db.PartNoDesc() + QStringLiteral("=") + m_NameSearchStr + QStringLiteral("...") + eol;
    else if (m_udProdSearchByName == 0)
      s += QStringLiteral("Product Name=") + m_NameSearchStr + QStringLiteral("...") + eol;
  }
  if (m_udInvLevel != 0)
    s += QStringLiteral("Inventory Level=") + db.InvLevelDesc(m_udInvLevel) + eol;
  DATA4* tbCat = nullptr;
  if (m_nProductGroup > 0)
    s += db.ProdGroupDesc() + QStringLiteral("=") + db.GetCategoryDesc(m_nProductGroup, tbCat) + eol;
  if (m_nProductLocation > 0)
    s += db.LocationDesc() + QStringLiteral("=") + db.GetCategoryDesc(m_nProductLocation, tbCat) + eol;
  return s;
}
