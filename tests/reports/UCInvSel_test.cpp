// The inventory criteria editor: lists, colouring, the Indicate frame, Reset.
#include "reports/UCInvSel.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "database/clsInvSelCriteria.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using rpttest::IsRed;

class UCInvSelTest : public rpttest::ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    group = rpttest::AddCategory(QStringLiteral("Tools"), store::ListType::kProductGroup);
    location = rpttest::AddCategory(QStringLiteral("Shelf A"), store::ListType::kLocation);
    ctl.Init();
  }
  int32_t group = 0;
  int32_t location = 0;
  UCInvSel ctl;
};

TEST_F(UCInvSelTest, InitShowsTheCaptionsAndAllEntries) {
  EXPECT_EQ(ctl.lblProdGroup->text(), "Product Group:");
  EXPECT_EQ(ctl.cboProdGroup->currentText(), "All Group");
  EXPECT_EQ(ctl.cboLocation->currentText(), "All Location");
  EXPECT_EQ(ctl.cboInvSelCriteria->currentText(), "All");
  EXPECT_EQ(ctl.cboInvSelCriteria->count(), 4);
  EXPECT_EQ(gSystem().lbGetItemID(*ctl.lstSearchType), 0);
  EXPECT_EQ(ctl.lstSearchType->item(1)->text(), "Part Number");
  for (QComboBox* cbo : {ctl.cboProdGroup, ctl.cboLocation, ctl.cboInvSelCriteria}) EXPECT_FALSE(IsRed(*cbo));
}

TEST_F(UCInvSelTest, CriteriaShowAndReadBack) {
  struct Case {
    int32_t group, location, level, searchBy;
    const char* search;
    int32_t indicate;
    bool indicateAvailable;
    int32_t groupBack, indicateBack;
  };
  const int32_t g = group, l = location;
  const Case cases[] = {
      {g, l, 2, 1, "ab", 2, false, g, 2},     // level 2: Indicate unavailable
      {-1, -1, 0, 0, "  ", 1, true, -1, 1},   // blanks kept as typed
      {9999, -1, 3, 0, "", 0, false, -1, 0},  // a group that is gone: "All"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    UCInvSel ed;
    ed.Init();
    clsInvSelCriteria in;
    in.m_nProductGroup = c.group;
    in.m_nProductLocation = c.location;
    in.m_udInvLevel = c.level;
    in.m_udProdSearchByName = c.searchBy;
    in.m_NameSearchStr = QLatin1String(c.search);
    in.m_udIndicate = c.indicate;
    ed.SetValues(in);
    EXPECT_EQ(ed.frmOptInd->isEnabled(), c.indicateAvailable);
    EXPECT_EQ(IsRed(*ed.cboProdGroup), c.groupBack > 0);
    EXPECT_EQ(IsRed(*ed.cboLocation), c.location > 0);
    EXPECT_EQ(IsRed(*ed.cboInvSelCriteria), c.level > 0);
    clsInvSelCriteria out;
    ed.GetValues(out);
    EXPECT_EQ(out.m_nProductGroup, c.groupBack);
    EXPECT_EQ(out.m_nProductLocation, c.location);
    EXPECT_EQ(out.m_udInvLevel, c.level);
    EXPECT_EQ(out.m_udProdSearchByName, c.searchBy);
    EXPECT_EQ(out.m_NameSearchStr, QLatin1String(c.search));
    EXPECT_EQ(out.m_udIndicate, c.indicateBack);
  }
}

TEST_F(UCInvSelTest, ChoosingAllMakesIndicateAvailableAndResetKeepsTheLocation) {
  clsInvSelCriteria in;
  in.m_nProductLocation = location;
  in.m_udInvLevel = 2;
  in.m_NameSearchStr = QStringLiteral("x");
  ctl.SetValues(in);
  ASSERT_FALSE(ctl.frmOptInd->isEnabled());
  ASSERT_TRUE(ui::test::SetText(ctl, QStringLiteral("cboInvSelCriteria"), QStringLiteral("All")));
  EXPECT_TRUE(ctl.frmOptInd->isEnabled());
  EXPECT_FALSE(IsRed(*ctl.cboInvSelCriteria));

  ASSERT_TRUE(ui::test::SetText(ctl, QStringLiteral("cboProdGroup"), QStringLiteral("Tools")));
  EXPECT_TRUE(IsRed(*ctl.cboProdGroup));
  ctl.cmdReset->click();
  EXPECT_EQ(ctl.cboProdGroup->currentIndex(), 0);
  EXPECT_FALSE(IsRed(*ctl.cboProdGroup));
  EXPECT_TRUE(ctl.txtSearchStr->text().isEmpty());
  EXPECT_EQ(gSystem().cboGetItemID(*ctl.cboLocation), location);
  EXPECT_TRUE(IsRed(*ctl.cboLocation));
}

}  // namespace
