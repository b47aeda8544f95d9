#pragma once
// The number of the VbError that fn raises, 0 when it raises none.

#include "platform/runtime/Error.h"

namespace testrt {

template <typename Fn>
int ErrorNumber(Fn fn) {
  try {
    fn();
  } catch (const rt::VbError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace testrt
