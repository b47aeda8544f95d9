#pragma once
// A property-change sink for tests: it records every OnChanged and answers
// OnRequestEdit as told.

#include <vector>

#include "platform/com/Object.h"

namespace comtest {

class RecordingSink final : public com::ComObject<IPropertyNotifySink> {
 public:
  explicit RecordingSink(IUnknown* outer, HRESULT editAnswer = S_OK)
      : ComObject(outer), edit_(editAnswer) {}
  HRESULT OnChanged(DISPID id) override {
    changed.push_back(id);
    return S_OK;
  }
  HRESULT OnRequestEdit(DISPID) override { return edit_; }
  std::vector<DISPID> changed;

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IPropertyNotifySink ? Face<IPropertyNotifySink>() : nullptr;
  }

 private:
  HRESULT edit_;
};

}  // namespace comtest
