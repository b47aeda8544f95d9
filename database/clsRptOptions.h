#pragma once
// clsRptOptions: the display options of one report definition (field 5 of its
// record). A plain record: members are read and written directly; a new object holds
// the values Init gives.

#include <cstdint>

class clsRptOptions {
 public:
  bool m_bShowRowNumbers = true;
  int32_t m_nNumOfColumns2Freeze = 1;  // leading grid columns kept in place
  int32_t m_udPageOrientation = 2;     // 1 portrait, 2 landscape
  int32_t m_udRptColSortOrder = 0;     // 0 ascending, 1 descending
  bool m_bAllowDataEdit = true;       // the pane shows its New and Edit buttons

  // Show row numbers, freeze 1 column, landscape, ascending, data edit allowed.
  void Init();
};
