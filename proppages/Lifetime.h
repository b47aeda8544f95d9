#pragma once
// Lifetime and Watch: how code that waits in an event loop learns afterwards whether
// what it was working on still exists. A page's modal call (a box, a dialog) lets the
// host call the page meanwhile, and SetObjects or a rebuild may delete the rows or the
// content the waiting code still points to. The object holds a Lifetime; the code takes
// a Watch before the call and asks it after, without touching the object. UI thread
// only.

#include <memory>

namespace qvp {

class Watch {
 public:
  Watch() = default;
  // The watched object went, or its content was replaced (always for an empty watch).
  bool Gone() const { return anchor_.expired(); }

 private:
  friend class Lifetime;
  explicit Watch(std::weak_ptr<const char> anchor) : anchor_(std::move(anchor)) {}
  std::weak_ptr<const char> anchor_;
};

class Lifetime {
 public:
  Lifetime() = default;
  // A copy belongs to another object: it has a lifetime of its own.
  Lifetime(const Lifetime&) {}
  Lifetime& operator=(const Lifetime&) { return *this; }

  Watch Watched() const { return Watch(anchor_); }
  // Ends every watch taken so far, as the object's going would.
  void End() { anchor_ = std::make_shared<const char>(0); }

 private:
  std::shared_ptr<const char> anchor_ = std::make_shared<const char>(0);
};

}  // namespace qvp
