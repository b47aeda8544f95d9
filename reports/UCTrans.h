#pragma once
// UCTrans: the pane of a transactions report (type 2): the report grid, one row per
// transaction filled by the transaction grid filler and banded, and on its right the
// Edit and Delete buttons, which run the transaction dialog on the current row and
// reload (or remove) that row only. Rows cannot be marked.

#include <cstdint>

#include "reports/DataPane.h"

namespace reports {

class UCTranButtons;

// Band colours of the data rows, 0x00BBGGRR.
inline constexpr int32_t kTranEvenRowColor = 0xC0E0FF;
inline constexpr int32_t kTranOddRowColor = 0xFFFFFF;

class UCTrans : public DataPane {
  Q_OBJECT

 public:
  explicit UCTrans(QWidget* parent = nullptr);

  // Bands the data rows (a last totals row keeps its look); nothing for fewer than two.
  void SetBackgroundForRows();

  UCTranButtons* ctlTranButtons;

 protected:
  void SetUpGrid() override;
  bool FillGrid(int32_t nSelRowID) override;
  void ShowCriteria() override;
  void AfterSort() override { SetBackgroundForRows(); }

 private:
  // The dialog in mode udOper on the current transaction; after a save the row is
  // rewritten (update) or removed (delete).
  void EditOrDelete(int32_t udOper);
};

}  // namespace reports
