#include "database/clsTran.h"

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
}
