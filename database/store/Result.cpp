#include "database/store/Result.h"

#include "platform/runtime/Error.h"

namespace store {

Status Status::FromException() {
  // The runtime's trap rules decide number, source and description; the pending error
  // it sets is the caller's to set again when it reports the status.
  rt::ErrObject saved = rt::Err();
  rt::TrapError();
  Status s{Failure::kError, rt::Err().Number(), rt::Err().Source(), rt::Err().Description(), rt::Err().Advice()};
  rt::Err() = saved;
  return s;
}

void Status::MakePending() const {
  rt::Err().Set(code, source, description);
  rt::Err().SetAdvice(advice);
}

}  // namespace store
