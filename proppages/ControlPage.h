#pragma once
// The base of the pages that edit one list bar (Animation Builder, Groups/Lists,
// Images, Tabs): taking the edited object on new objects, its list-bar dispinterface,
// the property-change connection, and applying pending changes before a command.
// `Base` is the plain page base, or the property browser for the pages that list the
// members of the control's collections as its rows.

#include <QWidget>

#include "platform/com/Dispatch.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/PageSupport.h"

namespace qvp {

template <class Base>
class SingleControlPage : public Base {
 protected:
  using Base::Base;

  // New objects: E_FAIL without one; several disable the page (S_FALSE); another
  // object than before is forgotten first; with nothing loaded, the object must give
  // the list-bar dispinterface (else E_ACCESSDENIED) and the page loads it; the
  // connection is advised (E_FAIL when refused). S_OK the first time for an object,
  // E_FAIL on a repeat. A page with nothing loaded stays disabled.
  HRESULT OnNewObjects() final {
    if (this->Objects().empty()) return E_FAIL;
    if (this->Objects().size() > 1) {
      SetControlsEnabled(false);
      ShowNoObject();
      return S_FALSE;
    }
    auto identity = com::QueryAs<IUnknown>(this->Objects()[0], IID_IUnknown);
    if (identity.get() != this->firstObject_.get()) {
      SetControlsEnabled(true);
      this->ClearDirty();
      this->ContentGone();
      ForgetObject();
      sink_.Unadvise();
      control_ = {};
      this->firstObject_ = identity;
      this->loaded_ = false;
    }
    HRESULT hr = S_OK;
    if (NothingLoaded()) {
      control_ = ControlDispatch(this->firstObject_.get());
      if (control_) {
        this->GetInPlaceFrame();
        SetControlsEnabled(true);
        LoadObject();
      } else {
        hr = E_ACCESSDENIED;
      }
    }
    if (SUCCEEDED(hr) && !sink_.Connected() &&
        FAILED(sink_.Advise(this->firstObject_.get(), static_cast<IPropertyNotifySink*>(this))))
      hr = E_FAIL;
    if (SUCCEEDED(hr)) {
      hr = this->loaded_ ? E_FAIL : S_OK;
      this->loaded_ = true;
    }
    if (NothingLoaded()) SetControlsEnabled(false);
    return hr;
  }
  SIZE PageSize() const override { return kChildPageSize; }
  // The dialog goes: the connection ends and the page lets go of its widgets.
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != kMsgFreeObjects) return false;
    sink_.Unadvise();
    DialogGone();
    Base::DialogProc(message, wParam, lParam);
    return true;
  }

  // Enables or disables the page's controls (only while the dialog exists).
  virtual void SetControlsEnabled(bool enabled) = 0;
  // Several objects: what the page clears besides disabling its controls.
  virtual void ShowNoObject() {}
  // Lets go of everything read from the previous object.
  virtual void ForgetObject() = 0;
  // Whether the page holds nothing of the object yet; LoadObject reads it.
  virtual bool NothingLoaded() const = 0;
  virtual void LoadObject() = 0;
  // The dialog is going: clear the widget pointers and what is shown.
  virtual void DialogGone() = 0;

  // Runs the base's apply for the changes pending before a command, marked applying;
  // false when the page let go of its content meanwhile (a host's call from inside an
  // error box), and then the command stops.
  [[nodiscard]] bool ApplyPending() {
    const Watch content = this->Content();
    const bool was = applying_;
    applying_ = true;
    CQVPropPageBase::Apply();
    applying_ = was;
    return !content.Gone();
  }
  // Shown and not hidden by the frame.
  bool IsActive() const { return this->Dialog() && !this->Dialog()->isHidden(); }

  com::Ref<IDispatch> control_;
  SinkConnection sink_;
  bool applying_ = false;
};

using CQVControlPage = SingleControlPage<CQVPropPageBase>;

}  // namespace qvp
