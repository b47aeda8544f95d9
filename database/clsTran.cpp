#include "database/clsTran.h"

#include "platform/runtime/Error.h"
#include "services/clsSystem.h"

void clsTran::Init() {
  nTranID = -1;
  nProdId = -1;
  sDate = gSystem().ShortDate();
  udTranType = -1;
  curUnits = rt::Currency();
  curUnitPrice = rt::Currency();
  sNote.clear();
  nCatID = -1;
  nAcctID = -1;
  loaded.reset();
}

bool TranValueFits(rt::Currency curUnits, rt::Currency curUnitPrice) {
  try {
    (void)(curUnits * curUnitPrice);
    return true;
  } catch (const rt::VbError&) {
    return false;
  }
}

QString TranValueTooLargeText(const QString& sUnitsField, const QString& sAmountField) {
  return sUnitsField + QStringLiteral(" \u00D7 ") + sAmountField +
         QStringLiteral(" is more than the largest value that can be recorded (922,337,203,685,477). Please enter "
                        "fewer units or a smaller amount per unit.");
}

QString TranFiguresTooLargeText(const QString& sProduct) {
  return QStringLiteral("The stock figures of ") + sProduct +
         QStringLiteral(" would become more than the largest value that can be recorded (922,337,203,685,477). "
                        "Please enter fewer units or a smaller amount per unit.");
}

QString StockUnknownText(const QString& sProduct) {
  return QStringLiteral("The physical stock of ") + sProduct +
         QStringLiteral(" could not be worked out. Recording this transaction may result in negative physical stock.");
}
