#pragma once
// clsSystem: the program's service object. One instance for the whole run, reached
// through gSystem(); every window, class and user control calls it. The members are
// implemented across topic files (clsSystem_<topic>.cpp); this header holds them all.
// Single-threaded: call only from the user-interface thread.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>



class clsSystem {
 public:
  clsSystem() = default;
  clsSystem(const clsSystem&) = delete;
  clsSystem& operator=(const clsSystem&) = delete;

  // ---- Error reports and message window -------------------------------------------
  // (section: errors)

  // ---- Screen, shell launching and system queries ----------------------------------
  // (section: screen)

  // ---- Text, number and date procedures ---------------------------------------------
  // (section: text)

 private:
  int32_t m_nextDocNum = 0;
};

// The one service object, created on first use.
clsSystem& gSystem();
