#pragma once
// The base of the pages that edit one list bar (Animation Builder, Groups/Lists,
// Images, Tabs): taking the edited object on new objects, its list-bar dispinterface,
// the property-change connection, and applying pending changes before a command.

#include "platform/com/Dispatch.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/PageSupport.h"

namespace qvp {

class CQVControlPage : public CQVPropPageBase {
 protected:
  using CQVPropPageBase::CQVPropPageBase;

  // New objects: E_FAIL without one; several disable the page (S_FALSE); another
  // object than before is forgotten first; with nothing loaded, the object must give
  // the list-bar dispinterface (else E_ACCESSDENIED) and the page loads it; the
  // connection is advised (E_FAIL when refused). S_OK the first time for an object,
  // E_FAIL on a repeat. A page with nothing loaded stays disabled.
  HRESULT OnNewObjects() final;
  SIZE PageSize() const override { return kChildPageSize; }
  // The dialog goes: the connection ends and the page lets go of its widgets.
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

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

  // Runs the base's apply for the changes pending before a command, marked applying.
  void ApplyPending();
  // Shown and not hidden by the frame.
  bool IsActive() const { return Dialog() && !Dialog()->isHidden(); }

  com::Ref<IDispatch> control_;
  SinkConnection sink_;
  bool applying_ = false;
};

}  // namespace qvp
