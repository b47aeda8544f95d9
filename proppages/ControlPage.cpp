#include "proppages/ControlPage.h"

namespace qvp {

HRESULT CQVControlPage::OnNewObjects() {
  if (Objects().empty()) return E_FAIL;
  if (Objects().size() > 1) {
    SetControlsEnabled(false);
    ShowNoObject();
    return S_FALSE;
  }
  auto identity = com::QueryAs<IUnknown>(Objects()[0], IID_IUnknown);
  if (identity.get() != firstObject_.get()) {
    SetControlsEnabled(true);
    ClearDirty();
    ForgetObject();
    sink_.Unadvise();
    control_ = {};
    firstObject_ = identity;
    loaded_ = false;
  }
  HRESULT hr = S_OK;
  if (NothingLoaded()) {
    control_ = ControlDispatch(firstObject_.get());
    if (control_) {
      GetInPlaceFrame();
      SetControlsEnabled(true);
      LoadObject();
    } else {
      hr = E_ACCESSDENIED;
    }
  }
  if (SUCCEEDED(hr) && !sink_.Connected() &&
      FAILED(sink_.Advise(firstObject_.get(), static_cast<IPropertyNotifySink*>(this))))
    hr = E_FAIL;
  if (SUCCEEDED(hr)) {
    hr = loaded_ ? E_FAIL : S_OK;
    loaded_ = true;
  }
  if (NothingLoaded()) SetControlsEnabled(false);
  return hr;
}

bool CQVControlPage::DialogProc(UINT message, WPARAM, LPARAM) {
  if (message != kMsgFreeObjects) return false;
  sink_.Unadvise();
  DialogGone();
  return true;
}

void CQVControlPage::ApplyPending() {
  const bool was = applying_;
  applying_ = true;
  CQVPropPageBase::Apply();
  applying_ = was;
}

}  // namespace qvp
