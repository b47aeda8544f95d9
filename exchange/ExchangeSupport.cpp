#include "exchange/ExchangeSupport.h"

#include <cmath>

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

bool HoldTable(ExchangeTables& tables, ExchangeTables::Which table, const QString& failure) {
  if (tables.Open(table)) return true;
  ui::MsgBox(failure, ui::vbCritical, rt::App::ProductName());
  return false;
}

bool HoldProductRun(ExchangeTables& tables) {
  using Which = ExchangeTables::Which;
  return HoldTable(tables, Which::kTransactions, QStringLiteral("Unable to open Transaction table!")) &&
         HoldTable(tables, Which::kProducts, QStringLiteral("Unable to open Products table!")) &&
         HoldTable(tables, Which::kCategories, QStringLiteral("Unable to open Category table!"));
}

int32_t ProgressPercent(int32_t line, int32_t lines) {
  return static_cast<int32_t>(std::nearbyint(100.0 * line / (lines + 1.0)));
}

void Inform(const QString& text) { ui::MsgBox(text, ui::vbInformation, rt::App::ProductName()); }

}  // namespace exchange
