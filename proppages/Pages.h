#pragma once
// The nine property pages. Each is, for now, its title and an empty dialog on the
// page base; its contents come with the page's own work.

#include "proppages/AnimationBuilderPage.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/ConfigToolBarsPage.h"
#include "proppages/ImageListPage.h"
#include "proppages/PngGeneratorPage.h"
#include "proppages/TabsPage.h"

namespace qvp {

#define QVP_PAGE_CLASS(Name, Index)                                      \
  class Name final : public CQVPropPageBase {                            \
   public:                                                               \
    Name(IUnknown* outer) : CQVPropPageBase(outer, Index) {}             \
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {     \
      return CreatePage<Name>(outer, iid, out);                          \
    }                                                                    \
  }

QVP_PAGE_CLASS(CQVPropertyPageAlphabetic, 0);
QVP_PAGE_CLASS(CQVPropertyPageCategoric, 1);
QVP_PAGE_CLASS(CQVGroupsAndListsPropPage, 3);

#undef QVP_PAGE_CLASS

}  // namespace qvp
