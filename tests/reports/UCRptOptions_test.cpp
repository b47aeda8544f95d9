// The options editor: codes to buttons and back.
#include "reports/UCRptOptions.h"

#include <QCheckBox>
#include <QRadioButton>

#include "database/clsRptOptions.h"
#include "platform/controls/NumericEdit.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using UCRptOptionsTest = rpttest::ReportsTest;

TEST_F(UCRptOptionsTest, OptionsShowAndReadBack) {
  struct Case {
    bool allowEdit;
    int32_t freeze, orientation, sort;
    const char* orientationShown;
    const char* sortShown;
    int32_t orientationBack, sortBack;
  };
  const Case cases[] = {
      {true, 1, 2, 0, "Landscape", "Ascending", 2, 0},  // a new definition's options
      {false, 3, 1, 1, "Potrait", "Descending", 1, 1},
      {true, 0, 7, 5, "Potrait", "Ascending", 1, 0},  // unknown codes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.freeze);
    UCRptOptions ctl;
    clsRptOptions o;
    o.m_bAllowDataEdit = c.allowEdit;
    o.m_nNumOfColumns2Freeze = c.freeze;
    o.m_udPageOrientation = c.orientation;
    o.m_udRptColSortOrder = c.sort;
    o.m_bShowRowNumbers = false;
    ctl.SetValues(o);
    EXPECT_EQ(ctl.ckAllowDataEdit->isChecked(), c.allowEdit);
    EXPECT_EQ(ctl.fpCols2Freeze->Text(), QString::number(c.freeze));
    const QRadioButton* orientation =
        ctl.optOrientation[0]->isChecked() ? ctl.optOrientation[0] : ctl.optOrientation[1];
    EXPECT_EQ(orientation->text(), QLatin1String(c.orientationShown));
    const QRadioButton* sort = ctl.optSort[0]->isChecked() ? ctl.optSort[0] : ctl.optSort[1];
    EXPECT_EQ(sort->text(), QLatin1String(c.sortShown));

    clsRptOptions back;
    ctl.GetValues(back);
    EXPECT_EQ(back.m_bAllowDataEdit, c.allowEdit);
    EXPECT_EQ(back.m_nNumOfColumns2Freeze, c.freeze);
    EXPECT_EQ(back.m_udPageOrientation, c.orientationBack);
    EXPECT_EQ(back.m_udRptColSortOrder, c.sortBack);
    EXPECT_TRUE(back.m_bShowRowNumbers);  // no control: untouched
  }
}

}  // namespace
