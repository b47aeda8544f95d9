#include "proppages/PageTable.h"

#include "proppages/Pages.h"

namespace qvp {

namespace {
constexpr char kHelp[] = "vb.hlp";
constexpr char kImageListName[] = "QVProp Image List Propery Page";
}  // namespace

const PageEntry PageObjectTable[] = {
    {kKindPropertyPage, com::MakeGuid("0DD0BF1B-2263-4E58-9C1D-A354A259D3FB"),
     "QVProp Alphabetic Propery Page", nullptr, true, CQVPropertyPageAlphabetic::Create, 101, 1002,
     1003, "Help_Me_Please.hlp", 100},
    {kKindPropertyPage, com::MakeGuid("0762A943-8032-4D3E-9245-01E970C81C5B"),
     "QVProp Categorized Propery Page", nullptr, true, CQVPropertyPageCategoric::Create, 2001,
     1004, 1005, kHelp, 200},
    {kKindPropertyPage, com::MakeGuid("A801BF04-05AF-4B0C-8057-DE3FACD45D85"),
     "QVProp Custom Picture Propery Page", nullptr, true, CQVCustPictPropPage::Create, 124, 1006,
     1007, kHelp, 300},
    {kKindPropertyPage, com::MakeGuid("05F0C330-900F-412C-AD9D-CF81DC7C8FE1"),
     "QVProp Groups & List Propery Page", nullptr, true, CQVGroupsAndListsPropPage::Create, 161,
     1015, 1016, kHelp, 401},
    {kKindPropertyPage, com::MakeGuid("F5DB32AA-1D1F-44E8-8FC1-951B42182465"), kImageListName,
     nullptr, true, CQVImageListPropPage::Create, 131, 1013, 1014, kHelp, 500},
    {kKindPropertyPage, com::MakeGuid("5836132E-46CC-41AA-9587-89A7C281CBFE"),
     "QVProp PNG Generator Propery Page", nullptr, true, CQVPNGGeneratorPropPage::Create, 181, 1017,
     1018, kHelp, 600},
    {kKindPropertyPage, com::MakeGuid("0EED4AC1-F32F-456A-BC99-3CA52615BEB6"),
     "QVProp Configure ToolBars Propery Page", nullptr, true, CQVConfigToolBarsPropPage::Create,
     183, 1019, 1020, kHelp, 700},
    {kKindPropertyPage, com::MakeGuid("9F038329-3782-4EC6-85EF-28E1A8E2CC56"),
     "QVProp Tabs Propery Page", nullptr, true, CQVTabsPropPage::Create, 162, 2200, 2201, kHelp, 800},
    {kKindPropertyPage, com::MakeGuid("FD542DFE-759E-4AA9-BF69-2CD1319CF6B4"), kImageListName,
     nullptr, true, CQVImageListPropPage2::Create, 2002, 1013, 1014, kHelp, 510},
    {kKindEnd, GUID_NULL, nullptr, nullptr, false, nullptr, 0, 0, 0, nullptr, 0},
};

std::span<const PageEntry> Pages() { return {PageObjectTable, kPageCount}; }

std::optional<int> FindPage(REFCLSID clsid) {
  for (int i = 0; PageObjectTable[i].kind != kKindEnd; ++i)
    if (PageObjectTable[i].clsid == clsid) return i;
  return std::nullopt;
}

}  // namespace qvp
