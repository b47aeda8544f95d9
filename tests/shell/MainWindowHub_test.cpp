#include "services/MainWindowHub.h"

#include <QLabel>

#include "database/clsProd.h"
#include "services/testing/FakeMainWindowHub.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

using shelltest::ShellTest;

class MainWindowHubTest : public ShellTest {};

// Windows reach whichever hub is installed; a fake installed over the main window
// records the calls and gives the main window back afterwards.
TEST_F(MainWindowHubTest, FakeRecordsCallsAndRestoresTheMainWindow) {
  frmMain& m = Main();
  ASSERT_EQ(MainWindowHub(), &m);
  {
    ScopedFakeMainWindowHub fake;
    fake->shortDate = QStringLiteral("3/15/2026");
    fake->productId = 1004;
    ASSERT_EQ(MainWindowHub(), &*fake);
    MainWindowHubInterface& hub = *MainWindowHub();
    QLabel lbl;
    clsProd prod;
    hub.AddBatchTransaction();
    hub.SetCustomFieldLabel(lbl, QStringLiteral("svltran.dbf_catid"));
    EXPECT_EQ(hub.GetShortDateFromPopupCalendar(QStringLiteral("1/2/2026")), QStringLiteral("3/15/2026"));
    EXPECT_EQ(hub.AddEditNewProduct(prod), 1004);
    hub.ShowFoundProductsRpt(1, QStringLiteral("AB"), QStringLiteral("Part Number"));
    EXPECT_EQ(fake->calls, (QStringList{QStringLiteral("AddBatchTransaction()"),
                                        QStringLiteral("SetCustomFieldLabel(svltran.dbf_catid)"),
                                        QStringLiteral("GetShortDateFromPopupCalendar(1/2/2026)"),
                                        QStringLiteral("AddEditNewProduct()"),
                                        QStringLiteral("ShowFoundProductsRpt(1, AB, Part Number)")}));
  }
  EXPECT_EQ(MainWindowHub(), &m);
  EXPECT_EQ(MainWindowHub()->Window(), &m);
}

}  // namespace
