#include "services/MainWindowHub.h"

namespace {
MainWindowHubInterface* gHub = nullptr;
}

MainWindowHubInterface* MainWindowHub() { return gHub; }

QWidget* HubWindow() { return gHub != nullptr ? gHub->Window() : nullptr; }

MainWindowHubInterface* SetMainWindowHub(MainWindowHubInterface* hub) {
  MainWindowHubInterface* previous = gHub;
  gHub = hub;
  return previous;
}
