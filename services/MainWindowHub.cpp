#include "services/MainWindowHub.h"

namespace {
MainWindowHubInterface* gHub = nullptr;
}

MainWindowHubInterface* MainWindowHub() { return gHub; }

MainWindowHubInterface* SetMainWindowHub(MainWindowHubInterface* hub) {
  MainWindowHubInterface* previous = gHub;
  gHub = hub;
  return previous;
}
