#include "exchange/ExchangeSupport.h"

#include <cmath>

#include "database/clsDB.h"
#include "platform/runtime/App.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"

namespace exchange {
namespace {

bool gBusy = false;

}  // namespace

bool Busy() { return gBusy; }

BusyGuard::BusyGuard() : acquired_(!gBusy) { gBusy = true; }

BusyGuard::~BusyGuard() {
  if (acquired_) gBusy = false;
}

HeldTable::HeldTable(const QString& path, const QString& failure) : tb_(gDB().OpenTable(path)) {
  if (tb_ == nullptr) ui::MsgBox(failure, ui::vbCritical, rt::App::ProductName());
}

HeldTable::~HeldTable() {
  if (tb_ != nullptr) d4close(tb_);
}

int32_t ProgressPercent(int32_t line, int32_t lines) {
  return static_cast<int32_t>(std::nearbyint(100.0 * line / (lines + 1.0)));
}

void Inform(const QString& text) { ui::MsgBox(text, ui::vbInformation, rt::App::ProductName()); }

}  // namespace exchange
