#pragma once
// The Configure ToolBars page: its one button has the edited control run its own
// tool-bar configuration (verb 10) and marks the page dirty when the control then
// reports unsaved changes. Apply writes nothing: the control already has the changes.

#include "proppages/CPageString.h"
#include "proppages/CQVPropPageBase.h"

namespace qvp {

class CQVConfigToolBarsPropPage final : public CQVPropPageBase {
 public:
  explicit CQVConfigToolBarsPropPage(IUnknown* outer) : CQVPropPageBase(outer, 6) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVConfigToolBarsPropPage>(outer, iid, out);
  }

  const CPageString& HelpFile() const { return helpFile_; }

 protected:
  void BuildDialog(QWidget* dialog) override;
  SIZE PageSize() const override { return kChildPageSize; }
  HRESULT OnNewObjects() override;

 private:
  void Configure();

  CPageString helpFile_;
};

}  // namespace qvp
