#pragma once
// The automation face of a list bar over the same ListBarModel the widget shows: the
// objects answering the interfaces of platform/com/ListBarInterfaces.h.
//
// Every object of the face reaches the model through the host: once the host is gone
// (or Detach is called) every call answers E_UNEXPECTED, so objects a frame still
// holds never touch a destroyed model. A member object stands for one group, item or
// tab; once that entry is removed its calls answer E_UNEXPECTED too. UI thread only.

#include <functional>
#include <memory>

#include "platform/com/ListBarInterfaces.h"

namespace ctl {

class ListBarModel;

struct ListBarLink;

// Owns the automation face of one model; lives beside the model and no longer than it.
class ListBarAutomationHost {
 public:
  explicit ListBarAutomationHost(ListBarModel& model);
  ~ListBarAutomationHost();
  ListBarAutomationHost(const ListBarAutomationHost&) = delete;
  ListBarAutomationHost& operator=(const ListBarAutomationHost&) = delete;

  // The control object (IDispatch of the list-bar dispinterface); null when memory ran out.
  IDispatch* Object() const { return object_.get(); }
  // Called for DoVerb(kVerbConfigureToolBars); without one the verb answers E_NOTIMPL.
  void SetToolBarConfigurator(std::function<void()> configure);
  // Cuts every object of the face off the model.
  void Detach();

 private:
  std::shared_ptr<ListBarLink> link_;
  com::Ref<IDispatch> object_;
};

}  // namespace ctl
