#include "services/clsSystem.h"

clsSystem& gSystem() {
  static clsSystem sys;
  return sys;
}
