#pragma once
// Runs a clean-up when the scope is left, on every return and on an exception, unless
// the work it undoes is kept (Dismiss). Guards run in the reverse order of their
// declaration, as destructors do.

#include <utility>

namespace rt {

template <class CleanUp>
class ScopeGuard {
 public:
  explicit ScopeGuard(CleanUp cleanUp) : cleanUp_(std::move(cleanUp)) {}
  ~ScopeGuard() {
    if (active_) cleanUp_();
  }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

  void Dismiss() { active_ = false; }

 private:
  CleanUp cleanUp_;
  bool active_ = true;
};

}  // namespace rt
