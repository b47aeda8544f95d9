#pragma once
// The screen's mouse pointer: the default arrow or the hourglass shown during a long
// operation. The state is one value kept here (tests read it); the production
// application shows it as one override cursor, so repeated calls never stack. Every busy
// operation shows it through here: ScopedHourglass for a scope (ended also when the work
// throws), SetScreenMousePointer where the busy state spans calls (a progress dialog, a
// window's busy mode). User-interface thread only.

namespace ui {

enum MousePointer : int {
  vbDefault = 0,
  vbHourglass = 11,
};

MousePointer ScreenMousePointer();
void SetScreenMousePointer(MousePointer pointer);

// Shows the hourglass for the lifetime of the object, then the default pointer.
class ScopedHourglass {
 public:
  ScopedHourglass() { SetScreenMousePointer(vbHourglass); }
  ~ScopedHourglass() { SetScreenMousePointer(vbDefault); }
  ScopedHourglass(const ScopedHourglass&) = delete;
  ScopedHourglass& operator=(const ScopedHourglass&) = delete;
};

}  // namespace ui
