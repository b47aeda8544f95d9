#include "database/clsRptOptions.h"

void clsRptOptions::Init() {
  *this = clsRptOptions{};
}
