#include "services/MainWindowHub.h"

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
    fake->clientWidth = 9000;
    ASSERT_EQ(MainWindowHub(), &*fake);
    MainWindowHubInterface& hub = *MainWindowHub();
    EXPECT_EQ(hub.ClientAreaWidth(), 9000);
    hub.ShowFoundProductsRpt(1, QStringLiteral("AB"), QStringLiteral("Part Number"));
    EXPECT_EQ(fake->calls, (QStringList{QStringLiteral("ClientAreaWidth()"),
                                        QStringLiteral("ShowFoundProductsRpt(1, AB, Part Number)")}));
  }
  EXPECT_EQ(MainWindowHub(), &m);
  EXPECT_EQ(MainWindowHub()->Window(), &m);
}

}  // namespace
