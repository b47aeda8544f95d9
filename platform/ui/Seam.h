#pragma once
// One installed implementation of a seam interface: production unless a test installed
// another (not owned). Used by the prompt, modal-runner and shell seams.

#include <utility>

namespace ui {

template <class Interface, class Production>
class Seam {
 public:
  static Interface& Current() {
    static Production production;
    return installed_ != nullptr ? *installed_ : production;
  }
  // Installs `implementation` (nullptr: production); returns the previous one
  // (nullptr when that was production).
  static Interface* Install(Interface* implementation) {
    return std::exchange(installed_, implementation);
  }

 private:
  static inline Interface* installed_ = nullptr;
};

}  // namespace ui
