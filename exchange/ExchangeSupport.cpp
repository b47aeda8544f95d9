#include "exchange/ExchangeSupport.h"

#include <cmath>

#include "database/clsDB.h"
#include "platform/runtime/App.h"
#include "platform/ui/Prompt.h"

namespace exchange {
namespace {

bool gBusy = false;

}  // namespace

bool Busy() { return gBusy; }

BusyGuard::BusyGuard() : acquired_(!gBusy) { gBusy = true; }

BusyGuard::~BusyGuard() {
  if (acquired_) gBusy = false;
}

store::Table HoldTable(const QString& path, const QString& failure) {
  store::Table tb = gDB().OpenTable(path);
  if (!tb.ok()) ui::MsgBox(failure, ui::vbCritical, rt::App::ProductName());
  return tb;
}

bool ProductRunTables::Hold() {
  clsDB& db = gDB();
  tran = HoldTable(db.TranTable(), QStringLiteral("Unable to open Transaction table!"));
  if (!tran.ok()) return false;
  prod = HoldTable(db.ProductsTable(), QStringLiteral("Unable to open Products table!"));
  if (!prod.ok()) return false;
  cat = HoldTable(db.CategoryTable(), QStringLiteral("Unable to open Category table!"));
  return cat.ok();
}

int32_t ProgressPercent(int32_t line, int32_t lines) {
  return static_cast<int32_t>(std::nearbyint(100.0 * line / (lines + 1.0)));
}

void Inform(const QString& text) { ui::MsgBox(text, ui::vbInformation, rt::App::ProductName()); }

}  // namespace exchange
