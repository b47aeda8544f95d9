#pragma once
// A child window that deletes its current item when asked: the main window's Delete
// entry asks the active child window through this interface. User-interface thread only.

class DeletingWindow {
 public:
  virtual ~DeletingWindow() = default;
  virtual void Delete() = 0;
};
