#pragma once
// A property-page site for tests and simple hosts: it records what pages report and
// answers a fixed locale. Keys are never used by it (TranslateAccelerator S_FALSE).
// UI thread only.

#include <vector>

#include "platform/com/Object.h"
#include "platform/com/PropertyPage.h"

namespace com {

class FakePageSite final : public ComObject<IPropertyPageSite> {
 public:
  explicit FakePageSite(IUnknown* outer, LCID lcid = 0x0409) : ComObject(outer), lcid_(lcid) {}

  HRESULT OnStatusChange(DWORD flags) override {
    statusChanges.push_back(flags);
    return S_OK;
  }
  HRESULT GetLocaleID(LCID* lcid) override {
    if (!lcid) return E_POINTER;
    *lcid = lcid_;
    return S_OK;
  }
  HRESULT GetPageContainer(IUnknown** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT TranslateAccelerator(MSG* msg) override {
    if (msg) keys.push_back(msg->wParam);
    return S_FALSE;
  }

  std::vector<DWORD> statusChanges;
  std::vector<WPARAM> keys;

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IPropertyPageSite ? Face<IPropertyPageSite>() : nullptr;
  }

 private:
  LCID lcid_;
};

}  // namespace com
