// The column chooser: catalogue order, moves in and out, ids that are not available.
#include "reports/UCRptCols.h"

#include <QPushButton>

#include "tests/reports/ReportsTestSupport.h"

namespace {

using rpttest::Ids;
using rpttest::Texts;

class UCRptColsTest : public rpttest::ReportsTest {
 protected:
  // The inventory columns in catalogue ("order") order.
  const QList<int> kInvOrder = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010,
                                1011, 1012, 1013, 1018, 1019, 1014, 1015, 1016, 1017, 1023,
                                1024, 1020, 1028, 1029, 1021, 1022, 1025, 1026, 1027};
  static QList<int> Without(QList<int> ids, const QList<int>& gone) {
    for (int id : gone) ids.removeAll(id);
    return ids;
  }
  UCRptCols cols;
};

TEST_F(UCRptColsTest, InitListsTheColumnsOfTheTypeInCatalogueOrderWithCustomCaptions) {
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svlprod.dbf_custom1"), QStringLiteral("Colour")));
  cols.Init(1);
  EXPECT_EQ(Ids(*cols.lstAvailableColumns), kInvOrder);
  EXPECT_EQ(cols.lstAvailableColumns->item(6)->text(), "Colour");
  cols.SetValues({QStringLiteral("1007")});
  EXPECT_EQ(Texts(*cols.lstSelectedColumns), QStringList{"Colour"});

  UCRptCols tran;
  tran.Init(2);
  ASSERT_EQ(tran.lstAvailableColumns->count(), 18);
  EXPECT_EQ(tran.lstAvailableColumns->item(0)->data(Qt::UserRole).toInt(), 2001);
}

// A stored column that is not available (another type's, unknown, listed twice) would be
// copied from the first available row under that row's id; it is skipped instead.
TEST_F(UCRptColsTest, SetValuesKeepsTheStoredOrderAndSkipsIdsThatAreNotAvailable) {
  cols.Init(1);
  cols.SetValues({QStringLiteral("1014"), QStringLiteral("2001"), QStringLiteral("9999"),
                  QStringLiteral("1001"), QStringLiteral("1014")});
  EXPECT_EQ(Ids(*cols.lstSelectedColumns), (QList<int>{1014, 1001}));
  EXPECT_EQ(Ids(*cols.lstAvailableColumns), Without(kInvOrder, {1014, 1001}));
  QStringList back;
  cols.GetValues(back);
  EXPECT_EQ(back, (QStringList{"1014", "1001"}));
}

TEST_F(UCRptColsTest, MovingColumnsInAndOutKeepsCatalogueOrder) {
  cols.Init(1);
  cols.SetValues({QStringLiteral("1016"), QStringLiteral("1018"), QStringLiteral("1002")});

  // Out of the middle: back at its catalogue place, and selected there.
  cols.lstSelectedColumns->setCurrentRow(1);
  cols.cmdDelDispCol->click();
  EXPECT_EQ(Ids(*cols.lstSelectedColumns), (QList<int>{1016, 1002}));
  EXPECT_EQ(Ids(*cols.lstAvailableColumns), Without(kInvOrder, {1016, 1002}));
  EXPECT_EQ(gSystem().lbGetItemID(*cols.lstAvailableColumns), 1018);

  // In again: always to the end of the selection, and selected there.
  cols.cmdAddDisplayCols->click();
  EXPECT_EQ(Ids(*cols.lstSelectedColumns), (QList<int>{1016, 1002, 1018}));
  EXPECT_EQ(gSystem().lbGetItemID(*cols.lstSelectedColumns), 1018);

  // Up and down within the selection; not past either end.
  struct Move {
    int row;
    QPushButton* button;
    QList<int> after;
  };
  const Move moves[] = {{2, cols.cmdDispColUp, {1016, 1018, 1002}},
                        {0, cols.cmdDispColUp, {1016, 1018, 1002}},
                        {2, cols.cmdDispColDown, {1016, 1018, 1002}},
                        {0, cols.cmdDispColDown, {1018, 1016, 1002}}};
  for (const Move& m : moves) {
    cols.lstSelectedColumns->setCurrentRow(m.row);
    m.button->click();
    EXPECT_EQ(Ids(*cols.lstSelectedColumns), m.after) << m.row;
  }

  // All in: every column in catalogue order, the user's order gone; all out again.
  cols.cmdAddDisplayAllCols->click();
  EXPECT_EQ(Ids(*cols.lstSelectedColumns), kInvOrder);
  EXPECT_EQ(cols.lstAvailableColumns->count(), 0);
  cols.cmdAllDelDispCol->click();
  EXPECT_EQ(cols.lstSelectedColumns->count(), 0);
  EXPECT_EQ(Ids(*cols.lstAvailableColumns), kInvOrder);
}

TEST_F(UCRptColsTest, ButtonsWithoutTheirSelectionAndAnEmptySelectionAreRefused) {
  cols.Init(1);
  cols.lstAvailableColumns->setCurrentRow(-1);
  prompts->Expect(QStringLiteral("Select an 'Available Column' first!"));
  cols.cmdAddDisplayCols->click();
  prompts->Expect(QStringLiteral("Select a 'Selected Column' first!"));
  cols.cmdDelDispCol->click();
  prompts->Expect(QStringLiteral("At least one column must be selected for display!"));
  EXPECT_FALSE(cols.Validate());
  EXPECT_EQ(cols.lstAvailableColumns->count(), kInvOrder.size());
  cols.SetValues({QStringLiteral("1001")});
  EXPECT_TRUE(cols.Validate());
}

}  // namespace
