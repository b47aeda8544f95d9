#pragma once
// clsWndStartupPos: remembers the main window's placement between runs in the Pref
// registry key ("left", "top", "width", "height" in twips and "windowstate": 0 normal,
// 2 maximised). Left/Top are the window frame's position and Width/Height its size,
// the same quantities QWidget::move and resize set, so a placement survives a round
// trip (tests install ui::FixedScreen). No state of its own; call from the
// user-interface thread.

#include <QString>
#include <cstdint>

class QWidget;

class clsWndStartupPos {
 public:
  // Stores the window's placement; a minimised window stores nothing.
  void SavePosition(QWidget& FormObj);
  // Restores the stored placement; maximises the window when the stored state is 2,
  // when nothing usable is stored, or when the placement lies off the screen.
  void RestorePosition(QWidget& FormObj);
  // A number from the Pref key, read as mdlRegistry::PrefGetLong reads it.
  int32_t GetValueLong(const QString& valueName);

 private:
  bool SetValueLong(const QString& valueName, int32_t value);
};
