#pragma once
// The nine property pages, each in its own header. The two browser pages are, for
// now, their title and an empty dialog on the page base.

#include "proppages/AnimationBuilderPage.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/ConfigToolBarsPage.h"
#include "proppages/GroupsListsPage.h"
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

#undef QVP_PAGE_CLASS

}  // namespace qvp
